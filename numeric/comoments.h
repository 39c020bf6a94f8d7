// Co-moments: the running weighted sums of a pair of values (x, y) over the
// rows in which both are usable, for Compare, the correlation matrix, simple
// regression and the paired tests.
//
// The sums are kept about a shift, the first x and the first y: data such as
// 1e9 + 0.001 then accumulate as 0.001, ..., whose squares fit an Extended
// exactly, instead of as squares near 1e18 whose difference keeps only the
// leading digits. A difference x - shift that is not a double is carried in
// Extended. Values so large that their squares would overflow are summed
// scaled by a power of two (exactly), so the statistics that can be
// represented (means, correlation) still come out. Two parts merge by moving
// one part's sums to the other's shift in Extended.
#pragma once

#include <optional>
#include <vector>

#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv::num {

class CoMoments {
  public:
    // A row in which both x and y are usable, weight w > 0.
    void add(double x, double y, double w = 1.0) {
        if (valid_ == 0) {
            cx_ = x;
            cy_ = y;
        }
        ++valid_;
        n_ += w;
        const double u = x - cx_, v = y - cy_;
        if (ex_ == 0 && ey_ == 0 && exact(x, cx_, u) && exact(y, cy_, v) && small(u) && small(v)) {
            if (w == 1.0) {
                dx_ += u;
                dy_ += v;
                dxx_ += Extended::product(u, u);
                dyy_ += Extended::product(v, v);
                dxy_ += Extended::product(u, v);
            } else {
                dx_ += Extended::product(u, w);
                dy_ += Extended::product(v, w);
                dxx_ += Extended::product(u, u) * w;
                dyy_ += Extended::product(v, v) * w;
                dxy_ += Extended::product(u, v) * w;
            }
            return;
        }
        addSlow(x, y, w);
    }
    void merge(const CoMoments& o);

    long valid() const { return valid_; }     // rows added
    const Extended& n() const { return n_; }  // sum of weights

    // Null when the weight sum is not positive (or a result overflows).
    std::optional<Extended> meanX() const;
    std::optional<Extended> meanY() const;
    // Centred sums: sum of w (x - mean x)^2, w (y - mean y)^2, w (x - mean x)(y - mean y).
    std::optional<Extended> Sxx() const;
    std::optional<Extended> Syy() const;
    std::optional<Extended> Sxy() const;
    // Sample (n - 1) variances and covariance: need a weight sum above 1.
    std::optional<Extended> varianceX() const;
    std::optional<Extended> varianceY() const;
    std::optional<Extended> covariance() const;
    // Need two rows and spread in both values; the weights' scale does not
    // matter (weights that sum to 1 give the same correlation as counts).
    std::optional<Extended> correlation() const;
    std::optional<Extended> rSquare() const;

    // The straight line y = a + b x (or b x), centred and scaled for the
    // solve, with the map back to a and b.
    LeastSquaresSystem lineSystem(bool intercept) const;

  private:
    friend class CoMomentMatrix;

    // x - shift == u exactly (the error term of the subtraction is 0).
    static bool exact(double x, double shift, double u) {
        const double b = u - x;
        return (x - (u - b)) + (-shift - b) == 0.0;
    }
    // Squares and products of values this small cannot overflow.
    static bool small(double u) { return std::fabs(u) <= 0x1p400; }

    void addSlow(double x, double y, double w);
    // Moves the sums to the scale exponents ex and ey (powers of two: exact).
    void rescale(int ex, int ey);
    // Scaled sums as centred sums in the scaled units.
    Extended centredXX() const;
    Extended centredYY() const;
    Extended centredXY() const;

    long valid_ = 0;
    double cx_ = 0, cy_ = 0;  // the shifts
    int ex_ = 0, ey_ = 0;     // the sums hold (x - cx) 2^-ex and (y - cy) 2^-ey
    Extended n_, dx_, dy_, dxx_, dyy_, dxy_;
};

// The co-moments of every pair among k fields over the rows in which all k
// are usable (a field paired with itself too). Each field's sums and squares
// are kept once, not once per pair, and only the cross products per pair: a
// row costs k + k(k - 1)/2 products instead of 3 k(k + 1)/2 sums of squares
// and products. Each field is shifted and scaled as CoMoments would shift
// and scale it, about its value in the first row, so that pair(a, b) holds
// the sums CoMoments would hold had it been given (x_a, x_b) of these rows.
class CoMomentMatrix {
  public:
    explicit CoMomentMatrix(int fields = 0);

    // A row of every field's value, each usable, weight w > 0.
    void add(const double* x, double w = 1.0);
    void merge(const CoMomentMatrix& o);

    int fields() const { return static_cast<int>(field_.size()); }
    long valid() const { return valid_; }
    const Extended& n() const { return n_; }
    // The co-moments of fields a (as x) and b (as y); a may equal b.
    CoMoments pair(int a, int b) const;

  private:
    struct Field {
        double shift = 0;
        int e = 0;  // the sums hold (x - shift) 2^-e
        Extended s, ss;
    };
    // Index of the pair a < b in the packed upper triangle.
    size_t cross(size_t a, size_t b) const {
        return a * (2 * field_.size() - a - 1) / 2 + b - a - 1;
    }
    // Moves field a's sums, its squares and its cross products to exponent e.
    void rescale(size_t a, int e);

    long valid_ = 0;
    Extended n_;
    std::vector<Field> field_;
    std::vector<Extended> cross_;  // sum of w (x_a - shift_a)(x_b - shift_b), a < b, scaled
    std::vector<Extended> u_;      // the current row's differences from the shifts, scaled
};

}  // namespace qrv::num
