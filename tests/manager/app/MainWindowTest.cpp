// The window driven as a user drives it, off screen: list a directory, sort, select, change a
// characteristic-table value through the real dialog, and check the files.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>

#include "manager/app/Dialogs.h"
#include "manager/app/DirectoryTree.h"
#include "manager/app/MainWindow.h"
#include "manager/core/ListFields.h"
#include "support/ManagerFixtures.h"

using namespace manager;
using namespace manager::app;
using namespace manager::testing;

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "vesko-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

bool waitUntil(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

class RecordingStarter : public ProgramStarter {
public:
    bool start(const std::vector<std::string>& arguments, const std::filesystem::path&) override {
        started.push_back(arguments);
        return true;
    }
    std::vector<std::vector<std::string>> started;
};

struct Window {
    TempDir dir;
    platform::ScriptedPrompter prompter;
    RecordingStarter starter;
    std::unique_ptr<MainWindow> window;

    explicit Window(std::vector<platform::Answer> answers = {}, std::function<void()> afterFileRead = {})
        : prompter(std::move(answers)) {
        application();
        const std::vector<std::array<const char*, 3>> rows = {
            {"乙线", "P-2", "10"}, {"甲线", "P-1", "9"}, {"丙线", "P-3", "2.5"}};
        char name = 'a';
        for (const auto& r : rows)
            writeFile(dir / (std::string(1, name++) + ".hcd"),
                      drawingText({{r[0], r[1], "GC2", "", "", "", "", "", "", r[2]}, {"张工"}}));
        WindowOptions options;
        options.startDirectory = dir.path();
        options.roots = {dir.path()};
        options.prompter = &prompter;
        options.starter = &starter;
        options.afterFileRead = std::move(afterFileRead);
        window = std::make_unique<MainWindow>(options);
        window->show();
        EXPECT_TRUE(waitUntil([&] { return window->manager().list.size() == 3 && !window->isListing(); }));
    }

    QTableView* list() const { return window->list(); }
    std::vector<std::string> column(int c) const {
        std::vector<std::string> out;
        for (int r = 0; r < list()->model()->rowCount(); ++r)
            out.push_back(list()->model()->index(r, c).data().toString().toStdString());
        return out;
    }
    void clickHeader(int column) const {
        QHeaderView* header = list()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }
    void clickRow(int row) const {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualRect(list()->model()->index(row, 1)).center());
    }
    std::string status() const { return window->statusText(0).toStdString(); }
};

}  // namespace

TEST(VeskoWindow, ListSortSelectAndChangeATableValue) {
    Window w;
    // The directory is a root of the tree here, whose text is its whole path.
    EXPECT_EQ(w.status(), w.dir.path().string() + "目录下，管线=3根, 总长= 21.50米");
    EXPECT_EQ(w.window->windowTitle().toStdString(), "Vesko(Tubra图形文档管理程序)");
    EXPECT_EQ(w.list()->model()->columnCount(), 21);
    EXPECT_EQ(w.list()->horizontalHeader()->sectionSize(kColPipeNumber), 180);
    EXPECT_EQ(w.column(kColFileName), (std::vector<std::string>{"a.hcd", "b.hcd", "c.hcd"}));

    // The first click sorts ascending, by value for the length column.
    w.clickHeader(kColLength);
    EXPECT_EQ(w.column(kColLength), (std::vector<std::string>{"2.5", "9", "10"}));
    w.clickRow(0);
    EXPECT_EQ(w.status(), "选择管线数=1根,被选择的管线总长=2.50  米");
    // The next click (another column) sorts descending, by GBK bytes (乙 D2D2, 甲 BCD7,
    // 丙 B1FB); the selection follows its row.
    w.clickHeader(kColName);
    EXPECT_EQ(w.column(kColName), (std::vector<std::string>{"乙线", "甲线", "丙线"}));
    EXPECT_EQ(w.window->selectedRows(), Selection{2});

    // Change the pipeline length of the selected file through the dialog.
    bool dialogShown = false;
    w.window->formHost().onShow = [&](QDialog& dialog, platform::Form& form) {
        dialogShown = true;
        EXPECT_EQ(form.caption(), "修改特性表内容");
        QTimer::singleShot(0, &dialog, [&dialog] {
            for (auto* radio : dialog.findChildren<QRadioButton*>())
                if (radio->text() == QStringLiteral("管线长度(m)")) radio->click();
            for (auto* edit : dialog.findChildren<QLineEdit*>())
                if (!edit->isReadOnly()) edit->setText(QStringLiteral("7.5"));
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            for (auto* b : buttons->buttons())
                if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) b->click();
        });
    };
    w.window->action(ActionId::ChangeTable)->trigger();
    EXPECT_TRUE(dialogShown);
    ASSERT_TRUE(waitUntil([&] { return !w.window->isListing() && w.window->manager().list.size() == 3; }));

    EXPECT_EQ(ReadBack(readFile(w.dir / "c.hcd")).table(9), "7.5");
    EXPECT_EQ(ReadBack(readFile(w.dir / "c.hcd")).table(0), "丙线");
    EXPECT_EQ(ReadBack(readFile(w.dir / "a.hcd")).table(9), "10");
    EXPECT_EQ(ReadBack(readFile(w.dir / "b.hcd")).table(9), "9");
    // Listed again (in file order), with the changed row selected again.
    EXPECT_EQ(w.column(kColLength), (std::vector<std::string>{"10", "9", "7.5"}));
    EXPECT_EQ(w.window->selectedRows(), Selection{2});
    EXPECT_EQ(w.status(), "选择管线数=1根,被选择的管线总长=7.50  米");
}

