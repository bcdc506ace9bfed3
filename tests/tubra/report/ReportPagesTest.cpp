// The report pages drawn on the recording canvas: geometry of the thickness form, fonts,
// outlines, wrapping, check boxes, stacking, and every field of the data on its page without
// any text crossing a table line.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "platform/RecordingCanvas.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Document.h"
#include "tubra/report/Install.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/ViewPages.h"

using namespace tubra::report;
using platform::CallKind;
using platform::RecordingCanvas;

namespace {

using text::gbk;

RecordingCanvas::Options deviceOptions(bool printer) {
    RecordingCanvas::Options o;
    o.printer = printer;
    return o;
}

// Every page index a view can show one page of.
const std::vector<int> kSinglePages = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 23, 24, 25, 26};

// A unique short tag for field k of the section on page p: "G12x".
std::string tag(int page, std::size_t k) { return text::format("%c%dx", 'A' + page, static_cast<int>(k)); }

template <typename Texts>
void tagTexts(Texts& texts, int page, std::vector<std::string>& expected, std::size_t skipFrom = 1000) {
    for (std::size_t k = 0; k < texts.size(); ++k) {
        texts[k] = tag(page, k);
        if (k < skipFrom) expected.push_back(tag(page, k));
    }
}

// A report with a unique tag in every field, and per page the tags it must show.
struct TaggedReport {
    InspectionReport r;
    std::map<int, std::vector<std::string>> expected;

    TaggedReport() {
        auto& e = expected;
        tagTexts(r.Face_ReportData.texts, 0, e[0], 9);  // 管道级别 is not on the cover
        e[6].push_back(tag(0, 9));  // 管道级别 and 管道编号 on the thickness form
        e[6].push_back(tag(0, 5));
        e[2].push_back(tag(0, 7));  // report number in the four-field header
        for (int i = 0; i < 16; ++i) {
            r.Mulu_ReportData.pages[static_cast<std::size_t>(i)] = 100 + i;
            r.Mulu_ReportData.flags[static_cast<std::size_t>(i)] = i % 3 == 0;
            e[1].push_back(std::to_string(100 + i));
        }
        tagTexts(r.JieLun_ReportData.texts, 2, e[2]);
        tagTexts(r.HuiZong_ReportData.texts, 3, e[3]);
        for (std::size_t i = 0; i < 23; ++i) r.HuiZong_ReportData.grades[i] = static_cast<int>(i % 5);
        tagTexts(r.ShengCha_ReportData.texts, 4, e[4]);
        tagTexts(r.HongGuan_ReportData.texts, 5, e[5]);
        tagTexts(r.CeHou_ReportData.texts, 6, e[6]);
        tagTexts(r.CiFeng_ReportData.texts, 7, e[7]);
        tagTexts(r.ShenTou_ReportData.texts, 8, e[8]);
        tagTexts(r.SheXian_ReportData.texts, 9, e[9]);
        tagTexts(r.ChaoShen_ReportData.texts, 10, e[10]);
        tagTexts(r.FengXi_ReportData.texts, 11, e[11]);
        r.FengXi_ReportData.note = "Lnote1x\r\nLnote2x";
        e[11].insert(e[11].end(), {"Lnote1x", "Lnote2x"});
        tagTexts(r.YingDu_ReportData.texts, 12, e[12]);
        r.YingDu_ReportData.note = "Mnotex";
        e[12].push_back("Mnotex");
        tagTexts(r.JinXiang_ReportData.texts, 13, e[13]);
        r.JinXiang_ReportData.note = "Nnotex";
        r.metallographImages.append({"Nimg1x", "Nfile1x.bmp"});
        e[13].insert(e[13].end(), {"Nnotex", "Nimg1x", "Nfile1x.bmp"});
        tagTexts(r.NaiYa_ReportData.texts, 14, e[14], 16);  // 16..22 are reserved
        r.NaiYa_ReportData.note = "Onotex";
        e[14].push_back("Onotex");
        tagTexts(r.QiMi_ReportData.texts, 15, e[15], 16);
        r.QiMi_ReportData.note = "Pnotex";
        e[15].push_back("Pnotex");
        tagTexts(r.FuShu_ReportData.texts, 16, e[16]);
        tagTexts(r.JianXiu_ReportData.texts, 17, e[17]);

        for (int i = 0; i < 3; ++i) {
            r.thicknessPoints.append({text::format("T%dx", i), 4.5f + static_cast<float>(i)});
            r.magneticDefects.append({text::format("M%dx", i), 1.25f, text::format("m%dx", i)});
            r.penetrantDefects.append({text::format("P%dx", i), 2.5f});
            r.radiographDefects.append({text::format("F%dx", i), text::format("R%dx", i), text::format("N%dx", i),
                                        3.25f, 0.5f, text::format("G%dx", i), text::format("K%dx", i)});
            r.ultrasonicDefects.append({text::format("U%dx", i), 6.5f, 7.25f, 8.75f, text::format("Z%dx", i),
                                        text::format("Y%dx", i), text::format("W%dx", i)});
            r.hardnessPoints.append({text::format("H%dx", i), text::format("L%dx", i)});
            e[6].insert(e[6].end(), {text::format("T%dx", i), text::format("%6.2f", 4.5 + i)});
            e[7].insert(e[7].end(), {text::format("M%dx", i), text::format("m%dx", i), "  1.25"});
            e[8].insert(e[8].end(), {text::format("P%dx", i), "  2.50"});
            e[9].insert(e[9].end(), {text::format("F%dx", i), text::format("R%dx", i), text::format("N%dx", i),
                                     "3.25", "0.50", text::format("G%dx", i), text::format("K%dx", i)});
            // "%-7.2f": the blanks after the number take no room in its cell.
            e[10].insert(e[10].end(), {text::format("U%dx", i), "6.50", "7.25", "8.75",
                                       text::format("Z%dx", i), text::format("Y%dx", i), text::format("W%dx", i)});
            e[12].insert(e[12].end(), {text::format("H%dx", i), text::format("L%dx", i)});
        }

        tagTexts(r.Face_IReportData.texts, 23, e[23]);
        r.Face_IReportData.dates = {2001, 2, 2003, 4, 2005, 6, 2007, 8, 2002, 3, 2004, 5, 2006, 7, 2008, 9, 2010, 11, 12};
        for (int y : {2001, 2002, 2003, 2004, 2005, 2006, 2007, 2008, 2010}) e[23].push_back(std::to_string(y));
        tagTexts(r.DengJi_IReportData.texts, 24, e[24]);
        r.DengJi_IReportData.note = "Ynotex";
        e[24].push_back("Ynotex");
        tagTexts(r.CeHou_IReportData.texts, 25, e[25]);
        r.CeHou_IReportData.note = "Znotex";
        e[25].push_back("Znotex");
        tagTexts(r.JianYan_IReportData.texts, 26, e[26]);
        for (std::size_t i = 0; i < 4; ++i) {
            r.JianYan_IReportData.notes[i] = text::format("Qn%dx", static_cast<int>(i));
            e[26].push_back(text::format("Qn%dx", static_cast<int>(i)));
        }
    }
};

