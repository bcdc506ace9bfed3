// manager-window-probe DIR: opens the manager's window on DIR (off screen unless a display is
// set), lets it list the directory, and reports how long the listing took, the longest time
// the window's event loop was kept from running meanwhile, and the peak memory of the process.
// Escape is pressed after --cancel-after MS milliseconds when given.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"

namespace {

long peakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: manager-window-probe DIR [--cancel-after MS]\n");
        return 2;
    }
    if (!std::getenv("DISPLAY")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::filesystem::path dir = manager::app::toPath(QString::fromLocal8Bit(argv[1]));
    const int cancelAfter = argc > 3 && std::strcmp(argv[2], "--cancel-after") == 0 ? std::atoi(argv[3]) : -1;

    manager::app::WindowOptions options;
    options.startDirectory = dir;
    options.roots = {dir.parent_path()};
    manager::app::MainWindow window(options);
    window.show();

    // A timer every 10 ms: the longest gap between two ticks is the longest time the window
    // could not answer the user.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestGap = 0, started = -1, finished = -1;
    int seenRows = 0, rowUpdates = 0;
    QTimer tick;
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (started >= 0 && finished < 0) longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
        const int rows = window.manager().list.size();
        if (window.isListing() && started < 0) started = now;
        if (rows != seenRows) {
            ++rowUpdates;
            seenRows = rows;
        }
        if (cancelAfter >= 0 && started >= 0 && now - started >= cancelAfter && window.isListing()) {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(&window, &escape);
            window.cancelListing();
        }
        if (started >= 0 && !window.isListing() && finished < 0) {
            finished = now;
            QTimer::singleShot(200, &app, &QApplication::quit);
        }
    });
    tick.start();
    app.exec();
    std::printf("tree and window ready after %.2f s; rows %d, listing %.2f s, rows arrived in %d steps, longest event-loop gap %lld ms, peak memory %.1f MB\n",
                static_cast<double>(started) / 1000.0, window.manager().list.size(),
                static_cast<double>(finished - started) / 1000.0, rowUpdates,
                static_cast<long long>(longestGap), static_cast<double>(peakKilobytes()) / 1024.0);
    return 0;
}
