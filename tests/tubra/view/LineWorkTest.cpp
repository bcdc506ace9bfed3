#include <algorithm>
#include <array>
#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "tubra/view/LineWork.h"
#include "tubra/view/Paint.h"
#include "ViewTestSupport.h"

using namespace tubra::view;
using tubra::model::ObjectKind;
using tubra::model::Vec3;
using platform::CallKind;
using platform::Pen;
using platform::PenStyle;
using platform::Point;
using platform::Rect;
using platform::RasterOp;
using viewtest::makeObject;
using viewtest::makePipe;

namespace {
const double kTan30 = std::tan(30 * kDegToRad);

// An earlier vertical pipe at x = 200 and a later north pipe crossing it at y ≈ -242.26.
struct CrossingPair : viewtest::Fixture {
    CrossingPair(double verticalZ, double northZ) {
        viewtest::add(doc, makePipe({200, -400, verticalZ}, {200, -100, verticalZ}, 0, 0));
        viewtest::add(doc, makePipe({100, -300, northZ}, {300, -300 + 200 * kTan30, northZ}, 0, 5));
    }
    void paintGaps() {
        const PaintContext c = ctx();
        DrawCrossingGaps(doc.drawing.objects, c, doc.drawing.objects.at(1), 1);
    }
};
}  // namespace

TEST(Crossings, FindCrossingDecidesByElevationAtTheCrossing) {
    CrossingPair higherLater(1000, 2000);
    const auto& list = higherLater.doc.drawing.objects;
    Vec3 x;
    EXPECT_EQ(FindCrossing(list.at(1), list.at(0), &x), Crossing::LaterInFront);
    EXPECT_EQ(x.x, 200.0);
    EXPECT_NEAR(x.y, -242.265, 1e-3);
    EXPECT_EQ(FindCrossing(list.at(0), list.at(1)), Crossing::EarlierInFront);

    // Elevations are interpolated along the segment: this one climbs from 0 to 2000 in y.
    CrossingPair sloped(1000, 0);
    auto& s = sloped.doc.drawing.objects;
    s.at(0).Port1.z = 0;
    s.at(0).Port2.z = 3000;  // at y = -242.26 it is at ≈ 1577
    EXPECT_EQ(FindCrossing(s.at(1), s.at(0)), Crossing::EarlierInFront);
    s.at(1).Port1.z = s.at(1).Port2.z = 1600;
    EXPECT_EQ(FindCrossing(s.at(1), s.at(0)), Crossing::LaterInFront);

    CrossingPair level(1000, 1000);
    EXPECT_EQ(FindCrossing(level.doc.drawing.objects.at(1), level.doc.drawing.objects.at(0)),
              Crossing::SameElevation);

    // Meeting at an end point, parallel, disjoint, or not pipes: no crossing.
    const auto a = makePipe({0, 0, 5}, {100, 0, 5});
    EXPECT_EQ(FindCrossing(makePipe({100, 0, 0}, {100, 100, 0}), a), Crossing::None);
    EXPECT_EQ(FindCrossing(makePipe({50, 0, 0}, {50, 100, 0}), a), Crossing::None);  // T-joint
    EXPECT_EQ(FindCrossing(makePipe({0, 10, 0}, {100, 10, 0}), a), Crossing::None);
    EXPECT_EQ(FindCrossing(makePipe({0, 0, 0}, {100, 0, 0}), a), Crossing::None);
    EXPECT_EQ(FindCrossing(makePipe({200, -50, 0}, {200, 50, 0}), a), Crossing::None);
    EXPECT_EQ(FindCrossing(makePipe({50, -50, 9}, {50, 50, 9}), a), Crossing::LaterInFront);
    auto tee = makePipe({50, -50, 9}, {50, 50, 9});
    tee.MainType = tubra::model::kindValue(ObjectKind::Tee);
    EXPECT_EQ(FindCrossing(tee, a), Crossing::None);
    // Two vertical pipes, one of them degenerate: never a crossing, never a fault.
    EXPECT_EQ(FindCrossing(makePipe({7, 0, 0}, {7, 9, 0}), makePipe({7, 3, 1}, {7, 6, 1})),
              Crossing::None);
    EXPECT_EQ(FindCrossing(makePipe({5, 5, 0}, {5, 5, 0}), a), Crossing::None);
}

