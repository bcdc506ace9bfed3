#include <gtest/gtest.h>

#include <string>

#include "tubra/model/DrawingFile.h"
#include "tubra/model/FileSections.h"
#include "tubra/model/ReportStore.h"

using namespace tubra::model;

namespace {

// Reads `data` keeping the report sections as they stand, and writes the drawing again.
std::string readAndWrite(std::string_view data, VerbatimReportStore& report) {
    Drawing drawing;
    DrawingSettings settings;
    drawing.report = &report;
    readDrawing(data, drawing, settings);
    std::string out;
    writeDrawing(drawing, settings, out);
    return out;
}

}  // namespace

TEST(FileSections, ReportSectionsReadInAnyOrderAreWrittenInFileOrder) {
    // Every report section, last first, each holding its own name.
    std::string file = "2dDrawing {\n}\n";
    for (auto it = kFileSections.rbegin(); it != kFileSections.rend(); ++it)
        if (it->report) file += std::string(it->header) + "\n" + std::string(it->name) + "\n}\n";
    VerbatimReportStore report;
    const std::string out = readAndWrite(file, report);

    std::size_t last = 0;
    std::size_t written = 0;
    for (const FileSection& s : kFileSections) {
        if (!s.report) continue;
        const std::string expected = std::string(s.name) + "{\n" + std::string(s.name) + "\n}\n\n";
        const std::size_t at = out.find(expected);
        ASSERT_NE(at, std::string::npos) << s.name;
        EXPECT_GT(at, last) << s.name;
        last = at;
        ++written;
    }
    EXPECT_EQ(written, kReportSectionCount);
    // The two sections written the other way round from how lines are tested for them.
    EXPECT_LT(out.find("CiFeng_ReportData{"), out.find("ShenTou_ReportData{"));
}

TEST(FileSections, ALineWithTwoNamesStartsTheSectionTestedFirst) {
    VerbatimReportStore report;
    readAndWrite("x CiFeng_ReportData ShenTou_ReportData{\nwhich\n}\n"
                 "JianYan_IReportData PrintSet_IReportData\nonline\n}\n",
                 report);
    ASSERT_NE(report.section("ShenTou_ReportData"), nullptr);
    EXPECT_EQ(report.section("ShenTou_ReportData")->at(0), "which");
    EXPECT_EQ(report.section("CiFeng_ReportData"), nullptr);
    ASSERT_NE(report.section("PrintSet_IReportData"), nullptr);
    EXPECT_EQ(report.section("JianYan_IReportData"), nullptr);

    // The drawing's own names come before every report name; "TeXingBiao" before "Title".
    Drawing d;
    DrawingSettings s;
    readDrawing("Title TeXingBiao{\nrow one\n}\nFace_ReportData Title{\nt\n}\n", d, s);
    EXPECT_EQ(d.table.values[0].view(), "row one");
    EXPECT_EQ(d.title.values[0].view(), "t");
}

TEST(FileSections, TheKeysFollowTheReadOrder) {
    const KeyMatcher& keys = fileSectionKeys();
    ASSERT_EQ(static_cast<std::size_t>(keys.size()), kFileSections.size());
    for (int k = 0; k < keys.size(); ++k) {
        const FileSection& s = *kFileSectionsInReadOrder[static_cast<std::size_t>(k)];
        EXPECT_EQ(s.readOrder, k);
        EXPECT_EQ(keys.key(k), s.name);
        EXPECT_EQ(s.header.substr(0, s.name.size()), s.name);
        EXPECT_EQ(s.header.back(), '{');
        EXPECT_EQ(findFileSection(s.id), &s);
    }
    EXPECT_EQ(findFileSection(18), nullptr);
}
