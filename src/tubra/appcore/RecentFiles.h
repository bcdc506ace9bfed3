#pragma once
// The list of recently used files shown in the file menu: newest first, each file once, at
// most `capacity` entries.

#include <cstddef>
#include <string>
#include <vector>

namespace tubra::app {

class RecentFileList {
public:
    explicit RecentFileList(std::size_t capacity) : capacity_(capacity) {}

    // Puts `path` first (moving it up when listed). Paths are compared after making them
    // absolute and lexically normal, so one file is listed once however it was named.
    void add(const std::string& path);
    // Drops `path` (a file that could not be opened).
    void remove(const std::string& path);
    // Replaces the list, e.g. with the stored one; empty and repeated entries are skipped.
    void assign(const std::vector<std::string>& paths);

    const std::vector<std::string>& items() const { return items_; }
    std::size_t capacity() const { return capacity_; }

    // The menu text of entry `index` (0-based): "&1 name" with the file name, or the whole
    // path when another listed file has the same name.
    std::string menuText(std::size_t index) const;

    static std::string normalised(const std::string& path);

private:
    std::size_t capacity_;
    std::vector<std::string> items_;
};

}  // namespace tubra::app
