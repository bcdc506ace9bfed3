// `tubra-cli model FILE` and `tubra-cli export FILE --pcf OUT` on a generated drawing of about
// 5,000 objects, and `model` on drawings of 5,000 to 50,000 pipes that are all parts of their
// own, each run as a process to its end, against `tubra-cli json FILE` of the same drawing run
// the same way (the baseline: loading the drawing and printing all of it). The in-process parts
// show where the time goes: loading, the walk and the check, the PCF text.

#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_process.h"
#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/spatial/RealModel.h"

namespace {

namespace fs = std::filesystem;

const fs::path& generatedDrawing() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "tubra-bench-spatial-5000.hcd";
        tubra::model::AppContext app;
        tubra::model::Document doc(app);
        tubra::testing::generateDrawing(doc.drawing, {.objects = 5000, .seed = 7});
        doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
        if (doc.saveAs(p).failed()) throw std::runtime_error("cannot write " + p.string());
        return p;
    }();
    return path;
}

// A drawing of `count` pipes that do not touch each other, at random places of an A3 sheet:
// every one is a part of its own, the case where the walk looks for the nearest known point
// once a part.
const fs::path& scatteredDrawing(int count) {
    static std::map<int, fs::path> paths;
    auto [it, fresh] = paths.try_emplace(count);
    if (!fresh) return it->second;
    it->second = fs::temp_directory_path() /
                 ("tubra-bench-spatial-scattered-" + std::to_string(count) + ".hcd");
    tubra::model::AppContext app;
    tubra::model::Document doc(app);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> x(150.0, 3950.0), y(-2750.0, -150.0);
    // East, north and up on the sheet at α = β = 30°.
    const double c = std::cos(30.0 * 3.14159255 / 180.0), sn = std::sin(30.0 * 3.14159255 / 180.0);
    const double steps[3][2] = {{c, -sn}, {c, sn}, {0.0, 1.0}};
    const int codes[3] = {2, 5, 0};
    for (int i = 0; i < count; ++i) {
        tubra::model::PipeObject p;
        p.MainType = 2;
        p.SubType = 0;
        const int k = i % 3;
        p.EndDir = codes[k];
        p.StrtDir = -1;
        p.Port1 = tubra::model::Vec3(x(rng), y(rng), 0.0);
        p.Port2 = tubra::model::Vec3(p.Port1.x + 12.0 * steps[k][0], p.Port1.y + 12.0 * steps[k][1],
                                     k == 2 ? 120.0 : 0.0);
        p.Distanc = 12.0;
        p.DistTxt = "120";
        doc.drawing.objects.addCopy(p);
    }
    doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
    if (doc.saveAs(it->second).failed()) throw std::runtime_error("cannot write " + it->second.string());
    return it->second;
}

using clibench::runProcess;

void BM_Json(benchmark::State& state) {
    runProcess(state, {"json", generatedDrawing().string()});
}
void BM_Model(benchmark::State& state) {
    runProcess(state, {"model", generatedDrawing().string()});
}
void BM_ExportPcf(benchmark::State& state) {
    const fs::path out = fs::temp_directory_path() / "tubra-bench-spatial-5000.pcf";
    runProcess(state, {"export", generatedDrawing().string(), "--pcf", out.string()});
}

struct Loaded {
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::model::VerbatimReportStore report;
};

void load(const std::string& bytes, Loaded& l) {
    l.drawing.report = &l.report;
    tubra::model::readDrawing(bytes, l.drawing, l.settings);
}

std::string fileBytes() {
    std::string bytes;
    if (platform::readWholeFile(generatedDrawing(), bytes).failed())
        throw std::runtime_error("cannot read the drawing");
    return bytes;
}

void BM_Load(benchmark::State& state) {
    const std::string bytes = fileBytes();
    for (auto _ : state) {
        Loaded l;
        load(bytes, l);
        benchmark::DoNotOptimize(l.drawing.objects.size());
    }
}

void BM_BuildRealModel(benchmark::State& state) {
    Loaded l;
    load(fileBytes(), l);
    for (auto _ : state) {
        const auto m = tubra::spatial::buildRealModel(l.drawing);
        benchmark::DoNotOptimize(m.objects.size());
    }
    state.counters["objects"] = static_cast<double>(l.drawing.objects.size());
    state.counters["problems"] =
        static_cast<double>(tubra::spatial::buildRealModel(l.drawing).problems.size());
}

void BM_BuildRealModelScattered(benchmark::State& state) {
    std::string bytes;
    if (platform::readWholeFile(scatteredDrawing(static_cast<int>(state.range(0))), bytes).failed())
        throw std::runtime_error("cannot read the drawing");
    Loaded l;
    load(bytes, l);
    for (auto _ : state) {
        const auto m = tubra::spatial::buildRealModel(l.drawing);
        benchmark::DoNotOptimize(m.objects.size());
    }
}

void BM_PcfText(benchmark::State& state) {
    Loaded l;
    load(fileBytes(), l);
    const auto m = tubra::spatial::buildRealModel(l.drawing);
    for (auto _ : state) {
        const std::string text = tubra::exchange::pcfText(l.drawing, m);
        benchmark::DoNotOptimize(text.data());
    }
}

void BM_JsonScattered(benchmark::State& state) {
    runProcess(state, {"json", scatteredDrawing(static_cast<int>(state.range(0))).string()});
}
void BM_ModelScattered(benchmark::State& state) {
    runProcess(state, {"model", scatteredDrawing(static_cast<int>(state.range(0))).string()});
}

const int registered = [] {
    for (auto* b : {benchmark::RegisterBenchmark("cli/json_5000 (baseline)", BM_Json),
                    benchmark::RegisterBenchmark("cli/model_5000", BM_Model),
                    benchmark::RegisterBenchmark("cli/export_pcf_5000", BM_ExportPcf)})
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
    // Parts not connected: `model` within twice the time of `json` of the same file.
    for (auto* b : {benchmark::RegisterBenchmark("cli/json_scattered (baseline)", BM_JsonScattered),
                    benchmark::RegisterBenchmark("cli/model_scattered", BM_ModelScattered)})
        b->UseManualTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3)
            ->Arg(5000)
            ->Arg(20000)
            ->Arg(50000);
    for (auto* b :
         {benchmark::RegisterBenchmark("in_process/load_5000", BM_Load),
          benchmark::RegisterBenchmark("in_process/build_real_model_5000", BM_BuildRealModel),
          benchmark::RegisterBenchmark("in_process/pcf_text_5000", BM_PcfText)})
        b->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("in_process/build_real_model_scattered",
                                 BM_BuildRealModelScattered)
        ->Unit(benchmark::kMillisecond)
        ->Arg(5000)
        ->Arg(50000);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
