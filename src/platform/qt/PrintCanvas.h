#pragma once
// A canvas on a paged device (a QPrinter or a QPdfWriter) for printing page by page: the
// painter starts on the device, every page is painted through the same canvas, `newPage`
// moves on. Paints in the device's resolution from the top-left of its printable area.

#include <optional>

#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

#include "platform/qt/QtCanvas.h"

namespace platform::qt {

// Sets the paper of a printer or PDF writer: A4 or A3, landscape or portrait, with margins as
// small as the device allows.
inline void setPaper(QPagedPaintDevice& device, bool a3, bool landscape) {
    device.setPageSize(QPageSize(a3 ? QPageSize::A3 : QPageSize::A4));
    device.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!device.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter))
        device.setPageMargins(device.pageLayout().minimumMargins(), device.pageLayout().units());
}

class PrintCanvas {
public:
    explicit PrintCanvas(QPagedPaintDevice& device) : device_(device) {
        if (painter_.begin(&device_)) canvas_.emplace(painter_, QtCanvas::optionsFor(device_, true));
    }
    ~PrintCanvas() {
        canvas_.reset();
        if (painter_.isActive()) painter_.end();
    }
    PrintCanvas(const PrintCanvas&) = delete;
    PrintCanvas& operator=(const PrintCanvas&) = delete;

    // Whether the device could be opened for painting.
    bool ok() const { return canvas_.has_value(); }
    Canvas& canvas() { return *canvas_; }
    bool newPage() { return device_.newPage(); }
    int printLeft() const { return 0; }
    // Ends the print; false when the device reported an error.
    bool finish() {
        canvas_.reset();
        return !painter_.isActive() || painter_.end();
    }

private:
    QPagedPaintDevice& device_;
    QPainter painter_;
    std::optional<QtCanvas> canvas_;
};

}  // namespace platform::qt
