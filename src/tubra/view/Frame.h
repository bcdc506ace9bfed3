#pragma once
// The drawing frame: the border of the page, the title block in its bottom-right corner and
// the characteristic table in its top-right corner, in sheet units (not zoomed). They show the
// view's working copies of the title block and table.

#include "tubra/view/PaintContext.h"

namespace tubra::view {

// Border, then title block, then characteristic table; nothing when the frame switch is off.
void DrawFrame(const PaintContext& ctx);

}  // namespace tubra::view
