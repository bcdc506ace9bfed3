#pragma once
// Qt dialogs bound to forms, and the host that shows them.
//
// Every form gets a dialog: the one a program registered for its kind (a hand-laid dialog),
// else the dialog built from the form's description (platform/FormModel.h), which for a form
// that describes nothing is an edit box per field with OK and Cancel. A dialog routes every
// button through `Form::act`, so OK validation, nested dialogs and session recording behave
// the same in the window as in a replayed session.

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <typeindex>

#include <QDialog>
#include <QString>

#include "platform/Form.h"
#include "platform/FormModel.h"

class QAbstractButton;
class QAction;
class QLabel;
class QScrollArea;
class QShowEvent;
class QTableWidget;
class QWidget;

namespace platform::qt {

// The base of every form-bound dialog: OK and Cancel (and closing the window) go through the
// form's "ok" and "cancel" actions; the dialog closes when the form is no longer open.
class FormDialog : public QDialog {
public:
    FormDialog(Form& form, FormContext& context, QWidget* parent = nullptr);

    Form& form() { return form_; }
    FormContext& context() { return context_; }

    // Runs an action on the form and closes the dialog when the form closed. Returns the
    // form's state. Widgets call this for every button.
    FormState perform(std::string_view action);

    void accept() override;
    void reject() override;

protected:
    // Copies the widgets into the form before an action (edits not yet committed), and the
    // form back into the widgets after it (an action may change shown values).
    virtual void storeWidgets() {}
    virtual void loadWidgets() {}

private:
    Form& form_;
    FormContext& context_;
};

// The dialog built from a form's description: groups of cells on a grid, the buttons of the
// layout in a row at the bottom. Every edit goes to the form at once (so its limits and rules
// show while typing) and the form's values come back after it; every button is an action.
class ModelFormDialog : public FormDialog {
public:
    ModelFormDialog(Form& form, FormContext& context, QWidget* parent = nullptr);
    ~ModelFormDialog() override;

    // Asks for a file to open (title, filter in the "name|pattern|...||" form); empty when
    // cancelled. Replaceable for tests.
    static std::function<QString(QWidget* parent, const QString& title, const QString& filter)>
        chooseFile;
    // A "name|pattern|name|pattern||" filter as a file dialog's name filter.
    static QString nameFilter(const std::string& filter);

    const FormModel& model() const { return model_; }
    QWidget* fieldWidget(const std::string& name) const;
    // The button of an action (for an entry of a menu, the button offering the menu).
    QAbstractButton* button(const std::string& action) const;
    // The menu entry of an action offered in a button's menu; null for any other.
    QAction* menuEntry(const std::string& action) const;
    QTableWidget* list(const std::string& name) const;

protected:
    void loadWidgets() override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeField(const FieldDef& def);
    QWidget* makeCell(const LayoutCell& cell);
    void edited(const std::string& name, const QString& value);
    void pressed(const std::string& action);
    void listSelectionChanged(const std::string& name);
    void loadField(const std::string& name, QWidget* widget);
    void loadList(const std::string& name, QTableWidget* table);

    std::unique_ptr<FormModel> ownModel_;  // the plain description of a form without one
    FormModel& model_;
    std::map<std::string, QWidget*> fields_;
    std::map<std::string, QAbstractButton*> buttons_;
    std::map<std::string, QAction*> menuEntries_;  // actions offered in a button's menu
    std::map<std::string, QLabel*> labels_;
    std::map<std::string, QTableWidget*> lists_;
    QLabel* picture_ = nullptr;
    QWidget* editing_ = nullptr;  // the widget being typed into
    QScrollArea* scroll_ = nullptr;
    bool sized_ = false;
    bool loading_ = false;
};

using DialogFactory =
    std::function<std::unique_ptr<QDialog>(Form& form, FormContext& context, QWidget* parent)>;

// Shows forms as modal dialogs.
class QtFormHost : public FormHost {
public:
    QtFormHost(Prompter& prompter, QWidget* parent) : prompter_(prompter), parent_(parent) {}

    // Registers the dialog of every form that is a T (a form class, or an interface a family of
    // forms shares), program-wide; registering the same T again replaces its dialog. A form
    // takes the dialog registered for its own class, else the one registered last for a class
    // or interface it derives from, else the dialog built from its model.
    template <typename T>
    static void registerDialog(DialogFactory factory) {
        registerDialog(std::type_index(typeid(T)),
                       [](Form& form) { return dynamic_cast<T*>(&form) != nullptr; },
                       std::move(factory));
    }
    // Registers DialogT, made from (FormT&, FormContext&, QWidget* parent), for FormT.
    template <typename FormT, typename DialogT>
    static void registerDialog() {
        registerDialog<FormT>([](Form& form, FormContext& context, QWidget* parent) -> std::unique_ptr<QDialog> {
            return std::make_unique<DialogT>(dynamic_cast<FormT&>(form), context, parent);
        });
    }
    // Whether the form has a registered dialog (else it gets the one built from its model).
    static bool hasDialog(Form& form);

    // Runs the form's dialog modally; true when the form was accepted.
    bool run(Form& form) override;

    // Told with every dialog just before it is shown (tests answer it, recorders watch it).
    std::function<void(QDialog&, Form&)> onShow;

    void setParent(QWidget* parent) { parent_ = parent; }

private:
    static void registerDialog(std::type_index type, std::function<bool(Form&)> matches, DialogFactory factory);

    Prompter& prompter_;
    QWidget* parent_;
};

}  // namespace platform::qt
