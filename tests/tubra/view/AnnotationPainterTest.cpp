#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "text/Gbk.h"
#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/Annotations.h"
#include "tubra/view/SymbolLibrary.h"
#include "tubra/view/TextObjectPainter.h"

using namespace tubra::view;
using platform::CallKind;
using platform::Point;
using tubra::model::ObjectKind;
using tubra::model::PipeObject;
using tubra::model::Vec3;

namespace {

struct Annotations : ::testing::Test, viewtest::Fixture {
    // A pipe along an axis from `from`, `length` sheet units long.
    PipeObject pipe(int dir, double length, Vec3 from = {1000, -1000, 0}) {
        const Vec3 to = StepAlong(view.axes(), from, dir, length);
        PipeObject p = viewtest::makePipe(from, {to.x, to.y, from.z}, 0, dir);
        p.Distanc = length;
        return p;
    }
    std::vector<platform::CanvasCall> texts() { return canvas.callsOf(CallKind::TextOut); }
    void paint(PipeObject& o) {
        canvas.clear();
        paintAnnotation(o, ctx());
    }
};

}  // namespace

TEST_F(Annotations, NewPipeGetsItsLengthAndHiddenTextsStayInTheObject) {
    PipeObject p = pipe(2, 1500);
    paint(p);
    EXPECT_EQ(p.DistTxt, "1500");  // "%-8d" without its trailing blanks
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_EQ(texts()[0].text, "1500");

    for (const char* hidden : {"^1500", "0", "0.5"}) {
        p.DistTxt = hidden;
        paint(p);
        EXPECT_TRUE(texts().empty()) << hidden;
        EXPECT_EQ(p.DistTxt, hidden);
    }
    // Blanks inside a text go, a leading one stays.
    p.DistTxt = " 1 500 mm";
    paint(p);
    EXPECT_EQ(p.DistTxt, " 1500mm");
    app.settings.DimTextLayer = 0;
    p.DistTxt = "1500";
    paint(p);
    EXPECT_TRUE(texts().empty());
}

TEST_F(Annotations, PipeTextOffsetsWithAndWithoutDimensionLines) {
    // With α = 0 an east pipe is level, so the offsets show undistorted.
    view.X_AxisAngle = 0;
    PipeObject p = pipe(2, 1000, {1000, -1000, 0});
    paint(p);
    // Dimension lines off: a = 0, b = Dim_Size + Dim_High + ZhuXianKuan = 49; the text of
    // 4 characters is 4 × 20 / 2 = 40 wide and centred by half of that.
    EXPECT_EQ(p.dimTxt_st, Vec3(1480, -951, 0));
    EXPECT_EQ(p.dimL_st, Vec3(1000, -1000, 0));
    EXPECT_EQ(p.dimAngle, 0);
    EXPECT_EQ(p.dimYX1_st.x, 0.0);  // pipes are laid out at every paint
    EXPECT_EQ(texts()[0].points[0], (Point{1480, -951}));
    EXPECT_EQ(canvas.count(CallKind::Line), 0u);
    EXPECT_EQ(canvas.count(CallKind::Polygon), 0u);

    app.settings.DimLineLayer = 1;
    paint(p);
    EXPECT_EQ(p.dimL_st, Vec3(1000, -985, 0));
    EXPECT_EQ(p.dimL_ed, Vec3(2000, -985, 0));
    EXPECT_EQ(p.dimTxt_st, Vec3(1480, -955, 0));
    const auto lines = canvas.segments();
    ASSERT_GE(lines.size(), 3u);
    const platform::Pen dimPen{platform::PenStyle::Solid, 1, app.settings.DimLineColor};
    EXPECT_TRUE(lines[0].joins({1000, -977}, {1000, -1000}));  // extension lines past the line
    EXPECT_TRUE(lines[1].joins({2000, -977}, {2000, -1000}));
    EXPECT_TRUE(lines[2].joins({1000, -985}, {2000, -985}));
    EXPECT_EQ(lines[2].pen, dimPen);
    // Arrowheads at both ends, pointing outward.
    const auto arrows = canvas.callsOf(CallKind::Polygon);
    ASSERT_EQ(arrows.size(), 2u);
    EXPECT_EQ(arrows[0].points[0], (Point{2000, -985}));
    EXPECT_LT(arrows[0].points[1].x, 2000);
    EXPECT_EQ(arrows[1].points[0], (Point{1000, -985}));
    EXPECT_GT(arrows[1].points[1].x, 1000);

    // At α = 30 the text line rises by cos 30° of the offset and follows the pipe's angle.
    view.X_AxisAngle = 30;
    app.settings.DimLineLayer = 0;
    PipeObject slanted = pipe(2, 1000);
    paint(slanted);
    EXPECT_EQ(slanted.dimAngle, -300);
    EXPECT_EQ(texts()[0].state.font.escapement, -300);
    EXPECT_NEAR(slanted.dimTxt_st.y, -1000 - 250 + 49 * std::cos(30 * kDegToRad) + 10, 0.01);
}

