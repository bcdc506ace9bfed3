#include "manager/app/Dialogs.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "manager/app/Desktop.h"

namespace manager::app {

using platform::FormContext;
using platform::qt::FormDialog;
using platform::qt::QtFormHost;

namespace {

QDialogButtonBox* okCancel(FormDialog* dialog, const char* ok = "确定", const char* cancel = "取消") {
    auto* box = new QDialogButtonBox(dialog);
    box->addButton(QString::fromUtf8(ok), QDialogButtonBox::AcceptRole);
    box->addButton(QString::fromUtf8(cancel), QDialogButtonBox::RejectRole);
    QObject::connect(box, &QDialogButtonBox::accepted, dialog, [dialog] { dialog->perform("ok"); });
    QObject::connect(box, &QDialogButtonBox::rejected, dialog, [dialog] { dialog->perform("cancel"); });
    return box;
}

// The widgets offer only what the fields take.
void setField(platform::Form& form, const char* name, const QString& value) {
    (void)form.setField(name, utf8(value));
}

QLineEdit* readOnlyEdit(QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setReadOnly(true);
    return e;
}

}  // namespace

void registerDialogs() {
    QtFormHost::registerDialog<SectionEditForm, SectionEditDialog>();
    QtFormHost::registerDialog<MergeRowsForm, MergeRowsDialog>();
    QtFormHost::registerDialog<ChangeNumberForm, ChangeNumberDialog>();
    QtFormHost::registerDialog<CensusExportForm, CensusExportDialog>();
}

// --- 修改特性表内容 / 修改标题框 ---

SectionEditDialog::SectionEditDialog(SectionEditForm& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), form_(form) {
    auto* group = new QGroupBox(QStringLiteral("选择修改的项目"), this);
    auto* grid = new QGridLayout(group);
    rows_ = new QButtonGroup(this);
    const auto& choices = SectionEditForm::choices(form.kind());
    const int perColumn = (static_cast<int>(choices.size()) + 1) / 2;
    for (int i = 0; i < static_cast<int>(choices.size()); ++i) {
        auto* b = new QRadioButton(qs(choices[static_cast<std::size_t>(i)].label), group);
        rows_->addButton(b, i);
        grid->addWidget(b, i % perColumn, i / perColumn);
    }
    connect(rows_, &QButtonGroup::idClicked, this, [this](int id) {
        setField(form_, "row", qs(SectionEditForm::choices(form_.kind())[static_cast<std::size_t>(id)].label));
        loadWidgets();
        value_->setFocus();
        value_->selectAll();
    });
    original_ = readOnlyEdit(this);
    value_ = new QLineEdit(this);
    auto* values = new QFormLayout;
    values->addRow(QStringLiteral("原值为:"), original_);
    values->addRow(QStringLiteral("现改为:"), value_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(values);
    layout->addWidget(okCancel(this));
    setMinimumWidth(420);
    loadWidgets();
}

void SectionEditDialog::storeWidgets() { setField(form_, "value", value_->text()); }

void SectionEditDialog::loadWidgets() {
    const auto& choices = SectionEditForm::choices(form_.kind());
    for (std::size_t i = 0; i < choices.size(); ++i)
        if (choices[i].row == form_.chosenRow()) rows_->button(static_cast<int>(i))->setChecked(true);
    original_->setText(qs(form_.field("original")));
    value_->setText(qs(form_.field("value")));
    value_->setEnabled(form_.chosenRow() >= 0);
}

// --- 记录合并 ---

MergeRowsDialog::MergeRowsDialog(MergeRowsForm& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), form_(form) {
    auto* notice = new QLabel(qs(MergeRowsForm::kNotice), this);
    notice->setStyleSheet(QStringLiteral("color: #b00000"));
    auto* before = readOnlyEdit(this);
    before->setText(qs(form.field("before")));
    number_ = new QLineEdit(this);
    length_ = new QLineEdit(this);
    auto* lengthRow = new QHBoxLayout;
    lengthRow->addWidget(length_);
    lengthRow->addWidget(new QLabel(QStringLiteral("米"), this));
    position_ = new QComboBox(this);
    for (const std::string& p : MergeRowsForm::positions()) position_->addItem(qs(p));
    auto* positionRow = new QHBoxLayout;
    positionRow->addWidget(new QLabel(QStringLiteral("原管道编号中，倒数第"), this));
    positionRow->addWidget(position_);
    positionRow->addWidget(new QLabel(QStringLiteral("个\"－\"、\"/\"或\"_\"为分页号"), this));
    positionRow->addStretch();
    connect(position_, &QComboBox::currentTextChanged, this, [this](const QString& text) {
        setField(form_, "pageNumberPosition", text);
        loadWidgets();
    });
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("合并前的管道编号："), before);
    fields->addRow(QStringLiteral("合并后的管道编号："), number_);
    fields->addRow(QStringLiteral("合并后的管道长度："), lengthRow);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(notice);
    layout->addLayout(fields);
    layout->addLayout(positionRow);
    layout->addWidget(okCancel(this));
    loadWidgets();
}

void MergeRowsDialog::storeWidgets() {
    setField(form_, "number", number_->text());
    setField(form_, "length", length_->text());
}

void MergeRowsDialog::loadWidgets() {
    number_->setText(qs(form_.field("number")));
    length_->setText(qs(form_.field("length")));
    const QSignalBlocker block(position_);
    position_->setCurrentText(qs(form_.field("pageNumberPosition")));
}

// --- 修改管道编号 ---

ChangeNumberDialog::ChangeNumberDialog(ChangeNumberForm& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), form_(form) {
    auto* original = readOnlyEdit(this);
    original->setText(qs(form.field("original")));
    number_ = new QLineEdit(this);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("原编号："), original);
    fields->addRow(QStringLiteral("修改为："), number_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(qs(ChangeNumberForm::kNotice), this));
    layout->addLayout(fields);
    layout->addWidget(okCancel(this));
    loadWidgets();
}

