#include "manager/app/MainWindow.h"
#include "manager/app/MaterialsSummary.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QUrl>

#include <chrono>

#include "manager/app/Desktop.h"
#include "manager/app/Dialogs.h"
#include "manager/app/DirectoryTree.h"
#include "manager/app/ListModel.h"
#include "manager/core/Exports.h"
#include "manager/core/ListFields.h"
#include "manager/core/Listing.h"
#include "platform/AtomicFile.h"
#include "text/CFormat.h"

namespace manager::app {

namespace fs = std::filesystem;
using common::isWorkbookName;

namespace {

constexpr int kTreeWidth = 180;
constexpr auto kPostInterval = std::chrono::milliseconds(40);

QIcon themeIcon(const char* name) {
    const QString n = QString::fromLatin1(name);
    return QIcon::fromTheme(n, QIcon::fromTheme(n + QStringLiteral("-symbolic")));
}

QString helpPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        dir + QStringLiteral("/../share/vesko/help/index.html"),
        dir + QStringLiteral("/help/index.html"),
#ifdef VESKO_SOURCE_HELP
        QStringLiteral(VESKO_SOURCE_HELP),
#endif
    };
    for (const QString& c : candidates)
        if (QFileInfo(c).isFile()) return QDir::cleanPath(QFileInfo(c).absoluteFilePath());
    return {};
}

}  // namespace

MainWindow::MainWindow(WindowOptions options, QWidget* parent) : QMainWindow(parent), options_(std::move(options)) {
    setWindowTitle(qs(messages::kTitle));
    if (QFile::exists(QStringLiteral(":/vesko/vesko.svg"))) setWindowIcon(QIcon(QStringLiteral(":/vesko/vesko.svg")));
    if (options_.prompter) {
        prompter_ = options_.prompter;
    } else {
        ownPrompter_ = std::make_unique<MessageBoxPrompter>(this);
        prompter_ = ownPrompter_.get();
    }
    ProgramStarter* starter = options_.starter;
    if (!starter) {
        ownStarter_ = std::make_unique<DetachedProgramStarter>(
            options_.startDirectory, toPath(QCoreApplication::applicationDirPath()));
        starter = ownStarter_.get();
    }
    formHost_ = std::make_unique<platform::qt::QtFormHost>(*prompter_, this);
    manager_ = std::make_unique<Manager>(*prompter_, *formHost_, *starter);
    manager_->startDirectory = options_.startDirectory;
    registerDialogs();

    splitter_ = new QSplitter(Qt::Horizontal, this);
    tree_ = new DirectoryTree(splitter_);
    list_ = new QTableView(splitter_);
    model_ = new ListModel(manager_->list, this);
    list_->setModel(model_);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setShowGrid(true);
    list_->setWordWrap(false);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    list_->verticalHeader()->hide();
    list_->verticalHeader()->setDefaultSectionSize(list_->fontMetrics().height() + 6);
    // Rows of one height: tens of thousands of them cost no layout work as they arrive.
    list_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    list_->horizontalHeader()->setSectionsMovable(true);
    list_->horizontalHeader()->setSectionsClickable(true);
    list_->horizontalHeader()->setHighlightSections(false);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->viewport()->installEventFilter(this);
    splitter_->addWidget(tree_);
    splitter_->addWidget(list_);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kTreeWidth, 800});
    setCentralWidget(splitter_);
    setListColours();
    applyColumnWidths();

    for (int i = 0; i < 4; ++i) {
        panes_[i] = new QLabel(this);
        panes_[i]->setMinimumWidth(i == 0 ? 200 : 90);
        if (i == 0) statusBar()->addWidget(panes_[i], 1);
        else statusBar()->addPermanentWidget(panes_[i]);
    }
    panes_[0]->setText(QStringLiteral("就绪"));

    buildActions();
    buildMenus();

    connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int c) { sortByColumn(c); });
    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { selectionChanged(); });
    connect(list_, &QTableView::clicked, this, [this] { listClicked(); });
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { showContextMenu(p); });
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) { treeSelected(item); });
    connect(tree_, &QTreeWidget::itemClicked, this, [this] {
        if (!listing_) showStatusSummary();
    });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { cancelListing(); });

    resize(1100, 700);
    // The tree is built once the window is up, under its progress window.
    QTimer::singleShot(0, this, [this] { buildTree(); });
}

