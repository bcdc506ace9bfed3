#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ViewPages.h"

#include <algorithm>

#include "text/Gbk.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::report {

namespace {

// A printer of unbounded size that draws nothing: the pages are laid out on it to find what
// they cannot show. Its metrics are those the fits count with.
class MeasureCanvas final : public platform::Canvas {
public:
    platform::TextMetrics textMetrics() const override {
        const int h = state_.font.height == 0 ? 40 : std::abs(state_.font.height);
        const int a = state_.font.width > 0 ? state_.font.width : h / 2;
        return {h, h - h / 5, h / 5, 0, 0, a, 2 * a};
    }
    platform::Size textExtent(std::string_view gbk) const override {
        return {static_cast<int>(gbk.size()) * textMetrics().aveCharWidth, textMetrics().height};
    }
    bool isPrinter() const override { return true; }
    double pixelsPerUnit() const override { return 1.0; }
    platform::Size deviceSize() const override { return {1 << 24, 1 << 24}; }

protected:
    void doLine(platform::Point, platform::Point) override {}
    void doPolyline(std::span<const platform::Point>) override {}
    void doPolygon(std::span<const platform::Point>) override {}
    void doPolyBezier(std::span<const platform::Point>) override {}
    void doEllipse(const platform::Rect&) override {}
    void doRectangle(const platform::Rect&) override {}
    void doFillRect(const platform::Rect&, platform::Colour) override {}
    void doTextOut(platform::Point, std::string_view) override {}
    int doDrawText(const platform::Rect&, const std::vector<std::string_view>&, unsigned) override { return 0; }
};

// The room a continuation sheet has for its rows under the heading row.
constexpr int kContinuationHeading = 70;
constexpr int kContinuationLabelWidth = 300;
constexpr int kContinuationRoom = kFormTop - kFormBottomLimit - kContinuationHeading;
constexpr int kContinuationPad = 24;
constexpr int kContinuationMinRow = 70;

// The height of a continuation row: its label and its whole value at the table size.
int continuationRowHeight(const ContinuedField& f) {
    text::FitStyle style;
    style.gapPercent = 12;
    constexpr int kPad = 16;
    const text::Fit label = text::fitAtHeight(f.label, kContinuationLabelWidth - kPad, 1 << 20, style);
    const text::Fit value = text::fitAtHeight(f.text, kFormWidth - kContinuationLabelWidth - kPad, 1 << 20, style);
    return std::max(kContinuationMinRow, std::max(label.blockHeight(), value.blockHeight()) + kContinuationPad);
}

}  // namespace

PageOverflow overflowOf(const InspectionReport& report, const model::CharacteristicTable& table, int pageIndex) {
    PageOverflow out;
    if (!isReportPageIndex(pageIndex) || isStackedIndex(pageIndex)) return out;
    MeasureCanvas canvas;
    const int sheets = subPageCount(report, pageIndex);
    for (int k = 0; k < sheets; ++k) {
        PagePainter page(canvas, report, table);
        drawSheet(page, pageIndex, k);
        // The header of a split list page repeats on every sheet; its values continue once.
        for (const ContinuedField& f : page.continued())
            if (std::find(out.continued.begin(), out.continued.end(), f) == out.continued.end())
                out.continued.push_back(f);
        for (const std::string& c : page.cut())
            if (std::find(out.cut.begin(), out.cut.end(), c) == out.cut.end()) out.cut.push_back(c);
    }
    return out;
}

std::vector<std::vector<ContinuedField>> continuationSheets(const std::vector<ContinuedField>& fields) {
    std::vector<std::vector<ContinuedField>> sheets;
    int used = kContinuationRoom;
    for (const ContinuedField& f : fields) {
        const int h = std::min(continuationRowHeight(f), kContinuationRoom);
        if (sheets.empty() || used + h > kContinuationRoom) {
            sheets.emplace_back();
            used = 0;
        }
        sheets.back().push_back(f);
        used += h;
    }
    return sheets;
}

void drawContinuationSheet(PagePainter& p, int pageIndex, const std::vector<ContinuedField>& fields) {
    p.header(text::gbk(pageTitle(pageIndex)) + text::gbk("（续页）"));
    if (pageIndex == kOnlineReportPage) drawOnlineReportNumber(p);
    Grid g(p, kFormTop);
    g.row(kContinuationHeading, {label(kContinuationLabelWidth, text::gbk("栏　　目")), label(0, text::gbk("内　　容"))});
    for (const ContinuedField& f : fields)
        g.row(std::min(continuationRowHeight(f), kContinuationRoom),
              {label(kContinuationLabelWidth, f.label), leftText(0, f.text)});
    g.close();
}

