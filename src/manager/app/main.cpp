// vesko: the drawing-file manager.
//
//   vesko [DIRECTORY]
//
// Lists the drawings of DIRECTORY (default: the current directory) beside the directory tree.

#include <QApplication>
#include <QDir>
#include <QIcon>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesko"));
    QApplication::setOrganizationName(QStringLiteral("Tubra"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vesko"));
    QApplication::setDesktopFileName(QStringLiteral("vesko"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));

    manager::app::WindowOptions options;
    options.startDirectory = manager::app::toPath(QDir::currentPath());
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) options.startDirectory = manager::app::toPath(QDir(args.at(1)).absolutePath());
    manager::app::MainWindow window(options);
    window.show();
    return QApplication::exec();
}
