#include "tubra/report/Install.h"

#include <memory>

#include "tubra/report/ViewPages.h"

namespace tubra::report {

void installInspectionReport(model::AppContext& app) {
    app.makeReportStore = [] { return std::make_unique<InspectionReport>(); };
    // Views draw the pages of such a store.
    static const InspectionReportPages pages;
    view::installReportPagePainter(&pages);
}

InspectionReport* inspectionReport(model::Document& document) {
    return dynamic_cast<InspectionReport*>(&document.report());
}

const InspectionReport* inspectionReport(const model::Document& document) {
    return dynamic_cast<const InspectionReport*>(&document.report());
}

}  // namespace tubra::report
