#include <gtest/gtest.h>

#include <sys/stat.h>

#include "manager/core/ListFields.h"
#include "manager/core/Listing.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;

namespace {

const std::vector<std::string> kTable = {
    "丙烯进料线", "P-1001-108", "GC2", "丙烯", "2.5", "40", "泵P-101至反应器R-101", "岩棉",
    "1998/05/01", "12.5", "3", "24", "1", "4", "6", "过滤器1台", "20#", "φ108×4"};
const std::vector<std::string> kTitle = {"张工", "李工", "DX-017", "2024/07/01", "2024/07/05",
                                         "丙烯进料线单线图", "DX-003"};

ListCells read(std::string_view data) {
    ListCells cells;
    readListFields(data, cells);
    return cells;
}

std::vector<std::string> utf8Cells(const ListCells& cells) {
    std::vector<std::string> out;
    for (const auto& c : cells) out.push_back(u(c));
    return out;
}

}  // namespace

TEST(ReadListFields, TakesTableAndTitleLinesIntoTheirColumns) {
    const std::string data = drawingText({kTable, kTitle, 40});
    const auto c = utf8Cells(read(data));
    // Table lines 1-9 to columns 1-9, line 10 (length) to 12, lines 17 and 18 to 10 and 11;
    // the counts (lines 11-16) are not listed.
    for (int i = 0; i < 9; ++i) EXPECT_EQ(c[static_cast<std::size_t>(i + 1)], kTable[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(c[12], "12.5");
    EXPECT_EQ(c[10], "20#");
    EXPECT_EQ(c[11], "φ108×4");
    // Title lines to 13 (drafter), 15 (checker), 19 (number), 14, 16 (dates), 17 (name), 20.
    EXPECT_EQ(c[13], "张工");
    EXPECT_EQ(c[15], "李工");
    EXPECT_EQ(c[19], "DX-017");
    EXPECT_EQ(c[14], "2024/07/01");
    EXPECT_EQ(c[16], "2024/07/05");
    EXPECT_EQ(c[17], "丙烯进料线单线图");
    EXPECT_EQ(c[20], "DX-003");
    // Columns the reader does not fill, and no report marks in a file without a report.
    EXPECT_EQ(c[0], "");
    EXPECT_EQ(c[18], "");
    for (int col = 21; col < kReportColumns; ++col) EXPECT_EQ(c[static_cast<std::size_t>(col)], "") << col;
}

TEST(ReadListFields, ShortSectionsEndAtTheirClosingLine) {
    // A Title of six lines: "}" is not the old drawing number.
    std::string data = "Title{\nA\nB\nC\nD\nE\nF\n}\n\n";
    auto c = read(data);
    EXPECT_EQ(c[17], "F");
    EXPECT_EQ(c[20], "");

    // A table cut short does not swallow the next section's header and values.
    data = "TeXingBiao{\nname\nnumber\n}\nTitle{\nA\nB\nC\nD\nE\nF\nG\n}\n";
    c = read(data);
    EXPECT_EQ(c[1], "name");
    EXPECT_EQ(c[2], "number");
    EXPECT_EQ(c[3], "");
    EXPECT_EQ(c[13], "A");
    EXPECT_EQ(c[20], "G");

    // A file that ends inside a section keeps what it had.
    c = read("TeXingBiao{\r\nname\r\nnumber");
    EXPECT_EQ(c[1], "name");
    EXPECT_EQ(c[2], "number");
}

TEST(ReadListFields, MarksTheReportSections) {
    const std::string data = drawingText({kTable, kTitle, 0, 1, [](tubra::report::InspectionReport& r) {
        r.Face_ReportData.texts[0] = "X";
        r.JieLun_ReportData.texts[11] = "2";
        r.Mulu_ReportData.flags = {0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    }});
    const auto c = utf8Cells(read(data));
    EXPECT_EQ(c[21], "2");
    EXPECT_EQ(c[22], "√");
    EXPECT_EQ(c[23], "√");
    // Forms whose not-inspected flag is 0 are marked.
    const std::vector<int> notInspected = {1, 4, 14};
    for (int r = 0; r < 15; ++r) {
        const bool marked = std::find(notInspected.begin(), notInspected.end(), r) == notInspected.end();
        EXPECT_EQ(c[static_cast<std::size_t>(24 + r)], marked ? "√" : "") << r;
    }
}

TEST(ReadListFields, GradeNeedsALineWithoutZero) {
    std::string conclusion = "JieLun_ReportData{\n";
    for (int i = 1; i <= 15; ++i) conclusion += i == 12 ? "0\n" : "x\n";
    conclusion += "}\n";
    EXPECT_EQ(read(conclusion)[21], "");
    conclusion.replace(conclusion.find("\n0\n"), 3, "\n3 级以上\n");
    // At most 3 bytes, never half a character.
    EXPECT_EQ(read(conclusion)[21], "3 ");
}

TEST(ReadListFields, CellsHoldAtMost59Bytes) {
    std::string longValue;
    for (int i = 0; i < 40; ++i) longValue += "管";  // 80 bytes
    ListRow row;
    const std::string data = "TeXingBiao{\n" + g(longValue.c_str()) + "\n}\n";
    ListCells cells = read(data);
    row.assign(cells);
    EXPECT_EQ(row.cell(1).size(), 58u);  // 29 characters: the 30th would need bytes 59 and 60
    row.setCell(2, "x" + std::string(cells[1]));
    EXPECT_EQ(row.cell(2).size(), 59u);
    EXPECT_EQ(row.cell(1).size(), 58u);
}

TEST(DrawingFiles, NamesAreTestedLowerCasedBySubstring) {
    EXPECT_TRUE(isDrawingFileName("a.HCD"));
    EXPECT_TRUE(isDrawingFileName("a.hcd.bak"));
    EXPECT_TRUE(isDrawingFileName("管线.hcd"));
    EXPECT_FALSE(isDrawingFileName("$$tmp.hcd"));
    EXPECT_FALSE(isDrawingFileName("$$TMP.HCD"));
    EXPECT_FALSE(isDrawingFileName("a.hc"));
    // What an interrupted rewrite leaves behind is not a drawing.
    EXPECT_FALSE(isDrawingFileName(".a.hcd.Ab12Cd"));
    EXPECT_TRUE(isDrawingFileName(".a.hcd"));
}

TEST(DrawingFiles, DirectoryListingSkipsWhatIsNoDrawing) {
    TempDir dir;
    writeFile(dir / "b.hcd", drawingText({{"B"}, {}}));
    writeFile(dir / "a.HCD", drawingText({{"A"}, {}}));
    writeFile(dir / "$$tmp.hcd", "");
    writeFile(dir / "notes.txt", "TeXingBiao{\n");
    writeFile(dir / "empty.hcd", "");
    std::filesystem::create_directory(dir / "sub.hcd");
    std::filesystem::create_symlink(dir / "missing", dir / "broken.hcd");

    PipelineList list;
    std::vector<UnreadableFile> unreadable;
    ASSERT_TRUE(listDirectory(list, dir.path(), &unreadable).ok());
    ASSERT_EQ(list.size(), 3);
    EXPECT_EQ(list.row(0).cell(kColFileName), "a.HCD");
    EXPECT_EQ(list.row(0).cell(kColName), "A");
    EXPECT_EQ(list.row(1).cell(kColFileName), "b.hcd");
    // A file without the sections still gives a row, with empty cells.
    EXPECT_EQ(list.row(2).cell(kColFileName), "empty.hcd");
    EXPECT_EQ(list.row(2).cell(kColName), "");
    // Rows are numbered as they are inserted; the unreadable file gives none.
    EXPECT_EQ(list.row(0).cell(kColNumber), "1");
    EXPECT_EQ(list.row(2).cell(kColNumber), "3");
    ASSERT_EQ(unreadable.size(), 1u);
    EXPECT_EQ(unreadable[0].name, "broken.hcd");
    EXPECT_EQ(unreadable[0].error, std::errc::no_such_file_or_directory);
    EXPECT_EQ(list.pathOf(1), dir.path() / "b.hcd");

    EXPECT_TRUE(listDirectory(list, dir / "no-such-directory").failed());
    EXPECT_EQ(list.size(), 0);
}

TEST(DrawingFiles, FileNameCellIsGbk) {
    EXPECT_EQ(fileNameCell("管线.hcd"), g("管线.hcd"));
    // A name that is not UTF-8 came with its GBK bytes and is shown as it is.
    const std::string gbkName = g("管线.hcd");
    EXPECT_EQ(fileNameCell(gbkName), gbkName);
}

TEST(DrawingFiles, ReadingCanBeCancelledBetweenFiles) {
    TempDir dir;
    for (int i = 0; i < 5; ++i) writeFile(dir / ("f" + std::to_string(i) + ".hcd"), "");
    std::atomic<bool> cancel{false};
    int rows = 0;
    ASSERT_TRUE(readDirectoryRows(dir.path(), [&](ListRow&&) {
        if (++rows == 2) cancel = true;
    }, nullptr, &cancel).ok());
    EXPECT_EQ(rows, 2);
}

TEST(ReadListFields, LinesEndAtNulAsTheReadersSeeThem) {
    using namespace std::string_view_literals;
    auto c = read("TeXingBiao\0{\nnot a value\n}\n"sv);
    EXPECT_EQ(c[1], "");
    c = read("junk\0{junk\nTeXingBiao{\nname\0tail\n}\n"sv);
    EXPECT_EQ(c[1], "name");
    // Braces inside other sections' lines do not disturb the reading.
    c = read("Object{\n\tDistTxt    {\n}\nTitle{\nA\n}\n");
    EXPECT_EQ(c[13], "A");
}

#include "manager/core/DirectoryScan.h"

namespace {
// A tree node that records what the scan gives it, as "path" strings.
struct RecordingNode {
    std::string path;
    std::vector<std::string>* seen;
    void addDrawing(const std::string& name) { seen->push_back(path + name); }
    RecordingNode addDirectory(const std::string& name) {
        seen->push_back(path + name + "/");
        return {path + name + "/", seen};
    }
};
}  // namespace

TEST(DirectoryTree, ScansTwoLevelsAndSkipsHiddenDirectories) {
    TempDir dir;
    std::filesystem::create_directories(dir / "a" / "b" / "c");
    std::filesystem::create_directories(dir / ".hidden");
    writeFile(dir / "top.hcd", "");
    writeFile(dir / "$$tmp.hcd", "");
    writeFile(dir / "a" / "mid.HCD", "");
    writeFile(dir / "a" / "b" / "deep.hcd", "");
    writeFile(dir / "a" / "notes.txt", "");
    std::vector<std::string> seen;
    RecordingNode root{"", &seen};
    scanDirectory(root, dir.path());
    EXPECT_EQ(seen, (std::vector<std::string>{"top.hcd", "a/", "a/mid.HCD", "a/b/"}));
}
