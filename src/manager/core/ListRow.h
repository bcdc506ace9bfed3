#pragma once
// One row of the pipeline list: the texts of its cells (GBK bytes, at most 59 each) and the
// name of its file as the file system holds it.
//
// A directory can hold tens of thousands of drawings, so the cells of a row share one buffer.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "manager/core/Columns.h"

namespace manager {

class ListRow {
public:
    static constexpr std::size_t kCellBytes = 59;  // a 60-byte cell

    ListRow() = default;

    std::string_view cell(int column) const;
    // Stores `value` cut at its first NUL and to 59 bytes without splitting a character.
    void setCell(int column, std::string_view value);
    // Stores all cells at once (cells beyond `values.size()` become empty).
    void assign(const std::array<std::string_view, kReportColumns>& values);
    void clear();

    // The file's name on disk (whatever bytes the file system gives); column 18 shows it as
    // GBK text.
    const std::string& fileName() const { return fileName_; }
    void setFileName(std::string name) { fileName_ = std::move(name); }

    friend bool operator==(const ListRow&, const ListRow&) = default;

private:
    std::string data_;
    std::array<std::uint16_t, kReportColumns> ends_{};  // end offset of each cell
    std::string fileName_;
};

// A cell value as the list holds it: cut at the first NUL, at most 59 bytes, whole characters.
std::string_view cellText(std::string_view value);

}  // namespace manager
