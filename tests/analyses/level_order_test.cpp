// The levels of a compare field come in one order, whatever order the rows
// are stored in: Null first, then numbers by value, then texts by their case
// fold (so "a" before "B", though "B" has the smaller byte). The same data in
// several row orders must give identical tables, and the first sample of the
// two-sample tests is the first level. Expected figures were worked by hand:
// ranks of pooled values, the pooled and separate t from the textbook
// formulas, H = 12/(N(N + 1)) Σ R²/n - 3(N + 1).
#include <cctype>
#include <cmath>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/level_list.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

// ---- The level list itself ---------------------------------------------------

struct ListCase {
    const char* name;
    const char* column;                   // S (text) or N (double)
    std::vector<const char*> rows;        // SQL literals, in stored order
    bool withNull;                        // Null is a level
    std::vector<std::string> exact;       // the levels before merging ("(null)" for Null)
    std::vector<std::string> caseMerged;  // after merging texts equal but for case
};

const ListCase kListCases[] = {
    {"texts by fold, then bytes",
     "S",
     {"'b'", "NULL", "'B'", "'a'", "'A'", "'b'"},
     true,
     {"(null)", "A", "a", "B", "b"},
     {"(null)", "A", "B"}},
    {"Null left out on request", "S", {"'b'", "NULL", "'a'"}, false, {"a", "b"}, {"a", "b"}},
    {"digits in a text column sort as text",
     "S",
     {"'9'", "'10'", "'x'"},
     true,
     {"10", "9", "x"},
     {"10", "9", "x"}},
    {"numbers by value",
     "N",
     {"10", "9", "NULL", "2.5", "9"},
     true,
     {"(null)", "2.5", "9", "10"},
     {"(null)", "2.5", "9", "10"}},
};

class LevelListTest : public EngineTest, public ::testing::WithParamInterface<ListCase> {
  protected:
    static std::vector<std::string> texts(const LevelList& list) {
        std::vector<std::string> out;
        for (const Value& v : list.values()) out.push_back(v.isNull() ? "(null)" : v.toText());
        return out;
    }
};

TEST_P(LevelListTest, ListsDistinctValuesInLevelOrder) {
    const ListCase& c = GetParam();
    makeTable("L", {Field("S", dbText, 10), Field("N", dbDouble)});
    for (const char* v : c.rows)
        ASSERT_TRUE(
            db.Execute("INSERT INTO [L] ([" + std::string(c.column) + "]) VALUES (" + v + ");")
                .ok());
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    LevelList list;
    ASSERT_EQ(list.Read(engine, "L", c.column, c.withNull), "");
    EXPECT_EQ(texts(list), c.exact);
    // Every listed value is found at its own place.
    for (std::size_t i = 0; i < list.size(); ++i)
        EXPECT_EQ(list.Find(list[i]), static_cast<int>(i)) << i;
    list.MergeCase(true);  // binary: nothing merges
    EXPECT_EQ(texts(list), c.exact);
    list.MergeCase(false);
    EXPECT_EQ(texts(list), c.caseMerged);
}

INSTANTIATE_TEST_SUITE_P(Cases, LevelListTest, ::testing::ValuesIn(kListCases),
                         [](const auto& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return n;
                         });

using LevelListBasics = EngineTest;

TEST_F(LevelListBasics, FindsCaseVariantsOnlyWhenTextsCompareWithoutCase) {
    makeTable("L", {Field("S", dbText, 10)});
    for (const char* v : {"'b'", "'A'", "'a'", "'c'"})
        ASSERT_TRUE(db.Execute(std::string("INSERT INTO [L] ([S]) VALUES (") + v + ");").ok());
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    LevelList list;
    ASSERT_EQ(list.Read(engine, "L", "S"), "");
    EXPECT_EQ(list.Find(Value("B")), -1) << "no level 'B' while texts compare binary";
    EXPECT_EQ(list.Find(Value("a")), 1);
    EXPECT_EQ(list.Find(Value::real(1)), -1);
    EXPECT_EQ(list.Find(Value()), -1);
    list.MergeCase(false);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list.Find(Value("a")), 0);
    EXPECT_EQ(list.Find(Value("B")), 1);
    EXPECT_EQ(list.Find(Value("C")), 2);
}

