#include "tubra/appcore/ReportModeCommand.h"

#include "tubra/view/ReportPages.h"

namespace tubra::app::commands {

void toggleReportMode(edit::CommandContext& c) {
    view::ToggleReportMode(c.view, c.doc);
    c.notifyChanged();
}

bool reportShown(const edit::CommandContext& c) { return view::showsReport(c.view); }

}  // namespace tubra::app::commands
