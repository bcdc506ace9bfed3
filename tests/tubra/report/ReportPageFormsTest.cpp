#include "tubra/report/ReportPageForms.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "tubra/report/RecordListForm.h"
#include "tubra/report/ReportPagePainter.h"

#include "tubra/report/FormTestSupport.h"
#include "tubra/report/ReportFixtures.h"

namespace tubra::report {
namespace {

using platform::Answer;
using platform::FormState;
using testing::Driver;
using testing::gbk;
using testing::utf8;

model::CharacteristicTable sampleTable() {
    model::CharacteristicTable t;
    t.values[tablerow::kName] = gbk("原料管线");
    t.values[tablerow::kNumber] = "P-101";
    t.values[tablerow::kClass] = "GC2";
    t.values[tablerow::kMedium] = gbk("蒸汽");
    t.values[tablerow::kPressure] = "1.6";
    t.values[tablerow::kTemperature] = "200";
    t.values[tablerow::kEnds] = gbk("泵房至罐区");
    t.values[tablerow::kInsulation] = gbk("岩棉");
    t.values[tablerow::kInService] = "1998-05";
    t.values[tablerow::kLength] = "120.50";
    t.values[tablerow::kMaterial] = "20#";
    t.values[tablerow::kSize] = gbk("Φ108×4");
    return t;
}

std::unique_ptr<ReportPageForm> open(int page, const InspectionReport& r,
                                     const model::CharacteristicTable& t = {}) {
    auto f = makeReportPageForm(page, r, t);
    EXPECT_TRUE(f) << page;
    return f;
}

// ---------------------------------------------------------------------------------------------

TEST(ReportPageForms, EveryPageCopiesItsSectionInAndOutUnchanged) {
    InspectionReport source = testing::filledReport();
    source.JieLun_ReportData.texts[11] = "3";  // a grade the list offers
    source.CeHou_ReportData.texts[8] = "0.25   ";  // "自动": the least thickness of the list
    InspectionReport target;
    target.PrintSet_ReportData = source.PrintSet_ReportData;
    target.PrintSet_IReportData = source.PrintSet_IReportData;
    for (int page = 0; page <= 26; ++page) {
        if (!isReportPage(page)) {
            EXPECT_EQ(makeReportPageForm(page, source, {}), nullptr) << page;
            continue;
        }
        auto form = open(page, source);
        EXPECT_EQ(form->caption(), reportPageCaption(page));
        form->apply(target);
    }
    // Every section and list, byte for byte as the file would hold it: no field is mapped to
    // the wrong text, cut, rounded or lost, dates and classes outside the lists included.
    EXPECT_EQ(testing::written(target), testing::written(source));
}

TEST(ReportPageForms, EmptyPagesAndTheirLabelsAndCaptions) {
    InspectionReport r;
    for (int page : {0, 1, 2, 3, 6, 13, 17, 23, 26}) EXPECT_FALSE(reportPageHoldsData(r, page));
    // A conclusion whose only content is the "no grade" of an untouched dialog is empty.
    r.JieLun_ReportData.texts[11] = "0";
    EXPECT_FALSE(reportPageHoldsData(r, 2));
    r.JieLun_ReportData.texts[11] = "2";
    EXPECT_TRUE(reportPageHoldsData(r, 2));
    // A list alone fills its page.
    r.thicknessPoints.append({"A1", 5.0f});
    EXPECT_TRUE(reportPageHoldsData(r, 6));
    r.Mulu_ReportData.pages[3] = 7;
    EXPECT_TRUE(reportPageHoldsData(r, 1));
    EXPECT_EQ(reportPageCaption(17), "检修更换记录(14)");
    EXPECT_EQ(reportPageCaption(25), "在用工业管道在线检验测厚记录");
    EXPECT_EQ(reportPageCaption(20), "");
}

TEST(ReportPageForms, EditBoxesHoldTheirFieldLessOneByteInWholeCharacters) {
    InspectionReport r;
    Driver d;
    auto cover = open(0, r);
    // 30 two-byte characters: a 50-byte field keeps 24 of them (48 bytes), never half of one.
    std::string long30;
    for (int i = 0; i < 30; ++i) long30 += "检";
    d.set(*cover, "text0", long30);
    EXPECT_EQ(gbk(cover->field("text0")).size(), 48u);
    d.set(*cover, "text1", std::string(60, 'x'));
    EXPECT_EQ(cover->field("text1"), std::string(49, 'x'));
    // What the file cannot hold is replaced visibly while typing.
    d.set(*cover, "text2", "a}b\nc");
    EXPECT_EQ(cover->field("text2"), "a]b c");
    // The class is a list.
    std::string error;
    error = cover->setField("text9", "GX9").message();
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find("GC3"), std::string::npos);
    d.set(*cover, "text9", "GB2");
    EXPECT_EQ(d.act(*cover, "ok"), FormState::Accepted);
    cover->apply(r);
    EXPECT_EQ(r.Face_ReportData.texts[2].view(), "a]b c");
    EXPECT_EQ(r.Face_ReportData.texts[9].view(), "GB2");

