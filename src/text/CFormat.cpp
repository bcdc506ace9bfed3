#include "text/CFormat.h"

#include <bit>
#include <charconv>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <stdexcept>
#include <system_error>

namespace text {

namespace {

locale_t cLocale() {
    static const locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

[[noreturn]] void badFormat(std::string_view fmt, const char* why) {
    throw std::invalid_argument(std::string("format \"") + std::string(fmt) + "\": " + why);
}

struct Conversion {
    bool left = false, plus = false, space = false, zero = false;
    int width = 0;
    int precision = -1;
    int longs = 0;  // number of 'l'
    char conv = 0;
};

void pad(std::string& out, std::size_t n, char c) { out.append(n, c); }

// Writes sign/prefix + body with the width rules of printf.
void emit(std::string& out, const Conversion& s, std::string_view sign, std::string_view body,
          bool zeroAllowed) {
    const std::size_t len = sign.size() + body.size();
    const std::size_t w = s.width > 0 ? static_cast<std::size_t>(s.width) : 0;
    if (len >= w) {
        out.append(sign);
        out.append(body);
    } else if (s.left) {
        out.append(sign);
        out.append(body);
        pad(out, w - len, ' ');
    } else if (s.zero && zeroAllowed) {
        out.append(sign);
        pad(out, w - len, '0');
        out.append(body);
    } else {
        pad(out, w - len, ' ');
        out.append(sign);
        out.append(body);
    }
}

void emitInteger(std::string& out, const Conversion& s, bool negative, unsigned long long magnitude) {
    char digits[32];
    auto r = std::to_chars(digits, digits + sizeof digits, magnitude);
    std::string body(digits, r.ptr);
    if (s.precision >= 0) {
        if (s.precision == 0 && magnitude == 0) body.clear();
        if (body.size() < static_cast<std::size_t>(s.precision))
            body.insert(0, static_cast<std::size_t>(s.precision) - body.size(), '0');
    }
    std::string_view sign = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
    emit(out, s, sign, body, s.precision < 0);
}

// The decimal digits of 0 to 99, two by two.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

int decimalLength(std::uint64_t v) {
    int n = 1;
    for (; v >= 10000; v /= 10000) n += 4;
    return v >= 1000 ? n + 3 : v >= 100 ? n + 2 : v >= 10 ? n + 1 : n;
}

// The last `count` decimal digits of `v` (leading zeros included), two at a time.
char* writeDigits(char* p, std::uint64_t v, int count) {
    char* e = p + count;
    char* q = e;
    while (q - p >= 2) {
        q -= 2;
        std::memcpy(q, kDigitPairs + 2 * (v % 100), 2);
        v /= 100;
    }
    if (q != p) *p = static_cast<char>('0' + v % 10);
    return e;
}

constexpr std::uint64_t kPowersOf10[] = {1,         10,         100,         1000,
                                          10000,     100000,     1000000,     10000000,
                                          100000000, 1000000000};

// The digits printf("%.<prec>f") prints for a finite `mag` >= 0, computed exactly: the binary
// value times 10^prec rounded to the nearest integer, ties to even as the C library does.
// Writes them to `p` and returns the end, or null when `mag` is too large for 64-bit integers
// or the precision above 9, where the general conversion takes over.
char* fixedDigits(char* p, double mag, int prec) {
    if (prec < 0 || prec > 9) return nullptr;
    const std::uint64_t scale = kPowersOf10[prec];
    if (!(mag < 9.0e18 / static_cast<double>(scale))) return nullptr;
    std::uint64_t bits;
    std::memcpy(&bits, &mag, sizeof bits);
    int biased = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t m = bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0)
        biased = 1;  // subnormal
    else
        m |= std::uint64_t{1} << 52;
    const int e = biased - 1075;  // mag = m * 2^e
    std::uint64_t n;
    if (e >= 0) {
        n = (m << e) * scale;  // below 9e18 by the test above
    } else {
        using U128 = unsigned __int128;
        const int shift = -e;
        const U128 product = static_cast<U128>(m) * scale;  // below 2^83
        if (shift >= 127) {
            n = 0;  // less than half a unit of the last digit
        } else {
            n = static_cast<std::uint64_t>(product >> shift);
            const U128 rest = product & ((U128{1} << shift) - 1);
            const U128 half = U128{1} << (shift - 1);
            if (rest > half || (rest == half && (n & 1) != 0)) ++n;
        }
    }
    p = writeDigits(p, n / scale, decimalLength(n / scale));
    if (prec > 0) {
        *p++ = '.';
        p = writeDigits(p, n % scale, prec);
    }
    return p;
}

void emitFixed(std::string& out, const Conversion& s, double v) {
    const int prec = s.precision < 0 ? 6 : s.precision;
    char buf[400];
    std::string_view sign;
    std::string_view body;
    const bool negative = std::signbit(v);
    const double mag = negative ? -v : v;
    if (std::isnan(v) || std::isinf(v)) {
        body = std::isnan(v) ? "nan" : "inf";
    } else {
        std::string_view digits;
        std::string heap;
        if (char* end = fixedDigits(buf, mag, prec)) {
            sign = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
            emit(out, s, sign, std::string_view(buf, static_cast<std::size_t>(end - buf)), true);
            return;
        }
        auto r = std::to_chars(buf, buf + sizeof buf, mag, std::chars_format::fixed, prec);
        if (r.ec == std::errc()) {
            digits = std::string_view(buf, static_cast<std::size_t>(r.ptr - buf));
        } else {
            heap.resize(330 + static_cast<std::size_t>(prec));
            auto r2 = std::to_chars(heap.data(), heap.data() + heap.size(), mag,
                                    std::chars_format::fixed, prec);
            heap.resize(static_cast<std::size_t>(r2.ptr - heap.data()));
            digits = heap;
        }
        sign = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
        emit(out, s, sign, digits, true);
        return;
    }
    sign = negative ? "-" : s.plus ? "+" : s.space ? " " : "";
    emit(out, s, sign, body, false);
}

}  // namespace

void appendFixed(std::string& out, double v, int precision) {
    Conversion s;
    s.precision = precision;
    emitFixed(out, s, v);
}

char* writeFixed(char* p, double v) {
    const bool negative = std::signbit(v);
    const double mag = negative ? -v : v;
    if (std::isfinite(mag)) {
        char* q = p;
        if (negative) *q++ = '-';
        if (char* end = fixedDigits(q, mag, 6)) return end;
    }
    std::string general;
    appendFixed(general, v, 6);
    std::memcpy(p, general.data(), general.size());
    return p + general.size();
}

char* writeInteger(char* p, long long v) { return std::to_chars(p, p + kMaxIntegerChars, v).ptr; }

char* writeUnsigned(char* p, unsigned long long v) {
    return std::to_chars(p, p + kMaxIntegerChars, v).ptr;
}

void vappendf(std::string& out, std::string_view fmt, std::initializer_list<FormatArg> args) {
    auto arg = args.begin();
    std::size_t i = 0;
    while (i < fmt.size()) {
        const std::size_t pct = fmt.find('%', i);
        if (pct == std::string_view::npos) {
            out.append(fmt.substr(i));
            break;
        }
        out.append(fmt.substr(i, pct - i));
        i = pct + 1;
        if (i < fmt.size() && fmt[i] == '%') {
            out.push_back('%');
            ++i;
            continue;
        }
        Conversion s;
        for (; i < fmt.size(); ++i) {
            const char c = fmt[i];
            if (c == '-') s.left = true;
            else if (c == '+') s.plus = true;
            else if (c == ' ') s.space = true;
            else if (c == '0') s.zero = true;
            else break;
        }
        while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9') s.width = s.width * 10 + (fmt[i++] - '0');
        if (i < fmt.size() && fmt[i] == '.') {
            ++i;
            s.precision = 0;
            while (i < fmt.size() && fmt[i] >= '0' && fmt[i] <= '9')
                s.precision = s.precision * 10 + (fmt[i++] - '0');
        }
        while (i < fmt.size() && fmt[i] == 'l') {
            ++s.longs;
            ++i;
        }
        if (i >= fmt.size()) badFormat(fmt, "incomplete conversion");
        s.conv = fmt[i++];
        if (arg == args.end()) badFormat(fmt, "too few arguments");
        const FormatArg& a = *arg++;
        switch (s.conv) {
            case 'd':
            case 'i': {
                if (a.kind() != FormatArg::Kind::Signed && a.kind() != FormatArg::Kind::Unsigned)
                    badFormat(fmt, "%d needs an integer");
                long long v = a.asSigned();
                if (s.longs == 0) v = static_cast<int>(v);
                const bool neg = v < 0;
                const unsigned long long mag =
                    neg ? 0ULL - static_cast<unsigned long long>(v) : static_cast<unsigned long long>(v);
                emitInteger(out, s, neg, mag);
                break;
            }
            case 'u': {
                if (a.kind() != FormatArg::Kind::Signed && a.kind() != FormatArg::Kind::Unsigned)
                    badFormat(fmt, "%u needs an integer");
                unsigned long long v = a.asUnsigned();
                if (s.longs == 0) v = static_cast<unsigned>(v);
                Conversion u = s;
                u.plus = u.space = false;
                emitInteger(out, u, false, v);
                break;
            }
            case 'f':
            case 'F':
                if (a.kind() != FormatArg::Kind::Double) badFormat(fmt, "%f needs a floating value");
                emitFixed(out, s, a.asDouble());
                break;
            case 's': {
                if (a.kind() != FormatArg::Kind::String) badFormat(fmt, "%s needs a text");
                std::string_view v = a.asString();
                if (s.precision >= 0 && v.size() > static_cast<std::size_t>(s.precision))
                    v = v.substr(0, static_cast<std::size_t>(s.precision));
                emit(out, s, "", v, false);
                break;
            }
            case 'c': {
                if (a.kind() != FormatArg::Kind::Signed && a.kind() != FormatArg::Kind::Unsigned)
                    badFormat(fmt, "%c needs an integer");
                const char c = static_cast<char>(a.asSigned());
                emit(out, s, "", std::string_view(&c, 1), false);
                break;
            }
            default:
                badFormat(fmt, "unsupported conversion");
        }
    }
    if (arg != args.end()) badFormat(fmt, "too many arguments");
}

// ---------------------------------------------------------------------------------------------
// Scanning

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool matchesNoCase(std::string_view s, std::size_t pos, std::string_view word) {
    if (s.size() - pos < word.size()) return false;
    for (std::size_t k = 0; k < word.size(); ++k)
        if (lower(s[pos + k]) != word[k]) return false;
    return true;
}

// Length of the floating-point token glibc's scanf consumes at the start of `s` (which has no
// leading white space), or 0 when the conversion fails. `plainDecimal` tells whether the
// token is digits, an optional point and a complete exponent only.
std::size_t floatTokenLength(std::string_view s, bool& plainDecimal) {
    plainDecimal = false;
    std::size_t p = 0;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    if (matchesNoCase(s, p, "inf")) {
        p += 3;
        if (p < s.size() && lower(s[p]) == 'i') {
            // glibc commits to "infinity" once it has read the fourth letter.
            return matchesNoCase(s, p, "inity") ? p + 5 : 0;
        }
        return p;
    }
    if (matchesNoCase(s, p, "nan")) return p + 3;
    if (p + 1 < s.size() && s[p] == '0' && lower(s[p + 1]) == 'x') {
        std::size_t q = p + 2;
        bool any = false;
        while (q < s.size() && isHexDigit(s[q])) ++q, any = true;
        if (q < s.size() && s[q] == '.') {
            ++q;
            any = true;
            while (q < s.size() && isHexDigit(s[q])) ++q;
        }
        if (!any) return 0;
        if (q < s.size() && lower(s[q]) == 'p') {
            ++q;
            if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
            while (q < s.size() && isDigit(s[q])) ++q;
        }
        return q;
    }
    std::size_t q = p;
    std::size_t digits = 0;
    while (q < s.size() && isDigit(s[q])) ++q, ++digits;
    if (q < s.size() && s[q] == '.') {
        ++q;
        while (q < s.size() && isDigit(s[q])) ++q, ++digits;
    }
    if (digits == 0) return 0;
    plainDecimal = true;
    if (q < s.size() && lower(s[q]) == 'e') {
        ++q;
        if (q < s.size() && (s[q] == '+' || s[q] == '-')) ++q;
        std::size_t expDigits = 0;
        while (q < s.size() && isDigit(s[q])) ++q, ++expDigits;
        if (expDigits == 0) plainDecimal = false;
    }
    return q;
}

template <typename T>
T parseFloating(std::string_view token, bool plainDecimal) {
    if (plainDecimal) {
        std::string_view t = token;
        if (!t.empty() && t[0] == '+') t.remove_prefix(1);
        T v{};
        auto r = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
        if (r.ec == std::errc() && r.ptr == t.data() + t.size()) return v;
    }
    const std::string copy(token);
    if constexpr (std::is_same_v<T, float>)
        return strtof_l(copy.c_str(), nullptr, cLocale());
    else
        return strtod_l(copy.c_str(), nullptr, cLocale());
}

// Integer token: optional sign and decimal digits. Returns its length, 0 when no digits.
std::size_t intTokenLength(std::string_view s) {
    std::size_t p = 0;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
    const std::size_t start = p;
    while (p < s.size() && isDigit(s[p])) ++p;
    return p == start ? 0 : p;
}

// strtol / strtoul on a token of intTokenLength.
void parseInteger(std::string_view tok, long& asLong, unsigned long& asULong) {
    bool neg = false;
    std::size_t p = 0;
    if (tok[p] == '+' || tok[p] == '-') neg = tok[p++] == '-';
    unsigned long mag = 0;
    bool overflow = false;
    for (; p < tok.size(); ++p) {
        const unsigned d = static_cast<unsigned>(tok[p] - '0');
        if (mag > (ULONG_MAX - d) / 10) overflow = true;
        if (!overflow) mag = mag * 10 + d;
    }
    // strtoul: overflow of the magnitude gives ULONG_MAX even for a negative number.
    asULong = overflow ? ULONG_MAX : (neg ? 0UL - mag : mag);
    // strtol clamps to the range of long.
    if (neg) {
        asLong = (overflow || mag > static_cast<unsigned long>(LONG_MAX) + 1UL)
                     ? LONG_MIN
                     : static_cast<long>(0UL - mag);
    } else {
        asLong = (overflow || mag > static_cast<unsigned long>(LONG_MAX)) ? LONG_MAX
                                                                          : static_cast<long>(mag);
    }
}

void skipSpace(std::string_view in, std::size_t& pos) {
    while (pos < in.size() && isCSpace(in[pos])) ++pos;
}

// Eight bytes as a word (the first byte lowest): per byte, zero for a decimal digit. The first
// non-zero byte is the first non-digit (a carry out of a byte above 0xF9 only spoils the bytes
// after it).
constexpr std::uint64_t notDigits(std::uint64_t x) {
    return ((x & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL) |
           (((x + 0x0606060606060606ULL) & 0xF0F0F0F0F0F0F0F0ULL) ^ 0x3030303030303030ULL);
}

// The value of the first `d` (1 to 8) digits of a word: the digits moved to the top bytes
// (zero bytes above are leading zeros), then combined pairwise.
constexpr std::uint64_t digitsValue(std::uint64_t x, int d) {
    std::uint64_t v = x << (8 * (8 - d));
    v = ((v & 0x0F0F0F0F0F0F0F0FULL) * 2561) >> 8;
    v = ((v & 0x00FF00FF00FF00FFULL) * 6553601) >> 16;
    return ((v & 0x0000FFFF0000FFFFULL) * 42949672960001ULL) >> 32;
}

// A run of decimal digits at s[p]: appends them to `mantissa` (which wraps around when the
// run is long; such runs are too long for the callers anyway), moves `p` past them and returns
// how many there were. Eight bytes at a time where eight are left.
[[gnu::always_inline]] inline int digitRun(std::string_view s, std::size_t& p, std::uint64_t& mantissa) {
    int count = 0;
    if constexpr (std::endian::native == std::endian::little) {
        while (s.size() - p >= 8) {
            std::uint64_t x;
            std::memcpy(&x, s.data() + p, 8);
            const std::uint64_t stop = notDigits(x);
            const int d = stop ? __builtin_ctzll(stop) / 8 : 8;
            if (d == 0) return count;
            mantissa = mantissa * kPowersOf10[d] + digitsValue(x, d);
            p += static_cast<std::size_t>(d);
            count += d;
            if (d < 8) return count;
        }
    }
    while (p < s.size() && isDigit(s[p])) {
        mantissa = mantissa * 10 + static_cast<unsigned>(s[p++] - '0');
        ++count;
    }
    return count;
}

// The common case of the files, "-123.456789": with at most 15 digits the digits make an exact
// integer and the power of ten is exact, so one division gives the correctly rounded value,
// the same as the full conversion. Returns the token length, or 0 to take the general path.
template <typename T>
std::size_t fastDecimal(std::string_view s, T& value) {
    constexpr int kMaxDigits = std::is_same_v<T, float> ? 7 : 15;
    constexpr int kMaxFraction = std::is_same_v<T, float> ? 10 : 22;
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    std::size_t p = 0;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) negative = s[p++] == '-';
    if constexpr (std::is_same_v<T, double> && std::endian::native == std::endian::little) {
        // What printf("%f") writes, up to seven digits, a point and six digits, in two words;
        // the same value as the digits one by one below.
        if (s.size() - p >= 16) {
            std::uint64_t x, y;
            std::memcpy(&x, s.data() + p, 8);
            const std::uint64_t intStop = notDigits(x);
            const int d = intStop ? __builtin_ctzll(intStop) / 8 : 8;
            if (d >= 1 && d <= 7 && s[p + static_cast<std::size_t>(d)] == '.') {
                std::memcpy(&y, s.data() + p + static_cast<std::size_t>(d) + 1, 8);
                const std::uint64_t fractionStop = notDigits(y);
                const std::size_t end = p + static_cast<std::size_t>(d) + 7;
                if (fractionStop && __builtin_ctzll(fractionStop) / 8 == 6 && lower(s[end]) != 'e' &&
                    lower(s[end]) != 'x') {
                    const std::uint64_t mantissa = digitsValue(x, d) * 1000000 + digitsValue(y, 6);
                    const double v = static_cast<double>(mantissa) / kPow10[6];
                    value = negative ? -v : v;
                    return end;
                }
            }
        }
    }
    std::uint64_t mantissa = 0;
    int digits = digitRun(s, p, mantissa);
    int fraction = 0;
    if (p < s.size() && s[p] == '.') {
        ++p;
        fraction = digitRun(s, p, mantissa);
        digits += fraction;
    }
    if (digits == 0 || digits > kMaxDigits || fraction > kMaxFraction) return 0;
    if (p < s.size() && (lower(s[p]) == 'e' || lower(s[p]) == 'x')) return 0;
    if constexpr (std::is_same_v<T, float>) {
        const float v = static_cast<float>(mantissa) / static_cast<float>(kPow10[fraction]);
        value = negative ? -v : v;
    } else {
        const double v = static_cast<double>(mantissa) / kPow10[fraction];
        value = negative ? -v : v;
    }
    return p;
}

template <typename T>
bool scanFloatingAt(std::string_view in, std::size_t& pos, T& value) {
    skipSpace(in, pos);
    if (const std::size_t n = fastDecimal(in.substr(pos), value)) {
        pos += n;
        return true;
    }
    bool plain = false;
    const std::size_t n = floatTokenLength(in.substr(pos), plain);
    if (n == 0) return false;
    value = parseFloating<T>(in.substr(pos, n), plain);
    pos += n;
    return true;
}

}  // namespace

