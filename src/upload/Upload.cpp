#include "upload/Upload.h"

#include <sys/mman.h>

#include <cmath>
#include <cstdlib>
#include <limits>
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
std::string noTemporaryFile(std::string_view formName) {
    return std::string(formName) + " 没有临时文件，不能保存";
}

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

// Client file names (UTF-8) that name no file in the target directory.
bool isFileName(std::string_view name) {
    return !name.empty() && name != kNonFile && name != "." && name != ".." &&
           !hasControlCharacter(name);
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
        for (Part& part : parts_) {
            if (part.tempFile.empty()) continue;
            context_.fileSystem->forceDelete(part.tempFile);
            part.tempFile.clear();
        }
        if (!privateDirectory_.empty()) context_.fileSystem->removeDirectory(privateDirectory_);
        privateDirectory_.clear();
    }
    context_ = {};
}

void Upload::maxSize(std::string_view value) {
    std::int64_t n;
    maxSize_ = numericValue(value, n) ? n : kFallbackMaxSize;
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
            record(std::string(kBadDefaultDirectory));
            return std::nullopt;
        }
    }
    if (dir.back() != '/') dir += '/';
    return dir;
}

bool BodyBuffer::allocate(std::size_t size) {
    release();
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    if (size >= 4 * kHugePage) {
        // One huge page more, to start on a huge-page boundary.
        mappingSize_ = size + kHugePage;
        mapping_ = ::mmap(nullptr, mappingSize_, PROT_READ | PROT_WRITE,
                          MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mapping_ == MAP_FAILED) {
            mapping_ = nullptr;
            return false;
        }
        const auto start = (reinterpret_cast<std::uintptr_t>(mapping_) + kHugePage - 1) &
                           ~(kHugePage - 1);
        data_ = reinterpret_cast<char*>(start);
        ::madvise(data_, size, MADV_HUGEPAGE);  // only advice: fine if refused
        return true;
    }
    data_ = new (std::nothrow) char[size ? size : 1];
    return data_ != nullptr;
}

void BodyBuffer::release() {
    if (mapping_)
        ::munmap(mapping_, mappingSize_);
    else
        delete[] data_;
    data_ = nullptr;
    mapping_ = nullptr;
}

std::optional<std::size_t> Upload::readBody(std::int64_t total) {
    const auto size = static_cast<std::size_t>(total);
    if (!body_.allocate(size)) {
        record(noMemory(total));
        return std::nullopt;
    }
    // Pieces small enough to count the markers in while they are still in the cache. A short
    // read leaves a shorter body, parsed as it is.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    TextCounter markers(codePage_, kNameMarker);
    bodySize_ = 0;
    while (bodySize_ < size) {
        const std::size_t want = std::min(kPiece, size - bodySize_);
        const std::size_t n = context_.request->binaryRead(body_.data() + bodySize_, want);
        if (n == 0) break;
        bodySize_ += std::min(n, want);
        markers.update(body());
    }
    return markers.count();
}

void Upload::upload() {
    if (!started()) return record(std::string(kNoPage));
    if (uploaded_) return record(std::string(kReadTwice));
    uploaded_ = true;
    // Temporary files in the root or the server's working directory would be anybody's.
    if (!isAbsolute(context_.fileSystem->temporaryFolder()))
        return record(std::string(kBadTemporaryFolder));

    const std::int64_t total = std::max<std::int64_t>(0, context_.request->totalBytes());
    if (total > requestLimit_) return record(requestTooLarge(total, requestLimit_));
    const std::optional<std::size_t> markers = readBody(total);
    if (!markers) return;

    ParseResult parsed = parseMultipart(body(), codePage_, *markers, kMaxParts);
    count_ = static_cast<std::int64_t>(parsed.count);
    parts_.reserve(parsed.parts.size());
    for (ParsedPart& p : parsed.parts) {
        Part part;
        static_cast<ParsedPart&>(part) = std::move(p);
        part.nameText = toUtf8(codePage_, part.name);
        parts_.push_back(std::move(part));
    }
    writeTemporaryFiles();
    if (!parsed.failure.empty()) record(std::move(parsed.failure));
}

