// Drawn points that coincide become the nodes of the pipeline; nodes on the drawn body of a
// segment, and things drawn on a segment, find that segment.

#include <algorithm>
#include <cmath>
#include <tuple>
#include <unordered_map>

#include "tubra/spatial/Passes.h"

namespace tubra::spatial::passes {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

namespace {

struct UnionFind {
    std::vector<int> parent;
    explicit UnionFind(std::size_t n) : parent(n) {
        for (std::size_t i = 0; i < n; ++i) parent[i] = static_cast<int>(i);
    }
    int find(int a) {
        while (parent[static_cast<std::size_t>(a)] != a) {
            parent[static_cast<std::size_t>(a)] =
                parent[static_cast<std::size_t>(parent[static_cast<std::size_t>(a)])];
            a = parent[static_cast<std::size_t>(a)];
        }
        return a;
    }
    void join(int a, int b) {
        a = find(a);
        b = find(b);
        if (a != b) parent[static_cast<std::size_t>(std::max(a, b))] = std::min(a, b);
    }
};

std::uint64_t cellKey(std::int64_t ix, std::int64_t iy) {
    return (static_cast<std::uint64_t>(ix) << 32) ^
           static_cast<std::uint64_t>(static_cast<std::uint32_t>(iy));
}

}  // namespace

void joinPoints(Rebuild& r) {
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        const PipeObject& o = r.object(i);
        auto add = [&](int port) {
            const Vec3& p = r.portOf(i, port);
            if (!usable(p)) return;
            info.node[port - 1] =
                static_cast<int>(r.ports.size());  // a port index until nodes exist
            r.ports.push_back({i, port, sheetOf(p), p.z});
        };
        switch (info.role) {
            case Role::Run:
            case Role::Closed:
                add(1);
                add(2);
                break;
            case Role::Fitting: {
                add(1);
                add(2);
                const bool tee = o.is(ObjectKind::Tee);
                // A point left at the origin is a point the object never had.
                auto set = [](const Vec3& p) { return !(p.x == 0.0 && p.y == 0.0 && p.z == 0.0); };
                if (tee && set(o.Port3)) add(3);
                if (set(o.Port4)) add(4);
                break;
            }
            case Role::Weld:
                add(1);
                break;
            case Role::InLine:
            case Role::Point:
                add(1);
                if (o.Port2.x != kNoSecondAnchor) {
                    add(2);
                    info.second = info.node[1] >= 0;
                }
                break;
        }
    }

    // Points that coincide on the sheet are one point: every pair of them within kSame joins.
    // The points by cell, in one sorted array (cell, then place, then their order).
    UnionFind uf(r.ports.size());
    struct Entry {
        std::uint64_t cell;
        double x, y;
        int port;
    };
    const auto cellOf = [](Sheet p, std::int64_t dx, std::int64_t dy) {
        return cellKey(static_cast<std::int64_t>(std::floor(p.x / kSame)) + dx,
                       static_cast<std::int64_t>(std::floor(p.y / kSame)) + dy);
    };
    std::vector<Entry> cells;
    cells.reserve(r.ports.size());
    for (std::size_t k = 0; k < r.ports.size(); ++k)
        cells.push_back(
            {cellOf(r.ports[k].p, 0, 0), r.ports[k].p.x, r.ports[k].p.y, static_cast<int>(k)});
    const auto before = [](const Entry& a, const Entry& b) {
        return std::tie(a.cell, a.x, a.y, a.port) < std::tie(b.cell, b.x, b.y, b.port);
    };
    std::sort(cells.begin(), cells.end(), before);
    const auto inCell = [&](std::uint64_t cell) {
        return std::equal_range(cells.begin(), cells.end(), Entry{cell, 0, 0, 0},
                                [](const Entry& a, const Entry& b) { return a.cell < b.cell; });
    };
    for (std::size_t k = 0; k < r.ports.size(); ++k) {
        const Sheet p = r.ports[k].p;
        // A point drawn exactly where an earlier one is joins it: that one has joined every
        // earlier point near them both.
        const auto same = std::lower_bound(cells.begin(), cells.end(),
                                           Entry{cellOf(p, 0, 0), p.x, p.y, -1}, before);
        if (same->x == p.x && same->y == p.y && same->port < static_cast<int>(k)) {
            uf.join(static_cast<int>(k), same->port);
            continue;
        }
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                const auto [lo, hi] = inCell(cellOf(p, dx, dy));
                for (auto e = lo; e != hi; ++e)
                    if (e->port < static_cast<int>(k) && sheetDistance(p, {e->x, e->y}) <= kSame)
                        uf.join(static_cast<int>(k), e->port);
            }
    }
    // The points of an elbow or a tee are its centre.
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || info.role != Role::Fitting) continue;
        int first = -1;
        for (int k : info.node) {
            if (k < 0) continue;
            if (first < 0)
                first = k;
            else
                uf.join(first, k);
        }
    }

    std::vector<int> nodeOfRoot(r.ports.size(), -1);
    r.nodeOfPort.assign(r.ports.size(), -1);
    for (std::size_t k = 0; k < r.ports.size(); ++k) {
        const int root = uf.find(static_cast<int>(k));
        int& n = nodeOfRoot[static_cast<std::size_t>(root)];
        if (n < 0) {
            n = static_cast<int>(r.nodes.size());
            r.nodes.emplace_back();
        }
        r.nodes[static_cast<std::size_t>(n)].ports.push_back(static_cast<int>(k));
        r.nodeOfPort[k] = n;
    }
    for (Node& n : r.nodes) {
        for (int k : n.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            if (r.objects[p.object].role == Role::Fitting) n.fitting = true;
            if (!isSurroundings(r.object(p.object))) n.surroundings = false;
        }
        n.rep = n.ports.front();
        for (int k : n.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            if (p.port == 4 && r.objects[p.object].role == Role::Fitting) {
                n.rep = k;  // the centre of a fitting stands for the node
                break;
            }
        }
    }
    for (ObjectInfo& info : r.objects)
        for (int& k : info.node)
            if (k >= 0) k = r.nodeOfPort[static_cast<std::size_t>(k)];
}

