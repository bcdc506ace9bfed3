#pragma once
// Where new labels go. Every text is drawn on an opaque box, so a label put down on top of
// another label, a weld circle or a symbol hides it. The labels whose place the program
// chooses -- weld numbers, and the labels of valves, fittings, supports and site marks -- are
// placed once, at their first paint: each tries its usual place and then places around its
// anchor, nearest first, and takes the first that is clear of other labels, weld circles,
// symbols and line work. A weld number also stays nearer its own weld than any other.
//
// Pipe lengths and elevation marks follow their pipes at every paint and count as obstacles,
// as does everything else the paint draws: what is already laid out, the bodies of all
// objects, the free texts and the frame with its tables.
//
// A pipe length whose place is covered by a symbol, another label or a weld circle slides, for
// the paint only, along its own segment to the nearest clear place: either way from the
// middle, then on the other side of the pipe. The layout stored in the pipe stays as it is.

#include <unordered_map>
#include <cstdint>
#include <array>
#include <cstddef>
#include <limits>
#include <memory>
#include <span>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/Canvas.h"
#include "platform/FreshMemory.h"
#include "tubra/model/DrawingSettings.h"
#include "tubra/model/ObjectList.h"
#include "tubra/view/BoxGrid.h"
#include "tubra/view/ViewState.h"

namespace tubra::view {

// A text cell on the sheet (device points at the view's zoom): an oriented rectangle.
struct LabelBox {
    double cx = 0, cy = 0;  // centre
    double ux = 1, uy = 0;  // unit vector along the baseline
    double halfWidth = 0, halfHeight = 0;

    // The box of a text of `width` x `height` whose top-left reference is (x, y), turned by
    // `angle` tenths of a degree counter-clockwise, as the canvas draws it.
    static LabelBox ofText(double x, double y, int angle, double width, double height);
    // The top-left reference point of the text the box holds.
    std::array<double, 2> reference() const;
    std::array<std::array<double, 2>, 4> corners() const;
    bool operator==(const LabelBox&) const = default;
    // Whether two boxes share any point, this one grown by `margin` on every side, or by
    // `along` at its ends and `across` at its top and bottom.
    bool overlaps(const LabelBox& other, double margin = 0.0) const;
    bool overlaps(const LabelBox& other, double along, double across) const;
    // Distance from a point to the box (0 inside).
    double distanceTo(double x, double y) const;
    // Whether the segment from a to b comes within `margin` of the box.
    bool touchesSegment(double ax, double ay, double bx, double by, double margin) const;
};

// What an obstacle is; placement gives up a clear line before a clear symbol, and that before
// clear labels and weld circles.
enum class ObstacleLayer : unsigned char { Label, WeldCircle, Symbol, Line };

// Everything a paint draws, as shapes in a grid for finding what lies near a place.
class ObstacleMap {
public:
    static constexpr std::size_t kNoOwner = std::numeric_limits<std::size_t>::max();

    struct Shape {
        enum class Kind : unsigned char { Box, Segment, Circle } kind = Kind::Box;
        ObstacleLayer layer = ObstacleLayer::Line;
        std::uint32_t index = 0;       // its place in the map, set by the map (see addKept)
        std::size_t owner = kNoOwner;  // index of the object that drew it
        // Ahead of what the shape is: a query mostly reads no further than its owner and bounds.
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // bounds
        // A shape is one kind, so the box and the ends share their place: read only those of
        // its kind. (A box's ends, or a stroke's box, are what the other wrote there.)
        union {
            LabelBox box = {};  // Box
            struct {
                double ax, ay, bx, by;  // Segment ends; Circle centre in (ax, ay)
                double radius;          // Circle radius; half the width of a Segment
            };
        };
    };
    // Recordings hold a hundred thousand of these: every byte is pages to fault in and scan.
    static_assert(sizeof(Shape) == 96);

    // `cellSize` is the side of a grid cell the map starts from; maps over a wide area take
    // larger cells.
    explicit ObstacleMap(double cellSize = 64.0);

    void addBox(const LabelBox& box, ObstacleLayer layer, std::size_t owner);
    void addSegment(double ax, double ay, double bx, double by, double halfWidth,
                    ObstacleLayer layer, std::size_t owner);
    void addCircle(double x, double y, double radius, ObstacleLayer layer, std::size_t owner);
    // A shape recorded before, with its bounds, for `owner`.
    void add(Shape shape, std::size_t owner) {
        shape.owner = owner;
        insert(shape);
    }

    // Shapes kept from a recording (`count` of them from `first` on in `block`, each for the
    // owner it names), added as add() would add them one by one but held where they are, not
    // copied: the map keeps the block. They keep the index of their place in the block. Only
    // before the first query, and once; false (and nothing added) otherwise, or when a shape
    // has no bounds on the sheet.
    bool addKept(std::shared_ptr<const std::vector<Shape>> block, std::size_t first, std::size_t count);

