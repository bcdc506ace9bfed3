// The drawing view applies what the view transform computes: scroll sizes and positions in
// device pixels of the 0.1 mm mapping, the whole view repainted on every change.

#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScrollBar>
#include <QWheelEvent>

#include "AppTestSupport.h"
#include "tubra/app/Commands.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/Rendering.h"

using namespace tubra;
using app::DrawingView;
using app::MainWindow;
namespace fs = std::filesystem;

namespace {

class DrawingViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::application();
        path = dir / "view.hcd";
        apptest::writeDrawingFile(path, 120);
        window = std::make_unique<MainWindow>(context, ui);
        window->resize(900, 650);
        view = window->openDocument(QString::fromStdString(path.string()));
        ASSERT_NE(view, nullptr);
        window->show();
        apptest::settle();
    }

    // Where the view should be after `change`: device pixels, clamped to the scroll range.
    QPoint expectedScroll(const view::ScrollChange& change) const {
        const double ppu = view->pixelsPerUnit();
        const QSize client = view->viewport()->size();
        const int totalW = static_cast<int>(std::lround(change.extent.cx * ppu));
        const int totalH = static_cast<int>(std::lround(change.extent.cy * ppu));
        const int x = static_cast<int>(std::lround(change.position.x * ppu));
        const int y = static_cast<int>(std::lround(-change.position.y * ppu));
        return {std::clamp(x, 0, std::max(0, totalW - client.width())),
                std::clamp(y, 0, std::max(0, totalH - client.height()))};
    }

    apptest::TempDir dir;
    fs::path path;
    model::AppContext context;
    apptest::FakeInteraction ui;
    std::unique_ptr<MainWindow> window;
    DrawingView* view = nullptr;
};

}  // namespace

TEST_F(DrawingViewTest, InitialUpdateShowsTheSheetFromOneSixthIn) {
    EXPECT_NEAR(view->pixelsPerUnit(), view->logicalDpiX() / 254.0, 1e-12);
    EXPECT_EQ(view->scrollSizes(), (platform::Size{2900, 2050}));
    const double ppu = view->pixelsPerUnit();
    EXPECT_EQ(view->horizontalScrollBar()->maximum(),
              std::max(0, static_cast<int>(std::lround(2900 * ppu)) - view->viewport()->width()));
    // The first paint took the file's data over.
    EXPECT_FALSE(context.justOpened);
    EXPECT_EQ(view->state().title, view->document().drawing.title);
}

TEST_F(DrawingViewTest, ZoomInOutAndFitApplyTheComputedZoomAndScroll) {
    const QSize client = view->viewport()->size();
    const platform::Rect clientRect{0, 0, client.width(), client.height()};

    for (int step = 0; step < 3; ++step) {
        view::ViewState expected = view->state();
        model::Drawing& drawing = view->document().drawing;
        const view::ScrollChange change = view::ZoomIn(expected, drawing, clientRect);
        const int paints = view->finishedPaints();
        window->runCommand(app::cmd::ZoomIn);
        EXPECT_DOUBLE_EQ(view->state().ZoomPara, expected.ZoomPara);
        EXPECT_EQ(view->scrollSizes(), change.extent);
        EXPECT_EQ(view->scrollPositionDevice(), expectedScroll(change));
        apptest::settle();
        EXPECT_GT(view->finishedPaints(), paints);
    }
    EXPECT_NEAR(view->state().ZoomPara, 1.15, 1e-9);
    EXPECT_NEAR(view->document().drawing.ZoomPara, 1.15, 1e-9);

    {
        view::ViewState expected = view->state();
        const view::ScrollChange change = view::ZoomOut(expected, view->document().drawing, clientRect);
        window->runCommand(app::cmd::ZoomOut);
        EXPECT_DOUBLE_EQ(view->state().ZoomPara, expected.ZoomPara);
        EXPECT_EQ(view->scrollPositionDevice(), expectedScroll(change));
    }
    {
        view::ViewState expected = view->state();
        const view::ScrollChange change = view::FitToWindow(
            expected, view->document().drawing, {client.width(), client.height()}, view->pixelsPerUnit());
        window->runCommand(app::cmd::Fit);
        EXPECT_DOUBLE_EQ(view->state().ZoomPara, expected.ZoomPara);
        EXPECT_EQ(view->scrollSizes(), change.extent);
        EXPECT_EQ(view->scrollPositionDevice(), QPoint(0, 0));
    }
    // Zooming never leaves the limits.
    for (int i = 0; i < 300; ++i) view->zoomOut();
    EXPECT_DOUBLE_EQ(view->state().ZoomPara, 0.1);
    EXPECT_FALSE(view->document().isModified());
}

