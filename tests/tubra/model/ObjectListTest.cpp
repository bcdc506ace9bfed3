#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "text/Gbk.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingSettings.h"

using namespace tubra::model;

namespace {

using text::gbk;

CreationValues make(ObjectKind k, int sub = -1, double endDir = 2.0) {
    return CreationValues{kindValue(k), sub, endDir, {10, -20, 300}, {40, -20, 300}, 30.0, -1.0};
}

TEST(ObjectList, WeldsAreNumberedAndInheritTheirRecords) {
    Drawing d;
    PipeObject& w1 = d.addObject(make(ObjectKind::Weld));
    EXPECT_EQ(w1.Number, 1);
    EXPECT_EQ(w1.BiHou, 10.0);
    EXPECT_EQ(w1.CaiLiao, "1Cr18Ni9Ti");
    EXPECT_EQ(w1.GuiGe, gbk("φ100×10"));
    EXPECT_EQ(w1.XingHao, "ABCD");
    EXPECT_EQ(w1.StartUse, "1980/01/01");
    EXPECT_EQ(w1.LastCheck, "1980/06/01");
    EXPECT_EQ(w1.FirstCase, gbk("日期:1980/01/01\r\n当时壁厚:10 mm\r\n焊缝质量:Ⅰ级"));
    EXPECT_EQ(w1.LastCase, gbk("日期:2001/12/01\r\n当时壁厚:10 mm\r\n焊缝质量:Ⅰ级"));
    EXPECT_EQ(w1.MidCase, gbk("日期:1990/06/01\r\n当时壁厚:10 mm\r\n焊缝质量:Ⅰ级"));

    w1.CaiLiao = "E308";
    w1.BiHou = 6.5;
    w1.MidCase = "none";
    PipeObject& w2 = d.addObject(make(ObjectKind::Weld));
    EXPECT_EQ(w2.Number, 2);
    EXPECT_EQ(w2.CaiLiao, "E308");
    EXPECT_EQ(w2.BiHou, 6.5);
    EXPECT_EQ(w2.MidCase, "none");

    // A copy is renumbered and takes the texts of the last weld, not its own number.
    w1.Number = 7;
    PipeObject& copy = d.objects.addCopy(d.objects.at(0));
    EXPECT_EQ(copy.Number, 3);
    EXPECT_EQ(d.Total(), 3);

    // Copying a weld into a list without welds gives it the defaults.
    Drawing other;
    PipeObject& c = other.objects.addCopy(w2);
    EXPECT_EQ(c.Number, 1);
    EXPECT_EQ(c.CaiLiao, "1Cr18Ni9Ti");
}

TEST(ObjectList, WeldTextAngleFollowsTheRunDirection) {
    Drawing d;
    d.X_AxisAngle = 30.7;
    d.Y_AxisAngle = 45.0;
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 2)).dimAngle, -300);
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 4.9)).dimAngle, -300);
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 5)).dimAngle, 450);
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 6)).dimAngle, -900);
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 0)).dimAngle, 0);
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, -1)).dimAngle, 0);  // unchanged
    EXPECT_EQ(d.addObject(make(ObjectKind::Weld, -1, 1e300)).dimAngle, 0);
    // A copy keeps its angle.
    PipeObject w = d.objects.at(0);
    w.dimAngle = 123;
    EXPECT_EQ(d.objects.addCopy(w).dimAngle, 123);
}

