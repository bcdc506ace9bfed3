#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>

#include "manager/core/DrawingFiles.h"
#include "manager/core/ListFields.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;

namespace {

const std::vector<std::string> kTable = {"丙烯进料线", "P-1001", "GC2", "丙烯", "2.5", "40",
                                         "泵至反应器", "岩棉", "1998/05/01", "12.5", "3", "24",
                                         "1", "4", "6", "", "20#", "φ108×4"};
const std::vector<std::string> kTitle = {"张工", "李工", "DX-017", "2024/07/01", "2024/07/05",
                                         "单线图", "DX-003"};

std::string changed(std::string_view data, SectionKind kind, int row, const char* utf8) {
    std::vector<std::string> values = readSectionValues(data, kind);
    values[static_cast<std::size_t>(row)] = sectionValue(kind, g(utf8));
    return rewriteSection(data, kind, values);
}

}  // namespace

TEST(SectionChange, ChangesOneTableValueAndKeepsTheRestOfTheFile) {
    const std::string before = drawingText({kTable, kTitle, 30, 3, [](tubra::report::InspectionReport& r) {
        r.Face_ReportData.texts[3] = "unit";
    }});
    const std::string after = changed(before, SectionKind::Table, 9, "15.75");
    const ReadBack back(after);
    const ReadBack old(before);
    EXPECT_EQ(back.table(9), "15.75");
    for (int r = 0; r < 18; ++r)
        if (r != 9) {
            EXPECT_EQ(back.table(r), old.table(r)) << r;
        }
    EXPECT_EQ(back.drawing.objects.size(), old.drawing.objects.size());
    EXPECT_EQ(back.drawing.title, old.drawing.title);
    EXPECT_EQ(txt(back.report.Face_ReportData.texts[3]), "unit");
    // Only the value line differs.
    EXPECT_EQ(after.size(), before.size() + 1);
}

TEST(SectionChange, FileWithoutTheSectionGainsOneWithOnlyThatValue) {
    const std::string before = drawingText({{}, kTitle, 5});
    bool found = true;
    EXPECT_EQ(readSectionValues(before, SectionKind::Table, &found), std::vector<std::string>(18));
    EXPECT_FALSE(found);
    const std::string after = changed(before, SectionKind::Table, 9, "15.75");
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(after.substr(before.size()), "TeXingBiao{\n\n\n\n\n\n\n\n\n\n15.75\n\n\n\n\n\n\n\n\n}\n");
    EXPECT_EQ(ReadBack(after).table(9), "15.75");
}

TEST(SectionChange, EarlyClosingLineKeepsTheLinesAfterIt) {
    const std::string before = "TeXingBiao{\r\nname\r\nnumber\r\n}\r\nafter the table\r\nTitle{\nA\n}\n";
    const std::string after = changed(before, SectionKind::Table, 2, "GC1");
    EXPECT_EQ(after, "TeXingBiao{\nname\nnumber\nGC1\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n}\n"
                     "after the table\nTitle{\nA\n}\n");
}

TEST(SectionChange, FileCutShortInsideASectionStillGainsTheTable) {
    // The last object has no closing line; the appended table must not become part of it.
    const std::string before = "Object{\n\tMainType   2\n\tNumb";
    const std::string after = changed(before, SectionKind::Table, 0, "name");
    EXPECT_EQ(after, before + "\n}\nTeXingBiao{\nname\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n\n}\n");
    const ReadBack back(after);
    EXPECT_EQ(back.table(0), "name");
    EXPECT_EQ(back.drawing.objects.size(), 1u);
}

TEST(SectionChange, SectionsAreFoundAsTheDrawingProgramFindsThem) {
    // An object's text naming the table is no table; the real table is changed, and a second
    // table (read last by the drawing program) gets the same values.
    const std::string before =
        "Object{\n\tMainType   2\n\tDistTxt    TeXingBiao\n}\n\nTeXingBiao{\nfirst\n}\n"
        "TeXingBiao{\nsecond\n}\n";
    EXPECT_EQ(readSectionValues(before, SectionKind::Table)[0], "first");
    const std::string after = changed(before, SectionKind::Table, 1, "N");
    EXPECT_EQ(after.substr(0, 50), before.substr(0, 50));
    const ReadBack back(after);
    EXPECT_EQ(back.table(0), "first");
    EXPECT_EQ(back.table(1), "N");
    EXPECT_EQ(back.drawing.objects.size(), 1u);
}

