#pragma once
// The view's dialogs, the about box and the message boxes, bound to their form models.

#include <QDialog>
#include <QImage>

#include "platform/Prompter.h"
#include "tubra/appcore/Forms.h"

class QComboBox;
class QCheckBox;
class QLineEdit;

namespace tubra::app {

// A modal message box with the program's Chinese button texts.
platform::Answer showMessageBox(QWidget* parent, const platform::Message& message);

class NewDrawingDialog : public QDialog {
public:
    NewDrawingDialog(const NewDrawingForm& form, QWidget* parent = nullptr);
    const NewDrawingForm& form() const { return form_; }
    std::optional<view::NewDrawingValues> values() const { return values_; }

    void accept() override;

    QComboBox* alphaBox() const { return alpha_; }
    QComboBox* betaBox() const { return beta_; }
    QLineEdit* elevationEdit() const { return elevation_; }

private:
    NewDrawingForm form_;
    std::optional<view::NewDrawingValues> values_;
    QComboBox* alpha_;
    QComboBox* beta_;
    QLineEdit* elevation_;
};

class PageSetupDialog : public QDialog {
public:
    PageSetupDialog(const PageSetupForm& form, QWidget* parent = nullptr);
    const PageSetupForm& form() const { return form_; }
    void accept() override;

    QComboBox* pageBox() const { return page_; }
    QCheckBox* axesBox() const { return axes_; }
    QLineEdit* labelEdit(int field) const { return labels_[field]; }

private:
    PageSetupForm form_;
    QComboBox* page_;
    QCheckBox* axes_;
    std::array<QLineEdit*, 3> labels_{};
};

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// The about box's picture: the bundled pipeline drawn by the program itself.
QImage aboutPicture(QSize size);

}  // namespace tubra::app
