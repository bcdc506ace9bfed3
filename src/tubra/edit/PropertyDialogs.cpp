#include "tubra/edit/PropertyDialogs.h"

#include "tubra/edit/FittingPropertyForms.h"

namespace tubra::edit {

std::unique_ptr<PropertyForm> makePropertyForm(const model::PipeObject& object,
                                               const PropertyContext& context) {
    const model::KindRow* kind = model::kindRow(object.MainType);
    if (!kind) return nullptr;
    switch (kind->dialog) {
        case model::PropertyDialog::None: return nullptr;
        case model::PropertyDialog::Segment: return std::make_unique<SegmentForm>(object, context);
        case model::PropertyDialog::Weld: return std::make_unique<WeldForm>(object);
        case model::PropertyDialog::Tee: return std::make_unique<TeePropertyForm>(object);
        case model::PropertyDialog::Elbow: return std::make_unique<ElbowPropertyForm>(object);
        case model::PropertyDialog::Fitting: return std::make_unique<ValvePropertyForm>(object);
        case model::PropertyDialog::Support: return std::make_unique<SupportForm>(object);
        case model::PropertyDialog::Text: return std::make_unique<TextForm>(object, context);
    }
    return nullptr;
}

bool applyPropertyForm(model::Document& doc, const model::PipeObject* listed, const PropertyForm& form) {
    return doc.drawing.objects.replaceObject(listed, form.result());
}

bool editProperties(model::Document& doc, const model::PipeObject* listed,
                    const PropertyContext& context, platform::FormHost& host) {
    if (!listed || !doc.drawing.objects.contains(listed)) return false;
    auto form = makePropertyForm(*listed, context);
    if (!form || !host.run(*form)) return false;
    return applyPropertyForm(doc, listed, *form);
}

}  // namespace tubra::edit
