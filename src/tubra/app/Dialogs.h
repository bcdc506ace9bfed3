#pragma once
// The view's dialogs, the about box and the message boxes, bound to their form models.

#include <QDialog>
#include <QImage>

#include "platform/Prompter.h"
#include "tubra/app/FormBinding.h"
#include "tubra/appcore/Forms.h"

class QComboBox;
class QCheckBox;
class QLineEdit;

namespace tubra::app {

// A modal message box with the program's Chinese button texts.
platform::Answer showMessageBox(QWidget* parent, const platform::Message& message);

// "新建图形", bound to its form: the angles, the elevation and "开    始". A refused elevation
// is told and selected for typing again.
class NewDrawingDialog : public BoundFormDialog {
public:
    NewDrawingDialog(NewDrawingForm& form, platform::FormContext& context, QWidget* parent = nullptr);
    void accept() override;

    QComboBox* alphaBox() const { return alpha_; }
    QComboBox* betaBox() const { return beta_; }
    QLineEdit* elevationEdit() const { return elevation_; }

private:
    QComboBox* alpha_;
    QComboBox* beta_;
    QLineEdit* elevation_;
};

class AboutDialog : public QDialog {
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// The about box's picture: the bundled pipeline drawn by the program itself.
QImage aboutPicture(QSize size);

}  // namespace tubra::app
