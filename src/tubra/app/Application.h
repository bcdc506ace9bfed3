#pragma once
// Start-up of the drawing program: the application object, the shared state, the command
// line, and the main window or the direct print.

#include <iosfwd>
#include <string>
#include <vector>

namespace tubra::model {
struct AppContext;
}

namespace tubra::app {

class Interaction;

// Names, icon theme and translations of the application object (needs a QApplication).
void SetUpApplication();

// Gives `app` the report data every document carries.
void InstallReports(model::AppContext& app);

// Carries out `args` (without the program name) for an application that exists: prints
// directly and returns the exit code, or opens the main window and runs the event loop.
int RunTubra(const std::vector<std::string>& args, model::AppContext& app,
             Interaction& interaction, std::ostream& err);

}  // namespace tubra::app
