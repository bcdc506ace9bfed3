#include "tubra/appcore/ReportModeCommand.h"

#include "tubra/view/ReportPages.h"

namespace tubra::app {

void installReportModeCommands(edit::CommandRegistry& registry) {
    edit::CommandEntry toggle;
    toggle.run = [](edit::CommandContext& c) {
        view::ToggleReportMode(c.view, c.doc);
        c.notifyChanged();
    };
    toggle.checked = [](const edit::CommandContext& c) { return view::showsReport(c.view); };
    registry.add(kShowReportCommand, std::move(toggle));
}

}  // namespace tubra::app
