// Tests of the polynomial fit from power sums. Reference values are exact
// fractions (python3 fractions on the same data; square roots with mpmath at
// 40 digits, quoted to 20), or identities worked by hand.
#include "numeric/polynomial.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/cross_products.h"

namespace qrv::num {
namespace {

double RelErr(const Extended& got, double num, double den = 1.0) {
    const Extended want = Extended(num) / den;
    return std::fabs(((got - want) / want).toDouble());
}

PowerSums Sums(int degree, const std::vector<double>& x, const std::vector<double>& y) {
    PowerSums s(degree);
    for (std::size_t i = 0; i < x.size(); ++i) s.add(x[i], y[i]);
    return s;
}

TEST(PowerSumsShift, BinomialMoveByHand) {
    // t = 1, 2: sums of t^m are 2, 3, 5. Moved by 1: (t+1) = 2, 3 gives 2, 5,
    // 13; then halved: 1, 1.5 gives 2, 2.5, 3.25.
    const std::vector<Extended> s = {2.0, 3.0, 5.0};
    const auto moved = shiftedPowerSums(s, 1.0, 1.0);
    EXPECT_EQ(moved[0].toDouble(), 2.0);
    EXPECT_EQ(moved[1].toDouble(), 5.0);
    EXPECT_EQ(moved[2].toDouble(), 13.0);
    const auto scaled = shiftedPowerSums(s, 1.0, 0.5);
    EXPECT_EQ(scaled[1].toDouble(), 2.5);
    EXPECT_EQ(scaled[2].toDouble(), 3.25);
}

TEST(PolynomialFit, QuadraticAgainstExactFractions) {
    // x = 0..4, y = 1, 2, 5, 11, 16: a = 27/35, b1 = 53/70, b2 = 11/14,
    // SSE = 44/35 on 2 df, F = 2813/22, SE = 0.74614656326860543974,
    // 0.883869045614743976, 0.21189138534559036996.
    const RegressionFit f = Sums(2, {0, 1, 2, 3, 4}, {1, 2, 5, 11, 16}).fit(true);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.a, 27, 35), 1e-28);
    EXPECT_LT(RelErr(f.b[0], 53, 70), 1e-28);
    EXPECT_LT(RelErr(f.b[1], 11, 14), 1e-28);
    EXPECT_LT(RelErr(f.ssResid, 44, 35), 1e-27);
    EXPECT_LT(RelErr(*f.f, 2813, 22), 1e-27);
    EXPECT_NEAR(f.seA.toDouble(), 0.74614656326860543974, 1e-15);
    EXPECT_NEAR(f.se[0].toDouble(), 0.883869045614743976, 1e-15);
    EXPECT_NEAR(f.se[1].toDouble(), 0.21189138534559036996, 1e-15);
    EXPECT_EQ(f.modelDf.toDouble(), 2.0);
    // Beta of x^j = bj sqrt(spread of x^j / SSy): x has spread 10, x^2 (0, 1,
    // 4, 9, 16, mean 6) has 174, y has 162.
    EXPECT_LT(RelErr(*f.beta.at(0) * *f.beta.at(0), 53.0 * 53 * 10, 70.0 * 70 * 162), 1e-28);
    EXPECT_LT(RelErr(*f.beta.at(1) * *f.beta.at(1), 121.0 * 174, 196.0 * 162), 1e-28);
}

TEST(PolynomialFit, FarFromTheOriginKeepsItsDigits) {
    // The same y on x = 2^20 + 0..4: the fit is the same curve, so SSE and F
    // are unchanged, while a = 30236541976603/35 and b1 = -115343307/70 come
    // from a cancellation of 12 digits; raw power sums in double lose all of
    // them. SE(a) = 232977930750.49896727, SE(b1) = 444369.29012588764416.
    const double c = std::ldexp(1.0, 20);
    const RegressionFit f = Sums(2, {c, c + 1, c + 2, c + 3, c + 4}, {1, 2, 5, 11, 16}).fit(true);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.a, 30236541976603.0, 35), 1e-24);
    EXPECT_LT(RelErr(f.b[0], -115343307.0, 70), 1e-24);
    EXPECT_LT(RelErr(f.b[1], 11, 14), 1e-26);
    EXPECT_LT(RelErr(f.ssResid, 44, 35), 1e-26);
    EXPECT_NEAR(f.seA.toDouble() / 232977930750.49896727, 1.0, 1e-15);
    EXPECT_NEAR(f.se[0].toDouble() / 444369.29012588764416, 1.0, 1e-15);
    EXPECT_NEAR(f.se[1].toDouble(), 0.21189138534559036996, 1e-15);
}

TEST(PolynomialFit, ThroughTheOrigin) {
    // y = b1 x + b2 x^2 on x = 1..4, y = 2, 3, 7, 9: b1 = 91/62, b2 = 13/62,
    // SSE = 39/31 on 2 df, F = 338/3, SE = 0.59929719504739494333,
    // 0.17446215849019303031.
    const RegressionFit f = Sums(2, {1, 2, 3, 4}, {2, 3, 7, 9}).fit(false);
    ASSERT_EQ(f.status, FitStatus::Ok);
    EXPECT_LT(RelErr(f.b[0], 91, 62), 1e-28);
    EXPECT_LT(RelErr(f.b[1], 13, 62), 1e-28);
    EXPECT_LT(RelErr(f.ssResid, 39, 31), 1e-27);
    EXPECT_LT(RelErr(*f.f, 338, 3), 1e-27);
    EXPECT_LT(RelErr(f.ssTotal, 143), 1e-29);  // sum of y^2
    EXPECT_NEAR(f.se[0].toDouble(), 0.59929719504739494333, 1e-15);
    EXPECT_NEAR(f.se[1].toDouble(), 0.17446215849019303031, 1e-15);
    EXPECT_EQ(f.residDf.toDouble(), 2.0);
    // Beta from raw sums: x^2 sums to 30, x^4 to 354, y^2 to 143.
    EXPECT_LT(RelErr(*f.beta.at(0) * *f.beta.at(0), 91.0 * 91 * 30, 62.0 * 62 * 143), 1e-28);
    EXPECT_LT(RelErr(*f.beta.at(1) * *f.beta.at(1), 13.0 * 13 * 354, 62.0 * 62 * 143), 1e-28);
}

