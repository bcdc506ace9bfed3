#pragma once
// A report with every section and list filled, for round trips.

#include <string>

#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report::testing {

using text::gbk;

template <typename Texts>
void fillTexts(Texts& texts, std::string_view tag) {
    int i = 0;
    for (auto& t : texts) t = gbk(std::string(tag) + "文" + std::to_string(i++));
}

inline InspectionReport filledReport() {
    InspectionReport r;
    for (int i = 0; i < 30; ++i) r.PrintSet_ReportData.flags[i] = i < 17 ? i % 2 : 0;
    r.PrintSet_ReportData.start = 3;
    fillTexts(r.Face_ReportData.texts, "封面");
    for (int i = 0; i < 16; ++i) {
        r.Mulu_ReportData.flags[i] = i % 2;
        r.Mulu_ReportData.pages[i] = 10 + i;
    }
    fillTexts(r.JieLun_ReportData.texts, "结论");
    fillTexts(r.HuiZong_ReportData.texts, "汇总");
    r.HuiZong_ReportData.texts[5] = "";
    for (int i = 0; i < 23; ++i) r.HuiZong_ReportData.grades[i] = i % 5;
    fillTexts(r.ShengCha_ReportData.texts, "审查");
    fillTexts(r.HongGuan_ReportData.texts, "宏");
    for (int i = 0; i < 92; ++i) r.HongGuan_ReportData.states[i] = (i * 7) % 3 == 0;
    fillTexts(r.CeHou_ReportData.texts, "测厚");
    fillTexts(r.CiFeng_ReportData.texts, "磁粉");
    fillTexts(r.ShenTou_ReportData.texts, "渗透");
    fillTexts(r.SheXian_ReportData.texts, "射线");
    fillTexts(r.ChaoShen_ReportData.texts, "超声");
    fillTexts(r.FengXi_ReportData.texts, "析");
    r.FengXi_ReportData.note = gbk("第一行\r\n第二行@\r\n`第三行");
    fillTexts(r.YingDu_ReportData.texts, "硬度");
    r.YingDu_ReportData.note = gbk("意见\r\n\r\n");
    fillTexts(r.JinXiang_ReportData.texts, "金相");
    r.JinXiang_ReportData.note = std::string(449, 'x');
    fillTexts(r.NaiYa_ReportData.texts, "耐压");
    r.NaiYa_ReportData.texts[16] = "";
    r.NaiYa_ReportData.note = gbk("合格");
    fillTexts(r.QiMi_ReportData.texts, "气密");
    r.QiMi_ReportData.note = gbk("无泄漏\r\n好");
    fillTexts(r.FuShu_ReportData.texts, "附");
    for (std::size_t i = 0; i < 48; ++i) r.JianXiu_ReportData.texts[i] = "r" + std::to_string(i);

    r.thicknessPoints.append({gbk("点1"), 12.5f});
    r.thicknessPoints.append({"", 0.25f});
    r.magneticDefects.append({gbk("焊缝"), 3.5f, gbk("无")});
    r.magneticDefects.append({"", 0, gbk("备注")});
    r.penetrantDefects.append({gbk("弯头"), 1.25f});
    r.radiographDefects.append({"F1", gbk("环缝"), gbk("气孔"), 2.5f, 0.125f, "II", ""});
    r.ultrasonicDefects.append({gbk("直管"), 4.5f, 10.25f, 1.75f, "A", "I", gbk("复验")});
    r.hardnessPoints.append({"150", gbk("母材")});
    r.metallographImages.append({gbk("照片"), "/home/user/img.bmp"});

    for (int i = 0; i < 30; ++i) r.PrintSet_IReportData.flags[i] = (i >= 23 && i <= 26) ? 1 : 0;
    r.PrintSet_IReportData.start = 2;
    fillTexts(r.Face_IReportData.texts, "在线");
    for (int i = 0; i < 19; ++i) r.Face_IReportData.dates[i] = 2000 + i;
    fillTexts(r.DengJi_IReportData.texts, "登记");
    r.DengJi_IReportData.note = gbk("一\r\n二\r\n三");
    fillTexts(r.CeHou_IReportData.texts, "c");
    r.CeHou_IReportData.note = gbk("备注");
    fillTexts(r.JianYan_IReportData.texts, "检");
    for (std::size_t i = 0; i < 4; ++i)
        r.JianYan_IReportData.notes[i] = gbk("说明") + std::to_string(i) + "\r\n" + "x";
    for (int i = 0; i < 13; ++i) r.JianYan_IReportData.states[i] = i % 2;
    return r;
}

inline std::string written(const InspectionReport& r) {
    std::string out;
    r.writeSections(out);
    return out;
}

// Reads every report section of `data` into `r` the way the drawing reader hands them over.
inline void readAll(InspectionReport& r, std::string_view data) {
    model::Drawing drawing;
    model::DrawingSettings settings;
    drawing.report = &r;
    model::readDrawing(data, drawing, settings);
}

}  // namespace tubra::report::testing
