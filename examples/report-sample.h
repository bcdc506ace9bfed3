#pragma once
// The filled inspection report of the sample files.

#include <string_view>

#include "tubra/report/data/InspectionReport.h"

// Fills every page of both report sets of `report`.
void fillSampleReport(tubra::report::InspectionReport& report);

// Fills every text of both report sets to its capacity and every several-line text to the
// lines its page shows, with lists of two sheets: the report an inspector with a lot to say
// would write. `pipelineNameGbk` is the characteristic table's pipeline name.
void fillLongReport(tubra::report::InspectionReport& report, std::string_view pipelineNameGbk);
