// Kolmogorov-Smirnov fit through the scenario run: the data's statistics,
// the largest differences between the empirical distribution and a fitted
// uniform, normal or Poisson distribution, K-S Z and its probability.
// Expected figures come from a separate Python computation (math.erfc for
// the normal, exp and factorial for the Poisson terms, the same short
// Kolmogorov series), quoted per case.
#include <cmath>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

class KSFit : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }
    std::string fit(bool uniform, bool normal, bool poisson, Fields fields = {{"X", "X"}}) {
        ScenarioRow s;
        s.category = "N";
        s.subtype = "K-S Fit";
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, {{"FitUniform", uniform}, {"FitNormal", normal}, {"FitPoisson", poisson}});
        run(id);
        return engine.ErrorInfo();
    }
    struct Expected {
        std::string type;
        double absolute, positive, negative, z, prob;
    };
    static void expectFit(const TableRow& r, const Expected& e) {
        SCOPED_TRACE(e.type);
        EXPECT_EQ(r.at("TestType").toText(), e.type);
        EXPECT_NEAR(r.at("Max_Absolute").asDouble(), e.absolute, 1e-12);
        EXPECT_NEAR(r.at("Max_Positive").asDouble(), e.positive, 1e-12);
        EXPECT_NEAR(r.at("Max_Negative").asDouble(), e.negative, 1e-12);
        EXPECT_NEAR(r.at("K-S_Z").asDouble(), e.z, 1e-12);
        EXPECT_NEAR(r.at("Prob").asDouble(), e.prob, 1e-9);
    }
    static void expectStats(const TableRow& r, double mean, double sd, double lo, double hi) {
        EXPECT_NEAR(r.at("Mean").asDouble(), mean, 1e-12);
        EXPECT_NEAR(r.at("StdDeviation").asDouble(), sd, 1e-12);
        EXPECT_EQ(r.at("Minimum").asDouble(), lo);
        EXPECT_EQ(r.at("Maximum").asDouble(), hi);
        EXPECT_EQ(r.at("Range").asDouble(), hi - lo);
    }
};

TEST_F(KSFit, APerfectlyUniformSampleFitsWithProbabilityOne) {
    // 0..19: F(k) = k/19 against (k + 1)/20, D = (19 - k)/380, largest 0.05
    // at 0, smallest 0 at 19; Z = 0.05 sqrt 20 = 0.2236 < 0.27. The sample
    // variance of 0..19 is 20 * 21 / 12 = 35.
    for (int i = 19; i >= 0; --i) addRow("a", static_cast<double>(i));
    ASSERT_EQ(fit(true, false, false), "");
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "Count", "Missing", "Mean", "StdDeviation",
                                        "Minimum", "Maximum", "Range", "TestType", "Max_Absolute",
                                        "Max_Positive", "Max_Negative", "K-S_Z", "Prob"}));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectStats(rows[0], 9.5, std::sqrt(35.0), 0, 19);
    expectFit(rows[0], {"Uniform", 0.05, 0.05, 0, 0.05 * std::sqrt(20.0), 1});
}

