#pragma once
// What the Upload object needs of the page that runs it: the request with its body, the session
// whose id keeps temporary files of different sessions apart, and a few file operations. A web
// server's CGI environment, an embedding program through the C interface, or a test provides them.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

    // Copies `from` to `to` so that `to` is either the complete copy or untouched. Without
    // `overwrite` an existing `to` is left alone and the outcome is TargetExists.
    virtual CopyResult copy(const std::string& from, const std::string& to, bool overwrite) = 0;

    // Deletes the file, whatever its permissions; a missing file is no error.
    virtual void forceDelete(const std::string& path) = 0;

    // Creates a new directory only its owner can enter, inside `parent` (which ends in "/"), with
    // a name that starts with `prefix` and is not predictable. `created` receives its path.
    virtual FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                            std::string& created) = 0;

    // Creates the file `path`, which must not exist yet (not even as a symbolic link), readable
    // and writable by its owner only, holding exactly `content`.
    virtual FileStatus writeNewFile(const std::string& path, std::string_view content) = 0;

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
