#include "platform/Canvas.h"

#include <algorithm>
#include <cmath>

namespace platform {

Pen Pen::fromStyle(int style, int width, Colour colour) {
    const PenStyle s = (style >= 0 && style <= 5) ? static_cast<PenStyle>(style) : PenStyle::Solid;
    return {s, width, colour};
}

namespace {
// Device coordinates come from doubles; keep them inside int range whatever the input.
int roundToInt(double v) {
    if (!(v > -2147483648.0)) return -2147483647 - 1;
    if (!(v < 2147483647.0)) return 2147483647;
    return static_cast<int>(std::lround(v));
}
}  // namespace

Pen Canvas::setPen(const Pen& pen) { return change(state_.pen, pen); }
Brush Canvas::setBrush(const Brush& brush) { return change(state_.brush, brush); }
Font Canvas::setFont(const Font& font) { return change(state_.font, font); }
RasterOp Canvas::setRasterOp(RasterOp op) { return change(state_.rasterOp, op); }
Colour Canvas::setTextColour(Colour c) { return change(state_.textColour, c); }
Colour Canvas::setBackgroundColour(Colour c) { return change(state_.backgroundColour, c); }
BackgroundMode Canvas::setBackgroundMode(BackgroundMode mode) {
    return change(state_.backgroundMode, mode);
}
Point Canvas::setWindowOrigin(Point logical) { return change(state_.windowOrigin, logical); }
Point Canvas::setViewportOrigin(Point device) { return change(state_.viewportOrigin, device); }

void Canvas::save() { saved_.push_back(state_); }

void Canvas::restore() {
    if (saved_.empty()) return;
    state_ = saved_.back();
    saved_.pop_back();
    stateChanged();
}

void Canvas::moveTo(Point p) { state_.position = p; }

void Canvas::lineTo(Point p) {
    const Point from = state_.position;
    state_.position = p;
    doLine(from, p);
}

void Canvas::polyline(std::span<const Point> points) {
    if (points.size() < 2) return;
    doPolyline(points);
}

void Canvas::polygon(std::span<const Point> points) {
    if (points.size() < 2) return;
    doPolygon(points);
}

void Canvas::polyBezier(std::span<const Point> points) {
    // A start point and whole curves of three points each; a trailing partial curve is dropped.
    if (points.size() < 4) return;
    const std::size_t n = 1 + (points.size() - 1) / 3 * 3;
    doPolyBezier(points.first(n));
}

void Canvas::ellipse(const Rect& bounds) { doEllipse(normalisedLogical(bounds)); }

void Canvas::rectangle(const Rect& r) { doRectangle(normalisedLogical(r)); }

void Canvas::fillRect(const Rect& r, Colour colour) { doFillRect(normalisedLogical(r), colour); }

void Canvas::textOut(Point p, std::string_view gbk) {
    if (gbk.empty()) return;
    doTextOut(p, gbk);
}

int Canvas::drawText(const Rect& r, std::string_view gbk, unsigned format) {
    if (gbk.empty()) return 0;
    std::vector<std::string_view> lines;
    if (format & TextFormat::SingleLine)
        lines.push_back(gbk);
    else
        lines = splitTextLines(gbk);
    return doDrawText(normalisedLogical(r), lines, format);
}

Point Canvas::toDevice(Point p) const {
    const double s = pixelsPerUnit();
    const CanvasState& st = state_;
    return {saturate(static_cast<long long>(
                         roundToInt((static_cast<double>(p.x) - st.windowOrigin.x) * s)) +
                     st.viewportOrigin.x),
            saturate(static_cast<long long>(
                         roundToInt((static_cast<double>(st.windowOrigin.y) - p.y) * s)) +
                     st.viewportOrigin.y)};
}

Point Canvas::toLogical(Point d) const {
    const double s = pixelsPerUnit();
    const CanvasState& st = state_;
    return {saturate(static_cast<long long>(
                         roundToInt((static_cast<double>(d.x) - st.viewportOrigin.x) / s)) +
                     st.windowOrigin.x),
            saturate(static_cast<long long>(st.windowOrigin.y) -
                     roundToInt((static_cast<double>(d.y) - st.viewportOrigin.y) / s))};
}

Rect Canvas::toLogical(const Rect& d) const {
    const Point a = toLogical(Point{d.left, d.top});
    const Point b = toLogical(Point{d.right, d.bottom});
    return {a.x, a.y, b.x, b.y};
}

Rect Canvas::toDevice(const Rect& l) const {
    const Point a = toDevice(Point{l.left, l.top});
    const Point b = toDevice(Point{l.right, l.bottom});
    return {a.x, a.y, b.x, b.y};
}

Rect Canvas::clipBox() const {
    const Size s = deviceSize();
    return toLogical(Rect{0, 0, s.cx, s.cy});
}

Rect Canvas::shownDevice() const {
    if (shownPart_) return *shownPart_;
    const Size s = deviceSize();
    return Rect{0, 0, s.cx, s.cy};
}

std::vector<std::string_view> splitTextLines(std::string_view gbk) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < gbk.size(); ++i) {
        const char c = gbk[i];
        if (c != '\r' && c != '\n') continue;
        lines.push_back(gbk.substr(start, i - start));
        if (c == '\r' && i + 1 < gbk.size() && gbk[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < gbk.size()) lines.push_back(gbk.substr(start));
    return lines;
}

std::vector<Point> layoutTextLines(const Rect& r, const std::vector<int>& widths, int h,
                                   unsigned format) {
    // In 64 bits: rectangles and heights may be anything a file holds.
    const Rect n = normalisedLogical(r);
    const long long total = static_cast<long long>(h) * static_cast<long long>(widths.size());
    long long top = n.top;
    if (format & TextFormat::SingleLine) {
        // Vertical placement applies to single lines only, as with the usual text layout.
        if (format & TextFormat::Bottom)
            top = n.bottom + total;
        else if (format & TextFormat::VCenter)
            top = n.top - (static_cast<long long>(n.top) - n.bottom - total) / 2;
    }
    std::vector<Point> out;
    out.reserve(widths.size());
    for (std::size_t i = 0; i < widths.size(); ++i) {
        long long x = n.left;
        if (format & TextFormat::Center)
            x = n.left + (static_cast<long long>(n.right) - n.left - widths[i]) / 2;
        else if (format & TextFormat::Right)
            x = static_cast<long long>(n.right) - widths[i];
        out.push_back({saturate(x), saturate(top - static_cast<long long>(h) * static_cast<long long>(i))});
    }
    return out;
}

Rect normalisedLogical(const Rect& r) {
    return {std::min(r.left, r.right), std::max(r.top, r.bottom), std::max(r.left, r.right),
            std::min(r.top, r.bottom)};
}

}  // namespace platform
