#include "upload/CodePage.h"

#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <memory>

#include "text/Gbk.h"

namespace kavelup {

namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

unsigned char byteAt(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }

bool isContinuation(std::string_view s, std::size_t i, unsigned char lo = 0x80,
                    unsigned char hi = 0xBF) {
    return i < s.size() && byteAt(s, i) >= lo && byteAt(s, i) <= hi;
}

// Length of a well-formed UTF-8 sequence at s[i], or 1 for a byte that starts none.
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const unsigned char c = byteAt(s, i);
    if (c < 0x80) return 1;
    if (c >= 0xC2 && c <= 0xDF) return isContinuation(s, i + 1) ? 2 : 1;
    if (c >= 0xE0 && c <= 0xEF) {
        // E0 excludes overlong forms, ED the surrogates.
        const unsigned char lo = c == 0xE0 ? 0xA0 : 0x80;
        const unsigned char hi = c == 0xED ? 0x9F : 0xBF;
        return isContinuation(s, i + 1, lo, hi) && isContinuation(s, i + 2) ? 3 : 1;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        const unsigned char lo = c == 0xF0 ? 0x90 : 0x80;
        const unsigned char hi = c == 0xF4 ? 0x8F : 0xBF;
        return isContinuation(s, i + 1, lo, hi) && isContinuation(s, i + 2) &&
                       isContinuation(s, i + 3)
                   ? 4
                   : 1;
    }
    return 1;
}

}  // namespace

bool parseCodePage(std::string_view name, CodePage& out) {
    for (const char* gbk : {"gbk", "cp936", "936", "gb2312"})
        if (equalsNoCase(name, gbk)) {
            out = CodePage::Gbk;
            return true;
        }
    for (const char* utf8 : {"utf-8", "utf8", "65001"})
        if (equalsNoCase(name, utf8)) {
            out = CodePage::Utf8;
            return true;
        }
    return false;
}

const char* codePageName(CodePage cp) { return cp == CodePage::Gbk ? "GBK" : "UTF-8"; }

std::size_t charLength(CodePage cp, std::string_view s, std::size_t i) {
    if (cp == CodePage::Utf8) return utf8Length(s, i);
    return byteAt(s, i) >= 0x80 && i + 1 < s.size() ? 2 : 1;
}

bool startsCharacter(CodePage cp, std::string_view s, std::size_t pos) {
    if (cp == CodePage::Utf8) return true;  // an ASCII byte is never inside a UTF-8 sequence
    // An ASCII byte always ends a character, so a character starts just after the last one
    // before `pos`; from there the high bytes pair off two by two.
    std::size_t run = 0;
    while (run < pos && byteAt(s, pos - run - 1) >= 0x80) ++run;
    return run % 2 == 0;
}

namespace {

// First position p in [from, end) where `marker` (2 to 16 bytes) starts; `end` + marker size - 1
// <= s.size(). Every byte of the marker is compared for 16 positions at a time, so only real
// occurrences stop the search: data made of near misses ("; ; ; ") costs no more than any
// other data.
std::size_t findMarker(std::string_view s, std::size_t from, std::size_t end,
                       std::string_view marker) {
    const std::size_t m = marker.size();
    std::size_t p = from;
#if defined(__SSE2__)
    if (m <= 16) {
        __m128i bytes[16];
        for (std::size_t i = 0; i < m; ++i) bytes[i] = _mm_set1_epi8(marker[i]);
        // Each step reads s[p .. p + 15 + m - 1].
        while (p + 16 <= end && p + 15 + m <= s.size()) {
            __m128i all = _mm_set1_epi8(static_cast<char>(0xFF));
            for (std::size_t i = 0; i < m; ++i) {
                const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s.data() + p + i));
                all = _mm_and_si128(all, _mm_cmpeq_epi8(x, bytes[i]));
            }
            const auto mask = static_cast<unsigned>(_mm_movemask_epi8(all));
            if (mask != 0) return p + static_cast<std::size_t>(__builtin_ctz(mask));
            p += 16;
        }
    }
