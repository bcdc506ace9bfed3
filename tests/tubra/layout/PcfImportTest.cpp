// What the import draws: everything inside the frame and clear of the tables, no runs drawn
// across others they do not cross in space, real lengths as plain decimals that the program
// rebuilds exactly, readable and compressed drawn lengths, the symbols, sizes, materials and
// labels of the components, welds from the file or from its welded joints numbered along the
// walk, elevation marks, the title block and the table, the sheet options, parts apart, and the
// files it cannot draw.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <optional>

#include "support/GeneratedPcf.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/appcore/ImportDocument.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/layout/PcfImport.h"
#include "tubra/layout/PcfNetwork.h"
#include "tubra/layout/SheetLayout.h"
#include "tubra/model/Drawing.h"
#include "tubra/spatial/RealModel.h"
#include "tubra/view/Projection.h"
#include "tubra/view/ViewState.h"

using namespace tubra;
using model::ObjectKind;
using model::PipeObject;
namespace fs = std::filesystem;

namespace {

const fs::path kData = fs::path(TUBRA_TEST_DATA) / "pcf";

struct Imported {
    model::AppContext app;
    app::ImportedDrawing result;
    const model::Drawing& drawing() const { return result.document->drawing; }
};

std::unique_ptr<Imported> import(const fs::path& file, layout::ImportOptions options = {}) {
    auto out = std::make_unique<Imported>();
    platform::Result<app::ImportedDrawing> imported =
        app::importPcfDrawing(out->app, file, options);
    EXPECT_TRUE(imported.ok()) << file << ": " << imported.message();
    if (imported.ok()) out->result = std::move(imported.value());
    return out;
}

fs::path writeTemp(const std::string& name, const std::string& text) {
    const fs::path p = fs::temp_directory_path() / name;
    FILE* f = std::fopen(p.c_str(), "wb");
    std::fwrite(text.data(), 1, text.size(), f);
    std::fclose(f);
    return p;
}

std::string utf8(std::string_view gbk) {
    return text::gbkToUtf8(gbk);
}

bool mentions(const std::vector<std::string>& warnings, std::string_view what) {
    for (const std::string& w : warnings)
        if (w.find(what) != std::string::npos) return true;
    return false;
}

struct Pt {
    double x, y;
};

double pointToSegment(Pt p, Pt a, Pt b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    const double t =
        l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The straight runs of a drawing, each with its drawn ends and its real ends in the true
// projection: the pipe pieces joined where exactly two meet in line, a run that ends at an elbow
// drawn to the elbow's corner.
std::vector<layout::RunPicture> runsOf(const model::Drawing& d, const spatial::RealModel& m) {
    const view::AxisAngles axes{d.X_AxisAngle, d.Y_AxisAngle};
    struct Piece {
        Pt a, b;
        spatial::Point3 ra, rb;
    };
    auto same = [](Pt p, Pt q) { return std::hypot(p.x - q.x, p.y - q.y) < 1e-6; };
    // Elbows' leg ends, with their corners drawn and real.
    struct Corner {
        Pt leg, drawn;
        spatial::Point3 real;
    };
    std::vector<Corner> corners;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        const spatial::RealObject* r = m.find(i);
        if (!o.is(ObjectKind::Elbow) || !r || !r->centre) continue;
        for (const model::Vec3& leg : {o.Port1, o.Port2})
            corners.push_back({{leg.x, leg.y}, {o.Port4.x, o.Port4.y}, *r->centre});
    }
    auto toCorner = [&](Pt& p, spatial::Point3& real) {
        for (const Corner& c : corners)
            if (same(p, c.leg)) {
                p = c.drawn;
                real = c.real;
                return;
            }
    };
    std::vector<Piece> pieces;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        if (!o.is(ObjectKind::Pipe)) continue;
        const spatial::RealObject* r = m.find(i);
        if (!r) continue;
        Piece piece{{o.Port1.x, o.Port1.y}, {o.Port2.x, o.Port2.y}, r->start, r->end};
        toCorner(piece.a, piece.ra);
        toCorner(piece.b, piece.rb);
        pieces.push_back(piece);
    }
    // Pieces by their drawn ends (to a thousandth of a sheet unit).
    auto key = [](Pt p) {
        return std::pair<long long, long long>{std::llround(p.x * 1000), std::llround(p.y * 1000)};
    };
    std::map<std::pair<long long, long long>, std::vector<std::size_t>> at;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        at[key(pieces[i].a)].push_back(i);
        at[key(pieces[i].b)].push_back(i);
    }
    auto inLine = [](const Piece& p, const Piece& q) {
        const double c = (p.b.x - p.a.x) * (q.b.y - q.a.y) - (p.b.y - p.a.y) * (q.b.x - q.a.x);
        return std::fabs(c) <= 1e-6 * std::hypot(p.b.x - p.a.x, p.b.y - p.a.y) *
                                   std::hypot(q.b.x - q.a.x, q.b.y - q.a.y);
    };
    // The other piece that meets `self` in line at p, when only the two meet there.
    auto next = [&](std::size_t self, Pt p) -> std::optional<std::size_t> {
        const auto& there = at[key(p)];
        if (there.size() != 2) return std::nullopt;
        const std::size_t other = there[0] == self ? there[1] : there[0];
        if (other == self || !inLine(pieces[self], pieces[other])) return std::nullopt;
        return other;
    };
    // Runs grown piece by piece at both ends.
    std::vector<bool> used(pieces.size(), false);
    std::vector<layout::RunPicture> runs;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (used[i]) continue;
        used[i] = true;
        Piece run = pieces[i];
        for (std::size_t end = i; auto j = next(end, pieces[end].b);) {
            if (used[*j] || !same(pieces[*j].a, pieces[end].b)) break;
            used[*j] = true;
            end = *j;
            run.b = pieces[end].b;
            run.rb = pieces[end].rb;
        }
        for (std::size_t start = i; auto j = next(start, pieces[start].a);) {
            if (used[*j] || !same(pieces[*j].b, pieces[start].a)) break;
            used[*j] = true;
            start = *j;
            run.a = pieces[start].a;
            run.ra = pieces[start].ra;
        }
        runs.push_back({{run.a.x, run.a.y},
                        {run.b.x, run.b.y},
                        layout::trueProjection(run.ra, axes),
                        layout::trueProjection(run.rb, axes)});
    }
    return runs;
}

