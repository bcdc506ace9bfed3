#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Prompter.h"
#include "platform/Result.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/History.h"
#include "tubra/model/ReportStore.h"

namespace tubra::model {

// What the whole drawing program shares: the drawing settings every open drawing is shown
// with, the flag that a document was just opened, the report store every document gets, and
// the numbering of untitled documents.
struct AppContext {
    DrawingSettings settings;
    // Set after a successful open; cleared by the next view paint that takes the file's values.
    bool justOpened = false;
    // Makes the report data store of a new document. Without one, report sections are kept
    // verbatim.
    std::function<std::unique_ptr<ReportStore>()> makeReportStore;
    // Number given to the next untitled document ("Tubra1", "Tubra2", ...).
    int nextUntitledNumber = 1;
};

// The selected objects of a document. Holds only objects listed in the document's drawing:
// every operation of the document that takes objects out of the drawing drops them here.
class SelectionSet {
public:
    void add(const PipeObject* o);
    void remove(const PipeObject* o);
    void clear() { items_.clear(); }
    bool contains(const PipeObject* o) const;
    std::size_t size() const { return items_.size(); }
    bool empty() const { return items_.empty(); }
    const std::vector<const PipeObject*>& items() const { return items_; }
    // Drops every object that `list` does not hold.
    void keepOnly(const ObjectList& list);

private:
    std::vector<const PipeObject*> items_;
};

// One open drawing file.
class Document {
public:
    explicit Document(AppContext& app);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    AppContext& app() { return app_; }
    const AppContext& app() const { return app_; }
    DrawingSettings& settings() { return app_.settings; }
    const DrawingSettings& settings() const { return app_.settings; }

    Drawing drawing;
    Drawing discardBox;  // objects removed by delete or undo; never saved
    SelectionSet selection;
    int newDrawingFlag = 0;  // 1 from "new" until the view has asked for the projection
    ReportStore& report() { return *report_; }
    const ReportStore& report() const { return *report_; }

    // A new, untitled drawing.
    void onNewDocument();

    // Opens a file into a new document. On failure (a file that cannot be read, holds more than
    // the program keeps, or needs more memory than there is) says why in one line for the user
    // and leaves the program's shared settings as they were.
    static platform::Result<std::unique_ptr<Document>> open(AppContext& app, const std::filesystem::path& path);

    // A drawing recovered from `data`, the copy of an unsaved one: it belongs to `original`
    // (untitled when empty) and is modified, so saving writes it there. Fails as open() does.
    static platform::Result<std::unique_ptr<Document>> openRecovered(AppContext& app, std::string_view data,
                                                                     const std::filesystem::path& original);

    // Saves to the document's file, or to `path` ("save as", which then becomes its file).
    // A failed save leaves the old file untouched and the document modified. A file without
    // write permission and anything that is not a regular file are refused, never replaced.
    // The message is one line for the user; the code of a file without write permission is
    // platform::FileError::readOnly (the caller may offer another name).
    platform::Result<> save();
    platform::Result<> saveAs(const std::filesystem::path& path);

    // The whole file as it would be saved.
    std::string serialize();
    // Whether the file at `path` already holds exactly what a save would write there now, so
    // that the save can be left out. The drawing comes out of the comparison as it went in.
    bool fileHoldsSave(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return path_; }

    // What opening found doubtful about the file, for the user (UTF-8), one message each:
    // texts that look like UTF-8 rather than GBK (with the command that converts the file), a
    // file with no drawing in it at all. Empty for a good drawing.
    std::vector<std::string> openWarnings() const;
    // The file looked like UTF-8: saving it over itself writes its misread texts back (cut
    // where a field is full), so the window asks first and the command line wants --force.
    bool looksUtf8() const { return looksUtf8_; }
    // Whether saving to `path` would write over the file that looked like UTF-8.
    bool savesOverUtf8File(const std::filesystem::path& path) const;
    // The window title: the file name, or "Tubra<n>" for an untitled document.
    std::string title() const;

    bool isModified() const { return modified_; }
    // For the window only: a drawing that comes from elsewhere than its file (an import, a
    // recovered copy) is modified from the start, and "save all" clears it. Edits commit.
    void setModifiedFlag(bool modified = true) { modified_ = modified; }
    // The view stored its zoom or report page in the drawing, which saves them: no step of
    // the history, but the file would change.
    void viewStored() { modified_ = true; }
    // A new drawing filled in from the new-drawing dialog: modified, and its history starts
    // here.
    void startModified() {
        modified_ = true;
        resetHistory();
    }