std::string allTexts(const RecordingCanvas& c) {
    std::string all;
    for (const std::string& t : c.texts()) all += t + "\n";
    return all;
}

std::vector<platform::CanvasCall> textCalls(const RecordingCanvas& c) { return c.callsOf(CallKind::TextOut); }

// The box a recorded text covers: left, top, right, bottom (recording metrics: every byte is
// one average character wide).
platform::Rect textBox(const platform::CanvasCall& call) {
    RecordingCanvas probe;
    probe.setFont(call.state.font);
    const auto m = probe.textMetrics();
    const platform::Point p = call.points[0];
    return {p.x, p.y, p.x + static_cast<int>(call.text.size()) * m.aveCharWidth, p.y - m.height};
}

// Texts must not cross any horizontal or vertical line of the page, nor leave the margins.
void expectTextsClearOfLines(const RecordingCanvas& c, int page, int offset = 0) {
    std::vector<platform::DrawnSegment> lines;
    for (const auto& s : c.segments()) {
        const bool axis = s.from.x == s.to.x || s.from.y == s.to.y;
        // Check boxes and ticks are small and placed on blanks; the outline is the margin.
        const int length = std::abs(s.to.x - s.from.x) + std::abs(s.to.y - s.from.y);
        if (axis && length > 30) lines.push_back(s);
    }
    for (const auto& call : textCalls(c)) {
        const platform::Rect b = textBox(call);
        const std::string where = " page " + std::to_string(page) + " text '" + text::gbkToUtf8(call.text) + "'";
        EXPECT_GE(b.left, kMarginRect.left) << where;
        EXPECT_LE(b.right, kMarginRect.right) << where;
        EXPECT_LE(b.top, kMarginRect.top - offset) << where;
        EXPECT_GE(b.bottom, kMarginRect.bottom - offset) << where;
        // The forms end above the page number.
        if (call.points[0].x != kPageNumberPosition.x) {
            EXPECT_GE(b.bottom, kFormBottomLimit - offset) << where;
        }
        for (const auto& s : lines) {
            if (s.from.x == s.to.x) {
                const int lo = std::min(s.from.y, s.to.y), hi = std::max(s.from.y, s.to.y);
                const bool overlapsY = lo < b.top && hi > b.bottom;
                EXPECT_FALSE(overlapsY && s.from.x > b.left && s.from.x < b.right)
                    << where << " crosses the line x=" << s.from.x;
            } else {
                const int lo = std::min(s.from.x, s.to.x), hi = std::max(s.from.x, s.to.x);
                const bool overlapsX = lo < b.right && hi > b.left;
                EXPECT_FALSE(overlapsX && s.from.y < b.top && s.from.y > b.bottom)
                    << where << " crosses the line y=" << s.from.y;
            }
        }
    }
}

std::unique_ptr<RecordingCanvas> drawn(const InspectionReport& r, int page, bool printer = false,
                                       const tubra::model::CharacteristicTable& table = {}) {
    auto c = std::make_unique<RecordingCanvas>(deviceOptions(printer));
    drawReportPages(*c, r, table, page);
    return c;
}

// Fills every text of the report to its capacity with two-byte characters.
template <typename Texts>
void fillFull(Texts& texts) {
    std::string s;
    for (int i = 0; i < 200; ++i) s += gbk(i % 2 ? "管" : "道");
    for (auto& t : texts) t = s;  // cut to each field's capacity
}

}  // namespace

TEST(ReportPages, EveryFieldAppearsOnItsPage) {
    const TaggedReport tagged;
    for (int page : kSinglePages) {
        const auto cp = drawn(tagged.r, page);
        const RecordingCanvas& c = *cp;
        const std::string all = allTexts(c);
        const auto it = tagged.expected.find(page);
        ASSERT_NE(it, tagged.expected.end()) << page;
        for (const std::string& t : it->second)
            EXPECT_NE(all.find(t), std::string::npos) << "page " << page << " lacks " << t;
        EXPECT_NE(all.find(gbk(pageTitle(page))), std::string::npos) << page;
        expectTextsClearOfLines(c, page);
    }
}

TEST(ReportPages, FullTextsStayInsideTheirCells) {
    InspectionReport r;
    fillFull(r.Face_ReportData.texts);
    fillFull(r.JieLun_ReportData.texts);
    fillFull(r.HuiZong_ReportData.texts);
    fillFull(r.ShengCha_ReportData.texts);
    fillFull(r.HongGuan_ReportData.texts);
    fillFull(r.CeHou_ReportData.texts);
    fillFull(r.CiFeng_ReportData.texts);
    fillFull(r.ShenTou_ReportData.texts);
    fillFull(r.SheXian_ReportData.texts);
    fillFull(r.ChaoShen_ReportData.texts);
    fillFull(r.FengXi_ReportData.texts);
    fillFull(r.YingDu_ReportData.texts);
    fillFull(r.JinXiang_ReportData.texts);
    fillFull(r.NaiYa_ReportData.texts);
    fillFull(r.QiMi_ReportData.texts);
    fillFull(r.FuShu_ReportData.texts);
    fillFull(r.JianXiu_ReportData.texts);
    fillFull(r.Face_IReportData.texts);
    fillFull(r.DengJi_IReportData.texts);
    fillFull(r.CeHou_IReportData.texts);
    fillFull(r.JianYan_IReportData.texts);
    std::string longNote;
    for (int i = 0; i < 30; ++i) longNote += gbk("很长的说明文字") + (i % 4 == 3 ? "\r\n" : "");
    r.FengXi_ReportData.note = longNote;
    r.YingDu_ReportData.note = longNote;
    r.JinXiang_ReportData.note = longNote;
    r.NaiYa_ReportData.note = longNote;
    r.QiMi_ReportData.note = longNote;
    r.DengJi_IReportData.note = longNote;
    r.CeHou_IReportData.note = longNote;
    for (auto& n : r.JianYan_IReportData.notes) n = longNote;
    r.JianYan_IReportData.states.fill(1);
    r.HongGuan_ReportData.states.fill(1);
    const std::string word = std::string(gbk("焊缝")) + std::string(15, 'X');
    for (int i = 0; i < 44; ++i) {
        r.thicknessPoints.append({std::string(11, '9'), 99999.99f});
        r.magneticDefects.append({word, 12345.5f, word});
        r.penetrantDefects.append({word, 12345.5f});
        r.radiographDefects.append({word, word, word, 12345.5f, 12345.5f, word, word});
        r.ultrasonicDefects.append({word, 12345.5f, 12345.5f, 12345.5f, word, word, word});
        r.hardnessPoints.append({word, word});
    }
    r.metallographImages.append({std::string(255, 'a'), std::string(255, 'b')});
    tubra::model::CharacteristicTable table;
    for (auto& v : table.values) v = std::string(40, 'Q');
    for (bool printer : {false, true})
        for (int page : kSinglePages) expectTextsClearOfLines(*drawn(r, page, printer, table), page);
}

