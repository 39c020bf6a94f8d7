// Tests of the rank statistics of independent samples. The expected values
// come from tests/numeric/reference/rank_reference.py, which works from the
// same raw data by the textbook definitions: brute-force ranks, U = n1 n2 +
// n1 (n1 + 1) / 2 - R1, H = 12 / (N (N + 1)) sum R_j^2 / n_j - 3 (N + 1)
// divided by 1 - sum(t^3 - t) / (N^3 - N) for ties, the distribution
// functions' differences at every pooled value, the fewest and most runs
// over every order of the tied values, the Poisson distribution function
// term by term; exact fractions, then mpmath at 40 digits for roots and
// probabilities. Here the raw data become the sums the
// functions take by brute force, independent of the analyses' walks.
#include "numeric/rank_statistics.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
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

struct TwoSamples {
    const char* name;
    Values a, b;
};

const TwoSamples kTwoSamples[] = {
    {"NoTies", {1.5, 3, 7}, {2, 4, 5, 9}},
    {"Ties", {1, 2, 2, 3, 5, 5}, {2, 3, 3, 5, 8}},
    {"FirstSampleLarger", {6, 7, 8, 9, 1}, {2, 3}},
    {"OneEach", {1}, {2}},
    {"AllTied", {4, 4}, {4}},
    {"Thirty",
     {12, 15, 9, 22, 15, 18, 30, 11, 9, 25, 17, 15, 20, 14},
     {8, 13, 15, 10, 9, 21, 7, 12, 16, 6, 11, 9, 19, 5, 13, 10}},
};

const TwoSamples& Samples(const std::string& name) {
    for (const TwoSamples& s : kTwoSamples)
        if (name == s.name) return s;
    ADD_FAILURE() << "no data " << name;
    return kTwoSamples[0];
}

Values Pooled(const TwoSamples& s) {
    Values all = s.a;
    all.insert(all.end(), s.b.begin(), s.b.end());
    return all;
}

TEST(TieTotals, CountsTiedRunsOnly) {
    // 2, 3 and 5 three times each; 1 and 8 once: 9 tied values in 3 runs,
    // 3 (27 - 3) = 72.
    const TieTotals t = Ties(Pooled(Samples("Ties")));
    EXPECT_EQ(t.ties, 9);
    EXPECT_EQ(t.tiedGroups, 3);
    EXPECT_EQ(t.sumCubes, 72);
    TieTotals none;
    for (double f : {1.0, 0.0, 1.0}) none.add(f);
    EXPECT_EQ(none.tiedGroups, 0);
    EXPECT_EQ(none.sumCubes, 0);
}

TEST(MannWhitney, AgainstTheTextbookFromRawData) {
    struct Row {
        const char* data;
        double u, uPrime, w, z, p, zTies, pTies, sumTies;
    };
    const Row rows[] = {
        {"NoTies", 4, 8, 10, -0.70710678118654757, 0.47950012218695348, -0.70710678118654757,
         0.47950012218695348, 0},
        {"Ties", 10, 20, 35, -0.9128709291752769, 0.36131042852617884, -0.93883452024851344,
         0.34781571233583869, 6},
        {"FirstSampleLarger", 2, 8, 5, -1.1618950038622251, 0.24527811680677283,
         -1.1618950038622251, 0.24527811680677283, 0},
        {"OneEach", 0, 1, 1, -1, 0.31731050786291409, -1, 0.31731050786291409, 0},
        // Every value tied: no variance is left for Z(ties).
        {"AllTied", 1, 1, 2, 0, 1, kNull, kNull, 2},
        {"Thirty", 55.5, 168.5, 273.5, -2.3487360558197752, 0.018837254666670262,
         -2.3550315401228326, 0.018521133585385072, 12},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        const TwoSamples& s = Samples(row.data);
        const Values all = Pooled(s);
        double r1 = 0, r2 = 0;
        for (std::size_t i = 0; i < all.size(); ++i)
            (i < s.a.size() ? r1 : r2) += BruteRank(all, i);
        const double n1 = static_cast<double>(s.a.size()), n2 = static_cast<double>(s.b.size());
        const std::optional<MannWhitney> m = mannWhitney(n1, n2, r1, r2, Ties(all));
        ASSERT_TRUE(m);
        EXPECT_TRUE(Close(m->meanRank1, r1 / n1));
        EXPECT_TRUE(Close(m->meanRank2, r2 / n2));
        EXPECT_TRUE(Close(m->u, row.u));
        EXPECT_TRUE(Close(m->uPrime, row.uPrime));
        EXPECT_TRUE(Close(m->w, row.w));
        EXPECT_TRUE(Close(m->sumTies, row.sumTies));
        EXPECT_TRUE(Close(m->z.value, row.z));
        EXPECT_TRUE(Close(m->z.p, row.p));
        const auto zTies = m->zTies ? std::optional(m->zTies->value) : std::nullopt;
        const auto pTies = m->zTies ? std::optional(m->zTies->p) : std::nullopt;
        EXPECT_TRUE(Close(zTies, row.zTies));
        EXPECT_TRUE(Close(pTies, row.pTies));
    }
    EXPECT_FALSE(mannWhitney(0, 3, 0, 6, {}));
    EXPECT_FALSE(mannWhitney(2, 0, 3, 0, {}));
}

