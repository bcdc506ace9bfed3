#include "tubra/edit/NumberInput.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "text/CFormat.h"

namespace tubra::edit {

bool NumberRange::contains(double v) const {
    if (!std::isfinite(v)) return false;
    if (openBelow ? !(v > min) : !(v >= min)) return false;
    return v <= max;
}

namespace {

std::string_view trimmed(std::string_view t) {
    while (!t.empty() && text::isCSpace(t.front())) t.remove_prefix(1);
    while (!t.empty() && text::isCSpace(t.back())) t.remove_suffix(1);
    return t;
}

}  // namespace

std::optional<double> readNumber(std::string_view t, NumberRange range) {
    t = trimmed(t);
    double v = 0.0;
    if (!t.empty()) {
        // A sign, digits with one point, an exponent: no "nan", "inf" or hexadecimal.
        const bool plain = std::all_of(t.begin(), t.end(), [](char c) {
            return (c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E';
        });
        if (!plain) return std::nullopt;
        if (t.front() == '+') t.remove_prefix(1);
        const auto r = std::from_chars(t.data(), t.data() + t.size(), v);
        if (r.ec != std::errc() || r.ptr != t.data() + t.size()) return std::nullopt;
    }
    if (!range.contains(v)) return std::nullopt;
    return v;
}

std::optional<int> readWholeNumber(std::string_view t, NumberRange range) {
    t = trimmed(t);
    std::size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    if (!t.empty() && i == t.size()) return std::nullopt;  // a sign alone
    double v = 0;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9') return std::nullopt;
        v = v * 10 + (t[i] - '0');
        // Past the range already: no need to read a thousand digits on.
        if (v > 1e15) return std::nullopt;
    }
    if (negative) v = -v;
    if (!range.contains(v)) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace tubra::edit