TEST(VeskoWindow, TreeNodesListTheirDirectoryAndSelectTheirFile) {
    Window w;
    DirectoryTree* tree = w.window->tree();
    ASSERT_EQ(tree->topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(root->child(2)->text(0).toStdString(), "c.hcd");

    std::filesystem::create_directories(w.dir / "sub" / "deeper" / "deepest");
    writeFile(w.dir / "sub" / "s.hcd", drawingText({{"子"}, {}}));
    writeFile(w.dir / "sub" / "$$tmp.hcd", "");
    tree->clear();
    tree->build({w.dir.path()}, w.dir / "sub");
    QTreeWidgetItem* sub = tree->currentItem();
    ASSERT_NE(sub, nullptr);
    EXPECT_EQ(sub->text(0).toStdString(), "sub");
    // Two levels below the root are read at once: "sub" holds its drawing (not the
    // placeholder) and "deeper", which is empty until "sub" is opened.
    ASSERT_EQ(sub->childCount(), 2);
    EXPECT_EQ(sub->child(0)->text(0).toStdString(), "s.hcd");
    EXPECT_EQ(sub->child(1)->childCount(), 0);
    sub->setExpanded(true);
    ASSERT_EQ(sub->child(1)->childCount(), 1);
    EXPECT_EQ(sub->child(1)->child(0)->text(0).toStdString(), "deepest");

    root = tree->topLevelItem(0);
    tree->setCurrentItem(root->child(1));
    ASSERT_TRUE(waitUntil([&] { return !w.window->isListing(); }));
    EXPECT_EQ(w.window->selectedRows(), Selection{1});
    tree->setCurrentItem(sub->child(0));
    ASSERT_TRUE(waitUntil([&] { return !w.window->isListing() && w.window->manager().list.size() == 1; }));
    EXPECT_EQ(w.window->manager().list.directory, w.dir / "sub");
    EXPECT_EQ(w.window->selectedRows(), Selection{0});
}

// Every entry of the menus, the tool bar and the context menu is an action with an id of its
// own, and every id names one of them.
TEST(VeskoWindow, EveryActionHasItsOwnId) {
    Window w;
    std::set<QAction*> byId;
    for (int i = 0; i <= static_cast<int>(ActionId::PrintOnlineReport); ++i) {
        QAction* a = w.window->action(static_cast<ActionId>(i));
        ASSERT_NE(a, nullptr) << i;
        EXPECT_FALSE(a->text().isEmpty()) << i;
        byId.insert(a);
    }
    EXPECT_EQ(byId.size(), static_cast<std::size_t>(ActionId::PrintOnlineReport) + 1);

    std::vector<QAction*> shown;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            if (a->menu()) collect(a->menu()->actions());
            else shown.push_back(a);
        }
    };
    collect(w.window->menuBar()->actions());
    for (QToolBar* bar : w.window->findChildren<QToolBar*>()) collect(bar->actions());
    const auto menus = w.window->action(ActionId::FileInformation)->associatedObjects();
    ASSERT_FALSE(menus.isEmpty());
    collect(qobject_cast<QMenu*>(menus.front())->actions());
    ASSERT_GT(shown.size(), 30u);
    for (QAction* a : shown) EXPECT_TRUE(byId.count(a)) << a->text().toStdString();
    EXPECT_EQ(w.window->action(ActionId::Refresh)->shortcut(), QKeySequence(Qt::Key_F5));
}

