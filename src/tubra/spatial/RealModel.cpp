#include "tubra/spatial/RealModel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <queue>
#include <unordered_map>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/spatial/Texts.h"

namespace tubra::spatial {

using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

double dot(Point3 a, Point3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double norm(Point3 a) {
    return std::sqrt(dot(a, a));
}
double distance(Point3 a, Point3 b) {
    return norm(a - b);
}

std::string_view lookName(Look look) {
    switch (look) {
        case Look::MainPipe:
            return "main-pipe";
        case Look::BranchPipe:
            return "branch-pipe";
        case Look::PlaneSlantedPipe:
            return "plane-slanted-pipe";
        case Look::SpaceSlantedPipe:
            return "space-slanted-pipe";
        case Look::Elbow:
            return "elbow";
        case Look::Tee:
            return "tee";
        case Look::Valve:
            return "valve";
        case Look::Fitting:
            return "fitting";
        case Look::Support:
            return "support";
        case Look::Weld:
            return "weld";
        case Look::SiteMark:
            return "site-mark";
        case Look::CutLine:
            return "cut-line";
    }
    return "";
}

std::string_view problemKindName(ProblemKind kind) {
    switch (kind) {
        case ProblemKind::Loop:
            return "loop";
        case ProblemKind::Elevation:
            return "elevation";
        case ProblemKind::LengthText:
            return "length-text";
        case ProblemKind::Unconnected:
            return "unconnected";
    }
    return "";
}

const RealObject* RealModel::find(std::size_t index) const {
    if (index >= position.size() || position[index] < 0) return nullptr;
    return &objects[static_cast<std::size_t>(position[index])];
}

namespace {

constexpr double kPi = 3.14159255;
// Points this close on the sheet are one point: 0.1 mm of paper, what the drawing tools'
// comparisons after truncation to whole units allow.
constexpr double kSame = 1.0;
constexpr double kNoSecondAnchor = -9999.0;
// Drawn points beyond these are garbage, not drawings.
constexpr double kSheetLimit = 1e7;
constexpr double kElevationLimit = 1e9;
constexpr double kLongestDrawn = 1e8;
// Without a single stated length the sheet is taken at 1:100 (0.1 mm of paper is 10 mm).
constexpr double kDefaultScale = 10.0;
// Fittings of unknown bore are sized as DN100.
constexpr double kNominalBore = 100.0;
// Long-radius elbows; tees of about the usual centre-to-end size.
constexpr double kElbowLegPerBore = 1.5;
constexpr double kTeeLegPerBore = 0.9;
// Path costs of the walk: stated lengths first, guesses last, parts not connected after all.
constexpr double kStatedCost = 1.0;
constexpr double kGuessCost = 1000.0;
constexpr double kGroupCost = 1e12;

struct Sheet {
    double x = 0.0;
    double y = 0.0;
};

Sheet sheetOf(const Vec3& p) {
    return {p.x, p.y};
}
double sheetDistance(Sheet a, Sheet b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

bool usable(const Vec3& p) {
    return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z) &&
           std::fabs(p.x) <= kSheetLimit && std::fabs(p.y) <= kSheetLimit &&
           std::fabs(p.z) <= kElevationLimit;
}

Point3 axis(int code) {
    switch (code) {
        case 0:
            return {0, 0, 1};
        case 1:
            return {0, 0, -1};
        case 2:
            return {1, 0, 0};
        case 3:
            return {0, -1, 0};
        case 4:
            return {-1, 0, 0};
        case 5:
            return {0, 1, 0};
        default:
            return {};
    }
}

Point3 unit(Point3 v) {
    const double n = norm(v);
    return n > 0.0 ? v * (1.0 / n) : Point3{};
}

int codeOf(double stored) {
    return model::directionCode(stored);
}

bool isKind(const PipeObject& o, ObjectKind k) {
    return o.is(k);
}

std::string utf8(std::string_view gbk) {
    return text::gbkToUtf8(gbk);
}

// Which roles an object plays; none for text blocks and unknown kinds.
std::optional<Role> roleOf(const PipeObject& o) {
    switch (o.kind()) {
        case ObjectKind::Pipe: {
            const int d = codeOf(o.EndDir);
            if (d >= 0 && d <= 5) return Role::Run;
            if (d == 6) {
                const int plane = codeOf(o.StrtDir);
                const bool offsets = std::isfinite(o.Port3.x) && std::isfinite(o.Port3.y) &&
                                     std::hypot(o.Port3.x, o.Port3.y) > 0.0 &&
                                     std::hypot(o.Port3.x, o.Port3.y) <= 1e9;
                if (plane >= 0 && plane <= 2 && offsets) return Role::Run;
            }
            return Role::Closed;
        }
        case ObjectKind::Elbow:
        case ObjectKind::Tee:
            return Role::Fitting;
        case ObjectKind::Weld:
            return Role::Weld;
        case ObjectKind::Valve:
            return Role::InLine;
        case ObjectKind::Fitting:
            // Gauges and thermometers sit on small connections; the 45° elbow mark does not turn
            // the drawn pipe. None of them takes a length of the pipe.
            if (o.SubType == 9 || o.SubType == 10 || o.SubType == 45) return Role::Point;
            return Role::InLine;
        case ObjectKind::Accessory:
        case ObjectKind::SiteMark:
        case ObjectKind::CutLine:
            return Role::Point;
        default:
            return std::nullopt;
    }
}

Look lookOf(const PipeObject& o, Role role) {
    switch (o.kind()) {
        case ObjectKind::Pipe:
            if (role == Role::Closed) return Look::SpaceSlantedPipe;
            if (codeOf(o.EndDir) == 6) return Look::PlaneSlantedPipe;
            return o.SubType == 1 ? Look::BranchPipe : Look::MainPipe;
        case ObjectKind::Elbow:
            return Look::Elbow;
        case ObjectKind::Tee:
            return Look::Tee;
        case ObjectKind::Weld:
            return Look::Weld;
        case ObjectKind::Valve:
            return Look::Valve;
        case ObjectKind::Accessory:
            return Look::Support;
        case ObjectKind::SiteMark:
            return Look::SiteMark;
        case ObjectKind::CutLine:
            return Look::CutLine;
        default:
            return Look::Fitting;
    }
}

// Objects that are not piping: nobody expects them to be connected.
bool isSurroundings(const PipeObject& o) {
    return isKind(o, ObjectKind::SiteMark) || isKind(o, ObjectKind::CutLine);
}

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

// Where a point lies along a drawn segment a→b: fraction t and distance from the line.
struct Along {
    double t = 0.0;
    double offLine = 0.0;
};

Along alongSegment(Sheet p, Sheet a, Sheet b) {
    const double dx = b.x - a.x, dy = b.y - a.y;
    const double len2 = dx * dx + dy * dy;
    if (len2 <= 0.0) return {0.0, sheetDistance(p, a)};
    const double t = ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2;
    const double cross = (p.x - a.x) * dy - (p.y - a.y) * dx;
    return {t, std::fabs(cross) / std::sqrt(len2)};
}

class Builder {
  public:
    explicit Builder(const model::Drawing& d) : d_(d), objects_(d.objects.size()) {
        const double a = d.X_AxisAngle * kPi / 180.0, b = d.Y_AxisAngle * kPi / 180.0;
        cosA_ = std::isfinite(a) ? std::cos(a) : 1.0;
        sinA_ = std::isfinite(a) ? std::sin(a) : 0.0;
        cosB_ = std::isfinite(b) ? std::cos(b) : 1.0;
        sinB_ = std::isfinite(b) ? std::sin(b) : 0.0;
    }

    RealModel build();

  private:
    // What the builder knows of one drawing object.
    struct Info {
        bool member = false;
        Role role = Role::Point;
        bool placed = true;
        // Pipes.
        Point3 u;        // unit direction of a run
        double L = 0.0;  // real length of a run
        bool numbered = false;
        bool estimated = false;
        std::optional<double> number;  // what the length text states
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
        double bore = 0.0, bore2 = 0.0;
    };

    struct Port {
        std::size_t object;
        int port;  // 1..4
        Sheet p;
        double z;
    };

    struct Node {
        std::vector<int> ports;
        int rep = -1;
        long host = -1;  // a pipe whose drawn body the node lies on
        double hostT = 0.0;
        bool hostClosed = false;
        bool active = false;
        bool fitting = false;      // holds the points of an elbow or a tee
        bool surroundings = true;  // holds only points of site marks and cut lines
    };

    enum class EdgeKind { PipeStart, PipeEnd, Host, Closed };
    struct Edge {
        int a = -1, b = -1;
        EdgeKind kind = EdgeKind::PipeStart;
        std::size_t object = 0;  // the pipe the edge measures along
        long other = -1;         // the thing on it (hosts)
        double t = 0.0;
        double cost = kStatedCost;
        bool flexible = false;
    };

    struct Entry {
        double cost;
        std::uint64_t seq;
        int vertex;
        Point3 p;
        int edge;
        bool guess;  // the position rests on a guessed direction
        bool operator>(const Entry& o) const {
            return cost != o.cost ? cost > o.cost : seq > o.seq;
        }
    };

    void classify();
    void estimateScale();
    void collectPorts();
    void findHosts();
    void buildGraph();
    void walk();
    void walkFrom(int vertex, Point3 p, double cost, int group);
    void relax(int v);
    Point3 across(const Edge& e, int from) const;
    void compare(int edge, int v, Point3 arrival);
    void assemblePipes();
    void assembleFittings();
    void assembleThings();
    void pack();
    void checkTexts();
    void reportGroups();
    RealModel result();

    Point3 invert(Sheet delta, double dz) const;
    Sheet sheetProjection(Point3 d) const {
        return {d.x * cosA_ + d.y * cosB_, -d.x * sinA_ + d.y * sinB_ + d.z};
    }
    const PipeObject& object(std::size_t i) const { return d_.objects.at(i); }
    const Vec3& portOf(std::size_t i, int port) const {
        const PipeObject& o = object(i);
        return port == 1 ? o.Port1 : port == 2 ? o.Port2 : port == 3 ? o.Port3 : o.Port4;
    }
    Point3 pipeDirection(std::size_t i) const { return unit(objects_[i].end - objects_[i].start); }
    Point3 onPipe(std::size_t i, double s) const {
        const Info& h = objects_[i];
        const double len = h.realLength;
        if (len <= 0.0) return h.start;
        return h.start + (h.end - h.start) * (s / len);
    }
    std::vector<std::size_t> loopObjects(int edge);
    void addLoopProblem(int edge, double size, Point3 a, Point3 b, bool closedPipe);

    const model::Drawing& d_;
    std::vector<Info> objects_;
    double cosA_ = 1, sinA_ = 0, cosB_ = 1, sinB_ = 0;
    double scale_ = kDefaultScale;
    bool scaleFromNumbers_ = false;
    double tableBore_ = 0.0;

    std::vector<Port> ports_;
    std::vector<int> nodeOfPort_;
    std::vector<Node> nodes_;

    std::vector<Edge> edges_;
    std::vector<std::vector<int>> adjacency_;
    std::vector<std::uint8_t> known_;
    std::vector<Point3> position_;
    std::vector<int> parentEdge_;
    std::vector<int> group_;
    std::vector<std::uint8_t>
        guessed_;  // placed through a guess: a closed pipe's drawn vector, a part not connected
    std::vector<double> costAt_;
    std::vector<std::uint8_t> checked_;
    std::vector<int> mark_;
    int markStamp_ = 0;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> queue_;
    std::uint64_t seq_ = 0;
    // Nodes on closed pipes, placed once both ends of the closed pipe are known.
    std::vector<int> closedHosted_;

    struct GroupSeed {
        int group;
        Point3 from, to;
        bool haveFrom;
    };
    std::vector<GroupSeed> groups_;
    std::vector<Problem> problems_;
};

Point3 Builder::invert(Sheet delta, double dz) const {
    const double sx = delta.x * scale_, sy = delta.y * scale_ - dz;
    const double det = cosA_ * sinB_ + sinA_ * cosB_;
    if (std::fabs(det) < 1e-6) return {sx, 0.0, dz};
    return {(sx * sinB_ - sy * cosB_) / det, (cosA_ * sy + sinA_ * sx) / det, dz};
}

void Builder::classify() {
    if (const auto b = readBore(d_.table.values[17].view())) tableBore_ = *b;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const PipeObject& o = object(i);
        Info& info = objects_[i];
        const auto role = roleOf(o);
        if (!role) continue;
        info.member = true;
        info.role = *role;
        info.bore = readBore(o.GuiGe.view()).value_or(tableBore_);
        if (o.is(ObjectKind::Fitting) && (o.SubType == 6 || o.SubType == 7)) {
            const double first = info.bore;
            const double second = readSecondBore(o.GuiGe.view()).value_or(first);
            // 大小头 runs from its large end, 小大头 from its small end.
            info.bore = o.SubType == 6 ? std::max(first, second) : std::min(first, second);
            info.bore2 = o.SubType == 6 ? std::min(first, second) : std::max(first, second);
        }
        if (info.role == Role::Run || info.role == Role::Closed) {
            info.placed = usable(o.Port1) && usable(o.Port2);
            info.a = sheetOf(o.Port1);
            info.b = sheetOf(o.Port2);
            info.sheetLength = sheetDistance(info.a, info.b);
            info.number = readLengthText(o.DistTxt.view());
        } else {
            info.placed = usable(o.Port1);
        }
        if (info.role != Role::Run) continue;
        const int d = codeOf(o.EndDir);
        if (d == 6) {
            // The plane's two offsets, in millimetres along its first and second axis.
            const int plane = codeOf(o.StrtDir);
            const double a = o.Port3.x, b = o.Port3.y;
            const Point3 v = plane == 0   ? Point3{b, 0, a}
                             : plane == 1 ? Point3{0, b, a}
                                          : Point3{a, b, 0};
            info.u = unit(v);
            info.L = info.number.value_or(norm(v));
            info.numbered = true;
        } else {
            info.u = axis(d);
            if (info.number) {
                info.L = *info.number;
                info.numbered = true;
            }
        }
    }
}

void Builder::estimateScale() {
    std::vector<double> ratios;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || info.role != Role::Run || !info.placed || !info.number) continue;
        if (codeOf(object(i).EndDir) > 5) continue;  // slanted: the sheet shows no true length
        const double drawn = object(i).Distanc > 0.0 ? object(i).Distanc : info.sheetLength;
        if (!(drawn > 1e-6) || drawn > kLongestDrawn) continue;
        ratios.push_back(*info.number / drawn);
    }
    if (!ratios.empty()) {
        auto mid = ratios.begin() + static_cast<long>(ratios.size() / 2);
        std::nth_element(ratios.begin(), mid, ratios.end());
        if (std::isfinite(*mid) && *mid > 0.0) {
            scale_ = *mid;
            scaleFromNumbers_ = true;
        }
    }
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || info.role != Role::Run || info.numbered) continue;
        double drawn = object(i).Distanc > 0.0 ? object(i).Distanc : info.sheetLength;
        if (!std::isfinite(drawn) || drawn > kLongestDrawn) drawn = 0.0;
        info.L = drawn * scale_;
        info.estimated = true;
    }
}

