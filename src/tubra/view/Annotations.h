#pragma once
// Dimensions of pipes, elevation marks of elbows, labels of welds, valves, fittings and
// supports, and the free text objects.

#include "tubra/model/PipeObject.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// Lays out (while `dimYX1_st.x` is 0) and draws the dimension or label of one object of
// MainType 2, 3, 8, 12, 29, 30, 31 or 37; other kinds are ignored. The layout is stored in the
// object. With `xorMode` the raster operation is restored afterwards.
void DrawAnnotation(model::PipeObject& object, const PaintContext& ctx, bool xorMode);

// Draws a text object (MainType 36). Never called for the selection overlay.
void DrawTextObject(const model::PipeObject& object, const PaintContext& ctx);

}  // namespace tubra::view
