#include "tubra/appcore/Forms.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "text/Gbk.h"
#include "tubra/edit/NumberInput.h"
#include "tubra/model/DrawingFile.h"

namespace tubra::app {

namespace {

// Where each dialog field's label lives in the drawing's axis settings (vertical, β, α).
constexpr std::array<int, 3> kFieldToAxisLabel = {2, 1, 0};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(" \t");
    return std::string(s.substr(first, last - first + 1));
}

// As the dialog shows a number: the shortest form that reads back the same.
std::string formatElevation(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

}  // namespace

NewDrawingForm::NewDrawingForm(const view::ViewState& view)
    : alphaIndex(indexOfAngle(view.X_AxisAngle)),
      betaIndex(indexOfAngle(view.Y_AxisAngle)),
      elevationText(formatElevation(view.firstPointElevation)) {
    addChoice("alpha", alphaIndex, angleEntries());
    addChoice("beta", betaIndex, angleEntries());
    addText("elevation", elevationText, 0);
    declareAction({"ok", std::string(kStartButton), {}, {}, false, {}});
}

std::vector<std::string> NewDrawingForm::angleEntries() {
    std::vector<std::string> out;
    for (int a : kAngles) out.push_back(std::to_string(a));
    return out;
}

int NewDrawingForm::indexOfAngle(double angle) {
    for (std::size_t i = 0; i < kAngles.size(); ++i)
        if (angle == kAngles[i]) return static_cast<int>(i);
    return 0;
}

platform::FormState NewDrawingForm::accept(platform::FormContext& context) {
    if (values()) return platform::FormState::Accepted;
    context.prompter.ask({std::string(kNotANumber), std::string(kCaption), platform::Buttons::Ok,
                          platform::MessageIcon::Warning, platform::Answer::Ok});
    return platform::FormState::Open;
}

std::optional<view::NewDrawingValues> NewDrawingForm::values() const {
    const std::string t = trimmed(elevationText);
    double elevation = 0.0;
    if (!t.empty()) {
        char* end = nullptr;
        errno = 0;
        elevation = std::strtod(t.c_str(), &end);
        if (end != t.c_str() + t.size() || errno == ERANGE || !edit::numbers::kLength.contains(elevation))
            return std::nullopt;
    }
    view::NewDrawingValues v;
    const auto angle = [](int index) {
        return index >= 0 && index < static_cast<int>(kAngles.size()) ? kAngles[index] : kAngles[0];
    };
    v.alpha = angle(alphaIndex);
    v.beta = angle(betaIndex);
    v.firstPointElevation = elevation;
    return v;
}

PageSetupForm::PageSetupForm(const model::Drawing& drawing)
    : pageSize(drawing.PageSize == 1 ? 1 : 0), showAxes(drawing.AxisSet.visible != 0) {
    for (int f = 0; f < 3; ++f) {
        const std::string_view label = drawing.AxisSet.labels[kFieldToAxisLabel[f]].view();
        labels[f] = label == model::kEmptyAxisLabel ? std::string() : text::gbkToUtf8(label);
    }
    addChoice("pageSize", pageSize, std::vector<std::string>(kPageSizes.begin(), kPageSizes.end()));
    addCheck("showAxes", showAxes);
    for (int i = 0; i < 3; ++i) {
        Field& f = addCustom(std::string(kLabelFields[static_cast<std::size_t>(i)]), Kind::Text,
                             [this, i] { return labels[static_cast<std::size_t>(i)]; },
                             [this, i](std::string_view v) -> platform::Result<> {
                                 setLabel(i, v);
                                 return {};
                             });
        f.def.maxBytes = kLabelBytes;
        // The labels can be typed only while the axis indicator is shown.
        f.enabled = [this] { return labelsEnabled(); };
    }
}

std::string PageSetupForm::setLabel(int field, std::string_view utf8) {
    if (field < 0 || field >= 3) return {};
    labels[field] = text::gbkToUtf8(model::axisLabelForFile(text::utf8ToGbk(utf8), true));
    return labels[field];
}

model::AxisSettings PageSetupForm::axisSettings() const {
    model::AxisSettings axis;
    axis.visible = showAxes ? 1 : 0;
    // In the file's order (vertical, beta, alpha), so that "later" means later on the line.
    bool laterNonEmpty = false;
    for (int i = 2; i >= 0; --i) {
        const int f = static_cast<int>(std::find(kFieldToAxisLabel.begin(), kFieldToAxisLabel.end(), i) -
                                       kFieldToAxisLabel.begin());
        const std::string label = model::axisLabelForFile(text::utf8ToGbk(labels[f]), !laterNonEmpty);
        laterNonEmpty = laterNonEmpty || !label.empty();
        axis.labels[i] = label;
    }
    return axis;
}

}  // namespace tubra::app
