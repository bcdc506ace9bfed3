#include "tubra/layout/SheetLayout.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <optional>
#include <unordered_map>

#include "text/CFormat.h"
#include "tubra/layout/LinearProgram.h"
#include "tubra/model/Kinds.h"
#include "tubra/model/PipeObject.h"
#include "tubra/spatial/RealModel.h"

namespace tubra::layout {

namespace {

// Drawn lengths of plain pipe: k·L^γ, at least kShortest (sheet units: 0.1 mm of paper). The
// more γ lies below 1 the more long runs are compressed; where that makes runs cross in the
// drawing that do not cross in space, γ is taken nearer to 1, the true proportions.
constexpr double kExponents[] = {0.65, 0.8, 1.0};
constexpr double kShortest = 60.0;
// Room between symbols that follow each other, and how far a stretch of components reaches into
// the pipe beside it (sheet units): a gap that would be drawn shorter joins the stretch.
constexpr double kSymbolGap = 6.0;
constexpr double kJoinGap = 80.0;
// A stretch of components is drawn at most this many times as long as its symbols together.
constexpr double kMostRoom = 3.0;
// Runs drawn this close to another they do not cross in space look as if they touched it; this
// close they would be joined in the drawing.
constexpr double kClearance = 14.0;
constexpr double kTouching = 3.0;
// Points of the drawing this close are one point to the program (0.1 mm of paper, and a margin).
constexpr double kJoining = 1.5;
// Points of a run further apart than this (millimetres) are told apart by the program (it takes
// nearer ones as agreeing); they are drawn at least kApart sheet units apart.
constexpr double kToldApart = 9.0;
constexpr double kApart = 2.0;
// A stretch of components keeps, beside its symbols, room for its own length text: a byte of the
// program's length texts is this wide, and the text keeps this much clear at its two ends (its
// margins and a weld circle at the stretch's end).
constexpr double kLengthCharWidth = 15.0;
constexpr double kLengthTextClear = 45.0;
// A stretch of several components is drawn at most this many times as long as its symbols and its
// length text together to give the text that room.
constexpr double kTextRoomMost = 1.5;
// Room kept around each part for its symbols and labels, and between parts (sheet units).
constexpr double kPartPad = 70.0;
constexpr double kPartGap = 120.0;
// How wide a row of parts may grow, as shares of the area's width, tried in turn: the one that
// lets the parts be drawn largest is taken.
constexpr double kRowShares[] = {1.0, 0.7, 0.5, 0.35};
// Smaller symbols and shorter minimum lengths tried in turn when the pipeline does not fit.
constexpr double kDetail[] = {1.0, 0.75, 0.55, 0.4, 0.3, 0.25};
// How many runs the search against runs drawn too near may look at, in all: twice as many for
// a pipeline of up to kSmallRuns runs, falling with more runs to the bound of a large one, whose
// search takes the most time.
constexpr double kLookedAt = 1'600'000.0;
constexpr double kLookedAtSmall = 3'200'000.0;
constexpr double kSmallRuns = 400.0;
// When every pair left is stuck, the search shakes the drawing (a kick) at most this many times,
// and spends on that at most this share of what it has when it begins.
constexpr int kKicks = 40;
constexpr double kKickShare = 0.7;
// The share of the bound the second search, from the best drawing, may spend besides.
constexpr double kSecondShare = 0.3;
// Runs drawn shorter than readable after the search: what the short searches that make them
// readable again may look at, as a share of the search's own bound, and for each run, as runs
// looked at per run of the pipeline.
constexpr double kRepairShare = 0.15;
constexpr double kRepairEach = 40.0;
// The linear program that keeps runs on their sides of each other is solved for pipelines of
// up to this many runs (a 900-component pipeline has about 200; one of 5,000 components about
// 1,000 runs, whose programs of 50,000 rows take minutes).
constexpr std::size_t kUntangleRuns = 500;

double sheetLen(Sheet v) {
    return std::hypot(v.x, v.y);
}
Sheet operator+(Sheet a, Sheet b) {
    return {a.x + b.x, a.y + b.y};
}
Sheet operator-(Sheet a, Sheet b) {
    return {a.x - b.x, a.y - b.y};
}
Sheet operator*(Sheet a, double k) {
    return {a.x * k, a.y * k};
}

// Distance between the sheet segments p1-p2 and q1-q2 (0 when they cross).
double segmentDistance(Sheet p1, Sheet p2, Sheet q1, Sheet q2) {
    auto cross = [](Sheet o, Sheet a, Sheet b) {
        return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
    };
    const double d1 = cross(q1, q2, p1), d2 = cross(q1, q2, p2);
    const double d3 = cross(p1, p2, q1), d4 = cross(p1, p2, q2);
    if (((d1 > 0 && d2 < 0) || (d1 < 0 && d2 > 0)) && ((d3 > 0 && d4 < 0) || (d3 < 0 && d4 > 0)))
        return 0.0;
    auto pointSeg2 = [](Sheet p, Sheet a, Sheet b) {
        const Sheet d = b - a;
        const double l2 = d.x * d.x + d.y * d.y;
        double t = l2 > 0 ? ((p.x - a.x) * d.x + (p.y - a.y) * d.y) / l2 : 0.0;
        t = std::clamp(t, 0.0, 1.0);
        const Sheet e = p - (a + d * t);
        return e.x * e.x + e.y * e.y;
    };
    return std::sqrt(std::min({pointSeg2(p1, q1, q2), pointSeg2(p2, q1, q2), pointSeg2(q1, p1, p2),
                               pointSeg2(q2, p1, p2)}));
}

// Whether the boxes around the sheet segments p1-p2 and q1-q2 lie further apart than `margin`:
// then the segments do too.
bool boxesApart(Sheet p1, Sheet p2, Sheet q1, Sheet q2, double margin) {
    return std::min(p1.x, p2.x) - margin > std::max(q1.x, q2.x) ||
           std::min(q1.x, q2.x) - margin > std::max(p1.x, p2.x) ||
           std::min(p1.y, p2.y) - margin > std::max(q1.y, q2.y) ||
           std::min(q1.y, q2.y) - margin > std::max(p1.y, p2.y);
}

// The box around points of the sheet (empty until a point is added).
struct Bounds {
    double x0 = std::numeric_limits<double>::infinity(), y0 = x0, x1 = -x0, y1 = -x0;
    void add(Sheet p) {
        x0 = std::min(x0, p.x);
        x1 = std::max(x1, p.x);
        y0 = std::min(y0, p.y);
        y1 = std::max(y1, p.y);
    }
    void add(const Bounds& b) {
        x0 = std::min(x0, b.x0);
        x1 = std::max(x1, b.x1);
        y0 = std::min(y0, b.y0);
        y1 = std::max(y1, b.y1);
    }
};

struct Planner {
    const Network& net;
    const SheetOptions& opt;
    // Per run, its real ends in the true projection.
    std::vector<std::pair<Sheet, Sheet>> trueEnds;
    std::vector<RunLayout> runs;
    std::vector<std::vector<double>> rho;  // per run, per segment: units per mm at full size
    // Per run, per segment of components: the stretches between where its symbols begin (and
    // before the first), each as the drawn length its symbol takes at full size and its real
    // length. One of them must leave room for the segment's length text.
    struct Gap {
        double need, real;
    };
    std::vector<std::vector<std::vector<Gap>>> gaps;
    std::vector<std::vector<double>> textRoom;  // per run, per segment: sheet units
    // Per run, per segment: the shortest real distance between two of its points (ends,
    // components' ends, welds, supports) that the program tells apart.
    std::vector<std::vector<double>> closest;
    std::vector<int> parentRun;  // junction → run that reached it
    // A few per cent more for each run, the same at every evaluation: runs of equal lengths in a
    // regular pipeline would otherwise be drawn exactly onto each other. Never less, so that a
    // run at the readable minimum is not drawn below it.
    std::vector<double> jitter;
    std::vector<int> partOfJunction;
    int parts = 0;

    // Parameters of one evaluation.
    double k = 1.0, detail = 1.0, gamma = 0.65;
    double rowLimit = 0.0;  // how wide a row of parts may grow before the next row begins
    // The second search: slides may also move a U (the parallel run running the other way,
    // made longer or shorter by as much), try more runs, and more kicks are allowed.
    bool wide = false;
    bool keepReadable = false;  // no change draws a run's plain pipe shorter than readable
    std::vector<double> stretch;
    // Results of one evaluation.
    std::vector<Sheet> local;  // drawn junction points, each part from its own first point
    std::vector<Sheet> placed;
    double width = 0, height = 0;
    double modelScale = 10.0;

    Planner(const Network& n, const SheetOptions& o) : net(n), opt(o) {}

    Sheet project(Point3 d) const { return trueProjection(d, opt.axes); }
    Sheet axisDir(int code) const {
        const model::Vec3 p = view::StepAlong(opt.axes, model::Vec3(), code, 1.0);
        return {p.x, p.y};
    }

