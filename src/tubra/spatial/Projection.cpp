#include "tubra/spatial/Projection.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tubra::spatial {

namespace {

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr double kMinZoom = 1e-6;
constexpr double kMaxZoom = 1e3;
constexpr double kTurnPerPixel = 0.5;  // degrees

Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double distanceToSegment(Point2 p, Point2 a, Point2 b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0) t = std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

}  // namespace

void lookFrom(Orbit& orbit, ViewDirection direction) {
    switch (direction) {
        case ViewDirection::Isometric:
            orbit.azimuth = kIsometricAzimuth;
            orbit.elevation = kIsometricElevation;
            break;
        case ViewDirection::Top:
            orbit.azimuth = -90.0;
            orbit.elevation = 90.0;
            break;
        case ViewDirection::Front:
            orbit.azimuth = -90.0;
            orbit.elevation = 0.0;
            break;
        case ViewDirection::Side:
            orbit.azimuth = 0.0;
            orbit.elevation = 0.0;
            break;
    }
}

Basis basisOf(const Orbit& orbit) {
    const double az = orbit.azimuth * kDegree;
    const double el = orbit.elevation * kDegree;
    Basis b;
    b.toEye = {std::cos(el) * std::cos(az), std::cos(el) * std::sin(az), std::sin(el)};
    // Screen right stays horizontal, so looking straight down or up still has a right.
    b.right = {-std::sin(az), std::cos(az), 0.0};
    b.up = cross(b.toEye, b.right);
    return b;
}

Projected project(const Orbit& orbit, Point2 centre, Point3 p) {
    return project(orbit, basisOf(orbit), centre, p);
}

Projected project(const Orbit& orbit, const Basis& b, Point2 centre, Point3 p) {
    const Point3 v = p - orbit.target;
    return {{centre.x + orbit.pan.x + orbit.zoom * dot(v, b.right),
             centre.y + orbit.pan.y - orbit.zoom * dot(v, b.up)},
            dot(v, b.toEye)};
}

void rotateBy(Orbit& orbit, double dxPixels, double dyPixels) {
    double az = orbit.azimuth - dxPixels * kTurnPerPixel;
    az = std::remainder(az, 360.0);
    orbit.azimuth = az;
    orbit.elevation = std::clamp(orbit.elevation + dyPixels * kTurnPerPixel, -90.0, 90.0);
}

void zoomAt(Orbit& orbit, Point2 centre, Point2 cursor, double factor) {
    if (!(factor > 0.0) || !std::isfinite(factor)) return;
    const double zoom = std::clamp(orbit.zoom * factor, kMinZoom, kMaxZoom);
    const double f = zoom / orbit.zoom;
    // The cursor's real point sits at centre + pan + zoom·q; it stays there after the zoom.
    const double sx = cursor.x - centre.x, sy = cursor.y - centre.y;
    orbit.pan = {sx - f * (sx - orbit.pan.x), sy - f * (sy - orbit.pan.y)};
    orbit.zoom = zoom;
}

void fitTo(Orbit& orbit, std::span<const Point3> points, double width, double height,
           double margin) {
    if (points.empty()) {
        orbit.target = {};
        orbit.pan = {};
        return;
    }
    Point3 lo = points.front(), hi = points.front();
    for (const Point3& p : points) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    orbit.target = (lo + hi) * 0.5;
    const Basis b = basisOf(orbit);
    double x0 = std::numeric_limits<double>::max(), x1 = -x0, y0 = x0, y1 = -x0;
    for (const Point3& p : points) {
        const Point3 v = p - orbit.target;
        const double x = dot(v, b.right), y = dot(v, b.up);
        x0 = std::min(x0, x);
        x1 = std::max(x1, x);
        y0 = std::min(y0, y);
        y1 = std::max(y1, y);
    }
    const double w = std::max(width - 2.0 * margin, 1.0);
    const double h = std::max(height - 2.0 * margin, 1.0);
    double zoom = std::numeric_limits<double>::max();
    if (x1 - x0 > 1e-9) zoom = std::min(zoom, w / (x1 - x0));
    if (y1 - y0 > 1e-9) zoom = std::min(zoom, h / (y1 - y0));
    if (zoom == std::numeric_limits<double>::max()) zoom = 0.1;  // a single point
    orbit.zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
    // The middle of the projected box at the middle of the window.
    orbit.pan = {-orbit.zoom * (x0 + x1) / 2.0, orbit.zoom * (y0 + y1) / 2.0};
}

