// What the tools build: elbows, tees and the split where a branch leaves a segment,
// components on a pipe, cut lines, continuous drawing and moving objects.

#include <gtest/gtest.h>

#include <cmath>

#include "text/Gbk.h"
#include "tubra/edit/Construction.h"

using namespace tubra;
using model::PipeObject;
using model::Vec3;

namespace {

const view::AxisAngles kAxes{30, 30};
const double kCos30 = std::cos(30 * view::kDegToRad);

PipeObject segment(Vec3 a, Vec3 b, int dir, const char* text = "") {
    PipeObject o(model::CreationValues{2, 0, static_cast<double>(dir), a, b, std::hypot(b.x - a.x, b.y - a.y), -1});
    o.DistTxt = text;
    return o;
}

Vec3 along(Vec3 p, int dir, double length) {
    Vec3 e = view::StepAlong(kAxes, p, dir, length);
    e.z = p.z;
    return e;
}

void expectNear(const Vec3& a, const Vec3& b, double eps = 1e-6) {
    EXPECT_NEAR(a.x, b.x, eps);
    EXPECT_NEAR(a.y, b.y, eps);
    EXPECT_NEAR(a.z, b.z, eps);
}

}  // namespace

TEST(Construction, ForwardSidesAndSquareDirections) {
    const PipeObject east = segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 500), 2);
    EXPECT_TRUE(edit::isForward(east, {1001, -1000, 0}));
    EXPECT_FALSE(edit::isForward(east, {1000, -1000, 0}));  // exactly at the start
    const PipeObject down = segment({1000, -1000, 0}, {1000, -1500, 0}, 1);
    EXPECT_TRUE(edit::isForward(down, {1000, -1001, 0}));
    EXPECT_FALSE(edit::isForward(down, {1000, -999, 0}));
    PipeObject slanted = east;
    slanted.EndDir = 6;
    EXPECT_FALSE(edit::isForward(slanted, {5000, 5000, 0}));
    EXPECT_EQ(edit::squareDirections(0), (std::vector<int>{2, 4, 3, 5}));
    EXPECT_EQ(edit::squareDirections(4), (std::vector<int>{3, 5, 0, 1}));
    EXPECT_EQ(edit::squareDirections(5), (std::vector<int>{2, 4, 0, 1}));
    EXPECT_TRUE(edit::squareDirections(6).empty());
}

TEST(Construction, ElbowSitsAtTheEndOfTheOldSegmentWithItsCornerBeyond) {
    // An up segment of 400 on the sheet standing for 3000 mm, turning east.
    PipeObject a = segment({1000, -1000, 200}, {1000, -600, 3200}, 0, "3000");
    const PipeObject b = segment({1000, -600, 0}, along({1000, -600, 0}, 2, 300), 2);
    const PipeObject e = edit::makeElbow(a, b, 16, 200);
    EXPECT_EQ(e.MainType, 3);
    EXPECT_EQ(e.SubType, -1);
    EXPECT_EQ(e.StrtDir, 0);
    EXPECT_EQ(e.EndDir, 2);
    EXPECT_EQ(e.Distanc, 200);
    EXPECT_EQ(e.Port3.x, -1);
    expectNear(e.Port1, {1000, -600, 3200});
    expectNear(e.Port4, {1000, -584, 3200});
    expectNear(e.Port2, {1000 + 16 * kCos30, -592, 3200}, 1e-4);
    // Whatever point of A the new leg starts from, the elbow is at A's end.
    PipeObject b2 = b;
    b2.Port1 = {1000, -900, 0};
    b2.Port2 = along(b2.Port1, 2, 300);
    expectNear(edit::makeElbow(a, b2, 16, 200).Port2, e.Port2, 1e-4);
    // Down: the stated length is taken off the start; without a number, the sheet length.
    a.EndDir = 1;
    a.Port2 = {1000, -1400, 0};
    EXPECT_EQ(edit::makeElbow(a, b, 16, 200).Port1.z, 200 - 3000);
    a.DistTxt = "";
    EXPECT_EQ(edit::elevationAtEnd(a), 200 - 400);
    // East segment turning north: the corner lies past the end, away from the segment.
    const PipeObject east = segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 500), 2);
    const PipeObject north = segment(east.Port2, along(east.Port2, 5, 300), 5);
    const PipeObject e2 = edit::makeElbow(east, north, 16, 200);
    expectNear(e2.Port4, along(east.Port2, 2, 16), 1e-4);
    expectNear(e2.Port2, along(e2.Port4, 5, 16), 1e-4);
}