    // The runs' shapes, pieces and length texts: what every layout of the network starts from.
    void prepare() {
        classify();
        modelLengths();
    }
    void classify();
    void partition(std::size_t r);
    void modelLengths();
    void layRun(std::size_t r, std::vector<double>* ratios);
    void evaluate();
    // The parts side by side in rows: where each part's first point goes (when asked) and the
    // width and height of the whole.
    Sheet arrange(std::vector<Bounds>& boxes, std::vector<Sheet>* offset) const;
    bool fits() const;
    double fitK();
    // Runs drawn across, onto or close to another that they do not cross in space: `hard` the
    // crossings and touches, `soft` the near misses. `pairs` lists the hard ones first.
    struct Conflicts {
        int joins = 0;  // an end drawn onto another run: the drawing would join them
        int hard = 0, soft = 0;
        long score() const { return 1'000'000L * joins + 1000L * hard + soft; }
    };
    Conflicts conflicts(std::vector<std::pair<int, int>>* pairs) const;
    // How runs i and j, drawn p1-p2 and q1-q2, meet: 0 when they keep clear or cross as they do
    // in space, else kJoins, kHard and kSoft as they apply; and that as its share of the score.
    static constexpr int kJoins = 1, kHard = 2, kSoft = 4;
    int pairKind(int i, int j, Sheet p1, Sheet p2, Sheet q1, Sheet q2) const;
    long pairScore(int i, int j, Sheet p1, Sheet p2, Sheet q1, Sheet q2) const;
    // Whether run `r`, drawn from a to b, is crossed by c1-c2 where one of its pieces ends.
    bool crossedAtPieceEnd(int r, Sheet a, Sheet b, Sheet c1, Sheet c2) const;
    // Whether one of run `r`'s pieces, drawn from a to b, ends on run `other`, drawn c1-c2, at an
    // elevation it has: the program would join them there.
    bool pieceEndOn(int r, Sheet a, Sheet b, int other, Sheet c1, Sheet c2) const;
    // A change of one run's stretch looked at quickly. It moves everything that hangs on the
    // run's far end by one vector, so only pairs of a moved and an unmoved run, and the runs with
    // one end on each side (the run itself, closing runs of loops), can meet differently; the
    // runs near each are found in a grid of cells. Built from the current evaluation. The drawing's
    // scale, which the space-slanted runs follow, is taken as it is: a change found to help is
    // evaluated in full before it is taken.
    struct Quick {
        std::vector<int> tin, tout;  // junction → its place in walk-tree order, and the end of
                                     // the places of what hangs on it; -1 when not in the tree
        std::vector<int> runAt;      // place → the run that reaches its junction, or -1
        std::vector<int> partFirst, partEnd;  // per part: its places
        std::vector<Bounds> below;         // place → box of its junction and all that hangs on it
        std::vector<Bounds> before, from;  // place → box of its part's junctions before it, and
                                           // from it on
        std::vector<Bounds> partBoxes;
        std::vector<int> loose;        // runs that do not reach their far end in the tree
        std::vector<char> wideInPart;  // per part: a run over too many cells, or junctions
                                       // outside the tree
        std::unordered_map<std::uint64_t, std::vector<int>> cells;
        std::vector<int> seen;
        int stamp = 0;
        std::vector<std::vector<std::pair<int, long>>> pairsOf;  // run → runs it meets, score
    } quick;
    struct QuickLook {
        bool known = false;  // false: it could not be looked at quickly
        bool fits = false;
        long score = 0;
        long cost = 0;  // runs looked at
    };
    // Factors for run c's stretch to try against runs `moving` and `other` drawn too near each
    // other, where c lies between their ways on the side of `moving`: the least lengthening
    // and the least shortening that move them clear.
    std::vector<double> clearingFactors(int c, int moving, int other) const;
    // The least factor for run c's stretch that keeps its plain pipe as long as readable.
    double leastFactor(int c) const;
    void prepareQuick();
    QuickLook quickLook(int c, double to, long current);
    // Tries changes until none helps or the budget (runs looked at) is spent; it is counted down.
    void resolve(long& budget);
    // Whether a change of run c's stretch changes its drawing: runs with plain pipe along an
    // axis or in a plane.
    bool stretchable(int c) const;
    // The runs between two runs: from each up the walk towards where their ways meet (`first`
    // and `second`), and all of them, nearest the two first.
    struct Between {
        std::vector<int> first, second, all;
    };
    Between runsBetween(std::pair<int, int> pair) const;
    // A change of one run's stretch, and the conflicts' score a quick look gave it.
    struct Change {
        long score;
        int run;
        double to;
    };
    // The changes of the runs nearest `pair` (all but `skip`) that move it clear and keep the
    // drawing on the sheet, looked at quickly against the drawing as it is (scored `now`); those
    // scored under `below`, the least first.
    std::vector<Change> clearingChanges(std::pair<int, int> pair, long now, long below, int skip,
                                        long& budget);
    // For a pair no single change clears: a change that clears it and leaves at most one more
    // run drawn across another, then a second change that clears one of the pairs the first
    // brought about, taken together when the two leave fewer conflicts than before. `pairs`
    // lists the pairs of the current drawing, its first `hard` the crossings and touches.
    // Leaves the drawing evaluated with the changes taken, or as it was.
    bool twoChanges(std::pair<int, int> pick, const std::vector<std::pair<int, int>>& pairs,
                    int hard, long& budget);
    // The drawn length of run c's plain pipe, which its stretch scales.
    double freeLength(int c) const;
    // For a pair no change of one run clears: a run between them made longer or shorter and a run
    // parallel to it further down the walk shorter or longer by as much. Only what lies between
    // the two moves, rigidly along them, so it cannot come across itself; what hangs beyond the
    // second stays where it is. The slides that move the pair clear by the least are evaluated in
    // full and the best is taken when it leaves fewer conflicts than `current`. Leaves the
    // drawing evaluated, with the slide taken or as it was.
    bool slide(std::pair<int, int> pick, const Between& between, long current, long& budget);
    // When every pair is stuck: the change that clears one of them (the `round`-th, in turn) and
    // leaves the fewest conflicts, taken even when that is more than now, so that the search can
    // go on from a drawing it could not reach by changes that each leave fewer. Leaves the
    // drawing evaluated, with the change taken or as it was.
    bool kick(const std::vector<std::pair<int, int>>& pairs, int hard, int round, long now,
              long& budget);
    // Run c, drawn shorter than readable, drawn readable again together with a run parallel to
    // it, before it up the walk or hanging on it, made shorter (or, running the other way,
    // longer) by as much: only what lies between the two moves. Taken when the conflicts'
    // score stays at most `current`. Leaves the drawing evaluated.
    bool readableBySlide(int c, long current, long& budget);
    // The stretches nearest the drawing as it is (the least drawn length changed in all) that
    // keep each pair of runs near each other on the side of each other they have in the true
    // projection, as far apart as the search keeps them, found by a linear program; pairs that
    // cross in the true projection are kept crossing, or apart. The program holds the pairs near
    // each other in the drawing it starts from, and then those near in each drawing it finds.
    // Taken when it leaves fewer conflicts than now and fits; leaves the drawing evaluated.
    bool untangle();
};

void Planner::classify() {
    runs.resize(net.spans.size());
    rho.resize(net.spans.size());
    gaps.resize(net.spans.size());
    closest.resize(net.spans.size());
    jitter.resize(net.spans.size());
    for (std::size_t r = 0; r < jitter.size(); ++r) {
        std::uint32_t h = static_cast<std::uint32_t>(r) * 2654435761u;
        h ^= h >> 15;
        jitter[r] = 1.0 + 0.04 * (static_cast<double>(h % 1000) / 999.0);
    }
    trueEnds.resize(net.spans.size());
    for (std::size_t r = 0; r < net.spans.size(); ++r)
        trueEnds[r] = {project(net.spans[r].a), project(net.spans[r].b)};
    parentRun.assign(net.junctions.size(), -1);
    partOfJunction.assign(net.junctions.size(), -1);
    for (std::size_t r = 0; r < net.spans.size(); ++r) {
        const Span& s = net.spans[r];
        RunLayout& run = runs[r];
        parts = std::max(parts, s.part + 1);
        partOfJunction[static_cast<std::size_t>(s.from)] = s.part;
        partOfJunction[static_cast<std::size_t>(s.to)] = s.part;
        if (!s.closing && parentRun[static_cast<std::size_t>(s.to)] < 0)
            parentRun[static_cast<std::size_t>(s.to)] = static_cast<int>(r);
        const Point3 v = s.b - s.a;
        const double ax = std::fabs(v.x), ay = std::fabs(v.y), az = std::fabs(v.z);
        const int small = (ax <= kJoinTolerance) + (ay <= kJoinTolerance) + (az <= kJoinTolerance);
        if (s.closing) {
            run.shape = RunShape::Closing;
            run.code = 7;
        } else if (small >= 2) {
            run.shape = RunShape::Axis;
            if (ax >= ay && ax >= az) {
                run.code = v.x > 0 ? 2 : 4;
                run.axis = {v.x > 0 ? 1.0 : -1.0, 0, 0};
            } else if (ay >= az) {
                run.code = v.y > 0 ? 5 : 3;
                run.axis = {0, v.y > 0 ? 1.0 : -1.0, 0};
            } else {
                run.code = v.z > 0 ? 0 : 1;
                run.axis = {0, 0, v.z > 0 ? 1.0 : -1.0};
            }
            run.dir = axisDir(run.code);
        } else if (small == 1) {
            run.shape = RunShape::Plane;
            run.code = 6;
            run.plane = ay <= kJoinTolerance ? 0 : ax <= kJoinTolerance ? 1 : 2;
        } else {
            run.shape = RunShape::Space;
            run.code = 7;
        }
        auto elbow = [&](int j) {
            return net.junctions[static_cast<std::size_t>(j)].kind == JunctionKind::Elbow;
        };
        run.rFrom = elbow(s.from) ? 1.0 : 0.0;  // times the elbow offset
        run.rTo = elbow(s.to) ? 1.0 : 0.0;
        partition(r);
        for (const RunSegment& seg : run.segments) {
            std::vector<double> at{seg.s0, seg.s1};
            for (const Item& it : s.items)
                for (double v : {it.s0, it.s1})
                    if (v >= seg.s0 && v <= seg.s1) at.push_back(v);
            std::sort(at.begin(), at.end());
            double least = std::numeric_limits<double>::infinity();
            for (std::size_t i = 1; i < at.size(); ++i)
                if (at[i] - at[i - 1] > kToldApart) least = std::min(least, at[i] - at[i - 1]);
            closest[r].push_back(least);
        }
    }
}

void Planner::partition(std::size_t r) {
    const Span& s = net.spans[r];
    RunLayout& run = runs[r];
    auto add = [&](double s0, double s1, bool comps, double units) {
        RunSegment seg;
        seg.s0 = s0;
        seg.s1 = s1;
        seg.components = comps;
        run.segments.push_back(seg);
        rho[r].push_back(units);
        std::vector<Gap>& room = gaps[r].emplace_back();
        if (!comps) return;
        double from = s0, need = 0.0;  // where the stretch before the next symbol begins
        for (const Item& it : s.items) {
            if (it.kind != ItemKind::InLine || it.symbol == 0 || it.s0 < s0 || it.s0 > s1) continue;
            room.push_back({need, it.s0 - from});
            from = it.s0;
            need = symbolLength(it.symbol, run.code, opt.symbolZoom, opt.axes) + kSymbolGap;
        }
        room.push_back({need, s1 - from});
    };
    if (run.shape != RunShape::Axis) {
        add(0.0, s.length, false, 0.0);
        return;
    }
    struct Cluster {
        double s0, s1, units;
        std::vector<const Item*> items;
    };
    auto unitsOf = [&](const std::vector<const Item*>& items, double end) {
        double u = 0.0, total = 0.0;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const double next = i + 1 < items.size() ? items[i + 1]->s0 : end;
            const double room = std::max(next - items[i]->s0, 1.0);
            const double need =
                symbolLength(items[i]->symbol, run.code, opt.symbolZoom, opt.axes) + kSymbolGap;
            u = std::max(u, need / room);
            total += need;
        }
        // A component of almost no length beside others does not stretch them all without end:
        // the stretch is drawn at most a few times as long as its symbols together.
        const double span = std::max(end - items.front()->s0, 1.0);
        return std::min(u, kMostRoom * total / span);
    };
    std::vector<Cluster> clusters;
    for (const Item& it : s.items) {
        if (it.kind != ItemKind::InLine || it.symbol == 0) continue;
        if (!clusters.empty()) {
            Cluster& c = clusters.back();
            std::vector<const Item*> joined = c.items;
            joined.push_back(&it);
            const double end = std::max(c.s1, it.s1);
            const double u = unitsOf(joined, end);
            if ((it.s0 - c.s1) * u <= kJoinGap) {
                c.items = std::move(joined);
                c.s1 = end;
                c.units = u;
                continue;
            }
        }
        clusters.push_back({it.s0, it.s1, unitsOf({&it}, it.s1), {&it}});
    }
    if (clusters.empty()) {
        add(0.0, s.length, false, 0.0);
        return;
    }
    double prev = 0.0;
    for (std::size_t c = 0; c < clusters.size(); ++c) {
        Cluster& cl = clusters[c];
        const double gap = cl.s0 - prev;
        // A short stretch of pipe before the components is drawn with them.
        if (gap > 0.0 && (gap * cl.units <= kJoinGap || gap < 1.0))
            cl.s0 = prev;
        else if (gap > 0.0)
            add(prev, cl.s0, false, 0.0);
        double end = cl.s1;
        if (c + 1 == clusters.size()) {
            const double tail = s.length - end;
            if (tail > 0.0 && (tail * cl.units <= kJoinGap || tail < 1.0)) end = s.length;
        }
        cl.units = unitsOf(cl.items, end);
        add(cl.s0, end, true, cl.units);
        prev = end;
    }
    if (prev < s.length) add(prev, s.length, false, 0.0);
}

void Planner::modelLengths() {
    std::vector<std::optional<Point3>> model(net.junctions.size());
    for (int start : net.partStarts)
        model[static_cast<std::size_t>(start)] = net.junctions[static_cast<std::size_t>(start)].p;
    auto setText = [](RunSegment& seg, double mm) {
        seg.lengthText = lengthText(std::max(mm, 0.1));
        seg.length = std::strtod(seg.lengthText.c_str(), nullptr);
    };
    for (std::size_t r = 0; r < net.spans.size(); ++r) {
        const Span& s = net.spans[r];
        RunLayout& run = runs[r];
        auto& from = model[static_cast<std::size_t>(s.from)];
        if (!from) from = s.a;  // cannot happen: the walk reaches a run from a point it knows
        Point3 m = *from;
        run.modelFrom = m;
        switch (run.shape) {
            case RunShape::Axis:
                for (RunSegment& seg : run.segments) {
                    const Point3 target = s.a + s.u * seg.s1;
                    setText(seg, spatial::dot(target - m, run.axis));
                    m = m + run.axis * seg.length;
                }
                break;
            case RunShape::Plane: {
                const Point3 v = s.b - m;
                // The two offsets along the plane's first and second axis.
                run.offsetA = run.plane == 2 ? v.x : v.z;
                run.offsetB = run.plane == 0 ? v.x : v.y;
                const Point3 inPlane = run.plane == 0   ? Point3{run.offsetB, 0, run.offsetA}
                                       : run.plane == 1 ? Point3{0, run.offsetB, run.offsetA}
                                                        : Point3{run.offsetA, run.offsetB, 0};
                setText(run.segments.front(), spatial::norm(inPlane));
                m = m + inPlane * (run.segments.front().length / spatial::norm(inPlane));
                break;
            }
            case RunShape::Space:
                setText(run.segments.front(), spatial::distance(s.b, m));
                m = s.b;
                break;
            case RunShape::Closing: {
                const auto& to = model[static_cast<std::size_t>(s.to)];
                const Point3 end = to ? *to : s.b;
                setText(run.segments.front(), spatial::distance(end, m));
                m = end;
                break;
            }
        }
        run.modelTo = m;
        auto& to = model[static_cast<std::size_t>(s.to)];
        if (!to) to = m;
        textRoom.emplace_back();
        for (const RunSegment& seg : run.segments)
            textRoom.back().push_back(
                static_cast<double>(seg.lengthText.size()) * kLengthCharWidth + kLengthTextClear);
    }
}

void Planner::layRun(std::size_t r, std::vector<double>* ratios) {
    const double shortest = kShortest * detail;
    RunLayout& run = runs[r];
    double d = run.rFrom * opt.elbowOffset * detail;
    // A tee is drawn over the pipes that run into its centre, as far as its legs reach: a pipe
    // there reaches past the leg's end, or the program would take the leg's end for the pipe's.
    const Span& span = net.spans[r];
    auto tee = [&](int j) {
        return net.junctions[static_cast<std::size_t>(j)].kind == JunctionKind::Tee;
    };
    const double leg = opt.elbowOffset * detail;
    for (std::size_t i = 0; i < run.segments.size(); ++i) {
        RunSegment& seg = run.segments[i];
        const double real = seg.s1 - seg.s0;
        double drawn = seg.components
                           ? std::max(rho[r][i] * detail * real, 1.0)
                           : stretch[r] * jitter[r] * std::max(shortest, k * std::pow(real, gamma));
        if (seg.components && detail == 1.0) {
            // A stretch of components (a nozzle's flange, a valve between its flanges) leaves
            // its length text room beside its symbols, between two of them or at an end, which
            // it would otherwise only have on them. A drawing whose symbols had to be made
            // smaller has no room for that.
            double least = std::numeric_limits<double>::infinity(), symbols = 0.0;
            for (const Gap& g : gaps[r][i]) {
                symbols += g.need;
                if (g.real > 0.0)
                    least = std::min(least, (g.need + textRoom[r][i]) * real / g.real);
            }
            // A stretch of several components gets that room only where that does not draw it
            // out of proportion (symbols close together in a long stretch would make it long
            // and push the rest of the drawing together).
            const double most = gaps[r][i].size() <= 2 ? std::numeric_limits<double>::infinity()
                                                       : kTextRoomMost * (symbols + textRoom[r][i]);
            if (std::isfinite(least) && least <= most) drawn = std::max(drawn, least);
        }
        // Points the program tells apart are drawn apart.
        if (std::isfinite(closest[r][i])) drawn = std::max(drawn, kApart * real / closest[r][i]);
        if (!seg.components) {
            const double legs = (i == 0 && tee(span.from) ? leg : 0.0) +
                                (i + 1 == run.segments.size() && tee(span.to) ? leg : 0.0);
            if (legs > 0.0) drawn = std::max(drawn, legs + kApart);
        }
        seg.d0 = d;
        seg.d1 = d + drawn;
        d = seg.d1;
        if (ratios && run.shape == RunShape::Axis) ratios->push_back(seg.length / drawn);
    }
    run.drawn = d + run.rTo * opt.elbowOffset * detail;
    if (run.shape == RunShape::Plane) {
        const Point3 off = run.plane == 0   ? Point3{run.offsetB, 0, run.offsetA}
                           : run.plane == 1 ? Point3{0, run.offsetB, run.offsetA}
                                            : Point3{run.offsetA, run.offsetB, 0};
        const Sheet p = project(off);
        const double n = sheetLen(p);
        run.dir = n > 0 ? p * (1.0 / n) : Sheet{1, 0};
    }
}

void Planner::evaluate() {
    // The drawn length of each segment, and the scale the program will read off the drawing:
    // the median of real length over drawn length of the segments along the axes.
    std::vector<double> ratios;
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const RunLayout& run = runs[r];
        if (run.shape == RunShape::Space || run.shape == RunShape::Closing) continue;
        layRun(r, &ratios);
    }
    modelScale = 10.0;
    if (!ratios.empty()) {
        auto mid = ratios.begin() + static_cast<long>(ratios.size() / 2);
        std::nth_element(ratios.begin(), mid, ratios.end());
        if (std::isfinite(*mid) && *mid > 0.0) modelScale = *mid;
    }
    // Points, each part from its own first point.
    local.assign(net.junctions.size(), Sheet{});
    for (std::size_t r = 0; r < runs.size(); ++r) {
        const Span& s = net.spans[r];
        RunLayout& run = runs[r];
        const Sheet from = local[static_cast<std::size_t>(s.from)];
        const double rf = run.rFrom * opt.elbowOffset * detail,
                     rt = run.rTo * opt.elbowOffset * detail;
        if (run.shape == RunShape::Space) {
            const Sheet v = project(run.modelTo - run.modelFrom) * (1.0 / modelScale);
            const double n = sheetLen(v);
            run.dir = n > 0 ? v * (1.0 / n) : Sheet{1, 0};
            run.segments.front().d0 = rf;
            run.segments.front().d1 = rf + n;
            run.drawn = rf + n + rt;
        } else if (run.shape == RunShape::Closing) {
            continue;
        }
        local[static_cast<std::size_t>(s.to)] = from + run.dir * run.drawn;
    }
    for (std::size_t r = 0; r < runs.size(); ++r) {
        RunLayout& run = runs[r];
        if (run.shape != RunShape::Closing) continue;
        const Span& s = net.spans[r];
        const Sheet v =
            local[static_cast<std::size_t>(s.to)] - local[static_cast<std::size_t>(s.from)];
        const double n = sheetLen(v);
        run.dir = n > 0 ? v * (1.0 / n) : Sheet{1, 0};
        run.drawn = n;
        const double rf = run.rFrom * opt.elbowOffset * detail,
                     rt = run.rTo * opt.elbowOffset * detail;
        run.segments.front().d0 = std::min(rf, n / 2);
        run.segments.front().d1 = std::max(n - rt, n / 2);
    }
    // Parts side by side in rows, in walk order.
    std::vector<Bounds> boxes(static_cast<std::size_t>(parts));
    for (std::size_t j = 0; j < local.size(); ++j) {
        const int p = partOfJunction[j];
        if (p >= 0) boxes[static_cast<std::size_t>(p)].add(local[j]);
    }
    std::vector<Sheet> offset;
    const Sheet size = arrange(boxes, &offset);
    width = size.x;
    height = size.y;
    placed.resize(local.size());
    for (std::size_t j = 0; j < local.size(); ++j) {
        const int p = partOfJunction[j];
        placed[j] = p < 0 ? Sheet{} : local[j] + offset[static_cast<std::size_t>(p)];
    }
}

