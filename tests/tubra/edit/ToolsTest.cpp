// The tools of the view as objects: what a tool holds goes with a reset, a pipe under
// construction outlives a change of tool, objects another view takes away are let go, and
// every edit marks the document modified and repaints.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "EditTestSupport.h"
#include "tubra/model/Kinds.h"

using namespace tubra;
using edittest::Bench;
using edittest::checked;
using edittest::command;
using edittest::feedbackErased;
using model::Vec3;

namespace {

namespace cmd = edit::cmd;

// The main pipe of the tests: (300, -1100) east, 1000 long, ending at (1166.03, -1600).
void mainPipe(Bench& b) {
    b.command(cmd::MainPipe);
    b.segment(300, -1100, 1166, -1600, {"Distanc=1000"});
}

// A column on the main pipe with its label at (800, -1300), written horizontally.
model::PipeObject& column(Bench& b) {
    b.forms.queue({}, 0);
    b.command(cmd::Column);
    b.click(733, -1350);
    model::PipeObject& c = b.doc.drawing.objects.last();
    c.dimTxt_st = {800, -1300, 0};
    c.dimAngle = 0;
    return c;
}

bool drewBand(const platform::RecordingCanvas& c, std::size_t from) {
    for (const auto& call : c.callsSince(from))
        if (call.state.rasterOp == platform::RasterOp::Not) return true;
    return false;
}

}  // namespace

TEST(Tools, AResetDuringADragLeavesNoGhostNoFrameAndNothingHeld) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::Select);
    b.click(733, -1350);
    ASSERT_EQ(b.doc.selection.size(), 1u);
    const Vec3 before = b.doc.drawing.objects.at(0).Port1;
    // Move and copy: another tool, or the same one chosen again, in the middle of the drag.
    for (int tool : {cmd::MoveObjects, cmd::CopyObjects}) {
        for (int next : {cmd::Select, tool}) {
            SCOPED_TRACE(testing::Message() << tool << " then " << next);
            command(c, tool);
            b.doc.setModifiedFlag(false);
            b.port.canvas.clear();
            c.mouseMove(b.at(2000, -500));
            c.leftDown(b.at(2000, -500));
            c.mouseMove(b.at(2100, -600), true);
            ASSERT_TRUE(c.moveTool().holding());
            command(c, next);
            EXPECT_FALSE(c.moveTool().holding());
            EXPECT_TRUE(feedbackErased(b.port.canvas));
            c.mouseMove(b.at(2200, -700), true);
            c.leftUp(b.at(2200, -700));
            EXPECT_EQ(b.doc.drawing.objects.size(), 1u);
            EXPECT_EQ(b.doc.drawing.objects.at(0).Port1, before);
            EXPECT_FALSE(b.doc.isModified());
        }
    }
    // A label: the frame goes and the label stays where it was.
    model::PipeObject& col = column(b);
    command(c, cmd::MoveDimension);
    b.port.canvas.clear();
    c.mouseMove(b.at(830, -1310));
    c.leftDown(b.at(830, -1310));
    c.mouseMove(b.at(880, -1210), true);
    ASSERT_EQ(c.labelTool().held(), &col);
    ASSERT_TRUE(c.labelTool().dragging());
    command(c, cmd::Pan);
    EXPECT_EQ(c.labelTool().held(), nullptr);
    EXPECT_FALSE(c.labelTool().dragging());
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    command(c, cmd::MoveDimension);
    c.mouseMove(b.at(900, -1200), true);
    c.leftUp(b.at(900, -1200));
    EXPECT_EQ(col.dimTxt_st, Vec3(800, -1300, 0));
    // The selection rectangle: gone from the screen, and the release selects nothing.
    command(c, cmd::Select);
    b.doc.selection.clear();
    b.port.canvas.clear();
    c.mouseMove(b.at(100, -900));
    c.leftDown(b.at(100, -900));
    c.mouseMove(b.at(2500, -1900), true);
    ASSERT_TRUE(c.selectTool().dragging());
    command(c, cmd::Pan);
    command(c, cmd::Select);
    c.mouseMove(b.at(2600, -2000), true);
    c.leftUp(b.at(2600, -2000));
    EXPECT_TRUE(b.doc.selection.empty());
    EXPECT_TRUE(feedbackErased(b.port.canvas));
}

