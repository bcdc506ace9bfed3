// The CAD canvas read back group by group: where figures and texts land (units, layers,
// the sheet moved to positive y), how pens become linetypes, lineweights and colours, and
// that a figure painted twice over itself is written once. The whole file is read by an
// independent reader in dxf_export_test.py.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/GeneratedDrawing.h"
#include "text/Gbk.h"
#include "tubra/exchange/DxfCanvas.h"
#include "tubra/exchange/DxfExport.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/Document.h"

using namespace tubra;
using exchange::DxfCanvas;
using exchange::DxfLayer;
using platform::Point;

namespace {

// One entity of the ENTITIES section: its type and its groups in order.
struct Entity {
    std::string type;
    std::vector<std::pair<int, std::string>> groups;

    std::string get(int code) const {
        for (const auto& [c, v] : groups)
            if (c == code) return v;
        return {};
    }
    std::vector<double> all(int code) const {
        std::vector<double> v;
        for (const auto& [c, s] : groups)
            if (c == code) v.push_back(std::stod(s));
        return v;
    }
};

std::vector<Entity> entities(const std::string& dxf) {
    std::istringstream in(dxf);
    std::vector<std::pair<int, std::string>> pairs;
    std::string code, value;
    while (std::getline(in, code) && std::getline(in, value)) pairs.emplace_back(std::stoi(code), value);
    std::vector<Entity> out;
    bool inside = false;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        const auto& [c, v] = pairs[i];
        if (c == 2 && v == "ENTITIES" && i > 0 && pairs[i - 1].second == "SECTION") {
            inside = true;
            continue;
        }
        if (!inside) continue;
        if (c == 0) {
            if (v == "ENDSEC") break;
            out.push_back({v, {}});
        } else if (!out.empty()) {
            out.back().groups.emplace_back(c, v);
        }
    }
    return out;
}

std::vector<DxfLayer> twoLayers() { return {{"图线", true, 1}, {"文字", false, -1}}; }

}  // namespace

TEST(DxfCanvas, PlacesFiguresInMillimetresOnTheSheetAndTextsOnTheirLayer) {
    DxfCanvas canvas({2900, 2050}, twoLayers());
    canvas.setLayer(0);
    canvas.setPen({platform::PenStyle::Dash, 4, platform::rgbColour(255, 0, 0)});
    canvas.moveTo({100, -100});
    canvas.lineTo({2800, -1950});
    canvas.setTextColour(0);
    canvas.textOut({200, -300}, text::gbk("管长 1500\r\n"));
    const auto all = entities(canvas.finish());
    ASSERT_EQ(all.size(), 2u);

    const Entity& line = all[0];
    EXPECT_EQ(line.type, "LINE");
    EXPECT_EQ(line.get(8), "图线");
    EXPECT_EQ(line.all(10)[0], 10.0);
    EXPECT_EQ(line.all(20)[0], 195.0);  // 205 mm sheet, 10 mm below its top
    EXPECT_EQ(line.all(11)[0], 280.0);
    EXPECT_EQ(line.all(21)[0], 10.0);
    EXPECT_EQ(line.get(6), "DASHED");
    EXPECT_EQ(line.get(370), "40");         // 0.4 mm
    EXPECT_EQ(line.get(420), "16711680");   // 0xFF0000: red, as CAD writes RGB

    // The text of the first layer goes to the text layer, in UTF-8 on one line, in black as
    // CAD's black-or-white colour 7.
    const Entity& text = all[1];
    EXPECT_EQ(text.type, "TEXT");
    EXPECT_EQ(text.get(8), "文字");
    EXPECT_EQ(text.get(1), "管长 1500  ");
    EXPECT_EQ(text.get(62), "7");
    EXPECT_EQ(text.get(420), "");
}

TEST(DxfCanvas, UnderlinedTextsAndPercentSignsUseTheTextControlCodes) {
    DxfCanvas canvas({2900, 2050}, twoLayers());
    platform::Font f;
    f.underline = true;
    canvas.setFont(f);
    canvas.textOut({0, 0}, "50%");
    canvas.textOut({0, 0}, "%%u");
    canvas.textOut({0, 0}, "Q=50m^3/h");
    const auto all = entities(canvas.finish());
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].get(1), "%%u50%");
    EXPECT_EQ(all[1].get(1), "%%u%%%%%%u");
    // A caret starts a control character ("^J" a line break); "^ " is the caret itself.
    EXPECT_EQ(all[2].get(1), "%%uQ=50m^ 3/h");
}