Scene sceneOf(const RealModel& model, bool tubes) {
    Scene scene;
    const auto add = [&](Shape::Kind kind, const RealObject& o, Point3 a, Point3 b) {
        scene.shapes.push_back({kind, o.look, o.index, a, b, o.bore});
        scene.extent.push_back(a);
        if (!(b == a)) scene.extent.push_back(b);
    };
    for (const RealObject& o : model.objects) {
        if (!o.placed) continue;
        switch (o.role) {
            case Role::Run:
            case Role::Closed:
                if (tubes) {
                    add(Shape::Kind::Pipe, o, o.runStart, o.runEnd);
                    scene.extent.push_back(o.start);
                    scene.extent.push_back(o.end);
                } else {
                    add(Shape::Kind::Pipe, o, o.start, o.end);
                }
                break;
            case Role::Fitting:
                if (!o.centre) {
                    add(Shape::Kind::Marker, o, o.start, o.start);
                } else if (tubes) {
                    add(Shape::Kind::Leg, o, o.start, *o.centre);
                    add(Shape::Kind::Leg, o, o.end, *o.centre);
                    if (o.branch) add(Shape::Kind::Leg, o, *o.branch, *o.centre);
                } else {
                    add(Shape::Kind::Marker, o, *o.centre, *o.centre);
                }
                break;
            case Role::InLine:
                add(Shape::Kind::InLine, o, o.start, o.end);
                break;
            case Role::Weld:
                add(Shape::Kind::Marker, o, o.start, o.start);
                if (o.weldNumber > 0) scene.welds.push_back({o.index, o.start, o.weldNumber});
                break;
            case Role::Point:
                add(Shape::Kind::Marker, o, o.start, o.start);
                break;
        }
    }
    for (std::size_t i = 0; i < model.problems.size(); ++i) {
        const Problem& p = model.problems[i];
        if (!p.gap) continue;
        scene.gaps.push_back({i, p.gap->first, p.gap->second});
        scene.extent.push_back(p.gap->first);
        scene.extent.push_back(p.gap->second);
    }
    return scene;
}

double screenRadius(const Shape& shape, double zoom, bool tubes) {
    const double bore = shape.bore > 0.0 ? shape.bore : 100.0;
    switch (shape.kind) {
        case Shape::Kind::Pipe:
        case Shape::Kind::Leg:
            return tubes ? std::max(1.5, bore * zoom / 2.0) : 1.5;
        case Shape::Kind::InLine:
            return tubes ? std::max(4.0, bore * zoom * 0.7) : 4.0;
        case Shape::Kind::Marker:
            return kMarkerRadius;
    }
    return 1.5;
}

std::vector<ScreenItem> screenItems(const Scene& scene, const Orbit& orbit, Point2 centre,
                                    bool tubes) {
    std::vector<ScreenItem> items;
    items.reserve(scene.shapes.size());
    const Basis basis = basisOf(orbit);
    for (const Shape& s : scene.shapes) {
        const Projected a = project(orbit, basis, centre, s.a);
        const Projected b = project(orbit, basis, centre, s.b);
        // An elbow's or tee's legs are the fitting itself: as much a thing on the line as a weld.
        const int priority = s.kind == Shape::Kind::Pipe ? 0 : 1;
        items.push_back({s.object, a.at, b.at, screenRadius(s, orbit.zoom, tubes),
                         (a.depth + b.depth) / 2.0, priority});
    }
    return items;
}

std::optional<std::size_t> pick(std::span<const ScreenItem> items, Point2 at, double tolerance) {
    constexpr double kAsNear = 0.5;  // pixels
    const ScreenItem* best = nullptr;
    double bestDistance = 0.0;  // to its outline
    double bestMiddle = 0.0;    // to its middle line
    for (const ScreenItem& item : items) {
        const double middle = distanceToSegment(at, item.a, item.b);
        const double d = std::max(0.0, middle - item.radius);
        if (!(d <= tolerance)) continue;
        bool better = !best || d < bestDistance - kAsNear;
        if (!better && std::abs(d - bestDistance) <= kAsNear) {
            // As near: the thing on a pipe, then the one whose middle is nearer (a weld beside
            // an elbow), then the one nearer to the eye.
            if (item.priority != best->priority)
                better = item.priority > best->priority;
            else if (std::abs(middle - bestMiddle) > kAsNear)
                better = middle < bestMiddle;
            else
                better = item.depth > best->depth;
        }
        if (better) {
            best = &item;
            bestDistance = d;
            bestMiddle = middle;
        }
    }
    if (!best) return std::nullopt;
    return best->object;
}

}  // namespace tubra::spatial
