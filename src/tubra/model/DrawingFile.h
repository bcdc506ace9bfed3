#pragma once
// The text form of a drawing (*.hcd): sections "2dDrawing {", "Object{" (one per object),
// "TeXingBiao{", "Title{", then the report sections. GBK bytes, LF line ends.

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "platform/Result.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/KeyMatcher.h"

namespace platform {
class FileBytes;
}

namespace tubra::model {

// Appends the whole file to `out`. Sets the drawing's `Total` to the object count after
// writing the `Total` line, which carries the value held before. The report sections come
// from `drawing.report` when it is set. With `drain`, `out` is handed to it whenever it holds
// 128 KiB or more, to be written away and emptied: a large file never lies whole in memory
// (what is left at the end stays in `out`).
void writeDrawing(Drawing& drawing, const DrawingSettings& settings, std::string& out,
                  const std::function<void(std::string&)>& drain = {});

// The file in its three parts, as writeDrawing writes them one after the other: the settings
// section (with `Total` as the drawing holds it), one "Object{" section, and what follows the
// objects (table, title block, report sections). A writer that keeps the bytes of unchanged
// objects puts a file together from these without writing the whole drawing again.
void writeDrawingHead(const Drawing& drawing, const DrawingSettings& settings, std::string& out);
void writeObjectSection(const PipeObject& object, std::string& out);
void writeDrawingTail(const Drawing& drawing, std::string& out);

// How far reading went.
struct ReadResult {
    // Set when the file holds more than the program keeps (see LineReader.h): reading stopped
    // there, and `reason` (UTF-8) says what was too much. What was read stays.
    bool stopped = false;
    std::string reason;
    // Section header lines found as a writer writes them ("2dDrawing {", "Object{", ...): none
    // in a file that is no drawing at all (a text, a picture), which reads as an empty drawing.
    int headers = 0;
    explicit operator bool() const { return !stopped; }
};

// Reads a whole file into `drawing` and the shared `settings`: objects are appended, every
// value the file holds overwrites the current one, report sections go to `drawing.report`.
// Unknown lines are skipped and missing values keep their values; only a file beyond the
// limits stops early.
ReadResult readDrawing(std::string_view data, Drawing& drawing, DrawingSettings& settings);

// Reads a drawing file whole into `data` (whose storage is reused), as both programs read
// drawings: a FIFO, device or socket under a drawing's name is refused without being opened
// or waited for, a file beyond kMaxDrawingFileBytes is refused (FileError::tooLarge), and a
// file whose bytes cannot be held gives std::errc::not_enough_memory.
platform::Result<> readDrawingFile(const std::filesystem::path& path, std::string& data);
// The same, a large file mapped instead of copied (platform::FileBytes): what opening a
// drawing reads.
platform::Result<> readDrawingFile(const std::filesystem::path& path, platform::FileBytes& data);

// The sections a reader looks for, and their order, are those of FileSections.h.

// The characters a single-line text of the drawing file cannot hold, replaced on writing:
// '}' would end the section on reading, CR and LF would end the line.
inline constexpr char kClosingBraceSubstitute = ']';

// The three axis labels share one line, separated by blanks, so a label cannot hold white
// space (each such byte becomes '_'), '}' (']', and '?' for a two-byte character ending in
// it), and cannot be empty when a later label is not: an empty one is then written as a
// full-width blank, which shows as nothing. The result is cut to the 4 bytes a label holds,
// without splitting a character.
inline constexpr char kAxisLabelBlankSubstitute = '_';
inline constexpr std::string_view kEmptyAxisLabel = "\xA1\xA1";
std::string axisLabelForFile(std::string_view gbk, bool mayBeEmpty);

}  // namespace tubra::model
