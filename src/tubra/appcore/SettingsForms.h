#pragma once
// The behaviour of the settings dialogs, free of any window system: colours, line widths,
// line styles, layers, dimension text, elbow and tee factors, the characteristic table (with
// its special-character picker) and the title block. Each form works on its own copy of the
// values; `apply` writes them back and is called only after the form was accepted.
// Texts are UTF-8 here; the drawing keeps GBK.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "tubra/appcore/Forms.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/BoundForm.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"

namespace tubra::app {

// A settings dialog takes whatever its boxes hold: OK closes it, and the caller's `apply`
// writes the values back.
class SettingsForm : public edit::BoundForm<> {
protected:
    platform::FormState accept(platform::FormContext&) override {
        return platform::FormState::Accepted;
    }
};

// "设置颜色": thirteen colours, each a swatch with a chooser, and black-and-white printing.
// Colour fields read and write "#RRGGBB".
class ColourForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "设置颜色";
    static constexpr std::string_view kRestoreDefaults = "恢复默认";
    static constexpr std::string_view kAllBlack = "全部黑色";
    static constexpr std::string_view kPrintBlackAndWhite = "打印时为黑白色";
    static constexpr std::string_view kChooseButton = "->";
    static constexpr int kRows = 13;
    static constexpr int kBackgroundRow = 0;
    static constexpr int kTextRow = 11;
    static constexpr int kRubberBandRow = 12;

    struct Row {
        std::string_view label;
        std::string_view key;
        model::Colour model::DrawingSettings::*member;
        model::Colour defaultColour;  // the text row's default is computed
    };
    static const std::array<Row, kRows>& rows();

    explicit ColourForm(const model::DrawingSettings& settings);
    std::string caption() const override { return std::string(kCaption); }

    model::Colour colour(int row) const { return colours_.at(static_cast<std::size_t>(row)); }
    void setColour(int row, model::Colour c);
    // "恢复默认": every row back to its default; the text becomes the complement of the
    // background the rows now hold, so it stays readable.
    void restoreDefaults();
    // "全部黑色": every row black except the background and the rubber band.
    void allBlack();
    bool printInBlackAndWhite = true;

    void apply(model::DrawingSettings& settings) const;

    static std::string colourText(model::Colour c);
    static bool parseColour(std::string_view text, model::Colour& c);

private:
    std::array<model::Colour, kRows> colours_{};
};

// "设置线宽": six editable lists of widths.
class LineWidthForm : public edit::BoundForm<> {
public:
    static constexpr std::string_view kCaption = "设置线宽";
    static constexpr std::string_view kZeroOrEmpty = "选择区域不能出现0或者空项, \n\n请重新选择!";
    static constexpr std::string_view kErrorCaption = "出错信息";
    static constexpr std::size_t kMaxChars = 5;
    static constexpr int kRows = 6;

    struct Row {
        std::string_view label;
        std::string_view key;
        float model::DrawingSettings::*member;
    };
    static const std::array<Row, kRows>& rows();
    static const std::vector<std::string>& offered();  // 1, 2, 4, ... 14

    explicit LineWidthForm(const model::DrawingSettings& settings);
    std::string caption() const override { return std::string(kCaption); }

    std::array<std::string, kRows> texts;
    // The widths OK accepted.
    const std::array<float, kRows>& widths() const { return widths_; }
    void apply(model::DrawingSettings& settings) const;

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    std::array<float, kRows> widths_{};
};

// "选择线形": the style library and five settings with a check box and a sample each.
// Picking a library entry gives that style to every checked setting.
class LineStyleForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "选择线形";
    static constexpr std::string_view kLibraryLabel = "线形库:";
    static constexpr int kRows = 5;
    static constexpr std::array<std::string_view, 5> kStyleNames = {"实线", "虚线", "点线",
                                                                    "点划线", "双点划线"};

    struct Row {
        std::string_view label;
        std::string_view key;
        std::string_view checkName;
        std::int32_t model::DrawingSettings::*member;
    };
    static const std::array<Row, kRows>& rows();

    explicit LineStyleForm(const model::DrawingSettings& settings);
    std::string caption() const override { return std::string(kCaption); }

    std::array<int, kRows> styles{};
    std::array<bool, kRows> checked{};
    // The library entry last picked, -1 before any.
    int picked = -1;
    // Picks a library entry (0..4): every checked setting takes it.
    void pick(int style);

    void apply(model::DrawingSettings& settings) const;
};

