// Sessions through the real window: a script replayed with real mouse, key and dialog events
// on the drawing view gives the very file the headless player gives; what the window records
// replays to the same file; and the tools' feedback leaves the view's picture exactly as it
// found it.

#include <gtest/gtest.h>

#include <deque>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QLabel>
#include <QStatusBar>


#include "AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "tubra/app/AutoRecovery.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/DrawingView.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/RealSpace.h"
#include "tubra/app/ToolDialogs.h"
#include "tubra/edit/SessionPlayer.h"

using namespace tubra;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& p) {
    std::string s;
    EXPECT_TRUE(platform::readWholeFile(p, s).ok()) << p;
    return s;
}

std::vector<edit::KeyBinding> programKeys() {
    std::vector<edit::KeyBinding> keys = app::keyBindings();
    return keys;
}

// The headless player's file for a script.
std::string playHeadless(const std::string& script, const fs::path& out) {
    model::AppContext app;
    edit::CommandRegistry registry;
    app::installCommands(registry);
    edit::SessionPlayer player(app, registry, programKeys());
    player.defaultSavePath = out;
    const edit::SessionResult r = player.run(script);
    EXPECT_TRUE(r.ok) << r.line << ": " << r.message;
    return readFile(out);
}

// Replays a recorded script as `tubra-cli play SCRIPT [-o OUT]` does: files of `open` lines in
// the script's folder, and with `out` the active drawing saved there at the end.
bool replay(const fs::path& script, const fs::path& out = {}) {
    model::AppContext app;
    edit::CommandRegistry registry;
    app::installCommands(registry);
    edit::SessionPlayer player(app, registry, programKeys());
    player.defaultSavePath = out;
    player.protectedPath = script;
    player.scriptFolder = script.parent_path();
    const edit::SessionResult r = player.run(readFile(script));
    EXPECT_TRUE(r.ok) << r.line << ": " << r.message;
    if (!r.ok) return false;
    if (!out.empty()) {
        EXPECT_NE(player.document(), nullptr);
        if (!player.document() || player.document()->saveAs(out).failed()) return false;
    }
    return true;
}

// Message boxes answered from the script's answers; a box without one fails the test.
class ReplayInteraction : public apptest::FakeInteraction {
public:
    platform::Answer ask(QWidget*, const platform::Message& m) override {
        asked.push_back(m);
        if (answers.empty()) {
            ADD_FAILURE() << "a message box without an answer: " << m.text;
            return m.defaultAnswer;
        }
        const platform::Answer a = answers.front();
        answers.pop_front();
        return a;
    }
};

// Plays a script on the window as a user would: mouse events on the drawing view at the
// device points of the script's model points, keys, commands, and dialogs filled in through
// their widgets.
class WidgetPlayer {
public:
    WidgetPlayer(app::MainWindow& window, ReplayInteraction& ui) : window_(window), ui_(ui) {}

    void run(const std::string& script, const fs::path& out) {
        const edit::ParsedScript parsed = edit::parseSessionScript(script);
        ASSERT_TRUE(parsed.ok) << parsed.error;
        for (const edit::ScriptLine& line : parsed.lines) {
            SCOPED_TRACE("line " + std::to_string(line.number));
            if (window_.activeView()) driveDialogs();
            perform(line, out);
            if (::testing::Test::HasFatalFailure()) return;
        }
        EXPECT_TRUE(dialogs_.empty()) << "dialog lines left";
        EXPECT_TRUE(ui_.answers.empty()) << "answers left";
    }

private:
    app::DrawingView& view() { return *window_.activeView(); }

    // Every dialog of the active view is filled from the script, whichever window it is.
    void driveDialogs() {
        view().qtForms().onShow = [this](QDialog& dialog, platform::Form&) {
            QTimer::singleShot(0, &dialog, [this, &dialog] { drive(dialog); });
        };
    }