TEST(ReportPages, EmptyFormsAreDrawnWhole) {
    // A page shown with no data is the blank form: its grid, labels and blank date phrases.
    InspectionReport r;
    for (int page : kSinglePages) {
        const auto cp = drawn(r, page);
        const RecordingCanvas& c = *cp;
        EXPECT_GT(c.segments().size(), 4u) << page;
        EXPECT_NE(allTexts(c).find(gbk(pageTitle(page))), std::string::npos) << page;
    }
    EXPECT_NE(allTexts(*drawn(r, kThicknessPage)).find(gbk("检验日期：") + blankDatePhrase()), std::string::npos);
    // Shown in a stack, every flagged form is there with its blank grid.
    r.PrintSet_ReportData.flags.fill(1);
    EXPECT_EQ(CountPrintPages(r, kAllFullPages), 17);
    RecordingCanvas::Options tall = deviceOptions(true);
    tall.deviceSize = {2100, 17 * 2900};
    RecordingCanvas stack(tall);
    tubra::report::InspectionReportPages().prepare(r, kAllFullPages);
    tubra::report::InspectionReportPages().paint(r, kAllFullPages, {}, stack);
    const std::string all = allTexts(stack);
    for (int page = kCoverPage; page <= kLastFormPage; ++page)
        EXPECT_NE(all.find(gbk(pageTitle(page))), std::string::npos) << page;
    EXPECT_NE(allTexts(*drawn(r, kReviewPage)).find(blankDatePhrase()), std::string::npos);
}

TEST(ReportPages, ThicknessFormFollowsItsLayout) {
    InspectionReport r;
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({std::to_string(i + 1), 10.0f + static_cast<float>(i) / 4});
    const auto cp = drawn(r, kThicknessPage, true);
        const RecordingCanvas& c = *cp;

    // The outer frame: 11 rows of 90 and 18 of 60 from the form top, 1600 wide, pen 4.
    bool frame = false;
    for (const auto& call : c.callsOf(CallKind::Polyline)) {
        if (call.state.pen.width != 4) continue;
        const auto& p = call.points;
        if (p.size() == 5 && p[0] == platform::Point{270, -500} && p[2] == platform::Point{1870, -500 - 990 - 1080})
            frame = true;
    }
    EXPECT_TRUE(frame);
    // Row lines (pen 2) at every header row and record row.
    std::vector<int> ys;
    for (const auto& s : c.segmentsWithPen(kInnerPen))
        if (s.from.y == s.to.y && s.from.x == 270 && s.to.x == 1870) ys.push_back(s.from.y);
    // Six header rows, the sketch box four rows high, the heading row.
    for (int k : {1, 2, 3, 4, 5, 6, 10}) EXPECT_NE(std::find(ys.begin(), ys.end(), -500 - 90 * k), ys.end()) << k;
    for (int k : {7, 8, 9}) EXPECT_EQ(std::find(ys.begin(), ys.end(), -500 - 90 * k), ys.end()) << k;
    for (int k = 0; k <= 11; ++k) EXPECT_NE(std::find(ys.begin(), ys.end(), -1490 - 60 * k), ys.end()) << k;
    // Column pairs parted by a second line.
    for (int x : {670, 1070, 1470}) {
        EXPECT_FALSE(c.segmentsWhere([&](const platform::DrawnSegment& s) {
                        return s.from.x == x && s.to.x == x && s.from.y == -1400;
                    }).empty())
            << x;
        EXPECT_FALSE(c.segmentsWhere([&](const platform::DrawnSegment& s) {
                        return s.from.x == x - 6 && s.to.x == x - 6;
                    }).empty())
            << x;
    }
    // Points fill the first pair's 11 rows, then the next pair: point 12 heads the second pair.
    std::map<std::string, platform::Point> at;
    for (const auto& call : textCalls(c)) at[call.text] = call.points[0];
    ASSERT_TRUE(at.count("1") && at.count("11") && at.count("12") && at.count("44"));
    EXPECT_LT(at["1"].x, 470);
    EXPECT_GT(at["1"].y, -1490 - 60);
    EXPECT_LT(at["11"].y, -1490 - 600);
    EXPECT_GT(at["12"].x, 670);
    EXPECT_LT(at["12"].x, 870);
    EXPECT_EQ(at["12"].y, at["1"].y);
    EXPECT_TRUE(at.count(" 10.00") && at.count(" 20.75"));
    EXPECT_EQ(at.count("45"), 0u);  // the second sheet's points are not on the first
    EXPECT_TRUE(at.count(gbk("测厚点部位图:")));
    EXPECT_TRUE(at.count(gbk("(另可附页)")));
    EXPECT_EQ(at.count(gbk("装置名称：")), 0u);  // only the report number above the table

    r.thicknessPoints.currentSubPage = 1;
    const std::string second = allTexts(*drawn(r, kThicknessPage));
    EXPECT_NE(second.find("\n45\n"), std::string::npos);
    EXPECT_NE(second.find("\n50\n"), std::string::npos);
    EXPECT_EQ(second.find("\n44\n"), std::string::npos);
    // A sheet beyond the list is an empty table.
    r.thicknessPoints.currentSubPage = 7;
    EXPECT_EQ(allTexts(*drawn(r, kThicknessPage)).find("\n1\n"), std::string::npos);
}