// Everything drawn lies inside the frame, clear of the title block and the table; the program
// rebuilds the pipeline without a disagreement of its own; every pipe states its real length as
// a plain decimal; no two pipes are drawn across or onto each other unless they cross in the
// true projection of their real points.
// falseCrossings: how many pairs of runs may cross in the drawing without crossing in space.
// Zero for every hand-written file; the dense generated pipeline still keeps a few (see
// docs/pcf-import.md), and the bound, what it keeps now, keeps the layout from getting worse
// there.
std::size_t expectSoundDrawing(const std::string& name, const model::Drawing& d,
                               std::size_t falseCrossings = 0) {
    SCOPED_TRACE(name);
    const platform::Size page = view::pageExtent(d.PageSize);
    const double w = page.cx, h = page.cy;
    std::size_t longest = 0;
    for (const auto& v : d.table.values) longest = std::max(longest, v.view().size());
    const double table = std::max(
        450.0, static_cast<double>(model::CharacteristicTable::longestLabel() + longest) * 13 + 65);
    auto inside = [&](const model::Vec3& p, const char* what, std::size_t i) {
        EXPECT_TRUE(p.x > 100 && p.x < w - 100 && p.y < -100 && p.y > -(h - 100))
            << what << " of " << i << " outside the frame";
        EXPECT_FALSE(p.x > w - 100 - table && p.y > -100 - 18 * 41)
            << what << " of " << i << " on the table";
        EXPECT_FALSE(p.x > w - 700 && p.y < 300 - h)
            << what << " of " << i << " on the title block";
    };
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        inside(o.Port1, "Port1", i);
        if (o.is(ObjectKind::Pipe) || o.is(ObjectKind::Elbow) || o.is(ObjectKind::Tee))
            inside(o.Port2, "Port2", i);
        // Labels the program placed: weld numbers, valve and fitting labels.
        if ((o.is(ObjectKind::Weld) || o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting)) &&
            o.dimYX1_st.x != 0.0 && !o.DistTxt.view().empty() && o.DistTxt.view()[0] != ' ')
            inside(o.dimTxt_st, "label", i);
    }
    const spatial::RealModel m = spatial::buildRealModel(d);
    for (const spatial::Problem& p : m.problems)
        EXPECT_EQ(p.kind, spatial::ProblemKind::Unconnected) << p.message;
    std::vector<std::size_t> pipes;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        if (!o.is(ObjectKind::Pipe)) continue;
        pipes.push_back(i);
        const std::string text(o.DistTxt.view());
        EXPECT_EQ(text.find_first_not_of("0123456789."), std::string::npos) << text;
        const spatial::RealObject* r = m.find(i);
        if (!r) {
            ADD_FAILURE() << "pipe " << i << " not rebuilt";
            continue;
        }
        // Written to a tenth of a millimetre; the rebuild may share a loop's closure among its
        // runs.
        EXPECT_NEAR(r->length, std::stod(text), 0.1) << i;
    }
    for (std::size_t i = 0; i < pipes.size(); ++i)
        for (std::size_t j = i + 1; j < pipes.size(); ++j) {
            const PipeObject& p = d.objects.at(pipes[i]);
            const PipeObject& q = d.objects.at(pipes[j]);
            const Pt q1{q.Port1.x, q.Port1.y}, q2{q.Port2.x, q.Port2.y};
            // An end drawn onto another pipe would join it: only where they meet.
            for (const Pt& e : {Pt{p.Port1.x, p.Port1.y}, Pt{p.Port2.x, p.Port2.y}}) {
                if (pointToSegment(e, q1, q2) < 1.5) {
                    EXPECT_TRUE(std::hypot(e.x - q1.x, e.y - q1.y) < 1e-6 ||
                                std::hypot(e.x - q2.x, e.y - q2.y) < 1e-6)
                        << "pipe " << pipes[i] << " ends on pipe " << pipes[j]
                        << text::format(" at (%.1f, %.1f) on (%.1f, %.1f)-(%.1f, %.1f) %s", e.x,
                                        e.y, q1.x, q1.y, q2.x, q2.y,
                                        std::string(p.DistTxt.view()).c_str());
                }
            }
        }
    const std::vector<layout::RunPicture> runs = runsOf(d, m);
    std::vector<std::string> crossedOnlyInDrawing;
    auto at = [](const layout::RunPicture& r) {
        return text::format("(%.0f,%.0f)-(%.0f,%.0f)", r.drawn1.x, r.drawn1.y, r.drawn2.x,
                            r.drawn2.y);
    };
    for (std::size_t i = 0; i < runs.size(); ++i)
        for (std::size_t j = i + 1; j < runs.size(); ++j)
            if (layout::falseCrossing(runs[i], runs[j]))
                crossedOnlyInDrawing.push_back(at(runs[i]) + "/" + at(runs[j]));
    std::string listed;
    for (const std::string& pair : crossedOnlyInDrawing) listed += " " + pair;
    EXPECT_LE(crossedOnlyInDrawing.size(), falseCrossings)
        << "runs that cross only in the drawing:" << listed;
    return crossedOnlyInDrawing.size();
}

