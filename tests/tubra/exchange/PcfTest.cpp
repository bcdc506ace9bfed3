// The piping component file, read back by the small reader of the tests: every pipe end shared
// by exactly what joins there, the totals of the characteristic table, a route of known
// geometry, what each kind is written as, bores and the pipeline reference.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <array>
#include <cctype>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/edit/Construction.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/exchange/PcfReader.h"
#include "tubra/model/Document.h"
#include "tubra/spatial/Sketch.h"

using namespace tubra;
using model::ObjectKind;
using model::PipeObject;
using model::Vec3;
using tubra::testing::kDown;
using tubra::testing::kEast;
using tubra::testing::kNorth;
using tubra::testing::kSouth;
using tubra::testing::kUp;
using tubra::testing::kWest;
using tubra::testing::Sketch;
namespace fs = std::filesystem;

namespace {

pcf::File exported(const model::Drawing& d, const exchange::PcfOptions& options = {}) {
    const std::string text = exchange::pcfText(d, spatial::buildRealModel(d), options);
    pcf::File f = pcf::read(text);
    EXPECT_TRUE(f.malformed.empty()) << f.malformed.front();
    return f;
}

// Every end of every pipe piece is shared, to the printed 0.1 mm, by the pipe and exactly one
// other component (a pipe, a fitting, a valve, …), welds aside; no other point is off it by
// the last printed digit. `open` lists the pipe ends where the line ends.
void expectPipeEndsJoined(const pcf::File& f, const std::vector<pcf::Point>& open = {}) {
    std::vector<std::pair<const pcf::Block*, pcf::Point>> points;
    for (const pcf::Block& b : f.blocks)
        for (const pcf::Point& p : b.joints()) points.emplace_back(&b, p);
    for (const pcf::Block& pipe : f.blocks) {
        if (pipe.identifier != "PIPE") continue;
        ASSERT_EQ(pipe.ends.size(), 2u);
        for (const pcf::Point& end : pipe.ends) {
            std::set<const pcf::Block*> joining;
            for (const auto& [block, p] : points) {
                const double gap = pcf::distance(p, end);
                if (gap == 0.0) {
                    if (block != &pipe && block->identifier != "WELD") joining.insert(block);
                } else {
                    // What should be one point but was worked out twice differs by a tenth.
                    EXPECT_GT(gap, 0.15)
                        << block->identifier << " ends " << gap << " mm from a pipe end at "
                        << end.x << " " << end.y << " " << end.z;
                }
            }
            const bool isOpen = std::any_of(open.begin(), open.end(), [&](const pcf::Point& o) {
                return pcf::distance(o, end) == 0.0;
            });
            EXPECT_EQ(joining.size(), isOpen ? 0u : 1u)
                << "pipe end at " << end.x << " " << end.y << " " << end.z;
        }
    }
}

// Every bore is stated and none is 0, and wherever two blocks meet at a point (an end, a
// branch), they meet at one bore.
void expectJointsShareBores(const pcf::File& f) {
    std::vector<std::pair<const pcf::Block*, pcf::Point>> points;
    for (const pcf::Block& b : f.blocks)
        for (const pcf::Point& p : b.joints()) {
            ASSERT_TRUE(p.bore) << b.identifier;
            EXPECT_GT(*p.bore, 0.0) << b.identifier << " at " << p.x << " " << p.y << " " << p.z;
            points.emplace_back(&b, p);
        }
    for (std::size_t i = 0; i < points.size(); ++i)
        for (std::size_t j = i + 1; j < points.size(); ++j) {
            const auto& [a, p] = points[i];
            const auto& [b, q] = points[j];
            if (a == b || pcf::distance(p, q) != 0.0) continue;
            EXPECT_EQ(p.bore, q.bore) << a->identifier << " meets " << b->identifier << " at " << p.x
                                      << " " << p.y << " " << p.z;
        }
}

// Whether a pipe piece runs along one axis: its ends differ in one coordinate only.
bool onAnAxis(const pcf::Block& pipe) {
    const pcf::Point& a = pipe.ends.at(0);
    const pcf::Point& b = pipe.ends.at(1);
    return (a.x != b.x) + (a.y != b.y) + (a.z != b.z) <= 1;
}

double length(const pcf::Point& a, const pcf::Point& b) {
    return pcf::distance(a, b);
}

// The centre-line length of everything written: pipes and in-line components end to end,
// elbows and tees through their centre points.
double centreLine(const pcf::File& f) {
    double total = 0.0;
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "SUPPORT" || b.identifier == "WELD") continue;
        if (b.centre) {
            for (const pcf::Point& p : b.joints()) total += length(p, *b.centre);
        } else if (b.ends.size() == 2) {
            total += length(b.ends[0], b.ends[1]);
        }
    }
    return total;
}