TEST(ReportPages, TableFontIs32OnScreenAnd35OnPaper) {
    InspectionReport r;
    for (bool printer : {false, true}) {
        const auto cp = drawn(r, kThicknessPage, printer);
        const RecordingCanvas& c = *cp;
        int found = 0;
        for (const auto& call : textCalls(c)) {
            if (call.text != gbk("测点编号")) continue;
            ++found;
            EXPECT_EQ(call.state.font.height, printer ? 35 : 32);
            EXPECT_EQ(call.state.font.face, gbk("宋体"));
            EXPECT_EQ(call.state.font.weight, 500);
        }
        EXPECT_EQ(found, 4);
        for (const auto& call : textCalls(c))
            if (call.text == gbk(pageTitle(kThicknessPage))) {
                EXPECT_EQ(call.state.font.height, 70);
                EXPECT_EQ(call.state.font.face, gbk("黑体"));
            }
    }
    EXPECT_EQ(tableNumberFont(false).face, "arail");
    EXPECT_EQ(tableNumberFont(false).width, 14);
    EXPECT_EQ(tableNumberFont(true).height, 35);
}

TEST(ReportPages, OutlinesAndPaperOnTheScreenOnly) {
    InspectionReport r;
    const auto outlines = [](const RecordingCanvas& c) {
        int n = 0;
        for (const auto& call : c.callsOf(CallKind::Polyline))
            if (call.points.size() == 5 && call.points[0] == platform::Point{50, -50} &&
                call.points[2] == platform::Point{2050, -2850})
                ++n;
        return n;
    };
    EXPECT_EQ(outlines(*drawn(r, kCoverPage, false)), 1);
    EXPECT_EQ(outlines(*drawn(r, kCoverPage, true)), 0);
    EXPECT_EQ(drawn(r, kCoverPage, false)->count(CallKind::FillRect), 1u);
    EXPECT_EQ(drawn(r, kCoverPage, true)->count(CallKind::FillRect), 0u);
    // A page index that names nothing: only the outline on the screen.
    EXPECT_EQ(outlines(*drawn(r, kNoPage, false)), 1);
    EXPECT_TRUE(drawn(r, kNoPage, true)->calls().empty());
}

TEST(ReportPages, StackedSheetsLieOnePageApartWithTheirNumbers) {
    InspectionReport r;
    r.PrintSet_ReportData.flags.fill(0);
    for (int p : {kCoverPage, kContentsPage, kConclusionPage, kThicknessPage}) r.PrintSet_ReportData.flags[p] = 1;
    r.PrintSet_ReportData.start = 5;
    for (int i = 0; i < 50; ++i) r.thicknessPoints.append({std::to_string(i + 1), 1.0f});
    r.thicknessPoints.currentSubPage = 1;

    RecordingCanvas::Options tall = deviceOptions(false);
    tall.deviceSize = {2100, 5 * 2900};  // the whole stack in view
    RecordingCanvas screen(tall);
    tubra::report::InspectionReportPages().prepare(r, kAllFullPages);
    tubra::report::InspectionReportPages().paint(r, kAllFullPages, {}, screen);
    std::map<std::string, platform::Point> numbers;
    int outlines = 0;
    for (const auto& call : screen.callsOf(CallKind::Polyline))
        if (call.points.size() == 5 && call.points[0].x == 50) ++outlines;
    for (const auto& call : textCalls(screen))
        if (call.points[0].x == kPageNumberPosition.x) numbers[call.text] = call.points[0];
    EXPECT_EQ(outlines, 5);
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(numbers["5"].y, kPageNumberPosition.y - 2 * 2900);
    EXPECT_EQ(numbers["6-1"].y, kPageNumberPosition.y - 3 * 2900);
    EXPECT_EQ(numbers["6-2"].y, kPageNumberPosition.y - 4 * 2900);
    // Both sheets of the list: point 45 on the fifth page, and the list back on its first sheet.
    bool point45 = false;
    for (const auto& call : textCalls(screen))
        if (call.text == "45") point45 = call.points[0].y < -4 * 2900 && call.points[0].y > -5 * 2900;
    EXPECT_TRUE(point45);
    EXPECT_EQ(r.thicknessPoints.currentSubPage, 0);
    EXPECT_EQ(tubra::report::InspectionReportPages().countPrintPages(r, kAllFullPages), 5);

    // The printer gets the same sheets without outlines.
    tall.printer = true;
    RecordingCanvas printer(tall);
    tubra::report::InspectionReportPages().prepare(r, kAllFullPages);
    tubra::report::InspectionReportPages().paint(r, kAllFullPages, {}, printer);
    for (const auto& call : printer.callsOf(CallKind::Polyline)) EXPECT_NE(call.points[0].x, 50);
    EXPECT_EQ(textCalls(printer).size(), textCalls(screen).size());

    // A device that shows one sheet gets only that sheet's drawing: the fourth here.
    RecordingCanvas::Options one = deviceOptions(true);
    one.deviceSize = {2100, 2900};
    RecordingCanvas fourth(one);
    fourth.setWindowOrigin({0, -3 * 2900});
    tubra::report::InspectionReportPages().prepare(r, kAllFullPages);
    tubra::report::InspectionReportPages().paint(r, kAllFullPages, {}, fourth);
    std::vector<std::string> labels;
    for (const auto& call : textCalls(fourth)) {
        EXPECT_LE(call.points[0].y, -3 * 2900);
        EXPECT_GE(call.points[0].y, -4 * 2900);
        if (call.points[0].x == kPageNumberPosition.x) labels.push_back(call.text);
    }
    EXPECT_EQ(labels, std::vector<std::string>{"6-1"});
}

