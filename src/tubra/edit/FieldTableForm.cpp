#include "tubra/edit/FieldTableForm.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::edit {

using platform::FormContext;
using platform::FormState;

std::vector<std::string> FieldTableForm::fieldNames() const {
    std::vector<std::string> names;
    names.reserve(fields_.size());
    for (const Field& f : fields_) names.push_back(f.name);
    return names;
}

const FieldTableForm::Field* FieldTableForm::find(std::string_view name) const {
    for (const Field& f : fields_)
        if (f.name == name) return &f;
    return nullptr;
}

std::string FieldTableForm::field(std::string_view name) const {
    const Field* f = find(name);
    return f && f->get ? f->get() : std::string();
}

bool FieldTableForm::setField(std::string_view name, std::string_view value, std::string* error) {
    std::string local;
    std::string& err = error ? *error : local;
    const Field* f = find(name);
    if (!f) {
        err = platform::form::unknownField(caption(), name);
        return false;
    }
    if (f->kind == Kind::ReadOnly || (!f->set && !checkedSetters_.count(f->name))) {
        err = "field '" + std::string(name) + "' of \"" + caption() + "\" only shows a value";
        return false;
    }
    if (f->enabled && !f->enabled()) {
        err = "field '" + std::string(name) + "' of \"" + caption() + "\" is disabled";
        return false;
    }
    if (const auto it = checkedSetters_.find(name); it != checkedSetters_.end())
        return it->second(value, &err);
    switch (f->kind) {
        case Kind::Choice:
            if (std::find(f->choices.begin(), f->choices.end(), value) == f->choices.end()) {
                err = platform::form::notAChoice(name, value, f->choices);
                return false;
            }
            break;
        case Kind::Check: {
            bool on = false;
            if (!fields::parseCheck(value, on)) {
                err = "'" + std::string(value) + "' is not a value of check box " + std::string(name) +
                      " (1 or 0)";
                return false;
            }
            break;
        }
        case Kind::Number: {
            const std::string v(value);
            char* end = nullptr;
            errno = 0;
            std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0') {
                err = "'" + v + "' is not a whole number for " + std::string(name);
                return false;
            }
            break;
        }
        default: break;
    }
    f->set(value);
    return true;
}

std::vector<std::string> FieldTableForm::actionNames() const {
    std::vector<std::string> names;
    for (const auto& [name, handler] : actions_) names.push_back(name);
    return names;
}

FieldTableForm::Field& FieldTableForm::addText(std::string name, std::string& value,
                                               std::size_t maxBytes) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Text;
    f.maxBytes = maxBytes;
    f.get = [&value] { return value; };
    f.set = [&value, maxBytes](std::string_view v) {
        value = maxBytes ? fields::cutToBytes(v, maxBytes) : std::string(v);
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

FieldTableForm::Field& FieldTableForm::addReadOnly(std::string name, std::function<std::string()> get) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::ReadOnly;
    f.get = std::move(get);
    fields_.push_back(std::move(f));
    return fields_.back();
}

FieldTableForm::Field& FieldTableForm::addChoice(std::string name, int& index,
                                                 std::vector<std::string> choices) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Choice;
    f.choices = std::move(choices);
    const std::vector<std::string>& list = f.choices;
    f.get = [&index, list] {
        return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)]
                                                                   : std::string();
    };
    f.set = [&index, list](std::string_view v) {
        const auto it = std::find(list.begin(), list.end(), v);
        if (it != list.end()) index = static_cast<int>(it - list.begin());
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

FieldTableForm::Field& FieldTableForm::addCheck(std::string name, bool& value) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Check;
    f.get = [&value] { return checkText(value); };
    f.set = [&value](std::string_view v) { fields::parseCheck(v, value); };
    fields_.push_back(std::move(f));
    return fields_.back();
}

FieldTableForm::Field& FieldTableForm::addNumber(std::string name, int& value, int minimum,
                                                 int maximum) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Number;
    f.minimum = minimum;
    f.maximum = maximum;
    value = std::clamp(value, minimum, maximum);
    f.get = [&value] { return std::to_string(value); };
    f.set = [&value, minimum, maximum](std::string_view v) {
        const std::string s(v);
        errno = 0;
        const long n = std::strtol(s.c_str(), nullptr, 10);
        value = static_cast<int>(std::clamp<long>(n, minimum, maximum));
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

FieldTableForm::Field& FieldTableForm::addCustom(
    std::string name, Kind kind, std::function<std::string()> get,
    std::function<bool(std::string_view, std::string*)> set) {
    Field f;
    f.name = std::move(name);
    f.kind = kind;
    f.get = std::move(get);
    if (set) checkedSetters_[f.name] = std::move(set);
    fields_.push_back(std::move(f));
    return fields_.back();
}

void FieldTableForm::addAction(std::string name, ActionHandler handler) {
    actions_.emplace_back(std::move(name), std::move(handler));
}

FormState FieldTableForm::onAction(std::string_view name, std::string_view argument,
                                   FormContext& context, std::string* error) {
    if (name == "ok") return accept(context);
    if (name == "cancel") return FormState::Rejected;
    for (auto& [actionName, handler] : actions_)
        if (actionName == name) return handler(argument, context);
    *error = platform::form::unknownAction(caption(), name);
    return state();
}

namespace fields {

std::string cutToBytes(std::string_view utf8, std::size_t maxBytes) {
    const std::string gbk = text::utf8ToGbk(utf8);
    if (gbk.size() <= maxBytes) return std::string(utf8);
    return text::gbkToUtf8(text::gbkCut(gbk, maxBytes));
}

std::size_t gbkLength(std::string_view utf8) { return text::utf8ToGbk(utf8).size(); }

double atofText(std::string_view utf8) { return text::leadingNumber(utf8); }

int atoiText(std::string_view utf8) {
    const std::string s(utf8.substr(0, utf8.find('\0')));
    errno = 0;
    const long long n = std::strtoll(s.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long long>(n, INT_MIN, INT_MAX));
}

std::string formatNumber(std::string_view format, double value) { return text::format(format, value); }

std::string formatInt(std::string_view format, int value) { return text::format(format, value); }

bool parseCheck(std::string_view value, bool& on) {
    if (value == "1" || value == "true" || value == "on" || value == "yes") {
        on = true;
        return true;
    }
    if (value == "0" || value == "false" || value == "off" || value == "no") {
        on = false;
        return true;
    }
    return false;
}

}  // namespace fields

}  // namespace tubra::edit
