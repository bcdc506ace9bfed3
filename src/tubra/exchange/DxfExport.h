#pragma once
// The drawing sheet of a document as a DXF file: the sheet as `tubra-cli print` prints it — its
// frame, title block, characteristic table, axis marker and every object — painted by the
// sheet's own painters onto a DxfCanvas in the printed colours, one layer per kind of thing
// drawn. What the print shows lies on layers that are on; what the drawing's layer switches
// hide is painted too, on layers that are off, so that a CAD user can switch it on. The
// selection and anything else only a window shows never are.

#include <filesystem>
#include <string>
#include <system_error>

#include "platform/Result.h"
#include "tubra/model/Document.h"

namespace tubra::exchange {

// Names of the sheet's layers (UTF-8), in the order of view::SheetLayer.
extern const char* const kDxfLayerNames[11];

// The sheet as DXF text. The document is left as it is: the export lays out a copy.
std::string sheetDxf(const model::Document& doc);

// Writes it to `path` through a temporary file and a rename.
platform::Result<> saveSheetDxf(const model::Document& doc, const std::filesystem::path& path);

}  // namespace tubra::exchange
