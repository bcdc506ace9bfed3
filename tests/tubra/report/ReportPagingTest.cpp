// Which pages a report shows, how they are numbered and split, and the sheet question.

#include <gtest/gtest.h>

#include "tubra/report/ReportPaging.h"
#include "tubra/report/SubPageForm.h"
#include "text/Gbk.h"

using namespace tubra::report;

namespace {

void show(InspectionReport& r, std::initializer_list<int> pages, int start) {
    r.PrintSet_ReportData.flags.fill(0);
    for (int p : pages) r.PrintSet_ReportData.flags[static_cast<std::size_t>(p)] = 1;
    r.PrintSet_ReportData.start = start;
}

void addThickness(InspectionReport& r, int n) {
    for (int i = 0; i < n; ++i) r.thicknessPoints.append({std::to_string(i + 1), 10.0f + static_cast<float>(i)});
}

std::vector<std::string> labels(const std::vector<PlacedSheet>& sheets) {
    std::vector<std::string> out;
    for (const auto& s : sheets) out.push_back(s.label);
    return out;
}

// Answers forms by setting the `page` field, or cancels.
class ScriptedHost : public platform::FormHost {
public:
    explicit ScriptedHost(std::string page) : page_(std::move(page)) {}
    bool run(platform::Form& form) override {
        ++runs;
        message = static_cast<SubPageForm&>(form).message();
        choices = static_cast<SubPageForm&>(form).choices();
        shownAt = form.field("page");
        platform::DefaultAnswerPrompter prompter;
        platform::FormContext context{prompter, *this};
        if (page_.empty()) return form.act("cancel", context).value() == platform::FormState::Accepted;
        std::string error;
        error = form.setField("page", page_).message();
        EXPECT_TRUE(error.empty()) << error;
        return form.act("ok", context).value() == platform::FormState::Accepted;
    }
    int runs = 0;
    std::string message, shownAt;
    std::vector<std::string> choices;

private:
    std::string page_;
};

}  // namespace

TEST(ReportPaging, RecordsPerPageAndSheetCounts) {
    EXPECT_EQ(RecordsPerPage(kThicknessPage), 44);
    EXPECT_EQ(RecordsPerPage(kMagneticPage), 26);
    EXPECT_EQ(RecordsPerPage(kPenetrantPage), 30);
    EXPECT_EQ(RecordsPerPage(kRadiographPage), 14);
    EXPECT_EQ(RecordsPerPage(kUltrasonicPage), 14);
    EXPECT_EQ(RecordsPerPage(kHardnessPage), 17);
    EXPECT_EQ(RecordsPerPage(kConclusionPage), 0);
    EXPECT_FALSE(isSplitListPage(kMetallographPage));  // its images are not split

    // n / per + 1: a full last sheet is followed by an empty one.
    EXPECT_EQ(subPageCount(0, 44), 1);
    EXPECT_EQ(subPageCount(43, 44), 1);
    EXPECT_EQ(subPageCount(44, 44), 2);
    EXPECT_EQ(subPageCount(88, 44), 3);
    EXPECT_EQ(subPageCount(5, 0), 1);

    InspectionReport r;
    addThickness(r, 50);
    EXPECT_EQ(subPageCount(r, kThicknessPage), 2);
    EXPECT_EQ(subPageCount(r, kMagneticPage), 1);
    EXPECT_EQ(firstItemOnSubPage(kThicknessPage, 1), 44u);
    setCurrentSubPage(r, kThicknessPage, 1);
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 1);
    setCurrentSubPage(r, kCoverPage, 3);  // pages without a list have no sheet to set
    EXPECT_EQ(currentSubPage(r, kCoverPage), 0);
}

