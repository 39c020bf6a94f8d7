// Gauss-Jordan elimination for the regressions. The pivot rule is the plain
// one the regressions were validated with: the diagonal entry is used unless
// it is below 1e-14, and only then is the first usable row below swapped in.
// Each update a - b*c is formed in Extended; over doubles it is rounded once,
// over Extended it stays Extended.
#include "numeric/gauss_jordan.h"

#include <cmath>
#include <utility>

#include "numeric/extended.h"

namespace qrv::num {

namespace {

constexpr double kEpsilon = 1e-14;  // pivot threshold and zero-flush level

// a - b*c with the product kept exact until the single rounding.
double SubProduct(double a, double b, double c) {
    return (Extended(a) - Extended::product(b, c)).toDouble();
}
Extended SubProduct(const Extended& a, const Extended& b, const Extended& c) {
    return a - b * c;
}

// The size an entry is judged by against the threshold.
double Magnitude(double a) {
    return std::fabs(a);
}
double Magnitude(const Extended& a) {
    return std::fabs(a.hi());
}

}  // namespace

template <class T>
void CMatrix::SwitchRows(std::int16_t r1, std::int16_t r2, std::int16_t m, BasicArray2D<T>& A,
                         BasicArray2D<T>& B) const {
    for (int k = 1; k <= m; ++k) {
        std::swap(A(r1, k), A(r2, k));
        std::swap(B(r1, k), B(r2, k));
    }
}

bool CMatrix::Quorvane_GaussJordan_b(std::int16_t n, std::int16_t m, Array2D& A, Array2D& B) const {
    return Eliminate(n, m, A, B);
}

bool CMatrix::Quorvane_GaussJordan_b(std::int16_t n, std::int16_t m, ExtendedArray2D& A,
                                     ExtendedArray2D& B) const {
    return Eliminate(n, m, A, B);
}

template <class T>
bool CMatrix::Eliminate(std::int16_t n, std::int16_t m, BasicArray2D<T>& A,
                        BasicArray2D<T>& B) const {
    if (n <= 0) return true;  // nothing to solve
    if (m < n + 1 || A.rowUpper() < n || A.colUpper() < m || B.rowUpper() < n || B.colUpper() < m) {
        return false;
    }

    // Forward phase: unit pivots, zeros below them.
    for (int i = 1; i <= n; ++i) {
        const int c = i;
        if (Magnitude(A(i, c)) < kEpsilon) {
            int j = i + 1;
            while (j <= n && !(Magnitude(A(j, c)) > kEpsilon)) ++j;
            if (j > n) return false;
            SwitchRows(static_cast<std::int16_t>(i), static_cast<std::int16_t>(j), m, A, B);
        }
        const T p = T(1.0) / A(i, c);
        for (int k = c; k <= m; ++k) A(i, k) *= p;
        // B is updated over all n columns, not only 1..i: after a row exchange
        // row i of B has its 1 right of column i, and the narrower range would
        // leave B short of the true inverse. Without an exchange the extra
        // entries are zeros and stay zeros, so nothing else changes.
        for (int k = 1; k <= n; ++k) B(i, k) *= p;
        for (int r = i + 1; r <= n; ++r) {
            const T f = A(r, c);
            for (int k = c; k <= m; ++k) {
                A(r, k) = SubProduct(A(r, k), A(i, k), f);
                if (Magnitude(A(r, k)) < kEpsilon) A(r, k) = T(0.0);
            }
            for (int k = 1; k <= n; ++k) {
                B(r, k) = SubProduct(B(r, k), B(i, k), f);
                if (Magnitude(B(r, k)) < kEpsilon) B(r, k) = T(0.0);
            }
        }
    }

    // Backward phase: only the right-hand side is carried; the coefficients
    // above the diagonal are cleared, since the identity is known.
    for (int i = n; i >= 1; --i) {
        const int c = i;
        for (int r = 1; r <= i - 1; ++r) {
            for (int k = 1; k <= n; ++k) B(r, k) = SubProduct(B(r, k), B(i, k), A(r, c));
            A(r, m) = SubProduct(A(r, m), A(r, c), A(i, m));
            A(r, c) = T(0.0);
        }
    }
    return true;
}

}  // namespace qrv::num
