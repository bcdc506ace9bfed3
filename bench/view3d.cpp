// The 3D view on a generated drawing of about 5,000 objects: one frame painted into an image of
// the view's size (each step of a drag or a wheel turn paints one), in lines and in tubes,
// finished and as drawn while dragging (without antialiasing), and
// the model and its shapes built anew (each edit of the drawing does it), against the drawing
// window's own full paint of the same drawing into an image of the same size (the baseline).

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "platform/qt/QtCanvas.h"
#include "support/GeneratedDrawing.h"
#include "tubra/app/View3DWindow.h"
#include "tubra/model/Document.h"
#include "tubra/spatial/Projection.h"
#include "tubra/spatial/RealModel.h"
#include "tubra/view/Paint.h"

namespace {

using namespace tubra;

constexpr int kWidth = 1600, kHeight = 1000;

struct Setup {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    spatial::RealModel model;
    app::View3DCanvas canvas;
    QImage image{kWidth, kHeight, QImage::Format_RGB32};
    platform::qt::QtTextCache textCache;
    Setup() {
        testing::generateDrawing(doc.drawing, {.objects = 5000, .seed = 7});
        doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
        view::initialUpdate(view, doc.drawing);
        model = spatial::buildRealModel(doc.drawing);
        canvas.resize(kWidth, kHeight);
        canvas.setModel(&model, &app.settings, true);
    }
};

Setup* g_setup = nullptr;

void drawingPaint(benchmark::State& state) {
    Setup& s = *g_setup;
    for (auto _ : state) {
        QPainter painter(&s.image);
        platform::qt::QtCanvas::Options o;
        o.pixelsPerUnit = kWidth / 2900.0;
        o.deviceSize = {kWidth, kHeight};
        o.textCache = &s.textCache;
        platform::qt::QtCanvas canvas(painter, o);
        view::OnEraseBkgnd(s.app.settings, canvas);
        view::OnDraw(s.doc, s.view, canvas, nullptr);
        painter.end();
        benchmark::DoNotOptimize(s.image.constBits());
    }
    state.counters["objects"] = static_cast<double>(s.doc.drawing.objects.size());
}

void frame(benchmark::State& state, bool tubes, bool draft, bool labels = true) {
    Setup& s = *g_setup;
    s.canvas.setTubes(tubes);
    s.canvas.setDraft(draft);
    s.canvas.setWeldLabels(labels);
    for (auto _ : state) {
        spatial::rotateBy(s.canvas.orbit(), 2.0, 1.0);  // as a drag turns it
        s.canvas.render(&s.image);
        benchmark::DoNotOptimize(s.image.constBits());
    }
    state.counters["shapes"] = static_cast<double>(s.canvas.scene().shapes.size());
    state.counters["problems"] = static_cast<double>(s.model.problems.size());
}

void rebuild(benchmark::State& state) {
    Setup& s = *g_setup;
    for (auto _ : state) {
        spatial::RealModel m = spatial::buildRealModel(s.doc.drawing);
        spatial::Scene scene = spatial::sceneOf(m, false);
        benchmark::DoNotOptimize(scene.shapes.data());
    }
}

BENCHMARK(drawingPaint)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, lines, false, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, tubes, true, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, lines_dragging, false, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, tubes_dragging, true, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(frame, lines_without_weld_numbers, false, false, false)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(rebuild)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    {
        Setup setup;
        g_setup = &setup;
        benchmark::RunSpecifiedBenchmarks();
        g_setup = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
