#pragma once
// tubra-cli materials FILE [--csv OUT | --xlsx OUT | --json]: the bill of materials of a
// drawing; without an option as a table on standard output.

namespace tubra::cli {

int runMaterials(int argc, char** argv);

}  // namespace tubra::cli
