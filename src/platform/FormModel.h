#pragma once
// A form's dialog described as data: its fields with the widget each takes, its buttons, and a
// layout of groups and cells. One Qt builder (platform/qt/FormDialogs.h) makes the dialog of
// any form from this description, and a form that describes nothing gets a plain one built
// from its field names. Texts are UTF-8.
//
// A form describes itself by also deriving from FormModel. What the dialog shows changes with
// the form (a button hidden, a label rewritten, a field disabled): the builder asks after every
// action and every edit.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class Form;

enum class FieldKind {
    Text,    // one line
    Note,    // several lines (CR LF between them)
    Choice,  // one of `choices`
    Check,   // "0" or "1"
};

// How the dialog presents a field.
enum class FieldStyle {
    Plain,   // edit box, combo box, check box
    Radio,   // a choice as a row of radio buttons
    Toggle,  // a check as a push button that stays down
    Digits,  // an edit box for a whole number: digits and a leading minus only
};

struct FieldDef {
    std::string name;
    FieldKind kind = FieldKind::Text;
    FieldStyle style = FieldStyle::Plain;
    std::size_t maxBytes = 0;          // Text and Note: bytes the field holds
    int maxLines = 0;                  // Note: lines kept, 0 for any number
    std::vector<std::string> choices;  // Choice: the entries as the form keeps them; Text:
                                       // entries offered to pick (the text may be typed too)
    std::string text;                  // Check: its caption
    int visibleLines = 3;              // Note: height of the edit box
    int minWidth = 0;                  // edit box width in characters, 0 for the default
    int minimum = 0, maximum = 0;      // Digits: the range a slider offers (both 0: any)
};

// A button. With `fileTitle` the dialog first asks for a file (title and filter as given) and
// passes its path as the argument: "import=/home/me/a.hcd".
struct ActionDef {
    std::string name;     // the whole token, argument included: "add", "open=3", "ref=text4"
    std::string caption;
    std::string fileTitle;
    std::string fileFilter;  // "name|pattern|name|pattern||"
    bool alignLeft = false;  // a long caption read from the left, like a list entry
    std::string menu;        // an entry of the menu button captioned so (not a button of its own)
};

// The layout: groups placed on a grid, each holding cells on its own grid.
struct LayoutCell {
    enum class Kind {
        Label,    // static text, or the dynamic text `labelText(ref)` when `ref` is set
        Field,    // the widget of field `ref`
        Button,   // the button of action `ref`
        List,     // the list `listModel(ref)`
        Picture,  // a picture box showing `text` until a picture is loaded
    };
    Kind kind = Kind::Label;
    std::string ref;
    std::string text;
    int row = 0, col = 0, rowSpan = 1, colSpan = 1;
};

struct LayoutGroup {
    std::string title;  // a frame is drawn when it is not empty
    int row = 0, col = 0, rowSpan = 1, colSpan = 1;
    std::vector<LayoutCell> cells;
};

struct FormLayout {
    std::vector<LayoutGroup> groups;
    std::vector<std::string> buttons;  // actions of the bottom row, left to right
    bool scrolls = false;              // too tall for a screen: the groups scroll
};

// A list control's contents: columns, rows of texts and the selected rows. A click in the
// list is the action "select=<rows>" (the row clicked last last).
struct ListModel {
    std::vector<std::string> columns;
    std::vector<int> widths;  // pixels
    std::vector<std::vector<std::string>> rows;
    std::vector<int> selected;
    std::uint32_t background = 0xFFFFFF;  // RGB, red in the low byte
    std::uint32_t foreground = 0x000000;
};

// Places cells into a group row by row.
class GroupBuilder {
public:
    explicit GroupBuilder(LayoutGroup& group) : group_(group) {}
    GroupBuilder& label(int row, int col, std::string text, int colSpan = 1);
    GroupBuilder& dynamicLabel(int row, int col, std::string ref, int colSpan = 1);
    GroupBuilder& field(int row, int col, std::string name, int colSpan = 1, int rowSpan = 1);
    GroupBuilder& button(int row, int col, std::string action, int colSpan = 1);
    GroupBuilder& list(int row, int col, std::string name, int colSpan = 1, int rowSpan = 1);
    GroupBuilder& picture(int row, int col, std::string text, int colSpan = 1, int rowSpan = 1);

private:
    LayoutGroup& group_;
};

// Loads a picture into the dialog's picture box; true when it could.
using PictureLoader = std::function<bool(const std::string& path)>;

// The description of a form's dialog, and what it shows now.
class FormModel {
public:
    virtual ~FormModel() = default;

    virtual const FormLayout& layout() const = 0;
    virtual const FieldDef* fieldDef(std::string_view name) const = 0;
    virtual const ActionDef* actionDef(std::string_view action) const = 0;

    virtual bool fieldEnabled(std::string_view) const { return true; }
    virtual bool fieldVisible(std::string_view) const { return true; }
    virtual bool actionEnabled(std::string_view) const { return true; }
    virtual bool actionVisible(std::string_view) const { return true; }
    // A button's caption as shown now; by default the one it was declared with.
    virtual std::string actionCaption(std::string_view action) const;
    // The text of a dynamic label.
    virtual std::string labelText(std::string_view) const { return {}; }
    virtual const ListModel* listModel(std::string_view) const { return nullptr; }
    // An entry of a choice field as the dialog shows it (the form may keep it otherwise).
    virtual std::string choiceText(std::string_view choice) const { return std::string(choice); }
    // The field whose widget takes the focus after `action` ("" for none).
    virtual std::string focusAfter(std::string_view) const { return {}; }
    // A dialog with a picture box hands the form its loader while it is open, and null when it
    // closes (without a window nothing shows the picture).
    virtual void setPictureLoader(PictureLoader) {}
};

// The description of a form that has none of its own: an edit box per field, labelled with the
// field's name, and OK and Cancel.
class PlainFormModel : public FormModel {
public:
    explicit PlainFormModel(const Form& form);

    const FormLayout& layout() const override { return layout_; }
    const FieldDef* fieldDef(std::string_view name) const override;
    const ActionDef* actionDef(std::string_view action) const override;

private:
    FormLayout layout_;
    std::vector<FieldDef> fields_;
    std::vector<ActionDef> actions_;
};

// The form's own description, or a plain one when it has none (`own` keeps that alive).
FormModel& modelOf(Form& form, std::unique_ptr<FormModel>& own);

}  // namespace platform
