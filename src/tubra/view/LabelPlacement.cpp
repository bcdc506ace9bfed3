#include "tubra/view/LabelPlacement.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <unordered_set>
#include <utility>

#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Projection.h"

namespace tubra::view {

using model::ObjectKind;
using model::PipeObject;

// --- boxes ---

LabelBox LabelBox::ofText(double x, double y, int angle, double width, double height) {
    const double phi = angle / 10.0 * kDegToRad;
    LabelBox b;
    b.ux = std::cos(phi);
    b.uy = std::sin(phi);
    b.halfWidth = width / 2.0;
    b.halfHeight = height / 2.0;
    // The text hangs below its reference point: "down" is the baseline turned clockwise.
    b.cx = x + b.ux * b.halfWidth + b.uy * b.halfHeight;
    b.cy = y + b.uy * b.halfWidth - b.ux * b.halfHeight;
    return b;
}

std::array<double, 2> LabelBox::reference() const {
    return {cx - ux * halfWidth - uy * halfHeight, cy - uy * halfWidth + ux * halfHeight};
}

std::array<std::array<double, 2>, 4> LabelBox::corners() const {
    const double vx = -uy, vy = ux;
    std::array<std::array<double, 2>, 4> c{};
    int k = 0;
    for (const double s : {-1.0, 1.0})
        for (const double t : {-1.0, 1.0})
            c[static_cast<std::size_t>(k++)] = {cx + s * ux * halfWidth + t * vx * halfHeight,
                                                cy + s * uy * halfWidth + t * vy * halfHeight};
    return c;
}

bool LabelBox::overlaps(const LabelBox& o, double margin) const {
    return overlaps(o, margin, margin);
}

bool LabelBox::overlaps(const LabelBox& o, double along, double across) const {
    const double dx = o.cx - cx, dy = o.cy - cy;
    const double hw = halfWidth + along, hh = halfHeight + across;
    // Separating axes: the sides of both boxes.
    const double axes[4][2] = {{ux, uy}, {-uy, ux}, {o.ux, o.uy}, {-o.uy, o.ux}};
    for (const auto& a : axes) {
        const double r1 = hw * std::fabs(ux * a[0] + uy * a[1]) + hh * std::fabs(-uy * a[0] + ux * a[1]);
        const double r2 = o.halfWidth * std::fabs(o.ux * a[0] + o.uy * a[1]) +
                          o.halfHeight * std::fabs(-o.uy * a[0] + o.ux * a[1]);
        if (std::fabs(dx * a[0] + dy * a[1]) > r1 + r2) return false;
    }
    return true;
}

double LabelBox::distanceTo(double x, double y) const {
    const double dx = x - cx, dy = y - cy;
    const double lx = std::fabs(dx * ux + dy * uy) - halfWidth;
    const double ly = std::fabs(-dx * uy + dy * ux) - halfHeight;
    return std::hypot(std::max(lx, 0.0), std::max(ly, 0.0));
}

bool LabelBox::touchesSegment(double ax, double ay, double bx, double by, double margin) const {
    // The segment in the box's own frame, clipped against the grown box (Liang-Barsky).
    const double px = (ax - cx) * ux + (ay - cy) * uy, py = -(ax - cx) * uy + (ay - cy) * ux;
    const double qx = (bx - cx) * ux + (by - cy) * uy, qy = -(bx - cx) * uy + (by - cy) * ux;
    const double hw = halfWidth + margin, hh = halfHeight + margin;
    double t0 = 0.0, t1 = 1.0;
    const double d[2] = {qx - px, qy - py};
    const double p0[2] = {px, py};
    const double lim[2] = {hw, hh};
    for (int k = 0; k < 2; ++k) {
        for (const double sign : {-1.0, 1.0}) {
            // Inside means sign * (p0 + t d) <= lim.
            const double num = lim[k] - sign * p0[k];
            const double den = sign * d[k];
            if (den == 0.0) {
                if (num < 0.0) return false;
            } else {
                const double t = num / den;
                if (den > 0.0)
                    t1 = std::min(t1, t);
                else
                    t0 = std::max(t0, t);
                if (t0 > t1) return false;
            }
        }
    }
    return true;
}

// --- the obstacle map ---

namespace {

// A shape that would fill more cells than this is checked at every query instead.
constexpr long long kMaxCellsPerShape = 4096;
// The grid never has more cells than this, nor many more than a few per shape; wide maps take
// larger cells. (Which cell a shape lies in changes how soon a query finds it, never whether.)
constexpr double kMaxCells = 1 << 18;
constexpr double kMinCells = 1024;
constexpr double kCellsPerShape = 4;

bool finiteBounds(const ObstacleMap::Shape& s) {
    return std::isfinite(s.x0) && std::isfinite(s.y0) && std::isfinite(s.x1) && std::isfinite(s.y1);
}

// Narrows [t0, t1] of the points a + t d to those whose coordinate lies within lo .. hi;
// false when none does.
bool clipAxis(double a, double d, double lo, double hi, double& t0, double& t1) {
    if (d == 0.0) return a >= lo && a <= hi;
    double ta = (lo - a) / d, tb = (hi - a) / d;
    if (ta > tb) std::swap(ta, tb);
    t0 = std::max(t0, ta);
    t1 = std::min(t1, tb);
    return t0 <= t1;
}

// Slack on cell edges, so that rounding never leaves a piece out of a cell its stroke touches.
constexpr double kCellSlack = 1.0;

}  // namespace

ObstacleMap::ObstacleMap(double cellSize) : cellSize_(cellSize > 0.0 ? cellSize : 64.0) {}

void ObstacleMap::reserve(std::size_t count) {
    reserveLarge(shapes_, count > keptCount_ ? count - keptCount_ : 0);
    reserveLarge(stamp_, count);
}

bool ObstacleMap::addKept(std::shared_ptr<const std::vector<Shape>> block, std::size_t first, std::size_t count) {
    if (gridBuilt_ || keptBlock_ || !block || first > block->size() || count > block->size() - first) return false;
    const Shape* run = block->data() + first;
    double widest = widest_;
    for (std::size_t k = 0; k < count; ++k) {
        if (!finiteBounds(run[k])) return false;
        if (run[k].kind != Shape::Kind::Box) widest = std::max(widest, run[k].radius);
    }
    widest_ = widest;
    keptAt_ = shapes_.size();
    keptCount_ = count;
    kept_ = run;
    keptBlock_ = std::move(block);
    stamp_.resize(stamp_.size() + count, 0);
    return true;
}

std::vector<ObstacleMap::Shape> ObstacleMap::takeShapes() {
    // (A map holding kept shapes is never asked: they are not its to hand over.)
    std::vector<Shape> out = std::move(shapes_);
    *this = ObstacleMap(cellSize_);
    return out;
}

void ObstacleMap::insert(Shape s) {
    if (!finiteBounds(s)) return;  // nowhere on the sheet: nothing to avoid
    if (s.kind != Shape::Kind::Box) widest_ = std::max(widest_, s.radius);
    s.index = static_cast<std::uint32_t>(size());
    shapes_.push_back(s);
    stamp_.push_back(0);
    if (gridBuilt_) enter(size() - 1);
}

bool ObstacleMap::meets(const Shape& s, double x0, double y0, double x1, double y1) {
    if (s.x0 > x1 || x0 > s.x1 || s.y0 > y1 || y0 > s.y1) return false;
    if (s.kind != Shape::Kind::Segment) return true;
    double t0 = 0.0, t1 = 1.0;
    return clipAxis(s.ax, s.bx - s.ax, x0 - s.radius, x1 + s.radius, t0, t1) &&
           clipAxis(s.ay, s.by - s.ay, y0 - s.radius, y1 + s.radius, t0, t1);
}

int ObstacleMap::column(double x) const {
    const double c = std::floor((x - originX_) / cell_);
    if (!(c > 0.0)) return 0;
    return c >= columns_ - 1 ? columns_ - 1 : static_cast<int>(c);
}

int ObstacleMap::row(double y) const {
    const double r = std::floor((y - originY_) / cell_);
    if (!(r > 0.0)) return 0;
    return r >= rows_ - 1 ? rows_ - 1 : static_cast<int>(r);
}

void ObstacleMap::buildGrid() {
    gridBuilt_ = true;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool any = false;
    for (std::size_t i = 0; i < size(); ++i) {
        const Shape& s = shape(i);
        // Shapes of silly size do not stretch the grid; they go everywhere.
        if ((s.x1 - s.x0) * (s.y1 - s.y0) > kMaxCellsPerShape * cellSize_ * cellSize_) continue;
        if (!any) {
            x0 = s.x0, y0 = s.y0, x1 = s.x1, y1 = s.y1;
            any = true;
        }
        x0 = std::min(x0, s.x0), y0 = std::min(y0, s.y0);
        x1 = std::max(x1, s.x1), y1 = std::max(y1, s.y1);
    }
    originX_ = x0;
    originY_ = y0;
    cell_ = cellSize_;
    const double w = x1 - x0, h = y1 - y0;
    const double most =
        std::clamp(kCellsPerShape * static_cast<double>(size()), kMinCells, kMaxCells);
    if (w / cell_ * (h / cell_) > most) cell_ = std::sqrt(w * h / most);
    columns_ = static_cast<int>(std::min(kMaxCells, std::floor(w / cell_) + 1.0));
    rows_ = static_cast<int>(std::min(kMaxCells, std::floor(h / cell_) + 1.0));
    const std::size_t cells = static_cast<std::size_t>(columns_) * static_cast<std::size_t>(rows_);
    // Counted first, then filled in place: cell by cell the entries keep the order of the shapes.
    reserveLarge(cellStart_, cells + 1);
    cellStart_.assign(cells + 1, 0);
    everywhere_.clear();
    for (std::size_t i = 0; i < size(); ++i)
        if (!forEachEntry(i, [&](std::size_t c, const Entry&) { ++cellStart_[c + 1]; })) everywhere_.push_back(i);
    for (std::size_t c = 0; c < cells; ++c) cellStart_[c + 1] += cellStart_[c];
    reserveLarge(entries_, cellStart_[cells]);
    entries_.resize(cellStart_[cells]);
    LargeList<std::size_t> next(cellStart_.begin(), cellStart_.end() - 1);
    for (std::size_t i = 0; i < size(); ++i)
        forEachEntry(i, [&](std::size_t c, const Entry& e) { entries_[next[c]++] = e; });
}

template <typename Fn>
bool ObstacleMap::forEachEntry(std::size_t index, Fn&& fn) const {
    const Shape& s = shape(index);
    const auto at = static_cast<std::uint32_t>(index);
    const int cx0 = column(s.x0), cx1 = column(s.x1), cy0 = row(s.y0), cy1 = row(s.y1);
    if (static_cast<long long>(cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMaxCellsPerShape) return false;
    const auto cellAt = [&](int cx, int cy) {
        return static_cast<std::size_t>(cy) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(cx);
    };
    if (s.kind != Shape::Kind::Segment || cx0 == cx1 || cy0 == cy1) {
        // Within one row or column the bounds are as narrow as the stroke.
        const bool shared = cx0 != cx1 || cy0 != cy1;
        for (int cy = cy0; cy <= cy1; ++cy)
            for (int cx = cx0; cx <= cx1; ++cx)
                fn(cellAt(cx, cy), Entry{s.x0, s.y0, s.x1, s.y1, shared, true, at});
        return true;
    }
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double reach = s.radius + kCellSlack;
    const double dx = s.bx - s.ax, dy = s.by - s.ay;
    for (int cx = cx0; cx <= cx1; ++cx) {
        // The piece of the segment over this column (the first and last reach past the grid).
        const double left = cx == 0 ? -kInf : originX_ + cx * cell_ - reach;
        const double right = cx == columns_ - 1 ? kInf : originX_ + (cx + 1) * cell_ + reach;
        double t0 = 0.0, t1 = 1.0;
        if (!clipAxis(s.ax, dx, left, right, t0, t1)) continue;
        const double ya = s.ay + t0 * dy, yb = s.ay + t1 * dy;
        const int r0 = row(std::min(ya, yb) - reach), r1 = row(std::max(ya, yb) + reach);
        for (int cy = r0; cy <= r1; ++cy) {
            const double bottom = cy == 0 ? -kInf : originY_ + cy * cell_ - reach;
            const double top = cy == rows_ - 1 ? kInf : originY_ + (cy + 1) * cell_ + reach;
            double u0 = t0, u1 = t1;
            if (!clipAxis(s.ay, dy, bottom, top, u0, u1)) continue;
            const double px0 = s.ax + u0 * dx, px1 = s.ax + u1 * dx;
            const double py0 = s.ay + u0 * dy, py1 = s.ay + u1 * dy;
            fn(cellAt(cx, cy), Entry{std::max(s.x0, std::min(px0, px1) - s.radius),
                                     std::max(s.y0, std::min(py0, py1) - s.radius),
                                     std::min(s.x1, std::max(px0, px1) + s.radius),
                                     std::min(s.y1, std::max(py0, py1) + s.radius), true, false, at});
        }
    }
    return true;
}

void ObstacleMap::enter(std::size_t index) {
    if (lateFirst_.empty()) {
        lateFirst_.assign(cellStart_.size() - 1, kNoLate);
        lateLast_.assign(cellStart_.size() - 1, kNoLate);
        // Room for the shapes the map was told to expect (see reserve), at several cells each,
        // so that the list is not copied into fresh memory as it grows.
        const std::size_t expected = shapes_.capacity() - shapes_.size() + 1;
        reserveLarge(late_, 8 * expected);
        reserveLarge(lateNext_, 8 * expected);
    }
    const auto append = [&](std::size_t c, const Entry& e) {
        const auto k = static_cast<std::uint32_t>(late_.size());
        late_.push_back(e);
        lateNext_.push_back(kNoLate);
        if (lateLast_[c] == kNoLate)
            lateFirst_[c] = k;
        else
            lateNext_[lateLast_[c]] = k;
        lateLast_[c] = k;
    };
    if (!forEachEntry(index, append))
        everywhere_.push_back(index);
}

void ObstacleMap::addBox(const LabelBox& box, ObstacleLayer layer, std::size_t owner) {
    Shape s;
    s.kind = Shape::Kind::Box;
    s.layer = layer;
    s.owner = owner;
    s.box = box;
    const auto c = box.corners();
    s.x0 = s.x1 = c[0][0];
    s.y0 = s.y1 = c[0][1];
    for (const auto& p : c) {
        s.x0 = std::min(s.x0, p[0]);
        s.x1 = std::max(s.x1, p[0]);
        s.y0 = std::min(s.y0, p[1]);
        s.y1 = std::max(s.y1, p[1]);
    }
    insert(s);
}

void ObstacleMap::addSegment(double ax, double ay, double bx, double by, double halfWidth,
                             ObstacleLayer layer, std::size_t owner) {
    Shape s;
    s.kind = Shape::Kind::Segment;
    s.layer = layer;
    s.owner = owner;
    s.ax = ax, s.ay = ay, s.bx = bx, s.by = by;
    s.radius = halfWidth;
    s.x0 = std::min(ax, bx) - halfWidth;
    s.x1 = std::max(ax, bx) + halfWidth;
    s.y0 = std::min(ay, by) - halfWidth;
    s.y1 = std::max(ay, by) + halfWidth;
    insert(s);
}

void ObstacleMap::addCircle(double x, double y, double radius, ObstacleLayer layer,
                            std::size_t owner) {
    Shape s;
    s.kind = Shape::Kind::Circle;
    s.layer = layer;
    s.owner = owner;
    s.ax = x, s.ay = y, s.bx = 0, s.by = 0;
    s.radius = radius;
    s.x0 = x - radius, s.x1 = x + radius, s.y0 = y - radius, s.y1 = y + radius;
    insert(s);
}

void ObstacleMap::countMiddles() {
    middlesCounted_ = true;
    // Counted over the grid's area, in cells a sixteenth of the grid's side or, for a wide
    // area, as many as a few per shape.
    const double w = columns_ * cell_, h = rows_ * cell_;
    const double most = std::clamp(4.0 * static_cast<double>(size()), 4096.0, static_cast<double>(1 << 22));
    fine_ = std::max(cell_ / 16.0, std::sqrt(w * h / most));
    if (!(fine_ > 0.0) || !std::isfinite(fine_)) {
        fineColumns_ = fineRows_ = 0;
        return;
    }
    fineColumns_ = static_cast<int>(std::min(static_cast<double>(1 << 22), std::ceil(w / fine_)));
    fineRows_ = static_cast<int>(std::min(static_cast<double>(1 << 22), std::ceil(h / fine_)));
    if (static_cast<double>(fineColumns_) * fineRows_ > 2.0 * most) {
        fineColumns_ = fineRows_ = 0;
        return;
    }
    // A middle lies within its cell up to rounding: places are narrowed by this before their
    // cells are counted.
    fineSlack_ = 1e-6 * (1.0 + std::fabs(originX_) + std::fabs(originY_) + w + h);
    const std::size_t stride = static_cast<std::size_t>(fineColumns_) + 1;
    reserveLarge(middles_, stride * (static_cast<std::size_t>(fineRows_) + 1));
    middles_.assign(stride * (static_cast<std::size_t>(fineRows_) + 1), 0);
    for (std::size_t i = 0; i < size(); ++i) {
        const Shape& s = shape(i);
        const double c = std::floor(((s.x0 + s.x1) / 2.0 - originX_) / fine_);
        const double r = std::floor(((s.y0 + s.y1) / 2.0 - originY_) / fine_);
        if (!(c >= 0.0 && c < fineColumns_ && r >= 0.0 && r < fineRows_)) continue;
        ++middles_[(static_cast<std::size_t>(r) + 1) * stride + static_cast<std::size_t>(c) + 1];
    }
    for (std::size_t r = 1; r <= static_cast<std::size_t>(fineRows_); ++r)
        for (std::size_t c = 1; c < stride; ++c)
            middles_[r * stride + c] +=
                middles_[(r - 1) * stride + c] + middles_[r * stride + c - 1] - middles_[(r - 1) * stride + c - 1];
}

std::size_t ObstacleMap::surelyNear(double x0, double y0, double x1, double y1) {
    if (!gridBuilt_) buildGrid();
    if (!middlesCounted_) countMiddles();
    if (fineColumns_ == 0 || fineRows_ == 0) return 0;
    // The cells wholly inside the narrowed rectangle.
    const double c0 = std::ceil((x0 + fineSlack_ - originX_) / fine_);
    const double c1 = std::floor((x1 - fineSlack_ - originX_) / fine_);
    const double r0 = std::ceil((y0 + fineSlack_ - originY_) / fine_);
    const double r1 = std::floor((y1 - fineSlack_ - originY_) / fine_);
    // Cells c0 .. c1 - 1 and r0 .. r1 - 1, clipped to the table.
    const double a = std::max(c0, 0.0), b = std::min(c1, static_cast<double>(fineColumns_));
    const double d = std::max(r0, 0.0), e = std::min(r1, static_cast<double>(fineRows_));
    if (!(a < b) || !(d < e)) return 0;
    const std::size_t stride = static_cast<std::size_t>(fineColumns_) + 1;
    const auto at = [&](double r, double c) {
        return middles_[static_cast<std::size_t>(r) * stride + static_cast<std::size_t>(c)];
    };
    return at(e, b) - at(d, b) - at(e, a) + at(d, a);
}

const std::vector<std::size_t>& ObstacleMap::near(double x0, double y0, double x1, double y1) {
    result_.clear();
    walk(x0, y0, x1, y1, [&](std::size_t index, const Shape&) {
        result_.push_back(index);
        return true;
    });
    return result_;
}

// --- recording what the painters draw ---

platform::TextMetrics ObstacleCanvas::textMetrics() const {
    const platform::Font& f = font();
    const long long h = f.height == 0 ? 40 : std::llabs(static_cast<long long>(f.height));
    platform::TextMetrics m;
    m.height = platform::saturate(h);
    m.descent = m.height / 5;
    m.ascent = m.height - m.descent;
    m.aveCharWidth = f.width > 0 ? f.width : m.height / 2;
    m.maxCharWidth = platform::saturate(2LL * m.aveCharWidth);
    return m;
}

platform::Size ObstacleCanvas::textExtent(std::string_view gbk) const {
    const platform::TextMetrics m = textMetrics();
    return {platform::saturate(static_cast<long long>(gbk.size()) * m.aveCharWidth), m.height};
}

void ObstacleCanvas::extend(double x0, double y0, double x1, double y1) {
    if (!grouped_) {
        gx0_ = x0, gy0_ = y0, gx1_ = x1, gy1_ = y1;
        grouped_ = true;
        return;
    }
    gx0_ = std::min(gx0_, x0), gy0_ = std::min(gy0_, y0);
    gx1_ = std::max(gx1_, x1), gy1_ = std::max(gy1_, y1);
}

void ObstacleCanvas::flush() {
    if (!grouped_) return;
    grouped_ = false;
    LabelBox box;
    box.cx = (gx0_ + gx1_) / 2.0;
    box.cy = (gy0_ + gy1_) / 2.0;
    box.halfWidth = (gx1_ - gx0_) / 2.0;
    box.halfHeight = (gy1_ - gy0_) / 2.0;
    map_.addBox(box, ObstacleLayer::Symbol, owner_);
}

void ObstacleCanvas::segment(platform::Point a, platform::Point b) {
    const platform::Pen& p = pen();
    if (p.style == platform::PenStyle::Null) return;
    const double half = std::max(p.width, 1) / 2.0;
    if (figures_ == ObstacleLayer::Symbol) {
        extend(std::min(a.x, b.x) - half, std::min(a.y, b.y) - half, std::max(a.x, b.x) + half,
               std::max(a.y, b.y) + half);
        return;
    }
    map_.addSegment(a.x, a.y, b.x, b.y, half, figures_, owner_);
}

void ObstacleCanvas::doLine(platform::Point from, platform::Point to) { segment(from, to); }

void ObstacleCanvas::doPolyline(std::span<const platform::Point> points) {
    for (std::size_t i = 1; i < points.size(); ++i) segment(points[i - 1], points[i]);
}

void ObstacleCanvas::doPolygon(std::span<const platform::Point> points) {
    doPolyline(points);
    if (points.size() > 2) segment(points.back(), points.front());
}

void ObstacleCanvas::doPolyBezier(std::span<const platform::Point> points) {
    // Each curve as a few straight pieces along it.
    constexpr int kSteps = 8;
    for (std::size_t i = 0; i + 3 < points.size(); i += 3) {
        const platform::Point p0 = points[i], p1 = points[i + 1], p2 = points[i + 2], p3 = points[i + 3];
        platform::Point prev = p0;
        for (int k = 1; k <= kSteps; ++k) {
            const double t = static_cast<double>(k) / kSteps, s = 1.0 - t;
            const double x = s * s * s * p0.x + 3 * s * s * t * p1.x + 3 * s * t * t * p2.x + t * t * t * p3.x;
            const double y = s * s * s * p0.y + 3 * s * s * t * p1.y + 3 * s * t * t * p2.y + t * t * t * p3.y;
            const platform::Point next{platform::saturate(std::llround(x)),
                                       platform::saturate(std::llround(y))};
            segment(prev, next);
            prev = next;
        }
    }
}

void ObstacleCanvas::doEllipse(const platform::Rect& r) {
    const double x = (static_cast<double>(r.left) + r.right) / 2.0;
    const double y = (static_cast<double>(r.top) + r.bottom) / 2.0;
    const double radius = std::max(std::fabs(static_cast<double>(r.right) - r.left),
                                   std::fabs(static_cast<double>(r.top) - r.bottom)) / 2.0;
    if (!welds_ && figures_ == ObstacleLayer::Symbol) {
        extend(x - radius, y - radius, x + radius, y + radius);
        return;
    }
    map_.addCircle(x, y, radius, welds_ ? ObstacleLayer::WeldCircle : figures_, owner_);
}

void ObstacleCanvas::doRectangle(const platform::Rect& r) {
    const platform::Point c[4] = {{r.left, r.top}, {r.right, r.top}, {r.right, r.bottom}, {r.left, r.bottom}};
    doPolygon(c);
}

void ObstacleCanvas::doTextOut(platform::Point p, std::string_view gbk) {
    if (gbk.empty()) return;
    const platform::Size e = textExtent(gbk);
    map_.addBox(LabelBox::ofText(p.x, p.y, font().escapement, e.cx, e.cy), ObstacleLayer::Label,
                owner_);
}

int ObstacleCanvas::doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines,
                               unsigned format) {
    const platform::TextMetrics m = textMetrics();
    std::vector<int> widths;
    for (std::string_view line : lines) widths.push_back(textExtent(line).cx);
    const std::vector<platform::Point> at = platform::layoutTextLines(r, widths, m.height, format);
    const platform::Rect box = platform::normalisedLogical(r);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty()) continue;
        double left = at[i].x, right = static_cast<double>(at[i].x) + widths[i];
        if (!(format & platform::TextFormat::NoClip)) {
            left = std::max(left, static_cast<double>(box.left));
            right = std::min(right, static_cast<double>(box.right));
            if (right <= left) continue;
        }
        map_.addBox(LabelBox::ofText(left, at[i].y, 0, right - left, m.height), ObstacleLayer::Label,
                    owner_);
    }
    return platform::saturate(static_cast<long long>(m.height) * static_cast<long long>(lines.size()));
}

