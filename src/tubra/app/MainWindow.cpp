#include "tubra/app/MainWindow.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPrinter>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>

#include "platform/AtomicFile.h"
#include "platform/qt/FormDialogs.h"
#include "tubra/app/AutoRecovery.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/ExchangeCommands.h"
#include "tubra/app/Help.h"
#include "tubra/app/InstallDialogs.h"
#include "tubra/app/Interaction.h"
#include "tubra/app/LockKeys.h"
#include "tubra/app/Printing.h"
#include "tubra/app/RealSpace.h"
#include "tubra/app/SessionRecording.h"
#include "tubra/app/ToolIcons.h"
#include "tubra/app/WindowLayout.h"
#include "tubra/appcore/ImportDocument.h"

namespace tubra::app {

namespace {

QString qs(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

Qt::ToolBarArea areaOf(DockSide side) {
    switch (side) {
        case DockSide::Top:
            return Qt::TopToolBarArea;
        case DockSide::Left:
            return Qt::LeftToolBarArea;
        case DockSide::Right:
            return Qt::RightToolBarArea;
        case DockSide::Bottom:
            return Qt::BottomToolBarArea;
    }
    return Qt::TopToolBarArea;
}

const char* kRecentGroup = "Recent File List";
const char* kBarStateKey = "Settings/BarState";

bool containsDynamic(const std::vector<MenuEntry>& entries) {
    return std::any_of(entries.begin(), entries.end(), [](const MenuEntry& e) {
        return e.kind == MenuEntry::Kind::RecentFiles || e.kind == MenuEntry::Kind::WindowList;
    });
}

// A window's title as its frame shows it: the "[*]" of unsaved changes as "*" or nothing.
QString shownTitle(const QWidget* w) {
    QString title = w->windowTitle();
    return title.replace(QStringLiteral("[*]"), w->isWindowModified() ? QStringLiteral("*") : QString());
}

}  // namespace

// A child window: one view of a drawing. Closing the last window of a drawing asks to save it.
class MainWindow::ChildWindow : public QMdiSubWindow {
  public:
    ChildWindow(MainWindow& main, OpenDocument& entry) : main_(main), entry_(entry) {
        setAttribute(Qt::WA_DeleteOnClose);
    }
    OpenDocument& entry() { return entry_; }

  protected:
    void closeEvent(QCloseEvent* event) override {
        const bool last = entry_.windows.size() == 1 && entry_.windows.front() == this;
        if (last && !main_.mayClose(entry_)) {
            event->ignore();
            return;
        }
        QMdiSubWindow::closeEvent(event);
        if (event->isAccepted()) main_.windowClosed(this);
    }

  private:
    MainWindow& main_;
    OpenDocument& entry_;
};

MainWindow::MainWindow(model::AppContext& app, Interaction& interaction, QWidget* parent)
    : QMainWindow(parent), app_(app), interaction_(interaction) {
    setWindowTitle(qs(kAppTitle));
    setWindowIcon(applicationIcon());
    setAcceptDrops(true);
    mdi_ = new QMdiArea(this);
    mdi_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    mdi_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setCentralWidget(mdi_);
    connect(mdi_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
        // A recording follows the active window.
        if (recording_ && w) recording_->attach(activeView());
        updateCommands();
        updateMainTitle();
    });

    installDialogs();
    createActions();
    createBars();
    createMenus();
    realSpace_ = installRealSpace(*this, interaction_);  // 文件→导出→PCF…, 查看→三维视图
    createStatusBar();
    loadSettings();
    showMenusFor(false);
    updateCommands();
}

MainWindow::~MainWindow() {
    recording_.reset();
    // An end without a crash: no drawing is left to recover.
    if (recovery_)
        for (auto& entry : documents_) recovery_->closed(*entry->doc);
    // Views refer to their documents: take the windows down first.
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        delete w;
    }
    documents_.clear();
}

// --- actions, bars, menus ---

