#include "common/Workbook.h"

#include <fcntl.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>

#include "platform/AtomicFile.h"
#include "platform/Clock.h"

namespace common {

namespace {

constexpr std::size_t kMaxCellChars = 32767;  // what a spreadsheet cell holds
constexpr int kMaxDecimals = 15;
constexpr int kMaxDigits = 15;  // a double keeps this many decimal digits exactly
constexpr char32_t kReplacement = 0xFFFD;

// The next code point of `s` at `i` (advanced); a byte that starts no valid sequence gives
// U+FFFD and is passed over alone.
char32_t nextCodePoint(std::string_view s, std::size_t& i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) {
        ++i;
        return c;
    }
    int length = 0;
    char32_t cp = 0, min = 0;
    if (c >= 0xC2 && c <= 0xDF) length = 2, cp = c & 0x1F, min = 0x80;
    else if (c >= 0xE0 && c <= 0xEF) length = 3, cp = c & 0x0F, min = 0x800;
    else if (c >= 0xF0 && c <= 0xF4) length = 4, cp = c & 0x07, min = 0x10000;
    if (length == 0 || i + static_cast<std::size_t>(length) > s.size()) {
        ++i;
        return kReplacement;
    }
    for (int k = 1; k < length; ++k) {
        const unsigned char t = b(i + static_cast<std::size_t>(k));
        if ((t & 0xC0) != 0x80) {
            ++i;
            return kReplacement;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return kReplacement;
    }
    i += static_cast<std::size_t>(length);
    return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// `s` as valid UTF-8 of at most the characters a cell holds.
std::string cellText(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    std::size_t chars = 0;
    for (std::size_t i = 0; i < s.size() && chars < kMaxCellChars; ++chars) {
        const std::size_t start = i;
        const char32_t cp = nextCodePoint(s, i);
        if (cp == kReplacement && i - start == 1) appendUtf8(out, cp);
        else out.append(s.substr(start, i - start));
    }
    return out;
}

bool isWide(char32_t cp) {
    return (cp >= 0x1100 && cp <= 0x115F) ||  // Hangul leading consonants
           (cp >= 0x2010 && cp <= 0x2BFF) ||  // punctuation, ℃, arrows, √, box lines as CJK fonts draw them
           (cp >= 0x2E80 && cp <= 0xA4CF) ||  // CJK radicals, kana, ideographs, Yi
           (cp >= 0xAC00 && cp <= 0xD7A3) ||  // Hangul syllables
           (cp >= 0xF900 && cp <= 0xFAFF) ||  // compatibility ideographs
           (cp >= 0xFE30 && cp <= 0xFE4F) ||  // CJK compatibility forms
           (cp >= 0xFF00 && cp <= 0xFF60) ||  // full-width forms
           (cp >= 0xFFE0 && cp <= 0xFFE6) ||
           (cp >= 0x20000 && cp <= 0x3FFFD);
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

class WorkbookErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "xlsx"; }
    std::string message(int e) const override {
        const char* why = "工作簿库的内部错误";
        switch (static_cast<lxw_error>(e)) {
            case LXW_ERROR_MEMORY_MALLOC_FAILED: why = "内存不足"; break;
            case LXW_ERROR_CREATING_XLSX_FILE: why = "无法创建文件"; break;
            case LXW_ERROR_CREATING_TMPFILE:
            case LXW_ERROR_READING_TMPFILE: why = "临时文件出错"; break;
            case LXW_ERROR_ZIP_FILE_OPERATION:
            case LXW_ERROR_ZIP_FILE_ADD:
            case LXW_ERROR_ZIP_CLOSE: why = "写入压缩文件时出错"; break;
            case LXW_ERROR_SHEETNAME_LENGTH_EXCEEDED:
            case LXW_ERROR_INVALID_SHEETNAME_CHARACTER:
            case LXW_ERROR_SHEETNAME_START_END_APOSTROPHE:
            case LXW_ERROR_SHEETNAME_ALREADY_USED: why = "工作表名称不能用"; break;
            case LXW_ERROR_MAX_STRING_LENGTH_EXCEEDED: why = "单元格文字太长"; break;
            default: break;
        }
        return std::string("无法写出 Excel 工作簿（") + why + "）";
    }
};

// The library reports its failures on standard error itself, in English, before the caller
// can say what failed in its own words: while the library works, standard error leads
// nowhere.
class LibraryMessagesHidden {
public:
    LibraryMessagesHidden() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~LibraryMessagesHidden() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    LibraryMessagesHidden(const LibraryMessagesHidden&) = delete;
    LibraryMessagesHidden& operator=(const LibraryMessagesHidden&) = delete;

private:
    int saved_ = -1;
};

std::error_code workbookError(lxw_error e, int savedErrno) {
    switch (e) {
        case LXW_NO_ERROR: return {};
        case LXW_ERROR_MEMORY_MALLOC_FAILED: return std::make_error_code(std::errc::not_enough_memory);
        case LXW_ERROR_CREATING_XLSX_FILE:
        case LXW_ERROR_CREATING_TMPFILE:
        case LXW_ERROR_READING_TMPFILE:
        case LXW_ERROR_ZIP_FILE_OPERATION:
        case LXW_ERROR_ZIP_FILE_ADD:
        case LXW_ERROR_ZIP_CLOSE:
            // The file system's own reason (a full disk) says more than the library's.
            if (savedErrno != 0) return {savedErrno, std::generic_category()};
            break;
        default: break;
    }
    return {static_cast<int>(e), workbookErrorCategory()};
}

// Writes the workbook to `path` (which exists and is empty).
std::error_code produce(const std::filesystem::path& path, const Workbook& book) {
    lxw_workbook_options options{};
    // Rows go to a temporary file as they are written instead of staying in memory.
    options.constant_memory = LXW_TRUE;
    lxw_workbook* wb = workbook_new_opt(path.c_str(), &options);
    if (!wb) return std::make_error_code(std::errc::not_enough_memory);

    lxw_error first = LXW_NO_ERROR;
    auto check = [&](lxw_error e) {
        if (first == LXW_NO_ERROR) first = e;
    };
    std::string title = cellText(book.title);
    lxw_doc_properties properties{};
    if (!title.empty()) properties.title = title.data();
    // The library would take the system clock; the workbook's date is the programs' one clock.
    properties.created = platform::Clock::to_time_t(platform::now());
    check(workbook_set_properties(wb, &properties));
    lxw_format* bold = workbook_add_format(wb);
    format_set_bold(bold);
    std::array<lxw_format*, kMaxDecimals + 1> numberFormats{};
    auto numberFormat = [&](int decimals) {
        decimals = std::clamp(decimals, 0, kMaxDecimals);
        lxw_format*& f = numberFormats[static_cast<std::size_t>(decimals)];
        if (!f) {
            f = workbook_add_format(wb);
            const std::string pattern = decimals == 0 ? "0" : "0." + std::string(static_cast<std::size_t>(decimals), '0');
            format_set_num_format(f, pattern.c_str());
        }
        return f;
    };

    bool badName = false;
    for (const Sheet& sheet : book.sheets) {
        const std::string name = cellText(sheet.name);
        lxw_worksheet* ws = workbook_add_worksheet(wb, name.empty() ? nullptr : name.c_str());
        if (!ws) {
            badName = true;
            break;
        }
        const std::vector<double> widths = fittedWidths(sheet);
        const int columns = static_cast<int>(widths.size());
        for (int c = 0; c < columns; ++c)
            check(worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c),
                                       widths[static_cast<std::size_t>(c)], nullptr));
        lxw_row_t row = 0;
        if (!sheet.header.empty()) {
            worksheet_freeze_panes(ws, 1, 0);
            if (columns > 0)
                check(worksheet_autofilter(ws, 0, 0, static_cast<lxw_row_t>(sheet.rows.size()),
                                           static_cast<lxw_col_t>(columns - 1)));
            for (std::size_t c = 0; c < sheet.header.size(); ++c)
                check(worksheet_write_string(ws, 0, static_cast<lxw_col_t>(c), cellText(sheet.header[c]).c_str(), bold));
            row = 1;
        }
        for (const auto& cells : sheet.rows) {
            for (std::size_t c = 0; c < cells.size(); ++c) {
                const SheetCell& cell = cells[c];
                const auto col = static_cast<lxw_col_t>(c);
                if (cell.kind == SheetCell::Kind::Number)
                    check(worksheet_write_number(ws, row, col, cell.number, numberFormat(cell.decimals)));
                else if (cell.kind == SheetCell::Kind::Text && !cell.text.empty())
                    check(worksheet_write_string(ws, row, col, cellText(cell.text).c_str(), nullptr));
            }
            ++row;
        }
    }
    errno = 0;
    const lxw_error closed = workbook_close(wb);  // frees the workbook in any case
    const int savedErrno = errno;
    if (badName) return std::make_error_code(std::errc::invalid_argument);
    if (closed != LXW_NO_ERROR) return workbookError(closed, savedErrno);
    return workbookError(first, 0);
}

}  // namespace

