#include "tubra/edit/PropertyDialogs.h"

#include "tubra/edit/FittingPropertyForms.h"

namespace tubra::edit {

using model::ObjectKind;

std::unique_ptr<PropertyForm> makePropertyForm(const model::PipeObject& object,
                                               const PropertyContext& context) {
    switch (object.kind()) {
        case ObjectKind::Pipe: return std::make_unique<SegmentForm>(object, context);
        case ObjectKind::Weld: return std::make_unique<WeldForm>(object);
        case ObjectKind::Tee: return std::make_unique<TeePropertyForm>(object);
        case ObjectKind::Elbow: return std::make_unique<ElbowPropertyForm>(object);
        case ObjectKind::Valve:
        case ObjectKind::Fitting:
        case ObjectKind::SiteMark: return std::make_unique<ValvePropertyForm>(object);
        case ObjectKind::Accessory: return std::make_unique<SupportForm>(object);
        case ObjectKind::TextBlock: return std::make_unique<TextForm>(object, context);
        default: return nullptr;
    }
}

bool applyPropertyForm(model::Document& doc, const model::PipeObject* listed, const PropertyForm& form) {
    if (!doc.drawing.objects.replaceObject(listed, form.result())) return false;
    doc.setModifiedFlag();
    return true;
}

bool editProperties(model::Document& doc, const model::PipeObject* listed,
                    const PropertyContext& context, platform::FormHost& host) {
    if (!listed || !doc.drawing.objects.contains(listed)) return false;
    auto form = makePropertyForm(*listed, context);
    if (!form || !host.run(*form)) return false;
    return applyPropertyForm(doc, listed, *form);
}

}  // namespace tubra::edit