TEST(Construction, TeeRunFollowsTheOldSegmentAndItsEndsStayOnIt) {
    const PipeObject up = segment({1000, -1000, 0}, {1000, -600, 400}, 0);
    const PipeObject east = segment({1000, -800, 200}, along({1000, -800, 200}, 2, 300), 2);
    const PipeObject t = edit::makeTee(up, {1000, -800, 200}, east, 16, 200);
    EXPECT_EQ(t.MainType, 12);
    EXPECT_EQ(t.StrtDir, 0);
    EXPECT_EQ(t.EndDir, 2);
    // Port1 to Port2 runs up, as the segment does; the run ends take the tee length in height.
    expectNear(t.Port1, {1000, -816, 0});
    expectNear(t.Port2, {1000, -784, 400});
    expectNear(t.Port4, {1000, -800, 200});
    expectNear(t.Port3, along({1000, -800, 200}, 2, 16), 1e-4);
    // Near the segment's end the run end stops at the end.
    const PipeObject t2 = edit::makeTee(up, {1000, -606, 394}, east, 16, 200);
    EXPECT_EQ(t2.Port2.y, -600);
    // A horizontal run keeps the joint's elevation at every end; an up branch rises.
    const PipeObject eastRun = segment({1000, -1000, 700}, along({1000, -1000, 700}, 2, 500), 2);
    const PipeObject branchUp = segment({1200, -1115.47, 700}, {1200, -800, 0}, 0);
    const PipeObject t3 = edit::makeTee(eastRun, {1200, -1115.47, 700}, branchUp, 16, 200);
    EXPECT_EQ(t3.Port1.z, 700);
    EXPECT_EQ(t3.Port2.z, 700);
    EXPECT_EQ(t3.Port3.z, 900);
    EXPECT_NEAR(t3.Port3.y, -1099.47, 1e-9);
}

TEST(Construction, TeeOnSegmentTurnsTheRunByThePairChosen) {
    const PipeObject east = segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 500), 2);
    const Vec3 p = along({1000, -1000, 0}, 2, 100);
    PipeObject t = edit::makeTeeOnSegment(east, p, "上和下", 16, 200, kAxes);
    expectNear(t.Port3, p);
    expectNear(t.Port4, along(p, 2, 16), 1e-9);
    EXPECT_EQ(t.StrtDir, 0);
    EXPECT_NEAR(t.Port2.y - t.Port1.y, 32, 1e-9);
    EXPECT_NEAR(t.Port2.z - t.Port1.z, 32, 1e-9);
    t = edit::makeTeeOnSegment(east, p, "南和北", 16, 200, kAxes);
    EXPECT_EQ(t.StrtDir, 5);
    expectNear(t.Port2, along(t.Port4, 5, 16), 1e-9);
}

