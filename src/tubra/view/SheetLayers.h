#pragma once
// The layers of the sheet by what is drawn, for canvases that keep them apart (CAD files):
// the painters tell the canvas before each object, and the layer switches of the drawing
// settings say which of them are shown.

#include "tubra/model/DrawingSettings.h"
#include "tubra/model/PipeObject.h"

namespace tubra::view {

enum class SheetLayer : int {
    MainPipe = 0,    // 主线
    BranchPipe,      // 支线
    DimensionLine,   // 标注线: dimension lines, their extension lines and arrowheads
    DimensionText,   // 标注文字: lengths, labels, elevation marks
    Valve,           // 阀门
    Fitting,         // 管件: elbows, tees, fittings
    Weld,            // 焊缝
    Frame,           // 图框: border, title block, characteristic table, the axis marker
    Other,           // 其它: break lines, supports, crossings, terminals, texts
    SlantedPipe,     // 斜管: plane- and space-slanted pipes, shown whatever the pipe switches say
    FlowArrow,       // 流向: flow arrows, which no switch hides
};
inline constexpr int kSheetLayerCount = 11;

// The layer an object's body is drawn on.
inline SheetLayer sheetLayerOf(const model::PipeObject& o) {
    using model::ObjectKind;
    if (o.is(ObjectKind::Pipe)) {
        const int run = model::directionCode(o.EndDir);
        if (run == 6 || run == 7) return SheetLayer::SlantedPipe;
        return o.SubType == 0 ? SheetLayer::MainPipe : SheetLayer::BranchPipe;
    }
    if (o.is(ObjectKind::Weld)) return SheetLayer::Weld;
    if (o.is(ObjectKind::Valve)) return SheetLayer::Valve;
    if (o.is(ObjectKind::Elbow) || o.is(ObjectKind::Tee) || o.is(ObjectKind::Fitting))
        return SheetLayer::Fitting;
    return SheetLayer::Other;
}

// Whether a paint of the sheet shows the layer: the drawing's layer switches say so for the
// first nine, except the frame, which the view's frame switch governs; slanted pipes and flow
// arrows always show.
inline bool sheetLayerShown(const model::DrawingSettings& s, bool frameSwitch, SheetLayer layer) {
    switch (layer) {
        case SheetLayer::MainPipe: return s.ZhuXianLayer != 0;
        case SheetLayer::BranchPipe: return s.ZhiXianLayer != 0;
        case SheetLayer::DimensionLine: return s.DimLineLayer != 0;
        case SheetLayer::DimensionText: return s.DimTextLayer != 0;
        case SheetLayer::Valve: return s.FaMenLayer != 0;
        case SheetLayer::Fitting:
        case SheetLayer::Weld: return s.GuanJianLayer != 0;
        case SheetLayer::Frame: return frameSwitch;
        case SheetLayer::Other: return s.QiTaLayer != 0;
        case SheetLayer::SlantedPipe:
        case SheetLayer::FlowArrow: return true;
    }
    return true;
}

}  // namespace tubra::view
