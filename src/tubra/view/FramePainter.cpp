#include "tubra/view/FramePainter.h"

#include "tubra/view/CharacteristicTablePainter.h"
#include "tubra/view/TitleBlockPainter.h"

namespace tubra::view {

void paintFrame(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    paintBorder(ctx);
    paintTitleBlock(ctx);
    paintCharacteristicTable(ctx);
}

void paintBorder(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    platform::Canvas& c = ctx.canvas;
    platform::CanvasStateGuard guard(c);
    // Black whatever the colour settings say.
    c.setPen({platform::PenStyle::Solid, 2, 0x000000});
    const int w = ctx.view.pageExtent.cx;
    const int h = ctx.view.pageExtent.cy;
    for (int i = 0; i < 3; ++i) {
        const int left = kFrameMargin + i;
        const int right = w - kFrameMargin - i;
        const int top = -kFrameMargin - i;
        const int bottom = kFrameMargin - h - i;
        c.moveTo({left, top});
        c.lineTo({right, top});
        c.lineTo({right, bottom});
        c.lineTo({left, bottom});
        c.lineTo({left, top});
    }
}

void takeFrameTexts(ViewState& view, const model::Drawing& drawing) {
    view.title = drawing.title;
    view.table = drawing.table;
}

void returnFrameTexts(const ViewState& view, model::Drawing& drawing) {
    drawing.title = view.title;
    drawing.table = view.table;
}

}  // namespace tubra::view
