// The walk: real positions from the origin outward along the segments, the cheapest way first
// (stated lengths before guesses), and the loops that do not close where two ways meet.

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <unordered_map>
#include <utility>

#include "text/CFormat.h"
#include "tubra/spatial/Passes.h"

namespace tubra::spatial::passes {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

void buildGraph(Rebuild& r) {
    const int nodeCount = static_cast<int>(r.nodes.size());
    int vertices = nodeCount;
    for (ObjectInfo& info : r.objects)
        if (info.member && info.placed && info.role == Role::Run) info.vertex = vertices++;
    r.adjacency.assign(static_cast<std::size_t>(vertices), {});
    auto add = [&](Edge e) {
        const int id = static_cast<int>(r.edges.size());
        r.edges.push_back(e);
        r.adjacency[static_cast<std::size_t>(e.a)].push_back(id);
        r.adjacency[static_cast<std::size_t>(e.b)].push_back(id);
    };
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        if (info.role == Role::Run) {
            const double cost = info.estimated ? kGuessCost : kStatedCost;
            if (info.node[0] >= 0)
                add({info.vertex, info.node[0], EdgeKind::PipeStart, i, -1, 0.0, cost,
                     info.estimated});
            if (info.node[1] >= 0)
                add({info.vertex, info.node[1], EdgeKind::PipeEnd, i, -1, 0.0, cost,
                     info.estimated});
        } else if (info.role == Role::Closed) {
            if (info.node[0] >= 0 && info.node[1] >= 0)
                add({info.node[0], info.node[1], EdgeKind::Closed, i, -1, 0.0, kGuessCost, true});
        } else if (info.host >= 0 &&
                   r.objects[static_cast<std::size_t>(info.host)].role == Role::Run) {
            // A thing on a pipe ties the pipe to whatever else meets at its points, except at an
            // elbow or a tee, whose point is its centre rather than the thing's own place.
            const ObjectInfo& h = r.objects[static_cast<std::size_t>(info.host)];
            auto ties = [&](int n) {
                return n >= 0 && r.nodes[static_cast<std::size_t>(n)].active &&
                       !r.nodes[static_cast<std::size_t>(n)].fitting;
            };
            if (ties(info.node[0]))
                add({h.vertex, info.node[0], EdgeKind::Host, static_cast<std::size_t>(info.host),
                     static_cast<long>(i), info.t1, kStatedCost, h.estimated});
            if (info.second && ties(info.node[1]))
                add({h.vertex, info.node[1], EdgeKind::Host, static_cast<std::size_t>(info.host),
                     static_cast<long>(i), info.t2, kStatedCost, h.estimated});
        }
    }
    for (int n = 0; n < nodeCount; ++n) {
        const Node& node = r.nodes[static_cast<std::size_t>(n)];
        if (node.host < 0) continue;
        if (node.hostClosed) {
            r.closedHosted.push_back(n);
            continue;
        }
        const ObjectInfo& h = r.objects[static_cast<std::size_t>(node.host)];
        long other = static_cast<long>(r.ports[static_cast<std::size_t>(node.rep)].object);
        add({h.vertex, n, EdgeKind::Host, static_cast<std::size_t>(node.host), other, node.hostT,
             kStatedCost, h.estimated});
    }
    r.known.assign(static_cast<std::size_t>(vertices), 0);
    r.position.assign(static_cast<std::size_t>(vertices), {});
    r.parentEdge.assign(static_cast<std::size_t>(vertices), -1);
    r.group.assign(static_cast<std::size_t>(vertices), -1);
    r.guessed.assign(static_cast<std::size_t>(vertices), 0);
    r.costAt.assign(static_cast<std::size_t>(vertices), 0.0);
    r.checked.assign(r.edges.size(), 0);
}

