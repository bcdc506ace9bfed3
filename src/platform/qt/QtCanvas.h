#pragma once
// The canvas on a QPainter: widgets, images, PDF, SVG and printers. Logical units (0.1 mm, y
// up) are mapped onto the device's pixels; font faces of the drawing files are mapped onto
// installed fonts with their real metrics. Needs a QGuiApplication for fonts.

#include <QColor>
#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QRawFont>
#include <QString>

#include <map>
#include <optional>
#include <vector>

#include "platform/Canvas.h"

namespace platform::qt {

// The installed family a font face stands for: Song-style faces ("宋体", "仿宋", "楷体",
// "Times New Roman", ...) become a CJK serif, every other face a CJK sans.
QString familyForFace(std::string_view gbkFace, int pitchAndFamily);

QColor toQColor(Colour c);

// A line of text laid out in a font, in the font's units: glyph runs with their place along
// the line. A piece with `xScale` below 1 holds one glyph squeezed into its cell.
struct QtGlyphPiece {
    QGlyphRun run;
    double x = 0.0;       // where the piece starts along the line
    double xScale = 1.0;  // horizontal scale of the piece's glyphs
};
struct QtShapedText {
    double width = 0.0;     // advance of the whole line
    double baseline = 0.0;  // the y of the baseline in the runs' positions
    std::vector<QtGlyphPiece> pieces;
};

// A logical font made into a Qt font: the font in logical units, the horizontal stretch that
// gives its average width, its metrics and the texts already laid out in it.
//
// A font asked for with an average width lays its texts out in cells, as the fonts of the
// drawings' own system do: every single-byte character is one average width wide and every
// two-byte character two, so that a text is exactly as wide as its byte count times the
// average width and fits the box a layout made for it. Single-byte characters come from a
// monospaced face whose Latin letters are half an ideograph wide; a glyph wider than its cell
// is squeezed into it. Without a width the face keeps its own proportions.
struct QtFontEntry {
    QFont font;
    double stretch = 1.0;
    TextMetrics metrics;
    bool cells = false;
    double cell = 0.0;  // width of a one-byte cell in the font's units
    // Faces glyphs are looked up in, in order: two-byte characters start with the first,
    // one-byte characters with the second (monospaced).
    std::vector<QRawFont> faces;
    double underlinePos = 0.0, strikeOutPos = 0.0, lineWidth = 1.0;
    mutable QHash<QByteArray, QtShapedText> shaped;
};

// Fonts and laid-out texts kept from paint to paint: drawings repeat their fonts and texts at
// every paint, and making a font or laying out a text costs more than drawing it. Whoever
// paints again and again (a view) keeps one and hands it to each canvas; it must not outlive
// the QGuiApplication.
class QtTextCache {
public:
    const QtFontEntry& font(const Font& logical);
    void clear() { fonts_.clear(); }

private:
    struct FontLess {
        bool operator()(const Font& a, const Font& b) const;
    };
    std::map<Font, QtFontEntry, FontLess> fonts_;
};

class QtCanvas : public Canvas {
public:
    struct Options {
        double pixelsPerUnit = 96.0 / 254.0;  // device pixels per 0.1 mm
        Size deviceSize;                      // device pixels
        bool printer = false;
        bool antialias = false;  // off draws pixel-exact lines, as raster operations need
        QtTextCache* textCache = nullptr;  // kept by the caller between paints; else per canvas
        // Thin solid lines in a row drawn with the same pen go to the painter together, when
        // the next call of another kind comes or the canvas ends: only for a painter nobody
        // else draws with while the canvas lives.
        bool batchLines = false;
    };
    // The painter must be active on its device for the canvas's lifetime.
    QtCanvas(QPainter& painter, const Options& options);
    ~QtCanvas() override { flushLines(); }
    QtCanvas(const QtCanvas&) = delete;
    QtCanvas& operator=(const QtCanvas&) = delete;
    // Options for a paint device: its resolution and size.
    static Options optionsFor(const QPaintDevice& device, bool printer);

