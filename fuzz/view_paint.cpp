// Any bytes as a drawing file, painted: the paint and the view computations must not crash
// whatever numbers the file holds, and the indexed crossing pass must draw exactly what the
// pass over all pairs draws.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RecordingCanvas.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ViewState.h"

using namespace tubra;

namespace {

bool sameCalls(const platform::RecordingCanvas& a, const platform::RecordingCanvas& b) {
    if (a.calls().size() != b.calls().size()) return false;
    for (std::size_t i = 0; i < a.calls().size(); ++i) {
        const auto& x = a.calls()[i];
        const auto& y = b.calls()[i];
        if (x.kind != y.kind || x.points != y.points || !(x.rect == y.rect) || x.text != y.text ||
            x.colour != y.colour || !(x.state == y.state))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    model::AppContext app;
    model::Document doc(app);
    model::readDrawing(std::string_view(reinterpret_cast<const char*>(data), size), doc.drawing,
                       app.settings);
    // The all-pairs pass is quadratic; keep each run short.
    if (doc.drawing.objects.size() > 400) return 0;
    for (std::size_t i = 0; i < doc.drawing.objects.size(); i += 3)
        doc.selection.add(&doc.drawing.objects.at(i));
    app.justOpened = true;

    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    platform::RecordingCanvas plain, indexed;
    view::ViewState v1 = view, v2 = view;
    // The paint lays annotations out into the objects: paint once so both passes see the same.
    {
        platform::RecordingCanvas warmup;
        view::ViewState v0 = view;
        view::OnDraw(doc, v0, warmup);
    }
    view::OnDraw(doc, v1, plain, nullptr, view::CrossingPass::AllPairs);
    view::OnDraw(doc, v2, indexed, nullptr, view::CrossingPass::Indexed);
    if (!sameCalls(plain, indexed)) std::abort();

    view::zoomIn(view, doc.drawing, {0, 0, 800, 600});
    view::zoomOut(view, doc.drawing, {0, 0, 800, 600});
    view::fitToWindow(view, doc.drawing, {800, 600}, 96.0 / 254.0);
    const auto saved = view::OnPreparePrinting(app.settings);
    platform::RecordingCanvas printer;
    view::OnPrint(doc, view, printer, 1);
    view::OnEndPrinting(app.settings, saved);
    return 0;
}