TEST_F(KSFit, ThreeDistributionsInOrderAgainstIndependentFigures) {
    // 1 2 3 4 10: mean 4, sd sqrt(12.5). Normal: D at 1 is 0.2 - Phi(-0.8485)
    // ... largest 0.30000000000000004, smallest 0.0019280454239629652,
    // Z = 0.670820393249937, Prob = 0.7590981056432159 (series with w =
    // exp(-1.233701 / Z^2)). Uniform: F = (x - 1)/9: D = 0.2, 0.2889, 0.3778,
    // 0.4667, 0: largest 0.8 - 1/3 = 7/15, Z = 7/15 sqrt 5 = 1.0435 (> 1:
    // 2(w - w^4 + w^9 - w^16), w = exp(-2 Z^2)) = 0.22625654267176457
    for (double x : {10.0, 3.0, 1.0, 4.0, 2.0}) addRow("a", x);
    ASSERT_EQ(fit(true, true, true), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 3u);
    expectStats(rows[0], 4, std::sqrt(12.5), 1, 10);
    const double zu = 7.0 / 15 * std::sqrt(5.0);
    const double wu = std::exp(-2 * zu * zu);
    expectFit(rows[0], {"Uniform", 7.0 / 15, 7.0 / 15, 0, zu,
                        2 * (wu - std::pow(wu, 4) + std::pow(wu, 9) - std::pow(wu, 16))});
    EXPECT_NEAR(rows[0].at("Prob").asDouble(), 0.22625654267176457, 1e-12);
    expectFit(rows[1], {"Normal", 0.30000000000000004, 0.30000000000000004, 0.0019280454239629652,
                        0.670820393249937, 0.7590981056432159});
    // Poisson with lambda 4: the CDF at 1, 2, 3, 4, 10 (Python: sum of
    // exp(-4) 4^k / k!) against 0.2 .. 1: D = 0.10842, 0.16190, 0.16653,
    // 0.17116306482012666, 0.0028397661205139535.
    expectFit(rows[2], {"Poisson", 0.17116306482012666, 0.17116306482012666, 0.0028397661205139535,
                        0.38273224817500606, 0.9985594503139239});
}

TEST_F(KSFit, PoissonWithWholeAndFractionalValues) {
    // 0 1 1 2 2 2 3 4: lambda = 15/8. Python, F(k) = sum exp(-l) l^j / j!:
    // largest D 0.04207901981443807, smallest -0.06589552967916934,
    // Z = 0.18638070354408018 < 0.27 so Prob 1; sd 1.246423454758225.
    for (double x : {2.0, 0.0, 1.0, 4.0, 2.0, 3.0, 1.0, 2.0}) addRow("a", x);
    ASSERT_EQ(fit(false, false, true), "");
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectStats(rows[0], 1.875, 1.246423454758225, 0, 4);
    expectFit(rows[0], {"Poisson", 0.06589552967916934, 0.04207901981443807, -0.06589552967916934,
                        0.18638070354408018, 1});

    // Weighted, a negative value (F = 0 below 0) and 2.5 (F at 2): values
    // 0 1 2.5 3 -1 weighing 2 1.5 1 0.5 1; lambda 0.75. Python: largest
    // 1/6 (at -1), smallest -0.07664146729677568, Z = sqrt(6)/6 =
    // 0.40824829046386296, Prob 0.9962552028975934, sd 1.4053469322555197.
    ASSERT_TRUE(db.Execute("DELETE FROM [Data]").ok());
    for (auto [x, w] : {std::pair{0.0, 2.0}, {1.0, 1.5}, {2.5, 1.0}, {3.0, 0.5}, {-1.0, 1.0}})
        addRow("a", x, {}, w);
    ASSERT_EQ(fit(false, false, true, {{"X", "X"}, {"W", "W"}}), "");
    rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectStats(rows[0], 0.75, 1.4053469322555197, -1, 3);
    EXPECT_EQ(rows[0].at("Observations").asDouble(), 5);
    expectFit(rows[0], {"Poisson", 1.0 / 6, 1.0 / 6, -0.07664146729677568, 0.40824829046386296,
                        0.9962552028975934});
}

