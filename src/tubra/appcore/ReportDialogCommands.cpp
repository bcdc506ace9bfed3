#include "tubra/appcore/ReportDialogCommands.h"

#include "tubra/report/Install.h"
#include "tubra/report/ReportMasterForms.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/SubPageForm.h"
#include "tubra/view/ReportPages.h"

namespace tubra::app {

namespace {

ShowReportPage& showReportPage() {
    static ShowReportPage show = enterReportPage;
    return show;
}

template <typename Master>
bool runMaster(edit::CommandContext& context) {
    report::InspectionReport* r = report::inspectionReport(context.doc);
    if (!r) return false;
    Master master(*r, context.doc.drawing.table, context.view.reportDialogMode);
    master.setPageNumberText(report::pageNumberText);
    context.forms.run(master);
    context.notifyChanged();
    if (master.pageToShow() >= 0) {
        showReportPage()(context, master.pageToShow());
        context.notifyChanged();
    }
    return true;
}

}  // namespace

void setShowReportPage(ShowReportPage show) {
    showReportPage() = show ? std::move(show) : ShowReportPage(enterReportPage);
}

void enterReportPage(edit::CommandContext& context, int page) {
    if (report::InspectionReport* r = report::inspectionReport(context.doc))
        report::ChooseSubPage(*r, page, context.forms);
    // The window follows the view state at its next paint (scroll sizes, top of the page).
    view::showReportPage(context.view, context.doc, page);
}

bool runFullReportDialog(edit::CommandContext& context) {
    return runMaster<report::FullReportMasterForm>(context);
}

bool runOnlineReportDialog(edit::CommandContext& context) {
    return runMaster<report::OnlineReportMasterForm>(context);
}

namespace commands {

bool hasReport(const edit::CommandContext& c) { return report::inspectionReport(c.doc) != nullptr; }
void fullReport(edit::CommandContext& c) { runFullReportDialog(c); }
void onlineReport(edit::CommandContext& c) { runOnlineReportDialog(c); }

}  // namespace commands

}  // namespace tubra::app
