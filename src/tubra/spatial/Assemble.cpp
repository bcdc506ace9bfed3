// Objects put together from the walk's positions: segment ends, elbows and tees with their
// legs, the pipes' runs between the legs, and the things on each pipe in order along it.

#include <algorithm>
#include <cmath>
#include <limits>

#include "text/CFormat.h"
#include "tubra/spatial/Passes.h"

namespace tubra::spatial::passes {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

void assemblePipes(Rebuild& r) {
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        auto nodeAt = [&](int n) -> std::optional<Point3> {
            if (n < 0 || !r.known[static_cast<std::size_t>(n)]) return std::nullopt;
            return r.position[static_cast<std::size_t>(n)];
        };
        auto guessedAt = [&](int v) {
            return v >= 0 && r.guessed[static_cast<std::size_t>(v)] != 0;
        };
        if (info.role == Role::Run) {
            const Point3 s = r.position[static_cast<std::size_t>(info.vertex)];
            const Point3 own = s + info.u * info.L;
            info.start = s;
            info.end = own;
            const auto n1 = nodeAt(info.node[0]), n2 = nodeAt(info.node[1]);
            // Ends that agree with the points they meet are those points, so that whatever meets
            // there shares them exactly. A guessed length gives way to the points the rest of
            // the pipeline fixes at both its ends (a loop closed through it).
            if (n1 && (info.estimated || distance(*n1, s) <= kToleranceMm)) info.start = *n1;
            if (info.estimated && n2)
                info.end = *n2;
            else if (n2 && distance(*n2, own) <= kToleranceMm)
                info.end = *n2;
            info.realLength = info.estimated ? distance(info.start, info.end) : info.L;
            info.guessed = guessedAt(info.vertex);
        } else if (info.role == Role::Closed) {
            const auto n1 = nodeAt(info.node[0]), n2 = nodeAt(info.node[1]);
            if (!n1 || !n2) {
                info.placed = false;
                continue;
            }
            info.start = *n1;
            info.end = *n2;
            info.realLength = distance(*n1, *n2);
            info.guessed = guessedAt(info.node[0]) || guessedAt(info.node[1]);
        }
        info.runStart = info.start;
        info.runEnd = info.end;
    }
}

namespace {

const char* directionName(int code) {
    static const char* const names[] = {"上", "下", "东", "南", "西", "北"};
    return code >= 0 && code <= 5 ? names[code] : "斜向";
}

void reportUTurn(Rebuild& r, std::size_t elbow, const ObjectInfo& info) {
    const PipeObject& o = r.object(elbow);
    Problem p;
    p.kind = ProblemKind::UTurn;
    p.objects = {static_cast<std::size_t>(info.sidePipe[0]), elbow,
                 static_cast<std::size_t>(info.sidePipe[1])};
    std::sort(p.objects.begin(), p.objects.end());
    p.message = text::format(
        "管线在弯头（对象 %lu）处折返：由%s向%s，后一段与前一段重合在一条线上，"
        "一个弯头不能这样转弯",
        static_cast<unsigned long>(elbow), directionName(model::directionCode(o.StrtDir)),
        directionName(model::directionCode(o.EndDir)));
    r.problems.push_back(std::move(p));
}

}  // namespace

