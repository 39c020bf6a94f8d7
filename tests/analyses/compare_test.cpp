// Compare two fields end to end through RunScenario. Expected values come
// from Python's fractions (exact sums of the stored doubles) with mpmath for
// the square roots and the t probabilities (regularised incomplete beta
// I_{df/(df+t^2)}(df/2, 1/2)), computed on the deviations from the means, not
// on running sums; the small cases are worked by hand as well.
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "analyses/parametric/compare.h"
#include "engine/engine_fixture.h"
#include "support/strd.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

struct CmpRow {
    Value grp, x1, x2, y, w;
};

class CompareTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        makeTable("Cmp", {Field("Grp", dbText, 10), Field("X1", dbDouble), Field("X2", dbDouble),
                          Field("Y", dbDouble), Field("W", dbDouble)});
    }
    void addRows(const std::vector<CmpRow>& rows) {
        std::vector<std::vector<Value>> values;
        for (const CmpRow& r : rows) values.push_back({r.grp, r.x1, r.x2, r.y, r.w});
        appendRows("Cmp", {"Grp", "X1", "X2", "Y", "W"}, values);
    }
    std::int32_t compare(std::vector<std::pair<std::string, std::string>> fields,
                         bool counts = true, bool means = true, bool corr = true, bool tTest = true,
                         std::string missingType = "0", Value equal = {}) {
        ScenarioRow s;
        s.subtype = "Compare";
        s.input = "Cmp";
        s.fields = std::move(fields);
        s.missingType = std::move(missingType);
        s.missingEqual = equal;
        const auto id = addScenario(s);
        setOptions(id,
                   {{"CountXY", counts}, {"MeanXY", means}, {"CorrXY", corr}, {"TTest", tTest}});
        return id;
    }
    // Output rows ordered by group (Null first) and X field.
    std::vector<TableRow> out(const std::string& order = "[Grp], [DataField]") {
        return tableRows("Out1", order);
    }
    static double num(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it == r.end() || it->second.isNull() ? NAN : it->second.asDouble();
    }
    static bool isNull(const TableRow& r, const char* column) {
        auto it = r.find(column);
        EXPECT_NE(it, r.end()) << "no column " << column;
        return it != r.end() && it->second.isNull();
    }
};

#define EXPECT_REL(actual, expected, tol) \
    EXPECT_NEAR((actual), (expected), std::abs(static_cast<double>(expected)) * (tol) + 1e-300)

TEST_F(CompareTest, DoublingPairsAsWorkedByHand) {
    // (1, 2), (2, 4), (3, 6): differences -1, -2, -3, mean -2, variance 1;
    // covariance (1*2 + 0 + 1*2) / 2 = 2; t = -2 / sqrt(1/3); for 2 degrees of
    // freedom P(|T| > t) = 1 - t / sqrt(t^2 + 2) = 1 - sqrt(6/7).
    addRows({{"g", 1.0, {}, 2.0, {}}, {"g", 2.0, {}, 4.0, {}}, {"g", 3.0, {}, 6.0, {}}});
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_EQ(r.at("DataField").toText(), "X1");
    EXPECT_EQ(num(r, "Count_of_Y"), 3);
    EXPECT_EQ(num(r, "Missing"), 0);
    EXPECT_EQ(num(r, "Count<Y"), 3);
    EXPECT_EQ(num(r, "Count=Y"), 0);
    EXPECT_EQ(num(r, "Count>Y"), 0);
    EXPECT_DOUBLE_EQ(num(r, "MeanX"), 2);
    EXPECT_DOUBLE_EQ(num(r, "MeanY"), 4);
    EXPECT_DOUBLE_EQ(num(r, "MeanDiff"), -2);
    EXPECT_DOUBLE_EQ(num(r, "StdDevDiff"), 1);
    EXPECT_DOUBLE_EQ(num(r, "Covariance"), 2);
    EXPECT_DOUBLE_EQ(num(r, "Correlation"), 1);
    EXPECT_DOUBLE_EQ(num(r, "R-Square"), 1);
    EXPECT_EQ(num(r, "T-DF"), 2);
    EXPECT_REL(num(r, "Paired_t-Value"), -2 / std::sqrt(1.0 / 3), 1e-14);
    const double p = 1 - std::sqrt(6.0 / 7);
    EXPECT_REL(num(r, "Prob_(2-tail)"), p, 1e-12);
    EXPECT_REL(num(r, "Prob_(1-tail)"), p / 2, 1e-12);
}