TEST_F(LevelListBasics, RefusesAParameterQueryAndNamesAMissingTable) {
    makeTable("L", {Field("S", dbText, 10), Field("X", dbDouble)});
    ASSERT_FALSE(db.CreateQueryDef("qParam", "SELECT * FROM [L] WHERE [X] > [Enter a minimum]"));
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    LevelList list;
    EXPECT_EQ(list.Read(engine, "qParam", "S"),
              "The selected query expects parameters and cannot be used by Lumvar.");
    EXPECT_TRUE(list.empty());
    EXPECT_NE(list.Read(engine, "NoSuchTable", "S"), "");
}

// ---- The analyses in several row orders -------------------------------------

// Two samples: "a" (spelt "a" and "A") holds 1 2 3, "B" holds 10 12. By
// bytes "B" would come first; by fold "a" does, and its first spelling is
// "A". The stored order puts "B" first.
const std::vector<std::vector<const char*>> kTwoSamples = {{"'g'", "'B'", "10"},
                                                           {"'g'", "'a'", "1"},
                                                           {"'g'", "'B'", "12"},
                                                           {"'g'", "'A'", "2"},
                                                           {"'g'", "'a'", "3"}};

// Three samples for Kruskal-Wallis: Null holds 4, "a" holds 1 2, "B" holds
// 3 5 6; the stored order meets "B" first and Null last.
const std::vector<std::vector<const char*>> kThreeSamples = {
    {"'g'", "'B'", "5"}, {"'g'", "'a'", "2"}, {"'g'", "'B'", "3"},
    {"'g'", "'a'", "1"}, {"'g'", "'B'", "6"}, {"'g'", "NULL", "4"}};

struct Check {
    const char* table;  // Out1 or Out2
    std::size_t row;    // in the order written
    const char* column;
    Value expected;  // a double is compared to 1e-12
};

struct OrderCase {
    const char* name;
    const char* category;
    const char* subtype;
    const char* twoType;  // NPTwoType, or nullptr
    bool detail;          // with a second output table
    const std::vector<std::vector<const char*>>* rows;
    std::vector<Check> checks;
};

const double kRootTen = std::sqrt(10.0);
const double kRootThree = std::sqrt(3.0);