    // Room for `count` shapes in all, so that filling the map copies none of them twice.
    void reserve(std::size_t count);
    // The shapes added, kept ones not among them.
    const std::vector<Shape>& shapes() const { return shapes_; }
    // Every shape held, by its place in the map (what near() answers).
    std::size_t size() const { return shapes_.size() + keptCount_; }
    const Shape& shape(std::size_t i) const {
        if (i - keptAt_ < keptCount_) return kept_[i - keptAt_];
        return shapes_[i < keptAt_ ? i : i - keptCount_];
    }
    // Hands over the shapes held, leaving the map empty.
    std::vector<Shape> takeShapes();
    // Indexes of the shapes that come within the rectangle, each once: boxes and circles by
    // their bounds, segments by their strokes. The grid is laid over what is there at the
    // first query; later shapes join it.
    const std::vector<std::size_t>& near(double x0, double y0, double x1, double y1);
    // Calls `fn` with each shape that comes within the rectangle (as near() finds them), once
    // each, until it returns false: for questions answered before all shapes are seen.
    template <typename Fn>
    void visit(double x0, double y0, double x1, double y1, Fn&& fn);
    // visit(), for questions about shapes whose bounds meet the area `a` ({x0, y0, x1, y1})
    // only: most shapes whose bounds miss it are passed over unread, the rest go to fn (which
    // must pass them over itself).
    template <typename Fn>
    void visitMeeting(double x0, double y0, double x1, double y1, const std::array<double, 4>& a, Fn&& fn);
    // The largest half width of a segment or radius of a circle held.
    double widest() const { return widest_; }
    // No more shapes than near() would find in the rectangle, and often as many: the shapes
    // whose middle (the middle of their bounds) lies well inside it, counted from a table of
    // the shapes held at the first query. A crowded place is known from this count without
    // looking at a shape.
    std::size_t surelyNear(double x0, double y0, double x1, double y1);

private:
    // A shape in a cell, with its bounds at hand so that a query seldom looks further. A
    // segment has an entry in each cell its stroke crosses, bounded by its piece there, so that
    // long strokes through a crowded place cost only the cells they pass.
    struct Entry {
        double x0, y0, x1, y1;
        bool shared;          // the shape has entries in other cells too
        bool whole;           // the bounds are the shape's, not a piece's
        std::uint32_t index;  // the shape's place in the map
    };
    static constexpr std::uint32_t kNoLate = std::numeric_limits<std::uint32_t>::max();

    void insert(Shape shape);
    void buildGrid();
    void enter(std::size_t index);
    // Calls fn(cell, entry bounds) for every grid cell of shape `index`; false when the shape
    // is too large for the grid (it goes to `everywhere_` instead).
    template <typename Fn>
    bool forEachEntry(std::size_t index, Fn&& fn) const;
    // visit(), with each shape's place in the map: fn(index, shape).
    // With `within`, entries holding a whole shape whose bounds miss it are passed over.
    template <typename Fn>
    void walk(double x0, double y0, double x1, double y1, Fn&& fn, const std::array<double, 4>* within = nullptr);
    int column(double x) const;
    int row(double y) const;
    // Whether shape `s` comes within the rectangle.
    static bool meets(const Shape& s, double x0, double y0, double x1, double y1);

    // A query over more cells than this looks at every shape instead.
    static constexpr long long kMaxQueryCells = 4096;

