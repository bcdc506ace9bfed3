#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>

#include "support/GeneratedDrawing.h"
#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/KeyMatcher.h"
#include "tubra/model/LineReader.h"
#include "tubra/model/ReportStore.h"

using namespace tubra::model;

namespace {

std::string gbk(const char* utf8) { return text::utf8ToGbk(utf8); }

std::string write(Drawing& d, const DrawingSettings& s = {}) {
    std::string out;
    writeDrawing(d, s, out);
    return out;
}

struct Loaded {
    Drawing drawing;
    DrawingSettings settings;
    VerbatimReportStore report;
    explicit Loaded(std::string_view data) {
        drawing.report = &report;
        readDrawing(data, drawing, settings);
        drawing.Total() = static_cast<std::int32_t>(drawing.objects.size());  // as opening does
    }
};

// A drawing in which every field holds a value of its own.
void fillEveryField(Drawing& d, DrawingSettings& s) {
    d.ZoomPara = 1.25;
    d.X_AxisAngle = 30;
    d.Y_AxisAngle = 45.5;
    d.PageSize = 1;
    d.IsShowReport = {1, 7};
    d.AxisSet.visible = 0;
    d.AxisSet.labels[2] = "E";
    s.ZhuXianLayer = 0;
    s.DimLineLayer = 1;
    s.ZhiXianKuan = 2.5f;
    s.QiTaStyle = 3;
    s.PrintIsNoColor = 0;
    s.BeiJingColor = 0;
    s.TextColor = 0xFFFFFFFF;
    s.Dim_Size = 36;
    s.DrawZoom_GJFM = 3.5;
    s.m_santongChang = 20;

    PipeObject o;
    o.Number = 12;
    o.MainType = 8;
    o.SubType = -1;
    o.StrtDir = -1;
    o.EndDir = 2;
    o.Port1 = {100.5, -200.25, 3500};
    o.Port2 = {1, 2, 3};
    o.Port3 = {4, 5, 6};
    o.Port4 = {7, 8, -1};
    o.dimYX1_st = {11, 12, 13};
    o.dimYX1_ed = {14, 15, 16};
    o.dimYX2_st = {17, 18, 19};
    o.dimYX2_ed = {20, 21, 22};
    o.dimL_st = {23, 24, 25};
    o.dimL_ed = {26, 27, 28};
    o.dimTxt_st = {29, 30, 31};
    o.dimAngle = -300;
    o.DistTxt = "H12";
    o.CaiLiao = "E308";
    o.GuiGe = gbk("φ100×10");
    o.XingHao = "ABCD";
    o.StartUse = "1980/01/01";
    o.LastCheck = "1980/06/01";
    o.FirstCase = gbk("日期:1980/01/01\r\n当时壁厚:10 mm");
    o.MidCase = "";
    o.LastCase = "a\nb";
    o.BiHou = 9.5;
    o.Distanc = 16;
    d.objects.append(std::make_unique<PipeObject>(o));
    d.table.values[0] = gbk("丙烯线");
    d.table.values[17] = "108x4";
    d.title.values[5] = gbk("单线图");
}

TEST(DrawingFile, WritesEveryLineByteForByte) {
    Drawing d;
    DrawingSettings s;
    fillEveryField(d, s);
    d.Total() = 5;  // the Total line carries the value held before writing
    const std::string expected = std::string() +
        "2dDrawing {\n"
        "\t Total           5\n"
        "\t ZoomPara        1.250000\n"
        "\t X_AxisAngle     30.000000\n"
        "\t Y_AxisAngle     45.500000\n"
        "\t PageSize\t\t  1\n"
        "\t ZhuXianLayer    0\n"
        "\t ZhiXianLayer    1\n"
        "\t DimLineLayer    1\n"
        "\t DimTextLayer    1\n"
        "\t FaMenLayer      1\n"
        "\t GuanJianLayer   1\n"
        "\t FuZhuXianLayer  1\n"
        "\t TuKuangLayer    1\n"
        "\t QiTaLayer       1\n"
        "\t ZhuXianKuan     4.000000\n"
        "\t ZhiXianKuan     2.500000\n"
        "\t BiaoZhuKuan     1.000000\n"
        "\t FaMenKuan       1.000000\n"
        "\t HanFengKuan     4.000000\n"
        "\t QiTaKuan        4.000000\n"
        "\t ZhuXianStyle    0\n"
        "\t ZhiXianStyle    0\n"
        "\t BiaoZhuStyle    0\n"
        "\t FaMenStyle      0\n"
        "\t QiTaStyle       3\n"
        "\t PrintIsNoColor  0\n"
        "\t BeiJingColor    0\n"
        "\t ZhuXianColor    16711680\n"
        "\t ZhiXianColor    15081180\n"
        "\t DangQianColor   255\n"
        "\t PingXieColor    693760\n"
        "\t LiXieColor      9868950\n"
        "\t GuanJianColor   3302400\n"
        "\t FaMenColor      3302400\n"
        "\t DimLineColor    3289800\n"
        "\t DimTextColor    200\n"
        "\t TextColor       4294967295\n"
        "\t TractColor      8257535\n"
        "\t HanFengColor    30960\n"
        "\t Dim_High      15\n"
        "\t Dim_Size      36\n"
        "\t DrawZoom_GJFM 3.500000\n"
        "\t m_wantouR\t\t16.000000\n"
        "\t m_santongChang 20.000000\n"
        "\t IsShowReport  1 7\n"
        "\t AxisSet       0 " + gbk("上") + " " + gbk("北") + " E\n"
        "}\n\n"
        "Object{\n"
        "\tMainType   8\n"
        "\tSubType    -1\n"
        "\tStrtDir    -1.000000\n"
        "\tEndDir     2.000000\n"
        "\tPort1      100.500000  -200.250000  3500.000000\n"
        "\tPort2      1.000000  2.000000  3.000000\n"
        "\tPort3      4.000000  5.000000  6.000000\n"
        "\tPort4      7.000000  8.000000  -1.000000\n"
        "\tDistanc    16.000000\n"
        "\tDistTxt    H12\n"
        "\tdimYX1_st  11.000000  12.000000  13.000000\n"
        "\tdimYX1_ed  14.000000  15.000000  16.000000\n"
        "\tdimYX2_st  17.000000  18.000000  19.000000\n"
        "\tdimYX2_ed  20.000000  21.000000  22.000000\n"
        "\tdimL_st    23.000000  24.000000 25.000000\n"
        "\tdimL_ed    26.000000  27.000000 28.000000\n"
        "\tdimTxt_st  29.000000  30.000000 31.000000\n"
        "\tdimAngle   -300\n"
        "\tCaiLiao    E308\n"
        "\tGuiGe      " + gbk("φ100×10") + "\n"
        "\tXingHao    ABCD\n"
        "\tStartUse   1980/01/01\n"
        "\tLastCheck  1980/06/01\n"
        "\tFirstCase  " + gbk("日期:1980/01/01") + "\xFD\xFE" + gbk("当时壁厚:10 mm") + "\n"
        "\tMidCase    \n"
        "\tLastCase   a\xFE" "b\n"
        "\tBiHou      9.500000\n"
        "\tNumber     12\n"
        "}\n\n"
        "TeXingBiao{\n" + gbk("丙烯线") + "\n" + std::string(16, '\n') + "108x4\n}\n\n"
        "Title{\n\n\n\n\n\n" + gbk("单线图") + "\n\n}\n\n";
    EXPECT_EQ(write(d, s), expected);
    EXPECT_EQ(d.Total(), 1);
}

// One object section as the C library's printf writes it from the format of each line, with
// the substitutions the writer makes in texts.
std::string printfObject(const PipeObject& o) {
    auto f = [](const char* fmt, auto... v) {
        char buf[2048];
        const int n = std::snprintf(buf, sizeof buf, fmt, v...);
        return std::string(buf, static_cast<std::size_t>(n));
    };
    auto safe = [](std::string_view v, char cr, char lf) {
        std::string t(v);
        for (char& c : t) c = c == '}' ? ']' : c == '\r' ? cr : c == '\n' ? lf : c;
        return t;
    };
    auto text = [&](const ObjectText& t) { return safe(t.view(), ' ', ' '); };
    auto record = [&](const ObjectText& t) { return safe(t.view(), '\xFD', '\xFE'); };
    auto point = [&](const char* fmt, const Vec3& p) { return f(fmt, p.x, p.y, p.z); };
    return "Object{\n" + f("\tMainType   %d\n", o.MainType) + f("\tSubType    %d\n", o.SubType) +
           f("\tStrtDir    %f\n", o.StrtDir) + f("\tEndDir     %f\n", o.EndDir) +
           point("\tPort1      %lf  %lf  %lf\n", o.Port1) + point("\tPort2      %lf  %lf  %lf\n", o.Port2) +
           point("\tPort3      %lf  %lf  %lf\n", o.Port3) + point("\tPort4      %lf  %lf  %lf\n", o.Port4) +
           f("\tDistanc    %lf\n", o.Distanc) + f("\tDistTxt    %s\n", o.DistTxt.empty() ? " " : text(o.DistTxt).c_str()) +
           point("\tdimYX1_st  %lf  %lf  %lf\n", o.dimYX1_st) +
           point("\tdimYX1_ed  %lf  %lf  %lf\n", o.dimYX1_ed) +
           point("\tdimYX2_st  %lf  %lf  %lf\n", o.dimYX2_st) +
           point("\tdimYX2_ed  %lf  %lf  %lf\n", o.dimYX2_ed) + point("\tdimL_st    %lf  %lf %lf\n", o.dimL_st) +
           point("\tdimL_ed    %lf  %lf %lf\n", o.dimL_ed) + point("\tdimTxt_st  %lf  %lf %lf\n", o.dimTxt_st) +
           f("\tdimAngle   %d\n", o.dimAngle) + f("\tCaiLiao    %s\n", text(o.CaiLiao).c_str()) +
           f("\tGuiGe      %s\n", text(o.GuiGe).c_str()) + f("\tXingHao    %s\n", text(o.XingHao).c_str()) +
           f("\tStartUse   %s\n", text(o.StartUse).c_str()) +
           f("\tLastCheck  %s\n", text(o.LastCheck).c_str()) +
           f("\tFirstCase  %s\n", record(o.FirstCase).c_str()) +
           f("\tMidCase    %s\n", record(o.MidCase).c_str()) +
           f("\tLastCase   %s\n", record(o.LastCase).c_str()) + f("\tBiHou      %lf\n", o.BiHou) +
           f("\tNumber     %d\n", o.Number) + "}\n\n";
}

// Objects with awkward numbers (ties in the seventh decimal, negative zero, tiny, huge, not a
// number) and texts holding braces, line breaks and the longest value, against printf.
TEST(DrawingFile, ObjectLinesAreWhatTheirPrintfFormatsGive) {
    std::mt19937_64 rng(17);
    const double awkward[] = {0.0, -0.0, 0.0078125, -2.5e-7, 1e-300, 123456.0000005, 1e15,
                              -9.5e18, 1e300, 1.0 / 0.0, -1.0 / 0.0, 0.0 / 0.0, 2147483648.5};
    auto number = [&]() -> double {
        if (rng() % 4 == 0) return awkward[rng() % std::size(awkward)];
        return std::ldexp(static_cast<double>(static_cast<std::int64_t>(rng() >> 11)) * ((rng() & 1) ? -1 : 1),
                          static_cast<int>(rng() % 60) - 70);
    };
    const std::string texts[] = {"", "H12", "a}b", "x\r\ny", "\n", gbk("φ100×10"), std::string(255, 'w'),
                                 gbk("日期:1980/01/01\r\n当时壁厚:10 mm}")};
    auto pick = [&]() { return texts[rng() % std::size(texts)]; };
    Drawing d;
    std::string expected;
    for (int k = 0; k < 300; ++k) {
        PipeObject o;
        o.Number = static_cast<std::int32_t>(rng());
        o.MainType = static_cast<std::int32_t>(rng() % 40);
        o.SubType = static_cast<std::int32_t>(rng()) >> (rng() % 32);
        o.StrtDir = number();
        o.EndDir = number();
        for (Vec3* p : {&o.Port1, &o.Port2, &o.Port3, &o.Port4, &o.dimYX1_st, &o.dimYX1_ed, &o.dimYX2_st,
                        &o.dimYX2_ed, &o.dimL_st, &o.dimL_ed, &o.dimTxt_st})
            *p = {number(), number(), number()};
        o.dimAngle = static_cast<std::int32_t>(rng());
        for (ObjectText* t : {&o.DistTxt, &o.CaiLiao, &o.GuiGe, &o.XingHao, &o.StartUse, &o.LastCheck,
                              &o.FirstCase, &o.MidCase, &o.LastCase})
            *t = pick();
        o.BiHou = number();
        o.Distanc = number();
        expected += printfObject(o);
        d.objects.append(std::make_unique<PipeObject>(o));
    }
    const std::string file = write(d);
    const std::size_t from = file.find("Object{");
    ASSERT_NE(from, std::string::npos);
    EXPECT_EQ(file.substr(from), expected);
}

TEST(DrawingFile, WhatTheWriterWritesReadsBackIdentically) {
    Drawing d;
    DrawingSettings s;
    fillEveryField(d, s);
    tubra::testing::generateDrawing(d, {.objects = 400, .seed = 3});
    const std::string first = write(d, s);

    Loaded l(first);
    EXPECT_EQ(l.settings, s);  // the main-pipe switch is not overwritten by "FuZhuXianLayer"
    ASSERT_EQ(l.drawing.objects.size(), d.objects.size());
    EXPECT_EQ(l.drawing.objects.at(0), d.objects.at(0));  // values exact in six decimals
    for (std::size_t i = 0; i < d.objects.size(); ++i) {
        const PipeObject& got = l.drawing.objects.at(i);
        const PipeObject& want = d.objects.at(i);
        ASSERT_EQ(got.MainType, want.MainType);
        ASSERT_EQ(got.Number, want.Number);
        ASSERT_EQ(got.DistTxt, want.DistTxt.empty() ? " " : want.DistTxt.view());
        ASSERT_EQ(got.MidCase, want.MidCase);
        ASSERT_NEAR(got.Port2.x, want.Port2.x, 1e-6);
    }
    EXPECT_EQ(l.drawing.table, d.table);
    EXPECT_EQ(l.drawing.title.values, d.title.values);
    EXPECT_EQ(l.drawing.AxisSet, d.AxisSet);
    EXPECT_EQ(l.drawing.IsShowReport, d.IsShowReport);
    EXPECT_EQ(l.drawing.zoomLoaded, 1);
    // Bytes: numbers are already in six decimals, so only the empty length texts change once.
    const std::string second = write(l.drawing, l.settings);
    Loaded again(second);
    EXPECT_EQ(write(again.drawing, again.settings), second);
    std::string normalised = first;
    for (std::size_t p = 0; (p = normalised.find("\tDistTxt    \n", p)) != std::string::npos;)
        normalised.replace(p, 13, "\tDistTxt     \n");
    EXPECT_EQ(second, normalised);
}

TEST(DrawingFile, SectionsAreOnlyWrittenWhenTheyHoldData) {
    Drawing d;
    const std::string out = write(d);
    EXPECT_EQ(out.find("TeXingBiao"), std::string::npos);
    EXPECT_EQ(out.find("Title"), std::string::npos);
    EXPECT_EQ(out.find("Object"), std::string::npos);
    EXPECT_EQ(out.substr(out.size() - 3), "}\n\n");
}

TEST(DrawingFile, ReaderFindsKeysAnywhereAndTheFirstKeyWins) {
    const std::string file =
        "junk before\r\n"
        "xx2dDrawing {\r\n"
        "  stuff  Total 4\r\n"
        "DimTextColor 77\r\n"
        "TextColor -1\r\n"
        "PingXieColor -16777216\r\n"
        "ZoomPara garbage\r\n"
        "AxisSet 0 ABCDEF\r\n"
        "IsShowReport 1\r\n"
        "}\r\n"
        "Object{\n"
        "\tMainType 2\n"
        "\tGuiGe Port1\n"          // holds an earlier key: taken as Port1, which does not scan
        "\tPort4 9 8 7 MainType\n"  // taken as MainType: the first number after the first word
        "\tNumber     41\n"
        "\tXingHao\n"
        "\tCaiLiao  DN 100 \n"
        "\tEndDir 3e0\n"
        "\tBiHou 1x\n"
        "}\n"
        "Object{\n"
        "\tNumber 5\n"
        "\tDistTxt\n"
        "\tFirstCase  A\xFD\xFE" "B\xFE\n"
        "\tMidCase\n"
        "\tLastCase   }\n"          // ends the object here
        "\tXingHao Z\n"             // read at the top level: ignored
        "}\n";
    Loaded l(file);
    const Drawing& d = l.drawing;
    EXPECT_EQ(l.settings.DimTextColor, 77u);
    EXPECT_EQ(l.settings.TextColor, 0xFFFFFFFFu);
    EXPECT_EQ(l.settings.PingXieColor, 0xFF000000u);
    EXPECT_EQ(d.ZoomPara, 1.0);  // did not scan, kept
    EXPECT_EQ(d.zoomLoaded, 1);
    EXPECT_EQ(d.AxisSet.visible, 0);
    EXPECT_EQ(d.AxisSet.labels[0], "ABCD");  // cut to 4 bytes
    EXPECT_TRUE(d.AxisSet.labels[1].empty());  // cleared before reading
    EXPECT_EQ(d.IsShowReport, (std::array<std::int32_t, 2>{1, 0}));
    ASSERT_EQ(d.objects.size(), 2u);
    EXPECT_EQ(d.Total(), 2);
    const PipeObject& a = d.objects.at(0);
    EXPECT_EQ(a.MainType, 9);
    EXPECT_EQ(a.Port1, Vec3());
    EXPECT_EQ(a.Port4, Vec3());
    EXPECT_TRUE(a.GuiGe.empty());
    EXPECT_TRUE(a.XingHao.empty());
    EXPECT_TRUE(a.DistTxt.empty());
    EXPECT_EQ(a.Number, 41);
    EXPECT_EQ(a.CaiLiao, "DN 100");  // a value with blanks survives
    EXPECT_EQ(a.EndDir, 3.0);
    EXPECT_EQ(a.BiHou, 1.0);
    const PipeObject& b = d.objects.at(1);
    EXPECT_EQ(b.Number, 5);  // kept, not renumbered
    EXPECT_EQ(b.DistTxt, " ");
    EXPECT_EQ(b.FirstCase, "A\r\nB\n");
    EXPECT_TRUE(b.MidCase.empty());
    EXPECT_TRUE(b.LastCase.empty());
    EXPECT_TRUE(b.XingHao.empty());
}

TEST(DrawingFile, TableAndTitleRules) {
    std::string file = "TeXingBiao{\n";
    for (int i = 0; i < 20; ++i) file += "row" + std::to_string(i) + (i == 2 ? std::string(50, 'x') : "") + "\n";
    file += "}\nTitle{\nA\nB\n}\n";
    Loaded l(file);
    EXPECT_EQ(l.drawing.table.values[0], "row0");
    EXPECT_EQ(l.drawing.table.values[2].size(), 40u);
    EXPECT_EQ(l.drawing.table.values[17], "row17");
    EXPECT_EQ(l.drawing.title.values[1], "B");
    EXPECT_TRUE(l.drawing.title.values[2].empty());
    EXPECT_EQ(l.drawing.title.labels[0], gbk(" 制 图 "));

    // A second, shorter table replaces the first; a title keeps values beyond its lines.
    Loaded m(file + "TeXingBiao{\nonly\n}\nTitle{\nC\n}\n");
    EXPECT_EQ(m.drawing.table.values[0], "only");
    EXPECT_TRUE(m.drawing.table.values[1].empty());
    EXPECT_EQ(m.drawing.title.values[0], "C");
    EXPECT_EQ(m.drawing.title.values[1], "B");

    // Without the sections: empty values, empty labels, defaults kept.
    Loaded n("2dDrawing {\n\t ZhuXianLayer    0\n}\n");
    EXPECT_TRUE(n.drawing.table.empty());
    EXPECT_TRUE(n.drawing.title.labels[0].empty());
    EXPECT_EQ(n.settings.ZhuXianLayer, 0);
    EXPECT_EQ(n.settings.ZhiXianLayer, 1);
    EXPECT_EQ(n.drawing.objects.size(), 0u);
}

TEST(DrawingFile, TextsThatWouldBreakTheFormatAreReplacedOnWriting) {
    Drawing d;
    PipeObject& o = d.addObject({kindValue(ObjectKind::Pipe), 0, 2, {}, {}, 0, -1});
    o.DistTxt = "a}b";
    o.GuiGe = "x\ny";
    o.MidCase = "1}\r\n2";
    d.table.values[0] = "T}";
    const std::string out = write(d);
    Loaded l(out);
    ASSERT_EQ(l.drawing.objects.size(), 1u);
    const PipeObject& r = l.drawing.objects.at(0);
    EXPECT_EQ(r.DistTxt, "a]b");
    EXPECT_EQ(r.GuiGe, "x y");
    EXPECT_EQ(r.MidCase, "1]\r\n2");
    EXPECT_EQ(l.drawing.table.values[0], "T]");
}

TEST(DrawingFile, AxisLabelsKeepTheirPlacesOnTheirSharedLine) {
    Drawing d;
    d.AxisSet.labels[0] = "";  // empty before non-empty ones: written as a full-width blank
    d.AxisSet.labels[1] = "a b";
    d.AxisSet.labels[2] = "x}";
    std::string out = write(d);
    EXPECT_NE(out.find("\t AxisSet       1 \xA1\xA1 a_b x]\n"), std::string::npos);
    Loaded back(out);
    EXPECT_EQ(back.drawing.AxisSet.labels[0], kEmptyAxisLabel);
    EXPECT_EQ(back.drawing.AxisSet.labels[1], "a_b");
    EXPECT_EQ(back.drawing.AxisSet.labels[2], "x]");
    EXPECT_EQ(write(back.drawing), out);

    // Empty labels at the end shift nothing and are written as they are.
    d.AxisSet.labels[0] = gbk("上");
    d.AxisSet.labels[1] = "";
    d.AxisSet.labels[2] = "";
    out = write(d);
    EXPECT_NE(out.find("\t AxisSet       1 " + gbk("上") + "  \n"), std::string::npos);
    EXPECT_EQ(Loaded(out).drawing.AxisSet, d.AxisSet);
    // A two-byte character ending in '}' cannot stay either.
    EXPECT_EQ(axisLabelForFile("\x81}a", true), "?a");
    EXPECT_EQ(axisLabelForFile("\tab\t\t", true), "_ab_");
}

TEST(DrawingFile, ReportSectionsAreKeptAtTheirPlace) {
    const std::string file =
        "2dDrawing {\n}\n"
        "JianYan_IReportData{\nj1\n}\n"
        "Face_ReportData{\nf1\n\nf3\n}\n"
        "PrintSet_ReportData{\n -1 -1\n1\n}\n"
        "Unknown{\nzzz\n}\n";
    Loaded l(file);
    Drawing& d = l.drawing;
    const std::string out = write(d, l.settings);
    const auto ps = out.find("PrintSet_ReportData{\n -1 -1\n1\n}\n\n");
    const auto face = out.find("Face_ReportData{\nf1\n\nf3\n}\n\n");
    const auto jy = out.find("JianYan_IReportData{\nj1\n}\n\n");
    ASSERT_NE(ps, std::string::npos);
    ASSERT_NE(face, std::string::npos);
    ASSERT_NE(jy, std::string::npos);
    EXPECT_LT(out.find("}\n\n"), ps);
    EXPECT_LT(ps, face);
    EXPECT_LT(face, jy);
    EXPECT_EQ(out.find("zzz"), std::string::npos);
}

// The object reader the plain way, for comparing the reader's shortcuts with: every line is
// searched for each key in turn and scanned with scanf formats.
namespace plain {

const std::vector<std::string_view> kObjectKeys = {
    "MainType", "SubType", "StrtDir", "EndDir", "Port1", "Port2", "Port3", "Port4", "Distanc", "DistTxt",
    "dimYX1_st", "dimYX1_ed", "dimYX2_st", "dimYX2_ed", "dimL_st", "dimL_ed", "dimTxt_st", "dimAngle",
    "CaiLiao", "GuiGe", "XingHao", "StartUse", "LastCheck", "FirstCase", "MidCase", "LastCase", "BiHou",
    "Number"};

int firstKey(const std::vector<std::string_view>& keys, std::string_view line) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (line.find(keys[i]) != std::string_view::npos) return static_cast<int>(i);
    return -1;
}

// What follows the first word and its white space, without trailing white space.
bool textAfterWord(std::string_view line, std::string& out) {
    std::size_t p = 0;
    while (p < line.size() && text::isCSpace(line[p])) ++p;
    while (p < line.size() && !text::isCSpace(line[p])) ++p;
    while (p < line.size() && text::isCSpace(line[p])) ++p;
    std::size_t e = line.size();
    while (e > p && text::isCSpace(line[e - 1])) --e;
    if (p >= e) return false;
    out = std::string(line.substr(p, e - p));
    return true;
}

std::vector<PipeObject> readObjects(std::string_view data) {
    const std::vector<std::string_view> sections = {"2dDrawing", "Object", "TeXingBiao", "Title"};
    std::vector<PipeObject> objects;
    LineReader in(data);
    std::string_view line;
    while (in.next(line)) {
        const int section = firstKey(sections, line);
        if (section < 0) continue;
        if (section != 1) {
            while (in.next(line) && !closesSection(line)) {}
            continue;
        }
        PipeObject o;
        while (in.next(line) && !closesSection(line)) {
            std::string_view w;
            int i = 0;
            double x = 0, y = 0, z = 0;
            std::string t;
            auto integer = [&](std::int32_t& f) { if (text::scanf(line, "%s %d", w, i) == 2) f = i; };
            auto number = [&](double& f) { if (text::scanf(line, "%s %lf", w, x) == 2) f = x; };
            auto point = [&](Vec3& p) {
                const int n = text::scanf(line, "%s %lf %lf %lf", w, x, y, z);
                if (n >= 2) p.x = x;
                if (n >= 3) p.y = y;
                if (n >= 4) p.z = z;
            };
            auto words = [&](ObjectText& f) { if (textAfterWord(line, t)) f = t; };
            auto record = [&](ObjectText& f, std::string_view key) {
                std::size_t p = std::min(line.size(), key.size() + 1);
                while (p < line.size() && line[p] == ' ') ++p;
                t = std::string(line.substr(p));
                for (char& c : t) c = c == '\xFD' ? '\r' : c == '\xFE' ? '\n' : c;
                f = t;
            };
            Vec3* points[] = {&o.Port1, &o.Port2, &o.Port3, &o.Port4, &o.dimYX1_st, &o.dimYX1_ed,
                              &o.dimYX2_st, &o.dimYX2_ed, &o.dimL_st, &o.dimL_ed, &o.dimTxt_st};
            switch (const int k = firstKey(kObjectKeys, line)) {
                case 0: integer(o.MainType); break;
                case 1: integer(o.SubType); break;
                case 2: number(o.StrtDir); break;
                case 3: number(o.EndDir); break;
                case 4: case 5: case 6: case 7: point(*points[k - 4]); break;
                case 8: number(o.Distanc); break;
                case 9: o.DistTxt = textAfterWord(line, t) ? std::string_view(t) : std::string_view(" "); break;
                case 10: case 11: case 12: case 13: case 14: case 15: case 16: point(*points[k - 6]); break;
                case 17: integer(o.dimAngle); break;
                case 18: words(o.CaiLiao); break;
                case 19: words(o.GuiGe); break;
                case 20: words(o.XingHao); break;
                case 21: words(o.StartUse); break;
                case 22: words(o.LastCheck); break;
                case 23: record(o.FirstCase, kObjectKeys[23]); break;
                case 24: record(o.MidCase, kObjectKeys[24]); break;
                case 25: record(o.LastCase, kObjectKeys[25]); break;
                case 26: number(o.BiHou); break;
                case 27: integer(o.Number); break;
                default: break;
            }
        }
        objects.push_back(o);
    }
    return objects;
}

// Equal to the bit, so that -0 and 0, or two different not-a-numbers, differ.
bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }
bool sameBits(const Vec3& a, const Vec3& b) { return sameBits(a.x, b.x) && sameBits(a.y, b.y) && sameBits(a.z, b.z); }
bool sameObject(const PipeObject& a, const PipeObject& b) {
    return a.Number == b.Number && a.MainType == b.MainType && a.SubType == b.SubType &&
           sameBits(a.StrtDir, b.StrtDir) && sameBits(a.EndDir, b.EndDir) && sameBits(a.Port1, b.Port1) &&
           sameBits(a.Port2, b.Port2) && sameBits(a.Port3, b.Port3) && sameBits(a.Port4, b.Port4) &&
           sameBits(a.dimYX1_st, b.dimYX1_st) && sameBits(a.dimYX1_ed, b.dimYX1_ed) &&
           sameBits(a.dimYX2_st, b.dimYX2_st) && sameBits(a.dimYX2_ed, b.dimYX2_ed) &&
           sameBits(a.dimL_st, b.dimL_st) && sameBits(a.dimL_ed, b.dimL_ed) &&
           sameBits(a.dimTxt_st, b.dimTxt_st) && a.dimAngle == b.dimAngle && a.DistTxt == b.DistTxt &&
           a.CaiLiao == b.CaiLiao && a.GuiGe == b.GuiGe && a.XingHao == b.XingHao && a.StartUse == b.StartUse &&
           a.LastCheck == b.LastCheck && a.FirstCase == b.FirstCase && a.MidCase == b.MidCase &&
           a.LastCase == b.LastCase && sameBits(a.BiHou, b.BiHou) && sameBits(a.Distanc, b.Distanc);
}

}  // namespace plain

