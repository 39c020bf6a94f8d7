// Tests of the co-moment matrix: every pair it hands out must give what a
// pair accumulator fed the same two columns gives, and what exact arithmetic
// gives, in one pass and merged from parts in any order, at offsets of 1e9,
// with a constant field, with values too large to square and with a first
// row far from the rest.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "numeric/comoments.h"
#include "support/offset_draws.h"

namespace qrv::num {
namespace {

double D(const std::optional<Extended>& e) {
    return e ? e->toDouble() : std::nan("");
}

struct PairRef {
    double s, cov, r;  // centred sum of products, sample covariance, correlation
};

struct MatrixCase {
    const char* name;
    std::vector<std::array<double, 3>> rows;
    std::vector<double> w;  // empty: every weight 1
    std::array<double, 3> mean;
    PairRef pair[6];  // (0,0) (0,1) (0,2) (1,1) (1,2) (2,2)
};

// Exact values: each literal below is a double; the means, centred sums and
// covariances (divided by the weight sum less 1) were computed from those
// doubles with Python fractions, the correlations with mpmath at 60 digits,
// then rounded once to the nearest double. NAN stands for a value a double
// cannot hold (over 1.8e308) or one that does not exist (no spread).
// The offset rows are 1e9 + zx 1e-3, 2e9 + zy 1e-3, -1e9 + (zx - zy) 1e-3
// with the first six draws of offset_draws.h, each rounded once. In "huge"
// fields 0 and 2 mix values near 1e200 with small ones, so that parts sum
// them at different scales; in "poor shift" the first row of fields 0 and 2
// is far from the others.
// clang-format off
const MatrixCase kCases[] = {
    {"weighted",
     {{2.5, 1.0, 10.0}, {-1.25, 0.3, 12.5}, {3.1, 2.9, 9.75},
      {0.7, -0.6, 11.1}, {4.0, 3.3, 8.6}, {-2.2, -1.8, 13.4}},
     {1.0, 0.5, 2.25, 3.0, 0.75, 1.5},
     {1.1833333333333333, 0.6277777777777778, 10.893055555555556},
     {{36.78125, 4.59765625, 1.0},
      {30.434166666666666, 3.8042708333333333, 0.9082357668541869},
      {-25.92729166666667, -3.2409114583333336, -0.9931921122309222},
      {30.528055555555554, 3.816006944444444, 1.0},
      {-20.92701388888889, -2.6158767361111113, -0.8799278057919062},
      {18.527690972222224, 2.315961371527778, 1.0}}},
    {"offset 1e9",
     {{1000000000.000613, 2000000000.000215, -999999999.999602},
      {999999999.998793, 1999999999.999126, -1000000000.000333},
      {1000000000.000071, 2000000000.00064, -1000000000.000569},
      {1000000000.001862, 2000000000.001103, -999999999.999241},
      {999999999.999552, 1999999999.99861, -999999999.999058},
      {999999999.999065, 2000000000.000057, -1000000000.000992}},
     {1.0, 0.5, 2.25, 3.0, 0.75, 1.5},
     {1000000000.0004463, 2000000000.0003967, -999999999.9999503},
     {{1.1185964194027065e-05, 1.3982455242533831e-06, 1.0},
      {5.716551901476426e-06, 7.145689876845532e-07, 0.761570943913336},
      {5.469026520543707e-06, 6.836283150679634e-07, 0.7471622634383025},
      {5.037025444052132e-06, 6.296281805065165e-07, 1.0},
      {6.791869632631157e-07, 8.489837040788946e-08, 0.13827506808600074},
      {4.7897933397322845e-06, 5.987241674665356e-07, 1.0}}},
    {"constant",
     {{2.5, 0.1, 10.0}, {-1.25, 0.1, 12.5}, {3.1, 0.1, 9.75},
      {0.7, 0.1, 11.1}, {4.0, 0.1, 8.6}, {-2.2, 0.1, 13.4}},
     {},
     {1.1416666666666666, 0.1, 10.891666666666666},
     {{30.932083333333335, 6.186416666666667, 1.0},
      {0.0, 0.0, NAN},
      {-22.31791666666667, -4.463583333333334, -0.9947810096559425},
      {0.0, 0.0, NAN},
      {0.0, 0.0, NAN},
      {16.272083333333338, 3.254416666666667, 1.0}}},
    {"huge",
     {{1e+200, 1.0, 2.0}, {-2.5e+200, 0.3, 4e+200}, {3.25e+200, 2.9, 2.2e+200},
      {1.5, -0.6, -3e+200}, {-0.75, 3.3, 1.7e+200}, {2.0, -1.8, 5.0}},
     {},
     {2.916666666666666e+199, 0.85, 8.166666666666666e+199},
     {{NAN, NAN, 1.0},
      {8.1875e+200, 1.6374999999999998e+200, 0.4439822310322971},
      {NAN, NAN, -0.19193526937787217},
      {19.654999999999998, 3.9309999999999996, 1.0},
      {1.0825e+201, 2.1649999999999998e+200, 0.4555501199485123},
      {NAN, NAN, 1.0}}},
    {"poor shift",
     {{100000.0, 1.0, -2500000000000.0}, {-1.207, 0.3, 12.5}, {0.071, 2.9, 9.75},
      {1.862, -0.6, 11.1}, {-0.448, 3.3, 8.6}, {-0.935, -1.8, 13.4}},
     {1.0, 0.5, 2.25, 3.0, 0.75, 1.5},
     {11111.489305555555, 0.6277777777777778, -277777777767.99585},
     {{8888813261.315485, 1111101657.6644356, 1.0},
      {37218.43174861112, 4652.30396857639, 0.07144742917921636},
      {-2.222212767370893e+17, -2.7777659592136164e+16, -0.9999999993725498},
      {30.528055555555554, 3.816006944444444, 1.0},
      {-930555555580.2048, -116319444447.5256, -0.07145440169948741},
      {5.555555555604465e+24, 6.944444444505582e+23, 1.0}}},
};
// clang-format on

void PrintTo(const MatrixCase& c, std::ostream* os) {
    *os << c.name;
}

size_t pairIndex(int a, int b) {
    return static_cast<size_t>(a * 3 - a * (a - 1) / 2 + (b - a));
}

double weight(const MatrixCase& c, size_t i) {
    return c.w.empty() ? 1.0 : c.w[i];
}

std::string label(const char* name, int a, int b) {
    return std::string(name) + " (" + std::to_string(a) + "," + std::to_string(b) + ") ";
}

CoMomentMatrix build(const MatrixCase& c, const std::function<bool(size_t)>& keep) {
    CoMomentMatrix m(3);
    for (size_t i = 0; i < c.rows.size(); ++i)
        if (keep(i)) m.add(c.rows[i].data(), weight(c, i));
    return m;
}

void expectValue(const std::optional<Extended>& got, double want, const std::string& what) {
    if (std::isnan(want)) {
        EXPECT_FALSE(got.has_value()) << what << " " << D(got);
    } else {
        ASSERT_TRUE(got.has_value()) << what;
        EXPECT_REL(D(got), want, 1e-15) << what;
    }
}

// Every pair, both ways round, against the exact values.
void expectExact(const CoMomentMatrix& m, const MatrixCase& c, const std::string& how) {
    ASSERT_EQ(m.fields(), 3);
    EXPECT_EQ(m.valid(), static_cast<long>(c.rows.size())) << how;
    double n = 0;
    for (size_t i = 0; i < c.rows.size(); ++i) n += weight(c, i);
    EXPECT_EQ(m.n().toDouble(), n) << how;
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            const std::string at = label(how.c_str(), a, b);
            const CoMoments p = m.pair(a, b);
            const PairRef& xx = c.pair[pairIndex(a, a)];
            const PairRef& yy = c.pair[pairIndex(b, b)];
            const PairRef& xy = c.pair[pairIndex(std::min(a, b), std::max(a, b))];
            expectValue(p.meanX(), c.mean[a], at + "mean x");
            expectValue(p.meanY(), c.mean[b], at + "mean y");
            expectValue(p.Sxx(), xx.s, at + "Sxx");
            expectValue(p.Syy(), yy.s, at + "Syy");
            expectValue(p.Sxy(), xy.s, at + "Sxy");
            expectValue(p.varianceX(), xx.cov, at + "variance x");
            expectValue(p.varianceY(), yy.cov, at + "variance y");
            expectValue(p.covariance(), xy.cov, at + "covariance");
            expectValue(p.correlation(), xy.r, at + "correlation");
        }
}

class CoMomentMatrixCases : public ::testing::TestWithParam<MatrixCase> {};

TEST_P(CoMomentMatrixCases, OnePassMatchesExactArithmetic) {
    const MatrixCase& c = GetParam();
    expectExact(build(c, [](size_t) { return true; }), c, c.name);
}

// Within a few units in the last place of the double; absent together.
void expectClose(const std::optional<Extended>& got, const std::optional<Extended>& want,
                 double ulps, const std::string& what) {
    ASSERT_EQ(got.has_value(), want.has_value()) << what;
    if (!want) return;
    const double g = D(got), w = D(want);
    const double ulp = std::nextafter(std::fabs(w), INFINITY) - std::fabs(w);
    EXPECT_LE(std::fabs(g - w), ulps * ulp) << what << " " << g << " vs " << w;
}

// The correlation matrix pairs fields through the matrix where it used to
// feed a pair accumulator: the two must agree to the last bits.
void expectAgree(const CoMoments& p, const CoMoments& direct, double ulps, const std::string& at) {
    EXPECT_EQ(p.valid(), direct.valid()) << at;
    EXPECT_EQ(p.n(), direct.n()) << at;
    expectClose(p.meanX(), direct.meanX(), ulps, at + "mean x");
    expectClose(p.meanY(), direct.meanY(), ulps, at + "mean y");
    expectClose(p.Sxx(), direct.Sxx(), ulps, at + "Sxx");
    expectClose(p.Syy(), direct.Syy(), ulps, at + "Syy");
    expectClose(p.Sxy(), direct.Sxy(), ulps, at + "Sxy");
    expectClose(p.varianceX(), direct.varianceX(), ulps, at + "variance x");
    expectClose(p.covariance(), direct.covariance(), ulps, at + "covariance");
    expectClose(p.correlation(), direct.correlation(), ulps, at + "correlation");
}

TEST_P(CoMomentMatrixCases, PairEqualsAPairAccumulatorOfTheSameRows) {
    const MatrixCase& c = GetParam();
    const CoMomentMatrix m = build(c, [](size_t) { return true; });
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            CoMoments direct;
            for (size_t i = 0; i < c.rows.size(); ++i)
                direct.add(c.rows[i][a], c.rows[i][b], weight(c, i));
            expectAgree(m.pair(a, b), direct, 2, label(c.name, a, b));
        }
}

