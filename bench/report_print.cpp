// Printing the sample report (examples/report.hcd: every page of the full set filled, 50
// thickness points on two sheets, 14 radiographic items) to a PDF in memory through the same
// page loop as the program, against printing the drawing sheet of the same file. The
// recording canvas variant measures the page painters alone.

#include <QBuffer>
#include <QPdfWriter>

#include <memory>
#include <string>
#include <benchmark/benchmark.h>

#include "platform/RecordingCanvas.h"
#include "platform/qt/PrintCanvas.h"
#include "tubra/model/Document.h"
#include "tubra/report/Install.h"
#include "tubra/view/PrintJob.h"
#include "qt_bench.h"

namespace {

using namespace tubra;

struct Setup {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    Setup() {
        report::installInspectionReport(app);
        std::string error;
        doc = model::Document::open(app, std::string(TUBRA_SOURCE_DIR) + "/examples/report.hcd", &error);
        if (!doc) std::abort();
    }
};

Setup& setup() { return qtbench::fixture<Setup>(); }

// Prints the view of the sample with `display` (mode, page) to a PDF in memory.
void printPdf(benchmark::State& state, std::array<int, 2> display) {
    Setup& s = setup();
    view::ViewState view = view::ViewForPrinting(*s.doc);
    view.reportDisplay = display;
    int pages = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        const view::Paper paper = view::PaperFor(*s.doc, view);
        platform::qt::SetPaper(writer, paper.a3, paper.landscape);
        platform::qt::PrintCanvas device(writer);
        pages = view::PrintDocument(*s.doc, view, device, view::PrintPagesOf(*s.doc, view));
        device.finish();
        bytes = static_cast<std::size_t>(buffer.data().size());
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["pages"] = pages;
    state.counters["pdf_kB"] = static_cast<double>(bytes) / 1024.0;
}

void BM_PrintDrawingSheet(benchmark::State& state) { printPdf(state, {0, 22}); }
BENCHMARK(BM_PrintDrawingSheet)->Unit(benchmark::kMillisecond);

void BM_PrintFullReportSet(benchmark::State& state) { printPdf(state, {1, 22}); }
BENCHMARK(BM_PrintFullReportSet)->Unit(benchmark::kMillisecond);

void BM_PrintOnlineReportSet(benchmark::State& state) { printPdf(state, {1, 28}); }
BENCHMARK(BM_PrintOnlineReportSet)->Unit(benchmark::kMillisecond);

// The page painters alone, on the recording canvas.
void BM_DrawFullReportSet_Recording(benchmark::State& state) {
    Setup& s = setup();
    platform::RecordingCanvas::Options o;
    o.printer = true;
    o.deviceSize = {2100, 2900 * s.doc->report().countPrintPages(22)};  // every sheet in view
    std::size_t calls = 0;
    for (auto _ : state) {
        platform::RecordingCanvas canvas(o);
        s.doc->report().drawReportPages(canvas, 22, s.doc->drawing.table);
        calls = canvas.calls().size();
        benchmark::DoNotOptimize(calls);
    }
    state.counters["calls"] = static_cast<double>(calls);
}
BENCHMARK(BM_DrawFullReportSet_Recording)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qtbench::runBenchmarks<Setup>(argc, argv); }
