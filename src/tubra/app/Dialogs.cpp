#include "tubra/app/Dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "tubra/appcore/Commands.h"
#include "tubra/app/Rendering.h"
#include "tubra/app/ToolIcons.h"
#include "tubra/model/DrawingFile.h"

namespace tubra::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QMessageBox::Icon toIcon(platform::MessageIcon icon) {
    switch (icon) {
        case platform::MessageIcon::Information: return QMessageBox::Information;
        case platform::MessageIcon::Warning: return QMessageBox::Warning;
        case platform::MessageIcon::Error: return QMessageBox::Critical;
        case platform::MessageIcon::Question: return QMessageBox::Question;
        case platform::MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonChoice {
    platform::Answer answer;
    const char* text;
    QMessageBox::ButtonRole role;
};

std::vector<ButtonChoice> buttonsOf(platform::Buttons buttons) {
    using A = platform::Answer;
    switch (buttons) {
        case platform::Buttons::Ok: return {{A::Ok, "确定", QMessageBox::AcceptRole}};
        case platform::Buttons::OkCancel:
            return {{A::Ok, "确定", QMessageBox::AcceptRole},
                    {A::Cancel, "取消", QMessageBox::RejectRole}};
        case platform::Buttons::YesNo:
            return {{A::Yes, "是(&Y)", QMessageBox::YesRole}, {A::No, "否(&N)", QMessageBox::NoRole}};
        case platform::Buttons::YesNoCancel:
            return {{A::Yes, "是(&Y)", QMessageBox::YesRole},
                    {A::No, "否(&N)", QMessageBox::NoRole},
                    {A::Cancel, "取消", QMessageBox::RejectRole}};
        case platform::Buttons::RetryCancel:
            return {{A::Retry, "重试(&R)", QMessageBox::AcceptRole},
                    {A::Cancel, "取消", QMessageBox::RejectRole}};
    }
    return {{A::Ok, "确定", QMessageBox::AcceptRole}};
}

}  // namespace

platform::Answer showMessageBox(QWidget* parent, const platform::Message& message) {
    QMessageBox box(parent);
    box.setIcon(toIcon(message.icon));
    box.setWindowTitle(qs(message.caption));
    box.setText(qs(message.text));
    const auto choices = buttonsOf(message.buttons);
    std::vector<std::pair<QAbstractButton*, platform::Answer>> buttons;
    platform::Answer escapeAnswer = choices.back().answer;
    for (const ButtonChoice& choice : choices) {
        QPushButton* b = box.addButton(QString::fromUtf8(choice.text), choice.role);
        buttons.emplace_back(b, choice.answer);
        if (choice.answer == message.defaultAnswer) box.setDefaultButton(b);
        if (choice.answer == platform::Answer::Cancel) escapeAnswer = choice.answer;
    }
    for (auto& [button, answer] : buttons)
        if (answer == escapeAnswer) box.setEscapeButton(button);
    box.exec();
    for (auto& [button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    return escapeAnswer;
}

// --- new drawing ---

NewDrawingDialog::NewDrawingDialog(const NewDrawingForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(qs(NewDrawingForm::kCaption));
    alpha_ = new QComboBox(this);
    beta_ = new QComboBox(this);
    for (const std::string& e : NewDrawingForm::angleEntries()) {
        alpha_->addItem(QString::fromStdString(e));
        beta_->addItem(QString::fromStdString(e));
    }
    alpha_->setCurrentIndex(form_.alphaIndex);
    beta_->setCurrentIndex(form_.betaIndex);
    elevation_ = new QLineEdit(QString::fromStdString(form_.elevationText), this);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(qs(NewDrawingForm::kAlphaLabel), this), 0, 0);
    grid->addWidget(alpha_, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("°"), this), 0, 2);
    grid->addWidget(new QLabel(qs(NewDrawingForm::kBetaLabel), this), 1, 0);
    grid->addWidget(beta_, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("°"), this), 1, 2);
    grid->addWidget(new QLabel(qs(NewDrawingForm::kElevationLabel), this), 2, 0);
    grid->addWidget(elevation_, 2, 1);
    grid->addWidget(new QLabel(qs(NewDrawingForm::kElevationUnit), this), 2, 2);

    auto* start = new QPushButton(qs(NewDrawingForm::kStartButton), this);
    start->setDefault(true);
    connect(start, &QPushButton::clicked, this, &QDialog::accept);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(start);
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
}

