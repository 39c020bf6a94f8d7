// Tests of the least-squares kernel on small cases worked by hand or in exact
// rational arithmetic (python3 fractions; square roots with mpmath at 40
// digits, quoted to 20). Estimates and sums of squares are checked to about
// 28 digits against the exact fractions, so a solve that fell back to double
// precision would fail them.
#include "numeric/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/cross_products.h"

namespace qrv::num {
namespace {

// |got - num/den| relative to num/den.
double RelErr(const Extended& got, double num, double den = 1.0) {
    const Extended want = Extended(num) / den;
    return std::fabs(((got - want) / want).toDouble());
}

struct Row {
    std::vector<double> x;
    double y, w = 1.0;
};

RegressionFit Fit(const std::vector<Row>& rows, bool intercept) {
    CrossProducts s(static_cast<int>(rows.at(0).x.size()));
    for (const auto& r : rows) s.add(r.x, r.y, r.w);
    return fitLeastSquares(s.system(intercept), intercept);
}

TEST(LeastSquaresLine, ThreePointsByHand) {
    // (0,1), (1,3), (2,4): xbar 1, ybar 8/3, Sxx 2, Sxy 3, SSy 14/3, so
    // b = 3/2, a = 7/6, SSE = 14/3 - 9/2 = 1/6 on 1 df, SE(b) = sqrt(1/12),
    // SE(a) = sqrt(1/6 (1/3 + 1/2)) = sqrt(5)/6, F = 4.5 / (1/6) = 27,
    // R-square = 4.5 / (14/3) = 27/28.
    const RegressionFit f = Fit({{{0}, 1}, {{1}, 3}, {{2}, 4}}, true);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.b[0], 3, 2), 1e-29);
    EXPECT_LT(RelErr(f.a, 7, 6), 1e-29);
    EXPECT_LT(RelErr(f.ssResid, 1, 6), 1e-28);
    EXPECT_LT(RelErr(f.ssTotal, 14, 3), 1e-29);
    EXPECT_LT(RelErr(f.ssModel, 9, 2), 1e-29);
    EXPECT_LT(RelErr(f.se[0] * f.se[0], 1, 12), 1e-28);
    EXPECT_LT(RelErr(f.seA * f.seA, 5, 36), 1e-28);
    EXPECT_LT(RelErr(f.residSd * f.residSd, 1, 6), 1e-28);
    ASSERT_TRUE(f.f.has_value());
    EXPECT_LT(RelErr(*f.f, 27), 1e-28);
    EXPECT_LT(RelErr(f.r2, 27, 28), 1e-29);
    EXPECT_EQ(f.modelDf.toDouble(), 1.0);
    EXPECT_EQ(f.residDf.toDouble(), 1.0);
    EXPECT_LT(RelErr(f.msModel, 9, 2), 1e-29);
    // Beta = b sqrt(Sxx / SSy) = 1.5 sqrt(3/7); for one term its square is
    // R-square, 27/28.
    ASSERT_TRUE(f.beta.at(0).has_value());
    EXPECT_LT(RelErr(*f.beta[0] * *f.beta[0], 27, 28), 1e-29);
    EXPECT_GT(f.beta[0]->toDouble(), 0.0);
}

TEST(LeastSquaresLine, ThroughTheOrigin) {
    // (1,2), (2,3), (3,7) without intercept: Sxx 14, Sxy 29, b = 29/14,
    // SSE = 62 - 29^2/14 = 27/14 on 2 df, SST = sum y^2 = 62, so R-square =
    // 841/868, F = (841/14) / (27/28) = 1682/27, SE(b) = sqrt(27/28/14).
    const RegressionFit f = Fit({{{1}, 2}, {{2}, 3}, {{3}, 7}}, false);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.b[0], 29, 14), 1e-29);
    EXPECT_LT(RelErr(f.ssResid, 27, 14), 1e-28);
    EXPECT_LT(RelErr(f.ssTotal, 62), 1e-29);
    EXPECT_LT(RelErr(f.r2, 841, 868), 1e-29);
    EXPECT_LT(RelErr(*f.f, 1682, 27), 1e-28);
    EXPECT_LT(RelErr(f.se[0] * f.se[0], 27, 28 * 14), 1e-28);
    EXPECT_EQ(f.residDf.toDouble(), 2.0);
    // Without intercept beta uses the raw sums: (29/14)^2 * 14 / 62 = 841/868.
    EXPECT_LT(RelErr(*f.beta.at(0) * *f.beta.at(0), 841, 868), 1e-29);
}