    // Texts that share a line with others: no blanks, no '@'.
    auto summary = open(3, r);
    d.set(*summary, "text0", "a b@c");
    EXPECT_EQ(summary->field("text0"), "a_b#c");
    // Several-line texts keep their lines.
    auto chemistry = open(11, r);
    d.set(*chemistry, "note", "one\ntwo");
    chemistry->apply(r);
    EXPECT_EQ(r.FengXi_ReportData.note.view(), "one\r\ntwo");
}

TEST(ReportPageForms, CoverTakesNameNumberAndClassFromTheTableWhileEmpty) {
    InspectionReport r;
    const auto table = sampleTable();
    auto cover = open(0, r, table);
    EXPECT_EQ(cover->field("text4"), "原料管线");
    EXPECT_EQ(cover->field("text5"), "P-101");
    EXPECT_EQ(cover->field("text9"), "GC2");
    r.Face_ReportData.texts[4] = gbk("自填");
    EXPECT_EQ(open(0, r, table)->field("text4"), "自填");
}

TEST(ReportPageForms, ContentsTogglesAndPageNumbers) {
    InspectionReport r;
    r.Mulu_ReportData.pages = {5, 999, 0, -3};
    r.Mulu_ReportData.flags[2] = 1;
    Driver d;
    auto f = open(1, r);
    // Only 1 to 998 is shown.
    EXPECT_EQ(f->field("page0"), "5");
    EXPECT_EQ(f->field("page1"), "");
    EXPECT_EQ(f->field("flag2"), "1");
    // At most three digits; a minus only in front.
    d.set(*f, "page2", "12a34");
    EXPECT_EQ(f->field("page2"), "123");
    d.set(*f, "page3", "-7");
    d.set(*f, "flag5", "1");
    f->apply(r);
    EXPECT_EQ(r.Mulu_ReportData.pages[2], 123);
    EXPECT_EQ(r.Mulu_ReportData.pages[3], 0);  // 0 or less is stored as 0
    EXPECT_EQ(r.Mulu_ReportData.flags[5], 1);
    EXPECT_EQ(r.Mulu_ReportData.flags[2], 1);
}

TEST(ReportPageForms, ConclusionGradeFourPutsTheParametersAsideAndRefusesNewOnes) {
    InspectionReport r;
    for (int i = 0; i < 5; ++i) r.JieLun_ReportData.texts[i] = "v" + std::to_string(i);
    r.JieLun_ReportData.texts[11] = "2";
    Driver d;
    auto f = open(2, r);
    EXPECT_EQ(f->fieldNames().front(), "text11");  // set before the fields it changes
    d.set(*f, "text11", "4");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f->field("text" + std::to_string(i)), "") << i;

    d.set(*f, "text0", "1.0");
    EXPECT_EQ(d.act(*f, "ok"), FormState::Open);
    EXPECT_EQ(d.lastMessage(),
              "当安全状况等级为4时，不能再继续使用！\n\n因此允许继续使用的条件参数不能填写！");
    EXPECT_EQ(d.prompter.asked.back().caption, "数据输入错误");

    // Another grade brings back what was there before grade 4.
    d.set(*f, "text11", "3");
    for (int i = 0; i < 5; ++i) EXPECT_EQ(f->field("text" + std::to_string(i)), "v" + std::to_string(i));
    d.set(*f, "text11", "4");
    d.set(*f, "text3", "监控");  // restrictive conditions are no parameter for further use
    EXPECT_EQ(d.act(*f, "ok"), FormState::Accepted);
    f->apply(r);
    EXPECT_EQ(r.JieLun_ReportData.texts[11].view(), "4");
    EXPECT_EQ(r.JieLun_ReportData.texts[0].view(), "");
    EXPECT_EQ(utf8(r.JieLun_ReportData.texts[3].view()), "监控");
}

TEST(ReportPageForms, ConclusionDefaultsFromTheTableAndTheInspectionBody) {
    InspectionReport r;
    const auto table = sampleTable();
    auto f = open(2, r, table);
    EXPECT_EQ(f->field("text11"), "");
    EXPECT_EQ(f->field("text0"), "1.6");
    EXPECT_EQ(f->field("text1"), "200");
    EXPECT_EQ(f->field("text2"), "蒸汽");
    EXPECT_EQ(f->field("text7"), "duzezurarureveder");
    EXPECT_EQ(f->field("text8"), "压力管道检验和安全评估。");
    f->apply(r);
    EXPECT_EQ(r.JieLun_ReportData.texts[11].view(), "0");  // no grade chosen

    // At grade 4 the parameters are not filled in.
    r.JieLun_ReportData.texts[0] = "";
    r.JieLun_ReportData.texts[11] = "4";
    auto four = open(2, r, table);
    EXPECT_EQ(four->field("text0"), "");
    EXPECT_EQ(four->field("text11"), "4");
}