#endif
    for (; p < end; ++p)
        if (s.compare(p, m, marker) == 0) return p;
    return std::string_view::npos;
}

// Whether an odd number of bytes with the high bit set runs up to s[k], counting on into the
// text before `s` (`oddBefore`) when the run reaches the start of `s`.
bool oddHighRunBefore(std::string_view s, std::size_t k, bool oddBefore) {
    std::size_t run = 0;
    while (run < k && byteAt(s, k - run - 1) >= 0x80) ++run;
    return run == k ? ((run & 1) != 0) != oddBefore : (run & 1) != 0;
}

}  // namespace

void TextCounter::update(std::string_view piece) {
    const std::size_t m = marker_.size();
    if (m == 0 || piece.empty()) return;
    const bool gbk = cp_ == CodePage::Gbk;
    const std::uint64_t tailStart = end_ - tail_.size();

    // Occurrences that start in the tail of what came before and end in this piece.
    if (!tail_.empty()) {
        std::string joint = tail_;
        joint.append(piece.substr(0, m - 1));
        for (std::size_t j = 0; j < tail_.size() && j + m <= joint.size(); ++j) {
            if (tailStart + j < nextStart_ || joint.compare(j, m, marker_) != 0) continue;
            if (gbk && oddHighRunBefore(joint, j, oddBeforeTail_)) continue;
            ++count_;
            nextStart_ = tailStart + j + m;
        }
    }

    // Occurrences within the piece.
    if (piece.size() >= m) {
        const std::size_t starts = piece.size() - m + 1;
        std::size_t next = nextStart_ > end_ ? static_cast<std::size_t>(nextStart_ - end_) : 0;
        while (next < starts) {
            const std::size_t at = m == 1 ? piece.find(marker_[0], next)
                                          : findMarker(piece, next, starts, marker_);
            if (at == std::string_view::npos || at >= starts) break;
            if (piece.compare(at, m, marker_) == 0 &&
                !(gbk && oddHighRunBefore(piece, at, oddAtEnd_))) {
                ++count_;
                next = at + m;
                nextStart_ = end_ + next;
            } else {
                next = at + 1;
            }
        }
    }

    // The new tail and the runs of high bytes before it and at the end.
    if (piece.size() >= m - 1) {
        const std::size_t cut = piece.size() - (m - 1);
        if (gbk) oddBeforeTail_ = oddHighRunBefore(piece, cut, oddAtEnd_);
        tail_.assign(piece.substr(cut));
    } else {
        std::string joined = tail_;
        joined.append(piece);
        const std::size_t cut = joined.size() > m - 1 ? joined.size() - (m - 1) : 0;
        if (gbk) oddBeforeTail_ = oddHighRunBefore(joined, cut, oddBeforeTail_);
        tail_.assign(joined, cut);
    }
    if (gbk) oddAtEnd_ = oddHighRunBefore(piece, piece.size(), oddAtEnd_);
    end_ += piece.size();
}

std::size_t countText(CodePage cp, std::string_view s, std::string_view marker) {
    TextCounter counter(cp, marker);
    counter.update(s);
    return counter.count();
}

std::string removeText(CodePage cp, std::string_view s, std::string_view marker) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, marker.size(), marker) == 0) {
            i += marker.size();
            continue;
        }
        const std::size_t n = charLength(cp, s, i);
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

std::size_t findLastText(CodePage cp, std::string_view s, std::string_view chars) {
    std::size_t last = std::string_view::npos;
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n = charLength(cp, s, i);
        if (n == 1 && chars.find(s[i]) != std::string_view::npos) last = i;
        i += n;
    }
    return last;
}

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// A pair that GBK can hold at all: lead 81..FE, trail 40..FE but not 7F.
bool isGbkShaped(unsigned char lead, unsigned char trail) {
    return lead >= 0x81 && lead <= 0xFE && trail >= 0x40 && trail <= 0xFE && trail != 0x7F;
}

