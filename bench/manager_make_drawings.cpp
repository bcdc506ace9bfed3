// manager-make-drawings DIR COUNT [SEED]: a directory of realistic drawings for measuring the
// manager (see docs/benchmarks.md).
#include <cstdio>
#include <cstdlib>

#include "manager_drawings.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: manager-make-drawings DIR COUNT [SEED]\n");
        return 2;
    }
    const int count = std::atoi(argv[2]);
    const auto seed = argc > 3 ? static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10)) : 1u;
    const auto bytes = manager::bench::writeDrawingDirectory(argv[1], count, seed);
    std::printf("%d drawings, %.1f MB in %s\n", count, static_cast<double>(bytes) / 1e6, argv[1]);
    return 0;
}
