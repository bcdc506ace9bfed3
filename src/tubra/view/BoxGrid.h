#pragma once
// Numbered boxes by the cells of a coarse square grid their bounds meet, for finding the few
// that meet a rectangle among many. A box over too many cells, or too far out for the grid,
// is looked at by every query. Boxes come, move and go one by one.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/FreshMemory.h"

namespace tubra::view {

using platform::LargeList;
using platform::reserveLarge;

class BoxGrid {
public:
    explicit BoxGrid(double cellSize) : cell_(cellSize) {}

    // Forgets every box; `count` numbers 0 .. count - 1 have none.
    void reset(std::size_t count);
    // Room for numbers up to `count` - 1 (the new ones have no box).
    void grow(std::size_t count);
    std::size_t size() const { return boxes_.size(); }

    // Box `i` is now x0..x1, y0..y1 (none when x0 > x1 or y0 > y1). Infinite bounds reach
    // everywhere.
    void place(std::size_t i, double x0, double y0, double x1, double y1);
    void remove(std::size_t i) { place(i, 0, 0, -1, -1); }

    // Starts a question that may look at several rectangles: each box is found once.
    void newQuestion() { ++question_; }
    // Appends to `found` the boxes meeting the rectangle not found before in this question.
    void collect(double x0, double y0, double x1, double y1, std::vector<std::size_t>& found);

private:
    struct Box {
        double x0 = 0, y0 = 0, x1 = -1, y1 = -1;
        std::vector<std::uint64_t> cells;
        bool wide = false;
        std::size_t seen = 0;
        bool meets(double ax0, double ay0, double ax1, double ay1) const {
            return !(x0 > x1) && !(y0 > y1) && !(x0 > ax1 || ax0 > x1 || y0 > ay1 || ay0 > y1);
        }
    };
    // The cells a rectangle covers, or false when it is too large or too far out for them.
    bool cellRange(double x0, double y0, double x1, double y1, long long most, long long& cx0,
                   long long& cy0, long long& cx1, long long& cy1) const;
    void take(std::size_t i);

    double cell_;
    LargeList<Box> boxes_;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> grid_;
    std::vector<std::size_t> wide_;
    std::size_t question_ = 1;
};

}  // namespace tubra::view
