// Report mode of the view: switching it, painting pages through the installed report painter,
// the pages a print holds and where each printed page lies.

#include <gtest/gtest.h>

#include "tubra/view/Paint.h"
#include "tubra/view/PrintJob.h"
#include "tubra/view/ReportPages.h"
#include "ViewTestSupport.h"

using namespace tubra;
using namespace tubra::view;

namespace {

// A report store with `pages` sheets per stack, and a painter installed while it lives that
// remembers what it was asked to prepare and draw.
struct PagedStore : model::VerbatimReportStore {
    int pages = 3;
    mutable std::vector<int> drawn;
    std::vector<int> prepared;
    mutable std::string tableName;
};

struct PagedPainter : ReportPagePainter {
    void prepare(model::ReportStore& store, int pageIndex) const override {
        static_cast<PagedStore&>(store).prepared.push_back(pageIndex);
    }
    void paint(const model::ReportStore& store, int pageIndex, const model::CharacteristicTable& table,
               platform::Canvas& canvas) const override {
        const auto& s = static_cast<const PagedStore&>(store);
        s.drawn.push_back(pageIndex);
        s.tableName = table.values[0].str();
        canvas.moveTo({0, 0});
        canvas.lineTo({2100, -2900 * s.pages});
    }
    int countPrintPages(const model::ReportStore& store, int pageIndex) const override {
        return pageIndex == 22 || pageIndex == 28 ? static_cast<const PagedStore&>(store).pages : 1;
    }
    std::vector<std::string> cutFields(const model::ReportStore&, int,
                                       const model::CharacteristicTable&) const override {
        return {};
    }
};

struct Paged {
    model::AppContext app;
    PagedStore* store = nullptr;
    std::unique_ptr<model::Document> doc;
    ViewState view;
    PagedPainter painter;
    const ReportPagePainter* before = nullptr;
    Paged() {
        app.makeReportStore = [this] {
            auto s = std::make_unique<PagedStore>();
            store = s.get();
            return s;
        };
        doc = std::make_unique<model::Document>(app);
        before = installReportPagePainter(&painter);
    }
    ~Paged() { installReportPagePainter(before); }
    Paged(const Paged&) = delete;
    Paged& operator=(const Paged&) = delete;
};

struct Host : ViewHost {
    int resets = 0;
    void resetTool() override { ++resets; }
};

struct RecordedPages {
    std::vector<std::unique_ptr<platform::RecordingCanvas>> pages;
    RecordedPages() { newPage(); }
    platform::Canvas& canvas() { return *pages.back(); }
    bool newPage() {
        platform::RecordingCanvas::Options o;
        o.printer = true;
        pages.push_back(std::make_unique<platform::RecordingCanvas>(o));
        return true;
    }
    int printLeft() const { return 12; }
};

}  // namespace

TEST(ReportMode, ToggleEntersAtZoomOneOnTheCoverAndLeavesToTheSheet) {
    Paged p;
    p.view.ZoomPara = 2.5;
    p.view.pageExtent = {2900, 2050};
    ASSERT_FALSE(p.doc->isModified());

    ScrollChange in = ToggleReportMode(p.view, *p.doc);
    EXPECT_TRUE(showsReport(p.view));
    EXPECT_EQ(p.view.ZoomPara, 1.0);
    EXPECT_EQ(p.view.reportDisplay[1], 0);  // no page chosen: the cover
    EXPECT_EQ(p.doc->drawing.IsShowReport, (std::array<std::int32_t, 2>{1, 0}));
    EXPECT_TRUE(p.doc->isModified());
    EXPECT_TRUE(in.setScrollSizes);
    EXPECT_EQ(in.extent, (platform::Size{2100, 2900}));

    p.doc->setModifiedFlag(false);
    ScrollChange out = ToggleReportMode(p.view, *p.doc);
    EXPECT_FALSE(showsReport(p.view));
    EXPECT_EQ(p.view.reportDisplay[1], 0);  // the page is kept for the next time
    EXPECT_EQ(out.extent, (platform::Size{2900, 2050}));  // page size times the zoom of 1
    EXPECT_EQ(p.doc->drawing.IsShowReport, (std::array<std::int32_t, 2>{0, 0}));
    EXPECT_TRUE(p.doc->isModified());

    // A chosen page comes back; a stack scrolls over all its sheets.
    p.view.reportDisplay[1] = 22;
    EXPECT_EQ(ToggleReportMode(p.view, *p.doc).extent, (platform::Size{2100, 3 * 2900}));
    EXPECT_EQ(p.doc->drawing.IsShowReport, (std::array<std::int32_t, 2>{1, 22}));

    // Another page while in report mode keeps the mode.
    showReportPage(p.view, *p.doc, 17);
    EXPECT_EQ(p.view.reportDisplay, (std::array<int, 2>{1, 17}));
    EXPECT_EQ(p.view.scrollExtent, (platform::Size{2100, 2900}));
    // From the drawing it enters report mode at zoom 1.
    ToggleReportMode(p.view, *p.doc);
    p.view.ZoomPara = 3;
    showReportPage(p.view, *p.doc, 28);
    EXPECT_EQ(p.view.reportDisplay, (std::array<int, 2>{1, 28}));
    EXPECT_EQ(p.view.ZoomPara, 1.0);
}