TEST(ReportPageForms, SummaryOverallGradeOnlyRisesAndNoDefectButtonsFillTheirGroups) {
    InspectionReport r;
    Driver d;
    auto f = open(3, r);
    d.set(*f, "grade5", "3");
    EXPECT_EQ(f->field("grade22"), "3");
    d.set(*f, "grade5", "1");
    EXPECT_EQ(f->field("grade22"), "3");

    EXPECT_EQ(d.act(*f, "clear=1"), FormState::Open);
    for (int i = 7; i <= 13; ++i) {
        EXPECT_EQ(f->field("text" + std::to_string(i)), "未发现") << i;
        EXPECT_EQ(f->field("grade" + std::to_string(i)), "2") << i;
    }
    EXPECT_EQ(f->field("text6"), "");
    d.act(*f, "clear=0");
    d.act(*f, "clear=2");
    EXPECT_EQ(f->field("text0"), "正常");
    EXPECT_EQ(f->field("text20"), "正常");
    EXPECT_EQ(f->field("text21"), "");
    EXPECT_EQ(f->field("grade22"), "3");
    d.set(*f, "grade20", "4");
    EXPECT_EQ(f->field("grade22"), "4");
    f->apply(r);
    EXPECT_EQ(r.HuiZong_ReportData.grades[22], 4);
    EXPECT_EQ(r.HuiZong_ReportData.grades[5], 2);
    EXPECT_EQ(r.HuiZong_ReportData.grades[21], 0);
}

TEST(ReportPageForms, ReviewReferenceValuesFillEmptyFieldsAndABlankKeepsOneEmpty) {
    InspectionReport r;
    r.Face_ReportData.texts[3] = gbk("常减压装置");
    const auto table = sampleTable();
    Driver d({Answer::No, Answer::Yes});
    auto f = open(4, r, table);
    EXPECT_EQ(f->field("text0"), "常减压装置");  // ☆ from the cover
    EXPECT_EQ(f->field("text1"), "原料管线");    // ★ from the table
    EXPECT_EQ(f->field("text3"), "120.50");
    EXPECT_EQ(f->field("text34"), "GC2");
    EXPECT_EQ(f->field("text5"), "");  // no reference
    d.set(*f, "text1", " ");
    d.set(*f, "text2", "");
    d.set(*f, "text4", "改过");
    f->apply(r);

    // The blank keeps the name out; the emptied number comes back.
    auto again = open(4, r, table);
    EXPECT_EQ(again->field("text1"), " ");
    EXPECT_EQ(again->field("text2"), "P-101");
    EXPECT_EQ(again->field("text4"), "改过");

    // Reloading asks first; No keeps, Yes overwrites every starred field.
    d.act(*again, "reload");
    ASSERT_EQ(d.prompter.asked.size(), 1u);
    EXPECT_EQ(d.prompter.asked[0].caption, "确认信息");
    EXPECT_EQ(again->field("text4"), "改过");
    d.act(*again, "reload");
    EXPECT_EQ(again->field("text4"), "泵房至罐区");
    EXPECT_EQ(again->field("text1"), "原料管线");
}

TEST(ReportPageForms, DialogsNameWhatThePagesPrint) {
    // A form's dialog carries the form's printed title; cover, contents, repair record and the
    // online cover have captions of their own.
    for (int page = kFirstFormPage; page <= kLastFormPage; ++page)
        EXPECT_EQ(reportPageCaption(page), pageTitle(page)) << page;
    for (int page : {kOnlineRegisterPage, kOnlineThicknessPage, kOnlineReportPage})
        EXPECT_EQ(reportPageCaption(page), pageTitle(page)) << page;
    EXPECT_EQ(reportPageCaption(kContentsPage), "目  录");
    EXPECT_EQ(reportPageCaption(kOnlineCoverPage), "在用工业管道在线检验报告档案_封面");
    EXPECT_FALSE(isReportPage(kAllFullPages));
    EXPECT_FALSE(isReportPage(kAllOnlinePages));
    EXPECT_EQ(reportPageCaption(kAllFullPages), "");

    // Each check box reads as the option the page prints and ticks for it.
    InspectionReport r;
    auto visual = open(kVisualPage, r);
    auto* form = static_cast<ReportForm*>(visual.get());
    int state = 0;
    for (const auto& item : visualInspectionItems())
        for (std::string_view option : optionNames(item.options))
            EXPECT_EQ(form->fieldDef("state" + std::to_string(state++))->text, std::string(option) + "；");
    EXPECT_EQ(state, 92);
    EXPECT_EQ(form->fieldDef("state52")->text, "紧固件松动；");
    auto online = open(kOnlineReportPage, r);
    form = static_cast<ReportForm*>(online.get());
    state = 0;
    for (std::string_view line : onlineSourceDocumentLines())
        for (std::string_view name : optionNames(line))
            EXPECT_EQ(form->fieldDef("state" + std::to_string(state++))->text, name);
    EXPECT_EQ(state, 13);
    EXPECT_EQ(form->fieldDef("state12")->text, "检验方案");

    EXPECT_EQ(optionNames("  正常；  碰撞；  摩擦"), (std::vector<std::string_view>{"正常", "碰撞", "摩擦"}));
    EXPECT_EQ(optionNames("  单线图；"), (std::vector<std::string_view>{"单线图"}));
    EXPECT_TRUE(optionNames("").empty());
}

