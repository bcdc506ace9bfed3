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
void setUpApplication();

// Gives `app` the report data every document carries.
void installReports(model::AppContext& app);

// Whether the program runs on a screen (not off screen).
bool hasDisplay();

// "/p FILE": prints the file on the default printer without a window. Problems go to `err`
// and, with `messageBox`, to a message box as well, since a program started from a file
// manager has nobody reading its error output. A file that cannot be read is reported as
// such before any printer is looked for. Returns the exit code: 0 printed, 1 the file could
// not be read or printed, 3 no printer is installed.
int printFromCommandLine(model::AppContext& app, Interaction& interaction, const std::string& path,
                         std::ostream& err, bool messageBox);

// Carries out `args` (without the program name) for an application that exists: prints
// directly and returns the exit code, or opens the main window and runs the event loop.
int runTubra(const std::vector<std::string>& args, model::AppContext& app,
             Interaction& interaction, std::ostream& err);

}  // namespace tubra::app
