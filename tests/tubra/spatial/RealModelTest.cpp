// The pipeline rebuilt in real space from drawings made with the program's own tools: segments
// in every direction, elbows, tees, slanted and closed pipes, things on pipes, and the
// disagreements the check finds (and those it must not find).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <limits>

#include "support/GeneratedDrawing.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/edit/Construction.h"
#include "tubra/model/Document.h"
#include "tubra/spatial/RealModel.h"
#include "tubra/spatial/Sketch.h"
#include "tubra/spatial/Texts.h"

using namespace tubra;
using model::ObjectKind;
using model::PipeObject;
using model::Vec3;
using spatial::Point3;
using spatial::ProblemKind;
using spatial::RealModel;
using spatial::RealObject;
using tubra::testing::kDown;
using tubra::testing::kEast;
using tubra::testing::kNorth;
using tubra::testing::kSouth;
using tubra::testing::kUp;
using tubra::testing::kWest;
using tubra::testing::Sketch;

namespace {

::testing::AssertionResult near(const Point3& a, const Point3& b, double tolerance = 0.05) {
    if (spatial::distance(a, b) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ") is not ("
                                         << b.x << ", " << b.y << ", " << b.z << ")";
}

const RealObject& at(const RealModel& m, std::size_t index) {
    const RealObject* r = m.find(index);
    EXPECT_NE(r, nullptr) << index;
    static const RealObject none;
    return r ? *r : none;
}

std::vector<std::size_t> indexesOf(const model::Drawing& d, ObjectKind kind) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < d.objects.size(); ++i)
        if (d.objects.at(i).is(kind)) out.push_back(i);
    return out;
}

std::string describe(const RealModel& m) {
    std::string s;
    for (const auto& p : m.problems)
        s += std::string(spatial::problemKindName(p.kind)) + ": " + p.message + "\n";
    return s;
}

// The distance of p from the segment a-b.
double offSegment(const Point3& p, const Point3& a, const Point3& b) {
    const Point3 d = b - a;
    const double len2 = spatial::dot(d, d);
    const double t = len2 > 0 ? std::clamp(spatial::dot(p - a, d) / len2, 0.0, 1.0) : 0.0;
    return spatial::distance(p, a + d * t);
}

}  // namespace

TEST(RealModel, EverySegmentDirectionRunsItsLengthFromTheFirstPointElevation) {
    const Point3 axes[] = {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {-1, 0, 0}, {0, 1, 0}};
    for (int dir = 0; dir < 6; ++dir) {
        SCOPED_TRACE(dir);
        Sketch s(1250.0);
        s.segment({1000, -1000, 0}, dir, 400, "2500");
        const RealModel m = spatial::buildRealModel(s.drawing());
        ASSERT_EQ(m.objects.size(), 1u);
        const RealObject& pipe = m.objects[0];
        EXPECT_TRUE(near(pipe.start, {0, 0, 1250}));
        EXPECT_TRUE(near(pipe.end, Point3{0, 0, 1250} + axes[dir] * 2500.0));
        EXPECT_FALSE(pipe.estimated);
        EXPECT_EQ(pipe.length, 2500.0);
        EXPECT_EQ(pipe.look, spatial::Look::MainPipe);
        EXPECT_TRUE(m.problems.empty()) << describe(m);
    }
}