TEST(ReportPageForms, VisualInspectionFirstOptionExcludesTheOthers) {
    InspectionReport r;
    Driver d;
    auto f = open(5, r);
    EXPECT_EQ(f->fieldNames().size(), 92u + 27u);
    // 管道位置: 正常 (0), 碰撞 (1), 摩擦 (2); 管道结构 starts at 3.
    d.set(*f, "state1", "1");
    d.set(*f, "state2", "1");
    d.set(*f, "state3", "1");
    d.set(*f, "state0", "1");
    EXPECT_EQ(f->field("state1"), "0");
    EXPECT_EQ(f->field("state2"), "0");
    EXPECT_EQ(f->field("state3"), "1");  // another item
    d.set(*f, "state2", "1");
    EXPECT_EQ(f->field("state0"), "0");
    // The last item (焊接接头: 完好 88, 裂纹 89, 错边 90, 咬边 91).
    d.set(*f, "state91", "1");
    d.set(*f, "state88", "1");
    EXPECT_EQ(f->field("state91"), "0");
    // Remarks hold 12 bytes.
    d.set(*f, "text2", "一二三四五六七");
    EXPECT_EQ(f->field("text2"), "一二三四五六");
    f->apply(r);
    EXPECT_EQ(r.HongGuan_ReportData.states[2], 1);
    EXPECT_EQ(r.HongGuan_ReportData.states[88], 1);
    EXPECT_EQ(r.HongGuan_ReportData.states[91], 0);
}

// ---------------------------------------------------------------------------------------------
// Record lists

RecordListForm& asList(ReportPageForm& f) { return dynamic_cast<RecordListForm&>(f); }

void addPoint(Driver& d, ReportPageForm& f, const std::string& id, const std::string& t) {
    d.set(f, "item0", id);
    d.set(f, "item1", t);
    d.act(f, "add");
}

TEST(RecordListForm, ThicknessPointsAreValidatedBeforeTheyEnterTheList) {
    InspectionReport r;
    Driver d;
    auto f = open(6, r);
    d.set(*f, "item0", "A1");
    d.set(*f, "item1", "0");
    d.act(*f, "add");
    EXPECT_EQ(d.lastMessage(), "测厚值无效！。");
    EXPECT_EQ(d.prompter.asked.back().caption, "编辑错误");
    d.set(*f, "item0", "");
    d.set(*f, "item1", "5.2");
    d.act(*f, "add");
    EXPECT_EQ(d.lastMessage(), "测点编号不能为空！。");
    EXPECT_TRUE(asList(*f).rows().empty());
    // A point id is a word of the file: blanks are replaced.
    d.set(*f, "item0", "A 1");
    d.act(*f, "add");
    ASSERT_EQ(asList(*f).rows().size(), 1u);
    EXPECT_EQ(asList(*f).rows()[0][0], "A_1");
    EXPECT_EQ(f->field("item0"), "");  // emptied for the next point
    EXPECT_EQ(asList(*f).status(), "共有记录1条，当前无选择。");
}

TEST(RecordListForm, InsertModifyDeleteKeepTheNumberingAndTheAutomaticFields) {
    InspectionReport r;
    r.CeHou_ReportData.texts[3] = "88";
    Driver d({Answer::No, Answer::Yes});
    auto f = open(6, r);
    auto& list = asList(*f);
    // The stored count stays until the list changes.
    EXPECT_EQ(f->field("text3"), "88");
    for (int i = 1; i <= 5; ++i) addPoint(d, *f, "P" + std::to_string(i), std::to_string(4 + i) + ".5");
    EXPECT_EQ(f->field("text3"), "5");
    EXPECT_EQ(f->field("text8"), "5.50   ");

    // A row a script names that the list does not have is refused in Chinese.
    std::string error;
    error = f->act("delete=99", d.context).message();
    EXPECT_NE(error.find("没有可供 delete 的记录 '99'"), std::string::npos) << error;
    ASSERT_EQ(list.rows().size(), 5u);

    // Clicking a row shows it in the editing area; insert puts the new row before it.
    d.act(*f, "select=2");
    EXPECT_EQ(f->field("item0"), "P3");
    EXPECT_EQ(f->field("item1"), "7.5");  // as typed
    EXPECT_EQ(list.status(), "共有记录5条，当前选择在第3条。");
    d.set(*f, "item0", "N");
    d.set(*f, "item1", "3.25");
    d.act(*f, "insert");
    ASSERT_EQ(list.rows().size(), 6u);
    EXPECT_EQ(list.rows()[2][0], "N");
    EXPECT_EQ(list.rows()[3][0], "P3");
    EXPECT_EQ(list.status(), "共有记录6条，当前选择在第4条。");
    EXPECT_EQ(f->field("text8"), "3.25   ");
    const ListModel* m = list.listModel("rows");
    ASSERT_TRUE(m);
    EXPECT_EQ(m->rows[5][0], "6");
    EXPECT_EQ(m->columns, (std::vector<std::string>{"序号", "测点编号", "测点厚度(mm)"}));
    EXPECT_EQ(m->background, 0xC8DCC8u);
    EXPECT_EQ(m->foreground, 0xE60000u);

    d.set(*f, "item1", "9");
    d.act(*f, "modify=0");
    EXPECT_EQ(list.rows()[0][0], "N");
    EXPECT_EQ(list.rows()[0][1], "9");

    // Without the automatic box the count is the user's.
    d.set(*f, "autoCount", "0");
    d.set(*f, "text3", "40");
    d.act(*f, "delete=5");
    EXPECT_EQ(f->field("text3"), "40");
    EXPECT_EQ(list.rows().size(), 5u);

    // 退出 asks; No stays open, Yes writes header and list.
    EXPECT_EQ(d.act(*f, "退出"), FormState::Open);
    EXPECT_EQ(d.lastMessage(), "确认要退出吗？");
    EXPECT_EQ(d.act(*f, "退出"), FormState::Accepted);
    f->apply(r);
    ASSERT_EQ(r.thicknessPoints.count(), 5u);
    EXPECT_EQ(r.thicknessPoints.at(0).pointId.view(), "N");
    EXPECT_FLOAT_EQ(r.thicknessPoints.at(0).thickness, 9.0f);
    EXPECT_FLOAT_EQ(r.thicknessPoints.at(2).thickness, 3.25f);
    EXPECT_EQ(r.CeHou_ReportData.texts[3].view(), "40");
    EXPECT_EQ(r.CeHou_ReportData.texts[8].view(), "3.25   ");
}

