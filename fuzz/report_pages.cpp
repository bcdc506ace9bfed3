// Any bytes as a drawing file read with the inspection report, then every report page and both
// stacks drawn on the screen or on paper. Nothing may crash, and no text may leave the page:
// the forms fit every text into its cell however long or strange it is.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/RecordingCanvas.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/report/PageLayout.h"
#include "tubra/report/ReportPagePainter.h"
#include "tubra/report/ReportPaging.h"
#include "tubra/report/ViewPages.h"

using namespace tubra;

namespace {

void checkInsidePages(const platform::RecordingCanvas& c) {
    for (const auto& call : c.callsOf(platform::CallKind::TextOut)) {
        platform::RecordingCanvas probe;
        probe.setFont(call.state.font);
        const int width = static_cast<int>(call.text.size()) * probe.textMetrics().aveCharWidth;
        const int x = call.points[0].x;
        if (x < report::kMarginRect.left || x + width > report::kMarginRect.right) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);
    model::Drawing drawing;
    model::DrawingSettings settings;
    report::InspectionReport r;
    drawing.report = &r;
    model::readDrawing(data, drawing, settings);
    // Sheets beyond the lists come from the first bytes.
    if (size > 0) r.thicknessPoints.currentSubPage = bytes[0] % 4;
    if (size > 1) r.radiographDefects.currentSubPage = bytes[1] % 3 - 1;

    // Screen or paper (their table fonts differ) from the third byte.
    const bool printer = size > 2 && (bytes[2] & 1);
    {
        for (int page = report::kCoverPage; page <= report::kAllOnlinePages; ++page) {
            platform::RecordingCanvas::Options o;
            o.printer = printer;
            platform::RecordingCanvas canvas(o);
            tubra::report::InspectionReportPages().prepare(r, page);
            tubra::report::InspectionReportPages().paint(r, page, drawing.table, canvas);
            checkInsidePages(canvas);
            if (report::CountPrintPages(r, page) < 0) std::abort();
        }
    }
    return 0;
}
