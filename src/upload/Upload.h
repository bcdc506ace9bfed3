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
//
// The body is written to a temporary file of the page as it arrives and parsed from there a
// range at a time, so the memory an upload takes does not grow with its size. A file's bytes
// (form, rawPart) are a read-only mapping of that file.

#include <cstddef>
#include <cstdint>
#include <memory>
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

// What became of a part when the page saved files.
enum class SaveOutcome {
    NotAsked,  // no save named it
    Saved,
    NotSaved,  // the reason was recorded
};

// A part as the answer to the client lists it. Texts are UTF-8.
struct PartReport {
    std::string name;
    std::string fileName;
    std::string fileType;
    std::int64_t size = 0;
    bool isFile = false;  // a file part whose client file name is a file name that can be saved
    SaveOutcome outcome = SaveOutcome::NotAsked;
    std::string reason;  // for NotSaved: the message recorded for it
    // For NotSaved: the server kept it from being saved (configuration, directories, disk).
    bool serverFault = false;
};

// A fault of the server's side that kept the body from being read or files from being saved,
// for the server's log. `detail` names what the client is never told (UTF-8).
struct ServerFault {
    enum class Kind {
        TemporaryFolder,  // the body could not be kept: detail is the folder and the reason
        TargetDirectory,  // the directory to save in does not exist: detail is the directory
        NoSizeLimit,      // no maximum size was set, so every file is too large
        Saving,           // saving failed: detail is the directory and the reason
        Configuration,    // detail is the message recorded
    };
    Kind kind = Kind::Configuration;
    std::string detail;
    bool operator==(const ServerFault&) const = default;
};

// How the request went, for the status of the answer.
enum class RequestState {
    NotRead,     // upload() has not run
    Read,        // read and parsed; every part was well-formed
    TooLarge,    // longer than the request limit: not read
    Incomplete,  // the body ended before the announced length: nothing kept
    Malformed,   // no multipart body, or some parts malformed (the well-formed ones are kept)
    ServerError  // configuration, temporary files, memory: not the client's fault
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
    // The body is read from the request in pieces of this size.
    static constexpr std::size_t kReadPiece = std::size_t{1} << 20;
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
    // kFallbackMaxSize. Until a page sets it, every file is refused as too large, and that is
    // the server's fault.
    void maxSize(std::int64_t bytes) {
        maxSize_ = bytes;
        maxSizeSet_ = true;
    }
    void maxSize(std::string_view value);
    // An absolute directory ("/...") is the target; anything else means the file system's
    // default upload directory. That one, and the temporary folder, must be absolute paths
    // too: otherwise nothing is read or saved and a configuration error is recorded.
    void path(std::string_view value);

    // Reads and parses the body. Once per page. A body shorter than announced is not parsed
    // at all: nothing of it is kept or saved.
    void upload();
    std::int64_t count() const { return count_; }
    RequestState state() const { return state_; }

    // Saves the file of the first part named `formName` as `newFileName` (its client file name
    // when empty) in the target directory. An existing file is replaced only when overWrite is 2.
    // A new name is taken as a client file name is: only its last component counts, and names
    // that are no file name ("", ".", "..", control characters) are refused.
    void save(std::string_view formName, std::int64_t overWrite, std::string_view newFileName = {});
    // Saves every part's file under its client file name. Each part gets its own outcome: one
    // that cannot be saved records why, and the others are saved all the same. The files reach
    // the disk together, and the directory once.
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
    // Part `index` in raw bytes; all empty for an index without a part read. The content is
    // empty too when the body cannot be mapped (no address space left).
    RawPart rawPart(std::int64_t index) const;
    // Part `index` with what saving did to it; empty for an index without a part read. Reads
    // nothing of the body.
    PartReport report(std::int64_t index) const;
    // What of the server's side failed, each fault once, in the order they happened.
    const std::vector<ServerFault>& serverFaults() const { return serverFaults_; }
    // Whether the server kept every file of the request from being saved: no part was saved,
    // and at least one was not because of the server.
    bool serverKeptFiles() const;
    // Raw bytes of the body read as text in the component's code page.
    std::string text(std::string_view raw) const { return toUtf8(codePage_, raw); }

private:
    struct Part : ParsedPart {
        std::string nameText;  // UTF-8
        SaveOutcome outcome = SaveOutcome::NotAsked;
        std::string reason;
        bool serverFault = false;
    };

