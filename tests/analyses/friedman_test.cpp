// The Friedman test through the whole engine: a scenario of type "N Fields"
// in the scenario tables, RunScenario, and the output and detail tables read
// back. Every expected figure is worked by hand from the ranks within each
// record, chi-square = 12 S / (n k (k + 1)) - 3 n (k + 1) with S the sum of
// the squared weighted rank sums, checked with Python fractions; the
// probabilities are the chi-square upper tail Q(df/2, x/2) from mpmath's
// regularised incomplete gamma at 30 digits (for 2 df it is exp(-x/2)).
#include <cmath>

#include "engine/engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

struct Expected {
    double count;
    std::optional<double> observations;  // weighted runs only
    double missing, df, fields;
    std::optional<double> chi, prob;  // nullopt: left Null
};

class FriedmanTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("F");
        for (Field f : {Field("Id", dbLong), Field("Grp", dbText, 10), Field("A", dbDouble),
                        Field("B", dbDouble), Field("C", dbDouble), Field("D", dbDouble),
                        Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }
    void insert(const std::string& values) {
        ASSERT_EQ(rawExec(path, "INSERT INTO F VALUES " + values + ";"), "");
    }
    // The unweighted data of three fields A, B, C in five groups.
    void threeFieldGroups() {
        insert(
            // p: ranks (1, 2.5, 2.5) (3, 1, 2) (2, 2, 2) (2, 3, 1) (1, 2.5, 2.5):
            // R = 9, 11, 10, n = 5, S = 302, chi = 3624/60 - 60 = 0.4. The
            // record with a Null is left out and missing.
            "(1, 'p', 1, 2, 2, 0, 1), (2, 'p', 5, 3, 4, 0, 1), (3, 'p', 7, 7, 7, 0, 1),"
            "(4, 'p', 2, 9, 1, 0, 1), (5, 'p', -1, 0, 0, 0, 1), (6, 'p', 3, NULL, 1, 0, 1),"
            // q: a single record, ranks 3, 2, 1: S = 14, chi = 168/12 - 12 = 2.
            "(7, 'q', 30, 20, 10, 0, 1),"
            // Null group: (1, 1, 1) all tied, ranks 2, 2, 2: chi = 144/12 - 12
            // = 0; the other record lacks A.
            "(8, NULL, 1, 1, 1, 0, 1), (9, NULL, NULL, 2, 3, 0, 1),"
            // r: no complete record at all.
            "(10, 'r', NULL, NULL, NULL, 0, 1),"
            // s: the same order in all four records: R = 4, 8, 12,
            // chi = 12 (16 + 64 + 144) / 48 - 48 = 8.
            "(11, 's', 1, 2, 3, 0, 1), (12, 's', 4, 5, 6, 0, 1), (13, 's', 0.5, 0.6, 0.7, 0, 1),"
            "(14, 's', -3, -2, -1, 0, 1)");
    }
    std::int32_t friedman(Fields fields, const std::string& detail = "Det",
                          std::string missingType = "0", Value equal = {}) {
        ScenarioRow s;
        s.category = "N";
        s.subtype = "N Fields";
        s.input = "F";
        s.output2 = detail;
        s.fields = std::move(fields);
        s.missingType = std::move(missingType);
        s.missingEqual = std::move(equal);
        return addScenario(s);
    }
    // The output row of each group, keyed by the group's text ("-" for Null).
    std::map<std::string, TableRow> byGroup(const std::string& table) {
        std::map<std::string, TableRow> out;
        for (TableRow& r : tableRows(table)) {
            const std::string key = r["Grp"].isNull() ? "-" : r["Grp"].toText();
            EXPECT_EQ(out.count(key), 0u) << "one row per group: " << key;
            out[key] = std::move(r);
        }
        return out;
    }
    static void near(const Value& v, std::optional<double> want, double relative,
                     const std::string& what) {
        if (!want) {
            EXPECT_TRUE(v.isNull()) << what << " should be Null, is " << v.toText();
            return;
        }
        ASSERT_FALSE(v.isNull()) << what;
        EXPECT_NEAR(v.asDouble(), *want, relative * std::max(1.0, std::fabs(*want))) << what;
    }
    void expectRow(const TableRow& r, const Expected& e, const std::string& what) {
        near(r.at("Count"), e.count, 1e-15, what + " Count");
        if (e.observations) near(r.at("Observations"), e.observations, 0, what + " Observations");
        near(r.at("Missing"), e.missing, 0, what + " Missing");
        near(r.at("DF"), e.df, 0, what + " DF");
        near(r.at("Fields"), e.fields, 0, what + " Fields");
        near(r.at("Chi-Squared"), e.chi, 1e-14, what + " Chi-Squared");
        near(r.at("Friedman_Prob"), e.prob, 1e-14, what + " Friedman_Prob");
    }
    // Detail rows of one group as field name -> (SumRanks, MeanRank), each
    // row's Count checked against n.
    std::map<std::string, std::pair<double, double>> detailOf(const std::string& group, double n) {
        std::map<std::string, std::pair<double, double>> out;
        for (const TableRow& r : tableRows("Det")) {
            if ((r.at("Grp").isNull() ? "-" : r.at("Grp").toText()) != group) continue;
            EXPECT_DOUBLE_EQ(r.at("Count").asDouble(), n) << group;
            out[r.at("DataField").toText()] = {r.at("SumRanks").asDouble(),
                                               r.at("MeanRank").asDouble()};
        }
        return out;
    }
    void expectThreeFieldGroups(const std::string& what) {
        auto rows = byGroup("Out1");
        ASSERT_EQ(rows.size(), 5u) << what;
        expectRow(rows["p"], {5, {}, 1, 2, 3, 0.4, 0.81873075307798185867}, what + " p");
        expectRow(rows["q"], {1, {}, 0, 2, 3, 2, 0.3678794411714423216}, what + " q");
        expectRow(rows["-"], {1, {}, 1, 2, 3, 0, 1}, what + " Null group");
        expectRow(rows["r"], {0, {}, 1, 2, 3, {}, {}}, what + " r");
        expectRow(rows["s"], {4, {}, 0, 2, 3, 8, 0.018315638888734180294}, what + " s");
        using D = std::map<std::string, std::pair<double, double>>;
        EXPECT_EQ(detailOf("p", 5), (D{{"A", {9, 1.8}}, {"B", {11, 2.2}}, {"C", {10, 2}}})) << what;
        EXPECT_EQ(detailOf("q", 1), (D{{"A", {3, 3}}, {"B", {2, 2}}, {"C", {1, 1}}})) << what;
        EXPECT_EQ(detailOf("-", 1), (D{{"A", {2, 2}}, {"B", {2, 2}}, {"C", {2, 2}}})) << what;
        EXPECT_EQ(detailOf("r", 0), D{}) << what << ": no complete record, no detail rows";
        EXPECT_EQ(detailOf("s", 4), (D{{"A", {4, 1}}, {"B", {8, 2}}, {"C", {12, 3}}})) << what;
    }
};

