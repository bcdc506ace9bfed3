#include "tubra/appcore/SettingsCommands.h"

#include "tubra/appcore/SettingsForms.h"
#include "tubra/edit/CommandIds.h"
#include "tubra/edit/ViewController.h"
#include "tubra/edit/ViewPort.h"

namespace tubra::app::commands {

using edit::CommandContext;

namespace {

// Runs a dialog on the drawing settings; `apply` writes the accepted values back.
template <typename F, typename Apply>
void settingsDialog(CommandContext& c, F& form, Apply apply) {
    if (!c.forms.run(form)) return;
    apply();
    c.notifyChanged();
}

}  // namespace

void colours(CommandContext& c) {
    ColourForm form(c.doc.settings());
    settingsDialog(c, form, [&] { form.apply(c.doc.settings()); });
}

void lineWidths(CommandContext& c) {
    LineWidthForm form(c.doc.settings());
    settingsDialog(c, form, [&] { form.apply(c.doc.settings()); });
}

void lineStyles(CommandContext& c) {
    LineStyleForm form(c.doc.settings());
    settingsDialog(c, form, [&] { form.apply(c.doc.settings()); });
}

void layers(CommandContext& c) {
    LayerForm form(c.doc.settings());
    settingsDialog(c, form, [&] { form.apply(c.doc.settings()); });
}

void dimensionText(CommandContext& c) {
    // The automatic elevation marks are a switch of the editing tools, shown by the view.
    bool* autoElevation = c.controller ? &c.controller->settings().autoElevation : &c.view.autoElevation;
    DimensionTextForm form(c.doc.settings(), *autoElevation);
    if (c.forms.run(form)) {
        form.apply(c.doc.settings(), *autoElevation);
        c.view.autoElevation = *autoElevation;
    }
    // The view is drawn again whichever button closed the dialog.
    c.notifyChanged();
}

void snap(CommandContext& c) {
    edit::SnapSettings& settings = c.controller->settings().snap;
    SnapForm form(settings);
    if (!c.forms.run(form)) return;
    form.apply(settings);
    // The modes chosen here are the ones the next tool reset brings back.
    c.controller->keepSnapFlags();
}

void pageSetup(CommandContext& c) {
    PageSetupForm form(c.doc.drawing);
    if (!c.forms.run(form)) return;
    const view::ScrollChange change = view::pageSetup(c.view, c.doc, form.pageSize, form.axisSettings());
    if (c.port) c.port->apply(change);
    c.notifyChanged();
}

void elbowTee(CommandContext& c) {
    ElbowTeeForm form(c.doc.settings());
    settingsDialog(c, form, [&] { form.apply(c.doc.settings()); });
}

void characteristicTable(CommandContext& c) {
    CharacteristicTableForm form(c.doc.drawing.table, c.doc.drawing.objects);
    if (!c.forms.run(form)) return;
    form.apply(c.doc.drawing.table);
    c.view.table = c.doc.drawing.table;
    c.notifyChanged();
}

void titleBlock(CommandContext& c) {
    TitleBlockForm form(c.doc.drawing.title, today());
    if (!c.forms.run(form)) return;
    form.apply(c.doc.drawing.title);
    c.view.title = c.doc.drawing.title;
    c.notifyChanged();
}

}  // namespace tubra::app::commands
