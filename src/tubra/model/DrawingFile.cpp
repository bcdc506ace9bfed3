#include "tubra/model/DrawingFile.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/RegularFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/FileSections.h"
#include "tubra/model/KeyMatcher.h"
#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"

namespace tubra::model {

using text::appendf;

namespace {

// ---------------------------------------------------------------------------------------------
// Writing

// A save being written hands its bytes on whenever it holds this many: few enough that the
// buffer stays in the processor's cache and costs few fresh pages, enough that writes are few.
constexpr std::size_t kDrainAt = std::size_t{128} << 10;

// The object sections are most of a file: their lines are built in a buffer, numbers written
// straight into it, and handed to the output a few kilobytes at a time. Every line is exactly
// what its printf format gives; the formats are named beside each line.
class SectionWriter {
public:
    SectionWriter(std::string& out, const std::function<void(std::string&)>& drain) : out_(out), drain_(drain) {}
    ~SectionWriter() { flush(); }
    SectionWriter(const SectionWriter&) = delete;
    SectionWriter& operator=(const SectionWriter&) = delete;

    void text(std::string_view s) {
        if (s.size() > kSize - used_) {
            flush();
            if (s.size() > kSize) {
                out_.append(s);
                drainIfFull();
                return;
            }
        }
        std::memcpy(buf_ + used_, s.data(), s.size());
        used_ += s.size();
    }
    // "%lf", "%f"
    void number(double v) {
        room(text::kMaxFixedChars);
        used_ = static_cast<std::size_t>(text::writeFixed(buf_ + used_, v) - buf_);
    }
    // "%d"
    void integer(std::int32_t v) {
        room(text::kMaxIntegerChars);
        used_ = static_cast<std::size_t>(text::writeInteger(buf_ + used_, v) - buf_);
    }
    // "%s" of a text that may not hold a closing brace or a line break: '}' is written as
    // kClosingBraceSubstitute, CR and LF as blanks.
    void lineSafe(const ObjectText& v) { substituted(v.view(), ' ', ' '); }
    // "%s" of a weld record: its line breaks are kept as the bytes 0xFD (CR) and 0xFE (LF).
    void caseText(const ObjectText& v) { substituted(v.view(), '\xFD', '\xFE'); }

    // A line "<head><x><sep1><y><sep2><z>\n" of a point.
    void point(std::string_view head, const Vec3& p, std::string_view sep2) {
        text(head);
        number(p.x);
        text("  ");
        number(p.y);
        text(sep2);
        number(p.z);
        text("\n");
    }

private:
    static constexpr std::size_t kSize = 16384;

    void room(std::size_t n) {
        if (kSize - used_ < n) flush();
    }
    void flush() {
        out_.append(buf_, used_);
        used_ = 0;
        drainIfFull();
    }
    void drainIfFull() {
        if (drain_ && out_.size() >= kDrainAt) drain_(out_);
    }
    void substituted(std::string_view v, char cr, char lf) {
        while (!v.empty()) {
            const std::size_t n = std::min(v.size(), kSize);
            room(n);
            char* d = buf_ + used_;
            for (const char c : v.substr(0, n))
                *d++ = c == '}' ? kClosingBraceSubstitute : c == '\r' ? cr : c == '\n' ? lf : c;
            used_ += n;
            v.remove_prefix(n);
        }
    }