TEST_F(CompareTest, ColumnsFollowTheOptions) {
    addRows({{"g", 1.0, 2.0, 2.0, 1.0}});
    ASSERT_TRUE(run(compare({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}})))
        << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{
                  "Grp", "DataField", "Count_of_Y", "Missing", "Count<Y", "Count=Y", "Count>Y",
                  "MeanX", "MeanY", "MeanDiff", "StdDevDiff", "Covariance", "Correlation",
                  "R-Square", "T-DF", "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"}));
    // The chi-square option has no effect on Compare.
    const auto chi = compare({{"X1", "X"}, {"Y", "Y"}}, true, false, false, false);
    setOptions(chi, {{"Chi", true}});
    ASSERT_TRUE(run(chi)) << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"), (std::vector<std::string>{"DataField", "Count_of_Y", "Missing",
                                                              "Count<Y", "Count=Y", "Count>Y"}));
    // Weighted, only the t-test: Observations joins the count columns.
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}, {"W", "W"}}, false, false, false, true)))
        << engine.ErrorInfo();
    EXPECT_EQ(
        tableColumns("Out1"),
        (std::vector<std::string>{"DataField", "Count_of_Y", "Observations", "Missing", "T-DF",
                                  "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"}));
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}}, false, true, true, false)))
        << engine.ErrorInfo();
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "Count_of_Y", "Missing", "MeanX", "MeanY",
                                        "MeanDiff", "StdDevDiff", "Covariance", "Correlation",
                                        "R-Square"}));
    auto def = db.GetTableDef("Out1");
    ASSERT_TRUE(def.ok());
    for (const Field& f : def->Fields()) {
        if (f.Name == "DataField") {
            EXPECT_EQ(f.Type, dbText);
            EXPECT_EQ(f.Size, 64);
        } else if (f.Name == "Missing") {
            EXPECT_EQ(f.Type, dbLong);
        } else {
            EXPECT_EQ(f.Type, dbDouble) << f.Name;
        }
    }
}

