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

// A UTF-8 literal as GBK bytes; for program constants written in UTF-8 source files.
// The result is converted once per call site and cached by the caller if needed.
inline std::string gbk(std::string_view utf8) { return utf8ToGbk(utf8); }

}  // namespace text
