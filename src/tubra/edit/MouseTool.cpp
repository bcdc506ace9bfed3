#include "tubra/edit/MouseTool.h"

#include <cmath>

#include "tubra/model/Vec3.h"

namespace tubra::edit {

// --- the context ---

double ToolContext::zoom() const {
    const double z = view_.ZoomPara;
    return z > 0.0 && std::isfinite(z) ? z : 1.0;
}

platform::Point ToolContext::toLogical(DevicePoint p) const { return port_.transform().toLogical(p); }

model::Vec3 ToolContext::toModel(DevicePoint p) const {
    const platform::Point l = toLogical(p);
    return {l.x / zoom(), l.y / zoom(), 0.0};
}

model::Vec3 ToolContext::snapModel() {
    const SnapState& s = currentSnap();
    return {s.point.x / zoom(), s.point.y / zoom(), s.point.z};
}

platform::Answer ToolContext::ask(const char* text, const char* caption, platform::Buttons buttons,
                                  platform::MessageIcon icon, platform::Answer defaultAnswer) {
    return prompter_.ask({text, caption, buttons, icon, defaultAnswer});
}

void ToolContext::discard(const model::PipeObject* o) {
    model::PipeObject& kept = doc_.discardBox.objects.addCopy(*o);
    // A weld keeps its number in the box: it names the weld in the inspection records.
    if (o->is(model::ObjectKind::Weld)) kept.Number = o->Number;
    doc_.drawing.objects.take(o);
}

bool ToolContext::confirmLastObject() {
    return ask(message::kLastObject, "严重警告", platform::Buttons::OkCancel, platform::MessageIcon::Warning,
               platform::Answer::Ok) == platform::Answer::Ok;
}

// --- panning ---

bool PanTool::press(DevicePoint p) {
    holding_ = true;
    const DeviceTransform t = port_.transform();
    scrollAtPress_ = {model::truncToInt(t.scrollX), model::truncToInt(t.scrollY)};
    pressedAt_ = p;
    return true;
}

void PanTool::drag(DevicePoint p) {
    if (!holding_) return;
    port_.scrollToDevice(model::truncToInt(scrollAtPress_.x + pressedAt_.x - p.x),
                         model::truncToInt(scrollAtPress_.y + pressedAt_.y - p.y));
}

}  // namespace tubra::edit
