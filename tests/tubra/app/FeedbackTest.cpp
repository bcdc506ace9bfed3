// The tools' feedback on the screen: drawn with inverting and XOR raster operations into the
// view's picture, it leaves every pixel as it was once it is drawn a second time, at every zoom.

#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QPainter>

#include "AppTestSupport.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/Rendering.h"
#include "tubra/edit/Snapping.h"
#include "tubra/edit/Tools.h"
#include "tubra/view/LineWork.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

// A painted drawing as the background, so that XOR meets coloured pixels too.
QImage paintedDrawing(model::Document& doc, view::ViewState& v, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    app::paintView(doc, v, p, size, QPoint(0, 0), 96.0 / 254.0, nullptr);
    return image;
}

}  // namespace

TEST(Feedback, EveryFigureDrawnTwiceRestoresThePicture) {
    apptest::application();
    apptest::TempDir dir;
    apptest::writeDrawingFile(dir / "d.hcd", 300);
    model::AppContext app;
    auto docRead = model::Document::open(app, dir / "d.hcd");
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    for (const double zoom : {0.5, 1.0, 3.0}) {
        SCOPED_TRACE(zoom);
        view::ViewState v;
        view::initialUpdate(v, doc->drawing);
        doc->app().justOpened = false;
        v.ZoomPara = zoom;
        const QSize size(900, 650);
        const QImage before = paintedDrawing(*doc, v, size);
        QImage image = before;
        {
            QPainter p(&image);
            platform::qt::QtCanvas::Options o;
            o.pixelsPerUnit = 96.0 / 254.0;
            o.deviceSize = {size.width(), size.height()};
            platform::qt::QtCanvas c(p, o);
            ASSERT_TRUE(c.supportsRasterOps());
            const view::PaintContext ctx{c, doc->settings(), v};
            for (int pass = 0; pass < 2; ++pass) {
                // Markers, the rubber band (inverting, as wide as a pipe), the tracking line,
                // the selection rectangle and frames, and every object drawn as a ghost.
                for (edit::SnapKind k : {edit::SnapKind::End, edit::SnapKind::Mid, edit::SnapKind::OnSegment,
                                         edit::SnapKind::Text})
                    edit::drawSnapMarker(c, k, {400 + 40 * static_cast<int>(k), -300}, 16, 16);
                c.save();
                c.setRasterOp(platform::RasterOp::Not);
                for (int w : {1, 2, 4, 40}) {
                    c.setPen({platform::PenStyle::Solid, w, 0});
                    c.moveTo({100, -100 - 30 * w});
                    c.lineTo({1700, -600 - 10 * w});
                }
                c.setRasterOp(platform::RasterOp::XorPen);
                c.setPen({platform::PenStyle::Solid, 1, doc->settings().TractColor});
                c.moveTo({100, -100});
                c.lineTo({1300, -900});
                const platform::Point frame[5] = {{200, -200}, {900, -200}, {900, -700}, {200, -700}, {200, -200}};
                c.setPen({platform::PenStyle::Solid, 1, platform::rgbColour(150, 150, 150)});
                c.polyline(frame);
                c.restore();
                for (const model::PipeObject& o : doc->drawing.objects) view::DrawObjectBody(o, ctx, true);
            }
        }
        EXPECT_TRUE(image == before);
    }
}

TEST(Feedback, TheViewsPictureComesBackWhenTheToolsEraseTheirFeedback) {
    apptest::application();
    apptest::TempDir dir;
    apptest::writeDrawingFile(dir / "d.hcd", 120);
    model::AppContext context;
    apptest::FakeInteraction ui;
    app::MainWindow window(context, ui);
    window.resize(900, 650);
    app::DrawingView* view = window.openDocument(QString::fromStdString((dir / "d.hcd").string()));
    ASSERT_NE(view, nullptr);
    window.show();
    apptest::settle();
    const auto send = [&](QEvent::Type type, QPointF p, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(type, p, view->viewport()->mapToGlobal(p), b, bs, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &e);
    };
    for (int step = 0; step < 3; ++step) {
        SCOPED_TRACE(view->state().ZoomPara);
        view->viewport()->repaint();
        const QImage clean = view->backingStore().copy();
        // An end point in the window.
        edit::DevicePoint end{-1, -1};
        const QSize client = view->viewport()->size();
        for (const model::PipeObject& o : view->document().drawing.objects) {
            const edit::DevicePoint d = view->controller().toDevice(o.Port1.x, o.Port1.y);
            if (d.x > 30 && d.y > 30 && d.x < client.width() - 30 && d.y < client.height() - 30) {
                end = d;
                break;
            }
        }
        ASSERT_GE(end.x, 0);
        // A snap marker on an end point, then nothing under the mouse.
        window.runCommand(edit::cmd::Select);
        send(QEvent::MouseMove, {end.x, end.y}, Qt::NoButton, Qt::NoButton);
        EXPECT_EQ(view->controller().snap().kind, edit::SnapKind::End);
        EXPECT_FALSE(view->backingStore() == clean);
        send(QEvent::MouseMove, {3, 3}, Qt::NoButton, Qt::NoButton);
        EXPECT_FALSE(view->controller().snap().snapped());
        EXPECT_TRUE(view->backingStore() == clean);
        // A selection rectangle over empty paper.
        send(QEvent::MouseButtonPress, {3, 3}, Qt::LeftButton, Qt::LeftButton);
        for (int i = 1; i <= 5; ++i) send(QEvent::MouseMove, {3.0 + i, 3.0 + 2 * i}, Qt::NoButton, Qt::LeftButton);
        EXPECT_FALSE(view->backingStore() == clean);
        send(QEvent::MouseButtonRelease, {8, 13}, Qt::LeftButton, Qt::NoButton);
        EXPECT_TRUE(view->backingStore() == clean);
        window.runCommand(edit::cmd::Select);
        window.runCommand(2700);  // zoom in
        window.runCommand(2700);
        apptest::settle();
    }
}

TEST(Feedback, ADoubleClickIsOneClick) {
    apptest::application();
    model::AppContext context;
    apptest::FakeInteraction ui;
    app::MainWindow window(context, ui);
    window.resize(900, 650);
    app::DrawingView* view = window.newDocument();
    window.show();
    for (int i = 0; i < 50 && view->document().newDrawingFlag; ++i) apptest::settle(1);
    window.runCommand(edit::cmd::MainPipe);
    // What the window system delivers for a double click: press, release, double click, release.
    const QPointF p(300, 300);
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent e(type, p, view->viewport()->mapToGlobal(p), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(view->viewport(), &e);
    }
    apptest::settle();
    // The first press starts a segment; the second press of the double click adds nothing.
    EXPECT_EQ(view->controller().phase(), 1);
    EXPECT_TRUE(view->document().drawing.objects.empty());
    EXPECT_EQ(view->controller().cursor(), edit::CursorShape::Draw);
}
