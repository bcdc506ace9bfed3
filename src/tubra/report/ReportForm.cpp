#include "tubra/report/ReportForm.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <map>
#include <mutex>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::report {

using platform::FormContext;
using platform::ActionResult;
using platform::FormState;

// ---------------------------------------------------------------------------------------------
// Measured values

namespace {
std::string numberText(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", v);
    return buf;
}
}  // namespace

bool Measure::accepts(double v) const {
    const auto inRange = [this](double x) { return std::isfinite(x) && (minOpen ? x > min : x >= min) && x <= max; };
    if (!inRange(v)) return false;
    if (keptDecimals < 0) return true;
    // As the file will give it back: a float written with that many decimals ("0.001" kept
    // with two is "0.00", which is no thickness).
    std::string written;
    text::appendFixed(written, static_cast<double>(static_cast<float>(v)), keptDecimals);
    const double back = text::leadingNumber(written);
    return inRange(back);
}

std::string Measure::rangeText() const {
    if (minOpen) return "大于" + numberText(min) + "且不大于" + numberText(max);
    return numberText(min) + "至" + numberText(max);
}

namespace measures {
Measure thickness(std::string label) { return {std::move(label), 0, 1000, true}; }
Measure length(std::string label) { return {std::move(label), 0, 100000, false}; }
Measure depth(std::string label) { return {std::move(label), 0, 1000, false}; }
Measure defectSize(std::string label) { return {std::move(label), 0, 100000, true}; }
Measure defectDepth(std::string label) { return {std::move(label), 0, 1000, true}; }
Measure hardness(std::string label) { return {std::move(label), 0, 1000, true}; }
Measure percent(std::string label) { return {std::move(label), 0, 100, false}; }
Measure pressure(std::string label) { return {std::move(label), -0.1, 1000, false}; }
Measure temperature(std::string label) { return {std::move(label), -273.15, 2000, false}; }
}  // namespace measures

void ReportForm::setMeasure(int field, Measure measure) { at(field).measure = std::move(measure); }

