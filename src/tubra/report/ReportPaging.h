#pragma once
// Which report pages are shown, how they are numbered and how long record lists are split
// over several sheets. Free of any window system: the page painters, the view, the print loop
// and the report dialogs all ask here.
//
// Page indexes (`ReportPageIndex`): 0 cover, 1 contents, 2..16 forms (1) to (15) (index =
// form number + 1), 17 repair record, 22 all shown pages of the full set one under the other;
// 23 online cover, 24..26 online pages (1) to (3), 28 all shown pages of the online set;
// -1 none.

#include <cstddef>
#include <string>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

enum ReportPageIndex : int {
    kNoPage = model::kNoReportPage,
    kCoverPage = model::kReportCoverPage,
    kContentsPage = 1,
    kFirstFormPage = 2,  // form (1)
    kConclusionPage = 2,
    kSummaryPage = 3,
    kReviewPage = 4,
    kVisualPage = 5,
    kThicknessPage = 6,
    kMagneticPage = 7,
    kPenetrantPage = 8,
    kRadiographPage = 9,
    kUltrasonicPage = 10,
    kChemicalPage = 11,
    kHardnessPage = 12,
    kMetallographPage = 13,
    kPressureTestPage = 14,
    kLeakTestPage = 15,
    kAccessoryPage = 16,
    kLastFormPage = 16,  // form (15)
    kRepairPage = 17,
    kAllFullPages = 22,
    kOnlineCoverPage = 23,
    kOnlineRegisterPage = 24,
    kOnlineThicknessPage = 25,
    kOnlineReportPage = 26,
    kAllOnlinePages = 28,
};

// Logical size of one report page (0.1 mm): A4 portrait. Stacked pages lie this far apart.
using model::kReportPageHeight;
using model::kReportPageWidth;

// Whether `index` is a page of the full set (0..17) or its stack (22).
bool isFullSetIndex(int index);
// Whether `index` is a page of the online set (23..26) or its stack (28).
bool isOnlineSetIndex(int index);
// 22 or 28.
bool isStackedIndex(int index);
// Any index a view can show.
bool isReportPageIndex(int index);

// Records per sheet of a split list page ((5) 44, (6) 26, (7) 30, (8) 14, (9) 14, (11) 17);
// 0 for every other page.
int RecordsPerPage(int pageIndex);
bool isSplitListPage(int pageIndex);
// Items in the list of a split list page; 0 for other pages.
std::size_t listCount(const InspectionReport& report, int pageIndex);
// Sheets a list of `items` fills at `perPage` records a sheet: items / perPage + 1 (a full
// last sheet is followed by an empty one). 1 when perPage is not positive.
int subPageCount(std::size_t items, int perPage);
// Sheets of a page: 1 for a page without a split list.
int subPageCount(const InspectionReport& report, int pageIndex);
// The sheet (0-based) a split list page shows; 0 for other pages.
int currentSubPage(const InspectionReport& report, int pageIndex);
// Sets it (nothing for other pages). Values beyond the list are kept: such a sheet draws an
// empty table.
void setCurrentSubPage(InspectionReport& report, int pageIndex, int subPage);
// The first item (0-based) sheet `subPage` shows.
std::size_t firstItemOnSubPage(int pageIndex, int subPage);

// The page label of sheet `subPage` (0-based) of a page labelled `label` that fills
// `subPages` sheets: the label alone on a single sheet, else "%s-%d".
std::string subPageLabel(const std::string& label, int subPage, int subPages);
// The page label of continuation sheet `k` (0-based) of `count` after a page labelled `label`
// (UTF-8): "%s-续" for one, "%s-续%d" for several; empty for an unnumbered page.
std::string continuationLabel(const std::string& label, int k, int count);

// Whether page `pageIndex` is among the shown pages of its set: its flag in the set's page
// settings is 1. The report dialogs' show boxes read the flags this way too, so a box is
// checked exactly when its page prints; a new document's -1 shows nothing.
bool isPageShown(const PrintSetData& set, int pageIndex);

// One sheet of a stacked set.
struct PlacedSheet {
    int pageIndex = 0;  // the page drawn on it
    int subPage = 0;    // which sheet of a split list page
    int slot = 0;       // position in the stack, 0-based: the sheet lies slot x 2900 lower
    std::string label;  // its page number (UTF-8); empty for none
    // A continuation sheet of the page (0-based), -1 for the page itself; the values it shows.
    int continuation = -1;
    std::vector<ContinuedField> continued;
};

// The page number label of every shown page of a set (22 or 28) before splitting, as the
// start page number asks: empty for none.
//   full set, start n >= 1: the forms are numbered from n in order, cover and contents never
//   full set, start 0: each form carries its contents row's page number (when 1..998)
//   full set, start < 0: none
//   online set, start n >= 1: the pages after the cover from n; 0 or < 0: none
struct PageLabel {
    int pageIndex = 0;
    std::string label;
};
std::vector<PageLabel> shownPageLabels(const InspectionReport& report, int stackIndex);

// The page number page `pageIndex` carries in the print of all shown pages of its set, as the
// report dialogs show it beside the page: its label ("5"), or for a list filling several
// sheets the first and the last sheet's labels ("6-1…6-3"); empty when the page is not shown
// or not numbered (the cover, the contents, the repair record, no start page number).
std::string pageNumberText(const InspectionReport& report, int pageIndex);

// Every sheet of a stack (22 or 28) in order, split list pages taking one sheet per
// sub-page, each page followed by its continuation sheets (values it cannot show whole). For
// any single page index: the sheet of that page, showing the list's current sub-page, and its
// continuation sheets, without numbers. `table` is the characteristic table the pages show.
std::vector<PlacedSheet> sheetsOf(const InspectionReport& report, int pageIndex,
                                  const model::CharacteristicTable& table = {});

// The number of sheets a print of page index `pageIndex` produces: for 22 every shown page of
// the full set with the extra sheets of its split lists, for 28 every shown online page, else
// the page; each with its continuation sheets. 1 for an index that names no page.
int CountPrintPages(const InspectionReport& report, int pageIndex, const model::CharacteristicTable& table = {});

// The sheets `pageIndex` shows in the view: its print pages, at least one.
int shownSheetCount(const InspectionReport& report, int pageIndex);

// Labels (GBK) of the values that a print of `pageIndex` ends with "…" because nothing can
// continue them; empty when every value is printed whole.
std::vector<std::string> cutFields(const InspectionReport& report, int pageIndex,
                                   const model::CharacteristicTable& table = {});

}  // namespace tubra::report
