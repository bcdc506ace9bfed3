// Drawings whose objects crowd a small part of the sheet (tubra::testing::generateDrawing with
// area 0.05, 8,000 and 40,000 objects, labels already placed): every pipe starts near one
// point, so most pipe boxes meet. The crossing pass and the whole paint, with the index and
// with the plain pass over all pairs, into a canvas that only counts. "examined" is the number
// of earlier objects looked at, all paints together per paint: the all-pairs pass looks at
// every earlier object for every object.

#include <benchmark/benchmark.h>

#include <map>
#include <memory>

#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"
#include "tubra/view/LineWork.h"
#include "tubra/view/Paint.h"
#include "view_drawing.h"

namespace {

using namespace tubra;
using viewbench::CountingCanvas;

struct Dense {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    explicit Dense(int objects) {
        testing::generateDrawing(doc.drawing, {.objects = objects, .seed = 1, .area = 0.05, .labelsPlaced = true});
        view::initialUpdate(view, doc.drawing);
    }
};

Dense& dense(int objects) {
    static std::map<int, std::unique_ptr<Dense>> drawings;
    auto& d = drawings[objects];
    if (!d) d = std::make_unique<Dense>(objects);
    return *d;
}

void countPipes(benchmark::State& state, const model::ObjectList& objects) {
    double pipes = 0;
    for (const model::PipeObject& o : objects) pipes += o.is(model::ObjectKind::Pipe) ? 1 : 0;
    state.counters["objects"] = static_cast<double>(objects.size());
    state.counters["pipes"] = pipes;
}

void BM_DenseGaps_AllPairs(benchmark::State& state) {
    Dense& d = dense(static_cast<int>(state.range(0)));
    CountingCanvas canvas;
    const view::PaintContext ctx{canvas, d.app.settings, d.view};
    const auto& objects = d.doc.drawing.objects;
    for (auto _ : state) {
        canvas.calls = 0;
        for (std::size_t j = 0; j < objects.size(); ++j) view::DrawCrossingGaps(objects, ctx, objects.at(j), j);
        benchmark::DoNotOptimize(canvas.calls);
    }
    const double n = static_cast<double>(objects.size());
    state.counters["examined"] = n * (n - 1) / 2;
    state.counters["gaps"] = static_cast<double>(canvas.calls) / 2;
    countPipes(state, objects);
}
BENCHMARK(BM_DenseGaps_AllPairs)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DenseGaps_AllPairs)->Arg(40000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DenseGaps_Indexed(benchmark::State& state) {
    Dense& d = dense(static_cast<int>(state.range(0)));
    CountingCanvas canvas;
    const view::PaintContext ctx{canvas, d.app.settings, d.view};
    const auto& objects = d.doc.drawing.objects;
    std::size_t examined = 0;
    for (auto _ : state) {
        canvas.calls = 0;
        view::CrossingIndex index(objects);
        for (std::size_t j = 0; j < objects.size(); ++j) index.drawGaps(ctx, j);
        examined = index.examined();
        benchmark::DoNotOptimize(canvas.calls);
    }
    state.counters["examined"] = static_cast<double>(examined);
    state.counters["gaps"] = static_cast<double>(canvas.calls) / 2;
    countPipes(state, objects);
}
BENCHMARK(BM_DenseGaps_Indexed)->Arg(8000)->Arg(40000)->Unit(benchmark::kMillisecond);

// The whole paint: frame, every object with its annotation and body, the crossing gaps.
void paint(benchmark::State& state, view::CrossingPass pass) {
    Dense& d = dense(static_cast<int>(state.range(0)));
    CountingCanvas canvas;
    for (auto _ : state) {
        canvas.calls = 0;
        view::OnDraw(d.doc, d.view, canvas, nullptr, pass);
        benchmark::DoNotOptimize(canvas.calls);
    }
    state.counters["calls"] = static_cast<double>(canvas.calls);
    countPipes(state, d.doc.drawing.objects);
}

void BM_DensePaint_AllPairs(benchmark::State& state) { paint(state, view::CrossingPass::AllPairs); }
BENCHMARK(BM_DensePaint_AllPairs)->Arg(8000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DensePaint_AllPairs)->Arg(40000)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_DensePaint_Indexed(benchmark::State& state) { paint(state, view::CrossingPass::Indexed); }
BENCHMARK(BM_DensePaint_Indexed)->Arg(8000)->Arg(40000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
