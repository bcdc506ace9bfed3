#include "tubra/appcore/RecentFiles.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace tubra::app {

namespace fs = std::filesystem;

std::string RecentFileList::normalised(const std::string& path) {
    if (path.empty()) return path;
    std::error_code ec;
    fs::path p = fs::absolute(fs::path(path), ec);
    if (ec) p = fs::path(path);
    return p.lexically_normal().string();
}

void RecentFileList::add(const std::string& path) {
    const std::string p = normalised(path);
    if (p.empty() || capacity_ == 0) return;
    items_.erase(std::remove(items_.begin(), items_.end(), p), items_.end());
    items_.insert(items_.begin(), p);
    if (items_.size() > capacity_) items_.resize(capacity_);
}

void RecentFileList::remove(const std::string& path) {
    const std::string p = normalised(path);
    items_.erase(std::remove(items_.begin(), items_.end(), p), items_.end());
}

void RecentFileList::assign(const std::vector<std::string>& paths) {
    items_.clear();
    for (const std::string& path : paths) {
        const std::string p = normalised(path);
        if (p.empty() || std::find(items_.begin(), items_.end(), p) != items_.end()) continue;
        if (items_.size() == capacity_) break;
        items_.push_back(p);
    }
}

std::string RecentFileList::menuText(std::size_t index) const {
    if (index >= items_.size()) return {};
    const fs::path path(items_[index]);
    const std::string name = path.filename().string();
    const bool clash = std::any_of(items_.begin(), items_.end(), [&](const std::string& other) {
        return other != items_[index] && fs::path(other).filename().string() == name;
    });
    // '&' in a file name would become a mnemonic; double it.
    std::string shown = clash ? items_[index] : name;
    std::string escaped;
    for (char c : shown) {
        if (c == '&') escaped += '&';
        escaped += c;
    }
    return "&" + std::to_string(index + 1) + " " + escaped;
}

}  // namespace tubra::app
