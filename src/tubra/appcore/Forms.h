#pragma once
// The view's two dialogs as forms, like every other dialog: the new-drawing dialog (axis
// angles and first-point elevation) and the page-setup dialog (sheet size, axis indicator and
// its labels). The window's dialogs bind their widgets to the fields; texts are UTF-8.

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tubra/edit/BoundForm.h"
#include "tubra/model/Drawing.h"
#include "tubra/view/ViewState.h"

namespace tubra::app {

// "新建图形": α and β chosen from 30, 45 and 60 degrees, the elevation of the first point.
// Fields `alpha`, `beta` (the angles' texts) and `elevation`; OK ("开    始") refuses an
// elevation that is no number, telling so, and keeps the dialog open.
class NewDrawingForm : public edit::BoundForm<> {
public:
    static constexpr std::string_view kCaption = "新建图形";
    static constexpr std::string_view kAlphaLabel = "α角=";
    static constexpr std::string_view kBetaLabel = "β角=";
    static constexpr std::string_view kElevationLabel = "首点标高:";
    static constexpr std::string_view kElevationUnit = "毫米";
    static constexpr std::string_view kStartButton = "开    始";
    static constexpr std::string_view kNotANumber = "请输入一个数字。";
    static constexpr std::array<int, 3> kAngles = {30, 45, 60};

    // Starts from the view's current values: each list preselects the entry equal to the
    // current angle (the first when none is).
    explicit NewDrawingForm(const view::ViewState& view);

    int alphaIndex = 0;
    int betaIndex = 0;
    std::string elevationText;

    static std::vector<std::string> angleEntries();
    static int indexOfAngle(double angle);

    std::string caption() const override { return std::string(kCaption); }
    // The values as they stand; none when the elevation is not a number.
    std::optional<view::NewDrawingValues> values() const;

protected:
    platform::FormState accept(platform::FormContext& context) override;
};

// "页面设置": the sheet size, the axis indicator switch and the three axis labels. Fields
// `pageSize`, `showAxes`, `labelX`, `labelY`, `labelZ` (the labels only while the indicator
// is shown).
class PageSetupForm : public edit::BoundForm<> {
public:
    static constexpr std::string_view kCaption = "页面设置";
    static constexpr std::string_view kPageLabel = "图纸大小:";
    static constexpr std::array<std::string_view, 2> kPageSizes = {"A4(2900mm×2100mm)",
                                                                   "A3(4200mm×2900mm)"};
    static constexpr std::string_view kShowAxes = "显示坐标";
    // Label fields in dialog order; X is the east-west (α) axis, Y the south-north (β) axis,
    // Z the vertical one.
    static constexpr std::array<std::string_view, 3> kLabelCaptions = {"X向标注", "Y向标注",
                                                                       "Z向标注"};
    static constexpr std::size_t kLabelBytes = 4;
    // Field names of the three labels in dialog order (X, Y, Z).
    static constexpr std::array<std::string_view, 3> kLabelFields = {"labelX", "labelY", "labelZ"};

    explicit PageSetupForm(const model::Drawing& drawing);

    int pageSize = 0;
    bool showAxes = true;
    std::array<std::string, 3> labels;  // in dialog order X, Y, Z (UTF-8)

    // Whether the label fields can be edited (only with the axis indicator on).
    bool labelsEnabled() const { return showAxes; }
    // A label as typed, made what the drawing file can hold: blanks become '_' and '}' ']'
    // (the labels share a line, separated by blanks), cut to 4 bytes of whole characters.
    // Returns the text the field should show.
    std::string setLabel(int field, std::string_view utf8);

    // The axis settings OK stores. An empty label followed by a non-empty one becomes a
    // full-width blank, so the later labels keep their places in the file; the dialog shows
    // such a label empty again.
    model::AxisSettings axisSettings() const;

    std::string caption() const override { return std::string(kCaption); }

protected:
    platform::FormState accept(platform::FormContext&) override { return platform::FormState::Accepted; }
};

}  // namespace tubra::app
