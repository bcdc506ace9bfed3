#pragma once
// The multipart/form-data body as the Upload object reads it. The body's first line is the
// boundary line ("--" and the boundary); every part ends where a delimiter line begins: CR LF
// and the boundary line, followed by "--" (the last part), by CR LF (another part follows) or
// by the end of the body. The same text anywhere else is data. A part's headers end at the
// first empty line; they give the field name and, for a file, the client's file name, and the
// data follows the empty line.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "upload/BodyReader.h"
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
    std::uint64_t offset = 0;  // content in the body
    std::uint64_t size = 0;
    bool isFile = false;
};

struct ParseResult {
    // The well-formed parts, in the order of the body.
    std::vector<ParsedPart> parts;
    // A description (UTF-8) of each malformed part, or of a body that is no multipart body.
    std::vector<std::string> failures;
};

// The marker that counts the parts.
inline constexpr std::string_view kNameMarker = "; name=";
// The longest boundary line read: "--" and the 70 characters a boundary may have, with room
// to spare.
inline constexpr std::size_t kMaxBoundaryLine = 200;
// The longest header block of a part read; browsers send a few hundred bytes.
inline constexpr std::size_t kMaxHeaderBlock = 64 * 1024;
// The longest field name and client file name taken; a part with a longer one is malformed.
// Form fields have short names, and a file name of 260 characters is at most 780 bytes.
inline constexpr std::size_t kMaxNameBytes = 1024;
// The names and file names of all parts together: past this the remaining parts are not read,
// so that what a body's headers make the parse keep stays within a few megabytes.
inline constexpr std::size_t kMaxNamesBytes = 1024 * 1024;

// Reads the parts of `body`, at most `maxParts` of them (malformed ones included); a longer
// body adds a failure. The body is read forward in ranges of bounded size.
ParseResult parseMultipart(const BodyReader& body, CodePage cp,
                           std::size_t maxParts = static_cast<std::size_t>(-1));
ParseResult parseMultipart(std::string_view body, CodePage cp,
                           std::size_t maxParts = static_cast<std::size_t>(-1));

// First position at or after `from` where `delimiter` (at least 2 bytes) starts in `hay`, or
// npos. The time it takes depends on the length of `hay`, hardly on what it holds.
std::size_t findDelimiter(std::string_view hay, std::string_view delimiter, std::size_t from = 0);

// The client's file name of a client path: the text after the last "\", "/" or ":". On this
// platform "/" separates directories as well, so nothing of a directory is left.
std::string clientFileName(CodePage cp, std::string_view clientPath);

// The file type of a file name: the text after its last ".", or the whole name without one.
std::string fileTypeOf(CodePage cp, std::string_view fileName);

}  // namespace kavelup
