#include "tubra/app/Rendering.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include <pthread.h>
#include <sched.h>
#include <time.h>

#include "platform/RecordingCanvas.h"
#include "platform/qt/QtCanvas.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/ReportPages.h"
#include "tubra/view/Symbols.h"

namespace tubra::app {

namespace {

platform::qt::QtCanvas::Options canvasOptions(QSize device, double ppu, bool antialias) {
    platform::qt::QtCanvas::Options o;
    o.pixelsPerUnit = ppu;
    o.deviceSize = {device.width(), device.height()};
    o.printer = false;
    o.antialias = antialias;
    return o;
}

// The logical rectangle everything recorded covers (left, top = max y, right, bottom = min y).
std::optional<platform::Rect> recordedBounds(const platform::RecordingCanvas& canvas) {
    int left = INT_MAX, right = INT_MIN, top = INT_MIN, bottom = INT_MAX;
    const auto take = [&](platform::Point p) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::max(top, p.y);
        bottom = std::min(bottom, p.y);
    };
    for (const platform::CanvasCall& call : canvas.calls()) {
        if (call.kind == platform::CallKind::FillRect || call.kind == platform::CallKind::TextOut ||
            call.kind == platform::CallKind::DrawText)
            continue;
        for (const platform::Point& p : call.points) take(p);
        if (call.kind == platform::CallKind::Ellipse || call.kind == platform::CallKind::Rectangle) {
            take({call.rect.left, call.rect.top});
            take({call.rect.right, call.rect.bottom});
        }
    }
    if (left > right) return std::nullopt;
    return platform::Rect{left, top, right, bottom};
}

// The processor time of the calling thread, in seconds.
double threadSeconds() {
    timespec ts{};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts) != 0) return 0.0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

}  // namespace

bool BandChoice::twoBands() {
    if (cores_ < 2) return false;
    if (oneBandLeft_ == 0) return true;
    --oneBandLeft_;
    return false;
}

void BandChoice::painted(const BandPaint& paint, const BandThread::Run& lower) {
    if (!paint.twoBands) return;
    // Off a core for more than a quarter of its run (and more than a scheduler's slice of
    // noise): the other core was not free, and the times say nothing of the split.
    const double lost = lower.wallSeconds - lower.processorSeconds;
    if (lost > 0.002 && lost > 0.25 * lower.wallSeconds) {
        oneBandLeft_ = kOneBandPaints;
        return;
    }
    // The click waits for the later band: move the split by half the difference, in the share
    // of the objects, as far as a band's cost follows the objects it is given.
    const double upper = paint.upperSeconds, both = upper + lower.wallSeconds;
    if (!(both > 0.0)) return;
    upperShare_ = std::clamp(upperShare_ - 0.5 * (upper - lower.wallSeconds) / both, 0.2, 0.8);
}

int usableCores() {
    cpu_set_t set;
    CPU_ZERO(&set);
    if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
    return std::max(1U, std::thread::hardware_concurrency());
}

void paintView(model::Document& doc, view::ViewState& view, QPainter& painter, QSize device,
               QPoint scroll, double pixelsPerUnit, view::ViewHost* host,
               platform::qt::QtTextCache* textCache) {
    // The erase: the whole window in the background colour.
    painter.fillRect(QRect(QPoint(0, 0), device), platform::qt::toQColor(doc.settings().BeiJingColor));
    auto options = canvasOptions(device, pixelsPerUnit, false);
    options.textCache = textCache;
    // Nothing else draws with the painter while the canvas lives.
    options.batchLines = true;
    platform::qt::QtCanvas canvas(painter, options);
    canvas.setViewportOrigin({-scroll.x(), -scroll.y()});
    // A window zoomed in shows part of the sheet: what lies beyond it is not painted.
    canvas.setSkipsUnseen(true);
    view::OnDraw(doc, view, canvas, host);
}