SheetCell SheetCell::ofText(std::string utf8) {
    SheetCell c;
    c.kind = utf8.empty() ? Kind::Empty : Kind::Text;
    c.text = std::move(utf8);
    return c;
}

SheetCell SheetCell::ofNumber(double value, int decimals) {
    SheetCell c;
    c.kind = Kind::Number;
    c.number = value;
    c.decimals = static_cast<std::int8_t>(std::clamp(decimals, 0, kMaxDecimals));
    return c;
}

SheetCell SheetCell::fromText(std::string utf8) {
    const std::string_view t = trimmed(utf8);
    std::size_t i = 0;
    if (i < t.size() && t[i] == '-') ++i;
    const std::size_t intStart = i;
    while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
    const std::size_t intDigits = i - intStart;
    std::size_t fracDigits = 0;
    bool point = false;
    if (i < t.size() && t[i] == '.') {
        point = true;
        ++i;
        const std::size_t fracStart = i;
        while (i < t.size() && t[i] >= '0' && t[i] <= '9') ++i;
        fracDigits = i - fracStart;
    }
    const bool whole = i == t.size() && intDigits > 0 && (!point || fracDigits > 0);
    const bool leadingZero = intDigits > 1 && t[intStart] == '0';
    if (!whole || leadingZero || intDigits + fracDigits > kMaxDigits) return ofText(std::move(utf8));
    double value = 0;
    std::from_chars(t.data(), t.data() + t.size(), value);  // whatever the locale says a point is
    return ofNumber(value, static_cast<int>(fracDigits));
}