const OrderCase kOrderCases[] = {
    // Means 2 and 11, variances 1 and 2: pooled variance 4/3, standard
    // error √(4/3 (1/3 + 1/2)) = √10/3, t = -9·3/√10; separate standard
    // error √(1/3 + 2/2) = 2/√3, t = -9√3/2.
    {"t_test",
     "G",
     "Two Sample t-Test",
     nullptr,
     false,
     &kTwoSamples,
     {{"Out1", 0, "Count-1", 3.0},
      {"Out1", 0, "Count-2", 2.0},
      {"Out1", 0, "Mean-1", 2.0},
      {"Out1", 0, "Mean-2", 11.0},
      {"Out1", 0, "Mean_Diff", -9.0},
      {"Out1", 0, "DF_Pooled", 3.0},
      {"Out1", 0, "t-Value_Pooled", -27 / kRootTen},
      {"Out1", 0, "t-Value_Separate", -9 * kRootThree / 2}}},
    // The same two levels by analysis of variance: grand mean 28/5, between
    // 3 (2 - 5.6)² + 2 (11 - 5.6)² = 97.2 on 1 DF, within 2·1 + 1·2 = 4 on
    // 3, F = 97.2 / (4/3) = 72.9. Detail rows "A" (the first spelling of
    // "a"), then "B".
    {"anova_with_detail",
     "G",
     "ANOVA",
     nullptr,
     true,
     &kTwoSamples,
     {{"Out1", 0, "Sum_of_Squares", 97.2},
      {"Out1", 0, "F-Value", 72.9},
      {"Out2", 0, "S", Value("A")},
      {"Out2", 0, "Count", 3.0},
      {"Out2", 0, "Mean", 2.0},
      {"Out2", 1, "S", Value("B")},
      {"Out2", 1, "Count", 2.0},
      {"Out2", 1, "Mean", 11.0}}},
    // Ranks 1 2 3 for "a", 4 5 for "B": R1 = 6, R2 = 9; U = 3·2 + 3·4/2 - 6
    // = 6 > 3, so U = 0; W = R2, the smaller sample's; Z = (0 - 3)/√(6/20 ·
    // 120/12) = -√3. "a" is wholly below "B": D+ = 1, D- = 0, KS Z = √(6/5).
    {"mann_whitney_and_ks",
     "N",
     "2 Sample",
     "Mann",
     false,
     &kTwoSamples,
     {{"Out1", 0, "S-1", Value("A")},
      {"Out1", 0, "S-2", Value("B")},
      {"Out1", 0, "Cases-1", 3.0},
      {"Out1", 0, "Cases-2", 2.0},
      {"Out1", 0, "SumRank-1", 6.0},
      {"Out1", 0, "SumRank-2", 9.0},
      {"Out1", 0, "MW_U", 0.0},
      {"Out1", 0, "MW_U_Prime", 6.0},
      {"Out1", 0, "MW_W", 9.0},
      {"Out1", 0, "MW_Z", -kRootThree},
      {"Out1", 0, "KS_MaxPosDiff", 1.0},
      {"Out1", 0, "KS_MaxNegDiff", 0.0},
      {"Out1", 0, "KS_Z", std::sqrt(1.2)}}},
    // 1 2 3 | 10 12: two runs either way; mean 2·3·2/5 + 1.
    {"runs",
     "N",
     "2 Sample",
     "Wald",
     false,
     &kTwoSamples,
     {{"Out1", 0, "Cases-1", 3.0},
      {"Out1", 0, "Cases-2", 2.0},
      {"Out1", 0, "Wald_Min_Runs", 2.0},
      {"Out1", 0, "Wald_Max_Runs", 2.0},
      {"Out1", 0, "Wald_Mean", 3.4}}},
    // Pooled 1a 2a 3B 4N 5B 6B: R = 4 (Null), 3 (a), 14 (B);
    // H = 12/42 (16 + 9/2 + 196/3) - 21 = 74/21. Detail rows Null, a, B.
    {"kruskal_wallis",
     "N",
     "N Sample",
     nullptr,
     true,
     &kThreeSamples,
     {{"Out1", 0, "Groups", 3.0},
      {"Out1", 0, "H", 74.0 / 21},
      {"Out2", 0, "S", Value()},
      {"Out2", 0, "SumRanks", 4.0},
      {"Out2", 1, "S", Value("a")},
      {"Out2", 1, "Count", 2.0},
      {"Out2", 1, "SumRanks", 3.0},
      {"Out2", 2, "S", Value("B")},
      {"Out2", 2, "Count", 3.0},
      {"Out2", 2, "SumRanks", 14.0}}},
};

class LevelOrderTest : public EngineTest, public ::testing::WithParamInterface<OrderCase> {
  protected:
    // The rows stored as given, reversed, and every second one first.
    static std::vector<std::vector<std::size_t>> orders(std::size_t n) {
        std::vector<std::size_t> given, reversed, strided;
        for (std::size_t i = 0; i < n; ++i) {
            given.push_back(i);
            reversed.push_back(n - 1 - i);
        }
        for (std::size_t start : {0u, 1u})
            for (std::size_t i = start; i < n; i += 2) strided.push_back(i);
        return {given, reversed, strided};
    }

    std::string runOn(const OrderCase& c, const std::string& input) {
        ScenarioRow s;
        s.category = c.category;
        s.subtype = c.subtype;
        s.input = input;
        s.output2 = c.detail ? "Out2" : "";
        s.fields = {{"G", "G"}, {"S", "C"}, {"X", "X"}};
        const auto id = addScenario(s);
        if (c.twoType) setOptions(id, {{"NPTwoType", c.twoType}});
        if (c.category == std::string("G")) setOptions(id, {{"GroupDetail", c.detail}});
        return run(id) ? "" : engine.ErrorInfo();
    }
};

