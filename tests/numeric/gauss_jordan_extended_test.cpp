// Tests of the Gauss-Jordan solver carried in Extended. The pivot rule must be
// the one of the double solver; the gain is accuracy, shown on the Hilbert
// matrix, whose inverse has a closed form in integers:
// (H^-1)_ij = (-1)^(i+j) (i+j-1) C(n+i-1, n-j) C(n+j-1, n-i) C(i+j-2, i-1)^2.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "numeric/gauss_jordan.h"

namespace qrv::num {
namespace {

double Choose(int n, int k) {
    if (k < 0 || k > n) return 0.0;
    double r = 1.0;
    for (int i = 1; i <= k; ++i) r = r * (n - k + i) / i;
    return std::round(r);
}

bool Solve(int n, int m, ExtendedArray2D& A, ExtendedArray2D& B) {
    return CMatrix().Quorvane_GaussJordan_b(static_cast<std::int16_t>(n),
                                            static_cast<std::int16_t>(m), A, B);
}

TEST(CMatrixExtended, HilbertInverseToThirtyDigitsWhereDoublesKeepSix) {
    // n = 8: condition number 1.5e10, so a double solve keeps about 6 digits of
    // the inverse; the Extended one must keep more than 18.
    const int n = 8, m = n + 1;
    ExtendedArray2D A(n, m), B(n, m);
    for (int i = 1; i <= n; ++i) {
        for (int j = 1; j <= n; ++j) A(i, j) = Extended(1.0) / static_cast<double>(i + j - 1);
        A(i, m) = 1.0;
        B(i, i) = 1.0;
    }
    ASSERT_TRUE(Solve(n, m, A, B));
    for (int i = 1; i <= n; ++i) {
        double rowSum = 0;  // H^-1 times the ones vector
        for (int j = 1; j <= n; ++j) {
            const double exact = ((i + j) % 2 ? -1.0 : 1.0) * (i + j - 1) *
                                 Choose(n + i - 1, n - j) * Choose(n + j - 1, n - i) *
                                 Choose(i + j - 2, i - 1) * Choose(i + j - 2, i - 1);
            rowSum += exact;
            EXPECT_LT(std::fabs(((B(i, j) - exact) / exact).toDouble()), 1e-18) << i << "," << j;
        }
        EXPECT_LT(std::fabs(((A(i, m) - rowSum) / rowSum).toDouble()), 1e-18) << i;
        EXPECT_EQ(A(i, i).toDouble(), 1.0);
    }
}

TEST(CMatrixExtended, SameAnswersAsTheDoubleSolverOnAnExactSystem) {
    // The textbook system [[2,1,-1],[-3,-1,2],[-2,1,2]] x = (8,-11,-3) has the
    // solution (2, 3, -1) and the inverse [[4,3,-1],[-2,-2,1],[5,4,-1]].
    const double M[3][3] = {{2, 1, -1}, {-3, -1, 2}, {-2, 1, 2}};
    const double rhs[3] = {8, -11, -3};
    const double inv[3][3] = {{4, 3, -1}, {-2, -2, 1}, {5, 4, -1}};
    ExtendedArray2D A(3, 4), B(3, 4);
    Array2D a(3, 4), b(3, 4);
    for (int i = 1; i <= 3; ++i) {
        for (int j = 1; j <= 3; ++j) A(i, j) = a(i, j) = M[i - 1][j - 1];
        A(i, 4) = a(i, 4) = rhs[i - 1];
        B(i, i) = b(i, i) = 1.0;
    }
    ASSERT_TRUE(Solve(3, 4, A, B));
    ASSERT_TRUE(CMatrix().Quorvane_GaussJordan_b(3, 4, a, b));
    const double x[3] = {2, 3, -1};
    for (int i = 1; i <= 3; ++i) {
        EXPECT_LT(std::fabs((A(i, 4) - x[i - 1]).toDouble()), 1e-30);
        EXPECT_NEAR(a(i, 4), x[i - 1], 1e-14);
        for (int j = 1; j <= 3; ++j) {
            EXPECT_LT(std::fabs((B(i, j) - inv[i - 1][j - 1]).toDouble()), 1e-30);
            EXPECT_NEAR(b(i, j), inv[i - 1][j - 1], 1e-14);
            // The coefficient part is the identity, with exact zeros.
            EXPECT_EQ(A(i, j).toDouble(), i == j ? 1.0 : 0.0);
        }
    }
}

TEST(CMatrixExtended, ZeroFirstPivotIsExchangedAndTheInverseIsComplete) {
    // [[0,1],[2,3]] x = (4, 5): x = (-3.5, 4); inverse [[-1.5, 0.5], [1, 0]].
    ExtendedArray2D A(2, 3), B(2, 3);
    A(1, 1) = 0.0, A(1, 2) = 1.0, A(1, 3) = 4.0;
    A(2, 1) = 2.0, A(2, 2) = 3.0, A(2, 3) = 5.0;
    B(1, 1) = B(2, 2) = 1.0;
    ASSERT_TRUE(Solve(2, 3, A, B));
    EXPECT_EQ(A(1, 3).toDouble(), -3.5);
    EXPECT_EQ(A(2, 3).toDouble(), 4.0);
    // Rows were exchanged, yet B ends as the inverse of the matrix passed in.
    EXPECT_EQ(B(1, 1).toDouble(), -1.5);
    EXPECT_EQ(B(1, 2).toDouble(), 0.5);
    EXPECT_EQ(B(2, 1).toDouble(), 1.0);
    EXPECT_EQ(B(2, 2).toDouble(), 0.0);
}

TEST(CMatrixExtended, PivotThresholdIsTheDoubleSolversOne) {
    // Proportional rows: the second pivot is exactly 0, the solve fails.
    {
        ExtendedArray2D A(2, 3), B(2, 3);
        A(1, 1) = 1.0, A(1, 2) = 2.0, A(1, 3) = 1.0;
        A(2, 1) = 3.0, A(2, 2) = 6.0, A(2, 3) = 1.0;
        B(1, 1) = B(2, 2) = 1.0;
        EXPECT_FALSE(Solve(2, 3, A, B));
    }
    // A pivot of exactly 1e-14 is used in place.
    {
        ExtendedArray2D A(1, 2), B(1, 2);
        A(1, 1) = 1e-14, A(1, 2) = 1e-14;
        B(1, 1) = 1.0;
        ASSERT_TRUE(Solve(1, 2, A, B));
        EXPECT_EQ(A(1, 2).toDouble(), 1.0);
    }
    // Below it, a candidate row must exceed 1e-14: one that equals it is not
    // taken, and there is no other.
    {
        ExtendedArray2D A(2, 3), B(2, 3);
        A(1, 1) = 5e-15, A(1, 2) = 1.0, A(1, 3) = 1.0;
        A(2, 1) = 1e-14, A(2, 2) = 1.0, A(2, 3) = 1.0;
        B(1, 1) = B(2, 2) = 1.0;
        EXPECT_FALSE(Solve(2, 3, A, B));
    }
    // Extended keeps what doubles cannot: rows (1, 1) and (1, 1 + 2^-60) are
    // independent, and the pivot 2^-60 ~ 8.7e-19 is below the threshold; the
    // rule, not the arithmetic, decides, so the solve fails as in double.
    {
        ExtendedArray2D A(2, 3), B(2, 3);
        A(1, 1) = 1.0, A(1, 2) = 1.0, A(1, 3) = 0.0;
        A(2, 1) = 1.0, A(2, 2) = Extended::sum(1.0, std::ldexp(1.0, -60)), A(2, 3) = 1.0;
        B(1, 1) = B(2, 2) = 1.0;
        EXPECT_FALSE(Solve(2, 3, A, B));
    }
}

}  // namespace
}  // namespace qrv::num
