// The bill of materials: its totals are the characteristic table's automatic statistics on
// the sample drawings and on generated ones; rows by kind, material and size; lists add up;
// the CSV and JSON forms.

#include <gtest/gtest.h>

#include <filesystem>

#include <nlohmann/json.hpp>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/appcore/SettingsForms.h"
#include "tubra/exchange/Materials.h"
#include "tubra/exchange/MaterialsExport.h"
#include "tubra/model/Document.h"
#include "tubra/model/DrawingFile.h"

using namespace tubra;
using exchange::MaterialGroup;
using exchange::MaterialList;
namespace fs = std::filesystem;

namespace {

// The totals against what the characteristic-table dialog fills in.
void expectTheTablesStatistics(const model::ObjectList& objects, const std::string& what) {
    const MaterialList list = exchange::countMaterials(objects);
    const app::DrawingStatistics s = app::countDrawing(objects);
    SCOPED_TRACE(what);
    EXPECT_EQ(text::format("%-5.2f", list.pipeMetres()), s.length);
    EXPECT_EQ(list.count(MaterialGroup::Pipe), s.segments);
    EXPECT_EQ(list.count(MaterialGroup::Elbow), s.elbows);
    EXPECT_EQ(list.count(MaterialGroup::Weld), s.welds);
    EXPECT_EQ(list.count(MaterialGroup::Tee), s.tees);
    EXPECT_EQ(list.count(MaterialGroup::Valve), s.valves);
    EXPECT_EQ(list.count(MaterialGroup::Fitting), s.otherFittings);
    long supports = 0;
    for (const model::PipeObject& o : objects) supports += o.is(model::ObjectKind::Accessory);
    EXPECT_EQ(list.count(MaterialGroup::Support), supports);
}

model::PipeObject object(model::ObjectKind kind, int subType, const char* material, const char* size,
                         const char* length = "") {
    model::PipeObject o;
    o.MainType = model::kindValue(kind);
    o.SubType = subType;
    o.CaiLiao = text::gbk(material);
    o.GuiGe = text::gbk(size);
    o.DistTxt = text::gbk(length);
    return o;
}

// Appends the object as it is, without the values a new object of its kind takes.
void put(model::ObjectList& list, const model::PipeObject& o) {
    list.replaceObject(&list.addCopy(o), o);
}

}  // namespace

TEST(Materials, TotalsAreTheCharacteristicTablesStatisticsOnSamplesAndGeneratedDrawings) {
    for (const char* name : {"pipeline.hcd", "report.hcd", "symbol-atlas.hcd"}) {
        model::AppContext app;
        std::string error;
        auto docRead = model::Document::open(app, fs::path(TUBRA_SOURCE_DIR) / "examples" / name);
        ASSERT_TRUE(docRead.ok()) << docRead.message();
        auto doc = std::move(docRead.value());
        expectTheTablesStatistics(doc->drawing.objects, name);
    }
    for (std::uint32_t seed : {1u, 7u, 2024u}) {
        model::Drawing drawing;
        tubra::testing::GeneratorOptions options;
        options.objects = 800;
        options.seed = seed;
        tubra::testing::generateDrawing(drawing, options);
        expectTheTablesStatistics(drawing.objects, "seed " + std::to_string(seed));
    }
}

