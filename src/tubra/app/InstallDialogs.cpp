#include "tubra/app/InstallDialogs.h"

#include "tubra/app/Dialogs.h"
#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/SettingsDialogs.h"
#include "tubra/app/ToolDialogs.h"
#include "tubra/app/SubPageDialog.h"

namespace tubra::app {

void installDialogs() {
    // Each feature registers its hand-laid dialogs here, one call each; every other form
    // (the report forms) gets the dialog built from its description.
    registerToolDialogs();
    installSettingsDialogs();
    installFittingPropertyDialogs();
    installReportPageDialogs();
    platform::qt::QtFormHost::registerDialog<NewDrawingForm, NewDrawingDialog>();
}

}  // namespace tubra::app
