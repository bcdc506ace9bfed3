#include "tubra/view/Paint.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/Annotations.h"
#include "tubra/view/Frame.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/PaintReach.h"
#include "tubra/view/ReportPages.h"
#include "tubra/view/SheetLayers.h"

namespace tubra::view {

using model::ObjectKind;
using model::PipeObject;

namespace {

constexpr platform::Colour kBlack = 0x000000;
constexpr platform::Colour kWhite = 0xFFFFFF;

// Clears the re-entrancy flag on every way out of a paint.
class PaintingFlag {
public:
    explicit PaintingFlag(bool& flag) : flag_(flag) { flag_ = true; }
    ~PaintingFlag() { flag_ = false; }
    PaintingFlag(const PaintingFlag&) = delete;
    PaintingFlag& operator=(const PaintingFlag&) = delete;

private:
    bool& flag_;
};

platform::Font axisFont() {
    platform::Font f;
    f.face = "arail";
    f.height = 40;
    f.width = 20;
    f.weight = 500;
    f.charSet = 0;
    f.outPrecision = 4;
    f.clipPrecision = 0;
    f.quality = 2;
    f.pitchAndFamily = 48;
    return f;
}

// The colour settings printing turns black on white, in a fixed order.
std::array<platform::Colour*, 14> printColours(model::DrawingSettings& s) {
    return {&s.BeiJingColor, &s.ZhuXianColor,  &s.ZhiXianColor, &s.DangQianColor,
            &s.PingXieColor, &s.LiXieColor,    &s.GuanJianColor, &s.FaMenColor,
            &s.DimLineColor, &s.DimTextColor,  &s.TextColor,     &s.TractColor,
            &s.HanFengColor, &s.SelectionColor};
}

bool is(const PipeObject& o, ObjectKind k) { return o.MainType == model::kindValue(k); }

// Where the axis indicator stands: below the frame's corner, or near the window's corner.
platform::Point axisOrigin(const ViewState& view, const platform::Canvas& canvas) {
    return view.frameSwitch ? platform::Point{120, -210} : canvas.toLogical(platform::Point{10, 45});
}

// Steps 2 and 3 of a paint: a file's zoom is taken over once; the hand-over after "new" or
// "open", or else the frame texts taken from the drawing.
void takeOver(model::Document& doc, ViewState& view, ViewHost* host) {
    model::Drawing& drawing = doc.drawing;
    if (drawing.zoomLoaded) {
        view.ZoomPara = drawing.ZoomPara;
        drawing.zoomLoaded = 0;
    }
    if (doc.newDrawingFlag) {
        applyNewDrawing(view, doc, host ? host->askNewDrawing(view) : std::nullopt);
    } else if (doc.app().justOpened) {
        applyOpenedDocument(view, doc);
    } else {
        takeFrameTexts(view, drawing);
    }
}

}  // namespace

void OnEraseBkgnd(const model::DrawingSettings& settings, platform::Canvas& canvas) {
    canvas.fillRect(canvas.clipBox(), settings.BeiJingColor);
}

void placeAxisIndicator(ViewState& view, const platform::Canvas& canvas) {
    if (!view.axis.visible) return;
    view.axisErase = view.lastAxisOrigin;
    view.lastAxisOrigin = axisOrigin(view, canvas);
}

void DrawAxisIndicator(const ViewState& view, const model::DrawingSettings& settings,
                       platform::Canvas& canvas) {
    if (!view.axis.visible) return;
    platform::CanvasStateGuard guard(canvas);
    canvas.setFont(axisFont());
    canvas.setPen({platform::PenStyle::Solid, 2, kBlack});
    canvas.setTextColour(kBlack);
    canvas.setBackgroundColour(settings.BeiJingColor);

    // Erase where the indicator stood at the previous paint.
    const long long x = view.axisErase.x, y = view.axisErase.y;
    canvas.fillRect({platform::saturate(x - 20), platform::saturate(y + 100),
                     platform::saturate(x + 100), platform::saturate(y - 100)},
                    settings.BeiJingColor);

    const platform::Point origin = view.lastAxisOrigin;
    const model::Vec3 o(origin.x, origin.y, 0);
    const AxisAngles axes = view.axes();
    const model::Vec3 up = StepAlong(axes, o, 0, 55.0, &canvas);
    const model::Vec3 north = StepAlong(axes, o, 5, 55.0, &canvas);
    const model::Vec3 east = StepAlong(axes, o, 2, 55.0, &canvas);
    canvas.textOut(truncated({up.x - 10, up.y + 40, 0}), view.axis.labels[0].view());
    canvas.textOut(truncated({north.x + 5, north.y + 10, 0}), view.axis.labels[1].view());
    canvas.textOut(truncated({east.x + 5, east.y - 5, 0}), view.axis.labels[2].view());
    DrawArrowHead(canvas, axes, up, 0, kBlack);
    DrawArrowHead(canvas, axes, north, 5, kBlack);
    DrawArrowHead(canvas, axes, east, 2, kBlack);
}

namespace {

// Every number of the objects changed since the last layout as the drawing file keeps it
// (model::fileNumber), before anything is laid out from them.
void keepFileNumbers(model::ObjectList& objects, model::ListCursor& cursor) {
    const auto keep = [&objects](std::size_t i) {
        if (i < objects.size() && objects.untracked(i).keepFileNumbers()) objects.touch(i);
    };
    if (cursor.follows(objects)) {
        // Copied: keeping a number logs the object again.
        const std::vector<std::size_t> changed(objects.changes().begin() + static_cast<std::ptrdiff_t>(cursor.seen),
                                               objects.changes().end());
        for (const std::size_t i : changed) keep(i);
    } else {
        for (std::size_t i = 0; i < objects.size(); ++i) keep(i);
    }
    cursor.catchUp(objects);
}

// What a paint and a layout both do before anything is drawn; false when a report page is
// shown (then only the report is brought to it).
bool prepareCommon(model::Document& doc, ViewState& view, ViewHost* host) {
    // A file's zoom is taken over once; the hand-over after "new" or "open".
    takeOver(doc, view, host);
    if (showsReport(view)) {
        // Showing a report page moves its lists to their pages; the scroll extent covers them.
        const int page = view.reportDisplay[1];
        prepareReportPage(doc, page);
        view.scrollExtent = reportExtent(doc, page);
        return false;
    }
    // The zoom and the objects as the file keeps them: what is laid out from them now is what
    // is laid out after the saved file is opened again, so saving, opening and saving again
    // changes nothing.
    view.ZoomPara = model::fileNumber(view.ZoomPara);
    keepFileNumbers(doc.drawing.objects, view.fileNumbers);
    storeViewInDrawing(view, doc.drawing);
    return true;
}

bool drawsAnnotationInPass(const PipeObject& o) {
    return !is(o, ObjectKind::CutLine) && !is(o, ObjectKind::Tee);
}

}  // namespace

void prepareView(model::Document& doc, ViewState& view, const platform::Canvas& canvas,
                 ViewHost* host) {
    if (!prepareCommon(doc, view, host)) return;
    placeAxisIndicator(view, canvas);
    // New labels find their places first, clear of everything else.
    model::ObjectList& objects = doc.drawing.objects;
    placeLabels(objects, doc.settings(), view);
    // Pipe lengths covered by a symbol, a label or a weld circle are drawn further along their
    // pipes, for this paint only.
    view.lengthShifts = slidePipeLengths(objects, doc.settings(), view);
    // Every other annotation is laid out when it has no layout yet; a slid length keeps the
    // layout it has and is drawn at the angle it stores.
    view.annotationAngles.assign(objects.size(), 0);
    auto shift = view.lengthShifts.cbegin();
    for (std::size_t j = 0; j < objects.size(); ++j) {
        const PipeObject& o = std::as_const(objects).at(j);
        if (!drawsAnnotationInPass(o)) continue;
        if (shift != view.lengthShifts.cend() && shift->index == j) {
            view.annotationAngles[j] = o.dimAngle;
            ++shift;
        } else {
            view.annotationAngles[j] = layOutTracked(
                objects, j, [&](PipeObject& laid) { return prepareAnnotation(laid, doc.settings(), view); });
        }
    }
    returnFrameTexts(view, doc.drawing);
    doc.keepLayout();
    // Last: whatever the layout changed is in the list's log by now.
    view.crossingGaps.get().update(objects);
    // A window's paint passes over what is out of sight by bounds kept for every zoom.
    if (canvas.skipsUnseen()) view.paintReach.get().update(objects, doc.settings(), view.axes());
}

namespace {

// The kept gaps a paint draws, object by object in list order: all of them, or on a canvas
// that shows part of the sheet only those whose crossing lies near enough to leave a mark.
class KeptGapsInView {
  public:
    KeptGapsInView(const KeptCrossings* kept, const std::optional<SheetArea>& shown,
                   const PaintContext& ctx)
        : kept_(kept), shown_(shown), ctx_(ctx) {
        if (!kept_ || !shown_) return;
        const auto& s = ctx.settings;
        const double z = ctx.zoom();
        // How far a gap's marks reach from its crossing: the front piece along its pipe, the
        // erased square and the pen, with room for rounding.
        const double widest = std::max({std::fabs(static_cast<double>(s.ZhuXianKuan)),
                                        std::fabs(static_cast<double>(s.ZhiXianKuan)),
                                        std::fabs(static_cast<double>(s.QiTaKuan))});
        const double reach =
            (std::fabs(std::trunc(s.ZhuXianKuan * 3.0)) + 1.0) * std::fabs(z) + 5.0 * widest + 8.0;
        const double x0 = (shown_->x0 - reach) / z, x1 = (shown_->x1 + reach) / z;
        const double y0 = (shown_->y0 - reach) / z, y1 = (shown_->y1 + reach) / z;
        // A zoom or widths no rectangle can follow: every gap is tried.
        if (!(std::fabs(z) > 1e-9) || !std::isfinite(x0 + x1 + y0 + y1)) return;
        kept_->gapsIn(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1),
                      near_);
        selected_ = true;
    }

