#include "manager/core/DirectoryScan.h"

#include <algorithm>

#include "manager/core/ListFields.h"

namespace manager {

namespace fs = std::filesystem;

DirectoryEntries directoryEntries(const fs::path& dir) {
    DirectoryEntries entries;
    std::error_code ec;
    fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
    if (ec) return entries;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        std::string name = it->path().filename().string();
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            if (!name.empty() && name[0] != '.') entries.directories.push_back(std::move(name));
        } else if (isDrawingFileName(name)) {
            entries.drawings.push_back(std::move(name));
        }
    }
    std::sort(entries.directories.begin(), entries.directories.end());
    std::sort(entries.drawings.begin(), entries.drawings.end());
    return entries;
}

}  // namespace manager