TEST(ReportPages, HeaderFieldsByTitle) {
    InspectionReport r;
    r.Face_ReportData.texts[3] = "DEVx";
    r.Face_ReportData.texts[5] = "NUMx";
    r.Face_ReportData.texts[7] = "REPx";
    tubra::model::CharacteristicTable table;
    table.values[0] = "NAMEx";
    const auto at = [&](int page) {
        std::map<std::string, platform::Point> m;
        for (const auto& call : textCalls(*drawn(r, page, false, table))) m[call.text] = call.points[0];
        return m;
    };
    for (int page : {kConclusionPage, kSummaryPage}) {
        auto m = at(page);
        EXPECT_EQ(m[gbk("装置名称：") + "DEVx"], (platform::Point{270, -390})) << page;
        EXPECT_EQ(m[gbk("管道编号：") + "NUMx"], (platform::Point{270, -440})) << page;
        EXPECT_EQ(m[gbk("管道名称：") + "NAMEx"], (platform::Point{1150, -390})) << page;
        EXPECT_EQ(m[gbk("报告编号：") + "REPx"], (platform::Point{1150, -440})) << page;
    }
    auto m = at(kReviewPage);
    EXPECT_EQ(m[gbk("报告编号：") + "REPx"], (platform::Point{1150, -440}));
    EXPECT_EQ(m.count(gbk("装置名称：") + "DEVx"), 0u);
    for (int page : {kOnlineRegisterPage, kOnlineThicknessPage}) EXPECT_EQ(at(page).count(gbk("报告编号：") + "REPx"), 0u);
    // The title is centred in its band by byte length x average width (recording: 35 per byte).
    const std::string title = gbk(pageTitle(kReviewPage));
    EXPECT_EQ(m[title], (platform::Point{270 + (1400 - static_cast<int>(title.size()) * 35) / 2 + 70, -500 + 70 + 200}));
}

TEST(ReportPages, WrappingNeverSplitsATwoByteCharacter) {
    // Byte 40 is the first half of "中": the line ends with a blank, the next starts with it.
    const std::string text = std::string(39, 'a') + gbk("中文字");
    const auto lines = wrapParagraph(text, 40);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, std::string(39, 'a') + " ");
    EXPECT_EQ(lines[1].text, gbk("中文字"));
    EXPECT_EQ(lines[1].start, 39u);

    // Whole characters at the cut stay on their line.
    const auto even = wrapParagraph(std::string(38, 'a') + gbk("中文"), 40);
    EXPECT_EQ(even[0].text, std::string(38, 'a') + gbk("中"));
    EXPECT_EQ(even[1].text, gbk("文"));
    // A run of two-byte characters after an odd number of single bytes.
    const auto odd = wrapParagraph("a" + gbk("一二三四五"), 4);
    EXPECT_EQ(odd[0].text, "a" + gbk("一") + " ");
    EXPECT_EQ(odd[1].text, gbk("二三"));

    // Paragraphs at CR LF, each wrapped; an empty paragraph is an empty line.
    const auto block = wrapText("ab\r\n\r\ncd", 10);
    ASSERT_EQ(block.size(), 3u);
    EXPECT_EQ(block[1].text, "");
    EXPECT_EQ(block[2].text, "cd");
    EXPECT_EQ(block[2].start, 6u);

    // Drawn one line step apart, returning the y below the last line.
    RecordingCanvas c;
    InspectionReport r;
    PagePainter p(c, r, {});
    EXPECT_EQ(p.wrapped(text, 100, -200, 50, 40, tableFont(false)), -300);
    const auto calls = textCalls(c);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].points[0], (platform::Point{100, -250}));
}

TEST(ReportPages, CheckBoxesSitOnTheirOptionsAndTicksFollowTheStates) {
    InspectionReport r;
    r.HongGuan_ReportData.states[1] = 1;  // 管道位置: 碰撞
    r.HongGuan_ReportData.states[3] = 1;  // 管道结构: 正常
    const auto cp = drawn(r, kVisualPage);
        const RecordingCanvas& c = *cp;
    // Boxes are 25 x 24 outlines; ticks are three strokes of three points each.
    int boxes = 0, ticks = 0;
    for (const auto& call : c.callsOf(CallKind::Polyline)) {
        if (call.points.size() == 5 && call.points[1].x - call.points[0].x == 25 &&
            call.points[0].y - call.points[2].y == 24)
            ++boxes;
        if (call.points.size() == 3) ++ticks;
    }
    EXPECT_EQ(boxes, 92);
    EXPECT_EQ(ticks, 2 * 3);
    // Every option of the visual inspection, counted from the option texts.
    int options = 0;
    for (const auto& item : visualInspectionItems()) {
        const std::string o = gbk(item.options);
        for (int k = 0; optionOffset(o, k) != std::string::npos; ++k) ++options;
    }
    EXPECT_EQ(options, 92);
    int documents = 0;
    for (auto line : onlineSourceDocumentLines())
        for (int k = 0; optionOffset(gbk(line), k) != std::string::npos; ++k) ++documents;
    EXPECT_EQ(documents, 13);

    // A box lies where its two blanks are: by byte offset x average width from the line start.
    const std::string opts = gbk("  正常；  碰撞；  摩擦");
    EXPECT_EQ(optionOffset(opts, 0), 0u);
    EXPECT_EQ(optionOffset(opts, 1), 8u);
    EXPECT_EQ(optionOffset(opts, 2), 16u);
    EXPECT_EQ(optionOffset(opts, 3), std::string::npos);
    RecordingCanvas one;
    PagePainter p(one, r, {});
    p.optionLines(opts, 300, -600, 40, 60, tableFont(false), {0, 1, 0});
    std::vector<int> boxX;
    for (const auto& call : one.callsOf(CallKind::Polyline))
        if (call.points.size() == 5) boxX.push_back(call.points[0].x);
    EXPECT_EQ(boxX, (std::vector<int>{302, 302 + 8 * 16, 302 + 16 * 16}));
    // Words start after their blanks.
    const auto words = textCalls(one);
    ASSERT_EQ(words.size(), 3u);
    EXPECT_EQ(words[1].text, gbk("碰撞；"));
    EXPECT_EQ(words[1].points[0].x, 300 + 10 * 16);
}

TEST(ReportPages, ContentsMarksNotInspectedRowsAndKeepsValidNumbers) {
    InspectionReport r;
    r.Mulu_ReportData.flags[2] = 1;
    r.Mulu_ReportData.pages[0] = 7;
    r.Mulu_ReportData.pages[1] = 999;  // out of range: not printed
    r.Mulu_ReportData.pages[2] = -3;
    const auto cp = drawn(r, kContentsPage);
        const RecordingCanvas& c = *cp;
    int crosses = 0;
    for (const auto& call : textCalls(c))
        if (call.text == gbk("×") && call.points[0].x == 270 + 20) ++crosses;
    EXPECT_EQ(crosses, 1);
    const std::string all = allTexts(c);
    EXPECT_NE(all.find("\n7\n"), std::string::npos);
    EXPECT_EQ(all.find("999"), std::string::npos);
    EXPECT_EQ(all.find("-3"), std::string::npos);
    EXPECT_NE(all.find(gbk("在用工业管道单线图")), std::string::npos);
    EXPECT_NE(all.find(gbk("    并在此目录的序号上打×")), std::string::npos);

    // The conclusion lists the inspected items, the others left out.
    const std::string conclusion = allTexts(*drawn(r, kConclusionPage));
    EXPECT_NE(conclusion.find("(1) (2) (4) (5)"), std::string::npos);
    EXPECT_EQ(conclusion.find("(3)"), std::string::npos);
}