// --- placing ---

namespace {

// Space kept between a placed label and whatever it avoids; more between texts, and a whole
// character at the ends of a label, so that two texts in a row do not read as one.
constexpr double kMargin = 2.0;
constexpr double kTextMargin = 6.0;
constexpr double kLabelGap = 4.0;
// A weld number is nearer its own weld than any other by at least this factor.
constexpr double kOwnWeldFactor = 0.9;
constexpr int kDirections = 16;
constexpr int kRings = 6;
// Places looked at in one paint. A drawing with hundreds of crowded new labels (one made by
// another program, say) would otherwise hold up its first paint; past the budget a label
// looks only at its usual place and three others: the other side, and either way across.
constexpr long kSearchBudget = 20000;
// Obstacles one place may look at. Where more come near, the place is crowded: it costs more
// than any place counted whole, and crowded places are all alike (the first one tried stays
// best). So a label in a crowded corner costs a bounded number of looks, and a drawing whose
// places never hold this many comes out exactly as if every place were counted whole.
constexpr std::size_t kMostLooks = 256;
constexpr double kCrowdedCost = 1e9;
// A label whose usual place is crowded stands in a crowded corner: its other places only
// glance, and a place that has met something within this many looks counts as crowded too.
// A clear place is still looked at whole.
constexpr std::size_t kGlance = 32;

// A rectangle of the sheet, for finding what lies in it.
struct Area {
    double x0, y0, x1, y1;
    bool holds(const ObstacleMap::Shape& s) const { return !(s.x0 > x1 || x0 > s.x1 || s.y0 > y1 || y0 > s.y1); }
    // For visitMeeting, which passes over what holds() would refuse by the same test.
    std::array<double, 4> corners() const { return {x0, y0, x1, y1}; }
};

// Where a text box at `b` looks: what counts has its bounds within the square of `reach` about
// the box's centre, as ever, but only what comes within the box's bounds grown by the widest
// margin a test allows can touch it (texts keep `charWidth` apart, everything else kMargin
// beyond its half width or radius, at most `widest`), so only that is looked at.
struct LookArea {
    Area counts;
    Area near;
};
LookArea lookArea(const LabelBox& b, double reach, double charWidth, double widest) {
    const Area square{b.cx - reach, b.cy - reach, b.cx + reach, b.cy + reach};
    const double ex = std::fabs(b.ux) * b.halfWidth + std::fabs(b.uy) * b.halfHeight;
    const double ey = std::fabs(b.uy) * b.halfWidth + std::fabs(b.ux) * b.halfHeight;
    // Grown by m on every side, a turned box reaches at most m times the square root of two
    // further along an axis; one unit more for rounding.
    const double grow = std::sqrt(2.0) * std::max({kTextMargin, charWidth, kMargin + widest}) + 1.0;
    return {square, {b.cx - ex - grow, b.cy - ey - grow, b.cx + ex + grow, b.cy + ey + grow}};
}

}  // namespace

