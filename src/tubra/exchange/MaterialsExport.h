#pragma once
// Material lists as files: the workbook of a list, and the sum over many drawing files (the
// manager's campaign planning). Written by the workbook writer both programs share.

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "common/Workbook.h"
#include "tubra/exchange/Materials.h"

namespace tubra::exchange {

// One sheet "材料表": the list's rows under the columns of materialColumns(), lengths and
// counts as numbers, then a total row per group.
common::Workbook materialsWorkbook(const MaterialList& list, std::string title);

struct MaterialsFileError {
    std::filesystem::path path;
    std::error_code error;
};

// The lists of the drawing files added up, each file once however often and by whatever
// name it is given; files that cannot be read are left out and named in `errors`.
MaterialList sumMaterials(const std::vector<std::filesystem::path>& files,
                          std::vector<MaterialsFileError>* errors);

// The name a list chosen in a window is saved under: as chosen when it ends in ".xlsx" or
// ".csv" (in any case), else with ".xlsx" added, the form to open in a spreadsheet.
std::filesystem::path materialsFileName(std::filesystem::path chosen);

// Writes the list by the file's name: a workbook for ".xlsx", else CSV.
platform::Result<> saveMaterials(const std::filesystem::path& path, const MaterialList& list,
                              const std::string& title);

}  // namespace tubra::exchange