// ---------------------------------------------------------------------------------------------
// Fitting the values

namespace {

// The font height of the first recorded text that starts with `prefix`.
int heightOf(const RecordingCanvas& c, const std::string& prefix) {
    for (const auto& call : textCalls(c))
        if (call.text.rfind(prefix, 0) == 0) return call.state.font.height;
    return 0;
}

std::string repeated(std::string_view utf8, std::size_t bytes) {
    std::string s;
    while (s.size() < bytes) s += gbk(utf8);
    return s.substr(0, text::gbkCutLength(s, bytes));
}

}  // namespace

TEST(ReportPages, TheValuesOfARowAndTheLabelsOfAGroupShareOneSize) {
    InspectionReport r;
    // Form (3), first row: a short value beside a long one; both print in the long one's size.
    r.ShengCha_ReportData.texts[0] = "SHORTx";
    r.ShengCha_ReportData.texts[1] = "LONGx" + repeated("管道名称很长", 120);
    r.ShengCha_ReportData.texts[2] = "OTHERx";  // the next row keeps the full size
    const auto review = drawn(r, kReviewPage, true);
    EXPECT_LT(heightOf(*review, "SHORTx"), kPrinterTableHeight);
    EXPECT_EQ(heightOf(*review, "SHORTx"), heightOf(*review, "LONGx"));
    EXPECT_EQ(heightOf(*review, "OTHERx"), kPrinterTableHeight);
    // Form (2): the four group labels down the side in one size.
    const auto summary = drawn(r, kSummaryPage, true);
    std::set<int> sizes;
    for (const char* group : {"管道材料", "管子焊", "组成件", "附属设施"}) sizes.insert(heightOf(*summary, gbk(group)));
    EXPECT_EQ(sizes.size(), 1u);
    EXPECT_NE(*sizes.begin(), 0);
    // Form (1): the four header fields in one size, whichever is long.
    r.Face_ReportData.texts[3] = repeated("装置", 49);
    const auto conclusion = drawn(r, kConclusionPage, true);
    EXPECT_EQ(heightOf(*conclusion, gbk("管道编号：")), heightOf(*conclusion, gbk("装置名称：")));
    EXPECT_EQ(heightOf(*conclusion, gbk("报告编号：")), heightOf(*conclusion, gbk("装置名称：")));
}

TEST(ReportPages, ALongValueShowsItsBeginningAtItsSizeAndContinuesTheRest) {
    InspectionReport r;
    const std::string value = repeated("检验记录2024年5月12日按JB/T4730.4-2005复检合格，", 249);
    r.ShengCha_ReportData.texts[12] = value;  // 设计单位
    RecordingCanvas::Options tall = deviceOptions(true);
    tall.deviceSize = {2100, 2 * 2900};
    RecordingCanvas c(tall);
    drawReportPages(c, r, {}, kReviewPage);
    ASSERT_EQ(CountPrintPages(r, kReviewPage), 2);
    // On the form: the beginning of the value and the mark, at the size of its neighbours (not
    // shrunk to the smallest: the rest is continued anyway).
    bool marked = false;
    std::string shown;
    for (const auto& call : textCalls(c)) {
        if (call.points[0].y > -2900 && call.text.find(continuedMark()) != std::string::npos) {
            marked = true;
            EXPECT_EQ(call.state.font.height, kPrinterTableHeight);
        }
    }
    EXPECT_TRUE(marked);
    // On the continuation sheet: the title, the label and the rest of the value, which goes on
    // from where the form stopped (a word cut short starts again whole).
    std::string sheet, continuation;
    for (const auto& call : textCalls(c)) {
        if (call.points[0].y < -2900) sheet += call.text;
        if (call.points[0].y < -2900 + kFormTop) continuation += call.text;
    }
    EXPECT_NE(sheet.find(gbk("(3)在用工业管道原始资料审查报告（续页）")), std::string::npos) << text::gbkToUtf8(sheet);
    EXPECT_NE(continuation.find(gbk("设计单位（续）")), std::string::npos);
    std::string compact = continuation, whole = r.ShengCha_ReportData.texts[12].str();
    std::erase(compact, ' ');
    std::erase(whole, ' ');
    EXPECT_NE(compact.find(whole.substr(whole.size() - 60)), std::string::npos);
    EXPECT_EQ(compact.find(whole), std::string::npos);  // only the rest, not the value again
    // Each sheet's texts inside its cells.
    for (int sheet = 0; sheet < 2; ++sheet) {
        RecordingCanvas::Options one = deviceOptions(true);
        one.deviceSize = {2100, 2900};
        RecordingCanvas s(one);
        s.setWindowOrigin({0, -sheet * 2900});
        drawReportPages(s, r, {}, kReviewPage);
        expectTextsClearOfLines(s, kReviewPage, sheet * 2900);
    }
}

// A page and its one continuation sheet drawn for the printer: the texts of each, joined by '|';
// `check` sees every text call of the page.
template <class Check>
std::pair<std::string, std::string> pageAndContinuation(const InspectionReport& r, int pageIndex, Check&& check) {
    RecordingCanvas::Options tall = deviceOptions(true);
    tall.deviceSize = {2100, 2 * 2900};
    RecordingCanvas c(tall);
    drawReportPages(c, r, {}, pageIndex);
    EXPECT_EQ(CountPrintPages(r, pageIndex), 2);
    std::string page, continuation;
    for (const auto& call : textCalls(c)) {
        if (call.points[0].y > -2900) {
            page += call.text + "|";
            check(call);
        } else {
            continuation += call.text + "|";
        }
    }
    return {page, continuation};
}

