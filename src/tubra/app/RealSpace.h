#pragma once
// The drawing program's commands for the pipeline in real space (the window runs them from its
// command table): 文件 → 导出 → PCF… writes the piping component file of the active drawing;
// 查看 → 三维视图 opens the 3D view of it beside the drawing window. The 3D view follows edits of its drawing, and the selection goes both
// ways: a click in the 3D view selects in the drawing, a selection in the drawing is
// highlighted in the 3D view.

#include <functional>
#include <map>
#include <set>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace tubra::model {
class Document;
}

namespace tubra::app {

class DrawingView;
class Interaction;
class MainWindow;
class View3DWindow;

class RealSpace : public QObject {
  public:
    // Lives as long as `main`.
    RealSpace(MainWindow& main, Interaction& interaction);
    ~RealSpace() override;
    // The one installed in `main`, or null.
    static RealSpace* of(const MainWindow& main);

    // 文件 → 导出 → PCF… for the drawing of `view`. True when the file was written.
    bool exportPcf(DrawingView* view);
    // 查看 → 三维视图: opens (or brings forward) the 3D view of the drawing of `view`.
    View3DWindow* show3D(DrawingView* view);
    View3DWindow* windowOf(const model::Document& doc) const;

    // The file name the export asks for (a save dialog); tests answer instead.
    std::function<QString(QWidget* parent, const QString& suggested)> pcfFileName;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Watches every drawing window: its paints (the selection may have changed) and its edits.
    void watchViews();
    void documentChanged(model::Document& doc);
    void syncSelections();
    void select(model::Document& doc, const std::vector<std::size_t>& objects, bool add);
    std::set<std::size_t> selectedIndexes(const model::Document& doc) const;
    void tell(const std::string& text, bool error);

    MainWindow& main_;
    Interaction& interaction_;
    std::map<const model::Document*, QPointer<View3DWindow>> windows_;
    std::set<const QObject*> watched_;
    std::map<const model::Document*, std::set<const QObject*>> viewsOf_;  // the watched windows
    bool syncQueued_ = false;
};

// Installs the commands' work into `main` (called once, by the window).
RealSpace* installRealSpace(MainWindow& main, Interaction& interaction);

}  // namespace tubra::app
