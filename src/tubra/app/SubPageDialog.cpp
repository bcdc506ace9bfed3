#include "tubra/app/SubPageDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/FormDialogs.h"
#include "tubra/report/SubPageForm.h"

namespace tubra::app {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

class SubPageDialog : public platform::qt::FormDialog {
public:
    SubPageDialog(report::SubPageForm& form, platform::FormContext& context, QWidget* parent)
        : FormDialog(form, context, parent), form_(form) {
        auto* layout = new QVBoxLayout(this);
        auto* message = new QLabel(qs(form.message()), this);
        message->setWordWrap(true);
        layout->addWidget(message);
        sheets_ = new QComboBox(this);
        sheets_->setObjectName(QStringLiteral("page"));
        for (const std::string& c : form.choices()) sheets_->addItem(qs(c));
        layout->addWidget(sheets_);
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
        buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
        connect(buttons, &QDialogButtonBox::accepted, this, [this] { perform("ok"); });
        connect(buttons, &QDialogButtonBox::rejected, this, [this] { perform("cancel"); });
        layout->addWidget(buttons);
        loadWidgets();
    }

protected:
    void storeWidgets() override { form_.choose(sheets_->currentIndex()); }
    void loadWidgets() override { sheets_->setCurrentIndex(form_.chosen()); }

private:
    report::SubPageForm& form_;
    QComboBox* sheets_ = nullptr;
};

}  // namespace

void installReportPageDialogs() {
    platform::qt::QtFormHost::registerDialog<report::SubPageForm, SubPageDialog>();
}

}  // namespace tubra::app
