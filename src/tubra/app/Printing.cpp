#include "tubra/app/Printing.h"

#include <filesystem>
#include <memory>
#include <ostream>
#include <string>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "platform/AtomicFile.h"
#include "platform/qt/PdfText.h"
#include "platform/qt/PrintCanvas.h"
#include "tubra/app/Interaction.h"
#include "tubra/view/PrintJob.h"

namespace tubra::app {

void setPaperForView(QPrinter& printer, const model::Document& doc, const view::ViewState& view) {
    const view::Paper paper = view::paperFor(doc, view);
    platform::qt::setPaper(printer, paper.a3, paper.landscape);
}

std::optional<platform::Message> cutTextsWarning(const model::Document& doc, const view::ViewState& view) {
    const std::vector<std::string> cut = view::printCutFields(doc, view);
    if (cut.empty()) return std::nullopt;
    std::string text = "以下栏目的内容太长，打印时将以“…”截断：\n";
    for (const std::string& field : cut) text += "\n    " + field;
    text += "\n\n仍然打印吗？";
    return platform::Message{text, "信息:", platform::Buttons::YesNo, platform::MessageIcon::Warning,
                             platform::Answer::No};
}

int printView(model::Document& doc, view::ViewState& view, QPrinter& printer) {
    // Report pages are the official A4 portrait forms, whatever paper the printer was left with
    // (a drawing printed or previewed before in landscape, a choice in a dialog): the paper is
    // set here, right before the pages are drawn, so a preview shows what prints.
    if (view::showsReport(view)) setPaperForView(printer, doc, view);
    int printed = 0;
    {
        platform::qt::PrintCanvas pages(printer);
        if (!pages.ok()) return 0;
        printed = view::printDocument(doc, view, pages, view::printPagesOf(doc, view));
        if (!pages.finish()) return 0;
    }
    // Printed into a PDF file: it is finished as every PDF of the program is (its text map
    // repaired, so that a search finds what was printed, and its date from the one clock).
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty()) {
        const std::filesystem::path file(printer.outputFileName().toStdU16String());
        std::string pdf;
        if (platform::readWholeFile(file, pdf).failed()) return 0;
        if (platform::qt::finishPdf(pdf) && platform::writeFileAtomically(file, pdf).failed()) return 0;
    }
    return printed;
}

int printFileDirectly(model::AppContext& app, Interaction& interaction, const std::string& path,
                      std::ostream& err) {
    std::unique_ptr<QPrinter> printer = interaction.defaultPrinter();
    if (!printer) {
        err << "tubra: 没有安装打印机，无法打印 " << path << "\n";
        return 3;
    }
    app.settings.resetViewDefaults();
    auto opened = model::Document::open(app, path);
    if (opened.failed()) {
        err << "tubra: " << opened.message() << "\n";
        return 1;
    }
    const std::unique_ptr<model::Document> doc = std::move(opened.value());
    view::ViewState view = view::viewForPrinting(*doc);
    setPaperForView(*printer, *doc, view);
    const int printed = printView(*doc, view, *printer);
    if (printed == 0) {
        err << "tubra: 打印 " << path << " 时出错\n";
        return 1;
    }
    for (const std::string& field : view::printCutFields(*doc, view))
        err << "tubra: " << path << ": " << field << " 的内容太长，打印时以“…”截断\n";
    return 0;
}

}  // namespace tubra::app
