#pragma once
// A form whose fields are bound to its own members: an edit box to a string, a drop-down list
// to the index of its entry, a check box to a bool, a slider to an int, a shown value to a
// getter. The fields are declared once in the constructor (platform::DeclaredFields), and
// the form's own buttons with the handler each runs.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/Form.h"
#include "platform/FormFields.h"

namespace tubra::edit {

template <class Base = platform::Form>
class BoundForm : public platform::DeclaredForm<Base> {
protected:
    using Field = platform::DeclaredField;
    using Kind = platform::FieldKind;

    // An edit box bound to a UTF-8 string of at most `maxBytes` GBK bytes (0: any).
    Field& addText(std::string name, std::string& value, std::size_t maxBytes) {
        return this->declareText(name, name, platform::bind::text(value, maxBytes), maxBytes);
    }
    // A box that only shows a value.
    Field& addReadOnly(std::string name, std::function<std::string()> get) {
        return this->declareText(name, name, platform::bind::shown(std::move(get)));
    }
    // A drop-down list bound to the index of its entry; -1 shows nothing.
    Field& addChoice(std::string name, int& index, std::vector<std::string> choices) {
        platform::FieldBinding value = platform::bind::choice(index, choices, name);
        Field& f = this->declareChoice(name, name, std::move(choices), std::move(value));
        f.def.minWidth = 0;
        return f;
    }
    Field& addCheck(std::string name, bool& value) {
        platform::FieldBinding binding = platform::bind::check(value, name);
        return this->declareCheck(name, name, std::move(binding));
    }
    // A slider from `minimum` to `maximum`; a value outside is taken as the nearest end, as a
    // slider cannot show it.
    Field& addNumber(std::string name, int& value, int minimum, int maximum) {
        platform::FieldDef def;
        def.name = name;
        def.style = platform::FieldStyle::Digits;
        def.minimum = minimum;
        def.maximum = maximum;
        Field& f = this->declare(std::move(def), name, platform::bind::number(value, minimum, maximum, name));
        f.unit = std::to_string(minimum) + "～" + std::to_string(maximum);
        return f;
    }
    // Any other field: its own getter and setter.
    Field& addCustom(std::string name, Kind kind, std::function<std::string()> get,
                     std::function<platform::Result<>(std::string_view)> set) {
        platform::FieldDef def;
        def.name = name;
        def.kind = kind;
        if (kind == Kind::Text) def.minWidth = 24;
        return this->declare(std::move(def), name, {std::move(get), std::move(set)});
    }

    using ActionHandler =
        std::function<platform::FormState(std::string_view argument, platform::FormContext&)>;
    // A button of the form's own, besides OK and Cancel.
    void addAction(std::string name, ActionHandler handler) {
        this->declareAction({name, name, {}, {}, false, {}});
        handlers_.emplace_back(std::move(name), std::move(handler));
    }

    // OK: returns Accepted, or Open after telling the user why not. Cancel always closes.
    virtual platform::FormState accept(platform::FormContext& context) = 0;

    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override {
        if (name == "ok") return accept(context);
        if (name == "cancel") return platform::FormState::Rejected;
        for (auto& [actionName, handler] : handlers_)
            if (actionName == name) return handler(argument, context);
        return platform::Error(platform::form::unknownAction(this->caption(), name));
    }

private:
    std::vector<std::pair<std::string, ActionHandler>> handlers_;
};

// Helpers the dialogs share.
namespace fields {
using platform::fields::checkText;
using platform::fields::cutToBytes;
using platform::fields::parseCheck;
// The GBK byte length of a UTF-8 text.
std::size_t gbkLength(std::string_view utf8);
// A number as C `atof` reads a text (0 when none).
double atofText(std::string_view utf8);
// A whole number as C `atoi` reads a text (0 when none; clamped to the int range).
int atoiText(std::string_view utf8);
// printf of one number with a C format ("%-5.2f", "%-d").
std::string formatNumber(std::string_view format, double value);
std::string formatInt(std::string_view format, int value);
}  // namespace fields

}  // namespace tubra::edit
