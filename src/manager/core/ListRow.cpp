#include "manager/core/ListRow.h"

#include "text/Gbk.h"

namespace manager {

std::string_view cellText(std::string_view value) {
    const auto nul = value.find('\0');
    if (nul != std::string_view::npos) value = value.substr(0, nul);
    return text::gbkCut(value, ListRow::kCellBytes);
}

std::string_view ListRow::cell(int column) const {
    if (column < 0 || column >= kReportColumns) return {};
    const auto c = static_cast<std::size_t>(column);
    const std::size_t begin = c == 0 ? 0 : ends_[c - 1];
    return std::string_view(data_).substr(begin, ends_[c] - begin);
}

void ListRow::setCell(int column, std::string_view value) {
    if (column < 0 || column >= kReportColumns) return;
    value = cellText(value);
    const auto c = static_cast<std::size_t>(column);
    const std::size_t begin = c == 0 ? 0 : ends_[c - 1];
    const std::size_t oldSize = ends_[c] - begin;
    data_.replace(begin, oldSize, value);
    const auto delta = static_cast<std::ptrdiff_t>(value.size()) - static_cast<std::ptrdiff_t>(oldSize);
    for (std::size_t k = c; k < ends_.size(); ++k)
        ends_[k] = static_cast<std::uint16_t>(static_cast<std::ptrdiff_t>(ends_[k]) + delta);
}

void ListRow::assign(const std::array<std::string_view, kReportColumns>& values) {
    std::size_t total = 0;
    std::array<std::string_view, kReportColumns> cut;
    for (std::size_t c = 0; c < values.size(); ++c) {
        cut[c] = cellText(values[c]);
        total += cut[c].size();
    }
    data_.clear();
    data_.reserve(total);
    for (std::size_t c = 0; c < cut.size(); ++c) {
        data_.append(cut[c]);
        ends_[c] = static_cast<std::uint16_t>(data_.size());
    }
}

void ListRow::clear() {
    data_.clear();
    ends_.fill(0);
    fileName_.clear();
}

}  // namespace manager
