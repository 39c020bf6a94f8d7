// Compare, the correlation matrix and the regressions on data far from 0,
// at the edges of the double range and with weights that sum to 1, end to
// end. Expected values are exact arithmetic on the doubles written
// (tests/analyses/reference/far_from_zero_reference.py and
// tests/numeric/reference/comoments_reference.py: fractions, mpmath).
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "regress_fixture.h"
#include "support/offset_draws.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

constexpr std::array<double, 12> kY = {3.1, 1.2, 2.9, 6.4, 0.3, 1.0, 4.8, 2.2, -0.9, 4.4, 1.7, 3.6};
const double kE = 0x1p-52;

class FarFromZeroTest : public RegressTest {
  protected:
    // X = 1e9 + zx 2^-10, Y = 1e9 + zy 2^-10: about N(0, 1e-3) about 1e9.
    void nearOneBillion() {
        std::vector<std::vector<double>> rows;
        for (std::size_t i = 0; i < kZx.size(); ++i)
            rows.push_back({1e9 + kZx[i] * 0x1p-10, 1e9 + kZy[i] * 0x1p-10, 1.0});
        makeTable("Far", {"X", "Y", "W"}, rows);
    }
    std::int32_t compare() {
        ScenarioRow s;
        s.subtype = "Compare";
        s.input = "Far";
        s.fields = {{"X", "X"}, {"Y", "Y"}};
        const auto id = addScenario(s);
        setOptions(id, {{"CountXY", true}, {"MeanXY", true}, {"CorrXY", true}, {"TTest", true}});
        return id;
    }
    // Every statistic, two-tailed; rows come per statistic and field.
    std::int32_t matrix(bool weighted = false, const std::string& input = "Far") {
        ScenarioRow s;
        s.subtype = "Matrix";
        s.input = input;
        s.fields = {{"X", "X"}, {"Y", "X"}};
        if (weighted) s.fields.emplace_back("W", "W");
        const auto id = addScenario(s);
        Options options = {{"MProbTail", "2-tail"}};
        for (const char* o :
             {"MCnt", "MMis", "MMean", "MDev", "MCov", "MCor", "MR2", "MT", "MProb"})
            options.emplace_back(o, true);
        setOptions(id, options);
        return id;
    }
    enum { kCount, kMissing, kMeanDiff, kStdDevDiff, kCov, kCorr, kR2 };
    // The matrix cell of statistic k, row field i (0 X, 1 Y), column field.
    static const TableRow& cell(const std::vector<TableRow>& rows, int k, int i) {
        return rows.at(static_cast<std::size_t>(k * 2 + i));
    }
};

TEST_F(FarFromZeroTest, CompareKeepsEveryDigitAtOneBillion) {
    nearOneBillion();
    ASSERT_TRUE(run(compare())) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    const struct {
        const char* column;
        double want;
    } expected[] = {
        {"MeanX", 1000000000.0000859},           {"MeanY", 1000000000.0000527},
        {"MeanDiff", 3.3199787139892578e-05},    {"StdDevDiff", 0.00067877016818701074},
        {"Paired_t-Value", 0.16943501886760198}, {"Covariance", 6.3464517864555559e-07},
        {"Correlation", 0.74260304881678185},    {"R-Square", 0.55145928811197975},
    };
    for (const auto& e : expected) near(r, e.column, e.want, 1e-13);
}

TEST_F(FarFromZeroTest, CompareWritesWhatADoubleCanHoldOfHugeValues) {
    // X = 1e200, 2e200, 3e200 against Y = 1, 2, 4: the squares overflow, the
    // statistics themselves (the spread of X - Y is 1e200) do not.
    makeTable("Far", {"X", "Y", "W"}, {{1e200, 1, 1}, {2e200, 2, 1}, {3e200, 4, 1}});
    ASSERT_TRUE(run(compare())) << engine.ErrorInfo();
    const auto rows = tableRows("Out1");
    ASSERT_EQ(rows.size(), 1u);
    const TableRow& r = rows[0];
    const struct {
        const char* column;
        double want;
    } expected[] = {
        {"MeanX", 1.9999999999999999e+200},
        {"MeanDiff", 1.9999999999999999e+200},
        {"StdDevDiff", 9.9999999999999997e+199},
        {"Paired_t-Value", 3.4641016151377544},
        {"Covariance", 1.5e200},
        {"Correlation", 0.98198050606196574},
        {"R-Square", 0.9642857142857143},
    };
    for (const auto& e : expected) near(r, e.column, e.want, 1e-15);
}

TEST_F(FarFromZeroTest, MatrixKeepsEveryDigitAtOneBillion) {
    nearOneBillion();
    ASSERT_TRUE(run(matrix())) << engine.ErrorInfo();
    const auto rows = tableRows("Out1", "rowid");
    ASSERT_EQ(rows.size(), 18u);
    near(cell(rows, kCov, 0), "X", 9.9865954816140623e-07, 1e-13);  // variances
    near(cell(rows, kCov, 1), "Y", 7.3135975035032774e-07, 1e-13);
    for (int i = 0; i < 2; ++i) {
        const char* other = i == 0 ? "Y" : "X";
        near(cell(rows, kCov, i), other, 6.3464517864555559e-07, 1e-13);
        near(cell(rows, kCorr, i), other, 0.74260304881678185, 1e-13);
        near(cell(rows, kR2, i), other, 0.55145928811197975, 1e-13);
        near(cell(rows, kStdDevDiff, i), other, 0.00067877016818701074, 1e-13);
    }
}

