#pragma once
// The report pages on a canvas: every page of the full-inspection set (cover, contents, forms
// (1) to (15), repair record) and of the online set (cover and its three forms), one page or a
// whole set stacked one page under the other, with outlines on the screen and page numbers.

#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/Drawing.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

// Draws what page index `pageIndex` shows: one page (0..17, 23..26) with its list's current
// sheet, or every sheet of a set (22, 28) each 2900 lower than the one before, numbered as
// the set's start page number says; only the sheets inside the canvas's visible area are
// drawn. On a display each page is drawn on white paper inside its outline; a printer gets
// neither. An index that names no page draws only an empty outline on a display.
void drawReportPages(platform::Canvas& canvas, const InspectionReport& report,
                     const model::CharacteristicTable& table, int pageIndex);

// One sheet: page `pageIndex` with sheet `subPage` of its split list.
void drawSheet(PagePainter& page, int pageIndex, int subPage);

// What a page cannot show whole in its boxes, worked out by laying out every sheet of it:
// the values that go onto its continuation sheets (in order, each once) and the labels of
// those that end with "…" where nothing can continue them (the covers).
struct PageOverflow {
    std::vector<ContinuedField> continued;
    std::vector<std::string> cut;  // GBK
};
PageOverflow overflowOf(const InspectionReport& report, const model::CharacteristicTable& table, int pageIndex);

// The continued values of a page spread over as many continuation sheets as they need, in
// order.
std::vector<std::vector<ContinuedField>> continuationSheets(const std::vector<ContinuedField>& fields);

// A continuation sheet of page `pageIndex`: its title with "（续页）" and the values, each
// whole under its label.
void drawContinuationSheet(PagePainter& page, int pageIndex, const std::vector<ContinuedField>& fields);

// The printed title of a page (UTF-8), empty for an index that names no page.
std::string_view pageTitle(int pageIndex);

// The page routines, each drawing one page at the painter's offset.
void drawCoverPage(PagePainter& p);
void drawContentsPage(PagePainter& p);
void drawConclusionPage(PagePainter& p);
void drawSummaryPage(PagePainter& p);
void drawReviewPage(PagePainter& p);
void drawVisualPage(PagePainter& p);
void drawThicknessPage(PagePainter& p, int subPage);
void drawMagneticPage(PagePainter& p, int subPage);
void drawPenetrantPage(PagePainter& p, int subPage);
void drawRadiographPage(PagePainter& p, int subPage);
void drawUltrasonicPage(PagePainter& p, int subPage);
void drawChemicalPage(PagePainter& p);
void drawHardnessPage(PagePainter& p, int subPage);
void drawMetallographPage(PagePainter& p);
void drawPressureTestPage(PagePainter& p, bool leakTest);
void drawAccessoryPage(PagePainter& p);
void drawRepairPage(PagePainter& p);
void drawOnlineCoverPage(PagePainter& p);
void drawOnlineRegisterPage(PagePainter& p);
void drawOnlineThicknessPage(PagePainter& p);
void drawOnlineReportPage(PagePainter& p);
// The online report's number ("报告编号：…"), which that page carries in its form rather than
// in the header; its continuation sheets carry it too.
void drawOnlineReportNumber(PagePainter& p);

// Option texts of the check-box forms (UTF-8), one text per inspected item, every option
// starting with two blanks: the 18 items of the visual inspection (92 options in all) and
// the four lines of source documents of the online report (13 options).
struct OptionItem {
    std::string_view name;
    std::string_view options;
};
const std::vector<OptionItem>& visualInspectionItems();
const std::vector<std::string_view>& onlineSourceDocumentLines();
// The options of such a text without their blanks and "；" ("正常", "碰撞", "摩擦"): the words
// the dialogs' check boxes carry, so that a box and its printed option always agree.
std::vector<std::string_view> optionNames(std::string_view optionsUtf8);

}  // namespace tubra::report
