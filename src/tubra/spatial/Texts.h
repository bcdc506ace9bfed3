#pragma once
// Numbers that drawing texts state in words and symbols: the bore in a size text (规格) and the
// elevation in an elevation mark (a pipe's length text is read by tubra/model/LengthText.h).
// The texts are GBK bytes as the drawing holds them; every reader walks them character by
// character, so the second byte of a Chinese character is never taken for a letter or a digit.

#include <optional>
#include <string_view>

namespace tubra::spatial {

// The bore in millimetres that a size text states, or none: the number after "DN"
// ("DN100" → 100), else after "φ" or "Φ" ("φ159×6" → 159), else a leading number followed by
// "×", "x" or "*" ("159×6" → 159).
std::optional<double> readBore(std::string_view gbk);

// The second size of a reducer's size text ("φ159×6-φ108×4" → 108, "DN150×100" → 100,
// "DN150/DN100" → 100), or none when the text names only one.
std::optional<double> readSecondBore(std::string_view gbk);

// A size a size text states: a nominal bore ("DN100") or an outside diameter ("φ159×6",
// "159×6"), in millimetres.
struct SizeText {
    double value = 0.0;
    bool nominal = false;  // a DN
};
std::optional<SizeText> readSize(std::string_view gbk);
std::optional<SizeText> readSecondSize(std::string_view gbk);

// The nominal bore (DN) of a steel pipe of outside diameter `outside` mm: the DN of the
// standard pipe within 5 % of it (φ159 → 150, φ108 → 100, φ114.3 → 100, φ89 → 80), else the
// diameter itself, to 0.1 mm.
double nominalBoreOf(double outside);
// The nominal bore a size text states: a DN as it stands, an outside diameter by the table.
std::optional<double> readNominalBore(std::string_view gbk);
std::optional<double> readSecondNominalBore(std::string_view gbk);

// The elevation in millimetres that an elevation mark in `gbk` states, or none when the text
// holds no "▽" followed by a number. The number is in metres ("▽3.25m", "▽+3.250", "▽-0.50")
// unless "mm" follows it.
std::optional<double> readElevationMark(std::string_view gbk);

}  // namespace tubra::spatial
