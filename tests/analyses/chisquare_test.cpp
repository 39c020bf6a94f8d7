// The chi-square test of equal shares end to end through RunScenario: the
// summary and detail tables, groups, the all-groups option with its missing
// categories, blanks included and ignored, the ignore rule, weights (zero and
// negative sums), several compare fields and their value column, and both
// walks. Expected values are worked by hand with fractions (shown at each
// case); upper-tail chi-square probabilities for even degrees of freedom use
// the closed form Q(x; 2m) = exp(-x/2) * sum_{j<m} (x/2)^j / j!, checked
// with mpmath.gammainc(m, x/2, inf, regularized=True).
#include <cmath>
#include <string>
#include <vector>

#include "analyses/nonparametric/chi_square.h"
#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct Roll {
    Value grp, face, num, w;
};

// Upper tail of chi-square with 2 and 4 degrees of freedom.
double tail2(double x) {
    return std::exp(-x / 2);
}
double tail4(double x) {
    return std::exp(-x / 2) * (1 + x / 2);
}

class ChiSquareTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        makeTable("Rolls", {Field("Grp", dbText, 10), Field("Face", dbText, 12),
                            Field("Num", dbDouble), Field("W", dbDouble)});
    }
    void add(const std::vector<Roll>& rolls) {
        std::vector<std::vector<Value>> values;
        for (const Roll& r : rolls) values.push_back({r.grp, r.face, r.num, r.w});
        appendRows("Rolls", {"Grp", "Face", "Num", "W"}, values);
    }
    // n rows of group g with face f.
    void addFaces(const Value& g, const Value& f, int n, const Value& w = {}) {
        add(std::vector<Roll>(static_cast<size_t>(n), Roll{g, f, Value(), w}));
    }
    std::int32_t chi(std::vector<std::pair<std::string, std::string>> fields,
                     std::vector<std::pair<std::string, Value>> options = {},
                     const std::string& detail = "Detail", const Value& ignoreEqual = {}) {
        ScenarioRow s;
        if (!ignoreEqual.isNull()) {
            s.missingType = "1";
            s.missingEqual = ignoreEqual;
        }
        s.category = "N";
        s.subtype = "Chi-Square";
        s.input = "Rolls";
        s.output2 = detail;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (!options.empty()) setOptions(id, std::move(options));
        return id;
    }
    // Runs and returns the summary rows in the order written.
    std::vector<TableRow> runRows(std::int32_t id) {
        EXPECT_TRUE(run(id)) << engine.ErrorInfo();
        return rowsInOrder("Out1");
    }
    std::vector<TableRow> rowsInOrder(const std::string& table) {
        return tableRows(table, "rowid");
    }
    static double num(const TableRow& r, const std::string& c) {
        const Value& v = r.at(c);
        EXPECT_FALSE(v.isNull()) << c;
        return v.asDouble();
    }
};

