// The main window: start-up requests, documents and their windows, bars, menus, keys,
// settings and the commands of the shell.

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QTextBrowser>
#include <QToolBar>

#include "AppTestSupport.h"
#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/Help.h"
#include "tubra/app/MainWindow.h"
#include "tubra/appcore/Commands.h"

using namespace tubra;
using app::MainWindow;
using apptest::FakeInteraction;
namespace fs = std::filesystem;

namespace {

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        apptest::application();
        QSettings(QStringLiteral("Local AppWizard-Generated Applications"), QStringLiteral("Tubra"))
            .clear();
    }
    std::unique_ptr<MainWindow> makeWindow() {
        auto w = std::make_unique<MainWindow>(context, ui);
        w->resize(1000, 700);
        return w;
    }
    QString sample(const std::string& name, int objects = 40) {
        const fs::path p = dir / name;
        apptest::writeDrawingFile(p, objects);
        return QString::fromStdString(p.string());
    }

    model::AppContext context;
    FakeInteraction ui;
    apptest::TempDir dir;
};

// The actions of a menu as "id text" lines, submenus as "[title]" ... "[/]".
void describe(QMenu* menu, std::vector<std::string>& out) {
    for (QAction* a : menu->actions()) {
        if (a->isSeparator()) continue;
        if (QMenu* sub = a->menu()) {
            out.push_back("[" + a->text().toStdString() + "]");
            describe(sub, out);
            out.push_back("[/]");
        } else if (a->data().isValid()) {
            const int id = a->data().toInt();
            if (id >= app::cmd::Mru1 && id < app::cmd::Mru1 + app::kRecentFileCount) continue;
            // The text without the key shown beside it.
            out.push_back(std::to_string(id) + " " +
                          a->text().section(QLatin1Char('\t'), 0, 0).toStdString());
        }
    }
}

void describeEntries(std::span<const app::MenuEntry> entries, std::vector<std::string>& out) {
    for (const app::MenuEntry& e : entries) {
        if (e.kind == app::MenuEntry::Kind::Command)
            out.push_back(std::to_string(e.id) + " " + std::string(e.text));
        if (e.kind == app::MenuEntry::Kind::Submenu) {
            out.push_back("[" + std::string(e.text) + "]");
            describeEntries(e.children, out);
            out.push_back("[/]");
        }
    }
}

void expectMenuBar(MainWindow& w, const std::vector<app::MenuInfo>& menus) {
    const auto actions = w.menuBar()->actions();
    ASSERT_EQ(static_cast<std::size_t>(actions.size()), menus.size());
    for (std::size_t i = 0; i < menus.size(); ++i) {
        QAction* a = actions[static_cast<qsizetype>(i)];
        EXPECT_EQ(a->text().toStdString(), menus[i].title);
        std::vector<std::string> shown, listed;
        describe(a->menu(), shown);
        describeEntries(menus[i].entries, listed);
        EXPECT_EQ(shown, listed) << menus[i].title;
    }
}

}  // namespace

TEST_F(MainWindowTest, StartingWithAFileOpensOneMaximisedChildTitledWithItsName) {
    const QString path = sample("管线A.hcd");
    auto w = makeWindow();
    ASSERT_TRUE(w->carryOut({app::StartRequest::Kind::Open, path.toStdString(), {}}));
    w->showMaximized();
    apptest::settle();
    const auto windows = w->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 1);
    EXPECT_TRUE(windows[0]->isMaximized());
    EXPECT_EQ(windows[0]->windowTitle(), QStringLiteral("管线A.hcd[*]"));
    EXPECT_FALSE(windows[0]->isWindowModified());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("化工管道绘图辅助程序 - [管线A.hcd[*]]"));
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(ui.newDrawingAsked, 0);
    EXPECT_GT(w->activeView()->finishedPaints(), 0);
    // The file is the newest recent file, in the menu and in the settings.
    ASSERT_EQ(w->recentFiles().items().size(), 1u);
    EXPECT_EQ(w->recentFiles().items()[0], path.toStdString());
    QSettings settings(QStringLiteral("Local AppWizard-Generated Applications"),
                       QStringLiteral("Tubra"));
    EXPECT_EQ(settings.value(QStringLiteral("Recent File List/File1")).toString(), path);

    // Opening it again brings its window forward instead of a second copy.
    EXPECT_EQ(w->openDocument(path), w->activeView());
    EXPECT_EQ(w->documentCount(), 1);
}