const PipeObject* nth(const model::Drawing& d, ObjectKind kind, int n) {
    for (const PipeObject& o : std::as_const(d.objects))
        if (o.is(kind) && n-- == 0) return &o;
    return nullptr;
}

}  // namespace

TEST(PcfImport, EveryHandWrittenFileIsDrawnSoundly) {
    for (const auto& entry : fs::directory_iterator(kData)) {
        if (entry.path().extension() != ".pcf") continue;
        const auto imported = import(entry.path());
        if (!imported->result.document) continue;
        expectSoundDrawing(entry.path().filename().string(), imported->drawing());
    }
}

TEST(PcfImport, ShortRunsAreReadableAndLongRunsCompressed) {
    // Runs of 300, 3000 and 30000 mm round three elbows.
    const std::string text =
        "UNITS-BORE MM\nUNITS-CO-ORDS MM\nPIPELINE-REFERENCE Z-1\n"
        "PIPE\n END-POINT 0 0 0 50\n END-POINT 223.8 0 0 50\n"
        "ELBOW\n END-POINT 223.8 0 0 50\n END-POINT 300 76.2 0 50\n CENTRE-POINT 300 0 0\n SKEY "
        "ELBW\n"
        "PIPE\n END-POINT 300 76.2 0 50\n END-POINT 300 2923.8 0 50\n"
        "ELBOW\n END-POINT 300 2923.8 0 50\n END-POINT 376.2 3000 0 50\n CENTRE-POINT 300 3000 0\n "
        "SKEY ELBW\n"
        "PIPE\n END-POINT 376.2 3000 0 50\n END-POINT 30300 3000 0 50\n";
    const auto imported = import(writeTemp("pcf-lengths.pcf", text));
    const model::Drawing& d = imported->drawing();
    const PipeObject* shortest = nth(d, ObjectKind::Pipe, 0);
    const PipeObject* middle = nth(d, ObjectKind::Pipe, 1);
    const PipeObject* longest = nth(d, ObjectKind::Pipe, 2);
    ASSERT_TRUE(shortest && middle && longest);
    EXPECT_EQ(shortest->DistTxt.view(), "300");
    EXPECT_EQ(longest->DistTxt.view(), "30000");
    EXPECT_GE(shortest->Distanc, 60.0);  // 6 mm of paper at least
    EXPECT_LT(shortest->Distanc, middle->Distanc);
    EXPECT_LT(middle->Distanc, longest->Distanc);
    // A hundred times as long is drawn far less than a hundred times as long.
    EXPECT_LT(longest->Distanc / shortest->Distanc, 40.0);
    EXPECT_GT(longest->Distanc / middle->Distanc, 2.0);
    expectSoundDrawing("lengths", d);
}

