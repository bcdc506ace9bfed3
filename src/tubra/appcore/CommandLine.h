#pragma once
// What the command line asks the drawing program to do at start-up.
//
//   tubra                 a new, empty drawing
//   tubra FILE            open FILE
//   tubra /p FILE         print FILE on the default printer and end without a window
//   tubra --record SCRIPT [FILE]   also record what the user does into SCRIPT (a session)
//   tubra --help          the usage (usageText), nothing else
//   tubra --version       the release (answered by the program before this parse)
//
// Flags are "-p" or "/p", not case-sensitive (a '/' word that names an existing file is a
// file); the first other argument is the file; further file arguments are ignored.

#include <span>
#include <string>
#include <string_view>

namespace tubra::app {

struct StartRequest {
    enum class Kind { NewDrawing, Open, Print, Help, Invalid };
    Kind kind = Kind::NewDrawing;
    std::string path;   // the file to open or print (as given)
    std::string error;  // why the command line is invalid (UTF-8)
    std::string recordPath = {};  // where to record a session, empty for none
};

StartRequest parseCommandLine(std::span<const std::string> args);

// What `tubra --help` prints: every form of the command line and every option. The manual page
// lists the same options (a test compares them).
std::string_view usageText();

}  // namespace tubra::app
