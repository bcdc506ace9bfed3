#pragma once
// The multipart/form-data body as the Upload object reads it. The body's first line is the
// delimiter; the parts are counted by their "; name=" markers and then taken one after the
// other, each from its name, its client file name if it has one, and its content up to the next
// delimiter.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "upload/CodePage.h"

namespace kavelup {

// What a plain field has instead of a client file name and a file type.
inline constexpr std::string_view kNonFile = "NonFile";
inline constexpr std::string_view kNonFileType = "NonFileType";

// One part. Texts are the code page's bytes as they came in the body.
struct ParsedPart {
    std::string name;
    std::string fileName;  // the client's file name without directories, or kNonFile
    std::string fileType;  // the text after the last "." of fileName, or kNonFileType
    std::size_t offset = 0;  // content in the body
    std::size_t size = 0;
    bool isFile = false;
};

struct ParseResult {
    // Parts counted by their markers. The parse may stop before reaching as many, and a marker
    // inside a value counts too, so `parts` can hold fewer; the rest stay empty.
    std::size_t count = 0;
    std::vector<ParsedPart> parts;
    // Why the parse stopped early (UTF-8), or empty when every counted part was read.
    std::string failure;
};

// The marker that counts the parts.
inline constexpr std::string_view kNameMarker = "; name=";

// Never reads outside `body` and ends after at most `count` steps, each moving forward.
ParseResult parseMultipart(std::string_view body, CodePage cp);
// The same for a caller that has counted the name markers already (with a TextCounter). At
// most `maxParts` parts are read; the count stays the number of markers.
ParseResult parseMultipart(std::string_view body, CodePage cp, std::size_t count,
                           std::size_t maxParts = static_cast<std::size_t>(-1));

// The client's file name of a client path: the text after the last "\", "/" or ":". On this
// platform "/" separates directories as well, so nothing of a directory is left.
std::string clientFileName(CodePage cp, std::string_view clientPath);

// The file type of a file name: the text after its last ".", or the whole name without one.
std::string fileTypeOf(CodePage cp, std::string_view fileName);

}  // namespace kavelup
