#pragma once
// How the component reads body bytes as text. Markers are found in the raw bytes, but texts
// (field names, client paths, values) are read character by character in the component's code
// page: with GBK a byte with the high bit set starts a two-byte character together with the byte
// after it, whatever that byte is, so an ASCII byte in second place belongs to the character
// before it and is never a quote, a backslash or the start of a marker.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kavelup {

enum class CodePage { Gbk, Utf8 };

// "gbk", "cp936", "936", "gb2312" or "utf-8", "utf8", "65001", in any case. False otherwise.
bool parseCodePage(std::string_view name, CodePage& out);
const char* codePageName(CodePage cp);

// Bytes of the character starting at s[i] (at least 1, never past the end of `s`).
std::size_t charLength(CodePage cp, std::string_view s, std::size_t i);

// Whether a character starts at s[pos] when `s` is read from its first byte. s[pos] must be an
// ASCII byte: only the bytes just before it need to be looked at.
bool startsCharacter(CodePage cp, std::string_view s, std::size_t pos);

// Number of non-overlapping occurrences of the ASCII `marker` in `s` read as text.
std::size_t countText(CodePage cp, std::string_view s, std::string_view marker);

// The same count for a text that arrives piece by piece, so each piece is counted while it is
// still in the cache. Occurrences are counted once they lie wholly within what has arrived,
// also when they straddle pieces.
class TextCounter {
public:
    TextCounter(CodePage cp, std::string_view marker) : cp_(cp), marker_(marker) {}
    // The next piece of the text.
    void update(std::string_view piece);
    std::size_t count() const { return count_; }

private:
    CodePage cp_;
    std::string marker_;
    std::size_t count_ = 0;
    std::uint64_t end_ = 0;        // bytes seen so far
    std::uint64_t nextStart_ = 0;  // first position that may start an occurrence
    std::string tail_;             // the last bytes seen, fewer than the marker has
    // Whether an odd number of high bytes runs up to the start of tail_, and to the end of
    // what was seen (in GBK such a run decides where characters start).
    bool oddBeforeTail_ = false;
    bool oddAtEnd_ = false;
};

// `s` read as text, without every occurrence of the ASCII `marker`.
std::string removeText(CodePage cp, std::string_view s, std::string_view marker);

// Byte position of the last character of `s` that is one of the ASCII `chars`, or npos.
std::size_t findLastText(CodePage cp, std::string_view s, std::string_view chars);

// `s` as UTF-8. GBK goes through iconv; a byte sequence that is not valid in the code page
// becomes U+FFFD, so the result is always valid UTF-8.
std::string toUtf8(CodePage cp, std::string_view s);

// First occurrence of `needle` in `hay` at or after `from`, as raw bytes; npos if none. An empty
// needle is found at `from` when `from` is inside `hay` or at its end.
std::size_t findBytes(std::string_view hay, std::string_view needle, std::size_t from);

}  // namespace kavelup
