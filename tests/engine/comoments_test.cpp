// Tests of the pair co-moment accumulator: centred quantities against values
// worked by hand, the exactness of weights and merges, and the straight line
// it hands to the least-squares kernel, checked on the Norris reference data
// (certified values; the input ceiling, 13.9 to 14.4 digits, was computed in
// exact arithmetic by tests/numeric/reference/strd_ceiling.py).
#include "engine/comoments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "support/strd.h"

namespace qrv {
namespace {

using num::Extended;

double D(const Extended& e) {
    return e.toDouble();
}

TEST(CoMoments, ProportionalPairsByHand) {
    // (1,2), (2,4), (3,6): means 2 and 4; Sxx = 2, Syy = 8, Sxy = 4; sample
    // variances 1 and 4, covariance 2, correlation 1.
    CoMoments m;
    m.add(1, 2);
    m.add(2, 4);
    m.add(3, 6);
    EXPECT_EQ(m.valid(), 3);
    EXPECT_EQ(D(m.n()), 3.0);
    EXPECT_EQ(D(m.meanX()), 2.0);
    EXPECT_EQ(D(m.meanY()), 4.0);
    EXPECT_EQ(D(m.Sxx()), 2.0);
    EXPECT_EQ(D(m.Syy()), 8.0);
    EXPECT_EQ(D(m.Sxy()), 4.0);
    EXPECT_EQ(D(*m.varianceX()), 1.0);
    EXPECT_EQ(D(*m.varianceY()), 4.0);
    EXPECT_EQ(D(*m.covariance()), 2.0);
    EXPECT_EQ(D(*m.correlation()), 1.0);
}

TEST(CoMoments, PartialCorrelationByHand) {
    // (1,1), (2,3), (3,2): Sxx = 2, Syy = 2, Sxy = 1, so r = 1/2, cov = 1/2.
    CoMoments m;
    m.add(1, 1);
    m.add(2, 3);
    m.add(3, 2);
    EXPECT_LT(std::fabs(D(*m.correlation() - 0.5)), 1e-31);
    EXPECT_EQ(D(*m.covariance()), 0.5);
    // Negated y: r = -1/2.
    CoMoments neg;
    neg.add(1, -1);
    neg.add(2, -3);
    neg.add(3, -2);
    EXPECT_LT(std::fabs(D(*neg.correlation() + 0.5)), 1e-31);
}

TEST(CoMoments, PreconditionsLeaveResultsAbsent) {
    CoMoments one;
    one.add(4, 5);
    EXPECT_FALSE(one.varianceX().has_value());
    EXPECT_FALSE(one.covariance().has_value());
    EXPECT_FALSE(one.correlation().has_value());
    EXPECT_EQ(D(one.meanX()), 4.0);
    // Constant x: covariance 0, but no correlation.
    CoMoments flat;
    flat.add(2, 1);
    flat.add(2, 5);
    flat.add(2, 9);
    EXPECT_EQ(D(*flat.covariance()), 0.0);
    EXPECT_FALSE(flat.correlation().has_value());
    // Constant values that are not short binary fractions: the sums carry
    // rounding, yet the centred sums must come out as exactly 0.
    for (double c : {0.1, 1e10 + 0.3, -7.7e-5}) {
        CoMoments k;
        k.add(c, 1, 0.3);
        k.add(c, 2, 1.7);
        k.add(c, 4);
        EXPECT_EQ(D(k.Sxx()), 0.0) << c;
        EXPECT_EQ(D(k.Sxy()), 0.0) << c;
        EXPECT_FALSE(k.correlation().has_value()) << c;
    }
    // Fractional weights summing to at most 1 give no sample variance.
    CoMoments light;
    light.add(1, 2, 0.5);
    light.add(3, 1, 0.5);
    EXPECT_FALSE(light.varianceX().has_value());
    EXPECT_EQ(D(light.meanX()), 2.0);
}

TEST(CoMoments, WeightsAndMergedHalvesEqualOnePassBitForBit) {
    // Values exactly representable (dyadic fractions), so every sum is exact
    // and the results must be identical, not merely close.
    const double xs[] = {0.5, 1.25, -3.75, 2.0, 8.125, -0.5};
    const double ys[] = {3.0, -1.5, 4.25, 0.75, 2.5, 6.0};
    CoMoments one, first, second, weighted, repeated;
    for (int i = 0; i < 6; ++i) {
        one.add(xs[i], ys[i]);
        (i < 2 ? first : second).add(xs[i], ys[i]);
        weighted.add(xs[i], ys[i], i == 3 ? 4.0 : 1.0);
        for (int k = 0; k < (i == 3 ? 4 : 1); ++k) repeated.add(xs[i], ys[i]);
    }
    first.merge(second);
    for (const auto& [a, b] : {std::pair{&one, &first}, std::pair{&repeated, &weighted}}) {
        EXPECT_EQ(a->n(), b->n());
        EXPECT_EQ(a->sumX(), b->sumX());
        EXPECT_EQ(a->sumY(), b->sumY());
        EXPECT_EQ(a->sumXX(), b->sumXX());
        EXPECT_EQ(a->sumYY(), b->sumYY());
        EXPECT_EQ(a->sumXY(), b->sumXY());
        EXPECT_EQ(*a->correlation(), *b->correlation());
    }
    EXPECT_EQ(first.valid(), 6);
    EXPECT_EQ(weighted.valid(), 6);
    EXPECT_EQ(repeated.valid(), 9);
    EXPECT_EQ(D(weighted.n()), 9.0);
}

TEST(CoMoments, StraightLineOfTheNorrisData) {
    const test::StrdSet set = test::readStrd(std::string(QRV_TEST_DATA_DIR) + "/strd/Norris.txt");
    ASSERT_EQ(set.rows.size(), 36u);
    CoMoments m;
    for (const auto& r : set.rows) m.add(r[1], r[0]);  // columns y x
    const num::RegressionFit fit = num::fitLeastSquares(m.normalEquations(), true);
    ASSERT_EQ(fit.status, num::FitStatus::Ok);
    auto digits = [&](const Extended& got, const char* key) {
        const double cert = set.certified.at(key);
        return -std::log10(std::fabs((got.toDouble() - cert) / cert));
    };
    EXPECT_GE(digits(fit.a, "b0"), 13.1);
    EXPECT_GE(digits(fit.b[0], "b1"), 13.4);
    EXPECT_GE(digits(fit.seA, "b0_sd"), 12.9);
    EXPECT_GE(digits(fit.se[0], "b1_sd"), 13.0);
    EXPECT_GE(digits(fit.residSd, "resid_sd"), 13.0);
    // The same data as a correlation: r^2 is the certified R-square.
    EXPECT_GE(digits(*m.correlation() * *m.correlation(), "r2"), 14.0);
}

}  // namespace
}  // namespace qrv