TEST_F(CompareTest, GroupsFieldsAndMissingValues) {
    // Group a: six usable pairs for X1, one record without Y (missing for both
    // X fields) and one without X1. Group b: three pairs. A Null group: one.
    addRows({{"a", 3.0, 1.0, 5.0, {}},
             {"a", 7.0, 2.0, 6.0, {}},
             {"a", 2.0, 9.0, {}, {}},
             {"a", 4.0, 2.0, 4.0, {}},
             {"a", 10.0, 3.0, 13.0, {}},
             {"a", {}, {}, 9.0, {}},
             {"a", 8.0, 2.0, 7.5, {}},
             {"a", 1.25, 1.0, 2.0, {}},
             {"b", 1.0, {}, 1.0, {}},
             {"b", 2.0, {}, 3.0, {}},
             {"b", 5.0, {}, 4.0, {}},
             {{}, 4.0, 4.0, 2.0, {}}});
    ASSERT_TRUE(run(compare({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}})))
        << engine.ErrorInfo();
    auto rows = out();
    ASSERT_EQ(rows.size(), 6u);

    // Null group, one record: counts and means, nothing that needs n > 1.
    for (int i = 0; i < 2; ++i) {
        const TableRow& r = rows[static_cast<size_t>(i)];
        EXPECT_TRUE(r.at("Grp").isNull());
        EXPECT_EQ(num(r, "Count_of_Y"), 1);
        EXPECT_EQ(num(r, "Count>Y"), 1);
        EXPECT_EQ(num(r, "MeanDiff"), 2);
        EXPECT_EQ(num(r, "MeanX"), 4);
        for (const char* c : {"StdDevDiff", "Covariance", "Correlation", "R-Square", "T-DF",
                              "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"})
            EXPECT_TRUE(isNull(r, c)) << c;
    }

    // a, X1: pairs (3,5) (7,6) (4,4) (10,13) (8,7.5) (1.25,2); fractions + mpmath.
    const TableRow& a1 = rows[2];
    EXPECT_EQ(a1.at("Grp").toText(), "a");
    EXPECT_EQ(a1.at("DataField").toText(), "X1");
    EXPECT_EQ(num(a1, "Count_of_Y"), 6);
    EXPECT_EQ(num(a1, "Missing"), 2);
    EXPECT_EQ(num(a1, "Count<Y"), 3);
    EXPECT_EQ(num(a1, "Count=Y"), 1);
    EXPECT_EQ(num(a1, "Count>Y"), 2);
    EXPECT_REL(num(a1, "MeanX"), 5.5416666666666666667, 1e-15);
    EXPECT_REL(num(a1, "MeanY"), 6.25, 1e-15);
    EXPECT_REL(num(a1, "MeanDiff"), -0.70833333333333333333, 1e-15);
    EXPECT_REL(num(a1, "StdDevDiff"), 1.5363647570374252329, 1e-15);
    EXPECT_REL(num(a1, "Covariance"), 11.5375, 1e-15);
    EXPECT_REL(num(a1, "Correlation"), 0.91500200005769169225, 1e-15);
    EXPECT_REL(num(a1, "R-Square"), 0.83722866010957602758, 1e-15);
    EXPECT_EQ(num(a1, "T-DF"), 5);
    EXPECT_REL(num(a1, "Paired_t-Value"), -1.12932506849293248, 1e-14);
    EXPECT_REL(num(a1, "Prob_(2-tail)"), 0.31001014116194110392, 1e-12);
    EXPECT_REL(num(a1, "Prob_(1-tail)"), 0.31001014116194110392 / 2, 1e-12);

    // a, X2: pairs (1,5) (2,6) (2,4) (3,13) (2,7.5) (1,2); the record with a
    // Null X1 has a Null X2 too, so again two missing.
    const TableRow& a2 = rows[3];
    EXPECT_EQ(a2.at("DataField").toText(), "X2");
    EXPECT_EQ(num(a2, "Count_of_Y"), 6);
    EXPECT_EQ(num(a2, "Missing"), 2);
    EXPECT_EQ(num(a2, "Count<Y"), 6);

    // b, X1: (1,1) (2,3) (5,4): mean difference 0, so t = 0 and p = 1.
    const TableRow& b1 = rows[4];
    EXPECT_EQ(b1.at("Grp").toText(), "b");
    EXPECT_EQ(num(b1, "Count=Y"), 1);
    EXPECT_EQ(num(b1, "MeanDiff"), 0);
    EXPECT_REL(num(b1, "StdDevDiff"), 1, 1e-15);
    EXPECT_REL(num(b1, "Covariance"), 2.8333333333333333333, 1e-15);
    EXPECT_REL(num(b1, "Correlation"), 0.89104211121363055141, 1e-15);
    EXPECT_EQ(num(b1, "Paired_t-Value"), 0);
    EXPECT_REL(num(b1, "Prob_(2-tail)"), 1, 1e-14);
    // b, X2: no usable X at all: the count is 0 and everything else Null.
    const TableRow& b2 = rows[5];
    EXPECT_EQ(num(b2, "Count_of_Y"), 0);
    EXPECT_EQ(num(b2, "Missing"), 3);
    for (const char* c : {"Count<Y", "MeanX", "MeanDiff", "Covariance", "T-DF"})
        EXPECT_TRUE(isNull(b2, c)) << c;
}

TEST_F(CompareTest, IdenticalFieldsAndConstantX) {
    // X1 equal to Y: no spread of the differences, so no t; correlation 1.
    // X2 constant: covariance 0, no correlation.
    addRows({{"g", 1.5, 7.0, 1.5, {}}, {"g", 2.5, 7.0, 2.5, {}}, {"g", 9.0, 7.0, 9.0, {}}});
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto rows = out("[DataField]");
    ASSERT_EQ(rows.size(), 2u);
    const TableRow& same = rows[0];
    EXPECT_EQ(num(same, "Count=Y"), 3);
    EXPECT_EQ(num(same, "MeanDiff"), 0);
    EXPECT_DOUBLE_EQ(num(same, "Correlation"), 1);
    EXPECT_EQ(num(same, "T-DF"), 2);
    for (const char* c : {"StdDevDiff", "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"})
        EXPECT_TRUE(isNull(same, c)) << c;
    const TableRow& flat = rows[1];
    EXPECT_EQ(num(flat, "Covariance"), 0);
    EXPECT_TRUE(isNull(flat, "Correlation"));
    EXPECT_TRUE(isNull(flat, "R-Square"));
    // Differences 5.5, 4.5, -2: sum 8, sum of squares 54.5, so the variance
    // is (54.5 - 64/3) / 2 = 199/12 (by hand).
    EXPECT_REL(num(flat, "StdDevDiff"), std::sqrt(199.0 / 12), 1e-15);
}

