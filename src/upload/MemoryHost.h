#pragma once
// Host services kept in memory, for tests, fuzzing and benchmarks of the parse alone.

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "upload/Host.h"

namespace kavelup {

class MemoryRequest : public Request {
public:
    explicit MemoryRequest(std::string body)
        : body_(std::move(body)), total_(static_cast<std::int64_t>(body_.size())) {}
    // A client may announce another length than it sends.
    void announce(std::int64_t total) { total_ = total; }
    std::int64_t totalBytes() override { return total_; }
    std::size_t binaryRead(char* buffer, std::size_t count) override;
    std::size_t bytesRead() const { return read_; }

private:
    std::string body_;
    std::int64_t total_;
    std::size_t read_ = 0;
};

// Files and directories as a map of paths. Failures can be switched on to see how the object
// reports them.
class MemoryFileSystem : public FileSystem {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> directories;
    std::string temporaryFolderPath = "/tmp";
    std::string defaultUploadPath = "/var/lib/kavelup/";
    bool failTemporaryWrites = false;  // no private directory, no spool
    bool failSpoolAppends = false;     // the disk fills up while the body arrives
    bool failCopies = false;
    // Calls of saveFiles, and the jobs each had.
    std::vector<std::size_t> saveBatches;

    std::string temporaryFolder() override { return temporaryFolderPath; }
    std::string defaultUploadDirectory() override { return defaultUploadPath; }
    bool exists(const std::string& path) override;
    // A target that is a directory fails as a full disk would.
    void saveFiles(std::vector<SaveJob>& jobs) override;
    void forceDelete(const std::string& path) override { files.erase(path); }
    FileStatus makePrivateDirectory(const std::string& parent, const std::string& prefix,
                                    std::string& created) override;
    std::unique_ptr<BodySpool> createSpool(const std::string& path, FileStatus& status) override;
    void removeDirectory(const std::string& path) override;

    // Paths of the files below `dir` (which ends in "/").
    std::set<std::string> filesIn(const std::string& dir) const;

private:
    int directoryCounter_ = 0;
};

}  // namespace kavelup
