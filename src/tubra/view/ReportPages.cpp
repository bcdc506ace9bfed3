#include "tubra/view/ReportPages.h"

#include <algorithm>

namespace tubra::view {

namespace {

const ReportPagePainter* gPainter = nullptr;

// Mode and page into the document, which saves them with the drawing.
void storeInDocument(const ViewState& view, model::Document& doc) {
    doc.drawing.IsShowReport = {view.reportDisplay[0], view.reportDisplay[1]};
    doc.viewStored();
}

ScrollChange enter(ViewState& view, model::Document& doc, int pageIndex) {
    view.ZoomPara = 1.0;
    view.reportDisplay = {1, pageIndex};
    view.scrollExtent = reportExtent(doc, pageIndex);
    storeInDocument(view, doc);
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.scroll = true;
    change.position = {0, 0};
    change.invalidate = true;
    return change;
}

}  // namespace

const ReportPagePainter* installReportPagePainter(const ReportPagePainter* painter) {
    const ReportPagePainter* before = gPainter;
    gPainter = painter;
    return before;
}

void prepareReportPage(model::Document& doc, int pageIndex) {
    if (gPainter) gPainter->prepare(doc.report(), pageIndex);
}

void DrawReportPage(const model::Document& doc, const PaintContext& ctx, int pageIndex) {
    if (gPainter) gPainter->paint(doc.report(), pageIndex, ctx.view.table, ctx.canvas);
}

int countReportPrintPages(const model::Document& doc, int pageIndex) {
    return gPainter ? gPainter->countPrintPages(doc.report(), pageIndex) : 1;
}

int reportPrintPages(const model::Document& doc, int pageIndex) {
    return std::max(1, countReportPrintPages(doc, pageIndex));
}

std::vector<std::string> reportCutFields(const model::Document& doc, int pageIndex,
                                         const model::CharacteristicTable& table) {
    return gPainter ? gPainter->cutFields(doc.report(), pageIndex, table)
                    : std::vector<std::string>{};
}

platform::Size reportExtent(const model::Document& doc, int pageIndex) {
    return {kReportPageWidth, kReportPageHeight * reportPrintPages(doc, pageIndex)};
}

ScrollChange ToggleReportMode(ViewState& view, model::Document& doc) {
    if (!showsReport(view)) {
        const int page = view.reportDisplay[1] == kNoReportPage ? kReportCoverPage : view.reportDisplay[1];
        return enter(view, doc, page);
    }
    view.reportDisplay[0] = 0;
    view.scrollExtent = {model::truncToInt(view.pageExtent.cx * view.ZoomPara),
                         model::truncToInt(view.pageExtent.cy * view.ZoomPara)};
    storeInDocument(view, doc);
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.invalidate = true;
    return change;
}

ScrollChange showReportPage(ViewState& view, model::Document& doc, int pageIndex) {
    if (!showsReport(view)) return enter(view, doc, pageIndex);
    const double zoom = view.ZoomPara;  // another page keeps the view as it is
    ScrollChange change = enter(view, doc, pageIndex);
    view.ZoomPara = zoom;
    return change;
}

}  // namespace tubra::view
