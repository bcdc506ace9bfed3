// vesko-test-directory DIR: a directory of drawings for the export tests that run vesko-cli
// from a script. Realistic generated pipelines (some with reports, some whose listed length
// was never updated) and drawings whose table values are what spreadsheets get wrong: numbers
// with trailing zeros, leading zeros, dates with a point, ranges, texts at the 59-byte limit,
// commas and quotes, bytes that are no GBK, control characters.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/GeneratedDrawing.h"
#include "support/ManagerFixtures.h"
#include "text/CFormat.h"
#include "tubra/model/DrawingFile.h"

using namespace manager::testing;

namespace {

void save(const std::filesystem::path& path, const std::string& data) { writeFile(path, data); }

std::string generated(int i) {
    tubra::model::Drawing d;
    tubra::model::DrawingSettings s;
    tubra::testing::GeneratorOptions o;
    o.objects = 30 + (i * 37) % 90;
    o.seed = 7u + static_cast<std::uint32_t>(i);
    o.fillTable = true;
    tubra::testing::generateDrawing(d, o);
    const double metres = d.objects.totalPipeLength() / 1000.0;
    // Every fifth listed length was never updated after the drawing changed.
    d.table.values[9] = text::format("%.2f", i % 5 == 0 ? metres + 2.5 : metres);
    d.table.values[4] = text::format("%.2f", 0.5 + i * 0.05);
    d.title.values[2] = text::format("DX-%04d", i);
    tubra::report::InspectionReport report;
    if (i % 3 == 0) {
        report.Face_ReportData.texts[3] = g("常减压装置");
        for (int r = 0; r < 16; ++r) report.Mulu_ReportData.flags[static_cast<std::size_t>(r)] = (r + i) % 3 == 0;
        report.JieLun_ReportData.texts[11] = text::format("%d", 1 + i % 4);
    }
    d.report = &report;
    std::string out;
    tubra::model::writeDrawing(d, s, out);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: vesko-test-directory DIR\n");
        return 2;
    }
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    for (int i = 1; i <= 24; ++i) save(dir / text::format("gen-%02d.hcd", i), generated(i));

    // Table rows: name, number, category, medium, pressure, temperature, start-end, insulation,
    // in service, length, (6 counts), material, size.
    struct Edge {
        const char* file;
        DrawingRecipe recipe;
    };
    const Edge edges[] = {
        {"edge-a.hcd", {{"丙烯线", "007", "GC2", "丙烯", "1.60", "-20", "泵P-101至反应器R-101", "岩棉,50mm",
                         "2003.10", "12.50", "", "", "", "", "", "", "20#", "φ108×4.5"},
                        {"张工", "李工", "0012", "2024.01", "2024.02", "图,名", "旧\"图\""}}},
        {"edge-b.hcd", {{"循环水线", "1234567890123456", "GC3", "水", "2.5MPa", "常温", "罐区，装置边界",
                         "", "", "1e3", "", "", "", "", "", "", "", "DN150"},
                        {}}},
        {"edge-c.hcd", {{"很长的管线名称很长的管线名称很长的管线名称很长的管线名称很长", "P-3", "", "",
                         "0.05", "-20~150", "E-301,C-302", "", "", "0", "", "", "", "", "", "", "",
                         "57*3.5"},
                        {"赵敏"}}},
        {"edge-d.hcd", {{}, {}}},
        {"edge-e.hcd", {{"氮气线", "-5", "", "", "007", "100", "A至B至C", "", "", "3", "", "", "", "", "", "",
                         "", "Φ219×8"},
                        {"BADBYTES", "CONTROL"}}},
    };
    for (const Edge& e : edges) {
        std::string text = drawingText(e.recipe);
        // Raw bytes the model's texts could not be written with.
        for (const auto& [mark, bytes] : {std::pair<std::string, std::string>{"BADBYTES", "a\x81\x7f" "b"},
                                          {"CONTROL", "x\x01y\x0bz"}}) {
            const std::size_t at = text.find(mark);
            if (at != std::string::npos) text.replace(at, mark.size(), bytes);
        }
        save(dir / e.file, text);
    }
    std::printf("%s\n", dir.c_str());
    return 0;
}
