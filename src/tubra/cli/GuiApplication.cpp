#include "tubra/cli/GuiApplication.h"

#include <sys/stat.h>
#include <cerrno>
#include <unistd.h>

#include <string>

#include <QDir>

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
    static int argc = 1;
    static char name[] = "tubra-cli";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace tubra::cli
