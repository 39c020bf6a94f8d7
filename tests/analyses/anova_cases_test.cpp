// The group analysis at its edges: Null compare values as a level or left
// out, weights against repeated rows, the hashed and sorted walks, the zero
// guards, groups of one row, designs with no residual, and the messages.
// Every expected value is worked by hand in the comment beside it.
#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

class AnovaCases : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("T");
        for (Field f : {Field("G", dbText, 10), Field("A", dbText, 10), Field("B", dbLong),
                        Field("X", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }

    // "NULL" for a, or an empty optional, writes Null.
    void add(const std::string& g, const std::string& a, std::optional<int> b,
             std::optional<double> x, double w = 1) {
        auto r = db.Execute("INSERT INTO [T] ([G], [A], [B], [X], [W]) VALUES ('" + g + "', " +
                            (a == "NULL" ? a : "'" + a + "'") + ", " +
                            (b ? std::to_string(*b) : "NULL") + ", " +
                            (x ? numberToText(*x) : "NULL") + ", " + numberToText(w) + ");");
        ASSERT_TRUE(r.ok());
    }

    std::string runGroup(const std::string& subtype, Fields fields, const std::string& detail = "",
                         bool ignoreBlanks = false, const std::string& out = "Out1") {
        ScenarioRow s;
        s.category = "G";
        s.subtype = subtype;
        s.input = "T";
        s.output1 = out;
        s.output2 = detail;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, {{"GroupIgnoreBlanks", ignoreBlanks}, {"GroupDetail", !detail.empty()}});
        return run(id) ? "" : engine.ErrorInfo();
    }

    // Source -> (DF, SS) of an ANOVA table without group fields, in Index order.
    std::vector<std::pair<std::string, std::pair<double, double>>> dfAndSs(
        const std::string& table) {
        std::vector<std::pair<std::string, std::pair<double, double>>> out;
        for (const TableRow& r : tableRows(table, "[Index]"))
            out.push_back({r.at("Source_of_Variation").toText(),
                           {r.at("DF").asDouble(), r.at("Sum_of_Squares").asDouble()}});
        return out;
    }
};

bool closeTo(double a, double b) {
    return std::fabs(a - b) <= 1e-12 * std::max(1.0, std::fabs(b));
}

TEST_F(AnovaCases, BlankCompareValuesFormALevelUnlessIgnored) {
    for (double v : {1, 2, 3}) add("g", "a", 1, v);
    for (double v : {4, 5, 6}) add("g", "b", 1, v);
    for (double v : {10, 11}) add("g", "NULL", 1, v);
    // With the blanks: means 2, 5, 10.5 about 5.25: between 3 * 3.25^2 + 3 *
    // 0.25^2 + 2 * 5.25^2 = 87 on 2 df; within 2 + 2 + 0.5 = 4.5 on 5 df.
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}, "Det"), "");
    auto t = dfAndSs("Out1");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].second.first, 2);
    EXPECT_TRUE(closeTo(t[1].second.second, 87)) << t[1].second.second;
    EXPECT_EQ(t[2].second.first, 5);
    EXPECT_TRUE(closeTo(t[2].second.second, 4.5)) << t[2].second.second;
    const auto detail = tableRows("Det");
    ASSERT_EQ(detail.size(), 3u);
    int nullLevels = 0;
    for (const TableRow& r : detail) nullLevels += r.at("A").isNull();
    EXPECT_EQ(nullLevels, 1) << "the blank level has a detail row of its own";

    // Ignored: means 2 and 5 about 3.5: between 6 * 1.5^2 = 13.5 on 1 df;
    // within 4 on 4 df.
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}, "Det", true), "");
    t = dfAndSs("Out1");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_EQ(t[1].second.first, 1);
    EXPECT_TRUE(closeTo(t[1].second.second, 13.5)) << t[1].second.second;
    EXPECT_EQ(t[3].second.first, 5) << "total df over the six rows with a level";
    EXPECT_EQ(tableRows("Det").size(), 2u);
}