void Builder::collectPorts() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        const PipeObject& o = object(i);
        auto add = [&](int port) {
            const Vec3& p = portOf(i, port);
            if (!usable(p)) return;
            info.node[port - 1] =
                static_cast<int>(ports_.size());  // a port index until nodes exist
            ports_.push_back({i, port, sheetOf(p), p.z});
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

    // Points that coincide on the sheet are one point.
    UnionFind uf(ports_.size());
    std::unordered_map<std::uint64_t, std::vector<int>> grid;
    grid.reserve(ports_.size());
    for (std::size_t k = 0; k < ports_.size(); ++k) {
        const Sheet p = ports_[k].p;
        const auto ix = static_cast<std::int64_t>(std::floor(p.x / kSame));
        const auto iy = static_cast<std::int64_t>(std::floor(p.y / kSame));
        // A point drawn exactly where another one is joins it and adds nothing to look at.
        std::vector<int>& own = grid[cellKey(ix, iy)];
        const auto same = std::find_if(own.begin(), own.end(), [&](int other) {
            const Sheet q = ports_[static_cast<std::size_t>(other)].p;
            return q.x == p.x && q.y == p.y;
        });
        if (same != own.end()) {
            uf.join(static_cast<int>(k), *same);
            continue;
        }
        for (std::int64_t dx = -1; dx <= 1; ++dx)
            for (std::int64_t dy = -1; dy <= 1; ++dy) {
                const auto it = grid.find(cellKey(ix + dx, iy + dy));
                if (it == grid.end()) continue;
                for (int other : it->second)
                    if (sheetDistance(p, ports_[static_cast<std::size_t>(other)].p) <= kSame)
                        uf.join(static_cast<int>(k), other);
            }
        grid[cellKey(ix, iy)].push_back(static_cast<int>(k));
    }
    // The points of an elbow or a tee are its centre.
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
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

    std::vector<int> nodeOfRoot(ports_.size(), -1);
    nodeOfPort_.assign(ports_.size(), -1);
    for (std::size_t k = 0; k < ports_.size(); ++k) {
        const int root = uf.find(static_cast<int>(k));
        int& n = nodeOfRoot[static_cast<std::size_t>(root)];
        if (n < 0) {
            n = static_cast<int>(nodes_.size());
            nodes_.emplace_back();
        }
        nodes_[static_cast<std::size_t>(n)].ports.push_back(static_cast<int>(k));
        nodeOfPort_[k] = n;
    }
    for (Node& n : nodes_) {
        for (int k : n.ports) {
            const Port& p = ports_[static_cast<std::size_t>(k)];
            if (objects_[p.object].role == Role::Fitting) n.fitting = true;
            if (!isSurroundings(object(p.object))) n.surroundings = false;
        }
        n.rep = n.ports.front();
        for (int k : n.ports) {
            const Port& p = ports_[static_cast<std::size_t>(k)];
            if (p.port == 4 && objects_[p.object].role == Role::Fitting) {
                n.rep = k;  // the centre of a fitting stands for the node
                break;
            }
        }
    }
    for (Info& info : objects_)
        for (int& k : info.node)
            if (k >= 0) k = nodeOfPort_[static_cast<std::size_t>(k)];
}

