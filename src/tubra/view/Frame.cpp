#include "tubra/view/Frame.h"

#include "tubra/view/CharacteristicTablePainter.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/TitleBlockPainter.h"

namespace tubra::view {

void DrawFrame(const PaintContext& ctx) {
    PaintFrame(ctx);
}

void DrawTitleBlock(const PaintContext& ctx) {
    PaintTitleBlock(ctx);
}

void DrawCharacteristicTable(const PaintContext& ctx) {
    PaintCharacteristicTable(ctx);
}

}  // namespace tubra::view