TEST(SectionChange, LinesAreJudgedAsTheReaderSeesThemAndCopiedWhole) {
    // Past a NUL byte the drawing program sees nothing: no header there, but every byte stays.
    const std::string before("Title{\r\nA\0B\n}\nJunk\0TeXingBiao{\nz\n", 33);
    bool found = true;
    EXPECT_EQ(readSectionValues(before, SectionKind::Table, &found)[0], "");
    EXPECT_FALSE(found);
    EXPECT_EQ(readSectionValues(before, SectionKind::Title)[0], "A");
    const std::string after = rewriteSection(before, SectionKind::Table, {"new"});
    // CR LF becomes LF, the NUL lines stay whole, and the table is appended.
    EXPECT_EQ(after.substr(0, 32), std::string("Title{\nA\0B\n}\nJunk\0TeXingBiao{\nz\n", 32));
    EXPECT_EQ(after.substr(32), "TeXingBiao{\nnew\n" + std::string(17, '\n') + "}\n");
}

TEST(SectionChange, NewValuesCannotBreakTheFile) {
    // '}' would end the section, a line break the line; values are cut to what the field holds.
    EXPECT_EQ(sectionValue(SectionKind::Table, "a}b\r\nc"), "a]b  c");
    EXPECT_EQ(sectionValue(SectionKind::Table, std::string(50, 'x')), std::string(39, 'x'));
    std::string chinese;
    for (int i = 0; i < 25; ++i) chinese += "管";
    EXPECT_EQ(sectionValue(SectionKind::Title, g(chinese.c_str())).size(), 40u);
    EXPECT_EQ(sectionValue(SectionKind::Table, g(chinese.c_str())).size(), 38u);
    // A character whose second byte is '}' cannot stay either.
    EXPECT_EQ(sectionValue(SectionKind::Table, "\x81}x"), "?x");
}

TEST(SectionChange, TitleValues) {
    const std::string before = drawingText({kTable, kTitle, 3});
    EXPECT_EQ(u(readSectionValues(before, SectionKind::Title)[5]), "单线图");
    const std::string after = changed(before, SectionKind::Title, 6, "DX-004");
    const ReadBack back(after);
    EXPECT_EQ(back.title(6), "DX-004");
    EXPECT_EQ(back.title(0), "张工");
    EXPECT_EQ(back.drawing.table, ReadBack(before).drawing.table);
    // A file without a title block gets one appended.
    EXPECT_EQ(ReadBack(changed(drawingText({kTable, {}, 1}), SectionKind::Title, 0, "王工")).title(0), "王工");
}

TEST(SectionChange, BatchReportsFailuresAndStopsWhenAsked) {
    TempDir dir;
    const auto a = dir / "a.hcd", b = dir / "b.hcd", missing = dir / "missing.hcd", c = dir / "c.hcd";
    for (const auto& p : {a, b, c}) writeFile(p, drawingText({kTable, kTitle}));
    auto errors = changeSectionValue({a, missing, b}, SectionKind::Table, 0, "N", true);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].kind, FileError::Read);
    EXPECT_EQ(errors[0].path, missing);
    EXPECT_EQ(ReadBack(readFile(a)).table(0), "N");
    EXPECT_EQ(ReadBack(readFile(b)).table(0), "丙烯进料线");

    std::vector<std::size_t> done;
    errors = changeSectionValue({missing, b, c}, SectionKind::Table, 0, "M", false,
                                [&](std::size_t n) { done.push_back(n); });
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(done, (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(ReadBack(readFile(b)).table(0), "M");
    EXPECT_EQ(ReadBack(readFile(c)).table(0), "M");
    // No temporary file is left beside them.
    int files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 3);
}

