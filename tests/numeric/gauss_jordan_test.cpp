// Tests of CMatrix, the Gauss-Jordan solver of the regressions. Reference
// solutions and inverses are worked by hand (cofactors) or come from the
// closed-form inverse of the Hilbert matrix; systems are built from integers
// so that the right-hand sides are exact.
#include "numeric/gauss_jordan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace qrv::num {
namespace {

using Rows = std::vector<std::vector<double>>;

// Augmented A (n x n coefficients, then the right-hand side in column m = n+1)
// and B set to the identity, both with index ranges 0..n, 0..m.
struct System {
    int n, m;
    Array2D A, B;
    System(const Rows& coef, const std::vector<double>& rhs)
        : n(static_cast<int>(coef.size())), m(n + 1), A(n, m), B(n, m) {
        for (int i = 1; i <= n; ++i) {
            for (int j = 1; j <= n; ++j) A(i, j) = coef[i - 1][j - 1];
            A(i, m) = rhs[i - 1];
            B(i, i) = 1.0;
        }
    }
    bool Solve() {
        return CMatrix().Quorvane_GaussJordan_b(static_cast<std::int16_t>(n),
                                                static_cast<std::int16_t>(m), A, B);
    }
};

// max |B * M - I| over the n x n block, M given by rows.
double InverseResidual(const Array2D& B, const Rows& M) {
    const int n = static_cast<int>(M.size());
    double worst = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double s = 0.0;
            for (int k = 1; k <= n; ++k) s += B(i, k) * M[k - 1][j - 1];
            worst = std::max(worst, std::fabs(s - (i == j ? 1.0 : 0.0)));
        }
    }
    return worst;
}

double Choose(int n, int k) {
    if (k < 0 || k > n) return 0.0;
    double r = 1.0;
    for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
    return std::round(r);
}

TEST(CMatrixSolve, SingleEquationWithSpareColumn) {
    // n = 1, m = 3: column 2 is scaled along and ignored; 4x = 10.
    Array2D A(1, 3), B(1, 3);
    A(1, 1) = 4.0;
    A(1, 2) = 6.0;
    A(1, 3) = 10.0;
    B(1, 1) = 1.0;
    ASSERT_TRUE(CMatrix().Quorvane_GaussJordan_b(1, 3, A, B));
    EXPECT_DOUBLE_EQ(A(1, 3), 2.5);
    EXPECT_DOUBLE_EQ(A(1, 2), 1.5);
    EXPECT_DOUBLE_EQ(A(1, 1), 1.0);
    EXPECT_DOUBLE_EQ(B(1, 1), 0.25);
}

TEST(CMatrixSolve, ThreeByThreeWithHandInverse) {
    // The textbook elimination example: A = [[2,1,-1],[-3,-1,2],[-2,1,2]]
    // with b = (8, -11, -3) has the solution (2, 3, -1).
    const Rows M = {{2, 1, -1}, {-3, -1, 2}, {-2, 1, 2}};
    System s(M, {8, -11, -3});
    ASSERT_TRUE(s.Solve());
    EXPECT_NEAR(s.A(1, 4), 2.0, 1e-14);
    EXPECT_NEAR(s.A(2, 4), 3.0, 1e-14);
    EXPECT_NEAR(s.A(3, 4), -1.0, 1e-14);
    // Cofactors give the inverse [[4,3,-1],[-2,-2,1],[5,4,-1]] (det = -1).
    const Rows inv = {{4, 3, -1}, {-2, -2, 1}, {5, 4, -1}};
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_NEAR(s.B(i, j), inv[i - 1][j - 1], 1e-14) << "B(" << i << "," << j << ")";
        }
    }
    // The coefficient block ends as the identity, off-diagonal exactly 0.
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            if (i == j) {
                EXPECT_NEAR(s.A(i, j), 1.0, 1e-15);
            } else {
                EXPECT_EQ(s.A(i, j), 0.0) << "A(" << i << "," << j << ")";
            }
        }
    }
}

TEST(CMatrixSolve, ZeroPivotNeedsRowExchange) {
    // A = [[0,2,1],[2,1,3],[1,1,1]], x = (1, 2, 3), b = (7, 13, 6).
    // Cofactors, det = 3: inverse = [[-2,-1,5],[1,-1,2],[1,2,-4]] / 3.
    // The row swapped in has pivot 2, so its B row must be scaled beyond
    // column 1 for B to come out as the full inverse.
    const Rows M = {{0, 2, 1}, {2, 1, 3}, {1, 1, 1}};
    System s(M, {7, 13, 6});
    ASSERT_TRUE(s.Solve());
    EXPECT_NEAR(s.A(1, 4), 1.0, 1e-14);
    EXPECT_NEAR(s.A(2, 4), 2.0, 1e-14);
    EXPECT_NEAR(s.A(3, 4), 3.0, 1e-14);
    const Rows inv = {{-2, -1, 5}, {1, -1, 2}, {1, 2, -4}};
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) {
            EXPECT_NEAR(s.B(i, j), inv[i - 1][j - 1] / 3.0, 1e-14) << "B(" << i << "," << j << ")";
        }
    }
    EXPECT_LT(InverseResidual(s.B, M), 1e-14);
}

