#include "tubra/view/LineWork.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "tubra/view/Annotations.h"
#include "tubra/view/PaintReach.h"
#include "tubra/view/SheetLayers.h"
#include "tubra/view/Symbols.h"

namespace tubra::view {

using model::directionCode;
using model::ObjectKind;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;
using platform::Brush;
using platform::Pen;
using platform::PenStyle;
using platform::Point;

namespace {

constexpr platform::Colour kWhite = 0xFFFFFF;

Vec3 scaled(const Vec3& p, double zoom) { return {p.x * zoom, p.y * zoom, p.z * zoom}; }

void line(platform::Canvas& c, Point a, Point b) {
    c.moveTo(a);
    c.lineTo(b);
}

// Sum-halving midpoint of two device points, as integers.
Point midpoint(Point a, Point b) {
    return {truncToInt((static_cast<double>(a.x) + b.x) / 2.0),
            truncToInt((static_cast<double>(a.y) + b.y) / 2.0)};
}

// The square of half-size `r` around `m`, clamped to the int range.
platform::Rect around(Point m, long long r) {
    using platform::saturate;
    return {saturate(m.x - r), saturate(m.y + r), saturate(m.x + r), saturate(m.y - r)};
}

bool near(double angle, double target) { return std::fabs(angle - target) <= 1.0; }

// The direction code a slanted pipe's leg is dimensioned as.
int legDirection(const PipeObject& leg, const AxisAngles& axes) {
    const double t = SegmentAngle(leg.Port1, leg.Port2);
    if (near(t, axes.beta) || near(t, axes.beta + 180.0)) return 5;
    if (near(t, 360.0 - axes.alpha) || near(t, 540.0 - axes.alpha)) return 2;
    if (near(t, 90.0) || near(t, 270.0)) return 0;
    return 2;
}

PipeObject makeLeg(const Vec3& from, const Vec3& to, double length, const AxisAngles& axes) {
    PipeObject leg;
    leg.MainType = model::kindValue(ObjectKind::Pipe);
    leg.SubType = 0;
    leg.StrtDir = -1;
    leg.Port1 = from;
    leg.Port2 = to;
    leg.Distanc = length;
    leg.EndDir = legDirection(leg, axes);
    return leg;
}

void drawStraightPipe(const PipeObject& o, const PaintContext& ctx, const Pen& pen) {
    const auto& s = ctx.settings;
    const bool shown = (o.SubType == 0 && s.ZhuXianLayer) || (o.SubType == 1 && s.ZhiXianLayer);
    if (!shown) return;
    ctx.canvas.setPen(pen);
    // Always drawn exactly along the nearest axis, with the length of the ports' distance.
    SnapToAxis(ctx.axes(), scaled(o.Port1, ctx.zoom()), scaled(o.Port2, ctx.zoom()), &ctx.canvas);
}

void drawSlantedPipe(const PipeObject& o, const PaintContext& ctx, const Pen& pen,
                     bool selected) {
    platform::Canvas& c = ctx.canvas;
    const double z = ctx.zoom();
    if (directionCode(o.EndDir) == 6) {
        if (auto legs = planeSlantLegs(o, ctx.axes())) {
            if (!selected) {
                if (!o.DistTxt.empty() && o.DistTxt.view().front() == ' ') {
                    legs->first.DistTxt = "   ";
                    legs->second.DistTxt = "   ";
                }
                DrawAnnotation(legs->first, ctx, false);
                DrawAnnotation(legs->second, ctx, false);
                // The legs' dimensions went to their own layers.
                c.setLayer(static_cast<int>(sheetLayerOf(o)), &o);
            }
            const auto& s = ctx.settings;
            c.setPen({PenStyle::Dash, 1, selected ? s.SelectionColor : s.PingXieColor});
            line(c, devicePoint(legs->first.Port1, z), devicePoint(legs->first.Port2, z));
            line(c, devicePoint(legs->second.Port1, z), devicePoint(legs->second.Port2, z));
        }
    }
    c.setPen(pen);
    line(c, devicePoint(o.Port1, z), devicePoint(o.Port2, z));
}

void drawPipe(const PipeObject& o, const PaintContext& ctx, bool selected) {
    Pen pen = pipePen(ctx.settings, o.SubType);
    if (selected) pen.colour = ctx.settings.SelectionColor;
    const int run = directionCode(o.EndDir);
    // Slanted pipes show whatever the pipe layers say.
    if (run == 6 || run == 7)
        drawSlantedPipe(o, ctx, pen, selected);
    else
        drawStraightPipe(o, ctx, pen);
}

void drawElbow(const PipeObject& o, const PaintContext& ctx) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    // An elbow keeps its colour when drawn selected.
    c.setPen(Pen::fromStyle(s.QiTaStyle, truncToInt(s.QiTaKuan), s.GuanJianColor));
    const Point p1 = devicePoint(o.Port1, ctx.zoom());
    const Point p2 = devicePoint(o.Port2, ctx.zoom());
    const Point corner = devicePoint(o.Port4, ctx.zoom());
    const Point curve[4] = {p1, midpoint(p1, corner), midpoint(corner, p2), p2};
    c.polyBezier(curve);
}

void drawTee(const PipeObject& o, const PaintContext& ctx, bool selected) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    c.setPen(Pen::fromStyle(s.QiTaStyle, truncToInt(s.QiTaKuan),
                            selected ? s.SelectionColor : s.GuanJianColor));
    line(c, devicePoint(o.Port1, ctx.zoom()), devicePoint(o.Port2, ctx.zoom()));
    line(c, devicePoint(o.Port4, ctx.zoom()), devicePoint(o.Port3, ctx.zoom()));
}

