// The full paint of a generated 5,000-object plant drawing into a 3000 x 2100 image through
// the Qt canvas: with the indexed crossing pass against the all-pairs pass.

#include <QImage>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <QPainter>
#include <benchmark/benchmark.h>

#include "platform/qt/QtCanvas.h"
#include "tubra/app/Rendering.h"
#include "tubra/model/Document.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/Paint.h"
#include "view_drawing.h"
#include "qt_bench.h"

namespace {

using namespace tubra;

struct Setup {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    QImage image{3000, 2100, QImage::Format_RGB32};
    platform::qt::QtTextCache textCache;  // as a view keeps it from paint to paint
    Setup() {
        viewbench::makePlantDrawing(doc.drawing, 5000);
        view::initialUpdate(view, doc.drawing);
    }
};

Setup& setup() { return qtbench::fixture<Setup>(); }

// One paint of the whole drawing into the image, as the view paints it.
void paintOnce(Setup& s, view::CrossingPass pass = view::CrossingPass::Indexed) {
    QPainter painter(&s.image);
    platform::qt::QtCanvas::Options o;
    o.pixelsPerUnit = 3000.0 / 2900.0;
    o.deviceSize = {3000, 2100};
    o.textCache = &s.textCache;
    o.batchLines = true;
    platform::qt::QtCanvas canvas(painter, o);
    view::OnEraseBkgnd(s.app.settings, canvas);
    view::OnDraw(s.doc, s.view, canvas, nullptr, pass);
    painter.end();
    benchmark::DoNotOptimize(s.image.constBits());
}

void paint(benchmark::State& state, view::CrossingPass pass) {
    Setup& s = setup();
    for (auto _ : state) {
        paintOnce(s, pass);
    }
    state.counters["objects"] = static_cast<double>(s.doc.drawing.objects.size());
}

void BM_FullPaint_AllPairs(benchmark::State& state) { paint(state, view::CrossingPass::AllPairs); }
BENCHMARK(BM_FullPaint_AllPairs)->Unit(benchmark::kMillisecond);

void BM_FullPaint_Indexed(benchmark::State& state) { paint(state, view::CrossingPass::Indexed); }
BENCHMARK(BM_FullPaint_Indexed)->Unit(benchmark::kMillisecond);

// The first paint after every weld got its number: all 2,434 numbers are placed, clear of
// everything else, before the paint (the paint above finds every label placed already).
void BM_FirstPaint_PlacingWeldNumbers(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        state.PauseTiming();
        for (model::PipeObject& o : s.doc.drawing.objects)
            if (o.is(model::ObjectKind::Weld)) {
                o.DistTxt = std::to_string(o.Number);
                o.dimYX1_st = {};
            }
        state.ResumeTiming();
        paintOnce(s);
    }
    // Numbered welds stay numbered for the other paints.
    state.counters["objects"] = static_cast<double>(s.doc.drawing.objects.size());
}
BENCHMARK(BM_FirstPaint_PlacingWeldNumbers)->Unit(benchmark::kMillisecond);

// The paint of the same drawing with every weld numbered and every number placed: the
// baseline of the next one.
void BM_FullPaint_NumberedWelds(benchmark::State& state) { paint(state, view::CrossingPass::Indexed); }
BENCHMARK(BM_FullPaint_NumberedWelds)->Unit(benchmark::kMillisecond);

// The paint after one new weld: its number is placed among the 5,000 objects.
void BM_Paint_PlacingOneWeldNumber(benchmark::State& state) {
    Setup& s = setup();
    model::PipeObject* weld = nullptr;
    for (model::PipeObject& o : s.doc.drawing.objects)
        if (o.is(model::ObjectKind::Weld)) weld = &o;
    for (auto _ : state) {
        weld->DistTxt = std::to_string(weld->Number);
        weld->dimYX1_st = {};
        paintOnce(s);
    }
}
BENCHMARK(BM_Paint_PlacingOneWeldNumber)->Unit(benchmark::kMillisecond);

// What the paint spends on pipe lengths covered by symbols, labels or weld circles: recording
// what the paint draws and finding each covered length a clear place along its pipe (part of
// every full paint above).
void BM_SlidePipeLengths(benchmark::State& state) {
    Setup& s = setup();
    std::size_t moved = 0;
    for (auto _ : state) {
        const auto shifts = view::slidePipeLengths(s.doc.drawing.objects, s.app.settings, s.view);
        moved = shifts.size();
        benchmark::DoNotOptimize(shifts.data());
    }
    state.counters["moved"] = static_cast<double>(moved);
}
BENCHMARK(BM_SlidePipeLengths)->Unit(benchmark::kMillisecond);

// Not a benchmark: with TUBRA_PAINT_DUMP=DIR, paints each drawing file named on the command
// line as the window paints it (1366 x 768, nothing smoothed, what is beyond the window left
// out) at three zooms and five scroll positions each, writes the pictures to DIR as PNG and
// exits. Two builds' pictures compared with `cmp` say whether a change to the paint kept its
// pixels.
int dumpWindowPaints(const char* dir, int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication qapp(argc, argv);
    const platform::Size size{1366, 768};
    int status = 0;
    for (int a = 1; a < argc; ++a) {
        model::AppContext app;
        auto opened = model::Document::open(app, argv[a]);
        if (opened.failed()) {
            std::fprintf(stderr, "%s: %s\n", argv[a], opened.message().c_str());
            status = 1;
            continue;
        }
        model::Document& doc = *opened.value();
        doc.drawing.zoomLoaded = 0;  // the zooms below, not the file's
        view::ViewState view;
        view::initialUpdate(view, doc.drawing);
        platform::qt::QtTextCache textCache;
        app::BandThread lowerBand;
        const std::string stem = std::filesystem::path(argv[a]).stem().string();
        const double ppu = 96.0 / 254.0;
        for (const double zoom : {0.45, 1.0, 3.16}) {
            view.ZoomPara = zoom;
            const double w = view.pageExtent.cx * zoom * ppu, h = view.pageExtent.cy * zoom * ppu;
            int k = 0;
            for (const auto& [fx, fy] : {std::pair{0.0, 0.0}, std::pair{0.5, 0.5}, std::pair{1.0, 1.0},
                                        std::pair{0.25, 0.75}, std::pair{0.8, 0.2}}) {
                const platform::Point scroll{static_cast<int>(std::max(0.0, w - size.cx) * fx),
                                             static_cast<int>(std::max(0.0, h - size.cy) * fy)};
                QImage image(size.cx, size.cy, QImage::Format_RGB32);
                // As the window paints: the upper and lower halves at the same time.
                app::paintViewInBands(doc, view, image, {scroll.x, scroll.y}, ppu, nullptr, textCache,
                                      &lowerBand, size.cy / 2);
                const std::string out = std::string(dir) + "/" + stem + "-z" + std::to_string(static_cast<int>(zoom * 100)) +
                                        "-" + std::to_string(k++) + ".png";
                if (!image.save(QString::fromStdString(out))) status = 1;
            }
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (const char* dir = std::getenv("TUBRA_PAINT_DUMP")) return dumpWindowPaints(dir, argc, argv);
    return qtbench::runBenchmarks<Setup>(argc, argv);
}