TEST(PcfImport, ComponentsTakeTheirSymbolsSizesMaterialsAndLabels) {
    const auto train = import(kData / "valve-train.pcf");
    const model::Drawing& d = train->drawing();
    std::vector<int> valves, fittings;
    for (const PipeObject& o : std::as_const(d.objects)) {
        if (o.is(ObjectKind::Valve)) valves.push_back(o.SubType);
        if (o.is(ObjectKind::Fitting) && o.SubType != 4) fittings.push_back(o.SubType);
    }
    // Globe, ball, check, butterfly; an unknown key is the generic gate valve and is told.
    EXPECT_EQ(valves, (std::vector<int>{14, 18, 21, 17, 13}));
    EXPECT_TRUE(mentions(train->result.warnings, "VALVE ZZFL → 闸阀"));
    // The reducer gets smaller along the walk, the second one larger; the flow meter between.
    EXPECT_EQ(fittings, (std::vector<int>{6, 11, 7}));
    EXPECT_EQ(utf8(nth(d, ObjectKind::Fitting, 0)->GuiGe.view()), "φ219.1×8.18-φ168.3×7.11");
    EXPECT_EQ(utf8(nth(d, ObjectKind::Pipe, 0)->GuiGe.view()), "φ219.1×8.18");

    const auto feed = import(kData / "feed-line.pcf");
    const model::Drawing& f = feed->drawing();
    // The material named in the MATERIALS section, the size it states, its wall as measured wall.
    const PipeObject* pipe = nth(f, ObjectKind::Pipe, 1);
    EXPECT_EQ(pipe->CaiLiao.view(), "A106 GR.B");
    EXPECT_EQ(utf8(pipe->GuiGe.view()), "φ168.3×7.11");
    EXPECT_DOUBLE_EQ(pipe->BiHou, 7.11);
    EXPECT_EQ(nth(f, ObjectKind::Valve, 0)->DistTxt.view(), "Z41H-16C");
    EXPECT_EQ(nth(f, ObjectKind::Valve, 0)->SubType, 13);            // VTFL: a gate valve
    EXPECT_EQ(nth(f, ObjectKind::Fitting, 0)->DistTxt.view(), " ");  // flanges are not labelled
    EXPECT_EQ(nth(f, ObjectKind::SiteMark, 0)->DistTxt.view(), "P-101/N1");
    // Supports by their keys; the blind flange at the branch's end.
    EXPECT_EQ(nth(f, ObjectKind::Accessory, 0)->SubType, 32);
    EXPECT_EQ(nth(f, ObjectKind::Accessory, 1)->SubType, 34);
    bool blind = false;
    for (const PipeObject& o : std::as_const(f.objects))
        blind = blind || (o.is(ObjectKind::Fitting) && o.SubType == 50);
    EXPECT_TRUE(blind);

    // INCH bores go through the table of nominal sizes; an olet is drawn as a tee.
    const auto inch = import(kData / "inch-bores.pcf");
    EXPECT_EQ(utf8(nth(inch->drawing(), ObjectKind::Pipe, 0)->GuiGe.view()), "φ219.1×8.18");
    EXPECT_EQ(inch->drawing().objects.countOfKind(ObjectKind::Tee), 2);
}

