#include "tubra/edit/Construction.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <memory>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/LengthText.h"
#include "tubra/view/SymbolLibrary.h"

namespace tubra::edit {

using model::directionCode;
using model::ObjectKind;
using model::PipeObject;
using model::truncToInt;
using model::Vec3;

namespace {

constexpr int kPipe = model::kindValue(ObjectKind::Pipe);
constexpr int kElbow = model::kindValue(ObjectKind::Elbow);
constexpr int kWeld = model::kindValue(ObjectKind::Weld);
constexpr int kTee = model::kindValue(ObjectKind::Tee);
constexpr int kAccessory = model::kindValue(ObjectKind::Accessory);
constexpr int kColumn = static_cast<int>(model::SymbolCode::Column);

bool sheetVertical(const PipeObject& o) { return truncToInt(o.Port1.x) == truncToInt(o.Port2.x); }

double slope(const PipeObject& o) { return (o.Port2.y - o.Port1.y) / (o.Port2.x - o.Port1.x); }

bool within(double v, double a, double b) { return v >= std::min(a, b) && v <= std::max(a, b); }

double clampTo(double v, double a, double b) { return std::clamp(v, std::min(a, b), std::max(a, b)); }

// The unit vector of a direction on the sheet (0 for other codes).
std::pair<double, double> sheetVector(int dir, const view::AxisAngles& axes) {
    const double a = axes.alpha * view::kDegToRad;
    const double b = axes.beta * view::kDegToRad;
    switch (dir) {
        case 0: return {0.0, 1.0};
        case 1: return {0.0, -1.0};
        case 2: return {std::cos(a), -std::sin(a)};
        case 4: return {-std::cos(a), std::sin(a)};
        case 5: return {std::cos(b), std::sin(b)};
        case 3: return {-std::cos(b), -std::sin(b)};
        default: return {0.0, 0.0};
    }
}

// The length a segment stands for: its text's number, else its sheet length.
double statedLength(const PipeObject& o) {
    return model::readPipeLength(o.DistTxt.view()).value().value_or(o.Distanc);
}

std::string fixed0(double v) { return text::format("%-5.0f", v); }

}  // namespace

void copyPipeData(PipeObject& to, const PipeObject& from) {
    to.GuiGe = from.GuiGe;
    to.XingHao = from.XingHao;
    to.CaiLiao = from.CaiLiao;
    to.StartUse = from.StartUse;
    to.LastCheck = from.LastCheck;
    to.BiHou = from.BiHou;
}

void applyNewSegmentDefaults(PipeObject& s) {
    static const std::string size = text::gbk("φ500×5.0");
    static const std::string type = text::gbk("型号");
    s.GuiGe = size;
    s.XingHao = type;
    s.CaiLiao = "Cr18Ni9Ti";
    s.StartUse = "1980/01/01";
    s.LastCheck = "1980/06/01";
    s.BiHou = 10.0;
}

void applyContinuedSegmentDefaults(PipeObject& s) {
    static const std::string size = text::gbk("Φ500×5.0");
    applyNewSegmentDefaults(s);
    s.GuiGe = size;
}

double sheetLength(const PipeObject& o) {
    return std::hypot(o.Port2.x - o.Port1.x, o.Port2.y - o.Port1.y);
}

bool isForward(const PipeObject& s, const Vec3& p) {
    switch (directionCode(s.EndDir)) {
        case 5:
        case 2: return p.x > s.Port1.x;
        case 3:
        case 4: return p.x < s.Port1.x;
        case 0: return p.y > s.Port1.y;
        case 1: return p.y < s.Port1.y;
        default: return false;
    }
}

std::vector<int> squareDirections(int dir) {
    switch (dir) {
        case 0:
        case 1: return {2, 4, 3, 5};
        case 2:
        case 4: return {3, 5, 0, 1};
        case 3:
        case 5: return {2, 4, 0, 1};
        default: return {};
    }
}

double elevationAtEnd(const PipeObject& a) {
    switch (directionCode(a.EndDir)) {
        case 0: return a.Port1.z + statedLength(a);
        case 1: return a.Port1.z - statedLength(a);
        // Slanted segments end at their own end elevation: the elbow sits there.
        default: return a.Port2.z;
    }
}

PipeObject makeElbow(const PipeObject& a, const PipeObject& b, double r, double length) {
    const Vec3 c = a.Port2;
    Vec3 k;
    if (sheetVertical(a)) {
        k = Vec3(c.x, a.Port2.y > a.Port1.y ? c.y + r : c.y - r, 0.0);
    } else {
        const double s = slope(a);
        const double step = r / std::sqrt(1.0 + s * s);
        double x = c.x + step;
        if (within(x, a.Port1.x, a.Port2.x)) x = c.x - step;
        k = Vec3(x, a.Port1.y + s * (x - a.Port1.x), 0.0);
    }
    // B moved to start at the corner.
    const double endX = b.Port2.x + (k.x - b.Port1.x);
    const double endY = b.Port2.y + (k.y - b.Port1.y);
    Vec3 e;
    if (truncToInt(b.Port1.x) == truncToInt(b.Port2.x)) {
        e = Vec3(k.x, endY >= k.y ? k.y + r : k.y - r, 0.0);
    } else {
        const double s = slope(b);
        const double step = r / std::sqrt(1.0 + s * s);
        const double x = endX >= k.x ? k.x + step : k.x - step;
        e = Vec3(x, k.y + s * (x - k.x), 0.0);
    }
    PipeObject elbow(model::CreationValues{kElbow, -1, b.EndDir, c, e, length, a.EndDir});
    elbow.Port4 = k;
    elbow.Port3.x = a.StrtDir;
    const double z = elevationAtEnd(a);
    elbow.Port1.z = elbow.Port2.z = elbow.Port3.z = elbow.Port4.z = z;
    return elbow;
}

PipeObject makeTee(const PipeObject& a, const Vec3& j, const PipeObject& b, double t, double length) {
    // The run ends on A, either side of J and never beyond A's ends.
    Vec3 r1, r2;
    const bool verticalA = sheetVertical(a);
    if (verticalA) {
        r1 = Vec3(j.x, clampTo(j.y + t, a.Port1.y, a.Port2.y), 0.0);
        r2 = Vec3(j.x, clampTo(j.y - t, a.Port1.y, a.Port2.y), 0.0);
        // Port1 to Port2 runs the way A runs.
        if (a.Port2.y > a.Port1.y) std::swap(r1, r2);
    } else {
        const double s = slope(a);
        const double step = t / std::sqrt(1.0 + s * s);
        const double x1 = clampTo(j.x + step, a.Port1.x, a.Port2.x);
        const double x2 = clampTo(j.x - step, a.Port1.x, a.Port2.x);
        r1 = Vec3(x1, a.Port1.y + s * (x1 - a.Port1.x), 0.0);
        r2 = Vec3(x2, a.Port1.y + s * (x2 - a.Port1.x), 0.0);
    }
    // The branch end on B, toward B's end.
    Vec3 r3;
    if (truncToInt(std::fabs(b.Port2.x - b.Port1.x)) == 0) {
        r3 = Vec3(j.x, b.Port2.y >= j.y ? j.y + t : j.y - t, 0.0);
    } else {
        const double s = slope(b);
        const double step = t / std::sqrt(1.0 + s * s);
        const double x = b.Port2.x >= j.x ? j.x + step : j.x - step;
        r3 = Vec3(x, j.y + s * (x - j.x), 0.0);
    }
    PipeObject tee(model::CreationValues{kTee, -1, b.EndDir, r1, r2, length, a.EndDir});
    tee.Port3 = r3;
    tee.Port4 = j;
    const double z = j.z;
    switch (directionCode(a.EndDir)) {
        case 0:
            tee.Port1.z = z - length;
            tee.Port2.z = z + length;
            break;
        case 1:
            tee.Port1.z = z + length;
            tee.Port2.z = z - length;
            break;
        default: tee.Port1.z = tee.Port2.z = z; break;
    }
    switch (directionCode(b.EndDir)) {
        case 0: tee.Port3.z = z + length; break;
        case 1: tee.Port3.z = z - length; break;
        default: tee.Port3.z = z; break;
    }
    return tee;
}

PipeObject makeTeeOnSegment(const PipeObject& hit, const Vec3& p, const std::string& pair,
                            double t, double length, const view::AxisAngles& axes) {
    const int dir = directionCode(hit.EndDir);
    const auto [vx, vy] = sheetVector(dir, axes);
    PipeObject tee(model::CreationValues{kTee, -1, hit.EndDir, p, p, length, 0.0});
    tee.Port3 = p;
    Vec3 x(p.x + t * vx, p.y + t * vy, p.z);
    if (dir == 0) x.z += t;
    if (dir == 1) x.z -= t;
    tee.Port4 = x;
    const auto along = [&](int d) {
        const auto [ux, uy] = sheetVector(d, axes);
        tee.Port1 = Vec3(x.x - t * ux, x.y - t * uy, x.z);
        tee.Port2 = Vec3(x.x + t * ux, x.y + t * uy, x.z);
    };
    if (pair.find("上") != std::string::npos) {
        tee.Port1 = Vec3(x.x, x.y - t, x.z - t);
        tee.Port2 = Vec3(x.x, x.y + t, x.z + t);
        tee.StrtDir = 0;
    } else if (pair.find("东") != std::string::npos) {
        along(2);
        tee.StrtDir = 2;
    } else {
        along(5);
        tee.StrtDir = 5;
    }
    return tee;
}

model::CreationValues weldValues(const Vec3& p, double direction) {
    return {kWeld, -1, direction, p, p, 0.0, -1.0};
}

PipeObject& addWeld(model::Drawing& drawing, const Vec3& p, double direction) {
    PipeObject& w = drawing.addObject(weldValues(p, direction));
    w.DistTxt = text::format("%d", w.Number);
    return w;
}

namespace {

// A weld joining the list with the number `n`: a label that showed its old number shows `n`.
void renumberWeld(PipeObject& weld, int n) {
    if (n != weld.Number && weld.DistTxt.view() == text::format("%d", weld.Number))
        weld.DistTxt = text::format("%d", n);
    weld.Number = n;
}

}  // namespace

PipeObject& restoreObject(model::ObjectList& list, const PipeObject& kept) {
    auto o = std::make_unique<PipeObject>(kept);
    if (kept.MainType == kWeld) renumberWeld(*o, list.freeWeldNumber(kept.Number));
    return list.append(std::move(o));
}

PipeObject& duplicateObject(model::ObjectList& list, const PipeObject& source) {
    auto o = std::make_unique<PipeObject>(source);
    // A copied weld is another weld: it is numbered as a new one.
    if (source.MainType == kWeld)
        renumberWeld(*o, list.freeWeldNumber(list.countOfKind(model::ObjectKind::Weld) + 1));
    return list.append(std::move(o));
}

PipeObject makeComponent(const PipeObject& hit, const Vec3& p, int symbol, double length,
                         double outlet, const model::DrawingSettings& settings,
                         const view::AxisAngles& axes, double zoom) {
    const int mainType = model::kindValue(model::kindOfSymbol(symbol).value_or(ObjectKind::Fitting));
    PipeObject c(model::CreationValues{mainType, symbol, hit.EndDir, p, p, length, outlet});
    const view::SymbolScale scale{settings.DrawZoom_GJFM, zoom, axes};
    if (isForward(hit, p)) {
        PipeObject query = c;
        query.Port2.x = view::kNoSecondAnchor;
        if (const auto end = view::symbolExitPoint(query, scale)) c.Port2 = *end;
    } else {
        if (const auto start = view::symbolExitPoint(c, scale)) c.Port1 = *start;
    }
    return c;
}

PipeObject makeCutLine(const PipeObject& hit, const Vec3& p, const model::DrawingSettings& s,
                       const view::AxisAngles& axes) {
    double h = 3.0;
    if (hit.SubType == 0) h = 3.0 * s.ZhuXianKuan;
    if (hit.SubType == 1) h = 3.0 * s.ZhiXianKuan;
    int angle;
    switch (directionCode(hit.EndDir)) {
        case 3:
        case 5: angle = truncToInt(axes.beta); break;
        case 2:
        case 4: angle = truncToInt(360.0 - axes.alpha); break;
        case 0:
        case 1: angle = 90; break;
        default: {
            const double dx = hit.Port2.x - hit.Port1.x;
            angle = dx == 0.0 ? 90
                              : truncToInt(std::atan((hit.Port2.y - hit.Port1.y) / dx) * view::kRadToDeg);
            break;
        }
    }
    Vec3 a, b;
    if (truncToInt(hit.Port1.x) == truncToInt(hit.Port2.x)) {
        a = Vec3(hit.Port1.x, p.y - h, p.z);
        b = Vec3(hit.Port1.x, p.y + h, p.z);
    } else if (truncToInt(hit.Port1.y) == truncToInt(hit.Port2.y)) {
        a = Vec3(p.x - h, hit.Port1.y, p.z);
        b = Vec3(p.x + h, hit.Port1.y, p.z);
    } else {
        const double s = slope(hit);
        const double dx = h * std::cos(std::atan(s));
        a = Vec3(p.x - dx, hit.Port1.y + s * (p.x - dx - hit.Port1.x), p.z);
        b = Vec3(p.x + dx, hit.Port1.y + s * (p.x + dx - hit.Port1.x), p.z);
    }
    return PipeObject(model::CreationValues{model::kindValue(ObjectKind::CutLine), hit.SubType,
                                            static_cast<double>(angle), a, b, -1.0, -1.0});
}

void placeSlantedEnd(PipeObject& s, const view::AxisAngles& axes) {
    const double a = s.Port3.x;
    const double b = s.Port3.y;
    s.Distanc = std::sqrt(a * a + b * b);
    s.DistTxt = text::format("%-5.2f", s.Distanc);
    const auto [ex, ey] = sheetVector(2, axes);
    const auto [nx, ny] = sheetVector(5, axes);
    const Vec3& p = s.Port1;
    switch (directionCode(s.StrtDir)) {
        case 0: s.Port2 = Vec3(p.x + b * ex, p.y + b * ey + a, p.z + a); break;
        case 1: s.Port2 = Vec3(p.x + b * nx, p.y + b * ny + a, p.z + a); break;
        default: s.Port2 = Vec3(p.x + b * nx + a * ex, p.y + b * ny + a * ey, p.z); break;
    }
}

TeeJoinResult joinWithTee(model::Drawing& drawing, PipeObject& a, PipeObject b, PipeObject* tee,
                          bool useTee, bool autoWeld) {
    model::ObjectList& list = drawing.objects;
    const Vec3 j = useTee && tee ? tee->Port4 : b.Port1;
    PipeObject first = a;
    PipeObject second = a;
    first.Port2 = j;
    second.Port1 = j;
    first.Distanc = sheetLength(first);
    second.Distanc = sheetLength(second);
    // A branch at one of A's ends leaves A whole: the part of no length would be no segment.
    const bool split = first.Distanc >= kMinSegmentLength && second.Distanc >= kMinSegmentLength;
    b.Port1 = j;
    b.Distanc = sheetLength(b);
    // The branch is measured like the pipe it leaves, tee or not.
    copyPipeData(b, a);
    if (useTee) {
        // The stated length of A is shared in proportion to the parts.
        const auto stated = model::readPipeLength(a.DistTxt.view()).value();
        const double total = first.Distanc + second.Distanc;
        if (stated && total > 0.0) {
            first.DistTxt = fixed0(*stated * first.Distanc / total);
            second.DistTxt = fixed0(*stated - model::readPipeLength(first.DistTxt.view()).value().value_or(0.0));
        } else {
            first.DistTxt.clear();
            second.DistTxt.clear();
        }
        b.DistTxt = fixed0(b.Distanc);
    } else {
        first.DistTxt = fixed0(first.Distanc);
        second.DistTxt.clear();
        b.DistTxt.clear();
    }
    for (PipeObject* o : {&first, &second, &b}) {
        o->applyEndElevationRule(1.0);
        o->dimYX1_st = Vec3();
    }
    const PipeObject teeCopy = tee ? *tee : PipeObject();
    TeeJoinResult result;
    result.first = &a;
    if (split) {
        list.replaceObject(&a, first);
        result.second = &list.addCopy(second);
    }
    result.branch = &list.addCopy(b);
    if (autoWeld) {
        if (useTee && tee) {
            addWeld(drawing, teeCopy.Port1, a.EndDir);
            addWeld(drawing, teeCopy.Port2, a.EndDir);
            addWeld(drawing, teeCopy.Port3, b.EndDir);
        } else {
            addWeld(drawing, j, a.EndDir);
        }
    }
    if (!useTee && tee) list.take(tee);
    return result;
}

const std::vector<std::string>& jointChoiceNames() {
    static const std::vector<std::string> names = {"无",       "立地支柱", "滑动支架", "固定支架",
                                                   "刚性吊架", "弹性吊架", "焊缝"};
    return names;
}

int continueSegments(model::Drawing& drawing, const PipeObject& first, int count, JointChoice choice) {
    model::ObjectList& list = drawing.objects;
    int added = 0;
    PipeObject previous = first;
    for (int i = 1; i < count; ++i) {
        PipeObject s = previous;
        s.Port1 = previous.Port2;
        // The same segment again: the same sheet vector and the same rise, which the end
        // elevation rule then confirms or (up, down and plane-slanted) computes anew.
        s.Port2 = Vec3(2.0 * s.Port1.x - previous.Port1.x, 2.0 * s.Port1.y - previous.Port1.y,
                       s.Port1.z + (previous.Port2.z - previous.Port1.z));
        applyContinuedSegmentDefaults(s);
        s.applyEndElevationRule(1.0);
        list.addCopy(s);
        ++added;
        if (choice != JointChoice::None) {
            PipeObject joint = s;
            joint.Port2 = joint.Port1;
            int weldNumber = 0;
            switch (choice) {
                case JointChoice::Column: {
                    int n = 1;
                    if (const PipeObject* last = [&]() -> const PipeObject* {
                            for (std::size_t k = list.size(); k-- > 0;) {
                                const PipeObject& o = list.at(k);
                                if (o.MainType == kAccessory && o.SubType == kColumn) return &o;
                            }
                            return nullptr;
                        }()) {
                        std::string_view t = last->DistTxt.view();
                        if (!t.empty() && t.front() == '<') t.remove_prefix(1);
                        n = 1 + textToInt(t);
                    }
                    joint.MainType = kAccessory;
                    joint.SubType = kColumn;
                    joint.DistTxt = text::format("<%d>", n);
                    break;
                }
                case JointChoice::SlidingSupport:
                case JointChoice::FixedSupport:
                case JointChoice::RigidHanger:
                case JointChoice::SpringHanger:
                    joint.MainType = kAccessory;
                    joint.SubType = choice == JointChoice::SlidingSupport ? 35
                                    : choice == JointChoice::FixedSupport ? 34
                                    : choice == JointChoice::RigidHanger  ? 32
                                                                          : 33;
                    joint.DistTxt = " ";
                    break;
                case JointChoice::Weld: {
                    // The number after the last weld's, unless a weld carries it already
                    // (after a delete and restore the last listed weld need not be the
                    // highest).
                    const PipeObject* lastWeld = list.lastOfKind(kWeld);
                    weldNumber = list.freeWeldNumber(1 + (lastWeld ? lastWeld->Number : 0));
                    joint.MainType = kWeld;
                    joint.DistTxt = " ";
                    break;
                }
                case JointChoice::None: break;
            }
            PipeObject& listed = list.addCopy(joint);
            if (choice == JointChoice::Weld) listed.Number = weldNumber;
            ++added;
        }
        previous = s;
    }
    return added;
}

void translateObject(PipeObject& o, const Vec3& d, bool withZ) {
    const auto move = [&](Vec3& p, bool z) {
        p.x += d.x;
        p.y += d.y;
        if (z && withZ) p.z += d.z;
    };
    if (!model::kindRow(o.MainType)) {
        // An object of a MainType no kind has moves by its two ports.
        move(o.Port1, true);
        move(o.Port2, true);
    } else {
    switch (o.kind()) {
            case ObjectKind::Pipe:
            case ObjectKind::Elbow:
                move(o.Port1, true);
                move(o.Port2, true);
                // A pipe's Port4.z is its flow mark, an elbow's the corner's elevation.
                move(o.Port4, o.MainType == kElbow);
                break;
            case ObjectKind::Tee:
                move(o.Port1, true);
                move(o.Port2, true);
                move(o.Port3, true);
                move(o.Port4, true);
                break;
            case ObjectKind::Weld:
                move(o.Port1, true);
                // A weld's second port is its point too.
                move(o.Port2, true);
                break;
            case ObjectKind::CutLine:
            case ObjectKind::Valve:
            case ObjectKind::Fitting:
            case ObjectKind::Accessory:
            case ObjectKind::TextBlock:
            case ObjectKind::SiteMark:
                move(o.Port1, true);
                move(o.Port2, true);
                break;
        }
    }
    o.dimTxt_st.x += d.x;
    o.dimTxt_st.y += d.y;
}

void moveWholeDrawing(model::ObjectList& objects, double dx, double dy) {
    const auto move = [&](Vec3& p) {
        p.x += dx;
        p.y += dy;
    };
    for (PipeObject& o : objects) {
        move(o.Port1);
        move(o.Port2);
        if (o.MainType == kTee) {
            move(o.Port3);
            move(o.Port4);
        }
        // An elbow's corner and a pipe's flow-mark anchor go with the pipeline.
        if (o.MainType == kElbow || o.MainType == kPipe) move(o.Port4);
        for (Vec3* p : {&o.dimYX1_st, &o.dimYX1_ed, &o.dimYX2_st, &o.dimYX2_ed, &o.dimL_st,
                        &o.dimL_ed, &o.dimTxt_st})
            move(*p);
    }
}

std::optional<SheetBox> segmentBox(const model::ObjectList& objects) {
    std::optional<SheetBox> box;
    for (const PipeObject& o : objects) {
        if (o.MainType != kPipe) continue;
        for (const Vec3* p : {&o.Port1, &o.Port2}) {
            if (!box) box = SheetBox{p->x, p->y, p->x, p->y};
            box->left = std::min(box->left, p->x);
            box->right = std::max(box->right, p->x);
            box->top = std::max(box->top, p->y);
            box->bottom = std::min(box->bottom, p->y);
        }
    }
    return box;
}

platform::Rect LabelFrame::bounds() const {
    platform::Rect r{points[0].x, points[0].y, points[0].x, points[0].y};
    for (const platform::Point& p : points) {
        r.left = std::min(r.left, p.x);
        r.right = std::max(r.right, p.x);
        r.top = std::max(r.top, p.y);
        r.bottom = std::min(r.bottom, p.y);
    }
    return r;
}

std::optional<LabelFrame> findLabelFrame(const PipeObject& o, const model::DrawingSettings& s,
                                         double zoom) {
    const std::string_view t = o.DistTxt.view();
    if (t.empty() || t.front() == ' ') return std::nullopt;
    double height = s.Dim_Size;
    double charWidth = s.Dim_Size / 2;
    Vec3 ref = o.dimTxt_st * zoom;
    if (!model::kindRow(o.MainType)) return std::nullopt;
    switch (o.kind()) {
        case ObjectKind::Pipe:
            if (t.front() == '^' || t.front() == '0') return std::nullopt;
            break;
        case ObjectKind::Elbow:
            if (o.Port1.z == o.Port2.z || t.front() == '^') return std::nullopt;
            break;
        case ObjectKind::Weld:
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
            break;
        case ObjectKind::TextBlock:
            height = truncToInt(o.BiHou) == 1 ? o.Port3.y * zoom : o.Port3.y;
            charWidth = height / 2.0;
            ref = o.Port1 * zoom;
            break;
        // Tees and cut lines show no label.
        case ObjectKind::Tee:
        case ObjectKind::CutLine:
            return std::nullopt;
    }
    const double w = static_cast<double>(t.size()) * charWidth;
    const double phi = o.dimAngle / 10.0 * view::kDegToRad;
    const double bx = std::cos(phi), by = std::sin(phi);
    const double ux = -by, uy = bx;
    const auto at = [&](double along, double down) {
        return platform::Point{truncToInt(std::round(ref.x + along * bx - down * ux)),
                               truncToInt(std::round(ref.y + along * by - down * uy))};
    };
    LabelFrame f;
    f.points[0] = at(0, 0);
    f.points[1] = at(w, 0);
    f.points[2] = at(w, height);
    f.points[3] = at(0, height);
    f.points[4] = f.points[0];
    return f;
}

int textToInt(std::string_view t) {
    std::size_t i = 0;
    while (i < t.size() && text::isCSpace(t[i])) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    long long v = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        v = v * 10 + (t[i] - '0');
        if (v > std::numeric_limits<int>::max()) v = std::numeric_limits<int>::max();
    }
    return static_cast<int>(negative ? -v : v);
}

double textToDouble(std::string_view t) { return text::leadingNumber(t); }

std::string shortNumber(double v) {
    if (!std::isfinite(v)) return "0";
    if (v == 0.0) return "0";
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : std::string("0");
}

}  // namespace tubra::edit