Sheet Planner::arrange(std::vector<Bounds>& boxes, std::vector<Sheet>* offset) const {
    const double areaW = opt.area.right - opt.area.left;
    if (offset) offset->assign(static_cast<std::size_t>(parts), Sheet{});
    const double pad = kPartPad * detail, gap = kPartGap * detail;
    double x = 0, y = 0, rowH = 0, w0 = 0;
    for (int p = 0; p < parts; ++p) {
        Bounds& b = boxes[static_cast<std::size_t>(p)];
        if (!(b.x0 <= b.x1)) b = {0, 0, 0, 0};
        const double w = b.x1 - b.x0 + 2 * pad, h = b.y1 - b.y0 + 2 * pad;
        if (x > 0 && x + w > std::min(areaW, rowLimit > 0 ? rowLimit : areaW)) {
            y -= rowH + gap;
            x = 0;
            rowH = 0;
        }
        // The part's box goes with its top-left corner at (x, y).
        if (offset) (*offset)[static_cast<std::size_t>(p)] = {x + pad - b.x0, y - pad - b.y1};
        x += w + gap;
        w0 = std::max(w0, x - gap);
        rowH = std::max(rowH, h);
    }
    return {w0, -y + rowH};
}

bool Planner::fits() const {
    return width <= opt.area.right - opt.area.left && height <= opt.area.top - opt.area.bottom;
}

// The largest k that fits at the current detail and stretches, or 0 when none does; the parts
// in rows as wide as lets them be drawn largest.
double Planner::fitK() {
    const double areaW = opt.area.right - opt.area.left;
    double bestK = 0.0, bestRow = areaW;
    for (double share : kRowShares) {
        rowLimit = areaW * share;
        double lo = 1e-7, hi = 1e3;
        k = lo;
        evaluate();
        if (!fits()) continue;
        for (int i = 0; i < 48; ++i) {
            const double mid = std::sqrt(lo * hi);
            k = mid;
            evaluate();
            if (fits())
                lo = mid;
            else
                hi = mid;
            if (hi / lo < 1.01) break;
        }
        if (lo > bestK * 1.01) {
            bestK = lo;
            bestRow = rowLimit;
        }
        if (parts <= 1) break;  // one part: rows make no difference
    }
    rowLimit = bestRow;
    k = bestK > 0.0 ? bestK : 1e-7;
    evaluate();
    return bestK;
}

bool Planner::crossedAtPieceEnd(int r, Sheet a, Sheet b, Sheet c1, Sheet c2) const {
    const Sheet u = b - a, v = c2 - c1, w = c1 - a;
    const double den = u.x * v.y - u.y * v.x;
    if (den == 0.0) return false;
    // Where the other run crosses, as drawn distance from the run's first point.
    const double at = (w.x * v.y - w.y * v.x) / den * sheetLen(u);
    for (const RunSegment& seg : runs[static_cast<std::size_t>(r)].segments)
        if (std::fabs(seg.d0 - at) <= kTouching || std::fabs(seg.d1 - at) <= kTouching) return true;
    return false;
}

bool Planner::pieceEndOn(int r, Sheet a, Sheet b, int other, Sheet c1, Sheet c2) const {
    const double len = sheetLen(b - a);
    if (!(len > 0.0)) return false;
    const Sheet u = (b - a) * (1.0 / len);
    // The program joins a pipe's end to a pipe it is drawn on only at the same elevation: the
    // other run's, or, where that one rises or falls, any it passes.
    const Span& span = net.spans[static_cast<std::size_t>(r)];
    const Span& on = net.spans[static_cast<std::size_t>(other)];
    const double low = std::min(on.a.z, on.b.z) - spatial::kToleranceMm,
                 high = std::max(on.a.z, on.b.z) + spatial::kToleranceMm;
    for (const RunSegment& seg : runs[static_cast<std::size_t>(r)].segments)
        for (const auto& [d, s] : {std::pair{seg.d0, seg.s0}, std::pair{seg.d1, seg.s1}}) {
            const double z = span.a.z + span.u.z * s;
            if (z < low || z > high) continue;
            const Sheet e = a + u * d;
            if (segmentDistance(e, e, c1, c2) <= kJoining) return true;
        }
    return false;
}

int Planner::pairKind(int i, int j, Sheet p1, Sheet p2, Sheet q1, Sheet q2) const {
    const Span& p = net.spans[static_cast<std::size_t>(i)];
    const Span& q = net.spans[static_cast<std::size_t>(j)];
    if (p.from == q.from || p.from == q.to || p.to == q.from || p.to == q.to) return 0;
    const double gap = segmentDistance(p1, p2, q1, q2);
    if (gap > kClearance) return 0;
    // Parts are drawn side by side, wherever they stand in space: across parts every
    // crossing is false.
    // As falseCrossing() tells it, each half worked out only where it is needed.
    const bool crossesDrawn = crossesInside(p1, p2, q1, q2);
    const auto& tp = trueEnds[static_cast<std::size_t>(i)];
    const auto& tq = trueEnds[static_cast<std::size_t>(j)];
    const bool crossesInSpace = p.part == q.part && (crossesDrawn || gap > kTouching) &&
                                crossesInside(tp.first, tp.second, tq.first, tq.second);
    // A true crossing is drawn as it is, unless it passes where one of the two runs' pieces
    // ends: the program would join the other run there.
    if (crossesDrawn && crossesInSpace && !crossedAtPieceEnd(i, p1, p2, q1, q2) &&
        !crossedAtPieceEnd(j, q1, q2, p1, p2))
        return 0;
    // An end drawn onto the other run joins the two in the drawing: a run's own end, or the end
    // of one of its pieces where the two cross.
    int kind = gap <= kJoining && (!crossesDrawn || pieceEndOn(i, p1, p2, j, q1, q2) ||
                                   pieceEndOn(j, q1, q2, i, p1, p2))
                   ? kJoins
                   : 0;
    if (gap <= kTouching)
        kind |= kHard;
    else if (!crossesInSpace)
        kind |= kSoft;
    return kind;
}

long Planner::pairScore(int i, int j, Sheet p1, Sheet p2, Sheet q1, Sheet q2) const {
    if (boxesApart(p1, p2, q1, q2, kClearance)) return 0;
    const int kind = pairKind(i, j, p1, p2, q1, q2);
    return (kind & kJoins ? 1'000'000L : 0L) + (kind & kHard ? 1000L : 0L) +
           (kind & kSoft ? 1L : 0L);
}

Planner::Conflicts Planner::conflicts(std::vector<std::pair<int, int>>* pairs) const {
    // Drawn runs in a grid of cells; each run is looked at against the later runs in its cells,
    // every pair once.
    constexpr double kCell = 64.0;
    constexpr std::int64_t kMostCells = 1024;
    const std::size_t n = runs.size();
    struct Box {
        double x0, y0, x1, y1;
    };
    std::vector<Box> boxes(n);
    std::unordered_map<std::uint64_t, std::vector<int>> cells;
    cells.reserve(n * 4);
    std::vector<int> wide;
    auto cellKey = [](std::int64_t x, std::int64_t y) {
        return (static_cast<std::uint64_t>(x) << 32) ^
               static_cast<std::uint64_t>(static_cast<std::uint32_t>(y));
    };
    auto range = [&](const Box& b, std::int64_t& x0, std::int64_t& x1, std::int64_t& y0,
                     std::int64_t& y1) {
        x0 = static_cast<std::int64_t>(std::floor(b.x0 / kCell));
        x1 = static_cast<std::int64_t>(std::floor(b.x1 / kCell));
        y0 = static_cast<std::int64_t>(std::floor(b.y0 / kCell));
        y1 = static_cast<std::int64_t>(std::floor(b.y1 / kCell));
        return (x1 - x0 + 1) * (y1 - y0 + 1) <= kMostCells;
    };
    for (std::size_t r = 0; r < n; ++r) {
        const Span& s = net.spans[r];
        const Sheet a = placed[static_cast<std::size_t>(s.from)],
                    b = placed[static_cast<std::size_t>(s.to)];
        boxes[r] = {std::min(a.x, b.x) - kClearance, std::min(a.y, b.y) - kClearance,
                    std::max(a.x, b.x) + kClearance, std::max(a.y, b.y) + kClearance};
        std::int64_t x0, x1, y0, y1;
        if (!range(boxes[r], x0, x1, y0, y1)) {
            wide.push_back(static_cast<int>(r));
            continue;
        }
        for (auto x = x0; x <= x1; ++x)
            for (auto y = y0; y <= y1; ++y) cells[cellKey(x, y)].push_back(static_cast<int>(r));
    }
    Conflicts c;
    std::vector<std::pair<int, int>> soft;
    std::vector<int> seen(n, -1);
    auto check = [&](int i, int j) {
        const Box& bi = boxes[static_cast<std::size_t>(i)];
        const Box& bj = boxes[static_cast<std::size_t>(j)];
        if (bi.x0 > bj.x1 || bj.x0 > bi.x1 || bi.y0 > bj.y1 || bj.y0 > bi.y1) return;
        const Span& p = net.spans[static_cast<std::size_t>(i)];
        const Span& q = net.spans[static_cast<std::size_t>(j)];
        const int kind = pairKind(
            i, j, placed[static_cast<std::size_t>(p.from)], placed[static_cast<std::size_t>(p.to)],
            placed[static_cast<std::size_t>(q.from)], placed[static_cast<std::size_t>(q.to)]);
        if (kind == 0) return;
        if (kind & kJoins) ++c.joins;
        const std::pair<int, int> pair{std::min(i, j), std::max(i, j)};
        if (kind & kHard) {
            ++c.hard;
            if (pairs) pairs->push_back(pair);
        } else if (kind & kSoft) {
            ++c.soft;
            if (pairs) soft.push_back(pair);
        }
    };
    for (std::size_t r = 0; r < n; ++r) {
        const int i = static_cast<int>(r);
        std::int64_t x0, x1, y0, y1;
        if (!range(boxes[r], x0, x1, y0, y1)) continue;  // a wide run is looked at below
        for (auto x = x0; x <= x1; ++x)
            for (auto y = y0; y <= y1; ++y) {
                const auto it = cells.find(cellKey(x, y));
                if (it == cells.end()) continue;
                for (int j : it->second) {
                    if (j <= i || seen[static_cast<std::size_t>(j)] == i) continue;
                    seen[static_cast<std::size_t>(j)] = i;
                    check(i, j);
                }
            }
    }
    for (std::size_t w = 0; w < wide.size(); ++w)
        for (std::size_t r = 0; r < n; ++r) {
            const int j = static_cast<int>(r);
            if (j == wide[w]) continue;
            // Two wide runs are looked at once.
            if (std::find(wide.begin(), wide.begin() + static_cast<long>(w), j) !=
                wide.begin() + static_cast<long>(w))
                continue;
            check(wide[w], j);
        }
    if (pairs) pairs->insert(pairs->end(), soft.begin(), soft.end());
    return c;
}

