// Cross products: the running weighted sums of w*v_i*v_j over the design
// vector v = (x_1, ..., x_F, 1, y) of a regression of y on F terms, from
// which the normal equations are formed. Rows count only when every value is
// usable (the caller decides). Sums are plain Extended sums, so merging two
// parts is plain addition: with exactly representable data, merged halves
// equal one pass bit for bit.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv::num {

// s += w*a*b: the product a*b exact, the weight applied in Extended. The one
// place the pair and matrix accumulators do their arithmetic.
inline void addWeightedProduct(Extended& s, double a, double b, double w) {
    if (w == 1.0) {
        s += Extended::product(a, b);
    } else {
        s += Extended::product(a, b) * w;
    }
}

// sq - s1*s2/n, the centred form of a sum of products, taken as exactly 0 when
// it is within rounding of the terms it is the difference of (about 1e-31 of
// them): constant data must give no spread, not a trace of noise whose ratio
// to another trace reads as a correlation. Only values whose spread is below a
// double's resolution (they differ in the last bit or so) are cut.
Extended centredSum(const Extended& sq, const Extended& s1, const Extended& s2, const Extended& n);

// The sums of w*v_i*v_j over v = (x_1, ..., x_F, 1, y), upper triangle, for a
// regression of y on F terms; rows count only when every value is usable.
class CrossProducts {
  public:
    explicit CrossProducts(int terms)
        : f_(terms), s_(static_cast<std::size_t>((terms + 2) * (terms + 2))) {}

    // x holds the F term values of one row (at least F of them).
    void add(std::span<const double> x, double y, double w = 1.0);
    void merge(const CrossProducts& o);

    int terms() const { return f_; }
    long valid() const { return valid_; }
    // Sum of w*v_i*v_j, indices 0..F+1 in the order above, either triangle.
    const Extended& sum(int i, int j) const { return i <= j ? s_[index(i, j)] : s_[index(j, i)]; }
    const Extended& n() const { return sum(f_, f_); }

    NormalEquations normalEquations() const;

  private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i * (f_ + 2) + j); }

    int f_;
    long valid_ = 0;
    std::vector<Extended> s_;
};

}  // namespace qrv::num
