#include "tubra/edit/FittingPropertyForms.h"

#include <algorithm>
#include <cmath>

#include "text/Gbk.h"
#include "tubra/edit/CarriedText.h"
#include "tubra/edit/NumberInput.h"
#include "tubra/model/Kinds.h"

namespace tubra::edit {

using platform::FormContext;
using platform::FormState;

namespace {

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

// A box's text into an object text, cut to what the dialog reads. A text the user left as it
// was shown stays whole, so that OK never shortens what nobody edited.
void store(model::ObjectText& field, const std::string& utf8Text, std::size_t maxBytes) {
    if (utf8(field.view()) == utf8Text) return;
    field = text::gbkCut(text::utf8ToGbk(utf8Text), maxBytes);
}

std::string directionText(double stored) {
    return std::string(model::directionName(model::directionCode(stored)));
}

// Degrees times ten, truncated toward zero, within the range of a stored angle.
int tenthsOf(double degrees) {
    const double t = std::trunc(degrees * 10.0);
    if (std::isnan(t)) return 0;
    return static_cast<int>(std::clamp(t, -2147483648.0, 2147483647.0));
}

}  // namespace

namespace labelangle {

std::string shown(int dimAngle, std::string_view format) {
    return fields::formatNumber(format, dimAngle / 10.0);
}

bool changed(double enteredDegrees, int dimAngle) {
    return std::fabs(enteredDegrees * 10.0 - dimAngle) > 10.0;
}

void setHandMark(model::PipeObject& o) { o.dimYX1_st = model::Vec3{1, 1, 1}; }

}  // namespace labelangle

std::string hiddenIfLeadingBlank(std::string_view text) {
    if (!text.empty() && text.front() == ' ') return "^";
    return std::string(text);
}

FittingPropertyForm::FittingPropertyForm(const model::PipeObject& object) : object_(object) {
    DistTxt = utf8(object.DistTxt.view());
    StartUse = utf8(object.StartUse.view());
    LastCheck = utf8(object.LastCheck.view());
    CaiLiao = utf8(object.CaiLiao.view());
    GuiGe = utf8(object.GuiGe.view());
    BiHou = fields::formatNumber("%-5.2f", object.BiHou);
    Distanc = fields::formatNumber("%-5.2f", object.Distanc);
    angle = labelangle::shown(object.dimAngle);
}

void FittingPropertyForm::addPoint(const std::string& prefix, const model::Vec3 model::PipeObject::*port,
                                   std::string_view format) {
    const std::string fmt(format);
    addReadOnly(prefix + ".x", [this, port, fmt] { return fields::formatNumber(fmt, (object_.*port).x); });
    addReadOnly(prefix + ".y", [this, port, fmt] { return fields::formatNumber(fmt, (object_.*port).y); });
    addReadOnly(prefix + ".z", [this, port, fmt] { return fields::formatNumber(fmt, (object_.*port).z); });
}

double FittingPropertyForm::enteredAngle() const { return readNumber(angle, numbers::kAngle).value_or(0.0); }

void FittingPropertyForm::storeAngle(bool handMark) {
    if (!labelangle::changed(enteredAngle(), object_.dimAngle)) return;
    object_.dimAngle = tenthsOf(enteredAngle());
    if (handMark) labelangle::setHandMark(object_);
}

bool FittingPropertyForm::numbersAccepted(bool joint, FormContext& context) const {
    bool good = readNumber(angle, numbers::kAngle).has_value();
    if (joint)
        good = good && readNumber(Distanc, numbers::kPositiveLength) && readNumber(BiHou, numbers::kWallThickness);
    if (!good)
        context.prompter.ask({numbers::kInputError, numbers::kInputErrorCaption, platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
    return good;
}

bool FittingPropertyForm::textsCarried(FormContext& context) {
    std::vector<FileBox> boxes;
    std::string* texts[] = {&DistTxt, &StartUse, &LastCheck, &CaiLiao, &GuiGe};
    for (std::string* t : texts) boxes.push_back({*t, model::TextPlace::Line});
    const auto message = replaceUncarried(boxes);
    if (!message) return true;
    for (std::size_t i = 0; i < std::size(texts); ++i) *texts[i] = std::move(boxes[i].utf8);
    context.prompter.ask(*message);
    return false;
}

void FittingPropertyForm::addNameAndDirections(std::string_view name) {
    addReadOnly("name", [name] { return std::string(name); });
    addReadOnly("from", [this] { return directionText(object_.StrtDir); });
    addReadOnly("to", [this] { return directionText(object_.EndDir); });
}

void FittingPropertyForm::addJointBoxes(std::size_t maxBytes) {
    addText("DistTxt", DistTxt, maxBytes);
    addText("Distanc", Distanc, maxBytes);
    addText("angle", angle, maxBytes);
    addText("StartUse", StartUse, maxBytes);
    addText("LastCheck", LastCheck, maxBytes);
    addText("BiHou", BiHou, maxBytes);
    addText("CaiLiao", CaiLiao, maxBytes);
    addText("GuiGe", GuiGe, maxBytes);
}

void FittingPropertyForm::storeJointBoxes(const std::string& label, bool handMark, std::size_t maxBytes) {
    model::PipeObject& o = object_;
    store(o.DistTxt, label, maxBytes);
    o.Distanc = readNumber(Distanc, numbers::kPositiveLength).value_or(o.Distanc);
    storeAngle(handMark);
    store(o.StartUse, StartUse, maxBytes);
    store(o.LastCheck, LastCheck, maxBytes);
    o.BiHou = readNumber(BiHou, numbers::kWallThickness).value_or(o.BiHou);
    store(o.CaiLiao, CaiLiao, maxBytes);
    store(o.GuiGe, GuiGe, maxBytes);
}

// --- tee ---

TeePropertyForm::TeePropertyForm(const model::PipeObject& tee) : FittingPropertyForm(tee) {
    addNameAndDirections(kName);
    addPoint("Port1", &model::PipeObject::Port1, "%-5.3f");
    addPoint("Port2", &model::PipeObject::Port2, "%-5.3f");
    addPoint("Port3", &model::PipeObject::Port3, "%-5.3f");
    addPoint("Port4", &model::PipeObject::Port4, "%-5.3f");
    addJointBoxes(kMaxText);
}

FormState TeePropertyForm::accept(FormContext& context) {
    if (!numbersAccepted(true, context) || !textsCarried(context)) return FormState::Open;
    // The tee's label angle carries no hand mark.
    storeJointBoxes(DistTxt, false, kMaxText);
    return FormState::Accepted;
}

// --- elbow ---

ElbowPropertyForm::ElbowPropertyForm(const model::PipeObject& elbow) : FittingPropertyForm(elbow) {
    addNameAndDirections(kName);
    addPoint("Port1", &model::PipeObject::Port1, "%-5.2f");
    addPoint("Port2", &model::PipeObject::Port2, "%-5.2f");
    addJointBoxes(kMaxText);
}

FormState ElbowPropertyForm::accept(FormContext& context) {
    if (!numbersAccepted(true, context) || !textsCarried(context)) return FormState::Open;
    storeJointBoxes(hiddenIfLeadingBlank(DistTxt), true, kMaxText);
    return FormState::Accepted;
}

// --- valves, fittings, site marks ---

std::string_view ValvePropertyForm::symbolName(int subType) {
    const model::SymbolRow* s = model::symbolRow(subType);
    return s && (s->namedIn & model::named::kFittingDialog) ? s->objectName : std::string_view();
}

ValvePropertyForm::ValvePropertyForm(const model::PipeObject& symbol) : FittingPropertyForm(symbol) {
    addReadOnly("name", [this] { return std::string(symbolName(object_.SubType)); });
    addReadOnly("direction", [this] { return directionText(object_.EndDir); });
    addPoint("Port1", &model::PipeObject::Port1, "%-5.2f");
    addPoint("Port2", &model::PipeObject::Port2, "%-5.2f");
    addText("DistTxt", DistTxt, kMaxText);
    addText("StartUse", StartUse, kMaxText);
    addText("LastCheck", LastCheck, kMaxText);
    addText("CaiLiao", CaiLiao, kMaxText);
    addText("GuiGe", GuiGe, kMaxText);
    addText("angle", angle, kMaxText);
}

FormState ValvePropertyForm::accept(FormContext& context) {
    if (!numbersAccepted(false, context) || !textsCarried(context)) return FormState::Open;
    model::PipeObject& o = object_;
    store(o.DistTxt, DistTxt, kMaxText);
    store(o.StartUse, StartUse, kMaxText);
    store(o.LastCheck, LastCheck, kMaxText);
    store(o.CaiLiao, CaiLiao, kMaxText);
    store(o.GuiGe, GuiGe, kMaxText);
    storeAngle(true);
    return FormState::Accepted;
}

}  // namespace tubra::edit
