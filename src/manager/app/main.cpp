// vesko: the drawing-file manager.
//
//   vesko [DIRECTORY | DRAWING]
//   vesko --help
//   vesko --version
//
// Lists the drawings of DIRECTORY (or of the drawing's directory; default: the current
// directory) beside the directory tree.

#include <cstdio>
#include <clocale>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"
#include "platform/ProgramHelp.h"
#include "platform/qt/Display.h"

namespace {

// The manual page lists the same options (a test compares them).
std::string usageText() {
    return platform::helpText(
        {"vesko",
         {"[目录 | 单线图文件]"},
         "单线图文件管理程序：列出目录中各单线图的管道信息，成批修改、打开、打印和导出；需要图形显示，\n"
         "没有显示时可用 vesko-cli。",
         {{"参数",
           {{"目录", "列出这个目录中的单线图 (*.hcd)；不给时为当前目录"},
            {"单线图文件", "列出这个文件所在目录中的单线图"}}}},
         "0 正常结束；1 没有图形显示"});
}

}  // namespace

int main(int argc, char** argv) {
    // Answered before the window system is opened, so it works without a display.
    if (argc > 1 && platform::answerStandardOption(argv[1], "vesko", usageText)) return 0;
    platform::qt::refuseWithoutDisplay("vesko", "不开窗口的工作可用 vesko-cli 完成，例如 vesko-cli list 目录（见 man vesko-cli）。");
    QApplication app(argc, argv);
    platform::qt::displayOpened();
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
