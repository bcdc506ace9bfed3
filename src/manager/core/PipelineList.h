#pragma once
// The pipeline list: one row per drawing file of the listed directory, and what the list does
// with its rows by itself (sorting, renumbering, merging, removing, the summaries).

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/core/ListRow.h"

namespace manager {

class PipelineList {
public:
    std::vector<ListRow> rows;
    // The listed directory; empty before the first listing.
    std::filesystem::path directory;
    bool reportMode = false;

    int columnCount() const { return manager::columnCount(reportMode); }
    int size() const { return static_cast<int>(rows.size()); }
    const ListRow& row(int i) const { return rows.at(static_cast<std::size_t>(i)); }

    // The file of a row: the listed directory and the row's file name.
    std::filesystem::path pathOf(int row) const;

    // Sum of the lengths (column 12, by its leading number; text that is no number counts 0).
    double totalLength() const;
    double totalLength(const std::vector<int>& selected) const;

    // Sorts by `column` as a header click does: the direction flips on every click (the first
    // click sorts ascending). `remembered` is the column-0 text of the first selected row;
    // returns the index of the row that holds it afterwards, or -1.
    int sortBy(int column, std::string_view remembered);
    int sortColumn() const { return sortColumn_; }
    // The columns were rebuilt: no sort column, direction 1.
    void resetSort();

    // "重整序号": column 0 becomes 1, 2, 3, ... and on the next call n, n-1, ..., 1.
    void renumber();

    // The first row whose column 0 is `number`, or -1.
    int findByNumber(std::string_view number) const;
    // The first row whose file name (column 18), lower-cased, equals `name` lower-cased.
    int findByFileName(std::string_view gbkName) const;

    // Removes the given rows (indices in any order).
    void removeRows(std::vector<int> selected);

    // Merges the selected rows into the first: its column 2 becomes `number` and column 12
    // `length`; in report-list mode each mark (columns 21 to 38) of any selected row is
    // carried over. The other selected rows leave the list.
    void mergeRows(const std::vector<int>& selected, std::string_view number, std::string_view length);

private:
    int sortColumn_ = -1;
    int sortDirection_ = 1;
    bool ascendingNumbers_ = false;
};

// Status pane texts (UTF-8).
std::string statusSummary(std::string_view nodeText, int count, double total);
std::string selectionSummary(int count, double total);

// The numeric value of a cell as the list compares and sums it (C atof).
double cellNumber(std::string_view cell);

}  // namespace manager
