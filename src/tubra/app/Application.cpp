#include "tubra/app/Application.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ostream>

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTimer>
#include <QTranslator>

#include "tubra/app/CommandLine.h"
#include "tubra/app/Commands.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/Printing.h"
#include "tubra/app/ToolIcons.h"
#include "tubra/model/Document.h"

#ifdef TUBRA_HAVE_REPORTS
#include "tubra/report/Install.h"
#endif

namespace tubra::app {

namespace {

QString qs(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

void SetUpApplication() {
    QCoreApplication::setOrganizationName(qs(kSettingsOrganisation));
    QCoreApplication::setApplicationName(qs(kSettingsApplication));
    QGuiApplication::setDesktopFileName(QStringLiteral("tubra"));
    // Without a desktop that names its theme, the icons come from the freedesktop default.
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == QStringLiteral("hicolor"))
        QIcon::setThemeName(QStringLiteral("Adwaita"));
    QApplication::setWindowIcon(ApplicationIcon());
    // Qt's own dialogs (files, printers) in Chinese when the translations are installed.
    auto* qt = new QTranslator(qApp);
    if (qt->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"),
                 QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
}

void InstallReports([[maybe_unused]] model::AppContext& app) {
#ifdef TUBRA_HAVE_REPORTS
    report::installInspectionReport(app);
#endif
}

int RunTubra(const std::vector<std::string>& args, model::AppContext& app,
             Interaction& interaction, std::ostream& err) {
    const StartRequest request = ParseCommandLine(args);
    switch (request.kind) {
        case StartRequest::Kind::Invalid:
            err << "tubra: " << request.error << "\n"
                << "用法: tubra [文件名]   或   tubra /p 文件名\n";
            return 2;
        case StartRequest::Kind::Print:
            return PrintFileDirectly(app, interaction, request.path, err);
        case StartRequest::Kind::NewDrawing:
        case StartRequest::Kind::Open: break;
    }
    MainWindow window(app, interaction);
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
    return QApplication::exec();
}

}  // namespace tubra::app
