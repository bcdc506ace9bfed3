// A pipe's length text counts as a length only when it is a plain decimal number of millimetres
// within what a segment can be; everything that counts lengths agrees on that.

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>

#include "text/Gbk.h"
#include "tubra/model/Drawing.h"
#include "tubra/model/LengthText.h"

using namespace tubra::model;

namespace {

CreationValues pipe(int dir) { return {kindValue(ObjectKind::Pipe), 0, static_cast<double>(dir), {}, {}, 400.0, -1.0}; }

}  // namespace

TEST(LengthText, PlainDecimalNumbersOfMillimetres) {
    const std::pair<std::string, double> read[] = {
        {"3000", 3000},     {" 3000 ", 3000}, {"3000  ", 3000}, {"1500.5", 1500.5}, {".5", 0.5},
        {"800.", 800},      {"+250", 250},    {"\t42", 42},     {"10000000", kLongestPipeLength},
        {"0.001", 0.001}};
    for (const auto& [t, mm] : read) {
        SCOPED_TRACE(t);
        const PipeLength l = readPipeLength(t);
        ASSERT_TRUE(l.known());
        EXPECT_DOUBLE_EQ(l.mm, mm);
    }
}

TEST(LengthText, EverythingElseStatesNoLengthAndSaysWhy) {
    // What strtod took for numbers, units and words: none is a plain number of millimetres.
    for (const std::string& t : std::initializer_list<std::string>{"", " ", "^", "abc", "nan", "NaN", "inf", "-inf", "INFINITY", "nan(1)",
                                "0x10", "0x1p1000", "1e300", "1e400", "1e9", "2^31", "1e20", "4.2m", "3000mm",
                                "L=1500", "^1500", "4,200", "1..5", ".", "-", "30 00", text::gbk("约3000"),
                                text::gbk("３０００"), text::gbk("3000(实测)")}) {
        SCOPED_TRACE(t);
        const PipeLength l = readPipeLength(t);
        EXPECT_EQ(l.fault, LengthTextFault::NotANumber);
        EXPECT_FALSE(l.value());
    }
    EXPECT_EQ(readPipeLength("0").fault, LengthTextFault::Zero);
    EXPECT_EQ(readPipeLength("0.000").fault, LengthTextFault::Zero);
    EXPECT_EQ(readPipeLength("-0").fault, LengthTextFault::Zero);
    EXPECT_EQ(readPipeLength("-500").fault, LengthTextFault::Negative);
    EXPECT_EQ(readPipeLength("2000000000").fault, LengthTextFault::TooLong);
    EXPECT_EQ(readPipeLength("10000000.5").fault, LengthTextFault::TooLong);
    EXPECT_EQ(readPipeLength(std::string(400, '9')).fault, LengthTextFault::TooLong);
    EXPECT_EQ(readPipeLength("-" + std::string(400, '9')).fault, LengthTextFault::Negative);
    EXPECT_EQ(lengthTextFaultText(LengthTextFault::Zero), "为零");
    EXPECT_EQ(lengthTextFaultText(LengthTextFault::TooLong), "超过 10 公里");
}

TEST(LengthText, AnUpSegmentWhoseTextStatesNoLengthRisesByItsDrawnLength) {
    // "nan", "inf", "1e300" and "0x10" once gave elevations of nan, inf, 1e300 and 16.
    for (const char* t : {"nan", "inf", "1e300", "0x10", "-500", "0", "", "abc"}) {
        SCOPED_TRACE(t);
        PipeObject up(pipe(0));
        up.Port1.z = 1000;
        up.DistTxt = t;
        up.applyEndElevationRule(2.0);
        EXPECT_EQ(up.Port2.z, 1200);
        PipeObject down(pipe(1));
        down.DistTxt = t;
        down.applyEndElevationRule(1.0);
        EXPECT_EQ(down.Port2.z, -400);
    }
    PipeObject up(pipe(0));
    up.DistTxt = " 1500 ";
    up.applyEndElevationRule(1.0);
    EXPECT_EQ(up.Port2.z, 1500);
}

TEST(LengthText, TheTotalLengthCountsWhatIsStatedAndHowManyAreNot) {
    Drawing d;
    for (const char* t : {"1500", "nan", "250.5", "0x10", "", "1e300"}) d.addObject(pipe(2)).DistTxt = t;
    d.addObject({kindValue(ObjectKind::Valve), 13, 2.0, {}, {}, 0.0, -1.0}).DistTxt = "999";
    const LengthSum sum = d.objects.pipeLengths();
    EXPECT_DOUBLE_EQ(sum.mm, 1750.5);
    EXPECT_EQ(sum.unknown, 4);
    EXPECT_TRUE(std::isfinite(d.objects.totalPipeLength()));
}
