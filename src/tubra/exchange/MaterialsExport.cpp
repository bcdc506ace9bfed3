#include "tubra/exchange/MaterialsExport.h"

#include <sys/stat.h>

#include <cmath>
#include <optional>
#include <set>
#include <utility>

#include "platform/AtomicFile.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingFile.h"

namespace tubra::exchange {

using common::SheetCell;

common::Workbook materialsWorkbook(const MaterialList& list, std::string title) {
    common::Sheet sheet;
    sheet.name = "材料表";
    sheet.header = materialColumns();
    const auto row = [](MaterialGroup g, std::string name, std::string material, std::string size,
                        std::optional<double> millimetres, long count) {
        std::vector<SheetCell> r;
        r.push_back(SheetCell::ofText(materialGroupName(g)));
        r.push_back(SheetCell::ofText(std::move(name)));
        r.push_back(SheetCell::ofText(std::move(material)));
        r.push_back(SheetCell::ofText(std::move(size)));
        // Stored as the metres every list shows.
        r.push_back(millimetres ? SheetCell::ofNumber(shownMetres(*millimetres), 3) : SheetCell{});
        r.push_back(SheetCell::ofNumber(static_cast<double>(count), 0));
        r.push_back(SheetCell::ofText(materialUnit(g)));
        return r;
    };
    for (const auto& [key, amount] : list.items) {
        const bool pipe = key.group == MaterialGroup::Pipe;
        sheet.rows.push_back(row(key.group, key.name, key.material, key.size,
                                 pipe ? std::optional<double>(amount.millimetres) : std::nullopt, amount.count));
    }
    for (int i = 0; i < kMaterialGroupCount; ++i) {
        const auto g = static_cast<MaterialGroup>(i);
        const bool pipe = g == MaterialGroup::Pipe;
        sheet.rows.push_back(row(g, "合计", "", "", pipe ? std::optional<double>(list.pipeMillimetres()) : std::nullopt,
                                 list.count(g)));
    }
    common::Workbook book;
    book.title = std::move(title);
    book.sheets.push_back(std::move(sheet));
    return book;
}

MaterialList sumMaterials(const std::vector<std::filesystem::path>& files,
                          std::vector<MaterialsFileError>* errors) {
    MaterialList sum;
    // A file named twice ("dA" and "./dA/x.hcd", a link to it) is one file: its device and inode
    // say so, whatever the names.
    std::set<std::pair<dev_t, ino_t>> seen;
    for (const std::filesystem::path& path : files) {
        struct stat st;
        if (::stat(path.c_str(), &st) == 0 && !seen.insert({st.st_dev, st.st_ino}).second) continue;
        std::string data;
        if (const std::error_code ec = model::readDrawingFile(path, data).error()) {
            if (errors) errors->push_back({path, ec});
            continue;
        }
        model::Drawing drawing;
        model::DrawingSettings settings;
        model::readDrawing(data, drawing, settings);
        sum += countMaterials(drawing.objects);
    }
    return sum;
}

std::filesystem::path materialsFileName(std::filesystem::path chosen) {
    std::string ext = chosen.extension().string();
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (ext != ".xlsx" && ext != ".csv") chosen += ".xlsx";
    return chosen;
}

platform::Result<> saveMaterials(const std::filesystem::path& path, const MaterialList& list,
                              const std::string& title) {
    if (common::isWorkbookName(path)) return common::writeWorkbook(path, materialsWorkbook(list, title));
    return platform::writeFileAtomically(path, materialsCsv(list));
}

}  // namespace tubra::exchange