TEST(KolmogorovSmirnov, TwoSamplesAgainstTheLimitingDistribution) {
    struct Row {
        const char* data;
        double positive, negative, absolute, z, p;
    };
    const Row rows[] = {
        {"NoTies", 0.41666666666666669, -0.083333333333333329, 0.41666666666666669,
         0.54554472558998091, 0.92722078175978229},
        {"Ties", 0.29999999999999999, 0, 0.29999999999999999, 0.49543369430686229,
         0.96679076049326829},
        {"FirstSampleLarger", 0.20000000000000001, -0.80000000000000004, 0.80000000000000004,
         0.9561828874675149, 0.31995401639623067},
        {"OneEach", 1, 0, 1, 0.70710678118654757, 0.69937419913101562},
        {"AllTied", 0, 0, 0, 0, 1},
        {"Thirty", 0, -0.4642857142857143, 0.4642857142857143, 1.2686700948330931,
         0.079981141163768227},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.data);
        const TwoSamples& s = Samples(row.data);
        const double n1 = static_cast<double>(s.a.size()), n2 = static_cast<double>(s.b.size());
        // The differences at every pooled value, from zero as the walk starts.
        double positive = 0, negative = 0;
        for (double v : Pooled(s)) {
            const double below1 = static_cast<double>(
                std::count_if(s.a.begin(), s.a.end(), [v](double x) { return x <= v; }));
            const double below2 = static_cast<double>(
                std::count_if(s.b.begin(), s.b.end(), [v](double x) { return x <= v; }));
            positive = std::max(positive, below1 / n1 - below2 / n2);
            negative = std::min(negative, below1 / n1 - below2 / n2);
        }
        const KolmogorovSmirnov ks = ksTwoSample(positive, negative, n1, n2);
        EXPECT_TRUE(Close(ks.positive, row.positive));
        EXPECT_TRUE(Close(ks.negative, row.negative));
        EXPECT_TRUE(Close(ks.absolute, row.absolute));
        EXPECT_TRUE(Close(ks.z, row.z));
        EXPECT_TRUE(Close(ks.p, row.p, 1e-12));
    }
}

TEST(KolmogorovSmirnov, FitByTheShortSeries) {
    // Q(z) from both full series in mpmath; the short series keeps about six
    // digits (its constants have seven), and cuts to 1 below 0.27 and to 0
    // from 3.1 on, where Q is within 1e-6 of them.
    const double tails[][2] = {
        {0.1, 1},
        {0.3, 0.99999069419866549},
        {0.5, 0.96394524366487511},
        {0.8, 0.54414241157419818},
        {1, 0.2699996716773545},
        {1.2, 0.11224966667072496},
        {2, 0.00067092525577969533},
        {3, 3.0459959489425258e-08},
        {3.5, 0},
    };
    for (const auto& [z, q] : tails) EXPECT_NEAR(ksShortSeries(z), q, 1e-6) << "z = " << z;

    // D = max(D+, -D-) and Z = D sqrt(n), by hand.
    const KolmogorovSmirnov a = ksFit(0.1, -0.05, 25);
    EXPECT_EQ(a.absolute, 0.1);
    EXPECT_TRUE(Close(a.z, 0.5));
    EXPECT_NEAR(a.p, 0.96394524366487511, 1e-6);
    const KolmogorovSmirnov b = ksFit(0.02, -0.3, 16);
    EXPECT_EQ(b.absolute, 0.3);
    EXPECT_TRUE(Close(b.z, 1.2));
    EXPECT_NEAR(b.p, 0.11224966667072496, 1e-6);
}

