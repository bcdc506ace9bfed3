#pragma once
// A canvas that draws nothing and records every drawing call, in logical units, together with
// the state it was made in. Tests paint into it and ask what was drawn.
//
// Text metrics are deterministic so that layouts can be checked to the unit:
//   cell height H   = |font.height|, or 40 when the height is 0
//   ascent          = H - H / 5, descent = H / 5, no leading
//   aveCharWidth  a = font.width when it is positive, else H / 2
//   maxCharWidth    = 2 * a (one two-byte character)
//   textExtent(s)   = (bytes of s * a, H): every byte is one average character wide, so a
//                     two-byte character is as wide as two single-byte ones.

#include <functional>
#include <string>
#include <vector>

#include "platform/Canvas.h"

namespace platform {

enum class CallKind {
    Line,  // lineTo: points = {from, to}
    Polyline,
    Polygon,
    PolyBezier,
    Ellipse,    // rect = bounds
    Rectangle,  // rect
    FillRect,   // rect, colour
    TextOut,    // points = {reference point}, text
    DrawText,   // rect, text (whole, unsplit), format
};

struct CanvasCall {
    CallKind kind = CallKind::Line;
    std::vector<Point> points;
    Rect rect;
    std::string text;  // GBK
    unsigned format = 0;
    Colour colour = 0;  // FillRect
    CanvasState state;  // pen, brush, font, colours, raster operation at the call
};

// One straight piece of line work: a lineTo, or one leg of a polyline or polygon outline.
struct DrawnSegment {
    Point from;
    Point to;
    Pen pen;
    RasterOp rasterOp = RasterOp::Copy;
    std::size_t call = 0;  // index of the call it came from
    // Same end points in either direction.
    bool joins(Point a, Point b) const {
        return (from == a && to == b) || (from == b && to == a);
    }
};

class RecordingCanvas : public Canvas {
public:
    struct Options {
        double pixelsPerUnit = 1.0;  // device pixels per 0.1 mm
        Size deviceSize{3000, 2100};
        bool printer = false;
    };
    RecordingCanvas() : RecordingCanvas(Options{}) {}
    explicit RecordingCanvas(const Options& options) : options_(options) {}

    TextMetrics textMetrics() const override;
    Size textExtent(std::string_view gbk) const override;
    bool isPrinter() const override { return options_.printer; }
    double pixelsPerUnit() const override { return options_.pixelsPerUnit; }
    Size deviceSize() const override { return options_.deviceSize; }
    void setPrinter(bool printer) { options_.printer = printer; }

    // --- what was drawn ---
    const std::vector<CanvasCall>& calls() const { return calls_; }
    void clear() { calls_.clear(); }
    std::vector<CanvasCall> callsOf(CallKind kind) const;
    std::size_t count(CallKind kind) const;
    // Every straight segment of lines, polylines and polygon outlines, in drawing order.
    std::vector<DrawnSegment> segments() const;
    std::vector<DrawnSegment> segmentsWhere(const std::function<bool(const DrawnSegment&)>& f) const;
    std::vector<DrawnSegment> segmentsWithPen(const Pen& pen) const;
    std::vector<DrawnSegment> segmentsInColour(Colour colour) const;
    // Texts of textOut and drawText, in drawing order.
    std::vector<std::string> texts() const;
    // Calls made from index `from` on (for "what did this step draw").
    std::vector<CanvasCall> callsSince(std::size_t from) const;

protected:
    void doLine(Point from, Point to) override;
    void doPolyline(std::span<const Point> points) override;
    void doPolygon(std::span<const Point> points) override;
    void doPolyBezier(std::span<const Point> points) override;
    void doEllipse(const Rect& bounds) override;
    void doRectangle(const Rect& r) override;
    void doFillRect(const Rect& r, Colour colour) override;
    void doTextOut(Point p, std::string_view gbk) override;
    int doDrawText(const Rect& r, const std::vector<std::string_view>& lines,
                   unsigned format) override;

private:
    CanvasCall& record(CallKind kind);

    Options options_;
    std::vector<CanvasCall> calls_;
};

}  // namespace platform
