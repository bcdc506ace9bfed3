// make-pcf OUT.pcf COMPONENTS [SEED]: writes a generated piping component file (the one the
// import benchmark reads has 5,000 components and seed 7), for timing `tubra-cli import`.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/AtomicFile.h"
#include "support/GeneratedPcf.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: make-pcf OUT.pcf COMPONENTS [SEED]\n");
        return 2;
    }
    tubra::testing::PcfGeneratorOptions options;
    options.components = std::atoi(argv[2]);
    if (argc > 3) options.seed = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (options.components < 1) {
        std::fprintf(stderr, "make-pcf: COMPONENTS must be at least 1\n");
        return 2;
    }
    if (const auto r = platform::writeFileAtomically(argv[1], tubra::testing::generatePcf(options));
        r.failed()) {
        std::fprintf(stderr, "make-pcf: %s\n", platform::describe(r.error()).c_str());
        return 1;
    }
    return 0;
}
