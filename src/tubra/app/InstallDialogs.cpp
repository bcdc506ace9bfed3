#include "tubra/app/InstallDialogs.h"

#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/ReportDialogs.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/app/ToolDialogs.h"
#include "tubra/app/SubPageDialog.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
    RegisterToolDialogs();
    InstallSettingsDialogs();
    InstallFittingPropertyDialogs();
    InstallReportDialogs();
    InstallReportPageDialogs();
}

}  // namespace tubra::app