void MainWindow::createActions() {
    for (const Action& c : allActions()) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd%1").arg(c.id));
        a->setData(c.id);
        a->setText(qs(c.text()));
        a->setToolTip(qs(c.name));
        a->setStatusTip(qs(c.prompt));
        a->setIcon(commandIcon(c));
        a->setCheckable(c.checkable);
        a->setIconVisibleInMenu(false);
        QList<QKeySequence> keys;
        for (std::string_view k : c.keys)
            if (!k.empty()) keys.append(QKeySequence::fromString(qs(k), QKeySequence::PortableText));
        if (!keys.isEmpty()) a->setShortcuts(keys);
        const int id = c.id;
        connect(a, &QAction::triggered, this, [this, id] { runCommand(id); });
        addAction(a);  // keys work whichever menu bar is shown
        actions_[c.id] = a;
    }
    // F1 is a command of its own; the help menu item shows it as its key.
    if (QAction* help = action(cmd::Help); help && action(cmd::HelpKey))
        help->setText(help->text() + QLatin1Char('\t') +
                      action(cmd::HelpKey)->shortcut().toString(QKeySequence::NativeText));

    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("cmd%1").arg(cmd::Mru1 + i));
        a->setData(cmd::Mru1 + i);
        a->setStatusTip(QStringLiteral("打开这个图形文件"));
        connect(a, &QAction::triggered, this, [this, i] { openRecent(i); });
        actions_[cmd::Mru1 + i] = a;
    }
}

void MainWindow::createBars() {
    bool firstTop = true;
    for (const BarInfo& info : allBars()) {
        auto* bar = new QToolBar(qs(info.title), this);
        bar->setObjectName(qs(info.objectName));
        bar->setAllowedAreas(Qt::AllToolBarAreas);
        bar->setMovable(true);
        bar->setFloatable(true);
        bar->setIconSize(QSize(20, 20));
        for (int id : barButtons(info.id)) {
            if (id == 0)
                bar->addSeparator();
            else
                bar->addAction(action(id));
        }
        const Qt::ToolBarArea area = areaOf(info.dockedAt);
        if (area == Qt::TopToolBarArea && !firstTop) addToolBarBreak(area);
        if (area == Qt::TopToolBarArea) firstTop = false;
        addToolBar(area, bar);
        bars_[info.visibilityCommand] = bar;
        connect(bar, &QToolBar::visibilityChanged, this, [this] { updateCommands(); });
    }
    // The bars are shown and hidden by the view menu only.
    setContextMenuPolicy(Qt::NoContextMenu);
}

void MainWindow::fillMenu(QMenu* menu, const std::vector<MenuEntry>& entries) {
    for (const MenuEntry& e : entries) {
        switch (e.kind) {
            case MenuEntry::Kind::Command:
                menu->addAction(action(e.id));
                break;
            case MenuEntry::Kind::Separator:
                menu->addSeparator();
                break;
            case MenuEntry::Kind::Submenu:
                fillMenu(menu->addMenu(qs(e.text)), e.children);
                break;
            case MenuEntry::Kind::RecentFiles: {
                const auto& items = recent_.items();
                if (items.empty()) {
                    menu->addAction(qs(kRecentPlaceholder))->setEnabled(false);
                    break;
                }
                for (std::size_t i = 0; i < items.size(); ++i) {
                    QAction* a = action(cmd::Mru1 + static_cast<int>(i));
                    a->setText(QString::fromStdString(recent_.menuText(i)));
                    menu->addAction(a);
                }
                break;
            }
            case MenuEntry::Kind::WindowList: {
                const auto windows = mdi_->subWindowList();
                for (int i = 0; i < windows.size(); ++i) {
                    QMdiSubWindow* w = windows[i];
                    QAction* a = menu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shownTitle(w)));
                    a->setCheckable(true);
                    a->setChecked(w == mdi_->activeSubWindow());
                    connect(a, &QAction::triggered, this,
                            [this, w] { mdi_->setActiveSubWindow(w); });
                }
                break;
            }
        }
    }
}

void MainWindow::createMenus() {
    const auto build = [this](const std::vector<MenuInfo>& menus, std::vector<QMenu*>& out) {
        for (const MenuInfo& m : menus) {
            auto* menu = new QMenu(qs(m.title), this);
            fillMenu(menu, m.entries);
            if (containsDynamic(m.entries)) {
                const std::vector<MenuEntry>* entries = &m.entries;
                dynamicMenus_.emplace_back(menu, entries);
                connect(menu, &QMenu::aboutToShow, this, [this, menu, entries] {
                    menu->clear();
                    fillMenu(menu, *entries);
                });
            }
            out.push_back(menu);
        }
    };
    build(documentMenus(), documentMenus_);
    build(noDocumentMenus(), bareMenus_);
}

void MainWindow::refillDynamicMenus() {
    for (auto& [menu, entries] : dynamicMenus_) {
        menu->clear();
        fillMenu(menu, *entries);
    }
}

