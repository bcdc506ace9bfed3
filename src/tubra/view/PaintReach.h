#pragma once
// Where an object's paint may leave marks, for a paint that has only part of the sheet to show
// (a window zoomed in): the objects whose marks all fall outside it are left out, so that the
// paint costs what the window shows, not what the drawing holds.
//
// The area is worked out from the object's points at the view's zoom, with room for what is
// drawn at a fixed size around them (texts, weld circles, arrowheads, break marks, crossing
// gaps) and for symbols at their size. It is generous: an object a little outside is painted
// for nothing, one inside is never left out.

#include <cstddef>
#include <optional>
#include <vector>

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

// Where the paint of an object may leave marks at any zoom z > 0: within the box of stored
// coordinates times z, grown by `fixed + perZoom * z`. Worked out once for all zooms, it lets a
// paint pass over an object out of sight with a few multiplications; it holds what
// PaintReach::of finds at every zoom, and a little more.
struct ReachBounds {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // none when x0 > x1: the object is never left out
    double fixed = 0, perZoom = 0;

    // Whether the object may leave marks in `shown` at `zoom` (> 0).
    bool mayMeet(const SheetArea& shown, double zoom) const {
        if (x0 > x1) return true;
        const double g = fixed + perZoom * zoom;
        return !(x0 * zoom - g > shown.x1 || x1 * zoom + g < shown.x0 || y0 * zoom - g > shown.y1 ||
                 y1 * zoom + g < shown.y0);
    }
};

class PaintReach {
public:
    PaintReach(const model::DrawingSettings& settings, const ViewState& view);

    // Where the paint of `o` may leave marks: its annotation (drawn with its text at
    // `textAt`, stored coordinates), its body, and the crossing gaps drawn with it.
    SheetArea of(const model::PipeObject& o, const model::Vec3& textAt) const;
    // What `of` finds at any zoom, for the same settings and axes.
    static ReachBounds bounds(const model::PipeObject& o, const model::Vec3& textAt,
                              const model::DrawingSettings& settings, const AxisAngles& axes);

private:
    const model::DrawingSettings& s_;
    const ViewState& view_;
    double zoom_;
    double lineWidth_;   // the widest pen of the line work, with room for the gap squares
    double gapReach_;    // how far a crossing gap reaches along the pipe in front
};

// The bounds of every object of a list, kept from paint to paint and brought up to date with
// the objects changed since (so that a zoom or a scroll, which changes no object, finds them
// all ready). They hold for the settings and axes they were worked out with.
class KeptReach {
public:
    void update(const model::ObjectList& objects, const model::DrawingSettings& settings,
                const AxisAngles& axes);
    // The bounds of the objects at their positions, when they are those of `objects` as it is
    // and were worked out with `settings` and `axes`; else null.
    const std::vector<ReachBounds>* current(const model::ObjectList& objects,
                                            const model::DrawingSettings& settings,
                                            const AxisAngles& axes) const;

private:
    bool sameInputs(const model::DrawingSettings& settings, const AxisAngles& axes) const;

    std::vector<ReachBounds> bounds_;
    model::ListCursor cursor_;
    bool built_ = false;
    // What the bounds depend on besides the objects.
    float lineWidths_[5] = {};
    std::int32_t dimSize_ = 0, dimHigh_ = 0;
    bool dimLines_ = false;
    double symbolZoom_ = 0.0;
    AxisAngles axes_;
};

}  // namespace tubra::view