TEST_F(ChiSquareTest, NoGroupsGivesOneSummaryRowAndAFullDetail) {
    // a 5, b 3, c 4: N 12, E 4, X = (1 + 1 + 0) / 4 = 1/2, DF 2.
    addFaces(Value(), "b", 3);
    addFaces(Value(), "a", 5);
    addFaces(Value(), "c", 4);
    const auto rows = runRows(chi({{"Face", "C"}}));
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "Count", "Groups", "Expected", "Chi-Square",
                                        "DF", "Prob"}));
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_EQ(r.at("DataField").toText(), "Face");
    EXPECT_DOUBLE_EQ(num(r, "Count"), 12);
    EXPECT_EQ(num(r, "Groups"), 3);
    EXPECT_DOUBLE_EQ(num(r, "Expected"), 4);
    EXPECT_DOUBLE_EQ(num(r, "Chi-Square"), 0.5);
    EXPECT_EQ(num(r, "DF"), 2);
    EXPECT_NEAR(num(r, "Prob"), tail2(0.5), 1e-12);  // 0.77880078307...

    // One compare field: the category sits in a column of its own name and type.
    EXPECT_EQ(tableColumns("Detail"),
              (std::vector<std::string>{"Face", "Observed", "Expected", "Difference", "Chi-Square",
                                        "Observed_Pcnt", "Expected_Pcnt", "Pcnt_Diff", "Cumulative",
                                        "Cumulative_Pcnt"}));
    auto def = db.GetTableDef("Detail");
    ASSERT_TRUE(def);
    EXPECT_EQ(def->FindField("Face")->Type, dbText);
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 3u);
    const char* faces[] = {"a", "b", "c"};
    const double O[] = {5, 3, 4}, cum[] = {5, 8, 12};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(d[i].at("Face").toText(), faces[i]);
        EXPECT_DOUBLE_EQ(num(d[i], "Observed"), O[i]);
        EXPECT_DOUBLE_EQ(num(d[i], "Expected"), 4);
        EXPECT_DOUBLE_EQ(num(d[i], "Difference"), O[i] - 4);
        EXPECT_DOUBLE_EQ(num(d[i], "Chi-Square"), (O[i] - 4) * (O[i] - 4) / 4);
        EXPECT_DOUBLE_EQ(num(d[i], "Observed_Pcnt"), O[i] / 12);
        EXPECT_DOUBLE_EQ(num(d[i], "Expected_Pcnt"), 1.0 / 3);
        EXPECT_DOUBLE_EQ(num(d[i], "Pcnt_Diff"), (O[i] - 4) / 12);
        EXPECT_DOUBLE_EQ(num(d[i], "Cumulative"), cum[i]);
        EXPECT_DOUBLE_EQ(num(d[i], "Cumulative_Pcnt"), cum[i] / 12);
    }
}

TEST_F(ChiSquareTest, GroupsAndCategoriesTheyLack) {
    // g1: a..e twice each. g2: a 4, c 1, e 5 (lacks b and d).
    for (const char* f : {"a", "b", "c", "d", "e"}) addFaces("g1", f, 2);
    addFaces("g2", "e", 5);
    addFaces("g2", "A", 4);  // texts match without case: one category with "a"
    addFaces("g2", "c", 1);

    // Each group on its own categories. g2: N 10, k 3, E 10/3,
    // X = ((2/3)^2 + (7/3)^2 + (5/3)^2) / (10/3) = (78/9) * (3/10) = 13/5.
    auto rows = runRows(chi({{"Grp", "G"}, {"Face", "C"}}, {{"ChiDetail", false}}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].at("Grp").toText(), "g1");
    EXPECT_EQ(num(rows[0], "Groups"), 5);
    EXPECT_DOUBLE_EQ(num(rows[0], "Chi-Square"), 0);
    EXPECT_NEAR(num(rows[0], "Prob"), 1, 1e-12);
    EXPECT_EQ(rows[1].at("Grp").toText(), "g2");
    EXPECT_DOUBLE_EQ(num(rows[1], "Count"), 10);
    EXPECT_EQ(num(rows[1], "Groups"), 3);
    EXPECT_EQ(rows[1].count("MissingGroups"), 0u);
    EXPECT_DOUBLE_EQ(num(rows[1], "Expected"), 10.0 / 3);
    EXPECT_NEAR(num(rows[1], "Chi-Square"), 2.6, 1e-12);
    EXPECT_EQ(num(rows[1], "DF"), 2);
    EXPECT_NEAR(num(rows[1], "Prob"), tail2(2.6), 1e-12);
    EXPECT_FALSE(db.GetTableDef("Detail")) << "no detail table without the option";

    // Every group against all five: g2 has Groups 5, MissingGroups 2, DF 4,
    // E = 10 / 5 = 2, X = (4 + 1 + 9) / 2 = 7 over the present three only.
    rows = runRows(chi({{"Grp", "G"}, {"Face", "C"}}, {{"ChiAll", true}}));
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"Grp", "DataField", "Count", "Groups", "MissingGroups",
                                        "Expected", "Chi-Square", "DF", "Prob"}));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(num(rows[0], "MissingGroups"), 0);
    EXPECT_EQ(num(rows[1], "Groups"), 5);
    EXPECT_EQ(num(rows[1], "MissingGroups"), 2);
    EXPECT_EQ(num(rows[1], "DF"), 4);
    EXPECT_DOUBLE_EQ(num(rows[1], "Expected"), 2);
    EXPECT_DOUBLE_EQ(num(rows[1], "Chi-Square"), 7);
    EXPECT_NEAR(num(rows[1], "Prob"), tail4(7), 1e-12);  // 4.5 e^-3.5 = 0.13588822...

    // The detail lists all five categories per group in order; the missing
    // ones are observed 0, their chi-square term is E, the running sum stays.
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 10u);
    const double O[] = {4, 0, 1, 0, 5}, cum[] = {4, 4, 5, 5, 10};
    const char* faces[] = {"a", "b", "c", "d", "e"};
    for (size_t i = 0; i < 5; ++i) {
        const TableRow& r = d[5 + i];
        EXPECT_EQ(r.at("Grp").toText(), "g2");
        EXPECT_TRUE(iequal(r.at("Face").toText(), faces[i])) << r.at("Face").toText();
        EXPECT_DOUBLE_EQ(num(r, "Observed"), O[i]);
        EXPECT_DOUBLE_EQ(num(r, "Expected"), 2);
        EXPECT_DOUBLE_EQ(num(r, "Chi-Square"), (O[i] - 2) * (O[i] - 2) / 2);
        EXPECT_DOUBLE_EQ(num(r, "Cumulative"), cum[i]);
        EXPECT_DOUBLE_EQ(num(r, "Cumulative_Pcnt"), cum[i] / 10);
    }
    EXPECT_DOUBLE_EQ(num(d[6], "Chi-Square"), 2) << "a missing category's term equals E";
}

