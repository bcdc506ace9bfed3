// The workbook writer and the sheets the exports make. What a spreadsheet reader finds in the
// written files is checked from Python with openpyxl (tests/manager/cli/xlsx_exports_test.py).
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <set>

#include "manager/core/Exports.h"
#include "manager/core/Workbook.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;
using Kind = SheetCell::Kind;

namespace {

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
    ASSERT_FALSE(writeWorkbook(out, smallBook()));
    const std::string first = readFile(out);
    EXPECT_EQ(first.substr(0, 2), "PK");  // a zip archive
    ASSERT_EQ(::chmod(out.c_str(), 0640), 0);

    // A sheet name a spreadsheet refuses fails the write; the old file stays, and nothing else.
    Workbook bad = smallBook();
    bad.sheets[0].name = "a/b";
    EXPECT_EQ(writeWorkbook(out, bad), std::errc::invalid_argument);
    EXPECT_EQ(readFile(out), first);
    EXPECT_EQ(names(dir.path()), std::set<std::string>{"list.xlsx"});

    // Replacing keeps the file's mode; invalid text does not stop the write.
    Workbook other = smallBook();
    other.sheets[0].rows[0][1] = SheetCell::ofText("\xff\xfe");
    ASSERT_FALSE(writeWorkbook(out, other));
    EXPECT_NE(readFile(out), first);
    struct stat st {};
    ASSERT_EQ(::stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    const auto missing = dir / "no-such-dir" / "x.xlsx";
    EXPECT_EQ(writeWorkbook(missing, smallBook()), std::errc::no_such_file_or_directory);

    EXPECT_TRUE(isWorkbookName("a/List.XLSX"));
    EXPECT_FALSE(isWorkbookName("a.xlsx.csv"));
    EXPECT_FALSE(isWorkbookName("xlsx"));
}

namespace {

PipelineList exportedList(bool reportMode) {
    PipelineList list;
    list.reportMode = reportMode;
    ListRow row;
    row.setCell(kColNumber, "7");
    row.setCell(kColName, g("丙烯线"));
    row.setCell(kColPipeNumber, "007");
    row.setCell(kColPressure, "1.60");
    row.setCell(kColTemperature, "-20~150");
    row.setCell(kColStartEnd, g("泵P-101至反应器R-101"));
    row.setCell(kColInService, "2003.10");
    row.setCell(kColSize, g("φ108×4.5"));
    row.setCell(kColLength, std::string(55, '9'));
    row.setCell(kColFileName, "a.hcd");
    row.setCell(kColGrade, "2");
    row.setCell(kColFace, g("√"));
    list.rows.push_back(row);
    return list;
}

}  // namespace

TEST(ExportWorkbooks, TheListCellForCellWithItsNumericColumnsAsNumbers) {
    for (const bool report : {false, true}) {
        const PipelineList list = exportedList(report);
        const Workbook book = listWorkbook(list);
        ASSERT_EQ(book.sheets.size(), 1u);
        const Sheet& s = book.sheets[0];
        // The text export's header and cells, in UTF-8.
        std::string header;
        for (const auto& h : s.header) header += h + "\t";
        EXPECT_EQ(header + "\r\n", u(textExport(list).substr(0, textExport(list).find("\r\n") + 2)));
        ASSERT_EQ(s.rows.size(), 1u);
        const auto& r = s.rows[0];
        ASSERT_EQ(r.size(), report ? 39u : 21u);
        EXPECT_EQ(r[kColNumber], SheetCell::ofNumber(7, 0));
        EXPECT_EQ(r[kColPipeNumber], SheetCell::ofText("007"));      // not a numeric column
        EXPECT_EQ(r[kColInService], SheetCell::ofText("2003.10"));   // a date, not 2003.1
        EXPECT_EQ(r[kColPressure], SheetCell::ofNumber(1.6, 2));
        EXPECT_EQ(r[kColTemperature], SheetCell::ofText("-20~150"));
        EXPECT_EQ(r[kColSize], SheetCell::ofText("φ108×4.5"));
        // Cut to the text export's 49 bytes: then more digits than a number keeps.
        EXPECT_EQ(r[kColLength], SheetCell::ofText(std::string(49, '9')));
        EXPECT_EQ(r[kColOldDrawingNo].kind, Kind::Empty);
        if (report) {
            EXPECT_EQ(r[kColGrade], SheetCell::ofNumber(2, 0));
            EXPECT_EQ(r[kColFace], SheetCell::ofText("√"));
        }
    }
}

TEST(ExportWorkbooks, CensusRowsAreTheImportFileFields) {
    const PipelineList list = exportedList(false);
    const Workbook book = censusWorkbook(list, g("常减压装置,一"));
    const Sheet& s = book.sheets[0];
    // The device line is the header: the name in the first and the last column.
    ASSERT_EQ(s.header.size(), 24u);
    EXPECT_EQ(s.header[0], "常减压装置,一");
    EXPECT_EQ(s.header[23], "常减压装置,一");
    for (std::size_t i = 1; i < 23; ++i) EXPECT_EQ(s.header[i], "");
    ASSERT_EQ(s.rows.size(), 1u);
    const auto fields = censusFields(list.rows[0], g("常减压装置,一"));
    const auto& r = s.rows[0];
    ASSERT_EQ(r.size(), 24u);
    for (std::size_t f = 0; f < 24; ++f) {
        if (r[f].kind == Kind::Number) EXPECT_EQ(shownNumber(r[f]), u(fields[f])) << f;
        else EXPECT_EQ(r[f].text, u(fields[f])) << f;
    }
    EXPECT_EQ(r[3], SheetCell::ofText("泵P-101"));
    EXPECT_EQ(r[4], SheetCell::ofText("反应器R-101"));
    EXPECT_EQ(r[6], SheetCell::ofNumber(108, 0));
    EXPECT_EQ(r[7], SheetCell::ofNumber(4.5, 1));
    EXPECT_EQ(r[11], SheetCell::ofNumber(1.6, 2));
    // The comma stays inside the cell; the import file quotes it.
    EXPECT_EQ(r[23], SheetCell::ofText("常减压装置,一"));
}

TEST(ExportWorkbooks, LengthCheckKeepsTheWindowsColumnsAndTitle) {
    std::vector<LengthMismatch> result(2);
    result[0] = {"3", "12.00", 12.1, "/d/a.hcd", {}};
    result[1] = {"4", g("约5"), std::nullopt, "/d/b.hcd", std::make_error_code(std::errc::permission_denied)};
    const Workbook book = lengthCheckWorkbook(result);
    EXPECT_EQ(book.title, "列表中有 2 根管道的长度与图纸不符");
    const Sheet& s = book.sheets[0];
    EXPECT_EQ(s.header, (std::vector<std::string>{"序号", "表中长度(米)", "校核长度(米)"}));
    ASSERT_EQ(s.rows.size(), 2u);
    EXPECT_EQ(s.rows[0], (std::vector<SheetCell>{SheetCell::ofNumber(3, 0), SheetCell::ofNumber(12, 2),
                                                 SheetCell::ofNumber(12.1, 6)}));
    EXPECT_EQ(s.rows[1], (std::vector<SheetCell>{SheetCell::ofNumber(4, 0), SheetCell::ofText("约5"),
                                                 SheetCell::ofText("无法读取")}));
}
