#pragma once
// Inside the report library: reading and writing the sections (named and ordered by the
// file's section table, model/FileSections.h).

#include <array>
#include <string_view>

#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

// Consumes the rest of a section, to and including the line holding '}'.
void skipSectionBody(model::LineReader& in);

}  // namespace tubra::report
