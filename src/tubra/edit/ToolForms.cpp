#include "tubra/edit/ToolForms.h"

#include <algorithm>
#include <cmath>

#include "tubra/edit/NumberInput.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/model/Kinds.h"

namespace tubra::edit {

using platform::FormState;

namespace {

std::string directionName(int code) { return std::string(model::directionName(code)); }

}  // namespace

PlaneForm::PlaneForm(model::PipeObject segment, view::AxisAngles axes)
    : FieldForm("指定平面:"), segment_(std::move(segment)), axes_(axes) {
    addChoice("plane", "选择所处平面:", {kPlanes[0], kPlanes[1], kPlanes[2]});
    addText("offsetA", "相对首点偏移:", "", 14).unit = "毫米";
    auto& b = addText("offsetB", "", "", 14);
    b.unit = "毫米";
    b.sameRow = true;
    addNote("注：请先确定平面，后输数据。如输入负数，则为反向。");
}

FormState PlaneForm::accept(platform::FormContext& context) {
    const std::string& plane = value("plane");
    int index = 0;
    for (int i = 0; i < 3; ++i)
        if (plane == kPlanes[i]) index = i;
    // An offset that is no finite length within reach is as wrong as none, and so is one below
    // a millimetre: the segment would have no length to draw or to join.
    const auto a = readNumber(value("offsetA"), numbers::kLength);
    const auto b = readNumber(value("offsetB"), numbers::kLength);
    if (!a || !b || std::fabs(*a) < 1.0 || std::fabs(*b) < 1.0) {
        context.prompter.ask({"数据输入错误，请重新输入。", "应用错误", platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
        return FormState::Open;
    }
    segment_.StrtDir = index;
    segment_.Port3.x = *a;
    segment_.Port3.y = *b;
    placeSlantedEnd(segment_, axes_);
    return FormState::Accepted;
}

DirectionForm::DirectionForm(int runDirection) : FieldForm("指定方向:"), codes_(squareDirections(runDirection)) {
    std::vector<std::string> names;
    for (int c : codes_) names.push_back(directionName(c));
    addChoice("direction", "方向:", names);
}

int DirectionForm::direction() const {
    const std::string& v = value("direction");
    for (int c : codes_)
        if (directionName(c) == v) return c;
    return codes_.empty() ? -1 : codes_.front();
}

TeeConnectionForm::TeeConnectionForm(model::PipeObject hit, model::Vec3 point, view::AxisAngles axes,
                                     double distance, double length)
    : FieldForm("指定三通连接方法"),
      hit_(std::move(hit)),
      point_(point),
      axes_(axes),
      distance_(distance),
      length_(length) {
    addChoice("method", "连接方法", {kMiddle, kEnds}, {}, platform::FieldStyle::Radio);
    addChoice("pair", "另两端接口的方向:", pairs(kMiddle, model::directionCode(hit_.EndDir)));
}

std::vector<std::string> TeeConnectionForm::pairs(const std::string& method, int d) {
    if (method == kMiddle) {
        switch (d) {
            case 3:
            case 5: return {"上和下", "东和西"};
            case 2:
            case 4: return {"上和下", "南和北"};
            case 0:
            case 1: return {"东和西", "南和北"};
            default: return {};
        }
    }
    const std::string from = directionName(d);
    std::vector<int> others;
    switch (d) {
        case 5:
        case 3: others = {2, 4, 0, 1}; break;
        case 2:
        case 4: others = {5, 3, 0, 1}; break;
        case 0:
        case 1: others = {2, 4, 3, 5}; break;
        default: return {};
    }
    std::vector<std::string> pairs;
    for (int o : others) pairs.push_back(from + "和" + directionName(o));
    return pairs;
}

void TeeConnectionForm::fieldChanged(std::string_view name) {
    if (name != "method") return;
    std::vector<std::string> choices = pairs(value("method"), model::directionCode(hit_.EndDir));
    std::string first = choices.empty() ? std::string() : choices.front();
    setChoices("pair", std::move(choices), std::move(first));
}

FormState TeeConnectionForm::accept(platform::FormContext&) {
    tee_.reset();
    if (value("method") == kMiddle && !value("pair").empty())
        tee_ = makeTeeOnSegment(hit_, point_, value("pair"), distance_, length_, axes_);
    return FormState::Accepted;
}

ContinuousForm::ContinuousForm() : FieldForm("自动添加") {
    addNote("请选择多管段连接处的添加对象");
    addChoice("choice", "", jointChoiceNames());
}

FormState ContinuousForm::accept(platform::FormContext& context) {
    if (choice() != JointChoice::None && 2LL * further_ > room_) {
        context.prompter.ask({SegmentForm::kTooMany, numbers::kInputErrorCaption, platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
        return FormState::Open;
    }
    return FormState::Accepted;
}

JointChoice ContinuousForm::choice() const {
    const auto& names = jointChoiceNames();
    const auto it = std::find(names.begin(), names.end(), value("choice"));
    return it == names.end() ? JointChoice::None : static_cast<JointChoice>(it - names.begin());
}

}  // namespace tubra::edit
