// The sheets the list exports make.
#include <gtest/gtest.h>

#include "common/Workbook.h"
#include "manager/core/Exports.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::testing;
using common::Sheet;
using common::SheetCell;
using common::Workbook;
using Kind = SheetCell::Kind;

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
