#pragma once
// The behaviour of a modal dialog without its widgets.
//
// Every dialog of the programs is a Form: named fields shown and edited as UTF-8 texts, and
// actions (its buttons). The desktop binds a Qt dialog to the form; a recorded session fills
// the same form from its script; tests drive it directly. Because all three go through the
// same names, a session line such as
//
//     dialog Distanc=1500 DistTxt="1500 mm" ok
//
// does exactly what a user typing into the dialog and pressing OK does.
//
// Rules every form keeps:
//   - Field names and action names never coincide. A token `NAME=VALUE` whose NAME is a
//     field sets the field; any other token is an action, `NAME=ARGUMENT` passing an argument
//     ("open=3", "delete=2").
//   - "ok" and "cancel" are always actions. OK may be refused: the form tells the user
//     through the prompter and stays open. Cancel always closes without writing anything back.
//   - A form works on its own copies; what it changes reaches the document only through the
//     caller, after the form was accepted (or as the form's own documented action says).
//   - Actions that open further dialogs run them through `FormContext::host`, so the same
//     code opens a nested Qt dialog on the desktop and takes the next script line in a session.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Prompter.h"
#include "platform/Result.h"

namespace platform {

class Form;

// Runs forms as modal dialogs.
class FormHost {
public:
    virtual ~FormHost() = default;
    // Shows `form` until it closes; true when it was accepted.
    virtual bool run(Form& form) = 0;
};

// What a form may use while it is open: message boxes and further dialogs.
struct FormContext {
    Prompter& prompter;
    FormHost& host;
};

enum class FormState { Open, Accepted, Rejected };
// The state an action left the form in, or why the form did not carry it out.
using ActionResult = Result<FormState>;

class Form {
public:
    virtual ~Form() = default;

    // The dialog's caption (UTF-8), exactly as the window shows it.
    virtual std::string caption() const = 0;
    // The names of the fields a script addresses, in dialog order.
    virtual std::vector<std::string> fieldNames() const = 0;
    // A field's value as the dialog shows it (UTF-8); empty for an unknown name.
    virtual std::string field(std::string_view name) const = 0;
    // Sets a field as the user types or chooses it. Refused, with the reason, for an unknown
    // field, a read-only field, or a value a list or radio group does not offer. A text longer
    // than the field holds is cut as the edit box would cut it; that is not an error.
    virtual Result<> setField(std::string_view name, std::string_view value) = 0;

    // Carries out an action ("ok", "cancel", "open=3", "add", ...). Returns the state after it;
    // an action the form does not have leaves the state alone and is an error. An OK the form
    // refuses is no error: the form has told the user and stays open.
    ActionResult act(std::string_view action, FormContext& context);

    FormState state() const { return state_; }
    bool isOpen() const { return state_ == FormState::Open; }
    // Opens the form again (a host that shows it a second time).
    void reopen() { state_ = FormState::Open; }

    // Told before every action, with the action's token as `act` got it. The session recorder
    // listens here to write the fields changed since the last action, then the action.
    std::function<void(const Form&, std::string_view action)> beforeAction;

    // True when `name` is one of fieldNames().
    bool hasField(std::string_view name) const;
    // The current value of every field, in dialog order (for recorders and tests).
    std::vector<std::pair<std::string, std::string>> snapshot() const;

protected:
    // An action split at its first '=': `name` and `argument` (empty without '='). Returns the
    // new state, or an error for an action the form does not have.
    virtual ActionResult onAction(std::string_view name, std::string_view argument,
                                  FormContext& context) = 0;

private:
    FormState state_ = FormState::Open;
};

// Helpers for forms built from simple field tables.
namespace form {
// Splits "name=argument"; `argument` is empty without '='.
std::pair<std::string_view, std::string_view> splitAction(std::string_view token);
// The error text of an unknown field or action (UTF-8).
std::string unknownField(std::string_view caption, std::string_view name);
std::string unknownAction(std::string_view caption, std::string_view name);
std::string notAChoice(std::string_view name, std::string_view value,
                       const std::vector<std::string>& choices);
// The actions of a form that has only OK (always taken) and Cancel: Accepted, Rejected, or an
// error for any other name.
ActionResult okOrCancel(const Form& form, std::string_view name);
}  // namespace form

}  // namespace platform
