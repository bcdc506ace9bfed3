#pragma once
// The title block: a box of 600 × 200 in the bottom-right corner of the frame with the
// drawing name in its double-height top row and four rows below it for drafter, checker,
// drawing number, the two dates and the old drawing number. Texts come from the view's working
// copy of the title block.

#include "platform/Canvas.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// The title block's box on a page of extent `page`: left, top, right, bottom (logical).
platform::Rect TitleBlockBox(platform::Size page);

void PaintTitleBlock(const PaintContext& ctx);

}  // namespace tubra::view
