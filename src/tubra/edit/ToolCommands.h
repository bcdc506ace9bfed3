#pragma once
// The editing commands in the program's command registry: tools, modifiers, snap and weld
// switches, undo, restore, the discard box and clear-all. Each runs on the controller of the
// view the command is given to.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::edit {

void installToolCommands(CommandRegistry& registry);

}  // namespace tubra::edit