bool scanWordAt(std::string_view in, std::size_t& pos, std::string_view& word) {
    skipSpace(in, pos);
    const std::size_t start = pos;
    while (pos < in.size() && !isCSpace(in[pos])) ++pos;
    word = in.substr(start, pos - start);
    return pos > start;
}

bool scanIntAt(std::string_view in, std::size_t& pos, int& value) {
    skipSpace(in, pos);
    const std::size_t n = intTokenLength(in.substr(pos));
    if (n == 0) return false;
    long asLong;
    unsigned long asULong;
    parseInteger(in.substr(pos, n), asLong, asULong);
    value = static_cast<int>(asLong);
    pos += n;
    return true;
}

bool scanDoubleAt(std::string_view in, std::size_t& pos, double& value) {
    return scanFloatingAt(in, pos, value);
}

bool scanFloatAt(std::string_view in, std::size_t& pos, float& value) {
    return scanFloatingAt(in, pos, value);
}

bool scanPlainDecimalAt(std::string_view in, std::size_t& pos, double& value) {
    skipSpace(in, pos);
    const std::string_view s = in.substr(pos);
    std::size_t n = fastDecimal(s, value);
    if (n == 0) {
        // More digits than one exact division takes, or no plain number at all.
        std::size_t p = 0;
        if (p < s.size() && (s[p] == '+' || s[p] == '-')) ++p;
        std::size_t digits = 0;
        while (p < s.size() && isDigit(s[p])) ++p, ++digits;
        if (p < s.size() && s[p] == '.') {
            ++p;
            while (p < s.size() && isDigit(s[p])) ++p, ++digits;
        }
        if (digits == 0) return false;
        n = p;
        if (n < s.size() && !isCSpace(s[n])) return false;
        value = parseFloating<double>(s.substr(0, n), true);
    } else if (n < s.size() && !isCSpace(s[n])) {
        return false;
    }
    pos += n;
    return true;
}

