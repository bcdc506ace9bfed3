// The pages of the online-inspection set: the cover "在用工业管道在线检验报告书", the
// registration of the source documents, the thickness records of up to five inspections and
// the online inspection report.

#include <algorithm>

#include "text/CFormat.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ReportPaging.h"

namespace tubra::report {

namespace {

// A date of the online cover: year and month, or a blank phrase when the year is not given.
std::string yearMonth(int year, int month) {
    if (year == 0) return text::gbk("     年   月");
    return month == 0 ? text::format(text::gbk("  %4d年    月"), year) : text::format(text::gbk("  %4d年 %2d月"), year, month);
}

std::string fileDate(int year, int month, int day) {
    if (year == 0) return text::gbk("         年        月      日");
    std::string s = text::format(text::gbk("         %4d 年"), year);
    s += month == 0 ? text::gbk("       月") : text::format(text::gbk("   %2d 月"), month);
    s += day == 0 ? text::gbk("      日") : text::format(text::gbk("   %2d日"), day);
    return s;
}

// A row with a label at the left and a several-line text fitted beside it.
void noteRow(Grid& g, int height, std::string_view labelUtf8, std::string_view note) {
    g.row(height, {label(260, text::gbk(labelUtf8)), leftText(0, note)});
}

}  // namespace

// --- cover --------------------------------------------------------------------------------

void drawOnlineCoverPage(PagePainter& p) {
    // A cover cannot be continued: a value too long for its line ends with "…".
    p.setContinuable(false);
    const auto& face = p.report().Face_IReportData;
    const auto& t = face.texts;
    const auto& d = face.dates;
    const platform::Font small = coverFont(40);
    // The two numbers at the top in one size, the entries in another.
    std::vector<FitItem> numbers, values;
    numbers.push_back(coverLine(p, 1000, -300, "使用登记证号:", 350, small, coverFace(40), t[0].view()));
    numbers.push_back(coverLine(p, 1000, -410, "注 册 编 号 :", 350, small, coverFace(40), t[1].view()));
    p.text(480, -800, text::gbk(pageTitle(kOnlineCoverPage)), coverFont(90));

    const platform::Font big = coverFont(70);
    // The name and number are the characteristic table's unless the cover has its own.
    const std::string_view name = t[3].empty() ? p.pipelineName() : t[3].view();
    const std::string_view number = t[4].empty() ? p.pipelineNumber() : t[4].view();
    values.push_back(coverLine(p, 510, -1250, "装置名称:", 800, big, coverFace(40), t[2].view()));
    values.push_back(coverLine(p, 510, -1370, "管道名称:", 800, big, coverFace(40), name));
    values.push_back(coverLine(p, 510, -1490, "管道编号:", 800, big, coverFace(40), number));
    values.push_back(coverLine(p, 510, -1610, "使用单位:", 800, big, coverFace(40), t[5].view()));
    values.push_back(coverLine(p, 510, -1730, "建档日期:", 800, big, coverFace(40), fileDate(d[16], d[17], d[18]), false));
    p.fittedGroup(numbers);
    p.fittedGroup(values);

    p.text(510, -1920, text::gbk("全面检验日期："), big);
    const platform::Font dates = coverFont(40);
    for (int k = 0; k < 4; ++k) {
        const std::string period = yearMonth(d[2 * k], d[2 * k + 1]) + text::gbk("至") + yearMonth(d[8 + 2 * k], d[9 + 2 * k]);
        p.text(700, -2030 - 90 * k, period, dates);
    }
}

// --- (1) registration ---------------------------------------------------------------------

void drawOnlineRegisterPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kOnlineRegisterPage)));
    const auto& data = p.report().DengJi_IReportData;
    const auto& t = data.texts;
    const auto f = textPairs(t);
    Grid g(p, kFormTop);
    pairRows(g, 72,
             {f("装置名称", 0), f("管道名称", 1), f("管道编号", 2), f("管道级别", 3), f("管道长度(m)", 4),
              f("起止位置", 5), f("敷设方式", 6), f("设计压力(MPa)", 7), f("设计温度(℃)", 8), f("管子材料牌号", 9),
              f("管道规格\r\n(外径mm×壁厚mm)", 10), f("腐蚀裕量 mm", 11), f("设计单位", 12), f("设计日期", 13),
              f("设计规范", 14), f("安装单位", 15), f("安装与验收规范", 16), f("验收日期", 17), f("投用日期", 18),
              f("工作压力(MPa)", 19), f("工作温度(℃)", 20), f("工作介质", 21), f("绝热层材料", 22),
              f("绝热层厚度(mm)", 23), f("防腐层材料", 24)},
             2, 300, 500);
    // Twelve further entries without printed labels, three rows of four.
    for (std::size_t row = 0; row < 3; ++row) {
        std::vector<Cell> cells;
        for (std::size_t k = 0; k < 4; ++k) cells.push_back(value(k == 3 ? 0 : 400, t[25 + 4 * row + k].view()));
        g.row(65, cells);
    }
    // The remark: at most twelve lines.
    noteBox(g, 760, "备注：", data.note.view(), 12);
    g.close();
}

