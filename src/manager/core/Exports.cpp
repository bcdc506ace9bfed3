#include "manager/core/Exports.h"

#include <array>

#include "text/Gbk.h"

namespace manager {

using common::Sheet;
using common::SheetCell;
using common::Workbook;

namespace {

constexpr std::size_t kExportCellBytes = 49;

// Headers of the text export: the title-block columns drop their "标题框->" prefix.
std::string exportHeader(int column) {
    static const std::array<std::string, 5> titleHeaders = {
        text::utf8ToGbk("制图"), text::utf8ToGbk("制图日期"), text::utf8ToGbk("审核"),
        text::utf8ToGbk("审核日期"), text::utf8ToGbk("图纸名")};
    if (column >= kColDrafter && column <= kColDrawingName)
        return titleHeaders[static_cast<std::size_t>(column - kColDrafter)];
    return columnHeaderGbk(column);
}

std::string_view cut49(std::string_view s) { return text::gbkCut(s, kExportCellBytes); }

}  // namespace

std::string textExport(const PipelineList& list) {
    const int columns = list.columnCount();
    std::string out;
    for (int c = 0; c < columns; ++c) {
        out.append(cut49(exportHeader(c)));
        out.push_back('\t');
    }
    out.append("\r\n");
    for (const ListRow& row : list.rows) {
        for (int c = 0; c < columns; ++c) {
            out.append(cut49(row.cell(c)));
            out.push_back('\t');
        }
        out.append("\r\n");
    }
    return out;
}

std::string textExportFileName(std::string_view chosen) { return std::string(chosen) + ".txt"; }

std::pair<std::string, std::string> splitStartEnd(std::string_view gbk) {
    const std::string& to = text::gbk("至");
    const std::string& fullComma = text::gbk("，");
    std::string_view start = gbk, end;
    for (const std::string_view sep : {std::string_view(to), std::string_view(fullComma), std::string_view(",")}) {
        const std::size_t at = text::gbkFind(gbk, sep);
        if (at == std::string_view::npos) continue;
        start = gbk.substr(0, at);
        end = gbk.substr(at + sep.size());
        break;
    }
    auto clean = [&](std::string_view part) {
        return text::gbkReplaceAll(text::gbkReplaceAll(part, fullComma, "/"), ",", "/");
    };
    return {clean(start), clean(end)};
}

std::pair<std::string, std::string> splitSize(std::string_view gbk) {
    const std::string& upperPhi = text::gbk("Φ");
    const std::string& lowerPhi = text::gbk("φ");
    const std::string& times = text::gbk("×");
    if (text::gbkFind(gbk, upperPhi) != std::string_view::npos || text::gbkFind(gbk, lowerPhi) != std::string_view::npos ||
        text::gbkFind(gbk, "DN") != std::string_view::npos) {
        // Two bytes: the sign or "DN" in front of the number. Never half a character.
        std::size_t skip = 0;
        while (skip < 2 && skip < gbk.size())
            skip += text::isGbkLeadByte(static_cast<unsigned char>(gbk[skip])) && skip + 1 < gbk.size() ? 2 : 1;
        gbk = gbk.substr(skip);
    }
    if (const std::size_t at = text::gbkFind(gbk, times); at != std::string_view::npos)
        return {std::string(gbk.substr(0, at)), std::string(gbk.substr(at + times.size()))};
    if (const std::size_t at = text::gbkFind(gbk, "*"); at != std::string_view::npos)
        return {std::string(gbk.substr(0, at)), std::string(gbk.substr(at + 1))};
    return {std::string(gbk), std::string()};
}

std::string censusField(std::string_view gbk) {
    const std::string_view v = cut49(gbk);
    if (v.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(v);
    std::string quoted = "\"";
    for (const char c : v) {
        if (c == '"') quoted.push_back('"');
        quoted.push_back(c);
    }
    quoted.push_back('"');
    return quoted;
}

std::array<std::string, 24> censusFields(const ListRow& row, std::string_view deviceGbk) {
    auto [start, end] = splitStartEnd(cut49(row.cell(kColStartEnd)));
    auto [diameter, thickness] = splitSize(cut49(row.cell(kColSize)));
    auto cell = [&](int column) { return std::string(row.cell(column)); };
    std::array<std::string, 24> fields = {
        cell(kColNumber),      cell(kColName),       cell(kColPipeNumber),
        std::move(start),      std::move(end),       cell(kColCategory),
        std::move(diameter),   std::move(thickness), cell(kColLength),
        {},                    {},                   cell(kColPressure),
        cell(kColTemperature), cell(kColMedium),     cell(kColMaterial),
        {},                    {},                   {},
        {},                    cell(kColInsulation), {},
        cell(kColPipeNumber),  {},                   std::string(deviceGbk)};
    for (std::string& f : fields) f.resize(text::gbkCutLength(f, kExportCellBytes));
    return fields;
}

std::string censusExport(const PipelineList& list, std::string_view deviceGbk) {
    const std::string device = censusField(deviceGbk);
    std::string out = device;
    out.append(23, ',');
    out.append(device);
    out.append("\r\n");
    for (const ListRow& row : list.rows) {
        const auto fields = censusFields(row, deviceGbk);
        for (std::size_t f = 0; f < fields.size(); ++f) {
            out.append(censusField(fields[f]));
            out.append(f + 1 < fields.size() ? "," : "\r\n");
        }
    }
    return out;
}

namespace {

SheetCell gbkCell(std::string_view gbk, bool numeric) {
    std::string utf8 = text::gbkToUtf8(gbk);
    return numeric ? SheetCell::fromText(std::move(utf8)) : SheetCell::ofText(std::move(utf8));
}

}  // namespace

Workbook listWorkbook(const PipelineList& list) {
    const int columns = list.columnCount();
    Sheet sheet;
    sheet.name = "管线列表";
    for (int c = 0; c < columns; ++c) sheet.header.push_back(text::gbkToUtf8(cut49(exportHeader(c))));
    sheet.rows.reserve(list.rows.size());
    for (const ListRow& row : list.rows) {
        std::vector<SheetCell> cells;
        cells.reserve(static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            // The file's name as the file system has it (UTF-8): GBK cannot hold every name
            // ("한국.hcd"), the workbook can.
            if (c == kColFileName)
                cells.push_back(SheetCell::ofText(row.fileName()));
            else
                cells.push_back(gbkCell(cut49(row.cell(c)), isNumericColumn(c)));
        }
        sheet.rows.push_back(std::move(cells));
    }
    Workbook book;
    book.title = "管线列表";
    book.sheets.push_back(std::move(sheet));
    return book;
}

Workbook censusWorkbook(const PipelineList& list, std::string_view deviceGbk) {
    // Fields holding the row number, diameter, thickness, length, pressure and temperature.
    constexpr std::array<bool, 24> numeric = {true,  false, false, false, false, false, true,  true,
                                              true,  false, false, true,  true,  false, false, false,
                                              false, false, false, false, false, false, false, false};
    Sheet sheet;
    sheet.name = "普查登记";
    const std::string device = text::gbkToUtf8(cut49(deviceGbk));
    sheet.header.assign(24, std::string());
    sheet.header.front() = device;
    sheet.header.back() = device;
    sheet.rows.reserve(list.rows.size());
    for (const ListRow& row : list.rows) {
        const auto fields = censusFields(row, deviceGbk);
        std::vector<SheetCell> cells;
        cells.reserve(fields.size());
        for (std::size_t f = 0; f < fields.size(); ++f) cells.push_back(gbkCell(fields[f], numeric[f]));
        sheet.rows.push_back(std::move(cells));
    }
    Workbook book;
    book.title = "普查登记导入数据";
    book.sheets.push_back(std::move(sheet));
    return book;
}

Workbook lengthCheckWorkbook(const std::vector<LengthMismatch>& result) {
    Sheet sheet;
    sheet.name = "长度校核";
    sheet.header = {"序号", "表中长度(米)", "校核长度(米)"};
    for (const LengthMismatch& m : result) {
        sheet.rows.push_back({gbkCell(m.number, true), gbkCell(m.listLength, true),
                              m.drawn && m.unknownLengths == 0 ? SheetCell::ofNumber(*m.drawn, 6) : SheetCell::ofText(drawnLengthText(m))});
    }
    Workbook book;
    book.title = lengthCheckTitle(result.size());
    book.sheets.push_back(std::move(sheet));
    return book;
}

bool isDrawingOutput(const std::filesystem::path& output, const PipelineList& list) {
    namespace fs = std::filesystem;
    auto drawingName = [](const fs::path& p) {
        const std::string name = p.filename().string();
        if (name.size() < 4) return false;
        std::string tail = name.substr(name.size() - 4);
        for (char& c : tail)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return tail == ".hcd";
    };
    if (drawingName(output)) return true;
    std::error_code ec;
    const fs::path real = fs::canonical(output, ec);
    if (ec) return false;  // nothing there yet (or nothing that can be reached): no drawing lost
    if (drawingName(real)) return true;
    for (int i = 0; i < list.size(); ++i) {
        std::error_code same;
        if (fs::equivalent(real, list.pathOf(i), same)) return true;
    }
    return false;
}

}  // namespace manager
