#pragma once

namespace tubra::cli {

// tubra-cli import FILE.pcf -o OUT.hcd [--sheet A4|A3] [--alpha 30|45|60] [--replace]
int runImport(int argc, char** argv);

}  // namespace tubra::cli
