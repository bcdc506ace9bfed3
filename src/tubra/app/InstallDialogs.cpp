#include "tubra/app/InstallDialogs.h"

#include "tubra/app/PropertyDialogsQt.h"
#include "tubra/app/SettingsDialogs.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
    InstallSettingsDialogs();
    InstallFittingPropertyDialogs();
}

}  // namespace tubra::app