TEST_F(ChiSquareTest, BlanksAreACategoryOnlyWhenIncludedAndNothingIgnored) {
    // x 3, y 1, Null 2 (one Null, one blank text as loaders write it).
    addFaces(Value(), "x", 3);
    addFaces(Value(), "y", 1);
    addFaces(Value(), Value(), 1);
    addFaces(Value(), "   ", 1);

    // Included: k 3, N 6, E 2, X = (1 + 1 + 0) / 2 = 1.
    auto rows = runRows(chi({{"Face", "C"}}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 6);
    EXPECT_EQ(num(rows[0], "Groups"), 3);
    EXPECT_DOUBLE_EQ(num(rows[0], "Chi-Square"), 1);
    EXPECT_NEAR(num(rows[0], "Prob"), tail2(1), 1e-12);
    auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_TRUE(d[0].at("Face").isNull()) << "the Null category comes first";
    EXPECT_DOUBLE_EQ(num(d[0], "Observed"), 2);

    // Ignored: x 3, y 1: N 4, E 2, X = (1 + 1) / 2 = 1, DF 1.
    // Q(1; 1) = erfc(sqrt(1/2)) = 0.31731050786291...
    rows = runRows(chi({{"Face", "C"}}, {{"ChiIgnoreBlanks", true}}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 4);
    EXPECT_EQ(num(rows[0], "Groups"), 2);
    EXPECT_NEAR(num(rows[0], "Prob"), std::erfc(std::sqrt(0.5)), 1e-12);

    // An ignore rule in force excludes blanks even when they are included.
    rows = runRows(chi({{"Face", "C"}}, {}, "Detail", 99.0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 4);
}

TEST_F(ChiSquareTest, EveryValueBlankOrOneCategoryLeavesProbNull) {
    addFaces("all null", Value(), 3);
    addFaces("one", "q", 4);
    const auto rows = runRows(chi({{"Grp", "G"}, {"Face", "C"}}));
    ASSERT_EQ(rows.size(), 2u);
    for (const TableRow& r : rows) {
        EXPECT_EQ(num(r, "Groups"), 1) << r.at("Grp").toText();
        EXPECT_EQ(num(r, "DF"), 0);
        EXPECT_DOUBLE_EQ(num(r, "Chi-Square"), 0);
        EXPECT_TRUE(r.at("Prob").isNull());
    }
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 3);
    EXPECT_DOUBLE_EQ(num(rows[0], "Expected"), 3);

    // Blanks ignored: the all-Null group has no row at all.
    const auto ignored = runRows(chi({{"Grp", "G"}, {"Face", "C"}}, {{"ChiIgnoreBlanks", true}}));
    ASSERT_EQ(ignored.size(), 1u);
    EXPECT_EQ(ignored[0].at("Grp").toText(), "one");
}

TEST_F(ChiSquareTest, WeightsGiveTheFrequencies) {
    // a: 3 + 2 = 5; b: 1 - 1 = 0 (counts in k, adds nothing to X); c: 4;
    // a row without a weight is dropped. N 9, k 3, E 3,
    // X = (5 - 3)^2 / 3 + (4 - 3)^2 / 3 = 5/3, DF 2.
    add({{Value(), "a", Value(), 3.0},
         {Value(), "a", Value(), 2.0},
         {Value(), "b", Value(), 1.0},
         {Value(), "b", Value(), -1.0},
         {Value(), "c", Value(), 4.0},
         {Value(), "c", Value(), Value()}});
    const auto rows = runRows(chi({{"Face", "C"}, {"W", "W"}}));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 9);
    EXPECT_EQ(num(rows[0], "Groups"), 3);
    EXPECT_DOUBLE_EQ(num(rows[0], "Expected"), 3);
    EXPECT_NEAR(num(rows[0], "Chi-Square"), 5.0 / 3, 1e-12);
    EXPECT_NEAR(num(rows[0], "Prob"), tail2(5.0 / 3), 1e-12);
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_DOUBLE_EQ(num(d[1], "Observed"), 0);
    EXPECT_DOUBLE_EQ(num(d[1], "Chi-Square"), 3) << "the detail row still shows (O - E)^2 / E";
    EXPECT_DOUBLE_EQ(num(d[2], "Cumulative"), 9);
}

TEST_F(ChiSquareTest, WeightsSummingToZeroExpectNothingAndFindNoDifference) {
    // Group z: a 2 - 2, b 3 - 3, c 1 - 1: N 0, k 3, E = 0/3 = 0. With nothing
    // expected no category differs: X = 0, and the tail of chi-square(2) at 0
    // is 1. Group p: a 2 and b -2, each category non-zero, sum to 0 as well:
    // E = 0, every Difference is its O and every term 0.
    struct Face {
        const char* grp;
        const char* face;
        double w;
    };
    const Face faces[] = {{"p", "a", 2}, {"p", "b", -2}, {"z", "a", 2}, {"z", "a", -2},
                          {"z", "b", 3}, {"z", "b", -3}, {"z", "c", 1}, {"z", "c", -1}};
    for (const Face& f : faces) add({{f.grp, f.face, Value(), f.w}});
    const auto rows = runRows(chi({{"Grp", "G"}, {"Face", "C"}, {"W", "W"}}));
    struct Summary {
        const char* grp;
        double groups, df;
    };
    const Summary summaries[] = {{"p", 2, 1}, {"z", 3, 2}};
    ASSERT_EQ(rows.size(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(summaries[i].grp);
        EXPECT_EQ(rows[i].at("Grp").toText(), summaries[i].grp);
        EXPECT_EQ(num(rows[i], "Count"), 0);
        EXPECT_EQ(num(rows[i], "Groups"), summaries[i].groups);
        EXPECT_EQ(num(rows[i], "DF"), summaries[i].df);
        EXPECT_EQ(num(rows[i], "Expected"), 0);
        EXPECT_EQ(num(rows[i], "Chi-Square"), 0);
        EXPECT_EQ(num(rows[i], "Prob"), 1);
    }
    // Detail rows in order: p a, p b, z a, z b, z c.
    const double observed[] = {2, -2, 0, 0, 0};
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 5u);
    for (size_t i = 0; i < d.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(num(d[i], "Observed"), observed[i]);
        EXPECT_EQ(num(d[i], "Expected"), 0);
        EXPECT_EQ(num(d[i], "Difference"), observed[i]);
        EXPECT_EQ(num(d[i], "Chi-Square"), 0);
    }
}

TEST_F(ChiSquareTest, IgnoreRuleDropsNumericCategories) {
    // 1 twice, 2 once, 3 three times, 99 ignored: N 6, E 2, X = (0 + 1 + 1) / 2 = 1.
    for (double v : {1.0, 1.0, 2.0, 3.0, 3.0, 3.0, 99.0, 99.0})
        add({{Value(), Value(), v, Value()}});
    const auto rows = runRows(chi({{"Num", "C"}}, {}, "Detail", 99.0));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_DOUBLE_EQ(num(rows[0], "Count"), 6);
    EXPECT_EQ(num(rows[0], "Groups"), 3);
    EXPECT_DOUBLE_EQ(num(rows[0], "Chi-Square"), 1);
    EXPECT_NEAR(num(rows[0], "Prob"), tail2(1), 1e-12);
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 3u);
    EXPECT_DOUBLE_EQ(num(d[0], "Num"), 1);
    EXPECT_DOUBLE_EQ(num(d[2], "Num"), 3);
    EXPECT_EQ(db.GetTableDef("Detail")->FindField("Num")->Type, dbDouble);
}