TEST_F(MainWindowTest, FilesThatCannotBeOpenedLeaveNoWindow) {
    auto w = makeWindow();
    EXPECT_FALSE(w->carryOut({app::StartRequest::Kind::Open, (dir / "missing.hcd").string(), {}}));
    EXPECT_EQ(w->mdiArea()->subWindowList().size(), 0);
    EXPECT_EQ(w->documentCount(), 0);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("missing.hcd"), std::string::npos);
    // Without a drawing the short menu bar is shown and the drawing commands are off.
    expectMenuBar(*w, app::noDocumentMenus());
    EXPECT_FALSE(w->action(app::cmd::ZoomIn)->isEnabled());
    EXPECT_TRUE(w->action(app::cmd::Open)->isEnabled());
}

TEST_F(MainWindowTest, ImportingAPcfOpensANewUnsavedDrawing) {
    auto w = makeWindow();
    // Offered while no drawing is open.
    EXPECT_TRUE(w->action(app::cmd::ImportPcf)->isEnabled());
    ui.pcfName =
        QString::fromStdString((fs::path(TUBRA_TEST_DATA) / "pcf" / "feed-line.pcf").string());
    w->runCommand(app::cmd::ImportPcf);
    w->showMaximized();
    apptest::settle();
    ASSERT_EQ(w->documentCount(), 1);
    model::Document& doc = w->activeView()->document();
    EXPECT_TRUE(doc.path().empty());
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(ui.newDrawingAsked, 0);
    EXPECT_EQ(doc.drawing.objects.countOfKind(model::ObjectKind::Elbow), 3);
    EXPECT_EQ(doc.drawing.table.values[1].view(), "P-1102-150-B1A");
    // The window shows the drawing as laid out: its table, and its settings for every window.
    EXPECT_EQ(w->activeView()->state().table.values[1].view(), "P-1102-150-B1A");
    EXPECT_GT(w->activeView()->finishedPaints(), 0);
    // What to know about the file: the attributes it skipped, bolts and gaskets not drawn.
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("WEIGHT"), std::string::npos);
    EXPECT_NE(ui.asked[0].text.find("螺栓、垫片不画"), std::string::npos);

    // A file that is no PCF: told, and no window.
    ui.asked.clear();
    ui.pcfName = sample("不是.hcd");
    const model::DrawingSettings before = context.settings;
    w->runCommand(app::cmd::ImportPcf);
    EXPECT_EQ(w->documentCount(), 1);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("不是 PCF"), std::string::npos);
    EXPECT_EQ(context.settings, before);
    // Cancelled: nothing.
    ui.pcfName.clear();
    w->runCommand(app::cmd::ImportPcf);
    EXPECT_EQ(w->documentCount(), 1);
}

TEST_F(MainWindowTest, ANewDrawingAsksOnceForItsProjectionAndASecondWindowDoesNotAsk) {
    ui.newDrawing = view::NewDrawingValues{45, 60, 1500};
    auto w = makeWindow();
    ASSERT_TRUE(w->carryOut({}));
    w->show();
    apptest::settle();
    EXPECT_EQ(ui.newDrawingAsked, 1);
    app::DrawingView* first = w->activeView();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->state().X_AxisAngle, 45);
    EXPECT_EQ(first->state().Y_AxisAngle, 60);
    EXPECT_EQ(first->state().firstPointElevation, 1500);
    EXPECT_TRUE(first->document().isModified());
    EXPECT_EQ(first->document().newDrawingFlag, 0);
    EXPECT_EQ(first->document().drawing.X_AxisAngle, 45);
    EXPECT_EQ(w->mdiArea()->subWindowList()[0]->windowTitle(), QStringLiteral("Tubra1[*]"));
    // A new drawing is not saved yet: the title shows it as Qt programs do.
    EXPECT_TRUE(w->mdiArea()->subWindowList()[0]->isWindowModified());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("化工管道绘图辅助程序 - [Tubra1[*]]"));
    EXPECT_TRUE(w->isWindowModified());

    w->runCommand(app::cmd::NewWindow);
    apptest::settle();
    EXPECT_EQ(ui.newDrawingAsked, 1);
    const auto windows = w->mdiArea()->subWindowList();
    ASSERT_EQ(windows.size(), 2);
    EXPECT_EQ(windows[0]->windowTitle(), QStringLiteral("Tubra1:1[*]"));
    EXPECT_EQ(windows[1]->windowTitle(), QStringLiteral("Tubra1:2[*]"));
    EXPECT_EQ(w->activeView()->state().X_AxisAngle, 45);
    EXPECT_GT(w->activeView()->finishedPaints(), 0);

    // The next new drawing asks again and is numbered on.
    ui.newDrawing.reset();  // cancelled: the defaults stay
    w->runCommand(app::cmd::New);
    apptest::settle();
    EXPECT_EQ(ui.newDrawingAsked, 2);
    EXPECT_EQ(w->activeView()->document().title(), "Tubra2");
    EXPECT_EQ(w->activeView()->state().X_AxisAngle, 30);
    EXPECT_FALSE(w->activeView()->document().isModified());
}

