#pragma once
// The manager's dialogs: thin Qt views of the forms in manager/core.

#include <functional>
#include <vector>

#include <QDialog>

#include "manager/core/Forms.h"
#include "manager/core/Listing.h"
#include "platform/qt/FormDialogs.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace manager::app {

// Registers the dialog of every manager form with the form host.
void registerDialogs();

// "修改特性表内容" / "修改标题框".
class SectionEditDialog : public platform::qt::FormDialog {
public:
    SectionEditDialog(SectionEditForm& form, platform::FormContext& context, QWidget* parent);

protected:
    void storeWidgets() override;
    void loadWidgets() override;

private:
    SectionEditForm& form_;
    QButtonGroup* rows_;
    QLineEdit* original_;
    QLineEdit* value_;
};

// "记录合并".
class MergeRowsDialog : public platform::qt::FormDialog {
public:
    MergeRowsDialog(MergeRowsForm& form, platform::FormContext& context, QWidget* parent);

protected:
    void storeWidgets() override;
    void loadWidgets() override;

private:
    MergeRowsForm& form_;
    QLineEdit* number_;
    QLineEdit* length_;
    QComboBox* position_;
};

// "修改管道编号".
class ChangeNumberDialog : public platform::qt::FormDialog {
public:
    ChangeNumberDialog(ChangeNumberForm& form, platform::FormContext& context, QWidget* parent);

protected:
    void storeWidgets() override;
    void loadWidgets() override;

private:
    ChangeNumberForm& form_;
    QLineEdit* number_;
};

// "转化到普查登记软件的数据导入格式".
class CensusExportDialog : public platform::qt::FormDialog {
public:
    CensusExportDialog(CensusExportForm& form, platform::FormContext& context, QWidget* parent);

protected:
    void storeWidgets() override;
    void loadWidgets() override;

private:
    CensusExportForm& form_;
    QLineEdit* device_;
    QLineEdit* output_;
};

// "全面检验报告复制": stays open on top of the window; "取 消" hides it.
class ReportCopyDialog : public platform::qt::FormDialog {
public:
    ReportCopyDialog(ReportCopyForm& form, platform::FormContext& context, QWidget* parent);
    // Shows the form's template and targets again (after a click in the list).
    void refresh() { loadWidgets(); }

protected:
    void storeWidgets() override;
    void loadWidgets() override;

private:
    ReportCopyForm& form_;
    QLineEdit* templateNumber_;
    QLineEdit* templateFile_;
    QTableWidget* targets_;
    std::vector<QCheckBox*> keep_;
};

// "列表中长度与图纸长度不符的管线": the rows whose lengths disagree.
class LengthCheckWindow : public QDialog {
public:
    explicit LengthCheckWindow(QWidget* parent);
    void show(const std::vector<LengthMismatch>& rows);
    QTableWidget* table() const { return table_; }
    // "另存为 Excel 工作簿…": hands the shown result on.
    std::function<void(const std::vector<LengthMismatch>&)> onSave;
    QPushButton* saveButton() const { return save_; }

private:
    QTableWidget* table_;
    QPushButton* save_;
    std::vector<LengthMismatch> rows_;
};

}  // namespace manager::app
