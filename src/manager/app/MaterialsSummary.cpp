#include "manager/app/MaterialsSummary.h"

#include <set>

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include "manager/app/Desktop.h"
#include "manager/app/MainWindow.h"
#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "tubra/exchange/MaterialsExport.h"

namespace manager::app {

namespace {

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

void summariseSelection(MainWindow& window) {
    const PipelineList& list = window.manager().list;
    // A drawing counts once, however many rows of the list it has.
    std::set<std::filesystem::path> unique;
    std::vector<std::filesystem::path> files;
    for (int r : window.selectedRows())
        if (r >= 0 && r < list.size() && unique.insert(list.pathOf(r)).second) files.push_back(list.pathOf(r));
    if (files.empty()) {
        QMessageBox::information(&window, QStringLiteral("信息:"), QStringLiteral("请先在列表中选择要汇总的管道。"));
        return;
    }
    QString name = QFileDialog::getSaveFileName(&window, QStringLiteral("材料汇总"),
                                                fromPath(list.directory / "材料汇总.xlsx"),
                                                QStringLiteral("Excel 工作簿(*.xlsx);;CSV 文件(*.csv)"));
    if (name.isEmpty()) return;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".xlsx");
    if (QFileInfo(name).suffix().compare(QStringLiteral("hcd"), Qt::CaseInsensitive) == 0) {
        QMessageBox::warning(&window, QStringLiteral("信息:"), QStringLiteral("输出文件是图形文件，导出操作取消！"));
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    std::vector<tubra::exchange::MaterialsFileError> errors;
    const tubra::exchange::MaterialList sum = tubra::exchange::sumMaterials(files, &errors);
    const std::string title = text::format("材料汇总（%d 个图形文件）", sum.drawings);
    const std::error_code ec =
        tubra::exchange::saveMaterials(tubra::exchange::materialsFileName(toPath(name)), sum, title).error();
    QApplication::restoreOverrideCursor();
    if (ec) {
        QMessageBox::warning(&window, QStringLiteral("运行错误"),
                             QStringLiteral("无法写出 ") + name + QStringLiteral("：") + qs(platform::describe(ec)));
        return;
    }
    if (!errors.empty()) {
        QString text = QStringLiteral("以下文件无法读取，未计入汇总：");
        for (const auto& e : errors) text += QStringLiteral("\n") + fromPath(e.path) + QStringLiteral("：") + qs(platform::describe(e.error));
        QMessageBox::warning(&window, QStringLiteral("信息:"), text);
    }
}

}  // namespace

void summariseMaterials(MainWindow& window) {
    summariseSelection(window);
}

}  // namespace manager::app
