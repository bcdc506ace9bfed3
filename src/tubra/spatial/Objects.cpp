// The first passes: what each object is, the bores and the lengths its texts state, and the
// scale the drawing is drawn at; and the helpers every pass shares.

#include <algorithm>
#include <cmath>

#include "tubra/model/InitialTexts.h"
#include "tubra/spatial/Passes.h"
#include "tubra/spatial/Texts.h"

namespace tubra::spatial::passes {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

double sheetDistance(Sheet a, Sheet b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

bool usable(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) &&
           std::fabs(p.x) <= kSheetLimit && std::fabs(p.y) <= kSheetLimit &&
           std::fabs(p.z) <= kElevationLimit;
}

Point3 axis(int code) {
    switch (code) {
        case 0:
            return {0, 0, 1};
        case 1:
            return {0, 0, -1};
        case 2:
            return {1, 0, 0};
        case 3:
            return {0, -1, 0};
        case 4:
            return {-1, 0, 0};
        case 5:
            return {0, 1, 0};
        default:
            return {};
    }
}

Point3 unit(Point3 v) {
    const double n = norm(v);
    return n > 0.0 ? v * (1.0 / n) : Point3{};
}

Along alongSegment(Sheet p, Sheet a, Sheet b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    if (len2 <= 0.0) return {0.0, sheetDistance(p, a)};
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
    const double cross = (p.x - a.x) * dy - (p.y - a.y) * dx;
    return {t, std::fabs(cross) / std::sqrt(len2)};
}

// The row of the object's kind or symbol gives its role; a pipe whose direction cannot be
// followed (space-slanted, or slanted without its plane) joins two points instead.
std::optional<Role> roleOf(const PipeObject& o) {
    const std::optional<Role> role = model::realRoleOf(o.MainType, o.SubType);
    if (role != Role::Run) return role;
    const int d = model::directionCode(o.EndDir);
    if (d >= 0 && d <= 5) return Role::Run;
    if (d == 6) {
        const int plane = model::directionCode(o.StrtDir);
        const bool offsets = std::isfinite(o.Port3.x) && std::isfinite(o.Port3.y) &&
                             std::hypot(o.Port3.x, o.Port3.y) > 0.0 && std::hypot(o.Port3.x, o.Port3.y) <= 1e9;
        if (plane >= 0 && plane <= 2 && offsets) return Role::Run;
    }
    return Role::Closed;
}

Look lookOf(const PipeObject& o, Role role) {
    switch (o.kind()) {
        case ObjectKind::Pipe:
            if (role == Role::Closed) return Look::SpaceSlantedPipe;
            if (model::directionCode(o.EndDir) == 6) return Look::PlaneSlantedPipe;
            return o.SubType == 1 ? Look::BranchPipe : Look::MainPipe;
        case ObjectKind::Elbow:
            return Look::Elbow;
        case ObjectKind::Tee:
            return Look::Tee;
        case ObjectKind::Weld:
            return Look::Weld;
        case ObjectKind::Valve:
            return Look::Valve;
        case ObjectKind::Accessory:
            return Look::Support;
        case ObjectKind::SiteMark:
            return Look::SiteMark;
        case ObjectKind::CutLine:
            return Look::CutLine;
        case ObjectKind::Fitting:
        case ObjectKind::TextBlock:
            return Look::Fitting;
    }
    return Look::Fitting;
}

bool isSurroundings(const PipeObject& o) {
    return o.is(ObjectKind::SiteMark) || o.is(ObjectKind::CutLine);
}

bool isPipe(Role role) {
    return role == Role::Run || role == Role::Closed;
}

bool sitsOnPipe(Role role) {
    return role == Role::InLine || role == Role::Point || role == Role::Weld;
}

Rebuild::Rebuild(const model::Drawing& d) : drawing(d), objects(d.objects.size()) {
    const double a = d.X_AxisAngle * kPi / 180.0, b = d.Y_AxisAngle * kPi / 180.0;
    cosA = std::isfinite(a) ? std::cos(a) : 1.0;
    sinA = std::isfinite(a) ? std::sin(a) : 0.0;
    cosB = std::isfinite(b) ? std::cos(b) : 1.0;
    sinB = std::isfinite(b) ? std::sin(b) : 0.0;
}

const Vec3& Rebuild::portOf(std::size_t i, int port) const {
    const PipeObject& o = object(i);
    return port == 1 ? o.Port1 : port == 2 ? o.Port2 : port == 3 ? o.Port3 : o.Port4;
}

Point3 Rebuild::invert(Sheet delta, double dz) const {
    const double sx = delta.x * scale, sy = delta.y * scale - dz;
    const double det = cosA * sinB + sinA * cosB;
    if (std::fabs(det) < 1e-6) return {sx, 0.0, dz};
    return {(sx * sinB - sy * cosB) / det, (cosA * sy + sinA * sx) / det, dz};
}

Point3 Rebuild::onPipe(std::size_t i, double s) const {
    const ObjectInfo& h = objects[i];
    const double len = h.realLength;
    if (len <= 0.0) return h.start;
    return h.start + (h.end - h.start) * (s / len);
}

bool isReducer(const PipeObject& o) {
    return o.is(ObjectKind::Fitting) && (o.SubType == 6 || o.SubType == 7);
}

void classifyObjects(Rebuild& r) {
    if (const auto b = readNominalBore(r.drawing.table.values[17].view())) r.tableBore = *b;
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const PipeObject& o = r.object(i);
        ObjectInfo& info = r.objects[i];
        const auto role = roleOf(o);
        if (!role) continue;
        info.member = true;
        info.role = *role;
        // The size text every new fitting starts with is no size of its own: such a fitting
        // takes its line's bore (assignBores, assembleFittings).
        const bool ownSize = o.is(ObjectKind::Pipe) || o.GuiGe.view() != model::initialSizeText();
        if (ownSize) {
            info.bore = readNominalBore(o.GuiGe.view()).value_or(0.0);
            info.bore2 = readSecondNominalBore(o.GuiGe.view()).value_or(0.0);
            info.sized = info.bore > 0.0;
        }
        if (isReducer(o) && info.bore > 0.0) {
            const double first = info.bore;
            const double second = info.bore2 > 0.0 ? info.bore2 : first;
            // 大小头 runs from its large end, 小大头 from its small end.
            info.bore = o.SubType == 6 ? std::max(first, second) : std::min(first, second);
            info.bore2 = o.SubType == 6 ? std::min(first, second) : std::max(first, second);
        } else if (!o.is(ObjectKind::Tee)) {
            info.bore2 = 0.0;  // only reducers and reducing tees have a second size
        }
        if (info.role == Role::Run || info.role == Role::Closed) {
            info.placed = usable(o.Port1) && usable(o.Port2);
            info.a = sheetOf(o.Port1);
            info.b = sheetOf(o.Port2);
            info.sheetLength = sheetDistance(info.a, info.b);
            const model::PipeLength stated = model::readPipeLength(o.DistTxt.view());
            info.number = stated.value();
            info.fault = stated.fault;
        } else {
            info.placed = usable(o.Port1);
        }
        if (info.role != Role::Run) continue;
        const int d = model::directionCode(o.EndDir);
        if (d == 6) {
            // The plane's two offsets, in millimetres along its first and second axis.
            const int plane = model::directionCode(o.StrtDir);
            const double a = o.Port3.x, b = o.Port3.y;
            const Point3 v = plane == 0   ? Point3{b, 0, a}
                             : plane == 1 ? Point3{0, b, a}
                                          : Point3{a, b, 0};
            info.u = unit(v);
            info.L = info.number.value_or(norm(v));
            info.numbered = true;
        } else {
            info.u = axis(d);
            if (info.number) {
                info.L = *info.number;
                info.numbered = true;
            }
        }
    }
}

