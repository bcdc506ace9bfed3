#include "tubra/edit/ViewController.h"

#include <algorithm>
#include <cmath>

#include "text/Gbk.h"
#include "tubra/edit/PropertyDialogs.h"
#include "tubra/edit/ToolForms.h"
#include "tubra/model/LineReader.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/PaintContext.h"

namespace tubra::edit {

using model::ObjectKind;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;
using platform::Answer;
using platform::Buttons;
using platform::MessageIcon;
using platform::Point;

namespace {

constexpr int kPipe = model::kindValue(ObjectKind::Pipe);
constexpr platform::Colour kRectangleColour = platform::rgbColour(150, 150, 150);
// The right button zooms one step each time the mouse moves this far up or down.
constexpr double kZoomDragPixels = 5.0;

Point truncated(const Vec3& v) { return {truncToInt(v.x), truncToInt(v.y)}; }

bool isPipe(const PipeObject& o) { return o.is(ObjectKind::Pipe); }

}  // namespace

ViewController::ViewController(Services services) : s_(std::move(services)) {
    s_.settings.reset();
    s_.view.autoElevation = false;
}

// --- conversions ---

double ViewController::zoom() const {
    const double z = s_.view.ZoomPara;
    return z > 0.0 && std::isfinite(z) ? z : 1.0;
}

Point ViewController::toLogical(DevicePoint p) const { return s_.port.transform().toLogical(p); }

Vec3 ViewController::toModel(DevicePoint p) const {
    const Point l = toLogical(p);
    return {l.x / zoom(), l.y / zoom(), 0.0};
}

DevicePoint ViewController::toDevice(double x, double y) const {
    return s_.port.transform().toDevice(x * zoom(), y * zoom());
}

Vec3 ViewController::snapModel() const {
    return {snap_.point.x / zoom(), snap_.point.y / zoom(), snap_.point.z};
}

// --- feedback ---

template <typename F>
void ViewController::feedback(F&& draw) {
    platform::Canvas* canvas = s_.port.beginFeedback();
    if (canvas) draw(*canvas);
    s_.port.endFeedback();
}

void ViewController::drawMarker(platform::Canvas& c, const Marker& m) const {
    DrawSnapMarker(c, m.kind, m.at, m.hx, m.hy);
}

void ViewController::drawBand(platform::Canvas& c, const Line& band) const {
    platform::CanvasStateGuard guard(c);
    const auto& s = s_.doc.settings();
    c.setRasterOp(platform::RasterOp::Not);
    c.setPen({platform::PenStyle::Solid, truncToInt(lineClass() == 0 ? s.ZhuXianKuan : s.ZhiXianKuan), 0});
    c.moveTo(band.a);
    c.lineTo(band.b);
}

void ViewController::drawTrack(platform::Canvas& c, const Line& track) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, s_.doc.settings().TractColor});
    c.moveTo(track.a);
    c.lineTo(track.b);
}

void ViewController::drawRectangle(platform::Canvas& c, Point a, Point b) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, kRectangleColour});
    const Point sides[5] = {a, {b.x, a.y}, b, {a.x, b.y}, a};
    c.polyline(sides);
}

void ViewController::drawFrame(platform::Canvas& c, const LabelFrame& f) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, s_.doc.settings().TractColor});
    c.polyline(f.points);
}

void ViewController::drawGhosts(platform::Canvas& c, const Vec3& offset) {
    const view::PaintContext ctx{c, s_.doc.settings(), s_.view};
    for (const PipeObject* o : s_.doc.selection.items()) {
        PipeObject ghost = *o;
        TranslateObject(ghost, offset, false);
        view::DrawObjectBody(ghost, ctx, true);
    }
}

void ViewController::drawHighlight(platform::Canvas& c, const PipeObject& o) {
    view::DrawObjectBody(o, view::PaintContext{c, s_.doc.settings(), s_.view}, true);
}

void ViewController::eraseMarker() {
    if (!marker_.shown) return;
    feedback([&](platform::Canvas& c) { drawMarker(c, marker_); });
    marker_.shown = false;
}

void ViewController::eraseTransient() {
    feedback([&](platform::Canvas& c) {
        if (marker_.shown) drawMarker(c, marker_);
        if (band_.shown) drawBand(c, band_);
        if (track_.shown) drawTrack(c, track_);
        if (rectShown_) drawRectangle(c, rectCorner_, rectEnd_);
        if (frameShown_) drawFrame(c, frame_);
        if (ghostShown_) drawGhosts(c, {ghost_.x - grab_.x, ghost_.y - grab_.y, 0.0});
    });
    dropFeedback();
}

void ViewController::dropFeedback() {
    marker_.shown = false;
    band_.shown = track_.shown = false;
    rectShown_ = false;
    frameShown_ = false;
    ghostShown_ = false;
}

void ViewController::viewRepainted() {
    dropFeedback();
    dropStaleObjects();
}

void ViewController::dropStaleObjects() {
    if (snap_.hit && !s_.doc.drawing.objects.contains(snap_.hit)) snap_ = SnapState();
    dropStaleHolds();
}

void ViewController::dropStaleHolds() {
    const model::ObjectList& list = s_.doc.drawing.objects;
    if (startHit_ && !list.contains(startHit_)) startHit_ = nullptr;
    if (frameObject_ && !list.contains(frameObject_)) {
        frameObject_ = nullptr;
        frameDragging_ = false;
    }
}

// --- snapping and status ---

