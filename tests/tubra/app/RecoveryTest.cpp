// Recovery after a crash, as a user meets it: the program is killed with unsaved edits, started
// again, offers the drawing, and what it saves is what was on screen. Then the window's side
// without a crash: a clean save removes the copy, and the settings' dialog is kept.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <string>

#include <QCheckBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSettings>
#include <QSpinBox>

#include "AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "tubra/app/AutoRecovery.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/appcore/Commands.h"
#include "tubra/edit/CommandIds.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(platform::readWholeFile(p, s).ok()) << p;
    return s;
}

std::vector<fs::path> filesIn(const fs::path& dir) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) out.push_back(it->path());
    return out;
}

std::size_t copiesIn(const fs::path& dir) {
    std::size_t n = 0;
    for (const fs::path& p : filesIn(dir)) n += p.extension() == ".recovery";
    return n;
}

// The program with its state and settings in `home`, driven by `hook`.
QProcess* startProgram(const fs::path& home, const std::string& hook, const fs::path& drawing) {
    auto* p = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromStdString((home / "state").string()));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromStdString((home / "config").string()));
    env.insert(QStringLiteral("TUBRA_TEST_HOOK"), QString::fromStdString(hook));
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    p->start(QStringLiteral(TUBRA_PROGRAM), {QString::fromStdString(drawing.string())});
    return p;
}

// Reads the program's output until a line starting with `prefix`; that line.
std::string waitForLine(QProcess& p, const std::string& prefix) {
    std::string seen;
    for (int i = 0; i < 300; ++i) {
        while (p.canReadLine()) {
            const std::string line = p.readLine().trimmed().toStdString();
            if (line.rfind(prefix, 0) == 0) return line;
            seen += line + "\n";
        }
        if (p.state() == QProcess::NotRunning) break;
        p.waitForReadyRead(100);
    }
    ADD_FAILURE() << "no line \"" << prefix << "\"; output was:\n" << seen;
    return {};
}

}  // namespace

