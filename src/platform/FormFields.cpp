#include "platform/FormFields.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/Form.h"
#include "text/Gbk.h"

namespace platform {

namespace bind {

FieldBinding text(std::string& utf8, std::size_t maxBytes) {
    return {[&utf8] { return utf8; },
            [&utf8, maxBytes](std::string_view v) -> Result<> {
                utf8 = maxBytes ? fields::cutToBytes(v, maxBytes) : std::string(v);
                return {};
            }};
}

FieldBinding gbk(std::string& gbk, std::size_t maxBytes) {
    return {[&gbk] { return text::gbkToUtf8(gbk); },
            [&gbk, maxBytes](std::string_view v) -> Result<> {
                gbk = std::string(text::gbkCut(text::utf8ToGbk(v), maxBytes));
                return {};
            }};
}

FieldBinding check(bool& on, std::string name) {
    return {[&on] { return fields::checkText(on); },
            [&on, name](std::string_view v) -> Result<> {
                if (fields::parseCheck(v, on)) return {};
                return Error("'" + std::string(v) + "' 不是复选框 " + name + " 的值（1 或 0）");
            }};
}

FieldBinding choice(int& index, std::vector<std::string> choices, std::string name) {
    return {[&index, choices] {
                return index >= 0 && index < static_cast<int>(choices.size())
                           ? choices[static_cast<std::size_t>(index)]
                           : std::string();
            },
            [&index, choices, name](std::string_view v) -> Result<> {
                const auto it = std::find(choices.begin(), choices.end(), v);
                if (it == choices.end()) return Error(form::notAChoice(name, v, choices));
                index = static_cast<int>(it - choices.begin());
                return {};
            }};
}

FieldBinding number(int& value, int minimum, int maximum, std::string name) {
    value = std::clamp(value, minimum, maximum);
    return {[&value] { return std::to_string(value); },
            [&value, minimum, maximum, name](std::string_view v) -> Result<> {
                const std::string s(v);
                char* end = nullptr;
                errno = 0;
                const long n = std::strtol(s.c_str(), &end, 10);
                if (s.empty() || *end != '\0') return Error("'" + s + "' 不是 " + name + " 的整数值");
                value = static_cast<int>(std::clamp<long>(n, minimum, maximum));
                return {};
            }};
}

FieldBinding shown(std::function<std::string()> get) { return {std::move(get), nullptr}; }

}  // namespace bind

const DeclaredField* DeclaredFields::declared(std::string_view name) const {
    for (const DeclaredField& f : fields_)
        if (f.def.name == name) return &f;
    return nullptr;
}

DeclaredField* DeclaredFields::declaredField(std::string_view name) {
    for (DeclaredField& f : fields_)
        if (f.def.name == name) return &f;
    return nullptr;
}

DeclaredField& DeclaredFields::declare(FieldDef def, std::string label, FieldBinding value) {
    DeclaredField f;
    f.def = std::move(def);
    f.label = std::move(label);
    f.value = std::move(value);
    fields_.push_back(std::move(f));
    return fields_.back();
}

DeclaredField& DeclaredFields::declareText(std::string name, std::string label, FieldBinding value,
                                           std::size_t maxBytes) {
    FieldDef def;
    def.name = std::move(name);
    def.maxBytes = maxBytes;
    def.minWidth = 24;
    return declare(std::move(def), std::move(label), std::move(value));
}

DeclaredField& DeclaredFields::declareChoice(std::string name, std::string label,
                                             std::vector<std::string> choices, FieldBinding value,
                                             FieldStyle style) {
    FieldDef def;
    def.name = std::move(name);
    def.kind = FieldKind::Choice;
    def.style = style;
    def.choices = std::move(choices);
    def.minWidth = 24;
    return declare(std::move(def), std::move(label), std::move(value));
}

DeclaredField& DeclaredFields::declareCheck(std::string name, std::string caption, FieldBinding value) {
    FieldDef def;
    def.name = std::move(name);
    def.kind = FieldKind::Check;
    def.text = std::move(caption);
    return declare(std::move(def), {}, std::move(value));
}

void DeclaredFields::declareNote(std::string_view text) { notes_.emplace_back(text); }

const FormLayout& DeclaredFields::layout() const { return rows(); }

const FormLayout& DeclaredFields::rows() const {
    if (laidOut_) return layout_;
    laidOut_ = true;
    LayoutGroup group;
    GroupBuilder cells(group);
    int row = -1;
    int col = 0;
    for (const DeclaredField& f : fields_) {
        if (!f.sameRow || row < 0) {
            ++row;
            col = 0;
        }
        if (!f.label.empty()) cells.label(row, col, f.label);
        cells.field(row, col + 1, f.def.name);
        if (!f.unit.empty()) cells.label(row, col + 2, f.unit);
        col += 3;
    }
    for (const std::string& note : notes_) cells.label(++row, 0, note, 3);
    layout_.groups.push_back(std::move(group));
    for (const ActionDef& a : actions_) layout_.buttons.push_back(a.name);
    // OK and Cancel close the row, with their usual captions unless declared with others.
    for (const auto& [name, text] : {std::pair{"ok", "确定"}, std::pair{"cancel", "取消"}}) {
        const bool given = std::any_of(actions_.begin(), actions_.end(),
                                       [name = name](const ActionDef& a) { return a.name == name; });
        if (given) continue;
        closing_.push_back({name, text, {}, {}, false, {}});
        layout_.buttons.push_back(name);
    }
    return layout_;
}

const FieldDef* DeclaredFields::fieldDef(std::string_view name) const {
    const DeclaredField* f = declared(name);
    return f ? &f->def : nullptr;
}

const ActionDef* DeclaredFields::actionDef(std::string_view action) const {
    rows();
    for (const ActionDef& a : actions_)
        if (a.name == action) return &a;
    for (const ActionDef& a : closing_)
        if (a.name == action) return &a;
    return nullptr;
}

bool DeclaredFields::fieldEnabled(std::string_view name) const {
    const DeclaredField* f = declared(name);
    return f && !f->readOnly() && (!f->enabled || f->enabled());
}

std::vector<std::string> DeclaredFields::declaredNames() const {
    std::vector<std::string> names;
    names.reserve(fields_.size());
    for (const DeclaredField& f : fields_) names.push_back(f.def.name);
    return names;
}

std::string DeclaredFields::declaredValue(std::string_view name) const {
    const DeclaredField* f = declared(name);
    return f && f->value.get ? f->value.get() : std::string();
}

Result<> DeclaredFields::setDeclared(std::string_view caption, std::string_view name, std::string_view value) {
    const DeclaredField* f = declared(name);
    if (!f) return Error(form::unknownField(caption, name));
    if (f->readOnly()) return Error(readOnlyError(caption, name));
    if (f->enabled && !f->enabled())
        return Error("field '" + std::string(name) + "' of \"" + std::string(caption) + "\" is disabled");
    return f->value.set(value);
}

std::string DeclaredFields::readOnlyError(std::string_view caption, std::string_view name) const {
    return "field '" + std::string(name) + "' of \"" + std::string(caption) + "\" only shows a value";
}

namespace fields {

std::string cutToBytes(std::string_view utf8, std::size_t maxBytes) {
    const std::string gbk = text::utf8ToGbk(utf8);
    if (gbk.size() <= maxBytes) return std::string(utf8);
    return text::gbkToUtf8(text::gbkCut(gbk, maxBytes));
}

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

}  // namespace platform
