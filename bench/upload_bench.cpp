// The Upload object reading and parsing request bodies, with its temporary files on tmpfs:
// (a) one 100 MB file, (b) 1,000 small fields; the parse alone on 100 MiB of file data of
// three kinds (random bytes, '0' bytes, lines ending in CR LF); and whole uploads of 64 MiB
// whose data is made to cost the most (near misses of the delimiter and of the name marker)
// against random data of the same size, to show that what a body holds does not change what
// it costs.
//
//   bench_upload --write-bodies DIR   writes the bodies (and their boundary) for other parsers
//   KAVELUP_BENCH_TEMP=/dev/shm       folder for temporary files (the default)

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <string.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "upload/Multipart.h"
#include "upload/PosixHost.h"
#include "upload/Upload.h"

namespace {

using namespace kavelup;

constexpr std::string_view kBoundary = "------------------------9f1c3b5a7e2d4c60";
constexpr std::size_t kBigFileBytes = 100u << 20;
constexpr int kFieldCount = 1000;

// Reads from a body held elsewhere, copying it as a web server's request would.
class ViewRequest : public Request {
public:
    explicit ViewRequest(std::string_view body) : body_(body) {}
    std::int64_t totalBytes() override { return static_cast<std::int64_t>(body_.size()); }
    std::size_t binaryRead(char* buffer, std::size_t count) override {
        const std::size_t n = std::min(count, body_.size() - read_);
        std::memcpy(buffer, body_.data() + read_, n);
        read_ += n;
        return n;
    }

private:
    std::string_view body_;
    std::size_t read_ = 0;
};

std::string part(std::string_view disposition, std::string_view content) {
    std::string s = "--";
    s.append(kBoundary).append("\r\nContent-Disposition: form-data; ").append(disposition);
    s.append("\r\n\r\n").append(content).append("\r\n");
    return s;
}

std::string randomContent() {
    std::string content(kBigFileBytes, '\0');
    std::uint64_t x = 0x9E3779B97F4A7C15ull;  // xorshift: incompressible, fixed
    for (std::size_t i = 0; i + 8 <= content.size(); i += 8) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        std::memcpy(&content[i], &x, 8);
    }
    return content;
}

// Short lines of text and dashes, a CR in every fourth byte: the data a search that stops at
// every CR or every "--" finds hardest.
std::string crlfContent() {
    std::string content;
    content.reserve(kBigFileBytes);
    while (content.size() + 8 <= kBigFileBytes) content += "--\r\n-a\r\n";
    content.resize(kBigFileBytes, '-');
    return content;
}

std::string fileBody(const std::string& content) {
    return part("name=\"upfile\"; filename=\"big.bin\"\r\nContent-Type: application/octet-stream",
                content) +
           "--" + std::string(kBoundary) + "--\r\n";
}

std::string bigFileBody() { return fileBody(randomContent()); }

