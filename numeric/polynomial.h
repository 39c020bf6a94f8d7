// Polynomial least squares, y = a + b1 x + ... + bk x^k, from running sums.
//
// The normal equations of raw powers lose every digit on hard data (a degree
// 10 fit of x in [-9, -3] needs sums of x^20), so the sums are kept in a
// shifted variable and the fit runs in a centred and scaled one:
//  - while accumulating, t = x - c0 with c0 the first x seen (a provisional
//    shift: cheap, and it removes most of the common offset), and y likewise;
//  - when fitting, the sums are carried over exactly by the binomial theorem
//    to z = (x - c) / h with c the mid-range and h the power of two at or
//    above the half-range, so |z| <= 1 and the system is well scaled;
//  - the solution in powers of z is mapped back to powers of x, and the
//    covariance with it, in Extended.
// Without an intercept a shift would change the model, so only h is used.
// The sum-of-squares block does not depend on the coordinates and is taken
// from the centred system.
#pragma once

#include <vector>

#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv::num {

class PowerSums {
  public:
    explicit PowerSums(int degree);

    // Adds a row with usable x and y and weight w > 0.
    void add(double x, double y, double w = 1.0);
    // Adds the rows of another accumulator of the same degree. The sums are
    // moved to this accumulator's shift first; with equal shifts (or small
    // integer data) nothing is rounded.
    void merge(const PowerSums& other);

    int degree() const { return k_; }
    long valid() const { return valid_; }
    const Extended& n() const { return p_[0]; }
    double min() const { return min_; }
    double max() const { return max_; }

    // Fits the polynomial of this degree. The spread test looks at x itself
    // and at y; collinear powers (too few distinct x) come back as Singular.
    RegressionFit fit(bool intercept) const;

  private:
    int k_;
    long valid_ = 0;
    double cx_ = 0, cy_ = 0;  // provisional shifts of x and y
    double min_ = 0, max_ = 0;
    std::vector<Extended> p_;  // sum of w t^m, m = 0..2k
    std::vector<Extended> q_;  // sum of w t^j (y - cy), j = 0..k
    Extended yy_;              // sum of w (y - cy)^2
};

// Sums of (s * (t + delta))^m, m = 0..M, from the sums of t^m, by the binomial
// theorem in Extended (binomial coefficients exact). The tool the power sums
// use to move between shifts; exposed for its tests.
std::vector<Extended> shiftedPowerSums(const std::vector<Extended>& sums, const Extended& delta,
                                       const Extended& scale);

}  // namespace qrv::num
