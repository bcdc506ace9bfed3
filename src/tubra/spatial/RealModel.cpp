#include "tubra/spatial/RealModel.h"

#include <cmath>

#include "tubra/spatial/Passes.h"

namespace tubra::spatial {

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
        case ProblemKind::UTurn:
            return "u-turn";
    }
    return "";
}

const RealObject* RealModel::find(std::size_t index) const {
    if (index >= position.size() || position[index] < 0) return nullptr;
    return &objects[static_cast<std::size_t>(position[index])];
}

RealModel buildRealModel(const model::Drawing& drawing) {
    passes::Rebuild r(drawing);
    passes::classifyObjects(r);
    passes::estimateScale(r);
    passes::joinPoints(r);
    passes::findHosts(r);
    passes::assignBores(r);
    passes::buildGraph(r);
    passes::walkGraph(r);
    passes::assemblePipes(r);
    passes::assembleFittings(r);
    passes::assembleThings(r);
    passes::packAlongPipes(r);
    passes::checkTexts(r);
    passes::reportGroups(r);
    return passes::modelOf(r);
}

}  // namespace tubra::spatial
