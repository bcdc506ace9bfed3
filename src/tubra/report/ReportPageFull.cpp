// The pages of the full-inspection set: cover, contents, forms (1) to (15), repair record.
// Each form is a grid from the form block's top: header rows of label/value pairs, the
// form's own part, then the inspection date and the signature lines.

#include <algorithm>

#include "text/CFormat.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::report {

namespace {

// "检验日期" (or the form's own word) with the date, or the blank date phrase.
void dateRow(Grid& g, std::string_view labelUtf8, std::string_view date) {
    g.row(70, {label(300, text::gbk(labelUtf8)), value(0, dateOrBlank(date))});
}

std::string inspector(std::string_view fmtUtf8, std::string_view name, std::string_view date) {
    return fmt(text::gbk(fmtUtf8), name, date);
}

// "%s %c　　%s <unit>": a proportion in per cent and in pieces or millimetres.
std::string proportion(std::string_view percent, std::string_view amount, std::string_view unitUtf8) {
    return fmt(text::gbk(std::string("%s %%　　%s ") + std::string(unitUtf8)), percent, amount);
}

// A value with its unit, or nothing when empty.
std::string withUnit(std::string_view v, std::string_view unit) {
    return v.empty() ? std::string() : std::string(v) + std::string(unit);
}

std::string fixed(float v, std::string_view fmt) { return text::format(fmt, static_cast<double>(v)); }
// A defect's size: nothing where none was measured (kept as 0), which a "0.00" would misstate.
std::string sizeText(float v, std::string_view fmt) { return v == 0.0f ? std::string() : fixed(v, fmt); }

// A cell with the label its value goes under on a continuation sheet.
Cell named(Cell c, std::string_view labelUtf8) {
    c.field = text::gbk(labelUtf8);
    return c;
}

const std::string_view kFormTitles[] = {
    "在用工业管道全面检验报告",
    "目    录",
    "(1)在用工业管道全面检验结论报告",
    "(2)在用工业管道安全状况等级评定结果汇总",
    "(3)在用工业管道原始资料审查报告",
    "(4)在用工业管道宏观检查报告",
    "(5)在用工业管道测厚报告",
    "(6)在用工业管道磁粉检测报告",
    "(7)在用工业管道渗透检测报告",
    "(8)在用工业管道射线检测报告",
    "(9)在用工业管道超声波检测报告",
    "(10)在用工业管道化学成分分析报告",
    "(11)在用工业管道硬度测定报告",
    "(12)在用工业管道金相分析报告",
    "(13)在用工业管道压力试验报告",
    "(14)在用工业管道泄漏性试验报告",
    "(15)在用工业管道安全附属装置检验报告",
    "检 修 更 换 记 录",
};

}  // namespace

std::string_view pageTitle(int pageIndex) {
    if (pageIndex >= kCoverPage && pageIndex <= kRepairPage) return kFormTitles[pageIndex];
    switch (pageIndex) {
        case kOnlineCoverPage: return "在用工业管道在线检验报告书";
        case kOnlineRegisterPage: return "在用工业管道原始资料登记表";
        case kOnlineThicknessPage: return "在用工业管道在线检验测厚记录";
        case kOnlineReportPage: return "在用工业管道在线检验报告";
        default: return {};
    }
}

// --- cover --------------------------------------------------------------------------------

void drawCoverPage(PagePainter& p) {
    // A cover cannot be continued: a value too long for its line ends with "…".
    p.setContinuable(false);
    const auto& face = p.report().Face_ReportData.texts;
    const platform::Font small = coverFont(40);
    // The two numbers at the top in one size, the entries in another.
    std::vector<FitItem> numbers, values;
    numbers.push_back(coverLine(p, 1000, -300, "使用登记证号:", 350, small, coverFace(40), face[0].view()));
    numbers.push_back(coverLine(p, 1000, -410, "注 册 编 号 :", 350, small, coverFace(40), face[1].view()));
    p.text(480, -800, text::gbk(pageTitle(kCoverPage)), coverFont(90));

    // The cover's three sizes: 40 for the entries, 90 for the title, 70 for the labels.
    const platform::Font big = coverFont(70);
    const std::string_view labels[] = {"使用单位:", "装置名称:", "管道名称:", "管道编号:",
                                       "检验日期:", "报告编号:", "检验单位:"};
    const std::string_view fields[] = {face[2].view(), face[3].view(), p.pipelineName(), face[5].view(),
                                       face[6].view(), face[7].view(), face[8].view()};
    for (int i = 0; i < 7; ++i)
        values.push_back(coverLine(p, 510, -1500 - 120 * i, labels[i], 800, big, coverFace(40), fields[i]));
    p.text(530, -2500, text::gbk("国家质量监督检验检疫总局印制"), big);
    p.fittedGroup(numbers);
    p.fittedGroup(values);
}

// --- contents -----------------------------------------------------------------------------

void drawContentsPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kContentsPage)));
    const bool printer = p.printer();
    const auto& mulu = p.report().Mulu_ReportData;
    Grid g(p, kFormTop);
    g.row(90, {label(150, text::gbk("序 号")), label(1200, text::gbk("检 验 项 目 报 告")), label(0, text::gbk("页号"))});
    for (int r = 0; r < 16; ++r) {
        const int rowTop = g.bottom();
        std::string title = r < 15 ? std::string(pageTitle(kFirstFormPage + r)) : "在用工业管道单线图";
        title = title.substr(title.find(')') == std::string::npos ? 0 : title.find(')') + 1);
        const int pageNumber = mulu.pages[static_cast<std::size_t>(r)];
        const std::string page = pageNumber >= 1 && pageNumber <= 998 ? std::to_string(pageNumber) : "";
        g.row(95, {number(150, std::to_string(r + 1)), leftText(1200, text::gbk(title)), number(0, page)});
        if (mulu.flags[static_cast<std::size_t>(r)] == 1) {
            const platform::Font f = tableFont(printer);
            p.text(kFormLeft + 20, rowTop - (95 - p.charHeight(f)) / 2, text::gbk("×"), f);
        }
    }
    g.close();
    const platform::Font f = tableFont(printer);
    p.text(kFormLeft, g.bottom() - 40, text::gbk("注: 出具报告时，从封面起必须按此序号顺序装订，未检验项目空缺，"), f);
    p.text(kFormLeft, g.bottom() - 90, text::gbk("    并在此目录的序号上打×"), f);
}

