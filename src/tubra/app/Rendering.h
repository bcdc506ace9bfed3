#pragma once
// Painting documents through the Qt canvas: the view's paint, whole drawings into images (the
// about box) and the symbols of the tool-bar buttons, drawn by the symbol library itself.

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QSize>

#include "platform/qt/QtCanvas.h"
#include "tubra/model/Document.h"
#include "tubra/view/Paint.h"
#include "tubra/view/ViewState.h"

namespace tubra::app {

// Device pixels per logical unit (0.1 mm) at `dpi` dots per inch.
inline double pixelsPerUnit(double dpi) { return dpi / 254.0; }

// The view's paint: the background (`BeiJingColor`) over the whole device, then the paint of
// the drawing with the scroll position `scroll` (device pixels) at the top-left.
// `textCache` keeps fonts and laid-out texts between paints (null: none kept).
void paintView(model::Document& doc, view::ViewState& view, QPainter& painter, QSize device,
               QPoint scroll, double pixelsPerUnit, view::ViewHost* host,
               platform::qt::QtTextCache* textCache = nullptr);

// A thread of its own that paints a part of the window while the window's thread paints the
// rest. It keeps a text cache of its own from paint to paint (Qt's fonts and raw fonts belong
// to the thread that made them), made, used and dropped on that thread. The thread starts
// with the first part it is given and ends with the object.
class BandThread {
public:
    BandThread() = default;
    ~BandThread();
    BandThread(const BandThread&) = delete;
    BandThread& operator=(const BandThread&) = delete;

    // Runs `work` on the thread with the thread's text cache; returns at once. One at a time:
    // every start is followed by a wait.
    void start(std::function<void(platform::qt::QtTextCache&)> work);
    // Returns when the work has run; throws what it threw.
    void wait();
    // The processor time the thread has used, in seconds (0 before it started).
    double processorSeconds() const;
    // The last work's time from its start() to its end and the processor time it had, in
    // seconds (after its wait; zeros before any work).
    struct Run {
        double wallSeconds = 0.0;
        double processorSeconds = 0.0;
    };
    Run lastRun() const;
    // An image of `size` and `format` the thread paints into, kept from paint to paint (its
    // pixels are whatever the last paint left).
    QImage& picture(QSize size, QImage::Format format);

private:
    void run();

    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void(platform::qt::QtTextCache&)> work_;
    bool busy_ = false;
    bool quit_ = false;
    std::exception_ptr error_;
    std::chrono::steady_clock::time_point startedAt_;
    Run lastRun_;
    std::thread thread_;
    QImage picture_;
};

// How a paint in bands went.
struct BandPaint {
    bool twoBands = false;
    // Wall time of the calling thread's own band.
    double upperSeconds = 0.0;
};

// Whether the window's next paint is split between its thread and a band thread. Two bands
// pay only when a second core is free for the whole paint: a band thread that waits for a
// core makes the click slower than one band would (the objects across the split are drawn by
// both). A paint is kept in one band on a single core, and for a few paints after a lower band
// that was kept from a core for a good part of its run; then two bands are tried again. (How
// many threads the system has ready at the moment of a paint is no guide: the X server and the
// window's own threads are among them just when a click is answered.)
class BandChoice {
public:
    explicit BandChoice(int cores) : cores_(cores) {}
    // Whether the next paint is split.
    bool twoBands();
    // After a paint in two bands: how the window's thread spent it, and the lower band's time
    // from its start to its end with the processor time it had in that time.
    void painted(const BandPaint& paint, const BandThread::Run& lower);
    // The share of the objects in sight the upper band (the window's thread, which also
    // prepares the view) is to paint: the bands are balanced by the time each took.
    double upperShare() const { return upperShare_; }

    // Paints in one band after a lower band that waited for a core.
    static constexpr int kOneBandPaints = 8;

private:
    int cores_;
    int oneBandLeft_ = 0;
    double upperShare_ = 0.5;
};

// The processors this process may run on.
int usableCores();

// The view's paint into the whole of `image` (device pixel ratio 1), the same pixels as
// paintView: the view is prepared once for the whole window, then the rows from `split` down
// are painted on `lower`'s thread into its picture while the rows above it are painted here,
// and copied over. Each part is painted by a canvas of its own on the window's whole device,
// which leaves out what leaves no mark on its rows and draws the rest as the window's canvas
// does (a line cut at the edge of a smaller device may take other pixels). Without `lower`, or
// on a report page, the window is painted in one part here. Says how the paint went.
BandPaint paintViewInBands(model::Document& doc, view::ViewState& view, QImage& image, QPoint scroll,
                      double pixelsPerUnit, view::ViewHost* host,
                      platform::qt::QtTextCache& textCache, BandThread* lower, int split);

// A whole drawing fitted into an image of `size`, for pictures (frame off).
QImage renderFitted(model::Document& doc, QSize size, QColor background = Qt::white);

// The symbol of `symbolCode` laid along a horizontal pipe and fitted into a square icon;
// a null image when the symbol library draws nothing for it.
QImage renderSymbolIcon(int symbolCode, int size);

}  // namespace tubra::app