std::size_t count(const pcf::File& f, const std::string& identifier) {
    return static_cast<std::size_t>(
        std::count_if(f.blocks.begin(), f.blocks.end(),
                      [&](const pcf::Block& b) { return b.identifier == identifier; }));
}

std::unique_ptr<model::Document> openSample(model::AppContext& app, const char* name) {
    auto doc = model::Document::open(app, fs::path(TUBRA_SOURCE_DIR) / "examples" / name);
    EXPECT_TRUE(doc.ok()) << doc.message();
    return doc.ok() ? std::move(doc.value()) : nullptr;
}

}  // namespace

TEST(Pcf, BundledPipelineJoinsUpAndHasTheTablesTotals) {
    model::AppContext app;
    const auto doc = openSample(app, "pipeline.hcd");
    ASSERT_TRUE(doc);
    const model::Drawing& d = doc->drawing;
    const pcf::File f = exported(d);

    EXPECT_EQ(f.header.find("ISOGEN-FILES")->second, "ISOGEN.FLS");
    EXPECT_EQ(f.header.find("UNITS-BORE")->second, "MM");
    EXPECT_EQ(f.header.find("UNITS-CO-ORDS")->second, "MM");
    EXPECT_EQ(f.header.find("PIPELINE-REFERENCE")->second, "P-1102-150-B1A");  // 管线编号

    // The flange at the pump, the end flange and the cap close every end of the line.
    expectPipeEndsJoined(f);
    // The fittings' size texts are the program's initial φ100×10: they take their line's bore.
    expectJointsShareBores(f);

    const app::DrawingStatistics stats = app::countDrawing(d.objects);
    EXPECT_EQ(text::format("%-5.2f", centreLine(f) / 1000.0), stats.length);
    EXPECT_NEAR(centreLine(f), d.objects.totalPipeLength(), 0.5);
    EXPECT_EQ(count(f, "ELBOW"), static_cast<std::size_t>(stats.elbows));
    EXPECT_EQ(count(f, "TEE"), static_cast<std::size_t>(stats.tees));
    EXPECT_EQ(count(f, "VALVE"), static_cast<std::size_t>(stats.valves));
    EXPECT_EQ(count(f, "WELD"), static_cast<std::size_t>(stats.welds));

    // Weld numbers and materials go with their blocks.
    std::set<std::string> weldNumbers;
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier != "WELD") continue;
        weldNumbers.insert(b.get("COMPONENT-ATTRIBUTE5"));
        EXPECT_EQ(b.get("SKEY"), "WF");
        ASSERT_EQ(b.ends.size(), 2u);
        EXPECT_EQ(pcf::distance(b.ends[0], b.ends[1]), 0.0);
    }
    EXPECT_EQ(weldNumbers.size(), static_cast<std::size_t>(stats.welds));
    EXPECT_TRUE(weldNumbers.count("1") && weldNumbers.count("16"));
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "PIPE") {
            EXPECT_EQ(b.get("COMPONENT-ATTRIBUTE1"), "20#");
        }
    }
}

