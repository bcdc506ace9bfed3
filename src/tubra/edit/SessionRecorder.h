#pragma once
// Writes what a user does as a session script (the format SessionPlayer replays): actions,
// the answers to the message boxes they brought up and the dialogs they opened, each dialog as
// the fields the user changed and the buttons pressed.
//
// The answers and dialog lines an action brings up are written before the action's own line,
// as the player queues them; a dialog's line comes before the lines of dialogs opened from it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Form.h"
#include "platform/Prompter.h"

namespace tubra::edit {

class SessionRecorder {
public:
    // `write` receives each finished line (without its line end).
    explicit SessionRecorder(std::function<void(const std::string&)> write);
    ~SessionRecorder();
    SessionRecorder(const SessionRecorder&) = delete;
    SessionRecorder& operator=(const SessionRecorder&) = delete;

    // A line written at once (comments, "new").
    void line(const std::string& text);

    // An action in progress: answers and dialogs are held until `endAction` writes them
    // followed by the action's line (nothing more when `text` is empty).
    void beginAction();
    void endAction(const std::string& text);
    // Whether the action in progress brought up a message box or a dialog.
    bool actionAsked() const { return !held_.empty(); }

    // A prompter and a form host that record and then ask `inner`.
    platform::Prompter& prompter(platform::Prompter& inner);
    platform::FormHost& forms(platform::FormHost& inner);

    // Lines of the script.
    static std::string pointLine(const char* action, double x, double y);
    static std::string clickLine(double x, double y, bool shift, bool ctrl);
    static std::string dragLine(const char* action, double x1, double y1, double x2, double y2);

private:
    class Prompter;
    class Forms;
    friend class Prompter;
    friend class Forms;
    void hold(std::vector<std::string> lines);

    std::function<void(const std::string&)> write_;
    int depth_ = 0;
    std::vector<std::string> held_;
    std::unique_ptr<Prompter> prompter_;
    std::unique_ptr<Forms> forms_;
};

}  // namespace tubra::edit
