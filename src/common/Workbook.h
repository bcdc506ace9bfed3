#pragma once
// Spreadsheet workbooks (XLSX) for lists: each sheet is a table of typed cells under a bold
// header row that stays in view and carries a filter, with columns as wide as their contents.
// Texts are UTF-8; callers convert the drawings' GBK bytes first.
//
// The writing is done by libxlsxwriter; nothing outside Workbook.cpp sees its interface.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Result.h"

namespace common {

// A cell: nothing, a text, or a number shown with a fixed count of decimals.
struct SheetCell {
    enum class Kind : std::uint8_t { Empty, Text, Number };

    Kind kind = Kind::Empty;
    std::int8_t decimals = 0;  // Number: digits after the point as shown
    double number = 0;         // Number
    std::string text;          // Text (UTF-8)

    static SheetCell ofText(std::string utf8);
    static SheetCell ofNumber(double value, int decimals);
    // A number when `utf8` is one as people write it in a table ("12", "-20", "1.60", blanks
    // around it allowed): it keeps its decimals ("1.60" shows as 1.60). Anything else stays text,
    // so are numbers whose digits a spreadsheet would change: "007" (leading zeros), "1e3", "1,5",
    // and numbers of more than 15 digits. An empty text gives an empty cell.
    static SheetCell fromText(std::string utf8);

    bool operator==(const SheetCell&) const = default;
};

struct Sheet {
    std::string name;                  // the tab's name (at most 31 characters, none of []:*?/\)
    std::vector<std::string> header;   // the first row; without one, no frozen row and no filter
    std::vector<std::vector<SheetCell>> rows;

    int columnCount() const;
};

struct Workbook {
    std::string title;  // the document's title (shown by spreadsheet programs in its properties)
    std::vector<Sheet> sheets;
};

// Width of a text in character cells: East Asian characters count two, others one.
int displayWidth(std::string_view utf8);

// The widths of a sheet's columns in character widths: the widest cell plus a margin, the
// header with room for its filter button; at least 4 and at most 80.
std::vector<double> fittedWidths(const Sheet& sheet);

// The text of a number cell as it is shown ("1.60").
std::string shownNumber(const SheetCell& cell);

// Writes `book` to `path`, replacing the file atomically (a failed write leaves an existing
// file as it was). Texts that are not valid UTF-8 have the bad bytes replaced by U+FFFD.
platform::Result<> writeWorkbook(const std::filesystem::path& path, const Workbook& book);

// Whether `path` names a workbook: it ends in ".xlsx", in any case.
bool isWorkbookName(const std::filesystem::path& path);

// The errors of the workbook library.
const std::error_category& workbookErrorCategory();

}  // namespace common
