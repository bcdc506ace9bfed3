#include "tubra/spatial/Texts.h"

#include <charconv>
#include <cmath>
#include <string>

#include "text/Gbk.h"

namespace tubra::spatial {

namespace {

// The GBK bytes of the marks the readers look for.
struct Marks {
    std::string fullSpace = text::gbk("　");
    std::string fullPoint = text::gbk("．");
    std::string fullMinus = text::gbk("－");
    std::string minusSign = text::gbk("−");
    std::string times = text::gbk("×");
    std::string triangle = text::gbk("▽");
    std::string diameters[4] = {text::gbk("φ"), text::gbk("Φ"), text::gbk("ф"), text::gbk("Ф")};
};

const Marks& marks() {
    static const Marks m;
    return m;
}

constexpr double kLongestLength = 1e9;  // mm: 1,000 km
constexpr double kLargestBore = 1e5;    // mm

std::size_t charLength(std::string_view s, std::size_t i) {
    return text::isGbkLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

bool at(std::string_view s, std::size_t i, std::string_view word) {
    return s.substr(i).starts_with(word);
}

bool asciiAt(std::string_view s, std::size_t i, char lower) {
    return i < s.size() && (s[i] == lower || s[i] == lower - 'a' + 'A');
}

void skipBlanks(std::string_view s, std::size_t& i) {
    while (i < s.size()) {
        if (s[i] == ' ' || s[i] == '\t') {
            ++i;
        } else if (at(s, i, marks().fullSpace)) {
            i += marks().fullSpace.size();
        } else {
            break;
        }
    }
}

// The digit at i (ASCII or full-width) and its byte length, or -1.
int digitAt(std::string_view s, std::size_t i, std::size_t& length) {
    if (i >= s.size()) return -1;
    if (s[i] >= '0' && s[i] <= '9') {
        length = 1;
        return s[i] - '0';
    }
    const auto lead = static_cast<unsigned char>(s[i]);
    if (lead == 0xA3 && i + 1 < s.size()) {
        const auto trail = static_cast<unsigned char>(s[i + 1]);
        if (trail >= 0xB0 && trail <= 0xB9) {
            length = 2;
            return trail - 0xB0;
        }
    }
    return -1;
}

bool asciiDigit(std::string_view s, std::size_t i) {
    return i < s.size() && s[i] >= '0' && s[i] <= '9';
}

// A thousands comma: ',' followed by exactly three digits.
bool thousandsCommaAt(std::string_view s, std::size_t i) {
    return i < s.size() && s[i] == ',' && asciiDigit(s, i + 1) && asciiDigit(s, i + 2) &&
           asciiDigit(s, i + 3) && !asciiDigit(s, i + 4);
}

// An unsigned decimal number at i; advances i past it. None without a digit.
std::optional<double> numberAt(std::string_view s, std::size_t& i) {
    std::string digits;
    std::size_t j = i, length = 0;
    bool any = false;
    while (j < s.size()) {
        if (const int d = digitAt(s, j, length); d >= 0) {
            digits += static_cast<char>('0' + d);
            j += length;
            any = true;
        } else if (any && thousandsCommaAt(s, j)) {
            ++j;
        } else {
            break;
        }
    }
    std::size_t pointLength = 0;
    if (j < s.size() && s[j] == '.')
        pointLength = 1;
    else if (at(s, j, marks().fullPoint))
        pointLength = marks().fullPoint.size();
    if (pointLength > 0 && digitAt(s, j + pointLength, length) >= 0) {
        digits += '.';
        j += pointLength;
        while (true) {
            const int d = digitAt(s, j, length);
            if (d < 0) break;
            digits += static_cast<char>('0' + d);
            j += length;
            any = true;
        }
    }
    if (!any) return std::nullopt;
    double value = 0.0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    (void)end;
    i = j;
    // Too many digits for a double: a number far beyond any length or size.
    if (ec != std::errc()) return HUGE_VAL;
    return value;
}

// Where a marked size starts at i ("DN" or a diameter sign): the byte length of the mark, or 0.
std::size_t sizeMarkAt(std::string_view s, std::size_t i, bool& nominal) {
    if (asciiAt(s, i, 'd') && asciiAt(s, i + 1, 'n')) {
        nominal = true;
        return 2;
    }
    for (const std::string& d : marks().diameters) {
        if (at(s, i, d)) {
            nominal = false;
            return d.size();
        }
    }
    return 0;
}

bool validBore(double v) {
    return std::isfinite(v) && v > 0.0 && v <= kLargestBore;
}

// The first marked size at or after `from` whose mark is followed by a number: its value, and in
// `after` the position behind the number.
std::optional<double> markedSize(std::string_view s, std::size_t from, std::size_t& after,
                                 bool& nominal) {
    for (std::size_t i = from; i < s.size(); i += charLength(s, i)) {
        const std::size_t mark = sizeMarkAt(s, i, nominal);
        if (mark == 0) continue;
        std::size_t j = i + mark;
        skipBlanks(s, j);
        if (const auto n = numberAt(s, j); n && validBore(*n)) {
            after = j;
            return n;
        }
    }
    return std::nullopt;
}

// A separator between two sizes ("×", "x", "*", and "/" where `slash`); advances i past it.
bool separatorAt(std::string_view s, std::size_t& i, bool slash) {
    if (i >= s.size()) return false;
    if (s[i] == 'x' || s[i] == 'X' || s[i] == '*' || (slash && s[i] == '/')) {
        ++i;
        return true;
    }
    if (at(s, i, marks().times)) {
        i += marks().times.size();
        return true;
    }
    return false;
}

}  // namespace

std::optional<SizeText> readSize(std::string_view s) {
    std::size_t after = 0;
    bool nominal = false;
    if (auto size = markedSize(s, 0, after, nominal)) return SizeText{*size, nominal};
    std::size_t i = 0;
    skipBlanks(s, i);
    const auto number = numberAt(s, i);
    if (!number || !validBore(*number)) return std::nullopt;
    skipBlanks(s, i);
    if (separatorAt(s, i, false)) return SizeText{*number, false};
    return std::nullopt;
}

std::optional<SizeText> readSecondSize(std::string_view s) {
    std::size_t after = 0;
    bool nominal = false;
    if (!markedSize(s, 0, after, nominal)) return std::nullopt;
    if (nominal) {
        // "DN150×100", "DN150/DN100": the second size follows the first at once.
        std::size_t i = after;
        skipBlanks(s, i);
        if (separatorAt(s, i, true)) {
            skipBlanks(s, i);
            if (asciiAt(s, i, 'd') && asciiAt(s, i + 1, 'n')) i += 2;
            skipBlanks(s, i);
            if (const auto n = numberAt(s, i); n && validBore(*n)) return SizeText{*n, true};
        }
    }
    bool secondNominal = false;
    if (const auto n = markedSize(s, after, after, secondNominal)) return SizeText{*n, secondNominal};
    return std::nullopt;
}

std::optional<double> readBore(std::string_view s) {
    if (const auto size = readSize(s)) return size->value;
    return std::nullopt;
}

std::optional<double> readSecondBore(std::string_view s) {
    if (const auto size = readSecondSize(s)) return size->value;
    return std::nullopt;
}

namespace {

// Nominal bores (DN) and the outside diameters of the steel pipes made for them, in mm: the
// international series and the Chinese one where they differ (φ57 is DN50, φ159 is DN150).
struct NominalSize {
    double dn;
    double outside[3];
};
constexpr NominalSize kNominalSizes[] = {
    {6, {10.2, 10, 0}},      {8, {13.5, 0, 0}},       {10, {17.2, 14, 0}},
    {15, {21.3, 22, 18}},    {20, {26.9, 25, 0}},     {25, {33.7, 32, 0}},
    {32, {42.4, 38, 0}},     {40, {48.3, 45, 0}},     {50, {60.3, 57, 0}},
    {65, {76.1, 73, 0}},     {80, {88.9, 89, 0}},     {100, {114.3, 108, 0}},
    {125, {139.7, 133, 0}},  {150, {168.3, 159, 0}},  {200, {219.1, 219, 0}},
    {250, {273.0, 0, 0}},    {300, {323.9, 325, 0}},  {350, {355.6, 377, 0}},
    {400, {406.4, 426, 0}},  {450, {457, 480, 478}},  {500, {508, 530, 0}},
    {600, {610, 630, 0}},    {700, {711, 720, 0}},    {800, {813, 820, 0}},
    {900, {914, 920, 0}},    {1000, {1016, 1020, 0}}, {1200, {1219, 1220, 0}},
};
// An outside diameter this close to one of the table (by ratio) is that pipe.
constexpr double kOutsideTolerance = 0.05;

}  // namespace

double nominalBoreOf(double outside) {
    double best = 0.0, bestMiss = kOutsideTolerance;
    for (const NominalSize& n : kNominalSizes)
        for (const double od : n.outside) {
            if (od <= 0.0) continue;
            const double miss = std::fabs(outside / od - 1.0);
            if (miss <= bestMiss) {
                bestMiss = miss;
                best = n.dn;
            }
        }
    return best > 0.0 ? best : std::round(outside * 10.0) / 10.0;
}

std::optional<double> readNominalBore(std::string_view s) {
    if (const auto size = readSize(s)) return size->nominal ? size->value : nominalBoreOf(size->value);
    return std::nullopt;
}

std::optional<double> readSecondNominalBore(std::string_view s) {
    if (const auto size = readSecondSize(s))
        return size->nominal ? size->value : nominalBoreOf(size->value);
    return std::nullopt;
}

std::optional<double> readElevationMark(std::string_view s) {
    const Marks& m = marks();
    for (std::size_t i = 0; i < s.size(); i += charLength(s, i)) {
        if (!at(s, i, m.triangle)) continue;
        std::size_t j = i + m.triangle.size();
        skipBlanks(s, j);
        double sign = 1.0;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) {
            sign = s[j] == '-' ? -1.0 : 1.0;
            ++j;
        } else if (at(s, j, m.fullMinus)) {
            sign = -1.0;
            j += m.fullMinus.size();
        } else if (at(s, j, m.minusSign)) {
            sign = -1.0;
            j += m.minusSign.size();
        }
        skipBlanks(s, j);
        const auto number = numberAt(s, j);
        if (!number) continue;
        skipBlanks(s, j);
        const double unit = asciiAt(s, j, 'm') && asciiAt(s, j + 1, 'm') ? 1.0 : 1000.0;
        const double value = sign * *number * unit;
        if (!std::isfinite(value) || std::fabs(value) > kLongestLength) continue;
        return value;
    }
    return std::nullopt;
}

}  // namespace tubra::spatial
