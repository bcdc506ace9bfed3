#pragma once
// Declaring what a form holds, once: for every field its description (FieldDef), how the dialog
// labels it, and the value behind it (a FieldBinding). A form built on DeclaredFields answers
// the Form's field operations (names, values, setting by name) and its FormModel description
// (layout, field and action descriptions) from the same declarations, so a session, a test
// and any dialog see the same fields.
//
// Values are UTF-8 at this edge. Edit boxes keep at most a number of GBK bytes, as the
// drawing's and the report's fixed buffers do; a longer text is cut without splitting a
// character.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "platform/FormModel.h"

namespace platform {

// The value behind a field.
struct FieldBinding {
    // The value as the dialog shows it.
    std::function<std::string()> get;
    // Takes a value as typed or chosen, or refuses it with the reason. Null for a field that
    // only shows a value.
    std::function<Result<>(std::string_view)> set;
};

// Binding a field to the value it edits: one helper per kind of value, shared by every form.
namespace bind {
// A UTF-8 text, cut to `maxBytes` GBK bytes (0: no limit).
FieldBinding text(std::string& utf8, std::size_t maxBytes);
// A GBK text as the file keeps it, cut to `maxBytes` GBK bytes.
FieldBinding gbk(std::string& gbk, std::size_t maxBytes);
// A check box: shows "1" or "0", takes also true/false, on/off, yes/no.
FieldBinding check(bool& on, std::string name);
// The index of one of `choices` (-1 shows nothing); anything else is refused.
FieldBinding choice(int& index, std::vector<std::string> choices, std::string name);
// A whole number from `minimum` to `maximum`; a value outside is taken as the nearest end.
FieldBinding number(int& value, int minimum, int maximum, std::string name);
// A value that is only shown.
FieldBinding shown(std::function<std::string()> get);
}  // namespace bind

// A field as a form declares it.
struct DeclaredField {
    FieldDef def;
    std::string label;     // before the widget (a check box carries its caption in def.text)
    std::string unit;      // after the widget
    bool sameRow = false;  // on the row of the field before it
    FieldBinding value;
    // When it gives false the widget is disabled and a script may not set the field.
    std::function<bool()> enabled;

    bool readOnly() const { return !value.set; }
};

// The fields, notes and buttons a form declares, and the dialog described from them: a label,
// the widget and its unit per field, row by row; the notes under them; the form's own buttons,
// then OK and Cancel in the bottom row.
class DeclaredFields : public FormModel {
public:
    DeclaredFields() = default;
    // Bindings refer to the form's own members.
    DeclaredFields(const DeclaredFields&) = delete;
    DeclaredFields& operator=(const DeclaredFields&) = delete;

    const std::vector<DeclaredField>& declaredFields() const { return fields_; }
    const DeclaredField* declared(std::string_view name) const;
    // Texts the dialog shows without being fields.
    const std::vector<std::string>& notes() const { return notes_; }
    // The form's own buttons, without OK and Cancel.
    const std::vector<ActionDef>& declaredActions() const { return actions_; }

    const FormLayout& layout() const override;
    const FieldDef* fieldDef(std::string_view name) const override;
    const ActionDef* actionDef(std::string_view action) const override;
    bool fieldEnabled(std::string_view name) const override;

protected:
    DeclaredField& declare(FieldDef def, std::string label, FieldBinding value);
    // An edit box, shown with a minimum width.
    DeclaredField& declareText(std::string name, std::string label, FieldBinding value,
                               std::size_t maxBytes = 0);
    DeclaredField& declareChoice(std::string name, std::string label, std::vector<std::string> choices,
                                 FieldBinding value, FieldStyle style = FieldStyle::Plain);
    DeclaredField& declareCheck(std::string name, std::string caption, FieldBinding value);
    DeclaredField* declaredField(std::string_view name);
    void declareNote(std::string_view text);
    void declareAction(ActionDef action) { actions_.push_back(std::move(action)); }

    // The Form's field operations over the declarations.
    std::vector<std::string> declaredNames() const;
    std::string declaredValue(std::string_view name) const;
    Result<> setDeclared(std::string_view caption, std::string_view name, std::string_view value);
    // The refusal of a field that only shows a value.
    virtual std::string readOnlyError(std::string_view caption, std::string_view name) const;

private:
    // The layout of rows, and OK and Cancel unless declared (a form may lay out its own).
    const FormLayout& rows() const;

    std::vector<DeclaredField> fields_;
    std::vector<std::string> notes_;
    std::vector<ActionDef> actions_;
    mutable FormLayout layout_;
    mutable std::vector<ActionDef> closing_;  // OK and Cancel unless declared
    mutable bool laidOut_ = false;
};

// A form of `Base` (platform::Form or a class derived from it) whose fields are declared.
template <class Base = Form>
class DeclaredForm : public Base, public DeclaredFields {
public:
    std::vector<std::string> fieldNames() const override { return declaredNames(); }
    std::string field(std::string_view name) const override { return declaredValue(name); }
    Result<> setField(std::string_view name, std::string_view value) override {
        Result<> taken = setDeclared(this->caption(), name, value);
        if (taken.ok()) fieldChanged(name);
        return taken;
    }

protected:
    using Base::Base;
    // Told after a field was set (a list that refills another, a value computed from it).
    virtual void fieldChanged(std::string_view) {}
};

// Text helpers the forms share.
namespace fields {
// `utf8` cut to at most `maxBytes` GBK bytes, back in UTF-8.
std::string cutToBytes(std::string_view utf8, std::size_t maxBytes);
// Reads a check box value: "1"/"0", "true"/"false", "on"/"off", "yes"/"no".
bool parseCheck(std::string_view value, bool& on);
// Check boxes show "1" or "0".
inline std::string checkText(bool on) { return on ? "1" : "0"; }
}  // namespace fields

}  // namespace platform
