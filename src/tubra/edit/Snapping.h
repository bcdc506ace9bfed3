#pragma once
// Finding the object and point under the mouse, and the marker that shows it.
//
// The walk goes through the object list from the first object to the last; the first object
// with a candidate point whose capture box (± snap distance, device pixels) holds the mouse
// wins, so an earlier object always beats a later one. Within one object end points come
// first, then the mid point, then a point on a pipe segment.

#include "platform/Canvas.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/ViewPort.h"
#include "tubra/model/ObjectList.h"
#include "tubra/view/BoxGrid.h"

#include <cstddef>
#include <vector>

namespace tubra::edit {

enum class SnapKind : int {
    None = 0,
    End = 1,        // Port1, Port2 or a tee's Port3
    Mid = 2,        // the middle of Port1 and Port2
    OnSegment = 3,  // a point on a pipe segment
    Text = 4,       // a text block, at one of its points
};

struct SnapState {
    const model::PipeObject* hit = nullptr;
    // View units (stored x and y times the zoom); z is the elevation there.
    model::Vec3 point;
    SnapKind kind = SnapKind::None;

    bool snapped() const { return hit != nullptr; }
};

// The end of a text block's text: from `Port1` along its angle by its length in characters
// times half its character height (model units).
model::Vec3 textBlockEnd(const model::PipeObject& textBlock, double zoom);

// Where a snap may be among many objects: the objects by the bounds of their candidate
// points (model units), following the list's changes, so that a mouse move looks only at the
// objects near it. A text block's end moves with the zoom: text blocks are looked at always.
class SnapIndex {
public:
    // The positions of the objects that may have a candidate point in the rectangle of model
    // units, in list order.
    const std::vector<std::size_t>& near(const model::ObjectList& objects, double x0, double y0,
                                         double x1, double y1);

private:
    void place(const model::ObjectList& objects, std::size_t i);
    view::BoxGrid grid_{256.0};
    model::ListCursor cursor_;
    std::vector<std::size_t> found_;
};

// The snap of the mouse at device point `mouse` (logical point `logical`). With an index, only
// the objects near the mouse are looked at; the answer is the same.
SnapState findSnap(const model::ObjectList& objects, const SnapSettings& settings, double zoom,
                   const DeviceTransform& transform, DevicePoint mouse, platform::Point logical,
                   SnapIndex* index = nullptr);

// Draws the marker of a snap at its point with the XOR pen: an open square for an end point,
// a triangle on its point for a mid point, a diagonal cross on a segment, an H on a text
// block. Drawing it twice erases it. `halfX` and `halfY` are the marker size in logical units.
void drawSnapMarker(platform::Canvas& canvas, SnapKind kind, platform::Point at, int halfX,
                    int halfY);

}  // namespace tubra::edit
