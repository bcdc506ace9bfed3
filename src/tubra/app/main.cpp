// tubra: the drawing program for pipeline isometrics and inspection reports.
//
//   tubra                 a new drawing
//   tubra FILE            opens FILE
//   tubra /p FILE         prints FILE on the default printer, without a window
//   tubra --help          the usage
//   tubra --version       the release
//
// Without a display (and not printing) it says so and ends with status 1.

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <QApplication>

#include "platform/ProgramHelp.h"
#include "platform/qt/Display.h"
#include "platform/qt/Reproducible.h"

#include "tubra/app/Application.h"
#include "tubra/appcore/CommandLine.h"
#include "tubra/app/Interaction.h"
#include "tubra/model/Document.h"

namespace {

// Printing directly needs no screen: without one the program runs off screen.
void allowPrintingWithoutDisplay(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "/p") == 0 || std::strcmp(argv[i], "-p") == 0 ||
            std::strcmp(argv[i], "/P") == 0 || std::strcmp(argv[i], "-P") == 0)
            setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

}  // namespace

int main(int argc, char** argv) {
    // The usage needs no window system: it is answered before one is opened.
    if (tubra::app::parseCommandLine(std::vector<std::string>(argv + 1, argv + argc)).kind ==
        tubra::app::StartRequest::Kind::Help) {
        std::cout << tubra::app::usageText();
        return 0;
    }
    for (int i = 1; i < argc; ++i)
        if (platform::standardOption(argv[i]) == platform::StandardOption::Version) {
            std::cout << platform::versionText("tubra");
            return 0;
        }
    allowPrintingWithoutDisplay(argc, argv);
    platform::qt::refuseWithoutDisplay(
        "tubra", "不开窗口的工作可用 tubra-cli 完成，例如 tubra-cli print 文件.hcd -o 文件.pdf（见 man tubra-cli）。");
    platform::qt::followPinnedClock();
    QApplication application(argc, argv);
    platform::qt::displayOpened();
    // Qt set the user's locale for the C library; numbers in files, fields and arguments are
    // read and written with a decimal point whatever the language (a "1,5" locale included).
    std::setlocale(LC_NUMERIC, "C");
    tubra::app::setUpApplication();
    // QApplication has taken its own options out of the arguments.
    std::vector<std::string> args;
    const QStringList list = QCoreApplication::arguments();
    for (qsizetype i = 1; i < list.size(); ++i) args.push_back(list[i].toStdString());

    tubra::model::AppContext app;
    tubra::app::installReports(app);
    tubra::app::DesktopInteraction interaction;
    return tubra::app::runTubra(args, app, interaction, std::cerr);
}