TEST(Pcf, RouteOfKnownGeometryComesOutAtItsPoints) {
    // East 3000, up 1500, north 2000, from a first point at 1.2 m; pipes φ159×6.
    Sketch s(1200.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kUp, 300, "1500");
    s.then(kNorth, 400, "2000");
    for (PipeObject& o : s.drawing().objects)
        if (o.is(ObjectKind::Pipe) || o.is(ObjectKind::Elbow) || o.is(ObjectKind::Weld))
            o.GuiGe = text::gbk("φ159×6");
    const pcf::File f = exported(s.drawing());

    struct Expected {
        const char* identifier;
        std::vector<std::array<double, 3>> ends;
        std::optional<std::array<double, 3>> centre;
    };
    // φ159 is DN150: elbows with legs of 1.5 × 150 = 225 mm.
    const Expected expected[] = {
        {"PIPE", {{0, 0, 1200}, {2775, 0, 1200}}, {}},
        {"ELBOW", {{2775, 0, 1200}, {3000, 0, 1425}}, std::array<double, 3>{3000, 0, 1200}},
        {"WELD", {{2775, 0, 1200}, {2775, 0, 1200}}, {}},
        {"WELD", {{3000, 0, 1425}, {3000, 0, 1425}}, {}},
        {"PIPE", {{3000, 0, 1425}, {3000, 0, 2475}}, {}},
        {"ELBOW", {{3000, 0, 2475}, {3000, 225, 2700}}, std::array<double, 3>{3000, 0, 2700}},
        {"WELD", {{3000, 0, 2475}, {3000, 0, 2475}}, {}},
        {"WELD", {{3000, 225, 2700}, {3000, 225, 2700}}, {}},
        {"PIPE", {{3000, 225, 2700}, {3000, 2000, 2700}}, {}},
    };
    ASSERT_EQ(f.blocks.size(), std::size(expected));
    for (std::size_t k = 0; k < f.blocks.size(); ++k) {
        SCOPED_TRACE(k);
        const pcf::Block& b = f.blocks[k];
        EXPECT_EQ(b.identifier, expected[k].identifier);
        ASSERT_EQ(b.ends.size(), expected[k].ends.size());
        for (std::size_t e = 0; e < b.ends.size(); ++e) {
            EXPECT_EQ(b.ends[e].x, expected[k].ends[e][0]);
            EXPECT_EQ(b.ends[e].y, expected[k].ends[e][1]);
            EXPECT_EQ(b.ends[e].z, expected[k].ends[e][2]);
            EXPECT_EQ(b.ends[e].bore, 150.0);
        }
        ASSERT_EQ(b.centre.has_value(), expected[k].centre.has_value());
        if (b.centre) {
            EXPECT_EQ(b.centre->x, (*expected[k].centre)[0]);
            EXPECT_EQ(b.centre->y, (*expected[k].centre)[1]);
            EXPECT_EQ(b.centre->z, (*expected[k].centre)[2]);
            EXPECT_EQ(b.get("SKEY"), "ELBW");
            EXPECT_EQ(b.get("ANGLE"), "");  // 90°
        }
    }
    expectPipeEndsJoined(f, {{0, 0, 1200, {}}, {3000, 2000, 2700, {}}});
    EXPECT_NEAR(centreLine(f), 6500.0, 1e-6);
}

TEST(Pcf, EveryKindIsWrittenAsItsComponentOrLeftOut) {
    Sketch s(0.0);
    s.segment({300, -1300, 0}, kEast, 400, "4000");
    s.then(kNorth, 400, "4000");
    s.then(kUp, 400, "4000");
    s.then(kWest, 400, "3000");
    s.then(kSouth, 400, "3000");
    s.then(kDown, 400, "3000");
    model::Drawing& d = s.drawing();
    std::vector<std::size_t> pipes;
    for (std::size_t i = 0; i < d.objects.size(); ++i)
        if (d.objects.at(i).is(ObjectKind::Pipe)) pipes.push_back(i);
    std::size_t k = 0;
    std::map<std::size_t, int> symbolAt;
    for (const model::SymbolRow& row : model::allSymbols()) {
        const model::SymbolCode code = row.code;
        const std::size_t pipe = pipes[k % 6];
        symbolAt[s.place(d.objects.at(pipe), 0.2 + 0.25 * static_cast<double>((k / 6) % 3),
                         static_cast<int>(code))] = static_cast<int>(code);
        ++k;
    }
    d.objects.addCopy(edit::makeCutLine(d.objects.at(pipes[0]),
                                        tubra::testing::middle(d.objects.at(pipes[0])),
                                        s.settings(), s.axes()));
    const pcf::File f = exported(d);

    // Which objects each block stands for, by the object number written with it.
    std::map<std::size_t, std::string> written;
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "PIPE") continue;
        written[static_cast<std::size_t>(std::stoul(b.get("COMPONENT-ATTRIBUTE10")))] =
            b.identifier;
    }
    const std::set<int> leftOut = {9,  10, 45, 38, 39,
                                   40, 41, 43, 44};  // gauges, 45° mark, site marks
    for (const auto& [index, code] : symbolAt) {
        SCOPED_TRACE(code);
        const auto it = written.find(index);
        if (leftOut.count(code)) {
            EXPECT_EQ(it, written.end());
            continue;
        }
        ASSERT_NE(it, written.end());
        const PipeObject& o = d.objects.at(index);
        const std::string want = o.is(ObjectKind::Valve)       ? "VALVE"
                                 : o.is(ObjectKind::Accessory) ? "SUPPORT"
                                 : code == 4                   ? "FLANGE"
                                 : code == 6 || code == 7      ? "REDUCER-CONCENTRIC"
                                 : code == 50                  ? "FLANGE-BLIND"
                                 : code == 53                  ? "FILTER"
                                 : code == 46 || code == 47    ? "CAP"
                                 : code == 11 || code == 25    ? "INSTRUMENT"
                                                               : "MISC-COMPONENT";
        EXPECT_EQ(it->second, want);
    }
    EXPECT_EQ(written.count(d.objects.size() - 1), 0u);  // the cut line
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "SUPPORT") {
            EXPECT_TRUE(b.coords && b.ends.empty());
        } else {
            EXPECT_EQ(b.ends.size(), 2u) << b.identifier;
        }
        if (b.identifier != "PIPE") {
            EXPECT_EQ(b.get("SKEY").size(), b.identifier == "WELD" ? 2u : 4u) << b.identifier;
        }
    }
    expectPipeEndsJoined(f, {{0, 0, 0, {}}, {1000, 1000, 1000, {}}});
    EXPECT_NEAR(centreLine(f), 21000.0, 0.5);
}

