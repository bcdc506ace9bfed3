// Start-up of `tubra`: the wall time from starting the process to its first finished paint of
// a drawing (the program says "first-paint" on standard output under TUBRA_STARTUP_PROBE and
// ends), for the bundled pipeline sample and a generated 5,000-object drawing, against a bare
// Qt window program started the same way.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Starts `program` with `args`, waits for its "first-paint" line and its end; returns the
// seconds from the start to the line.
double secondsToFirstPaint(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe(out) != 0) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start " + program);
    ::close(out[1]);
    std::string seen;
    char buf[256];
    double seconds = -1;
    ssize_t n;
    while ((n = ::read(out[0], buf, sizeof buf)) > 0) {
        seen.append(buf, static_cast<std::size_t>(n));
        if (seconds < 0 && seen.find("first-paint") != std::string::npos)
            seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (seconds < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error(program + " did not report its first paint");
    return seconds;
}

const fs::path& generatedDrawing() {
    static const fs::path path = [] {
        const fs::path p = fs::temp_directory_path() / "tubra-bench-startup-5000.hcd";
        tubra::model::AppContext app;
        tubra::model::Document doc(app);
        tubra::testing::GeneratorOptions options;
        options.objects = 5000;
        options.seed = 7;
        tubra::testing::generateDrawing(doc.drawing, options);
        doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
        if (doc.saveAs(p).failed()) throw std::runtime_error("cannot write " + p.string());
        return p;
    }();
    return path;
}

void run(benchmark::State& state, const std::string& program, const std::vector<std::string>& args) {
    for (auto _ : state) state.SetIterationTime(secondsToFirstPaint(program, args));
}

void BM_BareQtWindow(benchmark::State& state) { run(state, BARE_PROGRAM, {}); }
void BM_TubraPipelineSample(benchmark::State& state) { run(state, TUBRA_PROGRAM, {PIPELINE_SAMPLE}); }
void BM_TubraGenerated5000(benchmark::State& state) {
    run(state, TUBRA_PROGRAM, {generatedDrawing().string()});
}

void environment() {
    setenv("TUBRA_STARTUP_PROBE", "1", 1);
    // The program's settings (bar layout, recent files) go to a scratch place.
    static const std::string config = (fs::temp_directory_path() / "tubra-bench-startup-config").string();
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

const int registered = [] {
    environment();
    for (auto* b : {benchmark::RegisterBenchmark("startup/bare_qt_window", BM_BareQtWindow),
                    benchmark::RegisterBenchmark("startup/tubra_pipeline_sample", BM_TubraPipelineSample),
                    benchmark::RegisterBenchmark("startup/tubra_5000_objects", BM_TubraGenerated5000)})
        b->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
    return 0;
}();

}  // namespace

BENCHMARK_MAIN();
