#pragma once
// "主线管" and "支线管": segments built with two clicks. The first places the start point
// (caught on an existing object or free), the rubber band follows the projected axis nearest
// the mouse, the second builds the segment with its elbow or tee and welds and opens its
// dialog. Closed-pipe mode ends a segment on a caught point; plane-slant mode builds a slanted
// segment from the plane dialog at the first click.
//
// The construction (start point and band) belongs to both pipe tools and outlives a change of
// tool: only the right button, Escape or a report page shown ends it.

#include "tubra/edit/MouseTool.h"

namespace tubra::edit {

class PipeTool final : public MouseTool {
public:
    explicit PipeTool(ToolContext& ctx) : ctx_(ctx) {}

    std::span<const ToolKind> kinds() const override;
    bool hover(DevicePoint p) override;
    bool press(DevicePoint p) override;
    // The modifiers go off; the construction stays.
    void reset() override { closed_ = planeSlant_ = false; }
    void forgetFeedback() override { band_.shown = track_.shown = false; }
    void dropStale(const model::ObjectList& list) override;
    CursorShape cursor(bool) const override { return CursorShape::Draw; }

    // The band of the construction, drawn again (erased).
    void eraseBand(platform::Canvas& c);
    // The start point is given up.
    void abandon();

    // "封闭管线" and "平面斜管" pressed.
    void toggleClosed() { closed_ = !closed_; }
    void togglePlaneSlant();

    bool constructing() const { return phase_ == 1; }
    int phase() const { return phase_; }
    const model::Vec3& startPoint() const { return start_; }
    bool closed() const { return closed_; }
    bool planeSlant() const { return planeSlant_; }

private:
    struct Line {
        bool shown = false;
        platform::Point a, b;
        int width = 0;  // the pen it was drawn with, for erasing it under another tool
    };

    int lineClass() const { return ctx_.tool().kind == ToolKind::BranchPipe ? 1 : 0; }
    void drawBand(platform::Canvas& c, const Line& band) const;
    void drawTrack(platform::Canvas& c, const Line& track) const;
    void rubberBand(platform::Point logical);
    void firstClick(platform::Point logical);
    void secondClick(platform::Point logical);
    void buildPlaneSlanted();
    void afterNewSegment(Changes changes);
    // The new segment's dialog, and the segments continued from it.
    void askSegment(model::Drawing& drawing);

    ToolContext& ctx_;
    bool closed_ = false;
    bool planeSlant_ = false;
    int phase_ = 0;
    model::Vec3 start_;  // view units
    const model::PipeObject* startHit_ = nullptr;
    SnapKind startKind_ = SnapKind::None;
    Line band_, track_;
};

}  // namespace tubra::edit
