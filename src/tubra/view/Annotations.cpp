#include "tubra/view/Annotations.h"

#include "tubra/view/AnnotationPainter.h"
#include "tubra/view/TextObjectPainter.h"

namespace tubra::view {

// The canvas state is restored whether or not the caller drew under XOR.
void DrawAnnotation(model::PipeObject& object, const PaintContext& ctx, bool) {
    paintAnnotation(object, ctx);
}

void DrawTextObject(const model::PipeObject& object, const PaintContext& ctx) {
    paintTextObject(object, ctx);
}

}  // namespace tubra::view