TEST_F(MainWindowTest, EveryButtonAndMenuEntryIsThereWithItsIdAndText) {
    auto w = makeWindow();
    for (const app::BarInfo& info : app::allBars()) {
        QToolBar* bar = w->bar(info.visibilityCommand);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(bar->windowTitle().toStdString(), info.title);
        EXPECT_EQ(w->toolBarArea(bar), info.dockedAt == app::DockSide::Top ? Qt::TopToolBarArea
                                       : info.dockedAt == app::DockSide::Left
                                           ? Qt::LeftToolBarArea
                                           : Qt::RightToolBarArea);
        const auto actions = bar->actions();
        const std::vector<int> buttons = app::barButtons(info.id);
        ASSERT_EQ(static_cast<std::size_t>(actions.size()), buttons.size()) << info.objectName;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            QAction* a = actions[static_cast<qsizetype>(i)];
            const int id = buttons[i];
            if (id == 0) {
                EXPECT_TRUE(a->isSeparator());
                continue;
            }
            EXPECT_EQ(a->data().toInt(), id);
            const app::Action* c = app::findAction(id);
            EXPECT_EQ(a->toolTip().toStdString(), c->name);
            EXPECT_EQ(a->statusTip().toStdString(), c->prompt);
            EXPECT_FALSE(a->icon().isNull()) << id;
        }
    }
    expectMenuBar(*w, app::noDocumentMenus());
    w->newDocument();
    expectMenuBar(*w, app::documentMenus());

    // Features still to come are there but off; the batch print never works here.
    for (int id : {448, 57637, 464, 422}) EXPECT_FALSE(w->action(id)->isEnabled()) << id;
    for (int id : {57600, 57603, 57607, 2700, 2701, 2702, 2738, 2748, 466, 2741, 57648, 452, 2709,
                   2726, 444, 470, 57643, 2707})
        EXPECT_TRUE(w->action(id)->isEnabled()) << id;

    // The status bar: the message pane and the three lock indicators.
    QStatusBar* status = w->statusBar();
    EXPECT_EQ(status->findChildren<QLabel*>().size() >= 4, true);
    w->setStatusText(QStringLiteral("(  12,  34)"));
    EXPECT_TRUE(status->isVisible() || !w->isVisible());
}