void drawWeld(const PipeObject& o, const PaintContext& ctx, bool selected) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    c.setPen({PenStyle::Solid, 1, selected ? s.SelectionColor : s.HanFengColor});
    c.setBrush(Brush::solid(kWhite));
    // The circle keeps its size at every zoom.
    const int r = truncToInt(s.HanFengKuan);
    const Point m = devicePoint(o.Port1, ctx.zoom());
    c.ellipse(around(m, r));
}

void drawBreakLine(const PipeObject& o, const PaintContext& ctx, bool selected) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    const Point p1 = devicePoint(o.Port1, ctx.zoom());
    const Point p2 = devicePoint(o.Port2, ctx.zoom());
    // Erase the pipe under the break with a slightly wider background line.
    if (o.SubType == 0 || o.SubType == 1) {
        const bool main = o.SubType == 0;
        c.setPen(Pen::fromStyle(main ? s.ZhuXianStyle : s.ZhiXianStyle,
                                platform::saturate(static_cast<long long>(truncToInt(
                                                       main ? s.ZhuXianKuan : s.ZhiXianKuan)) +
                                                   2),
                                s.BeiJingColor));
        line(c, p1, p2);
    }
    // The two S-shaped marks, at the end and then at the start.
    c.setPen({PenStyle::Solid, 1, selected ? s.SelectionColor : s.GuanJianColor});
    c.setBrush(Brush::solid(s.BeiJingColor));
    const double k = o.SubType == 0   ? 2.0 * s.ZhuXianKuan
                     : o.SubType == 1 ? 2.0 * s.ZhiXianKuan
                                      : 50.0;
    const double phi = (90.0 - o.EndDir) * kDegToRad;
    const double cosPhi = std::cos(phi);
    const double absSinPhi = std::fabs(std::sin(phi));
    for (const Point p : {p2, p1}) {
        Point mark[9];
        int n = 0;
        for (double t = -kPi; t <= 3.24159255 && n < 9; t += 6.2831851 / 8) {
            mark[n++] = {truncToInt(p.x + static_cast<double>(truncToInt(k * t * cosPhi))),
                         truncToInt(p.y + static_cast<double>(
                                              truncToInt(k * (std::sin(t) - absSinPhi * t))))};
        }
        c.polyline(std::span<const Point>(mark, static_cast<std::size_t>(n)));
    }
}

// The two ends of the front piece of a gap: the points of F's line at distance g either side
// of the crossing.
std::pair<Vec3, Vec3> frontPiece(const PipeObject& f, const Vec3& x, double g) {
    const double x1 = f.Port1.x, y1 = f.Port1.y, x2 = f.Port2.x, y2 = f.Port2.y;
    if (x1 == x2) return {{x.x, x.y - g, 0.0}, {x.x, x.y + g, 0.0}};
    if (y1 == y2) return {{x.x - g, x.y, 0.0}, {x.x + g, x.y, 0.0}};
    const double slope = (y2 - y1) / (x2 - x1);
    const double dx = std::cos(std::atan(slope)) * g;
    const double xa = x.x - dx, xb = x.x + dx;
    return {{xa, y1 + slope * (xa - x1), 0.0}, {xb, y1 + slope * (xb - x1), 0.0}};
}

// Elevation of a segment at a point on it: along y when its y changes, else along x.
double elevationAt(const PipeObject& s, double x, double y) {
    const Vec3& p = s.Port1;
    const Vec3& q = s.Port2;
    if (q.y != p.y) return p.z + (q.z - p.z) * (y - p.y) / (q.y - p.y);
    return p.z + (q.z - p.z) * (x - p.x) / (q.x - p.x);
}

bool within(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

bool isPipe(const PipeObject& o) { return o.MainType == model::kindValue(ObjectKind::Pipe); }

}  // namespace