TEST(PcfImport, WeldsComeFromTheFileOrItsWeldedJointsNumberedAlongTheWalk) {
    const auto feed = import(kData / "feed-line.pcf");
    const model::Drawing& d = feed->drawing();
    ASSERT_EQ(d.objects.countOfKind(ObjectKind::Weld), 13);
    EXPECT_FALSE(mentions(feed->result.warnings, "焊缝（WELD）"));
    // Numbered 1… in the order they are met, starting at the end the line starts from.
    int expected = 1;
    const spatial::RealModel m = spatial::buildRealModel(d);
    double previous = -1.0;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        if (!o.is(ObjectKind::Weld)) continue;
        EXPECT_EQ(o.Number, expected);
        EXPECT_EQ(o.DistTxt.view(), std::to_string(expected));
        ++expected;
        // Along the main line the welds move away from its start (the vessel).
        if (o.Number <= 9) {
            const spatial::Point3 at = m.find(i)->start;
            const double along =
                std::fabs(at.x) + std::fabs(at.y) + std::fabs(at.z - m.objects.front().start.z);
            EXPECT_GT(along, previous) << o.Number;
            previous = along;
        }
    }
    // Without WELD records: a weld where pipe meets fitting or a flange's hub, none between
    // flange faces and a flanged valve.
    const auto joints = import(kData / "lower-case-utf8.pcf");
    EXPECT_EQ(joints->drawing().objects.countOfKind(ObjectKind::Weld), 5);
    EXPECT_TRUE(mentions(joints->result.warnings, "补画了 5 道焊缝"));
}

TEST(PcfImport, ElevationMarksTitleBlockAndTable) {
    const auto feed = import(kData / "feed-line.pcf");
    const model::Drawing& d = feed->drawing();
    const spatial::RealModel m = spatial::buildRealModel(d);
    int marked = 0;
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& o = d.objects.at(i);
        if (!o.is(ObjectKind::Elbow)) continue;
        const bool vertical = o.StrtDir == 0 || o.StrtDir == 1 || o.EndDir == 0 || o.EndDir == 1;
        if (!vertical) continue;
        ++marked;
        EXPECT_EQ(utf8(o.DistTxt.view()),
                  "▽" + text::format("%.2f", m.find(i)->centre->z / 1000.0) + "m");
    }
    EXPECT_EQ(marked, 2);
    std::vector<std::string> notes;
    for (const PipeObject& o : std::as_const(d.objects))
        if (o.is(ObjectKind::TextBlock)) notes.push_back(utf8(o.DistTxt.view()));
    EXPECT_NE(std::find(notes.begin(), notes.end(), "▽1.20m"), notes.end());  // the start
    EXPECT_NE(std::find(notes.begin(), notes.end(), "▽1.84m"), notes.end());  // the branch's end
    EXPECT_NE(std::find(notes.begin(), notes.end(), "接 P-1103-150-B1A"), notes.end());

    EXPECT_EQ(d.title.values[2].view(), "P-1102-150-B1A");
    EXPECT_EQ(utf8(d.title.values[5].view()), "P-1102-150-B1A管线单线图");
    EXPECT_FALSE(d.title.values[3].empty());  // today
    EXPECT_EQ(d.table.values[1].view(), "P-1102-150-B1A");
    EXPECT_EQ(utf8(d.table.values[6].view()), "P-101/N1—P-1103-150-B1A");
    EXPECT_EQ(d.table.values[16].view(), "A106 GR.B");
    // The counts are the table's own automatic count.
    EXPECT_EQ(d.table.values[10].view(), "3");
    EXPECT_EQ(d.table.values[11].view(), "13");
    EXPECT_EQ(d.table.values[12].view(), "1");
    EXPECT_EQ(d.table.values[13].view(), "1");
    EXPECT_EQ(d.table.values[9].view(),
              text::format("%-5.2f", d.objects.totalPipeLength() / 1000.0));
}

