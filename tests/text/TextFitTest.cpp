// Breaking and fitting GBK texts into boxes: words, numbers and dates kept whole, marks that
// never start or end a line, shrinking down to the smallest size, and what is left over.

#include <gtest/gtest.h>

#include <random>

#include "text/Gbk.h"
#include "text/TextFit.h"

using namespace text;

namespace {

std::vector<std::string> linesOf(std::string_view utf8, std::size_t maxBytes, bool* split = nullptr) {
    const std::string g = gbk(utf8);
    const BrokenText b = breakText(g, maxBytes);
    if (split) *split = b.splitWord;
    std::vector<std::string> out;
    for (const TextLine& l : b.lines) out.push_back(gbkToUtf8(std::string_view(g).substr(l.start, l.length)));
    return out;
}

using Lines = std::vector<std::string>;

std::string withoutBlanks(std::string s) {
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s[i] == ' ' || s[i] == '\t' || s[i] == '\r' || s[i] == '\n') {
            ++i;
        } else if (s.compare(i, 2, "\xA1\xA1") == 0) {
            i += 2;
        } else {
            const std::size_t n = isGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
            out.append(s, i, n);
            i += n;
        }
    }
    return out;
}

}  // namespace

TEST(TextFit, NumbersDatesAndWordsStayWhole) {
    // The date would straddle the line end: it moves to the next line whole.
    EXPECT_EQ(linesOf("检验人员： 张志强　　2024.05.22", 24), (Lines{"检验人员： 张志强", "2024.05.22"}));
    EXPECT_EQ(linesOf("日期：2024年5月12日至2024年5月20日", 22), (Lines{"日期：2024年5月12日至", "2024年5月20日"}));
    // Codes and sizes with their signs.
    EXPECT_EQ(linesOf("规格为φ159×6的管子", 12), (Lines{"规格为", "φ159×6的管", "子"}));
    EXPECT_EQ(linesOf("执行标准JB/T4730.4-2005", 16), (Lines{"执行标准", "JB/T4730.4-2005"}));
    // Latin words break at their blanks, which stay behind.
    EXPECT_EQ(linesOf("pressure gauge checked", 15), (Lines{"pressure gauge", "checked"}));
    // Chinese breaks anywhere between characters.
    EXPECT_EQ(linesOf("管道位置及结构", 6), (Lines{"管道位", "置及结", "构"}));
    bool split = true;
    linesOf("2024.05.22", 10, &split);
    EXPECT_FALSE(split);
    // A word longer than a line is split, and said so.
    EXPECT_EQ(linesOf("P-1102-150-B1A", 6, &split), (Lines{"P-1102", "-150-B", "1A"}));
    EXPECT_TRUE(split);
}

TEST(TextFit, ClosingMarksNeverStartALineNorOpeningOnesEndIt) {
    EXPECT_EQ(linesOf("规定。检验结果是：合格", 8), (Lines{"规定。检", "验结果", "是：合格"}));
    EXPECT_EQ(linesOf("其它（见附页）说明", 10), (Lines{"其它（见附", "页）说明"}));
    EXPECT_EQ(linesOf("合格(mm)", 6), (Lines{"合格", "(mm)"}));
    // A mark still ends its line when nothing else can go.
    for (const std::string& l : linesOf("正常；碰撞；摩擦；变形；腐蚀", 6))
        EXPECT_NE(l.rfind("；", 0), 0u) << l;
}

