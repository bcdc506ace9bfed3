// Any bytes as a piping component file: the reader refuses it with a reason or reads it, and
// what it reads is laid out as a drawing whose points are finite numbers, whose pipes state
// their lengths as positive plain decimals, and which the program rebuilds in real space.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tubra/exchange/PcfFile.h"
#include "tubra/layout/PcfImport.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/spatial/RealModel.h"

using namespace tubra;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

bool finite(const model::Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // Fewer components than a user may give: each run stays short.
    const platform::Result<exchange::PcfFile> read =
        exchange::readPcf(bytes, {.maxBytes = 1 << 20, .maxRecords = 400});
    if (read.failed()) return 0;  // refused, with its reason
    check(read.value().records.size() <= 400);
    for (const exchange::PcfRecord& r : read.value().records)
        for (const exchange::PcfPoint& p : r.endPoints)
            check(std::fabs(p.x) <= exchange::kPcfCoordinateLimit &&
                  std::fabs(p.y) <= exchange::kPcfCoordinateLimit &&
                  std::fabs(p.z) <= exchange::kPcfCoordinateLimit);
    model::Drawing drawing;
    model::DrawingSettings settings;
    if (layout::importPcf(read.value(), {}, drawing, settings).failed()) return 0;
    for (const model::PipeObject& o : std::as_const(drawing.objects)) {
        check(finite(o.Port1) && finite(o.Port2) && finite(o.Port3) && finite(o.Port4));
        if (!o.is(model::ObjectKind::Pipe)) continue;
        char* end = nullptr;
        const std::string text(o.DistTxt.view());
        const double length = std::strtod(text.c_str(), &end);
        check(end && *end == '\0' && length > 0.0 && std::isfinite(length));
    }
    const spatial::RealModel m = spatial::buildRealModel(drawing);
    for (const spatial::RealObject& r : m.objects)
        if (r.placed) check(std::isfinite(r.start.x) && std::isfinite(r.end.z));
    return 0;
}
