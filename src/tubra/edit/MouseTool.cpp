// The tools of the view, one class each (declared in MouseTool.h, PipeTool.h, ClickTools.h and
// DragTools.h), in one translation unit: they share the form and painting headers, whose
// templates would otherwise be compiled once per file.

#include "tubra/edit/MouseTool.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "text/Gbk.h"
#include "tubra/edit/ClickTools.h"
#include "tubra/edit/DragTools.h"
#include "tubra/edit/PipeTool.h"
#include "tubra/edit/PropertyDialogs.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/edit/ToolForms.h"
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

// Which tool kinds each tool carries out.
constexpr ToolKind kPipeKinds[] = {ToolKind::MainPipe, ToolKind::BranchPipe};
constexpr ToolKind kPlaceKinds[] = {ToolKind::Weld, ToolKind::Tee, ToolKind::Elbow, ToolKind::AngleValve,
                                    ToolKind::Component};
constexpr ToolKind kTextKinds[] = {ToolKind::TextBlock};
constexpr ToolKind kCutLineKinds[] = {ToolKind::CutLine};
// No tool at all and "剪切" select by clicking, as the select tool does.
constexpr ToolKind kSelectKinds[] = {ToolKind::None, ToolKind::Select, ToolKind::Cut};
constexpr ToolKind kDeleteKinds[] = {ToolKind::Delete};
constexpr ToolKind kPropertiesKinds[] = {ToolKind::Properties};
constexpr ToolKind kMoveKinds[] = {ToolKind::Move, ToolKind::Copy};
constexpr ToolKind kLabelKinds[] = {ToolKind::MoveDimension};
constexpr ToolKind kDrawingMoveKinds[] = {ToolKind::MoveDrawing};
constexpr ToolKind kPanKinds[] = {ToolKind::Pan};

constexpr int kPipe = model::kindValue(ObjectKind::Pipe);
constexpr platform::Colour kRectangleColour = platform::rgbColour(150, 150, 150);

Point truncated(const Vec3& v) { return {truncToInt(v.x), truncToInt(v.y)}; }

bool isPipe(const PipeObject& o) { return o.is(ObjectKind::Pipe); }

void drawHighlight(ToolContext& ctx, platform::Canvas& c, const PipeObject& o) {
    view::DrawObjectBody(o, view::PaintContext{c, ctx.document().settings(), ctx.viewState()}, true);
}

}  // namespace

// --- panning ---

std::span<const ToolKind> PipeTool::kinds() const { return kPipeKinds; }
std::span<const ToolKind> PlaceTool::kinds() const { return kPlaceKinds; }
std::span<const ToolKind> TextTool::kinds() const { return kTextKinds; }
std::span<const ToolKind> CutLineTool::kinds() const { return kCutLineKinds; }
std::span<const ToolKind> SelectTool::kinds() const { return kSelectKinds; }
std::span<const ToolKind> DeleteTool::kinds() const { return kDeleteKinds; }
std::span<const ToolKind> PropertiesTool::kinds() const { return kPropertiesKinds; }
std::span<const ToolKind> MoveTool::kinds() const { return kMoveKinds; }
std::span<const ToolKind> LabelMoveTool::kinds() const { return kLabelKinds; }
std::span<const ToolKind> DrawingMoveTool::kinds() const { return kDrawingMoveKinds; }
std::span<const ToolKind> PanTool::kinds() const { return kPanKinds; }

bool PanTool::press(DevicePoint p) {
    holding_ = true;
    const DeviceTransform t = port_.transform();
    scrollAtPress_ = {truncToInt(t.scrollX), truncToInt(t.scrollY)};
    pressedAt_ = p;
    return true;
}

void PanTool::drag(DevicePoint p) {
    if (!holding_) return;
    port_.scrollToDevice(truncToInt(scrollAtPress_.x + pressedAt_.x - p.x),
                         truncToInt(scrollAtPress_.y + pressedAt_.y - p.y));
}