MainWindow::~MainWindow() { stopReaders(true); }

void MainWindow::closeEvent(QCloseEvent* event) {
    stopReaders(false);
    QMainWindow::closeEvent(event);
}

QString MainWindow::statusText(int pane) const { return pane >= 0 && pane < 4 ? panes_[pane]->text() : QString(); }

QAction* MainWindow::action(ActionId id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::setListColours() {
    QPalette pal = list_->palette();
    const QColor back(128, 128, 0);
    pal.setColor(QPalette::Base, back);
    pal.setColor(QPalette::AlternateBase, back);
    pal.setColor(QPalette::Text, manager_->list.reportMode ? QColor(220, 220, 0) : QColor(0, 220, 220));
    // The list always shows its selection, with or without the focus.
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Highlight, QColor(0, 0, 128));
        pal.setColor(group, QPalette::HighlightedText, QColor(255, 255, 255));
    }
    list_->setPalette(pal);
}

void MainWindow::applyColumnWidths() {
    for (int c = 0; c < manager_->list.columnCount(); ++c) list_->horizontalHeader()->resizeSection(c, columnWidth(c));
}

void MainWindow::buildActions() {
    auto make = [this](ActionId id, const char* text, const char* tip, std::function<void()> run,
                       const char* icon = nullptr) {
        auto* a = new QAction(QString::fromUtf8(text), this);
        actions_[id] = a;
        if (tip) {
            a->setToolTip(QString::fromUtf8(tip));
            a->setStatusTip(QString::fromUtf8(tip));
        }
        if (icon) a->setIcon(themeIcon(icon));
        connect(a, &QAction::triggered, this, std::move(run));
        return a;
    };
    auto withSelection = [this](void (Manager::*op)(const Selection&)) {
        return [this, op] { (manager_.get()->*op)(selectedRows()); };
    };

    QAction* exportList = make(ActionId::ExportList, "导出列表", "导出列表", [this] { exportText(); }, "document-save");
    exportList->setShortcut(QKeySequence(QStringLiteral("Ctrl+S")));
    make(ActionId::ExportChecklist, "导出到清单", "导出到清单", [this] { exportText(); });
    make(ActionId::ExportCensus, "导出到普查", "将列表导出为普查软件导入格式", [this] { exportCensus(); }, "x-office-spreadsheet");
    make(ActionId::ExportWorkbook, "Excel 工作簿…", "将列表导出为Excel工作簿", [this] { exportWorkbook(); }, "x-office-spreadsheet");
    make(ActionId::SumMaterials, "材料汇总…",
         "将所选管道的材料（管长、弯头、三通、阀门、管件、支架、焊缝）汇总，导出为Excel工作簿或CSV",
         [this] { summariseMaterials(*this); });
    make(ActionId::ExportCensusWorkbook, "普查数据 Excel 工作簿…", "将列表导出为普查软件导入格式的Excel工作簿", [this] { exportCensus(true); });
    make(ActionId::ReportCopy, "全面检验报告复制", "根据样本批量复制全面检验报告", [this] { openReportCopy(); }, "edit-copy");
    make(ActionId::ReportMode, "全面检验报告列表", "全面检验报告", [this] { toggleReportMode(); }, "view-list-bullet")
        ->setCheckable(true);
    make(ActionId::Renumber, "重整序号", "根据当前排列重新整理排列序号", [this] { renumber(); }, "view-list-ordered");
    QAction* refreshAction = make(ActionId::Refresh, "刷新", "刷新", [this] { refresh(); }, "view-refresh");
    refreshAction->setShortcut(QKeySequence(Qt::Key_F5));
    QAction* help = make(ActionId::Help, "使用帮助", "使用帮助", [this] {
        const QString path = helpPath();
        if (path.isEmpty() || !QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
            prompter_->ask({"找不到帮助文件。", std::string(messages::kTitle), platform::Buttons::Ok,
                            platform::MessageIcon::Warning, platform::Answer::Ok});
    }, "help-browser");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    make(ActionId::About, "关于 Vesko", nullptr, [this] {
        QMessageBox::about(this, QStringLiteral("关于 Vesko"),
                           qs(messages::kTitle) + QStringLiteral("\n\n管理 Tubra 单线图文件 (*.hcd) 的目录：列表、"
                                                               "批量修改、报告复制、长度校核和导出。"));
    });
    QAction* quit = make(ActionId::Quit, "退出", nullptr, [this] { close(); });
    quit->setShortcut(QKeySequence::Quit);

    // The list's context menu, in its order.
    contextMenu_ = new QMenu(this);
    contextMenu_->addAction(make(ActionId::FileInformation, "此图形文件信息", nullptr, withSelection(&Manager::fileInformation)));
    contextMenu_->addSeparator();
    contextMenu_->addAction(make(ActionId::CheckLengths, "校核管道长度", nullptr, [this] { checkLengths(); }));
    contextMenu_->addSeparator();
    contextMenu_->addAction(make(ActionId::MergeRows, "合并记录", nullptr, [this] {
        if (manager_->mergeRows(selectedRows())) afterListChanged();
    }));
    contextMenu_->addAction(make(ActionId::DeleteRows, "删除记录", nullptr, [this] {
        if (manager_->deleteRows(selectedRows())) afterListChanged();
    }));
    contextMenu_->addAction(make(ActionId::ChangeNumber, "修改编号", nullptr, [this] {
        if (manager_->changeNumber(selectedRows())) model_->changed();
    }));
    contextMenu_->addSeparator();
    contextMenu_->addAction(make(ActionId::DeleteFiles, "批量删除图形文件", nullptr, [this] {
        if (manager_->deleteFiles(selectedRows())) relist();
    }));
    contextMenu_->addAction(make(ActionId::ChangeTable, "批量修改文件特性表", nullptr, [this] { changeSection(SectionKind::Table); }));
    contextMenu_->addAction(make(ActionId::ChangeTitle, "批量修改文件标题框", nullptr, [this] { changeSection(SectionKind::Title); }));
    contextMenu_->addAction(make(ActionId::BatchOpen, "批量打开图形文件", nullptr, withSelection(&Manager::batchOpen)));
    contextMenu_->addSeparator();
    QMenu* print = contextMenu_->addMenu(QStringLiteral("批量打印"));
    print->addAction(make(ActionId::PrintShown, "打印文件中当前的显示对象", nullptr, withSelection(&Manager::batchPrint)));
    print->addSeparator();
    for (const auto& [id, other] : {std::pair{ActionId::PrintDrawing, "打印文件中的图形"},
                                    std::pair{ActionId::PrintFullReport, "打印文件中的全面检验报告"},
                                    std::pair{ActionId::PrintOnlineReport, "打印文件中的在线检验报告"}})
        print->addAction(make(id, other, nullptr, [this] { manager_->printNotAvailable(); }));
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(action(ActionId::ExportList));
    file->addAction(action(ActionId::ExportChecklist));
    file->addAction(action(ActionId::ExportCensus));
    file->addSeparator();
    file->addAction(action(ActionId::ReportCopy));
    file->addSeparator();
    file->addAction(action(ActionId::Quit));

    // Every form the list leaves in; the text forms stay in the file menu as well.
    QMenu* exports = menuBar()->addMenu(QStringLiteral("导出(&E)"));
    exports->addAction(action(ActionId::ExportList));
    exports->addAction(action(ActionId::ExportCensus));
    exports->addSeparator();
    exports->addAction(action(ActionId::ExportWorkbook));
    exports->addAction(action(ActionId::ExportCensusWorkbook));
    exports->addAction(action(ActionId::SumMaterials));

    QToolBar* bar = addToolBar(QStringLiteral("工具栏"));
    bar->setObjectName(QStringLiteral("toolbar"));
    bar->setIconSize(QSize(20, 20));
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    bar->addAction(action(ActionId::Refresh));
    bar->addSeparator();
    bar->addAction(action(ActionId::ExportList));
    bar->addAction(action(ActionId::ExportCensus));
    bar->addSeparator();
    bar->addAction(action(ActionId::ReportMode));
    bar->addAction(action(ActionId::Renumber));
    bar->addAction(action(ActionId::ReportCopy));
    bar->addSeparator();
    bar->addAction(action(ActionId::Help));

    QMenu* view = menuBar()->addMenu(QStringLiteral("查看(&V)"));
    QAction* showBar = bar->toggleViewAction();
    showBar->setText(QStringLiteral("工具栏"));
    actions_[ActionId::ShowToolBar] = showBar;
    view->addAction(showBar);
    auto* showStatus = new QAction(QStringLiteral("状态栏"), this);
    actions_[ActionId::ShowStatusBar] = showStatus;
    showStatus->setCheckable(true);
    showStatus->setChecked(true);
    connect(showStatus, &QAction::toggled, statusBar(), &QWidget::setVisible);
    view->addAction(showStatus);
    view->addSeparator();
    view->addAction(action(ActionId::ReportMode));
    view->addAction(action(ActionId::Renumber));
    view->addSeparator();
    view->addAction(action(ActionId::Refresh));

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(action(ActionId::Help));
    help->addAction(action(ActionId::About));
}

void MainWindow::buildTree() {
    const std::vector<fs::path> roots = options_.roots.empty() ? DirectoryTree::platformRoots() : options_.roots;
    ProgressWindow progress(this);
    progress.show();
    const QSignalBlocker block(tree_);
    tree_->build(roots, options_.startDirectory, [&](int k, int n, const QString& text) {
        progress.setValue(n ? 100 * k / n : 0);
        progress.setText(qs(text::format("请稍等, 正在读取%s盘的信息...", utf8(text))));
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    progress.setValue(100);
    progress.hide();
    QTreeWidgetItem* start = tree_->currentItem();
    if (start) tree_->scrollToItem(start);
    // A start directory the tree does not show (a hidden one) is listed all the same.
    if (start && DirectoryTree::pathOf(start) == options_.startDirectory.lexically_normal())
        treeSelected(start);
    else if (!options_.startDirectory.empty())
        listDirectory(options_.startDirectory, [this] { showStatusSummary(); });
}

void MainWindow::refresh() {
    if (tree_->hasFocus()) {
        const fs::path shown = manager_->list.directory;
        buildTree();
        if (!shown.empty()) listDirectory(shown, [this] { showStatusSummary(); });
        return;
    }
    relist();
}

void MainWindow::relist(std::function<void()> then) {
    if (manager_->list.directory.empty()) {
        if (then) then();
        return;
    }
    listDirectory(manager_->list.directory, [this, then = std::move(then)] {
        showStatusSummary();
        if (then) then();
    });
}

std::string MainWindow::nodeText() const {
    const QTreeWidgetItem* item = tree_->currentItem();
    if (item && DirectoryTree::isDrawing(item)) item = item->parent();
    if (item && DirectoryTree::pathOf(item) == manager_->list.directory) return utf8(item->text(0));
    const fs::path dir = manager_->list.directory;
    return dir.filename().empty() ? dir.string() : dir.filename().string();
}

void MainWindow::showStatusSummary() {
    panes_[0]->setText(qs(statusSummary(nodeText(), manager_->list.size(), manager_->list.totalLength())));
    panes_[1]->setText(fromPath(manager_->list.directory));
}

void MainWindow::treeSelected(QTreeWidgetItem* item) {
    if (!item) return;
    if (!DirectoryTree::isDrawing(item)) {
        tree_->fill(item);
        listDirectory(DirectoryTree::pathOf(item), [this] { showStatusSummary(); });
        return;
    }
    const fs::path dir = DirectoryTree::directoryOf(item);
    const std::string name = fileNameCell(utf8(item->text(0)));
    auto select = [this, name] {
        showStatusSummary();
        selectOnly(manager_->list.findByFileName(name));
    };
    if (dir != manager_->list.directory || listing_) listDirectory(dir, select);
    else select();
}

void MainWindow::stopReaders(bool wait) {
    // A reading thread posts to the window only while it exists: the window waits for every
    // thread before it goes. Until then threads that have ended are collected, and the others
    // are left to end by themselves, so the window's thread never waits on a file.
    for (Reader& r : readers_) r.cancel->store(true);
    std::erase_if(readers_, [wait](Reader& r) {
        if (!wait && !r.ended->load()) return false;
        r.thread.join();
        return true;
    });
}

void MainWindow::cancelListing() {
    if (listing_ && !readers_.empty()) readers_.back().cancel->store(true);
}

void MainWindow::listDirectory(const fs::path& dir, std::function<void()> then) {
    stopReaders(false);
    const unsigned generation = ++generation_;
    listing_ = true;
    afterListing_.clear();
    if (then) afterListing_.push_back(std::move(then));
    manager_->list.rows.clear();
    manager_->list.directory = dir;
    model_->reset();
    applyColumnWidths();
    list_->viewport()->setCursor(Qt::BusyCursor);
    tree_->setCursor(Qt::BusyCursor);
    panes_[0]->setText(qs(readingStatus(0)));
    panes_[1]->setText(fromPath(dir));
    panes_[2]->clear();

    auto cancel = std::make_shared<std::atomic<bool>>(false);
    auto ended = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([this, dir, generation, cancel, ended, hook = options_.afterFileRead] {
        auto batch = std::make_shared<std::vector<ListRow>>();
        std::size_t files = 0;
        std::vector<UnreadableFile> unreadable;
        auto last = std::chrono::steady_clock::now();
        std::error_code dirError;
        auto post = [&](bool final) {
            QMetaObject::invokeMethod(
                this,
                [this, generation, dir, rows = std::move(batch), files, final, skipped = unreadable.size(),
                 dirError] {
                    if (generation != generation_) return;
                    const int first = manager_->list.size();
                    for (ListRow& r : *rows) manager_->list.rows.push_back(std::move(r));
                    model_->appended(first);
                    panes_[0]->setText(qs(readingStatus(files)));
                    if (!final) return;
                    listing_ = false;
                    list_->viewport()->unsetCursor();
                    tree_->unsetCursor();
                    // A directory that cannot be read lists no rows, and the pane says why
                    // instead of passing it off as an empty directory.
                    if (dirError)
                        panes_[2]->setText(QStringLiteral("无法读取目录 ") + fromPath(dir) + QStringLiteral("：") +
                                           qs(platform::describe(dirError)));
                    else
                        panes_[2]->setText(qs(readingDoneStatus(skipped)));
                    auto callbacks = std::move(afterListing_);
                    afterListing_.clear();
                    for (auto& c : callbacks) c();
                },
                Qt::QueuedConnection);
            batch = std::make_shared<std::vector<ListRow>>();
        };
        try {
            const auto read = readDirectoryRows(
                dir, [&](ListRow&& row) { batch->push_back(std::move(row)); }, &unreadable, cancel.get(),
                [&] {
                    ++files;
                    if (hook) hook();
                    const auto now = std::chrono::steady_clock::now();
                    if (now - last >= kPostInterval) {
                        post(false);
                        last = now;
                    }
                });
            if (read.failed()) dirError = read.error();
        } catch (const std::bad_alloc&) {
            // The rows read so far stay; the listing ends here.
        }
        try {
            post(true);
        } catch (const std::bad_alloc&) {
        }
        ended->store(true);
    });
    readers_.push_back({std::move(thread), std::move(cancel), std::move(ended)});
}

Selection MainWindow::selectedRows() const {
    Selection rows;
    for (const QModelIndex& i : list_->selectionModel()->selectedRows()) rows.push_back(i.row());
    std::sort(rows.begin(), rows.end());
    return rows;
}

void MainWindow::selectOnly(int row) {
    list_->clearSelection();
    if (row < 0 || row >= model_->rowCount()) return;
    const QModelIndex index = model_->index(row, 0);
    list_->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->scrollTo(index);
}

void MainWindow::selectionChanged() {
    const Selection rows = selectedRows();
    if (listing_) return;
    panes_[0]->setText(qs(selectionSummary(static_cast<int>(rows.size()), manager_->list.totalLength(rows))));
}

void MainWindow::listClicked() {
    if (!reportCopyDialog_ || !reportCopyDialog_->isVisible()) return;
    manager_->reportCopyClicked(selectedRows());
    reportCopyDialog_->refresh();
}

void MainWindow::showContextMenu(const QPoint& pos) {
    if (selectedRows().empty()) return;
    contextMenu_->exec(list_->viewport()->mapToGlobal(pos));
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && !listing_) {
            // A double-click on empty space clears the selection first, as a click does.
            if (!list_->indexAt(mouse->position().toPoint()).isValid()) list_->clearSelection();
            manager_->openOrNew(selectedRows());
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::afterListChanged() {
    model_->reset();
    showStatusSummary();
}

void MainWindow::reselect(const std::string& number, int oldViewportY) {
    const int row = manager_->list.findByNumber(number);
    if (row < 0) return;
    selectOnly(row);
    // Back where it was on the screen.
    QScrollBar* bar = list_->verticalScrollBar();
    bar->setValue(bar->value() + list_->rowViewportPosition(row) - oldViewportY);
}

void MainWindow::sortByColumn(int column) {
    if (listing_) return;
    const Selection rows = selectedRows();
    const std::string remembered = rows.empty() ? std::string() : std::string(manager_->list.row(rows.front()).cell(kColNumber));
    const int oldY = rows.empty() ? 0 : list_->rowViewportPosition(rows.front());
    manager_->list.sortBy(column, remembered);
    model_->reset();
    if (remembered.empty()) return;
    reselect(remembered, oldY);
}

void MainWindow::renumber() {
    if (listing_) return;
    manager_->list.renumber();
    model_->changed();
}

void MainWindow::toggleReportMode() {
    manager_->list.reportMode = !manager_->list.reportMode;
    action(ActionId::ReportMode)->setChecked(manager_->list.reportMode);
    manager_->list.resetSort();
    setListColours();
    model_->reset();
    applyColumnWidths();
    relist();
}

void MainWindow::changeSection(SectionKind kind) {
    const Selection rows = selectedRows();
    if (rows.empty()) return;
    const int oldY = list_->rowViewportPosition(rows.front());
    const Manager::EditOutcome outcome = manager_->changeSection(kind, rows);
    if (!outcome.confirmed) return;
    relist([this, number = outcome.rememberedNumber, oldY] { reselect(number, oldY); });
}

void MainWindow::exportText() {
    const fs::path dir = manager_->list.directory.empty() ? options_.startDirectory : manager_->list.directory;
    QFileDialog dialog(this, QStringLiteral("导出列表"), fromPath(dir / "管线列表输出"),
                       QStringLiteral("文本文件(*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The list goes to the chosen name with ".txt" appended, so that is the file to ask about.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const std::string chosen = toPath(dialog.selectedFiles().front()).string();
    const std::string real = textExportFileName(chosen);
    if (fs::exists(real) &&
        prompter_->ask({text::format("%s 已存在。\n要替换它吗?", real), "导出列表", platform::Buttons::YesNo,
                        platform::MessageIcon::Warning, platform::Answer::No}) != platform::Answer::Yes)
        return;
    manager_->exportText(chosen);
}

namespace {

// A workbook's name from a save dialog: a workbook's name ends in ".xlsx", which is added to
// a name that ends otherwise, and the dialog asks before it replaces a file.
fs::path chooseWorkbook(QWidget* parent, const QString& caption, const fs::path& proposed) {
    QFileDialog dialog(parent, caption, fromPath(proposed), QStringLiteral("Excel 工作簿(*.xlsx)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("xlsx"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    fs::path chosen = toPath(dialog.selectedFiles().front());
    if (!isWorkbookName(chosen)) chosen += ".xlsx";
    return chosen;
}

}  // namespace

void MainWindow::exportWorkbook() {
    const fs::path dir = manager_->list.directory.empty() ? options_.startDirectory : manager_->list.directory;
    const fs::path path = chooseWorkbook(this, QStringLiteral("导出为 Excel 工作簿"), dir / std::string(kListWorkbookName));
    if (!path.empty()) manager_->exportWorkbook(path);
}

void MainWindow::exportCensus(bool workbook) {
    QTreeWidgetItem* item = tree_->currentItem();
    if (item && DirectoryTree::isDrawing(item)) item = item->parent();
    const std::string text = item ? utf8(item->text(0)) : nodeText();
    const fs::path path = item ? DirectoryTree::pathOf(item) : manager_->list.directory;
    manager_->exportCensus(text, path, workbook);
}

void MainWindow::exportLengthCheck(const std::vector<LengthMismatch>& result) {
    const fs::path dir = manager_->list.directory.empty() ? options_.startDirectory : manager_->list.directory;
    const fs::path path = chooseWorkbook(lengthWindow_ ? static_cast<QWidget*>(lengthWindow_) : this,
                                         QStringLiteral("长度校核结果另存为 Excel 工作簿"), dir / "长度校核结果.xlsx");
    if (!path.empty()) manager_->exportLengthCheck(result, path);
}

void MainWindow::checkLengths() {
    // The check reads its own copy: rows may still arrive while it runs.
    const PipelineList rows = manager_->list;
    ProgressWindow progress(this);
    progress.setRange(rows.size());
    progress.setText(QStringLiteral("校核管道长度..."));
    progress.show();
    std::atomic<bool> cancel{false}, done{false};
    std::atomic<int> at{0};
    std::vector<LengthMismatch> result;
    std::thread worker([&] {
        result = manager::checkLengths(rows, [&](int i) { at = i; }, &cancel);
        done = true;
    });
    while (!done) {
        progress.setValue(at);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 30);
        if (progress.cancelled()) cancel = true;
        QThread::msleep(10);
    }
    worker.join();
    progress.hide();
    if (!lengthWindow_) {
        lengthWindow_ = new LengthCheckWindow(this);
        lengthWindow_->onSave = [this](const std::vector<LengthMismatch>& shown) { exportLengthCheck(shown); };
    }
    lengthWindow_->show(result);
}

void MainWindow::openReportCopy() {
    manager_->openReportCopy(selectedRows());
    if (!reportCopyDialog_) {
        reportCopyContext_ = std::make_unique<platform::FormContext>(platform::FormContext{*prompter_, *formHost_});
        reportCopyDialog_ = new ReportCopyDialog(manager_->reportCopy(), *reportCopyContext_, this);
        manager_->reportCopy().onCopied = [this](const std::vector<fs::path>&) { relist(); };
    }
    manager_->reportCopy().reopen();
    reportCopyDialog_->refresh();
    reportCopyDialog_->show();
    reportCopyDialog_->raise();
}

}  // namespace manager::app
