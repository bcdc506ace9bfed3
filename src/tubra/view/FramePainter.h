#pragma once
// The drawing frame: a border 100 units inside the page, the title block in its bottom-right
// corner and the characteristic table in its top-right corner. All three are laid out in sheet
// units from the page extent alone (they do not zoom) and are drawn only while the view's
// frame switch is on.

#include "tubra/view/PaintContext.h"

namespace tubra::view {

// Margin between the page edge and the frame.
inline constexpr int kFrameMargin = 100;

// The border (three nested rectangles of a black pen of width 2), then the title block and
// the characteristic table.
void PaintFrame(const PaintContext& ctx);

// The border alone.
void PaintBorder(const PaintContext& ctx);

}  // namespace tubra::view