    void send(QEvent::Type type, const edit::DevicePoint& d, Qt::MouseButton button, Qt::MouseButtons buttons,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* target = view().viewport();
        const QPointF local(d.x, d.y);
        QMouseEvent e(type, local, target->mapToGlobal(local), button, buttons, mods);
        QCoreApplication::sendEvent(target, &e);
    }

    edit::DevicePoint at(double x, double y) { return view().controller().toDevice(x, y); }

    void repaint() {
        apptest::settle(2);
        if (window_.activeView()) view().viewport()->repaint();
    }

    // Fills the dialog that is open from the next dialog line(s), through its widgets.
    void drive(QDialog& dialog) {
        auto* d = dynamic_cast<app::FieldFormDialog*>(&dialog);
        ASSERT_NE(d, nullptr) << "a dialog that is not built from its fields";
        while (dialog.isVisible()) {
            if (dialogs_.empty()) {
                ADD_FAILURE() << "a dialog without a dialog line: " << d->form().caption();
                d->reject();
                return;
            }
            const std::vector<std::string> tokens = dialogs_.front();
            dialogs_.pop_front();
            bool lastWasAction = false;
            for (const std::string& token : tokens) {
                if (!dialog.isVisible()) break;
                const auto eq = token.find('=');
                const std::string name = token.substr(0, eq);
                if (eq != std::string::npos && d->form().hasField(name)) {
                    setWidget(*d, name, token.substr(eq + 1));
                    lastWasAction = false;
                } else {
                    press(*d, token);
                    lastWasAction = true;
                }
            }
            if (dialog.isVisible() && !lastWasAction) press(*d, "ok");
        }
    }

    void setWidget(app::FieldFormDialog& d, const std::string& name, const std::string& value) {
        QWidget* w = d.fieldWidget(name);
        ASSERT_NE(w, nullptr) << name;
        const QString v = QString::fromStdString(value);
        if (auto* e = qobject_cast<QLineEdit*>(w)) {
            e->selectAll();
            QTest::keyClick(e, Qt::Key_Delete);
            QTest::keyClicks(e, v);
        } else if (auto* p = qobject_cast<QPlainTextEdit*>(w)) {
            p->setPlainText(v);
        } else if (auto* c = qobject_cast<QComboBox*>(w)) {
            if (c->isEditable()) {
                c->setEditText(v);
            } else {
                const int i = c->findText(v);
                ASSERT_GE(i, 0) << name << "=" << value;
                c->setCurrentIndex(i);
            }
        } else if (auto* k = qobject_cast<QCheckBox*>(w)) {
            k->setChecked(value == "1");
        } else {
            auto* r = w->findChild<QRadioButton*>(QString::fromStdString(name + ":" + value));
            ASSERT_NE(r, nullptr) << name << "=" << value;
            QTest::mouseClick(r, Qt::LeftButton);
        }
        EXPECT_EQ(d.form().field(name), value) << name;
    }

    void press(app::FieldFormDialog& d, const std::string& action) {
        if (action == "ok" || action == "cancel") {
            auto* b = d.findChild<QAbstractButton*>(QString::fromStdString(action));
            ASSERT_NE(b, nullptr);
            QTest::mouseClick(b, Qt::LeftButton);
        } else {
            d.perform(action);
        }
    }