TEST(ObjectList, SymbolsInheritOnlyFromTheirOwnKind) {
    Drawing d;
    PipeObject& f = d.addObject(make(ObjectKind::Fitting, 4));
    EXPECT_EQ(f.DistTxt, " ");
    EXPECT_EQ(f.CaiLiao, "1Cr18Ni9Ti");
    f.DistTxt = "DN80";
    f.CaiLiao = "20#";
    PipeObject& v = d.addObject(make(ObjectKind::Valve, 13));
    EXPECT_EQ(v.DistTxt, " ");
    EXPECT_EQ(v.CaiLiao, "1Cr18Ni9Ti");
    v.DistTxt = "Z41H";
    EXPECT_EQ(d.addObject(make(ObjectKind::Valve, 14)).DistTxt, "Z41H");
    EXPECT_EQ(d.addObject(make(ObjectKind::Fitting, 6)).DistTxt, "DN80");

    PipeObject& e = d.addObject(make(ObjectKind::Elbow));
    EXPECT_EQ(e.BiHou, 10.0);
    EXPECT_TRUE(e.DistTxt.empty());  // elbows do not get a label text
    e.GuiGe = "X";
    EXPECT_EQ(d.addObject(make(ObjectKind::Elbow)).GuiGe, "X");
    EXPECT_EQ(d.addObject(make(ObjectKind::Tee)).GuiGe, gbk("φ100×10"));

    EXPECT_EQ(d.addObject(make(ObjectKind::Accessory, 42)).DistTxt, "<0001>");
    EXPECT_TRUE(d.addObject(make(ObjectKind::Accessory, 32)).DistTxt.empty());
    for (int code : {38, 39, 40, 41, 43, 44}) EXPECT_EQ(d.addObject(make(ObjectKind::SiteMark, code)).DistTxt, " ");
    PipeObject& pipe = d.addObject(make(ObjectKind::Pipe, 0));
    EXPECT_TRUE(pipe.DistTxt.empty());
    EXPECT_EQ(pipe.BiHou, 0.0);
    EXPECT_EQ(d.objects.countOfKind(ObjectKind::Valve), 2);
    EXPECT_EQ(d.objects.lastOfKind(ObjectKind::Pipe), &pipe);
    EXPECT_EQ(d.objects.lastOfKind(ObjectKind::CutLine), nullptr);
    EXPECT_EQ(d.Total(), static_cast<int>(d.objects.size()));
}

TEST(ObjectList, ReplaceTakeAndRemoveKeepTheCount) {
    Drawing d;
    PipeObject& a = d.addObject(make(ObjectKind::Pipe, 0));
    d.addObject(make(ObjectKind::Pipe, 1));
    PipeObject edited = a;
    edited.DistTxt = "1500";
    EXPECT_TRUE(d.objects.replaceObject(&a, edited));
    EXPECT_EQ(d.objects.at(0).DistTxt, "1500");
    PipeObject stranger;
    EXPECT_FALSE(d.objects.replaceObject(&stranger, edited));
    auto taken = d.objects.take(&a);
    ASSERT_TRUE(taken);
    EXPECT_EQ(d.Total(), 1);
    d.objects.insert(0, std::move(taken));
    EXPECT_EQ(d.objects.at(0).DistTxt, "1500");
    d.objects.removeAll();
    EXPECT_EQ(d.Total(), 0);
}

TEST(ObjectList, PipeLengthAndEndElevation) {
    Drawing d;
    for (const char* len : {"1500", "abc", "250.5mm", " 100", ""}) d.addObject(make(ObjectKind::Pipe, 0)).DistTxt = len;
    d.addObject(make(ObjectKind::Valve, 13)).DistTxt = "999";
    // "250.5mm" is a text with a unit, not a number of millimetres: it states no length.
    EXPECT_DOUBLE_EQ(d.objects.totalPipeLength(), 1600);

    PipeObject o(make(ObjectKind::Pipe, 0, 0));
    o.Port1.z = 1000;
    o.DistTxt = "1500";
    o.applyEndElevationRule(1.0);
    EXPECT_EQ(o.Port2.z, 2500);
    o.EndDir = 1.7;
    o.applyEndElevationRule(1.0);
    EXPECT_EQ(o.Port2.z, -500);
    o.DistTxt = "abc";  // falls back to Distanc / scale
    o.Distanc = 300;
    o.applyEndElevationRule(2.0);
    EXPECT_EQ(o.Port2.z, 850);
    o.EndDir = 6;
    o.Port3.x = 120;
    o.StrtDir = 0;
    o.applyEndElevationRule(1.0);
    EXPECT_EQ(o.Port2.z, 1120);
    o.StrtDir = 2.5;
    o.applyEndElevationRule(1.0);
    EXPECT_EQ(o.Port2.z, 1000);
    o.EndDir = 3;
    o.Port2.z = 5;
    o.applyEndElevationRule(1.0);
    EXPECT_EQ(o.Port2.z, 1000);
    for (double dir : {7.0, 8.0, -1.0, 1e20}) {
        o.EndDir = dir;
        o.Port2.z = 42;
        o.applyEndElevationRule(1.0);
        EXPECT_EQ(o.Port2.z, 42) << dir;
    }
}

