#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "support/GeneratedDrawing.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Paint.h"
#include "tubra/view/PaintReach.h"
#include "ViewTestSupport.h"

using namespace tubra::view;
using tubra::model::ObjectKind;
using platform::CallKind;
using platform::Point;
using platform::RasterOp;
using viewtest::makeObject;
using viewtest::makePipe;

namespace {
struct Host : ViewHost {
    std::optional<NewDrawingValues> answer;
    int asked = 0;
    int resets = 0;
    std::optional<NewDrawingValues> askNewDrawing(const ViewState&) override {
        ++asked;
        return answer;
    }
    void resetTool() override { ++resets; }
};

// Colours of everything drawn after the axis indicator: one entry per object body.
std::vector<platform::Colour> bodyColours(const platform::RecordingCanvas& c, std::size_t from) {
    std::vector<platform::Colour> out;
    for (const auto& call : c.callsSince(from)) out.push_back(call.state.pen.colour);
    return out;
}
}  // namespace

TEST(Paint, ObjectsArePaintedInThreePassesWithWeldsTwice) {
    viewtest::Fixture f;
    f.view.axis.visible = 0;
    f.view.frameSwitch = 0;  // only the line work
    auto& s = f.app.settings;
    s.DimTextLayer = 0;
    s.HanFengColor = 0x000001;
    s.GuanJianColor = 0x000002;
    viewtest::add(f.doc, makeObject(ObjectKind::CutLine, {0, 0, 0}, {10, 0, 0}, 5, 0));
    viewtest::add(f.doc, makeObject(ObjectKind::Tee, {0, 0, 0}, {10, 0, 0}));
    viewtest::add(f.doc, makeObject(ObjectKind::Weld, {0, 0, 0}, {}));
    viewtest::add(f.doc, makePipe({0, 0, 0}, {0, 50, 0}));
    OnDraw(f.doc, f.view, f.canvas);
    // Pass 1: weld, pipe; pass 2: tee; pass 3: the break line's two marks, the weld again.
    EXPECT_EQ(bodyColours(f.canvas, 0),
              (std::vector<platform::Colour>{0x000001, s.ZhuXianColor, 0x000002, 0x000002,
                                             0x000002, 0x000002, 0x000001}));
    EXPECT_FALSE(f.view.painting);
    EXPECT_EQ(f.doc.drawing.Total(), 4);
}

TEST(Paint, ARunningPaintIsNotEnteredAgainAndAReportPageEndsThePaint) {
    viewtest::Fixture f;
    viewtest::add(f.doc, makePipe({0, 0, 0}, {0, 50, 0}));
    f.view.painting = true;
    OnDraw(f.doc, f.view, f.canvas);
    EXPECT_TRUE(f.canvas.calls().empty());

    f.view.painting = false;
    f.view.reportDisplay = {1, 3};
    Host host;
    OnDraw(f.doc, f.view, f.canvas, &host);
    EXPECT_TRUE(f.canvas.calls().empty());
    EXPECT_EQ(host.resets, 1);
    // The guard is free again, so the next paint happens.
    f.view.reportDisplay = {0, 3};
    OnDraw(f.doc, f.view, f.canvas, &host);
    EXPECT_FALSE(f.canvas.calls().empty());
}