TEST(PolynomialFit, OrderOneIsTheStraightLine) {
    const std::vector<double> x = {3.5, -1.25, 7, 2, 10.5, 4}, y = {2, 9, -3.5, 1, 6, 0.25};
    const RegressionFit p = Sums(1, x, y).fit(true);
    CrossProducts line(1);
    for (std::size_t i = 0; i < x.size(); ++i) line.add(std::vector<double>{x[i]}, y[i]);
    const RegressionFit l = fitLeastSquares(line.system(true), true);
    ASSERT_EQ(p.status, FitStatus::Ok);
    ASSERT_EQ(l.status, FitStatus::Ok);
    EXPECT_LT(std::fabs(((p.b[0] - l.b[0]) / l.b[0]).toDouble()), 1e-28);
    EXPECT_LT(std::fabs(((p.a - l.a) / l.a).toDouble()), 1e-28);
    EXPECT_LT(std::fabs(((p.se[0] - l.se[0]) / l.se[0]).toDouble()), 1e-28);
    EXPECT_LT(std::fabs(((p.seA - l.seA) / l.seA).toDouble()), 1e-28);
    EXPECT_LT(std::fabs(((p.ssResid - l.ssResid) / l.ssResid).toDouble()), 1e-27);
}

TEST(PolynomialFit, TooFewPointsOrDistinctValues) {
    // Order 2 with intercept needs more than 3 units of weight.
    EXPECT_EQ(Sums(2, {1, 2, 3}, {1, 4, 8}).fit(true).status, FitStatus::NoResidualDf);
    // Two distinct x cannot carry a square: the powers are collinear.
    EXPECT_EQ(Sums(2, {1, 3, 1, 3, 1}, {1, 2, 2, 5, 0}).fit(true).status, FitStatus::Singular);
    // No spread in x, or in y.
    EXPECT_EQ(Sums(2, {2, 2, 2, 2, 2}, {1, 2, 3, 4, 5}).fit(true).status, FitStatus::NoSpread);
    EXPECT_EQ(Sums(2, {1, 2, 3, 4, 5}, {7, 7, 7, 7, 7}).fit(true).status, FitStatus::NoSpread);
    // Nothing added.
    EXPECT_EQ(PowerSums(2).fit(true).status, FitStatus::NoResidualDf);
    // x spread over 1e40: the 20th powers overflow, which is reported as such.
    std::vector<double> wide, ys;
    for (int i = 0; i < 12; ++i) {
        wide.push_back(i * 1e40);
        ys.push_back(i % 3);
    }
    EXPECT_EQ(Sums(10, wide, ys).fit(true).status, FitStatus::NotFinite);
}

TEST(PolynomialSums, WeightsAndMergedHalvesEqualOnePass) {
    // Integer data: every power sum and every change of shift is exact, so the
    // fits agree bit for bit. The halves start at different x (different
    // provisional shifts), which the merge must reconcile.
    const std::vector<double> x = {5, -2, 7, 1, 3, 0, 4}, y = {1, 8, -3, 2, 6, 4, 0};
    const PowerSums one = Sums(3, x, y);
    PowerSums first(3), second(3), weighted(3);
    for (std::size_t i = 0; i < x.size(); ++i) (i < 3 ? first : second).add(x[i], y[i]);
    first.merge(second);
    // Row 0 twice and row 4 three times, as weights.
    PowerSums repeated = Sums(3, x, y);
    repeated.add(x[0], y[0]);
    repeated.add(x[4], y[4]);
    repeated.add(x[4], y[4]);
    for (std::size_t i = 0; i < x.size(); ++i)
        weighted.add(x[i], y[i], i == 0 ? 2 : i == 4 ? 3 : 1);
    EXPECT_EQ(first.valid(), 7);
    EXPECT_EQ(first.min(), -2.0);
    EXPECT_EQ(first.max(), 7.0);
    for (bool intercept : {true, false}) {
        const RegressionFit a = one.fit(intercept), b = first.fit(intercept);
        const RegressionFit c = repeated.fit(intercept), d = weighted.fit(intercept);
        ASSERT_EQ(a.status, FitStatus::Ok);
        ASSERT_EQ(c.status, FitStatus::Ok);
        for (std::size_t j = 0; j < 3; ++j) {
            EXPECT_EQ(a.b[j], b.b[j]) << j;
            EXPECT_EQ(a.se[j], b.se[j]) << j;
            EXPECT_EQ(c.b[j], d.b[j]) << j;
            EXPECT_EQ(c.se[j], d.se[j]) << j;
        }
        EXPECT_EQ(a.a, b.a);
        EXPECT_EQ(c.a, d.a);
        EXPECT_EQ(d.n.toDouble(), 10.0);
    }
}

}  // namespace
}  // namespace qrv::num
