// Tests of the rank statistics of related values. The expected values come
// from tests/numeric/reference/rank_reference.py, from the same raw data by
// the textbook definitions: brute-force ranks of the absolute differences
// for Wilcoxon, Spearman's rho as 1 - 6 sum d^2 / (n (n^2 - 1)) and,
// corrected for ties, as Pearson's correlation of the ranks themselves,
// Friedman's chi-square from each row ranked on its own, exact binomial sums
// for the sign test; exact fractions, then mpmath at 40 digits for roots and
// probabilities (normal, Student t, chi-square tails).
#include "numeric/related_ranks.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>
#include <vector>

#include "rank_checks.h"

namespace qrv::num {
namespace {

using testing::BruteRank;
using testing::Close;
using testing::kNull;
using testing::Ties;
using Values = std::vector<double>;

std::optional<double> ValueOf(const std::optional<Tested>& t) {
    return t ? std::optional(t->value) : std::nullopt;
}
std::optional<double> ProbOf(const std::optional<Tested>& t) {
    return t ? std::optional(t->p) : std::nullopt;
}

TEST(SignTest, PairsByTheNormalApproximation) {
    struct Row {
        double below, above, z, p;
    };
    const Row rows[] = {
        {3, 7, 0.94868329805051377, 0.34278171114791139},
        {5, 5, -0.31622776601683794, 0.75182963404584924},
        {0, 1, 0, 1},
        {12, 30, 2.6231569493555624, 0.0087119129623795966},
        {40, 0, 6.1664414373283396, 6.9843930615221382e-10},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(::testing::Message() << r.below << " below, " << r.above << " above");
        const std::optional<Tested> t = pairedSignTest(r.below, r.above);
        ASSERT_TRUE(t);
        EXPECT_TRUE(Close(t->value, r.z));
        EXPECT_TRUE(Close(t->p, r.p, 1e-12));
    }
    EXPECT_FALSE(pairedSignTest(0, 0));
}

TEST(SignTest, BinomialTailExactThenNormal) {
    // Up to 25 trials the exact sum of C(n, k) / 2^n; beyond, Phi of
    // (x - n/2 + 1/2) / (sqrt(n) / 2).
    const double rows[][3] = {
        {10, 3, 0.171875},
        {25, 12, 0.5},
        {1, 0, 0.5},
        {0, 0, 1},
        {25, 25, 1},
        {26, 5, 0.001631858450835117},
        {100, 60, 0.98213557943718344},
        {1000, 400, 1.5576187023262117e-10},
    };
    for (const auto& [n, x, p] : rows)
        EXPECT_TRUE(Close(signTestTail(n, x), p, 1e-12)) << n << " trials, x = " << x;
}

TEST(SignedRanks, WilcoxonAgainstTheTextbookFromRawData) {
    struct Row {
        const char* name;
        Values d;
        double negSum, posSum, negMean, posMean, z, p;
    };
    const Row rows[] = {
        {"MixedWithTies",
         {1.5, -2, 3, -1.5, 4, 2, -0.5, 2},
         8.5,
         27.5,
         2.8333333333333335,
         5.5,
         -1.3302660798266093,
         0.18343061898217811},
        {"AllPositive", {1, 2, 3}, 0, 6, kNull, 2, -1.6035674514745464, 0.1088094300405457},
        {"One", {-2}, 1, 0, 1, kNull, -1, 0.31731050786291409},
        {"Thirty",
         {3, -1, 4, 1,  -5, 9, 2, -6, 5,  3, 5, -8, 9,  7, -9,
          3, 2,  3, -8, 4,  6, 2, 6,  -4, 3, 3, 8,  -3, 2, 7},
         146.5,
         318.5,
         18.3125,
         14.477272727272727,
         -1.768877184520893,
         0.076914372432603656},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Values magnitude;
        for (double d : row.d) magnitude.push_back(std::fabs(d));
        SignedRanks ranks;
        for (std::size_t i = 0; i < row.d.size(); ++i)
            ranks.add(row.d[i] > 0, 1, BruteRank(magnitude, i));
        EXPECT_EQ(ranks.negSum, row.negSum);
        EXPECT_EQ(ranks.posSum, row.posSum);
        const SignedRankTest w = signedRankTest(ranks);
        EXPECT_TRUE(Close(w.negMean, row.negMean));
        EXPECT_TRUE(Close(w.posMean, row.posMean));
        EXPECT_TRUE(Close(ValueOf(w.z), row.z));
        EXPECT_TRUE(Close(ProbOf(w.z), row.p, 1e-12));
    }
    const SignedRankTest none = signedRankTest({});
    EXPECT_FALSE(none.z || none.negMean || none.posMean);
}

TEST(Spearman, PlainAndAsTheCorrelationOfTheRanks) {
    struct Row {
        const char* name;
        Values x, y;
        double rho, t, p, rhoTies, tTies, pTies;
    };
    const Row rows[] = {
        // No ties: no corrected rho.
        {"NoTies",
         {1, 2, 3, 4, 5},
         {2, 1, 4, 3, 5},
         0.80000000000000004,
         2.3094010767585029,
         0.10408803866182786,
         kNull,
         kNull,
         kNull},
        {"TiesInBoth",
         {1, 2, 2, 3, 4, 4, 5},
         {3, 1, 2, 2, 5, 4, 4},
         0.6785714285714286,
         2.0657055646692335,
         0.093750253959831414,
         0.66666666666666663,
         2,
         0.10193947882985836},
        // Two rows: rho is -1, no t.
        {"Two", {1, 2}, {5, 3}, -1, kNull, kNull, kNull, kNull, kNull},
        {"One", {1}, {2}, kNull, kNull, kNull, kNull, kNull, kNull},
        // X without spread: no corrected rho.
        {"XAllTied",
         {3, 3, 3, 3},
         {1, 2, 3, 4},
         0.5,
         0.81649658092772603,
         0.5,
         kNull,
         kNull,
         kNull},
        {"TiesInYOnly",
         {1, 2, 3, 4, 5, 6},
         {1, 1, 2, 3, 3, 3},
         0.9285714285714286,
         5.0037023329767569,
         0.0074708454810495624,
         0.92582009977255142,
         4.8989794855663558,
         0.0080498931008377191},
        {"Thirty",
         {5, 3, 8, 1, 9, 2,  7,  4,  6, 5, 3, 8, 2,  9, 1,
          7, 6, 4, 5, 3, 10, 12, 11, 8, 6, 2, 9, 13, 4, 7},
         {4, 2, 9, 2, 7, 1,  8,  5,  5, 6, 1, 7, 3,  8, 2,
          9, 4, 3, 6, 2, 11, 10, 12, 7, 6, 1, 9, 12, 5, 8},
         0.9317018909899889,
         13.573179747591468,
         7.725298988504872e-14,
         0.93116601290655954,
         13.514340716232789,
         8.5897181295615629e-14},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        RankDifferences ranks;
        for (std::size_t i = 0; i < row.x.size(); ++i)
            ranks.add(1, BruteRank(row.x, i), BruteRank(row.y, i));
        const Spearman s = spearman(ranks, Ties(row.x), Ties(row.y));
        EXPECT_TRUE(Close(s.rho, row.rho));
        EXPECT_TRUE(Close(s.t, row.t, 1e-12));
        EXPECT_TRUE(Close(s.p, row.p, 1e-12));
        EXPECT_TRUE(Close(s.rhoTies, row.rhoTies));
        EXPECT_TRUE(Close(s.tTies, row.tTies, 1e-12));
        EXPECT_TRUE(Close(s.pTies, row.pTies, 1e-12));
    }
}

TEST(Friedman, RowsRankedOnTheirOwn) {
    struct Row {
        const char* name;
        std::vector<Values> rows;
        Values weights;
        double chi, p;
    };
    std::vector<Row> cases = {
        {"ThreeFieldsNoTies",
         {{7, 9, 8}, {6, 5, 7}, {9, 7, 6}, {4, 8, 6}},
         {1, 1, 1, 1},
         0.5,
         0.77880078307140488},
        {"TiesAndWeights",
         {{1, 1, 2, 3}, {4, 2, 2, 2}, {5, 6, 7, 5}, {0, 0, 0, 0}},
         {1, 2.5, 0.5, 3},
         0.78214285714285714,
         0.85373328436580842},
        {"ThirtyRows", {}, {}, 5.1166666666666663, 0.07743368910474055},
    };
    for (int i = 0; i < 30; ++i) {
        cases.back().rows.push_back({static_cast<double>((7 * i) % 5),
                                     static_cast<double>((3 * i + 1) % 4),
                                     static_cast<double>((5 * i + 2) % 6)});
        cases.back().weights.push_back(1);
    }
    for (const Row& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t k = c.rows[0].size();
        std::vector<Extended> sums(k);
        Extended n;
        std::vector<std::pair<double, int>> record;
        std::vector<double> rankOf;
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            record.clear();
            for (std::size_t j = 0; j < k; ++j) record.emplace_back(c.rows[r][j], int(j));
            midRanks(record, rankOf);
            ASSERT_EQ(rankOf.size(), k);
            for (std::size_t j = 0; j < k; ++j) {
                EXPECT_EQ(rankOf[j], BruteRank(c.rows[r], j)) << "row " << r << " field " << j;
                sums[j] += Extended::product(rankOf[j], c.weights[r]);
            }
            n += c.weights[r];
        }
        Extended squares;
        for (const Extended& s : sums) squares += s * s;
        const std::optional<Tested> f = friedman(n, squares, static_cast<int>(k));
        ASSERT_TRUE(f);
        EXPECT_TRUE(Close(f->value, c.chi));
        EXPECT_TRUE(Close(f->p, c.p, 1e-12));
    }
    // One field, or no weight: no test.
    EXPECT_FALSE(friedman(2, 2, 1));
    EXPECT_FALSE(friedman(0, 0, 3));
}

}  // namespace
}  // namespace qrv::num
