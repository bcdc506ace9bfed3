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

// Images are drawn at 300 dpi, unless that would make more pixels than an image may have, or
// a side longer than common viewers open; large zooms and tall stacks of report pages then get
// fewer pixels per millimetre (the image says which).
constexpr double kImagePixelsPerUnit = 300.0 / 254.0;

// The pixels of a side of `units` at `ppu`, as the picture is made: whole pixels, rounded up.
double sidePixels(int units, double ppu) { return std::max(1.0, std::ceil(units * ppu)); }

bool withinCaps(platform::Size sheet, double ppu) {
    const double w = sidePixels(sheet.cx, ppu), h = sidePixels(sheet.cy, ppu);
    return w * h <= kMaxImagePixels && std::max(w, h) <= kLongestImageSide;
}

}  // namespace

double imagePixelsPerUnit(platform::Size sheet) {
    const double cx = std::max(1, sheet.cx), cy = std::max(1, sheet.cy);
    double ppu = kImagePixelsPerUnit;
    ppu = std::min(ppu, std::sqrt(kMaxImagePixels / (cx * cy)));
    ppu = std::min(ppu, kLongestImageSide / std::max(cx, cy));
    if (withinCaps(sheet, ppu)) return ppu;
    // Whole pixels round each side up: take the sides down to whole pixels within the caps.
    ppu = std::min(std::floor(cx * ppu) / cx, std::floor(cy * ppu) / cy);
    while (ppu > 0.0 && !withinCaps(sheet, ppu)) ppu = std::nextafter(ppu, 0.0) * (1.0 - 1e-12);
    return ppu;
}

namespace {

void renderUsage(std::string_view problem) {
    usageError(problem, "render IN OUT [--zoom Z] [--report full|online|N]   (OUT: .png、.pdf 或 .svg)");
}


}  // namespace

std::string renderSheet(tubra::model::Document& doc, const std::filesystem::path& out,
                        double zoom, std::optional<int> reportPage) {
    const auto format = platform::qt::pageFormatFor(out);
    if (!format) return "不认识的输出格式（应为 .png、.pdf 或 .svg）：" + out.string();
    auto app = guiApplication();

    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    view::applyOpenedDocument(view, doc);
    // What the file was showing: its sheet at the zoom asked for, or its report page (report
    // pages have their own size and no zoom).
    if (reportPage) view.reportDisplay = {1, *reportPage};
    view.frameSwitch = 1;
    view.ZoomPara = zoom;
    doc.drawing.zoomLoaded = 0;
    doc.newDrawingFlag = 0;

    // The sheet at the zoom, as far as the view scrolls: the page extent times the zoom; or the
    // report page (or stack of pages) the view shows.
    const platform::Size page = view::pageExtent(doc.drawing.PageSize);
    const platform::Size sheet =
        view::showsReport(view)
            ? view::reportExtent(doc, view.reportDisplay[1])
            : platform::Size{std::max(1, static_cast<int>(page.cx * zoom)),
                             std::max(1, static_cast<int>(page.cy * zoom))};
    const double pixelsPerUnit = imagePixelsPerUnit(sheet);
    auto target = platform::qt::PageCanvas::create(*format, sheet, pixelsPerUnit,
                                                   doc.settings().BeiJingColor);
    platform::Canvas& canvas = target->canvas();
    view::OnEraseBkgnd(doc.settings(), canvas);
    view::OnDraw(doc, view, canvas);
    if (const auto written = target->finish(out); written.failed())
        return out.string() + ": " + platform::describe(written.error());
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
            if (i + 1 >= argc) {
                renderUsage("--report 需要一个值");
                return 2;
            }
            reportPage = reportPageArgument(argv[++i]);
            if (!reportPage) {
                renderUsage(reportValueProblem(argv[i]));
                return 2;
            }
        } else if (arg == "--zoom") {
            if (i + 1 >= argc) {
                renderUsage("--zoom 需要一个值");
                return 2;
            }
            char* end = nullptr;
            zoom = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !std::isfinite(zoom) || zoom < 0.1 || zoom > 11.0) {
                std::fprintf(stderr, "tubra-cli render: 放大倍数应为 0.1 到 11.0 之间的数\n");
                return 2;
            }
        } else if (!in) {
            in = argv[i];
        } else if (!out) {
            out = argv[i];
        } else {
            renderUsage("多余的参数: " + std::string(arg));
            return 2;
        }
    }
    if (!in || !out) {
        renderUsage("缺少参数");
        return 2;
    }
    if (!platform::qt::pageFormatFor(out)) {
        std::fprintf(stderr, "tubra-cli render: 输出文件应以 .png、.pdf 或 .svg 结尾：%s\n", out);
        return 2;
    }
    if (const std::string refused = refusedOutput(out, {in}); !refused.empty()) {
        std::fprintf(stderr, "tubra-cli render: %s\n", refused.c_str());
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