// Parts with different first rows (shifts), with and without the huge rows
// (different scales), and empty parts, merged in every order (so an empty
// part is merged into a full one and a full one into an empty one).
TEST_P(CoMomentMatrixCases, PartsMergedInAnyOrderMatchExactArithmetic) {
    const MatrixCase& c = GetParam();
    struct Split {
        const char* name;
        int parts;
        std::function<int(size_t)> part;
    };
    const Split splits[] = {
        {"none|all", 2, [](size_t) { return 1; }},
        {"1|5", 2, [](size_t i) { return i < 1 ? 0 : 1; }},
        {"3|3", 2, [](size_t i) { return i < 3 ? 0 : 1; }},
        {"5|1", 2, [](size_t i) { return i < 5 ? 0 : 1; }},
        {"even|odd", 2, [](size_t i) { return static_cast<int>(i % 2); }},
        {"2|2|2", 3, [](size_t i) { return static_cast<int>(i / 2); }},
        {"every third", 3, [](size_t i) { return static_cast<int>(i % 3); }},
        {"1|none|5", 3, [](size_t i) { return i < 1 ? 0 : 2; }},
        {"single rows", 6, [](size_t i) { return static_cast<int>(i); }},
    };
    for (const Split& s : splits) {
        std::vector<CoMomentMatrix> parts;
        for (int k = 0; k < s.parts; ++k)
            parts.push_back(build(c, [&](size_t i) { return s.part(i) == k; }));
        std::vector<int> order(static_cast<size_t>(s.parts));
        for (int k = 0; k < s.parts; ++k) order[static_cast<size_t>(k)] = k;
        do {
            CoMomentMatrix merged = parts[static_cast<size_t>(order[0])];
            std::string how = std::string(c.name) + " " + s.name + " order";
            for (int k : order) how.append(1, ' ').append(std::to_string(k));
            for (size_t k = 1; k < order.size(); ++k)
                merged.merge(parts[static_cast<size_t>(order[k])]);
            expectExact(merged, c, how);
        } while (std::next_permutation(order.begin(), order.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(Data, CoMomentMatrixCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name;
                         });

// Five fields (ten packed cross products), one at an offset, weighted:
// every pair, in one pass and from two interleaved parts, is the pair
// accumulator's, so a cross product filed under the wrong pair shows.
TEST(CoMomentMatrix, FiveFieldsEveryPairAsAPairAccumulator) {
    constexpr int k = 5;
    const auto value = [](size_t i, int j) {
        return (j == 4 ? 1e6 : 0.0) + (j + 1) * test::kZx[i] + j * j * test::kZy[i] - 3.0 * j;
    };
    CoMomentMatrix one(k), even(k), odd(k);
    for (size_t i = 0; i < test::kZx.size(); ++i) {
        std::array<double, k> row;
        for (int j = 0; j < k; ++j) row[static_cast<size_t>(j)] = value(i, j);
        const double w = 1.0 + 0.25 * static_cast<double>(i % 3);
        one.add(row.data(), w);
        (i % 2 ? odd : even).add(row.data(), w);
    }
    odd.merge(even);
    for (int a = 0; a < k; ++a)
        for (int b = 0; b < k; ++b) {
            CoMoments direct;
            for (size_t i = 0; i < test::kZx.size(); ++i)
                direct.add(value(i, a), value(i, b), 1.0 + 0.25 * static_cast<double>(i % 3));
            expectAgree(one.pair(a, b), direct, 2, label("one pass", a, b));
            expectAgree(odd.pair(a, b), direct, 4, label("merged", a, b));
        }
}

TEST(CoMomentMatrix, EmptyHasNoStatistics) {
    CoMomentMatrix m(3), other(3);
    m.merge(other);
    EXPECT_EQ(m.valid(), 0);
    for (int a = 0; a < 3; ++a)
        for (int b = 0; b < 3; ++b) {
            const CoMoments p = m.pair(a, b);
            EXPECT_FALSE(p.meanX().has_value());
            EXPECT_FALSE(p.Sxy().has_value());
            EXPECT_FALSE(p.covariance().has_value());
            EXPECT_FALSE(p.correlation().has_value());
        }
}

}  // namespace
}  // namespace qrv::num
