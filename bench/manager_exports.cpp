// The list of a directory of realistic drawings leaving the manager: as the tab-separated text
// (the baseline) and as an Excel workbook, each written to a file through the atomic replace.
// The directory is listed once, outside the timing, so only the exports are measured.
//
//   VESKO_BENCH_DIR   the drawings (default: 2,000 made in /tmp/vesko-bench-2000)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "manager/core/Exports.h"
#include "manager/core/Listing.h"
#include "common/Workbook.h"
#include "manager_drawings.h"
#include "platform/AtomicFile.h"

namespace {

namespace fs = std::filesystem;

const manager::PipelineList& listed(bool reportMode) {
    static manager::PipelineList lists[2];
    manager::PipelineList& list = lists[reportMode ? 1 : 0];
    if (list.rows.empty()) {
        const char* given = std::getenv("VESKO_BENCH_DIR");
        const fs::path dir = given ? fs::path(given) : fs::temp_directory_path() / "vesko-bench-2000";
        if (!given && !fs::exists(dir / "pipe-02000.hcd")) manager::bench::writeDrawingDirectory(dir, 2000);
        list.reportMode = reportMode;
        if (const auto read = manager::listDirectory(list, dir); read.failed()) {
            std::fprintf(stderr, "%s: %s\n", dir.c_str(), read.message().c_str());
            std::exit(1);
        }
    }
    return list;
}

fs::path output(const char* name) { return fs::temp_directory_path() / name; }

void BM_TextExport(benchmark::State& state) {
    const manager::PipelineList& list = listed(state.range(0) != 0);
    const fs::path out = output("vesko-bench-export.txt");
    for (auto _ : state) {
        if (platform::writeFileAtomically(out, manager::textExport(list)).failed()) state.SkipWithError("write failed");
    }
    state.counters["rows"] = list.size();
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
    fs::remove(out);
}
BENCHMARK(BM_TextExport)->Arg(0)->Arg(1)->ArgName("report")->Unit(benchmark::kMillisecond);

void BM_WorkbookExport(benchmark::State& state) {
    const manager::PipelineList& list = listed(state.range(0) != 0);
    const fs::path out = output("vesko-bench-export.xlsx");
    for (auto _ : state) {
        if (common::writeWorkbook(out, manager::listWorkbook(list)).failed()) state.SkipWithError("write failed");
    }
    state.counters["rows"] = list.size();
    state.counters["bytes"] = static_cast<double>(fs::file_size(out));
    fs::remove(out);
}
BENCHMARK(BM_WorkbookExport)->Arg(0)->Arg(1)->ArgName("report")->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
