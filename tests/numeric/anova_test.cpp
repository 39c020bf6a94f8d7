// Tests of the one-way ANOVA kernel on cases worked by hand.
#include "numeric/anova.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qrv::num {
namespace {

std::vector<LevelSums> Levels(const std::vector<std::vector<double>>& values, double offset = 0,
                              double scale = 1) {
    std::vector<LevelSums> out(values.size());
    for (std::size_t j = 0; j < values.size(); ++j) {
        for (double v : values[j]) out[j].add(offset + scale * v);
    }
    return out;
}

TEST(OneWayAnova, ThreeLevelsByHand) {
    // {1,2,3}, {4,5,6}, {7,8,9}: means 2, 5, 8 about 5, so between = 3 (9 + 0
    // + 9) = 54 on 2 df, within = 3 * 2 = 6 on 6 df, F = 27 / 1 = 27,
    // R-square = 54 / 60 = 0.9.
    const OneWayAnova t = oneWayAnova(Levels({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}));
    EXPECT_EQ(t.levels, 3);
    EXPECT_EQ(t.n.toDouble(), 9.0);
    EXPECT_EQ(t.ssBetween.toDouble(), 54.0);
    EXPECT_EQ(t.ssWithin.toDouble(), 6.0);
    EXPECT_EQ(t.ssTotal.toDouble(), 60.0);
    EXPECT_EQ(t.dfBetween.toDouble(), 2.0);
    EXPECT_EQ(t.dfWithin.toDouble(), 6.0);
    EXPECT_EQ(t.dfTotal.toDouble(), 8.0);
    ASSERT_TRUE(t.f && t.msBetween && t.msWithin && t.r2);
    EXPECT_EQ(t.msBetween->toDouble(), 27.0);
    EXPECT_EQ(t.msWithin->toDouble(), 1.0);
    EXPECT_EQ(t.f->toDouble(), 27.0);
    EXPECT_LT(std::fabs((*t.r2 - Extended(9.0) / 10.0).toDouble()), 1e-31);
}

TEST(OneWayAnova, HugeOffsetKeepsEveryDigit) {
    // The same table scaled by 1/128 on an offset of 2^45 (about 3.5e13): each
    // value is a double exactly (52 significant bits), and the sums of squares
    // must come out as 54/128^2 and 6/128^2 exactly, F still 27. Plain sums
    // of x^2 would need 108 bits here, beyond the 106 of an Extended, and
    // would lose the table.
    const double offset = std::ldexp(1.0, 45);
    const OneWayAnova t = oneWayAnova(Levels({{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, offset, 1.0 / 128));
    EXPECT_EQ(t.ssBetween.toDouble(), 54.0 / 16384);
    EXPECT_EQ(t.ssWithin.toDouble(), 6.0 / 16384);
    ASSERT_TRUE(t.f);
    EXPECT_LT(std::fabs((*t.f - 27.0).toDouble()), 1e-28);
}

TEST(OneWayAnova, LevelSumsByHand) {
    LevelSums l;
    for (double v : {10.5, 11.5, 12.5, 9.5}) l.add(v);
    EXPECT_EQ(l.count(), 4);
    EXPECT_EQ(l.n().toDouble(), 4.0);
    EXPECT_EQ(l.sum().toDouble(), 44.0);
    EXPECT_EQ(l.mean().toDouble(), 11.0);
    EXPECT_EQ(l.centredSquares().toDouble(), 5.0);  // 0.25 + 0.25 + 2.25 + 2.25
    EXPECT_EQ(l.min(), 9.5);
    EXPECT_EQ(l.max(), 12.5);
    EXPECT_EQ(l.meanAbout(10.0).toDouble(), 1.0);
}

TEST(OneWayAnova, WeightsAndMergedPartsEqualOnePass) {
    // Weight 3 on a value is three copies of it; parts that start at
    // different values (different shifts) merge to the one-pass sums.
    LevelSums weighted, repeated, first, second;
    weighted.add(4.0, 3.0);
    weighted.add(7.0);
    for (int i = 0; i < 3; ++i) repeated.add(4.0);
    repeated.add(7.0);
    first.add(7.0);
    first.add(4.0);
    second.add(4.0);
    second.add(4.0);
    first.merge(second);
    for (const LevelSums* l : {&weighted, &repeated, &first}) {
        EXPECT_EQ(l->n().toDouble(), 4.0);
        EXPECT_EQ(l->sum().toDouble(), 19.0);
        EXPECT_EQ(l->mean().toDouble(), 4.75);
        EXPECT_EQ(l->centredSquares().toDouble(), 6.75);  // 3 * 0.5625 + 5.0625
    }
    EXPECT_EQ(weighted.count(), 2);
    EXPECT_EQ(first.count(), 4);
    EXPECT_EQ(first.min(), 4.0);
    EXPECT_EQ(first.max(), 7.0);
}

TEST(OneWayAnova, GuardsOnDegreesOfFreedomAndSpread) {
    // One level: no between df, so no mean square and no F.
    const OneWayAnova one = oneWayAnova(Levels({{1, 2, 3}}));
    EXPECT_EQ(one.levels, 1);
    EXPECT_FALSE(one.msBetween.has_value());
    EXPECT_FALSE(one.f.has_value());
    EXPECT_EQ(one.ssWithin.toDouble(), 2.0);
    // No spread within levels: the within mean square is 0, so no F.
    const OneWayAnova flat = oneWayAnova(Levels({{1, 1}, {3, 3}}));
    ASSERT_TRUE(flat.msWithin.has_value());
    EXPECT_EQ(flat.msWithin->toDouble(), 0.0);
    EXPECT_FALSE(flat.f.has_value());
    EXPECT_EQ(flat.ssBetween.toDouble(), 4.0);
    // Equal means: between is 0, so no F; an empty level takes no part.
    std::vector<LevelSums> levels = Levels({{1, 3}, {2, 2}, {}});
    const OneWayAnova same = oneWayAnova(levels);
    EXPECT_EQ(same.levels, 2);
    EXPECT_EQ(same.dfBetween.toDouble(), 1.0);
    EXPECT_EQ(same.ssBetween.toDouble(), 0.0);
    EXPECT_FALSE(same.f.has_value());
    // Nothing at all.
    const OneWayAnova none = oneWayAnova({});
    EXPECT_EQ(none.levels, 0);
    EXPECT_FALSE(none.r2.has_value());
}

}  // namespace
}  // namespace qrv::num
