// The view controller: tools and their check marks, the snap sets tools force, the rubber
// band, feedback that erases itself, the right button, panning, moving labels and the whole
// drawing, and the document staying sound whatever the mouse does.

#include <gtest/gtest.h>

#include <cmath>

#include "EditTestSupport.h"
#include "tubra/edit/Tools.h"
#include "tubra/model/Kinds.h"

using namespace tubra;
using edit::CursorShape;
using edit::ToolKind;
using edittest::Bench;
using edittest::checked;
using edittest::command;
using edittest::feedbackErased;
using model::Vec3;

namespace {

namespace cmd = edit::cmd;

const double kCos30 = std::cos(30 * view::kDegToRad);

// The main pipe of most tests: (300, -1100) east, 1000 long, ending at (1166.03, -1600).
void mainPipe(Bench& b) {
    b.command(cmd::MainPipe);
    b.segment(300, -1100, 1166, -1600, {"Distanc=1000"});
}

}  // namespace

TEST(ViewController, ToolsSwitchAndShowTheirCheckMarks) {
    Bench b;
    auto& c = *b.controller;
    command(c, cmd::MainPipe);
    EXPECT_TRUE(checked(c, cmd::MainPipe));
    EXPECT_EQ(c.cursor(), CursorShape::Draw);
    command(c, cmd::ClosedPipe);
    EXPECT_TRUE(c.closedPipe());
    // Pressing a non-toggling tool again restarts it, and the reset clears the modifier.
    command(c, cmd::MainPipe);
    EXPECT_TRUE(checked(c, cmd::MainPipe));
    EXPECT_FALSE(c.closedPipe());
    // Toggling tools go off when pressed again.
    command(c, cmd::Filter);
    EXPECT_EQ(c.tool(), (edit::Tool{ToolKind::Component, static_cast<int>(model::SymbolCode::Filter)}));
    EXPECT_TRUE(checked(c, cmd::Filter));
    EXPECT_FALSE(checked(c, cmd::MainPipe));
    command(c, cmd::Filter);
    EXPECT_EQ(c.tool().kind, ToolKind::None);
    EXPECT_EQ(c.cursor(), CursorShape::Arrow);
    command(c, cmd::Select);
    command(c, cmd::Select);
    EXPECT_EQ(c.tool().kind, ToolKind::None);
    command(c, cmd::Pan);
    EXPECT_EQ(c.cursor(), CursorShape::Hand);
    command(c, cmd::DeleteTool);
    EXPECT_EQ(c.cursor(), CursorShape::Delete);
    EXPECT_TRUE(checked(c, cmd::DeleteTool) && checked(c, cmd::DeleteSelection));
    // The space-slanted pipe is not available.
    b.prompter.queue(platform::Answer::Ok, 0);
    command(c, cmd::SpaceSlant);
    EXPECT_EQ(b.prompter.last()->text, "此功能目前不能使用!");
    EXPECT_EQ(b.prompter.last()->caption, "");
}

TEST(ViewController, ToolsForceTheirSnapSetsUntilTheNextReset) {
    Bench b;
    auto& c = *b.controller;
    auto& snap = b.settings.snap;
    // The gate valve catches end points only; the next tool brings the others back.
    command(c, cmd::GateValve);
    EXPECT_TRUE(snap.endPoints);
    EXPECT_FALSE(snap.midPoints || snap.anyPoint);
    command(c, cmd::GlobeValve);
    EXPECT_TRUE(snap.midPoints && snap.anyPoint);
    // A key toggles a flag until the next reset.
    command(c, cmd::SnapEnd);
    EXPECT_FALSE(snap.endPoints);
    EXPECT_FALSE(checked(c, cmd::SnapEnd));
    command(c, cmd::Select);
    EXPECT_TRUE(snap.endPoints);
    // Deleting the selection keeps the user's flags and works with middles and segments only.
    command(c, cmd::DeleteSelection);
    EXPECT_FALSE(snap.endPoints);
    EXPECT_TRUE(snap.midPoints && snap.anyPoint);
    command(c, cmd::Select);
    EXPECT_TRUE(snap.endPoints);
    // A settings dialog keeps its choice over tool resets.
    snap.midPoints = false;
    c.keepSnapFlags();
    command(c, cmd::MainPipe);
    EXPECT_FALSE(snap.midPoints);
    snap.midPoints = true;
    c.keepSnapFlags();
    // Weld-only snapping is not part of the tools' sets.
    command(c, cmd::SnapWeld);
    command(c, cmd::MainPipe);
    EXPECT_TRUE(snap.weldsOnly);
    // A right click turns all three on, whatever was saved.
    command(c, cmd::SnapMid);
    c.rightDown(b.at(2000, -1900));
    EXPECT_TRUE(snap.endPoints && snap.midPoints && snap.anyPoint);
    // A new view starts from the defaults.
    edit::ViewController other({b.doc, b.view, b.settings, b.port, b.prompter, b.forms, {}});
    EXPECT_EQ(b.settings, edit::EditSettings());
}

