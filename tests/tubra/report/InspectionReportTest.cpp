#include "tubra/report/data/InspectionReport.h"

#include <gtest/gtest.h>

#include "tubra/report/ReportFixtures.h"
#include "tubra/report/ReportJson.h"

namespace tubra::report {
namespace {

using testing::filledReport;
using testing::gbk;

TEST(report_data, ClearSectionZeroEmptiesTheFullSetButPageSettingsAndLists) {
    InspectionReport r = filledReport();
    r.ClearSection(kAllFullSections);
    EXPECT_TRUE(r.Face_ReportData.empty());
    EXPECT_TRUE(r.Mulu_ReportData.empty());
    EXPECT_TRUE(r.HuiZong_ReportData.empty());
    EXPECT_TRUE(r.HongGuan_ReportData.empty());
    EXPECT_TRUE(r.FengXi_ReportData.empty());  // several-line text included
    EXPECT_TRUE(r.JinXiang_ReportData.empty());
    EXPECT_TRUE(r.JianXiu_ReportData.empty());
    EXPECT_EQ(r.PrintSet_ReportData.start, 3);
    EXPECT_EQ(r.thicknessPoints.count(), 2u);
    EXPECT_EQ(r.metallographImages.count(), 1u);
    EXPECT_FALSE(r.Face_IReportData.empty());

    // Only the written sections are the page settings and the list pages.
    std::string out;
    r.WriteFullReportSections(out);
    for (std::string_view name : {"Face_", "Mulu_", "JieLun_", "HuiZong_", "FengXi_", "JianXiu_"})
        EXPECT_EQ(out.find(name), std::string::npos) << name;
    EXPECT_NE(out.find("CeHou_ReportData{"), std::string::npos);
}

TEST(report_data, ClearAndCopyOneSectionById) {
    InspectionReport r = filledReport();
    r.ClearSection(kHuiZongSection);
    EXPECT_TRUE(r.HuiZong_ReportData.empty());
    EXPECT_FALSE(r.Face_ReportData.empty());
    r.ClearSection(kPrintSetSection);
    EXPECT_TRUE(r.PrintSet_ReportData.empty());
    r.ClearSection(kYingDuSection);
    EXPECT_TRUE(r.YingDu_ReportData.note.empty());
    EXPECT_EQ(r.hardnessPoints.count(), 1u);

    const InspectionReport from = filledReport();
    InspectionReport to;
    InspectionReport::CopySection(from, to, kHongGuanSection);
    EXPECT_EQ(to.HongGuan_ReportData.texts, from.HongGuan_ReportData.texts);
    EXPECT_EQ(to.HongGuan_ReportData.states, from.HongGuan_ReportData.states);
    EXPECT_TRUE(to.Face_ReportData.empty());

    InspectionReport all;
    InspectionReport::CopySection(from, all, kAllFullSections);
    EXPECT_EQ(all.JianXiu_ReportData.texts, from.JianXiu_ReportData.texts);
    EXPECT_EQ(all.NaiYa_ReportData.note, from.NaiYa_ReportData.note);
    EXPECT_TRUE(all.thicknessPoints.empty());   // lists are not copied
    EXPECT_TRUE(all.PrintSet_ReportData.empty());
    EXPECT_TRUE(all.DengJi_IReportData.empty());
    InspectionReport::CopySection(from, all, kDengJiSection);
    EXPECT_EQ(all.DengJi_IReportData.note, from.DengJi_IReportData.note);
}

TEST(report_data, ClearOnlineSectionKeepsPageSettings) {
    InspectionReport r = filledReport();
    r.ClearOnlineSection(kDengJiSection);
    EXPECT_TRUE(r.DengJi_IReportData.empty());
    EXPECT_FALSE(r.JianYan_IReportData.empty());
    r.ClearOnlineSection(kAllOnlineSections);
    EXPECT_TRUE(r.Face_IReportData.empty());
    EXPECT_TRUE(r.CeHou_IReportData.empty());
    EXPECT_TRUE(r.JianYan_IReportData.empty());
    EXPECT_EQ(r.PrintSet_IReportData.start, 2);
    EXPECT_EQ(r.PrintSet_IReportData.flags[25], 1);
    EXPECT_FALSE(r.Face_ReportData.empty());
}

TEST(report_data, ListOperations) {
    InspectionReport r;
    auto& l = r.hardnessPoints;
    l.append({"1", "a"});
    l.append({"2 3", "b"});
    l.append({"4", "c"});
    EXPECT_EQ(l.at(1).value.view(), "2_3");  // items carry report texts too
    l.removeAt(1);
    l.removeAt(7);  // out of range: nothing happens
    ASSERT_EQ(l.count(), 2u);
    EXPECT_EQ(l.at(1).value.view(), "4");
    l.currentSubPage = 1;
    r.ClearSection(kYingDuSection);
    EXPECT_EQ(l.count(), 2u);
    r.removeAllItems();
    EXPECT_TRUE(l.empty());
    EXPECT_EQ(l.currentSubPage, 1);
}

TEST(report_data, JsonNamesSectionsAndRoles) {
    const auto j = reportToJson(filledReport());
    ASSERT_EQ(j.size(), 24u);
    EXPECT_EQ(j.begin().key(), "PrintSet_ReportData");
    EXPECT_EQ(j["PrintSet_ReportData"]["start"], 3);
    EXPECT_EQ(j["Face_ReportData"]["texts"][0], "封面文0");
    EXPECT_EQ(j["Mulu_ReportData"]["pages"][15], 25);
    EXPECT_EQ(j["HuiZong_ReportData"]["grades"].size(), 23u);
    EXPECT_EQ(j["HongGuan_ReportData"]["states"].size(), 92u);
    EXPECT_EQ(j["CeHou_ReportData"]["items"],
              nlohmann::ordered_json::parse(R"([["点1",12.5],["",0.25]])"));
    EXPECT_EQ(j["SheXian_ReportData"]["items"][0][4], 0.125);
    EXPECT_EQ(j["FengXi_ReportData"]["note"], "第一行\r\n第二行@\r\n`第三行");
    EXPECT_EQ(j["JianYan_IReportData"]["notes"].size(), 4u);
    EXPECT_EQ(j["Face_IReportData"]["dates"][18], 2018);
    EXPECT_EQ(j["PrintSet_IReportData"]["flags"][23], 1);
    const nlohmann::json plain = j;  // usable inside an unordered document dump
    EXPECT_TRUE(plain.contains("JianXiu_ReportData"));
}

TEST(report_data, NewDocumentDefaults) {
    InspectionReport r;
    EXPECT_TRUE(r.PrintSet_ReportData.empty());
    r.setNewDocumentDefaults();
    for (int f : r.PrintSet_ReportData.flags) EXPECT_EQ(f, -1);
    EXPECT_EQ(r.PrintSet_ReportData.start, 1);
    EXPECT_EQ(r.PrintSet_IReportData.start, 1);
    EXPECT_EQ(r.PrintSet_IReportData.flags[23], 0);
    EXPECT_EQ(reportSectionName(kJianYanSection), "JianYan_IReportData");
    EXPECT_EQ(reportSectionName(18), "");
}

}  // namespace
}  // namespace tubra::report
