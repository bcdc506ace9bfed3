#pragma once
// What every report dialog shares, free of any window system: named fields with the limits of
// the report text they edit, buttons, reference values with their "←" buttons, and a
// description of the dialog's layout from which the desktop builds its widgets.
//
// Values are kept as GBK bytes, exactly as the report stores them, so every limit is a byte
// limit of the file: an edit box holds at most its field's capacity less one byte, never half
// a character, and the characters its place in the file cannot hold are replaced as the report
// texts replace them (ReportText.h). Scripts and widgets see UTF-8.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Form.h"
#include "platform/FormFields.h"
#include "platform/FormModel.h"
#include "tubra/report/data/ReportText.h"

namespace tubra::report {

// The dialog's description is the one every form shares (platform/FormModel.h).
using platform::ActionDef;
using platform::FieldKind;
using platform::FieldStyle;
using platform::FormLayout;
using platform::GroupBuilder;
using platform::LayoutCell;
using platform::LayoutGroup;
using platform::ListModel;

// A measured value a field holds: a finite decimal number in its physical range. An empty
// field is a value not given.
struct Measure {
    std::string label;     // UTF-8, as the dialog names the field
    double min = 0;
    double max = 0;
    bool minOpen = false;  // `min` itself is not a value (a thickness is more than 0)
    // The decimals the file keeps of a value stored as a number (a list's float), -1 for a
    // value stored as typed: a value is in range only as it will read back.
    int keptDecimals = -1;

    bool accepts(double v) const;
    // "大于0且不大于1000", "0至100": the range in words.
    std::string rangeText() const;
    // The same measure for a value the file keeps with `decimals` decimals.
    Measure kept(int decimals) const {
        Measure m = *this;
        m.keptDecimals = decimals;
        return m;
    }
};
// The ranges of the measured values of the forms.
namespace measures {
Measure thickness(std::string label);    // mm, more than 0, at most 1000
Measure length(std::string label);       // mm, 0 to 100000
Measure depth(std::string label);        // mm (depths, misalignment), 0 to 1000
Measure defectSize(std::string label);   // mm, more than 0 (0 stands for none measured), at most 100000
Measure defectDepth(std::string label);  // mm (depths and heights in a wall), more than 0, at most 1000
Measure hardness(std::string label);     // HB, more than 0, at most 1000
Measure percent(std::string label);      // 0 to 100
Measure pressure(std::string label);     // MPa, -0.1 (vacuum) to 1000
Measure temperature(std::string label);  // ℃, absolute zero (-273.15) to 2000
}  // namespace measures

// A field of a report dialog: what the dialog shows (choices in GBK, as the report keeps
// them), what its place in the file can hold, and the range of a measured value.
struct FieldDef : platform::FieldDef {
    TextKind textKind = TextKind::Line;  // what the field's place in the file can hold
    std::optional<Measure> measure;      // Text: a measured value, checked on OK
};

// A report dialog declares its fields like every other form (platform::DeclaredForm): each
// field bound to the GBK value the form keeps for it. What the report adds: the limits of the
// report texts, measured values, reference values, and the dialog laid out in groups.
class ReportForm : public platform::DeclaredForm<> {
public:
    std::string caption() const override { return caption_; }

    const FormLayout& layout() const override { return layout_; }
    const ActionDef* actionDef(std::string_view action) const override;
    bool fieldEnabled(std::string_view name) const override;
    bool fieldVisible(std::string_view name) const override;
    bool actionEnabled(std::string_view action) const override;
    bool actionVisible(std::string_view action) const override;
    // A button's caption as shown now (UTF-8).
    std::string actionCaption(std::string_view action) const override;
    // The text of a dynamic label (UTF-8).
    std::string labelText(std::string_view name) const override;
    // A choice (GBK) as the dialog shows it (UTF-8).
    std::string choiceText(std::string_view choice) const override;
    // After "add" of a record list, the next record is typed from its first field on.
    std::string focusAfter(std::string_view action) const override;

    // Reference values (★ characteristic table, ☆ cover, ○ review report).
    struct Reference {
        int field = -1;
        std::string value;  // GBK
        bool arrow = false;  // has a "←" button, shown while the field differs
    };
    const std::vector<Reference>& references() const { return references_; }

    static constexpr std::string_view kReloadQuestion =
        "此操作将更新所有带星号栏目中的数据，\n\n使其与特性表、报告封面中相应的数据一致。\n\n你确定吗？";
    static constexpr std::string_view kReloadCaption = "确认信息";
    static constexpr std::string_view kReferenceNote =
        "上述两类栏目中，当其值被删除后，就自动添加参考值；欲其为空，应为空格。";
    static constexpr std::string_view kReloadAction = "reload";
    // The caption of a refused input.
    static constexpr std::string_view kInputErrorCaption = "数据输入错误";

protected:
    explicit ReportForm(std::string caption);

    // Fields, in dialog order. Each returns the field's index.
    int addField(FieldDef field, std::string_view initialGbk = {});
    int addText(std::string name, std::size_t maxBytes, std::string_view initialGbk,
                TextKind kind = TextKind::Line);
    int addCheck(std::string name, std::string captionUtf8, bool checked,
                 FieldStyle style = FieldStyle::Plain);
    int addChoice(std::string name, std::vector<std::string> choicesGbk, std::string_view initial,
                  FieldStyle style = FieldStyle::Plain);
    // One field per report text, named prefix0, prefix1, ... with the text's own limits.
    // Returns the index of the first.
    template <typename Texts>
    int addTexts(const Texts& texts, std::string_view prefix = "text") {
        int first = -1;
        for (std::size_t i = 0; i < texts.size(); ++i) {
            using T = std::decay_t<decltype(texts[i])>;
            const int f = addText(std::string(prefix) + std::to_string(i), T::kMaxBytes,
                                  texts[i].view(), T::kKind);
            if (first < 0) first = f;
        }
        return first;
    }
    // Writes `count` fields from `first` on into `texts`.
    template <typename Texts>
    void storeTexts(Texts& texts, int first) const {
        for (std::size_t i = 0; i < texts.size(); ++i) texts[i] = value(first + static_cast<int>(i));
    }