// A style sample: a white rectangle with a black horizontal line of width 1 through its middle
// in the style. `box` is logical (y up).
void paintLineStyleSample(platform::Canvas& canvas, const platform::Rect& box, int style);

// "图层开关设置": eight layer switches (the dimension-line layer has none and keeps its value).
class LayerForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "图层开关设置";
    static constexpr int kRows = 8;

    struct Row {
        std::string_view label;
        std::string_view key;
        std::int32_t model::DrawingSettings::*member;
    };
    static const std::array<Row, kRows>& rows();

    explicit LayerForm(const model::DrawingSettings& settings);
    std::string caption() const override { return std::string(kCaption); }

    std::array<bool, kRows> on{};
    void apply(model::DrawingSettings& settings) const;
};

// "标注文字设置": two sliders (dimension offset and text size) and the automatic elevation
// marks.
class DimensionTextForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "标注文字设置";
    static constexpr std::string_view kHighLabel = "标注字高低:";
    static constexpr std::string_view kSizeLabel = "标注字大小:";
    static constexpr std::string_view kAutoElevation = "标高改变时自动标注";
    static constexpr int kHighMin = 0, kHighMax = 100;
    static constexpr int kSizeMin = 3, kSizeMax = 100;

    DimensionTextForm(const model::DrawingSettings& settings, bool autoElevation);
    std::string caption() const override { return std::string(kCaption); }

    int high = 0;
    int size = 0;
    bool autoElevation = false;
    // The echo beside a slider.
    static std::string echo(int value);

    void apply(model::DrawingSettings& settings, bool& autoElevationSwitch) const;
};

// "设置弯头半径及三通长度": elbow radius, tee length and fitting symbol scale, in multiples.
// Three further scale values of the view travel through unchanged but are checked too.
class ElbowTeeForm : public edit::BoundForm<> {
public:
    static constexpr std::string_view kCaption = "设置弯头半径及三通长度";
    static constexpr std::string_view kBadValues = "参数设置不正确，请重新设置。";
    static constexpr std::string_view kErrorCaption = "错误:";
    static constexpr std::string_view kUnit = "倍";
    static constexpr std::size_t kMaxChars = 15;
    static constexpr double kViewScaleDefault = 200.0;

    struct Row {
        std::string_view label;
        std::string_view key;
        double model::DrawingSettings::*member;
    };
    static const std::array<Row, 3>& rows();

    explicit ElbowTeeForm(const model::DrawingSettings& settings,
                          std::array<double, 3> viewScales = {kViewScaleDefault, kViewScaleDefault,
                                                              kViewScaleDefault});
    std::string caption() const override { return std::string(kCaption); }

    std::array<std::string, 3> texts;
    std::array<double, 3> viewScales;
    const std::array<double, 3>& values() const { return values_; }
    void apply(model::DrawingSettings& settings) const;

protected:
    platform::FormState accept(platform::FormContext& context) override;

private:
    std::array<double, 3> values_{};
};

// What the characteristic table counts in a drawing.
struct DrawingStatistics {
    std::string length;  // metres, "%-5.2f": the segments whose length text states a length
    int unknownLengths = 0;  // segments whose length text states none (not counted in `length`)
    int elbows = 0;
    int welds = 0;
    int tees = 0;
    int valves = 0;
    int segments = 0;
    int otherFittings = 0;
};
DrawingStatistics countDrawing(const model::ObjectList& objects);

// "特殊字符表": one of twelve special characters.
class SpecialCharacterForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "特殊字符表";
    static constexpr std::array<std::string_view, 12> kCharacters = {
        "▽", "△", "▲", "Φ", "±", "×", "∨", "∧", "⊙", "⊥", "°", "℃"};

    SpecialCharacterForm();
    std::string caption() const override { return std::string(kCaption); }
    int index = 0;
    std::string chosen() const;
};

