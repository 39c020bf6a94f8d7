// Tests of Extended, the double-double number used for decimal differences and
// long running sums. Reference values are exact: integer arithmetic in 128
// bits, or binary expansions of 1/3 and sqrt(2) worked out by hand.
#include "numeric/extended.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

namespace qrv::num {
namespace {

using Int128 = __int128;

// Exact value of hi + lo in units of 2^-scale, valid when both parts are
// integer multiples of 2^-scale (checked by the caller's choice of scale).
Int128 ScaledParts(const Extended& x, int scale) {
    double h = std::ldexp(x.hi(), scale);
    double l = std::ldexp(x.lo(), scale);
    EXPECT_EQ(h, std::trunc(h));
    EXPECT_EQ(l, std::trunc(l));
    return static_cast<Int128>(h) + static_cast<Int128>(l);
}

TEST(ExtendedSums, KeepsDigitsThatDoubleLoses) {
    // 1e16 + 1 is not a double; the double sum gives 0, the exact answer is 1.
    Extended s(1e16);
    s += 1.0;
    s -= 1e16;
    EXPECT_EQ(s.toDouble(), 1.0);
    EXPECT_EQ((Extended(1e16) + 1.0 - 1e16).toDouble(), 1.0);
    volatile double big = 1e16;
    EXPECT_EQ(big + 1.0 - big, 0.0) << "the double case the type exists for";
}

TEST(ExtendedSums, TenMillionTimesPointOneIsExact) {
    // The double nearest 0.1 is 3602879701896397 / 2^55. Ten million copies
    // sum to exactly n times that numerator over 2^55, which needs 75 bits:
    // within reach of 106-bit double-double, far beyond a double.
    constexpr std::int64_t kN = 10'000'000;
    constexpr std::int64_t kNumerator = 3602879701896397;
    ASSERT_EQ(std::ldexp(static_cast<double>(kNumerator), -55), 0.1);
    Extended s;
    double naive = 0.0;
    for (std::int64_t i = 0; i < kN; ++i) {
        s += 0.1;
        naive += 0.1;
    }
    EXPECT_TRUE(ScaledParts(s, 55) == static_cast<Int128>(kN) * kNumerator);
    EXPECT_NE(naive, s.toDouble()) << "a plain double sum drifts";
    // Against the decimal 10^6 the only difference left is 0.1's own
    // representation error, n * 2^-55 / 5 = 5.55e-11.
    EXPECT_NEAR((s - 1e6).toDouble(), 5.551115123125783e-11, 1e-25);
}

TEST(ExtendedSums, SumOfSquaresMatchesClosedForm) {
    // sum k^2 for k = 1..n is n(n+1)(2n+1)/6; for n = 10^6 that is about
    // 3.3e17, past the 2^53 where doubles stop holding every integer.
    constexpr std::int64_t kN = 1'000'000;
    Extended s;
    for (std::int64_t k = 1; k <= kN; ++k) {
        double d = static_cast<double>(k);
        s += Extended::product(d, d);
    }
    const Int128 expected = static_cast<Int128>(kN) * (kN + 1) * (2 * kN + 1) / 6;
    EXPECT_TRUE(ScaledParts(s, 0) == expected);
}

TEST(ExtendedProducts, ProductOfTwoDoublesIsExact) {
    // (1 + 2^-30)^2 = 1 + 2^-29 + 2^-60: the last term is below a double's reach.
    const double a = 1.0 + std::ldexp(1.0, -30);
    Extended p = Extended::product(a, a);
    EXPECT_EQ(p.hi(), 1.0 + std::ldexp(1.0, -29));
    EXPECT_EQ(p.lo(), std::ldexp(1.0, -60));
    // a*b - c*d with equal rounded products but different exact ones.
    Extended diff = Extended::product(a, a) - Extended::product(1.0 + std::ldexp(1.0, -29), 1.0);
    EXPECT_EQ(diff.toDouble(), std::ldexp(1.0, -60));
}

TEST(ExtendedProducts, ExtendedTimesExtended) {
    // ((1 + 2^-30) + 2^-70) * (1 - 2^-30) = 1 - 2^-60 + 2^-70 - 2^-100 exactly;
    // every term lies within the 106 bits a double-double carries.
    Extended a = Extended::fromParts(1.0 + std::ldexp(1.0, -30), std::ldexp(1.0, -70));
    Extended b(1.0 - std::ldexp(1.0, -30));
    Extended p = a * b;
    EXPECT_EQ(p.hi(), 1.0);
    EXPECT_EQ(p.lo(), -std::ldexp(1.0, -60) + std::ldexp(1.0, -70) - std::ldexp(1.0, -100));
}

TEST(ExtendedDivision, OneThirdCarriesTheNextDigits) {
    // 1/3 = fl(1/3) + 2^-54/3: the low part is 1.8503717077085943e-17.
    Extended third = Extended(1.0) / 3.0;
    EXPECT_EQ(third.hi(), 1.0 / 3.0);
    EXPECT_NEAR(third.lo(), 1.8503717077085943e-17, 1e-32);
    // Multiplying back misses 1 by far less than a double's epsilon (2.2e-16).
    Extended back = third * 3.0;
    EXPECT_LT(std::fabs((back - 1.0).toDouble()), 1e-31);
    EXPECT_EQ(back.toDouble(), 1.0);
}

TEST(ExtendedDivision, ExtendedByExtendedAndByZero) {
    // (1/7) / (1/7) with both operands extended: 1 to about 32 digits.
    Extended seventh = Extended(1.0) / Extended(7.0);
    Extended one = seventh / seventh;
    EXPECT_LT(std::fabs((one - 1.0).toDouble()), 1e-31);
    EXPECT_FALSE(std::isfinite((Extended(1.0) / 0.0).toDouble()));
}

TEST(ExtendedSqrt, SquareRootOfTwo) {
    // sqrt(2) = 1.41421356237309504880168872420969808; the double nearest is
    // 1.41421356237309514547462185873882845, so the low part is
    // -9.667293313452913e-17.
    Extended r = sqrt(Extended(2.0));
    EXPECT_EQ(r.hi(), std::sqrt(2.0));
    EXPECT_NEAR(r.lo(), -9.667293313452913e-17, 1e-31);
    EXPECT_LT(std::fabs((r * r - 2.0).toDouble()), 1e-31);
    EXPECT_EQ(sqrt(Extended(0.0)).toDouble(), 0.0);
    EXPECT_TRUE(std::isnan(sqrt(Extended(-1.0)).toDouble()));
}

// Within a few units of the last of 106 bits of the value (hi, lo) taken from
// mpmath at 60 digits, rounded to a pair of doubles.
void ExpectPair(const Extended& got, double hi, double lo) {
    const Extended want = Extended::fromParts(hi, lo);
    EXPECT_EQ(got.hi(), hi);
    EXPECT_LE(std::fabs((got - want).toDouble()), 4 * std::ldexp(std::fabs(hi), -106)) << got;
}

TEST(ExtendedDivision, BothOperandsCarryLowParts) {
    // (1 + 2^-60) / (3 + 2^-70): mpmath gives 0.3333333333333333 +
    // 1.8792743541643492e-17; the 2^-60 shows in the low part, which a
    // division of the leading doubles would lose.
    const Extended a = Extended::sum(1.0, std::ldexp(1.0, -60));
    const Extended b = Extended::sum(3.0, std::ldexp(1.0, -70));
    ExpectPair(a / b, 0.3333333333333333, 1.8792743541643492e-17);
    // (1/7 as a pair) / (3 + 2^-70): 0.047619047619047616 + 2.6433747089020033e-18.
    ExpectPair(Extended(1.0) / 7.0 / b, 0.047619047619047616, 2.6433747089020033e-18);
}

TEST(ExtendedSqrt, UsesTheLowPartOfItsArgument) {
    // sqrt(2 + 2^-80) = 1.4142135623730951 - 9.667293284207662e-17 (mpmath):
    // it differs from sqrt(2) in the low part, from the 2^-80 alone.
    ExpectPair(sqrt(Extended::sum(2.0, std::ldexp(1.0, -80))), 1.4142135623730951,
               -9.667293284207662e-17);
    // sqrt(1e30 + 1/8), with 1e30 the double 1000000000000000019884624838656:
    // 1e15 + 0.009942312419328062, all of the fraction from the low parts.
    ExpectPair(sqrt(Extended::sum(1e30, 0.125)), 1e15, 0.009942312419328062);
}

TEST(ExtendedComparison, OrdersBeyondDoublePrecision) {
    Extended one(1.0);
    Extended above = one + 1e-20;
    Extended below = one - 1e-20;
    EXPECT_EQ(above.toDouble(), 1.0) << "indistinguishable as doubles";
    EXPECT_TRUE(below < one);
    EXPECT_TRUE(one < above);
    EXPECT_TRUE(above > below);
    EXPECT_TRUE(above != one);
    EXPECT_TRUE(above - 1e-20 == one);
    EXPECT_TRUE(-above < -one);
    EXPECT_TRUE(abs(-above) == above);
    EXPECT_TRUE(Extended(2.0) >= 2.0);
}

}  // namespace
}  // namespace qrv::num