// Every form of the manager opens a dialog through the form host, captioned as the form, and
// closes through the form's cancel; the report copy form, which the window otherwise keeps open
// beside the list, included.
TEST(VeskoWindow, EveryFormOpensADialog) {
    application();
    registerDialogs();
    platform::DefaultAnswerPrompter prompter;
    platform::qt::QtFormHost host(prompter, nullptr);
    std::vector<std::unique_ptr<platform::Form>> forms;
    forms.push_back(std::make_unique<SectionEditForm>(SectionKind::Table, std::vector<std::string>(18, "x")));
    forms.push_back(std::make_unique<SectionEditForm>(SectionKind::Title, std::vector<std::string>(12, "y")));
    forms.push_back(std::make_unique<MergeRowsForm>("P-1-2", 12.5f));
    forms.push_back(std::make_unique<ChangeNumberForm>("P-1"));
    forms.push_back(std::make_unique<CensusExportForm>("装置", "/tmp/census.txt"));
    forms.push_back(std::make_unique<ReportCopyForm>());
    for (auto& form : forms) {
        SCOPED_TRACE(form->caption());
        int shown = 0;
        host.onShow = [&](QDialog& d, platform::Form& f) {
            ++shown;
            EXPECT_EQ(d.windowTitle().toStdString(), f.caption());
            QTimer::singleShot(0, &d, [&d] { d.reject(); });
        };
        EXPECT_FALSE(host.run(*form));
        EXPECT_EQ(shown, 1);
        EXPECT_EQ(form->state(), platform::FormState::Rejected);

        // Each describes its dialog: the one built from that alone has every field.
        ASSERT_NE(dynamic_cast<platform::FormModel*>(form.get()), nullptr);
        platform::FormContext context{prompter, host};
        platform::qt::ModelFormDialog described(*form, context);
        for (const std::string& name : form->fieldNames()) EXPECT_NE(described.fieldWidget(name), nullptr) << name;
    }
    // A read-only field shows its value and takes no typing; the radio rows choose the row.
    SectionEditForm edit(SectionKind::Table, std::vector<std::string>(18, "abc"));
    platform::FormContext context{prompter, host};
    platform::qt::ModelFormDialog described(edit, context);
    EXPECT_FALSE(described.fieldWidget("original")->isEnabled());
    auto radios = described.fieldWidget("row")->findChildren<QRadioButton*>();
    ASSERT_FALSE(radios.isEmpty());
    radios.front()->click();
    EXPECT_EQ(edit.chosenRow(), SectionEditForm::choices(SectionKind::Table).front().row);
    EXPECT_EQ(qobject_cast<QLineEdit*>(described.fieldWidget("original"))->text(), QStringLiteral("abc"));
}

TEST(VeskoWindow, ContextMenuReportModeAndDoubleClick) {
    Window w({platform::Answer::No});
    std::vector<std::string> entries;
    QMenu* menu = w.window->action(ActionId::FileInformation)->associatedObjects().isEmpty()
                      ? nullptr
                      : qobject_cast<QMenu*>(w.window->action(ActionId::FileInformation)->associatedObjects().front());
    ASSERT_NE(menu, nullptr);
    for (QAction* a : menu->actions()) entries.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    EXPECT_EQ(entries, (std::vector<std::string>{"此图形文件信息", "-", "校核管道长度", "-", "合并记录", "删除记录",
                                                 "修改编号", "-", "批量删除图形文件", "批量修改文件特性表",
                                                 "批量修改文件标题框", "批量打开图形文件", "-", "批量打印"}));

    // Double-click on a row opens its file; on empty space, with nothing selected, offers a
    // new drawing (answered No: nothing is created).
    w.clickRow(2);
    QTest::mouseDClick(w.list()->viewport(), Qt::LeftButton, {},
                       w.list()->visualRect(w.list()->model()->index(2, 1)).center());
    ASSERT_EQ(w.starter.started.size(), 1u);
    EXPECT_EQ(w.starter.started[0], std::vector<std::string>{(w.dir / "c.hcd").string()});
    QTest::mouseClick(w.list()->viewport(), Qt::LeftButton, {}, QPoint(20, w.list()->viewport()->height() - 5));
    QTest::mouseDClick(w.list()->viewport(), Qt::LeftButton, {}, QPoint(20, w.list()->viewport()->height() - 5));
    ASSERT_EQ(w.prompter.asked.size(), 1u);
    EXPECT_EQ(w.prompter.asked[0].caption, "增加新图形");
    EXPECT_FALSE(std::filesystem::exists(w.dir / "$$tmp.hcd"));

    // Report-list mode: 39 columns in their own colour, listed again.
    w.window->action(ActionId::ReportMode)->trigger();
    ASSERT_TRUE(waitUntil([&] { return !w.window->isListing() && w.window->manager().list.size() == 3; }));
    EXPECT_EQ(w.list()->model()->columnCount(), 39);
    EXPECT_EQ(w.list()->palette().color(QPalette::Text), QColor(220, 220, 0));
    EXPECT_EQ(w.list()->model()->headerData(38, Qt::Horizontal).toString().toStdString(), "附属");
    EXPECT_TRUE(w.window->action(ActionId::ReportMode)->isChecked());
}