// === the pipe tool ===

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
    ctx_.setStatus(text::gbkToUtf8(view::dragReadout(view, start_, cursor)));
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
    if (!isPipeTool(ctx_.tool().kind) && !planeSlant_)
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
    // Whether every change went through the list (see Changes).
    Changes changes = Changes::Tracked;

    if (closed_) {
        const Vec3 to = ctx_.snapModel();
        PipeObject seg(model::CreationValues{kPipe, lineClass(), 7.0, startM, to, lengthM, -1.0});
        list.addCopy(seg);
        if (autoWeld) {
            addWeld(drawing, startM, 7.0);
            addWeld(drawing, to, 7.0);
        }
    } else if (hitA && isPipe(*hitA) && truncToInt(startM.x) == truncToInt(hitA->Port2.x) &&
               truncToInt(startM.y) == truncToInt(hitA->Port2.y)) {
        // Continuing from the end of a segment, with an elbow where it turns.
        const PipeObject a = *hitA;
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        std::optional<PipeObject> elbow;
        if (model::directionCode(a.EndDir) != r.direction) {
            elbow = makeElbow(a, b, doc.settings().m_wantouR, lengths.elbow);
            list.addCopy(*elbow);
            const Vec3 shift(elbow->Port2.x - b.Port1.x, elbow->Port2.y - b.Port1.y, 0.0);
            b.Port1 = elbow->Port2;
            b.Port2.x += shift.x;
            b.Port2.y += shift.y;
        }
        b.Distanc = sheetLength(b);
        copyPipeData(b, a);
        b.applyEndElevationRule(1.0);
        if (autoWeld) {
            addWeld(drawing, startM, a.EndDir);
            if (elbow) addWeld(drawing, elbow->Port2, b.EndDir);
        }
        list.addCopy(b);
    } else if (hitA && isPipe(*hitA) && !planeSlant_ && truncToInt(start_.x) != 0) {
        // Branching off a segment with a tee.
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        b.applyEndElevationRule(1.0);
        PipeObject* a = &list.at(static_cast<std::size_t>(list.indexOf(hitA)));
        PipeObject& tee = list.addCopy(makeTee(*a, startM, b, doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ctx_.ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                     Answer::Yes) == Answer::Yes;
        joinWithTee(drawing, *a, b, &tee, useTee, autoWeld);
        doc.selection.keepOnly(list);
        // The segment and the tee were changed through pointers kept across the question.
        changes = Changes::Unknown;
    } else if (!planeSlant_) {
        PipeObject b(model::CreationValues{kPipe, lineClass(), static_cast<double>(r.direction), startM,
                                           endM, lengthM, -1.0});
        applyNewSegmentDefaults(b);
        b.applyEndElevationRule(1.0);
        list.addCopy(b);
    } else {
        built = false;
    }
    ctx_.clearSnap();
    startHit_ = nullptr;
    if (!built) return;
    afterNewSegment(changes);
}

void PipeTool::afterNewSegment(Changes changes) {
    model::Drawing& drawing = ctx_.document().drawing;
    // The segment with its elbow and welds, its dialog and the segments continued from it are
    // one edit, shown before the dialog opens.
    ctx_.show(Commit::ObjectsAndView, changes);
    askSegment(drawing);
    // The dialogs' answers went in through the list.
    ctx_.commit(Commit::Objects, Changes::Tracked);
}

void PipeTool::askSegment(model::Drawing& drawing) {
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
        if (ctx_.forms().run(more)) continueSegments(drawing, *newest, form.count(), more.choice());
    }
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
            const PipeObject elbow = makeElbow(*a, s, doc.settings().m_wantouR, lengths.elbow);
            list.addCopy(elbow);
            const Vec3 shift(elbow.Port2.x - s.Port1.x, elbow.Port2.y - s.Port1.y,
                             elbow.Port2.z - s.Port1.z);
            s.Port1 = elbow.Port2;
            s.Port2 = Vec3(s.Port2.x + shift.x, s.Port2.y + shift.y, s.Port2.z + shift.z);
            if (autoWeld) {
                addWeld(drawing, elbow.Port1, a->EndDir);
                addWeld(drawing, elbow.Port2, s.EndDir);
            }
        } else if (autoWeld) {
            addWeld(drawing, s.Port1, s.EndDir);
        }
        list.addCopy(s);
        ctx_.commit();
    } else {
        PipeObject& tee = list.addCopy(makeTee(*a, s.Port1, s, doc.settings().m_santongChang, lengths.tee));
        const bool useTee = ctx_.ask(message::kUseTee, "请问:", Buttons::YesNo, MessageIcon::Question,
                                     Answer::Yes) == Answer::Yes;
        joinWithTee(drawing, *a, s, &tee, useTee, autoWeld);
        doc.selection.keepOnly(list);
        ctx_.commit(Commit::ObjectsAndView);
    }
}

// === the click tools ===

// --- fittings, welds, tees, elbows, components ---

bool PlaceTool::activate(const ToolCommand& command) {
    const model::SymbolRow* row = model::symbolRow(command.tool.symbol);
    if (command.tool.kind == ToolKind::Component && row && row->endPointsOnly) {
        ctx_.saveSnapFlags();
        ctx_.forceSnap(ctx_.settings().snap.endPoints, false, false);
    }
    return true;
}

