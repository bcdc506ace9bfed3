#pragma once
// A piping component file (PCF) laid out as an isometric drawing, as a draughtsman makes it with
// the program's tools: pipe segments along the runs with their real lengths as length texts,
// elbows and tees where the runs meet, valves, flanges, reducers and the other components as
// their symbols, supports, welds numbered along the walk, elevation marks where the level
// changes, the title block and the characteristic table. docs/pcf-import.md describes it.

#include <string>
#include <vector>

#include "platform/Result.h"
#include "tubra/exchange/PcfFile.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"

namespace tubra::layout {

struct ImportOptions {
    int pageSize = 0;     // 0 A4, 1 A3
    double alpha = 30.0;  // X_AxisAngle
    double beta = 30.0;   // Y_AxisAngle
    // Today's date for the title block ("2024.05.20"); empty leaves it empty.
    std::string date;
};

// What the user should know about a drawn file (UTF-8), one message each.
using ImportWarnings = std::vector<std::string>;

// Fills `drawing` (emptied first) with the pipeline of `file`, and sets in `settings` what the
// drawing is laid out for (the symbol size, the elbow and tee offsets). The characteristic
// table's counts are left to the caller (the table's own automatic count). Fails, with the
// reason for the user, when the file holds nothing that can be drawn.
platform::Result<ImportWarnings> importPcf(const exchange::PcfFile& file, const ImportOptions& options,
                                           model::Drawing& drawing, model::DrawingSettings& settings);

// Whether the pipeline of `file` fits the page of `options` with full-size symbols and readable
// runs (what the drawing would be laid out for), found without the search against crossings.
// False when the file holds nothing that can be drawn.
bool fitsPageAtFullSize(const exchange::PcfFile& file, const ImportOptions& options);

}  // namespace tubra::layout
