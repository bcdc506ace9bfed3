#include "tubra/layout/PcfNetwork.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <set>
#include <unordered_map>

#include "tubra/exchange/PcfSymbols.h"

namespace tubra::layout {

using exchange::PcfPoint;
using exchange::PcfRecord;

namespace {

Point3 toPoint(const PcfPoint& p) {
    return {p.x, p.y, p.z};
}

Point3 unit(Point3 v) {
    const double n = spatial::norm(v);
    return n > 0.0 ? v * (1.0 / n) : Point3{};
}

// Distance of p from the line through a and b (from a when they coincide).
double offLine(Point3 p, Point3 a, Point3 b) {
    const Point3 d = b - a;
    const double len2 = spatial::dot(d, d);
    if (len2 <= 0.0) return spatial::distance(p, a);
    const double t = spatial::dot(p - a, d) / len2;
    return spatial::distance(p, a + d * t);
}

std::int64_t cellOf(double v, double size) {
    return static_cast<std::int64_t>(std::floor(v / size));
}

std::uint64_t key3(std::int64_t x, std::int64_t y, std::int64_t z) {
    std::uint64_t h = static_cast<std::uint64_t>(x) * 0x9E3779B97F4A7C15ull;
    h ^= static_cast<std::uint64_t>(y) * 0xC2B2AE3D27D4EB4Full + (h << 6) + (h >> 2);
    h ^= static_cast<std::uint64_t>(z) * 0x165667B19E3779F9ull + (h << 6) + (h >> 2);
    return h;
}

// Straight pieces in a grid of cubes, to find those near a point.
class SegmentGrid {
  public:
    explicit SegmentGrid(double cell) : cell_(cell) {}
    void add(int id, Point3 a, Point3 b) {
        const std::int64_t x0 = cellOf(std::min(a.x, b.x), cell_),
                           x1 = cellOf(std::max(a.x, b.x), cell_);
        const std::int64_t y0 = cellOf(std::min(a.y, b.y), cell_),
                           y1 = cellOf(std::max(a.y, b.y), cell_);
        const std::int64_t z0 = cellOf(std::min(a.z, b.z), cell_),
                           z1 = cellOf(std::max(a.z, b.z), cell_);
        if ((x1 - x0 + 1) * (y1 - y0 + 1) * (z1 - z0 + 1) > 512) {
            wide_.push_back(id);
            return;
        }
        for (std::int64_t x = x0; x <= x1; ++x)
            for (std::int64_t y = y0; y <= y1; ++y)
                for (std::int64_t z = z0; z <= z1; ++z) cells_[key3(x, y, z)].push_back(id);
    }
    // Calls f(id) for every piece whose cells hold points within one cell of p (ids may
    // repeat).
    template <typename F>
    void near(Point3 p, F&& f) const {
        const std::int64_t cx = cellOf(p.x, cell_), cy = cellOf(p.y, cell_),
                           cz = cellOf(p.z, cell_);
        for (std::int64_t x = cx - 1; x <= cx + 1; ++x)
            for (std::int64_t y = cy - 1; y <= cy + 1; ++y)
                for (std::int64_t z = cz - 1; z <= cz + 1; ++z) {
                    const auto it = cells_.find(key3(x, y, z));
                    if (it == cells_.end()) continue;
                    for (int id : it->second) f(id);
                }
        for (int id : wide_) f(id);
    }

  private:
    double cell_;
    std::unordered_map<std::uint64_t, std::vector<int>> cells_;
    std::vector<int> wide_;
};

enum class EdgeKind { Pipe, InLine, Leg };

struct Edge {
    int a = -1, b = -1;
    std::size_t record = 0;
    EdgeKind kind = EdgeKind::Pipe;
};

struct PointItem {
    Point3 p;
    Item item;
};

class Builder {
  public:
    explicit Builder(const exchange::PcfFile& f) : f_(f) {}
    Network run();

  private:
    int node(const Point3& p, std::size_t record);
    void edge(int a, int b, std::size_t record, EdgeKind kind);
    void readRecords();
    void splitAtOlets();
    void impliedWelds();
    bool collinearThrough(int n) const;
    bool isJunction(int n) const;
    bool buildSpans();  // false: a run drifted off its line; junctions were added, build again
    void placePointItems();
    void walk();
    void orient(Span& s, int from) const;

