#include "tubra/view/SymbolLibrary.h"

#include <array>
#include <cmath>

#include "tubra/model/Kinds.h"

namespace tubra::view {

using model::PipeObject;
using model::SymbolLines;
using model::SymbolPoint;
using model::SymbolSegment;
using model::truncToInt;
using model::Vec3;

namespace {

// How far the outlet of an angle valve leans toward its outlet direction, per unit across
// the pipe.
const double kAngleValveLean = std::sin(30.0);

// One symbol, ready to be walked: table, direction, orientation and the projection.
struct Placement {
    const model::SymbolRow* row = nullptr;
    SymbolLines table;
    int dir = 0;             // EndDir 0..5
    bool reversed = false;   // laid backward, ending on the anchor
    platform::Point anchor;  // the anchor's device point
    double k = 4.0;          // table units to sheet units
    double cosA = 1, sinA = 0, cosB = 1, sinB = 0;
    double alpha = 0, beta = 0;  // radians
    int outletDir = -1;     // StrtDir of a symbol whose outlet leans (the angle valve)
    bool crossing = false;  // river and railway crossings turn onto the other horizontal axis
};

std::optional<Placement> place(const PipeObject& o, const SymbolScale& scale, bool query) {
    Placement p;
    p.row = model::symbolRow(o.SubType);
    p.dir = model::directionCode(o.EndDir);
    if (!p.row || p.dir < 0 || p.dir > 5) return std::nullopt;
    p.table = SymbolLines{p.row->lines};
    p.k = scale.symbolZoom * scale.zoom;
    const bool secondAnchor = query && o.Port2.x != kNoSecondAnchor;
    p.reversed = secondAnchor;
    // A gauge keeps its dial the same way up whichever way its pipe runs.
    if (p.row->keepsDialUp) p.reversed = p.dir != 0;
    p.anchor = devicePoint(secondAnchor ? o.Port2 : o.Port1, scale.zoom);
    p.alpha = scale.axes.alpha * kDegToRad;
    p.beta = scale.axes.beta * kDegToRad;
    p.cosA = std::cos(p.alpha);
    p.sinA = std::sin(p.alpha);
    p.cosB = std::cos(p.beta);
    p.sinB = std::sin(p.beta);
    p.outletDir = model::directionCode(o.StrtDir);
    p.crossing = o.is(model::ObjectKind::SiteMark) && p.row->crossesOtherAxis;
    return p;
}

// The angle valve's outlet leans toward its outlet direction; `along` and `across` are the
// sheet offsets along and across the pipe.
void leanOutlet(double& along, double& across, int outlet, bool verticalPipe) {
    const double c = kAngleValveLean;
    if (verticalPipe) {
        if (outlet == 2 || outlet == 3) along += c * across;
        if (outlet == 4 || outlet == 5) along -= c * across;
        if (outlet == 3 || outlet == 4) across = -across;
    } else {
        if (outlet == 3 || outlet == 4) along -= c * across;
        if (outlet == 2 || outlet == 5) along += c * across;
        if (outlet == 0 || outlet == 4 || outlet == 5) across = -across;
    }
}

// The device point of one table point.
platform::Point project(const Placement& p, double x, double y) {
    const double k = p.k;
    double g = 0, h = 0;
    switch (p.dir) {
        case 0:
            g = -k * y;
            h = p.reversed ? -k * x : k * x;
            break;
        case 1:
            g = -k * y;
            h = p.reversed ? k * x : -k * x;
            break;
        case 3:
        case 4:
            g = p.reversed ? k * x : -k * x;
            h = k * y;
            break;
        default:  // 2, 5; a reversed walk has already shifted x behind the anchor
            g = k * x;
            h = k * y;
            break;
    }
    const bool vertical = p.dir == 0 || p.dir == 1;
    if (p.row->outletLeans) {
        if (vertical)
            leanOutlet(h, g, p.outletDir, true);
        else
            leanOutlet(g, h, p.outletDir, false);
    }
    if (p.crossing && !vertical) {
        // atan2 keeps the side of points behind the anchor (and the anchor itself) where
        // they are.
        const double r = std::sqrt(g * g + h * h);
        const double a = std::atan2(h, g) + (p.dir == 2 || p.dir == 4 ? -p.beta : p.alpha);
        g = r * std::cos(a);
        h = r * std::sin(a);
    }
    double X = g, Y = h;
    if (p.dir == 2 || p.dir == 4) {
        X = g * p.cosA * p.cosA;
        Y = h - g * p.sinA * p.cosA;
    } else if (p.dir == 3 || p.dir == 5) {
        X = g * p.cosB * p.cosB;
        Y = h + g * p.sinB * p.cosB;
    }
    return {truncToInt(p.anchor.x + std::trunc(X)), truncToInt(p.anchor.y + std::trunc(Y))};
}

// Walks the segments in drawing order, calling `fn(from, to)` with device points, and
// returns the end of the last one.
template <typename Fn>
platform::Point walk(const Placement& p, Fn&& fn) {
    const SymbolLines& t = p.table;
    const std::size_t n = t.segmentCount();
    platform::Point last = p.anchor;
    // On east and north pipes a reversed symbol is taken from the end of its table, each
    // segment turned round and shifted by its length, so that it lies behind the anchor.
    const bool backward = p.reversed && (p.dir == 2 || p.dir == 5);
    const double shift = backward ? static_cast<double>(truncToInt(t.length())) : 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const SymbolSegment s = t.segment(backward ? n - 1 - i : i);
        const SymbolPoint a = backward ? s.to : s.from;
        const SymbolPoint b = backward ? s.from : s.to;
        const platform::Point from = project(p, a.x - shift, a.y);
        const platform::Point to = project(p, b.x - shift, b.y);
        fn(from, to);
        last = to;
    }
    return last;
}

Vec3 stored(platform::Point device, double zoom, double z) {
    if (!(zoom > 0.0)) return Vec3(static_cast<double>(device.x), device.y, z);
    return Vec3(device.x / zoom, device.y / zoom, z);
}

// The filled octagon of butterfly and throttle valves, centred halfway between the anchor
// and the end of the symbol.
void drawDisc(platform::Canvas& canvas, const Placement& p, platform::Point end, double s,
              platform::Colour colour) {
    const double cx = (static_cast<double>(p.anchor.x) + end.x) / 2.0;
    const double cy = (static_cast<double>(p.anchor.y) + end.y) / 2.0;
    constexpr std::array<std::array<double, 2>, 9> kCorners = {{{-0.5, 1},
                                                                {-1, 0.5},
                                                                {-1, -0.5},
                                                                {-0.5, -1},
                                                                {0.5, -1},
                                                                {1, -0.5},
                                                                {1, 0.5},
                                                                {0.5, 1},
                                                                {-0.5, 1}}};
    std::array<platform::Point, 9> points;
    for (std::size_t i = 0; i < points.size(); ++i)
        points[i] = {truncToInt(cx + kCorners[i][0] * s), truncToInt(cy + kCorners[i][1] * s)};
    canvas.setBrush(platform::Brush::solid(colour));
    canvas.polygon(points);
}

}  // namespace

