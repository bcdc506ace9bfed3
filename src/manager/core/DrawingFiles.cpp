#include "manager/core/DrawingFiles.h"

#include "manager/core/ListFields.h"

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/FileSections.h"
#include "tubra/model/KeyMatcher.h"
#include "tubra/model/LengthText.h"
#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"
#include "tubra/report/data/InspectionReport.h"

namespace manager {

namespace fs = std::filesystem;
using tubra::model::closesSection;
using tubra::model::FileSection;
using tubra::model::fileSectionKeys;
using tubra::model::kFileSectionsInReadOrder;
using tubra::model::kTableSection;
using tubra::model::kTitleSection;
using tubra::model::LineReader;
using tubra::model::SectionId;

namespace {

// A line as the reader sees it (`match`, cut at a NUL byte: it decides what the line is) and
// as it stands (`content`, every byte, for copying).
struct RawLine {
    std::string_view match;
    std::string_view content;
};

bool nextLine(LineReader& lines, RawLine& line) { return lines.next(line.match, line.content); }

const FileSection& sectionAt(int key) { return *kFileSectionsInReadOrder[static_cast<std::size_t>(key)]; }

SectionId sectionIdOf(SectionKind kind) { return kind == SectionKind::Table ? kTableSection : kTitleSection; }

}  // namespace

const SectionLayout& sectionLayout(SectionKind kind) { return tubra::model::fileSection(sectionIdOf(kind)); }

std::vector<std::string> readSectionValues(std::string_view data, SectionKind kind, bool* found) {
    const SectionLayout& layout = sectionLayout(kind);
    std::vector<std::string> values(static_cast<std::size_t>(layout.rows));
    if (found) *found = false;
    const SectionId wanted = sectionIdOf(kind);
    LineReader lines(data);
    RawLine line;
    while (nextLine(lines, line)) {
        const int key = fileSectionKeys().find(line.match);
        if (key < 0) continue;
        if (sectionAt(key).id == wanted) {
            if (found) *found = true;
            for (std::size_t i = 0; nextLine(lines, line) && !closesSection(line.match); ++i)
                if (i < values.size()) values[i] = text::gbkCut(line.match, layout.readBytes);
            return values;
        }
        while (nextLine(lines, line) && !closesSection(line.match)) {
        }
    }
    return values;
}

std::string rewriteSection(std::string_view data, SectionKind kind,
                           const std::vector<std::string>& values) {
    const SectionLayout& layout = sectionLayout(kind);
    const SectionId wanted = sectionIdOf(kind);
    auto writeBody = [&](std::string& out) {
        for (int i = 0; i < layout.rows; ++i) {
            if (static_cast<std::size_t>(i) < values.size()) out.append(values[static_cast<std::size_t>(i)]);
            out.push_back('\n');
        }
        out.append("}\n");
    };

    std::string out;
    out.reserve(data.size() + 64 * static_cast<std::size_t>(layout.rows));
    bool written = false;
    bool unterminated = false;
    LineReader lines(data);
    RawLine line;
    while (nextLine(lines, line)) {
        out.append(line.content);
        out.push_back('\n');
        const int key = fileSectionKeys().find(line.match);
        if (key < 0) continue;
        if (sectionAt(key).id == wanted) {
            // Every such section gets the values: the drawing program reads the last one.
            writeBody(out);
            written = true;
            while (nextLine(lines, line) && !closesSection(line.match)) {
            }
            continue;
        }
        // Another section: its body is copied whole, so nothing inside it is taken for a header.
        unterminated = true;
        while (nextLine(lines, line)) {
            out.append(line.content);
            out.push_back('\n');
            if (closesSection(line.match)) {
                unterminated = false;
                break;
            }
        }
    }
    if (!written) {
        // A file cut short inside a section would take the appended section as its body.
        if (unterminated) out.append("}\n");
        out.append(layout.header);
        out.push_back('\n');
        writeBody(out);
    }
    return out;
}

std::string sectionValue(SectionKind kind, std::string_view gbkValue) {
    const auto nul = gbkValue.find('\0');
    if (nul != std::string_view::npos) gbkValue = gbkValue.substr(0, nul);
    std::string v;
    std::size_t i = 0;
    while (i < gbkValue.size()) {
        const auto c = static_cast<unsigned char>(gbkValue[i]);
        if (text::isGbkLeadByte(c) && i + 1 < gbkValue.size()) {
            // A character whose second byte is '}' cannot stand in the section either.
            if (gbkValue[i + 1] == '}') v.push_back('?');
            else v.append(gbkValue.substr(i, 2));
            i += 2;
            continue;
        }
        if (c == '}') v.push_back(tubra::model::kClosingBraceSubstitute);
        else if (c == '\r' || c == '\n') v.push_back(' ');
        else v.push_back(static_cast<char>(c));
        ++i;
    }
    return std::string(text::gbkCut(v, sectionLayout(kind).newValueBytes));
}

namespace {

const std::error_code kOutOfMemory = std::make_error_code(std::errc::not_enough_memory);

// Rewrites each file with `rewrite` (its old text -> its new text). A file is read and written
// whole; one whose text, or the new text, the memory cannot hold fails with its own error and
// the files after it are still done.
template <typename Rewrite>
std::vector<FileError> rewriteFiles(const std::vector<fs::path>& files, bool stopAtFirstError, Rewrite&& rewrite,
                                    const std::function<void(std::size_t)>& afterFile = {}) {
    std::vector<FileError> errors;
    std::string data;
    std::size_t done = 0;
    for (const fs::path& path : files) {
        FileError::Kind stage = FileError::Read;
        std::error_code ec;
        try {
            ec = tubra::model::readDrawingFile(path, data).error();
            if (!ec) {
                stage = FileError::Write;
                ec = platform::writeFileAtomically(path, rewrite(std::string_view(data))).error();
            }
        } catch (const std::bad_alloc&) {
            ec = kOutOfMemory;
        }
        if (ec) {
            // A large file's memory is given back before the next file.
            std::string().swap(data);
            errors.push_back({stage, path, ec});
            if (stopAtFirstError) break;
            continue;
        }
        if (afterFile) afterFile(++done);
    }
    return errors;
}

}  // namespace

std::vector<FileError> changeSectionValue(const std::vector<fs::path>& files, SectionKind kind,
                                          int row, std::string_view gbkValue, bool stopAtFirstError,
                                          const std::function<void(std::size_t)>& afterFile) {
    const std::string value = sectionValue(kind, gbkValue);
    return rewriteFiles(
        files, stopAtFirstError,
        [&](std::string_view data) {
            std::vector<std::string> values = readSectionValues(data, kind);
            if (row >= 0 && static_cast<std::size_t>(row) < values.size())
                values[static_cast<std::size_t>(row)] = value;
            return rewriteSection(data, kind, values);
        },
        afterFile);
}

namespace {

void readReportOf(std::string_view data, tubra::report::InspectionReport& report) {
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    drawing.report = &report;
    tubra::model::readDrawing(data, drawing, settings);
}

}  // namespace

std::string copyReportInto(std::string_view targetData,
                           const tubra::report::InspectionReport& templateReport,
                           const KeptFields& keep) {
    using tubra::report::InspectionReport;
    const InspectionReport* written = &templateReport;
    InspectionReport merged;
    bool keepAny = false;
    for (const bool k : keep) keepAny = keepAny || k;
    if (keepAny) {
        InspectionReport own;
        readReportOf(targetData, own);
        merged = templateReport;
        auto& face = merged.Face_ReportData.texts;
        auto& review = merged.ShengCha_ReportData.texts;
        const auto& ownFace = own.Face_ReportData.texts;
        const auto& ownReview = own.ShengCha_ReportData.texts;
        auto kept = [&](KeptField f) { return keep[static_cast<std::size_t>(f)]; };
        if (kept(KeptField::Unit)) face[2] = ownFace[2];
        if (kept(KeptField::Device)) {
            face[3] = ownFace[3];
            review[0] = ownReview[0];
        }
        if (kept(KeptField::PipeName)) face[4] = ownFace[4];
        if (kept(KeptField::PipeNumber)) {
            face[5] = ownFace[5];
            review[2] = ownReview[2];
        }
        if (kept(KeptField::ReviewPipeName)) review[1] = ownReview[1];
        if (kept(KeptField::InspectionDate)) face[6] = ownFace[6];
        if (kept(KeptField::ReportNumber)) face[7] = ownFace[7];
        written = &merged;
    }

    std::string out;
    out.reserve(targetData.size() + 4096);
    bool unterminated = false;
    LineReader lines(targetData);
    RawLine line;
    while (nextLine(lines, line)) {
        const int key = fileSectionKeys().find(line.match);
        if (key >= 0 && sectionAt(key).copyable) {
            while (nextLine(lines, line) && !closesSection(line.match)) {
            }
            continue;
        }
        out.append(line.content);
        out.push_back('\n');
        if (key < 0) continue;
        unterminated = true;
        while (nextLine(lines, line)) {
            out.append(line.content);
            out.push_back('\n');
            if (closesSection(line.match)) {
                unterminated = false;
                break;
            }
        }
    }
    // A file cut short inside a section would take the template's sections as its body.
    if (unterminated) out.append("}\n");
    written->WriteFullReportSections(out);
    return out;
}

platform::Result<> readReport(const fs::path& path, tubra::report::InspectionReport& report) {
    std::string data;
    try {
        if (platform::Result<> read = tubra::model::readDrawingFile(path, data); read.failed()) return read;
        readReportOf(data, report);
    } catch (const std::bad_alloc&) {
        report = {};
        return kOutOfMemory;
    }
    return {};
}

std::vector<FileError> copyReportToFiles(const tubra::report::InspectionReport& templateReport,
                                         const std::vector<fs::path>& targets,
                                         const KeptFields& keep) {
    return rewriteFiles(targets, false,
                        [&](std::string_view data) { return copyReportInto(data, templateReport, keep); });
}

DrawnLength drawnPipeLength(std::string_view data) {
    tubra::model::LineReader in(data);
    std::string_view line;
    tubra::model::LengthSum sum;
    while (in.next(line)) {
        // The writer's own spacing; kinds such as 29 also hold the text and are told apart by
        // the number.
        if (line.find("MainType   2") == std::string_view::npos) continue;
        std::string_view key;
        int kind = 0;
        if (text::scanf(line, "%s %d", key, kind) != 2 || kind != 2) continue;
        while (in.next(line) && !closesSection(line)) {
            if (line.find("DistTxt") == std::string_view::npos) continue;
            // The value is the rest of the line after the key, as the drawing program reads it.
            std::size_t p = 0;
            while (p < line.size() && text::isCSpace(line[p])) ++p;
            while (p < line.size() && !text::isCSpace(line[p])) ++p;
            sum.add(tubra::model::readPipeLength(line.substr(p)));
        }
    }
    return {sum.mm * 0.001, sum.unknown};
}

platform::Result<DrawnLength> readDrawnPipeLength(const fs::path& path) {
    std::string data;
    if (platform::Result<> read = tubra::model::readDrawingFile(path, data); read.failed()) return read.error();
    return drawnPipeLength(data);
}

}  // namespace manager