// --- (1) conclusion -----------------------------------------------------------------------

void drawConclusionPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kConclusionPage)));
    const auto& t = p.report().JieLun_ReportData.texts;
    const auto& mulu = p.report().Mulu_ReportData;
    const bool printer = p.printer();
    const platform::Font f = tableFont(printer);

    std::string items;
    for (int n = 1; n <= 16; ++n) {
        if (mulu.flags[static_cast<std::size_t>(n - 1)] != 0) continue;
        items = items.empty() ? text::format("(%d)", n) : text::format("%s (%d)", items, n);
    }
    const std::string_view grade = t[11].view() == "0" ? std::string_view() : t[11].view();
    const std::vector<std::string> paragraphs = {
        text::gbk("　　根据《在用压力管道定期检验规程》的规定，对本管道已完成如下检查和检验："),
        "    " + items,
        text::gbk("各项检验报告附后。结论如下："),
        text::gbk("一、该管道安全状况等级评定为：") + std::string(grade) + text::gbk(" 级"),
        text::gbk("二、允许继续使用的参数为：最大工作压力") + t[0].str() + text::gbk(" MPa, 工作温度") + t[1].str() +
            text::gbk(" ℃, 工作介质") + t[2].str(),
        text::gbk("三、监控使用的限制性条件：") + t[3].str(),
        text::gbk("四、下次检验日期：") + t[4].str(),
        text::gbk("五、判废的依据：") + t[5].str(),
        text::gbk("六、其它：") + t[6].str(),
        text::gbk("　　本检验单位经（") + t[7].str() + text::gbk("）批准，具有法人地位，批准的检验工作范围是：") + t[8].str(),
        text::gbk("检验许可证批准号：") + t[9].str(),
    };
    Grid g(p, kFormTop);
    // The conclusion's paragraphs in one size, roomy while they fit.
    const platform::Rect box = g.space(1150);
    std::string conclusion;
    for (const std::string& para : paragraphs) conclusion += (conclusion.empty() ? "" : "\r\n") + para;
    FitItem block{{box.left + 22, box.top - 27, box.right - 22, box.bottom + 27}, conclusion, kTableFace, Align::Left};
    block.valign = VAlign::Top;
    block.paragraphs = true;
    block.field = text::gbk("检验结论");
    p.fitted(block);

    g.row(70, {label(250, text::gbk("检验人员")), label(450, text::gbk("证件编号")), label(450, text::gbk("签    字")), label(0, text::gbk("日 期"))});
    g.row(110, {value(250, ""), named(value(450, t[10].view()), "检验员证件编号"), value(450, ""),
                named(value(0, t[12].view()), "检验人员签字日期")});
    g.row(110, {label(700, text::gbk("检验单位技术负责人签字")), value(450, ""),
                named(value(0, t[13].view()), "技术负责人签字日期")});
    g.row(60, {leftText(0, text::gbk("注：若此栏手续不全，结论报告无效。"))});
    const platform::Rect seal = g.space(240);
    p.text(seal.left + 1000, seal.top - 60, text::gbk("检验单位章"), f);
    p.fitted({seal.left + 800, seal.top - 120, seal.right - 10, seal.bottom + 10},
             fmt(text::gbk("盖章日期：%s"), t[14].view()), kTableFace, Align::Left, text::gbk("盖章日期"));
    g.close();
}

// --- (2) summary --------------------------------------------------------------------------

void drawSummaryPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kSummaryPage)));
    const auto& data = p.report().HuiZong_ReportData;
    struct Item {
        std::string_view name;
        int group;  // index into groups, -1 none
    };
    const std::string_view groups[] = {"管道材料", "管子焊接缺陷", "组成件其它异常", "附属设施"};
    const Item items[23] = {{"管道位置及结构", -1},
                            {"与设计不符", 0},
                            {"材质不明", 0},
                            {"材料劣化和损伤", 0},
                            {"硬度异常", 0},
                            {"管子及管件全面减薄", -1},
                            {"管子局部减薄", -1},
                            {"裂纹", 1},
                            {"咬边", 1},
                            {"气孔", 1},
                            {"夹渣", 1},
                            {"未焊透", 1},
                            {"未熔合", 1},
                            {"错边", 1},
                            {"裂纹、皱褶、重皮", 2},
                            {"碰伤", 2},
                            {"变形", 2},
                            {"损坏", 2},
                            {"支吊架异常", 3},
                            {"安全附属装置", 3},
                            {"其它附属设施", 3},
                            {"压力试验或其它泄漏行性试验", -1},
                            {"管道安全状况等级", -1}};
    constexpr int kGroupWidth = 180, kItemWidth = 420, kTextWidth = 700, kRowHeight = 70;
    Grid g(p, kFormTop);
    g.row(80, {label(kGroupWidth + kItemWidth, text::gbk("检 验 项 目")), label(kTextWidth, text::gbk("情 况 概 述")),
               label(0, text::gbk("安全状况等级"))});
    int groupTop = 0;
    for (int i = 0; i < 23; ++i) {
        const Item& it = items[i];
        const int grade = data.grades[static_cast<std::size_t>(i)];
        const std::string gradeText = grade >= 1 && grade <= 4 ? std::to_string(grade) : "";
        const std::string_view situation = data.texts[static_cast<std::size_t>(i)].view();
        if (it.group < 0) {
            g.row(kRowHeight, {label(kGroupWidth + kItemWidth, text::gbk(it.name)), value(kTextWidth, situation),
                               number(0, gradeText)});
            continue;
        }
        const bool first = i == 0 || items[i - 1].group != it.group;
        if (first) {
            groupTop = g.bottom();
            g.row(kRowHeight, {value(kGroupWidth, ""), label(kItemWidth, text::gbk(it.name)), value(kTextWidth, situation),
                               number(0, gradeText)});
        } else {
            g.row(kRowHeight, {label(kItemWidth, text::gbk(it.name)), value(kTextWidth, situation), number(0, gradeText)},
                  kFormLeft + kGroupWidth);
        }
        const bool last = i == 22 || items[i + 1].group != it.group;
        if (last) g.sideLabel(groupTop, kGroupWidth, text::gbk(groups[it.group]));
    }
    g.row(70, {named(leftText(800, fmt(text::gbk("检验人员: %s"), data.texts[23].view())), "检验人员"),
               named(leftText(0, fmt(text::gbk("检验日期: %s"), data.texts[24].view())), "检验日期")});
    g.row(70, {named(leftText(800, fmt(text::gbk("审核人员: %s"), data.texts[25].view())), "审核人员"),
               named(leftText(0, fmt(text::gbk("审核日期: %s"), data.texts[26].view())), "审核日期")});
    g.close();
}

