// The passes of the rebuild in real space, each looked at where it ends: the points it joins,
// the hosts it finds, the positions of the walk, the packing along a pipe, the scale.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "text/Gbk.h"
#include "tubra/spatial/Passes.h"
#include "tubra/spatial/Sketch.h"

using namespace tubra;
using model::ObjectKind;
using model::PipeObject;
using model::Vec3;
using spatial::Point3;
using spatial::Role;
using tubra::testing::kEast;
using tubra::testing::kNorth;
using tubra::testing::kUp;
using tubra::testing::Sketch;
namespace passes = spatial::passes;

namespace {

using Pass = void (*)(passes::Rebuild&);
constexpr Pass kPasses[] = {
    passes::classifyObjects,  passes::estimateScale,  passes::joinPoints,     passes::findHosts,
    passes::assignBores,      passes::buildGraph,     passes::walkGraph,      passes::assemblePipes,
    passes::assembleFittings, passes::assembleThings, passes::packAlongPipes, passes::checkTexts,
    passes::reportGroups};

// Runs the passes up to and including `last`.
void runThrough(passes::Rebuild& r, Pass last) {
    for (Pass p : kPasses) {
        p(r);
        if (p == last) return;
    }
    FAIL() << "not a pass";
}

std::size_t indexOf(const model::Drawing& d, ObjectKind kind, int nth = 0) {
    for (std::size_t i = 0; i < d.objects.size(); ++i)
        if (d.objects.at(i).is(kind) && nth-- == 0) return i;
    ADD_FAILURE() << "no such object";
    return 0;
}

bool near(const Point3& a, const Point3& b, double tolerance = 0.05) {
    return spatial::distance(a, b) <= tolerance;
}

}  // namespace

TEST(Passes, MedianOfTheRatios) {
    EXPECT_FALSE(passes::median({}));
    EXPECT_EQ(passes::median({7.0}), 7.0);
    EXPECT_EQ(passes::median({9.0, 1.0, 5.0}), 5.0);
}

TEST(Passes, ScaleFromStatedLengthsGivesBlankSegmentsTheirGuess) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");  // 6 mm a unit
    s.then(kNorth, 300, "abc");
    passes::Rebuild r(s.drawing());
    runThrough(r, passes::estimateScale);
    EXPECT_TRUE(r.scaleFromNumbers);
    EXPECT_EQ(r.scale, 6.0);
    const passes::ObjectInfo& blank = r.objects[indexOf(s.drawing(), ObjectKind::Pipe, 1)];
    EXPECT_TRUE(blank.estimated);
    EXPECT_FALSE(blank.number);
    EXPECT_NEAR(blank.L, 1800.0, 1e-9);
}

TEST(Passes, PointsWithinATenthOfAMillimetreOfPaperAreOneNode) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    model::Drawing& d = s.drawing();
    PipeObject near = d.objects.at(0);
    PipeObject far = d.objects.at(0);
    // Two more pipes starting 0.9 and 1.5 units from the first one's end.
    near.Port1 = Vec3(near.Port2.x + 0.9, near.Port2.y, 0);
    far.Port1 = Vec3(far.Port2.x, far.Port2.y - 1.5, 0);
    near.Port2 = far.Port2 = Vec3(2000, -2000, 0);
    d.objects.addCopy(near);
    d.objects.addCopy(far);
    passes::Rebuild r(d);
    runThrough(r, passes::joinPoints);
    EXPECT_EQ(r.objects[0].node[1], r.objects[1].node[0]);
    EXPECT_NE(r.objects[0].node[1], r.objects[2].node[0]);
}

TEST(Passes, AnElbowsPointsAreOneNodeThatItsCentreStandsFor) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    const model::Drawing& d = s.drawing();
    const std::size_t elbow = indexOf(d, ObjectKind::Elbow);
    passes::Rebuild r(d);
    runThrough(r, passes::joinPoints);
    const passes::ObjectInfo& e = r.objects[elbow];
    ASSERT_GE(e.node[0], 0);
    EXPECT_EQ(e.node[0], e.node[1]);
    EXPECT_EQ(e.node[0], e.node[3]);
    // Both pipes meet the elbow at its node, though their ends are drawn apart.
    EXPECT_EQ(r.objects[indexOf(d, ObjectKind::Pipe, 0)].node[1], e.node[0]);
    EXPECT_EQ(r.objects[indexOf(d, ObjectKind::Pipe, 1)].node[0], e.node[0]);
    const passes::Node& node = r.nodes[static_cast<std::size_t>(e.node[0])];
    EXPECT_TRUE(node.fitting);
    EXPECT_EQ(r.ports[static_cast<std::size_t>(node.rep)].port, 4);
}

