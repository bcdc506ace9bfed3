#pragma once
// The passes that rebuild a drawing's pipeline in real space (buildRealModel), one function a
// pass over the state they share, so that each can be run and looked at on its own. In order:
//
//   classifyObjects   roles, bores and the lengths the texts state
//   estimateScale     the drawing's scale, and the guessed lengths of segments without a text
//   joinPoints        drawn points that coincide become nodes; an elbow's or a tee's are one
//   findHosts         nodes on the body of a segment, things on their segment
//   assignBores       every pipe its bore, the line's where its size text states none; things
//                     on a pipe without a size of their own take the pipe's
//   buildGraph        vertices (nodes, segments) and the edges the walk measures along
//   walkGraph         real positions from the origin outward; loops that do not close
//   assemblePipes     segment ends
//   assembleFittings  elbow and tee centres and legs; pipe runs trimmed by the legs
//   assembleThings    welds at legs, points on pipes, things placed on their own
//   packAlongPipes    in-line things and welds along their pipe, in order, without overlap
//   checkTexts        length texts that state no length, elevation marks that disagree
//   reportGroups      parts not connected, objects whose points are unusable
//   modelOf           the result
//
// Everything here is internal to the library; the tests of the passes use it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

#include "tubra/model/Drawing.h"
#include "tubra/model/LengthText.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::spatial::passes {

inline constexpr double kPi = 3.14159255;
// Points this close on the sheet are one point: 0.1 mm of paper, what the drawing tools'
// comparisons after truncation to whole units allow.
inline constexpr double kSame = 1.0;
inline constexpr double kNoSecondAnchor = -9999.0;
// Drawn points beyond these are garbage, not drawings.
inline constexpr double kSheetLimit = 1e7;
inline constexpr double kElevationLimit = 1e9;
inline constexpr double kLongestDrawn = 1e8;
// Without a single stated length the sheet is taken at 1:100 (0.1 mm of paper is 10 mm).
inline constexpr double kDefaultScale = 10.0;
// A line whose size nothing states is taken as DN100.
inline constexpr double kNominalBore = 100.0;
// Long-radius elbows; tees of about the usual centre-to-end size.
inline constexpr double kElbowLegPerBore = 1.5;
inline constexpr double kTeeLegPerBore = 0.9;
// Path costs of the walk: stated lengths first, guesses last, parts not connected after all.
inline constexpr double kStatedCost = 1.0;
inline constexpr double kGuessCost = 1000.0;
inline constexpr double kGroupCost = 1e12;

struct Sheet {
    double x = 0.0;
    double y = 0.0;
};
inline Sheet sheetOf(const model::Vec3& p) {
    return {p.x, p.y};
}
double sheetDistance(Sheet a, Sheet b);
// Finite and within the limits of a sheet and of elevations.
bool usable(const model::Vec3& p);
// The unit vector of a direction code 0..5 (up, down, east, south, west, north); 0 for others.
Point3 axis(int code);
Point3 unit(Point3 v);

// Where a point lies along a drawn segment a→b: fraction t and distance from the line.
struct Along {
    double t = 0.0;
    double offLine = 0.0;
};
Along alongSegment(Sheet p, Sheet a, Sheet b);

// The roles an object plays; none for text blocks and unknown kinds.
std::optional<Role> roleOf(const model::PipeObject& o);
Look lookOf(const model::PipeObject& o, Role role);
// Objects that are not piping: nobody expects them to be connected.
bool isSurroundings(const model::PipeObject& o);
bool isPipe(Role role);  // runs and closed pipes
// In-line things, points and welds: what sits on a pipe rather than being one.
bool sitsOnPipe(Role role);
bool isReducer(const model::PipeObject& o);

// What the passes know of one drawing object.
struct ObjectInfo {
    bool member = false;  // takes part (text blocks and unknown kinds do not)
    Role role = Role::Point;
    bool placed = true;
    // Pipes.
    Point3 u;        // unit direction of a run
    double L = 0.0;  // real length of a run
    bool numbered = false;
    bool estimated = false;
    std::optional<double> number;  // what the length text states
    model::LengthTextFault fault = model::LengthTextFault::None;  // why it states none
    Sheet a, b;                    // drawn ends
    double sheetLength = 0.0;
    int vertex = -1;  // runs: the walk's vertex
    // Every kind: the node of each port (Port1..Port4), -1 when not taking part.
    int node[4] = {-1, -1, -1, -1};
    // Things on a pipe.
    long host = -1;
    double t1 = 0.0, t2 = 0.0;
    bool second = false;
    // Results.
    Point3 start, end;
    double realLength = 0.0;
    std::optional<Point3> centre, branch;
    Point3 legEnd[3];  // fittings: the end of the leg on the side of Port1, Port2, Port3
    double trimStart = 0.0, trimEnd = 0.0;
    std::optional<Point3> runStart, runEnd;
    std::vector<std::size_t> along;
    bool guessed = false;  // placed through a guess
    // Nominal bores, mm; 0 until known. bore2: a reducer's at its end, a tee's branch.
    double bore = 0.0, bore2 = 0.0;
    bool sized = false;  // the object's own size text states its bore
    // Fittings: the pipe each side joins (the side of Port1, Port2, Port3), or -1.
    long sidePipe[3] = {-1, -1, -1};
};

