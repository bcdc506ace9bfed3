#include "tubra/edit/PipeTool.h"

#include <algorithm>
#include <cmath>

#include "text/Gbk.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/edit/ToolForms.h"
#include "tubra/view/LineWork.h"

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

Point truncated(const Vec3& v) { return {truncToInt(v.x), truncToInt(v.y)}; }

bool isPipe(const PipeObject& o) { return o.is(ObjectKind::Pipe); }

}  // namespace

// --- feedback ---

void PipeTool::drawBand(platform::Canvas& c, const Line& band) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::Not);
    c.setPen({platform::PenStyle::Solid, band.width, 0});
    c.moveTo(band.a);
    c.lineTo(band.b);
}

void PipeTool::drawTrack(platform::Canvas& c, const Line& track) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, ctx_.document().settings().TractColor});
    c.moveTo(track.a);
    c.lineTo(track.b);
}

void PipeTool::eraseBand(platform::Canvas& c) {
    if (band_.shown) drawBand(c, band_);
    if (track_.shown) drawTrack(c, track_);
    band_.shown = track_.shown = false;
}

void PipeTool::rubberBand(Point logical) {
    const view::ViewState& view = ctx_.viewState();
    const auto& s = ctx_.document().settings();
    const Vec3 cursor(logical.x, logical.y, 0.0);
    const view::SnapResult r = view::SnapToAxis(view.axes(), start_, cursor);
    const Line band{true, truncated(start_), truncated(r.end),
                    truncToInt(lineClass() == 0 ? s.ZhuXianKuan : s.ZhiXianKuan)};
    const Line track{true, truncated(start_), logical, 1};
    ctx_.feedback([&](platform::Canvas& c) {
        if (band_.shown) drawBand(c, band_);
        if (track_.shown) drawTrack(c, track_);
        drawBand(c, band);
        drawTrack(c, track);
    });
    band_ = band;
    track_ = track;
    ctx_.setStatus(text::gbkToUtf8(view::DragReadout(view, start_, cursor)));
}

// --- the mouse ---

bool PipeTool::hover(DevicePoint p) {
    if (phase_ != 1) return false;
    if (closed_) ctx_.snapAt(p);
    if (!planeSlant_) rubberBand(ctx_.toLogical(p));
    return true;
}

bool PipeTool::press(DevicePoint p) {
    if (phase_ == 0)
        firstClick(ctx_.toLogical(p));
    else
        secondClick(ctx_.toLogical(p));
    return true;
}

void PipeTool::abandon() {
    phase_ = 0;
    start_ = Vec3();
    startHit_ = nullptr;
}

void PipeTool::dropStale(const model::ObjectList& list) {
    if (startHit_ && !list.contains(startHit_)) startHit_ = nullptr;
}

void PipeTool::togglePlaneSlant() {
    if (phase_ == 1) return;
    if (!IsPipeTool(ctx_.tool().kind) && !planeSlant_)
        ctx_.ask(message::kChooseLineClass, "应用错误:", Buttons::Ok, MessageIcon::Warning);
    else if (ctx_.document().drawing.objects.empty())
        ctx_.ask(message::kDrawOrthogonalFirst, "应用错误:", Buttons::Ok, MessageIcon::Warning);
    else
        planeSlant_ = !planeSlant_;
}

// --- building ---

void PipeTool::firstClick(Point logical) {
    const model::ObjectList& list = ctx_.document().drawing.objects;
    const SnapState& snap = ctx_.currentSnap();
    if (list.empty()) {
        start_ = Vec3(logical.x, logical.y, ctx_.viewState().firstPointElevation);
        startHit_ = nullptr;
        startKind_ = SnapKind::None;
    } else if (snap.snapped()) {
        if (planeSlant_) {
            start_ = snap.point;
            startHit_ = snap.hit;
            startKind_ = snap.kind;
            buildPlaneSlanted();
            return;
        }
        const Vec3 m = ctx_.snapModel();
        const Vec3& origin = list.at(0).Port1;
        if (snap.kind == SnapKind::End && truncToInt(m.x) == truncToInt(origin.x) &&
            truncToInt(m.y) == truncToInt(origin.y)) {
            ctx_.clearSnap();
            ctx_.ask(message::kNotAtStart, "信息:", Buttons::Ok, MessageIcon::Information);
            return;
        }
        start_ = snap.point;
        startHit_ = snap.hit;
        startKind_ = snap.kind;
    } else {
        start_ = Vec3(logical.x, logical.y, list.last().Port2.z);
        startHit_ = nullptr;
        startKind_ = SnapKind::None;
    }
    ctx_.clearSnap();
    phase_ = 1;
}

