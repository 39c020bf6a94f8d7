// Values at the edges, through whole runs: equal values have no spread,
// weighted cut points that tie the running weight exactly, radio texts in
// any letter case, input as loaders write it (empty cells, numbers as text),
// and texts where numbers belong. Expected values are worked out by hand.
#include "dataaccess/fold.h"
#include "engine/engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class EdgeCaseTest : public EngineTest {
  protected:
    std::int32_t scenario(const std::string& subtype, const std::string& input,
                          std::vector<std::pair<std::string, std::string>> fields,
                          std::vector<std::pair<std::string, Value>> options = {}) {
        ScenarioRow s;
        s.subtype = subtype;
        s.input = input;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (!options.empty()) setOptions(id, std::move(options));
        return id;
    }
    TableRow only(const std::string& table) {
        auto rows = tableRows(table);
        EXPECT_EQ(rows.size(), 1u) << table;
        return rows.empty() ? TableRow{} : rows[0];
    }
};

TEST_F(EdgeCaseTest, EqualValuesHaveExactlyNoSpreadAndNoTTest) {
    // 0.1 is no binary fraction: n*S2 - S*S leaves a rounded residue unless
    // the spread is decided from the values being equal.
    for (int i = 0; i < 3; ++i) addRow("a", 0.1);
    // 1/3 five times, each weighted 1/3: the residue came out negative.
    for (int i = 0; i < 5; ++i) addRow("b", 1.0 / 3, {}, 1.0 / 3);
    for (const char* method : {"N-1", "N"}) {
        SCOPED_TRACE(method);
        const auto unweighted = scenario(
            "Describe", "Data", {{"Grp", "G"}, {"X", "X"}},
            {{"VarNRadio", method}, {"Skew", true}, {"TTestMean", true}, {"TTestValue", 0.0}});
        const auto weighted =
            scenario("Describe", "Data", {{"Grp", "G"}, {"X", "X"}, {"W", "W"}},
                     {{"VarNRadio", method}, {"TTestMean", true}, {"TTestValue", 0.0}});
        for (auto id : {unweighted, weighted}) {
            ASSERT_TRUE(run(id)) << engine.ErrorInfo();
            for (const TableRow& r : tableRows("Out1", "[Grp]")) {
                if (id == weighted && r.at("Grp").toText() == "a") continue;  // no weights there
                SCOPED_TRACE(r.at("Grp").toText());
                EXPECT_EQ(r.at("Variance").asDouble(), 0.0);
                EXPECT_EQ(r.at("StdDeviation").asDouble(), 0.0);
                EXPECT_EQ(r.at("StdError").asDouble(), 0.0);
                EXPECT_EQ(r.at("AdjSumSquared").asDouble(), 0.0);
                EXPECT_TRUE(r.at("t-Value").isNull()) << "no t-test without spread";
                EXPECT_TRUE(r.at("Prob_(2-Tail)").isNull());
                if (r.count("Skewness")) {
                    EXPECT_TRUE(r.at("Skewness").isNull());
                }
            }
        }
    }
}

