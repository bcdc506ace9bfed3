// The drawing view applies what the view transform computes: scroll sizes and positions in
// device pixels of the 0.1 mm mapping, the whole view repainted on every change.

#include <gtest/gtest.h>

#include <cmath>

#include <QImage>
#include <QPainter>
#include <QAction>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMouseEvent>
#include <QTest>
#include <QToolBar>
#include <QTimer>
#include <QScrollBar>
#include <QWheelEvent>

#include "AppTestSupport.h"
#include "platform/RecordingCanvas.h"
#include "platform/qt/QtCanvas.h"
#include "support/GeneratedDrawing.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/ToolDialogs.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/Rendering.h"
#include "tubra/view/Paint.h"

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
        const int left = static_cast<int>(std::lround(change.origin.x * ppu));
        const int top = static_cast<int>(std::lround(-change.origin.y * ppu));
        return {std::clamp(x, left, left + std::max(0, totalW - client.width())),
                std::clamp(y, top, top + std::max(0, totalH - client.height()))};
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
        const view::ScrollChange change = view::zoomIn(expected, drawing, clientRect);
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
        const view::ScrollChange change = view::zoomOut(expected, view->document().drawing, clientRect);
        window->runCommand(app::cmd::ZoomOut);
        EXPECT_DOUBLE_EQ(view->state().ZoomPara, expected.ZoomPara);
        EXPECT_EQ(view->scrollPositionDevice(), expectedScroll(change));
    }
    {
        view::ViewState expected = view->state();
        const view::ScrollChange change = view::fitToWindow(
            expected, view->document().drawing, {client.width(), client.height()}, view->pixelsPerUnit());
        window->runCommand(app::cmd::Fit);
        EXPECT_DOUBLE_EQ(view->state().ZoomPara, expected.ZoomPara);
        EXPECT_EQ(view->scrollSizes(), change.extent);
        EXPECT_EQ(view->scrollPositionDevice(), expectedScroll(change));
    }
    // Zooming never leaves the limits.
    for (int i = 0; i < 300; ++i) window->runCommand(app::cmd::ZoomOut);
    EXPECT_DOUBLE_EQ(view->state().ZoomPara, 0.1);
    EXPECT_FALSE(view->document().isModified());
}

// After 满屏 the whole pipeline lies in the window, centred, filling most of it, and the
// scroll bars and the pan tool still move the view.
TEST_F(DrawingViewTest, FitShowsTheWholePipelineCentredAndTheViewStillScrolls) {
    const fs::path a3 = dir / "a3.hcd";
    apptest::writeDrawingFile(a3, 51, 1);
    const fs::path sample = fs::path(TUBRA_SOURCE_DIR) / "examples" / "pipeline.hcd";
    for (const fs::path& file : {path, a3, sample}) {
        SCOPED_TRACE(file.string());
        DrawingView* v = file == path ? view : window->openDocument(QString::fromStdString(file.string()));
        ASSERT_NE(v, nullptr);
        apptest::settle();
        ASSERT_EQ(window->activeView(), v);
        // Start from somewhere else: zoomed in and scrolled.
        for (int i = 0; i < 10; ++i) window->runCommand(app::cmd::ZoomIn);
        v->horizontalScrollBar()->setValue(v->horizontalScrollBar()->maximum());
        window->runCommand(app::cmd::Fit);
        apptest::settle();
        // These pipelines lie on the sheet.
        ASSERT_GT(view::pipelineBounds(v->document().drawing.objects)->left, 0);
        ASSERT_LT(view::pipelineBounds(v->document().drawing.objects)->top, 0);

        const auto box = view::drawnBounds(v->document().drawing.objects);
        ASSERT_TRUE(box);
        const double z = v->state().ZoomPara, ppu = v->pixelsPerUnit();
        const QPoint scroll = v->scrollPositionDevice();
        const double left = box->left * z * ppu - scroll.x(), right = box->right * z * ppu - scroll.x();
        const double top = -box->top * z * ppu - scroll.y(), bottom = -box->bottom * z * ppu - scroll.y();
        const QSize client = v->viewport()->size();
        EXPECT_GE(left, 0);
        EXPECT_LE(right, client.width());
        EXPECT_GE(top, 0);
        EXPECT_LE(bottom, client.height());
        // It fills most of the window in the direction that limits it, and stands in the middle,
        // unless the sheet's edge is in the way.
        EXPECT_GT(std::max((right - left) / client.width(), (bottom - top) / client.height()), 0.8);
        if (scroll.x() > 0) {
            EXPECT_NEAR((left + right) / 2, client.width() / 2.0, 2.0);
        }
        if (scroll.y() > 0) {
            EXPECT_NEAR((top + bottom) / 2, client.height() / 2.0, 2.0);
        }

        // The scroll bars and the pan tool move the view over the sheet.
        QScrollBar* h = v->horizontalScrollBar();
        QScrollBar* vb = v->verticalScrollBar();
        if (file == sample) {
            EXPECT_GT(scroll.x(), 0);
            EXPECT_GT(scroll.y(), 0);
        }
        if (h->maximum() == 0 && vb->maximum() == 0) continue;  // the whole sheet is in sight
        window->runCommand(app::cmd::Pan);
        const QPoint before = v->scrollPositionDevice();
        const QPointF from(client.width() / 2.0, client.height() / 2.0);
        const QPointF to = from + QPointF(h->value() > 0 ? 60 : -60, vb->value() > 0 ? 40 : -40);
        const auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons bs) {
            QMouseEvent e(type, p, v->viewport()->mapToGlobal(p), b, bs, Qt::NoModifier);
            QCoreApplication::sendEvent(v->viewport(), &e);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        EXPECT_NE(v->scrollPositionDevice(), before);
        window->runCommand(app::cmd::Pan);
    }
}

