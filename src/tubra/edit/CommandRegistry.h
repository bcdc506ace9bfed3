#pragma once
// The drawing program's document commands as plain functions of a document and its view, so the
// window and a replayed session carry them out through the same code. Each feature installs its
// commands (view, tools, settings dialogs, report dialogs) into the registry of the program; the
// window routes every command that is not its own here, `tubra-cli play` its `command` lines.
// A command is playable in a session exactly when it is registered.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/Prompter.h"
#include "tubra/model/Document.h"
#include "tubra/view/ViewState.h"

namespace tubra::edit {

class ViewController;
class ViewPort;

// What a command works on: the active document and view, and the user.
struct CommandContext {
    model::Document& doc;
    view::ViewState& view;
    platform::Prompter& prompter;
    platform::FormHost& forms;
    // The view's tools; null where no view exists.
    ViewController* controller = nullptr;
    // Tells the program the document or its settings changed: every view of it repaints and
    // titles and command states are refreshed. May be empty.
    std::function<void()> changed;

    // The window the view is shown in (scrolling, repaints); null where no view exists.
    ViewPort* port = nullptr;

    void notifyChanged() const {
        if (changed) changed();
    }
};

struct CommandEntry {
    std::function<void(CommandContext&)> run;
    // Whether the command can run now; empty means always.
    std::function<bool(const CommandContext&)> enabled;
    // Whether its menu entry and button show a check mark; empty means never.
    std::function<bool(const CommandContext&)> checked;
    // The command changes the view only (a zoom), never an object: what was worked out from
    // the objects still holds after it.
    bool viewOnly = false;
};

// A key of the program's key map ("Delete", "Ctrl+Z") and its command.
struct KeyBinding {
    std::string key;
    int command = 0;
};

class CommandRegistry {
public:
    // Adds or replaces the command `id`.
    void add(int id, CommandEntry entry);
    const CommandEntry* find(int id) const;
    bool has(int id) const { return find(id) != nullptr; }
    // Runs the command if it is registered and enabled; false otherwise.
    bool run(int id, CommandContext& context) const;
    bool isEnabled(int id, const CommandContext& context) const;
    bool isChecked(int id, const CommandContext& context) const;
    std::vector<int> ids() const;

private:
    std::map<int, CommandEntry> entries_;
};

}  // namespace tubra::edit
