// The inspection report of the pipeline sample: every page of the full-inspection set and of
// the online set filled as an inspector would fill them, with 50 thickness points (two sheets)
// and 14 radiographic items (a full sheet and the empty one after it).

#include "report-sample.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace {

using tubra::report::InspectionReport;

using text::gbk;

template <typename Texts>
void set(Texts& texts, std::initializer_list<std::string_view> values) {
    std::size_t i = 0;
    for (std::string_view v : values) {
        if (i >= texts.size()) break;
        texts[i++] = gbk(v);
    }
}

void fillFullSet(InspectionReport& r) {
    r.PrintSet_ReportData.flags.fill(0);
    for (int p = 0; p <= 16; ++p) r.PrintSet_ReportData.flags[static_cast<std::size_t>(p)] = 1;
    r.PrintSet_ReportData.start = 1;

    set(r.Face_ReportData.texts, {"鲁G2008-0615", "37B1102-0087", "华东石化公司炼油厂", "常减压蒸馏装置",
                                  "原料油进料管线", "P-1102-150-B1A", "2024年5月12日至2024年5月20日",
                                  "QJ-2024-0517", "东方特种设备检验所", "GC2"});

    // Contents: the leak test was not carried out; page numbers follow the binding order.
    for (std::size_t i = 0; i < 16; ++i) {
        r.Mulu_ReportData.flags[i] = i == 13 ? 1 : 0;
        r.Mulu_ReportData.pages[i] = static_cast<int>(i) + 3;
    }

    set(r.JieLun_ReportData.texts,
        {"1.6", "120", "原料油", "监控使用期间每半年在弯头外侧定点测厚一次", "2027年5月",
         "无", "泵出口弯头外侧局部减薄处应加强监测", "国家质量监督检验检疫总局",
         "压力管道检验和安全评估。", "TS7110123-2026", "PD2-0815、PD2-0921", "2", "2024.05.22",
         "2024.05.23", "2024.05.25"});

    const char* situations[23] = {"布置合理", "无", "无", "未见劣化", "未见异常", "无", "弯头外侧减薄0.6mm",
                                  "未发现", "未发现", "未发现", "未发现", "未发现", "未发现", "未超标",
                                  "未发现", "局部碰伤", "无", "无", "一处松动", "校验合格", "完好",
                                  "试验合格", "二级"};
    const int grades[23] = {1, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1, 1, 1, 1, 2, 1, 1, 2, 1, 1, 1, 2};
    for (std::size_t i = 0; i < 23; ++i) {
        r.HuiZong_ReportData.texts[i] = gbk(situations[i]);
        r.HuiZong_ReportData.grades[i] = grades[i];
    }
    r.HuiZong_ReportData.texts[23] = gbk("张志强");
    r.HuiZong_ReportData.texts[24] = "2024.05.20";
    r.HuiZong_ReportData.texts[25] = gbk("刘海涛");
    r.HuiZong_ReportData.texts[26] = "2024.05.22";

    set(r.ShengCha_ReportData.texts,
        {"常减压蒸馏装置", "原料油进料管线", "P-1102-150-B1A", "86.5", "原料泵P-101至加热炉F-101", "架空",
         "2.5", "150", "20#", "φ159×6、φ57×4", "1.5", "2021年5月10日", "华东石化设计院", "2007年3月",
         "GB50316-2000", "华东石化建设公司", "GB50235-97", "2008年6月2日", "2008年6月15日", "16年",
         "1.6", "120", "原料油", "岩棉", "50", "环氧富锌底漆", "QJ-2021-0233",
         "设计图纸齐全；竣工图中支吊架位置与现场有三处不符，已由使用单位补充说明。",
         "2022年在线检验发现泵出口弯头外侧壁厚减薄0.4mm，已列入监测；其余未见异常。", "2024年5月18日",
         "张志强", "2024.05.18", "刘海涛", "2024.05.19", "GC2"});

    // Visual inspection: the first option of most items, a few findings.
    auto& hg = r.HongGuan_ReportData;
    const int checked[] = {0, 3, 8, 11, 14, 33, 36, 40, 42, 48, 54, 68, 71, 73, 75, 77, 85, 91};
    for (int s : checked) hg.states[static_cast<std::size_t>(s)] = 1;
    set(hg.texts, {"1.5", "0.4", "无", "无", "二处破损", "完好", "一处松动", "无", "无", "自然补偿",
                   "填料渗漏", "螺栓齐全", "无", "良好", "正常", "合格", "合格", "标识清楚", "局部碰伤", "咬边0.4",
                   "保温支撑", "完好", "2024.05.14", "王立军", "2024.05.14", "刘海涛", "2024.05.15"});

    set(r.CeHou_ReportData.texts, {"TT130", "20", "12", "50", "除锈打磨", "±0.1", "15", "8", "",
                                   "2024年5月15日", "张志强", "2024.05.15", "刘海涛", "2024.05.16"});
    float least = 0;
    for (int i = 0; i < 50; ++i) {
        const float t = 5.95f - static_cast<float>((i * 37) % 60) / 100.0f;
        r.thicknessPoints.append({text::format("C%02d", i + 1), t});
        least = i == 0 ? t : std::min(least, t);
    }
    // The least thickness of the list, as the dialog's "自动" box writes it.
    r.CeHou_ReportData.texts[8] = text::format("%-7.2f", static_cast<double>(least));

    set(r.CiFeng_ReportData.texts,
        {"CJE-2A", "20", "1500", "黑磁膏", "1~3s", "AC 4.5A", "JB/T4730.4-2005", "打磨", "角焊缝及支管连接",
         "A1-30/100", "—", "磁轭法", "湿法连续", "2024年5月16日", "陈建华", "2024.05.16", "刘海涛", "2024.05.17"});
    const char* magnetic[][2] = {{"W3-1", "无"}, {"W7-2", "已打磨"}, {"W12-1", "复检合格"}, {"W15-3", "无"},
                                 {"T1支管", "已打磨"}};
    const float magneticLengths[] = {3.5f, 2.0f, 4.25f, 1.5f, 6.0f};
    for (int i = 0; i < 5; ++i)
        r.magneticDefects.append({gbk(magnetic[i][0]), magneticLengths[i], gbk(magnetic[i][1])});

    set(r.ShenTou_ReportData.texts,
        {"溶剂去除型着色", "22", "目视", "DPT-5", "JB/T4730.5-2005", "打磨", "阀门法兰密封面", "10", "800",
         "B型镀铬试块", "DPT-5红色", "DPT-5白色", "2024年5月16日", "陈建华", "2024.05.16", "刘海涛", "2024.05.17"});
    const char* penetrant[] = {"F1密封面", "F4密封面", "Z41H阀体", "H44H阀盖"};
    const float penetrantLengths[] = {1.5f, 2.25f, 0.8f, 1.2f};
    for (int i = 0; i < 4; ++i) r.penetrantDefects.append({gbk(penetrant[i]), penetrantLengths[i]});

    set(r.SheXian_ReportData.texts,
        {"环焊缝", "JB/T4730.2-2005", "X射线", "10", "2600", "XXQ-2505", "250kV", "Z=12", "AGFA C7", "300",
         "铅箔增感", "180", "双壁单影", "600", "150", "FE10-16", "5", "2", "2.0～3.5", "2024年5月17日",
         "赵德明", "2024.05.17", "赵德明", "2024.05.18", "周小川", "2024.05.19"});
    const char* natures[] = {"气孔", "夹渣", "未焊透", "气孔", "圆形缺陷", "条形缺陷", "气孔"};
    for (int i = 0; i < 14; ++i) {
        r.radiographDefects.append({text::format("RT-%02d", i + 1), text::format("W%d", 3 + i),
                                    gbk(natures[i % 7]), 1.0f + static_cast<float>(i % 5) * 0.75f,
                                    0.5f + static_cast<float>(i % 3) * 0.25f, gbk(i % 4 == 2 ? "III" : "II"),
                                    gbk(i % 4 == 2 ? "已返修" : "合格")});
    }

    set(r.ChaoShen_ReportData.texts,
        {"V型坡口", "CTS-9006", "CSK-IA", "机油", "10", "600", "打磨", "环焊缝", "2.5P9×9K2", "Φ2×40-18dB",
         "4", "JB/T4730.3-2005", "2024年5月17日", "赵德明", "2024.05.17", "周小川", "2024.05.18"});
    const char* ultraLocations[] = {"W5", "W9", "W11", "W14", "W18", "W21"};
    for (int i = 0; i < 6; ++i)
        r.ultrasonicDefects.append({gbk(ultraLocations[i]), 3.0f + static_cast<float>(i), 4.5f + static_cast<float>(i) * 1.5f,
                                    0.8f + static_cast<float>(i) * 0.1f, gbk(i % 2 ? "II区" : "I区"),
                                    gbk(i == 3 ? "III" : "I"), gbk(i == 3 ? "返修" : "合格")});

    auto& fx = r.FengXi_ReportData;
    set(fx.texts, {"泵出口弯头", "GB/T223", "钻取", "FX-01", "0.18", "0.25", "0.52", "0.012", "0.015", "0.02",
                   "0.003", "0.01", "0.02", "0.03", "0.05", "0.04", "0.01", "0.002", "0.01", "0.005", "0.08",
                   "0.001", "0.002", "0.004", "0.01", "W", "B", "Co", "N", "Sn", "As", "Sb", "Pb",
                   "2024年5月18日", "孙丽", "2024.05.18", "刘海涛", "2024.05.19"});
    fx.note = gbk("试样取自泵出口弯头外侧减薄部位附近。\r\n各元素含量符合GB/T8163-2008对20#钢的要求。");

    auto& yd = r.YingDu_ReportData;
    set(yd.texts, {"HLN-11A", "GB/T17394", "正火", "弯头及焊缝", "2024年5月18日", "孙丽", "2024.05.18",
                   "刘海涛", "2024.05.19"});
    yd.note = gbk("母材、焊缝及热影响区硬度值均在正常范围内，\r\n未发现硬度异常。");
    const char* hardnessPlaces[] = {"弯头母材", "W3焊缝", "W3热影响区", "直管母材", "W7焊缝", "W7热影响区",
                                    "三通母材", "W12焊缝", "W12热影响区", "阀前直管", "W15焊缝", "W15热影响区"};
    for (int i = 0; i < 12; ++i)
        r.hardnessPoints.append({std::to_string(132 + (i * 7) % 25), gbk(hardnessPlaces[i])});

    auto& jx = r.JinXiang_ReportData;
    set(jx.texts, {"泵出口弯头外侧", "XJP-6A", "4%硝酸酒精", "GB/T13298", "正火", "JX-01", "500",
                   "机械抛光", "2024年5月18日", "孙丽", "2024.05.18", "刘海涛", "2024.05.19"});
    jx.note = gbk("组织为铁素体+珠光体，晶粒度8级，\r\n未见球化、石墨化及微裂纹，\r\n组织正常。");
    r.metallographImages.append({gbk("弯头外侧母材×500"), "JX-01-1.bmp"});
    r.metallographImages.append({gbk("W3热影响区×500"), "JX-01-2.bmp"});

    set(r.NaiYa_ReportData.texts,
        {"洁净水", "15", "0～4", "0～4", "3D1-2.5/6", "1.6", "2.4", "18", "1.6", "1.6", "GB50235-97",
         "2024年5月19日", "张志强", "2024.05.19", "刘海涛", "2024.05.20"});
    r.NaiYa_ReportData.note = gbk("试验压力下稳压10分钟，降至设计压力保压30分钟，\r\n未见渗漏及异常变形，试验合格。");
    set(r.QiMi_ReportData.texts,
        {"压缩空气", "18", "0～2.5", "0～2.5", "W-0.9/7", "1.6", "1.6", "20", "1.6", "1.6", "GB50235-97",
         "2024年5月19日", "张志强", "2024.05.19", "刘海涛", "2024.05.20"});
    r.QiMi_ReportData.note = gbk("涂刷发泡剂检查全部焊缝及法兰连接处，\r\n未发现泄漏。");

    set(r.FuShu_ReportData.texts,
        {"150", "2.5", "2", "0～4MPa", "2", "1.6级", "泵出口、炉前", "150", "2025.04", "良好", "2", "0～200℃",
         "2", "1.5级", "泵出口、炉前", "良好", "2025.04", "1", "A42Y-16C", "1.6", "50", "1", "A42Y-16C",
         "1.6", "50", "1.76", "120", "原料油", "良好", "2025.05", "完好", "排凝管", "AQF-0087", "TS1510-2019",
         "1", "LPY-50", "DN50", "2.0", "50", "316L", "1", "LPY-50", "DN50", "50", "良好", "2026.05",
         "炉前支管", "BP-0211", "TS2710-2020", "江苏某阀门厂", "TS2710-0452", "HG-0335", "气动 DN150",
         "8", "2025.06", "合格", "合格", "完好", "2024年5月19日", "王立军", "2024.05.19", "刘海涛",
         "2024.05.20"});

    const char* repairs[][3] = {{"2012.08", "3.5", "王建国"}, {"2015.06", "1.2", "李明"}, {"2018.10", "6.0", "王建国"},
                                {"2021.05", "2.4", "赵德明"}, {"2022.11", "0.8", "陈建华"}, {"2023.09", "4.6", "李明"}};
    for (std::size_t row = 0; row < 6; ++row)
        for (std::size_t c = 0; c < 3; ++c) r.JianXiu_ReportData.texts[3 * row + c] = gbk(repairs[row][c]);
}

