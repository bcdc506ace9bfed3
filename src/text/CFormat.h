#pragma once
// printf- and scanf-compatible formatting and scanning for the conversions our file formats use:
// %d %i %u %ld %lu %f %lf %s %c %% with the flags '-', '+', ' ', '0', a width and a precision.
// Output is byte-identical to glibc printf/sscanf in the C locale, whatever the process locale.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace text {

// One printf argument.
class FormatArg {
public:
    enum class Kind { Signed, Unsigned, Double, String };
    FormatArg(int v) : kind_(Kind::Signed), i_(v) {}                        // NOLINT
    FormatArg(long v) : kind_(Kind::Signed), i_(v) {}                       // NOLINT
    FormatArg(long long v) : kind_(Kind::Signed), i_(v) {}                  // NOLINT
    FormatArg(unsigned v) : kind_(Kind::Unsigned), u_(v) {}                 // NOLINT
    FormatArg(unsigned long v) : kind_(Kind::Unsigned), u_(v) {}            // NOLINT
    FormatArg(unsigned long long v) : kind_(Kind::Unsigned), u_(v) {}       // NOLINT
    FormatArg(double v) : kind_(Kind::Double), d_(v) {}                     // NOLINT
    FormatArg(float v) : kind_(Kind::Double), d_(v) {}                      // NOLINT
    FormatArg(std::string_view v) : kind_(Kind::String), s_(v) {}           // NOLINT
    FormatArg(const char* v) : kind_(Kind::String), s_(v) {}                // NOLINT
    FormatArg(const std::string& v) : kind_(Kind::String), s_(v) {}         // NOLINT

    Kind kind() const { return kind_; }
    long long asSigned() const { return kind_ == Kind::Unsigned ? static_cast<long long>(u_) : i_; }
    unsigned long long asUnsigned() const {
        return kind_ == Kind::Signed ? static_cast<unsigned long long>(i_) : u_;
    }
    double asDouble() const { return d_; }
    std::string_view asString() const { return s_; }

private:
    Kind kind_;
    union {
        long long i_;
        unsigned long long u_;
        double d_;
    };
    std::string_view s_;
};

// Appends the formatted text to `out`. A conversion whose argument is missing or of the wrong
// kind throws std::invalid_argument: that is a fault in the calling code, never in the data.
void vappendf(std::string& out, std::string_view fmt, std::initializer_list<FormatArg> args);

template <typename... Args>
void appendf(std::string& out, std::string_view fmt, const Args&... args) {
    vappendf(out, fmt, {FormatArg(args)...});
}

template <typename... Args>
std::string format(std::string_view fmt, const Args&... args) {
    std::string out;
    vappendf(out, fmt, {FormatArg(args)...});
    return out;
}

// "%f" with a precision: what printf("%.<precision>f") prints.
void appendFixed(std::string& out, double v, int precision = 6);

// The conversions of `appendf` into a caller's buffer, for writers of large files: each writes
// what printf would and returns the end of what it wrote, without a terminating NUL.
// "%f" / "%lf" (precision 6) of any double takes at most kMaxFixedChars bytes.
inline constexpr std::size_t kMaxFixedChars = 330;
char* writeFixed(char* p, double v);                 // "%f", "%lf"
inline constexpr std::size_t kMaxIntegerChars = 21;
char* writeInteger(char* p, long long v);            // "%d" of an int, "%ld"
char* writeUnsigned(char* p, unsigned long long v);  // "%u" of an unsigned, "%lu"

// One scanf destination.
class ScanArg {
public:
    enum class Kind { Int, Long, ULong, UInt32, Float, Double, String, Skip };
    ScanArg(int& v) : kind_(Kind::Int), p_(&v) {}                      // NOLINT
    ScanArg(long& v) : kind_(Kind::Long), p_(&v) {}                    // NOLINT
    ScanArg(unsigned long& v) : kind_(Kind::ULong), p_(&v) {}          // NOLINT
    ScanArg(std::uint32_t& v) : kind_(Kind::UInt32), p_(&v) {}         // NOLINT
    ScanArg(float& v) : kind_(Kind::Float), p_(&v) {}                  // NOLINT
    ScanArg(double& v) : kind_(Kind::Double), p_(&v) {}                // NOLINT
    ScanArg(std::string_view& v) : kind_(Kind::String), p_(&v) {}      // NOLINT
    Kind kind() const { return kind_; }
    void* ptr() const { return p_; }

private:
    Kind kind_;
    void* p_;
};

// sscanf over `in` with the same results as glibc: returns the number of assigned
// conversions, or -1 (EOF) when the input ends before the first one. %s yields a view into `in`;
// %n stores the number of bytes consumed so far into an int;
// "%*s" and friends skip without assigning. %ld and %lu take 64-bit values as on this platform;
// a uint32_t destination receives the low 32 bits of %lu, as COLORREF values are stored.
int vscanf(std::string_view in, std::string_view fmt, std::initializer_list<ScanArg> args);

template <typename... Args>
int scanf(std::string_view in, std::string_view fmt, Args&... args) {
    return vscanf(in, fmt, {ScanArg(args)...});
}

// The conversions of `scanf` one at a time, for hot loops. Each skips white space at `pos`
// as its conversion does, then reads; on success it advances `pos` and returns true, on
// failure `pos` and the value are unspecified and the caller stops, as scanf would.
bool scanWordAt(std::string_view in, std::size_t& pos, std::string_view& word);   // %s
bool scanIntAt(std::string_view in, std::size_t& pos, int& value);                // %d
bool scanDoubleAt(std::string_view in, std::size_t& pos, double& value);          // %lf
bool scanFloatAt(std::string_view in, std::size_t& pos, float& value);            // %f

// scanDoubleAt for the numbers files usually hold: after white space, a plain decimal number
// (an optional sign, digits, an optional point and digits) that ends at white space or at the
// end of `in`. Gives the same value as scanDoubleAt. False for anything else (no number, an
// exponent, hexadecimal, infinity, not-a-number, a number followed by other bytes); `pos` is
// then unspecified and the caller takes the general way.
bool scanPlainDecimalAt(std::string_view in, std::size_t& pos, double& value);

// What C atof returns for `s`: the value of its leading number after white space, 0 when none.
double leadingNumber(std::string_view s);

// C isspace in the C locale.
constexpr bool isCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace text
