// tubra-cli-qt: the commands of tubra-cli that draw through Qt (render, print). tubra-cli runs
// this program in its own place for them, so that its other commands start without Qt and
// the libraries it loads.

#include <cstdio>
#include <cstring>
#include <new>

#include "tubra/cli/PrintCommand.h"
#include "tubra/cli/RenderCommand.h"

int main(int argc, char** argv) {
    try {
        if (argc >= 2 && std::strcmp(argv[1], "render") == 0) return tubra::cli::runRender(argc - 2, argv + 2);
        if (argc >= 2 && std::strcmp(argv[1], "print") == 0) return tubra::cli::runPrint(argc - 2, argv + 2);
        std::fputs("tubra-cli-qt: 由 tubra-cli 为 render 和 print 命令调用\n", stderr);
        return 2;
    } catch (const std::bad_alloc&) {
        std::fflush(stdout);
        std::fputs("tubra-cli: 内存不足\n", stderr);
        return 1;
    }
}