TEST(ViewController, RubberBandFollowsTheMouseAndErasesItself) {
    Bench b;
    auto& c = *b.controller;
    command(c, cmd::MainPipe);
    b.click(300, -1100);
    EXPECT_EQ(c.phase(), 1);
    EXPECT_EQ(c.startPoint(), Vec3(300, -1100, 0));
    const std::size_t from = b.port.canvas.calls().size();
    for (double l : {100.0, 250.0, 400.0}) b.move(300 + l * kCos30, -1100 - l / 2);
    EXPECT_EQ(b.port.status, "管长=399     毫米   角度=329.97度");
    b.move(300, -700);
    EXPECT_EQ(b.port.status, "管长=400     毫米   角度=90.00 度");
    // The band with the inverting pen, the tracking line in the tracking colour under XOR.
    bool band = false, track = false;
    for (const auto& call : b.port.canvas.callsSince(from)) {
        band |= call.state.rasterOp == platform::RasterOp::Not;
        track |= call.state.rasterOp == platform::RasterOp::XorPen &&
                 call.state.pen.colour == b.doc.settings().TractColor;
    }
    EXPECT_TRUE(band && track);
    EXPECT_FALSE(feedbackErased(b.port.canvas, from));
    c.cancel();
    EXPECT_TRUE(feedbackErased(b.port.canvas, from));
    EXPECT_EQ(c.phase(), 0);
}

TEST(ViewController, EveryFeedbackIsErasedExactly) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    b.port.canvas.clear();
    // Snap markers while hovering over end, middle and segment.
    command(c, cmd::Weld);
    for (auto [x, y] : {std::pair{300.0, -1100.0}, {733.0, -1350.0}, {900.0, -1447.0}, {2000.0, -500.0},
                        {1166.0, -1600.0}})
        b.move(x, y);
    c.cancel();
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    // The selection rectangle.
    b.port.canvas.clear();
    command(c, cmd::Select);
    c.mouseMove(b.at(100, -900));
    c.leftDown(b.at(100, -900));
    c.mouseMove(b.at(150, -950), true);
    c.mouseMove(b.at(200, -1000), true);
    c.leftUp(b.at(200, -1000));
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    // Ghosts of a move that is cancelled by the right button.
    b.click(733, -1350);
    ASSERT_EQ(b.doc.selection.size(), 1u);
    command(c, cmd::MoveObjects);
    b.port.canvas.clear();
    b.port.repaints = 0;
    c.mouseMove(b.at(500, -1000));
    c.leftDown(b.at(500, -1000));
    c.mouseMove(b.at(520, -1010), true);
    c.mouseMove(b.at(540, -1030), true);
    c.cancel();
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    EXPECT_GT(b.port.repaints, 0);
}

TEST(ViewController, SelectionClicksToggleAndHighlight) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::Select);
    b.port.canvas.clear();
    b.click(733, -1350);
    EXPECT_EQ(b.doc.selection.size(), 1u);
    const auto highlights = b.port.canvas.segmentsInColour(b.doc.settings().SelectionColor);
    EXPECT_FALSE(highlights.empty());
    b.click(733, -1350);
    EXPECT_TRUE(b.doc.selection.empty());
    EXPECT_TRUE(feedbackErased(b.port.canvas));
    // Without a tool a click selects as well; a right click empties the selection.
    command(c, cmd::Select);
    b.click(300, -1100);
    EXPECT_EQ(b.doc.selection.size(), 1u);
    c.rightDown(b.at(2500, -1900));
    EXPECT_TRUE(b.doc.selection.empty());
}