TEST_F(AnovaCases, NoRowWithNonBlankCompareValues) {
    add("g", "NULL", 1, 1.0);
    add("g", "NULL", 2, 2.0);
    EXPECT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}, "Det", true, "Fresh"),
              "No records with non-blank Compare Fields found in T.");
    EXPECT_TRUE(tableColumns("Fresh").empty()) << "no output table after the message";
    EXPECT_TRUE(tableColumns("Det").empty());
    // Two compare fields: a row needs both non-blank.
    add("g", "a", std::nullopt, 3.0);
    EXPECT_EQ(runGroup("ANOVA", {{"A", "C"}, {"B", "C"}, {"X", "X"}}, "", true, "Fresh"),
              "No records with non-blank Compare Fields found in T.");
    // Included, the blanks are a level and the run goes ahead.
    EXPECT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}), "");
}

TEST_F(AnovaCases, NeedsACompareField) {
    add("g", "a", 1, 1.0);
    EXPECT_EQ(runGroup("ANOVA", {{"X", "X"}}), "At least one Compare field must be assigned");
}

TEST_F(AnovaCases, WeightsEqualRepeatedRows) {
    // Weighted rows against the same rows repeated, in a two-way design with
    // groups: every DF, sum of squares, F and probability agree, and so does
    // the t-test.
    const char* a = "pppqqqpq";
    const int b[] = {1, 2, 2, 1, 1, 2, 1, 2};
    const double y[] = {3, 8, 6, 2, 4, 9, 5, 12};
    const double w[] = {2, 1, 3, 1, 2, 1, 1, 2};
    for (int i = 0; i < 8; ++i) {
        add("w", std::string(1, a[i]), b[i], y[i], w[i]);
        for (int k = 0; k < w[i]; ++k) add("r", std::string(1, a[i]), b[i], y[i]);
    }
    const Fields weighted = {{"G", "G"}, {"A", "C"}, {"B", "C"}, {"X", "X"}, {"W", "W"}};
    ASSERT_EQ(runGroup("Two way ANOVA", weighted, "Det"), "");
    const auto rows = tableRows("Out1", "[G], [Index]");
    ASSERT_EQ(rows.size() % 2, 0u);
    const size_t half = rows.size() / 2;
    ASSERT_GE(half, 6u) << "main effects, two main rows, interaction, explained, residual, total";
    for (size_t i = 0; i < half; ++i) {
        const TableRow& r = rows[i];          // "r": repeated, weight 1
        const TableRow& wt = rows[half + i];  // "w": weighted
        ASSERT_EQ(r.at("G").toText(), "r");
        ASSERT_EQ(wt.at("G").toText(), "w");
        EXPECT_EQ(r.at("Source_of_Variation").toText(), wt.at("Source_of_Variation").toText());
        for (const char* c : {"DF", "Sum_of_Squares", "Mean_Square", "F-Value", "Prob"}) {
            EXPECT_EQ(r.at(c).isNull(), wt.at(c).isNull()) << c << " row " << i;
            if (!r.at(c).isNull()) {
                EXPECT_TRUE(closeTo(wt.at(c).asDouble(), r.at(c).asDouble()))
                    << c << " row " << i << ": " << wt.at(c).asDouble() << " vs "
                    << r.at(c).asDouble();
            }
        }
    }
    // Observations is the number of rows, Count the weight.
    // The weighted level p: rows 3, 8, 6, 5 of weights 2 + 1 + 3 + 1 = 7.
    int levelsP = 0;
    for (const TableRow& r : tableRows("Det")) {
        if (r.at("G").toText() != "w" || r.at("Compare_Value").toText() != "p") continue;
        ++levelsP;
        EXPECT_EQ(r.at("Observations").asDouble(), 4);
        EXPECT_EQ(r.at("Count").asDouble(), 7);
    }
    EXPECT_EQ(levelsP, 1);

    ASSERT_EQ(runGroup("Two Sample t-Test", weighted), "");
    const auto t = tableRows("Out1", "[G]");
    ASSERT_EQ(t.size(), 2u);
    for (const char* c :
         {"Count-1", "Count-2", "Mean-1", "Mean-2", "StdDeviation-1", "StdDeviation-2",
          "t-Value_Pooled", "Prob_(2-tail)_Pooled", "DF_Separate", "Prob_(2-tail)_Separate"})
        EXPECT_TRUE(closeTo(t[1].at(c).asDouble(), t[0].at(c).asDouble())) << c;
}