// Object lines as the writer writes them and as hands and other programs leave them: numbers
// in every notation, blanks of every kind, values missing or too many, keys inside values and
// glued to them, braces, NULs and CR LF line ends. The reader's shortcuts for the usual lines
// must read every one of them as the plain line-by-line reading does.
TEST(DrawingFile, ReaderShortcutsReadEveryLineAsThePlainWayDoes) {
    std::mt19937 rng(21);
    auto pick = [&](std::initializer_list<std::string_view> l) { return std::string(*(l.begin() + rng() % l.size())); };
    auto number = [&]() {
        switch (rng() % 12) {
            case 0: return pick({"-0", "+5", ".5", "5.", "-.5", "1e5", "1E-3", "inf", "-nan", "0x1p3", "1.5.2",
                                 "12345678901234567890.5", "0.1234567890123456789", "99999999999999999999",
                                 "-", ".", "3e", "2147483648", "-2147483649"});
            case 1: return std::to_string(static_cast<int>(rng() % 20000) - 10000);
            default: {
                char buf[64];
                std::snprintf(buf, sizeof buf, "%.6f", (static_cast<double>(rng() % 2000000) - 1e6) / 97.0);
                return std::string(buf);
            }
        }
    };
    auto blank = [&]() { return pick({" ", "  ", "\t", " \t ", "\v", "\r ", "", "      "}); };
    auto text = [&]() {
        return pick({"20#", gbk("φ108×4"), "a b", "Port1", "x Number 5", "MainType", "\xFD\xFE" + gbk("日期"),
                     "H12", "", "  lead", "trail  ", "DistTxt2", "\xB0\xFD\xB1\xFE", "7"});
    };
    std::string data;
    std::size_t lines = 0;
    for (int obj = 0; obj < 2000; ++obj) {
        data += rng() % 20 ? "Object{\n" : "Object{ \r\n";
        for (std::size_t k = 0; k < plain::kObjectKeys.size(); ++k) {
            const int r = static_cast<int>(rng() % 100);
            if (r < 3) continue;  // a missing line
            std::string key(plain::kObjectKeys[k]);
            if (r < 6) key = std::string(plain::kObjectKeys[rng() % plain::kObjectKeys.size()]);  // out of order
            std::string line = r < 90 ? "\t" + key : blank() + key;
            const bool numeric = k <= 8 || (k >= 10 && k <= 17) || k >= 26;
            const int values = (k >= 4 && k <= 7) || (k >= 10 && k <= 16) ? 3 : 1;
            if (numeric) {
                int n = values;
                if (rng() % 10 == 0) n = static_cast<int>(rng() % 5);
                for (int v = 0; v < n; ++v) line += (rng() % 15 ? "  " : blank()) + number();
            } else {
                line += "    " + text();
            }
            switch (rng() % 40) {
                case 0: line += " " + pick({"Port1", "MainType", "Number", "}", "z", "Object"}); break;
                case 1: line.insert(std::min(line.size(), std::size_t{1} + rng() % 12), pick({"-", "1", "x", "}"})); break;
                case 2: line += std::string("\0", 1) + "9"; break;
                case 3: line += blank(); break;
                default: break;
            }
            data += line + (rng() % 25 ? "\n" : "\r\n");
            ++lines;
        }
        data += rng() % 30 ? "}\n\n" : "}";
        if (rng() % 30 == 0) data += "\n";
    }
    ASSERT_GT(lines, 50000u);
    Loaded l(data);
    const std::vector<PipeObject> want = plain::readObjects(data);
    ASSERT_EQ(l.drawing.objects.size(), want.size());
    for (std::size_t i = 0; i < want.size(); ++i)
        ASSERT_TRUE(plain::sameObject(l.drawing.objects.at(i), want[i])) << "object " << i;

    // And the usual file, read the usual way.
    Drawing d;
    tubra::testing::generateDrawing(d, {.objects = 500, .seed = 4});
    const std::string usual = write(d);
    Loaded u(usual);
    const std::vector<PipeObject> plainly = plain::readObjects(usual);
    ASSERT_EQ(u.drawing.objects.size(), plainly.size());
    for (std::size_t i = 0; i < plainly.size(); ++i)
        ASSERT_TRUE(plain::sameObject(u.drawing.objects.at(i), plainly[i])) << "object " << i;
}

