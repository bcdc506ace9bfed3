// Builds the sample drawings of the repository through the drawing model and writes them as
// the drawing program does: each is saved by a document, opened again and saved once more, so
// that every bundled file is exactly what the program writes for it and stays byte for byte the
// same when the program opens and saves it:
//
//   pipeline.hcd      the feed line of a process unit: main and branch lines on several axes
//                     with elbows, tees, numbered welds, valves, flanges, reducers, instruments,
//                     supports, a wall and a road crossing, dimensions, elevation marks, notes,
//                     a filled characteristic table and title block
//   symbol-atlas.hcd  every component symbol on every axis direction, with its name
//   report.hcd        the pipeline with its inspection report filled on every page of both
//                     report sets, saved showing all pages of the full set
//   report-long.hcd   the same with every text of the title block, the characteristic table
//                     and both report sets at its capacity
//
// Usage: tubra-make-samples [OUTPUT-DIRECTORY]   (default: the examples directory)

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/RecordingCanvas.h"
#include "report-sample.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Document.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/Kinds.h"
#include "tubra/report/Install.h"
#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/Projection.h"
#include "tubra/view/SymbolLibrary.h"
#include "tubra/view/ViewState.h"

#ifndef TUBRA_EXAMPLES_DIR
#define TUBRA_EXAMPLES_DIR "examples"
#endif

namespace {

using tubra::model::CreationValues;
using tubra::model::Drawing;
using tubra::model::DrawingSettings;
using tubra::model::ObjectKind;
using tubra::model::PipeObject;
using tubra::model::SymbolCode;
using tubra::model::Vec3;
using tubra::view::AxisAngles;
using tubra::view::StepAlong;
using tubra::view::ViewState;

constexpr int kUp = 0, kDown = 1, kEast = 2, kSouth = 3, kWest = 4, kNorth = 5;
constexpr int kMainLine = 0, kBranchLine = 1;
// Lengths the tools give new elbows and components.
constexpr double kElbowLength = 200.0;
constexpr double kComponentLength = 200.0;

std::string gbk(std::string_view utf8) {
    return text::utf8ToGbk(utf8);
}

int kindOf(int code) {
    const auto kind = tubra::model::kindOfSymbol(code);
    return tubra::model::kindValue(kind ? *kind : ObjectKind::Fitting);
}

// A drawing under construction, with the settings and view it is laid out for.
struct Sample {
    Drawing drawing;
    DrawingSettings settings;
    ViewState view;

    Sample(int pageSize, double alpha, double beta) {
        drawing.PageSize = pageSize;
        drawing.X_AxisAngle = alpha;
        drawing.Y_AxisAngle = beta;
        view.X_AxisAngle = alpha;
        view.Y_AxisAngle = beta;
        view.pageExtent = tubra::view::pageExtent(pageSize);
        view.autoElevation = true;
    }
    AxisAngles axes() const { return view.axes(); }

    // Lays out every annotation as the first paint would and saves the drawing as a document
    // of the program with its report (filled by `fillReport`, else as a new document has it).
    bool write(const std::filesystem::path& path,
               const std::function<void(tubra::report::InspectionReport&)>& fillReport = {}) {
        tubra::view::takeFrameTexts(view, drawing);
        tubra::view::placeLabels(drawing.objects, settings, view);
        const auto off = tubra::view::annotationOffsetsFor(settings);
        for (PipeObject& o : drawing.objects) {
            if (o.dimYX1_st.x != 0.0) continue;
            tubra::view::annotationTextAngle(o, axes());
            tubra::view::LayoutAnnotation(o, settings, view, off.a, off.b);
        }
        tubra::model::AppContext app;
        tubra::report::installInspectionReport(app);
        {
            tubra::model::Document doc(app);
            tubra::model::ReportStore* store = doc.drawing.report;
            doc.drawing = drawing;
            doc.drawing.report = store;
            app.settings = settings;
            if (fillReport) fillReport(*tubra::report::inspectionReport(doc));
            if (!saved(doc.saveAs(path))) return false;
        }
        // Opened and saved by the program: what it keeps of the file is what the file holds.
        auto again = tubra::model::Document::open(app, path);
        if (again.failed()) {
            std::fprintf(stderr, "%s\n", again.message().c_str());
            return false;
        }
        if (!saved(again.value()->save())) return false;
        std::printf("%s: %zu objects\n", path.c_str(), drawing.objects.size());
        return true;
    }

