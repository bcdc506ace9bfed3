#include "upload/Multipart.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>

namespace kavelup {

namespace {

constexpr std::string_view kCrLf = "\r\n";
constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kNameOpen = "; name=\"";
constexpr std::string_view kFileMarker = "; filename=";
constexpr std::string_view kFileNameMarker = "filename=";
constexpr std::string_view kFileNameOpen = "filename=\"";
constexpr std::string_view kQuote = "\"";
// "; filename=" counts when it lies within this many bytes after the field name.
constexpr std::size_t kFileMarkerWindow = 15;
// Blanks allowed between a delimiter and its line end (transport padding).
constexpr std::size_t kMaxPadding = 64;
// Bytes searched for a delimiter at a time.
constexpr std::size_t kWindow = 256 * 1024;
constexpr std::size_t npos = std::string_view::npos;
constexpr std::uint64_t kNone = static_cast<std::uint64_t>(-1);

// Why a part or the body cannot be read. Parts are numbered from 1 in the order of the body.
std::string noBoundaryLine() { return "上传内容格式错误：找不到分界行"; }
std::string partFailure(std::size_t number, std::string_view what) {
    return "上传内容格式错误：第 " + std::to_string(number) + " 部分" + std::string(what);
}
std::string tooManyParts(std::size_t n) {
    return "上传内容的部分超过 " + std::to_string(n) + " 个，其余的部分没有读取";
}
std::string tooManyNames(std::size_t bytes) {
    return "上传内容的字段名和文件名共超过 " + std::to_string(bytes) + " 字节，其余的部分没有读取";
}
constexpr std::string_view kNoName = "找不到字段名";
constexpr std::string_view kNoFileName = "找不到文件名";
constexpr std::string_view kNoHeaderEnd = "找不到头部结尾的空行";
constexpr std::string_view kNoDelimiter = "找不到结尾的分界行";
// Constants, not strings built at start-up: a program started with too little memory must
// still get as far as answering its request.
static_assert(kMaxNameBytes == 1024, "the two messages below name the limit");
constexpr std::string_view kLongName = "的字段名超过 1024 字节";
constexpr std::string_view kLongFileName = "的文件名超过 1024 字节";

// Text of `bytes` without the marker and every double quote.
std::string stripped(CodePage cp, std::string_view bytes, std::string_view marker) {
    return removeText(cp, removeText(cp, bytes, marker), kQuote);
}

// First `; name="` in `headers` that starts a character.
std::size_t findNameMarker(CodePage cp, std::string_view headers) {
    for (std::size_t from = 0;;) {
        const std::size_t at = findBytes(headers, kNameOpen, from);
        if (at == npos || startsCharacter(cp, headers, at)) return at;
        from = at + 1;
    }
}

// First position at or after `from` where `delimiter` (at least 2 bytes) starts in `hay` and
// `accept` takes it, or npos. Candidates have the delimiter's first bytes (up to four) and its
// last byte at their places, compared 16 positions at a time; only they are compared in full.
// A delimiter begins with CR LF and holds no other, so candidates never share their first two
// bytes and a comparison that runs on into the data ends before the next candidate: whatever
// the data, the search costs a small constant per byte. `accept` decides on a full match at
// once, without leaving the loop, so that data repeating the delimiter text costs no more.
template <class Accept>
std::size_t searchDelimiter(std::string_view hay, std::string_view delimiter, std::size_t from,
                            Accept&& accept) {
    const std::size_t n = delimiter.size();
    if (n < 2 || from > hay.size() || hay.size() - from < n) return npos;
    const char* h = hay.data();
    const char* d = delimiter.data();
    const std::size_t k = std::min<std::size_t>(4, n - 1);  // leading bytes compared at once
    const std::size_t lastStart = hay.size() - n;
    const auto rest = [&](std::size_t p) {
        // Byte by byte: a near miss is usually told at its first byte, without a call.
        for (std::size_t i = k; i + 1 < n; ++i)
            if (h[p + i] != d[i]) return false;
        return accept(p);
    };
    std::size_t p = from;
#if defined(__SSE2__)
    __m128i lead[4];
    for (std::size_t i = 0; i < k; ++i) lead[i] = _mm_set1_epi8(d[i]);
    const __m128i vl = _mm_set1_epi8(d[n - 1]);
    const auto matching = [&](std::size_t at, const __m128i& want) {
        return static_cast<unsigned>(_mm_movemask_epi8(
            _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(h + at)), want)));
    };
    // Each step looks at the starts p .. p + 15, all at or before lastStart: the first and the
    // last byte, which rarely both match, and only where they do the next leading ones.
    while (p + 16 <= lastStart + 1) {
        auto mask = matching(p, lead[0]) & matching(p + n - 1, vl);
        for (std::size_t i = 1; i < k && mask != 0; ++i) mask &= matching(p + i, lead[i]);
        while (mask != 0) {
            const std::size_t q = p + static_cast<std::size_t>(__builtin_ctz(mask));
            if (rest(q)) return q;
            mask &= mask - 1;
        }
        p += 16;
    }
#endif
    for (; p <= lastStart; ++p)
        if (std::memcmp(h + p, d, k) == 0 && h[p + n - 1] == d[n - 1] && rest(p)) return p;
    return npos;
}

