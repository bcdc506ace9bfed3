#pragma once
// A canvas that writes what is painted on it as a DXF drawing (ASCII, AutoCAD 2007 / AC1021,
// UTF-8 texts), so the painters of the sheet draw CAD files as they draw the screen and paper.
//
// Units are millimetres: a logical unit (0.1 mm) is 0.1 drawing unit, and the sheet of
// `sheet` logical units, which lies at negative y, is moved up so that it runs from (0, 0) to
// its width and height in millimetres. Figures go to the layer the painters name with
// `setLayer` (an index into `layers`); texts drawn on a layer with a `textLayer` go there
// instead. Pens become true colours, lineweights and linetypes; filled figures HATCH (or SOLID
// for rectangles); circles CIRCLE; Bezier curves SPLINE; texts TEXT in one CJK text style.
//
// The file is paper: black (and white text) is the colour CAD shows as black on paper and
// white on a dark screen, and what is painted in white, or filled in the background colour,
// is paper showing through: it is not written, and cuts the lines written before it where it
// covers them (a crossing's gap, the inside of a weld circle, a break in a pipe), so that no
// white patch stands on a dark CAD screen and no black one on paper.
//
// Text metrics are those of a fixed-pitch face: a cell of |font height| (40 for 0), a
// single-byte character as wide as the font width (half the height for 0), a two-byte
// character twice that. Painters lay out tables with them; the texts themselves are anchored
// by alignment, so a CAD program places them with its own font.

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Canvas.h"

namespace tubra::exchange {

struct DxfLayer {
    std::string name;  // UTF-8
    bool on = true;
    int textLayer = -1;  // where texts drawn on this layer go; -1 here
};

class DxfCanvas final : public platform::Canvas {
public:
    DxfCanvas(platform::Size sheet, std::vector<DxfLayer> layers);

    // The whole file. A thing painted again with the same figures (welds are painted again
    // above the pipes) is written once, where it was painted last; figures of no named thing
    // are all kept.
    std::string finish();

    void setLayer(int layer, const void* thing = nullptr) override;

    platform::TextMetrics textMetrics() const override;
    platform::Size textExtent(std::string_view gbk) const override;
    bool isPrinter() const override { return true; }
    double pixelsPerUnit() const override { return 1.0; }
    platform::Size deviceSize() const override { return sheet_; }

    // The DXF lineweight (hundredths of a millimetre, one of the standard values) of a pen
    // width in logical units.
    static int lineweightOf(int width);

protected:
    void doLine(platform::Point from, platform::Point to) override;
    void doPolyline(std::span<const platform::Point> points) override;
    void doPolygon(std::span<const platform::Point> points) override;
    void doPolyBezier(std::span<const platform::Point> points) override;
    void doEllipse(const platform::Rect& bounds) override;
    void doRectangle(const platform::Rect& r) override;
    void doFillRect(const platform::Rect& r, platform::Colour colour) override;
    void doTextOut(platform::Point p, std::string_view gbk) override;
    int doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines,
                   unsigned format) override;

private:
    enum class Align { Left, Centre, Right };

    // A LINE written: its ends in drawing units and where its groups begin.
    struct LineRecord {
        std::size_t entity;
        std::size_t head;  // size of the groups before its points
        double x1, y1, x2, y2;
        bool current = true;  // false once the line was cut and written anew
    };
    // A region of paper painted over what was drawn: a convex polygon in drawing units.
    void erase(std::vector<std::pair<double, double>> polygon);
    void eraseStroke(platform::Point from, platform::Point to);
    void writeLine(std::size_t entity, std::size_t head, double x1, double y1, double x2, double y2);
    bool isPaper(platform::Colour c) const;
    bool fillsWithPaper() const;
    std::pair<double, double> mm(platform::Point p) const;
    std::vector<std::size_t>& cellAt(int ix, int iy);
    void cellRange(double lo, double hi, double size, int count, int& first, int& last) const;

    // The common head of an entity: type, handle, owner, layer, colour; with the pen's
    // linetype and lineweight when `stroked`.
    void begin(const char* type, const char* subclass, platform::Colour colour, bool stroked,
               bool forText = false);
    void point(int code, platform::Point p);
    void polylineEntity(std::span<const platform::Point> points, bool closed);
    void hatchPolygon(std::span<const platform::Point> points, platform::Colour colour);
    void text(platform::Point anchor, std::string_view gbk, Align align);
    bool penDraws() const;
    bool brushFills() const;

    platform::Size sheet_;
    std::vector<DxfLayer> layers_;
    void flush();
    std::string& body() { return entities_.back().rest; }

    struct Entity {
        std::string type;
        std::string rest;  // every group after the handle
        bool dropped = false;
    };

    int layer_ = 0;
    const void* thing_ = nullptr;
    std::vector<Entity> entities_;
    std::vector<LineRecord> lines_;
    // The lines by the cells of a grid over the sheet that their boxes touch.
    static constexpr int kGrid = 64;
    std::vector<std::vector<std::size_t>> cells_;
    bool pending_ = false;  // the last entity may still be a repeat of an earlier one
    std::unordered_map<std::string, std::size_t> seen_;
};

}  // namespace tubra::exchange
