// The ToUnicode repair of PDFs: radicals that share a glyph with an ideograph read back as the
// ideograph, everything else and the file's length stay.

#include <gtest/gtest.h>

#include "platform/qt/PdfText.h"

using namespace platform::qt;

TEST(PdfText, RadicalsBecomeTheirIdeographs) {
    EXPECT_EQ(ideographForRadical(0x2F64), 0x7528);  // ⽤ -> 用
    EXPECT_EQ(ideographForRadical(0x2F00), 0x4E00);  // ⼀ -> 一
    EXPECT_EQ(ideographForRadical(0x2EDA), 0x9875);  // ⻚ -> 页
    EXPECT_EQ(ideographForRadical(0x2F3E), 0x6237);  // ⼾ -> 户, as the faces draw it
    EXPECT_EQ(ideographForRadical(0x301C), 0xFF5E);  // 〜 -> ～
    EXPECT_EQ(ideographForRadical(0x2003), 0x3000);  // em space -> ideographic space
    EXPECT_EQ(ideographForRadical(0x7528), 0);
    EXPECT_EQ(ideographForRadical(0x0041), 0);
    EXPECT_EQ(ideographForRadical(0x2E80), 0);  // a radical with no ideograph of its own
}

TEST(PdfText, RepairRewritesMapEntriesInPlace) {
    std::string pdf =
        "%PDF-1.4\n1 0 obj\n<< /Length 10 >>\nstream\nBT <2F64> Tj ET\nendstream\n"
        "/CIDInit begincmap\n2 beginbfchar\n<0003> <2F64>\n<0004> <0041>\nendbfchar\n"
        "3 beginbfrange\n<0001> <0003> [<4F7F> <2F64> <2EDA>]\n<0005> <0005> <2F08>\n"
        "<0006> <0008> <2F00>\nendbfrange\nendcmap\n";
    const std::size_t size = pdf.size();
    EXPECT_EQ(repairPdfText(pdf), 4u);
    EXPECT_EQ(pdf.size(), size);
    EXPECT_NE(pdf.find("<0003> <7528>"), std::string::npos);
    EXPECT_NE(pdf.find("<0004> <0041>"), std::string::npos);
    EXPECT_NE(pdf.find("[<4F7F> <7528> <9875>]"), std::string::npos);
    EXPECT_NE(pdf.find("<0005> <0005> <4EBA>"), std::string::npos);
    // A range onto consecutive codes would shift its other codes: left alone.
    EXPECT_NE(pdf.find("<0006> <0008> <2F00>"), std::string::npos);
    // Page content outside the maps is never touched.
    EXPECT_NE(pdf.find("BT <2F64> Tj ET"), std::string::npos);
    // A second repair finds nothing left.
    EXPECT_EQ(repairPdfText(pdf), 0u);
    std::string broken = "begincmap beginbfchar <0001> <2F6";
    EXPECT_EQ(repairPdfText(broken), 0u);
}

TEST(PdfText, TheDateIsStampedInPlaceInEitherOfQtsForms) {
    const std::string tail = ")\n/Producer (Qt)\nxref\n";
    platform::CalendarTime t{2026, 12, 8, 8, 0, 5, 8 * 3600};
    // Written in UTC ("Z"): the same instant in UTC.
    std::string utc = "<< /CreationDate (D:20200101120000Z" + tail;
    const std::size_t size = utc.size();
    EXPECT_TRUE(stampPdfDate(utc, t));
    EXPECT_EQ(utc, "<< /CreationDate (D:20261208000005Z" + tail);
    EXPECT_EQ(utc.size(), size);
    // Written with an offset: the time as given, with its offset.
    std::string local = "<< /CreationDate (D:20200101120000-05'00'" + tail;
    EXPECT_TRUE(stampPdfDate(local, t));
    EXPECT_EQ(local, "<< /CreationDate (D:20261208080005+08'00'" + tail);
    local = "<< /CreationDate (D:20200101120000-05'00'" + tail;
    EXPECT_TRUE(stampPdfDate(local, platform::CalendarTime{2026, 12, 8, 0, 0, 5, 0}));
    EXPECT_EQ(local, "<< /CreationDate (D:20261208000005+00'00'" + tail);
    // Nothing recognisable: nothing changed.
    std::string none = "<< /Producer (Qt) >>";
    EXPECT_FALSE(stampPdfDate(none, t));
    std::string odd = "<< /CreationDate (D:2020) >>";
    EXPECT_FALSE(stampPdfDate(odd, t));
    EXPECT_EQ(odd, "<< /CreationDate (D:2020) >>");
}