TEST_F(EdgeCaseTest, WeightedCutPointOnAnExactTieOfTheRunningWeight) {
    // Weights 1.1, 0.3, 0.3, 1.1 sum to 2.8; after the value 2 the running
    // weight is 1.4 = n / 2, so the median is 2, not 3.
    const double w[] = {1.1, 0.3, 0.3, 1.1};
    for (int i = 0; i < 4; ++i) addRow("g", i + 1.0, {}, w[i]);
    const auto d = scenario("Describe", "Data", {{"X", "X"}, {"W", "W"}},
                            {{"Percentile", true}, {"PercentileRadio", "Median"}});
    ASSERT_TRUE(run(d)) << engine.ErrorInfo();
    EXPECT_EQ(only("Out1").at("Median").asDouble(), 2.0);

    const auto p = scenario("Percentiles", "Data", {{"X", "X"}, {"W", "W"}},
                            {{"PercentileRadio", "Quartiles"}});
    ASSERT_TRUE(run(p)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1", "[Percentile]");
    ASSERT_EQ(rows.size(), 3u);
    // n/4 = 0.7: first reached at 1 (1.1); 1.4 exactly at 2; 2.1 at 4 (2.8).
    EXPECT_EQ(rows[0].at("Value").asDouble(), 1.0);
    EXPECT_EQ(rows[1].at("Value").asDouble(), 2.0);
    EXPECT_EQ(rows[2].at("Value").asDouble(), 4.0);
}

TEST_F(EdgeCaseTest, RadioTextsCompareWithoutLetterCase) {
    for (double x : {1, 2, 3, 4}) addRow("g", x);
    // Sum of squared deviations 5: sample variance 5/3, population 5/4.
    const auto lower = scenario("Describe", "Data", {{"X", "X"}}, {{"VarNRadio", "n-1"}});
    ASSERT_TRUE(run(lower)) << engine.ErrorInfo();
    EXPECT_DOUBLE_EQ(only("Out1").at("Variance").asDouble(), 5.0 / 3);
    const auto pop = scenario("Describe", "Data", {{"X", "X"}}, {{"VarNRadio", "n"}});
    ASSERT_TRUE(run(pop)) << engine.ErrorInfo();
    EXPECT_DOUBLE_EQ(only("Out1").at("Variance").asDouble(), 1.25);

    // "normal" in lower case still asks for the normal band: sigma 2, n 4,
    // half-width 1.959963984540054 * 2 / 2.
    const auto band = scenario("Describe", "Data", {{"X", "X"}},
                               {{"CI", true}, {"CITypeRadio", "normal"}, {"CIStdDev", 2.0}});
    ASSERT_TRUE(run(band)) << engine.ErrorInfo();
    const TableRow r = only("Out1");
    ASSERT_TRUE(r.count("95%_N_Band")) << "the normal band's columns";
    EXPECT_NEAR(r.at("95%_N_Band").asDouble(), 1.959963984540054, 1e-9);
}

TEST_F(EdgeCaseTest, EmptyAndBlankCellsOfALoadedFileAreMissingValues) {
    // A loader's table: untyped columns, numbers as text, empty cells as ''.
    ASSERT_EQ(rawExec(path,
                      "CREATE TABLE Csv (Grp, X, W);"
                      "INSERT INTO Csv VALUES ('g', '2', '1'), ('g', '', '1'),"
                      " ('g', '  ', '1'), ('g', '4', ''), ('g', '6', '2');"),
              "");
    const auto id =
        scenario("Describe", "Csv", {{"Grp", "G"}, {"X", "X"}, {"W", "W"}}, {{"Sum", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const TableRow r = only("Out1");
    // Usable: 2 (w 1) and 6 (w 2); the empty weight skips the row of 4.
    EXPECT_EQ(r.at("Count").asDouble(), 3.0);
    EXPECT_EQ(r.at("Observations").asDouble(), 2.0);
    EXPECT_EQ(r.at("Missing").asDouble(), 3.0);
    EXPECT_DOUBLE_EQ(r.at("Mean").asDouble(), 14.0 / 3);

    const auto freq = scenario(
        "Frequency", "Csv", {{"X", "X"}},
        {{"FreqGroupRadio", "Specified"}, {"FreqInit", 0.0}, {"FreqWidth", 5.0}, {"InterV", 2}});
    ASSERT_TRUE(run(freq)) << engine.ErrorInfo();
    const auto rows = tableRows("Out1", "[Interval]");
    // Specified borders add the outer intervals: below 0, [0, 5), [5, 10), 10 up.
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[1].at("Count").asDouble(), 2.0);  // 2 and 4
    EXPECT_EQ(rows[2].at("Count").asDouble(), 1.0);  // 6
}

TEST_F(EdgeCaseTest, TextWhereANumberBelongsEndsTheRunWithTheSameMessage) {
    ASSERT_EQ(rawExec(path,
                      "CREATE TABLE Csv (X, W);"
                      "INSERT INTO Csv VALUES ('1', '1'), ('2', 'heavy');"),
              "");
    for (const char* type : {"Describe", "Frequency", "Percentiles"}) {
        SCOPED_TRACE(type);
        const auto id = scenario(type, "Csv", {{"X", "X"}, {"W", "W"}});
        EXPECT_FALSE(run(id));
        EXPECT_EQ(engine.ErrorInfo(), "Field [W] holds a value that is not a number: 'heavy'");
        EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "no output of a failed run";
    }
    // A row skipped by its weight is not read further: no error for its X.
    ASSERT_EQ(rawExec(path, "DELETE FROM Csv; INSERT INTO Csv VALUES ('x', 0), ('3', 1);"), "");
    const auto id = scenario("Describe", "Csv", {{"X", "X"}, {"W", "W"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(only("Out1").at("Mean").asDouble(), 3.0);
}

TEST_F(EdgeCaseTest, TextInAnIgnoreRuleBoundEndsTheRun) {
    addRow("g", 1.0);
    ScenarioRow s;
    s.missingType = "1";
    s.missingEqual = 0.0;
    const auto id = addScenario(s);
    // Another client stores a text there, past any rule of the column.
    ASSERT_EQ(rawExec(path,
                      "PRAGMA ignore_check_constraints = ON;"
                      "UPDATE usysQuorvaneScenarios SET MissingEqual = 'none' "
                      "WHERE Scenario_ID = " +
                          std::to_string(id) + ";"),
              "");
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(), "The ignore rule's value MissingEqual is not a number: 'none'");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

TEST_F(EdgeCaseTest, DescribeIntervalsOfEqualValuesStartAtTheValue) {
    for (int i = 0; i < 3; ++i) addRow("g", 7.0);
    // Default borders, closed at the top: margin 0, width 1, start 7; the
    // values sit on the lower border of the first interval, which is open,
    // so they fall below it into the outer interval that is not written.
    const auto id = scenario("Describe", "Data", {{"X", "X"}},
                             {{"FreqN", true}, {"InterV", 2}, {"FreqIncRadio", "Upper"}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto cols = tableColumns("Out1");
    EXPECT_NE(std::find(cols.begin(), cols.end(), "7<N<=8"), cols.end());
    EXPECT_NE(std::find(cols.begin(), cols.end(), "8<N<=9"), cols.end());
    EXPECT_EQ(only("Out1").at("7<N<=8").asDouble(), 0.0);
}

TEST_F(EdgeCaseTest, GroupBoundariesAgreeWithTheSortOrder) {
    // Another program's table: binary collation on the text column, so a plain
    // sort puts A, B, a apart while groups compare without case.
    ASSERT_EQ(rawExec(path,
                      "CREATE TABLE Pairs (k INTEGER, g TEXT, x DOUBLE);"
                      "INSERT INTO Pairs VALUES (1, 'A', 1), (1, 'a', 2), (1, 'B', 3),"
                      " (2, 'A', 4), (2, 'a', 5), (1, 'Ä', 6), (1, 'ä', 7), (1, 'b', 8);"),
              "");
    const auto id =
        scenario("Describe", "Pairs", {{"k", "G"}, {"g", "G"}, {"x", "X"}}, {{"Sum", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    // One group per key and folded text: (1, A/a) 1+2, (1, B/b) 3+8,
    // (1, Ä/ä) 6+7, (2, A/a) 4+5.
    std::map<std::pair<int, std::string>, std::pair<double, double>> groups;
    for (const TableRow& r : tableRows("Out1")) {
        std::string g = r.at("g").toText();
        const auto key = std::make_pair(static_cast<int>(r.at("k").asDouble()), foldCase(g));
        EXPECT_EQ(groups.count(key), 0u) << "group written twice: " << key.first << " " << g;
        groups[key] = {r.at("Count").asDouble(), r.at("Sum").asDouble()};
    }
    using P = std::pair<double, double>;
    EXPECT_EQ(groups.size(), 4u);
    EXPECT_EQ(groups[std::make_pair(1, std::string("a"))], P(2, 3));
    EXPECT_EQ(groups[std::make_pair(1, std::string("b"))], P(2, 11));
    EXPECT_EQ(groups[std::make_pair(1, foldCase("Ä"))], P(2, 13));
    EXPECT_EQ(groups[std::make_pair(2, std::string("a"))], P(2, 9));
}

TEST_F(EdgeCaseTest, GroupsOfSeveralFieldsEqualButForCaseAreOneGroup) {
    // (A, w), (A, x), (a, w): without case, (A, w) and (a, w) are one group,
    // though the case variants of the first field sit apart in byte order.
    ASSERT_EQ(rawExec(path,
                      "CREATE TABLE Two (g1 TEXT, g2 TEXT, x DOUBLE);"
                      "INSERT INTO Two VALUES ('A', 'w', 1), ('A', 'x', 2), ('a', 'w', 4),"
                      " ('a', 'W', 8);"),
              "");
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed groups" : "sorted walk");
        engine.SetHashedGroups(hashed);
        // The first field decides the comparison: an integer column compares
        // texts without case (a text column of another program's table binary).
        ASSERT_EQ(rawExec(path,
                          "DROP TABLE IF EXISTS Keyed; CREATE TABLE Keyed (k INTEGER, g1 "
                          "TEXT, g2 TEXT, x DOUBLE); INSERT INTO Keyed SELECT 1, * FROM Two;"),
                  "");
        const auto id =
            scenario("Describe", "Keyed", {{"k", "G"}, {"g1", "G"}, {"g2", "G"}, {"x", "X"}},
                     {{"Sum", true}});
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        const auto rows = tableRows("Out1");
        ASSERT_EQ(rows.size(), 2u);
        // In the data SELECT's order, each group shown with its first row's values.
        EXPECT_EQ(rows[0].at("g1").toText() + rows[0].at("g2").toText(), "Aw");
        EXPECT_EQ(rows[0].at("Sum").asDouble(), 13.0);  // (A, w), (a, w), (a, W)
        EXPECT_EQ(rows[1].at("g1").toText() + rows[1].at("g2").toText(), "Ax");
        EXPECT_EQ(rows[1].at("Sum").asDouble(), 2.0);
    }
}

}  // namespace
}  // namespace qrv::test
