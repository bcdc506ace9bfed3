#include "tubra/report/ReportPagePainter.h"

#include "tubra/report/ReportPaging.h"

namespace tubra::report {

void DrawSheet(PagePainter& p, int pageIndex, int subPage) {
    switch (pageIndex) {
        case kCoverPage: DrawCoverPage(p); break;
        case kContentsPage: DrawContentsPage(p); break;
        case kConclusionPage: DrawConclusionPage(p); break;
        case kSummaryPage: DrawSummaryPage(p); break;
        case kReviewPage: DrawReviewPage(p); break;
        case kVisualPage: DrawVisualPage(p); break;
        case kThicknessPage: DrawThicknessPage(p, subPage); break;
        case kMagneticPage: DrawMagneticPage(p, subPage); break;
        case kPenetrantPage: DrawPenetrantPage(p, subPage); break;
        case kRadiographPage: DrawRadiographPage(p, subPage); break;
        case kUltrasonicPage: DrawUltrasonicPage(p, subPage); break;
        case kChemicalPage: DrawChemicalPage(p); break;
        case kHardnessPage: DrawHardnessPage(p, subPage); break;
        case kMetallographPage: DrawMetallographPage(p); break;
        case kPressureTestPage: DrawPressureTestPage(p, false); break;
        case kLeakTestPage: DrawPressureTestPage(p, true); break;
        case kAccessoryPage: DrawAccessoryPage(p); break;
        case kRepairPage: DrawRepairPage(p); break;
        case kOnlineCoverPage: DrawOnlineCoverPage(p); break;
        case kOnlineRegisterPage: DrawOnlineRegisterPage(p); break;
        case kOnlineThicknessPage: DrawOnlineThicknessPage(p); break;
        case kOnlineReportPage: DrawOnlineReportPage(p); break;
        default: break;
    }
}

void DrawReportPages(platform::Canvas& canvas, const InspectionReport& report,
                     const model::CharacteristicTable& table, int pageIndex) {
    platform::CanvasStateGuard guard(canvas);
    const bool display = !canvas.isPrinter();
    const std::vector<PlacedSheet> sheets = SheetsOf(report, pageIndex);
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
        DrawSheet(page, sheet.pageIndex, sheet.subPage);
        page.pageNumber(sheet.label);
    }
}

std::vector<std::string_view> OptionNames(std::string_view options) {
    constexpr std::string_view kSeparator = "；";
    std::vector<std::string_view> names;
    for (int k = 0;; ++k) {
        const std::size_t at = OptionOffset(options, k);
        if (at == std::string_view::npos) break;
        std::string_view name = options.substr(at + 2, OptionOffset(options, k + 1) - (at + 2));
        if (name.size() >= kSeparator.size() && name.substr(name.size() - kSeparator.size()) == kSeparator)
            name.remove_suffix(kSeparator.size());
        names.push_back(name);
    }
    return names;
}

// --- the report store's page hooks ---------------------------------------------------------

void InspectionReport::drawReportPages(platform::Canvas& canvas, int pageIndex,
                                       const model::CharacteristicTable& table) {
    DrawReportPages(canvas, *this, table, pageIndex);
    // A stacked drawing leaves every list on its first sheet.
    if (IsStackedIndex(pageIndex))
        for (int p = kFirstFormPage; p <= kLastFormPage; ++p) SetCurrentSubPage(*this, p, 0);
}

int InspectionReport::countPrintPages(int pageIndex) const { return CountPrintPages(*this, pageIndex); }

}  // namespace tubra::report
