#include "tubra/model/Document.h"

#include <algorithm>
#include <cstdint>
#include <new>

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
}

std::unique_ptr<Document> Document::open(AppContext& app, const std::filesystem::path& path,
                                         std::string* error) {
    const auto fail = [&](std::string why) -> std::unique_ptr<Document> {
        if (error) *error = "无法打开文件 " + path.string() + ": " + why;
        return nullptr;
    };
    std::string data;
    try {
        if (const auto ec = readDrawingFile(path, data).error()) {
            if (ec == platform::FileError::tooLarge)
                return fail("文件超过 " + std::to_string(kMaxDrawingFileBytes >> 20) + " MB");
            return fail(platform::describe(ec));
        }
    } catch (const std::bad_alloc&) {
        return fail(kOutOfMemory);
    }
    std::string why;
    auto doc = load(app, data, &why);
    if (!doc) return fail(why);
    doc->path_ = path;
    return doc;
}

std::unique_ptr<Document> Document::openRecovered(AppContext& app, std::string_view data,
                                                  const std::filesystem::path& original,
                                                  std::string* error) {
    auto doc = load(app, data, error);
    if (!doc) return nullptr;
    doc->path_ = original;
    if (original.empty()) doc->untitledName_ = "Tubra" + std::to_string(app.nextUntitledNumber++);
    // What was recovered is not in any file yet.
    doc->modified_ = true;
    return doc;
}

std::unique_ptr<Document> Document::load(AppContext& app, std::string_view data, std::string* error) {
    // A new document resets the shared settings and loading overwrites them; a failed open
    // changes nothing.
    const DrawingSettings settingsBefore = app.settings;
    try {
        auto doc = std::make_unique<Document>(app);
        doc->deleteContents();
        const ReadResult r = readDrawing(data, doc->drawing, app.settings);
        if (!r) {
            app.settings = settingsBefore;
            if (error) *error = r.reason + "，超出程序能处理的范围";
            return nullptr;
        }
        doc->drawing.Total() = static_cast<std::int32_t>(doc->drawing.objects.size());
        doc->looksUtf8_ = text::looksLikeUtf8(data);
        doc->noContent_ = r.headers == 0;
        doc->modified_ = false;
        app.justOpened = true;
        return doc;
    } catch (const std::bad_alloc&) {
        app.settings = settingsBefore;
        if (error) *error = kOutOfMemory;
        return nullptr;
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
    // Written as it is made, a megabyte at a time: a large drawing is never held twice.
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

}  // namespace tubra::model
