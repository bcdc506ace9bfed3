#pragma once
// Registers the Qt dialog of every form the drawing program shows. Called once at start-up
// (and by the window tests) before any form is run.

namespace tubra::app {

void installDialogs();

}  // namespace tubra::app
