#pragma once
// The inspection report data a document carries beside its drawing: the full-inspection set
// (cover, contents, forms (1) to (15), repair record, page settings) and the online-inspection
// set (cover, forms (1) to (3), page settings), with their sections of the drawing file.
//
// The record stays a record: one member per section, named by its section name, holding
// `texts` and the number arrays by role. Texts are report texts (ReportText.h), whose setters
// keep out what the file cannot hold; numbers are plain.

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/model/FileSections.h"
#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"
#include "tubra/report/data/ReportText.h"

namespace tubra::report {

// Section ids, used by the clear, copy and import operations and in import selections: those of
// the file's section table.
using ReportSectionId = model::SectionId;
using enum model::SectionId;
inline constexpr int kAllFullSections = 0;     // ClearSection / CopySection
inline constexpr int kAllOnlineSections = 0;   // ClearOnlineSection
inline constexpr int kSelectionEnd = -1;       // ends an import selection

// The section name of an id ("Face_ReportData", ...), empty for an unused id.
std::string_view reportSectionName(int id);

// ---------------------------------------------------------------------------------------------
// Fixed parts. empty() tells whether a section holds no data; such a section is not written.

template <typename Texts>
bool allTextsEmpty(const Texts& texts) {
    for (const auto& t : texts)
        if (!t.empty()) return false;
    return true;
}

// Sections that are only a row of texts.
template <std::size_t Count, std::size_t Capacity>
struct TextSection {
    std::array<LineText<Capacity>, Count> texts;
    bool empty() const { return allTextsEmpty(texts); }
};

// A row of texts and one several-line text.
template <std::size_t Count, std::size_t Capacity, std::size_t NoteCapacity>
struct NotedSection {
    std::array<LineText<Capacity>, Count> texts;
    NoteText<NoteCapacity> note;
    bool empty() const { return allTextsEmpty(texts) && note.empty(); }
};

// Display settings of a page set: page flag p is 1 when page p is shown; the start page
// number numbers the shown pages (>= 1), takes the contents' numbers (0) or shows none (< 0).
struct PrintSetData {
    std::array<std::int32_t, 30> flags{};
    std::int32_t start = 0;
    bool empty() const;
};

// Contents: per row a not-inspected flag (0 or 1) and a page number.
struct MuluData {
    std::array<std::int32_t, 16> flags{};
    std::array<std::int32_t, 16> pages{};
    bool empty() const;
};

// Grading summary: 23 items of a situation text and a grade 0..4, then four signature texts.
struct HuiZongData {
    std::array<TokenText<50>, 27> texts;
    std::array<std::int32_t, 23> grades{};
    bool empty() const;
};

// Visual inspection: 27 texts and 92 check states (0 or 1).
struct HongGuanData {
    std::array<LineText<13>, 27> texts;
    std::array<std::int32_t, 92> states{};
    bool empty() const;
};

// Online cover: six texts and 19 date numbers (0 = not given).
struct FaceOnlineData {
    std::array<LineText<50>, 6> texts;
    std::array<std::int32_t, 19> dates{};
    bool empty() const;
};

// Online inspection report: 43 texts, four several-line texts, 13 check states.
struct JianYanData {
    std::array<LineText<21>, 43> texts;
    std::array<NoteText<101>, 4> notes;
    std::array<std::int32_t, 13> states{};
    bool empty() const;
};

using FaceData = TextSection<10, 50>;
using JieLunData = TextSection<15, 100>;
using ShengChaData = TextSection<35, 250>;
using CeHouData = TextSection<14, 40>;
using CiFengData = TextSection<18, 40>;
using ShenTouData = TextSection<17, 40>;
using SheXianData = TextSection<26, 40>;
using ChaoShenData = TextSection<17, 40>;
using FengXiData = NotedSection<38, 15, 256>;
using YingDuData = NotedSection<9, 20, 256>;      // note: the opinion 评定意见
using JinXiangData = NotedSection<13, 20, 450>;   // note: the result 分析结果
using PressureTestData = NotedSection<23, 30, 256>;  // note: the conclusion; texts 16..22 reserved
using FuShuData = TextSection<63, 30>;
using JianXiuData = TextSection<48, 10>;          // 16 rows x (date, length, person)
using DengJiData = NotedSection<37, 40, 256>;     // note: the remark 备注
using CeHouOnlineData = NotedSection<141, 20, 256>;

// ---------------------------------------------------------------------------------------------
// Measurement lists

struct ThicknessPoint {
    TokenText<12> pointId;
    float thickness = 0;  // mm
    friend bool operator==(const ThicknessPoint&, const ThicknessPoint&) = default;
};

struct MagneticDefect {
    TokenText<20> location;
    float length = 0;  // mm
    TokenText<20> remark;
    friend bool operator==(const MagneticDefect&, const MagneticDefect&) = default;
};

struct PenetrantDefect {
    TokenText<20> location;
    float length = 0;  // mm
    friend bool operator==(const PenetrantDefect&, const PenetrantDefect&) = default;
};

struct RadiographDefect {
    TokenText<20> filmNumber;
    TokenText<20> location;
    TokenText<20> nature;
    float length = 0;  // mm
    float height = 0;  // mm
    TokenText<20> grade;
    TokenText<20> remark;
    friend bool operator==(const RadiographDefect&, const RadiographDefect&) = default;
};

struct UltrasonicDefect {
    TokenText<20> location;
    float depth = 0;   // buried depth, mm
    float length = 0;  // mm
    float height = 0;  // mm
    TokenText<20> reflectionZone;
    TokenText<20> grade;
    TokenText<20> remark;
    friend bool operator==(const UltrasonicDefect&, const UltrasonicDefect&) = default;
};

struct HardnessPoint {
    TokenText<20> value;  // HB
    TokenText<20> location;
    friend bool operator==(const HardnessPoint&, const HardnessPoint&) = default;
};

struct MetallographImage {
    TokenText<256> annotation;
    TokenText<256> fileName;
    friend bool operator==(const MetallographImage&, const MetallographImage&) = default;
};

// An ordered list of items owned by the report. `currentSubPage` is the sheet (0-based) shown
// when the list's page is split over several sheets; it is never saved.
template <typename Item>
class ReportList {
public:
    std::size_t count() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const Item& at(std::size_t index) const { return items_.at(index); }
    Item& at(std::size_t index) { return items_.at(index); }
    Item& append(const Item& item) { return items_.emplace_back(item); }
    void removeAt(std::size_t index) {
        if (index < items_.size())
            items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    }
    void removeAll() { items_.clear(); }