TEST(DxfCanvas, FillsCirclesAndPolygonsAndKeepsARepaintedFigureOnceWhereItWasPaintedLast) {
    DxfCanvas canvas({2900, 2050}, twoLayers());
    const int weld = 0, pipe = 0, otherWeld = 0;
    canvas.setPen({platform::PenStyle::Solid, 1, 0x0078F0});
    canvas.setLayer(0, &weld);
    canvas.setBrush(platform::Brush::solid(0xFFFFFF));
    canvas.ellipse({996, -996, 1004, -1004});
    canvas.setLayer(0, &pipe);
    canvas.setBrush(platform::Brush::null());
    canvas.moveTo({0, -1000});
    canvas.lineTo({2000, -1000});  // a pipe through the weld
    canvas.setLayer(0, &weld);
    canvas.setBrush(platform::Brush::solid(0xFFFFFF));
    canvas.ellipse({996, -996, 1004, -1004});  // the weld again, above the pipe
    canvas.setLayer(0, &otherWeld);
    canvas.ellipse({996, -996, 1004, -1004});  // another weld in the same place stays
    canvas.setLayer(0);
    const std::array<Point, 3> triangle = {Point{0, 0}, Point{100, 0}, Point{0, -100}};
    canvas.setPen({platform::PenStyle::Null, 1, 0});
    canvas.setBrush(platform::Brush::solid(0x326400));
    canvas.polygon(triangle);
    const auto all = entities(canvas.finish());

    // The white inside of the weld is paper: no white disc, the pipe cut where it covers it.
    std::vector<std::string> types;
    for (const Entity& e : all) types.push_back(e.type);
    EXPECT_EQ(types, (std::vector<std::string>{"LINE", "LINE", "CIRCLE", "CIRCLE", "HATCH"}));
    EXPECT_EQ(all[0].all(10)[0], 0.0);
    EXPECT_NEAR(all[0].all(11)[0], 99.6, 0.01);
    EXPECT_NEAR(all[1].all(10)[0], 100.4, 0.01);
    EXPECT_EQ(all[1].all(11)[0], 200.0);
    const Entity& circle = all[2];
    EXPECT_EQ(circle.all(10)[0], 100.0);
    EXPECT_EQ(circle.all(20)[0], 105.0);
    EXPECT_EQ(circle.all(40)[0], 0.4);
    EXPECT_EQ(all[4].get(93), "3");  // the triangle filled, no outline with a null pen
    // Handles stay unique after the repeat was dropped.
    std::set<std::string> handles;
    for (const Entity& e : all) handles.insert(e.get(5));
    EXPECT_EQ(handles.size(), all.size());
}

TEST(DxfCanvas, PaperCutsTheLinesPaintedBeforeItAndIsNeverWritten) {
    DxfCanvas canvas({2900, 2050}, twoLayers());
    canvas.setLayer(0);
    canvas.setBackgroundColour(0xFFFFFF);
    canvas.setPen({platform::PenStyle::Solid, 4, 0xFF0000});
    canvas.moveTo({0, -500});
    canvas.lineTo({1000, -500});  // the rear pipe
    canvas.moveTo({500, 0});
    canvas.lineTo({500, -1000});  // the front one
    // A crossing's gap: both erased round the crossing, the front piece drawn again.
    canvas.fillRect({484, -484, 516, -516}, 0xFFFFFF);
    canvas.moveTo({500, -480});
    canvas.lineTo({500, -520});
    // A break mark: the pipe under it painted over with a wide stroke of paper.
    canvas.moveTo({0, -1500});
    canvas.lineTo({1000, -1500});
    canvas.setPen({platform::PenStyle::Solid, 6, 0xFFFFFF});
    canvas.moveTo({300, -1500});
    canvas.lineTo({400, -1500});
    const auto all = entities(canvas.finish());
    std::vector<std::array<double, 4>> lines;
    for (const Entity& e : all) {
        ASSERT_EQ(e.type, "LINE");
        EXPECT_NE(e.get(420), "16777215");
        lines.push_back({e.all(10)[0], e.all(20)[0], e.all(11)[0], e.all(21)[0]});
    }
    std::sort(lines.begin(), lines.end());
    // y in drawing units: the sheet moved up by 205 mm.
    const std::vector<std::array<double, 4>> expected = {
        {0, 55, 29.7, 55},      // the broken pipe, up to the stroke's end (half its width on)
        {0, 155, 48.4, 155},    // the rear pipe, up to the gap
        {40.3, 55, 100, 55},    // the broken pipe after the break
        {50, 153.4, 50, 105},   // the front pipe below the gap
        {50, 157, 50, 153},     // its piece drawn again across the gap
        {50, 205, 50, 156.6},   // the front pipe above the gap
        {51.6, 155, 100, 155},  // the rear pipe after the gap
    };
    ASSERT_EQ(lines.size(), expected.size());
    for (std::size_t i = 0; i < lines.size(); ++i)
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(lines[i][k], expected[i][k], 1e-6) << i << " " << k;
}

