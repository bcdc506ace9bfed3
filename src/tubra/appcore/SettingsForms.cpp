#include "tubra/appcore/SettingsForms.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fstream>
#include <iterator>
#include <sstream>
#include <system_error>

#include "platform/Clock.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/edit/NumberInput.h"
#include "tubra/model/DrawingFile.h"

namespace tubra::app {

using platform::FormContext;
using platform::FormState;
using S = model::DrawingSettings;

namespace {

std::string utf8(std::string_view gbk) { return text::gbkToUtf8(gbk); }

platform::Message errorMessage(std::string_view text, std::string_view caption) {
    return {std::string(text), std::string(caption), platform::Buttons::Ok, platform::MessageIcon::None,
            platform::Answer::Ok};
}

}  // namespace

// --- colours ---

const std::array<ColourForm::Row, ColourForm::kRows>& ColourForm::rows() {
    static const std::array<Row, kRows> table = {{
        {"背　　景:", "BeiJingColor", &S::BeiJingColor, 0xFFFFFF},
        {"当前管线:", "DangQianColor", &S::DangQianColor, 0x0000FF},
        {"主 管 线:", "ZhuXianColor", &S::ZhuXianColor, 0xFF0000},
        {"支 管 线:", "ZhiXianColor", &S::ZhiXianColor, 0xE61EDC},
        {"平面斜管:", "PingXieColor", &S::PingXieColor, 0x0A9600},
        {"空间斜管:", "LiXieColor", &S::LiXieColor, 0x969696},
        {"阀 门 类:", "FaMenColor", &S::FaMenColor, 0x326400},
        {"管 件 类:", "GuanJianColor", &S::GuanJianColor, 0x326400},
        {"焊    缝:", "HanFengColor", &S::HanFengColor, 0x0078F0},
        {"尺寸线:", "DimLineColor", &S::DimLineColor, 0x3232C8},
        {"标注值:", "DimTextColor", &S::DimTextColor, 0x0000C8},
        {"文  字:", "TextColor", &S::TextColor, 0},
        {"皮筋线:", "TractColor", &S::TractColor, 0x7DFFFF},
    }};
    return table;
}

ColourForm::ColourForm(const model::DrawingSettings& settings)
    : printInBlackAndWhite(settings.PrintIsNoColor != 0) {
    for (int i = 0; i < kRows; ++i) {
        const Row& row = rows()[static_cast<std::size_t>(i)];
        colours_[static_cast<std::size_t>(i)] = settings.*row.member;
        addCustom(std::string(row.key), Kind::Text,
                  [this, i] { return colourText(colour(i)); },
                  [this, i](std::string_view v) -> platform::Result<> {
                      model::Colour c = 0;
                      if (!parseColour(v, c)) return platform::Error("'" + std::string(v) + "' 不是颜色 #RRGGBB");
                      setColour(i, c);
                      return {};
                  });
    }
    addCheck("PrintIsNoColor", printInBlackAndWhite);
    addAction("defaults", [this](std::string_view, FormContext&) {
        restoreDefaults();
        return FormState::Open;
    });
    addAction("allBlack", [this](std::string_view, FormContext&) {
        allBlack();
        return FormState::Open;
    });
}

void ColourForm::setColour(int row, model::Colour c) {
    model::Colour& held = colours_.at(static_cast<std::size_t>(row));
    // A swatch shows 24 bits; choosing the colour it already shows keeps what is held (the
    // text colour's default carries a high byte that files store).
    if ((held & 0xFFFFFF) != (c & 0xFFFFFF)) held = c & 0xFFFFFF;
}

void ColourForm::restoreDefaults() {
    for (int i = 0; i < kRows; ++i)
        colours_[static_cast<std::size_t>(i)] = rows()[static_cast<std::size_t>(i)].defaultColour;
    colours_[kTextRow] = ~colours_[kBackgroundRow];
}

void ColourForm::allBlack() {
    for (int i = 0; i < kRows; ++i)
        if (i != kBackgroundRow && i != kRubberBandRow) colours_[static_cast<std::size_t>(i)] = 0;
}

void ColourForm::apply(model::DrawingSettings& settings) const {
    for (int i = 0; i < kRows; ++i)
        settings.*rows()[static_cast<std::size_t>(i)].member = colours_[static_cast<std::size_t>(i)];
    settings.PrintIsNoColor = printInBlackAndWhite ? 1 : 0;
}

std::string ColourForm::colourText(model::Colour c) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string t = "#";
    for (int shift : {0, 8, 16}) {
        const unsigned byte = (c >> shift) & 0xFF;
        t += kHex[byte >> 4];
        t += kHex[byte & 0xF];
    }
    return t;
}