TEST(Passes, HostsAreThePipesThingsAndJointsLieOn) {
    Sketch s(500.0, false);
    const PipeObject& main = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    const Vec3 mid = tubra::testing::middle(main);
    const std::size_t valve = s.place(s.drawing().objects.at(0), 0.25, 18);
    // A branch from the middle of the main pipe, which goes on through its tee.
    s.play("command 2710\n");
    s.segment(mid, tubra::testing::kSouth, 500, "3600", "answer yes\n");
    const model::Drawing& d = s.drawing();
    passes::Rebuild r(d);
    runThrough(r, passes::findHosts);
    const passes::ObjectInfo& v = r.objects[valve];
    // The branch split the main pipe at its middle: the valve is half way along the first part.
    EXPECT_EQ(v.host, 0);
    EXPECT_NEAR(v.t1, 0.5, 1e-6);
    EXPECT_GT(v.t2, v.t1);  // drawn forward along the pipe
    // The valve's own points sit on the pipe: no node of the walk.
    EXPECT_FALSE(r.nodes[static_cast<std::size_t>(v.node[0])].active);
    const std::size_t tee = indexOf(d, ObjectKind::Tee);
    const passes::Node& joint = r.nodes[static_cast<std::size_t>(r.objects[tee].node[3])];
    EXPECT_TRUE(joint.active);
}

TEST(Passes, WalkPlacesNodesAndClosesLoopsOnce) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kNorth, 300, "2000");
    s.then(tubra::testing::kWest, 484, "3000");
    s.then(tubra::testing::kSouth, 316, "1900");  // 100 mm short of the start
    const model::Drawing& d = s.drawing();
    passes::Rebuild r(d);
    runThrough(r, passes::walkGraph);
    const passes::ObjectInfo& first = r.objects[0];
    ASSERT_TRUE(r.known[static_cast<std::size_t>(first.node[1])]);
    EXPECT_TRUE(near(r.position[static_cast<std::size_t>(first.node[1])], {3000, 0, 0}));
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].kind, spatial::ProblemKind::Loop);
    EXPECT_NEAR(*r.problems[0].mm, 100.0, 0.01);
    EXPECT_TRUE(r.groups.empty());
}

TEST(Passes, PackingKeepsInLineThingsInsideTheirPipeInOrder) {
    Sketch s(0.0, false);
    const PipeObject& pipe = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    // Two valves drawn over each other, and one drawn past the pipe's end.
    const std::size_t a = s.place(pipe, 0.5, 13);
    const std::size_t b = s.place(s.drawing().objects.at(0), 0.5, 18);
    const std::size_t c = s.place(s.drawing().objects.at(0), 0.999, 14);
    passes::Rebuild r(s.drawing());
    runThrough(r, passes::packAlongPipes);
    const passes::ObjectInfo& va = r.objects[a];
    const passes::ObjectInfo& vb = r.objects[b];
    const passes::ObjectInfo& vc = r.objects[c];
    EXPECT_TRUE(near(va.start, {4000, 0, 0}));
    EXPECT_TRUE(near(vb.start, va.end));  // moved along to follow the first
    EXPECT_TRUE(near(vc.end, {8000, 0, 0}));
    EXPECT_LE(vb.end.x, vc.start.x + 1e-9);
    EXPECT_EQ(r.objects[0].along, (std::vector<std::size_t>{a, b, c}));
}

TEST(Passes, TextsThatStateNoLengthAndMarksThatDisagreeAreProblems) {
    Sketch s(1000.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    s.then(kNorth, 300, "abc");
    model::Drawing& d = s.drawing();
    d.objects.at(indexOf(d, ObjectKind::Elbow, 1)).DistTxt = text::gbk("▽2.40m");  // 2.5 m
    passes::Rebuild r(d);
    runThrough(r, passes::checkTexts);
    ASSERT_EQ(r.problems.size(), 2u);
    const auto length = std::find_if(r.problems.begin(), r.problems.end(), [](const auto& p) {
        return p.kind == spatial::ProblemKind::LengthText;
    });
    ASSERT_NE(length, r.problems.end());
    EXPECT_EQ(length->objects, std::vector<std::size_t>{indexOf(d, ObjectKind::Pipe, 2)});
    const auto mark = std::find_if(r.problems.begin(), r.problems.end(), [](const auto& p) {
        return p.kind == spatial::ProblemKind::Elevation;
    });
    ASSERT_NE(mark, r.problems.end());
    EXPECT_NEAR(*mark->mm, 100.0, 1e-6);
}

TEST(Passes, PartsNotConnectedAreOneGroupEach) {
    Sketch s(0.0, false);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.segment({1400, -1000, 0}, kNorth, 300, "1800");
    s.segment({1800, -600, 0}, kNorth, 300, "1800");
    passes::Rebuild r(s.drawing());
    runThrough(r, passes::reportGroups);
    EXPECT_EQ(r.groups.size(), 2u);
    EXPECT_EQ(
        std::count_if(r.problems.begin(), r.problems.end(),
                      [](const auto& p) { return p.kind == spatial::ProblemKind::Unconnected; }),
        2);
}
