// Reading bores and elevation marks out of drawing texts (GBK bytes).

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

#include "text/Gbk.h"
#include "tubra/spatial/Texts.h"

using namespace tubra::spatial;
using text::gbk;

TEST(Bore, FromNominalSizeDiameterOrLeadingSize) {
    const std::pair<std::string, double> read[] = {
        {gbk("φ159×6"), 159},
        {gbk("Φ500×5.0"), 500},
        {gbk("φ 57×4"), 57},
        {"DN100", 100},
        {"dn 80", 80},
        {"159x6", 159},
        {gbk("159×6"), 159},
        {"88.9*5.5", 88.9},
        {gbk("无缝钢管 φ108×4"), 108},
        {gbk("φ159×6、φ57×4"), 159},
        {gbk("ф219×8"), 219},
        {gbk("DN150 φ159×6"), 150},
    };
    for (const auto& [s, mm] : read) {
        SCOPED_TRACE(text::gbkToUtf8(s));
        const auto v = readBore(s);
        ASSERT_TRUE(v);
        EXPECT_DOUBLE_EQ(*v, mm);
    }
    for (const std::string& s :
         {std::string(), std::string("ABC"), gbk("φ"), std::string("159"), std::string("DN"),
          gbk("型号"), std::string("150/100"), std::string("DN0")}) {
        SCOPED_TRACE(text::gbkToUtf8(s));
        EXPECT_FALSE(readBore(s));
    }
}

TEST(Bore, SecondSizeOfAReducer) {
    EXPECT_EQ(readSecondBore(gbk("φ159×6-φ108×4")), 108.0);
    EXPECT_EQ(readSecondBore("DN150x100"), 100.0);
    EXPECT_EQ(readSecondBore(gbk("DN150×100")), 100.0);
    EXPECT_EQ(readSecondBore("DN150/DN100"), 100.0);
    EXPECT_EQ(readSecondBore("DN150 DN100"), 100.0);
    EXPECT_FALSE(readSecondBore(gbk("φ159×6")));
    EXPECT_FALSE(readSecondBore("DN150"));
    EXPECT_FALSE(readSecondBore(""));
}

TEST(Bore, NominalBoreFromTheOutsideDiameterByTheTable) {
    // Both series of outside diameters, and values near them; others as they stand.
    const std::pair<double, double> cases[] = {{159, 150}, {168.3, 150}, {108, 100}, {114.3, 100},
                                               {89, 80},   {57, 50},     {219, 200}, {325, 300},
                                               {18, 15},   {21.3, 15},   {160, 150}, {100, 100},
                                               {2500, 2500}, {7.5, 7.5}};
    for (const auto& [outside, dn] : cases) EXPECT_EQ(nominalBoreOf(outside), dn) << outside;
    EXPECT_EQ(readNominalBore("DN80"), 80.0);  // a DN as it stands
    EXPECT_EQ(readNominalBore(gbk("φ219×8")), 200.0);
    EXPECT_EQ(readSecondNominalBore(gbk("φ159×6-φ89×4.5")), 80.0);
    EXPECT_EQ(readSecondNominalBore("DN150/DN100"), 100.0);
    EXPECT_FALSE(readNominalBore(gbk("不锈钢")));
}

TEST(ElevationMark, MetresUnlessMillimetresFollow) {
    const std::pair<std::string, double> read[] = {
        {gbk("▽3.25m"), 3250},     {gbk("▽3.25   m"), 3250}, {gbk("▽+3.250"), 3250},
        {gbk("▽-0.50m"), -500},    {gbk("▽－1.2"), -1200},   {gbk("▽ 3250mm"), 3250},
        {gbk("标高▽6.00m"), 6000}, {gbk("▽abc ▽1.5"), 1500},
    };
    for (const auto& [s, mm] : read) {
        SCOPED_TRACE(text::gbkToUtf8(s));
        const auto v = readElevationMark(s);
        ASSERT_TRUE(v);
        EXPECT_NEAR(*v, mm, 1e-9);
    }
    for (const std::string& s :
         {std::string(), std::string("3.25m"), gbk("▽"), gbk("△3.25m"), std::string("R2")}) {
        SCOPED_TRACE(text::gbkToUtf8(s));
        EXPECT_FALSE(readElevationMark(s));
    }
}

TEST(DrawingTexts, TheSecondByteOfACharacterIsNeverALetterOrAMark) {
    // 0xB0 0x44 is one character whose second byte is 'D'; a search over bytes would find "DN100".
    EXPECT_FALSE(readBore("\xB0\x44N100"));
    EXPECT_EQ(readBore("\xB0\x44 DN100"), 100.0);
    // 0xB0 0xA8 and 0x8C 0x33 are two characters; the bytes 0xA8 0x8C between them spell "▽".
    EXPECT_FALSE(readElevationMark("\xB0\xA8\x8C\x33.25m"));
    EXPECT_FALSE(readBore("\xA6"));
}

TEST(DrawingTexts, AnyBytesGiveNoneOrANumberInRange) {
    std::mt19937 rng(23);
    const std::string pieces[] = {"4",       "2",
                                  ".",       ",",
                                  "m",       "M",
                                  "D",       "N",
                                  "x",       "/",
                                  "-",       "+",
                                  "^",       " ",
                                  "~",       "L=",
                                  gbk("约"), gbk("米"),
                                  gbk("φ"),  gbk("▽"),
                                  gbk("×"),  gbk("０"),
                                  "\xA3",    "\xB0",
                                  "\xFF",    std::string(1, '\0')};
    for (int round = 0; round < 20000; ++round) {
        std::string s;
        const int n = static_cast<int>(rng() % 12);
        for (int k = 0; k < n; ++k) s += pieces[rng() % std::size(pieces)];
        if (const auto v = readBore(s)) {
            EXPECT_TRUE(std::isfinite(*v) && *v > 0 && *v <= 1e5) << s;
        }
        if (const auto v = readSecondBore(s)) {
            EXPECT_TRUE(std::isfinite(*v) && *v > 0 && *v <= 1e5) << s;
        }
        if (const auto v = readElevationMark(s)) {
            EXPECT_TRUE(std::isfinite(*v) && std::fabs(*v) <= 1e9) << s;
        }
    }
}