bool touchesShape(const LabelBox& b, const ObstacleMap::Shape& s, double charWidth) {
    switch (s.kind) {
        case ObstacleMap::Shape::Kind::Box:
            return s.layer == ObstacleLayer::Label
                       ? b.overlaps(s.box, std::max(kTextMargin, charWidth), kTextMargin)
                       : b.overlaps(s.box, kMargin);
        case ObstacleMap::Shape::Kind::Segment:
            return b.touchesSegment(s.ax, s.ay, s.bx, s.by, kMargin + s.radius);
        case ObstacleMap::Shape::Kind::Circle:
            return b.distanceTo(s.ax, s.ay) < s.radius + kMargin;
    }
    return false;
}

LabelProbe::LabelProbe(const LabelBox& box)
    : box_(box),
      ax_(std::fabs(box.ux)),
      ay_(std::fabs(box.uy)),
      ex_(ax_ * box.halfWidth + ay_ * box.halfHeight),
      ey_(ay_ * box.halfWidth + ax_ * box.halfHeight),
      slack_(1e-6 *
             (1.0 + std::fabs(box.cx) + std::fabs(box.cy) + box.halfWidth + box.halfHeight)) {}

bool LabelProbe::beside(double x0, double y0, double x1, double y1, double gx, double gy) const {
    // Written so that a coordinate that is not a number is never beside.
    return x0 > box_.cx + gx + slack_ || x1 < box_.cx - gx - slack_ || y0 > box_.cy + gy + slack_ ||
           y1 < box_.cy - gy - slack_;
}

