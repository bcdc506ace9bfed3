#pragma once
// The host services on a POSIX system: a request body read from a file descriptor (a CGI
// program's standard input) and the real file system.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

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

    // Registers the private directory and the directory of partly saved files with the signal
    // cleanup (SignalCleanup.h), for a program that runs one upload at a time.
    void trackForSignals(bool on) { trackForSignals_ = on; }

    // Batches of at most this many files are flushed to disk file by file; larger ones with one
    // flush of the whole file system, which costs about as much as flushing a single file.
    static constexpr std::size_t kSyncFileByFile = 4;
    // The directory of partly saved files in a target directory: ".kavelup:" and 16
    // hexadecimal digits. No client file name holds a ":", so none can meet it.
    static constexpr std::string_view kStagingPrefix = ".kavelup:";

    std::string temporaryFolder() override { return temporaryFolder_; }
    std::string defaultUploadDirectory() override { return defaultUploadDirectory_; }
    bool exists(const std::string& path) override;
    // Writes the files into a new staging directory beside their targets (locked while it is
    // used), flushes them to disk together, renames each over its target (or, without
    // `overwrite`, only if the target is still absent) and flushes the directory once.
    void saveFiles(std::vector<SaveJob>& jobs) override;
    void forceDelete(const std::string& path) override;
    // The directory stays locked until removeDirectory, so a sweep knows it is in use.
    FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                    std::string& created) override;
    // The body file, written with write(2), read with pread(2), mapped read-only on demand.
    std::unique_ptr<BodySpool> createSpool(const std::string& path, FileStatus& status) override;
    void removeDirectory(const std::string& path) override;

private:
    void saveInDirectory(const std::string& dir, std::vector<SaveJob*>& jobs);

    std::string temporaryFolder_;
    std::string defaultUploadDirectory_;
    bool trackForSignals_ = false;
    std::map<std::string, int> lockedDirectories_;  // private directory -> descriptor
};

// What uploads that were killed outright left behind: private directories ("kavelup-...") in
// `temporaryFolder` and staging directories of partly saved files (".kavelup:...") in
// `targetDirectory`, last changed more than `age` ago and locked by no running upload. Only
// this user's are touched, and no saved file ever is. Returns how many were removed.
std::size_t sweepAbandonedUploads(const std::string& temporaryFolder,
                                  const std::string& targetDirectory,
                                  std::chrono::seconds age = std::chrono::hours(1));

}  // namespace kavelup
