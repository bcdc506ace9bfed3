#pragma once
// The report pages a view shows instead of the drawing when its report display is on.

#include "tubra/model/Document.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// Report page indexes of the full-inspection set: 0 to 17, and 22 for all shown pages stacked.
bool IsFullInspectionPage(int pageIndex);

// Draws page `pageIndex` (or the stacked pages of 22) of the full-inspection report.
void DrawFullInspectionPage(model::Document& doc, const PaintContext& ctx, int pageIndex);
// Draws page `pageIndex` (23 to 26, or the stacked pages of 28) of the online-inspection report.
void DrawOnlineInspectionPage(model::Document& doc, const PaintContext& ctx, int pageIndex);

}  // namespace tubra::view
