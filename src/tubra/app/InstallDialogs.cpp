#include "tubra/app/InstallDialogs.h"

#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/ReportDialogs.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/app/ToolDialogs.h"
#ifdef TUBRA_HAVE_REPORTS
#include "tubra/app/SubPageDialog.h"
#endif

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
    RegisterToolDialogs();
    InstallSettingsDialogs();
    InstallFittingPropertyDialogs();
    InstallReportDialogs();
#ifdef TUBRA_HAVE_REPORTS
    InstallReportPageDialogs();
#endif
}

}  // namespace tubra::app