TEST(Paint, HandOversAfterNewAndOpen) {
    viewtest::Fixture f;
    f.doc.onNewDocument();
    f.view.table.values[0] = "old";
    Host host;
    host.answer = NewDrawingValues{45, 60, 1200};
    OnDraw(f.doc, f.view, f.canvas, &host);
    OnDraw(f.doc, f.view, f.canvas, &host);
    EXPECT_EQ(host.asked, 1);
    EXPECT_EQ(f.view.X_AxisAngle, 45.0);
    EXPECT_EQ(f.view.firstPointElevation, 1200.0);
    EXPECT_EQ(f.doc.drawing.Y_AxisAngle, 60.0);
    EXPECT_TRUE(f.view.table.values[0].empty());
    EXPECT_TRUE(f.doc.isModified());

    // A file's table, title, report display, zoom and angles reach the view once.
    viewtest::Fixture g;
    g.doc.drawing.table.values[3] = "steam";
    g.doc.drawing.title.values[2] = "T-1";
    g.doc.drawing.IsShowReport = {0, 5};
    g.doc.drawing.ZoomPara = 1.5;
    g.doc.drawing.zoomLoaded = 1;
    g.doc.drawing.X_AxisAngle = 60;
    g.app.justOpened = true;
    OnDraw(g.doc, g.view, g.canvas);
    EXPECT_EQ(g.view.table.values[3], "steam");
    EXPECT_EQ(g.view.title.values[2], "T-1");
    EXPECT_EQ(g.view.reportDisplay[1], 5);
    EXPECT_EQ(g.view.ZoomPara, 1.5);
    EXPECT_EQ(g.view.X_AxisAngle, 60.0);
    EXPECT_FALSE(g.app.justOpened);
    EXPECT_EQ(g.doc.drawing.zoomLoaded, 0);
    // Later paints take the document's texts again, so a change made to the document between
    // two paints (as the title-block dialog makes it) is shown and survives the hand-back.
    g.doc.drawing.title.values[2] = "T-2";
    OnDraw(g.doc, g.view, g.canvas);
    EXPECT_EQ(g.view.title.values[2], "T-2");
    EXPECT_EQ(g.doc.drawing.title.values[2], "T-2");
    EXPECT_EQ(g.doc.drawing.table.values[3], "steam");
}

namespace {

// Two identical documents and views: one is painted, the other only laid out.
struct PaintedAndLaidOut {
    viewtest::Fixture painted, laidOut;
    Host paintHost, layoutHost;
    void each(const std::function<void(viewtest::Fixture&)>& prepare) {
        prepare(painted);
        prepare(laidOut);
    }
    void run() {
        OnDraw(painted.doc, painted.view, painted.canvas, &paintHost);
        onLayout(laidOut.doc, laidOut.view, laidOut.canvas, &layoutHost);
    }
    void expectSameState() {
        const ViewState& a = painted.view;
        const ViewState& b = laidOut.view;
        EXPECT_EQ(a.ZoomPara, b.ZoomPara);
        EXPECT_EQ(a.X_AxisAngle, b.X_AxisAngle);
        EXPECT_EQ(a.Y_AxisAngle, b.Y_AxisAngle);
        EXPECT_EQ(a.firstPointElevation, b.firstPointElevation);
        EXPECT_EQ(a.pageExtent, b.pageExtent);
        EXPECT_EQ(a.scrollExtent, b.scrollExtent);
        EXPECT_EQ(a.axis, b.axis);
        EXPECT_EQ(a.frameSwitch, b.frameSwitch);
        EXPECT_EQ(a.reportDisplay, b.reportDisplay);
        EXPECT_EQ(a.title, b.title);
        EXPECT_EQ(a.table, b.table);
        EXPECT_EQ(a.painting, b.painting);
        EXPECT_EQ(a.lastAxisOrigin, b.lastAxisOrigin);
        EXPECT_EQ(painted.doc.newDrawingFlag, laidOut.doc.newDrawingFlag);
        EXPECT_EQ(painted.doc.isModified(), laidOut.doc.isModified());
        EXPECT_EQ(painted.app.justOpened, laidOut.app.justOpened);
        EXPECT_EQ(paintHost.asked, layoutHost.asked);
        EXPECT_EQ(paintHost.resets, layoutHost.resets);
        // Every stored value, label layouts included, byte for byte.
        std::string x, y;
        tubra::model::writeDrawing(painted.doc.drawing, painted.app.settings, x);
        tubra::model::writeDrawing(laidOut.doc.drawing, laidOut.app.settings, y);
        EXPECT_EQ(x, y);
    }
};

}  // namespace

