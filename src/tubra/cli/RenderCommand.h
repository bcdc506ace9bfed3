#pragma once

#include <filesystem>
#include <string>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"

namespace tubra::cli {

// tubra-cli render IN OUT [--zoom Z]: draws the sheet of IN as the drawing view draws it at
// zoom Z (default 1.0, from 0.1 to 11.0) with the frame on, into OUT: PNG, PDF or SVG by the
// extension. The picture is the drawing's page extent times the zoom, as far as the view
// scrolls at that zoom. `argv` holds the arguments after
// the word "render". Exit code 0, 1 when reading or writing fails, 2 for a wrong command line.
int runRender(int argc, char** argv);

// Pixels per 0.1 mm of a PNG picture of `sheet` (0.1 mm): 300 dpi, or fewer for pictures so
// large that 300 dpi would make more than 64 Mi pixels.
double ImagePixelsPerUnit(platform::Size sheet);

// Draws the sheet of `doc` into `out` at `zoom`. Returns an empty string or a one-line error.
std::string renderSheet(tubra::model::Document& doc, const std::filesystem::path& out,
                        double zoom);

}  // namespace tubra::cli
