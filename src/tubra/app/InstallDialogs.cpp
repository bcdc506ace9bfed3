#include "tubra/app/InstallDialogs.h"

#include "tubra/app/ReportDialogs.h"
#include "tubra/app/ToolDialogs.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
    RegisterToolDialogs();
    InstallReportDialogs();
}

}  // namespace tubra::app