// 满屏 on a drawing that reaches beyond the sheet's top and left edges: everything is fitted
// and in sight, and the scroll bars reach it (negative coordinates included).
TEST_F(DrawingViewTest, FitReachesWhatLiesAboveAndLeftOfTheSheet) {
    model::Document built(context);
    const auto pipe = [&](model::Vec3 a, model::Vec3 b, double dir) {
        built.drawing.addObject({model::kindValue(model::ObjectKind::Pipe), 0, dir, a, b, 800.0, -1.0}).DistTxt = "800";
    };
    pipe({-300, -600, 0}, {-300, 200, 800}, 0);  // an up pipe crossing the sheet's top edge
    pipe({-300, -600, 0}, {500, -600, 0}, 2);
    const fs::path file = dir / "beyond.hcd";
    ASSERT_TRUE(built.saveAs(file).ok());
    DrawingView* v = window->openDocument(QString::fromStdString(file.string()));
    ASSERT_NE(v, nullptr);
    apptest::settle();
    window->runCommand(app::cmd::Fit);
    apptest::settle();
    const double z = v->state().ZoomPara, ppu = v->pixelsPerUnit();
    const QPoint scroll = v->scrollPositionDevice();
    const QSize client = v->viewport()->size();
    // The pipe's top (y = 200) and its left (x = -300) on the screen, inside the window.
    const double top = -200 * z * ppu - scroll.y(), bottom = 600 * z * ppu - scroll.y();
    const double left = -300 * z * ppu - scroll.x(), right = 500 * z * ppu - scroll.x();
    EXPECT_GE(top, 0);
    EXPECT_LE(bottom, client.height());
    EXPECT_GE(left, 0);
    EXPECT_LE(right, client.width());
    EXPECT_NEAR((top + bottom) / 2, client.height() / 2.0, 2.0);
    EXPECT_LT(scroll.y(), 0);
    EXPECT_LT(scroll.x(), 0);
    // The scroll bars go up and left that far, and down and right over the whole sheet.
    EXPECT_LE(v->verticalScrollBar()->minimum(), scroll.y());
    EXPECT_LE(v->horizontalScrollBar()->minimum(), scroll.x());
    EXPECT_GE(v->verticalScrollBar()->maximum() + client.height(), std::lround(2050 * z * ppu) - 1);
    EXPECT_GE(v->horizontalScrollBar()->maximum() + client.width(), std::lround(2900 * z * ppu) - 1);
    // A zoom step brings the sheet's own scroll area back.
    window->runCommand(app::cmd::ZoomIn);
    EXPECT_EQ(v->verticalScrollBar()->minimum(), 0);
    EXPECT_EQ(v->horizontalScrollBar()->minimum(), 0);
}