TEST(RunningPoissonCdf, SumsOnAtAscendingValues) {
    // sum over k <= floor(x) of e^-lambda lambda^k / k! in mpmath; a value
    // met twice adds nothing the second time.
    struct Row {
        double lambda;
        std::vector<std::pair<double, double>> at;
    };
    const Row rows[] = {
        {3.7,
         {{-0.5, 0},
          {0, 0.024723526470339392},
          {2.5, 0.28543311310006825},
          {3, 0.49415324415041845},
          {3, 0.49415324415041845},
          {7, 0.96475926952786095},
          {15, 0.9999981440596224},
          {40, 1}}},
        {0.5, {{0, 0.60653065971263342}, {1, 0.90979598956895014}, {2, 0.98561232203302929}}},
        {250,
         {{200, 0.00061327953614685727},
          {250, 0.51681228921553923},
          {250.5, 0.51681228921553923},
          {300, 0.99904778041360731},
          {1000, 1}}},
    };
    for (const Row& row : rows) {
        RunningPoissonCdf cdf(row.lambda);
        for (const auto& [x, p] : row.at)
            EXPECT_TRUE(Close(cdf.at(x), p)) << "lambda " << row.lambda << " at " << x;
    }
}

TEST(KruskalWallis, AgainstTheTextbookFromRawData) {
    struct Row {
        const char* name;
        std::vector<Values> samples;
        double h, df, p, hTies, pTies;
    };
    const Row rows[] = {
        {"ThreeNoTies",
         {{2.1, 3.4, 1.9}, {5.5, 4.0}, {0.5, 6.2, 7.1, 3.0}},
         1.8444444444444446,
         2,
         0.39763442648458741,
         1.8444444444444446,
         0.39763442648458741},
        {"TiesAndASampleOfOne",
         {{1, 2, 2, 3}, {2, 4}, {5}, {3, 3, 1}},
         3.2886363636363636,
         3,
         0.34922738552407762,
         3.4783653846153846,
         0.32357891705888853},
        // One sample: H is 0 on no degrees of freedom (no probability checked).
        {"OneSample", {{1, 2, 3}}, 0, 0, kNull, 0, kNull},
        {"OneValue", {{7}}, 0, 0, kNull, kNull, kNull},
        // Every value tied: nothing is left to correct.
        {"AllTied", {{5, 5}, {5}, {5, 5, 5}}, 0, 2, 1, kNull, kNull},
        {"ThirtyInFour",
         {{3, 7, 7, 12, 5, 9, 14, 7},
          {10, 15, 12, 18, 11, 20, 16},
          {2, 5, 7, 9, 4, 6, 3, 8},
          {13, 12, 19, 21, 17, 15, 22}},
         20.069585253456221,
         3,
         0.0001641982286803626,
         20.150276013912379,
         0.0001579945447891938},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Values all;
        for (const Values& s : row.samples) all.insert(all.end(), s.begin(), s.end());
        RankSums sums;
        std::size_t at = 0;
        for (const Values& s : row.samples) {
            double r = 0;
            for (std::size_t i = 0; i < s.size(); ++i) r += BruteRank(all, at + i);
            at += s.size();
            sums.add(static_cast<double>(s.size()), r);
        }
        EXPECT_EQ(sums.groups - 1, row.df);
        const std::optional<KruskalWallis> k = kruskalWallis(sums, Ties(all));
        ASSERT_TRUE(k);
        // H is a difference of terms near 3 (N + 1): absolute against them.
        EXPECT_NEAR(k->h.value, row.h, 1e-13 * 3 * (static_cast<double>(all.size()) + 1));
        if (row.df > 0) {
            EXPECT_TRUE(Close(k->h.p, row.p, 1e-12));
        }
        if (std::isnan(row.hTies)) {
            EXPECT_FALSE(k->hTies);
        } else {
            ASSERT_TRUE(k->hTies);
            EXPECT_NEAR(k->hTies->value, row.hTies, 1e-12 * 3 * (static_cast<double>(all.size())));
            if (row.df > 0) {
                EXPECT_TRUE(Close(k->hTies->p, row.pTies, 1e-12));
            }
        }
    }
    EXPECT_FALSE(kruskalWallis({}, {}));
}

