// What the drawing file can carry: characters of its texts, and numbers as it keeps them.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <random>
#include <string>

#include "text/CFormat.h"
#include "text/Gbk.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/DrawingFile.h"
#include "tubra/model/FileText.h"

using namespace tubra::model;
using text::gbk;

TEST(FileText, CharactersTheFileCannotCarryAreReplaced) {
    // 倉 ends in '}', which ends a section; 二 三 件 hold 0xFE or 0xFD, the weld records' line
    // breaks; a lone lead byte would pair with the byte written after it.
    const std::string line = gbk("倉库") + "}A" + gbk("二三件") + "\xB6";
    EXPECT_EQ(carriedText(TextPlace::Line, line), "?" + gbk("库") + "]A" + gbk("二三件") + "?");
    EXPECT_EQ(carriedText(TextPlace::Record, gbk("返修二次，三件") + "\r\n" + gbk("合格")),
              gbk("返修") + "?" + gbk("次，") + "??\r\n" + gbk("合格"));
    // What can be carried stays byte for byte.
    const std::string plain = gbk("日期:1980/01/01") + "\r\n" + gbk("焊缝质量:Ⅰ级 φ100×10");
    EXPECT_EQ(carriedText(TextPlace::Record, plain), plain);
    EXPECT_EQ(carriedText(TextPlace::Line, plain), plain);
}

TEST(FileText, AWeldRecordThatWasCarriedReadsBackAsItWas) {
    Drawing d;
    PipeObject& w = d.addObject({kindValue(ObjectKind::Weld), -1, 2.0, {}, {}, 0.0, -1.0});
    w.FirstCase = carriedText(TextPlace::Record, gbk("返修二次，三件") + "\r\n" + gbk("合格"));
    w.CaiLiao = carriedText(TextPlace::Line, gbk("倉") + "}");
    std::string file;
    writeDrawing(d, DrawingSettings{}, file);
    Drawing back;
    DrawingSettings settings;
    readDrawing(file, back, settings);
    ASSERT_EQ(back.objects.size(), 1u);
    EXPECT_EQ(back.objects.at(0).FirstCase, w.FirstCase);
    EXPECT_EQ(back.objects.at(0).CaiLiao, w.CaiLiao);
}

TEST(FileNumbers, ANumberIsWhatTheFileGivesBack) {
    // fileNumber(v) is exactly what "%f" written and read again gives, also at halves.
    std::mt19937_64 rng(31);
    std::uniform_real_distribution<double> any(-2e4, 2e4);
    const auto viaFile = [](double v) {
        std::string s;
        text::appendFixed(s, v, 6);
        return std::strtod(s.c_str(), nullptr);
    };
    for (int i = 0; i < 200000; ++i) {
        const double v = i % 4 == 0 ? std::round(any(rng) * 2e6) / 4e6 : any(rng);  // halves of millionths too
        const double kept = fileNumber(v);
        ASSERT_EQ(kept, viaFile(v)) << std::hexfloat << v;
        ASSERT_EQ(std::signbit(kept), std::signbit(viaFile(v))) << v;
        ASSERT_EQ(fileNumber(kept), kept);
    }
    EXPECT_EQ(fileNumber(1.0 / 128), viaFile(1.0 / 128));
    EXPECT_TRUE(std::signbit(fileNumber(-1e-9)));
    EXPECT_EQ(fileNumber(1e15 + 0.25), 1e15 + 0.25);
    EXPECT_TRUE(std::isnan(fileNumber(std::nan(""))));

    PipeObject o;
    o.Port2 = {866.02540378443865, -500.00000000000006, 0.0};
    o.Distanc = 1000.0000000000001;
    EXPECT_TRUE(o.keepFileNumbers());
    EXPECT_EQ(o.Port2.x, 866.025404);
    EXPECT_EQ(o.Port2.y, -500.0);
    EXPECT_FALSE(o.keepFileNumbers());
}