bool LabelProbe::touches(const ObstacleMap::Shape& s, double charWidth) const {
    // The box grown by its margin reaches gx, gy either way along the sheet's axes.
    switch (s.kind) {
        case ObstacleMap::Shape::Kind::Box: {
            const bool text = s.layer == ObstacleLayer::Label;
            const double along = text ? std::max(kTextMargin, charWidth) : kMargin;
            const double across = text ? kTextMargin : kMargin;
            if (beside(s.x0, s.y0, s.x1, s.y1, ex_ + ax_ * along + ay_ * across,
                       ey_ + ay_ * along + ax_ * across))
                return false;
            break;
        }
        case ObstacleMap::Shape::Kind::Segment: {
            const double m = (ax_ + ay_) * (kMargin + s.radius);
            if (beside(std::min(s.ax, s.bx), std::min(s.ay, s.by), std::max(s.ax, s.bx),
                       std::max(s.ay, s.by), ex_ + m, ey_ + m))
                return false;
            break;
        }
        case ObstacleMap::Shape::Kind::Circle: {
            const double m = s.radius + kMargin;
            if (beside(s.ax, s.ay, s.ax, s.ay, ex_ + m, ey_ + m)) return false;
            break;
        }
    }
    return touchesShape(box_, s, charWidth);
}

bool hypotBelow(double dx, double dy, double factor, double limit) {
    const double d2 = (dx * dx + dy * dy) * (factor * factor), l2 = limit * limit;
    if (limit > 0.0 && factor > 0.0 && std::isnormal(d2) && std::isnormal(l2)) {
        if (d2 < l2 * (1.0 - 1e-9)) return true;
        if (d2 > l2 * (1.0 + 1e-9)) return false;
    }
    return std::hypot(dx, dy) * factor < limit;
}

namespace {

// What an overlap costs: a hidden label or weld circle is worst, a notched symbol next, a
// label crossing a line least.
constexpr double kWorstHit = 1000.0;
double weight(ObstacleLayer layer) {
    switch (layer) {
        case ObstacleLayer::Label:
        case ObstacleLayer::WeldCircle:
            return kWorstHit;
        case ObstacleLayer::Symbol: return 100.0;
        case ObstacleLayer::Line: return 1.0;
    }
    return 1.0;
}
constexpr double kStrayWeldCost = 100000.0;
// The squares a weld number looks in for the nearest other weld grow fourfold from 64 to the
// last one below this; a weld farther than the last square's half side is none.
constexpr double kFarthestWeld = 1e6;
constexpr double kLastWeldSquare = 262144.0;

bool isWeld(const PipeObject& o) { return o.is(ObjectKind::Weld); }

// Labels the program places: weld numbers and the labels of symbols on pipes.
bool placedLabel(const PipeObject& o) {
    return o.is(ObjectKind::Weld) || o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting) ||
           o.is(ObjectKind::Accessory) || o.is(ObjectKind::SiteMark);
}

bool waitsForPlace(const PipeObject& o) { return placedLabel(o) && o.dimYX1_st.x == 0.0; }

ObstacleLayer bodyLayer(const PipeObject& o) {
    switch (o.kind()) {
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark: return ObstacleLayer::Symbol;
        case ObjectKind::Weld: return ObstacleLayer::WeldCircle;
        case ObjectKind::Pipe:
        case ObjectKind::Elbow:
        case ObjectKind::Tee:
        case ObjectKind::CutLine:
        case ObjectKind::TextBlock: return ObstacleLayer::Line;
    }
    return ObstacleLayer::Line;
}

// Extent of a box across the direction (dx, dy): how far it reaches either way, doubled.
double extentAlong(const LabelBox& b, double dx, double dy) {
    return 2.0 * (std::fabs(dx * b.ux + dy * b.uy) * b.halfWidth +
                  std::fabs(-dx * b.uy + dy * b.ux) * b.halfHeight);
}

// The distance from (ax, ay) to the nearest weld circle of `welds` that is not `owner`'s nor at
// the same joint, looked for in squares about the point that grow fourfold from 64: the
// answer is that weld's distance, whichever square first holds one nearer than its half
// side; infinity past the last square below kFarthestWeld; none once a square's half side
// passes `held` (the map holds only the welds that near). Zero when a square holds more welds
// than a look may take: then nothing is known of how near the nearest is.
std::optional<double> nearestWeldIn(ObstacleMap& welds, std::size_t owner, double ax, double ay, double held) {
    for (double r = 64.0; r < kFarthestWeld; r *= 4.0) {
        if (r > held) return std::nullopt;
        if (welds.surelyNear(ax - r, ay - r, ax + r, ay + r) > kMostLooks) return 0.0;
        double best = std::numeric_limits<double>::infinity();
        double bestSquare = best;
        std::size_t looks = 0;
        bool crowded = false;
        welds.visit(ax - r, ay - r, ax + r, ay + r, [&](const ObstacleMap::Shape& s) {
            if (++looks > kMostLooks) {
                crowded = true;
                return false;
            }
            if (s.owner == owner) return true;
            // Only one that may be nearer than the best so far needs its distance.
            const double dx = s.ax - ax, dy = s.ay - ay;
            const double d2 = dx * dx + dy * dy;
            if (d2 > bestSquare * (1.0 + 1e-9)) return true;
            const double d = std::hypot(dx, dy);
            if (d >= 1.0 && d < best) {
                best = d;
                bestSquare = d2;
            }
            return true;
        });
        if (crowded) return 0.0;
        if (best <= r) return best;
    }
    return std::numeric_limits<double>::infinity();
}

// The weld circles weld numbers are compared with. Only where a weld is and whose it is
// matter there, so of the circles at one point two of different welds are kept: whichever weld
// asks, one of them is another's. A joint where a thousand pipes meet costs two looks.
class WeldPoints {
public:
    explicit WeldPoints(double cellSize) : map_(cellSize) {}
    void add(const ObstacleMap::Shape& circle, std::size_t owner) {
        Kept& kept = kept_[{circle.ax, circle.ay}];
        if (kept.count == 2 || (kept.count == 1 && kept.owner == owner)) return;
        kept.owner = owner;
        ++kept.count;
        map_.add(circle, owner);
    }
    ObstacleMap& map() { return map_; }

private:
    struct Kept {
        std::size_t owner = ObstacleMap::kNoOwner;
        int count = 0;
    };
    struct PointHash {
        std::size_t operator()(const std::pair<double, double>& p) const {
            return std::hash<double>()(p.first) * 31u + std::hash<double>()(p.second);
        }
    };
    ObstacleMap map_;
    std::unordered_map<std::pair<double, double>, Kept, PointHash> kept_;
};

// Boxes equal bit for bit.
struct BoxHash {
    std::size_t operator()(const LabelBox& b) const {
        // The bits mixed as they are (a library hash of each double costs more than the
        // lookup); zero and minus zero are equal boxes, so they hash alike.
        std::uint64_t h = 0;
        for (const double v : {b.cx, b.cy, b.ux, b.uy, b.halfWidth, b.halfHeight}) {
            std::uint64_t bits = 0;
            if (v != 0.0) std::memcpy(&bits, &v, sizeof bits);
            h = (h ^ bits) * 0x9E3779B97F4A7C15ull;
            h ^= h >> 29;
        }
        return static_cast<std::size_t>(h);
    }
};

