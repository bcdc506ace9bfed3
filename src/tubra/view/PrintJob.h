#pragma once
// The page loop of printing, shared by the desktop program (printer, preview) and the
// command line (PDF): prepare (black on white when the settings ask for it), print every page
// of the range through the view's paint with the window origin moved to that page, end
// (colours back). Kept in a header so that every front end runs this one loop over its own
// kind of paged device.

#include <algorithm>
#include <concepts>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ReportPages.h"
#include "tubra/view/TitleBlockPainter.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// Where printed pages go: a printer, a PDF file, a preview or a test recorder.
//   canvas()    the canvas of the current page (logical units of 0.1 mm)
//   newPage()   ends the current page and starts the next; false when the device failed
//   printLeft() the left edge of the printable area, logical units
template <class T>
concept PagedDevice = requires(T& d, const T& cd) {
    { d.canvas() } -> std::convertible_to<platform::Canvas&>;
    { d.newPage() } -> std::convertible_to<bool>;
    { cd.printLeft() } -> std::convertible_to<int>;
};

struct PrintRange {
    int first = 1;
    int last = 1;
};

// The pages a print of the view holds: one sheet for the drawing and for a single report
// page; every sheet of a stack of report pages.
inline PrintRange printPagesOf(const model::Document& doc, const ViewState& view) {
    if (!showsReport(view)) return {1, 1};
    return {1, reportPrintPages(doc, view.reportDisplay[1])};
}

// The paper a print of the view needs: the drawing's sheet (A4, or A3 for page size 1) in
// landscape; report pages are A4 portrait.
struct Paper {
    bool a3 = false;
    bool landscape = true;
};
inline Paper paperFor(const model::Document& doc, const ViewState& view) {
    const bool report = view.reportDisplay[0] != 0;
    return {!report && doc.drawing.PageSize == 1, !report};
}

// The view a window would show a just-opened document in, for printing it without a window.
inline ViewState viewForPrinting(model::Document& doc) {
    ViewState view;
    initialUpdate(view, doc.drawing);
    applyOpenedDocument(view, doc);
    return view;
}

// What a print of the view cannot show whole and cuts with "…" (a report page's value that
// nothing can continue, a title block text too long for its cell), named for the user
// (UTF-8). Printing warns of these first.
inline std::vector<std::string> printCutFields(const model::Document& doc, const ViewState& view) {
    if (showsReport(view)) return reportCutFields(doc, view.reportDisplay[1], doc.drawing.table);
    if (!view.frameSwitch) return {};
    return titleBlockCuts(doc.drawing.title, view.pageExtent);
}

// Keeps the colours black on white for the duration of a print when the settings ask for it,
// and gives them back however the print ends.
class PrintColours {
public:
    explicit PrintColours(model::DrawingSettings& settings)
        : settings_(settings), saved_(OnPreparePrinting(settings)) {}
    ~PrintColours() { OnEndPrinting(settings_, saved_); }
    PrintColours(const PrintColours&) = delete;
    PrintColours& operator=(const PrintColours&) = delete;

private:
    model::DrawingSettings& settings_;
    SavedColours saved_;
};

// Prints pages `range.first`..`range.last` of the view. Returns the number of pages printed;
// fewer than asked when the device failed.
template <PagedDevice Device>
int printDocument(model::Document& doc, ViewState& view, Device& device, PrintRange range) {
    range.first = std::max(range.first, 1);
    if (range.last < range.first) return 0;
    PrintColours colours(doc.settings());
    int printed = 0;
    for (int page = range.first; page <= range.last; ++page) {
        if (page > range.first && !device.newPage()) break;
        platform::Canvas& canvas = device.canvas();
        platform::CanvasStateGuard guard(canvas);
        OnPrint(doc, view, canvas, page, device.printLeft());
        ++printed;
    }
    return printed;
}

}  // namespace tubra::view
