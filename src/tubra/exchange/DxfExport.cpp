#include "tubra/exchange/DxfExport.h"

#include "platform/AtomicFile.h"
#include "tubra/exchange/DxfCanvas.h"
#include "tubra/view/Paint.h"
#include "tubra/view/SheetLayers.h"
#include "tubra/view/ViewState.h"

namespace tubra::exchange {

using view::SheetLayer;

const char* const kDxfLayerNames[11] = {"主线", "支线", "标注线", "标注文字", "阀门", "管件",
                                        "焊缝", "图框", "其它",   "斜管",     "流向"};

namespace {

// The settings the sheet is painted with: the printed colours, and every layer switch on but
// the dimension lines' (it moves the pipe lengths), so that what the switches hide is painted
// too, onto its layer.
model::DrawingSettings paintedSettings(const model::DrawingSettings& shown) {
    model::DrawingSettings s = shown;
    view::OnPreparePrinting(s);
    s.ZhuXianLayer = s.ZhiXianLayer = s.DimTextLayer = s.FaMenLayer = s.GuanJianLayer =
        s.TuKuangLayer = s.QiTaLayer = 1;
    return s;
}

}  // namespace

std::string sheetDxf(const model::Document& doc) {
    // A copy of the drawing is laid out as a freshly opened one is, so the document stays as
    // it is and a drawing gives the same file from the window and from the command line.
    model::AppContext app;
    model::Document sheet(app);
    app.settings = doc.settings();
    sheet.drawing = doc.drawing;
    sheet.drawing.report = &sheet.report();
    sheet.drawing.zoomLoaded = 0;

    // The sheet as printed: its frame, at zoom 1, never a report page.
    view::ViewState view;
    view::initialUpdate(view, sheet.drawing);
    view::applyOpenedDocument(view, sheet);
    view.reportDisplay[0] = 0;
    view.frameSwitch = 1;
    view.ZoomPara = 1.0;

    std::vector<DxfLayer> layers;
    for (int i = 0; i < view::kSheetLayerCount; ++i) {
        DxfLayer l;
        l.name = kDxfLayerNames[i];
        l.on = view::sheetLayerShown(doc.settings(), view.frameSwitch != 0,
                                     static_cast<SheetLayer>(i));
        layers.push_back(std::move(l));
    }
    // Texts drawn among the lines of a layer are the dimension texts' (slanted pipes' legs).
    const int text = static_cast<int>(SheetLayer::DimensionText);
    for (SheetLayer l : {SheetLayer::DimensionLine, SheetLayer::MainPipe, SheetLayer::BranchPipe,
                         SheetLayer::SlantedPipe})
        layers[static_cast<std::size_t>(l)].textLayer = text;

    DxfCanvas canvas(view::pageExtent(sheet.drawing.PageSize), std::move(layers));
    view::prepareView(sheet, view, canvas);
    view::paintForCad(sheet, view, paintedSettings(app.settings), canvas);
    return canvas.finish();
}

platform::Result<> saveSheetDxf(const model::Document& doc, const std::filesystem::path& path) {
    return platform::writeFileAtomically(path, sheetDxf(doc));
}

}  // namespace tubra::exchange
