#include "tubra/cli/RenderCommand.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>

#include <QGuiApplication>

#include "platform/AtomicFile.h"
#include "platform/qt/PageCanvas.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/GuiApplication.h"
#include "tubra/cli/PrintCommand.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ReportPages.h"
#include "tubra/view/ViewState.h"

namespace tubra::cli {

namespace {

// Images are drawn at 300 dpi, unless that would make more pixels than an image may have;
// large zooms then get fewer pixels per millimetre (the image says which).
constexpr double kImagePixelsPerUnit = 300.0 / 254.0;
constexpr double kMaxImagePixels = 64.0 * 1024 * 1024;
constexpr double kLongestImageSide = 16000.0;  // pixels, within what common viewers open

}  // namespace

double ImagePixelsPerUnit(platform::Size sheet) {
    const double area = static_cast<double>(sheet.cx) * static_cast<double>(sheet.cy);
    const double full = area * kImagePixelsPerUnit * kImagePixelsPerUnit;
    if (full <= kMaxImagePixels) return kImagePixelsPerUnit;
    return std::sqrt(kMaxImagePixels / area);
}

namespace {

void renderUsage() {
    std::fputs("usage: tubra-cli render IN OUT [--zoom Z] [--report full|online|N]   (OUT: .png, .pdf or .svg)\n",
               stderr);
}


}  // namespace

std::string renderSheet(tubra::model::Document& doc, const std::filesystem::path& out,
                        double zoom, std::optional<int> reportPage) {
    const auto format = platform::qt::pageFormatFor(out);
    if (!format) return "unknown output format (use .png, .pdf or .svg): " + out.string();
    auto app = guiApplication();

    view::ViewState view;
    view::InitialUpdate(view, doc.drawing);
    view::ApplyOpenedDocument(view, doc);
    // What the file was showing: its sheet at the zoom asked for, or its report page (report
    // pages have their own size and no zoom).
    if (reportPage) view.reportDisplay = {1, *reportPage};
    view.frameSwitch = 1;
    view.ZoomPara = zoom;
    doc.drawing.zoomLoaded = 0;
    doc.newDrawingFlag = 0;

    // The sheet at the zoom, as far as the view scrolls: the page extent times the zoom; or the
    // report page (or stack of pages) the view shows.
    const platform::Size page = view::PageExtent(doc.drawing.PageSize);
    const platform::Size sheet =
        view::ShowsReport(view)
            ? view::ReportExtent(doc, view.reportDisplay[1])
            : platform::Size{std::max(1, static_cast<int>(page.cx * zoom)),
                             std::max(1, static_cast<int>(page.cy * zoom))};
    // A tall stack of report pages also keeps its longest side within what viewers open.
    const double pixelsPerUnit =
        std::min(ImagePixelsPerUnit(sheet), kLongestImageSide / std::max(1, sheet.cy));
    auto target = platform::qt::PageCanvas::create(*format, sheet, pixelsPerUnit,
                                                   doc.settings().BeiJingColor);
    platform::Canvas& canvas = target->canvas();
    view::OnEraseBkgnd(doc.settings(), canvas);
    view::OnDraw(doc, view, canvas);
    if (const auto ec = target->finish(out)) return out.string() + ": " + platform::describe(ec);
    return {};
}

int runRender(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    double zoom = 1.0;
    std::optional<int> reportPage;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--report") {
            reportPage = i + 1 < argc ? ReportPageArgument(argv[++i]) : std::nullopt;
            if (!reportPage) {
                renderUsage();
                return 2;
            }
        } else if (arg == "--zoom") {
            if (i + 1 >= argc) {
                renderUsage();
                return 2;
            }
            char* end = nullptr;
            zoom = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !std::isfinite(zoom) || zoom < 0.1 || zoom > 11.0) {
                std::fprintf(stderr, "tubra-cli render: zoom must be a number from 0.1 to 11.0\n");
                return 2;
            }
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            renderUsage();
            return 2;
        }
    }
    if (!in || !out) {
        renderUsage();
        return 2;
    }
    if (!platform::qt::pageFormatFor(out)) {
        std::fprintf(stderr, "tubra-cli render: OUT must end in .png, .pdf or .svg: %s\n", out);
        return 2;
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    const std::string error = renderSheet(*doc, out, zoom, reportPage);
    if (!error.empty()) {
        std::fprintf(stderr, "tubra-cli render: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

}  // namespace tubra::cli