TEST(Tools, APipeUnderConstructionOutlivesAChangeOfTool) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::MainPipe);
    b.port.canvas.clear();
    b.click(2000, -500);
    b.move(2000, -900);  // the band with the main pipe's pen
    ASSERT_EQ(c.phase(), 1);
    ASSERT_NE(c.statusText().find("管长"), std::string::npos);
    // Another tool keeps the start point, and draws no band while the mouse moves; the band
    // on the screen and the length on the status line go at once.
    command(c, cmd::Weld);
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    EXPECT_EQ(c.statusText().find("管长"), std::string::npos);
    const std::size_t n = b.port.canvas.calls().size();
    b.move(2100, -1000);
    EXPECT_FALSE(drewBand(b.port.canvas, n));
    EXPECT_EQ(c.phase(), 1);
    // A branch pipe goes on from the same start; its band replaces the main pipe's exactly.
    command(c, cmd::BranchPipe);
    b.move(2000, -1000);
    EXPECT_TRUE(drewBand(b.port.canvas, n));
    b.forms.queue({}, 0);
    b.click(2000, -1000);
    EXPECT_EQ(c.phase(), 0);
    ASSERT_EQ(b.doc.drawing.objects.size(), 2u);
    const model::PipeObject& branch = b.doc.drawing.objects.last();
    EXPECT_EQ(branch.SubType, 1);
    EXPECT_NEAR(branch.Port1.x, 2000, 1.0);
    EXPECT_NEAR(branch.Port1.y, -500, 1.0);
    EXPECT_NEAR(branch.Distanc, 500, 1.0);
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    // The right button ends a construction whatever tool is on.
    command(c, cmd::MainPipe);
    b.click(2000, -1000);
    command(c, cmd::Select);
    c.rightDown(b.at(2500, -1900));
    EXPECT_EQ(c.phase(), 0);
}

TEST(Tools, ObjectsAnotherViewTakesAwayAreLetGo) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    edittest::RecordingPort otherPort;
    view::ViewState otherView = b.view;
    edit::ViewController other({b.doc, otherView, b.settings, otherPort, b.prompter, b.forms, {}});
    // A label held by the drag: the other view takes its object away; the drag moves nothing
    // and the tool holds nothing.
    column(b);
    const std::size_t n = b.doc.drawing.objects.size();
    command(c, cmd::MoveDimension);
    c.mouseMove(b.at(830, -1310));
    c.leftDown(b.at(830, -1310));
    command(other, cmd::Undo);
    ASSERT_EQ(b.doc.drawing.objects.size(), n - 1);
    c.mouseMove(b.at(880, -1210), true);
    c.leftUp(b.at(880, -1210));
    EXPECT_EQ(c.labelTool().held(), nullptr);
    EXPECT_EQ(b.doc.drawing.objects.size(), n - 1);
    // A segment's start on the end of a segment the other view takes away: the second click
    // builds a plain segment from the start point, with no elbow on the missing segment.
    command(c, cmd::MainPipe);
    b.segment(1166.03, -1600, 1599, -1850, {"Distanc=500"});
    const std::size_t m = b.doc.drawing.objects.size();
    b.click(1599.04, -1850);
    ASSERT_EQ(c.phase(), 1);
    command(other, cmd::Undo);
    ASSERT_EQ(b.doc.drawing.objects.size(), m - 1);
    b.forms.queue({}, 0);
    b.click(1599.04, -1450);
    ASSERT_EQ(b.doc.drawing.objects.size(), m);
    const model::PipeObject& last = b.doc.drawing.objects.last();
    EXPECT_TRUE(last.is(model::ObjectKind::Pipe));
    EXPECT_NEAR(last.Port1.x, 1599, 1.0);
    EXPECT_NEAR(last.Port1.y, -1850, 1.0);
    for (const model::PipeObject& o : b.doc.drawing.objects) EXPECT_FALSE(o.is(model::ObjectKind::Elbow));
}

