// The sorted values of a group: modes and cut points worked out by hand, with
// ties, weights, single values, several fields and values added after a read.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

#include "engine/sort_table.h"

namespace qrv::test {
namespace {

using num::Extended;

class SortTableTest : public ::testing::Test {
  protected:
    void add(int field, std::vector<double> xs, std::vector<double> ws = {}) {
        for (size_t i = 0; i < xs.size(); ++i)
            EXPECT_FALSE(table.Append(field, xs[i], ws.empty() ? 1.0 : ws[i]));
    }
    std::vector<double> cuts(int field, bool weighted, int parts, double n) {
        std::vector<double> out;
        EXPECT_EQ(table.CalcPercentiles(field, weighted, parts, Extended(n), out), "");
        return out;
    }
    // The mode of each field 1..fields, each from a read of its own.
    std::vector<SortTable::Mode> modes(int fields) {
        std::vector<SortTable::Mode> out(static_cast<size_t>(fields));
        std::vector<double> none;
        for (int f = 1; f <= fields; ++f)
            EXPECT_EQ(
                table.Summarize(f, &out[static_cast<size_t>(f - 1)], false, 0, Extended(), none),
                "");
        return out;
    }
    SortTable table;
};

TEST_F(SortTableTest, ModeIsTheValueOfTheHighestCount) {
    add(1, {3, 1, 3, 2, 1, 3});
    add(2, {1, 2, 2, 1});  // 1 and 2 twice each: a tie
    const auto m = modes(2);
    EXPECT_EQ(m[0].value, 3);
    EXPECT_EQ(m[0].count, 3);
    EXPECT_TRUE(m[0].unique);
    EXPECT_EQ(m[1].count, 2);
    EXPECT_FALSE(m[1].unique);
}

TEST_F(SortTableTest, WeightedModeCountsWeight) {
    // 1 weighs 2.5, 2 weighs 1 + 1.5 = 2.5, 3 weighs 0.5: a tie at 2.5.
    add(1, {2, 1, 3, 2}, {1, 2.5, 0.5, 1.5});
    // 7 weighs 4 once against 5 at 1 + 1 + 1: fewer rows, higher count.
    add(2, {5, 7, 5, 5}, {1, 4, 1, 1});
    const auto m = modes(2);
    EXPECT_EQ(m[0].count, 2.5);
    EXPECT_FALSE(m[0].unique);
    EXPECT_EQ(m[1].value, 7);
    EXPECT_EQ(m[1].count, 4);
    EXPECT_TRUE(m[1].unique);
}

TEST_F(SortTableTest, SingleValue) {
    add(1, {42}, {3});
    const auto m = modes(1);
    EXPECT_EQ(m[0].value, 42);
    EXPECT_EQ(m[0].count, 3);
    EXPECT_TRUE(m[0].unique);
    EXPECT_EQ(cuts(1, true, 4, 3), (std::vector<double>{42, 42, 42}));
    EXPECT_EQ(cuts(1, false, 10, 1), std::vector<double>(9, 42));
}

TEST_F(SortTableTest, UnweightedCutsInterpolatePositions) {
    add(1, {4, 1, 3, 2});
    // Positions 1 + 3j/4: 1.75, 2.5, 3.25.
    EXPECT_EQ(cuts(1, false, 4, 4), (std::vector<double>{1.75, 2.5, 3.25}));
    add(2, {20, 10});
    // Positions 1 + j/10 between 10 and 20.
    const auto d = cuts(2, false, 10, 2);
    for (int j = 1; j <= 9; ++j) EXPECT_DOUBLE_EQ(d[static_cast<size_t>(j - 1)], 10 + j);
    // Ties: 1, 2, 2, 2, 5 at positions 2, 3, 4.
    add(3, {2, 5, 2, 1, 2});
    EXPECT_EQ(cuts(3, false, 4, 5), (std::vector<double>{2, 2, 2}));
}

TEST_F(SortTableTest, WeightedCutsAreWhereTheRunningWeightReachesTheTarget) {
    add(1, {4, 3, 2, 1}, {4, 2, 1, 1});
    // Running weights 1, 2, 4, 8 against 4 (half of 8): reached at 3.
    EXPECT_EQ(cuts(1, true, 2, 8), (std::vector<double>{3}));
    add(2, {1, 2, 3, 4}, {1, 1, 1, 5});
    // Running 1, 2, 3, 8 against 4: reached only at 4.
    EXPECT_EQ(cuts(2, true, 2, 8), (std::vector<double>{4}));
    // Targets 2, 4, 6 of 8: 2 at the value 2 exactly, 4 and 6 at 4.
    EXPECT_EQ(cuts(2, true, 4, 8), (std::vector<double>{2, 4, 4}));
}

TEST_F(SortTableTest, ReadingAgainGivesTheSameAnswers) {
    add(1, {9, 9, 9, 1});
    EXPECT_EQ(modes(1)[0].value, 9);
    EXPECT_EQ(modes(1)[0].count, 3) << "a second read of the same values";
    add(1, {1, 1, 2});
    // Now 1, 1, 1, 2, 9, 9, 9: two values three times each.
    const auto m = modes(1);
    EXPECT_EQ(m[0].count, 3);
    EXPECT_FALSE(m[0].unique);
    EXPECT_EQ(cuts(1, false, 2, 7), (std::vector<double>{2}));
    EXPECT_EQ(table.Rows(), 7);
}

// The order every read gives: ascending, -0 before 0, infinities and the
// smallest subnormals in place; checked pairwise with < and the sign bit on
// values many enough to take the fast sort's radix path, not only its
// comparison fallback.
TEST(SortTableOrder, ReadsInTheTotalOrder) {
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> u(-1e6, 1e6);
    const double specials[] = {0.0, -0.0, INFINITY, -INFINITY, 5e-324, -5e-324, 1e308, -1e308};
    std::vector<double> all;
    SortTable t;
    for (int i = 0; i < 200000; ++i) {
        const double x = i % 97 == 0 ? specials[static_cast<size_t>(i / 97) % 8]
                                     : std::round(u(rng) / 1000) * (i % 3 ? 1.0 : 0.001);
        all.push_back(x);
        ASSERT_FALSE(t.Append(1, x));
    }
    SortedStream s = t.Read(1);
    std::vector<double> got;
    for (SortItem it; s.Next(it);) got.push_back(it.value);
    ASSERT_EQ(got.size(), all.size());
    for (size_t i = 1; i < got.size(); ++i) {
        const double a = got[i - 1], b = got[i];
        ASSERT_FALSE(b < a) << "at " << i;
        if (a == 0 && b == 0) {
            ASSERT_FALSE(!std::signbit(a) && std::signbit(b)) << "0 before -0 at " << i;
        }
    }
    // A few values, where the fast sort compares rather than bins.
    SortTable few;
    for (double x : {0.0, -0.0, 1.0, 0.0, -0.0, -1.0, 0.0, -0.0}) ASSERT_FALSE(few.Append(1, x));
    SortedStream f = few.Read(1);
    std::string signs;
    for (SortItem it; f.Next(it);)
        signs += it.value < 0 ? '-' : it.value > 0 ? '+' : std::signbit(it.value) ? 'n' : 'z';
    EXPECT_EQ(signs, "-nnnzzz+");
    // The same numbers as went in: sorted copies match bit for bit.
    std::sort(all.begin(), all.end(), [](double a, double b) {
        return a < b || (a == b && std::signbit(a) > std::signbit(b));
    });
    for (size_t i = 0; i < all.size(); ++i) {
        ASSERT_EQ(std::signbit(got[i]), std::signbit(all[i])) << i;
        ASSERT_EQ(got[i], all[i]) << i;
    }
}

}  // namespace
}  // namespace qrv::test
