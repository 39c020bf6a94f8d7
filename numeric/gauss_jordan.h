// CMatrix: the solver behind the regressions' normal equations. Gauss-Jordan
// elimination of an augmented matrix A (coefficients in columns 1..n, right-hand
// side in column m) while a second matrix B, passed in as the identity, becomes
// the inverse of the coefficients; its diagonal gives the standard errors.
//
// Arrays are indexed from 1 as the regressions describe them; row and column 0
// exist and are never touched. Failure is the returned flag, never an exception.
//
// The same elimination runs over doubles or over Extended numbers; the
// Extended form keeps about 32 digits through the solve, which is what lets
// the regression kernels reach the accuracy the input data allow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "numeric/extended.h"

namespace qrv::num {

// A dense array with indices 0..rowUpper and 0..colUpper, filled with zeros;
// the shape of an array declared with upper bounds.
template <class T>
class BasicArray2D {
  public:
    BasicArray2D() = default;
    BasicArray2D(int rowUpper, int colUpper)
        : rowUpper_(rowUpper),
          colUpper_(colUpper),
          data_(static_cast<std::size_t>(rowUpper + 1) * static_cast<std::size_t>(colUpper + 1)) {}

    int rowUpper() const { return rowUpper_; }
    int colUpper() const { return colUpper_; }
    T& operator()(int r, int c) { return data_[index(r, c)]; }
    const T& operator()(int r, int c) const { return data_[index(r, c)]; }

  private:
    std::size_t index(int r, int c) const {
        return static_cast<std::size_t>(r) * static_cast<std::size_t>(colUpper_ + 1) +
               static_cast<std::size_t>(c);
    }

    int rowUpper_ = -1;
    int colUpper_ = -1;
    std::vector<T> data_;
};

using Array2D = BasicArray2D<double>;
using ExtendedArray2D = BasicArray2D<Extended>;

class CMatrix {
  public:
    // Solves the n equations held in A(1..n, 1..m), m >= n + 1, in place:
    // afterwards A(i, m) is the i-th solution value, A(1..n, 1..n) is the
    // identity and B(1..n, 1..n), which the caller sets to the identity,
    // holds the inverse of the coefficients. Columns n+1..m-1 are reduced
    // along but take no part. False when a column has no pivot of at least
    // 1e-14 (A and B are then partly transformed and must not be used), and
    // when A or B is too small for n and m.
    bool Quorvane_GaussJordan_b(std::int16_t n, std::int16_t m, Array2D& A, Array2D& B) const;
    // The same elimination, pivot rule and zero flushing, carried in Extended:
    // the pivot test and the flush look at the leading double of an entry.
    bool Quorvane_GaussJordan_b(std::int16_t n, std::int16_t m, ExtendedArray2D& A,
                                ExtendedArray2D& B) const;

  private:
    template <class T>
    bool Eliminate(std::int16_t n, std::int16_t m, BasicArray2D<T>& A, BasicArray2D<T>& B) const;
    template <class T>
    void SwitchRows(std::int16_t r1, std::int16_t r2, std::int16_t m, BasicArray2D<T>& A,
                    BasicArray2D<T>& B) const;
};

}  // namespace qrv::num