TEST_F(Annotations, VerticalPipeTextRunsDownBesideThePipe) {
    PipeObject p = pipe(0, 1000);
    p.DistTxt = "1000";
    paint(p);
    EXPECT_EQ(p.dimAngle, -900);
    EXPECT_EQ(texts()[0].state.font.escapement, -900);
    EXPECT_NEAR(p.dimTxt_st.x, 995, 1e-5);
    EXPECT_NEAR(p.dimTxt_st.y, -500 + 20, 1e-6);
}

TEST_F(Annotations, ElbowElevationMark) {
    // An elbow at 3250 mm turning from east to up.
    PipeObject e =
        viewtest::makeObject(ObjectKind::Elbow, {1000, -1000, 3250}, {1000, -984, 3250}, -1, 0);
    e.StrtDir = 2;
    e.Port4 = {1014, -1008, 3250};
    view.autoElevation = true;
    paint(e);
    EXPECT_EQ(e.DistTxt, text::gbk("▽3.25m"));
    ASSERT_EQ(texts().size(), 1u);
    EXPECT_TRUE(texts()[0].state.font.underline);
    // The mark stands on the continuation of the east leg past the corner and runs along it.
    EXPECT_EQ(texts()[0].state.font.escapement, -300);
    EXPECT_EQ(e.dimAngle, -300);
    // From Port1 (the incoming pipe runs east): D = R + cw = 16 + 20 along the east axis.
    EXPECT_NEAR(e.dimTxt_st.x, 1000 + 36 * std::cos(30 * kDegToRad), 1e-6);
    EXPECT_NEAR(e.dimTxt_st.y, -1000 + 30 - 36 * std::sin(30 * kDegToRad), 1e-6);

    // The lower port decides; without automatic elevation the text is a hidden blank.
    e.DistTxt = "";
    e.Port2.z = 1200;
    paint(e);
    EXPECT_EQ(e.DistTxt, text::gbk("▽1.20m"));
    e.DistTxt = "";
    view.autoElevation = false;
    paint(e);
    EXPECT_EQ(e.DistTxt, " ");
    EXPECT_TRUE(texts().empty());
    // Elbows between horizontal legs show no mark.
    e.DistTxt = "X";
    e.StrtDir = 2;
    e.EndDir = 5;
    paint(e);
    EXPECT_TRUE(texts().empty());
    EXPECT_EQ(elevationMark(-1500), text::gbk("▽-1.50m"));
}

