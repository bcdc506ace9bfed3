#include "view_drawing.h"

#include <algorithm>
#include <random>

#include "tubra/view/Projection.h"

namespace viewbench {

using namespace tubra::model;
using tubra::view::StepAlong;

namespace {
constexpr double kElbowRadius = 16.0;

bool inside(const Vec3& p) { return p.x > 250 && p.x < 2150 && p.y < -250 && p.y > -1800; }
}  // namespace

void makePlantDrawing(Drawing& d, int objects, std::uint32_t seed) {
    std::mt19937 rng(seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    d.X_AxisAngle = 30.0;
    d.Y_AxisAngle = 30.0;
    const tubra::view::AxisAngles axes{d.X_AxisAngle, d.Y_AxisAngle};
    auto add = [&](const PipeObject& o) -> PipeObject& {
        return d.objects.append(std::make_unique<PipeObject>(o));
    };
    auto object = [](ObjectKind kind, Vec3 a, Vec3 b, double endDir) {
        PipeObject o;
        o.MainType = kindValue(kind);
        o.SubType = -1;
        o.StrtDir = -1;
        o.EndDir = endDir;
        o.Port1 = a;
        o.Port2 = b;
        return o;
    };

    int weldNo = 0;
    while (static_cast<int>(d.objects.size()) < objects) {
        // One pipeline: a start somewhere on the sheet, a level, a line class.
        Vec3 pos(400.0 + pick(1500), -400.0 - pick(1200), 2000.0 + 500.0 * pick(12));
        const int lineClass = pick(3) == 0 ? 1 : 0;
        int dir = 2 + pick(4);
        const int segments = 8 + pick(20);
        for (int s = 0; s < segments && static_cast<int>(d.objects.size()) < objects; ++s) {
            const double length = 80.0 + pick(280);
            Vec3 end = StepAlong(axes, pos, dir, length);
            if (!inside(end)) break;
            end.z = pos.z + (dir == 0 ? length * 10 : dir == 1 ? -length * 10 : 0.0);
            PipeObject pipe = object(ObjectKind::Pipe, pos, end, dir);
            pipe.SubType = lineClass;
            pipe.Distanc = length;
            add(pipe);
            for (const Vec3& w : {pos, end}) {
                PipeObject weld = object(ObjectKind::Weld, w, w, dir);
                weld.Number = ++weldNo;
                add(weld);
            }
            const Vec3 mid = StepAlong(axes, pos, dir, length / 2);
            switch (pick(8)) {
                case 0: {
                    PipeObject valve = object(ObjectKind::Valve, {mid.x, mid.y, pos.z}, {-9999, 0, 0}, dir);
                    valve.SubType = 13 + pick(12);
                    add(valve);
                    break;
                }
                case 1: {
                    PipeObject tee = object(ObjectKind::Tee, StepAlong(axes, mid, dir, -16),
                                            StepAlong(axes, mid, dir, 16), dir);
                    tee.Port4 = mid;
                    const int branch = dir <= 1 ? 2 : 0;
                    tee.Port3 = StepAlong(axes, mid, branch, 16);
                    add(tee);
                    break;
                }
                case 2: {
                    PipeObject cut = object(ObjectKind::CutLine, mid, StepAlong(axes, mid, dir, 20),
                                            90.0 - 30.0 * pick(3));
                    cut.SubType = lineClass;
                    add(cut);
                    break;
                }
                default: break;
            }
            // Turn: an elbow around the corner into a new direction (no U-turns).
            int next = pick(6);
            if (next == (dir ^ 1) || (next <= 1 && dir <= 1)) next = dir <= 1 ? 2 + pick(4) : dir;
            if (next != dir) {
                PipeObject elbow = object(ObjectKind::Elbow, StepAlong(axes, end, dir, -kElbowRadius),
                                          StepAlong(axes, end, next, kElbowRadius), next);
                elbow.StrtDir = dir;
                elbow.Port4 = end;
                elbow.Distanc = kElbowRadius;
                add(elbow);
            }
            pos = end;
            dir = next;
        }
    }
    d.objects.Total = static_cast<std::int32_t>(d.objects.size());
}

}  // namespace viewbench