TEST(Tools, EveryEditMarksTheDocumentModifiedAndRepaints) {
    Bench b;
    int told = 0;
    b.controller = std::make_unique<edit::ViewController>(
        edit::ViewController::Services{b.doc, b.view, b.settings, b.port, b.prompter, b.forms, [&] { ++told; }});
    auto& c = *b.controller;
    struct Edit {
        std::string name;
        std::function<void()> setup, act;
    };
    const auto none = [] {};
    const auto midOfFirst = [&] {
        const model::PipeObject& o = b.doc.drawing.objects.at(0);
        b.click((o.Port1.x + o.Port2.x) / 2, (o.Port1.y + o.Port2.y) / 2);
    };
    const std::vector<Edit> edits = {
        {"segment", none, [&] { mainPipe(b); }},
        {"weld", [&] { command(c, cmd::Weld); }, [&] {
             b.forms.queue({}, 0);
             b.click(733, -1350);
         }},
        {"cut line", [&] { command(c, cmd::CutLine); }, [&] { b.click(900, -1447); }},
        {"text", [&] { command(c, cmd::TextBlock); }, [&] {
             b.forms.queue({"text=abc"}, 0);
             b.click(1500, -500);
         }},
        {"properties", [&] { command(c, cmd::Properties); }, [&] {
             b.forms.queue({"DistTxt=A-2"}, 0);
             b.click(300, -1100);
         }},
        {"label", [&] {
             column(b);
             command(c, cmd::MoveDimension);
         }, [&] {
             c.mouseMove(b.at(830, -1310));
             c.leftDown(b.at(830, -1310));
             c.mouseMove(b.at(880, -1210), true);
             c.leftUp(b.at(880, -1210));
         }},
        {"move", [&] {
             command(c, cmd::Select);
             b.doc.selection.add(&b.doc.drawing.objects.at(0));
             command(c, cmd::MoveObjects);
         }, [&] {
             c.mouseMove(b.at(2000, -500));
             c.leftDown(b.at(2000, -500));
             c.mouseMove(b.at(2100, -600), true);
             c.leftUp(b.at(2100, -600));
         }},
        {"copy", [&] { command(c, cmd::CopyObjects); }, [&] {
             c.mouseMove(b.at(2000, -500));
             c.leftDown(b.at(2000, -500));
             c.mouseMove(b.at(2100, -600), true);
             c.leftUp(b.at(2100, -600));
         }},
        {"drawing", [&] { command(c, cmd::MoveDrawing); }, [&] {
             c.mouseMove(b.at(500, -500));
             c.leftDown(b.at(500, -500));
             c.mouseMove(b.at(600, -700), true);
             c.leftUp(b.at(600, -700));
         }},
        {"delete", [&] { command(c, cmd::DeleteTool); }, midOfFirst},
        {"delete selection", [&] { b.doc.selection.add(&b.doc.drawing.objects.at(0)); },
         [&] { command(c, cmd::DeleteSelection); }},
        {"undo", none, [&] { command(c, cmd::Undo); }},
        {"restore", none, [&] { command(c, cmd::Restore); }},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        e.setup();
        const model::ObjectList list = b.doc.drawing.objects;
        b.doc.setModifiedFlag(false);
        told = 0;
        e.act();
        EXPECT_TRUE(b.doc.isModified());
        EXPECT_GE(told, 1);
        // Something changed: the count, or an object.
        bool same = list.size() == b.doc.drawing.objects.size();
        for (std::size_t i = 0; same && i < list.size(); ++i) same = list.at(i) == b.doc.drawing.objects.at(i);
        EXPECT_FALSE(same);
    }
}
