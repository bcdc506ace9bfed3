#include <cmath>

#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "tubra/view/Projection.h"
#include "tubra/view/SymbolLibrary.h"
#include "tubra/view/ViewState.h"
#include "ViewTestSupport.h"

using namespace tubra::view;
using tubra::model::Vec3;
using platform::CallKind;
using platform::Point;
using tubra::view::kNoSecondAnchor;

namespace {
const AxisAngles k30{30.0, 30.0};
}

TEST(Projection, StepAlongFollowsTheSixProjectedAxes) {
    const Vec3 s(100, -100, 7);
    EXPECT_EQ(StepAlong(k30, s, 0, 50), Vec3(100, -50, 0));
    EXPECT_EQ(StepAlong(k30, s, 1, 50), Vec3(100, -150, 0));
    const Vec3 north = StepAlong(k30, s, 5, 100);
    EXPECT_NEAR(north.x, 100 + 86.6025, 1e-3);
    EXPECT_NEAR(north.y, -100 + 50.0, 1e-3);
    const Vec3 east = StepAlong(k30, s, 2, 100);
    EXPECT_NEAR(east.x, 186.6025, 1e-3);
    EXPECT_NEAR(east.y, -150.0, 1e-3);
    const Vec3 west = StepAlong(k30, s, 4, 100);
    EXPECT_NEAR(west.x, 13.3975, 1e-3);
    EXPECT_NEAR(west.y, -50.0, 1e-3);
    const Vec3 south = StepAlong(k30, s, 3, 100);
    EXPECT_NEAR(south.x, 13.3975, 1e-3);
    EXPECT_NEAR(south.y, -150.0, 1e-3);
    EXPECT_EQ(StepAlong(k30, s, 9, 100), Vec3(100, -100, 0));

    // Drawing truncates both ends toward zero.
    platform::RecordingCanvas c;
    StepAlong(k30, Vec3(0.9, -0.9, 0), 2, 100, &c);
    const auto lines = c.segments();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].from, (Point{0, 0}));
    EXPECT_EQ(lines[0].to, (Point{87, -50}));
}

TEST(Projection, SegmentAngleQuadrants) {
    double len = -1;
    EXPECT_DOUBLE_EQ(SegmentAngle({0, 0, 0}, {0, -10, 0}, &len), 270.0);
    EXPECT_DOUBLE_EQ(len, 10.0);
    EXPECT_DOUBLE_EQ(SegmentAngle({0, 0, 0}, {0, 10, 0}), 90.0);
    EXPECT_DOUBLE_EQ(SegmentAngle({0, 0, 0}, {-10, 0, 0}), 180.0);
    EXPECT_DOUBLE_EQ(SegmentAngle({0, 0, 0}, {10, 0, 0}), 0.0);
    EXPECT_NEAR(SegmentAngle({0, 0, 0}, {-10, -10, 0}), 225.0, 1e-5);
    EXPECT_NEAR(SegmentAngle({0, 0, 0}, {10, -10, 0}), 315.0, 1e-5);
    EXPECT_DOUBLE_EQ(SegmentAngle({5, 5, 0}, {5, 5, 0}, &len), 90.0);
    EXPECT_DOUBLE_EQ(len, 0.0);
}

