#pragma once
// A form whose fields are a table of named entries: edit boxes, read-only boxes, drop-down
// lists, check boxes and whole-number sliders. Dialogs declare their fields once in their
// constructor, bound to their own members; the table answers the generic form interface
// (names, values, setting by name) and tells the Qt side what kind of widget each field is.
//
// Values are UTF-8 at this edge. Edit boxes keep at most a number of GBK bytes, as the
// drawing's fixed buffers do; a longer text is cut without splitting a character.

#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "platform/FormModel.h"

namespace tubra::edit {

// The field table itself, whatever kind of form carries it.
class BoundFields {
public:
    enum class Kind { Text, ReadOnly, Choice, Check, Number };

    struct Field {
        std::string name;
        Kind kind = Kind::Text;
        std::size_t maxBytes = 0;          // Text: GBK bytes kept; 0 for no limit
        std::vector<std::string> choices;  // Choice: the entries; Text: entries offered to pick
        int minimum = 0, maximum = 0;      // Number: the range a slider offers
        std::function<std::string()> get;
        // Sets the value; false (with the error) to refuse it. Null for read-only fields.
        std::function<bool(std::string_view, std::string*)> set;
        // When false the widget is disabled and a script may not set the field.
        std::function<bool()> enabled;
    };

    BoundFields() = default;
    // The table refers to the form's own members.
    BoundFields(const BoundFields&) = delete;
    BoundFields& operator=(const BoundFields&) = delete;
    virtual ~BoundFields() = default;

    const std::vector<Field>& fields() const { return fields_; }
    const Field* find(std::string_view name) const;
    // The names of the form's own actions besides "ok" and "cancel", in declaration order.
    std::vector<std::string> actionNames() const;

    // Check boxes show "1" or "0".
    static std::string checkText(bool on) { return on ? "1" : "0"; }

protected:
    // An edit box bound to a UTF-8 string.
    Field& addText(std::string name, std::string& value, std::size_t maxBytes);
    // A box that only shows a value.
    Field& addReadOnly(std::string name, std::function<std::string()> get);
    // A drop-down list bound to the index of its entry; -1 shows nothing.
    Field& addChoice(std::string name, int& index, std::vector<std::string> choices);
    Field& addCheck(std::string name, bool& value);
    // A slider from `minimum` to `maximum`; a value outside is taken as the nearest end, as a
    // slider cannot show it.
    Field& addNumber(std::string name, int& value, int minimum, int maximum);
    // Any other field: its own getter and setter.
    Field& addCustom(std::string name, Kind kind, std::function<std::string()> get,
                     std::function<bool(std::string_view, std::string*)> set);

    using ActionHandler =
        std::function<platform::FormState(std::string_view argument, platform::FormContext&)>;
    void addAction(std::string name, ActionHandler handler);

    // The generic form operations over the table.
    std::vector<std::string> tableFieldNames() const;
    std::string tableField(std::string_view name) const;
    bool tableSetField(std::string_view caption, std::string_view name, std::string_view value,
                       std::string* error);
    // Runs an action of the table; false when there is none of that name.
    bool tableAction(std::string_view name, std::string_view argument, platform::FormContext& context,
                     platform::FormState& state);

private:
    std::vector<Field> fields_;
    std::vector<std::pair<std::string, ActionHandler>> actions_;
};

using platform::TableDescription;

// The rows of a bound field table as a dialog built from descriptions shows them.
std::vector<TableDescription::Row> describeBoundFields(const BoundFields& fields);
std::vector<platform::ActionDef> describeBoundActions(const BoundFields& fields);

// A form of `Base` (a platform::Form or one derived from it) built from a field table.
template <class Base = platform::Form>
class FieldTableFormOf : public Base, public BoundFields, public platform::FormModel {
public:
    std::vector<std::string> fieldNames() const override { return tableFieldNames(); }
    std::string field(std::string_view name) const override { return tableField(name); }
    bool setField(std::string_view name, std::string_view value, std::string* error) override {
        return tableSetField(this->caption(), name, value, error);
    }

    // Its dialog described (the settings dialogs are laid out by hand; this is what a dialog
    // built from the description shows).
    const platform::FormLayout& layout() const override {
        description_.describe(describeBoundFields(*this), {}, describeBoundActions(*this));
        return description_.layout();
    }
    const platform::FieldDef* fieldDef(std::string_view name) const override {
        layout();
        return description_.fieldDef(name);
    }
    const platform::ActionDef* actionDef(std::string_view action) const override {
        layout();
        return description_.actionDef(action);
    }
    bool fieldEnabled(std::string_view name) const override {
        const Field* f = find(name);
        return f && f->kind != Kind::ReadOnly && f->set && (!f->enabled || f->enabled());
    }

protected:
    // OK: returns Accepted, or Open after telling the user why not. Cancel always closes.
    virtual platform::FormState accept(platform::FormContext& context) = 0;

    platform::FormState onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context, std::string* error) override {
        if (name == "ok") return accept(context);
        if (name == "cancel") return platform::FormState::Rejected;
        platform::FormState state = this->state();
        if (tableAction(name, argument, context, state)) return state;
        *error = platform::form::unknownAction(this->caption(), name);
        return this->state();
    }

private:
    mutable TableDescription description_;
};

using FieldTableForm = FieldTableFormOf<platform::Form>;

// Helpers the dialogs share.
namespace fields {
// `utf8` cut to at most `maxBytes` GBK bytes, back in UTF-8.
std::string cutToBytes(std::string_view utf8, std::size_t maxBytes);
// The GBK byte length of a UTF-8 text.
std::size_t gbkLength(std::string_view utf8);
// A number as C `atof` reads a text (0 when none).
double atofText(std::string_view utf8);
// A whole number as C `atoi` reads a text (0 when none; clamped to the int range).
int atoiText(std::string_view utf8);
// printf of one number with a C format ("%-5.2f", "%-d").
std::string formatNumber(std::string_view format, double value);
std::string formatInt(std::string_view format, int value);
// Reads a check box value: "1"/"0", "true"/"false", "on"/"off", "yes"/"no".
bool parseCheck(std::string_view value, bool& on);
}  // namespace fields

}  // namespace tubra::edit
