#include "tubra/report/data/InspectionReport.h"

#include <algorithm>
#include <type_traits>

#include "tubra/report/data/ReportSections.h"

namespace tubra::report {

namespace {

bool allZero(std::span<const std::int32_t> values) {
    return std::all_of(values.begin(), values.end(), [](std::int32_t v) { return v == 0; });
}

// Calls `f` with the member pointer of the fixed part of section `id`; false for an id
// without one.
template <typename F>
bool withSectionMember(int id, F&& f) {
    using R = InspectionReport;
    switch (id) {
        case kFaceSection: f(&R::Face_ReportData); return true;
        case kMuluSection: f(&R::Mulu_ReportData); return true;
        case kJieLunSection: f(&R::JieLun_ReportData); return true;
        case kHuiZongSection: f(&R::HuiZong_ReportData); return true;
        case kShengChaSection: f(&R::ShengCha_ReportData); return true;
        case kHongGuanSection: f(&R::HongGuan_ReportData); return true;
        case kCeHouSection: f(&R::CeHou_ReportData); return true;
        case kCiFengSection: f(&R::CiFeng_ReportData); return true;
        case kShenTouSection: f(&R::ShenTou_ReportData); return true;
        case kSheXianSection: f(&R::SheXian_ReportData); return true;
        case kChaoShenSection: f(&R::ChaoShen_ReportData); return true;
        case kFengXiSection: f(&R::FengXi_ReportData); return true;
        case kYingDuSection: f(&R::YingDu_ReportData); return true;
        case kJinXiangSection: f(&R::JinXiang_ReportData); return true;
        case kNaiYaSection: f(&R::NaiYa_ReportData); return true;
        case kQiMiSection: f(&R::QiMi_ReportData); return true;
        case kFuShuSection: f(&R::FuShu_ReportData); return true;
        case kJianXiuSection: f(&R::JianXiu_ReportData); return true;
        case kPrintSetSection: f(&R::PrintSet_ReportData); return true;
        case kFaceOnlineSection: f(&R::Face_IReportData); return true;
        case kDengJiSection: f(&R::DengJi_IReportData); return true;
        case kCeHouOnlineSection: f(&R::CeHou_IReportData); return true;
        case kJianYanSection: f(&R::JianYan_IReportData); return true;
        case kPrintSetOnlineSection: f(&R::PrintSet_IReportData); return true;
        default: return false;
    }
}

template <typename Member>
void clearMember(InspectionReport& r, Member m) {
    using T = std::remove_reference_t<decltype(r.*m)>;
    r.*m = T{};
}

}  // namespace

std::string_view reportSectionName(int id) {
    const model::FileSection* s = model::findFileSection(id);
    return s && s->report ? s->name : std::string_view();
}

// ---------------------------------------------------------------------------------------------
// Emptiness: a section is written when it is not empty.

bool PrintSetData::empty() const { return allZero(flags) && start == 0; }
bool MuluData::empty() const { return allZero(flags) && allZero(pages); }
bool HuiZongData::empty() const { return allTextsEmpty(texts) && allZero(grades); }
bool HongGuanData::empty() const { return allTextsEmpty(texts) && allZero(states); }
bool FaceOnlineData::empty() const { return allTextsEmpty(texts) && allZero(dates); }
bool JianYanData::empty() const {
    return allTextsEmpty(texts) && allTextsEmpty(notes) && allZero(states);
}


// ---------------------------------------------------------------------------------------------
// Clear and copy

void InspectionReport::ClearSection(int id) {
    if (id == kAllFullSections) {
        for (int i = kFaceSection; i <= kJianXiuSection; ++i)
            withSectionMember(i, [&](auto m) { clearMember(*this, m); });
        return;
    }
    if (id >= kFaceOnlineSection && id <= kJianYanSection) {
        ClearOnlineSection(id);
        return;
    }
    withSectionMember(id, [&](auto m) { clearMember(*this, m); });
}

void InspectionReport::ClearOnlineSection(int id) {
    if (id == kAllOnlineSections) {
        for (int i = kFaceOnlineSection; i <= kJianYanSection; ++i) ClearOnlineSection(i);
        return;
    }
    if (id >= kFaceOnlineSection && id <= kJianYanSection)
        withSectionMember(id, [&](auto m) { clearMember(*this, m); });
}

void InspectionReport::CopySection(const InspectionReport& from, InspectionReport& to, int id) {
    if (&from == &to) return;
    if (id == kAllFullSections) {
        for (const model::FileSection& s : model::kFileSections)
            if (s.copyable) withSectionMember(s.id, [&](auto m) { to.*m = from.*m; });
        return;
    }
    withSectionMember(id, [&](auto m) { to.*m = from.*m; });
}

void InspectionReport::removeAllItems() {
    thicknessPoints.removeAll();
    magneticDefects.removeAll();
    penetrantDefects.removeAll();
    radiographDefects.removeAll();
    ultrasonicDefects.removeAll();
    hardnessPoints.removeAll();
    metallographImages.removeAll();
}

// ---------------------------------------------------------------------------------------------
// ReportStore

void InspectionReport::readSection(std::string_view name, model::LineReader& in) {
    for (const model::FileSection* s : model::kReportSectionsInWriteOrder) {
        if (s->name == name) {
            ReadReportSection(in, s->id);
            return;
        }
    }
    skipSectionBody(in);
}

void InspectionReport::writeSections(std::string& out) const {
    WriteFullReportSections(out);
    WriteOnlineReportSections(out);
}

void InspectionReport::setNewDocumentDefaults() {
    PrintSet_ReportData.flags.fill(-1);
    PrintSet_ReportData.start = 1;
    PrintSet_IReportData.start = 1;
}

}  // namespace tubra::report