    void addAction(ActionDef action);
    void addAction(std::string name, std::string captionUtf8) {
        addAction(ActionDef{std::move(name), std::move(captionUtf8), {}, {}, false, {}});
    }

    int fieldCount() const { return static_cast<int>(values_.size()); }
    int indexOf(std::string_view name) const;
    const std::string& value(int index) const { return at(index).gbk; }
    // Sets a value (GBK) cut and cleaned as typed input would be, without telling valueChanged.
    void setValue(int index, std::string_view gbk);
    // Sets a value exactly as given (a text a field shows but nobody could type).
    void setRawValue(int index, std::string gbk) { at(index).gbk = std::move(gbk); }
    bool isChecked(int index) const { return value(index) == "1"; }
    void setChecked(int index, bool on) { at(index).gbk = on ? "1" : "0"; }
    const platform::FieldDef& def(int index) const {
        return declaredFields().at(static_cast<std::size_t>(index)).def;
    }

    void setFieldEnabled(int index, bool on) { at(index).enabled = on; }
    void setFieldVisible(int index, bool on) { at(index).visible = on; }
    void setActionEnabled(std::string_view action, bool on);
    void setActionVisible(std::string_view action, bool on);
    void setActionCaption(std::string_view action, std::string captionUtf8);
    void setLabelText(std::string name, std::string utf8);

    // Marks a text field as a measured value: OK refuses what is not a number in its range,
    // telling which field and what it takes, and keeps the dialog open.
    void setMeasure(int field, Measure measure);
    // The first measured field whose value is not acceptable, told to the user; false then.
    bool measuresValid(platform::FormContext& context) const;

    // Reference values: `field` shows `valueGbk` when empty at opening; with `arrow` a "←"
    // button (action "ref=<field name>") copies the value in and is shown only while the
    // field differs from it.
    void addReference(int field, std::string_view valueGbk, bool arrow);
    // Puts each reference into its field when the field is empty (at opening).
    void fillEmptyReferences();
    // "重新读入参考值": asks, then overwrites every referenced field. Returns whether it did.
    bool reloadReferences(platform::FormContext& context);
    // Shows the "←" buttons of the fields that differ from their references.
    void updateArrows();

    // Told after the user (or a script) changed a field's value.
    virtual void valueChanged(int) {}
    // Checks OK; may ask or tell the user. False keeps the dialog open.
    virtual bool confirmOk(platform::FormContext&) { return true; }
    // Actions other than "ok", "cancel", the "←" buttons and reload. Returns the state after it;
    // sets `error` for an unknown action.
    virtual platform::ActionResult onFormAction(std::string_view name, std::string_view argument,
                                             platform::FormContext& context);
    // Actions that close like OK (a dialog whose closing button is "退出").
    void addOkAlias(std::string name) { okAliases_.push_back(std::move(name)); }

    platform::ActionResult onAction(std::string_view name, std::string_view argument,
                                 platform::FormContext& context) override;

    FormLayout layout_;

private:
    // What the form keeps of a field beside its declaration.
    struct Value {
        std::string gbk;
        bool enabled = true;
        bool visible = true;
        TextKind textKind = TextKind::Line;
        std::optional<Measure> measure;
    };
    Value& at(int index) { return values_.at(static_cast<std::size_t>(index)); }
    const Value& at(int index) const { return values_.at(static_cast<std::size_t>(index)); }
    // A value set through the field's declaration: checked as the dialog's widget would take
    // it. Setting what a field already shows is always allowed, so that a recorded line that
    // repeats a computed or locked value replays.
    platform::Result<> take(int index, std::string_view utf8);
    void fieldChanged(std::string_view name) final;

    std::string caption_;
    std::vector<Value> values_;
    int changed_ = -1;  // the field the last `take` changed
    struct ActionState {
        ActionDef def;
        bool enabled = true;
        bool visible = true;
    };
    std::vector<ActionState> actions_;
    std::vector<std::pair<std::string, std::string>> labels_;
    std::vector<Reference> references_;
    std::vector<std::string> okAliases_;

    const ActionState* findAction(std::string_view action) const;
    ActionState* findAction(std::string_view action);
};

// Helpers shared by the dialogs.
namespace forms {
// The message box of a refused input.
platform::Message error(std::string_view textUtf8, std::string_view captionUtf8);
// A Yes/No question; `defaultYes` chooses the preselected answer.
platform::Message question(std::string_view textUtf8, std::string_view captionUtf8,
                           bool defaultYes);
// Reads a number as the dialogs read typed numbers (a leading decimal number, else 0).
double number(std::string_view text);
// A typed measurement: nothing (empty or blanks), a value (a whole decimal number, finite), or
// not a number at all ("nan", "inf", "5mm", "1e999").
struct Measured {
    enum class Kind { Empty, Value, Invalid } kind = Kind::Empty;
    double value = 0;
};
Measured measured(std::string_view text);
// The refusal of a measurement: "<label>：“<text>”不是有效的数值！…" with the range it takes.
platform::Message badMeasure(const Measure& m, std::string_view textGbk, std::string_view captionUtf8);
// Parses a non-negative row index or a comma-separated list of them; none on bad input.
std::optional<std::vector<int>> indexList(std::string_view argument);
}  // namespace forms

}  // namespace tubra::report
