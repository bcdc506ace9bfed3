// The workbook writer. What a spreadsheet reader finds in the written files is checked from
// Python with openpyxl (tests/manager/cli/xlsx_exports_test.py).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <set>
#include <sstream>

#include "common/Workbook.h"
#include "support/TempDir.h"

using namespace common;
using tubra::testing::TempDir;
using Kind = SheetCell::Kind;

namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::set<std::string> names(const std::filesystem::path& dir) {
    std::set<std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir)) out.insert(e.path().filename().string());
    return out;
}

Workbook smallBook() {
    Sheet s;
    s.name = "表";
    s.header = {"序号", "名称"};
    s.rows = {{SheetCell::fromText("1"), SheetCell::ofText("甲")}};
    return {"标题", {s}};
}

}  // namespace

TEST(SheetCell, NumbersAsWrittenInTablesOthersStayText) {
    struct Case {
        const char* text;
        Kind kind;
        double value;
        int decimals;
    };
    const Case cases[] = {
        {"12", Kind::Number, 12, 0},           {"-20", Kind::Number, -20, 0},
        {"1.60", Kind::Number, 1.6, 2},        {" 3.5\t", Kind::Number, 3.5, 1},
        {"0", Kind::Number, 0, 0},             {"0.05", Kind::Number, 0.05, 2},
        {"123456789012345", Kind::Number, 123456789012345.0, 0},
        // A spreadsheet would change these: leading zeros go, exponents and commas are read
        // differently, and more than 15 digits lose the last ones.
        {"007", Kind::Text, 0, 0},             {"1e3", Kind::Text, 0, 0},
        {"1,5", Kind::Text, 0, 0},             {".5", Kind::Text, 0, 0},
        {"5.", Kind::Text, 0, 0},              {"-", Kind::Text, 0, 0},
        {"+5", Kind::Text, 0, 0},              {"1234567890123456", Kind::Text, 0, 0},
        {"0.1234567890123456", Kind::Text, 0, 0},
        {"2.5MPa", Kind::Text, 0, 0},          {"-20~150", Kind::Text, 0, 0},
        {"", Kind::Empty, 0, 0},
    };
    for (const Case& c : cases) {
        const SheetCell cell = SheetCell::fromText(c.text);
        EXPECT_EQ(cell.kind, c.kind) << c.text;
        if (c.kind == Kind::Number) {
            EXPECT_DOUBLE_EQ(cell.number, c.value) << c.text;
            EXPECT_EQ(cell.decimals, c.decimals) << c.text;
        } else if (c.kind == Kind::Text) {
            EXPECT_EQ(cell.text, c.text);  // untouched, blanks and all
        }
    }
    EXPECT_EQ(shownNumber(SheetCell::fromText("1.60")), "1.60");
    EXPECT_EQ(shownNumber(SheetCell::ofNumber(99.60000000000001, 6)), "99.600000");
}

TEST(SheetWidths, CjkCountsDoubleHeadersLeaveRoomForTheFilterButton) {
    EXPECT_EQ(displayWidth("P-101"), 5);
    EXPECT_EQ(displayWidth("管线名称"), 8);
    EXPECT_EQ(displayWidth("工作温度℃"), 10);
    EXPECT_EQ(displayWidth("φ89×4.5"), 7);
    EXPECT_EQ(displayWidth("ＡＢ"), 4);       // full-width forms
    EXPECT_EQ(displayWidth("\xff\xfe" "a"), 3);  // bytes that are no UTF-8 count one each

    Sheet s;
    s.header = {"管线名称", "长", "x"};
    s.rows = {{SheetCell::ofText("丙烯进料线"), SheetCell::fromText("12.50")},
              {SheetCell::ofText("ab"), SheetCell::fromText("3"), SheetCell::ofText(std::string(200, 'w'))}};
    EXPECT_EQ(s.columnCount(), 3);
    // Header 8 + filter button 3 beats 10 + 1; "12.50" + 1 beats header 2 + 3; the long one is
    // capped.
    EXPECT_EQ(fittedWidths(s), (std::vector<double>{11.0, 6.0, 80.0}));
    s.rows[0][1] = SheetCell::fromText("-12345.678");
    EXPECT_EQ(fittedWidths(s)[1], 11.0);
    Sheet empty;
    empty.rows = {{SheetCell()}};
    EXPECT_EQ(fittedWidths(empty), std::vector<double>{4.0});
}

TEST(WorkbookFile, WrittenWholeOrNotAtAll) {
    TempDir dir;
    const auto out = dir / "list.xlsx";
    ASSERT_TRUE(writeWorkbook(out, smallBook()).ok());
    const std::string first = readFile(out);
    EXPECT_EQ(first.substr(0, 2), "PK");  // a zip archive
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);

    // A sheet name a spreadsheet refuses fails the write; the old file stays, and nothing else.
    Workbook bad = smallBook();
    bad.sheets[0].name = "a/b";
    EXPECT_EQ(writeWorkbook(out, bad).error(), std::errc::invalid_argument);
    EXPECT_EQ(readFile(out), first);
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"list.xlsx"});

    // Replacing keeps the file's mode; invalid text does not stop the write.
    Workbook other = smallBook();
    other.sheets[0].rows[0][1] = SheetCell::ofText("\xff\xfe");
    ASSERT_TRUE(writeWorkbook(out, other).ok());
    EXPECT_NE(readFile(out), first);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const auto missing = dir / "no-such-dir" / "x.xlsx";
    EXPECT_EQ(writeWorkbook(missing, smallBook()).error(), std::errc::no_such_file_or_directory);

    EXPECT_TRUE(isWorkbookName("a/List.XLSX"));
    EXPECT_FALSE(isWorkbookName("a.xlsx.csv"));
    EXPECT_FALSE(isWorkbookName("xlsx"));
}
