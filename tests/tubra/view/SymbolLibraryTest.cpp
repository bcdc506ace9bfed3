#include <algorithm>
#include <cmath>
#include <string>

#include <gtest/gtest.h>

#include "ViewTestSupport.h"
#include "text/Gbk.h"
#include "tubra/view/SymbolLibrary.h"
#include "tubra/model/Kinds.h"
#include "tubra/view/Symbols.h"

using namespace tubra::view;
using platform::CallKind;
using platform::PenStyle;
using platform::Point;
using tubra::model::ObjectKind;
using tubra::model::PipeObject;
using tubra::model::Vec3;

namespace {

struct Symbols : ::testing::Test, viewtest::Fixture {
    PipeObject symbol(ObjectKind kind, int code, int dir, Vec3 anchor = {1000, -1000, 5000}) {
        PipeObject o = viewtest::makeObject(kind, anchor, {kNoSecondAnchor, 0, 0}, code, dir);
        o.Distanc = 200;
        return o;
    }
    std::vector<platform::DrawnSegment> draw(const PipeObject& o, bool selected = false) {
        canvas.clear();
        exit = paintSymbol(o, ctx(), selected);
        return canvas.segments();
    }
    std::optional<Vec3> exit;
};

bool joins(const platform::DrawnSegment& s, Point a, Point b) {
    return s.joins(a, b);
}

}  // namespace

// Every symbol draws its table: on an upward pipe each segment (x, y) of the table goes to the
// anchor plus (-k·y, k·x), truncated, in table order, and the exit is the end of the last one;
// on an east pipe the along-pipe value is laid on the α axis, shortened by cos α and sheared
// by sin α·cos α. The symbols with drawing rules of their own are checked by the tests below.
TEST_F(Symbols, EverySymbolDrawsItsTableTurnedAndProjected) {
    const double k = app.settings.DrawZoom_GJFM;
    const double a = 30.0 * 3.14159255 / 180.0;
    for (const tubra::model::SymbolRow& row : tubra::model::allSymbols()) {
        if (row.keepsDialUp || row.outletLeans || row.crossesOtherAxis) continue;
        const int code = tubra::model::symbolValue(row.code);
        const tubra::model::SymbolLines lines{row.lines};
        for (int dir : {0, 2}) {
            SCOPED_TRACE(std::to_string(code) + " on " + std::to_string(dir));
            const auto segs = draw(symbol(row.kind, code, dir));
            // (A disc's outline comes after the lines.)
            ASSERT_EQ(segs.size() - (row.disc ? 8 : 0), lines.segmentCount());
            auto device = [&](tubra::model::SymbolPoint p) {
                if (dir == 0) return Point{1000 + static_cast<int>(std::trunc(-k * p.y)), -1000 + static_cast<int>(std::trunc(k * p.x))};
                const double g = k * p.x, h = k * p.y;
                return Point{1000 + static_cast<int>(std::trunc(g * std::cos(a) * std::cos(a))),
                             -1000 + static_cast<int>(std::trunc(h - g * std::sin(a) * std::cos(a)))};
            };
            for (std::size_t i = 0; i < lines.segmentCount(); ++i) {
                const tubra::model::SymbolSegment t = lines.segment(i);
                EXPECT_EQ(segs[i].from, device(t.from)) << "segment " << i;
                EXPECT_EQ(segs[i].to, device(t.to)) << "segment " << i;
            }
            ASSERT_TRUE(exit);
            const Point end = device(lines.exit());
            EXPECT_EQ(*exit, Vec3(end.x, end.y, 5000));
        }
    }
    // Codes without a row draw nothing.
    for (int unused : {-1, 0, 5, 8, 12, 26, 31, 36, 37, 55, 1000}) {
        draw(symbol(ObjectKind::Valve, unused, 0));
        EXPECT_FALSE(exit) << unused;
        EXPECT_TRUE(canvas.calls().empty());
    }
}

TEST_F(Symbols, GateValveOnAnUpPipe) {
    const auto segs = draw(symbol(ObjectKind::Valve, 13, 0));
    ASSERT_EQ(segs.size(), 12u);
    ASSERT_TRUE(exit);
    EXPECT_EQ(*exit, Vec3(1000, -936, 5000));  // 16 × 4 units up
    // End bars reach 16 to either side, at both ends.
    EXPECT_TRUE(joins(segs[0], {1000, -1000}, {984, -1000}));
    EXPECT_TRUE(joins(segs[1], {1000, -1000}, {1016, -1000}));
    EXPECT_TRUE(joins(segs[5], {984, -936}, {1000, -936}));
    EXPECT_TRUE(joins(segs[11], {1016, -936}, {1000, -936}));
    // The hand-wheel stem goes 32 to the left from the middle.
    EXPECT_TRUE(joins(segs[3], {1000, -968}, {968, -968}));
    for (const auto& s : segs) {
        EXPECT_EQ(s.pen, (platform::Pen{PenStyle::Solid, 1, app.settings.FaMenColor}));
        EXPECT_GE(s.from.y, -1000);
        EXPECT_LE(s.from.y, -936);
    }
}