// A view nobody sees (a replayed session) and a save only need what a paint does to the
// document and the view: the layout leaves exactly that, and draws nothing.
TEST(Paint, TheLayoutLeavesWhatAPaintLeavesWithoutDrawing) {
    auto plant = [](viewtest::Fixture& f) {
        tubra::testing::generateDrawing(f.doc.drawing, {.objects = 400, .seed = 12});
        auto slanted = makePipe({300, -300, 100}, {420, -250, 600}, 0, 6);
        slanted.StrtDir = 1;
        slanted.Port3 = {120, 500, 0};
        viewtest::add(f.doc, slanted);
    };
    {  // a file just opened, with its zoom and labels still to be placed, at two paints
        PaintedAndLaidOut t;
        t.each([&](viewtest::Fixture& f) {
            plant(f);
            f.doc.drawing.ZoomPara = 1.25;
            f.doc.drawing.zoomLoaded = 1;
            f.app.justOpened = true;
        });
        t.run();
        EXPECT_GT(t.painted.canvas.calls().size(), 1000u);
        EXPECT_TRUE(t.laidOut.canvas.calls().empty());
        t.expectSameState();
        t.each([](viewtest::Fixture& f) { f.doc.drawing.objects.at(5).dimYX1_st = {}; });
        t.run();
        t.expectSameState();
    }
    {  // every label placed already: pipes and elbows are laid out as they are painted
        PaintedAndLaidOut t;
        t.each([&](viewtest::Fixture& f) {
            tubra::testing::generateDrawing(f.doc.drawing, {.objects = 300, .seed = 13, .labelsPlaced = true});
            for (auto& o : f.doc.drawing.objects)
                if (o.is(ObjectKind::Pipe) && o.Number % 3 == 0) o.dimYX1_st = {};
        });
        t.run();
        t.expectSameState();
    }
    {  // layouts kept from one layout pass to the next follow every change of what they read
        PaintedAndLaidOut t;
        t.each([&](viewtest::Fixture& f) {
            tubra::testing::generateDrawing(f.doc.drawing, {.objects = 300, .seed = 14, .labelsPlaced = true});
        });
        t.run();
        t.expectSameState();
        const std::vector<std::function<void(viewtest::Fixture&)>> changes = {
            [](viewtest::Fixture& f) {  // ends, directions and texts of single objects
                for (std::size_t i = 0; i < f.doc.drawing.objects.size(); ++i) {
                    auto& o = f.doc.drawing.objects.at(i);
                    if (i % 7 == 0) o.Port2.x += 40.0;
                    if (i % 11 == 0) o.DistTxt = "12 34";
                    if (i % 13 == 0 && o.is(ObjectKind::Elbow)) o.StrtDir = 5 - o.StrtDir;
                    if (i % 17 == 0) o.dimTxt_st.y += 3.0;  // a result moved by hand is laid out again
                }
            },
            [](viewtest::Fixture& f) { f.app.settings.Dim_Size = 42; },
            [](viewtest::Fixture& f) { f.app.settings.m_wantouR = 30.0; },
            [](viewtest::Fixture& f) { f.view.ZoomPara = 1.75; },
            [](viewtest::Fixture& f) { f.view.X_AxisAngle = 45.0; },
            [](viewtest::Fixture& f) {  // everything one place further down the list
                auto& list = f.doc.drawing.objects;
                list.insert(0, list.take(&list.last()));
            },
        };
        for (const auto& change : changes) {
            t.each(change);
            t.run();
            t.expectSameState();
        }
    }
    {  // without the frame: the axis indicator's place comes from the window's corner
        PaintedAndLaidOut t;
        t.each([&](viewtest::Fixture& f) {
            plant(f);
            f.view.frameSwitch = 0;
            f.canvas.setWindowOrigin({300, -400});
            f.app.settings.DimLineLayer = 1;
        });
        t.run();
        t.expectSameState();
        EXPECT_EQ(t.laidOut.view.lastAxisOrigin, (Point{310, -445}));
    }
    {  // a new drawing asks its angles once
        PaintedAndLaidOut t;
        t.paintHost.answer = t.layoutHost.answer = NewDrawingValues{45, 60, 1200};
        t.each([](viewtest::Fixture& f) { f.doc.onNewDocument(); });
        t.run();
        t.run();
        t.expectSameState();
        EXPECT_EQ(t.layoutHost.asked, 1);
    }
    {  // a report page instead of the sheet; and a paint already running does nothing
        PaintedAndLaidOut t;
        t.each([&](viewtest::Fixture& f) {
            plant(f);
            f.doc.drawing.IsShowReport = {1, 3};
            f.app.justOpened = true;
        });
        t.run();
        t.expectSameState();
        EXPECT_EQ(t.layoutHost.resets, 1);
        t.each([](viewtest::Fixture& f) {
            f.view.painting = true;
            f.view.reportDisplay = {0, -1};
            f.doc.drawing.objects.at(9).dimYX1_st = {};
        });
        t.run();
        t.expectSameState();
    }
}

