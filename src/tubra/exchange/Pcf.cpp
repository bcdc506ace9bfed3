#include "tubra/exchange/Pcf.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <unordered_set>

#include "platform/AtomicFile.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Kinds.h"

namespace tubra::exchange {

using model::ObjectKind;
using model::PipeObject;
using spatial::Point3;
using spatial::RealObject;
using spatial::Role;

namespace {

class Writer {
  public:
    Writer(const model::Drawing& d, const spatial::RealModel& m) : d_(d), m_(m) {}

    std::string run(const PcfOptions& options);

  private:
    void line(std::string_view s) {
        out_ += s;
        out_ += "\r\n";
    }
    static std::string number(double v) {
        double r = std::round(v * 10.0) / 10.0;
        if (r == 0.0) r = 0.0;  // no "-0.0"
        return text::format("%.1f", r);
    }
    static std::string bore(double b) {
        if (!(b > 0.0)) return "0";
        return std::fabs(b - std::round(b)) < 1e-9 ? text::format("%.0f", b)
                                                   : text::format("%.1f", b);
    }
    static std::string point(const Point3& p) {
        return number(p.x) + " " + number(p.y) + " " + number(p.z);
    }
    void pointLine(std::string_view key, const Point3& p, double b) {
        line("    " + std::string(key) + " " + point(p) + " " + bore(b));
    }
    // A text attribute, on one line; left out when blank.
    void textLine(std::string_view key, std::string_view gbk) {
        std::string v(gbk);
        for (char& c : v)
            if (c == '\r' || c == '\n' || c == '\t') c = ' ';
        const auto first = v.find_first_not_of(' ');
        if (first == std::string::npos) return;
        v = v.substr(first, v.find_last_not_of(' ') - first + 1);
        line("    " + std::string(key) + " " + v);
    }
    void attributes(const RealObject& r);
    // A message box of the isometric at `at`, for the reader to see what does not fit.
    void message(const Point3& at, std::string_view kind, const std::string& utf8);
    void problems();
    void pipePiece(const RealObject& pipe, const Point3& a, const Point3& b);
    void component(const RealObject& r);
    void pipe(const RealObject& r);

    const model::Drawing& d_;
    const spatial::RealModel& m_;
    std::string out_;
    // Elbows the pipeline turns back through: no elbow, a message in their place.
    std::unordered_set<std::size_t> turnsBack_;
};

std::string description(const PipeObject& o) {
    if (o.is(ObjectKind::Pipe)) return text::gbk(o.SubType == 1 ? "支线管" : "主线管");
    const model::KindRow* kind = model::kindRow(o.MainType);
    return text::gbk(kind && !kind->symbols ? kind->name : model::symbolName(o.SubType));
}

void Writer::attributes(const RealObject& r) {
    const PipeObject& o = d_.objects.at(r.index);
    textLine("ITEM-DESCRIPTION", description(o));
    textLine("COMPONENT-ATTRIBUTE1", o.CaiLiao.view());
    textLine("COMPONENT-ATTRIBUTE2", o.GuiGe.view());
    // The label of valves and fittings (their model, e.g. Z41H), the model of pipes.
    if (o.is(ObjectKind::Pipe))
        textLine("COMPONENT-ATTRIBUTE3", o.XingHao.view());
    else if (o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting))
        textLine("COMPONENT-ATTRIBUTE3", o.DistTxt.view());
    const bool walled = o.is(ObjectKind::Pipe) || o.is(ObjectKind::Elbow) ||
                        o.is(ObjectKind::Tee) || o.is(ObjectKind::Weld);
    if (walled && std::isfinite(o.BiHou) && o.BiHou > 0.0)
        line("    COMPONENT-ATTRIBUTE4 " + text::format("%.2f", o.BiHou));
    if (o.is(ObjectKind::Weld)) line("    COMPONENT-ATTRIBUTE5 " + text::format("%d", o.Number));
    line("    COMPONENT-ATTRIBUTE10 " + text::format("%lu", static_cast<unsigned long>(r.index)));
}

void Writer::pipePiece(const RealObject& r, const Point3& a, const Point3& b) {
    line("PIPE");
    pointLine("END-POINT", a, r.bore);
    pointLine("END-POINT", b, r.bore);
    attributes(r);
}

void Writer::component(const RealObject& r) {
    const model::PcfKey c = model::pcfKeyOf(r.MainType, r.SubType);
    if (c.identifier.empty() || turnsBack_.count(r.index)) return;
    line(c.identifier);
    if (c.identifier == "SUPPORT") {
        pointLine("CO-ORDS", r.start, r.bore);
    } else {
        // A reducer's second bore is at its end, a tee's at its branch.
        const bool reducer = c.identifier == "REDUCER-CONCENTRIC";
        pointLine("END-POINT", r.start, r.bore);
        pointLine("END-POINT", r.end, reducer ? r.bore2 : r.bore);
        if (r.centre) line("    CENTRE-POINT " + point(*r.centre));
        if (r.branch) pointLine("BRANCH1-POINT", *r.branch, r.bore2);
    }
    line("    SKEY " + std::string(c.skey));
    if (r.MainType == static_cast<int>(ObjectKind::Elbow) && r.centre) {
        const Point3 a = r.start - *r.centre, b = r.end - *r.centre;
        const double na = spatial::norm(a), nb = spatial::norm(b);
        if (na > 0.0 && nb > 0.0) {
            const double between =
                std::acos(std::clamp(spatial::dot(a, b) / (na * nb), -1.0, 1.0)) * 180.0 /
                std::numbers::pi;
            const double bend = 180.0 - between;
            if (std::fabs(bend - 90.0) > 0.005)
                line("    ANGLE " + text::format("%.0f", bend * 100.0));
        }
    }
    attributes(r);
}

void Writer::pipe(const RealObject& r) {
    const Point3 dir = r.end - r.start;
    auto offset = [&](const Point3& p) { return spatial::dot(p - r.start, dir); };
    Point3 cursor = r.runStart;
    for (std::size_t index : r.along) {
        const RealObject* thing = m_.find(index);
        if (!thing || !thing->placed) continue;
        // What the file has no key for is left out, and the pipe runs on through it.
        if (model::pcfKeyOf(thing->MainType, thing->SubType).identifier.empty()) continue;
        const bool forward = offset(thing->start) <= offset(thing->end);
        const Point3& lo = forward ? thing->start : thing->end;
        const Point3& hi = forward ? thing->end : thing->start;
        if (point(lo) != point(cursor) && offset(lo) > offset(cursor)) pipePiece(r, cursor, lo);
        component(*thing);
        cursor = hi;
    }
    if (point(r.runEnd) != point(cursor) && offset(r.runEnd) > offset(cursor))
        pipePiece(r, cursor, r.runEnd);
}

void Writer::message(const Point3& at, std::string_view kind, const std::string& utf8) {
    line("MESSAGE-SQUARE");
    line("    CO-ORDS " + point(at));
    std::string textLine = text::utf8ToGbk(std::string(kind) + "：" + utf8);
    for (char& ch : textLine)
        if (ch == '\r' || ch == '\n' || ch == '\t') ch = ' ';
    line("    TEXT " + textLine);
}

// Where the drawing does not agree with itself, the file keeps every pipe on its axis and puts
// the disagreement in one place, with the problem list's own words: a loop that does not close
// leaves its gap where the last pipe of the loop ends; a U-turn has no elbow.
void Writer::problems() {
    for (const spatial::Problem& p : m_.problems) {
        if (p.kind == spatial::ProblemKind::Loop && p.gap) {
            message(p.gap->first, "闭合差", p.message);
        } else if (p.kind == spatial::ProblemKind::UTurn) {
            for (std::size_t i : p.objects) {
                const RealObject* r = m_.find(i);
                if (r && r->placed && r->centre && turnsBack_.count(i)) message(*r->centre, "折返", p.message);
            }
        }
    }
}

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    return std::string(s.substr(first, s.find_last_not_of(" \t") - first + 1));
}