// --- (3) review of the source documents ----------------------------------------------------

void drawReviewPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kReviewPage)));
    const auto& t = p.report().ShengCha_ReportData.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 85,
             {f("装置名称", 0), f("管道名称", 1), f("管道编号", 2), f("管道级别", 34), f("管道长度(m)", 3),
              f("起止位置", 4), f("敷设方式", 5), f("设计压力(MPa)", 6), f("设计温度(℃)", 7),
              f("管子材料牌号", 8), f("管道规格\r\n(外径mm×壁厚mm)", 9), f("腐蚀裕量 mm", 10),
              f("上次全面检验日期", 11), f("设计单位", 12), f("设计日期", 13), f("设计规范", 14),
              f("安装单位", 15), f("安装与验收规范", 16), f("验收日期", 17), f("投用日期", 18),
              f("实际使用时间", 19), f("工作压力(MPa)", 20), f("工作温度(℃)", 21), f("工作介质", 22),
              f("绝热层材料", 23), f("绝热层厚度(mm)", 24), f("防腐层材料", 25),
              f("上次全面检验报告编号", 26)},
             2, 300, 500);
    noteBox(g, 250, "原始资料及记录审查问题记载：", t[27].view());
    noteBox(g, 250, "上次全面检验及自上次全面检验以来历次在线检验问题记载：", t[28].view());
    dateRow(g, "检验日期", t[29].view());
    signatures(g, 110, inspector("检验人员： %s　　%s", t[30].view(), t[31].view()),
               inspector("审核：　%s　　%s", t[32].view(), t[33].view()));
    g.close();
}

// --- (4) visual inspection ----------------------------------------------------------------

const std::vector<OptionItem>& visualInspectionItems() {
    static const std::vector<OptionItem> items = {
        {"管道位置", "  正常；  碰撞；  摩擦"},
        {"管道结构", "  正常；  翘曲；  下沉；  异常变形"},
        {"绝热层", "  完好；  破损；  脱落；  跑冷"},
        {"防腐层", "  完好；  破损；  脱落"},
        {"支吊架",
         "  完好；  间距不合理；  脱落；  变形；  腐蚀；  与管道接触处积水；  恒力弹簧支吊架转体位移指示越限；"
         "  变力弹簧支吊架偏斜；  变力弹簧支吊架失载；  刚性支吊架状态异常；  吊杆损坏；  吊杆异常；"
         "  吊杆连接配件损坏；  吊杆连接配件异常；  转导向支架卡涩；  承载结构变形；"
         "  承载结构上主要受力焊接接头存在裂纹；  支撑辅助钢结构变形；  支撑辅助钢结构上主要受力焊接接头存在裂纹"},
        {"阻尼器", "  完好；  位移异常；  液压阻尼器液位异常"},
        {"减振器", "  完好；  位移异常"},
        {"补偿器", "  完好；  损坏；  未采用补偿器；  不需要采用补偿器"},
        {"阀门", "  完好；  腐蚀；  裂纹；  缩孔；  连接螺栓松动；  操作不灵活"},
        {"法兰", "  完好；  偏口；  紧固件不齐全；  紧固件不符合要求；  紧固件松动；  紧固件腐蚀"},
        {"膨胀节",
         "  完好；  波纹管膨胀节划痕；  波纹管膨胀节凹痕；  波纹管膨胀节腐蚀；  波纹管膨胀节开裂；"
         "  波纹管膨胀节间距异常；  波纹管膨胀节失稳；  铰链型膨胀节铰链变形；  铰链型膨胀节铰链脱落；"
         "  铰链型膨胀节销轴变形；  铰链型膨胀节销轴脱落；  拉杆式膨胀节拉杆异常；  拉杆式膨胀节螺栓异常；"
         "  拉杆式膨胀节连接支座异常"},
        {"阴极保护装置", "  完好；  异常；  损坏"},
        {"蠕胀测点", "  完好；  损坏"},
        {"法兰间接触电阻", "  合格；  大于0.03Ω"},
        {"对地电阻", "  合格；  大于100Ω"},
        {"管道标识", "  合格；  标识错误；  标识不清；  无标识"},
        {"管道组成件", "  完好；  裂纹；  皱褶；  重皮；  碰伤；  变形；  腐蚀"},
        {"焊接接头", "  完好；  裂纹；  错边；  咬边"},
    };
    return items;
}

void drawVisualPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kVisualPage)));
    const auto& data = p.report().HongGuan_ReportData;
    const bool printer = p.printer();
    const platform::Font f = tableFont(printer);
    // The option lines are laid out with the paper's table font, so that the screen wraps them
    // where the printer does.
    const int avg = faceFont(kTableFace, kTableFace.height, true).width;
    const int step = kTableFace.height + 6;
    constexpr int kItemWidth = 230, kOptionsWidth = 970;
    const std::size_t perLine = static_cast<std::size_t>((kOptionsWidth - 16) / avg);

    Grid g(p, kFormTop);
    g.row(80, {label(300, text::gbk("管　道　规　格")), value(500, p.pipeSize()), label(300, text::gbk("管　道　材　质")),
               value(0, p.pipeMaterial())});
    g.row(70, {label(kItemWidth, text::gbk("检查项目")), label(kOptionsWidth, text::gbk("检 查 结 果")), label(0, text::gbk("备 注"))});
    std::size_t state = 0;
    const auto& items = visualInspectionItems();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& options = text::gbk(items[i].options);
        const std::size_t lines = wrapOptions(options, perLine).size();
        const int height = static_cast<int>(lines) * step + 16;
        const int rowTop = g.bottom();
        g.row(height, {label(kItemWidth, text::gbk(items[i].name)), value(kOptionsWidth, ""),
                       value(0, data.texts[2 + i].view())});
        std::vector<int> states;
        int k = 0;
        while (optionOffset(options, k) != std::string::npos) {
            states.push_back(state < data.states.size() ? data.states[state] : 0);
            ++state;
            ++k;
        }
        p.optionLines(options, kFormLeft + kItemWidth + 8, rowTop - 8, step, perLine, f, states, avg);
    }
    g.row(65, {label(kItemWidth, text::gbk("其它")), leftText(kOptionsWidth, data.texts[20].view()),
               value(0, data.texts[21].view())});
    g.row(65, {label(300, text::gbk("最大错边量(mm)")), value(500, data.texts[0].view()), label(300, text::gbk("最大咬边量(mm)")),
               value(0, data.texts[1].view())});
    dateRow(g, "检验日期", data.texts[22].view());
    signatures(g, 90, inspector("检验人员： %s　　%s", data.texts[23].view(), data.texts[24].view()),
               inspector("审核：　%s　　%s", data.texts[25].view(), data.texts[26].view()));
    g.close();
}

// --- (5) thickness ------------------------------------------------------------------------

void drawThicknessPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kThicknessPage)));
    const InspectionReport& r = p.report();
    const auto& t = r.CeHou_ReportData.texts;
    const auto& face = r.Face_ReportData.texts;
    const bool printer = p.printer();
    constexpr int kHeaderRow = 90, kRecordRow = 60, kColumn = kFormWidth / 8;

    Grid g(p, kFormTop);
    const auto pair = [&](std::string_view l1, std::string_view v1, std::string_view l2, std::string_view v2) {
        g.row(kHeaderRow, {label(300, text::gbk(l1)), value(500, v1), label(300, text::gbk(l2)), value(0, v2)});
    };
    pair("管 道 名 称", p.pipelineName(), "管 道 规 格\r\n(外径mm×壁厚mm)", p.pipeSize());
    pair("管 道 编 号", face[5].view(), "管 道 材 质", p.pipeMaterial());
    pair("管 道 级 别", face[9].view(), "表面状况", t[4].view());
    pair("测量仪器型号", t[0].view(), "测量仪器精度(mm)", t[5].view());
    pair("管件测量比例", proportion(t[1].view(), t[2].view(), "个"), "管子测量比例",
         proportion(t[6].view(), t[7].view(), "段"));
    pair("实 测 点 数", t[3].view(), "实测最小壁厚(mm)", t[8].view());

    // Room for a sketch of the measuring points.
    const platform::Rect sketch = g.space(4 * kHeaderRow);
    p.text(sketch.left + 12, sketch.top - 12, text::gbk("测厚点部位图:"), tableFont(printer));

    std::vector<Cell> heading;
    for (int c = 0; c < 4; ++c) {
        heading.push_back(label(kColumn, text::gbk("测点编号")));
        heading.push_back(label(c == 3 ? 0 : kColumn, text::gbk("测点厚度\r\n(mm)")));
    }
    const int tableTop = g.bottom();
    g.row(kHeaderRow, heading);
    const std::size_t first = firstItemOnSubPage(kThicknessPage, subPage);
    for (int row = 0; row < 11; ++row) {
        std::vector<Cell> cells;
        for (int c = 0; c < 4; ++c) {
            const std::size_t i = first + static_cast<std::size_t>(c * 11 + row);
            std::string id, thickness;
            if (i < r.thicknessPoints.count()) {
                const ThicknessPoint& pt = r.thicknessPoints.at(i);
                id = pt.pointId.str();
                thickness = fixed(pt.thickness, "%6.2f");
            }
            cells.push_back(number(kColumn, id));
            cells.push_back(number(c == 3 ? 0 : kColumn, thickness));
        }
        g.row(kRecordRow, cells);
    }
    // The column pairs are parted by double lines.
    for (int c = 1; c < 4; ++c) p.vline(kFormLeft + c * 2 * kColumn - 6, tableTop, g.bottom());

    const platform::Rect more = g.space(kRecordRow);
    p.fitted(more, text::gbk("(另可附页)"), kTableFace, Align::Left);
    const platform::Rect date = g.space(2 * kRecordRow);
    p.fitted(date, text::gbk("检验日期：") + dateOrBlank(t[9].view()), kTableFace, Align::Centre, text::gbk("检验日期"));
    signatures(g, 4 * kRecordRow, inspector("检验人员： %s　　%s", t[10].view(), t[11].view()),
               inspector("审核：　%s　　%s", t[12].view(), t[13].view()), false);
    g.close();
}

