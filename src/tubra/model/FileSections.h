#pragma once
// The sections of a drawing file (*.hcd), in one table: what each is called, in which order a
// reader tests a line for their names and a writer writes them, which the manager's report copy
// takes over, and how many values of how many bytes the fixed sections hold. The drawing reader
// and writer, the report library and the manager all derive what they need from it.

#include <array>
#include <cstddef>
#include <string_view>

#include "tubra/model/KeyMatcher.h"

namespace tubra::model {

// Section ids. The report sections' ids are the report library's ids, used by its clear, copy
// and import operations and in import selections (which a user's import dialog builds); the
// gaps are ids of report pages without a section.
enum SectionId : int {
    kFaceSection = 0,  // also "every full-inspection section but the page settings"
    kMuluSection = 1,
    kJieLunSection = 2,
    kHuiZongSection = 3,
    kShengChaSection = 4,
    kHongGuanSection = 5,
    kCeHouSection = 6,
    kCiFengSection = 7,
    kShenTouSection = 8,
    kSheXianSection = 9,
    kChaoShenSection = 10,
    kFengXiSection = 11,
    kYingDuSection = 12,
    kJinXiangSection = 13,
    kNaiYaSection = 14,
    kQiMiSection = 15,
    kFuShuSection = 16,
    kJianXiuSection = 17,
    kPrintSetSection = 21,
    kFaceOnlineSection = 23,
    kDengJiSection = 24,
    kCeHouOnlineSection = 25,
    kJianYanSection = 26,
    // The online page settings have no id of their own in the page set; this one serves
    // ReadReportSection, ClearSection and CopySection. Import selections never hold it.
    kPrintSetOnlineSection = 27,
    // The drawing's own sections.
    kSettingsSection = 100,
    kObjectSection = 101,
    kTableSection = 102,
    kTitleSection = 103,
};

struct FileSection {
    SectionId id;
    // A line that holds the name (outside any section) starts the section, which runs to the
    // first line holding '}'.
    std::string_view name;
    // The line a writer starts the section with.
    std::string_view header;
    // Where the name comes in the order a line is tested: the first name found wins.
    int readOrder;
    // Where the name comes in the order a report import tests a line; -1 when an import never
    // reads the section.
    int importOrder;
    // Taken over from a template by the manager's report copy: the full-inspection sections
    // but the page settings.
    bool copyable;
    bool report;
    // The fixed sections (the characteristic table and the title block): how many values they
    // hold, how many bytes of a value the manager keeps when it reads one, and how many a new
    // value the manager writes may have. Zero for the other sections.
    int rows;
    std::size_t readBytes;
    std::size_t newValueBytes;
};

// Every section, in the order a file holds them as written: the drawing's sections, the full
// inspection, then the online inspection.
inline constexpr std::array<FileSection, 28> kFileSections = {{
    // id, name, header, readOrder, importOrder, copyable, report, rows, readBytes, newValueBytes
    {kSettingsSection, "2dDrawing", "2dDrawing {", 0, -1, false, false, 0, 0, 0},
    {kObjectSection, "Object", "Object{", 1, -1, false, false, 0, 0, 0},
    // The drawing program keeps 40 bytes of a title value; a longer one would be cut there.
    {kTableSection, "TeXingBiao", "TeXingBiao{", 2, -1, false, false, 18, 40, 39},
    {kTitleSection, "Title", "Title{", 3, -1, false, false, 7, 59, 40},
    {kPrintSetSection, "PrintSet_ReportData", "PrintSet_ReportData{", 4, 22, false, true, 0, 0, 0},
    {kFaceSection, "Face_ReportData", "Face_ReportData{", 5, 0, true, true, 0, 0, 0},
    {kMuluSection, "Mulu_ReportData", "Mulu_ReportData{", 6, 1, true, true, 0, 0, 0},
    {kJieLunSection, "JieLun_ReportData", "JieLun_ReportData{", 7, 2, true, true, 0, 0, 0},
    {kHuiZongSection, "HuiZong_ReportData", "HuiZong_ReportData{", 8, 3, true, true, 0, 0, 0},
    {kShengChaSection, "ShengCha_ReportData", "ShengCha_ReportData{", 9, 4, true, true, 0, 0, 0},
    {kHongGuanSection, "HongGuan_ReportData", "HongGuan_ReportData{", 10, 5, true, true, 0, 0, 0},
    {kCeHouSection, "CeHou_ReportData", "CeHou_ReportData{", 11, 6, true, true, 0, 0, 0},
    {kSheXianSection, "SheXian_ReportData", "SheXian_ReportData{", 12, 7, true, true, 0, 0, 0},
    {kChaoShenSection, "ChaoShen_ReportData", "ChaoShen_ReportData{", 13, 8, true, true, 0, 0, 0},
    {kFengXiSection, "FengXi_ReportData", "FengXi_ReportData{", 14, 9, true, true, 0, 0, 0},
    // Written the other way round from how a line is tested for them.
    {kCiFengSection, "CiFeng_ReportData", "CiFeng_ReportData{", 16, 11, true, true, 0, 0, 0},
    {kShenTouSection, "ShenTou_ReportData", "ShenTou_ReportData{", 15, 10, true, true, 0, 0, 0},
    {kYingDuSection, "YingDu_ReportData", "YingDu_ReportData{", 17, 12, true, true, 0, 0, 0},
    {kJinXiangSection, "JinXiang_ReportData", "JinXiang_ReportData{", 18, 13, true, true, 0, 0, 0},
    {kNaiYaSection, "NaiYa_ReportData", "NaiYa_ReportData{", 19, 14, true, true, 0, 0, 0},
    {kQiMiSection, "QiMi_ReportData", "QiMi_ReportData{", 20, 15, true, true, 0, 0, 0},
    {kFuShuSection, "FuShu_ReportData", "FuShu_ReportData{", 21, 16, true, true, 0, 0, 0},
    {kJianXiuSection, "JianXiu_ReportData", "JianXiu_ReportData{", 22, 17, true, true, 0, 0, 0},
    {kPrintSetOnlineSection, "PrintSet_IReportData", "PrintSet_IReportData{", 23, -1, false, true, 0, 0, 0},
    {kFaceOnlineSection, "Face_IReportData", "Face_IReportData{", 24, 18, false, true, 0, 0, 0},
    {kDengJiSection, "DengJi_IReportData", "DengJi_IReportData{", 25, 19, false, true, 0, 0, 0},
    {kCeHouOnlineSection, "CeHou_IReportData", "CeHou_IReportData{", 26, 20, false, true, 0, 0, 0},
    {kJianYanSection, "JianYan_IReportData", "JianYan_IReportData{", 27, 21, false, true, 0, 0, 0},
}};

inline constexpr std::size_t kReportSectionCount = 24;

// The section of `id`, or null for an id without a section.
constexpr const FileSection* findFileSection(int id) {
    for (const FileSection& s : kFileSections)
        if (s.id == id) return &s;
    return nullptr;
}

// The section of an id that has one.
constexpr const FileSection& fileSection(SectionId id) { return *findFileSection(id); }

// The sections ordered by `order` (readOrder or importOrder), those at -1 left out.
template <std::size_t N>
constexpr std::array<const FileSection*, N> fileSectionsBy(int FileSection::*order) {
    std::array<const FileSection*, N> out{};
    for (const FileSection& s : kFileSections)
        if (s.*order >= 0) out[static_cast<std::size_t>(s.*order)] = &s;
    return out;
}

// The sections in the order a line is tested for their names.
inline constexpr auto kFileSectionsInReadOrder = fileSectionsBy<kFileSections.size()>(&FileSection::readOrder);
// The report sections in the order a report import tests a line for their names.
inline constexpr auto kReportSectionsInImportOrder = fileSectionsBy<kReportSectionCount - 1>(&FileSection::importOrder);

// The report sections in the order they are written.
constexpr std::array<const FileSection*, kReportSectionCount> reportSectionsInWriteOrder() {
    std::array<const FileSection*, kReportSectionCount> out{};
    std::size_t n = 0;
    for (const FileSection& s : kFileSections)
        if (s.report) out[n++] = &s;
    return out;
}
inline constexpr auto kReportSectionsInWriteOrder = reportSectionsInWriteOrder();

// Whether `order` gives each of N places to exactly one section (counted without comparing
// addresses, which a build with the undefined-behaviour sanitizer cannot do at compile time).
template <std::size_t N>
constexpr bool everyPlaceTaken(int FileSection::*order) {
    std::array<int, N> taken{};
    for (const FileSection& s : kFileSections) {
        const int at = s.*order;
        if (at < 0) continue;
        if (static_cast<std::size_t>(at) >= N || taken[static_cast<std::size_t>(at)]++) return false;
    }
    for (int t : taken)
        if (t != 1) return false;
    return true;
}
constexpr std::size_t reportSectionCount() {
    std::size_t n = 0;
    for (const FileSection& s : kFileSections) n += s.report ? 1 : 0;
    return n;
}
static_assert(everyPlaceTaken<kFileSections.size()>(&FileSection::readOrder),
              "every section has its own place in read order");
static_assert(everyPlaceTaken<kReportSectionCount - 1>(&FileSection::importOrder),
              "every imported section has its own place");
static_assert(reportSectionCount() == kReportSectionCount, "there are kReportSectionCount report sections");

// A matcher of the names in read order: key k is kFileSectionsInReadOrder[k].
const KeyMatcher& fileSectionKeys();

}  // namespace tubra::model