TEST(RecoveryAfterCrash, KilledWithUnsavedEditsThenRecoveredAndSavedGivesWhatWasOnScreen) {
    apptest::TempDir home;
    const fs::path drawing = home / "line 1.hcd";
    const fs::path other = home / "other.hcd";
    apptest::writeDrawingFile(drawing, 400);
    apptest::writeDrawingFile(other, 50);
    const std::string original = readFile(drawing);
    {
        // A copy after every third edit, no timer: the copy the crash leaves is the edits'.
        const fs::path conf = home / "config" / "Local AppWizard-Generated Applications" / "Tubra.conf";
        QSettings stored(QString::fromStdString(conf.string()), QSettings::IniFormat);
        stored.setValue(QStringLiteral("Recovery/IntervalSeconds"), 0);
        stored.setValue(QStringLiteral("Recovery/EveryEdits"), 3);
    }
    const fs::path recovery = home / "state" / "tubra" / "recovery";
    const fs::path expected = home / "expected.hcd";

    std::unique_ptr<QProcess> crashed(
        startProgram(home.path(), "edits=6,expect=" + expected.string(), drawing));
    const std::string ready = waitForLine(*crashed, "ready");
    EXPECT_NE(ready, "ready copies=0") << "no copy was written";
    ASSERT_EQ(copiesIn(recovery), 1u);
    {
        // A second program started meanwhile leaves the running one's copy alone.
        std::unique_ptr<QProcess> beside(startProgram(home.path(), "recover,save-quit", other));
        EXPECT_EQ(waitForLine(*beside, "saved"), "saved " + other.string());
        EXPECT_TRUE(beside->waitForFinished(20000));
        EXPECT_EQ(copiesIn(recovery), 1u);
    }
    ::kill(static_cast<pid_t>(crashed->processId()), SIGKILL);
    crashed->waitForFinished(10000);
    // The drawing's own file was never written.
    EXPECT_EQ(readFile(drawing), original);
    const std::string onScreen = readFile(expected);
    ASSERT_NE(onScreen, original);

    std::unique_ptr<QProcess> next(startProgram(home.path(), "recover,save-quit", other));
    EXPECT_EQ(waitForLine(*next, "saved"), "saved " + drawing.string());
    ASSERT_TRUE(next->waitForFinished(20000));
    EXPECT_EQ(next->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_EQ(readFile(drawing), onScreen);
    // Recovered and saved, then ended cleanly: nothing is left, neither copies nor locks.
    EXPECT_TRUE(filesIn(recovery).empty()) << filesIn(recovery).front();
}

TEST(RecoveryInTheWindow, EditsMakeACopyACleanSaveRemovesItAndRecoveryOpensModified) {
    apptest::application();
    apptest::TempDir dir;
    const fs::path file = dir / "a.hcd";
    apptest::writeDrawingFile(file, 100);
    app::RecoveryStore store(dir / "recovery");
    apptest::FakeInteraction ui;
    {
        model::AppContext context;
        auto window = std::make_unique<app::MainWindow>(context, ui);
        window->enableRecovery(store);
        window->recovery()->setSettings({0, 2});
        ASSERT_TRUE(window->openDocument(QString::fromStdString(file.string())));
        apptest::settle();
        window->runCommand(cmd::UndoObject);
        window->recovery()->writer().flush();
        EXPECT_EQ(copiesIn(store.directory()), 0u);
        window->runCommand(cmd::UndoObject);
        window->recovery()->writer().flush();
        ASSERT_EQ(copiesIn(store.directory()), 1u);
        EXPECT_TRUE(window->saveActive(false));
        window->recovery()->writer().flush();
        EXPECT_EQ(copiesIn(store.directory()), 0u);

        // Unsaved again; then the window ends without a crash.
        window->runCommand(cmd::UndoObject);
        window->runCommand(cmd::UndoObject);
        window->recovery()->writer().flush();
        ASSERT_EQ(copiesIn(store.directory()), 1u);
        window.reset();
    }
    // The window's clean end removed the copy it wrote.
    EXPECT_EQ(copiesIn(store.directory()), 0u);
}

TEST(RecoveryInTheWindow, TheDialogRecoversUnderTheOriginalNameAndTheSettingsAreKept) {
    apptest::application();
    apptest::TempDir dir;
    const fs::path file = dir / "b.hcd";
    apptest::writeDrawingFile(file, 60);
    model::AppContext source;
    auto docRead = model::Document::open(source, file);
    ASSERT_TRUE(docRead.ok()) << docRead.message();
    auto doc = std::move(docRead.value());
    doc->drawing.objects.take(&doc->drawing.objects.last()).reset();
    const std::string edited = doc->serialize();
    {
        app::RecoveryStore gone(dir / "recovery");
        ASSERT_FALSE(platform::writeFileAtomically(gone.copyPath(1),
                                                   app::recoveryHeader({file, "b.hcd", platform::now()}) + edited)
                         .failed());
        gone.abandon();
    }
    app::RecoveryStore store(dir / "recovery");
    apptest::FakeInteraction ui;
    model::AppContext context;
    app::MainWindow window(context, ui);
    window.enableRecovery(store);
    // `tubra b.hcd` opens the file before the copies are offered: the recovered changes take
    // its place instead of a second window on the same file.
    ASSERT_TRUE(window.openDocument(QString::fromStdString(file.string())));
    apptest::whenDialogShows([](QDialog& d) {
        EXPECT_EQ(d.objectName(), QStringLiteral("recoveryDialog"));
        apptest::click(d, "recover");
    });
    window.offerRecovery();
    apptest::settle();
    EXPECT_EQ(window.views().size(), 1u);
    ASSERT_NE(window.activeView(), nullptr);
    model::Document& recovered = window.activeView()->document();
    EXPECT_EQ(recovered.path(), file);
    EXPECT_TRUE(recovered.isModified());
    EXPECT_TRUE(window.saveActive(false));
    EXPECT_EQ(readFile(file), edited);
    window.recovery()->writer().flush();
    EXPECT_EQ(copiesIn(store.directory()), 0u);

    // 设置 → 自动保存…: the edit counter off, the timer at two minutes.
    apptest::whenDialogShows([](QDialog& d) {
        apptest::child<QCheckBox>(d, "counted")->setChecked(false);
        apptest::child<QSpinBox>(d, "seconds")->setValue(120);
        apptest::click(d, "ok");
    });
    window.runCommand(cmd::RecoverySettings);
    EXPECT_EQ(window.recovery()->settings(), (app::RecoverySettings{120, 0}));
    EXPECT_EQ(app::loadRecoverySettings(), (app::RecoverySettings{120, 0}));
}