void MainWindow::showMenusFor(bool hasDocument) {
    if (hasDocument == showingDocumentMenus_ && !menuBar()->actions().isEmpty()) return;
    showingDocumentMenus_ = hasDocument;
    menuBar()->clear();
    for (QMenu* m : hasDocument ? documentMenus_ : bareMenus_) menuBar()->addMenu(m);
}

void MainWindow::createStatusBar() {
    readyLabel_ = new QLabel(qs(kReadyText), this);
    statusBar()->addWidget(readyLabel_, 1);
    locks_ = new LockKeyIndicators(this);
    for (int i = 0; i < 3; ++i) statusBar()->addPermanentWidget(locks_->label(i));
}

void MainWindow::setStatusText(const QString& text) {
    readyLabel_->setText(text.isEmpty() ? qs(kReadyText) : text);
}

QLabel* MainWindow::lockIndicator(int index) const {
    return locks_->label(index);
}

QAction* MainWindow::action(int id) const {
    const auto it = actions_.find(id);
    return it == actions_.end() ? nullptr : it->second;
}

QToolBar* MainWindow::bar(int visibilityCommand) const {
    const auto it = bars_.find(visibilityCommand);
    return it == bars_.end() ? nullptr : it->second;
}

// --- settings ---

void MainWindow::loadSettings() {
    QSettings settings(qs(kSettingsOrganisation), qs(kSettingsApplication));
    std::vector<std::string> files;
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString f = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!f.isEmpty()) files.push_back(f.toStdString());
    }
    settings.endGroup();
    recent_.assign(files);
    const QByteArray state = settings.value(QString::fromLatin1(kBarStateKey)).toByteArray();
    if (!state.isEmpty()) restoreState(state);
    refillDynamicMenus();
}

void MainWindow::saveSettings() {
    QSettings settings(qs(kSettingsOrganisation), qs(kSettingsApplication));
    settings.beginGroup(QString::fromLatin1(kRecentGroup));
    settings.remove(QString());
    const auto& items = recent_.items();
    for (std::size_t i = 0; i < items.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), QString::fromStdString(items[i]));
    settings.endGroup();
    settings.setValue(QString::fromLatin1(kBarStateKey), saveState());
}

void MainWindow::addRecent(const QString& path) {
    recent_.add(path.toStdString());
    refillDynamicMenus();
    saveSettings();
}

void MainWindow::openRecent(int index) {
    const auto& items = recent_.items();
    if (index < 0 || index >= static_cast<int>(items.size())) return;
    const QString path = QString::fromStdString(items[index]);
    if (!openDocument(path)) {
        recent_.remove(path.toStdString());
        refillDynamicMenus();
        saveSettings();
    }
}

// --- documents and windows ---

bool MainWindow::carryOut(const StartRequest& request) {
    bool done = false;
    switch (request.kind) {
        case StartRequest::Kind::NewDrawing:
            done = newDocument() != nullptr;
            break;
        case StartRequest::Kind::Open:
            done = openDocument(QString::fromStdString(request.path)) != nullptr;
            break;
        case StartRequest::Kind::Print:
        case StartRequest::Kind::Help:
        case StartRequest::Kind::Invalid:
            return false;
    }
    if (done && !request.recordPath.empty())
        startRecording(QString::fromStdString(request.recordPath));
    return done;
}

bool MainWindow::startRecording(const QString& path) {
    QString error;
    auto recording = SessionRecording::start(path, &error);
    if (!recording) {
        interaction_.ask(this, {error.toStdString(), std::string(kAppTitle), platform::Buttons::Ok,
                                platform::MessageIcon::Warning, platform::Answer::Ok});
        return false;
    }
    recording_ = std::move(recording);
    recording_->attach(activeView());
    updateCommands();
    return true;
}

void MainWindow::stopRecording() {
    recording_.reset();
    updateCommands();
}

DrawingView* MainWindow::newDocument() {
    auto entry = std::make_unique<OpenDocument>();
    entry->doc = std::make_unique<model::Document>(app_);
    app_.settings.resetViewDefaults();
    entry->doc->onNewDocument();
    documents_.push_back(std::move(entry));
    return addWindow(*documents_.back());
}

