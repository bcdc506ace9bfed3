#include "tubra/report/ReportMasterForms.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "tubra/report/ReportPageForms.h"
#include "tubra/report/ReportPaging.h"

#include "tubra/report/FormTestSupport.h"
#include "tubra/report/ReportFixtures.h"

namespace tubra::report {
namespace {

using platform::Answer;
using platform::FormState;
using testing::Driver;
using testing::gbk;

InspectionReport newDocumentReport() {
    InspectionReport r;
    r.setNewDocumentDefaults();
    return r;
}

// Fills the cover through its dialog.
void fillCover(platform::Form& f, platform::FormContext& c) {
    std::string error;
    error = f.setField("text2", "某化工厂").message();
    EXPECT_TRUE(f.act("ok", c).ok());
}

TEST(ReportMasterForm, NewDocumentShowsEveryPageEmptyAndOnlyTheCoverEnabled) {
    InspectionReport r = newDocumentReport();
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    EXPECT_EQ(m.caption(), "在用工业管道全面检验报告__总对话框");
    EXPECT_EQ(m.actionCaption("open=0"), "    封面设置(本页应首先编辑)             <-空");
    EXPECT_EQ(m.actionCaption("open=2"), "(1)在用工业管道全面检验结论报告  <-空");
    for (int k = 0; k <= 17; ++k) {
        const std::string open = "open=" + std::to_string(k);
        EXPECT_NE(m.actionCaption(open).find("<-空"), std::string::npos) << k;
        EXPECT_EQ(m.actionEnabled(open), k == 0) << k;
    }
    // A new document's flags are -1, which shows no page: every box is clear. The repair
    // record has no box.
    for (int p = 0; p <= 16; ++p) EXPECT_EQ(m.field("flag" + std::to_string(p)), "0") << p;
    EXPECT_FALSE(m.hasField("flag17"));
    EXPECT_EQ(m.field("start"), "1");
    EXPECT_EQ(m.field("mode"), "编辑报告");

    // A disabled button cannot be pressed, not even by a script.
    Driver d;
    std::string error;
    error = m.act("open=3", d.context).message();
    EXPECT_NE(error, "");
    EXPECT_EQ(d.host.runs, 0);

    // Once the cover holds something, the others open; the edited page is shown.
    d.host.answer = fillCover;
    d.act(m, "open=0");
    EXPECT_EQ(d.host.runs, 1);
    EXPECT_TRUE(m.pageConfirmed(0));
    EXPECT_EQ(testing::utf8(r.Face_ReportData.texts[2].view()), "某化工厂");
    EXPECT_EQ(m.actionCaption("open=0"), "    封面设置(本页应首先编辑)");
    EXPECT_TRUE(m.actionEnabled("open=17"));
    EXPECT_EQ(r.PrintSet_ReportData.flags[0], 1);
}

TEST(ReportMasterForm, CancelledPageChangesNothing) {
    InspectionReport r = newDocumentReport();
    r.Face_ReportData.texts[0] = "X";
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    Driver d;
    d.host.answer = [](platform::Form& f, platform::FormContext& c) {
        std::string e;
        e = f.setField("text3", "1").message();
        EXPECT_TRUE(f.act("cancel", c).ok());
    };
    d.act(m, "open=2");
    EXPECT_TRUE(r.JieLun_ReportData.empty());
    EXPECT_FALSE(m.pageConfirmed(2));
    EXPECT_NE(m.actionCaption("open=2").find("<-空"), std::string::npos);
}

TEST(ReportMasterForm, ClearAsksAndNoKeepsEverything) {
    InspectionReport r = testing::filledReport();
    const std::string before = testing::written(r);
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    Driver d({Answer::No, Answer::Yes});
    const auto boxes = m.snapshot();

    d.act(m, "clear");
    EXPECT_EQ(d.lastMessage(), "此操作将删除所有全面检验报告的内容，\n\n你确认要进行此操作吗？");
    EXPECT_EQ(d.prompter.asked.back().buttons, platform::Buttons::YesNo);
    EXPECT_EQ(testing::written(r), before);
    EXPECT_EQ(m.field("flag1"), "1");

    d.act(m, "clear");
    for (int page = 0; page <= 17; ++page) EXPECT_FALSE(reportPageHoldsData(r, page)) << page;
    EXPECT_TRUE(r.thicknessPoints.empty());
    EXPECT_TRUE(r.metallographImages.empty());
    for (int p = 0; p <= 16; ++p) EXPECT_EQ(m.field("flag" + std::to_string(p)), "0");
    EXPECT_TRUE(std::all_of(r.PrintSet_ReportData.flags.begin(), r.PrintSet_ReportData.flags.end(),
                            [](int f) { return f == 0; }));
    EXPECT_EQ(r.PrintSet_ReportData.start, 3);  // the numbering stays
    EXPECT_FALSE(r.Face_IReportData.empty());   // the online set is another dialog's
    EXPECT_FALSE(m.actionEnabled("open=1"));
}

TEST(ReportMasterForm, ImportReplacesTheFullSetAndKeepsTheOnlineSet) {
    const auto path = std::filesystem::temp_directory_path() / "tubra-import-source.hcd";
    InspectionReport other;
    other.Face_ReportData.texts[2] = "OTHER";
    other.thicknessPoints.append({"T9", 4.0f});
    other.PrintSet_ReportData.flags[6] = 1;
    other.PrintSet_ReportData.start = 7;
    other.Face_IReportData.texts[0] = "OTHER-ONLINE";
    std::ofstream(path, std::ios::binary) << "2dDrawing{\n}\n\n" << testing::written(other);

    InspectionReport r = testing::filledReport();
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    Driver d;
    d.act(m, "import=" + path.string());
    EXPECT_EQ(r.Face_ReportData.texts[2].view(), "OTHER");
    EXPECT_TRUE(r.Face_ReportData.texts[0].empty());
    EXPECT_TRUE(r.JieLun_ReportData.empty());
    ASSERT_EQ(r.thicknessPoints.count(), 1u);
    EXPECT_EQ(r.thicknessPoints.at(0).pointId.view(), "T9");
    EXPECT_TRUE(r.magneticDefects.empty());
    EXPECT_EQ(r.PrintSet_ReportData.start, 7);
    EXPECT_EQ(m.field("start"), "7");
    EXPECT_EQ(m.field("flag6"), "1");
    EXPECT_EQ(m.field("flag1"), "0");
    EXPECT_EQ(testing::utf8(r.Face_IReportData.texts[0].view()), "在线文0");
    EXPECT_EQ(m.actionCaption("open=3").find("<-空") != std::string::npos, true);
    EXPECT_TRUE(d.prompter.asked.empty());

    // A file that cannot be read changes nothing.
    const std::string before = testing::written(r);
    d.act(m, "import=" + (path.string() + ".missing"));
    EXPECT_EQ(d.lastMessage(), "打开文件时出错!");
    EXPECT_EQ(d.prompter.asked.back().caption, "运行错误");
    EXPECT_EQ(testing::written(r), before);
    // Without a file (the file dialog was cancelled) nothing happens.
    d.act(m, "import");
    EXPECT_EQ(d.prompter.asked.size(), 1u);
    // Leaving keeps the imported start number.
    EXPECT_EQ(d.act(m, "退出"), FormState::Accepted);
    EXPECT_EQ(r.PrintSet_ReportData.start, 7);
    std::filesystem::remove(path);
}

TEST(ReportMasterForm, StartPageNumberBoxesExcludeEachOther) {
    InspectionReport r = newDocumentReport();
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    Driver d;
    d.set(m, "byContents", "1");
    EXPECT_EQ(m.field("start"), "0");
    EXPECT_FALSE(m.fieldEnabled("start"));
    d.set(m, "noNumbers", "1");
    EXPECT_EQ(m.field("start"), "-1");
    EXPECT_EQ(m.field("byContents"), "0");
    d.set(m, "noNumbers", "0");
    EXPECT_EQ(m.field("start"), "1");
    EXPECT_TRUE(m.fieldEnabled("start"));
    d.set(m, "start", "123");
    EXPECT_EQ(m.field("start"), "12");  // two characters

    // 退出 stores the boxes, the number and the mode.
    d.set(m, "flag3", "0");
    d.set(m, "flag4", "1");
    d.set(m, "mode", "显示报告");
    EXPECT_EQ(d.act(m, "退出"), FormState::Accepted);
    EXPECT_EQ(r.PrintSet_ReportData.start, 12);
    EXPECT_EQ(r.PrintSet_ReportData.flags[3], 0);
    EXPECT_EQ(r.PrintSet_ReportData.flags[4], 1);
    EXPECT_EQ(r.PrintSet_ReportData.flags[17], -1);  // beyond the boxes: untouched
    EXPECT_EQ(mode, kShowReport);
    EXPECT_EQ(m.pageToShow(), -1);

    // The stored number sets the boxes when the dialog opens again.
    r.PrintSet_ReportData.start = 0;
    FullReportMasterForm again(r, table, mode);
    EXPECT_EQ(again.field("byContents"), "1");
    EXPECT_FALSE(again.fieldEnabled("start"));
    EXPECT_EQ(again.field("mode"), "显示报告");
}

TEST(ReportMasterForm, AutomaticAndAllOrNoneShowBoxes) {
    InspectionReport r = newDocumentReport();
    r.Face_ReportData.texts[0] = "A";
    r.hardnessPoints.append({"150", "x"});
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    Driver d;
    d.act(m, "auto");
    for (int p = 0; p <= 16; ++p)
        EXPECT_EQ(m.field("flag" + std::to_string(p)), (p == 0 || p == 12) ? "1" : "0") << p;
    d.act(m, "all");  // the cover is shown: all off
    for (int p = 0; p <= 16; ++p) EXPECT_EQ(m.field("flag" + std::to_string(p)), "0");
    d.act(m, "all");
    for (int p = 0; p <= 16; ++p) EXPECT_EQ(m.field("flag" + std::to_string(p)), "1");
}

TEST(ReportMasterForm, ShowModeLeavesWithThePageToShow) {
    InspectionReport r = newDocumentReport();
    r.Face_ReportData.texts[0] = "A";
    model::CharacteristicTable table;
    int mode = kShowReport;
    {
        FullReportMasterForm m(r, table, mode);
        Driver d;
        d.set(m, "flag5", "0");
        EXPECT_EQ(d.act(m, "open=6"), FormState::Accepted);
        EXPECT_EQ(m.pageToShow(), 6);
        EXPECT_EQ(d.host.runs, 0);
        EXPECT_EQ(r.PrintSet_ReportData.flags[5], 0);
    }
    {
        FullReportMasterForm m(r, table, mode);
        Driver d;
        d.set(m, "mode", "编辑报告");
        EXPECT_EQ(d.act(m, "showSelected"), FormState::Accepted);
        EXPECT_EQ(m.pageToShow(), kAllFullPages);
    }
    {
        // Cancel leaves the settings alone.
        const PrintSetData before = r.PrintSet_ReportData;
        FullReportMasterForm m(r, table, mode);
        Driver d;
        d.set(m, "flag7", "0");
        d.set(m, "start", "9");
        EXPECT_EQ(d.act(m, "cancel"), FormState::Rejected);
        EXPECT_EQ(r.PrintSet_ReportData.flags, before.flags);
        EXPECT_EQ(r.PrintSet_ReportData.start, before.start);
        EXPECT_EQ(m.pageToShow(), -1);
    }
}

TEST(ReportMasterForm, PageNumbersFollowTheBoxesAndTheStartAsTheyAreSet) {
    InspectionReport r = newDocumentReport();
    r.Face_ReportData.texts[0] = "A";
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({std::to_string(i), 5.0f});
    r.PrintSet_ReportData.flags.fill(0);
    for (int p : {kCoverPage, kContentsPage, kConclusionPage, kThicknessPage})
        r.PrintSet_ReportData.flags[static_cast<std::size_t>(p)] = 1;
    r.PrintSet_ReportData.start = 5;
    r.Mulu_ReportData.pages[kThicknessPage - kFirstFormPage] = 12;
    model::CharacteristicTable table;
    int mode = kEditReport;
    FullReportMasterForm m(r, table, mode);
    // Without a numbering function the column stays empty.
    EXPECT_EQ(m.labelText("numbers"), "");
    EXPECT_EQ(m.labelText("number2"), "");
    m.setPageNumberText(pageNumberText);
    EXPECT_EQ(m.labelText("numbers"), "页号");
    const auto numbers = [&] {
        std::vector<std::string> out;
        for (int k = 0; k <= 17; ++k) out.push_back(m.labelText("number" + std::to_string(k)));
        return out;
    };
    std::vector<std::string> expected(18);
    expected[kConclusionPage] = "5";
    expected[kThicknessPage] = "6-1…6-2";
    EXPECT_EQ(numbers(), expected);

    // The numbers follow the boxes and the start before anything is stored.
    Driver d;
    d.set(m, "flag2", "0");
    d.set(m, "flag4", "1");
    d.set(m, "start", "9");
    expected[kConclusionPage] = "";
    expected[kReviewPage] = "9";
    expected[kThicknessPage] = "10-1…10-2";
    EXPECT_EQ(numbers(), expected);
    EXPECT_EQ(r.PrintSet_ReportData.start, 5);
    EXPECT_EQ(r.PrintSet_ReportData.flags[kConclusionPage], 1);
    d.set(m, "noNumbers", "1");
    EXPECT_EQ(numbers(), std::vector<std::string>(18));
    d.set(m, "byContents", "1");  // the contents' numbers: only (5) has one
    expected = std::vector<std::string>(18);
    expected[kThicknessPage] = "12-1…12-2";
    EXPECT_EQ(numbers(), expected);
    d.act(m, "auto");  // the pages holding data: cover, contents, (5)
    EXPECT_EQ(m.field("flag4"), "0");
    EXPECT_EQ(numbers(), expected);

}

TEST(ReportMasterForm, TheBoxesShowWhatThePagesPrint) {
    // A new document's flags are -1: no page prints and no box is checked. A confirmed page
    // dialog shows its page; leaving stores 1 or 0 for every box.
    InspectionReport r = newDocumentReport();
    model::CharacteristicTable table;
    int mode = kEditReport;
    {
        FullReportMasterForm m(r, table, mode);
        m.setPageNumberText(pageNumberText);
        for (int p = kCoverPage; p <= kLastFormPage; ++p) EXPECT_EQ(m.field("flag" + std::to_string(p)), "0") << p;
        EXPECT_EQ(CountPrintPages(r, kAllFullPages), 0);
        Driver d;
        d.host.answer = fillCover;
        d.act(m, "open=0");
        EXPECT_EQ(m.field("flag0"), "1");
        EXPECT_EQ(d.act(m, "退出"), FormState::Accepted);
    }
    EXPECT_EQ(r.PrintSet_ReportData.flags[kCoverPage], 1);
    EXPECT_EQ(r.PrintSet_ReportData.flags[kConclusionPage], 0);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 1);