TEST(ReportPaging, StartPageNumbersTheShownFormsButNeverCoverAndContents) {
    InspectionReport r;
    show(r, {kCoverPage, kContentsPage, kConclusionPage, kThicknessPage}, 5);
    auto sheets = sheetsOf(r, kAllFullPages);
    ASSERT_EQ(sheets.size(), 4u);
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "", "5", "6"}));

    // 50 thickness points take two sheets, labelled with the page's number and the sheet.
    addThickness(r, 50);
    sheets = sheetsOf(r, kAllFullPages);
    ASSERT_EQ(sheets.size(), 5u);
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "", "5", "6-1", "6-2"}));
    EXPECT_EQ(sheets[3].pageIndex, kThicknessPage);
    EXPECT_EQ(sheets[3].subPage, 0);
    EXPECT_EQ(sheets[4].subPage, 1);
    EXPECT_EQ(sheets[4].slot, 4);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 5);

    // A form after the split page counts once.
    r.PrintSet_ReportData.flags[kMagneticPage] = 1;
    EXPECT_EQ(labels(sheetsOf(r, kAllFullPages)).back(), "7");

    // A negative start numbers nothing.
    r.PrintSet_ReportData.start = -1;
    for (const auto& s : sheetsOf(r, kAllFullPages)) EXPECT_EQ(s.label, "");
}

TEST(ReportPaging, StartZeroTakesTheContentsNumbers) {
    InspectionReport r;
    show(r, {kCoverPage, kContentsPage, kConclusionPage, kSummaryPage, kRepairPage, kAccessoryPage}, 0);
    r.Mulu_ReportData.pages[0] = 3;    // (1)
    r.Mulu_ReportData.pages[1] = 0;    // (2): no number set
    r.Mulu_ReportData.pages[14] = 21;  // (15)
    const auto sheets = sheetsOf(r, kAllFullPages);
    // The repair record is never part of the stack.
    ASSERT_EQ(sheets.size(), 5u);
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "", "3", "", "21"}));
}

TEST(ReportPaging, PrintPagesOfTheStacksAndSinglePages) {
    InspectionReport r;
    show(r, {kCoverPage}, 1);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 1);
    // (8) alone with 14 items: a full sheet and the empty one after it.
    show(r, {kRadiographPage}, 1);
    for (int i = 0; i < 14; ++i) r.radiographDefects.append({});
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 2);
    r.radiographDefects.removeAt(0);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 1);
    r.PrintSet_ReportData.flags[kCoverPage] = 1;
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 2);

    // A single page prints one sheet, whatever its list holds.
    for (int i = 0; i < 100; ++i) r.radiographDefects.append({});
    EXPECT_EQ(CountPrintPages(r, kRadiographPage), 1);
    EXPECT_EQ(CountPrintPages(r, kRepairPage), 1);

    // Nothing shown: nothing to print; the view still has one sheet.
    show(r, {}, 1);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 0);
    EXPECT_EQ(shownSheetCount(r, kAllFullPages), 1);
    EXPECT_TRUE(sheetsOf(r, kAllFullPages).empty());

    // New documents mark every page -1: not shown.
    InspectionReport fresh;
    fresh.setNewDocumentDefaults();
    EXPECT_EQ(CountPrintPages(fresh, kAllFullPages), 0);
}

TEST(ReportPaging, OnlineSetNumbersThePagesAfterTheCover) {
    InspectionReport r;
    r.PrintSet_IReportData.flags[kOnlineCoverPage] = 1;
    r.PrintSet_IReportData.flags[kOnlineThicknessPage] = 1;
    r.PrintSet_IReportData.start = 3;
    auto sheets = sheetsOf(r, kAllOnlinePages);
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].pageIndex, kOnlineCoverPage);
    EXPECT_EQ(sheets[1].pageIndex, kOnlineThicknessPage);
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "3"}));
    // Every shown page prints, not only the first.
    EXPECT_EQ(CountPrintPages(r, kAllOnlinePages), 2);

    r.PrintSet_IReportData.flags[kOnlineReportPage] = 1;
    EXPECT_EQ(labels(sheetsOf(r, kAllOnlinePages)), (std::vector<std::string>{"", "3", "4"}));
    for (int start : {0, -2}) {
        r.PrintSet_IReportData.start = start;
        EXPECT_EQ(labels(sheetsOf(r, kAllOnlinePages)), (std::vector<std::string>{"", "", ""}));
    }
    // The full set's flags do not show online pages.
    r.PrintSet_ReportData.flags.fill(1);
    EXPECT_EQ(sheetsOf(r, kAllOnlinePages).size(), 3u);
}

