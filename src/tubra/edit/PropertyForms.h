#pragma once
// The property dialogs of segments, welds, supports and text blocks. Each works on its own
// copy of the object; OK writes the edited values into the copy and the caller puts the copy
// in place of the listed object.

#include "tubra/edit/FieldForm.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/PipeObject.h"
#include "tubra/view/Projection.h"

namespace tubra::edit {

// A dialog that edits a copy of one object.
class PropertyForm : public platform::Form {
public:
    // The copy with what OK wrote into it.
    virtual const model::PipeObject& result() const = 0;
};

// What the property dialogs need of the view.
struct PropertyContext {
    view::AxisAngles axes;
    double zoom = 1.0;
};

// "对象属性——管段".
class SegmentForm : public FieldForm<PropertyForm> {
public:
    static constexpr const char* kFlowChoices[] = {"顺管道方向", "逆管道方向", "不画"};
    SegmentForm(const model::PipeObject& segment, const PropertyContext& context);
    const model::PipeObject& result() const override { return copy_; }
    // "连续根数" as OK read it.
    int count() const { return count_; }
    // How many segments in a row the drawing has room for (itself included): a larger count
    // is refused at OK, before anything is built.
    void setMaxCount(int maxCount) { maxCount_ = maxCount; }
    static constexpr const char* kTooMany = model::kTooManyObjects;
    // Said at OK when the text typed for an up or down segment states no length, so its end
    // elevation follows the drawn length: the text, what is wrong with it, the length used.
    static constexpr const char* kTextNotElevation = "文字“%s”%s，不作为这根立管的长度：终点标高按图上长度 %s 毫米计算。";

protected:
    void fieldChanged(std::string_view name) override;
    platform::FormState accept(platform::FormContext& context) override;

private:
    model::PipeObject copy_;
    PropertyContext context_;
    int count_ = 1;
    int maxCount_;
    std::string shownText_;  // the text as the dialog opened (UTF-8)
};

// "对象属性——焊缝".
class WeldForm : public FieldForm<PropertyForm> {
public:
    explicit WeldForm(const model::PipeObject& weld);
    const model::PipeObject& result() const override { return copy_; }

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    model::PipeObject copy_;
};

// "对象属性——附件": supports and columns. Only the label and its angle are edited; the other
// values are shown.
class SupportForm : public FieldForm<PropertyForm> {
public:
    explicit SupportForm(const model::PipeObject& support);
    const model::PipeObject& result() const override { return copy_; }
    // The name shown for a `SubType` (UTF-8), empty for others.
    static std::string nameOf(int subType);

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    model::PipeObject copy_;
};

// "输入文字": the text of a text block, its angle, font, size and position. Used by the text
// tool (a new block at the clicked point) and for existing blocks.
class TextForm : public FieldForm<PropertyForm> {
public:
    static constexpr const char* kSpecialCharacters[] = {"⊥", "°", "℃"};
    TextForm(const model::PipeObject& block, const PropertyContext& context);
    // A new text block at `point` (model units) with the default font.
    static model::PipeObject newBlock(const model::Vec3& point);
    const model::PipeObject& result() const override { return copy_; }

protected:
    platform::FormState accept(platform::FormContext& context) override;
    platform::ActionResult otherAction(std::string_view name, std::string_view argument,
                                    platform::FormContext& context) override;

private:
    model::PipeObject copy_;
    PropertyContext context_;
};

}  // namespace tubra::edit
