#pragma once
// The report as JSON (the "report" member of the document dump): one member per section,
// named by its section name, in file order. Each holds "texts" (the fixed texts in file
// order), the numbers by role ("flags", "pages", "grades", "states", "dates", "start"), the
// several-line text as "note" ("notes" for the four of the online report) and a list as
// "items" (one array per item in the item's field order). Texts are UTF-8.

#include <nlohmann/json.hpp>

#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

nlohmann::ordered_json reportToJson(const InspectionReport& report);

}  // namespace tubra::report