TEST(RunsTest, FewestAndMostRunsOverEveryOrderOfTheTies) {
    struct Row {
        const char* name;
        Values a, b;
        double minRuns, maxRuns, mean, sd, minZ, minP, maxZ, maxP;
        // Values held by both samples, counted by hand.
        double tiedGroups = 0, ties = 0;
    };
    std::vector<Row> rows = {
        {"NoTies",
         {1, 3, 5, 7},
         {2, 4, 6, 8, 9},
         8,
         8,
         5.4444444444444446,
         1.3833221775543036,
         1.4859557584696228,
         0.068645411778348001,
         1.4859557584696228,
         0.068645411778348001,
         0,
         0},
        {"Ties",
         {1, 2, 2, 4, 5, 5},
         {2, 3, 5, 6, 6},
         4,
         8,
         6.4545454545454541,
         1.5587661999529314,
         -1.2539054635675793,
         0.10493818447114009,
         0.670693620047775,
         0.25120786400718048,
         2,
         6},
        {"TieAtTheStart",
         {1, 1, 3},
         {1, 2, 4},
         4,
         6,
         4,
         1.0954451150103321,
         -0.45643546458763845,
         0.32403843406957306,
         1.3693063937629153,
         0.085451760115398734,
         1,
         3},
        {"EqualCountsTiedFirst",
         {1, 2, 4},
         {1, 3, 3},
         4,
         5,
         4,
         1.0954451150103321,
         -0.45643546458763845,
         0.32403843406957306,
         0.45643546458763845,
         0.32403843406957306,
         1,
         2},
        {"TieAtTheEnd",
         {1, 3, 5, 5},
         {2, 5, 5, 5},
         4,
         8,
         5,
         1.3093073414159544,
         -0.38188130791298669,
         0.35127470278797457,
         1.9094065395649333,
         0.028104833915595567,
         1,
         5},
        // One sample only: no spread, no Z.
        {"OneSampleOnly", {1, 2, 3}, {}, 1, 1, 1, 0, kNull, kNull, kNull, kNull},
        // 62 values: no continuity correction.
        {"Sixty",
         {},
         {},
         53,
         57,
         31.967741935483872,
         3.9004692837607826,
         5.3922378397086348,
         3.4792789407161533e-08,
         6.4177554656654925,
         6.9149081075341918e-11,
         3,
         9},
    };
    for (int i = 0; i < 30; ++i) rows.back().a.push_back(2 * i);
    rows.back().a.insert(rows.back().a.end(), {7, 19});
    for (int i = 0; i < 26; ++i) rows.back().b.push_back(2 * i + 1);
    rows.back().b.insert(rows.back().b.end(), {7, 19, 40, 40});

    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Values all = row.a;
        all.insert(all.end(), row.b.begin(), row.b.end());
        std::sort(all.begin(), all.end());
        all.erase(std::unique(all.begin(), all.end()), all.end());
        RunCounts runs;
        for (std::size_t i = 0; i < all.size(); ++i) {
            const auto c1 = static_cast<double>(std::count(row.a.begin(), row.a.end(), all[i]));
            const auto c2 = static_cast<double>(std::count(row.b.begin(), row.b.end(), all[i]));
            runs.add(c1 > 0, c2 > 0, c1, c2, i + 1 == all.size());
        }
        EXPECT_EQ(runs.minRuns, row.minRuns);
        EXPECT_EQ(runs.maxRuns, row.maxRuns);
        EXPECT_EQ(runs.tiedGroups, row.tiedGroups);
        EXPECT_EQ(runs.ties, row.ties);
        const std::optional<RunsTest> t =
            runsTest(static_cast<double>(row.a.size()), static_cast<double>(row.b.size()),
                     runs.minRuns, runs.maxRuns);
        ASSERT_TRUE(t);
        EXPECT_TRUE(Close(t->mean, row.mean));
        EXPECT_TRUE(Close(t->sd, row.sd));
        const auto value = [](const std::optional<Tested>& z) {
            return z ? std::optional(z->value) : std::nullopt;
        };
        const auto p = [](const std::optional<Tested>& z) {
            return z ? std::optional(z->p) : std::nullopt;
        };
        EXPECT_TRUE(Close(value(t->minZ), row.minZ));
        EXPECT_TRUE(Close(p(t->minZ), row.minP, 1e-12));
        EXPECT_TRUE(Close(value(t->maxZ), row.maxZ));
        EXPECT_TRUE(Close(p(t->maxZ), row.maxP, 1e-12));
    }
    EXPECT_FALSE(runsTest(1, 0, 1, 1));
}

}  // namespace
}  // namespace qrv::num
