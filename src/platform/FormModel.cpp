#include "platform/FormModel.h"

#include <algorithm>

#include "platform/Form.h"

namespace platform {

namespace {
LayoutCell cell(LayoutCell::Kind kind, std::string ref, std::string text, int row, int col,
                int colSpan, int rowSpan) {
    LayoutCell c;
    c.kind = kind;
    c.ref = std::move(ref);
    c.text = std::move(text);
    c.row = row;
    c.col = col;
    c.colSpan = colSpan;
    c.rowSpan = rowSpan;
    return c;
}
}  // namespace

GroupBuilder& GroupBuilder::label(int row, int col, std::string text, int colSpan) {
    group_.cells.push_back(cell(LayoutCell::Kind::Label, {}, std::move(text), row, col, colSpan, 1));
    return *this;
}

GroupBuilder& GroupBuilder::dynamicLabel(int row, int col, std::string ref, int colSpan) {
    group_.cells.push_back(cell(LayoutCell::Kind::Label, std::move(ref), {}, row, col, colSpan, 1));
    return *this;
}

GroupBuilder& GroupBuilder::field(int row, int col, std::string name, int colSpan, int rowSpan) {
    group_.cells.push_back(
        cell(LayoutCell::Kind::Field, std::move(name), {}, row, col, colSpan, rowSpan));
    return *this;
}

GroupBuilder& GroupBuilder::button(int row, int col, std::string action, int colSpan) {
    group_.cells.push_back(cell(LayoutCell::Kind::Button, std::move(action), {}, row, col, colSpan, 1));
    return *this;
}

GroupBuilder& GroupBuilder::list(int row, int col, std::string name, int colSpan, int rowSpan) {
    group_.cells.push_back(
        cell(LayoutCell::Kind::List, std::move(name), {}, row, col, colSpan, rowSpan));
    return *this;
}

GroupBuilder& GroupBuilder::picture(int row, int col, std::string text, int colSpan, int rowSpan) {
    group_.cells.push_back(
        cell(LayoutCell::Kind::Picture, {}, std::move(text), row, col, colSpan, rowSpan));
    return *this;
}

std::string FormModel::actionCaption(std::string_view action) const {
    const ActionDef* a = actionDef(action);
    return a ? a->caption : std::string();
}

TableDescription::TableDescription() = default;
TableDescription::~TableDescription() = default;

void TableDescription::describe(const std::vector<Row>& rows, const std::vector<std::string>& notes,
                                const std::vector<ActionDef>& actions) {
    if (built_) {
        // Only the entries of a list change once the form is made.
        for (const Row& r : rows)
            if (const auto it = defs_.find(r.def.name); it != defs_.end()) it->second = r.def;
        return;
    }
    built_ = true;
    LayoutGroup group;
    GroupBuilder cells(group);
    int row = -1;
    int col = 0;
    for (const Row& r : rows) {
        if (!r.sameRow || row < 0) {
            ++row;
            col = 0;
        }
        if (!r.label.empty()) cells.label(row, col, r.label);
        cells.field(row, col + 1, r.def.name);
        if (!r.unit.empty()) cells.label(row, col + 2, r.unit);
        col += 3;
        defs_[r.def.name] = r.def;
        if (r.readOnly) readOnly_.push_back(r.def.name);
    }
    for (const std::string& note : notes) cells.label(++row, 0, note, 3);
    layout_.groups.push_back(std::move(group));
    actions_ = actions;
    // OK and Cancel close the row, with their usual captions unless given others.
    for (const auto& [name, text] : {std::pair{"ok", "确定"}, std::pair{"cancel", "取消"}}) {
        const bool given = std::any_of(actions_.begin(), actions_.end(),
                                       [name = name](const ActionDef& a) { return a.name == name; });
        if (!given) actions_.push_back({name, text, {}, {}, false});
    }
    for (const ActionDef& a : actions_) layout_.buttons.push_back(a.name);
}

const FieldDef* TableDescription::fieldDef(std::string_view name) const {
    const auto it = defs_.find(name);
    return it == defs_.end() ? nullptr : &it->second;
}

bool TableDescription::readOnly(std::string_view name) const {
    for (const std::string& n : readOnly_)
        if (n == name) return true;
    return false;
}

const ActionDef* TableDescription::actionDef(std::string_view action) const {
    for (const ActionDef& a : actions_)
        if (a.name == action) return &a;
    return nullptr;
}

PlainFormModel::PlainFormModel(const Form& form) {
    LayoutGroup group;
    GroupBuilder cells(group);
    int row = 0;
    for (const std::string& name : form.fieldNames()) {
        FieldDef f;
        f.name = name;
        f.minWidth = 24;
        fields_.push_back(std::move(f));
        cells.label(row, 0, name).field(row, 1, name);
        ++row;
    }
    layout_.groups.push_back(std::move(group));
    actions_ = {{"ok", "确定", {}, {}, false}, {"cancel", "取消", {}, {}, false}};
    layout_.buttons = {"ok", "cancel"};
}

const FieldDef* PlainFormModel::fieldDef(std::string_view name) const {
    for (const FieldDef& f : fields_)
        if (f.name == name) return &f;
    return nullptr;
}

const ActionDef* PlainFormModel::actionDef(std::string_view action) const {
    for (const ActionDef& a : actions_)
        if (a.name == action) return &a;
    return nullptr;
}

FormModel& modelOf(Form& form, std::unique_ptr<FormModel>& own) {
    if (auto* model = dynamic_cast<FormModel*>(&form)) return *model;
    own = std::make_unique<PlainFormModel>(form);
    return *own;
}

}  // namespace platform