TEST(PcfImport, SheetAnglesAndParts) {
    layout::ImportOptions options;
    options.pageSize = 1;
    options.alpha = options.beta = 45.0;
    const auto a3 = import(kData / "rolled-offsets.pcf", options);
    const model::Drawing& d = a3->drawing();
    EXPECT_EQ(d.PageSize, 1);
    EXPECT_EQ(d.X_AxisAngle, 45.0);
    EXPECT_EQ(d.Y_AxisAngle, 45.0);
    expectSoundDrawing("A3, 45°", d);
    // The slanted runs: one in the horizontal plane with its offsets, one in space.
    int plane = 0, space = 0;
    for (const PipeObject& o : std::as_const(d.objects)) {
        if (!o.is(ObjectKind::Pipe)) continue;
        if (o.EndDir == 6) {
            ++plane;
            EXPECT_EQ(o.StrtDir, 2);
            EXPECT_NEAR(o.Port3.x, 1000.0, 0.05);
            EXPECT_NEAR(o.Port3.y, 1000.0, 0.05);
        }
        if (o.EndDir == 7) ++space;
    }
    EXPECT_EQ(plane, 1);
    EXPECT_EQ(space, 1);

    const auto parts = import(kData / "two-parts.pcf");
    EXPECT_TRUE(mentions(parts->result.warnings, "2 个互不相连的部分"));
    EXPECT_TRUE(mentions(parts->result.warnings, "相距 17720 mm"));
    // The larger sheet when A4 cannot hold the pipeline at full size.
    options = {};
    options.pageSize = app::kChoosePage;
    const auto big = import(
        writeTemp("pcf-big.pcf", tubra::testing::generatePcf({.components = 900, .seed = 5})),
        options);
    EXPECT_EQ(big->drawing().PageSize, 1);
    expectSoundDrawing("900 components", big->drawing(), 4);
}

// The sheet is chosen from a quick look before the layout: A4 when the pipeline fits it with
// full-size symbols and readable runs. The quick look must agree with what laying the file out
// on A4 gives, file by file, or the chosen sheet would differ from drawing on A4 first.
TEST(PcfImport, TheQuickLookAtThePageAgreesWithTheLayout) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(kData))
        if (entry.path().extension() == ".pcf") files.push_back(entry.path());
    for (std::uint32_t seed : {1u, 2u})
        files.push_back(writeTemp("pcf-page-" + std::to_string(seed) + ".pcf",
                                  tubra::testing::generatePcf({.components = 300, .seed = seed})));
    files.push_back(writeTemp("pcf-page-big.pcf",
                              tubra::testing::generatePcf({.components = 900, .seed = 5})));
    int onA4 = 0, onA3 = 0;
    for (const fs::path& file : files) {
        const platform::Result<exchange::PcfFile> read = exchange::readPcfFile(file);
        ASSERT_TRUE(read.ok()) << file;
        for (double alpha : {30.0, 45.0}) {
            layout::ImportOptions options;
            options.alpha = options.beta = alpha;
            model::Drawing drawing;
            model::DrawingSettings settings;
            const auto drawn = layout::importPcf(read.value(), options, drawing, settings);
            if (drawn.failed()) continue;
            const bool fullSize = settings.DrawZoom_GJFM == 4.0;
            EXPECT_EQ(layout::fitsPageAtFullSize(read.value(), options), fullSize)
                << file.filename() << " at " << alpha;
            (fullSize ? onA4 : onA3) += 1;
        }
    }
    // Both answers were asked for.
    EXPECT_GT(onA4, 0);
    EXPECT_GT(onA3, 0);
    // What the import chooses follows it.
    layout::ImportOptions choose;
    choose.pageSize = app::kChoosePage;
    EXPECT_EQ(import(files.back(), choose)->drawing().PageSize, 1);
    EXPECT_EQ(import(kData / "feed-line.pcf", choose)->drawing().PageSize, 0);
}