int vscanf(std::string_view in, std::string_view fmt, std::initializer_list<ScanArg> args) {
    auto arg = args.begin();
    std::size_t pos = 0;  // in `in`
    int assigned = 0;
    // glibc answers EOF for an input failure whenever nothing has been assigned yet.
    auto result = [&](bool) { return assigned == 0 ? -1 : assigned; };
    std::size_t i = 0;
    while (i < fmt.size()) {
        const char f = fmt[i];
        if (isCSpace(f)) {
            while (i < fmt.size() && isCSpace(fmt[i])) ++i;
            while (pos < in.size() && isCSpace(in[pos])) ++pos;
            continue;
        }
        if (f != '%' || (i + 1 < fmt.size() && fmt[i + 1] == '%')) {
            if (f == '%') ++i;  // "%%" matches one '%' after white space
            if (f == '%')
                while (pos < in.size() && isCSpace(in[pos])) ++pos;
            if (pos >= in.size()) return result(true);
            if (in[pos] != fmt[i]) return assigned;
            ++pos;
            ++i;
            continue;
        }
        ++i;
        bool suppress = false;
        if (i < fmt.size() && fmt[i] == '*') {
            suppress = true;
            ++i;
        }
        std::size_t width = 0;
        while (i < fmt.size() && isDigit(fmt[i])) width = width * 10 + static_cast<std::size_t>(fmt[i++] - '0');
        int longs = 0;
        while (i < fmt.size() && fmt[i] == 'l') ++longs, ++i;
        if (i >= fmt.size()) badFormat(fmt, "incomplete conversion");
        const char conv = fmt[i++];

        const ScanArg* dest = nullptr;
        if (!suppress) {
            if (arg == args.end()) badFormat(fmt, "too few destinations");
            dest = &*arg++;
        }
        if (conv == 'n') {
            if (dest) {
                if (dest->kind() != ScanArg::Kind::Int) badFormat(fmt, "%n needs an int");
                *static_cast<int*>(dest->ptr()) = static_cast<int>(pos);
            }
            continue;
        }
        while (pos < in.size() && isCSpace(in[pos])) ++pos;
        if (pos >= in.size()) return result(true);
        std::string_view rest = in.substr(pos);
        if (width > 0 && rest.size() > width) rest = rest.substr(0, width);

        switch (conv) {
            case 's': {
                std::size_t n = 0;
                while (n < rest.size() && !isCSpace(rest[n])) ++n;
                if (dest) {
                    if (dest->kind() != ScanArg::Kind::String) badFormat(fmt, "%s needs a text");
                    *static_cast<std::string_view*>(dest->ptr()) = rest.substr(0, n);
                    ++assigned;
                }
                pos += n;
                break;
            }
            case 'd':
            case 'u': {
                const std::size_t n = intTokenLength(rest);
                if (n == 0) return assigned;
                long asLong;
                unsigned long asULong;
                parseInteger(rest.substr(0, n), asLong, asULong);
                pos += n;
                if (!dest) break;
                const bool isSigned = conv == 'd';
                switch (dest->kind()) {
                    case ScanArg::Kind::Int:
                        *static_cast<int*>(dest->ptr()) =
                            isSigned ? static_cast<int>(asLong) : static_cast<int>(asULong);
                        break;
                    case ScanArg::Kind::Long:
                        *static_cast<long*>(dest->ptr()) =
                            isSigned ? asLong : static_cast<long>(asULong);
                        break;
                    case ScanArg::Kind::ULong:
                        *static_cast<unsigned long*>(dest->ptr()) =
                            isSigned ? static_cast<unsigned long>(asLong) : asULong;
                        break;
                    case ScanArg::Kind::UInt32:
                        *static_cast<std::uint32_t*>(dest->ptr()) =
                            isSigned ? static_cast<std::uint32_t>(asLong)
                                     : static_cast<std::uint32_t>(asULong);
                        break;
                    default:
                        badFormat(fmt, "integer conversion needs an integer destination");
                }
                ++assigned;
                break;
            }
            case 'f':
            case 'e':
            case 'g': {
                std::size_t p = 0;
                if (longs > 0) {
                    double v = 0;
                    if (!scanFloatingAt(rest, p, v)) return assigned;
                    if (dest) {
                        if (dest->kind() != ScanArg::Kind::Double) badFormat(fmt, "%lf needs a double");
                        *static_cast<double*>(dest->ptr()) = v;
                    }
                } else {
                    float v = 0;
                    if (!scanFloatingAt(rest, p, v)) return assigned;
                    if (dest) {
                        if (dest->kind() != ScanArg::Kind::Float) badFormat(fmt, "%f needs a float");
                        *static_cast<float*>(dest->ptr()) = v;
                    }
                }
                pos += p;
                if (dest) ++assigned;
                break;
            }
            default:
                badFormat(fmt, "unsupported conversion");
        }
    }
    return assigned;
}

double leadingNumber(std::string_view s) {
    const std::string copy(s.substr(0, s.find('\0')));
    return strtod_l(copy.c_str(), nullptr, cLocale());
}

}  // namespace text
