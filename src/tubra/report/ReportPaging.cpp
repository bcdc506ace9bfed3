#include "tubra/report/ReportPaging.h"

#include <algorithm>
#include <map>
#include <type_traits>

#include "tubra/report/ReportPagePainter.h"

namespace tubra::report {

namespace {

// Page numbers of the contents that count as set.
constexpr int kFirstContentsNumber = 1;
constexpr int kLastContentsNumber = 998;

// The current sub-page member of a split list page's list, or null.
template <typename Report>
auto* subPageOf(Report& r, int pageIndex) {
    using Int = std::conditional_t<std::is_const_v<Report>, const int, int>;
    Int* p = nullptr;
    switch (pageIndex) {
        case kThicknessPage: p = &r.thicknessPoints.currentSubPage; break;
        case kMagneticPage: p = &r.magneticDefects.currentSubPage; break;
        case kPenetrantPage: p = &r.penetrantDefects.currentSubPage; break;
        case kRadiographPage: p = &r.radiographDefects.currentSubPage; break;
        case kUltrasonicPage: p = &r.ultrasonicDefects.currentSubPage; break;
        case kHardnessPage: p = &r.hardnessPoints.currentSubPage; break;
        default: break;
    }
    return p;
}

}  // namespace

bool isPageShown(const PrintSetData& set, int slot) {
    return slot >= 0 && slot < static_cast<int>(set.flags.size()) && set.flags[static_cast<std::size_t>(slot)] == 1;
}

bool isFullSetIndex(int index) { return (index >= kCoverPage && index <= kRepairPage) || index == kAllFullPages; }

bool isOnlineSetIndex(int index) {
    return (index >= kOnlineCoverPage && index <= kOnlineReportPage) || index == kAllOnlinePages;
}

bool isStackedIndex(int index) { return index == kAllFullPages || index == kAllOnlinePages; }

bool isReportPageIndex(int index) { return isFullSetIndex(index) || isOnlineSetIndex(index); }

int RecordsPerPage(int pageIndex) {
    switch (pageIndex) {
        case kThicknessPage: return 44;
        case kMagneticPage: return 26;
        case kPenetrantPage: return 30;
        case kRadiographPage: return 14;
        case kUltrasonicPage: return 14;
        case kHardnessPage: return 17;
        default: return 0;
    }
}

bool isSplitListPage(int pageIndex) { return RecordsPerPage(pageIndex) > 0; }

std::size_t listCount(const InspectionReport& r, int pageIndex) {
    switch (pageIndex) {
        case kThicknessPage: return r.thicknessPoints.count();
        case kMagneticPage: return r.magneticDefects.count();
        case kPenetrantPage: return r.penetrantDefects.count();
        case kRadiographPage: return r.radiographDefects.count();
        case kUltrasonicPage: return r.ultrasonicDefects.count();
        case kHardnessPage: return r.hardnessPoints.count();
        default: return 0;
    }
}

int subPageCount(std::size_t items, int perPage) {
    if (perPage <= 0) return 1;
    return static_cast<int>(items / static_cast<std::size_t>(perPage)) + 1;
}

int subPageCount(const InspectionReport& r, int pageIndex) {
    return subPageCount(listCount(r, pageIndex), RecordsPerPage(pageIndex));
}

int currentSubPage(const InspectionReport& r, int pageIndex) {
    const int* p = subPageOf(r, pageIndex);
    return p ? *p : 0;
}

void setCurrentSubPage(InspectionReport& r, int pageIndex, int subPage) {
    if (int* p = subPageOf(r, pageIndex)) *p = subPage;
}

std::size_t firstItemOnSubPage(int pageIndex, int subPage) {
    if (subPage <= 0) return 0;
    return static_cast<std::size_t>(subPage) * static_cast<std::size_t>(RecordsPerPage(pageIndex));
}

std::string subPageLabel(const std::string& label, int subPage, int subPages) {
    if (label.empty() || subPages <= 1) return label;
    return label + "-" + std::to_string(subPage + 1);
}

std::string continuationLabel(const std::string& label, int k, int count) {
    if (label.empty()) return label;
    return label + "-续" + (count > 1 ? std::to_string(k + 1) : std::string());
}

std::vector<PageLabel> shownPageLabels(const InspectionReport& r, int stackIndex) {
    std::vector<PageLabel> out;
    if (stackIndex == kAllFullPages) {
        const PrintSetData& set = r.PrintSet_ReportData;
        int numbered = 0;
        for (int p = kCoverPage; p <= kLastFormPage; ++p) {
            if (!isPageShown(set, p)) continue;
            PageLabel page{p, {}};
            if (p >= kFirstFormPage) {
                if (set.start >= 1) {
                    page.label = std::to_string(set.start + numbered);
                    ++numbered;
                } else if (set.start == 0) {
                    const int n = r.Mulu_ReportData.pages[static_cast<std::size_t>(p - kFirstFormPage)];
                    if (n >= kFirstContentsNumber && n <= kLastContentsNumber) page.label = std::to_string(n);
                }
            }
            out.push_back(std::move(page));
        }
    } else if (stackIndex == kAllOnlinePages) {
        const PrintSetData& set = r.PrintSet_IReportData;
        int numbered = 0;
        for (int p = kOnlineCoverPage; p <= kOnlineReportPage; ++p) {
            if (!isPageShown(set, p)) continue;
            PageLabel page{p, {}};
            if (p != kOnlineCoverPage && set.start >= 1) {
                page.label = std::to_string(set.start + numbered);
                ++numbered;
            }
            out.push_back(std::move(page));
        }
    }
    return out;
}

namespace {

// What every page could not show, for one state of the report and the characteristic table:
// laying a page out takes a while, and a print asks for the sheets of the whole set again for
// every sheet it prints, a window at every paint.
class OverflowCache {
public:
    explicit OverflowCache(const InspectionReport& r, const model::CharacteristicTable& table) : r_(r), table_(table) {
        std::string key;
        r.writeSections(key);
        for (const auto& v : table.values) {
            key += v.view();
            key += '\n';
        }
        State& s = state();
        if (s.key != key) {
            s.key = std::move(key);
            s.pages.clear();
        }
    }
    const PageOverflow& of(int pageIndex) const {
        State& s = state();
        auto it = s.pages.find(pageIndex);
        if (it == s.pages.end()) it = s.pages.emplace(pageIndex, overflowOf(r_, table_, pageIndex)).first;
        return it->second;
    }

private:
    struct State {
        std::string key;
        std::map<int, PageOverflow> pages;
    };
    static State& state() {
        thread_local State s;
        return s;
    }
    const InspectionReport& r_;
    const model::CharacteristicTable& table_;
};

// The sheets of one page from `slot` on: its sub-pages, then its continuation sheets.
void appendPage(std::vector<PlacedSheet>& sheets, const InspectionReport& r, const OverflowCache& overflow,
                int pageIndex, const std::string& label, bool allSubPages) {
    const int count = allSubPages ? subPageCount(r, pageIndex) : 1;
    for (int k = 0; k < count; ++k) {
        PlacedSheet s;
        s.pageIndex = pageIndex;
        s.subPage = allSubPages ? k : currentSubPage(r, pageIndex);
        s.slot = static_cast<int>(sheets.size());
        s.label = subPageLabel(label, k, count);
        sheets.push_back(std::move(s));
    }
    const auto continuation = continuationSheets(overflow.of(pageIndex).continued);
    const int n = static_cast<int>(continuation.size());
    for (int k = 0; k < n; ++k) {
        PlacedSheet s;
        s.pageIndex = pageIndex;
        s.slot = static_cast<int>(sheets.size());
        s.label = continuationLabel(label, k, n);
        s.continuation = k;
        s.continued = continuation[static_cast<std::size_t>(k)];
        sheets.push_back(std::move(s));
    }
}

}  // namespace

std::string pageNumberText(const InspectionReport& r, int pageIndex) {
    const int stack = isFullSetIndex(pageIndex) ? kAllFullPages : kAllOnlinePages;
    if (!isReportPageIndex(pageIndex) || isStackedIndex(pageIndex)) return {};
    for (const PageLabel& page : shownPageLabels(r, stack)) {
        if (page.pageIndex != pageIndex) continue;
        if (page.label.empty()) return {};
        std::vector<PlacedSheet> sheets;
        appendPage(sheets, r, OverflowCache(r, {}), pageIndex, page.label, true);
        if (sheets.size() == 1) return page.label;
        return sheets.front().label + "…" + sheets.back().label;
    }
    return {};
}

std::vector<PlacedSheet> sheetsOf(const InspectionReport& r, int pageIndex, const model::CharacteristicTable& table) {
    std::vector<PlacedSheet> sheets;
    if (!isReportPageIndex(pageIndex)) return sheets;
    const OverflowCache overflow(r, table);
    if (!isStackedIndex(pageIndex)) {
        appendPage(sheets, r, overflow, pageIndex, {}, false);
        return sheets;
    }
    for (const PageLabel& page : shownPageLabels(r, pageIndex))
        appendPage(sheets, r, overflow, page.pageIndex, page.label, true);
    return sheets;
}

int CountPrintPages(const InspectionReport& r, int pageIndex, const model::CharacteristicTable& table) {
    if (!isReportPageIndex(pageIndex)) return 1;
    return static_cast<int>(sheetsOf(r, pageIndex, table).size());
}

int shownSheetCount(const InspectionReport& r, int pageIndex) {
    return std::max(1, CountPrintPages(r, pageIndex));
}

std::vector<std::string> cutFields(const InspectionReport& r, int pageIndex, const model::CharacteristicTable& table) {
    std::vector<std::string> out;
    std::vector<int> pages;
    if (isStackedIndex(pageIndex)) {
        for (const PageLabel& page : shownPageLabels(r, pageIndex)) pages.push_back(page.pageIndex);
    } else if (isReportPageIndex(pageIndex)) {
        pages.push_back(pageIndex);
    }
    const OverflowCache overflow(r, table);
    for (int p : pages)
        for (const std::string& c : overflow.of(p).cut) out.push_back(text::gbk(pageTitle(p)) + " " + c);
    return out;
}

}  // namespace tubra::report
