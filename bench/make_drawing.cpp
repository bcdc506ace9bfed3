// make-drawing OUT.hcd OBJECTS [SEED] [AREA]: writes a generated drawing (the one the load and
// save benchmark reads, with 10,000 objects and seed 2024) for timing whole commands such as
// `tubra-cli resave` and `tubra-cli play`. AREA below 1 crowds the objects into that share of
// the sheet (see docs/benchmarks.md).
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/model/DrawingFile.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: make-drawing OUT.hcd OBJECTS [SEED] [AREA]\n");
        return 2;
    }
    tubra::testing::GeneratorOptions options;
    options.objects = std::atoi(argv[2]);
    if (argc > 3) options.seed = static_cast<std::uint32_t>(std::strtoul(argv[3], nullptr, 10));
    if (argc > 4) options.area = std::strtod(argv[4], nullptr);
    if (options.objects < 0 || !(options.area > 0.0)) {
        std::fprintf(stderr, "make-drawing: OBJECTS must not be negative and AREA must be above 0\n");
        return 2;
    }
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::testing::generateDrawing(drawing, options);
    std::string bytes;
    tubra::model::writeDrawing(drawing, settings, bytes);
    if (const auto ec = platform::writeFileAtomically(argv[1], bytes)) {
        std::fprintf(stderr, "make-drawing: %s\n", platform::describe(ec).c_str());
        return 1;
    }
    std::printf("%zu objects, %zu bytes in %s\n", drawing.objects.size(), bytes.size(), argv[1]);
    return 0;
}