TEST(RealModel, RouteTurnsAtTheIntersectionPointsWithElbowsAndWelds) {
    // East 3000, up 1500, north 2000, with automatic welds: an elbow and two welds at each turn.
    Sketch s(0.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    s.then(kNorth, 400, "2000");
    s.sizePipes("φ108×4");  // DN100
    const model::Drawing& d = s.drawing();
    const RealModel m = spatial::buildRealModel(d);
    EXPECT_TRUE(m.problems.empty()) << describe(m);

    const auto pipes = indexesOf(d, ObjectKind::Pipe);
    ASSERT_EQ(pipes.size(), 3u);
    const Point3 corner1{3000, 0, 0}, corner2{3000, 0, 1500}, last{3000, 2000, 1500};
    EXPECT_TRUE(near(at(m, pipes[0]).start, {0, 0, 0}));
    EXPECT_TRUE(near(at(m, pipes[0]).end, corner1));
    EXPECT_TRUE(near(at(m, pipes[1]).start, corner1));
    EXPECT_TRUE(near(at(m, pipes[1]).end, corner2));
    EXPECT_TRUE(near(at(m, pipes[2]).start, corner2));
    EXPECT_TRUE(near(at(m, pipes[2]).end, last));

    // Elbows of the program's initial size φ100×10 are as large as their line, DN100: long
    // radius, 150 mm legs.
    const auto elbows = indexesOf(d, ObjectKind::Elbow);
    ASSERT_EQ(elbows.size(), 2u);
    const RealObject& e1 = at(m, elbows[0]);
    ASSERT_TRUE(e1.centre);
    EXPECT_TRUE(near(*e1.centre, corner1));
    EXPECT_TRUE(near(e1.start, {2850, 0, 0}));
    EXPECT_TRUE(near(e1.end, {3000, 0, 150}));
    const RealObject& e2 = at(m, elbows[1]);
    ASSERT_TRUE(e2.centre);
    EXPECT_TRUE(near(*e2.centre, corner2));
    EXPECT_TRUE(near(e2.start, {3000, 0, 1350}));
    EXPECT_TRUE(near(e2.end, {3000, 150, 1500}));
    // The pipes themselves run between the legs.
    EXPECT_TRUE(near(at(m, pipes[0]).runEnd, e1.start));
    EXPECT_TRUE(near(at(m, pipes[1]).runStart, e1.end));
    EXPECT_TRUE(near(at(m, pipes[1]).runEnd, e2.start));
    EXPECT_TRUE(near(at(m, pipes[2]).runStart, e2.end));

    // Welds at the ends of the elbows' legs, numbered as drawn.
    const auto welds = indexesOf(d, ObjectKind::Weld);
    ASSERT_EQ(welds.size(), 4u);
    const Point3 weldAt[] = {e1.start, e1.end, e2.start, e2.end};
    for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_TRUE(near(at(m, welds[k]).start, weldAt[k])) << k;
        EXPECT_EQ(at(m, welds[k]).weldNumber, static_cast<int>(k + 1));
    }
}

TEST(RealModel, BranchWithATeeAndWithoutOne) {
    for (const bool withTee : {true, false}) {
        SCOPED_TRACE(withTee);
        Sketch s(500.0);
        const PipeObject& main = s.segment({400, -1200, 0}, kEast, 1000, "8000");
        const Vec3 mid = tubra::testing::middle(main);
        s.play("command 2710\n");
        s.segment(mid, kSouth, 500, "3600", withTee ? "answer yes\n" : "answer no\n");
        s.sizePipes("DN100");
        const model::Drawing& d = s.drawing();
        const RealModel m = spatial::buildRealModel(d);
        EXPECT_TRUE(m.problems.empty()) << describe(m);

        const auto pipes = indexesOf(d, ObjectKind::Pipe);
        ASSERT_EQ(pipes.size(), 3u);  // the main pipe in two parts, and the branch
        // With the tee the program shares the length between the two parts; without it, it
        // writes their drawn lengths, 500 each.
        const Point3 joint = withTee ? Point3{4000, 0, 500} : Point3{500, 0, 500};
        EXPECT_TRUE(near(at(m, pipes[0]).start, {0, 0, 500}));
        EXPECT_TRUE(near(at(m, pipes[0]).end, joint));
        EXPECT_TRUE(near(at(m, pipes[1]).start, joint));
        EXPECT_TRUE(
            near(at(m, pipes[1]).end, withTee ? Point3{8000, 0, 500} : Point3{1000, 0, 500}));
        const RealObject& branch = at(m, s.lastIndex(ObjectKind::Pipe));
        EXPECT_TRUE(near(branch.start, joint));
        EXPECT_TRUE(near(branch.end, joint + Point3{0, -3600, 0}));
        EXPECT_EQ(branch.look, spatial::Look::BranchPipe);

        const auto tees = indexesOf(d, ObjectKind::Tee);
        const auto welds = indexesOf(d, ObjectKind::Weld);
        if (withTee) {
            ASSERT_EQ(tees.size(), 1u);
            const RealObject& tee = at(m, tees[0]);
            ASSERT_TRUE(tee.centre && tee.branch);
            EXPECT_TRUE(near(*tee.centre, joint));
            // Tee legs of 0.9 × the line's bore (DN100): along the run and down the branch.
            const bool westFirst = tee.start.x < tee.end.x;
            EXPECT_TRUE(near(westFirst ? tee.start : tee.end, {3910, 0, 500}));
            EXPECT_TRUE(near(westFirst ? tee.end : tee.start, {4090, 0, 500}));
            EXPECT_TRUE(near(*tee.branch, {4000, -90, 500}));
            ASSERT_EQ(welds.size(), 3u);
            // Welds at the tee's three ends (its run ends in the drawn order, then the branch).
            EXPECT_TRUE(near(at(m, welds[0]).start, tee.start));
            EXPECT_TRUE(near(at(m, welds[1]).start, tee.end));
            EXPECT_TRUE(near(at(m, welds[2]).start, *tee.branch));
            EXPECT_TRUE(near(branch.runStart, *tee.branch));
        } else {
            EXPECT_TRUE(tees.empty());
            ASSERT_EQ(welds.size(), 1u);
            EXPECT_TRUE(near(at(m, welds[0]).start, joint));
        }
    }
}

