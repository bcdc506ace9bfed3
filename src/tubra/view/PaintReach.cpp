#include "tubra/view/PaintReach.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Projection.h"

namespace tubra::view {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

namespace {

// An arrowhead is 20 units long; a break mark reaches k (1 + pi) from its point, k at most 50.
constexpr double kArrow = 21.0;
constexpr double kBreakMarkFactor = 4.2;
// No table point of a symbol lies further from its anchor than this many table units, leaning
// and projection included (every table has |x| + |y| below 70; leaning and shearing add at
// most half again each).
constexpr double kSymbolUnits = 160.0;

// How far a text of `bytes` bytes in a font `height` high and `width` wide per byte (0: its
// natural width, at most the height) may reach from its reference point at any angle, its
// glyphs a height past their cells included.
double textReach(std::size_t bytes, double height, double width) {
    const double h = height == 0.0 ? 40.0 : std::fabs(height);
    const double perByte = std::max(h, std::fabs(width));
    return static_cast<double>(bytes) * perByte + 3.0 * h + 2.0;
}

}  // namespace

void SheetArea::take(double x, double y) {
    if (!std::isfinite(x) || !std::isfinite(y)) return;
    if (empty()) {
        x0 = x1 = x;
        y0 = y1 = y;
        return;
    }
    x0 = std::min(x0, x), x1 = std::max(x1, x);
    y0 = std::min(y0, y), y1 = std::max(y1, y);
}

void SheetArea::grow(double by) {
    if (empty()) return;
    x0 -= by, y0 -= by, x1 += by, y1 += by;
}

std::optional<SheetArea> shownArea(const platform::Canvas& canvas) {
    if (!canvas.skipsUnseen()) return std::nullopt;
    const platform::Rect r = platform::normalisedLogical(canvas.toLogical(canvas.shownDevice()));
    SheetArea a;
    a.take(r.left, r.bottom);
    a.take(r.right, r.top);
    // A pixel of the device edge may come from a unit or two further out.
    a.grow(2.0 + 1.0 / std::max(canvas.pixelsPerUnit(), 1e-6));
    return a;
}

PaintReach::PaintReach(const model::DrawingSettings& s, const ViewState& view)
    : s_(s), view_(view), zoom_(view.ZoomPara) {
    const auto width = [](float w) { return std::fabs(static_cast<double>(w)); };
    const double widest =
        std::max({width(s.ZhuXianKuan), width(s.ZhiXianKuan), width(s.QiTaKuan), width(s.FaMenKuan), 1.0});
    // The erase square of a gap is twice a line width either way of the crossing.
    lineWidth_ = 2.0 * widest + 2.0;
    gapReach_ = std::trunc(s.ZhuXianKuan * 3.0) * std::fabs(zoom_) + lineWidth_;
}

SheetArea PaintReach::of(const PipeObject& o, const Vec3& textAt) const {
    const double z = zoom_;
    SheetArea a;
    const auto take = [&](const Vec3& p) { a.take(p.x * z, p.y * z); };
    // Every area is grown by one margin at the end: the largest of what is drawn at a fixed
    // size around the points taken.
    double margin = lineWidth_;
    const auto needs = [&margin](double m) { margin = std::max(margin, m); };
    // An annotation text at its place (pipes, elbows and labels; tees and break lines have
    // none in the paint).
    SheetArea text;
    const auto label = [&] {
        if (o.DistTxt.empty()) return;
        text.take(textAt.x * z, textAt.y * z);
        text.grow(textReach(o.DistTxt.size(), s_.Dim_Size, s_.Dim_Size / 2));
    };

    switch (o.kind()) {
        case ObjectKind::Pipe: {
            take(o.Port1);
            take(o.Port2);
            // A straight pipe is drawn along its nearest axis with the ports' distance.
            const SnapResult along = SnapToAxis(view_.axes(), o.Port1 * z, o.Port2 * z);
            a.take(along.end.x, along.end.y);
            if (const auto legs = planeSlantLegs(o, view_.axes())) {
                take(legs->first.Port2);
                // The legs' own lengths are laid out beside them.
                needs(textReach(8, s_.Dim_Size, s_.Dim_Size / 2) + 2.0 * std::abs(s_.Dim_Size) +
                      std::abs(s_.Dim_High) + std::fabs(s_.ZhuXianKuan) + kArrow);
            }
            if (s_.DimLineLayer) {
                for (const Vec3& p : {o.dimL_st, o.dimL_ed}) take(p);
                // The extension lines run from the ports to half as far again as the dimension line.
                for (const auto& [port, end] : {std::pair{o.Port1, o.dimL_st}, std::pair{o.Port2, o.dimL_ed}})
                    take(Vec3(port.x + 1.5 * (end.x - port.x), port.y + 1.5 * (end.y - port.y), 0.0));
                needs(kArrow);
            }
            if (model::truncToInt(o.Port4.z) != 0) {
                // The flow mark runs from its anchor as long as the text and two characters.
                SheetArea flow;
                flow.take(o.Port4.x * z, o.Port4.y * z);
                flow.grow(static_cast<double>(o.DistTxt.size() + 2) * std::abs(s_.Dim_Size) + kArrow);
                a.take(flow.x0, flow.y0);
                a.take(flow.x1, flow.y1);
            }
            needs(gapReach_);
            label();
            break;
        }
        case ObjectKind::Elbow:
            for (const Vec3& p : {o.Port1, o.Port2, o.Port4}) take(p);
            label();
            break;
        case ObjectKind::Tee:
            for (const Vec3& p : {o.Port1, o.Port2, o.Port3, o.Port4}) take(p);
            break;
        case ObjectKind::Weld:
            take(o.Port1);
            needs(std::fabs(s_.HanFengKuan) + 2.0);
            label();
            break;
        case ObjectKind::CutLine: {
            take(o.Port1);
            take(o.Port2);
            const double k = o.SubType == 0 ? 2.0 * s_.ZhuXianKuan : o.SubType == 1 ? 2.0 * s_.ZhiXianKuan : 50.0;
            needs(std::fabs(k) * kBreakMarkFactor + 2.0);
            break;
        }
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            take(o.Port1);
            needs(std::fabs(s_.DrawZoom_GJFM * z) * kSymbolUnits + lineWidth_);
            label();
            break;
        case ObjectKind::TextBlock: {
            const double height = model::truncToInt(o.BiHou) == 1 ? o.Port3.y * z : o.Port3.y;
            take(o.Port1);
            needs(textReach(o.DistTxt.size(), model::truncToInt(height), 0.0));
            break;
        }
    }
    // An object of a MainType no kind has reaches no further than its margin.
    a.grow(margin);
    if (!text.empty()) {
        a.take(text.x0, text.y0);
        a.take(text.x1, text.y1);
    }
    return a;
}

}  // namespace tubra::view