    std::string& out_;
    const std::function<void(std::string&)>& drain_;
    char buf_[kSize];
    std::size_t used_ = 0;
};

void appendHeader(std::string& out, SectionId id) {
    out.append(fileSection(id).header);
    out.push_back('\n');
}

// Written once per object, so spelt out whole; the table holds the same header.
static_assert(fileSection(kObjectSection).header == "Object{");

void writeObject(SectionWriter& w, const PipeObject& o) {
    w.text("Object{\n");
    w.text("\tMainType   "), w.integer(o.MainType), w.text("\n");     // "\tMainType   %d\n"
    w.text("\tSubType    "), w.integer(o.SubType), w.text("\n");      // "\tSubType    %d\n"
    w.text("\tStrtDir    "), w.number(o.StrtDir), w.text("\n");       // "\tStrtDir    %f\n"
    w.text("\tEndDir     "), w.number(o.EndDir), w.text("\n");        // "\tEndDir     %f\n"
    // "\tPort1      %lf  %lf  %lf\n" ...
    w.point("\tPort1      ", o.Port1, "  ");
    w.point("\tPort2      ", o.Port2, "  ");
    w.point("\tPort3      ", o.Port3, "  ");
    w.point("\tPort4      ", o.Port4, "  ");
    w.text("\tDistanc    "), w.number(o.Distanc), w.text("\n");       // "\tDistanc    %lf\n"
    // An empty text reads back as one blank: written so at once, a file is stable from its
    // first save.
    w.text("\tDistTxt    ");  // "\tDistTxt    %s\n"
    if (o.DistTxt.empty()) w.text(" ");
    else w.lineSafe(o.DistTxt);
    w.text("\n");
    w.point("\tdimYX1_st  ", o.dimYX1_st, "  ");
    w.point("\tdimYX1_ed  ", o.dimYX1_ed, "  ");
    w.point("\tdimYX2_st  ", o.dimYX2_st, "  ");
    w.point("\tdimYX2_ed  ", o.dimYX2_ed, "  ");
    // "\tdimL_st    %lf  %lf %lf\n" ...: one blank before the last number
    w.point("\tdimL_st    ", o.dimL_st, " ");
    w.point("\tdimL_ed    ", o.dimL_ed, " ");
    w.point("\tdimTxt_st  ", o.dimTxt_st, " ");
    w.text("\tdimAngle   "), w.integer(o.dimAngle), w.text("\n");     // "\tdimAngle   %d\n"
    w.text("\tCaiLiao    "), w.lineSafe(o.CaiLiao), w.text("\n");     // "\tCaiLiao    %s\n"
    w.text("\tGuiGe      "), w.lineSafe(o.GuiGe), w.text("\n");       // "\tGuiGe      %s\n"
    w.text("\tXingHao    "), w.lineSafe(o.XingHao), w.text("\n");     // "\tXingHao    %s\n"
    w.text("\tStartUse   "), w.lineSafe(o.StartUse), w.text("\n");    // "\tStartUse   %s\n"
    w.text("\tLastCheck  "), w.lineSafe(o.LastCheck), w.text("\n");   // "\tLastCheck  %s\n"
    w.text("\tFirstCase  "), w.caseText(o.FirstCase), w.text("\n");   // "\tFirstCase  %s\n"
    w.text("\tMidCase    "), w.caseText(o.MidCase), w.text("\n");     // "\tMidCase    %s\n"
    w.text("\tLastCase   "), w.caseText(o.LastCase), w.text("\n");    // "\tLastCase   %s\n"
    w.text("\tBiHou      "), w.number(o.BiHou), w.text("\n");         // "\tBiHou      %lf\n"
    w.text("\tNumber     "), w.integer(o.Number), w.text("\n");       // "\tNumber     %d\n"
    w.text("}\n\n");
}

// A text as it may stand on one line of the file.
std::string_view lineSafe(std::string_view v, std::string& scratch) {
    if (v.find_first_of("}\r\n") == std::string_view::npos) return v;
    scratch.assign(v);
    for (char& c : scratch) {
        if (c == '}') c = kClosingBraceSubstitute;
        else if (c == '\r' || c == '\n') c = ' ';
    }
    return scratch;
}

void writeSettingsSection(std::string& out, const Drawing& d, const DrawingSettings& s) {
    appendHeader(out, kSettingsSection);
    appendf(out, "\t Total           %d\n", d.Total());
    appendf(out, "\t ZoomPara        %lf\n", d.ZoomPara);
    appendf(out, "\t X_AxisAngle     %lf\n", d.X_AxisAngle);
    appendf(out, "\t Y_AxisAngle     %lf\n", d.Y_AxisAngle);
    appendf(out, "\t PageSize\t\t  %d\n", d.PageSize);
    appendf(out, "\t ZhuXianLayer    %d\n", s.ZhuXianLayer);
    appendf(out, "\t ZhiXianLayer    %d\n", s.ZhiXianLayer);
    appendf(out, "\t DimLineLayer    %d\n", s.DimLineLayer);
    appendf(out, "\t DimTextLayer    %d\n", s.DimTextLayer);
    appendf(out, "\t FaMenLayer      %d\n", s.FaMenLayer);
    appendf(out, "\t GuanJianLayer   %d\n", s.GuanJianLayer);
    appendf(out, "\t FuZhuXianLayer  %d\n", s.FuZhuXianLayer);
    appendf(out, "\t TuKuangLayer    %d\n", s.TuKuangLayer);
    appendf(out, "\t QiTaLayer       %d\n", s.QiTaLayer);
    appendf(out, "\t ZhuXianKuan     %f\n", s.ZhuXianKuan);
    appendf(out, "\t ZhiXianKuan     %f\n", s.ZhiXianKuan);
    appendf(out, "\t BiaoZhuKuan     %f\n", s.BiaoZhuKuan);
    appendf(out, "\t FaMenKuan       %f\n", s.FaMenKuan);
    appendf(out, "\t HanFengKuan     %f\n", s.HanFengKuan);
    appendf(out, "\t QiTaKuan        %f\n", s.QiTaKuan);
    appendf(out, "\t ZhuXianStyle    %d\n", s.ZhuXianStyle);
    appendf(out, "\t ZhiXianStyle    %d\n", s.ZhiXianStyle);
    appendf(out, "\t BiaoZhuStyle    %d\n", s.BiaoZhuStyle);
    appendf(out, "\t FaMenStyle      %d\n", s.FaMenStyle);
    appendf(out, "\t QiTaStyle       %d\n", s.QiTaStyle);
    appendf(out, "\t PrintIsNoColor  %d\n", s.PrintIsNoColor);
    appendf(out, "\t BeiJingColor    %lu\n", s.BeiJingColor);
    appendf(out, "\t ZhuXianColor    %lu\n", s.ZhuXianColor);
    appendf(out, "\t ZhiXianColor    %lu\n", s.ZhiXianColor);
    appendf(out, "\t DangQianColor   %lu\n", s.DangQianColor);
    appendf(out, "\t PingXieColor    %lu\n", s.PingXieColor);
    appendf(out, "\t LiXieColor      %lu\n", s.LiXieColor);
    appendf(out, "\t GuanJianColor   %lu\n", s.GuanJianColor);
    appendf(out, "\t FaMenColor      %lu\n", s.FaMenColor);
    appendf(out, "\t DimLineColor    %lu\n", s.DimLineColor);
    appendf(out, "\t DimTextColor    %lu\n", s.DimTextColor);
    appendf(out, "\t TextColor       %lu\n", s.TextColor);
    appendf(out, "\t TractColor      %lu\n", s.TractColor);
    appendf(out, "\t HanFengColor    %lu\n", s.HanFengColor);
    appendf(out, "\t Dim_High      %d\n", s.Dim_High);
    appendf(out, "\t Dim_Size      %d\n", s.Dim_Size);
    appendf(out, "\t DrawZoom_GJFM %lf\n", s.DrawZoom_GJFM);
    appendf(out, "\t m_wantouR\t\t%lf\n", s.m_wantouR);
    appendf(out, "\t m_santongChang %lf\n", s.m_santongChang);
    appendf(out, "\t IsShowReport  %d %d\n", d.IsShowReport[0], d.IsShowReport[1]);
    // A label may be left empty only when every later one is, or the later ones would move up.
    std::array<std::string, 3> labels;
    bool laterNonEmpty = false;
    for (int i = 2; i >= 0; --i) {
        labels[i] = axisLabelForFile(d.AxisSet.labels[i].view(), !laterNonEmpty);
        laterNonEmpty = laterNonEmpty || !labels[i].empty();
    }
    appendf(out, "\t AxisSet       %d %s %s %s\n", d.AxisSet.visible, labels[0], labels[1],
            labels[2]);
    out.append("}\n\n");
}

// ---------------------------------------------------------------------------------------------
// Reading

// "FuZhuXianLayer" holds "ZhuXianLayer", so it is tested first (as "DimTextColor" is tested
// before "TextColor"); otherwise the auxiliary-line switch would overwrite the main-pipe switch.
enum SettingKey {
    kTotal, kZoomPara, kXAxisAngle, kYAxisAngle, kPageSize, kFuZhuXianLayer, kZhuXianLayer,
    kZhiXianLayer, kDimLineLayer, kDimTextLayer, kFaMenLayer, kGuanJianLayer, kTuKuangLayer,
    kQiTaLayer, kZhuXianKuan, kZhiXianKuan, kBiaoZhuKuan, kFaMenKuan, kHanFengKuan, kQiTaKuan,
    kZhuXianStyle, kZhiXianStyle, kBiaoZhuStyle, kFaMenStyle, kQiTaStyle, kPrintIsNoColor,
    kBeiJingColor, kZhuXianColor, kZhiXianColor, kDangQianColor, kPingXieColor, kLiXieColor,
    kGuanJianColor, kFaMenColor, kDimLineColor, kDimTextColor, kTextColor, kTractColor,
    kHanFengColor, kDimHigh, kDimSize, kDrawZoomGJFM, kWantouR, kSantongChang, kIsShowReport,
    kAxisSet
};

const KeyMatcher& settingKeys() {
    static const KeyMatcher m{
        "Total", "ZoomPara", "X_AxisAngle", "Y_AxisAngle", "PageSize", "FuZhuXianLayer",
        "ZhuXianLayer", "ZhiXianLayer", "DimLineLayer", "DimTextLayer", "FaMenLayer",
        "GuanJianLayer", "TuKuangLayer", "QiTaLayer", "ZhuXianKuan", "ZhiXianKuan",
        "BiaoZhuKuan", "FaMenKuan", "HanFengKuan", "QiTaKuan", "ZhuXianStyle", "ZhiXianStyle",
        "BiaoZhuStyle", "FaMenStyle", "QiTaStyle", "PrintIsNoColor", "BeiJingColor",
        "ZhuXianColor", "ZhiXianColor", "DangQianColor", "PingXieColor", "LiXieColor",
        "GuanJianColor", "FaMenColor", "DimLineColor", "DimTextColor", "TextColor", "TractColor",
        "HanFengColor", "Dim_High", "Dim_Size", "DrawZoom_GJFM", "m_wantouR", "m_santongChang",
        "IsShowReport", "AxisSet"};
    return m;
}

enum ObjectKey {
    kMainType, kSubType, kStrtDir, kEndDir, kPort1, kPort2, kPort3, kPort4, kDistanc, kDistTxt,
    kDimYX1St, kDimYX1Ed, kDimYX2St, kDimYX2Ed, kDimLSt, kDimLEd, kDimTxtSt, kDimAngle, kCaiLiao,
    kGuiGe, kXingHao, kStartUse, kLastCheck, kFirstCase, kMidCase, kLastCase, kBiHou, kNumber
};

const KeyMatcher& objectKeys() {
    static const KeyMatcher m{
        "MainType", "SubType", "StrtDir", "EndDir", "Port1", "Port2", "Port3", "Port4",
        "Distanc", "DistTxt", "dimYX1_st", "dimYX1_ed", "dimYX2_st", "dimYX2_ed", "dimL_st",
        "dimL_ed", "dimTxt_st", "dimAngle", "CaiLiao", "GuiGe", "XingHao", "StartUse",
        "LastCheck", "FirstCase", "MidCase", "LastCase", "BiHou", "Number"};
    return m;
}

// "%s %d", "%s %lf", "%s %f" and "%s %lf %lf %lf": the first word, then the value(s); a value
// that does not scan leaves the field (and the values after it) as they were.
void scanInt(std::string_view line, std::int32_t& v) {
    std::size_t pos = 0;
    std::string_view key;
    int value = 0;
    if (text::scanWordAt(line, pos, key) && text::scanIntAt(line, pos, value)) v = value;
}

void scanDouble(std::string_view line, double& v) {
    std::size_t pos = 0;
    std::string_view key;
    double value = 0;
    if (text::scanWordAt(line, pos, key) && text::scanDoubleAt(line, pos, value)) v = value;
}

void scanFloat(std::string_view line, float& v) {
    std::size_t pos = 0;
    std::string_view key;
    float value = 0;
    if (text::scanWordAt(line, pos, key) && text::scanFloatAt(line, pos, value)) v = value;
}

void scanColour(std::string_view line, Colour& v, bool asSigned) {
    std::string_view key;
    std::uint32_t value = 0;
    if (text::scanf(line, asSigned ? "%s %ld" : "%s %lu", key, value) == 2) v = value;
}

void scanPoint(std::string_view line, Vec3& p) {
    std::size_t pos = 0;
    std::string_view key;
    if (!text::scanWordAt(line, pos, key)) return;
    for (double* c : {&p.x, &p.y, &p.z})
        if (!text::scanDoubleAt(line, pos, *c)) return;
}

// The text value of a key line: what follows the first word and its white space, without
// trailing white space. For one-word values this is exactly the second word of the line.
// `wordEnd`, when not 0, is where the first word is known to end.
bool textValue(std::string_view line, std::string_view& value, std::size_t wordEnd = 0) {
    std::size_t p = wordEnd;
    if (p == 0) {
        while (p < line.size() && text::isCSpace(line[p])) ++p;
        while (p < line.size() && !text::isCSpace(line[p])) ++p;
    }
    while (p < line.size() && text::isCSpace(line[p])) ++p;
    std::size_t e = line.size();
    while (e > p && text::isCSpace(line[e - 1])) --e;
    if (p >= e) return false;
    value = line.substr(p, e - p);
    return true;
}

void readText(std::string_view line, ObjectText& field, std::size_t wordEnd = 0) {
    std::string_view v;
    if (textValue(line, v, wordEnd)) field = v;
}

// Weld records: the rest of the line after the key's length plus the leading tab and the
// blanks, with 0xFD and 0xFE turned back into CR and LF.
void readCase(std::string_view line, std::string_view key, ObjectText& field) {
    std::size_t p = std::min(line.size(), key.size() + 1);
    while (p < line.size() && line[p] == ' ') ++p;
    // A field keeps at most kMaxBytes, and where it cuts depends on one byte more.
    char v[ObjectText::kStorage];
    const std::size_t n = std::min(line.size() - p, sizeof v);
    for (std::size_t i = 0; i < n; ++i) {
        const char c = line[p + i];
        v[i] = c == '\xFD' ? '\r' : c == '\xFE' ? '\n' : c;
    }
    field = std::string_view(v, n);
}

void readSettings(LineReader& in, Drawing& d, DrawingSettings& s) {
    const KeyMatcher& keys = settingKeys();
    std::string_view line;
    while (in.next(line)) {
        if (closesSection(line)) break;
        switch (keys.find(line)) {
            case kTotal: scanInt(line, d.Total()); break;
            case kZoomPara: {
                // The flag is set by the key alone, whether or not the value scans.
                scanDouble(line, d.ZoomPara);
                d.zoomLoaded = 1;
                break;
            }
            case kXAxisAngle: scanDouble(line, d.X_AxisAngle); break;
            case kYAxisAngle: scanDouble(line, d.Y_AxisAngle); break;
            case kPageSize: scanInt(line, d.PageSize); break;
            case kZhuXianLayer: scanInt(line, s.ZhuXianLayer); break;
            case kZhiXianLayer: scanInt(line, s.ZhiXianLayer); break;
            case kDimLineLayer: scanInt(line, s.DimLineLayer); break;
            case kDimTextLayer: scanInt(line, s.DimTextLayer); break;
            case kFaMenLayer: scanInt(line, s.FaMenLayer); break;
            case kGuanJianLayer: scanInt(line, s.GuanJianLayer); break;
            case kFuZhuXianLayer: scanInt(line, s.FuZhuXianLayer); break;
            case kTuKuangLayer: scanInt(line, s.TuKuangLayer); break;
            case kQiTaLayer: scanInt(line, s.QiTaLayer); break;
            case kZhuXianKuan: scanFloat(line, s.ZhuXianKuan); break;
            case kZhiXianKuan: scanFloat(line, s.ZhiXianKuan); break;
            case kBiaoZhuKuan: scanFloat(line, s.BiaoZhuKuan); break;
            case kFaMenKuan: scanFloat(line, s.FaMenKuan); break;
            case kHanFengKuan: scanFloat(line, s.HanFengKuan); break;
            case kQiTaKuan: scanFloat(line, s.QiTaKuan); break;
            case kZhuXianStyle: scanInt(line, s.ZhuXianStyle); break;
            case kZhiXianStyle: scanInt(line, s.ZhiXianStyle); break;
            case kBiaoZhuStyle: scanInt(line, s.BiaoZhuStyle); break;
            case kFaMenStyle: scanInt(line, s.FaMenStyle); break;
            case kQiTaStyle: scanInt(line, s.QiTaStyle); break;
            case kPrintIsNoColor: scanInt(line, s.PrintIsNoColor); break;
            case kBeiJingColor: scanColour(line, s.BeiJingColor, false); break;
            case kZhuXianColor: scanColour(line, s.ZhuXianColor, false); break;
            case kZhiXianColor: scanColour(line, s.ZhiXianColor, false); break;
            case kDangQianColor: scanColour(line, s.DangQianColor, false); break;
            case kPingXieColor: scanColour(line, s.PingXieColor, true); break;
            case kLiXieColor: scanColour(line, s.LiXieColor, true); break;
            case kGuanJianColor: scanColour(line, s.GuanJianColor, false); break;
            case kFaMenColor: scanColour(line, s.FaMenColor, false); break;
            case kDimLineColor: scanColour(line, s.DimLineColor, false); break;
            case kDimTextColor: scanColour(line, s.DimTextColor, false); break;
            case kTextColor: scanColour(line, s.TextColor, true); break;
            case kTractColor: scanColour(line, s.TractColor, false); break;
            case kHanFengColor: scanColour(line, s.HanFengColor, false); break;
            case kDimHigh: scanInt(line, s.Dim_High); break;
            case kDimSize: scanInt(line, s.Dim_Size); break;
            case kDrawZoomGJFM: scanDouble(line, s.DrawZoom_GJFM); break;
            case kWantouR: scanDouble(line, s.m_wantouR); break;
            case kSantongChang: scanDouble(line, s.m_santongChang); break;
            case kIsShowReport: {
                std::string_view key;
                int a = 0, b = 0;
                const int n = text::scanf(line, "%s %d %d", key, a, b);
                if (n >= 2) d.IsShowReport[0] = a;
                if (n >= 3) d.IsShowReport[1] = b;
                break;
            }
            case kAxisSet: {
                for (auto& l : d.AxisSet.labels) l.clear();
                std::string_view key, l1, l2, l3;
                int visible = 0;
                const int n = text::scanf(line, "%s %d %s %s %s", key, visible, l1, l2, l3);
                if (n >= 2) d.AxisSet.visible = visible;
                if (n >= 3) d.AxisSet.labels[0] = l1;
                if (n >= 4) d.AxisSet.labels[1] = l2;
                if (n >= 5) d.AxisSet.labels[2] = l3;
                break;
            }
            default: break;
        }
    }
}

// Most object lines are their key, white space and plain numbers: such a line is read without
// searching it for keys. Numbers and blanks cannot start an object key, so the key the line
// starts with is the first one it holds. Anything else (more numbers than the key takes, an
// exponent, text, a brace) goes the general way.
enum class ValueKind { Integer, Number, Point, Other };

constexpr auto kObjectValueKinds = [] {
    std::array<ValueKind, kNumber + 1> kinds{};
    kinds.fill(ValueKind::Other);
    for (const int k : {kMainType, kSubType, kDimAngle, kNumber}) kinds[k] = ValueKind::Integer;
    for (const int k : {kStrtDir, kEndDir, kDistanc, kBiHou}) kinds[k] = ValueKind::Number;
    for (const int k : {kPort1, kPort2, kPort3, kPort4, kDimYX1St, kDimYX1Ed, kDimYX2St, kDimYX2Ed, kDimLSt,
                        kDimLEd, kDimTxtSt})
        kinds[k] = ValueKind::Point;
    return kinds;
}();

ValueKind objectValueKind(int key) {
    return key >= 0 && key <= kNumber ? kObjectValueKinds[static_cast<std::size_t>(key)] : ValueKind::Other;
}

bool numbersCannotStartObjectKeys() {
    static const bool yes = [] {
        for (const char c : std::string_view("0123456789+-. \t\n\v\f\r"))
            if (objectKeys().mayStartKey(c)) return false;
        return true;
    }();
    return yes;
}

// The plain numbers after the key at `pos` (white space must follow the key): how many there
// are, or -1 when the rest of the line is anything but up to `max` plain numbers.
int plainNumbers(std::string_view line, std::size_t pos, double* values, int max) {
    if (pos < line.size() && !text::isCSpace(line[pos])) return -1;
    int n = 0;
    for (;;) {
        while (pos < line.size() && text::isCSpace(line[pos])) ++pos;
        if (pos == line.size()) return n;
        if (n == max || !text::scanPlainDecimalAt(line, pos, values[n])) return -1;
        ++n;
    }
}

int plainInteger(std::string_view line, std::size_t pos, std::int32_t& value) {
    if (pos < line.size() && !text::isCSpace(line[pos])) return -1;
    while (pos < line.size() && text::isCSpace(line[pos])) ++pos;
    if (pos == line.size()) return 0;
    int v = 0;
    if (!text::scanIntAt(line, pos, v)) return -1;
    while (pos < line.size() && text::isCSpace(line[pos])) ++pos;
    if (pos != line.size()) return -1;
    value = v;
    return 1;
}

Vec3* objectPoint(PipeObject& o, int key) {
    switch (key) {
        case kPort1: return &o.Port1;
        case kPort2: return &o.Port2;
        case kPort3: return &o.Port3;
        case kPort4: return &o.Port4;
        case kDimYX1St: return &o.dimYX1_st;
        case kDimYX1Ed: return &o.dimYX1_ed;
        case kDimYX2St: return &o.dimYX2_st;
        case kDimYX2Ed: return &o.dimYX2_ed;
        case kDimLSt: return &o.dimL_st;
        case kDimLEd: return &o.dimL_ed;
        case kDimTxtSt: return &o.dimTxt_st;
        default: return nullptr;
    }
}

// Reads a line of key `key` (ending at `keyEnd`) that holds only plain numbers. False when the
// line is not of that form.
bool readPlainObjectLine(PipeObject& o, int key, std::string_view line, std::size_t keyEnd) {
    switch (objectValueKind(key)) {
        case ValueKind::Integer: {
            std::int32_t* field = key == kMainType ? &o.MainType
                                  : key == kSubType ? &o.SubType
                                  : key == kDimAngle ? &o.dimAngle
                                                     : &o.Number;
            return plainInteger(line, keyEnd, *field) >= 0;
        }
        case ValueKind::Number: {
            double v = 0;
            const int n = plainNumbers(line, keyEnd, &v, 1);
            if (n < 0) return false;
            double* field = key == kStrtDir ? &o.StrtDir
                            : key == kEndDir ? &o.EndDir
                            : key == kDistanc ? &o.Distanc
                                              : &o.BiHou;
            if (n == 1) *field = v;
            return true;
        }
        case ValueKind::Point: {
            double v[3];
            const int n = plainNumbers(line, keyEnd, v, 3);
            if (n < 0) return false;
            Vec3& p = *objectPoint(o, key);
            if (n > 0) p.x = v[0];
            if (n > 1) p.y = v[1];
            if (n > 2) p.z = v[2];
            return true;
        }
        case ValueKind::Other: break;
    }
    return false;
}

// The line of key `key` at the start of `data` when it holds only plain numbers, read where it
// stands: the line's end is found by the numbers themselves. `used` gets the bytes of the line
// with its LF. False, with nothing changed, for a line of any other form.
bool readPlainObjectLineInPlace(const KeyMatcher& keys, PipeObject& o, int key, std::string_view data,
                                std::size_t& used) {
    const ValueKind kind = objectValueKind(key);
    if (kind == ValueKind::Other) return false;
    std::size_t p = keys.leadingKeyEnd(data, key);
    if (p == 0) return false;
    const int max = kind == ValueKind::Point ? 3 : 1;
    double values[3];
    int integer = 0;
    int n = 0;
    for (bool blank = false;; blank = false) {
        while (p < data.size() && (data[p] == ' ' || data[p] == '\t')) ++p, blank = true;
        if (p == data.size() || data[p] == '\n' || (data[p] == '\r' && p + 1 < data.size() && data[p + 1] == '\n'))
            break;
        // The key and the values each need a blank before them; no more values than the key takes.
        if (!blank || n == max) return false;
        if (kind == ValueKind::Integer) {
            if (!text::scanIntAt(data, p, integer)) return false;
            if (p < data.size() && !text::isCSpace(data[p])) return false;
        } else if (!text::scanPlainDecimalAt(data, p, values[n])) {
            return false;
        }
        ++n;
    }
    used = p == data.size() ? p : p + (data[p] == '\r' ? 2 : 1);
    if (n == 0) return true;
    switch (kind) {
        case ValueKind::Integer:
            (key == kMainType ? o.MainType : key == kSubType ? o.SubType : key == kDimAngle ? o.dimAngle : o.Number) =
                integer;
            break;
        case ValueKind::Number:
            (key == kStrtDir ? o.StrtDir : key == kEndDir ? o.EndDir : key == kDistanc ? o.Distanc : o.BiHou) =
                values[0];
            break;
        case ValueKind::Point: {
            Vec3& v = *objectPoint(o, key);
            v.x = values[0];
            if (n > 1) v.y = values[1];
            if (n > 2) v.z = values[2];
            break;
        }
        case ValueKind::Other: break;
    }
    return true;
}

void readObject(LineReader& in, Drawing& d) {
    if (d.objects.size() >= kMaxObjects) {
        in.stop("图中的对象超过 " + std::to_string(kMaxObjects) + " 个");
        return;
    }
    const KeyMatcher& keys = objectKeys();
    auto owned = std::make_unique<PipeObject>();
    PipeObject& o = *owned;
    const bool quick = numbersCannotStartObjectKeys();
    int expected = kMainType;  // lines come in the order of the keys
    std::string_view line;
    for (;;) {
        std::size_t used = 0;
        if (quick && readPlainObjectLineInPlace(keys, o, expected, in.rest(), used)) {
            in.advance(used);
            ++expected;
            continue;
        }
        if (!in.nextInSection(line)) break;
        std::size_t keyEnd = 0;
        int k = quick ? keys.leadingKey(line, keyEnd, expected) : -1;
        expected = k + 1;
        // Where the line's first word ends when that is its key, for the text values.
        std::size_t wordEnd = 0;
        if (k >= 0) {
            if (objectValueKind(k) != ValueKind::Other) {
                if (readPlainObjectLine(o, k, line, keyEnd)) continue;
                k = keys.find(line);
            } else if (const int earlier = keys.findBefore(line.substr(keyEnd), k); earlier >= 0) {
                k = earlier;
            } else if (keyEnd == line.size() || text::isCSpace(line[keyEnd])) {
                wordEnd = keyEnd;
            }
        } else {
            k = keys.find(line);
        }
        switch (k) {
            case kMainType: scanInt(line, o.MainType); break;
            case kSubType: scanInt(line, o.SubType); break;
            case kStrtDir: scanDouble(line, o.StrtDir); break;
            case kEndDir: scanDouble(line, o.EndDir); break;
            case kPort1: scanPoint(line, o.Port1); break;
            case kPort2: scanPoint(line, o.Port2); break;
            case kPort3: scanPoint(line, o.Port3); break;
            case kPort4: scanPoint(line, o.Port4); break;
            case kDistanc: scanDouble(line, o.Distanc); break;
            case kDistTxt: {
                std::string_view v;
                o.DistTxt = textValue(line, v, wordEnd) ? v : std::string_view(" ");
                break;
            }
            case kDimYX1St: scanPoint(line, o.dimYX1_st); break;
            case kDimYX1Ed: scanPoint(line, o.dimYX1_ed); break;
            case kDimYX2St: scanPoint(line, o.dimYX2_st); break;
            case kDimYX2Ed: scanPoint(line, o.dimYX2_ed); break;
            case kDimLSt: scanPoint(line, o.dimL_st); break;
            case kDimLEd: scanPoint(line, o.dimL_ed); break;
            case kDimTxtSt: scanPoint(line, o.dimTxt_st); break;
            case kDimAngle: scanInt(line, o.dimAngle); break;
            case kCaiLiao: readText(line, o.CaiLiao, wordEnd); break;
            case kGuiGe: readText(line, o.GuiGe, wordEnd); break;
            case kXingHao: readText(line, o.XingHao, wordEnd); break;
            case kStartUse: readText(line, o.StartUse, wordEnd); break;
            case kLastCheck: readText(line, o.LastCheck, wordEnd); break;
            case kFirstCase: readCase(line, keys.key(k), o.FirstCase); break;
            case kMidCase: readCase(line, keys.key(k), o.MidCase); break;
            case kLastCase: readCase(line, keys.key(k), o.LastCase); break;
            case kBiHou: scanDouble(line, o.BiHou); break;
            case kNumber: scanInt(line, o.Number); break;
            default: break;
        }
    }
    // The object carries exactly the file's values: whatever a copy would inherit or renumber
    // is overwritten by them, so it is appended as it was read.
    d.objects.append(std::move(owned));
}

void readTable(LineReader& in, Drawing& d) {
    CharacteristicTable t;
    std::string_view line;
    int row = 0;
    while (in.next(line)) {
        if (closesSection(line)) break;
        if (row < CharacteristicTable::kRows) t.values[static_cast<std::size_t>(row)] = line;
        ++row;
    }
    // A section cut short by the end of the file still gives what it holds.
    d.table.clear();
    d.table.copyFrom(t);
}

void readTitle(LineReader& in, Drawing& d) {
    std::string_view line;
    int row = 0;
    while (in.next(line)) {
        if (closesSection(line)) break;
        if (row < TitleBlock::kRows) d.title.values[static_cast<std::size_t>(row)] = line;
        ++row;
    }
    d.title.setLabels();
}

// Skips a section nobody reads.
void skipSection(LineReader& in) {
    std::string_view line;
    while (in.next(line))
        if (closesSection(line)) break;
}

}  // namespace

void writeDrawing(Drawing& drawing, const DrawingSettings& settings, std::string& out,
                  const std::function<void(std::string&)>& drain) {
    writeDrawingHead(drawing, settings, out);
    drawing.Total() = static_cast<std::int32_t>(drawing.objects.size());
    out.reserve(out.size() + (drain ? 2 * kDrainAt : drawing.objects.size() * 1400));
    {
        SectionWriter w(out, drain);
        const ObjectList& objects = drawing.objects;  // read only: writing changes no object
        const std::size_t count = objects.size();
        for (std::size_t i = 0; i < count; ++i) {
            // Asks for the memory the writer reads of the next object (its numbers and the
            // start of each text) while this one is written: objects are large and far apart,
            // and each read of one would wait for memory.
            if (i + 1 < count) {
                const PipeObject& next = objects.at(i + 1);
                const char* const object = reinterpret_cast<const char*>(&next);
                for (const char* p = object; p < object + sizeof next; p += 64) __builtin_prefetch(p);
                // Long texts live elsewhere.
                for (const ObjectText* t : {&next.DistTxt, &next.CaiLiao, &next.GuiGe, &next.XingHao,
                                            &next.StartUse, &next.LastCheck, &next.FirstCase, &next.MidCase,
                                            &next.LastCase})
                    __builtin_prefetch(t->c_str());
            }
            writeObject(w, objects.at(i));
        }
    }
    writeDrawingTail(drawing, out);
}

void writeDrawingHead(const Drawing& drawing, const DrawingSettings& settings, std::string& out) {
    writeSettingsSection(out, drawing, settings);
}

void writeObjectSection(const PipeObject& object, std::string& out) {
    // The writer keeps a reference to its drain: it must outlive the writer.
    static const std::function<void(std::string&)> kNoDrain;
    SectionWriter w(out, kNoDrain);
    writeObject(w, object);
}

void writeDrawingTail(const Drawing& drawing, std::string& out) {
    std::string s;
    if (!drawing.table.empty()) {
        appendHeader(out, kTableSection);
        for (const auto& v : drawing.table.values) appendf(out, "%s\n", lineSafe(v, s));
        out.append("}\n\n");
    }
    if (!drawing.title.valuesEmpty()) {
        appendHeader(out, kTitleSection);
        for (const auto& v : drawing.title.values) appendf(out, "%s\n", lineSafe(v, s));
        out.append("}\n\n");
    }
    if (drawing.report) drawing.report->writeSections(out);
}

std::string axisLabelForFile(std::string_view gbk, bool mayBeEmpty) {
    const auto last = gbk.end();
    std::string out;
    for (auto it = gbk.begin(); it < last; ++it) {
        const auto c = static_cast<unsigned char>(*it);
        if (text::isGbkLeadByte(c) && it + 1 < last) {
            if (it[1] == '}') {
                out.push_back('?');
            } else {
                out.push_back(it[0]);
                out.push_back(it[1]);
            }
            ++it;
        } else if (text::isCSpace(*it) || c == 0) {
            out.push_back(kAxisLabelBlankSubstitute);
        } else {
            out.push_back(*it == '}' ? kClosingBraceSubstitute : *it);
        }
    }
    out.resize(text::gbkCutLength(out, AxisSettings::Label::kMaxBytes));
    if (out.empty() && !mayBeEmpty) out = kEmptyAxisLabel;
    return out;
}

platform::Result<> readDrawingFile(const std::filesystem::path& path, std::string& data) {
    return platform::readRegularFile(path, data, kMaxDrawingFileBytes);
}

platform::Result<> readDrawingFile(const std::filesystem::path& path, platform::FileBytes& data) {
    return platform::readRegularFile(path, data, kMaxDrawingFileBytes);
}

ReadResult readDrawing(std::string_view data, Drawing& drawing, DrawingSettings& settings) {
    LineReader in(data);
    const KeyMatcher& sections = fileSectionKeys();
    std::string_view line;
    ReadResult result;
    while (in.next(line)) {
        const int k = sections.find(line);
        if (k < 0) continue;
        const FileSection& section = *kFileSectionsInReadOrder[static_cast<std::size_t>(k)];
        if (text::trimBlanks(line) == section.header) ++result.headers;
        switch (section.id) {
            case kSettingsSection: readSettings(in, drawing, settings); break;
            case kObjectSection: readObject(in, drawing); break;
            case kTableSection: readTable(in, drawing); break;
            case kTitleSection: readTitle(in, drawing); break;
            default:
                if (drawing.report)
                    drawing.report->readSection(section.name, in);
                else
                    skipSection(in);
                break;
        }
    }
    if (in.stopped()) {
        result.stopped = true;
        result.reason = in.stopReason();
    }
    return result;
}

}  // namespace tubra::model