namespace {
constexpr double kCell = 64.0;
constexpr std::int64_t kMostCells = 1024;

std::uint64_t cellKeyOf(int part, std::int64_t x, std::int64_t y) {
    return (static_cast<std::uint64_t>(part) << 48) ^
           ((static_cast<std::uint64_t>(x) & 0xFFFFFFu) << 24) ^
           (static_cast<std::uint64_t>(y) & 0xFFFFFFu);
}

// The cells a box (padded by the clearance) covers; false when too many.
bool cellRange(Sheet a, Sheet b, std::int64_t& x0, std::int64_t& x1, std::int64_t& y0,
               std::int64_t& y1) {
    x0 = static_cast<std::int64_t>(std::floor((std::min(a.x, b.x) - kClearance) / kCell));
    x1 = static_cast<std::int64_t>(std::floor((std::max(a.x, b.x) + kClearance) / kCell));
    y0 = static_cast<std::int64_t>(std::floor((std::min(a.y, b.y) - kClearance) / kCell));
    y1 = static_cast<std::int64_t>(std::floor((std::max(a.y, b.y) + kClearance) / kCell));
    return (x1 - x0 + 1) * (y1 - y0 + 1) <= kMostCells;
}
}  // namespace

double Planner::leastFactor(int c) const {
    double least = 0.0;
    for (const RunSegment& seg : runs[static_cast<std::size_t>(c)].segments)
        if (!seg.components)
            least = std::max(least, kShortest * detail / std::max(seg.d1 - seg.d0, 1e-9));
    return least;
}

std::vector<double> Planner::clearingFactors(int c, int moving, int other) const {
    std::vector<double> out;
    const RunLayout& run = runs[static_cast<std::size_t>(c)];
    const double free = freeLength(c);
    const double least = leastFactor(c);
    const Span& m = net.spans[static_cast<std::size_t>(moving)];
    const Span& o = net.spans[static_cast<std::size_t>(other)];
    const Sheet m1 = local[static_cast<std::size_t>(m.from)],
                m2 = local[static_cast<std::size_t>(m.to)];
    const Sheet o1 = local[static_cast<std::size_t>(o.from)],
                o2 = local[static_cast<std::size_t>(o.to)];
    // The gap after c's drawn length changed by t: c itself grows at its far end; a run beyond it
    // moves along c's direction.
    auto gap = [&](double t) {
        const Sheet v = run.dir * t;
        return c == moving ? segmentDistance(m1, m2 + v, o1, o2)
                           : segmentDistance(m1 + v, m2 + v, o1, o2);
    };
    const double clear = kClearance * 1.3;
    if (free > 0.0)
        for (double sign : {1.0, -1.0}) {
            // Out to where the two are clear, then back to where they just are.
            double lo = 0.0, hi = 8.0;
            const double most = sign > 0 ? 8.0 * free : (1.0 - least) * free;
            if (most <= 0.0) continue;
            while (hi <= most && gap(sign * hi) <= clear) {
                lo = hi;
                hi *= 2.0;
            }
            if (hi > most) {
                hi = most;
                if (gap(sign * hi) <= clear) continue;
            }
            for (int i = 0; i < 12; ++i) {
                const double mid = (lo + hi) / 2.0;
                (gap(sign * mid) <= clear ? lo : hi) = mid;
            }
            out.push_back((free + sign * hi) / free);
        }
    return out;
}

void Planner::prepareQuick() {
    Quick& q = quick;
    const std::size_t nj = net.junctions.size(), n = runs.size();
    std::vector<std::vector<int>> children(nj);
    for (std::size_t j = 0; j < nj; ++j) {
        const int r = parentRun[j];
        if (r < 0) continue;
        const int from = net.spans[static_cast<std::size_t>(r)].from;
        if (from >= 0 && static_cast<std::size_t>(from) != j)
            children[static_cast<std::size_t>(from)].push_back(static_cast<int>(j));
    }
    q.tin.assign(nj, -1);
    q.tout.assign(nj, -1);
    q.runAt.clear();
    q.partFirst.assign(static_cast<std::size_t>(parts), 0);
    q.partEnd.assign(static_cast<std::size_t>(parts), 0);
    std::vector<std::vector<int>> rootsOf(static_cast<std::size_t>(parts));
    for (std::size_t j = 0; j < nj; ++j)
        if (parentRun[j] < 0 && partOfJunction[j] >= 0)
            rootsOf[static_cast<std::size_t>(partOfJunction[j])].push_back(static_cast<int>(j));
    std::vector<std::pair<int, std::size_t>> stack;
    for (int part = 0; part < parts; ++part) {
        q.partFirst[static_cast<std::size_t>(part)] = static_cast<int>(q.runAt.size());
        for (int root : rootsOf[static_cast<std::size_t>(part)]) {
            q.tin[static_cast<std::size_t>(root)] = static_cast<int>(q.runAt.size());
            q.runAt.push_back(-1);
            stack.push_back({root, 0});
            while (!stack.empty()) {
                auto& [j, next] = stack.back();
                const auto& kids = children[static_cast<std::size_t>(j)];
                if (next < kids.size()) {
                    const int kid = kids[next++];
                    if (q.tin[static_cast<std::size_t>(kid)] >= 0 ||
                        partOfJunction[static_cast<std::size_t>(kid)] != part)
                        continue;
                    q.tin[static_cast<std::size_t>(kid)] = static_cast<int>(q.runAt.size());
                    q.runAt.push_back(parentRun[static_cast<std::size_t>(kid)]);
                    stack.push_back({kid, 0});
                } else {
                    q.tout[static_cast<std::size_t>(j)] = static_cast<int>(q.runAt.size());
                    stack.pop_back();
                }
            }
        }
        q.partEnd[static_cast<std::size_t>(part)] = static_cast<int>(q.runAt.size());
    }
    const std::size_t places = q.runAt.size();
    std::vector<int> junctionAt(places, -1);
    for (std::size_t j = 0; j < nj; ++j)
        if (q.tin[j] >= 0) junctionAt[static_cast<std::size_t>(q.tin[j])] = static_cast<int>(j);
    q.below.assign(places, Bounds{});
    q.before.assign(places + 1, Bounds{});
    q.from.assign(places + 1, Bounds{});
    for (std::size_t i = places; i-- > 0;) {
        const int j = junctionAt[i];
        q.below[i].add(local[static_cast<std::size_t>(j)]);
        const int r = q.runAt[i];
        if (r >= 0) {
            const int up = net.spans[static_cast<std::size_t>(r)].from;
            q.below[static_cast<std::size_t>(q.tin[static_cast<std::size_t>(up)])].add(q.below[i]);
        }
    }
    for (int part = 0; part < parts; ++part) {
        const int f = q.partFirst[static_cast<std::size_t>(part)],
                  e = q.partEnd[static_cast<std::size_t>(part)];
        Bounds acc;
        for (int i = f; i < e; ++i) {
            q.before[static_cast<std::size_t>(i)] = acc;
            acc.add(local[static_cast<std::size_t>(junctionAt[static_cast<std::size_t>(i)])]);
        }
        acc = Bounds{};
        for (int i = e; i-- > f;) {
            acc.add(local[static_cast<std::size_t>(junctionAt[static_cast<std::size_t>(i)])]);
            q.from[static_cast<std::size_t>(i)] = acc;
        }
    }
    q.partBoxes.assign(static_cast<std::size_t>(parts), Bounds{});
    for (std::size_t j = 0; j < nj; ++j)
        if (partOfJunction[j] >= 0)
            q.partBoxes[static_cast<std::size_t>(partOfJunction[j])].add(local[j]);
    q.loose.clear();
    q.wideInPart.assign(static_cast<std::size_t>(parts), 0);
    // A part with junctions outside the tree has a box the places do not give.
    for (std::size_t j = 0; j < nj; ++j)
        if (partOfJunction[j] >= 0 && q.tin[j] < 0)
            q.wideInPart[static_cast<std::size_t>(partOfJunction[j])] = 1;
    q.cells.clear();
    q.cells.reserve(n * 4);
    for (std::size_t r = 0; r < n; ++r) {
        const Span& s = net.spans[r];
        if (parentRun[static_cast<std::size_t>(s.to)] != static_cast<int>(r) ||
            q.tin[static_cast<std::size_t>(s.to)] < 0)
            q.loose.push_back(static_cast<int>(r));
        std::int64_t x0, x1, y0, y1;
        if (!cellRange(local[static_cast<std::size_t>(s.from)],
                       local[static_cast<std::size_t>(s.to)], x0, x1, y0, y1)) {
            q.wideInPart[static_cast<std::size_t>(s.part)] = 1;
            continue;
        }
        for (auto x = x0; x <= x1; ++x)
            for (auto y = y0; y <= y1; ++y)
                q.cells[cellKeyOf(s.part, x, y)].push_back(static_cast<int>(r));
    }
    q.seen.assign(n, -1);
    q.stamp = 0;
    // How each run meets the runs near it now.
    q.pairsOf.assign(n, {});
    for (std::size_t r = 0; r < n; ++r) {
        const Span& s = net.spans[r];
        const Sheet a = local[static_cast<std::size_t>(s.from)],
                    b = local[static_cast<std::size_t>(s.to)];
        std::int64_t x0, x1, y0, y1;
        if (!cellRange(a, b, x0, x1, y0, y1)) continue;
        ++q.stamp;
        for (auto x = x0; x <= x1; ++x)
            for (auto y = y0; y <= y1; ++y) {
                const auto it = q.cells.find(cellKeyOf(s.part, x, y));
                if (it == q.cells.end()) continue;
                for (int o : it->second) {
                    if (o <= static_cast<int>(r) || q.seen[static_cast<std::size_t>(o)] == q.stamp)
                        continue;
                    q.seen[static_cast<std::size_t>(o)] = q.stamp;
                    const Span& t = net.spans[static_cast<std::size_t>(o)];
                    const long score = pairScore(static_cast<int>(r), o, a, b,
                                                 local[static_cast<std::size_t>(t.from)],
                                                 local[static_cast<std::size_t>(t.to)]);
                    if (score == 0) continue;
                    q.pairsOf[r].push_back({o, score});
                    q.pairsOf[static_cast<std::size_t>(o)].push_back({static_cast<int>(r), score});
                }
            }
    }
}

