#pragma once
// The commands of a drawing's view in the program's command registry: zoom in and out, fit,
// refresh and the frame switch. They work on the view state and the view port of the context,
// so the window and a replayed session zoom and fit alike.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::edit {

void installViewCommands(CommandRegistry& registry);

}  // namespace tubra::edit