TEST(TextFit, ParagraphsBlanksAndTwoByteCharacters) {
    // CR LF, lone CR and LF start lines; an empty paragraph is an empty line.
    EXPECT_EQ(linesOf("甲\r\n\r\n乙\n丙\r丁", 10), (Lines{"甲", "", "乙", "丙", "丁"}));
    // Blanks at a break take no room; leading blanks of a paragraph (its indent) stay.
    EXPECT_EQ(linesOf("　　根据规定完成检查", 12), (Lines{"　　根据规定", "完成检查"}));
    EXPECT_EQ(linesOf("ab      cd", 4), (Lines{"ab", "cd"}));

    // Random GBK texts: no line is longer than asked unless it is one character, no line splits
    // a character, and every non-blank byte is shown in order.
    std::mt19937 rng(7);
    const std::vector<std::string> pieces = {gbk("管"), gbk("道"), "a", "7", " ", gbk("　"), gbk("，"), gbk("（"),
                                             "\r\n", gbk("年"), ".", "-", gbk("×")};
    for (int round = 0; round < 500; ++round) {
        std::string s;
        const int n = static_cast<int>(rng() % 60);
        for (int i = 0; i < n; ++i) s += pieces[rng() % pieces.size()];
        const std::size_t max = 1 + rng() % 20;
        const BrokenText b = breakText(s, max);
        std::string shown;
        for (const TextLine& l : b.lines) {
            const std::string_view line = std::string_view(s).substr(l.start, l.length);
            EXPECT_TRUE(line.size() <= max || (line.size() == 2 && max == 1)) << s;
            // Lines start and end on character boundaries.
            EXPECT_EQ(gbkCutLength(s, l.start), l.start) << s;
            EXPECT_EQ(gbkCutLength(line, line.size()), line.size()) << s;
            shown += line;
        }
        EXPECT_EQ(withoutBlanks(shown), withoutBlanks(s)) << s;
    }
}

TEST(TextFit, ShrinksStepByStepDownToTheSmallestSize) {
    FitStyle style;  // 35 down to 21, bytes half the height wide
    const std::string date = "2024.05.22";
    // Fits at its own size.
    Fit f = fitText(date, 400, 50, style);
    EXPECT_EQ(f.height, 35);
    EXPECT_EQ(f.byteWidth, 17);
    EXPECT_TRUE(f.complete);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.line(0), date);
    // A one-line box: a little too long shrinks on its line (10 bytes in 150: 15 per byte).
    f = fitText(date, 150, 40, style);
    EXPECT_EQ(f.height, 31);
    EXPECT_EQ(f.lines.size(), 1u);
    // Far too long for one line: wraps at the largest size at which all lines fit, without
    // splitting the date.
    const std::string sign = gbk("检验人员：张志强　　2024.05.22");
    f = fitText(sign, 200, 80, style);
    EXPECT_TRUE(f.complete);
    EXPECT_GE(f.lines.size(), 2u);
    EXPECT_EQ(f.line(f.lines.size() - 1), date);
    EXPECT_LE(f.blockHeight(), 80);
    for (std::size_t i = 0; i < f.lines.size(); ++i)
        EXPECT_LE(static_cast<int>(f.line(i).size()) * f.byteWidth, 200);
    // Never below the smallest size: what does not fit is left over.
    const std::string longText(249, 'x');
    f = fitText(longText, 484, 79, style);
    EXPECT_EQ(f.height, 21);
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.lines.size(), 3u);  // 21 + 2 x 23 = 67 of 79
    EXPECT_EQ(f.shownBytes, 3u * 48);
    // A line limit holds at every size.
    style.maxLines = 2;
    f = fitText(gbk("甲\r\n乙\r\n丙"), 400, 400, style);
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.shownBytes, 8u);  // where the third line starts
    // Roomy lines when they fit, closer ones before the font shrinks.
    FitStyle roomy;
    roomy.roomyGapPercent = 80;
    f = fitText(gbk("甲\r\n乙"), 400, 100, roomy);
    EXPECT_EQ(f.lineStep, 35 + 28);
    f = fitText(gbk("甲\r\n乙"), 400, 85, roomy);
    EXPECT_EQ(f.lineStep, 35 + 14);  // 40 per cent
    f = fitText(gbk("甲\r\n乙"), 400, 75, roomy);
    EXPECT_EQ(f.height, 35);
    EXPECT_EQ(f.lineStep, 35 + 4);
}

