#include "manager/core/Columns.h"

#include <vector>

#include "text/Gbk.h"

namespace manager {

std::string columnHeaderGbk(int column) {
    static const std::vector<std::string> headers = [] {
        std::vector<std::string> h;
        for (const auto header : kColumnHeaders) h.push_back(text::utf8ToGbk(header));
        return h;
    }();
    return headers.at(static_cast<std::size_t>(column));
}

int columnWidth(int column) {
    if (column == 2 || column == 7 || column == 17 || column == 18) return 180;
    if (column == 19 || column == 20) return 120;
    return static_cast<int>(columnHeaderGbk(column).size()) * 10;
}

}  // namespace manager
