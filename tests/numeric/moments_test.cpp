// Tests of the shifted moments kernel. Every expected value was worked by
// hand or computed with exact rationals (python fractions, mpmath at 60
// digits) from the very doubles listed here.
#include "numeric/moments.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace qrv::num {
namespace {

Moments Of(const std::vector<double>& xs, const std::vector<double>& ws = {}) {
    Moments m;
    for (std::size_t i = 0; i < xs.size(); ++i) m.add(xs[i], ws.empty() ? 1.0 : ws[i]);
    return m;
}

void ExpectNear(std::optional<double> got, double want, double relative, const char* what) {
    ASSERT_TRUE(got.has_value()) << what;
    EXPECT_LE(std::fabs(*got - want), relative * std::fabs(want)) << what << " " << *got;
}

// 1..10 moved by 10^k: the sample variance 55/6, the population one 8.25,
// skewness 0 and kurtosis -1.2 do not move with the data.
class ShiftedOneToTen : public ::testing::TestWithParam<int> {};

TEST_P(ShiftedOneToTen, SpreadAndShapeIgnoreTheOffset) {
    const double offset = std::pow(10.0, GetParam());
    std::vector<double> xs;
    for (int i = 1; i <= 10; ++i) xs.push_back(offset + i);
    const Moments m = Of(xs);
    ExpectNear(mean(m), offset + 5.5, 1e-16, "mean");
    ExpectNear(variance(m, "N-1"), 55.0 / 6.0, 1e-15, "sample variance");
    ExpectNear(variance(m, "N"), 8.25, 1e-15, "population variance");
    ExpectNear(stdDeviation(m, "N-1"), std::sqrt(55.0 / 6.0), 1e-15, "std deviation");
    ExpectNear(centredSquares(m), 82.5, 1e-15, "centred squares");
    ASSERT_TRUE(skewness(m).has_value());
    EXPECT_LE(std::fabs(*skewness(m)), 1e-15);
    ExpectNear(kurtosis(m), -1.2, 1e-15, "kurtosis");
}

INSTANTIATE_TEST_SUITE_P(Offsets, ShiftedOneToTen,
                         ::testing::Values(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12));

struct Reference {
    const char* name;
    std::vector<double> xs, ws;
    double mean, sampleVar, populationVar, skew, kurt;
};

// 24 draws of 1e9 + N(0, 1) and of 1e9 + N(0, 1e-3), and a weighted set.
const Reference kReferences[] = {
    {"OneBillionPlusUnitNormal",
     {0x1.dcd64ffdf3f51p+29, 0x1.dcd6500417696p+29, 0x1.dcd64ffe30f48p+29, 0x1.dcd64ffd7abd7p+29,
      0x1.dcd64ff88f52ap+29, 0x1.dcd64ffe4b286p+29, 0x1.dcd65008e534fp+29, 0x1.dcd6500364a70p+29,
      0x1.dcd650084b874p+29, 0x1.dcd65001fdc0bp+29, 0x1.dcd65003287d0p+29, 0x1.dcd650017b8c9p+29,
      0x1.dcd64ff2abe77p+29, 0x1.dcd65006d78ddp+29, 0x1.dcd650040d138p+29, 0x1.dcd65003fd945p+29,
      0x1.dcd64ff27815ep+29, 0x1.dcd64ff20c846p+29, 0x1.dcd64ff8e2116p+29, 0x1.dcd64ffc41260p+29,
      0x1.dcd65002718dbp+29, 0x1.dcd64fffa1f90p+29, 0x1.dcd650042af4ep+29, 0x1.dcd64ffadcb40p+29},
     {},
     999999999.8963591,
     0.677295953391462,
     0.6490752886668176,
     -0.6815396644410373,
     -0.23704458593314895},
    {"OneBillionPlusMilliNormal",
     {0x1.dcd6500000a1ep+29, 0x1.dcd6500000ceap+29, 0x1.dcd64ffffea56p+29, 0x1.dcd6500003848p+29,
      0x1.dcd650000123dp+29, 0x1.dcd6500002739p+29, 0x1.dcd64ffffebacp+29, 0x1.dcd64ffffe7c4p+29,
      0x1.dcd64fffff4bap+29, 0x1.dcd64fffffc83p+29, 0x1.dcd65000014b6p+29, 0x1.dcd6500000824p+29,
      0x1.dcd64fffff157p+29, 0x1.dcd64ffffe0a5p+29, 0x1.dcd64ffffeef1p+29, 0x1.dcd6500002802p+29,
      0x1.dcd64ffffe586p+29, 0x1.dcd6500000805p+29, 0x1.dcd6500000dfap+29, 0x1.dcd64ffffcf2fp+29,
      0x1.dcd6500000197p+29, 0x1.dcd6500002acep+29, 0x1.dcd64ffffbdfep+29, 0x1.dcd64fffff576p+29},
     {},
     999999999.9999696,
     8.148922145891945e-07,
     7.809383723146447e-07,
     -0.06189430902638457,
     -0.08215629416359176},
    // Weights 1, 2, 0.5, 3: n = 6.5, mean 87 / 13.
    {"Weighted",
     {2, 3, 5, 11},
     {1, 2, 0.5, 3},
     6.6923076923076925,
     19.342657342657343,
     16.366863905325445,
     0.10308305752016424,
     -2.9135847490104245},
};

class AgainstExact : public ::testing::TestWithParam<Reference> {};

TEST_P(AgainstExact, OnePassAndEverySplitAgree) {
    const Reference& r = GetParam();
    auto check = [&](const Moments& m, const std::string& how) {
        SCOPED_TRACE(how);
        ExpectNear(mean(m), r.mean, 1e-16, "mean");
        ExpectNear(variance(m, "N-1"), r.sampleVar, 1e-14, "sample variance");
        ExpectNear(variance(m, "N"), r.populationVar, 1e-14, "population variance");
        ExpectNear(stdDeviation(m, "N"), std::sqrt(r.populationVar), 1e-14, "std deviation");
        ExpectNear(skewness(m), r.skew, 1e-13, "skewness");
        ExpectNear(kurtosis(m), r.kurt, 1e-13, "kurtosis");
    };
    check(Of(r.xs, r.ws), "one pass");
    // Any split into two parts, merged either way round, and a three-way one.
    for (std::size_t cut = 0; cut <= r.xs.size(); ++cut) {
        Moments a, b;
        for (std::size_t i = 0; i < r.xs.size(); ++i)
            (i < cut ? a : b).add(r.xs[i], r.ws.empty() ? 1.0 : r.ws[i]);
        Moments ab = a, ba = b;
        ab.merge(b);
        ba.merge(a);
        check(ab, "first part then second, cut " + std::to_string(cut));
        check(ba, "second part then first, cut " + std::to_string(cut));
        EXPECT_EQ(ab.count(), static_cast<long>(r.xs.size()));
        EXPECT_EQ(ab.min(), Of(r.xs, r.ws).min());
        EXPECT_EQ(ab.max(), Of(r.xs, r.ws).max());
    }
    Moments parts[3];
    for (std::size_t i = 0; i < r.xs.size(); ++i)
        parts[i % 3].add(r.xs[i], r.ws.empty() ? 1.0 : r.ws[i]);
    parts[1].merge(parts[2]);
    parts[0].merge(parts[1]);
    check(parts[0], "interleaved thirds");
}

TEST_P(AgainstExact, SecondPowersAloneGiveTheSameSpreadAndNoShape) {
    const Reference& r = GetParam();
    const Moments::Powers second = Moments::Powers::ToSecond;
    Moments light(second), half(second), other;
    for (std::size_t i = 0; i < r.xs.size(); ++i) {
        const double w = r.ws.empty() ? 1.0 : r.ws[i];
        light.add(r.xs[i], w);
        (i % 2 == 0 ? half : other).add(r.xs[i], w);
    }
    // A part with every power merged into one without: the fewer remain.
    Moments mixed = other;
    mixed.merge(half);
    for (const Moments* m : {&light, &mixed}) {
        SCOPED_TRACE(m == &light ? "one pass" : "mixed parts");
        EXPECT_FALSE(m->keepsShape());
        ExpectNear(mean(*m), r.mean, 1e-16, "mean");
        ExpectNear(variance(*m, "N-1"), r.sampleVar, 1e-14, "sample variance");
        ExpectNear(variance(*m, "N"), r.populationVar, 1e-14, "population variance");
        EXPECT_FALSE(skewness(*m).has_value());
        EXPECT_FALSE(kurtosis(*m).has_value());
        EXPECT_EQ(m->count(), static_cast<long>(r.xs.size()));
    }
    EXPECT_TRUE(other.keepsShape());
}

INSTANTIATE_TEST_SUITE_P(Data, AgainstExact, ::testing::ValuesIn(kReferences),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Moments, LastBitOfOne) {
    // 1, 1+2^-52, 1, 1+2^-52: the deviations are +-2^-53, so the centred
    // squares are 4 * 2^-106 = 2^-104 and the sample variance 2^-104 / 3.
    const double u = std::ldexp(1.0, -52);
    const Moments m = Of({1, 1 + u, 1, 1 + u});
    ExpectNear(variance(m, "N-1"), std::ldexp(1.0, -104) / 3, 1e-16, "sample variance");
    ExpectNear(variance(m, "N"), std::ldexp(1.0, -106), 1e-16, "population variance");
    ExpectNear(mean(m), 1 + u / 2, 0, "mean");  // exactly 1 + 2^-53, not a double tie lost
}

struct Undefined {
    const char* name;
    std::vector<double> xs, ws;
    bool mean, sampleVar, populationVar, skew, kurt;
};

// Which statistics exist. Overflow: the squares of 1e200..3e200 exceed the
// double range, so no spread can be given though the mean (2e200) can.
const Undefined kUndefined[] = {
    {"Empty", {}, {}, false, false, false, false, false},
    {"ZeroWeight", {1, 2, 3}, {0, 0, 0}, false, false, false, false, false},
    {"OneValue", {4}, {}, true, false, true, false, false},
    {"TwoValues", {4, 5}, {}, true, true, true, false, false},
    {"ThreeValues", {4, 5, 7}, {}, true, true, true, true, false},
    {"WeightOfOne", {4, 5}, {0.5, 0.5}, true, false, true, false, false},
    {"ConstantHasNoShape", {0.1, 0.1, 0.1, 0.1, 0.1}, {}, true, true, true, false, false},
    {"Overflow", {1e200, 2e200, 3e200}, {}, true, false, false, false, false},
    {"OverflowOfTheFourthPower", {1e100, 2e100, 3e100, 5e100}, {}, true, true, true, true, false},
};

class Definedness : public ::testing::TestWithParam<Undefined> {};

TEST_P(Definedness, NullExactlyWhereUndefinedOrUnrepresentable) {
    const Undefined& u = GetParam();
    const Moments m = Of(u.xs, u.ws);
    EXPECT_EQ(mean(m).has_value(), u.mean);
    EXPECT_EQ(variance(m, "N-1").has_value(), u.sampleVar);
    EXPECT_EQ(stdDeviation(m, "N-1").has_value(), u.sampleVar);
    EXPECT_EQ(variance(m, "N").has_value(), u.populationVar);
    EXPECT_EQ(skewness(m).has_value(), u.skew);
    EXPECT_EQ(kurtosis(m).has_value(), u.kurt);
    for (auto v : {mean(m), variance(m, "N"), variance(m, "N-1"), skewness(m), kurtosis(m)})
        if (v) {
            EXPECT_TRUE(std::isfinite(*v));
        }
}

INSTANTIATE_TEST_SUITE_P(Cases, Definedness, ::testing::ValuesIn(kUndefined),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Moments, ConstantDataHasExactlyNoSpread) {
    // 0.1 is no binary fraction: raw sums would leave a residue of either sign.
    for (int count : {2, 3, 1000}) {
        const Moments m = Of(std::vector<double>(static_cast<std::size_t>(count), 0.1));
        EXPECT_EQ(variance(m, "N-1"), 0.0);
        EXPECT_EQ(variance(m, "N"), 0.0);
        EXPECT_EQ(stdDeviation(m, "N-1"), 0.0);
        EXPECT_EQ(centredSquares(m), 0.0);
        EXPECT_EQ(mean(m), 0.1);
    }
}

TEST(Moments, OverflowedSumsAreNullNotInfinite) {
    const Moments m = Of({1e200, 2e200, 3e200});
    ExpectNear(mean(m), 2e200, 1e-16, "mean");
    ExpectNear(sum(m), 6e200, 1e-16, "sum");
    EXPECT_FALSE(sumOfSquares(m).has_value());  // 1.4e401
    EXPECT_FALSE(centredSquares(m).has_value());
    EXPECT_EQ(m.min(), 1e200);
    EXPECT_EQ(m.max(), 3e200);
}

TEST(Moments, SumsAndOtherMeansByHand) {
    // 1, 2, 4 with logs: sum 7, squares 21, RMS sqrt(7), geometric mean
    // (1*2*4)^(1/3) = 2, harmonic 3 / (1 + 1/2 + 1/4) = 12/7.
    Moments m;
    for (double x : {1.0, 2.0, 4.0}) m.add(x, 1.0, true);
    EXPECT_EQ(sum(m), 7.0);
    EXPECT_EQ(sumOfSquares(m), 21.0);
    ExpectNear(rootMeanSquare(m), std::sqrt(7.0), 1e-16, "rms");
    ExpectNear(geometricMean(m), 2.0, 1e-15, "geometric");
    ExpectNear(harmonicMean(m), 12.0 / 7.0, 1e-16, "harmonic");
    // Around 1e12 the sum of squares 3e24 + 14e12 + 21 needs the pair.
    const Moments big = Of({1e12 + 1, 1e12 + 2, 1e12 + 4});
    ExpectNear(sumOfSquares(big), 3e24 + 14e12 + 21, 1e-16, "big squares");
    // Without logs asked for, there are no other means.
    EXPECT_FALSE(harmonicMean(Of({1, 2})).has_value());
}

struct MeanAboutCase {
    const char* name;
    std::vector<double> first, firstWeights, second, secondWeights;  // two parts, merged
    double reference;
    double wantHi, wantLo;  // the exact mean minus reference, rounded to a pair
};

// Expected values from python fractions on these very doubles.
const MeanAboutCase kMeanAbout[] = {
    // 1e13+0.1 and 1e13+0.3 are 5120000000000051/512 and 2560000000000077/256;
    // their mean less 1e13 is 205/1024, which a double sum of the two loses.
    {"NearOneE13", {1e13 + 0.1}, {}, {1e13 + 0.3}, {}, 1e13, 0x1.9ap-3, 0},
    // 2^45 + 1/128 (weight 3), 2^45 + 9/128 (1), 2^45 + 5/128 (1/2) about
    // 2^45 + 1: -1123/1152, parts with different shifts.
    {"WeightedParts",
     {0x1p45 + 0x1p-7},
     {3},
     {0x1p45 + 9 * 0x1p-7, 0x1p45 + 5 * 0x1p-7},
     {1, 0.5},
     0x1p45 + 1,
     -0x1.f31c71c71c71cp-1,
     -0x1.c71c71c71c71cp-55},
    // A reference far from the data: 3/2 - 1e20 needs the pair's low part.
    {"FarReference", {1}, {}, {2}, {}, 1e20, -1e20, 1.5},
    // 0, 0, 1 about 0: 1/3 to the pair's precision.
    {"OneThird", {0, 0}, {}, {1}, {}, 0, 0x1.5555555555555p-2, 0x1.5555555555555p-56},
};

class MeanAbout : public ::testing::TestWithParam<MeanAboutCase> {};

TEST_P(MeanAbout, ExactDifferenceWhicheverPartComesFirst) {
    const MeanAboutCase& c = GetParam();
    const Extended want = Extended::fromParts(c.wantHi, c.wantLo);
    const Moments a = Of(c.first, c.firstWeights), b = Of(c.second, c.secondWeights);
    Moments ab = a, ba = b;
    ab.merge(b);
    ba.merge(a);
    for (const Moments* m : {&ab, &ba}) {
        const Extended err = m->meanAbout(c.reference) - want;
        EXPECT_LE(std::fabs(err.toDouble()), 1e-30 * std::fabs(c.wantHi))
            << (m == &ab ? "first part first" : "second part first");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, MeanAbout, ::testing::ValuesIn(kMeanAbout),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qrv::num
