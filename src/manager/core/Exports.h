#pragma once
// The list leaves the manager as a tab-separated text for spreadsheets and as the import file
// of the pipeline registration program (census). Both are GBK text with CR LF line ends.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "manager/core/Listing.h"
#include "manager/core/PipelineList.h"
#include "common/Workbook.h"

namespace manager {

// The text export: the header line and one line per row, every cell (at most 49 bytes)
// followed by a TAB, every line ended by CR LF; 21 columns, 39 in report-list mode.
std::string textExport(const PipelineList& list);

// The file a text export chosen as `chosen` is written to: ".txt" is always appended.
std::string textExportFileName(std::string_view chosen);

// Start and end point of a "起止点" text: split at "至", else at "，", else at ","; without a
// separator the whole text is the start. In both parts every "，" and "," becomes "/".
std::pair<std::string, std::string> splitStartEnd(std::string_view gbk);

// Diameter and wall thickness of a "管线规格" text: a text holding "Φ", "φ" or "DN" loses its
// first two bytes; then it is split at "×", else at "*"; without either the whole rest is the
// diameter.
std::pair<std::string, std::string> splitSize(std::string_view gbk);

// A census field: cut to 49 bytes, and quoted as CSV quotes (doubling inner quotes) when it
// holds a comma, a quote or a line break, so it cannot shift the columns.
std::string censusField(std::string_view gbk);

// The census import file for the device `deviceGbk`: the device line, then 24 fields per row.
std::string censusExport(const PipelineList& list, std::string_view deviceGbk);

// The 24 fields of a row's census line (GBK, each at most 49 bytes, not yet quoted).
std::array<std::string, 24> censusFields(const ListRow& row, std::string_view deviceGbk);

// The same exports as workbooks (see Workbook.h); texts in UTF-8, and the cells of the list's
// numeric columns (the numbers it sorts and sums: row number, pressure, temperature, length,
// grade) as numbers where they hold one.
// The list: the text export's header and rows, cell for cell.
common::Workbook listWorkbook(const PipelineList& list);
// The census file's lines, cell for cell: the device line is the header; row number, diameter,
// thickness, length, pressure and temperature are numbers where they hold one.
common::Workbook censusWorkbook(const PipelineList& list, std::string_view deviceGbk);
// The length-check result: "序号", "表中长度(米)", "校核长度(米)" (the drawn length with six
// decimals, or why there is none); the result window's title is the workbook's title.
common::Workbook lengthCheckWorkbook(const std::vector<LengthMismatch>& result);

// Whether an export to `output` would overwrite a drawing: its name ends in ".hcd" (in any
// case), it is a link to such a file, or it is one of the files of `list`. Such an output is
// refused.
bool isDrawingOutput(const std::filesystem::path& output, const PipelineList& list);

// The default names of the census file and its workbook, and of the list's workbook (UTF-8).
inline constexpr std::string_view kCensusFileName = "普查登记导入数据.csv";
inline constexpr std::string_view kCensusWorkbookName = "普查登记导入数据.xlsx";
inline constexpr std::string_view kListWorkbookName = "管线列表输出.xlsx";

}  // namespace manager
