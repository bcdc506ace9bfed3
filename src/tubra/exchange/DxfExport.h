#pragma once
// The drawing sheet of a document as a DXF file: the frame, title block, characteristic table
// and every object, painted by the sheet's own painters onto a DxfCanvas, one layer per kind of
// thing drawn. Every layer is painted; those the drawing's layer switches hide are switched
// off in the file, so it shows what is printed and a CAD user can switch the rest on.

#include <filesystem>
#include <string>
#include <system_error>

#include "tubra/model/Document.h"

namespace tubra::exchange {

// Names of the sheet's layers (UTF-8), in the order of view::SheetLayer.
extern const char* const kDxfLayerNames[9];

// The sheet as DXF text.
std::string sheetDxf(model::Document& doc);

// Writes it to `path` through a temporary file and a rename.
std::error_code saveSheetDxf(model::Document& doc, const std::filesystem::path& path);

}  // namespace tubra::exchange
