// The report sections of the drawing file: one writer and one reader per section.
//
// Common rules: a section is its header "<name>{", the body lines and "}" followed by an empty
// line; it is written only when it holds data. Texts are written as their bytes, one per line.
// A several-line text takes one line with CR LF coded as "@`". A text in an '@' position is
// written followed by '@', so an empty text still gives a token; such lines are read as
// blank-separated tokens, each without its last character. A line holding '}' ends a section
// wherever it comes, and so does the end of the data.

#include <span>

#include "text/CFormat.h"
#include "tubra/model/KeyMatcher.h"
#include "tubra/report/data/InspectionReport.h"
#include "tubra/report/data/ReportSections.h"

namespace tubra::report {

using text::appendf;

void skipSectionBody(model::LineReader& in) {
    std::string_view line;
    while (in.next(line))
        if (model::closesSection(line)) break;
}

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

void beginSection(std::string& out, int id) {
    out.append(reportSectionName(id));
    out.append("{\n");
}

void endSection(std::string& out) { out.append("}\n\n"); }

template <typename Texts>
void writeTexts(std::string& out, const Texts& texts) {
    for (const auto& t : texts) {
        out.append(t.view());
        out.push_back('\n');
    }
}

template <typename Note>
void writeNote(std::string& out, const Note& note) {
    out.append(encodeNote(note.view()));
    out.push_back('\n');
}

// A line of numbers each preceded by a blank, as built by repeating "%s %d".
void writeNumberRow(std::string& out, std::span<const std::int32_t> values) {
    for (const std::int32_t v : values) appendf(out, " %d", v);
    out.push_back('\n');
}

void writePrintSet(std::string& out, int id, const PrintSetData& p) {
    if (p.empty()) return;
    beginSection(out, id);
    writeNumberRow(out, p.flags);
    appendf(out, "%d\n", p.start);
    endSection(out);
}

template <typename Section>
void writeTextSection(std::string& out, int id, const Section& s) {
    if (s.empty()) return;
    beginSection(out, id);
    writeTexts(out, s.texts);
    endSection(out);
}

template <typename Section>
void writeNotedSection(std::string& out, int id, const Section& s) {
    if (s.empty()) return;
    beginSection(out, id);
    writeTexts(out, s.texts);
    writeNote(out, s.note);
    endSection(out);
}

void writeMulu(std::string& out, const MuluData& m) {
    if (m.empty()) return;
    beginSection(out, kMuluSection);
    for (std::size_t r = 0; r < m.flags.size(); ++r)
        appendf(out, "%d  %d\n", m.flags[r], m.pages[r]);
    endSection(out);
}

void writeHuiZong(std::string& out, const HuiZongData& h) {
    if (h.empty()) return;
    beginSection(out, kHuiZongSection);
    for (std::size_t i = 0; i < h.grades.size(); ++i)
        appendf(out, "%s@ %d\n", h.texts[i].view(), h.grades[i]);
    for (std::size_t i = h.grades.size(); i < h.texts.size(); ++i)
        appendf(out, "%s@\n", h.texts[i].view());
    endSection(out);
}

void writeHongGuan(std::string& out, const HongGuanData& h) {
    if (h.empty()) return;
    beginSection(out, kHongGuanSection);
    writeTexts(out, h.texts);
    // Each row of ten ends with an LF and a blank, so rows 2 to 9 and the last line start
    // with a blank.
    for (std::size_t k = 0; k < 90; k += 10) {
        const auto* s = &h.states[k];
        appendf(out, "%-d %-d %-d %-d %-d %-d %-d %-d %-d %-d\n ", s[0], s[1], s[2], s[3], s[4],
                s[5], s[6], s[7], s[8], s[9]);
    }
    appendf(out, "%d %d\n", h.states[90], h.states[91]);
    endSection(out);
}

// The thickness, magnetic and penetrant pages count items that hold something; the other list
// pages count any item.
bool anyPointData(const ReportList<ThicknessPoint>& l) {
    for (const auto& p : l)
        if (!p.pointId.empty() || p.thickness != 0) return true;
    return false;
}
bool anyDefectData(const ReportList<MagneticDefect>& l) {
    for (const auto& d : l)
        if (!d.location.empty() || !d.remark.empty() || d.length != 0) return true;
    return false;
}
bool anyDefectData(const ReportList<PenetrantDefect>& l) {
    for (const auto& d : l)
        if (!d.location.empty() || d.length != 0) return true;
    return false;
}

void writeFullSections(const InspectionReport& r, std::string& out) {
    writePrintSet(out, kPrintSetSection, r.PrintSet_ReportData);
    writeTextSection(out, kFaceSection, r.Face_ReportData);
    writeMulu(out, r.Mulu_ReportData);
    writeTextSection(out, kJieLunSection, r.JieLun_ReportData);
    writeHuiZong(out, r.HuiZong_ReportData);
    writeTextSection(out, kShengChaSection, r.ShengCha_ReportData);
    writeHongGuan(out, r.HongGuan_ReportData);

    if (!r.CeHou_ReportData.empty() || anyPointData(r.thicknessPoints)) {
        beginSection(out, kCeHouSection);
        writeTexts(out, r.CeHou_ReportData.texts);
        for (const auto& p : r.thicknessPoints)
            appendf(out, "%s@  %6.2f\n", p.pointId.view(), p.thickness);
        endSection(out);
    }
    if (!r.SheXian_ReportData.empty() || !r.radiographDefects.empty()) {
        beginSection(out, kSheXianSection);
        writeTexts(out, r.SheXian_ReportData.texts);
        for (const auto& d : r.radiographDefects)
            appendf(out, "%s@  %s@  %s@  %7.3f  %7.3f  %s@  %s@\n", d.filmNumber.view(),
                    d.location.view(), d.nature.view(), d.length, d.height, d.grade.view(),
                    d.remark.view());
        endSection(out);
    }
    if (!r.ChaoShen_ReportData.empty() || !r.ultrasonicDefects.empty()) {
        beginSection(out, kChaoShenSection);
        writeTexts(out, r.ChaoShen_ReportData.texts);
        for (const auto& d : r.ultrasonicDefects)
            appendf(out, "%s@  %-7.2f  %-7.2f  %-7.2f  %s@  %s@  %s@\n", d.location.view(), d.depth,
                    d.length, d.height, d.reflectionZone.view(), d.grade.view(), d.remark.view());
        endSection(out);
    }
    writeNotedSection(out, kFengXiSection, r.FengXi_ReportData);
    if (!r.CiFeng_ReportData.empty() || anyDefectData(r.magneticDefects)) {
        beginSection(out, kCiFengSection);
        writeTexts(out, r.CiFeng_ReportData.texts);
        for (const auto& d : r.magneticDefects)
            appendf(out, "%s@  %f  %s@\n", d.location.view(), d.length, d.remark.view());
        endSection(out);
    }
    if (!r.ShenTou_ReportData.empty() || anyDefectData(r.penetrantDefects)) {
        beginSection(out, kShenTouSection);
        writeTexts(out, r.ShenTou_ReportData.texts);
        for (const auto& d : r.penetrantDefects)
            appendf(out, "%s@  %f\n", d.location.view(), d.length);
        endSection(out);
    }
    if (!r.YingDu_ReportData.empty() || !r.hardnessPoints.empty()) {
        beginSection(out, kYingDuSection);
        writeTexts(out, r.YingDu_ReportData.texts);
        writeNote(out, r.YingDu_ReportData.note);
        for (const auto& p : r.hardnessPoints)
            appendf(out, "%s@  %s@\n", p.value.view(), p.location.view());
        endSection(out);
    }
    if (!r.JinXiang_ReportData.empty() || !r.metallographImages.empty()) {
        beginSection(out, kJinXiangSection);
        writeTexts(out, r.JinXiang_ReportData.texts);
        writeNote(out, r.JinXiang_ReportData.note);
        for (const auto& m : r.metallographImages)
            appendf(out, "%s@  %s@\n", m.annotation.view(), m.fileName.view());
        endSection(out);
    }
    writeNotedSection(out, kNaiYaSection, r.NaiYa_ReportData);
    writeNotedSection(out, kQiMiSection, r.QiMi_ReportData);
    writeTextSection(out, kFuShuSection, r.FuShu_ReportData);

    // Rows without any text are left out; on reading, the rows after them move up.
    const auto& jx = r.JianXiu_ReportData.texts;
    if (!r.JianXiu_ReportData.empty()) {
        beginSection(out, kJianXiuSection);
        for (std::size_t row = 0; row < jx.size(); row += 3) {
            if (jx[row].empty() && jx[row + 1].empty() && jx[row + 2].empty()) continue;
            appendf(out, "%s\n%s\n%s\n", jx[row].view(), jx[row + 1].view(), jx[row + 2].view());
        }
        endSection(out);
    }
}

void writeOnlineSections(const InspectionReport& r, std::string& out) {
    writePrintSet(out, kPrintSetOnlineSection, r.PrintSet_IReportData);

    const FaceOnlineData& face = r.Face_IReportData;
    if (!face.empty()) {
        beginSection(out, kFaceOnlineSection);
        writeTexts(out, face.texts);
        // Built by repeating "%s %d ": a blank before and after every value.
        for (const std::int32_t v : face.dates) appendf(out, " %d ", v);
        out.push_back('\n');
        endSection(out);
    }
    writeNotedSection(out, kDengJiSection, r.DengJi_IReportData);
    writeNotedSection(out, kCeHouOnlineSection, r.CeHou_IReportData);

    const JianYanData& jy = r.JianYan_IReportData;
    if (!jy.empty()) {
        beginSection(out, kJianYanSection);
        writeTexts(out, jy.texts);
        for (const auto& n : jy.notes) writeNote(out, n);
        writeNumberRow(out, jy.states);
        endSection(out);
    }
}

// ---------------------------------------------------------------------------------------------
// Reading

// The body lines of one section: stops at the line holding '}' or at the end of the data.
class Body {
public:
    explicit Body(model::LineReader& in) : in_(in) {}