    TextMetrics textMetrics() const override;
    Size textExtent(std::string_view gbk) const override;
    bool isPrinter() const override { return options_.printer; }
    double pixelsPerUnit() const override { return options_.pixelsPerUnit; }
    Size deviceSize() const override { return options_.deviceSize; }
    // Whether XOR and NOT reach the pixels; devices without them draw plainly instead.
    bool supportsRasterOps() const { return rasterOps_; }

protected:
    void doLine(Point from, Point to) override;
    void doPolyline(std::span<const Point> points) override;
    void doPolygon(std::span<const Point> points) override;
    void doPolyBezier(std::span<const Point> points) override;
    void doEllipse(const Rect& bounds) override;
    void doRectangle(const Rect& r) override;
    void doFillRect(const Rect& r, Colour colour) override;
    void doTextOut(Point p, std::string_view gbk) override;
    int doDrawText(const Rect& r, const std::vector<std::string_view>& lines,
                   unsigned format) override;

private:
    using FontInfo = QtFontEntry;
    using ShapedText = QtShapedText;
    const FontInfo& fontInfo() const;
    static const ShapedText& shape(const FontInfo& fi, std::string_view gbk);
    QTransform logicalToDevice() const;
    QPoint device(Point p) const { const Point d = toDevice(p); return {d.x, d.y}; }
    QRect deviceRect(const Rect& logical) const;
    // Sets pen, brush and composition for figures, which are drawn in device pixels.
    void prepareFigure(bool withBrush);
    // Sets the painter to fill with `colour` and no outline, under the raster operation.
    void prepareFill(Colour colour);
    void applyPainter(const Pen& pen, const Brush& brush, RasterOp op);
    // Draws the lines held back for one call.
    void flushLines();
    // A solid line wider than a pixel, as a filled outline with round ends.
    void drawWideLine(QPointF a, QPointF b, double width);
    // Forgets what the painter was set to (after clipping, which saves and restores it).
    void painterChanged() {
        figureReady_ = false;
        textSet_ = false;
        textHints_ = false;
    }
    // After a text: the text set the painter's transform and pen, composition and smoothing as
    // figures of the plain copy on a device without smoothing have them, and left the brush.
    void textDrawn();
    // Draws one laid-out line of text with its top-left at `p` (logical).
    // False when the text lies wholly off the device and the painter was left as it was.
    bool drawTextLine(Point p, const ShapedText& text);
    // The same as filled outlines in device pixels, cut to `textClip_`: for devices that keep
    // no clipping and would write glyphs as text in a named font.
    void drawTextOutline(const QTransform& toDevice, const ShapedText& text);

    QPainter& painter_;
    Options options_;
    bool rasterOps_ = false;
    bool rasterEngine_ = false;  // pixels, not a vector device (PDF, SVG, printer)
    bool outlineText_ = false;   // texts as outlines, clipped here (SVG)
    bool strokesOnly_ = false;   // lines as pen strokes, never as outlines (recorded pages)
    std::optional<QRectF> textClip_;  // device rectangle texts are cut to (outline text)
    // What the painter is set to for figures, to set only what changes.
    bool figureReady_ = false;
    // The painter's transform and pen are a text's, the rest as `figure*_` say.
    bool textSet_ = false;
    QColor textInk_;          // the text's pen while `textSet_`
    bool textHints_ = false;  // the painter smooths texts and not figures
    Pen figurePen_;
    QPen figureQPen_;  // made from `figurePen_`
    // Lines held back, all drawn with the painter as the first of them set it.
    std::vector<QLine> pendingLines_;
    Pen pendingPen_;
    RasterOp pendingOp_ = RasterOp::Copy;
    Brush figureBrush_;
    RasterOp figureOp_ = RasterOp::Copy;
    // The font in use, made for `fontKey_` (the logical font without its angle).
    mutable QtTextCache ownCache_;
    mutable const FontInfo* font_ = nullptr;
    mutable Font fontKey_;
};

}  // namespace platform::qt
