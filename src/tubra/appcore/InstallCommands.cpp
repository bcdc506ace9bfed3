#include "tubra/appcore/InstallCommands.h"

#include "tubra/appcore/ReportDialogCommands.h"
#include "tubra/appcore/ReportModeCommand.h"
#include "tubra/appcore/SettingsCommands.h"
#include "tubra/edit/ToolCommands.h"
#include "tubra/edit/ViewCommands.h"

namespace tubra::app {

void installCommands(edit::CommandRegistry& registry) {
    // Each feature adds its commands here, one call each.
    edit::installViewCommands(registry);
    edit::installToolCommands(registry);
    installReportDialogCommands(registry);
    installReportModeCommands(registry);
    installSettingsCommands(registry);
}

}  // namespace tubra::app