TEST(TextFit, BalancedLinesLeaveNoCharacterAlone) {
    FitStyle style;
    style.balance = true;
    // "安全附属装置" in a box for 10 bytes a line: three characters a line, not five and one.
    Fit f = fitText(gbk("安全附属装置"), 10 * 17, 80, style);
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.line(0), gbk("安全附"));
    EXPECT_EQ(f.line(1), gbk("属装置"));
    // Words stay whole while balancing.
    f = fitText(gbk("检验人员：张志强　　2024.05.22"), 20 * 17, 80, style);
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.line(1), "2024.05.22");
}

TEST(TextFit, ALeftOverTextEndsWithItsMark) {
    FitStyle style;
    const std::string text = gbk("甲乙丙丁戊己庚辛壬癸子丑寅卯辰巳午未申酉戌亥");  // 44 bytes
    const std::string mark = gbk("…(见续页)");
    // One line of 21-high text in a box 100 wide: 10 bytes a line.
    Fit f = fitWithMark(text, 100, 21, style, mark);
    EXPECT_FALSE(f.complete);
    ASSERT_EQ(f.lines.size(), 1u);
    EXPECT_EQ(f.shownBytes, 0u);  // the mark alone takes the line
    EXPECT_EQ(f.line(0), mark);
    f = fitWithMark(text, 200, 44, style, gbk("…"));
    ASSERT_EQ(f.lines.size(), 2u);
    EXPECT_EQ(f.shownBytes, 38u);
    EXPECT_EQ(std::string(f.line(1)), text.substr(20, 18) + gbk("…"));
    // A text that fits gets no mark.
    f = fitWithMark(gbk("甲乙"), 200, 44, style, mark);
    EXPECT_TRUE(f.complete);
    EXPECT_EQ(f.text, gbk("甲乙"));
}

TEST(TextFit, WhatContinuesElsewhereKeepsItsSizeAndItsWords) {
    // Seven lines for a box that takes six: shrinking cannot help, so the lines shown keep the
    // font's own size instead of all falling to the smallest.
    FitStyle style;
    style.maxLines = 6;
    std::string seven;
    for (int k = 1; k <= 7; ++k) seven += (k > 1 ? "\r\n" : "") + gbk("第") + std::to_string(k) + gbk("行");
    Fit f = fitText(seven, 400, 400, style);
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.height, 21);  // as it always was
    style.overflowAtOwnSize = true;
    f = fitText(seven, 400, 400, style);
    EXPECT_FALSE(f.complete);
    EXPECT_EQ(f.height, 35);
    const Fit marked = fitWithMark(seven, 400, 400, style, gbk("…(见续页)"));
    EXPECT_EQ(marked.height, 35);
    ASSERT_EQ(marked.lines.size(), 6u);
    // The six lines are shown whole; the rest goes on from the seventh.
    EXPECT_EQ(std::string(marked.line(5)).substr(0, gbk("第6行").size()), gbk("第6行"));
    const std::size_t rest = restStart(seven, marked.shownBytes);
    EXPECT_EQ(seven.find(gbk("第7行")), rest + 2);

    // A code longer than a line is split only where words may be split.
    const std::string code = "TSGD7005-2018-A1B";
    FitStyle narrow;
    f = fitText(code, 8 * 17, 200, narrow);
    EXPECT_TRUE(f.complete);
    EXPECT_TRUE(f.splitWord);
    narrow.keepWords = true;
    narrow.overflowAtOwnSize = true;
    f = fitText(code, 8 * 17, 200, narrow);
    EXPECT_FALSE(f.complete);
    const Fit cut = fitWithMark(code, 8 * 17, 200, narrow, gbk("…"));
    for (std::size_t i = 0; i < cut.lines.size(); ++i) EXPECT_LE(cut.lines[i].length, 8u);
    // Its rest is the whole code: a word cut short goes on from its start.
    EXPECT_EQ(restStart(code, cut.shownBytes), 0u);
    EXPECT_EQ(restStart(gbk("甲乙 ABC123"), 7), 5u);  // inside "ABC123": from its start
    EXPECT_EQ(restStart(gbk("甲乙丙"), 4), 4u);        // between two characters
}
