#pragma once
// Reading a directory into list rows, and checking the lengths of the listed pipelines.

#include <atomic>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "manager/core/ListRow.h"
#include "platform/Result.h"
#include "manager/core/PipelineList.h"

namespace manager {

// A drawing file of a directory that gives no row, and why.
struct UnreadableFile {
    std::string name;
    std::error_code error;
    bool operator==(const UnreadableFile&) const = default;
};

// Reads every drawing file of `dir` in name order and hands one row per readable file to
// `onRow`; rows are numbered 1, 2, ... in column 0. A file that cannot be read (also one that
// is no regular file, too large, or more than the memory holds) gives no row and goes to
// `unreadable` (when given); the files after it are read all the same. `cancel`, when given
// and set, stops the reading between two files. `onFile` is told after every file, rows or
// not. Returns the error when the directory itself cannot be read.
platform::Result<> readDirectoryRows(const std::filesystem::path& dir,
                                  const std::function<void(ListRow&&)>& onRow,
                                  std::vector<UnreadableFile>* unreadable = nullptr,
                                  const std::atomic<bool>* cancel = nullptr,
                                  const std::function<void()>& onFile = {});

// Lists `dir` into `list` at once (the command line and tests; the window reads off its
// thread with readDirectoryRows).
platform::Result<> listDirectory(PipelineList& list, const std::filesystem::path& dir,
                              std::vector<UnreadableFile>* unreadable = nullptr);

// Lists the one drawing `file` as its only row, numbered 1, with the same columns as a directory
// listing; the list's directory is the file's. Returns why the file gives no row.
platform::Result<> listFile(PipelineList& list, const std::filesystem::path& file);

// The characters the status pane turns through while a directory is read (UTF-8).
inline constexpr std::string_view kSpinner[4] = {"─", "＼", "｜", "／"};
std::string readingStatus(std::size_t filesRead);  // "正在处理 " + the turning character
inline constexpr std::string_view kReadingDone = "处理完毕";
// "处理完毕", and how many drawing files gave no row when there were such files.
std::string readingDoneStatus(std::size_t unreadable);

// A listed pipeline whose list length and drawn length differ by more than 0.09 m.
struct LengthMismatch {
    std::string number;      // column 0 (GBK, at most 9 bytes)
    std::string listLength;  // column 12 as listed (GBK)
    std::optional<double> drawn;  // none when the file cannot be read
    std::filesystem::path path;   // the row's file
    std::error_code error;        // why it cannot be read
    int unknownLengths = 0;       // segments whose length text states no length (not in `drawn`)
};

// Compares column 12 of every row with the pipe length drawn in its file. Rows whose files
// cannot be read, and rows whose drawings have segments that state no length, are reported too. `progress` is told the row index before each row;
// `cancel` stops between rows.
std::vector<LengthMismatch> checkLengths(const PipelineList& list,
                                         const std::function<void(int)>& progress = {},
                                         const std::atomic<bool>* cancel = nullptr);

// The result window's third column: the drawn length with "%f" (and how many segments it leaves
// out), or the reason there is none.
std::string drawnLengthText(const LengthMismatch& m);  // UTF-8
// The result window's title: "列表中有 %d 根管道的长度与图纸不符".
std::string lengthCheckTitle(std::size_t count);

}  // namespace manager