void Builder::findHosts() {
    // Pipes by the cells of their drawn boxes.
    constexpr double kCell = 64.0;
    constexpr std::int64_t kMostCells = 4096;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> grid;
    std::vector<std::size_t> wide;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed || (info.role != Role::Run && info.role != Role::Closed))
            continue;
        if (info.sheetLength <= 2.0 * kSame)
            continue;  // too short to carry anything between its ends
        const auto x0 =
            static_cast<std::int64_t>(std::floor((std::min(info.a.x, info.b.x) - kSame) / kCell));
        const auto x1 =
            static_cast<std::int64_t>(std::floor((std::max(info.a.x, info.b.x) + kSame) / kCell));
        const auto y0 =
            static_cast<std::int64_t>(std::floor((std::min(info.a.y, info.b.y) - kSame) / kCell));
        const auto y1 =
            static_cast<std::int64_t>(std::floor((std::max(info.a.y, info.b.y) + kSame) / kCell));
        if ((x1 - x0 + 1) * (y1 - y0 + 1) > kMostCells) {
            wide.push_back(i);
            continue;
        }
        for (std::int64_t x = x0; x <= x1; ++x)
            for (std::int64_t y = y0; y <= y1; ++y) grid[cellKey(x, y)].push_back(i);
    }
    auto candidates = [&](Sheet p, auto&& visit) {
        const auto ix = static_cast<std::int64_t>(std::floor(p.x / kCell));
        const auto iy = static_cast<std::int64_t>(std::floor(p.y / kCell));
        if (const auto it = grid.find(cellKey(ix, iy)); it != grid.end())
            for (std::size_t i : it->second) visit(i);
        for (std::size_t i : wide) visit(i);
    };
    auto zAlong = [&](std::size_t i, double t) {
        const PipeObject& h = object(i);
        return h.Port1.z + (h.Port2.z - h.Port1.z) * t;
    };

    // Nodes on the drawn body of a pipe (a tee on a run that goes on, a closed pipe's end).
    for (std::size_t n = 0; n < nodes_.size(); ++n) {
        Node& node = nodes_[n];
        const Port& rep = ports_[static_cast<std::size_t>(node.rep)];
        bool pipeEnd = false;
        int teeRun = -1;
        bool onlyThings = true;
        for (int k : node.ports) {
            const Port& p = ports_[static_cast<std::size_t>(k)];
            const Info& owner = objects_[p.object];
            if (owner.role == Role::Run || owner.role == Role::Closed) pipeEnd = true;
            if (owner.role == Role::Fitting && object(p.object).is(ObjectKind::Tee))
                teeRun = codeOf(object(p.object).StrtDir);
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
        candidates(rep.p, [&](std::size_t i) {
            for (int k : node.ports)
                if (ports_[static_cast<std::size_t>(k)].object == i) return;  // its own end
            const Info& h = objects_[i];
            const Along al = alongSegment(rep.p, h.a, h.b);
            const double s = al.t * h.sheetLength;
            if (al.offLine > kSame || s <= kSame || s >= h.sheetLength - kSame) return;
            const double dz = std::fabs(zAlong(i, al.t) - rep.z);
            // A pipe's end on another pipe's body joins it only at the same elevation.
            if (pipeEnd && dz > kToleranceMm) return;
            const int dirMiss = teeRun >= 0 && teeRun != codeOf(object(i).EndDir) ? 1 : 0;
            const bool better = best.pipe < 0 || dirMiss < best.dirMiss ||
                                (dirMiss == best.dirMiss &&
                                 (dz < best.dz || (dz == best.dz && al.offLine < best.off)));
            if (better) best = {static_cast<long>(i), al.t, dirMiss, dz, al.offLine};
        });
        if (best.pipe >= 0) {
            node.host = best.pipe;
            node.hostT = best.t;
            node.hostClosed = objects_[static_cast<std::size_t>(best.pipe)].role == Role::Closed;
        }
    }

    // Things on a pipe: the pipe whose drawn body holds their anchor.
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        if (info.role != Role::InLine && info.role != Role::Point && info.role != Role::Weld)
            continue;
        const PipeObject& o = object(i);
        const Sheet p1 = sheetOf(o.Port1);
        const std::optional<Sheet> p2 =
            info.second ? std::optional<Sheet>(sheetOf(o.Port2)) : std::nullopt;
        struct Best {
            long pipe = -1;
            int midMiss = 0, dirMiss = 0;
            double dz = 0, off = 0, t1 = 0;
        } best;
        candidates(p1, [&](std::size_t k) {
            const Info& h = objects_[k];
            const Along al = alongSegment(p1, h.a, h.b);
            const double s = al.t * h.sheetLength;
            if (al.offLine > kSame || s < -kSame || s > h.sheetLength + kSame) return;
            int midMiss = 0;
            if (p2) {
                const Sheet mid{(p1.x + p2->x) / 2, (p1.y + p2->y) / 2};
                const Along m = alongSegment(mid, h.a, h.b);
                midMiss = m.offLine <= kSame && m.t >= 0.0 && m.t <= 1.0 ? 0 : 1;
            }
            const int dirMiss = codeOf(o.EndDir) == codeOf(object(k).EndDir) ? 0 : 1;
            const double dz = std::fabs(zAlong(k, al.t) - o.Port1.z);
            const bool better = best.pipe < 0 || midMiss < best.midMiss ||
                                (midMiss == best.midMiss &&
                                 (dirMiss < best.dirMiss ||
                                  (dirMiss == best.dirMiss &&
                                   (dz < best.dz || (dz == best.dz && al.offLine < best.off)))));
            if (better) best = {static_cast<long>(k), midMiss, dirMiss, dz, al.offLine, al.t};
        });
        if (best.pipe < 0) continue;
        info.host = best.pipe;
        info.t1 = best.t1;
        const Info& h = objects_[static_cast<std::size_t>(best.pipe)];
        info.t2 = p2 ? alongSegment(*p2, h.a, h.b).t : info.t1;
    }

    // A node is part of the walk unless it holds only points of things that sit on a pipe.
    for (Node& node : nodes_) {
        for (int k : node.ports) {
            const Port& p = ports_[static_cast<std::size_t>(k)];
            const Info& owner = objects_[p.object];
            const bool onPipe = (owner.role == Role::InLine || owner.role == Role::Point ||
                                 owner.role == Role::Weld) &&
                                owner.host >= 0;
            if (!onPipe) node.active = true;
        }
    }
}

