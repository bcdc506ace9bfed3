#include "tubra/view/Symbols.h"

namespace tubra::view {

model::Vec3 DrawSymbol(const model::PipeObject& object, const PaintContext&, bool, bool) {
    // The symbol tables are not drawn yet; a symbol ends where it starts.
    return object.Port1;
}

}  // namespace tubra::view
