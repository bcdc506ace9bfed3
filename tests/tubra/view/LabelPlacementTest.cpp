// Labels the program places: checked on what a paint draws, through the recording canvas, on
// the two sample drawings as they are stored and laid out afresh.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "text/Gbk.h"
#include "tubra/appcore/ImportDocument.h"
#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Paint.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/Projection.h"
#include "ViewTestSupport.h"

using namespace tubra;
using platform::CallKind;
using platform::CanvasCall;
using tubra::model::ObjectKind;
using tubra::view::LabelBox;

namespace {

// --- what was drawn, worked out from the recording alone ---

struct Pt {
    double x, y;
};

// A text cell as the recording canvas sizes it: every byte one average width (the font's
// width, or half its height), the cell as high as the font, turned by the escapement about
// its top-left corner.
struct Cell {
    Pt corner[4];
    std::string text;
    std::size_t call = 0;
};

Cell cellOf(const CanvasCall& c) {
    const platform::Font& f = c.state.font;
    const double h = f.height == 0 ? 40 : std::abs(f.height);
    const double a = f.width > 0 ? f.width : h / 2;
    const double w = static_cast<double>(c.text.size()) * a;
    const double phi = f.escapement / 10.0 * std::acos(-1.0) / 180.0;
    const Pt along{std::cos(phi), std::sin(phi)}, down{std::sin(phi), -std::cos(phi)};
    const Pt p{static_cast<double>(c.points[0].x), static_cast<double>(c.points[0].y)};
    Cell cell;
    cell.corner[0] = p;
    cell.corner[1] = {p.x + along.x * w, p.y + along.y * w};
    cell.corner[2] = {cell.corner[1].x + down.x * h, cell.corner[1].y + down.y * h};
    cell.corner[3] = {p.x + down.x * h, p.y + down.y * h};
    cell.text = c.text;
    return cell;
}

Cell cellOfRect(const platform::Rect& r) {
    Cell cell;
    cell.corner[0] = {double(r.left), double(r.top)};
    cell.corner[1] = {double(r.right), double(r.top)};
    cell.corner[2] = {double(r.right), double(r.bottom)};
    cell.corner[3] = {double(r.left), double(r.bottom)};
    return cell;
}

Pt centre(const Cell& c) {
    return {(c.corner[0].x + c.corner[2].x) / 2, (c.corner[0].y + c.corner[2].y) / 2};
}

// Strictly inside the convex cell (its edges do not count, so cells that merely touch pass).
bool inside(const Cell& c, Pt p) {
    int sign = 0;
    for (int i = 0; i < 4; ++i) {
        const Pt a = c.corner[i], b = c.corner[(i + 1) % 4];
        const double cross = (b.x - a.x) * (p.y - a.y) - (b.y - a.y) * (p.x - a.x);
        if (std::fabs(cross) < 1e-9) return false;
        const int s = cross > 0 ? 1 : -1;
        if (sign == 0) sign = s;
        if (s != sign) return false;
    }
    return true;
}

// Points spread over a cell, its corners pulled in by a hair.
std::vector<Pt> samples(const Cell& c) {
    std::vector<Pt> out;
    for (int i = 0; i <= 10; ++i)
        for (int j = 0; j <= 6; ++j) {
            const double s = 0.001 + 0.998 * i / 10.0, t = 0.001 + 0.998 * j / 6.0;
            const Pt top{c.corner[0].x + (c.corner[1].x - c.corner[0].x) * s,
                         c.corner[0].y + (c.corner[1].y - c.corner[0].y) * s};
            const Pt bottom{c.corner[3].x + (c.corner[2].x - c.corner[3].x) * s,
                            c.corner[3].y + (c.corner[2].y - c.corner[3].y) * s};
            out.push_back({top.x + (bottom.x - top.x) * t, top.y + (bottom.y - top.y) * t});
        }
    return out;
}

bool cellsOverlap(const Cell& a, const Cell& b) {
    for (const Pt& p : samples(a))
        if (inside(b, p)) return true;
    for (const Pt& p : samples(b))
        if (inside(a, p)) return true;
    return false;
}

double distanceToCell(const Cell& c, Pt p) {
    if (inside(c, p)) return 0.0;
    double best = 1e300;
    for (int i = 0; i < 4; ++i) {
        const Pt a = c.corner[i], b = c.corner[(i + 1) % 4];
        const double dx = b.x - a.x, dy = b.y - a.y;
        const double len2 = dx * dx + dy * dy;
        double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        best = std::min(best, std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy)));
    }
    return best;
}

struct Circle {
    Pt c;
    double r;
};

struct Painted {
    std::vector<Cell> texts;      // every text cell of textOut and drawText
    std::vector<Circle> welds;    // weld circles
};

Painted paint(model::Document& doc, view::ViewState& view) {
    platform::RecordingCanvas canvas;
    view::OnDraw(doc, view, canvas);
    Painted out;
    const platform::Colour weldColour = doc.settings().HanFengColor;
    for (std::size_t i = 0; i < canvas.calls().size(); ++i) {
        const CanvasCall& c = canvas.calls()[i];
        if (c.kind == CallKind::TextOut && !c.text.empty()) {
            out.texts.push_back(cellOf(c));
            out.texts.back().call = i;
        } else if (c.kind == CallKind::DrawText && !c.text.empty()) {
            out.texts.push_back(cellOfRect(c.rect));
            out.texts.back().call = i;
        } else if (c.kind == CallKind::Ellipse && c.state.pen.colour == weldColour) {
            out.welds.push_back({{(c.rect.left + c.rect.right) / 2.0, (c.rect.top + c.rect.bottom) / 2.0},
                                 std::fabs(c.rect.right - c.rect.left) / 2.0});
        }
    }
    return out;
}

// The cell drawn for an object's label: the text drawn at its stored place.
const Cell* labelOf(const Painted& p, const model::PipeObject& o, double zoom) {
    const platform::Point at = view::devicePoint(o.dimTxt_st, zoom);
    for (const Cell& c : p.texts)
        if (c.text == o.DistTxt.str() && std::lround(c.corner[0].x) == at.x &&
            std::lround(c.corner[0].y) == at.y)
            return &c;
    return nullptr;
}

struct Sample {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    view::ViewState view;

    // A drawing made by the program, shown as it is first opened.
    explicit Sample(std::unique_ptr<model::Document> made) : doc(std::move(made)) {
        if (!doc) return;
        view::initialUpdate(view, doc->drawing);
        view::applyOpenedDocument(view, *doc);
    }

