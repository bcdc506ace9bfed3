#pragma once
// Numbers typed into dialogs and written in session scripts. A box is read as C `atof` reads
// it (a text that is no number reads as 0), but what it reads must be a finite number within
// what the value measures: "nan", "inf" or "1e300" in a length box would put endless or
// absurd coordinates into the drawing, its file and its statistics. Every dialog and the
// script reader check their numbers here and refuse the rest with their input-error message.

#include <optional>
#include <string_view>

namespace tubra::edit {

// The values a number may take, both ends included unless `openBelow`.
struct NumberRange {
    double min = 0;
    double max = 0;
    bool openBelow = false;  // the minimum itself is refused (widths and factors above 0)

    bool contains(double v) const;
};

namespace numbers {
// Lengths, offsets, elevations and coordinates, in millimetres or sheet units.
inline constexpr NumberRange kLength{-10'000'000.0, 10'000'000.0};
// Label and text angles in degrees.
inline constexpr NumberRange kAngle{-3600.0, 3600.0};
// A measured wall thickness (mm).
inline constexpr NumberRange kWallThickness{-10'000.0, 10'000.0};
// Line widths (sheet units of 0.1 mm): what a pen can draw.
inline constexpr NumberRange kLineWidth{0.0, 100.0, true};
// The elbow radius and the tee length (multiples of the sheet unit).
inline constexpr NumberRange kJointFactor{0.0, 1000.0, true};
// The size factor of valve and fitting symbols.
inline constexpr NumberRange kSymbolFactor{0.0, 100.0, true};
// The height of a free text (sheet units).
inline constexpr NumberRange kTextHeight{-10'000.0, 10'000.0};
// Weld numbers.
inline constexpr NumberRange kWeldNumber{-99'999'999.0, 99'999'999.0};

// The message and caption of dialogs that have no input-error message of their own.
inline constexpr const char* kInputError = "数据输入错误，请重新输入。";
inline constexpr const char* kInputErrorCaption = "应用错误";
}  // namespace numbers

// What a dialog box holds, read as C `atof`, when that is finite and within `range`.
std::optional<double> readNumber(std::string_view text, NumberRange range);
// The same for whole-number boxes read as C `atoi` (digits after a sign; 0 when none): none
// when the digits run past `range`.
std::optional<int> readWholeNumber(std::string_view text, NumberRange range);

}  // namespace tubra::edit
