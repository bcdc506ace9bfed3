#include "tubra/app/InstallCommands.h"

#include "tubra/app/SettingsCommands.h"

namespace tubra::app {

void InstallCommands(edit::CommandRegistry& registry) {
    // Each feature adds its commands here, one call each.
    InstallSettingsCommands(registry);
}

}  // namespace tubra::app