TEST(VeskoWindow, LengthCheckShowsTheRowsThatDisagree) {
    Window w;
    w.window->checkLengths();
    LengthCheckWindow* result = w.window->lengthCheckWindow();
    ASSERT_NE(result, nullptr);
    // None of the three drawings has pipes, so every listed length disagrees.
    EXPECT_EQ(result->windowTitle().toStdString(), "列表中有 3 根管道的长度与图纸不符");
    EXPECT_EQ(result->table()->rowCount(), 3);
    EXPECT_EQ(result->table()->item(0, 2)->text().toStdString(), "0.000000");
}

namespace {

// Answers the next save dialog with `name` (typed into the dialog, as a user would), and
// records the dialog's proposal.
void answerNextFileDialog(const QString& name, QString* proposed = nullptr, QString* filter = nullptr) {
    QTimer::singleShot(0, [=] {
        QFileDialog* dialog = nullptr;
        ASSERT_TRUE(waitUntil([&] { return (dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())); }));
        if (proposed) *proposed = dialog->selectedFiles().value(0);
        if (filter) *filter = dialog->selectedNameFilter();
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        ASSERT_NE(edit, nullptr);
        edit->setText(name);
        QMetaObject::invokeMethod(dialog, "accept");
    });
}

}  // namespace

TEST(VeskoWindow, TheExportMenuSavesWorkbooks) {
    Window w;
    std::vector<std::string> entries;
    for (QAction* a : w.window->menuBar()->actions()) {
        if (a->text() != QStringLiteral("导出(&E)")) continue;
        for (QAction* e : a->menu()->actions()) entries.push_back(e->isSeparator() ? "-" : e->text().toStdString());
    }
    EXPECT_EQ(entries, (std::vector<std::string>{"导出列表", "导出到普查", "-", "Excel 工作簿…", "普查数据 Excel 工作簿…", "材料汇总…"}));

    // A name without an extension gets ".xlsx"; the list goes there as a workbook.
    QString proposed, filter;
    answerNextFileDialog((w.dir / "清单").c_str(), &proposed, &filter);
    w.window->action(ActionId::ExportWorkbook)->trigger();
    EXPECT_EQ(proposed.toStdString(), (w.dir / "管线列表输出.xlsx").string());
    EXPECT_EQ(filter.toStdString(), "Excel 工作簿(*.xlsx)");
    EXPECT_EQ(readFile(w.dir / "清单.xlsx").substr(0, 2), "PK");
    ASSERT_FALSE(w.prompter.asked.empty());
    EXPECT_EQ(w.prompter.asked.back().caption, "数据导出");

    // The census dialog proposes the workbook; its "<<" dialog offers both forms.
    bool censusShown = false;
    w.window->formHost().onShow = [&](QDialog& dialog, platform::Form& form) {
        censusShown = true;
        EXPECT_EQ(form.field("output"), (w.dir / "普查登记导入数据.xlsx").string());
        QTimer::singleShot(0, &dialog, [&] {
            QString browsed;
            answerNextFileDialog((w.dir / "普查").c_str(), nullptr, &browsed);
            for (auto* b : dialog.findChildren<QPushButton*>())
                if (b->text() == QStringLiteral("<<")) b->click();
            EXPECT_EQ(browsed.toStdString(), "Excel 工作簿(*.xlsx)");
            auto* buttons = dialog.findChild<QDialogButtonBox*>();
            for (auto* b : buttons->buttons())
                if (buttons->buttonRole(b) == QDialogButtonBox::AcceptRole) b->click();
        });
    };
    w.window->action(ActionId::ExportCensusWorkbook)->trigger();
    EXPECT_TRUE(censusShown);
    EXPECT_EQ(readFile(w.dir / "普查.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(w.prompter.asked.back().caption, "导出数据完成");

    // The length check's result window saves what it shows.
    w.window->checkLengths();
    answerNextFileDialog((w.dir / "长度.xlsx").c_str(), &proposed);
    w.window->lengthCheckWindow()->saveButton()->click();
    EXPECT_EQ(proposed.toStdString(), (w.dir / "长度校核结果.xlsx").string());
    EXPECT_EQ(readFile(w.dir / "长度.xlsx").substr(0, 2), "PK");
    EXPECT_EQ(w.prompter.asked.back().caption, "数据导出");
    // Three drawings, three workbooks and nothing else.
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(w.dir.path())) names.insert(e.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"a.hcd", "b.hcd", "c.hcd", "清单.xlsx", "普查.xlsx", "长度.xlsx"}));
}