TEST(DxfCanvas, LineweightsAreTheStandardOnesNearestThePenWidth) {
    EXPECT_EQ(DxfCanvas::lineweightOf(0), 9);
    EXPECT_EQ(DxfCanvas::lineweightOf(1), 9);
    EXPECT_EQ(DxfCanvas::lineweightOf(2), 20);
    EXPECT_EQ(DxfCanvas::lineweightOf(4), 40);
    EXPECT_EQ(DxfCanvas::lineweightOf(6), 60);
    EXPECT_EQ(DxfCanvas::lineweightOf(100000), 211);
}

TEST(DxfCanvas, CentredTextsAreAnchoredAtTheMiddleOfTheirRectangle) {
    DxfCanvas canvas({2900, 2050}, twoLayers());
    canvas.drawText({1000, -500, 1600, -600}, "abc", platform::TextFormat::Center);
    const auto all = entities(canvas.finish());
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].get(72), "1");
    EXPECT_EQ(all[0].all(11)[0], 130.0);
    EXPECT_EQ(all[0].get(73), "3");
}

// The sheet of a generated drawing: every object painted on its layer, hidden layers
// painted too and switched off.
TEST(DxfExport, PaintsEveryKindOnItsLayerAndSwitchesHiddenLayersOff) {
    model::AppContext app;
    model::Document doc(app);
    tubra::testing::GeneratorOptions options;
    options.objects = 300;
    tubra::testing::generateDrawing(doc.drawing, options);
    doc.settings().FaMenLayer = 0;  // valves hidden
    const std::string dxf = exchange::sheetDxf(doc);
    EXPECT_EQ(doc.settings().FaMenLayer, 0);  // the switch is put back

    std::map<std::string, std::map<std::string, int>> byLayer;  // layer -> type -> count
    for (const Entity& e : entities(dxf)) ++byLayer[e.get(8)][e.type];
    int welds = 0;
    for (const model::PipeObject& o : doc.drawing.objects) welds += o.is(model::ObjectKind::Weld);
    EXPECT_EQ(byLayer["焊缝"]["CIRCLE"], welds);
    EXPECT_GT(byLayer["主线"]["LINE"], 0);
    EXPECT_GT(byLayer["阀门"]["LINE"], 0);
    EXPECT_GT(byLayer["管件"]["SPLINE"], 0);  // elbows
    EXPECT_GT(byLayer["标注文字"]["TEXT"], 0);
    EXPECT_GT(byLayer["图框"]["TEXT"], 18);
    EXPECT_EQ(byLayer["主线"]["TEXT"], 0);
    EXPECT_EQ(byLayer.count("0"), 0u);

    // The valve layer is off (negative colour), the others on.
    const std::string table = dxf.substr(dxf.find("AcDbLayerTableRecord"));
    EXPECT_NE(table.find("  2\n阀门\n 70\n0\n 62\n-7\n"), std::string::npos);
    EXPECT_NE(table.find("  2\n主线\n 70\n0\n 62\n7\n"), std::string::npos);
}

// Exporting lays out nothing in the document, also where the hidden layers' labels would be
// placed for the file; the same document gives the same file twice.
TEST(DxfExport, LeavesTheDocumentAsItWas) {
    model::AppContext app;
    model::Document doc(app);
    tubra::testing::GeneratorOptions options;
    options.objects = 200;
    options.labelsPlaced = false;
    tubra::testing::generateDrawing(doc.drawing, options);
    doc.settings().DimTextLayer = 0;
    doc.drawing.zoomLoaded = 1;
    doc.drawing.ZoomPara = 1.5;
    doc.setModifiedFlag(false);
    const model::ObjectList before = doc.drawing.objects;
    // Every field the file keeps, the settings among them (the export shows every layer).
    std::string savedBefore;
    model::writeDrawing(doc.drawing, doc.settings(), savedBefore);
    const model::DrawingSettings settingsBefore = doc.settings();
    const std::string first = exchange::sheetDxf(doc);
    ASSERT_EQ(doc.drawing.objects.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i)
        ASSERT_TRUE(doc.drawing.objects.at(i) == before.at(i)) << "object " << i;
    std::string savedAfter;
    model::writeDrawing(doc.drawing, doc.settings(), savedAfter);
    EXPECT_EQ(savedAfter, savedBefore);
    EXPECT_TRUE(doc.settings() == settingsBefore);
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.drawing.zoomLoaded, 1);
    EXPECT_EQ(exchange::sheetDxf(doc), first);
}