TEST(ObjectList, DivideByScaleLeavesElevationsAndDimensions) {
    PipeObject o;
    o.Port1 = {10, 20, 30};
    o.Port2 = {-10, 4, 5};
    o.Port3 = {2, 2, 2};
    o.Port4 = {8, 6, 7};
    o.dimL_st = {100, 100, 100};
    o.Distanc = 50;
    o.BiHou = 9;
    o.divideByScale(2);
    EXPECT_EQ(o.Port1, (Vec3{5, 10, 30}));
    EXPECT_EQ(o.Port2, (Vec3{-5, 2, 5}));
    EXPECT_EQ(o.Port3, (Vec3{1, 1, 2}));
    EXPECT_EQ(o.Port4, (Vec3{4, 3, 7}));
    EXPECT_EQ(o.dimL_st, (Vec3{100, 100, 100}));
    EXPECT_EQ(o.Distanc, 25);
    EXPECT_EQ(o.BiHou, 9);
}

TEST(Tables, LabelsAndLongestTexts) {
    CharacteristicTable t;
    EXPECT_EQ(CharacteristicTable::label(0), gbk("管  线  名  称"));
    EXPECT_EQ(CharacteristicTable::label(4), gbk("最高工作压力(MPa) "));
    EXPECT_EQ(CharacteristicTable::longestLabel(), 18u);  // "最高工作压力(MPa) "
    t.values[3] = std::string(40, 'x');
    t.values[5] = std::string(45, 'y');
    EXPECT_EQ(t.values[5].size(), 40u);
    EXPECT_EQ(t.longestValue(), 40u);
    EXPECT_FALSE(t.empty());
    t.clear();
    EXPECT_TRUE(t.empty());

    TitleBlock b;
    EXPECT_TRUE(b.labels[0].empty());
    b.setLabels();
    EXPECT_EQ(b.labels[5], gbk(" 图纸名称:"));
    EXPECT_EQ(b.labels[6], gbk(" 旧图号 "));

    Drawing d;
    EXPECT_EQ(d.AxisSet.visible, 1);
    EXPECT_EQ(d.AxisSet.labels[1], gbk("北"));
}

TEST(Settings, ResetRulesSplitBetweenDocumentAndView) {
    DrawingSettings s;
    EXPECT_EQ(s.TextColor, 0xFF000000u);
    EXPECT_EQ(s.ZhiXianColor, 15081180u);
    EXPECT_EQ(s.PingXieColor, 693760u);
    EXPECT_EQ(s.DimLineColor, 3289800u);
    s.ZhuXianColor = 1;
    s.ZhuXianKuan = 9;
    s.Dim_Size = 77;
    s.m_wantouR = 3;
    s.resetDocumentDefaults();
    EXPECT_EQ(s.ZhuXianColor, 16711680u);
    EXPECT_EQ(s.ZhuXianKuan, 4.0f);
    EXPECT_EQ(s.Dim_Size, 77);
    EXPECT_EQ(s.m_wantouR, 3);
    s.resetViewDefaults();
    EXPECT_EQ(s.Dim_Size, 30);
    EXPECT_EQ(s.m_wantouR, 16.0);
    EXPECT_EQ(s, DrawingSettings());
}

}  // namespace

