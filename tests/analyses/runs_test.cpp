// The runs test of two samples through the engine: a scenario of type
// "2 Sample" with the runs option, read back from its output table. Every
// expected figure was worked independently: the run counts by hand and by a
// brute-force enumeration of every order of the tied values (python3,
// itertools.permutations), the mean, standard deviation, Z and one-tailed
// probability with mpmath at 30 digits (p = erfc(|z|/sqrt 2)/2).
#include <algorithm>
#include <cmath>
#include <optional>

#include "engine/engine_fixture.h"
#include "engine/sort_budget.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

const double kNull = std::nan("");

// One output row as the test expects it: Null where NaN.
struct Expected {
    double count, cases1, cases2, mean, sd, ties, tiedGroups;
    double minRuns, minZ, minProb, maxRuns, maxZ, maxProb;
    long missing;
};

class RunsTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("T");
        for (Field f : {Field("G", dbText, 10), Field("S", dbText, 10), Field("X", dbDouble),
                        Field("X2", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }

    // Rows as SQL value lists: (G, S, X, X2, W).
    void add(const std::string& rows) {
        ASSERT_EQ(rawExec(path, "INSERT INTO T (G, S, X, X2, W) VALUES " + rows + ";"), "");
    }
    // Sample a holds xs, sample b holds ys, in group g, weight 1.
    void samples(const std::string& g, const std::vector<double>& xs,
                 const std::vector<double>& ys) {
        std::string rows;
        for (auto [s, values] : {std::pair{"a", &xs}, {"b", &ys}})
            for (double x : *values)
                rows += (rows.empty() ? "" : ", ") + std::string("('") + g + "', '" + s + "', " +
                        numberToText(x) + ", NULL, 1)";
        add(rows);
    }

    std::string runs(Fields fields = {{"S", "C"}, {"X", "X"}}, const std::string& input = "T") {
        ScenarioRow s;
        s.category = "N";
        s.subtype = "2 Sample";
        s.input = input;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, {{"NPTwoType", "Wald"}});
        return run(id) ? "" : engine.ErrorInfo();
    }

    static void near(const Value& got, double want, const std::string& what) {
        if (std::isnan(want)) {
            EXPECT_TRUE(got.isNull()) << what << " should be Null, is " << got.toText();
            return;
        }
        ASSERT_FALSE(got.isNull()) << what << " is Null, should be " << want;
        EXPECT_NEAR(got.asDouble(), want, 1e-13 * std::max(1.0, std::fabs(want))) << what;
    }

    static void check(const TableRow& row, const Expected& e, const std::string& what) {
        SCOPED_TRACE(what);
        const std::pair<const char*, double> columns[] = {
            {"Count", e.count},           {"Cases-1", e.cases1},        {"Cases-2", e.cases2},
            {"Wald_Mean", e.mean},        {"Wald_StdDev", e.sd},        {"Ties", e.ties},
            {"TiedGroups", e.tiedGroups}, {"Wald_Min_Runs", e.minRuns}, {"Wald_Min_Z", e.minZ},
            {"Wald_Min_Prob", e.minProb}, {"Wald_Max_Runs", e.maxRuns}, {"Wald_Max_Z", e.maxZ},
            {"Wald_Max_Prob", e.maxProb}};
        for (auto [column, want] : columns) near(row.at(column), want, column);
        EXPECT_EQ(row.at("Missing").asDouble(), static_cast<double>(e.missing));
    }
};

// N = 6, N1 = N2 = 3: mean 2*9/6 + 1 = 4, sd sqrt(2*9*12/(36*5)) = sqrt(1.2);
// 2 runs, corrected Z (2 - 4 + 0.5)/sqrt(1.2).
const Expected kSeparated = {6,
                             3,
                             3,
                             4,
                             1.0954451150103322,
                             0,
                             0,
                             2,
                             -1.3693063937629153,
                             0.085451760115398732,
                             2,
                             -1.3693063937629153,
                             0.085451760115398732,
                             0};
