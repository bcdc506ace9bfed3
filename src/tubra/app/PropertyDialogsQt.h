#pragma once
// The Qt dialogs of the tee, elbow and valve property forms.

#include "tubra/app/FormBinding.h"
#include "tubra/edit/FittingPropertyForms.h"

namespace tubra::app {

// Registers the dialogs of the tee, elbow and valve property forms with the form host.
void installFittingPropertyDialogs();

class TeePropertyDialog : public BoundFormDialog {
public:
    TeePropertyDialog(edit::TeePropertyForm& form, platform::FormContext& context, QWidget* parent);
};

class ElbowPropertyDialog : public BoundFormDialog {
public:
    ElbowPropertyDialog(edit::ElbowPropertyForm& form, platform::FormContext& context,
                        QWidget* parent);
};

class ValvePropertyDialog : public BoundFormDialog {
public:
    ValvePropertyDialog(edit::ValvePropertyForm& form, platform::FormContext& context,
                        QWidget* parent);
};

}  // namespace tubra::app
