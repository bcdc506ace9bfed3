#include "tubra/model/Document.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <unordered_map>
#include <utility>

#include "platform/AtomicFile.h"
#include "platform/RegularFile.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/LineReader.h"

namespace tubra::model {

void SelectionSet::add(const PipeObject* o) {
    if (o && !contains(o)) items_.push_back(o);
}

void SelectionSet::remove(const PipeObject* o) {
    items_.erase(std::remove(items_.begin(), items_.end(), o), items_.end());
}

bool SelectionSet::contains(const PipeObject* o) const {
    return std::find(items_.begin(), items_.end(), o) != items_.end();
}

void SelectionSet::keepOnly(const ObjectList& list) {
    items_.erase(std::remove_if(items_.begin(), items_.end(),
                                [&](const PipeObject* o) { return !list.contains(o); }),
                 items_.end());
}

Document::Document(AppContext& app) : app_(app) {
    report_ = app_.makeReportStore ? app_.makeReportStore() : nullptr;
    if (!report_) report_ = std::make_unique<VerbatimReportStore>();
    drawing.report = report_.get();
    report_->setNewDocumentDefaults();
    app_.settings.resetDocumentDefaults();
    newDrawingFlag = 0;
    resetHistory();
}

Document::~Document() {
    selection.clear();
    drawing.objects.removeAll();
    discardBox.objects.removeAll();
}

void Document::onNewDocument() {
    deleteContents();
    newDrawingFlag = 1;
    untitledName_ = "Tubra" + std::to_string(app_.nextUntitledNumber++);
    modified_ = false;
    resetHistory();
}

platform::Result<std::unique_ptr<Document>> Document::open(AppContext& app, const std::filesystem::path& path) {
    const auto fail = [&](std::error_code code, const std::string& why) {
        return platform::Error(code, "无法打开文件 " + path.string() + ": " + why);
    };
    const auto readFailure = [&](std::error_code ec) {
        if (ec == platform::FileError::tooLarge)
            return fail(ec, "文件超过 " + std::to_string(kMaxDrawingFileBytes >> 20) + " MB");
        return fail(ec, platform::describe(ec));
    };
    // A large file is mapped rather than copied; it is read only while the drawing is made.
    const DrawingSettings settingsBefore = app.settings;
    platform::Result<std::unique_ptr<Document>> loaded = platform::Error("");
    try {
        platform::FileBytes data;
        if (const auto ec = readDrawingFile(path, data).error()) return readFailure(ec);
        loaded = load(app, data.view());
        if (data.damaged()) {
            // Cut short by another program while read: what was read is not the file. Read
            // what it holds now, as a copy, as if the first read had not happened.
            data.clear();
            loaded = platform::Error("");
            app.settings = settingsBefore;
            std::string copy;
            if (const auto ec = readDrawingFile(path, copy).error()) return readFailure(ec);
            loaded = load(app, copy);
        }
    } catch (const std::bad_alloc&) {
        return fail(std::make_error_code(std::errc::not_enough_memory), kOutOfMemory);
    }
    if (loaded.failed()) return fail(loaded.error(), loaded.message());
    loaded.value()->path_ = path;
    return loaded;
}

platform::Result<std::unique_ptr<Document>> Document::openRecovered(AppContext& app, std::string_view data,
                                                                    const std::filesystem::path& original) {
    auto loaded = load(app, data);
    if (loaded.failed()) return loaded;
    Document* doc = loaded.value().get();
    doc->path_ = original;
    if (original.empty()) doc->untitledName_ = "Tubra" + std::to_string(app.nextUntitledNumber++);
    // What was recovered is not in any file yet.
    doc->modified_ = true;
    return loaded;
}

platform::Result<std::unique_ptr<Document>> Document::load(AppContext& app, std::string_view data) {
    // A new document resets the shared settings and loading overwrites them; a failed open
    // changes nothing.
    const DrawingSettings settingsBefore = app.settings;
    try {
        auto doc = std::make_unique<Document>(app);
        doc->deleteContents();
        const ReadResult r = readDrawing(data, doc->drawing, app.settings);
        if (!r) {
            app.settings = settingsBefore;
            return platform::Error(r.reason + "，超出程序能处理的范围");
        }
        doc->drawing.Total() = static_cast<std::int32_t>(doc->drawing.objects.size());
        doc->looksUtf8_ = text::looksLikeUtf8(data);
        doc->noContent_ = r.headers == 0;
        doc->modified_ = false;
        doc->forgetHistory();
        app.justOpened = true;
        return doc;
    } catch (const std::bad_alloc&) {
        app.settings = settingsBefore;
        return platform::Error(std::make_error_code(std::errc::not_enough_memory), kOutOfMemory);
    }
}

std::string Document::serialize() {
    drawing.report = report_.get();
    std::string out;
    writeDrawing(drawing, app_.settings, out);
    return out;
}

bool Document::fileHoldsSave(const std::filesystem::path& path) {
    platform::FileComparison file(path);
    // Writing sets the object count the next save carries: a look must not change it.
    const std::int32_t total = drawing.Total();
    drawing.report = report_.get();
    std::string piece;
    writeDrawing(drawing, app_.settings, piece, [&](std::string& full) {
        file.next(full);
        full.clear();
    });
    file.next(piece);
    drawing.Total() = total;
    return file.same();
}

platform::Result<> Document::save() {
    if (path_.empty()) return platform::Error("文档还没有文件名");
    return saveAs(path_);
}

platform::Result<> Document::saveAs(const std::filesystem::path& path) {
    // Written as it is made, a piece at a time: a large drawing is never held twice.
    drawing.report = report_.get();
    const auto ec = platform::writeFileAtomicallyInPieces(path, [&](const platform::PieceWriter& write) {
        std::string piece;
        writeDrawing(drawing, app_.settings, piece, [&](std::string& full) {
            write(full);
            full.clear();
        });
        return write(piece);
    }).error();
    if (ec == std::errc::not_enough_memory)
        return platform::Error(ec, "无法保存文件 " + path.string() + ": " + kOutOfMemory);
    if (ec) return platform::Error(ec, "无法保存文件 " + path.string() + ": " + platform::describe(ec));
    // Written as GBK now, whatever it looked like before.
    if (savesOverUtf8File(path)) looksUtf8_ = false;
    path_ = path;
    modified_ = false;
    history_.markSaved();
    return {};
}

namespace {

// A path as a POSIX shell takes it whole.
std::string shellQuoted(const std::string& s) {
    std::string out = "'";
    for (char c : s) {
        if (c == '\'') out += "'\\''";
        else out += c;
    }
    return out + "'";
}

}  // namespace

std::vector<std::string> Document::openWarnings() const {
    std::vector<std::string> out;
    if (looksUtf8_) {
        std::filesystem::path converted = path_;
        converted.replace_filename(path_.stem().string() + "-gbk" + path_.extension().string());
        std::string m = kLooksUtf8;
        m.append("：其中的中文会显示为乱码，保存会损坏它们。\n可以先把它转换为 GBK 再打开：\niconv -f UTF-8 -t GBK ");
        m.append(shellQuoted(path_.string()));
        m.append(" > ");
        m.append(shellQuoted(converted.string()));
        out.push_back(std::move(m));
    }
    if (noContent_) {
        std::string m = kNoDrawingContent;
        m.append("：");
        m.append(path_.filename().string());
        m.append(" 不是 Tubra 图形文件？");
        out.push_back(std::move(m));
    }
    return out;
}

bool Document::savesOverUtf8File(const std::filesystem::path& path) const {
    if (!looksUtf8_ || path_.empty()) return false;
    std::error_code ec;
    if (std::filesystem::equivalent(path, path_, ec) && !ec) return true;
    // A file that is gone by now is the same file when its name is.
    std::error_code a, b;
    return std::filesystem::absolute(path, a).lexically_normal() == std::filesystem::absolute(path_, b).lexically_normal();
}

std::string utf8SaveQuestion(const std::filesystem::path& path) {
    std::string m = kLooksUtf8;
    m.append("：");
    m.append(path.filename().string());
    m.append("\n\n按 GBK 保存会把读错的文字写回，太长的文字会被截断。\n仍然保存到这个文件吗？");
    return m;
}

std::string Document::title() const {
    return path_.empty() ? untitledName_ : path_.filename().string();
}

void Document::deleteContents() {
    if (onContentsDeleted) onContentsDeleted();
}

bool Document::clearAll(platform::Prompter& prompter) {
    platform::Message m;
    m.text = kClearAllQuestion;
    m.caption = kClearAllCaption;
    m.buttons = platform::Buttons::OkCancel;
    m.icon = platform::MessageIcon::Warning;
    m.defaultAnswer = platform::Answer::Cancel;
    if (prompter.ask(m) != platform::Answer::Ok) return false;
    removeAllObjects();
    return true;
}

bool Document::discard(const PipeObject* object) {
    auto owned = drawing.objects.take(object);
    if (!owned) return false;
    selection.remove(object);
    discardBox.objects.append(std::move(owned));
    return true;
}

void Document::removeAllObjects() {
    selection.clear();
    drawing.objects.removeAll();
}

// --- edits ---

std::string Document::reportSections() const {
    std::string out;
    report_->writeSections(out);
    return out;
}

platform::Result<> Document::replaceReport(const std::string& sections, bool keep) {
    std::unique_ptr<ReportStore> store = app_.makeReportStore ? app_.makeReportStore() : nullptr;
    if (!store) store = std::make_unique<VerbatimReportStore>();
    store->setNewDocumentDefaults();
    Drawing scratch;
    scratch.report = store.get();
    DrawingSettings scratchSettings = app_.settings;
    const ReadResult r = readDrawing(sections, scratch, scratchSettings);
    if (!r) return platform::Error(r.reason);
    if (keep) {
        report_ = std::move(store);
        drawing.report = report_.get();
    }
    return {};
}

void Document::forgetHistory() {
    history_.clear();
    objectsImage_ = {};
    discardedImage_ = {};
    reportImage_.clear();
    imageTaken_ = false;
}

void Document::resetHistory() {
    imageTaken_ = true;
    history_.clear();
    if (modified_) history_.markUnsaved();
    objectsImage_.take(drawing.objects);
    imageCursor_.catchUp(drawing.objects);
    discardedImage_.take(discardBox.objects);
    valuesImage_ = DrawingValues::of(drawing);
    settingsImage_ = app_.settings;
    reportImage_ = reportSections();
}

namespace {

// The fields a layout writes.
void takeLayout(PipeObject& to, const PipeObject& from) {
    to.dimYX1_st = from.dimYX1_st;
    to.dimYX1_ed = from.dimYX1_ed;
    to.dimYX2_st = from.dimYX2_st;
    to.dimYX2_ed = from.dimYX2_ed;
    to.dimL_st = from.dimL_st;
    to.dimL_ed = from.dimL_ed;
    to.dimTxt_st = from.dimTxt_st;
    to.dimAngle = from.dimAngle;
}

}  // namespace

void Document::keepLayout() {
    if (!imageTaken_) return;
    const ObjectList& list = drawing.objects;
    ListImage& image = objectsImage_;
    if (list.size() == image.ids.size() && layoutCursor_.follows(list)) {
        const auto& log = list.changes();
        for (std::size_t k = layoutCursor_.seen; k < log.size(); ++k) {
            const std::size_t i = log[k];
            if (i < list.size() && image.ids[i] == &list.at(i)) takeLayout(image.objects[i], list.at(i));
        }
    } else if (list.size() == image.ids.size()) {
        for (std::size_t i = 0; i < list.size(); ++i)
            if (image.ids[i] == &list.at(i)) takeLayout(image.objects[i], list.at(i));
    } else {
        std::unordered_map<const PipeObject*, std::size_t> at;
        at.reserve(image.ids.size());
        for (std::size_t i = 0; i < image.ids.size(); ++i) at.emplace(image.ids[i], i);
        for (std::size_t i = 0; i < list.size(); ++i)
            if (const auto it = at.find(&list.at(i)); it != at.end()) takeLayout(image.objects[it->second], list.at(i));
    }
    layoutCursor_.catchUp(list);
}

bool Document::commit(std::string_view name, Reach reach, platform::Prompter& prompter) {
    if (!imageTaken_) {
        // Edited with no view to keep a history: the edit stands without a step.
        resetHistory();
        modified_ = true;
        if (onCommitted) onCommitted();
        return true;
    }
    HistoryStep s;
    s.name = std::string(name);
    // An edit that said what it changed (through the list's own ways) is compared where it
    // changed; any other against every object.
    const ObjectList& list = drawing.objects;
    s.objects = imageCursor_.follows(list) && list.size() >= objectsImage_.ids.size()
                    ? compareLogged(objectsImage_, list, imageCursor_)
                    : compareList(objectsImage_, list);
    s.discarded = compareList(discardedImage_, discardBox.objects);
    const DrawingValues values = DrawingValues::of(drawing);
    if (!(values == valuesImage_)) s.values.emplace(valuesImage_, values);
    std::string refusal;
    if (reach == Reach::Everything) {
        // The selection colour is the program's, not the file's.
        settingsImage_.SelectionColor = app_.settings.SelectionColor;
        if (!(app_.settings == settingsImage_)) s.settings.emplace(settingsImage_, app_.settings);
        std::string report = reportSections();
        if (report != reportImage_) {
            // What the reader would refuse, the writer must not keep.
            if (const platform::Result<> read = replaceReport(report, false); read.failed())
                refusal = read.message() + "。";
            s.report.emplace(reportImage_, std::move(report));
        }
    }
    if (s.empty()) {
        imageCursor_.catchUp(list);
        return true;
    }
    if (drawing.objects.size() > kMaxObjects) refusal = kTooManyObjects;

    // The images follow the edit; a refused one is then taken back like an undo.
    advanceImage(s.objects, std::as_const(drawing.objects), objectsImage_);
    advanceImage(s.discarded, std::as_const(discardBox.objects), discardedImage_);
    imageCursor_.catchUp(drawing.objects);
    if (s.values) valuesImage_ = s.values->second;
    if (s.settings) settingsImage_ = s.settings->second;
    if (s.report) reportImage_ = s.report->second;
    if (!refusal.empty()) {
        apply(s, false);
        imageCursor_.catchUp(drawing.objects);
        selection.keepOnly(drawing.objects);
        platform::Message m;
        m.text = refusal;
        m.caption = "应用错误";
        m.buttons = platform::Buttons::Ok;
        m.icon = platform::MessageIcon::Warning;
        prompter.ask(m);
        return false;
    }
    // The discard box is not saved: emptying it alone leaves the file as it was.
    const bool fileChanged = !s.objects.empty() || s.values || s.settings || s.report;
    const bool wasSaved = history_.atSaved();
    history_.push(std::move(s));
    if (fileChanged)
        modified_ = true;
    else if (wasSaved)
        history_.markSaved();
    if (onCommitted) onCommitted();
    return true;
}

std::string Document::undoName() const {
    const HistoryStep* s = history_.undoStep();
    return s ? s->name : std::string();
}

std::string Document::redoName() const {
    const HistoryStep* s = history_.redoStep();
    return s ? s->name : std::string();
}

void Document::step(bool forward) {
    const HistoryStep& s = forward ? *history_.redoStep() : *history_.undoStep();
    const std::vector<const PipeObject*> touched = apply(s, forward);
    selection.clear();
    for (const PipeObject* o : touched) selection.add(o);
    if (forward)
        history_.stepForward();
    else
        history_.stepBack();
    imageCursor_.catchUp(drawing.objects);
    modified_ = !history_.atSaved();
    if (onCommitted) onCommitted();
}

std::vector<const PipeObject*> Document::apply(const HistoryStep& s, bool forward) {
    std::vector<const PipeObject*> touched = applyChange(s.objects, forward, drawing.objects, objectsImage_);
    applyChange(s.discarded, forward, discardBox.objects, discardedImage_);
    if (s.values) {
        valuesImage_ = forward ? s.values->second : s.values->first;
        valuesImage_.applyTo(drawing);
    }
    if (s.settings) {
        settingsImage_ = forward ? s.settings->second : s.settings->first;
        app_.settings = settingsImage_;
    }
    if (s.report) {
        reportImage_ = forward ? s.report->second : s.report->first;
        // The image was taken from a report the reader took.
        (void)replaceReport(reportImage_);
    }
    // Objects taken out are no longer selectable.
    selection.keepOnly(drawing.objects);
    return touched;
}

bool Document::undo() {
    if (!canUndo()) return false;
    step(false);
    return true;
}

bool Document::redo() {
    if (!canRedo()) return false;
    step(true);
    return true;
}

}  // namespace tubra::model
