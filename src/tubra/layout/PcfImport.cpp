#include "tubra/layout/PcfImport.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <map>
#include <optional>
#include <set>
#include <unordered_map>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/edit/Construction.h"
#include "tubra/edit/PropertyForms.h"
#include "tubra/exchange/PcfSymbols.h"
#include "tubra/layout/PcfNetwork.h"
#include "tubra/layout/PipeSizes.h"
#include "tubra/layout/SheetLayout.h"
#include "tubra/model/Kinds.h"
#include "tubra/view/Directions.h"
#include "tubra/view/SymbolLibrary.h"
#include "tubra/view/ViewState.h"

namespace tubra::layout {

using exchange::PcfFile;
using exchange::PcfRecord;
using model::ObjectKind;
using model::PipeObject;
using model::Vec3;

namespace {

// The elbow, tee and component lengths the drawing tools write into new objects.
constexpr double kToolLength = 200.0;
// Free texts: the program's own text block, a little smaller.
constexpr double kNoteHeight = 30.0;
constexpr double kNoteCharWidth = 15.0;
// Room kept between the sheet's frame and tables and the pipeline, for labels (sheet units).
constexpr double kLabelRoom = 130.0;
// The widest the characteristic table may be: its longest label and a value of 40 bytes in the
// widths its painter sizes the table with.
constexpr double kTableWidth = (16 + 40) * 13.0 + 65.0;

std::string utf8(std::string_view gbk) {
    return text::gbkToUtf8(gbk);
}

Vec3 vec(Sheet s, double z) {
    return Vec3(s.x, s.y, z);
}

// A free text's box on the sheet (y up): its reference point is the top-left corner.
struct TextBox {
    double x0, y0, x1, y1;
    bool overlaps(const TextBox& o, double margin) const {
        return x0 - margin < o.x1 && o.x0 < x1 + margin && y0 - margin < o.y1 && o.y0 < y1 + margin;
    }
};

double distanceToSegment(double px, double py, Sheet a, Sheet b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((px - a.x) * dx + (py - a.y) * dy) / l2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double ex = px - (a.x + t * dx), ey = py - (a.y + t * dy);
    return std::sqrt(ex * ex + ey * ey);
}

double distanceToBox(const TextBox& box, Sheet a, Sheet b) {
    // Crossing the box, or the nearest of its corners and edges to the segment.
    auto inside = [&](Sheet p) {
        return p.x >= box.x0 && p.x <= box.x1 && p.y >= box.y0 && p.y <= box.y1;
    };
    if (inside(a) || inside(b)) return 0.0;
    double d = std::numeric_limits<double>::infinity();
    const Sheet corners[] = {
        {box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}};
    for (const Sheet& c : corners) d = std::min(d, distanceToSegment(c.x, c.y, a, b));
    auto cross = [](Sheet o, Sheet p, Sheet q) {
        return (p.x - o.x) * (q.y - o.y) - (p.y - o.y) * (q.x - o.x);
    };
    for (int i = 0; i < 4; ++i) {
        const Sheet c = corners[i], e = corners[(i + 1) % 4];
        const double d1 = cross(c, e, a), d2 = cross(c, e, b), d3 = cross(a, b, c),
                     d4 = cross(a, b, e);
        if (((d1 > 0) != (d2 > 0)) && ((d3 > 0) != (d4 > 0))) return 0.0;
    }
    for (const Sheet& p : {a, b})
        d = std::min(d, std::max({box.x0 - p.x, p.x - box.x1, box.y0 - p.y, p.y - box.y1, 0.0}));
    return d;
}

class Emitter {
  public:
    Emitter(const PcfFile& f, const Network& n, const SheetLayout& l, const ImportOptions& o,
            model::Drawing& d)
        : f_(f), net_(n), lay_(l), opt_(o), d_(d), axes_{o.alpha, o.beta} {}

    void run(ImportWarnings& warnings);

  private:
    struct SegmentModel {
        Point3 start;
        Point3 dir;
        double length = 0.0;
    };

    Sheet junctionPoint(int j) const { return lay_.junctions[static_cast<std::size_t>(j)]; }
    // Where run r is drawn for the real position s along it, and the pipe segment holding it.
    Sheet drawnAt(std::size_t r, double s, std::size_t* segment = nullptr) const;
    double realZ(std::size_t r, double s) const {
        const Span& sp = net_.spans[r];
        return sp.a.z + sp.u.z * s;
    }
    // The direction code of run r seen from junction j (its own, or the opposite when it ends
    // there).
    int codeFrom(std::size_t r, int j) const {
        const RunLayout& run = lay_.runs[r];
        return net_.spans[r].from == j ? run.code : view::oppositeDirection(run.code);
    }
    Sheet awayFrom(std::size_t r, int j) const {
        const Sheet d = lay_.runs[r].dir;
        return net_.spans[r].from == j ? d : Sheet{-d.x, -d.y};
    }
    int symbolDirection(std::size_t r) const;
    int axisCode(Sheet dir) const;
    const PcfRecord* pipeRecordAt(std::size_t r, double s) const;
    void setPipeData(PipeObject& o, const PcfRecord* record, const exchange::PcfPoint* end);
    void emitJunction(int j);
    void emitFitting(int j);
    void emitJunctionItems(int j);
    void emitRun(std::size_t r);
    void emitItem(std::size_t r, const Item& item);
    void addWeld(Vec3 at, double direction, std::size_t record, const PcfRecord* sizeFrom);
    // A symbol at a point ends where it is drawn to end, as the placing tools set it.
    void endAtExit(PipeObject& o) const {
        PipeObject query = o;
        query.Port2.x = view::kNoSecondAnchor;
        const auto exit = view::symbolExitPoint(query, {lay_.symbolZoom, 1.0, axes_});
        o.Port2 = exit ? Vec3(exit->x, exit->y, o.Port1.z) : o.Port1;
    }
    // A free text beside `anchor`, placed once everything is drawn (placeNotes).
    void note(Sheet anchor, const std::string& textUtf8);
    void placeNotes();
    // Whether a free text stays inside the frame, clear of the tables and the axis symbol.
    bool onSheet(const TextBox& box) const;
    std::string label(const PcfRecord& r) const;
    void titleAndTable();
    void levelMarks();