void ViewController::snapAt(DevicePoint p) {
    const auto transform = s_.port.transform();
    SnapState next = FindSnap(s_.doc.drawing.objects, s_.settings.snap, zoom(), transform, p,
                              toLogical(p), &snapIndex_);
    Marker m;
    if (next.snapped()) {
        const double ppu = transform.pixelsPerUnit > 0 ? transform.pixelsPerUnit : 1.0;
        m = {true, next.kind, truncated(next.point),
             std::max(1, truncToInt(s_.settings.snap.markerX / ppu)),
             std::max(1, truncToInt(s_.settings.snap.markerY / ppu))};
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
    s_.port.setStatusText(status_);
}

void ViewController::showCoordinates(DevicePoint p) {
    const model::Document& d = s_.doc;
    setStatus(text::gbkToUtf8(view::PositionReadout(
        s_.view, toLogical(p), static_cast<int>(d.drawing.objects.size()),
        static_cast<int>(d.discardBox.objects.size()), static_cast<int>(d.selection.size()))));
}

void ViewController::refreshStatus() {
    if (haveMouse_ && phase_ == 0 && tool_.kind != ToolKind::Move && tool_.kind != ToolKind::Copy)
        showCoordinates(mouse_);
}

CursorShape ViewController::cursor() const { return cursor_; }

void ViewController::updateCursor() {
    CursorShape shape = CursorShape::Arrow;
    switch (tool_.kind) {
        case ToolKind::Properties:
        case ToolKind::MoveDimension:
        case ToolKind::Move:
        case ToolKind::Copy:
            shape = leftHeld_ ? CursorShape::PointerHeld : CursorShape::Pointer;
            break;
        case ToolKind::Delete: shape = CursorShape::Delete; break;
        case ToolKind::Pan:
        case ToolKind::MoveDrawing: shape = leftHeld_ ? CursorShape::HandHeld : CursorShape::Hand; break;
        default:
            if (IsDrawingTool(tool_.kind)) shape = CursorShape::Draw;
            break;
    }
    if (shape == cursor_) return;
    cursor_ = shape;
    s_.port.setCursorShape(shape);
}

// --- tools ---

void ViewController::storeSnapFlags() {
    const SnapSettings& s = s_.settings.snap;
    saved_ = {s.endPoints, s.midPoints, s.anyPoint};
}

void ViewController::forceSnap(bool end, bool mid, bool any) {
    SnapSettings& s = s_.settings.snap;
    s.endPoints = end;
    s.midPoints = mid;
    s.anyPoint = any;
}

MouseTool* ViewController::mouseTool() {
    switch (tool_.kind) {
        case ToolKind::Pan: return &pan_;
        default: return nullptr;
    }
}

void ViewController::clearToolState() {
    forceSnap(saved_.end, saved_.mid, saved_.any);
    tool_ = Tool();
    closed_ = planeSlant_ = false;
    rectActive_ = frameDragging_ = drawingFrame_ = false;
    pan_.reset();
    frameObject_ = nullptr;
    movePhase_ = 0;
}

void ViewController::resetTools(bool switchingOn) {
    // Whatever a tool had on the screen goes with it.
    feedback([&](platform::Canvas& c) {
        if (rectShown_) drawRectangle(c, rectCorner_, rectEnd_);
        if (frameShown_) drawFrame(c, frame_);
        if (ghostShown_) drawGhosts(c, {ghost_.x - grab_.x, ghost_.y - grab_.y, 0.0});
    });
    rectShown_ = frameShown_ = ghostShown_ = false;
    clearToolState();
    if (switchingOn && reportShown()) {
        s_.view.reportDisplay[0] = 0;
        s_.port.repaint();
        dropFeedback();
    }
}

void ViewController::selectTool(const ToolCommand& t) {
    if (t.toggles && tool_ == t.tool) {
        tool_ = Tool();
        return;
    }
    resetTools(true);
    switch (t.command) {
        case cmd::GateValve:
            // Only end points are caught while placing gate valves.
            saved_.mid = s_.settings.snap.midPoints;
            saved_.any = s_.settings.snap.anyPoint;
            s_.settings.snap.midPoints = s_.settings.snap.anyPoint = false;
            break;
        case cmd::DeleteSelection:
            tool_ = t.tool;
            deleteSelection();
            storeSnapFlags();
            forceSnap(false, true, true);
            return;
        case cmd::DeleteTool:
            tool_ = t.tool;
            s_.doc.selection.clear();
            clearSnap();
            s_.port.repaint();
            dropFeedback();
            forceSnap(false, true, true);
            return;
        case cmd::MoveObjects:
        case cmd::CopyObjects:
            if (s_.doc.selection.empty()) {
                ask(message::kSelectFirst, "", Buttons::Ok, MessageIcon::Warning);
                return;
            }
            storeSnapFlags();
            forceSnap(true, false, false);
            setStatus(message::kMoveHelp);
            break;
        case cmd::Properties:
            storeSnapFlags();
            forceSnap(true, true, true);
            break;
        default: break;
    }
    tool_ = t.tool;
}

void ViewController::command(int id) {
    if (const ToolCommand* t = FindToolCommand(id)) {
        selectTool(*t);
    } else {
        SnapSettings& snap = s_.settings.snap;
        switch (id) {
            case cmd::ClosedPipe: closed_ = !closed_; break;
            case cmd::PlaneSlant:
                if (phase_ == 1) break;
                if (!IsPipeTool(tool_.kind) && !planeSlant_)
                    ask(message::kChooseLineClass, "应用错误:", Buttons::Ok, MessageIcon::Warning);
                else if (s_.doc.drawing.objects.empty())
                    ask(message::kDrawOrthogonalFirst, "应用错误:", Buttons::Ok, MessageIcon::Warning);
                else
                    planeSlant_ = !planeSlant_;
                break;
            case cmd::SpaceSlant: ask(message::kNotAvailable, "", Buttons::Ok, MessageIcon::None); break;
            case cmd::UndoObject:
            case cmd::Undo: undo(); break;
            case cmd::Restore: restore(); break;
            case cmd::EmptyDiscardBox:
                s_.doc.discardBox.objects.removeAll();
                break;
            case cmd::ClearAll: clearAll(); break;
            case cmd::AutoElevation:
                s_.settings.autoElevation = !s_.settings.autoElevation;
                s_.view.autoElevation = s_.settings.autoElevation;
                changed();
                break;
            case cmd::SnapEnd: snap.endPoints = !snap.endPoints; break;
            case cmd::SnapMid: snap.midPoints = !snap.midPoints; break;
            case cmd::SnapAny: snap.anyPoint = !snap.anyPoint; break;
            case cmd::SnapWeld: snap.weldsOnly = !snap.weldsOnly; break;
            case cmd::AutoWeld: s_.settings.autoWeld = !s_.settings.autoWeld; break;
            default: return;
        }
    }
    refreshStatus();
    updateCursor();
}

bool ViewController::isChecked(int id) const {
    if (const ToolCommand* t = FindToolCommand(id)) return tool_ == t->tool;
    const SnapSettings& snap = s_.settings.snap;
    switch (id) {
        case cmd::ClosedPipe: return closed_;
        case cmd::PlaneSlant: return planeSlant_;
        case cmd::SnapEnd: return snap.endPoints;
        case cmd::SnapMid: return snap.midPoints;
        case cmd::SnapAny: return snap.anyPoint;
        case cmd::SnapWeld: return snap.weldsOnly;
        case cmd::AutoWeld: return s_.settings.autoWeld;
        case cmd::AutoElevation: return s_.settings.autoElevation;
        default: return false;
    }
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
        drag(p);
    } else {
        hover(p);
    }
    handlingMove_ = false;
}

