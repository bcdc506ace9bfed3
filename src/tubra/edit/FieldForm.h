#pragma once
// The tools' and property dialogs' forms: every field is declared once (platform::DeclaredFields)
// with the name a session addresses it by, the label the dialog shows and its value, which the
// form keeps as UTF-8 text and reads back when OK is pressed. The form itself carries every
// format, choice and check.

#include <algorithm>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "platform/FormFields.h"
#include "text/Gbk.h"
#include "tubra/edit/CarriedText.h"

namespace tubra::edit {

// What the tools' forms share for the desktop to find their dialog (rows of a label, the widget
// and its unit, in two columns when there are many).
class RowDialogForm {
public:
    virtual ~RowDialogForm() = default;
};

template <class Base>
class FieldForm : public platform::DeclaredForm<Base>, public RowDialogForm {
public:
    std::string caption() const override { return caption_; }

protected:
    using Field = platform::DeclaredField;

    explicit FieldForm(std::string caption) : caption_(std::move(caption)) {}

    // An edit box holding at most `maxBytes` GBK bytes (0: any).
    Field& addText(std::string name, std::string label, std::string value, std::size_t maxBytes = 0) {
        std::string& v = keep(std::move(value), maxBytes);
        return this->declareText(std::move(name), std::move(label), platform::bind::text(v, maxBytes),
                                 maxBytes);
    }
    // A value shown, not edited.
    Field& addShown(std::string name, std::string label, std::string value) {
        const std::string& v = keep(std::move(value), 0);
        return this->declareText(std::move(name), std::move(label), platform::bind::shown([&v] { return v; }));
    }
    // A multi-line edit box.
    Field& addLines(std::string name, std::string label, std::string value, std::size_t maxBytes) {
        Field& f = addText(std::move(name), std::move(label), std::move(value), maxBytes);
        f.def.kind = platform::FieldKind::Note;
        return f;
    }
    // An edit box that also offers `choices` to pick.
    Field& addOffered(std::string name, std::string label, std::vector<std::string> choices, std::string value,
                      std::size_t maxBytes) {
        Field& f = addText(std::move(name), std::move(label), std::move(value), maxBytes);
        f.def.choices = std::move(choices);
        return f;
    }
    // A list (or, with FieldStyle::Radio, radio buttons) of `choices`; the first when no value
    // is given. A value the list does not offer is refused.
    Field& addChoice(std::string name, std::string label, std::vector<std::string> choices, std::string value = {},
                     platform::FieldStyle style = platform::FieldStyle::Plain) {
        if (value.empty() && !choices.empty()) value = choices.front();
        std::string& v = keep(std::move(value), 0);
        const std::string fieldName = name;
        platform::FieldBinding binding{[&v] { return v; },
                                       [this, &v, fieldName](std::string_view text) -> platform::Result<> {
                                           const std::vector<std::string>& offered = choicesOf(fieldName);
                                           if (std::find(offered.begin(), offered.end(), text) == offered.end())
                                               return platform::Error(platform::form::notAChoice(fieldName, text, offered));
                                           v = std::string(text);
                                           return {};
                                       }};
        return this->declareChoice(std::move(name), std::move(label), std::move(choices), std::move(binding), style);
    }
    // A check box: "1" or "0", nothing else.
    Field& addCheck(std::string name, std::string caption, bool on) {
        std::string& v = keep(on ? "1" : "0", 0);
        const std::string fieldName = name;
        platform::FieldBinding binding{[&v] { return v; }, [&v, fieldName](std::string_view text) -> platform::Result<> {
                                           if (text != "0" && text != "1")
                                               return platform::Error(platform::form::notAChoice(fieldName, text, {"0", "1"}));
                                           v = std::string(text);
                                           return {};
                                       }};
        return this->declareCheck(std::move(name), std::move(caption), std::move(binding));
    }
    void addNote(std::string_view text) { this->declareNote(text); }
    // A button offering `arguments` in its menu; each acts as "name=argument".
    void addMenu(const std::string& name, const std::string& label, const std::vector<std::string>& arguments) {
        for (const std::string& a : arguments) this->declareAction({name + "=" + a, a, {}, {}, false, label});
    }

    // A list's entries changed: the new ones, and its value set to `value`.
    void setChoices(std::string_view name, std::vector<std::string> choices, std::string value) {
        if (Field* f = this->declaredField(name)) f->def.choices = std::move(choices);
        setValue(name, std::move(value));
    }
    // Sets a value as the form computes it (not as typed).
    void setValue(std::string_view name, std::string value) {
        if (const std::size_t i = indexOf(name); i < values_.size()) values_[i] = std::move(value);
    }
    // The value of a field (empty for an unknown name).
    const std::string& value(std::string_view name) const {
        static const std::string none;
        const std::size_t i = indexOf(name);
        return i < values_.size() ? values_[i] : none;
    }
    // The value as the program stores it (GBK).
    std::string gbkValue(std::string_view name) const { return text::utf8ToGbk(value(name)); }

    // Replaces in the named boxes what the drawing file cannot carry (CarriedText.h). When it
    // replaced something it names the characters and returns false: OK waits until the user has
    // seen the texts and presses it again.
    bool textsCarried(platform::FormContext& context,
                      const std::vector<std::pair<std::string_view, model::TextPlace>>& names) {
        std::vector<FileBox> boxes;
        for (const auto& [name, place] : names) boxes.push_back({value(name), place});
        const auto message = replaceUncarried(boxes);
        if (!message) return true;
        for (std::size_t i = 0; i < names.size(); ++i) setValue(names[i].first, std::move(boxes[i].utf8));
        context.prompter.ask(*message);
        return false;
    }

    // OK: checks and writes back; Accepted, or Open when refused (after telling the user).
    virtual platform::FormState accept(platform::FormContext& context) = 0;
    // Buttons other than OK and Cancel.
    virtual platform::ActionResult otherAction(std::string_view name, std::string_view, platform::FormContext&) {
        return platform::Error(platform::form::unknownAction(caption_, name));
    }

    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override {
        if (name == "ok") return accept(context);
        if (name == "cancel") return platform::FormState::Rejected;
        return otherAction(name, argument, context);
    }

    std::string readOnlyError(std::string_view caption, std::string_view name) const override {
        return "对话框 \"" + std::string(caption) + "\" 的字段 '" + std::string(name) + "' 只能看不能改";
    }

private:
    // A new value kept by the form, cut to what its box holds.
    std::string& keep(std::string value, std::size_t maxBytes) {
        values_.push_back(maxBytes ? platform::fields::cutToBytes(value, maxBytes) : std::move(value));
        return values_.back();
    }
    // Every field keeps its value at its own place in `values_`.
    std::size_t indexOf(std::string_view name) const {
        const auto& fields = this->declaredFields();
        for (std::size_t i = 0; i < fields.size(); ++i)
            if (fields[i].def.name == name) return i;
        return values_.size();
    }
    const std::vector<std::string>& choicesOf(std::string_view name) const {
        static const std::vector<std::string> none;
        const Field* f = this->declared(name);
        return f ? f->def.choices : none;
    }

    std::string caption_;
    std::deque<std::string> values_;  // one per field, in declaration order; never moves
};

}  // namespace tubra::edit