// --- (2) thickness records ----------------------------------------------------------------

void drawOnlineThicknessPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kOnlineThicknessPage)));
    const auto& data = p.report().CeHou_IReportData;
    const auto& t = data.texts;
    const auto text = [&](int k) { return t[static_cast<std::size_t>(k)].view(); };
    Grid g(p, kFormTop);
    pairRows(g, 70,
             {LabelValue{text::gbk("管 道 名 称"), t[0].str()}, LabelValue{text::gbk("管道规格(mm×mm)"), t[1].str()},
              LabelValue{text::gbk("管 道 材 质"), t[2].str()}, LabelValue{text::gbk("管 道 编 号"), t[3].str()},
              LabelValue{text::gbk("管 道 级 别"), t[5].str()}, LabelValue{text::gbk("腐蚀裕量(mm)"), t[4].str()}},
             2, 300, 500);
    const std::string& blankDate = text::gbk("　　　年　　月　　日");
    const auto signed_ = [&](std::string_view fmtUtf8, std::string_view name, std::string_view date) {
        return fmt(text::gbk(fmtUtf8), name) + (date.empty() ? blankDate : std::string(date));
    };
    for (int b = 0; b < 5; ++b) {
        const int base = 6 + 27 * b;
        const int blockTop = g.bottom();
        g.row(66, {label(160, text::gbk("检验日期")), value(200, text(base)), label(240, text::gbk("仪器型号/精度")),
                   value(400, text(base + 1)), label(200, text::gbk("表面状况")), value(0, text(base + 2))});
        std::vector<Cell> ids = {label(160, text::gbk("测点编号"))};
        std::vector<Cell> values = {label(160, text::gbk("厚度(mm)"))};
        for (int k = 0; k < 10; ++k) {
            ids.push_back(number(k == 9 ? 0 : 144, text(base + 3 + k)));
            values.push_back(number(k == 9 ? 0 : 144, text(base + 13 + k)));
        }
        g.row(66, ids);
        g.row(66, values);
        signatures(g, 76, signed_("检验人员： %s　　", text(base + 23), text(base + 24)),
                   signed_("审核： %s　　", text(base + 25), text(base + 26)));
        // The inspections are parted by the frame pen.
        if (b > 0) p.hline(kFormLeft, kFormRight, blockTop, kFramePen);
    }
    noteBox(g, 450, "备注：", data.note.view());
    g.close();
}

// --- (3) the online inspection report -----------------------------------------------------

const std::vector<std::string_view>& onlineSourceDocumentLines() {
    static const std::vector<std::string_view> lines = {
        "  管道平面布置图；  管道工艺流程图；  单线图；  历次在线检验报告；",
        "  历次全面检验报告；  运行参数等技术资料",
        "  管道运行记录；  管道开停车记录；  管道隐患监护措施实施情况记录；",
        "  管道改造施工记录；  检修报告；  管道事故处理记录；  检验方案",
    };
    return lines;
}

void drawOnlineReportNumber(PagePainter& p) {
    p.fitted({1150 - 8, kFormTop + 60 + 3, kFormRight + 8, kFormTop + 60 - kHeaderFace.height - 3},
             fmt(text::gbk("报告编号：%s"), p.report().JianYan_IReportData.texts[42].view()), kHeaderFace, Align::Left,
             text::gbk("报告编号"));
}