TEST(Pcf, AValveOfAnUnknownCodeIsLeftOutNamedAndItsPipeRunsOnThroughIt) {
    // No valve of another type stands in for it (a file read back would show that type).
    Sketch s(0.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    model::Drawing& d = s.drawing();
    const std::size_t valve = s.place(d.objects.at(0), 0.5, static_cast<int>(model::SymbolCode::GateValve));
    d.objects.at(valve).SubType = 99;
    const pcf::File f = exported(d);
    for (const pcf::Block& b : f.blocks) EXPECT_NE(b.identifier, "VALVE");
    expectPipeEndsJoined(f, {{0, 0, 0, {}}, {3000, 0, 0, {}}});
    EXPECT_NEAR(centreLine(f), 3000.0, 1e-6);
    EXPECT_EQ(exchange::pcfLeftOut(d), std::vector<std::size_t>{valve});
    // Known valves, fittings and supports are never named as left out.
    d.objects.at(valve).SubType = static_cast<int>(model::SymbolCode::GateValve);
    EXPECT_TRUE(exchange::pcfLeftOut(d).empty());
}

TEST(Pcf, BoresAreNominalFromTheSizeTextTheLineOrTheTable) {
    Sketch s(0.0, false);
    s.segment({300, -1300, 0}, kEast, 400, "4000");
    s.then(kEast, 400, "4000");
    s.then(kEast, 400, "4000");
    model::Drawing& d = s.drawing();
    d.objects.at(0).GuiGe = "DN80";
    d.objects.at(1).GuiGe = "";
    d.objects.at(2).GuiGe = text::gbk("φ89×4");
    const std::size_t large = s.place(d.objects.at(2), 0.3, 6);  // 大小头
    const std::size_t small = s.place(d.objects.at(2), 0.6, 7);  // 小大头
    d.objects.at(large).GuiGe = text::gbk("φ159×6-φ108×4");
    d.objects.at(small).GuiGe = text::gbk("φ159×6-φ108×4");

    auto boresOf = [](const pcf::File& f, const std::string& id) {
        std::vector<double> out;
        for (const pcf::Block& b : f.blocks)
            if (b.identifier == id)
                for (const pcf::Point& p : b.ends) out.push_back(p.bore.value_or(-1));
        return out;
    };
    pcf::File f = exported(d);
    const std::vector<double> pipes = boresOf(f, "PIPE");
    ASSERT_GE(pipes.size(), 6u);
    EXPECT_EQ(pipes[0], 80);  // DN80 as it stands
    EXPECT_EQ(pipes[2], 80);  // no size text: the line's, from the pipe before it
    EXPECT_EQ(pipes.back(), 80);  // φ89 is DN80
    // 大小头 from its large end, 小大头 from its small end, both in the pipe's direction; φ159 is
    // DN150, φ108 DN100.
    EXPECT_EQ(boresOf(f, "REDUCER-CONCENTRIC"), (std::vector<double>{150, 100, 100, 150}));

    // A line that states no size anywhere takes the table's 管线规格, else DN100; never 0.
    for (PipeObject& o : d.objects) o.GuiGe = "";
    EXPECT_EQ(boresOf(exported(d), "PIPE").front(), 100);
    d.table.values[17] = text::gbk("φ219×8");
    EXPECT_EQ(boresOf(exported(d), "PIPE").front(), 200);
}

TEST(Pcf, FittingsWithoutASizeOfTheirOwnMeetTheirLineAtItsBore) {
    // A φ159 main with a reducing tee to a φ89 branch; a plane-slanted segment (no size text)
    // and a segment drawn on from it. Elbows, the tee and welds keep the program's φ100×10.
    Sketch s(0.0);
    const PipeObject& main = s.segment({400, -1200, 0}, kEast, 1000, "8000");
    const Vec3 mid = tubra::testing::middle(main);
    s.then(kNorth, 400, "3000");
    const Vec3 end = s.end();
    s.play("command 2711\ndialog plane=东西南北 offsetA=300 offsetB=400\nanswer no\n" +
           text::format("click %.4f %.4f\n", end.x, end.y));
    s.play("command 2709\n");
    s.then(kEast, 300, "1500");  // drawn on from the slanted segment, without a size either
    s.play("command 2710\n");
    s.segment(mid, kSouth, 500, "3600", "answer yes\n");
    model::Drawing& d = s.drawing();
    for (PipeObject& o : d.objects) {
        if (!o.is(ObjectKind::Pipe) || model::directionCode(o.EndDir) == 6) continue;
        if (o.SubType == 1)
            o.GuiGe = text::gbk("φ89×4.5");
        else if (o.DistTxt.view() != "1500")
            o.GuiGe = text::gbk("φ159×6");
        else
            o.GuiGe = "";
    }
    std::size_t tee = 0;
    for (std::size_t i = 0; i < d.objects.size(); ++i)
        if (d.objects.at(i).is(ObjectKind::Tee)) tee = i;
    d.objects.at(tee).GuiGe = text::gbk("φ159×6-φ89×4.5");
    const pcf::File f = exported(d);
    expectJointsShareBores(f);
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "TEE") {
            ASSERT_TRUE(b.branch);
            EXPECT_EQ(b.branch->bore, 80.0);  // the branch's size, not the run's
            EXPECT_EQ(b.ends.at(0).bore, 150.0);
            EXPECT_EQ(b.ends.at(1).bore, 150.0);
        } else if (b.identifier == "ELBOW" || b.identifier == "PIPE") {
            for (const pcf::Point& p : b.ends)
                EXPECT_TRUE(p.bore == 150.0 || p.bore == 80.0) << b.identifier;
        }
    }
}

