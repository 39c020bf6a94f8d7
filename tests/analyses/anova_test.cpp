// The group analysis through the whole engine: one-way, two-way and
// three-way tables, the two-sample t-test, the detail table, blanks as a
// level or left out, weights, the walks, the zero guards and the messages.
// Expected sums of squares and probabilities come from
// tests/analyses/reference/anova_reference.py (exact rational least squares,
// mpmath tails), the t-test from a published textbook example, and the
// accuracy from the certified ANOVA reference data sets.
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "support/strd.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

// One row of an ANOVA table; NaN for a Null column.
struct Expected {
    const char* source;
    int df;
    double ss, ms, f, p;
};

class AnovaTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        TableDef t = db.CreateTableDef("T");
        for (Field f : {Field("G", dbText, 10), Field("A", dbText, 10), Field("B", dbLong),
                        Field("D", dbText, 10), Field("X", dbDouble), Field("W", dbDouble)})
            t.AppendField(f);
        ASSERT_FALSE(db.AppendTableDef(t));
    }

    // Adds a row; "NULL" (or an empty optional) writes Null.
    void add(const std::string& g, const std::string& a, std::optional<int> b, const std::string& d,
             std::optional<double> x, double w = 1) {
        auto text = [](const std::string& s) { return s == "NULL" ? s : "'" + s + "'"; };
        const std::string sql = "INSERT INTO [T] ([G], [A], [B], [D], [X], [W]) VALUES (" +
                                text(g) + ", " + text(a) + ", " +
                                (b ? std::to_string(*b) : "NULL") + ", " + text(d) + ", " +
                                (x ? numberToText(*x) : "NULL") + ", " + numberToText(w) + ");";
        auto r = db.Execute(sql);
        ASSERT_TRUE(r.ok()) << sql;
    }

    std::string runGroup(const std::string& subtype, Fields fields, const std::string& detail = "",
                         bool ignoreBlanks = false, const std::string& input = "T") {
        ScenarioRow s;
        s.category = "G";
        s.subtype = subtype;
        s.input = input;
        s.output2 = detail;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        setOptions(id, {{"GroupIgnoreBlanks", ignoreBlanks}, {"GroupDetail", !detail.empty()}});
        return run(id) ? "" : engine.ErrorInfo();
    }

    static void near(const Value& got, double want, const std::string& what) {
        if (std::isnan(want)) {
            EXPECT_TRUE(got.isNull()) << what << " should be Null, is " << got.toText();
            return;
        }
        ASSERT_FALSE(got.isNull()) << what << " is Null, should be " << want;
        const double g = got.asDouble();
        EXPECT_NEAR(g, want, 1e-11 * std::max(1.0, std::fabs(want))) << what;
    }

    // The rows of the ANOVA table for one group and field, in Index order.
    void expectTable(const std::vector<TableRow>& rows, const std::vector<Expected>& want,
                     const std::string& where) {
        ASSERT_EQ(rows.size(), want.size()) << where;
        for (size_t i = 0; i < rows.size(); ++i) {
            const TableRow& r = rows[i];
            const Expected& e = want[i];
            const std::string at = where + " row " + e.source;
            EXPECT_EQ(r.at("Index").asDouble(), static_cast<double>(i + 1)) << at;
            EXPECT_EQ(r.at("Source_of_Variation").toText(), e.source) << at;
            EXPECT_EQ(r.at("DF").asDouble(), e.df) << at;
            near(r.at("Sum_of_Squares"), e.ss, at + " SS");
            near(r.at("Mean_Square"), e.ms, at + " MS");
            near(r.at("F-Value"), e.f, at + " F");
            near(r.at("Prob"), e.p, at + " Prob");
        }
    }

    std::vector<TableRow> rowsOf(const std::string& table, const std::string& where) {
        std::vector<TableRow> out;
        for (TableRow& r : tableRows(table, "[Index]"))
            if (where.empty() || r.at("G").toText() == where) out.push_back(std::move(r));
        return out;
    }
};

constexpr double kNull = NAN;

// anova_reference.py, "oneway": levels {1,2,3}, {4,5,6}, {7,8,9}; the F
// tail of F(2, 6) at 27 is (1 + 2*27/6)^-3 = 0.001 exactly.
const std::vector<Expected> kOneWay = {
    {"Main Effects", 2, 54, 27, 27, 0.001},
    {"Main: [A]", 2, 54, 27, 27, 0.001},
    {"Residual", 6, 6, 1, kNull, kNull},
    {"Total", 8, 60, 7.5, kNull, kNull},
};

