#pragma once
// Inside the report library: the sections by name and id.

#include <array>
#include <string_view>

#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"
#include "tubra/report/InspectionReport.h"

namespace tubra::report {

struct SectionInfo {
    int id;
    std::string_view name;
};

// Every report section in the order it is written: the full set, then the online set.
inline constexpr std::array<SectionInfo, 24> kSectionsInWriteOrder = {{
    {kPrintSetSection, "PrintSet_ReportData"},
    {kFaceSection, "Face_ReportData"},
    {kMuluSection, "Mulu_ReportData"},
    {kJieLunSection, "JieLun_ReportData"},
    {kHuiZongSection, "HuiZong_ReportData"},
    {kShengChaSection, "ShengCha_ReportData"},
    {kHongGuanSection, "HongGuan_ReportData"},
    {kCeHouSection, "CeHou_ReportData"},
    {kSheXianSection, "SheXian_ReportData"},
    {kChaoShenSection, "ChaoShen_ReportData"},
    {kFengXiSection, "FengXi_ReportData"},
    {kCiFengSection, "CiFeng_ReportData"},
    {kShenTouSection, "ShenTou_ReportData"},
    {kYingDuSection, "YingDu_ReportData"},
    {kJinXiangSection, "JinXiang_ReportData"},
    {kNaiYaSection, "NaiYa_ReportData"},
    {kQiMiSection, "QiMi_ReportData"},
    {kFuShuSection, "FuShu_ReportData"},
    {kJianXiuSection, "JianXiu_ReportData"},
    {kPrintSetOnlineSection, "PrintSet_IReportData"},
    {kFaceOnlineSection, "Face_IReportData"},
    {kDengJiSection, "DengJi_IReportData"},
    {kCeHouOnlineSection, "CeHou_IReportData"},
    {kJianYanSection, "JianYan_IReportData"},
}};

constexpr bool sameWriteOrder() {
    for (std::size_t i = 0; i < kSectionsInWriteOrder.size(); ++i)
        if (kSectionsInWriteOrder[i].name != model::kReportSectionWriteOrder[i]) return false;
    return true;
}
static_assert(sameWriteOrder(), "the drawing writer and the report agree on the order");

// Consumes the rest of a section, to and including the line holding '}'.
void skipSectionBody(model::LineReader& in);

}  // namespace tubra::report
