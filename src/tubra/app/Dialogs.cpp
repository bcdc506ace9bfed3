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

NewDrawingDialog::NewDrawingDialog(NewDrawingForm& form, platform::FormContext& context, QWidget* parent)
    : BoundFormDialog(form, form, context, parent) {
    alpha_ = comboBox("alpha");
    beta_ = comboBox("beta");
    elevation_ = lineEdit("elevation");

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
    start->setObjectName(QStringLiteral("ok"));
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
    if (perform("ok") != platform::FormState::Open) return;
    elevation_->setFocus();
    elevation_->selectAll();
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
