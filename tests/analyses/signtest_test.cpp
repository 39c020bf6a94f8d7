// Sign test through the scenario run: counts below, at and above the mean,
// the median and a custom value, and their binomial probabilities, exact up
// to 25 trials and by the normal approximation beyond. Expected figures are
// worked by hand or with Python's fractions and math.erfc (noted per case).
#include <cmath>

#include "engine/engine_fixture.h"
#include "engine/sort_budget.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;
using Options = std::vector<std::pair<std::string, Value>>;

class SignTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }
    std::string sign(Options options, Fields fields = {{"X", "X"}}) {
        ScenarioRow s;
        s.category = "N";
        s.subtype = "Sign Test";
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        run(id);
        return engine.ErrorInfo();
    }
    static Options all(double custom) {
        return {
            {"SignMean", true}, {"SignMedian", true}, {"SignCustom", true}, {"SignValue", custom}};
    }
    static Options only(const char* option, double custom = 0) {
        Options o = {{"SignMean", false},
                     {"SignMedian", false},
                     {"SignCustom", false},
                     {"SignValue", custom}};
        for (auto& [name, v] : o)
            if (name == option) v = true;
        return o;
    }
    // The test columns of a row: type, value, the three counts, two probabilities.
    struct Test {
        std::string type;
        double value, below, equal, above, probBelow, probAbove;
    };
    static void expectRow(const TableRow& r, const Test& t) {
        SCOPED_TRACE(t.type);
        EXPECT_EQ(r.at("TestType").toText(), t.type);
        EXPECT_NEAR(r.at("TestValue").asDouble(), t.value, 1e-12);
        EXPECT_EQ(r.at("Count<Test").asDouble(), t.below);
        EXPECT_EQ(r.at("Count=Test").asDouble(), t.equal);
        EXPECT_EQ(r.at("Count>Test").asDouble(), t.above);
        EXPECT_NEAR(r.at("Prob<=Test").asDouble(), t.probBelow, 1e-12);
        EXPECT_NEAR(r.at("Prob>=Test").asDouble(), t.probAbove, 1e-12);
    }
};

TEST_F(SignTest, ElevenValuesAgainstMeanMedianAndCustomInThatOrder) {
    // 1..11 in a scrambled order: mean = median = 6, five values either side.
    for (int i = 0; i < 11; ++i) addRow("a", static_cast<double>((i * 7 + 3) % 11 + 1));
    ASSERT_EQ(sign(all(0)), "");
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "Count", "Missing", "TestType", "TestValue",
                                        "Count<Test", "Count=Test", "Count>Test", "Prob<=Test",
                                        "Prob>=Test"}));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 3u);
    // P(B(10, 1/2) <= 5) = 638/1024 = 0.623046875; a custom value below every
    // value: P(B(11) <= 0) = 1/2048, P(B(11) <= 11) = 1.
    expectRow(rows[0], {"Mean", 6, 5, 1, 5, 0.623046875, 0.623046875});
    expectRow(rows[1], {"Median", 6, 5, 1, 5, 0.623046875, 0.623046875});
    expectRow(rows[2], {"Custom", 0, 0, 0, 11, 1.0 / 2048, 1});
    EXPECT_EQ(rows[0].at("DataField").toText(), "X");
    EXPECT_EQ(rows[0].at("Count").asDouble(), 11);
    EXPECT_EQ(rows[0].at("Missing").asDouble(), 0);
}

