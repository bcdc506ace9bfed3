#include "platform/qt/QtCanvas.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include <QFontMetricsF>
#include <map>
#include <tuple>
#include <QGlyphRun>
#include <QHash>
#include <QTextLayout>
#include <QPaintEngine>
#include <QPainterPath>
#include <QRawFont>
#include <QPolygonF>

#include "text/Gbk.h"

namespace platform::qt {

namespace {

constexpr const char* kSerifFamily = "Noto Serif CJK SC";
constexpr const char* kSansFamily = "Noto Sans CJK SC";
// Its Latin letters are exactly half an ideograph wide.
constexpr const char* kMonoFamily = "Noto Sans Mono CJK SC";
// Share of the em above the baseline in the CJK faces (their ideographic em box).
constexpr double kAscentShare = 0.88;
constexpr double kOurPi = 3.14159265358979323846;
constexpr double kHalfPi = kOurPi / 2.0;
// A device pixel of the screens the line styles were made for, in logical units (96 dpi).
constexpr double kStylePixel = 254.0 / 96.0;

QString fromGbk(std::string_view gbk) {
    const std::string utf8 = text::gbkToUtf8(gbk);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

int clampedInt(double v) {
    if (!(v > -2147483647.0)) return -2147483647;
    if (!(v < 2147483647.0)) return 2147483647;
    return static_cast<int>(std::lround(v));
}

QFont::Weight qtWeight(int w) {
    if (w <= 0) return QFont::Normal;
    const int rounded = std::clamp((w + 50) / 100 * 100, 100, 900);
    return static_cast<QFont::Weight>(rounded);
}

// Dash patterns of the pen styles in screen pixels of 96 dpi: dash, dot, dash-dot,
// dash-dot-dot.
QList<qreal> dashPattern(PenStyle style) {
    switch (style) {
        case PenStyle::Dash: return {18, 6};
        case PenStyle::Dot: return {3, 3};
        case PenStyle::DashDot: return {9, 6, 3, 6};
        case PenStyle::DashDotDot: return {9, 3, 3, 3, 3, 3};
        default: return {};
    }
}

// A pen in device pixels. Widths round to whole pixels, at least one, and a one-pixel pen is
// the device's thinnest line.
// Solid lines up to this width (device pixels) are drawn by the raster engine's own wide-line
// path with square ends: at a few pixels a square end covers what a round end does, give or
// take a corner pixel, and costs a third. Wider lines get real round ends.
constexpr double kSquareEndWidth = 5.0;

// On a recorded page, lines up to this width (logical units) are drawn one pixel wide on
// whatever device shows the page: shrunk to the screen they would be fractions of a pixel.
constexpr int kHairlineUnits = 2;
// Pixels per unit of the screens the hairlines' dashes are measured for (96 dpi).
constexpr double kScreenPixelsPerUnit = 96.0 / 254.0;

QPen makePen(const Pen& p, double pixelsPerUnit, bool squareSmallEnds, bool recorded) {
    if (p.style == PenStyle::Null) return QPen(Qt::NoPen);
    QPen pen(toQColor(p.colour));
    if (recorded && p.width <= kHairlineUnits) pixelsPerUnit = kScreenPixelsPerUnit;
    const double width = std::max<double>(1.0, std::round(std::max(p.width, 0) * pixelsPerUnit));
    if (width <= 1.0) {
        pen.setCosmetic(true);
        pen.setWidth(1);
    } else {
        pen.setWidthF(width);
    }
    QList<qreal> pattern = dashPattern(p.style);
    if (pattern.isEmpty()) {
        const bool square = width <= 1.0 || (squareSmallEnds && width <= kSquareEndWidth);
        pen.setCapStyle(square ? Qt::SquareCap : Qt::RoundCap);
        pen.setJoinStyle(Qt::RoundJoin);
        return pen;
    }
    // Dashes keep their length on paper whatever the device; patterns count in pen widths.
    for (qreal& v : pattern) v = std::max<qreal>(1.0, v * kStylePixel * pixelsPerUnit / width);
    pen.setDashPattern(pattern);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

bool nameIn(const QString& face, std::initializer_list<const char*> names) {
    for (const char* n : names)
        if (face.compare(QString::fromUtf8(n), Qt::CaseInsensitive) == 0) return true;
    return false;
}

}  // namespace

QString familyForFace(std::string_view gbkFace, int pitchAndFamily) {
    const QString face = fromGbk(gbkFace).trimmed();
    if (nameIn(face, {"宋体", "新宋体", "仿宋", "仿宋_GB2312", "楷体", "楷体_GB2312", "SimSun",
                      "NSimSun", "FangSong", "KaiTi", "Times New Roman", "Times", "MS Serif"}))
        return QString::fromUtf8(kSerifFamily);
    if (face.isEmpty() && (pitchAndFamily & 0xF0) == 0x10)  // a roman family without a face
        return QString::fromUtf8(kSerifFamily);
    return QString::fromUtf8(kSansFamily);
}

QColor toQColor(Colour c) { return QColor(redOf(c), greenOf(c), blueOf(c)); }

QtCanvas::QtCanvas(QPainter& painter, const Options& options)
    : painter_(painter), options_(options) {
    if (!(options_.pixelsPerUnit > 0.0)) options_.pixelsPerUnit = 96.0 / 254.0;
    const QPaintEngine* engine = painter_.paintEngine();
    rasterOps_ = engine && engine->hasFeature(QPaintEngine::RasterOpModes);
    rasterEngine_ = engine && engine->type() == QPaintEngine::Raster;
    // The SVG writer keeps no clipping and writes some glyphs as text in a named font.
    outlineText_ = engine && engine->type() == QPaintEngine::SVG;
    // A recorded page (the print preview records the printer's pages) is drawn again later,
    // shrunk to the screen without smoothing: a line drawn as a filled outline a few printer
    // dots wide ends up narrower than a screen pixel and falls apart, while a line stroked
    // with a pen is drawn at least a pixel wide at any scale.
    strokesOnly_ = engine && engine->type() == QPaintEngine::Picture;
}

QtCanvas::Options QtCanvas::optionsFor(const QPaintDevice& device, bool printer) {
    Options o;
    o.pixelsPerUnit = device.logicalDpiX() / 254.0;
    o.deviceSize = {device.width(), device.height()};
    o.printer = printer;
    return o;
}

QTransform QtCanvas::logicalToDevice() const {
    const double s = options_.pixelsPerUnit;
    const CanvasState& st = state_;
    return QTransform(s, 0, 0, -s, st.viewportOrigin.x - st.windowOrigin.x * s,
                      st.viewportOrigin.y + st.windowOrigin.y * s);
}

QRect QtCanvas::deviceRect(const Rect& logical) const {
    return QRect(device(Point{logical.left, logical.top}),
                 device(Point{logical.right, logical.bottom}) - QPoint(1, 1));
}

void QtCanvas::applyPainter(const Pen& pen, const Brush& brush, RasterOp op) {
    if (!rasterOps_) op = RasterOp::Copy;
    if (figureReady_ && !textSet_ && figurePen_ == pen && figureBrush_ == brush && figureOp_ == op) return;
    if (!figureReady_ || textSet_) painter_.setTransform(QTransform());
    if (!figureReady_ || !(figurePen_ == pen)) {
        figureQPen_ = makePen(pen, options_.pixelsPerUnit, rasterEngine_, strokesOnly_);
        painter_.setPen(figureQPen_);
    } else if (textSet_) {
        painter_.setPen(figureQPen_);
    }
    textSet_ = false;
    if (!figureReady_ || !(figureBrush_ == brush)) {
        if (brush.style == BrushStyle::Solid)
            painter_.setBrush(toQColor(brush.colour));
        else
            painter_.setBrush(Qt::NoBrush);
    }
    if (!figureReady_ || figureOp_ != op) {
        QPainter::CompositionMode mode = QPainter::CompositionMode_SourceOver;
        if (op == RasterOp::XorPen) mode = QPainter::RasterOp_SourceXorDestination;
        if (op == RasterOp::Not) mode = QPainter::RasterOp_NotDestination;
        painter_.setCompositionMode(mode);
        // Blended edges would not come back under a second XOR.
        painter_.setRenderHint(QPainter::Antialiasing, options_.antialias && op == RasterOp::Copy);
    }
    figureReady_ = true;
    figurePen_ = pen;
    figureBrush_ = brush;
    figureOp_ = op;
}

void QtCanvas::prepareFigure(bool withBrush) {
    applyPainter(state_.pen, withBrush ? state_.brush : Brush::null(), state_.rasterOp);
}

void QtCanvas::prepareFill(Colour colour) {
    applyPainter(Pen{PenStyle::Null, 0, 0}, Brush::solid(colour), state_.rasterOp);
}

void QtCanvas::drawWideLine(QPointF a, QPointF b, double width) {
    const QPointF v = b - a;
    const double length = std::hypot(v.x(), v.y());
    if (length == 0.0) return;
    const QPointF d = v / length;
    const QPointF n(-d.y(), d.x());
    const double r = width / 2.0;
    // Enough corners on each round end to look round at this width.
    const int steps = std::clamp(static_cast<int>(std::ceil(r)), 2, 24);
    QPolygonF outline;
    outline.reserve(2 * (steps + 1));
    for (int k = 0; k <= steps; ++k) {
        const double phi = -kHalfPi + kOurPi * k / steps;
        outline << b + r * (std::cos(phi) * d + std::sin(phi) * n);
    }
    for (int k = 0; k <= steps; ++k) {
        const double phi = -kHalfPi + kOurPi * k / steps;
        outline << a - r * (std::cos(phi) * d + std::sin(phi) * n);
    }
    prepareFill(state_.pen.colour);
    painter_.drawPolygon(outline, Qt::WindingFill);
}

void QtCanvas::doLine(Point from, Point to) {
    const Pen& pen = state_.pen;
    const double width = std::round(std::max(pen.width, 0) * options_.pixelsPerUnit);
    if (pen.style == PenStyle::Solid && width > 1.0 && !strokesOnly_ &&
        !(rasterEngine_ && width <= kSquareEndWidth)) {
        flushLines();
        drawWideLine(device(from), device(to), width);
        return;
    }
    // The painter draws each solid line of a call by itself, as if alone, so lines of the same
    // pen in a row make the same pixels in one call as one by one (dashes would run on from
    // line to line, and XOR would cancel where lines meet).
    const RasterOp op = rasterOps_ ? state_.rasterOp : RasterOp::Copy;
    const bool batch = options_.batchLines && pen.style == PenStyle::Solid && op == RasterOp::Copy;
    if (batch && !pendingLines_.empty() && pendingPen_ == pen && pendingOp_ == op) {
        pendingLines_.emplace_back(device(from), device(to));
        return;
    }
    flushLines();
    prepareFigure(false);
    if (batch) {
        pendingPen_ = pen;
        pendingOp_ = op;
        pendingLines_.emplace_back(device(from), device(to));
        return;
    }
    painter_.drawLine(device(from), device(to));
}

void QtCanvas::flushLines() {
    if (pendingLines_.empty()) return;
    painter_.drawLines(pendingLines_.data(), static_cast<int>(pendingLines_.size()));
    pendingLines_.clear();
}

void QtCanvas::doPolyline(std::span<const Point> points) {
    flushLines();
    prepareFigure(false);
    QPolygon poly;
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points) poly << device(p);
    painter_.drawPolyline(poly);
}

void QtCanvas::doPolygon(std::span<const Point> points) {
    flushLines();
    prepareFigure(true);
    QPolygon poly;
    poly.reserve(static_cast<qsizetype>(points.size()));
    for (const Point& p : points) poly << device(p);
    painter_.drawPolygon(poly, Qt::OddEvenFill);
}

void QtCanvas::doPolyBezier(std::span<const Point> points) {
    flushLines();
    prepareFigure(false);
    QPainterPath path(device(points[0]));
    for (std::size_t i = 1; i + 2 < points.size(); i += 3)
        path.cubicTo(device(points[i]), device(points[i + 1]), device(points[i + 2]));
    painter_.drawPath(path);
}

void QtCanvas::doEllipse(const Rect& bounds) {
    flushLines();
    prepareFigure(true);
    painter_.drawEllipse(deviceRect(bounds));
}

void QtCanvas::doRectangle(const Rect& r) {
    flushLines();
    prepareFigure(true);
    painter_.drawRect(deviceRect(r));
}

void QtCanvas::doFillRect(const Rect& r, Colour colour) {
    flushLines();
    // A plain copy whatever the raster operation.
    const QRect d(device(Point{r.left, r.top}), device(Point{r.right, r.bottom}) - QPoint(1, 1));
    if (figureReady_ && figureOp_ != RasterOp::Copy) {
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        figureReady_ = false;
    }
    if (!figureReady_ || textSet_) painter_.setTransform(QTransform());
    if (textSet_) {
        painter_.setPen(figureQPen_);
        textSet_ = false;
    }
    painter_.fillRect(d, toQColor(colour));
}

namespace {

// What of a logical font changes its glyphs: everything but its angle.
Font unrotated(const Font& f) {
    Font k = f;
    k.escapement = 0;
    k.orientation = 0;
    return k;
}

}  // namespace

static QtFontEntry makeFontEntry(const Font& f);

bool QtTextCache::FontLess::operator()(const Font& a, const Font& b) const {
    return std::tie(a.face, a.height, a.width, a.weight, a.italic, a.underline, a.strikeOut,
                    a.charSet, a.outPrecision, a.clipPrecision, a.quality, a.pitchAndFamily) <
           std::tie(b.face, b.height, b.width, b.weight, b.italic, b.underline, b.strikeOut,
                    b.charSet, b.outPrecision, b.clipPrecision, b.quality, b.pitchAndFamily);
}

const QtFontEntry& QtTextCache::font(const Font& logical) {
    // A drawing uses a handful of fonts; only strange files reach the bound.
    constexpr std::size_t kMaxFonts = 256;
    if (auto it = fonts_.find(logical); it != fonts_.end()) return it->second;
    if (fonts_.size() >= kMaxFonts) fonts_.clear();
    return fonts_.emplace(logical, makeFontEntry(logical)).first->second;
}

const QtCanvas::FontInfo& QtCanvas::fontInfo() const {
    const Font key = unrotated(state_.font);
    if (font_ && fontKey_ == key) return *font_;
    fontKey_ = key;
    QtTextCache& cache = options_.textCache ? *options_.textCache : ownCache_;
    return *(font_ = &cache.font(key));
}

static QtFontEntry makeFontEntry(const Font& f) {
    const int em = f.height == 0 ? 40 : (f.height == -2147483647 - 1 ? 2147483647 : std::abs(f.height));
    QFont q;
    q.setFamilies({familyForFace(f.face, f.pitchAndFamily), QString::fromUtf8(kSansFamily),
                   QStringLiteral("DejaVu Sans")});
    // Sizes are in logical units; the transform scales them onto the device.
    q.setPixelSize(std::clamp(em, 1, 20000));  // no text is taller than a sheet
    q.setWeight(qtWeight(f.weight));
    q.setItalic(f.italic);
    q.setHintingPreference(QFont::PreferNoHinting);
    q.setKerning(false);
    // Chinese and Latin need no shaping; shaped Latin runs of the CJK faces take digit glyphs
    // that no character maps to, and a PDF could not give them back as text.
    q.setStyleStrategy(QFont::PreferNoShaping);

    QtFontEntry info;
    info.font = q;
    const QFontMetricsF fm(q);
    const double size = q.pixelSize();
    double full = fm.horizontalAdvance(QChar(0x4E2D));  // one ideograph
    if (!(full > 0.0)) full = size;
    const double naturalAverage = full / 2.0;
    const double average = f.width > 0 ? f.width : naturalAverage;
    info.stretch = average / naturalAverage;
    // Lines under and through texts are drawn here, the same way on every device.
    QFont decorated = q;
    decorated.setUnderline(f.underline);
    decorated.setStrikeOut(f.strikeOut);
    info.font = decorated;
    info.underlinePos = fm.underlinePos();
    info.strikeOutPos = fm.strikeOutPos();
    info.lineWidth = std::max(fm.lineWidth(), size / 20.0);

    info.cells = f.width > 0;
    if (info.cells) {
        info.cell = naturalAverage;
        QFont mono = q;
        mono.setFamilies({QString::fromUtf8(kMonoFamily)});
        QFont fallback = q;
        fallback.setFamilies({QStringLiteral("DejaVu Sans")});
        for (const QFont& face : {q, mono, fallback}) {
            QRawFont raw = QRawFont::fromFont(face);
            if (raw.isValid()) info.faces.push_back(raw);
        }
    }

    TextMetrics& m = info.metrics;
    m.height = static_cast<int>(size);
    m.ascent = clampedInt(size * kAscentShare);
    m.descent = m.height - m.ascent;
    m.aveCharWidth = clampedInt(average);
    m.maxCharWidth = clampedInt(full * info.stretch);
    return info;
}

TextMetrics QtCanvas::textMetrics() const { return fontInfo().metrics; }

Size QtCanvas::textExtent(std::string_view gbk) const {
    const FontInfo& fi = fontInfo();
    return {clampedInt(shape(fi, gbk).width * fi.stretch), fi.metrics.height};
}

namespace {

// The characters of a GBK text with the bytes each takes: a lead byte with a valid trail
// byte makes one two-byte character, every other byte one character.
template <typename Fn>
void forEachGbkCharacter(std::string_view gbk, Fn&& fn) {
    for (std::size_t i = 0; i < gbk.size();) {
        const auto lead = static_cast<unsigned char>(gbk[i]);
        std::size_t n = 1;
        if (text::isGbkLeadByte(lead) && i + 1 < gbk.size()) {
            const auto trail = static_cast<unsigned char>(gbk[i + 1]);
            if (trail >= 0x40 && trail <= 0xFE && trail != 0x7F) n = 2;
        }
        fn(gbk.substr(i, n));
        i += n;
    }
}

// Glyphs of consecutive characters that sit in their cells unscaled share one run per face.
struct RunBuilder {
    std::vector<QtGlyphPiece>& pieces;
    int face = -1;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    const std::vector<QRawFont>& faces;

