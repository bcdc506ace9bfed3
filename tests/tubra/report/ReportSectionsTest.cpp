#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/report/Install.h"
#include "tubra/report/ReportJson.h"
#include "tubra/report/ReportFixtures.h"

namespace tubra::report {
namespace {

using testing::filledReport;
using testing::gbk;
using testing::readAll;
using testing::written;

std::string repeat(std::string_view s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out.append(s);
    return out;
}

std::string section(std::string_view name, std::string_view body) {
    return std::string(name) + "{\n" + std::string(body) + "}\n\n";
}

// ---------------------------------------------------------------------------------------------
// Writing, byte for byte

TEST(report_writer, EmptyReportWritesNothing) {
    InspectionReport r;
    EXPECT_EQ(written(r), "");
    // Items that hold nothing do not make the thickness, magnetic or penetrant pages count.
    r.thicknessPoints.append({});
    r.magneticDefects.append({});
    r.penetrantDefects.append({});
    EXPECT_EQ(written(r), "");
}

TEST(report_writer, NumberLines) {
    InspectionReport r;
    r.PrintSet_ReportData.flags[0] = 1;
    r.PrintSet_ReportData.start = -1;
    r.Mulu_ReportData.flags[1] = 1;
    r.Mulu_ReportData.pages[1] = 7;
    r.Face_IReportData.dates[18] = 5;
    r.JianYan_IReportData.states[12] = 1;
    EXPECT_EQ(written(r),
              section("PrintSet_ReportData", " 1" + repeat(" 0", 29) + "\n-1\n") +
                  section("Mulu_ReportData", "0  0\n1  7\n" + repeat("0  0\n", 14)) +
                  section("Face_IReportData", repeat("\n", 6) + repeat(" 0 ", 18) + " 5 \n") +
                  section("JianYan_IReportData", repeat("\n", 43 + 4) + repeat(" 0", 12) + " 1\n"));
}

TEST(report_writer, AtPositionsAndStateRows) {
    InspectionReport r;
    r.HuiZong_ReportData.grades[0] = 3;
    r.HuiZong_ReportData.texts[24] = gbk("日期");
    r.HongGuan_ReportData.texts[2] = "x";
    EXPECT_EQ(written(r),
              section("HuiZong_ReportData",
                      "@ 3\n" + repeat("@ 0\n", 22) + "@\n" + gbk("日期") + "@\n@\n@\n") +
                  section("HongGuan_ReportData", "\n\nx\n" + repeat("\n", 24) +
                                                     "0 0 0 0 0 0 0 0 0 0\n" +
                                                     repeat(" 0 0 0 0 0 0 0 0 0 0\n", 8) +
                                                     " 0 0\n"));
}

TEST(report_writer, ListItemFormats) {
    InspectionReport r;
    // Points are written without any header text as long as one point holds something.
    r.thicknessPoints.append({"P1", 3.456f});
    r.thicknessPoints.append({"", 0});
    r.radiographDefects.append({"F", "L", "", 2.5f, -1.25f, "II", ""});
    r.ultrasonicDefects.append({"L", 1.5f, 20.25f, 3, "Z", "", "R"});
    r.magneticDefects.append({"", 0, "R"});
    r.penetrantDefects.append({"L", 0.5f});
    r.hardnessPoints.append({"", "H"});
    r.metallographImages.append({"", ""});
    EXPECT_EQ(written(r),
              section("CeHou_ReportData", repeat("\n", 14) + "P1@    3.46\n@    0.00\n") +
                  section("SheXian_ReportData",
                          repeat("\n", 26) + "F@  L@  @    2.500   -1.250  II@  @\n") +
                  section("ChaoShen_ReportData",
                          repeat("\n", 17) + "L@  1.50     20.25    3.00     Z@  @  R@\n") +
                  section("CiFeng_ReportData", repeat("\n", 18) + "@  0.000000  R@\n") +
                  section("ShenTou_ReportData", repeat("\n", 17) + "L@  0.500000\n") +
                  section("YingDu_ReportData", repeat("\n", 9) + "\n@  H@\n") +
                  section("JinXiang_ReportData", repeat("\n", 13) + "\n@  @\n"));
}

TEST(report_writer, NotesAndRepairRows) {
    InspectionReport r;
    r.FengXi_ReportData.note = "A\r\nB";
    r.JianXiu_ReportData.texts[0] = "a";
    r.JianXiu_ReportData.texts[6] = "d";
    r.JianXiu_ReportData.texts[8] = "f";
    EXPECT_EQ(written(r), section("FengXi_ReportData", repeat("\n", 38) + "A@`B\n") +
                              section("JianXiu_ReportData", "a\n\n\nd\n\nf\n"));
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(report_round_trip, EverySectionFilledIsByteForByteStable) {
    const InspectionReport original = filledReport();
    const std::string first = written(original);
    InspectionReport copy;
    readAll(copy, first);
    EXPECT_EQ(written(copy), first);
    EXPECT_EQ(reportToJson(copy), reportToJson(original));
    // Every section, in the order of the file's section table.
    std::size_t last = 0;
    for (const auto& s : model::kReportSectionWriteOrder) {
        const std::size_t at = first.find(std::string(s) + "{\n");
        ASSERT_NE(at, std::string::npos) << s;
        EXPECT_GE(at, last) << s;
        last = at;
    }
}

TEST(report_round_trip, WhatTheSettersStoreIsWhatComesBack) {
    InspectionReport r;
    r.HuiZong_ReportData.texts[0] = "a b@c}";
    r.HuiZong_ReportData.texts[23] = std::string(49, 'n');  // fills the field up to the '@'
    r.thicknessPoints.append({"p 1", 1});
    r.metallographImages.append({gbk("一 二"), "/tmp/my image.bmp"});
    r.Face_ReportData.texts[0] = "{x}\r\ny";
    r.NaiYa_ReportData.note = "l1\nl2@`}";
    EXPECT_EQ(r.HuiZong_ReportData.texts[0].view(), "a_b#c]");
    EXPECT_EQ(r.thicknessPoints.at(0).pointId.view(), "p_1");
    EXPECT_EQ(r.metallographImages.at(0).fileName.view(), "/tmp/my_image.bmp");
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), "{x]  y");
    EXPECT_EQ(r.NaiYa_ReportData.note.view(), "l1\r\nl2@']");