TEST(Materials, RowsAreByKindMaterialAndSizeAndListsAddUp) {
    model::ObjectList objects;
    put(objects, object(model::ObjectKind::Pipe, 0, "20#", "φ108×4", "1500"));
    put(objects, object(model::ObjectKind::Pipe, 1, "20#", "φ108×4", "2500.25"));
    put(objects, object(model::ObjectKind::Pipe, 0, "20#", "φ57×3.5", "800"));
    put(objects, object(model::ObjectKind::Pipe, 0, "20#", "φ57×3.5", "^1000"));  // not a length
    put(objects, object(model::ObjectKind::Valve, 13, "WCB", "DN100"));
    put(objects, object(model::ObjectKind::Valve, 13, "WCB", "DN100"));
    put(objects, object(model::ObjectKind::Valve, 18, "WCB", "DN100"));
    put(objects, object(model::ObjectKind::Fitting, 4, "20#", "DN100"));
    put(objects, object(model::ObjectKind::Fitting, 6, "20#", "DN100×50"));
    put(objects, object(model::ObjectKind::Fitting, 99, "", ""));  // a code without a symbol
    put(objects, object(model::ObjectKind::Accessory, 32, "", " DN100 "));
    put(objects, object(model::ObjectKind::SiteMark, 40, "", ""));  // not material
    const MaterialList list = exchange::countMaterials(objects);

    const auto amount = [&](MaterialGroup g, const char* name, const char* material, const char* size) {
        const auto it = list.items.find({g, name, material, size});
        return it == list.items.end() ? exchange::MaterialAmount{-1.0, -1} : it->second;
    };
    EXPECT_DOUBLE_EQ(amount(MaterialGroup::Pipe, "管子", "20#", "φ108×4").millimetres, 4000.25);
    EXPECT_EQ(amount(MaterialGroup::Pipe, "管子", "20#", "φ108×4").count, 2);
    EXPECT_DOUBLE_EQ(amount(MaterialGroup::Pipe, "管子", "20#", "φ57×3.5").millimetres, 800.0);
    EXPECT_EQ(amount(MaterialGroup::Valve, "闸阀", "WCB", "DN100").count, 2);
    EXPECT_EQ(amount(MaterialGroup::Valve, "球阀", "WCB", "DN100").count, 1);
    EXPECT_EQ(amount(MaterialGroup::Fitting, "法兰", "20#", "DN100").count, 1);
    EXPECT_EQ(amount(MaterialGroup::Fitting, "大小头", "20#", "DN100×50").count, 1);
    EXPECT_EQ(amount(MaterialGroup::Fitting, "管件（代号 99）", "", "").count, 1);
    EXPECT_EQ(amount(MaterialGroup::Support, "刚性支架", "", "DN100").count, 1);  // blanks trimmed
    EXPECT_EQ(list.items.size(), 8u);

    MaterialList sum = list;
    sum += list;
    EXPECT_EQ(sum.drawings, 2);
    EXPECT_DOUBLE_EQ(sum.pipeMetres(), 2 * list.pipeMetres());
    EXPECT_EQ(sum.count(MaterialGroup::Valve), 6);
    EXPECT_EQ(sum.items.size(), list.items.size());

    // CSV: a byte-order mark, the header, one line per row, cells with commas quoted.
    const std::string csv = exchange::materialsCsv(list);
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF类别,名称,材料,规格,长度(米),数量,单位\r\n", 0), 0u);
    EXPECT_NE(csv.find("管子,管子,20#,φ108×4,4.000,2,根\r\n"), std::string::npos);
    EXPECT_NE(csv.find("阀门,闸阀,WCB,DN100,,2,个\r\n"), std::string::npos);
    model::ObjectList quoted;
    put(quoted, object(model::ObjectKind::Weld, 0, "J422", "φ108,\"4\""));
    EXPECT_NE(exchange::materialsCsv(exchange::countMaterials(quoted)).find("焊缝,焊缝,J422,\"φ108,\"\"4\"\"\",,1,条"),
              std::string::npos);

    const auto json = nlohmann::json::parse(exchange::materialsJson(list));
    EXPECT_EQ(json["totals"]["valves"], 3);
    EXPECT_EQ(json["totals"]["segments"], 4);
    EXPECT_DOUBLE_EQ(json["totals"]["pipeMetres"].get<double>(), 4.8);
    EXPECT_EQ(json["rows"].size(), 8u);
}

