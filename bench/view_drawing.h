#pragma once
// A generated plant drawing for the view benchmarks and renderings: many pipelines routed
// along the six axes across one sheet, so that pipes cross each other at many places and at
// different elevations, with elbows at the turns, welds at the pipe ends, tees, valves and
// break lines.

#include <cstdint>

#include "tubra/model/Drawing.h"

namespace viewbench {

void makePlantDrawing(tubra::model::Drawing& drawing, int objects, std::uint32_t seed = 7);

}  // namespace viewbench