    // The gaps of the object at `j`; objects come in ascending order.
    void draw(const model::ObjectList& objects, std::size_t j) {
        const std::vector<KeptCrossings::Gap>& gaps = kept_->gaps();
        if (selected_) {
            while (next_ < near_.size() && gaps[near_[next_]].later < j) ++next_;
            for (; next_ < near_.size() && gaps[near_[next_]].later == j; ++next_)
                drawKeptGap(objects, gaps[near_[next_]], ctx_, shown_);
            return;
        }
        while (next_ < gaps.size() && gaps[next_].later < j) ++next_;
        for (; next_ < gaps.size() && gaps[next_].later == j; ++next_)
            drawKeptGap(objects, gaps[next_], ctx_, shown_);
    }

  private:
    const KeptCrossings* kept_;
    const std::optional<SheetArea>& shown_;
    const PaintContext& ctx_;
    bool selected_ = false;
    std::vector<std::size_t> near_;
    std::size_t next_ = 0;
};

void paintWith(const model::Document& doc, const PaintContext& ctx, CrossingPass crossings,
               Overlay overlay) {
    const ViewState& view = ctx.view;
    platform::Canvas& canvas = ctx.canvas;
    const model::DrawingSettings& settings = ctx.settings;
    // A report page instead of the drawing.
    if (showsReport(view)) {
        DrawReportPage(doc, ctx, view.reportDisplay[1]);
        return;
    }
    // Every drawing call names the layer of what it draws (a CAD canvas keeps them apart).
    const auto layer = [&canvas](SheetLayer l, const void* thing = nullptr) {
        canvas.setLayer(static_cast<int>(l), thing);
    };
    // The axis marker belongs to the sheet as the frame does.
    layer(SheetLayer::Frame);
    DrawAxisIndicator(view, settings, canvas);
    if (view.frameSwitch) DrawFrame(ctx);

    // Annotations, bodies and crossing gaps in list order; tees and break lines wait.
    const model::ObjectList& objects = doc.drawing.objects;
    const std::vector<LabelShift>& shifts = view.lengthShifts;
    auto shift = shifts.begin();
    // A window zoomed in shows part of the sheet: an object whose marks all fall beyond it is
    // left out, and with it the crossing gaps drawn on it.
    const std::optional<SheetArea> shown = shownArea(canvas);
    // The gaps the view keeps when they are those of the list as it is; else found anew.
    const KeptCrossings* kept = nullptr;
    std::optional<CrossingIndex> index;
    if (crossings == CrossingPass::Indexed) {
        if (view.crossingGaps.get().current(objects))
            kept = &view.crossingGaps.get();
        else
            index.emplace(objects);
    }
    KeptGapsInView keptGaps(kept, shown, ctx);
    const PaintReach reach(settings, view);
    // The bounds kept for every zoom tell most objects out of sight at a glance; those they
    // cannot tell (and annotations drawn away from their place) are measured at this zoom.
    const double zoomNow = view.ZoomPara;
    const std::vector<ReachBounds>* bounds =
        shown && zoomNow > 0.0 && std::isfinite(zoomNow)
            ? view.paintReach.get().current(objects, settings, view.axes())
            : nullptr;
    const auto unseen = [&](std::size_t j, const model::Vec3& textAt, bool moved = false) {
        if (!shown) return false;
        if (bounds && !moved && !(*bounds)[j].mayMeet(*shown, zoomNow)) return true;
        return !shown->meets(reach.of(objects.at(j), textAt));
    };
    for (std::size_t j = 0; j < objects.size(); ++j) {
        const PipeObject& o = objects.at(j);
        if (!drawsAnnotationInPass(o)) continue;
        const bool shifted = shift != shifts.end() && shift->index == j;
        const double zoom = view.ZoomPara;
        const model::Vec3 textAt =
            shifted ? model::Vec3(o.dimTxt_st.x + shift->dx / zoom, o.dimTxt_st.y + shift->dy / zoom, o.dimTxt_st.z)
                    : o.dimTxt_st;
        if (unseen(j, textAt, shifted)) {
            if (shifted) ++shift;
            continue;
        }
        layer(SheetLayer::DimensionText, &o);
        const int angle = j < view.annotationAngles.size() ? view.annotationAngles[j] : 0;
        if (shifted) {
            // Drawn as laid out, only moved; the pipe keeps its layout.
            PipeObject moved = o;
            moved.dimTxt_st = textAt;
            moved.dimYX1_st.x = 1.0;
            paintPreparedAnnotation(moved, ctx, angle);
            ++shift;
        } else {
            paintPreparedAnnotation(o, ctx, angle);
        }
        layer(sheetLayerOf(o), &o);
        DrawObjectBody(o, ctx, false);
        if (kept)
            keptGaps.draw(objects, j);
        else if (index)
            index->drawGaps(ctx, j);
        else
            DrawCrossingGaps(objects, ctx, o, j);
    }
    // Tees above the pipes.
    for (std::size_t j = 0; j < objects.size(); ++j)
        if (const PipeObject& o = objects.at(j); is(o, ObjectKind::Tee) && !unseen(j, o.dimTxt_st)) {
            layer(sheetLayerOf(o), &o);
            DrawObjectBody(o, ctx, false);
        }
    // Break lines, and welds once more above pipes and tees.
    for (std::size_t j = 0; j < objects.size(); ++j)
        if (const PipeObject& o = objects.at(j);
            (is(o, ObjectKind::CutLine) || is(o, ObjectKind::Weld)) && !unseen(j, o.dimTxt_st)) {
            layer(sheetLayerOf(o), &o);
            DrawObjectBody(o, ctx, false);
        }

    if (overlay == Overlay::Selection) drawSelectionOverlay(doc.selection, ctx);
}

}  // namespace

