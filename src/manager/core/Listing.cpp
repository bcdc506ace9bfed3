#include "manager/core/Listing.h"

#include <cmath>

#include "manager/core/DrawingFiles.h"
#include "manager/core/ListFields.h"
#include "text/CFormat.h"
#include "text/Gbk.h"

namespace manager {

namespace fs = std::filesystem;

std::error_code readDirectoryRows(const fs::path& dir, const std::function<void(ListRow&&)>& onRow,
                                  std::vector<std::string>* unreadable, const std::atomic<bool>* cancel,
                                  const std::function<void()>& onFile) {
    std::error_code ec;
    const std::vector<std::string> names = drawingFileNames(dir, ec);
    if (ec) return ec;
    std::string buffer;
    ListCells cells;
    int index = 0;
    for (const std::string& name : names) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        if (!ReadListFields(dir / name, cells, buffer)) {
            if (unreadable) unreadable->push_back(name);
            if (onFile) onFile();
            continue;
        }
        const std::string number = std::to_string(index + 1);
        const std::string fileCell = fileNameCell(name);
        cells[kColNumber] = number;
        cells[kColFileName] = fileCell;
        ListRow row;
        row.assign(cells);
        row.setFileName(name);
        ++index;
        onRow(std::move(row));
        if (onFile) onFile();
    }
    return {};
}

std::error_code listDirectory(PipelineList& list, const fs::path& dir, std::vector<std::string>* unreadable) {
    list.rows.clear();
    list.directory = dir;
    return readDirectoryRows(dir, [&](ListRow&& row) { list.rows.push_back(std::move(row)); }, unreadable);
}

std::string readingStatus(std::size_t filesRead) {
    return "正在处理 " + std::string(kSpinner[filesRead % 4]);
}

std::vector<LengthMismatch> checkLengths(const PipelineList& list, const std::function<void(int)>& progress,
                                         const std::atomic<bool>* cancel) {
    std::vector<LengthMismatch> result;
    for (int i = 0; i < list.size(); ++i) {
        if (cancel && cancel->load(std::memory_order_relaxed)) break;
        if (progress) progress(i);
        const ListRow& row = list.row(i);
        const std::optional<double> drawn = DrawingPipeLength(list.pathOf(i));
        const double listed = cellNumber(row.cell(kColLength));
        if (drawn && std::fabs(listed - *drawn) <= 0.09) continue;
        result.push_back({std::string(text::gbkCut(row.cell(kColNumber), 9)), std::string(row.cell(kColLength)),
                          drawn});
    }
    return result;
}

std::string drawnLengthText(const LengthMismatch& m) {
    if (!m.drawn) return "无法读取";
    return text::format("%f", *m.drawn);
}

std::string lengthCheckTitle(std::size_t count) {
    return text::format("列表中有 %d 根管道的长度与图纸不符", static_cast<int>(count));
}

}  // namespace manager