std::string fieldsBody() {
    std::string body;
    for (int i = 0; i < kFieldCount; ++i) {
        char name[32], value[64];
        std::snprintf(name, sizeof name, "name=\"field%04d\"", i);
        std::snprintf(value, sizeof value, "value of field %d, plain text", i);
        body += part(name, value);
    }
    return body + "--" + std::string(kBoundary) + "--\r\n";
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// Bodies from KAVELUP_BENCH_BODIES when given (so every parser sees the same bytes).
const std::string& body(const char* name) {
    static const std::string big = [] {
        const char* dir = std::getenv("KAVELUP_BENCH_BODIES");
        return dir ? readFile(std::filesystem::path(dir) / "big.body") : bigFileBody();
    }();
    static const std::string fields = [] {
        const char* dir = std::getenv("KAVELUP_BENCH_BODIES");
        return dir ? readFile(std::filesystem::path(dir) / "fields.body") : fieldsBody();
    }();
    return std::strcmp(name, "big") == 0 ? big : fields;
}

class TempFolder {
public:
    TempFolder() {
        const char* base = std::getenv("KAVELUP_BENCH_TEMP");
        std::string tmpl = std::string(base ? base : "/dev/shm") + "/kavelup-bench-XXXXXX";
        if (!mkdtemp(tmpl.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        path_ = tmpl;
    }
    ~TempFolder() { std::filesystem::remove_all(path_); }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// One page per iteration; only upload() is timed: reading the body from the request, parsing
// it and writing the temporary files. Starting and ending the page (which deletes the temporary
// files) and freeing the object are not.
void pages(benchmark::State& state, const std::string& body, std::int64_t parts) {
    TempFolder temp;
    PosixFileSystem fs(temp.path());
    FixedSession session("bench");
    for (auto _ : state) {
        state.PauseTiming();
        {
            ViewRequest request(body);
            Upload up;
            up.onStartPage({&request, &session, &fs});
            state.ResumeTiming();
            up.upload();
            state.PauseTiming();
            if (up.count() != parts || !up.errorList().empty())
                state.SkipWithError(up.errors().c_str());
            up.onEndPage();
        }
        state.ResumeTiming();
    }
}

void BM_UploadBigFile(benchmark::State& state) {
    const std::string& b = body("big");
    pages(state, b, 1);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}
BENCHMARK(BM_UploadBigFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_UploadSmallFields(benchmark::State& state) {
    const std::string& b = body("fields");
    pages(state, b, kFieldCount);
    state.SetItemsProcessed(state.iterations() * kFieldCount);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}
BENCHMARK(BM_UploadSmallFields)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(2.0);

// The parse alone, without reading the request or writing the temporary file: almost all of it
// is the search for the delimiter that ends the file.
void parseOnly(benchmark::State& state, const std::string& b) {
    for (auto _ : state) {
        const ParseResult r = parseMultipart(b, CodePage::Gbk);
        if (r.parts.size() != 1 || !r.failures.empty()) state.SkipWithError("parse failed");
        benchmark::DoNotOptimize(r);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}

void BM_ParseOnlyBigFile(benchmark::State& state) { parseOnly(state, body("big")); }
BENCHMARK(BM_ParseOnlyBigFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseOnlyZeros(benchmark::State& state) {
    static const std::string b = fileBody(std::string(kBigFileBytes, '0'));
    parseOnly(state, b);
}
BENCHMARK(BM_ParseOnlyZeros)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ParseOnlyCrLf(benchmark::State& state) {
    static const std::string b = fileBody(crlfContent());
    parseOnly(state, b);
}
BENCHMARK(BM_ParseOnlyCrLf)->Unit(benchmark::kMillisecond)->UseRealTime();

// The baseline: glibc's memmem looking for the boundary line in the same bodies, as the parse
// once did. Its speed depends on the data.
void memmemOnly(benchmark::State& state, const std::string& b) {
    const std::string delimiter = "--" + std::string(kBoundary);
    for (auto _ : state) {
        const void* hit = memmem(b.data() + 1, b.size() - 1, delimiter.data(), delimiter.size());
        if (!hit) state.SkipWithError("no delimiter");
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}
void BM_MemmemBigFile(benchmark::State& state) { memmemOnly(state, body("big")); }
BENCHMARK(BM_MemmemBigFile)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_MemmemZeros(benchmark::State& state) {
    static const std::string b = fileBody(std::string(kBigFileBytes, '0'));
    memmemOnly(state, b);
}
BENCHMARK(BM_MemmemZeros)->Unit(benchmark::kMillisecond)->UseRealTime();
void BM_MemmemCrLf(benchmark::State& state) {
    static const std::string b = fileBody(crlfContent());
    memmemOnly(state, b);
}
BENCHMARK(BM_MemmemCrLf)->Unit(benchmark::kMillisecond)->UseRealTime();

// Bodies of 64 MiB, read back from their temporary file 256 KiB at a time as every body over
// 8 MiB is. The hostile ones: the delimiter's text again and again with a wrong byte after it
// (with the shortest boundary, "--", and with one of 32 characters); CR and the boundary's last
// byte in turn, which a search for the delimiter's first and last byte alone meets at every
// other position; "; " over and over, the start of the name marker. Compare each with random.
constexpr std::size_t kHostileBytes = 64u << 20;
constexpr std::string_view kLongBoundary = "0123456789abcdefghijklmnopqrstuv";

std::string repeated(std::string_view unit) {
    std::string s;
    s.reserve(kHostileBytes + unit.size());
    while (s.size() < kHostileBytes) s.append(unit);
    s.resize(kHostileBytes);
    return s;
}

std::string hostileBody(std::string_view boundary, const std::string& content) {
    const std::string line = "--" + std::string(boundary);
    return line + "\r\nContent-Disposition: form-data; name=\"upfile\"; filename=\"h.bin\"\r\n\r\n" +
           content + "\r\n" + line + "--\r\n";
}

const std::string& hostile(int kind) {
    static const std::string bodies[] = {
        hostileBody(kBoundary, randomContent().substr(0, kHostileBytes)),
        hostileBody("--", repeated("\r\n----X")),
        hostileBody(kLongBoundary, repeated("\r\n--" + std::string(kLongBoundary) + "X")),
        hostileBody(kLongBoundary, repeated("\rv")),
        hostileBody(kBoundary, repeated("; ")),
    };
    return bodies[kind];
}

void BM_Upload64MiB(benchmark::State& state, int kind) {
    const std::string& b = hostile(kind);
    pages(state, b, 1);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(b.size()));
}
BENCHMARK_CAPTURE(BM_Upload64MiB, random_baseline, 0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Upload64MiB, delimiter_near_misses_boundary_2, 1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Upload64MiB, delimiter_near_misses_boundary_32, 2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK_CAPTURE(BM_Upload64MiB, cr_and_last_byte, 3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_Upload64MiB, name_marker_starts, 4)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--write-bodies") == 0) {
        const std::filesystem::path dir = argv[2];
        std::ofstream(dir / "big.body", std::ios::binary) << bigFileBody();
        std::ofstream(dir / "fields.body", std::ios::binary) << fieldsBody();
        std::ofstream(dir / "boundary") << kBoundary;
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
