#include "tubra/layout/PipelineGeometry.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

#include "text/CFormat.h"
#include "tubra/exchange/PcfSymbols.h"
#include "tubra/model/Kinds.h"

namespace tubra::testing {

using spatial::Point3;

namespace {

struct Fitting {
    Point3 centre;
    std::vector<Point3> legEnds;
};

Point3 unit(Point3 v) {
    const double n = spatial::norm(v);
    return n > 0 ? v * (1.0 / n) : Point3{};
}

double toSegment(Point3 p, Point3 a, Point3 b) {
    const Point3 d = b - a;
    const double l2 = spatial::dot(d, d);
    const double t = l2 > 0 ? std::clamp(spatial::dot(p - a, d) / l2, 0.0, 1.0) : 0.0;
    return spatial::distance(p, a + d * t);
}

// A weld on a leg of a fitting stands for that leg: a point just off the centre along it.
Point3 weldPoint(Point3 w, const std::vector<Fitting>& fittings) {
    for (const Fitting& f : fittings)
        for (const Point3& e : f.legEnds)
            if (spatial::distance(w, f.centre) > 1.0 && toSegment(w, f.centre, e) <= 1.0)
                return f.centre + unit(e - f.centre);
    return w;
}

std::string symbolKind(int symbol) {
    if (symbol == 6 || symbol == 7) return "reducer";
    return text::format("symbol %d", symbol);
}

Point3 toPoint(const exchange::PcfPoint& p) {
    return {p.x, p.y, p.z};
}

// The collinear pieces joined into runs: pieces on one line, their stretches merged.
std::vector<PipelineGeometry::Run> joinRuns(const std::vector<PipelineGeometry::Run>& pieces) {
    struct Line {
        Point3 d, foot;
        std::vector<std::pair<double, double>> spans;
    };
    std::vector<Line> lines;
    for (const auto& p : pieces) {
        Point3 d = unit(p.b - p.a);
        if (spatial::norm(d) == 0.0) continue;
        // One sign for each line's direction.
        if (d.x < -1e-9 ||
            (std::fabs(d.x) <= 1e-9 && (d.y < -1e-9 || (std::fabs(d.y) <= 1e-9 && d.z < 0))))
            d = d * -1.0;
        const Point3 foot = p.a - d * spatial::dot(p.a, d);
        Line* line = nullptr;
        for (Line& l : lines)
            if (spatial::distance(l.d, d) < 1e-4 && spatial::distance(l.foot, foot) < 0.5)
                line = &l;
        if (!line) {
            lines.push_back({d, foot, {}});
            line = &lines.back();
        }
        const double t0 = spatial::dot(p.a, line->d), t1 = spatial::dot(p.b, line->d);
        line->spans.emplace_back(std::min(t0, t1), std::max(t0, t1));
    }
    std::vector<PipelineGeometry::Run> runs;
    for (Line& l : lines) {
        std::sort(l.spans.begin(), l.spans.end());
        double lo = l.spans.front().first, hi = l.spans.front().second;
        for (std::size_t k = 1; k <= l.spans.size(); ++k) {
            if (k < l.spans.size() && l.spans[k].first <= hi + 0.5) {
                hi = std::max(hi, l.spans[k].second);
                continue;
            }
            runs.push_back({l.foot + l.d * lo, l.foot + l.d * hi});
            if (k < l.spans.size()) {
                lo = l.spans[k].first;
                hi = l.spans[k].second;
            }
        }
    }
    return runs;
}

// Connected parts of the runs: runs touch where an end of one lies on the other.
std::vector<int> partsOf(const std::vector<PipelineGeometry::Run>& runs, double tolerance) {
    std::vector<int> part(runs.size());
    for (std::size_t i = 0; i < runs.size(); ++i) part[i] = static_cast<int>(i);
    std::function<int(int)> find = [&](int i) {
        return part[static_cast<std::size_t>(i)] == i
                   ? i
                   : part[static_cast<std::size_t>(i)] = find(part[static_cast<std::size_t>(i)]);
    };
    for (std::size_t i = 0; i < runs.size(); ++i)
        for (std::size_t j = i + 1; j < runs.size(); ++j) {
            const auto& p = runs[i];
            const auto& q = runs[j];
            if (toSegment(p.a, q.a, q.b) <= tolerance || toSegment(p.b, q.a, q.b) <= tolerance ||
                toSegment(q.a, p.a, p.b) <= tolerance || toSegment(q.b, p.a, p.b) <= tolerance)
                part[static_cast<std::size_t>(find(static_cast<int>(i)))] =
                    find(static_cast<int>(j));
        }
    for (std::size_t i = 0; i < runs.size(); ++i) part[i] = find(static_cast<int>(i));
    return part;
}

}  // namespace

PipelineGeometry geometryOf(const spatial::RealModel& model, bool welds) {
    PipelineGeometry g;
    std::vector<PipelineGeometry::Run> pieces;
    std::vector<Fitting> fittings;
    for (const spatial::RealObject& r : model.objects)
        if (r.placed && r.role == spatial::Role::Fitting && r.centre) {
            Fitting f{*r.centre, {r.start, r.end}};
            if (r.branch) f.legEnds.push_back(*r.branch);
            fittings.push_back(f);
        }
    for (const spatial::RealObject& r : model.objects) {
        if (!r.placed) continue;
        // Things the program found on no pipe and placed by guess are not part of the line.
        if (r.host < 0 && r.estimated &&
            (r.role == spatial::Role::InLine || r.role == spatial::Role::Point)) {
            if (r.role == spatial::Role::InLine)
                g.loose.push_back({symbolKind(r.SubType), {r.start}});
            continue;
        }
        const auto kind = static_cast<model::ObjectKind>(r.MainType);
        switch (r.role) {
            case spatial::Role::Run:
            case spatial::Role::Closed:
                pieces.push_back({r.start, r.end});
                break;
            case spatial::Role::Fitting:
                g.things.push_back(
                    {kind == model::ObjectKind::Elbow ? "elbow" : "tee", {*r.centre}});
                break;
            case spatial::Role::InLine:
                g.things.push_back({symbolKind(r.SubType), {r.start, r.end}});
                break;
            case spatial::Role::Weld:
                if (welds) g.things.push_back({"weld", {weldPoint(r.start, fittings)}});
                break;
            case spatial::Role::Point:
                if (kind == model::ObjectKind::Accessory)
                    g.things.push_back({text::format("support %d", r.SubType), {r.start}});
                break;
        }
    }
    g.runs = joinRuns(pieces);
    return g;
}

PipelineGeometry geometryOf(const exchange::PcfFile& file, bool welds) {
    PipelineGeometry g;
    std::vector<PipelineGeometry::Run> pieces;
    std::vector<Fitting> fittings;
    for (const exchange::PcfRecord& r : file.records) {
        const std::string& id = r.identifier;
        if ((id == "ELBOW" || id == "BEND" || id == "TEE") && r.centre) {
            Fitting f{toPoint(*r.centre), {}};
            for (const auto& e : r.endPoints) f.legEnds.push_back(toPoint(e));
            if (r.branch) f.legEnds.push_back(toPoint(*r.branch));
            fittings.push_back(f);
        } else if (id == "OLET" && r.centre && r.branch) {
            fittings.push_back({toPoint(*r.centre), {toPoint(*r.branch)}});
        }
    }
    for (const exchange::PcfRecord& r : file.records) {
        const std::string& id = r.identifier;
        const auto& e = r.endPoints;
        if (!r.known || id == "PIPE" || id == "GASKET") {
            if (e.size() >= 2) pieces.push_back({toPoint(e[0]), toPoint(e[1])});
            continue;
        }
        if (id == "ELBOW" || id == "BEND" || id == "TEE" || id == "OLET") {
            const Point3 c = toPoint(*r.centre);
            for (const auto& p : e) pieces.push_back({c, toPoint(p)});
            if (r.branch) pieces.push_back({c, toPoint(*r.branch)});
            g.things.push_back({id == "ELBOW" || id == "BEND" ? "elbow" : "tee", {c}});
            continue;
        }
        if (id == "WELD") {
            if (!welds) continue;
            Point3 p = r.coords ? toPoint(*r.coords) : Point3{};
            if (!e.empty()) p = toPoint(e.front());
            g.things.push_back({"weld", {weldPoint(p, fittings)}});
            continue;
        }
        if (id == "SUPPORT") {
            const exchange::PcfPoint& p = r.coords ? *r.coords : e.front();
            g.things.push_back(
                {text::format("support %d",
                              exchange::pcfSymbolOf(id, r.skey, r.description).symbol),
                 {toPoint(p)}});
            continue;
        }
        if (id == "VALVE-ANGLE") {
            pieces.push_back({toPoint(e[0]), toPoint(*r.centre)});
            pieces.push_back({toPoint(*r.centre), toPoint(e.size() >= 2 ? e[1] : *r.branch)});
            g.things.push_back({symbolKind(54), {toPoint(e[0]), toPoint(*r.centre)}});
            continue;
        }
        const int symbol = exchange::pcfSymbolOf(id, r.skey, r.description).symbol;
        if (symbol == 0 || e.size() < 2) continue;  // bolts, end connections, notes, gauges
        pieces.push_back({toPoint(e[0]), toPoint(e[1])});
        g.things.push_back({symbolKind(symbol), {toPoint(e[0]), toPoint(e[1])}});
    }
    g.runs = joinRuns(pieces);
    return g;
}

std::vector<std::string> differences(const PipelineGeometry& a, const PipelineGeometry& b,
                                     double tol) {
    std::vector<std::string> out;
    auto describe = [](const Point3& p) {
        return text::format("(%.1f, %.1f, %.1f)", p.x, p.y, p.z);
    };
    struct Part {
        std::vector<PipelineGeometry::Run> runs;
        std::vector<PipelineGeometry::Thing> things;
        double length = 0;
        Point3 corner;
    };
    auto split = [&](const PipelineGeometry& g) {
        const std::vector<int> of = partsOf(g.runs, tol);
        std::map<int, Part> parts;
        for (std::size_t i = 0; i < g.runs.size(); ++i) {
            Part& p = parts[of[i]];
            p.runs.push_back(g.runs[i]);
            p.length += spatial::distance(g.runs[i].a, g.runs[i].b);
        }
        for (const auto& t : g.things) {
            // The part whose runs pass nearest.
            int best = -1;
            double bestD = 1e300;
            for (std::size_t i = 0; i < g.runs.size(); ++i) {
                const double d = toSegment(t.points.front(), g.runs[i].a, g.runs[i].b);
                if (d < bestD) {
                    bestD = d;
                    best = of[i];
                }
            }
            if (best >= 0) parts[best].things.push_back(t);
        }
        std::vector<Part> list;
        for (auto& [k, p] : parts) {
            p.corner = p.runs.front().a;
            for (const auto& r : p.runs)
                for (const Point3& q : {r.a, r.b})
                    p.corner = {std::min(p.corner.x, q.x), std::min(p.corner.y, q.y),
                                std::min(p.corner.z, q.z)};
            list.push_back(std::move(p));
        }
        std::sort(list.begin(), list.end(),
                  [](const Part& x, const Part& y) { return x.length > y.length; });
        return list;
    };
    std::map<std::string, int> looseLeft;
    for (const auto& t : a.loose) ++looseLeft[t.kind];
    auto compare = [&](const Part& x, const Part& y, std::size_t k) {
        std::vector<std::string> diff;
        auto shift = [](const Point3& p, const Point3& corner) { return p - corner; };
        std::vector<bool> usedRun(y.runs.size(), false);
        for (const auto& r : x.runs) {
            const Point3 ra = shift(r.a, x.corner), rb = shift(r.b, x.corner);
            bool found = false;
            for (std::size_t i = 0; i < y.runs.size() && !found; ++i) {
                if (usedRun[i]) continue;
                const Point3 sa = shift(y.runs[i].a, y.corner), sb = shift(y.runs[i].b, y.corner);
                if ((spatial::distance(ra, sa) <= tol && spatial::distance(rb, sb) <= tol) ||
                    (spatial::distance(ra, sb) <= tol && spatial::distance(rb, sa) <= tol))
                    usedRun[i] = found = true;
            }
            if (!found)
                diff.push_back("part " + std::to_string(k + 1) + ": run " + describe(ra) + "-" +
                               describe(rb) + " missing");
        }
        for (std::size_t i = 0; i < y.runs.size(); ++i)
            if (!usedRun[i])
                diff.push_back("part " + std::to_string(k + 1) + ": extra run " +
                               describe(shift(y.runs[i].a, y.corner)) + "-" +
                               describe(shift(y.runs[i].b, y.corner)));
        std::vector<bool> usedThing(y.things.size(), false);
        std::map<std::string, int> looseHere = looseLeft;
        for (const auto& t : x.things) {
            bool found = false;
            for (std::size_t i = 0; i < y.things.size() && !found; ++i) {
                const auto& u = y.things[i];
                if (usedThing[i] || u.kind != t.kind || u.points.size() != t.points.size())
                    continue;
                bool same = true, reversed = true;
                for (std::size_t p = 0; p < t.points.size(); ++p) {
                    same = same && spatial::distance(shift(t.points[p], x.corner),
                                                     shift(u.points[p], y.corner)) <= tol;
                    reversed =
                        reversed && spatial::distance(
                                        shift(t.points[p], x.corner),
                                        shift(u.points[t.points.size() - 1 - p], y.corner)) <= tol;
                }
                if (same || reversed) usedThing[i] = found = true;
            }
            if (!found)
                diff.push_back("part " + std::to_string(k + 1) + ": " + t.kind + " at " +
                               describe(shift(t.points.front(), x.corner)) + " missing");
        }
        for (std::size_t i = 0; i < y.things.size(); ++i) {
            if (usedThing[i]) continue;
            // Where the other had a thing of the kind on no pipe, this one may have found its pipe.
            int& loose = looseHere[y.things[i].kind];
            if (loose > 0) {
                --loose;
                continue;
            }
            diff.push_back("part " + std::to_string(k + 1) + ": extra " + y.things[i].kind +
                           " at " + describe(shift(y.things[i].points.front(), y.corner)));
        }
        return diff;
    };
    const std::vector<Part> pa = split(a), pb = split(b);
    if (pa.size() != pb.size())
        out.push_back(text::format("%lu parts against %lu", static_cast<unsigned long>(pa.size()),
                                   static_cast<unsigned long>(pb.size())));
    // Each part is paired with the part of the other that it differs least from, among those of
    // its length: first the parts that agree exactly, then the rest.
    std::vector<bool> taken(pb.size(), false), paired(pa.size(), false);
    for (int pass = 0; pass < 2; ++pass)
        for (std::size_t k = 0; k < pa.size(); ++k) {
            if (paired[k]) continue;
            std::vector<std::string> bestDiff;
            long best = -1;
            for (std::size_t i = 0; i < pb.size(); ++i) {
                if (taken[i] || std::fabs(pa[k].length - pb[i].length) > tol + 1e-3 * pa[k].length)
                    continue;
                std::vector<std::string> d = compare(pa[k], pb[i], k);
                if (pass == 0 && !d.empty()) continue;
                if (best < 0 || d.size() < bestDiff.size()) {
                    best = static_cast<long>(i);
                    bestDiff = std::move(d);
                }
                if (bestDiff.empty()) break;
            }
            if (best < 0) {
                if (pass == 1)
                    out.push_back("part " + std::to_string(k + 1) + " of length " +
                                  text::format("%.1f", pa[k].length) + " has no counterpart");
                continue;
            }
            taken[static_cast<std::size_t>(best)] = true;
            paired[k] = true;
            out.insert(out.end(), bestDiff.begin(), bestDiff.end());
        }
    return out;
}

}  // namespace tubra::testing
