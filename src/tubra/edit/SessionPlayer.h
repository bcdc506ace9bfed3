#pragma once
// Replays a session script headless: the same commands (through the program's command
// registry), the same view controller, dialogs and message texts as the window, in a virtual
// window of fixed size. Model points of the script go through the view transform, so a script
// does not depend on the size of the window it was recorded in.

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/Prompter.h"
#include "tubra/edit/CommandRegistry.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/NullCanvas.h"
#include "tubra/edit/SessionScript.h"
#include "tubra/edit/ViewController.h"
#include "tubra/edit/ViewPort.h"
#include "tubra/model/Document.h"

namespace tubra::edit {

// A line that cannot be carried out.
class SessionError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The key a script names, made canonical ("ctrl+z" -> "Ctrl+Z", "Del" -> "Delete"); empty for
// a name that is no key.
std::string canonicalKeyName(std::string_view name);

// Answers message boxes from the answers a script queued; remembers the last message.
class ScriptPrompter : public platform::Prompter {
public:
    void queue(platform::Answer answer, int line) { answers_.push_back({answer, line}); }
    bool pending() const { return !answers_.empty(); }
    int pendingLine() const { return answers_.empty() ? 0 : answers_.front().line; }
    void clear() { answers_.clear(); }
    platform::Answer ask(const platform::Message& message) override;
    const std::optional<platform::Message>& last() const { return last_; }
    const std::vector<platform::Message>& asked() const { return asked_; }

private:
    struct Queued {
        platform::Answer answer;
        int line;
    };
    std::deque<Queued> answers_;
    std::optional<platform::Message> last_;
    std::vector<platform::Message> asked_;
};

// Fills dialogs from the dialog lines a script queued: NAME=VALUE tokens whose NAME is a field
// set it, other tokens are buttons pressed in turn; without a button at the end OK is pressed.
// A dialog still open after its line (a refused OK) takes the next line; dialogs opened by a
// button take the lines that follow.
class ScriptFormHost : public platform::FormHost {
public:
    explicit ScriptFormHost(platform::Prompter& prompter) : prompter_(prompter) {}
    void queue(std::vector<std::string> tokens, int line) { lines_.push_back({std::move(tokens), line}); }
    bool pending() const { return !lines_.empty(); }
    int pendingLine() const { return lines_.empty() ? 0 : lines_.front().line; }
    void clear() { lines_.clear(); }
    bool run(platform::Form& form) override;
    // Captions of the dialogs shown, in order.
    const std::vector<std::string>& shown() const { return shown_; }

private:
    struct Queued {
        std::vector<std::string> tokens;
        int line;
    };
    platform::Prompter& prompter_;
    std::deque<Queued> lines_;
    std::vector<std::string> shown_;
};

// The virtual window of the player: a fixed client area at 96 dpi, scrolled as the desktop
// view scrolls, drawing feedback nowhere.
class HeadlessPort : public ViewPort {
public:
    static constexpr platform::Size kClientSize{1024, 768};
    static constexpr double kPixelsPerUnit = 96.0 / 254.0;

    HeadlessPort();
    DeviceTransform transform() const override;
    platform::Size clientSize() const override { return kClientSize; }
    void scrollToDevice(int x, int y) override;
    void apply(const view::ScrollChange& change) override;
    platform::Canvas* beginFeedback() override { return &canvas_; }
    void endFeedback() override {}
    void repaint() override { repaintWanted = true; }
    void setStatusText(const std::string& text) override { status = text; }
    void setCursorShape(CursorShape shape) override { cursor = shape; }

    // Scroll sizes in logical units, as the view applies them.
    void setScrollSizes(platform::Size logical, platform::Point origin = {});

    // What a window of its own keeps: its scrolling, status line and cursor.
    struct State {
        platform::Size sizes{};
        platform::Point origin{};
        platform::Point scroll{};
        std::string status;
        CursorShape cursor = CursorShape::Arrow;
    };
    State state() const { return {sizes_, origin_, scroll_, status, cursor}; }
    void restore(const State& s) {
        sizes_ = s.sizes;
        origin_ = s.origin;
        scroll_ = s.scroll;
        status = s.status;
        cursor = s.cursor;
    }
    platform::Point scroll() const { return scroll_; }

    bool repaintWanted = false;
    std::string status;
    CursorShape cursor = CursorShape::Arrow;

private:
    platform::Size sizes_{};
    platform::Point origin_{};
    platform::Point scroll_{};
    NullCanvas canvas_;
};

struct SessionResult {
    bool ok = true;
    int line = 0;
    std::string message;
};

class SessionPlayer {
public:
    // `registry` holds the program's commands; `keys` its accelerator table.
    SessionPlayer(model::AppContext& app, const CommandRegistry& registry, std::vector<KeyBinding> keys);
    ~SessionPlayer();

    // Starts from a drawing file (instead of a `new` line); fails as Document::open does.
    platform::Result<> open(const std::filesystem::path& path);

    SessionResult run(const ParsedScript& script);
    SessionResult run(std::string_view scriptText);

    // Where `save` without a path writes; the document's own file when empty.
    std::filesystem::path defaultSavePath;
    // A file `save` never replaces (the script being played).
    std::filesystem::path protectedPath;
    // Where relative files of `open` lines are found: the script's folder.
    std::filesystem::path scriptFolder;

    model::Document* document() { return doc_.get(); }
    ViewController* controller() { return controller_.get(); }
    view::ViewState& view() { return view_; }
    HeadlessPort& port() { return port_; }
    ScriptPrompter& prompter() { return prompter_; }
    ScriptFormHost& forms() { return forms_; }
    EditSettings& settings() { return settings_; }

    // The device point of a model point in the current view.
    DevicePoint devicePoint(double x, double y) const;
    // Does to the document and the view what the window's paint would (labels are laid out
    // at paints), without drawing: nothing is shown.
    void paint();

private:
    void makeView();
    // Windows: the active one's document, view and controller are the members below; the
    // others wait in `windows_`.
    void stashActive();
    void activate(std::size_t index);
    void closeActive();
    // `open` and `new-window`: a new window, made active, on `doc`.
    void addWindow(std::shared_ptr<model::Document> doc);
    void openWindow(const ScriptLine& line);
    SessionResult play(const ParsedScript& script);
    void perform(const ScriptLine& line);
    void runCommand(int id);
    void checkObject(const ScriptLine& line);
    model::Document& needDocument() const;

    model::AppContext& app_;
    const CommandRegistry& registry_;
    std::vector<KeyBinding> keys_;
    EditSettings settings_;
    ScriptPrompter prompter_;
    ScriptFormHost forms_{prompter_};
    HeadlessPort port_;
    view::ViewState view_;
    // Shared: windows opened by `new-window` show one drawing.
    std::shared_ptr<model::Document> doc_;
    std::unique_ptr<ViewController> controller_;
    struct Window {
        std::shared_ptr<model::Document> doc;
        view::ViewState view;
        std::unique_ptr<ViewController> controller;
        HeadlessPort::State port;
        bool closed = false;
    };
    std::vector<Window> windows_;
    std::size_t active_ = 0;
};

}  // namespace tubra::edit
