// Snapping: what the walk over the object list catches, in which order, and the marker.

#include <random>

#include <gtest/gtest.h>

#include "platform/RecordingCanvas.h"
#include "tubra/edit/Snapping.h"

using namespace tubra;
using edit::SnapKind;
using model::PipeObject;
using model::Vec3;

namespace {

constexpr double kPpu = 96.0 / 254.0;
const edit::DeviceTransform kTransform{kPpu, 0, 0};

PipeObject object(int mainType, Vec3 a, Vec3 b, double dir = 2) {
    return PipeObject(model::CreationValues{mainType, 0, dir, a, b, 100, -1});
}

edit::SnapState snapAt(const model::ObjectList& list, const edit::SnapSettings& s, double x, double y,
                       double zoom = 1.0) {
    const edit::DevicePoint d = kTransform.toDevice(x * zoom, y * zoom);
    return edit::findSnap(list, s, zoom, kTransform, d, kTransform.toLogical(d));
}

}  // namespace

TEST(Snapping, EarlierObjectsWinAndEndsBeatMiddlesBeatSegments) {
    model::ObjectList list;
    // A horizontal segment, then a second one ending 5 units (about 2 pixels) from its start.
    list.append(std::make_unique<PipeObject>(object(2, {1000, -1000, 0}, {1400, -1000, 0})));
    list.append(std::make_unique<PipeObject>(object(2, {800, -1000, 0}, {995, -1000, 0})));
    const edit::SnapSettings s;
    auto r = snapAt(list, s, 995, -1000);
    EXPECT_EQ(r.hit, &list.at(0));
    EXPECT_EQ(r.kind, SnapKind::End);
    EXPECT_EQ(r.point, Vec3(1000, -1000, 0));

    // Its middle, and a point on it: the middle is caught within the box around it only.
    r = snapAt(list, s, 1203, -1000);
    EXPECT_EQ(r.kind, SnapKind::Mid);
    EXPECT_EQ(r.point.x, 1200);
    r = snapAt(list, s, 1300, -1002);
    EXPECT_EQ(r.kind, SnapKind::OnSegment);
    EXPECT_EQ(r.point, Vec3(1300, -1000, 0));
    // Beside the segment's box: nothing.
    EXPECT_FALSE(snapAt(list, s, 1450, -1000).snapped());
    EXPECT_FALSE(snapAt(list, s, 1300, -1020).snapped());
}

TEST(Snapping, CaptureBoxIsInDevicePixelsAtEveryZoom) {
    model::ObjectList list;
    list.append(std::make_unique<PipeObject>(object(8, {1000, -1000, 0}, {1000, -1000, 0})));
    edit::SnapSettings s;
    // 3 pixels are about 7.9 units at zoom 1 and 2.6 at zoom 3.
    EXPECT_TRUE(snapAt(list, s, 1007, -1000).snapped());
    EXPECT_FALSE(snapAt(list, s, 1009, -1000).snapped());
    EXPECT_FALSE(snapAt(list, s, 1003, -1000, 3.0).snapped());
    EXPECT_TRUE(snapAt(list, s, 1002, -1000, 3.0).snapped());
    s.distanceX = 10;
    EXPECT_TRUE(snapAt(list, s, 1025, -1000).snapped());
    EXPECT_FALSE(snapAt(list, s, 1025, -1009).snapped());
}

TEST(Snapping, SwitchesDecideWhatIsTried) {
    model::ObjectList list;
    list.append(std::make_unique<PipeObject>(object(2, {1000, -1000, 0}, {1400, -1000, 0})));
    list.append(std::make_unique<PipeObject>(object(8, {1200, -1000, 0}, {1200, -1000, 0})));
    edit::SnapSettings s;
    s.endPoints = false;
    // Near the segment's end only a point on the segment is caught...
    auto r = snapAt(list, s, 1398, -1000);
    EXPECT_EQ(r.kind, SnapKind::OnSegment);
    s.anyPoint = false;
    // ...and with that off nothing.
    EXPECT_FALSE(snapAt(list, s, 1398, -1000).snapped());
    // The weld at the segment's middle: the segment's own middle comes first in the list.
    r = snapAt(list, s, 1200, -1000);
    EXPECT_EQ(r.hit, &list.at(0));
    EXPECT_EQ(r.kind, SnapKind::Mid);
    // Welds only: the weld, at its point, even with end points off.
    s.weldsOnly = true;
    r = snapAt(list, s, 1200, -1000);
    EXPECT_EQ(r.hit, &list.at(1));
    EXPECT_EQ(r.kind, SnapKind::End);
    EXPECT_FALSE(snapAt(list, s, 1000, -1000).snapped());
}

TEST(Snapping, TeesOfferThreeEndsWeldsOne) {
    model::ObjectList list;
    PipeObject tee = object(12, {1000, -1000, 0}, {1100, -1000, 0});
    tee.Port3 = {1050, -900, 0};
    list.append(std::make_unique<PipeObject>(tee));
    PipeObject weld = object(8, {2000, -1000, 0}, {2100, -1000, 0});
    list.append(std::make_unique<PipeObject>(weld));
    edit::SnapSettings s;
    s.midPoints = s.anyPoint = false;
    EXPECT_EQ(snapAt(list, s, 1050, -900).point, Vec3(1050, -900, 0));
    EXPECT_FALSE(snapAt(list, s, 2100, -1000).snapped());
    EXPECT_TRUE(snapAt(list, s, 2000, -1000).snapped());
}

