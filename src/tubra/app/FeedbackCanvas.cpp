#include "tubra/app/FeedbackCanvas.h"

#include <algorithm>
#include <cmath>

namespace tubra::app {

namespace {
// Lines are noted in pieces of this many pixels.
constexpr double kPiece = 48.0;
}  // namespace

int FeedbackCanvas::margin() const {
    // Wide pens and round or square ends reach a few pixels past the points.
    return 3 + static_cast<int>(std::ceil(std::max(pen().width, 1) * pixelsPerUnit()));
}

void FeedbackCanvas::noteLine(platform::Point a, platform::Point b) {
    const platform::Point da = toDevice(a);
    const platform::Point db = toDevice(b);
    const double dx = static_cast<double>(db.x) - da.x;
    const double dy = static_cast<double>(db.y) - da.y;
    const double length = std::hypot(dx, dy);
    // Far outside the window a line is noted as the whole window.
    if (!(length < 1e6)) return noteAll();
    const int m = margin();
    const int pieces = std::max(1, static_cast<int>(std::ceil(length / kPiece)));
    for (int i = 0; i < pieces; ++i) {
        const double x0 = da.x + dx * i / pieces, y0 = da.y + dy * i / pieces;
        const double x1 = da.x + dx * (i + 1) / pieces, y1 = da.y + dy * (i + 1) / pieces;
        const int left = static_cast<int>(std::floor(std::min(x0, x1))) - m;
        const int top = static_cast<int>(std::floor(std::min(y0, y1))) - m;
        const int right = static_cast<int>(std::ceil(std::max(x0, x1))) + m;
        const int bottom = static_cast<int>(std::ceil(std::max(y0, y1))) + m;
        touched_ += QRect(QPoint(left, top), QPoint(right, bottom));
    }
}

void FeedbackCanvas::noteBox(platform::Point a, platform::Point b) {
    const platform::Point da = toDevice(a);
    const platform::Point db = toDevice(b);
    const int m = margin();
    touched_ += QRect(QPoint(std::min(da.x, db.x) - m, std::min(da.y, db.y) - m),
                      QPoint(std::max(da.x, db.x) + m, std::max(da.y, db.y) + m));
}

void FeedbackCanvas::noteAll() {
    touched_ = QRegion(0, 0, deviceSize().cx, deviceSize().cy);
}

void FeedbackCanvas::doLine(platform::Point a, platform::Point b) {
    noteLine(a, b);
    QtCanvas::doLine(a, b);
}

void FeedbackCanvas::doPolyline(std::span<const platform::Point> points) {
    for (std::size_t i = 1; i < points.size(); ++i) noteLine(points[i - 1], points[i]);
    QtCanvas::doPolyline(points);
}

void FeedbackCanvas::doPolygon(std::span<const platform::Point> points) {
    // Filled figures are small (markers, symbols): their box.
    platform::Point lo = points.front(), hi = points.front();
    for (const platform::Point& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y)};
    }
    noteBox(lo, hi);
    QtCanvas::doPolygon(points);
}

void FeedbackCanvas::doPolyBezier(std::span<const platform::Point> points) {
    for (std::size_t i = 1; i < points.size(); ++i) noteBox(points[i - 1], points[i]);
    QtCanvas::doPolyBezier(points);
}

void FeedbackCanvas::doEllipse(const platform::Rect& r) {
    noteBox({r.left, r.top}, {r.right, r.bottom});
    QtCanvas::doEllipse(r);
}

void FeedbackCanvas::doRectangle(const platform::Rect& r) {
    noteBox({r.left, r.top}, {r.right, r.bottom});
    QtCanvas::doRectangle(r);
}

void FeedbackCanvas::doFillRect(const platform::Rect& r, platform::Colour c) {
    noteBox({r.left, r.top}, {r.right, r.bottom});
    QtCanvas::doFillRect(r, c);
}

void FeedbackCanvas::doTextOut(platform::Point p, std::string_view gbk) {
    noteAll();
    QtCanvas::doTextOut(p, gbk);
}

int FeedbackCanvas::doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines, unsigned f) {
    noteAll();
    return QtCanvas::doDrawText(r, lines, f);
}

}  // namespace tubra::app