TEST(RealModel, PlaneSlantedSegmentsFollowTheirPlaneAndOffsets) {
    struct Case {
        const char* plane;
        double a, b;
        Point3 vector;  // from the start of the slanted segment
    } cases[] = {
        {"东西南北", 300, 400, {300, 400, 0}},
        {"上下东西", 300, 400, {400, 0, 300}},
        {"上下南北", 300, -400, {0, -400, 300}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.plane);
        Sketch s(0.0, false);
        s.segment({400, -1200, 0}, kEast, 500, "3000");
        const Vec3 end = s.end();
        s.play("command 2711\n" +
               text::format("dialog plane=%s offsetA=%.0f offsetB=%.0f\n", c.plane, c.a, c.b) +
               "answer no\n" + text::format("click %.4f %.4f\n", end.x, end.y));
        const model::Drawing& d = s.drawing();
        const RealModel m = spatial::buildRealModel(d);
        EXPECT_TRUE(m.problems.empty()) << describe(m);
        const RealObject& slanted = at(m, s.lastIndex(ObjectKind::Pipe));
        EXPECT_EQ(slanted.look, spatial::Look::PlaneSlantedPipe);
        EXPECT_TRUE(near(slanted.start, {3000, 0, 0}));
        EXPECT_TRUE(near(slanted.end, Point3{3000, 0, 0} + c.vector));
        EXPECT_NEAR(slanted.length, 500.0, 1e-9);

        // A length text other than the offsets' length scales the segment along its slant.
        model::Drawing copy = d;
        copy.objects.at(s.lastIndex(ObjectKind::Pipe)).DistTxt = "1000";
        const RealModel longer = spatial::buildRealModel(copy);
        EXPECT_TRUE(near(at(longer, s.lastIndex(ObjectKind::Pipe)).end,
                         Point3{3000, 0, 0} + c.vector * 2.0));
    }
}

TEST(RealModel, ALoopThatDoesNotCloseIsOneProblemOfItsObjects) {
    // A rectangle drawn round to its own start: on the sheet the last end lands on the first
    // start (the elbows take 16 units at each corner); the texts say 3000, 2000, 3000 and then
    // `back` mm.
    auto draw = [](const char* back) {
        auto s = std::make_unique<Sketch>(0.0, false);
        s->segment({400, -1200, 0}, kEast, 500, "3000");
        s->then(kNorth, 300, "2000");
        s->then(kWest, 484, "3000");
        s->then(kSouth, 316, back);
        return s;
    };
    for (const char* closes : {"2000", "2008"}) {
        auto s = draw(closes);
        const RealModel m = spatial::buildRealModel(s->drawing());
        EXPECT_TRUE(m.problems.empty()) << closes << "\n" << describe(m);
    }

    auto s = draw("1900");
    const model::Drawing& d = s->drawing();
    const RealModel m = spatial::buildRealModel(d);
    ASSERT_EQ(m.problems.size(), 1u) << describe(m);
    const spatial::Problem& p = m.problems[0];
    EXPECT_EQ(p.kind, ProblemKind::Loop);
    ASSERT_TRUE(p.mm);
    EXPECT_NEAR(*p.mm, 100.0, 0.01);
    // The loop's four pipes and three elbows, and nothing else.
    std::vector<std::size_t> loop = indexesOf(d, ObjectKind::Pipe);
    for (std::size_t e : indexesOf(d, ObjectKind::Elbow)) loop.push_back(e);
    std::sort(loop.begin(), loop.end());
    EXPECT_EQ(p.objects, loop);
    ASSERT_TRUE(p.gap);
    EXPECT_NEAR(spatial::distance(p.gap->first, p.gap->second), 100.0, 0.01);
}

