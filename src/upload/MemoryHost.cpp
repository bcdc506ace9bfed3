#include "upload/MemoryHost.h"

#include <algorithm>
#include <cstring>

namespace kavelup {

namespace {

// The body in a string of its own, so its bytes outlive the file, and mirrored into the file
// for everything that looks at files.
class MemorySpool : public BodySpool {
public:
    MemorySpool(MemoryFileSystem& fs, std::string path) : fs_(fs), path_(std::move(path)) {}
    FileStatus append(std::string_view piece) override {
        if (fs_.failSpoolAppends) return FileStatus::failed("磁盘空间不足");
        content_.append(piece);
        if (const auto f = fs_.files.find(path_); f != fs_.files.end()) f->second.append(piece);
        return {};
    }
    std::uint64_t size() const override { return content_.size(); }
    std::string_view bytes(std::uint64_t offset, std::size_t length,
                           std::string& scratch) const override {
        return BodyInMemory(content_).bytes(offset, length, scratch);
    }
    std::string_view view() const override { return content_; }
    const std::string& path() const override { return path_; }

private:
    MemoryFileSystem& fs_;
    std::string path_;
    std::string content_;
};

}  // namespace

std::size_t MemoryRequest::binaryRead(char* buffer, std::size_t count) {
    const std::size_t n = std::min(count, body_.size() - read_);
    std::memcpy(buffer, body_.data() + read_, n);
    read_ += n;
    return n;
}

bool MemoryFileSystem::exists(const std::string& path) {
    return files.count(path) > 0 || directories.count(path) > 0;
}

void MemoryFileSystem::saveFiles(std::vector<SaveJob>& jobs) {
    saveBatches.push_back(jobs.size());
    for (SaveJob& job : jobs) {
        const auto source = files.find(job.source);
        if (source == files.end() || job.offset + job.length > source->second.size())
            job.result = {CopyOutcome::Failed, "读取临时文件失败", true};
        else if (!job.overwrite && exists(job.target))
            job.result = {CopyOutcome::TargetExists, {}};
        else if (failCopies || directories.count(job.target))
            job.result = {CopyOutcome::Failed, "磁盘已满", true};
        else
            files[job.target] = source->second.substr(job.offset, job.length);
    }
}

FileStatus MemoryFileSystem::makePrivateDirectory(const std::string& parent,
                                                  const std::string& prefix,
                                                  std::string& created) {
    if (failTemporaryWrites) return FileStatus::failed("创建目录 " + parent + " 时出错");
    created = parent + prefix + std::to_string(++directoryCounter_);
    directories.insert(created);
    return {};
}

std::unique_ptr<BodySpool> MemoryFileSystem::createSpool(const std::string& path,
                                                         FileStatus& status) {
    if (failTemporaryWrites || exists(path)) {
        status = FileStatus::failed("创建 " + path + " 时出错");
        return nullptr;
    }
    files.emplace(path, std::string());
    return std::make_unique<MemorySpool>(*this, path);
}

void MemoryFileSystem::removeDirectory(const std::string& path) {
    if (filesIn(path + "/").empty()) directories.erase(path);
}

std::set<std::string> MemoryFileSystem::filesIn(const std::string& dir) const {
    std::set<std::string> out;
    for (auto it = files.lower_bound(dir); it != files.end() && it->first.starts_with(dir); ++it)
        out.insert(it->first);
    return out;
}

}  // namespace kavelup
