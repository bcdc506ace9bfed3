// Any bytes as a drawing file read with the inspection report as its report store, and as a
// file to import report sections from. Nothing may crash, the JSON dump must succeed, and the
// report sections must be stable: after one load and save, loading and saving gives the same
// bytes. (The first save may still change: a measured value too small to show in its format
// makes its page count as filled, but reads back as 0.)
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/model/DrawingFile.h"
#include "tubra/report/ReportJson.h"
#include "report_round_trip.h"
#include "tubra/report/data/InspectionReport.h"

using namespace tubra;

using reportfuzz::checkStable;
using reportfuzz::sectionsOf;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);

    {
        model::Drawing drawing;
        model::DrawingSettings settings;
        report::InspectionReport r;
        r.setNewDocumentDefaults();
        drawing.report = &r;
        model::readDrawing(data, drawing, settings);
        std::string file;
        model::writeDrawing(drawing, settings, file);
        (void)report::reportToJson(r).dump();
        checkStable(sectionsOf(r));
    }
    {
        // The first bytes choose the selection, unused ids included.
        std::vector<int> selection;
        for (int id = 0; id < 32 && id / 8 < static_cast<int>(size); ++id)
            if (bytes[id / 8] & (1u << (id % 8))) selection.push_back(id);
        selection.push_back(report::kSelectionEnd);
        report::InspectionReport r;
        r.ImportReportSections(data, selection);
        checkStable(sectionsOf(r));
    }
    return 0;
}
