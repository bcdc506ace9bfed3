#pragma once
// The pipeline in real space from the command line:
//
//   tubra-cli model FILE               the pipeline in real coordinates and the drawing's
//                                      disagreements with itself, as JSON (UTF-8)
//   tubra-cli export FILE --pcf OUT    the piping component file (PCF) of the pipeline

#include <ostream>

#include <nlohmann/json.hpp>

#include "tubra/spatial/RealModel.h"

namespace tubra::cli {

int runModel(int argc, char** argv);
int runExport(int argc, char** argv);

// {"units": "mm", "axes": "x east, y north, z up", "objects": [...], "problems": [...]}
nlohmann::ordered_json realModelJson(const spatial::RealModel& model);
// The same text as realModelJson(model).dump(2), written as it goes, one object at a time.
void writeRealModelJson(const spatial::RealModel& model, std::ostream& out);

}  // namespace tubra::cli
