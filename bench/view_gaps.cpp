// The crossing-gap pass over a generated 5,000-object plant drawing: the indexed pass against
// the plain pass over all pairs, both drawing into a canvas that only counts; and the gaps a
// view keeps from paint to paint, found once and brought up to date after an edit.

#include <utility>

#include <benchmark/benchmark.h>

#include "tubra/model/Document.h"
#include "tubra/view/LineWork.h"
#include "view_drawing.h"

namespace {

using namespace tubra;

using viewbench::CountingCanvas;

struct Setup {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    Setup() { viewbench::makePlantDrawing(doc.drawing, 5000); }
};

Setup& setup() {
    static Setup s;
    return s;
}

void BM_CrossingGaps_AllPairs(benchmark::State& state) {
    Setup& s = setup();
    CountingCanvas canvas;
    const view::PaintContext ctx{canvas, s.app.settings, s.view};
    const auto& objects = s.doc.drawing.objects;
    for (auto _ : state) {
        canvas.calls = 0;
        for (std::size_t j = 0; j < objects.size(); ++j)
            view::DrawCrossingGaps(objects, ctx, objects.at(j), j);
        benchmark::DoNotOptimize(canvas.calls);
    }
    state.counters["gaps"] = static_cast<double>(canvas.calls) / 2;
    state.counters["objects"] = static_cast<double>(objects.size());
}
BENCHMARK(BM_CrossingGaps_AllPairs)->Unit(benchmark::kMillisecond);

void BM_CrossingGaps_Indexed(benchmark::State& state) {
    Setup& s = setup();
    CountingCanvas canvas;
    const view::PaintContext ctx{canvas, s.app.settings, s.view};
    const auto& objects = s.doc.drawing.objects;
    for (auto _ : state) {
        canvas.calls = 0;
        view::CrossingIndex index(objects);
        for (std::size_t j = 0; j < objects.size(); ++j) index.drawGaps(ctx, j);
        benchmark::DoNotOptimize(canvas.calls);
    }
    state.counters["gaps"] = static_cast<double>(canvas.calls) / 2;
    state.counters["objects"] = static_cast<double>(objects.size());
}
BENCHMARK(BM_CrossingGaps_Indexed)->Unit(benchmark::kMillisecond);

// What the window keeps instead: every gap found once (a drawing's first paint) ...
void BM_KeptCrossings_FindAll(benchmark::State& state) {
    Setup& s = setup();
    const auto& objects = s.doc.drawing.objects;
    std::size_t gaps = 0;
    for (auto _ : state) {
        view::KeptCrossings kept;
        kept.update(objects);
        gaps = kept.gaps().size();
        benchmark::DoNotOptimize(gaps);
    }
    state.counters["gaps"] = static_cast<double>(gaps);
}
BENCHMARK(BM_KeptCrossings_FindAll)->Unit(benchmark::kMillisecond);

// ... and brought up to date after one pipe moved (an edit in the window).
void BM_KeptCrossings_OnePipeMoved(benchmark::State& state) {
    Setup& s = setup();
    auto& objects = s.doc.drawing.objects;
    std::size_t pipe = 0;
    while (!std::as_const(objects).at(pipe).is(model::ObjectKind::Pipe)) ++pipe;
    view::KeptCrossings kept;
    kept.update(objects);
    double shift = 10.0;
    for (auto _ : state) {
        objects.at(pipe).Port2.x += shift;
        shift = -shift;
        kept.update(objects);
        benchmark::DoNotOptimize(kept.gaps().data());
    }
    state.counters["full_passes"] = static_cast<double>(kept.fullPasses());
}
BENCHMARK(BM_KeptCrossings_OnePipeMoved)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