void Upload::writeTemporaryFiles() {
    FileSystem& fs = *context_.fileSystem;
    std::string folder = fs.temporaryFolder();
    if (folder.empty() || folder.back() != '/') folder += '/';
    const std::string session = context_.session ? context_.session->sessionId() : std::string();

    for (std::size_t i = 0; i < parts_.size(); ++i) {
        Part& part = parts_[i];
        if (!part.isFile) continue;
        // Only this page's own directory holds its files, so no name in it can be planted, and
        // encoded field names cannot point anywhere else.
        if (privateDirectory_.empty() &&
            !fs.makePrivateDirectory(folder, "kavelup-" + encodeComponent(session, 64) + "-",
                                     privateDirectory_)
                 .ok) {
            record(std::string(kTempWriteFailed));
            continue;
        }
        const std::string path =
            privateDirectory_ + "/" + std::to_string(i) + "-" + encodeComponent(part.name, 120);
        if (fs.writeNewFile(path, body().substr(part.offset, part.size)).ok)
            part.tempFile = path;
        else
            record(std::string(kTempWriteFailed));
    }
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

bool Upload::saveAs(std::size_t k, std::string_view formName, const std::string& name,
                    std::int64_t overWrite, const std::string& dir) {
    const Part& part = parts_[k];
    if (part.tempFile.empty()) {
        record(noTemporaryFile(formName));
        return false;
    }
    FileSystem& fs = *context_.fileSystem;
    const std::string target = dir + name;
    const bool overwrite = overWrite == kOverwrite;
    if (!overwrite && fs.exists(target)) {
        record(concat(name, kTargetExists));
        return true;
    }
    const CopyResult r = fs.copy(part.tempFile, target, overwrite);
    if (r.outcome == CopyOutcome::TargetExists) record(concat(name, kTargetExists));
    if (r.outcome == CopyOutcome::Failed) {
        // The client learns which file failed, never where the server keeps it.
        record(copyFailed(name, r.error));
        return false;
    }
    return true;
}

void Upload::save(std::string_view formName, std::int64_t overWrite,
                  std::string_view newFileName) {
    if (!started()) return record(std::string(kNoPage));
    const std::optional<std::string> dir = targetDirectory();
    if (!dir) return;
    const std::optional<std::size_t> k = find(formName);
    const Part* part = k ? partAt(*k) : nullptr;
    const std::string name = !newFileName.empty() ? targetFileName(newFileName)
                             : part                ? text(part->fileName)
                                                   : "";
    if (!part || !part->isFile || !isFileName(name)) return record(concat(formName, kNotAFile));
    if (static_cast<std::int64_t>(part->size) < maxSize_)
        saveAs(*k, formName, name, overWrite, *dir);
    else
        record(concat(formName, kTooLarge));
}

void Upload::saveAll(std::int64_t overWrite) {
    if (!started()) return record(std::string(kNoPage));
    const std::optional<std::string> dir = targetDirectory();
    if (!dir) return;
    for (std::size_t i = 0; i < static_cast<std::size_t>(count_); ++i) {
        const Part* part = partAt(i);
        const std::string fieldText = part ? part->nameText : std::string();
        const std::string name = part ? text(part->fileName) : std::string();
        if (!part || !part->isFile || !isFileName(name)) {
            record(concat(fieldText, kNotAFile));
        } else if (static_cast<std::int64_t>(part->size) < maxSize_) {
            if (!saveAs(i, fieldText, name, overWrite, *dir)) return;
        } else {
            record(concat(fieldText, kTooLarge));
        }
    }
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
    const std::string_view content = body().substr(part->offset, part->size);
    if (part->isFile) {
        v.kind = FormValue::Kind::Bytes;
        v.bytes = content;
    } else {
        v.kind = FormValue::Kind::Text;
        v.text = text(content);
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

RawPart Upload::rawPart(std::int64_t index) const {
    const Part* part = index >= 0 ? partAt(static_cast<std::size_t>(index)) : nullptr;
    if (!part) return {};
    return {part->name, part->fileName, part->fileType, body().substr(part->offset, part->size),
            part->isFile};
}

}  // namespace kavelup