TEST_F(ChiSquareTest, SeveralCompareFieldsShareOneValueColumn) {
    // Group g: Face p 2, q 1; Num 7 3. Group h: Face p 1; Num 7 1.
    add({{"g", "p", 7.0, Value()},
         {"g", "p", 7.0, Value()},
         {"g", "q", 7.0, Value()},
         {"h", "p", 7.0, Value()}});
    const auto rows =
        runRows(chi({{"Grp", "G"}, {"Face", "C"}, {"Num", "C"}}, {{"ChiIgnoreBlanks", true}}));
    // All groups of the first compare field, then those of the second.
    ASSERT_EQ(rows.size(), 4u);
    const char* order[][2] = {{"g", "Face"}, {"h", "Face"}, {"g", "Num"}, {"h", "Num"}};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(rows[i].at("Grp").toText(), order[i][0]) << i;
        EXPECT_EQ(rows[i].at("DataField").toText(), order[i][1]) << i;
    }
    // g, Face: N 3, E 3/2, X = (1/4 + 1/4) / (3/2) = 1/3, DF 1;
    // Q(1/3; 1) = erfc(sqrt(1/6)).
    EXPECT_NEAR(num(rows[0], "Chi-Square"), 1.0 / 3, 1e-12);
    EXPECT_NEAR(num(rows[0], "Prob"), std::erfc(std::sqrt(1.0 / 6)), 1e-12);

    // Text of size 12 and a double: text of size 25.
    auto def = db.GetTableDef("Detail");
    ASSERT_TRUE(def);
    EXPECT_EQ(tableColumns("Detail")[1], "Compare_Field");
    const Field* value = def->FindField("Compare_Value");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->Type, dbText);
    EXPECT_EQ(value->Size, 25);
    const auto d = rowsInOrder("Detail");
    ASSERT_EQ(d.size(), 5u);  // g: p, q; h: p; g: 7; h: 7
    EXPECT_EQ(d[3].at("Compare_Field").toText(), "Num");
    EXPECT_EQ(d[3].at("Compare_Value").toText(), "7");
    EXPECT_DOUBLE_EQ(num(d[3], "Observed"), 3);
}

