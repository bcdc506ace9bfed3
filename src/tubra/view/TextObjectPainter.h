#pragma once
// Free text objects (MainType 36): the text in `DistTxt`, its face in `CaiLiao`, its height in
// `Port3.y` (following the zoom when `BiHou` is 1), italic in `Number`, underline in `SubType`
// and its angle in `dimAngle`, written from `Port1`.

#include "platform/Canvas.h"
#include "tubra/model/PipeObject.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// The font a text object is written in at zoom `zoom`.
platform::Font textObjectFont(const model::PipeObject& object, double zoom);

// Writes the text of a text object in `TextColor` with its top-left at `Port1` × zoom.
void paintTextObject(const model::PipeObject& object, const PaintContext& ctx);

}  // namespace tubra::view
