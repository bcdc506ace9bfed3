#include "manager/app/DirectoryTree.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include "manager/app/Desktop.h"
#include "manager/core/DirectoryScan.h"

namespace manager::app {

namespace fs = std::filesystem;

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kDrawingRole = Qt::UserRole + 1;

QTreeWidgetItem* makeItem(const QString& text, const fs::path& path, bool drawing) {
    auto* item = new QTreeWidgetItem(QStringList{text});
    item->setData(0, kPathRole, fromPath(path));
    item->setData(0, kDrawingRole, drawing);
    if (!drawing) item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    return item;
}

// A tree node as the scanning rule sees it.
struct Node {
    QTreeWidgetItem* item;
    void addDrawing(const std::string& name) {
        item->addChild(makeItem(QFile::decodeName(QByteArray::fromStdString(name)), pathOf() / name, true));
    }
    Node addDirectory(const std::string& name) {
        auto* child = makeItem(QFile::decodeName(QByteArray::fromStdString(name)), pathOf() / name, false);
        item->addChild(child);
        return {child};
    }
    fs::path pathOf() const { return DirectoryTree::pathOf(item); }
};

void settle(QTreeWidgetItem* item) {
    item->setChildIndicatorPolicy(item->childCount() ? QTreeWidgetItem::ShowIndicator
                                                     : QTreeWidgetItem::DontShowIndicatorWhenChildless);
}

}  // namespace

DirectoryTree::DirectoryTree(QWidget* parent) : QTreeWidget(parent) {
    setHeaderHidden(true);
    setColumnCount(1);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(128, 128, 0));
    pal.setColor(QPalette::Text, QColor(230, 230, 230));
    setPalette(pal);
    connect(this, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) { expanded(item); });
}

std::vector<fs::path> DirectoryTree::platformRoots() {
    std::vector<fs::path> roots = {"/"};
    const fs::path home = toPath(QDir::homePath());
    if (!home.empty() && home != "/") roots.push_back(home);
    std::vector<fs::path> volumes;
    for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
        if (!v.isValid() || !v.isReady()) continue;
        // Containers mount single files too; only directories hold drawings.
        if (!QFileInfo(v.rootPath()).isDir()) continue;
        const fs::path p = toPath(v.rootPath());
        if (std::find(roots.begin(), roots.end(), p) == roots.end() &&
            std::find(volumes.begin(), volumes.end(), p) == volumes.end())
            volumes.push_back(p);
    }
    std::sort(volumes.begin(), volumes.end());
    roots.insert(roots.end(), volumes.begin(), volumes.end());
    return roots;
}

fs::path DirectoryTree::pathOf(const QTreeWidgetItem* item) {
    return item ? toPath(item->data(0, kPathRole).toString()) : fs::path();
}

bool DirectoryTree::isDrawing(const QTreeWidgetItem* item) { return item && item->data(0, kDrawingRole).toBool(); }

fs::path DirectoryTree::directoryOf(const QTreeWidgetItem* item) {
    const fs::path p = pathOf(item);
    return isDrawing(item) ? p.parent_path() : p;
}

void DirectoryTree::fill(QTreeWidgetItem* item) {
    if (!item || isDrawing(item) || item->childCount() > 0) return;
    Node node{item};
    scanDirectory(node, pathOf(item), 0);
    settle(item);
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->childCount() > 0) settle(item->child(i));
}

void DirectoryTree::expanded(QTreeWidgetItem* item) {
    // Children that were shown without their contents are filled now, so that each of them
    // shows whether it can be opened.
    for (int i = 0; i < item->childCount(); ++i) fill(item->child(i));
    settle(item);
}

void DirectoryTree::build(const std::vector<fs::path>& roots, const fs::path& startDirectory,
                          const std::function<void(int, int, const QString&)>& progress) {
    clear();
    const int count = static_cast<int>(roots.size());
    for (int k = 0; k < count; ++k) {
        const fs::path& root = roots[static_cast<std::size_t>(k)];
        const QString text = fromPath(root);
        if (progress) progress(k, count, text);
        auto* item = makeItem(text, root, false);
        addTopLevelItem(item);
        fill(item);
    }
    if (QTreeWidgetItem* start = revealDirectory(startDirectory)) setCurrentItem(start);
}

QTreeWidgetItem* DirectoryTree::revealDirectory(const fs::path& dir) {
    if (dir.empty()) return nullptr;
    const fs::path target = dir.lexically_normal();
    // The root that holds the directory most closely.
    QTreeWidgetItem* best = nullptr;
    std::size_t bestDepth = 0;
    for (int i = 0; i < topLevelItemCount(); ++i) {
        QTreeWidgetItem* root = topLevelItem(i);
        const fs::path rootPath = pathOf(root);
        const fs::path rel = target.lexically_relative(rootPath);
        if (rel.empty() || *rel.begin() == "..") continue;
        const auto depth = static_cast<std::size_t>(std::distance(rootPath.begin(), rootPath.end()));
        if (!best || depth > bestDepth) {
            best = root;
            bestDepth = depth;
        }
    }
    if (!best) return nullptr;
    QTreeWidgetItem* item = best;
    for (const fs::path& part : target.lexically_relative(pathOf(best))) {
        if (part == "." || part.empty()) continue;
        fill(item);
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount() && !next; ++i)
            if (!isDrawing(item->child(i)) && pathOf(item->child(i)).filename() == part) next = item->child(i);
        if (!next) return item;
        item->setExpanded(true);
        item = next;
    }
    return item;
}

}  // namespace manager::app