TEST(Crossings, TheRearPipeShowsAGapOf16UnitsAndTheFrontPipeIsRedrawn) {
    CrossingPair f(1000, 2000);
    f.paintGaps();
    const auto fills = f.canvas.callsOf(CallKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, (Rect{192, -234, 208, -250}));
    EXPECT_EQ(fills[0].rect.width(), 16);
    EXPECT_EQ(fills[0].colour, 0xFFFFFFu);
    const auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 1u);
    // The front (north) pipe across the gap, 12 either side along its own line.
    EXPECT_EQ(lines[0].from, (Point{189, -248}));
    EXPECT_EQ(lines[0].to, (Point{210, -236}));
    EXPECT_EQ(lines[0].pen, (Pen{PenStyle::Solid, 4, 0xFF0000}));
    EXPECT_GT(lines[0].call, f.canvas.calls().size() - 2);  // after the erase
}

TEST(Crossings, FrontPipeOfABranchLineAndAVerticalFront) {
    CrossingPair f(3000, 2000);  // the earlier, vertical pipe is in front
    f.doc.drawing.objects.at(0).SubType = 1;
    f.paintGaps();
    const auto fills = f.canvas.callsOf(CallKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect.width(), 8);  // 2 x the branch width
    const auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_TRUE(lines[0].joins({200, -254}, {200, -230}));
    EXPECT_EQ(lines[0].pen, (Pen{PenStyle::Solid, 2, f.app.settings.ZhiXianColor}));
}

TEST(Crossings, NoGapAtEqualElevationOrAtASharedEndPoint) {
    CrossingPair level(1000, 1000);
    level.paintGaps();
    EXPECT_TRUE(level.canvas.calls().empty());

    viewtest::Fixture f;
    viewtest::add(f.doc, makePipe({0, 0, 0}, {0, -100, 0}));
    viewtest::add(f.doc, makePipe({0, -100, 500}, {100, -100 + 100 * kTan30, 500}, 0, 5));
    DrawCrossingGaps(f.doc.drawing.objects, f.ctx(), f.doc.drawing.objects.at(1), 1);
    EXPECT_TRUE(f.canvas.calls().empty());
}

TEST(Crossings, TheGapScalesItsPositionButNotItsSize) {
    CrossingPair f(1000, 2000);
    f.view.ZoomPara = 2.0;
    f.paintGaps();
    const auto fills = f.canvas.callsOf(CallKind::FillRect);
    ASSERT_EQ(fills.size(), 1u);
    EXPECT_EQ(fills[0].rect, (Rect{392, -476, 408, -492}));
}

namespace {
// A drawing of random pipes (with end points shared, axis-parallel runs, equal elevations and
// some other kinds) for comparing the indexed gap pass with the all-pairs pass.
void randomDrawing(tubra::model::Document& doc, std::uint32_t seed, int count) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> coord(0, 1000);
    std::uniform_int_distribution<int> grid(0, 20);
    std::uniform_int_distribution<int> pick(0, 9);
    std::vector<Vec3> ends;
    for (int i = 0; i < count; ++i) {
        const int kind = pick(rng);
        Vec3 a, b;
        if (kind < 3) {  // on a coarse grid: many shared ends and exact crossings
            a = {grid(rng) * 50.0, -grid(rng) * 50.0, grid(rng) % 3 * 1000.0};
            b = pick(rng) < 5 ? Vec3(a.x, -grid(rng) * 50.0, a.z) : Vec3(grid(rng) * 50.0, a.y, a.z);
        } else {
            a = {coord(rng), -coord(rng), coord(rng)};
            b = {a.x + coord(rng) / 4 - 125, a.y + coord(rng) / 4 - 125, coord(rng)};
        }
        if (!ends.empty() && pick(rng) == 0) a = ends[static_cast<std::size_t>(grid(rng)) % ends.size()];
        ends.push_back(b);
        auto o = makePipe(a, b, pick(rng) < 7 ? 0 : 1, 2);
        if (kind == 9) o.MainType = tubra::model::kindValue(ObjectKind::Weld);
        if (kind == 8 && pick(rng) < 3) o.EndDir = 7;
        viewtest::add(doc, o);
    }
}

