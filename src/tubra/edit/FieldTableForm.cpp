#include "tubra/edit/FieldTableForm.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/edit/FieldForm.h"

namespace tubra::edit {

using platform::FormContext;
using platform::FormState;

void describeFieldForm(const std::vector<FormField>& fields, const std::vector<std::string>& notes,
                       const std::vector<FormButton>& buttons, TableDescription& description) {
    std::vector<TableDescription::Row> rows;
    for (const FormField& f : fields) {
        TableDescription::Row r;
        r.def.name = f.name;
        r.def.maxBytes = f.maxBytes;
        r.def.minWidth = 24;
        r.label = f.label;
        r.unit = f.unit;
        r.sameRow = f.sameRow;
        switch (f.kind) {
            case FormField::Kind::Text:
            case FormField::Kind::Shown:
            case FormField::Kind::EditableChoice: break;
            case FormField::Kind::MultiLine: r.def.kind = platform::FieldKind::Note; break;
            case FormField::Kind::Choice:
                r.def.kind = platform::FieldKind::Choice;
                r.def.style = f.radio ? platform::FieldStyle::Radio : platform::FieldStyle::Plain;
                r.def.choices = f.choices;
                break;
            case FormField::Kind::Check:
                r.def.kind = platform::FieldKind::Check;
                r.def.text = f.label;
                r.label.clear();
                break;
        }
        rows.push_back(std::move(r));
    }
    std::vector<platform::ActionDef> actions;
    for (const FormButton& b : buttons) {
        if (b.arguments.empty()) actions.push_back({b.name, b.label, {}, {}, false});
        for (const std::string& a : b.arguments)
            actions.push_back({b.name + "=" + a, b.label + " " + a, {}, {}, false});
    }
    description.describe(rows, notes, actions);
}

std::vector<TableDescription::Row> describeBoundFields(const BoundFields& fields) {
    std::vector<TableDescription::Row> rows;
    for (const BoundFields::Field& f : fields.fields()) {
        TableDescription::Row r;
        r.def.name = f.name;
        r.label = f.name;
        switch (f.kind) {
            case BoundFields::Kind::Text:
            case BoundFields::Kind::ReadOnly:
                r.def.maxBytes = f.maxBytes;
                r.def.minWidth = 24;
                break;
            case BoundFields::Kind::Choice:
                r.def.kind = platform::FieldKind::Choice;
                r.def.choices = f.choices;
                break;
            case BoundFields::Kind::Check:
                r.def.kind = platform::FieldKind::Check;
                r.def.text = f.name;
                r.label.clear();
                break;
            case BoundFields::Kind::Number:
                r.def.style = platform::FieldStyle::Digits;
                r.unit = std::to_string(f.minimum) + "～" + std::to_string(f.maximum);
                break;
        }
        rows.push_back(std::move(r));
    }
    return rows;
}

std::vector<platform::ActionDef> describeBoundActions(const BoundFields& fields) {
    std::vector<platform::ActionDef> actions;
    for (const std::string& name : fields.actionNames()) actions.push_back({name, name, {}, {}, false});
    return actions;
}

const BoundFields::Field* BoundFields::find(std::string_view name) const {
    for (const Field& f : fields_)
        if (f.name == name) return &f;
    return nullptr;
}

std::vector<std::string> BoundFields::actionNames() const {
    std::vector<std::string> names;
    for (const auto& [name, handler] : actions_) names.push_back(name);
    return names;
}

std::vector<std::string> BoundFields::tableFieldNames() const {
    std::vector<std::string> names;
    names.reserve(fields_.size());
    for (const Field& f : fields_) names.push_back(f.name);
    return names;
}

std::string BoundFields::tableField(std::string_view name) const {
    const Field* f = find(name);
    return f && f->get ? f->get() : std::string();
}

bool BoundFields::tableSetField(std::string_view caption, std::string_view name, std::string_view value,
                                std::string* error) {
    std::string local;
    std::string& err = error ? *error : local;
    const Field* f = find(name);
    if (!f) {
        err = platform::form::unknownField(caption, name);
        return false;
    }
    if (f->kind == Kind::ReadOnly || !f->set) {
        err = "field '" + std::string(name) + "' of \"" + std::string(caption) + "\" only shows a value";
        return false;
    }
    if (f->enabled && !f->enabled()) {
        err = "field '" + std::string(name) + "' of \"" + std::string(caption) + "\" is disabled";
        return false;
    }
    return f->set(value, &err);
}

bool BoundFields::tableAction(std::string_view name, std::string_view argument, FormContext& context,
                              FormState& state) {
    for (auto& [actionName, handler] : actions_) {
        if (actionName != name) continue;
        state = handler(argument, context);
        return true;
    }
    return false;
}

BoundFields::Field& BoundFields::addText(std::string name, std::string& value, std::size_t maxBytes) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Text;
    f.maxBytes = maxBytes;
    f.get = [&value] { return value; };
    f.set = [&value, maxBytes](std::string_view v, std::string*) {
        value = maxBytes ? fields::cutToBytes(v, maxBytes) : std::string(v);
        return true;
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

BoundFields::Field& BoundFields::addReadOnly(std::string name, std::function<std::string()> get) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::ReadOnly;
    f.get = std::move(get);
    fields_.push_back(std::move(f));
    return fields_.back();
}

BoundFields::Field& BoundFields::addChoice(std::string name, int& index, std::vector<std::string> choices) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Choice;
    f.choices = std::move(choices);
    const std::vector<std::string> list = f.choices;
    const std::string fieldName = f.name;
    f.get = [&index, list] {
        return index >= 0 && index < static_cast<int>(list.size()) ? list[static_cast<std::size_t>(index)]
                                                                   : std::string();
    };
    f.set = [&index, list, fieldName](std::string_view v, std::string* error) {
        const auto it = std::find(list.begin(), list.end(), v);
        if (it == list.end()) {
            *error = platform::form::notAChoice(fieldName, v, list);
            return false;
        }
        index = static_cast<int>(it - list.begin());
        return true;
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

BoundFields::Field& BoundFields::addCheck(std::string name, bool& value) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Check;
    const std::string fieldName = f.name;
    f.get = [&value] { return checkText(value); };
    f.set = [&value, fieldName](std::string_view v, std::string* error) {
        if (fields::parseCheck(v, value)) return true;
        *error = "'" + std::string(v) + "' 不是复选框 " + fieldName + " 的值（1 或 0）";
        return false;
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

BoundFields::Field& BoundFields::addNumber(std::string name, int& value, int minimum, int maximum) {
    Field f;
    f.name = std::move(name);
    f.kind = Kind::Number;
    f.minimum = minimum;
    f.maximum = maximum;
    value = std::clamp(value, minimum, maximum);
    const std::string fieldName = f.name;
    f.get = [&value] { return std::to_string(value); };
    f.set = [&value, minimum, maximum, fieldName](std::string_view v, std::string* error) {
        const std::string s(v);
        char* end = nullptr;
        errno = 0;
        const long n = std::strtol(s.c_str(), &end, 10);
        if (s.empty() || *end != '\0') {
            *error = "'" + s + "' 不是 " + fieldName + " 的整数值";
            return false;
        }
        value = static_cast<int>(std::clamp<long>(n, minimum, maximum));
        return true;
    };
    fields_.push_back(std::move(f));
    return fields_.back();
}

BoundFields::Field& BoundFields::addCustom(std::string name, Kind kind, std::function<std::string()> get,
                                           std::function<bool(std::string_view, std::string*)> set) {
    Field f;
    f.name = std::move(name);
    f.kind = kind;
    f.get = std::move(get);
    f.set = std::move(set);
    fields_.push_back(std::move(f));
    return fields_.back();
}

void BoundFields::addAction(std::string name, ActionHandler handler) {
    actions_.emplace_back(std::move(name), std::move(handler));
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
