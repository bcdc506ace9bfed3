#include "tubra/view/AnnotationPainter.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <tuple>
#include <optional>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/view/Directions.h"
#include "tubra/view/SheetLayers.h"

namespace tubra::view {

using model::directionCode;
using model::ObjectKind;
using model::PipeObject;
using model::SymbolCode;
using model::truncToInt;
using model::Vec3;
using platform::Point;

namespace {

// Distance of a symbol label from the middle of its symbol, before zooming.
constexpr double kLabelDistance = 30.0;
// The vertical text of a vertical pipe keeps this far from the pipe.
constexpr double kVerticalTextGap = 5.0;
// The vessel's label moves this far left and up from the usual place.
constexpr double kVesselLabelLeft = 40.0;
constexpr double kVesselLabelUp = 30.0;
// Gap between a weld circle or a column and its label.
constexpr double kLabelGap = 4.0;
// A vertical pipe's text runs downward.
constexpr double kDownward = -1.570796275;

bool is(const PipeObject& o, ObjectKind k) {
    return o.MainType == model::kindValue(k);
}

bool annotated(const PipeObject& o) {
    switch (o.kind()) {
        case ObjectKind::Pipe:
        case ObjectKind::Elbow:
        case ObjectKind::Weld:
        case ObjectKind::Tee:
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            return true;
        case ObjectKind::CutLine:
        case ObjectKind::TextBlock:
            return false;
    }
    return false;  // a MainType of no kind
}

// Kinds whose first layout is kept.
bool keepsLayout(const PipeObject& o) {
    return !is(o, ObjectKind::Pipe) && !is(o, ObjectKind::Elbow);
}

bool vertical(int dir) {
    return dir == 0 || dir == 1;
}

// atan of the slope dy/dx; a vertical run gives ±90 degrees, a point 0.
double slopeAngle(double dx, double dy) {
    if (dx == 0.0 && dy == 0.0) return 0.0;
    return std::atan(dy / dx);
}

int tenths(double radians) {
    // Truncated as the text escapement is, but an angle a hair short of a whole tenth (the
    // -29.99999° of a pipe along the 30° axis, whose ends the file keeps to six decimals) is
    // that tenth: the angle must not hang on the last digits of the ends.
    const double t = radians * kRadToTenths;
    const double whole = std::round(t);
    return truncToInt(std::fabs(t - whole) < 1e-4 ? whole : t);
}

// Text angles at or near the vertical lie flat instead.
int snapNearVertical(int m) {
    const long long t = m;
    if (t % 900 == 0 || std::llabs(t - 900) <= 15 || std::llabs(t + 900) <= 15) return 0;
    return m;
}

// The angle rule of supports and site marks, by the direction of their pipe.
int accessoryAngle(int dir, const AxisAngles& axes) {
    switch (dir) {
        case 3:
        case 5:
            return truncToInt(-10.0 * truncToInt(axes.alpha));
        case 2:
        case 4:
            return truncToInt(10.0 * truncToInt(axes.beta));
        case 1:
            return 900;
        case 0:
            return -900;
        default:
            return 0;
    }
}

int cwOf(const model::DrawingSettings& s) {
    return s.Dim_Size * 2 / 3;
}

// An elevation mark is placed on the continuation of one of the elbow's legs and runs along
// that leg, toward the corner or away from it.
int elbowTextAngle(const PipeObject& o, const AxisAngles& axes) {
    return truncToInt(-10.0 * elbowAngle(directionCode(o.StrtDir), directionCode(o.EndDir), axes));
}

// Laid-out points are kept as the file keeps them, so that a layout done again after the file
// is opened finds what it wrote.
Vec3 unscaled(double x, double y, double zoom, double z) {
    return Vec3(model::fileNumber(x / zoom), model::fileNumber(y / zoom), model::fileNumber(z));
}

// The port an elbow's elevation mark is placed from, and which formula places it.
struct ElbowRow {
    int row = 0;
    bool fromPort1 = false;
};

std::optional<ElbowRow> elbowRow(int from, int to) {
    if (to == 5 || from == 3) return ElbowRow{1, from == 3};
    if (to == 2 || from == 4) return ElbowRow{2, from == 4};
    if (to == 3 || from == 5) return ElbowRow{3, from == 5};
    if (to == 4 || from == 2) return ElbowRow{4, from == 2};
    return std::nullopt;
}

// The top-left reference of a text of width w and height h whose middle is to lie at (cx, cy)
// when drawn at text angle m.
Vec3 referenceForCentre(double cx, double cy, int m, double w, double h) {
    const double phi = m / 10.0 * kDegToRad;
    const double bx = std::cos(phi), by = std::sin(phi);  // along the baseline
    const double ux = -by, uy = bx;                       // toward the top of the glyphs
    return {cx - bx * w / 2 + ux * h / 2, cy - by * w / 2 + uy * h / 2, 0.0};
}

// Extent of a text box (w along its baseline, h across) in the sheet direction (dx, dy).
double extentAlong(double dx, double dy, int m, double w, double h) {
    const double phi = m / 10.0 * kDegToRad;
    const double bx = std::cos(phi), by = std::sin(phi);
    return std::fabs(dx * bx + dy * by) * w + std::fabs(-dx * by + dy * bx) * h;
}

void layoutPipe(PipeObject& o, const model::DrawingSettings& s, double zoom, double a, double b) {
    if (o.DistTxt.empty()) {
        const long length = std::labs(static_cast<long>(truncToInt(o.Distanc)));
        o.DistTxt = text::format("%-8ld", length);
    }
    removeInnerBlanks(o.DistTxt);
    const double w = static_cast<double>(static_cast<int>(o.DistTxt.size()) * cwOf(s) / 2);
    const Vec3 p1 = o.Port1 * zoom;
    const Vec3 p2 = o.Port2 * zoom;
    const double theta = slopeAngle(p2.x - p1.x, p2.y - p1.y);
    // Offsets move the ends straight up, by cos θ of the distance.
    const double lift = std::cos(std::fabs(theta));
    o.dimL_st = unscaled(p1.x, p1.y + lift * a, zoom, o.Port1.z);
    o.dimL_ed = unscaled(p2.x, p2.y + lift * a, zoom, o.Port2.z);
    const double midX = (p1.x + p2.x) / 2.0;
    const double midY = (p1.y + p2.y) / 2.0 + lift * (a + b);
    const bool upright = vertical(directionCode(o.EndDir));
    const double angle = upright ? kDownward : theta;
    double x = midX - w / 2.0 * std::cos(angle);
    const double y = midY - w / 2.0 * std::sin(angle);
    if (upright) x -= kVerticalTextGap;
    o.dimTxt_st = unscaled(x, y, zoom, 0.0);
    o.dimAngle = tenths(angle);
}

void layoutElbow(PipeObject& o, const model::DrawingSettings& s, const ViewState& view,
                 double zoom) {
    if (o.DistTxt.empty())
        o.DistTxt = view.autoElevation ? elevationMark(std::min(o.Port1.z, o.Port2.z)) : " ";
    removeInnerBlanks(o.DistTxt);
    const int from = directionCode(o.StrtDir);
    const int to = directionCode(o.EndDir);
    const double h = elbowAngle(from, to, view.axes()) * kDegToRad;
    const double r = s.m_wantouR * zoom;
    const double cw = cwOf(s);
    const double u = static_cast<double>(o.DistTxt.size()) * cw;
    o.dimAngle = elbowTextAngle(o, view.axes());
    const auto row = elbowRow(from, to);
    if (!row) return;  // both legs vertical: no mark
    const Vec3 q = (row->fromPort1 ? o.Port1 : o.Port2) * zoom;
    const double c = std::cos(h), sn = std::sin(h);
    double x = 0, y = 0;
    switch (row->row) {
        case 1: {
            const double d = r + cw + u;
            x = q.x - c * d;
            y = q.y + s.Dim_Size + sn * d;
            break;
        }
        case 2: {
            const double d = r + u;
            x = q.x - c * d;
            y = q.y + s.Dim_Size + sn * d;
            break;
        }
        case 3:
            x = q.x + c * r;
            y = q.y + s.Dim_Size - sn * r;
            break;
        default: {
            const double d = r + cw;
            x = q.x + c * d;
            y = q.y + s.Dim_Size - sn * d;
            break;
        }
    }
    o.dimTxt_st = unscaled(x, y, zoom, 0.0);
}

// Labels of valves, fittings, tees, supports and site marks sit beside the middle of the
// symbol, perpendicular to its pipe.
void layoutSymbolLabel(PipeObject& o, const model::DrawingSettings& s, const ViewState& view,
                       double zoom) {
    const AxisAngles axes = view.axes();
    const int dir = directionCode(o.EndDir);
    const Vec3 p1 = o.Port1 * zoom;
    const Vec3 p2 = o.Port2 * zoom;
    const double ax = (p1.x + p2.x) / 2.0;
    const double ay = (p1.y + p2.y) / 2.0;
    double dx = p2.x - p1.x, dy = p2.y - p1.y;
    if (dx == 0.0 && dy == 0.0 && dir >= 0 && dir <= 5) {
        // A symbol that ends where it starts (supports, instruments) takes its pipe's run.
        const Vec3 step = StepAlong(axes, Vec3(), dir, 1.0);
        dx = step.x;
        dy = step.y;
    }
    const double theta = slopeAngle(dx, dy);
    // The side the label goes to: below a rising pipe, above a falling one.
    const double nx = theta < 0 ? -std::sin(theta) : std::sin(theta);
    const double ny = theta < 0 ? std::cos(theta) : -std::cos(theta);
    double x = ax + nx * kLabelDistance * zoom;
    double y = ay + ny * kLabelDistance * zoom;
    const bool accessory = is(o, ObjectKind::Accessory) || is(o, ObjectKind::SiteMark);
    const int angle = accessory ? accessoryAngle(dir, axes) : snapNearVertical(tenths(theta));
    // The text hangs below its reference point. Where it would hang back toward the pipe, it
    // moves out by as much, so that labels keep their clearance on either side of a pipe.
    const double phi = angle / 10.0 * kDegToRad;
    const double back = std::sin(phi) * nx - std::cos(phi) * ny;  // the text's "down" along n
    if (back < 0) {
        x -= back * s.Dim_Size * nx;
        y -= back * s.Dim_Size * ny;
    }
    if (o.SubType == static_cast<int>(SymbolCode::Vessel)) {
        x -= kVesselLabelLeft * zoom;
        y += kVesselLabelUp * zoom;
    } else if (o.SubType == static_cast<int>(SymbolCode::Column) && dir >= 0 && dir <= 5) {
        // A column hangs below a horizontal pipe and to the right of a vertical one; its
        // label goes past the foot.
        const double foot = 15.0 * s.DrawZoom_GJFM * zoom;
        const double ux = vertical(dir) ? 1.0 : 0.0;
        const double uy = vertical(dir) ? 0.0 : -1.0;
        const double w = static_cast<double>(o.DistTxt.size()) * (s.Dim_Size / 2);
        const double reach = foot + kLabelGap + extentAlong(ux, uy, angle, w, s.Dim_Size) / 2;
        const Vec3 ref =
            referenceForCentre(p1.x + ux * reach, p1.y + uy * reach, angle, w, s.Dim_Size);
        x = ref.x;
        y = ref.y;
    }
    o.dimTxt_st = unscaled(x, y, zoom, 0.0);
    o.dimAngle = angle;
    o.dimYX1_st = Vec3(1, 1, 1);
}

// A weld's number stands clear of its circle: below a horizontal pipe, whose dimension is above
// it, and left of a vertical one, whose symbol labels are on its right.
void layoutWeld(PipeObject& o, const model::DrawingSettings& s, double zoom) {
    const Vec3 p = o.Port1 * zoom;
    const double w = static_cast<double>(o.DistTxt.size()) * (s.Dim_Size / 2);
    const double h = s.Dim_Size;
    const double clear = std::max(0.0, static_cast<double>(truncToInt(s.HanFengKuan))) + kLabelGap;
    const int m = o.dimAngle;
    double cx = 0, cy = 0;
    if (vertical(directionCode(o.EndDir))) {
        cx = p.x - clear - extentAlong(1, 0, m, w, h) / 2;
        cy = p.y;
    } else {
        const double phi = m / 10.0 * kDegToRad;
        const double ux = -std::sin(phi), uy = std::cos(phi);
        cx = p.x - ux * (clear + h / 2);
        cy = p.y - uy * (clear + h / 2);
    }
    const Vec3 ref = referenceForCentre(cx, cy, m, w, h);
    o.dimTxt_st = unscaled(ref.x, ref.y, zoom, 0.0);
    o.dimYX1_st.x = 1.0;
}

// An angle the arrowhead painter cannot take for a direction code.
double arrowAngle(double degrees) {
    double a = std::fmod(degrees, 360.0);
    if (a < 0) a += 360.0;
    if (a < 6.0) a += 360.0;
    return a;
}

Vec3 moved(const Vec3& p, double dx, double dy) {
    return {p.x + dx, p.y + dy, 0.0};
}

// The point `t` times as far from `from` as `to` is.
Vec3 past(const Vec3& from, const Vec3& to, double t) {
    return moved(from, t * (to.x - from.x), t * (to.y - from.y));
}

void line(platform::Canvas& c, Point a, Point b) {
    c.moveTo(a);
    c.lineTo(b);
}

bool startsWith(const model::ObjectText& t, char c) {
    return !t.empty() && t.view().front() == c;
}

// Tells a canvas that keeps layers apart what the next figures are.
void onLayer(platform::Canvas& c, SheetLayer layer, const PipeObject& o) {
    c.setLayer(static_cast<int>(layer), &o);
}

void paintPipe(const PipeObject& o, const PaintContext& ctx) {
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    const double zoom = ctx.zoom();
    const AxisAngles axes = ctx.axes();
    const Vec3 p1 = o.Port1 * zoom;
    const Vec3 p2 = o.Port2 * zoom;
    if (s.DimLineLayer || ctx.allDimensionLines) {
        onLayer(c, SheetLayer::DimensionLine, o);
        Vec3 l1 = o.dimL_st * zoom;
        Vec3 l2 = o.dimL_ed * zoom;
        if (!s.DimLineLayer) {
            // Where the layout puts the dimension line when the switch is on.
            const double lift = std::cos(std::fabs(slopeAngle(p2.x - p1.x, p2.y - p1.y)));
            l1 = {p1.x, p1.y + lift * s.Dim_High, 0.0};
            l2 = {p2.x, p2.y + lift * s.Dim_High, 0.0};
        }
        // Extension lines from the ports to a little past the dimension line.
        line(c, truncated(past(p1, l1, 1.5)), truncated(p1));
        line(c, truncated(past(p2, l2, 1.5)), truncated(p2));
        line(c, truncated(l1), truncated(l2));
        const double f = SegmentAngle(l1, l2);
        DrawArrowHead(c, axes, l2, arrowAngle(f), s.DimLineColor);
        DrawArrowHead(c, axes, l1, arrowAngle(f + 180.0), s.DimLineColor);
    }
    onLayer(c, SheetLayer::DimensionText, o);
    if (s.DimTextLayer && !startsWith(o.DistTxt, '^') && !startsWith(o.DistTxt, '0'))
        c.textOut(devicePoint(o.dimTxt_st, zoom), o.DistTxt.view());

    const int mark = truncToInt(o.Port4.z);
    if (mark == 0) return;
    onLayer(c, SheetLayer::FlowArrow, o);
    const double length = static_cast<double>(o.DistTxt.size() + 2) * c.textMetrics().aveCharWidth;
    const double f = SegmentAngle(o.Port1, o.Port2);
    const double fr = f * kDegToRad;
    const Vec3 anchor(o.Port4.x * zoom, o.Port4.y * zoom, 0.0);
    const double ax = std::cos(fr) * length, ay = std::sin(fr) * length;
    // The mark starts at the anchor for angles below 90 degrees and ends on it otherwise.
    const Vec3 first = f < 90.0 ? anchor : moved(anchor, -ax, -ay);
    const Vec3 second = f < 90.0 ? moved(anchor, ax, ay) : anchor;
    line(c, truncated(first), truncated(second));
    const int dir = directionCode(o.EndDir);
    const bool axis = dir >= 0 && dir <= 5;
    // Slanted pipes have no direction code; their arrows follow the pipe's own angle.
    if (mark > 0)
        DrawArrowHead(c, axes, second, axis ? dir : arrowAngle(f), s.DimLineColor);
    else
        DrawArrowHead(c, axes, first, axis ? oppositeDirection(dir) : arrowAngle(f + 180.0),
                      s.DimLineColor);
}

void paintElbow(const PipeObject& o, const PaintContext& ctx) {
    const int from = directionCode(o.StrtDir);
    const int to = directionCode(o.EndDir);
    if (!vertical(from) && !vertical(to)) return;
    if (!elbowRow(from, to)) return;
    if (!ctx.settings.DimTextLayer) return;
    if (o.DistTxt.empty() || startsWith(o.DistTxt, '^') || startsWith(o.DistTxt, ' ')) return;
    ctx.canvas.textOut(devicePoint(o.dimTxt_st, ctx.zoom()), o.DistTxt.view());
}

void paintLabel(const PipeObject& o, const PaintContext& ctx) {
    if (!ctx.settings.DimTextLayer) return;
    if (o.DistTxt.empty() || startsWith(o.DistTxt, ' ')) return;
    ctx.canvas.textOut(devicePoint(o.dimTxt_st, ctx.zoom()), o.DistTxt.view());
}

}  // namespace

AnnotationOffsets annotationOffsetsFor(const model::DrawingSettings& s) {
    if (s.DimLineLayer) return {static_cast<double>(s.Dim_High), static_cast<double>(s.Dim_Size)};
    return {0.0, static_cast<double>(s.Dim_Size) + s.Dim_High + s.ZhuXianKuan};
}

double elbowAngle(int from, int to, const AxisAngles& axes) {
    const bool fromVertical = vertical(from);
    const bool toVertical = vertical(to);
    if (fromVertical && (to == 2 || to == 4)) return axes.alpha;
    if (fromVertical && (to == 3 || to == 5)) return -axes.beta;
    if ((from == 2 || from == 4) && toVertical) return axes.alpha;
    if ((from == 3 || from == 5) && toVertical) return -axes.beta;
    return -999.0;
}

int annotationTextAngle(PipeObject& o, const AxisAngles& axes) {
    if (o.dimYX1_st.x != 0.0) return o.dimAngle;
    const int dir = directionCode(o.EndDir);
    switch (o.kind()) {
        case ObjectKind::Pipe: {
            if (vertical(dir)) return -900;
            // The text runs along the pipe, as its layout centres it.
            return tenths(slopeAngle(o.Port1.x - o.Port2.x, o.Port1.y - o.Port2.y));
        }
        case ObjectKind::Elbow:
            return elbowTextAngle(o, axes);
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            return o.dimAngle = accessoryAngle(dir, axes);
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
            return o.dimAngle = (dir >= 2 && dir <= 5) ? -900 : 0;
        case ObjectKind::Tee:
            return snapNearVertical(
                tenths(slopeAngle(o.Port2.x - o.Port1.x, o.Port2.y - o.Port1.y)));
        case ObjectKind::Weld:
        case ObjectKind::CutLine:
        case ObjectKind::TextBlock:
            return o.dimAngle;
    }
    return o.dimAngle;
}

std::string elevationMark(double elevationMm) {
    model::ObjectText t(text::gbk("▽") + text::format("%-7.2fm", elevationMm / 1000.0));
    removeInnerBlanks(t);
    return t.str();
}

void removeInnerBlanks(model::ObjectText& t) {
    const std::string_view v = t.view();
    if (v.size() < 2 || v.find(' ', 1) == std::string_view::npos) return;
    std::string s(v);
    // Trail bytes of two-byte characters are never blanks, so bytes can be tested one by one.
    s.erase(std::remove(s.begin() + 1, s.end(), ' '), s.end());
    t = s;
}

void LayoutAnnotation(PipeObject& o, const model::DrawingSettings& s, const ViewState& view,
                      double a, double b) {
    const double zoom = view.ZoomPara;
    // Positions are stored at zoom 1; without a usable zoom nothing can be stored.
    if (!(zoom > 0.0) || !std::isfinite(zoom)) return;
    switch (o.kind()) {
        case ObjectKind::Pipe:
            layoutPipe(o, s, zoom, a, b);
            break;
        case ObjectKind::Elbow:
            layoutElbow(o, s, view, zoom);
            break;
        case ObjectKind::Weld:
            layoutWeld(o, s, zoom);
            break;
        case ObjectKind::Tee:
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            layoutSymbolLabel(o, s, view, zoom);
            break;
        case ObjectKind::CutLine:
        case ObjectKind::TextBlock:
            break;
    }
}

platform::Font annotationFont(const model::DrawingSettings& s, int angle, bool underline) {
    platform::Font f;
    f.face = "arail";
    f.height = s.Dim_Size;
    f.width = s.Dim_Size / 2;
    f.escapement = angle;
    f.orientation = 0;
    f.weight = 500;
    f.italic = false;
    f.underline = underline;
    f.charSet = 0;
    f.outPrecision = 4;
    f.clipPrecision = 0;
    f.quality = 2;
    f.pitchAndFamily = 48;
    return f;
}

namespace {

// What painting an annotation does to its object; returns the text angle to draw at.
int prepareOne(PipeObject& o, const model::DrawingSettings& s, const ViewState& view) {
    int angle = annotationTextAngle(o, view.axes());
    if (o.dimYX1_st.x == 0.0) {
        const AnnotationOffsets off = annotationOffsetsFor(s);
        LayoutAnnotation(o, s, view, off.a, off.b);
        // A label that keeps its layout is drawn at the angle it keeps, from the first paint.
        if (keepsLayout(o) && o.dimYX1_st.x != 0.0) angle = o.dimAngle;
    }
    return angle;
}

}  // namespace

int prepareAnnotation(PipeObject& o, const model::DrawingSettings& s, const ViewState& view) {
    return annotated(o) ? prepareOne(o, s, view) : 0;
}

namespace {

inline bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

inline bool sameBits(const Vec3& a, const Vec3& b) {
    return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z);
}

// Pipes and elbows with a text are laid out from their ends, directions and text alone (an
// empty text takes its default from the length or the elevation, so it is not kept).
bool memoable(const PipeObject& o) {
    return (is(o, ObjectKind::Pipe) || is(o, ObjectKind::Elbow)) && !o.DistTxt.empty() &&
           o.DistTxt.size() <= std::tuple_size_v<decltype(LaidOutAnnotation::text)>;
}

bool unchanged(const LaidOutAnnotation& m, const PipeObject& o) {
    if (!m.valid || m.mainType != o.MainType || !sameBits(m.strtDir, o.StrtDir) ||
        !sameBits(m.endDir, o.EndDir) || !sameBits(m.port1, o.Port1) || !sameBits(m.port2, o.Port2) ||
        !sameBits(m.dimL_st, o.dimL_st) || !sameBits(m.dimL_ed, o.dimL_ed) ||
        !sameBits(m.dimTxt_st, o.dimTxt_st) || m.dimAngle != o.dimAngle)
        return false;
    const std::string_view text = o.DistTxt.view();
    return text.size() == m.textSize && std::memcmp(text.data(), m.text.data(), text.size()) == 0;
}

void remember(LaidOutAnnotation& m, const PipeObject& o) {
    const std::string_view text = o.DistTxt.view();
    m.valid = memoable(o) && o.dimYX1_st.x == 0.0;
    if (!m.valid) return;
    m.mainType = o.MainType;
    m.strtDir = o.StrtDir;
    m.endDir = o.EndDir;
    m.port1 = o.Port1;
    m.port2 = o.Port2;
    m.dimL_st = o.dimL_st;
    m.dimL_ed = o.dimL_ed;
    m.dimTxt_st = o.dimTxt_st;
    m.dimAngle = o.dimAngle;
    m.textSize = static_cast<std::uint8_t>(text.size());
    std::memcpy(m.text.data(), text.data(), text.size());
}

}  // namespace