Planner::QuickLook Planner::quickLook(int c, double to, long current) {
    Quick& q = quick;
    QuickLook look;
    const Span& sc = net.spans[static_cast<std::size_t>(c)];
    const int part = sc.part;
    const int root = sc.to;
    if (part < 0 || q.tin[static_cast<std::size_t>(root)] < 0 ||
        parentRun[static_cast<std::size_t>(root)] != c ||
        q.wideInPart[static_cast<std::size_t>(part)])
        return look;
    const int lo = q.tin[static_cast<std::size_t>(root)],
              hi = q.tout[static_cast<std::size_t>(root)];
    RunLayout& run = runs[static_cast<std::size_t>(c)];
    const std::vector<RunSegment> kept = run.segments;
    const double keptDrawn = run.drawn, keptStretch = stretch[static_cast<std::size_t>(c)];
    stretch[static_cast<std::size_t>(c)] = to;
    layRun(static_cast<std::size_t>(c), nullptr);
    const Sheet delta = run.dir * (run.drawn - keptDrawn);
    const std::vector<RunSegment> changed = run.segments;
    run.segments = kept;
    run.drawn = keptDrawn;
    stretch[static_cast<std::size_t>(c)] = keptStretch;

    // The sheet: the part's box with what hangs on the run moved.
    {
        std::vector<Bounds> boxes = q.partBoxes;
        Bounds b = q.before[static_cast<std::size_t>(lo)];
        if (hi < q.partEnd[static_cast<std::size_t>(part)])
            b.add(q.from[static_cast<std::size_t>(hi)]);
        Bounds moved = q.below[static_cast<std::size_t>(lo)];
        moved.x0 += delta.x;
        moved.x1 += delta.x;
        moved.y0 += delta.y;
        moved.y1 += delta.y;
        b.add(moved);
        boxes[static_cast<std::size_t>(part)] = b;
        const Sheet size = arrange(boxes, nullptr);
        look.known = true;
        look.cost = 1;
        look.fits =
            size.x <= opt.area.right - opt.area.left && size.y <= opt.area.top - opt.area.bottom;
        if (!look.fits) return look;
    }
    auto inSub = [&](int j) {
        const int t = q.tin[static_cast<std::size_t>(j)];
        return t >= lo && t < hi;
    };
    // 0: not moved, 1: moved, 2: one end moved (or the run changed).
    auto kind = [&](int r) {
        if (r == c) return 2;
        const Span& s = net.spans[static_cast<std::size_t>(r)];
        const bool a = inSub(s.from), b = inSub(s.to);
        return a && b ? 1 : !a && !b ? 0 : 2;
    };
    auto at = [&](int j, bool after) {
        const Sheet p = local[static_cast<std::size_t>(j)];
        return after && inSub(j) ? p + delta : p;
    };
    // Runs of the part near the segment a-b, each once.
    auto near = [&](Sheet a, Sheet b, auto&& visit) {
        std::int64_t x0, x1, y0, y1;
        if (!cellRange(a, b, x0, x1, y0, y1)) return false;
        ++q.stamp;
        for (auto x = x0; x <= x1; ++x)
            for (auto y = y0; y <= y1; ++y) {
                const auto it = q.cells.find(cellKeyOf(part, x, y));
                if (it == q.cells.end()) continue;
                for (int r : it->second) {
                    if (q.seen[static_cast<std::size_t>(r)] == q.stamp) continue;
                    q.seen[static_cast<std::size_t>(r)] = q.stamp;
                    visit(r);
                }
            }
        return true;
    };
    std::vector<int> ends;  // runs with one end moved
    ends.push_back(c);
    std::size_t movedCount = 0, stillCount = 0;
    std::vector<int> movedLoose, stillLoose;
    for (int r : q.loose) {
        if (r == c || net.spans[static_cast<std::size_t>(r)].part != part) continue;
        const int k = kind(r);
        if (k == 2)
            ends.push_back(r);
        else if (k == 1)
            movedLoose.push_back(r);
        else
            stillLoose.push_back(r);
    }
    movedCount = static_cast<std::size_t>(hi - lo - 1) + movedLoose.size();
    stillCount = static_cast<std::size_t>(q.partEnd[static_cast<std::size_t>(part)] -
                                          q.partFirst[static_cast<std::size_t>(part)] - (hi - lo)) +
                 stillLoose.size();
    long diff = 0;
    bool ok = true;
    const bool walkMoved = movedCount <= stillCount;
    // Pairs of a moved and an unmoved run: the smaller side walked, the other found near it.
    auto across = [&](int r) {
        const Span& s = net.spans[static_cast<std::size_t>(r)];
        const Sheet a0 = local[static_cast<std::size_t>(s.from)],
                    b0 = local[static_cast<std::size_t>(s.to)];
        const Sheet shift = walkMoved ? delta : delta * -1.0;
        const int want = walkMoved ? 0 : 1;
        for (const auto& [x, score] : q.pairsOf[static_cast<std::size_t>(r)])
            if (kind(x) == want) diff -= score;
        ok = ok && near(a0 + shift, b0 + shift, [&](int x) {
                 if (kind(x) != want) return;
                 const Span& t = net.spans[static_cast<std::size_t>(x)];
                 diff += pairScore(r, x, at(s.from, true), at(s.to, true), at(t.from, true),
                                   at(t.to, true));
             });
        ++look.cost;
    };
    if (walkMoved) {
        for (int i = lo + 1; i < hi && ok; ++i) {
            const int r = q.runAt[static_cast<std::size_t>(i)];
            if (r >= 0 && kind(r) == 1) across(r);
        }
        for (int r : movedLoose)
            if (ok) across(r);
    } else {
        for (int i = q.partFirst[static_cast<std::size_t>(part)];
             i < q.partEnd[static_cast<std::size_t>(part)] && ok; ++i) {
            if (i == lo) i = hi;
            if (i >= q.partEnd[static_cast<std::size_t>(part)]) break;
            const int r = q.runAt[static_cast<std::size_t>(i)];
            if (r >= 0 && kind(r) == 0) across(r);
        }
        for (int r : stillLoose)
            if (ok) across(r);
    }
    // Runs with one end moved, against all others: first as they are drawn now.
    for (int e : ends) {
        if (!ok) break;
        for (const auto& [x, score] : q.pairsOf[static_cast<std::size_t>(e)])
            if (kind(x) != 2) diff -= score;  // pairs of two such runs: below
        ++look.cost;
    }
    auto endPairs = [&](bool after, long sign) {
        for (std::size_t i = 0; i < ends.size(); ++i)
            for (std::size_t j = i + 1; j < ends.size(); ++j) {
                const Span& s = net.spans[static_cast<std::size_t>(ends[i])];
                const Span& t = net.spans[static_cast<std::size_t>(ends[j])];
                diff += sign * pairScore(ends[i], ends[j], at(s.from, after), at(s.to, after),
                                         at(t.from, after), at(t.to, after));
            }
    };
    endPairs(false, -1);
    // Then with the change: run c's pieces as they would be drawn.
    run.segments = changed;
    endPairs(true, 1);
    for (std::size_t ie = 0; ie < ends.size() && ok; ++ie) {
        const int e = ends[ie];
        const Span& s = net.spans[static_cast<std::size_t>(e)];
        const Sheet a1 = at(s.from, true), b1 = at(s.to, true);
        auto visit = [&](int want) {
            return [&, want](int x) {
                if (x == e) return;
                if (kind(x) != want) return;
                const Span& t = net.spans[static_cast<std::size_t>(x)];
                diff += pairScore(e, x, a1, b1, at(t.from, true), at(t.to, true));
            };
        };
        // Unmoved and one-end runs where they are; moved runs found where they were.
        ok = near(a1, b1, visit(0)) && near(a1 - delta, b1 - delta, visit(1));
        look.cost += 2;
    }
    run.segments = kept;
    if (!ok) {
        look.known = false;
        return look;
    }
    look.score = current + diff;
    return look;
}

bool Planner::stretchable(int c) const {
    const RunLayout& run = runs[static_cast<std::size_t>(c)];
    if (run.shape == RunShape::Space || run.shape == RunShape::Closing) return false;
    return std::any_of(run.segments.begin(), run.segments.end(),
                       [](const RunSegment& s) { return !s.components; });
}

Planner::Between Planner::runsBetween(std::pair<int, int> pair) const {
    auto chain = [&](int r) {
        std::vector<int> up;
        while (r >= 0 && up.size() < 64) {
            up.push_back(r);
            r = parentRun[static_cast<std::size_t>(net.spans[static_cast<std::size_t>(r)].from)];
        }
        return up;
    };
    Between out;
    std::vector<int>& a = out.first;
    std::vector<int>& b = out.second;
    a = chain(pair.first);
    b = chain(pair.second);
    // Where they meet: the first run of one way that the other passes too. Runs above it move
    // both alike; it counts only when it is one of the two itself.
    for (std::size_t ib = 0; ib < b.size(); ++ib) {
        const auto at = std::find(a.begin(), a.end(), b[ib]);
        if (at == a.end()) continue;
        const auto ia = static_cast<std::size_t>(at - a.begin());
        a.resize(ia == 0 ? 1 : ia);
        b.resize(ib == 0 ? 1 : ib);
        break;
    }
    // Nearest the two first: a change there moves the least else.
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
        if (i < a.size()) out.all.push_back(a[i]);
        if (i < b.size()) out.all.push_back(b[i]);
    }
    return out;
}

std::vector<Planner::Change> Planner::clearingChanges(std::pair<int, int> pair, long now,
                                                      long below, int skip, long& budget) {
    constexpr std::size_t kNearest = 8;  // runs tried, nearest the pair first
    std::vector<Change> out;
    const Between bt = runsBetween(pair);
    std::size_t tried = 0;
    for (int c : bt.all) {
        if (tried >= kNearest || budget <= 0) break;
        if (c == skip || !stretchable(c)) continue;
        ++tried;
        const bool onFirst = std::find(bt.first.begin(), bt.first.end(), c) != bt.first.end();
        for (double f : clearingFactors(c, onFirst ? pair.first : pair.second,
                                        onFirst ? pair.second : pair.first)) {
            const double before = stretch[static_cast<std::size_t>(c)];
            const double to = std::clamp(before * f, 0.2, 8.0);
            if (to == before) continue;
            const QuickLook q = quickLook(c, to, now);
            budget -= q.cost;
            if (q.known && q.fits && q.score < below) out.push_back({q.score, c, to});
        }
    }
    std::sort(out.begin(), out.end(),
              [](const Change& x, const Change& y) { return x.score < y.score; });
    return out;
}

bool Planner::twoChanges(std::pair<int, int> pick, const std::vector<std::pair<int, int>>& pairs,
                         int hard, long& budget) {
    const long n = static_cast<long>(runs.size()) + 1;
    const long base = conflicts(nullptr).score();
    budget -= n;
    // The runs nearest each pair are tried; the few first changes that leave the least.
    constexpr std::size_t kFirstChanges = 3, kLaterPairs = 3;
    constexpr long kOneMore = 2000;  // the pair cleared, at most one more drawn across
    std::vector<Change> firsts = clearingChanges(pick, base, base + kOneMore, -1, budget);
    if (firsts.size() > kFirstChanges) firsts.resize(kFirstChanges);
    const auto oldHard = pairs.begin() + std::min<long>(hard, static_cast<long>(pairs.size()));
    for (const Change& first : firsts) {
        if (budget <= 0) break;
        const double kept = stretch[static_cast<std::size_t>(first.run)];
        stretch[static_cast<std::size_t>(first.run)] = first.to;
        evaluate();
        budget -= n;
        if (fits()) {
            std::vector<std::pair<int, int>> after;
            const Conflicts now = conflicts(&after);
            prepareQuick();
            budget -= 2 * n;
            std::size_t later = 0;
            for (int i = 0; i < now.hard && later < kLaterPairs && budget > 0; ++i) {
                const auto pr = after[static_cast<std::size_t>(i)];
                if (std::find(pairs.begin(), oldHard, pr) != oldHard) continue;
                ++later;
                std::vector<Change> seconds =
                    clearingChanges(pr, now.score(), base, first.run, budget);
                if (seconds.size() > kFirstChanges) seconds.resize(kFirstChanges);
                for (const Change& second : seconds) {
                    if (budget <= 0) break;
                    const double kept2 = stretch[static_cast<std::size_t>(second.run)];
                    stretch[static_cast<std::size_t>(second.run)] = second.to;
                    evaluate();
                    const long score = fits() ? conflicts(nullptr).score() : base;
                    budget -= n;
                    if (score < base) return true;
                    // The quick look was wrong (the drawing's scale moved): back to the
                    // drawing it was made from.
                    stretch[static_cast<std::size_t>(second.run)] = kept2;
                    evaluate();
                    budget -= n;
                }
            }
        }
        stretch[static_cast<std::size_t>(first.run)] = kept;
        evaluate();
        prepareQuick();
        budget -= 2 * n;
    }
    return false;
}

double Planner::freeLength(int c) const {
    double free = 0.0;
    for (const RunSegment& seg : runs[static_cast<std::size_t>(c)].segments)
        if (!seg.components) free += seg.d1 - seg.d0;
    return free;
}

bool Planner::slide(std::pair<int, int> pick, const Between& between, long current, long& budget) {
    const long n = static_cast<long>(runs.size()) + 1;
    // The runs nearest the pair, the parallel runs nearest each in walk order, the least slides.
    const std::size_t kNearest = wide ? 12 : 8, kEnds = wide ? 8 : 4, kTries = wide ? 10 : 6;
    const Quick& q = quick;
    auto place = [&](int j) { return q.tin[static_cast<std::size_t>(j)]; };
    // Whether junction j hangs on junction `root` (or is it).
    auto hangsOn = [&](int j, int root) {
        const int t = place(j), r = place(root);
        return t >= 0 && r >= 0 && t >= r && t < q.tout[static_cast<std::size_t>(root)];
    };
    struct Slide {
        double shift;
        int c, d;
        double toC, toD;
    };
    std::vector<Slide> found;
    std::size_t tried = 0;
    for (int c : between.all) {
        if (tried >= kNearest || budget <= 0) break;
        const Span& sc = net.spans[static_cast<std::size_t>(c)];
        const int root = sc.to;
        if (!stretchable(c) || place(root) < 0 || parentRun[static_cast<std::size_t>(root)] != c)
            continue;
        ++tried;
        const bool onFirst =
            std::find(between.first.begin(), between.first.end(), c) != between.first.end();
        const int moving = onFirst ? pick.first : pick.second;
        const int other = onFirst ? pick.second : pick.first;
        const std::vector<double> factors = clearingFactors(c, moving, other);
        budget -= 1;  // a few runs looked at
        if (factors.empty()) continue;
        const double freeC = freeLength(c);
        const Sheet dirC = runs[static_cast<std::size_t>(c)].dir;
        const int movingTo = net.spans[static_cast<std::size_t>(moving)].to;
        const int otherTo = net.spans[static_cast<std::size_t>(other)].to;
        std::size_t ends = 0;
        for (int i = place(root) + 1; i < q.tout[static_cast<std::size_t>(root)] && ends < kEnds;
             ++i) {
            const int d = q.runAt[static_cast<std::size_t>(i)];
            if (d < 0 || d == moving || d == other || !stretchable(d)) continue;
            const Sheet dirD = runs[static_cast<std::size_t>(d)].dir;
            // Parallel: d made shorter by as much as c longer; running the other way (a U):
            // longer by as much.
            const double dot = dirC.x * dirD.x + dirC.y * dirD.y;
            if (std::fabs(dot) < 1.0 - 1e-9) continue;
            const double same = dot > 0.0 ? 1.0 : -1.0;
            if (same < 0 && !wide) continue;
            const int dj = net.spans[static_cast<std::size_t>(d)].to;
            // The moving run must move with the slide, the other stay.
            if (hangsOn(movingTo, dj)) continue;
            if (hangsOn(otherTo, root) && !hangsOn(otherTo, dj)) continue;
            ++ends;
            const double freeD = freeLength(d);
            if (freeD <= 0.0) continue;
            for (double f : factors) {
                const double t = (f - 1.0) * freeC;
                const double fd = (freeD - same * t) / freeD;
                // d would be drawn shorter than readable, or longer than any change draws it
                if (fd < leastFactor(d) || fd > 8.0) continue;
                found.push_back({std::fabs(t), c, d,
                                 std::clamp(stretch[static_cast<std::size_t>(c)] * f, 0.2, 8.0),
                                 std::clamp(stretch[static_cast<std::size_t>(d)] * fd, 0.2, 8.0)});
            }
        }
    }
    std::sort(found.begin(), found.end(),
              [](const Slide& x, const Slide& y) { return x.shift < y.shift; });
    if (found.size() > kTries) found.resize(kTries);
    long best = current;
    const Slide* chosen = nullptr;
    for (const Slide& s : found) {
        if (budget <= 0) break;
        const double keptC = stretch[static_cast<std::size_t>(s.c)],
                     keptD = stretch[static_cast<std::size_t>(s.d)];
        stretch[static_cast<std::size_t>(s.c)] = s.toC;
        stretch[static_cast<std::size_t>(s.d)] = s.toD;
        evaluate();
        const long score = fits() ? conflicts(nullptr).score() : best;
        budget -= n;
        stretch[static_cast<std::size_t>(s.c)] = keptC;
        stretch[static_cast<std::size_t>(s.d)] = keptD;
        if (score < best) {
            best = score;
            chosen = &s;
        }
    }
    if (chosen) {
        stretch[static_cast<std::size_t>(chosen->c)] = chosen->toC;
        stretch[static_cast<std::size_t>(chosen->d)] = chosen->toD;
    }
    evaluate();
    return chosen != nullptr;
}