Pen pipePen(const model::DrawingSettings& s, int subType) {
    if (subType == 0) return Pen::fromStyle(s.ZhuXianStyle, truncToInt(s.ZhuXianKuan), s.ZhuXianColor);
    return Pen::fromStyle(s.ZhiXianStyle, truncToInt(s.ZhiXianKuan), s.ZhiXianColor);
}

std::optional<SlantLegs> planeSlantLegs(const PipeObject& pipe, const AxisAngles& axes) {
    if (directionCode(pipe.EndDir) != 6) return std::nullopt;
    const int plane = directionCode(pipe.StrtDir);
    if (plane < 0 || plane > 2) return std::nullopt;
    const bool firstSmaller = pipe.Port1.x < pipe.Port2.x;
    const Vec3& h = firstSmaller ? pipe.Port1 : pipe.Port2;
    const Vec3& g = firstSmaller ? pipe.Port2 : pipe.Port1;
    const double sEast = std::tan((360.0 - axes.alpha) * kDegToRad);
    const double sNorth = std::tan(axes.beta * kDegToRad);
    Vec3 c(g.x, 0.0, h.z);
    if (plane == 0 || plane == 1) {
        c.y = h.y + (plane == 0 ? sEast : sNorth) * (g.x - h.x);
    } else {
        // The line along the east-west axis through h meets the north-south one through g.
        c.x = sEast == sNorth ? h.x : (g.y - h.y + sEast * h.x - sNorth * g.x) / (sEast - sNorth);
        c.y = h.y + sEast * (c.x - h.x);
    }
    const bool horizontal = plane == 2;
    const double firstLength = horizontal ? pipe.Port3.x : pipe.Port3.y;
    const double secondLength = horizontal ? pipe.Port3.y : pipe.Port3.x;
    return SlantLegs{makeLeg(h, c, firstLength, axes), makeLeg(c, g, secondLength, axes)};
}

void DrawObjectBody(const PipeObject& o, const PaintContext& ctx, bool selected) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(selected ? platform::RasterOp::XorPen : platform::RasterOp::Copy);
    c.setBackgroundColour(s.BeiJingColor);
    // An object of a MainType no kind has is not drawn.
    switch (o.kind()) {
        case ObjectKind::Pipe: drawPipe(o, ctx, selected); break;
        case ObjectKind::Elbow:
            if (s.GuanJianLayer) drawElbow(o, ctx);
            break;
        case ObjectKind::Weld:
            if (s.GuanJianLayer) drawWeld(o, ctx, selected);
            break;
        case ObjectKind::Tee:
            if (s.GuanJianLayer) drawTee(o, ctx, selected);
            break;
        case ObjectKind::CutLine:
            if (s.QiTaLayer) drawBreakLine(o, ctx, selected);
            break;
        case ObjectKind::Valve:
            if (s.FaMenLayer) DrawSymbol(o, ctx, true, selected);
            break;
        case ObjectKind::Fitting:
            if (s.GuanJianLayer) DrawSymbol(o, ctx, true, selected);
            break;
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            if (s.QiTaLayer) DrawSymbol(o, ctx, true, selected);
            break;
        case ObjectKind::TextBlock:
            if (s.QiTaLayer && !selected) DrawTextObject(o, ctx);
            break;
    }
}

Crossing FindCrossing(const PipeObject& a, const PipeObject& b, Vec3* at) {
    if (!isPipe(a) || !isPipe(b)) return Crossing::None;
    const double l = a.Port1.x, o = a.Port1.y, h = a.Port2.x, m = a.Port2.y;
    const double e = b.Port1.x, g = b.Port1.y, d = b.Port2.x, f = b.Port2.y;
    double x, y;
    if (d == e) {
        x = d;
        y = o + (m - o) * (d - l) / (h - l);
    } else if (h != l) {
        const double ka = (m - o) / (h - l);
        const double kb = (f - g) / (d - e);
        x = (g - o + ka * l - kb * e) / (ka - kb);
        y = o + ka * (x - l);
    } else {
        x = h;
        y = g + (f - g) * (h - e) / (d - e);
    }
    // Inside both segments (parallel lines give no finite point and fall out here) ...
    if (!within(x, l, h) || !within(x, e, d) || !within(y, o, m) || !within(y, g, f))
        return Crossing::None;
    // ... and not where segments meet.
    for (const Vec3* p : {&a.Port1, &a.Port2, &b.Port1, &b.Port2})
        if (p->x == x && p->y == y) return Crossing::None;
    if (at) *at = Vec3(x, y, 0.0);
    const double za = elevationAt(a, x, y);
    const double zb = elevationAt(b, x, y);
    if (za > zb) return Crossing::LaterInFront;
    if (za == zb) return Crossing::SameElevation;
    return Crossing::EarlierInFront;
}

