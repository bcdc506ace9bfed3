#pragma once
// The title block: a box of 600 × 200 in the bottom-right corner of the frame with the
// drawing name in its double-height top row and four rows below it for drafter, checker,
// drawing number, the two dates and the old drawing number. Texts come from the view's working
// copy of the title block.
//
// Every text stays in its cell: one that is too long for its place is fitted there as the
// report pages fit their values (smaller, down to about 6 pt, on two lines where the cell
// has room); one that does not fit even so ends with "…". A drawing has no continuation
// sheet, so printing warns of such a text (`titleBlockCuts`).

#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/Drawing.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// The title block's box on a page of extent `page`: left, top, right, bottom (logical).
platform::Rect titleBlockBox(platform::Size page);

void paintTitleBlock(const PaintContext& ctx);

// The texts of `title` that the block shows cut with "…", named for the user (UTF-8):
// "标题栏 审核日期".
std::vector<std::string> titleBlockCuts(const model::TitleBlock& title, platform::Size page);

}  // namespace tubra::view
