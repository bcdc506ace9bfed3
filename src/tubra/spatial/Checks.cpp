// The checks of the texts against what was worked out, the parts not connected, and the
// result.

#include <algorithm>
#include <cmath>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/spatial/Passes.h"
#include "tubra/spatial/Texts.h"

namespace tubra::spatial::passes {

using model::ObjectKind;
using model::PipeObject;

namespace {

std::string utf8(std::string_view gbk) {
    return text::gbkToUtf8(gbk);
}

}  // namespace

void checkTexts(Rebuild& r) {
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed) continue;
        const PipeObject& o = r.object(i);
        if (info.role == Role::Run || info.role == Role::Closed) {
            if (info.number) continue;
            std::string shown = utf8(o.DistTxt.view());
            if (shown.find_first_not_of(' ') == std::string::npos) shown = "（空）";
            Problem p;
            p.kind = ProblemKind::LengthText;
            p.objects = {i};
            const std::string why(model::lengthTextFaultText(info.fault));
            if (info.role == Role::Closed)
                p.message = text::format("封闭管的长度文字“%s”%s，按它连接的两点取 %.0f mm", shown, why,
                                         info.realLength);
            else if (model::directionCode(o.EndDir) == 6)
                p.message = text::format("平面斜管的长度文字“%s”%s，按它的两个偏移取 %.0f mm", shown, why,
                                         info.realLength);
            else
                p.message = text::format("管段的长度文字“%s”%s，按图上比例估算为 %.0f mm", shown, why,
                                         info.realLength);
            r.problems.push_back(std::move(p));
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
        r.problems.push_back(std::move(p));
    }
}

void reportGroups(Rebuild& r) {
    auto groupOfNode = [&](int n) {
        return n >= 0 && r.known[static_cast<std::size_t>(n)] ? r.group[static_cast<std::size_t>(n)]
                                                              : -1;
    };
    std::vector<int> groupOf(r.objects.size(), -1);
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
        if (!info.member || !info.placed || info.role != Role::Run) continue;
        groupOf[i] = r.group[static_cast<std::size_t>(info.vertex)];
    }
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        const ObjectInfo& info = r.objects[i];
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
    // The members of each group, in drawing order (groups are numbered from 1).
    std::vector<std::vector<std::size_t>> membersOf(r.groups.size() + 1);
    for (std::size_t i = 0; i < r.objects.size(); ++i)
        if (groupOf[i] > 0 && static_cast<std::size_t>(groupOf[i]) < membersOf.size())
            membersOf[static_cast<std::size_t>(groupOf[i])].push_back(i);
    for (const GroupSeed& g : r.groups) {
        std::vector<std::size_t>& members = membersOf[static_cast<std::size_t>(g.group)];
        bool piping = false;
        for (std::size_t i : members)
            if (!isSurroundings(r.object(i))) piping = true;
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
        r.problems.push_back(std::move(p));
    }
    std::vector<std::size_t> unusable;
    for (std::size_t i = 0; i < r.objects.size(); ++i)
        if (r.objects[i].member && !r.objects[i].placed && !isSurroundings(r.object(i)))
            unusable.push_back(i);
    if (!unusable.empty()) {
        Problem p;
        p.kind = ProblemKind::Unconnected;
        p.objects = unusable;
        p.message = text::format("%lu 个对象的图上坐标无法使用，不能放进管线",
                                 static_cast<unsigned long>(unusable.size()));
        r.problems.push_back(std::move(p));
    }
}

RealModel modelOf(Rebuild& r) {
    RealModel m;
    m.scale = r.scale;
    m.scaleFromNumbers = r.scaleFromNumbers;
    m.position.assign(r.objects.size(), -1);
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member) continue;
        const PipeObject& o = r.object(i);
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
    std::stable_sort(r.problems.begin(), r.problems.end(), [](const Problem& a, const Problem& b) {
        if (a.kind != b.kind) return a.kind < b.kind;
        const std::size_t fa = a.objects.empty() ? 0 : a.objects.front();
        const std::size_t fb = b.objects.empty() ? 0 : b.objects.front();
        return fa < fb;
    });
    m.problems = std::move(r.problems);
    return m;
}

}  // namespace tubra::spatial::passes
