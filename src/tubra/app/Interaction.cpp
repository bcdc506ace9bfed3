#include "tubra/app/Interaction.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "tubra/app/Dialogs.h"
#include "platform/qt/FormDialogs.h"
#include "tubra/appcore/Commands.h"

namespace tubra::app {

namespace {
QString filter() {
    return QString::fromUtf8(kFileFilter.data(), static_cast<qsizetype>(kFileFilter.size())) +
           QStringLiteral(";;所有文件 (*)");
}
}  // namespace

platform::Answer DesktopInteraction::ask(QWidget* parent, const platform::Message& message) {
    return showMessageBox(parent, message);
}

bool DesktopInteraction::askNewDrawing(QWidget* parent, NewDrawingForm& form) {
    InteractionPrompter prompter(*this, parent);
    platform::qt::QtFormHost host(prompter, parent);
    return host.run(form);
}

QString DesktopInteraction::openFileName(QWidget* parent, const QString& directory) {
    return QFileDialog::getOpenFileName(parent, QStringLiteral("打开"), directory, filter());
}

QString DesktopInteraction::saveFileName(QWidget* parent, const QString& suggested) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("另存为"), suggested, filter());
}

QString DesktopInteraction::pcfFileName(QWidget* parent) {
    return QFileDialog::getOpenFileName(
        parent, QStringLiteral("导入 PCF"), QString(),
        QStringLiteral("PCF 管道组件文件 (*.pcf *.PCF);;所有文件 (*)"));
}

bool DesktopInteraction::printDialog(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印"));
    return dialog.exec() == QDialog::Accepted;
}

void DesktopInteraction::printPreview(QWidget* parent, QPrinter& printer,
                                      const std::function<void(QPrinter*)>& paint) {
    QPrintPreviewDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印预览"));
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, paint);
    dialog.exec();
}

void DesktopInteraction::printSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    dialog.setWindowTitle(QStringLiteral("打印设置"));
    dialog.exec();
}

std::unique_ptr<QPrinter> DesktopInteraction::defaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

bool DesktopInteraction::openUrl(const QUrl& url) {
    return QDesktopServices::openUrl(url);
}

QString DesktopInteraction::sessionFileName(QWidget* parent) {
    return QFileDialog::getSaveFileName(parent, QStringLiteral("录制操作"),
                                        QStringLiteral("tubra.session"),
                                        QStringLiteral("会话脚本 (*.session);;所有文件 (*)"));
}

void DesktopInteraction::showAbout(QWidget* parent) {
    AboutDialog dialog(parent);
    dialog.exec();
}

}  // namespace tubra::app