    static bool saved(const platform::Result<>& r) {
        if (r.failed()) std::fprintf(stderr, "%s\n", r.message().c_str());
        return r.ok();
    }

    PipeObject& textBlock(Vec3 at, std::string_view utf8, int height = 36,
                          std::string_view face = "宋体") {
        PipeObject& t = drawing.addObject(
            {tubra::model::kindValue(ObjectKind::TextBlock), 0, 0, at, at, 0, -1});
        t.DistTxt = gbk(utf8);
        t.CaiLiao = gbk(face);
        t.Port3.y = height;
        return t;
    }

    // A component (valve, fitting, support, site mark) placed forward from `at` on a pipe
    // running in `dir`, as the placement tools place it.
    PipeObject& component(int code, Vec3 at, int dir, std::string_view label = {}) {
        PipeObject probe;
        probe.MainType = kindOf(code);
        probe.SubType = code;
        probe.EndDir = dir;
        probe.StrtDir = -1;
        probe.Port1 = at;
        probe.Port2 = Vec3(tubra::view::kNoSecondAnchor, 0, 0);
        probe.Distanc = kComponentLength;
        const tubra::view::SymbolScale scale{settings.DrawZoom_GJFM, 1.0, axes()};
        Vec3 exit = tubra::view::symbolExitPoint(probe, scale).value_or(at);
        exit.z = at.z;
        PipeObject& o = drawing.addObject(
            {kindOf(code), code, static_cast<double>(dir), at, exit, kComponentLength, -1});
        // New valves and fittings take the label of the one placed before; these get their own.
        o.DistTxt = label.empty() ? std::string(" ") : gbk(label);
        return o;
    }
};

// Draws pipelines the way the pipe tools build them: segment after segment along the axes,
// an elbow wherever a line turns, tees where a branch leaves, welds at the joints.
class LineBuilder {
  public:
    LineBuilder(Sample& s, Vec3 start, int lineClass) : s_(s), at_(start), class_(lineClass) {}

    // The next segment: `sheet` units on the drawing, `mm` millimetres in the field.
    PipeObject& run(int dir, double sheet, int mm) {
        if (last_ && tubra::model::directionCode(last_->EndDir) != dir) elbowTo(dir);
        Vec3 end = StepAlong(s_.axes(), at_, dir, sheet);
        PipeObject& p = s_.drawing.addObject({tubra::model::kindValue(ObjectKind::Pipe), class_,
                                              static_cast<double>(dir), at_,
                                              Vec3(end.x, end.y, at_.z), sheet, -1});
        p.DistTxt = text::format("%d", mm);
        p.GuiGe = gbk(class_ == kMainLine ? "φ159×6" : "φ57×4");
        p.XingHao = gbk("无缝钢管");
        p.CaiLiao = "20#";
        p.StartUse = "2008/06/15";
        p.LastCheck = "2021/05/10";
        p.BiHou = class_ == kMainLine ? 6.0 : 4.0;
        p.applyEndElevationRule(1.0);
        at_ = p.Port2;
        last_ = &p;
        return p;
    }

    // A weld at `point` of a run in `dir`, numbered as the weld tool numbers it.
    PipeObject& weld(Vec3 point, int dir) {
        PipeObject& w = s_.drawing.addObject({tubra::model::kindValue(ObjectKind::Weld), -1,
                                              static_cast<double>(dir), point, point, 0, -1});
        w.DistTxt = text::format("%d", w.Number);
        return w;
    }

