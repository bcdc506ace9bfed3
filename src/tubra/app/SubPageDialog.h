#pragma once
// The Qt dialog of "打印页选择" (which sheet of a split list page to show).

namespace tubra::app {

// Registers the dialogs of the report pages with the form host.
void installReportPageDialogs();

}  // namespace tubra::app