void paint(const model::Document& doc, const ViewState& view, platform::Canvas& canvas,
           CrossingPass crossings, Overlay overlay) {
    paintWith(doc, PaintContext{canvas, doc.settings(), view}, crossings, overlay);
}

void paintForCad(const model::Document& doc, const ViewState& view,
                 const model::DrawingSettings& settings, platform::Canvas& canvas) {
    PaintContext ctx{canvas, settings, view};
    ctx.allDimensionLines = true;
    paintWith(doc, ctx, CrossingPass::Indexed, Overlay::None);
}

bool beginDraw(model::Document& doc, ViewState& view, const platform::Canvas& whole,
               ViewHost* host) {
    // A paint that starts while one is running does nothing.
    if (view.painting) return false;
    PaintingFlag painting(view.painting);
    prepareView(doc, view, whole, host);
    return true;
}

void endDraw(const ViewState& view, ViewHost* host) {
    // A report page is shown: the mouse tool rests.
    if (showsReport(view) && host) host->resetTool();
}

void OnDraw(model::Document& doc, ViewState& view, platform::Canvas& canvas, ViewHost* host,
            CrossingPass crossings, Overlay overlay) {
    if (!beginDraw(doc, view, canvas, host)) return;
    paint(doc, view, canvas, crossings, overlay);
    endDraw(view, host);
}

