#include "tubra/exchange/DxfExport.h"

#include "platform/AtomicFile.h"
#include "tubra/exchange/DxfCanvas.h"
#include "tubra/view/Paint.h"
#include "tubra/view/SheetLayers.h"
#include "tubra/view/ViewState.h"

namespace tubra::exchange {

using view::SheetLayer;

const char* const kDxfLayerNames[9] = {"主线", "支线", "标注线", "标注文字", "阀门",
                                       "管件", "焊缝", "图框", "其它"};

namespace {

// Sets the layer switches for the paint and puts them back afterwards. The dimension-line
// switch stays: it moves the pipe lengths.
class AllLayersShown {
public:
    explicit AllLayersShown(model::DrawingSettings& s) : s_(s), saved_(s) {
        s.ZhuXianLayer = s.ZhiXianLayer = s.DimTextLayer = s.FaMenLayer = s.GuanJianLayer =
            s.TuKuangLayer = s.QiTaLayer = 1;
    }
    ~AllLayersShown() {
        s_.ZhuXianLayer = saved_.ZhuXianLayer;
        s_.ZhiXianLayer = saved_.ZhiXianLayer;
        s_.DimTextLayer = saved_.DimTextLayer;
        s_.FaMenLayer = saved_.FaMenLayer;
        s_.GuanJianLayer = saved_.GuanJianLayer;
        s_.TuKuangLayer = saved_.TuKuangLayer;
        s_.QiTaLayer = saved_.QiTaLayer;
    }
    AllLayersShown(const AllLayersShown&) = delete;
    AllLayersShown& operator=(const AllLayersShown&) = delete;

private:
    model::DrawingSettings& s_;
    const model::DrawingSettings saved_;
};

}  // namespace

std::string sheetDxf(model::Document& doc) {
    std::vector<DxfLayer> layers;
    for (int i = 0; i < view::kSheetLayerCount; ++i) {
        DxfLayer l;
        l.name = kDxfLayerNames[i];
        l.on = view::sheetLayerShown(doc.settings(), static_cast<SheetLayer>(i));
        layers.push_back(std::move(l));
    }
    // Lengths and labels are texts of the dimension layers, also those of slanted pipes' legs.
    const int text = static_cast<int>(SheetLayer::DimensionText);
    for (SheetLayer l : {SheetLayer::DimensionLine, SheetLayer::MainPipe, SheetLayer::BranchPipe})
        layers[static_cast<std::size_t>(l)].textLayer = text;

    // The export changes nothing in the document: what a paint leaves behind (labels laid out
    // for the shown layers, the flags of a fresh document) is put back afterwards.
    const model::ObjectList objects = doc.drawing.objects;
    const auto zoomLoaded = doc.drawing.zoomLoaded;
    const auto newDrawing = doc.newDrawingFlag;
    const bool justOpened = doc.app().justOpened;

    // The sheet as printed: its frame, at zoom 1, never a report page.
    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    view::applyOpenedDocument(view, doc);
    view.reportDisplay[0] = 0;
    view.frameSwitch = 1;
    view.ZoomPara = 1.0;
    doc.drawing.zoomLoaded = 0;
    doc.newDrawingFlag = 0;

    DxfCanvas canvas(view::pageExtent(doc.drawing.PageSize), std::move(layers));
    {
        AllLayersShown shown(doc.settings());
        view::OnDraw(doc, view, canvas);
    }
    for (std::size_t i = 0; i < objects.size() && i < doc.drawing.objects.size(); ++i)
        if (!(doc.drawing.objects.at(i) == objects.at(i)))
            doc.drawing.objects.replaceObject(&doc.drawing.objects.at(i), objects.at(i));
    doc.drawing.zoomLoaded = zoomLoaded;
    doc.newDrawingFlag = newDrawing;
    doc.app().justOpened = justOpened;
    return canvas.finish();
}

std::error_code saveSheetDxf(model::Document& doc, const std::filesystem::path& path) {
    return platform::writeFileAtomically(path, sheetDxf(doc)).error();
}

}  // namespace tubra::exchange