void Builder::buildGraph() {
    const int nodeCount = static_cast<int>(nodes_.size());
    int vertices = nodeCount;
    for (Info& info : objects_)
        if (info.member && info.placed && info.role == Role::Run) info.vertex = vertices++;
    adjacency_.assign(static_cast<std::size_t>(vertices), {});
    auto add = [&](Edge e) {
        const int id = static_cast<int>(edges_.size());
        edges_.push_back(e);
        adjacency_[static_cast<std::size_t>(e.a)].push_back(id);
        adjacency_[static_cast<std::size_t>(e.b)].push_back(id);
    };
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
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
                   objects_[static_cast<std::size_t>(info.host)].role == Role::Run) {
            // A thing on a pipe ties the pipe to whatever else meets at its points, except at an
            // elbow or a tee, whose point is its centre rather than the thing's own place.
            const Info& h = objects_[static_cast<std::size_t>(info.host)];
            auto ties = [&](int n) {
                return n >= 0 && nodes_[static_cast<std::size_t>(n)].active &&
                       !nodes_[static_cast<std::size_t>(n)].fitting;
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
        const Node& node = nodes_[static_cast<std::size_t>(n)];
        if (node.host < 0) continue;
        if (node.hostClosed) {
            closedHosted_.push_back(n);
            continue;
        }
        const Info& h = objects_[static_cast<std::size_t>(node.host)];
        long other = static_cast<long>(ports_[static_cast<std::size_t>(node.rep)].object);
        add({h.vertex, n, EdgeKind::Host, static_cast<std::size_t>(node.host), other, node.hostT,
             kStatedCost, h.estimated});
    }
    known_.assign(static_cast<std::size_t>(vertices), 0);
    position_.assign(static_cast<std::size_t>(vertices), {});
    parentEdge_.assign(static_cast<std::size_t>(vertices), -1);
    group_.assign(static_cast<std::size_t>(vertices), -1);
    guessed_.assign(static_cast<std::size_t>(vertices), 0);
    costAt_.assign(static_cast<std::size_t>(vertices), 0.0);
    checked_.assign(edges_.size(), 0);
    mark_.assign(static_cast<std::size_t>(vertices), 0);
}