TEST(ReportPaging, SinglePageShowsItsCurrentSheetWithoutNumber) {
    InspectionReport r;
    addThickness(r, 100);
    r.thicknessPoints.currentSubPage = 2;
    const auto sheets = sheetsOf(r, kThicknessPage);
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].subPage, 2);
    EXPECT_EQ(sheets[0].label, "");
    EXPECT_TRUE(sheetsOf(r, 20).empty());
    EXPECT_TRUE(sheetsOf(r, kNoPage).empty());
    EXPECT_TRUE(isReportPageIndex(28));
    EXPECT_FALSE(isReportPageIndex(27));
    EXPECT_TRUE(isFullSetIndex(22));
    EXPECT_FALSE(isFullSetIndex(23));
}

TEST(SubPageChoice, AsksOnlyWhenTheListFillsMoreThanOneSheet) {
    InspectionReport r;
    addThickness(r, 44);
    r.thicknessPoints.currentSubPage = 1;
    ScriptedHost host("2");
    // Exactly one sheet full: no question, the first sheet.
    EXPECT_EQ(ChooseSubPage(r, kThicknessPage, host), 0);
    EXPECT_EQ(host.runs, 0);

    addThickness(r, 50);  // 94 points: three sheets
    r.thicknessPoints.currentSubPage = 1;
    EXPECT_EQ(ChooseSubPage(r, kThicknessPage, host), 1);
    EXPECT_EQ(host.runs, 1);
    EXPECT_EQ(host.message, "每页可打印44条记录,目前有3页打印页面可供选择!");
    EXPECT_EQ(host.choices, (std::vector<std::string>{"1", "2", "3"}));
    EXPECT_EQ(host.shownAt, "2");  // the list starts at the current sheet

    ScriptedHost choose3("3");
    EXPECT_EQ(ChooseSubPage(r, kThicknessPage, choose3), 2);
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 2);

    // Cancel keeps the sheet.
    ScriptedHost cancel("");
    EXPECT_EQ(ChooseSubPage(r, kThicknessPage, cancel), 2);
    EXPECT_EQ(cancel.runs, 1);

    // Pages without a list are left alone; each page counts its own list.
    EXPECT_EQ(ChooseSubPage(r, kCoverPage, cancel), 0);
    EXPECT_EQ(cancel.runs, 1);
    for (int i = 0; i < 15; ++i) r.ultrasonicDefects.append({});
    ScriptedHost second("2");
    EXPECT_EQ(ChooseSubPage(r, kUltrasonicPage, second), 1);
    EXPECT_EQ(second.message, "每页可打印14条记录,目前有2页打印页面可供选择!");
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 2);
}

TEST(SubPageChoice, FormRefusesSheetsThatDoNotExist) {
    SubPageForm form(26, 2, 5);
    EXPECT_EQ(form.field("page"), "1");  // an out-of-range start falls back to the first
    std::string error;
    error = form.setField("page", "3").message();
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(error.empty());
    error = form.setField("page", "0").message();
    EXPECT_FALSE(error.empty());
    error = form.setField("sheet", "1").message();
    EXPECT_FALSE(error.empty());
    error = form.setField("page", "2").message();
    EXPECT_TRUE(error.empty());
    EXPECT_EQ(form.chosen(), 1);
    EXPECT_EQ(form.caption(), "打印页选择");
}

