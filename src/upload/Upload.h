#pragma once
// The Upload object: a page starts it with its request, session and file system, lets it read
// and parse the posted multipart/form-data body, reads the fields by name and saves uploaded
// files into a directory of its choice. Every uploaded file waits in a temporary file until the
// page saves it; the end of the page deletes the temporary files.
//
// Member names are those of the object's interface, which script callers use without regard to
// case: onStartPage, onEndPage, maxSize, path, upload, count, save, saveAll, fileName, size, form,
// fileType, fieldName, errors. Nothing throws on bad input; failures are recorded for errors().
// Texts come back as UTF-8, decoded from the component's code page (GBK unless set otherwise);
// rawPart gives the bytes as they came.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "upload/CodePage.h"
#include "upload/Host.h"
#include "upload/Multipart.h"

namespace kavelup {

// Content of a part as form() gives it.
struct FormValue {
    enum class Kind { None, Text, Bytes };
    Kind kind = Kind::None;
    std::string text;        // Text: the field's value as UTF-8
    std::string_view bytes;  // Bytes: the file's content; valid while the object lives
};

// One part as it came in the body, in the code page's bytes. Views into the object.
struct RawPart {
    std::string_view name;
    std::string_view fileName;
    std::string_view fileType;
    std::string_view content;
    bool isFile = false;
};

// Memory for a request body. Large bodies ask for huge pages, which makes filling them several
// times faster than faulting in 4 KiB pages one by one.
class BodyBuffer {
public:
    BodyBuffer() = default;
    ~BodyBuffer() { release(); }
    BodyBuffer(const BodyBuffer&) = delete;
    BodyBuffer& operator=(const BodyBuffer&) = delete;
    // False when there is not enough memory.
    bool allocate(std::size_t size);
    char* data() const { return data_; }

private:
    void release();
    char* data_ = nullptr;
    void* mapping_ = nullptr;
    std::size_t mappingSize_ = 0;
};

class Upload {
public:
    // A request body longer than this is refused without being read.
    static constexpr std::int64_t kDefaultRequestLimit = std::int64_t{256} << 20;
    // Messages kept one by one; beyond them only their number is kept. A body can make one
    // message per name marker in it, millions of them.
    static constexpr std::size_t kMaxMessages = 100;
    // Parts read from a body; a real form has a few dozen. The count still counts every marker.
    static constexpr std::size_t kMaxParts = 10000;
    // The maximum size a non-numeric value sets.
    static constexpr std::int64_t kFallbackMaxSize = 100000;
    static constexpr std::int64_t kOverwrite = 2;

    Upload();
    // Ends the page if it is still started, so no temporary file outlives the object.
    ~Upload();
    Upload(const Upload&) = delete;
    Upload& operator=(const Upload&) = delete;

    // Settings of this platform, before upload().
    void setCodePage(CodePage cp) { codePage_ = cp; }
    CodePage codePage() const { return codePage_; }
    void setRequestLimit(std::int64_t bytes) { requestLimit_ = bytes < 0 ? 0 : bytes; }
    std::int64_t requestLimit() const { return requestLimit_; }

    void onStartPage(const PageContext& context);
    // Deletes this page's temporary files and lets go of the context.
    void onEndPage();

    // Files are saved only when their size is below this. A text that is not a number sets
    // kFallbackMaxSize.
    void maxSize(std::int64_t bytes) { maxSize_ = bytes; }
    void maxSize(std::string_view value);
    // An absolute directory ("/...") is the target; anything else means the file system's
    // default upload directory. That one, and the temporary folder, must be absolute paths
    // too: otherwise nothing is read or saved and a configuration error is recorded.
    void path(std::string_view value);

    // Reads and parses the body. Once per page.
    void upload();
    std::int64_t count() const { return count_; }