    const PcfFile& f_;
    const Network& net_;
    const SheetLayout& lay_;
    const ImportOptions& opt_;
    model::Drawing& d_;
    view::AxisAngles axes_;
    std::vector<std::vector<SegmentModel>> models_;
    std::vector<char> junctionDone_;
    std::vector<char> fittingDone_;
    std::vector<std::vector<long>> pipes_;  // run → list indexes of its pipe objects
    std::vector<std::pair<Sheet, std::string>> notesWanted_;
    std::vector<std::pair<Sheet, Sheet>> lines_;  // drawn runs, for free texts to keep clear
    std::vector<TextBox> symbols_;
    std::set<int> elevationShown_;
    std::size_t welds_ = 0;
    std::size_t impliedWelds_ = 0;
};

Sheet Emitter::drawnAt(std::size_t r, double s, std::size_t* segment) const {
    const RunLayout& run = lay_.runs[r];
    const Span& sp = net_.spans[r];
    std::size_t k = 0;
    while (k + 1 < run.segments.size() && s > run.segments[k].s1) ++k;
    if (segment) *segment = k;
    const SegmentModel& m = models_[r][k];
    const RunSegment& seg = run.segments[k];
    const Point3 real = sp.a + sp.u * s;
    double t = m.length > 0.0 ? spatial::dot(real - m.start, m.dir) / m.length : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double d = seg.d0 + t * (seg.d1 - seg.d0);
    const Sheet from = junctionPoint(sp.from);
    return {from.x + run.dir.x * d, from.y + run.dir.y * d};
}

int Emitter::axisCode(Sheet dir) const {
    return view::SnapToAxis(axes_, Vec3(), Vec3(dir.x * 100.0, dir.y * 100.0, 0.0)).direction;
}

int Emitter::symbolDirection(std::size_t r) const {
    const RunLayout& run = lay_.runs[r];
    if (run.code >= 0 && run.code <= 5) return run.code;
    // Symbols are drawn along an axis: the one nearest the slanted run.
    return axisCode(run.dir);
}

const PcfRecord* Emitter::pipeRecordAt(std::size_t r, double s) const {
    const Span& sp = net_.spans[r];
    const PcfRecord* best = nullptr;
    double bestD = std::numeric_limits<double>::infinity();
    for (std::size_t i : sp.pipes) {
        const PcfRecord& p = f_.records[i];
        for (const exchange::PcfPoint& e : p.endPoints) {
            const double at = spatial::dot(Point3{e.x, e.y, e.z} - sp.a, sp.u);
            if (std::fabs(at - s) < bestD) {
                bestD = std::fabs(at - s);
                best = &p;
            }
        }
    }
    if (!best && sp.fitting >= 0) best = &f_.records[static_cast<std::size_t>(sp.fitting)];
    return best;
}

void Emitter::setPipeData(PipeObject& o, const PcfRecord* record, const exchange::PcfPoint* end) {
    if (!record) return;
    const exchange::PcfPoint& e = end ? *end
                                  : record->endPoints.empty()
                                      ? (record->centre ? *record->centre : exchange::PcfPoint{})
                                      : record->endPoints.front();
    const std::string size = sizeOf(*record, f_, e);
    if (!size.empty()) o.GuiGe = size;
    o.CaiLiao = materialOf(*record, f_);
    const double wall = wallOf(o.GuiGe.view());
    // The measured wall the program's own export writes.
    if (const std::string* w = record->attribute("COMPONENT-ATTRIBUTE4");
        w && writtenByThisProgram(*record) && std::strtod(w->c_str(), nullptr) > 0.0)
        o.BiHou = std::strtod(w->c_str(), nullptr);
    else if (wall > 0.0)
        o.BiHou = wall;
    o.StartUse = "";
    o.LastCheck = "";
}

std::string Emitter::label(const PcfRecord& r) const {
    // The label the program's own export writes.
    if (writtenByThisProgram(r)) {
        const std::string* l = r.attribute("COMPONENT-ATTRIBUTE3");
        return l && !l->empty() ? *l : std::string(" ");
    }
    // Valves and instruments are labelled with a tag, else a short item code (a valve's model,
    // as plant programs often keep it); flanges, reducers and caps with nothing.
    if (r.identifier != "VALVE" && r.identifier != "VALVE-ANGLE" && r.identifier != "INSTRUMENT")
        return " ";
    for (const exchange::PcfAttribute& a : r.attributes)
        if (a.key.find("TAG") != std::string::npos && !a.value.empty()) return a.value;
    if (!r.itemCode.empty() && r.itemCode.size() <= 16) return r.itemCode;
    return " ";
}

void Emitter::addWeld(Vec3 at, double direction, std::size_t record, const PcfRecord* sizeFrom) {
    PipeObject& w = edit::addWeld(d_, at, direction);
    ++welds_;
    if (sizeFrom) {
        const std::string size = sizeOf(
            *sizeFrom, f_,
            sizeFrom->endPoints.empty() ? exchange::PcfPoint{} : sizeFrom->endPoints.front());
        if (!size.empty()) w.GuiGe = size;
        const double wall = wallOf(w.GuiGe.view());
        if (wall > 0.0) w.BiHou = wall;
    }
    if (record < f_.records.size() && f_.records[record].identifier == "WELD") {
        if (const std::string* e = f_.records[record].attribute("COMPONENT-ATTRIBUTE1"))
            w.CaiLiao = *e;
    } else {
        ++impliedWelds_;
    }
}

bool Emitter::onSheet(const TextBox& box) const {
    const platform::Size page = view::pageExtent(opt_.pageSize);
    const double w = page.cx, h = page.cy;
    if (box.x0 < 110 || box.x1 > w - 110 || box.y1 > -110 || box.y0 < -(h - 110)) return false;
    const TextBox axisSymbol{100, -360, 360, -100},
        table{w - 100 - kTableWidth, -100 - 18 * 41, w - 100, -100},
        titleBlock{w - 700, -(h - 100), w - 100, 300 - h};
    return !box.overlaps(axisSymbol, 4) && !box.overlaps(table, 4) && !box.overlaps(titleBlock, 4);
}

void Emitter::note(Sheet anchor, const std::string& textUtf8) {
    notesWanted_.push_back({anchor, text::utf8ToGbk(textUtf8)});
}

void Emitter::placeNotes() {
    // Everything free texts keep clear of, in a grid of cells.
    constexpr double kCell = 128.0, kEnough = 12.0, kLook = 24.0;
    struct Cell {
        std::vector<std::size_t> lines, boxes;
    };
    std::unordered_map<std::uint64_t, Cell> grid;
    auto key = [](long x, long y) {
        return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(x)) << 32) |
               static_cast<std::uint32_t>(y);
    };
    auto cells = [&](double x0, double y0, double x1, double y1, auto&& fn) {
        const long cx0 = static_cast<long>(std::floor(x0 / kCell)),
                   cx1 = static_cast<long>(std::floor(x1 / kCell));
        const long cy0 = static_cast<long>(std::floor(y0 / kCell)),
                   cy1 = static_cast<long>(std::floor(y1 / kCell));
        if ((cx1 - cx0 + 1) * (cy1 - cy0 + 1) > 4096) return;
        for (long x = cx0; x <= cx1; ++x)
            for (long y = cy0; y <= cy1; ++y) fn(key(x, y));
    };
    std::vector<TextBox> boxes = symbols_;
    std::vector<bool> isNote(boxes.size(), false);
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const auto& [p, q] = lines_[i];
        cells(std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y),
              [&](std::uint64_t k) { grid[k].lines.push_back(i); });
    }
    auto addBox = [&](std::size_t i) {
        const TextBox& b = boxes[i];
        cells(b.x0, b.y0, b.x1, b.y1, [&](std::uint64_t k) { grid[k].boxes.push_back(i); });
    };
    for (std::size_t i = 0; i < boxes.size(); ++i) addBox(i);
    std::vector<std::size_t> stampLine(lines_.size(), 0), stampBox;
    std::size_t query = 0;
    for (const auto& [anchor, gbk] : notesWanted_) {
        const double w = static_cast<double>(gbk.size()) * kNoteCharWidth, h = kNoteHeight;
        // Places around the anchor, nearest first; the first clear of pipes, symbols and texts.
        std::optional<TextBox> chosen;
        double bestClear = -1.0;
        for (double radius : {30.0, 55.0, 85.0, 120.0, 160.0}) {
            for (int step = 0; step < 12; ++step) {
                const double a = step * 30.0 * view::kDegToRad;
                const double cx = anchor.x + std::cos(a) * (radius + w / 2),
                             cy = anchor.y + std::sin(a) * (radius + h / 2);
                const TextBox box{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
                if (!onSheet(box)) continue;
                double clear = kLook;
                ++query;
                stampBox.resize(boxes.size(), 0);
                cells(box.x0 - kLook, box.y0 - kLook, box.x1 + kLook, box.y1 + kLook,
                      [&](std::uint64_t k) {
                          const auto it = grid.find(k);
                          if (it == grid.end()) return;
                          for (std::size_t i : it->second.lines) {
                              if (stampLine[i] == query) continue;
                              stampLine[i] = query;
                              clear = std::min(
                                  clear, distanceToBox(box, lines_[i].first, lines_[i].second));
                          }
                          for (std::size_t i : it->second.boxes) {
                              if (stampBox[i] == query) continue;
                              stampBox[i] = query;
                              if (isNote[i] && box.overlaps(boxes[i], 6.0))
                                  clear = -1.0;
                              else if (!isNote[i] && box.overlaps(boxes[i], 2.0))
                                  clear = std::min(clear, 0.0);
                          }
                      });
                if (clear > bestClear) {
                    bestClear = clear;
                    chosen = box;
                }
                if (clear >= kEnough) break;
            }
            if (bestClear >= kEnough) break;
        }
        if (!chosen) continue;
        PipeObject o = edit::TextForm::newBlock(Vec3(chosen->x0, chosen->y1, 0.0));
        o.DistTxt = gbk;
        o.Port3.y = kNoteHeight;
        o.BiHou = 0.0;
        d_.objects.addCopy(o);
        boxes.push_back(*chosen);
        isNote.push_back(true);
        addBox(boxes.size() - 1);
    }
}

