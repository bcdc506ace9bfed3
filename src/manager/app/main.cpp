// vesko: the drawing-file manager.
//
//   vesko [DIRECTORY | DRAWING]
//   vesko --help
//
// Lists the drawings of DIRECTORY (or of the drawing's directory; default: the current
// directory) beside the directory tree.

#include <cstdio>
#include <clocale>
#include <cstring>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"

namespace {

// The manual page lists the same options (a test compares them).
constexpr const char* kUsage =
    "用法: vesko [目录 | 单线图文件]\n"
    "  目录         列出这个目录中的单线图 (*.hcd)；不给时为当前目录\n"
    "  单线图文件   列出这个文件所在目录中的单线图\n"
    "  -h, --help   显示本帮助后退出\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window system is opened, so it works without a display.
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    // Qt set the user's locale for the C library; numbers in files, fields and arguments are
    // read and written with a decimal point whatever the language (a "1,5" locale included).
    std::setlocale(LC_NUMERIC, "C");
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
    window.show();
    return QApplication::exec();
}
