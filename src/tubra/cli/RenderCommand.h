#pragma once

#include <filesystem>
#include <string>

#include "tubra/model/Document.h"

namespace tubra::cli {

// tubra-cli render IN OUT [--zoom Z]: draws the sheet of IN as the drawing view draws it at
// zoom Z (default 1.0, from 0.1 to 11.0) with the frame on, into OUT: PNG, PDF or SVG by the
// extension. The page size follows the drawing's page size. `argv` holds the arguments after
// the word "render". Exit code 0, 1 when reading or writing fails, 2 for a wrong command line.
int runRender(int argc, char** argv);

// Draws the sheet of `doc` into `out` at `zoom`. Returns an empty string or a one-line error.
std::string renderSheet(tubra::model::Document& doc, const std::filesystem::path& out,
                        double zoom);

}  // namespace tubra::cli