TEST(RealModel, ClosedPipeJoinsTwoRealPointsAndItsTextIsChecked) {
    for (const char* text : {"3606", "3000"}) {
        SCOPED_TRACE(text);
        Sketch s(0.0, false);
        const PipeObject& first = s.segment({400, -1200, 0}, kEast, 500, "3000");
        const Vec3 start = first.Port1;
        s.then(kNorth, 300, "2000");
        const Vec3 end = s.end();
        s.play("command 2709\ncommand 2713\n" + text::format("click %.4f %.4f\n", end.x, end.y) +
               text::format("dialog DistTxt=%s\n", text) +
               text::format("click %.4f %.4f\n", start.x, start.y));
        const model::Drawing& d = s.drawing();
        const std::size_t closed = s.lastIndex(ObjectKind::Pipe);
        ASSERT_EQ(model::directionCode(d.objects.at(closed).EndDir), 7);
        const RealModel m = spatial::buildRealModel(d);
        const RealObject& c = at(m, closed);
        EXPECT_EQ(c.look, spatial::Look::SpaceSlantedPipe);
        EXPECT_TRUE(near(c.start, {3000, 2000, 0}));
        EXPECT_TRUE(near(c.end, {0, 0, 0}));
        if (std::string_view(text) == "3606") {
            EXPECT_TRUE(m.problems.empty()) << describe(m);
        } else {
            ASSERT_EQ(m.problems.size(), 1u) << describe(m);
            EXPECT_EQ(m.problems[0].kind, ProblemKind::Loop);
            EXPECT_NEAR(*m.problems[0].mm, std::hypot(3000.0, 2000.0) - 3000.0, 0.01);
            EXPECT_TRUE(
                std::count(m.problems[0].objects.begin(), m.problems[0].objects.end(), closed));
        }
    }
}

TEST(RealModel, PartReachedOnlyThroughAClosedPipeIsAGuessNotAGap) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    const Vec3 a = s.end();
    s.segment({1100, -1000, 0}, kNorth, 300, "1800");  // a line of its own
    const std::size_t other = s.lastIndex(ObjectKind::Pipe);
    const Vec3 b = s.drawing().objects.at(other).Port1;
    s.play("command 2709\ncommand 2713\n" + text::format("click %.4f %.4f\n", a.x, a.y) +
           "dialog\n" + text::format("click %.4f %.4f\n", b.x, b.y));
    const RealModel m = spatial::buildRealModel(s.drawing());
    for (const auto& p : m.problems) EXPECT_NE(p.kind, ProblemKind::Unconnected) << describe(m);
    // Placed through the closed pipe's drawn vector at 6 mm a unit, and flagged as a guess.
    const RealObject& line = at(m, other);
    EXPECT_TRUE(line.estimated);
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double c = std::cos(30 * 3.14159255 / 180), sn = std::sin(30 * 3.14159255 / 180);
    // x·cos α + y·cos β = dx·6 and −x·sin α + y·sin β = dy·6 at the same elevation.
    const double x = (dx * 6 * sn - dy * 6 * c) / (2 * c * sn),
                 y = (dy * 6 * c + dx * 6 * sn) / (2 * c * sn);
    EXPECT_TRUE(near(line.start, {3000 + x, y, 0}, 0.5));
    EXPECT_FALSE(at(m, 0).estimated);
}