    // A stray value in a file is no checked box either.
    r.PrintSet_ReportData.flags[kSummaryPage] = 2;
    r.PrintSet_ReportData.flags[kReviewPage] = 1;
    FullReportMasterForm again(r, table, mode);
    EXPECT_EQ(again.field("flag3"), "0");
    EXPECT_EQ(again.field("flag4"), "1");
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 2);
}

TEST(OnlineReportMasterForm, PageNumbersOnlyFromAPositiveStart) {
    InspectionReport r;
    r.PrintSet_IReportData.flags.fill(0);
    r.PrintSet_IReportData.flags[kOnlineCoverPage] = 1;
    r.PrintSet_IReportData.flags[kOnlineThicknessPage] = 1;
    r.PrintSet_IReportData.start = 0;
    model::CharacteristicTable table;
    int mode = kEditReport;
    OnlineReportMasterForm m(r, table, mode);
    m.setPageNumberText(pageNumberText);
    EXPECT_EQ(m.field("start"), "无");
    for (int k = 0; k < 4; ++k) EXPECT_EQ(m.labelText("number" + std::to_string(k)), "") << k;
    Driver d;
    d.set(m, "noNumbers", "0");
    d.set(m, "start", "3");
    d.set(m, "flag26", "1");
    EXPECT_EQ(m.labelText("number0"), "");  // the cover
    EXPECT_EQ(m.labelText("number1"), "");  // not shown
    EXPECT_EQ(m.labelText("number2"), "3");
    EXPECT_EQ(m.labelText("number3"), "4");
    d.set(m, "noNumbers", "1");
    EXPECT_EQ(m.field("start"), "无");
    EXPECT_EQ(m.labelText("number2"), "");
}