    InspectionReport back;
    readAll(back, written(r));
    EXPECT_EQ(reportToJson(back), reportToJson(r));
}

TEST(report_reader, RulesOfSingleSections) {
    InspectionReport r;
    readAll(r, section("Mulu_ReportData", "2  7\n-3  1\nx  y\n") +
                   section("PrintSet_ReportData", repeat(" 1", 30) + "\n5\n") +
                   section("HuiZong_ReportData", "@ 3\n" + gbk("正常") + "@ 2\n" + gbk("张三") + "\n") +
                   section("HongGuan_ReportData", repeat("t\n", 27) + "1 1 x 1\n"));
    EXPECT_EQ(r.Mulu_ReportData.flags[0], 1);  // any value of 1 or more
    EXPECT_EQ(r.Mulu_ReportData.pages[0], 7);
    EXPECT_EQ(r.Mulu_ReportData.flags[1], 0);
    EXPECT_EQ(r.Mulu_ReportData.pages[1], 1);
    EXPECT_EQ(r.Mulu_ReportData.pages[2], 0);
    for (int p = 0; p < 30; ++p) EXPECT_EQ(r.PrintSet_ReportData.flags[p], p < 17 ? 1 : 0) << p;
    EXPECT_EQ(r.PrintSet_ReportData.start, 5);
    EXPECT_EQ(r.HuiZong_ReportData.texts[0].view(), "");
    EXPECT_EQ(r.HuiZong_ReportData.grades[0], 3);
    EXPECT_EQ(r.HuiZong_ReportData.texts[1].view(), gbk("正常"));
    // Without its '@' a token still loses its last character.
    EXPECT_EQ(r.HuiZong_ReportData.texts[2].view(), gbk("张"));
    EXPECT_EQ(r.HuiZong_ReportData.grades[2], 0);
    EXPECT_EQ(r.HongGuan_ReportData.states[0], 1);
    EXPECT_EQ(r.HongGuan_ReportData.states[1], 1);
    EXPECT_EQ(r.HongGuan_ReportData.states[3], 0);
}

TEST(report_reader, RepairRowsMoveUp) {
    InspectionReport r;
    for (int i : {0, 1, 2, 6, 8}) r.JianXiu_ReportData.texts[i] = "v" + std::to_string(i);
    InspectionReport back;
    readAll(back, written(r));
    const auto& t = back.JianXiu_ReportData.texts;
    EXPECT_EQ(t[2].view(), "v2");
    EXPECT_EQ(t[3].view(), "v6");
    EXPECT_EQ(t[4].view(), "");
    EXPECT_EQ(t[5].view(), "v8");
    for (std::size_t i = 6; i < 9; ++i) EXPECT_TRUE(t[i].empty()) << i;
}

TEST(report_reader, CutsTooLongValuesToTheirFields) {
    const std::string chars = repeat(gbk("一"), 40);  // 80 bytes
    InspectionReport r;
    readAll(r, section("Face_ReportData", chars + "\n") +
                   section("HongGuan_ReportData", chars + "\n") +
                   section("CeHou_ReportData", repeat("\n", 14) + chars + "@  1.5\n") +
                   section("DengJi_IReportData", repeat("\n", 37) + repeat("ab@`", 100) + "\n"));
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), repeat(gbk("一"), 24));  // 49 -> 48 bytes
    EXPECT_EQ(r.HongGuan_ReportData.texts[0].view(), repeat(gbk("一"), 6));
    ASSERT_EQ(r.thicknessPoints.count(), 1u);
    EXPECT_EQ(r.thicknessPoints.at(0).pointId.view(), repeat(gbk("一"), 5));  // 11 -> 10 bytes
    EXPECT_FLOAT_EQ(r.thicknessPoints.at(0).thickness, 1.5f);
    // 255 bytes would end in the CR of a pair, which goes too.
    EXPECT_EQ(r.DengJi_IReportData.note.size(), 254u);
    EXPECT_EQ(r.DengJi_IReportData.note.view().substr(246), "\r\nab\r\nab");
}

