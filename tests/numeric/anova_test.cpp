// Tests of the one-way ANOVA kernel on cases worked by hand (python fractions).
#include "numeric/anova.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qrv::num {
namespace {

std::vector<Moments> Levels(const std::vector<std::vector<double>>& values, double offset = 0,
                            double scale = 1) {
    std::vector<Moments> out(values.size());
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

TEST(OneWayAnova, WeightedAndMergedLevelsEqualRepeatedValues) {
    // Levels 4, 4, 4, 7 and 1, 2, 2: means 19/4 and 5/3, so between =
    // (4 * 3 / 7) (37/12)^2 = 1369/84 on 1 df; within = 27/4 + 2/3 = 89/12
    // on 5 df. Weight 3 on a value is three copies of it, and parts that
    // start at different values (different shifts) merge to the same level.
    std::vector<Moments> weighted(2), repeated = Levels({{4, 4, 4, 7}, {1, 2, 2}}), merged(2);
    weighted[0].add(4.0, 3.0);
    weighted[0].add(7.0);
    weighted[1].add(2.0, 2.0);
    weighted[1].add(1.0);
    Moments tail;
    for (double v : {7.0, 4.0}) merged[0].add(v);
    for (double v : {4.0, 4.0}) tail.add(v);
    merged[0].merge(tail);
    merged[1] = Levels({{2, 1, 2}})[0];
    for (const auto* levels : {&weighted, &repeated, &merged}) {
        const OneWayAnova t = oneWayAnova(*levels);
        EXPECT_EQ(t.n.toDouble(), 7.0);
        EXPECT_EQ(t.dfWithin.toDouble(), 5.0);
        EXPECT_LT(std::fabs((t.ssBetween - Extended(1369.0) / 84.0).toDouble()), 1e-29);
        EXPECT_LT(std::fabs((t.ssWithin - Extended(89.0) / 12.0).toDouble()), 1e-29);
    }
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
    std::vector<Moments> levels = Levels({{1, 3}, {2, 2}, {}});
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
