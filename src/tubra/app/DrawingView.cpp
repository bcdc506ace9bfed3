#include "tubra/app/DrawingView.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QScrollBar>
#include <QTimer>

#include "tubra/app/FeedbackCanvas.h"
#include "tubra/app/Printing.h"
#include "tubra/app/Rendering.h"
#include "tubra/view/ReportPages.h"

namespace tubra::app {

namespace {

int roundedPixels(double v) { return model::truncToInt(std::lround(std::clamp(v, -1.0e9, 1.0e9))); }

edit::DevicePoint devicePoint(const QPointF& p) { return {p.x(), p.y()}; }

Qt::CursorShape qtCursor(edit::CursorShape shape) {
    switch (shape) {
        case edit::CursorShape::Draw: return Qt::CrossCursor;
        case edit::CursorShape::Pointer: return Qt::PointingHandCursor;
        case edit::CursorShape::PointerHeld: return Qt::SizeAllCursor;
        case edit::CursorShape::Delete: return Qt::ForbiddenCursor;
        case edit::CursorShape::Hand: return Qt::OpenHandCursor;
        case edit::CursorShape::HandHeld: return Qt::ClosedHandCursor;
        case edit::CursorShape::Arrow: break;
    }
    return Qt::ArrowCursor;
}

}  // namespace

edit::EditSettings& programEditSettings() {
    static edit::EditSettings settings;
    return settings;
}

// Message boxes and dialogs go to the view's own, or to a filter in front of them.
class DrawingView::Relay : public platform::Prompter, public platform::FormHost {
public:
    explicit Relay(DrawingView& view) : view_(view) {}
    platform::Answer ask(const platform::Message& m) override { return view_.prompter_->ask(m); }
    bool run(platform::Form& form) override { return view_.forms_->run(form); }

private:
    DrawingView& view_;
};

// What the tools need of the window.
class DrawingView::Port : public edit::ViewPort {
public:
    explicit Port(DrawingView& view) : view_(view) {}

    edit::DeviceTransform transform() const override { return view_.deviceTransform(); }
    platform::Size clientSize() const override {
        const QSize c = view_.viewport()->size();
        return {c.width(), c.height()};
    }
    void scrollToDevice(int x, int y) override {
        view_.horizontalScrollBar()->setValue(x);
        view_.verticalScrollBar()->setValue(y);
    }
    void apply(const view::ScrollChange& change) override { view_.apply(change); }

    platform::Canvas* beginFeedback() override {
        // Nothing to draw on while the drawing waits for its next paint: that paint brings a
        // fresh picture without any feedback.
        if (!view_.storeValid_ || view_.store_.isNull()) return nullptr;
        painter_.emplace(&view_.store_);
        auto options = platform::qt::QtCanvas::Options{};
        options.pixelsPerUnit = view_.pixelsPerUnit();
        const QSize c = view_.viewport()->size();
        options.deviceSize = {c.width(), c.height()};
        options.textCache = &view_.textCache_;
        canvas_.emplace(*painter_, options);
        const QPoint s = view_.scrollPositionDevice();
        canvas_->setViewportOrigin({-s.x(), -s.y()});
        return &*canvas_;
    }
    void endFeedback() override {
        if (!canvas_) return;
        const QRegion touched = canvas_->touched();
        canvas_.reset();
        painter_.reset();
        if (!touched.isEmpty()) view_.viewport()->update(touched);
    }
    void repaint() override { view_.invalidate(); }
    void setStatusText(const std::string& text) override {
        if (view_.onStatusText) view_.onStatusText(QString::fromStdString(text));
    }
    void setCursorShape(edit::CursorShape shape) override { view_.viewport()->setCursor(qtCursor(shape)); }

private:
    DrawingView& view_;
    std::optional<QPainter> painter_;
    std::optional<FeedbackCanvas> canvas_;
};

DrawingView::DrawingView(model::Document& doc, Interaction& interaction, QWidget* parent)
    : QAbstractScrollArea(parent),
      doc_(doc),
      interaction_(interaction),
      ownPrompter_(interaction, this),
      qtForms_(ownPrompter_, this),
      prompter_(&ownPrompter_),
      forms_(&qtForms_) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(120, 90);
    relay_ = std::make_unique<Relay>(*this);
    port_ = std::make_unique<Port>(*this);
    controller_ = std::make_unique<edit::ViewController>(edit::ViewController::Services{
        doc_, state_, programEditSettings(), *port_, *relay_, *relay_, [this] { documentChanged(); }});
}

