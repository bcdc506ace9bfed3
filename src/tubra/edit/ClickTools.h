#pragma once
// The tools that act on one click: placing fittings, welds, tees, elbows and components on the
// object under the mouse, text blocks, cut lines; selecting by click and by rectangle;
// deleting; the property dialog of an object. A click that finds nothing for a placing tool
// selects instead.

#include "tubra/edit/MouseTool.h"

namespace tubra::edit {

// Every tool that is one click with perhaps a dialog, parameterised by the chosen tool's kind
// (weld, tee, elbow, angle valve, component) and symbol.
class PlaceTool final : public MouseTool {
public:
    explicit PlaceTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    // A symbol whose tool catches end points only forces that snap set while it is on.
    bool activate(const ToolCommand& command) override;
    bool press(DevicePoint p) override;
    void reset() override {}
    CursorShape cursor(bool) const override { return CursorShape::Draw; }

private:
    bool componentClick();
    void elbowOrAngleValve();
    void place(int symbol, double outlet);
    void weldClick();
    void teeClick();

    ToolContext& ctx_;
};

// "文字": a text block where the mouse is, from the text dialog.
class TextTool final : public MouseTool {
public:
    explicit TextTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    bool press(DevicePoint p) override;
    void reset() override {}
    CursorShape cursor(bool) const override { return CursorShape::Draw; }

private:
    ToolContext& ctx_;
};

// "断开线": a cut line across the object under the mouse.
class CutLineTool final : public MouseTool {
public:
    explicit CutLineTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    bool press(DevicePoint p) override;
    void reset() override {}
    CursorShape cursor(bool) const override { return CursorShape::Draw; }

private:
    ToolContext& ctx_;
};

// "选取对象" (and no tool at all): a click on an object adds it to the selection or takes it
// out; with the select tool a click beside every object starts a rectangle whose corners take
// in what they hold.
class SelectTool final : public MouseTool {
public:
    explicit SelectTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    bool press(DevicePoint p) override;
    void drag(DevicePoint p) override;
    void release(DevicePoint p) override;
    void erase(platform::Canvas& c) override;
    void forgetFeedback() override { rectShown_ = false; }
    void reset() override { rectActive_ = false; }
    CursorShape cursor(bool) const override { return CursorShape::Arrow; }

    // The click of every tool that found nothing of its own: the object under the mouse joins
    // or leaves the selection. False when no object is under the mouse.
    bool pick();
    bool dragging() const { return rectActive_; }

private:
    void drawRectangle(platform::Canvas& c, platform::Point a, platform::Point b) const;
    void finishRectangle();

    ToolContext& ctx_;
    bool rectActive_ = false;
    bool rectShown_ = false;
    platform::Point rectCorner_, rectEnd_;
};

// "删除对象": a click moves the object under the mouse into the discard box; the last object
// goes only after a warning, and takes the discard box with it.
class DeleteTool final : public MouseTool {
public:
    explicit DeleteTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    // Switched on, it deletes the selection ("删除对象(Del)") or lets it go; either way only
    // mid and any points are caught while it is on.
    bool activate(const ToolCommand& command) override;
    bool press(DevicePoint p) override;
    void reset() override {}
    CursorShape cursor(bool) const override { return CursorShape::Delete; }
    bool snapsWhileConstructing() const override { return true; }

    // "删除对象(Del)" with a selection: every selected object goes into the discard box.
    void deleteSelection();

private:
    ToolContext& ctx_;
};

// "修改属性": a click opens the property dialog of the object under the mouse (the right
// button does the same with any tool).
class PropertiesTool final : public MouseTool {
public:
    explicit PropertiesTool(ToolContext& ctx) : ctx_(ctx) {}
    std::span<const ToolKind> kinds() const override;
    // Every kind of point is caught while it is on.
    bool activate(const ToolCommand& command) override;
    bool press(DevicePoint) override { return open(ctx_.currentSnap().hit); }
    void reset() override {}
    CursorShape cursor(bool leftHeld) const override {
        return leftHeld ? CursorShape::PointerHeld : CursorShape::Pointer;
    }
    bool snapsWhileConstructing() const override { return true; }

    // False when the object is not (or no longer) in the list.
    bool open(const model::PipeObject* object);

private:
    ToolContext& ctx_;
};

}  // namespace tubra::edit
