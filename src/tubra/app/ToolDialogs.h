#pragma once
// The Qt dialogs of the editing tools and of the segment, weld, support and text dialogs.
// Each is built from its form's declared fields: a label and a widget per field, named by the
// field's session name, bound live to the form (every edit goes into the form at once), so a
// dialog and a replayed session work through the same form.

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <map>
#include <optional>

#include "platform/qt/FormDialogs.h"
#include "platform/FormFields.h"

class QWidget;

namespace tubra::app {

class FieldFormDialog : public platform::qt::FormDialog {
public:
    FieldFormDialog(platform::Form& form, platform::FormContext& context, QWidget* parent = nullptr);

    // The widget of a field (a line edit, combo box, check box, plain-text edit, or the box of
    // a radio group); null for an unknown name.
    QWidget* fieldWidget(const std::string& name) const;

protected:
    void loadWidgets() override;

private:
    void build();
    QWidget* makeWidget(const platform::DeclaredField& field);
    void fieldEdited(const std::string& name, const std::string& value);

    const platform::DeclaredFields& fields_;
    std::map<std::string, QWidget*> widgets_;
    bool loading_ = false;
};

// Where a dialog of size `frame` (with its window frame) goes so that it leaves `keepClear`
// in sight on `screen`: at `remembered` (where the user had it last) or `current` when that
// leaves it clear, else below, above, right or left of it, else in a corner of the screen;
// where nothing is clear, where it covers least. Global coordinates; returns the top left.
QPoint placeClearOf(QSize frame, const QRect& screen, const QRect& keepClear,
                    const std::optional<QPoint>& remembered, QPoint current);

// Registers the dialogs of the editing tools with the form host.
void registerToolDialogs();

}  // namespace tubra::app
