#include "tubra/view/BoxGrid.h"

#include <algorithm>
#include <cmath>

namespace tubra::view {

namespace {

constexpr double kFarthest = 1e12;  // bounds farther out than this are off the grid
constexpr long long kMostCellsPerBox = 64;
constexpr long long kMostCellsPerQuestion = 4096;

std::uint64_t key(long long cx, long long cy) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(cx)) << 32) | static_cast<std::uint32_t>(cy);
}

void drop(std::vector<std::size_t>& v, std::size_t i) {
    const auto it = std::find(v.begin(), v.end(), i);
    if (it == v.end()) return;
    *it = v.back();
    v.pop_back();
}

}  // namespace

void BoxGrid::reset(std::size_t count) {
    reserveLarge(boxes_, count);
    boxes_.assign(count, {});
    grid_.clear();
    wide_.clear();
}

void BoxGrid::grow(std::size_t count) {
    if (count <= boxes_.size()) return;
    reserveLarge(boxes_, count);
    boxes_.resize(count);
}

bool BoxGrid::cellRange(double x0, double y0, double x1, double y1, long long most, long long& cx0,
                        long long& cy0, long long& cx1, long long& cy1) const {
    if (!(std::fabs(x0) < kFarthest && std::fabs(y0) < kFarthest && std::fabs(x1) < kFarthest &&
          std::fabs(y1) < kFarthest))
        return false;
    cx0 = static_cast<long long>(std::floor(x0 / cell_));
    cy0 = static_cast<long long>(std::floor(y0 / cell_));
    cx1 = static_cast<long long>(std::floor(x1 / cell_));
    cy1 = static_cast<long long>(std::floor(y1 / cell_));
    return (cx1 - cx0 + 1) * (cy1 - cy0 + 1) <= most;
}

void BoxGrid::take(std::size_t i) {
    Box& b = boxes_[i];
    for (std::uint64_t k : b.cells) {
        const auto c = grid_.find(k);
        if (c == grid_.end()) continue;
        drop(c->second, i);
        if (c->second.empty()) grid_.erase(c);
    }
    b.cells.clear();
    if (b.wide) drop(wide_, i);
    b.wide = false;
}

void BoxGrid::place(std::size_t i, double x0, double y0, double x1, double y1) {
    grow(i + 1);
    take(i);
    Box& b = boxes_[i];
    b.x0 = x0, b.y0 = y0, b.x1 = x1, b.y1 = y1;
    if (x0 > x1 || y0 > y1 || std::isnan(x0) || std::isnan(y0) || std::isnan(x1) || std::isnan(y1)) {
        b.x0 = b.y0 = 0;
        b.x1 = b.y1 = -1;
        return;
    }
    long long cx0, cy0, cx1, cy1;
    if (!cellRange(x0, y0, x1, y1, kMostCellsPerBox, cx0, cy0, cx1, cy1)) {
        b.wide = true;
        wide_.push_back(i);
        return;
    }
    for (long long cy = cy0; cy <= cy1; ++cy)
        for (long long cx = cx0; cx <= cx1; ++cx) {
            b.cells.push_back(key(cx, cy));
            grid_[b.cells.back()].push_back(i);
        }
}

void BoxGrid::collect(double x0, double y0, double x1, double y1, std::vector<std::size_t>& found) {
    const auto look = [&](std::size_t i) {
        Box& b = boxes_[i];
        if (b.seen == question_ || !b.meets(x0, y0, x1, y1)) return;
        b.seen = question_;
        found.push_back(i);
    };
    long long cx0, cy0, cx1, cy1;
    if (!cellRange(x0, y0, x1, y1, kMostCellsPerQuestion, cx0, cy0, cx1, cy1)) {
        for (std::size_t i = 0; i < boxes_.size(); ++i) look(i);
        return;
    }
    for (std::size_t i : wide_) look(i);
    for (long long cy = cy0; cy <= cy1; ++cy)
        for (long long cx = cx0; cx <= cx1; ++cx) {
            const auto c = grid_.find(key(cx, cy));
            if (c == grid_.end()) continue;
            for (std::size_t i : c->second) look(i);
        }
}

}  // namespace tubra::view
