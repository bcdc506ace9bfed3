#include "tubra/model/LineReader.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

namespace {

// The index of the first LF, '}' or NUL in p[0, n), or n.
std::size_t findLineStop(const char* p, std::size_t n) {
    std::size_t i = 0;
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i brace = _mm_set1_epi8('}');
    const __m128i nul = _mm_setzero_si128();
    for (; i + 16 <= n; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        const __m128i hit = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, brace)),
                                         _mm_cmpeq_epi8(v, nul));
        if (const int mask = _mm_movemask_epi8(hit)) return i + static_cast<std::size_t>(__builtin_ctz(mask));
    }
#endif
    for (; i < n; ++i)
        if (p[i] == '\n' || p[i] == '}' || p[i] == '\0') return i;
    return n;
}

}  // namespace

bool LineReader::nextInSection(std::string_view& line) {
    if (stopped_ || pos_ >= data_.size()) return false;
    const char* begin = data_.data() + pos_;
    const std::size_t left = data_.size() - pos_;
    const std::size_t stop = findLineStop(begin, left);
    if (stop < left && begin[stop] != '\n') {
        // A brace or a NUL before the end of the line: the rare lines take the plain way.
        if (!next(line)) return false;
        return !closesSection(line);
    }
    std::size_t len = stop;
    pos_ += stop < left ? len + 1 : len;
    if (len > 0 && begin[len - 1] == '\r') --len;
    line = std::string_view(begin, len);
    return true;
}

void LineReader::stop(std::string why) {
    if (stopped_) return;
    stopped_ = true;
    stopReason_ = std::move(why);
}

}  // namespace tubra::model
