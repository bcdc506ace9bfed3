#include "tubra/edit/NumberInput.h"

#include <cmath>

#include "text/CFormat.h"

namespace tubra::edit {

bool NumberRange::contains(double v) const {
    if (!std::isfinite(v)) return false;
    if (openBelow ? !(v > min) : !(v >= min)) return false;
    return v <= max;
}

std::optional<double> readNumber(std::string_view t, NumberRange range) {
    const double v = text::leadingNumber(t);
    if (!range.contains(v)) return std::nullopt;
    return v;
}

std::optional<int> readWholeNumber(std::string_view t, NumberRange range) {
    std::size_t i = 0;
    while (i < t.size() && text::isCSpace(t[i])) ++i;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
    double v = 0;
    for (; i < t.size() && t[i] >= '0' && t[i] <= '9'; ++i) {
        v = v * 10 + (t[i] - '0');
        // Past the range already: no need to read a thousand digits on.
        if (v > 1e15) return std::nullopt;
    }
    if (negative) v = -v;
    if (!range.contains(v)) return std::nullopt;
    return static_cast<int>(v);
}

}  // namespace tubra::edit