TEST(ViewController, RightButtonOpensPropertiesAndCancels) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::MainPipe);
    b.click(1166.03, -1600);
    ASSERT_EQ(c.phase(), 1);
    // With a start point placed the right button only cancels.
    c.rightDown(b.at(733, -1350));
    EXPECT_EQ(c.phase(), 0);
    EXPECT_EQ(c.tool().kind, ToolKind::None);
    // With the gate valve tool on, a right click on the pipe shows its properties and places
    // no valve.
    command(c, cmd::GateValve);
    b.forms.queue({"DistTxt=A-1"}, 0);
    c.mouseMove(b.at(300, -1100));
    c.rightDown(b.at(300, -1100));
    EXPECT_EQ(b.doc.drawing.objects.size(), 1u);
    EXPECT_EQ(b.doc.drawing.objects.at(0).DistTxt.str(), "A-1");
    EXPECT_TRUE(b.doc.isModified());
    EXPECT_EQ(c.tool().kind, ToolKind::None);
}

TEST(ViewController, RightDragZoomsOneStepPerFewPixels) {
    Bench b;
    auto& c = *b.controller;
    const double zoom = b.view.ZoomPara;
    c.rightDown({500, 400});
    c.mouseMove({500, 397}, false, true);
    EXPECT_EQ(b.view.ZoomPara, zoom);
    c.mouseMove({500, 394}, false, true);  // more than 5 above: out
    EXPECT_NEAR(b.view.ZoomPara, zoom - 0.05, 1e-12);
    c.mouseMove({500, 390}, false, true);
    EXPECT_NEAR(b.view.ZoomPara, zoom - 0.05, 1e-12);
    c.mouseMove({500, 410}, false, true);  // below: in
    EXPECT_NEAR(b.view.ZoomPara, zoom, 1e-12);
    c.rightUp({500, 410});
    c.mouseMove({500, 300});
    EXPECT_NEAR(b.view.ZoomPara, zoom, 1e-12);
    EXPECT_FALSE(b.port.applied.empty());
}

TEST(ViewController, PanScrollsByTheMouseDisplacement) {
    Bench b;
    auto& c = *b.controller;
    command(c, cmd::Pan);
    b.port.scroll = {200, 100};
    c.leftDown({400, 300});
    EXPECT_EQ(c.cursor(), CursorShape::HandHeld);
    c.mouseMove({350, 320}, true);
    EXPECT_EQ(b.port.scroll, (platform::Point{250, 80}));
    c.mouseMove({300, 300}, true);
    EXPECT_EQ(b.port.scroll, (platform::Point{300, 100}));
    c.leftUp({300, 300});
    EXPECT_EQ(c.cursor(), CursorShape::Hand);
    // A drag that outlives its press (the tool chosen again, the view resting) moves nothing.
    c.leftDown({400, 300});
    command(c, cmd::Pan);
    c.mouseMove({100, 100}, true);
    EXPECT_EQ(b.port.scroll, (platform::Point{300, 100}));
    c.leftDown({400, 300});
    c.rest();
    command(c, cmd::Pan);
    c.mouseMove({100, 100}, true);
    EXPECT_EQ(b.port.scroll, (platform::Point{300, 100}));
}