    // Saves the file of the first part named `formName` as `newFileName` (its client file name
    // when empty) in the target directory. An existing file is replaced only when overWrite is 2.
    // A new name is taken as a client file name is: only its last component counts, and names
    // that are no file name ("", ".", "..", control characters) are refused.
    void save(std::string_view formName, std::int64_t overWrite, std::string_view newFileName = {});
    void saveAll(std::int64_t overWrite);

    // Look-ups take the first part whose name is exactly `formName`.
    std::string fileName(std::string_view formName) const;
    // -1 when no part has the name.
    std::int64_t size(std::string_view formName) const;
    FormValue form(std::string_view formName) const;
    std::string fileType(std::string_view formName) const;
    // Empty for an index without a part.
    std::string fieldName(std::int64_t index) const;
    // Every recorded message followed by "<br>"; past kMaxMessages, one line with the number of
    // messages left out.
    std::string errors() const;

    // The first kMaxMessages recorded messages one by one, and the number of those left out.
    const std::vector<std::string>& errorList() const { return errors_; }
    std::size_t omittedMessages() const { return omittedMessages_; }
    // Parts the parse read; count() can be larger when it stopped early or when a value holds
    // a name marker.
    std::int64_t partsRead() const { return static_cast<std::int64_t>(parts_.size()); }
    // Part `index` in raw bytes; all empty for an index without a part read.
    RawPart rawPart(std::int64_t index) const;
    // Raw bytes of the body read as text in the component's code page.
    std::string text(std::string_view raw) const { return toUtf8(codePage_, raw); }

private:
    struct Part : ParsedPart {
        std::string nameText;  // UTF-8
        std::string tempFile;  // empty when there is none
    };

    bool started() const { return context_.request && context_.fileSystem; }
    void record(std::string message) {
        if (errors_.size() < kMaxMessages)
            errors_.push_back(std::move(message));
        else
            ++omittedMessages_;
    }
    std::optional<std::size_t> find(std::string_view formName) const;
    const Part* partAt(std::size_t index) const;
    // The directory to save in, or none (and a message recorded) when it is not configured.
    std::optional<std::string> targetDirectory();
    // Reads the body; returns the number of name markers in it, counted on the way.
    std::optional<std::size_t> readBody(std::int64_t total);
    void writeTemporaryFiles();
    // Copies part k's temporary file to the target; false when a run-time failure was recorded.
    bool saveAs(std::size_t k, std::string_view formName, const std::string& name,
                std::int64_t overWrite, const std::string& dir);
    std::string_view body() const { return {body_.data(), bodySize_}; }

    PageContext context_;
    CodePage codePage_ = CodePage::Gbk;
    std::int64_t requestLimit_ = kDefaultRequestLimit;
    std::int64_t maxSize_ = 0;
    std::string targetPath_;
    bool defaultTarget_ = true;  // until a page sets an absolute path
    bool uploaded_ = false;

    BodyBuffer body_;
    std::size_t bodySize_ = 0;
    std::int64_t count_ = 0;
    std::vector<Part> parts_;
    std::string privateDirectory_;
    std::vector<std::string> errors_;
    std::size_t omittedMessages_ = 0;
};

// The messages of a configuration that names no usable directory.
inline constexpr std::string_view kBadTemporaryFolder =
    "服务器设置错误：临时文件夹必须是绝对路径，上传的内容没有读取";
inline constexpr std::string_view kBadDefaultDirectory =
    "服务器设置错误：默认的保存目录必须是绝对路径，文件没有保存";

// `name` as a file name in the target directory: its last component after "\", "/" or ":"
// (ASCII bytes, so UTF-8 text is safe to search), or empty when that is no file name.
std::string targetFileName(std::string_view name);

// `bytes` as one file-name component made of letters, digits, "_" and "-", every other byte
// written as "%XX", cut to at most `maxLength` characters.
std::string encodeComponent(std::string_view bytes, std::size_t maxLength);

// Whether `text` is a number as a script would read it (blanks around, a sign, decimals and an
// exponent allowed); `value` is then the number rounded to the nearest integer, ties to even.
bool numericValue(std::string_view text, std::int64_t& value);

}  // namespace kavelup