TEST(ReportPages, OneLineOverALimitKeepsThePageLinesAtTheirSize) {
    // A 7-line 评定意见 (the form shows 6): the six lines at the table size, whole; the seventh
    // on the continuation sheet.
    InspectionReport r;
    std::string seven;
    for (int k = 1; k <= 7; ++k) seven += (k > 1 ? "\r\n" : "") + text::format("Line%d", k) + gbk("意见");
    r.YingDu_ReportData.note = seven;
    const auto [page, continuation] = pageAndContinuation(r, kHardnessPage, [](const auto& call) {
        if (call.text.rfind("Line", 0) == 0) {
            EXPECT_EQ(call.state.font.height, kPrinterTableHeight) << call.text;
        }
    });
    for (int k = 1; k <= 6; ++k) EXPECT_NE(page.find(text::format("Line%d", k) + gbk("意见")), std::string::npos) << k;
    EXPECT_EQ(page.find("Line7"), std::string::npos);
    EXPECT_NE(continuation.find("Line7"), std::string::npos);
    EXPECT_EQ(continuation.find("Line6"), std::string::npos);
}

TEST(ReportPages, ACodeLongerThanItsColumnGoesOnWhole) {
    // A standard's code as the grade of a radiograph defect (a narrow column): never parted in
    // the middle of its number on the form, whole on the continuation sheet.
    InspectionReport r;
    RadiographDefect d;
    d.filmNumber = "F1";
    d.grade = "TSGD7005-2018-A1B";
    r.radiographDefects.append(d);
    const auto [page, continuation] = pageAndContinuation(r, kRadiographPage, [](const auto&) {});
    // The cell shows the mark alone: no piece of the code to be read as the grade.
    EXPECT_EQ(page.find("TSGD"), std::string::npos) << text::gbkToUtf8(page);
    EXPECT_NE(page.find(continuedMark()), std::string::npos);
    // Named by its column's heading.
    EXPECT_NE(continuation.find(gbk("评定级别") + "|TSGD7005-2018-A1B|"), std::string::npos) << text::gbkToUtf8(continuation);
}

TEST(ReportPages, AnEmptyDefectSizePrintsNothing) {
    InspectionReport r;
    MagneticDefect m;
    m.location = "W1";
    r.magneticDefects.append(m);  // its length was not measured: kept as 0
    m.location = "W2";
    m.length = 3.5f;
    r.magneticDefects.append(m);
    RadiographDefect d;
    d.filmNumber = "F1";
    d.length = 12.0f;  // the height was not measured
    r.radiographDefects.append(d);
    UltrasonicDefect u;
    u.location = "U1";
    u.length = 8.0f;
    r.ultrasonicDefects.append(u);
    for (int page : {kMagneticPage, kRadiographPage, kUltrasonicPage}) {
        const std::string all = allTexts(*drawn(r, page, true));
        EXPECT_EQ(all.find("0.00"), std::string::npos) << page;
    }
    EXPECT_NE(allTexts(*drawn(r, kMagneticPage, true)).find("3.50"), std::string::npos);
    EXPECT_NE(allTexts(*drawn(r, kRadiographPage, true)).find("12.00"), std::string::npos);
}

TEST(ReportPages, TheOnlineReportsContinuationSheetCarriesItsNumber) {
    InspectionReport r;
    r.JianYan_IReportData.texts[42] = "ZX-2024-017";
    RecordingCanvas::Options tall = deviceOptions(true);
    tall.deviceSize = {2100, 3 * 2900};
    std::string longNote;
    for (int k = 0; k < 30; ++k) longNote += (k ? "\r\n" : "") + text::format("Defect%d", k);
    r.JianYan_IReportData.notes[1] = longNote;
    RecordingCanvas c(tall);
    drawReportPages(c, r, {}, kOnlineReportPage);
    ASSERT_GE(CountPrintPages(r, kOnlineReportPage), 2);
    int numbers = 0;
    for (const auto& call : textCalls(c))
        if (call.text.find("ZX-2024-017") != std::string::npos) ++numbers;
    EXPECT_EQ(numbers, CountPrintPages(r, kOnlineReportPage));
}

TEST(ReportPages, AValueNothingCanContinueEndsWithItsMarkAndIsNamed) {
    RecordingCanvas c;
    InspectionReport r;
    PagePainter p(c, r, {});
    p.setContinuable(false);
    p.fitted({100, -100, 300, -130}, repeated("封面的值", 49), coverFace(40), Align::Left, gbk("使用单位:"));
    ASSERT_EQ(p.cut().size(), 1u);
    EXPECT_EQ(p.cut()[0], gbk("使用单位:"));
    EXPECT_TRUE(p.continued().empty());
    const auto texts = textCalls(c);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].text.substr(texts[0].text.size() - cutMark().size()), cutMark());
    EXPECT_LE(static_cast<int>(texts[0].text.size()) * texts[0].state.font.width, 200 - 16);
    // A form's value continues instead.
    PagePainter q(c, r, {});
    q.fitted({100, -100, 300, -130}, repeated("表格的值", 49), kTableFace, Align::Left, gbk("栏目甲"));
    EXPECT_TRUE(q.cut().empty());
    ASSERT_EQ(q.continued().size(), 1u);
    // What the cell shows is not repeated: the rest goes on under the label.
    EXPECT_EQ(q.continued()[0].label, gbk("栏目甲（续）"));
    const std::string whole = repeated("表格的值", 49), rest = q.continued()[0].text;
    ASSERT_FALSE(rest.empty());
    EXPECT_LT(rest.size(), whole.size());
    EXPECT_EQ(whole.substr(whole.size() - rest.size()), rest);
}