TEST(Paint, AxisIndicatorWithAndWithoutTheFrame) {
    viewtest::Fixture f;
    placeAxisIndicator(f.view, f.canvas);
    DrawAxisIndicator(f.view, f.app.settings, f.canvas);
    // The erase of the previous place comes first.
    ASSERT_EQ(f.canvas.calls()[0].kind, CallKind::FillRect);
    const auto lines = f.canvas.callsOf(CallKind::Line);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].points, (std::vector<Point>{{120, -210}, {120, -155}}));
    EXPECT_EQ(lines[1].points, (std::vector<Point>{{120, -210}, {167, -182}}));
    EXPECT_EQ(lines[2].points, (std::vector<Point>{{120, -210}, {167, -237}}));
    EXPECT_EQ(lines[0].state.pen, (platform::Pen{platform::PenStyle::Solid, 2, 0}));
    const auto labels = f.canvas.callsOf(CallKind::TextOut);
    ASSERT_EQ(labels.size(), 3u);
    EXPECT_EQ(labels[0].points[0], (Point{110, -115}));
    EXPECT_EQ(text::gbkToUtf8(labels[0].text), "上");
    EXPECT_EQ(labels[0].state.font.face, "arail");
    EXPECT_EQ(labels[0].state.font.height, 40);
    EXPECT_EQ(text::gbkToUtf8(labels[2].text), "东");
    EXPECT_EQ(f.canvas.count(CallKind::Polygon), 3u);
    EXPECT_EQ(f.view.lastAxisOrigin, (Point{120, -210}));

    // Without the frame: 10 pixels right and 45 down from the window's corner.
    f.canvas.clear();
    f.view.frameSwitch = 0;
    f.canvas.setWindowOrigin({300, -400});
    placeAxisIndicator(f.view, f.canvas);
    DrawAxisIndicator(f.view, f.app.settings, f.canvas);
    EXPECT_EQ(f.canvas.calls()[0].rect, (platform::Rect{100, -110, 220, -310}));
    EXPECT_EQ(f.view.lastAxisOrigin, (Point{310, -445}));

    f.canvas.clear();
    f.view.axis.visible = 0;
    placeAxisIndicator(f.view, f.canvas);
    DrawAxisIndicator(f.view, f.app.settings, f.canvas);
    EXPECT_TRUE(f.canvas.calls().empty());
}

