#include "tubra/edit/ViewController.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "text/Gbk.h"
#include "tubra/view/LineWork.h"

namespace tubra::edit {

using model::truncToInt;
using platform::Buttons;
using platform::MessageIcon;
using platform::Point;

namespace {

// The right button zooms one step each time the mouse moves this far up or down.
constexpr double kZoomDragPixels = 5.0;

}  // namespace

ViewController::ViewController(Services services)
    : ToolContext(services.doc, services.view, services.settings, services.port, services.prompter,
                  services.forms),
      changed_(std::move(services.changed)) {
    settings().reset();
    viewState().autoElevation = false;
    bindTools();
    // What this view does to the document can be taken back from here on.
    document().keepHistory();
}

DevicePoint ViewController::toDevice(double x, double y) const {
    return port().transform().toDevice(x * zoom(), y * zoom());
}

// --- what the tools use of the view ---

double ToolContext::zoom() const {
    const double z = view_.ZoomPara;
    return z > 0.0 && std::isfinite(z) ? z : 1.0;
}

platform::Point ToolContext::toLogical(DevicePoint p) const { return port_.transform().toLogical(p); }

model::Vec3 ToolContext::toModel(DevicePoint p) const {
    const platform::Point l = toLogical(p);
    return {l.x / zoom(), l.y / zoom(), 0.0};
}

model::Vec3 ToolContext::snapModel() {
    const SnapState& s = currentSnap();
    return {s.point.x / zoom(), s.point.y / zoom(), s.point.z};
}

platform::Answer ToolContext::ask(const char* text, const char* caption, platform::Buttons buttons,
                                  platform::MessageIcon icon, platform::Answer defaultAnswer) {
    return prompter_.ask({text, caption, buttons, icon, defaultAnswer});
}

void ToolContext::discard(const model::PipeObject* o) {
    // The object itself goes into the box, as it was: restoring it must bring back the same
    // object (a weld's number and records, a valve's tag and material), not one that took the
    // texts of the newest object of its kind.
    doc_.discard(o);
}

bool ToolContext::confirmLastObject() {
    return ask(message::kLastObject, "严重警告", platform::Buttons::OkCancel, platform::MessageIcon::Warning,
               platform::Answer::Ok) == platform::Answer::Ok;
}

// --- the tools' objects ---

template <typename F>
void ViewController::eachTool(F&& f) {
    MouseTool* const tools[] = {&pipe_, &place_, &text_,  &cutLine_,     &select_, &delete_,
                                &properties_, &move_, &label_, &drawingMove_, &pan_};
    for (MouseTool* t : tools) f(*t);
}

void ViewController::bindTools() {
    // A kind bound twice or not at all is a mistake in the tools, found by every test that
    // makes a view.
    eachTool([this](MouseTool& t) {
        for (ToolKind kind : t.kinds()) {
            MouseTool*& slot = tools_[static_cast<std::size_t>(kind)];
            if (slot) throw std::logic_error("a tool kind is carried out by two tools");
            slot = &t;
        }
    });
    if (!std::all_of(tools_.begin(), tools_.end(), [](const MouseTool* t) { return t != nullptr; }))
        throw std::logic_error("a tool kind is carried out by no tool");
}

// --- feedback ---

void ViewController::drawMarker(platform::Canvas& c, const Marker& m) const {
    drawSnapMarker(c, m.kind, m.at, m.hx, m.hy);
}

void ViewController::eraseMarker() {
    if (!marker_.shown) return;
    feedback([&](platform::Canvas& c) { drawMarker(c, marker_); });
    marker_.shown = false;
}

void ViewController::eraseTransient() {
    feedback([&](platform::Canvas& c) {
        if (marker_.shown) drawMarker(c, marker_);
        pipe_.eraseBand(c);
        eachTool([&](MouseTool& t) { t.erase(c); });
    });
    dropFeedback();
}

void ViewController::dropFeedback() {
    marker_.shown = false;
    eachTool([](MouseTool& t) { t.forgetFeedback(); });
}

void ViewController::viewRepainted() {
    dropFeedback();
    dropStaleObjects();
}

void ViewController::dropStaleObjects() {
    if (snap_.hit && !document().drawing.objects.contains(snap_.hit)) snap_ = SnapState();
    dropStaleHolds();
}

void ViewController::dropStaleHolds() {
    const model::ObjectList& list = document().drawing.objects;
    eachTool([&](MouseTool& t) { t.dropStale(list); });
}

// --- snapping and status ---

void ViewController::snapAt(DevicePoint p) {
    const auto transform = port().transform();
    const SnapSettings& s = settings().snap;
    SnapState next = findSnap(document().drawing.objects, s, zoom(), transform, p, toLogical(p), &snapIndex_);
    Marker m;
    if (next.snapped()) {
        const double ppu = transform.pixelsPerUnit > 0 ? transform.pixelsPerUnit : 1.0;
        m = {true, next.kind, {truncToInt(next.point.x), truncToInt(next.point.y)},
             std::max(1, truncToInt(s.markerX / ppu)), std::max(1, truncToInt(s.markerY / ppu))};
    }
    if (!(m == marker_)) {
        feedback([&](platform::Canvas& c) {
            if (marker_.shown) drawMarker(c, marker_);
            if (m.shown) drawMarker(c, m);
        });
        marker_ = m;
    }
    snap_ = next;
}

void ViewController::clearSnap() {
    eraseMarker();
    snap_ = SnapState();
}

void ViewController::setStatus(const std::string& utf8) {
    if (utf8 == status_) return;
    status_ = utf8;
    port().setStatusText(status_);
}

void ViewController::showCoordinates(DevicePoint p) {
    const model::Document& d = document();
    setStatus(text::gbkToUtf8(view::positionReadout(
        viewState(), toLogical(p), static_cast<int>(d.drawing.objects.size()),
        static_cast<int>(d.discardBox.objects.size()), static_cast<int>(d.selection.size()))));
}

void ViewController::refreshStatus() {
    if (haveMouse_ && !pipe_.constructing() && active().showsPosition()) showCoordinates(mouse_);
}

CursorShape ViewController::cursor() const { return cursor_; }

void ViewController::updateCursor() {
    const CursorShape shape = active().cursor(leftHeld_);
    if (shape == cursor_) return;
    cursor_ = shape;
    port().setCursorShape(shape);
}

// --- choosing tools ---

void ViewController::storeSnapFlags() {
    const SnapSettings& s = settings().snap;
    saved_ = {s.endPoints, s.midPoints, s.anyPoint};
}

void ViewController::forceSnap(bool end, bool mid, bool any) {
    SnapSettings& s = settings().snap;
    s.endPoints = end;
    s.midPoints = mid;
    s.anyPoint = any;
}

void ViewController::clearToolState() {
    forceSnap(saved_.end, saved_.mid, saved_.any);
    tool_ = Tool();
    eachTool([](MouseTool& t) { t.reset(); });
}

void ViewController::resetTools(bool switchingOn) {
    // Whatever a tool had on the screen goes with it (a segment's band stays with its start).
    feedback([&](platform::Canvas& c) { eachTool([&](MouseTool& t) { t.erase(c); }); });
    clearToolState();
    if (switchingOn && reportShown()) {
        viewState().reportDisplay[0] = 0;
        port().repaint();
        dropFeedback();
    }
}

void ViewController::choose(const ToolCommand& t) {
    // Another kind of tool keeps a segment's start point for a pipe tool chosen again, but its
    // band and its length and angle on the status line go at once.
    const bool toggledOff = t.toggles && tool_ == t.tool;
    if (pipe_.phase() != 0 && (toggledOff || !isPipeTool(t.tool.kind))) {
        feedback([&](platform::Canvas& c) { pipe_.eraseBand(c); });
        setStatus(std::string());
        refreshStatus();
    }
    if (toggledOff) {
        tool_ = Tool();
    } else {
        resetTools(true);
        tool_ = t.tool;
        if (!active().activate(t)) tool_ = Tool();
    }
    settle();
}

void ViewController::toggleClosedPipe() {
    pipe_.toggleClosed();
    settle();
}

void ViewController::togglePlaneSlant() {
    pipe_.togglePlaneSlant();
    settle();
}

void ViewController::spaceSlant() {
    ask(message::kNotAvailable, "", Buttons::Ok, MessageIcon::None);
    settle();
}

void ViewController::undo() {
    undoLast();
    editName_.clear();
    settle();
}

void ViewController::restore() {
    restoreLast();
    editName_.clear();
    settle();
}

void ViewController::undoEdit() {
    stepHistory(false);
    settle();
}

void ViewController::redoEdit() {
    stepHistory(true);
    settle();
}

void ViewController::emptyDiscardBox() {
    document().discardBox.objects.removeAll();
    settle();
}

void ViewController::clearAll() {
    clearEverything();
    editName_.clear();
    settle();
}

void ViewController::toggleSnap(SnapSwitch which) {
    SnapSettings& snap = settings().snap;
    switch (which) {
        case SnapSwitch::EndPoints: snap.endPoints = !snap.endPoints; break;
        case SnapSwitch::MidPoints: snap.midPoints = !snap.midPoints; break;
        case SnapSwitch::AnyPoint: snap.anyPoint = !snap.anyPoint; break;
        case SnapSwitch::WeldsOnly: snap.weldsOnly = !snap.weldsOnly; break;
    }
    settle();
}

void ViewController::toggleAutoWeld() {
    settings().autoWeld = !settings().autoWeld;
    settle();
}

void ViewController::toggleAutoElevation() {
    settings().autoElevation = !settings().autoElevation;
    viewState().autoElevation = settings().autoElevation;
    changed();
    settle();
}

void ViewController::settle() {
    refreshStatus();
    updateCursor();
}

// --- mouse ---

void ViewController::mouseMove(DevicePoint p, bool leftHeld, bool rightHeld) {
    if (handlingMove_ || reportShown()) return;
    // A release that went to a dialog opened by the press never reached the view.
    if (!leftHeld && leftHeld_) {
        leftHeld_ = false;
        updateCursor();
    }
    if (!rightHeld) rightHeld_ = false;
    handlingMove_ = true;
    if (rightHeld && rightHeld_) {
        if (p.y < rightY_ - kZoomDragPixels) {
            zoomStep(false);
            rightY_ = p.y;
        } else if (p.y > rightY_ + kZoomDragPixels) {
            zoomStep(true);
            rightY_ = p.y;
        }
    } else if (leftHeld && leftHeld_) {
        active().drag(p);
    } else {
        hover(p);
    }
    handlingMove_ = false;
}

void ViewController::hover(DevicePoint p) {
    haveMouse_ = true;
    mouse_ = p;
    // While a segment's start point is placed only the pipe tools draw their band, and a few
    // tools still catch points.
    if (pipe_.constructing()) {
        if (isPipeTool(tool_.kind))
            pipe_.hover(p);
        else if (active().snapsWhileConstructing())
            snapAt(p);
        return;
    }
    if (active().hover(p)) return;
    snapAt(p);
    showCoordinates(p);
}

void ViewController::leftDown(DevicePoint p) {
    if (reportShown()) return;
    leftHeld_ = true;
    dropStaleObjects();
    // The click acts on what the mouse is over now.
    if (!haveMouse_ || !(mouse_ == p)) hover(p);
    if (!active().press(p)) select_.pick();
    updateCursor();
}

void ViewController::leftUp(DevicePoint p) {
    leftHeld_ = false;
    if (reportShown()) return;
    dropStaleObjects();
    active().release(p);
    updateCursor();
}

void ViewController::rightDown(DevicePoint p) {
    if (reportShown()) return;
    dropStaleObjects();
    if (!haveMouse_ || !(mouse_ == p)) hover(p);
    // The object under the mouse shows its properties; other tools never take this click.
    if (snap_.snapped() && active().rightClickShowsProperties() && !pipe_.constructing()) {
        const model::PipeObject* hit = snap_.hit;
        eraseMarker();
        properties_.open(hit);
    }
    cancel();
    rightHeld_ = true;
    rightY_ = p.y;
}

void ViewController::rightUp(DevicePoint) { rightHeld_ = false; }

void ViewController::cancel() {
    eraseTransient();
    document().selection.clear();
    resetTools(false);
    snap_ = SnapState();
    pipe_.abandon();
    forceSnap(true, true, true);
    port().repaint();
    dropFeedback();
    refreshStatus();
    updateCursor();
}

void ViewController::rest() {
    dropFeedback();
    clearToolState();
    pipe_.abandon();
    snap_ = SnapState();
}

// --- commands that change the document ---

void ViewController::forgetObjects() {
    document().selection.keepOnly(document().drawing.objects);
    eraseMarker();
    snap_ = SnapState();
    dropStaleHolds();
}

void ViewController::repaint() {
    port().repaint();
    dropFeedback();
}

void ViewController::stepHistory(bool forward) {
    resetTools(false);
    model::Document& doc = document();
    if (!(forward ? doc.redo() : doc.undo())) return;
    followDocument();
    changed();
}

void ViewController::followDocument() {
    model::Document& doc = document();
    // The view keeps its own copies of what the drawing shows in its frame.
    const model::Drawing& d = doc.drawing;
    view::ViewState& v = viewState();
    v.table = d.table;
    v.title = d.title;
    v.axis = d.AxisSet;
    v.X_AxisAngle = d.X_AxisAngle;
    v.Y_AxisAngle = d.Y_AxisAngle;
    v.pageExtent = view::pageExtent(d.PageSize);
    doc.selection.keepOnly(d.objects);
    dropStaleHolds();
    eraseMarker();
    snap_ = SnapState();
}

void ViewController::undoLast() {
    editName_ = "撤消对象";
    resetTools(false);
    model::Document& doc = document();
    model::ObjectList& list = doc.drawing.objects;
    if (list.empty()) return;
    if (list.size() > 1) {
        discard(&list.last());
    } else {
        if (!confirmLastObject()) return;
        list.removeAll();
        doc.discardBox.objects.removeAll();
    }
    forgetObjects();
    commit(Commit::ObjectsAndView);
}

void ViewController::restoreLast() {
    editName_ = "恢复对象";
    resetTools(false);
    model::Document& doc = document();
    model::ObjectList& box = doc.discardBox.objects;
    if (box.empty()) return;
    const model::PipeObject* last = &box.last();
    restoreObject(doc.drawing.objects, *last);
    box.take(last);
    commit(Commit::ObjectsAndView);
}

void ViewController::clearEverything() {
    editName_ = "全部清除";
    if (!document().clearAll(prompter())) return;
    forgetObjects();
    commit(Commit::Cleared);
}

// --- view ---

void ViewController::zoomStep(bool in) {
    const platform::Size c = port().clientSize();
    const platform::Rect client{0, 0, c.cx, c.cy};
    const view::ScrollChange change = in ? view::zoomIn(viewState(), document().drawing, client)
                                         : view::zoomOut(viewState(), document().drawing, client);
    port().apply(change);
    if (change.invalidate) dropFeedback();
}

void ViewController::show(Commit what, Changes changes) {
    model::Document& doc = document();
    if (changes == Changes::Unknown) doc.drawing.objects.touchAll();
    if (what != Commit::Objects) view::storeViewInDrawing(viewState(), doc.drawing);
    changed();
}

void ViewController::commit(Commit what, Changes changes) {
    model::Document& doc = document();
    if (changes == Changes::Unknown) doc.drawing.objects.touchAll();
    if (what != Commit::Objects) view::storeViewInDrawing(viewState(), doc.drawing);
    const std::string name = editName_.empty() ? toolName(tool_) : editName_;
    editName_.clear();
    if (!doc.commit(name, model::Document::Reach::Drawing, prompter())) {
        // Refused: the drawing is back as it was, and what the tools held of it may be gone.
        doc.drawing.objects.touchAll();
        forgetObjects();
    }
    changed();
}

void ViewController::changed() {
    if (changed_)
        changed_();
    else
        port().repaint();
    dropFeedback();
}

}  // namespace tubra::edit