    void perform(const edit::ScriptLine& line, const fs::path& out) {
        using K = edit::ScriptLine::Kind;
        const auto& v = line.numbers;
        switch (line.kind) {
            case K::New: {
                ui_.newDrawing = view::NewDrawingValues{30, 30, v.empty() ? 0.0 : v[0]};
                window_.runCommand(app::cmd::New);
                for (int i = 0; i < 50 && view().document().newDrawingFlag; ++i) apptest::settle(1);
                ASSERT_EQ(view().document().newDrawingFlag, 0);
                driveDialogs();
                break;
            }
            case K::Command: window_.runCommand(static_cast<int>(v[0])); break;
            case K::Click: {
                const auto d = at(v[0], v[1]);
                Qt::KeyboardModifiers m;
                if (line.shift) m |= Qt::ShiftModifier;
                if (line.ctrl) m |= Qt::ControlModifier;
                send(QEvent::MouseMove, d, Qt::NoButton, Qt::NoButton, m);
                send(QEvent::MouseButtonPress, d, Qt::LeftButton, Qt::LeftButton, m);
                send(QEvent::MouseButtonRelease, d, Qt::LeftButton, Qt::NoButton, m);
                break;
            }
            case K::RightClick: {
                const auto d = at(v[0], v[1]);
                send(QEvent::MouseMove, d, Qt::NoButton, Qt::NoButton);
                send(QEvent::MouseButtonPress, d, Qt::RightButton, Qt::RightButton);
                send(QEvent::MouseButtonRelease, d, Qt::RightButton, Qt::NoButton);
                break;
            }
            case K::Move: send(QEvent::MouseMove, at(v[0], v[1]), Qt::NoButton, Qt::NoButton); break;
            case K::Drag: {
                const auto a = at(v[0], v[1]);
                const auto b = at(v[2], v[3]);
                send(QEvent::MouseMove, a, Qt::NoButton, Qt::NoButton);
                send(QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
                send(QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
                send(QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
                break;
            }
            case K::Key: {
                const QKeySequence seq = QKeySequence::fromString(
                    QString::fromStdString(edit::canonicalKeyName(line.text)), QKeySequence::PortableText);
                ASSERT_FALSE(seq.isEmpty()) << line.text;
                // Keys go to the view the user works in.
                QApplication::setActiveWindow(&window_);
                view().setFocus();
                QTest::keySequence(view().viewport(), seq);
                break;
            }
            case K::Answer: {
                const std::string& a = line.text;
                ui_.answers.push_back(a == "yes"  ? platform::Answer::Yes
                                      : a == "no" ? platform::Answer::No
                                      : a == "ok" ? platform::Answer::Ok
                                                  : platform::Answer::Cancel);
                return;
            }
            case K::Dialog: dialogs_.push_back(line.tokens); return;
            case K::Save:
                ui_.saveName = QString::fromStdString(out.string());
                window_.runCommand(app::cmd::Save);
                break;
            case K::ExpectMessage:
                ASSERT_FALSE(ui_.asked.empty());
                EXPECT_EQ(ui_.asked.back().text, line.text);
                return;
            case K::ExpectCount: {
                const auto& list = view().document().drawing.objects;
                const int have = v.size() == 2 ? list.countOfKind(static_cast<int>(v[1])) : static_cast<int>(list.size());
                EXPECT_EQ(have, static_cast<int>(v[0]));
                return;
            }
            case K::ExpectDiscarded:
                EXPECT_EQ(view().document().discardBox.objects.size(), static_cast<std::size_t>(v[0]));
                return;
            case K::ExpectSelected:
                EXPECT_EQ(view().document().selection.size(), static_cast<std::size_t>(v[0]));
                return;
            default: return;  // the other checks belong to the headless player
        }
        EXPECT_TRUE(dialogs_.empty()) << "a dialog line was not used";
        EXPECT_TRUE(ui_.answers.empty()) << "an answer was not used";
        repaint();
    }

    app::MainWindow& window_;
    ReplayInteraction& ui_;
    std::deque<std::vector<std::string>> dialogs_;
};

class SessionReplayTest : public ::testing::Test {
protected:
    void SetUp() override {
        apptest::application();
        window = std::make_unique<app::MainWindow>(context, ui);
        window->resize(1100, 800);
        window->show();
        window->activateWindow();
        apptest::settle();
    }

    apptest::TempDir dir;
    model::AppContext context;
    ReplayInteraction ui;
    std::unique_ptr<app::MainWindow> window;
};

}  // namespace

TEST_F(SessionReplayTest, TheWindowDrawsTheSameFileAsThePlayer) {
    const std::string script = readFile(fs::path(TUBRA_SESSIONS) / "pipeline-e2e.session");
    const std::string headless = playHeadless(script, dir / "headless.hcd");
    WidgetPlayer(*window, ui).run(script, dir / "window.hcd");
    const std::string drawn = readFile(dir / "window.hcd");
    ASSERT_FALSE(drawn.empty());
    EXPECT_TRUE(drawn == headless) << "the window's file differs from the player's";
}

TEST_F(SessionReplayTest, WhatTheWindowRecordsReplaysToTheSameFile) {
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    EXPECT_TRUE(window->recording());
    const std::string script = readFile(fs::path(TUBRA_SESSIONS) / "pipeline-e2e.session");
    WidgetPlayer(*window, ui).run(script, dir / "window.hcd");
    window->stopRecording();
    const std::string again = playHeadless(readFile(recorded), dir / "again.hcd");
    EXPECT_TRUE(again == readFile(dir / "window.hcd")) << readFile(recorded);
}

TEST_F(SessionReplayTest, ExportsAndWindowsOfTheMenusLeaveARecordingThatReplays) {
    // The exports ask for their file and 三维视图 opens a window: none of them is part of a
    // session, and what they ask (a refused file name) must not leave answers in the script
    // that no line of it takes.
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    WidgetPlayer(*window, ui).run(readFile(fs::path(TUBRA_SESSIONS) / "pipeline-e2e.session"), dir / "window.hcd");
    app::RealSpace* real = app::RealSpace::of(*window);
    ASSERT_TRUE(real);
    std::deque<QString> names = {QString::fromStdString((dir / "over.hcd").string()),
                                 QString::fromStdString((dir / "out.pcf").string())};
    real->pcfFileName = [&](QWidget*, const QString&) {
        const QString name = names.front();
        names.pop_front();
        return name;
    };
    ui.answers.push_back(platform::Answer::Ok);
    window->runCommand(app::cmd::ExportPcf);  // refused: a drawing's name
    EXPECT_TRUE(ui.answers.empty());
    window->runCommand(app::cmd::ExportPcf);
    window->runCommand(app::cmd::View3D);
    apptest::settle();
    window->runCommand(app::cmd::ZoomIn);
    window->stopRecording();
    EXPECT_TRUE(fs::exists(dir / "out.pcf"));
    EXPECT_FALSE(fs::exists(dir / "over.hcd"));

    const std::string script = readFile(recorded);
    for (int id : {app::cmd::ExportPcf, app::cmd::ExportDxf, app::cmd::Materials, app::cmd::View3D})
        EXPECT_EQ(script.find("command " + std::to_string(id)), std::string::npos) << id << "\n" << script;
    EXPECT_NE(script.find("command 2700"), std::string::npos) << script;
    playHeadless(script, dir / "again.hcd");
}

TEST_F(SessionReplayTest, DialogsShowTheirFieldsByName) {
    const std::string script =
        "new 0\ncommand 2709\nclick 300 -1100\n"
        "dialog Distanc=1000 DistTxt=\"8000 mm\" flow=逆管道方向 count=2\n"
        "dialog choice=焊缝\n"
        "click 1166 -1600\n";
    WidgetPlayer(*window, ui).run(script, dir / "unused.hcd");
    const auto& list = window->activeView()->document().drawing.objects;
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.at(0).Port4.z, -1);
    EXPECT_EQ(list.at(2).MainType, 8);
}

TEST_F(SessionReplayTest, ToolsShowTheirCheckMarksAndTheStatusLine) {
    WidgetPlayer(*window, ui).run("new 0\ncommand 2709\nclick 300 -1100\ndialog Distanc=1000\nclick 1166 -1600\n",
                                  dir / "unused.hcd");
    EXPECT_TRUE(window->action(2709)->isChecked());
    EXPECT_FALSE(window->action(2710)->isChecked());
    EXPECT_TRUE(window->action(2709)->isEnabled());
    window->runCommand(496);  // filter: a toggling tool
    EXPECT_TRUE(window->action(496)->isChecked());
    EXPECT_FALSE(window->action(2709)->isChecked());
    window->runCommand(496);
    EXPECT_FALSE(window->action(496)->isChecked());
    // The snap keys show their state on the quick-settings bar.
    EXPECT_TRUE(window->action(app::cmd::SnapEnd)->isChecked());
    window->runCommand(app::cmd::SnapEnd);
    EXPECT_FALSE(window->action(app::cmd::SnapEnd)->isChecked());
    // The status bar's first pane shows where the mouse is and what the drawing holds.
    app::DrawingView& view = *window->activeView();
    const edit::DevicePoint d = view.controller().toDevice(1000, -1000);
    QMouseEvent move(QEvent::MouseMove, QPointF(d.x, d.y), view.viewport()->mapToGlobal(QPointF(d.x, d.y)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(view.viewport(), &move);
    auto labels = window->statusBar()->findChildren<QLabel*>();
    bool shown = false;
    for (QLabel* l : labels) shown |= l->text().startsWith(QStringLiteral("(1000, 1050)   数量=1 "));
    EXPECT_TRUE(shown);
}

TEST_F(SessionReplayTest, ARecordingFollowsTheActiveWindow) {
    // Drawn in window 1, a second drawing made and closed unsaved, then drawn on in window 1:
    // the replay has every object of window 1.
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    WidgetPlayer player(*window, ui);
    player.run("new 0\ncommand 2709\nclick 300 -1100\ndialog Distanc=600\nclick 300 -500\nrclick 2000 -1900\n",
               dir / "unused.hcd");
    player.run("new 0\ncommand 2709\nclick 500 -1100\ndialog Distanc=300\nclick 800 -1100\nrclick 2000 -1900\n",
               dir / "unused.hcd");
    ui.answers.push_back(platform::Answer::No);  // not saved
    window->runCommand(app::cmd::Close);
    apptest::settle();
    player.run("command 2709\nclick 300 -500\ndialog Distanc=600\nclick 900 -500\nrclick 2000 -1900\nsave\n",
               dir / "window.hcd");
    // Both segments of window 1 (and the weld where they meet).
    EXPECT_GE(window->activeView()->document().drawing.objects.size(), 2u);
    window->stopRecording();
    const std::string script = readFile(recorded);
    EXPECT_NE(script.find("close"), std::string::npos) << script;
    EXPECT_TRUE(playHeadless(script, dir / "again.hcd") == readFile(dir / "window.hcd")) << script;
}

TEST_F(SessionReplayTest, APageSetupRecordingReplays) {
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    WidgetPlayer player(*window, ui);
    player.run("new 0\ncommand 2709\nclick 300 -1100\ndialog Distanc=600\nclick 300 -500\nrclick 2000 -1900\n",
               dir / "unused.hcd");
    window->activeView()->qtForms().onShow = nullptr;
    apptest::whenDialogShows([](QDialog& d) {
        apptest::child<QComboBox>(d, "pageSize")->setCurrentIndex(1);
        apptest::child<QLineEdit>(d, "labelX")->setText("E");
        apptest::click(d, "ok");
    });
    window->runCommand(app::cmd::PageSetup);
    ui.saveName = QString::fromStdString((dir / "window.hcd").string());
    window->runCommand(app::cmd::Save);
    window->stopRecording();
    const std::string script = readFile(recorded);
    EXPECT_NE(script.find("command 466"), std::string::npos) << script;
    EXPECT_TRUE(playHeadless(script, dir / "again.hcd") == readFile(dir / "window.hcd")) << script;
}

// A segment of the recordings below, at the model point (X, Y), ended by a right click.
std::string segmentAt(int x, int y, int length) {
    return "command 2709\nclick " + std::to_string(x) + " " + std::to_string(y) + "\ndialog Distanc=" +
           std::to_string(length) + "\nclick " + std::to_string(x + 600) + " " + std::to_string(y) +
           "\nrclick 2000 -1900\n";
}

TEST_F(SessionReplayTest, AFileOpenedWhileRecordingReplaysFromThatFile) {
    // A drawing on disk; another, opened before the recording, changed and not saved.
    const fs::path a = dir / "a.hcd", b = dir / "b.hcd";
    playHeadless("new 0\n" + segmentAt(300, -1100, 600) + "save\n", a);
    const std::string bOnDisk = playHeadless("new 0\n" + segmentAt(300, -700, 300) + "save\n", b);
    WidgetPlayer player(*window, ui);
    ASSERT_TRUE(window->openDocument(QString::fromStdString(b.string())));
    player.run(segmentAt(300, -400, 600), dir / "unused.hcd");
    ASSERT_TRUE(window->activeView()->document().isModified());

    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    player.run(segmentAt(300, -1400, 600), dir / "unused.hcd");
    // 文件 → 打开, and drawn on.
    ui.openName = QString::fromStdString(a.string());
    window->runCommand(app::cmd::Open);
    apptest::settle();
    ASSERT_EQ(window->activeView()->document().path(), a);
    player.run(segmentAt(300, -500, 600), dir / "unused.hcd");
    ui.saveName = QString::fromStdString((dir / "window-a.hcd").string());
    window->runCommand(app::cmd::SaveAs);
    window->stopRecording();
    const std::string script = readFile(recorded);
    EXPECT_NE(script.find("open " + edit::quoteSessionValue(a.string())), std::string::npos) << script;
    EXPECT_NE(script.find("open recorded.session.1.hcd unsaved"), std::string::npos) << script;
    EXPECT_TRUE(readFile(b) == bOnDisk);  // what the recording wrote beside itself, never the file

    // Played without a drawing: the changed one comes from beside the recording.
    ASSERT_TRUE(replay(recorded, dir / "again.hcd"));
    EXPECT_TRUE(readFile(dir / "again.hcd") == readFile(dir / "window-a.hcd")) << script;
    // The first window's drawing, saved by the window now, is what a replay ending there gives.
    ui.saveName = QString::fromStdString((dir / "window-b.hcd").string());
    window->runCommand(app::cmd::PrevPane);
    apptest::settle();
    ASSERT_EQ(window->activeView()->document().path(), b);
    window->runCommand(app::cmd::SaveAs);
    ASSERT_TRUE(platform::writeFileAtomically(recorded, script + "window 1\n").ok());
    ASSERT_TRUE(replay(recorded, dir / "again-b.hcd"));
    EXPECT_TRUE(readFile(dir / "again-b.hcd") == readFile(dir / "window-b.hcd")) << script;
}

TEST_F(SessionReplayTest, TheSaveAskedForByClosingAWindowIsRecorded) {
    const fs::path b = dir / "b.hcd";
    const std::string bOnDisk = playHeadless("new 0\n" + segmentAt(300, -700, 300) + "save\n", b);
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    WidgetPlayer player(*window, ui);
    player.run("new 0\n" + segmentAt(300, -1100, 600), dir / "unused.hcd");
    ASSERT_TRUE(window->openDocument(QString::fromStdString(b.string())));
    player.run(segmentAt(300, -400, 600), dir / "unused.hcd");
    ui.answers.push_back(platform::Answer::Yes);  // 是否保存对 b 的更改?
    window->runCommand(app::cmd::Close);
    apptest::settle();
    window->stopRecording();
    const std::string script = readFile(recorded);
    ASSERT_NE(script.find("close\n"), std::string::npos) << script;
    EXPECT_LT(script.find("save\n"), script.find("close\n")) << script;
    // Replayed without -o, the save writes the drawing's own file again, from the file as it was.
    const fs::path saved = dir / "window-b.hcd";
    fs::rename(b, saved);
    ASSERT_TRUE(platform::writeFileAtomically(b, bOnDisk).ok());
    ASSERT_TRUE(replay(recorded));
    EXPECT_TRUE(readFile(b) == readFile(saved)) << script;
}

TEST_F(SessionReplayTest, ASecondWindowOnTheDrawingReplays) {
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    WidgetPlayer player(*window, ui);
    player.run("new 0\n" + segmentAt(300, -1100, 600), dir / "unused.hcd");
    // 窗口 → 新建窗口: both windows edit the one drawing.
    window->runCommand(app::cmd::NewWindow);
    apptest::settle();
    player.run(segmentAt(300, -700, 300), dir / "unused.hcd");
    window->runCommand(app::cmd::PrevPane);
    apptest::settle();
    player.run(segmentAt(300, -300, 900), dir / "unused.hcd");
    ui.saveName = QString::fromStdString((dir / "window.hcd").string());
    window->runCommand(app::cmd::SaveAs);
    EXPECT_EQ(window->activeView()->document().drawing.objects.size(), 3u);
    window->stopRecording();
    const std::string script = readFile(recorded);
    EXPECT_NE(script.find("new-window\n"), std::string::npos) << script;
    EXPECT_NE(script.find("window 1\n"), std::string::npos) << script;
    ASSERT_TRUE(replay(recorded, dir / "again.hcd"));
    EXPECT_TRUE(readFile(dir / "again.hcd") == readFile(dir / "window.hcd")) << script;
}

TEST_F(SessionReplayTest, ARecoveredDrawingReplaysFromItsStateBesideTheRecording) {
    // A copy left by a program that died with a drawing changed and not saved.
    const fs::path file = dir / "c.hcd";
    playHeadless("new 0\n" + segmentAt(300, -1100, 600) + "save\n", file);
    model::AppContext source;
    auto opened = model::Document::open(source, file);
    ASSERT_TRUE(opened.ok());
    auto doc = std::move(opened.value());
    doc->drawing.objects.take(&doc->drawing.objects.last()).reset();
    const std::string edited = doc->serialize();
    {
        app::RecoveryStore gone(dir / "recovery");
        ASSERT_TRUE(platform::writeFileAtomically(gone.copyPath(1),
                                                  app::recoveryHeader({file, "c.hcd", platform::now()}) + edited)
                        .ok());
        gone.abandon();
    }
    app::RecoveryStore store(dir / "recovery");
    window->enableRecovery(store);
    // Recording from the start, as `tubra --record` does: the recovery comes after.
    const fs::path recorded = dir / "recorded.session";
    ASSERT_TRUE(window->startRecording(QString::fromStdString(recorded.string())));
    apptest::whenDialogShows([](QDialog& d) { apptest::click(d, "recover"); });
    window->offerRecovery();
    apptest::settle();
    ASSERT_NE(window->activeView(), nullptr);
    WidgetPlayer player(*window, ui);
    player.run(segmentAt(300, -500, 300), dir / "unused.hcd");
    // 保存 writes the drawing's own file.
    ASSERT_TRUE(window->saveActive(false));
    window->stopRecording();
    window.reset();  // before the store it writes to
    const std::string script = readFile(recorded);
    EXPECT_NE(script.find("open recorded.session.1.hcd unsaved " + edit::quoteSessionValue(file.string())),
              std::string::npos)
        << script;
    const fs::path saved = dir / "window.hcd";
    fs::rename(file, saved);
    // Replayed without -o: the recorded save writes the drawing's own file as the window did.
    ASSERT_TRUE(replay(recorded));
    EXPECT_TRUE(readFile(file) == readFile(saved)) << script;
}