namespace {

// What the host search reads of a pipe, kept in the cells of the grid themselves: the cells
// are read in turn, without a look into the objects.
struct Body {
    std::size_t object;
    Sheet a, b;
    double length;  // drawn
    double z1, z2;  // stored elevations of its ends
    Point3 u;       // runs: direction
    int endDir;
    Role role;

    double zAt(double t) const { return z1 + (z2 - z1) * t; }
};

}  // namespace

void findHosts(Rebuild& r) {
    // Pipes by the cells of their drawn boxes.
    constexpr double kCell = 64.0;
    constexpr std::int64_t kMostCells = 4096;
    // The pipes by cell, in one array sorted by cell, each cell's in the order of the drawing.
    std::vector<std::pair<std::uint64_t, Body>> grid;
    std::vector<Body> wide;
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || (info.role != Role::Run && info.role != Role::Closed))
            continue;
        if (info.sheetLength <= 2.0 * kSame)
            continue;  // too short to carry anything between its ends
        const PipeObject& o = r.object(i);
        const Body body{i,         info.a,    info.b, info.sheetLength,
                        o.Port1.z, o.Port2.z, info.u, model::directionCode(o.EndDir),
                        info.role};
        const auto x0 =
            static_cast<std::int64_t>(std::floor((std::min(info.a.x, info.b.x) - kSame) / kCell));
        const auto x1 =
            static_cast<std::int64_t>(std::floor((std::max(info.a.x, info.b.x) + kSame) / kCell));
        const auto y0 =
            static_cast<std::int64_t>(std::floor((std::min(info.a.y, info.b.y) - kSame) / kCell));
        const auto y1 =
            static_cast<std::int64_t>(std::floor((std::max(info.a.y, info.b.y) + kSame) / kCell));
        if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMostCells) {
            wide.push_back(body);
            continue;
        }
        for (std::int64_t x = x0; x <= x1; ++x)
            for (std::int64_t y = y0; y <= y1; ++y) grid.emplace_back(cellKey(x, y), body);
    }
    std::stable_sort(grid.begin(), grid.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    auto candidates = [&](Sheet p, auto&& visit) {
        const auto ix = static_cast<std::int64_t>(std::floor(p.x / kCell));
        const auto iy = static_cast<std::int64_t>(std::floor(p.y / kCell));
        const std::uint64_t cell = cellKey(ix, iy);
        for (auto it = std::lower_bound(grid.begin(), grid.end(), cell,
                                        [](const auto&e, std::uint64_t c) { return e.first < c; });
             it != grid.end() && it->first == cell; ++it)
            visit(it->second);
        for (const Body& h : wide) visit(h);
    };

    // Nodes on the drawn body of a pipe (a tee on a run that goes on, a closed pipe's end).
    std::vector<Point3> runs;  // the runs that end at a node, for telling an overlap from a joint
    for (std::size_t n = 0; n < r.nodes.size(); ++n) {
        Node& node = r.nodes[n];
        const Port& rep = r.ports[static_cast<std::size_t>(node.rep)];
        bool pipeEnd = false;
        int teeRun = -1;
        bool onlyThings = true;
        runs.clear();
        for (int k : node.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            const ObjectInfo& owner = r.objects[p.object];
            if (owner.role == Role::Run || owner.role == Role::Closed) pipeEnd = true;
            if (owner.role == Role::Run) runs.push_back(owner.u);
            if (owner.role == Role::Fitting && r.object(p.object).is(ObjectKind::Tee))
                teeRun = model::directionCode(r.object(p.object).StrtDir);
            if (owner.role != Role::InLine && owner.role != Role::Point && owner.role != Role::Weld)
                onlyThings = false;
        }
        if (onlyThings) continue;  // things on a pipe follow their own pipe
        struct Best {
            long pipe = -1;
            double t = 0;
            int dirMiss = 0;
            double dz = 0, off = 0;
        } best;
        candidates(rep.p, [&](const Body& h) {
            const Along al = alongSegment(rep.p, h.a, h.b);
            const double s = al.t * h.length;
            if (al.offLine > kSame || s <= kSame || s >= h.length - kSame) return;
            for (int k : node.ports)
                if (r.ports[static_cast<std::size_t>(k)].object == h.object) return;  // its own end
            const double dz = std::fabs(h.zAt(al.t) - rep.z);
            // A pipe's end on another pipe's body joins it only at the same elevation.
            if (pipeEnd && dz > kToleranceMm) return;
            // Runs along the same line as the pipe only lie over it (a run drawn back over the
            // one before it at a U-turn): no joint without a tee.
            if (teeRun < 0 && !runs.empty() && h.role == Role::Run &&
                std::all_of(runs.begin(), runs.end(),
                            [&](const Point3& u) { return std::fabs(dot(u, h.u)) > 0.999; }))
                return;
            const int dirMiss = teeRun >= 0 && teeRun != h.endDir ? 1 : 0;
            const bool better = best.pipe < 0 || dirMiss < best.dirMiss ||
                                (dirMiss == best.dirMiss &&
                                 (dz < best.dz || (dz == best.dz && al.offLine < best.off)));
            if (better) best = {static_cast<long>(h.object), al.t, dirMiss, dz, al.offLine};
        });
        if (best.pipe >= 0) {
            node.host = best.pipe;
            node.hostT = best.t;
            node.hostClosed = r.objects[static_cast<std::size_t>(best.pipe)].role == Role::Closed;
        }
    }

    // Things on a pipe: the pipe whose drawn body holds their anchor.
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || !sitsOnPipe(info.role)) continue;
        const PipeObject& o = r.object(i);
        const Sheet p1 = sheetOf(o.Port1);
        const std::optional<Sheet> p2 =
            info.second ? std::optional<Sheet>(sheetOf(o.Port2)) : std::nullopt;
        struct Best {
            long pipe = -1;
            int midMiss = 0, dirMiss = 0;
            double dz = 0, off = 0, t1 = 0;
        } best;
        const int dir = model::directionCode(o.EndDir);
        candidates(p1, [&](const Body& h) {
            const Along al = alongSegment(p1, h.a, h.b);
            const double s = al.t * h.length;
            if (al.offLine > kSame || s < -kSame || s > h.length + kSame) return;
            int midMiss = 0;
            if (p2) {
                const Sheet mid{(p1.x + p2->x) / 2, (p1.y + p2->y) / 2};
                const Along m = alongSegment(mid, h.a, h.b);
                midMiss = m.offLine <= kSame && m.t >= 0.0 && m.t <= 1.0 ? 0 : 1;
            }
            const int dirMiss = dir == h.endDir ? 0 : 1;
            const double dz = std::fabs(h.zAt(al.t) - o.Port1.z);
            const bool better = best.pipe < 0 || midMiss < best.midMiss ||
                                (midMiss == best.midMiss &&
                                 (dirMiss < best.dirMiss ||
                                  (dirMiss == best.dirMiss &&
                                   (dz < best.dz || (dz == best.dz && al.offLine < best.off)))));
            if (better)
                best = {static_cast<long>(h.object), midMiss, dirMiss, dz, al.offLine, al.t};
        });
        if (best.pipe < 0) continue;
        info.host = best.pipe;
        info.t1 = best.t1;
        const ObjectInfo& h = r.objects[static_cast<std::size_t>(best.pipe)];
        info.t2 = p2 ? alongSegment(*p2, h.a, h.b).t : info.t1;
    }

    // A node is part of the walk unless it holds only points of things that sit on a pipe.
    for (Node& node : r.nodes) {
        for (int k : node.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            const ObjectInfo& owner = r.objects[p.object];
            const bool onPipe = (owner.role == Role::InLine || owner.role == Role::Point ||
                                 owner.role == Role::Weld) &&
                                owner.host >= 0;
            if (!onPipe) node.active = true;
        }
    }
}

}  // namespace tubra::spatial::passes