enum class LineEnd { NotADelimiter, NextPart, LastPart, Unknown };

// What follows a delimiter's text, given the bytes `t` after it: "--" closes the body, blanks
// and CR LF start another part, and so does the end of the body (`t` reaching it); anything else
// makes it data. Unknown when `t` ends before that is decided and the body goes on.
LineEnd lineEndOf(std::string_view t, bool reachesEnd, std::size_t& skip) {
    if (t.starts_with("--")) return LineEnd::LastPart;
    std::size_t i = 0;
    while (i < t.size() && i < kMaxPadding && (t[i] == ' ' || t[i] == '\t')) ++i;
    if (t.substr(i).starts_with(kCrLf)) {
        skip = i + kCrLf.size();
        return LineEnd::NextPart;
    }
    if (i == t.size() && reachesEnd) return LineEnd::LastPart;
    // Too short to say: "-" alone, blanks up to the end, CR at the end.
    if (!reachesEnd && t.size() < kMaxPadding + 2 &&
        (t == "-" || i == t.size() || (i + 1 == t.size() && t[i] == '\r')))
        return LineEnd::Unknown;
    return LineEnd::NotADelimiter;
}

// Looks for delimiter lines in a body read window by window.
class DelimiterScan {
public:
    DelimiterScan(const BodyReader& body, std::string delimiter)
        : body_(body), delimiter_(std::move(delimiter)) {}

    // Start of the next delimiter line at or after `from`, or kNone. `next` receives where the
    // part after it starts; `last` whether it closes the body.
    std::uint64_t find(std::uint64_t from, std::uint64_t& next, bool& last) {
        for (;;) {
            LineEnd kind = LineEnd::Unknown;
            std::size_t skip = 0;
            const std::uint64_t at = findText(from, kind, skip);
            if (at == kNone) return kNone;
            if (kind == LineEnd::Unknown) kind = lineEnd(at, skip);
            switch (kind) {
                case LineEnd::NextPart:
                    last = false;
                    next = at + delimiter_.size() + skip;
                    return at;
                case LineEnd::LastPart: last = true; return at;
                case LineEnd::NotADelimiter:
                case LineEnd::Unknown: from = at + 1; break;
            }
        }
    }

private:
    // The next delimiter text at or after `start` that its line end does not rule out, judged
    // in the window where the window holds enough of what follows (`kind`, `skip`), else left
    // Unknown. The window read last is searched again as long as it holds the start and a
    // delimiter's length after it, so parts much shorter than a window cost no further reading.
    std::uint64_t findText(std::uint64_t start, LineEnd& kind, std::size_t& skip) {
        const std::size_t n = delimiter_.size();
        for (;;) {
            const bool inWindow = loaded_ && start >= windowStart_ &&
                                  start - windowStart_ <= window_.size() &&
                                  (window_.size() - (start - windowStart_) >= n ||
                                   window_.size() < kWindow);
            if (!inWindow) {
                windowStart_ = start;
                window_ = body_.bytes(start, kWindow, windowBytes_);
                loaded_ = true;
            }
            const bool windowEndsBody = windowStart_ + window_.size() >= body_.size();
            const std::size_t at = searchDelimiter(
                window_, delimiter_, static_cast<std::size_t>(start - windowStart_),
                [&](std::size_t p) {
                    // Most text that repeats the delimiter is told by the byte after it.
                    if (p + n < window_.size()) {
                        const char c = window_[p + n];
                        if (c != '-' && c != ' ' && c != '\t' && c != '\r') return false;
                    }
                    const std::string_view t = window_.substr(p + n, kMaxPadding + 2);
                    kind = lineEndOf(t, windowEndsBody && p + n + t.size() == window_.size(), skip);
                    return kind != LineEnd::NotADelimiter;
                });
            if (at != npos) return windowStart_ + at;
            // A short window reaches the end of the body.
            if (window_.size() < kWindow) return kNone;
            start = windowStart_ + window_.size() - (n - 1);
        }
    }

    // What follows the delimiter text at `at`, read from the body.
    LineEnd lineEnd(std::uint64_t at, std::size_t& skip) {
        const std::uint64_t after = at + delimiter_.size();
        const std::string_view t = body_.bytes(after, kMaxPadding + 2, tail_);
        const LineEnd kind = lineEndOf(t, after + t.size() >= body_.size(), skip);
        return kind == LineEnd::Unknown ? LineEnd::NotADelimiter : kind;
    }