void drawOnlineReportPage(PagePainter& p) {
    p.header(text::gbk(pageTitle(kOnlineReportPage)));
    const auto& data = p.report().JianYan_IReportData;
    const auto& t = data.texts;
    const auto text = [&](int k) { return t[static_cast<std::size_t>(k)].view(); };
    const bool printer = p.printer();
    const platform::Font font = tableFont(printer);
    drawOnlineReportNumber(p);

    Grid g(p, kFormTop);
    pairRows(g, 60,
             {LabelValue{text::gbk("装置名称"), t[0].str()}, LabelValue{text::gbk("管道编号"), t[1].str()},
              LabelValue{text::gbk("管道规格(mm×mm)"), t[2].str()}, LabelValue{text::gbk("管道名称"), t[3].str()},
              LabelValue{text::gbk("管道级别"), t[4].str()}, LabelValue{text::gbk("管道材质"), t[5].str()}},
             2, 300, 500);

    // Source documents: four option lines with their check boxes, laid out with the paper's
    // table font so that the screen wraps them where the printer does.
    g.row(55, {label(0, text::gbk("资 料 准 备 和 记 录 审 查"))});
    const int step = kTableFace.height + 10;
    const platform::Rect docs = g.space(4 * step + 20);
    const int avg = faceFont(kTableFace, kTableFace.height, true).width;
    const std::size_t perLine = static_cast<std::size_t>((kFormWidth - 40) / avg);
    int y = docs.top - 10;
    std::size_t state = 0;
    for (std::string_view utf8 : onlineSourceDocumentLines()) {
        const std::string& line = text::gbk(utf8);
        std::vector<int> states;
        for (int k = 0; optionOffset(line, k) != std::string::npos; ++k, ++state)
            states.push_back(state < data.states.size() ? data.states[state] : 0);
        y = p.optionLines(line, docs.left + 20, y, step, perLine, font, states, avg);
    }
    // The several-line texts have room for their four lines.
    constexpr int kNoteRow = 130;
    noteRow(g, kNoteRow, "问题记载", data.notes[0].view());

    // Results of the inspected items.
    g.row(55, {label(0, text::gbk("检 查 项 目 及 检 查 结 果"))});
    const std::string_view items[15] = {"管道表面", "绝热层", "支吊架", "法兰", "法兰间接触电阻",
                                        "焊接接头", "防腐层", "阀门", "管道结构", "对地电阻",
                                        "泄漏", "管道振动", "膨胀节", "管道标识", "壁厚测定"};
    for (int row = 0; row < 5; ++row) {
        std::vector<Cell> cells;
        for (int k = 0; k < 3; ++k) {
            const int i = row * 3 + k;
            cells.push_back(label(200, text::gbk(items[i])));
            cells.push_back(value(k == 2 ? 0 : 333, text(6 + i)));
        }
        g.row(55, cells);
    }
    std::vector<Cell> others = {label(200, text::gbk("其　它"))};
    for (int k = 0; k < 5; ++k) others.push_back(value(k == 4 ? 0 : 280, text(21 + k)));
    g.row(55, others);
    const int accessoriesTop = g.bottom();
    constexpr int kSide = 200;
    g.row(55, {value(kSide, ""), label(170, text::gbk("压力表")), value(296, text(26)), label(170, text::gbk("测温仪表")),
               value(296, text(27)), label(170, text::gbk("安全阀")), value(0, text(28))});
    g.row(55, {label(170, text::gbk("爆破片装置")), value(296, text(29)), label(170, text::gbk("其它")), value(0, text(30))},
          kFormLeft + kSide);
    g.sideLabel(accessoriesTop, kSide, text::gbk("安全附属装置"));
    noteRow(g, kNoteRow, "缺陷情况说明：", data.notes[1].view());

    // The conclusion with the result, the next date and the inspectors' signatures, in a box
    // without inner lines.
    const platform::Rect conclusion = g.space(230);
    FitItem result{{conclusion.left + 12, conclusion.top - 9, conclusion.right - 12, conclusion.bottom},
                   text::gbk("　　检验结论：根据《在用工业管道定期检验规程》的规定，对本管线已完成所要求的检查和检验。"
                     "检验结果是：　") +
                       std::string(data.notes[2].view()),
                   kTableFace, Align::Left};
    result.valign = VAlign::Top;
    result.field = text::gbk("检验结果");
    p.fitted(result);
    const platform::Rect next = g.space(55, g.right());
    p.fitted({next.left + 12, next.top, next.right - 12, next.bottom},
             text::gbk("　　下次外部检验日期：　") + std::string(text(31)), kTableFace, Align::Left, text::gbk("下次外部检验日期"));
    signatures(g, 60, fmt(text::gbk("检验人员：　%s　　%s"), text(32), text(33)), fmt(text::gbk("审核：　%s　　%s"), text(34), text(35)),
               false);

    noteRow(g, kNoteRow, "缺陷处理情况说明：", data.notes[3].view());
    signatures(g, 65, fmt(text::gbk("确认：　%s　　%s"), text(36), text(37)), fmt(text::gbk("审核：　%s　　%s"), text(38), text(39)));

    // The seals with their dates.
    const int middle = kFormLeft + kFormWidth / 2;
    const platform::Rect seals = g.space(210);
    p.vline(middle, seals.top, seals.bottom);
    p.text(seals.left + 280, seals.top - 50, text::gbk("使用单位章"), font);
    p.text(middle + 280, seals.top - 50, text::gbk("检验单位章＊"), font);
    FitItem user{{seals.left + 10, seals.top - 120, middle - 10, seals.bottom}, fmt(text::gbk("盖章日期：%s"), text(40))};
    FitItem inspectionBody{{middle + 10, seals.top - 120, seals.right - 10, seals.bottom},
                           fmt(text::gbk("盖章日期：%s"), text(41))};
    user.field = text::gbk("使用单位盖章日期");
    inspectionBody.field = text::gbk("检验单位盖章日期");
    p.fittedGroup({user, inspectionBody});
    g.close();
    p.text(kFormLeft, g.bottom() - 30, text::gbk("注＊：使用单位委托检验单位进行在线检验时，须加盖检验单位章"), font);
}

}  // namespace tubra::report