void drawSheet(PagePainter& p, int pageIndex, int subPage) {
    switch (pageIndex) {
        case kCoverPage: drawCoverPage(p); break;
        case kContentsPage: drawContentsPage(p); break;
        case kConclusionPage: drawConclusionPage(p); break;
        case kSummaryPage: drawSummaryPage(p); break;
        case kReviewPage: drawReviewPage(p); break;
        case kVisualPage: drawVisualPage(p); break;
        case kThicknessPage: drawThicknessPage(p, subPage); break;
        case kMagneticPage: drawMagneticPage(p, subPage); break;
        case kPenetrantPage: drawPenetrantPage(p, subPage); break;
        case kRadiographPage: drawRadiographPage(p, subPage); break;
        case kUltrasonicPage: drawUltrasonicPage(p, subPage); break;
        case kChemicalPage: drawChemicalPage(p); break;
        case kHardnessPage: drawHardnessPage(p, subPage); break;
        case kMetallographPage: drawMetallographPage(p); break;
        case kPressureTestPage: drawPressureTestPage(p, false); break;
        case kLeakTestPage: drawPressureTestPage(p, true); break;
        case kAccessoryPage: drawAccessoryPage(p); break;
        case kRepairPage: drawRepairPage(p); break;
        case kOnlineCoverPage: drawOnlineCoverPage(p); break;
        case kOnlineRegisterPage: drawOnlineRegisterPage(p); break;
        case kOnlineThicknessPage: drawOnlineThicknessPage(p); break;
        case kOnlineReportPage: drawOnlineReportPage(p); break;
        default: break;
    }
}

void drawReportPages(platform::Canvas& canvas, const InspectionReport& report,
                     const model::CharacteristicTable& table, int pageIndex) {
    platform::CanvasStateGuard guard(canvas);
    const bool display = !canvas.isPrinter();
    const std::vector<PlacedSheet> sheets = sheetsOf(report, pageIndex, table);
    if (sheets.empty()) {
        // Nothing to show: an empty page outline tells the user where the page would be.
        if (display) PagePainter(canvas, report, table).outline();
        return;
    }
    // Only the sheets the device shows are drawn: a printed page of a stack is the whole stack
    // seen through one sheet, and a window shows one or two sheets at a time.
    const platform::Rect visible = platform::normalisedLogical(canvas.clipBox());
    for (const PlacedSheet& sheet : sheets) {
        const long long top = -static_cast<long long>(sheet.slot) * kReportPageHeight;
        if (top - kReportPageHeight >= visible.top || top <= visible.bottom) continue;
        PagePainter page(canvas, report, table, sheet.slot * kReportPageHeight);
        if (display) {
            page.paper();
            page.outline();
        }
        if (sheet.continuation >= 0)
            drawContinuationSheet(page, sheet.pageIndex, sheet.continued);
        else
            drawSheet(page, sheet.pageIndex, sheet.subPage);
        page.pageNumber(text::utf8ToGbk(sheet.label));
    }
}

std::vector<std::string_view> optionNames(std::string_view options) {
    constexpr std::string_view kSeparator = "；";
    std::vector<std::string_view> names;
    for (int k = 0;; ++k) {
        const std::size_t at = optionOffset(options, k);
        if (at == std::string_view::npos) break;
        std::string_view name = options.substr(at + 2, optionOffset(options, k + 1) - (at + 2));
        if (name.size() >= kSeparator.size() && name.substr(name.size() - kSeparator.size()) == kSeparator)
            name.remove_suffix(kSeparator.size());
        names.push_back(name);
    }
    return names;
}

// --- the report store's page hooks ---------------------------------------------------------

void InspectionReportPages::prepare(model::ReportStore& store, int pageIndex) const {
    auto* report = dynamic_cast<InspectionReport*>(&store);
    // A stack shown leaves every list on its first sheet.
    if (report && isStackedIndex(pageIndex))
        for (int p = kFirstFormPage; p <= kLastFormPage; ++p) setCurrentSubPage(*report, p, 0);
}

void InspectionReportPages::paint(const model::ReportStore& store, int pageIndex,
                                  const model::CharacteristicTable& table, platform::Canvas& canvas) const {
    if (const auto* report = dynamic_cast<const InspectionReport*>(&store))
        drawReportPages(canvas, *report, table, pageIndex);
}

int InspectionReportPages::countPrintPages(const model::ReportStore& store, int pageIndex) const {
    const auto* report = dynamic_cast<const InspectionReport*>(&store);
    return report ? CountPrintPages(*report, pageIndex) : 1;
}

std::vector<std::string> InspectionReportPages::cutFields(
    const model::ReportStore& store, int pageIndex, const model::CharacteristicTable& table) const {
    std::vector<std::string> out;
    if (const auto* report = dynamic_cast<const InspectionReport*>(&store))
        for (const std::string& f : report::cutFields(*report, pageIndex, table))
            out.push_back(text::gbkToUtf8(f));
    return out;
}

}  // namespace tubra::report