TEST(ReportPages, SeveralLineTextsPrintEveryLineUpToTheirLimits) {
    // Each text at its line limit, lines short enough to print one by one: every line is there.
    const auto lines = [](std::string_view tag, int n, std::size_t bytes) {
        std::string s;
        for (int k = 1; k <= n; ++k) {
            if (k > 1) s += "\r\n";
            s += text::format("%s%02d", std::string(tag).c_str(), k) + repeated("行", bytes);
        }
        return s;
    };
    InspectionReport r;
    r.YingDu_ReportData.note = lines("Hx", 6, 30);            // 评定意见: 6 lines
    r.JinXiang_ReportData.note = lines("Jx", 8, 40);          // 分析结果: 8 lines
    r.NaiYa_ReportData.note = lines("Nx", 5, 40);             // 压力试验结论: 5 lines
    r.DengJi_IReportData.note = lines("Dx", 12, 12);          // 备注: 12 lines, 255 bytes
    r.CeHou_IReportData.note = lines("Cx", 10, 16);           // 备注: no limit given
    for (int i = 0; i < 4; ++i) r.JianYan_IReportData.notes[static_cast<std::size_t>(i)] = lines(text::format("Q%dx", i), 4, 16);
    const struct {
        int page;
        std::string tag;
        int count;
    } checks[] = {{kHardnessPage, "Hx", 6},         {kMetallographPage, "Jx", 8}, {kPressureTestPage, "Nx", 5},
                  {kOnlineRegisterPage, "Dx", 12},  {kOnlineThicknessPage, "Cx", 10}, {kOnlineReportPage, "Q0x", 4},
                  {kOnlineReportPage, "Q1x", 4},    {kOnlineReportPage, "Q2x", 4},   {kOnlineReportPage, "Q3x", 4}};
    for (const auto& check : checks) {
        const auto c = drawn(r, check.page, true);
        const std::string all = allTexts(*c);
        for (int k = 1; k <= check.count; ++k)
            EXPECT_NE(all.find(text::format("%s%02d", check.tag.c_str(), k)), std::string::npos)
                << check.page << " line " << k;
        EXPECT_EQ(all.find(continuedMark()), std::string::npos) << check.page;
        EXPECT_EQ(CountPrintPages(r, check.page), 1) << check.page;
        expectTextsClearOfLines(*c, check.page);
    }
    // Lines beyond a limit go to the continuation sheet, not away.
    r.YingDu_ReportData.note = lines("Hx", 7, 30);
    EXPECT_EQ(CountPrintPages(r, kHardnessPage), 2);
    // The online report's result follows its sentence and never starts a line with "。".
    r.JianYan_IReportData.notes[2] = gbk("该管道可以在允许参数范围内继续使用。");
    const auto c = drawn(r, kOnlineReportPage, true);
    for (const auto& call : textCalls(*c)) EXPECT_NE(call.text.rfind(gbk("。"), 0), 0u) << text::gbkToUtf8(call.text);
}

TEST(ReportPages, TheScreenBreaksTheLinesThePrinterBreaks) {
    InspectionReport r;
    r.ShengCha_ReportData.texts[27] = repeated("审查问题记载2024年5月12日", 200);
    r.HuiZong_ReportData.texts[3] = repeated("劣化", 49);
    r.JieLun_ReportData.texts[3] = repeated("限制条件", 99);
    for (int page : {kConclusionPage, kSummaryPage, kReviewPage, kVisualPage}) {
        const auto screen = drawn(r, page, false);
        const auto paper = drawn(r, page, true);
        std::vector<std::string> a, b;
        for (const auto& call : textCalls(*screen)) a.push_back(call.text);
        for (const auto& call : textCalls(*paper)) b.push_back(call.text);
        EXPECT_EQ(a, b) << page;
        // The same places; the screen's table text a little smaller (32 for 35).
        const auto sc = textCalls(*screen), pc = textCalls(*paper);
        ASSERT_EQ(sc.size(), pc.size());
        for (std::size_t i = 0; i < sc.size(); ++i) {
            EXPECT_EQ(sc[i].points[0], pc[i].points[0]) << page << " " << i;
            EXPECT_LE(sc[i].state.font.height, pc[i].state.font.height);
        }
    }
}

TEST(ReportPages, EveryTextOfTheSamplesStaysInsideItsCell) {
    // The sample report and the one with every text at its capacity: each sheet of both sets
    // and the repair record, on paper and on the screen, every text inside its cell, clear of
    // every line, and every continued value printed on a continuation sheet.
    for (const char* name : {"report.hcd", "report-long.hcd"}) {
        SCOPED_TRACE(name);
        tubra::model::AppContext app;
        installInspectionReport(app);
        std::string error;
        auto docRead = tubra::model::Document::open(app, std::string(TUBRA_SOURCE_DIR) + "/examples/" + name);
        ASSERT_TRUE(docRead.ok()) << docRead.message();
        const auto doc = std::move(docRead.value());
        const InspectionReport* r = inspectionReport(*doc);
        ASSERT_TRUE(r);
        int continuations = 0;
        for (int index : {kAllFullPages, kRepairPage, kAllOnlinePages}) {
            const auto sheets = sheetsOf(*r, index, doc->drawing.table);
            for (const PlacedSheet& sheet : sheets) continuations += sheet.continuation >= 0;
            for (bool printer : {true, false})
                for (const PlacedSheet& sheet : sheets) {
                    RecordingCanvas::Options one = deviceOptions(printer);
                    one.deviceSize = {2100, 2900};
                    RecordingCanvas c(one);
                    c.setWindowOrigin({0, -sheet.slot * 2900});
                    drawReportPages(c, *r, doc->drawing.table, index);
                    EXPECT_FALSE(textCalls(c).empty());
                    expectTextsClearOfLines(c, sheet.pageIndex, sheet.slot * 2900);
                }
        }
        // The sample fits its forms; the long one continues its longest values.
        if (std::string(name) == "report.hcd") {
            EXPECT_EQ(continuations, 0);
        } else {
            EXPECT_GT(continuations, 0);
        }
    }
}

TEST(ReportPages, SignatureRowsNeverPartADate) {
    // Long names beside their dates on forms (13), (14) and (15): every date prints whole on
    // one line.
    InspectionReport r;
    const std::string name = repeated("检验人员姓名很长", 29);
    for (auto* t : {&r.NaiYa_ReportData.texts, &r.QiMi_ReportData.texts}) {
        (*t)[12] = name;
        (*t)[13] = "2024.05.20";
        (*t)[14] = name;
        (*t)[15] = gbk("2024年5月21日");
    }
    r.FuShu_ReportData.texts[59] = name;
    r.FuShu_ReportData.texts[60] = "2024.05.20";
    r.FuShu_ReportData.texts[61] = name;
    r.FuShu_ReportData.texts[62] = gbk("2024年5月21日");
    for (int page : {kPressureTestPage, kLeakTestPage, kAccessoryPage}) {
        const auto c = drawn(r, page, true);
        int whole = 0;
        for (const auto& call : textCalls(*c)) {
            whole += call.text.find("2024.05.20") != std::string::npos;
            whole += call.text.find(gbk("2024年5月21日")) != std::string::npos;
            // No line ends inside a date.
            EXPECT_FALSE(call.text.size() >= 4 && call.text.substr(call.text.size() - 4) == "2024") << page;
        }
        EXPECT_EQ(whole, 2) << page;
        expectTextsClearOfLines(*c, page);
    }
}
