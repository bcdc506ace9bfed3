#include "upload/Upload.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>

namespace kavelup {

namespace {

// Recorded messages.
constexpr std::string_view kTempWriteFailed = "保存至临时文件夹时出错,可能没有写的权限";
constexpr std::string_view kNotAFile = "内容不是一个文件，不能保存";
constexpr std::string_view kTargetExists = " 文件已经存在";
constexpr std::string_view kTooLarge = "内容的大小超出范围";
constexpr std::string_view kLineBreak = "<br>";
constexpr std::string_view kNoPage = "页面还没有开始（没有调用 OnStartPage），不能读取请求或保存文件";
constexpr std::string_view kReadTwice = "请求的内容已经读过，Upload 每页只能调用一次";

std::string requestTooLarge(std::int64_t total, std::int64_t limit) {
    return "请求的内容有 " + std::to_string(total) + " 字节，超过允许的 " +
           std::to_string(limit) + " 字节，没有读取";
}
std::string noMemory(std::int64_t total) {
    return "内存不足，不能读取 " + std::to_string(total) + " 字节的请求内容";
}
std::string incomplete(std::uint64_t received, std::int64_t total) {
    return "请求不完整：只收到 " + std::to_string(received) + " 字节，应有 " +
           std::to_string(total) + " 字节，没有保存任何文件";
}
std::string noSuchField(std::string_view formName) {
    return std::string(formName) + " 字段不存在，不能保存";
}
constexpr std::string_view kSpoolUnreadable = "读取临时文件时出错，上传的内容没有读取";

std::string copyFailed(std::string_view name, std::string_view why) {
    return "保存 " + std::string(name) + " 时出错：" + std::string(why);
}
std::string omitted(std::size_t n) { return "另有 " + std::to_string(n) + " 条消息没有列出"; }

// Control characters, C0, DEL and (as UTF-8) C1: a name holding one is no file name anyone
// meant, and would garble listings and logs.
bool hasControlCharacter(std::string_view name) {
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) return true;
        if (c == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(name[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

bool isAbsolute(std::string_view path) { return !path.empty() && path.front() == '/'; }

std::string concat(std::string_view a, std::string_view b) {
    std::string s(a);
    s.append(b);
    return s;
}

bool isAsciiSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool isFileName(std::string_view name) {
    return !name.empty() && name != kNonFile && name != "." && name != ".." &&
           name.find_first_of("/\\:") == std::string_view::npos && !hasControlCharacter(name);
}

std::string targetFileName(std::string_view name) {
    const std::size_t sep = name.find_last_of("\\/:");
    const std::string_view leaf = sep == std::string_view::npos ? name : name.substr(sep + 1);
    return isFileName(leaf) ? std::string(leaf) : std::string();
}

std::string encodeComponent(std::string_view bytes, std::size_t maxLength) {
    static const char* const hex = "0123456789ABCDEF";
    std::string out;
    for (char ch : bytes) {
        const auto c = static_cast<unsigned char>(ch);
        const bool plain = isDigit(ch) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                           ch == '_' || ch == '-';
        if (out.size() + (plain ? 1 : 3) > maxLength) break;
        if (plain) {
            out += ch;
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

bool numericValue(std::string_view text, std::int64_t& value) {
    while (!text.empty() && isAsciiSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && isAsciiSpace(text.back())) text.remove_suffix(1);
    // Sign, digits with at most one ".", at least one digit, then an optional exponent.
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && isDigit(text[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t expDigits = 0;
        while (i < text.size() && isDigit(text[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    if (i != text.size()) return false;
    const double d = std::nearbyint(std::strtod(std::string(text).c_str(), nullptr));
    constexpr double kMax = 9.2e18;
    value = d >= kMax    ? std::numeric_limits<std::int64_t>::max()
            : d <= -kMax ? std::numeric_limits<std::int64_t>::min()
                         : static_cast<std::int64_t>(d);
    return true;
}

Upload::Upload() = default;

Upload::~Upload() { onEndPage(); }

void Upload::onStartPage(const PageContext& context) { context_ = context; }

void Upload::onEndPage() {
    if (context_.fileSystem) {
        // The spool itself stays open: the bytes handed out stay valid while the object lives.
        if (!spoolPath_.empty()) context_.fileSystem->forceDelete(spoolPath_);
        if (!privateDirectory_.empty()) context_.fileSystem->removeDirectory(privateDirectory_);
    }
    spoolPath_.clear();
    privateDirectory_.clear();
    context_ = {};
}

void Upload::maxSize(std::string_view value) {
    std::int64_t n;
    maxSize(numericValue(value, n) ? n : kFallbackMaxSize);
}

void Upload::serverFault(ServerFault::Kind kind, std::string detail) {
    ServerFault f{kind, std::move(detail)};
    if (std::find(serverFaults_.begin(), serverFaults_.end(), f) == serverFaults_.end())
        serverFaults_.push_back(std::move(f));
}

bool Upload::serverKeptFiles() const {
    bool kept = false;
    for (const Part& p : parts_) {
        if (p.outcome == SaveOutcome::Saved) return false;
        kept = kept || (p.outcome == SaveOutcome::NotSaved && p.serverFault);
    }
    return kept;
}

void Upload::path(std::string_view value) {
    defaultTarget_ = value.empty() || value.front() != '/';
    targetPath_ = defaultTarget_ ? std::string() : std::string(value);
}

std::optional<std::string> Upload::targetDirectory() {
    std::string dir = targetPath_;
    if (defaultTarget_) {
        // An empty or relative default would mean the root or the server's working directory.
        dir = context_.fileSystem->defaultUploadDirectory();
        if (!isAbsolute(dir)) {
            fail(RequestState::ServerError, std::string(kBadDefaultDirectory));
            serverFault(ServerFault::Kind::Configuration, std::string(kBadDefaultDirectory));
            return std::nullopt;
        }
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool Upload::readBody(std::int64_t total, TextCounter& markers) {
    FileSystem& fs = *context_.fileSystem;
    std::string folder = fs.temporaryFolder();
    if (folder.back() != '/') folder += '/';
    const std::string session = context_.session ? context_.session->sessionId() : std::string();
    // Only this page's own directory holds its body, so no name in it can be planted.
    FileStatus status =
        fs.makePrivateDirectory(folder, "kavelup-" + encodeComponent(session, 64) + "-",
                                privateDirectory_);
    if (status.ok) spool_ = fs.createSpool(privateDirectory_ + "/body", status);
    if (!spool_) {
        fail(RequestState::ServerError, std::string(kTempWriteFailed));
        serverFault(ServerFault::Kind::TemporaryFolder, folder + "：" + status.error);
        return false;
    }
    spoolPath_ = spool_->path();

    // Pieces small enough to count the name markers in while they are still in the cache.
    const auto size = static_cast<std::uint64_t>(total);
    const std::size_t pieceSize = static_cast<std::size_t>(std::min<std::uint64_t>(
        kReadPiece, std::max<std::uint64_t>(size, 1)));
    const std::unique_ptr<char[]> piece(new (std::nothrow) char[pieceSize]);
    if (!piece) {
        fail(RequestState::ServerError, noMemory(total));
        return false;
    }
    std::uint64_t received = 0;
    while (received < size) {
        const std::size_t want =
            static_cast<std::size_t>(std::min<std::uint64_t>(pieceSize, size - received));
        const std::size_t n = std::min(context_.request->binaryRead(piece.get(), want), want);
        if (n == 0) break;
        if (const FileStatus written = spool_->append({piece.get(), n}); !written.ok) {
            fail(RequestState::ServerError, std::string(kTempWriteFailed));
            serverFault(ServerFault::Kind::TemporaryFolder, folder + "：" + written.error);
            return false;
        }
        markers.update({piece.get(), n});
        received += n;
    }
    if (received < size) {
        // A client gone midway, or one that announced more than it sent: what came may end in
        // the middle of any file, so none of it is taken.
        fail(RequestState::Incomplete, incomplete(received, total));
        return false;
    }
    return true;
}

void Upload::upload() {
    if (!started()) return fail(RequestState::ServerError, std::string(kNoPage));
    if (uploaded_) return record(std::string(kReadTwice));
    uploaded_ = true;
    // Temporary files in the root or the server's working directory would be anybody's.
    if (!isAbsolute(context_.fileSystem->temporaryFolder()))
        return fail(RequestState::ServerError, std::string(kBadTemporaryFolder));

    const std::int64_t total = std::max<std::int64_t>(0, context_.request->totalBytes());
    if (total > requestLimit_)
        return fail(RequestState::TooLarge, requestTooLarge(total, requestLimit_));
    TextCounter markers(codePage_, kNameMarker);
    if (!readBody(total, markers)) return;

    ParseResult parsed = parseMultipart(*spool_, codePage_, kMaxParts);
    if (spool_->failed()) return fail(RequestState::ServerError, std::string(kSpoolUnreadable));
    parts_.reserve(parsed.parts.size());
    for (ParsedPart& p : parsed.parts) {
        Part part;
        static_cast<ParsedPart&>(part) = std::move(p);
        part.nameText = toUtf8(codePage_, part.name);
        parts_.push_back(std::move(part));
    }
    // Every part read has a marker of its own, so the count is never below the parts.
    count_ = static_cast<std::int64_t>(std::max(markers.count(), parts_.size()));
    state_ = parsed.failures.empty() ? RequestState::Read : RequestState::Malformed;
    for (std::string& failure : parsed.failures) record(std::move(failure));
}

std::optional<std::size_t> Upload::find(std::string_view formName) const {
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (parts_[i].nameText == formName) return i;
    // Counted parts the parse never reached have empty names.
    if (formName.empty() && parts_.size() < static_cast<std::size_t>(count_)) return parts_.size();
    return std::nullopt;
}

const Upload::Part* Upload::partAt(std::size_t index) const {
    return index < parts_.size() ? &parts_[index] : nullptr;
}

void Upload::notSaved(Part* part, std::string message, bool serverFault) {
    if (part) {
        part->outcome = SaveOutcome::NotSaved;
        part->reason = message;
        part->serverFault = serverFault;
    }
    record(std::move(message));
}

void Upload::tooLarge(Part* part, std::string_view formName) {
    if (!maxSizeSet_) serverFault(ServerFault::Kind::NoSizeLimit, {});
    notSaved(part, concat(formName, kTooLarge), !maxSizeSet_);
}

void Upload::noteSaveFaults(const std::vector<SaveJob>& jobs, const std::string& dir) {
    for (const SaveJob& job : jobs) {
        if (job.result.outcome != CopyOutcome::Failed || !job.result.serverFault) continue;
        if (!context_.fileSystem->exists(dir.size() > 1 ? dir.substr(0, dir.size() - 1) : dir))
            serverFault(ServerFault::Kind::TargetDirectory, dir);
        else
            serverFault(ServerFault::Kind::Saving, dir + "：" + job.result.error);
    }
}

SaveJob Upload::jobFor(const Part& part, const std::string& target, std::int64_t overWrite) const {
    SaveJob job;
    job.source = spool_ ? spool_->path() : std::string();
    job.offset = part.offset;
    job.length = part.size;
    job.target = target;
    job.overwrite = overWrite == kOverwrite;
    return job;
}

std::optional<std::string> Upload::outcomeOf(Part& part, const SaveJob& job,
                                             std::string_view name) {
    switch (job.result.outcome) {
        case CopyOutcome::Copied:
            part.outcome = SaveOutcome::Saved;
            part.reason.clear();
            return std::nullopt;
        case CopyOutcome::TargetExists:
            return concat(name, kTargetExists);
        case CopyOutcome::Failed:
            break;
    }
    // The client learns which file failed, never where the server keeps it.
    return copyFailed(name, job.result.error);
}

void Upload::save(std::string_view formName, std::int64_t overWrite,
                  std::string_view newFileName) {
    if (!started()) return fail(RequestState::ServerError, std::string(kNoPage));
    const std::optional<std::string> dir = targetDirectory();
    if (!dir) return;
    const std::optional<std::size_t> k = find(formName);
    if (!k) return record(noSuchField(formName));
    Part* part = *k < parts_.size() ? &parts_[*k] : nullptr;
    const std::string name = !newFileName.empty() ? targetFileName(newFileName)
                             : part                ? text(part->fileName)
                                                   : "";
    if (!part || !part->isFile || !isFileName(name))
        return notSaved(part, concat(formName, kNotAFile));
    if (static_cast<std::int64_t>(part->size) >= maxSize_) return tooLarge(part, formName);
    const std::string target = *dir + name;
    if (overWrite != kOverwrite && context_.fileSystem->exists(target))
        return notSaved(part, concat(name, kTargetExists));
    std::vector<SaveJob> jobs{jobFor(*part, target, overWrite)};
    context_.fileSystem->saveFiles(jobs);
    noteSaveFaults(jobs, *dir);
    if (std::optional<std::string> message = outcomeOf(*part, jobs.front(), name))
        notSaved(part, std::move(*message), jobs.front().result.serverFault);
}

void Upload::saveAll(std::int64_t overWrite) {
    if (!started()) return fail(RequestState::ServerError, std::string(kNoPage));
    const std::optional<std::string> dir = targetDirectory();
    if (!dir) return;
    FileSystem& fs = *context_.fileSystem;
    // The messages come in the order of the parts, whenever their outcome is known.
    struct Message {
        std::string text;
        bool serverFault = false;
    };
    std::vector<std::optional<Message>> messages(parts_.size());
    std::vector<std::size_t> jobParts;
    std::vector<SaveJob> jobs;
    for (std::size_t i = 0; i < parts_.size(); ++i) {
        const Part& part = parts_[i];
        const std::string name = text(part.fileName);
        if (!part.isFile || !isFileName(name)) {
            messages[i] = {concat(part.nameText, kNotAFile)};
        } else if (static_cast<std::int64_t>(part.size) >= maxSize_) {
            if (!maxSizeSet_) serverFault(ServerFault::Kind::NoSizeLimit, {});
            messages[i] = {concat(part.nameText, kTooLarge), !maxSizeSet_};
        } else if (overWrite != kOverwrite && fs.exists(*dir + name)) {
            messages[i] = {concat(name, kTargetExists)};
        } else {
            jobParts.push_back(i);
            jobs.push_back(jobFor(part, *dir + name, overWrite));
        }
    }
    if (!jobs.empty()) {
        fs.saveFiles(jobs);
        noteSaveFaults(jobs, *dir);
    }
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const std::size_t i = jobParts[j];
        if (auto text = outcomeOf(parts_[i], jobs[j], this->text(parts_[i].fileName)))
            messages[i] = {std::move(*text), jobs[j].result.serverFault};
    }
    for (std::size_t i = 0; i < parts_.size(); ++i)
        if (messages[i]) notSaved(&parts_[i], std::move(messages[i]->text), messages[i]->serverFault);
    // Counted parts the parse never reached are no files either.
    for (auto i = static_cast<std::int64_t>(parts_.size()); i < count_; ++i)
        notSaved(nullptr, std::string(kNotAFile));
}

std::string Upload::fileName(std::string_view formName) const {
    const auto k = find(formName);
    const Part* part = k ? partAt(*k) : nullptr;
    return part ? text(part->fileName) : std::string();
}

std::int64_t Upload::size(std::string_view formName) const {
    const auto k = find(formName);
    if (!k) return -1;
    const Part* part = partAt(*k);
    return part ? static_cast<std::int64_t>(part->size) : 0;
}

FormValue Upload::form(std::string_view formName) const {
    const auto k = find(formName);
    const Part* part = k ? partAt(*k) : nullptr;
    FormValue v;
    if (!part) return v;
    if (part->isFile) {
        v.kind = FormValue::Kind::Bytes;
        v.bytes = content(*part);
    } else {
        // A value is read on its own, without mapping the body.
        std::string scratch;
        v.kind = FormValue::Kind::Text;
        v.text = text(spool_->bytes(part->offset, static_cast<std::size_t>(part->size), scratch));
    }
    return v;
}

std::string Upload::fileType(std::string_view formName) const {
    const auto k = find(formName);
    const Part* part = k ? partAt(*k) : nullptr;
    return part ? text(part->fileType) : std::string();
}

std::string Upload::fieldName(std::int64_t index) const {
    const Part* part = index >= 0 ? partAt(static_cast<std::size_t>(index)) : nullptr;
    return part ? part->nameText : std::string();
}

std::string Upload::errors() const {
    std::string all;
    for (const std::string& e : errors_) {
        all += e;
        all += kLineBreak;
    }
    if (omittedMessages_ > 0) {
        all += omitted(omittedMessages_);
        all += kLineBreak;
    }
    return all;
}

std::string_view Upload::content(const Part& part) const {
    const std::string_view all = spool_ ? spool_->view() : std::string_view();
    if (part.offset + part.size > all.size()) return {};
    return all.substr(static_cast<std::size_t>(part.offset), static_cast<std::size_t>(part.size));
}

RawPart Upload::rawPart(std::int64_t index) const {
    const Part* part = index >= 0 ? partAt(static_cast<std::size_t>(index)) : nullptr;
    if (!part) return {};
    return {part->name, part->fileName, part->fileType, content(*part), part->isFile};
}

PartReport Upload::report(std::int64_t index) const {
    const Part* part = index >= 0 ? partAt(static_cast<std::size_t>(index)) : nullptr;
    if (!part) return {};
    PartReport r;
    r.name = part->nameText;
    r.fileName = text(part->fileName);
    r.fileType = text(part->fileType);
    r.size = static_cast<std::int64_t>(part->size);
    r.isFile = part->isFile && isFileName(r.fileName);
    r.outcome = part->outcome;
    r.reason = part->reason;
    r.serverFault = part->serverFault;
    return r;
}

}  // namespace kavelup
