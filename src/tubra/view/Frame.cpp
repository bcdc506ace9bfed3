#include "tubra/view/Frame.h"

#include "tubra/view/FramePainter.h"

namespace tubra::view {

void DrawFrame(const PaintContext& ctx) {
    paintFrame(ctx);
}

}  // namespace tubra::view