TEST(LeastSquaresLine, TwoPointsNeedNoInterceptForAResidualDf) {
    // With intercept df = 2 - 2 = 0: nothing is fitted.
    EXPECT_EQ(Fit({{{1}, 2}, {{2}, 3}}, true).status, FitStatus::NoResidualDf);
    // Without, df = 1 and b = Sxy/Sxx = 8/5.
    const RegressionFit f = Fit({{{1}, 2}, {{2}, 3}}, false);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.b[0], 8, 5), 1e-29);
    EXPECT_EQ(f.residDf.toDouble(), 1.0);
}

TEST(LeastSquaresLine, PerfectFitHasZeroResidualAndNoF) {
    // y = 2x + 1 exactly.
    std::vector<Row> rows;
    for (int x = 1; x <= 5; ++x) rows.push_back({{double(x)}, 2.0 * x + 1});
    const RegressionFit f = Fit(rows, true);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_EQ(f.ssResid.toDouble(), 0.0);
    EXPECT_FALSE(f.f.has_value());
    EXPECT_EQ(f.r2.toDouble(), 1.0);
    EXPECT_EQ(f.residSd.toDouble(), 0.0);
    EXPECT_EQ(f.se[0].toDouble(), 0.0);
    EXPECT_EQ(f.seA.toDouble(), 0.0);
    EXPECT_LT(RelErr(f.b[0], 2), 1e-30);
    EXPECT_LT(RelErr(f.a, 1), 1e-30);
    // y = 0.1 x + 0.3 in doubles is off the line by rounding only (residuals
    // near 1e-17, SSE near 1e-33 of a total of 0.1): below what the sums
    // resolve, so it is reported as the exact fit it was meant to be.
    rows.clear();
    for (int x = 1; x <= 5; ++x) rows.push_back({{double(x)}, 0.1 * x + 0.3});
    const RegressionFit g = Fit(rows, true);
    ASSERT_EQ(g.status, FitStatus::Ok);
    EXPECT_EQ(g.ssResid.toDouble(), 0.0);
    EXPECT_FALSE(g.f.has_value());
}

TEST(LeastSquaresLine, NoSpreadInXOrY) {
    EXPECT_EQ(Fit({{{2}, 1}, {{2}, 3}, {{2}, 4}}, true).status, FitStatus::NoSpread);
    EXPECT_EQ(Fit({{{1}, 5}, {{2}, 5}, {{3}, 5}}, true).status, FitStatus::NoSpread);
    // Constant x that is no short binary fraction, and large.
    EXPECT_EQ(Fit({{{0.1}, 1}, {{0.1}, 3}, {{0.1}, 4}}, true).status, FitStatus::NoSpread);
    EXPECT_EQ(Fit({{{1e10 + 0.3}, 1, 0.7}, {{1e10 + 0.3}, 3, 1.9}, {{1e10 + 0.3}, 4}}, true).status,
              FitStatus::NoSpread);
    // The test is on the centred spread even without an intercept.
    EXPECT_EQ(Fit({{{2}, 1}, {{2}, 3}, {{2}, 4}}, false).status, FitStatus::NoSpread);
}

