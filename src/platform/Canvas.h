#pragma once
// A drawing surface in the manner of a device context with the 0.1 mm mapping mode.
//
// Logical units are 0.1 mm on paper, x grows to the right and y upward; a window origin says
// which logical point sits at the device's top-left (plus a viewport offset in device pixels).
// Pens, brushes and fonts are "selected" into the canvas as values and stay until replaced;
// `save`/`restore` (or `CanvasState` guards) bring back everything at once. Texts are GBK
// bytes. Every painter of the drawing program draws through this interface, so the same
// painter serves the screen, printers, PDF, PNG, SVG and the recording canvas of the tests.

#include <climits>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A colour as 0x00BBGGRR: red in the low byte. The high byte is ignored.
using Colour = std::uint32_t;
constexpr Colour rgbColour(int r, int g, int b) {
    return static_cast<Colour>(r & 0xFF) | (static_cast<Colour>(g & 0xFF) << 8) |
           (static_cast<Colour>(b & 0xFF) << 16);
}
constexpr int redOf(Colour c) { return static_cast<int>(c & 0xFF); }
constexpr int greenOf(Colour c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int blueOf(Colour c) { return static_cast<int>((c >> 16) & 0xFF); }

// An int from a wider value, clamped to the int range: coordinates come from drawing files
// and may be anything.
constexpr int saturate(long long v) {
    return v < INT_MIN ? INT_MIN : v > INT_MAX ? INT_MAX : static_cast<int>(v);
}

struct Point {
    int x = 0;
    int y = 0;
    friend constexpr bool operator==(const Point&, const Point&) = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// A rectangle by its edges. In logical units `top` is the upper edge, so on the sheet top is
// usually the larger y; in device units top is the smaller y. Operations accept either order.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return saturate(static_cast<long long>(right) - left); }
    // Positive for a logical (y up) rectangle.
    int height() const { return saturate(static_cast<long long>(top) - bottom); }
    friend constexpr bool operator==(const Rect&, const Rect&) = default;
};

// Pen styles, numbered as the drawing settings store them.
enum class PenStyle : int {
    Solid = 0,
    Dash = 1,
    Dot = 2,
    DashDot = 3,
    DashDotDot = 4,
    Null = 5,  // draws nothing
};

// A pen. Width in logical units; 0 and 1 draw the thinnest line the device has.
struct Pen {
    PenStyle style = PenStyle::Solid;
    int width = 1;
    Colour colour = 0;

    // A pen from a stored style number; numbers outside 0..5 draw solid.
    static Pen fromStyle(int style, int width, Colour colour);
    friend constexpr bool operator==(const Pen&, const Pen&) = default;
};

enum class BrushStyle : int { Solid = 0, Null = 1 };

// A fill for closed figures (polygon, ellipse, rectangle). A null brush leaves them hollow.
struct Brush {
    BrushStyle style = BrushStyle::Solid;
    Colour colour = 0xFFFFFF;

    static constexpr Brush solid(Colour c) { return {BrushStyle::Solid, c}; }
    static constexpr Brush null() { return {BrushStyle::Null, 0}; }
    friend constexpr bool operator==(const Brush&, const Brush&) = default;
};

// A logical font with every field a LOGFONT has. Only face, height, width, escapement, weight,
// italic, underline and strike-out change the look; the other fields are kept as given.
struct Font {
    std::string face;      // GBK bytes, e.g. "宋体"; unknown faces fall back by family
    int height = 0;        // > 0 cell height, < 0 character height (em), 0 a default size
    int width = 0;         // average character width; 0 keeps the face's proportions
    int escapement = 0;    // text angle, tenths of a degree counter-clockwise
    int orientation = 0;
    int weight = 0;        // 0 default (normal), 400 normal, 700 bold
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int charSet = 0;
    int outPrecision = 0;
    int clipPrecision = 0;
    int quality = 0;
    int pitchAndFamily = 0;

    friend bool operator==(const Font&, const Font&) = default;
};

// Metrics of the selected font, in logical units.
struct TextMetrics {
    int height = 0;  // ascent + descent
    int ascent = 0;
    int descent = 0;
    int internalLeading = 0;
    int externalLeading = 0;
    int aveCharWidth = 0;  // the width of a single-byte character
    int maxCharWidth = 0;  // the width of a two-byte character
    friend constexpr bool operator==(const TextMetrics&, const TextMetrics&) = default;
};

// How a pen or a brush combines with what is already drawn.
enum class RasterOp : int {
    Copy,    // the colour replaces the pixel
    XorPen,  // the pixel is XORed with the colour; drawing the same twice restores it
    Not,     // the pixel is inverted, whatever the colour; drawing twice restores it
};

// Whether text output first fills its cell with the background colour.
enum class BackgroundMode : int { Opaque, Transparent };

// Layout flags of `drawText`, combinable with |.
namespace TextFormat {
inline constexpr unsigned Left = 0x0;
inline constexpr unsigned Top = 0x0;
inline constexpr unsigned Center = 0x1;
inline constexpr unsigned Right = 0x2;
inline constexpr unsigned VCenter = 0x4;
inline constexpr unsigned Bottom = 0x8;
inline constexpr unsigned SingleLine = 0x20;  // CR and LF do not break lines
inline constexpr unsigned NoClip = 0x100;     // text may leave the rectangle
}  // namespace TextFormat

// Everything a canvas carries between calls (what SaveDC keeps).
struct CanvasState {
    Pen pen;
    Brush brush;
    Font font;
    RasterOp rasterOp = RasterOp::Copy;
    Colour textColour = 0x000000;
    Colour backgroundColour = 0xFFFFFF;
    BackgroundMode backgroundMode = BackgroundMode::Opaque;
    Point windowOrigin;    // logical point at the viewport origin
    Point viewportOrigin;  // device point of the window origin
    Point position;        // current position of moveTo / lineTo, logical
    friend bool operator==(const CanvasState&, const CanvasState&) = default;
};

class Canvas {
public:
    virtual ~Canvas() = default;
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // --- state; each setter returns the previous value ---
    Pen setPen(const Pen& pen);
    Brush setBrush(const Brush& brush);
    Font setFont(const Font& font);
    RasterOp setRasterOp(RasterOp op);
    Colour setTextColour(Colour c);
    Colour setBackgroundColour(Colour c);
    BackgroundMode setBackgroundMode(BackgroundMode mode);
    Point setWindowOrigin(Point logical);
    Point setViewportOrigin(Point device);

    const Pen& pen() const { return state_.pen; }
    const Brush& brush() const { return state_.brush; }
    const Font& font() const { return state_.font; }
    RasterOp rasterOp() const { return state_.rasterOp; }
    Colour textColour() const { return state_.textColour; }
    Colour backgroundColour() const { return state_.backgroundColour; }
    BackgroundMode backgroundMode() const { return state_.backgroundMode; }
    Point windowOrigin() const { return state_.windowOrigin; }
    Point viewportOrigin() const { return state_.viewportOrigin; }
    Point currentPosition() const { return state_.position; }
    const CanvasState& state() const { return state_; }

    // Pushes the whole state; `restore` pops it. Unbalanced restores are ignored.
    void save();
    void restore();

    // --- lines and figures; all points logical ---
    // Sets the current position.
    void moveTo(Point p);
    // A line from the current position to `p` with the pen; `p` becomes the current position.
    void lineTo(Point p);
    // Connected lines through the points with the pen.
    void polyline(std::span<const Point> points);
    // A closed figure: filled with the brush, outlined with the pen.
    void polygon(std::span<const Point> points);
    // Cubic Bezier curves: a start point, then three points (two controls, end) per curve.
    void polyBezier(std::span<const Point> points);
    // The ellipse in the bounding rectangle, filled with the brush, outlined with the pen.
    void ellipse(const Rect& bounds);
    // The rectangle outlined with the pen and filled with the brush.
    void rectangle(const Rect& r);
    // The rectangle filled with a solid colour, without outline; always replaces what is there,
    // whatever the raster operation (as a pattern copy does).
    void fillRect(const Rect& r, Colour colour);

    // --- text; GBK bytes ---
    // One line with its top-left at `p`, rotated by the font's escapement; with an opaque
    // background mode the cell is first filled with the background colour.
    void textOut(Point p, std::string_view gbk);
    // Text laid out in the rectangle by `format` (TextFormat flags) and clipped to it unless
    // NoClip. Without SingleLine, CR LF and LF start new lines. Returns the height drawn.
    int drawText(const Rect& r, std::string_view gbk, unsigned format);
    // Metrics of the selected font.
    virtual TextMetrics textMetrics() const = 0;
    // Width and height of one line of text in the selected font (unrotated).
    virtual Size textExtent(std::string_view gbk) const = 0;

    // What the painters draw next: a layer number of their own choosing and the thing drawn
    // (so that painting the same thing again can be told from painting another just like it),
    // for backends that sort figures into layers (CAD files); every other backend ignores it.
    virtual void setLayer(int layer, const void* thing = nullptr) {
        (void)layer;
        (void)thing;
    }

    // --- device ---
    virtual bool isPrinter() const = 0;
    // Device pixels per logical unit (0.1 mm).
    virtual double pixelsPerUnit() const = 0;
    // Size of the drawing area in device pixels.
    virtual Size deviceSize() const = 0;

    Point toDevice(Point logical) const;
    Point toLogical(Point device) const;
    Rect toLogical(const Rect& device) const;
    Rect toDevice(const Rect& logical) const;
    // The logical rectangle the device shows (top-left to bottom-right).
    Rect clipBox() const;
    // A canvas on a screen shows nothing beyond its device, so a paint may leave out what
    // would leave no mark there; recordings, files and printers keep every call.
    bool skipsUnseen() const { return skipsUnseen_; }
    void setSkipsUnseen(bool on) { skipsUnseen_ = on; }
    // The device rectangle such a paint has to get right: the whole device, or a part of it
    // when others paint the rest (a window painted in bands at the same time). What the paint
    // leaves out is what leaves no mark there; beyond it the device may hold anything.
    Rect shownDevice() const;
    void setShownPart(const Rect& device) { shownPart_ = device; }

protected:
    Canvas() = default;

    // What a backend implements; points and rectangles are logical, the state is current.
    virtual void doLine(Point from, Point to) = 0;
    virtual void doPolyline(std::span<const Point> points) = 0;
    virtual void doPolygon(std::span<const Point> points) = 0;
    virtual void doPolyBezier(std::span<const Point> points) = 0;
    virtual void doEllipse(const Rect& bounds) = 0;
    virtual void doRectangle(const Rect& r) = 0;
    virtual void doFillRect(const Rect& r, Colour colour) = 0;
    virtual void doTextOut(Point p, std::string_view gbk) = 0;
    // `lines` are the lines of the text as `drawText` split them; returns the height drawn.
    virtual int doDrawText(const Rect& r, const std::vector<std::string_view>& lines,
                           unsigned format) = 0;
    // Told after every state change, for backends that mirror the state.
    virtual void stateChanged() {}

    CanvasState state_;

private:
    // Sets one field of the state and returns its previous value.
    template <typename T>
    T change(T& field, const T& value) {
        T old = field;
        field = value;
        stateChanged();
        return old;
    }

    std::vector<CanvasState> saved_;
    bool skipsUnseen_ = false;
    std::optional<Rect> shownPart_;
};

// Restores the canvas state of its construction when it goes out of scope.
class CanvasStateGuard {
public:
    explicit CanvasStateGuard(Canvas& canvas) : canvas_(canvas) { canvas_.save(); }
    ~CanvasStateGuard() { canvas_.restore(); }
    CanvasStateGuard(const CanvasStateGuard&) = delete;
    CanvasStateGuard& operator=(const CanvasStateGuard&) = delete;

private:
    Canvas& canvas_;
};

// Splits a text into the lines `drawText` shows: at CR LF, lone LF or lone CR.
std::vector<std::string_view> splitTextLines(std::string_view gbk);

// Where the lines of `drawText` go: the top-left of each line (logical), for line height `h`
// and the given line widths, inside `r` laid out by `format`. Shared by the backends so that
// every device places text the same way.
std::vector<Point> layoutTextLines(const Rect& r, const std::vector<int>& widths, int h,
                                   unsigned format);

// A rectangle with left <= right and top >= bottom (logical orientation).
Rect normalisedLogical(const Rect& r);

}  // namespace platform
