#pragma once
// The report pages as the drawing view shows and prints them; installed with the report.

#include "tubra/view/ReportPages.h"

namespace tubra::report {

class InspectionReportPages : public view::ReportPagePainter {
public:
    void prepare(model::ReportStore& store, int pageIndex) const override;
    void paint(const model::ReportStore& store, int pageIndex, const model::CharacteristicTable& table,
               platform::Canvas& canvas) const override;
    // Another store than an InspectionReport has one page and cuts nothing.
    int countPrintPages(const model::ReportStore& store, int pageIndex) const override;
    std::vector<std::string> cutFields(const model::ReportStore& store, int pageIndex,
                                       const model::CharacteristicTable& table) const override;
};

}  // namespace tubra::report