    explicit Sample(const char* name) {
        const std::filesystem::path path = std::filesystem::path(TUBRA_SOURCE_DIR) / "examples" / name;
        auto opened = model::Document::open(app, path);
        if (opened.failed()) ADD_FAILURE() << opened.message();
        else doc = std::move(opened.value());
        view::initialUpdate(view, doc->drawing);
        view::applyOpenedDocument(view, *doc);
    }

    // Forgets where the labels of welds and symbols were put and shows every label (naming
    // the unnamed by their symbol code), so that the next paint places them all.
    void placeAfresh(double zoom) {
        for (model::PipeObject& o : doc->drawing.objects) {
            if (!(o.is(ObjectKind::Weld) || o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting) ||
                  o.is(ObjectKind::Accessory) || o.is(ObjectKind::SiteMark)))
                continue;
            o.dimYX1_st = {};
            o.dimTxt_st = {};
            std::string t = o.DistTxt.str();
            while (!t.empty() && t.front() == ' ') t.erase(0, 1);
            if (t.empty()) t = "DN" + std::to_string(o.SubType);
            o.DistTxt = t;
        }
        doc->drawing.ZoomPara = zoom;
        doc->drawing.zoomLoaded = 1;
    }
};

bool placedKind(const model::PipeObject& o) {
    return o.is(ObjectKind::Weld) || o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting) ||
           o.is(ObjectKind::Accessory) || o.is(ObjectKind::SiteMark);
}

// No weld number covers another text or a weld circle, and each is nearer its own weld than
// any other, within a few text heights of it. With `symbols`, the labels of symbols must not
// cover other texts or weld circles either. Returns the number of labels checked.
int checkLabels(Sample& s, bool symbols) {
    const Painted p = paint(*s.doc, s.view);
    const double zoom = s.view.ZoomPara;
    const double height = s.doc->settings().Dim_Size;
    int checked = 0;
    for (const model::PipeObject& o : s.doc->drawing.objects) {
        if (!placedKind(o) || (!symbols && !o.is(ObjectKind::Weld))) continue;
        if (o.DistTxt.empty() || o.DistTxt.view().front() == ' ') continue;
        const Cell* label = labelOf(p, o, zoom);
        if (!label) {
            ADD_FAILURE() << "no label drawn for " << o.DistTxt.str();
            continue;
        }
        ++checked;
        const std::string what = text::gbkToUtf8(o.DistTxt.view());
        for (const Cell& other : p.texts) {
            if (other.call == label->call) continue;
            EXPECT_FALSE(cellsOverlap(*label, other))
                << what << " covers " << text::gbkToUtf8(other.text) << " at zoom " << zoom;
        }
        for (const Circle& w : p.welds)
            EXPECT_GT(distanceToCell(*label, w.c), w.r) << what << " covers a weld circle";
        if (!o.is(ObjectKind::Weld)) continue;
        const Pt own{o.Port1.x * zoom, o.Port1.y * zoom};
        const Pt mid = centre(*label);
        const double d = std::hypot(mid.x - own.x, mid.y - own.y);
        EXPECT_LT(distanceToCell(*label, own), 3 * height) << what << " strays from its weld";
        for (const Circle& w : p.welds) {
            if (std::hypot(w.c.x - own.x, w.c.y - own.y) < 1.5) continue;  // its own circle
            EXPECT_LT(d, std::hypot(mid.x - w.c.x, mid.y - w.c.y))
                << what << " is nearer another weld than its own";
        }
    }
    return checked;
}

// The rectangle around what the body of a symbol (valve, fitting, support, site mark) draws,
// pulled in by a unit so that a text merely touching it passes.
std::optional<Cell> symbolBox(const model::PipeObject& o, const model::DrawingSettings& settings,
                              const view::ViewState& view) {
    platform::RecordingCanvas canvas;
    view::DrawObjectBody(o, view::PaintContext{canvas, settings, view}, false);
    bool any = false;
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    const auto take = [&](double x, double y) {
        if (!any) x0 = x1 = x, y0 = y1 = y;
        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        any = true;
    };
    for (const CanvasCall& c : canvas.calls()) {
        if (c.kind == CallKind::Ellipse || c.kind == CallKind::Rectangle) {
            take(c.rect.left, c.rect.top);
            take(c.rect.right, c.rect.bottom);
        } else if (c.kind == CallKind::PolyBezier) {
            // The curves themselves, not their control points.
            for (std::size_t i = 0; i + 3 < c.points.size(); i += 3) {
                const auto& q = c.points;
                for (int k = 0; k <= 32; ++k) {
                    const double t = k / 32.0, u = 1 - t;
                    take(u * u * u * q[i].x + 3 * u * u * t * q[i + 1].x + 3 * u * t * t * q[i + 2].x + t * t * t * q[i + 3].x,
                         u * u * u * q[i].y + 3 * u * u * t * q[i + 1].y + 3 * u * t * t * q[i + 2].y + t * t * t * q[i + 3].y);
                }
            }
        } else if (c.kind != CallKind::TextOut && c.kind != CallKind::DrawText && c.kind != CallKind::FillRect) {
            for (const platform::Point& q : c.points) take(q.x, q.y);
        }
    }
    if (!any || x1 - x0 < 2 || y1 - y0 < 2) return std::nullopt;
    Cell cell = cellOfRect({static_cast<int>(x0 + 1), static_cast<int>(y1 - 1), static_cast<int>(x1 - 1),
                            static_cast<int>(y0 + 1)});
    return cell;
}

std::string describe(const Cell& c) {
    std::string s;
    for (const Pt& p : c.corner) s += "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
    return s;
}

bool isSymbol(const model::PipeObject& o) {
    return o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting) || o.is(ObjectKind::Accessory) ||
           o.is(ObjectKind::SiteMark);
}

