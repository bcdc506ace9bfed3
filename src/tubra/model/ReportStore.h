#pragma once
// The report data a document carries beside its drawing, seen from the drawing file: the
// drawing reader hands each report section it meets to the store, and the drawing writer asks
// the store for its sections after the drawing sections. The report library provides the real
// store; until a program installs it, sections are kept verbatim so no report data is lost.

#include <array>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/model/FileSections.h"
#include "tubra/model/LineReader.h"

namespace tubra::model {

// The report section names in the order they are written.
inline constexpr auto kReportSectionWriteOrder = [] {
    std::array<std::string_view, kReportSectionCount> names{};
    for (std::size_t i = 0; i < names.size(); ++i) names[i] = kReportSectionsInWriteOrder[i]->name;
    return names;
}();

// Report pages as the view and the report library both see them: A4 portrait pages of
// 2100 x 2900 logical units, stacked 2900 apart. Page index -1 is no page and 0 the full set's
// cover; the report library names the other indexes.
inline constexpr int kReportPageWidth = 2100;
inline constexpr int kReportPageHeight = 2900;
inline constexpr int kNoReportPage = -1;
inline constexpr int kReportCoverPage = 0;

class ReportStore {
public:
    virtual ~ReportStore() = default;

    // Reads the report section `name` (see kFileSections) from the line after its
    // header up to and including the line that holds '}', or to the end of the data.
    virtual void readSection(std::string_view name, LineReader& in) = 0;

    // Appends every section that holds data, header to closing line and empty line, in order.
    virtual void writeSections(std::string& out) const = 0;

    // Gives the initial values of a new document's report.
    virtual void setNewDocumentDefaults() = 0;
    // The report's pages are not the store's business: the view asks the painter the report
    // library installs (view::ReportPagePainter), so the data links without them.
};

// Keeps each report section as the lines that were read and writes them back unchanged.
class VerbatimReportStore : public ReportStore {
public:
    void readSection(std::string_view name, LineReader& in) override;
    void writeSections(std::string& out) const override;
    void setNewDocumentDefaults() override {}

    // The body lines kept for a section, or null.
    const std::vector<std::string>* section(std::string_view name) const;

private:
    std::map<std::string, std::vector<std::string>, std::less<>> sections_;
};

}  // namespace tubra::model