bool PlaceTool::press(DevicePoint) {
    return !ctx_.document().drawing.objects.empty() && componentClick();
}

bool PlaceTool::componentClick() {
    const Tool tool = ctx_.tool();
    const SnapState& snap = ctx_.currentSnap();
    const model::SymbolRow* row = model::symbolRow(tool.symbol);
    const model::PlacementRule rule =
        row && row->placement ? *row->placement : model::PlacementRule::AnyObject;
    if (!snap.snapped()) {
        // Valves and the instruments say where they belong even when nothing is under the mouse.
        if (tool.kind == ToolKind::Component && rule == model::PlacementRule::OrthogonalPipe) {
            ctx_.ask(message::kOrthogonalOnly, "应用错误:", Buttons::Ok, MessageIcon::Warning);
            return true;
        }
        return false;
    }
    const PipeObject& hit = *snap.hit;
    switch (tool.kind) {
        case ToolKind::Elbow:
        case ToolKind::AngleValve: elbowOrAngleValve(); return true;
        case ToolKind::Tee: teeClick(); return true;
        case ToolKind::Weld: weldClick(); return true;
        case ToolKind::Component: break;
        case ToolKind::None: case ToolKind::MainPipe: case ToolKind::BranchPipe: case ToolKind::CutLine:
        case ToolKind::TextBlock: case ToolKind::Select: case ToolKind::Delete: case ToolKind::Move:
        case ToolKind::Copy: case ToolKind::MoveDimension: case ToolKind::MoveDrawing:
        case ToolKind::Properties: case ToolKind::Pan: case ToolKind::Cut: return false;
    }
    switch (rule) {
        case model::PlacementRule::OrthogonalPipe: {
            const int dir = model::directionCode(hit.EndDir);
            if (!isPipe(hit) || dir < 0 || dir > 5) {
                ctx_.clearSnap();
                ctx_.ask(message::kOrthogonalOnly, "应用错误:", Buttons::Ok, MessageIcon::Warning);
                return true;
            }
            place(tool.symbol, -1.0);
            return true;
        }
        case model::PlacementRule::AnyObject: place(tool.symbol, -1.0); return true;
        case model::PlacementRule::Pipe:
            if (!isPipe(hit)) return false;
            place(tool.symbol, -1.0);
            return true;
    }
    return false;
}

void PlaceTool::place(int symbol, double outlet) {
    model::Document& doc = ctx_.document();
    model::Drawing& drawing = doc.drawing;
    const PipeObject c = makeComponent(*ctx_.currentSnap().hit, ctx_.snapModel(), symbol, ctx_.lengths.component,
                                       outlet, doc.settings(), ctx_.viewState().axes(), ctx_.zoom());
    ctx_.clearSnap();
    PipeObject& listed =
        drawing.addObject({c.MainType, c.SubType, c.EndDir, c.Port1, c.Port2, c.Distanc, c.StrtDir});
    // A column's dialog changes the column after it is shown in place: one edit.
    if (const model::SymbolRow* row = model::symbolRow(symbol); row && row->dialogWhenPlaced) {
        ctx_.show();
        const auto form = makePropertyForm(listed, {ctx_.viewState().axes(), ctx_.zoom()});
        if (form && ctx_.forms().run(*form) && drawing.objects.contains(&listed))
            drawing.objects.replaceObject(&listed, form->result());
    }
    ctx_.commit();
}

void PlaceTool::elbowOrAngleValve() {
    const PipeObject hit = *ctx_.currentSnap().hit;
    const Vec3 p = ctx_.snapModel();
    if (!isForward(hit, p)) {
        ctx_.clearSnap();
        ctx_.ask(message::kNotAtStart, "信息:", Buttons::Ok, MessageIcon::Information);
        return;
    }
    DirectionForm form(model::directionCode(hit.EndDir));
    if (!ctx_.forms().run(form)) {
        ctx_.clearSnap();
        return;
    }
    const int dir = form.direction();
    model::Document& doc = ctx_.document();
    if (ctx_.tool().kind == ToolKind::AngleValve) {
        // The snap may have gone stale while the dialog was open.
        if (!doc.drawing.objects.contains(ctx_.currentSnap().hit)) return ctx_.clearSnap();
        place(static_cast<int>(model::SymbolCode::AngleValve), dir);
        return;
    }
    Vec3 end = view::StepAlong(ctx_.viewState().axes(), p, dir, 100.0);
    end.z = p.z;
    const PipeObject leg(model::CreationValues{kPipe, 0, static_cast<double>(dir), p, end, 100.0, -1.0});
    doc.drawing.objects.addCopy(makeElbow(hit, leg, doc.settings().m_wantouR, ctx_.lengths.elbow));
    ctx_.clearSnap();
    ctx_.commit();
}

