#include "tubra/cli/PrintCommand.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>

#include "platform/AtomicFile.h"
#include "platform/qt/PageCanvas.h"
#include "platform/qt/PdfText.h"
#include "platform/qt/PrintCanvas.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/GuiApplication.h"
#include "tubra/view/PrintJob.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/view/ReportPages.h"

namespace tubra::cli {

std::optional<int> reportPageArgument(std::string_view argument) {
    if (argument == "full") return report::kAllFullPages;
    if (argument == "online") return report::kAllOnlinePages;
    int n = 0;
    const auto [end, ec] = std::from_chars(argument.data(), argument.data() + argument.size(), n);
    if (ec != std::errc() || end != argument.data() + argument.size()) return std::nullopt;
    if (!report::isReportPageIndex(n)) return std::nullopt;
    return n;
}

std::string reportValueProblem(std::string_view argument) {
    return "--report 的值应为 full、online，或报告页号 0 到 17、22 到 26、28：" + std::string(argument);
}

int runPrint(int argc, char** argv) {
    constexpr std::string_view usage = "print FILE [--report full|online|N] -o OUT.pdf";
    const char* in = nullptr;
    const char* out = nullptr;
    std::optional<int> page;
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-o" || arg == "--report") {
            if (i + 1 >= argc) {
                usageError(std::string(arg) + " 需要一个值", usage);
                return 2;
            }
            if (arg == "-o") {
                out = argv[++i];
                continue;
            }
            page = reportPageArgument(argv[++i]);
            if (!page) {
                usageError(reportValueProblem(argv[i]), usage);
                return 2;
            }
        } else if (arg.size() > 1 && arg.front() == '-') {
            usageError("未知的选项 " + std::string(arg), usage);
            return 2;
        } else if (!in) {
            in = argv[i];
        } else {
            // "print a.hcd out.pdf": the output is named with -o.
            usageError(out ? "多余的参数: " + std::string(arg)
                           : "输出文件要用 -o 指定，例如 tubra-cli print " + std::string(in) + " -o " + std::string(arg),
                       usage);
            return 2;
        }
    }
    if (!in || !out) {
        usageError(in ? "缺少 -o OUT.pdf（输出的 PDF 文件）" : "缺少参数", usage);
        return 2;
    }
    // What is written is a PDF: it takes a name that says so, as render's outputs do.
    if (platform::qt::pageFormatFor(out) != platform::qt::PageFormat::Pdf) {
        std::fprintf(stderr, "tubra-cli print: 输出文件应以 .pdf 结尾：%s\n", out);
        return 2;
    }
    if (const std::string refused = refusedOutput(out, {in}); !refused.empty()) {
        std::fprintf(stderr, "tubra-cli print: %s\n", refused.c_str());
        return 2;
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    const auto app = guiApplication();

    view::ViewState view = view::viewForPrinting(*doc);
    if (page) view.reportDisplay = {1, *page};
    if (view::showsReport(view) && view::countReportPrintPages(*doc, view.reportDisplay[1]) == 0) {
        std::fprintf(stderr, "tubra-cli: %s 没有要显示的报告页（该报告中没有一页被选为显示）\n", in);
        return 1;
    }
    // The PDF is made in memory and then replaces OUT at once.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("tubra-cli"));
    writer.setTitle(QString::fromStdString(doc->title()));
    const view::Paper paper = view::paperFor(*doc, view);
    platform::qt::setPaper(writer, paper.a3, paper.landscape);
    int printed = 0;
    bool finished = false;
    {
        platform::qt::PrintCanvas pages(writer);
        if (pages.ok()) {
            printed = view::printDocument(*doc, view, pages, view::printPagesOf(*doc, view));
            finished = pages.finish();
        }
    }
    if (printed == 0 || !finished) {
        std::fprintf(stderr, "tubra-cli: 无法打印 %s\n", in);
        return 1;
    }
    std::string pdf(buffer.data().constData(), static_cast<std::size_t>(buffer.data().size()));
    platform::qt::finishPdf(pdf);
    if (const auto ec = platform::writeFileAtomically(out, pdf).error()) {
        std::fprintf(stderr, "tubra-cli: %s\n", platform::describe(ec).c_str());
        return 1;
    }
    std::printf("%s: %d 页\n", out, printed);
    // Nothing is cut silently: a text printed cut short is named.
    for (const std::string& field : view::printCutFields(*doc, view))
        std::fprintf(stderr, "tubra-cli: %s: %s 的内容太长，打印时以“…”截断\n", in, field.c_str());
    return 0;
}

}  // namespace tubra::cli
