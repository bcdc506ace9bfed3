#include "upload/Multipart.h"

#include <algorithm>

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
constexpr std::size_t npos = std::string_view::npos;

// Why a parse stops. The part's index is the one FieldName takes.
std::string noBoundaryLine() { return "上传内容格式错误：找不到分界行"; }
std::string partFailure(std::size_t index, std::string_view what) {
    return "上传内容格式错误：序号 " + std::to_string(index) + " 的部分" + std::string(what);
}
std::string tooManyParts(std::size_t n) {
    return "上传内容的部分超过 " + std::to_string(n) + " 个，其余的部分没有读取";
}
constexpr std::string_view kNoName = "找不到字段名";
constexpr std::string_view kNoFileName = "找不到文件名";
constexpr std::string_view kNoContent = "找不到内容的开头";
constexpr std::string_view kNoDelimiter = "找不到结尾的分界行";

// Text of `bytes` without the marker and every double quote.
std::string stripped(CodePage cp, std::string_view bytes, std::string_view marker) {
    return removeText(cp, removeText(cp, bytes, marker), kQuote);
}

// Content from `start` up to the CR LF before the next delimiter. False when the delimiter never
// comes or comes too early to leave a CR LF before it (an empty delimiter is found at once).
bool contentUpToDelimiter(std::string_view body, std::string_view delimiter, std::size_t start,
                          std::size_t& end) {
    const std::size_t d = findBytes(body, delimiter, start);
    if (d == npos || d < start + 2) return false;
    end = d - 2;
    return true;
}

}  // namespace

std::string clientFileName(CodePage cp, std::string_view clientPath) {
    const std::size_t sep = findLastText(cp, clientPath, "\\/:");
    return std::string(sep == npos ? clientPath : clientPath.substr(sep + 1));
}

std::string fileTypeOf(CodePage cp, std::string_view fileName) {
    const std::size_t dot = findLastText(cp, fileName, ".");
    return std::string(dot == npos ? fileName : fileName.substr(dot + 1));
}

ParseResult parseMultipart(std::string_view body, CodePage cp) {
    return parseMultipart(body, cp, countText(cp, body, kNameMarker));
}

ParseResult parseMultipart(std::string_view body, CodePage cp, std::size_t count,
                           std::size_t maxParts) {
    ParseResult result;
    const std::size_t crlf = findBytes(body, kCrLf, 0);
    if (crlf == npos) {
        result.failure = noBoundaryLine();
        return result;
    }
    const std::string_view delimiter = body.substr(0, crlf);
    result.count = count;
    result.parts.reserve(std::min<std::size_t>(result.count, 4096));

    std::size_t pos = crlf + 1;  // the LF that ends the boundary line
    for (std::size_t i = 0; i < result.count; ++i) {
        if (i == maxParts) {
            result.failure = tooManyParts(maxParts);
            return result;
        }
        ParsedPart part;
        const std::size_t nameStart = findBytes(body, kNameOpen, pos);
        const std::size_t closing =
            nameStart == npos ? npos : findBytes(body, kQuote, nameStart + kNameOpen.size());
        if (closing == npos) {
            result.failure = partFailure(i, kNoName);
            return result;
        }
        const std::size_t nameEnd = closing + 1;
        part.name = stripped(cp, body.substr(nameStart, nameEnd - nameStart), kNameMarker);
        part.isFile =
            findBytes(body.substr(nameEnd, kFileMarkerWindow), kFileMarker, 0) != npos;

        std::size_t next = 0;
        if (part.isFile) {
            const std::size_t fnStart = findBytes(body, kFileNameOpen, nameEnd);
            const std::size_t fnEnd =
                fnStart == npos ? npos : findBytes(body, kQuote, fnStart + kFileNameOpen.size());
            if (fnEnd == npos) {
                result.failure = partFailure(i, kNoFileName);
                return result;
            }
            const std::string clientPath =
                stripped(cp, body.substr(fnStart, fnEnd - fnStart), kFileNameMarker);
            part.fileName = clientFileName(cp, clientPath);
            part.fileType = fileTypeOf(cp, part.fileName);
            const std::size_t headerEnd = findBytes(body, kHeaderEnd, fnEnd);
            if (headerEnd == npos) {
                result.failure = partFailure(i, kNoContent);
                return result;
            }
            part.offset = headerEnd + kHeaderEnd.size();
        } else {
            // The closing quote is taken to be followed by CR LF CR LF directly.
            part.offset = nameEnd + kHeaderEnd.size();
            if (part.offset > body.size()) {
                result.failure = partFailure(i, kNoContent);
                return result;
            }
            part.fileName = kNonFile;
            part.fileType = kNonFileType;
        }
        if (!contentUpToDelimiter(body, delimiter, part.offset, next)) {
            result.failure = partFailure(i, kNoDelimiter);
            return result;
        }
        part.size = next - part.offset;
        result.parts.push_back(std::move(part));
        pos = next + delimiter.size();
    }
    return result;
}

}  // namespace kavelup