TEST(RealModel, ElevationMarksAreCheckedAgainstTheElevationWorkedOut) {
    Sketch s(1000.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    s.then(kNorth, 400, "2000");
    model::Drawing& d = s.drawing();
    const auto elbows = indexesOf(d, ObjectKind::Elbow);
    ASSERT_EQ(elbows.size(), 2u);
    d.objects.at(elbows[0]).DistTxt = text::gbk("▽1.00m");
    d.objects.at(elbows[1]).DistTxt = text::gbk("▽2.50m");
    EXPECT_TRUE(spatial::buildRealModel(d).problems.empty());

    d.objects.at(elbows[1]).DistTxt = text::gbk("▽2.20m");
    const RealModel m = spatial::buildRealModel(d);
    ASSERT_EQ(m.problems.size(), 1u) << describe(m);
    EXPECT_EQ(m.problems[0].kind, ProblemKind::Elevation);
    EXPECT_EQ(m.problems[0].objects, std::vector<std::size_t>{elbows[1]});
    EXPECT_NEAR(*m.problems[0].mm, 300.0, 1e-6);
    EXPECT_NEAR(m.problems[0].gap->first.z, 2200.0, 1e-6);
    EXPECT_NEAR(m.problems[0].gap->second.z, 2500.0, 1e-6);
}

TEST(RealModel, LengthWithoutANumberIsTakenAtTheDrawingsScale) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");  // 6 mm a unit
    const std::size_t guessed = [&] {
        s.then(kUp, 300, "abc");
        return s.lastIndex(ObjectKind::Pipe);
    }();
    s.then(kNorth, 400, "2000");  // 5 mm a unit
    const RealModel m = spatial::buildRealModel(s.drawing());
    ASSERT_EQ(m.problems.size(), 1u) << describe(m);
    EXPECT_EQ(m.problems[0].kind, ProblemKind::LengthText);
    EXPECT_EQ(m.problems[0].objects, std::vector<std::size_t>{guessed});
    EXPECT_FALSE(m.problems[0].mm);
    // The median of 6 and 5 (their mean) times the 300 units drawn.
    EXPECT_EQ(m.scale, 5.5);
    const RealObject& riser = at(m, guessed);
    EXPECT_TRUE(riser.estimated);
    EXPECT_NEAR(riser.length, 1650.0, 1e-6);
    EXPECT_TRUE(near(at(m, s.lastIndex(ObjectKind::Pipe)).end, {3000, 2000, 1650}));
    EXPECT_FALSE(at(m, s.lastIndex(ObjectKind::Pipe)).estimated);
}

TEST(RealModel, PartNotConnectedIsOneProblemAndIsPlacedByTheSheet) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    // A second line started at a free point, 100 units further east of the first one's end.
    const Vec3 free = s.step(s.end(), kEast, 100);
    s.segment({std::round(free.x), std::round(free.y), 0}, kNorth, 300, "1800");
    const std::size_t loose = s.lastIndex(ObjectKind::Pipe);
    const std::size_t valve = s.place(s.drawing().objects.at(loose), 0.5, 18);
    const RealModel m = spatial::buildRealModel(s.drawing());
    ASSERT_EQ(m.problems.size(), 1u) << describe(m);
    const spatial::Problem& p = m.problems[0];
    EXPECT_EQ(p.kind, ProblemKind::Unconnected);
    EXPECT_EQ(p.objects, (std::vector<std::size_t>{loose, valve}));
    // 100 units at 6 mm a unit, along the east axis.
    ASSERT_TRUE(p.mm);
    EXPECT_NEAR(*p.mm, 600.0, 6.0);
    EXPECT_TRUE(at(m, loose).estimated);
    EXPECT_TRUE(near(at(m, loose).start, {3600, 0, 0}, 6.0));
    EXPECT_TRUE(near(at(m, loose).end, {3600, 1800, 0}, 6.0));
}

