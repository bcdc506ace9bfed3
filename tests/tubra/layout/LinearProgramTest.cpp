#include "tubra/layout/LinearProgram.h"

#include <gtest/gtest.h>

namespace tubra::layout {
namespace {

// The layout's programs in small: points on a line joined by lengths between bounds, kept apart
// by rows, the change from the lengths wanted costed. The optimum is known by hand.
TEST(LinearProgram, FindsTheLeastChangeThatKeepsTheRows) {
    LinearProgram lp;
    const double inf = LinearProgram::kInfinity;
    // x0 fixed at 0; x1 = x0 + a; x2 = x1 + b; a, b in [1, 10], wanted 2 and 3.
    const int x0 = lp.addVariable(0, 0, 0), x1 = lp.addVariable(-inf, inf, 0),
              x2 = lp.addVariable(-inf, inf, 0);
    const int a = lp.addVariable(1, 10, 0), b = lp.addVariable(1, 10, 0);
    lp.addRow({{x1, 1}, {x0, -1}, {a, -1}}, 0, 0);
    lp.addRow({{x2, 1}, {x1, -1}, {b, -1}}, 0, 0);
    // |a - 2| costs 1, |b - 3| costs 3.
    const int ua = lp.addVariable(0, inf, 1), ub = lp.addVariable(0, inf, 3);
    lp.addRow({{ua, 1}, {a, -1}}, -2, inf);
    lp.addRow({{ua, 1}, {a, 1}}, 2, inf);
    lp.addRow({{ub, 1}, {b, -1}}, -3, inf);
    lp.addRow({{ub, 1}, {b, 1}}, 3, inf);
    // x2 at least 8 from x0: the cheaper length grows.
    lp.addRow({{x2, 1}, {x0, -1}}, 8, inf);
    ASSERT_TRUE(lp.minimize());
    EXPECT_NEAR(lp.value(a), 5.0, 1e-7);
    EXPECT_NEAR(lp.value(b), 3.0, 1e-7);
    EXPECT_NEAR(lp.value(x2), 8.0, 1e-7);
    EXPECT_NEAR(lp.cost(), 3.0, 1e-7);
    // A row no bound allows: no solution, said so.
    lp.addRow({{x2, 1}, {x0, -1}}, 25, inf);
    EXPECT_FALSE(lp.minimize());
}

}  // namespace
}  // namespace tubra::layout