    auto begin() const { return items_.begin(); }
    auto end() const { return items_.end(); }

    int currentSubPage = 0;

    friend bool operator==(const ReportList& a, const ReportList& b) {
        return a.items_ == b.items_;
    }

private:
    std::vector<Item> items_;
};

// ---------------------------------------------------------------------------------------------

class InspectionReport : public model::ReportStore {
public:
    // Full-inspection set, in page order.
    FaceData Face_ReportData;
    MuluData Mulu_ReportData;
    JieLunData JieLun_ReportData;
    HuiZongData HuiZong_ReportData;
    ShengChaData ShengCha_ReportData;
    HongGuanData HongGuan_ReportData;
    CeHouData CeHou_ReportData;
    CiFengData CiFeng_ReportData;
    ShenTouData ShenTou_ReportData;
    SheXianData SheXian_ReportData;
    ChaoShenData ChaoShen_ReportData;
    FengXiData FengXi_ReportData;
    YingDuData YingDu_ReportData;
    JinXiangData JinXiang_ReportData;
    PressureTestData NaiYa_ReportData;
    PressureTestData QiMi_ReportData;
    FuShuData FuShu_ReportData;
    JianXiuData JianXiu_ReportData;
    PrintSetData PrintSet_ReportData;

    ReportList<ThicknessPoint> thicknessPoints;      // CeHou_ReportData
    ReportList<MagneticDefect> magneticDefects;      // CiFeng_ReportData
    ReportList<PenetrantDefect> penetrantDefects;    // ShenTou_ReportData
    ReportList<RadiographDefect> radiographDefects;  // SheXian_ReportData
    ReportList<UltrasonicDefect> ultrasonicDefects;  // ChaoShen_ReportData
    ReportList<HardnessPoint> hardnessPoints;        // YingDu_ReportData
    ReportList<MetallographImage> metallographImages;  // JinXiang_ReportData

    // Online-inspection set.
    FaceOnlineData Face_IReportData;
    DengJiData DengJi_IReportData;
    CeHouOnlineData CeHou_IReportData;
    JianYanData JianYan_IReportData;
    PrintSetData PrintSet_IReportData;  // slots 23..26: cover and pages (1) to (3)

    // Empties the fixed part of a section (texts empty, numbers 0; lists stay). Id 0 empties
    // every full-inspection section but the page settings; 1..17 and 21 one section each;
    // 23..26 act as ClearOnlineSection.
    void ClearSection(int id);
    // Empties the online sections: 0 all four, 23..26 one each. Page settings stay.
    void ClearOnlineSection(int id);
    // Copies the fixed part of a section (ids as ClearSection) from one report into another.
    static void CopySection(const InspectionReport& from, InspectionReport& to, int id);
    // Removes every item of the seven lists.
    void removeAllItems();

    // Reads the section `id` from the line after its header to the line holding '}'.
    void ReadReportSection(model::LineReader& in, int id);
    // Reads the report sections whose ids `selection` holds (up to kSelectionEnd) from a whole
    // drawing file; every other line is skipped.
    void ImportReportSections(std::string_view data, std::span<const int> selection);
    void ImportReportSections(std::string_view data, std::initializer_list<int> selection) {
        ImportReportSections(data, std::span<const int>(selection.begin(), selection.size()));
    }
    // Append the sections that hold data, each header to closing line and empty line.
    void WriteFullReportSections(std::string& out) const;
    void WriteOnlineReportSections(std::string& out) const;

    // ReportStore
    void readSection(std::string_view name, model::LineReader& in) override;
    void writeSections(std::string& out) const override;
    void setNewDocumentDefaults() override;
};

}  // namespace tubra::report
