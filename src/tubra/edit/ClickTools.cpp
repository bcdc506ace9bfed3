#include "tubra/edit/ClickTools.h"

#include <vector>

#include "tubra/edit/PropertyDialogs.h"
#include "tubra/edit/ToolForms.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/PaintContext.h"

namespace tubra::edit {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;
using platform::Buttons;
using platform::MessageIcon;
using platform::Point;

namespace {

constexpr int kPipe = model::kindValue(ObjectKind::Pipe);
constexpr platform::Colour kRectangleColour = platform::rgbColour(150, 150, 150);

bool isPipe(const PipeObject& o) { return o.is(ObjectKind::Pipe); }

void drawHighlight(ToolContext& ctx, platform::Canvas& c, const PipeObject& o) {
    view::DrawObjectBody(o, view::PaintContext{c, ctx.document().settings(), ctx.viewState()}, true);
}

}  // namespace

// --- fittings, welds, tees, elbows, components ---

bool PlaceTool::press(DevicePoint) {
    return !ctx_.document().drawing.objects.empty() && componentClick();
}

bool PlaceTool::componentClick() {
    const Tool tool = ctx_.tool();
    const SnapState& snap = ctx_.currentSnap();
    if (!snap.snapped()) {
        // Valves and the instruments say where they belong even when nothing is under the mouse.
        if (tool.kind == ToolKind::Component && PlacementRuleOf(tool.symbol) == PlacementRule::OrthogonalPipe) {
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
        default: return false;
    }
    switch (PlacementRuleOf(tool.symbol).value_or(PlacementRule::AnyObject)) {
        case PlacementRule::OrthogonalPipe: {
            const int dir = model::directionCode(hit.EndDir);
            if (!isPipe(hit) || dir < 0 || dir > 5) {
                ctx_.clearSnap();
                ctx_.ask(message::kOrthogonalOnly, "应用错误:", Buttons::Ok, MessageIcon::Warning);
                return true;
            }
            place(tool.symbol, -1.0);
            return true;
        }
        case PlacementRule::AnyObject: place(tool.symbol, -1.0); return true;
        case PlacementRule::Pipe:
            if (!isPipe(hit)) return false;
            place(tool.symbol, -1.0);
            return true;
    }
    return false;
}

void PlaceTool::place(int symbol, double outlet) {
    model::Document& doc = ctx_.document();
    model::Drawing& drawing = doc.drawing;
    const PipeObject c = MakeComponent(*ctx_.currentSnap().hit, ctx_.snapModel(), symbol, ctx_.lengths.component,
                                       outlet, doc.settings(), ctx_.viewState().axes(), ctx_.zoom());
    ctx_.clearSnap();
    PipeObject& listed =
        drawing.addObject({c.MainType, c.SubType, c.EndDir, c.Port1, c.Port2, c.Distanc, c.StrtDir});
    ctx_.commit();
    // The column's dialog changes the column after it is shown in place.
    if (symbol == static_cast<int>(model::SymbolCode::Column)) {
        SupportForm form(listed);
        if (ctx_.forms().run(form) && drawing.objects.contains(&listed)) {
            drawing.objects.replaceObject(&listed, form.result());
            ctx_.commit();
        }
    }
}

void PlaceTool::elbowOrAngleValve() {
    const PipeObject hit = *ctx_.currentSnap().hit;
    const Vec3 p = ctx_.snapModel();
    if (!IsForward(hit, p)) {
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
    doc.drawing.objects.addCopy(MakeElbow(hit, leg, doc.settings().m_wantouR, ctx_.lengths.elbow));
    ctx_.clearSnap();
    ctx_.commit();
}

void PlaceTool::weldClick() {
    model::Drawing& drawing = ctx_.document().drawing;
    const double dir = ctx_.currentSnap().hit->EndDir;
    const Vec3 p = ctx_.snapModel();
    ctx_.clearSnap();
    PipeObject& weld = AddWeld(drawing, p, dir);
    ctx_.commit();
    // The weld's dialog changes the weld after it is shown in place.
    WeldForm form(weld);
    if (ctx_.forms().run(form) && drawing.objects.contains(&weld)) {
        drawing.objects.replaceObject(&weld, form.result());
        ctx_.commit();
    }
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
    TextForm form(TextForm::NewBlock(at), {ctx_.viewState().axes(), zoom});
    if (!ctx_.forms().run(form) || form.result().DistTxt.empty()) return true;
    PipeObject block = form.result();
    block.Port2 = TextBlockEnd(block, zoom);
    ctx_.document().drawing.objects.addCopy(block);
    ctx_.commit();
    return true;
}

bool CutLineTool::press(DevicePoint) {
    if (!ctx_.currentSnap().snapped()) return false;
    model::Document& doc = ctx_.document();
    const PipeObject cut = MakeCutLine(*ctx_.currentSnap().hit, ctx_.snapModel(), doc.settings(), ctx_.viewState().axes());
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

bool PropertiesTool::open(const PipeObject* object) {
    model::Document& doc = ctx_.document();
    if (!object || !doc.drawing.objects.contains(object)) return false;
    ctx_.clearSnap();
    auto form = MakePropertyForm(*object, {ctx_.viewState().axes(), ctx_.zoom()});
    if (form && ctx_.forms().run(*form) && ApplyPropertyForm(doc, object, *form)) ctx_.commit();
    return true;
}

}  // namespace tubra::edit