void PlaceTool::weldClick() {
    model::Drawing& drawing = ctx_.document().drawing;
    const double dir = ctx_.currentSnap().hit->EndDir;
    const Vec3 p = ctx_.snapModel();
    ctx_.clearSnap();
    PipeObject& weld = addWeld(drawing, p, dir);
    ctx_.show();
    // The weld's dialog changes the weld after it is shown in place: one edit.
    WeldForm form(weld);
    if (ctx_.forms().run(form) && drawing.objects.contains(&weld)) drawing.objects.replaceObject(&weld, form.result());
    ctx_.commit();
}

void PlaceTool::teeClick() {
    model::Document& doc = ctx_.document();
    TeeConnectionForm form(*ctx_.currentSnap().hit, ctx_.snapModel(), ctx_.viewState().axes(),
                           doc.settings().m_santongChang, ctx_.lengths.tee);
    ctx_.clearSnap();
    if (!ctx_.forms().run(form) || !form.tee()) return;
    doc.drawing.objects.addCopy(*form.tee());
    ctx_.commit();
}

// --- text and cut lines ---

bool TextTool::press(DevicePoint p) {
    const Point logical = ctx_.toLogical(p);
    const double zoom = ctx_.zoom();
    const Vec3 at(logical.x / zoom, logical.y / zoom, 0.0);
    ctx_.clearSnap();
    TextForm form(TextForm::newBlock(at), {ctx_.viewState().axes(), zoom});
    if (!ctx_.forms().run(form) || form.result().DistTxt.empty()) return true;
    PipeObject block = form.result();
    block.Port2 = textBlockEnd(block, zoom);
    ctx_.document().drawing.objects.addCopy(block);
    ctx_.commit();
    return true;
}

bool CutLineTool::press(DevicePoint) {
    if (!ctx_.currentSnap().snapped()) return false;
    model::Document& doc = ctx_.document();
    const PipeObject cut = makeCutLine(*ctx_.currentSnap().hit, ctx_.snapModel(), doc.settings(), ctx_.viewState().axes());
    ctx_.clearSnap();
    doc.drawing.objects.addCopy(cut);
    ctx_.commit();
    return true;
}

// --- selection ---

bool SelectTool::pick() {
    SnapState& snap = ctx_.currentSnap();
    if (!snap.snapped()) return false;
    const PipeObject* o = snap.hit;
    model::SelectionSet& selection = ctx_.document().selection;
    if (selection.contains(o))
        selection.remove(o);
    else
        selection.add(o);
    ctx_.eraseMarker();
    ctx_.feedback([&](platform::Canvas& c) { drawHighlight(ctx_, c, *o); });
    snap = SnapState();
    ctx_.refreshStatus();
    return true;
}

bool SelectTool::press(DevicePoint p) {
    if (pick()) return true;
    rectActive_ = ctx_.tool().kind == ToolKind::Select;
    rectCorner_ = rectEnd_ = ctx_.toLogical(p);
    return true;
}

void SelectTool::drawRectangle(platform::Canvas& c, Point a, Point b) const {
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, 1, kRectangleColour});
    const Point sides[5] = {a, {b.x, a.y}, b, {a.x, b.y}, a};
    c.polyline(sides);
}

void SelectTool::erase(platform::Canvas& c) {
    if (rectShown_) drawRectangle(c, rectCorner_, rectEnd_);
    rectShown_ = false;
}

void SelectTool::drag(DevicePoint p) {
    // Only the select tool drags its rectangle (a press with no tool starts none).
    if (!rectActive_ || ctx_.tool().kind != ToolKind::Select) return;
    const Point logical = ctx_.toLogical(p);
    ctx_.feedback([&](platform::Canvas& c) {
        if (rectShown_) drawRectangle(c, rectCorner_, rectEnd_);
        drawRectangle(c, rectCorner_, logical);
    });
    rectEnd_ = logical;
    rectShown_ = true;
}

void SelectTool::release(DevicePoint) {
    if (!rectActive_) return;
    if (ctx_.tool().kind == ToolKind::Select)
        finishRectangle();
    else
        rectActive_ = false;  // the select tool was switched off during the drag
}