BandThread::~BandThread() {
    if (!thread_.joinable()) return;
    {
        const std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BandThread::start(std::function<void(platform::qt::QtTextCache&)> work) {
    {
        const std::lock_guard lock(mutex_);
        work_ = std::move(work);
        busy_ = true;
        error_ = nullptr;
        startedAt_ = std::chrono::steady_clock::now();
    }
    if (!thread_.joinable())
        thread_ = std::thread([this] { run(); });
    else
        changed_.notify_all();
}

void BandThread::wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

double BandThread::processorSeconds() const {
    if (!thread_.joinable()) return 0.0;
    clockid_t clock{};
    timespec ts{};
    if (pthread_getcpuclockid(const_cast<std::thread&>(thread_).native_handle(), &clock) != 0 ||
        clock_gettime(clock, &ts) != 0)
        return 0.0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

BandThread::Run BandThread::lastRun() const {
    const std::lock_guard lock(mutex_);
    return lastRun_;
}

QImage& BandThread::picture(QSize size, QImage::Format format) {
    if (picture_.size() != size || picture_.format() != format) picture_ = QImage(size, format);
    return picture_;
}

void BandThread::run() {
    // Made and dropped on this thread, as its fonts must be.
    platform::qt::QtTextCache cache;
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || (busy_ && work_); });
        if (quit_) return;
        auto work = std::move(work_);
        work_ = nullptr;
        lock.unlock();
        const double processorBefore = threadSeconds();
        std::exception_ptr error;
        try {
            work(cache);
        } catch (...) {
            error = std::current_exception();
        }
        const double processor = threadSeconds() - processorBefore;
        lock.lock();
        lastRun_ = {std::chrono::duration<double>(std::chrono::steady_clock::now() - startedAt_).count(), processor};
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

BandPaint paintViewInBands(model::Document& doc, view::ViewState& view, QImage& image, QPoint scroll,
                      double pixelsPerUnit, view::ViewHost* host,
                      platform::qt::QtTextCache& textCache, BandThread* lower, int split) {
    const QSize device = image.size();
    // Read before the view is prepared, as paintView reads it.
    const QColor background = platform::qt::toQColor(doc.settings().BeiJingColor);
    using Clock = std::chrono::steady_clock;
    const auto since = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
    BandPaint done;
    bool draw = false;
    {
        // The preparation sees the whole window (the axis indicator's corner, what is out of
        // sight); it draws nothing.
        QPainter painter(&image);
        auto options = canvasOptions(device, pixelsPerUnit, false);
        options.textCache = &textCache;
        platform::qt::QtCanvas whole(painter, options);
        whole.setViewportOrigin({-scroll.x(), -scroll.y()});
        whole.setSkipsUnseen(true);
        draw = view::beginDraw(doc, view, whole, host);
    }
    if (!draw) {
        image.fill(background);
        return done;
    }
    if (!lower || view::showsReport(view) || split <= 0 || split >= device.height()) split = device.height();
    // One band: the rows from `top` to `bottom` of `target`, painted by a canvas on the whole
    // window that leaves out what leaves no mark on them (it may draw beyond them).
    const auto paintBand = [&](QImage& target, int top, int bottom, platform::qt::QtTextCache& cache) {
        QPainter painter(&target);
        painter.fillRect(QRect(0, top, device.width(), bottom - top), background);
        auto options = canvasOptions(device, pixelsPerUnit, false);
        options.textCache = &cache;
        // Nothing else draws with the painter while the canvas lives.
        options.batchLines = true;
        platform::qt::QtCanvas canvas(painter, options);
        canvas.setViewportOrigin({-scroll.x(), -scroll.y()});
        canvas.setSkipsUnseen(true);
        canvas.setShownPart({0, top, device.width(), bottom});
        view::paint(doc, view, canvas);
    };
    if (split < device.height()) {
        QImage& picture = lower->picture(device, image.format());
        lower->start([&](platform::qt::QtTextCache& cache) { paintBand(picture, split, device.height(), cache); });
        try {
            const Clock::time_point upper = Clock::now();
            paintBand(image, 0, split, textCache);
            done.upperSeconds = since(upper);
        } catch (...) {
            lower->wait();
            throw;
        }
        lower->wait();
        done.twoBands = true;
        const qsizetype stride = image.bytesPerLine();
        std::memcpy(image.bits() + split * stride, std::as_const(picture).bits() + split * stride,
                    static_cast<std::size_t>(stride) * static_cast<std::size_t>(device.height() - split));
    } else {
        paintBand(image, 0, device.height(), textCache);
    }
    view::endDraw(view, host);
    return done;
}

QImage renderFitted(model::Document& doc, QSize size, QColor background) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(background);
    view::ViewState view;
    view::initialUpdate(view, doc.drawing);
    view.frameSwitch = 0;
    view.axis.visible = 0;
    doc.app().justOpened = false;
    doc.newDrawingFlag = 0;

    // Where the drawing lies at zoom 1, from a paint that only records.
    platform::RecordingCanvas recorder;
    view::OnDraw(doc, view, recorder);
    const auto bounds = recordedBounds(recorder);
    if (!bounds || bounds->width() <= 0 || bounds->height() <= 0) return image;

    const double margin = 0.06;
    const double ppu =
        std::min(size.width() * (1 - 2 * margin) / bounds->width(),
                 size.height() * (1 - 2 * margin) / bounds->height());
    QPainter painter(&image);
    platform::qt::QtCanvas canvas(painter, canvasOptions(size, ppu, true));
    // Centre the drawing in the picture.
    const int extraX = model::truncToInt((size.width() / ppu - bounds->width()) / 2);
    const int extraY = model::truncToInt((size.height() / ppu - bounds->height()) / 2);
    canvas.setWindowOrigin({bounds->left - extraX, bounds->top + extraY});
    view::OnDraw(doc, view, canvas);
    return image;
}

QImage renderSymbolIcon(int symbolCode, int size) {
    const auto kind = model::kindOfSymbol(symbolCode);
    if (!kind) return {};
    model::PipeObject symbol;
    symbol.MainType = model::kindValue(*kind);
    symbol.SubType = symbolCode;
    symbol.StrtDir = symbol.EndDir = static_cast<double>(model::Direction::East);
    symbol.Port2.x = -9999.0;  // no second anchor: laid forward from Port1

    model::DrawingSettings settings;
    view::ViewState view;
    view.X_AxisAngle = 0.0;  // east runs straight to the right
    view.Y_AxisAngle = 30.0;

    platform::RecordingCanvas recorder;
    view::DrawSymbol(symbol, view::PaintContext{recorder, settings, view}, true, false);
    const auto bounds = recordedBounds(recorder);
    if (!bounds) return {};

    const double inner = size - 2.0;
    const double ppu = std::min(inner / std::max(bounds->width(), 1),
                                inner / std::max(bounds->height(), 1));
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    platform::qt::QtCanvas canvas(painter, canvasOptions(QSize(size, size), ppu, true));
    const int extraX = model::truncToInt((size / ppu - bounds->width()) / 2);
    const int extraY = model::truncToInt((size / ppu - bounds->height()) / 2);
    canvas.setWindowOrigin({bounds->left - extraX, bounds->top + extraY});
    view::DrawSymbol(symbol, view::PaintContext{canvas, settings, view}, true, false);
    return image;
}

}  // namespace tubra::app