namespace {

// The gap of a crossing at `x` (stored coordinates) with `front` in front. `shown` is the area
// the canvas shows (none: it keeps every call).
void drawGapAt(const PipeObject& front, const Vec3& x, const PaintContext& ctx,
               const std::optional<SheetArea>& shown) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    const double g = truncToInt(s.ZhuXianKuan * 3.0);
    const auto [end1, end2] = frontPiece(front, x, g);

    Pen pen;
    if (front.SubType == 0 || front.SubType == 1)
        pen = pipePen(s, front.SubType);
    else
        pen = Pen::fromStyle(s.QiTaStyle, truncToInt(s.QiTaKuan), s.GuanJianColor);

    // Erase both lines around the crossing; the square does not scale with the zoom.
    const long long half =
        2LL * truncToInt(front.SubType != 0 ? s.ZhiXianKuan : s.ZhuXianKuan);
    const Point at = devicePoint(x, ctx.zoom()), from = devicePoint(end1, ctx.zoom()), to = devicePoint(end2, ctx.zoom());
    // A long pipe in a window zoomed in crosses many pipes beyond the window's edge: their gaps
    // leave no mark there, and drawing them would cost most of the paint.
    if (shown) {
        SheetArea marks;
        for (const Point& p : {at, from, to}) marks.take(static_cast<double>(p.x), static_cast<double>(p.y));
        marks.grow(static_cast<double>(half) + std::fabs(static_cast<double>(pen.width)) + 2.0);
        if (!shown->meets(marks)) return;
    }
    c.fillRect(around(at, half), s.BeiJingColor);

    // The pen and the position go back as they were (what a saved state would give back, for
    // a fraction of its cost: a large drawing has tens of thousands of gaps).
    const Point position = c.currentPosition();
    const Pen before = c.setPen(pen);
    line(c, from, to);
    c.setPen(before);
    c.moveTo(position);
}

}  // namespace

void drawCrossingGap(const PipeObject& later, const PipeObject& earlier, const PaintContext& ctx) {
    Vec3 x;
    const Crossing r = FindCrossing(later, earlier, &x);
    if (r != Crossing::EarlierInFront && r != Crossing::LaterInFront) return;
    drawGapAt(r == Crossing::EarlierInFront ? earlier : later, x, ctx, shownArea(ctx.canvas));
}

void drawKeptGap(const model::ObjectList& objects, const KeptCrossings::Gap& gap,
                 const PaintContext& ctx, const std::optional<SheetArea>& shown) {
    if (gap.front() >= objects.size()) return;
    drawGapAt(objects.at(gap.front()), gap.at(), ctx, shown);
}

void DrawCrossingGaps(const model::ObjectList& objects, const PaintContext& ctx,
                      const PipeObject& object, std::size_t index) {
    const std::size_t n = std::min(index, objects.size());
    for (std::size_t i = 0; i < n; ++i) drawCrossingGap(object, objects.at(i), ctx);
}

// --- the crossing index ---