void fillOnlineSet(InspectionReport& r) {
    r.PrintSet_IReportData.flags.fill(0);
    for (std::size_t p = 23; p <= 26; ++p) r.PrintSet_IReportData.flags[p] = 1;
    r.PrintSet_IReportData.start = 1;

    set(r.Face_IReportData.texts, {"鲁G2008-0615", "37B1102-0087", "常减压蒸馏装置", "原料油进料管线",
                                   "P-1102-150-B1A", "华东石化公司炼油厂"});
    r.Face_IReportData.dates = {2009, 5, 2012, 5, 2015, 5, 2018, 6, 2009, 6, 2012, 6, 2015, 6, 2018, 7, 2008, 6, 15};

    auto& dj = r.DengJi_IReportData;
    set(dj.texts, {"常减压蒸馏装置", "原料油进料管线", "P-1102-150-B1A", "GC2", "86.5", "原料泵P-101至加热炉F-101",
                   "架空", "2.5", "150", "20#", "φ159×6", "1.5", "华东石化设计院", "2007年3月", "GB50316-2000",
                   "华东石化建设公司", "GB50235-97", "2008年6月2日", "2008年6月15日", "1.6", "120", "原料油",
                   "岩棉", "50", "环氧富锌底漆", "竣工图", "施工记录", "焊接记录", "试压记录", "材质证明",
                   "无损检测报告", "安装质量证明", "监检证书", "设计变更单", "运行记录", "检修记录", "历次检验报告"});
    dj.note = gbk("资料齐全，存档于设备科。\r\n竣工图中三处支吊架位置与现场不符，已补充说明。");

    auto& ch = r.CeHou_IReportData;
    ch.texts[0] = gbk("原料油进料管线");
    ch.texts[1] = gbk("φ159×6");
    ch.texts[2] = "20#";
    ch.texts[3] = "P-1102-150-B1A";
    ch.texts[4] = "1.5";
    ch.texts[5] = "GC2";
    const char* people[][2] = {{"张志强", "刘海涛"}, {"陈建华", "刘海涛"}, {"赵德明", "周小川"}, {"王立军", "刘海涛"},
                               {"张志强", "周小川"}};
    for (int b = 0; b < 5; ++b) {
        const std::size_t base = 6 + 27 * static_cast<std::size_t>(b);
        ch.texts[base] = std::to_string(2019 + b);
        ch.texts[base + 1] = "TT130/0.1";
        ch.texts[base + 2] = gbk(b % 2 ? "除锈" : "打磨");
        for (std::size_t k = 0; k < 10; ++k) {
            ch.texts[base + 3 + k] = text::format("D%d", static_cast<int>(k) + 1);
            ch.texts[base + 13 + k] = text::format("%.2f", 5.98 - 0.03 * b - 0.01 * static_cast<double>((k * 3) % 7));
        }
        ch.texts[base + 23] = gbk(people[b][0]);
        ch.texts[base + 24] = text::format("%d.05.10", 2019 + b);
        ch.texts[base + 25] = gbk(people[b][1]);
        ch.texts[base + 26] = text::format("%d.05.12", 2019 + b);
    }
    ch.note = gbk("测点D1～D10位于泵出口至加热炉入口的弯头外侧及直管段。\r\n2022年起D3点减薄较快，列为重点监测点。");

    auto& jy = r.JianYan_IReportData;
    set(jy.texts, {"常减压蒸馏装置", "P-1102-150-B1A", "φ159×6", "原料油进料管线", "GC2", "20#", "无异常",
                   "二处破损", "一处松动", "无泄漏", "合格", "未见异常", "完好", "填料渗漏", "无异常", "合格",
                   "无", "无异常振动", "无", "清楚", "最小5.32mm", "保温支撑良好", "排凝阀完好", "—", "—", "—",
                   "合格", "合格", "校验合格", "完好", "—", "2025年5月", "张志强", "2024.05.20", "刘海涛",
                   "2024.05.21", "李明", "2024.05.22", "王建国", "2024.05.22", "2024.05.23", "2024.05.25",
                   "ZX-2024-0311"});
    // The wall thickness result is the least of the last online inspection's points.
    double leastOnline = 0;
    for (std::size_t k = 0; k < 10; ++k) {
        const double t = std::atof(std::string(ch.texts[6 + 27 * 4 + 13 + k].view()).c_str());
        leastOnline = k == 0 ? t : std::min(leastOnline, t);
    }
    jy.texts[20] = text::format(gbk("最小%.2fmm"), leastOnline);
    jy.notes[0] = gbk("运行记录齐全，未见超温超压。");
    jy.notes[1] = gbk("保温层二处破损；支吊架一处松动；\r\n阀门填料渗漏一处。");
    jy.notes[2] = gbk("该管道可以在允许参数范围内继续使用。");
    jy.notes[3] = gbk("保温层已修补，支吊架已紧固，\r\n阀门填料已更换。");
    const int documents[13] = {1, 1, 1, 1, 1, 0, 1, 1, 0, 1, 1, 0, 1};
    for (std::size_t i = 0; i < 13; ++i) jy.states[i] = documents[i];
}

}  // namespace

