// The engine's Probability and ProbInverse: p-values and critical values, and
// the messages for bad input. Expected values come from the mpmath reference
// tables of tests/numeric/reference/distribution_table.py (60-digit
// arithmetic, printed to 17 digits), so 2e-14 is room for rounding, not for
// a lost digit.
#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>

#include "engine/quorvane.h"
#include "engine_fixture.h"

namespace qrv::test {
namespace {

constexpr double kTol = 2e-14;

::testing::AssertionResult RelNear(double actual, double expected) {
    const double err = std::fabs(actual - expected) / std::fabs(expected);
    if (err <= kTol) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << "actual " << actual
                                         << " expected " << expected << " relative error " << err;
}

class ProbabilityTest : public ::testing::Test {
  protected:
    RecordingPrompter prompter;
    Quorvane engine{&prompter};
    void SetUp() override { engine.SetShowErrors(true); }
};

TEST_F(ProbabilityTest, PValuesAreTwoTailedForZAndTUpperForCAndF) {
    EXPECT_TRUE(RelNear(engine.Probability("Z", 1.96, 0, 0), 0.049995790296440872));
    EXPECT_EQ(engine.Probability("z", -1.96, 0, 0), engine.Probability("Z", 1.96, 0, 0));
    EXPECT_EQ(engine.Probability("Z", 0, 0, 0), 1.0);
    // Far out the p-value is the tail itself, not 1 minus a rounded area.
    EXPECT_TRUE(RelNear(engine.Probability("Z", 6, 0, 0), 1.9731752900753963e-9));
    EXPECT_TRUE(RelNear(engine.Probability("Z", 37, 0, 0), 1.1451142445049154e-299));
    EXPECT_TRUE(RelNear(engine.Probability("T", 2.5, 10, 0), 0.031446844236608804));
    EXPECT_EQ(engine.Probability("T", 0, 10, 0), 1.0);
    EXPECT_TRUE(RelNear(engine.Probability("Chi", 10, 10, 0), 0.44049328506521241))
        << "only the first letter counts";
    EXPECT_EQ(engine.Probability("C", 0, 5, 0), 1.0);
    EXPECT_EQ(engine.Probability("C", -1, 5, 0), 1.0);
    EXPECT_TRUE(RelNear(engine.Probability("f", 2.54, 100000, 10), 0.049859573211712673));
    EXPECT_EQ(engine.Probability("F", 0, 3, 10), 1.0);
    EXPECT_EQ(engine.Probability("F", -2, 3, 10), engine.Probability("F", 2, 3, 10));
    EXPECT_TRUE(prompter.criticals.empty());
}

TEST_F(ProbabilityTest, TwoTailedZFallsSteadilyFrom5To38) {
    double previous = engine.Probability("Z", 5, 0, 0);
    for (int i = 501; i <= 3800; ++i) {
        const double z = i / 100.0;
        const double p = engine.Probability("Z", z, 0, 0);
        if (previous >= std::numeric_limits<double>::min()) {
            ASSERT_LT(p, previous) << "z = " << z;
        } else {
            ASSERT_LE(p, previous) << "z = " << z;
        }
        previous = p;
    }
    EXPECT_GT(engine.Probability("Z", 37.5, 0, 0), 0.0);
}

TEST_F(ProbabilityTest, CriticalValues) {
    EXPECT_TRUE(RelNear(engine.ProbInverse("Z", 0.05, 0, 0), 1.9599639845400542));
    EXPECT_TRUE(RelNear(engine.ProbInverse("Z", 1e-300, 0, 0), 37.065787880772130));
    EXPECT_TRUE(RelNear(engine.ProbInverse("t", 0.05, 10, 0), 2.2281388519862747));
    EXPECT_TRUE(RelNear(engine.ProbInverse("T", 0.05, 0.5, 0), 164.55767348048851)) << "df below 1";
    EXPECT_TRUE(RelNear(engine.ProbInverse("C", 0.5, 1e6, 0), 999999.33333341235));
    EXPECT_TRUE(RelNear(engine.ProbInverse("F", 0.05, 3, 10), 3.7082648190468444));
    EXPECT_TRUE(RelNear(engine.ProbInverse("F", 1e-4, 1, 1), 40528472.790268440));
    EXPECT_TRUE(RelNear(engine.ProbInverse("F", 0.05, 100000, 10), 2.5379298970872818));
    EXPECT_TRUE(prompter.criticals.empty());
}

TEST_F(ProbabilityTest, CriticalValuesGiveBackTheirProbability) {
    // At these p the tail moves at most ~35 times faster than its argument,
    // so the rounding of the critical value to a double stays inside kTol.
    // (Further out it would not: at p = 1e-80 the normal tail moves 360
    // times faster.)
    struct Case {
        const char* type;
        double df1, df2;
    } cases[] = {{"Z", 0, 0}, {"T", 0.5, 0}, {"T", 7, 0}, {"C", 3.5, 0}, {"F", 4, 9.5}};
    for (const Case& c : cases) {
        for (double p : {0.9, 0.05, 1e-8}) {
            const double x = engine.ProbInverse(c.type, p, c.df1, c.df2);
            EXPECT_TRUE(RelNear(engine.Probability(c.type, x, c.df1, c.df2), p))
                << c.type << " df " << c.df1 << ", " << c.df2 << " p " << p;
        }
    }
}

TEST_F(ProbabilityTest, DegreesOfFreedomNotPositiveGiveZeroWithoutAMessage) {
    EXPECT_EQ(engine.Probability("T", 2, 0, 0), 0.0);
    EXPECT_EQ(engine.Probability("C", 2, -1, 0), 0.0);
    EXPECT_EQ(engine.Probability("F", 2, 3, 0), 0.0);
    EXPECT_EQ(engine.ProbInverse("T", 0.05, 0, 0), 0.0);
    EXPECT_EQ(engine.ProbInverse("F", 0.05, -3, 10), 0.0);
    EXPECT_TRUE(prompter.criticals.empty());
}

TEST_F(ProbabilityTest, BadInputShowsItsMessageAndGivesZero) {
    EXPECT_EQ(engine.Probability("Q", 1, 1, 1), 0.0);
    ASSERT_EQ(prompter.criticals.size(), 1u);
    EXPECT_EQ(prompter.criticals[0].first, "Lumvar");
    EXPECT_EQ(prompter.criticals[0].second,
              "Probability Calculation Syntax Error\r\n\r\nProbability type: Q not expected");
    EXPECT_EQ(engine.Probability("", 1, 1, 1), 0.0);
    EXPECT_EQ(prompter.criticals.size(), 1u) << "an empty type gives 0 without a message";

    EXPECT_EQ(engine.ProbInverse("Z", 1, 0, 0), 0.0);
    EXPECT_EQ(engine.ProbInverse("Z", 0, 0, 0), 0.0);
    EXPECT_EQ(engine.ProbInverse("X", 0.5, 1, 1), 0.0);
    ASSERT_EQ(prompter.criticals.size(), 4u);
    EXPECT_EQ(prompter.criticals[1].second,
              "Inverse Probability Calculation Syntax Error\r\n\r\nProbability value must "
              "greater than 0 and less than 1.");
    EXPECT_EQ(prompter.criticals[2].second, prompter.criticals[1].second);
    EXPECT_EQ(prompter.criticals[3].second,
              "Inverse Probability Calculation Syntax Error\r\n\r\nProbability type: X not "
              "expected.");
    EXPECT_GE(prompter.beeps, 4);
    EXPECT_EQ(engine.ErrorInfo(), "") << "bad input does not touch the run's error";
}

}  // namespace
}  // namespace qrv::test
