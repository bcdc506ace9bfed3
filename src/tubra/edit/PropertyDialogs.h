#pragma once
// Which property dialog a properties click opens, by the kind of the object (its row says
// which), and what OK does with it.

#include <memory>

#include "platform/Form.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/model/Document.h"

namespace tubra::edit {

// The property dialog of `object` working on a copy of it; null for kinds without one.
std::unique_ptr<PropertyForm> makePropertyForm(const model::PipeObject& object,
                                               const PropertyContext& context);

// OK of a property dialog: the listed object takes the edited copy and the document is
// marked modified. False when the object is no longer listed.
bool applyPropertyForm(model::Document& doc, const model::PipeObject* listed, const PropertyForm& form);

// Shows the property dialog of a listed object and applies it on OK. True when applied.
bool editProperties(model::Document& doc, const model::PipeObject* listed,
                    const PropertyContext& context, platform::FormHost& host);

}  // namespace tubra::edit
