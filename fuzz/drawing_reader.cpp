// Any bytes as a drawing file: reading must not crash, and after one load and save the file
// must be stable (loading and saving it again gives the same bytes).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tubra/model/DrawingFile.h"
#include "tubra/model/ReportStore.h"

using namespace tubra::model;

namespace {

std::string loadAndSave(std::string_view data) {
    Drawing drawing;
    DrawingSettings settings;
    VerbatimReportStore report;
    drawing.report = &report;
    readDrawing(data, drawing, settings);
    drawing.Total() = static_cast<std::int32_t>(drawing.objects.size());
    std::string out;
    writeDrawing(drawing, settings, out);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string once = loadAndSave(std::string_view(reinterpret_cast<const char*>(data), size));
    const std::string twice = loadAndSave(once);
    if (loadAndSave(twice) != twice) std::abort();
    return 0;
}