TEST(OnlineReportMasterForm, FourPagesTheirBoxesClearImportAndStart) {
    InspectionReport r = testing::filledReport();
    r.PrintSet_IReportData.start = 0;
    // Thicknesses the thickness record's dialog accepts.
    for (int b = 0; b < 5; ++b)
        for (int k = 0; k < 10; ++k) r.CeHou_IReportData.texts[static_cast<std::size_t>(6 + 27 * b + 13 + k)] = "5.5";
    model::CharacteristicTable table;
    int mode = kEditReport;
    OnlineReportMasterForm m(r, table, mode);
    EXPECT_EQ(m.caption(), "在用工业管道在线检验报告档案__总对话框");
    EXPECT_EQ(m.actionCaption("open=1"), " 1. 在用工业管道原始资料登记表");
    EXPECT_TRUE(m.actionEnabled("open=3"));
    EXPECT_EQ(m.field("flag25"), "1");
    EXPECT_EQ(m.field("start"), "无");
    EXPECT_EQ(m.field("noNumbers"), "1");
    EXPECT_FALSE(m.fieldEnabled("start"));

    Driver d({Answer::Yes});
    d.set(m, "noNumbers", "0");
    EXPECT_EQ(m.field("start"), "1");
    d.set(m, "start", "4");

    // The page dialogs of the online set open from here.
    d.host.answer = [](platform::Form& f, platform::FormContext& c) {
        EXPECT_EQ(f.caption(), "在用工业管道在线检验测厚记录");
        EXPECT_TRUE(f.act("ok", c).ok());
    };
    d.act(m, "open=2");
    EXPECT_EQ(d.host.runs, 1);

    d.act(m, "clear");
    EXPECT_EQ(d.lastMessage(), "此操作将删除所有在线检验报告的内容，\n\n你确认要进行此操作吗？");
    for (int page = 23; page <= 26; ++page) EXPECT_FALSE(reportPageHoldsData(r, page));
    EXPECT_NE(m.actionCaption("open=0").find("<-空"), std::string::npos);
    EXPECT_FALSE(r.Face_ReportData.empty());  // the full set stays

    EXPECT_EQ(d.act(m, "showSelected"), FormState::Accepted);
    EXPECT_EQ(m.pageToShow(), kAllOnlinePages);
    EXPECT_EQ(r.PrintSet_IReportData.start, 4);
    EXPECT_EQ(r.PrintSet_IReportData.flags[25], 0);  // cleared with the set's contents
}

TEST(OnlineReportMasterForm, ImportTakesOnlyTheOnlineSections) {
    const auto path = std::filesystem::temp_directory_path() / "tubra-import-online.hcd";
    InspectionReport other = testing::filledReport();
    other.Face_IReportData.texts[1] = "NEW";
    other.PrintSet_IReportData.start = 9;
    std::ofstream(path, std::ios::binary) << testing::written(other);

    InspectionReport r;
    r.Face_ReportData.texts[0] = "MINE";
    r.DengJi_IReportData.texts[36] = "OLD";
    r.PrintSet_IReportData.start = 2;
    model::CharacteristicTable table;
    int mode = kEditReport;
    OnlineReportMasterForm m(r, table, mode);
    Driver d;
    d.act(m, "import=" + path.string());
    EXPECT_EQ(r.Face_IReportData.texts[1].view(), "NEW");
    EXPECT_EQ(r.DengJi_IReportData.texts[36], other.DengJi_IReportData.texts[36]);
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), "MINE");
    EXPECT_EQ(r.PrintSet_IReportData.start, 2);  // page settings are not imported
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace tubra::report
