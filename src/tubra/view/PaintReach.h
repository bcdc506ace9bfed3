#pragma once
// Where an object's paint may leave marks, for a paint that has only part of the sheet to show
// (a window zoomed in): the objects whose marks all fall outside it are left out, so that the
// paint costs what the window shows, not what the drawing holds.
//
// The area is worked out from the object's points at the view's zoom, with room for what is
// drawn at a fixed size around them (texts, weld circles, arrowheads, break marks, crossing
// gaps) and for symbols at their size. It is generous: an object a little outside is painted
// for nothing, one inside is never left out.

#include <optional>

#include "platform/Canvas.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/PipeObject.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// A rectangle of the sheet in logical units at the view's zoom (x to the right, y up).
struct SheetArea {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // none when x0 > x1

    bool empty() const { return x0 > x1 || y0 > y1; }
    bool meets(const SheetArea& o) const {
        return !empty() && !o.empty() && !(x0 > o.x1 || o.x0 > x1 || y0 > o.y1 || o.y0 > y1);
    }
    void take(double x, double y);
    void grow(double by);
};

// The logical area a canvas that skips what leaves no mark on it has to show; none when it
// draws everything (recordings, files, printers).
std::optional<SheetArea> shownArea(const platform::Canvas& canvas);

class PaintReach {
public:
    PaintReach(const model::DrawingSettings& settings, const ViewState& view);

    // Where the paint of `o` may leave marks: its annotation (drawn with its text at
    // `textAt`, stored coordinates), its body, and the crossing gaps drawn with it.
    SheetArea of(const model::PipeObject& o, const model::Vec3& textAt) const;

private:
    const model::DrawingSettings& s_;
    const ViewState& view_;
    double zoom_;
    double lineWidth_;   // the widest pen of the line work, with room for the gap squares
    double gapReach_;    // how far a crossing gap reaches along the pipe in front
};

}  // namespace tubra::view
