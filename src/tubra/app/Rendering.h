#pragma once
// Painting documents through the Qt canvas: the view's paint, whole drawings into images (the
// about box) and the symbols of the tool-bar buttons, drawn by the symbol library itself.

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
    // An image of `size` and `format` the thread paints into, kept from paint to paint (its
    // pixels are whatever the last paint left).
    QImage& picture(QSize size, QImage::Format format);

private:
    void run();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void(platform::qt::QtTextCache&)> work_;
    bool busy_ = false;
    bool quit_ = false;
    std::exception_ptr error_;
    std::thread thread_;
    QImage picture_;
};

// The view's paint into the whole of `image` (device pixel ratio 1), the same pixels as
// paintView: the view is prepared once for the whole window, then the rows from `split` down
// are painted on `lower`'s thread into its picture while the rows above it are painted here,
// and copied over. Each part is painted by a canvas of its own on the window's whole device,
// which leaves out what leaves no mark on its rows and draws the rest as the window's canvas
// does (a line cut at the edge of a smaller device may take other pixels). Without `lower`, or
// on a report page, the window is painted in one part here.
void paintViewInBands(model::Document& doc, view::ViewState& view, QImage& image, QPoint scroll,
                      double pixelsPerUnit, view::ViewHost* host,
                      platform::qt::QtTextCache& textCache, BandThread* lower, int split);

// A whole drawing fitted into an image of `size`, for pictures (frame off).
QImage renderFitted(model::Document& doc, QSize size, QColor background = Qt::white);

// The symbol of `symbolCode` laid along a horizontal pipe and fitted into a square icon;
// a null image when the symbol library draws nothing for it.
QImage renderSymbolIcon(int symbolCode, int size);

}  // namespace tubra::app