TEST_F(KSFit, ProbabilityBranchesAndALargeZ) {
    // Seven 0s, then 1, 5, 10: uniform F(0) = 0 against 0.7, Z = 0.7 sqrt 10
    // = 2.213594362117866, Prob 0.00011090319886433459 (Python, alternating
    // series). Group b: nineteen 0s and a 1: D = 0.95, Z = 4.25 >= 3.1, Prob 0.
    for (int i = 0; i < 7; ++i) addRow("a", 0.0);
    for (double x : {1.0, 5.0, 10.0}) addRow("a", x);
    for (int i = 0; i < 19; ++i) addRow("b", 0.0);
    addRow("b", 1.0);
    ASSERT_EQ(fit(true, false, false, {{"Grp", "G"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 2u);
    expectFit(rows[0], {"Uniform", 0.7, 0.7, 0, 2.213594362117866, 0.00011090319886433459});
    expectFit(rows[1], {"Uniform", 0.95, 0.95, 0, 0.95 * std::sqrt(20.0), 0});
}

TEST_F(KSFit, NoSpreadLeavesTheDifferencesNullAndSmallGroupsWriteNothing) {
    // All values tied: no uniform or normal distribution to fit; the row
    // still gives the statistics. Poisson needs no spread: lambda 3, F(3) =
    // exp(-3)(1 + 3 + 4.5 + 4.5) = 13 exp(-3), D = 1 - 13 exp(-3).
    for (int i = 0; i < 4; ++i) addRow("a", 3.0);
    addRow("one", 2.0);
    addRow("none", Value());
    ASSERT_EQ(fit(true, true, true, {{"Grp", "G"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 3u);
    for (int i = 0; i < 2; ++i) {
        expectStats(rows[i], 3, 0, 3, 3);
        for (const char* c : {"Max_Absolute", "Max_Positive", "Max_Negative", "K-S_Z", "Prob"})
            EXPECT_TRUE(rows[i].at(c).isNull()) << c;
    }
    const double d = 1 - 13 * std::exp(-3.0);
    const double z = d * 2;
    const double w = std::exp(-1.233701 / (z * z));
    expectFit(rows[2],
              {"Poisson", d, d, d, z, 1 - (2.506628 / z) * (w + std::pow(w, 9) + std::pow(w, 25))});
}

TEST_F(KSFit, RowsComeOneDataFieldAfterAnother) {
    // Means by hand: a's X (1, 2, 6) 3, b's X (3, 4, 5) 4, a's Y (10, 20,
    // 30) 20, b's Y (30, 40, 50) 40. Every group's X rows, then every Y row,
    // the fits of a group and field together in their order.
    const double values[][3] = {{1, 10, 0}, {3, 30, 1}, {2, 20, 0},
                                {4, 40, 1}, {6, 30, 0}, {5, 50, 1}};
    for (const auto& v : values) addRow(v[2] == 0 ? "a" : "b", v[0], v[1]);
    struct Row {
        const char* group;
        const char* field;
        double mean;
    };
    const Row want[] = {{"a", "X", 3}, {"b", "X", 4}, {"a", "Y", 20}, {"b", "Y", 40}};
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_EQ(fit(true, true, false, {{"Grp", "G"}, {"X", "X"}, {"Y", "X"}}), "");
        const auto rows = tableRows("Out1", "rowid");
        ASSERT_EQ(rows.size(), 8u);
        for (size_t i = 0; i < 8; ++i) {
            const Row& w = want[i / 2];
            EXPECT_EQ(rows[i].at("Grp").toText(), w.group) << i;
            EXPECT_EQ(rows[i].at("DataField").toText(), w.field) << i;
            EXPECT_NEAR(rows[i].at("Mean").asDouble(), w.mean, 1e-13) << i;
            EXPECT_EQ(rows[i].at("TestType").toText(), i % 2 == 0 ? "Uniform" : "Normal") << i;
        }
    }
}

TEST_F(KSFit, ATinyMemoryBudgetGivesTheSameTable) {
    for (int i = 0; i < 400; ++i)
        addRow(i % 3 == 0 ? "a" : "b", static_cast<double>((i * 37) % 11), {},
               1.0 + (i % 4) * 0.25);
    const Fields f = {{"Grp", "G"}, {"X", "X"}, {"W", "W"}};
    ASSERT_EQ(fit(true, true, true, f), "");
    const auto memory = tableValues("Out1");
    ASSERT_EQ(memory.size(), 6u);
    engine.SetSortMemoryBudget(600);
    ASSERT_EQ(fit(true, true, true, f), "");
    EXPECT_EQ(tableValues("Out1"), memory);
}

}  // namespace
}  // namespace qrv::test