    // --- edits ---
    // How far an edit may have reached: the drawing's objects and values only, or also the
    // program's drawing settings and the report (dialogs, report pages).
    enum class Reach { Drawing, Everything };
    // Ends an edit: everything changed since the last commit becomes one step of the history
    // named `name` (UTF-8, for the menu), and the document is modified. An edit that leaves
    // the drawing beyond what a file may hold (more than kMaxObjects objects, a report list
    // longer than the reader takes) is taken back whole and refused: the prompter tells why
    // and the result is false. An edit that changed nothing records no step and is true.
    bool commit(std::string_view name, Reach reach, platform::Prompter& prompter);
    // Called after every commit that kept a step, and after undo and redo.
    std::function<void()> onCommitted;

    bool canUndo() const { return history_.undoStep() != nullptr; }
    bool canRedo() const { return history_.redoStep() != nullptr; }
    // The name of the step undo or redo would take (empty when there is none).
    std::string undoName() const;
    std::string redoName() const;
    // Takes the last step back, or does the next one again; the selection becomes the objects
    // it touched. Returns false when there was nothing to do.
    bool undo();
    bool redo();
    // The state as it is becomes the start of the history.
    void resetHistory();
    // Something that edits the document is there (a view): the history starts now unless it
    // has. An opened document keeps no image of itself until then, so a file only read (a
    // print, a render) costs no second copy.
    void keepHistory() {
        if (!imageTaken_) resetHistory();
    }
    // The places a paint worked out for the labels and dimensions of the objects already
    // committed are the drawing's own, not an edit: the history takes them over without a step.
    void keepLayout();
    const History& history() const { return history_; }

    // Called by "delete contents": the views clear their window text.
    std::function<void()> onContentsDeleted;
    void deleteContents();

    // "全部清除": asks for confirmation, then removes every object of the drawing. The table,
    // title block, settings, report and modified flag stay. Returns whether it cleared.
    bool clearAll(platform::Prompter& prompter);

    // Moves a listed object to the discard box (dropping it from the selection).
    bool discard(const PipeObject* object);
    // Removes every object of the drawing (dropping the selection).
    void removeAllObjects();

private:
    static platform::Result<std::unique_ptr<Document>> load(AppContext& app, std::string_view data);

    AppContext& app_;
    std::unique_ptr<ReportStore> report_;
    std::filesystem::path path_;
    std::string untitledName_;
    void step(bool forward);
    void forgetHistory();
    // Carries a step forward or back over the document and the images; returns the objects
    // it put in or changed.
    std::vector<const PipeObject*> apply(const HistoryStep& s, bool forward);
    // Reads the report back from `sections` (the report sections as written), as opening the
    // file would; `keep` makes it the document's report. Fails, with the reader's reason, when
    // the reader refuses it.
    platform::Result<> replaceReport(const std::string& sections, bool keep = true);
    std::string reportSections() const;

    bool modified_ = false;
    History history_;
    // The state at the last commit.
    ListImage objectsImage_;
    ListCursor layoutCursor_;  // how far keepLayout looked through the list's change log
    bool imageTaken_ = false;
    ListCursor imageCursor_;  // where the list's change log stood when the image was last right
    ListImage discardedImage_;
    DrawingValues valuesImage_;
    DrawingSettings settingsImage_;
    std::string reportImage_;
    bool looksUtf8_ = false;
    bool noContent_ = false;
};

// Said on opening a file whose texts look like UTF-8 (UTF-8).
inline constexpr const char* kLooksUtf8 = "文件似乎是 UTF-8 编码，不是 GBK";
// Said on opening a file that holds no drawing (UTF-8).
inline constexpr const char* kNoDrawingContent = "未找到图形内容";
// The question before saving over a file that looked like UTF-8 (UTF-8).
std::string utf8SaveQuestion(const std::filesystem::path& path);

// The reason given when an open, save or dump runs out of memory (UTF-8).
inline constexpr const char* kOutOfMemory = "内存不足";

// Said when an edit would leave more objects than a drawing may hold (UTF-8).
inline constexpr const char* kTooManyObjects = "连续根数过大：图中的对象不能超过 50000 个，请重新输入。";

// The confirmation text and caption of "clear all" (UTF-8).
inline constexpr const char* kClearAllQuestion = "是否要清除此图的全部内容？";
inline constexpr const char* kClearAllCaption = "警告";

}  // namespace tubra::model
