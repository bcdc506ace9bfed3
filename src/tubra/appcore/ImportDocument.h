#pragma once
// 文件 → 导入 PCF… and `tubra-cli import`: a piping component file laid out as a new drawing,
// ready as a draughtsman hands it in: labels placed by the program's own placement and the
// characteristic table's counts filled by its automatic count ("自动统计").

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "tubra/layout/PcfImport.h"
#include "tubra/model/Document.h"

namespace tubra::app {

struct ImportedDrawing {
    std::unique_ptr<model::Document> document;
    layout::ImportWarnings warnings;
};

// The page the pipeline is laid out on when the caller leaves the choice: A4, or A3 when the
// pipeline is too large to be drawn on A4 at its full size.
inline constexpr int kChoosePage = -1;

// Reads the PCF at `path` into a new, untitled document of `app` (marked modified). The
// document's drawing settings are the program's shared ones: they are set for the drawing, as
// opening a file sets them. `options.pageSize` may be kChoosePage. Today's date goes into the
// title block. Fails, with the reason for the user, on a file that cannot be read or drawn.
platform::Result<ImportedDrawing> importPcfDrawing(model::AppContext& app, const std::filesystem::path& path,
                                                   layout::ImportOptions options);

}  // namespace tubra::app