DrawingView* MainWindow::openDocument(const QString& path) {
    const std::string wanted = RecentFileList::normalised(path.toStdString());
    for (auto& entry : documents_) {
        if (!entry->doc->path().empty() &&
            RecentFileList::normalised(entry->doc->path().string()) == wanted &&
            !entry->windows.empty()) {
            mdi_->setActiveSubWindow(entry->windows.front());
            return static_cast<DrawingView*>(entry->windows.front()->widget());
        }
    }
    // A view is made before the file is read, so the file's values win over the view defaults;
    // they come back when the file cannot be read.
    const model::DrawingSettings before = app_.settings;
    app_.settings.resetViewDefaults();
    auto opened = model::Document::open(app_, path.toStdString());
    if (opened.failed()) {
        app_.settings = before;
        interaction_.ask(this, {opened.message(), std::string(kAppTitle), platform::Buttons::Ok,
                                platform::MessageIcon::Warning, platform::Answer::Ok});
        return nullptr;
    }
    auto entry = std::make_unique<OpenDocument>();
    entry->doc = std::move(opened.value());
    documents_.push_back(std::move(entry));
    DrawingView* view = addWindow(*documents_.back());
    addRecent(path);
    // The file's settings are the program's now: every open drawing shows them.
    for (DrawingView* v : views()) v->refresh();
    // A file that is doubtful (UTF-8, or no drawing at all) opens, and the user is told.
    for (const std::string& warning : documents_.back()->doc->openWarnings())
        interaction_.ask(this, {warning, std::string(kAppTitle), platform::Buttons::Ok,
                                platform::MessageIcon::Warning, platform::Answer::Ok});
    return view;
}

DrawingView* MainWindow::importPcf(const QString& path) {
    // As for a file opened: the drawing's values win over the view defaults, and the program's
    // settings stay as they were when nothing can be drawn.
    const model::DrawingSettings before = app_.settings;
    app_.settings.resetViewDefaults();
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const QByteArray utf8 = path.toUtf8();
    layout::ImportOptions options;
    options.pageSize = kChoosePage;
    platform::Result<ImportedDrawing> imported = importPcfDrawing(
        app_, std::filesystem::path(std::u8string(utf8.begin(), utf8.end())), options);
    QGuiApplication::restoreOverrideCursor();
    const std::string name = QFileInfo(path).fileName().toStdString();
    if (imported.failed()) {
        app_.settings = before;
        interaction_.ask(
            this, {"无法导入 " + name + "：" + imported.message(), std::string(kAppTitle),
                   platform::Buttons::Ok, platform::MessageIcon::Warning, platform::Answer::Ok});
        return nullptr;
    }
    auto entry = std::make_unique<OpenDocument>();
    entry->doc = std::move(imported->document);
    documents_.push_back(std::move(entry));
    DrawingView* view = addWindow(*documents_.back());
    for (DrawingView* v : views()) v->refresh();
    setStatusText(QStringLiteral("已导入 PCF 文件：%1").arg(path));
    if (!imported->warnings.empty()) {
        std::string text = "已导入 " + name + "，请注意：";
        for (const std::string& w : imported->warnings) text += "\n· " + w;
        interaction_.ask(this, {text, std::string(kAppTitle), platform::Buttons::Ok,
                                platform::MessageIcon::Information, platform::Answer::Ok});
    }
    return view;
}

DrawingView* MainWindow::addWindow(OpenDocument& entry) {
    auto* child = new ChildWindow(*this, entry);
    auto* view = new DrawingView(*entry.doc, interaction_, child);
    child->setWidget(view);
    child->setWindowIcon(documentIcon());
    view->onDocumentChanged = [this, doc = entry.doc.get()] { documentChanged(*doc); };
    // Every kept edit, undo and redo of the drawing, whichever of its windows made it.
    entry.doc->onCommitted = [this, doc = entry.doc.get()] { drawingEdited(*doc); };
    view->onStatusText = [this](const QString& text) { setStatusText(text); };
    view->onToolsChanged = [this] { updateCommands(); };
    view->onPainted = [this] {
        if (firstPaintSeen_) return;
        firstPaintSeen_ = true;
        if (onFirstPaint) onFirstPaint();
    };
    entry.windows.push_back(child);
    if (recording_) recording_->attach(view);
    mdi_->addSubWindow(child);
    view->initialUpdate();
    updateTitles(entry);
    showMenusFor(true);
    child->showMaximized();
    mdi_->setActiveSubWindow(child);
    updateCommands();
    return view;
}

