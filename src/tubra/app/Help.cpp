#include "tubra/app/Help.h"

#include <algorithm>

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeySequence>
#include <QRegularExpression>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QToolBar>
#include <QTreeWidget>

#include "tubra/app/WindowLayout.h"

namespace tubra::app {

QString helpIndexPath() {
    const QString dir = QCoreApplication::applicationDirPath();
    const QStringList candidates = {
        dir + QStringLiteral("/../share/tubra/help/index.html"),
        dir + QStringLiteral("/help/index.html"),
#ifdef TUBRA_SOURCE_HELP_DIR
        QStringLiteral(TUBRA_SOURCE_HELP_DIR "/index.html"),
#endif
    };
    for (const QString& c : candidates) {
        const QFileInfo f(c);
        if (f.isFile()) return QDir::cleanPath(f.absoluteFilePath());
    }
    return {};
}

namespace {

// Room left on every side of the screen for the window frame and the title bar.
constexpr int kHelpWindowMargin = 40;

QString readPage(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(f.readAll());
}

// The text of an HTML fragment: tags dropped, the few entities the pages use resolved.
QString plainText(QString html) {
    static const QRegularExpression tag(QStringLiteral("<[^>]*>"));
    html.remove(tag);
    html.replace(QStringLiteral("&lt;"), QStringLiteral("<"))
        .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&nbsp;"), QStringLiteral(" "))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return html.simplified();
}

QStringList headings(const QString& html) {
    static const QRegularExpression h2(QStringLiteral("<h2[^>]*>(.*?)</h2>"),
                                       QRegularExpression::DotMatchesEverythingOption |
                                           QRegularExpression::CaseInsensitiveOption);
    QStringList out;
    for (auto it = h2.globalMatch(html); it.hasNext();) out << plainText(it.next().captured(1));
    return out;
}

QString pageTitle(const QString& html, const QString& fallback) {
    static const QRegularExpression h1(QStringLiteral("<h1[^>]*>(.*?)</h1>"),
                                       QRegularExpression::DotMatchesEverythingOption |
                                           QRegularExpression::CaseInsensitiveOption);
    const auto m = h1.match(html);
    return m.hasMatch() ? plainText(m.captured(1)) : fallback;
}

// The help's pages without their navigation bars: the window's contents do that job, and a
// text browser runs the bar's links together.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

    QVariant loadResource(int type, const QUrl& name) override {
        if (type == QTextDocument::HtmlResource && name.isLocalFile()) {
            QString html = readPage(name.toLocalFile());
            if (!html.isEmpty()) {
                static const QRegularExpression nav(QStringLiteral("<nav[^>]*>.*?</nav>"),
                                                    QRegularExpression::DotMatchesEverythingOption |
                                                        QRegularExpression::CaseInsensitiveOption);
                html.remove(nav);
                return html;
            }
        }
        return QTextBrowser::loadResource(type, name);
    }
};

}  // namespace

