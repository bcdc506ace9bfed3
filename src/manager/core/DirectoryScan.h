#pragma once
// The directory tree's rule: a directory scanned at depth d shows, while d < 2, one child per
// drawing file and one per sub-directory, each sub-directory scanned at depth d + 1. Deeper
// directories appear without children and are scanned when their parent is opened (again
// from depth 0). Sub-directories whose names start with "." are not shown.

#include <filesystem>
#include <string>
#include <vector>

namespace manager {

inline constexpr int kTreeScanDepth = 2;

struct DirectoryEntries {
    std::vector<std::string> directories;  // sorted by their bytes
    std::vector<std::string> drawings;     // sorted by their bytes
};

// What a directory holds for the tree; empty when it cannot be entered.
DirectoryEntries directoryEntries(const std::filesystem::path& dir);

// Fills `node` from `dir`. A Node offers `void addDrawing(const std::string& name)` and
// `Node addDirectory(const std::string& name)` (the new child).
template <typename Node>
void scanDirectory(Node& node, const std::filesystem::path& dir, int depth = 0) {
    if (depth >= kTreeScanDepth) return;
    const DirectoryEntries entries = directoryEntries(dir);
    for (const std::string& name : entries.drawings) node.addDrawing(name);
    for (const std::string& name : entries.directories) {
        auto child = node.addDirectory(name);
        scanDirectory(child, dir / name, depth + 1);
    }
}

}  // namespace manager