// Every pipe length the paint shows stands clear of every other text and every weld circle,
// and with `symbols` of every symbol, beside its own pipe. Returns the number of lengths
// checked.
int checkPipeLengths(Sample& s, bool symbols = true) {
    const Painted p = paint(*s.doc, s.view);
    const double zoom = s.view.ZoomPara;
    const double height = s.doc->settings().Dim_Size;
    std::vector<std::pair<Cell, std::string>> boxes;
    for (const model::PipeObject& o : s.doc->drawing.objects)
        if (symbols && isSymbol(o))
            if (const auto box = symbolBox(o, s.doc->settings(), s.view))
                boxes.emplace_back(*box, text::gbkToUtf8(o.DistTxt.view()) + " (" + std::to_string(o.SubType) + ")");
    int checked = 0;
    std::vector<std::size_t> taken;
    for (const model::PipeObject& o : s.doc->drawing.objects) {
        if (!o.is(ObjectKind::Pipe) || o.DistTxt.empty()) continue;
        const char first = o.DistTxt.view().front();
        if (first == '^' || first == '0') continue;
        // The cell of this length: its text, nearest the middle of its pipe.
        const Pt mid{(o.Port1.x + o.Port2.x) * zoom / 2, (o.Port1.y + o.Port2.y) * zoom / 2};
        const Cell* label = nullptr;
        double best = 1e300;
        for (const Cell& c : p.texts) {
            if (c.text != o.DistTxt.str() || std::find(taken.begin(), taken.end(), c.call) != taken.end()) continue;
            // Beside the pipe: within its reach along it and a few text heights across.
            const Pt at = centre(c);
            const double dx = o.Port2.x * zoom - o.Port1.x * zoom, dy = o.Port2.y * zoom - o.Port1.y * zoom;
            const double len = std::hypot(dx, dy);
            if (len == 0) continue;
            const double along = ((at.x - o.Port1.x * zoom) * dx + (at.y - o.Port1.y * zoom) * dy) / len;
            const double across = std::fabs((at.x - o.Port1.x * zoom) * dy - (at.y - o.Port1.y * zoom) * dx) / len;
            if (along < -height || along > len + height || across > 4 * height) continue;
            const double d = std::hypot(at.x - mid.x, at.y - mid.y);
            if (d < best) best = d, label = &c;
        }
        const std::string what = text::gbkToUtf8(o.DistTxt.view());
        if (!label) {
            ADD_FAILURE() << "no length drawn beside its pipe: " << what;
            continue;
        }
        taken.push_back(label->call);
        ++checked;
        for (const Cell& other : p.texts) {
            if (other.call == label->call) continue;
            EXPECT_FALSE(cellsOverlap(*label, other))
                << "length " << what << " covers " << text::gbkToUtf8(other.text) << " at zoom " << zoom;
        }
        for (const Circle& w : p.welds)
            EXPECT_GT(distanceToCell(*label, w.c), w.r) << "length " << what << " covers a weld circle";
        for (const auto& [box, name] : boxes)
            EXPECT_FALSE(cellsOverlap(*label, box)) << "length " << what << " covers the symbol " << name
                                                    << describe(*label) << " / " << describe(box);
    }
    return checked;
}

}  // namespace

TEST(LabelBoxes, CellsTurnAboutTheirReferenceAndMeetAsTheyShould) {
    // A text 60 x 30 hanging from (100, 200), flat and turned up by 90 degrees.
    const LabelBox flat = LabelBox::ofText(100, 200, 0, 60, 30);
    EXPECT_DOUBLE_EQ(flat.cx, 130);
    EXPECT_DOUBLE_EQ(flat.cy, 185);
    const auto ref = flat.reference();
    EXPECT_NEAR(ref[0], 100, 1e-9);
    EXPECT_NEAR(ref[1], 200, 1e-9);
    const LabelBox up = LabelBox::ofText(100, 200, 900, 60, 30);
    EXPECT_NEAR(up.cx, 115, 1e-3);  // the glyphs' tops face left, the cell lies right
    EXPECT_NEAR(up.cy, 230, 1e-3);

    // Overlap by the sides of either box: a turned box that crosses a flat one without a
    // corner inside it still meets it; one just past the end does not, unless grown.
    const LabelBox cross = LabelBox::ofText(125, 230, -900, 60, 10);
    EXPECT_TRUE(flat.overlaps(cross));
    const LabelBox beyond = LabelBox::ofText(163, 200, 0, 20, 30);
    EXPECT_FALSE(flat.overlaps(beyond));
    EXPECT_TRUE(flat.overlaps(beyond, 4.0));
    EXPECT_TRUE(flat.overlaps(beyond, 4.0, 0.0));
    EXPECT_FALSE(flat.overlaps(beyond, 0.0, 4.0));

    // Lines and points.
    EXPECT_TRUE(flat.touchesSegment(90, 180, 200, 180, 0));     // through it
    EXPECT_FALSE(flat.touchesSegment(90, 165, 200, 165, 4));    // 5 below it
    EXPECT_TRUE(flat.touchesSegment(90, 165, 200, 165, 6));
    EXPECT_FALSE(flat.touchesSegment(40, 120, 90, 200, 0));     // ends before it
    EXPECT_DOUBLE_EQ(flat.distanceTo(130, 185), 0.0);
    EXPECT_DOUBLE_EQ(flat.distanceTo(170, 185), 10.0);
    EXPECT_DOUBLE_EQ(flat.distanceTo(163, 204), 5.0);
}

TEST(LabelPlacement, ObstacleMapFindsWhatComesNearOncePerShape) {
    using view::ObstacleLayer;
    view::ObstacleMap map(10.0);
    map.addSegment(0, 0, 1000, 0, 2, ObstacleLayer::Line, 1);    // along one row of cells
    map.addCircle(500, 50, 4, ObstacleLayer::WeldCircle, 2);
    map.addBox(LabelBox::ofText(480, 100, 0, 40, 20), ObstacleLayer::Label, 3);
    map.addSegment(0, 0, 1e9, 1e9, 1, ObstacleLayer::Line, 4);   // too large for the grid
    map.addCircle(std::nan(""), 0, 4, ObstacleLayer::WeldCircle, 5);  // nowhere
    map.addSegment(0, 300, 400, 60, 3, ObstacleLayer::Line, 6);  // across many rows and columns
    auto owners = [&](double x0, double y0, double x1, double y1) {
        std::vector<std::size_t> o;
        for (std::size_t i : map.near(x0, y0, x1, y1)) o.push_back(map.shapes()[i].owner);
        std::sort(o.begin(), o.end());
        return o;
    };
    using Owners = std::vector<std::size_t>;
    // Segments by their strokes: the long diagonal passes far above these two places.
    EXPECT_EQ(owners(490, -5, 510, 60), (Owners{1, 2}));
    EXPECT_EQ(owners(470, 85, 530, 95), (Owners{3}));
    EXPECT_EQ(owners(495, 495, 505, 505), (Owners{4}));
    // Segment 6 runs through (205, 177) three units wide: a place just below its stroke
    // meets it, one further down lies within its bounds but off the stroke.
    EXPECT_EQ(owners(195, 170, 205, 176), (Owners{6}));
    EXPECT_EQ(owners(195, 160, 205, 170), (Owners{}));
    EXPECT_EQ(owners(-100, 500, -50, 600), (Owners{}));
    // A stroke over many cells of a place is found once.
    EXPECT_EQ(owners(100, -5, 400, 5), (Owners{1}));
    // Shapes added after the first question join the grid the same way.
    map.addSegment(100, 100, 300, 250, 1, ObstacleLayer::Line, 7);
    EXPECT_EQ(owners(119, 114, 121, 116), (Owners{7}));
    EXPECT_EQ(owners(250, 120, 260, 130), (Owners{}));
    EXPECT_EQ(map.shapes().size(), 6u);
}

