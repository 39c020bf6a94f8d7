// Tests of the pair co-moment accumulator: centred quantities against values
// worked by hand and against exact arithmetic at offsets 1 to 1e12
// (tests/numeric/reference/comoments_reference.py), overflow and last-bit
// data, the exactness of weights and merges, and the straight line it hands
// to the least-squares kernel, checked on the Norris reference data
// (certified values; the input ceiling, 13.9 to 14.4 digits, was computed in
// exact arithmetic by tests/numeric/reference/strd_ceiling.py) and at 1e9.
#include "numeric/comoments.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "numeric/cross_products.h"
#include "support/offset_draws.h"
#include "support/strd.h"

namespace qrv::num {
namespace {

using test::kZx;
using test::kZy;

double D(const Extended& e) {
    return e.toDouble();
}
double D(const std::optional<Extended>& e) {
    return e ? e->toDouble() : std::nan("");
}

// The reference script's data: x = offset + zx 2^-10, y = 2 offset + zy 2^-10.
constexpr std::array<double, 12> kW = {1.0, 0.5, 2.25, 1.0, 3.0, 0.75,
                                       1.5, 1.0, 0.25, 2.0, 1.0, 1.25};

struct OffsetCase {
    bool weighted;
    double offset;
    double meanX, meanY, varX, varY, cov, r, r2, a, b;
};

const OffsetCase kOffsets[] = {
#include "comoments_offsets.inc"
};

CoMoments offsetData(const OffsetCase& c, std::size_t from = 0, std::size_t to = kZx.size()) {
    CoMoments m;
    for (std::size_t i = from; i < to; ++i) {
        m.add(c.offset + kZx[i] * 0x1p-10, 2 * c.offset + kZy[i] * 0x1p-10,
              c.weighted ? kW[i] : 1.0);
    }
    return m;
}

class CoMomentsAtOffset : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(CoMomentsAtOffset, EveryStatisticMatchesExactArithmetic) {
    const OffsetCase& c = GetParam();
    const CoMoments m = offsetData(c);
    EXPECT_REL(D(m.meanX()), c.meanX, 2e-16);
    EXPECT_REL(D(m.meanY()), c.meanY, 2e-16);
    EXPECT_REL(D(m.varianceX()), c.varX, 1e-15);
    EXPECT_REL(D(m.varianceY()), c.varY, 1e-15);
    EXPECT_REL(D(m.covariance()), c.cov, 1e-15);
    EXPECT_REL(D(m.correlation()), c.r, 1e-15);
    EXPECT_REL(D(m.rSquare()), c.r2, 1e-15);
    const RegressionFit fit = fitLeastSquares(m.lineSystem(true), true);
    ASSERT_EQ(fit.status, FitStatus::Ok);
    EXPECT_REL(D(fit.b[0]), c.b, 1e-14);
    EXPECT_REL(D(fit.a), c.a, 1e-14);
}

TEST_P(CoMomentsAtOffset, MergedPartsEqualOnePass) {
    const OffsetCase& c = GetParam();
    const CoMoments one = offsetData(c);
    for (std::size_t cut : {1u, 5u, 11u}) {
        CoMoments first = offsetData(c, 0, cut);
        first.merge(offsetData(c, cut));
        EXPECT_EQ(first.valid(), one.valid());
        EXPECT_EQ(first.n(), one.n());
        EXPECT_REL(D(first.meanX()), D(one.meanX()), 1e-30);
        EXPECT_NEAR(D(*first.Sxx() - *one.Sxx()), 0.0, D(*one.Sxx()) * 1e-25) << cut;
        EXPECT_NEAR(D(*first.Syy() - *one.Syy()), 0.0, D(*one.Syy()) * 1e-25) << cut;
        EXPECT_NEAR(D(*first.Sxy() - *one.Sxy()), 0.0, std::fabs(D(*one.Sxy())) * 1e-25) << cut;
    }
}

INSTANTIATE_TEST_SUITE_P(Offsets, CoMomentsAtOffset, ::testing::ValuesIn(kOffsets));

// Data at the edges of the double range, one row per statistic; NaN expects
// Null (x = 1e200.. has a variance of 1e400, which a double cannot hold).
struct EdgeCase {
    const char* name;
    std::vector<double> x, y, w;
    double meanX, varX, cov, r, r2;
};

const double kE = 0x1p-52;
const EdgeCase kEdges[] = {
    {"overflow",
     {1e200, 2e200, 3e200},
     {1, 2, 4},
     {1, 1, 1},
     1.9999999999999999e+200,
     NAN,
     1.5e200,
     0.98198050606196574,
     0.9642857142857143},
    {"last bit",
     {1, 1 + kE, 1, 1 + kE},
     {1, 2, 3, 4},
     {1, 1, 1, 1},
     1,
     1.6434602192104412e-32,
     7.4014868308343765e-17,
     0.44721359549995793,
     0.2},
    {"mixed scales",
     {0.001, 0.3, 7.25, 1000.1, 3e-5},
     {5.5, -0.07, 1e-3, 12.75, 2.2},
     {1, 1, 1, 1, 1},
     201.53020599999999,
     199295.1357122472,
     2160.9699218784999,
     0.90443062673324326,
     0.81799475857308723},
    {"weights sum to 1",
     {1, 2, 4, 3},
     {2, 1, 3, 5},
     {0.25, 0.25, 0.25, 0.25},
     2.5,
     NAN,
     NAN,
     0.52915026221291817,
     0.28000000000000003},
};

class CoMomentsEdges : public ::testing::TestWithParam<EdgeCase> {};

TEST_P(CoMomentsEdges, RepresentableStatisticsOnlyAndExact) {
    const EdgeCase& c = GetParam();
    // In one pass, and as single rows merged (the overflow moves the scale).
    CoMoments one, merged;
    for (std::size_t i = 0; i < c.x.size(); ++i) {
        one.add(c.x[i], c.y[i], c.w[i]);
        CoMoments row;
        row.add(c.x[i], c.y[i], c.w[i]);
        merged.merge(row);
    }
    for (const CoMoments* m : {&one, &merged}) {
        auto check = [&](const std::optional<Extended>& got, double want, const char* what) {
            if (std::isnan(want)) {
                EXPECT_FALSE(got.has_value()) << c.name << " " << what << " " << D(got);
            } else {
                ASSERT_TRUE(got.has_value()) << c.name << " " << what;
                EXPECT_REL(D(*got), want, 1e-15) << c.name << " " << what;
            }
        };
        check(m->meanX(), c.meanX, "mean");
        check(m->varianceX(), c.varX, "variance");
        check(m->covariance(), c.cov, "covariance");
        check(m->correlation(), c.r, "correlation");
        check(m->rSquare(), c.r2, "r-square");
    }
}

INSTANTIATE_TEST_SUITE_P(Edges, CoMomentsEdges, ::testing::ValuesIn(kEdges));

TEST(CoMoments, ByHand) {
    // (1,2), (2,4), (3,6): Sxx = 2, Syy = 8, Sxy = 4; variances 1 and 4,
    // covariance 2, r = 1. (1,1), (2,3), (3,2): Sxx = Syy = 2, Sxy = 1: r = 1/2.
    struct Case {
        std::vector<double> x, y;
        double sxx, syy, sxy, r;
    };
    const Case cases[] = {{{1, 2, 3}, {2, 4, 6}, 2, 8, 4, 1},
                          {{1, 2, 3}, {1, 3, 2}, 2, 2, 1, 0.5},
                          {{1, 2, 3}, {-1, -3, -2}, 2, 2, -1, -0.5}};
    for (const Case& c : cases) {
        CoMoments m;
        for (std::size_t i = 0; i < c.x.size(); ++i) m.add(c.x[i], c.y[i]);
        EXPECT_EQ(D(m.Sxx()), c.sxx);
        EXPECT_EQ(D(m.Syy()), c.syy);
        EXPECT_EQ(D(m.Sxy()), c.sxy);
        EXPECT_EQ(D(m.covariance()), c.sxy / 2);
        EXPECT_NEAR(D(m.correlation()), c.r, 1e-16);
    }
}

TEST(CoMoments, PreconditionsLeaveResultsAbsent) {
    CoMoments none;
    EXPECT_FALSE(none.meanX().has_value());
    EXPECT_FALSE(none.correlation().has_value());
    CoMoments one;
    one.add(4, 5);
    EXPECT_FALSE(one.varianceX().has_value());
    EXPECT_FALSE(one.covariance().has_value());
    EXPECT_FALSE(one.correlation().has_value());
    EXPECT_EQ(D(one.meanX()), 4.0);
    // Constant x: covariance 0, but no correlation; also for constants that
    // are not short binary fractions, with weights.
    for (double c : {2.0, 0.1, 1e10 + 0.3, -7.7e-5}) {
        CoMoments k;
        k.add(c, 1, 0.3);
        k.add(c, 2, 1.7);
        k.add(c, 4);
        EXPECT_EQ(D(k.Sxx()), 0.0) << c;
        EXPECT_EQ(D(k.covariance()), 0.0) << c;
        EXPECT_FALSE(k.correlation().has_value()) << c;
    }
}

TEST(CoMoments, WeightsAndMergedHalvesEqualOnePassBitForBit) {
    // Dyadic values: every sum is exact, so the results must be identical.
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
        EXPECT_EQ(*a->meanX(), *b->meanX());
        EXPECT_EQ(*a->meanY(), *b->meanY());
        EXPECT_EQ(*a->Sxx(), *b->Sxx());
        EXPECT_EQ(*a->Syy(), *b->Syy());
        EXPECT_EQ(*a->Sxy(), *b->Sxy());
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
    const RegressionFit fit = fitLeastSquares(m.lineSystem(true), true);
    ASSERT_EQ(fit.status, FitStatus::Ok);
    auto digits = [&](const Extended& got, const char* key) {
        const double cert = set.certified.at(key);
        return -std::log10(std::fabs((got.toDouble() - cert) / cert));
    };
    EXPECT_GE(digits(fit.a, "b0"), 13.1);
    EXPECT_GE(digits(fit.b[0], "b1"), 13.4);
    EXPECT_GE(digits(fit.seA, "b0_sd"), 12.9);
    EXPECT_GE(digits(fit.se[0], "b1_sd"), 13.0);
    EXPECT_GE(digits(fit.residSd, "resid_sd"), 13.0);
    EXPECT_GE(digits(*m.rSquare(), "r2"), 14.0);
}

// x1 = 1e9 + zx, x2 = 1e9 + zy (unit spread), y below: the raw normal
// equations fail the pivot test; centred, the line and the plane fit.
constexpr std::array<double, 12> kY = {3.1, 1.2, 2.9, 6.4, 0.3, 1.0, 4.8, 2.2, -0.9, 4.4, 1.7, 3.6};

TEST(CentredSystem, LineAndPlaneFitAtOneBillion) {
    CoMoments line;
    CrossProducts plane(2), half(2), rest(2);
    for (std::size_t i = 0; i < kY.size(); ++i) {
        const double x[] = {1e9 + kZx[i], 1e9 + kZy[i]};
        line.add(x[0], kY[i]);
        plane.add(x, kY[i]);
        (i < 7 ? half : rest).add(x, kY[i]);
    }
    half.merge(rest);
    const RegressionFit l = fitLeastSquares(line.lineSystem(true), true);
    ASSERT_EQ(l.status, FitStatus::Ok);
    EXPECT_REL(D(l.b[0]), 1.8868235867100167, 1e-13);
    EXPECT_REL(D(l.a), -1886823584.317724, 1e-13);
    for (const CrossProducts* s : {&plane, &half}) {
        const RegressionFit p = fitLeastSquares(s->system(true), true);
        ASSERT_EQ(p.status, FitStatus::Ok);
        EXPECT_REL(D(p.b[0]), 1.2678491018174669, 1e-12);
        EXPECT_REL(D(p.b[1]), 0.9739933665030226, 1e-12);
        EXPECT_REL(D(p.a), -2241842465.9263225, 1e-12);
    }
}

}  // namespace
}  // namespace qrv::num