TEST(ChiCompareValueType, FollowsTheCompareFieldsTypes) {
    int type = 0;
    long size = 0;
    ChiCompareValueType({dbText, dbText}, {30, 50}, type, size);
    EXPECT_EQ(type, dbText);
    EXPECT_EQ(size, 50);
    ChiCompareValueType({dbLong, dbLong}, {4, 4}, type, size);
    EXPECT_EQ(type, dbLong);
    ChiCompareValueType({dbText, dbDouble}, {40, 8}, type, size);
    EXPECT_EQ(type, dbText);
    EXPECT_EQ(size, 40) << "20 or more stays";
    ChiCompareValueType({dbText, dbDouble}, {19, 8}, type, size);
    EXPECT_EQ(size, 25) << "below 20 is raised";
    ChiCompareValueType({}, {}, type, size);
    EXPECT_EQ(type, dbText);
    EXPECT_EQ(size, 25);
}

TEST_F(ChiSquareTest, NullGroupsAndBothWalksAgree) {
    addFaces(Value(), "a", 2);
    addFaces(Value(), "b", 1);
    addFaces("k", "a", 1);
    addFaces("k", "b", 3);
    const auto id = chi({{"Grp", "G"}, {"Face", "C"}}, {{"ChiAll", true}});
    engine.SetHashedGroups(true);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto hashed = tableValues("Out1");
    const auto hashedDetail = tableValues("Detail");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(tableValues("Out1"), hashed);
    EXPECT_EQ(tableValues("Detail"), hashedDetail);
    ASSERT_EQ(hashed.size(), 2u);
    EXPECT_TRUE(hashed[0][0].isNull()) << "the Null group is a group of its own, first";
    // Null group: N 3, E 3/2, X = (1/4 + 1/4) / (3/2) = 1/3.
    EXPECT_NEAR(hashed[0][6].asDouble(), 1.0 / 3, 1e-12);
    // k: N 4, E 2, X = (1 + 1) / 2 = 1.
    EXPECT_DOUBLE_EQ(hashed[1][6].asDouble(), 1);
}