bool ColourForm::parseColour(std::string_view t, model::Colour& c) {
    if (t.size() != 7 || t[0] != '#') return false;
    unsigned v[3] = {};
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 2; ++k) {
            const char ch = t[static_cast<std::size_t>(1 + i * 2 + k)];
            unsigned d = 0;
            if (ch >= '0' && ch <= '9') d = static_cast<unsigned>(ch - '0');
            else if (ch >= 'a' && ch <= 'f') d = static_cast<unsigned>(ch - 'a' + 10);
            else if (ch >= 'A' && ch <= 'F') d = static_cast<unsigned>(ch - 'A' + 10);
            else return false;
            v[i] = v[i] * 16 + d;
        }
    }
    c = model::rgb(static_cast<int>(v[0]), static_cast<int>(v[1]), static_cast<int>(v[2]));
    return true;
}

// --- line widths ---

const std::array<LineWidthForm::Row, LineWidthForm::kRows>& LineWidthForm::rows() {
    static const std::array<Row, kRows> table = {{
        {"主管线:", "ZhuXianKuan", &S::ZhuXianKuan},
        {"支管线:", "ZhiXianKuan", &S::ZhiXianKuan},
        {"标注线:", "BiaoZhuKuan", &S::BiaoZhuKuan},
        {"阀门:", "FaMenKuan", &S::FaMenKuan},
        {"焊缝:", "HanFengKuan", &S::HanFengKuan},
        {"其它:", "QiTaKuan", &S::QiTaKuan},
    }};
    return table;
}

const std::vector<std::string>& LineWidthForm::offered() {
    static const std::vector<std::string> list = {"1", "2", "4", "6", "8", "10", "12", "14"};
    return list;
}

LineWidthForm::LineWidthForm(const model::DrawingSettings& settings) {
    for (int i = 0; i < kRows; ++i) {
        const Row& row = rows()[static_cast<std::size_t>(i)];
        widths_[static_cast<std::size_t>(i)] = settings.*row.member;
        texts[static_cast<std::size_t>(i)] =
            edit::fields::formatNumber("%-4.2f", static_cast<double>(settings.*row.member));
        addText(std::string(row.key), texts[static_cast<std::size_t>(i)], kMaxChars).def.choices = offered();
    }
}

FormState LineWidthForm::accept(FormContext& context) {
    std::array<float, kRows> read{};
    for (int i = 0; i < kRows; ++i) {
        // Typing is limited to five characters; a longer value shown from the settings is read
        // whole, so pressing OK does not change a width nobody touched.
        // An empty or unreadable entry reads as 0. A negative, endless or huge width cannot be
        // drawn either and is refused the same way.
        const auto v = edit::readNumber(texts[static_cast<std::size_t>(i)], edit::numbers::kLineWidth);
        if (!v) {
            context.prompter.ask(errorMessage(kZeroOrEmpty, kErrorCaption));
            return FormState::Open;
        }
        read[static_cast<std::size_t>(i)] = static_cast<float>(*v);
    }
    widths_ = read;
    return FormState::Accepted;
}

void LineWidthForm::apply(model::DrawingSettings& settings) const {
    for (int i = 0; i < kRows; ++i)
        settings.*rows()[static_cast<std::size_t>(i)].member = widths_[static_cast<std::size_t>(i)];
}

// --- line styles ---

