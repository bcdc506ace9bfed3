#include "tubra/app/ExchangeCommands.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/MainWindow.h"
#include "tubra/exchange/DxfExport.h"
#include "tubra/exchange/MaterialsExport.h"

namespace tubra::app {

namespace {

QString qs(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<int>(utf8.size())); }

std::filesystem::path pathOf(const QString& s) {
    const QByteArray b = s.toUtf8();
    return std::filesystem::path(std::u8string(b.begin(), b.end()));
}

// Where a file made from the drawing is proposed: beside it, under its name.
QString proposedName(const model::Document& doc, const char* extension, const char* otherwise) {
    const std::filesystem::path p = doc.path();
    if (p.empty()) return QString::fromUtf8(otherwise);
    const std::u8string stem = p.parent_path().u8string() + u8"/" + p.stem().u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(stem.c_str())) + QString::fromUtf8(extension);
}

// The chosen name with the extension added when it has none; empty when cancelled or when it
// names a drawing file.
QString chooseOutput(QWidget* parent, const QString& caption, const QString& proposed, const QString& filter,
                     const QString& extension) {
    QString name = QFileDialog::getSaveFileName(parent, caption, proposed, filter);
    if (name.isEmpty()) return {};
    if (QFileInfo(name).suffix().isEmpty()) name += extension;
    if (QFileInfo(name).suffix().compare(QStringLiteral("hcd"), Qt::CaseInsensitive) == 0) {
        QMessageBox::warning(parent, QStringLiteral("应用错误:"), QStringLiteral("不能用导出的文件覆盖图形文件：") + name);
        return {};
    }
    return name;
}

}  // namespace

void exportDxf(MainWindow& window) {
    DrawingView* view = window.activeView();
    if (!view) return;
    model::Document& doc = view->document();
    const QString name = chooseOutput(&window, QStringLiteral("导出 DXF"), proposedName(doc, ".dxf", "图纸.dxf"),
                                      QStringLiteral("DXF 文件(*.dxf)"), QStringLiteral(".dxf"));
    if (name.isEmpty()) return;
    if (const auto ec = exchange::saveSheetDxf(doc, pathOf(name)).error()) {
        QMessageBox::warning(&window, QStringLiteral("运行错误"),
                             QStringLiteral("无法写出 ") + name + QStringLiteral("：") + qs(platform::describe(ec)));
        return;
    }
    window.setStatusText(QStringLiteral("已导出 ") + name);
}

namespace {
// Said under a list whose lengths leave segments out (UTF-8), empty otherwise.
std::string unknownLengthsNote(const exchange::MaterialList& list) {
    const long n = list.unknownPipeLengths();
    if (n == 0) return {};
    return text::format("\n另有 %ld 根管段的文字不是长度数字（毫米），长度未计入。", n);
}
}  // namespace

void showMaterials(MainWindow& window) {
    DrawingView* view = window.activeView();
    if (!view) return;
    model::Document& doc = view->document();
    const exchange::MaterialList list = exchange::countMaterials(doc.drawing.objects);

    QDialog dialog(&window);
    dialog.setWindowTitle(QStringLiteral("材料表"));
    auto* layout = new QVBoxLayout(&dialog);
    const auto& columns = exchange::materialColumns();
    auto* table = new QTableWidget(static_cast<int>(list.items.size()), static_cast<int>(columns.size()), &dialog);
    QStringList header;
    for (const std::string& c : columns) header << qs(c);
    table->setHorizontalHeaderLabels(header);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    int row = 0;
    for (const auto& [key, amount] : list.items) {
        const bool pipe = key.group == exchange::MaterialGroup::Pipe;
        const std::string cells[] = {exchange::materialGroupName(key.group), key.name, key.material, key.size,
                                     pipe ? exchange::materialQuantity(key, amount) : std::string(),
                                     std::to_string(amount.count), exchange::materialUnit(key.group)};
        for (int c = 0; c < static_cast<int>(std::size(cells)); ++c) {
            auto* item = new QTableWidgetItem(qs(cells[c]));
            if (c == 4 || c == 5) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(row, c, item);
        }
        ++row;
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(table);
    using exchange::MaterialGroup;
    layout->addWidget(new QLabel(qs(text::format(
        "管线总长 %s 米，管段 %ld 根，弯头 %ld 个，三通 %ld 个，阀门 %ld 个，管件 %ld 只，支架 %ld 个，焊缝 %ld 条",
        exchange::shownMetresText(list.pipeMillimetres()), list.count(MaterialGroup::Pipe), list.count(MaterialGroup::Elbow),
        list.count(MaterialGroup::Tee), list.count(MaterialGroup::Valve), list.count(MaterialGroup::Fitting),
        list.count(MaterialGroup::Support), list.count(MaterialGroup::Weld)) +
                                   unknownLengthsNote(list)),
                                &dialog));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QPushButton* save = buttons->addButton(QStringLiteral("另存为…"), QDialogButtonBox::ActionRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(save, &QPushButton::clicked, &dialog, [&] {
        const QString name = chooseOutput(&dialog, QStringLiteral("材料表另存为"), proposedName(doc, "-材料表.xlsx", "材料表.xlsx"),
                                          QStringLiteral("Excel 工作簿(*.xlsx);;CSV 文件(*.csv)"), QStringLiteral(".xlsx"));
        if (name.isEmpty()) return;
        const std::string title = "材料表 " + doc.path().stem().string();
        if (const auto ec = exchange::saveMaterials(exchange::materialsFileName(pathOf(name)), list, title).error())
            QMessageBox::warning(&dialog, QStringLiteral("运行错误"),
                                 QStringLiteral("无法写出 ") + name + QStringLiteral("：") + qs(platform::describe(ec)));
    });
    layout->addWidget(buttons);
    dialog.resize(720, 480);
    dialog.exec();
}

}  // namespace tubra::app
