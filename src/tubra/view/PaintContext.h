#pragma once
// What every painter of the drawing gets: the canvas, the program-wide drawing settings and
// the view (zoom, axis angles, switches).

#include "platform/Canvas.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

struct PaintContext {
    platform::Canvas& canvas;
    const model::DrawingSettings& settings;
    const ViewState& view;
    // A CAD file, which keeps what the layer switches hide on layers of their own: pipes'
    // dimension lines are drawn also while their switch is off, where the switch would put them.
    bool allDimensionLines = false;

    double zoom() const { return view.ZoomPara; }
    AxisAngles axes() const { return view.axes(); }
};

}  // namespace tubra::view
