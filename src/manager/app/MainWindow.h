#pragma once
// The manager's window: the directory tree and the pipeline list side by side, the tool bar,
// the menus, the list's context menu and the four panes of the status bar.
//
// A directory is read on a thread of its own: rows appear as they are read, the status pane
// turns, and Escape stops the reading. The window's thread never waits for a reading thread
// while the window is open: a reading that is stopped or replaced by another ends on its own.

#include <atomic>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include <QMainWindow>

#include "manager/app/Actions.h"
#include "manager/core/Manager.h"
#include "platform/qt/FormDialogs.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class QTableView;
class QTreeWidgetItem;

namespace manager::app {

class DirectoryTree;
class LengthCheckWindow;
class ListModel;
class ReportCopyDialog;

struct WindowOptions {
    // The directory the manager was started in.
    std::filesystem::path startDirectory;
    // The tree's roots; empty: the file system root, the home directory and the volumes.
    std::vector<std::filesystem::path> roots;
    // Where message boxes, the drawing program and dialogs go; the real ones when null.
    platform::Prompter* prompter = nullptr;
    ProgramStarter* starter = nullptr;
    // Called on the reading thread after each file of a listing (tests hold a reading here).
    std::function<void()> afterFileRead;
};

class MainWindow : public QMainWindow {
public:
    explicit MainWindow(WindowOptions options, QWidget* parent = nullptr);
    ~MainWindow() override;

    Manager& manager() { return *manager_; }
    DirectoryTree* tree() const { return tree_; }
    QTableView* list() const { return list_; }
    platform::qt::QtFormHost& formHost() { return *formHost_; }
    // The status bar panes.
    QString statusText(int pane) const;
    // An action of the menus, tool bar or context menu.
    QAction* action(ActionId id) const;
    LengthCheckWindow* lengthCheckWindow() const { return lengthWindow_; }
    ReportCopyDialog* reportCopyDialog() const { return reportCopyDialog_; }

    // Lists `dir` (off the window's thread); `then` runs when the last row is in.
    void listDirectory(const std::filesystem::path& dir, std::function<void()> then = {});
    bool isListing() const { return listing_; }
    // Stops a running listing (Escape).
    void cancelListing();

    // The selected rows, in list order.
    Selection selectedRows() const;
    void selectOnly(int row);

    // Commands.
    void refresh();
    void toggleReportMode();
    void renumber();
    void sortByColumn(int column);
    void exportText();
    void exportWorkbook();
    void exportCensus(bool workbook = false);
    void checkLengths();
    // Saves the length check's result as a workbook (the result window's button).
    void exportLengthCheck(const std::vector<LengthMismatch>& result);
    void openReportCopy();
    void changeSection(SectionKind kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildActions();
    void buildMenus();
    void buildTree();
    void treeSelected(QTreeWidgetItem* item);
    void listClicked();
    void selectionChanged();
    void showContextMenu(const QPoint& pos);
    void relist(std::function<void()> then = {});
    void afterListChanged();
    void reselect(const std::string& number, int oldViewportY);
    void showStatusSummary();
    void setListColours();
    void applyColumnWidths();
    void stopReaders(bool wait);
    std::string nodeText() const;

    WindowOptions options_;
    std::unique_ptr<platform::Prompter> ownPrompter_;
    std::unique_ptr<ProgramStarter> ownStarter_;
    platform::Prompter* prompter_;
    std::unique_ptr<platform::qt::QtFormHost> formHost_;
    std::unique_ptr<Manager> manager_;

    QSplitter* splitter_ = nullptr;
    DirectoryTree* tree_ = nullptr;
    QTableView* list_ = nullptr;
    ListModel* model_ = nullptr;
    QLabel* panes_[4] = {};
    QMenu* contextMenu_ = nullptr;
    std::map<ActionId, QAction*> actions_;
    LengthCheckWindow* lengthWindow_ = nullptr;
    ReportCopyDialog* reportCopyDialog_ = nullptr;
    std::unique_ptr<platform::FormContext> reportCopyContext_;

    // The reading threads: the running listing last, before it stopped ones not yet ended.
    struct Reader {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancel;
        std::shared_ptr<std::atomic<bool>> ended;
    };
    std::vector<Reader> readers_;
    unsigned generation_ = 0;
    bool listing_ = false;
    std::vector<std::function<void()>> afterListing_;
};

}  // namespace manager::app
