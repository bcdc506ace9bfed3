#pragma once
// Report mode of a view: instead of the drawing it shows one report page, or all shown pages
// of a set one under the other (A4 portrait pages of 2100 x 2900 logical units, each further
// page 2900 lower). The pages themselves are drawn by the report library through the
// `ReportPagePainter` it installs, so the view knows nothing of the report's contents.
//
// Page indexes: 0 cover, 1 contents, 2..16 forms (1) to (15), 17 repair record, 22 all shown
// pages of the full set; 23..26 the online set, 28 all its shown pages; -1 none.

#include <array>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

using model::kNoReportPage;
using model::kReportCoverPage;
using model::kReportPageHeight;
using model::kReportPageWidth;

// What the view needs of the report's pages. The report library installs its painter; with
// none installed (or a store it does not know) nothing is drawn.
class ReportPagePainter {
public:
    virtual ~ReportPagePainter() = default;
    // What showing `pageIndex` does to the report before the page is painted.
    virtual void prepare(model::ReportStore& store, int pageIndex) const = 0;
    // Draws what page index `pageIndex` shows (one page, or a whole set one page under the
    // other) in logical units with the first page's top edge at y = 0; `table` is the
    // characteristic table the view shows.
    virtual void paint(const model::ReportStore& store, int pageIndex, const model::CharacteristicTable& table,
                       platform::Canvas& canvas) const = 0;
    // How many pages of 2900 logical units printing `pageIndex` takes (and the view scrolls
    // over); 0 when a stack has no page to show.
    virtual int countPrintPages(const model::ReportStore& store, int pageIndex) const = 0;
    // The values a print of `pageIndex` cannot show whole and cuts with "…", named for the user
    // (UTF-8); empty when everything prints whole.
    virtual std::vector<std::string> cutFields(const model::ReportStore& store, int pageIndex,
                                               const model::CharacteristicTable& table) const = 0;
};

// Installs the painter of report pages for every view (null: none); returns the one before.
const ReportPagePainter* installReportPagePainter(const ReportPagePainter* painter);

// Brings the report to showing page `pageIndex` (before a paint or instead of one).
void prepareReportPage(model::Document& doc, int pageIndex);
// Draws what report page `pageIndex` shows, from the top of the page at y = 0.
void DrawReportPage(const model::Document& doc, const PaintContext& ctx, int pageIndex);

// The scroll extent of report page `pageIndex`: one page, or every page of a stack.
platform::Size reportExtent(const model::Document& doc, int pageIndex);

// The pages printing the view produces: 1 for the drawing and a single report page, every
// sheet of a stack (at least 1).
int reportPrintPages(const model::Document& doc, int pageIndex);
// The sheets the painter counts for `pageIndex`, 0 for a stack with no page shown; 1 with no
// painter installed.
int countReportPrintPages(const model::Document& doc, int pageIndex);
// What a print of `pageIndex` cuts with "…" (UTF-8), as the painter finds it; none with no
// painter installed.
std::vector<std::string> reportCutFields(const model::Document& doc, int pageIndex,
                                         const model::CharacteristicTable& table);

// "显示当前报告": switches the view between the drawing and the report page. Entering resets
// the zoom to 1 and, when no page is chosen, chooses the cover; leaving gives the drawing its
// scroll extent back (page size times zoom). The document is marked modified and keeps the
// mode and the page for its file.
ScrollChange ToggleReportMode(ViewState& view, model::Document& doc);

// Shows report page `pageIndex` in the view, entering report mode when it is off (zoom 1).
// The document is marked modified and keeps mode and page. For a split list page call
// `report::ChooseSubPage` first to choose its sheet.
ScrollChange showReportPage(ViewState& view, model::Document& doc, int pageIndex);

// Whether the view shows a report page (mouse tools stay idle then).
inline bool showsReport(const ViewState& view) { return view.reportDisplay[0] != 0; }

}  // namespace tubra::view