TEST(LabelPlacement, WeldNumbersOfTheSamplesStandClearNextToTheirOwnWelds) {
    Sample s("pipeline.hcd");
    EXPECT_EQ(checkLabels(s, false), 16);
    Sample atlas("symbol-atlas.hcd");
    checkLabels(atlas, false);
}

TEST(LabelPlacement, EveryLabelPlacedAfreshStandsClear) {
    // The pipeline at its own zoom and zoomed in, every weld number and symbol label placed
    // anew; and the atlas with the labels of all its symbols shown, where they crowd.
    for (double zoom : {1.0, 1.6}) {
        Sample s("pipeline.hcd");
        s.placeAfresh(zoom);
        // Zoomed in, the line runs under the characteristic table, which does not zoom.
        if (zoom > 1.0) s.view.frameSwitch = 0;
        EXPECT_EQ(checkLabels(s, true), 16 + 22) << zoom;
        // The places are kept: a second paint draws the labels where the first put them.
        std::vector<model::Vec3> first;
        for (const model::PipeObject& o : s.doc->drawing.objects) first.push_back(o.dimTxt_st);
        checkLabels(s, true);
        std::size_t i = 0;
        for (const model::PipeObject& o : s.doc->drawing.objects) {
            EXPECT_EQ(o.dimTxt_st.x, first[i].x);
            EXPECT_EQ(o.dimTxt_st.y, first[i].y);
            ++i;
        }
    }
    Sample atlas("symbol-atlas.hcd");
    atlas.placeAfresh(1.0);
    EXPECT_EQ(checkLabels(atlas, true), 240);
}

TEST(LabelPlacement, PipeLengthsOfTheSamplesStandClearOfSymbolsLabelsAndWelds) {
    // As stored, at their own zoom and zoomed in; and with every label placed afresh.
    for (double zoom : {0.0, 1.6}) {
        Sample s("pipeline.hcd");
        if (zoom > 0) {
            s.doc->drawing.ZoomPara = zoom;
            s.doc->drawing.zoomLoaded = 1;
            s.view.frameSwitch = 0;
        }
        EXPECT_EQ(checkPipeLengths(s), 8) << zoom;
        checkLabels(s, true);
        // The lengths move for the paint only: every pipe keeps the layout the paint gives it.
        const view::AnnotationOffsets off = view::annotationOffsetsFor(s.doc->settings());
        for (const model::PipeObject& o : s.doc->drawing.objects) {
            if (!o.is(ObjectKind::Pipe)) continue;
            model::PipeObject laidOut = o;
            view::LayoutAnnotation(laidOut, s.doc->settings(), s.view, off.a, off.b);
            EXPECT_EQ(o.dimTxt_st, laidOut.dimTxt_st) << o.DistTxt.str();
        }
    }
    Sample fresh("pipeline.hcd");
    fresh.placeAfresh(1.0);
    EXPECT_EQ(checkPipeLengths(fresh), 8);
    // The atlas hides the lengths of its stubs. Shown, they are longer than the stubs and
    // crowd their symbols, with nowhere clear of them; but never on another text or a weld.
    Sample atlas("symbol-atlas.hcd");
    EXPECT_EQ(checkPipeLengths(atlas), 0);
    for (model::PipeObject& o : atlas.doc->drawing.objects)
        if (o.is(ObjectKind::Pipe)) o.DistTxt.clear();
    EXPECT_GT(checkPipeLengths(atlas, false), 200);
    // Symbols twice as large: the lengths still keep clear of the other texts and the welds.
    Sample big("pipeline.hcd");
    big.doc->settings().DrawZoom_GJFM = 8.0;
    EXPECT_EQ(checkPipeLengths(big, false), 8);
}

TEST(LabelPlacement, TheLengthOfAnImportedNozzleFlangeStandsBesideItsSymbol) {
    // The flange at the vessel's nozzle is a piece of its own, 127 mm: drawn only as long as its
    // symbol, its length could go nowhere but onto the flange or the nozzle's mark.
    model::AppContext app;
    auto imported = app::importPcfDrawing(
        app, std::filesystem::path(TUBRA_SOURCE_DIR) / "tests/data/pcf/feed-line.pcf", {});
    ASSERT_TRUE(imported.ok()) << imported.message();
    Sample s(std::move(imported.value().document));
    // The other lengths hidden: they are not what is looked at here.
    for (model::PipeObject& o : s.doc->drawing.objects)
        if (o.is(ObjectKind::Pipe) && o.DistTxt.view() != "127") o.DistTxt = "^" + o.DistTxt.str();
    EXPECT_EQ(checkPipeLengths(s), 1);
}

