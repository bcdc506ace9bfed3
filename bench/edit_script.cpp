// Drawing by script as the window draws: a chain of pipe segments, each placed by two clicks
// and its segment dialog, with automatic welds at the joints (every joint's weld number finds
// its place at the next paint). `edit_script_chain/N` plays a whole N-segment script; its
// times for 1,000 and 4,000 segments show how the cost of drawing grows with the drawing.
// `edit_click_segment` is one segment added to a drawing of about 8,000 objects through the
// view controller, with what the window's paint does to the document afterwards (layouts and
// label places; the pixels are not drawn).

#include <sstream>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "tubra/appcore/Commands.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/SessionPlayer.h"

namespace {

using namespace tubra;

constexpr double kStepX = 86.60254;  // 100 drawing units east at the usual axis angles
constexpr double kStepY = -50.0;
constexpr int kPerRow = 200;

struct Chain {
    double x = 0.0, y = 0.0;
    int count = 0;

    // The lines that add one segment after the previous one.
    std::string segment() {
        std::ostringstream s;
        s.precision(10);
        s << "click " << x << ' ' << y << "\ndialog Distanc=100 DistTxt=" << 1000 + count << '\n';
        x += kStepX;
        y += kStepY;
        s << "click " << x << ' ' << y << '\n';
        if (++count % kPerRow == 0) {
            x = 0.0;
            y += -3000.0 - kPerRow * kStepY;
        }
        return s.str();
    }
};

std::vector<edit::KeyBinding> keys() {
    std::vector<edit::KeyBinding> k;
    k = app::keyBindings();
    return k;
}

std::string script(Chain& chain, int segments) {
    std::string text = "new 0\nkey T\ncommand 2709\n";
    for (int i = 0; i < segments; ++i) text += chain.segment();
    return text;
}

void BM_ScriptChain(benchmark::State& state) {
    const int segments = static_cast<int>(state.range(0));
    Chain chain;
    const std::string text = script(chain, segments);
    edit::CommandRegistry registry;
    app::installCommands(registry);
    for (auto _ : state) {
        model::AppContext app;
        edit::SessionPlayer player(app, registry, keys());
        const edit::SessionResult r = player.run(text);
        if (!r.ok) state.SkipWithError(r.message.c_str());
        benchmark::DoNotOptimize(player.document());
    }
    state.counters["segments"] = segments;
}
BENCHMARK(BM_ScriptChain)->Name("edit_script_chain")->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ClickSegment(benchmark::State& state) {
    Chain chain;
    edit::CommandRegistry registry;
    app::installCommands(registry);
    model::AppContext app;
    edit::SessionPlayer player(app, registry, keys());
    // 4,000 segments and their 3,999 welds.
    if (const edit::SessionResult r = player.run(script(chain, 4000)); !r.ok) {
        state.SkipWithError(r.message.c_str());
        return;
    }
    const std::size_t before = player.document()->drawing.objects.size();
    for (auto _ : state) {
        const edit::SessionResult r = player.run(chain.segment());
        if (!r.ok) state.SkipWithError(r.message.c_str());
    }
    state.counters["objects"] = static_cast<double>(before);
}
BENCHMARK(BM_ClickSegment)->Name("edit_click_segment")->Unit(benchmark::kMillisecond)->Iterations(50);

}  // namespace

BENCHMARK_MAIN();
