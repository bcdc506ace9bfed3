// Load and save of a realistic drawing of 10,000 objects, against a baseline that only splits
// the same bytes into lines. Bytes per second are those of the file.
#include <benchmark/benchmark.h>

#include <string>

#include "support/GeneratedDrawing.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"

using namespace tubra::model;

namespace {

const std::string& fileBytes() {
    static const std::string bytes = [] {
        Drawing d;
        DrawingSettings s;
        tubra::testing::generateDrawing(d, {.objects = 10000, .seed = 2024});
        std::string out;
        writeDrawing(d, s, out);
        return out;
    }();
    return bytes;
}

void BM_SplitLinesBaseline(benchmark::State& state) {
    const std::string& data = fileBytes();
    for (auto _ : state) {
        LineReader in(data);
        std::string_view line;
        std::size_t n = 0;
        while (in.next(line)) n += line.size();
        benchmark::DoNotOptimize(n);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}
BENCHMARK(BM_SplitLinesBaseline)->Unit(benchmark::kMillisecond);

void BM_Load(benchmark::State& state) {
    const std::string& data = fileBytes();
    for (auto _ : state) {
        Drawing d;
        DrawingSettings s;
        VerbatimReportStore report;
        d.report = &report;
        readDrawing(data, d, s);
        benchmark::DoNotOptimize(d.objects.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
    state.counters["objects"] = 10000;
}
BENCHMARK(BM_Load)->Unit(benchmark::kMillisecond);

void BM_Save(benchmark::State& state) {
    const std::string& data = fileBytes();
    Drawing d;
    DrawingSettings s;
    readDrawing(data, d, s);
    std::string out;
    for (auto _ : state) {
        out.clear();
        writeDrawing(d, s, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}
BENCHMARK(BM_Save)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