void PipeTool::secondClick(Point logical) {
    model::Document& doc = ctx_.document();
    model::Drawing& drawing = doc.drawing;
    model::ObjectList& list = drawing.objects;
    const auto& axes = ctx_.viewState().axes();
    const double z = ctx_.zoom();
    const view::SnapResult r = view::SnapToAxis(axes, start_, Vec3(logical.x, logical.y, 0.0));
    const Vec3 startM(start_.x / z, start_.y / z, start_.z);
    const PipeObject* hitA = startHit_ && list.contains(startHit_) ? startHit_ : nullptr;

    if (closed_) {
        if (!ctx_.currentSnap().snapped()) {
            ctx_.feedback([&](platform::Canvas& c) { eraseBand(c); });
            phase_ = 0;
            ctx_.clearSnap();
            ctx_.ask(message::kClosedNeedsSnap, "应用错误:", Buttons::OkCancel, MessageIcon::Warning);
            return;
        }
        const Vec3 endM = ctx_.snapModel();
        // A segment ending where it starts is no segment: the click is ignored.
        if (std::hypot(endM.x - startM.x, endM.y - startM.y) < kMinSegmentLength) return;
    } else if (r.length / z < kMinSegmentLength) {
        return;
    }
    ctx_.feedback([&](platform::Canvas& c) { eraseBand(c); });
    phase_ = 0;
    const Vec3 endM(r.end.x / z, r.end.y / z, 0.0);
    const double lengthM = r.length / z;
    const bool autoWeld = ctx_.settings().autoWeld;
    const ObjectLengths& lengths = ctx_.lengths;
    bool built = true;

    if (closed_) {
        const Vec3 to = ctx_.snapModel();
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
            elbow = MakeElbow(a, b, doc.settings().m_wantouR, lengths.elbow);
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
        PipeObject& tee = list.addCopy(MakeTee(*a, startM, b, doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ctx_.ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                     Answer::Yes) == Answer::Yes;
        JoinWithTee(drawing, *a, b, &tee, useTee, autoWeld);
        doc.selection.keepOnly(list);
    } else if (!planeSlant_) {
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        ApplyNewSegmentDefaults(b);
        b.applyEndElevationRule(1.0);
        list.addCopy(b);
    } else {
        built = false;
    }
    ctx_.clearSnap();
    startHit_ = nullptr;
    if (!built) return;
    afterNewSegment();
}

void PipeTool::afterNewSegment() {
    model::Drawing& drawing = ctx_.document().drawing;
    ctx_.commit(Commit::ObjectsAndView);
    const PipeObject* newest = drawing.objects.lastOfKind(ObjectKind::Pipe);
    if (!newest) return;
    // Continuous drawing never takes the drawing past the objects a file may hold.
    const int room = static_cast<int>(model::kMaxObjects) - static_cast<int>(drawing.objects.size());
    SegmentForm form(*newest, {ctx_.viewState().axes(), ctx_.zoom()});
    form.setMaxCount(1 + std::max(0, room));
    if (!ctx_.forms().run(form)) return;
    drawing.objects.replaceObject(newest, form.result());
    if (form.count() > 1) {
        ContinuousForm more;
        more.setRoom(form.count() - 1, room);
        if (ctx_.forms().run(more)) ContinueSegments(drawing, *newest, form.count(), more.choice());
    }
    ctx_.commit();
}

void PipeTool::buildPlaneSlanted() {
    model::Document& doc = ctx_.document();
    model::Drawing& drawing = doc.drawing;
    model::ObjectList& list = drawing.objects;
    const double z = ctx_.zoom();
    PipeObject* a = &list.at(static_cast<std::size_t>(list.indexOf(startHit_)));
    const SnapKind kind = startKind_;
    const Vec3 startM(start_.x / z, start_.y / z, start_.z);
    ctx_.clearSnap();
    startHit_ = nullptr;
    phase_ = 0;
    if (!isPipe(*a)) {
        ctx_.ask(message::kMustBePipe, "连接错误：", Buttons::Ok, MessageIcon::Question);
        return;
    }
    PipeObject seg(model::CreationValues{kPipe, lineClass(), 6.0, startM, Vec3(-999, -999, 0), 0.0, 0.0});
    PlaneForm plane(seg, ctx_.viewState().axes());
    if (!ctx_.forms().run(plane)) return;
    PipeObject s = plane.segment();
    const bool autoWeld = ctx_.settings().autoWeld;
    const ObjectLengths& lengths = ctx_.lengths;
    if (kind == SnapKind::End) {
        if (ctx_.ask(message::kUseElbow, "请问:", Buttons::YesNo, MessageIcon::Question, Answer::Yes) ==
            Answer::Yes) {
            const PipeObject elbow = MakeElbow(*a, s, doc.settings().m_wantouR, lengths.elbow);
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
        ctx_.commit();
    } else {
        PipeObject& tee = list.addCopy(MakeTee(*a, s.Port1, s, doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ctx_.ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                     Answer::Yes) == Answer::Yes;
        JoinWithTee(drawing, *a, s, &tee, useTee, autoWeld);
        doc.selection.keepOnly(list);
        ctx_.commit(Commit::ObjectsAndView);
    }
}

}  // namespace tubra::edit