void assembleFittings(Rebuild& r) {
    struct Candidate {
        Point3 away;
        long pipe = -1;
        bool pipeStart = false;  // the pipe starts here (else it ends here)
        bool host = false;
        double room = std::numeric_limits<double>::infinity();
        bool used = false;
    };
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || info.role != Role::Fitting) continue;
        const PipeObject& o = r.object(i);
        const bool tee = o.is(ObjectKind::Tee);
        int nodeId = -1;
        for (int n : info.node)
            if (n >= 0) nodeId = n;
        if (nodeId < 0 || !r.known[static_cast<std::size_t>(nodeId)]) {
            info.placed = false;
            continue;
        }
        const Node& node = r.nodes[static_cast<std::size_t>(nodeId)];
        const Point3 c = r.position[static_cast<std::size_t>(nodeId)];
        info.centre = c;
        info.guessed = r.guessed[static_cast<std::size_t>(nodeId)] != 0;

        std::vector<Candidate> candidates;
        for (int k : node.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            const ObjectInfo& owner = r.objects[p.object];
            if ((owner.role != Role::Run && owner.role != Role::Closed) || !owner.placed ||
                p.port > 2)
                continue;
            const Point3 dir = r.pipeDirection(p.object);
            if (norm(dir) == 0.0) continue;
            candidates.push_back({p.port == 1 ? dir : dir * -1.0, static_cast<long>(p.object),
                                  p.port == 1, false, 0.5 * owner.realLength});
        }
        if (node.host >= 0 && r.objects[static_cast<std::size_t>(node.host)].placed) {
            const ObjectInfo& h = r.objects[static_cast<std::size_t>(node.host)];
            const Point3 dir = r.pipeDirection(static_cast<std::size_t>(node.host));
            candidates.push_back(
                {dir, node.host, false, true, 0.5 * (1.0 - node.hostT) * h.realLength});
            candidates.push_back(
                {dir * -1.0, node.host, false, true, 0.5 * node.hostT * h.realLength});
        }
        for (int code = 0; code < 6; ++code) candidates.push_back({axis(code)});

        const Vec3& centreDrawn = o.Port4;
        const bool haveCentre = info.node[3] >= 0;
        const int sides = tee ? 3 : 2;
        // Each side finds its way out: the pipe drawn there, else a direction.
        int chosenOf[3] = {-1, -1, -1};
        for (int side = 0; side < sides; ++side) {
            const Vec3& drawn = r.portOf(i, side + 1);
            int chosen = -1;
            const Sheet v{drawn.x - centreDrawn.x, drawn.y - centreDrawn.y};
            const double vn = std::hypot(v.x, v.y);
            if (haveCentre && info.node[side] >= 0 && vn > 1e-6) {
                double bestCos = -2.0;
                for (std::size_t k = 0; k < candidates.size(); ++k) {
                    if (candidates[k].used) continue;
                    const Sheet s = r.sheetProjection(candidates[k].away);
                    const double sn = std::hypot(s.x, s.y);
                    if (sn < 1e-9) continue;
                    const double cosine = (s.x * v.x + s.y * v.y) / (sn * vn);
                    if (cosine > bestCos + 1e-9) {
                        bestCos = cosine;
                        chosen = static_cast<int>(k);
                    }
                }
            } else {
                // No drawn shape to go by: the pipes that meet here, else the stored directions.
                for (std::size_t k = 0; k < candidates.size() && chosen < 0; ++k) {
                    const Candidate& cand = candidates[k];
                    if (cand.used || cand.pipe < 0 || cand.host) continue;
                    const bool wantStart = tee ? side != 0 : side == 1;
                    if (cand.pipeStart == wantStart) chosen = static_cast<int>(k);
                }
                if (chosen < 0) {
                    const int code = side == 2 || (!tee && side == 1)
                                         ? model::directionCode(o.EndDir)
                                         : model::directionCode(o.StrtDir);
                    const Point3 a = axis(code) * (side == 0 ? -1.0 : 1.0);
                    candidates.push_back({a});
                    chosen = static_cast<int>(candidates.size()) - 1;
                }
            }
            if (candidates[static_cast<std::size_t>(chosen)].pipe >= 0)
                candidates[static_cast<std::size_t>(chosen)].used = true;
            chosenOf[side] = chosen;
            info.sidePipe[side] = candidates[static_cast<std::size_t>(chosen)].pipe;
        }
        // Without a size of its own the fitting is as large as its line: the run takes the bore
        // of the pipes on its sides, a tee's branch that of its branch pipe.
        const auto sideBore = [&](int side) {
            const long pipe = info.sidePipe[side];
            return pipe >= 0 ? r.objects[static_cast<std::size_t>(pipe)].bore : 0.0;
        };
        if (!(info.bore > 0.0)) {
            info.bore = sideBore(0) > 0.0 ? sideBore(0) : sideBore(1);
            if (!(info.bore > 0.0)) info.bore = r.tableBore > 0.0 ? r.tableBore : kNominalBore;
            if (tee) info.bore2 = sideBore(2);
        }
        if (tee && !(info.bore2 > 0.0)) info.bore2 = info.bore;
        double leg = info.bore * (tee ? kTeeLegPerBore : kElbowLegPerBore);
        // An elbow whose two pipes leave it the same way turns back on itself: no elbow can.
        // The pipes run to its centre, and the U-turn is reported.
        if (!tee && info.sidePipe[0] >= 0 && info.sidePipe[1] >= 0 &&
            dot(candidates[static_cast<std::size_t>(chosenOf[0])].away,
                candidates[static_cast<std::size_t>(chosenOf[1])].away) > 0.999) {
            leg = 0.0;
            reportUTurn(r, i, info);
        }
        for (int side = 0; side < sides; ++side) {
            Candidate& cand = candidates[static_cast<std::size_t>(chosenOf[side])];
            const double length = std::max(0.0, std::min(leg, cand.room));
            info.legEnd[side] = c + cand.away * length;
            if (cand.pipe >= 0 && !cand.host) {
                // The pipe's run ends the leg's length from its own end, on its own axis: where
                // a loop does not close, the pipe stays on its axis and the gap stays in one place.
                ObjectInfo& pipe = r.objects[static_cast<std::size_t>(cand.pipe)];
                if (cand.pipeStart && length >= pipe.trimStart) {
                    pipe.trimStart = length;
                    pipe.runStart = pipe.start + cand.away * length;
                } else if (!cand.pipeStart && length >= pipe.trimEnd) {
                    pipe.trimEnd = length;
                    pipe.runEnd = pipe.end + cand.away * length;
                }
            }
        }
        info.start = info.legEnd[0];
        info.end = info.legEnd[1];
        if (tee) info.branch = info.legEnd[2];
        if (node.host >= 0 && !node.hostClosed) info.host = node.host;
    }
}

