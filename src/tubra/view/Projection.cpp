#include "tubra/view/Projection.h"

#include <array>
#include <cmath>

namespace tubra::view {

using model::truncToInt;
using model::Vec3;

double directionAngle(int code, const AxisAngles& axes) {
    switch (code) {
        case 0: return 90.0;
        case 1: return 270.0;
        case 2: return axes.alpha == 0.0 ? 0.0 : 360.0 - axes.alpha;
        case 3: return axes.beta + 180.0;
        case 4: return 180.0 - axes.alpha;
        case 5: return axes.beta;
        default: return -1.0;
    }
}

platform::Point devicePoint(const Vec3& stored, double zoom) {
    return {truncToInt(stored.x * zoom), truncToInt(stored.y * zoom)};
}

platform::Point truncated(const Vec3& scaled) {
    return {truncToInt(scaled.x), truncToInt(scaled.y)};
}

Vec3 StepAlong(const AxisAngles& axes, const Vec3& start, int code, double length,
               platform::Canvas* draw) {
    const double a = axes.alpha * kDegToRad;
    const double b = axes.beta * kDegToRad;
    Vec3 end(start.x, start.y, 0.0);
    switch (code) {
        case 0: end.y = start.y + length; break;
        case 1: end.y = start.y - length; break;
        case 5:
            end.x = start.x + std::cos(b) * length;
            end.y = start.y + std::sin(b) * length;
            break;
        case 3:
            end.x = start.x - std::cos(b) * length;
            end.y = start.y - std::sin(b) * length;
            break;
        case 4:
            end.x = start.x - std::cos(a) * length;
            end.y = start.y + std::sin(a) * length;
            break;
        case 2:
            end.x = start.x + std::cos(a) * length;
            end.y = start.y - std::sin(a) * length;
            break;
        default: break;
    }
    if (draw) {
        draw->moveTo(truncated(start));
        draw->lineTo(truncated(end));
    }
    return end;
}

double SegmentAngle(const Vec3& start, const Vec3& end, double* length) {
    const double x1 = start.x, y1 = start.y, x2 = end.x, y2 = end.y;
    const double dx = std::fabs(x1 - x2);
    const double dy = std::fabs(y1 - y2);
    if (length) *length = std::sqrt(dx * dx + dy * dy);
    double a;
    if (dx == 0.0)
        a = 90.0;
    else if (dy == 0.0)
        a = 0.0;
    else
        a = std::atan(dy / dx) * kRadToDeg;
    if (x1 > x2 && y1 <= y2) return 180.0 - a;
    if (x1 >= x2 && y1 > y2) return 180.0 + a;
    if (x1 <= x2 && y1 > y2) return 360.0 - a;
    return a;
}

SnapResult SnapToAxis(const AxisAngles& axes, const Vec3& start, const Vec3& cursor,
                      platform::Canvas* draw) {
    double length = 0.0;
    const double t = SegmentAngle(start, cursor, &length);
    const double east = axes.alpha == 0.0 ? std::fabs(0.0 - t) : std::fabs(360.0 - axes.alpha - t);
    // In tie order: west, east, north, south, up, down.
    const std::array<std::pair<int, double>, 6> candidates = {{
        {4, std::fabs(180.0 - axes.alpha - t)},
        {2, east},
        {5, std::fabs(axes.beta - t)},
        {3, std::fabs(axes.beta + 180.0 - t)},
        {0, std::fabs(90.0 - t)},
        {1, std::fabs(270.0 - t)},
    }};
    int chosen = candidates[0].first;
    double best = candidates[0].second;
    for (const auto& [code, distance] : candidates) {
        if (distance < best) {
            best = distance;
            chosen = code;
        }
    }
    SnapResult r;
    r.direction = chosen;
    r.length = length;
    r.end = StepAlong(axes, start, chosen, length, draw);
    return r;
}

void DrawArrowHead(platform::Canvas& canvas, const AxisAngles& axes, const Vec3& tip,
                   double direction, platform::Colour colour) {
    const int code = truncToInt(direction);
    const double theta = (code >= 0 && code <= 5) ? directionAngle(code, axes) : direction;
    // For code 2 the angle is 360 - α even when α is 0; the rotation is the same either way.
    const double r = theta * kDegToRad;
    const double c = std::cos(r);
    const double s = std::sin(r);
    auto corner = [&](double lx, double ly) {
        return platform::Point{truncToInt(tip.x + lx * c - ly * s),
                               truncToInt(tip.y + lx * s + ly * c)};
    };
    const platform::Point points[3] = {truncated(tip), corner(-20.0, 4.0), corner(-20.0, -4.0)};
    platform::CanvasStateGuard guard(canvas);
    canvas.setPen({platform::PenStyle::Solid, 1, colour});
    canvas.setBrush(platform::Brush::solid(colour));
    canvas.polygon(points);
}

}  // namespace tubra::view