TEST(LeastSquaresMultiple, TwoTermsAgainstExactFractions) {
    // x1 = 1..6, x2 = 2,1,4,3,6,5, y = 3,4,8,9,13,12.5: exact solution
    // a = 5/32, b1 = 45/32, b2 = 29/32; SSE = 15/16 on 3 df; F = 137.5;
    // SE(a) = 0.53976026700131729253, SE(b1) = SE(b2) = 0.23867581744561666701.
    const RegressionFit f = Fit(
        {{{1, 2}, 3}, {{2, 1}, 4}, {{3, 4}, 8}, {{4, 3}, 9}, {{5, 6}, 13}, {{6, 5}, 12.5}}, true);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.a, 5, 32), 1e-28);
    EXPECT_LT(RelErr(f.b[0], 45, 32), 1e-29);
    EXPECT_LT(RelErr(f.b[1], 29, 32), 1e-29);
    EXPECT_LT(RelErr(f.ssResid, 15, 16), 1e-28);
    EXPECT_LT(RelErr(*f.f, 137.5), 1e-28);
    EXPECT_NEAR(f.seA.toDouble(), 0.53976026700131729253, 1e-15);
    EXPECT_NEAR(f.se[0].toDouble(), 0.23867581744561666701, 1e-15);
    EXPECT_NEAR(f.se[1].toDouble(), 0.23867581744561666701, 1e-15);
    EXPECT_EQ(f.modelDf.toDouble(), 2.0);
    EXPECT_EQ(f.residDf.toDouble(), 3.0);
}

TEST(LeastSquaresMultiple, CopiedOrProportionalColumnsAreSingular) {
    std::vector<Row> copy, twice;
    for (int i = 1; i <= 6; ++i) {
        copy.push_back({{double(i), double(i)}, double(i * i % 7)});
        twice.push_back({{double(i), 2.0 * i}, double(i * i % 7)});
    }
    EXPECT_EQ(Fit(copy, true).status, FitStatus::Singular);
    EXPECT_EQ(Fit(twice, true).status, FitStatus::Singular);
    EXPECT_EQ(Fit(twice, false).status, FitStatus::Singular);
}

TEST(LeastSquaresSums, WeightsEqualRepeatedRowsAndHalvesMergeExactly) {
    // Weights 2 and 3 on two of the rows equal those rows written 2 and 3
    // times; with small integers every sum is exact, so bit for bit.
    const std::vector<Row> weighted = {
        {{1, 2}, 3, 2}, {{2, 1}, 4}, {{3, 4}, 8, 3}, {{4, 3}, 9}, {{5, 6}, 13}};
    std::vector<Row> repeated;
    for (const auto& r : weighted) {
        for (int k = 0; k < static_cast<int>(r.w); ++k) repeated.push_back({r.x, r.y});
    }
    CrossProducts w(2), rep(2), first(2), second(2);
    for (const auto& r : weighted) w.add(r.x, r.y, r.w);
    for (std::size_t i = 0; i < repeated.size(); ++i) {
        rep.add(repeated[i].x, repeated[i].y);
        (i < 3 ? first : second).add(repeated[i].x, repeated[i].y);
    }
    first.merge(second);
    EXPECT_EQ(w.valid(), 5);
    EXPECT_EQ(rep.valid(), 8);
    EXPECT_EQ(first.valid(), 8);
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_EQ(w.sum(i, j), rep.sum(i, j)) << i << "," << j;
            EXPECT_EQ(first.sum(i, j), rep.sum(i, j)) << i << "," << j;
        }
    }
    EXPECT_EQ(w.n().toDouble(), 8.0);
    const RegressionFit a = fitLeastSquares(w.system(true), true);
    const RegressionFit b = fitLeastSquares(rep.system(true), true);
    ASSERT_EQ(a.status, FitStatus::Ok);
    EXPECT_EQ(a.residDf.toDouble(), 5.0);  // weight-based: 8 - 3
    for (int j = 0; j < 2; ++j) {
        EXPECT_EQ(a.b[static_cast<std::size_t>(j)], b.b[static_cast<std::size_t>(j)]);
        EXPECT_EQ(a.se[static_cast<std::size_t>(j)], b.se[static_cast<std::size_t>(j)]);
    }
}

TEST(LeastSquaresGuards, InconsistentSumsGiveANegativeResidual) {
    // Sums of three rows whose sum of y^2 was understated (22 for 26): the fit
    // explains 4.5 of a centred total of 2/3, which no data can produce.
    NormalEquations eq(1);
    eq.at(0, 0) = 5.0;
    eq.at(0, 1) = eq.at(1, 0) = 3.0;
    eq.at(1, 1) = 3.0;
    eq.xy = {Extended(11.0), Extended(8.0)};
    eq.yy = 22.0;
    EXPECT_EQ(fitLeastSquares(eq, true).status, FitStatus::NegativeResidual);
}

}  // namespace
}  // namespace qrv::num