Point3 Builder::across(const Edge& e, int from) const {
    const Point3 p = position_[static_cast<std::size_t>(from)];
    const Info& pipe = objects_[e.object];
    const bool forward = from == e.a;
    switch (e.kind) {
        case EdgeKind::PipeStart:
            return p;
        case EdgeKind::PipeEnd:
            return forward ? p + pipe.u * pipe.L : p - pipe.u * pipe.L;
        case EdgeKind::Host:
            return forward ? p + pipe.u * (e.t * pipe.L) : p - pipe.u * (e.t * pipe.L);
        case EdgeKind::Closed: {
            const PipeObject& o = object(e.object);
            const Point3 v =
                invert({o.Port2.x - o.Port1.x, o.Port2.y - o.Port1.y}, o.Port2.z - o.Port1.z);
            return forward ? p + v : p - v;
        }
    }
    return p;
}

void Builder::relax(int v) {
    for (int id : adjacency_[static_cast<std::size_t>(v)]) {
        const Edge& e = edges_[static_cast<std::size_t>(id)];
        const int other = e.a == v ? e.b : e.a;
        if (known_[static_cast<std::size_t>(other)] && checked_[static_cast<std::size_t>(id)])
            continue;
        const bool guess = guessed_[static_cast<std::size_t>(v)] || e.kind == EdgeKind::Closed;
        queue_.push({costAt_[static_cast<std::size_t>(v)] + e.cost, seq_++, other, across(e, v), id,
                     guess});
    }
}

void Builder::walkFrom(int vertex, Point3 p, double cost, int group) {
    queue_.push({cost, seq_++, vertex, p, -1, group > 0});
    while (true) {
        while (!queue_.empty()) {
            const Entry entry = queue_.top();
            queue_.pop();
            const auto v = static_cast<std::size_t>(entry.vertex);
            if (!known_[v]) {
                known_[v] = 1;
                position_[v] = entry.p;
                parentEdge_[v] = entry.edge;
                group_[v] = group;
                guessed_[v] = entry.guess ? 1 : 0;
                costAt_[v] = entry.cost;
                relax(entry.vertex);
            } else if (entry.edge >= 0 && entry.edge != parentEdge_[v] &&
                       !checked_[static_cast<std::size_t>(entry.edge)]) {
                checked_[static_cast<std::size_t>(entry.edge)] = 1;
                compare(entry.edge, entry.vertex, entry.p);
            }
        }
        // Points on closed pipes whose two ends are now known.
        bool more = false;
        for (int n : closedHosted_) {
            if (known_[static_cast<std::size_t>(n)]) continue;
            const Node& node = nodes_[static_cast<std::size_t>(n)];
            const Info& c = objects_[static_cast<std::size_t>(node.host)];
            const int a = c.node[0], b = c.node[1];
            if (a < 0 || b < 0 || !known_[static_cast<std::size_t>(a)] ||
                !known_[static_cast<std::size_t>(b)])
                continue;
            const Point3 pa = position_[static_cast<std::size_t>(a)],
                         pb = position_[static_cast<std::size_t>(b)];
            const double c0 = std::max(costAt_[static_cast<std::size_t>(a)],
                                       costAt_[static_cast<std::size_t>(b)]);
            const bool guess =
                guessed_[static_cast<std::size_t>(a)] || guessed_[static_cast<std::size_t>(b)];
            queue_.push({c0 + kGuessCost, seq_++, n, pa + (pb - pa) * node.hostT, -1, guess});
            more = true;
        }
        if (!more) break;
    }
}

void Builder::compare(int edgeId, int v, Point3 arrival) {
    const Edge& e = edges_[static_cast<std::size_t>(edgeId)];
    const Point3 here = position_[static_cast<std::size_t>(v)];
    if (e.kind == EdgeKind::Closed) {
        const Info& c = objects_[e.object];
        if (!c.number) return;
        const Point3 pa = position_[static_cast<std::size_t>(e.a)],
                     pb = position_[static_cast<std::size_t>(e.b)];
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
        const Point3 u = objects_[e.object].u;
        size = norm(delta - u * dot(delta, u));
    }
    if (size > kToleranceMm) addLoopProblem(edgeId, size, arrival, here, false);
}

std::vector<std::size_t> Builder::loopObjects(int edgeId) {
    // The loop: from each end of the closing edge back along the walk to where the two ways
    // meet. Its objects are the pipes it runs along, the things that tie it to them and the
    // elbows and tees at its points.
    const Edge& closing = edges_[static_cast<std::size_t>(edgeId)];
    std::vector<std::size_t> out;
    auto take = [&](const Edge& e) {
        out.push_back(e.object);
        if (e.other >= 0) out.push_back(static_cast<std::size_t>(e.other));
    };
    auto visit = [&](int v) {
        if (static_cast<std::size_t>(v) >= nodes_.size()) return;
        for (int k : nodes_[static_cast<std::size_t>(v)].ports) {
            const std::size_t owner = ports_[static_cast<std::size_t>(k)].object;
            if (objects_[owner].role == Role::Fitting) out.push_back(owner);
        }
    };
    auto up = [&](int v) {
        const int pe = parentEdge_[static_cast<std::size_t>(v)];
        if (pe < 0) return -1;
        const Edge& e = edges_[static_cast<std::size_t>(pe)];
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
        take(edges_[static_cast<std::size_t>(parentEdge_[static_cast<std::size_t>(v)])]);
    }
    for (int v = closing.a; v >= 0 && v != meet; v = up(v)) {
        visit(v);
        if (parentEdge_[static_cast<std::size_t>(v)] >= 0)
            take(edges_[static_cast<std::size_t>(parentEdge_[static_cast<std::size_t>(v)])]);
    }
    std::sort(out.begin(), out.end());
    out.erase(std::unique(out.begin(), out.end()), out.end());
    return out;
}