// A batch edit killed at random points leaves every file either old or new: never missing,
// never truncated.
TEST(SectionChange, KilledBatchLeavesEveryFileOldOrNew) {
    constexpr int kFiles = 200;
    TempDir dir;
    std::vector<std::filesystem::path> files;
    std::vector<std::string> oldText, newText;
    for (int i = 0; i < kFiles; ++i) {
        std::vector<std::string> table = kTable;
        table[1] = "P-" + std::to_string(i);
        oldText.push_back(drawingText({table, kTitle, 20 + i % 40, static_cast<std::uint32_t>(i)}));
        newText.push_back(changed(oldText.back(), SectionKind::Table, 9, "99.9"));
        files.push_back(dir / ("p" + std::to_string(i) + ".hcd"));
    }
    std::mt19937 rng(20240701);
    int mixedRounds = 0;
    for (int round = 0; round < 6; ++round) {
        for (int i = 0; i < kFiles; ++i) writeFile(files[static_cast<std::size_t>(i)], oldText[static_cast<std::size_t>(i)]);
        int progress[2];
        ASSERT_EQ(::pipe(progress), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(progress[0]);
            changeSectionValue(files, SectionKind::Table, 9, "99.9", false, [&](std::size_t) {
                const char c = 1;
                if (::write(progress[1], &c, 1) != 1) ::_exit(3);
            });
            ::_exit(0);
        }
        ::close(progress[1]);
        // Let the child get through a random number of files, then kill it somewhere inside
        // the next ones.
        const int wait = 1 + static_cast<int>(rng() % 150);
        for (int n = 0; n < wait; ++n) {
            char c;
            if (::read(progress[0], &c, 1) != 1) break;
        }
        ::usleep(rng() % 2000);
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ::close(progress[0]);

        int olds = 0, news = 0;
        for (int i = 0; i < kFiles; ++i) {
            const auto& f = files[static_cast<std::size_t>(i)];
            ASSERT_TRUE(std::filesystem::exists(f)) << f;
            const std::string now = readFile(f);
            if (now == oldText[static_cast<std::size_t>(i)]) ++olds;
            else if (now == newText[static_cast<std::size_t>(i)]) ++news;
            else FAIL() << f << " is neither the old nor the new file (" << now.size() << " bytes)";
        }
        EXPECT_GE(news, wait);
        if (olds > 0 && news > 0) ++mixedRounds;
    }
    // The kills did land in the middle of batches.
    EXPECT_GT(mixedRounds, 0);
}

TEST(ReportCopy, TargetKeepsItsDrawingPageSettingsAndOnlineReport) {
    const std::string templ = drawingText({{"template"}, {}, 0, 1, [](tubra::report::InspectionReport& r) {
        r.PrintSet_ReportData.flags[0] = 1;
        r.PrintSet_ReportData.start = 5;
        r.Face_ReportData.texts[8] = "INSPECTOR";
        r.JieLun_ReportData.texts[11] = "2";
        r.CeHou_ReportData.texts[0] = "CTS-30";
        r.thicknessPoints.append({"T1", 5.5f});
    }});
    const std::string target = drawingText({{"target"}, kTitle, 10, 2, [](tubra::report::InspectionReport& r) {
        r.PrintSet_ReportData.flags[1] = 1;
        r.PrintSet_ReportData.start = 2;
        r.Face_ReportData.texts[8] = "old unit";
        r.HuiZong_ReportData.grades[0] = 3;
        r.Face_IReportData.texts[0] = "online";
        r.PrintSet_IReportData.flags[23] = 1;
    }});
    ReadBack templBack(templ);
    const std::string copied = copyReportInto(target, templBack.report, KeptFields{});

    // One line ending in the whole file, the drawing program's LF.
    const std::size_t appended = copied.rfind("PrintSet_ReportData{");
    ASSERT_NE(appended, std::string::npos);
    EXPECT_EQ(copied.find('\r'), std::string::npos);
    // The target's own page settings stay, and the template's come after them.
    const std::size_t own = copied.find("PrintSet_ReportData{");
    EXPECT_LT(own, appended);
    EXPECT_NE(copied.find(" 0 1 0", own), std::string::npos);
    EXPECT_EQ(copied.find("HuiZong_ReportData"), std::string::npos);

    const ReadBack back(copied);
    EXPECT_EQ(back.table(0), "target");
    EXPECT_EQ(back.drawing.objects.size(), ReadBack(target).drawing.objects.size());
    EXPECT_EQ(back.drawing.title, ReadBack(target).drawing.title);
    EXPECT_EQ(back.report.PrintSet_ReportData.start, 5);
    EXPECT_EQ(back.report.PrintSet_ReportData.flags[0], 1);
    EXPECT_EQ(txt(back.report.Face_ReportData.texts[8]), "INSPECTOR");
    EXPECT_EQ(txt(back.report.JieLun_ReportData.texts[11]), "2");
    EXPECT_EQ(back.report.HuiZong_ReportData.grades[0], 0);
    ASSERT_EQ(back.report.thicknessPoints.count(), 1u);
    EXPECT_EQ(txt(back.report.thicknessPoints.at(0).pointId), "T1");
    EXPECT_EQ(txt(back.report.Face_IReportData.texts[0]), "online");
    EXPECT_EQ(back.report.PrintSet_IReportData.flags[23], 1);
}