// The segment dialog after every new segment leaves the segment's end in sight, comes back
// where the user moved it, and Enter confirms it.
TEST_F(DrawingViewTest, TheSegmentDialogLeavesTheNewEndInSightAndEnterConfirmsIt) {
    DrawingView* v = window->newDocument();
    ASSERT_NE(v, nullptr);
    apptest::settle();
    window->runCommand(2709);  // 主线管段
    const QSize client = v->viewport()->size();
    const auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(type, p, v->viewport()->mapToGlobal(p), b, bs, Qt::NoModifier);
        QCoreApplication::sendEvent(v->viewport(), &e);
    };
    const auto click = [&](QPointF p) {
        send(QEvent::MouseMove, p, Qt::NoButton, Qt::NoButton);
        send(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    };
    std::vector<QRect> shown;
    std::optional<QPoint> moveTo;
    v->qtForms().onShow = [&](QDialog& dialog, platform::Form& form) {
        ASSERT_EQ(form.caption(), "对象属性——管段");
        QTimer::singleShot(0, &dialog, [&] {
            shown.push_back(dialog.frameGeometry());
            if (moveTo) dialog.move(*moveTo);
            QWidget* focus = dialog.focusWidget() ? dialog.focusWidget() : &dialog;
            EXPECT_EQ(focus->objectName(), "Distanc");
            QTest::keyClick(focus, Qt::Key_Return);
        });
    };
    const auto endOnScreen = [&] {
        const model::PipeObject* s = v->document().drawing.objects.lastOfKind(model::ObjectKind::Pipe);
        const edit::DevicePoint d = v->controller().toDevice(s->Port2.x, s->Port2.y);
        return v->viewport()->mapToGlobal(QPoint(static_cast<int>(d.x), static_cast<int>(d.y)));
    };

    // A segment in the middle of the window, where the dialog would open by itself.
    click({client.width() * 0.35, client.height() * 0.5});
    click({client.width() * 0.6, client.height() * 0.5});
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(v->document().drawing.objects.size(), 1u) << "Enter confirmed the dialog";
    EXPECT_FALSE(shown[0].contains(endOnScreen()));

    // Moved by the user somewhere clear of the next segment, it comes back there.
    moveTo = shown[0].topLeft() + QPoint(0, 10);
    click({client.width() * 0.3, client.height() * 0.2});
    click({client.width() * 0.3, client.height() * 0.1});
    ASSERT_EQ(shown.size(), 2u);
    click({client.width() * 0.7, client.height() * 0.85});
    click({client.width() * 0.8, client.height() * 0.85});
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_FALSE(shown[2].contains(endOnScreen()));
    if (!QRect(*moveTo, shown[1].size()).contains(endOnScreen())) {
        EXPECT_EQ(shown[2].topLeft(), *moveTo);
    }
    EXPECT_EQ(v->document().drawing.objects.size(), 3u);
}

TEST(SegmentDialogPlace, KeepsThePointClearAndPrefersWhereTheUserHadIt) {
    const QRect screen(0, 0, 1280, 800);
    const QSize dialog(1004, 302);
    const QRect end(600, 360, 96, 96);  // the segment's end with room around it
    // Where Qt would put it (the middle) covers the end: it goes below the end, or above.
    const QPoint middle(138, 249);
    const QPoint placed = app::placeClearOf(dialog, screen, end, std::nullopt, middle);
    EXPECT_FALSE(QRect(placed, dialog).intersects(end));
    EXPECT_TRUE(screen.contains(QRect(placed, dialog)));
    // Where the user had it, if that is clear.
    EXPECT_EQ(app::placeClearOf(dialog, screen, end, QPoint(200, 20), middle), QPoint(200, 20));
    EXPECT_NE(app::placeClearOf(dialog, screen, end, QPoint(100, 300), middle), QPoint(100, 300));
    // Nowhere clear (a screen too small): on the screen, where it covers least.
    const QRect small(0, 0, 1010, 400);
    const QRect tall(400, 40, 96, 300);
    const QPoint least = app::placeClearOf(dialog, small, tall, std::nullopt, {3, 49});
    EXPECT_TRUE(small.contains(QRect(least, dialog)));
    EXPECT_EQ(least.y(), 400 - 302);
}

