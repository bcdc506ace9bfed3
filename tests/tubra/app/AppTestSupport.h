#pragma once
// The application object, settings in a temporary place, drawings on disk and an Interaction
// that answers instead of the user, for the window tests.

#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QPrinter>
#include <QUrl>

#include "tubra/app/Interaction.h"
#include "tubra/model/Document.h"

namespace apptest {

// The QApplication of the test program (made once, off screen), with its settings in a
// temporary directory.
QApplication& application();

// A temporary directory, removed with everything in it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

  private:
    std::filesystem::path path_;
};

// Writes a generated drawing of about `objects` objects to `path`.
void writeDrawingFile(const std::filesystem::path& path, int objects, int pageSize = 0);

// Lets queued events (first paints, deferred dialogs) run.
void settle(int rounds = 5);

// Calls `inspect` with the next modal dialog once it shows (the dialog a user gets); `inspect`
// closes it.
void whenDialogShows(std::function<void(QDialog&)> inspect);
// The widget of a dialog by its object name (a field's or button's name).
template <typename W>
W* child(QDialog& d, const char* name) {
    W* w = d.findChild<W*>(QString::fromUtf8(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}
// Clicks the dialog's button of that name.
void click(QDialog& d, const char* button);

class FakeInteraction : public tubra::app::Interaction {
  public:
    // Answers: message boxes in turn (then each message's default), the new-drawing dialog,
    // file names.
    std::deque<platform::Answer> answers;
    std::optional<tubra::view::NewDrawingValues> newDrawing = tubra::view::NewDrawingValues{};
    QString openName;
    QString saveName;
    QString pcfName;
    bool printAccepted = true;
    // What the print dialog does to the printer before it is accepted (a paper chosen, or the
    // paper of the last print kept), if anything.
    std::function<void(QPrinter&)> printDialogChoice;
    // What the printer factory gives: a PDF printer writing here, or none.
    std::optional<QString> pdfPrinterFile;

    // What was asked.
    std::vector<platform::Message> asked;
    int newDrawingAsked = 0;
    std::vector<QUrl> urlsOpened;
    int aboutShown = 0;
    int previewPaints = 0;

    platform::Answer ask(QWidget*, const platform::Message& message) override;
    bool askNewDrawing(QWidget*, tubra::app::NewDrawingForm& form) override;
    QString openFileName(QWidget*, const QString&) override { return openName; }
    QString saveFileName(QWidget*, const QString&) override { return saveName; }
    QString pcfFileName(QWidget*) override { return pcfName; }
    bool printDialog(QWidget*, QPrinter& printer) override {
        if (printDialogChoice) printDialogChoice(printer);
        return printAccepted;
    }
    void printPreview(QWidget*, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override;
    void printSetup(QWidget*, QPrinter&) override {}
    std::unique_ptr<QPrinter> defaultPrinter() override;
    bool openUrl(const QUrl& url) override {
        urlsOpened.push_back(url);
        return true;
    }
    void showAbout(QWidget*) override { ++aboutShown; }
};

// Number of pages of a PDF file (its page objects).
int pdfPageCount(const std::filesystem::path& pdf);

}  // namespace apptest