const std::array<LineStyleForm::Row, LineStyleForm::kRows>& LineStyleForm::rows() {
    static const std::array<Row, kRows> table = {{
        {"主管线:", "ZhuXianStyle", "checkZhuXian", &S::ZhuXianStyle},
        {"支管线:", "ZhiXianStyle", "checkZhiXian", &S::ZhiXianStyle},
        {"标注线:", "BiaoZhuStyle", "checkBiaoZhu", &S::BiaoZhuStyle},
        {"阀门:", "FaMenStyle", "checkFaMen", &S::FaMenStyle},
        {"其它:", "QiTaStyle", "checkQiTa", &S::QiTaStyle},
    }};
    return table;
}

LineStyleForm::LineStyleForm(const model::DrawingSettings& settings) {
    std::vector<std::string> names(kStyleNames.begin(), kStyleNames.end());
    for (int i = 0; i < kRows; ++i) {
        const Row& row = rows()[static_cast<std::size_t>(i)];
        styles[static_cast<std::size_t>(i)] = settings.*row.member;
        addCheck(std::string(row.checkName), checked[static_cast<std::size_t>(i)]);
        addChoice(std::string(row.key), styles[static_cast<std::size_t>(i)], names);
    }
    addAction("pick", [this](std::string_view argument, FormContext&) {
        for (int s = 0; s < static_cast<int>(kStyleNames.size()); ++s)
            if (kStyleNames[static_cast<std::size_t>(s)] == argument) pick(s);
        return FormState::Open;
    });
}

void LineStyleForm::pick(int style) {
    if (style < 0 || style >= static_cast<int>(kStyleNames.size())) return;
    picked = style;
    for (int i = 0; i < kRows; ++i)
        if (checked[static_cast<std::size_t>(i)]) styles[static_cast<std::size_t>(i)] = style;
}

void LineStyleForm::apply(model::DrawingSettings& settings) const {
    for (int i = 0; i < kRows; ++i)
        settings.*rows()[static_cast<std::size_t>(i)].member = styles[static_cast<std::size_t>(i)];
}

void paintLineStyleSample(platform::Canvas& canvas, const platform::Rect& box, int style) {
    platform::CanvasStateGuard guard(canvas);
    canvas.fillRect(box, 0xFFFFFF);
    canvas.setPen(platform::Pen::fromStyle(style, 1, 0x000000));
    const int y = box.bottom + (box.top - box.bottom) / 2;
    canvas.moveTo({box.left, y});
    canvas.lineTo({box.right, y});
}

// --- layers ---

const std::array<LayerForm::Row, LayerForm::kRows>& LayerForm::rows() {
    static const std::array<Row, kRows> table = {{
        {"主管线", "ZhuXianLayer", &S::ZhuXianLayer},
        {"支管线", "ZhiXianLayer", &S::ZhiXianLayer},
        {"尺寸值", "DimTextLayer", &S::DimTextLayer},
        {"阀门类", "FaMenLayer", &S::FaMenLayer},
        {"管件类", "GuanJianLayer", &S::GuanJianLayer},
        {"辅助线", "FuZhuXianLayer", &S::FuZhuXianLayer},
        {"图框", "TuKuangLayer", &S::TuKuangLayer},
        {"其它", "QiTaLayer", &S::QiTaLayer},
    }};
    return table;
}

LayerForm::LayerForm(const model::DrawingSettings& settings) {
    for (int i = 0; i < kRows; ++i) {
        const Row& row = rows()[static_cast<std::size_t>(i)];
        on[static_cast<std::size_t>(i)] = settings.*row.member != 0;
        addCheck(std::string(row.key), on[static_cast<std::size_t>(i)]);
    }
}

void LayerForm::apply(model::DrawingSettings& settings) const {
    for (int i = 0; i < kRows; ++i)
        settings.*rows()[static_cast<std::size_t>(i)].member = on[static_cast<std::size_t>(i)] ? 1 : 0;
}

// --- dimension text ---

DimensionTextForm::DimensionTextForm(const model::DrawingSettings& settings, bool autoElevationSwitch)
    : high(settings.Dim_High), size(settings.Dim_Size), autoElevation(autoElevationSwitch) {
    addNumber("Dim_High", high, kHighMin, kHighMax);
    addNumber("Dim_Size", size, kSizeMin, kSizeMax);
    addCheck("autoElevation", autoElevation);
}

