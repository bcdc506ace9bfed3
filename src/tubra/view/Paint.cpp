#include "tubra/view/Paint.h"

#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/Annotations.h"
#include "tubra/view/Frame.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/LineWork.h"
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
        ApplyNewDrawing(view, doc, host ? host->askNewDrawing(view) : std::nullopt);
    } else if (doc.app().justOpened) {
        ApplyOpenedDocument(view, doc);
    } else {
        TakeFrameTexts(view, drawing);
    }
}

}  // namespace

void OnEraseBkgnd(const model::DrawingSettings& settings, platform::Canvas& canvas) {
    canvas.fillRect(canvas.clipBox(), settings.BeiJingColor);
}

void DrawAxisIndicator(ViewState& view, const model::DrawingSettings& settings,
                       platform::Canvas& canvas) {
    if (!view.axis.visible) return;
    platform::CanvasStateGuard guard(canvas);
    canvas.setFont(axisFont());
    canvas.setPen({platform::PenStyle::Solid, 2, kBlack});
    canvas.setTextColour(kBlack);
    canvas.setBackgroundColour(settings.BeiJingColor);

    // Erase where the indicator stood at the previous paint.
    const long long x = view.lastAxisOrigin.x, y = view.lastAxisOrigin.y;
    canvas.fillRect({platform::saturate(x - 20), platform::saturate(y + 100),
                     platform::saturate(x + 100), platform::saturate(y - 100)},
                    settings.BeiJingColor);

    const platform::Point origin = axisOrigin(view, canvas);
    const model::Vec3 o(origin.x, origin.y, 0);
    const AxisAngles axes = view.axes();
    const model::Vec3 up = StepAlong(axes, o, 0, 55.0, &canvas);
    const model::Vec3 north = StepAlong(axes, o, 5, 55.0, &canvas);
    const model::Vec3 east = StepAlong(axes, o, 2, 55.0, &canvas);
    canvas.textOut(Truncated({up.x - 10, up.y + 40, 0}), view.axis.labels[0].view());
    canvas.textOut(Truncated({north.x + 5, north.y + 10, 0}), view.axis.labels[1].view());
    canvas.textOut(Truncated({east.x + 5, east.y - 5, 0}), view.axis.labels[2].view());
    DrawArrowHead(canvas, axes, up, 0, kBlack);
    DrawArrowHead(canvas, axes, north, 5, kBlack);
    DrawArrowHead(canvas, axes, east, 2, kBlack);
    view.lastAxisOrigin = origin;
}

void OnDraw(model::Document& doc, ViewState& view, platform::Canvas& canvas, ViewHost* host,
            CrossingPass crossings) {
    // 1. A paint that starts while one is running does nothing.
    if (view.painting) return;
    PaintingFlag painting(view.painting);
    model::Drawing& drawing = doc.drawing;

    // 2. A file's zoom is taken over once. 3. Hand-over after "new" or "open".
    takeOver(doc, view, host);

    const PaintContext ctx{canvas, doc.settings(), view};

    // 4. A report page instead of the drawing; the scroll extent covers its pages.
    if (ShowsReport(view)) {
        const int page = view.reportDisplay[1];
        DrawReportPage(doc, ctx, page);
        view.scrollExtent = ReportExtent(doc, page);
        if (host) host->resetTool();
        return;
    }

    // 5.
    StoreViewInDrawing(view, drawing);

    // 6.
    const auto layer = [&canvas](SheetLayer l, const void* thing = nullptr) {
        canvas.setLayer(static_cast<int>(l), thing);
    };
    layer(SheetLayer::Other);
    DrawAxisIndicator(view, doc.settings(), canvas);
    layer(SheetLayer::Frame);
    if (view.frameSwitch) DrawFrame(ctx);

    // 7. Annotations, bodies and crossing gaps in list order; tees and break lines wait. New
    // labels find their places first, clear of everything else.
    model::ObjectList& objects = drawing.objects;
    if (HasLabelsToPlace(objects)) PlaceLabels(objects, doc.settings(), view);
    // Pipe lengths covered by a symbol, a label or a weld circle are drawn further along their
    // pipes, for this paint only.
    view.lengthShifts = SlidePipeLengths(objects, doc.settings(), view);
    const std::vector<LabelShift>& shifts = view.lengthShifts;
    auto shift = shifts.begin();
    std::optional<CrossingIndex> index;
    if (crossings == CrossingPass::Indexed) index.emplace(objects);
    for (std::size_t j = 0; j < objects.size(); ++j) {
        PipeObject& o = objects.at(j);
        if (is(o, ObjectKind::CutLine) || is(o, ObjectKind::Tee)) continue;
        layer(SheetLayer::DimensionLine, &o);
        if (shift != shifts.end() && shift->index == j) {
            // Drawn as laid out, only moved; the pipe keeps its layout.
            const model::Vec3 laidOut = o.dimTxt_st, mark = o.dimYX1_st;
            const double zoom = view.ZoomPara;
            o.dimTxt_st = model::Vec3(laidOut.x + shift->dx / zoom, laidOut.y + shift->dy / zoom, laidOut.z);
            o.dimYX1_st.x = 1.0;
            DrawAnnotation(o, ctx, false);
            o.dimTxt_st = laidOut;
            o.dimYX1_st = mark;
            ++shift;
        } else {
            DrawAnnotation(o, ctx, false);
        }
        layer(SheetLayerOf(o), &o);
        DrawObjectBody(o, ctx, false);
        if (index)
            index->drawGaps(ctx, j);
        else
            DrawCrossingGaps(objects, ctx, o, j);
    }
    // 8. Tees above the pipes.
    for (const PipeObject& o : objects)
        if (is(o, ObjectKind::Tee)) {
            layer(SheetLayerOf(o), &o);
            DrawObjectBody(o, ctx, false);
        }
    // 9. Break lines, and welds once more above pipes and tees.
    for (const PipeObject& o : objects)
        if (is(o, ObjectKind::CutLine) || is(o, ObjectKind::Weld)) {
            layer(SheetLayerOf(o), &o);
            DrawObjectBody(o, ctx, false);
        }

    // 10.
    view.painting = false;
    ReturnFrameTexts(view, drawing);

    // 11.
    DrawSelectionOverlay(doc.selection, ctx);
}

void OnLayout(model::Document& doc, ViewState& view, platform::Canvas& canvas, ViewHost* host) {
    // What OnDraw does, step by step, without the drawing.
    if (view.painting) return;
    PaintingFlag painting(view.painting);
    model::Drawing& drawing = doc.drawing;
    takeOver(doc, view, host);
    if (ShowsReport(view)) {
        // Showing a report page moves its lists to their pages: the page is painted.
        const int page = view.reportDisplay[1];
        DrawReportPage(doc, PaintContext{canvas, doc.settings(), view}, page);
        view.scrollExtent = ReportExtent(doc, page);
        if (host) host->resetTool();
        return;
    }
    StoreViewInDrawing(view, drawing);
    if (view.axis.visible) view.lastAxisOrigin = axisOrigin(view, canvas);
    model::ObjectList& objects = drawing.objects;
    if (HasLabelsToPlace(objects)) PlaceLabels(objects, doc.settings(), view);
    PrepareAnnotations(objects, doc.settings(), view);
    view.painting = false;
    ReturnFrameTexts(view, drawing);
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
    OnDraw(doc, view, canvas);
}

}  // namespace tubra::view
