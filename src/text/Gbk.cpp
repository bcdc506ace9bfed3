#include "text/Gbk.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

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

}  // namespace text