TEST(Pcf, PipelineReferenceFromNumberNameOrFile) {
    Sketch s(0.0, false);
    s.segment({300, -1300, 0}, kEast, 400, "4000");
    model::Drawing& d = s.drawing();
    exchange::PcfOptions options;
    options.fallbackReference = "feed-line";
    EXPECT_EQ(exported(d, options).header.find("PIPELINE-REFERENCE")->second, "feed-line");
    d.table.values[0] = text::gbk("原料油进料管线");
    EXPECT_EQ(exported(d, options).header.find("PIPELINE-REFERENCE")->second,
              text::gbk("原料油进料管线"));
    d.table.values[1] = "  P-1102-150  ";
    EXPECT_EQ(exported(d, options).header.find("PIPELINE-REFERENCE")->second, "P-1102-150");
}

TEST(Pcf, NumbersToATenthWithoutNegativeZero) {
    Sketch s(-0.04, false);
    s.segment({300, -1300, 0}, kWest, 400, "1234.56");
    s.then(kDown, 400, "0.04");
    const std::string text = exchange::pcfText(s.drawing(), spatial::buildRealModel(s.drawing()));
    // A coordinate: digits, a point and one digit; a bore: digits, perhaps a point and one digit.
    auto tenth = [](const std::string& t, bool bore) {
        std::size_t i = !bore && t.starts_with('-') ? 1 : 0;
        const std::size_t digits = t.find_first_not_of("0123456789", i);
        if (digits == i) return false;
        if (digits == std::string::npos) return bore;
        return t.size() == digits + 2 && t[digits] == '.' &&
               std::isdigit(static_cast<unsigned char>(t[digits + 1]));
    };
    std::size_t lines = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with("    ") ||
            (line.find("POINT") == std::string::npos && line.find("CO-ORDS") == std::string::npos))
            continue;
        ++lines;
        ASSERT_TRUE(line.ends_with("\r")) << line;
        std::istringstream words(line.substr(0, line.size() - 1));
        std::string key, word;
        std::vector<std::string> values;
        words >> key;
        while (words >> word) values.push_back(word);
        ASSERT_EQ(values.size(), key == "CENTRE-POINT" ? 3u : 4u) << line;
        for (std::size_t k = 0; k < values.size(); ++k)
            EXPECT_TRUE(tenth(values[k], k == 3)) << line;
        EXPECT_EQ(line.find("-0.0 "), std::string::npos) << line;
    }
    EXPECT_GT(lines, 0u);
    EXPECT_NE(text.find("    CENTRE-POINT -1234.6 0.0 0.0\r\n"), std::string::npos) << text;
}