TEST(ViewController, LabelsMoveByHandAndKeepTheirPlace) {
    Bench b;
    mainPipe(b);
    b.forms.queue({}, 0);
    b.command(cmd::Column);  // a column: its label "<0001>"
    b.click(733, -1350);
    model::PipeObject& column = b.doc.drawing.objects.last();
    ASSERT_EQ(column.SubType, 42);
    column.dimTxt_st = {800, -1300, 0};
    column.dimAngle = 0;
    auto& c = *b.controller;
    command(c, cmd::MoveDimension);
    EXPECT_EQ(c.cursor(), CursorShape::Pointer);
    b.port.canvas.clear();
    c.mouseMove(b.at(830, -1310));
    EXPECT_EQ(c.snap().hit, &column);
    EXPECT_FALSE(b.port.canvas.segmentsInColour(b.doc.settings().TractColor).empty());
    c.leftDown(b.at(830, -1310));
    c.mouseMove(b.at(880, -1210), true);
    c.leftUp(b.at(880, -1210));
    EXPECT_NEAR(column.dimTxt_st.x, 850, 1.5);
    EXPECT_NEAR(column.dimTxt_st.y, -1200, 1.5);
    EXPECT_EQ(column.dimYX1_st, Vec3(1, 1, 1));
    // Away from every label the frame goes.
    const std::size_t from = b.port.canvas.calls().size();
    c.mouseMove(b.at(2500, -1900));
    EXPECT_EQ(c.snap().hit, nullptr);
    (void)from;
}

TEST(ViewController, TheWholeDrawingMovesWithItsFrame) {
    Bench b;
    mainPipe(b);
    const Vec3 before = b.doc.drawing.objects.at(0).Port1;
    auto& c = *b.controller;
    command(c, cmd::MoveDrawing);
    c.mouseMove(b.at(500, -500));
    c.leftDown(b.at(500, -500));
    c.mouseMove(b.at(600, -700), true);
    c.leftUp(b.at(600, -700));
    const Vec3 after = b.doc.drawing.objects.at(0).Port1;
    EXPECT_NEAR(after.x - before.x, 100, 1.5);
    EXPECT_NEAR(after.y - before.y, -200, 1.5);
    EXPECT_EQ(after.x - before.x, std::trunc(after.x - before.x));
    EXPECT_TRUE(b.doc.isModified());
}

TEST(ViewController, NothingRefersToRemovedObjects) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::Select);
    b.click(733, -1350);
    ASSERT_EQ(b.doc.selection.size(), 1u);
    // Clear all: the list is empty and so is the selection; the discard box stays.
    b.prompter.queue(platform::Answer::Ok, 0);
    command(c, cmd::ClearAll);
    EXPECT_TRUE(b.doc.drawing.objects.empty());
    EXPECT_TRUE(b.doc.selection.empty());
    EXPECT_EQ(b.doc.drawing.Total(), 0);
    // Deleting the only object by click: after OK the list and the box are empty.
    mainPipe(b);
    command(c, cmd::Select);
    b.click(733, -1350);
    command(c, cmd::DeleteTool);
    b.prompter.queue(platform::Answer::Ok, 0);
    b.click(733, -1350);
    EXPECT_EQ(b.prompter.last()->caption, "严重警告");
    EXPECT_TRUE(b.doc.drawing.objects.empty());
    EXPECT_TRUE(b.doc.discardBox.objects.empty());
    EXPECT_TRUE(b.doc.selection.empty());
    EXPECT_EQ(c.tool().kind, ToolKind::None);
    // Undo and restore keep Total.
    mainPipe(b);
    b.segment(1166.03, -1600, 1599, -1850, {"Distanc=500"});
    command(c, cmd::UndoObject);
    EXPECT_EQ(b.doc.drawing.Total(), 1);
    EXPECT_EQ(b.doc.discardBox.objects.Total, 1);
    command(c, cmd::Restore);
    EXPECT_EQ(b.doc.drawing.Total(), 2);
    EXPECT_EQ(b.doc.discardBox.objects.Total, 0);
}

TEST(ViewController, StrayClicksAddNothing) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    command(c, cmd::MainPipe);
    // A second click on the first: no segment, the start point stays.
    b.click(2000, -500);
    b.click(2000, -500);
    EXPECT_EQ(c.phase(), 1);
    EXPECT_EQ(b.doc.drawing.objects.size(), 1u);
    c.cancel();
    // Far outside the sheet and the window.
    for (double v : {1e9, -1e9, 1e15}) {
        c.mouseMove({v, -v});
        c.leftDown({v, -v});
        c.leftUp({v, -v});
        c.rightDown({v, v});
        c.rightUp({v, v});
    }
    EXPECT_EQ(b.doc.drawing.objects.size(), 1u);
    // Plane-slant mode cannot change while a start point is placed.
    command(c, cmd::MainPipe);
    b.click(2000, -500);
    command(c, cmd::PlaneSlant);
    EXPECT_FALSE(c.planeSlant());
}