TEST_F(MainWindowTest, KeysActWithoutModifiersButNotWhileTypingText) {
    auto w = makeWindow();
    EXPECT_EQ(w->action(app::cmd::AutoElevation)->shortcuts(),
              QList<QKeySequence>{QKeySequence(Qt::Key_B)});
    // Ctrl+Z is the history; the object stack keeps Alt+Backspace.
    EXPECT_EQ(w->action(app::cmd::UndoEdit)->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Z)});
    EXPECT_EQ(w->action(app::cmd::RedoEdit)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)}));
    EXPECT_EQ(w->action(app::cmd::UndoObject)->shortcuts(), QList<QKeySequence>{QKeySequence(Qt::ALT | Qt::Key_Backspace)});
    EXPECT_EQ(w->action(app::cmd::Cut)->shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::CTRL | Qt::Key_X),
                                   QKeySequence(Qt::SHIFT | Qt::Key_Delete)}));
    EXPECT_EQ(w->action(app::cmd::HelpKey)->shortcuts(),
              QList<QKeySequence>{QKeySequence(Qt::Key_F1)});

    w->newDocument();
    w->show();
    QApplication::setActiveWindow(w.get());
    apptest::settle();
    w->activeView()->setFocus();
    const bool& endPoints = w->activeView()->controller().settings().snap.endPoints;
    const bool before = endPoints;
    QTest::keyClick(w->activeView(), Qt::Key_D);
    EXPECT_EQ(endPoints, !before);
    EXPECT_EQ(w->action(app::cmd::SnapEnd)->isChecked(), !before);

    // A text field of the window takes the letter itself.
    auto* edit = new QLineEdit(w.get());
    w->statusBar()->addWidget(edit);
    edit->show();
    edit->setFocus();
    apptest::settle();
    QTest::keyClick(edit, Qt::Key_D);
    EXPECT_EQ(endPoints, !before);
    EXPECT_EQ(edit->text(), QStringLiteral("d"));
}

TEST_F(MainWindowTest, BarsHideAndComeBackWhereTheyWereDockedWithCheckMarks) {
    auto w = makeWindow();
    w->show();
    apptest::settle();
    QToolBar* valves = w->bar(app::cmd::ValveBar);
    QAction* toggle = w->action(app::cmd::ValveBar);
    EXPECT_TRUE(toggle->isChecked());
    w->removeToolBar(valves);
    w->addToolBar(Qt::BottomToolBarArea, valves);
    valves->show();
    w->runCommand(app::cmd::ValveBar);
    EXPECT_TRUE(valves->isHidden());
    EXPECT_FALSE(toggle->isChecked());
    w->runCommand(app::cmd::ValveBar);
    EXPECT_FALSE(valves->isHidden());
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(w->toolBarArea(valves), Qt::BottomToolBarArea);

    w->runCommand(app::cmd::StatusBar);
    EXPECT_TRUE(w->statusBar()->isHidden());
    EXPECT_FALSE(w->action(app::cmd::StatusBar)->isChecked());

    // The layout is kept in the settings and restored by the next window.
    w->runCommand(app::cmd::QuickBar);
    w->close();
    auto again = makeWindow();
    again->show();
    apptest::settle();
    EXPECT_TRUE(again->bar(app::cmd::QuickBar)->isHidden());
    EXPECT_FALSE(again->action(app::cmd::QuickBar)->isChecked());
    EXPECT_EQ(again->toolBarArea(again->bar(app::cmd::ValveBar)), Qt::BottomToolBarArea);
}

TEST_F(MainWindowTest, ClosingAModifiedDrawingAsksToSave) {
    const QString path = sample("a.hcd");
    auto w = makeWindow();
    ASSERT_NE(w->openDocument(path), nullptr);
    model::Document& doc = w->activeView()->document();
    doc.setModifiedFlag();

    ui.answers = {platform::Answer::Cancel};
    w->runCommand(app::cmd::Close);
    EXPECT_EQ(w->documentCount(), 1);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].buttons, platform::Buttons::YesNoCancel);
    EXPECT_NE(ui.asked[0].text.find("a.hcd"), std::string::npos);

    // Yes saves: the file is written and the drawing closes.
    const auto before = fs::last_write_time(path.toStdString());
    doc.drawing.objects.removeAll();
    ui.answers = {platform::Answer::Yes};
    w->mdiArea()->subWindowList()[0]->close();
    apptest::settle();
    EXPECT_EQ(w->documentCount(), 0);
    model::AppContext check;
    auto rereadRead = model::Document::open(check, path.toStdString());
    ASSERT_TRUE(rereadRead.ok()) << rereadRead.message();
    auto reread = std::move(rereadRead.value());
    EXPECT_EQ(reread->drawing.objects.size(), 0u);
    EXPECT_GE(fs::last_write_time(path.toStdString()), before);
    expectMenuBar(*w, app::noDocumentMenus());
}