void ViewController::hover(DevicePoint p) {
    haveMouse_ = true;
    mouse_ = p;
    const Point logical = toLogical(p);
    if (phase_ == 1) {
        if (IsPipeTool(tool_.kind)) {
            if (closed_) snapAt(p);
            if (!planeSlant_) rubberBand(logical);
        } else if (tool_.kind == ToolKind::Delete || tool_.kind == ToolKind::Pan ||
                   tool_.kind == ToolKind::Properties) {
            snapAt(p);
        }
        return;
    }
    switch (tool_.kind) {
        case ToolKind::Move:
        case ToolKind::Copy:
            snapAt(p);
            setStatus(message::kMoveHelp);
            break;
        case ToolKind::MoveDimension: findLabel(logical); break;
        default:
            snapAt(p);
            showCoordinates(p);
            break;
    }
}

void ViewController::rubberBand(Point logical) {
    const Vec3 cursor(logical.x, logical.y, 0.0);
    const view::SnapResult r = view::SnapToAxis(s_.view.axes(), start_, cursor);
    const Line band{true, truncated(start_), truncated(r.end)};
    const Line track{true, truncated(start_), logical};
    feedback([&](platform::Canvas& c) {
        if (band_.shown) drawBand(c, band_);
        if (track_.shown) drawTrack(c, track_);
        drawBand(c, band);
        drawTrack(c, track);
    });
    band_ = band;
    track_ = track;
    setStatus(text::gbkToUtf8(view::DragReadout(s_.view, start_, cursor)));
}

void ViewController::drag(DevicePoint p) {
    if (MouseTool* t = mouseTool()) {
        t->drag(p);
        return;
    }
    const Point logical = toLogical(p);
    switch (tool_.kind) {
        case ToolKind::Move:
        case ToolKind::Copy:
            if (movePhase_ == 1) {
                const Vec3 at = toModel(p);
                feedback([&](platform::Canvas& c) {
                    if (ghostShown_) drawGhosts(c, {ghost_.x - grab_.x, ghost_.y - grab_.y, 0.0});
                    drawGhosts(c, {at.x - grab_.x, at.y - grab_.y, 0.0});
                });
                ghost_ = Vec3(at.x, at.y, grab_.z);
                ghostShown_ = true;
            }
            break;
        case ToolKind::MoveDimension:
        case ToolKind::MoveDrawing:
            if (frameDragging_) {
                LabelFrame moved = frameAtClick_;
                for (Point& q : moved.points) {
                    q.x += logical.x - frameClick_.x;
                    q.y += logical.y - frameClick_.y;
                }
                feedback([&](platform::Canvas& c) {
                    if (frameShown_) drawFrame(c, frame_);
                    drawFrame(c, moved);
                });
                frame_ = moved;
                frameShown_ = true;
            }
            break;
        case ToolKind::Select:
            if (rectActive_) {
                feedback([&](platform::Canvas& c) {
                    if (rectShown_) drawRectangle(c, rectCorner_, rectEnd_);
                    drawRectangle(c, rectCorner_, logical);
                });
                rectEnd_ = logical;
                rectShown_ = true;
            }
            break;
        default: break;
    }
}

void ViewController::leftDown(DevicePoint p) {
    if (reportShown()) return;
    leftHeld_ = true;
    dropStaleObjects();
    // The click acts on what the mouse is over now.
    if (!haveMouse_ || !(mouse_ == p)) hover(p);
    click(p);
    updateCursor();
}