TEST_F(DrawingViewTest, EveryScrollAndWheelRepaintsTheWholeView) {
    window->runCommand(app::cmd::ZoomIn);
    apptest::settle();
    QScrollBar* v = view->verticalScrollBar();
    ASSERT_GT(v->maximum(), 0);
    int paints = view->finishedPaints();
    v->setValue(v->value() == 0 ? 5 : 0);
    apptest::settle();
    EXPECT_GT(view->finishedPaints(), paints);

    paints = view->finishedPaints();
    QWheelEvent wheel(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view->viewport(), &wheel);
    apptest::settle();
    EXPECT_GT(view->finishedPaints(), paints);

    // The erase fills the window with the background colour.
    context.settings.BeiJingColor = 0x203040;  // red 0x40, green 0x30, blue 0x20
    view->refresh();
    apptest::settle();
    const QImage shot = view->viewport()->grab().toImage();
    EXPECT_EQ(shot.pixelColor(shot.width() - 3, shot.height() - 3), QColor(0x40, 0x30, 0x20));
}

TEST_F(DrawingViewTest, FrameSwitchAndPageSetupReachEveryViewOfTheDocument) {
    window->runCommand(app::cmd::FrameSwitch);
    EXPECT_EQ(view->state().frameSwitch, 0);
    EXPECT_FALSE(window->action(app::cmd::FrameSwitch)->isChecked());
    window->runCommand(app::cmd::FrameSwitch);
    EXPECT_EQ(view->state().frameSwitch, 1);

    DrawingView* second = window->newWindow();
    apptest::settle();
    ui.pageSetup = [](app::PageSetupForm& form) {
        form.pageSize = 1;
        form.setLabel(0, "E");
        return true;
    };
    window->mdiArea()->setActiveSubWindow(window->mdiArea()->subWindowList()[0]);
    ASSERT_EQ(window->activeView(), view);
    const int otherPaints = second->finishedPaints();
    window->runCommand(app::cmd::PageSetup);
    EXPECT_EQ(view->document().drawing.PageSize, 1);
    EXPECT_TRUE(view->document().isModified());
    EXPECT_EQ(view->state().pageExtent, (platform::Size{4100, 2900}));
    EXPECT_EQ(view->scrollSizes(), (platform::Size{4100, 2900}));
    EXPECT_EQ(view->document().drawing.AxisSet.labels[2], "E");
    // The other window of the drawing follows and repaints.
    EXPECT_EQ(second->state().pageExtent, (platform::Size{4100, 2900}));
    EXPECT_EQ(second->state().axis.labels[2], "E");
    window->mdiArea()->setActiveSubWindow(window->mdiArea()->subWindowList()[1]);
    apptest::settle();
    EXPECT_GT(second->finishedPaints(), otherPaints);

    // Cancelled: nothing changes.
    ui.pageSetup = [](app::PageSetupForm& form) {
        form.pageSize = 0;
        return false;
    };
    window->runCommand(app::cmd::PageSetup);
    EXPECT_EQ(view->document().drawing.PageSize, 1);
}

TEST_F(DrawingViewTest, AFilesZoomArrivesWithTheFirstPaintAndSizesTheSheet) {
    model::AppContext other;
    std::string error;
    auto doc = model::Document::open(other, path, &error);
    ASSERT_TRUE(doc);
    doc->drawing.ZoomPara = 2.0;
    const fs::path zoomed = dir / "zoomed.hcd";
    ASSERT_TRUE(doc->saveAs(zoomed));

    DrawingView* v = window->openDocument(QString::fromStdString(zoomed.string()));
    ASSERT_NE(v, nullptr);
    apptest::settle();
    EXPECT_DOUBLE_EQ(v->state().ZoomPara, 2.0);
    EXPECT_EQ(v->scrollSizes(), (platform::Size{5800, 4100}));
}

TEST(Rendering, PicturesOfDrawingsAndSymbols) {
    apptest::application();
    model::AppContext context;
    model::Document doc(context);
    apptest::TempDir dir;
    apptest::writeDrawingFile(dir / "p.hcd", 80);
    auto opened = model::Document::open(context, dir / "p.hcd");
    ASSERT_TRUE(opened);
    const QImage picture = app::RenderFitted(*opened, QSize(240, 160));
    ASSERT_EQ(picture.size(), QSize(240, 160));
    int inked = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) != QColor(Qt::white)) ++inked;
    EXPECT_GT(inked, 200);
    // Not a symbol: no picture.
    EXPECT_TRUE(app::RenderSymbolIcon(2, 20).isNull());
}
