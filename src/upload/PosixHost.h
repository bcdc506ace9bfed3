#pragma once
// The host services on a POSIX system: a request body read from a file descriptor (a CGI
// program's standard input) and the real file system.

#include <cstdint>
#include <string>

#include "upload/Host.h"

namespace kavelup {

// A body of `length` bytes (CONTENT_LENGTH) read from `fd`.
class FdRequest : public Request {
public:
    FdRequest(int fd, std::int64_t length) : fd_(fd), length_(length < 0 ? 0 : length) {}
    std::int64_t totalBytes() override { return length_; }
    std::size_t binaryRead(char* buffer, std::size_t count) override;

private:
    int fd_;
    std::int64_t length_;
    std::int64_t consumed_ = 0;
};

class PosixFileSystem : public FileSystem {
public:
    // Used when the page names no absolute directory.
    static constexpr const char* kDefaultUploadDirectory = "/var/lib/kavelup/";

    // $TMPDIR when it is an absolute path, /tmp otherwise.
    static std::string systemTemporaryFolder();

    explicit PosixFileSystem(std::string temporaryFolder = systemTemporaryFolder(),
                             std::string defaultUploadDirectory = kDefaultUploadDirectory)
        : temporaryFolder_(std::move(temporaryFolder)),
          defaultUploadDirectory_(std::move(defaultUploadDirectory)) {}

    std::string temporaryFolder() override { return temporaryFolder_; }
    std::string defaultUploadDirectory() override { return defaultUploadDirectory_; }
    bool exists(const std::string& path) override;
    // Writes a hidden temporary file beside `to`, flushes it to disk and renames it over `to`
    // (or, without `overwrite`, renames it only if `to` is still absent).
    CopyResult copy(const std::string& from, const std::string& to, bool overwrite) override;
    void forceDelete(const std::string& path) override;
    FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                    std::string& created) override;
    FileStatus writeNewFile(const std::string& path, std::string_view content) override;
    void removeDirectory(const std::string& path) override;

private:
    std::string temporaryFolder_;
    std::string defaultUploadDirectory_;
};

}  // namespace kavelup