namespace tubra::view {

ReachBounds PaintReach::bounds(const PipeObject& o, const Vec3& textAt, const model::DrawingSettings& s,
                               const AxisAngles& axes) {
    // As `of`, with every length that follows the zoom split from the fixed ones: the points
    // scale with the zoom; the margin `of` grows its area by is at most the largest fixed part
    // plus the largest part per unit of zoom; a text or a flow mark reaches a fixed distance
    // from its anchor (a flow mark's area is grown by the margin too).
    SheetArea box;
    const auto take = [&](const Vec3& p) { box.take(p.x, p.y); };
    const auto width = [](float w) { return std::fabs(static_cast<double>(w)); };
    const double widest =
        std::max({width(s.ZhuXianKuan), width(s.ZhiXianKuan), width(s.QiTaKuan), width(s.FaMenKuan), 1.0});
    const double lineWidth = 2.0 * widest + 2.0;
    double marginFixed = lineWidth, marginPerZoom = 0.0, beyond = 0.0;
    const auto needs = [&](double fixed, double perZoom = 0.0) {
        marginFixed = std::max(marginFixed, fixed);
        marginPerZoom = std::max(marginPerZoom, perZoom);
    };
    const auto reaches = [&beyond](double r) { beyond = std::max(beyond, r); };
    const auto label = [&] {
        if (o.DistTxt.empty()) return;
        take(textAt);
        reaches(textReach(o.DistTxt.size(), s.Dim_Size, s.Dim_Size / 2));
    };

    switch (o.kind()) {
        case ObjectKind::Pipe: {
            take(o.Port1);
            take(o.Port2);
            // Drawn along an axis from the first port, as long as the ports are apart.
            const double along = std::fabs(o.Port2.x - o.Port1.x) + std::fabs(o.Port2.y - o.Port1.y);
            take(Vec3(o.Port1.x - along, o.Port1.y - along, 0.0));
            take(Vec3(o.Port1.x + along, o.Port1.y + along, 0.0));
            if (const auto legs = planeSlantLegs(o, axes)) {
                take(legs->first.Port2);
                needs(textReach(8, s.Dim_Size, s.Dim_Size / 2) + 2.0 * std::abs(s.Dim_Size) + std::abs(s.Dim_High) +
                      std::fabs(s.ZhuXianKuan) + kArrow);
            }
            if (s.DimLineLayer) {
                for (const Vec3& p : {o.dimL_st, o.dimL_ed}) take(p);
                for (const auto& [port, end] : {std::pair{o.Port1, o.dimL_st}, std::pair{o.Port2, o.dimL_ed}})
                    take(Vec3(port.x + 1.5 * (end.x - port.x), port.y + 1.5 * (end.y - port.y), 0.0));
                needs(kArrow);
            }
            if (model::truncToInt(o.Port4.z) != 0) {
                take(o.Port4);
                reaches(static_cast<double>(o.DistTxt.size() + 2) * std::abs(s.Dim_Size) + kArrow);
            }
            needs(lineWidth, std::fabs(std::trunc(s.ZhuXianKuan * 3.0)));
            label();
            break;
        }
        case ObjectKind::Elbow:
            for (const Vec3& p : {o.Port1, o.Port2, o.Port4}) take(p);
            label();
            break;
        case ObjectKind::Tee:
            for (const Vec3& p : {o.Port1, o.Port2, o.Port3, o.Port4}) take(p);
            break;
        case ObjectKind::Weld:
            take(o.Port1);
            needs(std::fabs(s.HanFengKuan) + 2.0);
            label();
            break;
        case ObjectKind::CutLine: {
            take(o.Port1);
            take(o.Port2);
            const double k = o.SubType == 0 ? 2.0 * s.ZhuXianKuan : o.SubType == 1 ? 2.0 * s.ZhiXianKuan : 50.0;
            needs(std::fabs(k) * kBreakMarkFactor + 2.0);
            break;
        }
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            take(o.Port1);
            needs(lineWidth, std::fabs(s.DrawZoom_GJFM) * kSymbolUnits);
            label();
            break;
        case ObjectKind::TextBlock: {
            take(o.Port1);
            const double bytes = static_cast<double>(o.DistTxt.size());
            if (model::truncToInt(o.BiHou) == 1)
                // A height that follows the zoom: at most its stored height times the zoom, or
                // the height a text without one takes.
                needs((bytes + 3.0) * 40.0 + 2.0, (bytes + 3.0) * std::fabs(o.Port3.y));
            else
                needs(textReach(o.DistTxt.size(), model::truncToInt(o.Port3.y), 0.0));
            break;
        }
    }
    ReachBounds b;
    if (box.empty()) return b;  // never left out by its bounds
    b.x0 = box.x0, b.y0 = box.y0, b.x1 = box.x1, b.y1 = box.y1;
    // Room for rounding: the points are scaled before they are compared.
    b.fixed = marginFixed + beyond + 2.0;
    b.perZoom = marginPerZoom;
    const bool finite = std::isfinite(b.x0 + b.y0 + b.x1 + b.y1 + b.fixed + b.perZoom);
    return finite ? b : ReachBounds{};
}

bool KeptReach::sameInputs(const model::DrawingSettings& s, const AxisAngles& axes) const {
    return lineWidths_[0] == s.ZhuXianKuan && lineWidths_[1] == s.ZhiXianKuan && lineWidths_[2] == s.QiTaKuan &&
           lineWidths_[3] == s.FaMenKuan && lineWidths_[4] == s.HanFengKuan && dimSize_ == s.Dim_Size &&
           dimHigh_ == s.Dim_High && dimLines_ == (s.DimLineLayer != 0) && symbolZoom_ == s.DrawZoom_GJFM &&
           axes_.alpha == axes.alpha && axes_.beta == axes.beta;
}

void KeptReach::update(const model::ObjectList& objects, const model::DrawingSettings& s, const AxisAngles& axes) {
    const auto one = [&](std::size_t i) {
        const PipeObject& o = objects.at(i);
        bounds_[i] = PaintReach::bounds(o, o.dimTxt_st, s, axes);
    };
    if (built_ && sameInputs(s, axes) && cursor_.follows(objects) && bounds_.size() == objects.size()) {
        const std::vector<std::size_t>& changes = objects.changes();
        for (std::size_t k = cursor_.seen; k < changes.size(); ++k)
            if (changes[k] < bounds_.size()) one(changes[k]);
    } else {
        bounds_.assign(objects.size(), ReachBounds{});
        for (std::size_t i = 0; i < objects.size(); ++i) one(i);
        lineWidths_[0] = s.ZhuXianKuan, lineWidths_[1] = s.ZhiXianKuan, lineWidths_[2] = s.QiTaKuan;
        lineWidths_[3] = s.FaMenKuan, lineWidths_[4] = s.HanFengKuan;
        dimSize_ = s.Dim_Size, dimHigh_ = s.Dim_High, dimLines_ = s.DimLineLayer != 0;
        symbolZoom_ = s.DrawZoom_GJFM;
        axes_ = axes;
        built_ = true;
    }
    cursor_.catchUp(objects);
}

const std::vector<ReachBounds>* KeptReach::current(const model::ObjectList& objects,
                                                   const model::DrawingSettings& s,
                                                   const AxisAngles& axes) const {
    const bool current = built_ && cursor_.follows(objects) && cursor_.seen == objects.changes().size() &&
                         bounds_.size() == objects.size() && sameInputs(s, axes);
    return current ? &bounds_ : nullptr;
}

KeptPaintReach::KeptPaintReach() : reach_(std::make_unique<KeptReach>()) {}
KeptPaintReach::~KeptPaintReach() = default;
KeptPaintReach::KeptPaintReach(const KeptPaintReach&) : KeptPaintReach() {}
KeptPaintReach& KeptPaintReach::operator=(const KeptPaintReach& other) {
    if (this != &other) reach_ = std::make_unique<KeptReach>();
    return *this;
}
KeptPaintReach::KeptPaintReach(KeptPaintReach&& other) noexcept : reach_(std::move(other.reach_)) {
    other.reach_ = std::make_unique<KeptReach>();
}
KeptPaintReach& KeptPaintReach::operator=(KeptPaintReach&& other) noexcept {
    std::swap(reach_, other.reach_);
    return *this;
}

}  // namespace tubra::view
