#pragma once
// The symbol library: valves, fittings, instruments, supports and site marks (MainType 29, 30,
// 31 and 37), drawn as line symbols along the pipe they sit on.

#include "tubra/model/PipeObject.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// Draws the symbol of `object` when `draw` is set (in the selection colour under XOR when
// `selected`) and returns its exit point in stored coordinates, where the pipe continues.
model::Vec3 DrawSymbol(const model::PipeObject& object, const PaintContext& ctx, bool draw,
                       bool selected);

}  // namespace tubra::view
