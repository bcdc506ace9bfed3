#include "tubra/exchange/DxfCanvas.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/Gbk.h"

namespace tubra::exchange {

namespace {

using platform::Colour;
using platform::Point;

// Fixed handles of the tables, records and objects; entities are numbered from 0x100.
enum Handle : unsigned {
    kVportTable = 1, kLtypeTable, kLayerTable, kStyleTable, kViewTable, kUcsTable, kAppidTable,
    kDimstyleTable, kBlockRecordTable, kRootDict, kGroupDict, kLayoutDict, kModelRecord,
    kPaperRecord, kModelLayout, kPaperLayout, kModelBlock, kModelEnd, kPaperBlock, kPaperEnd,
    kActiveVport, kAcadAppid, kStandardDimstyle,
    kFirstLtype = 0x20, kFirstStyle = 0x30, kFirstLayer = 0x40, kFirstEntity = 0x100,
};

struct Linetype {
    const char* name;
    const char* description;
    std::vector<double> pattern;  // mm: dashes positive, gaps negative, dots 0
};

// The pen styles 1 to 4 (dash, dot, dash-dot, dash-dot-dot), scaled for a sheet in mm.
const std::array<Linetype, 4>& linetypes() {
    static const std::array<Linetype, 4> t = {{
        {"DASHED", "Dashed __ __ __", {3.0, -1.5}},
        {"DOT", "Dot . . . .", {0.0, -1.0}},
        {"DASHDOT", "Dash dot __ . __ .", {4.0, -1.0, 0.0, -1.0}},
        {"DIVIDE", "Divide __ . . __ . .", {4.0, -1.0, 0.0, -1.0, 0.0, -1.0}},
    }};
    return t;
}

constexpr const char* kTextStyle = "宋体";

std::string hex(unsigned h) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%X", h);
    return buf;
}

std::string number(double v) {
    if (!std::isfinite(v)) v = 0.0;
    if (v == 0.0) v = 0.0;  // no "-0"
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

// A group: the code right-aligned in three columns, then the value.
void put(std::string& out, int code, std::string_view value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%3d\n", code);
    out += buf;
    out += value;
    out += '\n';
}
void put(std::string& out, int code, double value) { put(out, code, number(value)); }
void put(std::string& out, int code, int value) { put(out, code, std::to_string(value)); }
void putHandle(std::string& out, int code, unsigned h) { put(out, code, hex(h)); }

// Text values are single lines: control characters would end the group.
std::string utf8Line(std::string_view gbk) {
    std::string s = text::gbkToUtf8(gbk);
    for (char& c : s)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return s;
}

// 0x00RRGGBB of a 0x00BBGGRR colour.
int trueColour(Colour c) {
    return (platform::redOf(c) << 16) | (platform::greenOf(c) << 8) | platform::blueOf(c);
}

constexpr std::array<int, 24> kLineweights = {0,  5,  9,  13, 15, 18, 20,  25,  30,  35,  40,  50,
                                              53, 60, 70, 80, 90, 100, 106, 120, 140, 158, 200, 211};

void table(std::string& out, const char* name, unsigned handle, int count) {
    put(out, 0, "TABLE");
    put(out, 2, name);
    putHandle(out, 5, handle);
    putHandle(out, 330, 0);
    put(out, 100, "AcDbSymbolTable");
    put(out, 70, count);
}

void record(std::string& out, const char* type, unsigned handle, unsigned owner,
            const char* subclass, std::string_view name, int flags = 0) {
    put(out, 0, type);
    putHandle(out, 5, handle);
    putHandle(out, 330, owner);
    put(out, 100, "AcDbSymbolTableRecord");
    put(out, 100, subclass);
    put(out, 2, name);
    put(out, 70, flags);
}

void layout(std::string& out, unsigned handle, const char* name, int order, unsigned blockRecord,
            double w, double h) {
    put(out, 0, "LAYOUT");
    putHandle(out, 5, handle);
    put(out, 102, "{ACAD_REACTORS");
    putHandle(out, 330, kLayoutDict);
    put(out, 102, "}");
    putHandle(out, 330, kLayoutDict);
    put(out, 100, "AcDbPlotSettings");
    put(out, 1, "");
    put(out, 2, "none_device");
    put(out, 4, "");
    put(out, 6, "");
    for (int code : {40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 140, 141}) put(out, code, 0.0);
    put(out, 142, 1.0);
    put(out, 143, 1.0);
    put(out, 70, 688);
    put(out, 72, 1);  // millimetres
    put(out, 73, 0);
    put(out, 74, 5);
    put(out, 7, "");
    put(out, 75, 16);
    put(out, 147, 1.0);
    put(out, 148, 0.0);
    put(out, 149, 0.0);
    put(out, 100, "AcDbLayout");
    put(out, 1, name);
    put(out, 70, 1);
    put(out, 71, order);
    put(out, 10, 0.0);
    put(out, 20, 0.0);
    put(out, 11, w);
    put(out, 21, h);
    put(out, 12, 0.0);
    put(out, 22, 0.0);
    put(out, 32, 0.0);
    put(out, 14, 0.0);
    put(out, 24, 0.0);
    put(out, 34, 0.0);
    put(out, 15, w);
    put(out, 25, h);
    put(out, 35, 0.0);
    put(out, 146, 0.0);
    put(out, 13, 0.0);
    put(out, 23, 0.0);
    put(out, 33, 0.0);
    put(out, 16, 1.0);
    put(out, 26, 0.0);
    put(out, 36, 0.0);
    put(out, 17, 0.0);
    put(out, 27, 1.0);
    put(out, 37, 0.0);
    put(out, 76, 1);
    putHandle(out, 330, blockRecord);
}

void block(std::string& out, unsigned handle, unsigned end, unsigned record, const char* name) {
    put(out, 0, "BLOCK");
    putHandle(out, 5, handle);
    putHandle(out, 330, record);
    put(out, 100, "AcDbEntity");
    put(out, 8, "0");
    put(out, 100, "AcDbBlockBegin");
    put(out, 2, name);
    put(out, 70, 0);
    put(out, 10, 0.0);
    put(out, 20, 0.0);
    put(out, 30, 0.0);
    put(out, 3, name);
    put(out, 1, "");
    put(out, 0, "ENDBLK");
    putHandle(out, 5, end);
    putHandle(out, 330, record);
    put(out, 100, "AcDbEntity");
    put(out, 8, "0");
    put(out, 100, "AcDbBlockEnd");
}

}  // namespace

DxfCanvas::DxfCanvas(platform::Size sheet, std::vector<DxfLayer> layers)
    : sheet_(sheet), layers_(std::move(layers)), cells_(static_cast<std::size_t>(kGrid * kGrid)) {
    if (layers_.empty()) layers_.push_back({"0", true, -1});
    // The layer table has room for this many in the fixed handles.
    if (layers_.size() > 0xC0) layers_.resize(0xC0);
}

void DxfCanvas::setLayer(int layer, const void* thing) {
    flush();
    layer_ = layer >= 0 && static_cast<std::size_t>(layer) < layers_.size() ? layer : 0;
    thing_ = thing;
}

int DxfCanvas::lineweightOf(int width) {
    const long long want = std::max(1LL, static_cast<long long>(width)) * 10;  // 0.01 mm
    int best = kLineweights[1];
    for (int w : kLineweights)
        if (w > 0 && std::llabs(w - want) < std::llabs(best - want)) best = w;
    return best;
}

platform::TextMetrics DxfCanvas::textMetrics() const {
    const platform::Font& f = state_.font;
    const int h = f.height == 0 ? 40 : f.height == INT_MIN ? INT_MAX : std::abs(f.height);
    const int a = f.width > 0 ? f.width : h / 2;
    platform::TextMetrics m;
    m.height = h;
    m.descent = h / 5;
    m.ascent = h - m.descent;
    m.aveCharWidth = a;
    m.maxCharWidth = a > INT_MAX / 2 ? INT_MAX : 2 * a;
    return m;
}

platform::Size DxfCanvas::textExtent(std::string_view gbk) const {
    const platform::TextMetrics m = textMetrics();
    return {platform::saturate(static_cast<long long>(gbk.size()) * m.aveCharWidth), m.height};
}

bool DxfCanvas::penDraws() const {
    return state_.pen.style != platform::PenStyle::Null;
}

bool DxfCanvas::brushFills() const {
    return state_.brush.style == platform::BrushStyle::Solid;
}

void DxfCanvas::begin(const char* type, const char* subclass, Colour colour, bool stroked,
                      bool forText) {
    int layer = layer_;
    if (forText && layers_[static_cast<std::size_t>(layer)].textLayer >= 0 &&
        static_cast<std::size_t>(layers_[static_cast<std::size_t>(layer)].textLayer) < layers_.size())
        layer = layers_[static_cast<std::size_t>(layer)].textLayer;
    flush();
    entities_.push_back({type, {}, false});
    pending_ = true;
    std::string& o = body();
    putHandle(o, 330, kModelRecord);
    put(o, 100, "AcDbEntity");
    put(o, 8, layers_[static_cast<std::size_t>(layer)].name);
    if (stroked) {
        const int style = static_cast<int>(state_.pen.style);
        if (style >= 1 && style <= 4) put(o, 6, linetypes()[static_cast<std::size_t>(style - 1)].name);
    }
    // Black is the colour CAD shows as black on paper and white on a dark screen; so is a white
    // text, which would vanish on paper.
    if ((colour & 0xFFFFFF) == 0 || (forText && isPaper(colour)))
        put(o, 62, 7);
    else
        put(o, 420, trueColour(colour));
    if (stroked) put(o, 370, lineweightOf(state_.pen.width));
    put(o, 100, subclass);
}

void DxfCanvas::point(int code, Point p) {
    put(body(), code, p.x / 10.0);
    put(body(), code + 10, (static_cast<double>(p.y) + sheet_.cy) / 10.0);
    put(body(), code + 20, 0.0);
}

bool DxfCanvas::isPaper(Colour c) const {
    return (c & 0xFFFFFF) == 0xFFFFFF;
}

bool DxfCanvas::fillsWithPaper() const {
    return brushFills() && (isPaper(state_.brush.colour) ||
                            (state_.brush.colour & 0xFFFFFF) == (state_.backgroundColour & 0xFFFFFF));
}

std::pair<double, double> DxfCanvas::mm(Point p) const {
    return {p.x / 10.0, (static_cast<double>(p.y) + sheet_.cy) / 10.0};
}

void DxfCanvas::cellRange(double lo, double hi, double size, int count, int& first,
                          int& last) const {
    const double cell = size > 0.0 ? size / count : 1.0;
    const auto at = [&](double v) {
        if (!(v > 0.0)) return 0;
        return static_cast<int>(std::min(v / cell, static_cast<double>(count - 1)));
    };
    first = at(lo);
    last = at(hi);
}

std::vector<std::size_t>& DxfCanvas::cellAt(int ix, int iy) {
    return cells_[static_cast<std::size_t>(iy * kGrid + ix)];
}

void DxfCanvas::writeLine(std::size_t entity, std::size_t head, double x1, double y1, double x2,
                          double y2) {
    std::string& o = entities_[entity].rest;
    o.resize(head);
    put(o, 10, x1);
    put(o, 20, y1);
    put(o, 30, 0.0);
    put(o, 11, x2);
    put(o, 21, y2);
    put(o, 31, 0.0);
    const std::size_t record = lines_.size();
    lines_.push_back({entity, head, x1, y1, x2, y2, true});
    int x0, xn, y0, yn;
    cellRange(std::min(x1, x2), std::max(x1, x2), sheet_.cx / 10.0, kGrid, x0, xn);
    cellRange(std::min(y1, y2), std::max(y1, y2), sheet_.cy / 10.0, kGrid, y0, yn);
    for (int y = y0; y <= yn; ++y)
        for (int x = x0; x <= xn; ++x) cellAt(x, y).push_back(record);
}

void DxfCanvas::doLine(Point from, Point to) {
    if (!penDraws()) return;
    if (isPaper(state_.pen.colour)) return eraseStroke(from, to);
    begin("LINE", "AcDbLine", state_.pen.colour, true);
    const auto [x1, y1] = mm(from);
    const auto [x2, y2] = mm(to);
    writeLine(entities_.size() - 1, body().size(), x1, y1, x2, y2);
}

void DxfCanvas::eraseStroke(Point from, Point to) {
    // The band the pen covers, as wide as the pen.
    const auto [x1, y1] = mm(from);
    const auto [x2, y2] = mm(to);
    const double half = std::max(1, state_.pen.width) / 20.0;
    const double len = std::hypot(x2 - x1, y2 - y1);
    const double ux = len > 0.0 ? (x2 - x1) / len : 1.0, uy = len > 0.0 ? (y2 - y1) / len : 0.0;
    const double nx = -uy * half, ny = ux * half, ex = ux * half, ey = uy * half;
    erase({{x1 - ex + nx, y1 - ey + ny},
           {x1 - ex - nx, y1 - ey - ny},
           {x2 + ex - nx, y2 + ey - ny},
           {x2 + ex + nx, y2 + ey + ny}});
}

void DxfCanvas::erase(std::vector<std::pair<double, double>> poly) {
    flush();
    if (poly.size() < 3) return;
    double area = 0.0;
    double lx = poly[0].first, hx = lx, ly = poly[0].second, hy = ly;
    for (std::size_t i = 0; i < poly.size(); ++i) {
        const auto& [ax, ay] = poly[i];
        const auto& [bx, by] = poly[(i + 1) % poly.size()];
        area += ax * by - bx * ay;
        lx = std::min(lx, ax), hx = std::max(hx, ax), ly = std::min(ly, ay), hy = std::max(hy, ay);
    }
    if (area == 0.0) return;
    const double orientation = area > 0.0 ? 1.0 : -1.0;
    int x0, xn, y0, yn;
    cellRange(lx, hx, sheet_.cx / 10.0, kGrid, x0, xn);
    cellRange(ly, hy, sheet_.cy / 10.0, kGrid, y0, yn);
    std::vector<std::size_t> candidates;
    for (int y = y0; y <= yn; ++y)
        for (int x = x0; x <= xn; ++x) {
            const auto& cell = cellAt(x, y);
            candidates.insert(candidates.end(), cell.begin(), cell.end());
        }
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
    constexpr double kShortest = 1e-4;  // drawing units: pieces shorter than this are gone
    for (std::size_t k : candidates) {
        const LineRecord l = lines_[k];
        if (!l.current || entities_[l.entity].dropped) continue;
        // The part of the line inside the region: [enter, leave] of its parameter.
        double enter = 0.0, leave = 1.0;
        const double dx = l.x2 - l.x1, dy = l.y2 - l.y1;
        bool outside = false;
        for (std::size_t i = 0; i < poly.size() && !outside; ++i) {
            const auto& [ax, ay] = poly[i];
            const auto& [bx, by] = poly[(i + 1) % poly.size()];
            // Inside is on the left of each edge of a counter-clockwise polygon.
            const double ex = bx - ax, ey = by - ay;
            const double start = orientation * (ex * (l.y1 - ay) - ey * (l.x1 - ax));
            const double rate = orientation * (ex * dy - ey * dx);
            if (rate == 0.0) {
                if (start < 0.0) outside = true;
            } else {
                const double t = -start / rate;
                if (rate > 0.0)
                    enter = std::max(enter, t);
                else
                    leave = std::min(leave, t);
            }
        }
        const double length = std::hypot(dx, dy);
        if (outside || (leave - enter) * length <= kShortest) continue;
        // What is left: before the region and after it.
        const bool before = enter * length > kShortest;
        const bool after = (1.0 - leave) * length > kShortest;
        lines_[k].current = false;
        const std::string head = entities_[l.entity].rest.substr(0, l.head);
        if (before) {
            writeLine(l.entity, l.head, l.x1, l.y1, l.x1 + dx * enter, l.y1 + dy * enter);
        } else if (!after) {
            entities_[l.entity].dropped = true;
            continue;
        }
        if (after) {
            std::size_t entity = l.entity;
            if (before) {
                entities_.push_back({"LINE", head, false});
                entity = entities_.size() - 1;
            }
            writeLine(entity, l.head, l.x1 + dx * leave, l.y1 + dy * leave, l.x2, l.y2);
        }
    }
}

void DxfCanvas::polylineEntity(std::span<const Point> points, bool closed) {
    begin("LWPOLYLINE", "AcDbPolyline", state_.pen.colour, true);
    put(body(), 90, static_cast<int>(points.size()));
    put(body(), 70, closed ? 1 : 0);
    put(body(), 43, 0.0);
    for (const Point& p : points) {
        put(body(), 10, p.x / 10.0);
        put(body(), 20, (static_cast<double>(p.y) + sheet_.cy) / 10.0);
    }
}

void DxfCanvas::doPolyline(std::span<const Point> points) {
    if (points.size() < 2 || !penDraws()) return;
    if (isPaper(state_.pen.colour)) {
        for (std::size_t i = 0; i + 1 < points.size(); ++i) eraseStroke(points[i], points[i + 1]);
        return;
    }
    polylineEntity(points, false);
}

void DxfCanvas::hatchPolygon(std::span<const Point> points, Colour colour) {
    begin("HATCH", "AcDbHatch", colour, false);
    put(body(), 10, 0.0);
    put(body(), 20, 0.0);
    put(body(), 30, 0.0);
    put(body(), 210, 0.0);
    put(body(), 220, 0.0);
    put(body(), 230, 1.0);
    put(body(), 2, "SOLID");
    put(body(), 70, 1);
    put(body(), 71, 0);
    put(body(), 91, 1);
    put(body(), 92, 3);  // external polyline boundary
    put(body(), 72, 0);
    put(body(), 73, 1);
    put(body(), 93, static_cast<int>(points.size()));
    for (const Point& p : points) {
        put(body(), 10, p.x / 10.0);
        put(body(), 20, (static_cast<double>(p.y) + sheet_.cy) / 10.0);
    }
    put(body(), 97, 0);
    put(body(), 75, 0);
    put(body(), 76, 1);
    put(body(), 98, 0);
}

void DxfCanvas::doPolygon(std::span<const Point> points) {
    if (points.size() < 2) return;
    if (brushFills() && points.size() >= 3) {
        if (fillsWithPaper()) {
            std::vector<std::pair<double, double>> region;
            for (const Point& p : points) region.push_back(mm(p));
            erase(std::move(region));
        } else {
            hatchPolygon(points, state_.brush.colour);
        }
    }
    if (penDraws() && !isPaper(state_.pen.colour)) polylineEntity(points, true);
}

void DxfCanvas::doPolyBezier(std::span<const Point> points) {
    if (points.size() < 4 || !penDraws()) return;
    // Each cubic curve exactly, as a spline of degree 3 with its four control points.
    for (std::size_t i = 0; i + 3 < points.size(); i += 3) {
        begin("SPLINE", "AcDbSpline", state_.pen.colour, true);
        put(body(), 210, 0.0);
        put(body(), 220, 0.0);
        put(body(), 230, 1.0);
        put(body(), 70, 8);  // planar
        put(body(), 71, 3);
        put(body(), 72, 8);
        put(body(), 73, 4);
        put(body(), 74, 0);
        for (double k : {0.0, 0.0, 0.0, 0.0, 1.0, 1.0, 1.0, 1.0}) put(body(), 40, k);
        for (std::size_t j = 0; j < 4; ++j) point(10, points[i + j]);
    }
}

void DxfCanvas::doEllipse(const platform::Rect& bounds) {
    const platform::Rect r = platform::normalisedLogical(bounds);
    const double cx = (static_cast<double>(r.left) + r.right) / 2.0;
    const double cy = (static_cast<double>(r.top) + r.bottom) / 2.0;
    const double rx = (static_cast<double>(r.right) - r.left) / 2.0;
    const double ry = (static_cast<double>(r.top) - r.bottom) / 2.0;
    if (!(rx > 0.0) || !(ry > 0.0)) return;
    const double X = cx / 10.0, Y = (cy + sheet_.cy) / 10.0;
    if (fillsWithPaper()) {
        // Paper over what the disc covers: a polygon just outside it.
        constexpr int kSides = 32;
        const double grow = 1.0 / std::cos(3.141592653589793 / kSides);
        std::vector<std::pair<double, double>> region;
        for (int i = 0; i < kSides; ++i) {
            const double a = 2.0 * 3.141592653589793 * i / kSides;
            region.emplace_back(X + std::cos(a) * rx / 10.0 * grow, Y + std::sin(a) * ry / 10.0 * grow);
        }
        erase(std::move(region));
    } else if (brushFills()) {
        // The disc: a boundary of one full circular (or elliptic) edge.
        begin("HATCH", "AcDbHatch", state_.brush.colour, false);
        for (int code : {10, 20, 30, 210, 220}) put(body(), code, 0.0);
        put(body(), 230, 1.0);
        put(body(), 2, "SOLID");
        put(body(), 70, 1);
        put(body(), 71, 0);
        put(body(), 91, 1);
        put(body(), 92, 1);
        put(body(), 93, 1);
        if (rx == ry) {
            put(body(), 72, 2);
            put(body(), 10, X);
            put(body(), 20, Y);
            put(body(), 40, rx / 10.0);
            put(body(), 50, 0.0);
            put(body(), 51, 360.0);
            put(body(), 73, 1);
        } else {
            put(body(), 72, 3);
            put(body(), 10, X);
            put(body(), 20, Y);
            const bool wide = rx >= ry;
            put(body(), 11, wide ? rx / 10.0 : 0.0);
            put(body(), 21, wide ? 0.0 : ry / 10.0);
            put(body(), 40, wide ? ry / rx : rx / ry);
            put(body(), 50, 0.0);
            put(body(), 51, 360.0);
            put(body(), 73, 1);
        }
        put(body(), 97, 0);
        put(body(), 75, 0);
        put(body(), 76, 1);
        put(body(), 98, 0);
    }
    if (!penDraws() || isPaper(state_.pen.colour)) return;
    if (rx == ry) {
        begin("CIRCLE", "AcDbCircle", state_.pen.colour, true);
        put(body(), 10, X);
        put(body(), 20, Y);
        put(body(), 30, 0.0);
        put(body(), 40, rx / 10.0);
    } else {
        begin("ELLIPSE", "AcDbEllipse", state_.pen.colour, true);
        put(body(), 10, X);
        put(body(), 20, Y);
        put(body(), 30, 0.0);
        const bool wide = rx >= ry;
        put(body(), 11, wide ? rx / 10.0 : 0.0);
        put(body(), 21, wide ? 0.0 : ry / 10.0);
        put(body(), 31, 0.0);
        put(body(), 40, wide ? ry / rx : rx / ry);
        put(body(), 41, 0.0);
        put(body(), 42, 6.283185307179586);
    }
}

void DxfCanvas::doRectangle(const platform::Rect& r) {
    const std::array<Point, 4> corners = {Point{r.left, r.top}, Point{r.right, r.top},
                                          Point{r.right, r.bottom}, Point{r.left, r.bottom}};
    doPolygon(corners);
}

void DxfCanvas::doFillRect(const platform::Rect& r, Colour colour) {
    const platform::Rect n = platform::normalisedLogical(r);
    if (n.left == n.right || n.top == n.bottom) return;
    if (isPaper(colour) || (colour & 0xFFFFFF) == (state_.backgroundColour & 0xFFFFFF)) {
        const auto [l, b] = mm({n.left, n.bottom});
        const auto [rt, t] = mm({n.right, n.top});
        return erase({{l, b}, {rt, b}, {rt, t}, {l, t}});
    }
    // SOLID takes its corners in the order 1, 2, 4, 3.
    begin("SOLID", "AcDbTrace", colour, false);
    point(10, {n.left, n.bottom});
    point(11, {n.right, n.bottom});
    point(12, {n.left, n.top});
    point(13, {n.right, n.top});
}

void DxfCanvas::text(Point anchor, std::string_view gbk, Align align) {
    if (gbk.empty()) return;
    const platform::Font& f = state_.font;
    const platform::TextMetrics m = textMetrics();
    // A TrueType text's height is about 0.7 of its cell; its width factor says how much wider
    // than the face's own half-cell single-byte characters are.
    const double height = 0.7 * m.height / 10.0;
    const double factor = f.width > 0 ? std::clamp(2.0 * f.width / m.height, 0.1, 10.0) : 1.0;
    begin("TEXT", "AcDbText", state_.textColour, false, true);
    point(10, anchor);
    put(body(), 40, height);
    // "%%" starts a control code in a CAD text ("%%u" underline, "%%%" a percent sign), and a
    // caret a control character ("^J" a line break); "^ " is the caret itself.
    std::string value = utf8Line(gbk);
    if (value.find("%%") != std::string::npos) {
        std::string escaped;
        for (char c : value) escaped += c == '%' ? std::string("%%%") : std::string(1, c);
        value = std::move(escaped);
    }
    if (value.find('^') != std::string::npos) {
        std::string escaped;
        for (char c : value) escaped += c == '^' ? std::string("^ ") : std::string(1, c);
        value = std::move(escaped);
    }
    put(body(), 1, f.underline ? "%%u" + value : value);
    put(body(), 50, std::fmod(f.escapement / 10.0, 360.0));
    if (factor != 1.0) put(body(), 41, factor);
    if (f.italic) put(body(), 51, 15.0);
    put(body(), 7, kTextStyle);
    put(body(), 72, static_cast<int>(align));
    point(11, anchor);
    put(body(), 100, "AcDbText");
    put(body(), 73, 3);  // top
}

void DxfCanvas::doTextOut(Point p, std::string_view gbk) { text(p, gbk, Align::Left); }

int DxfCanvas::doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines,
                          unsigned format) {
    const platform::TextMetrics m = textMetrics();
    std::vector<int> widths;
    widths.reserve(lines.size());
    for (std::string_view l : lines) widths.push_back(textExtent(l).cx);
    const std::vector<Point> at = platform::layoutTextLines(r, widths, m.height, format);
    const platform::Rect n = platform::normalisedLogical(r);
    const Align align = (format & platform::TextFormat::Center) ? Align::Centre
                        : (format & platform::TextFormat::Right) ? Align::Right
                                                                 : Align::Left;
    for (std::size_t i = 0; i < lines.size() && i < at.size(); ++i) {
        Point p = at[i];
        if (align == Align::Centre) p.x = platform::saturate((static_cast<long long>(n.left) + n.right) / 2);
        if (align == Align::Right) p.x = n.right;
        text(p, lines[i], align);
    }
    return platform::saturate(static_cast<long long>(lines.size()) * m.height);
}

