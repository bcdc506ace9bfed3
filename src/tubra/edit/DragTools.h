#pragma once
// The tools that drag: moving and copying the selection (ghosts follow the mouse), moving a
// label by its frame, moving the whole drawing by the frame around it.

#include "tubra/edit/MouseTool.h"

namespace tubra::edit {

// "移动对象" and "复制对象": the press grabs the selection at the caught point (or where the
// mouse is), ghosts follow the drag, the release moves the selection or copies it there (a
// caught point again wins over the mouse).
class MoveTool final : public MouseTool {
public:
    explicit MoveTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    // Refused without a selection; on, only end points are caught and the status line tells
    // how to move.
    bool activate(const ToolCommand& command) override;
    bool hover(DevicePoint p) override;
    bool press(DevicePoint p) override;
    void drag(DevicePoint p) override;
    void release(DevicePoint p) override;
    void erase(platform::Canvas& c) override;
    void forgetFeedback() override { ghostShown_ = false; }
    void reset() override { holding_ = false; }
    CursorShape cursor(bool leftHeld) const override {
        return leftHeld ? CursorShape::PointerHeld : CursorShape::Pointer;
    }
    // The status line keeps the moving help.
    bool showsPosition() const override { return false; }
    bool holding() const { return holding_; }

private:
    void drawGhosts(platform::Canvas& c, const model::Vec3& offset);
    model::Vec3 ghostOffset() const { return {ghost_.x - grab_.x, ghost_.y - grab_.y, 0.0}; }

    ToolContext& ctx_;
    bool holding_ = false;
    model::Vec3 grab_;   // model units, z the grab elevation
    model::Vec3 ghost_;  // model units, the last ghost position
    bool ghostShown_ = false;
};

// A frame dragged with the mouse: the frame at the press moves by the mouse's displacement.
class FrameDragTool : public MouseTool {
public:
    explicit FrameDragTool(ToolContext& ctx) : ctx_(ctx) {}
    void drag(DevicePoint p) override;
    void erase(platform::Canvas& c) override;
    void forgetFeedback() override { frameShown_ = false; }
    void reset() override { dragging_ = false; }
    CursorShape cursor(bool leftHeld) const override = 0;
    bool dragging() const { return dragging_; }

protected:
    void drawFrame(platform::Canvas& c, const LabelFrame& f) const;
    // Shows `f` in place of the frame shown.
    void showFrame(const LabelFrame& f);
    void hideFrame();
    void startDrag(platform::Point logical);

    ToolContext& ctx_;
    LabelFrame frame_{};
    bool frameShown_ = false;
    bool dragging_ = false;

private:
    LabelFrame frameAtPress_{};
    platform::Point pressedAt_;
};

// "移动标注": hovering frames the label under the mouse; dragging the frame moves the label.
class LabelMoveTool final : public FrameDragTool {
public:
    explicit LabelMoveTool(ToolContext& ctx) : FrameDragTool(ctx) {}
    std::span<const ToolKind> kinds() const override;
    bool hover(DevicePoint p) override;
    bool press(DevicePoint p) override;
    void release(DevicePoint p) override;
    void reset() override;
    void dropStale(const model::ObjectList& list) override;
    CursorShape cursor(bool leftHeld) const override {
        return leftHeld ? CursorShape::PointerHeld : CursorShape::Pointer;
    }
    // The right button only cancels: a label is moved, not its object edited.
    bool rightClickShowsProperties() const override { return false; }
    const model::PipeObject* held() const { return object_; }

private:
    const model::PipeObject* object_ = nullptr;
};

// "整图移动": the press frames the segments; the release moves every object by whole units.
class DrawingMoveTool final : public FrameDragTool {
public:
    explicit DrawingMoveTool(ToolContext& ctx) : FrameDragTool(ctx) {}
    std::span<const ToolKind> kinds() const override;
    bool press(DevicePoint p) override;
    void release(DevicePoint p) override;
    CursorShape cursor(bool leftHeld) const override {
        return leftHeld ? CursorShape::HandHeld : CursorShape::Hand;
    }

private:
    SheetBox box_;
};

}  // namespace tubra::edit
