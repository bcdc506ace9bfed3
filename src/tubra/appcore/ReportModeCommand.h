#pragma once
// "显示当前报告": the command that switches a view between its drawing and its report page.

#include "tubra/edit/CommandRegistry.h"

namespace tubra::app::commands {

// Toggles the view's report mode and tells the program the document changed; checked while a
// report page is shown.
void toggleReportMode(edit::CommandContext& c);
bool reportShown(const edit::CommandContext& c);

}  // namespace tubra::app::commands