// "设置管道特性表": eighteen rows; the class row is a list; automatic statistics, import from
// another drawing file and the special characters for the size (规格) row.
class CharacteristicTableForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "设置管道特性表";
    static constexpr int kRows = 18;
    static constexpr int kClassRow = 2;
    static constexpr int kFirstCountRow = 9;   // length, then five counts
    static constexpr int kLastCountRow = 14;
    static constexpr int kSizeRow = 17;
    static constexpr std::size_t kMaxBytes = 40;
    static constexpr std::size_t kSizeMaxBytes = 39;
    // The size row takes a special character only while it holds fewer bytes.
    static constexpr std::size_t kSpecialRoom = 37;
    static constexpr std::string_view kEmptyClassShows = "GC2";
    static constexpr std::string_view kAutoCountButton = "↓自动统计以下各项↓";
    static constexpr std::string_view kImportButton = "↓从已有文件中引用↓";
    static constexpr std::string_view kSpecialButton = "<<";
    static constexpr std::string_view kAutoCountQuestion = "确定要用自动统计来更新各统计项吗？";
    static constexpr std::string_view kAutoCountCaption = "请确认";
    // Said after the count when some segments' length texts state no length (%d: how many).
    static constexpr std::string_view kUncountedLengths =
        "有 %d 根管段的文字不是长度数字（毫米），管线总长中没有计入它们。";
    static constexpr std::string_view kOpenErrorCaption = "打开文件错误";

    static const std::array<std::string_view, kRows>& labels();
    static const std::vector<std::string>& classes();  // "", "GA1", ... "GC3"
    // "row1" ... "row18".
    static std::string rowName(int row);
    // The message shown when a file to import from cannot be read.
    static std::string openErrorText(std::string_view fileName);

    CharacteristicTableForm(const model::CharacteristicTable& table,
                            const model::ObjectList& objects);
    std::string caption() const override { return std::string(kCaption); }

    std::array<std::string, kRows> rows;
    const DrawingStatistics& statistics() const { return statistics_; }

    // Rows 9 to 14 from the statistics (after the user's confirmation).
    void fillStatistics();
    // Rows from the table section of another drawing file. False when the file cannot be
    // read (the rows stay); true otherwise, even when the file has no table.
    bool importFrom(const std::filesystem::path& file);
    // Appends a special character to the size row when there is room.
    bool appendSpecial(std::string_view character);

    void apply(model::CharacteristicTable& table) const;

private:
    DrawingStatistics statistics_;
};

// A calendar date, for the title block's empty dates.
struct CalendarDate {
    int year = 1980, month = 1, day = 1;
};
CalendarDate today();

// "设置图纸标题框": the seven title-block values; empty dates show today's date.
class TitleBlockForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "设置图纸标题框";
    static constexpr int kRows = 7;
    static constexpr std::size_t kMaxBytes = 39;

    struct Row {
        std::string_view label;
        int value;  // index into the title block's values
    };
    // In dialog order: name, drawn by, its date, checked by, its date, number, old number.
    static const std::array<Row, kRows>& rows();
    static std::string rowName(int row) { return "row" + std::to_string(row + 1); }
    static std::string dateText(const CalendarDate& date);

    TitleBlockForm(const model::TitleBlock& title, const CalendarDate& today);
    std::string caption() const override { return std::string(kCaption); }

    std::array<std::string, kRows> values;  // in dialog order
    // Stores the values and the fixed labels.
    void apply(model::TitleBlock& title) const;
};

// "设置捕捉": two sliders with their echo and preview square, and the four snap modes.
class SnapForm : public SettingsForm {
public:
    static constexpr std::string_view kCaption = "设置捕捉";
    static constexpr std::string_view kDistanceLabel = "捕捉距离";
    static constexpr std::string_view kMarkerLabel = "标记大小";
    static constexpr std::array<std::string_view, 4> kModeLabels = {"端点捕捉", "中点捕捉",
                                                                    "任意点捕捉", "只捕捉焊缝"};
    static constexpr int kMin = 2, kMax = 15;

    explicit SnapForm(const edit::SnapSettings& settings);
    std::string caption() const override { return std::string(kCaption); }

    // The dialog's values; one distance and one marker size for x and y alike.
    edit::SnapSettings values;
    // Stores the six values: the sizes for x and y.
    void apply(edit::SnapSettings& settings) const;
    // The echo beside a slider.
    static std::string echo(int value);
};

// The preview of a slider: a square of half-side `halfSide` centred in `box` (logical), drawn
// with the inverting pen, so that drawing it again takes it away.
void paintSnapPreview(platform::Canvas& canvas, const platform::Rect& box, int halfSide);

}  // namespace tubra::app
