#include "tubra/app/InstallCommands.h"

#include "tubra/app/ReportModeCommand.h"

namespace tubra::app {

void InstallCommands(edit::CommandRegistry& registry) {
    // Each feature adds its commands here, one call each.
    InstallReportModeCommands(registry);
}

}  // namespace tubra::app
