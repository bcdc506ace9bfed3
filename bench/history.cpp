// The undo history on a generated 40,000-object drawing.
//
// - BM_SingleObjectSteps: 200 edits of one object each, each committed as a step. Counters: the
//   heap the 200 steps take (malloc's own count) and the history's own count, against the heap
//   the drawing itself takes (the baseline: what a step copying the drawing would cost).
// - BM_CopyCommit / BM_CopyUndoRedo: a copy of 1,000 objects committed, then undone and redone,
//   against saving the drawing to memory (BM_SaveBaseline), which every user waits for now and
//   then.

#include <malloc.h>

#include <memory>

#include <benchmark/benchmark.h>

#include "platform/Prompter.h"
#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"

namespace {

using namespace tubra;

constexpr int kObjects = 40000;

// What the program holds of the heap, the large blocks malloc maps on their own included.
std::size_t heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

struct Fixture {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    std::size_t drawingHeap = 0;
    platform::DefaultAnswerPrompter prompter;

    Fixture() {
        const std::size_t before = heapInUse();
        doc = std::make_unique<model::Document>(app);
        testing::generateDrawing(doc->drawing, {.objects = kObjects, .seed = 11});
        drawingHeap = heapInUse() - before;
        doc->resetHistory();
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

void BM_SingleObjectSteps(benchmark::State& state) {
    Fixture& f = fixture();
    model::Document& doc = *f.doc;
    const std::size_t n = doc.drawing.objects.size();
    std::size_t grown = 0, counted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        doc.resetHistory();
        state.ResumeTiming();
        const std::size_t before = heapInUse();
        for (int i = 0; i < 200; ++i) {
            model::PipeObject& o = doc.drawing.objects.at(static_cast<std::size_t>(i) * 197 % n);
            o.Port1.x += 1;
            doc.commit("移动对象", model::Document::Reach::Drawing, f.prompter);
        }
        grown = heapInUse() - before;
        counted = doc.history().bytes();
        state.PauseTiming();
        for (int i = 0; i < 200; ++i) doc.undo();
        state.ResumeTiming();
    }
    state.counters["objects"] = static_cast<double>(n);
    state.counters["heap_200_steps_kB"] = static_cast<double>(grown) / 1024.0;
    state.counters["history_200_steps_kB"] = static_cast<double>(counted) / 1024.0;
    state.counters["drawing_heap_kB"] = static_cast<double>(f.drawingHeap) / 1024.0;
    state.counters["objects_bytes_kB"] =
        static_cast<double>(n * sizeof(model::PipeObject)) / 1024.0;
    state.counters["steps_per_drawing_copy"] =
        grown > 0 ? 200.0 * static_cast<double>(f.drawingHeap) / static_cast<double>(grown) : 0.0;
}
BENCHMARK(BM_SingleObjectSteps)->Unit(benchmark::kMillisecond)->Iterations(3);

void copyThousand(model::Document& doc) {
    for (std::size_t i = 0; i < 1000; ++i)
        doc.drawing.objects.addCopy(std::as_const(doc.drawing.objects).at(i * 7));
}

void BM_CopyCommit(benchmark::State& state) {
    Fixture& f = fixture();
    model::Document& doc = *f.doc;
    for (auto _ : state) {
        state.PauseTiming();
        copyThousand(doc);
        state.ResumeTiming();
        doc.commit("复制对象", model::Document::Reach::Drawing, f.prompter);
        state.PauseTiming();
        doc.undo();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CopyCommit)->Unit(benchmark::kMillisecond);

void BM_CopyUndoRedo(benchmark::State& state) {
    Fixture& f = fixture();
    model::Document& doc = *f.doc;
    copyThousand(doc);
    doc.commit("复制对象", model::Document::Reach::Drawing, f.prompter);
    for (auto _ : state) {
        doc.undo();
        doc.redo();
    }
    doc.undo();
}
BENCHMARK(BM_CopyUndoRedo)->Unit(benchmark::kMillisecond);

void BM_SaveBaseline(benchmark::State& state) {
    Fixture& f = fixture();
    for (auto _ : state) benchmark::DoNotOptimize(f.doc->serialize());
}
BENCHMARK(BM_SaveBaseline)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
