#include "manager_drawings.h"

#include <fstream>
#include <random>
#include <string>

#include "support/GeneratedDrawing.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/report/data/InspectionReport.h"

namespace manager::bench {

namespace fs = std::filesystem;

std::uintmax_t writeDrawingDirectory(const fs::path& dir, int count, std::uint32_t seed) {
    fs::create_directories(dir);
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    const char* names[] = {"丙烯进料线", "循环水回水线", "蒸汽伴热线", "原料油进料管线", "氮气吹扫线", "燃料气线"};
    const char* media[] = {"丙烯", "循环水", "蒸汽", "原料油", "氮气", "燃料气"};
    const char* places[] = {"泵P-101至反应器R-101", "罐区T-201，装置", "E-301至C-302", "管廊,装置边界"};
    const char* sizes[] = {"φ108×4", "φ89×4.5", "DN150", "57*3.5", "Φ219×8"};
    const char* people[] = {"张工", "李工", "王建国", "赵敏"};
    std::uintmax_t bytes = 0;
    for (int i = 0; i < count; ++i) {
        tubra::model::Drawing d;
        tubra::model::DrawingSettings s;
        tubra::testing::GeneratorOptions o;
        o.objects = 40 + pick(160);
        o.seed = seed * 100003u + static_cast<std::uint32_t>(i);
        o.fillTable = true;
        tubra::testing::generateDrawing(d, o);
        const int kind = pick(6);
        d.table.values[0] = text::utf8ToGbk(names[kind]);
        d.table.values[1] = text::format("P-%d-%03d-%s", 1000 + pick(50), i % 1000, pick(2) ? "B1A" : "A2");
        d.table.values[3] = text::utf8ToGbk(media[kind]);
        d.table.values[4] = text::format("%.1f", 0.4 + pick(40) / 10.0);
        d.table.values[5] = text::format("%d", 20 + pick(400));
        d.table.values[6] = text::utf8ToGbk(places[pick(4)]);
        d.table.values[17] = text::utf8ToGbk(sizes[pick(5)]);
        // Most listed lengths agree with the drawing; some were never updated.
        const double metres = d.objects.totalPipeLength() / 1000.0;
        d.table.values[9] = text::format("%.2f", pick(8) == 0 ? metres + 1.0 + pick(20) : metres);
        d.title.values[0] = text::utf8ToGbk(people[pick(4)]);
        d.title.values[1] = text::utf8ToGbk(people[pick(4)]);
        d.title.values[2] = text::format("DX-2024-%04d", i + 1);
        tubra::report::InspectionReport report;
        if (pick(3) == 0) {
            report.PrintSet_ReportData.flags[0] = 1;
            report.Face_ReportData.texts[3] = text::utf8ToGbk("常减压装置");
            report.Face_ReportData.texts[5] = d.table.values[1].view();
            for (int r = 0; r < 16; ++r) report.Mulu_ReportData.flags[static_cast<std::size_t>(r)] = pick(3) == 0;
            report.JieLun_ReportData.texts[11] = text::format("%d", 1 + pick(4));
            report.CeHou_ReportData.texts[0] = "CTS-30";
            for (int p = 0; p < 20; ++p)
                report.thicknessPoints.append({text::format("T%d", p + 1), 4.0f + static_cast<float>(pick(20)) / 10.0f});
        }
        d.report = &report;
        std::string out;
        tubra::model::writeDrawing(d, s, out);
        std::ofstream f(dir / text::format("pipe-%05d.hcd", i + 1), std::ios::binary | std::ios::trunc);
        f.write(out.data(), static_cast<std::streamsize>(out.size()));
        bytes += out.size();
    }
    return bytes;
}

}  // namespace manager::bench