class Placer {
public:
    // The nearest weld circle to (ax, ay) not owned by `owner` nor at the same joint, looked
    // for in the whole drawing.
    using FarWeld = std::function<double(std::size_t owner, double ax, double ay)>;

    Placer(ObstacleMap& map, ObstacleMap& welds, const model::DrawingSettings& s, FarWeld farWeld)
        : map_(map), welds_(welds), settings_(s), charWidth_(s.Dim_Size / 2), farWeld_(std::move(farWeld)) {}

    // How far from its anchor a label may look, and the weld circles it may compare itself
    // with: the maps need to hold what lies within that reach (see reach()).
    struct Reach {
        double box = 0;   // the boxes looked at, with the margin a cost looks around them
        double weld = 0;  // the weld circles a number is compared with
        double all() const { return std::max(box, weld); }
    };
    Reach reach(const LabelBox& usual, bool weld, double ax, double ay) const {
        const double length = std::hypot(usual.cx - ax, usual.cy - ay);
        const double farthest = std::max(weldClearance(weld), length) + (kRings - 1) * usual.halfHeight +
                                usual.halfWidth + usual.halfHeight;
        // A little more than the arithmetic gives, for rounding.
        return {farthest + costReach(usual) + 2.0, farthest * (1.0 + 1.0 / kOwnWeldFactor) + 2.0};
    }

    // The first place around the anchor that costs nothing, else the cheapest; the usual
    // place `usual` comes first. The welds map holds every weld circle within `weldsHeld`
    // of the anchor (either way along both axes).
    LabelBox place(const LabelBox& usual, std::size_t owner, bool weld, double ax, double ay,
                   double weldsHeld = std::numeric_limits<double>::infinity()) {
        owner_ = owner;
        weld_ = weld;
        ax_ = ax;
        ay_ = ay;
        weldsHeld_ = weldsHeld;
        // The nearest other weld is looked for only when a place needs it (see wellInside).
        nearestKnown_ = false;
        witness_ = std::numeric_limits<double>::infinity();
        nearer_.reset();
        LabelBox best = usual;
        crowdedCorner_ = false;
        double bestCost = cost(usual, std::numeric_limits<double>::infinity());
        if (bestCost == 0.0) return best;
        crowdedCorner_ = bestCost >= kCrowdedCost;
        double px = usual.cx - ax, py = usual.cy - ay;
        const double length = std::hypot(px, py);
        if (length > 0.0) {
            px /= length;
            py /= length;
        } else {
            px = 0.0;
            py = -1.0;
        }
        const double base = std::max(weldClearance(weld), length - extentAlong(usual, px, py) / 2.0);
        const double step = usual.halfHeight;  // half a text height further each ring
        const bool thorough = searched_ < kSearchBudget;
        const int rings = thorough ? kRings : 1;
        for (int ring = 0; ring < rings; ++ring) {
            for (int k = 0; k < kDirections; ++k) {
                // 0, +1, -1, +2, -2, ... steps from the usual side; a quick look takes the
                // quarter turns only.
                const int turn = (k + 1) / 2 * (k % 2 ? 1 : -1);
                if (!thorough && turn % (kDirections / 4) != 0) continue;
                ++searched_;
                const double a = turn * (2.0 * kPi / kDirections);
                const double dx = px * std::cos(a) - py * std::sin(a);
                const double dy = px * std::sin(a) + py * std::cos(a);
                LabelBox b = usual;
                const double d = base + ring * step + extentAlong(usual, dx, dy) / 2.0;
                b.cx = ax + dx * d;
                b.cy = ay + dy * d;
                const double c = cost(b, bestCost);
                if (c < bestCost) {
                    best = b;
                    bestCost = c;
                    if (c == 0.0) return best;
                }
            }
        }
        return best;
    }

private:
    double weldClearance(bool weld) const {
        return weld ? std::max(0.0, std::trunc(static_cast<double>(settings_.HanFengKuan))) + kLabelGap : 0.0;
    }
    // How far around a box its cost looks.
    double costReach(const LabelBox& b) const {
        return std::max(b.halfWidth, b.halfHeight) + std::max(kTextMargin, charWidth_) + 1.0;
    }

    // What it costs to put box `b` there; stops counting at `limit`.
    double cost(const LabelBox& b, double limit) {
        double total = 0.0;
        if (weld_ && nearerAnotherWeld(b)) {
            total = kStrayWeldCost;
            if (total >= limit) return total;
        }
        const double stray = total;
        // Known crowded by a count first, else by an earlier walk.
        const LookArea area = lookArea(b, costReach(b), charWidth_, map_.widest());
        if (surelyCrowded(area) || crowdedPlaces_.count(b)) return kCrowdedCost + stray;
        const LabelProbe candidate(b);
        std::size_t looks = 0;
        bool crowded = false;
        const auto counts = [&](const ObstacleMap::Shape& s) {
            return area.counts.holds(s) && !(s.owner == owner_ && s.layer == ObstacleLayer::Label);
        };
        if (!crowdedCorner_ && stray + kMostLooks * kWorstHit < limit) {
            // No count of hits can reach the limit before the looks run out, so whether the
            // place is crowded rests on how many shapes are near alone: they are gathered
            // first, and tested only when they are few enough to count.
            near_.clear();
            map_.visitMeeting(area.near.x0, area.near.y0, area.near.x1, area.near.y1, area.counts.corners(),
                       [&](const ObstacleMap::Shape& s) {
                           if (!counts(s)) return true;
                           near_.push_back(&s);
                           return near_.size() <= kMostLooks;
                       });
            if (near_.size() <= kMostLooks) {
                for (const ObstacleMap::Shape* s : near_)
                    if (candidate.touches(*s, charWidth_)) total += weight(s->layer);
                return total;
            }
            crowdedPlaces_.insert(b);
            return kCrowdedCost + stray;
        }
        map_.visitMeeting(
            area.near.x0, area.near.y0, area.near.x1, area.near.y1, area.counts.corners(),
            [&](const ObstacleMap::Shape& s) {
                if (!counts(s)) return true;
                if (++looks > kMostLooks || (crowdedCorner_ && looks > kGlance && total > 0.0)) {
                    crowded = true;
                    return false;
                }
                const bool hit = candidate.touches(s, charWidth_);
                if (hit) total += weight(s.layer);
                return total < limit;  // no need to count past what is already beaten
            });
        if (!crowded) return total;
        // What is there stays while labels are added: so many shapes stay near this place.
        if (looks > kMostLooks) crowdedPlaces_.insert(b);
        return kCrowdedCost + stray;
    }

    // Whether more shapes than a place may look at surely count there (see cost), whatever
    // order they are met in: their middles lie within both the place's reach and what it
    // looks at, less the label's own texts, which do not count.
    bool surelyCrowded(const LookArea& area) {
        const double x0 = std::max(area.near.x0, area.counts.x0), x1 = std::min(area.near.x1, area.counts.x1);
        const double y0 = std::max(area.near.y0, area.counts.y0), y1 = std::min(area.near.y1, area.counts.y1);
        const std::size_t near = map_.surelyNear(x0, y0, x1, y1);
        if (near <= kMostLooks) return false;
        if (!ownLabels_) {
            ownLabels_.emplace();
            for (std::size_t i = 0; i < map_.size(); ++i)
                if (const ObstacleMap::Shape& s = map_.shape(i); s.layer == ObstacleLayer::Label) ++(*ownLabels_)[s.owner];
        }
        const auto own = ownLabels_->find(owner_);
        return near - (own == ownLabels_->end() ? 0 : std::min<std::size_t>(near, own->second)) > kMostLooks;
    }

    // Welds at the same point as this one are one joint, not another weld.
    bool sameJoint(const ObstacleMap::Shape& s) const {
        return hypotBelow(s.ax - ax_, s.ay - ay_, 1.0, 1.0);
    }

    // The nearest other weld (see nearestWeldIn); past what the welds map holds, the whole
    // drawing is asked.
    double nearestOtherWeld() {
        if (const auto d = nearestWeldIn(welds_, owner_, ax_, ay_, weldsHeld_)) return *d;
        return farWeld_ ? farWeld_(owner_, ax_, ay_) : std::numeric_limits<double>::infinity();
    }

    // Whether `own` is less than 0.45 of the distance to the nearest other weld. In a crowded
    // place the answer is known from any other weld within own / 0.45 of the anchor (the
    // nearest is no farther), found without walking all the welds about the anchor; only
    // when there is none is the nearest looked for.
    bool wellInside(double own) {
        if (nearestKnown_) return own < 0.45 * nearestWeld_;
        if (0.45 * witness_ <= own) return false;
        // Within the largest square nearestWeldIn looks in, a weld it would meet there.
        const double r = own / 0.45 * (1.0 + 1e-9) + 1.0;
        if (r < kFarthestWeld / 4.0) {
            welds_.visit(ax_ - r, ay_ - r, ax_ + r, ay_ + r, [&](const ObstacleMap::Shape& s) {
                if (s.owner == owner_) return true;
                const double d = std::hypot(s.ax - ax_, s.ay - ay_);
                if (d >= 1.0 && 0.45 * d <= own) {
                    witness_ = d;
                    return false;
                }
                return true;
            });
            if (0.45 * witness_ <= own) return false;
        }
        nearestWeld_ = nearestOtherWeld();
        nearestKnown_ = true;
        return own < 0.45 * nearestWeld_;
    }