    // A tee on `pipe` at `fraction` of its length, with a branch leaving in `branchDir`; returns
    // the joint, where the branch line starts.
    Vec3 tee(const PipeObject& pipe, double fraction, int branchDir) {
        const double t = s_.settings.m_santongChang;
        const int runDir = tubra::model::directionCode(pipe.EndDir);
        const Vec3 j = along(pipe, fraction);
        Vec3 p1 = StepAlong(s_.axes(), j, runDir, -t);
        Vec3 p2 = StepAlong(s_.axes(), j, runDir, t);
        Vec3 p3 = StepAlong(s_.axes(), j, branchDir, t);
        p1.z = p2.z = p3.z = j.z;
        PipeObject& tee = s_.drawing.addObject({tubra::model::kindValue(ObjectKind::Tee), -1,
                                                static_cast<double>(branchDir), p1, p2,
                                                kElbowLength, pipe.EndDir});
        tee.Port3 = p3;
        tee.Port4 = j;
        tee.DistTxt = " ";
        weld(p1, runDir);
        weld(p2, runDir);
        weld(p3, branchDir);
        return Vec3(p3.x, p3.y, j.z);
    }

    // The point at `fraction` of a pipe, with its elevation.
    static Vec3 along(const PipeObject& p, double fraction) {
        return Vec3(p.Port1.x + (p.Port2.x - p.Port1.x) * fraction,
                    p.Port1.y + (p.Port2.y - p.Port1.y) * fraction,
                    p.Port1.z + (p.Port2.z - p.Port1.z) * fraction);
    }

    const Vec3& end() const { return at_; }

  private:
    // An elbow at the end of the last segment, its corner one elbow radius beyond it.
    void elbowTo(int dir) {
        const double r = s_.settings.m_wantouR;
        const int from = tubra::model::directionCode(last_->EndDir);
        const Vec3 c = last_->Port2;
        Vec3 k = StepAlong(s_.axes(), c, from, r);
        Vec3 e = StepAlong(s_.axes(), k, dir, r);
        k.z = e.z = c.z;
        PipeObject& elbow = s_.drawing.addObject({tubra::model::kindValue(ObjectKind::Elbow), -1,
                                                  static_cast<double>(dir), c, e, kElbowLength,
                                                  static_cast<double>(from)});
        elbow.Port4 = k;
        elbow.Port3.x = last_->StrtDir;
        weld(c, from);
        weld(e, dir);
        at_ = e;
    }