TEST(LabelPlacement, ALengthUnderAValveSlidesAlongItsPipeAndStaysWhenClear) {
    // Two east pipes of 2000; a stop valve sits in the middle of the first, where its length
    // would stand.
    viewtest::Fixture f;
    const view::AxisAngles axes = f.view.axes();
    const model::Vec3 a(500, -700, 0), b = view::StepAlong(axes, a, 2, 2000);
    const model::Vec3 c(500, -1400, 0), d = view::StepAlong(axes, c, 2, 2000);
    model::PipeObject first = viewtest::makePipe(a, b, 0, 2);
    model::PipeObject second = viewtest::makePipe(c, d, 0, 2);
    first.Distanc = second.Distanc = 2000;
    viewtest::add(f.doc, first);
    viewtest::add(f.doc, second);
    const model::Vec3 mid((a.x + b.x) / 2, (a.y + b.y) / 2, 0);
    model::PipeObject valve = viewtest::makeObject(ObjectKind::Valve, mid, view::StepAlong(axes, mid, 2, 80), 14, 2);
    valve.DistTxt = " ";
    viewtest::add(f.doc, valve);

    const Painted p = paint(f.doc, f.view);
    const model::PipeObject& p1 = f.doc.drawing.objects.at(0);
    const model::PipeObject& p2 = f.doc.drawing.objects.at(1);
    // The clear one is drawn where its layout puts it.
    EXPECT_TRUE(labelOf(p, p2, 1.0)) << "the length of the clear pipe moved";
    // The covered one is not: it is drawn beside its pipe, clear of the valve.
    EXPECT_FALSE(labelOf(p, p1, 1.0));
    const auto box = symbolBox(f.doc.drawing.objects.at(2), f.doc.settings(), f.view);
    ASSERT_TRUE(box);
    int found = 0;
    for (const Cell& cell : p.texts) {
        if (cell.text != "2000") continue;
        ++found;
        EXPECT_FALSE(cellsOverlap(cell, *box));
    }
    EXPECT_EQ(found, 2);
    // Paint-time only: the pipe keeps the place its layout gives it.
    const model::Vec3 laidOut = p1.dimTxt_st;
    paint(f.doc, f.view);
    EXPECT_EQ(f.doc.drawing.objects.at(0).dimTxt_st, laidOut);
    EXPECT_EQ(f.doc.drawing.objects.at(0).dimYX1_st.x, 0.0);

    // A length the user moved by hand stays where it was put, covered or not.
    model::PipeObject& moved = f.doc.drawing.objects.at(0);
    moved.dimYX1_st = {1, 1, 1};
    moved.dimTxt_st = {mid.x - 20, mid.y + 10, 0};
    const Painted q = paint(f.doc, f.view);
    EXPECT_TRUE(labelOf(q, moved, 1.0));
}

TEST(LabelPlacement, ANumberBetweenTwoCloseWeldsGoesToTheFarSide) {
    // Two welds 16 units apart on an east pipe: each number must end up on its own side,
    // though the usual place of the first, below the pipe, would be as near the second.
    viewtest::Fixture f;
    f.app.settings.ZhuXianKuan = 4;
    viewtest::add(f.doc, viewtest::makePipe({1000, -1000, 0}, {1400, -1000, 0}, 0, 2));
    for (double x : {1190.0, 1206.0}) {
        auto w = viewtest::makeObject(ObjectKind::Weld, {x, -1000, 0}, {x, -1000, 0}, -1, 2);
        w.DistTxt = x < 1200 ? "1" : "2";
        viewtest::add(f.doc, w);
    }
    view::initialUpdate(f.view, f.doc.drawing);
    f.view.frameSwitch = 0;
    view::OnDraw(f.doc, f.view, f.canvas);
    const auto& first = f.doc.drawing.objects.at(1);
    const auto& second = f.doc.drawing.objects.at(2);
    const auto c1 = LabelBox::ofText(first.dimTxt_st.x, first.dimTxt_st.y, first.dimAngle, 15, 30);
    const auto c2 = LabelBox::ofText(second.dimTxt_st.x, second.dimTxt_st.y, second.dimAngle, 15, 30);
    EXPECT_LT(std::hypot(c1.cx - 1190, c1.cy + 1000), std::hypot(c1.cx - 1206, c1.cy + 1000));
    EXPECT_LT(std::hypot(c2.cx - 1206, c2.cy + 1000), std::hypot(c2.cx - 1190, c2.cy + 1000));
    EXPECT_FALSE(c1.overlaps(c2));
}

TEST(LabelPlacement, AWeldNumberWhoseUsualPlaceIsCrowdedStillFindsTheClearSide) {
    // Where the number of a weld usually goes, six hundred tiny texts pile up (more than a place
    // may look at); on the far side of the weld nothing is drawn. The number must go there.
    auto weld = viewtest::makeObject(ObjectKind::Weld, {1000, -1000, 0}, {1000, -1000, 0}, -1, 2);
    weld.DistTxt = "H1";
    model::Vec3 usual;
    {
        viewtest::Fixture alone;
        viewtest::add(alone.doc, weld);
        view::initialUpdate(alone.view, alone.doc.drawing);
        alone.view.frameSwitch = 0;
        view::OnDraw(alone.doc, alone.view, alone.canvas);
        usual = alone.doc.drawing.objects.at(0).dimTxt_st;
    }
    viewtest::Fixture f;
    viewtest::add(f.doc, weld);
    const LabelBox there = LabelBox::ofText(usual.x, usual.y, 0, 30, 30);
    // The crowd covers the usual place and everything on its side of the weld.
    const double side = there.cx >= 1000 ? 1.0 : -1.0;
    unsigned seed = 7;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<double>((seed >> 8) % 1000) / 1000.0;
    };
    for (int i = 0; i < 600; ++i) {
        auto t = viewtest::makeObject(ObjectKind::TextBlock,
                                      {there.cx + (next() - 0.5) * 80, there.cy + (next() - 0.5) * 60, 0}, {});
        if (side * (t.Port1.x - 1000) < 12) t.Port1.x = 1000 + side * (12 + next() * 20);
        t.DistTxt = "x";
        t.CaiLiao = "Sans";
        t.Port3.y = 6;
        viewtest::add(f.doc, t);
    }
    view::initialUpdate(f.view, f.doc.drawing);
    f.view.frameSwitch = 0;
    const Painted p = paint(f.doc, f.view);
    const model::PipeObject& placed = f.doc.drawing.objects.at(0);
    const Cell* label = labelOf(p, placed, 1.0);
    ASSERT_NE(label, nullptr);
    for (const Cell& other : p.texts) {
        if (other.call == label->call) continue;
        ASSERT_FALSE(cellsOverlap(*label, other)) << describe(*label);
    }
    // Beside its weld, on the clear side.
    EXPECT_LT(side * (centre(*label).x - 1000), 0.0);
    EXPECT_LT(distanceToCell(*label, {1000, -1000}), 3 * f.doc.settings().Dim_Size);
}