TEST(RealModel, ThingsOnAPipeSitWhereTheyAreDrawnByProportion) {
    Sketch s(0.0, false);
    const PipeObject& pipe = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    const std::size_t valve = s.place(pipe, 0.25, 18);   // ball valve
    const std::size_t support = s.place(pipe, 0.5, 34);  // fixed support
    const std::size_t weld = s.weld(pipe, 0.75);
    const std::size_t lastValve = s.place(pipe, 0.999, 13);  // drawn past the end of the pipe
    const model::Drawing& d = s.drawing();
    const RealModel m = spatial::buildRealModel(d);
    EXPECT_TRUE(m.problems.empty()) << describe(m);

    const double drawnValve = std::hypot(d.objects.at(valve).Port2.x - d.objects.at(valve).Port1.x,
                                         d.objects.at(valve).Port2.y - d.objects.at(valve).Port1.y);
    EXPECT_TRUE(near(at(m, valve).start, {2000, 0, 0}));
    EXPECT_TRUE(near(at(m, valve).end, {2000 + 8.0 * drawnValve, 0, 0}, 0.5));
    EXPECT_EQ(at(m, valve).host, 0);
    EXPECT_TRUE(near(at(m, support).start, {4000, 0, 0}));
    EXPECT_TRUE(near(at(m, weld).start, {6000, 0, 0}));
    // The valve at the end keeps its length and ends where the pipe ends.
    const RealObject& end = at(m, lastValve);
    EXPECT_TRUE(near(end.end, {8000, 0, 0}));
    EXPECT_LT(end.start.x, 8000.0);
    // Along the pipe in order: the two valves and the weld; the support stands beside.
    EXPECT_EQ(at(m, 0).along, (std::vector<std::size_t>{valve, weld, lastValve}));
}

TEST(RealModel, EveryKindOfThingSitsOnItsPipeInEveryDirection) {
    Sketch s(2000.0);
    s.segment({300, -1300, 0}, kEast, 400, "4000");
    s.then(kNorth, 400, "4000");
    s.then(kUp, 400, "4000");
    s.then(kWest, 400, "4000");
    s.then(kSouth, 400, "4000");
    s.then(kDown, 400, "4000");
    model::Drawing& d = s.drawing();
    const auto pipes = indexesOf(d, ObjectKind::Pipe);
    ASSERT_EQ(pipes.size(), 6u);
    // Every symbol of the program, spread over the six pipes, three to a pipe; and a cut line.
    std::vector<std::pair<std::size_t, std::size_t>> things;  // (object, pipe)
    std::size_t k = 0;
    for (const model::SymbolRow& row : model::allSymbols()) {
        const model::SymbolCode code = row.code;
        const std::size_t pipe = pipes[k % 6];
        const double fraction = 0.2 + 0.25 * static_cast<double>((k / 6) % 3);
        things.emplace_back(s.place(d.objects.at(pipe), fraction, static_cast<int>(code)), pipe);
        ++k;
    }
    d.objects.addCopy(edit::makeCutLine(d.objects.at(pipes[1]),
                                        tubra::testing::middle(d.objects.at(pipes[1])),
                                        s.settings(), s.axes()));
    things.emplace_back(d.objects.size() - 1, pipes[1]);

    const RealModel m = spatial::buildRealModel(d);
    EXPECT_TRUE(m.problems.empty()) << describe(m);
    for (const auto& [index, pipe] : things) {
        SCOPED_TRACE(index);
        const RealObject& r = at(m, index);
        const RealObject& p = at(m, pipe);
        EXPECT_EQ(r.host, static_cast<long>(pipe));
        EXPECT_LT(offSegment(r.start, p.start, p.end), 0.01);
        EXPECT_LT(offSegment(r.end, p.start, p.end), 0.01);
        const PipeObject& o = d.objects.at(index);
        // The role in real space is the one the kind's row gives.
        EXPECT_EQ(std::optional<spatial::Role>(r.role), model::realRoleOf(o.MainType, o.SubType));
        const spatial::Look look = r.look;
        switch (o.kind()) {
            case ObjectKind::Valve:
                EXPECT_EQ(look, spatial::Look::Valve);
                break;
            case ObjectKind::Accessory:
                EXPECT_EQ(look, spatial::Look::Support);
                break;
            case ObjectKind::SiteMark:
                EXPECT_EQ(look, spatial::Look::SiteMark);
                break;
            case ObjectKind::CutLine:
                EXPECT_EQ(look, spatial::Look::CutLine);
                break;
            default:
                EXPECT_EQ(look, spatial::Look::Fitting);
                break;
        }
    }
    // In-line things follow each other along each pipe without overlapping.
    for (std::size_t pipe : pipes) {
        const RealObject& p = at(m, pipe);
        const Point3 dir = p.end - p.start;
        double reached = -std::numeric_limits<double>::infinity();
        for (std::size_t i : p.along) {
            const RealObject& r = at(m, i);
            const double a = spatial::dot(r.start - p.start, dir) / spatial::norm(dir);
            const double b = spatial::dot(r.end - p.start, dir) / spatial::norm(dir);
            EXPECT_GE(std::min(a, b), reached - 1e-6) << i;
            reached = std::max(a, b);
        }
    }
}

