#include "tubra/app/DrawingView.h"

#include <cmath>

#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>

#include "tubra/app/Interaction.h"
#include "tubra/app/Printing.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/app/Rendering.h"

namespace tubra::app {

namespace {

int roundedPixels(double v) { return model::truncToInt(std::lround(std::clamp(v, -1.0e9, 1.0e9))); }

}  // namespace

DrawingView::DrawingView(model::Document& doc, Interaction& interaction, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(doc), interaction_(interaction) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 90);
}

double DrawingView::pixelsPerUnit() const { return PixelsPerUnit(logicalDpiX()); }

void DrawingView::initialUpdate() { apply(view::InitialUpdate(state_, doc_.drawing)); }

QPoint DrawingView::scrollPositionDevice() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

platform::Point DrawingView::scrollPositionLogical() const {
    const double ppu = pixelsPerUnit();
    const QPoint d = scrollPositionDevice();
    return {model::truncToInt(d.x() / ppu), -model::truncToInt(d.y() / ppu)};
}

void DrawingView::setScrollSizes(platform::Size logical) {
    sizes_ = logical;
    updateScrollBars();
}

void DrawingView::updateScrollBars() {
    const double ppu = pixelsPerUnit();
    const int totalW = roundedPixels(std::abs(sizes_.cx) * ppu);
    const int totalH = roundedPixels(std::abs(sizes_.cy) * ppu);
    const QSize client = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(0, std::max(0, totalW - client.width()));
    v->setRange(0, std::max(0, totalH - client.height()));
    h->setPageStep(std::max(1, client.width()));
    v->setPageStep(std::max(1, client.height()));
    h->setSingleStep(std::max(1, totalW / 100));
    v->setSingleStep(std::max(1, totalH / 100));
}

void DrawingView::scrollToPosition(platform::Point logical) {
    // Logical y grows upward: a point below the top of the sheet is a positive device offset.
    const double ppu = pixelsPerUnit();
    horizontalScrollBar()->setValue(roundedPixels(logical.x * ppu));
    verticalScrollBar()->setValue(roundedPixels(-logical.y * ppu));
}

void DrawingView::apply(const view::ScrollChange& change) {
    if (change.setScrollSizes) setScrollSizes(change.extent);
    if (change.scroll) scrollToPosition(change.position);
    if (change.invalidate) viewport()->update();
}

void DrawingView::zoomIn() {
    const QSize c = viewport()->size();
    apply(view::ZoomIn(state_, doc_.drawing, {0, 0, c.width(), c.height()}));
}

void DrawingView::zoomOut() {
    const QSize c = viewport()->size();
    apply(view::ZoomOut(state_, doc_.drawing, {0, 0, c.width(), c.height()}));
}

void DrawingView::fitToWindow() {
    const QSize c = viewport()->size();
    apply(view::FitToWindow(state_, doc_.drawing, {c.width(), c.height()}, pixelsPerUnit()));
}

void DrawingView::toggleFrame() {
    state_.frameSwitch = state_.frameSwitch ? 0 : 1;
    viewport()->update();
}

void DrawingView::refresh() { viewport()->update(); }

void DrawingView::pageSetup() {
    PageSetupForm form(doc_.drawing);
    if (!interaction_.editPageSetup(this, form)) return;
    apply(view::PageSetup(state_, doc_, form.pageSize, form.axisSettings()));
    documentChanged();
}

void DrawingView::adoptPageSetup() {
    state_.pageExtent = view::PageExtent(doc_.drawing.PageSize);
    state_.axis = doc_.drawing.AxisSet;
    state_.scrollExtent = {model::truncToInt(state_.pageExtent.cx * state_.ZoomPara),
                           model::truncToInt(state_.pageExtent.cy * state_.ZoomPara)};
    setScrollSizes(state_.scrollExtent);
    viewport()->update();
}

void DrawingView::clearAll() {
    InteractionPrompter prompter(interaction_, this);
    if (!doc_.clearAll(prompter)) return;
    view::StoreViewInDrawing(state_, doc_.drawing);
    documentChanged();
}

int DrawingView::printTo(QPrinter& printer) { return PrintView(doc_, state_, printer); }

void DrawingView::documentChanged() {
    if (onDocumentChanged)
        onDocumentChanged();
    else
        viewport()->update();
}

void DrawingView::askNewDrawing() {
    newDrawingQueued_ = false;
    if (!doc_.newDrawingFlag) {
        viewport()->update();
        return;
    }
    QPointer<DrawingView> self(this);
    const auto values = interaction_.askNewDrawing(this, NewDrawingForm(state_));
    if (!self || !doc_.newDrawingFlag) return;
    view::ApplyNewDrawing(state_, doc_, values);
    documentChanged();
}

void DrawingView::paintEvent(QPaintEvent*) {
    if (doc_.newDrawingFlag) {
        // The first paint of a new document asks for the projection; the dialog cannot run
        // inside a paint, so it runs right after it and the drawing follows.
        QPainter painter(viewport());
        painter.fillRect(viewport()->rect(), platform::qt::toQColor(doc_.settings().BeiJingColor));
        if (!newDrawingQueued_) {
            newDrawingQueued_ = true;
            QTimer::singleShot(0, this, [this] { askNewDrawing(); });
        }
        return;
    }
    const bool zoomFromFile = doc_.drawing.zoomLoaded != 0;
    const double zoomBefore = state_.ZoomPara;
    {
        QPainter painter(viewport());
        PaintView(doc_, state_, painter, viewport()->size(), scrollPositionDevice(),
                  pixelsPerUnit(), this, &textCache_);
    }
    ++finishedPaints_;
    if (zoomFromFile && state_.ZoomPara != zoomBefore) {
        // A file's zoom arrives with the first paint; give the sheet its zoomed size so that
        // all of it can be scrolled to.
        QTimer::singleShot(0, this, [this] {
            state_.scrollExtent = {model::truncToInt(state_.pageExtent.cx * state_.ZoomPara),
                                   model::truncToInt(state_.pageExtent.cy * state_.ZoomPara)};
            setScrollSizes(state_.scrollExtent);
        });
    } else {
        followReportDisplay();
    }
    if (onPainted) onPainted();
}

void DrawingView::followReportDisplay() {
    // The paint of a report page sets the scroll extent to its pages, and a switch between
    // drawing and report (or to another page) starts at the top of the new view.
    const auto& shown = state_.reportDisplay;
    const bool moved = shown[0] != paintedReport_[0] || (shown[0] && shown[1] != paintedReport_[1]);
    paintedReport_ = shown;
    if (!moved && state_.scrollExtent == sizes_) return;
    QTimer::singleShot(0, this, [this, moved] {
        setScrollSizes(state_.scrollExtent);
        if (!moved) return;
        scrollToPosition({0, 0});
        // A file opened in report mode: the window's check mark follows.
        if (onDocumentChanged) onDocumentChanged();
    });
}

void DrawingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void DrawingView::scrollContentsBy(int, int) {
    // Every scroll repaints the whole view.
    viewport()->update();
}

void DrawingView::wheelEvent(QWheelEvent* event) {
    viewport()->update();
    QAbstractScrollArea::wheelEvent(event);
}

}  // namespace tubra::app