TEST(Projection, SnapToAxisPicksTheNearestAxisWithWestFirstOnTies) {
    const Vec3 o(0, 0, 0);
    SnapResult r = SnapToAxis(k30, o, {100, 58, 0});
    EXPECT_EQ(r.direction, 5);
    EXPECT_NEAR(r.length, 115.6027681, 1e-6);  // the distance, not the projection
    EXPECT_NEAR(r.end.x, r.length * std::cos(30 * kDegToRad), 1e-9);
    EXPECT_EQ(SnapToAxis(k30, o, {-100, 58, 0}).direction, 4);
    EXPECT_EQ(SnapToAxis(k30, o, {0, -40, 0}).direction, 1);
    r = SnapToAxis(k30, o, o);
    EXPECT_EQ(r.direction, 0);
    EXPECT_EQ(r.length, 0.0);

    // Exactly 120: as far from west (150) as from up (90).
    const Vec3 at120(-100, std::tan(60 * kDegToRad) * 100, 0);
    ASSERT_EQ(SegmentAngle(o, at120), 120.0);
    EXPECT_EQ(SnapToAxis(k30, o, at120).direction, 4);
    // West also wins a tie with south.
    EXPECT_EQ(SnapToAxis({10, 10}, o, {-50, 0, 0}).direction, 4);
    // With α = 0 east is measured from 0.
    EXPECT_EQ(SnapToAxis({0, 30}, o, {50, 1, 0}).direction, 2);

    platform::RecordingCanvas c;
    SnapToAxis(k30, {10, 10, 0}, {10, 60, 0}, &c);
    ASSERT_EQ(c.segments().size(), 1u);
    EXPECT_TRUE(c.segments()[0].joins({10, 10}, {10, 60}));
}

TEST(Projection, ArrowHeadDirectionsAndFill) {
    platform::RecordingCanvas c;
    DrawArrowHead(c, k30, {100, 100, 0}, 0.5, 0x0000FF);  // a code: up
    DrawArrowHead(c, k30, {100, 100, 0}, 45.0, 0x0000FF);  // an angle
    const auto polys = c.callsOf(CallKind::Polygon);
    ASSERT_EQ(polys.size(), 2u);
    EXPECT_EQ(polys[0].points, (std::vector<Point>{{100, 100}, {95, 80}, {103, 79}}));
    EXPECT_EQ(polys[1].points, (std::vector<Point>{{100, 100}, {83, 88}, {88, 83}}));
    EXPECT_EQ(polys[0].state.pen, (platform::Pen{platform::PenStyle::Solid, 1, 0x0000FF}));
    EXPECT_EQ(polys[0].state.brush, platform::Brush::solid(0x0000FF));
    EXPECT_EQ(c.pen(), platform::Pen{});  // the canvas gets its pen back
}

// --- view transform ---

TEST(ViewTransform, ZoomClampsAtItsLimitsWithoutRepaint) {
    viewtest::Fixture f;
    f.view.ZoomPara = 0.15;
    const ScrollChange out = zoomOut(f.view, f.doc.drawing, {0, 0, 800, 600});
    EXPECT_EQ(f.view.ZoomPara, 0.1);
    EXPECT_FALSE(out.invalidate || out.scroll || out.setScrollSizes);
    f.view.ZoomPara = 10.98;
    const ScrollChange in = zoomIn(f.view, f.doc.drawing, {0, 0, 800, 600});
    EXPECT_EQ(f.view.ZoomPara, 11.0);
    EXPECT_FALSE(in.invalidate || in.scroll || in.setScrollSizes);
}

TEST(ViewTransform, ZoomKeepsThePipesAnchoredAndStoresTheView) {
    viewtest::Fixture f;
    viewtest::add(f.doc, viewtest::makePipe({100, -200, 0}, {300, -400, 0}));
    viewtest::add(f.doc, viewtest::makeObject(tubra::model::ObjectKind::Weld, {5000, 5000, 0}, {}));
    f.view.X_AxisAngle = 45;
    const ScrollChange c = zoomIn(f.view, f.doc.drawing, {0, 0, 800, 600});
    EXPECT_DOUBLE_EQ(f.view.ZoomPara, 1.05);
    EXPECT_EQ(c.extent, (platform::Size{3045, 2152}));
    EXPECT_EQ(f.view.scrollExtent, c.extent);
    EXPECT_EQ(c.position, (Point{110, -215}));
    EXPECT_TRUE(c.invalidate && c.scroll && c.setScrollSizes);
    EXPECT_EQ(f.doc.drawing.ZoomPara, 1.05);
    EXPECT_EQ(f.doc.drawing.X_AxisAngle, 45.0);
    EXPECT_EQ(f.doc.drawing.Total(), 2);
}