void Emitter::emitFitting(int j) {
    const Junction& jn = net_.junctions[static_cast<std::size_t>(j)];
    if (fittingDone_[static_cast<std::size_t>(j)]) return;
    fittingDone_[static_cast<std::size_t>(j)] = 1;
    if (jn.record < 0) return;
    const PcfRecord& rec = f_.records[static_cast<std::size_t>(jn.record)];
    const Sheet k = junctionPoint(j);
    const double z = jn.p.z;
    const std::vector<int>& runs = jn.spans;
    auto temp = [&](Sheet from, Sheet to, int code, double plane) {
        PipeObject p(model::CreationValues{model::kindValue(ObjectKind::Pipe), 0,
                                           static_cast<double>(code), vec(from, z), vec(to, z),
                                           100.0, plane});
        return p;
    };
    if (jn.kind == JunctionKind::Elbow && runs.size() >= 2) {
        const std::size_t ra = static_cast<std::size_t>(runs[0]),
                          rb = static_cast<std::size_t>(runs[1]);
        const double r = lay_.elbowOffset;
        const Sheet wa = awayFrom(ra, j), wb = awayFrom(rb, j);
        const Sheet c{k.x + wa.x * r, k.y + wa.y * r}, e{k.x + wb.x * r, k.y + wb.y * r};
        const RunLayout& la = lay_.runs[ra];
        PipeObject a = temp({c.x + wa.x * 100.0, c.y + wa.y * 100.0}, c,
                            view::oppositeDirection(codeFrom(ra, j)),
                            la.shape == RunShape::Plane ? la.plane : -1.0);
        PipeObject b = temp(e, {e.x + wb.x * 100.0, e.y + wb.y * 100.0}, codeFrom(rb, j), -1.0);
        PipeObject elbow = edit::makeElbow(a, b, r, kToolLength);
        // The tool's corner and outlet are where the layout put them.
        elbow.Port4 = vec(k, z);
        elbow.Port2 = vec(e, z);
        elbow.Port1.z = elbow.Port2.z = elbow.Port3.z = elbow.Port4.z = z;
        PipeObject& listed = d_.objects.addCopy(elbow);
        setPipeData(listed, &rec, nullptr);
        const bool vertical =
            listed.StrtDir == 0 || listed.StrtDir == 1 || listed.EndDir == 0 || listed.EndDir == 1;
        if (vertical) {
            listed.DistTxt = text::gbk("▽") + text::format("%.2f", z / 1000.0) + "m";
            elevationShown_.insert(j);
        } else {
            listed.DistTxt = " ";
        }
        return;
    }
    if ((jn.kind == JunctionKind::Tee || jn.kind == JunctionKind::Olet) && !runs.empty()) {
        // Which of the runs is the branch: the one towards the branch point.
        const Point3 branchDir = [&] {
            const exchange::PcfPoint& b = *rec.branch;
            return Point3{b.x - jn.p.x, b.y - jn.p.y, b.z - jn.p.z};
        }();
        std::size_t branch = static_cast<std::size_t>(runs[0]);
        double best = -2.0;
        for (int r : runs) {
            const Span& sp = net_.spans[static_cast<std::size_t>(r)];
            const Point3 away = sp.from == j ? sp.u : sp.u * -1.0;
            const double c =
                spatial::dot(away, branchDir) / std::max(spatial::norm(branchDir), 1e-9);
            if (c > best) {
                best = c;
                branch = static_cast<std::size_t>(r);
            }
        }
        std::vector<std::size_t> run;
        for (int r : runs)
            if (static_cast<std::size_t>(r) != branch) run.push_back(static_cast<std::size_t>(r));
        const Sheet wb = awayFrom(branch, j);
        Sheet w1{-wb.y, wb.x};
        int code1 = -1;
        if (!run.empty()) {
            w1 = awayFrom(run[0], j);
            code1 = codeFrom(run[0], j);
        }
        const Sheet w2{-w1.x, -w1.y};
        PipeObject a = temp({k.x + w2.x * 100.0, k.y + w2.y * 100.0},
                            {k.x + w1.x * 100.0, k.y + w1.y * 100.0}, code1 >= 0 ? code1 : 2, -1.0);
        PipeObject b = temp(k, {k.x + wb.x * 100.0, k.y + wb.y * 100.0}, codeFrom(branch, j), -1.0);
        PipeObject tee = edit::makeTee(a, vec(k, z), b, lay_.elbowOffset, kToolLength);
        PipeObject& listed = d_.objects.addCopy(tee);
        setPipeData(listed, &rec, nullptr);
    }
}