TEST(RecordListForm, DeletingSelectedRowsRenumbersTheRest) {
    InspectionReport r;
    for (int i = 1; i <= 5; ++i)
        r.penetrantDefects.append({"L" + std::to_string(i), static_cast<float>(i)});
    Driver d;
    auto f = open(8, r);
    d.act(*f, "select=0,2,3");
    d.act(*f, "delete");
    const ListModel* m = f->listModel("rows");
    ASSERT_EQ(m->rows.size(), 2u);
    EXPECT_EQ(m->rows[0], (std::vector<std::string>{"1", "L2", "2"}));
    EXPECT_EQ(m->rows[1], (std::vector<std::string>{"2", "L5", "5"}));
    EXPECT_EQ(asList(*f).status(), "共有记录2条，当前无选择。");
    // Rows that do not exist are refused without a change.
    std::string error;
    error = f->act("delete=7", d.context).message();
    EXPECT_NE(error, "");
    EXPECT_EQ(f->listModel("rows")->rows.size(), 2u);
}

TEST(RecordListForm, OtherListsRefuseABlankEditingAreaAndKeepMeasurements) {
    InspectionReport r;
    r.radiographDefects.append({"F1", gbk("环缝"), gbk("气孔"), 2.125f, 0.3f, "II", ""});
    Driver d;
    auto f = open(9, r);
    d.act(*f, "add");
    EXPECT_EQ(d.lastMessage(), "编辑区内的记录项不能都为空白。");
    d.set(*f, "item6", "复查");
    d.act(*f, "add");
    EXPECT_EQ(d.act(*f, "ok"), FormState::Accepted);  // "ok" is the 退出 button
    f->apply(r);
    ASSERT_EQ(r.radiographDefects.count(), 2u);
    EXPECT_FLOAT_EQ(r.radiographDefects.at(0).length, 2.125f);
    EXPECT_FLOAT_EQ(r.radiographDefects.at(0).height, 0.3f);
    EXPECT_EQ(utf8(r.radiographDefects.at(1).remark.view()), "复查");

    // The hardness form closes with 确定 and asks nothing.
    Driver h;
    auto hardness = open(12, r);
    EXPECT_EQ(h.act(*hardness, "ok"), FormState::Accepted);
    EXPECT_TRUE(h.prompter.asked.empty());
}

// ---------------------------------------------------------------------------------------------

TEST(ReportPageForms, MetallographyAddsOnlyPicturesThatLoad) {
    InspectionReport r;
    Driver d;
    auto f = open(13, r);
    const auto dir = std::filesystem::temp_directory_path();
    const auto bad = dir / "tubra-not-a-picture.txt";
    const auto good = dir / "tubra-picture.bmp";
    std::ofstream(bad) << "text";
    std::ofstream(good, std::ios::binary) << "BM....";
    d.act(*f, "add=" + bad.string());
    EXPECT_EQ(d.lastMessage(), "打开文件失败!");
    EXPECT_EQ(d.prompter.asked.back().caption, "文件无效");
    EXPECT_TRUE(f->listModel("images")->rows.empty());
    d.act(*f, "add=" + good.string());
    ASSERT_EQ(f->listModel("images")->rows.size(), 1u);
    EXPECT_EQ(f->listModel("images")->rows[0][2], good.string());
    f->apply(r);
    ASSERT_EQ(r.metallographImages.count(), 1u);
    EXPECT_EQ(r.metallographImages.at(0).fileName.view(), good.string());
    std::filesystem::remove(bad);
    std::filesystem::remove(good);
}

TEST(ReportPageForms, PressureTestKeepsItsReservedFields) {
    InspectionReport r;
    r.QiMi_ReportData.texts[18] = "kept";
    Driver d;
    auto f = open(15, r);
    EXPECT_FALSE(f->fieldVisible("text18"));
    d.set(*f, "note", "a\r\nb");
    f->apply(r);
    EXPECT_EQ(r.QiMi_ReportData.texts[18].view(), "kept");
    EXPECT_EQ(r.QiMi_ReportData.note.view(), "a\r\nb");
    EXPECT_TRUE(r.NaiYa_ReportData.empty());
}

// ---------------------------------------------------------------------------------------------
// Online set