TEST(Construction, JoinWithTeeSplitsTheSegmentAndSharesItsStatedLength) {
    for (const bool useTee : {true, false}) {
        SCOPED_TRACE(useTee ? "tee" : "no tee");
        model::Drawing d;
        PipeObject& a = d.objects.addCopy(segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 600), 2, "9000"));
        a.GuiGe = "G";
        a.BiHou = 7.5;
        a.dimYX1_st = {1, 1, 1};
        const Vec3 j = along(a.Port1, 2, 200);
        PipeObject b = segment(j, along(j, 5, 300), 5);
        PipeObject* tee = &d.objects.addCopy(edit::makeTee(a, j, b, 16, 200));
        const auto r = edit::joinWithTee(d, a, b, tee, useTee, true);
        ASSERT_EQ(r.first, &d.objects.at(0));
        expectNear(r.first->Port2, j, 1e-9);
        expectNear(r.second->Port1, j, 1e-9);
        EXPECT_NEAR(r.first->Distanc, 200, 1e-6);
        EXPECT_NEAR(r.second->Distanc, 400, 1e-6);
        EXPECT_EQ(r.first->dimYX1_st, Vec3());
        EXPECT_EQ(r.branch->GuiGe.str(), "G");
        EXPECT_EQ(r.branch->BiHou, 7.5);
        if (useTee) {
            EXPECT_EQ(r.first->DistTxt.str(), "3000 ");
            EXPECT_EQ(r.second->DistTxt.str(), "6000 ");
            EXPECT_EQ(r.branch->DistTxt.str(), "300  ");
            EXPECT_EQ(d.objects.countOfKind(12), 1);
            // Welds at the tee's three ends, numbered in turn.
            ASSERT_EQ(d.objects.countOfKind(8), 3);
            EXPECT_EQ(d.objects.last().Number, 3);
            expectNear(d.objects.last().Port1, tee->Port3);
        } else {
            EXPECT_EQ(r.first->DistTxt.str(), "200  ");
            EXPECT_TRUE(r.second->DistTxt.empty());
            EXPECT_TRUE(r.branch->DistTxt.empty());
            EXPECT_EQ(d.objects.countOfKind(12), 0);
            ASSERT_EQ(d.objects.countOfKind(8), 1);
            expectNear(d.objects.last().Port1, j, 1e-9);
        }
        EXPECT_EQ(d.Total(), static_cast<int>(d.objects.size()));
    }
}

TEST(Construction, ContinuousDrawingRepeatsTheSegmentAndNumbersItsJoints) {
    model::Drawing d;
    PipeObject weld(edit::weldValues({0, 0, 0}, 2));
    weld.MainType = 8;
    d.objects.addCopy(weld).Number = 41;  // a weld numbered by hand
    const PipeObject& first = d.objects.addCopy(segment({1000, -1000, 0}, {1000, -900, 100}, 0));
    EXPECT_EQ(edit::continueSegments(d, first, 3, edit::JointChoice::Weld), 4);
    ASSERT_EQ(d.objects.size(), 6u);
    expectNear(d.objects.at(2).Port1, {1000, -900, 100});
    expectNear(d.objects.at(2).Port2, {1000, -800, 200});
    EXPECT_EQ(d.objects.at(2).GuiGe.str(), text::gbk("Φ500×5.0"));
    EXPECT_EQ(d.objects.at(3).MainType, 8);
    EXPECT_EQ(d.objects.at(3).Number, 42);
    EXPECT_EQ(d.objects.at(3).DistTxt.str(), " ");
    expectNear(d.objects.at(3).Port2, {1000, -900, 100});
    EXPECT_EQ(d.objects.at(5).Number, 43);
    expectNear(d.objects.at(4).Port2, {1000, -700, 300});

    model::Drawing s;
    const PipeObject& f = s.objects.addCopy(segment({0, 0, 0}, {100, 0, 0}, 2));
    EXPECT_EQ(edit::continueSegments(s, f, 2, edit::JointChoice::SlidingSupport), 2);
    EXPECT_EQ(s.objects.last().MainType, 31);
    EXPECT_EQ(s.objects.last().SubType, 35);
    EXPECT_EQ(edit::continueSegments(s, f, 1, edit::JointChoice::Column), 0);
}