void Emitter::emitJunctionItems(int j) {
    const Junction& jn = net_.junctions[static_cast<std::size_t>(j)];
    const Sheet k = junctionPoint(j);
    // The run that reaches the junction (for the direction of what sits at its end).
    const std::size_t run = jn.spans.empty() ? 0 : static_cast<std::size_t>(jn.spans.front());
    static const PcfRecord kNoRecord;
    for (const Item& it : jn.items) {
        const PcfRecord& rec = it.record < f_.records.size() ? f_.records[it.record] : kNoRecord;
        switch (it.kind) {
            case ItemKind::Weld:
                addWeld(vec(k, jn.p.z), jn.spans.empty() ? -1.0 : lay_.runs[run].code, it.record,
                        jn.spans.empty() ? nullptr : pipeRecordAt(run, 0.0));
                break;
            case ItemKind::EndConnection: {
                const std::string* ref = rec.attribute("CONNECTION-REFERENCE");
                if (!ref || ref->empty()) ref = rec.attribute("PIPELINE-REFERENCE");
                if (rec.identifier == "END-CONNECTION-EQUIPMENT" && !jn.spans.empty()) {
                    // The vessel the line ends at, beyond the end.
                    const Sheet into = awayFrom(run, j);
                    const int dir = axisCode({-into.x, -into.y});
                    PipeObject& mark = d_.addObject({model::kindValue(ObjectKind::SiteMark), 41,
                                                     static_cast<double>(dir), vec(k, jn.p.z),
                                                     Vec3(), kToolLength, -1.0});
                    endAtExit(mark);
                    mark.DistTxt = ref && !ref->empty() ? std::string(text::gbkCut(*ref, 60))
                                                        : std::string(" ");
                } else if (ref && !ref->empty()) {
                    note(k, "接 " + utf8(*ref));
                }
                break;
            }
            case ItemKind::Message:
                if (const std::string* t = rec.attribute("TEXT"); t && !t->empty())
                    note(k, utf8(*t));
                break;
            case ItemKind::InLine:
            case ItemKind::Support:
            case ItemKind::Gauge: {
                // A cap or blind at the end, a support or gauge at a point where runs meet.
                if (jn.spans.empty() || it.symbol == 0) break;
                const int dir = symbolDirection(run);
                const auto kind = model::kindOfSymbol(it.symbol).value_or(ObjectKind::Fitting);
                PipeObject& o =
                    d_.addObject({model::kindValue(kind), it.symbol, static_cast<double>(dir),
                                  vec(k, jn.p.z), Vec3(), kToolLength, -1.0});
                endAtExit(o);
                if (kind != ObjectKind::Accessory) {
                    setPipeData(o, &rec, nullptr);
                    o.DistTxt = label(rec);
                }
                break;
            }
            case ItemKind::FlowArrow:
                break;
        }
    }
}