TEST_F(CompareTest, DifferenceByAConstantHasNoSpread) {
    // X = Y + 0.25 on values far from 0: the differences are exactly 0.25,
    // so StdDevDiff and the t-test stay Null and the correlation is 1.
    std::vector<CmpRow> rows;
    for (int i = 1; i <= 50; ++i) {
        const double y = 123456.789 + 0.37 * i * i;
        rows.push_back({"g", y + 0.25, {}, y, {}});
    }
    addRows(rows);
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto out1 = out("[DataField]");
    ASSERT_EQ(out1.size(), 1u);
    EXPECT_TRUE(isNull(out1[0], "StdDevDiff"));
    EXPECT_TRUE(isNull(out1[0], "Paired_t-Value"));
    EXPECT_REL(num(out1[0], "MeanDiff"), 0.25, 1e-12);
    EXPECT_DOUBLE_EQ(num(out1[0], "Correlation"), 1);
}

TEST_F(CompareTest, KeepsDigitsFarFromZero) {
    // x = 1e8 + 0.1 i, y = x + 0.001 (i mod 3), i = 1..9, as doubles; the
    // exact sums of those doubles (fractions) and mpmath give the targets.
    std::vector<CmpRow> rows;
    for (int i = 1; i <= 9; ++i) {
        const double x = 1e8 + 0.1 * i;
        rows.push_back({"g", x, {}, 1e8 + 0.1 * i + 0.001 * (i % 3), {}});
    }
    addRows(rows);
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto r = out("[DataField]");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_REL(num(r[0], "MeanDiff"), -0.0010000020265579223633, 1e-13);
    EXPECT_REL(num(r[0], "StdDevDiff"), 0.00086602715883508165398, 1e-13);
    EXPECT_REL(num(r[0], "Covariance"), 0.074962500669434689593, 1e-13);
    EXPECT_REL(num(r[0], "Correlation"), 0.9999951201373173506, 1e-14);
    EXPECT_REL(num(r[0], "R-Square"), 0.999990240298447761, 1e-14);
    EXPECT_REL(num(r[0], "Paired_t-Value"), -3.4641016151377545871, 1e-12);
    EXPECT_REL(num(r[0], "Prob_(2-tail)"), 0.0085162633709012773941, 1e-11);
}

TEST_F(CompareTest, ReachesTheCertifiedDigitsOfTheReferenceLine) {
    // Norris: the certified R-squared of the straight line y on x is the
    // squared correlation (ceiling 15.0 digits on the parsed doubles); the
    // correlation must come within one digit of it. X2 repeats X1 so the
    // run walks two fields.
    const StrdSet set = readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/Norris.txt");
    ASSERT_EQ(set.columns, (std::vector<std::string>{"y", "x"}));
    std::vector<CmpRow> rows;
    for (const auto& r : set.rows) rows.push_back({"n", r[1], r[1], r[0], {}});
    addRows(rows);
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}))) << engine.ErrorInfo();
    auto out1 = out("[DataField]");
    ASSERT_EQ(out1.size(), 2u);
    EXPECT_GE(correctDigits(num(out1[0], "R-Square"), set.certified.at("r2")), 14.0);
    EXPECT_GE(correctDigits(num(out1[0], "Correlation"), std::sqrt(set.certified.at("r2"))), 14.0);
    EXPECT_EQ(num(out1[0], "Count_of_Y"), 36);
}