    double cellSize_;
    std::vector<Shape> shapes_;
    // Kept shapes (see addKept) take places keptAt_ .. keptAt_ + keptCount_ - 1.
    std::shared_ptr<const std::vector<Shape>> keptBlock_;
    const Shape* kept_ = nullptr;
    std::size_t keptAt_ = 0, keptCount_ = 0;
    double widest_ = 0;
    bool gridBuilt_ = false;
    double originX_ = 0, originY_ = 0, cell_ = 64.0;
    int columns_ = 1, rows_ = 1;
    // The grid as laid at the first query: the entries of cell c (row-major) are
    // entries_[cellStart_[c]] up to entries_[cellStart_[c + 1]]. Shapes added later go to
    // `late_`, by cell. One block for the whole grid: a
    // wide, sparse grid costs no more than its table of starts.
    LargeList<std::size_t> cellStart_;
    LargeList<Entry> entries_;
    // Entries of shapes added late, all in one list: each cell's in the order added, from
    // lateFirst_[c] on through lateNext_ (kNoLate ends a cell's). Laid at the first one.
    LargeList<Entry> late_;
    LargeList<std::uint32_t> lateNext_;
    LargeList<std::uint32_t> lateFirst_, lateLast_;
    std::vector<std::size_t> everywhere_;          // shapes too large for the grid
    LargeList<std::size_t> stamp_;
    std::size_t query_ = 0;
    std::vector<std::size_t> result_;
    // The middles of the shapes held when the grid was laid, counted in a finer grid of
    // `fine_` sided cells from the same origin: middles_[r * (fineColumns_ + 1) + c] is the
    // number of middles in the cells left of column c and below row r. Made at the first
    // count asked for.
    void countMiddles();
    bool middlesCounted_ = false;
    double fine_ = 1.0, fineSlack_ = 0.0;
    int fineColumns_ = 0, fineRows_ = 0;
    LargeList<std::uint32_t> middles_;
};

template <typename Fn>
void ObstacleMap::visit(double x0, double y0, double x1, double y1, Fn&& fn) {
    walk(x0, y0, x1, y1, [&](std::size_t, const Shape& s) { return static_cast<bool>(fn(s)); });
}

template <typename Fn>
void ObstacleMap::visitMeeting(double x0, double y0, double x1, double y1, const std::array<double, 4>& a, Fn&& fn) {
    walk(x0, y0, x1, y1, [&](std::size_t, const Shape& s) { return static_cast<bool>(fn(s)); }, &a);
}

template <typename Fn>
void ObstacleMap::walk(double x0, double y0, double x1, double y1, Fn&& fn, const std::array<double, 4>* within) {
    if (!gridBuilt_) buildGrid();
    ++query_;
    auto take = [&](std::size_t i) {
        if (stamp_[i] == query_) return true;
        stamp_[i] = query_;
        const Shape& s = shape(i);
        if (!meets(s, x0, y0, x1, y1)) return true;
        return static_cast<bool>(fn(i, s));
    };
    for (std::size_t i : everywhere_)
        if (!take(i)) return;
    if (!(x0 <= x1) || !(y0 <= y1)) return;
    const int cx0 = column(x0), cx1 = column(x1), cy0 = row(y0), cy1 = row(y1);
    if (static_cast<long long>(cx1 - cx0 + 1) * (cy1 - cy0 + 1) > kMaxQueryCells) {
        // A place larger than a good part of the grid: every shape is as quick to look at.
        for (std::size_t i = 0; i < size(); ++i)
            if (!take(i)) return;
        return;
    }
    auto look = [&](const Entry& e, const Shape& s) {
        if (e.x0 > x1 || x0 > e.x1 || e.y0 > y1 || y0 > e.y1) return true;
        if (within && e.whole) {
            const auto& w = *within;
            if (e.x0 > w[2] || w[0] > e.x1 || e.y0 > w[3] || w[1] > e.y1) return true;
        }
        // A shape in one cell only is met once; the others are marked when met.
        // (The entry names the shape, so a shape met before is passed over without reading it.)
        if (e.shared && stamp_[e.index] == query_) return true;
        // A piece of a stroke near the place may still pass it by.
        if (s.kind == Shape::Kind::Segment && !meets(s, x0, y0, x1, y1)) return true;
        if (e.shared) stamp_[e.index] = query_;
        return static_cast<bool>(fn(e.index, s));
    };
    for (int cy = cy0; cy <= cy1; ++cy)
        for (int cx = cx0; cx <= cx1; ++cx) {
            const std::size_t c =
                static_cast<std::size_t>(cy) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(cx);
            for (std::size_t k = cellStart_[c]; k < cellStart_[c + 1]; ++k)
                if (!look(entries_[k], shape(entries_[k].index))) return;
            if (lateFirst_.empty()) continue;
            for (std::uint32_t k = lateFirst_[c]; k != kNoLate; k = lateNext_[k])
                if (!look(late_[k], shape(late_[k].index))) return;
        }
}

// Whether a text box at `b` would cover shape `s` or come too near it: texts keep a character
// (`charWidth`) apart along their lines, everything else a small margin.
bool touchesShape(const LabelBox& b, const ObstacleMap::Shape& s, double charWidth);

// A text box tried against many shapes: the same answers as touchesShape, but a shape whose
// bounds lie plainly beside the box grown by its margin is passed over without the exact
// test. "Plainly" leaves room for rounding, so the exact test decides every close call.
class LabelProbe {
  public:
    explicit LabelProbe(const LabelBox& box);
    bool touches(const ObstacleMap::Shape& s, double charWidth) const;

  private:
    // Whether [x0, x1] x [y0, y1] lies beyond the box's bounds grown by gx, gy.
    bool beside(double x0, double y0, double x1, double y1, double gx, double gy) const;