TEST(OnlineReportForms, CoverArrowsShowWhileAFieldDiffersFromTheFullCover) {
    InspectionReport r;
    r.Face_ReportData.texts[0] = "REG-1";
    r.Face_ReportData.texts[3] = gbk("装置甲");
    const auto table = sampleTable();
    Driver d;
    auto f = open(23, r, table);
    EXPECT_EQ(f->field("text0"), "REG-1");
    EXPECT_EQ(f->field("text2"), "装置甲");
    EXPECT_FALSE(f->actionVisible("ref=text0"));
    d.set(*f, "text0", "REG-2");
    EXPECT_TRUE(f->actionVisible("ref=text0"));
    d.act(*f, "ref=text0");
    EXPECT_EQ(f->field("text0"), "REG-1");
    EXPECT_FALSE(f->actionVisible("ref=text0"));
    // Name and number are the table's and not edited here.
    EXPECT_EQ(f->field("text3"), "原料管线");
    EXPECT_FALSE(f->fieldEnabled("text4"));
    std::string error;
    error = f->setField("text4", "X").message();
    EXPECT_FALSE(error.empty());

    // Dates: years 2001 to 2020, months 1 to 12, days 1 to 31; empty is 0.
    error = f->setField("date0", "2021").message();
    EXPECT_FALSE(error.empty());
    error = f->setField("date1", "13").message();
    EXPECT_FALSE(error.empty());
    d.set(*f, "date0", "2003");
    d.set(*f, "date18", "31");
    d.set(*f, "date1", "");
    f->apply(r);
    EXPECT_EQ(r.Face_IReportData.dates[0], 2003);
    EXPECT_EQ(r.Face_IReportData.dates[18], 31);
    EXPECT_EQ(r.Face_IReportData.dates[1], 0);
    EXPECT_EQ(utf8(r.Face_IReportData.texts[3].view()), "原料管线");
}

TEST(OnlineReportForms, RegistrationReferencesRemarkLimitAndClear) {
    InspectionReport r;
    r.ShengCha_ReportData.texts[5] = gbk("架空");
    r.Face_ReportData.texts[3] = gbk("装置甲");
    const auto table = sampleTable();
    Driver d({Answer::Yes});
    auto f = open(24, r, table);
    EXPECT_EQ(f->field("text6"), "架空");      // ○
    EXPECT_EQ(f->field("text0"), "装置甲");    // ☆
    EXPECT_EQ(f->field("text10"), "Φ108×4");   // ★
    std::string twenty;
    for (int i = 1; i <= 20; ++i) twenty += "l" + std::to_string(i) + "\n";
    d.set(*f, "note", twenty);
    EXPECT_EQ(f->field("note").find("l13"), std::string::npos);
    EXPECT_NE(f->field("note").find("l12"), std::string::npos);
    d.act(*f, "clear");
    EXPECT_EQ(f->field("text10"), "");
    EXPECT_TRUE(f->actionVisible("ref=text10"));
    d.act(*f, "reload");
    EXPECT_EQ(f->field("text10"), "Φ108×4");
    EXPECT_EQ(f->field("text30"), "");  // unlabelled, no reference
}

TEST(OnlineReportForms, InspectionReportChecksAndNotes) {
    InspectionReport r;
    Driver d;
    auto f = open(26, r, sampleTable());
    EXPECT_EQ(f->field("text3"), "原料管线");
    d.set(*f, "state12", "1");
    d.set(*f, "notes3", "合格");
    d.set(*f, "text20", std::string(30, '9'));
    f->apply(r);
    EXPECT_EQ(r.JianYan_IReportData.states[12], 1);
    EXPECT_EQ(utf8(r.JianYan_IReportData.notes[2].view()), "合格");
    EXPECT_EQ(r.JianYan_IReportData.texts[20].size(), 20u);
}


// ---------------------------------------------------------------------------------------------
// Measurements, the least thickness, pictures and signature rows

TEST(Measurements, OnlyWholeFiniteNumbersAreValues) {
    using K = forms::Measured::Kind;
    const auto kind = [](std::string_view t) { return forms::measured(t).kind; };
    for (const char* value : {"5.36", " 5.36 ", "-0.05", "+2", "1e3", "0", ".5"}) EXPECT_EQ(kind(value), K::Value) << value;
    for (const char* bad : {"nan", "NaN", "inf", "-inf", "1e999", "5mm", "5,3", "0x10", "-", "1.2.3", "HB180", "五"})
        EXPECT_EQ(kind(gbk(bad)), K::Invalid) << bad;
    EXPECT_EQ(kind(""), K::Empty);
    EXPECT_EQ(kind("   "), K::Empty);
    EXPECT_DOUBLE_EQ(forms::measured(" 5.36 ").value, 5.36);
    // The physical ranges: a thickness is more than 0, a percentage at most 100.
    EXPECT_FALSE(measures::thickness("t").accepts(0));
    EXPECT_TRUE(measures::thickness("t").accepts(0.01));
    EXPECT_FALSE(measures::thickness("t").accepts(1000.5));
    EXPECT_TRUE(measures::percent("p").accepts(100));
    EXPECT_FALSE(measures::percent("p").accepts(100.01));
    EXPECT_FALSE(measures::length("l").accepts(-1));
    EXPECT_TRUE(measures::pressure("p").accepts(-0.1));
    EXPECT_FALSE(measures::pressure("p").accepts(std::numeric_limits<double>::quiet_NaN()));
    EXPECT_EQ(measures::thickness("t").rangeText(), "大于0且不大于1000");
    EXPECT_EQ(measures::length("l").rangeText(), "0至100000");
}

