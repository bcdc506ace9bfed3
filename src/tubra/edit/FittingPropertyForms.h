#pragma once
// The property dialogs of tees, elbows and of valves, fittings and site marks. Each works on
// its own copy of the object; OK writes the edited boxes into the copy, and the caller puts
// the copy in place of the listed object (`ObjectList::replaceObject`) and marks the document
// modified. Shown numbers use the dialog's C formats; typed numbers are read as C `atof`
// reads them (a text that is not a number reads 0).

#include <string>
#include <string_view>

#include "tubra/edit/BoundForm.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/model/PipeObject.h"

namespace tubra::edit {

// The label angle of the dialogs: shown as the stored tenths divided by 10; a new value is
// taken only when it differs from the stored one by more than one degree.
namespace labelangle {
std::string shown(int dimAngle, std::string_view format = "%-5.2f");
bool changed(double enteredDegrees, int dimAngle);
// The mark that tells the dimension layout the angle was set by hand.
void setHandMark(model::PipeObject& o);
}  // namespace labelangle

// A text that begins with a blank hides the label: it is stored as "^".
std::string hiddenIfLeadingBlank(std::string_view text);

// What the tee, elbow and valve dialogs share: the object's copy and its common boxes.
class FittingPropertyForm : public BoundForm<PropertyForm> {
public:
    explicit FittingPropertyForm(const model::PipeObject& object);
    // The edited copy (after OK: with the dialog's values).
    const model::PipeObject& result() const override { return object_; }

    // Boxes shared by name across the dialogs (UTF-8).
    std::string DistTxt, Distanc, angle, StartUse, LastCheck, BiHou, CaiLiao, GuiGe;

protected:
    // Read-only boxes of a point: <port>.x, <port>.y, <port>.z.
    void addPoint(const std::string& prefix, const model::Vec3 model::PipeObject::*port,
                  std::string_view format);
    // The angle entered (degrees).
    double enteredAngle() const;
    // Takes the entered angle when it changed by more than a degree, with the hand mark when
    // `handMark`.
    void storeAngle(bool handMark);
    // The tee's and elbow's boxes: "name", "from" and "to" shown; then, after their points,
    // the edited boxes in dialog order; OK stores them, the label as `label`.
    void addNameAndDirections(std::string_view name);
    void addJointBoxes(std::size_t maxBytes);
    void storeJointBoxes(const std::string& label, bool handMark, std::size_t maxBytes);
    // Whether the number boxes hold finite numbers within what they measure: the angle, and
    // with `joint` the length and wall thickness of tees and elbows. When not, the user is
    // told and the dialog stays open.
    bool numbersAccepted(bool joint, platform::FormContext& context) const;
    // Replaces in the text boxes what the drawing file cannot carry; false (after naming the
    // characters) when it replaced something, so that OK is pressed again on the texts shown.
    bool textsCarried(platform::FormContext& context);

    model::PipeObject object_;
};

// "对象属性——三通".
class TeePropertyForm : public FittingPropertyForm {
public:
    static constexpr std::string_view kCaption = "对象属性——三通";
    static constexpr std::string_view kName = "三通";
    static constexpr std::size_t kMaxText = 254;

    explicit TeePropertyForm(const model::PipeObject& tee);
    std::string caption() const override { return std::string(kCaption); }

protected:
    platform::FormState accept(platform::FormContext&) override;
};

// "对象属性——弯头".
class ElbowPropertyForm : public FittingPropertyForm {
public:
    static constexpr std::string_view kCaption = "对象属性——弯头";
    static constexpr std::string_view kName = "弯头";
    static constexpr std::size_t kMaxText = 254;

    explicit ElbowPropertyForm(const model::PipeObject& elbow);
    std::string caption() const override { return std::string(kCaption); }

protected:
    platform::FormState accept(platform::FormContext&) override;
};

// "对象属性——阀门、管件": valves, fittings and site marks.
class ValvePropertyForm : public FittingPropertyForm {
public:
    static constexpr std::string_view kCaption = "对象属性——阀门、管件";
    static constexpr std::size_t kMaxText = 39;

    // The name shown for a symbol code; empty for codes the dialog does not name.
    static std::string_view symbolName(int subType);

    explicit ValvePropertyForm(const model::PipeObject& symbol);
    std::string caption() const override { return std::string(kCaption); }

protected:
    platform::FormState accept(platform::FormContext&) override;
};

}  // namespace tubra::edit