std::optional<double> median(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    const auto mid = values.begin() + static_cast<long>(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end());
    if (values.size() % 2 != 0) return *mid;
    // An even count: the mean of the two middle values, the lower being the largest below.
    return (*std::max_element(values.begin(), mid) + *mid) / 2.0;
}

void estimateScale(Rebuild& r) {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || info.role != Role::Run || !info.placed || !info.number) continue;
        // Slanted segments: the sheet shows no true length.
        if (model::directionCode(r.object(i).EndDir) > 5) continue;
        const double drawn = r.object(i).Distanc > 0.0 ? r.object(i).Distanc : info.sheetLength;
        if (!(drawn > 1e-6) || drawn > kLongestDrawn) continue;
        ratios.push_back(*info.number / drawn);
    }
    if (const auto mid = median(std::move(ratios)); mid && std::isfinite(*mid) && *mid > 0.0) {
        r.scale = *mid;
        r.scaleFromNumbers = true;
    }
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || info.role != Role::Run || info.numbered) continue;
        double drawn = r.object(i).Distanc > 0.0 ? r.object(i).Distanc : info.sheetLength;
        if (!std::isfinite(drawn) || drawn > kLongestDrawn) drawn = 0.0;
        info.L = drawn * r.scale;
        info.estimated = true;
    }
}

}  // namespace tubra::spatial::passes
