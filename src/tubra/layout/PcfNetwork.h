#pragma once
// The pipeline of a piping component file as a network of straight runs: components joined
// where their end points coincide (within kJoinTolerance), the centre lines of elbows, tees,
// olets and angle valves meeting at their centre points, and runs from one such point (or an
// open end) to the next. Everything that sits along a run -- valves, flanges, reducers, welds,
// supports -- is an item of the run, at its distance from the run's start.
//
// The walk orders the runs as a draughtsman draws them: from an open end (an END-CONNECTION, or
// the free end of the lowest-numbered component), straight on through tees and around elbows,
// then the branches in the order their tees were passed; parts not connected to the rest one
// after another.

#include <cstddef>
#include <string>
#include <vector>

#include "tubra/exchange/PcfFile.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::layout {

using spatial::Point3;

// Points this close are one point (millimetres).
inline constexpr double kJoinTolerance = 1.0;

enum class JunctionKind {
    End,         // an open end
    Elbow,       // the centre of an elbow or bend
    Tee,         // the centre of a tee
    Olet,        // the centre of an olet, on the line it branches from
    AngleValve,  // the centre of an angle valve
    Corner,      // runs meet without a fitting: a turn or a branch
};

enum class ItemKind {
    InLine,  // takes a length of its run: valves, flanges, reducers, caps, ...
    Weld,
    Support,
    Gauge,  // an instrument on a small connection (a point)
    FlowArrow,
    Message,        // a note of the file (MESSAGE-*)
    EndConnection,  // what an open end connects to (END-CONNECTION-*)
};

// The record of a weld the file implies at a welded joint (a file without WELD records).
inline constexpr std::size_t kImplied = static_cast<std::size_t>(-1);

struct Item {
    std::size_t record = 0;  // kImplied for implied welds
    ItemKind kind = ItemKind::InLine;
    int symbol = 0;   // the drawing symbol (0: none)
    double s0 = 0.0;  // millimetres along the run from its start; s0 <= s1
    double s1 = 0.0;
    bool reversed = false;  // in-line: the record's first END-POINT lies at s1
    // Welds at an end of an elbow, tee, olet or angle valve: -1 at the fitting at the run's
    // start, +1 at the one at its end; 0 elsewhere.
    int atFitting = 0;
};

struct Junction {
    Point3 p;
    JunctionKind kind = JunctionKind::End;
    long record = -1;         // the fitting's record
    std::vector<int> spans;   // the runs that meet here
    std::vector<Item> items;  // things at this point (s0 = s1 = 0): end connections, welds, caps
    std::size_t firstRecord = 0;  // the lowest-numbered record with a point here
};

struct Span {
    int from = -1;  // junctions, in the direction of the walk
    int to = -1;
    Point3 a, b;  // their points
    Point3 u;     // unit vector from a to b
    double length = 0.0;
    std::vector<Item> items;         // by s0
    std::vector<std::size_t> pipes;  // PIPE records along the run, from its start
    long fitting = -1;               // a record of a fitting at one of its ends (for its size)
    int part = 0;                    // connected part, from 0
    bool branch = false;             // on a branch line
    bool closing = false;            // closes a loop: both its ends were reached before
};

struct Network {
    std::vector<Junction> junctions;
    std::vector<Span> spans;  // in the order of the walk, each from `from` to `to`
    // The first junction of each part, in walk order.
    std::vector<int> partStarts;
    // Records of things that lie on no run (their names go into the warning).
    std::vector<std::size_t> unplaced;
    // Records the drawing leaves out: bolts, gaskets (their length stays part of the run).
    std::size_t leftOut = 0;
};

Network buildNetwork(const exchange::PcfFile& file);

}  // namespace tubra::layout