const Fields kGroupABC = {{"Grp", "G"}, {"A", "X"}, {"B", "X"}, {"C", "X"}};

TEST_F(FriedmanTest, RanksTiesMissingRecordsAndGroupsByHand) {
    threeFieldGroups();
    ASSERT_TRUE(run(friedman(kGroupABC))) << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"Grp", "Count", "Missing", "DF", "Fields", "Chi-Squared",
                                        "Friedman_Prob"}));
    EXPECT_EQ(tableColumns("Det"),
              (std::vector<std::string>{"Grp", "DataField", "Count", "SumRanks", "MeanRank"}));
    expectThreeFieldGroups("default walk");
}

TEST_F(FriedmanTest, EveryWalkAndATinyMemoryBudgetGiveTheSameTables) {
    threeFieldGroups();
    for (bool hashed : {true, false})
        for (std::size_t budget : {std::size_t{1} << 26, std::size_t{64}}) {
            engine.SetHashedGroups(hashed);
            engine.SetSortMemoryBudget(budget);
            ASSERT_TRUE(run(friedman(kGroupABC))) << engine.ErrorInfo();
            expectThreeFieldGroups(std::string(hashed ? "hashed" : "sorted") + " walk, budget " +
                                   std::to_string(budget));
        }
}

TEST_F(FriedmanTest, WithoutDetailNameNoDetailTableAndWithoutGroupsOneRow) {
    threeFieldGroups();
    ASSERT_TRUE(run(friedman({{"A", "X"}, {"B", "X"}, {"C", "X"}}, ""))) << engine.ErrorInfo();
    EXPECT_FALSE(db.GetTableDef("Det").ok());
    EXPECT_EQ(tableColumns("Out1"), (std::vector<std::string>{"Count", "Missing", "DF", "Fields",
                                                              "Chi-Squared", "Friedman_Prob"}));
    // All groups pooled: R = 9 + 3 + 2 + 4, 11 + 2 + 2 + 8, 10 + 1 + 2 + 12 =
    // 18, 23, 25 over n = 11: S = 324 + 529 + 625 = 1478, chi = 17736/132 -
    // 132 = 2.363636...; 3 records missing.
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectRow(rows[0], {11, {}, 3, 2, 3, 26.0 / 11, 0.30672055757655675261}, "pooled");
}

