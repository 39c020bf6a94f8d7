// Cross products: the running weighted sums of w*v_i*v_j over the design
// vector v = (x_1, ..., x_F, 1, y) of a regression of y on F terms, from
// which the normal equations are formed. Rows count only when every value is
// usable (the caller decides).
//
// The sums are kept about a shift, the first row's values (the constant is
// not shifted), so data far from 0 keeps its digits; two parts merge by
// moving one part's sums to the other's shift in Extended. The system handed
// to the solve is centred at the means and scaled (see centredSystem).
#pragma once

#include <cstddef>
#include <span>
#include <vector>

#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv::num {

// sq - s1*s2/n, the centred form of a sum of products, taken as exactly 0 when
// it is within rounding of the terms it is the difference of (about 1e-31 of
// them): constant data must give no spread, not a trace of noise whose ratio
// to another trace reads as a correlation. Only values whose spread is below a
// double's resolution (they differ in the last bit or so) are cut.
Extended centredSum(const Extended& sq, const Extended& s1, const Extended& s2, const Extended& n);

// The sums of w*u_i*u_j over u = v - shift, upper triangle, for a regression
// of y on F terms.
class CrossProducts {
  public:
    explicit CrossProducts(int terms)
        : f_(terms),
          shift_(static_cast<std::size_t>(terms + 2)),
          s_(static_cast<std::size_t>((terms + 2) * (terms + 2))) {}

    // x holds the F term values of one row (at least F of them).
    void add(std::span<const double> x, double y, double w = 1.0);
    void merge(const CrossProducts& o);

    int terms() const { return f_; }
    long valid() const { return valid_; }
    // Sum of w*u_i*u_j about the shift, indices 0..F+1 in the order above,
    // either triangle (index F is the constant: its sums are those of w u_j).
    const Extended& sum(int i, int j) const { return i <= j ? s_[index(i, j)] : s_[index(j, i)]; }
    const Extended& n() const { return sum(f_, f_); }

    // The normal equations, centred (with an intercept) and scaled.
    LeastSquaresSystem system(bool intercept) const;

  private:
    std::size_t index(int i, int j) const { return static_cast<std::size_t>(i * (f_ + 2) + j); }

    int f_;
    long valid_ = 0;
    std::vector<double> shift_;  // per index; 0 for the constant
    std::vector<Extended> s_;
};

}  // namespace qrv::num
