#include "tubra/view/Frame.h"

#include "tubra/view/CharacteristicTablePainter.h"
#include "tubra/view/FramePainter.h"
#include "tubra/view/TitleBlockPainter.h"

namespace tubra::view {

void DrawFrame(const PaintContext& ctx) {
    paintFrame(ctx);
}

void DrawTitleBlock(const PaintContext& ctx) {
    paintTitleBlock(ctx);
}

void DrawCharacteristicTable(const PaintContext& ctx) {
    paintCharacteristicTable(ctx);
}

}  // namespace tubra::view