DrawingView* MainWindow::newWindow() {
    OpenDocument* entry = activeEntry();
    if (!entry) return nullptr;
    DrawingView* source = activeView();
    DrawingView* view = addWindow(*entry);
    if (source) {
        // The new window starts where the drawing stands: its projection and zoom.
        view::ViewState& s = view->state();
        const view::ViewState& from = source->state();
        s.X_AxisAngle = from.X_AxisAngle;
        s.Y_AxisAngle = from.Y_AxisAngle;
        s.firstPointElevation = from.firstPointElevation;
    }
    return view;
}

MainWindow::OpenDocument* MainWindow::entryOf(const model::Document& doc) {
    for (auto& e : documents_)
        if (e->doc.get() == &doc) return e.get();
    return nullptr;
}

MainWindow::OpenDocument* MainWindow::activeEntry() {
    DrawingView* v = activeView();
    return v ? entryOf(v->document()) : nullptr;
}

DrawingView* MainWindow::activeView() const {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (!w) {
        // Without focus (e.g. while the window is not active) take the topmost window.
        const auto list = mdi_->subWindowList(QMdiArea::StackingOrder);
        if (list.isEmpty()) return nullptr;
        w = list.back();
    }
    return dynamic_cast<DrawingView*>(w->widget());
}

std::vector<DrawingView*> MainWindow::views() const {
    std::vector<DrawingView*> out;
    for (QMdiSubWindow* w : mdi_->subWindowList())
        if (auto* v = dynamic_cast<DrawingView*>(w->widget())) out.push_back(v);
    return out;
}

std::vector<DrawingView*> MainWindow::viewsOf(const model::Document& doc) const {
    std::vector<DrawingView*> out;
    for (DrawingView* v : views())
        if (&v->document() == &doc) out.push_back(v);
    return out;
}

void MainWindow::windowClosed(QMdiSubWindow* window) {
    for (auto it = documents_.begin(); it != documents_.end(); ++it) {
        auto& windows = (*it)->windows;
        const auto w = std::find(windows.begin(), windows.end(), window);
        if (w == windows.end()) continue;
        // The view goes with its window; the document when its last window goes.
        QWidget* view = window->widget();
        if (recording_) recording_->windowClosed(dynamic_cast<DrawingView*>(view));
        window->setWidget(nullptr);
        delete view;
        windows.erase(w);
        if (windows.empty()) {
            if (recovery_) recovery_->closed(*(*it)->doc);
            documents_.erase(it);
        } else
            updateTitles(**it);
        break;
    }
    showMenusFor(!documents_.empty());
    updateCommands();
    updateMainTitle();
}

bool MainWindow::mayClose(OpenDocument& entry) {
    if (!entry.doc->isModified()) return true;
    const std::string text = "是否保存对 " + entry.doc->title() + " 的更改?";
    switch (interaction_.ask(this, {text, std::string(kAppTitle), platform::Buttons::YesNoCancel,
                                    platform::MessageIcon::Warning, platform::Answer::Yes})) {
        case platform::Answer::Yes:
            return save(entry, false);
        case platform::Answer::No:
            return true;
        default:
            return false;
    }
}

bool MainWindow::save(OpenDocument& entry, bool saveAs) {
    model::Document& doc = *entry.doc;
    std::filesystem::path target = doc.path();
    if (saveAs || target.empty()) {
        QString suggested = target.empty()
                                ? QString::fromStdString(doc.title()) + qs(kFileExtension)
                                : QString::fromStdString(target.string());
        QString name = interaction_.saveFileName(this, suggested);
        if (name.isEmpty()) return false;
        if (QFileInfo(name).suffix().isEmpty()) name += qs(kFileExtension);
        target = name.toStdString();
    }
    // A file that looked like UTF-8 is not written over before the user says so: its texts were
    // read wrongly, and a field that is full cuts them.
    if (doc.savesOverUtf8File(target) &&
        interaction_.ask(this, {model::utf8SaveQuestion(target), std::string(kAppTitle), platform::Buttons::YesNo,
                                platform::MessageIcon::Warning, platform::Answer::No}) != platform::Answer::Yes)
        return false;
    const platform::Result<> result = doc.saveAs(target);
    if (result.failed()) {
        doc.setModifiedFlag(true);
        if (result.error() == platform::FileError::readOnly) {
            // As editors do: the file stays as it is, the drawing may go to another file.
            const std::string text =
                target.filename().string() + " 是只读文件，不能保存。\n是否另存为其它文件?";
            if (interaction_.ask(this, {text, std::string(kAppTitle), platform::Buttons::YesNo,
                                        platform::MessageIcon::Warning, platform::Answer::Yes}) ==
                platform::Answer::Yes)
                return save(entry, true);
            return false;
        }
        interaction_.ask(this, {result.message(), std::string(kAppTitle), platform::Buttons::Ok,
                                platform::MessageIcon::Error, platform::Answer::Ok});
        return false;
    }
    if (recovery_) recovery_->saved(doc);
    if (recording_) recording_->saved(doc);
    addRecent(QString::fromStdString(target.string()));
    updateTitles(entry);
    updateCommands();
    return true;
}