void expectSameCalls(const platform::RecordingCanvas& a, const platform::RecordingCanvas& b) {
    ASSERT_EQ(a.calls().size(), b.calls().size());
    for (std::size_t i = 0; i < a.calls().size(); ++i) {
        const auto& x = a.calls()[i];
        const auto& y = b.calls()[i];
        ASSERT_TRUE(x.kind == y.kind && x.points == y.points && x.rect == y.rect &&
                    x.colour == y.colour && x.state == y.state)
            << "call " << i;
    }
}
}  // namespace

TEST(Crossings, TheIndexedPassDrawsExactlyWhatTheAllPairsPassDraws) {
    for (std::uint32_t seed = 1; seed <= 12; ++seed) {
        viewtest::Fixture f;
        randomDrawing(f.doc, seed, 60 + static_cast<int>(seed) * 25);
        if (seed == 5) {  // coordinates no grid can place
            f.doc.drawing.objects.at(7).Port2.x = std::nan("");
            f.doc.drawing.objects.at(30).Port1.y = INFINITY;
        }
        platform::RecordingCanvas plain, indexed;
        ViewState v1 = f.view, v2 = f.view;
        OnDraw(f.doc, v1, plain, nullptr, CrossingPass::AllPairs);
        OnDraw(f.doc, v2, indexed, nullptr, CrossingPass::Indexed);
        EXPECT_GT(plain.count(CallKind::FillRect), 0u) << "seed " << seed;
        expectSameCalls(plain, indexed);
    }
}

TEST(Crossings, IndexCandidatesAreEarlierPipesInListOrder) {
    viewtest::Fixture f;
    randomDrawing(f.doc, 99, 300);
    CrossingIndex index(f.doc.drawing.objects);
    const auto& list = f.doc.drawing.objects;
    for (std::size_t j = 0; j < list.size(); ++j) {
        const auto c = index.candidates(j);
        EXPECT_TRUE(std::is_sorted(c.begin(), c.end()));
        for (std::size_t i : c) EXPECT_LT(i, j);
        for (std::size_t i = 0; i < j; ++i) {
            if (FindCrossing(list.at(j), list.at(i)) != Crossing::None) {
                EXPECT_TRUE(std::find(c.begin(), c.end(), i) != c.end()) << j << " " << i;
            }
        }
    }
}

namespace {

// Drawings the grid does badly on: every pipe starting at one point (all boxes meet there),
// long pipes crossing a small area both ways (most pairs really cross), pipes of every length
// crowded together, with other objects and unplaceable coordinates among them.
void crowdedDrawing(tubra::model::Document& doc, std::uint32_t seed, int count) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < count; ++i) {
        const double z = std::floor(unit(rng) * 4) * 500;
        Vec3 a, b;
        switch (seed % 3) {
            case 0: {  // a star
                const double angle = std::floor(unit(rng) * 12) * 30 * kDegToRad;
                const double length = 20 + unit(rng) * 400;
                a = {500, -500, z};
                b = {500 + std::cos(angle) * length, -500 + std::sin(angle) * length, z + 100};
                break;
            }
            case 1: {  // a lattice of long pipes
                const double at = unit(rng) * 40;
                a = i % 2 ? Vec3(0, -at, z) : Vec3(at, 0, z);
                b = i % 2 ? Vec3(1000, -at, z) : Vec3(at, -1000, z);
                break;
            }
            default:  // any length, in a small area
                a = {unit(rng) * 50, -unit(rng) * 50, z};
                b = {a.x + (unit(rng) - 0.5) * std::pow(10.0, unit(rng) * 3), a.y - unit(rng) * 30, z + 50};
                break;
        }
        auto o = makePipe(a, b, i % 4 == 0 ? 1 : 0, 2);
        if (i % 7 == 3) o.MainType = tubra::model::kindValue(ObjectKind::Weld);
        viewtest::add(doc, o);
    }
    if (count > 40) doc.drawing.objects.at(17).Port1.x = std::nan("");
}

