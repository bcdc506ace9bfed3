#include "tubra/model/LengthText.h"

#include <charconv>
#include <cmath>

#include "text/CFormat.h"

namespace tubra::model {

PipeLength readPipeLength(std::string_view t) {
    while (!t.empty() && text::isCSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && text::isCSpace(t.back())) t.remove_suffix(1);
    PipeLength r;
    bool negative = false;
    if (!t.empty() && (t.front() == '+' || t.front() == '-')) {
        negative = t.front() == '-';
        t.remove_prefix(1);
    }
    // Digits with at most one decimal point, and at least one digit: no exponent, no
    // hexadecimal, no words.
    int digits = 0, points = 0;
    for (const char c : t) {
        if (c >= '0' && c <= '9')
            ++digits;
        else if (c == '.')
            ++points;
        else
            return r;
    }
    if (digits == 0 || points > 1) return r;
    double v = 0.0;
    const auto parsed = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::fixed);
    if (parsed.ec == std::errc::result_out_of_range || !std::isfinite(v)) {
        r.fault = negative ? LengthTextFault::Negative : LengthTextFault::TooLong;
        return r;
    }
    if (parsed.ec != std::errc() || parsed.ptr != t.data() + t.size()) return r;
    if (v == 0.0)
        r.fault = LengthTextFault::Zero;
    else if (negative)
        r.fault = LengthTextFault::Negative;
    else if (v > kLongestPipeLength)
        r.fault = LengthTextFault::TooLong;
    else {
        r.fault = LengthTextFault::None;
        r.mm = v;
    }
    return r;
}

std::string_view lengthTextFaultText(LengthTextFault fault) {
    switch (fault) {
        case LengthTextFault::None: return {};
        case LengthTextFault::NotANumber: return "不是数字";
        case LengthTextFault::Zero: return "为零";
        case LengthTextFault::Negative: return "是负数";
        case LengthTextFault::TooLong: return "超过 10 公里";
    }
    return {};
}

}  // namespace tubra::model