TEST_F(AnovaTest, OneWayTableAndDetail) {
    // Group g1 holds the three levels; g2 has only two of them, and a level
    // missing from a group does not count among that group's levels.
    int x = 0;
    for (const char* a : {"A", "B", "C"})
        for (int i = 0; i < 3; ++i) add("g1", a, 1, "u", ++x);
    for (double v : {1.0, 3.0}) add("g2", "A", 1, "u", v);
    for (double v : {2.0, 6.0}) add("g2", "B", 1, "u", v);
    ASSERT_EQ(runGroup("ANOVA", {{"G", "G"}, {"A", "C"}, {"X", "X"}}, "Det"), "");

    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"G", "DataField", "Index", "Source_of_Variation",
                                        "Sum_of_Squares", "DF", "Mean_Square", "F-Value", "Prob"}));
    expectTable(rowsOf("Out1", "g1"), kOneWay, "g1");
    // g2 by hand: means 2 and 4, grand mean 3: between 2*1 + 2*1 = 4 on 1
    // df; within 2 + 8 = 10 on 2 df; F = 4 / 5 = 0.8 and the F(1, 2) tail
    // is 1 - sqrt(F / (F + 2)) = 1 - sqrt(2/7).
    const double p = 1 - std::sqrt(2.0 / 7.0);
    expectTable(rowsOf("Out1", "g2"),
                {{"Main Effects", 1, 4, 4, 0.8, p},
                 {"Main: [A]", 1, 4, 4, 0.8, p},
                 {"Residual", 2, 10, 5, kNull, kNull},
                 {"Total", 3, 14, 14.0 / 3, kNull, kNull}},
                "g2");
    for (const TableRow& r : tableRows("Out1")) EXPECT_EQ(r.at("DataField").toText(), "X");

    // The compare field is one more group column of the detail table.
    EXPECT_EQ(tableColumns("Det"),
              (std::vector<std::string>{"G", "A", "DataField", "Count", "Mean", "Minimum",
                                        "Maximum", "Range", "Sum", "Variance", "CoeffOfVariance",
                                        "StdDeviation", "StdError"}));
    const auto detail = tableRows("Det", "[G], [A]");
    ASSERT_EQ(detail.size(), 5u);
    // g1 level B: 4, 5, 6. g2 level B: 2, 6 (variance 8).
    const TableRow& b1 = detail[1];
    EXPECT_EQ(b1.at("G").toText(), "g1");
    EXPECT_EQ(b1.at("A").toText(), "B");
    near(b1.at("Count"), 3, "Count");
    near(b1.at("Mean"), 5, "Mean");
    near(b1.at("Minimum"), 4, "Minimum");
    near(b1.at("Maximum"), 6, "Maximum");
    near(b1.at("Range"), 2, "Range");
    near(b1.at("Sum"), 15, "Sum");
    near(b1.at("Variance"), 1, "Variance");
    near(b1.at("StdDeviation"), 1, "StdDeviation");
    near(b1.at("CoeffOfVariance"), 0.2, "CoeffOfVariance");
    near(b1.at("StdError"), 1 / std::sqrt(3.0), "StdError");
    const TableRow& b2 = detail[4];
    EXPECT_EQ(b2.at("G").toText(), "g2");
    near(b2.at("Variance"), 8, "g2 B Variance");
    near(b2.at("StdError"), 2, "g2 B StdError");
    near(b2.at("CoeffOfVariance"), std::sqrt(8.0) / 4, "g2 B CoeffOfVariance");
}

// anova_reference.py, "twoway".
const std::vector<Expected> kTwoWay = {
    {"Main Effects", 3, 130.33532467532468, 43.445108225108225, 31.596442345533255,
     8.7437755437848314e-5},
    {"Main: [A]", 1, 0.17818181818181818, 0.17818181818181818, 0.12958677685950413,
     0.72817918682779402},
    {"Main: [B]", 2, 110.31151515151515, 55.155757575757576, 40.113278236914601,
     6.7602480670233924e-5},
    {"[A] & [B]", 2, 9.0218181818181818, 4.5109090909090909, 3.2806611570247934,
     0.091108036628528096},
    {"Explained", 5, 139.35714285714286, 27.871428571428571, 20.27012987012987,
     0.00023614798787616864},
    {"Residual", 8, 11.0, 1.375, kNull, kNull},
    {"Total", 13, 150.35714285714286, 11.565934065934066, kNull, kNull},
};

