#include "tubra/app/InstallCommands.h"

#include "tubra/app/ReportDialogCommands.h"

namespace tubra::app {

void InstallCommands(edit::CommandRegistry& registry) {
    // Each feature adds its commands here, one call each.
    InstallReportDialogCommands(registry);
}

}  // namespace tubra::app
