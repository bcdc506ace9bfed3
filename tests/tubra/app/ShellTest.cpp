// The shell around the drawings: printing from the command line with a message box, the help
// window, cascading windows, the look of disabled buttons and the texts of Qt's own dialogs.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

#include "AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "tubra/app/Application.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/Help.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/ToolIcons.h"
#include "tubra/app/WindowLayout.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override { apptest::application(); }
    apptest::TempDir dir;
    model::AppContext context;
    apptest::FakeInteraction ui;
};

// How much ink an image holds: the darkness of every pixel weighted by its opacity.
double ink(const QImage& image) {
    const QImage im = image.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int y = 0; y < im.height(); ++y)
        for (int x = 0; x < im.width(); ++x) {
            const QRgb p = im.pixel(x, y);
            sum += qAlpha(p) / 255.0 * (255 - qGray(p)) / 255.0;
        }
    return sum;
}

}  // namespace

TEST_F(ShellTest, PrintFromTheCommandLineSaysWhatWentWrongInABoxAsWell) {
    const fs::path drawing = dir / "管线.hcd";
    apptest::writeDrawingFile(drawing, 30);

    // A missing file is a missing file, printer or not, and the box says so.
    for (const bool printer : {false, true}) {
        ui.asked.clear();
        if (printer) ui.pdfPrinterFile = QString::fromStdString((dir / "out.pdf").string());
        std::ostringstream err;
        const std::string missing = (dir / "missing.hcd").string();
        EXPECT_EQ(app::printFromCommandLine(context, ui, missing, err, true), 1);
        EXPECT_NE(err.str().find("missing.hcd"), std::string::npos);
        EXPECT_NE(err.str().find("文件或目录不存在"), std::string::npos) << err.str();
        EXPECT_EQ(err.str().find("打印机"), std::string::npos) << err.str();
        ASSERT_EQ(ui.asked.size(), 1u);
        EXPECT_NE(ui.asked[0].text.find("文件或目录不存在"), std::string::npos);
        EXPECT_EQ(ui.asked[0].text.find("tubra:"), std::string::npos);
        EXPECT_EQ(ui.asked[0].caption, std::string(app::kAppTitle));
    }
    ui.pdfPrinterFile.reset();

    // A directory is not a drawing either.
    {
        ui.asked.clear();
        std::ostringstream err;
        EXPECT_EQ(app::printFromCommandLine(context, ui, dir.path().string(), err, true), 1);
        EXPECT_NE(err.str().find("这是一个目录"), std::string::npos) << err.str();
    }

    // No printer: the box names the trouble; without a display only the error output does.
    ui.asked.clear();
    std::ostringstream noPrinter;
    EXPECT_EQ(app::printFromCommandLine(context, ui, drawing.string(), noPrinter, true), 3);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("没有安装打印机"), std::string::npos);
    ui.asked.clear();
    std::ostringstream quiet;
    EXPECT_EQ(app::printFromCommandLine(context, ui, drawing.string(), quiet, false), 3);
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_NE(quiet.str().find("没有安装打印机"), std::string::npos);

    // Printed: no box at all.
    ui.pdfPrinterFile = QString::fromStdString((dir / "printed.pdf").string());
    std::ostringstream fine;
    EXPECT_EQ(app::printFromCommandLine(context, ui, drawing.string(), fine, true), 0) << fine.str();
    EXPECT_TRUE(ui.asked.empty());
    EXPECT_EQ(apptest::pdfPageCount(dir / "printed.pdf"), 1);
}

TEST_F(ShellTest, HelpWindowHasContentsAndGoesBackAndForth) {
    const QString index = app::helpIndexPath();
    ASSERT_FALSE(index.isEmpty());
    const std::vector<app::HelpPage> pages = app::helpContents(index);
    ASSERT_GE(pages.size(), 6u);
    EXPECT_EQ(pages[0].file, QStringLiteral("index.html"));
    EXPECT_EQ(pages[0].title, QStringLiteral("目录"));
    const auto printing = std::find_if(pages.begin(), pages.end(),
                                       [](const app::HelpPage& p) { return p.file == "printing.html"; });
    ASSERT_NE(printing, pages.end());
    EXPECT_EQ(printing->title, QStringLiteral("打印"));
    EXPECT_TRUE(printing->sections.contains(QStringLiteral("打印预览")));

    app::HelpWindow help(index);
    help.show();
    EXPECT_TRUE(help.browser()->source().toLocalFile().endsWith(QStringLiteral("index.html")));
    EXPECT_EQ(help.contents()->topLevelItemCount(), static_cast<int>(pages.size()));
    EXPECT_FALSE(help.backAction()->isEnabled());
    // The page's own navigation bar is left out; the contents do its work.
    EXPECT_FALSE(help.browser()->toHtml().contains(QStringLiteral("href=\"opening.html\">新建与打开</a><a")));

    help.showPage(QStringLiteral("printing.html"), QStringLiteral("打印预览"));
    EXPECT_TRUE(help.browser()->source().toLocalFile().endsWith(QStringLiteral("printing.html")));
    EXPECT_TRUE(help.browser()->textCursor().block().text().contains(QStringLiteral("打印预览")));
    EXPECT_EQ(help.contents()->currentItem()->text(0), QStringLiteral("打印"));
    EXPECT_TRUE(help.backAction()->isEnabled());
    help.backAction()->trigger();
    EXPECT_TRUE(help.browser()->source().toLocalFile().endsWith(QStringLiteral("index.html")));
    EXPECT_TRUE(help.forwardAction()->isEnabled());
    help.forwardAction()->trigger();
    EXPECT_TRUE(help.browser()->source().toLocalFile().endsWith(QStringLiteral("printing.html")));
    help.homeAction()->trigger();
    EXPECT_TRUE(help.browser()->source().toLocalFile().endsWith(QStringLiteral("index.html")));

    // The help menu item shows the key that opens the help.
    app::MainWindow window(context, ui);
    EXPECT_EQ(window.action(app::cmd::Help)->text(), QStringLiteral("使用帮助\tF1"));
}