// --- (6) magnetic particle, (7) penetrant --------------------------------------------------

void drawMagneticPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kMagneticPage)));
    const InspectionReport& r = p.report();
    const auto& t = r.CiFeng_ReportData.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80,
             {f("使用仪器", 0), f("磁粉类型", 3), LabelValue{text::gbk("检测比例"), proportion(t[1].view(), t[2].view(), "mm")},
              f("磁化时间", 4), f("磁化电流", 5), f("安匝数", 10), f("执行标准", 6), f("标准试块", 9),
              f("表面状况", 7), f("检测部位", 8), f("磁化方法", 11), f("喷洒方式", 12)},
             2, 250, 550);
    constexpr int kRows = 13;
    const std::vector<Cell> half = {label(100, text::gbk("序号")), label(320, text::gbk("缺陷位置")),
                                    label(180, text::gbk("缺陷长度\r\n(mm)")), label(200, text::gbk("备 注"))};
    std::vector<Cell> heading = half;
    heading.insert(heading.end(), half.begin(), half.end());
    heading.back().width = 0;
    g.row(80, heading);
    const int tableTop = g.bottom();
    const std::size_t first = firstItemOnSubPage(kMagneticPage, subPage);
    for (int row = 0; row < kRows; ++row) {
        std::vector<Cell> cells;
        for (int h = 0; h < 2; ++h) {
            const std::size_t i = first + static_cast<std::size_t>(h * kRows + row);
            std::string n, location, length, remark;
            if (i < r.magneticDefects.count()) {
                const MagneticDefect& d = r.magneticDefects.at(i);
                n = std::to_string(i + 1);
                location = d.location.str();
                length = sizeText(d.length, "%6.2f");
                remark = d.remark.str();
            }
            cells.push_back(number(100, n));
            cells.push_back(value(320, location));
            cells.push_back(number(180, length));
            cells.push_back(value(h == 1 ? 0 : 200, remark));
        }
        g.row(80, cells);
    }
    p.vline(kFormLeft + 800 - 6, tableTop + 80, g.bottom());
    dateRow(g, "检测日期", t[13].view());
    signatures(g, 110, inspector("检测人员： %s　　%s", t[14].view(), t[15].view()),
               inspector("审核：　%s　　%s", t[16].view(), t[17].view()));
    g.close();
}

void drawPenetrantPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kPenetrantPage)));
    const InspectionReport& r = p.report();
    const auto& t = r.ShenTou_ReportData.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80,
             {f("检测方法", 0), f("观察方式", 2), f("环境温度(℃)", 1), f("清洗剂型号", 3), f("执行标准", 4),
              f("表面状况", 5), f("检测部位", 6), LabelValue{text::gbk("检测比例"), proportion(t[7].view(), t[8].view(), "mm")},
              f("对比试块", 9), f("渗透剂型号", 10), f("显像剂型号", 11)},
             2, 250, 550);
    constexpr int kRows = 15;
    const std::vector<Cell> half = {label(120, text::gbk("序号")), label(450, text::gbk("缺陷位置")), label(230, text::gbk("缺陷长度(mm)"))};
    std::vector<Cell> heading = half;
    heading.insert(heading.end(), half.begin(), half.end());
    heading.back().width = 0;
    g.row(80, heading);
    const int tableTop = g.bottom();
    const std::size_t first = firstItemOnSubPage(kPenetrantPage, subPage);
    for (int row = 0; row < kRows; ++row) {
        std::vector<Cell> cells;
        for (int h = 0; h < 2; ++h) {
            const std::size_t i = first + static_cast<std::size_t>(h * kRows + row);
            std::string n, location, length;
            if (i < r.penetrantDefects.count()) {
                const PenetrantDefect& d = r.penetrantDefects.at(i);
                n = std::to_string(i + 1);
                location = d.location.str();
                length = sizeText(d.length, "%6.2f");
            }
            cells.push_back(number(120, n));
            cells.push_back(value(450, location));
            cells.push_back(number(h == 1 ? 0 : 230, length));
        }
        g.row(70, cells);
    }
    p.vline(kFormLeft + 800 - 6, tableTop + 80, g.bottom());
    dateRow(g, "检测日期", t[12].view());
    signatures(g, 110, inspector("检测人员： %s　　%s", t[13].view(), t[14].view()),
               inspector("审核：　%s　　%s", t[15].view(), t[16].view()));
    g.close();
}

// --- (8) radiography, (9) ultrasonic ------------------------------------------------------

void drawRadiographPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kRadiographPage)));
    const InspectionReport& r = p.report();
    const auto& t = r.SheXian_ReportData.texts;
    const auto f = textPairs(t);
    constexpr int kSide = 100;
    Grid g(p, kFormTop);
    const int conditionsTop = g.bottom();
    const int inner = kFormLeft + kSide;
    // The first row starts with the side column's cell; the rows below leave it open.
    g.row(80, {value(kSide, ""), label(230, text::gbk("检测部位")), value(270, t[0].view()), label(230, text::gbk("执行标准")),
               value(270, t[1].view()), label(230, text::gbk("源种类")), value(0, t[2].view())});
    pairRows(g, 80,
             {LabelValue{text::gbk("检测比例"), proportion(t[3].view(), t[4].view(), "mm")}, f("仪器型号", 5),
              f("仪器规格", 6), f("象质计指数", 7), f("底片类型", 8), f("底片长度(mm)", 9), f("增感法", 10),
              f("管电压(KV)", 11), f("透照方式", 12), f("焦距(mm)", 13),
              LabelValue{text::gbk("有效长度"), withUnit(t[14].view(), " mm")}, f("透度计类型", 15), f("管电流(mA)", 16),
              LabelValue{text::gbk("曝光时间"), withUnit(t[17].view(), " min")}, f("黑度", 18)},
             3, 230, 270, inner);
    g.sideLabel(conditionsTop, kSide, text::gbk("检\r\n测\r\n条\r\n件"));

    const std::vector<int> widths = {90, 190, 230, 190, 170, 170, 170, 0};
    g.row(90, {label(widths[0], text::gbk("序号")), label(widths[1], text::gbk("底片编号")), label(widths[2], text::gbk("缺陷位置")),
               label(widths[3], text::gbk("缺陷性质")), label(widths[4], text::gbk("缺陷长度\r\n(mm)")),
               label(widths[5], text::gbk("缺陷高度＊\r\n(mm)")), label(widths[6], text::gbk("评定级别")), label(0, text::gbk("备 注"))});
    const std::size_t first = firstItemOnSubPage(kRadiographPage, subPage);
    for (std::size_t row = 0; row < 14; ++row) {
        const std::size_t i = first + row;
        if (i < r.radiographDefects.count()) {
            const RadiographDefect& d = r.radiographDefects.at(i);
            g.row(75, {number(widths[0], std::to_string(i + 1)), number(widths[1], d.filmNumber.view()),
                       value(widths[2], d.location.view()), value(widths[3], d.nature.view()),
                       number(widths[4], sizeText(d.length, "%-7.2f")), number(widths[5], sizeText(d.height, "%-7.2f")),
                       value(widths[6], d.grade.view()), value(0, d.remark.view())});
        } else {
            g.row(75, {value(widths[0], ""), value(widths[1], ""), value(widths[2], ""), value(widths[3], ""),
                       value(widths[4], ""), value(widths[5], ""), value(widths[6], ""), value(0, "")});
        }
    }
    const platform::Font font = tableFont(p.printer());
    const int middle = kFormLeft + kFormWidth / 2;
    // The four signature texts in one size.
    const platform::Rect s1 = g.space(75);
    const platform::Rect s2 = g.space(75, g.right());
    const auto sign = [&](const platform::Rect& r, bool left, std::string text, std::string_view fieldUtf8) {
        FitItem item{{left ? r.left + 10 : middle, r.top, left ? middle : r.right - 10, r.bottom}, std::move(text),
                     kTableFace, Align::Left};
        item.field = text::gbk(fieldUtf8);
        return item;
    };
    p.fittedGroup({sign(s1, true, inspector("检测人员：　%s   %s", t[20].view(), t[21].view()), "检测人员"),
                   sign(s1, false, fmt(text::gbk("检测日期： %s"), dateOrBlank(t[19].view())), "检测日期"),
                   sign(s2, true, inspector("初评：　%s　　%s", t[22].view(), t[23].view()), "初评"),
                   sign(s2, false, inspector("复评：　%s　　%s", t[24].view(), t[25].view()), "复评")});
    g.close();
    p.text(kFormLeft, g.bottom() - 30, text::gbk("注＊：当缺陷为未熔合或未焊透时，可采用沟槽对比块或未焊透对比块估计缺陷高度"),
           font);
}

void drawUltrasonicPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kUltrasonicPage)));
    const InspectionReport& r = p.report();
    const auto& t = r.ChaoShen_ReportData.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80,
             {f("坡口型式", 0), f("测试仪器型号", 1), f("标准试块", 2), f("耦合剂", 3),
              LabelValue{text::gbk("检测比例"), proportion(t[4].view(), t[5].view(), "mm")}, f("表面状态", 6),
              f("检测部位", 7), f("探头类型", 8), f("灵敏度", 9), LabelValue{text::gbk("耦合补偿"), fmt("%s dB", t[10].view())},
              f("执行标准", 11)},
             2, 250, 550);
    const std::vector<int> widths = {90, 230, 180, 170, 170, 200, 170, 0};
    g.row(90, {label(widths[0], text::gbk("序号")), label(widths[1], text::gbk("缺陷位置")), label(widths[2], text::gbk("缺陷埋藏\r\n深度(mm)")),
               label(widths[3], text::gbk("缺陷长度\r\n(mm)")), label(widths[4], text::gbk("缺陷高度\r\n(mm)")),
               label(widths[5], text::gbk("反射区域")), label(widths[6], text::gbk("评定级别")), label(0, text::gbk("备 注"))});
    const std::size_t first = firstItemOnSubPage(kUltrasonicPage, subPage);
    for (std::size_t row = 0; row < 14; ++row) {
        const std::size_t i = first + row;
        if (i < r.ultrasonicDefects.count()) {
            const UltrasonicDefect& d = r.ultrasonicDefects.at(i);
            g.row(75, {number(widths[0], std::to_string(i + 1)), value(widths[1], d.location.view()),
                       number(widths[2], sizeText(d.depth, "%-7.2f")), number(widths[3], sizeText(d.length, "%-7.2f")),
                       number(widths[4], sizeText(d.height, "%-7.2f")), value(widths[5], d.reflectionZone.view()),
                       value(widths[6], d.grade.view()), value(0, d.remark.view())});
        } else {
            g.row(75, {value(widths[0], ""), value(widths[1], ""), value(widths[2], ""), value(widths[3], ""),
                       value(widths[4], ""), value(widths[5], ""), value(widths[6], ""), value(0, "")});
        }
    }
    dateRow(g, "检测日期", t[12].view());
    signatures(g, 110, inspector("检测人员： %s　　%s", t[13].view(), t[14].view()),
               inspector("审核：　%s　　%s", t[15].view(), t[16].view()));
    g.close();
}

// --- (10) chemical composition ------------------------------------------------------------

void drawChemicalPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kChemicalPage)));
    const auto& data = p.report().FengXi_ReportData;
    const auto& t = data.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80, {f("取样部位", 0), f("执行标准", 1), f("取样方法", 2), f("试件编号", 3)}, 2, 300, 500);
    g.row(80, {label(0, text::gbk("化 学 成 分 (%)"))});
    // Three bands of seven elements in file order; -1 marks an element whose symbol the user
    // typed (value field, symbol field).
    struct Element {
        std::string_view symbol;
        int value;
        int symbolField;
    };
    const Element bands[3][7] = {
        {{"C", 4, -1}, {"Si", 5, -1}, {"Mn", 6, -1}, {"S", 7, -1}, {"P", 8, -1}, {"", 9, 25}, {"", 10, 26}},
        {{"Mo", 11, -1}, {"V", 12, -1}, {"Al", 13, -1}, {"Cr", 14, -1}, {"Ni", 15, -1}, {"", 16, 27}, {"", 17, 28}},
        {{"Ti", 18, -1}, {"Nb", 19, -1}, {"Cu", 20, -1}, {"", 21, 29}, {"", 22, 30}, {"", 23, 31}, {"", 24, 32}},
    };
    for (const auto& band : bands) {
        std::vector<Cell> symbols = {label(200, text::gbk("元  素"))};
        std::vector<Cell> values = {label(200, text::gbk("含量(%)"))};
        for (int k = 0; k < 7; ++k) {
            const Element& e = band[k];
            const std::string symbol = e.symbolField < 0 ? std::string(e.symbol) : t[static_cast<std::size_t>(e.symbolField)].str();
            symbols.push_back(number(k == 6 ? 0 : 200, symbol));
            values.push_back(number(k == 6 ? 0 : 200, t[static_cast<std::size_t>(e.value)].view()));
        }
        g.row(75, symbols);
        g.row(75, values);
    }
    noteBox(g, 700, "补充说明：", data.note.view());
    dateRow(g, "化验日期", t[33].view());
    signatures(g, 110, inspector("化验人员： %s　　%s", t[34].view(), t[35].view()),
               inspector("审核：　%s　　%s", t[36].view(), t[37].view()));
    g.close();
}

// --- (11) hardness ------------------------------------------------------------------------

void drawHardnessPage(PagePainter& p, int subPage) {
    p.header(text::gbk(pageTitle(kHardnessPage)));
    const InspectionReport& r = p.report();
    const auto& data = r.YingDu_ReportData;
    const auto& t = data.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80, {f("仪器型号", 0), f("评定标准", 1), f("热处理状态", 2), f("测定部位", 3)}, 2, 300, 500);
    g.row(80, {label(200, text::gbk("序 号")), label(500, text::gbk("硬 度 值 (HB)")), label(0, text::gbk("硬度测定部位"))});
    const std::size_t first = firstItemOnSubPage(kHardnessPage, subPage);
    for (std::size_t row = 0; row < 17; ++row) {
        const std::size_t i = first + row;
        if (i < r.hardnessPoints.count()) {
            const HardnessPoint& h = r.hardnessPoints.at(i);
            g.row(65, {number(200, std::to_string(i + 1)), number(500, h.value.view()), value(0, h.location.view())});
        } else {
            g.row(65, {value(200, ""), value(500, ""), value(0, "")});
        }
    }
    noteBox(g, 330, "评定意见：", data.note.view(), 6);
    dateRow(g, "检验日期", t[4].view());
    signatures(g, 100, inspector("检验人员： %s　　%s", t[5].view(), t[6].view()),
               inspector("审核：　%s　　%s", t[7].view(), t[8].view()));
    g.close();
}

// --- (12) metallography -------------------------------------------------------------------

void drawMetallographPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kMetallographPage)));
    const InspectionReport& r = p.report();
    const auto& data = r.JinXiang_ReportData;
    const auto& t = data.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 80,
             {f("取样部位", 0), f("仪器型号", 1), f("腐蚀方法", 2), f("执行标准", 3), f("热处理方法", 4),
              f("试样编号", 5), f("放大倍数", 6), f("抛光方法", 7)},
             2, 300, 500);
    // The photographs themselves are not printed; their notes and files are listed.
    std::string photos;
    for (std::size_t i = 0; i < r.metallographImages.count(); ++i) {
        const MetallographImage& m = r.metallographImages.at(i);
        if (!photos.empty()) photos += "\r\n";
        photos += text::format("%d. %s  %s", static_cast<int>(i + 1), m.annotation.view(), m.fileName.view());
    }
    noteBox(g, 680, "金相照片或分析部位：", photos);
    noteBox(g, 460, "分析结果：", data.note.view(), 8);
    dateRow(g, "分析日期", t[8].view());
    signatures(g, 110, inspector("分析人员： %s　　%s", t[9].view(), t[10].view()),
               inspector("审核：　%s　　%s", t[11].view(), t[12].view()));
    g.close();
}

// --- (13) pressure test, (14) leak test ---------------------------------------------------