TEST_F(AnovaCases, HashedAndSortedWalksWriteTheSameTables) {
    const char* groups[] = {"k", "b", "K", "a"};
    int i = 0;
    for (const char* g : groups)
        for (int r = 0; r < 12; ++r, ++i)
            add(g,
                r % 3 == 0   ? "x"
                : r % 3 == 1 ? "y"
                             : "NULL",
                r % 4, r == 5 ? std::nullopt : std::optional<double>(0.25 * ((i * 7) % 19)),
                1 + r % 2);
    for (const char* type : {"ANOVA", "Two Sample t-Test"}) {
        SCOPED_TRACE(type);
        const Fields f = {{"G", "G"}, {"A", "C"}, {"B", "C"}, {"X", "X"}, {"W", "W"}};
        engine.SetHashedGroups(true);
        ASSERT_EQ(runGroup(type, f, "Det1", false, "Hashed"), "");
        engine.SetHashedGroups(false);
        ASSERT_EQ(runGroup(type, f, "Det2", false, "Sorted"), "");
        engine.SetHashedGroups(true);
        const auto hashed = tableValues("Hashed"), sorted = tableValues("Sorted");
        EXPECT_FALSE(hashed.empty());
        EXPECT_EQ(hashed, sorted);
        EXPECT_EQ(tableValues("Det1"), tableValues("Det2"));
    }
}

TEST_F(AnovaCases, ZeroGuards) {
    // Level c: constant 7 (no spread); level z: -1 and 1 (sum 0, no
    // coefficient of variation); level s: a single value (no variance).
    for (double v : {7, 7, 7}) add("g", "c", 1, v);
    for (double v : {-1, 1}) add("g", "z", 1, v);
    add("g", "s", 1, 4.0);
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}, "Det"), "");
    for (const TableRow& r : tableRows("Det")) {
        const std::string level = r.at("A").toText();
        if (level == "c") {
            EXPECT_EQ(r.at("Variance").asDouble(), 0);
            EXPECT_EQ(r.at("StdDeviation").asDouble(), 0);
            EXPECT_EQ(r.at("CoeffOfVariance").asDouble(), 0);
        } else if (level == "z") {
            EXPECT_EQ(r.at("Variance").asDouble(), 2);
            EXPECT_TRUE(r.at("CoeffOfVariance").isNull()) << "values summing to 0";
        } else {
            EXPECT_TRUE(r.at("Variance").isNull()) << "one value";
            EXPECT_TRUE(r.at("StdDeviation").isNull());
            EXPECT_TRUE(r.at("StdError").isNull());
            EXPECT_EQ(r.at("Mean").asDouble(), 4);
        }
    }

    // Every value equal: no sum of squares, so no F value anywhere, while
    // the mean squares with degrees of freedom are 0.
    db.Execute("DELETE FROM [T];");
    for (double v : {5, 5}) add("g", "a", 1, v);
    for (double v : {5, 5}) add("g", "b", 1, v);
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}}), "");
    for (const TableRow& r : tableRows("Out1")) {
        EXPECT_EQ(r.at("Sum_of_Squares").asDouble(), 0) << r.at("Source_of_Variation").toText();
        EXPECT_EQ(r.at("Mean_Square").asDouble(), 0);
        EXPECT_TRUE(r.at("F-Value").isNull());
        EXPECT_TRUE(r.at("Prob").isNull());
    }
    // The t-test on them: no pooled or separate variance, so no t.
    ASSERT_EQ(runGroup("Two Sample t-Test", {{"A", "C"}, {"X", "X"}}), "");
    const auto t = tableRows("Out1");
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(t[0].at("Mean_Diff").asDouble(), 0);
    EXPECT_EQ(t[0].at("StdDeviation-1").asDouble(), 0);
    EXPECT_TRUE(t[0].at("t-Value_Pooled").isNull());
    EXPECT_TRUE(t[0].at("t-Value_Separate").isNull());
}

