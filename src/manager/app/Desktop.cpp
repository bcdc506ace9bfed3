#include "manager/app/Desktop.h"

#include <QCloseEvent>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "text/Gbk.h"

namespace manager::app {

using platform::Answer;
using platform::Buttons;

QString fromGbk(std::string_view gbk) { return qs(text::gbkToUtf8(gbk)); }

QString fromPath(const std::filesystem::path& path) { return QFile::decodeName(QByteArray::fromStdString(path.string())); }

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(QFile::encodeName(path).toStdString()); }

Answer MessageBoxPrompter::ask(const platform::Message& message) {
    QMessageBox box(parent_);
    switch (message.icon) {
        case platform::MessageIcon::Information: box.setIcon(QMessageBox::Information); break;
        case platform::MessageIcon::Warning: box.setIcon(QMessageBox::Warning); break;
        case platform::MessageIcon::Error: box.setIcon(QMessageBox::Critical); break;
        case platform::MessageIcon::Question: box.setIcon(QMessageBox::Question); break;
        case platform::MessageIcon::None: break;
    }
    box.setWindowTitle(qs(message.caption));
    box.setText(qs(message.text));
    struct Choice {
        const char* text;
        QMessageBox::ButtonRole role;
        Answer answer;
    };
    std::vector<Choice> choices;
    switch (message.buttons) {
        case Buttons::Ok: choices = {{"确定", QMessageBox::AcceptRole, Answer::Ok}}; break;
        case Buttons::OkCancel:
            choices = {{"确定", QMessageBox::AcceptRole, Answer::Ok}, {"取消", QMessageBox::RejectRole, Answer::Cancel}};
            break;
        case Buttons::YesNo:
            choices = {{"是(&Y)", QMessageBox::YesRole, Answer::Yes}, {"否(&N)", QMessageBox::NoRole, Answer::No}};
            break;
        case Buttons::YesNoCancel:
            choices = {{"是(&Y)", QMessageBox::YesRole, Answer::Yes},
                       {"否(&N)", QMessageBox::NoRole, Answer::No},
                       {"取消", QMessageBox::RejectRole, Answer::Cancel}};
            break;
        case Buttons::RetryCancel:
            choices = {{"重试(&R)", QMessageBox::AcceptRole, Answer::Retry},
                       {"取消", QMessageBox::RejectRole, Answer::Cancel}};
            break;
    }
    std::vector<std::pair<QAbstractButton*, Answer>> buttons;
    for (const Choice& c : choices) {
        QPushButton* b = box.addButton(QString::fromUtf8(c.text), c.role);
        buttons.emplace_back(b, c.answer);
        if (c.answer == message.defaultAnswer) box.setDefaultButton(b);
    }
    // Escape gives the last choice (No or Cancel), as closing the box does.
    box.setEscapeButton(buttons.back().first);
    box.exec();
    for (const auto& [button, answer] : buttons)
        if (box.clickedButton() == button) return answer;
    return buttons.back().second;
}

bool DetachedProgramStarter::start(const std::vector<std::string>& arguments,
                                   const std::filesystem::path& workingDirectory) {
    const std::filesystem::path program =
        findDrawingProgram(drawingProgramCandidates(startDirectory_, programDirectory_));
    if (program.empty()) return false;
    QStringList args;
    for (const std::string& a : arguments) args << QFile::decodeName(QByteArray::fromStdString(a));
    return QProcess::startDetached(fromPath(program), args, fromPath(workingDirectory));
}

ProgressWindow::ProgressWindow(QWidget* parent) : QDialog(parent) {
    setWindowTitle(qs(messages::kTitle));
    setModal(true);
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setTextVisible(false);
    text_ = new QLabel(this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bar_);
    layout->addWidget(text_);
    setMinimumWidth(420);
}

void ProgressWindow::setRange(int maximum) { bar_->setRange(0, std::max(1, maximum)); }
void ProgressWindow::setValue(int value) { bar_->setValue(value); }
void ProgressWindow::setText(const QString& text) { text_->setText(text); }

void ProgressWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        cancelled_ = true;
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgressWindow::closeEvent(QCloseEvent* event) {
    cancelled_ = true;
    event->ignore();
}

}  // namespace manager::app
