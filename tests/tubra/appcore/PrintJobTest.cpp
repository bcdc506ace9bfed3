// The page loop every front end prints through, on a recording device.

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "platform/RecordingCanvas.h"
#include "support/GeneratedDrawing.h"
#include "tubra/view/PrintJob.h"

using namespace tubra;

namespace {

// A paged device that records each page on a canvas of its own.
struct RecordedPages {
    std::vector<std::unique_ptr<platform::RecordingCanvas>> pages;
    int failAtPage = 0;  // newPage fails when asked for this page
    RecordedPages() { pages.push_back(std::make_unique<platform::RecordingCanvas>(printerOptions())); }
    static platform::RecordingCanvas::Options printerOptions() {
        platform::RecordingCanvas::Options o;
        o.printer = true;
        o.pixelsPerUnit = 600 / 254.0;
        return o;
    }
    platform::Canvas& canvas() { return *pages.back(); }
    bool newPage() {
        if (failAtPage == static_cast<int>(pages.size()) + 1) return false;
        pages.push_back(std::make_unique<platform::RecordingCanvas>(printerOptions()));
        return true;
    }
    int printLeft() const { return 0; }
};
static_assert(view::PagedDevice<RecordedPages>);

struct Printed {
    model::AppContext app;
    model::Document doc{app};
    Printed() {
        tubra::testing::GeneratorOptions options;
        options.objects = 60;
        tubra::testing::generateDrawing(doc.drawing, options);
        doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
    }
};

std::set<platform::Colour> lineColours(const platform::RecordingCanvas& canvas) {
    std::set<platform::Colour> colours;
    for (const platform::DrawnSegment& s : canvas.segments())
        if (s.pen.style != platform::PenStyle::Null) colours.insert(s.pen.colour);
    return colours;
}

}  // namespace

TEST(PrintJob, BlackOnWhiteWhileTheSettingsAskAndColoursBackAfterwards) {
    Printed p;
    view::ViewState view = view::viewForPrinting(p.doc);
    const model::DrawingSettings before = p.app.settings;
    ASSERT_EQ(before.PrintIsNoColor, 1);

    RecordedPages device;
    EXPECT_EQ(view::printDocument(p.doc, view, device, {1, 1}), 1);
    ASSERT_FALSE(device.pages[0]->segments().empty());
    // Black lines; the crossing gaps are cut in the (white) background colour.
    for (platform::Colour c : lineColours(*device.pages[0])) EXPECT_TRUE(c == 0x000000 || c == 0xFFFFFF) << c;
    EXPECT_TRUE(lineColours(*device.pages[0]).count(0x000000));
    EXPECT_EQ(p.app.settings, before);

    // In colour when black and white is off.
    p.app.settings.PrintIsNoColor = 0;
    RecordedPages coloured;
    view::printDocument(p.doc, view, coloured, {1, 1});
    EXPECT_TRUE(lineColours(*coloured.pages[0]).count(before.ZhuXianColor));
}

TEST(PrintJob, EveryPageMovesTheWindowOriginByTheSheetWidth) {
    Printed p;
    view::ViewState view = view::viewForPrinting(p.doc);
    RecordedPages device;
    EXPECT_EQ(view::printDocument(p.doc, view, device, {1, 3}), 3);
    ASSERT_EQ(device.pages.size(), 3u);
    for (int page = 1; page <= 3; ++page) {
        const auto& calls = device.pages[static_cast<std::size_t>(page - 1)]->calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.front().state.windowOrigin, (platform::Point{0, (1 - page) * 2900}));
    }
    // The canvas is left as it was found.
    EXPECT_EQ(device.pages[0]->windowOrigin(), (platform::Point{0, 0}));

    // A device that fails stops the print; the colours still come back.
    const model::DrawingSettings before = p.app.settings;
    RecordedPages failing;
    failing.failAtPage = 2;
    EXPECT_EQ(view::printDocument(p.doc, view, failing, {1, 3}), 1);
    EXPECT_EQ(p.app.settings, before);
    RecordedPages none;
    EXPECT_EQ(view::printDocument(p.doc, view, none, {2, 1}), 0);
}

TEST(PrintJob, PaperAndTheViewOfAnOpenedFile) {
    Printed p;
    p.doc.drawing.PageSize = 1;
    p.doc.drawing.X_AxisAngle = 45;
    p.app.justOpened = true;
    view::ViewState view = view::viewForPrinting(p.doc);
    EXPECT_EQ(view.X_AxisAngle, 45);
    EXPECT_EQ(view.pageExtent, (platform::Size{4100, 2900}));
    EXPECT_FALSE(p.app.justOpened);
    view::Paper paper = view::paperFor(p.doc, view);
    EXPECT_TRUE(paper.a3);
    EXPECT_TRUE(paper.landscape);
    view.reportDisplay = {1, 3};
    paper = view::paperFor(p.doc, view);
    EXPECT_FALSE(paper.a3);
    EXPECT_FALSE(paper.landscape);
}

TEST(PrintJob, TheSelectionIsNeverPrinted) {
    // The window prints its own document, whose selection shows on screen only.
    Printed p;
    view::ViewState view = view::viewForPrinting(p.doc);
    RecordedPages plain;
    view::printDocument(p.doc, view, plain, {1, 1});
    for (const model::PipeObject& o : p.doc.drawing.objects) p.doc.selection.add(&o);
    RecordedPages selected;
    view::printDocument(p.doc, view, selected, {1, 1});
    ASSERT_EQ(selected.pages[0]->calls().size(), plain.pages[0]->calls().size());
    for (const platform::DrawnSegment& s : selected.pages[0]->segments())
        EXPECT_EQ(s.rasterOp, platform::RasterOp::Copy);
}
