#include "support/GeneratedPcf.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <unordered_set>
#include <vector>

namespace tubra::testing {

namespace {

struct P {
    double x = 0, y = 0, z = 0;
};
P operator+(P a, P b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
P operator*(P a, double k) {
    return {a.x * k, a.y * k, a.z * k};
}

const std::array<P, 6> kDirs = {
    {{0, 0, 1}, {0, 0, -1}, {1, 0, 0}, {0, -1, 0}, {-1, 0, 0}, {0, 1, 0}}};

// Clearance between lines: cells of this many millimetres hold at most one line.
constexpr double kCell = 600.0;
constexpr double kMainLeg = 228.6;  // 6" long-radius elbow
constexpr double kTeeLeg = 143.0;
constexpr double kBranchLeg = 114.3;  // 3" elbow (branches run straight; kept for the caps)

class Generator {
  public:
    explicit Generator(const PcfGeneratorOptions& o) : opt_(o), rng_(o.seed) {}

    std::string run();

  private:
    int pick(int n) { return static_cast<int>(rng_() % static_cast<unsigned>(n)); }
    std::string pt(P p, double bore) const {
        char b[128];
        std::snprintf(b, sizeof b, "%.1f %.1f %.1f %.0f", p.x, p.y, p.z, bore);
        return b;
    }
    void record(const char* id, std::initializer_list<std::string> lines) {
        out_ += id;
        out_ += "\n";
        for (const std::string& l : lines) out_ += "    " + l + "\n";
        ++count_;
    }
    void pipe(P a, P b, double bore) {
        if (std::fabs(a.x - b.x) + std::fabs(a.y - b.y) + std::fabs(a.z - b.z) < 1.0) return;
        record("PIPE", {"END-POINT " + pt(a, bore), "END-POINT " + pt(b, bore),
                        "ITEM-CODE P" + std::to_string(static_cast<int>(bore))});
    }
    void weld(P a, double bore) {
        record("WELD", {"END-POINT " + pt(a, bore), "END-POINT " + pt(a, bore), "SKEY WW"});
    }
    std::uint64_t key(long x, long y, long z) const {
        return (static_cast<std::uint64_t>(x & 0x1FFFFF) << 42) |
               (static_cast<std::uint64_t>(y & 0x1FFFFF) << 21) |
               static_cast<std::uint64_t>(z & 0x1FFFFF);
    }
    long cellOf(double v) const { return static_cast<long>(std::floor(v / kCell)); }
    // Whether the straight line from a (not counted) for `length` along d is free.
    bool free(P a, P d, double length) const {
        for (double s = kCell; s <= length + kCell; s += kCell / 2) {
            const P p = a + d * s;
            if (taken_.count(key(cellOf(p.x), cellOf(p.y), cellOf(p.z)))) return false;
        }
        return true;
    }
    void take(P a, P d, double length) {
        for (double s = 0; s <= length; s += kCell / 4) {
            const P p = a + d * s;
            taken_.insert(key(cellOf(p.x), cellOf(p.y), cellOf(p.z)));
        }
    }
    // A straight run from corner `a` for `length` along d: its pipes, a valve set, a tee with a
    // branch, supports. `startLeg`/`endLeg`: what the elbows at its ends take of it.
    void straight(P a, P d, double length, double startLeg, double endLeg, double bore,
                  bool branches);
    void branch(P at, P runDir);

    PcfGeneratorOptions opt_;
    std::mt19937 rng_;
    std::string out_;
    int count_ = 0;
    std::unordered_set<std::uint64_t> taken_;
    std::vector<std::pair<P, P>> tees_;
};

void Generator::straight(P a, P d, double length, double startLeg, double endLeg, double bore,
                         bool branches) {
    const double leg = bore > 100 ? kMainLeg : kBranchLeg;
    (void)leg;
    // What sits along the run, in order: positions of a valve set and of a tee.
    double cursor = startLeg;
    const double room = length - startLeg - endLeg;
    std::vector<std::pair<double, int>> things;  // position, 0 valve set, 1 tee
    if (room > 2500 && pick(10) < 4)
        things.emplace_back(startLeg + 600 + pick(static_cast<int>(room - 2000) / 100) * 100.0, 0);
    if (branches && room > 2500 && pick(10) < 4) {
        const double t = startLeg + 600 + pick(static_cast<int>(room - 2000) / 100) * 100.0;
        if (things.empty() || std::fabs(things.front().first - t) > 1200) things.emplace_back(t, 1);
    }
    std::sort(things.begin(), things.end(), [](auto& x, auto& y) { return x.first < y.first; });
    auto at = [&](double s) { return a + d * s; };
    for (const auto& [s, kind] : things) {
        if (kind == 0) {
            // Flange, gasket, valve, gasket, flange: welded to the pipe at the flanges' hubs.
            const double f = 127, g = 3, v = 400;
            pipe(at(cursor), at(s), bore);
            weld(at(s), bore);
            record("FLANGE", {"END-POINT " + pt(at(s), bore) + " BW",
                              "END-POINT " + pt(at(s + f), bore) + " RF", "SKEY FLWN"});
            record("GASKET",
                   {"END-POINT " + pt(at(s + f), bore), "END-POINT " + pt(at(s + f + g), bore)});
            static const char* keys[] = {"VTFL", "VGFL", "VBFL", "CKFL", "VYFL", "VPFL"};
            record("VALVE", {"END-POINT " + pt(at(s + f + g), bore) + " RF",
                             "END-POINT " + pt(at(s + f + g + v), bore) + " RF",
                             std::string("SKEY ") + keys[pick(6)],
                             "ITEM-CODE V" + std::to_string(100 + pick(900))});
            record("GASKET", {"END-POINT " + pt(at(s + f + g + v), bore),
                              "END-POINT " + pt(at(s + f + 2 * g + v), bore)});
            record("FLANGE",
                   {"END-POINT " + pt(at(s + f + 2 * g + v), bore) + " RF",
                    "END-POINT " + pt(at(s + 2 * f + 2 * g + v), bore) + " BW", "SKEY FLWN"});
            weld(at(s + 2 * f + 2 * g + v), bore);
            cursor = s + 2 * f + 2 * g + v;
        } else {
            // A tee; its branch follows once the main line is laid, so it can keep clear of it.
            pipe(at(cursor), at(s - kTeeLeg), bore);
            weld(at(s - kTeeLeg), bore);
            tees_.emplace_back(at(s), d);
            cursor = s + kTeeLeg;
            weld(at(cursor), bore);
        }
    }
    // Supports along the pipe between the things.
    if (room > 1500 && pick(3) == 0) {
        const double s = cursor + (length - endLeg - cursor) / 2;
        static const char* keys[] = {"ANCH", "GUID", "RSTR", "SPRG"};
        record("SUPPORT", {"CO-ORDS " + pt(at(s), bore), std::string("SKEY ") + keys[pick(4)]});
    }
    pipe(at(cursor), at(length - endLeg), bore);
}

void Generator::branch(P t, P runDir) {
    // Square to the run, where there is room.
    std::vector<P> options;
    for (const P& d : kDirs)
        if (std::fabs(d.x * runDir.x + d.y * runDir.y + d.z * runDir.z) < 0.5) options.push_back(d);
    for (int tries = 0; tries < 4; ++tries) {
        const P b = options[static_cast<std::size_t>(pick(static_cast<int>(options.size())))];
        const double length = 1500 + pick(6) * 500.0;
        if (!free(t + b * kCell, b, length)) continue;
        take(t + b * kCell, b, length);
        const double bore = 80;
        record("TEE", {"END-POINT " + pt(t + runDir * -kTeeLeg, 150),
                       "END-POINT " + pt(t + runDir * kTeeLeg, 150),
                       "CENTRE-POINT " + pt(t, 150).substr(0, pt(t, 150).rfind(' ')),
                       "BRANCH1-POINT " + pt(t + b * kTeeLeg, bore), "SKEY TEBW"});
        weld(t + b * kTeeLeg, bore);
        straight(t, b, length, kTeeLeg, 0.0, bore, false);
        // The branch ends in a cap, or in a flange with a blind.
        const P end = t + b * length;
        weld(end, bore);
        if (pick(2) == 0) {
            record("CAP", {"END-POINT " + pt(end, bore) + " BW",
                           "END-POINT " + pt(end + b * 60, bore), "SKEY CPBW"});
        } else {
            record("FLANGE", {"END-POINT " + pt(end, bore) + " BW",
                              "END-POINT " + pt(end + b * 90, bore) + " RF", "SKEY FLWN"});
            record("FLANGE-BLIND", {"END-POINT " + pt(end + b * 90, bore) + " RF",
                                    "END-POINT " + pt(end + b * 115, bore), "SKEY FLBL"});
        }
        return;
    }
    // No room for a branch: the tee's branch end is capped at once.
    record("TEE", {"END-POINT " + pt(t + runDir * -kTeeLeg, 150),
                   "END-POINT " + pt(t + runDir * kTeeLeg, 150),
                   "CENTRE-POINT " + pt(t, 150).substr(0, pt(t, 150).rfind(' ')),
                   "BRANCH1-POINT " + pt(t + options.front() * kTeeLeg, 80), "SKEY TEBW"});
    record("CAP", {"END-POINT " + pt(t + options.front() * kTeeLeg, 80) + " BW",
                   "END-POINT " + pt(t + options.front() * (kTeeLeg + 60), 80), "SKEY CPBW"});
}

std::string Generator::run() {
    out_ =
        "ISOGEN-FILES ISOGEN.FLS\nUNITS-BORE MM\nUNITS-CO-ORDS MM\nUNITS-WEIGHT KGS\n"
        "PIPELINE-REFERENCE GEN-" +
        std::to_string(opt_.seed) + "-150-A1\n    PIPING-SPEC A1\n";
    const double bore = 150;
    P pos{0, 0, 3000};
    int dir = 2;
    record("END-CONNECTION-EQUIPMENT", {"CO-ORDS " + pt(pos, bore), "CONNECTION-REFERENCE P-1"});
    double startLeg = 0.0;
    taken_.insert(key(cellOf(pos.x), cellOf(pos.y), cellOf(pos.z)));
    while (count_ < opt_.components) {
        const P d = kDirs[static_cast<std::size_t>(dir)];
        double length = 2000 + pick(14) * 500.0;
        while (length >= 2000 && !free(pos, d, length)) length -= 500;
        if (length < 2000) break;
        take(pos, d, length);
        const P corner = pos + d * length;
        // The next direction: square to this one, with room ahead.
        int next = -1;
        const int first = pick(6);
        for (int k = 0; k < 6 && next < 0; ++k) {
            const int c = (first + k) % 6;
            const P n = kDirs[static_cast<std::size_t>(c)];
            if (std::fabs(n.x * d.x + n.y * d.y + n.z * d.z) > 0.5) continue;
            if (free(corner, n, 2500)) next = c;
        }
        const bool last = next < 0 || count_ > opt_.components - 20;
        straight(pos, d, length, startLeg, last ? 0.0 : kMainLeg, bore, true);
        if (last) {
            record("END-CONNECTION-EQUIPMENT",
                   {"CO-ORDS " + pt(corner, bore), "CONNECTION-REFERENCE T-1"});
            break;
        }
        const P n = kDirs[static_cast<std::size_t>(next)];
        weld(corner + d * -kMainLeg, bore);
        record("ELBOW", {"END-POINT " + pt(corner + d * -kMainLeg, bore),
                         "END-POINT " + pt(corner + n * kMainLeg, bore),
                         "CENTRE-POINT " + pt(corner, bore).substr(0, pt(corner, bore).rfind(' ')),
                         "SKEY ELBW"});
        weld(corner + n * kMainLeg, bore);
        pos = corner;
        dir = next;
        startLeg = kMainLeg;
    }
    for (const auto& [t, d] : tees_) branch(t, d);
    return out_;
}

}  // namespace

std::string generatePcf(const PcfGeneratorOptions& options) {
    return Generator(options).run();
}

}  // namespace tubra::testing