TEST_F(MainWindowTest, SavingNamesUntitledDrawingsAndAFailedSaveKeepsThemModified) {
    auto w = makeWindow();
    w->newDocument();
    w->show();
    apptest::settle();
    model::Document& doc = w->activeView()->document();
    ASSERT_TRUE(doc.isModified());

    ui.saveName = QString::fromStdString((dir / "no-such-dir" / "x.hcd").string());
    EXPECT_FALSE(w->saveActive(false));
    EXPECT_TRUE(doc.isModified());
    ASSERT_FALSE(ui.asked.empty());
    EXPECT_EQ(ui.asked.back().icon, platform::MessageIcon::Error);

    ui.saveName = QString::fromStdString((dir / "新图").string());  // the extension is added
    EXPECT_TRUE(w->saveActive(false));
    EXPECT_FALSE(doc.isModified());
    EXPECT_TRUE(fs::exists(dir / "新图.hcd"));
    EXPECT_EQ(w->mdiArea()->subWindowList()[0]->windowTitle(), QStringLiteral("新图.hcd[*]"));
    // Saved: the mark of unsaved changes has gone from both titles.
    EXPECT_FALSE(w->mdiArea()->subWindowList()[0]->isWindowModified());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("化工管道绘图辅助程序 - [新图.hcd[*]]"));
    EXPECT_FALSE(w->isWindowModified());
    EXPECT_EQ(w->recentFiles().items().front(), (dir / "新图.hcd").string());
}

TEST_F(MainWindowTest, AWriteProtectedDrawingStaysAndSaveAsIsOffered) {
    const QString path = sample("ro.hcd");
    auto w = makeWindow();
    ASSERT_NE(w->openDocument(path), nullptr);
    model::Document& doc = w->activeView()->document();
    std::string before;
    (void)platform::readWholeFile(path.toStdString(), before);
    fs::permissions(path.toStdString(),
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    doc.drawing.objects.removeAll();
    doc.setModifiedFlag();

    // Declining keeps everything as it was.
    ui.answers = {platform::Answer::No};
    EXPECT_FALSE(w->saveActive(false));
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("只读"), std::string::npos) << ui.asked[0].text;
    EXPECT_EQ(ui.asked[0].buttons, platform::Buttons::YesNo);
    EXPECT_TRUE(doc.isModified());

    // Accepting saves under the name chosen.
    ui.answers = {platform::Answer::Yes};
    ui.saveName = QString::fromStdString((dir / "copy.hcd").string());
    EXPECT_TRUE(w->saveActive(false));
    EXPECT_FALSE(doc.isModified());
    EXPECT_EQ(doc.path(), dir / "copy.hcd");
    std::string after;
    (void)platform::readWholeFile(path.toStdString(), after);
    EXPECT_EQ(after, before);
}

TEST_F(MainWindowTest, AFileThatLooksUtf8IsSaidSoAndNotWrittenOverUnasked) {
    const QString path = sample("utf8.hcd");
    std::string data;
    (void)platform::readWholeFile(path.toStdString(), data);
    data.insert(data.find("\tGuiGe"), text::gbk("\tCaiLiao    原料油管线\n"));
    data = text::gbkToUtf8(data);  // as an editor saves it in UTF-8
    ASSERT_TRUE(platform::writeFileAtomically(path.toStdString(), data).ok());
    auto w = makeWindow();
    ASSERT_NE(w->openDocument(path), nullptr);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_NE(ui.asked[0].text.find("文件似乎是 UTF-8 编码，不是 GBK"), std::string::npos) << ui.asked[0].text;
    EXPECT_NE(ui.asked[0].text.find("iconv -f UTF-8 -t GBK"), std::string::npos) << ui.asked[0].text;
    model::Document& doc = w->activeView()->document();
    doc.setModifiedFlag();
    // No keeps the file as it is; Yes writes it (as GBK), and the next save asks no more.
    ui.answers = {platform::Answer::No};
    EXPECT_FALSE(w->saveActive(false));
    ASSERT_EQ(ui.asked.size(), 2u);
    EXPECT_EQ(ui.asked[1].buttons, platform::Buttons::YesNo);
    std::string after;
    (void)platform::readWholeFile(path.toStdString(), after);
    EXPECT_EQ(after, data);
    EXPECT_TRUE(doc.isModified());
    ui.answers = {platform::Answer::Yes};
    EXPECT_TRUE(w->saveActive(false));
    EXPECT_FALSE(doc.isModified());
    doc.setModifiedFlag();
    EXPECT_TRUE(w->saveActive(false));
    EXPECT_EQ(ui.asked.size(), 3u);
    // A file that holds no drawing opens empty, and says so.
    const fs::path readme = dir / "README.txt";
    ASSERT_TRUE(platform::writeFileAtomically(readme, std::string("Nothing to see here.\n")).ok());
    ASSERT_NE(w->openDocument(QString::fromStdString(readme.string())), nullptr);
    ASSERT_EQ(ui.asked.size(), 4u);
    EXPECT_NE(ui.asked[3].text.find("未找到图形内容"), std::string::npos) << ui.asked[3].text;
}