void fillSampleReport(InspectionReport& report) {
    fillFullSet(report);
    fillOnlineSet(report);
}

// ---------------------------------------------------------------------------------------------
// The long report: every text at its capacity, every several-line text at its line limit.

namespace {

// Patterns of long values: Chinese with dates, standards, sizes and Latin words, so that every
// rule of breaking a line is met. Texts written in '@' positions of the file hold no blank.
constexpr std::string_view kLinePattern =
    "检验记录 2024年5月12日 按JB/T4730.4-2005复检合格，规格φ159×6 mm，pressure gauge checked；";
constexpr std::string_view kTokenPattern = "检验记录2024年5月12日按JB/T4730.4-2005复检合格，规格φ159×6mm；";

// A value of exactly `bytes` bytes starting with `tag`, unique in the report.
std::string capacityText(std::string_view tag, std::size_t bytes, bool blanks = true) {
    std::string s = gbk(tag);
    const std::string pattern = gbk(blanks ? kLinePattern : kTokenPattern);
    while (s.size() < bytes) s += pattern;
    s.resize(text::gbkCutLength(s, bytes));
    while (s.size() < bytes) s += 'x';
    return s;
}

// A several-line text of `lines` lines filling `bytes` bytes (CR LF between the lines).
std::string capacityLines(std::string_view tag, int lines, std::size_t bytes) {
    const std::size_t breaks = 2 * static_cast<std::size_t>(lines - 1);
    const std::size_t per = (bytes - breaks) / static_cast<std::size_t>(lines);
    std::string s;
    for (int k = 0; k < lines; ++k) {
        if (k) s += "\r\n";
        const std::size_t room = k + 1 == lines ? bytes - s.size() : per;
        s += capacityText(std::string(tag) + std::to_string(k + 1) + "行", room);
    }
    return s;
}

template <typename Texts>
void fillAll(Texts& texts, std::string_view tag, bool blanks = true) {
    using T = std::decay_t<decltype(texts[0])>;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = capacityText(std::string(tag) + std::to_string(i) + "栏", T::kMaxBytes,
                                blanks && T::kKind != tubra::report::TextKind::Token);
}

}  // namespace

