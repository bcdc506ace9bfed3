#include "tubra/app/InstallCommands.h"

namespace tubra::app {

void InstallCommands(edit::CommandRegistry& registry) {
    // Each feature adds its commands here, one call each.
    (void)registry;
}

}  // namespace tubra::app