namespace {
bool finite(const Vec3& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

// The cell of a coordinate, clamped into the grid. Monotonic in v, so two boxes that share a
// point share the cell of that point.
int cellOf(double v, double origin, double size, int count) {
    const double c = std::floor((v - origin) / size);
    if (!(c >= 0.0)) return 0;
    if (c >= count - 1) return count - 1;
    return static_cast<int>(c);
}
}  // namespace

CrossingIndex::CrossingIndex(const model::ObjectList& objects) {
    const std::size_t n = objects.size();
    objects_.reserve(n);
    for (const PipeObject& o : objects) objects_.push_back(&o);
    ranges_.resize(n);
    boxes_.resize(n);
    seen_.assign(n, 0);
    pipesBefore_.assign(n + 1, 0);

    // The extent of all placeable pipes.
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    std::size_t pipes = 0;
    for (std::size_t i = 0; i < n; ++i) {
        const PipeObject& o = *objects_[i];
        pipesBefore_[i + 1] = pipesBefore_[i] + (isPipe(o) ? 1 : 0);
        if (!isPipe(o)) continue;
        pipes_.push_back(i);
        if (!finite(o.Port1) || !finite(o.Port2)) {
            ranges_[i].everywhere = true;
            everywhere_.push_back(i);
            continue;
        }
        const double x0 = std::min(o.Port1.x, o.Port2.x), x1 = std::max(o.Port1.x, o.Port2.x);
        const double y0 = std::min(o.Port1.y, o.Port2.y), y1 = std::max(o.Port1.y, o.Port2.y);
        boxes_[i] = {x0, y0, x1, y1};
        if (pipes++ == 0) {
            minX = x0, maxX = x1, minY = y0, maxY = y1;
        } else {
            minX = std::min(minX, x0), maxX = std::max(maxX, x1);
            minY = std::min(minY, y0), maxY = std::max(maxY, y1);
        }
    }
    if (pipes == 0) {
        cellStart_.assign(2, 0);
        entrySums_.assign(4, 0);
        return;
    }

    // Square cells, about two per pipe.
    const double w = maxX - minX, h = maxY - minY;
    const double cellsWanted = 2.0 * static_cast<double>(pipes);
    double size = std::sqrt(w * h / cellsWanted);
    if (!(size > 0.0) || !std::isfinite(size)) size = std::max(w, h) / cellsWanted;
    if (!(size > 0.0) || !std::isfinite(size)) size = 1.0;
    const double maxPerSide = 4.0 * cellsWanted + 16.0;
    originX_ = minX;
    originY_ = minY;
    cellSize_ = size;
    columns_ = static_cast<int>(std::clamp(std::floor(w / size) + 1.0, 1.0, maxPerSide));
    rows_ = static_cast<int>(std::clamp(std::floor(h / size) + 1.0, 1.0, maxPerSide));
    // Keep the grid to a few cells per pipe whatever the shape of the extent, and the cells
    // the pipes cover to a few per pipe whatever their lengths: long pipes in a small extent
    // would otherwise fill most cells each.
    const double maxCells = 4.0 * cellsWanted + 16.0;
    const double maxEntries = 8.0 * static_cast<double>(pipes) + 64.0;
    while ((columns_ > 1 || rows_ > 1) &&
           (static_cast<double>(columns_) * rows_ > maxCells ||
            coveredCells(cellSize_, columns_, rows_) > maxEntries)) {
        cellSize_ *= 2.0;
        columns_ = std::max(1, (columns_ + 1) / 2);
        rows_ = std::max(1, (rows_ + 1) / 2);
    }

    for (std::size_t i = 0; i < n; ++i) {
        const PipeObject& o = *objects_[i];
        if (!isPipe(o) || ranges_[i].everywhere) continue;
        CellRange& r = ranges_[i];
        r.x0 = cellOf(std::min(o.Port1.x, o.Port2.x), originX_, cellSize_, columns_);
        r.x1 = cellOf(std::max(o.Port1.x, o.Port2.x), originX_, cellSize_, columns_);
        r.y0 = cellOf(std::min(o.Port1.y, o.Port2.y), originY_, cellSize_, rows_);
        r.y1 = cellOf(std::max(o.Port1.y, o.Port2.y), originY_, cellSize_, rows_);
    }

    // Counting sort of the pipes into their cells, in list order.
    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    cellStart_.assign(cells + 1, 0);
    auto forEachCell = [&](const CellRange& r, auto&& fn) {
        for (int cy = r.y0; cy <= r.y1; ++cy)
            for (int cx = r.x0; cx <= r.x1; ++cx) fn(cellIndex(cx, cy));
    };
    for (std::size_t i = 0; i < n; ++i)
        if (isPipe(*objects_[i]) && !ranges_[i].everywhere)
            forEachCell(ranges_[i], [&](std::size_t cell) { ++cellStart_[cell + 1]; });
    // The summed-area table of the entries: entrySums_[(y * (columns + 1)) + x] holds the
    // entries of the cells left of x and below y.
    const auto stride = static_cast<std::size_t>(columns_) + 1;
    entrySums_.assign(stride * (static_cast<std::size_t>(rows_) + 1), 0);
    for (int cy = 0; cy < rows_; ++cy)
        for (int cx = 0; cx < columns_; ++cx) {
            const auto x = static_cast<std::size_t>(cx), y = static_cast<std::size_t>(cy);
            entrySums_[(y + 1) * stride + x + 1] = cellStart_[cellIndex(cx, cy) + 1] + entrySums_[y * stride + x + 1] +
                                                   entrySums_[(y + 1) * stride + x] - entrySums_[y * stride + x];
        }
    for (std::size_t k = 0; k < cells; ++k) cellStart_[k + 1] += cellStart_[k];
    cellItems_.resize(cellStart_[cells]);
    std::vector<std::size_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < n; ++i)
        if (isPipe(*objects_[i]) && !ranges_[i].everywhere)
            forEachCell(ranges_[i], [&](std::size_t cell) { cellItems_[fill[cell]++] = i; });
}

double CrossingIndex::coveredCells(double size, int columns, int rows) const {
    double total = 0;
    for (const std::size_t i : pipes_) {
        if (ranges_[i].everywhere) continue;
        const Box& b = boxes_[i];
        const int x0 = cellOf(b.x0, originX_, size, columns), x1 = cellOf(b.x1, originX_, size, columns);
        const int y0 = cellOf(b.y0, originY_, size, rows), y1 = cellOf(b.y1, originY_, size, rows);
        total += static_cast<double>(x1 - x0 + 1) * static_cast<double>(y1 - y0 + 1);
    }
    return total;
}