    bool next(std::string_view& line) {
        if (done_) return false;
        if (!in_.next(line) || model::closesSection(line)) {
            done_ = true;
            return false;
        }
        return true;
    }

    // Ends the whole reading here: the file holds more than the program keeps.
    void stop(std::string why) {
        in_.stop(std::move(why));
        done_ = true;
    }

    // Skips what is left, up to and including the closing line.
    void finish() {
        std::string_view line;
        while (next(line)) {
        }
    }

private:
    model::LineReader& in_;
    bool done_ = false;
};

// Reads one line into each text in order; false when the section ended first.
// Whether a list read from the file may take one more item; otherwise the reading stops.
template <typename Item>
bool roomFor(Body& body, const ReportList<Item>& list, int id) {
    if (list.count() < model::kMaxReportListItems) return true;
    body.stop("报告部分 " + std::string(reportSectionName(id)) + " 的条目超过 " +
              std::to_string(model::kMaxReportListItems) + " 个");
    return false;
}

template <typename Texts>
bool readTexts(Body& body, Texts& texts) {
    std::string_view line;
    for (auto& t : texts) {
        if (!body.next(line)) return false;
        t.setAsRead(line);
    }
    return true;
}

template <typename Note>
bool readNote(Body& body, Note& note) {
    std::string_view line;
    if (!body.next(line)) return false;
    note.setAsRead(decodeNote(line));
    return true;
}

template <typename Section>
void readNoted(Body& body, Section& s) {
    if (readTexts(body, s.texts)) readNote(body, s.note);
}

// Scans up to values.size() integers separated by white space, as "%d %d ..." does; the
// values that do not scan keep what they held.
void scanInts(std::string_view line, std::span<std::int32_t> values) {
    std::size_t pos = 0;
    for (std::int32_t& v : values) {
        int value = 0;
        int used = 0;
        if (text::scanf(line.substr(pos), "%d%n", value, used) != 1) return;
        v = value;
        pos += static_cast<std::size_t>(used);
    }
}

// A text of an '@' position: the token without the '@' the writer put after it. Only that
// byte goes, so a text ending in a lone lead byte keeps it.
std::string_view untoken(std::string_view token) {
    if (token.ends_with('@')) return token.substr(0, token.size() - 1);
    return dropLastCharacter(token);
}

void readPrintSet(Body& body, PrintSetData& p, std::size_t flagsRead) {
    std::string_view line;
    if (!body.next(line)) return;
    scanInts(line, std::span(p.flags).first(flagsRead));
    if (!body.next(line)) return;
    scanInts(line, std::span(&p.start, 1));
}

void readMulu(Body& body, MuluData& m) {
    std::string_view line;
    for (std::size_t r = 0; r < m.flags.size() && body.next(line); ++r) {
        int flag = 0, page = 0;
        const int n = text::scanf(line, "%d  %d", flag, page);
        if (n >= 1) m.flags[r] = flag >= 1 ? 1 : 0;
        if (n >= 2) m.pages[r] = page;
    }
}

void readHuiZong(Body& body, HuiZongData& h) {
    std::string_view line;
    for (std::size_t i = 0; i < h.texts.size() && body.next(line); ++i) {
        std::string_view token;
        if (i < h.grades.size()) {
            int grade = 0;
            if (text::scanf(line, "%s %d", token, grade) >= 2) h.grades[i] = grade;
        } else {
            // The whole token: cutting the line before the '@' would lose the text's last
            // character.
            text::scanf(line, "%s", token);
        }
        h.texts[i].setAsRead(untoken(token));
    }
}

void readHongGuan(Body& body, HongGuanData& h) {
    if (!readTexts(body, h.texts)) return;
    std::string_view line;
    for (std::size_t k = 0; k < 90 && body.next(line); k += 10)
        scanInts(line, std::span(h.states).subspan(k, 10));
    if (body.next(line)) scanInts(line, std::span(h.states).subspan(90, 2));
}

void readFullSection(InspectionReport& r, Body& body, int id) {
    std::string_view line;
    switch (id) {
        case kPrintSetSection:
            // Flags 17 to 29 are reserved and not read back.
            readPrintSet(body, r.PrintSet_ReportData, 17);
            break;
        case kFaceSection: readTexts(body, r.Face_ReportData.texts); break;
        case kMuluSection: readMulu(body, r.Mulu_ReportData); break;
        case kJieLunSection: readTexts(body, r.JieLun_ReportData.texts); break;
        case kHuiZongSection: readHuiZong(body, r.HuiZong_ReportData); break;
        case kShengChaSection: readTexts(body, r.ShengCha_ReportData.texts); break;
        case kHongGuanSection: readHongGuan(body, r.HongGuan_ReportData); break;
        case kCeHouSection:
            if (!readTexts(body, r.CeHou_ReportData.texts)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.thicknessPoints, kCeHouSection)) break;
                std::string_view pointId;
                ThicknessPoint p;
                text::scanf(line, "%s  %f", pointId, p.thickness);
                p.pointId.setAsRead(untoken(pointId));
                r.thicknessPoints.append(p);
            }
            break;
        case kSheXianSection:
            if (!readTexts(body, r.SheXian_ReportData.texts)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.radiographDefects, kSheXianSection)) break;
                std::string_view film, location, nature, grade, remark;
                RadiographDefect d;
                text::scanf(line, "%s  %s  %s  %f  %f  %s  %s", film, location, nature, d.length,
                            d.height, grade, remark);
                d.filmNumber.setAsRead(untoken(film));
                d.location.setAsRead(untoken(location));
                d.nature.setAsRead(untoken(nature));
                d.grade.setAsRead(untoken(grade));
                d.remark.setAsRead(untoken(remark));
                r.radiographDefects.append(d);
            }
            break;
        case kChaoShenSection:
            if (!readTexts(body, r.ChaoShen_ReportData.texts)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.ultrasonicDefects, kChaoShenSection)) break;
                std::string_view location, zone, grade, remark;
                UltrasonicDefect d;
                text::scanf(line, "%s  %f  %f  %f  %s  %s  %s", location, d.depth, d.length,
                            d.height, zone, grade, remark);
                d.location.setAsRead(untoken(location));
                d.reflectionZone.setAsRead(untoken(zone));
                d.grade.setAsRead(untoken(grade));
                d.remark.setAsRead(untoken(remark));
                r.ultrasonicDefects.append(d);
            }
            break;
        case kFengXiSection:
            readNoted(body, r.FengXi_ReportData);
            break;
        case kCiFengSection:
            if (!readTexts(body, r.CiFeng_ReportData.texts)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.magneticDefects, kCiFengSection)) break;
                std::string_view location, remark;
                MagneticDefect d;
                text::scanf(line, "%s %f %s", location, d.length, remark);
                d.location.setAsRead(untoken(location));
                d.remark.setAsRead(untoken(remark));
                r.magneticDefects.append(d);
            }
            break;
        case kShenTouSection:
            if (!readTexts(body, r.ShenTou_ReportData.texts)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.penetrantDefects, kShenTouSection)) break;
                std::string_view location;
                PenetrantDefect d;
                text::scanf(line, "%s %f", location, d.length);
                d.location.setAsRead(untoken(location));
                r.penetrantDefects.append(d);
            }
            break;
        case kYingDuSection:
            if (!readTexts(body, r.YingDu_ReportData.texts)) break;
            if (!readNote(body, r.YingDu_ReportData.note)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.hardnessPoints, kYingDuSection)) break;
                std::string_view value, location;
                text::scanf(line, "%s  %s", value, location);
                HardnessPoint p;
                p.value.setAsRead(untoken(value));
                p.location.setAsRead(untoken(location));
                r.hardnessPoints.append(p);
            }
            break;
        case kJinXiangSection:
            if (!readTexts(body, r.JinXiang_ReportData.texts)) break;
            if (!readNote(body, r.JinXiang_ReportData.note)) break;
            while (body.next(line)) {
                if (!roomFor(body, r.metallographImages, kJinXiangSection)) break;
                std::string_view annotation, file;
                text::scanf(line, "%s  %s", annotation, file);
                MetallographImage m;
                m.annotation.setAsRead(untoken(annotation));
                m.fileName.setAsRead(untoken(file));
                r.metallographImages.append(m);
            }
            break;
        case kNaiYaSection:
            readNoted(body, r.NaiYa_ReportData);
            break;
        case kQiMiSection:
            readNoted(body, r.QiMi_ReportData);
            break;
        case kFuShuSection: readTexts(body, r.FuShu_ReportData.texts); break;
        case kJianXiuSection:
            // Lines fill the 48 texts in order, so rows left out by the writer close up.
            readTexts(body, r.JianXiu_ReportData.texts);
            break;
        default: break;
    }
}