TEST(ReportPaging, PageNumberTextIsWhatTheStackPrintsOnThePage) {
    InspectionReport r;
    show(r, {kCoverPage, kContentsPage, kConclusionPage, kThicknessPage}, 5);
    addThickness(r, 50);
    EXPECT_EQ(pageNumberText(r, kCoverPage), "");
    EXPECT_EQ(pageNumberText(r, kContentsPage), "");
    EXPECT_EQ(pageNumberText(r, kConclusionPage), "5");
    EXPECT_EQ(pageNumberText(r, kThicknessPage), "6-1…6-2");
    EXPECT_EQ(pageNumberText(r, kSummaryPage), "");  // not shown
    // The numbers agree with the sheets the stack prints.
    const auto sheets = sheetsOf(r, kAllFullPages);
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "", "5", "6-1", "6-2"}));

    // Only a flag of 1 shows its page, in the numbers as in the stack: not 0, not a new
    // document's -1, not a stray 2.
    for (int flag : {0, -1, 2}) {
        r.PrintSet_ReportData.flags[kConclusionPage] = flag;
        EXPECT_FALSE(isPageShown(r.PrintSet_ReportData, kConclusionPage)) << flag;
        EXPECT_EQ(pageNumberText(r, kConclusionPage), "") << flag;
        EXPECT_EQ(pageNumberText(r, kThicknessPage), "5-1…5-2") << flag;
        EXPECT_EQ(labels(sheetsOf(r, kAllFullPages)), (std::vector<std::string>{"", "", "5-1", "5-2"}));
    }
    EXPECT_FALSE(isPageShown(r.PrintSet_ReportData, kNoPage));
    EXPECT_FALSE(isPageShown(r.PrintSet_ReportData, 30));

    // Start 0: the contents' numbers; a single sheet carries the number alone.
    r.PrintSet_ReportData.start = 0;
    r.Mulu_ReportData.pages[kThicknessPage - kFirstFormPage] = 12;
    EXPECT_EQ(pageNumberText(r, kThicknessPage), "12-1…12-2");
    r.thicknessPoints.removeAll();
    EXPECT_EQ(pageNumberText(r, kThicknessPage), "12");
    r.PrintSet_ReportData.start = -1;
    EXPECT_EQ(pageNumberText(r, kThicknessPage), "");

    // The repair record is shown only by itself, the stacks have no number of their own.
    r.PrintSet_ReportData.flags.fill(1);
    r.PrintSet_ReportData.start = 1;
    EXPECT_EQ(pageNumberText(r, kRepairPage), "");
    EXPECT_EQ(pageNumberText(r, kAllFullPages), "");
    EXPECT_EQ(pageNumberText(r, kNoPage), "");

    // The online set numbers the pages after its cover from a positive start only.
    r.PrintSet_IReportData.flags.fill(0);
    r.PrintSet_IReportData.flags[kOnlineCoverPage] = 1;
    r.PrintSet_IReportData.flags[kOnlineReportPage] = 1;
    r.PrintSet_IReportData.start = 7;
    EXPECT_EQ(pageNumberText(r, kOnlineCoverPage), "");
    EXPECT_EQ(pageNumberText(r, kOnlineReportPage), "7");
    r.PrintSet_IReportData.start = 0;
    EXPECT_EQ(pageNumberText(r, kOnlineReportPage), "");
}