void Emitter::emitJunction(int j) {
    if (junctionDone_[static_cast<std::size_t>(j)]) return;
    junctionDone_[static_cast<std::size_t>(j)] = 1;
    emitFitting(j);
    emitJunctionItems(j);
}

void Emitter::emitItem(std::size_t r, const Item& it) {
    const Span& sp = net_.spans[r];
    const RunLayout& run = lay_.runs[r];
    static const PcfRecord kNoRecord;
    const PcfRecord& rec = it.record < f_.records.size() ? f_.records[it.record] : kNoRecord;
    switch (it.kind) {
        case ItemKind::InLine: {
            if (it.symbol == 0) return;
            const Sheet p1 = drawnAt(r, it.s0), p2 = drawnAt(r, it.s1);
            int symbol = it.symbol;
            if (symbol == 6 || symbol == 7) {
                // 大小头 runs from its large end, 小大头 from its small end.
                const auto& e = rec.endPoints;
                if (e.size() >= 2) {
                    const double first = it.reversed ? e[1].bore : e[0].bore;
                    const double second = it.reversed ? e[0].bore : e[1].bore;
                    symbol = first >= second ? 6 : 7;
                }
            }
            const int dir = symbolDirection(r);
            const auto kind = model::kindOfSymbol(symbol).value_or(ObjectKind::Fitting);
            double outlet = -1.0;
            if (symbol == 54) {
                // An angle valve turns into the run that leaves its centre.
                const Junction& jn = net_.junctions[static_cast<std::size_t>(sp.to)];
                for (int other : jn.spans)
                    if (static_cast<std::size_t>(other) != r)
                        outlet = codeFrom(static_cast<std::size_t>(other), sp.to);
            }
            PipeObject& o = d_.addObject({model::kindValue(kind), symbol, static_cast<double>(dir),
                                          vec(p1, realZ(r, it.s0)), vec(p2, realZ(r, it.s1)),
                                          kToolLength, outlet});
            setPipeData(o, &rec, nullptr);
            if ((symbol == 6 || symbol == 7) && rec.endPoints.size() >= 2) {
                // Both sizes, the larger first.
                const std::string a = sizeOf(rec, f_, rec.endPoints[0]),
                                  b = sizeOf(rec, f_, rec.endPoints[1]);
                const bool firstLarger = rec.endPoints[0].bore >= rec.endPoints[1].bore;
                if (!a.empty() && !b.empty() && a != b)
                    o.GuiGe = firstLarger ? a + "-" + b : b + "-" + a;
            }
            o.DistTxt = label(rec);
            const double lambda = symbolLength(symbol, dir, lay_.symbolZoom, axes_);
            symbols_.push_back({std::min(p1.x, p1.x + run.dir.x * lambda) - 20,
                                std::min(p1.y, p1.y + run.dir.y * lambda) - 20,
                                std::max(p1.x, p1.x + run.dir.x * lambda) + 20,
                                std::max(p1.y, p1.y + run.dir.y * lambda) + 20});
            return;
        }
        case ItemKind::Weld: {
            Sheet at = drawnAt(r, it.s0);
            if (it.atFitting) {
                // At the end of the fitting's leg, as the program's automatic welds sit.
                const int j = it.atFitting < 0 ? sp.from : sp.to;
                const Junction& jn = net_.junctions[static_cast<std::size_t>(j)];
                const Sheet k = junctionPoint(j), w = awayFrom(r, j);
                if (jn.kind == JunctionKind::Elbow || jn.kind == JunctionKind::Tee ||
                    jn.kind == JunctionKind::Olet)
                    at = {k.x + w.x * lay_.elbowOffset, k.y + w.y * lay_.elbowOffset};
            }
            addWeld(vec(at, realZ(r, it.s0)), run.code, it.record, pipeRecordAt(r, it.s0));
            return;
        }
        case ItemKind::Support:
        case ItemKind::Gauge: {
            if (it.symbol == 0) return;
            const Sheet p = drawnAt(r, it.s0);
            const auto kind = model::kindOfSymbol(it.symbol).value_or(ObjectKind::Accessory);
            PipeObject& o = d_.addObject({model::kindValue(kind), it.symbol,
                                          static_cast<double>(symbolDirection(r)),
                                          vec(p, realZ(r, it.s0)), Vec3(), kToolLength, -1.0});
            endAtExit(o);
            if (kind != ObjectKind::Accessory) {
                setPipeData(o, &rec, nullptr);
                o.DistTxt = label(rec);
            }
            symbols_.push_back({p.x - 40, p.y - 40, p.x + 40, p.y + 40});
            return;
        }
        case ItemKind::FlowArrow: {
            std::size_t k = 0;
            const Sheet p = drawnAt(r, it.s0, &k);
            if (k >= pipes_[r].size()) return;
            PipeObject& pipe = d_.objects.at(static_cast<std::size_t>(pipes_[r][k]));
            // Along the run unless the arrow says otherwise.
            double sign = 1.0;
            if (const std::string* dir = rec.attribute("DIRECTION")) {
                const std::string dup = text::gbkLower(*dir);
                Point3 v{};
                if (std::sscanf(dup.c_str(), "%lf %lf %lf", &v.x, &v.y, &v.z) == 3) {
                } else if (dup.find("east") != std::string::npos)
                    v = {1, 0, 0};
                else if (dup.find("west") != std::string::npos)
                    v = {-1, 0, 0};
                else if (dup.find("north") != std::string::npos)
                    v = {0, 1, 0};
                else if (dup.find("south") != std::string::npos)
                    v = {0, -1, 0};
                else if (dup.find("up") != std::string::npos)
                    v = {0, 0, 1};
                else if (dup.find("down") != std::string::npos)
                    v = {0, 0, -1};
                if (spatial::dot(v, sp.u) < 0.0) sign = -1.0;
            }
            pipe.Port4 = Vec3(p.x, p.y, sign);
            return;
        }
        case ItemKind::Message:
            if (const std::string* t = rec.attribute("TEXT"); t && !t->empty())
                note(drawnAt(r, it.s0), utf8(*t));
            return;
        case ItemKind::EndConnection:
            return;
    }
}

