#include "tubra/app/InstallDialogs.h"

#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/app/ToolDialogs.h"
#include "tubra/app/SubPageDialog.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its hand-laid dialogs here, one call each; every other form
    // (the report forms) gets the dialog built from its description.
    RegisterToolDialogs();
    InstallSettingsDialogs();
    InstallFittingPropertyDialogs();
    InstallReportPageDialogs();
}

}  // namespace tubra::app
