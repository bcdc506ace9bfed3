#include "tubra/view/FramePainter.h"

#include "tubra/view/CharacteristicTablePainter.h"
#include "tubra/view/TitleBlockPainter.h"

namespace tubra::view {

void PaintFrame(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    PaintBorder(ctx);
    PaintTitleBlock(ctx);
    PaintCharacteristicTable(ctx);
}

void PaintBorder(const PaintContext& ctx) {
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

void TakeFrameTexts(ViewState& view, const model::Drawing& drawing) {
    view.title = drawing.title;
    view.table = drawing.table;
}

void ReturnFrameTexts(const ViewState& view, model::Drawing& drawing) {
    drawing.title = view.title;
    drawing.table = view.table;
}

}  // namespace tubra::view
