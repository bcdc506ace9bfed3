#include "tubra/app/InstallDialogs.h"

namespace tubra::app {

void InstallDialogs() {
    // Each feature registers its dialogs here, one call each.
}

}  // namespace tubra::app
