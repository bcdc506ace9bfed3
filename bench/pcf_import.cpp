// `tubra-cli import FILE.pcf -o OUT.hcd` of a generated piping component file of 5,000
// components, run as a process to its end, against `tubra-cli json OUT.hcd` of the drawing it
// makes, run the same way (the baseline: loading that drawing and printing all of it). Each
// process's peak memory is a counter. The in-process parts show where the time goes: reading
// the file, laying it out, and the whole import with its label placement.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "support/GeneratedPcf.h"
#include "tubra/appcore/ImportDocument.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/layout/PcfImport.h"

extern char** environ;

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
        tubra::app::ImportedDrawing d = tubra::app::importPcfDrawing(app, generatedPcf(), {});
        if (!d.document || !d.document->saveAs(p)) throw std::runtime_error("cannot import");
        return p;
    }();
    return path;
}

struct Run {
    double wall = 0;    // seconds from the start to the end of the process
    double cpu = 0;     // its user and system seconds
    double peakMb = 0;  // its largest resident set
};

Run runOnce(const std::vector<std::string>& args) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv{const_cast<char*>(TUBRA_CLI)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, TUBRA_CLI, &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start tubra-cli");
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    Run r;
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("tubra-cli failed");
    return r;
}

void runProcess(benchmark::State& state, const std::vector<std::string>& args) {
    double cpu = 0, peak = 0;
    for (auto _ : state) {
        const Run r = runOnce(args);
        state.SetIterationTime(r.wall);
        cpu += r.cpu;
        peak = std::max(peak, r.peakMb);
    }
    state.counters["process_cpu_ms"] =
        benchmark::Counter(cpu * 1000.0, benchmark::Counter::kAvgIterations);
    state.counters["peak_rss_mb"] = peak;
}

void BM_Json(benchmark::State& state) {
    runProcess(state, {"json", importedDrawing().string()});
}

void BM_Import(benchmark::State& state) {
    const fs::path out = fs::temp_directory_path() / "tubra-bench-import-5000-out.hcd";
    runProcess(state, {"import", generatedPcf().string(), "-o", out.string(), "--replace"});
}

std::string pcfBytes() {
    std::string bytes;
    if (platform::readWholeFile(generatedPcf(), bytes))
        throw std::runtime_error("cannot read the PCF");
    return bytes;
}

void BM_Read(benchmark::State& state) {
    const std::string bytes = pcfBytes();
    for (auto _ : state) {
        const auto r = tubra::exchange::readPcf(bytes);
        benchmark::DoNotOptimize(r.file.records.size());
    }
}

void BM_LayOut(benchmark::State& state) {
    const auto r = tubra::exchange::readPcf(pcfBytes());
    for (auto _ : state) {
        tubra::model::Drawing drawing;
        tubra::model::DrawingSettings settings;
        const auto result = tubra::layout::importPcf(r.file, {}, drawing, settings);
        benchmark::DoNotOptimize(drawing.objects.size());
    }
    state.counters["components"] = static_cast<double>(r.file.records.size());
}

void BM_WholeImport(benchmark::State& state) {
    for (auto _ : state) {
        tubra::model::AppContext app;
        tubra::app::ImportedDrawing d = tubra::app::importPcfDrawing(app, generatedPcf(), {});
        benchmark::DoNotOptimize(d.document.get());
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
