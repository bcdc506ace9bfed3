#pragma once
// The main window of the drawing program: child windows of the open drawings, the five tool
// bars, both menu bars, the accelerators and the status bar; opening, saving, closing and
// printing documents; the recent-file list and the bar layout kept in the settings.

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <QMainWindow>

#include "tubra/appcore/CommandLine.h"
#include "tubra/appcore/Commands.h"
#include "tubra/appcore/RecentFiles.h"
#include "tubra/appcore/Recovery.h"
#include "tubra/appcore/Shell.h"
#include "tubra/model/Document.h"

class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;
class QToolBar;

namespace tubra::app {

class AutoRecovery;
class DrawingView;
class Interaction;
class LockKeyIndicators;
class RealSpace;
class SessionRecording;

class MainWindow : public QMainWindow, private Shell {
public:
    MainWindow(model::AppContext& app, Interaction& interaction, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Carries out the command line: a new drawing, or the file opened. False when it failed
    // (start-up then ends).
    bool carryOut(const StartRequest& request);

    // "新建": a new drawing in a new child window.
    DrawingView* newDocument();
    // Opens `path` (or brings its window forward when it is open already). Failures are told
    // in a message box and leave no window; returns null then.
    DrawingView* openDocument(const QString& path);
    // 文件 → 导入 PCF…: the piping component file at `path` laid out as a new, unsaved drawing in
    // a new child window. What the user should know about the file is told in a message box,
    // and so is a file that cannot be drawn (null then, and no window).
    DrawingView* importPcf(const QString& path);
    // Saves the active drawing ("save as" always asks for a name). False when not saved.
    bool saveActive(bool saveAs);
    // Closes every window of the active drawing after asking to save it; false when the user
    // cancelled.
    bool closeActiveDocument();

    // A further window on the active drawing.
    DrawingView* newWindow();

    QAction* action(int id) const;
    QToolBar* bar(int visibilityCommand) const;
    QMdiArea* mdiArea() const { return mdi_; }
    DrawingView* activeView() const;
    std::vector<DrawingView*> views() const;
    std::vector<DrawingView*> viewsOf(const model::Document& doc) const;
    int documentCount() const { return static_cast<int>(documents_.size()); }
    const RecentFileList& recentFiles() const { return recent_; }
    QPrinter& printer();

    // Runs a command as its button or menu entry would.
    void runCommand(int id);
    // Re-evaluates which commands are enabled and checked.
    void updateCommands();

    // The message pane of the status bar.
    void setStatusText(const QString& text);
    QLabel* lockIndicator(int index) const;

    // Called once after the first finished paint of a drawing (start-up measurement).
    std::function<void()> onFirstPaint;

    // Records what the user does in the active drawing into a session script at `path`.
    bool startRecording(const QString& path);
    void stopRecording() override;
    bool recording() const { return recording_ != nullptr; }

    // Recovery copies of drawings with unsaved changes, kept in `store` (which outlives the
    // window). Off until called: a window made by a test writes none.
    void enableRecovery(RecoveryStore& store);
    AutoRecovery* recovery() const { return recovery_; }
    // Offers what programs that are gone left in the store, and opens what the user recovers.
    void offerRecovery();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    struct OpenDocument {
        std::unique_ptr<model::Document> doc;
        std::vector<QMdiSubWindow*> windows;
    };
    class ChildWindow;

    void createActions();
    void createBars();
    void createMenus();
    void fillMenu(QMenu* menu, const std::vector<MenuEntry>& entries);
    void refillDynamicMenus();
    void showMenusFor(bool hasDocument);
    void createStatusBar();
    void loadSettings();
    void saveSettings();

    DrawingView* addWindow(OpenDocument& entry);
    OpenDocument* entryOf(const model::Document& doc);
    OpenDocument* activeEntry();
    void windowClosed(QMdiSubWindow* window);
    bool mayClose(OpenDocument& entry);
    bool save(OpenDocument& entry, bool saveAs);
    void documentChanged(model::Document& doc);
    // Every committed edit, undo and redo of a drawing passes here once (its onCommitted):
    // what the recovery copies count.
    void drawingEdited(model::Document& doc);
    DrawingView* recoverCopy(const FoundCopy& copy);
    void updateTitles(OpenDocument& entry);
    void updateMainTitle();
    void addRecent(const QString& path);
    void openRecent(int index);

    // Shell: what the window carries out itself.
    bool hasDrawing() const override { return activeView() != nullptr; }
    void newDrawing() override { newDocument(); }
    void openDrawing() override;
    void closeDrawing() override { closeActiveDocument(); }
    void save() override { saveActive(false); }
    void saveAs() override { saveActive(true); }
    void print() override;
    void printPreview() override;
    void printSetup() override;
    void exitProgram() override { QMainWindow::close(); }
    void importPcfFile() override;
    void exportPcf() override;
    void exportDxf() override;
    void materials() override;
    void view3D() override;
    void toggleBar(int command) override;
    bool barShown(int command) const override;
    void toggleStatusBar() override;
    bool statusBarShown() const override;
    void openAnotherWindow() override { newWindow(); }
    void cascade() override;
    void tile() override;
    void arrangeIcons() override;
    void nextPane() override;
    void previousPane() override;
    bool severalWindows() const override;
    void help() override;
    void about() override;
    void recordSession() override;
    bool mayRecord() const override { return recording_ == nullptr; }
    bool isRecording() const override { return recording_ != nullptr; }
    void recoverySettings() override;

    model::AppContext& app_;
    Interaction& interaction_;
    QMdiArea* mdi_ = nullptr;
    std::map<int, QAction*> actions_;
    std::map<int, QToolBar*> bars_;  // by visibility command
    std::vector<QMenu*> documentMenus_;
    std::vector<QMenu*> bareMenus_;
    std::vector<std::pair<QMenu*, const std::vector<MenuEntry>*>> dynamicMenus_;
    bool showingDocumentMenus_ = false;
    std::vector<std::unique_ptr<OpenDocument>> documents_;
    RecentFileList recent_{kRecentFileCount};
    QLabel* readyLabel_ = nullptr;
    LockKeyIndicators* locks_ = nullptr;
    std::unique_ptr<QPrinter> printer_;
    bool paperChosen_ = false;  // the user chose the paper in print setup
    bool firstPaintSeen_ = false;
    std::unique_ptr<SessionRecording> recording_;
    RealSpace* realSpace_ = nullptr;
    AutoRecovery* recovery_ = nullptr;  // a child of the window  // the 3D views and the PCF export (a child of the window)
    void runCommandNow(const Action& action);
};

}  // namespace tubra::app