bool Planner::kick(const std::vector<std::pair<int, int>>& pairs, int hard, int round, long now,
                   long& budget) {
    if (hard <= 0) return false;
    const long n = static_cast<long>(runs.size()) + 1;
    // Pairs far apart in the list, so that rounds that follow each other shake different places.
    const auto pick =
        pairs[static_cast<std::size_t>((static_cast<long>(round) * 7) % static_cast<long>(hard))];
    const std::vector<Change> found =
        clearingChanges(pick, now, std::numeric_limits<long>::max(), -1, budget);
    for (const Change& ch : found) {
        if (budget <= 0) break;
        const double kept = stretch[static_cast<std::size_t>(ch.run)];
        stretch[static_cast<std::size_t>(ch.run)] = ch.to;
        evaluate();
        budget -= n;
        if (fits()) return true;
        stretch[static_cast<std::size_t>(ch.run)] = kept;
    }
    evaluate();
    return false;
}

bool Planner::readableBySlide(int c, long current, long& budget) {
    const long n = static_cast<long>(runs.size()) + 1;
    constexpr std::size_t kEach = 4;  // runs tried on each side
    const double least = leastFactor(c);
    const double grow = (least - 1.0) * freeLength(c);
    const int root = net.spans[static_cast<std::size_t>(c)].to;
    prepareQuick();
    budget -= 2 * n;
    const Quick& q = quick;
    const Sheet dirC = runs[static_cast<std::size_t>(c)].dir;
    std::vector<int> others;
    auto consider = [&](int d) {
        if (d < 0 || d == c || !stretchable(d)) return false;
        const Sheet dirD = runs[static_cast<std::size_t>(d)].dir;
        if (std::fabs(dirC.x * dirD.x + dirC.y * dirD.y) < 1.0 - 1e-9) return false;
        others.push_back(d);
        return true;
    };
    std::size_t found = 0;
    for (int j = net.spans[static_cast<std::size_t>(c)].from;
         j >= 0 && parentRun[static_cast<std::size_t>(j)] >= 0 && found < kEach;) {
        const int d = parentRun[static_cast<std::size_t>(j)];
        if (consider(d)) ++found;
        j = net.spans[static_cast<std::size_t>(d)].from;
        if (others.size() > 64) break;
    }
    const int at = q.tin[static_cast<std::size_t>(root)];
    if (at >= 0 && parentRun[static_cast<std::size_t>(root)] == c) {
        found = 0;
        for (int i = at + 1; i < q.tout[static_cast<std::size_t>(root)] && found < kEach; ++i)
            if (consider(q.runAt[static_cast<std::size_t>(i)])) ++found;
    }
    const double keptC = stretch[static_cast<std::size_t>(c)];
    for (int d : others) {
        if (budget <= 0) break;
        const Sheet dirD = runs[static_cast<std::size_t>(d)].dir;
        const double same = dirC.x * dirD.x + dirC.y * dirD.y > 0 ? 1.0 : -1.0;
        const double freeD = freeLength(d);
        if (freeD <= 0.0) continue;
        const double fd = (freeD - same * grow) / freeD;
        if (fd < leastFactor(d) || fd > 8.0) continue;
        const double keptD = stretch[static_cast<std::size_t>(d)];
        stretch[static_cast<std::size_t>(c)] = keptC * least;
        stretch[static_cast<std::size_t>(d)] = keptD * fd;
        evaluate();
        budget -= n;
        if (fits() && conflicts(nullptr).score() <= current) return true;
        stretch[static_cast<std::size_t>(c)] = keptC;
        stretch[static_cast<std::size_t>(d)] = keptD;
    }
    evaluate();
    return false;
}

void Planner::resolve(long& budget) {
    const long n = static_cast<long>(runs.size()) + 1;
    std::vector<std::pair<int, int>> pairs;
    Conflicts current = conflicts(&pairs);
    prepareQuick();
    budget -= n;
    // Pairs no change helped; they are tried again only once every other pair is stuck too and
    // changes made since may have opened a way.
    std::vector<std::pair<int, int>> stuck;
    bool changedSinceStuck = false;
    // The best drawing seen: after a kick the drawing may be worse for a while. Kicks spend at
    // most a share of what the search had when it began, so that the drawings tried after this
    // one (more room, truer proportions) keep theirs.
    std::vector<double> bestStretch = stretch;
    long bestScore = current.score();
    const long kickReserve = budget - static_cast<long>(kKickShare * static_cast<double>(budget));
    int round = 0;
    while (current.score() > 0 && budget > 0) {
        std::pair<int, int> pick{-1, -1};
        for (const auto& pr : pairs)
            if (std::find(stuck.begin(), stuck.end(), pr) == stuck.end()) {
                pick = pr;
                break;
            }
        if (pick.first < 0) {
            if (!changedSinceStuck) {
                // Every pair is stuck: clearing one moves another run onto a third. Two changes
                // at once, the second clearing what the first brought about.
                bool moved = false;
                for (int i = 0; i < current.hard && opt.twoChanges && !moved && budget > 0; ++i)
                    moved =
                        twoChanges(pairs[static_cast<std::size_t>(i)], pairs, current.hard, budget);
                if (!moved && opt.kicks) {
                    // A local best: kept when it is the best yet, else the search goes back to
                    // the best and shakes it elsewhere.
                    if (current.score() <= bestScore) {
                        bestScore = current.score();
                        bestStretch = stretch;
                    } else {
                        stretch = bestStretch;
                        evaluate();
                        pairs.clear();
                        current = conflicts(&pairs);
                        prepareQuick();
                        budget -= 2 * n;
                    }
                    if (round < (wide ? 2 * kKicks : kKicks) && budget > kickReserve)
                        moved = kick(pairs, current.hard, round++, current.score(), budget);
                }
                if (!moved) break;
                pairs.clear();
                current = conflicts(&pairs);
                prepareQuick();
                budget -= n;
            }
            stuck.clear();
            changedSinceStuck = false;
            continue;
        }
        const Between between = runsBetween(pick);
        const std::vector<int>& a = between.first;
        const std::vector<int>& candidates = between.all;
        int bestRun = -1;
        double bestFactor = 1.0;
        long best = current.score();
        // The change evaluated in full: taken as the best when it helps.
        auto verify = [&](int c, double after) {
            const double before = stretch[static_cast<std::size_t>(c)];
            stretch[static_cast<std::size_t>(c)] = after;
            evaluate();
            const long score = fits() ? conflicts(nullptr).score() : best;
            stretch[static_cast<std::size_t>(c)] = before;
            budget -= n;
            if (score < best) {
                best = score;
                bestRun = c;
                bestFactor = after / before;
                return true;
            }
            // The quick look was wrong (the drawing's scale moved): back to the drawing it was
            // made from.
            evaluate();
            budget -= n;
            return false;
        };
        // A quick look first; what it finds helping, or cannot tell, is evaluated in full.
        auto look = [&](int c, double f, long& score) {
            const double before = stretch[static_cast<std::size_t>(c)];
            const double after = std::clamp(before * f, 0.2, 8.0);
            if (after == before) return false;
            const QuickLook q = quickLook(c, after, best);
            budget -= q.cost;
            if (q.known && !q.fits) return false;
            score = q.known ? q.score : best - 1;
            return true;
        };
        // The least change that moves the two clear, on every run between them: the best of
        // these.
        {
            int run = -1;
            double factor = 1.0;
            long least = best;
            for (int c : candidates) {
                if (!stretchable(c) || budget <= 0) continue;
                const bool onFirst = std::find(a.begin(), a.end(), c) != a.end();
                for (double f : clearingFactors(c, onFirst ? pick.first : pick.second,
                                                onFirst ? pick.second : pick.first)) {
                    long score = 0;
                    if (look(c, f, score) && score < least) {
                        least = score;
                        run = c;
                        factor = f;
                    }
                }
            }
            if (run >= 0 && budget > 0)
                verify(run, std::clamp(stretch[static_cast<std::size_t>(run)] * factor, 0.2, 8.0));
        }
        // Else fixed steps, nearest the two first: the first change that helps is taken.
        for (int c : candidates) {
            if (budget <= 0 || bestRun >= 0) break;
            if (!stretchable(c)) continue;
            const double least = leastFactor(c);
            for (double f : {1.6, 0.6, 2.6, 0.4}) {
                if (keepReadable && f < 1.0) {
                    f = std::max(f, least);
                    if (f >= 1.0 - 1e-9) continue;
                }
                long score = 0;
                if (!look(c, f, score) || score >= best) continue;
                if (verify(c, std::clamp(stretch[static_cast<std::size_t>(c)] * f, 0.2, 8.0)))
                    break;
                if (budget <= 0) break;
            }
        }
        if (bestRun < 0) {
            if (opt.slides && budget > 0 && slide(pick, between, current.score(), budget)) {
                pairs.clear();
                current = conflicts(&pairs);
                prepareQuick();
                budget -= n;
                changedSinceStuck = true;
                continue;
            }
            stuck.push_back(pick);
            continue;
        }
        stretch[static_cast<std::size_t>(bestRun)] *= bestFactor;
        evaluate();
        pairs.clear();
        current = conflicts(&pairs);
        prepareQuick();
        budget -= n;
        changedSinceStuck = true;
    }
    if (current.score() > bestScore) stretch = bestStretch;
    evaluate();
}

