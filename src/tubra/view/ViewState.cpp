#include "tubra/view/ViewState.h"

#include <algorithm>
#include <cmath>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/view/SymbolLibrary.h"

namespace tubra::view {

using model::truncToInt;

namespace {
constexpr double kMinZoom = 0.1;
constexpr double kMaxZoom = 11.0;
constexpr double kZoomStep = 0.05;
// The part of the window's width and height left free on each side by "满屏".
constexpr double kFitMargin = 0.06;

platform::Size zoomedExtent(platform::Size page, double zoom) {
    return {truncToInt(page.cx * zoom), truncToInt(page.cy * zoom)};
}

int roundToInt(double v) { return truncToInt(std::lround(std::clamp(v, -2.0e9, 2.0e9))); }

ScrollChange zoomBy(ViewState& view, model::Drawing& drawing, const platform::Rect& clientDevice,
                    double step) {
    // The anchor: the pipes' bounding box, else the window.
    double cx, cy, tx, ty;
    if (const auto box = pipeBounds(drawing.objects)) {
        cx = (box->left + box->right) / 2.0;
        cy = (box->top + box->bottom) / 2.0;
        tx = box->left;
        ty = box->top;
    } else {
        cx = (clientDevice.left + clientDevice.right) / 2;
        cy = (clientDevice.top + clientDevice.bottom) / 2;
        tx = clientDevice.left;
        ty = clientDevice.top;
    }
    const double zoom = view.ZoomPara + step;
    if (step < 0 && zoom <= kMinZoom) {
        view.ZoomPara = kMinZoom;
        return {};
    }
    if (step > 0 && zoom >= kMaxZoom) {
        view.ZoomPara = kMaxZoom;
        return {};
    }
    view.ZoomPara = zoom;
    ScrollChange change;
    view.scrollExtent = zoomedExtent(view.pageExtent, zoom);
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.scroll = true;
    change.position = {truncToInt(truncToInt(cx * zoom) - (cx - tx)),
                       truncToInt(truncToInt(cy * zoom) - (cy - ty))};
    change.invalidate = true;
    storeViewInDrawing(view, drawing);
    return change;
}

ScrollChange centredPage(ViewState& view, model::Drawing& drawing, platform::Size clientPixels,
                         double pixelsPerUnit) {
    view.ZoomPara = 1.0;
    view.scrollExtent = view.pageExtent;
    const int clientWidth = roundToInt(clientPixels.cx / pixelsPerUnit);
    const int clientHeight = -roundToInt(clientPixels.cy / pixelsPerUnit);  // y up
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.scroll = true;
    change.position = {(view.scrollExtent.cx - clientWidth) / 2,
                       (-view.scrollExtent.cy - clientHeight) / 2};
    change.invalidate = true;
    storeViewInDrawing(view, drawing);
    return change;
}
}  // namespace

platform::Size pageExtent(int pageSize) {
    return pageSize == 1 ? platform::Size{4100, 2900} : platform::Size{2900, 2050};
}

std::optional<Box> pipeBounds(const model::ObjectList& objects) {
    std::optional<Box> box;
    for (const model::PipeObject& o : objects) {
        if (!o.is(model::ObjectKind::Pipe)) continue;
        for (const model::Vec3* p : {&o.Port1, &o.Port2}) {
            if (!box) {
                box = Box{p->x, p->y, p->x, p->y};
                continue;
            }
            box->left = std::min(box->left, p->x);
            box->right = std::max(box->right, p->x);
            box->top = std::max(box->top, p->y);
            box->bottom = std::min(box->bottom, p->y);
        }
    }
    return box;
}

namespace {

std::optional<Box> boundsOf(const model::ObjectList& objects, bool everything) {
    std::optional<Box> box;
    const auto take = [&](const model::Vec3& p) {
        if (!std::isfinite(p.x) || !std::isfinite(p.y)) return;
        if (!box) {
            box = Box{p.x, p.y, p.x, p.y};
            return;
        }
        box->left = std::min(box->left, p.x);
        box->right = std::max(box->right, p.x);
        box->top = std::max(box->top, p.y);
        box->bottom = std::min(box->bottom, p.y);
    };
    for (const model::PipeObject& o : objects) {
        switch (o.kind()) {
            case model::ObjectKind::Pipe:
                take(o.Port1);
                take(o.Port2);
                break;
            case model::ObjectKind::Valve:
            case model::ObjectKind::Fitting:
            case model::ObjectKind::Accessory:
            case model::ObjectKind::SiteMark:
                take(o.Port1);
                // A symbol drawn from one anchor marks its second port as none.
                if (o.Port2.x != kNoSecondAnchor) take(o.Port2);
                break;
            case model::ObjectKind::Elbow:
                take(o.Port1);
                take(o.Port2);
                take(o.Port4);
                break;
            case model::ObjectKind::Tee:
                take(o.Port1);
                take(o.Port2);
                take(o.Port3);
                break;
            case model::ObjectKind::Weld: take(o.Port1); break;
            // Cut lines lie on pipes and free texts are notes: only the whole drawing counts them.
            case model::ObjectKind::CutLine:
                if (everything) {
                    take(o.Port1);
                    take(o.Port2);
                }
                break;
            case model::ObjectKind::TextBlock:
                if (everything) take(o.Port1);
                break;
        }
    }
    return box;
}

}  // namespace

std::optional<Box> pipelineBounds(const model::ObjectList& objects) { return boundsOf(objects, false); }

std::optional<Box> drawnBounds(const model::ObjectList& objects) { return boundsOf(objects, true); }

void storeViewInDrawing(const ViewState& view, model::Drawing& drawing) {
    drawing.ZoomPara = view.ZoomPara;
    drawing.X_AxisAngle = view.X_AxisAngle;
    drawing.Y_AxisAngle = view.Y_AxisAngle;
    drawing.Total() = static_cast<std::int32_t>(drawing.objects.size());
}

ScrollChange initialUpdate(ViewState& view, const model::Drawing& drawing) {
    view.X_AxisAngle = drawing.X_AxisAngle;
    view.Y_AxisAngle = drawing.Y_AxisAngle;
    view.axis = drawing.AxisSet;
    view.title = drawing.title;
    view.table = drawing.table;
    view.pageExtent = pageExtent(drawing.PageSize);
    view.scrollExtent = view.pageExtent;
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.scroll = true;
    change.position = {view.pageExtent.cx / 6, -view.pageExtent.cy / 6};
    return change;
}

ScrollChange zoomIn(ViewState& view, model::Drawing& drawing, const platform::Rect& clientDevice) {
    return zoomBy(view, drawing, clientDevice, kZoomStep);
}

ScrollChange zoomOut(ViewState& view, model::Drawing& drawing, const platform::Rect& clientDevice) {
    return zoomBy(view, drawing, clientDevice, -kZoomStep);
}

ScrollChange fitToWindow(ViewState& view, model::Drawing& drawing, platform::Size clientPixels,
                         double pixelsPerUnit) {
    const auto box = drawnBounds(drawing.objects);
    // Nothing to fit (no pipeline, or one that is a single point): the page, centred.
    if (!box || !(box->right > box->left || box->top > box->bottom) || !(pixelsPerUnit > 0) ||
        clientPixels.cx <= 0 || clientPixels.cy <= 0)
        return centredPage(view, drawing, clientPixels, pixelsPerUnit);
    // The window in logical units, less a margin on every side for the labels beside the
    // pipes (their size does not follow the zoom).
    const double clientW = clientPixels.cx / pixelsPerUnit;
    const double clientH = clientPixels.cy / pixelsPerUnit;
    const double usableW = clientW * (1.0 - 2.0 * kFitMargin);
    const double usableH = clientH * (1.0 - 2.0 * kFitMargin);
    const double boxW = box->right - box->left;
    const double boxH = box->top - box->bottom;
    double zoom = kMaxZoom;
    if (boxW > 0.0) zoom = std::min(zoom, usableW / boxW);
    if (boxH > 0.0) zoom = std::min(zoom, usableH / boxH);
    zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    view.ZoomPara = zoom;

    // The window with the middle of the drawing in its middle, and the scroll area: the sheet
    // at the zoom, as a zoom step makes it, and as far beyond it (on any side) as the window
    // reaches.
    const double cx = (box->left + box->right) / 2.0 * zoom;
    const double cy = (box->top + box->bottom) / 2.0 * zoom;
    const platform::Size page = zoomedExtent(view.pageExtent, zoom);
    const platform::Point position{roundToInt(cx - clientW / 2.0), roundToInt(cy + clientH / 2.0)};
    const platform::Point origin{std::min(0, position.x), std::max(0, position.y)};
    const int right = std::max(page.cx, roundToInt(std::ceil(position.x + clientW)));
    const int bottom = std::min(-page.cy, roundToInt(std::floor(position.y - clientH)));
    view.scrollExtent = {right - origin.x, origin.y - bottom};
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.origin = origin;
    change.scroll = true;
    change.position = position;
    change.invalidate = true;
    storeViewInDrawing(view, drawing);
    return change;
}

ScrollChange pageSetup(ViewState& view, model::Document& doc, int pageSize,
                       const model::AxisSettings& axis) {
    doc.drawing.PageSize = pageSize;
    view.pageExtent = pageExtent(pageSize);
    view.scrollExtent = zoomedExtent(view.pageExtent, view.ZoomPara);
    view.axis = axis;
    doc.drawing.AxisSet = axis;
    ScrollChange change;
    change.setScrollSizes = true;
    change.extent = view.scrollExtent;
    change.invalidate = true;
    return change;
}

void applyNewDrawing(ViewState& view, model::Document& doc,
                     const std::optional<NewDrawingValues>& values) {
    if (values) {
        view.X_AxisAngle = values->alpha;
        view.Y_AxisAngle = values->beta;
        view.firstPointElevation = values->firstPointElevation;
    }
    view.table.clear();
    doc.app().justOpened = false;
    doc.newDrawingFlag = 0;
    if (values) {
        storeViewInDrawing(view, doc.drawing);
        doc.startModified();
    }
}

void applyOpenedDocument(ViewState& view, model::Document& doc) {
    const model::Drawing& d = doc.drawing;
    view.table = d.table;
    view.title = d.title;
    view.reportDisplay = {d.IsShowReport[0], d.IsShowReport[1]};
    view.X_AxisAngle = d.X_AxisAngle;
    view.Y_AxisAngle = d.Y_AxisAngle;
    view.axis = d.AxisSet;
    view.pageExtent = pageExtent(d.PageSize);
    doc.app().justOpened = false;
}

std::string positionReadout(const ViewState& view, platform::Point logicalCursor, int objects,
                            int discarded, int selected) {
    static const std::string fmt = text::gbk(
        "(%4d, %4d)   数量=%-5d   废弃箱中可恢复数量=%-5d  选中对象=%-3d  放大倍数=%-5.2f");
    const int x = truncToInt(logicalCursor.x / view.ZoomPara);
    const int y = truncToInt(truncToInt(logicalCursor.y / view.ZoomPara) +
                             static_cast<double>(view.scrollExtent.cy));
    return text::format(fmt, x, y, objects, discarded, selected, view.ZoomPara);
}

std::string dragReadout(const ViewState& view, const model::Vec3& start, const model::Vec3& cursor) {
    static const std::string fmt = text::gbk("管长=%-8d毫米   角度=%-6.2f度");
    double length = 0.0;
    const double angle = SegmentAngle(start, cursor, &length);
    return text::format(fmt, truncToInt(length / view.ZoomPara), angle);
}

}  // namespace tubra::view
