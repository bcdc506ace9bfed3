#pragma once
// GBK (code page 936) byte strings: safe cutting and conversion to and from UTF-8.

#include <cstddef>
#include <string>
#include <string_view>

namespace text {

// A byte that starts a two-byte GBK character.
constexpr bool isGbkLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

// Length of the longest prefix of `s` that has at most `maxBytes` bytes and does not end in
// the first half of a two-byte character.
std::size_t gbkCutLength(std::string_view s, std::size_t maxBytes);

// `s` cut to at most `maxBytes` bytes without splitting a character.
inline std::string_view gbkCut(std::string_view s, std::size_t maxBytes) {
    return s.substr(0, gbkCutLength(s, maxBytes));
}

// GBK bytes to UTF-8. A byte sequence that is not valid GBK becomes U+FFFD.
std::string gbkToUtf8(std::string_view gbk);

// UTF-8 to GBK. A character GBK cannot hold, or invalid UTF-8, becomes '?'.
std::string utf8ToGbk(std::string_view utf8);

// Whether every byte sequence of `gbk` converts to UTF-8 without replacement.
bool isValidGbk(std::string_view gbk);

// A text of the program itself (a UTF-8 literal, or one built from literals) as GBK bytes.
// This is the one way the program turns its own texts into GBK: each distinct text is converted
// once, on first use, and kept for the life of the program, so the reference stays valid and
// may be held or viewed. The store grows with each distinct text, so only the program's own,
// bounded set of texts belongs here; texts from files, forms or users go through utf8ToGbk.
// Safe to call from any thread.
const std::string& gbk(std::string_view utf8);

// Searching and changing GBK texts character by character: the second byte of a two-byte
// character can look like an ASCII character ('_', '@', '|', letters), so a byte search would
// find what is not there.

// Position of the first occurrence of `needle` in `haystack` that starts on a character
// boundary at or after `from`, or npos. An empty needle is found at `from`.
std::size_t gbkFind(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// `s` with every occurrence (on character boundaries) of `from` replaced by `to`.
std::string gbkReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// ASCII letters lowered; other bytes (and both bytes of a two-byte character) unchanged.
std::string gbkLower(std::string_view s);

// `s` without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view s);

// Whether bytes meant to be GBK look like UTF-8 instead (a file an editor saved as UTF-8): they
// are valid UTF-8 holding non-ASCII characters, and as GBK they are not plausible text — not
// valid, or holding characters outside the common set (GB 2312), which real GBK text hardly
// ever does while UTF-8 read as GBK does almost at once.
bool looksLikeUtf8(std::string_view bytes);

}  // namespace text