// A drawn point of an object.
struct Port {
    std::size_t object;
    int port;  // 1..4
    Sheet p;
    double z;
};

// Drawn points that are one point of the pipeline.
struct Node {
    std::vector<int> ports;
    int rep = -1;    // the port that stands for the node
    long host = -1;  // a pipe whose drawn body the node lies on
    double hostT = 0.0;
    bool hostClosed = false;
    bool active = false;       // part of the walk
    bool fitting = false;      // holds the points of an elbow or a tee
    bool surroundings = true;  // holds only points of site marks and cut lines
};

enum class EdgeKind { PipeStart, PipeEnd, Host, Closed };
// What the walk measures along: from a segment's vertex to its start and end nodes, from a
// segment to a node on its body, and the vector of a closed pipe between its two nodes.
struct Edge {
    int a = -1, b = -1;
    EdgeKind kind = EdgeKind::PipeStart;
    std::size_t object = 0;  // the pipe the edge measures along
    long other = -1;         // the thing on it (hosts)
    double t = 0.0;
    double cost = kStatedCost;
    bool flexible = false;
};

// A part not connected to the rest, and where it was placed from.
struct GroupSeed {
    int group;
    Point3 from, to;
    bool haveFrom;
};

// The state the passes share.
struct Rebuild {
    explicit Rebuild(const model::Drawing& d);

    const model::Drawing& drawing;
    std::vector<ObjectInfo> objects;  // by drawing index
    double cosA = 1, sinA = 0, cosB = 1, sinB = 0;
    double scale = kDefaultScale;
    bool scaleFromNumbers = false;
    double tableBore = 0.0;

    std::vector<Port> ports;
    std::vector<int> nodeOfPort;
    std::vector<Node> nodes;

    // The walk: vertices are the nodes, then one for every run.
    std::vector<Edge> edges;
    std::vector<std::vector<int>> adjacency;
    std::vector<std::uint8_t> known;
    std::vector<Point3> position;
    std::vector<int> parentEdge;
    std::vector<int> group;
    std::vector<std::uint8_t> guessed;  // placed through a guess: a closed pipe's drawn vector,
                                        // a part not connected
    std::vector<double> costAt;
    std::vector<std::uint8_t> checked;
    // Nodes on closed pipes, placed once both ends of the closed pipe are known.
    std::vector<int> closedHosted;
    std::vector<GroupSeed> groups;

    std::vector<Problem> problems;

    const model::PipeObject& object(std::size_t i) const { return drawing.objects.at(i); }
    const model::Vec3& portOf(std::size_t i, int port) const;
    // The real vector of a drawn one at the drawing's scale, with the real height change dz.
    Point3 invert(Sheet delta, double dz) const;
    // Where a real vector lands on the sheet (unscaled).
    Sheet sheetProjection(Point3 d) const {
        return {d.x * cosA + d.y * cosB, -d.x * sinA + d.y * sinB + d.z};
    }
    Point3 pipeDirection(std::size_t i) const { return unit(objects[i].end - objects[i].start); }
    // The point `s` mm from a pipe's start along it.
    Point3 onPipe(std::size_t i, double s) const;
};

void classifyObjects(Rebuild& r);
// The middle value of `values` (the mean of the two middle ones of an even count); none when
// empty.
std::optional<double> median(std::vector<double> values);
void estimateScale(Rebuild& r);
void joinPoints(Rebuild& r);
void findHosts(Rebuild& r);
void assignBores(Rebuild& r);
void buildGraph(Rebuild& r);
void walkGraph(Rebuild& r);
void assemblePipes(Rebuild& r);
void assembleFittings(Rebuild& r);
void assembleThings(Rebuild& r);
void packAlongPipes(Rebuild& r);
void checkTexts(Rebuild& r);
void reportGroups(Rebuild& r);
RealModel modelOf(Rebuild& r);

}  // namespace tubra::spatial::passes