bool Planner::untangle() {
    const Conflicts start = conflicts(nullptr);
    if (start.hard == 0 || !fits() || runs.size() > kUntangleRuns) return false;
    const std::size_t n = runs.size(), nj = local.size();
    const std::vector<double> base = stretch;
    const std::vector<Sheet> from = local;
    // Per run: its drawn length now and the shortest and longest it may be drawn, which the
    // program chooses among; the stretch that draws it so is found after.
    auto drawnAt = [&](std::size_t r, double factor) {
        stretch[r] = base[r] * factor;
        layRun(r, nullptr);
        const double d = runs[r].drawn;
        stretch[r] = base[r];
        layRun(r, nullptr);
        return d;
    };
    std::vector<double> now(n, 0.0), shortest(n, 0.0), longest(n, 0.0), least(n, 1.0), most(n, 1.0);
    std::vector<char> free(n, 0);
    for (std::size_t r = 0; r < n; ++r) {
        now[r] = shortest[r] = longest[r] = runs[r].drawn;
        if (!stretchable(static_cast<int>(r))) continue;
        least[r] = std::min(1.0, leastFactor(static_cast<int>(r)));
        most[r] = std::max(1.0, 8.0 / base[r]);
        shortest[r] = drawnAt(r, least[r]);
        longest[r] = drawnAt(r, most[r]);
        free[r] = longest[r] > shortest[r] + 1e-6;
    }
    auto partOf = [&](int r) {
        return partOfJunction[static_cast<std::size_t>(
            net.spans[static_cast<std::size_t>(r)].from)];
    };
    auto closing = [&](int r) {
        return runs[static_cast<std::size_t>(r)].shape == RunShape::Closing;
    };

    // How one run lies against another, as rows of the program: each row a sum over the four
    // ends of the two runs (first run's from and to, second run's from and to) of a vector
    // times the end's point, to be at least the margin.
    struct Row {
        Sheet c[4];
        double len[2] = {0.0, 0.0};  // times the drawn length of the first and the second run
        double constant = 0.0;
    };
    struct Relation {
        int a = -1, b = -1;
        std::vector<Row> rows;
        double margin = 0.0;
        double cost = 1.0;      // what missing it costs, against the others
        bool crossing = false;  // the two cross, as they do in the true projection
    };
    auto perp = [](Sheet d) { return Sheet{-d.y, d.x}; };
    auto dot = [](Sheet u, Sheet v) { return u.x * v.x + u.y * v.y; };
    auto valueOf = [&](const Relation& rel, const Sheet(&pt)[4]) {
        double v = std::numeric_limits<double>::infinity();
        for (const Row& row : rel.rows) {
            double s = row.constant + row.len[0] * runs[static_cast<std::size_t>(rel.a)].drawn +
                       row.len[1] * runs[static_cast<std::size_t>(rel.b)].drawn;
            for (int e = 0; e < 4; ++e) s += dot(row.c[e], pt[e]);
            v = std::min(v, s);
        }
        return v;
    };
    // The ways two runs with drawn directions da, db may keep clear of each other: on one side of
    // the line of either, or, when parallel, one beyond the other along them.
    auto separations = [&](int a, int b, Sheet da, Sheet db) {
        std::vector<Relation> out;
        const Sheet zero{0, 0};
        for (double sign : {1.0, -1.0}) {
            if (!closing(a)) {
                const Sheet nv = perp(da) * sign;
                Relation rel{a, b, {}, 0.0};
                rel.rows.push_back({{zero - nv, zero, nv, zero}});
                rel.rows.push_back({{zero - nv, zero, zero, nv}});
                out.push_back(rel);
            }
            if (!closing(b)) {
                const Sheet nv = perp(db) * sign;
                Relation rel{a, b, {}, 0.0};
                rel.rows.push_back({{nv, zero, zero - nv, zero}});
                rel.rows.push_back({{zero, nv, zero - nv, zero}});
                out.push_back(rel);
            }
            if (!closing(a) && !closing(b) && std::fabs(da.x * db.y - da.y * db.x) < 1e-9) {
                const Sheet dv = da * sign;
                Relation rel{a, b, {}, 0.0};
                for (int l = 0; l < 2; ++l)
                    for (int q = 2; q < 4; ++q) {
                        Row row{{zero, zero, zero, zero}};
                        row.c[q] = dv;
                        row.c[l] = zero - dv;
                        rel.rows.push_back(row);
                    }
                out.push_back(rel);
            }
        }
        return out;
    };
    auto endsOf = [&](int a, int b, const std::vector<Sheet>& at, Sheet(&pt)[4]) {
        const Span& p = net.spans[static_cast<std::size_t>(a)];
        const Span& q = net.spans[static_cast<std::size_t>(b)];
        pt[0] = at[static_cast<std::size_t>(p.from)];
        pt[1] = at[static_cast<std::size_t>(p.to)];
        pt[2] = at[static_cast<std::size_t>(q.from)];
        pt[3] = at[static_cast<std::size_t>(q.to)];
    };
    auto trueDir = [&](int r) {
        const auto& t = trueEnds[static_cast<std::size_t>(r)];
        const Sheet v = t.second - t.first;
        const double len = sheetLen(v);
        return len > 0 ? v * (1.0 / len) : Sheet{};
    };
    // Pairs that cross in the true projection but were drawn crossing where a piece of one of
    // them ends (the program would join them there): kept apart from then on.
    auto pairKey = [n](int a, int b) {
        return static_cast<std::uint64_t>(a) * n + static_cast<std::uint64_t>(b);
    };
    std::unordered_map<std::uint64_t, char> crossApart;
    // The relation the program keeps for runs a and b, chosen in the drawing `at`: of the ways
    // they keep clear in the true projection, the one they keep best in the drawing; for runs that
    // cross in the true projection, crossing or any way of keeping clear, whichever the drawing
    // is nearer. None when the true projections touch, or for two closing runs.
    auto relationOf = [&](int a, int b, const std::vector<Sheet>& at) -> std::optional<Relation> {
        if (closing(a) && closing(b)) return std::nullopt;
        const Sheet da = runs[static_cast<std::size_t>(a)].dir,
                    db = runs[static_cast<std::size_t>(b)].dir;
        const Sheet ta = trueDir(a), tb = trueDir(b);
        if ((!closing(a) && dot(da, ta) < 0.9999) || (!closing(b) && dot(db, tb) < 0.9999))
            return std::nullopt;
        Sheet drawn[4], real[4];
        endsOf(a, b, at, drawn);
        const auto& tpa = trueEnds[static_cast<std::size_t>(a)];
        const auto& tpb = trueEnds[static_cast<std::size_t>(b)];
        real[0] = tpa.first;
        real[1] = tpa.second;
        real[2] = tpb.first;
        real[3] = tpb.second;
        const std::vector<Relation> drawnWays = separations(a, b, da, db);
        const std::vector<Relation> trueWays = separations(a, b, ta, tb);
        std::optional<Relation> best;
        double bestValue = -std::numeric_limits<double>::infinity();
        // The true projection with the drawing added at a millionth of its size: its runs keep
        // their directions, so it is a drawing of the pipeline too, and every way it keeps is one
        // that all pairs can keep together. Where the true projection only touches (an end
        // exactly on the other run's line: the points of a plant lie on a grid), it takes the
        // side the drawing has.
        Sheet mixed[4];
        for (int e = 0; e < 4; ++e) mixed[e] = real[e] + drawn[e] * 1e-6;
        for (std::size_t w = 0; w < drawnWays.size(); ++w) {
            if (!(valueOf(trueWays[w], mixed) > 1e-7)) continue;
            const double v = valueOf(drawnWays[w], drawn);
            if (v > bestValue) {
                bestValue = v;
                best = drawnWays[w];
                best->margin = kClearance * 1.3;
            }
        }
        // Drawn across a run it only touches in the true projection: clear on the side it
        // touches.
        if (!best && !crossesInside(real[0], real[1], real[2], real[3]))
            for (std::size_t w = 0; w < drawnWays.size(); ++w) {
                if (!(valueOf(trueWays[w], real) > -0.01)) continue;
                const double v = valueOf(drawnWays[w], drawn);
                if (v > bestValue) {
                    bestValue = v;
                    best = drawnWays[w];
                    best->margin = kClearance * 1.3;
                    // The only way the true projection allows: a pair that keeps another
                    // way, from the drawing, gives way to it.
                    best->cost = 4.0;
                }
            }
        if (best) return best;
        if (closing(a) || closing(b) || !crossesInside(real[0], real[1], real[2], real[3]))
            return std::nullopt;
        // Crossing as they cross in space: each run's ends on the sides of the other's line they
        // are on in the true projection.
        Relation cross{a, b, {}, kTouching + 2.0};
        cross.crossing = true;
        const Sheet zero{0, 0};
        for (int q = 2; q < 4; ++q) {
            const Sheet nv = perp(da) * (dot(perp(ta), real[q] - real[0]) > 0 ? 1.0 : -1.0);
            Row row{{zero - nv, zero, zero, zero}};
            row.c[q] = nv;
            cross.rows.push_back(row);
        }
        for (int l = 0; l < 2; ++l) {
            const Sheet nv = perp(db) * (dot(perp(tb), real[l] - real[2]) > 0 ? 1.0 : -1.0);
            Row row{{zero, zero, zero - nv, zero}};
            row.c[l] = nv;
            cross.rows.push_back(row);
        }
        // And not where a piece of either ends (the program would join them there): the crossing
        // stays between the ends of the pieces it lies between now, on each run. Its place on a
        // run, with both directions kept, is linear in the two runs' first points; the pieces'
        // ends move with the run's drawn length as far as plain pipe lies before them.
        const double den = da.x * db.y - da.y * db.x;
        if (std::fabs(den) > 1e-6) {
            for (int k = 0; k < 2; ++k) {
                const int r = k == 0 ? a : b;
                const Sheet other = k == 0 ? db : da;
                // Place on run r = dot(w, second run's first point - first run's first point).
                const Sheet w = Sheet{other.y, -other.x} * (1.0 / den);
                const double place = dot(w, drawn[2] - drawn[0]);
                const RunLayout& run = runs[static_cast<std::size_t>(r)];
                double lo = 0.0, hi = run.drawn;
                for (const RunSegment& seg : run.segments)
                    for (const double d : {seg.d0, seg.d1}) {
                        if (d <= place) lo = std::max(lo, d);
                        if (d > place) hi = std::min(hi, d);
                    }
                // A piece too short to hold the crossing clear of both its ends is left to the
                // rounds (the pair is kept clear once drawn crossing at a piece end).
                if (!(place >= 0.0 && place <= run.drawn) || hi - lo < 2.0 * cross.margin + 1.0)
                    continue;
                // A piece's end at d as the run's drawn length L changes: fixed + share·L.
                auto endAt = [&](double d) {
                    double fixed = 0.0, plain = 0.0, prev = 0.0;
                    for (const RunSegment& seg : run.segments) {
                        if (d > prev) fixed += std::min(d, seg.d0) - prev;
                        if (seg.components) {
                            if (d >= seg.d1) fixed += seg.d1 - seg.d0;
                        } else {
                            plain += seg.d1 - seg.d0;
                        }
                        prev = seg.d1;
                    }
                    if (d > prev) fixed += d - prev;
                    if (!free[static_cast<std::size_t>(r)] || plain < 1e-9)
                        return std::pair{0.0, d};
                    const double before = d - fixed, share = before / plain;
                    return std::pair{share, fixed - share * (run.drawn - plain)};
                };
                const auto [loShare, loFixed] = endAt(lo);
                const auto [hiShare, hiFixed] = endAt(hi);
                Row pastLo{{zero - w, zero, w, zero}};
                pastLo.len[k] = -loShare;
                pastLo.constant = -loFixed;
                cross.rows.push_back(pastLo);
                Row shortOfHi{{w, zero, zero - w, zero}};
                shortOfHi.len[k] = hiShare;
                shortOfHi.constant = hiFixed;
                cross.rows.push_back(shortOfHi);
            }
        }
        bestValue = crossApart.count(pairKey(a, b)) ? -std::numeric_limits<double>::infinity()
                                                    : valueOf(cross, drawn);
        best = cross;
        for (const Relation& way : drawnWays) {
            const double v = valueOf(way, drawn);
            if (v > bestValue) {
                bestValue = v;
                best = way;
                best->margin = kTouching + 2.0;
            }
        }
        return best;
    };

    // The pairs the program holds: near each other in a drawing (or drawn across each other),
    // within a few clearances (pairs further apart that come near are added in the next round;
    // holding more from the start draws no fewer across each other and takes twice the time).
    constexpr double kNear = 40.0;
    std::vector<Relation> held;
    std::vector<std::pair<int, int>> pairsHeld;
    std::unordered_map<std::uint64_t, char> known;
    auto addNear = [&](const std::vector<Sheet>& at) {
        std::size_t added = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const Span& p = net.spans[i];
            const int part = partOf(static_cast<int>(i));
            if (part < 0) continue;
            const Sheet p1 = at[static_cast<std::size_t>(p.from)],
                        p2 = at[static_cast<std::size_t>(p.to)];
            for (std::size_t j = i + 1; j < n; ++j) {
                const Span& q = net.spans[j];
                if (partOf(static_cast<int>(j)) != part) continue;
                if (p.from == q.from || p.from == q.to || p.to == q.from || p.to == q.to) continue;
                const Sheet q1 = at[static_cast<std::size_t>(q.from)],
                            q2 = at[static_cast<std::size_t>(q.to)];
                if (boxesApart(p1, p2, q1, q2, kNear) || segmentDistance(p1, p2, q1, q2) > kNear)
                    continue;
                const std::uint64_t key = pairKey(static_cast<int>(i), static_cast<int>(j));
                if (known.count(key)) continue;
                known[key] = 1;
                pairsHeld.emplace_back(static_cast<int>(i), static_cast<int>(j));
                ++added;
            }
        }
        return added;
    };
    addNear(from);

    // The area each part may take: the whole free area for one part, else its box now and a
    // share of the room left.
    const double areaW = opt.area.right - opt.area.left, areaH = opt.area.top - opt.area.bottom;
    const double pad = kPartPad * detail;
    std::vector<Bounds> boxes(static_cast<std::size_t>(parts));
    for (std::size_t j = 0; j < nj; ++j)
        if (partOfJunction[j] >= 0) boxes[static_cast<std::size_t>(partOfJunction[j])].add(from[j]);

    std::vector<double> bestStretch = base;
    long bestScore = start.score();
    for (int round = 0; round < 8; ++round) {
        // Each pair's way chosen again in the drawing the last program found: where that drawing
        // has an end on the side of a run that only one pair allows, the others follow.
        held.clear();
        for (const auto& [i, j] : pairsHeld)
            if (auto rel = relationOf(i, j, local)) held.push_back(std::move(*rel));
        LinearProgram lp;
        std::vector<int> px(nj, -1), py(nj, -1);
        std::vector<char> root(nj, 0);
        for (int s : net.partStarts) root[static_cast<std::size_t>(s)] = 1;
        for (std::size_t j = 0; j < nj; ++j) {
            if (partOfJunction[j] < 0) continue;
            const double inf = LinearProgram::kInfinity;
            px[j] = root[j] ? lp.addVariable(from[j].x, from[j].x, 0.0)
                            : lp.addVariable(-inf, inf, 0.0);
            py[j] = root[j] ? lp.addVariable(from[j].y, from[j].y, 0.0)
                            : lp.addVariable(-inf, inf, 0.0);
        }
        std::vector<int> sv(n, -1);
        for (std::size_t r = 0; r < n; ++r) {
            const Span& s = net.spans[r];
            const auto a = static_cast<std::size_t>(s.from), b = static_cast<std::size_t>(s.to);
            if (closing(static_cast<int>(r)) || px[a] < 0 || px[b] < 0) continue;
            const Sheet d = runs[r].dir;
            if (free[r]) {
                sv[r] = lp.addVariable(shortest[r], longest[r], 0.0);
                const int u = lp.addVariable(0.0, LinearProgram::kInfinity, 1.0);
                lp.addRow({{u, 1.0}, {sv[r], -1.0}}, -now[r], LinearProgram::kInfinity);
                lp.addRow({{u, 1.0}, {sv[r], 1.0}}, now[r], LinearProgram::kInfinity);
                lp.addRow({{px[b], 1.0}, {px[a], -1.0}, {sv[r], -d.x}}, 0.0, 0.0);
                lp.addRow({{py[b], 1.0}, {py[a], -1.0}, {sv[r], -d.y}}, 0.0, 0.0);
            } else {
                const double dx = d.x * runs[r].drawn, dy = d.y * runs[r].drawn;
                lp.addRow({{px[b], 1.0}, {px[a], -1.0}}, dx, dx);
                lp.addRow({{py[b], 1.0}, {py[a], -1.0}}, dy, dy);
            }
        }
        for (int part = 0; part < parts; ++part) {
            const Bounds& b = boxes[static_cast<std::size_t>(part)];
            if (!(b.x0 <= b.x1)) continue;
            const double inf = LinearProgram::kInfinity;
            const double w = parts == 1 ? areaW - 2 * pad - 1.0
                                        : b.x1 - b.x0 + std::max(0.0, areaW - width) / parts;
            const double h = parts == 1 ? areaH - 2 * pad - 1.0
                                        : b.y1 - b.y0 + std::max(0.0, areaH - height) / parts;
            const int x0 = lp.addVariable(-inf, inf, 0.0), x1 = lp.addVariable(-inf, inf, 0.0);
            const int y0 = lp.addVariable(-inf, inf, 0.0), y1 = lp.addVariable(-inf, inf, 0.0);
            lp.addRow({{x1, 1.0}, {x0, -1.0}}, -inf, w);
            lp.addRow({{y1, 1.0}, {y0, -1.0}}, -inf, h);
            for (std::size_t j = 0; j < nj; ++j) {
                if (partOfJunction[j] != part) continue;
                lp.addRow({{px[j], 1.0}, {x0, -1.0}}, 0.0, inf);
                lp.addRow({{x1, 1.0}, {px[j], -1.0}}, 0.0, inf);
                lp.addRow({{py[j], 1.0}, {y0, -1.0}}, 0.0, inf);
                lp.addRow({{y1, 1.0}, {py[j], -1.0}}, 0.0, inf);
            }
        }
        // A pair held apart by less than its margin costs much more than drawing runs longer or
        // shorter.
        constexpr double kMissCost = 100.0;
        for (const Relation& rel : held) {
            const int miss = lp.addVariable(0.0, LinearProgram::kInfinity, kMissCost * rel.cost);
            const Span& p = net.spans[static_cast<std::size_t>(rel.a)];
            const Span& q = net.spans[static_cast<std::size_t>(rel.b)];
            const std::size_t ends[4] = {
                static_cast<std::size_t>(p.from), static_cast<std::size_t>(p.to),
                static_cast<std::size_t>(q.from), static_cast<std::size_t>(q.to)};
            for (const Row& row : rel.rows) {
                std::vector<std::pair<int, double>> terms{{miss, 1.0}};
                for (int e = 0; e < 4; ++e) {
                    terms.push_back({px[ends[e]], row.c[e].x});
                    terms.push_back({py[ends[e]], row.c[e].y});
                }
                double lower = rel.margin - row.constant;
                for (int k = 0; k < 2; ++k) {
                    if (row.len[k] == 0.0) continue;
                    const auto r = static_cast<std::size_t>(k == 0 ? rel.a : rel.b);
                    if (sv[r] >= 0)
                        terms.push_back({sv[r], row.len[k]});
                    else
                        lower -= row.len[k] * now[r];
                }
                lp.addRow(terms, lower, LinearProgram::kInfinity);
            }
        }
        if (!lp.minimize()) break;
        // The stretch that draws each run as long as the program found: drawn lengths grow with
        // the stretch (not in proportion where a floor holds), so halving finds it.
        std::vector<double> found = base;
        for (std::size_t r = 0; r < n; ++r) {
            if (sv[r] < 0) continue;
            const double want = lp.value(sv[r]);
            double lo = least[r], hi = most[r];
            for (int i = 0; i < 40 && hi - lo > 1e-7; ++i) {
                const double mid = (lo + hi) / 2.0;
                (drawnAt(r, mid) < want ? lo : hi) = mid;
            }
            found[r] = std::clamp(base[r] * (lo + hi) / 2.0, 0.2, 8.0);
        }
        stretch = found;
        evaluate();
        const long score = fits() ? conflicts(nullptr).score() : std::numeric_limits<long>::max();
        if (score < bestScore) {
            bestScore = score;
            bestStretch = stretch;
        }
        if (score == 0) break;
        for (const Relation& rel : held)
            if (rel.crossing) {
                const Span& p = net.spans[static_cast<std::size_t>(rel.a)];
                const Span& q = net.spans[static_cast<std::size_t>(rel.b)];
                if (pairKind(rel.a, rel.b, placed[static_cast<std::size_t>(p.from)],
                             placed[static_cast<std::size_t>(p.to)],
                             placed[static_cast<std::size_t>(q.from)],
                             placed[static_cast<std::size_t>(q.to)]) &
                    kHard)
                    crossApart[pairKey(rel.a, rel.b)] = 1;
            }
        addNear(local);
    }
    stretch = bestStretch;
    evaluate();
    return bestScore < start.score();
}

}  // namespace

