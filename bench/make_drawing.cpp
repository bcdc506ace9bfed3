// make-drawing OUT.hcd OBJECTS [SEED] [AREA] [--placed]: writes a generated drawing (the one
// the load and save benchmark reads, with 10,000 objects and seed 2024) for timing whole
// commands such as `tubra-cli resave` and `tubra-cli play`. AREA below 1 crowds the objects
// into that share of the sheet; --placed gives every label a layout, as a drawing saved after
// it was shown has (see docs/benchmarks.md).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/model/DrawingFile.h"

int main(int argc, char** argv) {
    tubra::testing::GeneratorOptions options;
    std::vector<const char*> args;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--placed") == 0)
            options.labelsPlaced = true;
        else
            args.push_back(argv[i]);
    }
    if (args.size() < 2 || args.size() > 4) {
        std::fprintf(stderr, "usage: make-drawing OUT.hcd OBJECTS [SEED] [AREA] [--placed]\n");
        return 2;
    }
    options.objects = std::atoi(args[1]);
    if (args.size() > 2) options.seed = static_cast<std::uint32_t>(std::strtoul(args[2], nullptr, 10));
    if (args.size() > 3) options.area = std::strtod(args[3], nullptr);
    if (options.objects < 0 || !(options.area > 0.0)) {
        std::fprintf(stderr, "make-drawing: OBJECTS must not be negative and AREA must be above 0\n");
        return 2;
    }
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::testing::generateDrawing(drawing, options);
    std::string bytes;
    tubra::model::writeDrawing(drawing, settings, bytes);
    if (const auto ec = platform::writeFileAtomically(args[0], bytes)) {
        std::fprintf(stderr, "make-drawing: %s\n", platform::describe(ec).c_str());
        return 1;
    }
    std::printf("%zu objects, %zu bytes in %s\n", drawing.objects.size(), bytes.size(), args[0]);
    return 0;
}
