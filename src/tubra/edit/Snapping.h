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
model::Vec3 TextBlockEnd(const model::PipeObject& textBlock, double zoom);

// The snap of the mouse at device point `mouse` (logical point `logical`).
SnapState FindSnap(const model::ObjectList& objects, const SnapSettings& settings, double zoom,
                   const DeviceTransform& transform, DevicePoint mouse, platform::Point logical);

// Draws the marker of a snap at its point with the XOR pen: an open square for an end point,
// a triangle on its point for a mid point, a diagonal cross on a segment, an H on a text
// block. Drawing it twice erases it. `halfX` and `halfY` are the marker size in logical units.
void DrawSnapMarker(platform::Canvas& canvas, SnapKind kind, platform::Point at, int halfX,
                    int halfY);

}  // namespace tubra::edit
