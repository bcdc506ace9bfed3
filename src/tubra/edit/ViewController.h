#pragma once
// The view controller of one drawing view, free of any window system. It keeps which tool is
// chosen (and the snap set a tool forces), hovering and snapping with the marker, the status
// line, the cursor, the right button (cancel, properties, zoom), the commands that switch no
// tool (undo, restore, clear all, the snap and weld switches) and `commit`, and hands the left
// button and hovering to the chosen tool's object (`MouseTool.h`; the tools themselves are in
// `PipeTool.h`, `ClickTools.h` and `DragTools.h`). Each tool says which tool kinds it carries
// out and what it does when switched on; the commands themselves are defined with the
// program's other commands, and reach the controller through the methods below.
//
// It takes mouse positions in device pixels of the client area and command ids; feedback is
// drawn through the view port's canvas with inverting and XOR raster operations (drawing the
// same feedback again erases it); every message box goes to the prompter and every dialog to
// the form host.

#include <array>
#include <functional>
#include <string>

#include "platform/Form.h"
#include "platform/Prompter.h"
#include "tubra/edit/ClickTools.h"
#include "tubra/edit/Construction.h"
#include "tubra/edit/DragTools.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/MouseTool.h"
#include "tubra/edit/PipeTool.h"
#include "tubra/edit/Snapping.h"
#include "tubra/edit/Tools.h"
#include "tubra/edit/ViewPort.h"
#include "tubra/model/Document.h"
#include "tubra/view/ViewState.h"

namespace tubra::edit {

class ViewController final : private ToolContext {
public:
    struct Services {
        model::Document& doc;
        view::ViewState& view;
        EditSettings& settings;  // shared by every view of the program
        ViewPort& port;
        platform::Prompter& prompter;
        platform::FormHost& forms;
        // The document changed: every view of it repaints and the window updates its title and
        // commands. Without one, this view repaints.
        std::function<void()> changed;
    };

    // A new view: the program-wide snap and weld switches go back to their defaults.
    explicit ViewController(Services services);
    ViewController(const ViewController&) = delete;
    ViewController& operator=(const ViewController&) = delete;

    // --- mouse, in device pixels of the client area ---
    void mouseMove(DevicePoint p, bool leftHeld = false, bool rightHeld = false);
    void leftDown(DevicePoint p);
    void leftUp(DevicePoint p);
    void rightDown(DevicePoint p);
    void rightUp(DevicePoint p);
    // Escape: the right-button cancel without the properties click.
    void cancel();
    // A report page is shown instead of the drawing: no tool, no start point, nothing drawn.
    void rest();

    // --- commands ---
    // Switches the command's tool on, or off when it toggles and is on.
    void choose(const ToolCommand& command);
    bool chosen(const Tool& tool) const { return tool_ == tool; }
    // "封闭管" and "平面斜管" switch their modes; "空间斜管" only says it cannot be used.
    void toggleClosedPipe();
    void togglePlaneSlant();
    void spaceSlant();
    // "撤消" (the last object into the discard box), "恢复" (the last one out of it),
    // "清理废弃箱" and "全部清除".
    void undo();
    void restore();
    // The history: takes the last edit back, or does it again (the selection becomes what it
    // touched).
    void undoEdit();
    void redoEdit();
    // The document was put back to an earlier state by other means than this view's tools (a
    // refused edit, the history): the view takes over the drawing's frame values and lets go
    // of objects that are gone.
    void followDocument();
    void emptyDiscardBox();
    void clearAll();
    // The quick-setting switches.
    enum class SnapSwitch { EndPoints, MidPoints, AnyPoint, WeldsOnly };
    void toggleSnap(SnapSwitch which);
    void toggleAutoWeld();
    void toggleAutoElevation();

    // The view was drawn anew: the feedback on it is gone.
    void viewRepainted();

    // --- state ---
    Tool tool() const override { return tool_; }
    bool closedPipe() const { return pipe_.closed(); }
    bool planeSlant() const { return pipe_.planeSlant(); }
    // 1 while a segment's start point is placed.
    int phase() const { return pipe_.phase(); }
    const model::Vec3& startPoint() const { return pipe_.startPoint(); }
    const SnapState& snap() const { return snap_; }
    const std::string& statusText() const { return status_; }
    CursorShape cursor() const;
    // The snap flags the tool reset brings back (end, mid, any).
    struct SavedSnap {
        bool end = true, mid = true, any = true;
    };
    const SavedSnap& savedSnap() const { return saved_; }
    // Makes the current end, mid and any flags the ones tool resets bring back (a settings
    // dialog that changes them calls this, so that its choice outlasts the next tool).
    void keepSnapFlags() { storeSnapFlags(); }