// Every earlier pipe whose box meets the pipe's box, and every one the grid cannot place.
std::vector<std::size_t> boxCandidates(const tubra::model::ObjectList& list, std::size_t j) {
    std::vector<std::size_t> out;
    const auto& a = list.at(j);
    auto placeable = [](const tubra::model::PipeObject& o) {
        return std::isfinite(o.Port1.x) && std::isfinite(o.Port1.y) && std::isfinite(o.Port2.x) &&
               std::isfinite(o.Port2.y);
    };
    if (!a.is(ObjectKind::Pipe)) return out;
    for (std::size_t i = 0; i < j; ++i) {
        const auto& b = list.at(i);
        if (!b.is(ObjectKind::Pipe)) continue;
        if (!placeable(a) || !placeable(b) ||
            (std::min(a.Port1.x, a.Port2.x) <= std::max(b.Port1.x, b.Port2.x) &&
             std::min(b.Port1.x, b.Port2.x) <= std::max(a.Port1.x, a.Port2.x) &&
             std::min(a.Port1.y, a.Port2.y) <= std::max(b.Port1.y, b.Port2.y) &&
             std::min(b.Port1.y, b.Port2.y) <= std::max(a.Port1.y, a.Port2.y)))
            out.push_back(i);
    }
    return out;
}

}  // namespace

// Whatever the drawing, the candidates are exactly the earlier pipes whose boxes meet, and no
// query looks at more earlier objects than the all-pairs pass compares (one per earlier
// object); on a drawing spread over the sheet it looks at far fewer.
TEST(Crossings, TheIndexNeverDoesMoreThanTheAllPairsPass) {
    for (std::uint32_t seed = 0; seed < 10; ++seed) {
        viewtest::Fixture f;
        const bool spread = seed >= 8;
        if (seed < 6) {
            crowdedDrawing(f.doc, seed, 150 + static_cast<int>(seed) * 60);
        } else if (!spread) {
            randomDrawing(f.doc, seed, 400);
        } else {  // short pipes all over the sheet
            std::mt19937 rng(seed);
            std::uniform_real_distribution<double> at(0, 2000), length(10, 60);
            for (int i = 0; i < 400; ++i) {
                const Vec3 a(at(rng), -at(rng), 0);
                viewtest::add(f.doc, makePipe(a, i % 2 ? Vec3(a.x + length(rng), a.y, 0) : Vec3(a.x, a.y - length(rng), 9)));
            }
        }
        const auto& list = f.doc.drawing.objects;
        CrossingIndex index(list);
        std::size_t allPairs = 0;
        for (std::size_t j = 0; j < list.size(); ++j) {
            const std::size_t before = index.examined();
            const std::vector<std::size_t> c = index.candidates(j);
            ASSERT_EQ(c, boxCandidates(list, j)) << "seed " << seed << " object " << j;
            ASSERT_LE(index.examined() - before, j) << "seed " << seed << " object " << j;
            allPairs += j;
        }
        if (spread) {
            EXPECT_LT(index.examined() * 20, allPairs) << "seed " << seed;
        }
        // The paints agree call for call.
        platform::RecordingCanvas plain, indexed;
        ViewState v1 = f.view, v2 = f.view;
        OnDraw(f.doc, v1, plain, nullptr, CrossingPass::AllPairs);
        OnDraw(f.doc, v2, indexed, nullptr, CrossingPass::Indexed);
        expectSameCalls(plain, indexed);
    }
}