void Builder::addLoopProblem(int edgeId, double size, Point3 a, Point3 b, bool closedPipe) {
    Problem p;
    p.kind = ProblemKind::Loop;
    p.objects = loopObjects(edgeId);
    p.mm = size;
    p.gap = std::make_pair(a, b);
    const std::size_t pipe = edges_[static_cast<std::size_t>(edgeId)].object;
    if (closedPipe) {
        p.message = text::format(
            "封闭管（对象 %lu）的长度文字为 %.0f mm，它连接的两点却相距 %.1f mm，相差 %.1f mm",
            static_cast<unsigned long>(pipe), *objects_[pipe].number,
            distance(
                position_[static_cast<std::size_t>(edges_[static_cast<std::size_t>(edgeId)].a)],
                position_[static_cast<std::size_t>(edges_[static_cast<std::size_t>(edgeId)].b)]),
            size);
    } else {
        p.message =
            text::format("管线在此闭合：两条路径推算出的同一点相差 %.1f mm（在对象 %lu 处）",
                         size, static_cast<unsigned long>(pipe));
    }
    problems_.push_back(std::move(p));
}

void Builder::walk() {
    // The origin: the start of the first pipeline object, at the elevation stored there.
    int origin = -1;
    for (std::size_t i = 0; i < objects_.size() && origin < 0; ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        if (info.role == Role::Run)
            origin = info.node[0] >= 0 ? info.node[0] : info.vertex;
        else if (info.node[0] >= 0)
            origin = info.node[0];
    }
    if (origin < 0) return;
    // A thing on a pipe at the very start stands for its pipe's point there.
    if (static_cast<std::size_t>(origin) < nodes_.size() &&
        !nodes_[static_cast<std::size_t>(origin)].active) {
        for (int k : nodes_[static_cast<std::size_t>(origin)].ports) {
            const Info& owner = objects_[ports_[static_cast<std::size_t>(k)].object];
            if (owner.host >= 0 &&
                objects_[static_cast<std::size_t>(owner.host)].role == Role::Run) {
                const Info& h = objects_[static_cast<std::size_t>(owner.host)];
                const Vec3& p = object(ports_[static_cast<std::size_t>(k)].object).Port1;
                walkFrom(h.vertex, Point3{0, 0, p.z} - h.u * (owner.t1 * h.L), 0.0, 0);
                origin = -1;
                break;
            }
        }
    }
    if (origin >= 0) {
        const double z =
            static_cast<std::size_t>(origin) < nodes_.size()
                ? ports_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(origin)].rep)].z
                : 0.0;
        walkFrom(origin, {0, 0, z}, 0.0, 0);
    }

    // Parts not connected to the rest: placed from the nearest known point on the sheet, with
    // the elevations stored in the drawing, as a guess.
    int group = 0;
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        int seed = -1;
        if (info.role == Role::Run) {
            if (!known_[static_cast<std::size_t>(info.vertex)])
                seed = info.node[0] >= 0 ? info.node[0] : info.vertex;
        } else if (info.host < 0 || info.role == Role::Fitting || info.role == Role::Closed) {
            for (int n : info.node)
                if (n >= 0 && nodes_[static_cast<std::size_t>(n)].active &&
                    !known_[static_cast<std::size_t>(n)]) {
                    seed = n;
                    break;
                }
        }
        if (seed < 0) continue;
        if (static_cast<std::size_t>(seed) >= nodes_.size()) {
            // A run without usable ends never happens: runs are placed only with both ends.
            continue;
        }
        const Port& rep =
            ports_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(seed)].rep)];
        double best = std::numeric_limits<double>::infinity();
        int nearest = -1;
        for (std::size_t n = 0; n < nodes_.size(); ++n) {
            if (!known_[n]) continue;
            const double dist =
                sheetDistance(rep.p, ports_[static_cast<std::size_t>(nodes_[n].rep)].p);
            if (dist < best) {
                best = dist;
                nearest = static_cast<int>(n);
            }
        }
        ++group;
        Point3 at{0, 0, rep.z};  // nothing known yet: a part of its own, from the origin
        GroupSeed g{group, {}, {}, false};
        if (nearest >= 0) {
            const Port& near =
                ports_[static_cast<std::size_t>(nodes_[static_cast<std::size_t>(nearest)].rep)];
            g.from = position_[static_cast<std::size_t>(nearest)];
            // Site marks keep no elevation of their own worth going by.
            const double dz =
                nodes_[static_cast<std::size_t>(seed)].surroundings ? 0.0 : rep.z - near.z;
            at = g.from + invert({rep.p.x - near.p.x, rep.p.y - near.p.y}, dz);
            g.haveFrom = true;
        }
        g.to = at;
        groups_.push_back(g);
        walkFrom(seed, at, kGroupCost * group, group);
    }
}

