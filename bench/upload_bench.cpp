// The Upload object reading and parsing request bodies, with its temporary files on tmpfs:
// (a) one 100 MB file, (b) 1,000 small fields; and the parse alone on 100 MiB of file data of
// three kinds (random bytes, '0' bytes, lines ending in CR LF), to show that the search for the
// delimiter does not depend on what the data holds.
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
