#pragma once
// What the view controller needs of the window it works in: the mapping of device pixels to
// logical units (with the scroll position), scrolling, a canvas for mouse feedback drawn with
// inverting and XOR raster operations, full repaints, the status line and the cursor. The
// desktop view implements it with its widget; the session player with a fixed virtual window.

#include <cmath>
#include <string>

#include "platform/Canvas.h"
#include "tubra/view/ViewState.h"

namespace tubra::edit {

// A mouse position in device pixels of the client area. Fractional positions come from
// replayed sessions (and high-resolution pointers); the window's own events are whole pixels.
struct DevicePoint {
    double x = 0;
    double y = 0;
    friend constexpr bool operator==(const DevicePoint&, const DevicePoint&) = default;
};

// Device pixels <-> logical units (0.1 mm, y up) as the view's paint maps them: the scroll
// position in device pixels sits at the top-left of the client area, the sheet's origin at
// logical (0, 0). Logical points are whole units; a logical point taken to the device and back
// is the same point.
struct DeviceTransform {
    double pixelsPerUnit = 96.0 / 254.0;
    double scrollX = 0;  // device pixels
    double scrollY = 0;

    DevicePoint toDevice(double lx, double ly) const {
        return {lx * pixelsPerUnit - scrollX, -ly * pixelsPerUnit - scrollY};
    }
    platform::Point toLogical(DevicePoint d) const {
        return {round((d.x + scrollX) / pixelsPerUnit), -round((d.y + scrollY) / pixelsPerUnit)};
    }

private:
    static int round(double v) {
        if (!(v > -2.0e9)) return -2000000000;
        if (!(v < 2.0e9)) return 2000000000;
        return static_cast<int>(std::lround(v));
    }
};

// The cursors of the view's tools.
enum class CursorShape {
    Arrow,       // no tool
    Draw,        // a drawing or placing tool
    Pointer,     // properties, move dimension, move, copy: button up
    PointerHeld, // the same tools while the left button is held
    Delete,      // the delete tool
    Hand,        // pan and move drawing: button up
    HandHeld,    // pan and move drawing while the left button is held
};

class ViewPort {
public:
    virtual ~ViewPort() = default;

    // Device pixels per logical unit and the scroll position.
    virtual DeviceTransform transform() const = 0;
    // The client area in device pixels.
    virtual platform::Size clientSize() const = 0;
    // Scrolls so that device pixel (x, y) of the sheet is at the top-left (clamped to the
    // scroll range); the whole view repaints.
    virtual void scrollToDevice(int x, int y) = 0;
    // Applies a zoom or fit: scroll sizes, position and the repaint.
    virtual void apply(const view::ScrollChange& change) = 0;

    // The canvas to draw mouse feedback on, mapped like the paint; null when the view cannot
    // draw now. Every `beginFeedback` is followed by one `endFeedback`.
    virtual platform::Canvas* beginFeedback() = 0;
    virtual void endFeedback() = 0;

    // The whole view is to be drawn again (the feedback on it is gone afterwards).
    virtual void repaint() = 0;

    // The first pane of the status bar (UTF-8).
    virtual void setStatusText(const std::string& text) = 0;
    virtual void setCursorShape(CursorShape shape) = 0;
};

}  // namespace tubra::edit