TEST(report_reader, ShortSectionsGarbageAndMissingBrace) {
    InspectionReport r = filledReport();
    r.thicknessPoints.removeAll();
    readAll(r, section("JieLun_ReportData", "A\nB\n") +               // full readers clear first
                   section("DengJi_IReportData", "X\n") +             // online readers do not
                   section("CeHou_ReportData", repeat("\n", 14) + "garbage\n\n1 2\n") +
                   "PrintSet_ReportData{\nnone\n}\n" +                // keeps what was there
                   "ShenTou_ReportData{\n" + repeat("\n", 17) + "@  2.5");  // no closing line
    EXPECT_EQ(r.JieLun_ReportData.texts[1].view(), "B");
    EXPECT_TRUE(r.JieLun_ReportData.texts[2].empty());
    EXPECT_EQ(r.DengJi_IReportData.texts[0].view(), "X");
    EXPECT_EQ(r.DengJi_IReportData.texts[1].view(), gbk("登记文1"));
    ASSERT_EQ(r.thicknessPoints.count(), 3u);  // a line that does not scan still makes an item
    EXPECT_EQ(r.thicknessPoints.at(0).pointId.view(), "garbag");
    EXPECT_EQ(r.thicknessPoints.at(1).pointId.view(), "");
    EXPECT_FLOAT_EQ(r.thicknessPoints.at(2).thickness, 2.0f);
    EXPECT_EQ(r.PrintSet_ReportData.start, 3);
    ASSERT_EQ(r.penetrantDefects.count(), 2u);  // lists are appended to, never emptied
    EXPECT_FLOAT_EQ(r.penetrantDefects.at(1).length, 2.5f);
}

TEST(report_round_trip, LegacyTextsKeepTheirBytesOnTheFirstSave) {
    // Written by older programs: '@' inside tokens, lone lead bytes (a cut character), a blank
    // at the end of a line, a lone CR inside a note. None of this is what a setter would
    // store, yet a load and save must give the file back unchanged.
    const std::string lone = "ab\x81";
    const std::string file =
        section("Face_ReportData", lone + "\n" + "x y \n" + repeat("\n", 8)) +
        section("HuiZong_ReportData", "a@b@ 3\n" + lone + "@ 1\n\x81@ 2\n" + repeat("@ 0\n", 20) +
                                          "@\n" + "e@mail@\n@\n@\n") +
        section("CeHou_ReportData", repeat("\n", 14) + "P@1@    1.50\n" + "\x81@    2.00\n") +
        section("NaiYa_ReportData", repeat("\n", 23) + "one\rtwo@`three\x81\n");
    InspectionReport r;
    readAll(r, file);
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), lone);
    EXPECT_EQ(r.HuiZong_ReportData.texts[0].view(), "a@b");
    EXPECT_EQ(r.HuiZong_ReportData.texts[2].view(), "\x81");
    EXPECT_EQ(r.HuiZong_ReportData.texts[24].view(), "e@mail");
    EXPECT_EQ(r.thicknessPoints.at(1).pointId.view(), "\x81");
    EXPECT_EQ(r.NaiYa_ReportData.note.view(), "one\rtwo\r\nthree\x81");
    EXPECT_EQ(written(r), file);

    // What a user types still gets the substitutes.
    r.HuiZong_ReportData.texts[0] = "a@b";
    r.Face_ReportData.texts[0] = lone;
    EXPECT_EQ(r.HuiZong_ReportData.texts[0].view(), "a#b");
    EXPECT_EQ(r.Face_ReportData.texts[0].view(), "ab?");
}

