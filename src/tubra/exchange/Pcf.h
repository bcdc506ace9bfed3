#pragma once
// The piping component file (PCF) of a drawing's pipeline: the plain-text exchange file that
// stress-analysis and design programs read. Written from the pipeline in real space
// (tubra/spatial): millimetres, x east, y north, z up, coordinates to 0.1 mm.
//
// Layout: the header (ISOGEN-FILES, the units), PIPELINE-REFERENCE, then one block a component:
// its identifier on a line of its own (PIPE, ELBOW, TEE, VALVE, FLANGE, …), its points and
// attributes indented below it. Pipes are written in pieces between the things along them, so
// every piece ends where the next component begins. Texts are GBK, as in the drawing; lines end
// with CR LF. Which component and symbol key each kind and symbol is written as is said by its
// row (tubra/model/Kinds.cpp); what has no key there (text, cut lines, site marks, gauges, the
// 45° elbow mark) is left out, and a pipe runs on through what is left out of it.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Result.h"
#include "tubra/model/Drawing.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::exchange {

struct PcfOptions {
    // The pipeline reference when the characteristic table names none (GBK), e.g. the file name.
    std::string fallbackReference;
};

// The valves and fittings of codes no symbol row knows, which the file leaves out: the user is
// told of them. Drawing indexes, from 0.
std::vector<std::size_t> pcfLeftOut(const model::Drawing& drawing);

// The whole file.
std::string pcfText(const model::Drawing& drawing, const spatial::RealModel& model,
                    const PcfOptions& options = {});

// Writes the file through a temporary file and an atomic rename.
platform::Result<> savePcf(const std::filesystem::path& path, const model::Drawing& drawing,
                           const spatial::RealModel& model, const PcfOptions& options = {});

}  // namespace tubra::exchange