    void flush() {
        if (glyphs.isEmpty()) return;
        QGlyphRun run;
        run.setRawFont(faces[static_cast<std::size_t>(face)]);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        pieces.push_back({run, 0.0, 1.0});
        glyphs.clear();
        positions.clear();
    }
    void add(int f, quint32 glyph, QPointF at) {
        if (f != face) flush();
        face = f;
        glyphs.append(glyph);
        positions.append(at);
    }
};

QtShapedText shapeInCells(const QtFontEntry& fi, std::string_view gbk) {
    QtShapedText shaped;
    RunBuilder runs{shaped.pieces, -1, {}, {}, fi.faces};
    double x = 0.0;
    forEachGbkCharacter(gbk, [&](std::string_view bytes) {
        const double cell = fi.cell * static_cast<double>(bytes.size());
        const std::string utf8 = text::gbkToUtf8(bytes);
        const QString ch = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
        const uint code = ch.isEmpty() ? 0xFFFDu : ch.at(0).isHighSurrogate() && ch.size() > 1
                                                       ? QChar::surrogateToUcs4(ch.at(0), ch.at(1))
                                                       : ch.at(0).unicode();
        // Blanks and controls take their cell and draw nothing.
        if (code > 0x20 && code != 0x7F) {
            // One-byte characters look in the monospaced face first.
            const std::size_t n = fi.faces.size();
            for (std::size_t k = 0; k < n; ++k) {
                const std::size_t f = bytes.size() == 1 && n > 1 ? (k == 0 ? 1 : k == 1 ? 0 : k) : k;
                const QRawFont& face = fi.faces[f];
                if (!face.supportsCharacter(code)) continue;
                const QList<quint32> glyph = face.glyphIndexesForString(ch);
                if (glyph.isEmpty() || glyph[0] == 0) continue;
                const QList<QPointF> adv = face.advancesForGlyphIndexes(
                    glyph, QRawFont::SeparateAdvances | QRawFont::UseDesignMetrics);
                const double advance = adv.isEmpty() ? cell : adv[0].x();
                if (advance <= cell * 1.001) {
                    // Centred in its cell, as the glyphs of a monospaced face are.
                    runs.add(static_cast<int>(f), glyph[0], QPointF(x + (cell - advance) / 2.0, 0.0));
                } else {
                    runs.flush();
                    QGlyphRun run;
                    run.setRawFont(face);
                    run.setGlyphIndexes({glyph[0]});
                    run.setPositions({QPointF(0.0, 0.0)});
                    shaped.pieces.push_back({run, x, cell / advance});
                    runs.face = -1;
                }
                break;
            }
        }
        x += cell;
    });
    runs.flush();
    shaped.width = x;
    return shaped;
}

QtShapedText shapeNaturally(const QtFontEntry& fi, const QString& text) {
    QFont plain = fi.font;
    plain.setUnderline(false);
    plain.setStrikeOut(false);
    QTextLayout layout(text, plain);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    QtShapedText shaped;
    shaped.baseline = line.isValid() ? line.ascent() : 0.0;
    shaped.width = line.isValid() ? line.naturalTextWidth() : 0.0;
    for (const QGlyphRun& run : layout.glyphRuns()) shaped.pieces.push_back({run, 0.0, 1.0});
    return shaped;
}

}  // namespace

const QtCanvas::ShapedText& QtCanvas::shape(const FontInfo& fi, std::string_view gbk) {
    // Shaping is the dear part of text output and drawings repeat their texts (lengths, weld
    // numbers, labels) at every paint: a text is laid out once per font.
    // The lookup borrows the bytes; only a new text is copied into the cache.
    const QByteArray borrowed =
        QByteArray::fromRawData(gbk.data(), static_cast<qsizetype>(gbk.size()));
    if (auto it = fi.shaped.constFind(borrowed); it != fi.shaped.constEnd()) return *it;
    if (fi.shaped.size() > 20000) fi.shaped.clear();  // bounded; a drawing repeats far fewer
    ShapedText shaped = fi.cells ? shapeInCells(fi, gbk) : shapeNaturally(fi, fromGbk(gbk));
    return *fi.shaped.insert(QByteArray(gbk.data(), static_cast<qsizetype>(gbk.size())),
                             std::move(shaped));
}

bool QtCanvas::drawTextLine(Point p, const ShapedText& text) {
    const FontInfo& fi = fontInfo();
    const QPointF origin = logicalToDevice().map(QPointF(p.x, p.y));
    const double s = options_.pixelsPerUnit;
    QTransform t;
    t.translate(origin.x(), origin.y());
    t.rotate(-state_.font.escapement / 10.0);  // counter-clockwise on the page
    t.scale(s * fi.stretch, s);
    // A text wholly off the device draws nothing: a big drawing shows few of its texts, and
    // setting up the glyphs of the others would cost most of a paint. (Only where the painter
    // maps straight to its device; glyphs may reach a text height past their cells.)
    if (QPaintDevice* device = painter_.device(); device && !painter_.viewTransformEnabled()) {
        const double h = fi.metrics.height;
        const QRectF cells = t.mapRect(QRectF(-h, -h, text.width + 2 * h, 3 * h));
        if (!cells.intersects(QRectF(0, 0, device->width(), device->height()))) return false;
        // Nor does a text wholly beyond the part of the device this canvas paints for (the
        // rest is another's).
        const Rect part = shownDevice();
        const Size whole = deviceSize();
        const bool isPart = part.left != 0 || part.top != 0 || part.right != whole.cx || part.bottom != whole.cy;
        if (isPart && !cells.intersects(QRectF(part.left, part.top, part.right - part.left, part.bottom - part.top)))
            return false;
    }
    if (outlineText_) {
        drawTextOutline(t, text);
        return true;
    }
    painter_.setTransform(t);
    // Figures of the plain copy without smoothing leave the painter as texts want it.
    const bool asFigures = figureReady_ && figureOp_ == RasterOp::Copy && !options_.antialias && rasterEngine_;
    if (!asFigures || !textHints_) {
        painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter_.setRenderHint(QPainter::Antialiasing, false);
        painter_.setRenderHint(QPainter::TextAntialiasing, true);
        textHints_ = true;
    }
    if (state_.backgroundMode == BackgroundMode::Opaque)
        painter_.fillRect(QRectF(0, 0, text.width, fi.metrics.height),
                          toQColor(state_.backgroundColour));
    const QColor ink = toQColor(state_.textColour);
    // The pen is still the last text's when no figure came between.
    if (!textSet_ || ink != textInk_) painter_.setPen(ink);
    textInk_ = ink;
    const double baseline = fi.metrics.ascent;
    for (const QtGlyphPiece& piece : text.pieces) {
        if (piece.xScale == 1.0) {
            painter_.drawGlyphRun(QPointF(piece.x, baseline - text.baseline), piece.run);
            continue;
        }
        painter_.setTransform(QTransform::fromTranslate(piece.x, baseline - text.baseline)
                                  .scale(piece.xScale, 1.0) * t);
        painter_.drawGlyphRun(QPointF(0, 0), piece.run);
        painter_.setTransform(t);
    }
    if (fi.font.underline())
        painter_.fillRect(QRectF(0, baseline + fi.underlinePos - fi.lineWidth / 2, text.width,
                                 fi.lineWidth), ink);
    if (fi.font.strikeOut())
        painter_.fillRect(QRectF(0, baseline - fi.strikeOutPos - fi.lineWidth / 2, text.width,
                                 fi.lineWidth), ink);
    return true;
}

void QtCanvas::drawTextOutline(const QTransform& toDevice, const ShapedText& text) {
    const FontInfo& fi = fontInfo();
    const double baseline = fi.metrics.ascent;
    QPainterPath clip;
    if (textClip_) clip.addRect(*textClip_);
    auto cut = [&](const QPainterPath& path) {
        QPainterPath d = toDevice.map(path);
        return textClip_ ? d.intersected(clip) : d;
    };
    painter_.setTransform(QTransform());
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setPen(Qt::NoPen);
    if (state_.backgroundMode == BackgroundMode::Opaque) {
        QPainterPath cellBox;
        cellBox.addRect(QRectF(0, 0, text.width, fi.metrics.height));
        painter_.fillPath(cut(cellBox), toQColor(state_.backgroundColour));
    }
    QPainterPath ink;
    ink.setFillRule(Qt::WindingFill);
    for (const QtGlyphPiece& piece : text.pieces) {
        const QRawFont font = piece.run.rawFont();
        const QList<quint32> glyphs = piece.run.glyphIndexes();
        const QList<QPointF> at = piece.run.positions();
        const QTransform place = QTransform::fromTranslate(piece.x, baseline - text.baseline)
                                     .scale(piece.xScale, 1.0);
        for (qsizetype i = 0; i < glyphs.size() && i < at.size(); ++i) {
            QPainterPath glyph = font.pathForGlyph(glyphs[i]);
            glyph.translate(at[i]);
            ink.addPath(place.map(glyph));
        }
    }
    if (fi.font.underline())
        ink.addRect(QRectF(0, baseline + fi.underlinePos - fi.lineWidth / 2, text.width, fi.lineWidth));
    if (fi.font.strikeOut())
        ink.addRect(QRectF(0, baseline - fi.strikeOutPos - fi.lineWidth / 2, text.width, fi.lineWidth));
    if (!ink.isEmpty()) painter_.fillPath(cut(ink), toQColor(state_.textColour));
}

void QtCanvas::textDrawn() {
    // What a text sets is what figures of the plain copy without smoothing have; the next
    // figure sets only its transform and pen again, unless it needs more. (Only on pixels:
    // vector devices and recorded pages get every setting as before.)
    if (figureReady_ && figureOp_ == RasterOp::Copy && !options_.antialias && rasterEngine_)
        textSet_ = true;
    else
        painterChanged();
}

void QtCanvas::doTextOut(Point p, std::string_view gbk) {
    flushLines();
    // drawTextLine leaves transform, pen and composition to be set again by the next figure.
    if (drawTextLine(p, shape(fontInfo(), gbk))) textDrawn();
}

int QtCanvas::doDrawText(const Rect& r, const std::vector<std::string_view>& lines,
                         unsigned format) {
    flushLines();
    const FontInfo& fi = fontInfo();
    std::vector<const ShapedText*> shaped;
    std::vector<int> widths;
    for (std::string_view line : lines) {
        shaped.push_back(&shape(fi, line));
        widths.push_back(clampedInt(shaped.back()->width * fi.stretch));
    }
    const std::vector<Point> at = layoutTextLines(r, widths, fi.metrics.height, format);
    const bool clipped = !(format & TextFormat::NoClip);
    painter_.save();
    if (clipped) {
        painter_.setTransform(QTransform());
        if (outlineText_)
            textClip_ = QRectF(deviceRect(r)).adjusted(0, 0, 1, 1);
        else
            painter_.setClipRect(deviceRect(r), Qt::IntersectClip);
    }
    for (std::size_t i = 0; i < shaped.size(); ++i)
        if (!lines[i].empty()) drawTextLine(at[i], *shaped[i]);
    textClip_.reset();
    painter_.restore();
    painterChanged();
    return saturate(static_cast<long long>(fi.metrics.height) * static_cast<long long>(lines.size()));
}

}  // namespace platform::qt
