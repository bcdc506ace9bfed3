#pragma once
// The pipeline characteristic table in the top-right corner of the frame: 18 rows of label and
// value, as wide as the longest label and value need (at least 450), in the colour opposite
// to the background. The descriptive rows come first, then material and pipe size, then
// the counts.

#include <array>

#include "platform/Canvas.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/view/PaintContext.h"

namespace tubra::view {

// The table entry shown in each row, top to bottom.
inline constexpr std::array<int, 18> kTableDisplayOrder = {0,  1,  2, 3,  4,  5,  6,  7,  8,
                                                           16, 17, 9, 10, 11, 12, 13, 14, 15};

// The colour of the table's lines and texts on a background: each component the complement
// of the background's, with red and blue exchanged.
platform::Colour tableColour(platform::Colour background);

void paintCharacteristicTable(const PaintContext& ctx);

}  // namespace tubra::view