// The kept gaps after every kind of edit are the gaps found anew, in the same order: ends
// moved, a pipe turned into a weld and back, pipes added and taken out at the end and in the
// middle, coordinates no grid can place, and an edit of more pipes than are looked at one by
// one. Small edits look again at the changed pipes only.
TEST(Crossings, KeptGapsFollowEveryEditAsIfFoundAnew) {
    viewtest::Fixture f;
    randomDrawing(f.doc, 3, 400);
    auto& list = f.doc.drawing.objects;
    KeptCrossings kept;
    kept.update(list);
    const auto expectFoundAnew = [&](const char* edit) {
        kept.update(list);
        EXPECT_TRUE(kept.current(list)) << edit;
        KeptCrossings fresh;
        fresh.update(list);
        ASSERT_EQ(kept.gaps().size(), fresh.gaps().size()) << edit;
        for (std::size_t k = 0; k < fresh.gaps().size(); ++k) {
            const auto& a = kept.gaps()[k];
            const auto& b = fresh.gaps()[k];
            ASSERT_TRUE(a.later == b.later && a.earlier == b.earlier &&
                        a.laterInFront == b.laterInFront && a.x == b.x && a.y == b.y)
                << edit << ", gap " << k;
        }
    };
    const auto pipeAt = [&](std::size_t from) {
        while (!list.at(from).is(ObjectKind::Pipe)) ++from;
        return from;
    };
    ASSERT_GT(kept.gaps().size(), 50u);

    const std::size_t a = pipeAt(10), b = pipeAt(200);
    list.at(a).Port2 = list.at(b).Port2;  // now crosses what b's end crosses
    list.at(b).Port1.z += 700;            // the other pipe in front
    expectFoundAnew("ends moved");
    const std::size_t w = pipeAt(50);
    list.at(w).MainType = tubra::model::kindValue(ObjectKind::Weld);
    expectFoundAnew("a pipe made a weld");
    list.at(w).MainType = tubra::model::kindValue(ObjectKind::Pipe);
    expectFoundAnew("the weld a pipe again");
    viewtest::add(f.doc, makePipe({0, -1000, 0}, {2000, -1000, 50}, 0, 2));
    expectFoundAnew("a long pipe added at the end");
    const auto last = list.take(&list.last());
    expectFoundAnew("the last pipe taken out");
    list.at(pipeAt(120)).Port1.x = std::nan("");
    expectFoundAnew("a coordinate no box holds");
    EXPECT_EQ(kept.fullPasses(), 1u);
    EXPECT_LE(kept.pipesLookedAgain(), 10u);

    const auto middle = list.take(&list.at(5));  // positions move
    expectFoundAnew("an object taken out in the middle");
    for (std::size_t i = 0; i < list.size(); i += 3) list.at(i).Port1.y -= 40;
    expectFoundAnew("a third of the drawing moved");
    EXPECT_GE(kept.fullPasses(), 2u);
}

// A window's selection of the kept gaps holds every gap whose crossing is in it.
TEST(Crossings, KeptGapsInARectangleAreAllThatLieInIt) {
    viewtest::Fixture f;
    crowdedDrawing(f.doc, 2, 600);
    KeptCrossings kept;
    kept.update(f.doc.drawing.objects);
    ASSERT_GT(kept.gaps().size(), 100u);
    std::vector<std::size_t> in;
    for (const auto& [x0, y0, x1, y1] :
         {std::array<double, 4>{0, -20, 25, 0}, {10, -60, 12, -10}, {-1e9, -1e9, 1e9, 1e9}}) {
        kept.gapsIn(x0, y0, x1, y1, in);
        EXPECT_TRUE(std::is_sorted(in.begin(), in.end()));
        for (std::size_t k = 0; k < kept.gaps().size(); ++k) {
            const auto& g = kept.gaps()[k];
            if (g.x >= x0 && g.x <= x1 && g.y >= y0 && g.y <= y1) {
                EXPECT_TRUE(std::binary_search(in.begin(), in.end(), k)) << k;
            }
        }
    }
    EXPECT_EQ(in.size(), kept.gaps().size());
}

// --- bodies ---

TEST(Bodies, StraightPipesSnapToTheirAxisAndFollowLayersWidthsAndColours) {
    viewtest::Fixture f;
    f.view.ZoomPara = 2.0;
    auto main = makePipe({100, -100, 0}, {100, -150.3, 0}, 0, 1);
    auto branch = makePipe({0, 0, 0}, {100, 58, 0}, 1, 5);
    f.app.settings.ZhiXianStyle = 3;
    DrawObjectBody(main, f.ctx(), false);
    DrawObjectBody(branch, f.ctx(), false);
    const auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].joins({200, -200}, {200, -300}));
    EXPECT_EQ(lines[0].pen, (Pen{PenStyle::Solid, 4, 0xFF0000}));
    // The branch is drawn along north with the length of its ports' distance.
    EXPECT_EQ(lines[1].from, (Point{0, 0}));
    EXPECT_EQ(lines[1].to, (Point{200, 115}));
    EXPECT_EQ(lines[1].pen, (Pen{PenStyle::DashDot, 2, 0xE61EDC}));

    f.canvas.clear();
    f.app.settings.ZhuXianLayer = 0;
    f.app.settings.ZhiXianLayer = 0;
    DrawObjectBody(main, f.ctx(), false);
    DrawObjectBody(branch, f.ctx(), false);
    auto other = makePipe({0, 0, 0}, {0, 100, 0}, 2, 0);  // neither main nor branch
    f.app.settings.ZhiXianLayer = 1;
    DrawObjectBody(other, f.ctx(), false);
    EXPECT_TRUE(f.canvas.calls().empty());
}