TEST(Snapping, VerticalSegmentsGiveTheElevationAtThePoint) {
    model::ObjectList list;
    list.append(std::make_unique<PipeObject>(object(2, {1000, -1000, 500}, {1000, -600, 900}, 0)));
    const auto r = snapAt(list, edit::SnapSettings(), 1001, -700);
    ASSERT_EQ(r.kind, SnapKind::OnSegment);
    EXPECT_EQ(r.point.x, 1000);
    EXPECT_NEAR(r.point.z, 800, 1e-9);
}

TEST(Snapping, TextBlocksAreCaughtAtTheEndOfTheirText) {
    model::ObjectList list;
    PipeObject t = object(36, {1000, -1000, 0}, {0, 0, 0}, 0);
    t.DistTxt = "ABCD";
    t.Port3.y = 40;
    t.BiHou = 1;
    list.append(std::make_unique<PipeObject>(t));
    // Four characters of 20 units: the text ends 80 units on.
    EXPECT_EQ(edit::textBlockEnd(list.at(0), 1.0), Vec3(1080, -1000, 0));
    auto r = snapAt(list, edit::SnapSettings(), 1080, -1000);
    EXPECT_EQ(r.kind, SnapKind::Text);
    r = snapAt(list, edit::SnapSettings(), 1040, -1000);
    EXPECT_EQ(r.kind, SnapKind::Text);
    // A text that keeps its size on screen is half as long on the sheet at zoom 2.
    list.at(0).BiHou = 0;
    EXPECT_EQ(edit::textBlockEnd(list.at(0), 2.0), Vec3(1040, -1000, 0));
}

TEST(Snapping, MarkersAreXorFiguresWithOpenCorners) {
    for (SnapKind k : {SnapKind::End, SnapKind::Mid, SnapKind::OnSegment, SnapKind::Text}) {
        platform::RecordingCanvas c;
        edit::drawSnapMarker(c, k, {100, 100}, 16, 16);
        ASSERT_FALSE(c.calls().empty());
        for (const platform::CanvasCall& call : c.calls()) {
            EXPECT_EQ(call.state.rasterOp, platform::RasterOp::XorPen);
            EXPECT_EQ(call.state.pen.colour, platform::rgbColour(255, 255, 0));
            EXPECT_EQ(call.state.pen.width, 4);
        }
        // The figure stays inside its square.
        for (const platform::DrawnSegment& s : c.segments())
            for (platform::Point p : {s.from, s.to}) {
                EXPECT_LE(std::abs(p.x - 100), 16);
                EXPECT_LE(std::abs(p.y - 100), 16);
            }
    }
    // The square's sides do not meet: corners stay open so that XOR does not cancel them.
    platform::RecordingCanvas c;
    edit::drawSnapMarker(c, SnapKind::End, {0, 0}, 10, 10);
    for (const platform::DrawnSegment& s : c.segments())
        for (platform::Point p : {s.from, s.to}) EXPECT_FALSE(std::abs(p.x) == 10 && std::abs(p.y) == 10);
}

// With an index the mouse finds what the walk over every object finds, as objects come, move
// and go and the view zooms.
TEST(Snapping, TheIndexFindsWhatTheWholeWalkFinds) {
    model::ObjectList list;
    edit::SnapIndex index;
    std::mt19937 random(5);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const int kinds[] = {2, 2, 2, 3, 4, model::kindValue(model::ObjectKind::Weld),
                         model::kindValue(model::ObjectKind::TextBlock)};
    double zoom = 1.0;
    edit::SnapSettings s;
    int hits = 0;
    for (int step = 0; step < 400; ++step) {
        const int what = pick(10);
        if (what < 5 || list.empty()) {
            const Vec3 a(800 + pick(800), -1200 + pick(600), 0);
            const Vec3 b(a.x + pick(300) - 150, a.y + pick(300) - 150, 0);
            PipeObject o = object(kinds[pick(7)], a, b);
            o.Port3 = Vec3(a.x + pick(50), a.y - pick(50), 0);
            o.DistTxt = "text";
            list.append(std::make_unique<PipeObject>(o));
        } else if (what < 7) {
            PipeObject& o = list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
            o.Port2.x += pick(200) - 100;
        } else if (what == 7) {
            list.take(&std::as_const(list).at(static_cast<std::size_t>(pick(static_cast<int>(list.size())))));
        } else if (what == 8) {
            zoom = pick(2) ? 1.6 : 0.8;
        } else {
            s.endPoints = pick(2), s.midPoints = pick(2), s.anyPoint = pick(2), s.weldsOnly = pick(4) == 0;
        }
        for (int look = 0; look < 20; ++look) {
            // Near the objects' points more often than not.
            const PipeObject& near = list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
            const double x = (pick(2) ? near.Port1.x : near.Port2.x) + pick(21) - 10;
            const double y = (pick(2) ? near.Port1.y : near.Port2.y) + pick(21) - 10;
            const edit::DevicePoint d = kTransform.toDevice(x * zoom, y * zoom);
            const auto walk = edit::findSnap(list, s, zoom, kTransform, d, kTransform.toLogical(d));
            const auto indexed = edit::findSnap(list, s, zoom, kTransform, d, kTransform.toLogical(d), &index);
            ASSERT_EQ(walk.hit, indexed.hit) << step;
            ASSERT_EQ(walk.kind, indexed.kind) << step;
            ASSERT_EQ(walk.point, indexed.point) << step;
            if (walk.hit) ++hits;
        }
    }
    EXPECT_GT(hits, 1000);
}
