#pragma once
// A view controller on a document in a virtual window that records its feedback, with
// scripted answers and dialogs, for the tests of the editing tools.

#include <deque>
#include <functional>
#include <memory>

#include "platform/RecordingCanvas.h"
#include "tubra/edit/CommandIds.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/ViewController.h"

namespace edittest {

using tubra::edit::DevicePoint;

// The view port of the tests: 1024 x 768 pixels at 96 dpi, feedback recorded.
class RecordingPort : public tubra::edit::ViewPort {
public:
    RecordingPort();
    tubra::edit::DeviceTransform transform() const override;
    platform::Size clientSize() const override { return {1024, 768}; }
    void scrollToDevice(int x, int y) override;
    void apply(const tubra::view::ScrollChange& change) override;
    platform::Canvas* beginFeedback() override;
    void endFeedback() override { ++feedbackBatches; }
    void repaint() override { ++repaints; }
    void setStatusText(const std::string& text) override { status = text; }
    void setCursorShape(tubra::edit::CursorShape s) override { cursor = s; }

    platform::RecordingCanvas canvas;
    platform::Point scroll{200, 100};
    int repaints = 0;
    int feedbackBatches = 0;
    std::string status;
    tubra::edit::CursorShape cursor = tubra::edit::CursorShape::Arrow;
    std::vector<tubra::view::ScrollChange> applied;
};

// Whether every inverting or XOR figure drawn since call `from` was drawn an even number of
// times: then the screen is as it was before.
bool feedbackErased(const platform::RecordingCanvas& c, std::size_t from = 0);

// Runs command `id` on the view of `c` as the window and a session do (through the program's
// command registry); whether its button shows a check mark.
void command(tubra::edit::ViewController& c, int id);
bool checked(tubra::edit::ViewController& c, int id);

// A document with its view and controller.
struct Bench {
    Bench();
    ~Bench();

    // A point of the model as the mouse gives it.
    DevicePoint at(double x, double y) const { return controller->toDevice(x, y); }
    void command(int id);
    void click(double x, double y);
    void move(double x, double y);
    // A segment with the pipe tool that is on, from a click at A to one at B; the segment dialog
    // answers with `dialog` (OK when empty).
    void segment(double ax, double ay, double bx, double by, std::vector<std::string> dialog = {});

    tubra::model::AppContext app;
    tubra::model::Document doc{app};
    tubra::view::ViewState view;
    tubra::edit::EditSettings settings;
    RecordingPort port;
    tubra::edit::ScriptPrompter prompter;
    tubra::edit::ScriptFormHost forms{prompter};
    std::unique_ptr<tubra::edit::ViewController> controller;
};

}  // namespace edittest