bool MainWindow::saveActive(bool saveAs) {
    OpenDocument* entry = activeEntry();
    return entry && save(*entry, saveAs);
}

bool MainWindow::closeActiveDocument() {
    OpenDocument* entry = activeEntry();
    if (!entry) return true;
    if (!mayClose(*entry)) return false;
    // Asked once; the windows then close without asking again.
    entry->doc->setModifiedFlag(false);
    const auto windows = entry->windows;
    for (QMdiSubWindow* w : windows) w->close();
    return true;
}

void MainWindow::documentChanged(model::Document& doc) {
    for (DrawingView* v : viewsOf(doc)) v->refresh();
    if (OpenDocument* entry = entryOf(doc)) updateTitles(*entry);
    updateCommands();
}

void MainWindow::drawingEdited(model::Document& doc) {
    // Undoing back to the saved drawing leaves nothing to recover.
    if (recovery_ && doc.isModified()) recovery_->edited(doc);
}

// --- recovery copies ---

void MainWindow::enableRecovery(RecoveryStore& store) {
    if (recovery_) return;
    recovery_ = new AutoRecovery(store, this);
    recovery_->setSettings(loadRecoverySettings());
}

void MainWindow::recoverySettings() {
    RecoverySettings s = recovery_ ? recovery_->settings() : loadRecoverySettings();
    if (!editRecoverySettings(this, s)) return;
    storeRecoverySettings(s);
    if (recovery_) recovery_->setSettings(s);
}

void MainWindow::offerRecovery() {
    if (!recovery_) return;
    RecoveryStore& store = recovery_->store();
    const std::vector<FoundCopy> copies = store.findOrphans();
    if (copies.empty()) return;
    const RecoveryChoice choice = askRecovery(this, copies);
    std::vector<std::string> failures;
    for (std::size_t i : choice.chosen) {
        const FoundCopy& copy = copies.at(i);
        if (choice.action == RecoveryChoice::Action::Discard) {
            store.discard(copy);
            continue;
        }
        if (DrawingView* view = recoverCopy(copy)) {
            // The drawing's changes are in this program's copy before the old one goes.
            recovery_->copyNow(view->document());
            recovery_->writer().flush();
            store.discard(copy);
        } else {
            // Kept: a later program may do better with it.
            failures.push_back(copy.info.title);
        }
    }
    // What is left waits for a later start, of this program or another.
    store.release();
    if (!failures.empty()) {
        std::string text = "以下图形的恢复副本无法打开，已保留：";
        for (const std::string& f : failures) text += "\n· " + f;
        interaction_.ask(this, {text, std::string(kAppTitle), platform::Buttons::Ok, platform::MessageIcon::Warning,
                                platform::Answer::Ok});
    }
}

DrawingView* MainWindow::recoverCopy(const FoundCopy& copy) {
    std::string data;
    if (platform::readWholeFile(copy.file, data).failed()) return nullptr;
    const auto parsed = parseRecoveryCopy(data);
    if (!parsed) return nullptr;
    const model::DrawingSettings before = app_.settings;
    app_.settings.resetViewDefaults();
    auto recovered = model::Document::openRecovered(app_, parsed->second, parsed->first.original);
    if (recovered.failed()) {
        app_.settings = before;
        return nullptr;
    }
    std::unique_ptr<model::Document> doc = std::move(recovered.value());
    // The same file opened unchanged (from the command line, before the offer) gives way to its
    // recovered changes: one drawing, one window, as opening it twice would give.
    if (!doc->path().empty()) {
        const std::string wanted = RecentFileList::normalised(doc->path().string());
        for (auto& open : documents_) {
            if (open->doc->isModified() || open->doc->path().empty() ||
                RecentFileList::normalised(open->doc->path().string()) != wanted)
                continue;
            const auto windows = open->windows;
            for (QMdiSubWindow* w : windows) w->close();
            break;
        }
    }
    auto entry = std::make_unique<OpenDocument>();
    entry->doc = std::move(doc);
    documents_.push_back(std::move(entry));
    DrawingView* view = addWindow(*documents_.back());
    for (DrawingView* v : views()) v->refresh();
    setStatusText(QStringLiteral("已恢复：%1").arg(QString::fromStdString(documents_.back()->doc->title())));
    return view;
}