TEST_F(AnovaTest, TwoWayUnbalanced) {
    const char* a = "ppppppqqqqqqqq";
    const int b[] = {1, 1, 1, 2, 2, 3, 1, 2, 2, 2, 3, 3, 3, 3};
    const double y[] = {3, 5, 4, 6, 8, 9, 2, 7, 5, 6, 12, 10, 11, 13};
    for (int i = 0; i < 14; ++i) add("g", std::string(1, a[i]), b[i], "u", y[i]);
    ASSERT_EQ(runGroup("Two way ANOVA", {{"G", "G"}, {"A", "C"}, {"B", "C"}, {"X", "X"}}, "Det"),
              "");
    expectTable(rowsOf("Out1", ""), kTwoWay, "two-way");

    // Several compare fields: one detail row per field and level, the level
    // as text because the compare fields' types differ.
    EXPECT_EQ(tableColumns("Det"),
              (std::vector<std::string>{"G", "DataField", "Compare_Field", "Compare_Value", "Count",
                                        "Mean", "Minimum", "Maximum", "Range", "Sum", "Variance",
                                        "CoeffOfVariance", "StdDeviation", "StdError"}));
    auto def = db.GetTableDef("Det");
    ASSERT_TRUE(def.ok());
    for (const Field& f : def->Fields())
        if (f.Name == "Compare_Value") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 25) << "text compare fields of size 10: below 20 gives 25";
        }
    const auto detail = tableRows("Det", "[Compare_Field], [Compare_Value]");
    ASSERT_EQ(detail.size(), 5u);
    EXPECT_EQ(detail[0].at("Compare_Field").toText(), "A");
    EXPECT_EQ(detail[0].at("Compare_Value").toText(), "p");
    near(detail[0].at("Mean"), 35.0 / 6, "A=p mean");  // 3+5+4+6+8+9
    EXPECT_EQ(detail[4].at("Compare_Field").toText(), "B");
    EXPECT_EQ(detail[4].at("Compare_Value").toText(), "3");
    near(detail[4].at("Sum"), 55, "B=3 sum");  // 9+12+10+11+13
    near(detail[4].at("Variance"), 2.5, "B=3 variance");
}

TEST_F(AnovaTest, ThreeCompareFields) {
    // anova_reference.py, "threeway".
    const char* a = "pppppppqqqqqqqqq";
    const int b[] = {1, 1, 2, 2, 3, 3, 3, 1, 1, 1, 2, 2, 3, 3, 3, 2};
    const char* d = "uvuvuvvuvuuvuvuv";
    const double y[] = {4, 6, 5, 9, 7, 8, 10, 3, 5, 4, 8, 11, 9, 12, 14, 7};
    for (int i = 0; i < 16; ++i) add("g", std::string(1, a[i]), b[i], std::string(1, d[i]), y[i]);
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"B", "C"}, {"D", "C"}, {"X", "X"}}), "");
    expectTable(tableRows("Out1", "[Index]"),
                {{"Main Effects", 4, 103.66111111111111, 25.915277777777778, 7.1019894874568536,
                  0.018435923980709361},
                 {"Main: [A]", 1, 4.8611111111111111, 4.8611111111111111, 1.332170170218071,
                  0.29231186022214417},
                 {"Main: [B]", 2, 86.55, 43.275, 11.859359475329902, 0.0082293114005146074},
                 {"Main: [D]", 1, 12.25, 12.25, 3.357068828949539, 0.11662710262079528},
                 {"Interactions", 5, 20.194789081885856, 4.0389578163771712, 1.1068619907593386,
                  0.44435470078221477},
                 {"[A] & [B]", 2, 12.574358974358974, 6.2871794871794872, 1.7229791247690779,
                  0.25628057284550323},
                 {"[A] & [D]", 1, 3.0204301075268817, 3.0204301075268817, 0.82773810318360809,
                  0.39800073082677252},
                 {"[B] & [D]", 2, 4.6, 2.3, 0.63030680053746447, 0.56433082952863532},
                 {"Explained", 9, 123.85590019299697, 13.761766688110774, 3.7713631004026786,
                  0.06009937235289733},
                 {"Residual", 6, 21.894099807003033, 3.6490166345005055, kNull, kNull},
                 {"Total", 15, 145.75, 9.7166666666666667, kNull, kNull}},
                "three-way");
}

// Student's sleep data (Cushny and Peebles): extra hours of sleep under two
// drugs. Published: means 0.75 and 2.33; pooled t = -1.8608 on 18 df, p =
// 0.07919; Welch t = -1.8608 on 17.776 df, p = 0.07939. The full digits are
// from anova_reference.py ("sleep", mpmath at 40 digits).
const double kDrug1[] = {0.7, -1.6, -0.2, -1.2, -0.1, 3.4, 3.7, 0.8, 0.0, 2.0};
const double kDrug2[] = {1.9, 0.8, 1.1, 0.1, -0.1, 4.4, 5.5, 1.6, 4.6, 3.4};