std::optional<Vec3> paintSymbol(const PipeObject& object, const PaintContext& ctx, bool selected) {
    const SymbolScale scale = SymbolScale::of(ctx);
    const auto p = place(object, scale, false);
    if (!p) return std::nullopt;
    const model::DrawingSettings& s = ctx.settings;
    const platform::Colour colour = selected ? s.SelectionColor : s.FaMenColor;
    platform::Canvas& canvas = ctx.canvas;
    platform::CanvasStateGuard guard(canvas);
    if (p->row->dashDotDot)
        canvas.setPen({platform::PenStyle::DashDotDot, 1, colour});
    else
        canvas.setPen({platform::PenStyle::Solid, truncToInt(s.FaMenKuan), colour});
    const platform::Point end = walk(*p, [&](platform::Point a, platform::Point b) {
        canvas.moveTo(a);
        canvas.lineTo(b);
    });
    if (p->row->disc)
        drawDisc(canvas, *p, end, scale.symbolZoom * scale.zoom, colour);
    return stored(end, scale.zoom, object.Port1.z);
}

std::optional<Vec3> symbolExitPoint(const PipeObject& object, const SymbolScale& scale) {
    const auto p = place(object, scale, true);
    if (!p) return std::nullopt;
    const platform::Point end = walk(*p, [](platform::Point, platform::Point) {});
    const bool backward = object.Port2.x != kNoSecondAnchor;
    const Vec3& anchor = backward ? object.Port2 : object.Port1;
    double z = anchor.z;
    if (p->dir == 0) z += backward ? -object.Distanc : object.Distanc;
    if (p->dir == 1) z += backward ? object.Distanc : -object.Distanc;
    return stored(end, scale.zoom, z);
}

}  // namespace tubra::view
