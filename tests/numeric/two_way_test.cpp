// Tests of the two-factor terms. Reference values: a balanced design worked
// by hand, and an unbalanced one with an empty cell whose additive model was
// fitted as a regression on dummy variables in exact fractions (python3
// fractions): reduction about the grand mean 2646/19, cells 147,
// interaction 147/19, within 11, one interaction df.
#include "numeric/two_way.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qrv::num {
namespace {

using Grid = std::vector<std::vector<std::vector<double>>>;

std::vector<std::vector<Moments>> Cells(const Grid& g, double offset = 0, double scale = 1) {
    std::vector<std::vector<Moments>> c(g.size(), std::vector<Moments>(g[0].size()));
    for (std::size_t i = 0; i < g.size(); ++i) {
        for (std::size_t j = 0; j < g[i].size(); ++j) {
            for (double v : g[i][j]) c[i][j].add(offset + scale * v);
        }
    }
    return c;
}

double RelErr(const Extended& got, double num, double den = 1.0) {
    const Extended want = Extended(num) / den;
    return std::fabs(((got - want) / want).toDouble());
}

TEST(TwoWayTerms, BalancedTwoByTwoByHand) {
    // Cells {1,3} {5,7} / {2,4} {10,12}: cell means 2, 6, 3, 11, grand mean
    // 5.5; rows 4 and 7 give A = 18, columns 2.5 and 8.5 give B = 72, cells
    // 2 (12.25 + 0.25 + 6.25 + 30.25) = 98, so the interaction is 8; within 8.
    const TwoWayTerms t = twoWayTerms(Cells({{{1, 3}, {5, 7}}, {{2, 4}, {10, 12}}}));
    EXPECT_EQ(t.levelsA, 2);
    EXPECT_EQ(t.levelsB, 2);
    EXPECT_EQ(t.filled, 4);
    EXPECT_EQ(t.df, 1);
    EXPECT_TRUE(t.solved);
    EXPECT_LT(RelErr(t.cells, 98), 1e-30);
    EXPECT_LT(RelErr(t.additive, 90), 1e-30);
    EXPECT_LT(RelErr(t.interaction, 8), 1e-29);
    EXPECT_LT(RelErr(t.within, 8), 1e-30);
}

TEST(TwoWayTerms, UnbalancedWithAnEmptyCell) {
    // Factor A has three levels, B two; cell (3, 2) is empty.
    const Grid g = {{{1, 3, 2}, {5, 7}}, {{2, 4}, {10, 12, 11, 9}}, {{6}, {}}};
    const TwoWayTerms t = twoWayTerms(Cells(g));
    EXPECT_EQ(t.levelsA, 3);
    EXPECT_EQ(t.levelsB, 2);
    EXPECT_EQ(t.filled, 5);
    EXPECT_EQ(t.df, 1);  // (3-1)(2-1) - (6-5)
    EXPECT_LT(RelErr(t.additive, 2646, 19), 1e-29);
    EXPECT_LT(RelErr(t.cells, 147), 1e-30);
    EXPECT_LT(RelErr(t.interaction, 147, 19), 1e-28);
    EXPECT_LT(RelErr(t.within, 11), 1e-30);
    // The same design transposed fits the other factor's constants: same terms.
    Grid tr(2, std::vector<std::vector<double>>(3));
    for (std::size_t i = 0; i < 3; ++i) {
        for (std::size_t j = 0; j < 2; ++j) tr[j][i] = g[i][j];
    }
    const TwoWayTerms u = twoWayTerms(Cells(tr));
    EXPECT_LT(RelErr(u.interaction, 147, 19), 1e-28);
    EXPECT_LT(RelErr(u.additive, 2646, 19), 1e-29);
}

TEST(TwoWayTerms, OffsetDataKeepTheInteraction) {
    // The unbalanced design as 2^45 + v/128, doubles exactly: every sum of
    // squares is the one above over 128^2, though plain squares of these
    // values would not fit an Extended.
    const Grid g = {{{1, 3, 2}, {5, 7}}, {{2, 4}, {10, 12, 11, 9}}, {{6}, {}}};
    const TwoWayTerms t = twoWayTerms(Cells(g, std::ldexp(1.0, 45), 1.0 / 128));
    EXPECT_LT(RelErr(t.interaction, 147, 19 * 16384.0), 1e-26);
    EXPECT_LT(RelErr(t.within, 11, 16384), 1e-28);
    EXPECT_LT(RelErr(t.cells, 147, 16384), 1e-28);
}

TEST(TwoWayTerms, EmptyInputAndOneLevel) {
    EXPECT_EQ(twoWayTerms({}).filled, 0);
    // One level of B: no constants to fit, no interaction, additive = A's SS.
    const TwoWayTerms t = twoWayTerms(Cells({{{1, 3}}, {{5, 7}}}));
    EXPECT_EQ(t.levelsB, 1);
    EXPECT_EQ(t.df, 0);
    EXPECT_LT(RelErr(t.additive, 16), 1e-30);
    EXPECT_LT(std::fabs(t.interaction.toDouble()), 1e-28);
}

}  // namespace
}  // namespace qrv::num
