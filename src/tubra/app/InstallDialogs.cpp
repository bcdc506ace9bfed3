#include "tubra/app/InstallDialogs.h"

#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/app/ToolDialogs.h"
#ifdef TUBRA_HAVE_REPORTS
#include "tubra/app/SubPageDialog.h"
#endif

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its hand-laid dialogs here, one call each; every other form
    // (the report forms) gets the dialog built from its description.
    RegisterToolDialogs();
    InstallSettingsDialogs();
    InstallFittingPropertyDialogs();
#ifdef TUBRA_HAVE_REPORTS
    InstallReportPageDialogs();
#endif
}

}  // namespace tubra::app
