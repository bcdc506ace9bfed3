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
    actions_ = {{"ok", "确定", {}, {}, false, {}}, {"cancel", "取消", {}, {}, false, {}}};
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
