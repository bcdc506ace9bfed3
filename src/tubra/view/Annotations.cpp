#include "tubra/view/Annotations.h"

namespace tubra::view {

void DrawAnnotation(model::PipeObject&, const PaintContext&, bool) {
    // Dimensions and labels are not drawn yet.
}

void DrawTextObject(const model::PipeObject&, const PaintContext&) {
    // Text objects are not drawn yet.
}

}  // namespace tubra::view
