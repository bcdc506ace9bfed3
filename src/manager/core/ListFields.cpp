#include "manager/core/ListFields.h"

#include <string.h>

#include <algorithm>
#include <cstring>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/FileSections.h"
#include "tubra/model/KeyMatcher.h"
#include "tubra/model/LineReader.h"

namespace manager {

namespace fs = std::filesystem;
using tubra::model::closesSection;
using tubra::model::LineReader;

namespace {

constexpr std::string_view kCheckMark = "\xA1\xCC";  // "√"

// Where the lines of the characteristic table go; -1 for the counts, which are not listed.
constexpr int kTableColumns[tubra::model::fileSection(tubra::model::kTableSection).rows] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 12, -1, -1, -1, -1, -1, -1, 10, 11};
// Where the lines of the title block go.
constexpr int kTitleColumns[tubra::model::fileSection(tubra::model::kTitleSection).rows] = {13, 15, 19, 14, 16, 17, 20};

constexpr int kGradeLine = 12;     // the safety status grade of the conclusion form
constexpr std::size_t kGradeBytes = 3;
constexpr int kContentsRows = 15;  // forms (1) to (15)

enum Key { kTable, kTitle, kConclusion, kCover, kContents };

// The headers of the sections listed, tested in this order.
const tubra::model::KeyMatcher& keys() {
    using namespace tubra::model;
    static const KeyMatcher m{fileSection(kTableSection).header, fileSection(kTitleSection).header,
                              fileSection(kJieLunSection).header, fileSection(kFaceSection).header,
                              fileSection(kMuluSection).header};
    return m;
}

// Takes up to `count` body lines into `columns`; a line holding '}' ends the section there
// (a short section must not take the next section's header as a value).
template <std::size_t N>
void takeLines(LineReader& in, const int (&columns)[N], ListCells& cells) {
    std::string_view line;
    for (std::size_t i = 0; i < N; ++i) {
        if (!in.next(line) || closesSection(line)) return;
        if (columns[i] >= 0) cells[static_cast<std::size_t>(columns[i])] = line;
    }
}

void skipToClose(LineReader& in) {
    std::string_view line;
    while (in.next(line))
        if (closesSection(line)) return;
}

void readConclusion(LineReader& in, ListCells& cells) {
    std::string_view line;
    for (int n = 1; in.next(line) && !closesSection(line); ++n) {
        if (n == kGradeLine && line.find('0') == std::string_view::npos)
            cells[kColGrade] = text::gbkCut(line, kGradeBytes);
    }
}

void readContents(LineReader& in, ListCells& cells) {
    cells[kColContents] = kCheckMark;
    std::string_view line;
    for (int r = 0; r < kContentsRows; ++r) {
        if (!in.next(line)) return;
        if (closesSection(line)) return;
        int flag = 0;
        if (text::scanf(line, "%d", flag) == 1 && flag == 0)
            cells[static_cast<std::size_t>(kColFirstForm + r)] = kCheckMark;
    }
    skipToClose(in);
}

}  // namespace

void readListFields(std::string_view data, ListCells& cells) {
    cells.fill({});
    // Every header the list reads ends with '{', and most lines of a drawing have none: go
    // from one '{' to the next and read lines from the start of its line.
    std::size_t pos = 0;
    while (pos < data.size()) {
        const void* brace = std::memchr(data.data() + pos, '{', data.size() - pos);
        if (!brace) break;
        const auto at = static_cast<std::size_t>(static_cast<const char*>(brace) - data.data());
        const void* lf = ::memrchr(data.data() + pos, '\n', at - pos);
        const std::size_t lineStart = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data.data()) + 1 : pos;
        LineReader in(data.substr(lineStart));
        std::string_view line;
        in.next(line);
        // A '{' behind a NUL byte is not part of the line as the readers see it.
        if (line.find('{') != std::string_view::npos) {
            switch (keys().find(line)) {
                case kTable: takeLines(in, kTableColumns, cells); break;
                case kTitle: takeLines(in, kTitleColumns, cells); break;
                case kConclusion: readConclusion(in, cells); break;
                case kCover:
                    cells[kColFace] = kCheckMark;
                    skipToClose(in);
                    break;
                case kContents: readContents(in, cells); break;
                default: break;
            }
        }
        pos = lineStart + in.position();
    }
}

platform::Result<> readListFieldsOfFile(const fs::path& path, ListCells& cells, std::string& buffer) {
    cells.fill({});
    if (platform::Result<> read = tubra::model::readDrawingFile(path, buffer); read.failed()) return read;
    readListFields(buffer, cells);
    return {};
}

bool isRewriteTemporary(std::string_view name) {
    if (name.size() < 9 || name[0] != '.' || name[name.size() - 7] != '.') return false;
    return std::all_of(name.end() - 6, name.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    });
}

bool isDrawingFileName(std::string_view name) {
    const std::string lower = text::gbkLower(name);
    if (lower.find(".hcd") == std::string::npos) return false;
    if (lower.find(kNewDrawingPlaceholder) != std::string::npos) return false;
    if (lower.find(kRewritePlaceholder) != std::string::npos) return false;
    if (lower.ends_with(kReportCopySuffix)) return false;
    return !isRewriteTemporary(name) && !platform::isTemporaryName(name);
}

std::vector<std::string> drawingFileNames(const fs::path& dir, std::error_code& ec) {
    std::vector<std::string> names;
    ec.clear();
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) return names;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        if (!isDrawingFileName(name)) continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) continue;
        names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

namespace {
bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}
}  // namespace

std::string fileNameCell(std::string_view name) {
    // Names are UTF-8 on this system; a name that is not was most likely copied with its GBK
    // bytes from elsewhere and is shown as it is.
    if (!isValidUtf8(name)) return std::string(name);
    return text::utf8ToGbk(name);
}

}  // namespace manager
