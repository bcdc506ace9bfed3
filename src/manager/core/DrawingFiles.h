#pragma once
// What the manager changes and measures in drawing files: one characteristic-table or
// title-block value in many files, the full-inspection report copied from a template, and the
// pipe length drawn in a file.
//
// Files are rewritten through a temporary file in the same directory that is flushed, synced
// and renamed over the old file in one step: a rewrite interrupted at any point leaves either
// the old or the new file, never a missing or truncated one.

#include <array>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Result.h"
#include "tubra/model/FileSections.h"

namespace tubra::report {
class InspectionReport;
}

namespace manager {

// The two sections whose values the manager changes.
enum class SectionKind { Table, Title };

// rows, readBytes, newValueBytes and header, from the file's section table.
using SectionLayout = tubra::model::FileSection;

const SectionLayout& sectionLayout(SectionKind kind);

// The values of the first section of `kind` in a drawing file's text (sections found as the
// drawing program finds them); all empty when the file has none. `found` tells which.
std::vector<std::string> readSectionValues(std::string_view data, SectionKind kind,
                                           bool* found = nullptr);

// The file's text with the section of `kind` holding `values`: every line ends with LF, the
// header line stays, the old body up to and including its first line holding '}' gives way to
// the values and "}". A file without the section gets it appended.
std::string rewriteSection(std::string_view data, SectionKind kind,
                           const std::vector<std::string>& values);

// A new value as the section can hold it: cut to the layout's bytes, and without what would
// end the line or the section ('}' becomes ']', line breaks blanks).
std::string sectionValue(SectionKind kind, std::string_view gbkValue);

// A file the manager could not read or write.
struct FileError {
    enum Kind { Read, Write } kind;
    std::filesystem::path path;
    std::error_code error;
};

// Sets row `row` (0-based) of the section of `kind` to `gbkValue` in every file, keeping the
// other values each file holds. Files are read as readDrawingFile reads them; a file that
// cannot be read, written or held in memory is an error of its own. With `stopAtFirstError`
// the first failure ends the batch (files already rewritten stay rewritten); otherwise every
// file is tried. `afterFile` is told
// the number of files done after each one.
std::vector<FileError> changeSectionValue(const std::vector<std::filesystem::path>& files,
                                          SectionKind kind, int row, std::string_view gbkValue,
                                          bool stopAtFirstError,
                                          const std::function<void(std::size_t)>& afterFile = {});

// The fields of a target's own report that a report copy can keep.
enum class KeptField {
    Unit,              // 使用单位: cover field 2
    Device,            // 装置名称: cover field 3 and review field 0
    PipeName,          // 管道名称: cover field 4
    PipeNumber,        // 管道编号: cover field 5 and review field 2
    ReviewPipeName,    // 管道名称 of the source-document review: review field 1
    InspectionDate,    // 检验日期: cover field 6
    ReportNumber,      // 报告编号: cover field 7
};
inline constexpr int kKeptFieldCount = 7;
using KeptFields = std::array<bool, kKeptFieldCount>;

// A target's text with the full-inspection report of `templateReport`: every line ends with
// LF, as the drawing program writes its files; the target's own full-inspection sections but its page settings are dropped; its
// drawing, its page settings and its online-inspection sections stay; the template's
// full-inspection sections follow at the end (its page settings after the target's, so they
// win on reading). Fields in `keep` keep the target's own values.
std::string copyReportInto(std::string_view targetData,
                           const tubra::report::InspectionReport& templateReport,
                           const KeptFields& keep);

// Reads the report of a drawing file as the drawing program reads it. Empty when the file
// cannot be read.
platform::Result<> readReport(const std::filesystem::path& path, tubra::report::InspectionReport& report);

// Copies the full-inspection report of `templateReport` into every target (see
// copyReportInto). A target that cannot be read is skipped; every failure is returned.
std::vector<FileError> copyReportToFiles(const tubra::report::InspectionReport& templateReport,
                                         const std::vector<std::filesystem::path>& targets,
                                         const KeptFields& keep);

// The pipe length drawn in a file's text, in metres: the sum of the lengths the "DistTxt"
// texts (mm) of the pipe objects state, and how many of them state none (see
// tubra/model/LengthText.h).
struct DrawnLength {
    double metres = 0.0;
    int unknown = 0;
};
DrawnLength drawnPipeLength(std::string_view data);
// The same for a file.
platform::Result<DrawnLength> readDrawnPipeLength(const std::filesystem::path& path);

}  // namespace manager
