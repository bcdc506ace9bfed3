#include "tubra/view/Frame.h"

namespace tubra::view {

void DrawFrame(const PaintContext& ctx) {
    if (!ctx.view.frameSwitch) return;
    DrawTitleBlock(ctx);
    DrawCharacteristicTable(ctx);
}

void DrawTitleBlock(const PaintContext&) {
    // The title block is not drawn yet.
}

void DrawCharacteristicTable(const PaintContext&) {
    // The characteristic table is not drawn yet.
}

}  // namespace tubra::view
