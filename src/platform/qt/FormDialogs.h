#pragma once
// Qt dialogs bound to forms, and the host that shows them.
//
// A program registers, for each form type, a function that builds its Qt dialog; the host
// then runs any form it is given as the matching modal dialog. A dialog routes every button
// through `Form::act`, so OK validation, nested dialogs and session recording behave the same
// in the window as in a replayed session.

#include <functional>
#include <memory>
#include <typeindex>

#include <QDialog>

#include "platform/Form.h"

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

using DialogFactory =
    std::function<std::unique_ptr<QDialog>(Form& form, FormContext& context, QWidget* parent)>;

// Shows forms as the dialogs registered for their types.
class QtFormHost : public FormHost {
public:
    QtFormHost(Prompter& prompter, QWidget* parent) : prompter_(prompter), parent_(parent) {}

    // Registers the dialog of form type T (program-wide).
    template <typename T>
    static void registerDialog(DialogFactory factory) {
        registerDialog(std::type_index(typeid(T)), std::move(factory));
    }
    static void registerDialog(std::type_index type, DialogFactory factory);
    // Registers DialogT, made from (FormT&, FormContext&, QWidget* parent), for form type FormT.
    template <typename FormT, typename DialogT>
    static void registerDialog() {
        registerDialog<FormT>([](Form& form, FormContext& context, QWidget* parent) -> std::unique_ptr<QDialog> {
            return std::make_unique<DialogT>(static_cast<FormT&>(form), context, parent);
        });
    }
    static bool hasDialog(const Form& form);

    // Runs the form's dialog modally; true when the form was accepted. A form without a
    // registered dialog is a programming error: it is reported and counts as cancelled.
    bool run(Form& form) override;

    // Told with every dialog just before it is shown (tests answer it, recorders watch it).
    std::function<void(QDialog&, Form&)> onShow;

    void setParent(QWidget* parent) { parent_ = parent; }

private:
    Prompter& prompter_;
    QWidget* parent_;
};

}  // namespace platform::qt
