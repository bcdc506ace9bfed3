#pragma once
// Painting documents through the Qt canvas: the view's paint, whole drawings into images (the
// about box) and the symbols of the tool-bar buttons, drawn by the symbol library itself.

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

// A whole drawing fitted into an image of `size`, for pictures (frame off).
QImage renderFitted(model::Document& doc, QSize size, QColor background = Qt::white);

// The symbol of `symbolCode` laid along a horizontal pipe and fitted into a square icon;
// a null image when the symbol library draws nothing for it.
QImage renderSymbolIcon(int symbolCode, int size);

}  // namespace tubra::app