TEST_F(CompareTest, WeightedSums) {
    // Weights 2, 3, 1, 0.5 on (1,2) (4,3) (2,2) (6,9); a weight of 0 and a
    // Null weight skip their records. n = 6.5; fractions + mpmath.
    addRows({{"g", 1.0, {}, 2.0, 2.0},
             {"g", 4.0, {}, 3.0, 3.0},
             {"g", 100.0, {}, 1.0, 0.0},
             {"g", 2.0, {}, 2.0, 1.0},
             {"g", 6.0, {}, 9.0, 0.5},
             {"g", 50.0, {}, 3.0, {}}});
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}, {"W", "W"}}))) << engine.ErrorInfo();
    auto rows = out("[DataField]");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    EXPECT_EQ(num(r, "Count_of_Y"), 6.5);
    EXPECT_EQ(num(r, "Observations"), 4);
    EXPECT_EQ(num(r, "Missing"), 2);
    // Counts step by step in input order (sorted by X): (1,2) w2 -> below 2;
    // (2,2) w1 -> equal 1; (4,3) w3 -> above 3; (6,9) w0.5 -> below 2.5 -> 2.
    EXPECT_EQ(num(r, "Count<Y"), 2);
    EXPECT_EQ(num(r, "Count=Y"), 1);
    EXPECT_EQ(num(r, "Count>Y"), 3);
    EXPECT_REL(num(r, "MeanX"), 2.9230769230769230769, 1e-15);
    EXPECT_REL(num(r, "MeanY"), 3.0, 1e-15);
    EXPECT_REL(num(r, "MeanDiff"), -0.076923076923076923077, 1e-14);
    EXPECT_REL(num(r, "StdDevDiff"), 1.3115943428818684409, 1e-14);
    EXPECT_REL(num(r, "Covariance"), 2.5454545454545454545, 1e-14);
    EXPECT_REL(num(r, "Correlation"), 0.75297954364406038988, 1e-14);
    EXPECT_REL(num(r, "T-DF"), 5.5, 1e-15);
    EXPECT_REL(num(r, "Paired_t-Value"), -0.14952499315243512947, 1e-13);
    EXPECT_REL(num(r, "Prob_(2-tail)"), 0.88646986561562011588, 1e-11);
}

TEST_F(CompareTest, WholeWeightsActLikeRepeatedRows) {
    const std::vector<std::pair<double, double>> pairs = {{3, 4.5}, {1, 1}, {8, 2}, {5, 7}};
    const std::vector<int> weights = {2, 1, 3, 4};
    std::vector<CmpRow> rows;
    for (size_t i = 0; i < pairs.size(); ++i) {
        rows.push_back({"w", pairs[i].first, {}, pairs[i].second, double(weights[i])});
        for (int k = 0; k < weights[i]; ++k)
            rows.push_back({"r", pairs[i].first, {}, pairs[i].second, 1.0});
    }
    addRows(rows);
    ASSERT_TRUE(run(compare({{"Grp", "G"}, {"X1", "X"}, {"Y", "Y"}, {"W", "W"}})))
        << engine.ErrorInfo();
    auto r = out();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(num(r[0], "Observations"), 10);
    EXPECT_EQ(num(r[1], "Observations"), 4);
    for (const char* c : {"Count_of_Y", "Count<Y", "Count=Y", "Count>Y", "MeanX", "MeanY",
                          "MeanDiff", "StdDevDiff", "Covariance", "Correlation", "R-Square", "T-DF",
                          "Paired_t-Value", "Prob_(1-tail)", "Prob_(2-tail)"})
        EXPECT_REL(num(r[1], c), num(r[0], c), 1e-14) << c;
    // Below: (3,4.5) twice and (5,7) four times; above: (8,2) three times.
    EXPECT_EQ(num(r[0], "Count<Y"), 6);
    EXPECT_EQ(num(r[0], "Count=Y"), 1);
    EXPECT_EQ(num(r[0], "Count>Y"), 3);
}