TEST(RealModel, BundledPipelineAgreesWithItself) {
    model::AppContext app;
    std::string error;
    auto docRead = model::Document::open(
        app, std::filesystem::path(TUBRA_SOURCE_DIR) / "examples/pipeline.hcd");
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    const auto doc = std::move(docRead.value());
    const RealModel m = spatial::buildRealModel(doc->drawing);
    EXPECT_TRUE(m.problems.empty()) << describe(m);
    // The sample's elevation marks (▽1.20m, ▽6.00m, ▽1.80m, …) were all checked and hold.
    int marks = 0;
    for (const PipeObject& o : doc->drawing.objects)
        marks += spatial::readElevationMark(o.DistTxt.view()) ? 1 : 0;
    EXPECT_EQ(marks, 6);
    // Discharge east from the pump at 1.2 m, 3600 mm to the first elbow, then up 4800 mm.
    const auto pipes = indexesOf(doc->drawing, ObjectKind::Pipe);
    EXPECT_TRUE(near(at(m, pipes[0]).start, {0, 0, 1200}));
    EXPECT_TRUE(near(at(m, pipes[0]).end, {3600, 0, 1200}));
    EXPECT_TRUE(near(at(m, pipes[1]).end, {3600, 0, 6000}));
    for (const RealObject& r : m.objects) {
        if (r.look == spatial::Look::SiteMark) continue;  // the furnace stands beside the line end
        EXPECT_FALSE(r.estimated) << r.index;
    }
}

TEST(RealModel, GarbageCoordinatesAndTextsNeitherCrashNorPlaceAnything) {
    model::Drawing d;
    tubra::testing::generateDrawing(d, {.objects = 300, .seed = 5});
    const std::size_t broken = indexesOf(d, ObjectKind::Pipe).at(0);
    d.objects.at(broken).Port2 = Vec3(std::numeric_limits<double>::quiet_NaN(), 0.0, 0.0);
    d.objects.at(2).Port1 = Vec3(1e300, -1e300, 1e300);
    d.objects.at(3).DistTxt = "1e308";
    d.objects.at(4).Distanc = std::numeric_limits<double>::infinity();
    d.X_AxisAngle = std::numeric_limits<double>::quiet_NaN();
    const RealModel m = spatial::buildRealModel(d);
    for (const RealObject& r : m.objects) {
        if (!r.placed) continue;
        for (const Point3& p : {r.start, r.end}) {
            EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z)) << r.index;
        }
    }
    EXPECT_FALSE(at(m, broken).placed);
    const bool reported =
        std::any_of(m.problems.begin(), m.problems.end(), [&](const spatial::Problem& p) {
            return p.kind == ProblemKind::Unconnected &&
                   std::count(p.objects.begin(), p.objects.end(), broken);
        });
    EXPECT_TRUE(reported) << describe(m);
}

TEST(RealModel, TheScaleOfAnEvenCountIsTheMeanOfTheMiddleRatios) {
    // Stated ÷ drawn: 2.5, 3.33, 6.67 and 10; the median is 5.0, so the blank riser of 300
    // units is 1500 mm.
    Sketch s(0.0, false);
    s.segment({300, -1300, 0}, kEast, 400, "1000");
    s.then(kNorth, 300, "1000");
    s.then(kEast, 300, "2000");
    s.then(kNorth, 200, "2000");
    s.then(kUp, 300, "abc");
    const RealModel m = spatial::buildRealModel(s.drawing());
    EXPECT_NEAR(m.scale, 5.0, 1e-9);
    EXPECT_NEAR(at(m, s.lastIndex(ObjectKind::Pipe)).length, 1500.0, 1e-6);
}

