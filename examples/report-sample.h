#pragma once
// The filled inspection report of the sample files.

#include "tubra/report/InspectionReport.h"

// Fills every page of both report sets of `report`.
void FillSampleReport(tubra::report::InspectionReport& report);
