#include "tubra/edit/MouseTool.h"

#include "tubra/model/Vec3.h"

namespace tubra::edit {

void PanTool::press(DevicePoint p) {
    holding_ = true;
    const DeviceTransform t = port_.transform();
    scrollAtPress_ = {model::truncToInt(t.scrollX), model::truncToInt(t.scrollY)};
    pressedAt_ = p;
}

void PanTool::drag(DevicePoint p) {
    if (!holding_) return;
    port_.scrollToDevice(model::truncToInt(scrollAtPress_.x + pressedAt_.x - p.x),
                         model::truncToInt(scrollAtPress_.y + pressedAt_.y - p.y));
}

}  // namespace tubra::edit