    // Whether a number there would sit about as near another weld as its own, and so be read
    // as that weld's.
    bool nearerAnotherWeld(const LabelBox& b) {
        const double own = std::hypot(b.cx - ax_, b.cy - ay_);
        // Well inside half the way to the nearest other weld nothing can be nearer.
        if (wellInside(own)) return false;
        const double r = own / kOwnWeldFactor;
        // The answer is the same whichever weld the walk meets first, so the one found nearer
        // than an earlier place of this label is tried first: the places tried lie side by
        // side, and one near weld is often nearer than most of them.
        const double x0 = b.cx - r, y0 = b.cy - r, x1 = b.cx + r, y1 = b.cy + r;
        if (nearer_ && x0 <= x1 && y0 <= y1) {
            const ObstacleMap::Shape& s = *nearer_;
            if (!(s.x0 > x1 || x0 > s.x1 || s.y0 > y1 || y0 > s.y1) &&
                hypotBelow(b.cx - s.ax, b.cy - s.ay, kOwnWeldFactor, own))
                return true;
        }
        // Among more welds than a look may take, the place counts as astray.
        if (welds_.surelyNear(x0, y0, x1, y1) > kMostLooks) return true;
        bool nearer = false;
        std::size_t looks = 0;
        welds_.visit(x0, y0, x1, y1, [&](const ObstacleMap::Shape& s) {
            // Among more welds than a look may take, the place counts as astray.
            if (++looks > kMostLooks) {
                nearer = true;
                return false;
            }
            if (s.owner == owner_ || sameJoint(s)) return true;
            nearer = hypotBelow(b.cx - s.ax, b.cy - s.ay, kOwnWeldFactor, own);
            if (nearer) nearer_ = s;
            return !nearer;
        });
        return nearer;
    }

    ObstacleMap& map_;
    ObstacleMap& welds_;
    const model::DrawingSettings& settings_;
    double charWidth_;
    FarWeld farWeld_;
    double weldsHeld_ = std::numeric_limits<double>::infinity();
    long searched_ = 0;  // places looked at so far
    // The label being placed.
    std::size_t owner_ = ObstacleMap::kNoOwner;
    bool weld_ = false;
    double ax_ = 0, ay_ = 0;
    double nearestWeld_ = 0;
    bool nearestKnown_ = false;  // nearestWeld_ is the label's
    // The last weld found nearer than a place of this label (see nearerAnotherWeld).
    std::optional<ObstacleMap::Shape> nearer_;
    // The distance to some other weld, no nearer than the nearest; infinity while none is known.
    double witness_ = std::numeric_limits<double>::infinity();
    bool crowdedCorner_ = false;  // the usual place of the label was crowded
    // Places a walk found crowded (labels that look alike try the same places).
    std::unordered_set<LabelBox, BoxHash> crowdedPlaces_;
    std::vector<const ObstacleMap::Shape*> near_;  // what a place has near it, gathered
    // How many texts each object has in the map, counted when first needed.
    std::optional<std::unordered_map<std::size_t, std::size_t>> ownLabels_;
};

// The box a label's text takes where its layout puts it.
LabelBox labelBoxOf(const PipeObject& o, ObstacleCanvas& canvas, const model::DrawingSettings& s, double zoom) {
    canvas.setFont(annotationFont(s, o.dimAngle, false));
    const platform::Size extent = canvas.textExtent(o.DistTxt.view());
    const platform::Point at = devicePoint(o.dimTxt_st, zoom);
    return LabelBox::ofText(at.x, at.y, o.dimAngle, extent.cx, extent.cy);
}

// Places looked at for pipe lengths in one paint (every paint looks again); past it a covered
// length stays. A length looks at most this many steps of half a text height either way.
constexpr long kSlideBudget = 2000;
constexpr int kSlideSteps = 12;

// Finds clear places for pipe lengths along their pipes.
class LengthSlider {
public:
    LengthSlider(ObstacleMap& map, const model::DrawingSettings& s)
        : map_(map), charWidth_(s.Dim_Size / 2), step_(std::max(2.0, s.Dim_Size / 2.0)) {}

    // The box for the length of pipe `owner` (device ends p1, p2) now at `usual`: none while
    // nothing covers it there; else the nearest clear place along the pipe, or, where there is
    // none, the place that hides least, when it hides less than the usual one.
    std::optional<LabelBox> slide(const LabelBox& usual, std::size_t owner, const model::Vec3& p1,
                                  const model::Vec3& p2) {
        owner_ = owner;
        const Hits here = hits(usual);
        if (here.cover() == 0) return std::nullopt;
        const double length = std::hypot(p2.x - p1.x, p2.y - p1.y);
        if (!(length >= 1.0) || !std::isfinite(length)) return std::nullopt;
        const double ux = (p2.x - p1.x) / length, uy = (p2.y - p1.y) / length;
        const double nx = -uy, ny = ux;
        // How far the text's middle may go along the pipe: anywhere beside it.
        const double middle = (usual.cx - p1.x) * ux + (usual.cy - p1.y) * uy;
        const double lowest = std::min(0.0, middle), highest = std::max(length, middle);
        const double across = (usual.cx - p1.x) * nx + (usual.cy - p1.y) * ny;
        std::optional<LabelBox> best;
        double bestCost = here.cost();
        for (const double side : {0.0, -2.0 * across}) {
            for (int k = side == 0.0 ? 1 : 0; k <= kSlideSteps; ++k) {
                bool inside = false;
                for (const int sign : {1, -1}) {
                    if (k == 0 && sign < 0) continue;
                    const double t = sign * k * step_;
                    if (middle + t < lowest - 1e-9 || middle + t > highest + 1e-9) continue;
                    inside = true;
                    if (++searched_ > kSlideBudget) return best;
                    LabelBox b = usual;
                    b.cx += ux * t + nx * side;
                    b.cy += uy * t + ny * side;
                    const double c = hits(b, bestCost).cost();
                    if (c == 0.0) return b;
                    if (c < bestCost) {
                        best = b;
                        bestCost = c;
                    }
                }
                if (!inside) break;
            }
        }
        return best;
    }

    // The length of pipe `owner` moved from `from` to `to`: later lengths see it there.
    void moved(std::size_t owner, const LabelBox& from, const LabelBox& to) {
        dead_.resize(map_.size(), false);
        for (std::size_t i : map_.near(from.cx - 1, from.cy - 1, from.cx + 1, from.cy + 1)) {
            const ObstacleMap::Shape& shape = map_.shape(i);
            if (shape.owner == owner && shape.layer == ObstacleLayer::Label) dead_[i] = true;
        }
        map_.addBox(to, ObstacleLayer::Label, owner);
    }

private:
    struct Hits {
        int hidden = 0;   // labels and weld circles
        int symbols = 0;
        int lines = 0;
        bool crowded = false;  // more near than a look may take: counts as covered
        int cover() const { return hidden + symbols + (crowded ? 1 : 0); }
        // A hidden text or weld circle is worst, a notched symbol next, a crossed line least;
        // crowded places are all alike.
        double cost() const { return crowded ? kCrowdedCost : 1000.0 * hidden + 100.0 * symbols + lines; }
    };

    // What box `b` would hit; stops counting once the cost reaches `limit`.
    Hits hits(const LabelBox& b, double limit = std::numeric_limits<double>::infinity()) {
        Hits h;
        const double reach = std::max(b.halfWidth, b.halfHeight) + std::max(kTextMargin, charWidth_) + 1.0;
        const LookArea area = lookArea(b, reach, charWidth_, map_.widest());
        const LabelProbe candidate(b);
        std::size_t looks = 0;
        map_.visitMeeting(area.near.x0, area.near.y0, area.near.x1, area.near.y1, area.counts.corners(),
                          [&](const ObstacleMap::Shape& s) {
            if (!area.counts.holds(s)) return true;
            // The pipe's own line, dimension and flow arrow are where its length belongs.
            if (s.owner == owner_) return true;
            if (s.index < dead_.size() && dead_[s.index]) return true;
            if (++looks > kMostLooks) {
                h.crowded = true;
                return false;
            }
            const bool hit = candidate.touches(s, charWidth_);
            if (!hit) return true;
            switch (s.layer) {
                case ObstacleLayer::Line: ++h.lines; break;
                case ObstacleLayer::Symbol: ++h.symbols; break;
                default: ++h.hidden; break;
            }
            return h.cost() < limit;
        });
        return h;
    }

    ObstacleMap& map_;
    double charWidth_;
    double step_;
    std::size_t owner_ = ObstacleMap::kNoOwner;
    std::vector<bool> dead_;
    long searched_ = 0;
};

// A pipe whose length the paint shows where its layout puts it.
bool showsLaidOutLength(const PipeObject& o, const model::DrawingSettings& s) {
    if (!o.is(ObjectKind::Pipe) || o.dimYX1_st.x != 0.0 || !s.DimTextLayer) return false;
    const std::string_view t = o.DistTxt.view();
    return !t.empty() && t.front() != '^' && t.front() != '0';
}

}  // namespace