std::string Writer::run(const PcfOptions& options) {
    line("ISOGEN-FILES ISOGEN.FLS");
    line("UNITS-BORE MM");
    line("UNITS-CO-ORDS MM");
    line("UNITS-WEIGHT KGS");
    line("UNITS-BOLT-DIA MM");
    line("UNITS-BOLT-LENGTH MM");
    // 管线编号, else 管线名称, else what the caller gives (the file name).
    std::string reference = trimmed(d_.table.values[1].view());
    if (reference.empty()) reference = trimmed(d_.table.values[0].view());
    if (reference.empty()) reference = trimmed(options.fallbackReference);
    if (reference.empty()) reference = "PIPELINE";
    line("PIPELINE-REFERENCE " + reference);

    for (const spatial::Problem& p : m_.problems)
        if (p.kind == spatial::ProblemKind::UTurn)
            for (std::size_t i : p.objects)
                if (const RealObject* r = m_.find(i); r && r->role == Role::Fitting)
                    turnsBack_.insert(i);
    std::unordered_set<std::size_t> alongPipes;
    for (const RealObject& r : m_.objects)
        for (std::size_t i : r.along) alongPipes.insert(i);
    for (const RealObject& r : m_.objects) {
        if (!r.placed || alongPipes.count(r.index)) continue;
        if (r.role == Role::Run || r.role == Role::Closed)
            pipe(r);
        else
            component(r);
    }
    problems();
    return std::move(out_);
}

}  // namespace

std::string pcfText(const model::Drawing& drawing, const spatial::RealModel& model,
                    const PcfOptions& options) {
    return Writer(drawing, model).run(options);
}

std::vector<std::size_t> pcfLeftOut(const model::Drawing& drawing) {
    std::vector<std::size_t> out;
    for (std::size_t i = 0; i < drawing.objects.size(); ++i) {
        const PipeObject& o = drawing.objects.at(i);
        const model::KindRow* kind = model::kindRow(o.MainType);
        if (kind && kind->symbols && kind->materials && !model::symbolRowOf(o.MainType, o.SubType) &&
            model::pcfKeyOf(o.MainType, o.SubType).identifier.empty())
            out.push_back(i);
    }
    return out;
}

platform::Result<> savePcf(const std::filesystem::path& path, const model::Drawing& drawing,
                        const spatial::RealModel& model, const PcfOptions& options) {
    return platform::writeFileAtomically(path, pcfText(drawing, model, options));
}

}  // namespace tubra::exchange
