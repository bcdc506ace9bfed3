#include "manager/core/PipelineList.h"

#include <algorithm>
#include <numeric>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace manager {

double cellNumber(std::string_view cell) { return text::leadingNumber(cell); }

std::filesystem::path PipelineList::pathOf(int r) const { return directory / row(r).fileName(); }

double PipelineList::totalLength() const {
    double sum = 0;
    for (const ListRow& r : rows) sum += cellNumber(r.cell(kColLength));
    return sum;
}

double PipelineList::totalLength(const std::vector<int>& selected) const {
    double sum = 0;
    for (const int i : selected) sum += cellNumber(row(i).cell(kColLength));
    return sum;
}

void PipelineList::resetSort() {
    sortColumn_ = -1;
    sortDirection_ = 1;
}

int PipelineList::sortBy(int column, std::string_view remembered) {
    if (column < 0 || column >= columnCount()) return findByNumber(remembered);
    sortColumn_ = column;
    sortDirection_ = sortDirection_ ? 0 : 1;
    const bool descending = sortDirection_ == 1;

    // Whole rows move, so no cell is cut and each row keeps its file. Rows that compare equal
    // keep their order.
    std::vector<std::size_t> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    if (isNumericColumn(column)) {
        std::vector<double> keys(rows.size());
        for (std::size_t i = 0; i < rows.size(); ++i) keys[i] = cellNumber(rows[i].cell(column));
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return descending ? keys[a] > keys[b] : keys[a] < keys[b];
        });
    } else {
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            // Byte-wise: the GBK code order, as a multibyte string comparison gives.
            const int c = rows[a].cell(column).compare(rows[b].cell(column));
            return descending ? c > 0 : c < 0;
        });
    }
    std::vector<ListRow> sorted;
    sorted.reserve(rows.size());
    for (const std::size_t i : order) sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
    return remembered.empty() ? -1 : findByNumber(remembered);
}

void PipelineList::renumber() {
    ascendingNumbers_ = !ascendingNumbers_;
    const int n = size();
    for (int i = 0; i < n; ++i)
        rows[static_cast<std::size_t>(i)].setCell(kColNumber,
                                                  text::format("%d", ascendingNumbers_ ? i + 1 : n - i));
}

int PipelineList::findByNumber(std::string_view number) const {
    for (int i = 0; i < size(); ++i)
        if (row(i).cell(kColNumber) == number) return i;
    return -1;
}

int PipelineList::findByFileName(std::string_view gbkName) const {
    const std::string wanted = text::gbkLower(gbkName);
    for (int i = 0; i < size(); ++i)
        if (text::gbkLower(row(i).cell(kColFileName)) == wanted) return i;
    return -1;
}

void PipelineList::removeRows(std::vector<int> selected) {
    std::sort(selected.begin(), selected.end());
    selected.erase(std::unique(selected.begin(), selected.end()), selected.end());
    for (auto it = selected.rbegin(); it != selected.rend(); ++it)
        if (*it >= 0 && *it < size()) rows.erase(rows.begin() + *it);
}

void PipelineList::mergeRows(const std::vector<int>& selected, std::string_view number,
                             std::string_view length) {
    if (selected.empty()) return;
    ListRow& target = rows.at(static_cast<std::size_t>(selected.front()));
    target.setCell(kColPipeNumber, number);
    target.setCell(kColLength, length);
    if (reportMode) {
        for (int c = kColGrade; c < kReportColumns; ++c)
            for (const int i : selected) {
                const std::string_view mark = row(i).cell(c);
                if (!mark.empty()) target.setCell(c, std::string(text::gbkCut(mark, 2)));
            }
    }
    removeRows(std::vector<int>(selected.begin() + 1, selected.end()));
}

std::string statusSummary(std::string_view nodeText, int count, double total) {
    return text::format("%s目录下，管线=%d根, 总长=%6.2f米", nodeText, count, total);
}

std::string selectionSummary(int count, double total) {
    return text::format("选择管线数=%d根,被选择的管线总长=%-6.2f米", count, total);
}

}  // namespace manager