namespace {

// Objects live in blocks kept for reuse: whatever order they are made and dropped in, a new
// object is empty, no two live objects share memory and each keeps its values.
TEST(PipeObjectMemory, LiveObjectsNeverOverlap) {
    std::mt19937 rng(3);
    std::vector<std::unique_ptr<tubra::model::PipeObject>> live;
    for (int step = 0; step < 20000; ++step) {
        if (live.empty() || rng() % 3 != 0) {
            auto o = std::make_unique<tubra::model::PipeObject>();
            EXPECT_EQ(o->Number, 0);
            EXPECT_TRUE(o->LastCase.empty());
            o->Number = step;
            o->LastCase = std::to_string(step);
            live.push_back(std::move(o));
        } else {
            const std::size_t i = rng() % live.size();
            live[i] = std::move(live.back());
            live.pop_back();
        }
    }
    std::set<const char*> starts;
    for (const auto& o : live) {
        ASSERT_EQ(o->LastCase.view(), std::to_string(o->Number));
        starts.insert(reinterpret_cast<const char*>(o.get()));
    }
    const char* previousEnd = nullptr;
    for (const char* s : starts) {
        ASSERT_TRUE(previousEnd == nullptr || s >= previousEnd);
        previousEnd = s + sizeof(tubra::model::PipeObject);
    }
}

}  // namespace

// The list keeps its kinds and weld numbers from its change log: after every edit of a long
// random run they are what a count over the objects gives, and the stamps and the log tell a
// follower every object that changed.
TEST(ObjectList, KeptCountsAndChangeLogFollowEveryEdit) {
    Drawing d;
    ObjectList& list = d.objects;
    std::mt19937 random(11);
    const auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(random); };
    const ObjectKind kinds[] = {ObjectKind::Weld, ObjectKind::Pipe, ObjectKind::Elbow, ObjectKind::Valve};
    ListCursor cursor;
    std::vector<std::uint64_t> stamps;
    for (int step = 0; step < 600; ++step) {
        const int what = pick(10);
        if (what < 4 || list.empty()) {
            d.addObject(make(kinds[pick(4)]));
        } else if (what < 6) {
            PipeObject& o = list.at(static_cast<std::size_t>(pick(static_cast<int>(list.size()))));
            if (o.is(ObjectKind::Weld))
                o.Number = pick(40);
            else
                o.MainType = kindValue(kinds[pick(4)]);
        } else if (what == 6) {
            list.take(&std::as_const(list).at(static_cast<std::size_t>(pick(static_cast<int>(list.size())))));
        } else if (what == 7) {
            PipeObject copy = std::as_const(list).at(0);
            list.replaceObject(&std::as_const(list).last(), copy);
        } else if (what == 8) {
            auto o = list.take(&std::as_const(list).last());
            list.insert(static_cast<std::size_t>(pick(static_cast<int>(list.size()) + 1)), std::move(o));
        } else {
            for (PipeObject& o : list) o.Number += 0;  // a non-const walk: everything may change
        }

        // The counts against a count over the objects.
        std::map<int, int> count;
        std::set<int> numbers;
        for (const PipeObject& o : std::as_const(list)) {
            ++count[o.MainType];
            if (o.is(ObjectKind::Weld)) numbers.insert(o.Number);
        }
        for (ObjectKind k : kinds) ASSERT_EQ(list.countOfKind(k), count[kindValue(k)]) << step;
        for (int from : {0, 1, 5, 20}) {
            int free = from;
            while (numbers.count(free)) ++free;
            ASSERT_EQ(list.freeWeldNumber(from), free) << step << " from " << from;
        }

        // Every stamp that moved is in the log, unless a new epoch began.
        const std::vector<std::size_t>& changed = list.changes();
        if (cursor.follows(list) && stamps.size() <= list.size()) {
            std::set<std::size_t> logged(changed.begin() + static_cast<long>(cursor.seen), changed.end());
            for (std::size_t i = 0; i < list.size(); ++i) {
                if (i >= stamps.size() || list.stamp(i) != stamps[i]) {
                    ASSERT_TRUE(logged.count(i)) << step << " at " << i;
                }
            }
        }
        cursor.catchUp(list);
        stamps.clear();
        for (std::size_t i = 0; i < list.size(); ++i) stamps.push_back(list.stamp(i));
    }
}