TEST(Measurements, ListsRefuseImpossibleValuesAndKeepTheDialogOpen) {
    InspectionReport r;
    // Thicknesses: the dialog's own "测厚值无效！。" for anything but a positive number.
    Driver d;
    auto f = open(6, r);
    d.set(*f, "item0", "A1");
    for (const char* bad : {"nan", "inf", "-5", "1e999", "2000", ""}) {
        d.set(*f, "item1", bad);
        d.act(*f, "add");
        EXPECT_EQ(d.lastMessage(), "测厚值无效！。") << bad;
        EXPECT_TRUE(asList(*f).rows().empty()) << bad;
    }
    d.set(*f, "item1", "5.36");
    d.act(*f, "add");
    EXPECT_EQ(asList(*f).rows().size(), 1u);
    EXPECT_EQ(f->field("text8"), "5.36   ");

    // Other lists: an empty number is a value not given; what is no number is named.
    Driver m;
    auto magnetic = open(7, r);
    m.set(*magnetic, "item0", "W1");
    m.set(*magnetic, "item1", "nan");
    m.act(*magnetic, "add");
    EXPECT_EQ(m.lastMessage(),
              "缺陷长度(mm)：“nan”不是有效的数值！\n\n请填写大于0且不大于100000的数（文件中保留6位小数），或不填。");
    EXPECT_EQ(m.prompter.asked.back().caption, "编辑错误");
    EXPECT_TRUE(asList(*magnetic).rows().empty());
    m.set(*magnetic, "item1", "");
    m.act(*magnetic, "add");
    EXPECT_EQ(asList(*magnetic).rows().size(), 1u);
    // Modify checks as add does.
    m.set(*magnetic, "item1", "-3");
    m.act(*magnetic, "modify=0");
    EXPECT_EQ(asList(*magnetic).rows()[0][1], "");

    Driver u;
    auto ultrasonic = open(10, r);
    u.set(*ultrasonic, "item0", "W5");
    u.set(*ultrasonic, "item1", "1500");  // buried 1.5 m deep in a wall
    u.act(*ultrasonic, "add");
    EXPECT_NE(u.lastMessage().find("缺陷埋藏深度(mm)"), std::string::npos);
    EXPECT_TRUE(asList(*ultrasonic).rows().empty());

    Driver h;
    auto hardness = open(12, r);
    h.set(*hardness, "item0", "HB180");
    h.act(*hardness, "add");
    EXPECT_NE(h.lastMessage().find("硬度值(HB)"), std::string::npos);
    h.set(*hardness, "item0", "180");
    h.act(*hardness, "add");
    EXPECT_EQ(asList(*hardness).rows().size(), 1u);
}

TEST(Measurements, HeaderBoxesAreCheckedOnOk) {
    InspectionReport r;
    r.NaiYa_ReportData.texts[6] = "abc";  // from a drawing file: refused only when confirmed
    Driver d;
    auto f = open(14, r);
    EXPECT_EQ(d.act(*f, "ok"), FormState::Open);
    EXPECT_EQ(d.lastMessage(), "试验压力(MPa)：“abc”不是有效的数值！\n\n请填写-0.1至1000的数，或不填。");
    EXPECT_EQ(d.prompter.asked.back().caption, "数据输入错误");
    d.set(*f, "text6", "2.4");
    d.set(*f, "text5", "inf");
    EXPECT_EQ(d.act(*f, "ok"), FormState::Open);
    EXPECT_NE(d.lastMessage().find("最高工作压力(MPa)"), std::string::npos);
    d.set(*f, "text5", "");
    EXPECT_EQ(d.act(*f, "ok"), FormState::Accepted);

    // Percentages of the examination proportions, misalignment, the conclusion's pressure.
    const struct {
        int page;
        const char* field;
        const char* bad;
        const char* label;
    } boxes[] = {{6, "text1", "101", "管件测量比例(%)"}, {6, "text6", "-1", "管子测量比例(%)"},
                 {7, "text1", "nan", "检测比例(%)"},    {8, "text7", "150", "检测比例(%)"},
                 {9, "text3", "inf", "检测比例(%)"},    {10, "text4", "x", "检测比例(%)"},
                 {5, "text0", "-2", "最大错边量(mm)"},  {2, "text0", "nan", "最大工作压力(MPa)"},
                 {16, "text25", "abc", "开启压力(MPa)"}};
    for (const auto& box : boxes) {
        Driver b({Answer::Yes, Answer::Yes});
        auto form = open(box.page, r);
        b.set(*form, box.field, box.bad);
        EXPECT_EQ(b.act(*form, "ok"), FormState::Open) << box.page << " " << box.field;
        EXPECT_NE(b.lastMessage().find(box.label), std::string::npos) << box.page << " " << box.field;
    }
    // The online thickness records' thicknesses.
    Driver o;
    auto online = open(25, r);
    o.set(*online, "text19", "nan");  // block 1, point 1
    EXPECT_EQ(o.act(*online, "ok"), FormState::Open);
    EXPECT_NE(o.lastMessage().find("第1次在线检验 厚度(mm)"), std::string::npos);
}