TEST(ViewTransform, InitialUpdateAndPageSetup) {
    viewtest::Fixture f;
    f.doc.drawing.PageSize = 1;
    f.doc.drawing.X_AxisAngle = 45;
    const ScrollChange c = initialUpdate(f.view, f.doc.drawing);
    EXPECT_EQ(c.extent, (platform::Size{4100, 2900}));
    EXPECT_EQ(c.position, (Point{683, -483}));
    EXPECT_EQ(f.view.X_AxisAngle, 45.0);

    f.view.ZoomPara = 2.0;
    tubra::model::AxisSettings axis;
    axis.visible = 0;
    axis.labels[0] = text::gbk("Z");
    const ScrollChange p = pageSetup(f.view, f.doc, 0, axis);
    EXPECT_EQ(p.extent, (platform::Size{5800, 4100}));
    EXPECT_TRUE(p.invalidate);
    EXPECT_EQ(f.doc.drawing.PageSize, 0);
    EXPECT_EQ(f.doc.drawing.AxisSet, axis);
    EXPECT_EQ(f.view.axis, axis);
    // The command's commit marks the drawing modified.
    EXPECT_FALSE(f.doc.isModified());
}

TEST(ViewTransform, FitToWindow) {
    viewtest::Fixture f;
    // Empty drawing: zoom 1 and the page centred in a 1000 x 700 window at 0.5 px per unit.
    ScrollChange c = fitToWindow(f.view, f.doc.drawing, {1000, 700}, 0.5);
    EXPECT_EQ(f.view.ZoomPara, 1.0);
    EXPECT_EQ(c.extent, (platform::Size{2900, 2050}));
    EXPECT_EQ(c.position, (Point{(2900 - 2000) / 2, (-2050 + 1400) / 2}));

    // A pipeline 1000 wide and 300 high in a window of 2000 x 1400 units: the zoom at which it
    // fills the window less a margin of 6 % on every side, the sheet at that zoom to scroll
    // over, and the pipeline's middle in the window's middle.
    viewtest::add(f.doc, viewtest::makePipe({1000, -1000, 0}, {2000, -1300, 0}));
    c = fitToWindow(f.view, f.doc.drawing, {1000, 700}, 0.5);
    EXPECT_DOUBLE_EQ(f.view.ZoomPara, 0.88 * 2000 / 1000);
    EXPECT_EQ(f.doc.drawing.ZoomPara, f.view.ZoomPara);
    EXPECT_EQ(c.extent, (platform::Size{5104, 3608}));
    EXPECT_EQ(c.position, (Point{1500 * 176 / 100 - 1000, -1150 * 176 / 100 + 700}));
    EXPECT_TRUE(c.invalidate);
    // A tall pipeline is limited by the window's height; one in the sheet's corner is centred
    // all the same: the scroll area reaches beyond the sheet's top and left edges.
    viewtest::Fixture t;
    viewtest::add(t.doc, viewtest::makePipe({0, 0, 0}, {100, -1000, 0}));
    c = fitToWindow(t.view, t.doc.drawing, {1000, 700}, 0.5);
    EXPECT_DOUBLE_EQ(t.view.ZoomPara, 0.88 * 1400 / 1000);
    EXPECT_EQ(c.position, (Point{62 - 1000, -616 + 700}));
    EXPECT_EQ(c.origin, c.position);
    // Down to the sheet's bottom edge and across to its right edge at the zoom.
    EXPECT_EQ(c.extent, (platform::Size{3572 - c.origin.x, c.origin.y + 2525}));
    // Symbols, welds and free texts are drawn and fitted.
    viewtest::add(t.doc, viewtest::makeObject(tubra::model::ObjectKind::Valve, {100, -1000, 0}, {100, -1500, 0}));
    viewtest::add(t.doc, viewtest::makeObject(tubra::model::ObjectKind::TextBlock, {80, -1200, 0}, {80, -1200, 0}));
    // A symbol drawn from one anchor has no second port.
    viewtest::add(t.doc, viewtest::makeObject(tubra::model::ObjectKind::Fitting, {50, -500, 0}, {kNoSecondAnchor, 0, 0}));
    fitToWindow(t.view, t.doc.drawing, {1000, 700}, 0.5);
    EXPECT_DOUBLE_EQ(t.view.ZoomPara, 0.88 * 1400 / 1500);
    viewtest::add(t.doc, viewtest::makeObject(tubra::model::ObjectKind::TextBlock, {0, -3000, 0}, {0, -3000, 0}));
    fitToWindow(t.view, t.doc.drawing, {1000, 700}, 0.5);
    EXPECT_DOUBLE_EQ(t.view.ZoomPara, 0.88 * 1400 / 3000);
    // An up pipe that crosses the sheet's top edge (from y = -600 to y = 200) is fitted whole:
    // the window's top lies above the sheet, the scroll area reaches up to it.
    viewtest::Fixture u;
    viewtest::add(u.doc, viewtest::makePipe({1000, -600, 0}, {1000, 200, 0}));
    viewtest::add(u.doc, viewtest::makePipe({1000, -600, 0}, {1500, -600, 0}));
    c = fitToWindow(u.view, u.doc.drawing, {1000, 700}, 0.5);
    const double zoom = 0.88 * 1400 / 800;
    EXPECT_DOUBLE_EQ(u.view.ZoomPara, zoom);
    EXPECT_GT(c.position.y, 200 * zoom);                // the pipe's top inside the window
    EXPECT_LT(c.position.y - 1400, -600 * zoom);        // and its bottom
    EXPECT_EQ(c.origin.y, c.position.y);
    EXPECT_EQ(c.origin.x, 0);
    EXPECT_EQ(u.view.scrollExtent, c.extent);
    // A pipeline beyond the sheet: the scroll extent grows so that its middle can be centred.
    viewtest::Fixture b;
    viewtest::add(b.doc, viewtest::makePipe({5000, -4000, 0}, {6000, -4300, 0}));
    c = fitToWindow(b.view, b.doc.drawing, {1000, 700}, 0.5);
    EXPECT_EQ(c.position, (Point{5500 * 176 / 100 - 1000, -4150 * 176 / 100 + 700}));
    EXPECT_GE(c.extent.cx, 5500 * 176 / 100 + 1000);
    EXPECT_GE(c.extent.cy, 4150 * 176 / 100 + 700);

    // Vertical pipes only have no width: the height stands in, and the zoom stays in range.
    viewtest::Fixture g;
    viewtest::add(g.doc, viewtest::makePipe({10, 0, 0}, {10, -5, 0}));
    fitToWindow(g.view, g.doc.drawing, {1000, 700}, 0.5);
    EXPECT_EQ(g.view.ZoomPara, 11.0);
    viewtest::Fixture h;
    viewtest::add(h.doc, viewtest::makePipe({10, -5, 0}, {10, -5, 0}));
    fitToWindow(h.view, h.doc.drawing, {1000, 700}, 0.5);
    EXPECT_EQ(h.view.ZoomPara, 1.0);
}

TEST(ViewTransform, StatusReadouts) {
    ViewState v;
    v.ZoomPara = 2.0;
    v.scrollExtent = {2900, 2050};
    EXPECT_EQ(text::gbkToUtf8(positionReadout(v, {201, -401}, 12, 3, 1)),
              "( 100, 1850)   数量=12      废弃箱中可恢复数量=3      选中对象=1    放大倍数=2.00 ");
    EXPECT_EQ(text::gbkToUtf8(dragReadout(v, {0, 0, 0}, {0, -100, 0})),
              "管长=50      毫米   角度=270.00度");
}