std::vector<LabelShift> slidePipeLengths(model::ObjectList& objects, const model::DrawingSettings& s,
                                         const ViewState& view) {
    std::vector<LabelShift> shifts;
    const double zoom = view.ZoomPara;
    if (!(zoom > 0.0) || !std::isfinite(zoom) || !s.DimTextLayer) return shifts;
    bool any = false;
    // Read through the const list: reading marks nothing as changed.
    for (const PipeObject& o : std::as_const(objects))
        if (o.is(ObjectKind::Pipe) && o.dimYX1_st.x == 0.0) any = true;
    if (!any) return shifts;

    // What the paint draws, with the line work of pipes, elbows and tees taken straight from
    // their ports (it counts only as a last choice) and everything else as drawn.
    ObstacleMap map(std::max(16.0, 2.0 * s.Dim_Size));
    ObstacleCanvas canvas(map);
    const PaintContext ctx{canvas, s, view};
    if (view.frameSwitch) {
        canvas.setOwner(ObstacleMap::kNoOwner, ObstacleLayer::Line);
        paintFrame(ctx);
    }
    const double half = std::max(1.0, static_cast<double>(s.ZhuXianKuan)) / 2.0;
    for (std::size_t i = 0; i < objects.size(); ++i) {
        PipeObject& o = objects.untracked(i);
        canvas.setOwner(i, ObstacleLayer::Line);
        if (!o.is(ObjectKind::Tee) && !o.is(ObjectKind::CutLine))
            layOutTracked(objects, i, [&](PipeObject& laid) { paintAnnotation(laid, ctx); });
        const auto line = [&](const model::Vec3& a, const model::Vec3& b) {
            map.addSegment(a.x * zoom, a.y * zoom, b.x * zoom, b.y * zoom, half, ObstacleLayer::Line, i);
        };
        switch (o.kind()) {
            case ObjectKind::Pipe: line(o.Port1, o.Port2); continue;
            case ObjectKind::Elbow:
                line(o.Port1, o.Port4);
                line(o.Port4, o.Port2);
                continue;
            case ObjectKind::Tee:
                line(o.Port1, o.Port2);
                line(o.Port4, o.Port3);
                continue;
            case ObjectKind::CutLine: continue;
            case ObjectKind::Weld:
            case ObjectKind::Valve:
            case ObjectKind::Fitting:
            case ObjectKind::Accessory:
            case ObjectKind::TextBlock:
            case ObjectKind::SiteMark: break;
        }
        canvas.setOwner(i, bodyLayer(o), isWeld(o));
        DrawObjectBody(o, ctx, false);
    }
    canvas.flush();
    LengthSlider slider(map, s);
    for (std::size_t i = 0; i < objects.size(); ++i) {
        const PipeObject& o = std::as_const(objects).at(i);
        if (!showsLaidOutLength(o, s)) continue;
        const LabelBox usual = labelBoxOf(o, canvas, s, zoom);
        const auto place = slider.slide(usual, i, o.Port1 * zoom, o.Port2 * zoom);
        if (!place) continue;
        slider.moved(i, usual, *place);
        const auto from = usual.reference(), to = place->reference();
        shifts.push_back({i, to[0] - from[0], to[1] - from[1]});
    }
    return shifts;
}

KeptObstacles::KeptObstacles() : cache_(std::make_unique<ObstacleCache>()) {}
KeptObstacles::~KeptObstacles() = default;
KeptObstacles::KeptObstacles(const KeptObstacles&) : KeptObstacles() {}
KeptObstacles& KeptObstacles::operator=(const KeptObstacles& other) {
    if (this != &other) cache_ = std::make_unique<ObstacleCache>();
    return *this;
}
KeptObstacles::KeptObstacles(KeptObstacles&& other) noexcept : cache_(std::move(other.cache_)) {
    other.cache_ = std::make_unique<ObstacleCache>();
}
KeptObstacles& KeptObstacles::operator=(KeptObstacles&& other) noexcept {
    std::swap(cache_, other.cache_);
    return *this;
}

namespace {

static_assert(kLastWeldSquare < kFarthestWeld && kLastWeldSquare * 4.0 >= kFarthestWeld);

bool hasBounds(const ObstacleCache::Entry& e) { return !(e.x0 > e.x1); }

void forgetAll(ObstacleCache& cache) {
    cache.entries.clear();
    cache.grid.reset(0);
    cache.pending.clear();
    cache.isPending.clear();
    cache.waiting.clear();
    cache.waitingCount = 0;
}

void setWaiting(ObstacleCache& cache, std::size_t i, bool waits) {
    if (cache.waiting[i] == waits) return;
    cache.waiting[i] = waits;
    if (waits)
        ++cache.waitingCount;
    else
        --cache.waitingCount;
}

void setPending(ObstacleCache& cache, std::size_t i) {
    if (cache.isPending[i]) return;
    cache.isPending[i] = true;
    cache.pending.push_back(i);
}

// Follows the list's changes: which objects wait for a place, and which need recording again.
// When positions moved, the entries follow their objects and every one is looked at again.
void followChanges(ObstacleCache& cache, const model::ObjectList& objects, const model::DrawingSettings& s,
                   const ViewState& view) {
    const ObstacleCache::Inputs inputs{s, view.ZoomPara, view.X_AxisAngle, view.Y_AxisAngle, view.autoElevation};
    if (!cache.inputs || !(*cache.inputs == inputs)) {
        forgetAll(cache);
        cache.inputs = inputs;
        cache.cursor = {};
    }
    const std::size_t n = objects.size();
    if (!cache.cursor.follows(objects) || cache.entries.size() > n) {
        std::unordered_map<const PipeObject*, ObstacleCache::Entry> old;
        old.reserve(cache.entries.size());
        for (ObstacleCache::Entry& e : cache.entries)
            if (e.object) old.emplace(e.object, std::move(e));
        forgetAll(cache);
        reserveLarge(cache.entries, n);
        cache.entries.resize(n);
        cache.grid.grow(n);
        cache.waiting.assign(n, false);
        cache.isPending.assign(n, false);
        for (std::size_t i = 0; i < n; ++i) {
            const auto found = old.find(&objects.at(i));
            if (found != old.end()) {
                ObstacleCache::Entry& e = cache.entries[i] = std::move(found->second);
                cache.grid.place(i, e.x0, e.y0, e.x1, e.y1);
            }
            setWaiting(cache, i, waitsForPlace(objects.at(i)));
            setPending(cache, i);
        }
    } else {
        cache.entries.resize(n);
        cache.grid.grow(n);
        cache.waiting.resize(n, false);
        cache.isPending.resize(n, false);
        const std::vector<std::size_t>& changed = objects.changes();
        for (std::size_t k = cache.cursor.seen; k < changed.size(); ++k) {
            const std::size_t i = changed[k];
            setWaiting(cache, i, waitsForPlace(objects.at(i)));
            setPending(cache, i);
        }
    }
    cache.cursor.catchUp(objects);
}

// Records again, each on its own as the paint draws it, every pending object that is not the
// one recorded, whose stamp moved, or whose annotation now counts (or no longer does). The
// paint lays out an annotation that has no layout yet; what that changes is stamped, and the
// entry keeps the stamp the object has afterwards.
void recordPending(ObstacleCache& cache, model::ObjectList& objects, const model::DrawingSettings& s,
                   const ViewState& view) {
    ObstacleMap scratch(std::max(16.0, 2.0 * s.Dim_Size));
    // Room for what most objects draw: space reserved and never written costs nothing, a
    // growing list copies every shape it holds each time.
    scratch.reserve(cache.pending.size() * 8);
    ObstacleCanvas canvas(scratch);
    const PaintContext ctx{canvas, s, view};
    std::vector<std::size_t> redo;
    std::sort(cache.pending.begin(), cache.pending.end());
    for (std::size_t i : cache.pending) {
        cache.isPending[i] = false;
        ObstacleCache::Entry& e = cache.entries[i];
        const bool annotated = !cache.waiting[i];
        if (e.object == &std::as_const(objects).at(i) && e.stamp == objects.stamp(i) && e.annotated == annotated)
            continue;
        redo.push_back(i);
        PipeObject& o = objects.untracked(i);
        canvas.setOwner(i, ObstacleLayer::Line);
        if (annotated && !o.is(ObjectKind::Tee) && !o.is(ObjectKind::CutLine))
            layOutTracked(objects, i, [&](PipeObject& laid) { paintAnnotation(laid, ctx); });
        canvas.setOwner(i, bodyLayer(o), isWeld(o));
        DrawObjectBody(o, ctx, false);
    }
    canvas.flush();
    cache.pending.clear();
    cache.recorded = redo.size();
    for (std::size_t i : redo) {
        ObstacleCache::Entry& e = cache.entries[i];
        e.object = &std::as_const(objects).at(i);
        e.stamp = objects.stamp(i);
        e.annotated = !cache.waiting[i];
        e.block.reset();
        e.first = e.count = 0;
        e.x0 = e.y0 = 0;
        e.x1 = e.y1 = -1;
    }
    // The canvas records object after object, so each object's shapes lie together in the
    // order drawn: the recording is kept as it is, and each entry names its part of it.
    auto block = std::make_shared<std::vector<ObstacleMap::Shape>>(scratch.takeShapes());
    const std::vector<ObstacleMap::Shape>& all = *block;
    bool together = true;
    for (std::size_t k = 0; k < all.size(); ++k) {
        const ObstacleMap::Shape& shape = all[k];
        ObstacleCache::Entry& e = cache.entries[shape.owner];
        if (!hasBounds(e)) {
            e.x0 = shape.x0, e.y0 = shape.y0, e.x1 = shape.x1, e.y1 = shape.y1;
        } else {
            e.x0 = std::min(e.x0, shape.x0), e.y0 = std::min(e.y0, shape.y0);
            e.x1 = std::max(e.x1, shape.x1), e.y1 = std::max(e.y1, shape.y1);
        }
        if (e.count == 0) {
            e.block = block;
            e.first = static_cast<std::uint32_t>(k);
        } else if (e.first + e.count != k) {
            together = false;
        }
        ++e.count;
    }
    if (!together) {
        // Some object's shapes are not in one run: each object gets a block of its own, its
        // shapes in the order drawn.
        std::vector<std::vector<ObstacleMap::Shape>> own(cache.entries.size());
        for (const ObstacleMap::Shape& shape : all) own[shape.owner].push_back(shape);
        for (std::size_t i : redo) {
            ObstacleCache::Entry& e = cache.entries[i];
            e.first = 0;
            e.count = static_cast<std::uint32_t>(own[i].size());
            e.block = e.count ? std::make_shared<std::vector<ObstacleMap::Shape>>(std::move(own[i])) : nullptr;
        }
    }
    for (std::size_t i : redo) {
        const ObstacleCache::Entry& e = cache.entries[i];
        cache.grid.place(i, e.x0, e.y0, e.x1, e.y1);
    }
    // Its own layouts are no news to the cache.
    cache.cursor.catchUp(objects);
}

// A square around an anchor that a label's search stays within.
struct Around {
    double x0, y0, x1, y1;
};

// The entries whose bounds meet one of the squares, in list order.
std::vector<std::size_t> entriesAround(ObstacleCache& cache, const std::vector<Around>& around) {
    std::vector<std::size_t> found;
    reserveLarge(found, cache.entries.size());
    cache.grid.newQuestion();
    for (const Around& a : around) cache.grid.collect(a.x0, a.y0, a.x1, a.y1, found);
    std::sort(found.begin(), found.end());
    return found;
}

// Puts the shapes of the `held` entries into `map` as entering them one by one in that order
// would, without copying them, where they are one run of one recording and each names the
// entry it is held for (a drawing placed at its first paint). False, and nothing put, where
// they are not.
bool keepHeld(ObstacleMap& map, const ObstacleCache& cache, const std::vector<std::size_t>& held) {
    const std::vector<ObstacleMap::Shape>* block = nullptr;
    std::size_t first = 0, next = 0;
    for (std::size_t i : held) {
        const ObstacleCache::Entry& e = cache.entries[i];
        if (e.count == 0) continue;
        if (!block) {
            block = e.block.get();
            first = next = e.first;
        }
        if (e.block.get() != block || e.first != next) return false;
        // Recorded at another place in the list: the shapes name another owner.
        for (const ObstacleMap::Shape& shape : e.shapes())
            if (shape.owner != i) return false;
        next += e.count;
    }
    if (!block) return false;
    for (std::size_t i : held)
        if (cache.entries[i].count != 0) return map.addKept(cache.entries[i].block, first, next - first);
    return false;
}

// Beyond this many labels at once, the squares are merged into the one rectangle holding them.
constexpr std::size_t kMostSquares = 32;

}  // namespace

