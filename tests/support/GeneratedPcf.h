#pragma once
// Piping component files of a given size, for tests, benchmarks and fuzz seeds: a main line that
// wanders through space along the axes without crossing itself, with long-radius elbows, flanged
// valve sets (flange, gasket, valve, gasket, flange), tees with branch lines ending in a cap or a
// blind flange, supports on the pipes and a weld at every welded joint, as plant programs write
// them.

#include <cstdint>
#include <string>

namespace tubra::testing {

struct PcfGeneratorOptions {
    int components = 1000;  // about this many component records
    std::uint32_t seed = 1;
};

std::string generatePcf(const PcfGeneratorOptions& options);

}  // namespace tubra::testing
