// One segment added by two clicks of the pipe tool to a drawing of about 8,000 objects (a
// chain of 4,000 segments with their welds, drawn by script), in a 1366 x 800 window, as the
// desktop view carries it out: the mouse moves to each point and snaps, the clicks go to the
// view controller, and the window is painted anew afterwards (prepareView, then Paint through
// Qt into the view's picture, which is shown). The baseline is the same window's repaint
// alone, measured in the same run.

#include <QImage>
#include <QPainter>

#include <memory>
#include <sstream>
#include <string>

#include <benchmark/benchmark.h>

#include "platform/Prompter.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"
#include "tubra/edit/ViewController.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/view/Paint.h"
#include "qt_bench.h"

namespace {

using namespace tubra;

constexpr int kWidth = 1366;
constexpr int kHeight = 800;
constexpr double kPpu = 96.0 / 254.0;
constexpr double kStepX = 86.60254;  // 100 drawing units east at the usual axis angles
constexpr double kStepY = -50.0;
constexpr int kPerRow = 200;
constexpr int kSegments = 4000;

class BenchPort : public edit::ViewPort {
public:
    platform::Point scroll{0, 0};
    edit::DeviceTransform transform() const override {
        return {kPpu, static_cast<double>(scroll.x), static_cast<double>(scroll.y)};
    }
    platform::Size clientSize() const override { return {kWidth, kHeight}; }
    void scrollToDevice(int x, int y) override { scroll = {x, y}; }
    void apply(const view::ScrollChange&) override {}
    // The feedback is drawn on the picture by the mouse benchmark; here only the repaint counts.
    platform::Canvas* beginFeedback() override { return nullptr; }
    void endFeedback() override {}
    void repaint() override { wanted = true; }
    void setStatusText(const std::string&) override {}
    void setCursorShape(edit::CursorShape) override {}
    bool wanted = false;
};

// The length dialog of each new segment is accepted as it comes.
class AcceptForms : public platform::FormHost {
public:
    bool run(platform::Form&) override { return true; }
};

std::string chainScript() {
    std::ostringstream s;
    s.precision(10);
    s << "new 0\nkey T\ncommand 2709\n";
    double x = 0, y = 0;
    for (int i = 0; i < kSegments; ++i) {
        s << "click " << x << ' ' << y << "\ndialog Distanc=100 DistTxt=" << 1000 + i << '\n';
        x += kStepX;
        y += kStepY;
        s << "click " << x << ' ' << y << '\n';
        if ((i + 1) % kPerRow == 0) {
            x = 0;
            y += -3000.0 - kPerRow * kStepY;
        }
    }
    return s.str();
}

struct Setup {
    model::AppContext app;
    model::Document doc{app};
    view::ViewState view;
    edit::EditSettings settings;
    BenchPort port;
    platform::DefaultAnswerPrompter prompter;
    AcceptForms forms;
    platform::qt::QtTextCache textCache;
    QImage picture{kWidth, kHeight, QImage::Format_RGB32};
    QImage screen{kWidth, kHeight, QImage::Format_RGB32};
    std::unique_ptr<edit::ViewController> controller;
    // Where the chain goes on (model units).
    double x = 0, y = 0;

    Setup() {
        // The drawing, as the session player draws it, read into this window's document.
        edit::CommandRegistry registry;
        app::installCommands(registry);
        std::vector<edit::KeyBinding> keys = app::keyBindings();
        model::AppContext scriptApp;
        edit::SessionPlayer player(scriptApp, registry, keys);
        if (!player.run(chainScript()).ok) throw std::runtime_error("the chain script failed");
        std::string file;
        model::writeDrawing(player.document()->drawing, player.document()->settings(), file);
        model::readDrawing(file, doc.drawing, doc.settings());
        const int rows = kSegments / kPerRow;
        x = 0;
        y = rows * (-3000.0);
        view::initialUpdate(view, doc.drawing);
        controller = std::make_unique<edit::ViewController>(
            edit::ViewController::Services{doc, view, settings, port, prompter, forms, {}});
        settings.autoWeld = true;  // as the script has it
        controller->choose({{edit::ToolKind::MainPipe, 0}});
        // The window shows where the chain goes on.
        const edit::DevicePoint at = controller->toDevice(x, y);
        port.scroll = {static_cast<int>(at.x) - kWidth / 2 + port.scroll.x,
                       static_cast<int>(at.y) - kHeight / 2 + port.scroll.y};
        repaint();
    }

    void repaint() {
        QPainter painter(&picture);
        qtbench::paintWindow(painter, doc, view, {kWidth, kHeight}, kPpu, port.scroll, textCache);
        painter.end();
        QPainter shown(&screen);
        shown.drawImage(0, 0, picture);
        port.wanted = false;
        controller->viewRepainted();
    }

    void click(double mx, double my) {
        const edit::DevicePoint d = controller->toDevice(mx, my);
        controller->mouseMove(d);
        controller->leftDown(d);
        controller->leftUp(d);
    }
};

Setup& setup() { return qtbench::fixture<Setup>(); }

void BM_ClickSegmentInWindow(benchmark::State& state) {
    Setup& s = setup();
    const std::size_t before = s.doc.drawing.objects.size();
    for (auto _ : state) {
        s.click(s.x, s.y);
        s.x += kStepX;
        s.y += kStepY;
        s.click(s.x, s.y);
        if (!s.port.wanted) state.SkipWithError("the clicks added nothing");
        s.repaint();
        benchmark::DoNotOptimize(s.screen.constBits());
    }
    state.counters["objects"] = static_cast<double>(before);
    state.counters["added"] = static_cast<double>(s.doc.drawing.objects.size() - before);
}
BENCHMARK(BM_ClickSegmentInWindow)->Name("edit_click_segment_window")->Unit(benchmark::kMillisecond)->Iterations(50);

// The baseline: the same window painted anew, nothing changed.
void BM_WindowRepaint(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        s.repaint();
        benchmark::DoNotOptimize(s.screen.constBits());
    }
    state.counters["objects"] = static_cast<double>(s.doc.drawing.objects.size());
}
BENCHMARK(BM_WindowRepaint)->Name("window_repaint")->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

int main(int argc, char** argv) { return qtbench::runBenchmarks<Setup>(argc, argv); }
