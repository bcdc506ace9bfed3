#include "tubra/edit/Snapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tubra/view/Projection.h"

namespace tubra::edit {

using model::ObjectKind;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;

namespace {

constexpr platform::Colour kMarkerColour = platform::rgbColour(255, 255, 0);
constexpr int kMarkerPenWidth = 4;
// The square's corners stay open by this much, so that its XORed sides do not cross.
constexpr int kCornerGap = 4;

struct Capture {
    const DeviceTransform& transform;
    DevicePoint mouse;
    double dx;
    double dy;

    bool holds(double viewX, double viewY) const {
        const DevicePoint d = transform.toDevice(viewX, viewY);
        return std::fabs(d.x - mouse.x) <= dx && std::fabs(d.y - mouse.y) <= dy;
    }
};

// How many of Port1, Port2, Port3 are end points of an object of this kind.
int endPointCount(int mainType) {
    if (mainType == model::kindValue(ObjectKind::Tee)) return 3;
    if (mainType >= 8 && mainType <= 10) return 1;
    return 2;
}

bool between(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

// The point of a pipe segment nearest the mouse along the sheet, or false when the mouse is
// beside the segment's extent. View units.
bool pointOnSegment(const PipeObject& o, double zoom, platform::Point mouse, Vec3& out) {
    const Vec3 a = o.Port1 * zoom;
    const Vec3 b = o.Port2 * zoom;
    const int ax = truncToInt(a.x), ay = truncToInt(a.y), bx = truncToInt(b.x), by = truncToInt(b.y);
    double x, y;
    if (ay == by && ax != bx) {
        if (!between(mouse.x, a.x, b.x)) return false;
        x = mouse.x;
        y = a.y;
    } else if (ax == bx) {
        if (!between(mouse.y, a.y, b.y)) return false;
        x = a.x;
        y = mouse.y;
    } else {
        if (!between(mouse.x, a.x, b.x) || !between(mouse.y, a.y, b.y)) return false;
        x = mouse.x;
        y = a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
    }
    double z = o.Port1.z;
    const int dir = model::directionCode(o.EndDir);
    if ((dir == 0 || dir == 1) && b.y != a.y) z = o.Port1.z + (o.Port2.z - o.Port1.z) * (y - a.y) / (b.y - a.y);
    out = Vec3(x, y, z);
    return true;
}

}  // namespace

Vec3 textBlockEnd(const PipeObject& o, double zoom) {
    const bool followsZoom = truncToInt(o.BiHou) == 1;
    // A text that keeps its size on screen is smaller on the sheet the more it is zoomed.
    const double height = followsZoom || !(zoom > 0) ? o.Port3.y : o.Port3.y / zoom;
    const double width = static_cast<double>(o.DistTxt.size()) * height / 2.0;
    const double phi = o.dimAngle / 10.0 * view::kDegToRad;
    return {o.Port1.x + width * std::cos(phi), o.Port1.y + width * std::sin(phi), o.Port1.z};
}

void SnapIndex::place(const model::ObjectList& objects, std::size_t i) {
    const PipeObject& o = objects.at(i);
    if (o.is(ObjectKind::TextBlock)) {
        constexpr double inf = std::numeric_limits<double>::infinity();
        grid_.place(i, -inf, -inf, inf, inf);
        return;
    }
    double x0 = std::min(o.Port1.x, o.Port2.x), x1 = std::max(o.Port1.x, o.Port2.x);
    double y0 = std::min(o.Port1.y, o.Port2.y), y1 = std::max(o.Port1.y, o.Port2.y);
    if (endPointCount(o.MainType) > 2) {
        x0 = std::min(x0, o.Port3.x), x1 = std::max(x1, o.Port3.x);
        y0 = std::min(y0, o.Port3.y), y1 = std::max(y1, o.Port3.y);
    }
    // A point that is not a number is never captured.
    grid_.place(i, x0, y0, x1, y1);
}

const std::vector<std::size_t>& SnapIndex::near(const model::ObjectList& objects, double x0, double y0,
                                                double x1, double y1) {
    const std::size_t n = objects.size();
    if (!cursor_.follows(objects) || grid_.size() > n) {
        grid_.reset(n);
        for (std::size_t i = 0; i < n; ++i) place(objects, i);
    } else {
        grid_.grow(n);
        const std::vector<std::size_t>& changed = objects.changes();
        for (std::size_t k = cursor_.seen; k < changed.size(); ++k) place(objects, changed[k]);
    }
    cursor_.catchUp(objects);
    found_.clear();
    grid_.newQuestion();
    grid_.collect(x0, y0, x1, y1, found_);
    std::sort(found_.begin(), found_.end());
    return found_;
}

SnapState findSnap(const model::ObjectList& objects, const SnapSettings& s, double zoom,
                   const DeviceTransform& transform, DevicePoint mouse, platform::Point logical,
                   SnapIndex* index) {
    SnapState result;
    const Capture capture{transform, mouse, static_cast<double>(s.distanceX),
                          static_cast<double>(s.distanceY)};
    const bool ends = s.endPoints || s.weldsOnly;
    const bool mids = s.midPoints && !s.weldsOnly;
    const bool any = s.anyPoint && !s.weldsOnly;
    const int weld = model::kindValue(ObjectKind::Weld);
    // Whether object `o` has a point captured: its end points first, then its mid point, then
    // a point on it.
    const auto snapTo = [&](const PipeObject& o) {
        if (s.weldsOnly && o.MainType != weld) return false;
        const bool text = o.is(ObjectKind::TextBlock);
        const Vec3 port2 = text ? textBlockEnd(o, zoom) : o.Port2;
        if (ends) {
            const Vec3* candidates[3] = {&o.Port1, &port2, &o.Port3};
            const int n = endPointCount(o.MainType);
            for (int i = 0; i < n; ++i) {
                const Vec3 v = *candidates[i] * zoom;
                if (capture.holds(v.x, v.y)) {
                    result = {&o, Vec3(v.x, v.y, candidates[i]->z), SnapKind::End};
                    return true;
                }
            }
        }
        if (mids) {
            const double x = (o.Port1.x + port2.x) / 2.0 * zoom;
            const double y = (o.Port1.y + port2.y) / 2.0 * zoom;
            if (capture.holds(x, y)) {
                result = {&o, Vec3(x, y, (o.Port1.z + port2.z) / 2.0), SnapKind::Mid};
                return true;
            }
        }
        if (any && o.is(ObjectKind::Pipe)) {
            Vec3 p;
            if (pointOnSegment(o, zoom, logical, p) && capture.holds(p.x, p.y)) {
                result = {&o, p, SnapKind::OnSegment};
                return true;
            }
        }
        return false;
    };
    // The capture box in model units, a little larger for rounding.
    const double ppu = transform.pixelsPerUnit;
    const double lx0 = (mouse.x - capture.dx + transform.scrollX) / ppu / zoom;
    const double lx1 = (mouse.x + capture.dx + transform.scrollX) / ppu / zoom;
    const double ly0 = -(mouse.y + capture.dy + transform.scrollY) / ppu / zoom;
    const double ly1 = -(mouse.y - capture.dy + transform.scrollY) / ppu / zoom;
    const double pad = 0.01 * (std::fabs(lx1 - lx0) + std::fabs(ly1 - ly0)) +
                       1e-9 * (std::fabs(lx0) + std::fabs(lx1) + std::fabs(ly0) + std::fabs(ly1)) + 1e-6;
    const bool indexed = index && ppu > 0.0 && zoom > 0.0 && std::isfinite(lx0) && std::isfinite(lx1) &&
                         std::isfinite(ly0) && std::isfinite(ly1) && std::isfinite(pad);
    if (indexed) {
        for (std::size_t i : index->near(objects, lx0 - pad, ly0 - pad, lx1 + pad, ly1 + pad))
            if (snapTo(objects.at(i))) break;
    } else {
        for (const PipeObject& o : objects)
            if (snapTo(o)) break;
    }
    if (result.hit && result.hit->is(ObjectKind::TextBlock)) result.kind = SnapKind::Text;
    return result;
}

void drawSnapMarker(platform::Canvas& c, SnapKind kind, platform::Point at, int hx, int hy) {
    using platform::Point;
    platform::CanvasStateGuard guard(c);
    c.setRasterOp(platform::RasterOp::XorPen);
    c.setPen({platform::PenStyle::Solid, kMarkerPenWidth, kMarkerColour});
    const auto line = [&](Point a, Point b) {
        c.moveTo(a);
        c.lineTo(b);
    };
    const int l = at.x - hx, r = at.x + hx, t = at.y + hy, b = at.y - hy;
    const int g = std::min(kCornerGap, std::min(hx, hy));
    switch (kind) {
        case SnapKind::End:
            line({l + g, t}, {r - g, t});
            line({r, t - g}, {r, b + g});
            line({r - g, b}, {l + g, b});
            line({l, b + g}, {l, t - g});
            break;
        case SnapKind::Mid: {
            const Point tri[3] = {{l, t}, {r, t}, {at.x, b}};
            c.setBrush(platform::Brush::null());
            c.polygon(tri);
            break;
        }
        case SnapKind::OnSegment:
            line({l, t}, {r, b});
            line({l, b}, {at.x - g / 2, at.y + g / 2});
            line({at.x + g / 2, at.y - g / 2}, {r, t});
            break;
        case SnapKind::Text:
            line({l, t}, {l, b});
            line({r, t}, {r, b});
            line({l + g, at.y}, {r - g, at.y});
            break;
        case SnapKind::None:
            break;
    }
}

}  // namespace tubra::edit
