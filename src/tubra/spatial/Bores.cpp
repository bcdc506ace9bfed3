// The bores of the line: a pipe without a size of its own takes the bore of the pipes it is
// connected to, so that whatever meets at a joint meets at one bore.

#include <deque>

#include "tubra/spatial/Passes.h"

namespace tubra::spatial::passes {

using model::ObjectKind;

namespace {

// The line's bore where nothing in the drawing states one.
double fallbackBore(const Rebuild& r) {
    return r.tableBore > 0.0 ? r.tableBore : kNominalBore;
}

}  // namespace

void assignBores(Rebuild& r) {
    // Pipes that meet: at a node (an elbow's or a tee's too), or a node on another one's body.
    std::vector<std::vector<std::size_t>> neighbours(r.objects.size());
    for (const Node& node : r.nodes) {
        std::vector<std::size_t> pipes;
        for (int k : node.ports) {
            const Port& p = r.ports[static_cast<std::size_t>(k)];
            if (isPipe(r.objects[p.object].role) && p.port <= 2) pipes.push_back(p.object);
        }
        if (node.host >= 0) pipes.push_back(static_cast<std::size_t>(node.host));
        // A star through the first is enough to reach them all.
        for (std::size_t b = 1; b < pipes.size(); ++b)
            if (pipes[b] != pipes[0]) {
                neighbours[pipes[0]].push_back(pipes[b]);
                neighbours[pipes[b]].push_back(pipes[0]);
            }
    }
    // Outward from the pipes that state a size, nearest first, in drawing order.
    std::deque<std::size_t> queue;
    for (std::size_t i = 0; i < r.objects.size(); ++i)
        if (r.objects[i].member && isPipe(r.objects[i].role) && r.objects[i].bore > 0.0)
            queue.push_back(i);
    while (!queue.empty()) {
        const std::size_t i = queue.front();
        queue.pop_front();
        for (std::size_t j : neighbours[i]) {
            if (r.objects[j].bore > 0.0) continue;
            r.objects[j].bore = r.objects[i].bore;
            queue.push_back(j);
        }
    }
    for (ObjectInfo& info : r.objects)
        if (info.member && isPipe(info.role) && !(info.bore > 0.0)) info.bore = fallbackBore(r);

    // Things on a pipe without a size of their own take the pipe's; reducers keep one bore.
    for (std::size_t i = 0; i < r.objects.size(); ++i) {
        ObjectInfo& info = r.objects[i];
        if (!info.member || isPipe(info.role) || info.role == Role::Fitting || info.bore > 0.0)
            continue;
        info.bore =
            info.host >= 0 ? r.objects[static_cast<std::size_t>(info.host)].bore : fallbackBore(r);
        if (isReducer(r.object(i))) info.bore2 = info.bore;
    }
}

}  // namespace tubra::spatial::passes
