#include "tubra/report/data/ReportText.h"

#include <gtest/gtest.h>

#include "text/Gbk.h"

namespace tubra::report {
namespace {

using text::gbk;

TEST(report_text, EveryKindKeepsClosingBracesOut) {
    EXPECT_EQ(sanitizeReportText(TextKind::Line, "a}b", 20), "a]b");
    EXPECT_EQ(sanitizeReportText(TextKind::Token, "}", 20), "]");
    EXPECT_EQ(sanitizeReportText(TextKind::Note, "x}", 20), "x]");
    // A two-byte character whose second byte is '}' would end the section too.
    EXPECT_EQ(sanitizeReportText(TextKind::Line, "a\x81}b", 20), "a?b");
    // A lead byte without a second byte of its own would swallow the byte after it.
    EXPECT_EQ(sanitizeReportText(TextKind::Token, "a\x81 b", 20), "a?_b");
    EXPECT_EQ(sanitizeReportText(TextKind::Line, "a\x81", 20), "a?");
}

TEST(report_text, SingleLineAndTokenSubstitutes) {
    EXPECT_EQ(sanitizeReportText(TextKind::Line, "a\r\nb\tc @", 20), "a  b\tc @");
    EXPECT_EQ(sanitizeReportText(TextKind::Token, "a b\tc@d\r\n", 20), "a_b_c#d__");
    // A second byte equal to '@' is part of its character and stays.
    EXPECT_EQ(sanitizeReportText(TextKind::Token, "\x81@", 20), "\x81@");
    const std::string chinese = gbk("测 点");
    EXPECT_EQ(sanitizeReportText(TextKind::Token, chinese, 20), gbk("测_点"));
}

TEST(report_text, NotesKeepOnlyCrLfPairsAndNoCodedBreak) {
    EXPECT_EQ(sanitizeReportText(TextKind::Note, "a\nb\rc\r\nd\r\r\n", 40),
              "a\r\nb\r\nc\r\nd\r\n\r\n");
    EXPECT_EQ(sanitizeReportText(TextKind::Note, "mail@`x`", 40), "mail@'x`");
    EXPECT_EQ(sanitizeReportText(TextKind::Note, "\x81@`", 40), "\x81@'");
}

TEST(report_text, CutsToCapacityWithoutSplittingCharactersOrLineBreaks) {
    LineText<6> t = gbk("一二三");  // 6 bytes into 5
    EXPECT_EQ(t.view(), gbk("一二"));
    NoteText<5> n = "abc\r\nd";  // the cut would fall between CR and LF
    EXPECT_EQ(n.view(), "abc");
    TokenText<4> k = "a b c";
    EXPECT_EQ(k.view(), "a_b");
    LineText<10> nul(std::string_view("ab\0cd", 5));
    EXPECT_EQ(nul.view(), "ab");
}

TEST(report_text, NoteCodingRoundTrips) {
    for (std::string_view note : {"A\r\nB", "@\r\n`", "\r\n\r\n", "x@", "@'"}) {
        const std::string clean = sanitizeReportText(TextKind::Note, note, 100);
        EXPECT_EQ(decodeNote(encodeNote(clean)), clean) << note;
    }
    EXPECT_EQ(encodeNote("A\r\nB"), "A@`B");
    EXPECT_EQ(decodeNote("A@`B@"), "A\r\nB@");
}

TEST(report_text, TokensLoseTheirLastCharacter) {
    EXPECT_EQ(dropLastCharacter("@"), "");
    EXPECT_EQ(dropLastCharacter(""), "");
    EXPECT_EQ(dropLastCharacter("abc@"), "abc");
    EXPECT_EQ(dropLastCharacter("\x81@@"), "\x81@");
    EXPECT_EQ(dropLastCharacter(gbk("张三")), gbk("张"));
}

}  // namespace
}  // namespace tubra::report