TEST(Bodies, SlantedPipesShowWithThePipeLayersOff) {
    viewtest::Fixture f;
    f.app.settings.ZhuXianLayer = 0;
    f.app.settings.ZhiXianLayer = 0;
    auto plane = makePipe({100, 100, 0}, {0, 0, 0}, 0, 6);
    plane.StrtDir = 0;  // vertical east-west plane
    plane.Port3 = {300, 500, 0};
    auto space = makePipe({0, 0, 0}, {30, 70, 0}, 1, 7);
    DrawObjectBody(plane, f.ctx(), false);
    DrawObjectBody(space, f.ctx(), false);
    const auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 4u);
    const Pen construction{PenStyle::Dash, 1, f.app.settings.PingXieColor};
    // From the port with the smaller x along the east-west axis, then up to the other port.
    EXPECT_EQ(lines[0].from, (Point{0, 0}));
    EXPECT_EQ(lines[0].to, (Point{100, -57}));
    EXPECT_EQ(lines[0].pen, construction);
    EXPECT_EQ(lines[1].from, (Point{100, -57}));
    EXPECT_EQ(lines[1].to, (Point{100, 100}));
    EXPECT_EQ(lines[1].pen, construction);
    EXPECT_TRUE(lines[2].joins({100, 100}, {0, 0}));
    EXPECT_EQ(lines[2].pen, (Pen{PenStyle::Solid, 4, 0xFF0000}));
    EXPECT_TRUE(lines[3].joins({0, 0}, {30, 70}));
    EXPECT_EQ(lines[3].pen.colour, f.app.settings.ZhiXianColor);
}

TEST(Bodies, PlaneSlantLegsCornersDirectionsAndLengths) {
    const AxisAngles axes{30, 30};
    auto pipe = makePipe({100, 100, 7}, {0, 0, 7}, 0, 6);
    pipe.Port3 = {300, 500, 0};
    pipe.StrtDir = 1;  // vertical north-south plane: along north, then up
    auto legs = planeSlantLegs(pipe, axes);
    ASSERT_TRUE(legs);
    EXPECT_NEAR(legs->first.Port2.y, 57.735, 1e-3);
    EXPECT_EQ(legs->first.EndDir, 5);
    EXPECT_EQ(legs->first.Distanc, 500);
    EXPECT_EQ(legs->second.EndDir, 0);
    EXPECT_EQ(legs->second.Distanc, 300);
    EXPECT_EQ(legs->second.Port2, pipe.Port1);

    pipe.StrtDir = 2;  // horizontal: along east-west from h, along north-south into g
    legs = planeSlantLegs(pipe, axes);
    ASSERT_TRUE(legs);
    EXPECT_NEAR(legs->first.Port2.x, -36.6025, 1e-3);
    EXPECT_NEAR(legs->first.Port2.y, 21.1325, 1e-3);
    EXPECT_EQ(legs->first.EndDir, 2);  // pointing west: still the east-west axis
    EXPECT_EQ(legs->first.Distanc, 300);
    EXPECT_EQ(legs->second.EndDir, 5);
    EXPECT_EQ(legs->second.Distanc, 500);

    pipe.StrtDir = 5;  // no such plane
    EXPECT_FALSE(planeSlantLegs(pipe, axes));
    pipe.StrtDir = 2;
    pipe.EndDir = 7;
    EXPECT_FALSE(planeSlantLegs(pipe, axes));
}

