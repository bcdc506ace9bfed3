#pragma once
// The pipeline of a drawing rebuilt in real space, and what the drawing says that does not
// agree with itself.
//
// Frame: millimetres, x east, y north, z up. The origin is the start of the drawing's first
// pipeline object (text blocks are skipped) at the elevation stored there, so z is the real
// elevation and x, y run from the start of the line.
//
// The walk follows connections as the drawing tools make them: points that coincide on the sheet
// (within 0.1 mm of paper) are one point; the three points of an elbow and the four of a tee are
// one point, the intersection of the centre lines, where the isometric's dimensions end. A
// segment runs from its start along the unit vector of its direction for its real length (the
// number of its length text; without one, its drawn length at the drawing's own scale, flagged
// as estimated). Things drawn on a segment sit at the point of the real segment that
// corresponds, by proportion, to their place on the drawn one.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tubra/model/Drawing.h"

namespace tubra::spatial {

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    friend Point3 operator+(Point3 a, Point3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Point3 operator-(Point3 a, Point3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Point3 operator*(Point3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
    friend bool operator==(const Point3&, const Point3&) = default;
};

double dot(Point3 a, Point3 b);
double norm(Point3 a);
double distance(Point3 a, Point3 b);

// How a 3D view draws an object: the colour classes of the drawing's own settings.
enum class Look {
    MainPipe,          // 主线管 (ZhuXianColor)
    BranchPipe,        // 支线管 (ZhiXianColor)
    PlaneSlantedPipe,  // 平面斜管 (PingXieColor)
    SpaceSlantedPipe,  // 空间斜管, closed pipes (LiXieColor)
    Elbow,
    Tee,
    Valve,     // FaMenColor
    Fitting,   // GuanJianColor
    Support,   // supports and columns
    Weld,      // HanFengColor
    SiteMark,  // walls, ground, rivers, roads, railways, vessels
    CutLine,
};
std::string_view lookName(Look look);  // "main-pipe", "branch-pipe", …

// Where an object sits in the pipeline (each kind's and symbol's row gives it).
using Role = model::RealRole;

// One drawing object in real space.
struct RealObject {
    std::size_t index = 0;  // its place in the drawing's list, from 0
    int MainType = 0;
    int SubType = 0;
    Role role = Role::Point;
    Look look = Look::Fitting;
    // Pipes: the two ends. Elbows: the ends of their two legs (incoming first). Tees: the two run
    // ends. In-line things: their two ends in the drawn order. Welds, supports, marks: start = end.
    Point3 start;
    Point3 end;
    std::optional<Point3> centre;  // elbows and tees: the intersection of the centre lines
    std::optional<Point3> branch;  // tees: the branch end
    bool placed = true;      // false only when the drawing's points of the object are unusable
    bool estimated = false;  // its length, or its place (a part not connected), is a guess
    double length = 0.0;     // pipes: the real length taken, mm
    double bore = 0.0;       // mm, from the object's size text (else the table's); 0: none
    double bore2 = 0.0;      // reducers: the bore at `end`
    int weldNumber = 0;      // welds: 焊口编号
    long host = -1;          // things on a pipe: the drawing index of that pipe
    // Pipes: where the pipe itself begins and ends once the legs of the elbows and tees at its
    // ends are taken off, and the drawing indexes of the in-line things, welds and tees that
    // sit along it, in order from its start.
    Point3 runStart;
    Point3 runEnd;
    std::vector<std::size_t> along;
};

enum class ProblemKind {
    Loop,       // two paths reach one point and disagree: a loop, a closed pipe, a branch rejoining
    Elevation,  // an elevation mark disagrees with the elevation worked out
    LengthText,   // a pipe's length text is not a number
    Unconnected,  // objects not connected to the rest of the pipeline
    UTurn,        // a pipe drawn back over the one before it, through one elbow
};
// "loop", "elevation", "length-text", "unconnected", "u-turn"
std::string_view problemKindName(ProblemKind kind);

struct Problem {
    ProblemKind kind = ProblemKind::Loop;
    std::vector<std::size_t> objects;  // drawing indexes of the objects involved
    std::string message;               // for the user (UTF-8)
    std::optional<double> mm;          // size of the disagreement
    // The two points that disagree, for drawing the gap.
    std::optional<std::pair<Point3, Point3>> gap;
};

// Disagreements up to this many millimetres are taken as agreement.
inline constexpr double kToleranceMm = 10.0;

struct RealModel {
    std::vector<RealObject> objects;  // in drawing order; text blocks are left out
    std::vector<Problem> problems;
    double scale = 0.0;             // mm per sheet unit the drawing is drawn at (median)
    bool scaleFromNumbers = false;  // false: no segment states a length; 10 mm per unit assumed

    // The object of drawing index `index`, or null (text blocks, indexes past the end).
    const RealObject* find(std::size_t index) const;
    std::vector<long> position;  // drawing index → place in `objects`, or -1
};

RealModel buildRealModel(const model::Drawing& drawing);

}  // namespace tubra::spatial