// a: 1 2, b: 2 3. Smallest a a b b (2 runs), largest a b a b (4): mean 3,
// sd sqrt(2/3), Z -/+ 0.5/sqrt(2/3).
const Expected kOneTie = {4,
                          2,
                          2,
                          3,
                          0.81649658092772603,
                          2,
                          1,
                          2,
                          -0.61237243569579452,
                          0.27014568730370995,
                          4,
                          0.61237243569579452,
                          0.27014568730370995,
                          0};

TEST_F(RunsTest, SeparatedSamplesAndOneTieByHand) {
    samples("p", {1, 2, 3}, {4, 5, 6});
    samples("q", {1, 2}, {2, 3});
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"G", "DataField", "Count", "Missing", "Cases-1", "Cases-2",
                                        "Wald_Mean", "Wald_StdDev", "Ties", "TiedGroups",
                                        "Wald_Min_Runs", "Wald_Min_Z", "Wald_Min_Prob",
                                        "Wald_Max_Runs", "Wald_Max_Z", "Wald_Max_Prob"}));
    const auto rows = tableRows("Out1", "[G]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("DataField").toText(), "X");
    check(rows[0], kSeparated, "separated");
    check(rows[1], kOneTie, "one tie");
}

TEST_F(RunsTest, TiesOfUnequalCountsOnBothSides) {
    // a: 1 3 3 6 8; b: 2 3 4 6 6 9 10. Every order of the tied values tried:
    // fewest runs 6 (a b aab b a bb a bbb... ), most 10. Mean 2*35/12 + 1,
    // sd sqrt(70*58/(144*11)).
    samples("m", {1, 3, 3, 6, 8}, {2, 3, 4, 6, 6, 9, 10});
    ASSERT_EQ(runs(), "");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    check(rows[0],
          {12, 5, 7, 6.8333333333333333, 1.6009782363078247, 6, 2, 6, -0.20820603664298805,
           0.41753404765854016, 10, 1.6656482931439044, 0.047891743160052361, 0},
          "mixed");
}

TEST_F(RunsTest, AllValuesTiedAndTiedFirstValue) {
    // One value held twice by each sample: fewest a a b b = 2, most 4.
    samples("all", {5, 5}, {5, 5});
    ASSERT_EQ(runs(), "");
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    check(rows[0],
          {4, 2, 2, 3, 0.81649658092772603, 4, 1, 2, -0.61237243569579452, 0.27014568730370995, 4,
           0.61237243569579452, 0.27014568730370995, 0},
          "all tied");
}

TEST_F(RunsTest, ContinuityCorrectionBelowFiftyOnly) {
    // 2 runs of 24 a's then 25 b's (N = 49, corrected), then one more b
    // (N = 50, not corrected). Then 25 a's and 25 b's alternating: 50 runs.
    std::vector<double> a, b;
    for (int i = 1; i <= 24; ++i) a.push_back(i);
    for (int i = 25; i <= 49; ++i) b.push_back(i);
    samples("n49", a, b);
    b.push_back(50);
    samples("n50", a, b);
    std::vector<double> odd, even;
    for (int i = 1; i <= 50; ++i) (i % 2 ? odd : even).push_back(i);
    samples("n50alt", odd, even);
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1", "[G]");
    ASSERT_EQ(rows.size(), 3u);
    // (2 - m + 0.5)/s with m = 2*600/49 + 1, s = sqrt(1200*1151/(2401*48)).
    check(rows[0],
          {49, 24, 25, 25.489795918367347, 3.4618766232015049, 0, 0, 2, -6.6408478465955958,
           1.5594193286284837e-11, 2, -6.6408478465955958, 1.5594193286284837e-11, 0},
          "N = 49");
    // (2 - m)/s with m = 2*624/50 + 1, s = sqrt(1248*1198/(2500*49)).
    check(rows[1],
          {50, 24, 26, 25.96, 3.4935555831051118, 0, 0, 2, -6.8583422905509006,
           3.4832090424446851e-12, 2, -6.8583422905509006, 3.4832090424446851e-12, 0},
          "N = 50");
    check(rows[2],
          {50, 25, 25, 26, 3.4992710611188259, 0, 0, 50, 6.8585712797928987, 3.4776312800492387e-12,
           50, 6.8585712797928987, 3.4776312800492387e-12, 0},
          "alternating");
}