void MainWindow::updateTitles(OpenDocument& entry) {
    const QString title = QString::fromStdString(entry.doc->title());
    const auto n = entry.windows.size();
    // Unsaved changes show as Qt shows them: "[*]" becomes "*" while the drawing is modified.
    for (std::size_t i = 0; i < n; ++i) {
        entry.windows[i]->setWindowTitle((n > 1 ? QStringLiteral("%1:%2").arg(title).arg(i + 1) : title) +
                                         QStringLiteral("[*]"));
        entry.windows[i]->setWindowModified(entry.doc->isModified());
    }
    updateMainTitle();
}

void MainWindow::updateMainTitle() {
    QMdiSubWindow* w = mdi_->activeSubWindow();
    if (!w) {
        const auto list = mdi_->subWindowList(QMdiArea::StackingOrder);
        if (!list.isEmpty()) w = list.back();
    }
    // The child's own title, "[*]" and all: Qt's MDI finds it there and adds it no second time.
    setWindowTitle(w ? QStringLiteral("%1 - [%2]").arg(qs(kAppTitle), w->windowTitle()) : qs(kAppTitle));
    setWindowModified(w && w->isWindowModified());
}

// --- commands ---

namespace {
// Runs `f` with the command context of `view`: its document and state, message boxes and
// dialogs parented to it.
template <typename F>
auto withCommandContext(DrawingView& view, F&& f) {
    edit::CommandContext context{view.document(), view.state(), view.prompter(), view.forms(),
                                 &view.controller(), view.onDocumentChanged, &view.controller().port()};
    return f(context);
}
}  // namespace

void MainWindow::runCommand(int id) {
    const Action* a = findAction(id);
    if (!a) return;
    if (recording_) recording_->beforeCommand(*a);
    runCommandNow(*a);
    if (recording_) recording_->afterCommand();
}

void MainWindow::runCommandNow(const Action& a) {
    const Handler& h = a.handler;
    switch (h.kind) {
        case Handler::Kind::Never: break;
        case Handler::Kind::Window: (this->*h.window)(); break;
        case Handler::Kind::Bar: toggleBar(a.id); break;
        case Handler::Kind::Document:
        case Handler::Kind::Tool:
            if (DrawingView* view = activeView()) {
                // Drawing settings are the program's, not the document's: when a command changed
                // them, every window shows the change, not only those of the active drawing.
                const model::DrawingSettings before = app_.settings;
                withCommandContext(*view, [&](edit::CommandContext& c) { return commandRegistry().run(a.id, c); });
                if (!(app_.settings == before))
                    for (DrawingView* v : views()) v->refresh();
            }
            break;
    }
    updateCommands();
}

void MainWindow::updateCommands() {
    DrawingView* view = activeView();
    const edit::CommandRegistry& registry = commandRegistry();
    for (const Action& c : allActions()) {
        QAction* a = action(c.id);
        const Handler& h = c.handler;
        bool enabled = false;
        bool checked = false;
        switch (h.kind) {
            case Handler::Kind::Never: break;
            case Handler::Kind::Window:
                enabled = (view || !c.needsDocument) && (!h.windowEnabled || (this->*h.windowEnabled)());
                checked = h.windowChecked && (this->*h.windowChecked)();
                break;
            case Handler::Kind::Bar:
                enabled = true;
                checked = barShown(c.id);
                break;
            case Handler::Kind::Document:
            case Handler::Kind::Tool:
                if (view)
                    withCommandContext(*view, [&](edit::CommandContext& ctx) {
                        enabled = registry.isEnabled(c.id, ctx);
                        checked = registry.isChecked(c.id, ctx);
                        if (h.label) a->setText(qs(h.label(ctx)));
                        return 0;
                    });
                else if (h.label)
                    a->setText(qs(c.text()));
                break;
        }
        a->setEnabled(enabled);
        if (a->isCheckable()) a->setChecked(checked);
    }
}