void assembleThings(Rebuild& r) {
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || !sitsOnPipe(info.role)) continue;
        const PipeObject& o = r.object(i);
        // A weld at an end of an elbow or a tee sits at the end of that leg.
        if (info.role == Role::Weld && info.node[0] >= 0) {
            bool done = false;
            for (int k : r.nodes[static_cast<std::size_t>(info.node[0])].ports) {
                const Port& p = r.ports[static_cast<std::size_t>(k)];
                const ObjectInfo& f = r.objects[p.object];
                if (f.role != Role::Fitting || !f.placed || p.port == 4) continue;
                if (sheetDistance(p.p, sheetOf(o.Port1)) > kSame) continue;
                info.start = info.end = f.legEnd[p.port - 1];
                if (!info.sized) info.bore = p.port == 3 ? f.bore2 : f.bore;
                info.guessed = f.guessed;
                info.host = -1;
                done = true;
                break;
            }
            if (done) continue;
        }
        if (info.host >= 0 && r.objects[static_cast<std::size_t>(info.host)].placed) {
            const ObjectInfo& h = r.objects[static_cast<std::size_t>(info.host)];
            info.guessed = h.guessed;
            // Supports, instruments, marks and cut lines stand at one point: their anchor's.
            if (info.role == Role::Point)
                info.start = info.end = r.onPipe(static_cast<std::size_t>(info.host),
                                                 std::clamp(info.t1, 0.0, 1.0) * h.realLength);
            continue;  // in-line things and welds are packed along their pipe
        }
        info.host = -1;
        const int n1 = info.node[0], n2 = info.node[1];
        if (n1 < 0 || !r.known[static_cast<std::size_t>(n1)]) {
            info.placed = false;
            continue;
        }
        info.start = r.position[static_cast<std::size_t>(n1)];
        info.end = info.role != Role::Point && info.second && n2 >= 0 &&
                           r.known[static_cast<std::size_t>(n2)]
                       ? r.position[static_cast<std::size_t>(n2)]
                       : info.start;
        info.guessed = r.guessed[static_cast<std::size_t>(n1)] != 0;
    }
}