TEST_F(AnovaCases, GroupsOfOneRowAndNoResidual) {
    // A group of one row: every degree of freedom is 0, nothing to divide.
    add("one", "a", 1, 3.0);
    // One value per cell of a 2 x 2 design (by hand, values 1, 2 / 3, 7):
    // grand mean 3.25; A: means 1.5, 5: 2 * 1.75^2 * 2 = 12.25; B: means 2,
    // 4.5: 2 * 1.25^2 * 2 = 6.25; balanced, so the additive model is 18.5,
    // the cells 2.25^2 + 1.25^2 + 0.25^2 + 3.75^2 = 20.75 and the
    // interaction 2.25 on 1 df; nothing is left for the residual.
    add("two", "a", 1, 1.0);
    add("two", "a", 2, 2.0);
    add("two", "b", 1, 3.0);
    add("two", "b", 2, 7.0);
    ASSERT_EQ(runGroup("ANOVA", {{"G", "G"}, {"A", "C"}, {"B", "C"}, {"X", "X"}}), "");
    std::vector<TableRow> one, two;
    for (TableRow& r : tableRows("Out1", "[Index]"))
        (r.at("G").toText() == "one" ? one : two).push_back(std::move(r));
    ASSERT_FALSE(one.empty());
    for (const TableRow& r : one) {
        EXPECT_EQ(r.at("DF").asDouble(), 0) << r.at("Source_of_Variation").toText();
        EXPECT_EQ(r.at("Sum_of_Squares").asDouble(), 0);
        EXPECT_TRUE(r.at("Mean_Square").isNull());
    }
    const std::vector<std::pair<std::string, std::pair<double, double>>> want = {
        {"Main Effects", {2, 18.5}}, {"Main: [A]", {1, 12.25}}, {"Main: [B]", {1, 6.25}},
        {"[A] & [B]", {1, 2.25}},    {"Explained", {3, 20.75}}, {"Residual", {0, 0}},
        {"Total", {3, 20.75}}};
    ASSERT_EQ(two.size(), want.size());
    for (size_t i = 0; i < two.size(); ++i) {
        EXPECT_EQ(two[i].at("Source_of_Variation").toText(), want[i].first);
        EXPECT_EQ(two[i].at("DF").asDouble(), want[i].second.first) << want[i].first;
        EXPECT_TRUE(closeTo(two[i].at("Sum_of_Squares").asDouble(), want[i].second.second))
            << want[i].first << ": " << two[i].at("Sum_of_Squares").asDouble();
        EXPECT_TRUE(two[i].at("F-Value").isNull()) << "no residual mean square";
    }
}