TEST(report_reader, ListsStopTheReadingAtTheirLimit) {
    const std::string items = repeat("p@  1.00\n", static_cast<int>(model::kMaxReportListItems) + 5);
    InspectionReport r;
    model::Drawing drawing;
    model::DrawingSettings settings;
    drawing.report = &r;
    const model::ReadResult result = model::readDrawing(
        section("CeHou_ReportData", repeat("\n", 14) + items) + section("Face_ReportData", "late\n"),
        drawing, settings);
    EXPECT_FALSE(result);
    EXPECT_NE(result.reason.find("CeHou_ReportData"), std::string::npos) << result.reason;
    EXPECT_EQ(r.thicknessPoints.count(), model::kMaxReportListItems);
    EXPECT_TRUE(r.Face_ReportData.empty());  // nothing after the stop is read
}

// ---------------------------------------------------------------------------------------------
// Import

TEST(report_import, OnlySelectedSectionsAreReplaced) {
    const std::string source = "Title{\nT\n}\n\n" + written(filledReport());
    InspectionReport target;
    target.Face_ReportData.texts[0] = "own cover";
    target.JieLun_ReportData.texts[0] = "own";
    target.PrintSet_IReportData.start = 9;
    target.ImportReportSections(source, {kFaceSection, kHuiZongSection, kDengJiSection,
                                         kPrintSetOnlineSection, kSelectionEnd, kJieLunSection});
    // The cover reader empties the cover only.
    EXPECT_EQ(target.Face_ReportData.texts[0].view(), gbk("封面文0"));
    EXPECT_EQ(target.HuiZong_ReportData.grades[4], 4);
    EXPECT_EQ(target.DengJi_IReportData.note.view(), gbk("一\r\n二\r\n三"));
    EXPECT_EQ(target.JieLun_ReportData.texts[0].view(), "own");  // after the end mark
    EXPECT_EQ(target.PrintSet_IReportData.start, 9);  // the online page settings never come in
    EXPECT_EQ(target.thicknessPoints.count(), 0u);
    EXPECT_TRUE(target.ShengCha_ReportData.empty());
}

// ---------------------------------------------------------------------------------------------
// Through the document

std::string readFile(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Splits written sections into their texts.
std::vector<std::string> sections(const std::string& all) {
    std::vector<std::string> out;
    for (std::size_t p = 0; p < all.size();) {
        const std::size_t e = all.find("}\n\n", p) + 3;
        out.push_back(all.substr(p, e - p));
        p = e;
    }
    return out;
}

TEST(report_document, NewDocumentWritesOnlyThePageSettings) {
    model::AppContext app;
    installInspectionReport(app);
    model::Document doc(app);
    ASSERT_NE(inspectionReport(doc), nullptr);
    const std::string file = doc.serialize();
    const std::size_t at = file.find("PrintSet_ReportData{");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(file.substr(at), section("PrintSet_ReportData", repeat(" -1", 30) + "\n1\n") +
                                   section("PrintSet_IReportData", repeat(" 0", 30) + "\n1\n"));
}

TEST(report_document, OpenAndSavePutsSectionsInOrderAfterTheDrawing) {
    // The sections come in reverse order and before the drawing sections.
    const std::vector<std::string> parts = sections(written(filledReport()));
    std::string file;
    for (auto it = parts.rbegin(); it != parts.rend(); ++it) file += *it;
    file += "Title{\nT\n}\n\n2dDrawing {\n\t Total           0\n}\n\n";

    const auto dir = std::filesystem::temp_directory_path() /
                     ("report_doc_test_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "in.hcd", std::ios::binary) << file;

    model::AppContext app;
    installInspectionReport(app);
    std::string error;
    auto docRead = model::Document::open(app, dir / "in.hcd");
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    ASSERT_TRUE(doc->saveAs(dir / "out.hcd").ok());
    const std::string saved = readFile(dir / "out.hcd");
    std::filesystem::remove_all(dir);

    // Flags 17 to 29 are not read and keep the new document's -1.
    InspectionReport expected = filledReport();
    for (int p = 17; p < 30; ++p) expected.PrintSet_ReportData.flags[p] = -1;
    const std::size_t title = saved.find("Title{\nT\n");
    const std::size_t report = saved.find("PrintSet_ReportData{");
    ASSERT_NE(title, std::string::npos);
    ASSERT_NE(report, std::string::npos);
    EXPECT_LT(title, report);
    EXPECT_EQ(saved.substr(report), written(expected));
    EXPECT_EQ(saved.find("2dDrawing {"), 0u);
}

}  // namespace
}  // namespace tubra::report
