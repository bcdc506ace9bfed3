#pragma once
// Drawing the component symbols from their line tables, and the placement query of the tools:
// where a symbol placed on a pipe ends, so that the pipe can continue from there.
//
// A symbol is scaled by `DrawZoom_GJFM` × zoom, turned into the direction of its pipe
// (`EndDir` 0..5), projected onto the sheet axes and drawn from its anchor. All symbols use the
// valve pen (`FaMenKuan`, `FaMenColor`), except the vessel, which is dash-dot-dot of width 1.

#include <optional>

#include "tubra/model/PipeObject.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/Projection.h"

namespace tubra::view {

// `Port2.x` of a symbol that has no second anchor.
inline constexpr double kNoSecondAnchor = -9999.0;

// How symbols are sized and projected.
struct SymbolScale {
    double symbolZoom = 4.0;  // DrawZoom_GJFM
    double zoom = 1.0;        // ZoomPara
    AxisAngles axes;

    static SymbolScale of(const PaintContext& ctx) {
        return {ctx.settings.DrawZoom_GJFM, ctx.zoom(), ctx.axes()};
    }
};

// Draws the symbol of `object` from its anchor `Port1` with the symbol pen (the selection
// colour when `selected`; the caller sets the raster operation). Returns the exit point in
// stored coordinates with z the anchor's elevation; none, and nothing drawn, when the
// `SubType` has no table or `EndDir` is not 0..5.
std::optional<model::Vec3> paintSymbol(const model::PipeObject& object, const PaintContext& ctx,
                                       bool selected);

// The placement query. Without a second anchor (`Port2.x` is kNoSecondAnchor) the symbol is
// laid forward from `Port1`; otherwise it is laid backward so that it ends on `Port2`. Returns
// the far end in stored coordinates, z being the elevation there: the anchor's z plus
// `Distanc` on an up pipe, minus on a down pipe (the other way round when laid backward),
// unchanged on a horizontal one. None for a `SubType` without a table or `EndDir` not 0..5.
std::optional<model::Vec3> symbolExitPoint(const model::PipeObject& object,
                                           const SymbolScale& scale);

}  // namespace tubra::view