TEST_F(MainWindowTest, ClearAllAsksAndIsAnEditUndoTakesBack) {
    const QString path = sample("c.hcd");
    auto w = makeWindow();
    w->openDocument(path);
    w->show();
    apptest::settle();
    model::Document& doc = w->activeView()->document();
    ASSERT_GT(doc.drawing.objects.size(), 0u);

    ui.answers = {platform::Answer::Cancel};
    w->runCommand(app::cmd::ClearAll);
    EXPECT_GT(doc.drawing.objects.size(), 0u);
    ASSERT_EQ(ui.asked.size(), 1u);
    EXPECT_EQ(ui.asked[0].text, "是否要清除此图的全部内容？");
    EXPECT_EQ(ui.asked[0].caption, "警告");

    const std::size_t before = doc.drawing.objects.size();
    ui.answers = {platform::Answer::Ok};
    w->runCommand(app::cmd::ClearAll);
    EXPECT_EQ(doc.drawing.objects.size(), 0u);
    EXPECT_EQ(doc.drawing.Total(), 0);
    EXPECT_TRUE(doc.isModified());
    EXPECT_EQ(w->action(app::cmd::UndoEdit)->text(), QStringLiteral("撤销 全部清除"));
    // Undone, the drawing is the file again: closing does not ask.
    w->runCommand(app::cmd::UndoEdit);
    EXPECT_EQ(doc.drawing.objects.size(), before);
    EXPECT_FALSE(doc.isModified());
    w->runCommand(app::cmd::Close);
    EXPECT_EQ(ui.asked.size(), 2u);
    EXPECT_EQ(w->documentCount(), 0);
}

TEST_F(MainWindowTest, DroppedFilesOpen) {
    const QString a = sample("d1.hcd");
    const QString b = sample("d2.hcd");
    auto w = makeWindow();
    w->show();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(a), QUrl::fromLocalFile(b)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &drop);
    EXPECT_EQ(w->documentCount(), 2);
    EXPECT_EQ(w->recentFiles().items().front(), b.toStdString());
}

TEST_F(MainWindowTest, WindowMenuHelpAndAbout) {
    auto w = makeWindow();
    w->openDocument(sample("w.hcd"));
    w->show();
    apptest::settle();
    w->runCommand(app::cmd::NewWindow);
    w->runCommand(app::cmd::Tile);
    for (QMdiSubWindow* s : w->mdiArea()->subWindowList()) EXPECT_FALSE(s->isMaximized());
    w->runCommand(app::cmd::Cascade);
    w->runCommand(app::cmd::ArrangeIcons);
    EXPECT_EQ(w->mdiArea()->subWindowList().size(), 2);
    QMdiSubWindow* before = w->mdiArea()->activeSubWindow();
    w->runCommand(app::cmd::NextPane);
    EXPECT_NE(w->mdiArea()->activeSubWindow(), before);

    // Help opens the program's own help window on the start page, without the desktop.
    w->runCommand(app::cmd::Help);
    EXPECT_TRUE(ui.urlsOpened.empty());
    EXPECT_TRUE(ui.asked.empty());
    auto* help = w->findChild<app::HelpWindow*>();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_TRUE(
        help->browser()->source().toLocalFile().endsWith(QStringLiteral("help/index.html")));
    EXPECT_TRUE(QFileInfo::exists(help->browser()->source().toLocalFile()));
    w->runCommand(app::cmd::HelpKey);
    EXPECT_EQ(w->findChildren<app::HelpWindow*>().size(), 1);
    w->runCommand(app::cmd::About);
    EXPECT_EQ(ui.aboutShown, 1);
}
