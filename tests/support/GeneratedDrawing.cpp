#include "support/GeneratedDrawing.h"

#include <cmath>
#include <random>
#include <string>

#include "text/CFormat.h"
#include "text/Gbk.h"

namespace tubra::testing {

using namespace tubra::model;

namespace {

constexpr double kPi = 3.14159255;

// The sheet position reached from `p` after `length` units along an axis direction.
Vec3 step(const Vec3& p, int dir, double length, double alpha, double beta) {
    const double a = alpha * kPi / 180.0, b = beta * kPi / 180.0;
    switch (dir) {
        case 0: return {p.x, p.y + length, 0.0};
        case 1: return {p.x, p.y - length, 0.0};
        case 2: return {p.x + std::cos(a) * length, p.y - std::sin(a) * length, 0.0};
        case 3: return {p.x - std::cos(b) * length, p.y - std::sin(b) * length, 0.0};
        case 4: return {p.x - std::cos(a) * length, p.y + std::sin(a) * length, 0.0};
        default: return {p.x + std::cos(b) * length, p.y + std::sin(b) * length, 0.0};
    }
}

}  // namespace

void generateDrawing(Drawing& d, const GeneratorOptions& opt) {
    std::mt19937 rng(opt.seed);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    d.X_AxisAngle = 30.0;
    d.Y_AxisAngle = 30.0;
    d.ZoomPara = 1.0;

    const char* materials[] = {"20#", "1Cr18Ni9Ti", "16MnR", "0Cr18Ni9", "Q235-B"};
    const char* sizes[] = {"φ108×4", "φ89×4.5", "φ159×6", "φ57×3.5", "φ219×8"};
    const char* valveTexts[] = {"DN100", "PN1.6", "J41H-16", "Z41H-25", "Q41F-16C"};
    const char* notes[] = {"去往反应器", "至罐区", "来自泵出口", "蒸汽伴热", "保温层厚50"};
    const int symbols[] = {4, 6, 7, 9, 10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24,
                           25, 45, 46, 47, 48, 49, 50, 51, 52, 53, 54};
    const int accessories[] = {32, 33, 34, 35, 42};
    const int marks[] = {38, 39, 40, 41, 43, 44};

    Vec3 pos{900.0, -1200.0, 3500.0};
    int prevDir = 2;
    int pipeNo = 0;
    int tile = 0;
    const auto tileX = [](int t) { return 5200.0 * (t % 5); };
    const auto tileY = [](int t) { return -3600.0 * (t / 5); };
    while (static_cast<int>(d.objects.size()) < opt.objects) {
        int dir = pick(6);
        if (dir == (prevDir ^ 1)) dir = prevDir;  // no U-turns
        const double mm = 500.0 + 100.0 * pick(40);
        const double length = 60.0 + pick(240);
        // elbow where the direction changes
        if (dir != prevDir) {
            CreationValues ev{kindValue(ObjectKind::Elbow), -1, static_cast<double>(dir), pos, pos,
                              d.objects.empty() ? 16.0 : 16.0, static_cast<double>(prevDir)};
            PipeObject& e = d.addObject(ev);
            e.Port4 = pos;
            e.Port3.x = prevDir;
            e.DistTxt = text::format("R%d", 1 + pick(3));
        }
        Vec3 end = step(pos, dir, length, d.X_AxisAngle, d.Y_AxisAngle);
        end.z = pos.z + (dir == 0 ? mm : dir == 1 ? -mm : 0.0);
        CreationValues pv{kindValue(ObjectKind::Pipe), pick(4) == 0 ? 1 : 0, static_cast<double>(dir),
                          pos, end, length, -1.0};
        PipeObject& p = d.addObject(pv);
        p.DistTxt = text::format("%d", static_cast<int>(mm));
        p.CaiLiao = materials[pick(5)];
        p.GuiGe = text::utf8ToGbk(sizes[pick(5)]);
        p.XingHao = "GC2";
        p.StartUse = "1998/05/01";
        p.LastCheck = "2024/06/30";
        p.BiHou = 4.0 + pick(40) / 10.0;
        p.Port4 = {(pos.x + end.x) / 2, (pos.y + end.y) / 2, static_cast<double>(pick(3) - 1)};
        p.dimYX1_st = {pos.x, pos.y, 0};
        p.dimYX1_ed = {pos.x + 10, pos.y + 25, 0};
        p.dimYX2_st = {end.x, end.y, 0};
        p.dimYX2_ed = {end.x + 10, end.y + 25, 0};
        p.dimL_st = {pos.x + 10, pos.y + 20, 0};
        p.dimL_ed = {end.x + 10, end.y + 20, 0};
        p.dimTxt_st = {(pos.x + end.x) / 2, (pos.y + end.y) / 2 + 30, 0};
        p.dimAngle = dir == 2 || dir == 4 ? -300 : dir >= 3 ? 300 : 900;
        p.applyEndElevationRule(1.0);
        ++pipeNo;

        // welds at both ends
        for (const Vec3& w : {pos, end}) {
            CreationValues wv{kindValue(ObjectKind::Weld), -1, static_cast<double>(dir), w, w, 0.0, -1.0};
            PipeObject& weld = d.addObject(wv);
            weld.DistTxt = text::format("H%d", weld.Number);
            weld.dimTxt_st = {w.x + 15, w.y + 15, 0};
            if (pick(4) == 0)
                weld.MidCase = text::utf8ToGbk(text::format("日期:2019/0%d/11\r\n返修一次\r\n合格", 1 + pick(9)));
        }
        // something on the pipe
        const Vec3 mid = step(pos, dir, length / 2, d.X_AxisAngle, d.Y_AxisAngle);
        switch (pick(6)) {
            case 0:
            case 1: {
                const int code = symbols[pick(static_cast<int>(std::size(symbols)))];
                const ObjectKind k = *kindOfSymbol(code);
                CreationValues sv{kindValue(k), code, static_cast<double>(dir), mid, {-9999, 0, 0}, 0.0,
                                  code == 54 ? static_cast<double>((dir + 2) % 6) : -1.0};
                PipeObject& s = d.addObject(sv);
                s.DistTxt = valveTexts[pick(5)];
                s.dimTxt_st = {mid.x + 20, mid.y + 40, 0};
                break;
            }
            case 2: {
                const int code = accessories[pick(5)];
                CreationValues av{kindValue(ObjectKind::Accessory), code, static_cast<double>(dir), mid,
                                  {-9999, 0, 0}, 0.0, -1.0};
                d.addObject(av);
                break;
            }
            case 3: {
                CreationValues tv{kindValue(ObjectKind::Tee), -1, static_cast<double>(dir), pos, end,
                                  16.0, static_cast<double>((dir + 2) % 6)};
                PipeObject& t = d.addObject(tv);
                t.Port4 = mid;
                t.Port3 = step(mid, (dir + 2) % 6, 16.0, d.X_AxisAngle, d.Y_AxisAngle);
                break;
            }
            case 4: {
                const int code = marks[pick(6)];
                CreationValues mv{kindValue(ObjectKind::SiteMark), code, static_cast<double>(dir), mid,
                                  {-9999, 0, 0}, 0.0, -1.0};
                PipeObject& m = d.addObject(mv);
                if (code == 41) m.DistTxt = text::utf8ToGbk("反应器R-101");
                break;
            }
            default: {
                if (pick(2) == 0) {
                    CreationValues cv{kindValue(ObjectKind::CutLine), p.SubType, 90.0 - 30.0 * pick(3), mid,
                                      step(mid, dir, 20.0, d.X_AxisAngle, d.Y_AxisAngle), -1.0, -1.0};
                    d.addObject(cv);
                } else {
                    CreationValues xv{kindValue(ObjectKind::TextBlock), 0, 0.0, {mid.x + 50, mid.y + 80, 0},
                                      {}, 0.0, 0.0};
                    PipeObject& t = d.addObject(xv);
                    t.DistTxt = text::utf8ToGbk(notes[pick(5)]);
                    t.CaiLiao = text::utf8ToGbk("宋体");
                    t.Port3.y = 35;
                    t.BiHou = pick(2);
                }
                break;
            }
        }
        pos = end;
        prevDir = dir;
        // keep the walk on the sheet
        if (std::fabs(pos.x - 1450.0 - tileX(tile)) > 1250.0 * opt.area ||
            std::fabs(pos.y + 1050.0 - tileY(tile)) > 850.0 * opt.area) {
            tile = opt.tiles > 1 ? (tile + 1) % opt.tiles : 0;
            pos = {1400.0 + tileX(tile), -1000.0 + tileY(tile), pos.z};
        }
    }
    (void)pipeNo;
    if (opt.labelsPlaced) {
        for (PipeObject& o : d.objects) {
            const bool label = o.is(ObjectKind::Weld) || o.is(ObjectKind::Valve) || o.is(ObjectKind::Fitting) ||
                               o.is(ObjectKind::Accessory) || o.is(ObjectKind::SiteMark);
            // A layout marks itself done so (the text stays where the generator put it).
            if (label && o.dimYX1_st.x == 0.0) o.dimYX1_st = {1, 1, 1};
        }
    }

    if (opt.fillTable) {
        const char* values[18] = {"丙烯进料线", "P-1001-108-B1A", "GC2", "丙烯", "2.5", "40",
                                  "泵P-101至反应器R-101", "岩棉", "1998/05/01", "", "", "", "", "",
                                  "", "过滤器1台", "20#", "φ108×4"};
        for (int i = 0; i < 18; ++i) d.table.values[static_cast<std::size_t>(i)] = text::utf8ToGbk(values[i]);
        d.table.values[9] = text::format("%.1f", d.objects.totalPipeLength() / 1000.0);
        d.table.values[10] = text::format("%d", d.objects.countOfKind(ObjectKind::Elbow));
        d.table.values[11] = text::format("%d", d.objects.countOfKind(ObjectKind::Weld));
        d.table.values[12] = text::format("%d", d.objects.countOfKind(ObjectKind::Tee));
        d.table.values[13] = text::format("%d", d.objects.countOfKind(ObjectKind::Valve));
        d.table.values[14] = text::format("%d", d.objects.countOfKind(ObjectKind::Pipe));
        const char* title[7] = {"张工", "李工", "DX-2024-017", "2024/07/01", "2024/07/05",
                                "丙烯进料线单线图", "DX-1998-003"};
        for (int i = 0; i < 7; ++i) d.title.values[static_cast<std::size_t>(i)] = text::utf8ToGbk(title[i]);
        d.title.setLabels();
    }
}

}  // namespace tubra::testing