TEST(ReportPaging, ValuesThatDoNotFitContinueOnSheetsAfterTheirPage) {
    InspectionReport r;
    show(r, {kCoverPage, kReviewPage, kThicknessPage, kRadiographPage}, 4);
    // Form (3): two texts of 249 bytes do not fit their cells even at the smallest size.
    std::string full;
    while (full.size() < 249) full += text::gbk("原始资料审查记载2024年5月12日JB/T4730.4-2005 ");
    r.ShengCha_ReportData.texts[12] = full;  // 设计单位
    r.ShengCha_ReportData.texts[14] = full;  // 设计规范
    r.ShengCha_ReportData.texts[0] = "short";
    addThickness(r, 50);
    const std::vector<PlacedSheet> sheets = sheetsOf(r, kAllFullPages);
    // Cover, (3), its continuation, (5) on two sheets, (8), nothing more.
    EXPECT_EQ(labels(sheets), (std::vector<std::string>{"", "4", "4-续", "5-1", "5-2", "6"}));
    ASSERT_EQ(sheets.size(), 6u);
    EXPECT_EQ(sheets[2].pageIndex, kReviewPage);
    EXPECT_EQ(sheets[2].continuation, 0);
    ASSERT_EQ(sheets[2].continued.size(), 2u);
    // Each with what its cell could not show, from where the cell stopped.
    EXPECT_EQ(sheets[2].continued[0].label, text::gbk("设计单位（续）"));
    const std::string stored = r.ShengCha_ReportData.texts[12].str();
    const std::string& rest = sheets[2].continued[0].text;
    ASSERT_FALSE(rest.empty());
    EXPECT_LT(rest.size(), stored.size());
    EXPECT_EQ(stored.compare(stored.size() - rest.size(), rest.size(), rest), 0);
    EXPECT_EQ(sheets[2].continued[1].label, text::gbk("设计规范（续）"));
    EXPECT_EQ(sheets[1].continuation, -1);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 6);
    EXPECT_EQ(pageNumberText(r, kReviewPage), "4…4-续");

    // A single page prints with its continuation sheets, unnumbered.
    const std::vector<PlacedSheet> one = sheetsOf(r, kReviewPage);
    ASSERT_EQ(one.size(), 2u);
    EXPECT_EQ(one[1].continuation, 0);
    EXPECT_EQ(one[1].slot, 1);
    EXPECT_EQ(one[1].label, "");
    EXPECT_EQ(CountPrintPages(r, kReviewPage), 2);
    EXPECT_EQ(shownSheetCount(r, kReviewPage), 2);

    // Many long values fill several continuation sheets, each under the page's number.
    for (auto& t : r.ShengCha_ReportData.texts) t = full;
    const std::vector<PlacedSheet> many = sheetsOf(r, kReviewPage);
    ASSERT_GE(many.size(), 3u);
    std::size_t continued = 0;
    for (const auto& s : many) continued += s.continued.size();
    // Each once: the 28 fields of the grid, the inspection date and the two signature lines
    // (name and date together), named by their words; the two text boxes fit.
    EXPECT_EQ(continued, 31u);
    EXPECT_EQ(many.back().continued.back().label, text::gbk("审核（续）"));
    show(r, {kReviewPage}, 1);
    const std::vector<PlacedSheet> numbered = sheetsOf(r, kAllFullPages);
    EXPECT_EQ(numbered[1].label, "1-续1");
    EXPECT_EQ(numbered.back().label, "1-续" + std::to_string(numbered.size() - 1));
    // Nothing a print could not show whole without a continuation: the form's values continue.
    EXPECT_TRUE(cutFields(r, kAllFullPages).empty());
}

TEST(ReportPaging, AFullCharacteristicTableNeverAddsASheet) {
    // The pages take the pipeline's name, number, class, size and material from the table;
    // at their 39 bytes they fit their cells, so the view, which counts sheets without the
    // table, and the print agree.
    InspectionReport r;
    r.PrintSet_ReportData.flags.fill(1);
    r.PrintSet_IReportData.flags.fill(1);
    tubra::model::CharacteristicTable table;
    for (auto& v : table.values) v = std::string(13, 'W') + text::gbk("管线名称很长的文字");
    for (int index : {kAllFullPages, kAllOnlinePages}) {
        EXPECT_EQ(CountPrintPages(r, index, table), CountPrintPages(r, index)) << index;
        EXPECT_TRUE(cutFields(r, index, table).empty()) << index;
    }
}
