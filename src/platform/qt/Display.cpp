#include "platform/qt/Display.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <QString>
#include <QtGlobal>

namespace platform::qt {

namespace {

std::string message;
QtMessageHandler previousHandler = nullptr;

[[noreturn]] void refuse() {
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
    std::_Exit(1);
}

// Qt ends a program whose window system cannot be opened with a fatal message; that one is
// answered with the program's own.
void onQtMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg && text.contains(QStringLiteral("platform plugin"))) refuse();
    // The platform plugin's own English account of a display it could not reach is replaced by
    // the message above.
    if (context.category && std::string_view(context.category).starts_with("qt.qpa")) return;
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qPrintable(text));
}

bool hasEnv(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

}  // namespace

std::string_view noDisplayMessage(std::string_view program, std::string_view alternative) {
    message = std::string(program) + ": 没有找到图形显示（DISPLAY 或 WAYLAND_DISPLAY 未设置或无法连接），无法打开窗口。\n" +
              std::string(alternative) + "\n";
    return message;
}

void refuseWithoutDisplay(std::string_view program, std::string_view alternative) {
    noDisplayMessage(program, alternative);
    // A platform chosen on purpose (offscreen, vnc, ...) is left to Qt.
    if (!hasEnv("QT_QPA_PLATFORM") && !hasEnv("DISPLAY") && !hasEnv("WAYLAND_DISPLAY")) refuse();
    previousHandler = qInstallMessageHandler(onQtMessage);
}

void displayOpened() {
    qInstallMessageHandler(previousHandler);
}

}  // namespace platform::qt