void drawPressureTestPage(PagePainter& p, bool leakTest) {
    const int index = leakTest ? kLeakTestPage : kPressureTestPage;
    p.header(text::gbk(pageTitle(index)));
    const InspectionReport& r = p.report();
    const auto& data = leakTest ? r.QiMi_ReportData : r.NaiYa_ReportData;
    const auto& t = data.texts;
    const std::string machine = leakTest ? "压气设备" : "机泵";
    const auto f = [&](const std::string& l, int k) { return LabelValue{text::gbk(l), t[static_cast<std::size_t>(k)].str()}; };
    const auto mpa = [&](const std::string& l, int k) {
        return LabelValue{text::gbk(l), withUnit(t[static_cast<std::size_t>(k)].view(), " MPa")};
    };
    Grid g(p, kFormTop);
    pairRows(g, 85,
             {LabelValue{text::gbk("管道名称"), std::string(p.pipelineName())},
              LabelValue{text::gbk("管道编号"), r.Face_ReportData.texts[5].str()},
              LabelValue{text::gbk("管道级别"), r.Face_ReportData.texts[9].str()}, f("试验介质", 0), f("介质温度(℃)", 1),
              f(machine + "型号", 4), mpa(machine + "出口压力表规格", 2), mpa("管线压力表规格", 3),
              f(machine + "出口压力表精度(级)", 8), f("管线压力表精度(级)", 9), mpa("最高工作压力", 5),
              mpa("试验压力", 6), f("环境温度(℃)", 7), f("执行标准", 10)},
             2, 300, 500);
    const platform::Rect curve = g.space(560);
    p.text(curve.left + 15, curve.top - 12, text::gbk("实际试验曲线："), tableFont(p.printer()));
    noteBox(g, 330, leakTest ? "泄漏性试验结论：" : "压力试验结论：", data.note.view(), 5);
    dateRow(g, "试验日期", t[11].view());
    signatures(g, 110, inspector("检验人员： %s　　%s", t[12].view(), t[13].view()),
               inspector("审核：　%s　　%s", t[14].view(), t[15].view()));
    g.close();
}

// --- (15) safety accessories --------------------------------------------------------------

void drawAccessoryPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kAccessoryPage)));
    const auto& t = p.report().FuShu_ReportData.texts;
    const auto f = textPairs(t);
    constexpr int kRow = 65, kTitleRow = 55, kSide = 150;
    Grid g(p, kFormTop);
    pairRows(g, 70, {f("设计温度(℃)", 0), f("设计压力(MPa)", 1)}, 2, 300, 500);
    const auto title = [&](std::string_view utf8) { g.row(kTitleRow, {label(0, text::gbk(utf8))}); };
    title("压　力　表　检　查");
    pairRows(g, kRow,
             {f("设计规定数", 2), f("量程", 3), f("实际安装数", 4), f("精度", 5), f("安装位置", 6),
              f("表盘直径(mm)", 7), f("有效期", 8), f("外观质量", 9)},
             3, 250, 283);
    title("测　温　仪　表　检　查");
    pairRows(g, kRow,
             {f("设计规定数", 10), f("量程", 11), f("实际安装数", 12), f("精度", 13), f("安装位置", 14),
              f("外观质量", 15), f("有效期", 16)},
             3, 250, 283);
    // Design requirement and inspection of the same device, labelled at the left.
    const auto twoPart = [&](const std::vector<LabelValue>& design, const std::vector<LabelValue>& inspected) {
        const int inner = kFormLeft + kSide;
        const auto part = [&](std::string_view name, const std::vector<LabelValue>& fields) {
            const int partTop = g.bottom();
            std::vector<LabelValue> rest = fields;
            std::vector<Cell> firstRow = {value(kSide, "")};
            for (int k = 0; k < 3; ++k) {
                const LabelValue fld = k < static_cast<int>(rest.size()) ? rest[static_cast<std::size_t>(k)] : LabelValue{};
                firstRow.push_back(label(220, fld.label));
                firstRow.push_back(value(k == 2 ? 0 : 263, fld.value));
            }
            g.row(kRow, firstRow);
            if (rest.size() > 3) {
                rest.erase(rest.begin(), rest.begin() + 3);
                pairRows(g, kRow, rest, 3, 220, 263, inner);
            }
            g.sideLabel(partTop, kSide, text::gbk(name));
        };
        part("设计要求", design);
        part("检查情况", inspected);
    };
    title("安　全　阀　检　查");
    twoPart({f("数量", 17), f("型号", 18), f("公称压力(MPa)", 19), f("公称通经(mm)", 20)},
            {f("数量", 21), f("型号", 22), f("公称压力(MPa)", 23), f("公称通经(mm)", 24), f("开启压力(MPa)", 25),
             f("工作温度(℃)", 26), f("工作介质", 27), f("外观质量", 28), f("有效期", 29), f("铅封", 30),
             f("安装位置", 31), f("合格证编号", 32), f("制造许可证", 33)});
    title("爆　破　片　装　置　检　查");
    twoPart({f("数量", 34), f("型号", 35), f("规格", 36), f("爆破应力(MPa)", 37), f("公称直径(mm)", 38),
             f("材料", 39)},
            {f("数量", 40), f("型号", 41), f("规格", 42), f("公称直径(mm)", 43), f("外观质量", 44), f("有效期", 45),
             f("安装位置", 46), f("合格证编号", 47), f("制造许可证", 48)});
    title("紧　急　切　断　阀　检　查");
    pairRows(g, kRow,
             {f("制造厂家", 49), f("制造许可证号", 50), f("合格证编号", 51), f("型式及规格", 52),
              f("切断时间(秒)", 53), f("有效期", 54), f("耐压试验", 55), f("密封压力试验", 56), f("铅封", 57)},
             3, 250, 283);
    dateRow(g, "检验日期", t[58].view());
    signatures(g, 100, inspector("检验人员： %s　　%s", t[59].view(), t[60].view()),
               inspector("审核：　%s　　%s", t[61].view(), t[62].view()));
    g.close();
}

// --- repair record ------------------------------------------------------------------------

void drawRepairPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kRepairPage)));
    const auto& t = p.report().JianXiu_ReportData.texts;
    Grid g(p, kFormTop);
    g.row(90, {label(500, text::gbk("更换日期")), label(550, text::gbk("更换长度（米）")), label(0, text::gbk("检修负责人"))});
    for (std::size_t row = 0; row < 16; ++row)
        g.row(100, {value(500, t[3 * row].view()), number(550, t[3 * row + 1].view()), value(0, t[3 * row + 2].view())});
    g.close();
}

}  // namespace tubra::report