std::vector<HelpPage> helpContents(const QString& indexPath) {
    std::vector<HelpPage> pages;
    const QFileInfo index(indexPath);
    const QString html = readPage(indexPath);
    if (html.isEmpty()) return pages;
    // The navigation bar names every page, the start page too, in the order the help is read.
    static const QRegularExpression nav(QStringLiteral("<nav[^>]*>(.*?)</nav>"),
                                        QRegularExpression::DotMatchesEverythingOption |
                                            QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression link(QStringLiteral("<a\\s+href=\"([^\"#:]+\\.html)\"[^>]*>(.*?)</a>"),
                                         QRegularExpression::DotMatchesEverythingOption |
                                             QRegularExpression::CaseInsensitiveOption);
    const auto bar = nav.match(html);
    if (bar.hasMatch()) {
        for (auto it = link.globalMatch(bar.captured(1)); it.hasNext();) {
            const auto m = it.next();
            const QString file = m.captured(1);
            const QString page = file == index.fileName() ? html : readPage(index.dir().filePath(file));
            if (page.isEmpty()) continue;
            pages.push_back({file, plainText(m.captured(2)), headings(page)});
        }
    }
    const bool hasIndex = std::any_of(pages.begin(), pages.end(),
                                      [&](const HelpPage& p) { return p.file == index.fileName(); });
    if (!hasIndex)
        pages.insert(pages.begin(), {index.fileName(), pageTitle(html, index.fileName()), headings(html)});
    return pages;
}

HelpWindow::HelpWindow(const QString& indexPath, QWidget* parent)
    : QMainWindow(parent, Qt::Window) {
    setObjectName(QStringLiteral("helpWindow"));
    setWindowTitle(QStringLiteral("使用帮助"));
    const QFileInfo index(indexPath);
    directory_ = index.absolutePath();
    homeUrl_ = QUrl::fromLocalFile(index.absoluteFilePath());

    contents_ = new QTreeWidget(this);
    contents_->setHeaderHidden(true);
    contents_->setRootIsDecorated(true);
    for (const HelpPage& page : helpContents(indexPath)) {
        auto* item = new QTreeWidgetItem(contents_, {page.title});
        item->setData(0, Qt::UserRole, page.file);
        for (const QString& section : page.sections) {
            auto* child = new QTreeWidgetItem(item, {section});
            child->setData(0, Qt::UserRole, page.file);
            child->setData(0, Qt::UserRole + 1, section);
        }
    }
    contents_->expandAll();
    connect(contents_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { contentsClicked(item); });
    connect(contents_, &QTreeWidget::itemActivated, this,
            [this](QTreeWidgetItem* item) { contentsClicked(item); });

    browser_ = new HelpBrowser(this);
    browser_->setSearchPaths({directory_});
    browser_->setOpenExternalLinks(true);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { pageShown(url); });

    auto* split = new QSplitter(this);
    split->addWidget(contents_);
    split->addWidget(browser_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 3);
    setCentralWidget(split);

    QToolBar* bar = addToolBar(QStringLiteral("浏览"));
    bar->setObjectName(QStringLiteral("helpNavigation"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    back_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowBack), QStringLiteral("后退"));
    back_->setShortcut(QKeySequence::Back);
    forward_ = bar->addAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("前进"));
    forward_->setShortcut(QKeySequence::Forward);
    home_ = bar->addAction(style()->standardIcon(QStyle::SP_DirHomeIcon), QStringLiteral("目录"));
    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QAction::triggered, browser_, &QTextBrowser::backward);
    connect(forward_, &QAction::triggered, browser_, &QTextBrowser::forward);
    connect(home_, &QAction::triggered, this, [this] { showHome(); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QAction::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QAction::setEnabled);

    resize(960, 680);
    showHome();
}

void HelpWindow::showHome() { browser_->setSource(homeUrl_); }

void HelpWindow::showPage(const QString& file, const QString& section) {
    const QUrl url = QUrl::fromLocalFile(QDir(directory_).absoluteFilePath(file));
    if (browser_->source() != url) browser_->setSource(url);
    if (section.isEmpty()) {
        browser_->moveCursor(QTextCursor::Start);
        return;
    }
    // The pages' headings carry no anchors: the heading is found by its text.
    QTextCursor found = browser_->document()->find(section);
    if (found.isNull()) return;
    // Scroll so that the heading comes to the top: to the end first, then back to it.
    browser_->moveCursor(QTextCursor::End);
    found.clearSelection();
    browser_->setTextCursor(found);
    browser_->ensureCursorVisible();
}

void HelpWindow::contentsClicked(QTreeWidgetItem* item) {
    if (!item) return;
    showPage(item->data(0, Qt::UserRole).toString(), item->data(0, Qt::UserRole + 1).toString());
}

void HelpWindow::pageShown(const QUrl& url) {
    // The contents follow the page shown, whichever way it was reached.
    const QString file = QFileInfo(url.toLocalFile()).fileName();
    for (int i = 0; i < contents_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = contents_->topLevelItem(i);
        if (item->data(0, Qt::UserRole).toString() == file) {
            if (contents_->currentItem() == nullptr ||
                contents_->currentItem()->data(0, Qt::UserRole).toString() != file)
                contents_->setCurrentItem(item);
            break;
        }
    }
    const QString title = browser_->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("使用帮助") : title);
}

HelpWindow* showHelpWindow(QWidget* owner) {
    const QString index = helpIndexPath();
    if (index.isEmpty()) return nullptr;
    auto* window = owner ? owner->findChild<HelpWindow*>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
    if (!window) {
        window = new HelpWindow(index, owner);
        if (!owner) window->setAttribute(Qt::WA_DeleteOnClose);
        // On the owner's screen and wholly within it, however small the screen.
        const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
        if (screen)
            window->setGeometry(placeWithin(window->size(), screen->availableGeometry(),
                                            owner ? owner->frameGeometry() : QRect(), kHelpWindowMargin));
    }
    window->showHome();
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace tubra::app
