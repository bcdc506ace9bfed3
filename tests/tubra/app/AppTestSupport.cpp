#include "AppTestSupport.h"

#include <unistd.h>

#include <cstdio>

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include "platform/AtomicFile.h"
#include "support/GeneratedDrawing.h"
#include "tubra/model/DrawingFile.h"

namespace apptest {

namespace fs = std::filesystem;

QApplication& application() {
    static int argc = 1;
    static char name[] = "tubra-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        // Off screen, unless a run asks for the real display (screenshots under Xvfb).
        if (!qEnvironmentVariableIsSet("TUBRA_TEST_ON_DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QApplication(argc, argv);
        QStandardPaths::setTestModeEnabled(true);
        static TempDir settings;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(settings.path().string()));
        return a;
    }();
    return *app;
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/tubra-app-XXXXXX";
    path_ = ::mkdtemp(tmpl);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void writeDrawingFile(const fs::path& path, int objects, int pageSize) {
    tubra::model::AppContext app;
    tubra::model::Document doc(app);
    tubra::testing::GeneratorOptions options;
    options.objects = objects;
    tubra::testing::generateDrawing(doc.drawing, options);
    doc.drawing.PageSize = pageSize;
    doc.drawing.Total() = static_cast<std::int32_t>(doc.drawing.objects.size());
    if (doc.saveAs(path).failed()) throw std::runtime_error("cannot write " + path.string());
}

void settle(int rounds) {
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QCoreApplication::sendPostedEvents();
    }
}

void whenDialogShows(std::function<void(QDialog&)> inspect) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, inspect] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible()) return;
        timer->stop();
        timer->deleteLater();
        inspect(*dialog);
    });
    timer->start();
}

void click(QDialog& d, const char* button) {
    if (auto* b = child<QPushButton>(d, button)) b->click();
}

platform::Answer FakeInteraction::ask(QWidget*, const platform::Message& message) {
    asked.push_back(message);
    if (answers.empty()) return message.defaultAnswer;
    const platform::Answer a = answers.front();
    answers.pop_front();
    return a;
}

bool FakeInteraction::askNewDrawing(QWidget*, tubra::app::NewDrawingForm& form) {
    ++newDrawingAsked;
    if (!newDrawing) return false;
    // Filled in as the user would: the angles chosen, the elevation typed.
    std::string error;
    error = form.setField("alpha", std::to_string(static_cast<int>(newDrawing->alpha))).message();
    EXPECT_TRUE(error.empty()) << error;
    error = form.setField("beta", std::to_string(static_cast<int>(newDrawing->beta))).message();
    EXPECT_TRUE(error.empty()) << error;
    char elevation[64];
    std::snprintf(elevation, sizeof elevation, "%.15g", newDrawing->firstPointElevation);
    error = form.setField("elevation", elevation).message();
    EXPECT_TRUE(error.empty()) << error;
    return true;
}

void FakeInteraction::printPreview(QWidget*, QPrinter& printer,
                                   const std::function<void(QPrinter*)>& paint) {
    ++previewPaints;
    paint(&printer);
}

std::unique_ptr<QPrinter> FakeInteraction::defaultPrinter() {
    if (!pdfPrinterFile) return nullptr;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(*pdfPrinterFile);
    return printer;
}

int pdfPageCount(const fs::path& pdf) {
    QFile f(QString::fromStdString(pdf.string()));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray data = f.readAll();
    if (!data.startsWith("%PDF")) return -1;
    // Page objects, not the page tree ("/Type /Pages").
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page[^s]"));
    return static_cast<int>(QString::fromLatin1(data).count(page));
}

}  // namespace apptest
