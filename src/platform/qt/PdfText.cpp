#include "platform/qt/PdfText.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string_view>
#include <tuple>

#include <QString>

namespace platform::qt {

namespace {

// Simplified radicals whose forms are the ideographs themselves (the CJK faces draw both with
// one glyph). Sorted by radical.
constexpr std::pair<char16_t, char16_t> kSupplement[] = {
    {0x2E82, 0x4E5B}, {0x2E83, 0x4E5A}, {0x2E85, 0x4EBB}, {0x2E89, 0x5202}, {0x2E8B, 0x353E},
    {0x2E8E, 0x5140}, {0x2E8F, 0x5C23}, {0x2E90, 0x5C22}, {0x2E92, 0x5DF3}, {0x2E93, 0x5E7A},
    {0x2E94, 0x5F51}, {0x2E95, 0x5F50}, {0x2E96, 0x5FC4}, {0x2E98, 0x624C}, {0x2E99, 0x6535},
    {0x2E9B, 0x65E1}, {0x2E9E, 0x6B7A}, {0x2E9F, 0x6BCD}, {0x2EA0, 0x6C11}, {0x2EA1, 0x6C35},
    {0x2EA3, 0x706C}, {0x2EA4, 0x722B}, {0x2EA6, 0x4E2C}, {0x2EA8, 0x72AD}, {0x2EAB, 0x7F52},
    {0x2EAD, 0x793B}, {0x2EAF, 0x7CF9}, {0x2EB0, 0x7E9F}, {0x2EB1, 0x7F53}, {0x2EB2, 0x7F52},
    {0x2EB3, 0x34C1}, {0x2EB9, 0x8002}, {0x2EBA, 0x8080}, {0x2EBE, 0x8279}, {0x2EC1, 0x864E},
    {0x2EC2, 0x8864}, {0x2EC3, 0x8980}, {0x2EC5, 0x89C1}, {0x2EC6, 0x89D2}, {0x2EC8, 0x8BA0},
    {0x2EC9, 0x8D1D}, {0x2ECB, 0x8F66}, {0x2ECC, 0x8FB6}, {0x2ED0, 0x9485}, {0x2ED1, 0x9577},
    {0x2ED2, 0x9578}, {0x2ED3, 0x957F}, {0x2ED4, 0x95E8}, {0x2ED6, 0x961D}, {0x2ED8, 0x9752},
    {0x2ED9, 0x97E6}, {0x2EDA, 0x9875}, {0x2EDB, 0x98CE}, {0x2EDC, 0x98DE}, {0x2EDD, 0x98DF},
    {0x2EDF, 0x98E0}, {0x2EE0, 0x9963}, {0x2EE2, 0x9A6C}, {0x2EE3, 0x9AA8}, {0x2EE4, 0x9B3C},
    {0x2EE5, 0x9C7C}, {0x2EE6, 0x9E1F}, {0x2EE7, 0x5364}, {0x2EE8, 0x9EA6}, {0x2EE9, 0x9EC4},
    {0x2EEA, 0x9EFE}, {0x2EEB, 0x6589}, {0x2EEC, 0x9F50}, {0x2EEE, 0x9F7F}, {0x2EEF, 0x7ADC},
    {0x2EF0, 0x9F99}, {0x2EF1, 0x9F9C}, {0x2EF2, 0x4E80}, {0x2EF3, 0x9F9F},
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Rewrites a destination "<XXXX>" starting at `at` (the '<') when it names a radical.
bool repairCode(std::string& pdf, std::size_t at) {
    if (at + 5 >= pdf.size() || pdf[at] != '<' || pdf[at + 5] != '>') return false;
    int code = 0;
    for (std::size_t i = 1; i <= 4; ++i) {
        const int v = hexValue(pdf[at + i]);
        if (v < 0) return false;
        code = code * 16 + v;
    }
    const char16_t ideograph = IdeographForRadical(static_cast<char16_t>(code));
    if (!ideograph) return false;
    char hex[5];
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(ideograph));
    pdf.replace(at + 1, 4, hex);
    return true;
}

// The next "<...>" token or '[' / ']' between `pos` and `end`; npos when none.
std::size_t nextToken(const std::string& pdf, std::size_t pos, std::size_t end) {
    while (pos < end && pdf[pos] != '<' && pdf[pos] != '[' && pdf[pos] != ']') ++pos;
    return pos < end ? pos : std::string::npos;
}

std::size_t tokenEnd(const std::string& pdf, std::size_t at, std::size_t end) {
    if (pdf[at] != '<') return at + 1;
    const std::size_t close = pdf.find('>', at);
    return close == std::string::npos || close >= end ? end : close + 1;
}

// One "begin…"/"end…" block of a ToUnicode map: bfchar pairs (source, destination) or
// bfrange entries (first, last, destination or [destinations]).
std::size_t repairBlock(std::string& pdf, std::size_t begin, std::size_t end, bool ranges) {
    std::size_t changed = 0;
    std::size_t pos = begin;
    while (true) {
        // Source code(s).
        const std::size_t first = nextToken(pdf, pos, end);
        if (first == std::string::npos || pdf[first] != '<') break;
        const std::size_t firstEnd = tokenEnd(pdf, first, end);
        pos = firstEnd;
        bool singleCode = true;
        if (ranges) {
            const std::size_t last = nextToken(pdf, pos, end);
            if (last == std::string::npos || pdf[last] != '<') break;
            const std::size_t lastEnd = tokenEnd(pdf, last, end);
            singleCode = std::string_view(pdf).substr(first, firstEnd - first) ==
                         std::string_view(pdf).substr(last, lastEnd - last);
            pos = lastEnd;
        }
        const std::size_t dest = nextToken(pdf, pos, end);
        if (dest == std::string::npos) break;
        if (pdf[dest] == '[') {
            pos = dest + 1;
            while (true) {
                const std::size_t t = nextToken(pdf, pos, end);
                if (t == std::string::npos) return changed;
                if (pdf[t] == ']') {
                    pos = t + 1;
                    break;
                }
                changed += repairCode(pdf, t);
                pos = tokenEnd(pdf, t, end);
            }
            continue;
        }
        // A range onto consecutive codes names its first code only: rewriting it would shift
        // the others, so only a range of one code is rewritten.
        if (singleCode) changed += repairCode(pdf, dest);
        pos = tokenEnd(pdf, dest, end);
    }
    return changed;
}

}  // namespace

char16_t IdeographForRadical(char16_t radical) {
    if (radical >= 0x2F00 && radical <= 0x2FDF) {
        const QString n = QString(QChar(radical)).normalized(QString::NormalizationForm_KC);
        return n.size() == 1 && n[0].unicode() != radical ? n[0].unicode() : 0;
    }
    const auto it = std::lower_bound(std::begin(kSupplement), std::end(kSupplement), radical,
                                     [](const auto& e, char16_t r) { return e.first < r; });
    return it != std::end(kSupplement) && it->first == radical ? it->second : 0;
}

std::size_t RepairPdfText(std::string& pdf) {
    std::size_t changed = 0;
    std::size_t pos = 0;
    while ((pos = pdf.find("begincmap", pos)) != std::string::npos) {
        const std::size_t mapEnd = pdf.find("endcmap", pos);
        if (mapEnd == std::string::npos) break;
        for (const auto& [open, close, ranges] :
             {std::tuple{std::string_view("beginbfchar"), std::string_view("endbfchar"), false},
              std::tuple{std::string_view("beginbfrange"), std::string_view("endbfrange"), true}}) {
            std::size_t b = pos;
            while ((b = pdf.find(open, b)) != std::string::npos && b < mapEnd) {
                const std::size_t e = pdf.find(close, b);
                if (e == std::string::npos || e > mapEnd) break;
                changed += repairBlock(pdf, b + open.size(), e, ranges);
                b = e;
            }
        }
        pos = mapEnd;
    }
    return changed;
}

}  // namespace platform::qt