bool ReportForm::measuresValid(FormContext& context) const {
    for (const Value& v : values_) {
        if (!v.measure || !v.enabled || !v.visible) continue;
        const forms::Measured m = forms::measured(v.gbk);
        if (m.kind == forms::Measured::Kind::Empty) continue;
        if (m.kind == forms::Measured::Kind::Value && v.measure->accepts(m.value)) continue;
        context.prompter.ask(forms::badMeasure(*v.measure, v.gbk, kInputErrorCaption));
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------------
// Fields

ReportForm::ReportForm(std::string caption) : caption_(std::move(caption)) {
    addAction("ok", "确定");
    addAction("cancel", "取消");
}

int ReportForm::indexOf(std::string_view name) const {
    const auto& fields = declaredFields();
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (fields[i].def.name == name) return static_cast<int>(i);
    return -1;
}

namespace {

// Keeps what a whole-number edit box lets through: digits, and a minus in front.
std::string digitsOnly(std::string_view s) {
    std::string out;
    for (char c : s) {
        if ((c >= '0' && c <= '9') || (c == '-' && out.empty())) out.push_back(c);
    }
    return out;
}

// Keeps the first `lines` lines of a several-line text.
std::string firstLines(std::string s, int lines) {
    std::size_t pos = 0;
    for (int n = 1; n < lines; ++n) {
        pos = s.find("\r\n", pos);
        if (pos == std::string::npos) return s;
        pos += 2;
    }
    const std::size_t end = s.find("\r\n", pos);
    if (end != std::string::npos) s.resize(end);
    return s;
}

}  // namespace

void ReportForm::setValue(int index, std::string_view gbk) {
    const platform::FieldDef& f = def(index);
    std::string v;
    switch (f.kind) {
        case FieldKind::Check: v = (gbk == "1") ? "1" : "0"; break;
        case FieldKind::Choice: v = std::string(gbk); break;
        case FieldKind::Text:
        case FieldKind::Note: {
            std::string s = f.style == FieldStyle::Digits ? digitsOnly(gbk) : std::string(gbk);
            const TextKind kind = f.kind == FieldKind::Note ? TextKind::Note : at(index).textKind;
            v = sanitizeReportText(kind, s, f.maxBytes);
            if (f.kind == FieldKind::Note && f.maxLines > 0) v = firstLines(std::move(v), f.maxLines);
            break;
        }
    }
    at(index).gbk = std::move(v);
}

platform::Result<> ReportForm::take(int i, std::string_view utf8) {
    changed_ = -1;
    const std::string_view name = def(i).name;
    const platform::FieldDef& f = def(i);
    std::string gbkValue;
    if (f.kind == FieldKind::Check) {
        if (utf8 != "0" && utf8 != "1") return platform::Error(platform::form::notAChoice(name, utf8, {"0", "1"}));
        gbkValue = std::string(utf8);
    } else {
        gbkValue = text::utf8ToGbk(utf8);
        if (f.kind == FieldKind::Choice &&
            std::find(f.choices.begin(), f.choices.end(), gbkValue) == f.choices.end()) {
            std::vector<std::string> shown;
            for (const auto& c : f.choices) shown.push_back(text::gbkToUtf8(c));
            return platform::Error(platform::form::notAChoice(name, utf8, shown));
        }
    }
    if (gbkValue == value(i)) return {};
    if (!at(i).enabled)
        return platform::Error("对话框 \"" + caption() + "\" 的字段 '" + std::string(name) + "' 现在不能修改");
    setValue(i, gbkValue);
    changed_ = i;
    return {};
}

void ReportForm::fieldChanged(std::string_view) {
    if (changed_ < 0) return;
    valueChanged(changed_);
    updateArrows();
}

int ReportForm::addField(FieldDef field, std::string_view initialGbk) {
    const int index = fieldCount();
    values_.push_back({{}, true, true, field.textKind, std::move(field.measure)});
    platform::FieldBinding binding{[this, index] { return text::gbkToUtf8(value(index)); },
                                   [this, index](std::string_view utf8) { return take(index, utf8); }};
    declare(std::move(static_cast<platform::FieldDef&>(field)), {}, std::move(binding));
    setValue(index, initialGbk);
    return index;
}

int ReportForm::addText(std::string name, std::size_t maxBytes, std::string_view initialGbk,
                        TextKind kind) {
    FieldDef f;
    f.name = std::move(name);
    f.kind = kind == TextKind::Note ? FieldKind::Note : FieldKind::Text;
    f.textKind = kind;
    f.maxBytes = maxBytes;
    return addField(std::move(f), initialGbk);
}

int ReportForm::addCheck(std::string name, std::string captionUtf8, bool checked,
                         FieldStyle style) {
    FieldDef f;
    f.name = std::move(name);
    f.kind = FieldKind::Check;
    f.style = style;
    f.text = std::move(captionUtf8);
    return addField(std::move(f), checked ? "1" : "0");
}

int ReportForm::addChoice(std::string name, std::vector<std::string> choicesGbk,
                          std::string_view initial, FieldStyle style) {
    FieldDef f;
    f.name = std::move(name);
    f.kind = FieldKind::Choice;
    f.style = style;
    f.choices = std::move(choicesGbk);
    return addField(std::move(f), initial);
}

bool ReportForm::fieldEnabled(std::string_view name) const {
    const int i = indexOf(name);
    return i >= 0 && at(i).enabled;
}

bool ReportForm::fieldVisible(std::string_view name) const {
    const int i = indexOf(name);
    return i >= 0 && at(i).visible;
}

// ---------------------------------------------------------------------------------------------
// Actions and labels

void ReportForm::addAction(ActionDef action) { actions_.push_back({std::move(action), true, true}); }

const ReportForm::ActionState* ReportForm::findAction(std::string_view action) const {
    for (const ActionState& a : actions_)
        if (a.def.name == action) return &a;
    return nullptr;
}

ReportForm::ActionState* ReportForm::findAction(std::string_view action) {
    for (ActionState& a : actions_)
        if (a.def.name == action) return &a;
    return nullptr;
}

const ActionDef* ReportForm::actionDef(std::string_view action) const {
    const ActionState* a = findAction(action);
    return a ? &a->def : nullptr;
}

bool ReportForm::actionEnabled(std::string_view action) const {
    const ActionState* a = findAction(action);
    return a && a->enabled;
}

bool ReportForm::actionVisible(std::string_view action) const {
    const ActionState* a = findAction(action);
    return a && a->visible;
}

std::string ReportForm::actionCaption(std::string_view action) const {
    const ActionState* a = findAction(action);
    return a ? a->def.caption : std::string();
}

void ReportForm::setActionEnabled(std::string_view action, bool on) {
    if (ActionState* a = findAction(action)) a->enabled = on;
}

void ReportForm::setActionVisible(std::string_view action, bool on) {
    if (ActionState* a = findAction(action)) a->visible = on;
}

void ReportForm::setActionCaption(std::string_view action, std::string captionUtf8) {
    if (ActionState* a = findAction(action)) a->def.caption = std::move(captionUtf8);
}

void ReportForm::setLabelText(std::string name, std::string utf8) {
    for (auto& [n, t] : labels_) {
        if (n == name) {
            t = std::move(utf8);
            return;
        }
    }
    labels_.emplace_back(std::move(name), std::move(utf8));
}

std::string ReportForm::labelText(std::string_view name) const {
    for (const auto& [n, t] : labels_)
        if (n == name) return t;
    return {};
}

std::string ReportForm::choiceText(std::string_view choice) const { return text::gbkToUtf8(choice); }

std::string ReportForm::focusAfter(std::string_view action) const {
    return action == "add" && indexOf("item0") >= 0 ? "item0" : std::string();
}

// ---------------------------------------------------------------------------------------------
// References

void ReportForm::addReference(int field, std::string_view valueGbk, bool arrow) {
    Reference r;
    r.field = field;
    // The reference as the field would hold it, so that "equal" means what the user sees.
    const std::string saved = value(field);
    setValue(field, valueGbk);
    r.value = value(field);
    at(field).gbk = saved;
    r.arrow = arrow;
    references_.push_back(std::move(r));
    if (arrow) addAction("ref=" + def(field).name, "←");
}

void ReportForm::fillEmptyReferences() {
    for (const Reference& r : references_)
        if (value(r.field).empty()) setValue(r.field, r.value);
    updateArrows();
}

bool ReportForm::reloadReferences(FormContext& context) {
    const platform::Answer a =
        context.prompter.ask(forms::question(kReloadQuestion, kReloadCaption, false));
    if (a != platform::Answer::Yes) return false;
    for (const Reference& r : references_) setValue(r.field, r.value);
    for (const Reference& r : references_) valueChanged(r.field);
    updateArrows();
    return true;
}

void ReportForm::updateArrows() {
    for (const Reference& r : references_)
        if (r.arrow) setActionVisible("ref=" + def(r.field).name, value(r.field) != r.value);
}

// ---------------------------------------------------------------------------------------------

ActionResult ReportForm::onAction(std::string_view name, std::string_view argument,
                               FormContext& context) {
    const bool okAlias = std::find(okAliases_.begin(), okAliases_.end(), name) != okAliases_.end();
    // A button the dialog shows disabled or hidden cannot be pressed.
    std::string token(name);
    if (!argument.empty()) token += "=" + std::string(argument);
    if (const ActionState* a = findAction(token); a && (!a->enabled || !a->visible)) {
        return platform::Error("对话框 \"" + caption() + "\" 的按钮 '" + token + "' 现在不能按");
    }
    if (name == "ok" || okAlias)
        return measuresValid(context) && confirmOk(context) ? FormState::Accepted : FormState::Open;
    if (name == "cancel") return FormState::Rejected;
    if (name == "ref") {
        const int i = indexOf(argument);
        for (const Reference& r : references_) {
            if (r.field == i && r.arrow) {
                setValue(i, r.value);
                valueChanged(i);
                updateArrows();
                return state();
            }
        }
    } else if (name == kReloadAction && findAction(kReloadAction)) {
        reloadReferences(context);
        return state();
    }
    return onFormAction(name, argument, context);
}

ActionResult ReportForm::onFormAction(std::string_view name, std::string_view argument, FormContext&) {
    std::string token(name);
    if (!argument.empty()) token += "=" + std::string(argument);
    return platform::Error(platform::form::unknownAction(caption(), token));
}

// ---------------------------------------------------------------------------------------------

namespace forms {

platform::Message error(std::string_view textUtf8, std::string_view captionUtf8) {
    return {std::string(textUtf8), std::string(captionUtf8), platform::Buttons::Ok,
            platform::MessageIcon::Error, platform::Answer::Ok};
}

platform::Message question(std::string_view textUtf8, std::string_view captionUtf8,
                           bool defaultYes) {
    return {std::string(textUtf8), std::string(captionUtf8), platform::Buttons::YesNo,
            platform::MessageIcon::Question,
            defaultYes ? platform::Answer::Yes : platform::Answer::No};
}

double number(std::string_view text) { return text::leadingNumber(text); }

Measured measured(std::string_view t) {
    while (!t.empty() && (t.front() == ' ' || t.front() == '\t')) t.remove_prefix(1);
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t')) t.remove_suffix(1);
    if (t.empty()) return {};
    // Digits, a sign, a point and an exponent only: no "nan", "inf" or hexadecimal.
    const bool plain = std::all_of(t.begin(), t.end(), [](char c) {
        return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
    });
    std::string_view digits = t;
    if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
    double v = 0;
    const auto r = std::from_chars(digits.data(), digits.data() + digits.size(), v);
    if (!plain || digits.empty() || r.ec != std::errc() || r.ptr != digits.data() + digits.size() || !std::isfinite(v))
        return {Measured::Kind::Invalid, 0};
    return {Measured::Kind::Value, v};
}

platform::Message badMeasure(const Measure& m, std::string_view textGbk, std::string_view captionUtf8) {
    std::string text = m.label + "：“" + text::gbkToUtf8(textGbk) + "”不是有效的数值！\n\n请填写" + m.rangeText() + "的数";
    if (m.keptDecimals >= 0) text += "（文件中保留" + std::to_string(m.keptDecimals) + "位小数）";
    text += "，或不填。";
    return error(text, captionUtf8);
}

std::optional<std::vector<int>> indexList(std::string_view argument) {
    std::vector<int> out;
    if (argument.empty()) return std::nullopt;
    std::size_t pos = 0;
    while (pos <= argument.size()) {
        const std::size_t comma = std::min(argument.find(',', pos), argument.size());
        const std::string_view part = argument.substr(pos, comma - pos);
        int v = -1;
        const auto r = std::from_chars(part.data(), part.data() + part.size(), v);
        if (part.empty() || r.ec != std::errc() || r.ptr != part.data() + part.size() || v < 0)
            return std::nullopt;
        out.push_back(v);
        pos = comma + 1;
    }
    return out;
}

}  // namespace forms

}  // namespace tubra::report