void placeLabels(model::ObjectList& objects, const model::DrawingSettings& s, ViewState& view) {
    const double zoom = view.ZoomPara;
    if (!(zoom > 0.0) || !std::isfinite(zoom)) return;
    // Which labels wait, followed from the list's changes.
    ObstacleCache& cache = view.obstacles.get();
    followChanges(cache, objects, s, view);
    if (cache.waitingCount == 0) return;
    const model::ObjectList& list = objects;
    const std::size_t n = list.size();
    std::vector<std::size_t> order;
    reserveLarge(order, cache.waitingCount);
    for (std::size_t i = 0; i < n; ++i)
        if (cache.waiting[i]) order.push_back(i);
    // Weld numbers first: an inspector reads the welds by them.
    std::stable_partition(order.begin(), order.end(), [&](std::size_t i) { return isWeld(list.at(i)); });

    // Everything the paint draws, but the labels about to be placed, as kept from before.
    recordPending(cache, objects, s, view);

    // The labels are laid out first (a layout does not depend on where others go) to know
    // how far each may look.
    ObstacleMap boxes(std::max(16.0, 2.0 * s.Dim_Size));
    ObstacleCanvas measure(boxes);
    struct Label {
        std::size_t index;
        LabelBox usual;
        model::Vec3 anchor;
        Placer::Reach reach;
    };
    std::vector<Label> labels;
    reserveLarge(labels, order.size());
    const AnnotationOffsets off = annotationOffsetsFor(s);
    Placer reachOf(boxes, boxes, s, {});
    for (std::size_t i : order) {
        PipeObject& o = objects.untracked(i);
        annotationTextAngle(o, view.axes());
        LayoutAnnotation(o, s, view, off.a, off.b);
        objects.touch(i);
        if (o.dimYX1_st.x == 0.0) continue;
        if (o.DistTxt.empty() || o.DistTxt.view().front() == ' ') continue;  // not shown
        const LabelBox usual = labelBoxOf(o, measure, s, zoom);
        const model::Vec3 anchor =
            isWeld(o) ? o.Port1 * zoom
                      : model::Vec3((o.Port1.x + o.Port2.x) * zoom / 2.0, (o.Port1.y + o.Port2.y) * zoom / 2.0, 0.0);
        labels.push_back({i, usual, anchor, reachOf.reach(usual, isWeld(o), anchor.x, anchor.y)});
    }

    // The map holds the frame and what lies within reach of a label.
    std::vector<Around> around;
    reserveLarge(around, labels.size());
    for (const Label& l : labels) {
        const double r = l.reach.all();
        around.push_back({l.anchor.x - r, l.anchor.y - r, l.anchor.x + r, l.anchor.y + r});
    }
    const bool finite = !cache.everywhere && std::all_of(around.begin(), around.end(), [](const Around& a) {
        return std::isfinite(a.x0) && std::isfinite(a.y0) && std::isfinite(a.x1) && std::isfinite(a.y1);
    });
    if (around.size() > kMostSquares) {
        Around all = around.front();
        for (const Around& a : around)
            all = {std::min(all.x0, a.x0), std::min(all.y0, a.y0), std::max(all.x1, a.x1), std::max(all.y1, a.y1)};
        around.assign(1, all);
    }
    ObstacleMap map(std::max(16.0, 2.0 * s.Dim_Size));
    ObstacleCanvas canvas(map);
    if (view.frameSwitch) {
        const PaintContext ctx{canvas, s, view};
        canvas.setOwner(ObstacleMap::kNoOwner, ObstacleLayer::Line);
        paintFrame(ctx);
        canvas.flush();
    }
    WeldPoints welds(std::max(16.0, 2.0 * s.Dim_Size));
    const auto enter = [&](const ObstacleMap::Shape& shape, std::size_t owner) {
        map.add(shape, owner);
        if (shape.kind == ObstacleMap::Shape::Kind::Circle && shape.layer == ObstacleLayer::WeldCircle)
            welds.add(shape, owner);
    };
    std::vector<std::size_t> held;
    if (finite) {
        held = entriesAround(cache, around);
    } else {
        // A reach that is not a number holds everything.
        held.resize(n);
        for (std::size_t i = 0; i < n; ++i) held[i] = i;
    }
    std::size_t shapes = map.size() + labels.size();
    for (std::size_t i : held) shapes += cache.entries[i].count;
    if (keepHeld(map, cache, held)) {
        // Held where they are: only the weld circles go to the welds map, as before.
        for (std::size_t i : held)
            for (const ObstacleMap::Shape& shape : cache.entries[i].shapes())
                if (shape.kind == ObstacleMap::Shape::Kind::Circle && shape.layer == ObstacleLayer::WeldCircle)
                    welds.add(shape, i);
        map.reserve(shapes);
    } else {
        map.reserve(shapes);
        for (std::size_t i : held)
            for (const ObstacleMap::Shape& shape : cache.entries[i].shapes()) enter(shape, i);
    }

    // Beyond what the welds map holds, the nearest other weld is looked for among all, in a
    // map of every weld circle made at the first such question.
    std::optional<WeldPoints> allWelds;
    const auto farWeld = [&](std::size_t owner, double ax, double ay) {
        if (!allWelds) {
            allWelds.emplace(std::max(16.0, 2.0 * s.Dim_Size));
            for (std::size_t i = 0; i < n; ++i)
                for (const ObstacleMap::Shape& shape : cache.entries[i].shapes())
                    if (shape.kind == ObstacleMap::Shape::Kind::Circle && shape.layer == ObstacleLayer::WeldCircle)
                        allWelds->add(shape, i);
        }
        return nearestWeldIn(allWelds->map(), owner, ax, ay, std::numeric_limits<double>::infinity())
            .value_or(std::numeric_limits<double>::infinity());
    };
    Placer placer(map, welds.map(), s, farWeld);
    for (const Label& l : labels) {
        PipeObject& o = objects.untracked(l.index);
        const LabelBox chosen =
            placer.place(l.usual, l.index, isWeld(o), l.anchor.x, l.anchor.y, finite ? l.reach.all() : kFarthestWeld);
        if (chosen.cx != l.usual.cx || chosen.cy != l.usual.cy) {
            const auto ref = chosen.reference();
            o.dimTxt_st = model::Vec3(model::fileNumber(ref[0] / zoom), model::fileNumber(ref[1] / zoom), 0.0);
        }
        map.addBox(chosen, ObstacleLayer::Label, l.index);
    }
}

}  // namespace tubra::view