void Emitter::emitRun(std::size_t r) {
    const Span& sp = net_.spans[r];
    const RunLayout& run = lay_.runs[r];
    const Sheet from = junctionPoint(sp.from);
    const bool first = d_.objects.empty();
    if (!first) emitJunction(sp.from);
    for (std::size_t k = 0; k < run.segments.size(); ++k) {
        const RunSegment& seg = run.segments[k];
        const Sheet p1{from.x + run.dir.x * seg.d0, from.y + run.dir.y * seg.d0};
        const Sheet p2{from.x + run.dir.x * seg.d1, from.y + run.dir.y * seg.d1};
        PipeObject pipe(model::CreationValues{
            model::kindValue(ObjectKind::Pipe), sp.branch ? 1 : 0, static_cast<double>(run.code),
            vec(p1, realZ(r, seg.s0)), vec(p2, realZ(r, seg.s1)),
            std::hypot(p2.x - p1.x, p2.y - p1.y),
            run.shape == RunShape::Plane ? static_cast<double>(run.plane) : -1.0});
        if (run.shape == RunShape::Plane) {
            pipe.Port3.x = run.offsetA;
            pipe.Port3.y = run.offsetB;
        }
        pipe.DistTxt = seg.lengthText;
        const PcfRecord* rec = pipeRecordAt(r, (seg.s0 + seg.s1) / 2.0);
        PipeObject& listed = d_.objects.addCopy(pipe);
        setPipeData(listed, rec, nullptr);
        pipes_[r].push_back(static_cast<long>(d_.objects.size()) - 1);
        lines_.emplace_back(p1, p2);
        // Where its length text goes (beside a vertical pipe, above any other): free texts
        // keep off it.
        const double w = static_cast<double>(seg.lengthText.size()) * 12.0 + 10.0;
        const Sheet mid{(p1.x + p2.x) / 2, (p1.y + p2.y) / 2};
        if (run.code == 0 || run.code == 1)
            symbols_.push_back({mid.x - 55, mid.y - w / 2, mid.x - 5, mid.y + w / 2});
        else
            symbols_.push_back({mid.x - w / 2, mid.y + 10, mid.x + w / 2, mid.y + 70});
        if (first && k == 0) emitJunction(sp.from);
    }
    for (const Item& it : sp.items) emitItem(r, it);
    // An open end: what it connects to.
    if (net_.junctions[static_cast<std::size_t>(sp.to)].spans.size() == 1) emitJunction(sp.to);
    if (run.shape == RunShape::Plane || run.shape == RunShape::Space) {
        // The slant of the run beside its middle.
        const Point3 v = run.modelTo - run.modelFrom;
        std::string text;
        if (run.shape == RunShape::Plane) {
            const double a = std::fabs(run.offsetA), b = std::fabs(run.offsetB);
            const double angle =
                (run.plane == 2 ? std::atan2(b, a) : std::atan2(a, b)) * 180.0 / 3.14159265358979;
            text = "∠" + lengthText(std::round(angle * 10.0) / 10.0) + "°";
        } else {
            auto part = [](double d, const char* plus, const char* minus) {
                return std::string(d >= 0 ? plus : minus) + lengthText(std::fabs(d));
            };
            text =
                part(v.x, "东", "西") + " " + part(v.y, "北", "南") + " " + part(v.z, "上", "下");
        }
        const Sheet mid = drawnAt(r, sp.length / 2.0);
        note(mid, text);
    }
}