void onLayout(model::Document& doc, ViewState& view, platform::Canvas& canvas, ViewHost* host) {
    // What prepareView does for a paint, for a view nobody sees: every annotation is laid out
    // where it belongs, none slid.
    if (view.painting) return;
    PaintingFlag painting(view.painting);
    if (!prepareCommon(doc, view, host)) {
        if (host) host->resetTool();
        return;
    }
    placeAxisIndicator(view, canvas);
    model::ObjectList& objects = doc.drawing.objects;
    placeLabels(objects, doc.settings(), view);
    prepareAnnotations(objects, doc.settings(), view);
    returnFrameTexts(view, doc.drawing);
    doc.keepLayout();
}

SavedColours OnPreparePrinting(model::DrawingSettings& settings) {
    SavedColours saved;
    if (!settings.PrintIsNoColor) return saved;
    const auto colours = printColours(settings);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        saved.colours[i] = *colours[i];
        *colours[i] = i == 0 ? kWhite : kBlack;
    }
    saved.saved = true;
    return saved;
}

void OnEndPrinting(model::DrawingSettings& settings, const SavedColours& saved) {
    if (!saved.saved) return;
    const auto colours = printColours(settings);
    for (std::size_t i = 0; i < colours.size(); ++i) *colours[i] = saved.colours[i];
}

void OnPrint(model::Document& doc, ViewState& view, platform::Canvas& canvas, int page,
             int printLeft) {
    const int step = view.reportDisplay[0] ? kReportPageHeight : view.pageExtent.cx;
    canvas.setWindowOrigin({printLeft, model::truncToInt((1.0 - page) * step)});
    OnDraw(doc, view, canvas, nullptr, CrossingPass::Indexed, Overlay::None);
}

}  // namespace tubra::view
