#pragma once
// The piping component file (PCF) of a drawing's pipeline: the plain-text exchange file that
// stress-analysis and design programs read. Written from the pipeline in real space
// (tubra/spatial): millimetres, x east, y north, z up, coordinates to 0.1 mm.
//
// Layout: the header (ISOGEN-FILES, the units), PIPELINE-REFERENCE, then one block a component:
// its identifier on a line of its own (PIPE, ELBOW, TEE, VALVE, FLANGE, …), its points and
// attributes indented below it. Pipes are written in pieces between the things along them, so
// every piece ends where the next component begins. Texts are GBK, as in the drawing; lines end
// with CR LF. docs/pcf.md lists what is written for each kind and what is left out.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "tubra/model/Drawing.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::exchange {

struct PcfOptions {
    // The pipeline reference when the characteristic table names none (GBK), e.g. the file name.
    std::string fallbackReference;
};

// The block identifier and symbol key (SKEY) a drawing object is written with; an empty
// identifier for objects that are left out. Pipes have no symbol key.
struct PcfComponent {
    std::string_view identifier;
    std::string_view skey;
};
PcfComponent pcfComponentOf(int mainType, int subType);

// The whole file.
std::string pcfText(const model::Drawing& drawing, const spatial::RealModel& model,
                    const PcfOptions& options = {});

// Writes the file through a temporary file and an atomic rename.
std::error_code savePcf(const std::filesystem::path& path, const model::Drawing& drawing,
                        const spatial::RealModel& model, const PcfOptions& options = {});

}  // namespace tubra::exchange