TEST(Construction, MovingObjectsMovesThePortsTheirKindUses) {
    PipeObject pipe = segment({0, 0, 100}, {100, 0, 100}, 2);
    pipe.Port4 = {50, 0, 1};  // flow arrow: the mode stays
    pipe.Port3 = {30, 40, 0};  // slanted lengths stay
    pipe.dimTxt_st = {10, 10, 0};
    edit::translateObject(pipe, {5, 6, 7});
    expectNear(pipe.Port1, {5, 6, 107});
    expectNear(pipe.Port4, {55, 6, 1});
    expectNear(pipe.Port3, {30, 40, 0});
    expectNear(pipe.dimTxt_st, {15, 16, 0});
    PipeObject elbow = pipe;
    elbow.MainType = 3;
    elbow.Port4 = {0, 0, 300};
    edit::translateObject(elbow, {1, 1, 10});
    EXPECT_EQ(elbow.Port4.z, 310);
    PipeObject weld(edit::weldValues({0, 0, 0}, 2));
    edit::translateObject(weld, {1, 2, 3});
    EXPECT_EQ(weld.Port1, weld.Port2);
    PipeObject tee = pipe;
    tee.MainType = 12;
    edit::translateObject(tee, {1, 1, 1}, false);
    EXPECT_EQ(tee.Port3, Vec3(31, 41, 0));

    model::ObjectList list;
    list.addCopy(pipe);
    list.addCopy(tee);
    edit::moveWholeDrawing(list, 100, -50);
    EXPECT_EQ(list.at(0).Port3, pipe.Port3);  // a pipe's Port3 holds lengths
    EXPECT_EQ(list.at(0).Port4, Vec3(155, -44, 1));
    EXPECT_EQ(list.at(1).Port3, Vec3(131, -9, 0));
    EXPECT_EQ(list.at(1).dimTxt_st, Vec3(116, -33, 0));
}

TEST(Construction, ComponentsLieAlongTheirPipeFromTheClickedPoint) {
    const PipeObject east = segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 500), 2);
    const model::DrawingSettings s;
    const Vec3 p = along(east.Port1, 2, 100);
    const PipeObject v = edit::makeComponent(east, p, 13, 200, -1, s, kAxes, 1.0);
    EXPECT_EQ(v.MainType, 29);
    EXPECT_EQ(v.SubType, 13);
    EXPECT_EQ(v.EndDir, 2);
    EXPECT_EQ(v.Distanc, 200);
    EXPECT_EQ(v.Port1, p);
    EXPECT_GT(v.Port2.x, p.x);
    EXPECT_LT(v.Port2.y, p.y);
    // At the pipe's start nothing lies forward: the symbol ends there.
    const PipeObject back = edit::makeComponent(east, east.Port1, 4, 200, -1, s, kAxes, 1.0);
    EXPECT_EQ(back.MainType, 30);
    EXPECT_EQ(back.Port2, east.Port1);
    EXPECT_LT(back.Port1.x, east.Port1.x);
    // A slanted pipe: the symbol cannot be laid along it and sits at the point.
    PipeObject slanted = east;
    slanted.EndDir = 6;
    const PipeObject f = edit::makeComponent(slanted, p, 53, 200, -1, s, kAxes, 1.0);
    EXPECT_EQ(f.Port1, p);
    EXPECT_EQ(f.Port2, p);
}