// A zoom that brings the scroll bars (or takes them away) changes the viewport's size: the view
// is painted once, at its new size, not first at the old one and then again.
TEST_F(DrawingViewTest, AZoomThatBringsOrTakesTheScrollBarsPaintsOnceAtTheNewSize) {
    window->resize(1400, 1100);
    apptest::settle();
    const auto button = [&](int id) -> QWidget* {
        for (QToolBar* bar : window->findChildren<QToolBar*>())
            if (QWidget* w = bar->widgetForAction(window->action(id)); w && w->isVisible()) return w;
        return nullptr;
    };
    ASSERT_TRUE(button(app::cmd::ZoomIn) && button(app::cmd::ZoomOut));
    const auto bars = [&] { return view->horizontalScrollBar()->isVisible() || view->verticalScrollBar()->isVisible(); };
    for (int i = 0; i < 40 && bars(); ++i) {
        window->runCommand(app::cmd::ZoomOut);
        apptest::settle();
    }
    ASSERT_FALSE(bars()) << "the sheet should fit the window";
    // Zoom in until the bars come, then out until they go.
    int changes = 0;
    for (const int command : {app::cmd::ZoomIn, app::cmd::ZoomOut}) {
        for (int step = 0; step < 60; ++step) {
            const bool before = bars();
            const int paints = view->finishedPaints();
            // Clicked as a user clicks: the button repaints itself (and what else waits) at once.
            QTest::mouseClick(button(command), Qt::LeftButton);
            apptest::settle();
            EXPECT_EQ(view->finishedPaints(), paints + 1) << "command " << command << ", step " << step;
            if (bars() != before) {
                ++changes;
                break;
            }
        }
    }
    EXPECT_EQ(changes, 2);
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
    window->mdiArea()->setActiveSubWindow(window->mdiArea()->subWindowList()[0]);
    ASSERT_EQ(window->activeView(), view);
    const int otherPaints = second->finishedPaints();
    // The dialog the user gets: A3 chosen, the east-west label typed.
    apptest::whenDialogShows([](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "页面设置");
        apptest::child<QComboBox>(d, "pageSize")->setCurrentIndex(1);
        apptest::child<QLineEdit>(d, "labelX")->setText("E");
        apptest::click(d, "ok");
    });
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
    apptest::whenDialogShows([](QDialog& d) {
        apptest::child<QComboBox>(d, "pageSize")->setCurrentIndex(0);
        apptest::click(d, "cancel");
    });
    window->runCommand(app::cmd::PageSetup);
    EXPECT_EQ(view->document().drawing.PageSize, 1);
}

TEST_F(DrawingViewTest, AFilesZoomArrivesWithTheFirstPaintAndSizesTheSheet) {
    model::AppContext other;
    std::string error;
    auto docRead = model::Document::open(other, path);
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    doc->drawing.ZoomPara = 2.0;
    const fs::path zoomed = dir / "zoomed.hcd";
    ASSERT_TRUE(doc->saveAs(zoomed).ok());

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
    auto openedRead = model::Document::open(context, dir / "p.hcd");
    ASSERT_TRUE(openedRead.ok()) << openedRead.message();
    auto opened = std::move(openedRead.value());
    const QImage picture = app::renderFitted(*opened, QSize(240, 160));
    ASSERT_EQ(picture.size(), QSize(240, 160));
    int inked = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            if (picture.pixelColor(x, y) != QColor(Qt::white)) ++inked;
    EXPECT_GT(inked, 200);
    // Not a symbol: no picture.
    EXPECT_TRUE(app::renderSymbolIcon(2, 20).isNull());
}

namespace {

// The window's paint (which leaves out what it cannot show) against a paint of everything,
// into pictures of the same size; and how many calls a recording of each makes.
struct ViewPaints {
    QImage window, everything;
    std::size_t windowCalls = 0, everythingCalls = 0;
};

ViewPaints paintBothWays(model::Document& doc, view::ViewState& view, QSize device, QPoint scroll, double ppu) {
    ViewPaints out;
    const auto picture = [&](bool skips) {
        QImage image(device, QImage::Format_ARGB32_Premultiplied);
        QPainter painter(&image);
        if (skips) {
            app::paintView(doc, view, painter, device, scroll, ppu, nullptr);
            return image;
        }
        painter.fillRect(QRect(QPoint(0, 0), device), platform::qt::toQColor(doc.settings().BeiJingColor));
        platform::qt::QtCanvas::Options options;
        options.pixelsPerUnit = ppu;
        options.deviceSize = {device.width(), device.height()};
        platform::qt::QtCanvas canvas(painter, options);
        canvas.setViewportOrigin({-scroll.x(), -scroll.y()});
        view::OnDraw(doc, view, canvas);
        return image;
    };
    const auto calls = [&](bool skips) {
        platform::RecordingCanvas::Options options;
        options.pixelsPerUnit = ppu;
        options.deviceSize = {device.width(), device.height()};
        platform::RecordingCanvas recorder(options);
        recorder.setViewportOrigin({-scroll.x(), -scroll.y()});
        recorder.setSkipsUnseen(skips);
        view::OnDraw(doc, view, recorder);
        return recorder.calls().size();
    };
    out.everything = picture(false);
    out.window = picture(true);
    out.everythingCalls = calls(false);
    out.windowCalls = calls(true);
    return out;
}

}  // namespace