    const exchange::PcfFile& f_;
    Network net_;
    std::vector<Point3> pos_;
    std::vector<std::size_t> firstRecord_;
    std::unordered_map<std::uint64_t, std::vector<int>> nodeGrid_;
    std::vector<Edge> edges_;
    std::vector<std::vector<std::pair<int, int>>> inc_;  // node → (edge, which end)
    std::vector<long> centre_;                           // node → fitting record
    std::vector<JunctionKind> centreKind_;
    std::set<int> forced_;  // nodes made junctions because a run would drift
    std::vector<std::size_t> olets_;
    std::vector<PointItem> points_;
    std::vector<int> junctionOf_;  // node → junction
    std::vector<std::size_t> spanFirstRecord_;
};

int Builder::node(const Point3& p, std::size_t record) {
    const std::int64_t cx = cellOf(p.x, kJoinTolerance), cy = cellOf(p.y, kJoinTolerance),
                       cz = cellOf(p.z, kJoinTolerance);
    int best = -1;
    double bestD = kJoinTolerance;
    for (std::int64_t x = cx - 1; x <= cx + 1; ++x)
        for (std::int64_t y = cy - 1; y <= cy + 1; ++y)
            for (std::int64_t z = cz - 1; z <= cz + 1; ++z) {
                const auto it = nodeGrid_.find(key3(x, y, z));
                if (it == nodeGrid_.end()) continue;
                for (int n : it->second) {
                    const double d = spatial::distance(p, pos_[static_cast<std::size_t>(n)]);
                    if (d <= bestD) {
                        bestD = d;
                        best = n;
                    }
                }
            }
    if (best >= 0) {
        std::size_t& first = firstRecord_[static_cast<std::size_t>(best)];
        first = std::min(first, record);
        return best;
    }
    const int n = static_cast<int>(pos_.size());
    pos_.push_back(p);
    firstRecord_.push_back(record);
    inc_.emplace_back();
    centre_.push_back(-1);
    centreKind_.push_back(JunctionKind::End);
    nodeGrid_[key3(cx, cy, cz)].push_back(n);
    return n;
}

void Builder::edge(int a, int b, std::size_t record, EdgeKind kind) {
    if (a == b) return;
    const int id = static_cast<int>(edges_.size());
    edges_.push_back({a, b, record, kind});
    inc_[static_cast<std::size_t>(a)].push_back({id, 0});
    inc_[static_cast<std::size_t>(b)].push_back({id, 1});
}

void Builder::readRecords() {
    const auto& records = f_.records;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const PcfRecord& r = records[i];
        const std::string& id = r.identifier;
        const auto& e = r.endPoints;
        auto point = [&](ItemKind kind, Point3 p, int symbol = 0) {
            Item it;
            it.record = i;
            it.kind = kind;
            it.symbol = symbol;
            points_.push_back({p, it});
        };
        auto centre = [&](JunctionKind kind) {
            const int c = node(toPoint(*r.centre), i);
            if (centre_[static_cast<std::size_t>(c)] < 0) {
                centre_[static_cast<std::size_t>(c)] = static_cast<long>(i);
                centreKind_[static_cast<std::size_t>(c)] = kind;
            }
            return c;
        };
        if (!r.known) {
            // Skipped, but its length stays part of the line.
            if (e.size() >= 2)
                edge(node(toPoint(e[0]), i), node(toPoint(e[1]), i), i, EdgeKind::Pipe);
            continue;
        }
        if (id == "PIPE") {
            edge(node(toPoint(e[0]), i), node(toPoint(e[1]), i), i, EdgeKind::Pipe);
        } else if (id == "GASKET") {
            edge(node(toPoint(e[0]), i), node(toPoint(e[1]), i), i, EdgeKind::Pipe);
            ++net_.leftOut;
        } else if (id == "BOLT") {
            ++net_.leftOut;
        } else if (id == "ELBOW" || id == "BEND") {
            const int c = centre(JunctionKind::Elbow);
            edge(node(toPoint(e[0]), i), c, i, EdgeKind::Leg);
            edge(c, node(toPoint(e[1]), i), i, EdgeKind::Leg);
        } else if (id == "TEE") {
            const int c = centre(JunctionKind::Tee);
            edge(node(toPoint(e[0]), i), c, i, EdgeKind::Leg);
            edge(c, node(toPoint(e[1]), i), i, EdgeKind::Leg);
            edge(c, node(toPoint(*r.branch), i), i, EdgeKind::Leg);
        } else if (id == "OLET") {
            const int c = centre(JunctionKind::Olet);
            edge(c, node(toPoint(*r.branch), i), i, EdgeKind::Leg);
            olets_.push_back(i);
        } else if (id == "VALVE-ANGLE") {
            const int c = centre(JunctionKind::AngleValve);
            edge(node(toPoint(e[0]), i), c, i, EdgeKind::InLine);
            edge(c, node(toPoint(e.size() >= 2 ? e[1] : *r.branch), i), i, EdgeKind::Leg);
        } else if (id == "WELD") {
            Point3 p = r.coords ? toPoint(*r.coords) : Point3{};
            if (!e.empty()) {
                p = {};
                for (const PcfPoint& q : e) p = p + toPoint(q);
                p = p * (1.0 / static_cast<double>(e.size()));
            }
            point(ItemKind::Weld, p);
        } else if (id == "SUPPORT") {
            point(ItemKind::Support, toPoint(r.coords ? *r.coords : e.front()),
                  exchange::pcfSymbolOf(id, r.skey, r.description).symbol);
        } else if (id == "FLOW-ARROW") {
            if (r.coords)
                point(ItemKind::FlowArrow, toPoint(*r.coords));
            else if (!e.empty())
                point(ItemKind::FlowArrow, toPoint(e.front()));
        } else if (id.rfind("END-CONNECTION-", 0) == 0) {
            if (r.coords)
                point(ItemKind::EndConnection, toPoint(*r.coords));
            else if (!e.empty())
                point(ItemKind::EndConnection, toPoint(e.front()));
        } else if (id.rfind("MESSAGE-", 0) == 0) {
            if (r.coords)
                point(ItemKind::Message, toPoint(*r.coords));
            else
                net_.unplaced.push_back(i);
        } else {
            // In-line components: valves, flanges, reducers, filters, instruments, caps, ...
            const int symbol = exchange::pcfSymbolOf(id, r.skey, r.description).symbol;
            if (e.size() >= 2) {
                const int a = node(toPoint(e[0]), i), b = node(toPoint(e[1]), i);
                if (a != b) {
                    edge(a, b, i, EdgeKind::InLine);
                    continue;
                }
            }
            const Point3 p = e.empty() ? toPoint(*r.coords) : toPoint(e.front());
            if (id == "INSTRUMENT")
                point(ItemKind::Gauge, p,
                      symbol == 11 || symbol == 25 || symbol == 23 ? 9 : symbol);
            else
                point(ItemKind::InLine, p, symbol);
        }
    }
}

void Builder::splitAtOlets() {
    if (olets_.empty()) return;
    SegmentGrid grid(2000.0);
    for (std::size_t k = 0; k < edges_.size(); ++k)
        if (edges_[k].kind == EdgeKind::Pipe)
            grid.add(static_cast<int>(k), pos_[static_cast<std::size_t>(edges_[k].a)],
                     pos_[static_cast<std::size_t>(edges_[k].b)]);
    for (std::size_t o : olets_) {
        const int c = node(toPoint(*f_.records[o].centre), o);
        if (inc_[static_cast<std::size_t>(c)].size() != 1) continue;  // the line is split there
        const Point3 p = pos_[static_cast<std::size_t>(c)];
        int found = -1;
        double best = kJoinTolerance;
        grid.near(p, [&](int k) {
            const Edge& e = edges_[static_cast<std::size_t>(k)];
            if (e.a == c || e.b == c) return;
            const Point3 a = pos_[static_cast<std::size_t>(e.a)],
                         b = pos_[static_cast<std::size_t>(e.b)];
            const double len = spatial::distance(a, b);
            const double s = spatial::dot(p - a, unit(b - a));
            if (s <= kJoinTolerance || s >= len - kJoinTolerance) return;
            const double d = offLine(p, a, b);
            if (d <= best) {
                best = d;
                found = k;
            }
        });
        if (found < 0) continue;
        // The run the olet sits on is split at its centre; the second part is a new piece.
        Edge& e = edges_[static_cast<std::size_t>(found)];
        const int b = e.b;
        auto& incB = inc_[static_cast<std::size_t>(b)];
        for (auto& in : incB)
            if (in.first == found && in.second == 1) in = {static_cast<int>(edges_.size()), 1};
        e.b = c;
        inc_[static_cast<std::size_t>(c)].push_back({found, 1});
        const Edge second{c, b, e.record, e.kind};
        edges_.push_back(second);
        inc_[static_cast<std::size_t>(c)].push_back({static_cast<int>(edges_.size()) - 1, 0});
        grid.add(static_cast<int>(edges_.size()) - 1, p, pos_[static_cast<std::size_t>(b)]);
    }
}

// How an end of a component is joined: welded, the welded hub of a flange, a flange face or a
// screwed end. The connection the file names after the bore decides; else the symbol key's end
// letters; else the kind.
enum class EndType { Welded, Hub, Face, Screwed };

EndType endTypeOf(const PcfRecord& r, EdgeKind kind, const Point3& at) {
    auto fromWord = [](std::string_view w) -> std::optional<EndType> {
        if (w.empty()) return std::nullopt;
        if (w == "BW" || w == "SW" || w == "PL" || w == "BE" || w == "WN") return EndType::Welded;
        if (w == "FL" || w == "RF" || w == "FF" || w == "RJ" || w == "FLG") return EndType::Face;
        if (w == "SC" || w == "SCR" || w == "NPT" || w == "THD" || w == "CP")
            return EndType::Screwed;
        return std::nullopt;
    };
    for (const PcfPoint& e : r.endPoints)
        if (spatial::distance(toPoint(e), at) <= kJoinTolerance)
            if (const auto t = fromWord(e.connection)) return *t;
    if (r.branch && spatial::distance(toPoint(*r.branch), at) <= kJoinTolerance)
        if (const auto t = fromWord(r.branch->connection)) return *t;
    const std::string_view id = r.identifier;
    const std::string_view ends =
        r.skey.size() >= 4 ? std::string_view(r.skey).substr(2, 2) : std::string_view();
    if (!r.known || id == "PIPE") return EndType::Welded;
    if (id == "GASKET" || id == "FLANGE-BLIND") return EndType::Face;
    if (id == "FLANGE") return EndType::Hub;
    const auto byKey = fromWord(ends);
    const bool flangedKind =
        kind == EdgeKind::InLine && id != "CAP" && id.rfind("REDUCER-", 0) != 0;
    if (byKey) return *byKey;
    return flangedKind ? EndType::Face : EndType::Welded;
}

void Builder::impliedWelds() {
    for (const PcfRecord& r : f_.records)
        if (r.identifier == "WELD") return;
    for (std::size_t n = 0; n < pos_.size(); ++n) {
        const auto& in = inc_[n];
        if (in.size() < 2 || centre_[n] >= 0) continue;
        bool welded = true, anyWelded = false;
        for (const auto& [edgeId, end] : in) {
            const Edge& e = edges_[static_cast<std::size_t>(edgeId)];
            const EndType t = endTypeOf(f_.records[e.record], e.kind, pos_[n]);
            if (t != EndType::Welded && t != EndType::Hub) welded = false;
            if (t == EndType::Welded) anyWelded = true;
        }
        if (!welded || !anyWelded) continue;
        Item it;
        it.record = kImplied;
        it.kind = ItemKind::Weld;
        points_.push_back({pos_[n], it});
    }
}

bool Builder::collinearThrough(int n) const {
    const auto& in = inc_[static_cast<std::size_t>(n)];
    if (in.size() != 2) return false;
    auto far = [&](const std::pair<int, int>& x) {
        const Edge& e = edges_[static_cast<std::size_t>(x.first)];
        return pos_[static_cast<std::size_t>(x.second == 0 ? e.b : e.a)];
    };
    const Point3 c = pos_[static_cast<std::size_t>(n)], p = far(in[0]), q = far(in[1]);
    if (spatial::dot(p - c, q - c) >= 0.0) return false;
    return offLine(p, c, q) <= 0.5 && offLine(q, c, p) <= 0.5;
}

bool Builder::isJunction(int n) const {
    return centre_[static_cast<std::size_t>(n)] >= 0 || forced_.count(n) || !collinearThrough(n);
}

bool Builder::buildSpans() {
    net_.junctions.clear();
    net_.spans.clear();
    spanFirstRecord_.clear();
    junctionOf_.assign(pos_.size(), -1);
    for (std::size_t n = 0; n < pos_.size(); ++n) {
        if (inc_[n].empty() || !isJunction(static_cast<int>(n))) continue;
        Junction j;
        j.p = pos_[n];
        j.record = centre_[n];
        j.kind = j.record >= 0         ? centreKind_[n]
                 : inc_[n].size() == 1 ? JunctionKind::End
                                       : JunctionKind::Corner;
        j.firstRecord = firstRecord_[n];
        junctionOf_[n] = static_cast<int>(net_.junctions.size());
        net_.junctions.push_back(std::move(j));
    }
    std::vector<char> used(edges_.size(), 0);
    for (std::size_t n = 0; n < pos_.size(); ++n) {
        if (junctionOf_[n] < 0) continue;
        for (const auto& start : inc_[n]) {
            if (used[static_cast<std::size_t>(start.first)]) continue;
            std::vector<int> chain;  // edges from n
            std::vector<int> nodes{static_cast<int>(n)};
            int cur = static_cast<int>(n);
            std::pair<int, int> in = start;
            while (true) {
                used[static_cast<std::size_t>(in.first)] = 1;
                chain.push_back(in.first);
                const Edge& e = edges_[static_cast<std::size_t>(in.first)];
                cur = in.second == 0 ? e.b : e.a;
                nodes.push_back(cur);
                if (junctionOf_[static_cast<std::size_t>(cur)] >= 0) break;
                // A node that is no junction has two pieces: go on along the other one.
                const auto& two = inc_[static_cast<std::size_t>(cur)];
                const auto next = two[0].first == in.first ? two[1] : two[0];
                if (used[static_cast<std::size_t>(next.first)]) break;
                in = next;
            }
            if (junctionOf_[static_cast<std::size_t>(cur)] < 0) continue;  // cannot happen
            const Point3 a = pos_[n], b = pos_[static_cast<std::size_t>(cur)];
            // A run that wanders off its line is parted where it is farthest off.
            int worst = -1;
            double worstD = kJoinTolerance;
            for (std::size_t k = 1; k + 1 < nodes.size(); ++k) {
                const double d = offLine(pos_[static_cast<std::size_t>(nodes[k])], a, b);
                if (d > worstD) {
                    worstD = d;
                    worst = nodes[k];
                }
            }
            if (worst >= 0) {
                forced_.insert(worst);
                return false;
            }
            const double length = spatial::distance(a, b);
            if (length < kJoinTolerance) continue;  // a ring of pieces back to one point
            Span s;
            s.from = junctionOf_[n];
            s.to = junctionOf_[static_cast<std::size_t>(cur)];
            s.a = a;
            s.b = b;
            s.u = unit(b - a);
            s.length = length;
            std::size_t first = std::numeric_limits<std::size_t>::max();
            for (std::size_t k = 0; k < chain.size(); ++k) {
                const Edge& e = edges_[static_cast<std::size_t>(chain[k])];
                first = std::min(first, e.record);
                const PcfRecord& r = f_.records[e.record];
                if (e.kind == EdgeKind::Pipe && r.known && r.identifier == "PIPE")
                    s.pipes.push_back(e.record);
                if (e.kind == EdgeKind::Leg && s.fitting < 0)
                    s.fitting = static_cast<long>(e.record);
                if (e.kind != EdgeKind::InLine) continue;
                const double sa = spatial::dot(pos_[static_cast<std::size_t>(e.a)] - a, s.u);
                const double sb = spatial::dot(pos_[static_cast<std::size_t>(e.b)] - a, s.u);
                Item it;
                it.record = e.record;
                it.kind = ItemKind::InLine;
                it.symbol = exchange::pcfSymbolOf(r.identifier, r.skey, r.description).symbol;
                it.s0 = std::clamp(std::min(sa, sb), 0.0, length);
                it.s1 = std::clamp(std::max(sa, sb), 0.0, length);
                it.reversed = sa > sb;
                s.items.push_back(it);
            }
            const int id = static_cast<int>(net_.spans.size());
            net_.junctions[static_cast<std::size_t>(s.from)].spans.push_back(id);
            net_.junctions[static_cast<std::size_t>(s.to)].spans.push_back(id);
            net_.spans.push_back(std::move(s));
            spanFirstRecord_.push_back(first);
        }
    }
    return true;
}

void Builder::placePointItems() {
    SegmentGrid grid(2000.0);
    for (std::size_t k = 0; k < net_.spans.size(); ++k)
        grid.add(static_cast<int>(k), net_.spans[k].a, net_.spans[k].b);
    SegmentGrid junctions(2000.0);
    for (std::size_t k = 0; k < net_.junctions.size(); ++k)
        junctions.add(static_cast<int>(k), net_.junctions[k].p, net_.junctions[k].p);
    for (PointItem& pi : points_) {
        int atJunction = -1;
        double bestJ = kJoinTolerance;
        junctions.near(pi.p, [&](int k) {
            const double d = spatial::distance(pi.p, net_.junctions[static_cast<std::size_t>(k)].p);
            if (d <= bestJ) {
                bestJ = d;
                atJunction = k;
            }
        });
        if (atJunction >= 0) {
            net_.junctions[static_cast<std::size_t>(atJunction)].items.push_back(pi.item);
            continue;
        }
        int found = -1;
        double best = kJoinTolerance, at = 0.0;
        grid.near(pi.p, [&](int k) {
            const Span& s = net_.spans[static_cast<std::size_t>(k)];
            const double t = spatial::dot(pi.p - s.a, s.u);
            if (t < -kJoinTolerance || t > s.length + kJoinTolerance) return;
            const double d = offLine(pi.p, s.a, s.b);
            if (d <= best) {
                best = d;
                found = k;
                at = std::clamp(t, 0.0, s.length);
            }
        });
        if (found < 0) {
            if (pi.item.record != kImplied) net_.unplaced.push_back(pi.item.record);
            continue;
        }
        Span& s = net_.spans[static_cast<std::size_t>(found)];
        Item it = pi.item;
        it.s0 = it.s1 = at;
        if (it.kind == ItemKind::Weld) {
            // A weld at an end of the fitting at either end of the run.
            for (int side : {-1, 1}) {
                const Junction& j =
                    net_.junctions[static_cast<std::size_t>(side < 0 ? s.from : s.to)];
                if (j.record < 0) continue;
                const PcfRecord& fit = f_.records[static_cast<std::size_t>(j.record)];
                std::vector<PcfPoint> ends = fit.endPoints;
                if (fit.branch) ends.push_back(*fit.branch);
                for (const PcfPoint& q : ends)
                    if (spatial::distance(toPoint(q), pi.p) <= kJoinTolerance) it.atFitting = side;
                if (it.atFitting) break;
            }
        }
        s.items.push_back(it);
    }
    for (Span& s : net_.spans)
        std::stable_sort(s.items.begin(), s.items.end(),
                         [](const Item& a, const Item& b) { return a.s0 < b.s0; });
}

void Builder::orient(Span& s, int from) const {
    if (s.from == from) return;
    std::swap(s.from, s.to);
    std::swap(s.a, s.b);
    s.u = s.u * -1.0;
    std::reverse(s.pipes.begin(), s.pipes.end());
    for (Item& it : s.items) {
        const double s0 = s.length - it.s1, s1 = s.length - it.s0;
        it.s0 = s0;
        it.s1 = s1;
        if (it.kind == ItemKind::InLine) it.reversed = !it.reversed;
        it.atFitting = -it.atFitting;
    }
    std::reverse(s.items.begin(), s.items.end());
}

void Builder::walk() {
    const std::size_t nj = net_.junctions.size(), ns = net_.spans.size();
    std::vector<char> seen(nj, 0), used(ns, 0);
    std::vector<int> order;
    order.reserve(ns);
    auto otherEnd = [&](int span, int j) {
        const Span& s = net_.spans[static_cast<std::size_t>(span)];
        return s.from == j ? s.to : s.from;
    };
    auto hasEndConnection = [&](std::size_t j) {
        for (const Item& it : net_.junctions[j].items)
            if (it.kind == ItemKind::EndConnection) return true;
        return false;
    };
    auto endConnectionRecord = [&](std::size_t j) {
        std::size_t best = std::numeric_limits<std::size_t>::max();
        for (const Item& it : net_.junctions[j].items)
            if (it.kind == ItemKind::EndConnection) best = std::min(best, it.record);
        return best;
    };
    // The next part starts at an open end with an END-CONNECTION, else at the free end of the
    // lowest-numbered component, else (a ring) at its lowest-numbered point.
    auto pickStart = [&]() -> int {
        int best = -1;
        std::size_t bestKey = 0;
        int bestClass = 3;
        for (std::size_t j = 0; j < nj; ++j) {
            if (seen[j] || net_.junctions[j].spans.empty()) continue;
            const bool free = net_.junctions[j].spans.size() == 1;
            const int cls = free && hasEndConnection(j) ? 0 : free ? 1 : 2;
            const std::size_t key =
                cls == 0 ? endConnectionRecord(j) : net_.junctions[j].firstRecord;
            if (best < 0 || cls < bestClass || (cls == bestClass && key < bestKey)) {
                best = static_cast<int>(j);
                bestKey = key;
                bestClass = cls;
            }
        }
        return best;
    };
    int part = 0;
    std::deque<std::pair<int, int>> pending;  // (junction, span) of branches still to draw
    auto line = [&](int cur, int first, bool branch) {
        std::optional<Point3> in;
        int next = first;
        while (true) {
            if (next < 0) {
                std::vector<int> candidates;
                for (int s : net_.junctions[static_cast<std::size_t>(cur)].spans)
                    if (!used[static_cast<std::size_t>(s)]) candidates.push_back(s);
                if (candidates.empty()) return;
                std::stable_sort(candidates.begin(), candidates.end(), [&](int a, int b) {
                    return spanFirstRecord_[static_cast<std::size_t>(a)] <
                           spanFirstRecord_[static_cast<std::size_t>(b)];
                });
                next = candidates.front();
                if (in) {
                    // Straight on through a tee; round an elbow there is one way only.
                    for (int s : candidates) {
                        const Span& sp = net_.spans[static_cast<std::size_t>(s)];
                        const Point3 u = sp.from == cur ? sp.u : sp.u * -1.0;
                        if (spatial::dot(u, *in) > 0.999) {
                            next = s;
                            break;
                        }
                    }
                }
                for (int s : candidates)
                    if (s != next) pending.emplace_back(cur, s);
            }
            Span& s = net_.spans[static_cast<std::size_t>(next)];
            used[static_cast<std::size_t>(next)] = 1;
            orient(s, cur);
            s.part = part;
            s.branch = branch;
            order.push_back(next);
            const int to = otherEnd(next, cur);
            if (seen[static_cast<std::size_t>(to)]) {
                s.closing = true;
                return;
            }
            seen[static_cast<std::size_t>(to)] = 1;
            in = s.u;
            cur = to;
            next = -1;
        }
    };
    while (true) {
        const int start = pickStart();
        if (start < 0) break;
        seen[static_cast<std::size_t>(start)] = 1;
        net_.partStarts.push_back(start);
        line(start, -1, false);
        while (!pending.empty()) {
            const auto [j, s] = pending.front();
            pending.pop_front();
            if (used[static_cast<std::size_t>(s)]) continue;
            line(j, s, true);
        }
        ++part;
    }
    // The runs in walk order.
    std::vector<int> newIndex(ns, -1);
    std::vector<Span> spans;
    spans.reserve(order.size());
    for (int s : order) {
        newIndex[static_cast<std::size_t>(s)] = static_cast<int>(spans.size());
        spans.push_back(std::move(net_.spans[static_cast<std::size_t>(s)]));
    }
    net_.spans = std::move(spans);
    for (Junction& j : net_.junctions) {
        for (int& s : j.spans) s = newIndex[static_cast<std::size_t>(s)];
        j.spans.erase(std::remove(j.spans.begin(), j.spans.end(), -1), j.spans.end());
    }
}

Network Builder::run() {
    readRecords();
    splitAtOlets();
    impliedWelds();
    // A run that wanders off its line gets a junction where it is farthest off, until every run
    // is straight (each pass adds one; a few passes at most in any real file).
    for (int pass = 0; pass < 64 && !buildSpans(); ++pass) {
    }
    placePointItems();
    walk();
    return std::move(net_);
}

}  // namespace

Network buildNetwork(const exchange::PcfFile& file) {
    return Builder(file).run();
}

}  // namespace tubra::layout