TEST(RecordListForm, TheLeastThicknessIsTheListsFromTheOpening) {
    InspectionReport r;
    r.CeHou_ReportData.texts[8] = "5.32";  // stale: the least of the list is 5.36
    r.thicknessPoints.append({"C47", 5.40f});
    r.thicknessPoints.append({"C48", 5.36f});
    // A point a file brought in without a number in it counts for nothing.
    r.thicknessPoints.append({"C49", std::numeric_limits<float>::quiet_NaN()});
    Driver d({Answer::Yes});
    auto f = open(6, r);
    EXPECT_EQ(f->field("autoMin"), "1");
    EXPECT_EQ(f->field("text8"), "5.36   ");
    EXPECT_FALSE(f->fieldEnabled("text8"));
    EXPECT_EQ(d.act(*f, "退出"), FormState::Accepted);
    f->apply(r);
    EXPECT_EQ(r.CeHou_ReportData.texts[8].view(), "5.36   ");
    // Without "自动" the typed value is the user's and is checked as a thickness.
    auto g = open(6, r);
    d.set(*g, "autoMin", "0");
    d.set(*g, "text8", "nan");
    EXPECT_EQ(d.act(*g, "退出"), FormState::Open);
    EXPECT_NE(d.lastMessage().find("实测最小壁厚(mm)"), std::string::npos);
}

TEST(ReportPageForms, RemovingAPictureTakesTheSelectedOne) {
    InspectionReport r;
    r.metallographImages.append({"", "a.bmp"});
    r.metallographImages.append({"", "b.bmp"});
    Driver d;
    auto f = open(13, r);
    // Nothing selected: the button is not available.
    EXPECT_FALSE(f->actionEnabled("remove"));
    // A script that presses it anyway, or names a picture there is not, is told so in Chinese.
    std::string error;
    error = f->act("remove", d.context).message();
    EXPECT_NE(error.find("现在不能按"), std::string::npos) << error;
    error.clear();
    error = f->act("select=5", d.context).message();
    EXPECT_NE(error.find("没有图象 '5'"), std::string::npos) << error;
    d.act(*f, "select=1");
    EXPECT_TRUE(f->actionEnabled("remove"));
    d.act(*f, "remove");
    ASSERT_EQ(f->listModel("images")->rows.size(), 1u);
    EXPECT_EQ(f->listModel("images")->rows[0][2], "a.bmp");
    EXPECT_FALSE(f->actionEnabled("remove"));
    d.act(*f, "remove=0");  // a script may name the row
    EXPECT_TRUE(f->listModel("images")->rows.empty());
    // Several at once, as the sessions' guide shows: selected together, removed together.
    InspectionReport three;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) three.metallographImages.append({"", name});
    auto g = open(13, three);
    d.act(*g, "select=0,1");
    d.act(*g, "remove");
    ASSERT_EQ(g->listModel("images")->rows.size(), 1u);
    EXPECT_EQ(g->listModel("images")->rows[0][2], "c.bmp");
}

TEST(ReportPageForms, SignatureDatesStandBesideTheirNames) {
    // Every dialog with signatures lays each signer's date in the signer's row, as the
    // printed form pairs them, and the date of the work on a row of its own.
    InspectionReport r;
    const struct {
        int page;
        std::vector<std::pair<const char*, const char*>> signers;  // name field, date field
        const char* workDate;
    } pages[] = {
        {4, {{"text30", "text31"}, {"text32", "text33"}}, "text29"},
        {5, {{"text23", "text24"}, {"text25", "text26"}}, "text22"},
        {6, {{"text10", "text11"}, {"text12", "text13"}}, "text9"},
        {7, {{"text14", "text15"}, {"text16", "text17"}}, "text13"},
        {8, {{"text13", "text14"}, {"text15", "text16"}}, "text12"},
        {9, {{"text20", "text21"}, {"text22", "text23"}, {"text24", "text25"}}, "text19"},
        {10, {{"text13", "text14"}, {"text15", "text16"}}, "text12"},
        {11, {{"text34", "text35"}, {"text36", "text37"}}, "text33"},
        {12, {{"text5", "text6"}, {"text7", "text8"}}, "text4"},
        {13, {{"text9", "text10"}, {"text11", "text12"}}, "text8"},
        {14, {{"text12", "text13"}, {"text14", "text15"}}, "text11"},
        {16, {{"text59", "text60"}, {"text61", "text62"}}, "text58"},
        {26, {{"text32", "text33"}, {"text34", "text35"}, {"text36", "text37"}, {"text38", "text39"}}, "text31"},
    };
    for (const auto& p : pages) {
        auto f = open(p.page, r);
        // Where each field sits: its group and row.
        std::map<std::string, std::pair<const LayoutGroup*, int>> at;
        for (const LayoutGroup& g : f->layout().groups)
            for (const LayoutCell& c : g.cells)
                if (c.kind == LayoutCell::Kind::Field) at[c.ref] = {&g, c.row};
        std::set<std::pair<const LayoutGroup*, int>> rows;
        for (const auto& [name, date] : p.signers) {
            ASSERT_TRUE(at.count(name) && at.count(date)) << p.page << " " << name;
            EXPECT_EQ(at[name], at[date]) << p.page << ": " << date << " beside " << name;
            rows.insert(at[name]);
        }
        EXPECT_EQ(rows.size(), p.signers.size()) << p.page << ": one row per signer";
        ASSERT_TRUE(at.count(p.workDate)) << p.page;
        EXPECT_EQ(rows.count(at[p.workDate]), 0u) << p.page << ": the date of the work on its own row";
    }
}

}  // namespace
}  // namespace tubra::report