TEST(Bodies, ElbowTeeWeldAndBreakLine) {
    viewtest::Fixture f;
    f.view.ZoomPara = 2.0;
    auto elbow = makeObject(ObjectKind::Elbow, {0, 0, 0}, {15, 16, 0});
    elbow.Port4 = {0, 16, 0};
    DrawObjectBody(elbow, f.ctx(), true);  // keeps its colour when selected
    auto bez = f.canvas.callsOf(CallKind::PolyBezier);
    ASSERT_EQ(bez.size(), 1u);
    EXPECT_EQ(bez[0].points, (std::vector<Point>{{0, 0}, {0, 16}, {15, 32}, {30, 32}}));
    EXPECT_EQ(bez[0].state.pen, (Pen{PenStyle::Solid, 4, f.app.settings.GuanJianColor}));
    EXPECT_EQ(bez[0].state.rasterOp, RasterOp::XorPen);

    f.canvas.clear();
    auto tee = makeObject(ObjectKind::Tee, {0, 0, 0}, {100, 0, 0});
    tee.Port3 = {50, 60, 0};
    tee.Port4 = {50, 0, 0};
    DrawObjectBody(tee, f.ctx(), false);
    auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_TRUE(lines[0].joins({0, 0}, {200, 0}));
    EXPECT_TRUE(lines[1].joins({100, 0}, {100, 120}));

    f.canvas.clear();
    f.app.settings.HanFengKuan = 5.7f;
    DrawObjectBody(makeObject(ObjectKind::Weld, {10, -20, 0}, {}), f.ctx(), false);
    const auto circles = f.canvas.callsOf(CallKind::Ellipse);
    ASSERT_EQ(circles.size(), 1u);
    EXPECT_EQ(circles[0].rect, (Rect{15, -35, 25, -45}));  // radius 5 whatever the zoom
    EXPECT_EQ(circles[0].state.brush, platform::Brush::solid(0xFFFFFF));
    EXPECT_EQ(circles[0].state.pen, (Pen{PenStyle::Solid, 1, f.app.settings.HanFengColor}));

    f.canvas.clear();
    f.view.ZoomPara = 1.0;
    auto cut = makeObject(ObjectKind::CutLine, {100, 100, 0}, {200, 100, 0}, 0, 90);
    DrawObjectBody(cut, f.ctx(), false);
    lines = f.canvas.segments();
    ASSERT_EQ(f.canvas.calls().size(), 3u);
    EXPECT_EQ(f.canvas.calls()[0].state.pen, (Pen{PenStyle::Solid, 6, 0xFFFFFF}));  // erase
    const auto marks = f.canvas.callsOf(CallKind::Polyline);
    ASSERT_EQ(marks.size(), 2u);
    const std::vector<Point> atEnd = {{175, 100}, {182, 95}, {188, 93}, {194, 95}, {200, 100},
                                      {206, 105}, {212, 107}, {218, 105}, {225, 100}};
    EXPECT_EQ(marks[0].points, atEnd);
    EXPECT_EQ(marks[1].points.front(), (Point{75, 100}));
    EXPECT_EQ(marks[0].state.pen, (Pen{PenStyle::Solid, 1, f.app.settings.GuanJianColor}));

    // Each kind obeys its layer.
    f.canvas.clear();
    f.app.settings.GuanJianLayer = 0;
    f.app.settings.QiTaLayer = 0;
    for (const auto& o : {elbow, tee, cut, makeObject(ObjectKind::Weld, {}, {})})
        DrawObjectBody(o, f.ctx(), false);
    EXPECT_TRUE(f.canvas.calls().empty());
}

TEST(Bodies, BodyRestoresTheCanvasAndSelectedDrawsInXorWithTheSelectionColour) {
    viewtest::Fixture f;
    f.canvas.setRasterOp(RasterOp::Not);
    const platform::CanvasState before = f.canvas.state();
    auto pipe = makePipe({0, 0, 0}, {0, 100, 0}, 0, 0);
    DrawObjectBody(pipe, f.ctx(), true);
    EXPECT_EQ(f.canvas.state(), before);
    const auto lines = f.canvas.segments();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rasterOp, RasterOp::XorPen);
    EXPECT_EQ(lines[0].pen.colour, f.app.settings.SelectionColor);
    EXPECT_EQ(f.canvas.calls()[0].state.backgroundColour, f.app.settings.BeiJingColor);
}