TEST_F(Symbols, GateValveOnAnEastPipeIsShortenedAndSheared) {
    const auto segs = draw(symbol(ObjectKind::Valve, 13, 2));
    ASSERT_TRUE(exit);
    // 64 × cos²30 = 48 along x, 64 × sin30·cos30 = 27.7 down (truncated toward zero).
    EXPECT_EQ(*exit, Vec3(1048, -1027, 5000));
    // The end bar at the anchor stays vertical; the stem keeps its 32 up from the sheared middle.
    EXPECT_TRUE(joins(segs[0], {1000, -1000}, {1000, -984}));
    EXPECT_TRUE(joins(segs[3], {1024, -1013}, {1024, -982}));
    int maxX = 0;
    for (const auto& s : segs) maxX = std::max({maxX, s.from.x, s.to.x});
    EXPECT_EQ(maxX, 1048);
}

TEST_F(Symbols, ZoomAndSymbolScaleMultiply) {
    view.ZoomPara = 2.0;
    app.settings.DrawZoom_GJFM = 3.0;
    draw(symbol(ObjectKind::Valve, 13, 0, {500, -500, 0}));
    ASSERT_TRUE(exit);
    // Anchor at 1000, -1000 on the device; 16 × 6 = 96 up; stored back at zoom 1.
    EXPECT_EQ(*exit, Vec3(500, -452, 0));
    EXPECT_TRUE(joins(canvas.segments()[0], {1000, -1000}, {976, -1000}));
}

TEST_F(Symbols, PlacementQueriesGoForwardFromPort1OrBackwardOntoPort2) {
    const SymbolScale scale{4.0, 1.0, {30, 30}};
    PipeObject flange = symbol(ObjectKind::Fitting, 4, 5);
    auto forward = symbolExitPoint(flange, scale);
    ASSERT_TRUE(forward);
    EXPECT_EQ(*forward, Vec3(1012, -994, 5000));  // 16 along the north axis
    // Laid backward on a north pipe the flange is taken from the end of its table and lies
    // between 4k behind Port2 and Port2.
    flange.Port2 = {1000, -1000, 5000};
    flange.Port1 = {0, 0, 0};
    auto backward = symbolExitPoint(flange, scale);
    ASSERT_TRUE(backward);
    EXPECT_EQ(*backward, Vec3(988, -1006, 5000));
    EXPECT_EQ(canvas.calls().size(), 0u);  // queries draw nothing

    // The exit elevation follows vertical pipes, reversed when laid backward.
    PipeObject valve = symbol(ObjectKind::Valve, 13, 0);
    EXPECT_EQ(symbolExitPoint(valve, scale)->z, 5200);
    valve.EndDir = 1;
    EXPECT_EQ(symbolExitPoint(valve, scale)->z, 4800);
    valve.Port2 = valve.Port1;
    EXPECT_EQ(symbolExitPoint(valve, scale)->z, 5200);
    EXPECT_EQ(symbolExitPoint(valve, scale)->y, -936);  // and ends above Port2 on a down pipe
    valve.EndDir = 3;
    EXPECT_EQ(symbolExitPoint(valve, scale)->z, 5000);
}

TEST_F(Symbols, PressureGaugeIsDrawnReversedExceptOnUpPipes) {
    // On an east pipe the gauge is walked from the end of its table, shifted 8 back.
    const auto segs = draw(symbol(ObjectKind::Fitting, 9, 2, {1000, -1000, 0}));
    ASSERT_EQ(segs.size(), 21u);
    // Last table segment (0,4)-(0,0) comes first, turned round: from (-32, 0) to (-32, 16)
    // before projection; -32 × 0.75 = -24 in x, +13.86 in y.
    EXPECT_EQ(segs[0].from, (Point{976, -987}));
    EXPECT_EQ(segs[0].to, (Point{976, -971}));
    EXPECT_EQ(*exit, Vec3(976, -987, 0));
    // On an up pipe it is drawn as the table says, ending on the anchor.
    draw(symbol(ObjectKind::Fitting, 9, 0, {1000, -1000, 0}));
    EXPECT_EQ(*exit, Vec3(1000, -1000, 0));
    EXPECT_TRUE(joins(canvas.segments()[0], {1000, -1000}, {984, -1000}));
}

