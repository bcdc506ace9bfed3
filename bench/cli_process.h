#pragma once
// tubra-cli run as a process to its end, for the benchmarks that time whole commands: wall time,
// the process's own processor time (steadier on a busy machine) and its peak memory. The
// including target defines TUBRA_CLI, the program's path.

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace clibench {

struct Run {
    double wall = 0;    // seconds from the start to the end of the process
    double cpu = 0;     // its user and system seconds
    double peakMb = 0;  // its largest resident set
};

// Runs tubra-cli with `args`, standard output and error to /dev/null.
inline Run runOnce(const std::vector<std::string>& args) {
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

// Wall time per run as the iteration time; processor time and peak memory as counters.
inline void runProcess(benchmark::State& state, const std::vector<std::string>& args) {
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

}  // namespace clibench
