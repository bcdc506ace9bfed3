#pragma once
// The tools of the drawing view behind one small interface. A tool owns its state, says what
// hovering and a press, a drag and a release of the left button do, draws and erases its own
// feedback and names the cursor it wants. It reaches the view it works in only through a
// `ToolContext`: the document, the view state, the settings, the port, the prompter and the
// forms, the snap state with its marker, the status line, and `commit`, the one way an edit
// ends. The view controller keeps which tool is chosen and hands the mouse to its object.

#include <span>
#include <string>

#include "platform/Canvas.h"
#include "platform/Form.h"
#include "platform/Prompter.h"
#include "tubra/edit/Construction.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/Snapping.h"
#include "tubra/edit/Tools.h"
#include "tubra/edit/ViewPort.h"
#include "tubra/model/Document.h"
#include "tubra/view/ViewState.h"

namespace tubra::edit {

// Texts of the messages the tools show (UTF-8).
namespace message {
inline constexpr const char* kChooseLineClass = "请先确定是主线管还是支线管。";
inline constexpr const char* kDrawOrthogonalFirst = "请先画正向管。";
inline constexpr const char* kNotAvailable = "此功能目前不能使用!";
inline constexpr const char* kNotAtStart = "此版本还不支持在起点处增加管配件的功能";
inline constexpr const char* kClosedNeedsSnap = "在画封闭管线时，一定要用捕捉功能";
inline constexpr const char* kMustBePipe = "被连接部分应该是管段!";
inline constexpr const char* kUseElbow = "是否用弯头？";
inline constexpr const char* kUseTee = "是否用三通？";
inline constexpr const char* kOrthogonalOnly = "此阀门或管件只可加在正向管段上！";
inline constexpr const char* kSelectFirst = "请先选择对象!";
inline constexpr const char* kSelectToMove = "请先选择移动或复制的对象!";
inline constexpr const char* kLastObject =
    "现在只有一个对象，如被撤消，图纸将退回空白状态，\n而且被撤消对象不再可复原，您确定要这么做吗？";
inline constexpr const char* kMoveHelp =
    "移动、复制对象: 利用端点捕捉功能，点取起始位置后，移动鼠标至目标位置，放开鼠标";
inline constexpr const char* kMoveDone = "移动、复制对象完成";
}  // namespace message

// How an edit ends.
enum class Commit {
    Objects,         // the objects changed
    ObjectsAndView,  // the same, and the view is stored in the drawing (edits that reset the
                     // view's hold on the object list)
    Cleared,         // the document emptied its list itself: the view is stored
};

// Whether an edit changed objects only through the object list's own ways to them (which
// stamp what they hand out, see model::ObjectList), or may have changed any: an edit that kept
// a pointer to an object across a message box or dialog, while the view was painted, says
// Unknown, and everything worked out from the objects is worked out again.
enum class Changes { Unknown, Tracked };

// What a tool may use of the view it works in.
class ToolContext {
public:
    ToolContext(model::Document& doc, view::ViewState& view, EditSettings& settings, ViewPort& port,
                platform::Prompter& prompter, platform::FormHost& forms)
        : doc_(doc), view_(view), settings_(settings), port_(port), prompter_(prompter), forms_(forms) {}
    ToolContext(const ToolContext&) = delete;
    ToolContext& operator=(const ToolContext&) = delete;

    model::Document& document() const { return doc_; }
    view::ViewState& viewState() const { return view_; }
    EditSettings& settings() const { return settings_; }
    ViewPort& port() const { return port_; }
    platform::Prompter& prompter() const { return prompter_; }
    platform::FormHost& forms() const { return forms_; }

    // The lengths written into new elbows, tees and components.
    ObjectLengths lengths;

    // The chosen tool; `dropTool` leaves none chosen without resetting anything.
    virtual Tool tool() const = 0;
    virtual void dropTool() = 0;

    // The snap under the mouse. `snapAt` finds it and moves the marker; `clearSnap` erases the
    // marker and forgets the snap; `eraseMarker` only erases the marker.
    virtual SnapState& currentSnap() = 0;
    virtual void snapAt(DevicePoint p) = 0;
    virtual void clearSnap() = 0;
    virtual void eraseMarker() = 0;
    // Sets the end, mid and any snap flags (the next tool reset brings the saved ones back).
    virtual void forceSnap(bool end, bool mid, bool any) = 0;
    // Makes the current end, mid and any flags the ones the next tool reset brings back.
    virtual void saveSnapFlags() = 0;

    virtual void setStatus(const std::string& utf8) = 0;
    // The position and counts on the status line again, when the mouse is over the view.
    virtual void refreshStatus() = 0;