// Generated pipelines that wander back across themselves, small enough for the search against
// runs drawn too near to finish: the first two are drawn clear, the others keep at most one
// each (a pipeline in which every run must move at once to clear another is not solved by moving
// one or two at a time; the linear program after the search moves them all).
TEST(PcfImport, WanderingPipelinesAreDrawnClearOfThemselves) {
    const std::size_t most[] = {0, 0, 1, 1};
    std::size_t lastTwo = 0;
    for (std::uint32_t seed = 1; seed <= 4; ++seed) {
        layout::ImportOptions options;
        options.pageSize = app::kChoosePage;
        const auto imported =
            import(writeTemp("pcf-wandering.pcf",
                             tubra::testing::generatePcf({.components = 300, .seed = seed})),
                   options);
        if (!imported->result.document) continue;
        const std::size_t left = expectSoundDrawing("300 components, seed " + std::to_string(seed),
                                                    imported->drawing(), most[seed - 1]);
        if (seed > 2) lastTwo += left;
    }
    EXPECT_LE(lastTwo, 2u);
}

// Dense pipelines where the search drew a pipe shorter than the tee leg over it (500 components,
// seed 15: the leg's end read as the pipe's, closing a loop that is not there), or a crossing
// where a pipe of one run ends on the other (900, seed 7): the drawing reads back as imported.
TEST(PcfImport, DensePipelinesReadBackWithoutJoinsTheyDoNotHave) {
    for (const auto& [components, seed] : {std::pair{500, 15u}, std::pair{900, 7u}}) {
        layout::ImportOptions options;
        options.pageSize = app::kChoosePage;
        const auto imported = import(
            writeTemp("pcf-dense.pcf",
                      tubra::testing::generatePcf({.components = components, .seed = seed})),
            options);
        ASSERT_TRUE(imported->result.document);
        expectSoundDrawing(text::format("%d components, seed %u", components, seed),
                           imported->drawing(), 1000);
    }
}

// Pairs of runs no change of one run moves apart: clearing them takes two runs changed at once,
// or a stretch of the pipeline slid between two parallel runs, or, when every pair left is stuck,
// a change that leaves more for a while. Each generated pipeline here is one the search leaves
// more pairs on without that kind of change than with it (none, for two changes and kicks).
TEST(PcfImport, PairsOneChangeCannotClearAreClearedByTwo) {
    auto left = [](int components, std::uint32_t seed, bool twoChanges, bool slides,
                   bool kicks) {
        const fs::path file = writeTemp(
            "pcf-two-changes.pcf",
            tubra::testing::generatePcf({.components = components, .seed = seed}));
        const platform::Result<exchange::PcfFile> read = exchange::readPcfFile(file);
        EXPECT_TRUE(read.ok());
        if (read.failed()) return -1;
        layout::ImportOptions options;
        options.pageSize = layout::fitsPageAtFullSize(read.value(), options) ? 0 : 1;
        layout::SheetOptions so = layout::sheetOptions(read.value(), options);
        so.twoChanges = twoChanges;
        so.slides = slides;
        so.kicks = kicks;
        so.untangle = false;  // the search's own changes, without the linear program after it
        return layout::layOutSheet(layout::buildNetwork(read.value()), so).crossingsLeft;
    };
    // Each kind of change on its own: the search with and without it.
    {
        SCOPED_TRACE("two changes at once");
        const int with = left(200, 10, true, true, false);
        EXPECT_EQ(with, 0);
        EXPECT_GT(left(200, 10, false, true, false), with);
    }
    {
        SCOPED_TRACE("a stretch slid between parallel runs");
        EXPECT_LT(left(300, 5, true, true, true), left(300, 5, true, false, true));
    }
    {
        // Every pair stuck: a change that leaves more for a while opens the way.
        SCOPED_TRACE("a kick when every pair is stuck");
        const int with = left(250, 5, true, true, true);
        EXPECT_EQ(with, 0);
        EXPECT_GT(left(250, 5, true, true, false), with);
    }
}