// --- what the window carries out itself ---

void MainWindow::openDrawing() {
    const QString dir = recent_.items().empty()
                            ? QDir::currentPath()
                            : QFileInfo(QString::fromStdString(recent_.items().front())).absolutePath();
    const QString name = interaction_.openFileName(this, dir);
    if (!name.isEmpty()) openDocument(name);
}

void MainWindow::toggleBar(int command) {
    if (QToolBar* b = bar(command)) b->setVisible(b->isHidden());
}

bool MainWindow::barShown(int command) const {
    const QToolBar* b = bar(command);
    return b && !b->isHidden();
}

void MainWindow::toggleStatusBar() { statusBar()->setVisible(statusBar()->isHidden()); }

bool MainWindow::statusBarShown() const { return !statusBar()->isHidden(); }

void MainWindow::cascade() { cascadeWindows(*mdi_); }

void MainWindow::tile() { mdi_->tileSubWindows(); }

void MainWindow::arrangeIcons() {
    // Minimised windows line up along the bottom of the work area.
    int x = 0;
    for (QMdiSubWindow* w : mdi_->subWindowList()) {
        if (!w->isMinimized()) continue;
        w->move(x, mdi_->viewport()->height() - w->height());
        x += w->width();
    }
}

void MainWindow::nextPane() { mdi_->activateNextSubWindow(); }

void MainWindow::previousPane() { mdi_->activatePreviousSubWindow(); }

bool MainWindow::severalWindows() const { return mdi_->subWindowList().size() > 1; }

void MainWindow::about() { interaction_.showAbout(this); }

void MainWindow::recordSession() {
    const QString name = interaction_.sessionFileName(this);
    if (!name.isEmpty()) startRecording(name);
}

void MainWindow::importPcfFile() {
    const QString name = interaction_.pcfFileName(this);
    if (!name.isEmpty()) importPcf(name);
}

void MainWindow::exportPcf() { realSpace_->exportPcf(activeView()); }

void MainWindow::exportDxf() { app::exportDxf(*this); }

void MainWindow::materials() { showMaterials(*this); }

void MainWindow::view3D() { realSpace_->show3D(activeView()); }

// --- printing and help ---

QPrinter& MainWindow::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void MainWindow::print() {
    DrawingView* view = activeView();
    if (!view) return;
    // Nothing is cut silently: a text that prints cut short is named before printing.
    if (const auto warning = cutTextsWarning(view->document(), view->state()))
        if (interaction_.ask(this, *warning) != platform::Answer::Yes) return;
    QPrinter& p = printer();
    if (!paperChosen_) setPaperForView(p, view->document(), view->state());
    if (!interaction_.printDialog(this, p)) return;
    if (view->printTo(p) == 0)
        interaction_.ask(
            this, {"打印时出错，请检查打印机。", std::string(kAppTitle), platform::Buttons::Ok,
                   platform::MessageIcon::Error, platform::Answer::Ok});
}

void MainWindow::printPreview() {
    DrawingView* view = activeView();
    if (!view) return;
    QPrinter& p = printer();
    if (!paperChosen_) setPaperForView(p, view->document(), view->state());
    interaction_.printPreview(this, p, [view](QPrinter* target) { view->printTo(*target); });
}

void MainWindow::printSetup() {
    QPrinter& p = printer();
    if (DrawingView* view = activeView(); view && !paperChosen_)
        setPaperForView(p, view->document(), view->state());
    interaction_.printSetup(this, p);
    paperChosen_ = true;
}

void MainWindow::help() {
    // The program's own help window: it needs no browser or launcher on the desktop.
    if (!showHelpWindow(this))
        interaction_.ask(this,
                         {"找不到使用帮助文件。", std::string(kAppTitle), platform::Buttons::Ok,
                          platform::MessageIcon::Warning, platform::Answer::Ok});
}

// --- window events ---

void MainWindow::closeEvent(QCloseEvent* event) {
    for (auto& entry : documents_) {
        if (!mayClose(*entry)) {
            event->ignore();
            return;
        }
    }
    saveSettings();
    // Asked already: the windows go without asking again.
    for (auto& entry : documents_) entry->doc->setModifiedFlag(false);
    mdi_->closeAllSubWindows();
    event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    event->acceptProposedAction();
    activateWindow();
    for (const QUrl& url : urls)
        if (url.isLocalFile()) openDocument(url.toLocalFile());
}

}  // namespace tubra::app
