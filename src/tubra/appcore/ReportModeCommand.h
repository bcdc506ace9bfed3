#pragma once
// "显示当前报告": the command that switches a view between its drawing and its report page.

#include "tubra/edit/CommandIds.h"
#include "tubra/edit/CommandRegistry.h"

namespace tubra::app {

inline constexpr int kShowReportCommand = cmd::ShowReport;

// Adds the report-mode command to the registry: it toggles the view's report mode (checked
// while a report page is shown) and tells the program the document changed.
void installReportModeCommands(edit::CommandRegistry& registry);

}  // namespace tubra::app
