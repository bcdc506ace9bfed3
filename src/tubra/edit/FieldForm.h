#pragma once
// Forms made of a table of fields: every field has the name a session addresses it by, the
// label the dialog shows, a kind (edit box, list, check box, shown value) and its value as
// UTF-8 text. The desktop builds the dialog of such a form from the table; the form itself
// carries every format, choice and check.

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "text/Gbk.h"
#include "tubra/edit/FieldTableForm.h"

namespace tubra::edit {

struct FormField {
    enum class Kind {
        Text,            // an edit box
        MultiLine,       // a multi-line edit box
        Choice,          // a list (or radio buttons) offering `choices`
        EditableChoice,  // a list whose text may also be typed
        Check,           // a check box: "1" or "0"
        Shown,           // a value shown, not edited
    };
    std::string name;   // the session name
    std::string label;  // the dialog's label (UTF-8)
    Kind kind = Kind::Text;
    std::string value;  // UTF-8
    std::vector<std::string> choices;
    std::string unit;          // shown after the box
    std::size_t maxBytes = 0;  // what the box holds in GBK bytes; 0 for no limit
    bool radio = false;        // a choice shown as radio buttons
    bool sameRow = false;      // shown on the row of the field before it

    FormField() = default;
    FormField(std::string name_, std::string label_, Kind kind_, std::string value_ = {})
        : name(std::move(name_)), label(std::move(label_)), kind(kind_), value(std::move(value_)) {}
};

// A button beside OK and Cancel; with `arguments` it offers a list to pick from and acts as
// "name=argument".
struct FormButton {
    std::string name;
    std::string label;
    std::vector<std::string> arguments;
};

// What the desktop needs to build a dialog from a table.
class FieldTable {
public:
    virtual ~FieldTable() = default;
    virtual const std::vector<FormField>& fieldTable() const = 0;
    // Texts shown in the dialog without being fields (notes, prompts).
    virtual const std::vector<std::string>& notes() const = 0;
    virtual const std::vector<FormButton>& buttons() const = 0;
};

// Describes (or brings up to date) the dialog of a field table: a row per field, the notes, a
// button per button (one per entry of a button offering a list).
void describeFieldForm(const std::vector<FormField>& fields, const std::vector<std::string>& notes,
                       const std::vector<FormButton>& buttons, TableDescription& description);

template <class Base>
class FieldForm : public Base, public FieldTable, public platform::FormModel {
public:
    std::string caption() const override { return caption_; }

    std::vector<std::string> fieldNames() const override {
        std::vector<std::string> names;
        for (const FormField& f : fields_) names.push_back(f.name);
        return names;
    }

    std::string field(std::string_view name) const override {
        const FormField* f = find(name);
        return f ? f->value : std::string();
    }

    bool setField(std::string_view name, std::string_view value, std::string* error) override {
        FormField* f = find(name);
        if (!f) {
            if (error) *error = platform::form::unknownField(caption_, name);
            return false;
        }
        switch (f->kind) {
            case FormField::Kind::Shown:
                if (error) *error = "对话框 \"" + caption_ + "\" 的字段 '" + std::string(name) + "' 只能看不能改";
                return false;
            case FormField::Kind::Choice:
                if (std::find(f->choices.begin(), f->choices.end(), value) == f->choices.end()) {
                    if (error) *error = platform::form::notAChoice(name, value, f->choices);
                    return false;
                }
                f->value = std::string(value);
                break;
            case FormField::Kind::Check:
                if (value != "0" && value != "1") {
                    if (error) *error = platform::form::notAChoice(name, value, {"0", "1"});
                    return false;
                }
                f->value = std::string(value);
                break;
            default:
                f->value = cut(value, f->maxBytes);
                break;
        }
        fieldChanged(f->name);
        return true;
    }

    const std::vector<FormField>& fieldTable() const override { return fields_; }
    const std::vector<std::string>& notes() const override { return notes_; }
    const std::vector<FormButton>& buttons() const override { return buttons_; }

    // Its dialog described (the tools show FieldFormDialog; this is what a dialog built from
    // the description shows). A button offering a list is a button per entry.
    const platform::FormLayout& layout() const override {
        describeFieldForm(fields_, notes_, buttons_, description_);
        return description_.layout();
    }
    const platform::FieldDef* fieldDef(std::string_view name) const override {
        layout();  // brings the entries of the lists up to date
        return description_.fieldDef(name);
    }
    const platform::ActionDef* actionDef(std::string_view action) const override {
        layout();
        return description_.actionDef(action);
    }
    bool fieldEnabled(std::string_view name) const override {
        const FormField* f = find(name);
        return f && f->kind != FormField::Kind::Shown;
    }

protected:
    explicit FieldForm(std::string caption) : caption_(std::move(caption)) {}

    FormField& addField(FormField f) {
        f.value = cut(f.value, f.maxBytes);
        fields_.push_back(std::move(f));
        return fields_.back();
    }
    FormField& addShown(std::string name, std::string label, std::string value) {
        return addField({std::move(name), std::move(label), FormField::Kind::Shown, std::move(value)});
    }
    FormField& addText(std::string name, std::string label, std::string value, std::size_t maxBytes = 0) {
        FormField f{std::move(name), std::move(label), FormField::Kind::Text, std::move(value)};
        f.maxBytes = maxBytes;
        return addField(std::move(f));
    }
    FormField& addChoice(std::string name, std::string label, std::vector<std::string> choices,
                         std::string value = {}) {
        if (value.empty() && !choices.empty()) value = choices.front();
        FormField f{std::move(name), std::move(label), FormField::Kind::Choice, std::move(value)};
        f.choices = std::move(choices);
        return addField(std::move(f));
    }
    void addNote(std::string text) { notes_.push_back(std::move(text)); }
    void addButton(FormButton b) { buttons_.push_back(std::move(b)); }

    FormField* find(std::string_view name) {
        for (FormField& f : fields_)
            if (f.name == name) return &f;
        return nullptr;
    }
    const FormField* find(std::string_view name) const {
        for (const FormField& f : fields_)
            if (f.name == name) return &f;
        return nullptr;
    }
    // The value of a field (empty for an unknown name).
    const std::string& value(std::string_view name) const {
        static const std::string none;
        const FormField* f = find(name);
        return f ? f->value : none;
    }
    // The value as the program stores it (GBK).
    std::string gbkValue(std::string_view name) const { return text::utf8ToGbk(value(name)); }

    // Told after a field was set (a list that refills another, a value written at once).
    virtual void fieldChanged(std::string_view) {}
    // OK: checks and writes back; Accepted, or Open when refused (after telling the user).
    virtual platform::FormState accept(platform::FormContext& context) = 0;
    // Buttons other than OK and Cancel.
    virtual platform::FormState otherAction(std::string_view name, std::string_view, platform::FormContext&,
                                            std::string* error) {
        if (error) *error = platform::form::unknownAction(caption_, name);
        return this->state();
    }

    platform::FormState onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context, std::string* error) override {
        if (name == "ok") return accept(context);
        if (name == "cancel") return platform::FormState::Rejected;
        return otherAction(name, argument, context, error);
    }

    // A UTF-8 text cut to what a box of `maxBytes` GBK bytes holds, on whole characters.
    static std::string cut(std::string_view utf8, std::size_t maxBytes) {
        return maxBytes == 0 ? std::string(utf8) : fields::cutToBytes(utf8, maxBytes);
    }

private:
    std::string caption_;
    std::vector<FormField> fields_;
    std::vector<std::string> notes_;
    std::vector<FormButton> buttons_;
    mutable TableDescription description_;
};

}  // namespace tubra::edit