void prepareAnnotations(model::ObjectList& objects, const model::DrawingSettings& s, ViewState& view) {
    AnnotationMemo& memo = view.annotationMemo;
    const AnnotationOffsets off = annotationOffsetsFor(s);
    const AxisAngles axes = view.axes();
    bool all = !memo.cursor.follows(objects) || memo.entries.size() > objects.size() || !(memo.settings == s) ||
               memo.autoElevation != view.autoElevation;
    memo.settings = s;
    memo.autoElevation = view.autoElevation;
    if (!sameBits(memo.zoom, view.ZoomPara) || !sameBits(memo.a, off.a) || !sameBits(memo.b, off.b) ||
        !sameBits(memo.alpha, axes.alpha) || !sameBits(memo.beta, axes.beta) ||
        !sameBits(memo.elbowRadius, s.m_wantouR) || memo.dimSize != s.Dim_Size) {
        memo.entries.clear();
        memo.zoom = view.ZoomPara;
        memo.a = off.a;
        memo.b = off.b;
        memo.alpha = axes.alpha;
        memo.beta = axes.beta;
        memo.elbowRadius = s.m_wantouR;
        memo.dimSize = s.Dim_Size;
        all = true;
    }
    memo.entries.resize(objects.size());
    const auto prepare = [&](std::size_t j) {
        PipeObject& o = objects.untracked(j);
        if (is(o, ObjectKind::CutLine) || is(o, ObjectKind::Tee) || !annotated(o)) return;
        LaidOutAnnotation& m = memo.entries[j];
        if (o.dimYX1_st.x == 0.0 && memoable(o) && unchanged(m, o)) return;
        layOutTracked(objects, j, [&](PipeObject& laid) { return prepareOne(laid, s, view); });
        remember(m, o);
    };
    // An object nobody changed since the last pass is as that pass left it: laying it out
    // again would write what it holds.
    if (all) {
        for (std::size_t j = 0; j < objects.size(); ++j) prepare(j);
    } else {
        const std::vector<std::size_t>& changed = objects.changes();
        const std::size_t end = changed.size();
        for (std::size_t k = memo.cursor.seen; k < end; ++k) prepare(changed[k]);
    }
    memo.cursor.catchUp(objects);
}

