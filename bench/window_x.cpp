// The drawing window driven through the X server as a user drives it. The program's own main
// window (tool bars, child window, view) runs on an X display; a second connection to the
// server moves the mouse and presses its button with the XTEST extension, and watches with the
// DAMAGE extension when the server is given new pixels for the view. What is timed is from
// the moment the button goes up (or the mouse arrives) to the first new pixels of the view:
// event delivery, the program's work, Qt's paint and the copy to the server, as a user sees it.
//
//   xvfb-run -a -s "-screen 0 1366x800x24" build/bench/bench_window_x
//
// Drawings: generated, 5,002 objects over the sheet (seed 7, as the start-up benchmark), and
// 50,000 objects (as many as a drawing may hold) for the paint that only a tenth of the drawing
// is in: over the same sheet and zoomed in, and spread over ten times the area at the density
// of the smaller one.

#include <chrono>
#include <cmath>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <tuple>

#include <pthread.h>
#include <time.h>

#include <xcb/damage.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>

#include <benchmark/benchmark.h>

#include "support/GeneratedDrawing.h"
#include "tubra/app/Application.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/Interaction.h"
#include "tubra/app/MainWindow.h"
#include "tubra/appcore/CommandLine.h"
#include "tubra/edit/CommandIds.h"
#include "tubra/model/Document.h"
#include "tubra/model/LineReader.h"

namespace {

namespace fs = std::filesystem;
using namespace tubra;
using Clock = std::chrono::steady_clock;

// Runs `f` on the thread of the application and waits for it; what it throws comes back here.
void onMain(const std::function<void()>& f) {
    std::string error;
    QMetaObject::invokeMethod(
        qApp,
        [&] {
            try {
                f();
            } catch (const std::exception& e) {
                error = e.what();
            }
        },
        Qt::BlockingQueuedConnection);
    if (!error.empty()) throw std::runtime_error(error);
}

struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
    bool meets(int ax, int ay, int aw, int ah) const {
        return ax < x + w && x < ax + aw && ay < y + h && y < ay + ah;
    }
};

// The second connection: the mouse, and what the server repaints.
class XDriver {
public:
    XDriver() {
        c_ = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(c_)) throw std::runtime_error("no X display");
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(c_, &xcb_damage_id);
        const xcb_query_extension_reply_t* test = xcb_get_extension_data(c_, &xcb_test_id);
        if (!damage || !damage->present || !test || !test->present)
            throw std::runtime_error("the X server lacks XTEST or DAMAGE");
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(c_, xcb_damage_query_version(c_, 1, 1), nullptr));
        root_ = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
    }
    ~XDriver() {
        if (damage_) xcb_damage_destroy(c_, damage_);
        xcb_disconnect(c_);
    }

    // Watches `window` (an X window id).
    void watch(std::uint32_t window) {
        if (damage_) xcb_damage_destroy(c_, damage_);
        damage_ = xcb_generate_id(c_);
        xcb_damage_create(c_, damage_, window, XCB_DAMAGE_REPORT_LEVEL_RAW_RECTANGLES);
        xcb_flush(c_);
    }

    void move(int x, int y) {
        xcb_test_fake_input(c_, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root_, static_cast<int16_t>(x),
                            static_cast<int16_t>(y), 0);
        xcb_flush(c_);
    }
    void press() { button(XCB_BUTTON_PRESS); }
    void release() { button(XCB_BUTTON_RELEASE); }

    // Waits until nothing new is drawn for `quiet`.
    void settle(std::chrono::milliseconds quiet = std::chrono::milliseconds(250)) {
        while (nextDamage(Clock::now() + quiet)) {
        }
    }

    // The time from `since` to the first new pixels within `area` (window coordinates); none
    // when none come within `limit`.
    std::optional<double> firstChangeIn(const Rect& area, Clock::time_point since,
                                        std::chrono::milliseconds limit = std::chrono::milliseconds(30000)) {
        const Clock::time_point end = since + limit;
        while (const auto d = nextDamage(end))
            if (area.meets(d->x, d->y, d->w, d->h))
                return std::chrono::duration<double>(d->when - since).count();
        return std::nullopt;
    }

