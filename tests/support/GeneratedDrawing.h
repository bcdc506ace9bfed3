#pragma once
// Realistic drawings made through the model API, for tests, benchmarks and fuzz seeds: a
// pipeline walking along the six axes with elbows, tees, welds with records, valves,
// fittings, supports, site marks, cut lines and text blocks, Chinese texts throughout.

#include <cstdint>

#include "tubra/model/Drawing.h"

namespace tubra::testing {

struct GeneratorOptions {
    int objects = 1000;        // approximate number of objects
    std::uint32_t seed = 1;
    bool fillTable = true;     // characteristic table and title block
    // The share of the sheet's width and height the walk keeps to, around the sheet's middle.
    // Segments keep their lengths, so a small share crowds the objects: every segment leaves
    // the area and the walk starts again from the middle.
    double area = 1.0;
    // Sheet-sized areas a sheet apart, five to a row, the first over the sheet: the walk goes
    // on from the next one's middle whenever it leaves the one it is in, so that each holds a
    // like share of the objects at the density of one sheet.
    int tiles = 1;
    // Labels of welds, valves, fittings, supports and site marks carry a layout, as in a
    // drawing saved after it was shown, so that a paint does not place them.
    bool labelsPlaced = false;
};

void generateDrawing(tubra::model::Drawing& drawing, const GeneratorOptions& options);

}  // namespace tubra::testing
