#pragma once
// Reading the list fields of a drawing file, and which directory entries are drawings.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "manager/core/Columns.h"
#include "manager/core/ListRow.h"
#include "platform/Result.h"

namespace manager {

// The cells of one file; views into the file's text (or into constants).
using ListCells = std::array<std::string_view, kReportColumns>;

// The list fields of a file's text: the characteristic table to columns 1 to 12, the title
// block to columns 13 to 17, 19 and 20, and the report marks to columns 21 to 38. Columns 0
// and 18 are left empty.
void readListFields(std::string_view data, ListCells& cells);

// Reads the file at `path` into `buffer` and its fields into `cells`. Fails only when the file
// cannot be read; then `cells` are all empty.
platform::Result<> readListFieldsOfFile(const std::filesystem::path& path, ListCells& cells, std::string& buffer);

// A drawing file: its name, lower-cased, contains ".hcd", and it is none of the files the
// programs make for their own work: the placeholder of a new drawing ("$$tmp.hcd"), the
// file a rewrite is written to ("$$tmpFile.hcd", a name ending in ".hcd$$") and the
// temporary file of an interrupted rewrite.
bool isDrawingFileName(std::string_view name);

// An older form of a rewrite's temporary name: "." + target name + "." + 6 characters.
bool isRewriteTemporary(std::string_view name);

// The names of the drawing files of `dir` (not directories), sorted by their bytes.
std::vector<std::string> drawingFileNames(const std::filesystem::path& dir, std::error_code& ec);

// Column 18 of a file: its name as GBK text. A name that is valid UTF-8 is converted; any
// other name is taken as GBK bytes already.
std::string fileNameCell(std::string_view name);

// The name of the placeholder file of a new drawing.
inline constexpr std::string_view kNewDrawingPlaceholder = "$$tmp.hcd";
// What the table and title rewrites of other copies of the manager write to, lower-cased.
inline constexpr std::string_view kRewritePlaceholder = "$$tmpfile.hcd";
// What their report copy writes to: the target's name and this.
inline constexpr std::string_view kReportCopySuffix = ".hcd$$";

}  // namespace manager