std::string DimensionTextForm::echo(int value) { return edit::fields::formatInt("%d", value); }

void DimensionTextForm::apply(model::DrawingSettings& settings, bool& autoElevationSwitch) const {
    settings.Dim_High = high;
    settings.Dim_Size = size;
    autoElevationSwitch = autoElevation;
}

// --- elbow, tee and fittings ---

const std::array<ElbowTeeForm::Row, 3>& ElbowTeeForm::rows() {
    static const std::array<Row, 3> table = {{
        {"弯头半径:", "m_wantouR", &S::m_wantouR},
        {"三通长度:", "m_santongChang", &S::m_santongChang},
        {"阀门管件:", "DrawZoom_GJFM", &S::DrawZoom_GJFM},
    }};
    return table;
}

ElbowTeeForm::ElbowTeeForm(const model::DrawingSettings& settings, std::array<double, 3> scales)
    : viewScales(scales) {
    for (int i = 0; i < 3; ++i) {
        const Row& row = rows()[static_cast<std::size_t>(i)];
        values_[static_cast<std::size_t>(i)] = settings.*row.member;
        texts[static_cast<std::size_t>(i)] = edit::fields::formatNumber("%-5.2f", settings.*row.member);
        addText(std::string(row.key), texts[static_cast<std::size_t>(i)], kMaxChars);
    }
}

FormState ElbowTeeForm::accept(FormContext& context) {
    // Each factor above 0 and within what can be drawn: an endless or huge factor would throw
    // every elbow, tee or fitting off the sheet, and later elbows inherit it.
    std::array<double, 3> read{};
    bool good = true;
    for (int i = 0; i < 3; ++i) {
        const auto v = edit::readNumber(texts[static_cast<std::size_t>(i)],
                                        i == 2 ? edit::numbers::kSymbolFactor : edit::numbers::kJointFactor);
        good = good && v;
        read[static_cast<std::size_t>(i)] = v.value_or(0.0);
    }
    for (double v : viewScales) good = good && edit::numbers::kLength.contains(v) && v > 0.0;
    if (!good) {
        context.prompter.ask(errorMessage(kBadValues, kErrorCaption));
        return FormState::Open;
    }
    values_ = read;
    return FormState::Accepted;
}

void ElbowTeeForm::apply(model::DrawingSettings& settings) const {
    for (int i = 0; i < 3; ++i)
        settings.*rows()[static_cast<std::size_t>(i)].member = values_[static_cast<std::size_t>(i)];
}

// --- characteristic table ---

DrawingStatistics countDrawing(const model::ObjectList& objects) {
    DrawingStatistics s;
    const model::LengthSum lengths = objects.pipeLengths();
    s.length = edit::fields::formatNumber("%-5.2f", lengths.mm / 1000.0);
    s.unknownLengths = lengths.unknown;
    s.elbows = objects.countOfKind(model::ObjectKind::Elbow);
    s.welds = objects.countOfKind(model::ObjectKind::Weld);
    s.tees = objects.countOfKind(model::ObjectKind::Tee);
    s.valves = objects.countOfKind(model::ObjectKind::Valve);
    s.segments = objects.countOfKind(model::ObjectKind::Pipe);
    s.otherFittings = objects.countOfKind(model::ObjectKind::Fitting);
    return s;
}

SpecialCharacterForm::SpecialCharacterForm() {
    addChoice("char", index, std::vector<std::string>(kCharacters.begin(), kCharacters.end()));
}

std::string SpecialCharacterForm::chosen() const {
    return index >= 0 && index < static_cast<int>(kCharacters.size())
               ? std::string(kCharacters[static_cast<std::size_t>(index)])
               : std::string();
}

const std::array<std::string_view, CharacteristicTableForm::kRows>& CharacteristicTableForm::labels() {
    static constexpr std::array<std::string_view, kRows> table = {
        "管线名称：", "管线编号：", "管线类别：", "管内主要工作介质：", "最高工作压力（MPa）：",
        "工作温度 （℃）：", "起止点：", "保温材料：", "投用日期：", "管线总长(米)：",
        "弯头总数(个)：", "焊缝总数(条)：", "三通总数(个)：", "阀门总数(个)：", "管段总数(根)：",
        "其他管配件(只)：", "管线材料：", "管线规格："};
    return table;
}