// A placement's map holds the shapes kept from a recording where they lie instead of copying
// them. Between shapes added before and after them, at the first query and after it, the map
// must find what a map that copied them one by one finds, by the same places, in the same
// order, and count the same; and it takes kept shapes only once, before its first query.
TEST(LabelPlacement, KeptShapesAreFoundAsIfTheyHadBeenCopied) {
    using view::ObstacleLayer;
    using view::ObstacleMap;
    std::mt19937_64 random(361);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const auto at = [&](double spread) { return 500.0 + spread * (unit(random) - 0.5); };
    // A recording of 300 objects: strokes, weld circles, symbol boxes and texts, crowded in the
    // middle, and one stroke long enough to lie everywhere.
    ObstacleMap recording(16.0);
    for (std::size_t owner = 0; owner < 300; ++owner) {
        const double spread = owner % 3 ? 200.0 : 1200.0;
        const double x = at(spread), y = at(spread);
        recording.addSegment(x, y, x + 80.0 * (unit(random) - 0.5), y + 80.0 * (unit(random) - 0.5),
                             0.5 + 2.0 * unit(random), ObstacleLayer::Line, owner);
        if (owner % 2) recording.addCircle(at(spread), at(spread), 2.0 + 6.0 * unit(random), ObstacleLayer::WeldCircle, owner);
        recording.addBox(LabelBox::ofText(at(spread), at(spread), owner % 4 ? 0 : 450, 30.0, 12.0),
                         owner % 5 ? ObstacleLayer::Label : ObstacleLayer::Symbol, owner);
    }
    recording.addSegment(-1e6, 0.0, 1e6, 1.0, 1.0, ObstacleLayer::Line, 300);
    const auto block = std::make_shared<const std::vector<ObstacleMap::Shape>>(recording.takeShapes());
    // Part of the recording, from the middle of an object's shapes on.
    const std::size_t first = 7, count = block->size() - 7;

    ObstacleMap copied(16.0), kept(16.0);
    for (ObstacleMap* map : {&copied, &kept})
        for (int k = 0; k < 4; ++k)  // a frame
            map->addSegment(0.0, 250.0 * k, 1000.0, 250.0 * k, 1.0, ObstacleLayer::Line, ObstacleMap::kNoOwner);
    for (std::size_t k = first; k < first + count; ++k) copied.add((*block)[k], (*block)[k].owner);
    ASSERT_TRUE(kept.addKept(block, first, count));
    EXPECT_FALSE(kept.addKept(block, 0, 1));  // once only
    ASSERT_EQ(kept.size(), copied.size());
    EXPECT_EQ(kept.widest(), copied.widest());
    for (ObstacleMap* map : {&copied, &kept}) map->addBox(LabelBox::ofText(480, 520, 0, 40, 12), ObstacleLayer::Label, 5);

    const auto same = [&](const char* when) {
        ASSERT_EQ(kept.size(), copied.size()) << when;
        for (std::size_t i = 0; i < copied.size(); ++i) {
            const ObstacleMap::Shape &a = copied.shape(i), &b = kept.shape(i);
            ASSERT_TRUE(a.kind == b.kind && a.layer == b.layer && a.owner == b.owner && a.box == b.box &&
                        a.ax == b.ax && a.by == b.by && a.radius == b.radius && a.x0 == b.x0 && a.y1 == b.y1)
                << when << ": shape " << i;
        }
        std::mt19937_64 places(9);
        std::uniform_real_distribution<double> u(0.0, 1.0);
        std::size_t found = 0;
        for (int q = 0; q < 400; ++q) {
            const double side = q % 50 == 0 ? 3000.0 : 10.0 + 120.0 * u(places);
            const double x0 = -100.0 + 1200.0 * u(places), y0 = -100.0 + 1200.0 * u(places);
            const std::vector<std::size_t> c = copied.near(x0, y0, x0 + side, y0 + side);
            ASSERT_EQ(kept.near(x0, y0, x0 + side, y0 + side), c) << when << ": place " << q;
            ASSERT_EQ(kept.surelyNear(x0, y0, x0 + side, y0 + side), copied.surelyNear(x0, y0, x0 + side, y0 + side));
            found += c.size();
        }
        EXPECT_GT(found, 2000u) << when;  // the places were not empty
    };
    same("at the first query");
    // Shapes added once the grid is laid, and kept shapes no longer taken.
    for (ObstacleMap* map : {&copied, &kept})
        for (int k = 0; k < 50; ++k) map->addBox(LabelBox::ofText(400 + 4 * k, 500, 0, 40, 12), ObstacleLayer::Label, 7);
    EXPECT_FALSE(kept.addKept(block, first, count));
    same("after shapes added late");
    // A run past the block's end is refused.
    ObstacleMap other(16.0);
    EXPECT_FALSE(other.addKept(block, first, block->size()));
    EXPECT_EQ(other.size(), 0u);
}

// Labels placed one after another join the map after its grid is laid. A walk through a
// crowded place stops after its first few looks, so the order shapes are met in decides where
// a label goes: within a cell, what was laid first, then what came later in the order added.
TEST(LabelPlacement, ShapesAddedLateAreMetInTheOrderAdded) {
    using view::ObstacleLayer;
    view::ObstacleMap map(16.0);
    for (int k = 0; k < 40; ++k)
        map.addBox(LabelBox::ofText(60.0 + 2.0 * (k % 7), 90.0 + 3.0 * (k % 5), 0, 30.0, 12.0), ObstacleLayer::Symbol, 1);
    const std::size_t laid = map.near(99.0, 99.0, 101.0, 101.0).size();  // lays the grid
    ASSERT_GT(laid, 0u);
    // Late boxes over the same point, and others elsewhere between them, in several cells.
    for (int k = 0; k < 60; ++k) {
        map.addBox(LabelBox::ofText(80.0 + (k % 9), 101.0 + (k % 4), 0, 30.0, 10.0), ObstacleLayer::Label, 2);
        map.addBox(LabelBox::ofText(300.0 + 5.0 * k, 300.0, 0, 20.0, 10.0), ObstacleLayer::Label, 3);
    }
    const std::vector<std::size_t> met = map.near(99.0, 99.0, 101.0, 101.0);
    EXPECT_EQ(met.size(), laid + 60);
    EXPECT_TRUE(std::is_sorted(met.begin(), met.end()));
}