bool crossesInside(Sheet p1, Sheet p2, Sheet q1, Sheet q2) {
    // Which side of the line a-b c lies on; within rounding of it (a shared end, an end on the
    // other) on no side. Squared, to spare a root on the layout's hot path.
    auto side = [](Sheet a, Sheet b, Sheet c) {
        const Sheet u = b - a;
        const double d = u.x * (c.y - a.y) - u.y * (c.x - a.x);
        return d * d < 1e-12 * (u.x * u.x + u.y * u.y) ? 0 : d > 0 ? 1 : -1;
    };
    const int d1 = side(q1, q2, p1), d2 = side(q1, q2, p2);
    const int d3 = side(p1, p2, q1), d4 = side(p1, p2, q2);
    return d1 * d2 < 0 && d3 * d4 < 0;
}

bool falseCrossing(const RunPicture& a, const RunPicture& b) {
    return crossesInside(a.drawn1, a.drawn2, b.drawn1, b.drawn2) &&
           !crossesInside(a.true1, a.true2, b.true1, b.true2);
}

Sheet trueProjection(Point3 p, const view::AxisAngles& axes) {
    const double a = axes.alpha * view::kDegToRad, b = axes.beta * view::kDegToRad;
    return {p.x * std::cos(a) + p.y * std::cos(b), -p.x * std::sin(a) + p.y * std::sin(b) + p.z};
}

double symbolLength(int symbol, int code, double symbolZoom, const view::AxisAngles& axes) {
    const model::SymbolRow* row = model::symbolRow(symbol);
    if (!row) return 0.0;
    // Along the east-west and south-north axes a symbol is shortened as its pipe is.
    const double along = code == 2 || code == 4   ? std::cos(axes.alpha * view::kDegToRad)
                         : code == 3 || code == 5 ? std::cos(axes.beta * view::kDegToRad)
                                                  : 1.0;
    return model::SymbolLines{row->lines}.length() * symbolZoom * along;
}

std::string lengthText(double mm) {
    std::string s = text::format("%.1f", mm);
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

bool fitsAtFullSize(const Network& network, const SheetOptions& options) {
    Planner p(network, options);
    p.prepare();
    p.gamma = kExponents[0];
    p.stretch.assign(p.runs.size(), 1.0);
    p.detail = kDetail[0];
    // Plain pipe is drawn no shorter than readable at any k: whether the smallest k fits does not
    // depend on the exponent, nor on the rows tried after the first that fits.
    p.k = 1e-7;
    const double areaW = options.area.right - options.area.left;
    for (double share : kRowShares) {
        p.rowLimit = areaW * share;
        p.evaluate();
        if (p.fits()) return true;
        if (p.parts <= 1) break;
    }
    return false;
}

SheetLayout layOutSheet(const Network& network, const SheetOptions& options) {
    Planner p(network, options);
    p.prepare();
    SheetLayout out;
    // The drawing that fits with the fewest runs drawn across or onto others: the most
    // compressed that has none, else the best of the exponents tried.
    struct Tried {
        double gamma, detail, k, rowLimit;
        std::vector<double> stretch;
        Planner::Conflicts conflicts;
    };
    std::optional<Tried> best;
    // The search is bounded by the runs it looks at, all exponents together: a change evaluated
    // in full looks at every run, a quick look at the runs it moves and those near them. A large
    // pipeline tries fewer changes.
    const double everyRun = static_cast<double>(p.runs.size() + 1);
    const double lookedAt =
        std::max(kLookedAt, kLookedAtSmall * std::min(1.0, kSmallRuns / everyRun));
    long budget = static_cast<long>(std::clamp(lookedAt / everyRun, 12.0, 20000.0) * everyRun);
    for (double gamma : kExponents) {
        p.gamma = gamma;
        p.stretch.assign(p.runs.size(), 1.0);
        double chosen = 0.0;
        for (double d : kDetail) {
            p.detail = d;
            chosen = p.fitK();
            if (chosen > 0.0) break;
        }
        if (chosen <= 0.0) break;  // not even the smallest fits: it will not fit less compressed
        // Runs kept clear of each other by stretching some, in room left by drawing the whole a
        // little smaller than the largest that fits: each change must keep it on the sheet.
        const double fitted = p.k;
        Planner::Conflicts c;
        for (double room : {1.0, 0.9, 0.75}) {
            p.stretch.assign(p.runs.size(), 1.0);
            p.k = fitted * room;
            p.evaluate();
            p.resolve(budget);
            c = p.conflicts(nullptr);
            if (!best || c.hard < best->conflicts.hard ||
                (c.hard == best->conflicts.hard && c.soft < best->conflicts.soft))
                best = Tried{gamma, p.detail, p.k, p.rowLimit, p.stretch, c};
            if (c.hard == 0 || budget <= 0) break;
        }
        if (c.hard == 0 || budget <= 0) break;
    }
    if (best) {
        p.gamma = best->gamma;
        p.detail = best->detail;
        p.k = best->k;
        p.rowLimit = best->rowLimit;
        p.stretch = best->stretch;
        p.evaluate();
        Planner::Conflicts c = p.conflicts(nullptr);
        // A second search from the best drawing, with slides that may also move a U and reach
        // further: the first ends where every pair is stuck, and this one starts there.
        if (c.hard > 0 && options.secondSearch) {
            long second = static_cast<long>(kSecondShare * lookedAt);
            p.wide = true;
            p.resolve(second);
            p.wide = false;
            const Planner::Conflicts t = p.conflicts(nullptr);
            if (p.fits() && t.score() < c.score()) {
                c = t;
            } else {
                p.stretch = best->stretch;
                p.evaluate();
            }
        }
        // The lengths nearest the best drawing that keep every pair on its side of the true
        // projection, and a short search from there; the same with the drawing a tenth smaller
        // (room to move in), kept when it leaves fewer.
        for (const double room : {1.0, 0.9}) {
            if (c.hard == 0 || !options.untangle) break;
            const std::vector<double> before = p.stretch;
            const double kBefore = p.k;
            p.k = kBefore * room;
            p.evaluate();
            Planner::Conflicts t = p.conflicts(nullptr);
            if (p.fits() && p.untangle()) {
                t = p.conflicts(nullptr);
                if (t.hard > 0) {
                    const std::vector<double> kept = p.stretch;
                    long more = static_cast<long>(kRepairShare * lookedAt);
                    p.resolve(more);
                    const Planner::Conflicts u = p.conflicts(nullptr);
                    if (p.fits() && u.score() < t.score()) {
                        t = u;
                    } else {
                        p.stretch = kept;
                        p.evaluate();
                    }
                }
            }
            if (p.fits() && t.score() < c.score()) {
                c = t;
                best->k = p.k;
            } else {
                p.k = kBefore;
                p.stretch = before;
                p.evaluate();
            }
        }
        // A run the search made shorter than readable is drawn readable again where that leaves
        // no more conflicts, else where a short search from there (which draws no run shorter
        // than readable) brings the conflicts back down.
        long repair = static_cast<long>(kRepairShare * lookedAt);
        p.keepReadable = true;
        for (std::size_t r = 0; r < p.runs.size(); ++r) {
            const double least = p.leastFactor(static_cast<int>(r));
            if (!p.stretchable(static_cast<int>(r)) || least <= 1.0 + 1e-9) continue;
            const std::vector<double> kept = p.stretch;
            p.stretch[r] = kept[r] * least;
            p.evaluate();
            Planner::Conflicts t = p.conflicts(nullptr);
            if (!(p.fits() && t.score() <= c.score()) && repair > 0) {
                p.stretch = kept;
                p.evaluate();
                if (p.readableBySlide(static_cast<int>(r), c.score(), repair)) {
                    c = p.conflicts(nullptr);
                    continue;
                }
                p.stretch[r] = kept[r] * least;
                p.evaluate();
                t = p.conflicts(nullptr);
            }
            if (!(p.fits() && t.score() <= c.score()) && repair > 0 && p.fits()) {
                long spend = std::min(repair, static_cast<long>(kRepairEach * everyRun));
                const long had = spend;
                p.resolve(spend);
                repair -= had - spend;
                t = p.conflicts(nullptr);
            }
            if (p.fits() && t.score() <= c.score()) {
                c = t;
            } else {
                p.stretch = kept;
                p.evaluate();
            }
        }
        p.keepReadable = false;
        best->stretch = p.stretch;
        // Ends drawn onto other runs would be joined by the program: a slightly smaller drawing
        // moves every point a little and leaves such chance meetings behind.
        const double fitted = p.k;
        for (int i = 1; i <= 24 && c.joins > 0; ++i) {
            p.k = fitted * (1.0 - 0.0025 * i);
            p.evaluate();
            const Planner::Conflicts t = p.conflicts(nullptr);
            if (t.score() < c.score()) {
                c = t;
                best->k = p.k;
            }
        }
        p.k = best->k;
        p.evaluate();
    } else {
        // Even the smallest readable drawing does not fit: everything is drawn smaller still.
        out.squeezed = true;
        p.gamma = kExponents[0];
        p.stretch.assign(p.runs.size(), 1.0);
        p.detail = kDetail[std::size(kDetail) - 1];
        p.k = 1e-7;
        p.evaluate();
    }
    const Planner::Conflicts left = p.conflicts(nullptr);
    out.crossingsLeft = left.hard;
    out.joinsLeft = left.joins;
    out.symbolZoom = options.symbolZoom * p.detail;
    out.elbowOffset = options.elbowOffset * p.detail;
    // The parts centred in the area (scaled down as a whole when even the smallest drawing is too
    // large, which keeps every length text and every connection, only not the look).
    const double areaW = options.area.right - options.area.left,
                 areaH = options.area.top - options.area.bottom;
    double q = 1.0;
    if (out.squeezed) q = std::min(areaW / std::max(p.width, 1.0), areaH / std::max(p.height, 1.0));
    const double dx = options.area.left + (areaW - p.width * q) / 2.0;
    const double dy = options.area.top - (areaH - p.height * q) / 2.0;
    out.junctions.resize(p.placed.size());
    for (std::size_t j = 0; j < p.placed.size(); ++j)
        out.junctions[j] = {dx + p.placed[j].x * q, dy + p.placed[j].y * q};
    for (RunLayout& run : p.runs) {
        run.rFrom *= options.elbowOffset * p.detail * q;
        run.rTo *= options.elbowOffset * p.detail * q;
        run.drawn *= q;
        for (RunSegment& s : run.segments) {
            s.d0 *= q;
            s.d1 *= q;
        }
    }
    if (out.squeezed) {
        out.symbolZoom *= q;
        out.elbowOffset *= q;
    }
    out.runs = std::move(p.runs);
    // How far each part lies from the parts before it, in space.
    const std::size_t nj = network.junctions.size();
    const bool manageable = static_cast<double>(nj) * static_cast<double>(p.parts) <= 5e6;
    for (int part = 1; part < p.parts && manageable; ++part) {
        double best = std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < nj; ++i) {
            if (p.partOfJunction[i] != part) continue;
            for (std::size_t j = 0; j < nj; ++j) {
                const int other = p.partOfJunction[j];
                if (other < 0 || other >= part) continue;
                best = std::min(best,
                                spatial::distance(network.junctions[i].p, network.junctions[j].p));
            }
        }
        out.partGaps.push_back(best);
    }
    return out;
}

}  // namespace tubra::layout