TEST(Paint, SelectionOverlayIsXorInTheSelectionColourAndComesLast) {
    viewtest::Fixture f;
    f.view.axis.visible = 0;
    f.view.frameSwitch = 0;  // only the line work
    f.app.settings.DimTextLayer = 0;
    auto& pipe = viewtest::add(f.doc, makePipe({0, 0, 0}, {0, 50, 0}));
    auto& weld = viewtest::add(f.doc, makeObject(ObjectKind::Weld, {0, 50, 0}, {}));
    auto& text = viewtest::add(f.doc, makeObject(ObjectKind::TextBlock, {0, 0, 0}, {}));
    f.doc.selection.add(&pipe);
    f.doc.selection.add(&weld);
    f.doc.selection.add(&text);
    OnDraw(f.doc, f.view, f.canvas);
    const auto& calls = f.canvas.calls();
    ASSERT_EQ(calls.size(), 5u);  // pipe, weld, weld again; then the overlay of pipe and weld
    for (std::size_t i = 3; i < 5; ++i) {
        EXPECT_EQ(calls[i].state.rasterOp, RasterOp::XorPen);
        EXPECT_EQ(calls[i].state.pen.colour, f.app.settings.SelectionColor);
    }
    EXPECT_EQ(calls[3].kind, CallKind::Line);
    EXPECT_EQ(calls[4].kind, CallKind::Ellipse);
    EXPECT_EQ(f.canvas.rasterOp(), RasterOp::Copy);

    // A second overlay repeats the first call for call, so under XOR it undoes it.
    platform::RecordingCanvas once, twice;
    drawSelectionOverlay(f.doc.selection, {once, f.app.settings, f.view});
    drawSelectionOverlay(f.doc.selection, {twice, f.app.settings, f.view});
    ASSERT_EQ(once.calls().size(), twice.calls().size());
    for (std::size_t i = 0; i < once.calls().size(); ++i) {
        EXPECT_EQ(once.calls()[i].points, twice.calls()[i].points);
        EXPECT_EQ(once.calls()[i].rect, twice.calls()[i].rect);
        EXPECT_EQ(once.calls()[i].state, twice.calls()[i].state);
    }
}

TEST(Paint, PrintingIsBlackOnWhiteAndTheColoursComeBack) {
    viewtest::Fixture f;
    auto& s = f.app.settings;
    s.BeiJingColor = 0x202020;
    const auto before = s;
    viewtest::add(f.doc, makePipe({200, -400, 1000}, {200, -100, 1000}, 1, 0));
    viewtest::add(f.doc, makePipe({100, -300, 2000}, {300, -184.53, 2000}, 0, 5));
    viewtest::add(f.doc, makeObject(ObjectKind::Weld, {200, -100, 0}, {}));
    viewtest::add(f.doc, makeObject(ObjectKind::Elbow, {0, 0, 0}, {10, 10, 0}));
    f.canvas.setPrinter(true);
    const SavedColours saved = OnPreparePrinting(s);
    OnPrint(f.doc, f.view, f.canvas, 1);
    EXPECT_EQ(f.canvas.windowOrigin(), (Point{0, 0}));
    ASSERT_GT(f.canvas.calls().size(), 8u);
    for (const auto& call : f.canvas.calls()) {
        EXPECT_EQ(call.state.pen.colour, 0u);
        EXPECT_EQ(call.state.textColour, 0u);
        if (call.kind == CallKind::FillRect) {
            EXPECT_EQ(call.colour, 0xFFFFFFu);
        }
        if (call.kind == CallKind::Ellipse) {
            EXPECT_EQ(call.state.brush.colour, 0xFFFFFFu);
        }
    }
    OnEndPrinting(s, saved);
    EXPECT_EQ(s, before);

    // Without black-and-white printing the colours stay.
    s.PrintIsNoColor = 0;
    const SavedColours none = OnPreparePrinting(s);
    EXPECT_EQ(s.ZhuXianColor, before.ZhuXianColor);
    s.ZhuXianColor = 0x123;
    OnEndPrinting(s, none);
    EXPECT_EQ(s.ZhuXianColor, 0x123u);
}

// Drawing is apart from preparing: once a view is prepared, painting it changes neither the
// file nor the view, and a second canvas (another view, an export) gets the very same picture
// as the window's paint.
namespace {
bool sameCalls(const std::vector<platform::CanvasCall>& a, const std::vector<platform::CanvasCall>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return x.kind == y.kind && x.points == y.points && x.rect == y.rect && x.text == y.text &&
               x.format == y.format && x.colour == y.colour && x.state == y.state;
    });
}
}  // namespace

