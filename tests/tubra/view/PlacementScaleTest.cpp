// Label placement costs about the same on a drawing whose objects crowd one corner as on one
// whose objects spread over the sheet: every place a label tries looks at a bounded number of
// obstacles, however many crowd it. Both drawings are placed in this process, in turns, and
// the least processor time of each is compared, which the machine's other work hardly moves.

#include <ctime>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <memory>

#include <gtest/gtest.h>

#include "support/GeneratedDrawing.h"
#include "tubra/model/Document.h"
#include "tubra/view/LabelPlacement.h"
#include "tubra/view/ViewState.h"

using namespace tubra;

namespace {

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// Processor time of placing every label of a fresh drawing of `objects` objects whose walk
// keeps to `area` of the sheet.
double placementSeconds(int objects, double area, std::size_t* placed = nullptr) {
    model::AppContext app;
    model::Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = objects, .seed = 3, .area = area});
    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    const double start = threadSeconds();
    view::placeLabels(doc.drawing.objects, doc.settings(), view);
    const double seconds = threadSeconds() - start;
    if (placed) {
        *placed = 0;
        for (const model::PipeObject& o : doc.drawing.objects)
            if (o.is(model::ObjectKind::Weld) && o.dimYX1_st.x != 0.0) ++*placed;
    }
    return seconds;
}

}  // namespace

TEST(PlacementScale, ACrowdedDrawingPlacesItsLabelsWithinTenTimesASpreadOne) {
    constexpr int kObjects = 6000;
    double crowded = 1e300, spread = 1e300;
    std::size_t crowdedWelds = 0, spreadWelds = 0;
    for (int round = 0; round < 3; ++round) {
        spread = std::min(spread, placementSeconds(kObjects, 1.0, &spreadWelds));
        crowded = std::min(crowded, placementSeconds(kObjects, 0.05, &crowdedWelds));
    }
    // Both drawings had every weld number placed.
    EXPECT_GT(spreadWelds, 1000u);
    EXPECT_EQ(crowdedWelds, spreadWelds);
    std::cout << "crowded " << crowded * 1000 << " ms, spread out " << spread * 1000 << " ms: "
              << crowded / spread << " times\n";
    EXPECT_LT(crowded, 10.0 * spread) << "crowded " << crowded << " s, spread out " << spread << " s";
}

TEST(PlacementScale, TheLabelsOfALargeDrawingWithManyWeldsComeOutAsBefore) {
    // 5,000 objects, more than a thousand weld numbers side by side: shortcuts of the search
    // (what one label learned of the welds about it, kept for its next place; the nearest other
    // weld known without a walk) must leave every label where the whole search puts it. The
    // places are fingerprinted as the saved file holds them; the fingerprint is that of the
    // search that walked every question through.
    model::AppContext app;
    model::Document doc(app);
    tubra::testing::generateDrawing(doc.drawing, {.objects = 5000, .seed = 7});
    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    view::placeLabels(doc.drawing.objects, doc.settings(), view);
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a over the places' bits
    std::size_t welds = 0;
    for (const model::PipeObject& o : doc.drawing.objects) {
        if (o.is(model::ObjectKind::Weld)) ++welds;
        for (const double v : {o.dimTxt_st.x, o.dimTxt_st.y}) {
            std::uint64_t bits = 0;
            std::memcpy(&bits, &v, sizeof bits);
            for (int k = 0; k < 8; ++k) {
                h ^= (bits >> (8 * k)) & 0xffu;
                h *= 1099511628211ull;
            }
        }
    }
    EXPECT_GT(welds, 1000u);
    EXPECT_EQ(h, 0xb0a1ad5ad12d8f02ull) << std::hex << h;
}
