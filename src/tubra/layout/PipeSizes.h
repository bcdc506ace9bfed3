#pragma once
// The size text (规格) and material (材料) of an imported component, from what its PCF record
// says: the outside diameter and wall when a description states them, else the nominal bore
// through the table of standard pipe sizes (docs/pcf-import.md lists it).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/exchange/PcfFile.h"

namespace tubra::layout {

// One row of the nominal-size table: standard-wall steel pipe.
struct NominalSize {
    double dn;      // nominal bore, millimetres (DN)
    double inches;  // nominal pipe size, inches (NPS)
    double od;      // outside diameter, millimetres
    double wall;    // standard wall, millimetres
};
const std::vector<NominalSize>& nominalSizes();

// The row of a bore as a PCF states it: `inches` (when the file's bores are in inches) or the
// bore in millimetres. None when the bore is no nominal size.
std::optional<NominalSize> nominalSize(double boreMm, double inches);

// "φ168.3×7.11" (GBK).
std::string sizeText(double od, double wall);

// A size text stated in `text` (GBK): "φ159×6", "Ø168.3x7.11", "168.3 X 7.11" (an outside
// diameter that fits `boreMm` when that is known), "OD 168.3 WT 7.11". Written as "φOD×WT".
std::optional<std::string> statedSize(std::string_view text, double boreMm);

// The size text of an end of a record: stated in its attributes or descriptions, else from the
// table, else "DN<bore>". Empty when the file gives no bore.
std::string sizeOf(const exchange::PcfRecord& record, const exchange::PcfFile& file,
                   const exchange::PcfPoint& end);

// Whether a record is one the program's own export wrote: its description is the name of one
// of the drawing's kinds (主线管, 弯头, 闸阀, ...). Such a record carries the drawing's material,
// size text and label in its first three component attributes.
bool writtenByThisProgram(const exchange::PcfRecord& record);

// The wall thickness a size text states ("φ159×6" → 6), or 0.
double wallOf(std::string_view sizeText);

// A material grade named in `text` (GBK): "A106 GR.B", "A106-B", "20#", "Q235B",
// "0Cr18Ni9", "316L", ... Empty when none.
std::string materialIn(std::string_view text);

// The material of a record: a MATERIAL-* attribute that names one, else a grade in its
// descriptions (its own, and that of its item code in the MATERIALS section).
std::string materialOf(const exchange::PcfRecord& record, const exchange::PcfFile& file);

}  // namespace tubra::layout