void Emitter::levelMarks() {
    // The elevation at the start of each part and wherever the level changes, where no elbow's
    // own mark shows it.
    auto changesLevel = [&](std::size_t r) {
        const RunLayout& run = lay_.runs[r];
        return std::fabs(run.modelTo.z - run.modelFrom.z) > kJoinTolerance;
    };
    std::set<int> marked = elevationShown_;
    auto mark = [&](int j) {
        if (!marked.insert(j).second) return;
        const Junction& jn = net_.junctions[static_cast<std::size_t>(j)];
        note(junctionPoint(j), "▽" + text::format("%.2f", jn.p.z / 1000.0) + "m");
    };
    for (int start : net_.partStarts) mark(start);
    for (std::size_t r = 0; r < net_.spans.size(); ++r) {
        if (!changesLevel(r)) continue;
        mark(net_.spans[r].from);
        mark(net_.spans[r].to);
    }
}

void Emitter::titleAndTable() {
    model::TitleBlock& title = d_.title;
    title.setLabels();
    const std::string reference(text::trimBlanks(f_.reference));
    title.values[2] = std::string(text::gbkCut(reference, 39));
    if (!reference.empty())
        title.values[5] = std::string(text::gbkCut(reference + text::gbk("管线单线图"), 39));
    title.values[3] = opt_.date;
    model::CharacteristicTable& table = d_.table;
    table.values[1] = std::string(text::gbkCut(reference, 40));
    for (const exchange::PcfAttribute& a : f_.pipelineAttributes) {
        if (a.value.empty()) continue;
        if (a.key.find("PRESS") != std::string::npos && table.values[4].empty())
            table.values[4] = std::string(text::gbkCut(a.value, 40));
        else if (a.key.find("TEMP") != std::string::npos && table.values[5].empty())
            table.values[5] = std::string(text::gbkCut(a.value, 40));
        else if (a.key.find("INSULATION") != std::string::npos && table.values[7].empty())
            table.values[7] = std::string(text::gbkCut(a.value, 40));
    }
    // Where the line starts and ends: what its open ends connect to.
    std::vector<std::string> ends;
    for (const Junction& jn : net_.junctions)
        for (const Item& it : jn.items) {
            if (it.kind != ItemKind::EndConnection) continue;
            const PcfRecord& rec = f_.records[it.record];
            const std::string* ref = rec.attribute("CONNECTION-REFERENCE");
            if (!ref || ref->empty()) ref = rec.attribute("PIPELINE-REFERENCE");
            if (ref && !ref->empty()) ends.push_back(std::string(text::trimBlanks(*ref)));
        }
    if (!ends.empty()) {
        const std::string span =
            ends.size() == 1 ? ends.front() : ends.front() + text::gbk("—") + ends.back();
        table.values[6] = std::string(text::gbkCut(span, 40));
    }
    // The pipes' material and sizes.
    std::map<std::string, int> materials;
    std::vector<std::string> sizes;
    for (const PipeObject& o : std::as_const(d_.objects)) {
        if (!o.is(ObjectKind::Pipe)) continue;
        if (!o.CaiLiao.empty()) ++materials[std::string(o.CaiLiao.view())];
        const std::string size(o.GuiGe.view());
        if (!size.empty() && std::find(sizes.begin(), sizes.end(), size) == sizes.end())
            sizes.push_back(size);
    }
    if (!materials.empty())
        table.values[16] = std::string(text::gbkCut(
            std::max_element(materials.begin(), materials.end(),
                             [](const auto& a, const auto& b) { return a.second < b.second; })
                ->first,
            40));
    std::string joined;
    for (const std::string& s : sizes) {
        const std::string next = joined.empty() ? s : joined + text::gbk("、") + s;
        if (next.size() > 40) break;
        joined = next;
    }
    table.values[17] = joined;
}

void Emitter::run(ImportWarnings& warnings) {
    const std::size_t nr = net_.spans.size();
    models_.resize(nr);
    pipes_.resize(nr);
    for (std::size_t r = 0; r < nr; ++r) {
        const RunLayout& run = lay_.runs[r];
        Point3 m = run.modelFrom;
        for (const RunSegment& seg : run.segments) {
            SegmentModel sm;
            sm.start = m;
            sm.length = seg.length;
            switch (run.shape) {
                case RunShape::Axis:
                    sm.dir = run.axis;
                    break;
                default: {
                    const Point3 v = run.modelTo - run.modelFrom;
                    const double n = spatial::norm(v);
                    sm.dir = n > 0 ? v * (1.0 / n) : Point3{1, 0, 0};
                    break;
                }
            }
            m = m + sm.dir * seg.length;
            models_[r].push_back(sm);
        }
    }
    junctionDone_.assign(net_.junctions.size(), 0);
    fittingDone_.assign(net_.junctions.size(), 0);
    // Runs first drawn as lines, so that free texts keep clear of all of them.
    for (std::size_t r = 0; r < nr; ++r) {
        const Sheet a = junctionPoint(net_.spans[r].from), b = junctionPoint(net_.spans[r].to);
        lines_.emplace_back(a, b);
    }
    for (std::size_t r = 0; r < nr; ++r) emitRun(r);
    for (std::size_t j = 0; j < net_.junctions.size(); ++j) emitJunction(static_cast<int>(j));
    levelMarks();
    placeNotes();
    titleAndTable();
    if (impliedWelds_ > 0)
        warnings.push_back(
            text::format("文件里没有焊缝（WELD），按焊接的接头补画了 %lu 道焊缝",
                         static_cast<unsigned long>(impliedWelds_)));
}

std::string namesWithCounts(const std::map<std::string, std::size_t>& names) {
    std::string out;
    for (const auto& [name, count] : names) {
        if (!out.empty()) out += "、";
        out +=
            text::gbkToUtf8(name) + text::format("（%lu 处）", static_cast<unsigned long>(count));
    }
    return out;
}