TEST(Rendering, AZoomedInWindowPaintsTheSamePixelsAndLeavesOutWhatItCannotShow) {
    apptest::application();
    model::AppContext context;
    // A generated plant (pipes with lengths, welds with numbers, symbols with labels, crossings)
    // and every symbol with its label.
    std::vector<std::unique_ptr<model::Document>> docs;
    docs.push_back(std::make_unique<model::Document>(context));
    tubra::testing::generateDrawing(docs.back()->drawing, {.objects = 1500, .seed = 11});
    auto atlasRead = model::Document::open(context, fs::path(TUBRA_EXAMPLES) / "symbol-atlas.hcd");
    ASSERT_TRUE(atlasRead.ok()) << atlasRead.message();
    auto atlas = std::move(atlasRead.value());
    docs.push_back(std::move(atlas));

    // Pipes with flow marks (odd ones against the flow).
    int marks = 0;
    for (model::PipeObject& o : docs.front()->drawing.objects)
        if (o.is(model::ObjectKind::Pipe) && ++marks % 7 == 0) {
            o.Port4 = model::Vec3((o.Port1.x + o.Port2.x) / 2, (o.Port1.y + o.Port2.y) / 2, marks % 2 ? -1.0 : 1.0);
        }

    const QSize device(360, 260);
    for (auto& doc : docs) {
        const QRgb background = platform::qt::toQColor(doc->settings().BeiJingColor).rgb();
        for (const int dimensionLines : {0, 1}) {
            context.settings.DimLineLayer = dimensionLines;
            for (const double zoom : {1.0, 3.0}) {
                view::ViewState view;
                view::initialUpdate(view, doc->drawing);
                view.ZoomPara = zoom;
                const double ppu = 4.0 * 96.0 / 254.0;
                // Window positions across the sheet (device pixels).
                const int width = static_cast<int>(2900 * zoom * ppu), height = static_cast<int>(2050 * zoom * ppu);
                int fewer = 0, inked = 0;
                for (const int fx : {0, 1, 2})
                    for (const int fy : {0, 1, 2}) {
                        const QPoint scroll(width * fx / 3 + width / 8, height * fy / 3 + height / 8);
                        const ViewPaints p = paintBothWays(*doc, view, device, scroll, ppu);
                        EXPECT_TRUE(p.window == p.everything)
                            << "zoom " << zoom << " at " << scroll.x() << ", " << scroll.y();
                        EXPECT_LE(p.windowCalls, p.everythingCalls);
                        if (p.windowCalls < p.everythingCalls) ++fewer;
                        int ink = 0;
                        for (int y = 0; y < device.height(); ++y)
                            for (int x = 0; x < device.width(); ++x) ink += p.everything.pixel(x, y) != background;
                        if (ink > 300) ++inked;
                    }
                // Windows showed part of the drawing (the atlas fills only part of the sheet),
                // and every one left something out.
                EXPECT_GE(inked, 2) << "zoom " << zoom;
                EXPECT_EQ(fewer, 9) << "zoom " << zoom;
            }
        }
    }
}

