// vesko: the drawing-file manager.
//
//   vesko [DIRECTORY | DRAWING]
//
// Lists the drawings of DIRECTORY (or of the drawing's directory; default: the current
// directory) beside the directory tree.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"
#include "manager/app/MaterialsSummary.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vesko"));
    QApplication::setOrganizationName(QStringLiteral("Tubra"));
    // No display name: the window system would add it to every caption (" — Vesko"), and the
    // frame and message boxes carry their own full captions.
    QApplication::setDesktopFileName(QStringLiteral("vesko"));
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));

    manager::app::WindowOptions options;
    options.startDirectory = manager::app::toPath(QDir::currentPath());
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        // A drawing given instead of a directory stands for its directory.
        const QFileInfo given(args.at(1));
        options.startDirectory =
            manager::app::toPath(given.isDir() ? given.absoluteFilePath() : given.absolutePath());
    }
    manager::app::MainWindow window(options);
    manager::app::InstallMaterialsSummary(window);
    window.show();
    return QApplication::exec();
}
