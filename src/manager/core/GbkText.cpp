#include "manager/core/GbkText.h"

#include "text/Gbk.h"

namespace manager {

namespace {
std::size_t charLength(std::string_view s, std::size_t i) {
    return text::isGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}
}  // namespace

std::size_t gbkFind(std::string_view haystack, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
    std::size_t i = 0;
    while (i < haystack.size()) {
        if (i >= from && haystack.substr(i, needle.size()) == needle) return i;
        i += charLength(haystack, i);
    }
    return std::string_view::npos;
}

std::string gbkReplaceAll(std::string_view s, std::string_view from, std::string_view to) {
    std::string out;
    out.reserve(s.size());
    std::size_t i = 0;
    while (i < s.size()) {
        if (!from.empty() && s.substr(i, from.size()) == from) {
            out.append(to);
            i += from.size();
            continue;
        }
        const std::size_t n = charLength(s, i);
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

std::string gbkLower(std::string_view s) {
    std::string out(s);
    std::size_t i = 0;
    while (i < out.size()) {
        const std::size_t n = charLength(out, i);
        if (n == 1 && out[i] >= 'A' && out[i] <= 'Z') out[i] = static_cast<char>(out[i] - 'A' + 'a');
        i += n;
    }
    return out;
}

std::string_view trimBlanks(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    const auto e = s.find_last_not_of(" \t");
    return s.substr(b, e - b + 1);
}

}  // namespace manager