TEST(ReportCopy, TargetCutShortInsideASectionStillGetsTheReport) {
    const ReadBack templ(drawingText({{}, {}, 0, 1, [](tubra::report::InspectionReport& r) {
        r.Face_ReportData.texts[0] = "NEW";
    }}));
    const std::string copied = copyReportInto("Object{\n\tMainType   2\n\tNumb", templ.report, KeptFields{});
    EXPECT_EQ(copied.rfind("Object{\n\tMainType   2\n\tNumb\n}\nFace_ReportData{\n", 0), 0u);
    EXPECT_EQ(txt(ReadBack(copied).report.Face_ReportData.texts[0]), "NEW");
}

TEST(ReportCopy, KeptFieldsKeepTheTargetsOwnValues) {
    auto fill = [](const char* tag) {
        return [tag](tubra::report::InspectionReport& r) {
            for (int i = 0; i < 10; ++i) r.Face_ReportData.texts[static_cast<std::size_t>(i)] = std::string(tag) + std::to_string(i);
            for (int i = 0; i < 3; ++i) r.ShengCha_ReportData.texts[static_cast<std::size_t>(i)] = std::string(tag) + "r" + std::to_string(i);
        };
    };
    const ReadBack templ(drawingText({{}, {}, 0, 1, fill("T")}));
    const std::string target = drawingText({{}, {}, 0, 1, fill("O")});
    KeptFields keep{};
    keep[static_cast<std::size_t>(KeptField::PipeNumber)] = true;
    keep[static_cast<std::size_t>(KeptField::ReportNumber)] = true;
    const ReadBack back(copyReportInto(target, templ.report, keep));
    const auto& face = back.report.Face_ReportData.texts;
    EXPECT_EQ(txt(face[5]), "O5");
    EXPECT_EQ(txt(face[7]), "O7");
    EXPECT_EQ(txt(face[4]), "T4");
    EXPECT_EQ(txt(face[2]), "T2");
    EXPECT_EQ(txt(back.report.ShengCha_ReportData.texts[2]), "Or2");
    EXPECT_EQ(txt(back.report.ShengCha_ReportData.texts[1]), "Tr1");
}

TEST(ReportCopy, FilesAreRewrittenAndUnreadableTargetsReported) {
    TempDir dir;
    writeFile(dir / "t.hcd", drawingText({{"template"}, {}, 0, 1, [](tubra::report::InspectionReport& r) {
        r.Face_ReportData.texts[0] = "NEW";
    }}));
    writeFile(dir / "a.hcd", drawingText({{"a"}, {}}));
    tubra::report::InspectionReport report;
    ASSERT_TRUE(readReport(dir / "t.hcd", report).ok());
    EXPECT_TRUE(readReport(dir / "none.hcd", report).failed());
    const auto errors = copyReportToFiles(report, {dir / "a.hcd", dir / "none.hcd"}, KeptFields{});
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, dir / "none.hcd");
    const ReadBack back(readFile(dir / "a.hcd"));
    EXPECT_EQ(txt(back.report.Face_ReportData.texts[0]), "NEW");
    EXPECT_EQ(back.table(0), "a");
}

TEST(PipeLength, SumsTheDistancesOfPipeObjectsOnly) {
    auto object = [](int kind, const char* dist) {
        return std::string("Object{\n\tMainType   ") + std::to_string(kind) + "\n\tSubType    0\n\tDistTxt    " + dist +
               "\n\tNumber     1\n}\n\n";
    };
    EXPECT_DOUBLE_EQ(drawnPipeLength(object(2, "12050")).metres, 12.05);
    EXPECT_DOUBLE_EQ(drawnPipeLength(object(2, "6000") + object(2, "6100") + object(29, "500") +
                                       object(3, "700") + object(2, "")).metres,
                     12.1);
    EXPECT_DOUBLE_EQ(drawnPipeLength(drawingText({kTable, kTitle})).metres, 0.0);
    // The generated drawing's own sum of pipe lengths.
    tubra::model::Drawing d;
    tubra::testing::generateDrawing(d, {60, 7, false});
    std::string text;
    tubra::model::writeDrawing(d, {}, text);
    EXPECT_NEAR(drawnPipeLength(text).metres, d.objects.totalPipeLength() / 1000.0, 1e-9);
    EXPECT_EQ(readDrawnPipeLength("/nonexistent/x.hcd").error(), std::errc::no_such_file_or_directory);
}