TEST(ReportMode, PaintDrawsThePagesInsteadOfTheDrawing) {
    Paged p;
    viewtest::add(*p.doc, viewtest::makePipe({0, 0, 0}, {0, 500, 0}));
    p.doc->drawing.table.values[0] = "LINE-1";
    p.view.table.values[0] = "LINE-1";
    p.view.reportDisplay = {1, 22};
    platform::RecordingCanvas canvas;
    Host host;
    OnDraw(*p.doc, p.view, canvas, &host);
    EXPECT_EQ(p.store->prepared, std::vector<int>{22});
    EXPECT_EQ(p.store->drawn, std::vector<int>{22});
    EXPECT_EQ(p.store->tableName, "LINE-1");
    EXPECT_EQ(canvas.segments().size(), 1u);  // only what the store drew
    EXPECT_EQ(p.view.scrollExtent, (platform::Size{2100, 3 * 2900}));
    EXPECT_EQ(host.resets, 1);

    // A just-opened file brings its report display.
    p.doc->drawing.IsShowReport = {1, 6};
    p.app.justOpened = true;
    ViewState fresh;
    OnDraw(*p.doc, fresh, canvas);
    EXPECT_EQ(p.store->drawn.back(), 6);
    EXPECT_EQ(fresh.scrollExtent, (platform::Size{2100, 2900}));
}

TEST(ReportMode, PrintingAStackPrintsEverySheetOnePageHeightApart) {
    Paged p;
    p.view.reportDisplay = {1, 22};
    EXPECT_EQ(printPagesOf(*p.doc, p.view).last, 3);
    p.view.reportDisplay = {1, 6};
    EXPECT_EQ(printPagesOf(*p.doc, p.view).last, 1);
    p.view.reportDisplay = {0, 22};
    EXPECT_EQ(printPagesOf(*p.doc, p.view).last, 1);
    // A stack with nothing shown still prints one (empty) page rather than failing.
    p.store->pages = 0;
    p.view.reportDisplay = {1, 22};
    EXPECT_EQ(printPagesOf(*p.doc, p.view).last, 1);
    p.store->pages = 3;

    RecordedPages device;
    EXPECT_EQ(printDocument(*p.doc, p.view, device, printPagesOf(*p.doc, p.view)), 3);
    ASSERT_EQ(device.pages.size(), 3u);
    for (int k = 1; k <= 3; ++k) {
        const auto& calls = device.pages[static_cast<std::size_t>(k - 1)]->calls();
        ASSERT_FALSE(calls.empty());
        // Page k: the window origin at the printable left edge and (1 - k) x 2900, whatever
        // the drawing's sheet size.
        EXPECT_EQ(calls.front().state.windowOrigin, (platform::Point{12, (1 - k) * 2900})) << k;
    }
    const Paper paper = paperFor(*p.doc, p.view);
    EXPECT_FALSE(paper.a3);
    EXPECT_FALSE(paper.landscape);
}