TEST_F(SignTest, BeyondTwentyFiveTrialsTheNormalApproximationWithCorrection) {
    // The custom value is stored as a whole number.
    // 0.5..29.5 against 10: 10 below, 20 above. Z = (10 - 15 + 0.5) / (0.5 sqrt 30)
    // and (20 - 15 + 0.5) / (0.5 sqrt 30); Phi by 0.5 erfc(-z / sqrt 2) in Python:
    // 0.050174123231145396 and 0.9776951409875302. (Exact binomial tails
    // would be 0.049368 and 0.978613: the approximation is what is asked.)
    for (int i = 30; i >= 1; --i) addRow("a", i - 0.5);
    ASSERT_EQ(sign(only("SignCustom", 10)), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectRow(rows[0], {"Custom", 10, 10, 0, 20, 0.050174123231145396, 0.9776951409875302});

    // 25 trials stay exact: 0.5..24.5 against 10 is 10 below, 15 above;
    // P(B(25) <= 10) = 7119516 / 2^25 and P(B(25) <= 15) = 29703676 / 2^25
    // (sums of C(25, k) in Python).
    ASSERT_TRUE(db.Execute("DELETE FROM [Data]").ok());
    for (int i = 1; i <= 25; ++i) addRow("a", i - 0.5);
    ASSERT_EQ(sign(only("SignCustom", 10)), "");
    const auto exact = tableRows("Out1");
    ASSERT_EQ(exact.size(), 1u);
    expectRow(exact[0], {"Custom", 10, 10, 0, 15, 7119516.0 / 33554432, 29703676.0 / 33554432});
}

TEST_F(SignTest, FarNormalTailsKeepTheirDigits) {
    // 1..n against 0: no value below, n above. Prob<=Test is Phi(z) at
    // z = (0 - n/2 + 0.5) / (0.5 sqrt n), which is 0.5 erfc(-z / sqrt 2) in mpmath
    // at 30 digits; Prob>=Test is 1 - Phi(-z') at z' = (n - n/2 + 0.5) / (0.5 sqrt n).
    struct Case {
        int n;
        double probBelow, probAbove;
    };
    const Case cases[] = {
        {40, 3.49219653076106920925e-10, 1 - 4.50569662515245873923e-11},  // z = -6.1664
        {100, 2.08137521949321351848e-23, 1},                              // z = -9.9
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        ASSERT_TRUE(db.Execute("DELETE FROM [Data]").ok());
        for (int i = 1; i <= c.n; ++i) addRow("a", i);
        ASSERT_EQ(sign(only("SignCustom", 0)), "");
        const auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].at("Count>Test").asDouble(), c.n);
        const double below = rows[0].at("Prob<=Test").asDouble();
        EXPECT_NEAR(below / c.probBelow, 1, 1e-13) << below;
        EXPECT_NEAR(rows[0].at("Prob>=Test").asDouble(), c.probAbove, 1e-15);
    }
}

TEST_F(SignTest, RowsComeOneDataFieldAfterAnother) {
    // Against 15: a's X (1, 2) both below, Y (10, 20) one either side; b's X
    // (3, 4, 5) all below, Y (30, 40, 50) all above. Every group's X row,
    // then every Y row.
    addRow("a", 1.0, 10.0);
    addRow("b", 3.0, 30.0);
    addRow("a", 2.0, 20.0);
    addRow("b", 4.0, 40.0);
    addRow("b", 5.0, 50.0);
    struct Row {
        const char* group;
        const char* field;
        double below, above;
    };
    const Row want[] = {{"a", "X", 2, 0}, {"b", "X", 3, 0}, {"a", "Y", 1, 1}, {"b", "Y", 0, 3}};
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_EQ(sign(only("SignCustom", 15), {{"Grp", "G"}, {"X", "X"}, {"Y", "X"}}), "");
        const auto rows = tableRows("Out1", "rowid");
        ASSERT_EQ(rows.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(rows[i].at("Grp").toText(), want[i].group) << i;
            EXPECT_EQ(rows[i].at("DataField").toText(), want[i].field) << i;
            EXPECT_EQ(rows[i].at("Count<Test").asDouble(), want[i].below) << i;
            EXPECT_EQ(rows[i].at("Count>Test").asDouble(), want[i].above) << i;
        }
    }
}

TEST_F(SignTest, EvenCountMedianAveragesTheMiddlePairAndTiesTakeNoPart) {
    // 1 2 4 10: median (2 + 4) / 2 = 3, mean 17/4; 2 either side of the median,
    // P(B(4) <= 2) = 11/16. Against the mean 3 below, 1 above: 15/16 and 5/16.
    for (double x : {10.0, 2.0, 4.0, 1.0}) addRow("a", x);
    // All values tied: no trials, both probabilities 1 (the empty binomial).
    for (int i = 0; i < 3; ++i) addRow("b", 5.0);
    ASSERT_EQ(sign(only("SignMedian"), {{"Grp", "G"}, {"X", "X"}}), "");
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    expectRow(rows[0], {"Median", 3, 2, 0, 2, 11.0 / 16, 11.0 / 16});
    expectRow(rows[1], {"Median", 5, 0, 3, 0, 1, 1});
    ASSERT_EQ(sign(only("SignMean"), {{"Grp", "G"}, {"X", "X"}}), "");
    rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    expectRow(rows[0], {"Mean", 4.25, 3, 0, 1, 15.0 / 16, 5.0 / 16});
    expectRow(rows[1], {"Mean", 5, 0, 3, 0, 1, 1});
}

