// `tubra-cli model FILE` and `tubra-cli export FILE --pcf OUT` on a generated drawing of about
// 5,000 objects, each run as a process to its end, against `tubra-cli json FILE` of the same
// drawing run the same way (the baseline: loading the drawing and printing all of it). The
// in-process parts show where the time goes: loading, the walk and the check, the PCF text.

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
#include "support/GeneratedDrawing.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/spatial/RealModel.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

const fs::path& generatedDrawing() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "tubra-bench-spatial-5000.hcd";
        tubra::model::AppContext app;
        tubra::model::Document doc(app);
        tubra::testing::generateDrawing(doc.drawing, {.objects = 5000, .seed = 7});
        doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
        if (!doc.saveAs(p)) throw std::runtime_error("cannot write " + p.string());
        return p;
    }();
    return path;
}

struct Run {
    double wall = 0;  // seconds from the start to the end of the process
    double cpu = 0;   // its user and system seconds
};

// Runs tubra-cli with `args`, standard output and error to /dev/null.
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
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("tubra-cli failed");
    return r;
}

// Wall time per run, and the process's own processor time (steadier on a busy machine).
void runProcess(benchmark::State& state, const std::vector<std::string>& args) {
    double cpu = 0;
    for (auto _ : state) {
        const Run r = runOnce(args);
        state.SetIterationTime(r.wall);
        cpu += r.cpu;
    }
    state.counters["process_cpu_ms"] =
        benchmark::Counter(cpu * 1000.0, benchmark::Counter::kAvgIterations);
}

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

std::string fileBytes() {
    std::string bytes;
    if (platform::readWholeFile(generatedDrawing(), bytes))
        throw std::runtime_error("cannot read the drawing");
    return bytes;
}

void BM_Load(benchmark::State& state) {
    const std::string bytes = fileBytes();
    for (auto _ : state) {
        Loaded l;
        l.drawing.report = &l.report;
        tubra::model::readDrawing(bytes, l.drawing, l.settings);
        benchmark::DoNotOptimize(l.drawing.objects.size());
    }
}

void BM_BuildRealModel(benchmark::State& state) {
    const std::string bytes = fileBytes();
    Loaded l;
    l.drawing.report = &l.report;
    tubra::model::readDrawing(bytes, l.drawing, l.settings);
    for (auto _ : state) {
        const auto m = tubra::spatial::buildRealModel(l.drawing);
        benchmark::DoNotOptimize(m.objects.size());
    }
    state.counters["objects"] = static_cast<double>(l.drawing.objects.size());
    state.counters["problems"] =
        static_cast<double>(tubra::spatial::buildRealModel(l.drawing).problems.size());
}

void BM_PcfText(benchmark::State& state) {
    const std::string bytes = fileBytes();
    Loaded l;
    l.drawing.report = &l.report;
    tubra::model::readDrawing(bytes, l.drawing, l.settings);
    const auto m = tubra::spatial::buildRealModel(l.drawing);
    for (auto _ : state) {
        const std::string text = tubra::exchange::pcfText(l.drawing, m);
        benchmark::DoNotOptimize(text.data());
    }
}

const int registered = [] {
    for (auto* b : {benchmark::RegisterBenchmark("cli/json_5000 (baseline)", BM_Json),
                    benchmark::RegisterBenchmark("cli/model_5000", BM_Model),
                    benchmark::RegisterBenchmark("cli/export_pcf_5000", BM_ExportPcf)})
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
    for (auto* b :
         {benchmark::RegisterBenchmark("in_process/load_5000", BM_Load),
          benchmark::RegisterBenchmark("in_process/build_real_model_5000", BM_BuildRealModel),
          benchmark::RegisterBenchmark("in_process/pcf_text_5000", BM_PcfText)})
        b->Unit(benchmark::kMillisecond);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