    // The lengths written into new elbows, tees and components.
    using ToolContext::lengths;

    using ToolContext::document;
    using ToolContext::viewState;
    using ToolContext::settings;
    using ToolContext::port;
    using ToolContext::prompter;
    using ToolContext::forms;

    // Conversions of the view: device pixels to logical units and model units (stored x and y).
    using ToolContext::toLogical;
    using ToolContext::toModel;
    DevicePoint toDevice(double modelX, double modelY) const;

    // The tools' objects, for tests that look at what a tool holds.
    const MoveTool& moveTool() const { return move_; }
    const LabelMoveTool& labelTool() const { return label_; }
    const SelectTool& selectTool() const { return select_; }

private:
    struct Marker {
        bool shown = false;
        SnapKind kind = SnapKind::None;
        platform::Point at;
        int hx = 0, hy = 0;
        bool operator==(const Marker&) const = default;
    };

    // The object carrying out a tool kind (no tool: the selection's).
    MouseTool& toolFor(ToolKind kind) const { return *tools_[static_cast<std::size_t>(kind)]; }
    MouseTool& active() const { return toolFor(tool_.kind); }
    // Every tool binds itself to the kinds it carries out.
    void bindTools();
    // Every tool object once.
    template <typename F>
    void eachTool(F&& f);

    // Feedback drawing.
    void drawMarker(platform::Canvas& c, const Marker& m) const;
    void eraseTransient();
    void dropFeedback();

    // ToolContext: what the tools use of the controller.
    void dropTool() override { tool_ = Tool(); }
    SnapState& currentSnap() override { return snap_; }
    void snapAt(DevicePoint p) override;
    void clearSnap() override;
    void eraseMarker() override;
    void forceSnap(bool end, bool mid, bool any) override;
    void saveSnapFlags() override { storeSnapFlags(); }
    void setStatus(const std::string& utf8) override;
    void refreshStatus() override;
    void commit(Commit what = Commit::Objects, Changes changes = Changes::Unknown) override;
    void show(Commit what = Commit::Objects, Changes changes = Changes::Unknown) override;
    void forgetObjects() override;
    void repaint() override;

    // The status line and the cursor.
    void showCoordinates(DevicePoint p);
    void updateCursor();

    // Tools.
    // What every reset clears: the snap set the tool forced, the tool, and every tool's own
    // reset (modifiers, drags in progress, held objects).
    void clearToolState();
    void resetTools(bool switchingOn);
    void storeSnapFlags();
    bool reportShown() const { return viewState().reportDisplay[0] != 0; }
    void hover(DevicePoint p);

    // Commands.
    void undoLast();
    void stepHistory(bool forward);
    // What the next commit is called in the history; empty: the chosen tool's name.
    std::string editName_;
    void restoreLast();
    void clearEverything();
    // After a command: the status line and the cursor follow what it changed.
    void settle();
    void zoomStep(bool in);

    // Drops what refers to objects another view of the document took away.
    void dropStaleObjects();
    void dropStaleHolds();
    // Every view of the document repaints.
    void changed();

    std::function<void()> changed_;
    Tool tool_;
    SavedSnap saved_;
    SnapState snap_;
    SnapIndex snapIndex_;
    Marker marker_;

    PipeTool pipe_{*this};
    PlaceTool place_{*this};
    TextTool text_{*this};
    CutLineTool cutLine_{*this};
    SelectTool select_{*this};
    DeleteTool delete_{*this};
    PropertiesTool properties_{*this};
    MoveTool move_{*this};
    LabelMoveTool label_{*this};
    DrawingMoveTool drawingMove_{*this};
    PanTool pan_{port()};
    std::array<MouseTool*, kToolKindCount> tools_{};

    bool leftHeld_ = false;
    bool rightHeld_ = false;
    double rightY_ = 0;
    bool handlingMove_ = false;
    bool haveMouse_ = false;
    DevicePoint mouse_;
    std::string status_;
    CursorShape cursor_ = CursorShape::Arrow;
};

}  // namespace tubra::edit
