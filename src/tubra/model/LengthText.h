#pragma once
// The real length a pipe segment's length text (`DistTxt`, "文字") states. The text is a label
// and may say anything; it counts as a length only when it is a plain decimal number of
// millimetres within what a segment can be: "3000", "1500.5", " 800 ". Everything else —
// "约3000", "4.2m", "0x10", "1e3", "nan", "inf", "0", "-500", "2000000000" — states no length:
// the pipe keeps its text, and whatever counts lengths (the end elevation of an up or down
// segment, the total length of the table, the material list, the real-space model, the
// manager's length check) takes the length as unknown and says so.

#include <optional>
#include <string_view>

namespace tubra::model {

// The longest segment a length text may state, in millimetres (10 km).
inline constexpr double kLongestPipeLength = 10'000'000.0;

// Why a length text states no length.
enum class LengthTextFault {
    None,
    NotANumber,  // not a plain decimal number (also empty)
    Zero,
    Negative,
    TooLong,  // beyond kLongestPipeLength
};

struct PipeLength {
    double mm = 0.0;  // when `fault` is None
    LengthTextFault fault = LengthTextFault::NotANumber;
    bool known() const { return fault == LengthTextFault::None; }
    std::optional<double> value() const { return known() ? std::optional<double>(mm) : std::nullopt; }
};

// What a length text (GBK or UTF-8: only ASCII counts) states.
PipeLength readPipeLength(std::string_view text);

// What is wrong with a length text, for messages (UTF-8): "不是数字", "为零", "是负数",
// "超过 10 公里"; empty for None.
std::string_view lengthTextFaultText(LengthTextFault fault);

// Pipe lengths added up: the known ones, and how many segments stated none.
struct LengthSum {
    double mm = 0.0;
    int unknown = 0;
    void add(const PipeLength& l) {
        if (l.known())
            mm += l.mm;
        else
            ++unknown;
    }
};

}  // namespace tubra::model