void ChangeNumberDialog::storeWidgets() { setField(form_, "number", number_->text()); }
void ChangeNumberDialog::loadWidgets() { number_->setText(qs(form_.field("number"))); }

// --- 转化到普查登记软件的数据导入格式 ---

CensusExportDialog::CensusExportDialog(CensusExportForm& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), form_(form) {
    device_ = new QLineEdit(this);
    output_ = new QLineEdit(this);
    auto* browse = new QPushButton(QStringLiteral("<<"), this);
    connect(browse, &QPushButton::clicked, this, [this] {
        // The import file, or the same rows as a workbook: the name's extension decides.
        const QString csv = QStringLiteral("制表符分隔的文本文件(*.csv)");
        const QString xlsx = QStringLiteral("Excel 工作簿(*.xlsx)");
        QFileDialog dialog(this, QStringLiteral("输出文件"), output_->text(), csv + QStringLiteral(";;") + xlsx);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        const bool workbook = output_->text().endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive);
        dialog.selectNameFilter(workbook ? xlsx : csv);
        dialog.setDefaultSuffix(workbook ? QStringLiteral("xlsx") : QStringLiteral("csv"));
        connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog, xlsx](const QString& filter) {
            dialog.setDefaultSuffix(filter == xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv"));
        });
        if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
            output_->setText(dialog.selectedFiles().front());
    });
    auto* outputRow = new QHBoxLayout;
    outputRow->addWidget(output_, 1);
    outputRow->addWidget(browse);
    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("装置名称"), device_);
    fields->addRow(QStringLiteral("输出文件"), outputRow);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(okCancel(this));
    setMinimumWidth(520);
    loadWidgets();
}

void CensusExportDialog::storeWidgets() {
    setField(form_, "device", device_->text());
    setField(form_, "output", output_->text());
}

void CensusExportDialog::loadWidgets() {
    device_->setText(qs(form_.device()));
    output_->setText(qs(form_.output()));
}

// --- 全面检验报告复制 ---