TEST(Rendering, AWindowPaintedInTwoBandsAtOnceHasThePixelsOfOnePaint) {
    apptest::application();
    model::AppContext context;
    // A generated plant with a selection (drawn over everything, partly with raster
    // operations), and every symbol with its label.
    std::vector<std::unique_ptr<model::Document>> docs;
    docs.push_back(std::make_unique<model::Document>(context));
    tubra::testing::generateDrawing(docs.back()->drawing, {.objects = 1500, .seed = 5});
    for (std::size_t i = 0; i < docs.back()->drawing.objects.size(); i += 9)
        docs.back()->selection.add(&docs.back()->drawing.objects.untracked(i));
    auto atlasRead = model::Document::open(context, fs::path(TUBRA_EXAMPLES) / "symbol-atlas.hcd");
    ASSERT_TRUE(atlasRead.ok()) << atlasRead.message();
    docs.push_back(std::move(atlasRead.value()));

    const QSize device(360, 261);
    const double ppu = 4.0 * 96.0 / 254.0;
    app::BandThread lower;
    platform::qt::QtTextCache cache;
    // Windows where lines or texts cross the border between the middle bands.
    int crossed = 0;
    for (auto& doc : docs) {
        const QRgb background = platform::qt::toQColor(doc->settings().BeiJingColor).rgb();
        for (const double zoom : {1.0, 3.0}) {
            view::ViewState view;
            view::initialUpdate(view, doc->drawing);
            view.ZoomPara = zoom;
            const int width = static_cast<int>(2900 * zoom * ppu), height = static_cast<int>(2050 * zoom * ppu);
            for (const int fx : {0, 1, 2})
                for (const int fy : {0, 1, 2}) {
                    const QPoint scroll(width * fx / 3 + width / 8, height * fy / 3 + height / 8);
                    QImage whole(device, QImage::Format_RGB32);
                    {
                        QPainter painter(&whole);
                        app::paintView(*doc, view, painter, device, scroll, ppu, nullptr);
                    }
                    // The middle (odd and even), one row from either edge, and no split.
                    for (const int split : {130, 131, 1, device.height() - 1, device.height()}) {
                        QImage bands(device, QImage::Format_RGB32);
                        bands.fill(Qt::magenta);  // what a band leaves unpainted shows
                        app::paintViewInBands(*doc, view, bands, scroll, ppu, nullptr, cache, &lower, split);
                        EXPECT_TRUE(bands == whole) << "zoom " << zoom << " at " << scroll.x() << ", "
                                                    << scroll.y() << ", split at row " << split;
                    }
                    int across = 0;
                    for (int x = 0; x < device.width(); ++x)
                        across += whole.pixel(x, 129) != background && whole.pixel(x, 130) != background &&
                                  whole.pixel(x, 131) != background;
                    if (across > 0) ++crossed;
                }
        }
    }
    EXPECT_GE(crossed, 12);
}

TEST(Rendering, TheWindowPaintsInOneBandForAWhileAfterALowerBandWaitedForACore) {
    EXPECT_FALSE(app::BandChoice(1).twoBands()) << "one core";
    app::BandChoice choice(2);
    EXPECT_TRUE(choice.twoBands());

    // A lower band kept from a core: a few paints in one band, then two bands are tried again.
    const app::BandPaint split{.twoBands = true, .upperSeconds = 0.020};
    choice.painted(split, {.wallSeconds = 0.0205, .processorSeconds = 0.0200});  // the scheduler's noise
    EXPECT_TRUE(choice.twoBands());
    const double share = choice.upperShare();
    choice.painted(split, {.wallSeconds = 0.045, .processorSeconds = 0.020});
    EXPECT_EQ(choice.upperShare(), share) << "a waiting band's time says nothing of the split";
    for (int paint = 0; paint < app::BandChoice::kOneBandPaints; ++paint)
        EXPECT_FALSE(choice.twoBands()) << "paint " << paint;
    EXPECT_TRUE(choice.twoBands());

    // The split follows the later band, within bounds: the window's thread also prepares the
    // view and hands the picture on.
    app::BandChoice balance(2);
    balance.painted({.twoBands = true, .upperSeconds = 0.010}, {.wallSeconds = 0.030, .processorSeconds = 0.030});
    EXPECT_GT(balance.upperShare(), 0.5);
    for (int paint = 0; paint < 20; ++paint)
        balance.painted({.twoBands = true, .upperSeconds = 0.030}, {.wallSeconds = 0.010, .processorSeconds = 0.010});
    EXPECT_LT(balance.upperShare(), 0.5);
    EXPECT_GE(balance.upperShare(), 0.2);
    const double settled = balance.upperShare();
    balance.painted({.twoBands = true, .upperSeconds = 0.020}, {.wallSeconds = 0.020, .processorSeconds = 0.020});
    EXPECT_DOUBLE_EQ(balance.upperShare(), settled) << "bands of equal time";
}