TEST_F(Annotations, ValveLabelAnglesAndFrozenLayout) {
    auto valveOn = [&](int dir) {
        PipeObject p = pipe(dir, 64);
        PipeObject v = viewtest::makeObject(ObjectKind::Valve, p.Port1, p.Port2, 13, dir);
        v.DistTxt = "DN100";
        return v;
    };
    // Before layout: 0 on vertical pipes, -900 on horizontal ones, stored in the object.
    for (int dir : {0, 1, 2, 3, 4, 5}) {
        PipeObject v = valveOn(dir);
        EXPECT_EQ(annotationTextAngle(v, view.axes()), dir < 2 ? 0 : -900) << dir;
        EXPECT_EQ(v.dimAngle, dir < 2 ? 0 : -900);
    }
    // Laid out, the label lies beside the valve; on vertical pipes flat and 30 to the right
    // of its middle, on horizontal ones along the pipe. The first paint already uses the
    // angle the layout keeps.
    PipeObject up = valveOn(0);
    paint(up);
    EXPECT_EQ(up.dimYX1_st, Vec3(1, 1, 1));
    EXPECT_EQ(up.dimAngle, 0);
    EXPECT_EQ(texts()[0].state.font.escapement, 0);
    EXPECT_NEAR(up.dimTxt_st.x, 1030, 1e-9);
    EXPECT_NEAR(up.dimTxt_st.y, -968, 1e-9);
    PipeObject down = valveOn(1);
    paint(down);
    EXPECT_EQ(down.dimAngle, 0);
    EXPECT_NEAR(down.dimTxt_st.x, 1030, 1e-9);
    PipeObject east = valveOn(2);
    paint(east);
    EXPECT_EQ(east.dimAngle, -300);
    EXPECT_EQ(texts()[0].state.font.escapement, -300);

    // A kept layout is not redone: a moved label stays, even at another zoom.
    east.dimTxt_st = {50, -50, 0};
    view.ZoomPara = 2;
    paint(east);
    EXPECT_EQ(texts()[0].points[0], (Point{100, -100}));
    // A blank first character hides it.
    east.DistTxt = " DN100";
    paint(east);
    EXPECT_TRUE(texts().empty());
}

TEST_F(Annotations, SupportsTakeTheirAngleFromThePipeDirection) {
    PipeObject s =
        viewtest::makeObject(ObjectKind::Accessory, {1000, -1000, 0}, {1000, -1000, 0}, 32, 2);
    s.DistTxt = "S1";
    paint(s);
    EXPECT_EQ(s.dimAngle, 300);
    s = viewtest::makeObject(ObjectKind::Accessory, {1000, -1000, 0}, {1000, -1000, 0}, 32, 5);
    s.DistTxt = "S1";
    paint(s);
    EXPECT_EQ(s.dimAngle, -300);
    // A symbol that ends on its anchor still gets a finite label position.
    EXPECT_TRUE(std::isfinite(s.dimTxt_st.x) && std::isfinite(s.dimTxt_st.y));
}

TEST_F(Annotations, WeldNumbersStandClearOfTheCircle) {
    for (int dir : {0, 2, 5}) {
        tubra::model::Document& d = doc;
        PipeObject& w = d.drawing.addObject(
            {8, -1, static_cast<double>(dir), {1000, -1000, 0}, {1000, -1000, 0}, 0, -1});
        w.DistTxt = "12";
        paint(w);
        EXPECT_EQ(w.dimYX1_st.x, 1.0);
        ASSERT_EQ(texts().size(), 1u);
        // The text box (30 high, 2 × 15 wide, turned by its angle) keeps off the circle.
        const Point ref = texts()[0].points[0];
        const double phi = w.dimAngle / 10.0 * kDegToRad;
        double nearest = 1e9;
        for (double t = 0; t <= 1.0; t += 0.1)
            for (double u = 0; u <= 1.0; u += 0.1) {
                const double x = ref.x + std::cos(phi) * 30 * t + std::sin(phi) * 30 * u;
                const double y = ref.y + std::sin(phi) * 30 * t - std::cos(phi) * 30 * u;
                nearest = std::min(nearest, std::hypot(x - 1000, y + 1000));
            }
        EXPECT_GT(nearest, app.settings.HanFengKuan) << dir;
    }
}

TEST_F(Annotations, FlowMarkFollowsOrOpposesThePipe) {
    view.X_AxisAngle = 0;
    PipeObject p = pipe(2, 1000);  // level, left to right
    p.DistTxt = "1000";
    p.Port4 = {1200, -1000, 1};
    paint(p);
    // Line of (4 + 2) × 15 from the anchor forward; arrowhead pointing east at its end.
    const auto segs = canvas.segments();
    ASSERT_FALSE(segs.empty());
    EXPECT_TRUE(segs[0].joins({1200, -1000}, {1290, -1000}));
    auto arrows = canvas.callsOf(CallKind::Polygon);
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_EQ(arrows[0].points[0], (Point{1290, -1000}));
    EXPECT_EQ(arrows[0].points[1], (Point{1270, -996}));
    p.Port4.z = -1;
    paint(p);
    arrows = canvas.callsOf(CallKind::Polygon);
    ASSERT_EQ(arrows.size(), 1u);
    EXPECT_EQ(arrows[0].points[0], (Point{1200, -1000}));
    EXPECT_GT(arrows[0].points[1].x, 1200);  // pointing west
    EXPECT_EQ(arrows[0].points[1].y, -1004);
    p.Port4.z = 0.5;
    paint(p);
    EXPECT_EQ(canvas.count(CallKind::Polygon), 0u);
}