void NewDrawingDialog::accept() {
    form_.alphaIndex = alpha_->currentIndex();
    form_.betaIndex = beta_->currentIndex();
    form_.elevationText = elevation_->text().toStdString();
    std::string error;
    values_ = form_.accept(&error);
    if (!values_) {
        showMessageBox(this, {error, std::string(NewDrawingForm::kCaption), platform::Buttons::Ok,
                              platform::MessageIcon::Warning, platform::Answer::Ok});
        elevation_->setFocus();
        elevation_->selectAll();
        return;
    }
    QDialog::accept();
}

// --- page setup ---

PageSetupDialog::PageSetupDialog(const PageSetupForm& form, QWidget* parent)
    : QDialog(parent), form_(form) {
    setWindowTitle(qs(PageSetupForm::kCaption));
    page_ = new QComboBox(this);
    for (std::string_view s : PageSetupForm::kPageSizes) page_->addItem(qs(s));
    page_->setCurrentIndex(form_.pageSize);
    axes_ = new QCheckBox(qs(PageSetupForm::kShowAxes), this);
    axes_->setChecked(form_.showAxes);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(qs(PageSetupForm::kPageLabel), this), 0, 0);
    grid->addWidget(page_, 0, 1);
    grid->addWidget(axes_, 1, 0, 1, 2);
    for (int f = 0; f < 3; ++f) {
        labels_[f] = new QLineEdit(QString::fromStdString(form_.labels[f]), this);
        grid->addWidget(new QLabel(qs(PageSetupForm::kLabelCaptions[f]), this), 2 + f, 0);
        grid->addWidget(labels_[f], 2 + f, 1);
        // The drawing keeps 4 bytes a label: cut as the user types.
        connect(labels_[f], &QLineEdit::textEdited, this, [this, f](const QString& t) {
            const QString kept = QString::fromStdString(form_.setLabel(f, t.toStdString()));
            if (kept != t) labels_[f]->setText(kept);
        });
        labels_[f]->setEnabled(form_.labelsEnabled());
    }
    connect(axes_, &QCheckBox::toggled, this, [this](bool on) {
        form_.showAxes = on;
        for (QLineEdit* e : labels_) e->setEnabled(form_.labelsEnabled());
    });

    auto* box = new QDialogButtonBox(this);
    box->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole)->setDefault(true);
    box->addButton(QStringLiteral("取消"), QDialogButtonBox::RejectRole);
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(box);
}

void PageSetupDialog::accept() {
    form_.pageSize = page_->currentIndex();
    form_.showAxes = axes_->isChecked();
    for (int f = 0; f < 3; ++f) form_.setLabel(f, labels_[f]->text().toStdString());
    QDialog::accept();
}

// --- about ---

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(qs(kAboutCaption));
    auto* picture = new QLabel(this);
    picture->setFrameShape(QFrame::Box);
    picture->setPixmap(QPixmap::fromImage(aboutPicture(QSize(480, 340))));
    auto* button = new QPushButton(qs(kAboutButton), this);
    button->setDefault(true);
    button->setAutoDefault(true);
    connect(button, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(picture);
    layout->addWidget(button);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QImage aboutPicture(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    initResources();
    QFile sample(QStringLiteral(":/tubra/about.hcd"));
    if (sample.open(QIODevice::ReadOnly)) {
        // Drawn with settings of its own, so the open drawings keep theirs.
        const QByteArray data = sample.readAll();
        model::AppContext context;
        model::Document doc(context);
        model::readDrawing(std::string_view(data.constData(), static_cast<std::size_t>(data.size())),
                           doc.drawing, context.settings);
        const QSize drawingArea(size.width(), size.height() * 5 / 6);
        const QImage drawing = renderFitted(doc, drawingArea);
        QPainter p(&image);
        p.drawImage(0, 0, drawing);
    }
    QPainter p(&image);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont font = p.font();
    font.setPixelSize(std::max(12, size.height() / 16));
    font.setBold(true);
    p.setFont(font);
    p.setPen(QColor(30, 60, 150));
    const QRect band(0, size.height() * 5 / 6, size.width(), size.height() / 6);
    p.drawText(band, Qt::AlignCenter, qs(kAppTitle) + QStringLiteral("  Tubra"));
    return image;
}

}  // namespace tubra::app
