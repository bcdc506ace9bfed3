#pragma once
// Plugging the inspection report into the documents of a program.

#include "tubra/model/Document.h"
#include "tubra/report/data/InspectionReport.h"

namespace tubra::report {

// Gives every document made with `app` from now on an InspectionReport as its report store,
// and every view the painter of its pages.
void installInspectionReport(model::AppContext& app);

// The document's report, or null when its store is not an InspectionReport.
InspectionReport* inspectionReport(model::Document& document);
const InspectionReport* inspectionReport(const model::Document& document);

}  // namespace tubra::report
