// Mouse moves with the pipe tool on a generated 5,000-object plant drawing, as the desktop view
// carries them out: the controller snaps over every object and draws its rubber band, tracking
// line and snap marker with inverting and XOR raster operations into the view's picture (an
// image of a 1366 x 800 window), and the touched pixels are copied to the screen. The
// baseline is the full repaint of the same window that a move would cost if feedback needed a
// repaint.

#include <QImage>
#include <QPainter>

#include <memory>
#include <optional>

#include <benchmark/benchmark.h>

#include "platform/Prompter.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/app/FeedbackCanvas.h"
#include "tubra/edit/ViewController.h"
#include "tubra/model/Document.h"
#include "tubra/view/Paint.h"
#include "view_drawing.h"
#include "qt_bench.h"

namespace {

using namespace tubra;

constexpr int kWidth = 1366;
constexpr int kHeight = 800;
constexpr double kPpu = 96.0 / 254.0;

// The window: its picture, the screen the touched rectangles are copied to, its scroll.
class BenchPort : public edit::ViewPort {
public:
    QImage picture{kWidth, kHeight, QImage::Format_RGB32};
    QImage screen{kWidth, kHeight, QImage::Format_RGB32};
    platform::Point scroll{183, 129};
    platform::qt::QtTextCache* textCache = nullptr;

    edit::DeviceTransform transform() const override {
        return {kPpu, static_cast<double>(scroll.x), static_cast<double>(scroll.y)};
    }
    platform::Size clientSize() const override { return {kWidth, kHeight}; }
    void scrollToDevice(int x, int y) override { scroll = {x, y}; }
    void apply(const view::ScrollChange&) override {}
    platform::Canvas* beginFeedback() override {
        painter_.emplace(&picture);
        platform::qt::QtCanvas::Options o;
        o.pixelsPerUnit = kPpu;
        o.deviceSize = {kWidth, kHeight};
        o.textCache = textCache;
        canvas_.emplace(*painter_, o);
        canvas_->setViewportOrigin({-scroll.x, -scroll.y});
        return &*canvas_;
    }
    void endFeedback() override {
        const QRegion touched = canvas_->touched() & QRect(0, 0, kWidth, kHeight);
        canvas_.reset();
        painter_.reset();
        if (touched.isEmpty()) return;
        // As the view's paint shows its picture: the touched rectangles only.
        QPainter p(&screen);
        for (const QRect& r : touched) p.drawImage(r.topLeft(), picture, r);
    }
    void repaint() override {}
    void setStatusText(const std::string& text) override { status = text; }
    void setCursorShape(edit::CursorShape) override {}
    std::string status;

private:
    std::optional<QPainter> painter_;
    std::optional<app::FeedbackCanvas> canvas_;
};

class CancelForms : public platform::FormHost {
public:
    bool run(platform::Form&) override { return false; }
};

struct Setup {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    edit::EditSettings settings;
    BenchPort port;
    platform::DefaultAnswerPrompter prompter;
    CancelForms forms;
    platform::qt::QtTextCache textCache;
    std::unique_ptr<edit::ViewController> controller;
    std::vector<edit::DevicePoint> path;

    Setup() {
        viewbench::makePlantDrawing(doc.drawing, 5000);
        view::initialUpdate(view, doc.drawing);
        port.textCache = &textCache;
        controller = std::make_unique<edit::ViewController>(
            edit::ViewController::Services{doc, view, settings, port, prompter, forms, {}});
        repaint();
        // A path over the whole window, passing the drawing's pipes, ends and crossings.
        for (int i = 0; i < 997; ++i)
            path.push_back({(i * 37) % kWidth + 0.5, (i * 53) % kHeight + 0.5});
    }

    void repaint() {
        QPainter painter(&port.picture);
        paintPicture(painter);
        painter.end();
        port.screen = port.picture;
        controller->viewRepainted();
    }

    void paintPicture(QPainter& painter) {
        qtbench::paintWindow(painter, doc, view, {kWidth, kHeight}, kPpu, port.scroll, textCache);
    }
};

Setup& setup() { return qtbench::fixture<Setup>(); }

// Moves along the path with the pipe tool: `closed` snaps at every move as a closed pipe
// does, besides the rubber band; `placed` has a start point placed (else the move only
// snaps and shows the position).
void moves(benchmark::State& state, bool placed, bool closed) {
    Setup& s = setup();
    edit::ViewController& c = *s.controller;
    c.cancel();
    s.repaint();
    c.choose({{edit::ToolKind::MainPipe, 0}});
    if (closed) c.toggleClosedPipe();
    if (placed) {
        c.mouseMove({kWidth / 2.0, kHeight / 2.0});
        c.leftDown({kWidth / 2.0, kHeight / 2.0});
        c.leftUp({kWidth / 2.0, kHeight / 2.0});
    }
    std::size_t i = 0;
    for (auto _ : state) {
        c.mouseMove(s.path[i]);
        i = (i + 1) % s.path.size();
        benchmark::DoNotOptimize(s.port.screen.constBits());
    }
    state.counters["objects"] = static_cast<double>(s.doc.drawing.objects.size());
    c.cancel();
}

void BM_MouseMove_Hover(benchmark::State& state) { moves(state, false, false); }
BENCHMARK(BM_MouseMove_Hover)->Unit(benchmark::kMicrosecond);

void BM_MouseMove_RubberBand(benchmark::State& state) { moves(state, true, false); }
BENCHMARK(BM_MouseMove_RubberBand)->Unit(benchmark::kMicrosecond);

void BM_MouseMove_RubberBandAndSnap(benchmark::State& state) { moves(state, true, true); }
BENCHMARK(BM_MouseMove_RubberBandAndSnap)->Unit(benchmark::kMicrosecond);

// The baseline: the whole window painted anew and shown.
void BM_FullRepaint(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        QPainter painter(&s.port.picture);
        s.paintPicture(painter);
        painter.end();
        QPainter screen(&s.port.screen);
        screen.drawImage(0, 0, s.port.picture);
        benchmark::DoNotOptimize(s.port.screen.constBits());
    }
}
BENCHMARK(BM_FullRepaint)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return qtbench::runBenchmarks<Setup>(argc, argv); }
