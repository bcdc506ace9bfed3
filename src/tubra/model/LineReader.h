#pragma once

#include <cstddef>
#include <string_view>

namespace tubra::model {

// Reads a text file line by line, as the drawing and report readers consume it. A line ends at
// LF; a CR before the LF is dropped; a line is cut at its first NUL byte, as a C string would be.
class LineReader {
public:
    explicit LineReader(std::string_view data) : data_(data) {}

    // The next line, or false at the end of the data.
    bool next(std::string_view& line);
    bool atEnd() const { return pos_ >= data_.size(); }
    std::size_t position() const { return pos_; }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
};

// Whether a line closes a section: it holds '}' anywhere.
inline bool closesSection(std::string_view line) {
    return line.find('}') != std::string_view::npos;
}

}  // namespace tubra::model
