// Any bytes as drawing texts and as a drawing file: the readers of lengths, bores and elevation
// marks give none or a number in range; the pipeline rebuilt in real space has finite
// coordinates for everything it places, and no point of its PCF is "nan" or "inf".
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tubra/exchange/Pcf.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/LengthText.h"
#include "tubra/model/ReportStore.h"
#include "tubra/spatial/RealModel.h"
#include "tubra/spatial/Texts.h"

using namespace tubra;

namespace {

void check(bool ok) {
    if (!ok) std::abort();
}

bool finite(const spatial::Point3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view head = bytes.substr(0, 256);
    if (const auto v = model::readPipeLength(head).value())
        check(std::isfinite(*v) && *v > 0 && *v <= model::kLongestPipeLength);
    if (const auto v = spatial::readBore(head)) check(std::isfinite(*v) && *v > 0 && *v <= 1e5);
    if (const auto v = spatial::readSecondBore(head))
        check(std::isfinite(*v) && *v > 0 && *v <= 1e5);
    if (const auto v = spatial::readElevationMark(head))
        check(std::isfinite(*v) && std::fabs(*v) <= 1e9);

    model::Drawing drawing;
    model::DrawingSettings settings;
    model::VerbatimReportStore report;
    drawing.report = &report;
    model::readDrawing(bytes, drawing, settings);
    const spatial::RealModel m = spatial::buildRealModel(drawing);
    for (const spatial::RealObject& r : m.objects) {
        if (!r.placed) continue;
        check(finite(r.start) && finite(r.end) && std::isfinite(r.length));
        if (r.centre) check(finite(*r.centre));
        if (r.branch) check(finite(*r.branch));
    }
    for (const spatial::Problem& p : m.problems) check(!p.mm || std::isfinite(*p.mm));
    // Every point line holds numbers (texts may hold anything).
    const std::string pcf = exchange::pcfText(drawing, m);
    for (std::size_t at = 0; at < pcf.size();) {
        std::size_t end = pcf.find('\n', at);
        if (end == std::string::npos) end = pcf.size();
        const std::string_view line(pcf.data() + at, end - at);
        if (line.find("POINT ") != std::string_view::npos ||
            line.find("CO-ORDS ") != std::string_view::npos)
            check(line.find("nan") == std::string_view::npos &&
                  line.find("inf") == std::string_view::npos);
        at = end + 1;
    }
    return 0;
}