TEST_F(SignTest, WeightsGiveTheMedianByRunningWeightAndCountsRoundedAtEveryRecord) {
    // Values 1 2 3 4, weights 0.5 1.5 2.5 1: n = 5.5, the running weight
    // 0.5 2 4.5 first reaches 2.75 at 3. Counts in ascending order, each
    // rounded half to even as it grows: below 3: 0.5 -> 0, 0 + 1.5 -> 2;
    // at 3: 2.5 -> 2; above: 1. P(B(3) <= 2) = 7/8, P(B(3) <= 1) = 1/2.
    // Mean 15 / 5.5: below 2 (as before), above 2.5 -> 2, 2 + 1 -> 3;
    // P(B(5) <= 2) = 1/2, P(B(5) <= 3) = 26/32.
    addRow("a", 4.0, {}, 1.0);
    addRow("a", 2.0, {}, 1.5);
    addRow("a", 3.0, {}, 2.5);
    addRow("a", 1.0, {}, 0.5);
    addRow("a", 9.0, {}, 0.0);      // weight 0: a missing record
    addRow("a", Value(), {}, 1.0);  // no value: missing too
    Options o = all(0);
    o[2].second = false;  // no custom test
    ASSERT_EQ(sign(o, {{"X", "X"}, {"W", "W"}}), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    expectRow(rows[0], {"Mean", 15 / 5.5, 2, 0, 3, 0.5, 26.0 / 32});
    expectRow(rows[1], {"Median", 3, 2, 2, 1, 7.0 / 8, 0.5});
    EXPECT_EQ(rows[0].at("Count").asDouble(), 5.5);
    EXPECT_EQ(rows[0].at("Observations").asDouble(), 4);
    EXPECT_EQ(rows[0].at("Missing").asDouble(), 2);
}

TEST_F(SignTest, GroupsOfOneValueOrNoneWriteNothingAndNullGroupsAreGroups) {
    addRow("one", 7.0);
    addRow("none", Value());
    addRow("none", Value());
    addRow(Value(), 1.0);
    addRow(Value(), 3.0);
    addRow("heavy", 2.0, {}, 1.0);  // a weight total of exactly 1: no row
    // Weighted, the Null group's rows weigh 0 (no weight) and "heavy" totals 1.
    ASSERT_EQ(sign(only("SignMedian"), {{"Grp", "G"}, {"X", "X"}, {"W", "W"}}), "");
    EXPECT_TRUE(tableRows("Out1").empty());
    // Unweighted, only the Null group holds two values: median (1 + 3) / 2,
    // one either side, P(B(2) <= 1) = 3/4.
    ASSERT_EQ(sign(only("SignMedian"), {{"Grp", "G"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_TRUE(rows[0].at("Grp").isNull());
    expectRow(rows[0], {"Median", 2, 1, 0, 1, 0.75, 0.75});
    EXPECT_EQ(rows[0].at("Missing").asDouble(), 0);
}

TEST_F(SignTest, ACustomTestNeedsItsValue) {
    // -1 1 2 against 0: one below, two above; P(B(3) <= 1) = 4/8, P(B(3) <= 2) = 7/8.
    for (double x : {2.0, -1.0, 1.0}) addRow("a", x);
    Options o = only("SignCustom");
    o[3].second = Value();
    EXPECT_EQ(sign(o), "usysQuorvaneOptions: Custom value required\r\nSet: SignValue");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    o[3].second = 0;
    ASSERT_EQ(sign(o), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectRow(rows[0], {"Custom", 0, 1, 0, 2, 0.5, 7.0 / 8});
}

TEST_F(SignTest, AnEmptyInputSaysSo) {
    ASSERT_EQ(sign(all(1)), "No records found in Data");
}

TEST_F(SignTest, ATinyMemoryBudgetGivesTheSameTable) {
    for (int i = 0; i < 400; ++i)
        addRow(i % 3 == 0 ? "a" : "b", static_cast<double>((i * 37) % 101) / 4, {},
               1.0 + (i % 4) * 0.25);
    const Fields f = {{"Grp", "G"}, {"X", "X"}, {"W", "W"}};
    ASSERT_EQ(sign(all(12.5), f), "");
    const auto memory = tableValues("Out1");
    ASSERT_EQ(memory.size(), 6u);
    engine.SetSortMemoryBudget(600);
    ASSERT_EQ(sign(all(12.5), f), "");
    EXPECT_EQ(tableValues("Out1"), memory);
}

}  // namespace
}  // namespace qrv::test
