#include "tubra/app/RealSpace.h"

#include <algorithm>

#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QScreen>
#include <QTimer>

#include "platform/AtomicFile.h"
#include "text/Gbk.h"
#include "tubra/appcore/Commands.h"
#include "tubra/app/DrawingView.h"
#include "tubra/app/Interaction.h"
#include "tubra/app/MainWindow.h"
#include "tubra/app/View3DWindow.h"
#include "tubra/exchange/Pcf.h"
#include "tubra/exchange/PcfTarget.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::app {

RealSpace::RealSpace(MainWindow& main, Interaction& interaction)
    : QObject(&main), main_(main), interaction_(interaction) {
    setObjectName(QStringLiteral("realSpace"));
    pcfFileName = [](QWidget* parent, const QString& suggested) {
        return QFileDialog::getSaveFileName(parent, QStringLiteral("导出 PCF 文件"), suggested,
                                            QStringLiteral("PCF 管道组件文件 (*.pcf)"));
    };
    connect(main_.mdiArea(), &QMdiArea::subWindowActivated, this, [this] { watchViews(); });
}

RealSpace::~RealSpace() = default;

RealSpace* RealSpace::of(const MainWindow& main) {
    // Found by its name: the class has no meta-object of its own to cast with.
    return static_cast<RealSpace*>(
        main.findChild<QObject*>(QStringLiteral("realSpace"), Qt::FindDirectChildrenOnly));
}

// --- export ---

bool RealSpace::exportPcf(DrawingView* view) {
    namespace fs = std::filesystem;
    if (!view) return false;
    model::Document& doc = view->document();
    const fs::path source = doc.path();
    const QString suggested =
        source.empty()
            ? QString::fromStdString(doc.title()) + QStringLiteral(".pcf")
            : QString::fromStdString(fs::path(source).replace_extension(".pcf").string());
    QString name = pcfFileName ? pcfFileName(&main_, suggested) : QString();
    if (name.isEmpty()) return false;
    if (QFileInfo(name).suffix().isEmpty()) name += QStringLiteral(".pcf");
    const fs::path out = name.toStdString();
    if (const auto refusal = exchange::pcfTargetRefusal(out, source)) {
        tell(*refusal, true);
        return false;
    }
    const spatial::RealModel model = spatial::buildRealModel(doc.drawing);
    exchange::PcfOptions options;
    options.fallbackReference =
        text::utf8ToGbk(source.empty() ? doc.title() : source.stem().string());
    if (const auto error = exchange::savePcf(out, doc.drawing, model, options).error()) {
        tell("无法写出 PCF 文件 " + name.toStdString() + "：" + platform::describe(error), true);
        return false;
    }
    main_.setStatusText(QStringLiteral("已导出 PCF 文件：%1").arg(name));
    // A valve or fitting of an unknown code is no known component: it is named, not guessed.
    if (const auto leftOut = exchange::pcfLeftOut(doc.drawing); !leftOut.empty()) {
        std::string numbers;
        for (std::size_t i = 0; i < leftOut.size() && i < 10; ++i)
            numbers += (i ? "、" : "") + std::to_string(leftOut[i] + 1);
        if (leftOut.size() > 10) numbers += "……";
        tell("图中有 " + std::to_string(leftOut.size()) + " 个阀门或管件的代号未知（第 " + numbers +
                 " 个对象），没有写入 PCF 文件。",
             false);
    }
    if (!model.problems.empty())
        tell("PCF 文件已写出。图中有 " + std::to_string(model.problems.size()) +
                 " 处前后不一致，已按推算的坐标写出；查看 → 三维视图 列出了这些问题。",
             false);
    return true;
}

void RealSpace::tell(const std::string& text, bool error) {
    interaction_.ask(&main_,
                     {text, std::string(kAppTitle), platform::Buttons::Ok,
                      error ? platform::MessageIcon::Error : platform::MessageIcon::Information,
                      platform::Answer::Ok});
}

// --- the 3D view ---

