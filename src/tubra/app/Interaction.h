#pragma once
// Everything the program asks of the user or the desktop: message boxes, its dialogs, file
// names, printers, the help browser. The program uses the real dialogs; tests answer instead.

#include <functional>
#include <memory>
#include <optional>

#include <QString>
#include <QUrl>

#include "platform/Prompter.h"
#include "tubra/appcore/Forms.h"

class QPrinter;
class QWidget;

namespace tubra::app {

class Interaction {
  public:
    virtual ~Interaction() = default;

    // Message boxes for `parent`.
    virtual platform::Answer ask(QWidget* parent, const platform::Message& message) = 0;

    // The new-drawing dialog on `form` (shown before the drawing's first paint, outside the
    // commands); true on "开    始".
    virtual bool askNewDrawing(QWidget* parent, NewDrawingForm& form) = 0;

    // File names for opening and saving; empty when cancelled.
    virtual QString openFileName(QWidget* parent, const QString& directory) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& suggested) = 0;

    // The printer dialogs. `printDialog` returns whether to print; `printPreview` calls
    // `paint` for every rendering of the preview.
    virtual bool printDialog(QWidget* parent, QPrinter& printer) = 0;
    virtual void printPreview(QWidget* parent, QPrinter& printer,
                              const std::function<void(QPrinter*)>& paint) = 0;
    virtual void printSetup(QWidget* parent, QPrinter& printer) = 0;
    // A printer set to the system's default printer; null when no printer is installed.
    virtual std::unique_ptr<QPrinter> defaultPrinter() = 0;

    // Opens a document (the help) in the desktop's browser; false when nothing could show it.
    virtual bool openUrl(const QUrl& url) = 0;
    virtual void showAbout(QWidget* parent) = 0;
    // The file a session is recorded into; empty when cancelled.
    virtual QString sessionFileName(QWidget*) { return {}; }
    // The piping component file to import; empty when cancelled.
    virtual QString pcfFileName(QWidget*) { return {}; }
};

// The real dialogs of the program.
class DesktopInteraction : public Interaction {
  public:
    platform::Answer ask(QWidget* parent, const platform::Message& message) override;
    bool askNewDrawing(QWidget* parent, NewDrawingForm& form) override;
    QString openFileName(QWidget* parent, const QString& directory) override;
    QString saveFileName(QWidget* parent, const QString& suggested) override;
    bool printDialog(QWidget* parent, QPrinter& printer) override;
    void printPreview(QWidget* parent, QPrinter& printer,
                      const std::function<void(QPrinter*)>& paint) override;
    void printSetup(QWidget* parent, QPrinter& printer) override;
    std::unique_ptr<QPrinter> defaultPrinter() override;
    bool openUrl(const QUrl& url) override;
    void showAbout(QWidget* parent) override;
    QString sessionFileName(QWidget* parent) override;
    QString pcfFileName(QWidget* parent) override;
};

// A Prompter that asks through an Interaction, for the document's own questions.
class InteractionPrompter : public platform::Prompter {
  public:
    InteractionPrompter(Interaction& interaction, QWidget* parent)
        : interaction_(interaction), parent_(parent) {}
    platform::Answer ask(const platform::Message& message) override {
        return interaction_.ask(parent_, message);
    }

  private:
    Interaction& interaction_;
    QWidget* parent_;
};

}  // namespace tubra::app
