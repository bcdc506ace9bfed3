#pragma once
// The 3D view of a drawing: the pipeline rebuilt in real space, drawn with a painter (no GPU
// needed) in an orbit view beside the drawing window.
//
// Left drag turns the view, the wheel zooms at the cursor, right drag pans; buttons look from
// the standard isometric direction and along each axis. Pipes are lines in the colours of
// their class (main, branch, slanted) or tubes sized by their bore; elbows, tees, valves,
// fittings, welds and supports are small markers; weld numbers are labels that can be hidden.
// What the consistency check finds is drawn in red, the gap of a disagreement as a dashed line
// between its two points, and listed in a panel. A click selects the object under the mouse
// (Ctrl adds to the selection); the owner hands it to the drawing.

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <vector>

#include <QWidget>

#include "tubra/model/Document.h"
#include "tubra/spatial/Projection.h"
#include "tubra/spatial/RealModel.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace tubra::app {

// The painted view itself.
class View3DCanvas : public QWidget {
  public:
    explicit View3DCanvas(QWidget* parent = nullptr);

    // A new model (the drawing changed); the camera stays unless `fit`.
    void setModel(const spatial::RealModel* model, const model::DrawingSettings* settings,
                  bool fit);
    void setTubes(bool tubes);
    bool tubes() const { return tubes_; }
    void setWeldLabels(bool shown);
    bool weldLabels() const { return weldLabels_; }
    void setSelection(std::set<std::size_t> objects);
    const std::set<std::size_t>& selection() const { return selection_; }
    // The problem shown with a thicker gap (the one chosen in the list); none with -1.
    void setCurrentProblem(int problem);

    // Draft: without antialiasing, as while the mouse drags the view (a frame of a large
    // pipeline then takes a fraction of the time).
    void setDraft(bool draft);

    void lookFrom(spatial::ViewDirection direction);
    void fit();
    spatial::Orbit& orbit() { return orbit_; }
    const spatial::Scene& scene() const { return scene_; }

    // Where a real point is drawn, in widget pixels.
    QPointF screenPoint(const spatial::Point3& p) const;
    // The object under `at` (widget pixels), as a click finds it.
    std::optional<std::size_t> objectAt(QPointF at) const;

    // A click on an object (or on nothing: none) with Ctrl held or not.
    std::function<void(std::optional<std::size_t>, bool add)> onClicked;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

  private:
    spatial::Point2 centre() const;
    void rebuildScene();

    const spatial::RealModel* model_ = nullptr;
    const model::DrawingSettings* settings_ = nullptr;
    spatial::Scene scene_;
    spatial::Orbit orbit_;
    std::set<std::size_t> selection_;
    std::set<std::size_t> troubled_;  // objects of a problem
    int currentProblem_ = -1;
    bool tubes_ = false;
    bool weldLabels_ = true;
    bool fitPending_ = true;
    bool draft_ = false;
    // The mouse drag under way.
    Qt::MouseButton dragButton_ = Qt::NoButton;
    QPointF pressAt_;
    QPointF lastAt_;
    bool dragged_ = false;
};

// The window: buttons, the view and the list of problems.
class View3DWindow : public QWidget {
  public:
    View3DWindow(model::Document& doc, QWidget* parent = nullptr);
    ~View3DWindow() override;

    model::Document& document() { return doc_; }
    const spatial::RealModel& realModel() const { return model_; }
    View3DCanvas* canvas() { return canvas_; }
    QListWidget* problemList() { return problems_; }
    QPushButton* directionButton(spatial::ViewDirection direction);
    QCheckBox* tubesBox() { return tubesBox_; }
    QCheckBox* weldLabelsBox() { return labelsBox_; }

    // The drawing changed: the model is built anew (at once, or when the window is shown
    // again if it is hidden); the camera stays.
    void rebuild();
    // The drawing's selection, as drawing indexes.
    void showSelection(std::set<std::size_t> objects);

    // The user chose objects here (a click, or a double click on a problem): drawing indexes,
    // to be selected in the drawing; `add` keeps what is selected there.
    std::function<void(const std::vector<std::size_t>&, bool add)> onSelect;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fillProblems();
    void updateTitle();

    model::Document& doc_;
    spatial::RealModel model_;
    View3DCanvas* canvas_ = nullptr;
    QListWidget* problems_ = nullptr;
    QLabel* problemsTitle_ = nullptr;
    QCheckBox* tubesBox_ = nullptr;
    QCheckBox* labelsBox_ = nullptr;
    std::vector<QPushButton*> directionButtons_;
    bool stale_ = false;  // the drawing changed while the window was hidden
};

}  // namespace tubra::app
