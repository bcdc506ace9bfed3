// Listing a directory of 2,000 realistic drawings (reading the list fields of every file),
// against a baseline that reads the same files and counts the lines holding "TeXingBiao", as
// `grep -c TeXingBiao` does. The files stay in the page cache between runs.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "manager/core/ListFields.h"
#include "manager/core/Listing.h"
#include "manager_drawings.h"

namespace {

namespace fs = std::filesystem;

const fs::path& drawingDirectory() {
    static const fs::path dir = [] {
        const char* given = std::getenv("VESKO_BENCH_DIR");
        fs::path d = given ? fs::path(given) : fs::temp_directory_path() / "vesko-bench-2000";
        if (!fs::exists(d / "pipe-02000.hcd")) manager::bench::writeDrawingDirectory(d, 2000);
        return d;
    }();
    return dir;
}

std::int64_t directoryBytes() {
    std::int64_t n = 0;
    for (const auto& e : fs::directory_iterator(drawingDirectory())) n += static_cast<std::int64_t>(e.file_size());
    return n;
}

// What grep -c does: read each file and count the lines holding the word.
void BM_CountTableLinesBaseline(benchmark::State& state) {
    const fs::path dir = drawingDirectory();
    std::string buffer(1 << 16, '\0');
    constexpr std::string_view word = "TeXingBiao";
    for (auto _ : state) {
        long total = 0;
        for (const auto& e : fs::directory_iterator(dir)) {
            if (!manager::isDrawingFileName(e.path().filename().string())) continue;
            const int fd = ::open(e.path().c_str(), O_RDONLY | O_CLOEXEC);
            std::string data;
            for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;) data.append(buffer.data(), static_cast<std::size_t>(n));
            ::close(fd);
            for (std::size_t p = 0; (p = data.find(word, p)) != std::string::npos;) {
                ++total;
                p = data.find('\n', p);
                if (p == std::string::npos) break;
            }
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * directoryBytes());
}
BENCHMARK(BM_CountTableLinesBaseline)->Unit(benchmark::kMillisecond);

void BM_ListDirectory(benchmark::State& state) {
    const fs::path dir = drawingDirectory();
    for (auto _ : state) {
        manager::PipelineList list;
        if (manager::listDirectory(list, dir).failed()) state.SkipWithError("the directory cannot be read");
        benchmark::DoNotOptimize(list.rows.data());
    }
    state.SetBytesProcessed(state.iterations() * directoryBytes());
}
BENCHMARK(BM_ListDirectory)->Unit(benchmark::kMillisecond);

// The cost of reading drawings safely: the list fields of every file read with a plain open and
// read (which would wait for ever on a FIFO and read a device without end) against the
// manager's reader, which checks the type before opening and opens without waiting.
bool readUnguarded(const fs::path& path, std::string& buffer) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        ::close(fd);
        return false;
    }
    std::size_t size = 0;
    buffer.resize(static_cast<std::size_t>(st.st_size) + 1);
    for (;;) {
        if (size == buffer.size()) buffer.resize(buffer.size() * 2 + 4096);
        const ssize_t n = ::read(fd, buffer.data() + size, buffer.size() - size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        size += static_cast<std::size_t>(n);
    }
    ::close(fd);
    buffer.resize(size);
    return true;
}

template <bool Guarded>
void BM_ReadListFields(benchmark::State& state) {
    const fs::path dir = drawingDirectory();
    std::error_code ec;
    const std::vector<std::string> names = manager::drawingFileNames(dir, ec);
    std::string buffer;
    manager::ListCells cells;
    for (auto _ : state) {
        for (const std::string& name : names) {
            if constexpr (Guarded) {
                (void)manager::readListFieldsOfFile(dir / name, cells, buffer);
            } else if (readUnguarded(dir / name, buffer)) {
                manager::readListFields(buffer, cells);
            }
        }
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetBytesProcessed(state.iterations() * directoryBytes());
}
BENCHMARK(BM_ReadListFields<false>)->Name("BM_ReadListFieldsUnguarded")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadListFields<true>)->Name("BM_ReadListFields")->Unit(benchmark::kMillisecond);

}  // namespace
BENCHMARK_MAIN();