void ViewController::click(DevicePoint p) {
    if (MouseTool* t = mouseTool()) {
        t->press(p);
        return;
    }
    const Point logical = toLogical(p);
    const bool empty = s_.doc.drawing.objects.empty();
    switch (tool_.kind) {
        case ToolKind::MainPipe:
        case ToolKind::BranchPipe: pipeClick(logical); break;
        case ToolKind::CutLine:
            if (snap_.snapped())
                cutLineClick();
            else
                selectionClick(logical);
            break;
        case ToolKind::Weld:
        case ToolKind::Tee:
        case ToolKind::Elbow:
        case ToolKind::AngleValve:
        case ToolKind::Component:
            if (empty || !componentClick()) selectionClick(logical);
            break;
        case ToolKind::TextBlock: textClick(logical); break;
        case ToolKind::Delete:
            if (!empty && snap_.snapped())
                deleteClick();
            else
                selectionClick(logical);
            break;
        case ToolKind::Properties:
            if (!propertiesClick(snap_.hit)) selectionClick(logical);
            break;
        case ToolKind::Move:
        case ToolKind::Copy: grab(logical); break;
        case ToolKind::MoveDimension:
            if (frameShown_ && frameObject_) {
                frameDragging_ = true;
                frameClick_ = logical;
                frameAtClick_ = frame_;
            }
            break;
        case ToolKind::MoveDrawing: startDrawingMove(logical); break;
        default: selectionClick(logical); break;
    }
}

void ViewController::leftUp(DevicePoint p) {
    leftHeld_ = false;
    if (reportShown()) return;
    dropStaleObjects();
    if (MouseTool* t = mouseTool()) {
        t->release(p);
        updateCursor();
        return;
    }
    switch (tool_.kind) {
        case ToolKind::Move:
        case ToolKind::Copy:
            if (movePhase_ == 1) finishMove(p);
            break;
        case ToolKind::MoveDimension:
            if (frameDragging_) finishLabel();
            break;
        case ToolKind::MoveDrawing:
            if (frameDragging_) finishDrawingMove();
            break;
        case ToolKind::Select:
            if (rectActive_) finishRectangle();
            break;
        default: rectActive_ = false; break;
    }
    updateCursor();
}

void ViewController::rightDown(DevicePoint p) {
    if (reportShown()) return;
    dropStaleObjects();
    if (!haveMouse_ || !(mouse_ == p)) hover(p);
    // The object under the mouse shows its properties; other tools never take this click.
    if (snap_.snapped() && tool_.kind != ToolKind::MoveDimension && phase_ == 0) {
        const PipeObject* hit = snap_.hit;
        eraseMarker();
        propertiesClick(hit);
    }
    cancel();
    rightHeld_ = true;
    rightY_ = p.y;
}

void ViewController::rightUp(DevicePoint) { rightHeld_ = false; }

void ViewController::cancel() {
    eraseTransient();
    s_.doc.selection.clear();
    resetTools(false);
    snap_ = SnapState();
    phase_ = 0;
    start_ = Vec3();
    startHit_ = nullptr;
    forceSnap(true, true, true);
    s_.port.repaint();
    dropFeedback();
    refreshStatus();
    updateCursor();
}

void ViewController::rest() {
    dropFeedback();
    clearToolState();
    phase_ = 0;
    startHit_ = nullptr;
    snap_ = SnapState();
}

// --- pipes ---

void ViewController::pipeClick(Point logical) {
    if (phase_ == 0)
        firstClick(logical);
    else
        secondClick(logical);
}

void ViewController::firstClick(Point logical) {
    const model::ObjectList& list = s_.doc.drawing.objects;
    if (list.empty()) {
        start_ = Vec3(logical.x, logical.y, s_.view.firstPointElevation);
        startHit_ = nullptr;
        startKind_ = SnapKind::None;
    } else if (snap_.snapped()) {
        if (planeSlant_) {
            start_ = snap_.point;
            startHit_ = snap_.hit;
            startKind_ = snap_.kind;
            buildPlaneSlanted();
            return;
        }
        const Vec3 m = snapModel();
        const Vec3& origin = list.at(0).Port1;
        if (snap_.kind == SnapKind::End && truncToInt(m.x) == truncToInt(origin.x) &&
            truncToInt(m.y) == truncToInt(origin.y)) {
            clearSnap();
            ask(message::kNotAtStart, "信息:", Buttons::Ok, MessageIcon::Information);
            return;
        }
        start_ = snap_.point;
        startHit_ = snap_.hit;
        startKind_ = snap_.kind;
    } else {
        start_ = Vec3(logical.x, logical.y, list.last().Port2.z);
        startHit_ = nullptr;
        startKind_ = SnapKind::None;
    }
    clearSnap();
    phase_ = 1;
}

