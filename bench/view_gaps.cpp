// The crossing-gap pass over a generated 5,000-object plant drawing: the indexed pass against
// the plain pass over all pairs, both drawing into a canvas that only counts.

#include <benchmark/benchmark.h>

#include "tubra/model/Document.h"
#include "tubra/view/LineWork.h"
#include "view_drawing.h"

namespace {

using namespace tubra;

// Draws nothing; counts what it is asked to draw.
class CountingCanvas : public platform::Canvas {
public:
    std::size_t calls = 0;
    platform::TextMetrics textMetrics() const override { return {}; }
    platform::Size textExtent(std::string_view) const override { return {}; }
    bool isPrinter() const override { return false; }
    double pixelsPerUnit() const override { return 1.0; }
    platform::Size deviceSize() const override { return {3000, 2100}; }

protected:
    void doLine(platform::Point, platform::Point) override { ++calls; }
    void doPolyline(std::span<const platform::Point>) override { ++calls; }
    void doPolygon(std::span<const platform::Point>) override { ++calls; }
    void doPolyBezier(std::span<const platform::Point>) override { ++calls; }
    void doEllipse(const platform::Rect&) override { ++calls; }
    void doRectangle(const platform::Rect&) override { ++calls; }
    void doFillRect(const platform::Rect&, platform::Colour) override { ++calls; }
    void doTextOut(platform::Point, std::string_view) override { ++calls; }
    int doDrawText(const platform::Rect&, const std::vector<std::string_view>&, unsigned) override {
        return ++calls, 0;
    }
};

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

}  // namespace

BENCHMARK_MAIN();