// iconv's answer for each GBK pair, asked once per pair and thread: text full of pairs iconv
// refuses would otherwise cost one conversion call per pair.
class PairCache {
public:
    // Appends the pair's UTF-8, or U+FFFD when GBK has no such character.
    void append(std::string& out, unsigned char lead, unsigned char trail) {
        if (!entries_) entries_ = std::make_unique<std::uint32_t[]>(65536);
        std::uint32_t& e = entries_[lead << 8 | trail];
        if (e == 0) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            const std::string u = text::gbkToUtf8(std::string_view(pair, 2));
            e = kNoCharacter;
            if (u.size() <= 3 && u.find(kReplacement) == std::string::npos) {
                e = static_cast<std::uint32_t>(u.size()) << 24;
                for (std::size_t i = 0; i < u.size(); ++i)
                    e |= static_cast<std::uint32_t>(static_cast<unsigned char>(u[i])) << (8 * i);
            }
        }
        if (e == kNoCharacter) {
            out += kReplacement;
            return;
        }
        for (std::uint32_t i = 0; i < e >> 24; ++i) out += static_cast<char>(e >> (8 * i));
    }

private:
    static constexpr std::uint32_t kNoCharacter = 0xFFFFFFFF;
    std::unique_ptr<std::uint32_t[]> entries_;
};

// GBK text decoded character by character as the pairing rule splits it, so a pair that is not
// a GBK character becomes one U+FFFD and never lets its second byte ("/", say) through. iconv
// decodes a chunk at once when every pair in it has the shape of a GBK character (it would
// take a lone 0x80 as a character of its own) and nothing needed replacing.
void appendGbkChunk(std::string& out, std::string_view s, bool shaped) {
    if (shaped) {
        std::string converted = text::gbkToUtf8(s);
        if (converted.find(kReplacement) == std::string::npos) {
            out += converted;  // GBK has no U+FFFD of its own, so nothing was replaced
            return;
        }
    }
    thread_local PairCache pairs;
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = charLength(CodePage::Gbk, s, i);
        if (n == 1) {
            if (byteAt(s, i) < 0x80)
                out += s[i];
            else
                out += kReplacement;
        } else if (!isGbkShaped(byteAt(s, i), byteAt(s, i + 1))) {
            out += kReplacement;
        } else {
            pairs.append(out, byteAt(s, i), byteAt(s, i + 1));
        }
        i += n;
    }
}

}  // namespace

std::string toUtf8(CodePage cp, std::string_view s) {
    if (cp == CodePage::Gbk) {
        std::string out;
        out.reserve(s.size() + s.size() / 2);
        // Chunks that end on a character boundary keep a bad pair's slow path short.
        constexpr std::size_t kChunk = 4096;
        std::size_t start = 0;
        while (start < s.size()) {
            std::size_t end = start;
            bool shaped = true;
            while (end < s.size() && end - start < kChunk) {
                const std::size_t n = charLength(cp, s, end);
                if (byteAt(s, end) >= 0x80)
                    shaped = shaped && n == 2 && isGbkShaped(byteAt(s, end), byteAt(s, end + 1));
                end += n;
            }
            appendGbkChunk(out, s.substr(start, end - start), shaped);
            start = end;
        }
        return out;
    }
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t n = utf8Length(s, i);
        if (n == 1 && byteAt(s, i) >= 0x80)
            out.append("\xEF\xBF\xBD");
        else
            out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

std::size_t findBytes(std::string_view hay, std::string_view needle, std::size_t from) {
    if (from > hay.size()) return std::string_view::npos;
    if (needle.empty()) return from;
    // glibc's memmem stays linear on hostile input, unlike a naive search.
    const void* hit =
        memmem(hay.data() + from, hay.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - hay.data())
               : std::string_view::npos;
}

}  // namespace kavelup
