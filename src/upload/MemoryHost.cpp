#include "upload/MemoryHost.h"

#include <algorithm>
#include <cstring>

namespace kavelup {

std::size_t MemoryRequest::binaryRead(char* buffer, std::size_t count) {
    const std::size_t n = std::min(count, body_.size() - read_);
    std::memcpy(buffer, body_.data() + read_, n);
    read_ += n;
    return n;
}

bool MemoryFileSystem::exists(const std::string& path) {
    return files.count(path) > 0 || directories.count(path) > 0;
}

CopyResult MemoryFileSystem::copy(const std::string& from, const std::string& to,
                                  bool overwrite) {
    const auto source = files.find(from);
    if (source == files.end()) return {CopyOutcome::Failed, "读取临时文件失败"};
    if (!overwrite && exists(to)) return {CopyOutcome::TargetExists, {}};
    if (failCopies || directories.count(to)) return {CopyOutcome::Failed, "磁盘已满"};
    files[to] = source->second;
    return {};
}

FileStatus MemoryFileSystem::makePrivateDirectory(const std::string& parent,
                                                  const std::string& prefix,
                                                  std::string& created) {
    if (failTemporaryWrites) return FileStatus::failed("创建目录 " + parent + " 时出错");
    created = parent + prefix + std::to_string(++directoryCounter_);
    directories.insert(created);
    return {};
}

FileStatus MemoryFileSystem::writeNewFile(const std::string& path, std::string_view content) {
    if (failTemporaryWrites || exists(path)) return FileStatus::failed("创建 " + path + " 时出错");
    files.emplace(path, std::string(content));
    return {};
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
