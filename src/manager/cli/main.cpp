// vesko-cli: the drawing-file manager's work without a window, on the same core as `vesko`.
//
//   vesko-cli list DIR [--report] [--tsv|--json]
//   vesko-cli export-tsv DIR OUT [--report]
//   vesko-cli export-xlsx DIR OUT.xlsx [--report]
//   vesko-cli materials DIR... OUT.xlsx|OUT.csv
//   vesko-cli export-census DIR OUT.csv|OUT.xlsx [--device NAME]
//   vesko-cli check-lengths DIR [--xlsx OUT.xlsx]
//   vesko-cli set-table FILE|DIR... --row N --value V
//   vesko-cli set-title FILE|DIR... --row N --value V
//   vesko-cli merge-rows DIR NUMBER... [--number TEXT] [--length L] [--page-number-position N]
//   vesko-cli delete-rows DIR NUMBER...
//   vesko-cli copy-report TEMPLATE TARGET... [--keep LIST|none]
//
// Exit code 0 on success, 1 when a file cannot be read or written, memory runs out or an
// export is refused (a message names the file; the other files are still done, and a last
// line sums up the failures), 2 for a wrong command line.

#include <cstdio>
#include <cstring>
#include <new>
#include <string_view>

#include "manager/cli/Commands.h"

int main(int argc, char** argv) {
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        manager::cli::usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
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
