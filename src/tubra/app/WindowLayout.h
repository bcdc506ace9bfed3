#pragma once
// Arranging the drawing windows inside the main window's work area.

#include <QRect>
#include <QSize>
#include <vector>

class QMdiArea;

namespace tubra::app {

// Where `count` cascaded windows go in a work area of `area`: all the same size, each `step`
// further right and down than the one before, as large as the area allows with the last one's
// corner in the work area's corner. A stack never makes its windows smaller than two thirds of
// the area each way; more windows start a new stack at the top left.
std::vector<QRect> cascadeLayout(QSize area, int count, int step);

// Where a top-level window of `wanted` size goes on a screen whose free area is `available`: no
// larger than the area less `margin` on every side (room for the frame and title bar), centred
// over `over` (its owner's frame; an empty rectangle for the screen's centre), and moved so that
// all of it is on the screen.
QRect placeWithin(QSize wanted, QRect available, QRect over, int margin);

// Cascades the windows of `area` that are not minimised, the active one in front, by the
// height of a window's title bar.
void cascadeWindows(QMdiArea& area);

}  // namespace tubra::app
