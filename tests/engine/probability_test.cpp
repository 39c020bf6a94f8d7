// The engine's Probability and ProbInverse: p-values and critical values
// against published tables, and the messages for bad input. Reference values:
// normal and t from standard statistical tables (e.g. Abramowitz & Stegun 26.1,
// 26.7), chi-square and F upper points from the NIST/SEMATECH e-Handbook tables.
#include <gtest/gtest.h>

#include "engine/quorvane.h"
#include "engine_fixture.h"

namespace qrv::test {
namespace {

class ProbabilityTest : public ::testing::Test {
  protected:
    RecordingPrompter prompter;
    Quorvane engine{&prompter};
    void SetUp() override { engine.SetShowErrors(true); }
};

TEST_F(ProbabilityTest, PValues) {
    EXPECT_NEAR(engine.Probability("Z", 1.96, 0, 0), 0.0499958, 1e-6);
    EXPECT_EQ(engine.Probability("z", -1.96, 0, 0), engine.Probability("Z", 1.96, 0, 0));
    EXPECT_DOUBLE_EQ(engine.Probability("Z", 0, 0, 0), 1.0);
    EXPECT_EQ(engine.Probability("Z", 6.4, 0, 0), 0.0);
    EXPECT_NEAR(engine.Probability("T", 2.228139, 10, 0), 0.05, 1e-6);
    EXPECT_DOUBLE_EQ(engine.Probability("T", 0, 10, 0), 1.0);
    EXPECT_EQ(engine.Probability("T", 2, 0, 0), 0.0) << "df <= 0";
    EXPECT_NEAR(engine.Probability("C", 3.841459, 1, 0), 0.05, 1e-6);
    EXPECT_NEAR(engine.Probability("Chi", 11.0705, 5, 0), 0.05, 1e-5);
    EXPECT_DOUBLE_EQ(engine.Probability("C", 0, 5, 0), 1.0);
    EXPECT_DOUBLE_EQ(engine.Probability("C", -1, 5, 0), 1.0);
    EXPECT_NEAR(engine.Probability("F", 3.0984, 3, 20), 0.05, 1e-5);
    EXPECT_DOUBLE_EQ(engine.Probability("F", 0, 3, 10), 1.0);
    EXPECT_EQ(engine.Probability("F", -2, 3, 10), engine.Probability("F", 2, 3, 10));
    EXPECT_TRUE(prompter.criticals.empty());
}

TEST_F(ProbabilityTest, CriticalValues) {
    EXPECT_NEAR(engine.ProbInverse("Z", 0.05, 0, 0), 1.959964, 1e-6);
    EXPECT_NEAR(engine.ProbInverse("t", 0.05, 10, 0), 2.228139, 1e-6);
    EXPECT_NEAR(engine.ProbInverse("T", 0.05, 1, 0), 12.7062, 1e-4) << "far outside [0, 3]";
    EXPECT_NEAR(engine.ProbInverse("C", 0.05, 1, 0), 3.841459, 1e-5);
    EXPECT_NEAR(engine.ProbInverse("F", 0.05, 3, 10), 3.708, 1e-3);
    EXPECT_NEAR(engine.ProbInverse("F", 0.05, 3, 20), 3.0984, 1e-4);
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
    EXPECT_EQ(prompter.criticals[3].second,
              "Inverse Probability Calculation Syntax Error\r\n\r\nProbability type: X not "
              "expected.");
    EXPECT_GE(prompter.beeps, 4);
    EXPECT_EQ(engine.ErrorInfo(), "") << "bad input does not touch the run's error";
}

}  // namespace
}  // namespace qrv::test
