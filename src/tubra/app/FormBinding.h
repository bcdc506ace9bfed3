#pragma once
// A Qt dialog laid out by hand, bound field by field to a form with declared fields. Each widget made through the
// helpers below carries the field's name; before every action the widgets' values go into
// the form (only those the user changed), after it the form's values come back, so what the
// form computes (defaults, statistics, imports) shows at once.

#include <functional>
#include <string>
#include <vector>

#include <QString>

#include "platform/qt/FormDialogs.h"
#include "platform/FormFields.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QWidget;

namespace tubra::app {

inline QString qstr(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

class BoundFormDialog : public platform::qt::FormDialog {
public:
    // `form` and `fields` are the same form: its generic side and its declared fields.
    BoundFormDialog(platform::Form& form, const platform::DeclaredFields& fields,
                    platform::FormContext& context, QWidget* parent);

    // The widget bound to a field, or null.
    QWidget* widgetFor(std::string_view name) const;

    // The values go into the form / come back from it (also done around every action).
    void storeWidgets() override;
    void loadWidgets() override;

protected:
    // An edit box (read-only for a read-only field); texts longer than the field holds are
    // cut while typing.
    QLineEdit* lineEdit(std::string_view name);
    // A drop-down list; editable for a text field that offers entries.
    QComboBox* comboBox(std::string_view name);
    QCheckBox* checkBox(std::string_view name, std::string_view label);
    QSlider* slider(std::string_view name);
    // A button that carries out an action of the form.
    QPushButton* actionButton(std::string_view text, std::string action);
    // The OK and Cancel buttons ("确定", "取消").
    QDialogButtonBox* okCancelButtons();
    QLabel* label(std::string_view text);

    // Binds a widget made elsewhere: `get` reads it, `set` shows a value.
    void bind(std::string_view name, QWidget* widget, std::function<std::string()> get,
              std::function<void(const std::string&)> set);

private:
    struct Binding {
        std::string name;
        QWidget* widget;
        std::function<std::string()> get;
        std::function<void(const std::string&)> set;
    };
    const platform::DeclaredFields& fields_;
    std::vector<Binding> bindings_;
};

}  // namespace tubra::app
