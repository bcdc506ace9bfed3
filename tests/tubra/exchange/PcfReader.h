#pragma once
// A small reader of piping component files, independent of the writer: header lines, then
// component blocks (an identifier at the start of a line, indented attributes below it).

#include <cmath>
#include <cstdlib>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace pcf {

struct Point {
    double x = 0, y = 0, z = 0;
    std::optional<double> bore;
};

inline double distance(const Point& a, const Point& b) {
    return std::sqrt((a.x - b.x) * (a.x - b.x) + (a.y - b.y) * (a.y - b.y) +
                     (a.z - b.z) * (a.z - b.z));
}

struct Block {
    std::string identifier;
    std::vector<Point> ends;  // END-POINT lines in order
    std::optional<Point> centre, branch, coords;
    std::multimap<std::string, std::string> attributes;  // every other indented line

    std::string get(const std::string& key) const {
        const auto it = attributes.find(key);
        return it == attributes.end() ? std::string() : it->second;
    }
    // Every point the block has where something can join it.
    std::vector<Point> joints() const {
        std::vector<Point> out = ends;
        if (branch) out.push_back(*branch);
        return out;
    }
};

struct File {
    std::multimap<std::string, std::string> header;  // top-level lines before the components
    std::vector<Block> blocks;
    std::vector<std::string> malformed;  // lines the reader could not take
};

inline std::optional<Point> parsePoint(const std::string& value) {
    std::istringstream in(value);
    in.imbue(std::locale::classic());
    Point p;
    if (!(in >> p.x >> p.y >> p.z)) return std::nullopt;
    double b;
    if (in >> b) p.bore = b;
    return p;
}

inline File read(std::string_view text) {
    static const char* const headerKeys[] = {
        "ISOGEN-FILES",   "UNITS-BORE",        "UNITS-CO-ORDS",     "UNITS-WEIGHT",
        "UNITS-BOLT-DIA", "UNITS-BOLT-LENGTH", "PIPELINE-REFERENCE"};
    File f;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string line(text.substr(pos, end - pos));
        pos = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const bool indented = line[0] == ' ' || line[0] == '\t';
        const std::size_t start = line.find_first_not_of(" \t");
        const std::size_t space = line.find(' ', start);
        const std::string key =
            line.substr(start, space == std::string::npos ? std::string::npos : space - start);
        const std::string value =
            space == std::string::npos ? std::string() : line.substr(space + 1);
        if (!indented) {
            bool header = false;
            for (const char* h : headerKeys) header = header || key == h;
            if (header && f.blocks.empty()) {
                f.header.emplace(key, value);
            } else {
                f.blocks.push_back({key, {}, {}, {}, {}, {}});
            }
            continue;
        }
        if (f.blocks.empty()) continue;  // attributes of the pipeline
        Block& b = f.blocks.back();
        if (key == "END-POINT" || key == "CENTRE-POINT" || key == "BRANCH1-POINT" ||
            key == "CO-ORDS") {
            const auto p = parsePoint(value);
            if (!p) {
                f.malformed.push_back(line);
                continue;
            }
            if (key == "END-POINT")
                b.ends.push_back(*p);
            else if (key == "CENTRE-POINT")
                b.centre = p;
            else if (key == "BRANCH1-POINT")
                b.branch = p;
            else
                b.coords = p;
        } else {
            b.attributes.emplace(key, value);
        }
    }
    return f;
}

}  // namespace pcf