TEST(Paint, APreparedViewPaintsAlikeAnyNumberOfTimesAndChangesNothing) {
    viewtest::Fixture window, prepared;
    for (viewtest::Fixture* f : {&window, &prepared}) {
        tubra::testing::generateDrawing(f->doc.drawing, {.objects = 300, .seed = 21});
        f->doc.drawing.ZoomPara = 0.8;
        f->doc.drawing.zoomLoaded = 1;
        f->app.justOpened = true;
        f->doc.selection.add(&f->doc.drawing.objects.at(7));
    }
    OnDraw(window.doc, window.view, window.canvas);

    prepareView(prepared.doc, prepared.view, prepared.canvas);
    EXPECT_TRUE(prepared.canvas.calls().empty());
    std::string file, fileAfter;
    tubra::model::writeDrawing(prepared.doc.drawing, prepared.app.settings, file);
    const ViewState before = prepared.view;
    const tubra::model::Document& doc = prepared.doc;
    paint(doc, prepared.view, prepared.canvas);
    platform::RecordingCanvas second;
    paint(doc, prepared.view, second);
    tubra::model::writeDrawing(prepared.doc.drawing, prepared.app.settings, fileAfter);

    EXPECT_GT(window.canvas.calls().size(), 1000u);
    EXPECT_TRUE(sameCalls(prepared.canvas.calls(), window.canvas.calls()));
    EXPECT_TRUE(sameCalls(second.calls(), window.canvas.calls()));
    EXPECT_EQ(fileAfter, file);
    EXPECT_EQ(prepared.view.lastAxisOrigin, before.lastAxisOrigin);
    EXPECT_EQ(prepared.view.annotationAngles, before.annotationAngles);
    EXPECT_EQ(prepared.view.ZoomPara, 0.8);
}

namespace {

// Whether the bounds kept for all zooms hold the area the reach finds at `zoom`.
::testing::AssertionResult boundsHold(const ReachBounds& b, const SheetArea& a, double zoom) {
    if (a.empty() || b.x0 > b.x1) return ::testing::AssertionSuccess();
    const double g = b.fixed + b.perZoom * zoom;
    if (b.x0 * zoom - g <= a.x0 && b.y0 * zoom - g <= a.y0 && b.x1 * zoom + g >= a.x1 && b.y1 * zoom + g >= a.y1)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "area " << a.x0 << "," << a.y0 << " .. " << a.x1 << "," << a.y1
                                         << " beyond the bounds at zoom " << zoom;
}

}  // namespace