void Builder::assemblePipes() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        auto nodeAt = [&](int n) -> std::optional<Point3> {
            if (n < 0 || !known_[static_cast<std::size_t>(n)]) return std::nullopt;
            return position_[static_cast<std::size_t>(n)];
        };
        auto guessedAt = [&](int v) {
            return v >= 0 && guessed_[static_cast<std::size_t>(v)] != 0;
        };
        if (info.role == Role::Run) {
            const Point3 s = position_[static_cast<std::size_t>(info.vertex)];
            const Point3 own = s + info.u * info.L;
            info.start = s;
            info.end = own;
            const auto n1 = nodeAt(info.node[0]), n2 = nodeAt(info.node[1]);
            // Ends that agree with the points they meet are those points, so that whatever meets
            // there shares them exactly.
            if (n1 && distance(*n1, s) <= kToleranceMm) info.start = *n1;
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

void Builder::assembleFittings() {
    struct Candidate {
        Point3 away;
        long pipe = -1;
        bool pipeStart = false;  // the pipe starts here (else it ends here)
        bool host = false;
        double room = std::numeric_limits<double>::infinity();
        bool used = false;
    };
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || !info.placed || info.role != Role::Fitting) continue;
        const PipeObject& o = object(i);
        const bool tee = o.is(ObjectKind::Tee);
        int nodeId = -1;
        for (int n : info.node)
            if (n >= 0) nodeId = n;
        if (nodeId < 0 || !known_[static_cast<std::size_t>(nodeId)]) {
            info.placed = false;
            continue;
        }
        const Node& node = nodes_[static_cast<std::size_t>(nodeId)];
        const Point3 c = position_[static_cast<std::size_t>(nodeId)];
        info.centre = c;
        info.guessed = guessed_[static_cast<std::size_t>(nodeId)] != 0;

        std::vector<Candidate> candidates;
        for (int k : node.ports) {
            const Port& p = ports_[static_cast<std::size_t>(k)];
            const Info& owner = objects_[p.object];
            if ((owner.role != Role::Run && owner.role != Role::Closed) || !owner.placed ||
                p.port > 2)
                continue;
            const Point3 dir = pipeDirection(p.object);
            if (norm(dir) == 0.0) continue;
            candidates.push_back({p.port == 1 ? dir : dir * -1.0, static_cast<long>(p.object),
                                  p.port == 1, false, 0.5 * owner.realLength});
        }
        if (node.host >= 0 && objects_[static_cast<std::size_t>(node.host)].placed) {
            const Info& h = objects_[static_cast<std::size_t>(node.host)];
            const Point3 dir = pipeDirection(static_cast<std::size_t>(node.host));
            candidates.push_back(
                {dir, node.host, false, true, 0.5 * (1.0 - node.hostT) * h.realLength});
            candidates.push_back(
                {dir * -1.0, node.host, false, true, 0.5 * node.hostT * h.realLength});
        }
        for (int code = 0; code < 6; ++code) candidates.push_back({axis(code)});

        const Vec3& centreDrawn = o.Port4;
        const bool haveCentre = info.node[3] >= 0;
        const int sides = tee ? 3 : 2;
        const double size = info.bore > 0.0 ? info.bore : kNominalBore;
        const double leg = size * (tee ? kTeeLegPerBore : kElbowLegPerBore);
        for (int side = 0; side < sides; ++side) {
            const Vec3& drawn = portOf(i, side + 1);
            int chosen = -1;
            const Sheet v{drawn.x - centreDrawn.x, drawn.y - centreDrawn.y};
            const double vn = std::hypot(v.x, v.y);
            if (haveCentre && info.node[side] >= 0 && vn > 1e-6) {
                double bestCos = -2.0;
                for (std::size_t k = 0; k < candidates.size(); ++k) {
                    if (candidates[k].used) continue;
                    const Sheet s = sheetProjection(candidates[k].away);
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
                    const int code =
                        side == 2 || (!tee && side == 1) ? codeOf(o.EndDir) : codeOf(o.StrtDir);
                    const Point3 a = axis(code) * (side == 0 ? -1.0 : 1.0);
                    candidates.push_back({a});
                    chosen = static_cast<int>(candidates.size()) - 1;
                }
            }
            Candidate& cand = candidates[static_cast<std::size_t>(chosen)];
            if (cand.pipe >= 0) cand.used = true;
            const double length = std::max(0.0, std::min(leg, cand.room));
            const Point3 end = c + cand.away * length;
            info.legEnd[side] = end;
            if (cand.pipe >= 0 && !cand.host) {
                Info& pipe = objects_[static_cast<std::size_t>(cand.pipe)];
                if (cand.pipeStart && length >= pipe.trimStart) {
                    pipe.trimStart = length;
                    pipe.runStart = end;
                } else if (!cand.pipeStart && length >= pipe.trimEnd) {
                    pipe.trimEnd = length;
                    pipe.runEnd = end;
                }
            }
        }
        info.start = info.legEnd[0];
        info.end = info.legEnd[1];
        if (tee) info.branch = info.legEnd[2];
        if (node.host >= 0 && !node.hostClosed) info.host = node.host;
    }
}

void Builder::assembleThings() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        if (info.role != Role::InLine && info.role != Role::Point && info.role != Role::Weld)
            continue;
        const PipeObject& o = object(i);
        // A weld at an end of an elbow or a tee sits at the end of that leg.
        if (info.role == Role::Weld && info.node[0] >= 0) {
            bool done = false;
            for (int k : nodes_[static_cast<std::size_t>(info.node[0])].ports) {
                const Port& p = ports_[static_cast<std::size_t>(k)];
                const Info& f = objects_[p.object];
                if (f.role != Role::Fitting || !f.placed || p.port == 4) continue;
                if (sheetDistance(p.p, sheetOf(o.Port1)) > kSame) continue;
                info.start = info.end = f.legEnd[p.port - 1];
                info.guessed = f.guessed;
                info.host = -1;
                done = true;
                break;
            }
            if (done) continue;
        }
        if (info.host >= 0 && objects_[static_cast<std::size_t>(info.host)].placed) {
            const Info& h = objects_[static_cast<std::size_t>(info.host)];
            info.guessed = h.guessed;
            if (info.role == Role::Point) {
                info.start = onPipe(static_cast<std::size_t>(info.host),
                                    std::clamp(info.t1, 0.0, 1.0) * h.realLength);
                info.end = info.second ? onPipe(static_cast<std::size_t>(info.host),
                                                std::clamp(info.t2, 0.0, 1.0) * h.realLength)
                                       : info.start;
            }
            continue;  // in-line things and welds are packed along their pipe
        }
        info.host = -1;
        const int n1 = info.node[0], n2 = info.node[1];
        if (n1 < 0 || !known_[static_cast<std::size_t>(n1)]) {
            info.placed = false;
            continue;
        }
        info.start = position_[static_cast<std::size_t>(n1)];
        info.end = info.second && n2 >= 0 && known_[static_cast<std::size_t>(n2)]
                       ? position_[static_cast<std::size_t>(n2)]
                       : info.start;
        info.guessed = guessed_[static_cast<std::size_t>(n1)] != 0;
    }
}