namespace {

struct Entry {
    double cost;
    std::uint64_t seq;
    int vertex;
    Point3 p;
    int edge;
    bool guess;  // the position rests on a guessed direction
    bool operator>(const Entry& o) const { return cost != o.cost ? cost > o.cost : seq > o.seq; }
};

// The nodes by their place on the sheet, in a grid of about one node a cell laid over all of
// them, for finding the known node nearest to a part not connected: rings of cells round the
// point are looked at until no nearer node can lie beyond them. The grid is made once; a node
// counts from when the walk knows it.
class KnownNodes {
  public:
    explicit KnownNodes(const Rebuild& r) : r_(r) {
        if (r.nodes.empty()) return;
        double x0 = at(r.nodes[0]).x, x1 = x0, y0 = at(r.nodes[0]).y, y1 = y0;
        for (const Node& n : r.nodes) {
            const Sheet p = at(n);
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
        x0_ = x0;
        y0_ = y0;
        const double area = (x1 - x0 + 1.0) * (y1 - y0 + 1.0);
        cell_ = std::max(1.0, std::sqrt(area / static_cast<double>(r.nodes.size())));
        width_ = static_cast<std::int64_t>((x1 - x0) / cell_) + 1;
        height_ = static_cast<std::int64_t>((y1 - y0) / cell_) + 1;
        // The nodes of each cell, one cell after the other.
        starts_.assign(static_cast<std::size_t>(width_ * height_) + 1, 0);
        for (const Node& n : r.nodes) ++starts_[cellOf(at(n)) + 1];
        for (std::size_t c = 1; c < starts_.size(); ++c) starts_[c] += starts_[c - 1];
        nodes_.resize(r.nodes.size());
        std::vector<std::size_t> next(starts_.begin(), starts_.end() - 1);
        for (std::size_t n = 0; n < r.nodes.size(); ++n)
            nodes_[next[cellOf(at(r.nodes[n]))]++] = static_cast<int>(n);
    }

    void add() { ++known_; }

    // The known node nearest to `p` (the lowest index of equally near ones), or -1.
    int nearest(Sheet p) const {
        if (known_ == 0 || r_.nodes.empty()) return -1;
        const std::int64_t cx = std::clamp(column(p.x), std::int64_t{0}, width_ - 1);
        const std::int64_t cy = std::clamp(row(p.y), std::int64_t{0}, height_ - 1);
        double best = std::numeric_limits<double>::infinity();  // squared distance
        int found = -1;
        const auto visit = [&](std::int64_t x, std::int64_t y) {
            if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
            const auto c = static_cast<std::size_t>(y * width_ + x);
            for (std::size_t i = starts_[c]; i < starts_[c + 1]; ++i) {
                const int n = nodes_[i];
                if (!r_.known[static_cast<std::size_t>(n)]) continue;
                const Sheet q = at(r_.nodes[static_cast<std::size_t>(n)]);
                const double d = (q.x - p.x) * (q.x - p.x) + (q.y - p.y) * (q.y - p.y);
                if (d < best || (d == best && n < found)) best = d, found = n;
            }
        };
        // A point outside the grid lies this far beyond its border cell.
        const double outside = std::max({x0_ - p.x, p.x - (x0_ + width_ * cell_), y0_ - p.y,
                                         p.y - (y0_ + height_ * cell_), 0.0});
        const std::int64_t last = std::max(width_, height_);
        for (std::int64_t k = 0; k <= last; ++k) {
            // Every node beyond ring k - 1 is at least this far away.
            const double reach = std::max(0.0, static_cast<double>(k - 1) * cell_) + outside;
            if (found >= 0 && k > 0 && best < reach * reach) break;
            for (std::int64_t x = cx - k; x <= cx + k; ++x) {
                visit(x, cy - k);
                if (k > 0) visit(x, cy + k);
            }
            for (std::int64_t y = cy - k + 1; y <= cy + k - 1; ++y) {
                visit(cx - k, y);
                visit(cx + k, y);
            }
        }
        return found;
    }

  private:
    Sheet at(const Node& n) const { return r_.ports[static_cast<std::size_t>(n.rep)].p; }
    std::int64_t column(double x) const {
        return static_cast<std::int64_t>(std::floor((x - x0_) / cell_));
    }
    std::int64_t row(double y) const {
        return static_cast<std::int64_t>(std::floor((y - y0_) / cell_));
    }
    std::size_t cellOf(Sheet p) const {
        const std::int64_t x = std::clamp(column(p.x), std::int64_t{0}, width_ - 1);
        const std::int64_t y = std::clamp(row(p.y), std::int64_t{0}, height_ - 1);
        return static_cast<std::size_t>(y * width_ + x);
    }

    const Rebuild& r_;
    double x0_ = 0, y0_ = 0, cell_ = 1.0;
    std::int64_t width_ = 0, height_ = 0;
    std::vector<std::size_t> starts_;
    std::vector<int> nodes_;
    std::size_t known_ = 0;
};

class Walker {
  public:
    explicit Walker(Rebuild& rebuild)
        : r(rebuild), mark_(r.known.size(), 0), knownNodes_(r), waiting_(r.nodes.size()) {
        // A point on a closed pipe waits for both of the pipe's ends.
        for (int n : r.closedHosted) {
            const ObjectInfo& c =
                r.objects[static_cast<std::size_t>(r.nodes[static_cast<std::size_t>(n)].host)];
            for (int end : {c.node[0], c.node[1]})
                if (end >= 0) waiting_[static_cast<std::size_t>(end)].push_back(n);
        }
    }
    void walk();