    bool started() const { return context_.request && context_.fileSystem; }
    void record(std::string message) {
        if (errors_.size() < kMaxMessages)
            errors_.push_back(std::move(message));
        else
            ++omittedMessages_;
    }
    // Records why `part` (null for an index the parse never reached) was not saved.
    void notSaved(Part* part, std::string message, bool serverFault = false);
    // The message for a part refused for its size; the refusal is the server's fault while no
    // maximum size is set.
    void tooLarge(Part* part, std::string_view formName);
    // Notes the faults behind the failed jobs of a save into `dir`.
    void noteSaveFaults(const std::vector<SaveJob>& jobs, const std::string& dir);
    void fail(RequestState state, std::string message) {
        state_ = state;
        record(std::move(message));
    }
    void serverFault(ServerFault::Kind kind, std::string detail);
    std::optional<std::size_t> find(std::string_view formName) const;
    const Part* partAt(std::size_t index) const;
    // The directory to save in, or none (and a message recorded) when it is not configured.
    std::optional<std::string> targetDirectory();
    // Spools the body; false when it could not be kept whole (the reason is recorded).
    bool readBody(std::int64_t total, TextCounter& markers);
    SaveJob jobFor(const Part& part, const std::string& target, std::int64_t overWrite) const;
    // The message for a job that did not save its file, or none.
    std::optional<std::string> outcomeOf(Part& part, const SaveJob& job, std::string_view name);
    std::string_view content(const Part& part) const;

    PageContext context_;
    CodePage codePage_ = CodePage::Gbk;
    std::int64_t requestLimit_ = kDefaultRequestLimit;
    std::int64_t maxSize_ = 0;
    bool maxSizeSet_ = false;
    std::string targetPath_;
    bool defaultTarget_ = true;  // until a page sets an absolute path
    bool uploaded_ = false;
    RequestState state_ = RequestState::NotRead;

    std::string privateDirectory_;
    std::unique_ptr<BodySpool> spool_;
    std::string spoolPath_;  // deleted when the page ends; spool_ stays for the views
    std::int64_t count_ = 0;
    std::vector<Part> parts_;
    std::vector<std::string> errors_;
    std::size_t omittedMessages_ = 0;
    std::vector<ServerFault> serverFaults_;
};

// The messages of a configuration that names no usable directory.
inline constexpr std::string_view kBadTemporaryFolder =
    "服务器设置错误：临时文件夹必须是绝对路径，上传的内容没有读取";
inline constexpr std::string_view kBadDefaultDirectory =
    "服务器设置错误：默认的保存目录必须是绝对路径，文件没有保存";

// `name` as a file name in the target directory: its last component after "\", "/" or ":"
// (ASCII bytes, so UTF-8 text is safe to search), or empty when that is no file name.
std::string targetFileName(std::string_view name);

// Whether a UTF-8 name can be a saved file's name: not empty, not "NonFile", "." or "..", no
// "/", "\" or ":" and no control character. Names of partly saved files hold a ":", so no file
// saved for a client ever looks like one.
bool isFileName(std::string_view name);

// `bytes` as one file-name component made of letters, digits, "_" and "-", every other byte
// written as "%XX", cut to at most `maxLength` characters.
std::string encodeComponent(std::string_view bytes, std::size_t maxLength);

// Whether `text` is a number as a script would read it (blanks around, a sign, decimals and an
// exponent allowed); `value` is then the number rounded to the nearest integer, ties to even.
bool numericValue(std::string_view text, std::int64_t& value);

}  // namespace kavelup