    Sample& s_;
    Vec3 at_;
    int class_;
    PipeObject* last_ = nullptr;
};

void fillTable(Sample& s) {
    const auto& list = s.drawing.objects;
    auto& v = s.drawing.table.values;
    v[0] = gbk("原料油进料管线");
    v[1] = "P-1102-150-B1A";
    v[2] = "GC2";
    v[3] = gbk("原料油");
    v[4] = "1.6";
    v[5] = "120";
    v[6] = gbk("原料泵P-101—加热炉F-101");
    v[7] = gbk("岩棉");
    v[8] = "2008/06/15";
    v[9] = text::format("%.1f", list.totalPipeLength() / 1000.0);
    v[10] = text::format("%d", list.countOfKind(ObjectKind::Elbow));
    v[11] = text::format("%d", list.countOfKind(ObjectKind::Weld));
    v[12] = text::format("%d", list.countOfKind(ObjectKind::Tee));
    v[13] = text::format("%d", list.countOfKind(ObjectKind::Valve));
    v[14] = text::format("%d", list.countOfKind(ObjectKind::Pipe));
    v[15] = text::format("%d", list.countOfKind(ObjectKind::Fitting));
    v[16] = "20#";
    v[17] = gbk("φ159×6、φ57×4");
}

void fillTitle(Sample& s, std::string_view name, std::string_view number) {
    auto& t = s.drawing.title;
    t.setLabels();
    t.values[0] = gbk("王建国");
    t.values[1] = gbk("李  明");
    t.values[2] = gbk(number);
    t.values[3] = "2024.05.20";
    t.values[4] = "2024.05.22";
    t.values[5] = gbk(name);
    t.values[6] = "GX-2016-031";
}

void buildPipeline(Sample& s) {
    const int gate = static_cast<int>(SymbolCode::GateValve);
    const int flange = static_cast<int>(SymbolCode::Flange);

    // Feed pump on the left: the line leaves its discharge nozzle eastward.
    const Vec3 start(300, -1150, 1200);
    s.component(static_cast<int>(SymbolCode::Vessel), start, kWest, "原料泵 P-101");
    LineBuilder main(s, start, kMainLine);

    PipeObject& discharge = main.run(kEast, 440, 3600);
    s.component(flange, LineBuilder::along(discharge, 0.0), kEast);
    s.component(static_cast<int>(SymbolCode::ReducerLargeSmall),
                LineBuilder::along(discharge, 0.08), kEast);
    s.component(static_cast<int>(SymbolCode::CheckValve), LineBuilder::along(discharge, 0.17),
                kEast, "H44H");
    s.component(gate, LineBuilder::along(discharge, 0.66), kEast, "Z41H");
    s.component(static_cast<int>(SymbolCode::PressureGauge), LineBuilder::along(discharge, 0.95),
                kEast);

    PipeObject& riser = main.run(kUp, 300, 4800);
    s.component(static_cast<int>(SymbolCode::Thermometer), LineBuilder::along(riser, 0.78), kUp);

    PipeObject& rack = main.run(kNorth, 520, 9000);
    s.component(static_cast<int>(SymbolCode::SlidingSupport), LineBuilder::along(rack, 0.22),
                kNorth);
    const Vec3 branchStart = main.tee(rack, 0.42, kEast);
    s.component(static_cast<int>(SymbolCode::IntoWall), LineBuilder::along(rack, 0.66), kNorth,
                "墙");
    s.component(static_cast<int>(SymbolCode::FixedSupport), LineBuilder::along(rack, 0.86), kNorth);

    PipeObject& crossing = main.run(kEast, 620, 14500);
    s.component(static_cast<int>(SymbolCode::RigidSupport), LineBuilder::along(crossing, 0.14),
                kEast);
    s.component(static_cast<int>(SymbolCode::RoadCrossing), LineBuilder::along(crossing, 0.3),
                kEast, "道路");
    s.component(static_cast<int>(SymbolCode::SpringSupport), LineBuilder::along(crossing, 0.8),
                kEast);
    // Flow arrow beside the road crossing, in the direction of the pipe.
    const Vec3 flow = LineBuilder::along(crossing, 0.6);
    crossing.Port4 = Vec3(flow.x + 10, flow.y - 40, 1);

    PipeObject& drop = main.run(kDown, 260, 4200);
    s.component(static_cast<int>(SymbolCode::GlobeValve), LineBuilder::along(drop, 0.25), kDown,
                "J41H");

    PipeObject& inlet = main.run(kEast, 360, 3200);
    s.component(static_cast<int>(SymbolCode::FlowMeter), LineBuilder::along(inlet, 0.16), kEast,
                "FT-1102");
    s.component(static_cast<int>(SymbolCode::ButterflyValve), LineBuilder::along(inlet, 0.56),
                kEast, "D71X");
    const Vec3 last = main.end();
    s.component(flange, last, kEast);
    main.weld(last, kEast);
    s.component(static_cast<int>(SymbolCode::Vessel),
                StepAlong(s.axes(), last, kEast, 4.0 * s.settings.DrawZoom_GJFM), kEast,
                "加热炉 F-101");

    // Branch to the drain and the sampling point: east along the rack, then down.
    LineBuilder branch(s, branchStart, kBranchLine);
    PipeObject& lateral = branch.run(kEast, 320, 4000);
    s.component(static_cast<int>(SymbolCode::BallValve), LineBuilder::along(lateral, 0.2), kEast,
                "Q41F");
    s.component(static_cast<int>(SymbolCode::Filter), LineBuilder::along(lateral, 0.72), kEast);
    PipeObject& drain = branch.run(kDown, 190, 2600);
    s.component(static_cast<int>(SymbolCode::SafetyValve), LineBuilder::along(drain, 0.3), kDown);
    s.component(static_cast<int>(SymbolCode::PipeCap), branch.end(), kDown);

    PipeObject& from = s.textBlock({220, -1250, 0}, "原料罐区来", 34, "黑体");
    from.Number = 1;   // italic
    from.SubType = 1;  // underlined
    s.textBlock({160, -1680, 0}, "说明：1. 管线材料20#，对接焊缝氩弧焊打底、电弧焊盖面。", 32);
    s.textBlock({256, -1730, 0}, "2. 标高以米计，其余尺寸以毫米计。", 32);
    s.textBlock({256, -1780, 0}, "3. 焊缝编号见图中圆圈旁数字。", 32);

    fillTable(s);
    fillTitle(s, "原料油进料管线单线图", "GX-2024-017");
}

bool makePipeline(const std::filesystem::path& dir) {
    Sample s(0, 30.0, 30.0);
    buildPipeline(s);
    return s.write(dir / "pipeline.hcd");
}

bool makeReport(const std::filesystem::path& dir) {
    Sample s(0, 30.0, 30.0);
    buildPipeline(s);
    s.drawing.IsShowReport = {1, 22};  // opens showing every page of the full set
    return s.write(dir / "report.hcd", fillSampleReport);
}

// The pipeline with every text of its title block, characteristic table and report at its
// capacity: what the pages and the title block must still print whole.
bool makeLongReport(const std::filesystem::path& dir) {
    Sample s(0, 30.0, 30.0);
    buildPipeline(s);
    const std::string pattern = gbk("长文本2024年5月12日JB/T4730.4-2005合格φ159×6mm；");
    const auto longValue = [&](std::string_view tag) {
        std::string v = gbk(tag);
        while (v.size() < 39) v += pattern;
        v.resize(text::gbkCutLength(v, 39));
        while (v.size() < 39) v += 'x';
        return v;
    };
    for (std::size_t i = 0; i < s.drawing.table.values.size(); ++i)
        s.drawing.table.values[i] = longValue(text::format("特性%d", static_cast<int>(i)));
    for (std::size_t i = 0; i < s.drawing.title.values.size(); ++i)
        s.drawing.title.values[i] = longValue(text::format("图签%d", static_cast<int>(i)));
    // Saved showing the drawing, so that a plain print shows its title block.
    s.drawing.IsShowReport = {0, 22};
    const std::string pipelineName(s.drawing.table.values[0].view());
    return s.write(dir / "report-long.hcd", [&](tubra::report::InspectionReport& report) {
        fillLongReport(report, pipelineName);
    });
}

// The device extent of a symbol drawn at the origin, from a recording.
struct Extent {
    int left = 0, top = 0, right = 0, bottom = 0;
};

Extent symbolExtent(const Sample& s, const PipeObject& o) {
    platform::RecordingCanvas canvas;
    const tubra::view::PaintContext ctx{canvas, s.settings, s.view};
    tubra::view::paintSymbol(o, ctx, false);
    Extent e{0, 0, 0, 0};
    for (const auto& seg : canvas.segments())
        for (const platform::Point& p : {seg.from, seg.to}) {
            e.left = std::min(e.left, p.x);
            e.right = std::max(e.right, p.x);
            e.top = std::max(e.top, p.y);
            e.bottom = std::min(e.bottom, p.y);
        }
    return e;
}

// Where the pipe under a symbol of the atlas ends: past the exit, where the pipe continues,
// except under supports, whose exit is their foot.
Vec3 stubEnd(const PipeObject& symbol, const Vec3& anchor, const Vec3& exit) {
    return symbol.is(ObjectKind::Accessory) ? anchor : exit;
}

bool makeAtlas(const std::filesystem::path& dir) {
    Sample s(1, 30.0, 30.0);
    const int directions[] = {kUp, kDown, kEast, kSouth, kWest, kNorth};
    const platform::Size page = s.view.pageExtent;
    const double left = 160;
    // Rows beside the characteristic table stop short of it; lower rows use the whole width.
    auto rightEdge = [&](double rowTop) {
        return rowTop > -900 ? page.cx - 600.0 : page.cx - 160.0;
    };
    const double gap = 46, stub = 22;
    double x = left, y = -300, rowHeight = 0;

    for (const tubra::model::SymbolRow& row : tubra::model::allSymbols()) {
        const struct {
            int code;
            std::string_view name;
        } table{tubra::model::symbolValue(row.code), row.objectName};
        // Measure the six placements first to size the cell.
        std::vector<Extent> extents;
        double width = 0, tallest = 0;
        for (int d : directions) {
            PipeObject probe;
            probe.MainType = kindOf(table.code);
            probe.SubType = table.code;
            probe.EndDir = d;
            probe.StrtDir = table.code == static_cast<int>(SymbolCode::AngleValve)
                                ? (d < 2 ? kEast : kNorth)
                                : -1;
            Extent e = symbolExtent(s, probe);
            // The pipe stub reaches a little past the symbol on both sides.
            const Vec3 back = StepAlong(s.axes(), Vec3(), d, -stub);
            const tubra::view::SymbolScale scale{s.settings.DrawZoom_GJFM, 1.0, s.axes()};
            probe.Port2 = Vec3(tubra::view::kNoSecondAnchor, 0, 0);
            const Vec3 exit = tubra::view::symbolExitPoint(probe, scale).value_or(Vec3());
            const Vec3 ahead = StepAlong(s.axes(), stubEnd(probe, Vec3(), exit), d, stub);
            for (const Vec3& p : {back, ahead}) {
                e.left = std::min(e.left, static_cast<int>(p.x));
                e.right = std::max(e.right, static_cast<int>(p.x));
                e.top = std::max(e.top, static_cast<int>(p.y));
                e.bottom = std::min(e.bottom, static_cast<int>(p.y));
            }
            extents.push_back(e);
            width += (e.right - e.left) + gap;
            tallest = std::max(tallest, static_cast<double>(e.top - e.bottom));
        }
        const double titleHeight = 44, directionHeight = 34;
        const double cellHeight = titleHeight + tallest + directionHeight + 50;
        if (x + width > rightEdge(y)) {
            x = left;
            y -= rowHeight;
            rowHeight = 0;
        }
        rowHeight = std::max(rowHeight, cellHeight);
        s.textBlock({x, y, 0}, std::to_string(table.code) + " " + std::string(table.name), 30,
                    "黑体");

        // The six placements side by side, each on a short pipe stub.
        double cx = x;
        // Each placement is centred on the middle of the row.
        const double middle = y - titleHeight - tallest / 2;
        for (std::size_t i = 0; i < extents.size(); ++i) {
            const int d = directions[i];
            const Extent& e = extents[i];
            const Vec3 anchor(cx - e.left, middle - (e.top + e.bottom) / 2.0, 0);
            const Vec3 back = StepAlong(s.axes(), anchor, d, -stub);
            PipeObject& o = s.component(table.code, anchor, d, " ");
            if (table.code == static_cast<int>(SymbolCode::AngleValve))
                o.StrtDir = d < 2 ? kEast : kNorth;
            const Vec3 ahead = StepAlong(s.axes(), stubEnd(o, anchor, o.Port2), d, stub);
            PipeObject& pipe = s.drawing.addObject({tubra::model::kindValue(ObjectKind::Pipe),
                                                    kBranchLine, static_cast<double>(d), back,
                                                    Vec3(ahead.x, ahead.y, 0), stub, -1});
            pipe.DistTxt = "^";
            s.textBlock({cx + (e.right - e.left) / 2.0 - 10, middle - tallest / 2 - 8, 0},
                        tubra::model::directionName(d), 22);
            cx += (e.right - e.left) + gap;
        }
        x += width + 60;
    }

    auto& v = s.drawing.table.values;
    v[0] = gbk("元件符号图例");
    v[1] = "ATLAS-01";
    v[15] = gbk("全部40种");
    fillTitle(s, "阀门管件及附件符号图例", "GX-2024-000");
    // The note goes beside the last cell.
    s.textBlock({x + 40, y - 60, 0}, "说明：每个符号依次画在上、下、东、南、西、北", 30);
    s.textBlock({x + 40, y - 110, 0}, "六个方向的管段上；角阀出口向东（竖管）或向北（横管）。", 30);
    return s.write(dir / "symbol-atlas.hcd");
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path dir = argc > 1 ? argv[1] : TUBRA_EXAMPLES_DIR;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    const bool ok = makePipeline(dir) && makeAtlas(dir) && makeReport(dir) && makeLongReport(dir);
    return ok ? 0 : 1;
}
