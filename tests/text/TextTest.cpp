#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "text/CFormat.h"
#include "text/FixedText.h"
#include "text/Gbk.h"

using namespace text;

namespace {

const std::string kZhong = "\xD6\xD0";  // 中 in GBK
const std::string kGuo = "\xB9\xFA";    // 国 in GBK

TEST(Gbk, CuttingNeverSplitsATwoByteCharacter) {
    const std::string s = "a" + kZhong + kGuo;  // 5 bytes
    EXPECT_EQ(gbkCutLength(s, 5), 5u);
    EXPECT_EQ(gbkCutLength(s, 4), 3u);
    EXPECT_EQ(gbkCutLength(s, 2), 1u);
    EXPECT_EQ(gbkCutLength(s, 0), 0u);
    // A lead byte at the very end stands alone and may be kept.
    EXPECT_EQ(gbkCutLength("ab\xD6", 3), 3u);

    FixedText<5> t(s);  // 4 bytes of text
    EXPECT_EQ(t.view(), "a" + kZhong);
    FixedText<41> exact(std::string(40, 'x'));
    EXPECT_EQ(exact.size(), 40u);
    FixedText<41> longer(std::string(41, 'x'));
    EXPECT_EQ(longer.size(), 40u);
    EXPECT_TRUE(FixedText<8>().assign(std::string("ab\0cd", 5)) == false);
    FixedText<8> nul(std::string("ab\0cd", 5));
    EXPECT_EQ(nul.view(), "ab");
}

TEST(Gbk, ConvertsToAndFromUtf8) {
    EXPECT_EQ(gbkToUtf8(kZhong + kGuo + "1"), "中国1");
    EXPECT_EQ(utf8ToGbk("中国1"), kZhong + kGuo + "1");
    EXPECT_EQ(utf8ToGbk("φ100×10"), "\xA6\xD5" "100\xA1\xC1" "10");
    EXPECT_EQ(gbkToUtf8(utf8ToGbk("▽ ℃ Ⅰ级")), "▽ ℃ Ⅰ级");
    // Invalid GBK: a lone lead byte at the end, and 0xFF.
    EXPECT_EQ(gbkToUtf8("a\xFF" "b"), "a\xEF\xBF\xBD" "b");
    EXPECT_EQ(gbkToUtf8("a\xD6"), "a\xEF\xBF\xBD");
    EXPECT_FALSE(isValidGbk("a\xFF"));
    EXPECT_TRUE(isValidGbk(kZhong));
    // Characters GBK lacks become '?'; broken UTF-8 too.
    EXPECT_EQ(utf8ToGbk("a😀b"), "a?b");
    EXPECT_EQ(utf8ToGbk("a\xE4\xB8"), "a?");
}

TEST(Gbk, ProgramTextsAreConvertedOnceAndStayValid) {
    const std::string& first = gbk("检验报告");
    EXPECT_EQ(first, utf8ToGbk("检验报告"));
    // The same text gives the same stored bytes, however it is spelt in the source.
    EXPECT_EQ(&gbk(std::string("检验") + "报告"), &first);
    // Many more texts later, the first reference still holds its bytes (a store that moves
    // its texts would leave it dangling).
    const std::string* before = &first;
    for (int i = 0; i < 2000; ++i) gbk("第" + std::to_string(i) + "页");
    EXPECT_EQ(&gbk("检验报告"), before);
    EXPECT_EQ(*before, "\xBC\xEC\xD1\xE9\xB1\xA8\xB8\xE6");
}

TEST(Gbk, ProgramTextsFromManyThreadsAgree) {
    std::vector<std::thread> threads;
    std::vector<const std::string*> seen(4);
    for (std::size_t t = 0; t < seen.size(); ++t)
        threads.emplace_back([&seen, t] {
            for (int i = 0; i < 200; ++i) gbk("线程" + std::to_string(i));
            seen[t] = &gbk("线程7");
        });
    for (auto& th : threads) th.join();
    for (const std::string* p : seen) EXPECT_EQ(p, seen[0]);
    EXPECT_EQ(*seen[0], utf8ToGbk("线程7"));
}

TEST(Gbk, SearchAndReplaceKeepToCharacterBoundaries) {
    // Second bytes that look like ASCII: '_' (0x5F), '@' (0x40), 'A' (0x41), '|' (0x7C).
    const std::string under = "\xD6\x5F";
    const std::string at = "\xB5\x40";
    const std::string capitalA = "\xC1\x41";
    EXPECT_EQ(gbkFind(under + "_", "_"), 2u);
    EXPECT_EQ(gbkFind(under, "_"), std::string_view::npos);
    EXPECT_EQ(gbkFind("a_b_", "_", 2), 3u);
    EXPECT_EQ(gbkFind("ab", "", 1), 1u);
    EXPECT_EQ(gbkFind("ab", "", 3), std::string_view::npos);
    // A lone lead byte at the end is a character of its own.
    EXPECT_EQ(gbkFind("a\xD6", "\xD6"), 1u);
    // Whole two-byte characters are found.
    EXPECT_EQ(gbkFind("x" + kZhong + kGuo, kGuo), 3u);

    EXPECT_EQ(gbkReplaceAll(at + "x@y@", "@", "|"), at + "x|y|");
    EXPECT_EQ(gbkReplaceAll(kZhong + "," + kGuo, ",", "/"), kZhong + "/" + kGuo);
    EXPECT_EQ(gbkReplaceAll("abc", "", "-"), "abc");

    EXPECT_EQ(gbkLower(capitalA + "AbC"), capitalA + "abc");
    EXPECT_EQ(trimBlanks(" \t a b\t "), "a b");
    EXPECT_EQ(trimBlanks(" \t "), "");
}

std::string cprintf(const char* fmt, double v) {
    char buf[512];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

TEST(CFormat, FormatsLikePrintf) {
    EXPECT_EQ(format("\t Total           %d\n", 12), "\t Total           12\n");
    EXPECT_EQ(format("%lu", 4278190080u), "4278190080");
    EXPECT_EQ(format("%d %d", -1, 2147483647), "-1 2147483647");
    EXPECT_EQ(format("%s@  %6.2f\n", "A1", 3.14159), "A1@    3.14\n");
    EXPECT_EQ(format("%-7.2f|%7.3f|%-d", 2.5, -2.5, 7), "2.50   | -2.500|7");
    EXPECT_EQ(format("%5s|%-5s|%.2s|%%", "ab", "ab", "abc"), "   ab|ab   |ab|%");
    EXPECT_EQ(format("%05d|%+d|% d|%.3d", -42, 5, 5, 7), "-0042|+5| 5|007");
    EXPECT_THROW(format("%d", 1.5), std::invalid_argument);
    EXPECT_THROW(format("%d %d", 1), std::invalid_argument);

    // Fixed notation against the C library on awkward values: ties, tiny, huge, specials.
    const double values[] = {0.0078125, -0.0, 0.5, 1.5, 2.5, 1e300, -1e-300, 2.5e-7, 123456.7890125,
                             1.0 / 0.0, -1.0 / 0.0, 0.0 / 0.0, 4294967295.0, 0.1, 1e22, 5e-324};
    const char* fmts[] = {"%f", "%lf", "%.2f", "%-7.2f", "%7.3f", "%6.2f", "%012.3f", "%+f", "%.0f"};
    for (double v : values)
        for (const char* f : fmts) EXPECT_EQ(format(f, v), cprintf(f, v)) << f << " " << v;

    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> mag(-12, 12);
    for (int k = 0; k < 20000; ++k) {
        const double v = std::pow(10.0, mag(rng)) * ((rng() & 1) ? -1 : 1);
        ASSERT_EQ(format("%lf", v), cprintf("%lf", v)) << v;
    }
}

std::string written(char* (*write)(char*, double), double v) {
    char buf[kMaxFixedChars];
    return std::string(buf, write(buf, v));
}

// The exact conversion must agree with the C library wherever rounding is hard: exact ties
// (dyadic fractions just past the sixth decimal, which go to the even digit), values a hair
// either side of a tie, every exponent from subnormal to past the 64-bit range, and random bits.
TEST(CFormat, FixedNotationIsExactAtEveryMagnitude) {
    std::vector<double> values = {0.0, -0.0, 0.0078125, -0.0078125, 0.0000005, 0.0000015, 2.5e-7,
                                  0.1234565, 1e-6, 5e-7, 9.9999995, 999999.9999995, 8999999999999.0,
                                  9.0e12, 9.2e12, 1.8e13, 9.007199254740993e15, 1e18, 1.5e19,
                                  4503599627370495.5, 5e-324, 2.2250738585072014e-308, 1e300};
    for (int k = 1; k <= 40; ++k) {
        // m / 2^k with k past 6 decimals: ties exactly at 7 decimals and beyond.
        const double tie = std::ldexp(static_cast<double>(2 * k + 1), -k - 1);
        for (double v : {tie, std::nextafter(tie, 0.0), std::nextafter(tie, 1.0), 1000.0 + tie,
                         123456.0 + std::ldexp(1.0, -k)})
            values.push_back(v);
    }
    for (int e = -1074; e <= 1023; e += 7) values.push_back(std::ldexp(1.37, e));
    for (double v : values) {
        for (double x : {v, -v}) {
            ASSERT_EQ(written(writeFixed, x), cprintf("%f", x)) << x;
            for (const char* f : {"%.0f", "%.2f", "%.3f", "%.9f", "%12.4f"})
                ASSERT_EQ(format(f, x), cprintf(f, x)) << f << " " << x;
        }
    }
    std::mt19937_64 rng(2024);
    for (int k = 0; k < 40000; ++k) {
        // Random bits with the exponents of the values drawings hold (2^-23 to 2^47).
        const std::uint64_t bits = (rng() & 0x800FFFFFFFFFFFFFULL) | ((1000ULL + rng() % 70) << 52);
        double v;
        std::memcpy(&v, &bits, sizeof v);
        ASSERT_EQ(written(writeFixed, v), cprintf("%f", v)) << v;
        ASSERT_EQ(format("%.3f", v), cprintf("%.3f", v)) << v;
    }
    for (double x : {1.0 / 0.0, -1.0 / 0.0, 0.0 / 0.0})
        EXPECT_EQ(written(writeFixed, x), cprintf("%f", x));

    char buf[kMaxIntegerChars];
    for (long long v : {0LL, -1LL, 2147483647LL, -2147483648LL, LLONG_MIN, LLONG_MAX})
        EXPECT_EQ(std::string(buf, writeInteger(buf, v)), std::to_string(v));
    EXPECT_EQ(std::string(buf, writeUnsigned(buf, ULLONG_MAX)), "18446744073709551615");
}

// Runs both scanners on `in` with a format of one numeric conversion plus %n.
template <typename T>
void expectSameScan(const std::string& in, const char* fmt, const char* cfmt) {
    T mine{}, theirs{};
    int myN = -1, theirN = -1;
    const int r1 = text::scanf(in, fmt, mine, myN);
    const int r2 = std::sscanf(in.c_str(), cfmt, &theirs, &theirN);
    ASSERT_EQ(r1, r2) << "'" << in << "' " << fmt;
    if (r2 == 1) {
        if constexpr (std::is_floating_point_v<T>) {
            if (std::isnan(theirs)) {
                ASSERT_TRUE(std::isnan(mine)) << in;
            } else {
                ASSERT_EQ(mine, theirs) << "'" << in << "' " << fmt;
            }
        } else {
            ASSERT_EQ(mine, theirs) << "'" << in << "' " << fmt;
        }
        ASSERT_EQ(myN, theirN) << "'" << in << "' " << fmt;
    }
}

TEST(CFormat, ScansLikeSscanf) {
    std::string_view key, a, b, c;
    int i = 0;
    double x = 0, y = 0, z = 0;
    EXPECT_EQ(text::scanf("\t Total           17", "%s %d", key, i), 2);
    EXPECT_EQ(key, "Total");
    EXPECT_EQ(i, 17);
    EXPECT_EQ(text::scanf("\tPort1      1.5  -2.25  3e2", "%s %lf %lf %lf", key, x, y, z), 4);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, -2.25);
    EXPECT_EQ(z, 300.0);
    EXPECT_EQ(text::scanf("\t AxisSet       1 \xC9\xCF \xB1\xB1", "%s %d %s %s %s", key, i, a, b, c), 4);
    EXPECT_EQ(b, "\xB1\xB1");
    EXPECT_EQ(text::scanf("   ", "%s %d", key, i), -1);
    EXPECT_EQ(text::scanf("abc", "%s %d", key, i), 1);
    EXPECT_EQ(text::scanf("abc x", "%s %d", key, i), 1);
    std::uint32_t colour = 0;
    EXPECT_EQ(text::scanf("k 4278190080", "%s %lu", key, colour), 2);
    EXPECT_EQ(colour, 4278190080u);
    EXPECT_EQ(text::scanf("k -16777216", "%s %ld", key, colour), 2);
    EXPECT_EQ(colour, 4278190080u);

    // Differential: the C library decides, on tokens that stress the edges.
    const char* tokens[] = {"1e", "1e+", "100ergs", ".5", "-.5", "+.e3", "inf", "infinity", "infin",
                            "nan(1)", "0x1p4", "0x", "0x.", "0xp3", "1.", ".", "-", "1e999",
                            "1e-999", "3000000000", "99999999999999999999", "-99999999999999999999",
                            "+5", "12abc", "0012", "- 5", "1e--3", "0x1.8p1", "3.4e39", "-0"};
    for (const char* t : tokens) {
        for (const std::string& in : {std::string(t), std::string("  ") + t, std::string("\t") + t + " 7"}) {
            expectSameScan<double>(in, "%lf%n", "%lf%n");
            expectSameScan<float>(in, "%f%n", "%f%n");
            expectSameScan<int>(in, "%d%n", "%d%n");
            expectSameScan<long>(in, "%ld%n", "%ld%n");
            expectSameScan<unsigned long>(in, "%lu%n", "%lu%n");
        }
    }
    // Numbers as the files hold them, and with more digits than an exact integer takes.
    std::mt19937_64 gen(99);
    std::uniform_real_distribution<double> mag(-8, 12);
    for (int k = 0; k < 20000; ++k) {
        const double v = std::pow(10.0, mag(gen)) * ((gen() & 1) ? -1 : 1);
        for (const char* f : {"%f", "%.3f", "%.12f", "%.17g", "%.7g", "%.0f"}) {
            char buf[512];
            std::snprintf(buf, sizeof buf, f, v);
            expectSameScan<double>(buf, "%lf%n", "%lf%n");
            expectSameScan<float>(buf, "%f%n", "%f%n");
        }
    }
    // Lines as the files hold them, several numbers each, some with more digits than a
    // double keeps or an exponent glued on.
    std::uniform_real_distribution<double> small(-7, 9);
    for (int k = 0; k < 20000; ++k) {
        double v[3];
        for (double& x : v) x = std::pow(10.0, small(gen)) * ((gen() & 1) ? -1 : 1);
        char buf[512];
        const char* tails[] = {"\n", "  7", "e5 x", "x", "7.5e3  1.0", ".5  9"};
        std::snprintf(buf, sizeof buf, k % 3 ? "\tPort1      %f  %f  %f%s" : "%.7f  %.5f %.9f%s", v[0], v[1], v[2],
                      tails[gen() % 6]);
        const char* in = k % 3 ? buf + 12 : buf;
        double m[3] = {}, t[3] = {};
        int mn = -1, tn = -1;
        const int r1 = text::scanf(in, "%lf %lf %lf%n", m[0], m[1], m[2], mn);
        const int r2 = std::sscanf(in, "%lf %lf %lf%n", &t[0], &t[1], &t[2], &tn);
        ASSERT_EQ(r1, r2) << in;
        for (int i = 0; i < r2; ++i) ASSERT_EQ(m[i], t[i]) << in;
        if (r2 == 3) {
            ASSERT_EQ(mn, tn) << in;
        }
    }

    std::mt19937 rng(7);
    const std::string alphabet = "0123456789+-.eExXpPinfaINFA \t";
    for (int k = 0; k < 30000; ++k) {
        std::string in;
        const int len = static_cast<int>(rng() % 9);
        for (int j = 0; j < len; ++j) in.push_back(alphabet[rng() % alphabet.size()]);
        expectSameScan<double>(in, "%lf%n", "%lf%n");
        expectSameScan<float>(in, "%f%n", "%f%n");
        expectSameScan<int>(in, "%d%n", "%d%n");
    }
}

TEST(CFormat, LeadingNumberIsAtof) {
    for (const char* s : {"3000", "  12.5abc", "abc", "", "-7e2x", "0x10", "inf", "1,5", "+.5", "."})
        EXPECT_EQ(leadingNumber(s), std::atof(s)) << s;
}

}  // namespace

TEST(Gbk, UnconvertedUtf8IsToldFromGbk) {
    // Chinese texts saved as UTF-8 by an editor.
    for (const char* t : {"原料油管线", "\tGuiGe      φ100×10\n\tCaiLiao    不锈钢\n", "DistTxt 约3000毫米"})
        EXPECT_TRUE(text::looksLikeUtf8(t)) << t;
    // GBK texts, also those of only a few characters, and ASCII.
    for (const char* t : {"原料油管线", "管线", "φ100×10", "中", "倉庫", "掳"})
        EXPECT_FALSE(text::looksLikeUtf8(text::utf8ToGbk(t))) << t;
    EXPECT_FALSE(text::looksLikeUtf8("Total 3\nZoomPara 1.000000\n"));
    EXPECT_FALSE(text::looksLikeUtf8(""));
    // Bytes that are neither.
    EXPECT_FALSE(text::looksLikeUtf8("\xFF\xFE\x00"));
}
