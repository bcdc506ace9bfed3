// The stall a recovery copy costs the window: the snapshot of a 40,000-object drawing after one
// object changed (and after every object changed), taken on the window's thread, against a full
// save of the same drawing (written to a file, as 保存 does) measured in the same run. The copy
// itself is written on another thread; its writing is measured too, for scale.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include "support/GeneratedDrawing.h"
#include "tubra/appcore/Recovery.h"
#include "tubra/model/Document.h"

using namespace tubra;

namespace {

constexpr int kObjects = 40000;

struct Fixture {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    std::filesystem::path dir;
    Fixture() {
        doc = std::make_unique<model::Document>(app);
        tubra::testing::generateDrawing(doc->drawing, {.objects = kObjects, .seed = 40});
        dir = std::filesystem::temp_directory_path() / ("tubra-bench-recovery-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir);
    }
    ~Fixture() { std::filesystem::remove_all(dir); }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_FullSaveBaseline(benchmark::State& state) {
    Fixture& f = fixture();
    const auto path = f.dir / "full.hcd";
    for (auto _ : state) {
        const auto r = f.doc->saveAs(path);
        if (r.failed()) state.SkipWithError(r.message().c_str());
    }
    state.counters["objects"] = static_cast<double>(f.doc->drawing.objects.size());
}
BENCHMARK(BM_FullSaveBaseline)->Unit(benchmark::kMillisecond);

// What the window waits for: one object edited, then the snapshot.
void BM_SnapshotAfterOneEdit(benchmark::State& state) {
    Fixture& f = fixture();
    app::SnapshotCache cache;
    cache.take(*f.doc);
    std::size_t i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        f.doc->drawing.objects.at(i++ % f.doc->drawing.objects.size()).Port1.x += 1.0;
        state.ResumeTiming();
        benchmark::DoNotOptimize(cache.take(*f.doc));
    }
    state.counters["written"] = static_cast<double>(cache.lastWritten());
}
BENCHMARK(BM_SnapshotAfterOneEdit)->Unit(benchmark::kMillisecond);

// The worst case: an edit that may have changed every object (a whole-drawing move).
void BM_SnapshotAfterWholeDrawingEdit(benchmark::State& state) {
    Fixture& f = fixture();
    app::SnapshotCache cache;
    cache.take(*f.doc);
    for (auto _ : state) {
        state.PauseTiming();
        f.doc->drawing.objects.touchAll();
        state.ResumeTiming();
        benchmark::DoNotOptimize(cache.take(*f.doc));
    }
}
BENCHMARK(BM_SnapshotAfterWholeDrawingEdit)->Unit(benchmark::kMillisecond);

// The other thread's part: the copy written to disk, atomically.
void BM_CopyWrittenOnTheWriterThread(benchmark::State& state) {
    Fixture& f = fixture();
    app::SnapshotCache cache;
    const auto snapshot = cache.take(*f.doc);
    app::RecoveryWriter writer;
    const auto path = f.dir / "copy.recovery";
    for (auto _ : state) {
        writer.write(path, {f.doc->path(), f.doc->title(), platform::now()}, snapshot);
        writer.flush();
    }
}
BENCHMARK(BM_CopyWrittenOnTheWriterThread)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
