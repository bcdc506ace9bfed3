#include "tubra/cli/GuiApplication.h"

#include <sys/stat.h>
#include <cerrno>
#include <clocale>
#include <unistd.h>

#include <string>

#include <QDir>

#include "platform/qt/Reproducible.h"

namespace tubra::cli {

std::unique_ptr<QGuiApplication> guiApplication() {
    if (QCoreApplication::instance()) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        // What Qt would fall back to, made here so that it does not warn about it.
        const std::string dir =
            QDir::tempPath().toStdString() + "/runtime-tubra-" + std::to_string(::getuid());
        struct stat st {};
        if ((::mkdir(dir.c_str(), 0700) == 0 || errno == EEXIST) && ::lstat(dir.c_str(), &st) == 0 &&
            S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0)
            qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(dir));
    }
    platform::qt::followPinnedClock();
    static int argc = 1;
    static char name[] = "tubra-cli";
    static char* argv[] = {name, nullptr};
    auto app = std::make_unique<QGuiApplication>(argc, argv);
    // Qt set the user's locale for the C library: numbers keep their decimal point.
    std::setlocale(LC_NUMERIC, "C");
    return app;
}

}  // namespace tubra::cli
