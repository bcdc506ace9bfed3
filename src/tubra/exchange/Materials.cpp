#include "tubra/exchange/Materials.h"

#include <cmath>
#include <optional>

#include <nlohmann/json.hpp>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/LengthText.h"

namespace tubra::exchange {

using model::PipeObject;

namespace {

constexpr const char* kGroupNames[kMaterialGroupCount] = {"管子", "弯头", "三通", "阀门",
                                                          "管件", "支架", "焊缝"};
constexpr const char* kUnits[kMaterialGroupCount] = {"根", "个", "个", "个", "只", "个", "条"};

// The kind within the group: the symbol's name for valves, fittings and supports.
std::string kindName(MaterialGroup g, const PipeObject& o) {
    if (g == MaterialGroup::Valve || g == MaterialGroup::Fitting || g == MaterialGroup::Support) {
        const std::string_view name = model::symbolName(o.SubType);
        if (!name.empty()) return std::string(name);
        return std::string(kGroupNames[static_cast<int>(g)]) + "（代号 " + std::to_string(o.SubType) + "）";
    }
    return kGroupNames[static_cast<int>(g)];
}

// A stored word as the list shows it: UTF-8, without the blanks around it.
std::string field(std::string_view gbk) {
    std::string s = text::gbkToUtf8(gbk);
    const auto first = s.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = s.find_last_not_of(" \t\r\n");
    return s.substr(first, last - first + 1);
}

}  // namespace

double shownMetres(double millimetres) {
    const long long mm = std::llround(millimetres);
    return mm == 0 ? 0.0 : static_cast<double>(mm) / 1000.0;
}

std::string shownMetresText(double millimetres) {
    const long long mm = std::llround(millimetres);
    const auto whole = static_cast<unsigned long>(mm < 0 ? -mm : mm);
    return text::format("%s%lu.%03lu", mm < 0 ? "-" : "", whole / 1000, whole % 1000);
}

std::string csvTextCell(std::string_view s) {
    std::string cell(s);
    if (!cell.empty() && std::string_view("=+-@\t\r").find(cell.front()) != std::string_view::npos)
        cell.insert(0, 1, '\'');
    if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
    std::string out = "\"";
    for (char c : cell) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

const char* materialGroupName(MaterialGroup g) { return kGroupNames[static_cast<int>(g)]; }
const char* materialUnit(MaterialGroup g) { return kUnits[static_cast<int>(g)]; }

long MaterialList::count(MaterialGroup g) const {
    long n = 0;
    for (const auto& [key, amount] : items)
        if (key.group == g) n += amount.count;
    return n;
}

long MaterialList::unknownPipeLengths() const {
    long n = 0;
    for (const auto& [key, amount] : items) n += amount.unknownLengths;
    return n;
}

double MaterialList::pipeMillimetres() const {
    double mm = 0.0;
    for (const auto& [key, amount] : items)
        if (key.group == MaterialGroup::Pipe) mm += amount.millimetres;
    return mm;
}

MaterialList& MaterialList::operator+=(const MaterialList& other) {
    for (const auto& [key, amount] : other.items) {
        MaterialAmount& a = items[key];
        a.millimetres += amount.millimetres;
        a.count += amount.count;
        a.unknownLengths += amount.unknownLengths;
    }
    drawings += other.drawings;
    return *this;
}

MaterialList countMaterials(const model::ObjectList& objects) {
    MaterialList list;
    list.drawings = 1;
    for (const PipeObject& o : objects) {
        const auto g = model::materialGroupOf(o.MainType);
        if (!g) continue;
        MaterialKey key{*g, kindName(*g, o), field(o.CaiLiao.view()), field(o.GuiGe.view())};
        MaterialAmount& a = list.items[std::move(key)];
        ++a.count;
        // The length a pipe's length text states, in millimetres.
        if (*g == MaterialGroup::Pipe) {
            if (const auto mm = model::readPipeLength(o.DistTxt.view()).value())
                a.millimetres += *mm;
            else
                ++a.unknownLengths;
        }
    }
    return list;
}

std::string materialQuantity(const MaterialKey& key, const MaterialAmount& amount) {
    if (key.group == MaterialGroup::Pipe) return shownMetresText(amount.millimetres);
    return std::to_string(amount.count);
}

const std::vector<std::string>& materialColumns() {
    static const std::vector<std::string> columns = {"类别", "名称", "材料", "规格",
                                                     "长度(米)", "数量", "单位"};
    return columns;
}

std::string materialsCsv(const MaterialList& list) {
    std::string out = "\xEF\xBB\xBF";
    const auto& columns = materialColumns();
    for (std::size_t i = 0; i < columns.size(); ++i) out += (i ? "," : "") + columns[i];
    out += "\r\n";
    for (const auto& [key, amount] : list.items) {
        const bool pipe = key.group == MaterialGroup::Pipe;
        out += csvTextCell(materialGroupName(key.group)) + "," + csvTextCell(key.name) + "," +
               csvTextCell(key.material) + "," + csvTextCell(key.size) + "," +
               (pipe ? materialQuantity(key, amount) : std::string()) + "," +
               std::to_string(amount.count) + "," + materialUnit(key.group) + "\r\n";
    }
    return out;
}

std::string materialsJson(const MaterialList& list) {
    nlohmann::ordered_json j;
    j["drawings"] = list.drawings;
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const auto& [key, amount] : list.items) {
        nlohmann::ordered_json r;
        r["group"] = materialGroupName(key.group);
        r["name"] = key.name;
        r["material"] = key.material;
        r["size"] = key.size;
        if (key.group == MaterialGroup::Pipe) {
            r["metres"] = shownMetres(amount.millimetres);
            if (amount.unknownLengths > 0) r["unknownLengths"] = amount.unknownLengths;
        }
        r["count"] = amount.count;
        r["unit"] = materialUnit(key.group);
        rows.push_back(std::move(r));
    }
    j["rows"] = std::move(rows);
    nlohmann::ordered_json totals;
    totals["pipeMetres"] = shownMetres(list.pipeMillimetres());
    totals["segments"] = list.count(MaterialGroup::Pipe);
    totals["unknownLengths"] = list.unknownPipeLengths();
    totals["elbows"] = list.count(MaterialGroup::Elbow);
    totals["tees"] = list.count(MaterialGroup::Tee);
    totals["valves"] = list.count(MaterialGroup::Valve);
    totals["fittings"] = list.count(MaterialGroup::Fitting);
    totals["supports"] = list.count(MaterialGroup::Support);
    totals["welds"] = list.count(MaterialGroup::Weld);
    j["totals"] = std::move(totals);
    // Texts come converted from GBK; anything that is not UTF-8 after all is replaced.
    return j.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace tubra::exchange
