#include "text/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <unordered_map>

namespace text {

std::size_t gbkCutLength(std::string_view s, std::size_t maxBytes) {
    std::size_t i = 0;
    while (i < s.size()) {
        const std::size_t step =
            (isGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size()) ? 2 : 1;
        if (i + step > maxBytes) break;
        i += step;
    }
    return i;
}

namespace {

// One conversion descriptor per direction and thread; iconv_open is far too slow per call.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts `in`; on an invalid or unconvertible sequence appends `replacement`, skips
    // `skip(in)` bytes and goes on. Returns false when anything was replaced.
    template <typename Skip>
    bool convert(std::string_view in, std::string& out, std::string_view replacement, Skip skip) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        bool clean = true;
        char* src = const_cast<char*>(in.data());
        std::size_t srcLeft = in.size();
        char buf[1024];
        while (srcLeft > 0) {
            char* dst = buf;
            std::size_t dstLeft = sizeof buf;
            const std::size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buf, static_cast<std::size_t>(dst - buf));
            if (r != static_cast<std::size_t>(-1)) continue;
            if (errno == E2BIG) continue;
            // EILSEQ or EINVAL (truncated sequence at the end)
            clean = false;
            out.append(replacement);
            const std::size_t n = std::min(srcLeft, skip(std::string_view(src, srcLeft)));
            src += n;
            srcLeft -= n;
            iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        }
        return clean;
    }

private:
    iconv_t cd_;
};

Converter& fromGbk() {
    thread_local Converter c("UTF-8", "GBK");
    return c;
}

Converter& toGbk() {
    thread_local Converter c("GBK", "UTF-8");
    return c;
}

std::size_t skipGbk(std::string_view) { return 1; }

// Skips one UTF-8 character (or one byte when it is not a valid start).
std::size_t skipUtf8(std::string_view s) {
    const auto c = static_cast<unsigned char>(s[0]);
    std::size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    std::size_t i = 1;
    while (i < n && i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

}  // namespace

std::string gbkToUtf8(std::string_view gbk) {
    std::string out;
    out.reserve(gbk.size() + gbk.size() / 2);
    // Plain ASCII needs no conversion; most texts of a drawing are numbers.
    bool ascii = true;
    for (char c : gbk)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(gbk);
    fromGbk().convert(gbk, out, "\xEF\xBF\xBD", skipGbk);
    return out;
}

std::string utf8ToGbk(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    toGbk().convert(utf8, out, "?", skipUtf8);
    return out;
}

bool isValidGbk(std::string_view gbk) {
    std::string out;
    return fromGbk().convert(gbk, out, "", skipGbk);
}

namespace {

struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
};

}  // namespace

const std::string& gbk(std::string_view utf8) {
    // Nodes never move, so a returned reference outlives later insertions.
    // The store is never destroyed, so texts stay valid for objects destroyed at exit.
    static std::mutex lock;
    static auto& store = *new std::unordered_map<std::string, std::string, TextHash, std::equal_to<>>;
    const std::lock_guard guard(lock);
    if (const auto it = store.find(utf8); it != store.end()) return it->second;
    return store.emplace(std::string(utf8), utf8ToGbk(utf8)).first->second;
}

namespace {
std::size_t charLength(std::string_view s, std::size_t i) {
    return isGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
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

bool looksLikeUtf8(std::string_view s) {
    // Valid UTF-8, with at least one character beyond ASCII.
    bool wide = false;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t n = 0;
        if (c < 0x80) n = 1;
        else if (c >= 0xC2 && c <= 0xDF) n = 2;
        else if (c >= 0xE0 && c <= 0xEF) n = 3;
        else if (c >= 0xF0 && c <= 0xF4) n = 4;
        else return false;
        if (i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        wide = wide || n > 1;
        i += n;
    }
    if (!wide) return false;
    // As GBK: every two-byte character within GB 2312 (symbols from 0xA1, characters up to 0xF7,
    // second bytes from 0xA1) makes it plausible GBK after all.
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (i + 1 >= s.size()) return true;
        const unsigned char t = static_cast<unsigned char>(s[i + 1]);
        if (c < 0xA1 || c > 0xF7 || t < 0xA1 || t > 0xFE) return true;
        i += 2;
    }
    return false;
}

}  // namespace text

