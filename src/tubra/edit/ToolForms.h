#pragma once
// The small dialogs the tools open while they build: the plane of a plane-slanted segment, the
// outlet direction of an elbow or angle valve, how the tee tool connects, and what continuous
// drawing puts at each joint.

#include <optional>

#include "tubra/edit/Construction.h"
#include "tubra/edit/FieldForm.h"

namespace tubra::edit {

// "指定平面:": the plane of a plane-slanted segment and its two offsets from the start (mm, a
// negative offset pointing the other way). OK computes the segment's far end.
class PlaneForm : public FieldForm<platform::Form> {
public:
    static constexpr const char* kPlanes[] = {"上下东西", "上下南北", "东西南北"};
    PlaneForm(model::PipeObject segment, view::AxisAngles axes);
    const model::PipeObject& segment() const { return segment_; }

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    model::PipeObject segment_;
    view::AxisAngles axes_;
};

// "指定方向:": one of the four directions square to a segment.
class DirectionForm : public FieldForm<platform::Form> {
public:
    explicit DirectionForm(int runDirection);
    // The chosen direction code (after OK).
    int direction() const;

protected:
    platform::FormState accept(platform::FormContext&) override { return platform::FormState::Accepted; }

private:
    std::vector<int> codes_;
};

// "指定三通连接方法": the clicked segment joins the new tee at its middle end or at one of its
// run ends; the list of the other two ends' directions follows the method.
class TeeConnectionForm : public FieldForm<platform::Form> {
public:
    static constexpr const char* kMiddle = "与中端连接";
    static constexpr const char* kEnds = "与两端连接";
    TeeConnectionForm(model::PipeObject hit, model::Vec3 point, view::AxisAngles axes,
                      double distance, double length);
    // The directions offered for a method and the hit segment's run direction (UTF-8).
    static std::vector<std::string> pairs(const std::string& method, int runDirection);
    // The tee OK built; none with "与两端连接".
    const std::optional<model::PipeObject>& tee() const { return tee_; }

protected:
    void fieldChanged(std::string_view name) override;
    platform::FormState accept(platform::FormContext&) override;

private:
    model::PipeObject hit_;
    model::Vec3 point_;
    view::AxisAngles axes_;
    double distance_;
    double length_;
    std::optional<model::PipeObject> tee_;
};

// "自动添加": what continuous drawing adds at each joint.
class ContinuousForm : public FieldForm<platform::Form> {
public:
    ContinuousForm();
    JointChoice choice() const;
    // `further` segments are to follow and the drawing has room for `room` more objects: a
    // choice that would add an object at every joint beyond that room is refused at OK.
    void setRoom(int further, int room) {
        further_ = further;
        room_ = room;
    }

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    int further_ = 0;
    int room_ = 0;
};

}  // namespace tubra::edit