TEST_F(CompareTest, FractionalWeightsRoundTheCountsAtEveryRecord) {
    // Weight 0.5: each step keeps the integer nearest to old + 0.5, halves
    // to even, so the counts stay 0 while n = 2. Weight 1.5 on x < y: after
    // one, two and three records the count is 2, 4, 6 (1.5, 3.5 -> 4, 5.5 -> 6).
    std::vector<CmpRow> rows;
    for (int i = 0; i < 4; ++i) rows.push_back({"half", 1.0 + i, {}, 10.0, 0.5});
    for (int g = 1; g <= 3; ++g) {
        const std::string name = std::string(1, static_cast<char>('0' + g));
        for (int i = 0; i < g; ++i) rows.push_back({name, 1.0 + i, {}, 10.0, 1.5});
    }
    addRows(rows);
    ASSERT_TRUE(run(compare({{"Grp", "G"}, {"X1", "X"}, {"Y", "Y"}, {"W", "W"}})))
        << engine.ErrorInfo();
    auto r = out();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[3].at("Grp").toText(), "half");
    EXPECT_EQ(num(r[3], "Count_of_Y"), 2);
    EXPECT_EQ(num(r[3], "Count<Y"), 0);
    EXPECT_REL(num(r[3], "MeanX"), 2.5, 1e-15);
    for (int g = 1; g <= 3; ++g) {  // groups "1", "2", "3" sort before "half"
        EXPECT_EQ(num(r[static_cast<size_t>(g - 1)], "Count<Y"), 2 * g);
        EXPECT_EQ(num(r[static_cast<size_t>(g - 1)], "Count_of_Y"), 1.5 * g);
    }
}

TEST_F(CompareTest, IgnoreRuleDropsValues) {
    // Rule "Equal" -99: the record whose Y is -99 is missing for X1; the one
    // whose X1 is -99 too. What is left is the doubling pairs.
    addRows({{"g", 1.0, {}, 2.0, {}},
             {"g", 5.0, {}, -99.0, {}},
             {"g", 2.0, {}, 4.0, {}},
             {"g", -99.0, {}, 3.0, {}},
             {"g", 3.0, {}, 6.0, {}}});
    ASSERT_TRUE(run(compare({{"X1", "X"}, {"Y", "Y"}}, true, true, true, true, "1", -99.0)))
        << engine.ErrorInfo();
    auto r = out("[DataField]");
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(num(r[0], "Count_of_Y"), 3);
    EXPECT_EQ(num(r[0], "Missing"), 2);
    EXPECT_DOUBLE_EQ(num(r[0], "StdDevDiff"), 1);
    EXPECT_DOUBLE_EQ(num(r[0], "MeanDiff"), -2);
}

TEST_F(CompareTest, HashedAndSortedWalksWriteTheSameTable) {
    std::vector<CmpRow> rows;
    for (int i = 0; i < 60; ++i) {
        const char* g = i % 3 == 0 ? "x" : i % 3 == 1 ? "y" : "z";
        rows.push_back({g,
                        double((i * 37) % 11),
                        i % 7 ? Value(double(i % 5)) : Value(),
                        double((i * 13) % 17) / 4,
                        {}});
    }
    addRows(rows);
    const auto id = compare({{"Grp", "G"}, {"X1", "X"}, {"X2", "X"}, {"Y", "Y"}});
    engine.SetHashedGroups(true);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto hashed = tableValues("Out1");
    engine.SetHashedGroups(false);
    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    const auto sorted = tableValues("Out1");
    ASSERT_EQ(sorted.size(), 6u);
    ASSERT_EQ(hashed.size(), sorted.size());
    for (size_t r = 0; r < sorted.size(); ++r) {
        ASSERT_EQ(hashed[r].size(), sorted[r].size());
        for (size_t c = 0; c < sorted[r].size(); ++c) {
            ASSERT_EQ(hashed[r][c].kind(), sorted[r][c].kind()) << r << "," << c;
            if (sorted[r][c].isText()) {
                EXPECT_EQ(hashed[r][c].textRef(), sorted[r][c].textRef());
            } else if (!sorted[r][c].isNull()) {
                EXPECT_REL(hashed[r][c].asDouble(), sorted[r][c].asDouble(), 1e-15);
            }
        }
    }
}

