#include "tubra/view/Symbols.h"

#include "tubra/view/SymbolLibrary.h"

namespace tubra::view {

model::Vec3 DrawSymbol(const model::PipeObject& object, const PaintContext& ctx, bool draw,
                       bool selected) {
    const auto exit =
        draw ? paintSymbol(object, ctx, selected) : symbolExitPoint(object, SymbolScale::of(ctx));
    // A symbol without a table ends where it starts.
    return exit.value_or(object.Port1);
}

}  // namespace tubra::view