TEST_F(RunsTest, WeightsCountByTheirWholePart) {
    // a: 1 (weight 2.7), 3 (1); b: 1 (1), 2 (1.5); one weight-0 row and one
    // Null X. N1 = int(3.7) = 3, N2 = int(2.5) = 2. At 1, a counts 2 and b 1:
    // Ties 3. Fewest runs a a b | b | a = 3, most a b a | b | a = 5. Mean
    // 3.4, sd sqrt(12*7/(25*4)).
    add("('w', 'a', 1, NULL, 2.7), ('w', 'a', 3, NULL, 1), ('w', 'b', 1, NULL, 1),"
        "('w', 'b', 2, NULL, 1.5), ('w', 'a', 9, NULL, 0), ('w', 'b', NULL, NULL, 1)");
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}, {"W", "W"}}), "");
    EXPECT_EQ(tableColumns("Out1")[3], "Observations");
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    check(rows[0],
          {5, 3, 2, 3.4, 0.916515138991168, 3, 1, 3, 0.10910894511799619, 0.4565580400361872, 5,
           1.2001983962979581, 0.11503114901319828, 2},
          "weighted");
    EXPECT_EQ(rows[0].at("Observations").asDouble(), 4);
}

TEST_F(RunsTest, SmallAndOneSidedGroupsLeaveTheirStatisticsNull) {
    add("('one', 'a', 4, NULL, 1), ('two', 'a', 4, NULL, 1), ('two', 'b', 7, NULL, 1),"
        "('side', 'a', 1, NULL, 1), ('side', 'a', 2, NULL, 1), ('side', 'a', 3, NULL, 1),"
        "('none', 'a', NULL, NULL, 1), ('none', 'b', NULL, NULL, 1)");
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1", "[G]");
    ASSERT_EQ(rows.size(), 4u);
    // No usable value: nothing counted, both records missing.
    check(rows[0], {0, 0, 0, kNull, kNull, 0, 0, 0, kNull, kNull, 0, kNull, kNull, 2}, "none");
    // N = 1: counts only.
    check(rows[1], {1, 1, 0, kNull, kNull, 0, 0, 1, kNull, kNull, 1, kNull, kNull, 0}, "one");
    // One sample only: mean 1, sd 0, no Z.
    check(rows[2], {3, 3, 0, 1, 0, 0, 0, 1, kNull, kNull, 1, kNull, kNull, 0}, "side");
    // One value each: mean 2*1/2 + 1 = 2, sd sqrt(2*(2 - 2)/..) = 0.
    check(rows[3], {2, 1, 1, 2, 0, 0, 0, 2, kNull, kNull, 2, kNull, kNull, 0}, "two");
}

TEST_F(RunsTest, NullGroupAndNullCompareValue) {
    // The Null group is a group of its own; a Null compare value is a sample.
    add("(NULL, 'a', 1, NULL, 1), (NULL, 'a', 2, NULL, 1), (NULL, 'a', 3, NULL, 1),"
        "(NULL, NULL, 4, NULL, 1), (NULL, NULL, 5, NULL, 1), (NULL, NULL, 6, NULL, 1),"
        "('g', 'a', 1, NULL, 1), ('g', NULL, 2, NULL, 1), ('g', 'a', 2, NULL, 1),"
        "('g', NULL, 3, NULL, 1)");
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1", "[G]");
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].at("G").isNull());
    // Which of a and Null is sample 1 follows the database's order; the
    // figures here are symmetric in the two samples.
    check(rows[0], kSeparated, "Null group");
    check(rows[1], kOneTie, "group g");
}

TEST_F(RunsTest, EachDataFieldHasItsOwnRow) {
    // X separates the samples; X2 alternates a b a b a b: 6 runs, mean 4,
    // (6 - 4 - 0.5)/sqrt(1.2). A Null X2 is missing for X2 only.
    add("('k', 'a', 1, 1, 1), ('k', 'a', 2, 3, 1), ('k', 'a', 3, 5, 1),"
        "('k', 'b', 4, 2, 1), ('k', 'b', 5, 4, 1), ('k', 'b', 6, 6, 1), ('k', 'b', NULL, NULL, 1)");
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}, {"X2", "X"}}), "");
    const auto rows = tableRows("Out1", "[DataField]");
    ASSERT_EQ(rows.size(), 2u);
    Expected x = kSeparated;
    x.missing = 1;
    check(rows[0], x, "X");
    EXPECT_EQ(rows[1].at("DataField").toText(), "X2");
    check(rows[1],
          {6, 3, 3, 4, 1.0954451150103322, 0, 0, 6, 1.3693063937629153, 0.085451760115398732, 6,
           1.3693063937629153, 0.085451760115398732, 1},
          "X2");
}