void fillLongReport(InspectionReport& r, std::string_view pipelineNameGbk) {
    r.PrintSet_ReportData.flags.fill(0);
    for (std::size_t p = 0; p <= 16; ++p) r.PrintSet_ReportData.flags[p] = 1;
    r.PrintSet_ReportData.start = 1;
    fillAll(r.Face_ReportData.texts, "封面");
    r.Face_ReportData.texts[4] = std::string(pipelineNameGbk);  // ★ from the characteristic table
    r.Face_ReportData.texts[9] = "GC2";
    for (std::size_t i = 0; i < 16; ++i) r.Mulu_ReportData.pages[i] = static_cast<int>(i) + 3;
    fillAll(r.JieLun_ReportData.texts, "结论");
    r.JieLun_ReportData.texts[11] = "2";
    fillAll(r.HuiZong_ReportData.texts, "汇总");
    for (std::size_t i = 0; i < 23; ++i) r.HuiZong_ReportData.grades[i] = 1 + static_cast<int>(i % 4);
    fillAll(r.ShengCha_ReportData.texts, "审查");
    fillAll(r.HongGuan_ReportData.texts, "宏观");
    for (std::size_t i = 0; i < 92; ++i) r.HongGuan_ReportData.states[i] = i % 3 == 0;
    fillAll(r.CeHou_ReportData.texts, "测厚");
    fillAll(r.CiFeng_ReportData.texts, "磁粉");
    fillAll(r.ShenTou_ReportData.texts, "渗透");
    fillAll(r.SheXian_ReportData.texts, "射线");
    fillAll(r.ChaoShen_ReportData.texts, "超声");
    fillAll(r.FengXi_ReportData.texts, "化学");
    r.FengXi_ReportData.note = capacityLines("补充说明", 8, r.FengXi_ReportData.note.kMaxBytes);
    fillAll(r.YingDu_ReportData.texts, "硬度");
    r.YingDu_ReportData.note = capacityLines("评定意见", 6, r.YingDu_ReportData.note.kMaxBytes);
    fillAll(r.JinXiang_ReportData.texts, "金相");
    r.JinXiang_ReportData.note = capacityLines("分析结果", 8, r.JinXiang_ReportData.note.kMaxBytes);
    fillAll(r.NaiYa_ReportData.texts, "耐压");
    fillAll(r.QiMi_ReportData.texts, "泄漏");
    for (std::size_t i = 16; i < 23; ++i) {  // reserved, kept empty
        r.NaiYa_ReportData.texts[i].clear();
        r.QiMi_ReportData.texts[i].clear();
    }
    r.NaiYa_ReportData.note = capacityLines("压力试验结论", 5, r.NaiYa_ReportData.note.kMaxBytes);
    r.QiMi_ReportData.note = capacityLines("泄漏性试验结论", 5, r.QiMi_ReportData.note.kMaxBytes);
    fillAll(r.FuShu_ReportData.texts, "附属");
    fillAll(r.JianXiu_ReportData.texts, "修");

    // Lists of two sheets each, every text at its width, measured values in their range.
    for (int i = 0; i < 50; ++i) {
        const std::string n = text::format("%02d", i);
        r.thicknessPoints.append({capacityText("T" + n, 11, false), 9.5f + static_cast<float>(i) / 8.0f});
        r.magneticDefects.append({capacityText("磁位" + n, 19, false), 120.25f + static_cast<float>(i),
                                  capacityText("磁注" + n, 19, false)});
        r.penetrantDefects.append({capacityText("渗位" + n, 19, false), 80.5f + static_cast<float>(i)});
        r.radiographDefects.append({capacityText("片" + n, 19, false), capacityText("射位" + n, 19, false),
                                    capacityText("性质" + n, 19, false), 150.75f + static_cast<float>(i),
                                    2.5f + static_cast<float>(i % 5), capacityText("级" + n, 19, false),
                                    capacityText("射注" + n, 19, false)});
        r.ultrasonicDefects.append({capacityText("超位" + n, 19, false), 12.5f + static_cast<float>(i % 7),
                                    210.25f + static_cast<float>(i), 3.75f + static_cast<float>(i % 4),
                                    capacityText("区" + n, 19, false), capacityText("评" + n, 19, false),
                                    capacityText("超注" + n, 19, false)});
        r.hardnessPoints.append({text::format("%d", 150 + i), capacityText("硬位" + n, 19, false)});
        if (i < 3)
            r.metallographImages.append({capacityText(text::format("照片%d注释", i + 1), 255, false),
                                         capacityText(text::format("/data/jx/%d/", i + 1), 251, false) + ".bmp"});
    }
    r.CeHou_ReportData.texts[8] = "9.50   ";  // the least thickness of the list

    r.PrintSet_IReportData.flags.fill(0);
    for (std::size_t p = 23; p <= 26; ++p) r.PrintSet_IReportData.flags[p] = 1;
    r.PrintSet_IReportData.start = 1;
    fillAll(r.Face_IReportData.texts, "在线封面");
    r.Face_IReportData.texts[3] = std::string(pipelineNameGbk);
    r.Face_IReportData.dates = {2009, 5, 2012, 5, 2015, 5, 2018, 6, 2009, 6, 2012, 6, 2015, 6, 2018, 7, 2008, 6, 15};
    fillAll(r.DengJi_IReportData.texts, "登记");
    r.DengJi_IReportData.note = capacityLines("备注", 12, r.DengJi_IReportData.note.kMaxBytes);
    fillAll(r.CeHou_IReportData.texts, "在线测厚");
    for (int b = 0; b < 5; ++b)
        for (int k = 0; k < 10; ++k)
            r.CeHou_IReportData.texts[static_cast<std::size_t>(6 + 27 * b + 13 + k)] =
                text::format("%.2f", 5.98 - 0.03 * b - 0.01 * k);
    r.CeHou_IReportData.note = capacityLines("测厚备注", 10, r.CeHou_IReportData.note.kMaxBytes);
    fillAll(r.JianYan_IReportData.texts, "在线");
    for (std::size_t i = 0; i < 4; ++i)
        r.JianYan_IReportData.notes[i] = capacityLines(text::format("说明%d", static_cast<int>(i + 1)), 4,
                                                       r.JianYan_IReportData.notes[i].kMaxBytes);
    r.JianYan_IReportData.states.fill(1);
}