TEST_F(Annotations, OnlyAnnotatedKindsDrawAndTheStateIsRestored) {
    PipeObject t = viewtest::makeObject(ObjectKind::TextBlock, {0, 0, 0}, {0, 0, 0}, 0, 0);
    t.DistTxt = "x";
    paint(t);
    EXPECT_TRUE(canvas.calls().empty());
    const platform::CanvasState before = canvas.state();
    PipeObject p = pipe(2, 500);
    paint(p);
    EXPECT_EQ(canvas.state(), before);
    // No usable zoom: nothing is stored.
    view.ZoomPara = 0;
    PipeObject q = pipe(2, 500);
    paint(q);
    EXPECT_TRUE(q.DistTxt.empty());
}

TEST_F(Annotations, TextObjectsFollowTheZoomOnlyWhenAsked) {
    PipeObject t = viewtest::makeObject(ObjectKind::TextBlock, {300, -400, 0}, {0, 0, 0}, 1, 0);
    t.DistTxt = text::gbk("说明");
    t.CaiLiao = text::gbk("黑体");
    t.Port3.y = 50;
    t.Number = 1;
    t.dimAngle = 450;
    view.ZoomPara = 2.0;
    t.BiHou = 1;
    canvas.clear();
    paintTextObject(t, ctx());
    auto calls = texts();
    ASSERT_EQ(calls.size(), 1u);
    const platform::Font& f = calls[0].state.font;
    EXPECT_EQ(f.height, 100);
    EXPECT_EQ(f.face, text::gbk("黑体"));
    EXPECT_TRUE(f.italic);
    EXPECT_TRUE(f.underline);
    EXPECT_EQ(f.escapement, 450);
    EXPECT_EQ(f.weight, 500);
    EXPECT_EQ(calls[0].points[0], (Point{600, -800}));
    EXPECT_EQ(calls[0].state.textColour, app.settings.TextColor);
    EXPECT_EQ(calls[0].text, text::gbk("说明"));

    t.BiHou = 0;
    t.Number = 0;
    t.SubType = 0;
    canvas.clear();
    paintTextObject(t, ctx());
    calls = texts();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].state.font.height, 50);
    EXPECT_FALSE(calls[0].state.font.italic);
    EXPECT_FALSE(calls[0].state.font.underline);
}

// Files can hold any numbers; painting them must stay defined (the sanitizer build checks).
TEST_F(Annotations, ExtremeValuesPaintWithoutFaults) {
    const double wild[] = {
        0.0,          -0.0,         1e300,         -1e300,
        std::nan(""), 2147483648.0, -2147483649.0, std::numeric_limits<double>::infinity()};
    const int kinds[] = {2, 3, 8, 12, 29, 30, 31, 36, 37};
    for (double v : wild) {
        view.X_AxisAngle = v;
        view.ZoomPara = v == 0.0 ? 1.0 : v;
        app.settings.DrawZoom_GJFM = v;
        for (int kind : kinds) {
            for (int dir : {-1, 0, 1, 2, 3, 4, 5, 6, 7}) {
                PipeObject o;
                o.MainType = kind;
                o.SubType = kind == 37 ? 39 : 13;
                o.EndDir = dir;
                o.StrtDir = v;
                o.Port1 = {v, -v, v};
                o.Port2 = {1.0, v, 0.0};
                o.Port3 = {v, v, v};
                o.Port4 = {v, v, v};
                o.Distanc = v;
                o.BiHou = 1;
                o.DistTxt = "12";
                canvas.clear();
                paintAnnotation(o, ctx());
                paintTextObject(o, ctx());
                paintSymbol(o, ctx(), false);
                symbolExitPoint(o, SymbolScale::of(ctx()));
            }
        }
    }
    SUCCEED();
}
