#include "tubra/edit/DragTools.h"

#include <algorithm>
#include <vector>

#include "tubra/view/LineWork.h"
#include "tubra/view/PaintContext.h"

namespace tubra::edit {

using model::ObjectKind;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;
using platform::Point;

// --- moving and copying ---

bool MoveTool::hover(DevicePoint p) {
    ctx_.snapAt(p);
    ctx_.setStatus(message::kMoveHelp);
    return true;
}

bool MoveTool::press(DevicePoint p) {
    if (ctx_.document().selection.empty()) {
        ctx_.clearSnap();
        ctx_.ask(message::kSelectToMove, "", platform::Buttons::Ok, platform::MessageIcon::Warning);
        return true;
    }
    const Point logical = ctx_.toLogical(p);
    grab_ = ctx_.currentSnap().snapped() ? ctx_.snapModel()
                                  : Vec3(logical.x / ctx_.zoom(), logical.y / ctx_.zoom(), 0.0);
    ghost_ = grab_;
    ghostShown_ = false;
    holding_ = true;
    ctx_.eraseMarker();
    return true;
}

void MoveTool::drawGhosts(platform::Canvas& c, const Vec3& offset) {
    const view::PaintContext paint{c, ctx_.document().settings(), ctx_.viewState()};
    for (const PipeObject* o : ctx_.document().selection.items()) {
        PipeObject ghost = *o;
        TranslateObject(ghost, offset, false);
        view::DrawObjectBody(ghost, paint, true);
    }
}

void MoveTool::erase(platform::Canvas& c) {
    if (ghostShown_) drawGhosts(c, ghostOffset());
    ghostShown_ = false;
}

void MoveTool::drag(DevicePoint p) {
    if (!holding_) return;
    const Vec3 at = ctx_.toModel(p);
    ctx_.feedback([&](platform::Canvas& c) {
        if (ghostShown_) drawGhosts(c, ghostOffset());
        drawGhosts(c, {at.x - grab_.x, at.y - grab_.y, 0.0});
    });
    ghost_ = Vec3(at.x, at.y, grab_.z);
    ghostShown_ = true;
}

void MoveTool::release(DevicePoint p) {
    if (!holding_) return;
    if (ghostShown_) ctx_.feedback([&](platform::Canvas& c) { erase(c); });
    ghostShown_ = false;
    holding_ = false;
    ctx_.snapAt(p);
    const Vec3 target = ctx_.currentSnap().snapped() ? ctx_.snapModel() : Vec3(ghost_.x, ghost_.y, grab_.z);
    const Vec3 d(target.x - grab_.x, target.y - grab_.y, target.z - grab_.z);
    model::Document& doc = ctx_.document();
    model::ObjectList& list = doc.drawing.objects;
    const bool copying = ctx_.tool().kind == ToolKind::Copy;
    const std::vector<const PipeObject*> items = doc.selection.items();
    std::vector<const PipeObject*> now;
    for (const PipeObject* o : items) {
        const long i = list.indexOf(o);
        if (i < 0) continue;
        PipeObject* moved = copying ? &list.addCopy(*o) : &list.at(static_cast<std::size_t>(i));
        TranslateObject(*moved, d);
        now.push_back(moved);
    }
    doc.selection.clear();
    for (const PipeObject* o : now) doc.selection.add(o);
    if (!items.empty()) ctx_.forceSnap(true, false, false);
    ctx_.clearSnap();
    ctx_.commit(Commit::ObjectsAndView);
    ctx_.setStatus(message::kMoveDone);
}

// --- frames ---

void FrameDragTool::drawFrame(platform::Canvas& c, const LabelFrame& f) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, ctx_.document().settings().TractColor});
    c.polyline(f.points);
}

void FrameDragTool::erase(platform::Canvas& c) {
    if (frameShown_) drawFrame(c, frame_);
    frameShown_ = false;
}

void FrameDragTool::showFrame(const LabelFrame& f) {
    ctx_.feedback([&](platform::Canvas& c) {
        if (frameShown_) drawFrame(c, frame_);
        drawFrame(c, f);
    });
    frame_ = f;
    frameShown_ = true;
}

void FrameDragTool::hideFrame() {
    if (frameShown_) ctx_.feedback([&](platform::Canvas& c) { drawFrame(c, frame_); });
    frameShown_ = false;
}