TEST_P(LevelOrderTest, RowOrderChangesNothingAndLevelsComeSorted) {
    const OrderCase& c = GetParam();
    std::vector<std::vector<std::vector<Value>>> first;
    int n = 0;
    for (const std::vector<std::size_t>& order : orders(c.rows->size())) {
        const std::string input = "D" + std::to_string(++n);
        makeTable(input, {Field("G", dbText, 10), Field("S", dbText, 10), Field("X", dbDouble)});
        for (std::size_t i : order) {
            const auto& r = (*c.rows)[i];
            ASSERT_TRUE(db.Execute("INSERT INTO [" + input + "] ([G], [S], [X]) VALUES (" + r[0] +
                                   ", " + r[1] + ", " + r[2] + ");")
                            .ok());
        }
        ASSERT_EQ(runOn(c, input), "") << "row order " << n;
        std::vector<std::vector<std::vector<Value>>> tables = {tableValues("Out1")};
        if (c.detail) tables.push_back(tableValues("Out2"));
        if (first.empty()) {
            first = tables;
            for (const Check& k : c.checks) {
                const auto rows = tableRows(k.table);
                ASSERT_LT(k.row, rows.size()) << k.table;
                const Value& got = rows[k.row].at(k.column);
                const std::string what =
                    std::string(k.table) + " row " + std::to_string(k.row) + " " + k.column;
                if (k.expected.isNumeric()) {
                    ASSERT_FALSE(got.isNull()) << what;
                    EXPECT_NEAR(got.asDouble(), k.expected.asDouble(),
                                1e-12 * std::max(1.0, std::fabs(k.expected.asDouble())))
                        << what;
                } else {
                    EXPECT_EQ(got, k.expected) << what << ": " << got.toText();
                }
            }
        } else {
            EXPECT_EQ(tables, first) << "row order " << n;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Analyses, LevelOrderTest, ::testing::ValuesIn(kOrderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Rows of one group spelt in several cases -----------------------------

// A weighted Compare rounds its counts at every row (halves to even), so the
// order of a group's rows matters: they come by X, the first analysis field,
// whatever the spelling of the group. Below Y: X = 1 with weight 1.5, then
// X = 2 with weight 1: round(1.5) = 2, round(3) = 3; taken the other way,
// round(1) = 1, round(2.5) = 2. The group is named by its smallest spelling.
TEST_F(LevelListBasics, AGroupSpeltInSeveralCasesIsWalkedByItsFirstField) {
    for (const char* spelling : {"'a'", "'A'"}) {
        const std::string input = std::string("Pairs") + (spelling[1] == 'a' ? "Same" : "Mixed");
        makeTable(input, {Field("G", dbText, 10), Field("X", dbDouble), Field("Y", dbDouble),
                          Field("W", dbDouble)});
        // The spelling put first in the rows (and smaller by bytes) holds X = 2.
        ASSERT_TRUE(db.Execute("INSERT INTO [" + input + "] VALUES (" + spelling +
                               ", 2, 5, 1), ('a', 1, 5, 1.5), ('a', 7, 5, 1)")
                        .ok());
        ScenarioRow s;
        s.subtype = "Compare";
        s.input = input;
        s.fields = {{"G", "G"}, {"X", "X"}, {"Y", "Y"}, {"W", "W"}};
        const auto id = addScenario(s);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 1u) << spelling;
        EXPECT_EQ(rows[0].at("G"), Value(std::string(spelling).substr(1, 1))) << spelling;
        EXPECT_EQ(rows[0].at("Count<Y").asDouble(), 3) << spelling;
        EXPECT_EQ(rows[0].at("Count>Y").asDouble(), 1) << spelling;
        ASSERT_TRUE(db.Execute("DROP TABLE [Out1]").ok());
    }
}

}  // namespace
}  // namespace qrv::test