TEST_F(AnovaCases, TwoWayTakesThreeFactorsAsTheGroupAnalysisDoes) {
    // A balanced 2 x 2 x 2 design, two values a cell, factors G, A and B.
    // By hand (python3 fractions): grand mean 99/16; each main effect is
    // 8 sum (level mean - grand mean)^2 over its two levels: G 25/16, A
    // 1/16, B 1089/16; the total 2503/16 on 15 df.
    const double x[] = {3, 5, 8, 6, 2, 9, 7, 7, 4, 1, 10, 12, 6, 3, 5, 11};
    int i = 0;
    for (const char* g : {"g", "h"})
        for (const char* a : {"a", "b"})
            for (int b : {1, 2})
                for (int r = 0; r < 2; ++r) add(g, a, b, x[i++]);
    const Fields factors = {{"G", "C"}, {"A", "C"}, {"B", "C"}, {"X", "X"}};
    ASSERT_EQ(runGroup("Two way ANOVA", factors, "TwoDet", false, "Two"), "");
    ASSERT_EQ(runGroup("ANOVA", factors, "OneDet", false, "One"), "");
    EXPECT_EQ(tableValues("Two"), tableValues("One"));
    EXPECT_EQ(tableValues("TwoDet"), tableValues("OneDet"));
    struct Source {
        const char* name;
        double df, ss;
    };
    const Source want[] = {{"Main: [G]", 1, 25.0 / 16},
                           {"Main: [A]", 1, 1.0 / 16},
                           {"Main: [B]", 1, 1089.0 / 16},
                           {"Total", 15, 2503.0 / 16}};
    const auto table = dfAndSs("Two");
    for (const Source& w : want) {
        SCOPED_TRACE(w.name);
        auto it = std::find_if(table.begin(), table.end(),
                               [&](const auto& row) { return row.first == w.name; });
        ASSERT_NE(it, table.end());
        EXPECT_EQ(it->second.first, w.df);
        EXPECT_TRUE(closeTo(it->second.second, w.ss)) << it->second.second;
    }
}

TEST_F(AnovaCases, WeightedOneWay) {
    for (double v : {1, 2}) add("g", "a", 1, v, 2);
    for (double v : {4, 6}) add("g", "b", 1, v, 1);
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}, {"W", "W"}}), "");
    // By hand: weights 4 and 2, means 1.5 and 5, grand mean 8/3 (= (6 + 10)
    // / 6): between 4 (7/6)^2 + 2 (7/3)^2 = 49/3; total df 6 - 1 = 5.
    const auto t = dfAndSs("Out1");
    ASSERT_EQ(t.size(), 4u);
    EXPECT_TRUE(closeTo(t[1].second.second, 49.0 / 3)) << t[1].second.second;
    EXPECT_EQ(t[3].second.first, 5);
}

TEST_F(AnovaCases, LongFieldNamesAndTextCompareValues) {
    // Two compare fields of 40-character names: the pair's label would take
    // 88 characters and is cut to the column's 70. Both are text, so the
    // detail's Compare_Value is text as long as the longer of them.
    const std::string first(40, 'f'), second = std::string(39, 's') + "\xc3\xa9";
    TableDef t = db.CreateTableDef("Long");
    for (Field f : {Field(first, dbText, 30), Field(second, dbText, 12), Field("X", dbDouble)})
        t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    const char* rows[] = {"('a', 'x', 1)", "('a', 'y', 2)", "('b', 'x', 4)",
                          "('b', 'y', 3)", "('a', 'x', 2)", "('b', 'y', 5)"};
    for (const char* r : rows)
        ASSERT_TRUE(db.Execute(std::string("INSERT INTO [Long] VALUES ") + r).ok());
    ScenarioRow s;
    s.category = "G";
    s.subtype = "Two way ANOVA";
    s.input = "Long";
    s.output2 = "Det";
    s.fields = {{first, "C"}, {second, "C"}, {"X", "X"}};
    const auto id = addScenario(s);
    setOptions(id, {{"GroupDetail", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto out = tableRows("Out1", "[Index]");
    ASSERT_EQ(out.size(), 7u);
    const std::string pair = out[3].at("Source_of_Variation").toText();
    // 70 characters: "[" + 40 f + "] & [" + 24 s; no character is cut in two.
    EXPECT_EQ(pair, "[" + first + "] & [" + std::string(24, 's'));
    EXPECT_EQ(out[2].at("Source_of_Variation").toText(), "Main: [" + second + "]");
    auto def = db.GetTableDef("Det");
    ASSERT_TRUE(def.ok());
    for (const Field& f : def->Fields())
        if (f.Name == "Compare_Value") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 30);
        }
    EXPECT_EQ(tableRows("Det").size(), 4u);
}

}  // namespace
}  // namespace qrv::test
