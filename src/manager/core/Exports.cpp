#include "manager/core/Exports.h"

#include <array>

#include "manager/core/GbkText.h"
#include "text/Gbk.h"

namespace manager {

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
    const std::string& to = MANAGER_GBK("至");
    const std::string& fullComma = MANAGER_GBK("，");
    std::string_view start = gbk, end;
    for (const std::string_view sep : {std::string_view(to), std::string_view(fullComma), std::string_view(",")}) {
        const std::size_t at = gbkFind(gbk, sep);
        if (at == std::string_view::npos) continue;
        start = gbk.substr(0, at);
        end = gbk.substr(at + sep.size());
        break;
    }
    auto clean = [&](std::string_view part) {
        return gbkReplaceAll(gbkReplaceAll(part, fullComma, "/"), ",", "/");
    };
    return {clean(start), clean(end)};
}

std::pair<std::string, std::string> splitSize(std::string_view gbk) {
    const std::string& upperPhi = MANAGER_GBK("Φ");
    const std::string& lowerPhi = MANAGER_GBK("φ");
    const std::string& times = MANAGER_GBK("×");
    if (gbkFind(gbk, upperPhi) != std::string_view::npos || gbkFind(gbk, lowerPhi) != std::string_view::npos ||
        gbkFind(gbk, "DN") != std::string_view::npos) {
        // Two bytes: the sign or "DN" in front of the number. Never half a character.
        std::size_t skip = 0;
        while (skip < 2 && skip < gbk.size())
            skip += text::isGbkLeadByte(static_cast<unsigned char>(gbk[skip])) && skip + 1 < gbk.size() ? 2 : 1;
        gbk = gbk.substr(skip);
    }
    if (const std::size_t at = gbkFind(gbk, times); at != std::string_view::npos)
        return {std::string(gbk.substr(0, at)), std::string(gbk.substr(at + times.size()))};
    if (const std::size_t at = gbkFind(gbk, "*"); at != std::string_view::npos)
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

std::string censusExport(const PipelineList& list, std::string_view deviceGbk) {
    const std::string device = censusField(deviceGbk);
    std::string out = device;
    out.append(23, ',');
    out.append(device);
    out.append("\r\n");
    for (const ListRow& row : list.rows) {
        const auto [start, end] = splitStartEnd(cut49(row.cell(kColStartEnd)));
        const auto [diameter, thickness] = splitSize(cut49(row.cell(kColSize)));
        const std::array<std::string_view, 24> fields = {
            row.cell(kColNumber),      row.cell(kColName),        row.cell(kColPipeNumber),
            start,                     end,                       row.cell(kColCategory),
            diameter,                  thickness,                 row.cell(kColLength),
            {},                        {},                        row.cell(kColPressure),
            row.cell(kColTemperature), row.cell(kColMedium),      row.cell(kColMaterial),
            {},                        {},                        {},
            {},                        row.cell(kColInsulation),  {},
            row.cell(kColPipeNumber),  {},                        deviceGbk};
        for (std::size_t f = 0; f < fields.size(); ++f) {
            out.append(censusField(fields[f]));
            out.append(f + 1 < fields.size() ? "," : "\r\n");
        }
    }
    return out;
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
