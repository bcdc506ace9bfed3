#pragma once
// The drawing view: a scrolling window that shows the sheet of one document in logical units
// of 0.1 mm (scaled by the screen's logical resolution) and paints it through the canvas.
// Zoom, fit, page setup and the hand-over after "new" and "open" are computed by the view
// transform; this window applies their scroll sizes and positions and repaints.

#include <array>
#include <functional>

#include <QAbstractScrollArea>

#include "tubra/model/Document.h"
#include "tubra/view/Paint.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/view/ViewState.h"

class QPrinter;

namespace tubra::app {

class Interaction;

class DrawingView : public QAbstractScrollArea, public view::ViewHost {
public:
    DrawingView(model::Document& doc, Interaction& interaction, QWidget* parent = nullptr);

    model::Document& document() { return doc_; }
    view::ViewState& state() { return state_; }
    const view::ViewState& state() const { return state_; }

    // Called when the view changed the document (its data or its modified flag): the window
    // repaints every view of the document and refreshes titles and commands.
    std::function<void()> onDocumentChanged;
    // Called after every finished paint of the drawing.
    std::function<void()> onPainted;

    // The first update after the view was made for a document.
    void initialUpdate();

    // Commands of the view.
    void zoomIn();
    void zoomOut();
    void fitToWindow();
    void toggleFrame();
    void refresh();
    void pageSetup();
    // Another view of the document changed the page: take its size and axis labels.
    void adoptPageSetup();
    void clearAll();
    // Prints the view's pages to a printer (after its dialog, or directly); returns the pages
    // printed.
    int printTo(QPrinter& printer);

    // Scroll geometry.
    double pixelsPerUnit() const;
    // The scroll extent in logical units, as last set.
    platform::Size scrollSizes() const { return sizes_; }
    // The scroll position in device pixels and as a logical point (y up).
    QPoint scrollPositionDevice() const;
    platform::Point scrollPositionLogical() const;
    void setScrollSizes(platform::Size logical);
    void scrollToPosition(platform::Point logical);
    void apply(const view::ScrollChange& change);

    // Paints that have run OnDraw completely.
    int finishedPaints() const { return finishedPaints_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    // The new-drawing dialog of a new document, asked once, outside of any paint.
    void askNewDrawing();
    void updateScrollBars();
    void documentChanged();
    // After a paint: scroll sizes and position follow a change of the report display.
    void followReportDisplay();

    model::Document& doc_;
    Interaction& interaction_;
    view::ViewState state_;
    platform::Size sizes_{};
    bool newDrawingQueued_ = false;
    bool loadedZoomPending_ = false;
    int finishedPaints_ = 0;
    std::array<int, 2> paintedReport_ = {0, -1};  // report display at the last paint
    platform::qt::QtTextCache textCache_;  // fonts and texts kept from paint to paint
};

}  // namespace tubra::app
