#pragma once
// The list leaves the manager as a tab-separated text for spreadsheets and as the import file
// of the pipeline registration program (census). Both are GBK text with CR LF line ends.

#include <filesystem>
#include <string>
#include <string_view>
#include <utility>

#include "manager/core/PipelineList.h"

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

// Whether an export to `output` would overwrite a drawing: its name ends in ".hcd" (in any
// case), it is a link to such a file, or it is one of the files of `list`. Such an output is
// refused.
bool isDrawingOutput(const std::filesystem::path& output, const PipelineList& list);

// The default name of the census file (UTF-8).
inline constexpr std::string_view kCensusFileName = "普查登记导入数据.csv";

}  // namespace manager