private:
    struct Damage {
        int x, y, w, h;
        Clock::time_point when;
    };

    void button(std::uint8_t type) {
        xcb_test_fake_input(c_, type, 1, XCB_CURRENT_TIME, root_, 0, 0, 0);
        xcb_flush(c_);
    }

    // The next damaged rectangle, waiting until `end` at most.
    std::optional<Damage> nextDamage(Clock::time_point end) {
        for (;;) {
            xcb_generic_event_t* e = xcb_poll_for_event(c_);
            if (!e) {
                if (Clock::now() >= end) return std::nullopt;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                continue;
            }
            const Clock::time_point when = Clock::now();
            std::optional<Damage> d;
            if ((e->response_type & 0x7f) == damageEvent_) {
                const auto* n = reinterpret_cast<const xcb_damage_notify_event_t*>(e);
                d = Damage{n->area.x, n->area.y, n->area.width, n->area.height, when};
            }
            free(e);
            if (d) return d;
        }
    }

    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_damage_damage_t damage_ = 0;
    std::uint8_t damageEvent_ = 0;
};

XDriver& driver() {
    static XDriver d;
    return d;
}

// Processor time of the program's window thread, in seconds: what a click costs it, whatever the
// load of the machine adds to the wall clock.
double guiThreadSeconds() {
    static const pthread_t gui = [] {
        pthread_t t{};
        onMain([&] { t = pthread_self(); });
        return t;
    }();
    clockid_t clock{};
    timespec ts{};
    if (pthread_getcpuclockid(gui, &clock) != 0 || clock_gettime(clock, &ts) != 0) return 0.0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// A generated drawing as a file, made once.
// `area` spreads the walk over that share of the sheet's width and height (1: the sheet).
// `tiles` lays it out over that many sheet-sized areas side by side (see GeneratorOptions).
fs::path drawingFile(int objects, std::uint32_t seed, double area = 1.0, int tiles = 1) {
    const std::string spread = (area == 1.0 ? "" : "-spread" + std::to_string(static_cast<int>(area * 1000))) +
                               (tiles == 1 ? "" : "-tiles" + std::to_string(tiles));
    const fs::path p = fs::temp_directory_path() /
                       ("tubra-bench-window-" + std::to_string(objects) + "-" + std::to_string(seed) + spread + ".hcd");
    if (fs::exists(p)) return p;
    model::AppContext app;
    model::Document doc(app);
    tubra::testing::GeneratorOptions options;
    options.objects = objects;
    options.seed = seed;
    options.area = area;
    options.tiles = tiles;
    options.labelsPlaced = true;
    tubra::testing::generateDrawing(doc.drawing, options);
    if (doc.saveAs(p).failed()) throw std::runtime_error("cannot write " + p.string());
    return p;
}

// The real dialogs, except that a message box is not shown: nobody is there to close it.
// What it says fails the benchmark instead of leaving it waiting.
class UnattendedInteraction : public app::DesktopInteraction {
public:
    platform::Answer ask(QWidget*, const platform::Message& message) override {
        if (said.empty()) said = message.text;
        return message.defaultAnswer;
    }
    std::string said;
};

// The program's main window with one drawing open in it, maximised over the screen.
struct Window {
    model::AppContext app;
    UnattendedInteraction interaction;
    std::unique_ptr<app::MainWindow> main;
    app::DrawingView* view = nullptr;
    std::uint32_t xid = 0;
    Rect viewArea;  // the view's pixels, in the window's coordinates

    // `zoom` times the zoom at which the whole sheet fits the view, the middle of the sheet
    // in the middle of the view.
    Window(const fs::path& file, double zoom) {
        onMain([&] {
            app::installReports(app);
            main = std::make_unique<app::MainWindow>(app, interaction);
            app::StartRequest open;
            open.kind = app::StartRequest::Kind::Open;
            open.path = file.string();
            const bool opened = main->carryOut(open);
            if (!interaction.said.empty()) {
                main.reset();
                throw std::runtime_error(file.string() + ": " + interaction.said);
            }
            if (!opened) throw std::runtime_error("cannot open " + file.string());
            main->setGeometry(QGuiApplication::primaryScreen()->geometry());
            main->show();
            view = main->activeView();
        });
        awaitPaint(0);
        const int paintsBefore = paints();
        onMain([&] {
            view::ViewState& s = view->state();
            const double ppu = view->pixelsPerUnit();
            const QSize client = view->viewport()->size();
            const double whole = std::min(client.width() / (s.pageExtent.cx * ppu), client.height() / (s.pageExtent.cy * ppu));
            s.ZoomPara = zoom * whole;
            s.scrollExtent = {static_cast<int>(s.pageExtent.cx * s.ZoomPara), static_cast<int>(s.pageExtent.cy * s.ZoomPara)};
            view->setScrollSizes(s.scrollExtent);
            view->scrollToPosition({static_cast<int>((s.scrollExtent.cx - client.width() / ppu) / 2),
                                    -static_cast<int>((s.scrollExtent.cy - client.height() / ppu) / 2)});
            view->refresh();
        });
        awaitPaint(paintsBefore);
        onMain([&] {
            xid = static_cast<std::uint32_t>(main->winId());
            const QPoint at = view->viewport()->mapTo(main.get(), QPoint(0, 0));
            viewArea = {at.x(), at.y(), view->viewport()->width(), view->viewport()->height()};
        });
        driver().watch(xid);
    }
    ~Window() {
        onMain([&] {
            // Nothing is asked on closing: the drawings are as they were read.
            for (app::DrawingView* v : main->views()) v->document().setModifiedFlag(false);
            main.reset();
        });
    }

    // The middle of the tool button of command `id`, on the screen.
    QPoint button(int id) {
        QPoint p;
        onMain([&] {
            for (QToolBar* bar : main->findChildren<QToolBar*>())
                if (QWidget* w = bar->widgetForAction(main->action(id)); w && w->isVisible())
                    p = w->mapToGlobal(w->rect().center());
        });
        if (p.isNull()) throw std::runtime_error("no button for command " + std::to_string(id));
        return p;
    }
    // Where a point of the drawing (model units) is on the screen.
    QPoint onScreen(double x, double y) {
        QPoint p;
        onMain([&] {
            const edit::DevicePoint d = view->controller().toDevice(x, y);
            p = view->viewport()->mapToGlobal(QPoint(static_cast<int>(d.x), static_cast<int>(d.y)));
        });
        return p;
    }
    // Waits for a paint of the view after the first `before`, then for the screen to be still:
    // the largest drawing takes seconds to open and paint on a busy machine, far longer than
    // any quiet moment one could wait for instead.
    void awaitPaint(int before) {
        const Clock::time_point end = Clock::now() + std::chrono::minutes(5);
        while (paints() <= before) {
            if (Clock::now() > end) throw std::runtime_error("the view was never painted");
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        driver().settle(std::chrono::milliseconds(600));
    }
    // The view's finished paints so far.
    int paints() {
        int n = 0;
        onMain([&] { n = view->finishedPaints(); });
        return n;
    }
    void command(int id) {
        onMain([&] { main->runCommand(id); });
        driver().settle();
    }

    // Clicks at `p` and returns the seconds from the release to the view's first new pixels;
    // with `fromPress`, a quick click timed from the press, for tools that act on the press.
    double click(QPoint p, bool fromPress = false) {
        XDriver& x = driver();
        x.move(p.x(), p.y());
        x.settle(std::chrono::milliseconds(150));
        const Clock::time_point down = Clock::now();
        x.press();
        if (!fromPress) x.settle(std::chrono::milliseconds(50));
        const Clock::time_point up = Clock::now();
        x.release();
        const auto t = x.firstChangeIn(viewArea, fromPress ? down : up);
        x.settle();
        if (!t) throw std::runtime_error("the view did not change");
        return *t;
    }
    // Moves the mouse to `p` and returns the seconds to the view's first new pixels.
    double hover(QPoint p) {
        XDriver& x = driver();
        const Clock::time_point at = Clock::now();
        x.move(p.x(), p.y());
        const auto t = x.firstChangeIn(viewArea, at);
        x.settle(std::chrono::milliseconds(150));
        if (!t) throw std::runtime_error("the view did not change");
        return *t;
    }
};

// The windows are closed before the application ends.
std::vector<std::unique_ptr<Window>>& windows() {
    static std::vector<std::unique_ptr<Window>> open;
    return open;
}
Window& window(int objects, double zoom, double area = 1.0, int tiles = 1) {
    windows().push_back(std::make_unique<Window>(drawingFile(objects, 7, area, tiles), zoom));
    return *windows().back();
}
Window& window5000() {
    static Window& w = window(5000, 1.0);
    return w;
}

// Processor time of the thread that paints the lower part of the view, in seconds.
double bandSeconds(Window& w) {
    double s = 0.0;
    onMain([&] { s = w.view->bandThreadSeconds(); });
    return s;
}

void report(benchmark::State& state, double seconds) { state.SetIterationTime(seconds); }

// Paints of the view split between two threads so far (one band when no second core is free).
int twoBandPaints(Window& w) {
    int n = 0;
    onMain([&] { n = w.view->twoBandPaints(); });
    return n;
}

// 放大 and 缩小 in turns: each click zooms the whole view and paints it anew.
void BM_ZoomClick(benchmark::State& state) {
    Window& w = window5000();
    const QPoint in = w.button(edit::cmd::ZoomIn), out = w.button(edit::cmd::ZoomOut);
    bool zoomIn = true;
    const int paintsBefore = w.paints(), twoBandsBefore = twoBandPaints(w);
    const double cpuBefore = guiThreadSeconds(), bandBefore = bandSeconds(w);
    for (auto _ : state) {
        report(state, w.click(zoomIn ? in : out));
        zoomIn = !zoomIn;
    }
    const double clicks = static_cast<double>(state.iterations());
    state.counters["two_band_paints"] = twoBandPaints(w) - twoBandsBefore;
    onMain([&] { state.counters["upper_share"] = w.view->upperBandShare(); });
    state.counters["band_cpu_ms"] = (bandSeconds(w) - bandBefore) * 1000.0 / clicks;
    state.counters["objects"] = 5002;
    // One click, one paint: more means work done twice.
    state.counters["paints_per_click"] = static_cast<double>(w.paints() - paintsBefore) / clicks;
    state.counters["program_cpu_ms"] = (guiThreadSeconds() - cpuBefore) * 1000.0 / clicks;
}
BENCHMARK(BM_ZoomClick)->Name("window_x/zoom_click")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// 满屏: after a zoom in, the view fits the drawing again.
void BM_FitClick(benchmark::State& state) {
    Window& w = window5000();
    const QPoint fit = w.button(edit::cmd::Fit);
    for (auto _ : state) {
        state.PauseTiming();
        w.command(edit::cmd::ZoomIn);
        state.ResumeTiming();
        report(state, w.click(fit));
    }
    state.counters["objects"] = 5002;
}
BENCHMARK(BM_FitClick)->Name("window_x/fit_click")->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The selection tool: a click on a pipe selects it (and the one before is let go).
void BM_SelectClick(benchmark::State& state) {
    Window& w = window5000();
    w.command(edit::cmd::Fit);
    w.command(edit::cmd::Select);
    std::vector<QPoint> pipes;
    onMain([&] {
        for (const model::PipeObject& o : w.view->document().drawing.objects)
            if (o.is(model::ObjectKind::Pipe) && pipes.size() < 40) {
                const edit::DevicePoint d = w.view->controller().toDevice((o.Port1.x + o.Port2.x) / 2, (o.Port1.y + o.Port2.y) / 2);
                pipes.push_back(w.view->viewport()->mapToGlobal(QPoint(static_cast<int>(d.x), static_cast<int>(d.y))));
            }
    });
    std::size_t k = 0;
    for (auto _ : state) report(state, w.click(pipes[k++ % pipes.size()], true));
    state.counters["objects"] = 5002;
}
BENCHMARK(BM_SelectClick)->Name("window_x/select_click")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The pipe tool: the mouse comes to the end of a pipe, and the snap marker shows there.
void BM_Hover(benchmark::State& state) {
    Window& w = window5000();
    w.command(edit::cmd::Fit);
    w.command(edit::cmd::MainPipe);
    std::vector<QPoint> ends;
    onMain([&] {
        for (const model::PipeObject& o : w.view->document().drawing.objects)
            if (o.is(model::ObjectKind::Pipe) && ends.size() < 40) {
                const edit::DevicePoint d = w.view->controller().toDevice(o.Port2.x, o.Port2.y);
                ends.push_back(w.view->viewport()->mapToGlobal(QPoint(static_cast<int>(d.x), static_cast<int>(d.y))));
            }
    });
    std::size_t k = 0;
    for (auto _ : state) report(state, w.hover(ends[k++ % ends.size()]));
    state.counters["objects"] = 5002;
}
BENCHMARK(BM_Hover)->Name("window_x/hover_snap")->UseManualTime()->Iterations(20)->Unit(benchmark::kMicrosecond);

// The paint of a view bounded by what it shows: zoom clicks on the 50,003-object drawing
// zoomed in so that about a tenth of the sheet is in the window, against the same on the
// 5,002-object drawing shown whole.
void zoomedPaint(benchmark::State& state, Window& w) {
    // How many objects have their first port in the window before the first click: what a
    // paint bounded by what it shows has to draw.
    int inWindow = 0;
    onMain([&] {
        const QRect client = w.view->viewport()->rect();
        for (const model::PipeObject& o : w.view->document().drawing.objects) {
            const edit::DevicePoint d = w.view->controller().toDevice(o.Port1.x, o.Port1.y);
            if (client.contains(static_cast<int>(d.x), static_cast<int>(d.y))) ++inWindow;
        }
    });
    state.counters["in_window"] = inWindow;
    const QPoint in = w.button(edit::cmd::ZoomIn), out = w.button(edit::cmd::ZoomOut);
    bool zoomIn = true;
    const double cpuBefore = guiThreadSeconds(), bandBefore = bandSeconds(w);
    for (auto _ : state) {
        report(state, w.click(zoomIn ? in : out));
        zoomIn = !zoomIn;
    }
    state.counters["band_cpu_ms"] = (bandSeconds(w) - bandBefore) * 1000.0 / static_cast<double>(state.iterations());
    state.counters["program_cpu_ms"] = (guiThreadSeconds() - cpuBefore) * 1000.0 / static_cast<double>(state.iterations());
}
void BM_PaintWhole5000(benchmark::State& state) {
    zoomedPaint(state, window5000());
    state.counters["objects"] = 5002;
}
BENCHMARK(BM_PaintWhole5000)->Name("window_x/paint_whole_5000")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Zoom clicks on a drawing of as many objects as a drawing may hold (the generator adds three
// of its own), made and opened once for each shape: `zoom` times the zoom that shows the sheet
// whole, the walk spread over `area` times the sheet's width and height, or laid over `tiles`
// sheet-sized areas.
void paintLargest(benchmark::State& state, double zoom, double area, int tiles) {
    static std::map<std::tuple<double, double, int>, Window*> opened;
    Window*& w = opened[{zoom, area, tiles}];
    if (!w) w = &window(static_cast<int>(model::kMaxObjects) - 3, zoom, area, tiles);
    zoomedPaint(state, *w);
    state.counters["objects"] = static_cast<double>(w->view->document().drawing.objects.size());
}

// Over the same sheet as the 5,002-object drawing, zoomed in so that about a tenth is shown.
BENCHMARK_CAPTURE(paintLargest, tenth, std::sqrt(10.0), 1.0, 1)
    ->Name("window_x/paint_tenth_50000")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The same number of objects at the density of the 5,002-object drawing: the walk spread over
// ten times the sheet's area, shown at the zoom that shows the 5,002-object drawing whole, so
// that about a tenth of the drawing, as crowded as the smaller one, is in the window. Its cost
// against paint_whole_5000 is what a paint bounded by what it shows should keep near 1.
BENCHMARK_CAPTURE(paintLargest, tenth_spread, 1.0, std::sqrt(10.0), 1)
    ->Name("window_x/paint_tenth_spread_50000")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// The generator's walk starts again from the sheet's middle whenever it leaves its area, so a
// drawing spread over ten times the area is still crowded around the middle: the window of the
// row above holds about five times the objects of the 5,002-object drawing (counter
// in_window). Spread over 49 times the area, the window holds under twice as many as that
// drawing shown whole: nearer the measure of a paint bounded by what it shows.
BENCHMARK_CAPTURE(paintLargest, spread49, 1.0, 7.0, 1)
    ->Name("window_x/paint_spread49_50000")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

// Ten sheets' worth side by side, each as crowded as the 5,002-object drawing, the window over
// the first at the zoom that shows the 5,002-object drawing whole: a tenth of the drawing, and
// as much in the window as that drawing shows. What the paint spends on the other nine tenths
// is what this row adds to paint_whole_5000.
BENCHMARK_CAPTURE(paintLargest, tenth_tiled, 1.0, 1.0, 10)
    ->Name("window_x/paint_tenth_tiled_50000")->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (!std::getenv("DISPLAY")) {
        std::fputs("bench_window_x: needs an X display, e.g. xvfb-run -a -s \"-screen 0 1366x800x24\" "
                   "bench_window_x\n",
                   stderr);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    app::setUpApplication();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    int status = 0;
    std::thread bench([&] {
        try {
            benchmark::RunSpecifiedBenchmarks();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_window_x: %s\n", e.what());
            status = 1;
        }
        try {
            windows().clear();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "bench_window_x: %s\n", e.what());
        }
        benchmark::Shutdown();
        QMetaObject::invokeMethod(qApp, [] { QCoreApplication::quit(); }, Qt::QueuedConnection);
    });
    QApplication::exec();
    bench.join();
    return status;
}