ReportCopyDialog::ReportCopyDialog(ReportCopyForm& form, FormContext& context, QWidget* parent)
    : FormDialog(form, context, parent), form_(form) {
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint | Qt::Tool);

    auto* templ = new QGroupBox(QStringLiteral("样板文件"), this);
    templateNumber_ = readOnlyEdit(templ);
    templateFile_ = readOnlyEdit(templ);
    auto* pickTemplate = new QPushButton(QStringLiteral("<< 选取样板文件"), templ);
    auto* templLayout = new QFormLayout(templ);
    templLayout->addRow(QStringLiteral("样板文件管道编号"), templateNumber_);
    templLayout->addRow(QStringLiteral("样板文件文件名"), templateFile_);
    templLayout->addRow(pickTemplate);

    auto* targets = new QGroupBox(QStringLiteral("复制到文件"), this);
    targets_ = new QTableWidget(0, 3, targets);
    targets_->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("管道编号"), QStringLiteral("文件名")});
    targets_->setColumnWidth(0, 50);
    targets_->setColumnWidth(1, 150);
    targets_->setColumnWidth(2, 220);
    targets_->verticalHeader()->hide();
    targets_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    targets_->setSelectionBehavior(QAbstractItemView::SelectRows);
    QPalette pal = targets_->palette();
    pal.setColor(QPalette::Base, QColor(220, 225, 220));
    pal.setColor(QPalette::Text, Qt::blue);
    targets_->setPalette(pal);
    auto* pickTargets = new QPushButton(QStringLiteral("<< 选取目标文件"), targets);
    auto* targetsLayout = new QVBoxLayout(targets);
    targetsLayout->addWidget(targets_);
    targetsLayout->addWidget(pickTargets);

    auto* keep = new QGroupBox(QStringLiteral("保持不变的参数"), this);
    auto* keepLayout = new QGridLayout(keep);
    const auto& boxes = ReportCopyForm::keepBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        auto* box = new QCheckBox(qs(boxes[i].second), keep);
        keep_.push_back(box);
        keepLayout->addWidget(box, static_cast<int>(i / 4), static_cast<int>(i % 4));
    }

    connect(pickTemplate, &QPushButton::clicked, this, [this] { perform("pickTemplate"); });
    connect(pickTargets, &QPushButton::clicked, this, [this] { perform("pickTargets"); });
    pickTemplate->setCheckable(true);
    pickTargets->setCheckable(true);
    auto* pickGroup = new QButtonGroup(this);
    pickGroup->addButton(pickTemplate);
    pickGroup->addButton(pickTargets);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(templ);
    layout->addWidget(targets, 1);
    layout->addWidget(keep);
    layout->addWidget(okCancel(this, "确 认", "取 消"));
    resize(500, 520);
    loadWidgets();
}

void ReportCopyDialog::storeWidgets() {
    const auto& boxes = ReportCopyForm::keepBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i)
        (void)form_.setField(boxes[i].first, keep_[i]->isChecked() ? "1" : "0");
}

void ReportCopyDialog::loadWidgets() {
    templateNumber_->setText(qs(form_.field("templateNumber")));
    templateFile_->setText(qs(form_.field("templateFile")));
    const auto& list = form_.targets();
    targets_->setRowCount(static_cast<int>(list.size()));
    for (int i = 0; i < static_cast<int>(list.size()); ++i) {
        const auto& t = list[static_cast<std::size_t>(i)];
        targets_->setItem(i, 0, new QTableWidgetItem(QString::number(i + 1)));
        targets_->setItem(i, 1, new QTableWidgetItem(fromGbk(t.pipeNumber)));
        targets_->setItem(i, 2, new QTableWidgetItem(fromGbk(t.fileName)));
    }
    const auto& boxes = ReportCopyForm::keepBoxes();
    for (std::size_t i = 0; i < boxes.size(); ++i) keep_[i]->setChecked(form_.field(boxes[i].first) == "1");
}

// --- 列表中长度与图纸长度不符的管线 ---

LengthCheckWindow::LengthCheckWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("列表中长度与图纸长度不符的管线"));
    setModal(false);
    table_ = new QTableWidget(0, 3, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("序号"), QStringLiteral("表中长度(米)"), QStringLiteral("校核长度(米)")});
    table_->setColumnWidth(0, 60);
    table_->setColumnWidth(1, 100);
    table_->setColumnWidth(2, 100);
    table_->setShowGrid(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    save_ = new QPushButton(QStringLiteral("另存为 Excel 工作簿…"), this);
    connect(save_, &QPushButton::clicked, this, [this] {
        if (onSave) onSave(rows_);
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(save_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(table_);
    layout->addLayout(buttons);
    resize(320, 360);
}

void LengthCheckWindow::show(const std::vector<LengthMismatch>& rows) {
    rows_ = rows;
    table_->setRowCount(0);
    table_->setRowCount(static_cast<int>(rows.size()));
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const LengthMismatch& m = rows[static_cast<std::size_t>(i)];
        table_->setItem(i, 0, new QTableWidgetItem(fromGbk(m.number)));
        table_->setItem(i, 1, new QTableWidgetItem(fromGbk(m.listLength)));
        table_->setItem(i, 2, new QTableWidgetItem(qs(drawnLengthText(m))));
    }
    setWindowTitle(qs(lengthCheckTitle(rows.size())));
    QDialog::show();
    raise();
}

}  // namespace manager::app