  private:
    void walkFrom(int vertex, Point3 p, double cost, int group);
    void relax(int v);
    Point3 across(const Edge& e, int from) const;
    void compare(int edge, int v, Point3 arrival);
    std::vector<std::size_t> loopObjects(int edge);
    void addLoopProblem(int edge, double size, Point3 a, Point3 b, bool closedPipe);

    Rebuild& r;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue_;
    std::uint64_t seq_ = 0;
    std::vector<int> mark_;
    int markStamp_ = 0;
    KnownNodes knownNodes_;
    std::vector<std::vector<int>> waiting_;  // node -> points on closed pipes ending there
    std::vector<int> ready_;                 // such points whose pipe end became known
};

Point3 Walker::across(const Edge& e, int from) const {
    const Point3 p = r.position[static_cast<std::size_t>(from)];
    const ObjectInfo& pipe = r.objects[e.object];
    const bool forward = from == e.a;
    switch (e.kind) {
        case EdgeKind::PipeStart:
            return p;
        case EdgeKind::PipeEnd:
            return forward ? p + pipe.u * pipe.L : p - pipe.u * pipe.L;
        case EdgeKind::Host:
            return forward ? p + pipe.u * (e.t * pipe.L) : p - pipe.u * (e.t * pipe.L);
        case EdgeKind::Closed: {
            const PipeObject& o = r.object(e.object);
            const Point3 v =
                r.invert({o.Port2.x - o.Port1.x, o.Port2.y - o.Port1.y}, o.Port2.z - o.Port1.z);
            return forward ? p + v : p - v;
        }
    }
    return p;
}

void Walker::relax(int v) {
    for (int id : r.adjacency[static_cast<std::size_t>(v)]) {
        const Edge& e = r.edges[static_cast<std::size_t>(id)];
        const int other = e.a == v ? e.b : e.a;
        if (r.known[static_cast<std::size_t>(other)] && r.checked[static_cast<std::size_t>(id)])
            continue;
        const bool guess = r.guessed[static_cast<std::size_t>(v)] || e.kind == EdgeKind::Closed;
        queue_.push({r.costAt[static_cast<std::size_t>(v)] + e.cost, seq_++, other, across(e, v),
                     id, guess});
    }
}

void Walker::walkFrom(int vertex, Point3 p, double cost, int group) {
    queue_.push({cost, seq_++, vertex, p, -1, group > 0});
    while (true) {
        while (!queue_.empty()) {
            const Entry entry = queue_.top();
            queue_.pop();
            const auto v = static_cast<std::size_t>(entry.vertex);
            if (!r.known[v]) {
                r.known[v] = 1;
                r.position[v] = entry.p;
                r.parentEdge[v] = entry.edge;
                r.group[v] = group;
                r.guessed[v] = entry.guess ? 1 : 0;
                r.costAt[v] = entry.cost;
                if (v < r.nodes.size()) {
                    knownNodes_.add();
                    ready_.insert(ready_.end(), waiting_[v].begin(), waiting_[v].end());
                }
                relax(entry.vertex);
            } else if (entry.edge >= 0 && entry.edge != r.parentEdge[v] &&
                       !r.checked[static_cast<std::size_t>(entry.edge)]) {
                r.checked[static_cast<std::size_t>(entry.edge)] = 1;
                compare(entry.edge, entry.vertex, entry.p);
            }
        }
        // Points on closed pipes whose two ends are now known.
        bool more = false;
        std::vector<int> ready;
        ready.swap(ready_);
        for (int n : ready) {
            if (r.known[static_cast<std::size_t>(n)]) continue;
            const Node& node = r.nodes[static_cast<std::size_t>(n)];
            const ObjectInfo& c = r.objects[static_cast<std::size_t>(node.host)];
            const int a = c.node[0], b = c.node[1];
            if (a < 0 || b < 0 || !r.known[static_cast<std::size_t>(a)] ||
                !r.known[static_cast<std::size_t>(b)])
                continue;
            const Point3 pa = r.position[static_cast<std::size_t>(a)],
                         pb = r.position[static_cast<std::size_t>(b)];
            const double c0 = std::max(r.costAt[static_cast<std::size_t>(a)],
                                       r.costAt[static_cast<std::size_t>(b)]);
            const bool guess =
                r.guessed[static_cast<std::size_t>(a)] || r.guessed[static_cast<std::size_t>(b)];
            queue_.push({c0 + kGuessCost, seq_++, n, pa + (pb - pa) * node.hostT, -1, guess});
            more = true;
        }
        if (!more) break;
    }
}

void Walker::compare(int edgeId, int v, Point3 arrival) {
    const Edge& e = r.edges[static_cast<std::size_t>(edgeId)];
    const Point3 here = r.position[static_cast<std::size_t>(v)];
    if (e.kind == EdgeKind::Closed) {
        const ObjectInfo& c = r.objects[e.object];
        if (!c.number) return;
        const Point3 pa = r.position[static_cast<std::size_t>(e.a)],
                     pb = r.position[static_cast<std::size_t>(e.b)];
        const double span = distance(pa, pb);
        const double size = std::fabs(span - *c.number);
        if (size > kToleranceMm)
            addLoopProblem(edgeId, size, pa + unit(pb - pa) * *c.number, pb, true);
        return;
    }
    const Point3 delta = here - arrival;
    double size = norm(delta);
    if (e.flexible) {
        // A guessed length may be anything: only a point off the pipe's line disagrees.
        const Point3 u = r.objects[e.object].u;
        size = norm(delta - u * dot(delta, u));
    }
    if (size > kToleranceMm) addLoopProblem(edgeId, size, arrival, here, false);
}

std::vector<std::size_t> Walker::loopObjects(int edgeId) {
    // The loop: from each end of the closing edge back along the walk to where the two ways
    // meet. Its objects are the pipes it runs along, the things that tie it to them and the
    // elbows and tees at its points.
    const Edge& closing = r.edges[static_cast<std::size_t>(edgeId)];
    std::vector<std::size_t> out;
    auto take = [&](const Edge& e) {
        out.push_back(e.object);
        if (e.other >= 0) out.push_back(static_cast<std::size_t>(e.other));
    };
    auto visit = [&](int v) {
        if (static_cast<std::size_t>(v) >= r.nodes.size()) return;
        for (int k : r.nodes[static_cast<std::size_t>(v)].ports) {
            const std::size_t owner = r.ports[static_cast<std::size_t>(k)].object;
            if (r.objects[owner].role == Role::Fitting) out.push_back(owner);
        }
    };
    auto up = [&](int v) {
        const int pe = r.parentEdge[static_cast<std::size_t>(v)];
        if (pe < 0) return -1;
        const Edge& e = r.edges[static_cast<std::size_t>(pe)];
        return e.a == v ? e.b : e.a;
    };
    take(closing);
    ++markStamp_;
    for (int v = closing.a; v >= 0; v = up(v)) mark_[static_cast<std::size_t>(v)] = markStamp_;
    int meet = -1;
    for (int v = closing.b; v >= 0; v = up(v)) {
        visit(v);
        if (mark_[static_cast<std::size_t>(v)] == markStamp_) {
            meet = v;
            break;
        }
        // A walk's first point has no edge behind it: the two ways began at different roots.
        if (r.parentEdge[static_cast<std::size_t>(v)] >= 0)
            take(r.edges[static_cast<std::size_t>(r.parentEdge[static_cast<std::size_t>(v)])]);
    }
    for (int v = closing.a; v >= 0 && v != meet; v = up(v)) {
        visit(v);
        if (r.parentEdge[static_cast<std::size_t>(v)] >= 0)
            take(r.edges[static_cast<std::size_t>(r.parentEdge[static_cast<std::size_t>(v)])]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void Walker::addLoopProblem(int edgeId, double size, Point3 a, Point3 b, bool closedPipe) {
    Problem p;
    p.kind = ProblemKind::Loop;
    p.objects = loopObjects(edgeId);
    p.mm = size;
    p.gap = std::make_pair(a, b);
    const std::size_t pipe = r.edges[static_cast<std::size_t>(edgeId)].object;
    if (closedPipe) {
        p.message = text::format(
            "封闭管（对象 %lu）的长度文字为 %.0f mm，它连接的两点却相距 %.1f mm，相差 %.1f mm",
            static_cast<unsigned long>(pipe), *r.objects[pipe].number,
            distance(
                r.position[static_cast<std::size_t>(r.edges[static_cast<std::size_t>(edgeId)].a)],
                r.position[static_cast<std::size_t>(r.edges[static_cast<std::size_t>(edgeId)].b)]),
            size);
    } else {
        p.message =
            text::format("管线在此闭合：两条路径推算出的同一点相差 %.1f mm（在对象 %lu 处）", size,
                         static_cast<unsigned long>(pipe));
    }
    r.problems.push_back(std::move(p));
}

void Walker::walk() {
    // The origin: the start of the first pipeline object, at the elevation stored there.
    int origin = -1;
    for (std::size_t i = 0; i < r.objects.size() && origin < 0; ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        if (info.role == Role::Run)
            origin = info.node[0] >= 0 ? info.node[0] : info.vertex;
        else if (info.node[0] >= 0)
            origin = info.node[0];
    }
    if (origin < 0) return;
    // A thing on a pipe at the very start stands for its pipe's point there.
    if (static_cast<std::size_t>(origin) < r.nodes.size() &&
        !r.nodes[static_cast<std::size_t>(origin)].active) {
        for (int k : r.nodes[static_cast<std::size_t>(origin)].ports) {
            const ObjectInfo& owner = r.objects[r.ports[static_cast<std::size_t>(k)].object];
            if (owner.host >= 0 &&
                r.objects[static_cast<std::size_t>(owner.host)].role == Role::Run) {
                const ObjectInfo& h = r.objects[static_cast<std::size_t>(owner.host)];
                const Vec3& p = r.object(r.ports[static_cast<std::size_t>(k)].object).Port1;
                walkFrom(h.vertex, Point3{0, 0, p.z} - h.u * (owner.t1 * h.L), 0.0, 0);
                origin = -1;
                break;
            }
        }
    }
    if (origin >= 0) {
        const double z =
            static_cast<std::size_t>(origin) < r.nodes.size()
                ? r.ports[static_cast<std::size_t>(r.nodes[static_cast<std::size_t>(origin)].rep)].z
                : 0.0;
        walkFrom(origin, {0, 0, z}, 0.0, 0);
    }

    // Parts not connected to the rest: placed from the nearest known point on the sheet, with
    // the elevations stored in the drawing, as a guess.
    int group = 0;
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        int seed = -1;
        if (info.role == Role::Run) {
            if (!r.known[static_cast<std::size_t>(info.vertex)])
                seed = info.node[0] >= 0 ? info.node[0] : info.vertex;
        } else if (info.host < 0 || info.role == Role::Fitting || info.role == Role::Closed) {
            for (int n : info.node)
                if (n >= 0 && r.nodes[static_cast<std::size_t>(n)].active &&
                    !r.known[static_cast<std::size_t>(n)]) {
                    seed = n;
                    break;
                }
        }
        if (seed < 0) continue;
        if (static_cast<std::size_t>(seed) >= r.nodes.size()) {
            // A run without usable ends never happens: runs are placed only with both ends.
            continue;
        }
        const Port& rep =
            r.ports[static_cast<std::size_t>(r.nodes[static_cast<std::size_t>(seed)].rep)];
        const int nearest = knownNodes_.nearest(rep.p);
        ++group;
        Point3 at{0, 0, rep.z};  // nothing known yet: a part of its own, from the origin
        GroupSeed g{group, {}, {}, false};
        if (nearest >= 0) {
            const Port& near =
                r.ports[static_cast<std::size_t>(r.nodes[static_cast<std::size_t>(nearest)].rep)];
            g.from = r.position[static_cast<std::size_t>(nearest)];
            // Site marks keep no elevation of their own worth going by.
            const double dz =
                r.nodes[static_cast<std::size_t>(seed)].surroundings ? 0.0 : rep.z - near.z;
            at = g.from + r.invert({rep.p.x - near.p.x, rep.p.y - near.p.y}, dz);
            g.haveFrom = true;
        }
        g.to = at;
        r.groups.push_back(g);
        walkFrom(seed, at, kGroupCost * group, group);
    }
}

}  // namespace

void walkGraph(Rebuild& r) {
    Walker(r).walk();
}

}  // namespace tubra::spatial::passes
