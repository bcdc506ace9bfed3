#include "EditTestSupport.h"

#include <cmath>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

#include "tubra/appcore/Commands.h"

namespace edittest {

using namespace tubra;

RecordingPort::RecordingPort() : canvas({96.0 / 254.0, {1024, 768}}) {
    canvas.setViewportOrigin({-scroll.x, -scroll.y});
}

edit::DeviceTransform RecordingPort::transform() const {
    return {96.0 / 254.0, static_cast<double>(scroll.x), static_cast<double>(scroll.y)};
}

void RecordingPort::scrollToDevice(int x, int y) {
    scroll = {x, y};
    canvas.setViewportOrigin({-scroll.x, -scroll.y});
    ++repaints;
}

void RecordingPort::apply(const view::ScrollChange& change) {
    applied.push_back(change);
    if (change.scroll)
        scrollToDevice(static_cast<int>(std::lround(change.position.x * 96.0 / 254.0)),
                       static_cast<int>(std::lround(-change.position.y * 96.0 / 254.0)));
    if (change.invalidate) ++repaints;
}

platform::Canvas* RecordingPort::beginFeedback() { return &canvas; }

bool feedbackErased(const platform::RecordingCanvas& c, std::size_t from) {
    std::map<std::tuple<int, std::vector<std::pair<int, int>>, int, unsigned>, int> counts;
    for (const platform::CanvasCall& call : c.callsSince(from)) {
        if (call.state.rasterOp == platform::RasterOp::Copy) continue;
        std::vector<std::pair<int, int>> pts;
        for (const platform::Point& p : call.points) pts.emplace_back(p.x, p.y);
        pts.emplace_back(call.rect.left, call.rect.top);
        pts.emplace_back(call.rect.right, call.rect.bottom);
        ++counts[{static_cast<int>(call.kind), pts, call.state.pen.width, call.state.pen.colour}];
    }
    for (const auto& [key, n] : counts)
        if (n % 2) return false;
    return true;
}

Bench::Bench() {
    doc.onNewDocument();
    view::applyNewDrawing(view, doc, view::NewDrawingValues{});
    controller = std::make_unique<edit::ViewController>(
        edit::ViewController::Services{doc, view, settings, port, prompter, forms, {}});
}

Bench::~Bench() { controller.reset(); }

void command(tubra::edit::ViewController& c, int id) {
    edit::CommandContext context{c.document(), c.viewState(), c.prompter(), c.forms(), &c, {}, &c.port()};
    if (!tubra::app::commandRegistry().run(id, context)) throw std::logic_error("command not run: " + std::to_string(id));
}

bool checked(tubra::edit::ViewController& c, int id) {
    const edit::CommandContext context{c.document(), c.viewState(), c.prompter(), c.forms(), &c, {}, &c.port()};
    return tubra::app::commandRegistry().isChecked(id, context);
}

void Bench::command(int id) { edittest::command(*controller, id); }

void Bench::move(double x, double y) { controller->mouseMove(at(x, y)); }

void Bench::click(double x, double y) {
    const DevicePoint p = at(x, y);
    controller->mouseMove(p);
    controller->leftDown(p);
    controller->leftUp(p);
}

void Bench::segment(double ax, double ay, double bx, double by, std::vector<std::string> dialog) {
    click(ax, ay);
    forms.queue(std::move(dialog), 0);
    click(bx, by);
}

}  // namespace edittest
