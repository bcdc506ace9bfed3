#pragma once
// A mouse tool of the drawing view behind a small interface: it owns its state and says what
// a press, a drag and a release of the left button do. The view controller keeps which tool
// is chosen, hovering and snapping, and hands the left button to the chosen tool's object.

#include "platform/Canvas.h"
#include "tubra/edit/ViewPort.h"

namespace tubra::edit {

class MouseTool {
public:
    virtual ~MouseTool() = default;
    virtual void press(DevicePoint p) = 0;
    // The mouse moves with the left button held.
    virtual void drag(DevicePoint p) = 0;
    virtual void release(DevicePoint p) = 0;
    // The tool is switched off or the tools reset: whatever a drag holds is let go.
    virtual void reset() = 0;
};

// "图纸平移": dragging moves the sheet under the mouse, the scroll position following the
// mouse from where the button went down.
class PanTool final : public MouseTool {
public:
    explicit PanTool(ViewPort& port) : port_(port) {}
    void press(DevicePoint p) override;
    void drag(DevicePoint p) override;
    void release(DevicePoint) override { holding_ = false; }
    void reset() override { holding_ = false; }
    bool holding() const { return holding_; }

private:
    ViewPort& port_;
    bool holding_ = false;
    platform::Point scrollAtPress_;  // device pixels
    DevicePoint pressedAt_;
};

}  // namespace tubra::edit
