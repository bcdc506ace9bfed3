#include "tubra/cli/PrintCommand.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <QBuffer>
#include <QGuiApplication>
#include <QPdfWriter>

#include "platform/AtomicFile.h"
#include "platform/qt/PrintCanvas.h"
#include "tubra/cli/Commands.h"
#include "tubra/cli/GuiApplication.h"
#include "tubra/view/PrintJob.h"

namespace tubra::cli {

int runPrint(int argc, char** argv) {
    const char* in = nullptr;
    const char* out = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "-o") == 0 && i + 1 < argc)
            out = argv[++i];
        else if (!in && argv[i][0] != '-')
            in = argv[i];
        else
            in = out = nullptr, i = argc;
    }
    if (!in || !out) {
        std::fputs("usage: tubra-cli print FILE -o OUT.pdf\n", stderr);
        return 2;
    }
    auto doc = openOrReport(in);
    if (!doc) return 1;
    const auto app = guiApplication();

    view::ViewState view = view::ViewForPrinting(*doc);
    // The PDF is made in memory and then replaces OUT at once.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("tubra-cli"));
    writer.setTitle(QString::fromStdString(doc->title()));
    const view::Paper paper = view::PaperFor(*doc, view);
    platform::qt::SetPaper(writer, paper.a3, paper.landscape);
    int printed = 0;
    bool finished = false;
    {
        platform::qt::PrintCanvas pages(writer);
        if (pages.ok()) {
            printed = view::PrintDocument(*doc, view, pages, view::PrintPagesOf(*doc, view));
            finished = pages.finish();
        }
    }
    if (printed == 0 || !finished) {
        std::fprintf(stderr, "tubra-cli: cannot print %s\n", in);
        return 1;
    }
    const QByteArray& pdf = buffer.data();
    if (const auto ec = platform::writeFileAtomically(
            out, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())))) {
        std::fprintf(stderr, "tubra-cli: %s\n", platform::describe(ec).c_str());
        return 1;
    }
    std::printf("%s: %d page%s\n", out, printed, printed == 1 ? "" : "s");
    return 0;
}

}  // namespace tubra::cli
