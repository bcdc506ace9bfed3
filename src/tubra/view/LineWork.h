#pragma once
// The line work of a pipeline: straight and slanted pipes, elbows, tees, welds and break
// lines, the gaps where one pipe passes behind another, and the selection overlay.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "tubra/model/Document.h"
#include "tubra/model/ObjectList.h"
#include "tubra/view/PaintContext.h"
#include "tubra/view/PaintReach.h"

namespace tubra::view {

// Draws the body of one object by its kind, honouring the layer switches. `selected` draws it
// in the selection colour under XOR, so drawing it twice restores the picture. Text objects
// are never drawn selected.
void DrawObjectBody(const model::PipeObject& object, const PaintContext& ctx, bool selected);

// The pen of a pipe of line class `subType`: 0 main line, anything else branch line.
platform::Pen pipePen(const model::DrawingSettings& s, int subType);

// The two legs a plane-slanted pipe is built from: from the port with the smaller x (h) to the
// corner, and from the corner to the other port (g). Temporary pipes, not in any list.
struct SlantLegs {
    model::PipeObject first;
    model::PipeObject second;
};
// None when the pipe is not plane-slanted or its plane is unknown.
std::optional<SlantLegs> planeSlantLegs(const model::PipeObject& pipe, const AxisAngles& axes);

enum class Crossing : int { None = 0, EarlierInFront = 1, LaterInFront = 2, SameElevation = 3 };

// The crossing of two pipe segments (any other kinds give None): `later` is a, `earlier` is b.
// The crossing must lie on both segments and not on an end point; the pipe that is higher
// there is in front. `at` gets the crossing point (stored coordinates) when there is one.
Crossing FindCrossing(const model::PipeObject& later, const model::PipeObject& earlier,
                      model::Vec3* at = nullptr);

// Cuts the gaps between the object at `index` of `objects` and every object before it: the
// rear pipe is erased around the crossing and the front pipe drawn again across it. This is
// the plain pass over all pairs; `CrossingIndex` draws the same faster.
void DrawCrossingGaps(const model::ObjectList& objects, const PaintContext& ctx,
                      const model::PipeObject& object, std::size_t index);

// The gap of one pair (`later` after `earlier` in the list); nothing when they do not cross.
void drawCrossingGap(const model::PipeObject& later, const model::PipeObject& earlier,
                     const PaintContext& ctx);

// A grid over the pipes of a list that names, for each pipe, the earlier pipes it may cross.
// Candidates come in list order and include every pair `FindCrossing` can report, so drawing
// the gaps of the candidates draws exactly what the all-pairs pass draws, in the same order.
// The index refers to the list; it is built for one paint and must not outlive changes.
//
// Its work never exceeds that of the all-pairs pass: the grid is coarsened until the pipes
// fill few cells each, and a pipe whose cells hold more pipes than come before it in the list
// (pipes crowded in a small area, long pipes across many others) is tested against the
// earlier pipes one by one instead.
class CrossingIndex {
public:
    explicit CrossingIndex(const model::ObjectList& objects);

    // Indexes of the pipes before `index` whose boxes meet the box of the pipe at `index`,
    // ascending (with every pipe whose coordinates the grid cannot place). Empty for objects
    // that are not pipes.
    const std::vector<std::size_t>& candidates(std::size_t index);

    // `DrawCrossingGaps` for the object at `index`, over the candidates only.
    void drawGaps(const PaintContext& ctx, std::size_t index);

    // How many earlier objects the queries so far have looked at, all together; the all-pairs
    // pass looks at `index` of them for the object at `index`.
    std::size_t examined() const { return examined_; }

private:
    struct CellRange {
        int x0 = 0, y0 = 0, x1 = -1, y1 = -1;  // inclusive; empty when x1 < x0
        bool everywhere = false;               // coordinates the grid cannot place
    };

    // How many cells the placeable pipes cover together with cells of `size`.
    double coveredCells(double size, int columns, int rows) const;
    std::size_t cellIndex(int cx, int cy) const {
        return static_cast<std::size_t>(cy) * static_cast<std::size_t>(columns_) + static_cast<std::size_t>(cx);
    }
    // Entries of the cells in the range, from the counts' summed-area table.
    std::size_t entriesIn(const CellRange& r) const;