std::size_t CrossingIndex::entriesIn(const CellRange& r) const {
    const auto stride = static_cast<std::size_t>(columns_) + 1;
    const auto x0 = static_cast<std::size_t>(r.x0), x1 = static_cast<std::size_t>(r.x1) + 1;
    const auto y0 = static_cast<std::size_t>(r.y0), y1 = static_cast<std::size_t>(r.y1) + 1;
    return entrySums_[y1 * stride + x1] - entrySums_[y0 * stride + x1] - entrySums_[y1 * stride + x0] +
           entrySums_[y0 * stride + x0];
}

const std::vector<std::size_t>& CrossingIndex::candidates(std::size_t index) {
    result_.clear();
    if (index >= objects_.size() || !isPipe(*objects_[index])) return result_;
    const std::size_t earlier = pipesBefore_[index];
    const CellRange& r = ranges_[index];
    const Box& b = boxes_[index];
    // A crossing lies inside both boxes (edges included).
    auto meets = [&](std::size_t i) {
        const Box& o = boxes_[i];
        return o.x0 <= b.x1 && b.x0 <= o.x1 && o.y0 <= b.y1 && b.y0 <= o.y1;
    };
    if (r.everywhere) {
        result_.assign(pipes_.begin(), pipes_.begin() + static_cast<std::ptrdiff_t>(earlier));
        examined_ += earlier;
        return result_;
    }
    const auto everywhereBefore = static_cast<std::size_t>(
        std::lower_bound(everywhere_.begin(), everywhere_.end(), index) - everywhere_.begin());
    // Where the cells hold more entries than there are earlier pipes, the earlier pipes one by
    // one are less work, and come in order.
    if (everywhereBefore + entriesIn(r) >= earlier) {
        for (std::size_t k = 0; k < earlier; ++k) {
            const std::size_t i = pipes_[k];
            if (ranges_[i].everywhere || meets(i)) result_.push_back(i);
        }
        examined_ += earlier;
        return result_;
    }
    const std::size_t stamp = index + 1;
    auto take = [&](std::size_t i) {
        if (seen_[i] == stamp) return;
        seen_[i] = stamp;
        result_.push_back(i);
    };
    for (std::size_t k = 0; k < everywhereBefore; ++k) take(everywhere_[k]);
    std::size_t looked = everywhereBefore;
    for (int cy = r.y0; cy <= r.y1; ++cy) {
        for (int cx = r.x0; cx <= r.x1; ++cx) {
            const std::size_t cell = cellIndex(cx, cy);
            for (std::size_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
                const std::size_t i = cellItems_[k];
                if (i >= index) break;  // items are ascending
                ++looked;
                if (meets(i)) take(i);
            }
        }
    }
    examined_ += looked;
    std::sort(result_.begin(), result_.end());
    return result_;
}

void CrossingIndex::drawGaps(const PaintContext& ctx, std::size_t index) {
    if (index >= objects_.size()) return;
    const PipeObject& object = *objects_[index];
    for (std::size_t i : candidates(index)) drawCrossingGap(object, *objects_[i], ctx);
}

// --- the kept crossings ---