TEST_F(ChiSquareTest, MessagesAndEmptyInput) {
    // No compare field: the engine's role check stops the run.
    EXPECT_FALSE(run(chi({{"Grp", "G"}})));
    EXPECT_EQ(engine.ErrorInfo(), "At least one Compare field required");
}

TEST_F(ChiSquareTest, AnEmptyInputGivesTheTablesOfAnInputWhoseRowsAreAllIgnored) {
    // Every row ignored (its compare value equals the ignore value) and no
    // rows at all both give the two tables with their columns and no row.
    struct Case {
        const char* name;
        bool rows;
    };
    for (const Case& c : {Case{"all ignored", true}, Case{"no rows", false}}) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(db.Execute("DELETE FROM [Rolls]").ok());
        if (c.rows) add({{"g", Value(), 7.0, Value()}, {"g", Value(), 7.0, Value()}});
        const auto id = chi({{"Grp", "G"}, {"Num", "C"}}, {}, "Detail", 7.0);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        EXPECT_EQ(tableColumns("Out1"),
                  (std::vector<std::string>{"Grp", "DataField", "Count", "Groups", "Expected",
                                            "Chi-Square", "DF", "Prob"}));
        EXPECT_EQ(tableColumns("Detail"),
                  (std::vector<std::string>{"Grp", "Num", "Observed", "Expected", "Difference",
                                            "Chi-Square", "Observed_Pcnt", "Expected_Pcnt",
                                            "Pcnt_Diff", "Cumulative", "Cumulative_Pcnt"}));
        EXPECT_TRUE(tableRows("Out1").empty());
        EXPECT_TRUE(tableRows("Detail").empty());
    }
}

}  // namespace
}  // namespace qrv::test