void ViewController::secondClick(Point logical) {
    model::Drawing& drawing = s_.doc.drawing;
    model::ObjectList& list = drawing.objects;
    const double z = zoom();
    const view::SnapResult r = view::SnapToAxis(s_.view.axes(), start_, Vec3(logical.x, logical.y, 0.0));
    const Vec3 startM(start_.x / z, start_.y / z, start_.z);
    const PipeObject* hitA = startHit_ && list.contains(startHit_) ? startHit_ : nullptr;

    if (closed_) {
        if (!snap_.snapped()) {
            feedback([&](platform::Canvas& c) {
                if (band_.shown) drawBand(c, band_);
                if (track_.shown) drawTrack(c, track_);
            });
            band_.shown = track_.shown = false;
            phase_ = 0;
            clearSnap();
            ask(message::kClosedNeedsSnap, "应用错误:", Buttons::OkCancel, MessageIcon::Warning);
            return;
        }
        const Vec3 endM = snapModel();
        // A segment ending where it starts is no segment: the click is ignored.
        if (std::hypot(endM.x - startM.x, endM.y - startM.y) < kMinSegmentLength) return;
    } else if (r.length / z < kMinSegmentLength) {
        return;
    }
    feedback([&](platform::Canvas& c) {
        if (band_.shown) drawBand(c, band_);
        if (track_.shown) drawTrack(c, track_);
    });
    band_.shown = track_.shown = false;
    phase_ = 0;
    const Vec3 endM(r.end.x / z, r.end.y / z, 0.0);
    const double lengthM = r.length / z;
    const bool autoWeld = s_.settings.autoWeld;
    bool built = true;
    bool tracked = true;

    if (closed_) {
        const Vec3 to = snapModel();
        PipeObject seg(model::CreationValues{kPipe, lineClass(), 7.0, startM, to, lengthM, -1.0});
        list.addCopy(seg);
        if (autoWeld) {
            AddWeld(drawing, startM, 7.0);
            AddWeld(drawing, to, 7.0);
        }
    } else if (hitA && isPipe(*hitA) && truncToInt(startM.x) == truncToInt(hitA->Port2.x) &&
               truncToInt(startM.y) == truncToInt(hitA->Port2.y)) {
        // Continuing from the end of a segment, with an elbow where it turns.
        const PipeObject a = *hitA;
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        std::optional<PipeObject> elbow;
        if (model::directionCode(a.EndDir) != r.direction) {
            elbow = MakeElbow(a, b, s_.doc.settings().m_wantouR, lengths.elbow);
            list.addCopy(*elbow);
            const Vec3 shift(elbow->Port2.x - b.Port1.x, elbow->Port2.y - b.Port1.y, 0.0);
            b.Port1 = elbow->Port2;
            b.Port2.x += shift.x;
            b.Port2.y += shift.y;
        }
        b.Distanc = SheetLength(b);
        CopyPipeData(b, a);
        b.applyEndElevationRule(1.0);
        if (autoWeld) {
            AddWeld(drawing, startM, a.EndDir);
            if (elbow) AddWeld(drawing, elbow->Port2, b.EndDir);
        }
        list.addCopy(b);
    } else if (hitA && isPipe(*hitA) && !planeSlant_ && truncToInt(start_.x) != 0) {
        // Branching off a segment with a tee.
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        b.applyEndElevationRule(1.0);
        PipeObject* a = &list.at(static_cast<std::size_t>(list.indexOf(hitA)));
        PipeObject& tee = list.addCopy(MakeTee(*a, startM, b, s_.doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                Answer::Yes) == Answer::Yes;
        JoinWithTee(drawing, *a, b, &tee, useTee, autoWeld);
        // The segment and the tee were changed through pointers kept across the question.
        tracked = false;
        s_.doc.selection.keepOnly(list);
    } else if (!planeSlant_) {
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        ApplyNewSegmentDefaults(b);
        b.applyEndElevationRule(1.0);
        list.addCopy(b);
    } else {
        built = false;
    }
    clearSnap();
    startHit_ = nullptr;
    if (!built) return;
    afterNewSegment(tracked ? Changes::Tracked : Changes::Unknown);
}

void ViewController::afterNewSegment(Changes changes) {
    model::Drawing& drawing = s_.doc.drawing;
    commit(Commit::ObjectsAndView, changes);
    const PipeObject* newest = drawing.objects.lastOfKind(ObjectKind::Pipe);
    if (!newest) return;
    // Continuous drawing never takes the drawing past the objects a file may hold.
    const int room = static_cast<int>(model::kMaxObjects) - static_cast<int>(drawing.objects.size());
    SegmentForm form(*newest, {s_.view.axes(), zoom()});
    form.setMaxCount(1 + std::max(0, room));
    if (!s_.forms.run(form)) return;
    drawing.objects.replaceObject(newest, form.result());
    s_.doc.setModifiedFlag();
    if (form.count() > 1) {
        ContinuousForm more;
        more.setRoom(form.count() - 1, room);
        if (s_.forms.run(more)) ContinueSegments(drawing, *newest, form.count(), more.choice());
    }
    changed();
}

void ViewController::buildPlaneSlanted() {
    model::Drawing& drawing = s_.doc.drawing;
    model::ObjectList& list = drawing.objects;
    const double z = zoom();
    PipeObject* a = &list.at(static_cast<std::size_t>(list.indexOf(startHit_)));
    const SnapKind kind = startKind_;
    const Vec3 startM(start_.x / z, start_.y / z, start_.z);
    clearSnap();
    startHit_ = nullptr;
    phase_ = 0;
    if (!isPipe(*a)) {
        ask(message::kMustBePipe, "连接错误：", Buttons::Ok, MessageIcon::Question);
        return;
    }
    PipeObject seg(model::CreationValues{kPipe, lineClass(), 6.0, startM, Vec3(-999, -999, 0), 0.0, 0.0});
    PlaneForm plane(seg, s_.view.axes());
    if (!s_.forms.run(plane)) return;
    s_.doc.setModifiedFlag();
    PipeObject s = plane.segment();
    const bool autoWeld = s_.settings.autoWeld;
    if (kind == SnapKind::End) {
        if (ask(message::kUseElbow, "请问:", Buttons::YesNo, MessageIcon::Question, Answer::Yes) ==
            Answer::Yes) {
            const PipeObject elbow = MakeElbow(*a, s, s_.doc.settings().m_wantouR, lengths.elbow);
            list.addCopy(elbow);
            const Vec3 shift(elbow.Port2.x - s.Port1.x, elbow.Port2.y - s.Port1.y,
                             elbow.Port2.z - s.Port1.z);
            s.Port1 = elbow.Port2;
            s.Port2 = Vec3(s.Port2.x + shift.x, s.Port2.y + shift.y, s.Port2.z + shift.z);
            if (autoWeld) {
                AddWeld(drawing, elbow.Port1, a->EndDir);
                AddWeld(drawing, elbow.Port2, s.EndDir);
            }
        } else if (autoWeld) {
            AddWeld(drawing, s.Port1, s.EndDir);
        }
        list.addCopy(s);
    } else {
        PipeObject& tee = list.addCopy(MakeTee(*a, s.Port1, s, s_.doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                Answer::Yes) == Answer::Yes;
        JoinWithTee(drawing, *a, s, &tee, useTee, autoWeld);
        s_.doc.selection.keepOnly(list);
        view::StoreViewInDrawing(s_.view, drawing);
    }
    changed();
}

// --- fittings ---

bool ViewController::componentClick() {
    if (!snap_.snapped()) {
        // Valves and the instruments say where they belong even when nothing is under the mouse.
        if (tool_.kind == ToolKind::Component &&
            PlacementRuleOf(tool_.symbol) == PlacementRule::OrthogonalPipe) {
            ask(message::kOrthogonalOnly, "应用错误:", Buttons::Ok, MessageIcon::Warning);
            return true;
        }
        return false;
    }
    const PipeObject& hit = *snap_.hit;
    switch (tool_.kind) {
        case ToolKind::Elbow:
        case ToolKind::AngleValve: elbowOrAngleValve(); return true;
        case ToolKind::Tee: teeClick(); return true;
        case ToolKind::Weld: weldClick(); return true;
        case ToolKind::Component: break;
        default: return false;
    }
    switch (PlacementRuleOf(tool_.symbol).value_or(PlacementRule::AnyObject)) {
        case PlacementRule::OrthogonalPipe: {
            const int dir = model::directionCode(hit.EndDir);
            if (!isPipe(hit) || dir < 0 || dir > 5) {
                clearSnap();
                ask(message::kOrthogonalOnly, "应用错误:", Buttons::Ok, MessageIcon::Warning);
                return true;
            }
            place(tool_.symbol, -1.0);
            return true;
        }
        case PlacementRule::AnyObject: place(tool_.symbol, -1.0); return true;
        case PlacementRule::Pipe:
            if (!isPipe(hit)) return false;
            place(tool_.symbol, -1.0);
            return true;
    }
    return false;
}

void ViewController::place(int symbol, double outlet) {
    model::Drawing& drawing = s_.doc.drawing;
    const PipeObject c = MakeComponent(*snap_.hit, snapModel(), symbol, lengths.component, outlet,
                                       s_.doc.settings(), s_.view.axes(), zoom());
    clearSnap();
    PipeObject& listed =
        drawing.addObject({c.MainType, c.SubType, c.EndDir, c.Port1, c.Port2, c.Distanc, c.StrtDir});
    commit();
    if (symbol == static_cast<int>(model::SymbolCode::Column)) {
        SupportForm form(listed);
        if (s_.forms.run(form) && drawing.objects.contains(&listed)) {
            drawing.objects.replaceObject(&listed, form.result());
            changed();
        }
    }
}

void ViewController::elbowOrAngleValve() {
    const PipeObject hit = *snap_.hit;
    const Vec3 p = snapModel();
    if (!IsForward(hit, p)) {
        clearSnap();
        ask(message::kNotAtStart, "信息:", Buttons::Ok, MessageIcon::Information);
        return;
    }
    DirectionForm form(model::directionCode(hit.EndDir));
    if (!s_.forms.run(form)) {
        clearSnap();
        return;
    }
    const int dir = form.direction();
    if (tool_.kind == ToolKind::AngleValve) {
        // The snap may have gone stale while the dialog was open.
        if (!s_.doc.drawing.objects.contains(snap_.hit)) return clearSnap();
        place(static_cast<int>(model::SymbolCode::AngleValve), dir);
        return;
    }
    Vec3 end = view::StepAlong(s_.view.axes(), p, dir, 100.0);
    end.z = p.z;
    const PipeObject leg(model::CreationValues{kPipe, 0, static_cast<double>(dir), p, end, 100.0, -1.0});
    s_.doc.drawing.objects.addCopy(MakeElbow(hit, leg, s_.doc.settings().m_wantouR, lengths.elbow));
    clearSnap();
    commit();
}

void ViewController::weldClick() {
    model::Drawing& drawing = s_.doc.drawing;
    const double dir = snap_.hit->EndDir;
    const Vec3 p = snapModel();
    clearSnap();
    PipeObject& weld = AddWeld(drawing, p, dir);
    commit();
    WeldForm form(weld);
    if (s_.forms.run(form) && drawing.objects.contains(&weld)) {
        drawing.objects.replaceObject(&weld, form.result());
        changed();
    }
}

void ViewController::teeClick() {
    TeeConnectionForm form(*snap_.hit, snapModel(), s_.view.axes(), s_.doc.settings().m_santongChang,
                           lengths.tee);
    clearSnap();
    if (!s_.forms.run(form) || !form.tee()) return;
    s_.doc.drawing.objects.addCopy(*form.tee());
    commit();
}

void ViewController::textClick(Point logical) {
    const Vec3 at(logical.x / zoom(), logical.y / zoom(), 0.0);
    clearSnap();
    TextForm form(TextForm::NewBlock(at), {s_.view.axes(), zoom()});
    if (!s_.forms.run(form) || form.result().DistTxt.empty()) return;
    PipeObject block = form.result();
    block.Port2 = TextBlockEnd(block, zoom());
    s_.doc.drawing.objects.addCopy(block);
    commit();
}

void ViewController::cutLineClick() {
    const PipeObject cut = MakeCutLine(*snap_.hit, snapModel(), s_.doc.settings(), s_.view.axes());
    clearSnap();
    s_.doc.drawing.objects.addCopy(cut);
    commit();
}

// --- selection, delete, properties ---

void ViewController::selectionClick(Point logical) {
    if (snap_.snapped()) {
        const PipeObject* o = snap_.hit;
        model::SelectionSet& selection = s_.doc.selection;
        if (selection.contains(o))
            selection.remove(o);
        else
            selection.add(o);
        eraseMarker();
        feedback([&](platform::Canvas& c) { drawHighlight(c, *o); });
        snap_ = SnapState();
        refreshStatus();
        return;
    }
    rectActive_ = tool_.kind == ToolKind::Select;
    rectCorner_ = rectEnd_ = logical;
}

void ViewController::finishRectangle() {
    if (rectShown_) feedback([&](platform::Canvas& c) { drawRectangle(c, rectCorner_, rectEnd_); });
    rectShown_ = false;
    rectActive_ = false;
    const platform::Rect r = platform::normalisedLogical({rectCorner_.x, rectCorner_.y, rectEnd_.x, rectEnd_.y});
    const double z = zoom();
    const auto inside = [&](const Vec3& p) {
        const double x = p.x * z, y = p.y * z;
        return x >= r.left && x <= r.right && y >= r.bottom && y <= r.top;
    };
    const bool weldsOnly = s_.settings.snap.weldsOnly;
    std::vector<const PipeObject*> added;
    for (const PipeObject& o : s_.doc.drawing.objects) {
        const bool weld = o.is(ObjectKind::Weld);
        if (weldsOnly && !weld) continue;
        if (s_.doc.selection.contains(&o)) continue;
        if (inside(o.Port1) || (!weld && inside(o.Port2))) {
            s_.doc.selection.add(&o);
            added.push_back(&o);
        }
    }
    if (!added.empty())
        feedback([&](platform::Canvas& c) {
            for (const PipeObject* o : added) drawHighlight(c, *o);
        });
    refreshStatus();
}

bool ViewController::confirmLastObject() {
    return ask(message::kLastObject, "严重警告", Buttons::OkCancel, MessageIcon::Warning, Answer::Ok) ==
           Answer::Ok;
}

void ViewController::forgetObjects() {
    s_.doc.selection.keepOnly(s_.doc.drawing.objects);
    eraseMarker();
    snap_ = SnapState();
    dropStaleHolds();
}

void ViewController::discard(const PipeObject* o) {
    PipeObject& kept = s_.doc.discardBox.objects.addCopy(*o);
    // A weld keeps its number in the box: it names the weld in the inspection records.
    if (o->is(ObjectKind::Weld)) kept.Number = o->Number;
    s_.doc.drawing.objects.take(o);
}

void ViewController::deleteClick() {
    model::ObjectList& list = s_.doc.drawing.objects;
    const PipeObject* hit = snap_.hit;
    clearSnap();
    if (list.size() == 1) {
        if (!confirmLastObject()) return;
        list.removeAll();
        s_.doc.discardBox.objects.removeAll();
        tool_ = Tool();
    } else {
        discard(hit);
    }
    forgetObjects();
    commit(Commit::ObjectsAndView);
}

void ViewController::deleteSelection() {
    model::Document& doc = s_.doc;
    if (!doc.selection.empty()) {
        const std::vector<const PipeObject*> items = doc.selection.items();
        for (const PipeObject* o : items) {
            if (!doc.drawing.objects.contains(o)) continue;
            discard(o);
        }
        doc.selection.clear();
        forgetObjects();
        commit(Commit::ObjectsAndView);
    }
}

bool ViewController::propertiesClick(const PipeObject* object) {
    if (!object || !s_.doc.drawing.objects.contains(object)) return false;
    clearSnap();
    auto form = MakePropertyForm(*object, {s_.view.axes(), zoom()});
    if (form && s_.forms.run(*form) && ApplyPropertyForm(s_.doc, object, *form)) changed();
    return true;
}

void ViewController::undo() {
    resetTools(false);
    model::Document& doc = s_.doc;
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

void ViewController::restore() {
    resetTools(false);
    model::Document& doc = s_.doc;
    model::ObjectList& box = doc.discardBox.objects;
    if (box.empty()) return;
    const PipeObject* last = &box.last();
    RestoreObject(doc.drawing.objects, *last);
    box.take(last);
    commit(Commit::ObjectsAndView);
}

void ViewController::clearAll() {
    if (!s_.doc.clearAll(s_.prompter)) return;
    forgetObjects();
    view::StoreViewInDrawing(s_.view, s_.doc.drawing);
    changed();
}

// --- move, copy, labels, whole drawing ---

void ViewController::grab(Point logical) {
    if (s_.doc.selection.empty()) {
        clearSnap();
        ask(message::kSelectToMove, "", Buttons::Ok, MessageIcon::Warning);
        return;
    }
    grab_ = snap_.snapped() ? snapModel() : Vec3(logical.x / zoom(), logical.y / zoom(), 0.0);
    ghost_ = grab_;
    ghostShown_ = false;
    movePhase_ = 1;
    eraseMarker();
}

void ViewController::finishMove(DevicePoint p) {
    if (ghostShown_) feedback([&](platform::Canvas& c) { drawGhosts(c, {ghost_.x - grab_.x, ghost_.y - grab_.y, 0.0}); });
    ghostShown_ = false;
    movePhase_ = 0;
    snapAt(p);
    const Vec3 target = snap_.snapped() ? snapModel() : Vec3(ghost_.x, ghost_.y, grab_.z);
    const Vec3 d(target.x - grab_.x, target.y - grab_.y, target.z - grab_.z);
    model::Document& doc = s_.doc;
    model::ObjectList& list = doc.drawing.objects;
    const bool copying = tool_.kind == ToolKind::Copy;
    const std::vector<const PipeObject*> items = doc.selection.items();
    std::vector<const PipeObject*> now;
    for (const PipeObject* o : items) {
        const long i = list.indexOf(o);
        if (i < 0) continue;
        PipeObject* target = copying ? &list.addCopy(*o) : &list.at(static_cast<std::size_t>(i));
        TranslateObject(*target, d);
        now.push_back(target);
    }
    doc.selection.clear();
    for (const PipeObject* o : now) doc.selection.add(o);
    if (!items.empty()) forceSnap(true, false, false);
    clearSnap();
    commit(Commit::ObjectsAndView);
    setStatus(message::kMoveDone);
}

void ViewController::findLabel(Point logical) {
    const model::DrawingSettings& settings = s_.doc.settings();
    const auto& shifts = s_.view.lengthShifts;
    auto shift = shifts.begin();
    std::size_t index = 0;
    for (const PipeObject& o : s_.doc.drawing.objects) {
        auto f = FindLabelFrame(o, settings, zoom());
        // A pipe length the paint moved clear of a symbol is found where it is seen.
        while (shift != shifts.end() && shift->index < index) ++shift;
        if (f && shift != shifts.end() && shift->index == index && o.is(ObjectKind::Pipe)) {
            for (Point& q : f->points) {
                q.x = truncToInt(q.x + shift->dx);
                q.y = truncToInt(q.y + shift->dy);
            }
        }
        ++index;
        if (!f) continue;
        const platform::Rect b = f->bounds();
        if (logical.x < b.left || logical.x > b.right || logical.y < b.bottom || logical.y > b.top) continue;
        const bool same = frameShown_ && frameObject_ == &o &&
                          std::equal(std::begin(f->points), std::end(f->points), std::begin(frame_.points));
        if (!same) {
            feedback([&](platform::Canvas& c) {
                if (frameShown_) drawFrame(c, frame_);
                drawFrame(c, *f);
            });
            frame_ = *f;
            frameShown_ = true;
        }
        frameObject_ = &o;
        snap_ = SnapState{&o, Vec3(), SnapKind::None};
        return;
    }
    if (frameShown_) feedback([&](platform::Canvas& c) { drawFrame(c, frame_); });
    frameShown_ = false;
    frameObject_ = nullptr;
    snap_ = SnapState();
}

void ViewController::finishLabel() {
    frameDragging_ = false;
    if (!frameObject_ || !s_.doc.drawing.objects.contains(frameObject_)) return;
    PipeObject o = *frameObject_;
    const double z = zoom();
    o.dimTxt_st = Vec3(frame_.points[0].x / z, frame_.points[0].y / z, o.dimTxt_st.z);
    o.dimYX1_st = Vec3(1, 1, 1);
    if (o.is(ObjectKind::TextBlock)) {
        o.Port1.x = o.dimTxt_st.x;
        o.Port1.y = o.dimTxt_st.y;
    }
    s_.doc.setModifiedFlag();
    s_.doc.drawing.objects.replaceObject(frameObject_, o);
    frameObject_ = nullptr;
    changed();
}

void ViewController::startDrawingMove(Point logical) {
    if (s_.doc.drawing.objects.empty()) return;
    const auto box = SegmentBox(s_.doc.drawing.objects);
    if (!box) return;
    const double z = zoom();
    drawingBox_ = {box->left * z, box->top * z, box->right * z, box->bottom * z};
    const Point lt{truncToInt(drawingBox_.left), truncToInt(drawingBox_.top)};
    const Point rb{truncToInt(drawingBox_.right), truncToInt(drawingBox_.bottom)};
    LabelFrame f;
    f.points[0] = lt;
    f.points[1] = {rb.x, lt.y};
    f.points[2] = rb;
    f.points[3] = {lt.x, rb.y};
    f.points[4] = lt;
    eraseMarker();
    feedback([&](platform::Canvas& c) { drawFrame(c, f); });
    frame_ = frameAtClick_ = f;
    frameShown_ = true;
    frameDragging_ = true;
    frameClick_ = logical;
    s_.doc.setModifiedFlag();
}

void ViewController::finishDrawingMove() {
    frameDragging_ = false;
    const double z = zoom();
    const double dx = frame_.points[0].x - truncToInt(drawingBox_.left);
    const double dy = frame_.points[0].y - truncToInt(drawingBox_.top);
    const int mx = truncToInt(z != 0.0 ? dx / z : dx);
    const int my = truncToInt(z != 0.0 ? dy / z : dy);
    if (mx != 0 || my != 0) MoveWholeDrawing(s_.doc.drawing.objects, mx, my);
    commit();
}

// --- view ---

void ViewController::zoomStep(bool in) {
    const platform::Size c = s_.port.clientSize();
    const platform::Rect client{0, 0, c.cx, c.cy};
    const view::ScrollChange change = in ? view::ZoomIn(s_.view, s_.doc.drawing, client)
                                         : view::ZoomOut(s_.view, s_.doc.drawing, client);
    s_.port.apply(change);
    if (change.invalidate) dropFeedback();
}

void ViewController::commit(Commit what, Changes changes) {
    // An edit may change objects it held on to across a message box or dialog, while the view
    // was painted: unless it says its changes all went through the list, every object counts
    // as changed.
    if (changes == Changes::Unknown) s_.doc.drawing.objects.touchAll();
    s_.doc.setModifiedFlag();
    if (what == Commit::ObjectsAndView) view::StoreViewInDrawing(s_.view, s_.doc.drawing);
    changed();
}

void ViewController::changed() {
    if (s_.changed)
        s_.changed();
    else
        s_.port.repaint();
    dropFeedback();
}

Answer ViewController::ask(const char* text, const char* caption, Buttons buttons, MessageIcon icon,
                           Answer defaultAnswer) {
    return s_.prompter.ask({text, caption, buttons, icon, defaultAnswer});
}

}  // namespace tubra::edit