TEST_F(FarFromZeroTest, MatrixCorrelatesWeightsThatSumToOne) {
    // Four records of weight 0.25: the correlation does not depend on the
    // weights' scale, so it is that of the four points (r^2 = 0.28); the
    // covariance divides by a weight sum less 1 of 0 and stays Null.
    makeTable("Far", {"X", "Y", "W"}, {{1, 2, 0.25}, {2, 1, 0.25}, {4, 3, 0.25}, {3, 5, 0.25}});
    ASSERT_TRUE(run(matrix(true))) << engine.ErrorInfo();
    const auto rows = tableRows("Out1", "rowid");
    ASSERT_EQ(rows.size(), 18u);
    near(cell(rows, kCorr, 0), "Y", 0.52915026221291817, 1e-15);
    near(cell(rows, kR2, 0), "Y", 0.28, 1e-15);
    near(cell(rows, kCorr, 1), "X", 0.52915026221291817, 1e-15);
    EXPECT_TRUE(isNull(cell(rows, kCov, 0), "Y"));
}

TEST_F(FarFromZeroTest, MatrixAtTheEdgesOfTheDoubleRange) {
    // Overflow: X = 1e200, 2e200, 3e200 has a variance of 1e400 (Null), yet
    // a covariance with Y = 1, 2, 4 of 1.5e200 and a correlation. Last bit:
    // X = 1, 1+2^-52, ... has a variance of 2^-104 / 3.
    struct Case {
        const char* name;
        std::vector<std::vector<double>> rows;
        double varX, cov, r;
    };
    const Case cases[] = {
        {"overflow",
         {{1e200, 1, 1}, {2e200, 2, 1}, {3e200, 4, 1}},
         NAN,
         1.5e200,
         0.98198050606196574},
        {"last bit",
         {{1, 1, 1}, {1 + kE, 2, 1}, {1, 3, 1}, {1 + kE, 4, 1}},
         1.6434602192104412e-32,
         7.4014868308343765e-17,
         0.44721359549995793},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string input = c.rows.size() == 3 ? "Huge" : "LastBit";
        makeTable(input, {"X", "Y", "W"}, c.rows);
        ASSERT_TRUE(run(matrix(false, input))) << engine.ErrorInfo();
        const auto rows = tableRows("Out1", "rowid");
        ASSERT_EQ(rows.size(), 18u);
        if (std::isnan(c.varX))
            EXPECT_TRUE(isNull(cell(rows, kCov, 0), "X"));
        else
            near(cell(rows, kCov, 0), "X", c.varX, 1e-15);
        near(cell(rows, kCov, 0), "Y", c.cov, 1e-15);
        near(cell(rows, kCorr, 0), "Y", c.r, 1e-15);
    }
}

TEST_F(FarFromZeroTest, RegressionsFitTheSameDataAtOneBillion) {
    // X1 = 1e9 + zx, X2 = 1e9 + zy (unit spread): exact least squares.
    std::vector<std::vector<double>> rows;
    for (std::size_t i = 0; i < kY.size(); ++i) rows.push_back({1e9 + kZx[i], 1e9 + kZy[i], kY[i]});
    makeTable("Far", {"X1", "X2", "Y"}, rows);
    ASSERT_TRUE(run(regression("S", {{"X1", "X"}, {"Y", "Y"}}, {}, "", "Far")))
        << engine.ErrorInfo();
    auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    near(out[0], "Y-Intercept", -1886823584.317724, 1e-12);
    near(out[0], "Coef_of_X", 1.8868235867100167, 1e-12);

    ASSERT_TRUE(run(regression("M", {{"X1", "X"}, {"X2", "X"}, {"Y", "Y"}}, {}, "", "Far")))
        << engine.ErrorInfo();
    out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    near(out[0], "Y-Intercept", -2241842465.9263225, 1e-12);
    near(out[0], "Coef_of_X1: X1", 1.2678491018174669, 1e-12);
    near(out[0], "Coef_of_X2: X2", 0.9739933665030226, 1e-12);

    ASSERT_TRUE(run(regression("P", {{"X1", "X"}, {"Y", "Y"}}, {}, "", "Far")))
        << engine.ErrorInfo();
    out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    near(out[0], "Y-Intercept", 2.0989222053186285e+17, 1e-9);
    near(out[0], "Coef_of_X^1", -419784442.93844384, 1e-9);
    near(out[0], "Coef_of_X^2", 0.20989222240658101, 1e-9);
}

TEST_F(FarFromZeroTest, SimpleRegressionOnValuesThatDifferInTheLastBit) {
    // X = 1, 1+2^-52, 1, 1+2^-52 against Y = 1..4: b = 2^52, a = 2 - 2^52.
    makeTable("Far", {"X", "Y"}, {{1, 1}, {1 + kE, 2}, {1, 3}, {1 + kE, 4}});
    ASSERT_TRUE(run(regression("S", {{"X", "X"}, {"Y", "Y"}}, {}, "", "Far")))
        << engine.ErrorInfo();
    const auto out = tableRows("Out1");
    ASSERT_EQ(out.size(), 1u);
    near(out[0], "Coef_of_X", 4503599627370496.0, 1e-15);
    near(out[0], "Y-Intercept", -4503599627370494.0, 1e-15);
}

}  // namespace
}  // namespace qrv::test