TEST_F(RunsTest, RowsComeOneDataFieldAfterAnother) {
    // Group k: X separates the samples (2 runs), X2 alternates (6 runs);
    // group m the other way round. Every group's X row, then every X2 row.
    add("('k', 'a', 1, 1, 1), ('k', 'a', 2, 3, 1), ('k', 'a', 3, 5, 1),"
        "('k', 'b', 4, 2, 1), ('k', 'b', 5, 4, 1), ('k', 'b', 6, 6, 1),"
        "('m', 'a', 1, 1, 1), ('m', 'a', 3, 2, 1), ('m', 'a', 5, 3, 1),"
        "('m', 'b', 2, 4, 1), ('m', 'b', 4, 5, 1), ('m', 'b', 6, 6, 1)");
    struct Row {
        const char* group;
        const char* field;
        double runs;
    };
    const Row want[] = {{"k", "X", 2}, {"m", "X", 6}, {"k", "X2", 6}, {"m", "X2", 2}};
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}, {"X2", "X"}}), "");
        const auto rows = tableRows("Out1", "rowid");
        ASSERT_EQ(rows.size(), 4u);
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_EQ(rows[i].at("G").toText(), want[i].group) << i;
            EXPECT_EQ(rows[i].at("DataField").toText(), want[i].field) << i;
            EXPECT_EQ(rows[i].at("Wald_Min_Runs").asDouble(), want[i].runs) << i;
        }
    }
}

TEST_F(RunsTest, CompareFieldMustHoldTwoValues) {
    EXPECT_EQ(runs(), "Problem with input query");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    add("('g', 'a', 1, NULL, 1), ('g', 'a', 2, NULL, 1)");
    EXPECT_EQ(runs(), "Compare Field has 1 value.\r\nTwo values are required.");
    add("('g', 'b', 1, NULL, 1), ('g', 'c', 2, NULL, 1)");
    EXPECT_EQ(runs(), "Compare Field has 3 values.\r\nOnly two values are permitted.");
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "a failed run writes nothing";
}

TEST_F(RunsTest, AYFieldIsRefusedAndNothingWritten) {
    add("('w', 'a', 1, 7, 2.7), ('w', 'a', 3, 7, 1), ('w', 'b', 1, 7, 1), ('w', 'b', 2, 7, 1.5)");
    EXPECT_EQ(runs({{"S", "C"}, {"X", "X"}, {"X2", "Y"}, {"W", "W"}}),
              "usysQuorvaneFields: 2 Sample takes no Y field ('X2').\r\nRoles of 2 Sample: "
              "group, compare, x, weight");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

TEST_F(RunsTest, ATinyMemoryBudgetAndEitherWalkGiveTheSameTable) {
    // Enough values per group that a tiny budget spills them.
    std::vector<double> a, b;
    for (int i = 0; i < 150; ++i) (i % 3 ? a : b).push_back(i % 40);
    samples("s1", a, b);
    samples("s2", b, a);
    samples("s3", {1, 2, 3}, {4, 5, 6});
    ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
    const auto reference = tableRows("Out1", "[G]");
    ASSERT_EQ(reference.size(), 3u);
    check(reference[2], kSeparated, "s3");
    for (bool hashed : {true, false})
        for (std::size_t budget : {SortBudget::kDefaultBytes, std::size_t{600}}) {
            engine.SetHashedGroups(hashed);
            engine.SetSortMemoryBudget(budget);
            ASSERT_EQ(runs({{"G", "G"}, {"S", "C"}, {"X", "X"}}), "");
            EXPECT_EQ(tableRows("Out1", "[G]"), reference)
                << (hashed ? "hashed" : "sorted") << " walk, budget " << budget;
        }
}

}  // namespace
}  // namespace qrv::test