TEST_F(Symbols, ButterflyAndThrottleValvesGetAFilledOctagonAtTheirMiddle) {
    for (int code : {17, 19}) {
        draw(symbol(ObjectKind::Valve, code, 0));
        const auto polygons = canvas.callsOf(CallKind::Polygon);
        ASSERT_EQ(polygons.size(), 1u) << code;
        const std::vector<Point> want = {{998, -964},  {996, -966},  {996, -970},
                                         {998, -972},  {1002, -972}, {1004, -970},
                                         {1004, -966}, {1002, -964}, {998, -964}};
        EXPECT_EQ(polygons[0].points, want);
        EXPECT_EQ(polygons[0].state.brush, platform::Brush::solid(app.settings.FaMenColor));
    }
    draw(symbol(ObjectKind::Valve, 13, 0));
    EXPECT_EQ(canvas.count(CallKind::Polygon), 0u);
}

TEST_F(Symbols, PensColoursAndWhatDrawsNothing) {
    app.settings.FaMenKuan = 3.7f;
    auto segs = draw(symbol(ObjectKind::SiteMark, 41, 2));
    ASSERT_EQ(segs.size(), 6u);
    for (const auto& s : segs)
        EXPECT_EQ(s.pen, (platform::Pen{PenStyle::DashDotDot, 1, app.settings.FaMenColor}));
    // Every other symbol uses the valve pen, whatever its kind; selected ones the selection colour.
    segs = draw(symbol(ObjectKind::Accessory, 32, 2), true);
    for (const auto& s : segs)
        EXPECT_EQ(s.pen, (platform::Pen{PenStyle::Solid, 3, app.settings.SelectionColor}));

    for (auto [code, dir] : {std::pair{5, 0}, {12, 2}, {13, 6}, {13, 7}, {13, -1}}) {
        draw(symbol(ObjectKind::Valve, code, dir));
        EXPECT_FALSE(exit) << code << " " << dir;
        EXPECT_TRUE(canvas.calls().empty());
    }
}

TEST_F(Symbols, CrossingsOfRiversAndRailwaysRunAheadOnEveryHorizontalPipe) {
    // The river turns onto the other horizontal axis; on west and south pipes it still lies
    // ahead of the anchor, and the anchor point itself stays put.
    for (int dir : {2, 3, 4, 5}) {
        for (int code : {39, 44}) {
            const auto segs = draw(symbol(ObjectKind::SiteMark, code, dir));
            ASSERT_TRUE(exit);
            const bool ahead = dir == 2 || dir == 5 ? exit->x > 1000 : exit->x < 1000;
            EXPECT_TRUE(ahead) << code << " on " << dir << ": " << exit->x;
            for (const auto& s : segs) {
                EXPECT_LT(std::abs(s.from.x - 1000) + std::abs(s.from.y + 1000), 200);
                EXPECT_LT(std::abs(s.to.x - 1000) + std::abs(s.to.y + 1000), 200);
            }
        }
    }
    draw(symbol(ObjectKind::SiteMark, 39, 4));
    EXPECT_EQ(canvas.segments()[0].from, (Point{1000, -1000}));
}

TEST_F(Symbols, AngleValveOutletLeansTowardItsDirection) {
    PipeObject v = symbol(ObjectKind::Valve, 54, 0);
    // Outlet east (down-right) and west (up-left) from the middle of an up pipe.
    v.StrtDir = 2;
    draw(v);
    EXPECT_GT(exit->x, 1000);
    EXPECT_LT(exit->y, -1000 + 32);
    v.StrtDir = 4;
    draw(v);
    EXPECT_LT(exit->x, 1000);
    EXPECT_GT(exit->y, -1000 + 32);
    // On an east pipe: up, down, north (up-right of straight up) and south.
    v.EndDir = 2;
    v.StrtDir = 0;
    draw(v);
    EXPECT_GT(exit->y, -1000);
    v.StrtDir = 1;
    draw(v);
    EXPECT_LT(exit->y, -1000);
    v.StrtDir = 5;
    draw(v);
    const double northX = exit->x;
    v.StrtDir = 3;
    draw(v);
    EXPECT_GT(northX, exit->x);
}
