#include "tubra/view/ReportPages.h"

namespace tubra::view {

bool IsFullInspectionPage(int pageIndex) {
    return (pageIndex >= 0 && pageIndex <= 17) || pageIndex == 22;
}

void DrawFullInspectionPage(model::Document&, const PaintContext&, int) {
    // Report pages are not drawn yet.
}

void DrawOnlineInspectionPage(model::Document&, const PaintContext&, int) {
    // Report pages are not drawn yet.
}

}  // namespace tubra::view