// A generated pipeline of 900 components as the layout gets it, on the sheet the import would
// choose.
struct GeneratedSheet {
    layout::Network network;
    layout::SheetOptions options;
};
GeneratedSheet generatedSheet(std::uint32_t seed) {
    const fs::path file =
        writeTemp("pcf-generated-" + std::to_string(seed) + ".pcf",
                  tubra::testing::generatePcf({.components = 900, .seed = seed}));
    const platform::Result<exchange::PcfFile> read = exchange::readPcfFile(file);
    EXPECT_TRUE(read.ok());
    if (!read.ok()) return {};
    layout::ImportOptions options;
    options.pageSize = layout::fitsPageAtFullSize(read.value(), options) ? 0 : 1;
    return {layout::buildNetwork(read.value()), layout::sheetOptions(read.value(), options)};
}

// Pairs the search leaves stuck are worked on further: a second search from its best drawing,
// where a slide may also move a U (a run out and a run back, made longer or shorter together, so
// that the run joining them moves and what hangs beyond the run back stays), clears pairs the
// first one could not. Switched off, the generated pipeline here keeps more.
TEST(PcfImport, ASecondSearchClearsPairsTheFirstLeftStuck) {
    GeneratedSheet g = generatedSheet(16);
    g.options.untangle = false;  // the linear program after it clears these too
    const int with = layout::layOutSheet(g.network, g.options).crossingsLeft;
    g.options.secondSearch = false;
    const int without = layout::layOutSheet(g.network, g.options).crossingsLeft;
    EXPECT_LT(with, without);
}

// Where the searches leave runs drawn across each other, the lengths that keep every pair near
// each other on the side it has in the true projection clear them: 900 components, seeds 5 and
// 15 (on 15 the program kept a crossing where a pipe ends, a join, until it held crossings
// between the ends of pieces).
TEST(PcfImport, TheLengthsThatKeepRunsOnTheirTrueSidesClearWhatTheSearchesLeft) {
    for (const std::uint32_t seed : {5u, 15u}) {
        SCOPED_TRACE(seed);
        GeneratedSheet g = generatedSheet(seed);
        const layout::SheetLayout with = layout::layOutSheet(g.network, g.options);
        g.options.untangle = false;
        const layout::SheetLayout without = layout::layOutSheet(g.network, g.options);
        EXPECT_EQ(with.crossingsLeft, 0);
        EXPECT_GT(without.crossingsLeft, 0);
        EXPECT_FALSE(with.squeezed);
    }
}

// The false crossings generated pipelines of 900 components keep, seed by seed, on the sheet
// the import chooses (the table in docs/pcf-import.md). Slow; run by hand:
//   pcf_import_tests --gtest_also_run_disabled_tests --gtest_filter='*FalseCrossingsPerSeed'
TEST(PcfImport, DISABLED_FalseCrossingsPerSeed) {
    std::size_t total = 0;
    std::string row;
    for (std::uint32_t seed = 1; seed <= 20; ++seed) {
        layout::ImportOptions options;
        options.pageSize = app::kChoosePage;
        const auto big =
            import(writeTemp("pcf-seed.pcf",
                             tubra::testing::generatePcf({.components = 900, .seed = seed})),
                   options);
        if (!big->result.document) continue;
        const std::size_t left =
            expectSoundDrawing(text::format("seed %u", seed), big->drawing(), 1000);
        total += left;
        row += " " + std::to_string(left) + " |";
    }
    std::printf("| false crossings |%s\ntotal %s\n", row.c_str(), std::to_string(total).c_str());
}

TEST(PcfImport, FilesThatCannotBeDrawnGiveAReason) {
    model::AppContext app;
    const platform::Result<app::ImportedDrawing> notPcf =
        app::importPcfDrawing(app, writeTemp("pcf-not.pcf", "Object{\n}\n"), {});
    EXPECT_TRUE(notPcf.failed());
    EXPECT_NE(notPcf.message().find("不是 PCF"), std::string::npos);
    const platform::Result<app::ImportedDrawing> nothing = app::importPcfDrawing(
        app, writeTemp("pcf-weld.pcf", "UNITS-CO-ORDS MM\nWELD\n END-POINT 0 0 0 50\n"), {});
    EXPECT_TRUE(nothing.failed());
    EXPECT_NE(nothing.message().find("没有能画出的管线"), std::string::npos);
}
