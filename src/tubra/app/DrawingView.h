#pragma once
// The drawing view: a scrolling window that shows the sheet of one document in logical units
// of 0.1 mm (scaled by the screen's logical resolution) and paints it through the canvas.
// Zoom, fit, page setup and the hand-over after "new" and "open" are computed by the view
// transform; this window applies their scroll sizes and positions and repaints.
//
// The finished drawing is kept in an image of the client area, painted anew only when the
// drawing or the view changes, its upper and lower parts at the same time on two threads. The editing tools draw their mouse feedback (rubber band, snap
// marker, selection rectangle, ghosts, frames) into that image with inverting and XOR raster
// operations and only the rectangle they touched is shown again, so feedback costs no repaint
// of the drawing.

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include <QAbstractScrollArea>
#include <QImage>

#include "platform/qt/FormDialogs.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/app/Interaction.h"
#include "tubra/app/Rendering.h"
#include "tubra/edit/EditSettings.h"
#include "tubra/edit/ViewController.h"
#include "tubra/model/Document.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ViewState.h"

class QPrinter;

namespace tubra::app {

// The snap, weld and elevation switches every view of the program shares.
edit::EditSettings& programEditSettings();

class DrawingView : public QAbstractScrollArea, public view::ViewHost {
public:
    DrawingView(model::Document& doc, Interaction& interaction, QWidget* parent = nullptr);
    ~DrawingView() override;

    model::Document& document() { return doc_; }
    view::ViewState& state() { return state_; }
    const view::ViewState& state() const { return state_; }
    edit::ViewController& controller() { return *controller_; }

    // Message boxes and dialogs of this view (the tools' and its commands').
    platform::Prompter& prompter();
    platform::FormHost& forms();
    platform::qt::QtFormHost& qtForms() { return qtForms_; }
    platform::Prompter& ownPrompter() { return ownPrompter_; }
    // Puts another prompter and form host in front of the view's own (a session recorder);
    // null brings the view's own back.
    void setInteractionFilter(platform::Prompter* prompter, platform::FormHost* forms);

    // Called when the view changed the document (its data or its modified flag): the window
    // repaints every view of the document and refreshes titles and commands.
    std::function<void()> onDocumentChanged;
    // Called after every finished paint of the drawing.
    std::function<void()> onPainted;
    // The status line of the tools (UTF-8).
    std::function<void(const QString&)> onStatusText;
    // The tools changed their state (a tool switched off by a click): commands are refreshed.
    std::function<void()> onToolsChanged;
    // Who watches what the user does in the view (a session recorder); null for nobody.
    class Observer {
    public:
        enum class Mouse { Move, LeftDown, LeftUp, RightDown, RightUp };
        virtual ~Observer() = default;
        // Before and after the tools handle a mouse event (device pixels of the client area).
        virtual void mouseBefore(DrawingView&, Mouse, QPointF, Qt::MouseButtons, Qt::KeyboardModifiers) {}
        virtual void mouseAfter(DrawingView&, Mouse, QPointF, Qt::MouseButtons, Qt::KeyboardModifiers) {}
        virtual void escapePressed(DrawingView&) {}
        // The new-drawing dialog was answered.
        virtual void newDrawing(DrawingView&, const view::NewDrawingValues&) {}
    };
    void setObserver(Observer* observer) { observer_ = observer; }
    // Device pixels <-> logical units as the view maps them now.
    edit::DeviceTransform deviceTransform() const;

    // The first update after the view was made for a document.
    void initialUpdate();

    // Commands of the view (zoom, fit, frame and the rest are the registry's, on its port).
    void refresh();
    // Prints the view's pages to a printer (after its dialog, or directly); returns the pages
    // printed.
    int printTo(QPrinter& printer);

    // Scroll geometry.
    double pixelsPerUnit() const;
    // The scroll extent in logical units, as last set.
    platform::Size scrollSizes() const { return sizes_; }
    platform::Point scrollOrigin() const { return origin_; }
    // The scroll position in device pixels and as a logical point (y up).
    QPoint scrollPositionDevice() const;
    platform::Point scrollPositionLogical() const;
    // The scroll area: `logical` from its top-left corner `origin` (the sheet's corner unless a
    // fit reaches beyond it).
    void setScrollSizes(platform::Size logical, platform::Point origin = {});
    void scrollToPosition(platform::Point logical);
    void apply(const view::ScrollChange& change);

    // Paints that have run OnDraw completely.
    int finishedPaints() const { return finishedPaints_; }
    // Processor time of the thread that paints the lower part of the view, in seconds.
    double bandThreadSeconds() const { return lowerBand_.processorSeconds(); }
    // Paints split between the window's thread and the band thread.
    int twoBandPaints() const { return twoBandPaints_; }
    // The share of the objects in sight the window's thread paints when the view is split.
    double upperBandShare() const { return bandChoice_.upperShare(); }
    // The image the view shows (the drawing with the tools' feedback on it).
    const QImage& backingStore() const { return store_; }

    // view::ViewHost
    void resetTool() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Another view of the document changed the page: take its size and axis labels.
    void adoptPageSetup();
    class Port;
    class Relay;

    // The new-drawing dialog of a new document, asked once, outside of any paint.
    void askNewDrawing();
    void updateScrollBars();
    void documentChanged();
    void invalidate();
    void rebuildStore();
    // Where the store is split between the window's thread and the lower band's.
    int bandSplit();
    void toolsChanged();
    // After a paint: scroll sizes and position follow a change of the report display.
    void followReportDisplay();

    model::Document& doc_;
    Interaction& interaction_;
    view::ViewState state_;
    platform::Size sizes_{};
    platform::Point origin_{};
    bool newDrawingQueued_ = false;
    int finishedPaints_ = 0;
    std::array<int, 2> paintedReport_ = {0, -1};  // report display at the last paint
    platform::qt::QtTextCache textCache_;  // fonts and texts kept from paint to paint
    BandThread lowerBand_;                 // paints the lower part of the store
    BandChoice bandChoice_{usableCores()}; // whether a paint is split in two
    int twoBandPaints_ = 0;
    std::vector<int> bandRows_;            // rows of the objects in the window, for bandSplit
    QImage store_;
    bool storeValid_ = false;
    InteractionPrompter ownPrompter_;
    platform::qt::QtFormHost qtForms_;
    platform::Prompter* prompter_;
    platform::FormHost* forms_;
    Observer* observer_ = nullptr;
    std::unique_ptr<Relay> relay_;  // what the tools ask through: the filter or the view's own
    std::unique_ptr<Port> port_;
    std::unique_ptr<edit::ViewController> controller_;
};

}  // namespace tubra::app