void DxfCanvas::flush() {
    if (!pending_) return;
    pending_ = false;
    if (!thing_) return;
    const std::size_t i = entities_.size() - 1;
    char id[32];
    std::snprintf(id, sizeof id, "%p\n", thing_);
    std::string key = id + entities_[i].type + '\n' + entities_[i].rest;
    const auto [it, fresh] = seen_.try_emplace(std::move(key), i);
    if (!fresh) {
        entities_[it->second].dropped = true;
        it->second = i;
    }
}

std::string DxfCanvas::finish() {
    flush();
    std::size_t size = 0;
    for (const Entity& e : entities_) size += e.rest.size() + 32;
    unsigned next = kFirstEntity;
    std::string body;
    body.reserve(size);
    for (const Entity& e : entities_) {
        if (e.dropped) continue;
        put(body, 0, e.type);
        putHandle(body, 5, next++);
        body += e.rest;
    }
    std::string o;
    o.reserve(body.size() + 16384);
    const double w = sheet_.cx / 10.0, h = sheet_.cy / 10.0;

    put(o, 0, "SECTION");
    put(o, 2, "HEADER");
    const auto var = [&o](const char* name) { put(o, 9, name); };
    var("$ACADVER");
    put(o, 1, "AC1021");
    var("$DWGCODEPAGE");
    put(o, 3, "ANSI_936");
    var("$INSBASE");
    for (int c : {10, 20, 30}) put(o, c, 0.0);
    var("$EXTMIN");
    put(o, 10, 0.0), put(o, 20, 0.0), put(o, 30, 0.0);
    var("$EXTMAX");
    put(o, 10, w), put(o, 20, h), put(o, 30, 0.0);
    var("$LIMMIN");
    put(o, 10, 0.0), put(o, 20, 0.0);
    var("$LIMMAX");
    put(o, 10, w), put(o, 20, h);
    var("$LTSCALE");
    put(o, 40, 1.0);
    var("$TEXTSTYLE");
    put(o, 7, kTextStyle);
    var("$CLAYER");
    put(o, 8, "0");
    var("$LUNITS");
    put(o, 70, 2);
    var("$INSUNITS");
    put(o, 70, 4);  // millimetres
    var("$MEASUREMENT");
    put(o, 70, 1);
    var("$LWDISPLAY");
    put(o, 290, 1);
    var("$HANDSEED");
    put(o, 5, hex(next));
    put(o, 0, "ENDSEC");

    put(o, 0, "SECTION");
    put(o, 2, "CLASSES");
    put(o, 0, "ENDSEC");

    put(o, 0, "SECTION");
    put(o, 2, "TABLES");

    table(o, "VPORT", kVportTable, 1);
    record(o, "VPORT", kActiveVport, kVportTable, "AcDbViewportTableRecord", "*ACTIVE");
    put(o, 10, 0.0), put(o, 20, 0.0), put(o, 11, 1.0), put(o, 21, 1.0);
    put(o, 12, w / 2), put(o, 22, h / 2);
    put(o, 13, 0.0), put(o, 23, 0.0), put(o, 14, 10.0), put(o, 24, 10.0);
    put(o, 15, 10.0), put(o, 25, 10.0);
    put(o, 16, 0.0), put(o, 26, 0.0), put(o, 36, 1.0);
    put(o, 17, 0.0), put(o, 27, 0.0), put(o, 37, 0.0);
    put(o, 40, h * 1.1), put(o, 41, w / h), put(o, 42, 50.0);
    put(o, 0, "ENDTAB");

    const auto& lt = linetypes();
    table(o, "LTYPE", kLtypeTable, static_cast<int>(lt.size()) + 3);
    unsigned lh = kFirstLtype;
    for (const char* name : {"ByBlock", "ByLayer", "Continuous"}) {
        record(o, "LTYPE", lh++, kLtypeTable, "AcDbLinetypeTableRecord", name);
        put(o, 3, std::string_view(name) == "Continuous" ? "Solid line" : "");
        put(o, 72, 65), put(o, 73, 0), put(o, 40, 0.0);
    }
    for (const Linetype& t : lt) {
        record(o, "LTYPE", lh++, kLtypeTable, "AcDbLinetypeTableRecord", t.name);
        put(o, 3, t.description);
        put(o, 72, 65);
        put(o, 73, static_cast<int>(t.pattern.size()));
        double total = 0.0;
        for (double d : t.pattern) total += std::abs(d);
        put(o, 40, total);
        for (double d : t.pattern) put(o, 49, d), put(o, 74, 0);
    }
    put(o, 0, "ENDTAB");

    table(o, "LAYER", kLayerTable, static_cast<int>(layers_.size()) + 1);
    unsigned yh = kFirstLayer;
    record(o, "LAYER", yh++, kLayerTable, "AcDbLayerTableRecord", "0");
    put(o, 62, 7), put(o, 6, "Continuous"), put(o, 370, -3);
    for (const DxfLayer& l : layers_) {
        if (l.name == "0") continue;
        record(o, "LAYER", yh++, kLayerTable, "AcDbLayerTableRecord", l.name);
        // A negative colour number switches the layer off.
        put(o, 62, l.on ? 7 : -7);
        put(o, 6, "Continuous");
        put(o, 370, -3);
    }
    put(o, 0, "ENDTAB");

    table(o, "STYLE", kStyleTable, 2);
    unsigned sh = kFirstStyle;
    for (const char* name : {"Standard", kTextStyle}) {
        record(o, "STYLE", sh++, kStyleTable, "AcDbTextStyleTableRecord", name);
        put(o, 40, 0.0), put(o, 41, 1.0), put(o, 50, 0.0), put(o, 71, 0), put(o, 42, 2.5);
        put(o, 3, std::string_view(name) == kTextStyle ? "simsun.ttc" : "txt");
        put(o, 4, "");
        if (std::string_view(name) == kTextStyle) {
            // The face by name, for programs that find fonts by family.
            put(o, 1001, "ACAD");
            put(o, 1000, "SimSun");
            put(o, 1071, 0);
        }
    }
    put(o, 0, "ENDTAB");

    table(o, "VIEW", kViewTable, 0);
    put(o, 0, "ENDTAB");
    table(o, "UCS", kUcsTable, 0);
    put(o, 0, "ENDTAB");
    table(o, "APPID", kAppidTable, 1);
    record(o, "APPID", kAcadAppid, kAppidTable, "AcDbRegAppTableRecord", "ACAD");
    put(o, 0, "ENDTAB");

    put(o, 0, "TABLE");
    put(o, 2, "DIMSTYLE");
    putHandle(o, 5, kDimstyleTable);
    putHandle(o, 330, 0);
    put(o, 100, "AcDbSymbolTable");
    put(o, 70, 1);
    put(o, 100, "AcDbDimStyleTable");
    put(o, 71, 0);
    put(o, 0, "DIMSTYLE");
    putHandle(o, 105, kStandardDimstyle);
    putHandle(o, 330, kDimstyleTable);
    put(o, 100, "AcDbSymbolTableRecord");
    put(o, 100, "AcDbDimStyleTableRecord");
    put(o, 2, "Standard");
    put(o, 70, 0);
    put(o, 0, "ENDTAB");

    table(o, "BLOCK_RECORD", kBlockRecordTable, 2);
    record(o, "BLOCK_RECORD", kModelRecord, kBlockRecordTable, "AcDbBlockTableRecord", "*Model_Space");
    putHandle(o, 340, kModelLayout);
    record(o, "BLOCK_RECORD", kPaperRecord, kBlockRecordTable, "AcDbBlockTableRecord", "*Paper_Space");
    putHandle(o, 340, kPaperLayout);
    put(o, 0, "ENDTAB");
    put(o, 0, "ENDSEC");

    put(o, 0, "SECTION");
    put(o, 2, "BLOCKS");
    block(o, kModelBlock, kModelEnd, kModelRecord, "*Model_Space");
    block(o, kPaperBlock, kPaperEnd, kPaperRecord, "*Paper_Space");
    put(o, 0, "ENDSEC");

    put(o, 0, "SECTION");
    put(o, 2, "ENTITIES");
    o += body;
    put(o, 0, "ENDSEC");

    put(o, 0, "SECTION");
    put(o, 2, "OBJECTS");
    put(o, 0, "DICTIONARY");
    putHandle(o, 5, kRootDict);
    putHandle(o, 330, 0);
    put(o, 100, "AcDbDictionary");
    put(o, 281, 1);
    put(o, 3, "ACAD_GROUP");
    putHandle(o, 350, kGroupDict);
    put(o, 3, "ACAD_LAYOUT");
    putHandle(o, 350, kLayoutDict);
    put(o, 0, "DICTIONARY");
    putHandle(o, 5, kGroupDict);
    putHandle(o, 330, kRootDict);
    put(o, 100, "AcDbDictionary");
    put(o, 281, 1);
    put(o, 0, "DICTIONARY");
    putHandle(o, 5, kLayoutDict);
    putHandle(o, 330, kRootDict);
    put(o, 100, "AcDbDictionary");
    put(o, 281, 1);
    put(o, 3, "Layout1");
    putHandle(o, 350, kPaperLayout);
    put(o, 3, "Model");
    putHandle(o, 350, kModelLayout);
    layout(o, kModelLayout, "Model", 0, kModelRecord, w, h);
    layout(o, kPaperLayout, "Layout1", 1, kPaperRecord, w, h);
    put(o, 0, "ENDSEC");
    put(o, 0, "EOF");
    return o;
}

}  // namespace tubra::exchange