View3DWindow* RealSpace::windowOf(const model::Document& doc) const {
    const auto it = windows_.find(&doc);
    return it == windows_.end() ? nullptr : it->second.data();
}

View3DWindow* RealSpace::show3D(DrawingView* view) {
    if (!view) return nullptr;
    watchViews();
    model::Document& doc = view->document();
    View3DWindow* window = windowOf(doc);
    if (!window) {
        window = new View3DWindow(doc, &main_);
        window->onSelect = [this, d = &doc](const std::vector<std::size_t>& objects, bool add) {
            select(*d, objects, add);
        };
        windows_[&doc] = window;
        // Beside the drawing: right of the main window where the screen has room, else over
        // its right part.
        const QRect g = main_.frameGeometry();
        const QRect screen = main_.screen() ? main_.screen()->availableGeometry() : QRect();
        if (screen.isValid() && g.right() + 8 + window->width() <= screen.right())
            window->move(g.right() + 8, g.top());
        else
            window->move(g.x() + std::max(0, g.width() - window->width() - 20), g.y() + 60);
        window->showSelection(selectedIndexes(doc));
    }
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void RealSpace::watchViews() {
    for (DrawingView* view : main_.views()) {
        if (!watched_.insert(view).second) continue;
        model::Document* doc = &view->document();
        view->viewport()->installEventFilter(this);
        // Edits of the drawing: the 3D view is built anew.
        auto before = view->onDocumentChanged;
        view->onDocumentChanged = [this, before, doc] {
            if (before) before();
            documentChanged(*doc);
        };
        viewsOf_[doc].insert(view);
        // The 3D view goes with the last window of its drawing, before the drawing itself.
        connect(view, &QObject::destroyed, this, [this, view, doc] {
            watched_.erase(view);
            auto& views = viewsOf_[doc];
            views.erase(view);
            if (!views.empty()) return;
            viewsOf_.erase(doc);
            if (const auto it = windows_.find(doc); it != windows_.end()) {
                delete it->second.data();
                windows_.erase(it);
            }
        });
    }
}

void RealSpace::documentChanged(model::Document& doc) {
    if (View3DWindow* window = windowOf(doc)) {
        window->rebuild();
        window->showSelection(selectedIndexes(doc));
    }
}

bool RealSpace::eventFilter(QObject* watched, QEvent* event) {
    // A drawing window repaints after its selection changed: the 3D views follow, once the
    // paints are done.
    if (event->type() == QEvent::Paint && !syncQueued_ && !windows_.empty()) {
        syncQueued_ = true;
        QTimer::singleShot(0, this, [this] {
            syncQueued_ = false;
            syncSelections();
        });
    }
    return QObject::eventFilter(watched, event);
}

void RealSpace::syncSelections() {
    for (auto& [doc, window] : windows_)
        if (window) window->showSelection(selectedIndexes(*doc));
}

std::set<std::size_t> RealSpace::selectedIndexes(const model::Document& doc) const {
    std::set<std::size_t> out;
    for (const model::PipeObject* o : doc.selection.items())
        if (const long i = doc.drawing.objects.indexOf(o); i >= 0)
            out.insert(static_cast<std::size_t>(i));
    return out;
}

void RealSpace::select(model::Document& doc, const std::vector<std::size_t>& objects, bool add) {
    if (!add) doc.selection.clear();
    for (std::size_t i : objects) {
        if (i >= doc.drawing.objects.size()) continue;
        const model::PipeObject* o = &doc.drawing.objects.at(i);
        if (add && doc.selection.contains(o))
            doc.selection.remove(o);
        else
            doc.selection.add(o);
    }
    for (DrawingView* v : main_.viewsOf(doc)) v->refresh();
    if (View3DWindow* window = windowOf(doc)) window->showSelection(selectedIndexes(doc));
    main_.updateCommands();
}

RealSpace* installRealSpace(MainWindow& main, Interaction& interaction) {
    return new RealSpace(main, interaction);
}

}  // namespace tubra::app
