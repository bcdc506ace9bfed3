#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/Canvas.h"
#include "tubra/model/Document.h"

namespace tubra::cli {

// tubra-cli render IN OUT [--zoom Z] [--report full|online|N]: draws what the view shows for
// IN into OUT (PNG, PDF or SVG by the extension): the sheet as the drawing view draws it at
// zoom Z (default 1.0, from 0.1 to 11.0) with the frame on, the picture being the drawing's page
// extent times the zoom (as far as the view scrolls at that zoom); or, for a file saved in report
// mode or with --report, the report page (A4 portrait) or all pages of a set one under the
// other. `argv` holds the arguments after the word "render". Exit code 0, 1 when reading or
// writing fails, 2 for a wrong command line.
int runRender(int argc, char** argv);

// What a PNG picture may have at most: 64 Mi pixels, and 16,000 pixels on its longer side.
inline constexpr double kMaxImagePixels = 64.0 * 1024 * 1024;
inline constexpr double kLongestImageSide = 16000.0;

// Pixels per 0.1 mm of a PNG picture of `sheet` (0.1 mm): 300 dpi, or fewer for pictures that
// would have more pixels or a longer side than above at 300 dpi (each side takes whole pixels,
// rounded up, and the caps hold for those).
double imagePixelsPerUnit(platform::Size sheet);

// Draws the view of `doc` into `out`: the sheet at `zoom`, or report page `reportPage` (or the
// page the file was saved showing). Returns an empty string or a one-line error.
std::string renderSheet(tubra::model::Document& doc, const std::filesystem::path& out,
                        double zoom, std::optional<int> reportPage = std::nullopt);

}  // namespace tubra::cli
