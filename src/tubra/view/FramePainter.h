#pragma once
// The drawing frame: a border 100 units inside the page, the title block in its bottom-right
// corner and the characteristic table in its top-right corner. All three are laid out in sheet
// units from the page extent alone (they do not zoom) and are drawn only while the view's
// frame switch is on.

#include "tubra/model/Drawing.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// Margin between the page edge and the frame.
inline constexpr int kFrameMargin = 100;

// The border (three nested rectangles of a black pen of width 2), then the title block and
// the characteristic table.
void paintFrame(const PaintContext& ctx);

// The border alone.
void paintBorder(const PaintContext& ctx);

// The view's working copies of the title block and characteristic table, exchanged with the
// document at every paint: taken before drawing, handed back after it. Taking them at every
// paint (not only after a file was opened) means that whatever changed the document's texts
// since the last paint is shown, and not overwritten by an older copy when they are handed
// back.
void takeFrameTexts(ViewState& view, const model::Drawing& drawing);
void returnFrameTexts(const ViewState& view, model::Drawing& drawing);

}  // namespace tubra::view