TEST(Materials, SumsOverFilesLeaveOutUnreadableOnesAndNameThem) {
    const fs::path dir = fs::temp_directory_path() / ("materials-test-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    model::Drawing drawing;
    tubra::testing::GeneratorOptions options;
    options.objects = 200;
    tubra::testing::generateDrawing(drawing, options);
    std::string bytes;
    model::DrawingSettings settings;
    model::writeDrawing(drawing, settings, bytes);
    ASSERT_TRUE(platform::writeFileAtomically(dir / "a.hcd", bytes).ok());
    ASSERT_TRUE(platform::writeFileAtomically(dir / "b.hcd", bytes).ok());

    std::vector<exchange::MaterialsFileError> errors;
    const MaterialList sum = exchange::sumMaterials({dir / "a.hcd", dir / "missing.hcd", dir / "b.hcd"}, &errors);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].path, dir / "missing.hcd");
    const MaterialList one = exchange::countMaterials(drawing.objects);
    EXPECT_EQ(sum.drawings, 2);
    EXPECT_EQ(sum.count(MaterialGroup::Weld), 2 * one.count(MaterialGroup::Weld));
    EXPECT_NEAR(sum.pipeMetres(), 2 * one.pipeMetres(), 1e-9);

    // The same file by other names (a path with "./" in it, a link) is counted once.
    fs::create_symlink(dir / "a.hcd", dir / "link.hcd");
    const MaterialList again = exchange::sumMaterials(
        {dir / "a.hcd", dir / "." / "a.hcd", dir / "link.hcd", dir / "b.hcd"}, nullptr);
    EXPECT_EQ(again.drawings, 2);
    EXPECT_EQ(again.count(MaterialGroup::Weld), 2 * one.count(MaterialGroup::Weld));
    fs::remove_all(dir);
}

TEST(Materials, OneRoundingOfLengthsInEveryForm) {
    // 3600.5 mm, whose metres (3.6005) lie just below the half in binary: every form says 3.601.
    model::ObjectList objects;
    put(objects, object(model::ObjectKind::Pipe, 0, "20#", "φ108×4", "3600.5"));
    const MaterialList list = exchange::countMaterials(objects);
    const auto& [key, amount] = *list.items.begin();
    EXPECT_EQ(exchange::materialQuantity(key, amount), "3.601");
    EXPECT_NE(exchange::materialsCsv(list).find(",3.601,1,"), std::string::npos);
    const auto json = nlohmann::json::parse(exchange::materialsJson(list));
    EXPECT_EQ(json["rows"][0]["metres"].get<double>(), 3.601);
    EXPECT_EQ(json["totals"]["pipeMetres"].get<double>(), 3.601);
    const auto book = exchange::materialsWorkbook(list, "t");
    EXPECT_EQ(book.sheets.at(0).rows.at(0).at(4).number, 3.601);
    EXPECT_EQ(exchange::shownMetresText(-0.4), "0.000");
    EXPECT_EQ(exchange::shownMetresText(-1500.5), "-1.501");
}

TEST(Materials, CsvCellsThatLookLikeFormulasAreText) {
    EXPECT_EQ(exchange::csvTextCell("=1+1"), "'=1+1");
    EXPECT_EQ(exchange::csvTextCell("=HYPERLINK(\"http://example.com\",\"x\")"),
              "\"'=HYPERLINK(\"\"http://example.com\"\",\"\"x\"\")\"");
    for (const char* lead : {"+", "-", "@", "\t", "\r"})
        EXPECT_EQ(exchange::csvTextCell(std::string(lead) + "x").front(), lead[0] == '\r' ? '"' : '\'')
            << lead;
    EXPECT_EQ(exchange::csvTextCell("20#"), "20#");
    EXPECT_EQ(exchange::csvTextCell("φ108-4"), "φ108-4");  // only the first character counts
}

TEST(Materials, AListSavedFromAWindowIsAWorkbookUnlessItsNameAsksForCsv) {
    EXPECT_EQ(exchange::materialsFileName("a/list.txt"), fs::path("a/list.txt.xlsx"));
    EXPECT_EQ(exchange::materialsFileName("list"), fs::path("list.xlsx"));
    EXPECT_EQ(exchange::materialsFileName("list.CSV"), fs::path("list.CSV"));
    EXPECT_EQ(exchange::materialsFileName("list.xlsx"), fs::path("list.xlsx"));
}
