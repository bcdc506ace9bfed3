// `tubra-cli import FILE.pcf -o OUT.hcd` of a generated piping component file of 5,000
// components, run as a process to its end, against `tubra-cli json OUT.hcd` of the drawing it
// makes, run the same way (the baseline: loading that drawing and printing all of it). Each
// process's peak memory is a counter. The in-process parts show where the time goes: reading
// the file, laying it out, and the whole import with its label placement.

#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "cli_process.h"
#include "platform/AtomicFile.h"
#include "support/GeneratedPcf.h"
#include "tubra/appcore/ImportDocument.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/layout/PcfImport.h"

namespace {

namespace fs = std::filesystem;

const fs::path& generatedPcf() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "tubra-bench-import-5000.pcf";
        const std::string text = tubra::testing::generatePcf({.components = 5000, .seed = 7});
        if (platform::writeFileAtomically(p, text).failed())
            throw std::runtime_error("cannot write " + p.string());
        return p;
    }();
    return path;
}

// The drawing the import makes (for the baseline).
const fs::path& importedDrawing() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "tubra-bench-import-5000.hcd";
        tubra::model::AppContext app;
        auto d = tubra::app::importPcfDrawing(app, generatedPcf(), {});
        if (d.failed() || d->document->saveAs(p).failed()) throw std::runtime_error("cannot import");
        return p;
    }();
    return path;
}

using clibench::runProcess;

void BM_Json(benchmark::State& state) {
    runProcess(state, {"json", importedDrawing().string()});
}

void BM_Import(benchmark::State& state) {
    const fs::path out = fs::temp_directory_path() / "tubra-bench-import-5000-out.hcd";
    runProcess(state, {"import", generatedPcf().string(), "-o", out.string(), "--replace"});
}

std::string pcfBytes() {
    std::string bytes;
    if (platform::readWholeFile(generatedPcf(), bytes).failed())
        throw std::runtime_error("cannot read the PCF");
    return bytes;
}

void BM_Read(benchmark::State& state) {
    const std::string bytes = pcfBytes();
    for (auto _ : state) {
        const auto r = tubra::exchange::readPcf(bytes);
        benchmark::DoNotOptimize(r.value().records.size());
    }
}

void BM_LayOut(benchmark::State& state) {
    const auto r = tubra::exchange::readPcf(pcfBytes());
    for (auto _ : state) {
        tubra::model::Drawing drawing;
        tubra::model::DrawingSettings settings;
        const auto warnings = tubra::layout::importPcf(r.value(), {}, drawing, settings);
        benchmark::DoNotOptimize(drawing.objects.size());
    }
    state.counters["components"] = static_cast<double>(r.value().records.size());
}

void BM_WholeImport(benchmark::State& state) {
    for (auto _ : state) {
        tubra::model::AppContext app;
        auto d = tubra::app::importPcfDrawing(app, generatedPcf(), {});
        benchmark::DoNotOptimize(d->document.get());
    }
}

const int registered = [] {
    for (auto* b : {benchmark::RegisterBenchmark("cli/json_5000 (baseline)", BM_Json),
                    benchmark::RegisterBenchmark("cli/import_5000", BM_Import)})
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);
    for (auto* b : {benchmark::RegisterBenchmark("in_process/read_5000", BM_Read),
                    benchmark::RegisterBenchmark("in_process/lay_out_5000", BM_LayOut),
                    benchmark::RegisterBenchmark("in_process/whole_import_5000", BM_WholeImport)})
        b->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