TEST_F(AnovaTest, TwoSampleTTestOnATextbookExample) {
    for (double v : kDrug1) add("g", "d", 1, "u", v);
    for (double v : kDrug2) add("g", "d", 2, "u", v);
    ASSERT_EQ(runGroup("Two Sample t-Test", {{"B", "C"}, {"X", "X"}}, "Det"), "");
    EXPECT_EQ(
        tableColumns("Out1"),
        (std::vector<std::string>{
            "DataField", "Count-1", "Count-2", "Mean-1", "Mean-2", "Mean_Diff", "StdDeviation-1",
            "StdDeviation-2", "StdError-1", "StdError-2", "DF_Pooled", "t-Value_Pooled",
            "Prob_(2-tail)_Pooled", "DF_Separate", "t-Value_Separate", "Prob_(2-tail)_Separate"}));
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    // The published figures, to their printed digits.
    EXPECT_NEAR(r.at("t-Value_Pooled").asDouble(), -1.8608, 5e-5);
    EXPECT_NEAR(r.at("Prob_(2-tail)_Pooled").asDouble(), 0.07919, 5e-6);
    EXPECT_NEAR(r.at("DF_Separate").asDouble(), 17.776, 5e-4);
    EXPECT_NEAR(r.at("Prob_(2-tail)_Separate").asDouble(), 0.07939, 5e-6);
    // And every column to the reference's digits.
    near(r.at("Count-1"), 10, "Count-1");
    near(r.at("Count-2"), 10, "Count-2");
    near(r.at("Mean-1"), 0.75, "Mean-1");
    near(r.at("Mean-2"), 2.33, "Mean-2");
    near(r.at("Mean_Diff"), -1.58, "Mean_Diff");
    near(r.at("StdDeviation-1"), 1.7890096577591625, "StdDeviation-1");
    near(r.at("StdDeviation-2"), 2.002248735796829, "StdDeviation-2");
    near(r.at("StdError-1"), 0.56573452745572774, "StdError-1");
    near(r.at("StdError-2"), 0.63316664473106919, "StdError-2");
    near(r.at("DF_Pooled"), 18, "DF_Pooled");
    near(r.at("t-Value_Pooled"), -1.8608134674868531, "t-Value_Pooled");
    near(r.at("Prob_(2-tail)_Pooled"), 0.079186714215938111, "Prob pooled");
    near(r.at("DF_Separate"), 17.77647351617849, "DF_Separate");
    near(r.at("t-Value_Separate"), -1.8608134674868531, "t-Value_Separate");
    near(r.at("Prob_(2-tail)_Separate"), 0.079394140187358138, "Prob separate");
    // The detail table of the t-test: one row per level.
    const auto detail = tableRows("Det", "[B]");
    ASSERT_EQ(detail.size(), 2u);
    near(detail[0].at("Sum"), 7.5, "drug 1 sum");
    near(detail[1].at("Minimum"), -0.1, "drug 2 minimum");
    near(detail[1].at("Maximum"), 5.5, "drug 2 maximum");
}

TEST_F(AnovaTest, TTestSamplesAreTheFirstTwoValuesOfTheList) {
    // Equal n and equal variances: the separate df equal the pooled ones
    // (by hand: s1 = s2 = 1, n = 3: v = 2/3, df = (4/9) / (2 * (1/9) / 2) = 4).
    // A third value of the compare field takes no part.
    for (double v : {1.0, 2.0, 3.0}) add("g", "x", 1, "u", v);
    for (double v : {5.0, 6.0, 7.0}) add("g", "x", 2, "u", v);
    for (double v : {100.0, 200.0}) add("g", "x", 3, "u", v);
    // A group whose second sample has one value: no variance there, so no
    // separate t; the pooled variance is the first sample's alone.
    for (double v : {1.0, 2.0, 3.0}) add("h", "x", 1, "u", v);
    add("h", "x", 2, "u", 4.0);
    ASSERT_EQ(runGroup("two sample t-test", {{"G", "G"}, {"B", "C"}, {"X", "X"}}), "");
    const auto rows = tableRows("Out1", "[G]");
    ASSERT_EQ(rows.size(), 2u);
    near(rows[0].at("DF_Pooled"), 4, "g pooled df");
    near(rows[0].at("DF_Separate"), 4, "g separate df");
    // t = -4 / sqrt(2/3); its two-tailed t(4) probability is the regularized
    // incomplete beta I(4 / (4 + t^2); 2, 1/2), by mpmath at 40 digits.
    near(rows[0].at("t-Value_Pooled"), -4 / std::sqrt(2.0 / 3), "g t");
    near(rows[0].at("Prob_(2-tail)_Pooled"), 0.0080498931008377197501, "g p");
    near(rows[0].at("Count-1"), 3, "g count 1");
    near(rows[0].at("Count-2"), 3, "g count 2");
    // h: s_p^2 = (2 * 1 + 0) / 2 = 1; t = (2 - 4) / sqrt(1/3 + 1) on 2 df.
    near(rows[1].at("DF_Pooled"), 2, "h pooled df");
    near(rows[1].at("t-Value_Pooled"), -2 / std::sqrt(4.0 / 3), "h t");
    near(rows[1].at("StdDeviation-2"), kNull, "h sd 2");
    near(rows[1].at("StdError-2"), kNull, "h se 2");
    near(rows[1].at("DF_Separate"), kNull, "h separate df");
    near(rows[1].at("t-Value_Separate"), kNull, "h separate t");
}