void SelectTool::finishRectangle() {
    if (rectShown_) ctx_.feedback([&](platform::Canvas& c) { erase(c); });
    rectActive_ = false;
    model::Document& doc = ctx_.document();
    const platform::Rect r = platform::normalisedLogical({rectCorner_.x, rectCorner_.y, rectEnd_.x, rectEnd_.y});
    const double z = ctx_.zoom();
    const auto inside = [&](const Vec3& p) {
        const double x = p.x * z, y = p.y * z;
        return x >= r.left && x <= r.right && y >= r.bottom && y <= r.top;
    };
    const bool weldsOnly = ctx_.settings().snap.weldsOnly;
    std::vector<const PipeObject*> added;
    for (const PipeObject& o : doc.drawing.objects) {
        const bool weld = o.is(ObjectKind::Weld);
        if (weldsOnly && !weld) continue;
        if (doc.selection.contains(&o)) continue;
        if (inside(o.Port1) || (!weld && inside(o.Port2))) {
            doc.selection.add(&o);
            added.push_back(&o);
        }
    }
    if (!added.empty())
        ctx_.feedback([&](platform::Canvas& c) {
            for (const PipeObject* o : added) drawHighlight(ctx_, c, *o);
        });
    ctx_.refreshStatus();
}

// --- deleting ---

bool DeleteTool::press(DevicePoint) {
    model::Document& doc = ctx_.document();
    model::ObjectList& list = doc.drawing.objects;
    if (list.empty() || !ctx_.currentSnap().snapped()) return false;
    const PipeObject* hit = ctx_.currentSnap().hit;
    ctx_.clearSnap();
    if (list.size() == 1) {
        if (!ctx_.confirmLastObject()) return true;
        list.removeAll();
        doc.discardBox.objects.removeAll();
        ctx_.dropTool();
    } else {
        ctx_.discard(hit);
    }
    ctx_.forgetObjects();
    ctx_.commit(Commit::ObjectsAndView);
    return true;
}

bool DeleteTool::activate(const ToolCommand& command) {
    if (command.onSelection) {
        deleteSelection();
        ctx_.saveSnapFlags();
    } else {
        ctx_.document().selection.clear();
        ctx_.clearSnap();
        ctx_.repaint();
    }
    ctx_.forceSnap(false, true, true);
    return true;
}

void DeleteTool::deleteSelection() {
    model::Document& doc = ctx_.document();
    if (doc.selection.empty()) return;
    const std::vector<const PipeObject*> items = doc.selection.items();
    for (const PipeObject* o : items) {
        if (!doc.drawing.objects.contains(o)) continue;
        ctx_.discard(o);
    }
    doc.selection.clear();
    ctx_.forgetObjects();
    ctx_.commit(Commit::ObjectsAndView);
}

// --- properties ---

bool PropertiesTool::activate(const ToolCommand&) {
    ctx_.saveSnapFlags();
    ctx_.forceSnap(true, true, true);
    return true;
}

bool PropertiesTool::open(const PipeObject* object) {
    model::Document& doc = ctx_.document();
    if (!object || !doc.drawing.objects.contains(object)) return false;
    ctx_.clearSnap();
    auto form = makePropertyForm(*object, {ctx_.viewState().axes(), ctx_.zoom()});
    if (form && ctx_.forms().run(*form) && applyPropertyForm(doc, object, *form)) ctx_.commit();
    return true;
}

// === the drag tools ===

// --- moving and copying ---

bool MoveTool::activate(const ToolCommand&) {
    if (ctx_.document().selection.empty()) {
        ctx_.ask(message::kSelectFirst, "", Buttons::Ok, MessageIcon::Warning);
        return false;
    }
    ctx_.saveSnapFlags();
    ctx_.forceSnap(true, false, false);
    ctx_.setStatus(message::kMoveHelp);
    return true;
}

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
        translateObject(ghost, offset, false);
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
        PipeObject* moved = copying ? &duplicateObject(list, *o) : &list.at(static_cast<std::size_t>(i));
        translateObject(*moved, d);
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
        auto f = findLabelFrame(o, settings, zoom);
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
    const auto box = segmentBox(doc.drawing.objects);
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
    if (mx != 0 || my != 0) moveWholeDrawing(ctx_.document().drawing.objects, mx, my);
    ctx_.commit();
}

namespace {
ToolNamer gToolNamer = nullptr;
}  // namespace

void setToolNamer(ToolNamer namer) { gToolNamer = namer; }

std::string toolName(const Tool& tool) {
    std::string name = gToolNamer ? gToolNamer(tool) : std::string();
    return name.empty() ? std::string("编辑") : name;
}

}  // namespace tubra::edit
