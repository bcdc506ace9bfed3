// Printing: "/p FILE" on the default printer without a window, the print and preview
// commands, and the command line's PDF through the same pages.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sstream>

#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>

#include "AppTestSupport.h"
#include "tubra/app/Application.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"

#ifdef TUBRA_TEST_PRINT_COMMAND
#include "tubra/cli/PrintCommand.h"
#endif

using namespace tubra;
namespace fs = std::filesystem;

namespace {

class PrintingTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::application();
        sample = dir / "管线.hcd";
        apptest::writeDrawingFile(sample, 150);
    }
    apptest::TempDir dir;
    fs::path sample;
    model::AppContext context;
    apptest::FakeInteraction ui;
};

}  // namespace

TEST_F(PrintingTest, DirectPrintProducesThePagesWithoutAWindow) {
    const fs::path pdf = dir / "printed.pdf";
    ui.pdfPrinterFile = QString::fromStdString(pdf.string());
    std::ostringstream err;
    const int windowsBefore = static_cast<int>(QApplication::topLevelWidgets().size());
    EXPECT_EQ(app::runTubra({"/p", sample.string()}, context, ui, err), 0) << err.str();
    EXPECT_EQ(static_cast<int>(QApplication::topLevelWidgets().size()), windowsBefore);
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
    EXPECT_GT(fs::file_size(pdf), 1000u);
    EXPECT_TRUE(err.str().empty());
    // Black and white printing gave the colours back.
    EXPECT_EQ(context.settings.ZhuXianColor, model::DrawingSettings{}.ZhuXianColor);
}

TEST_F(PrintingTest, DirectPrintWithoutPrinterOrFileFails) {
    std::ostringstream err;
    EXPECT_NE(app::runTubra({"/p", sample.string()}, context, ui, err), 0);
    EXPECT_NE(err.str().find("打印机"), std::string::npos);

    ui.pdfPrinterFile = QString::fromStdString((dir / "x.pdf").string());
    std::ostringstream missing;
    EXPECT_EQ(app::runTubra({"/p", (dir / "missing.hcd").string()}, context, ui, missing), 1);
    EXPECT_NE(missing.str().find("missing.hcd"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "x.pdf"));

    std::ostringstream usage;
    EXPECT_EQ(app::runTubra({"/p"}, context, ui, usage), 2);
}

TEST_F(PrintingTest, PrintAndPreviewCommandsUseTheActiveView) {
    app::MainWindow window(context, ui);
    ASSERT_NE(window.openDocument(QString::fromStdString(sample.string())), nullptr);
    window.show();
    apptest::settle();
    const fs::path pdf = dir / "command.pdf";
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(QString::fromStdString(pdf.string()));
    window.runCommand(app::cmd::Print);
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
    // The sheet is printed in landscape.
    EXPECT_EQ(window.printer().pageLayout().orientation(), QPageLayout::Landscape);
    EXPECT_TRUE(ui.asked.empty());

    fs::remove(pdf);
    ui.printAccepted = false;
    window.runCommand(app::cmd::Print);
    EXPECT_FALSE(fs::exists(pdf));

    window.runCommand(app::cmd::PrintPreview);
    EXPECT_EQ(ui.previewPaints, 1);
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
}

#ifdef TUBRA_TEST_PRINT_COMMAND
TEST_F(PrintingTest, CommandLinePrintWritesTheSamePagesAsPdf) {
    const fs::path pdf = dir / "cli.pdf";
    std::string in = sample.string(), flag = "-o", out = pdf.string();
    char* argv[] = {in.data(), flag.data(), out.data()};
    EXPECT_EQ(cli::runPrint(3, argv), 0);
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);

    char* bad[] = {in.data()};
    EXPECT_EQ(cli::runPrint(1, bad), 2);
    std::string missing = (dir / "missing.hcd").string();
    char* none[] = {missing.data(), flag.data(), out.data()};
    EXPECT_EQ(cli::runPrint(3, none), 1);
    // A failed print leaves the earlier PDF as it was.
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
}
#endif