// A placement tries each place against hundreds of shapes and passes over those plainly beside
// it before the exact test: the answers must be the exact test's, at any turn of the box, for
// shapes far off, just clear, grazing and inside, and in coordinates far from the origin.
// A box and a stroke's ends share their place in a shape: a text's width, read as a radius,
// would widen every place the search looks at, and a box's corner read as a stroke's end would
// stand in for a weld's centre.
TEST(LabelPlacement, AShapeIsReadOnlyAsWhatItIs) {
    using view::ObstacleLayer;
    using view::ObstacleMap;
    ObstacleMap recording(16.0);
    recording.addBox(LabelBox::ofText(0, 0, 0, 400, 30), ObstacleLayer::Label, 1);   // half width 200
    recording.addBox(LabelBox::ofText(50, 50, 900, 300, 30), ObstacleLayer::Symbol, 2);
    EXPECT_EQ(recording.widest(), 0.0);  // texts and symbols have no stroke to widen a look
    recording.addCircle(500, 500, 4, ObstacleLayer::WeldCircle, 3);
    recording.addSegment(0, 0, 900, 0, 2.5, ObstacleLayer::Line, 4);
    EXPECT_EQ(recording.widest(), 4.0);
    const auto block = std::make_shared<const std::vector<ObstacleMap::Shape>>(recording.takeShapes());
    ObstacleMap kept(16.0);
    ASSERT_TRUE(kept.addKept(block, 0, 2));
    EXPECT_EQ(kept.widest(), 0.0);
    const ObstacleMap::Shape& circle = (*block)[2];
    EXPECT_EQ(circle.ax, 500.0);
    EXPECT_EQ(circle.ay, 500.0);
    EXPECT_EQ(circle.radius, 4.0);
    // A text's box is what a probe and the exact test see, turned or not, whatever its ends read.
    int touched = 0;
    for (const double y : {-60.0, -35.0, -20.0, 0.0, 20.0, 35.0, 60.0, 120.0, 200.0}) {
        const LabelBox near = LabelBox::ofText(150, y, 0, 20, 10);
        const bool text = near.overlaps((*block)[0].box, 6.0, 6.0), symbol = near.overlaps((*block)[1].box, 2.0);
        EXPECT_EQ(view::touchesShape(near, (*block)[0], 4.0), text) << y;
        EXPECT_EQ(view::LabelProbe(near).touches((*block)[0], 4.0), text) << y;
        EXPECT_EQ(view::touchesShape(near, (*block)[1], 4.0), symbol) << y;
        EXPECT_EQ(view::LabelProbe(near).touches((*block)[1], 4.0), symbol) << y;
        touched += text + symbol;
    }
    EXPECT_GT(touched, 2);
    EXPECT_LT(touched, 16);
    EXPECT_EQ((*block)[0].box, LabelBox::ofText(0, 0, 0, 400, 30));
    EXPECT_EQ((*block)[1].box, LabelBox::ofText(50, 50, 900, 300, 30));
}

// A look that asks only about shapes whose bounds meet an area passes others over by their
// entries; a stroke crossing rows and columns has entries bounded by its pieces, which may miss
// the area while the stroke's bounds meet it. What is left, and its order, is what a plain
// look leaves.
TEST(LabelPlacement, ALookWithinAnAreaLeavesWhatAPlainLookLeaves) {
    using view::ObstacleLayer;
    using view::ObstacleMap;
    std::mt19937_64 random(3602);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    ObstacleMap map(16.0);
    const auto at = [&] { return 300.0 * unit(random); };
    const auto addSome = [&](int n) {
        for (int k = 0; k < n; ++k) {
            const double x = at(), y = at();
            map.addSegment(x, y, x + 120.0 * (unit(random) - 0.5), y + 120.0 * (unit(random) - 0.5),
                           0.5 + 2.0 * unit(random), ObstacleLayer::Line, 1);
            map.addCircle(at(), at(), 1.0 + 6.0 * unit(random), ObstacleLayer::WeldCircle, 2);
            map.addBox(LabelBox::ofText(at(), at(), k % 3 ? 0 : 300, 10.0 + 40.0 * unit(random), 12.0),
                       ObstacleLayer::Label, 3);
        }
    };
    addSome(150);
    std::size_t kept = 0, passed = 0;
    for (int round = 0; round < 2; ++round) {
        for (int q = 0; q < 300; ++q) {
            const double x0 = at(), y0 = at(), side = 10.0 + 60.0 * unit(random);
            const std::array<double, 4> area{x0 + side * unit(random) - 20.0, y0 + side * unit(random) - 20.0,
                                             x0 + side * unit(random), y0 + side * unit(random)};
            const auto meets = [&](const ObstacleMap::Shape& s) {
                return !(s.x0 > area[2] || area[0] > s.x1 || s.y0 > area[3] || area[1] > s.y1);
            };
            std::vector<std::uint32_t> plain, within;
            map.visit(x0, y0, x0 + side, y0 + side, [&](const ObstacleMap::Shape& s) {
                if (meets(s)) plain.push_back(s.index);
                else ++passed;
                return true;
            });
            map.visitMeeting(x0, y0, x0 + side, y0 + side, area, [&](const ObstacleMap::Shape& s) {
                if (meets(s)) within.push_back(s.index);
                return true;
            });
            ASSERT_EQ(within, plain) << "round " << round << " place " << q;
            kept += plain.size();
        }
        addSome(40);  // and again with shapes added after the grid is laid
    }
    EXPECT_GT(kept, 1000u);
    EXPECT_GT(passed, 1000u);
}

TEST(LabelPlacement, AProbePassesOverOnlyWhatTheExactTestWouldMiss) {
    using view::ObstacleLayer;
    std::mt19937_64 random(36);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    long touching = 0, compared = 0;
    for (const double origin : {0.0, 1e5, -3e6}) {
        for (int round = 0; round < 400; ++round) {
            const int angle = round % 8 == 0 ? 0 : static_cast<int>(unit(random) * 3600.0) - 1800;
            const LabelBox box =
                LabelBox::ofText(origin + 50.0 * unit(random), origin + 50.0 * unit(random), angle,
                                 10.0 + 80.0 * unit(random), 6.0 + 20.0 * unit(random));
            const double charWidth = 2.0 + 10.0 * unit(random);
            const view::LabelProbe probe(box);
            view::ObstacleMap map(16.0);
            const auto near = [&](double spread) {
                return origin + 25.0 + spread * (unit(random) - 0.5);
            };
            for (const double spread : {40.0, 120.0, 400.0}) {
                for (int k = 0; k < 6; ++k) {
                    const double x = near(spread), y = near(spread);
                    map.addSegment(x, y, x + 60.0 * (unit(random) - 0.5),
                                   y + 60.0 * (unit(random) - 0.5), 0.5 + 3.0 * unit(random),
                                   ObstacleLayer::Line, 1);
                    map.addCircle(near(spread), near(spread), 1.0 + 8.0 * unit(random),
                                  ObstacleLayer::WeldCircle, 2);
                    const int turn = k % 2 ? 0 : static_cast<int>(unit(random) * 3600.0);
                    map.addBox(
                        LabelBox::ofText(near(spread), near(spread), turn,
                                         5.0 + 40.0 * unit(random), 4.0 + 12.0 * unit(random)),
                        k % 3 ? ObstacleLayer::Label : ObstacleLayer::Symbol, 3);
                }
            }
            // Shapes that just meet the box's side, and just miss it, along its own axes.
            const auto corners = box.corners();
            map.addSegment(corners[0][0], corners[0][1], corners[0][0] - 30.0 * box.uy,
                           corners[0][1] + 30.0 * box.ux, 1.0, ObstacleLayer::Line, 4);
            map.addCircle(corners[3][0] + 3.0 * box.ux, corners[3][1] + 3.0 * box.uy, 1.0,
                          ObstacleLayer::WeldCircle, 4);
            map.addCircle(corners[3][0] + 3.01 * box.ux, corners[3][1] + 3.01 * box.uy, 1.0,
                          ObstacleLayer::WeldCircle, 4);
            for (const view::ObstacleMap::Shape& s : map.shapes()) {
                const bool exact = view::touchesShape(box, s, charWidth);
                ASSERT_EQ(probe.touches(s, charWidth), exact)
                    << "round " << round << " shape " << s.index;
                touching += exact;
                ++compared;
            }
        }
    }
    // Both answers were well represented.
    EXPECT_GT(touching, compared / 10);
    EXPECT_LT(touching, compared * 9 / 10);
}