void FrameDragTool::startDrag(Point logical) {
    dragging_ = true;
    pressedAt_ = logical;
    frameAtPress_ = frame_;
}

void FrameDragTool::drag(DevicePoint p) {
    if (!dragging_) return;
    const Point logical = ctx_.toLogical(p);
    LabelFrame moved = frameAtPress_;
    for (Point& q : moved.points) {
        q.x += logical.x - pressedAt_.x;
        q.y += logical.y - pressedAt_.y;
    }
    showFrame(moved);
}

// --- labels ---

bool LabelMoveTool::hover(DevicePoint p) {
    const Point logical = ctx_.toLogical(p);
    const model::Document& doc = ctx_.document();
    const model::DrawingSettings& settings = doc.settings();
    const double zoom = ctx_.zoom();
    const auto& shifts = ctx_.viewState().lengthShifts;
    auto shift = shifts.begin();
    std::size_t index = 0;
    for (const PipeObject& o : doc.drawing.objects) {
        auto f = FindLabelFrame(o, settings, zoom);
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
        const bool same = frameShown_ && object_ == &o &&
                          std::equal(std::begin(f->points), std::end(f->points), std::begin(frame_.points));
        if (!same) showFrame(*f);
        object_ = &o;
        ctx_.currentSnap() = SnapState{&o, Vec3(), SnapKind::None};
        return true;
    }
    hideFrame();
    object_ = nullptr;
    ctx_.currentSnap() = SnapState();
    return true;
}

bool LabelMoveTool::press(DevicePoint p) {
    if (frameShown_ && object_) startDrag(ctx_.toLogical(p));
    return true;
}

void LabelMoveTool::release(DevicePoint) {
    if (!dragging_) return;
    dragging_ = false;
    model::ObjectList& list = ctx_.document().drawing.objects;
    if (!object_ || !list.contains(object_)) return;
    PipeObject o = *object_;
    const double z = ctx_.zoom();
    o.dimTxt_st = Vec3(frame_.points[0].x / z, frame_.points[0].y / z, o.dimTxt_st.z);
    o.dimYX1_st = Vec3(1, 1, 1);
    if (o.is(ObjectKind::TextBlock)) {
        o.Port1.x = o.dimTxt_st.x;
        o.Port1.y = o.dimTxt_st.y;
    }
    list.replaceObject(object_, o);
    object_ = nullptr;
    ctx_.commit();
}

void LabelMoveTool::reset() {
    FrameDragTool::reset();
    object_ = nullptr;
}

void LabelMoveTool::dropStale(const model::ObjectList& list) {
    if (object_ && !list.contains(object_)) {
        object_ = nullptr;
        dragging_ = false;
    }
}

// --- the whole drawing ---

bool DrawingMoveTool::press(DevicePoint p) {
    model::Document& doc = ctx_.document();
    if (doc.drawing.objects.empty()) return true;
    const auto box = SegmentBox(doc.drawing.objects);
    if (!box) return true;
    const double z = ctx_.zoom();
    box_ = {box->left * z, box->top * z, box->right * z, box->bottom * z};
    const Point lt{truncToInt(box_.left), truncToInt(box_.top)};
    const Point rb{truncToInt(box_.right), truncToInt(box_.bottom)};
    LabelFrame f;
    f.points[0] = lt;
    f.points[1] = {rb.x, lt.y};
    f.points[2] = rb;
    f.points[3] = {lt.x, rb.y};
    f.points[4] = lt;
    ctx_.eraseMarker();
    ctx_.feedback([&](platform::Canvas& c) { drawFrame(c, f); });
    frame_ = f;
    frameShown_ = true;
    startDrag(ctx_.toLogical(p));
    // The press alone marks the drawing modified, as it always has.
    doc.setModifiedFlag();
    return true;
}

void DrawingMoveTool::release(DevicePoint) {
    if (!dragging_) return;
    dragging_ = false;
    const double z = ctx_.zoom();
    const double dx = frame_.points[0].x - truncToInt(box_.left);
    const double dy = frame_.points[0].y - truncToInt(box_.top);
    const int mx = truncToInt(z != 0.0 ? dx / z : dx);
    const int my = truncToInt(z != 0.0 ? dy / z : dy);
    if (mx != 0 || my != 0) MoveWholeDrawing(ctx_.document().drawing.objects, mx, my);
    ctx_.commit();
}

}  // namespace tubra::edit