TEST_F(PrintingTest, APrintThatCutsTextsShortAsksFirst) {
    // The long sample's title block holds texts too long for their cells: printing names them
    // and asks; No prints nothing, Yes prints.
    app::MainWindow window(context, ui);
    const fs::path file = fs::path(TUBRA_SOURCE_DIR) / "examples" / "report-long.hcd";
    ASSERT_NE(window.openDocument(QString::fromStdString(file.string())), nullptr);
    window.show();
    apptest::settle();
    const fs::path pdf = dir / "cut.pdf";
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(QString::fromStdString(pdf.string()));
    ui.answers = {platform::Answer::No};
    window.runCommand(app::cmd::Print);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("标题栏 审核日期"), std::string::npos) << ui.asked[0].text;
    EXPECT_EQ(ui.asked[0].buttons, platform::Buttons::YesNo);
    EXPECT_FALSE(fs::exists(pdf));
    ui.answers = {platform::Answer::Yes};
    window.runCommand(app::cmd::Print);
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
}

TEST_F(PrintingTest, DirectPrintNamesTheTextsItCutsShort) {
    const fs::path pdf = dir / "long.pdf";
    ui.pdfPrinterFile = QString::fromStdString(pdf.string());
    std::ostringstream err;
    const fs::path file = fs::path(TUBRA_SOURCE_DIR) / "examples" / "report-long.hcd";
    EXPECT_EQ(app::runTubra({"/p", file.string()}, context, ui, err), 0) << err.str();
    EXPECT_EQ(apptest::pdfPageCount(pdf), 1);
    EXPECT_NE(err.str().find("标题栏 审核日期"), std::string::npos) << err.str();
    EXPECT_TRUE(ui.asked.empty());  // no window, nobody to ask
}

namespace {

std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

}  // namespace

TEST_F(PrintingTest, AReportPagePrintsOnA4PortraitWhateverWasPrintedBefore) {
    // The sample shows form (1); the drawing is previewed in landscape first, and the print
    // dialog comes back with the paper of that last print. Form (1) still prints whole on A4
    // portrait, and its preview shows that paper.
    std::string data;
    {
        std::ifstream in(fs::path(TUBRA_SOURCE_DIR) / "examples" / "report.hcd", std::ios::binary);
        data.assign(std::istreambuf_iterator<char>(in), {});
    }
    const std::string shown = "IsShowReport  1 22";
    ASSERT_NE(data.find(shown), std::string::npos);
    data.replace(data.find(shown), shown.size(), "IsShowReport  1 2");
    const fs::path file = dir / "report-page1.hcd";
    std::ofstream(file, std::ios::binary) << data;

    app::MainWindow window(context, ui);
    app::DrawingView* view = window.openDocument(QString::fromStdString(file.string()));
    ASSERT_NE(view, nullptr);
    window.show();
    apptest::settle();
    ASSERT_EQ(view->state().reportDisplay[1], 2);
    window.runCommand(app::cmd::ShowReport);  // to the drawing
    apptest::settle();
    ASSERT_EQ(view->state().reportDisplay[0], 0);
    // The printer prints to a file (there is no printer here), set before its first use.
    const fs::path pdf = dir / "form1.pdf";
    window.printer().setOutputFormat(QPrinter::PdfFormat);
    window.printer().setOutputFileName(QString::fromStdString(pdf.string()));
    window.runCommand(app::cmd::PrintPreview);
    EXPECT_EQ(window.printer().pageLayout().orientation(), QPageLayout::Landscape);
    window.runCommand(app::cmd::ShowReport);  // back to form (1)
    apptest::settle();
    ASSERT_EQ(view->state().reportDisplay[0], 1);

    window.runCommand(app::cmd::PrintPreview);
    const QPageLayout previewed = window.printer().pageLayout();
    EXPECT_EQ(previewed.orientation(), QPageLayout::Portrait);
    EXPECT_EQ(previewed.pageSize().id(), QPageSize::A4);

    ui.printDialogChoice = [](QPrinter& p) {
        p.setPageSize(QPageSize(QPageSize::A4));
        p.setPageOrientation(QPageLayout::Landscape);
    };
    ui.answers = {platform::Answer::Yes};  // should a text print cut short, print all the same
    window.runCommand(app::cmd::Print);
    ASSERT_EQ(apptest::pdfPageCount(pdf), 1);
    const std::string info = commandOutput("pdfinfo '" + pdf.string() + "' 2>/dev/null");
    EXPECT_NE(info.find("595 x 842"), std::string::npos) << info;
}