const std::vector<std::string>& CharacteristicTableForm::classes() {
    static const std::vector<std::string> list = {"",    "GA1", "GA2", "GA3", "GB1",
                                                  "GB2", "GC1", "GC2", "GC3"};
    return list;
}

std::string CharacteristicTableForm::rowName(int row) { return "row" + std::to_string(row + 1); }

std::string CharacteristicTableForm::openErrorText(std::string_view fileName) {
    return "错误：在打开文件" + std::string(fileName) + "时出错，\n该文件不存在或有其他原因！";
}

CharacteristicTableForm::CharacteristicTableForm(const model::CharacteristicTable& table,
                                                 const model::ObjectList& objects)
    : statistics_(countDrawing(objects)) {
    for (int i = 0; i < kRows; ++i) rows[static_cast<std::size_t>(i)] = utf8(table.values[static_cast<std::size_t>(i)].view());
    // The class list shows its usual class for a table that has none yet.
    if (rows[kClassRow].empty()) rows[kClassRow] = std::string(kEmptyClassShows);

    for (int i = 0; i < kRows; ++i) {
        const std::size_t limit = i == kSizeRow ? kSizeMaxBytes : kMaxBytes;
        if (i == kClassRow) {
            // A class the list does not offer (from an older file) stays as it is until another
            // is chosen.
            std::vector<std::string> offered = classes();
            if (std::find(offered.begin(), offered.end(), rows[kClassRow]) == offered.end())
                offered.push_back(rows[kClassRow]);
            addCustom(rowName(i), Kind::Choice, [this] { return rows[kClassRow]; },
                      [this, offered](std::string_view v) -> platform::Result<> {
                          if (std::find(offered.begin(), offered.end(), v) == offered.end())
                              return platform::Error(platform::form::notAChoice(rowName(kClassRow), v, offered));
                          rows[kClassRow] = std::string(v);
                          return {};
                      })
                .def.choices = offered;
            continue;
        }
        addText(rowName(i), rows[static_cast<std::size_t>(i)], limit);
    }

    addAction("autoCount", [this](std::string_view, FormContext& context) {
        const platform::Answer a = context.prompter.ask(
            {std::string(kAutoCountQuestion), std::string(kAutoCountCaption), platform::Buttons::OkCancel,
             platform::MessageIcon::Question, platform::Answer::Cancel});
        if (a != platform::Answer::Ok) return FormState::Open;
        fillStatistics();
        if (statistics_.unknownLengths > 0)
            context.prompter.ask({text::format(std::string(kUncountedLengths), statistics_.unknownLengths),
                                  "信息:", platform::Buttons::Ok, platform::MessageIcon::Information,
                                  platform::Answer::Ok});
        return FormState::Open;
    });
    addAction("import", [this](std::string_view file, FormContext& context) {
        // Without a file name (the file dialog was cancelled) nothing happens.
        if (file.empty()) return FormState::Open;
        if (!importFrom(std::filesystem::path(std::u8string(file.begin(), file.end()))))
            context.prompter.ask(errorMessage(openErrorText(file), kOpenErrorCaption));
        return FormState::Open;
    });
    addAction("special", [this](std::string_view, FormContext& context) {
        SpecialCharacterForm picker;
        if (context.host.run(picker)) appendSpecial(picker.chosen());
        return FormState::Open;
    });
}

void CharacteristicTableForm::fillStatistics() {
    const DrawingStatistics& s = statistics_;
    rows[9] = s.length;
    rows[10] = std::to_string(s.elbows);
    rows[11] = std::to_string(s.welds);
    rows[12] = std::to_string(s.tees);
    rows[13] = std::to_string(s.valves);
    rows[14] = std::to_string(s.segments);
}

