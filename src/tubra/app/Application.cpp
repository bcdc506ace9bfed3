#include "tubra/app/Application.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <sstream>
#include <system_error>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "platform/AtomicFile.h"
#include "tubra/appcore/CommandLine.h"
#include "tubra/appcore/Recovery.h"
#include "tubra/app/Interaction.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/Printing.h"
#include "tubra/app/TestHook.h"
#include "tubra/app/ToolIcons.h"
#include "tubra/model/Document.h"

#include "tubra/report/Install.h"

namespace tubra::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Whether the file can be opened for reading: none when it can, else why not.
std::error_code readableFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {errno, std::generic_category()};
    struct stat st {};
    std::error_code ec;
    if (::fstat(fd, &st) != 0)
        ec = {errno, std::generic_category()};
    else if (S_ISDIR(st.st_mode))
        ec = std::make_error_code(std::errc::is_a_directory);
    ::close(fd);
    return ec;
}

}  // namespace

void setUpApplication() {
    QCoreApplication::setOrganizationName(qs(kSettingsOrganisation));
    QCoreApplication::setApplicationName(qs(kSettingsApplication));
    QGuiApplication::setDesktopFileName(QStringLiteral("tubra"));
    // Without a desktop that names its theme, the icons come from the freedesktop default.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(applicationIcon());
    // Qt's own dialogs (files, printers) in Chinese when the translations are installed, with
    // Chinese names of days, months and paper in them.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto* qt = new QTranslator(qApp);
    if (qt->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

void installReports(model::AppContext& app) { report::installInspectionReport(app); }

bool hasDisplay() {
    const QString name = QGuiApplication::platformName();
    return !name.isEmpty() && name != QStringLiteral("offscreen") && name != QStringLiteral("minimal");
}

int printFromCommandLine(model::AppContext& app, Interaction& interaction, const std::string& path,
                         std::ostream& err, bool messageBox) {
    std::ostringstream problems;
    int code = 0;
    // A file that cannot be read is that, whatever printers there are.
    if (const std::error_code ec = readableFile(path)) {
        problems << "tubra: 无法打开文件 " << path << ": " << platform::describe(ec) << "\n";
        code = 1;
    } else {
        code = printFileDirectly(app, interaction, path, problems);
    }
    const std::string text = problems.str();
    err << text;
    if (code != 0 && messageBox && !text.empty()) {
        // Started from a file manager nobody reads the standard error: say it in a box too.
        std::string message = text;
        while (!message.empty() && message.back() == '\n') message.pop_back();
        if (message.rfind("tubra: ", 0) == 0) message.erase(0, 7);
        interaction.ask(nullptr, {message, std::string(kAppTitle), platform::Buttons::Ok,
                                  platform::MessageIcon::Error, platform::Answer::Ok});
    }
    return code;
}

int runTubra(const std::vector<std::string>& args, model::AppContext& app,
             Interaction& interaction, std::ostream& err) {
    const StartRequest request = parseCommandLine(args);
    switch (request.kind) {
        case StartRequest::Kind::Invalid:
            err << "tubra: " << request.error << "\n" << usageText();
            return 2;
        case StartRequest::Kind::Help: {
            const std::string_view usage = usageText();
            std::fwrite(usage.data(), 1, usage.size(), stdout);
            return 0;
        }
        case StartRequest::Kind::Print:
            return printFromCommandLine(app, interaction, request.path, err, hasDisplay());
        case StartRequest::Kind::NewDrawing:
        case StartRequest::Kind::Open: break;
    }
    // The store outlives the window, whose last writes of copies go into it.
    RecoveryStore recoveryStore(recoveryDirectory());
    MainWindow window(app, interaction);
    window.enableRecovery(recoveryStore);
    armTestHook(window);
    if (std::getenv("TUBRA_STARTUP_PROBE")) {
        // Start-up measurement: report the first finished paint and end.
        window.onFirstPaint = [] {
            std::fputs("first-paint\n", stdout);
            std::fflush(stdout);
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        };
    }
    if (!window.carryOut(request)) return 1;
    window.showMaximized();
    // Offered once the window stands, so the drawings recovered open in it.
    QTimer::singleShot(0, &window, [&window] {
        window.offerRecovery();
        runTestHook(window);
    });
    return QApplication::exec();
}

}  // namespace tubra::app