TEST_F(ShellTest, TheHelpWindowOpensWithinTheScreen) {
    // A 1600x1000 screen with a panel at the bottom; the owner sits low on it.
    const QRect screen(0, 0, 1600, 960);
    const QRect low = app::placeWithin({960, 680}, screen, QRect(500, 600, 1000, 700), 40);
    EXPECT_EQ(low.size(), QSize(960, 680));
    EXPECT_TRUE(screen.adjusted(40, 40, -40, -40).contains(low)) << low.x() << "," << low.y();
    // Centred over its owner where there is room.
    const QRect centred = app::placeWithin({960, 680}, screen, QRect(300, 100, 1000, 700), 40);
    EXPECT_EQ(centred.center(), QRect(300, 100, 1000, 700).center());
    // A small screen shrinks it; one further right starts at its own left edge.
    const QRect small = app::placeWithin({960, 680}, QRect(1600, 0, 800, 600), QRect(), 40);
    EXPECT_EQ(small, QRect(1640, 40, 720, 520));

    // The window the program opens keeps to the screen it is shown on.
    app::MainWindow window(context, ui);
    window.setGeometry(QRect(QPoint(0, 0), window.screen()->availableGeometry().size() / 2 * 3 / 2));
    window.show();
    apptest::settle();
    app::HelpWindow* help = app::showHelpWindow(&window);
    ASSERT_NE(help, nullptr);
    apptest::settle();
    EXPECT_TRUE(window.screen()->availableGeometry().contains(help->geometry()))
        << help->geometry().x() << "," << help->geometry().y() << " " << help->geometry().width() << "x"
        << help->geometry().height();
}

TEST_F(ShellTest, CascadedWindowsStayLargeEnoughToRead) {
    // The layout: as large as the work area allows, a title bar's height apart, the last one
    // in the far corner; a long run starts again at the top left.
    const auto three = app::cascadeLayout({990, 550}, 3, 26);
    ASSERT_EQ(three.size(), 3u);
    EXPECT_EQ(three[0], QRect(0, 0, 938, 498));
    EXPECT_EQ(three[2], QRect(52, 52, 938, 498));
    const auto many = app::cascadeLayout({990, 550}, 12, 26);
    for (const QRect& r : many) {
        EXPECT_GE(r.width(), 990 * 2 / 3);
        EXPECT_GE(r.height(), 550 * 2 / 3);
        EXPECT_TRUE(QRect(0, 0, 990, 550).contains(r));
    }
    EXPECT_EQ(many[8].topLeft(), QPoint(0, 0));  // 550 / 3 / 26 + 1 = 8 to a run
    EXPECT_TRUE(app::cascadeLayout({990, 550}, 0, 26).empty());

    const fs::path drawing = dir / "管线.hcd";
    apptest::writeDrawingFile(drawing, 30);
    app::MainWindow window(context, ui);
    window.resize(1100, 700);
    window.show();
    ASSERT_NE(window.openDocument(QString::fromStdString(drawing.string())), nullptr);
    window.runCommand(app::cmd::NewWindow);
    window.runCommand(app::cmd::NewWindow);
    apptest::settle();
    QMdiSubWindow* active = window.mdiArea()->activeSubWindow();
    window.runCommand(app::cmd::Cascade);
    const QSize area = window.mdiArea()->viewport()->size();
    const auto windows = window.mdiArea()->subWindowList(QMdiArea::StackingOrder);
    ASSERT_EQ(windows.size(), 3);
    for (QMdiSubWindow* w : windows) {
        EXPECT_FALSE(w->isMaximized());
        EXPECT_GE(w->width(), area.width() * 2 / 3);
        EXPECT_GE(w->height(), area.height() * 2 / 3);
        EXPECT_TRUE(QRect(QPoint(0, 0), area).contains(w->geometry()));
    }
    EXPECT_LT(windows[0]->y(), windows[1]->y());
    EXPECT_LT(windows[1]->x(), windows[2]->x());
    // The window that was active stays in front.
    EXPECT_EQ(windows.back(), active);
    EXPECT_EQ(window.mdiArea()->activeSubWindow(), active);
}

TEST_F(ShellTest, DisabledButtonsLookDisabled) {
    // Black symbols greyed by the style stay black; every icon brings a faint disabled look.
    int checked = 0;
    for (const app::Action& c : app::allActions()) {
        const QIcon icon = app::commandIcon(c);
        if (icon.isNull()) continue;
        const double normal = ink(icon.pixmap(20, QIcon::Normal).toImage());
        const double disabled = ink(icon.pixmap(20, QIcon::Disabled).toImage());
        if (normal < 1.0) continue;
        ++checked;
        EXPECT_LT(disabled, 0.5 * normal) << c.id;
        EXPECT_GT(disabled, 0.0) << c.id;
    }
    EXPECT_GT(checked, 80);
}

TEST_F(ShellTest, QtsOwnDialogsSpeakChinese) {
    app::setUpApplication();
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("查找范围："));
    EXPECT_EQ(QCoreApplication::translate("QPrintPreviewDialog", "Page Setup"), QStringLiteral("页面设置"));
    // System errors in the messages are Chinese words too.
    EXPECT_EQ(platform::describe(std::make_error_code(std::errc::no_such_file_or_directory)),
              "文件或目录不存在");
}
