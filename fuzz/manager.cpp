// Any bytes as a drawing file for the manager: its list fields, its pipe length, a value
// changed in its characteristic table and title block, and its full-inspection report copied
// into itself. Nothing may crash, and what the manager writes must read back as meant:
//   - every list cell holds at most 59 bytes and no NUL;
//   - after a value change the drawing program reads the new value;
//   - after a report copy the drawing program reads exactly the template's full-inspection
//     report.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "manager/core/DrawingFiles.h"
#include "manager/core/Exports.h"
#include "manager/core/Forms.h"
#include "manager/core/ListFields.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/report/data/InspectionReport.h"

using namespace manager;

namespace {

#define check(ok) checkAt(ok, __LINE__)
void checkAt(bool ok, int line) {
    if (ok) return;
    std::fprintf(stderr, "manager fuzz: check at line %d failed\n", line);
    std::abort();
}

struct Loaded {
    tubra::model::Drawing drawing;
    tubra::model::DrawingSettings settings;
    tubra::report::InspectionReport report;
    explicit Loaded(std::string_view data) {
        drawing.report = &report;
        tubra::model::readDrawing(data, drawing, settings);
    }
    std::string fullSections() const {
        std::string out;
        report.WriteFullReportSections(out);
        return out;
    }
};

void checkValueChange(std::string_view data, SectionKind kind, int row) {
    std::vector<std::string> values = readSectionValues(data, kind);
    const std::string value = sectionValue(kind, "N}\xB9\xDC\r\n");
    values[static_cast<std::size_t>(row)] = value;
    const std::string out = rewriteSection(data, kind, values);
    check(readSectionValues(out, kind)[static_cast<std::size_t>(row)] == value);
    const Loaded back(out);
    const auto& read = kind == SectionKind::Table ? back.drawing.table.values[static_cast<std::size_t>(row)]
                                                  : back.drawing.title.values[static_cast<std::size_t>(row)];
    check(read.view() == value);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view data(reinterpret_cast<const char*>(bytes), size);

    ListCells cells;
    readListFields(data, cells);
    ListRow row;
    row.assign(cells);
    for (int c = 0; c < kReportColumns; ++c) {
        const std::string_view cell = row.cell(c);
        check(cell.size() <= ListRow::kCellBytes && cell.find('\0') == std::string_view::npos);
        splitStartEnd(cell);
        splitSize(cell);
        check(censusField(cell).size() <= 2 * 49 + 2);
        for (int n = 1; n <= 3; ++n) check(cell.substr(0, MergeRowsForm::proposeNumber(cell, n).size()) == MergeRowsForm::proposeNumber(cell, n));
    }

    drawnPipeLength(data);

    checkValueChange(data, SectionKind::Table, 9);
    checkValueChange(data, SectionKind::Title, 6);

    const Loaded templ(data);
    const std::string copied = copyReportInto(data, templ.report, KeptFields{});
    check(Loaded(copied).fullSections() == templ.fullSections());
    return 0;
}
