#pragma once
// The round trip the report fuzzers check: what a report writes, loaded and saved again, must
// come back the same.

#include <cstdlib>
#include <string>
#include <string_view>

#include "tubra/model/DrawingFile.h"
#include "tubra/report/data/InspectionReport.h"

namespace reportfuzz {

inline std::string sectionsOf(const tubra::report::InspectionReport& r) {
    std::string out;
    r.writeSections(out);
    return out;
}

// The report sections of `data` read as a drawing file, as they are written again.
inline std::string loadAndSave(std::string_view data) {
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::report::InspectionReport r;
    drawing.report = &r;
    tubra::model::readDrawing(data, drawing, settings);
    return sectionsOf(r);
}

// Aborts unless sections once saved read back and save as the same bytes. (The first save may
// still change: a measured value too small to show in its format makes its page count as
// filled, but reads back as 0.)
inline void checkStable(const std::string& sections) {
    const std::string once = loadAndSave(sections);
    if (loadAndSave(once) != once) std::abort();
}

}  // namespace reportfuzz
