#pragma once
// The user help: bundled HTML pages, installed beside the program or in the source tree of a
// build, shown in the program's own help window. The window needs nothing of the desktop (no
// browser, no URL launcher), has the pages and their sections as contents, and goes back and
// forward through the pages read.

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <vector>

class QAction;
class QTextBrowser;
class QTreeWidget;
class QTreeWidgetItem;

namespace tubra::app {

// The help's start page, empty when none is found.
QString helpIndexPath();

// One page of the contents with its section headings, in reading order.
struct HelpPage {
    QString file;   // name in the help directory
    QString title;  // the page's name in the contents
    QStringList sections;
};

// The contents of the help whose start page is `indexPath`: the start page, then the pages its
// navigation bar links, each with the headings of its sections.
std::vector<HelpPage> helpContents(const QString& indexPath);

class HelpWindow : public QMainWindow {
public:
    explicit HelpWindow(const QString& indexPath, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return browser_; }
    QTreeWidget* contents() const { return contents_; }
    QAction* backAction() const { return back_; }
    QAction* forwardAction() const { return forward_; }
    QAction* homeAction() const { return home_; }

    // Shows the start page.
    void showHome();
    // Shows a page of the help, at the heading `section` when one is given.
    void showPage(const QString& file, const QString& section = {});

private:
    void contentsClicked(QTreeWidgetItem* item);
    void pageShown(const QUrl& url);

    QString directory_;
    QUrl homeUrl_;
    QTextBrowser* browser_ = nullptr;
    QTreeWidget* contents_ = nullptr;
    QAction* back_ = nullptr;
    QAction* forward_ = nullptr;
    QAction* home_ = nullptr;
};

// Shows the help window belonging to `owner` on its start page, making it the first time and
// raising it afterwards. Null when there is no help to show.
HelpWindow* showHelpWindow(QWidget* owner);

}  // namespace tubra::app