    const BodyReader& body_;
    std::string delimiter_;
    bool loaded_ = false;
    std::uint64_t windowStart_ = 0;
    std::string_view window_;
    std::string windowBytes_;
    std::string tail_;
};

// Reads the name and file name of a part from its header block. An empty text when it is fine,
// otherwise what is missing.
std::string_view readHeaders(CodePage cp, std::string_view headers, ParsedPart& part) {
    const std::size_t nameStart = findNameMarker(cp, headers);
    const std::size_t closing =
        nameStart == npos ? npos : findBytes(headers, kQuote, nameStart + kNameOpen.size());
    if (closing == npos) return kNoName;
    const std::size_t nameEnd = closing + 1;
    part.name = stripped(cp, headers.substr(nameStart, nameEnd - nameStart), kNameMarker);
    if (part.name.size() > kMaxNameBytes) return kLongName;
    part.isFile =
        findBytes(headers.substr(nameEnd, kFileMarkerWindow), kFileMarker, 0) != npos;
    if (!part.isFile) {
        part.fileName = kNonFile;
        part.fileType = kNonFileType;
        return {};
    }
    const std::size_t fnStart = findBytes(headers, kFileNameOpen, nameEnd);
    const std::size_t fnEnd =
        fnStart == npos ? npos : findBytes(headers, kQuote, fnStart + kFileNameOpen.size());
    if (fnEnd == npos) return kNoFileName;
    const std::string clientPath =
        stripped(cp, headers.substr(fnStart, fnEnd - fnStart), kFileNameMarker);
    part.fileName = clientFileName(cp, clientPath);
    if (part.fileName.size() > kMaxNameBytes) return kLongFileName;
    part.fileType = fileTypeOf(cp, part.fileName);
    return {};
}

}  // namespace

std::size_t findDelimiter(std::string_view hay, std::string_view delimiter, std::size_t from) {
    return searchDelimiter(hay, delimiter, from, [](std::size_t) { return true; });
}

std::string clientFileName(CodePage cp, std::string_view clientPath) {
    const std::size_t sep = findLastText(cp, clientPath, "\\/:");
    return std::string(sep == npos ? clientPath : clientPath.substr(sep + 1));
}

std::string fileTypeOf(CodePage cp, std::string_view fileName) {
    const std::size_t dot = findLastText(cp, fileName, ".");
    return std::string(dot == npos ? fileName : fileName.substr(dot + 1));
}

ParseResult parseMultipart(std::string_view body, CodePage cp, std::size_t maxParts) {
    return parseMultipart(BodyInMemory(body), cp, maxParts);
}

ParseResult parseMultipart(const BodyReader& body, CodePage cp, std::size_t maxParts) {
    ParseResult result;
    std::string scratch;
    const std::string_view head = body.bytes(0, kMaxBoundaryLine + kCrLf.size(), scratch);
    const std::size_t crlf = head.find(kCrLf);
    if (crlf == npos || crlf == 0) {
        result.failures.push_back(noBoundaryLine());
        return result;
    }
    DelimiterScan scan(body, std::string(kCrLf) + std::string(head.substr(0, crlf)));

    std::uint64_t partStart = crlf + kCrLf.size();
    std::size_t namesBytes = 0;
    // A closing line alone: a form without fields.
    if (partStart >= body.size()) return result;
    for (std::size_t number = 1;; ++number) {
        if (number > maxParts) {
            result.failures.push_back(tooManyParts(maxParts));
            return result;
        }
        std::uint64_t next = 0;
        bool last = false;
        const std::uint64_t end = scan.find(partStart, next, last);
        if (end == kNone) {
            result.failures.push_back(partFailure(number, kNoDelimiter));
            return result;
        }

        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(end - partStart, kMaxHeaderBlock + 4));
        const std::string_view block = body.bytes(partStart, length, scratch);
        std::size_t headerEnd = 0;  // headers: block[0, headerEnd); data after the empty line
        std::size_t dataStart = 0;
        if (block.starts_with(kCrLf)) {
            dataStart = kCrLf.size();
        } else if ((headerEnd = block.find(kHeaderEnd)) != npos) {
            dataStart = headerEnd + kHeaderEnd.size();
        }
        ParsedPart part;
        const std::string_view missing =
            dataStart == 0 ? kNoHeaderEnd : readHeaders(cp, block.substr(0, headerEnd), part);
        if (missing.empty()) {
            namesBytes += part.name.size() + (part.isFile ? part.fileName.size() : 0);
            if (namesBytes > kMaxNamesBytes) {
                result.failures.push_back(tooManyNames(kMaxNamesBytes));
                return result;
            }
            part.offset = partStart + dataStart;
            part.size = end - part.offset;
            result.parts.push_back(std::move(part));
        } else {
            result.failures.push_back(partFailure(number, missing));
        }
        if (last) return result;
        partStart = next;
    }
}

}  // namespace kavelup
