#pragma once
// The directory tree: the file system root, the user's home and every mounted volume, each
// scanned two levels deep at once and deeper as its nodes are opened.

#include <filesystem>
#include <functional>
#include <vector>

#include <QTreeWidget>

namespace manager::app {

class DirectoryTree : public QTreeWidget {
public:
    explicit DirectoryTree(QWidget* parent = nullptr);

    // The roots of this machine: "/", the home directory and the mounted volumes.
    static std::vector<std::filesystem::path> platformRoots();

    // Deletes the tree and builds it from `roots`; `progress` is told before each root
    // (index, count, its text). Opens the nodes down to `startDirectory`.
    void build(const std::vector<std::filesystem::path>& roots, const std::filesystem::path& startDirectory,
               const std::function<void(int, int, const QString&)>& progress = {});

    // The node of a directory, filling nodes on the way; null when no root holds it.
    QTreeWidgetItem* revealDirectory(const std::filesystem::path& dir);

    static std::filesystem::path pathOf(const QTreeWidgetItem* item);
    static bool isDrawing(const QTreeWidgetItem* item);
    // The directory a node stands for (a drawing's node: its directory).
    static std::filesystem::path directoryOf(const QTreeWidgetItem* item);

    // Fills a directory node that has no children yet (scanning from depth 0).
    void fill(QTreeWidgetItem* item);

private:
    void expanded(QTreeWidgetItem* item);
};

}  // namespace manager::app
