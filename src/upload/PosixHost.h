#pragma once
// The host services on a POSIX system: a request body read from a file descriptor (a CGI
// program's standard input) and the real file system.

#include <chrono>
#include <cstdint>
#include <map>
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
    ~PosixFileSystem() override;
    PosixFileSystem(const PosixFileSystem&) = delete;
    PosixFileSystem& operator=(const PosixFileSystem&) = delete;

    // Registers the private directory and the partly written file with the signal cleanup
    // (SignalCleanup.h), for a program that runs one upload at a time.
    void trackForSignals(bool on) { trackForSignals_ = on; }

    std::string temporaryFolder() override { return temporaryFolder_; }
    std::string defaultUploadDirectory() override { return defaultUploadDirectory_; }
    bool exists(const std::string& path) override;
    // Writes a hidden temporary file beside `to` (".NAME.part-" and 16 hexadecimal digits,
    // locked while written), flushes it to disk and renames it over `to` (or, without
    // `overwrite`, renames it only if `to` is still absent).
    CopyResult copy(const std::string& from, const std::string& to, bool overwrite) override;
    void forceDelete(const std::string& path) override;
    // The directory stays locked until removeDirectory, so a sweep knows it is in use.
    FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                    std::string& created) override;
    FileStatus writeNewFile(const std::string& path, std::string_view content) override;
    void removeDirectory(const std::string& path) override;

private:
    std::string temporaryFolder_;
    std::string defaultUploadDirectory_;
    bool trackForSignals_ = false;
    std::map<std::string, int> lockedDirectories_;  // private directory -> descriptor
};

// What uploads that were killed outright left behind: private directories ("kavelup-...") in
// `temporaryFolder` and partly written files (".NAME.part-...") in `targetDirectory`, last
// changed more than `age` ago and locked by no running upload. Only this user's are touched.
// Returns how many were removed.
std::size_t sweepAbandonedUploads(const std::string& temporaryFolder,
                                  const std::string& targetDirectory,
                                  std::chrono::seconds age = std::chrono::hours(1));

}  // namespace kavelup
