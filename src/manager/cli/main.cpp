// vesko-cli: the drawing-file manager's work without a window, on the same core as `vesko`.
// The commands and their options are listed in Commands.cpp (and by `vesko-cli --help`).
//
// Exit code 0 on success, 1 when a file cannot be read or written, memory runs out or an
// export is refused (a message names the file; the other files are still done, and a last
// line sums up the failures), 2 for a wrong command line.

#include <cstdio>
#include <new>
#include <string>
#include <vector>

#include "manager/cli/Commands.h"
#include "platform/ProgramHelp.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        manager::cli::usage(stderr);
        return 2;
    }
    if (platform::answerStandardOption(argv[1], "vesko-cli", manager::cli::usageText)) return 0;
    // Running out of memory outside a file's own work (a huge list) is an error like any other:
    // a message and exit code 1. Files are only ever replaced whole.
    try {
        return manager::cli::run(argv[1], std::vector<std::string>(argv + 2, argv + argc));
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("vesko-cli: 内存不足\n", stderr);
        return 1;
    }
}
