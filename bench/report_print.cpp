// Printing the sample report (examples/report.hcd: every page of the full set filled, 50
// thickness points on two sheets, 14 radiographic items) to a PDF in memory through the same
// page loop as the program, against printing the drawing sheet of the same file; and the long
// report (examples/report-long.hcd: every text at its capacity, lists of two to four sheets,
// continuation sheets) in the same run. The recording canvas variants measure the page
// painters alone, the layout variants the pass that finds what the pages cannot show whole.

#include <QBuffer>
#include <QPdfWriter>

#include <memory>
#include <string>
#include <benchmark/benchmark.h>

#include "platform/RecordingCanvas.h"
#include "platform/qt/PrintCanvas.h"
#include "tubra/model/Document.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/ViewPages.h"
#include "tubra/view/PrintJob.h"
#include "qt_bench.h"

namespace {

using namespace tubra;

struct Setup {
    model::AppContext app;
    std::unique_ptr<model::Document> doc;
    std::unique_ptr<model::Document> longDoc;
    Setup() {
        report::installInspectionReport(app);
        auto opened = model::Document::open(app, std::string(TUBRA_SOURCE_DIR) + "/examples/report.hcd");
        auto openedLong = model::Document::open(app, std::string(TUBRA_SOURCE_DIR) + "/examples/report-long.hcd");
        if (opened.failed() || openedLong.failed()) std::abort();
        doc = std::move(opened.value());
        longDoc = std::move(openedLong.value());
    }
};

Setup& setup() { return qtbench::fixture<Setup>(); }

// Prints the view of a sample with `display` (mode, page) to a PDF in memory.
void printPdf(benchmark::State& state, std::array<int, 2> display, bool longReport = false) {
    Setup& s = setup();
    model::Document& doc = longReport ? *s.longDoc : *s.doc;
    view::ViewState view = view::viewForPrinting(doc);
    view.reportDisplay = display;
    int pages = 0;
    std::size_t bytes = 0;
    for (auto _ : state) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        const view::Paper paper = view::paperFor(doc, view);
        platform::qt::setPaper(writer, paper.a3, paper.landscape);
        platform::qt::PrintCanvas device(writer);
        pages = view::printDocument(doc, view, device, view::printPagesOf(doc, view));
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

void BM_PrintFullReportSet_Long(benchmark::State& state) { printPdf(state, {1, 22}, true); }
BENCHMARK(BM_PrintFullReportSet_Long)->Unit(benchmark::kMillisecond);

void BM_PrintOnlineReportSet_Long(benchmark::State& state) { printPdf(state, {1, 28}, true); }
BENCHMARK(BM_PrintOnlineReportSet_Long)->Unit(benchmark::kMillisecond);

// The page painters alone, on the recording canvas.
void drawRecording(benchmark::State& state, bool longReport) {
    Setup& s = setup();
    model::Document& doc = longReport ? *s.longDoc : *s.doc;
    platform::RecordingCanvas::Options o;
    o.printer = true;
    o.deviceSize = {2100, 2900 * view::countReportPrintPages(doc, 22)};  // every sheet in view
    std::size_t calls = 0;
    for (auto _ : state) {
        platform::RecordingCanvas canvas(o);
        tubra::report::InspectionReportPages().prepare(doc.report(), 22);
        tubra::report::InspectionReportPages().paint(doc.report(), 22, doc.drawing.table, canvas);
        calls = canvas.calls().size();
        benchmark::DoNotOptimize(calls);
    }
    state.counters["calls"] = static_cast<double>(calls);
}

void BM_DrawFullReportSet_Recording(benchmark::State& state) { drawRecording(state, false); }
BENCHMARK(BM_DrawFullReportSet_Recording)->Unit(benchmark::kMillisecond);

void BM_DrawFullReportSet_Recording_Long(benchmark::State& state) { drawRecording(state, true); }
BENCHMARK(BM_DrawFullReportSet_Recording_Long)->Unit(benchmark::kMillisecond);

// The layout pass over every page of the full set (what a first print or paint of a changed
// report does once before it draws): which values continue on continuation sheets.
void layoutPass(benchmark::State& state, bool longReport) {
    Setup& s = setup();
    model::Document& doc = longReport ? *s.longDoc : *s.doc;
    const report::InspectionReport& r = *report::inspectionReport(doc);
    std::size_t continued = 0;
    for (auto _ : state) {
        continued = 0;
        for (int page = report::kCoverPage; page <= report::kLastFormPage; ++page)
            continued += report::overflowOf(r, doc.drawing.table, page).continued.size();
        benchmark::DoNotOptimize(continued);
    }
    state.counters["continued"] = static_cast<double>(continued);
}

void BM_LayoutFullReportSet(benchmark::State& state) { layoutPass(state, false); }
BENCHMARK(BM_LayoutFullReportSet)->Unit(benchmark::kMillisecond);

void BM_LayoutFullReportSet_Long(benchmark::State& state) { layoutPass(state, true); }
BENCHMARK(BM_LayoutFullReportSet_Long)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) { return qtbench::runBenchmarks<Setup>(argc, argv); }
