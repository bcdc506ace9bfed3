// The 3D view's camera and picking: where real points land on the screen for the isometric and
// the axis directions, zoom and fit, the shapes drawn for a model, and which object a click
// finds.

#include <gtest/gtest.h>

#include <cmath>

#include "tubra/spatial/Projection.h"
#include "tubra/spatial/Sketch.h"

using namespace tubra;
using spatial::Orbit;
using spatial::Point2;
using spatial::Point3;
using spatial::ViewDirection;
using tubra::testing::kEast;
using tubra::testing::kNorth;
using tubra::testing::kUp;
using tubra::testing::Sketch;

namespace {

::testing::AssertionResult near(Point2 a, Point2 b, double tolerance = 1e-6) {
    if (std::hypot(a.x - b.x, a.y - b.y) <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << a.x << ", " << a.y << ") is not (" << b.x << ", " << b.y << ")";
}

const Point2 kCentre{200, 100};

Orbit looking(ViewDirection direction, double zoom = 0.1) {
    Orbit o;
    spatial::lookFrom(o, direction);
    o.zoom = zoom;
    return o;
}

Point2 at(const Orbit& o, Point3 p) {
    return spatial::project(o, kCentre, p).at;
}

}  // namespace

TEST(Projection, IsometricShowsTheThreeAxesAlikeAt30Degrees) {
    const Orbit o = looking(ViewDirection::Isometric);
    const double c30 = std::sqrt(3.0) / 2.0, k = std::sqrt(2.0 / 3.0);
    // 1000 mm at 0.1 px/mm is 100 px, shortened by √(2/3) on every axis.
    EXPECT_TRUE(near(at(o, {0, 0, 0}), kCentre));
    EXPECT_TRUE(
        near(at(o, {1000, 0, 0}), {200 + 100 * k * c30, 100 + 100 * k * 0.5}));  // east: down right
    EXPECT_TRUE(
        near(at(o, {0, 1000, 0}), {200 + 100 * k * c30, 100 - 100 * k * 0.5}));  // north: up right
    EXPECT_TRUE(near(at(o, {0, 0, 1000}), {200, 100 - 100 * k}));                // up: straight up
    // The eye is south-east and above: that corner is nearest.
    EXPECT_GT(spatial::project(o, kCentre, {1000, -1000, 1000}).depth, 0.0);
    EXPECT_LT(spatial::project(o, kCentre, {-1000, 1000, -1000}).depth, 0.0);
    // The target and the pan move the picture, not its shape.
    Orbit moved = o;
    moved.target = {1000, 0, 0};
    moved.pan = {5, -7};
    EXPECT_TRUE(near(at(moved, {1000, 0, 0}), {205, 93}));
}

TEST(Projection, EachAxisViewLooksAlongOneAxis) {
    const Orbit top = looking(ViewDirection::Top);
    EXPECT_TRUE(near(at(top, {1000, 0, 0}), {300, 100}));  // east right
    EXPECT_TRUE(near(at(top, {0, 1000, 0}), {200, 0}));    // north up
    EXPECT_TRUE(near(at(top, {0, 0, 1000}), {200, 100}));  // up toward the eye
    EXPECT_NEAR(spatial::project(top, kCentre, {0, 0, 1000}).depth, 1000.0, 1e-9);

    const Orbit front = looking(ViewDirection::Front);
    EXPECT_TRUE(near(at(front, {1000, 0, 0}), {300, 100}));  // east right
    EXPECT_TRUE(near(at(front, {0, 0, 1000}), {200, 0}));    // up up
    EXPECT_TRUE(near(at(front, {0, 1000, 0}), {200, 100}));  // north away from the eye
    EXPECT_NEAR(spatial::project(front, kCentre, {0, 1000, 0}).depth, -1000.0, 1e-9);

    const Orbit side = looking(ViewDirection::Side);
    EXPECT_TRUE(near(at(side, {0, 1000, 0}), {300, 100}));  // north right
    EXPECT_TRUE(near(at(side, {0, 0, 1000}), {200, 0}));    // up up
    EXPECT_NEAR(spatial::project(side, kCentre, {1000, 0, 0}).depth, 1000.0, 1e-9);
}

TEST(Projection, DragWheelAndFit) {
    Orbit o = looking(ViewDirection::Isometric);
    // Elevation stops at straight down; azimuth goes round.
    spatial::rotateBy(o, 0, 1000);
    EXPECT_DOUBLE_EQ(o.elevation, 90.0);
    spatial::rotateBy(o, 720 + 90, 0);  // 405° one way
    EXPECT_NEAR(o.azimuth, -45.0 - 45.0, 1e-9);
    spatial::rotateBy(o, 0, -1000);
    EXPECT_DOUBLE_EQ(o.elevation, -90.0);

    // The wheel keeps the point under the cursor where it is.
    o = looking(ViewDirection::Isometric);
    o.pan = {12, -3};
    const Point3 p{2500, -700, 300};
    const Point2 cursor = at(o, p);
    spatial::zoomAt(o, kCentre, cursor, 2.5);
    EXPECT_DOUBLE_EQ(o.zoom, 0.25);
    EXPECT_TRUE(near(at(o, p), cursor, 1e-6));
    spatial::zoomAt(o, kCentre, cursor, 0.0);  // nonsense is ignored
    EXPECT_DOUBLE_EQ(o.zoom, 0.25);

    // Fit: every point inside the margins, the picture touching two opposite margins, centred.
    const std::vector<Point3> route{{0, 0, 0}, {3000, 0, 0}, {3000, 0, 1500}, {3000, 2000, 1500}};
    for (ViewDirection d : {ViewDirection::Isometric, ViewDirection::Top, ViewDirection::Front}) {
        Orbit f = looking(d, 123.0);
        spatial::fitTo(f, route, 400, 200, 20);
        double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
        for (const Point3& q : route) {
            const Point2 s = at(f, q);
            x0 = std::min(x0, s.x), x1 = std::max(x1, s.x);
            y0 = std::min(y0, s.y), y1 = std::max(y1, s.y);
        }
        EXPECT_GE(x0, 20 - 1e-6);
        EXPECT_LE(x1, 380 + 1e-6);
        EXPECT_GE(y0, 20 - 1e-6);
        EXPECT_LE(y1, 180 + 1e-6);
        EXPECT_TRUE(std::abs(x1 - x0 - 360) < 1e-6 || std::abs(y1 - y0 - 160) < 1e-6);
        EXPECT_NEAR((x0 + x1) / 2, 200, 1e-6);
        EXPECT_NEAR((y0 + y1) / 2, 100, 1e-6);
    }
}

TEST(Projection, ShapesOfLinesAndTubes) {
    // East 3000, up 1500, north 2000 with elbows and welds, a valve on the last pipe.
    Sketch s(0.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    const model::PipeObject& last = s.then(kNorth, 400, "2000");
    const std::size_t valve = s.place(last, 0.5, 18);
    s.sizePipes("DN100");
    const spatial::RealModel m = spatial::buildRealModel(s.drawing());
    ASSERT_TRUE(m.problems.empty());

    using Kind = spatial::Shape::Kind;
    const auto count = [](const spatial::Scene& sc, Kind k) {
        return std::count_if(sc.shapes.begin(), sc.shapes.end(),
                             [k](auto& x) { return x.kind == k; });
    };
    const spatial::Scene lines = spatial::sceneOf(m, false);
    EXPECT_EQ(count(lines, Kind::Pipe), 3);
    EXPECT_EQ(count(lines, Kind::Leg), 0);
    EXPECT_EQ(count(lines, Kind::InLine), 1);
    EXPECT_EQ(count(lines, Kind::Marker), 2 + 4);  // the elbows and the welds
    ASSERT_EQ(lines.welds.size(), 4u);
    EXPECT_EQ(lines.welds[2].number, 3);
    // Lines run through the intersection points.
    EXPECT_EQ(lines.shapes[0].a, (Point3{0, 0, 0}));
    EXPECT_NEAR(lines.shapes[0].b.x, 3000, 0.01);

    // Tubes: every pipe end meets an elbow's leg, so the tube has no hole at a turn.
    const spatial::Scene tubes = spatial::sceneOf(m, true);
    EXPECT_EQ(count(tubes, Kind::Leg), 4);
    std::vector<Point3> pipeEnds, legEnds;
    for (const auto& sh : tubes.shapes) {
        if (sh.kind == Kind::Pipe) pipeEnds.insert(pipeEnds.end(), {sh.a, sh.b});
        if (sh.kind == Kind::Leg) legEnds.push_back(sh.a);
    }
    for (const Point3& leg : legEnds) {
        const bool met = std::any_of(pipeEnds.begin(), pipeEnds.end(), [&](const Point3& e) {
            return spatial::distance(e, leg) < 0.01;
        });
        EXPECT_TRUE(met) << leg.x << " " << leg.y << " " << leg.z;
    }
    // Sized by bore: the elbows' φ100 legs at 0.1 px/mm are 10 px across; lines are thin.
    const auto leg = std::find_if(tubes.shapes.begin(), tubes.shapes.end(),
                                  [](auto& x) { return x.kind == Kind::Leg; });
    EXPECT_DOUBLE_EQ(spatial::screenRadius(*leg, 0.1, true), 5.0);
    EXPECT_DOUBLE_EQ(spatial::screenRadius(*leg, 0.1, false), 1.5);
    const auto inLine = std::find_if(lines.shapes.begin(), lines.shapes.end(),
                                     [](auto& x) { return x.kind == Kind::InLine; });
    EXPECT_EQ(inLine->object, valve);
}

TEST(Projection, PickingFindsTheNearestObject) {
    Sketch s(0.0, false);
    const model::PipeObject& pipe = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    const std::size_t valve = s.place(pipe, 0.25, 18);
    const std::size_t weld = s.weld(pipe, 0.75);
    s.then(kUp, 400, "3000");  // a riser from the end
    const std::size_t riser = s.lastIndex(model::ObjectKind::Pipe);
    const spatial::RealModel m = spatial::buildRealModel(s.drawing());

    for (bool tubes : {false, true}) {
        const spatial::Scene scene = spatial::sceneOf(m, tubes);
        Orbit o = looking(ViewDirection::Isometric, 0.05);
        const auto items = spatial::screenItems(scene, o, kCentre, tubes);
        // On the valve: the valve, not the pipe under it.
        const Point2 v = at(o, {2000 + 100, 0, 0});
        EXPECT_EQ(spatial::pick(items, v, 4), valve) << tubes;
        EXPECT_EQ(spatial::pick(items, at(o, {6000, 0, 0}), 4), weld) << tubes;
        // On the bare pipe, a little beside it.
        Point2 p = at(o, {4500, 0, 0});
        p.y -= 2;
        EXPECT_EQ(spatial::pick(items, p, 4), 0u) << tubes;
        EXPECT_EQ(spatial::pick(items, at(o, {8000, 0, 2000}), 4), riser) << tubes;
        // Nothing there.
        EXPECT_FALSE(spatial::pick(items, {kCentre.x - 150, kCentre.y + 90}, 4)) << tubes;
    }

    // Seen from above the riser is a point over the elbow at its foot: the elbow's marker wins
    // over the pipe.
    Orbit top = looking(ViewDirection::Top, 0.05);
    const auto items = spatial::screenItems(spatial::sceneOf(m, false), top, kCentre, false);
    EXPECT_EQ(spatial::pick(items, at(top, {8000, 0, 1500}), 4),
              s.lastIndex(model::ObjectKind::Elbow));
    // Of two lines the nearer line on the screen wins, whatever their depth; where they cross,
    // the one nearer to the eye.
    const std::vector<spatial::ScreenItem> two{{7, {0, 0}, {100, 0}, 1.5, 100.0, 0},
                                               {8, {0, 6}, {100, 6}, 1.5, -100.0, 0}};
    EXPECT_EQ(spatial::pick(two, {50, 4}, 4), 8u);
    EXPECT_EQ(spatial::pick(two, {50, 2}, 4), 7u);
    EXPECT_FALSE(spatial::pick(two, {50, 20}, 4));
    const std::vector<spatial::ScreenItem> crossing{{7, {0, 0}, {100, 100}, 1.5, -5.0, 0},
                                                    {8, {0, 100}, {100, 0}, 1.5, 5.0, 0}};
    EXPECT_EQ(spatial::pick(crossing, {50, 50}, 4), 8u);
}
