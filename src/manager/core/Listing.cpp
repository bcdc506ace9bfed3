#include "manager/core/Listing.h"

#include <cmath>

#include "manager/core/DrawingFiles.h"
#include "manager/core/ListFields.h"
#include "text/CFormat.h"
#include "text/Gbk.h"

namespace manager {

namespace fs = std::filesystem;

namespace {
// The read buffer goes from file to file; beyond this it is given back after a file.
constexpr std::size_t kKeptBufferBytes = std::size_t{16} << 20;
}  // namespace

namespace {

// Reads one drawing into a row numbered `index + 1`; the reason when it gives none.
platform::Result<> readRow(const fs::path& dir, const std::string& name, int index, ListCells& cells,
                           std::string& buffer, const std::function<void(ListRow&&)>& onRow) {
    std::error_code error;
    try {
        const platform::Result<> fields = readListFieldsOfFile(dir / name, cells, buffer);
        error = fields.error();
        if (fields.ok()) {
            // The cells only point at their texts: these must outlive the copy into the row.
            const std::string number = std::to_string(index + 1);
            const std::string fileCell = fileNameCell(name);
            cells[kColNumber] = number;
            cells[kColFileName] = fileCell;
            ListRow row;
            row.assign(cells);
            row.setFileName(name);
            onRow(std::move(row));
        }
    } catch (const std::bad_alloc&) {
        error = std::make_error_code(std::errc::not_enough_memory);
    }
    // What one big file took is not kept for the small ones after it.
    if (error || buffer.capacity() > kKeptBufferBytes) std::string().swap(buffer);
    return error;
}

}  // namespace

platform::Result<> readDirectoryRows(const fs::path& dir, const std::function<void(ListRow&&)>& onRow,
                                  std::vector<UnreadableFile>* unreadable, const std::atomic<bool>* cancel,
                                  const std::function<void()>& onFile) {
    std::error_code ec;
    const std::vector<std::string> names = drawingFileNames(dir, ec);
    if (ec) return ec;
    std::string buffer;
    ListCells cells;
    int index = 0;
    for (const std::string& name : names) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        if (const auto read = readRow(dir, name, index, cells, buffer, onRow); read.ok())
            ++index;
        else if (unreadable)
            unreadable->push_back({name, read.error()});
        if (onFile) onFile();
    }
    return {};
}

platform::Result<> listDirectory(PipelineList& list, const fs::path& dir, std::vector<UnreadableFile>* unreadable) {
    list.rows.clear();
    list.directory = dir;
    return readDirectoryRows(dir, [&](ListRow&& row) { list.rows.push_back(std::move(row)); }, unreadable);
}

platform::Result<> listFile(PipelineList& list, const fs::path& file) {
    list.rows.clear();
    list.directory = file.has_parent_path() ? file.parent_path() : fs::path(".");
    std::string buffer;
    ListCells cells;
    const auto read = readRow(list.directory, file.filename().string(), 0, cells, buffer,
                              [&](ListRow&& row) { list.rows.push_back(std::move(row)); });
    if (read.ok() && list.rows.empty()) return std::make_error_code(std::errc::invalid_argument);
    return read;
}

std::string readingStatus(std::size_t filesRead) {
    return "正在处理 " + std::string(kSpinner[filesRead % 4]);
}

std::string readingDoneStatus(std::size_t unreadable) {
    if (unreadable == 0) return std::string(kReadingDone);
    return text::format("%s，%d 个文件无法读取", std::string(kReadingDone), static_cast<int>(unreadable));
}

std::vector<LengthMismatch> checkLengths(const PipelineList& list, const std::function<void(int)>& progress,
                                         const std::atomic<bool>* cancel) {
    std::vector<LengthMismatch> result;
    for (int i = 0; i < list.size(); ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        if (progress) progress(i);
        const ListRow& row = list.row(i);
        const platform::Result<DrawnLength> read = readDrawnPipeLength(list.pathOf(i));
        DrawnLength drawn;
        if (read.ok()) drawn = read.value();
        const double listed = cellNumber(row.cell(kColLength));
        if (read.ok() && drawn.unknown == 0 && std::fabs(listed - drawn.metres) <= 0.09) continue;
        LengthMismatch m{std::string(text::gbkCut(row.cell(kColNumber), 9)), std::string(row.cell(kColLength)),
                         std::nullopt, list.pathOf(i), read.error()};
        if (read.ok()) {
            m.drawn = drawn.metres;
            m.unknownLengths = drawn.unknown;
        }
        result.push_back(std::move(m));
    }
    return result;
}

std::string drawnLengthText(const LengthMismatch& m) {
    if (!m.drawn) return "无法读取";
    if (m.unknownLengths > 0)
        return text::format("%f（另有 %d 根管段的文字不是长度数字，未计入）", *m.drawn, m.unknownLengths);
    return text::format("%f", *m.drawn);
}

std::string lengthCheckTitle(std::size_t count) {
    return text::format("列表中有 %d 根管道的长度与图纸不符", static_cast<int>(count));
}

}  // namespace manager