namespace {

// Holds the next reading after one of its files, as a slow or stuck file would hold it; let go
// by release(), or after 10 s so that a window that waits for it fails the test, not hangs it.
struct Hold {
    std::atomic<bool> armed{false}, holding{false}, released{false};
    void arm() {
        released = false;
        holding = false;
        armed = true;
    }
    void pass() {
        bool expected = true;
        if (!armed.compare_exchange_strong(expected, false)) return;
        holding = true;
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!released && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        holding = false;
    }
    void release() { released = true; }
};

}  // namespace

TEST(VeskoWindow, NoFileHoldsTheWindowAndEscapeStopsTheReading) {
    auto hold = std::make_shared<Hold>();
    Window w({}, [hold] { hold->pass(); });
    MainWindow& window = *w.window;
    // A FIFO no one writes to and a link to an endless device: passed, and counted.
    ASSERT_EQ(::mkfifo((w.dir / "fifo.hcd").c_str(), 0600), 0);
    std::filesystem::create_symlink("/dev/zero", w.dir / "zero.hcd");
    window.listDirectory(w.dir.path());
    ASSERT_TRUE(waitUntil([&] { return !window.isListing(); }, 5000));
    EXPECT_EQ(window.manager().list.size(), 3);
    EXPECT_EQ(window.statusText(2).toStdString(), "处理完毕，2 个文件无法读取");

    // A directory gone since it was chosen lists nothing and says it could not be read.
    window.listDirectory(w.dir / "gone");
    ASSERT_TRUE(waitUntil([&] { return !window.isListing(); }, 5000));
    EXPECT_EQ(window.manager().list.size(), 0);
    EXPECT_TRUE(window.statusText(2).startsWith(QStringLiteral("无法读取目录 "))) << window.statusText(2).toStdString();

    // A reading held after its first file: the window goes on working, and Escape stops it there.
    hold->arm();
    window.listDirectory(w.dir.path());
    ASSERT_TRUE(waitUntil([&] { return hold->holding.load(); }));
    bool timerRan = false;
    QTimer::singleShot(0, &window, [&] { timerRan = true; });
    EXPECT_TRUE(waitUntil([&] { return timerRan; }, 2000));
    EXPECT_TRUE(window.isListing());
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_Escape);
    hold->release();
    ASSERT_TRUE(waitUntil([&] { return !window.isListing(); }, 5000));
    EXPECT_EQ(window.manager().list.size(), 1);

    // Another directory chosen while a reading is held: listed at once, and the held reading,
    // once let go, changes nothing.
    std::filesystem::create_directory(w.dir / "sub");
    writeFile(w.dir / "sub" / "s.hcd", drawingText({{"子线"}, {}}));
    hold->arm();
    window.listDirectory(w.dir.path());
    ASSERT_TRUE(waitUntil([&] { return hold->holding.load(); }));
    QElapsedTimer t;
    t.start();
    window.listDirectory(w.dir / "sub");
    EXPECT_LT(t.elapsed(), 1000);
    ASSERT_TRUE(waitUntil([&] { return !window.isListing(); }, 5000));
    EXPECT_TRUE(hold->holding.load());
    ASSERT_EQ(window.manager().list.size(), 1);
    EXPECT_EQ(w.column(kColName), std::vector<std::string>{"子线"});
    hold->release();
    ASSERT_TRUE(waitUntil([&] { return !hold->holding.load(); }));
    QTest::qWait(100);
    EXPECT_EQ(window.manager().list.size(), 1);
    EXPECT_EQ(window.manager().list.directory, w.dir / "sub");
}