TEST_F(AnovaTest, OffsetDataKeepTheirDigits) {
    // The two-way design again, every value moved up by 1e9 (still exact in
    // a double): the sums of squares, F values and probabilities do not move.
    const char* a = "ppppppqqqqqqqq";
    const int b[] = {1, 1, 1, 2, 2, 3, 1, 2, 2, 2, 3, 3, 3, 3};
    const double y[] = {3, 5, 4, 6, 8, 9, 2, 7, 5, 6, 12, 10, 11, 13};
    for (int i = 0; i < 14; ++i) add("g", std::string(1, a[i]), b[i], "u", 1e9 + y[i]);
    ASSERT_EQ(runGroup("Two way ANOVA", {{"A", "C"}, {"B", "C"}, {"X", "X"}}), "");
    expectTable(rowsOf("Out1", ""), kTwoWay, "two-way, offset 1e9");
}

TEST_F(AnovaTest, IgnoredValuesTakeNoPart) {
    // The one-way data with -99 marking missing values in two levels; the
    // rule "equal to -99" leaves the table of the clean data.
    int x = 0;
    for (const char* a : {"A", "B", "C"})
        for (int i = 0; i < 3; ++i) add("g", a, 1, "u", ++x);
    add("g", "A", 1, "u", -99.0);
    add("g", "C", 1, "u", -99.0);
    ScenarioRow s;
    s.category = "G";
    s.subtype = "ANOVA";
    s.input = "T";
    s.output2 = "Det";
    s.missingType = "1";
    s.missingEqual = -99.0;
    s.fields = {{"A", "C"}, {"X", "X"}};
    const auto id = addScenario(s);
    setOptions(id, {{"GroupDetail", true}});
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    expectTable(rowsOf("Out1", ""), kOneWay, "ignore rule");
    for (const TableRow& r : tableRows("Det")) EXPECT_EQ(r.at("Count").asDouble(), 3);
}

TEST_F(AnovaTest, WeightedDetailWithOneCompareField) {
    // Weights 2 and 1: Count is the weight, Observations the rows. Level a
    // weighs as the rows 1, 1, 3: mean 5/3, variance (2 (2/3)^2 + (4/3)^2) /
    // (3 - 1) = (24/9) / 2 = 4/3.
    add("g", "a", 1, "u", 1.0, 2);
    add("g", "a", 1, "u", 3.0, 1);
    add("g", "b", 1, "u", 5.0, 1);
    ASSERT_EQ(runGroup("ANOVA", {{"A", "C"}, {"X", "X"}, {"W", "W"}}, "Det"), "");
    EXPECT_EQ(tableColumns("Det"),
              (std::vector<std::string>{"A", "DataField", "Count", "Observations", "Mean",
                                        "Minimum", "Maximum", "Range", "Sum", "Variance",
                                        "CoeffOfVariance", "StdDeviation", "StdError"}));
    const auto detail = tableRows("Det", "[A]");
    ASSERT_EQ(detail.size(), 2u);
    near(detail[0].at("Count"), 3, "a Count");
    near(detail[0].at("Observations"), 2, "a Observations");
    near(detail[0].at("Mean"), 5.0 / 3, "a Mean");
    near(detail[0].at("Sum"), 5, "a Sum");
    near(detail[0].at("Variance"), 4.0 / 3, "a Variance");
    near(detail[1].at("Variance"), kNull, "b: one value of weight 1");
}

}  // namespace
}  // namespace qrv::test