    // How every edit ends: once per change a tool makes to the document. It is one step of the
    // undo history, and refused whole (the drawing as it was) beyond what a file may hold.
    virtual void commit(Commit what = Commit::Objects, Changes changes = Changes::Unknown) = 0;
    // Shows a change the edit goes on from (an object placed, then its dialog): every view
    // repaints, and the commit that follows ends the edit as one step.
    virtual void show(Commit what = Commit::Objects, Changes changes = Changes::Unknown) = 0;
    // After objects left the list: the selection, the snap and every tool's holds let go.
    virtual void forgetObjects() = 0;
    // The view is drawn anew (what was drawn on it as feedback is gone).
    virtual void repaint() = 0;

    // Conversions of the view: zoom, device pixels to logical units and model units (stored x
    // and y), the snap point in model units.
    double zoom() const;
    platform::Point toLogical(DevicePoint p) const;
    model::Vec3 toModel(DevicePoint p) const;
    model::Vec3 snapModel();

    // Draws mouse feedback on the view (nothing when the view cannot draw now).
    template <typename F>
    void feedback(F&& draw) {
        platform::Canvas* canvas = port_.beginFeedback();
        if (canvas) draw(*canvas);
        port_.endFeedback();
    }

    platform::Answer ask(const char* text, const char* caption, platform::Buttons buttons,
                         platform::MessageIcon icon,
                         platform::Answer defaultAnswer = platform::Answer::Ok);
    // Moves a listed object into the discard box.
    void discard(const model::PipeObject* o);
    // The question before the last object goes (which also empties the discard box).
    bool confirmLastObject();

protected:
    ~ToolContext() = default;

private:
    model::Document& doc_;
    view::ViewState& view_;
    EditSettings& settings_;
    ViewPort& port_;
    platform::Prompter& prompter_;
    platform::FormHost& forms_;
};

class MouseTool {
public:
    virtual ~MouseTool() = default;
    // The tool kinds this object carries out: the view hands the mouse to it while one of them
    // is chosen. Every kind is carried out by exactly one tool of a view.
    virtual std::span<const ToolKind> kinds() const = 0;
    // Its command switches it on, after the tools were reset and with the tool already chosen:
    // what the tool does first (the snap set it forces, the selection it acts on). False when
    // it refuses to be switched on; then no tool is chosen.
    virtual bool activate(const ToolCommand&) { return true; }
    // The mouse moves with no button held; false leaves it to the controller (snap and the
    // position on the status line).
    virtual bool hover(DevicePoint) { return false; }
    // The left button goes down; false when the click found nothing for the tool, and then it
    // selects or deselects what is under the mouse.
    virtual bool press(DevicePoint p) = 0;
    // The mouse moves with the left button held.
    virtual void drag(DevicePoint) {}
    virtual void release(DevicePoint) {}
    // Draws again what the tool shows on the view, which erases it, and forgets it.
    virtual void erase(platform::Canvas&) {}
    // The view was drawn anew: what the tool showed is gone.
    virtual void forgetFeedback() {}
    // The tool is switched off or the tools reset: whatever a drag holds is let go.
    virtual void reset() = 0;
    // Lets go of held objects no longer in the list (another view took them away).
    virtual void dropStale(const model::ObjectList&) {}
    virtual CursorShape cursor(bool leftHeld) const = 0;
    // While a segment's start point is placed, hovering still catches points for this tool.
    virtual bool snapsWhileConstructing() const { return false; }
    // A right click on an object opens its property dialog while this tool is on.
    virtual bool rightClickShowsProperties() const { return true; }
    // The status line shows the mouse position while this tool is on.
    virtual bool showsPosition() const { return true; }
};

// "图纸平移": dragging moves the sheet under the mouse, the scroll position following the
// mouse from where the button went down.
class PanTool final : public MouseTool {
public:
    explicit PanTool(ViewPort& port) : port_(port) {}
    std::span<const ToolKind> kinds() const override;
    bool press(DevicePoint p) override;
    void drag(DevicePoint p) override;
    void release(DevicePoint) override { holding_ = false; }
    void reset() override { holding_ = false; }
    CursorShape cursor(bool leftHeld) const override {
        return leftHeld ? CursorShape::HandHeld : CursorShape::Hand;
    }
    bool snapsWhileConstructing() const override { return true; }
    bool holding() const { return holding_; }

private:
    ViewPort& port_;
    bool holding_ = false;
    platform::Point scrollAtPress_;  // device pixels
    DevicePoint pressedAt_;
};

}  // namespace tubra::edit
