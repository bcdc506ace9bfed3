#include "tubra/app/InstallDialogs.h"

#include "tubra/app/ReportDialogs.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
    InstallReportDialogs();
}

}  // namespace tubra::app