// The free area of the sheet: inside the frame, left of the characteristic table, below the
// axis indicator, with room for the labels.
SheetArea freeArea(const PcfFile& file, int pageSize) {
    const platform::Size page = view::pageExtent(pageSize);
    // The table is as wide as its longest label and value (the values are not known before the
    // layout: the longest a value may be).
    (void)file;
    SheetArea a;
    a.left = 100.0 + kLabelRoom;
    a.right = page.cx - 100.0 - kTableWidth - kLabelRoom;
    a.top = -330.0 - kLabelRoom / 2;
    a.bottom = -(page.cy - 100.0) + kLabelRoom;
    return a;
}

}  // namespace

SheetOptions sheetOptions(const PcfFile& file, const ImportOptions& options) {
    SheetOptions so;
    so.axes = {options.alpha, options.beta};
    so.symbolZoom = 4.0;
    so.elbowOffset = 16.0;
    so.area = freeArea(file, options.pageSize);
    return so;
}

bool fitsPageAtFullSize(const PcfFile& file, const ImportOptions& options) {
    const Network net = buildNetwork(file);
    return !net.spans.empty() && fitsAtFullSize(net, sheetOptions(file, options));
}

platform::Result<ImportWarnings> importPcf(const PcfFile& file, const ImportOptions& options,
                                           model::Drawing& drawing, model::DrawingSettings& settings) {
    const Network net = buildNetwork(file);
    if (net.spans.empty()) return platform::Error("PCF 文件里没有能画出的管线（没有首尾相接的管子和管件）");
    ImportWarnings warnings;
    const SheetOptions so = sheetOptions(file, options);
    const SheetLayout lay = layOutSheet(net, so);

    drawing.objects.removeAll();
    drawing.title = {};
    drawing.table.clear();
    drawing.PageSize = options.pageSize;
    drawing.X_AxisAngle = options.alpha;
    drawing.Y_AxisAngle = options.beta;
    drawing.ZoomPara = 1.0;
    settings.DrawZoom_GJFM = lay.symbolZoom;
    settings.m_wantouR = lay.elbowOffset;
    settings.m_santongChang = lay.elbowOffset;

    Emitter(file, net, lay, options, drawing).run(warnings);

    // What the user should know about the file and the drawing.
    if (!file.skippedRecords.empty() || !file.skippedAttributes.empty()) {
        std::string skipped = "跳过了";
        if (!file.skippedRecords.empty())
            skipped += "不认识的记录：" + namesWithCounts(file.skippedRecords);
        if (!file.skippedRecords.empty() && !file.skippedAttributes.empty()) skipped += "；";
        if (!file.skippedAttributes.empty())
            skipped += "不认识的属性：" + namesWithCounts(file.skippedAttributes);
        warnings.push_back(skipped);
    }
    std::map<std::string, std::size_t> generic;
    for (const PcfRecord& r : file.records) {
        const auto c = exchange::pcfSymbolOf(r.identifier, r.skey, r.description);
        if (c.generic)
            ++generic[r.identifier + " " + (r.skey.empty() ? text::gbk("（无 SKEY）") : r.skey) +
                      text::gbk(" → ") + text::gbk(model::symbolName(c.symbol))];
    }
    if (!generic.empty())
        warnings.push_back("以下符号键（SKEY）不认识，按最接近的通用符号画出：" +
                                  namesWithCounts(generic));
    if (!net.unplaced.empty()) {
        std::string lines;
        for (std::size_t k = 0; k < net.unplaced.size() && k < 8; ++k) {
            const PcfRecord& r = file.records[net.unplaced[k]];
            lines += (k ? "、" : "") + r.identifier +
                     text::format("（第 %lu 行）", static_cast<unsigned long>(r.line));
        }
        if (net.unplaced.size() > 8) lines += " 等";
        warnings.push_back(text::format("%lu 个焊缝、支架等不在管线上，没有画出：",
                                               static_cast<unsigned long>(net.unplaced.size())) +
                                  lines);
    }
    if (net.partStarts.size() > 1) {
        std::string gaps;
        for (std::size_t p = 0; p < lay.partGaps.size() && p < 8; ++p)
            gaps += text::format("%s第 %lu 部分与前面最近处相距 %.0f mm", p ? "，" : "",
                                 static_cast<unsigned long>(p + 2), lay.partGaps[p]);
        warnings.push_back(text::format("管线分成 %lu 个互不相连的部分，依次画在图上",
                                               static_cast<unsigned long>(net.partStarts.size())) +
                                  (gaps.empty() ? std::string() : "：" + gaps));
    }
    if (net.leftOut > 0)
        warnings.push_back(text::format("螺栓、垫片不画（%lu 个），垫片的厚度计入管长",
                                               static_cast<unsigned long>(net.leftOut)));
    if (lay.joinsLeft > 0)
        warnings.push_back(text::format(
            "图面太密：有 %d 处管段的端点画到了别的管段上，程序会把它们当成相连（请改用 A3 "
            "图纸，或把管线分成几张图）",
            lay.joinsLeft));
    if (lay.crossingsLeft > lay.joinsLeft)
        warnings.push_back(text::format("有 %d 处管段在图上交叉或碰到一起，而实际并不相交",
                                               lay.crossingsLeft - lay.joinsLeft));
    if (lay.squeezed)
        warnings.push_back("组件太多，按最小的尺寸也画不下，整张图已缩小，符号可能重叠");
    return warnings;
}

}  // namespace tubra::layout