TEST_F(FriedmanTest, WeightsMultiplyRanksAndSkippedWeightsCountAsMissing) {
    insert(
        // Ranks (1, 2, 3) weight 2, (1, 3, 2) weight 0.5, (2.5, 2.5, 1) weight
        // 1.5: R = 25/4, 37/4, 17/2 over n = 4; chi = 39/32. Weights 0, Null
        // and -1 skip their records.
        "(1, 'w', 10, 20, 30, 0, 2), (2, 'w', 1, 3, 2, 0, 0.5), (3, 'w', 5, 5, 1, 0, 1.5),"
        "(4, 'w', 4, 8, 6, 0, 0), (5, 'w', 4, 8, 6, 0, NULL), (6, 'w', 3, 2, 1, 0, -1)");
    Fields fields = kGroupABC;
    fields.emplace_back("W", "W");
    ASSERT_TRUE(run(friedman(fields))) << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"Grp", "Count", "Observations", "Missing", "DF", "Fields",
                                        "Chi-Squared", "Friedman_Prob"}));
    auto rows = byGroup("Out1");
    ASSERT_EQ(rows.size(), 1u);
    expectRow(rows["w"], {4, 3, 3, 2, 3, 39.0 / 32, 0.54369056951300042402}, "weighted");
    using D = std::map<std::string, std::pair<double, double>>;
    EXPECT_EQ(detailOf("w", 4),
              (D{{"A", {6.25, 6.25 / 4}}, {"B", {9.25, 9.25 / 4}}, {"C", {8.5, 8.5 / 4}}}));
}

TEST_F(FriedmanTest, FourFieldsGiveThreeDegreesOfFreedom) {
    // Ranks equal the values: R = 9, 11, 14, 16, S = 654, n = 5, k = 4:
    // chi = 7848/100 - 75 = 3.48.
    insert(
        "(1, 'g', 1, 2, 3, 4, 1), (2, 'g', 2, 1, 3, 4, 1), (3, 'g', 1, 2, 4, 3, 1),"
        "(4, 'g', 1, 3, 2, 4, 1), (5, 'g', 4, 3, 2, 1, 1)");
    ASSERT_TRUE(run(friedman({{"Grp", "G"}, {"A", "X"}, {"B", "X"}, {"C", "X"}, {"D", "X"}})))
        << engine.ErrorInfo();
    auto rows = byGroup("Out1");
    expectRow(rows["g"], {5, {}, 0, 3, 4, 3.48, 0.32336533274855323788}, "k = 4");
    EXPECT_DOUBLE_EQ(detailOf("g", 5)["D"].second, 16.0 / 5);
}