TEST(Pcf, SavedWholeOverAnOldFileAndNeverIntoAMissingFolder) {
    Sketch s(0.0, false);
    s.segment({300, -1300, 0}, kEast, 400, "4000");
    const model::Drawing& d = s.drawing();
    const spatial::RealModel m = spatial::buildRealModel(d);
    const fs::path dir =
        fs::temp_directory_path() / ("tubra-pcf-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path out = dir / "line.pcf";
    ASSERT_TRUE(platform::writeFileAtomically(out, std::string(100000, 'x')).ok());
    ASSERT_TRUE(exchange::savePcf(out, d, m).ok());
    std::string back;
    ASSERT_TRUE(platform::readWholeFile(out, back).ok());
    EXPECT_EQ(back, exchange::pcfText(d, m));
    EXPECT_TRUE(exchange::savePcf(dir / "missing" / "line.pcf", d, m).failed());
    EXPECT_FALSE(fs::exists(dir / "missing"));
    fs::remove_all(dir);
}

TEST(Pcf, ALoopThatDoesNotCloseKeepsItsPipesOnTheirAxesAndMarksTheGap) {
    Sketch s(0.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kNorth, 300, "2000");
    s.then(kWest, 484, "3000");
    s.then(kSouth, 316, "1900");
    const model::Drawing& d = s.drawing();
    const spatial::RealModel m = spatial::buildRealModel(d);
    ASSERT_EQ(m.problems.size(), 1u);
    const pcf::File f = pcf::read(exchange::pcfText(d, m));
    std::vector<const pcf::Block*> messages;
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier == "PIPE") {
            EXPECT_TRUE(onAnAxis(b));
        }
        if (b.identifier == "MESSAGE-SQUARE") messages.push_back(&b);
    }
    ASSERT_EQ(messages.size(), 1u);
    ASSERT_TRUE(messages[0]->coords);
    const auto& gap = m.problems[0].gap->first;
    EXPECT_NEAR(messages[0]->coords->x, gap.x, 0.05);
    EXPECT_NEAR(messages[0]->coords->y, gap.y, 0.05);
    EXPECT_EQ(messages[0]->get("TEXT"), text::utf8ToGbk("闭合差：" + m.problems[0].message));
    expectJointsShareBores(f);
}

TEST(Pcf, AUTurnWritesNoElbowButAMessageWhereItTurns) {
    Sketch s(0.0);
    s.segment({400, -1200, 0}, kEast, 500, "3000");
    s.then(kWest, 300, "2000");
    const pcf::File f = exported(s.drawing());
    EXPECT_EQ(count(f, "ELBOW"), 0u);
    ASSERT_EQ(count(f, "MESSAGE-SQUARE"), 1u);
    for (const pcf::Block& b : f.blocks) {
        if (b.identifier != "MESSAGE-SQUARE") continue;
        EXPECT_EQ(b.coords->x, 3000.0);
        EXPECT_TRUE(b.get("TEXT").starts_with(text::utf8ToGbk("折返："))) << b.get("TEXT");
    }
    expectPipeEndsJoined(f, {{0, 0, 0, {}}, {1000, 0, 0, {}}});
}
