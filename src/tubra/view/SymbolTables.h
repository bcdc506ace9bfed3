#pragma once
// The line tables of the component symbols: valves, fittings, instruments, supports and site
// marks. Each symbol is a list of straight segments in a local frame: x runs along the pipe from
// the anchor (x = 0) towards the exit, y across it. The end of the last segment is the exit
// point, where the pipe continues.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace tubra::view {

struct SymbolPoint {
    double x = 0;
    double y = 0;
    friend constexpr bool operator==(const SymbolPoint&, const SymbolPoint&) = default;
};

struct SymbolSegment {
    SymbolPoint from;
    SymbolPoint to;
};

// One symbol: its code (`SubType`), its object name and its table. The table is a flat list
// of doubles: [0] the length along the pipe, [1] the overall height across it, then x1, y1,
// x2, y2 for every segment in drawing order.
struct SymbolTable {
    int code = 0;
    std::string_view name;  // UTF-8; `nameGbk` gives the bytes the drawing uses
    std::span<const double> data;

    double length() const { return data[0]; }
    double height() const { return data[1]; }
    std::size_t segmentCount() const { return (data.size() - 2) / 4; }
    SymbolSegment segment(std::size_t i) const {
        const double* p = data.data() + 2 + 4 * i;
        return {{p[0], p[1]}, {p[2], p[3]}};
    }
    // The end of the last segment.
    SymbolPoint exit() const { return segment(segmentCount() - 1).to; }
    std::string nameGbk() const;
};

// The table of a symbol code; null for codes without one.
const SymbolTable* findSymbolTable(int code);

// Every table, in code order.
std::span<const SymbolTable> allSymbolTables();

}  // namespace tubra::view
