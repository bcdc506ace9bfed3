#pragma once
// The desktop dialogs of the report forms: one dialog class builds any report form's widgets
// from the form's layout and keeps them in step with the form. Every edit goes to the form at
// once (so its limits and rules show while typing), every button is one of its actions.

#include <functional>
#include <map>
#include <string>

#include <QString>

#include "platform/qt/FormDialogs.h"
#include "tubra/report/ReportForm.h"

class QAbstractButton;
class QLabel;
class QScrollArea;
class QShowEvent;
class QTableWidget;
class QWidget;

namespace tubra::app {

class ReportFormDialog : public platform::qt::FormDialog {
public:
    ReportFormDialog(report::ReportForm& form, platform::FormContext& context,
                     QWidget* parent = nullptr);
    ~ReportFormDialog() override;

    // Asks for a file to open (title, filter in the dialogs' "name|pattern|...||" form); empty
    // when cancelled. Replaceable for tests.
    static std::function<QString(QWidget* parent, const QString& title, const QString& filter)>
        chooseFile;
    // A "name|pattern|name|pattern||" filter as a file dialog's name filter.
    static QString nameFilter(const std::string& filter);

    QWidget* fieldWidget(const std::string& name) const;
    QAbstractButton* button(const std::string& action) const;
    QTableWidget* list(const std::string& name) const;

protected:
    void loadWidgets() override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeField(const report::FieldDef& def);
    QWidget* makeCell(const report::LayoutCell& cell);
    void edited(const std::string& name, const QString& value);
    void pressed(const std::string& action);
    void listSelectionChanged(const std::string& name);
    void loadField(const std::string& name, QWidget* widget);
    void loadList(const std::string& name, QTableWidget* table);

    report::ReportForm& form_;
    std::map<std::string, QWidget*> fields_;
    std::map<std::string, QAbstractButton*> buttons_;
    std::map<std::string, QLabel*> labels_;
    std::map<std::string, QTableWidget*> lists_;
    QLabel* picture_ = nullptr;
    QWidget* editing_ = nullptr;  // the widget being typed into
    QScrollArea* scroll_ = nullptr;
    bool sized_ = false;
    bool loading_ = false;
};

// Registers the dialog of every report form with the desktop's form host.
void InstallReportDialogs();

}  // namespace tubra::app
