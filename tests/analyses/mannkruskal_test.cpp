// The two-sample rank tests (Mann-Whitney, Kolmogorov-Smirnov) and the
// Kruskal-Wallis test, through the engine. Every expected figure was worked
// independently: rank sums and tie terms by hand, and the statistics and
// probabilities with python3 fractions and mpmath (normal tail erfc(|z|/√2),
// Kolmogorov tail Q(z) = 2 Σ (-1)^(k-1) exp(-2k²z²), chi-square tail
// 1 - gammainc(df/2, 0, H/2, regularized)), from the textbook formulas
// U = n1 n2 + n1(n1 + 1)/2 - R1, z = (U - n1 n2/2) / √(n1 n2/(N(N - 1)) (T - Σ(f³ - f)/12)),
// H = 12/(N(N + 1)) Σ R²/n - 3(N + 1), H' = H / (1 - Σ(f³ - f)/(N³ - N)).
#include <cmath>
#include <map>

#include "engine/engine_fixture.h"
#include "engine/sort_budget.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

class MannKruskal : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("S");
        for (Field f : {Field("Id", dbLong), Field("Grp", dbText, 10), Field("Smp", dbText, 10),
                        Field("X", dbDouble), Field("Y", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
        // The compare values first appear in the order p, q, r.
        // Group a: X of p 1 3 3 6, of q 3 5 6 8 9, of r 2 (ties 3 3 3 and 6 6);
        //          Y of p 1.5 2.5 7 9 11, of q 3 4 5 6 8 10 12, of r 100 (no ties).
        // Group b: every X 4 (p twice, q three times); no Y.
        // Group Null: one q row.
        ASSERT_EQ(rawExec(path,
                          "INSERT INTO S VALUES (1, 'a', 'p', 1, 1.5, 1), (2, 'a', 'q', 3, 3, 1),"
                          "(3, 'a', 'p', 3, 2.5, 1), (4, 'a', 'p', 3, 7, 1),"
                          "(5, 'a', 'p', 6, 9, 1), (6, 'a', 'p', NULL, 11, 1),"
                          "(7, 'a', 'q', 5, 4, 1), (8, 'a', 'q', 6, 5, 1), (9, 'a', 'q', 8, 6, 1),"
                          "(10, 'a', 'q', 9, 8, 1), (11, 'a', 'q', NULL, 10, 1),"
                          "(12, 'a', 'q', NULL, 12, 1), (13, 'a', 'r', 2, 100, 1),"
                          "(14, 'b', 'p', 4, NULL, 1), (15, 'b', 'p', 4, NULL, 1),"
                          "(16, 'b', 'q', 4, NULL, 1), (17, 'b', 'q', 4, NULL, 1),"
                          "(18, 'b', 'q', 4, NULL, 1), (19, NULL, 'q', 7, 1, 1);"),
                  "");
    }

    std::string runScenario(const std::string& subtype, Fields fields,
                            const std::string& output2 = "", const std::string& input = "S") {
        ScenarioRow s;
        s.category = "N";
        s.subtype = subtype;
        s.input = input;
        s.output2 = output2;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (subtype == "2 Sample") setOptions(id, {{"NPTwoType", "Mann"}});
        return run(id) ? "" : engine.ErrorInfo();
    }

    // Rows keyed by group text ("(null)" for Null) and data field.
    std::map<std::string, TableRow> keyed(const std::string& table, const char* extra = nullptr) {
        std::map<std::string, TableRow> out;
        for (TableRow& r : tableRows(table)) {
            std::string key = r["Grp"].isNull() ? "(null)" : r["Grp"].toText();
            key.append(1, '/').append(r["DataField"].toText());
            if (extra) key.append(1, '/').append(r[extra].toText());
            EXPECT_EQ(out.count(key), 0u) << "two rows for " << key;
            out[key] = std::move(r);
        }
        return out;
    }
};

void expectNear(const Value& v, double expected, const char* what) {
    ASSERT_FALSE(v.isNull()) << what << " is Null";
    EXPECT_NEAR(v.asDouble(), expected, 1e-12 * std::max(1.0, std::fabs(expected))) << what;
}

#define EXPECT_COLUMN(row, column, expected) expectNear((row)[column], expected, column)

TEST_F(MannKruskal, TwoSampleColumnsInOrder) {
    ASSERT_EQ(runScenario("2 Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"W", "W"}}), "");
    const std::vector<std::string> expected = {"Grp",
                                               "DataField",
                                               "Smp-1",
                                               "Smp-2",
                                               "Count",
                                               "Cases-1",
                                               "Cases-2",
                                               "SumRank-1",
                                               "SumRank-2",
                                               "MeanRank-1",
                                               "MeanRank-2",
                                               "Ties",
                                               "TiedGroups",
                                               "SumTies",
                                               "MW_U",
                                               "MW_U_Prime",
                                               "MW_W",
                                               "MW_Z",
                                               "MW_Prob",
                                               "MW_Z_(ties)",
                                               "MW_Prob_(ties)",
                                               "KS_MaxAbsoluteDiff",
                                               "KS_MaxPosDiff",
                                               "KS_MaxNegDiff",
                                               "KS_Z",
                                               "KS_Prob"};
    EXPECT_EQ(tableColumns("Out1"), expected);
}

TEST_F(MannKruskal, TwoSamplesWithTiesAndAThirdValueLeftOut) {
    ASSERT_EQ(runScenario("2 Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"Y", "X"}}), "");
    auto rows = keyed("Out1");
    ASSERT_EQ(rows.size(), 6u) << "three groups, two data fields";
    TableRow& x = rows["a/X"];
    EXPECT_EQ(x["Smp-1"].toText(), "p");
    EXPECT_EQ(x["Smp-2"].toText(), "q");
    // Ranks of 1 | 3 3 3 | 5 | 6 6 | 8 | 9 (r's 2 takes no rank): p holds 1,
    // two 3s and a 6: 1 + 3 + 3 + 6.5.
    EXPECT_COLUMN(x, "Count", 9);  // r's value is not counted
    EXPECT_COLUMN(x, "Cases-1", 4);
    EXPECT_COLUMN(x, "Cases-2", 5);
    EXPECT_COLUMN(x, "SumRank-1", 13.5);
    EXPECT_COLUMN(x, "SumRank-2", 31.5);
    EXPECT_COLUMN(x, "MeanRank-1", 13.5 / 4);
    EXPECT_COLUMN(x, "MeanRank-2", 31.5 / 5);
    EXPECT_COLUMN(x, "Ties", 5);
    EXPECT_COLUMN(x, "TiedGroups", 2);
    EXPECT_COLUMN(x, "SumTies", (24.0 + 6.0) / 12);
    // U = 20 + 10 - 13.5 = 16.5 > 10, so U = 3.5.
    EXPECT_COLUMN(x, "MW_U", 3.5);
    EXPECT_COLUMN(x, "MW_U_Prime", 16.5);
    EXPECT_COLUMN(x, "MW_W", 13.5);  // the smaller sample is the first
    EXPECT_COLUMN(x, "MW_Z", -1.59216833280906576);
    EXPECT_COLUMN(x, "MW_Prob", 0.111346886533140431);
    EXPECT_COLUMN(x, "MW_Z_(ties)", -1.62641242964518315);
    EXPECT_COLUMN(x, "MW_Prob_(ties)", 0.103861948426130803);
    // Distribution functions at the ends of the runs: 1/4 - 0, 3/4 - 1/5, ...
    EXPECT_COLUMN(x, "KS_MaxPosDiff", 0.55);
    EXPECT_COLUMN(x, "KS_MaxNegDiff", 0);
    EXPECT_COLUMN(x, "KS_MaxAbsoluteDiff", 0.55);
    EXPECT_COLUMN(x, "KS_Z", 0.819891591749922889);
    EXPECT_COLUMN(x, "KS_Prob", 0.512143956989360318);

    // No ties: the corrected Z is the plain one.
    TableRow& y = rows["a/Y"];
    EXPECT_COLUMN(y, "Cases-1", 5);
    EXPECT_COLUMN(y, "Cases-2", 7);
    EXPECT_COLUMN(y, "SumRank-1", 30);
    EXPECT_COLUMN(y, "SumRank-2", 48);
    EXPECT_COLUMN(y, "Ties", 0);
    EXPECT_COLUMN(y, "SumTies", 0);
    EXPECT_COLUMN(y, "MW_U", 15);
    EXPECT_COLUMN(y, "MW_U_Prime", 20);
    EXPECT_COLUMN(y, "MW_W", 30);
    EXPECT_COLUMN(y, "MW_Z", -0.405998971470575077);
    EXPECT_COLUMN(y, "MW_Z_(ties)", -0.405998971470575077);
    EXPECT_COLUMN(y, "MW_Prob", 0.684743356137387432);
    EXPECT_COLUMN(y, "MW_Prob_(ties)", 0.684743356137387432);
    EXPECT_COLUMN(y, "KS_MaxPosDiff", 0.4);
    EXPECT_COLUMN(y, "KS_MaxNegDiff", -6.0 / 35);
    EXPECT_COLUMN(y, "KS_MaxAbsoluteDiff", 0.4);
    EXPECT_COLUMN(y, "KS_Z", 0.683130051063973226);
    EXPECT_COLUMN(y, "KS_Prob", 0.739104536825091784);
}

TEST_F(MannKruskal, AllTiedEmptyAndOneSidedSamples) {
    ASSERT_EQ(runScenario("2 Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"Y", "X"}}), "");
    auto rows = keyed("Out1");
    // Every value 4: one run of 5 with mean rank 3.
    TableRow& b = rows["b/X"];
    EXPECT_COLUMN(b, "SumRank-1", 6);
    EXPECT_COLUMN(b, "SumRank-2", 9);
    EXPECT_COLUMN(b, "MW_U", 3);  // n1 n2 / 2
    EXPECT_COLUMN(b, "MW_U_Prime", 3);
    EXPECT_COLUMN(b, "Ties", 5);
    EXPECT_COLUMN(b, "TiedGroups", 1);
    EXPECT_COLUMN(b, "SumTies", 10);  // (125 - 5) / 12, all of T
    EXPECT_COLUMN(b, "MW_Z", 0);
    EXPECT_COLUMN(b, "MW_Prob", 1);
    EXPECT_TRUE(b["MW_Z_(ties)"].isNull());
    EXPECT_TRUE(b["MW_Prob_(ties)"].isNull());
    EXPECT_COLUMN(b, "KS_MaxAbsoluteDiff", 0);
    EXPECT_COLUMN(b, "KS_Z", 0);
    EXPECT_COLUMN(b, "KS_Prob", 1);
    // A field without values in the group, and a group (the Null one) with
    // one sample only: the counts, and no statistics.
    for (const char* key : {"b/Y", "(null)/X", "(null)/Y"}) {
        SCOPED_TRACE(key);
        TableRow& r = rows[key];
        EXPECT_EQ(r["Smp-1"].toText(), "p");
        for (const char* c : {"SumRank-1", "MW_U", "MW_Z", "MW_Prob", "KS_Z", "KS_Prob"})
            EXPECT_TRUE(r[c].isNull()) << c;
    }
    EXPECT_COLUMN(rows["(null)/X"], "Cases-1", 0);
    EXPECT_COLUMN(rows["(null)/X"], "Cases-2", 1);
    EXPECT_COLUMN(rows["(null)/X"], "Count", 1);
    EXPECT_COLUMN(rows["b/Y"], "Count", 0);
}

TEST_F(MannKruskal, KruskalWallisOfThreeSamplesWithDetail) {
    ASSERT_EQ(runScenario("N Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"Y", "X"}}, "Out2"),
              "");
    const std::vector<std::string> columns = {"Grp",    "DataField", "Count",      "Missing",
                                              "Groups", "Ties",      "TiedGroups", "SumTies",
                                              "H",      "Prob",      "H_(ties)",   "Prob_(ties)"};
    EXPECT_EQ(tableColumns("Out1"), columns);
    const std::vector<std::string> detailColumns = {"Grp",   "Smp",      "DataField",
                                                    "Count", "SumRanks", "MeanRank"};
    EXPECT_EQ(tableColumns("Out2"), detailColumns);
    auto rows = keyed("Out1");
    ASSERT_EQ(rows.size(), 6u);
    // X of a: 1 | 2 | 3 3 3 | 5 | 6 6 | 8 | 9; r's 2 ranks now. R: p 16.5,
    // q 36.5, r 2.
    TableRow& x = rows["a/X"];
    EXPECT_COLUMN(x, "Count", 10);
    EXPECT_EQ(x["Missing"].asDouble(), 3);  // three rows of a without X
    EXPECT_COLUMN(x, "Groups", 3);
    EXPECT_COLUMN(x, "Ties", 5);
    EXPECT_COLUMN(x, "TiedGroups", 2);
    EXPECT_COLUMN(x, "SumTies", 30);  // the plain sum of f^3 - f here
    EXPECT_COLUMN(x, "H", 8643.0 / 2200);
    EXPECT_COLUMN(x, "Prob", 0.140251480032560424);
    EXPECT_COLUMN(x, "H_(ties)", 25929.0 / 6400);
    EXPECT_COLUMN(x, "Prob_(ties)", 0.131901067637065567);
    TableRow& y = rows["a/Y"];
    EXPECT_COLUMN(y, "H", 1728.0 / 637);
    EXPECT_COLUMN(y, "H_(ties)", 1728.0 / 637);
    EXPECT_COLUMN(y, "Prob", 0.257597258368886824);
    // All tied: H is 0 and the corrected H undefined.
    TableRow& b = rows["b/X"];
    EXPECT_COLUMN(b, "Groups", 2);
    EXPECT_COLUMN(b, "H", 0);
    EXPECT_TRUE(b["H_(ties)"].isNull());
    // No values: a row of counts only.
    TableRow& by = rows["b/Y"];
    EXPECT_COLUMN(by, "Count", 0);
    EXPECT_EQ(by["Missing"].asDouble(), 5);
    EXPECT_TRUE(by["H"].isNull());
    // One sample of one value: H 0 on no degrees of freedom.
    TableRow& n = rows["(null)/X"];
    EXPECT_COLUMN(n, "Groups", 1);
    EXPECT_COLUMN(n, "H", 0);
    EXPECT_TRUE(n["H_(ties)"].isNull()) << "N = 1: N^3 - N is 0";

    auto detail = keyed("Out2", "Smp");
    EXPECT_EQ(detail.size(), 3u + 3u + 2u + 1u + 1u) << "a: X and Y in p, q, r; b: X in p, q";
    EXPECT_COLUMN(detail["a/X/p"], "Count", 4);
    EXPECT_COLUMN(detail["a/X/p"], "SumRanks", 16.5);
    EXPECT_COLUMN(detail["a/X/p"], "MeanRank", 16.5 / 4);
    EXPECT_COLUMN(detail["a/X/q"], "SumRanks", 36.5);
    EXPECT_COLUMN(detail["a/X/r"], "SumRanks", 2);
    EXPECT_COLUMN(detail["a/Y/r"], "MeanRank", 13);
    EXPECT_COLUMN(detail["b/X/q"], "SumRanks", 9);
    EXPECT_EQ(detail.count("b/Y/p"), 0u) << "no row for a sample without observations";
}

TEST_F(MannKruskal, WeightsCountByTheirWholePart) {
    ASSERT_EQ(rawExec(path,
                      "DELETE FROM S;"
                      // A: 1 (weight 2.7: twice), 4; B: 3, 4 (three times), 10 at
                      // weight 0.5 (stored, never ranked); C: 2. A row without X
                      // and one of weight 0 are records all the same.
                      "INSERT INTO S VALUES (1, 'k', 'A', 1, 0, 2.7), (2, 'k', 'A', 4, 0, 1),"
                      "(3, 'k', 'B', 3, 0, 1), (4, 'k', 'B', 4, 0, 3),"
                      "(5, 'k', 'B', 10, 0, 0.5), (6, 'k', 'C', 2, 0, 1),"
                      "(7, 'k', 'C', NULL, 0, 1), (8, 'k', 'A', 50, 0, 0);"),
              "");
    ASSERT_EQ(runScenario("N Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"W", "W"}}, "Out2"),
              "");
    auto rows = keyed("Out1");
    ASSERT_EQ(rows.size(), 1u);
    TableRow& k = rows["k/X"];
    // 1 1 | 2 | 3 | 4 4 4 4: ranks 1.5, 3, 4, 6.5. R: A 2(1.5) + 6.5, B 4 + 3(6.5), C 3.
    EXPECT_COLUMN(k, "Count", 8);
    EXPECT_COLUMN(k, "Observations", 6);
    EXPECT_EQ(k["Missing"].asDouble(), 2);
    EXPECT_COLUMN(k, "Ties", 6);
    EXPECT_COLUMN(k, "TiedGroups", 2);
    EXPECT_COLUMN(k, "SumTies", 6 + 60);
    EXPECT_COLUMN(k, "H", 727.0 / 288);
    EXPECT_COLUMN(k, "Prob", 0.283044039234039391);
    EXPECT_COLUMN(k, "H_(ties)", 5089.0 / 1752);
    EXPECT_COLUMN(k, "Prob_(ties)", 0.234021992581817874);
    auto detail = keyed("Out2", "Smp");
    ASSERT_EQ(detail.size(), 3u);
    EXPECT_COLUMN(detail["k/X/A"], "Count", 3);
    EXPECT_COLUMN(detail["k/X/A"], "Observations", 2);
    EXPECT_COLUMN(detail["k/X/A"], "SumRanks", 9.5);
    EXPECT_COLUMN(detail["k/X/B"], "Count", 4);
    EXPECT_COLUMN(detail["k/X/B"], "Observations", 3);
    EXPECT_COLUMN(detail["k/X/B"], "SumRanks", 23.5);
    EXPECT_COLUMN(detail["k/X/B"], "MeanRank", 23.5 / 4);
    EXPECT_COLUMN(detail["k/X/C"], "MeanRank", 3);

    // The same weights in the two-sample test (A against B).
    ASSERT_EQ(runScenario("2 Sample", {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"W", "W"}}), "");
    TableRow two = keyed("Out1")["k/X"];
    // 1 1 | 3 | 4 4 4 4: ranks 1.5, 3, 5.5. R1 = 3 + 5.5 = 8.5, R2 = 3 + 16.5.
    EXPECT_COLUMN(two, "Cases-1", 3);
    EXPECT_COLUMN(two, "Cases-2", 4);
    EXPECT_COLUMN(two, "SumRank-1", 8.5);
    EXPECT_COLUMN(two, "SumRank-2", 19.5);
    // U = 12 + 6 - 8.5 = 9.5 > 6, so 2.5; the larger sample is the second.
    EXPECT_COLUMN(two, "MW_U", 2.5);
    EXPECT_COLUMN(two, "MW_W", 8.5);
    // F1 - F2 at 1, 3, 4: 2/3, 2/3 - 1/4, 0.
    EXPECT_COLUMN(two, "KS_MaxPosDiff", 2.0 / 3);
}

TEST_F(MannKruskal, NoCompareValuesIsAProblemWithTheInput) {
    ASSERT_EQ(rawExec(path, "DELETE FROM S;"), "");
    EXPECT_EQ(runScenario("N Sample", {{"Smp", "C"}, {"X", "X"}}), "Problem with input table");
    EXPECT_EQ(runScenario("2 Sample", {{"Smp", "C"}, {"X", "X"}}), "Problem with input table");
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "a failed run leaves no table";
}

TEST_F(MannKruskal, ATinyMemoryBudgetGivesTheSameTables) {
    const Fields f = {{"Grp", "G"}, {"Smp", "C"}, {"X", "X"}, {"Y", "X"}};
    ASSERT_EQ(runScenario("N Sample", f, "Out2"), "");
    const auto kw = tableValues("Out1"), detail = tableValues("Out2");
    ASSERT_EQ(runScenario("2 Sample", f), "");
    const auto two = tableValues("Out1");
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        engine.SetSortMemoryBudget(64);
        ASSERT_EQ(runScenario("N Sample", f, "Out2"), "");
        EXPECT_EQ(tableValues("Out1"), kw);
        EXPECT_EQ(tableValues("Out2"), detail);
        ASSERT_EQ(runScenario("2 Sample", f), "");
        EXPECT_EQ(tableValues("Out1"), two);
    }
}

}  // namespace
}  // namespace qrv::test
