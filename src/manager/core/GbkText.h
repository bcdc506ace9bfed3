#pragma once
// Searching and changing GBK texts character by character: a two-byte character's second
// byte can look like an ASCII character ('_', '@', '|', letters), so byte searches would
// find what is not there.

#include <cstddef>
#include <string>
#include <string_view>

#include "text/Gbk.h"

namespace manager {

// Position of the first occurrence of `needle` in `haystack` that starts on a character
// boundary, or npos.
std::size_t gbkFind(std::string_view haystack, std::string_view needle, std::size_t from = 0);

// `s` with every occurrence (on character boundaries) of `from` replaced by `to`.
std::string gbkReplaceAll(std::string_view s, std::string_view from, std::string_view to);

// ASCII letters lowered; other bytes (and both bytes of a two-byte character) unchanged.
std::string gbkLower(std::string_view s);

// `s` without leading and trailing blanks and tabs.
std::string_view trimBlanks(std::string_view s);

// The UTF-8 text of a GBK constant written in UTF-8 source, converted once per call site.
#define MANAGER_GBK(utf8)                                              \
    ([]() -> const std::string& {                                     \
        static const std::string converted = ::text::utf8ToGbk(utf8); \
        return converted;                                             \
    }())

}  // namespace manager