TEST(Construction, CutLinesCrossThePipeAtTheClick) {
    model::DrawingSettings s;
    const PipeObject east = segment({1000, -1000, 0}, along({1000, -1000, 0}, 2, 500), 2);
    const Vec3 p = along(east.Port1, 2, 100);
    PipeObject c = edit::makeCutLine(east, p, s, kAxes);
    EXPECT_EQ(c.MainType, 26);
    EXPECT_EQ(c.EndDir, 330);
    EXPECT_EQ(c.Distanc, -1);
    // 3 × the main line width either side, along the pipe.
    EXPECT_NEAR(std::hypot(c.Port2.x - c.Port1.x, c.Port2.y - c.Port1.y), 24, 1e-9);
    EXPECT_NEAR((c.Port1.x + c.Port2.x) / 2, p.x, 1e-9);
    PipeObject up = segment({1000, -1000, 0}, {1000, -500, 0}, 0);
    up.SubType = 1;
    c = edit::makeCutLine(up, {1000, -700, 0}, s, kAxes);
    EXPECT_EQ(c.EndDir, 90);
    EXPECT_EQ(c.Port1, Vec3(1000, -706, 0));
    EXPECT_EQ(c.Port2, Vec3(1000, -694, 0));
    PipeObject north = segment({0, 0, 0}, along({0, 0, 0}, 5, 100), 5);
    EXPECT_EQ(edit::makeCutLine(north, along({0, 0, 0}, 5, 50), s, {45, 60}).EndDir, 60);
}

TEST(Construction, SlantedEndsFollowThePlaneAndTheSignOfTheOffsets) {
    PipeObject s = segment({1000, -1000, 500}, {-999, -999, 0}, 6);
    s.StrtDir = 0;
    s.Port3 = {300, -200, 0};  // 300 up, 200 west
    edit::placeSlantedEnd(s, kAxes);
    EXPECT_NEAR(s.Port2.x, 1000 - 200 * kCos30, 1e-4);
    EXPECT_NEAR(s.Port2.y, -1000 + 100 + 300, 1e-4);
    EXPECT_EQ(s.Port2.z, 800);
    EXPECT_NEAR(s.Distanc, std::hypot(300, 200), 1e-9);
    EXPECT_EQ(s.DistTxt.str(), "360.56");
    s.StrtDir = 2;
    edit::placeSlantedEnd(s, kAxes);
    EXPECT_EQ(s.Port2.z, 500);
}

TEST(Construction, LabelFramesSurroundTheShownText) {
    model::DrawingSettings s;  // texts 30 high, 15 wide a character
    PipeObject v = segment({0, 0, 0}, {100, 0, 0}, 2, "ABCD");
    v.MainType = 29;
    v.dimTxt_st = {100, 200, 0};
    v.dimAngle = 0;
    auto f = edit::findLabelFrame(v, s, 1.0);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->points[0], (platform::Point{100, 200}));
    EXPECT_EQ(f->points[1], (platform::Point{160, 200}));
    EXPECT_EQ(f->points[2], (platform::Point{160, 170}));
    EXPECT_EQ(f->points[4], f->points[0]);
    v.dimAngle = 900;
    f = edit::findLabelFrame(v, s, 2.0);
    EXPECT_EQ(f->points[0], (platform::Point{200, 400}));
    EXPECT_EQ(f->points[1], (platform::Point{200, 460}));
    // Hidden labels cannot be taken.
    v.DistTxt = " x";
    EXPECT_FALSE(edit::findLabelFrame(v, s, 1.0));
    PipeObject p = segment({0, 0, 0}, {100, 0, 0}, 2, "^1500");
    EXPECT_FALSE(edit::findLabelFrame(p, s, 1.0));
    PipeObject flatElbow = p;
    flatElbow.MainType = 3;
    flatElbow.DistTxt = "E";
    EXPECT_FALSE(edit::findLabelFrame(flatElbow, s, 1.0));
}

TEST(Construction, DialogNumbersReadAsTheCLibraryReadsThem) {
    EXPECT_EQ(edit::textToInt("  42abc"), 42);
    EXPECT_EQ(edit::textToInt("-7"), -7);
    EXPECT_EQ(edit::textToInt("12.9"), 12);
    EXPECT_EQ(edit::textToInt("x1"), 0);
    EXPECT_EQ(edit::textToInt("99999999999"), 2147483647);
    EXPECT_EQ(edit::textToDouble("1.5e3mm"), 1500.0);
    EXPECT_EQ(edit::shortNumber(-1350.0), "-1350");
    EXPECT_EQ(edit::shortNumber(0.1), "0.1");
}
