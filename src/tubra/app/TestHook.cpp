#include "tubra/app/TestHook.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include "platform/AtomicFile.h"
#include "tubra/app/AutoRecovery.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/edit/CommandIds.h"
#include "tubra/model/Document.h"

namespace tubra::app {

namespace {

// The value of `key` in the hook's list ("" for a bare word), or nothing.
bool step(std::string_view key, std::string* value = nullptr) {
    const char* hook = std::getenv("TUBRA_TEST_HOOK");
    if (!hook) return false;
    std::string_view rest = hook;
    while (!rest.empty()) {
        const auto comma = rest.find(',');
        const std::string_view item = rest.substr(0, comma);
        rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        const auto eq = item.find('=');
        if (item.substr(0, eq) != key) continue;
        if (value) *value = eq == std::string_view::npos ? std::string{} : std::string(item.substr(eq + 1));
        return true;
    }
    return false;
}

void say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

}  // namespace

void armTestHook(MainWindow& window) {
    if (!step("recover")) return;
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, timer, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QStringLiteral("recoveryDialog") || !w->isVisible()) continue;
            if (auto* button = w->findChild<QPushButton*>(QStringLiteral("recover"))) button->click();
        }
    });
    timer->start(20);
}

void runTestHook(MainWindow& window) {
    std::string value;
    if (step("edits", &value)) {
        const int count = std::atoi(value.c_str());
        // The object stack: each step takes the last object away or brings one back, as the
        // buttons do.
        for (int i = 0; i < count; ++i) window.runCommand(i % 3 == 2 ? cmd::Restore : cmd::UndoObject);
        std::size_t copies = 0;
        if (AutoRecovery* recovery = window.recovery()) {
            recovery->writer().flush();
            copies = recovery->writer().written();
        }
        if (step("expect", &value))
            if (DrawingView* view = window.activeView())
                (void)platform::writeFileAtomically(value, view->document().serialize());
        say("ready copies=" + std::to_string(copies));
    }
    if (step("save-quit")) {
        const bool saved = window.saveActive(false);
        if (DrawingView* view = window.activeView())
            say(std::string(saved ? "saved " : "not-saved ") + view->document().path().string());
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    }
}

}  // namespace tubra::app
