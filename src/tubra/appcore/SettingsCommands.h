#pragma once
// The commands of the settings menu and tool bar: each opens its dialog on a copy of the
// values and writes them back only when the dialog is accepted.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app {

void installSettingsCommands(edit::CommandRegistry& registry);

}  // namespace tubra::app
