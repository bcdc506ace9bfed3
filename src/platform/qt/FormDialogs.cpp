#include "platform/qt/FormDialogs.h"

#include <map>

#include <QMessageLogger>

namespace platform::qt {

namespace {
std::map<std::type_index, DialogFactory>& registry() {
    static std::map<std::type_index, DialogFactory> factories;
    return factories;
}
}  // namespace

FormDialog::FormDialog(Form& form, FormContext& context, QWidget* parent)
    : QDialog(parent), form_(form), context_(context) {
    setWindowTitle(QString::fromStdString(form.caption()));
}

FormState FormDialog::perform(std::string_view action) {
    storeWidgets();
    std::string error;
    const FormState state = form_.act(action, context_, &error);
    if (!error.empty()) qWarning("%s", error.c_str());
    if (state == FormState::Accepted) {
        QDialog::accept();
    } else if (state == FormState::Rejected) {
        QDialog::reject();
    } else {
        loadWidgets();
    }
    return state;
}

void FormDialog::accept() { perform("ok"); }
void FormDialog::reject() { perform("cancel"); }

void QtFormHost::registerDialog(std::type_index type, DialogFactory factory) {
    registry()[type] = std::move(factory);
}

bool QtFormHost::hasDialog(const Form& form) {
    return registry().count(std::type_index(typeid(form))) != 0;
}

bool QtFormHost::run(Form& form) {
    const auto it = registry().find(std::type_index(typeid(form)));
    if (it == registry().end()) {
        qWarning("no dialog for \"%s\"", form.caption().c_str());
        return false;
    }
    form.reopen();
    FormContext context{prompter_, *this};
    std::unique_ptr<QDialog> dialog = it->second(form, context, parent_);
    if (!dialog) return false;
    if (onShow) onShow(*dialog, form);
    dialog->exec();
    // A dialog closed by other means than its form (the window system) counts as cancelled.
    return form.state() == FormState::Accepted;
}

}  // namespace platform::qt