TEST_F(FriedmanTest, ValuesThatReadTheSameTo15DigitsAreTied) {
    // One record per group, so n = 1, k = 3 and chi = 12 S / 12 - 12 = S - 12
    // with S the sum of the squared ranks; for 2 df the tail is exp(-chi / 2).
    struct Case {
        const char* group;
        const char* values;  // A, B, C as SQL literals
        double a, b, c;      // the ranks
    };
    const Case cases[] = {
        // 0.1 + 0.2 reads 0.3 to 15 digits: tied with 0.3.
        {"a", "0.30000000000000004, 0.3, 0", 2.5, 2.5, 1},
        {"b", "1, 1.0000000000000002, 2", 1.5, 1.5, 3},
        {"c", "-0.30000000000000004, 5, -0.3", 1.5, 3, 1.5},
        // A difference in the 15th digit is a difference.
        {"d", "1.00000000000001, 1, 0", 3, 2, 1},
    };
    int id = 0;
    for (const Case& c : cases)
        insert("(" + std::to_string(++id) + ", '" + c.group + "', " + c.values + ", 0, 1)");
    ASSERT_TRUE(run(friedman(kGroupABC))) << engine.ErrorInfo();
    auto rows = byGroup("Out1");
    using D = std::map<std::string, std::pair<double, double>>;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.group);
        EXPECT_EQ(detailOf(c.group, 1),
                  (D{{"A", {c.a, c.a}}, {"B", {c.b, c.b}}, {"C", {c.c, c.c}}}));
        const double chi = c.a * c.a + c.b * c.b + c.c * c.c - 12;
        expectRow(rows[c.group], {1, {}, 0, 2, 3, chi, std::exp(-chi / 2)}, c.group);
    }
}

TEST_F(FriedmanTest, OneFieldOrStrayRolesAreRefused) {
    threeFieldGroups();
    EXPECT_FALSE(run(friedman({{"Grp", "G"}, {"A", "X"}})));
    EXPECT_EQ(engine.ErrorInfo(),
              "usysQuorvaneFields: At least 2 Independent (X) fields must be assigned.");
    for (const char* role : {"Y", "C"}) {
        Fields fields = kGroupABC;
        fields.emplace_back("D", role);
        EXPECT_FALSE(run(friedman(fields))) << role;
        EXPECT_NE(engine.ErrorInfo().find("N Fields takes no"), std::string::npos)
            << engine.ErrorInfo();
    }
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

TEST_F(FriedmanTest, IgnoreRuleDropsTheWholeRecord) {
    threeFieldGroups();
    // Values equal to 7 are ignored: record 3 (7, 7, 7) goes, so group p has
    // R = 7, 9, 8 over n = 4, chi = 12 (194) / 48 - 48 = 0.5.
    ASSERT_TRUE(run(friedman(kGroupABC, "Det", "1", 7.0))) << engine.ErrorInfo();
    auto rows = byGroup("Out1");
    expectRow(rows["p"], {4, {}, 2, 2, 3, 0.5, 0.77880078307140486825}, "ignore 7");
}

TEST_F(FriedmanTest, BadInputEndsTheRunWithItsMessage) {
    EXPECT_FALSE(run(friedman(kGroupABC)));
    EXPECT_EQ(engine.ErrorInfo(), "No records found in F");

    TableDef t = db.CreateTableDef("T");
    for (Field f : {Field("A", dbDouble), Field("B", dbText, 10)}) t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_EQ(rawExec(path, "INSERT INTO T VALUES (1, '2'), (3, 'seven');"), "");
    ScenarioRow s;
    s.category = "N";
    s.subtype = "N Fields";
    s.input = "T";
    s.fields = {{"A", "X"}, {"B", "X"}};
    EXPECT_FALSE(run(addScenario(s)));
    EXPECT_EQ(engine.ErrorInfo(), "Field [B] holds a value that is not a number: 'seven'");
}

TEST_F(FriedmanTest, ManyRecordsKeepEveryDigit) {
    // 3000 records in the same order, weight 1.1 each: R_j = 1.1 j 3000,
    // n = 3300, S = 14 n^2, chi = 12 (14 n^2) / (12 n) - 12 n = 2 n = 6600.
    std::string values;
    for (int i = 0; i < 3000; ++i)
        values += std::string(i ? "," : "") + "(" + std::to_string(i) + ", 'm', " +
                  std::to_string(i % 7) + ", " + std::to_string(i % 7 + 1) + ", " +
                  std::to_string(i % 7 + 2) + ", 0, 1.1)";
    insert(values);
    Fields fields = kGroupABC;
    fields.emplace_back("W", "W");
    ASSERT_TRUE(run(friedman(fields))) << engine.ErrorInfo();
    auto rows = byGroup("Out1");
    near(rows["m"].at("Count"), 3300, 1e-13, "Count");
    near(rows["m"].at("Chi-Squared"), 6600, 1e-12, "Chi-Squared");
    // exp(-3300) is far below the smallest double.
    near(rows["m"].at("Friedman_Prob"), 0, 0, "Friedman_Prob");
}

}  // namespace
}  // namespace qrv::test