bool AnnotationFields::sameAs(const PipeObject& o) const {
    return sameBits(dimL_st, o.dimL_st) && sameBits(dimL_ed, o.dimL_ed) && sameBits(dimTxt_st, o.dimTxt_st) &&
           sameBits(dimYX1_st, o.dimYX1_st) && dimAngle == o.dimAngle && text.view() == o.DistTxt.view();
}

void paintPreparedAnnotation(const PipeObject& o, const PaintContext& ctx, int angle) {
    if (!annotated(o)) return;
    const auto& s = ctx.settings;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    c.setFont(annotationFont(s, angle, is(o, ObjectKind::Elbow)));
    c.setTextColour(s.DimTextColor);
    c.setBackgroundColour(s.BeiJingColor);
    c.setPen({platform::PenStyle::Solid, 1, s.DimLineColor});
    switch (o.kind()) {
        case ObjectKind::Pipe:
            paintPipe(o, ctx);
            return;
        case ObjectKind::Elbow:
            paintElbow(o, ctx);
            return;
        case ObjectKind::Weld:
        case ObjectKind::Tee:
        case ObjectKind::CutLine:
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::TextBlock:
        case ObjectKind::SiteMark:
            break;
    }
    paintLabel(o, ctx);
}

void paintAnnotation(PipeObject& o, const PaintContext& ctx) {
    if (!annotated(o)) return;
    paintPreparedAnnotation(o, ctx, prepareOne(o, ctx.settings, ctx.view));
}

}  // namespace tubra::view
