#include "tubra/model/LineReader.h"

#include <cstring>

namespace tubra::model {

bool LineReader::next(std::string_view& line) {
    if (stopped_ || pos_ >= data_.size()) return false;
    const char* begin = data_.data() + pos_;
    const std::size_t left = data_.size() - pos_;
    const void* lf = std::memchr(begin, '\n', left);
    std::size_t len = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - begin) : left;
    pos_ += lf ? len + 1 : len;
    if (len > 0 && begin[len - 1] == '\r') --len;
    if (const void* nul = std::memchr(begin, '\0', len))
        len = static_cast<std::size_t>(static_cast<const char*>(nul) - begin);
    line = std::string_view(begin, len);
    return true;
}

void LineReader::stop(std::string why) {
    if (stopped_) return;
    stopped_ = true;
    stopReason_ = std::move(why);
}

}  // namespace tubra::model