bool CharacteristicTableForm::importFrom(const std::filesystem::path& file) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return false;

    // The drawing file's own reader takes the table; a first row no file line can hold (a line
    // never carries LF) tells whether the file had a table at all.
    model::Drawing other;
    model::DrawingSettings otherSettings;
    other.table.values[0] = "\n";
    model::readDrawing(data, other, otherSettings);
    if (other.table.values[0] == "\n") return true;
    for (int i = 0; i < kRows; ++i)
        rows[static_cast<std::size_t>(i)] = utf8(other.table.values[static_cast<std::size_t>(i)].view());
    return true;
}

bool CharacteristicTableForm::appendSpecial(std::string_view character) {
    std::string& size = rows[kSizeRow];
    if (character.empty() || edit::fields::gbkLength(size) >= kSpecialRoom) return false;
    size = edit::fields::cutToBytes(size + std::string(character), kSizeMaxBytes);
    return true;
}

void CharacteristicTableForm::apply(model::CharacteristicTable& table) const {
    for (int i = 0; i < kRows; ++i) table.values[static_cast<std::size_t>(i)] = text::utf8ToGbk(rows[static_cast<std::size_t>(i)]);
}

// --- title block ---

CalendarDate today() {
    const platform::CalendarTime now = platform::calendarNow();
    return {now.year, now.month, now.day};
}

const std::array<TitleBlockForm::Row, TitleBlockForm::kRows>& TitleBlockForm::rows() {
    static const std::array<Row, kRows> table = {{
        {"图纸名称：", 5},
        {"制 图：", 0},
        {"日期:", 3},
        {"审 核：", 1},
        {"日期:", 4},
        {"图 号：", 2},
        {"旧图号:", 6},
    }};
    return table;
}

std::string TitleBlockForm::dateText(const CalendarDate& d) {
    return text::format("%04d.%02d.%02d", d.year, d.month, d.day);
}

TitleBlockForm::TitleBlockForm(const model::TitleBlock& title, const CalendarDate& today) {
    for (int i = 0; i < kRows; ++i) {
        const int v = rows()[static_cast<std::size_t>(i)].value;
        // Typing keeps to 39 bytes; a longer value from the file stays whole unless edited.
        values[static_cast<std::size_t>(i)] = utf8(title.values[static_cast<std::size_t>(v)].view());
        if ((v == 3 || v == 4) && values[static_cast<std::size_t>(i)].empty())
            values[static_cast<std::size_t>(i)] = dateText(today);
        addText(rowName(i), values[static_cast<std::size_t>(i)], kMaxBytes);
    }
}

void TitleBlockForm::apply(model::TitleBlock& title) const {
    for (int i = 0; i < kRows; ++i)
        title.values[static_cast<std::size_t>(rows()[static_cast<std::size_t>(i)].value)] =
            text::utf8ToGbk(values[static_cast<std::size_t>(i)]);
    title.setLabels();
}

// --- snapping ---

SnapForm::SnapForm(const edit::SnapSettings& settings) : values(settings) {
    addNumber("distance", values.distanceX, kMin, kMax);
    addNumber("markerSize", values.markerX, kMin, kMax);
    addCheck("snapEnd", values.endPoints);
    addCheck("snapMid", values.midPoints);
    addCheck("snapAny", values.anyPoint);
    addCheck("snapWeld", values.weldsOnly);
}

void SnapForm::apply(edit::SnapSettings& settings) const {
    settings.endPoints = values.endPoints;
    settings.midPoints = values.midPoints;
    settings.anyPoint = values.anyPoint;
    settings.weldsOnly = values.weldsOnly;
    settings.distanceX = settings.distanceY = values.distanceX;
    settings.markerX = settings.markerY = values.markerX;
}

std::string SnapForm::echo(int value) { return edit::fields::formatInt("%2d", value); }

void paintSnapPreview(platform::Canvas& canvas, const platform::Rect& box, int halfSide) {
    platform::CanvasStateGuard guard(canvas);
    canvas.setRasterOp(platform::RasterOp::Not);
    canvas.setPen({platform::PenStyle::Solid, 1, 0x000000});
    canvas.setBrush(platform::Brush::null());
    const int cx = box.left + (box.right - box.left) / 2;
    const int cy = box.bottom + (box.top - box.bottom) / 2;
    canvas.rectangle({cx - halfSide, cy + halfSide, cx + halfSide, cy - halfSide});
}


}  // namespace tubra::app