TEST(RealModel, AGuessedLengthInALoopIsTheLengthTheLoopFixes) {
    // A rectangle whose last side has no length text: the loop fixes it at 2000 mm, whatever
    // the drawing's scale would guess (316 units at about 6.2 mm a unit).
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kNorth, 300, "2000");
    s.then(kWest, 484, "3000");
    s.then(kSouth, 316, "abc");
    const model::Drawing& d = s.drawing();
    const RealModel m = spatial::buildRealModel(d);
    const RealObject& last = at(m, s.lastIndex(ObjectKind::Pipe));
    EXPECT_TRUE(last.estimated);
    EXPECT_TRUE(near(last.start, {0, 2000, 0}));
    EXPECT_TRUE(near(last.end, {0, 0, 0}));
    EXPECT_NEAR(last.length, 2000.0, 1e-6);
    // Its run begins where the corner's elbow ends, on its own line.
    const RealObject& corner = at(m, s.lastIndex(ObjectKind::Elbow));
    EXPECT_TRUE(near(last.runStart, corner.end));
    for (const auto& p : m.problems) EXPECT_NE(p.kind, ProblemKind::Loop) << describe(m);
}

TEST(RealModel, ALoopThatDoesNotCloseKeepsEveryPipeOnItsAxis) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kNorth, 300, "2000");
    s.then(kWest, 484, "3000");
    s.then(kSouth, 316, "1900");  // 100 mm short of the start
    const model::Drawing& d = s.drawing();
    const RealModel m = spatial::buildRealModel(d);
    ASSERT_EQ(m.problems.size(), 1u);
    for (std::size_t i : indexesOf(d, ObjectKind::Pipe)) {
        const RealObject& p = at(m, i);
        const Point3 run = p.runEnd - p.runStart, along = p.end - p.start;
        // The run lies on the pipe's own line.
        EXPECT_LT(spatial::norm(run - along * (spatial::dot(run, along) / spatial::dot(along, along))),
                  1e-6)
            << i;
    }
    // The gap is where the pipe that closes the loop ends on its own line, 100 mm from the
    // joint the rest of the loop puts there.
    const auto& gap = *m.problems[0].gap;
    EXPECT_NEAR(spatial::distance(gap.first, gap.second), 100.0, 1e-6);
    int ends = 0;
    for (std::size_t i : indexesOf(d, ObjectKind::Pipe))
        ends += near(at(m, i).start, gap.first) + near(at(m, i).end, gap.first);
    EXPECT_EQ(ends, 1);
}

TEST(RealModel, SupportsAndMarksStandAtOnePoint) {
    Sketch s(0.0, false);
    const PipeObject& pipe = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    const std::size_t support = s.place(pipe, 0.5, 32);
    const std::size_t gauge = s.place(s.drawing().objects.at(0), 0.3, 9);
    const RealModel m = spatial::buildRealModel(s.drawing());
    for (std::size_t i : {support, gauge}) {
        EXPECT_EQ(at(m, i).start, at(m, i).end) << i;
        EXPECT_EQ(at(m, i).host, 0) << i;
    }
    EXPECT_TRUE(near(at(m, support).start, {4000, 0, 0}));
}

TEST(RealModel, AUTurnIsReportedAsOneAndMakesNoLoop) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kWest, 300, "2000");
    const model::Drawing& d = s.drawing();
    const auto pipes = indexesOf(d, ObjectKind::Pipe);
    const auto elbows = indexesOf(d, ObjectKind::Elbow);
    ASSERT_EQ(pipes.size(), 2u);
    ASSERT_EQ(elbows.size(), 1u);
    const RealModel m = spatial::buildRealModel(d);
    ASSERT_EQ(m.problems.size(), 1u) << describe(m);
    EXPECT_EQ(m.problems[0].kind, ProblemKind::UTurn);
    EXPECT_EQ(m.problems[0].objects, (std::vector<std::size_t>{pipes[0], elbows[0], pipes[1]}));
    EXPECT_NE(m.problems[0].message.find("由东向西"), std::string::npos) << m.problems[0].message;
    // Both pipes run to the elbow's centre, back along the line.
    const RealObject& e = at(m, elbows[0]);
    ASSERT_TRUE(e.centre);
    EXPECT_TRUE(near(*e.centre, {3000, 0, 0}));
    EXPECT_TRUE(near(at(m, pipes[0]).runEnd, *e.centre));
    EXPECT_TRUE(near(at(m, pipes[1]).runStart, *e.centre));
    EXPECT_TRUE(near(at(m, pipes[1]).end, {1000, 0, 0}));
}