TEST(ViewController, CancelledDialogsAddNothing) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    const std::size_t n = b.doc.drawing.objects.size();
    // Plane dialog.
    command(c, cmd::MainPipe);
    command(c, cmd::PlaneSlant);
    ASSERT_TRUE(c.planeSlant());
    b.forms.queue({"cancel"}, 0);
    b.click(1166.03, -1600);
    EXPECT_EQ(b.doc.drawing.objects.size(), n);
    // Direction of an elbow, connection of a tee, the text of a text block.
    command(c, cmd::Elbow);
    b.forms.queue({"cancel"}, 0);
    b.click(733, -1350);
    command(c, cmd::Tee);
    b.forms.queue({"cancel"}, 0);
    b.click(733, -1350);
    command(c, cmd::TextBlock);
    b.forms.queue({"text=abc", "cancel"}, 0);
    b.click(1500, -500);
    EXPECT_EQ(b.doc.drawing.objects.size(), n);
    // The segment dialog cancelled keeps the segment as built.
    command(c, cmd::MainPipe);
    b.segment(1166.03, -1600, 1599, -1850, {"Distanc=700", "cancel"});
    EXPECT_EQ(b.doc.drawing.objects.size(), n + 1);
    EXPECT_NEAR(b.doc.drawing.objects.last().Distanc, 500, 1.0);
}

TEST(ViewController, ReportPagesStopTheMouseAndToolsBringTheDrawingBack) {
    Bench b;
    auto& c = *b.controller;
    b.view.reportDisplay = {1, 3};
    command(c, cmd::Select);
    EXPECT_EQ(b.view.reportDisplay[0], 0);
    b.view.reportDisplay = {1, 3};
    command(c, cmd::MainPipe);
    b.view.reportDisplay = {1, 3};
    b.click(300, -1100);
    EXPECT_EQ(c.phase(), 0);
    b.view.reportDisplay = {0, 3};
    b.click(300, -1100);
    EXPECT_EQ(c.phase(), 1);
    c.rest();
    EXPECT_EQ(c.phase(), 0);
    EXPECT_EQ(c.tool().kind, ToolKind::None);
}

TEST(ViewController, StatusLineShowsPositionAndCounts) {
    Bench b;
    mainPipe(b);
    b.move(1000, -1000);
    EXPECT_EQ(b.port.status,
              "(1000, 1050)   数量=1       废弃箱中可恢复数量=0      选中对象=0    放大倍数=1.00 ");
    b.command(cmd::Select);
    b.click(733, -1350);
    b.move(1000, -1000);
    EXPECT_NE(b.port.status.find("选中对象=1  "), std::string::npos);
    b.command(cmd::MoveObjects);
    b.move(1000, -1000);
    EXPECT_EQ(b.port.status, edit::message::kMoveHelp);
}

TEST(ViewController, AnotherViewsDeletionLeavesNothingStale) {
    Bench b;
    mainPipe(b);
    auto& c = *b.controller;
    edittest::RecordingPort otherPort;
    view::ViewState otherView = b.view;
    edit::ViewController other({b.doc, otherView, b.settings, otherPort, b.prompter, b.forms, {}});
    // This view hovers over the pipe; the other view takes it away.
    command(c, cmd::Weld);
    b.move(733, -1350);
    ASSERT_TRUE(c.snap().snapped());
    b.prompter.queue(platform::Answer::Ok, 0);
    command(other, cmd::Undo);
    ASSERT_TRUE(b.doc.drawing.objects.empty());
    // A click at the same place finds nothing to put a weld on.
    const edit::DevicePoint p = b.at(733, -1350);
    c.leftDown(p);
    c.leftUp(p);
    EXPECT_TRUE(b.doc.drawing.objects.empty());
    EXPECT_FALSE(c.snap().snapped());
}