namespace {
bool sameBits(double a, double b) {
    std::uint64_t x, y;
    std::memcpy(&x, &a, sizeof x);
    std::memcpy(&y, &b, sizeof y);
    return x == y;
}
bool sameBits(const Vec3& a, const Vec3& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

KeptCrossings::Gap gapOf(std::size_t later, std::size_t earlier, Crossing r, const Vec3& at) {
    KeptCrossings::Gap g;
    g.later = static_cast<std::uint32_t>(later);
    g.earlier = static_cast<std::uint32_t>(earlier);
    g.laterInFront = r == Crossing::LaterInFront;
    g.x = at.x;
    g.y = at.y;
    return g;
}

// More changed pipes than this are found anew with the grid: each looked at again alone costs
// a pass over every pipe.
constexpr std::size_t kLookAgainLimit = 64;
}  // namespace

bool KeptCrossings::Shape::operator==(const Shape& o) const {
    return pipe == o.pipe && (!pipe || (sameBits(p1, o.p1) && sameBits(p2, o.p2)));
}

KeptCrossings::Shape KeptCrossings::shapeOf(const PipeObject& o) {
    Shape s;
    s.pipe = isPipe(o);
    if (s.pipe) s.p1 = o.Port1, s.p2 = o.Port2;
    return s;
}

void KeptCrossings::update(const model::ObjectList& objects) {
    const std::size_t n = objects.size();
    if (!built_) {
        findAll(objects);
        return;
    }
    // The positions whose shape may have changed: the logged ones, or all of them when the
    // log does not tell.
    std::vector<std::size_t> maybe;
    if (cursor_.follows(objects)) {
        maybe.assign(objects.changes().begin() + static_cast<std::ptrdiff_t>(cursor_.seen),
                     objects.changes().end());
        // Positions added or taken at the end.
        for (std::size_t i = std::min(n, shapes_.size()); i < std::max(n, shapes_.size()); ++i)
            maybe.push_back(i);
        std::sort(maybe.begin(), maybe.end());
        maybe.erase(std::unique(maybe.begin(), maybe.end()), maybe.end());
    } else {
        maybe.resize(std::max(n, shapes_.size()));
        for (std::size_t i = 0; i < maybe.size(); ++i) maybe[i] = i;
    }
    std::vector<std::size_t> changed;
    for (const std::size_t i : maybe) {
        const Shape now = i < n ? shapeOf(objects.at(i)) : Shape{};
        const Shape was = i < shapes_.size() ? shapes_[i] : Shape{};
        if (!(now == was)) changed.push_back(i);
    }
    if (changed.size() > kLookAgainLimit) {
        findAll(objects);
        return;
    }
    if (!changed.empty()) lookAgain(objects, changed);
    cursor_.catchUp(objects);
}

void KeptCrossings::findAll(const model::ObjectList& objects) {
    const std::size_t n = objects.size();
    ++fullPasses_;
    gaps_.clear();
    shapes_.resize(n);
    for (std::size_t i = 0; i < n; ++i) shapes_[i] = shapeOf(objects.at(i));
    CrossingIndex index(objects);
    for (std::size_t j = 0; j < n; ++j) {
        if (!shapes_[j].pipe) continue;
        const PipeObject& later = objects.at(j);
        for (const std::size_t i : index.candidates(j)) {
            Vec3 at;
            const Crossing r = FindCrossing(later, objects.at(i), &at);
            if (r != Crossing::EarlierInFront && r != Crossing::LaterInFront) continue;
            gaps_.push_back(gapOf(j, i, r, at));
        }
    }
    built_ = true;
    cursor_.catchUp(objects);
    buildGrid();
}

void KeptCrossings::lookAgain(const model::ObjectList& objects,
                              const std::vector<std::size_t>& changed) {
    const std::size_t n = objects.size();
    const std::size_t wide = std::max(n, shapes_.size());
    std::vector<char> isChanged(wide, 0);
    for (const std::size_t i : changed) isChanged[i] = 1;
    // Every gap of a changed pipe goes; the pipes that stayed keep theirs.
    std::erase_if(gaps_, [&](const Gap& g) { return isChanged[g.later] || isChanged[g.earlier]; });
    shapes_.resize(n);
    for (const std::size_t i : changed)
        if (i < n) shapes_[i] = shapeOf(objects.at(i));

    struct Bounds {
        double x0, y0, x1, y1;
    };
    const auto boundsOf = [](const Shape& s) {
        return Bounds{std::min(s.p1.x, s.p2.x), std::min(s.p1.y, s.p2.y), std::max(s.p1.x, s.p2.x),
                      std::max(s.p1.y, s.p2.y)};
    };
    std::vector<std::size_t> pipes;
    for (std::size_t i = 0; i < n; ++i)
        if (shapes_[i].pipe) pipes.push_back(i);
    std::vector<Gap> found;
    for (const std::size_t k : changed) {
        if (k >= n || !shapes_[k].pipe) continue;
        ++pipesLookedAgain_;
        const Bounds b = boundsOf(shapes_[k]);
        // Coordinates a box cannot hold meet everything, as in the grid.
        const bool placeable = finite(shapes_[k].p1) && finite(shapes_[k].p2);
        for (const std::size_t p : pipes) {
            // A pair of two changed pipes is found from the later one.
            if (p == k || (isChanged[p] && p > k)) continue;
            if (placeable && finite(shapes_[p].p1) && finite(shapes_[p].p2)) {
                const Bounds o = boundsOf(shapes_[p]);
                if (o.x0 > b.x1 || b.x0 > o.x1 || o.y0 > b.y1 || b.y0 > o.y1) continue;
            }
            const std::size_t later = std::max(p, k), earlier = std::min(p, k);
            Vec3 at;
            const Crossing r = FindCrossing(objects.at(later), objects.at(earlier), &at);
            if (r != Crossing::EarlierInFront && r != Crossing::LaterInFront) continue;
            found.push_back(gapOf(later, earlier, r, at));
        }
    }
    const auto order = [](const Gap& a, const Gap& b) {
        return a.later != b.later ? a.later < b.later : a.earlier < b.earlier;
    };
    std::sort(found.begin(), found.end(), order);
    std::vector<Gap> merged;
    merged.reserve(gaps_.size() + found.size());
    std::merge(gaps_.begin(), gaps_.end(), found.begin(), found.end(), std::back_inserter(merged),
               order);
    gaps_ = std::move(merged);
    buildGrid();
}

void KeptCrossings::buildGrid() {
    unplaced_.clear();
    double minX = 0, maxX = 0, minY = 0, maxY = 0;
    std::size_t placed = 0;
    for (std::size_t k = 0; k < gaps_.size(); ++k) {
        const Vec3 p = gaps_[k].at();
        if (!finite(p)) {
            unplaced_.push_back(k);
            continue;
        }
        if (placed++ == 0) {
            minX = maxX = p.x, minY = maxY = p.y;
        } else {
            minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
        }
    }
    // Square cells, about four crossings each.
    const double w = maxX - minX, h = maxY - minY;
    const double cellsWanted = std::max(1.0, static_cast<double>(placed) / 4.0);
    double size = std::sqrt(w * h / cellsWanted);
    if (!(size > 0.0) || !std::isfinite(size)) size = std::max(w, h) / cellsWanted;
    if (!(size > 0.0) || !std::isfinite(size)) size = 1.0;
    const double maxPerSide = cellsWanted + 1.0;
    originX_ = minX;
    originY_ = minY;
    cellSize_ = size;
    columns_ = static_cast<int>(std::clamp(std::floor(w / size) + 1.0, 1.0, maxPerSide));
    rows_ = static_cast<int>(std::clamp(std::floor(h / size) + 1.0, 1.0, maxPerSide));
    while (static_cast<double>(columns_) * rows_ > 4.0 * cellsWanted + 16.0) {
        cellSize_ *= 2.0;
        columns_ = std::max(1, (columns_ + 1) / 2);
        rows_ = std::max(1, (rows_ + 1) / 2);
    }
    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    const auto cellOfGap = [&](const Vec3& p) {
        return static_cast<std::size_t>(cellOf(p.y, originY_, cellSize_, rows_)) *
                   static_cast<std::size_t>(columns_) +
               static_cast<std::size_t>(cellOf(p.x, originX_, cellSize_, columns_));
    };
    cellStart_.assign(cells + 1, 0);
    for (const Gap& g : gaps_)
        if (finite(g.at())) ++cellStart_[cellOfGap(g.at()) + 1];
    for (std::size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    cellItems_.resize(cellStart_[cells]);
    std::vector<std::size_t> fill(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t k = 0; k < gaps_.size(); ++k)
        if (finite(gaps_[k].at())) cellItems_[fill[cellOfGap(gaps_[k].at())]++] = k;
}

void KeptCrossings::gapsIn(double x0, double y0, double x1, double y1,
                           std::vector<std::size_t>& out) const {
    out.clear();
    out.insert(out.end(), unplaced_.begin(), unplaced_.end());
    if (columns_ > 0 && rows_ > 0 && x0 <= x1 && y0 <= y1) {
        const int cx0 = cellOf(x0, originX_, cellSize_, columns_),
                  cx1 = cellOf(x1, originX_, cellSize_, columns_);
        const int cy0 = cellOf(y0, originY_, cellSize_, rows_),
                  cy1 = cellOf(y1, originY_, cellSize_, rows_);
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx) {
                const std::size_t cell =
                    static_cast<std::size_t>(cy) * static_cast<std::size_t>(columns_) +
                    static_cast<std::size_t>(cx);
                for (std::size_t k = cellStart_[cell]; k < cellStart_[cell + 1]; ++k) {
                    const Gap& p = gaps_[cellItems_[k]];
                    if (p.x >= x0 && p.x <= x1 && p.y >= y0 && p.y <= y1)
                        out.push_back(cellItems_[k]);
                }
            }
    }
    std::sort(out.begin(), out.end());
}

KeptCrossingGaps::KeptCrossingGaps() : gaps_(std::make_unique<KeptCrossings>()) {}
KeptCrossingGaps::~KeptCrossingGaps() = default;
KeptCrossingGaps::KeptCrossingGaps(const KeptCrossingGaps&) : KeptCrossingGaps() {}
KeptCrossingGaps& KeptCrossingGaps::operator=(const KeptCrossingGaps& other) {
    if (this != &other) gaps_ = std::make_unique<KeptCrossings>();
    return *this;
}
KeptCrossingGaps::KeptCrossingGaps(KeptCrossingGaps&& other) noexcept
    : gaps_(std::move(other.gaps_)) {
    other.gaps_ = std::make_unique<KeptCrossings>();
}
KeptCrossingGaps& KeptCrossingGaps::operator=(KeptCrossingGaps&& other) noexcept {
    std::swap(gaps_, other.gaps_);
    return *this;
}

void drawSelectionOverlay(const model::SelectionSet& selection, const PaintContext& ctx) {
    for (const PipeObject* o : selection.items())
        if (o) DrawObjectBody(*o, ctx, true);
}

}  // namespace tubra::view