void Builder::pack() {
    struct Item {
        std::size_t object;
        double lo, length;
        bool reversed;
    };
    std::vector<std::vector<Item>> movable(objects_.size());
    std::vector<std::vector<Item>> fixed(objects_.size());
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed || info.host < 0) continue;
        const Info& h = objects_[static_cast<std::size_t>(info.host)];
        if (!h.placed) continue;
        const Point3 dir = pipeDirection(static_cast<std::size_t>(info.host));
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
            const PipeObject& o = object(i);
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
    for (std::size_t p = 0; p < objects_.size(); ++p) {
        if (movable[p].empty() && fixed[p].empty()) continue;
        Info& h = objects_[p];
        double from = h.trimStart, to = h.realLength - h.trimEnd;
        if (from > to) from = to = (from + to) / 2.0;
        // The ends of the stretch are the pipe's own run ends, exactly, so that whatever
        // touches them shares them.
        auto pointAt = [&](double s) {
            if (s == from && h.runStart) return *h.runStart;
            if (s == to && h.runEnd) return *h.runEnd;
            return onPipe(p, s);
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
                Info& thing = objects_[m.object];
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

void Builder::checkTexts() {
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed) continue;
        const PipeObject& o = object(i);
        if (info.role == Role::Run || info.role == Role::Closed) {
            if (info.number) continue;
            std::string shown = utf8(o.DistTxt.view());
            if (shown.find_first_not_of(' ') == std::string::npos) shown = "（空）";
            Problem p;
            p.kind = ProblemKind::LengthText;
            p.objects = {i};
            if (info.role == Role::Closed)
                p.message = text::format("封闭管的长度文字“%s”不是数字，按它连接的两点取 %.0f mm",
                                         shown, info.realLength);
            else if (codeOf(o.EndDir) == 6)
                p.message = text::format("平面斜管的长度文字“%s”不是数字，按它的两个偏移取 %.0f mm",
                                         shown, info.realLength);
            else
                p.message = text::format("管段的长度文字“%s”不是数字，按图上比例估算为 %.0f mm",
                                         shown, info.realLength);
            problems_.push_back(std::move(p));
            continue;
        }
        const auto mark = readElevationMark(o.DistTxt.view());
        if (!mark) continue;
        const Point3 at = info.centre ? *info.centre : info.start;
        const double size = std::fabs(at.z - *mark);
        if (size <= kToleranceMm) continue;
        Problem p;
        p.kind = ProblemKind::Elevation;
        p.objects = {i};
        p.mm = size;
        p.gap = std::make_pair(Point3{at.x, at.y, *mark}, at);
        p.message = text::format("标高标注“%s”为 %.3f m，推算出的标高为 %.3f m，相差 %.0f mm",
                                 utf8(o.DistTxt.view()), *mark / 1000.0, at.z / 1000.0, size);
        problems_.push_back(std::move(p));
    }
}

void Builder::reportGroups() {
    auto groupOfNode = [&](int n) {
        return n >= 0 && known_[static_cast<std::size_t>(n)] ? group_[static_cast<std::size_t>(n)]
                                                             : -1;
    };
    std::vector<int> groupOf(objects_.size(), -1);
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed || info.role != Role::Run) continue;
        groupOf[i] = group_[static_cast<std::size_t>(info.vertex)];
    }
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        const Info& info = objects_[i];
        if (!info.member || !info.placed || info.role == Role::Run) continue;
        if (info.host >= 0) {
            groupOf[i] = groupOf[static_cast<std::size_t>(info.host)];
            if (groupOf[i] < 0 && info.node[0] >= 0) groupOf[i] = groupOfNode(info.node[0]);
            continue;
        }
        for (int n : info.node)
            if (const int g = groupOfNode(n); g >= 0) {
                groupOf[i] = g;
                break;
            }
    }
    for (const GroupSeed& g : groups_) {
        std::vector<std::size_t> members;
        bool piping = false;
        for (std::size_t i = 0; i < objects_.size(); ++i) {
            if (groupOf[i] != g.group) continue;
            members.push_back(i);
            if (!isSurroundings(object(i))) piping = true;
        }
        if (!piping || members.empty()) continue;
        Problem p;
        p.kind = ProblemKind::Unconnected;
        p.objects = members;
        if (g.haveFrom) {
            p.mm = distance(g.from, g.to);
            p.gap = std::make_pair(g.from, g.to);
            p.message = text::format(
                "%lu 个对象与管线其余部分不相连；按图上比例估算，与最近处相距约 %.0f mm",
                static_cast<unsigned long>(members.size()), *p.mm);
        } else {
            p.message = text::format("%lu 个对象与管线其余部分不相连",
                                     static_cast<unsigned long>(members.size()));
        }
        problems_.push_back(std::move(p));
    }
    std::vector<std::size_t> unusable;
    for (std::size_t i = 0; i < objects_.size(); ++i)
        if (objects_[i].member && !objects_[i].placed && !isSurroundings(object(i)))
            unusable.push_back(i);
    if (!unusable.empty()) {
        Problem p;
        p.kind = ProblemKind::Unconnected;
        p.objects = unusable;
        p.message = text::format("%lu 个对象的图上坐标无法使用，不能放进管线",
                                 static_cast<unsigned long>(unusable.size()));
        problems_.push_back(std::move(p));
    }
}

RealModel Builder::result() {
    RealModel m;
    m.scale = scale_;
    m.scaleFromNumbers = scaleFromNumbers_;
    m.position.assign(objects_.size(), -1);
    for (std::size_t i = 0; i < objects_.size(); ++i) {
        Info& info = objects_[i];
        if (!info.member) continue;
        const PipeObject& o = object(i);
        RealObject r;
        r.index = i;
        r.MainType = o.MainType;
        r.SubType = o.SubType;
        r.role = info.role;
        r.look = lookOf(o, info.role);
        r.placed = info.placed;
        if (info.placed) {
            r.start = info.start;
            r.end = info.end;
            r.centre = info.centre;
            r.branch = info.branch;
            r.estimated = info.estimated || info.guessed;
            r.runStart = info.runStart.value_or(info.start);
            r.runEnd = info.runEnd.value_or(info.end);
            r.along = std::move(info.along);
            r.host = info.host;
        }
        if (info.role == Role::Run || info.role == Role::Closed) r.length = info.realLength;
        r.bore = info.bore;
        r.bore2 = info.bore2 > 0.0 ? info.bore2 : info.bore;
        if (o.is(ObjectKind::Weld)) r.weldNumber = o.Number;
        m.position[i] = static_cast<long>(m.objects.size());
        m.objects.push_back(std::move(r));
    }
    std::stable_sort(problems_.begin(), problems_.end(), [](const Problem& a, const Problem& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        const std::size_t fa = a.objects.empty() ? 0 : a.objects.front();
        const std::size_t fb = b.objects.empty() ? 0 : b.objects.front();
        return fa < fb;
    });
    m.problems = std::move(problems_);
    return m;
}

RealModel Builder::build() {
    classify();
    estimateScale();
    collectPorts();
    findHosts();
    buildGraph();
    walk();
    assemblePipes();
    assembleFittings();
    assembleThings();
    pack();
    checkTexts();
    reportGroups();
    return result();
}

}  // namespace

RealModel buildRealModel(const model::Drawing& drawing) {
    return Builder(drawing).build();
}

}  // namespace tubra::spatial