void readOnlineSection(InspectionReport& r, Body& body, int id) {
    switch (id) {
        case kPrintSetOnlineSection: readPrintSet(body, r.PrintSet_IReportData, 30); break;
        case kFaceOnlineSection: {
            FaceOnlineData& f = r.Face_IReportData;
            std::string_view line;
            if (readTexts(body, f.texts) && body.next(line)) scanInts(line, f.dates);
            break;
        }
        case kDengJiSection:
            readNoted(body, r.DengJi_IReportData);
            break;
        case kCeHouOnlineSection:
            readNoted(body, r.CeHou_IReportData);
            break;
        case kJianYanSection: {
            JianYanData& j = r.JianYan_IReportData;
            std::string_view line;
            if (!readTexts(body, j.texts)) break;
            for (auto& n : j.notes)
                if (!readNote(body, n)) return;
            if (body.next(line)) scanInts(line, j.states);
            break;
        }
        default: break;
    }
}

bool isOnlineSection(int id) {
    return (id >= kFaceOnlineSection && id <= kJianYanSection) || id == kPrintSetOnlineSection;
}

}  // namespace

void InspectionReport::ReadReportSection(model::LineReader& in, int id) {
    Body body(in);
    if (isOnlineSection(id)) {
        // The online readers overwrite only what they read.
        readOnlineSection(*this, body, id);
    } else {
        // The full-set readers start from an empty section, except the page settings and the
        // repair record, which overwrite only what they read. The cover reader empties the
        // cover alone, so that reading it never touches the other sections.
        if (id == kFaceSection) Face_ReportData = FaceData{};
        else if (id != kPrintSetSection && id != kJianXiuSection) ClearSection(id);
        readFullSection(*this, body, id);
    }
    body.finish();
}

void InspectionReport::WriteFullReportSections(std::string& out) const {
    writeFullSections(*this, out);
}

void InspectionReport::WriteOnlineReportSections(std::string& out) const {
    writeOnlineSections(*this, out);
}

void InspectionReport::ImportReportSections(std::string_view data, std::span<const int> selection) {
    static const model::KeyMatcher names = [] {
        std::vector<std::string_view> keys;
        for (const model::FileSection* s : model::kReportSectionsInImportOrder) keys.push_back(s->name);
        return model::KeyMatcher(std::move(keys));
    }();
    const auto& sections = model::kReportSectionsInImportOrder;

    auto selected = [&](int id) {
        for (const int s : selection) {
            if (s == kSelectionEnd) return false;
            if (s == id) return true;
        }
        return false;
    };

    model::LineReader in(data);
    std::string_view line;
    while (in.next(line)) {
        const int k = names.find(line);
        if (k < 0) continue;
        const int id = sections[static_cast<std::size_t>(k)]->id;
        if (selected(id)) ReadReportSection(in, id);
    }
}

}  // namespace tubra::report
