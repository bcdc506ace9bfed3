#pragma once
// Fills the program's command registry with every feature's commands. The window and
// `tubra-cli play` both build their registry here, so a session runs exactly the commands the
// menus and tool bars run.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app {

void installCommands(edit::CommandRegistry& registry);

}  // namespace tubra::app