    LabelBox box_;
    double ax_, ay_;  // |ux|, |uy|
    double ex_, ey_;  // half extents of the box along the sheet's axes
    double slack_;
};

// std::hypot(dx, dy) * factor < limit, answered as that expression answers it: the squares
// decide where they are plainly apart, the square root is taken only for a close call.
bool hypotBelow(double dx, double dy, double factor, double limit);

// Records what painters draw, object by object, into an obstacle map. Text metrics follow the
// fonts' widths as the canvases of the program do: every byte one average width. The strokes
// of a symbol go in as one box around them all: a label keeps off the whole symbol, and the
// map stays small.
class ObstacleCanvas : public platform::Canvas {
public:
    explicit ObstacleCanvas(ObstacleMap& map) : map_(map) {}
    // Who draws next and what its figures count as; texts always count as labels.
    void setOwner(std::size_t owner, ObstacleLayer figures, bool circlesAreWelds = false) {
        flush();
        owner_ = owner;
        figures_ = figures;
        welds_ = circlesAreWelds;
    }
    // Puts the box of the symbol drawn last into the map.
    void flush();

    platform::TextMetrics textMetrics() const override;
    platform::Size textExtent(std::string_view gbk) const override;
    bool isPrinter() const override { return false; }
    double pixelsPerUnit() const override { return 1.0; }
    platform::Size deviceSize() const override { return {1 << 20, 1 << 20}; }

protected:
    void doLine(platform::Point from, platform::Point to) override;
    void doPolyline(std::span<const platform::Point> points) override;
    void doPolygon(std::span<const platform::Point> points) override;
    void doPolyBezier(std::span<const platform::Point> points) override;
    void doEllipse(const platform::Rect& bounds) override;
    void doRectangle(const platform::Rect& r) override;
    void doFillRect(const platform::Rect&, platform::Colour) override {}
    void doTextOut(platform::Point p, std::string_view gbk) override;
    int doDrawText(const platform::Rect& r, const std::vector<std::string_view>& lines,
                   unsigned format) override;

private:
    void segment(platform::Point a, platform::Point b);
    // Grows the box of the symbol being drawn.
    void extend(double x0, double y0, double x1, double y1);

    ObstacleMap& map_;
    bool grouped_ = false;
    double gx0_ = 0, gy0_ = 0, gx1_ = 0, gy1_ = 0;
    std::size_t owner_ = ObstacleMap::kNoOwner;
    ObstacleLayer figures_ = ObstacleLayer::Line;
    bool welds_ = false;
};


// Where the lengths of the pipes go at this paint (see above): the shifts of those that slide,
// in list order. Lays out pipes and elbows as the paint does; a length the user moved by hand
// stays where it was put.
std::vector<LabelShift> slidePipeLengths(model::ObjectList& objects, const model::DrawingSettings& settings,
                                         const ViewState& view);

// The obstacles each object's paint makes, kept in the view from one placement to the next.
// An object's shapes are recorded again only when its stamp in the list says it may have
// changed, or when something every paint depends on (the settings, the zoom, the axes) did.
struct ObstacleCache {
    struct Entry {
        const model::PipeObject* object = nullptr;
        std::uint64_t stamp = 0;
        bool annotated = false;  // recorded with its annotation (not waiting for its place)
        // The shapes it drew: `count` of them from `first` on in a block shared with the
        // other objects recorded at the same time (one block per recording, not one list per
        // object).
        std::shared_ptr<const std::vector<ObstacleMap::Shape>> block;
        std::uint32_t first = 0, count = 0;
        std::span<const ObstacleMap::Shape> shapes() const {
            if (!block) return {};
            return {block->data() + first, count};
        }
        double x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // bounds of the shapes (none: x0 > x1)
    };
    struct Inputs {
        model::DrawingSettings settings;
        double zoom = 0, alpha = 0, beta = 0;
        bool autoElevation = false;
        bool operator==(const Inputs&) const = default;
    };
    std::optional<Inputs> inputs;
    std::vector<Entry> entries;  // by list position
    // The list's changes followed since the entries were last brought up to date.
    model::ListCursor cursor;
    std::vector<std::size_t> pending;  // positions to record again
    std::vector<bool> isPending;
    // Which objects wait for their label's place.
    std::vector<bool> waiting;
    std::size_t waitingCount = 0;
    // The entries' bounds, to find those within a label's reach.
    BoxGrid grid{1024.0};
    // Objects recorded again at the last placement (for tests and measurements).
    std::size_t recorded = 0;
    // Every label looks at everything, however far (what tests compare the reach with).
    bool everywhere = false;
};

// Lays out every label of `objects` not laid out yet: weld numbers first, then the labels of
// valves, fittings, supports and site marks, each in the first clear place around its anchor
// (see above). Pipes and elbows are laid out as the paint lays them out. The frame with its
// tables counts when the view shows it. What the view keeps (`view.obstacles`) spares
// recording the paint of the objects that did not change, and a label looks only at what
// lies within its reach, so placing one new label does not cost a paint of the drawing.
void placeLabels(model::ObjectList& objects, const model::DrawingSettings& settings,
                 ViewState& view);

}  // namespace tubra::view