DrawingView::~DrawingView() {
    controller_.reset();
    port_.reset();
}

platform::Prompter& DrawingView::prompter() { return *relay_; }
platform::FormHost& DrawingView::forms() { return *relay_; }

void DrawingView::setInteractionFilter(platform::Prompter* prompter, platform::FormHost* forms) {
    prompter_ = prompter ? prompter : &ownPrompter_;
    forms_ = forms ? forms : &qtForms_;
}

double DrawingView::pixelsPerUnit() const { return app::pixelsPerUnit(logicalDpiX()); }

edit::DeviceTransform DrawingView::deviceTransform() const {
    const QPoint s = scrollPositionDevice();
    return {pixelsPerUnit(), static_cast<double>(s.x()), static_cast<double>(s.y())};
}

void DrawingView::initialUpdate() { apply(view::initialUpdate(state_, doc_.drawing)); }

QPoint DrawingView::scrollPositionDevice() const {
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

platform::Point DrawingView::scrollPositionLogical() const {
    const double ppu = pixelsPerUnit();
    const QPoint d = scrollPositionDevice();
    return {model::truncToInt(d.x() / ppu), -model::truncToInt(d.y() / ppu)};
}

void DrawingView::setScrollSizes(platform::Size logical, platform::Point origin) {
    sizes_ = logical;
    origin_ = origin;
    updateScrollBars();
    // A scroll bar that comes or goes with the new ranges changes the viewport's size. The
    // scroll area would lay that out only after the next paint, which then shows the drawing
    // at the old size for a moment and is painted again: the layout is done now instead.
    QMetaObject::invokeMethod(this, "_q_showOrHideScrollBars", Qt::DirectConnection);
}

void DrawingView::updateScrollBars() {
    const double ppu = pixelsPerUnit();
    const int totalW = roundedPixels(std::abs(sizes_.cx) * ppu);
    const int totalH = roundedPixels(std::abs(sizes_.cy) * ppu);
    // Device offsets of the area's top-left corner: negative where it lies beyond the sheet.
    const int left = roundedPixels(origin_.x * ppu);
    const int top = roundedPixels(-origin_.y * ppu);
    const QSize client = viewport()->size();
    QScrollBar* h = horizontalScrollBar();
    QScrollBar* v = verticalScrollBar();
    h->setRange(left, left + std::max(0, totalW - client.width()));
    v->setRange(top, top + std::max(0, totalH - client.height()));
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
    if (change.setScrollSizes) setScrollSizes(change.extent, change.origin);
    if (change.scroll) scrollToPosition(change.position);
    if (change.invalidate) invalidate();
}

void DrawingView::refresh() {
    // Another window of the drawing may have set up its page: this one takes it over.
    const platform::Size page = view::pageExtent(doc_.drawing.PageSize);
    if (state_.pageExtent.cx != page.cx || state_.pageExtent.cy != page.cy || !(state_.axis == doc_.drawing.AxisSet))
        adoptPageSetup();
    invalidate();
}

void DrawingView::invalidate() {
    storeValid_ = false;
    viewport()->update();
}

void DrawingView::adoptPageSetup() {
    state_.pageExtent = view::pageExtent(doc_.drawing.PageSize);
    state_.axis = doc_.drawing.AxisSet;
    // A report page keeps the scroll sizes of the report.
    if (view::showsReport(state_)) return;
    state_.scrollExtent = {model::truncToInt(state_.pageExtent.cx * state_.ZoomPara),
                           model::truncToInt(state_.pageExtent.cy * state_.ZoomPara)};
    setScrollSizes(state_.scrollExtent);
}

int DrawingView::printTo(QPrinter& printer) { return printView(doc_, state_, printer); }

void DrawingView::documentChanged() {
    if (onDocumentChanged)
        onDocumentChanged();
    else
        invalidate();
}

void DrawingView::toolsChanged() {
    if (onToolsChanged) onToolsChanged();
}

void DrawingView::resetTool() {
    // A report page is shown: the tools rest, without a repaint of their own.
    controller_->rest();
}

void DrawingView::askNewDrawing() {
    newDrawingQueued_ = false;
    if (!doc_.newDrawingFlag) {
        invalidate();
        return;
    }
    QPointer<DrawingView> self(this);
    NewDrawingForm form(state_);
    const auto values = interaction_.askNewDrawing(this, form) ? form.values() : std::nullopt;
    if (!self || !doc_.newDrawingFlag) return;
    if (values && observer_) observer_->newDrawing(*this, *values);
    view::applyNewDrawing(state_, doc_, values);
    documentChanged();
}

void DrawingView::rebuildStore() {
    const qreal ratio = devicePixelRatioF();
    const QSize client = viewport()->size();
    const QSize pixels(std::max(1, static_cast<int>(std::ceil(client.width() * ratio))),
                       std::max(1, static_cast<int>(std::ceil(client.height() * ratio))));
    if (store_.size() != pixels) store_ = QImage(pixels, QImage::Format_RGB32);
    store_.setDevicePixelRatio(ratio);
    state_.autoElevation = programEditSettings().autoElevation;
    const bool zoomFromFile = doc_.drawing.zoomLoaded != 0;
    const double zoomBefore = state_.ZoomPara;
    if (ratio == 1.0) {
        // The lower part on a thread of its own when a second core is free: a zoom paints
        // every pixel anew, and most of the paint is texts blended pixel by pixel.
        const bool split = bandChoice_.twoBands();
        const BandPaint paint = paintViewInBands(doc_, state_, store_, scrollPositionDevice(), pixelsPerUnit(), this,
                                                 textCache_, split ? &lowerBand_ : nullptr, split ? bandSplit() : 0);
        if (paint.twoBands) {
            bandChoice_.painted(paint, lowerBand_.lastRun());
            ++twoBandPaints_;
        }
    } else {
        QPainter painter(&store_);
        paintView(doc_, state_, painter, client, scrollPositionDevice(), pixelsPerUnit(), this, &textCache_);
    }
    storeValid_ = true;
    controller_->viewRepainted();
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

int DrawingView::bandSplit() {
    // The row above which lies the upper band's share of the objects whose first port lies in
    // the window (at the zoom before this paint's; the share follows the times the bands took
    // at the last paints): a drawing shown whole often fills only the window's upper part, and
    // most of a paint is the texts and bodies of the objects shown. The pixels are the same at
    // any split.
    const int width = store_.width(), height = store_.height();
    const edit::DeviceTransform t = deviceTransform();
    const double zoom = state_.ZoomPara;
    bandRows_.clear();
    for (const model::PipeObject& o : std::as_const(doc_.drawing.objects)) {
        const edit::DevicePoint d = t.toDevice(o.Port1.x * zoom, o.Port1.y * zoom);
        if (d.x >= 0 && d.x < width && d.y >= 0 && d.y < height) bandRows_.push_back(static_cast<int>(d.y));
    }
    if (bandRows_.size() < 16) return height / 2;
    const auto middle = bandRows_.begin() +
                        static_cast<std::ptrdiff_t>(static_cast<double>(bandRows_.size()) * bandChoice_.upperShare());
    std::nth_element(bandRows_.begin(), middle, bandRows_.end());
    // Each band also passes over every object once: neither is left too thin.
    return std::clamp(*middle, height / 8, height - height / 8);
}

void DrawingView::followReportDisplay() {
    // The paint of a report page sets the scroll extent to its pages, and a switch between
    // drawing and report (or to another page) starts at the top of the new view.
    const auto& shown = state_.reportDisplay;
    const bool moved = shown[0] != paintedReport_[0] || (shown[0] && shown[1] != paintedReport_[1]);
    paintedReport_ = shown;
    // However the report was left (the command, or a tool chosen while it was shown), the
    // drawing gets its own extent back.
    if (moved && !shown[0])
        state_.scrollExtent = {model::truncToInt(state_.pageExtent.cx * state_.ZoomPara),
                               model::truncToInt(state_.pageExtent.cy * state_.ZoomPara)};
    if (!moved && state_.scrollExtent == sizes_) return;
    QTimer::singleShot(0, this, [this, moved] {
        setScrollSizes(state_.scrollExtent);
        if (!moved) return;
        scrollToPosition({0, 0});
        // A file opened in report mode: the window's check mark follows.
        if (onDocumentChanged) onDocumentChanged();
    });
}

void DrawingView::paintEvent(QPaintEvent* event) {
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
    const qreal ratio = devicePixelRatioF();
    const QSize client = viewport()->size();
    if (!storeValid_ || store_.isNull() ||
        store_.size() != QSize(static_cast<int>(std::ceil(client.width() * ratio)),
                               static_cast<int>(std::ceil(client.height() * ratio))))
        rebuildStore();
    QPainter painter(viewport());
    // Only what the event asks for: after tool feedback, thin strips along its lines.
    for (const QRect& r : event->region())
        painter.drawImage(QRectF(r), store_,
                          QRectF(r.x() * ratio, r.y() * ratio, r.width() * ratio, r.height() * ratio));
}

void DrawingView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    storeValid_ = false;
}

void DrawingView::scrollContentsBy(int, int) {
    // Every scroll repaints the whole view.
    invalidate();
}

void DrawingView::wheelEvent(QWheelEvent* event) {
    invalidate();
    QAbstractScrollArea::wheelEvent(event);
}

void DrawingView::mousePressEvent(QMouseEvent* event) {
    using M = Observer::Mouse;
    const QPointF p = event->position();
    const M kind = event->button() == Qt::LeftButton ? M::LeftDown : M::RightDown;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    QPointer<DrawingView> self(this);
    if (observer_) observer_->mouseBefore(*this, kind, p, event->buttons(), event->modifiers());
    if (kind == M::LeftDown)
        controller_->leftDown(devicePoint(p));
    else
        controller_->rightDown(devicePoint(p));
    if (!self) return;
    if (observer_) observer_->mouseAfter(*this, kind, p, event->buttons(), event->modifiers());
    toolsChanged();
}

void DrawingView::mouseReleaseEvent(QMouseEvent* event) {
    using M = Observer::Mouse;
    const QPointF p = event->position();
    const M kind = event->button() == Qt::LeftButton ? M::LeftUp : M::RightUp;
    if (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) return;
    if (observer_) observer_->mouseBefore(*this, kind, p, event->buttons(), event->modifiers());
    if (kind == M::LeftUp)
        controller_->leftUp(devicePoint(p));
    else
        controller_->rightUp(devicePoint(p));
    if (observer_) observer_->mouseAfter(*this, kind, p, event->buttons(), event->modifiers());
    toolsChanged();
}

void DrawingView::mouseMoveEvent(QMouseEvent* event) {
    const QPointF p = event->position();
    const Qt::MouseButtons b = event->buttons();
    if (observer_) observer_->mouseBefore(*this, Observer::Mouse::Move, p, b, event->modifiers());
    controller_->mouseMove(devicePoint(p), b & Qt::LeftButton, b & Qt::RightButton);
    if (observer_) observer_->mouseAfter(*this, Observer::Mouse::Move, p, b, event->modifiers());
}

void DrawingView::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is no click of its own.
    event->accept();
}

void DrawingView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (observer_) observer_->escapePressed(*this);
        controller_->cancel();
        toolsChanged();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

}  // namespace tubra::app
