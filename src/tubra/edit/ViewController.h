#pragma once
// The editing tools of one drawing view, free of any window system: which tool is active, the
// two-click construction of pipe segments, placing fittings, snapping with its marker, the
// status line, selection by click and by rectangle, moving and copying with ghosts, moving
// labels and the whole drawing, panning, deleting, undo and restore, the right-button cancel
// and zoom, and the cursors.
//
// It takes mouse positions in device pixels of the client area and command ids, draws its
// feedback through the view port's canvas with inverting and XOR raster operations (drawing
// the same feedback again erases it), asks its prompter for every message box and runs its
// dialogs through its form host.

#include <functional>
#include <string>

#include "platform/Form.h"
#include "platform/Prompter.h"
#include "tubra/edit/Construction.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/MouseTool.h"
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

class ViewController {
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
    void command(int id);
    bool isChecked(int id) const;

    // The view was drawn anew: the feedback on it is gone.
    void viewRepainted();

    // --- state ---
    Tool tool() const { return tool_; }
    bool closedPipe() const { return closed_; }
    bool planeSlant() const { return planeSlant_; }
    // 1 while a segment's start point is placed.
    int phase() const { return phase_; }
    const model::Vec3& startPoint() const { return start_; }
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
    ObjectLengths lengths;

    model::Document& document() { return s_.doc; }
    view::ViewState& viewState() { return s_.view; }
    EditSettings& settings() { return s_.settings; }
    ViewPort& port() { return s_.port; }

    // Conversions of the view: device pixels to logical units and model units (stored x and y).
    platform::Point toLogical(DevicePoint p) const;
    model::Vec3 toModel(DevicePoint p) const;
    DevicePoint toDevice(double modelX, double modelY) const;

private:
    struct Line {
        bool shown = false;
        platform::Point a, b;
    };
    struct Marker {
        bool shown = false;
        SnapKind kind = SnapKind::None;
        platform::Point at;
        int hx = 0, hy = 0;
        bool operator==(const Marker&) const = default;
    };

    // Feedback drawing.
    template <typename F>
    void feedback(F&& draw);
    void drawMarker(platform::Canvas& c, const Marker& m) const;
    void drawBand(platform::Canvas& c, const Line& band) const;
    void drawTrack(platform::Canvas& c, const Line& track) const;
    void drawRectangle(platform::Canvas& c, platform::Point a, platform::Point b) const;
    void drawFrame(platform::Canvas& c, const LabelFrame& f) const;
    void drawGhosts(platform::Canvas& c, const model::Vec3& offset);
    void drawHighlight(platform::Canvas& c, const model::PipeObject& o);
    void eraseMarker();
    void eraseTransient();
    void dropFeedback();

    // Snapping and the status line.
    void snapAt(DevicePoint p);
    void clearSnap();
    void showCoordinates(DevicePoint p);
    void setStatus(const std::string& utf8);
    void refreshStatus();
    void updateCursor();

    // Tools.
    // What every reset clears: the snap set the tool forced, the tool and its modifiers, the
    // drags in progress, the held label, the move's phase.
    void clearToolState();
    void resetTools(bool switchingOn);
    void selectTool(const ToolCommand& t);
    void storeSnapFlags();
    void forceSnap(bool end, bool mid, bool any);
    bool reportShown() const { return s_.view.reportDisplay[0] != 0; }

    // Clicks.
    void hover(DevicePoint p);
    void drag(DevicePoint p);
    void click(DevicePoint p);
    void pipeClick(platform::Point logical);
    void firstClick(platform::Point logical);
    void secondClick(platform::Point logical);
    void rubberBand(platform::Point logical);
    void buildPlaneSlanted();
    enum class Changes;
    void afterNewSegment(Changes changes);
    bool componentClick();
    void elbowOrAngleValve();
    void place(int symbol, double outlet);
    void weldClick();
    void teeClick();
    void textClick(platform::Point logical);
    void cutLineClick();
    void selectionClick(platform::Point logical);
    void deleteClick();
    bool propertiesClick(const model::PipeObject* object);
    void grab(platform::Point logical);
    void finishMove(DevicePoint p);
    void findLabel(platform::Point logical);
    void finishLabel();
    void startDrawingMove(platform::Point logical);
    void finishDrawingMove();
    void finishRectangle();

    // Commands.
    void deleteSelection();
    void undo();
    void restore();
    void clearAll();
    void zoomStep(bool in);

    // Document changes.
    // Moves a listed object into the discard box.
    void discard(const model::PipeObject* o);
    bool confirmLastObject();
    void forgetObjects();
    // Drops what refers to objects another view of the document took away.
    void dropStaleObjects();
    // The pipe start and the held label, when their objects are gone.
    void dropStaleHolds();
    // How an edit ends: the document is marked modified (with the view stored in the drawing
    // for edits of the object list that reset the view's hold on it), then the program is told.
    enum class Commit { Objects, ObjectsAndView };
    // Whether the edit changed objects only through the list's own ways to them (stamped, see
    // model::ObjectList), or may have changed any.
    enum class Changes { Unknown, Tracked };
    void commit(Commit what = Commit::Objects, Changes changes = Changes::Unknown);
    void changed();
    platform::Answer ask(const char* text, const char* caption, platform::Buttons buttons,
                         platform::MessageIcon icon,
                         platform::Answer defaultAnswer = platform::Answer::Ok);
    model::Vec3 snapModel() const;
    int lineClass() const { return tool_.kind == ToolKind::BranchPipe ? 1 : 0; }
    double zoom() const;

    Services s_;
    Tool tool_;
    bool closed_ = false;
    bool planeSlant_ = false;
    SavedSnap saved_;

    // Pipe drawing.
    int phase_ = 0;
    model::Vec3 start_;  // view units
    const model::PipeObject* startHit_ = nullptr;
    SnapKind startKind_ = SnapKind::None;
    Line band_, track_;

    SnapState snap_;
    SnapIndex snapIndex_;
    Marker marker_;

    // Selection rectangle.
    bool rectActive_ = false;
    bool rectShown_ = false;
    platform::Point rectCorner_, rectEnd_;

    // Move and copy.
    int movePhase_ = 0;
    model::Vec3 grab_;   // model units, z the grab elevation
    model::Vec3 ghost_;  // model units, the last ghost position
    bool ghostShown_ = false;

    // Moving a label or the whole drawing.
    LabelFrame frame_{};
    LabelFrame frameAtClick_{};
    bool frameShown_ = false;
    bool frameDragging_ = false;
    const model::PipeObject* frameObject_ = nullptr;
    platform::Point frameClick_;
    SheetBox drawingBox_;
    bool drawingFrame_ = false;

    // The tools with an object of their own (the others still live in this controller).
    PanTool pan_{s_.port};
    // The object of the chosen tool, or null.
    MouseTool* mouseTool();

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