// The weld checks compare distances by their squares unless it is a close call; the answers
// are those of the distance itself, on either side of the limit and at its very edge.
TEST(LabelPlacement, DistancesComparedBySquaresAnswerAsTheDistanceItself) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> coordinate(-1e4, 1e4);
    for (int k = 0; k < 20000; ++k) {
        const double dx = coordinate(random), dy = k % 5 == 0 ? 0.0 : coordinate(random);
        const double factor = k % 2 ? 1.0 : 0.9;
        const double d = std::hypot(dx, dy) * factor;
        // The limit exactly at the distance, a hair either side, and well either side.
        for (const double limit :
             {d, std::nextafter(d, 0.0), std::nextafter(d, 1e300), d * 0.5, d * 2.0})
            ASSERT_EQ(view::hypotBelow(dx, dy, factor, limit), std::hypot(dx, dy) * factor < limit)
                << dx << ' ' << dy;
    }
    EXPECT_FALSE(view::hypotBelow(0.0, 0.0, 1.0, 0.0));
    EXPECT_TRUE(view::hypotBelow(0.0, 0.0, 1.0, 1.0));
    EXPECT_FALSE(view::hypotBelow(1e300, 1e300, 1.0, 1e300));  // squares beyond the doubles
    EXPECT_FALSE(view::hypotBelow(std::nan(""), 0.0, 1.0, 5.0));
    EXPECT_TRUE(view::hypotBelow(3.0, 4.0, 1.0, 5.0000001));
    EXPECT_FALSE(view::hypotBelow(3.0, 4.0, 1.0, 5.0));
}

// A crowded place is known by counting the middles of the shapes near it instead of walking
// them: the count may fall short of what a walk finds, never exceed it, whatever the shapes
// (long strokes, turned boxes, welds on a cell's edge, shapes added after the count, places
// off the grid or not a number), and where small shapes pile up it counts nearly all of them.
TEST(LabelPlacement, ACountOfShapesNearAPlaceNeverExceedsWhatAWalkFinds) {
    using view::ObstacleLayer;
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (const double origin : {0.0, 2.5e5}) {
        view::ObstacleMap map(60.0);
        const auto at = [&](double spread) { return origin + spread * unit(random); };
        for (int k = 0; k < 3000; ++k) {
            const double x = at(2000.0), y = at(1500.0);
            map.addSegment(x, y, x + 400.0 * (unit(random) - 0.5), y + 400.0 * (unit(random) - 0.5),
                           0.5 + 2.0 * unit(random), ObstacleLayer::Line, static_cast<std::size_t>(k));
            map.addCircle(at(2000.0), at(1500.0), 1.0 + 6.0 * unit(random), ObstacleLayer::WeldCircle,
                          static_cast<std::size_t>(k));
            map.addBox(LabelBox::ofText(at(2000.0), at(1500.0), static_cast<int>(unit(random) * 3600.0),
                                        10.0 + 60.0 * unit(random), 6.0 + 20.0 * unit(random)),
                       ObstacleLayer::Label, static_cast<std::size_t>(k));
        }
        // Specks, which meet a place only where their middles lie.
        for (int k = 0; k < 20000; ++k)
            map.addCircle(at(2000.0), at(1500.0), 0.01, ObstacleLayer::WeldCircle, 9002);
        // A pile of welds in a small square, some on the lines of any grid one may lay.
        for (int k = 0; k < 400; ++k)
            map.addCircle(origin + 700.0 + (k % 20) * 3.75, origin + 500.0 + (k / 20) * 3.75, 1.5,
                          ObstacleLayer::WeldCircle, 9000);
        std::size_t counted = 0, walked = 0;
        for (int q = 0; q < 3000; ++q) {
            if (q == 1500)  // shapes added after the count are walked, not counted
                for (int k = 0; k < 300; ++k)
                    map.addCircle(at(2000.0), at(1500.0), 2.0, ObstacleLayer::WeldCircle, 9001);
            const double x0 = at(2200.0) - 100.0, y0 = at(1700.0) - 100.0;
            const double x1 = x0 + 300.0 * unit(random), y1 = y0 + 300.0 * unit(random);
            const std::size_t count = map.surelyNear(x0, y0, x1, y1);
            const std::size_t walk = map.near(x0, y0, x1, y1).size();
            ASSERT_LE(count, walk) << x0 << ' ' << y0 << ' ' << x1 << ' ' << y1;
            counted += count;
            walked += walk;
        }
        // The count is not idle: it finds most of what is near.
        EXPECT_GT(counted, walked / 3);
        // The pile, with a place just around it and one exactly on its outer welds' middles.
        EXPECT_GE(map.surelyNear(origin + 690.0, origin + 490.0, origin + 790.0, origin + 590.0), 400u);
        EXPECT_LE(map.surelyNear(origin + 700.0, origin + 500.0, origin + 771.25, origin + 571.25),
                  map.near(origin + 700.0, origin + 500.0, origin + 771.25, origin + 571.25).size());
        EXPECT_EQ(map.surelyNear(origin - 5000.0, origin - 5000.0, origin - 4000.0, origin - 4000.0), 0u);
        EXPECT_EQ(map.surelyNear(std::nan(""), 0.0, 10.0, 10.0), 0u);
        EXPECT_EQ(map.surelyNear(origin + 800.0, origin + 800.0, origin + 700.0, origin + 900.0), 0u);
    }
}