    std::vector<const model::PipeObject*> objects_;
    std::vector<CellRange> ranges_;
    struct Box {
        double x0, y0, x1, y1;
    };
    std::vector<Box> boxes_;
    double originX_ = 0, originY_ = 0, cellSize_ = 1;
    int columns_ = 1, rows_ = 1;
    std::vector<std::size_t> cellStart_;   // per cell, start in cellItems_ (size cells + 1)
    std::vector<std::size_t> cellItems_;   // pipe indexes per cell, ascending
    std::vector<std::size_t> entrySums_;   // summed-area table of the cells' entry counts
    std::vector<std::size_t> everywhere_;  // pipes with coordinates the grid cannot place
    std::vector<std::size_t> pipes_;       // every pipe, ascending
    std::vector<std::size_t> pipesBefore_;  // per object index: how many pipes come before it
    std::vector<std::size_t> seen_;        // per object: 1 + the last query that took it
    std::vector<std::size_t> result_;
    std::size_t examined_ = 0;
};

// The crossing gaps of a list found once and kept from paint to paint: the gaps depend only on
// where the pipes run, which zooms, scrolls and most edits leave alone, while finding them
// again cost most of the paint of a large drawing. `update` brings them up to date: only the
// positions whose pipe changed its ends (or stopped or started being a pipe) are looked at
// again, against every pipe, unless so many changed that finding all gaps anew is cheaper.
//
// The kept gaps are exactly those the crossing pass draws, in the order it draws them (by the
// later pipe, then the earlier one), so drawing them draws the same calls.
class KeptCrossings {
public:
    struct Gap {
        std::uint32_t later = 0;  // list positions (a list holds far fewer objects)
        std::uint32_t earlier = 0;
        bool laterInFront = false;
        double x = 0, y = 0;  // the crossing, stored coordinates
        std::size_t front() const { return laterInFront ? later : earlier; }
        model::Vec3 at() const { return {x, y, 0.0}; }
    };

    void update(const model::ObjectList& objects);
    // Whether the list is unchanged since the last update (so the gaps are its gaps).
    bool current(const model::ObjectList& objects) const {
        return built_ && cursor_.follows(objects) && cursor_.seen == objects.changes().size() &&
               shapes_.size() == objects.size();
    }
    const std::vector<Gap>& gaps() const { return gaps_; }
    // Positions in gaps() of every gap whose crossing lies in the rectangle (stored
    // coordinates; a few more may come), ascending.
    void gapsIn(double x0, double y0, double x1, double y1, std::vector<std::size_t>& out) const;
    // How many updates found every gap anew, and how many pipes were looked at again one by
    // one: what an edit cost.
    std::size_t fullPasses() const { return fullPasses_; }
    std::size_t pipesLookedAgain() const { return pipesLookedAgain_; }

private:
    struct Shape {
        bool pipe = false;
        model::Vec3 p1, p2;
        bool operator==(const Shape&) const;
    };
    static Shape shapeOf(const model::PipeObject& o);
    void findAll(const model::ObjectList& objects);
    void lookAgain(const model::ObjectList& objects, const std::vector<std::size_t>& changed);
    void buildGrid();

    bool built_ = false;
    model::ListCursor cursor_;
    std::vector<Shape> shapes_;  // by position, as the gaps were found
    std::vector<Gap> gaps_;
    // A grid over the crossings: positions in gaps_ per cell, ascending.
    double originX_ = 0, originY_ = 0, cellSize_ = 1;
    int columns_ = 0, rows_ = 0;
    std::vector<std::size_t> cellStart_, cellItems_;
    std::vector<std::size_t> unplaced_;  // crossings the grid cannot place
    std::size_t fullPasses_ = 0, pipesLookedAgain_ = 0;
};

// The gap of a kept crossing, as drawCrossingGap draws it; `shown` is shownArea(ctx.canvas).
void drawKeptGap(const model::ObjectList& objects, const KeptCrossings::Gap& gap,
                 const PaintContext& ctx, const std::optional<SheetArea>& shown);

// Draws every selected object again with the selection flag (XOR): the selection overlay.
void drawSelectionOverlay(const model::SelectionSet& selection, const PaintContext& ctx);

}  // namespace tubra::view
