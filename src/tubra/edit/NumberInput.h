#pragma once
// Numbers typed into dialogs and written in session scripts. One rule for every box: it holds a
// decimal number (blanks around it allowed; an empty box reads as 0), and the number is finite
// and within what the value measures. Anything else — "nan", "inf", "1e300" in a length box,
// "0x10", "12abc", "1e300" in a whole-number box — is refused: read as C `atof` reads it, it
// would silently put 0, 1 or endless and absurd coordinates into the drawing, its file and its
// statistics. Every dialog and the script reader check their numbers here and refuse the rest
// with their input-error message; the dialog stays open.

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
// A measured wall thickness (mm); 0 where none was measured.
inline constexpr NumberRange kWallThickness{0.0, 10'000.0};
// A segment's length, an elbow's radius, a tee's length (sheet units): above 0.
inline constexpr NumberRange kPositiveLength{0.0, 10'000'000.0, true};
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

// The number a dialog box holds when it is a decimal number ("12", "-3.5", "1e3") within
// `range`; none otherwise.
std::optional<double> readNumber(std::string_view text, NumberRange range);
// The same for whole-number boxes: digits after an optional sign.
std::optional<int> readWholeNumber(std::string_view text, NumberRange range);

}  // namespace tubra::edit