TEST(CMatrixSolve, SpareColumnsBetweenCoefficientsAndRightHandSide) {
    // n = 2, m = 4: column 3 is carried but the solution is read from column 4.
    // 3x + y = 9, x + 2y = 8 gives x = 2, y = 3.
    Array2D A(2, 4), B(2, 4);
    A(1, 1) = 3;
    A(1, 2) = 1;
    A(1, 3) = 100;
    A(1, 4) = 9;
    A(2, 1) = 1;
    A(2, 2) = 2;
    A(2, 3) = -7;
    A(2, 4) = 8;
    B(1, 1) = B(2, 2) = 1;
    ASSERT_TRUE(CMatrix().Quorvane_GaussJordan_b(2, 4, A, B));
    EXPECT_NEAR(A(1, 4), 2.0, 1e-14);
    EXPECT_NEAR(A(2, 4), 3.0, 1e-14);
    // Inverse of [[3,1],[1,2]] is [[2,-1],[-1,3]] / 5.
    EXPECT_NEAR(B(1, 1), 0.4, 1e-15);
    EXPECT_NEAR(B(1, 2), -0.2, 1e-15);
    EXPECT_NEAR(B(2, 1), -0.2, 1e-15);
    EXPECT_NEAR(B(2, 2), 0.6, 1e-15);
}

TEST(CMatrixSingular, ProportionalRowsFail) {
    System two({{1, 2}, {2, 4}}, {3, 6});
    EXPECT_FALSE(two.Solve());
    // Third row is the sum of the first two: rank 2.
    System three({{1, 2, 3}, {4, 5, 6}, {5, 7, 9}}, {1, 2, 3});
    EXPECT_FALSE(three.Solve());
    System zero({{0, 0}, {0, 0}}, {1, 1});
    EXPECT_FALSE(zero.Solve());
}

TEST(CMatrixSingular, PivotThresholdIsOneEMinus14) {
    // A pivot of exactly 1e-14 is used where it stands...
    System inPlace({{1e-14}}, {1e-14});
    ASSERT_TRUE(inPlace.Solve());
    EXPECT_DOUBLE_EQ(inPlace.A(1, 2), 1.0);
    // ...but a replacement found in the search must exceed it.
    System atLimit({{0, 1}, {1e-14, 1}}, {1, 2});
    EXPECT_FALSE(atLimit.Solve());
    // 2e-14 x + y = 2 and y = 1 (after the exchange): x = 1/2e-14.
    System aboveLimit({{0, 1}, {2e-14, 1}}, {1, 2});
    ASSERT_TRUE(aboveLimit.Solve());
    EXPECT_NEAR(aboveLimit.A(1, 3) * 2e-14, 1.0, 1e-12);
    EXPECT_NEAR(aboveLimit.A(2, 3), 1.0, 1e-15);
}

TEST(CMatrixSingular, ArraysTooSmallAreRefused) {
    Array2D A(2, 2), B(2, 2);
    EXPECT_FALSE(CMatrix().Quorvane_GaussJordan_b(2, 3, A, B));
    Array2D A3(2, 3), B3(2, 3);
    EXPECT_FALSE(CMatrix().Quorvane_GaussJordan_b(2, 2, A3, B3)) << "needs m >= n + 1";
}

// The n x n Hilbert matrix scaled by L = lcm(1 .. 2n-1): integer entries
// L/(i+j-1), so the system and its right-hand side for x = (1, ..., 1) are
// exact in doubles and every error seen is the solver's own.
struct ScaledHilbert {
    Rows coef;
    std::vector<double> rhs;
    double scale;
    ScaledHilbert(int n, double lcm) : scale(lcm) {
        for (int i = 1; i <= n; ++i) {
            std::vector<double> row;
            double sum = 0.0;
            for (int j = 1; j <= n; ++j) {
                row.push_back(lcm / (i + j - 1));
                sum += row.back();
            }
            coef.push_back(row);
            rhs.push_back(sum);
        }
    }
};

TEST(CMatrixIllConditioned, TenByTenHilbertSolution) {
    // lcm(1..19) = 232792560. cond(H10) is about 1.6e13, so the best one can
    // promise in double precision is about cond * eps = 2e-3; the solver
    // reaches about 1e-5 on this system.
    ScaledHilbert h(10, 232792560.0);
    System s(h.coef, h.rhs);
    ASSERT_TRUE(s.Solve());
    for (int i = 1; i <= 10; ++i) EXPECT_NEAR(s.A(i, 11), 1.0, 1e-4) << "x" << i;
}

TEST(CMatrixIllConditioned, SixBySixHilbertInverse) {
    // Closed form: (H^-1)(i,j) = (-1)^(i+j) (i+j-1) C(n+i-1, n-j) C(n+j-1, n-i)
    // C(i+j-2, i-1)^2; the scaled matrix's inverse is that divided by
    // lcm(1..11) = 27720. cond(H6) is about 1.5e7.
    const int n = 6;
    ScaledHilbert h(n, 27720.0);
    System s(h.coef, h.rhs);
    ASSERT_TRUE(s.Solve());
    double largest = 0.0;
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) {
            double c = Choose(i + j - 2, i - 1);
            double exact = ((i + j) % 2 == 0 ? 1.0 : -1.0) * (i + j - 1) *
                           Choose(n + i - 1, n - j) * Choose(n + j - 1, n - i) * c * c / h.scale;
            largest = std::max(largest, std::fabs(exact));
            EXPECT_NEAR(s.B(i, j), exact, 1e-7 * std::fabs(exact) + 1e-12)
                << "B(" << i << "," << j << ")";
        }
    }
    EXPECT_GT(largest, 100.0) << "the closed form itself is being exercised";
    EXPECT_LT(InverseResidual(s.B, h.coef), 1e-6);
    for (int i = 1; i <= n; ++i) EXPECT_NEAR(s.A(i, n + 1), 1.0, 1e-8) << "x" << i;
}

}  // namespace
}  // namespace qrv::num
