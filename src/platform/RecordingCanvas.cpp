#include "platform/RecordingCanvas.h"

#include <cstdlib>

namespace platform {

namespace {
int cellHeight(const Font& f) {
    if (f.height == 0) return 40;
    return f.height == -2147483647 - 1 ? 2147483647 : std::abs(f.height);
}
int averageWidth(const Font& f) { return f.width > 0 ? f.width : cellHeight(f) / 2; }
}  // namespace

TextMetrics RecordingCanvas::textMetrics() const {
    const int h = cellHeight(state_.font);
    const int a = averageWidth(state_.font);
    TextMetrics m;
    m.height = h;
    m.descent = h / 5;
    m.ascent = h - m.descent;
    m.aveCharWidth = a;
    m.maxCharWidth = a > 1073741823 ? 2147483647 : 2 * a;
    return m;
}

Size RecordingCanvas::textExtent(std::string_view gbk) const {
    const long long w = static_cast<long long>(gbk.size()) * averageWidth(state_.font);
    return {w > 2147483647 ? 2147483647 : static_cast<int>(w), cellHeight(state_.font)};
}

CanvasCall& RecordingCanvas::record(CallKind kind) {
    CanvasCall& c = calls_.emplace_back();
    c.kind = kind;
    c.state = state_;
    return c;
}

void RecordingCanvas::doLine(Point from, Point to) { record(CallKind::Line).points = {from, to}; }

void RecordingCanvas::doPolyline(std::span<const Point> points) {
    record(CallKind::Polyline).points.assign(points.begin(), points.end());
}

void RecordingCanvas::doPolygon(std::span<const Point> points) {
    record(CallKind::Polygon).points.assign(points.begin(), points.end());
}

void RecordingCanvas::doPolyBezier(std::span<const Point> points) {
    record(CallKind::PolyBezier).points.assign(points.begin(), points.end());
}

void RecordingCanvas::doEllipse(const Rect& bounds) { record(CallKind::Ellipse).rect = bounds; }

void RecordingCanvas::doRectangle(const Rect& r) { record(CallKind::Rectangle).rect = r; }

void RecordingCanvas::doFillRect(const Rect& r, Colour colour) {
    CanvasCall& c = record(CallKind::FillRect);
    c.rect = r;
    c.colour = colour;
}

void RecordingCanvas::doTextOut(Point p, std::string_view gbk) {
    CanvasCall& c = record(CallKind::TextOut);
    c.points = {p};
    c.text.assign(gbk);
}

int RecordingCanvas::doDrawText(const Rect& r, const std::vector<std::string_view>& lines,
                                unsigned format) {
    CanvasCall& c = record(CallKind::DrawText);
    c.rect = r;
    c.format = format;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i) c.text += "\r\n";
        c.text += lines[i];
    }
    return saturate(static_cast<long long>(cellHeight(state_.font)) *
                    static_cast<long long>(lines.size()));
}

std::vector<CanvasCall> RecordingCanvas::callsOf(CallKind kind) const {
    std::vector<CanvasCall> out;
    for (const CanvasCall& c : calls_)
        if (c.kind == kind) out.push_back(c);
    return out;
}

std::size_t RecordingCanvas::count(CallKind kind) const {
    std::size_t n = 0;
    for (const CanvasCall& c : calls_) n += c.kind == kind;
    return n;
}

std::vector<DrawnSegment> RecordingCanvas::segments() const {
    std::vector<DrawnSegment> out;
    for (std::size_t i = 0; i < calls_.size(); ++i) {
        const CanvasCall& c = calls_[i];
        if (c.kind != CallKind::Line && c.kind != CallKind::Polyline &&
            c.kind != CallKind::Polygon)
            continue;
        const std::size_t n = c.points.size();
        for (std::size_t k = 0; k + 1 < n; ++k)
            out.push_back({c.points[k], c.points[k + 1], c.state.pen, c.state.rasterOp, i});
        if (c.kind == CallKind::Polygon && n > 2 && !(c.points.front() == c.points.back()))
            out.push_back({c.points.back(), c.points.front(), c.state.pen, c.state.rasterOp, i});
    }
    return out;
}

std::vector<DrawnSegment> RecordingCanvas::segmentsWhere(
    const std::function<bool(const DrawnSegment&)>& f) const {
    std::vector<DrawnSegment> out;
    for (const DrawnSegment& s : segments())
        if (f(s)) out.push_back(s);
    return out;
}

std::vector<DrawnSegment> RecordingCanvas::segmentsWithPen(const Pen& pen) const {
    return segmentsWhere([&](const DrawnSegment& s) { return s.pen == pen; });
}

std::vector<DrawnSegment> RecordingCanvas::segmentsInColour(Colour colour) const {
    return segmentsWhere([&](const DrawnSegment& s) {
        return (s.pen.colour & 0xFFFFFF) == (colour & 0xFFFFFF) && s.pen.style != PenStyle::Null;
    });
}

std::vector<std::string> RecordingCanvas::texts() const {
    std::vector<std::string> out;
    for (const CanvasCall& c : calls_)
        if (c.kind == CallKind::TextOut || c.kind == CallKind::DrawText) out.push_back(c.text);
    return out;
}

std::vector<CanvasCall> RecordingCanvas::callsSince(std::size_t from) const {
    if (from >= calls_.size()) return {};
    return {calls_.begin() + static_cast<long>(from), calls_.end()};
}

}  // namespace platform
