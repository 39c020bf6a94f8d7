// Ranks with ties over sorted values: tie runs, their ranks and their counts
// per tag on examples worked by hand, weights counting as repeated values,
// -0 tying with 0; and on seeded random data under a budget small enough to
// spill every few values, every run, rank sum and mean rank against ranks
// counted by brute force (less-than and equal counts of each value), with a
// second and third read of the same field giving the same values.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "engine/sort_budget.h"
#include "engine/sort_table.h"
#include "support/temp_dir.h"

namespace qrv::test {
namespace {

struct SeenRun {
    double value, count, firstRank, meanRank;
    std::vector<std::pair<std::int64_t, double>> tags;
    bool operator==(const SeenRun&) const = default;
};

std::vector<SeenRun> runs(SortTable& t, int field, bool byTag) {
    std::vector<SeenRun> out;
    TieRuns r = t.Runs(field, byTag);
    for (TieRun run; r.Next(run);)
        out.push_back({run.value, run.count, run.firstRank, run.meanRank, run.tags});
    EXPECT_FALSE(r.error()) << r.error().description;
    return out;
}

TEST(TieRunsTest, RunsAndRanksByHand) {
    SortTable t;
    for (double x : {3, 1, 4, 1, 5, 9, 2, 6, 5, 3, 5}) ASSERT_FALSE(t.Append(1, x));
    // 1 1 | 2 | 3 3 | 4 | 5 5 5 | 6 | 9: ranks 1-2, 3, 4-5, 6, 7-9, 10, 11.
    EXPECT_EQ(runs(t, 1, false), (std::vector<SeenRun>{{1, 2, 1, 1.5, {}},
                                                       {2, 1, 3, 3, {}},
                                                       {3, 2, 4, 4.5, {}},
                                                       {4, 1, 6, 6, {}},
                                                       {5, 3, 7, 8, {}},
                                                       {6, 1, 10, 10, {}},
                                                       {9, 1, 11, 11, {}}}));
    // Weights count as that many values: 10 twice and once, 20 once, 30
    // three times take ranks 1-3, 4 and 5-7.
    ASSERT_FALSE(t.Append(2, 30, 3));
    ASSERT_FALSE(t.Append(2, 10, 2));
    ASSERT_FALSE(t.Append(2, 20, 1));
    ASSERT_FALSE(t.Append(2, 10, 1));
    EXPECT_EQ(runs(t, 2, false),
              (std::vector<SeenRun>{{10, 3, 1, 2, {}}, {20, 1, 4, 4, {}}, {30, 3, 5, 6, {}}}));
    // -0 and 0 are one value.
    for (double x : {0.0, -0.0, 1.0, -0.0}) ASSERT_FALSE(t.Append(3, x));
    const auto zeros = runs(t, 3, false);
    ASSERT_EQ(zeros.size(), 2u);
    EXPECT_EQ(zeros[0].count, 3);
    EXPECT_EQ(zeros[0].meanRank, 2);
    // A field without values has no runs.
    EXPECT_TRUE(runs(t, 4, false).empty());
}

TEST(TieRunsTest, RankSumsOfTwoSamplesByHand) {
    // Sample 1: 1 3 3 6; sample 2: 3 5 6 8 9. Together 1 | 3 3 3 | 5 | 6 6 | 8 | 9:
    // ranks 1, 2-4 (mean 3), 5, 6-7 (mean 6.5), 8, 9. R1 = 1 + 2*3 + 6.5 = 13.5,
    // R2 = 3 + 5 + 6.5 + 8 + 9 = 31.5; ties 3 and 2: sum of t^3 - t = 24 + 6.
    SortTable t;
    const std::pair<double, int> values[] = {{3, 2}, {1, 1}, {6, 2}, {3, 1}, {9, 2},
                                             {5, 2}, {3, 1}, {8, 2}, {6, 1}};
    for (auto [x, sample] : values) ASSERT_FALSE(t.Append(1, x, 1, sample));
    std::map<std::int64_t, double> rankSum;
    double tieSum = 0;
    TieRuns r = t.Runs(1, true);
    for (TieRun run; r.Next(run);) {
        for (auto [tag, count] : run.tags) rankSum[tag] += count * run.meanRank;
        if (run.tied()) tieSum += run.count * run.count * run.count - run.count;
    }
    EXPECT_EQ(rankSum[1], 13.5);
    EXPECT_EQ(rankSum[2], 31.5);
    EXPECT_EQ(tieSum, 30);
    EXPECT_EQ(r.Counted(), 9);
    // The run of 3: two of sample 1, one of sample 2, in tag order.
    const auto all = runs(t, 1, true);
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[1].tags, (std::vector<std::pair<std::int64_t, double>>{{1, 2}, {2, 1}}));
    EXPECT_EQ(all[1].firstRank, 2);
}

TEST(TieRunsTest, EachValueWithItsMeanRank) {
    // Values tagged with their row: 7 7 2 9 2 7 take ranks 4, 4, 1.5, 6, 1.5, 4
    // (2 2 | 7 7 7 | 9).
    SortTable t;
    const double xs[] = {7, 7, 2, 9, 2, 7};
    for (int row = 0; row < 6; ++row) ASSERT_FALSE(t.Append(1, xs[row], 1, row));
    std::map<std::int64_t, double> rank;
    RankedValues r = t.Ranked(1);
    SortItem it;
    for (double mean; r.Next(it, mean);) rank[it.tag] = mean;
    EXPECT_FALSE(r.error());
    EXPECT_EQ(rank,
              (std::map<std::int64_t, double>{{0, 4}, {1, 4}, {2, 1.5}, {3, 6}, {4, 1.5}, {5, 4}}));
}

// Brute force: the mean rank of v among values with counts is the count of
// smaller values plus (the count of equal ones + 1) / 2.
double bruteRank(const std::vector<SortItem>& all, double v) {
    double less = 0, equal = 0;
    for (const SortItem& it : all) {
        if (it.value < v) less += it.weight;
        if (it.value == v) equal += it.weight;
    }
    return less + (equal + 1) / 2;
}

TEST(TieRunsTest, SpilledValuesRankAsCountedByBruteForce) {
    for (unsigned seed : {3u, 17u}) {
        SCOPED_TRACE(seed);
        TempDir dir;
        SortBudget budget(700, dir.path());
        SortTable t, other;
        t.UseBudget(&budget);
        other.UseBudget(&budget);
        std::mt19937 rng(seed);
        std::vector<SortItem> all;
        std::map<std::int64_t, std::vector<SortItem>> bySample;
        for (int i = 0; i < 1500; ++i) {
            const double v = static_cast<double>(static_cast<int>(rng() % 120)) / 4 - 10;
            const double count = 1 + static_cast<double>(rng() % 3);
            const std::int64_t sample = static_cast<std::int64_t>(rng() % 4);
            all.push_back({v, count, sample});
            bySample[sample].push_back(all.back());
            ASSERT_FALSE(t.Append(1, v, count, sample));
            // A second table competes for the budget, as other groups do.
            ASSERT_FALSE(other.Append(1, v));
        }
        EXPECT_GT(budget.Runs(), 20) << "the values must have spilled";

        // Every run: its rank, its count and its count per sample.
        std::map<std::int64_t, double> rankSum;
        double counted = 0;
        TieRuns r = t.Runs(1, true);
        for (TieRun run; r.Next(run);) {
            EXPECT_EQ(run.meanRank, bruteRank(all, run.value)) << run.value;
            EXPECT_EQ(run.firstRank, counted + 1);
            double perSample = 0;
            for (auto [tag, count] : run.tags) {
                double expected = 0;
                for (const SortItem& it : bySample[tag])
                    if (it.value == run.value) expected += it.weight;
                EXPECT_EQ(count, expected) << run.value << " sample " << tag;
                perSample += count;
                rankSum[tag] += count * run.meanRank;
            }
            EXPECT_EQ(perSample, run.count);
            counted += run.count;
        }
        ASSERT_FALSE(r.error()) << r.error().description;
        double total = 0;
        for (const SortItem& it : all) total += it.weight;
        EXPECT_EQ(counted, total);
        for (auto& [tag, items] : bySample) {
            double expected = 0;
            for (const SortItem& it : items) expected += it.weight * bruteRank(all, it.value);
            EXPECT_EQ(rankSum[tag], expected) << "sample " << tag;
        }

        // Value by value with ranks, and plain reads again: the same values.
        std::vector<SortItem> sorted = all;
        std::sort(sorted.begin(), sorted.end(), ItemBefore);
        RankedValues ranked = t.Ranked(1);
        size_t i = 0;
        SortItem it;
        for (double mean; ranked.Next(it, mean); ++i) {
            ASSERT_LT(i, sorted.size());
            EXPECT_EQ(it.value, sorted[i].value);
            EXPECT_EQ(it.tag, sorted[i].tag);
            EXPECT_EQ(mean, bruteRank(all, it.value));
        }
        EXPECT_EQ(i, sorted.size());
        for (int pass = 0; pass < 2; ++pass) {
            SortedStream s = t.Read(1);
            size_t n = 0;
            for (SortItem x; s.Next(x); ++n) {
                ASSERT_LT(n, sorted.size());
                EXPECT_EQ(x.value, sorted[n].value);
                EXPECT_EQ(x.weight, sorted[n].weight);
            }
            EXPECT_EQ(n, sorted.size()) << "pass " << pass;
        }
    }
}

}  // namespace
}  // namespace qrv::test