int Sheet::columnCount() const {
    std::size_t n = header.size();
    for (const auto& r : rows) n = std::max(n, r.size());
    return static_cast<int>(n);
}

int displayWidth(std::string_view utf8) {
    int width = 0;
    for (std::size_t i = 0; i < utf8.size();) width += isWide(nextCodePoint(utf8, i)) ? 2 : 1;
    return width;
}

std::string shownNumber(const SheetCell& cell) {
    char buf[400];  // room for the largest double in full
    const auto r = std::to_chars(buf, buf + sizeof buf, cell.number, std::chars_format::fixed, cell.decimals);
    return std::string(buf, r.ptr);
}

std::vector<double> fittedWidths(const Sheet& sheet) {
    constexpr double kMargin = 1.0;
    constexpr double kFilterButton = 3.0;
    constexpr double kMin = 4.0, kMax = 80.0;
    std::vector<double> widths(static_cast<std::size_t>(sheet.columnCount()), 0.0);
    for (std::size_t c = 0; c < sheet.header.size(); ++c) widths[c] = displayWidth(sheet.header[c]) + kFilterButton;
    for (const auto& r : sheet.rows) {
        for (std::size_t c = 0; c < r.size(); ++c) {
            const SheetCell& cell = r[c];
            if (cell.kind == SheetCell::Kind::Empty) continue;
            const int w = cell.kind == SheetCell::Kind::Number ? static_cast<int>(shownNumber(cell).size())
                                                                : displayWidth(cell.text);
            widths[c] = std::max(widths[c], w + kMargin);
        }
    }
    for (double& w : widths) w = std::clamp(w, kMin, kMax);
    return widths;
}

platform::Result<> writeWorkbook(const std::filesystem::path& path, const Workbook& book) {
    return platform::writeFileAtomicallyWith(path, [&](const std::filesystem::path& tmp) {
               const LibraryMessagesHidden quiet;
               return produce(tmp, book);
           }).error();
}

bool isWorkbookName(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return ext == ".xlsx";
}

const std::error_category& workbookErrorCategory() {
    static const WorkbookErrorCategory category;
    return category;
}

}  // namespace common