TEST_F(CompareTest, GroupSpellingsThatDifferInCaseArePooled) {
    // "k" and "K" are one group, so the hashed walk merges their sums: the
    // doubling pairs again (mean difference -2, spread 1, t = -2 / sqrt(1/3)).
    addRows({{"k", 1.0, {}, 2.0, {}}, {"K", 2.0, {}, 4.0, {}}, {"k", 3.0, {}, 6.0, {}}});
    const auto id = compare({{"Grp", "G"}, {"X1", "X"}, {"Y", "Y"}});
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        ASSERT_TRUE(run(id)) << engine.ErrorInfo();
        auto r = out();
        ASSERT_EQ(r.size(), 1u);
        EXPECT_EQ(num(r[0], "Count_of_Y"), 3);
        EXPECT_EQ(num(r[0], "Count<Y"), 3);
        EXPECT_DOUBLE_EQ(num(r[0], "StdDevDiff"), 1);
        EXPECT_DOUBLE_EQ(num(r[0], "Covariance"), 2);
        EXPECT_REL(num(r[0], "Paired_t-Value"), -2 / std::sqrt(1.0 / 3), 1e-14);
    }
}

TEST_F(CompareTest, MissingYAndBadInput) {
    addRows({{"g", 1.0, {}, 2.0, {}}});
    EXPECT_FALSE(run(compare({{"X1", "X"}})));
    EXPECT_EQ(engine.ErrorInfo(), "Y Field must be assigned");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());

    // A text that is not a number ends the run with a message naming it.
    TableDef t = db.CreateTableDef("Txt");
    for (Field f : {Field("A", dbText, 10), Field("B", dbDouble)}) t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    auto rs = db.OpenRecordset("Txt");
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("A", std::string("abc"));
    rs->Collect("B", 1.0);
    ASSERT_FALSE(rs->Update());
    rs->Close();
    ScenarioRow s;
    s.subtype = "Compare";
    s.input = "Txt";
    s.fields = {{"A", "X"}, {"B", "Y"}};
    const auto id = addScenario(s);
    EXPECT_FALSE(run(id));
    EXPECT_NE(engine.ErrorInfo().find("[A]"), std::string::npos) << engine.ErrorInfo();
}

TEST_F(CompareTest, AGroupFieldNamedLikeAnotherColumnIsRefused) {
    TableDef t = db.CreateTableDef("Odd");
    for (Field f : {Field("MeanX", dbText, 5), Field("A", dbDouble), Field("B", dbDouble)})
        t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    ScenarioRow s;
    s.subtype = "Compare";
    s.input = "Odd";
    s.fields = {{"MeanX", "G"}, {"A", "X"}, {"B", "Y"}};
    auto rs = db.OpenRecordset("Odd");
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("MeanX", std::string("g"));
    rs->Collect("A", 1.0);
    rs->Collect("B", 2.0);
    ASSERT_FALSE(rs->Update());
    rs->Close();
    const auto id = addScenario(s);
    setOptions(id, {{"MeanXY", true}});
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(),
              "The output table cannot have two columns named [MeanX]: rename the field or leave "
              "it out.");
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
    // Without the means the name is free.
    setOptions(id, {{"MeanXY", false}});
    EXPECT_TRUE(run(id)) << engine.ErrorInfo();
}

TEST_F(CompareTest, LongYNameIsCutForTheCountColumn) {
    const std::string y(60, 'Q');
    TableDef t = db.CreateTableDef("Long");
    for (Field f : {Field("X", dbDouble), Field(y, dbDouble)}) t.AppendField(f);
    ASSERT_FALSE(db.AppendTableDef(t));
    auto rs = db.OpenRecordset("Long");
    ASSERT_FALSE(rs->AddNew());
    rs->Collect("X", 1.0);
    rs->Collect(y, 2.0);
    ASSERT_FALSE(rs->Update());
    rs->Close();
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    CCompare c;
    const std::string error =
        c.Quorvane_Compare("LongOut", "Long", {"X", y}, 0, 1, false, "YNNNN", engine);
    ASSERT_EQ(error, "") << error;
    const auto cols = tableColumns(engine.WorkingTableName("LongOut"));
    ASSERT_EQ(cols.size(), 6u);
    EXPECT_EQ(cols[1], ("Count_of_" + y).substr(0, 64));
    EXPECT_EQ(cols[1].size(), 64u);
}

}  // namespace
}  // namespace qrv::test
