#pragma once
// The manager's desktop services: message boxes, the drawing program's process, and the
// window that shows progress.

#include <filesystem>

#include <QDialog>
#include <QString>

#include "manager/core/Manager.h"
#include "platform/Prompter.h"

class QLabel;
class QProgressBar;

namespace manager::app {

inline QString qs(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
inline std::string utf8(const QString& s) { return s.toStdString(); }
// A GBK cell as the widgets show it.
QString fromGbk(std::string_view gbk);
// A path as the widgets show it, and back.
QString fromPath(const std::filesystem::path& path);
std::filesystem::path toPath(const QString& path);

// Message boxes.
class MessageBoxPrompter : public platform::Prompter {
public:
    explicit MessageBoxPrompter(QWidget* parent = nullptr) : parent_(parent) {}
    void setParent(QWidget* parent) { parent_ = parent; }
    platform::Answer ask(const platform::Message& message) override;

private:
    QWidget* parent_;
};

// Starts the drawing program with QProcess::startDetached.
class DetachedProgramStarter : public ProgramStarter {
public:
    DetachedProgramStarter(std::filesystem::path startDirectory, std::filesystem::path programDirectory)
        : startDirectory_(std::move(startDirectory)), programDirectory_(std::move(programDirectory)) {}
    bool start(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory) override;

private:
    std::filesystem::path startDirectory_;
    std::filesystem::path programDirectory_;
};

// "Vesko(Tubra图形文档管理程序)": a progress bar and a line of text, shown while the tree is
// built and lengths are checked.
class ProgressWindow : public QDialog {
public:
    explicit ProgressWindow(QWidget* parent);
    void setRange(int maximum);
    void setValue(int value);
    void setText(const QString& text);
    // Escape asks the work to stop; the window stays until the work has stopped.
    bool cancelled() const { return cancelled_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QProgressBar* bar_;
    QLabel* text_;
    bool cancelled_ = false;
};

}  // namespace manager::app
