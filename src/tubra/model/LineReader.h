#pragma once

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace tubra::model {

// How much of a file the readers keep. Far beyond any real drawing (a large one has a few
// thousand objects and a few hundred report items per list), these stop a damaged or hostile
// file from taking all memory: every line can make a record thousands of bytes large.
inline constexpr std::size_t kMaxDrawingFileBytes = std::size_t{256} << 20;
inline constexpr std::size_t kMaxObjects = 50000;
inline constexpr std::size_t kMaxReportListItems = 10000;  // per list of a report section
inline constexpr std::size_t kMaxKeptSectionLines = 20000;  // per section kept line by line

// Reads a text file line by line, as the drawing and report readers consume it. A line ends at
// LF; a CR before the LF is dropped; a line is cut at its first NUL byte, as a C string would be.
class LineReader {
public:
    explicit LineReader(std::string_view data) : data_(data) {}

    // The next line, or false at the end of the data or after stop().
    bool next(std::string_view& line);
    // The next line of a section body: false at the end of the data, after stop(), and at the
    // line that closes the section (see closesSection), which is consumed. One pass over the
    // bytes instead of next() followed by closesSection().
    bool nextInSection(std::string_view& line);
    bool atEnd() const { return pos_ >= data_.size(); }
    // The data not read yet (nothing after stop()), for a reader that reads a line in place;
    // it then consumes the line, its LF included, with advance().
    std::string_view rest() const { return stopped_ ? std::string_view() : data_.substr(pos_); }
    void advance(std::size_t bytes) { pos_ += std::min(bytes, data_.size() - pos_); }
    std::size_t position() const { return pos_; }

    // Ends the reading where it is, for a reader that reached one of the limits above: every
    // later next() returns false. `why` (UTF-8) says which; the first reason is kept.
    void stop(std::string why);
    bool stopped() const { return stopped_; }
    const std::string& stopReason() const { return stopReason_; }

private:
    std::string_view data_;
    std::size_t pos_ = 0;
    bool stopped_ = false;
    std::string stopReason_;
};

// Whether a line closes a section: it holds '}' anywhere.
inline bool closesSection(std::string_view line) {
    return line.find('}') != std::string_view::npos;
}

}  // namespace tubra::model
