#pragma once
// What the Upload object needs of the page that runs it: the request with its body, the session
// whose id keeps temporary files of different sessions apart, and a few file operations. A web
// server's CGI environment, an embedding program through the C interface, or a test provides them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "upload/BodyReader.h"

namespace kavelup {

class Request {
public:
    virtual ~Request() = default;
    // Length of the body in bytes, as the client announced it.
    virtual std::int64_t totalBytes() = 0;
    // Reads up to `count` bytes of the body into `buffer`; returns how many, 0 at its end.
    virtual std::size_t binaryRead(char* buffer, std::size_t count) = 0;
};

class Session {
public:
    virtual ~Session() = default;
    virtual std::string sessionId() = 0;
};

// Result of a file operation: `error` says what went wrong, for the error list.
struct FileStatus {
    bool ok = true;
    std::string error;
    static FileStatus failed(std::string why) { return {false, std::move(why)}; }
};

enum class CopyOutcome { Copied, TargetExists, Failed };
struct CopyResult {
    CopyOutcome outcome = CopyOutcome::Copied;
    std::string error;  // for Failed: why, without paths (the caller names the file)
    // For Failed: the server's side failed (a directory missing or not writable, a full disk),
    // not the name the client chose.
    bool serverFault = false;
};

// The request body as it is kept while the page runs: written piece by piece as it arrives,
// then read back. Reads copy small ranges, so the parse holds little memory whatever the size
// of the body; view() gives the whole body at once for callers that want a file's bytes.
class BodySpool : public BodyReader {
public:
    // Appends the next piece of the body.
    virtual FileStatus append(std::string_view piece) = 0;
    // The whole body, read-only, valid while the spool lives; empty when it cannot be had (no
    // address space left).
    virtual std::string_view view() const = 0;
    // Where the body is kept, as the source of copies.
    virtual const std::string& path() const = 0;
};

// One file to save: `length` bytes at `offset` of the file `source`, to `target`.
struct SaveJob {
    std::string source;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::string target;
    bool overwrite = false;
    CopyResult result;  // set by FileSystem::saveFiles
};

class FileSystem {
public:
    virtual ~FileSystem() = default;

    // The folder for temporary files, and the directory files are saved to when the page names
    // no usable one.
    virtual std::string temporaryFolder() = 0;
    virtual std::string defaultUploadDirectory() = 0;

    // Whether anything exists under `path` (a dangling symbolic link too).
    virtual bool exists(const std::string& path) = 0;

    // Saves every job, in order, so that each target is either the complete copy or untouched.
    // Without `overwrite` an existing target is left alone and the outcome is TargetExists (an
    // earlier job of the same call may have made it). Every file's data is on disk before any
    // of them takes its name, and the names are on disk when the call returns.
    virtual void saveFiles(std::vector<SaveJob>& jobs) = 0;

    // Deletes the file, whatever its permissions; a missing file is no error.
    virtual void forceDelete(const std::string& path) = 0;

    // Creates a new directory only its owner can enter, inside `parent` (which ends in "/"), with
    // a name that starts with `prefix` and is not predictable. `created` receives its path.
    virtual FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                            std::string& created) = 0;

    // Creates the file `path` for the request body; it must not exist yet (not even as a
    // symbolic link), and only its owner may read and write it. Null, with `status` saying
    // why, when it cannot be created.
    virtual std::unique_ptr<BodySpool> createSpool(const std::string& path,
                                                   FileStatus& status) = 0;

    // Removes the directory if it is empty.
    virtual void removeDirectory(const std::string& path) = 0;
};

// What the page hands the object when it starts (the scripting context). The objects belong to
// the caller and must stay alive until the page ends or the Upload object is destroyed.
struct PageContext {
    Request* request = nullptr;
    Session* session = nullptr;
    FileSystem* fileSystem = nullptr;
};

}  // namespace kavelup

namespace kavelup {

// A session whose id is known up front (from a cookie, or given by the embedding program).
class FixedSession : public Session {
public:
    explicit FixedSession(std::string id) : id_(std::move(id)) {}
    std::string sessionId() override { return id_; }

private:
    std::string id_;
};

}  // namespace kavelup