TEST(DrawingFile, GarbageNeverBreaksTheReader) {
    std::mt19937 rng(11);
    const std::string pieces[] = {"Object{", "}", "\n", "\r\n", "Port1 ", "1e308 ", "nan ", "-",
                                  "FirstCase ", "TeXingBiao", "Title", "2dDrawing", "AxisSet 1 ",
                                  std::string(300, 'x'), std::string("\0\xFD\xFE\xFF", 4), "Total 9"};
    for (int k = 0; k < 300; ++k) {
        std::string data;
        const int n = static_cast<int>(rng() % 40);
        for (int i = 0; i < n; ++i) data += pieces[rng() % std::size(pieces)];
        // After one load and save, the file is stable: loading and saving it changes nothing.
        Loaded l(data);
        Loaded once(write(l.drawing, l.settings));
        const std::string out = write(once.drawing, once.settings);
        Loaded again(out);
        ASSERT_EQ(write(again.drawing, again.settings), out);
    }
}

}  // namespace

namespace {

// The first key of the list found anywhere in the line, the plain way.
int naiveFind(const std::vector<std::string_view>& keys, std::string_view line) {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (line.find(keys[i]) != std::string_view::npos) return static_cast<int>(i);
    return -1;
}

TEST(KeyMatcher, AgreesWithSearchingEachKeyInTurn) {
    const std::vector<std::string_view> keys = {"Total", "FuZhuXianLayer", "ZhuXianLayer", "DimTextColor",
                                                "TextColor", "Port1", "Port2", "dimL_st", "Z", "Xa",
                                                "ExPort1x", "aTotal"};
    const KeyMatcher m{"Total", "FuZhuXianLayer", "ZhuXianLayer", "DimTextColor", "TextColor",
                       "Port1", "Port2", "dimL_st", "Z", "Xa", "ExPort1x", "aTotal"};
    const std::string pieces[] = {"Total", "FuZhuXian", "ZhuXianLayer", "Layer", "DimText", "Color",
                                  "Port", "1", "2", "dimL_", "st", " ", "\t", "123.5", "\xD6\xD0",
                                  "\xFD", "X", "a", "Fu", "Zh", "Text", "Ex", "x"};
    std::mt19937 rng(5);
    for (int k = 0; k < 50000; ++k) {
        std::string line;
        const int n = static_cast<int>(rng() % 12);
        for (int i = 0; i < n; ++i) line += pieces[rng() % std::size(pieces)];
        ASSERT_EQ(m.find(line), naiveFind(keys, line)) << line;
    }
}

// The shortcuts for lines that start with their key keep to what find() says: a key found at
// the start decides unless an earlier key comes later in the line.
TEST(KeyMatcher, LeadingKeysAgreeWithSearchingEachKeyInTurn) {
    // Keys inside keys ("Total" in "aTotal", "Port1" in "ExPort1x"), keys beginning keys
    // ("Port" and "Port1"), one-byte keys.
    const std::vector<std::string_view> keys = {"Total", "FuZhuXianLayer", "ZhuXianLayer", "DimTextColor",
                                                "TextColor", "Port", "Port1", "Port2", "dimL_st", "Z", "Xa",
                                                "ExPort1x", "aTotal", "LongerThanSixteenBytes"};
    const KeyMatcher m{"Total", "FuZhuXianLayer", "ZhuXianLayer", "DimTextColor", "TextColor", "Port",
                       "Port1", "Port2", "dimL_st", "Z", "Xa", "ExPort1x", "aTotal", "LongerThanSixteenBytes"};
    const std::string pieces[] = {"Total", "FuZhuXian", "ZhuXianLayer", "Layer", "DimText", "Color", "Port",
                                  "1", "2", "dimL_", "st", " ", "\t", "123.5", "\xD6\xD0", "X", "a", "Zh",
                                  "Ex", "x", "-", "LongerThanSixteenBytes", "\n"};
    std::mt19937 rng(8);
    int leading = 0;
    for (int k = 0; k < 100000; ++k) {
        std::string line = (rng() % 2) ? "\t" : "";
        const int n = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < n; ++i) line += pieces[rng() % std::size(pieces)];
        const int expected = static_cast<int>(rng() % (keys.size() + 2)) - 1;
        std::size_t end = 0;
        const int lead = m.leadingKey(line, end, expected);
        const int want = naiveFind(keys, line);
        if (lead >= 0) {
            ++leading;
            ASSERT_EQ(line.substr(line.find_first_not_of(" \t"), end - line.find_first_not_of(" \t")), keys[lead]);
            const int earlier = m.findBefore(line.substr(end), lead);
            ASSERT_EQ(earlier >= 0 ? earlier : lead, want) << line;
            ASSERT_EQ(m.leadingKeyEnd(line, lead), end) << line;
        }
        for (int key = 0; key < static_cast<int>(keys.size()); ++key) {
            if (const std::size_t e = m.leadingKeyEnd(line, key)) {
                const int earlier = m.findBefore(line.substr(e), key);
                ASSERT_EQ(earlier >= 0 ? earlier : key, want) << line << " " << keys[key];
            }
        }
        const int bound = static_cast<int>(rng() % (keys.size() + 1));
        const int below = m.findBefore(line, bound);
        ASSERT_EQ(below, want >= 0 && want < bound ? want : -1) << line;
    }
    EXPECT_GT(leading, 5000);  // the shortcut is taken often enough to be tested
}

}  // namespace