void packAlongPipes(Rebuild& r) {
    struct Item {
        std::size_t object;
        double lo, length;
        bool reversed;
    };
    std::vector<std::vector<Item>> movable(r.objects.size());
    std::vector<std::vector<Item>> fixed(r.objects.size());
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || info.host < 0) continue;
        const ObjectInfo& h = r.objects[static_cast<std::size_t>(info.host)];
        if (!h.placed) continue;
        const Point3 dir = r.pipeDirection(static_cast<std::size_t>(info.host));
        if (info.role == Role::Fitting) {
            // A tee on a pipe that goes on through it: its legs along the pipe are fixed.
            const double a = dot(info.start - h.start, dir), b = dot(info.end - h.start, dir);
            if (std::fabs(a - b) > 0.0)
                fixed[static_cast<std::size_t>(info.host)].push_back(
                    {i, std::min(a, b), std::fabs(a - b), a > b});
        } else if (info.role == Role::Weld) {
            movable[static_cast<std::size_t>(info.host)].push_back(
                {i, info.t1 * h.realLength, 0.0, false});
        } else if (info.role == Role::InLine) {
            // As long as it is drawn, at the scale of its own pipe; a symbol drawn across its pipe
            // (an angle valve) or without a second anchor is taken as long as its bore.
            const PipeObject& o = r.object(i);
            const double drawn =
                info.second ? std::hypot(o.Port2.x - o.Port1.x, o.Port2.y - o.Port1.y) : 0.0;
            double length = h.sheetLength > 0.0 ? drawn / h.sheetLength * h.realLength : 0.0;
            if (!(length >= 1.0) || !std::isfinite(length))
                length = info.bore > 0.0 ? info.bore : kNominalBore;
            const double s1 = info.t1 * h.realLength;
            const bool backwards = info.t2 < info.t1;
            movable[static_cast<std::size_t>(info.host)].push_back(
                {i, backwards ? s1 - length : s1, length, backwards});
        }
    }
    for (std::size_t p = 0; p < r.objects.size(); ++p) {
        if (movable[p].empty() && fixed[p].empty()) continue;
        ObjectInfo& h = r.objects[p];
        double from = h.trimStart, to = h.realLength - h.trimEnd;
        if (from > to) from = to = (from + to) / 2.0;
        // The ends of the stretch are the pipe's own run ends, exactly, so that whatever
        // touches them shares them.
        auto pointAt = [&](double s) {
            if (s == from && h.runStart) return *h.runStart;
            if (s == to && h.runEnd) return *h.runEnd;
            return r.onPipe(p, s);
        };
        std::sort(fixed[p].begin(), fixed[p].end(),
                  [](const Item& a, const Item& b) { return a.lo < b.lo; });
        // The free stretches of the pipe between the fixed things.
        std::vector<std::pair<double, double>> free;
        double cursor = from;
        for (const Item& f : fixed[p]) {
            if (f.lo > cursor) free.emplace_back(cursor, std::min(f.lo, to));
            cursor = std::max(cursor, f.lo + f.length);
        }
        if (cursor < to) free.emplace_back(cursor, to);
        if (free.empty())
            free.emplace_back(std::clamp(cursor, from, to), std::clamp(cursor, from, to));
        std::vector<std::vector<Item>> inStretch(free.size());
        std::stable_sort(movable[p].begin(), movable[p].end(),
                         [](const Item& a, const Item& b) { return a.lo < b.lo; });
        for (const Item& m : movable[p]) {
            const double mid = m.lo + m.length / 2.0;
            std::size_t best = 0;
            double bestGap = std::numeric_limits<double>::infinity();
            for (std::size_t k = 0; k < free.size(); ++k) {
                const double gap = mid < free[k].first    ? free[k].first - mid
                                   : mid > free[k].second ? mid - free[k].second
                                                          : 0.0;
                if (gap < bestGap) {
                    bestGap = gap;
                    best = k;
                }
            }
            inStretch[best].push_back(m);
        }
        std::vector<std::pair<double, std::size_t>> order;
        for (std::size_t k = 0; k < free.size(); ++k) {
            std::vector<Item>& items = inStretch[k];
            const double room = free[k].second - free[k].first;
            double total = 0.0;
            for (const Item& m : items) total += m.length;
            if (total > room && total > 0.0)
                for (Item& m : items) m.length *= room / total;
            double at = free[k].first;
            for (Item& m : items) {
                m.lo = std::max(m.lo, at);
                at = m.lo + m.length;
            }
            double limit = free[k].second;
            for (auto it = items.rbegin(); it != items.rend(); ++it) {
                if (it->lo + it->length > limit) it->lo = limit - it->length;
                limit = it->lo;
            }
            for (const Item& m : items) {
                ObjectInfo& thing = r.objects[m.object];
                const Point3 lo = pointAt(m.lo),
                             hi = m.length > 0.0 ? pointAt(m.lo + m.length) : lo;
                thing.start = m.reversed ? hi : lo;
                thing.end = m.reversed ? lo : hi;
                order.emplace_back(m.lo, m.object);
            }
        }
        for (const Item& f : fixed[p]) order.emplace_back(f.lo, f.object);
        std::stable_sort(order.begin(), order.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& entry : order) h.along.push_back(entry.second);
    }
}

}  // namespace tubra::spatial::passes