TEST(Paint, BoundsKeptForAllZoomsHoldWhatTheReachFindsAndFollowEdits) {
    viewtest::Fixture f;
    tubra::testing::generateDrawing(f.doc.drawing, {.objects = 900, .seed = 31, .labelsPlaced = true});
    tubra::model::ObjectList& objects = f.doc.drawing.objects;
    // What the generator makes few of: flow marks, texts that follow the zoom, long labels.
    for (std::size_t i = 0; i < objects.size(); i += 7) {
        tubra::model::PipeObject& o = objects.at(i);
        if (o.is(ObjectKind::Pipe)) o.Port4 = {o.Port1.x + 40, o.Port1.y - 30, 1};
        o.DistTxt = "A LONG LABEL OF MANY BYTES " + std::to_string(i);
    }
    tubra::model::PipeObject text = makeObject(ObjectKind::TextBlock, {500, 700, 0}, {0, 0, 0});
    text.BiHou = 1;
    text.Port3.y = 60;
    text.DistTxt = "TEXT THAT FOLLOWS THE ZOOM";
    objects.addCopy(text) = text;
    auto& s = f.app.settings;
    for (const bool dimLines : {false, true}) {
        s.DimLineLayer = dimLines;
        for (const double zoom : {0.05, 0.45, 1.0, 3.16, 12.0}) {
            f.view.ZoomPara = zoom;
            const PaintReach reach(s, f.view);
            for (std::size_t j = 0; j < objects.size(); ++j) {
                const auto& o = std::as_const(objects).at(j);
                ASSERT_TRUE(boundsHold(PaintReach::bounds(o, o.dimTxt_st, s, f.view.axes()), reach.of(o, o.dimTxt_st), zoom))
                    << "object " << j << " of kind " << o.MainType << ", dimension lines " << dimLines;
            }
        }
    }

    // Kept bounds are those of the list as it is, for the settings they were made with.
    KeptReach kept;
    EXPECT_EQ(kept.current(objects, s, f.view.axes()), nullptr);
    kept.update(objects, s, f.view.axes());
    ASSERT_NE(kept.current(objects, s, f.view.axes()), nullptr);
    tubra::model::PipeObject& moved = objects.at(5);
    moved.Port1.x += 5000;
    moved.Port2.x += 5000;
    EXPECT_EQ(kept.current(objects, s, f.view.axes()), nullptr);
    kept.update(objects, s, f.view.axes());
    const auto* bounds = kept.current(objects, s, f.view.axes());
    ASSERT_NE(bounds, nullptr);
    EXPECT_GE((*bounds)[5].x1, moved.Port1.x);
    s.Dim_Size += 10;
    EXPECT_EQ(kept.current(objects, s, f.view.axes()), nullptr);
    kept.update(objects, s, f.view.axes());
    bounds = kept.current(objects, s, f.view.axes());
    ASSERT_NE(bounds, nullptr);
    for (std::size_t j = 0; j < objects.size(); ++j) {
        const auto& o = std::as_const(objects).at(j);
        const ReachBounds fresh = PaintReach::bounds(o, o.dimTxt_st, s, f.view.axes());
        ASSERT_EQ((*bounds)[j].fixed, fresh.fixed) << j;
        ASSERT_EQ((*bounds)[j].x1, fresh.x1) << j;
    }
}

TEST(Paint, AWindowPaintsWithKeptBoundsWhatItPaintsMeasuringEveryObject) {
    viewtest::Fixture kept, measured;
    platform::RecordingCanvas::Options small;
    small.pixelsPerUnit = 96.0 / 254.0;
    small.deviceSize = {700, 500};
    platform::RecordingCanvas keptCanvas(small), measuredCanvas(small), preparing(small);
    for (viewtest::Fixture* f : {&kept, &measured}) {
        tubra::testing::generateDrawing(f->doc.drawing, {.objects = 1500, .seed = 32, .area = 3.0, .labelsPlaced = true});
        initialUpdate(f->view, f->doc.drawing);
    }
    keptCanvas.setSkipsUnseen(true);
    measuredCanvas.setSkipsUnseen(true);
    std::size_t painted = 0;
    // Zooms and scrolls in turn, as a user goes about the drawing: the kept bounds follow.
    for (const double zoom : {1.0, 3.16, 0.45, 3.16}) {
        for (const Point scroll : {Point{0, 0}, Point{-900, 400}, Point{-2500, 1300}}) {
            kept.view.ZoomPara = measured.view.ZoomPara = zoom;
            for (platform::RecordingCanvas* c : {&keptCanvas, &measuredCanvas, &preparing}) c->setViewportOrigin(scroll);
            const std::size_t k0 = keptCanvas.calls().size(), m0 = measuredCanvas.calls().size();
            OnDraw(kept.doc, kept.view, keptCanvas);
            // Prepared on a canvas that draws everything: no bounds are kept, every object is
            // measured at this zoom.
            prepareView(measured.doc, measured.view, preparing);
            paint(measured.doc, measured.view, measuredCanvas);
            const auto a = keptCanvas.callsSince(k0), b = measuredCanvas.callsSince(m0);
            ASSERT_TRUE(sameCalls(a, b)) << "zoom " << zoom << " scroll " << scroll.x;
            painted += a.size();
        }
    }
    EXPECT_GT(painted, 1000u);
}
