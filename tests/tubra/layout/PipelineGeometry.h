#pragma once
// A pipeline as geometry, to tell whether two descriptions of it are the same pipeline: the
// straight runs its centre line covers (collinear pieces joined, whatever the pieces), and its
// components by kind at their points (elbows and tees at their centres, valves and fittings at
// their two ends, welds and supports at their points). Built from the pipeline the program
// rebuilds from a drawing, or from a piping component file.
//
// Where a fitting ends is not part of an isometric: the drawing carries only the centre, the
// program sizes the legs from the bore. So a weld on a leg of an elbow or a tee counts as "at
// that leg of that fitting", wherever along the leg it sits.

#include <string>
#include <vector>

#include "tubra/exchange/PcfFile.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::testing {

struct PipelineGeometry {
    struct Run {
        spatial::Point3 a, b;
    };
    struct Thing {
        std::string kind;  // "elbow", "tee", "symbol 13", "reducer", "weld", "support 34", ...
        std::vector<spatial::Point3> points;
    };
    std::vector<Run> runs;
    std::vector<Thing> things;
    // Things the program found on no pipe and placed by guess (a drawing's only): not part of
    // the line, but a thing of the other at their place is no difference.
    std::vector<Thing> loose;
};

// What the export carries of a drawing's pipeline: pipes, elbows, tees, the valves and fittings
// it writes, welds and supports.
PipelineGeometry geometryOf(const spatial::RealModel& model, bool welds = true);
// `welds`: whether the file's welds take part (a file without them gets the joints' welds).
PipelineGeometry geometryOf(const exchange::PcfFile& file, bool welds = true);

// How the two differ, part by part after moving each part's lowest corner to the origin; empty
// when they are the same pipeline to within `tolerance` millimetres.
std::vector<std::string> differences(const PipelineGeometry& a, const PipelineGeometry& b,
                                     double tolerance = 1.0);

}  // namespace tubra::testing
