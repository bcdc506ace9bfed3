#pragma once

#include <iosfwd>

namespace tubra::cli {

// tubra-cli play SCRIPT [IN.hcd] [-o OUT.hcd]: replays a recorded session headless, starting
// from IN (or from the script's `new` line), and saves the drawing to OUT at the end (and
// wherever the script says `save`). Exit code 0; 1 with the script's line number and a
// message when a line cannot be carried out or a file cannot be read or written; 2 for a
// wrong command line.
int runPlay(int argc, char** argv);

// The same with explicit streams, for tests.
int runPlay(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace tubra::cli
