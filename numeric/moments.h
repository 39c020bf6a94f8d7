// Moments: the running weighted sums of one field within one group, from
// which means, variances, skewness and kurtosis are taken.
//
// The sums are of w d^k with d = x - shift, the shift being the first value
// added: data such as 1000000000.1, 1000000000.3, ... then accumulate as
// small differences, exactly, instead of as powers near 1e36 whose
// differences no longer fit the 106 bits of an Extended. The difference
// x - shift is itself kept exactly (as a pair), so nothing of the input is
// rounded away before the final division.
//
// The finalizers give nothing (Null) when the statistic is undefined (too
// little weight, no spread where it divides by the spread) or cannot be
// represented (an intermediate or the result overflows).
//
// A caller that needs means and variances only keeps the sums up to the
// second power: the third and fourth cost more than the rest of add()
// together, and an analysis of variance adds every value to several levels.
#pragma once

#include <optional>
#include <string_view>

#include "numeric/extended.h"

namespace qrv::num {

class Moments {
  public:
    // The highest power of the differences kept.
    enum class Powers { ToSecond, ToFourth };

    Moments() = default;
    explicit Moments(Powers highest) : shape_(highest == Powers::ToFourth) {}

    // Adds a usable value x of weight w > 0. With logs, positive values also
    // feed the sums of the geometric and harmonic means.
    void add(double x, double w = 1.0, bool logs = false);
    // Adds another part of the same field and group. Parts that kept
    // different powers give the fewer.
    void merge(const Moments& other);

    long count() const { return count_; }     // values added, unweighted
    const Extended& n() const { return n_; }  // sum of weights
    double min() const { return min_; }
    double max() const { return max_; }
    // No spread at all: nothing added, or the smallest value is the largest.
    bool constant() const { return count_ == 0 || min_ == max_; }
    // The third and fourth powers are kept, for skewness and kurtosis.
    bool keepsShape() const { return shape_; }

    // Sums of w (x - mean)^k for k = 2, 3, 4; they need n > 0, and the third
    // and fourth the fourth powers kept. The second is exactly 0 for constant
    // data.
    Extended centred2() const;
    Extended centred3() const;
    Extended centred4() const;
    // Mean minus shift.
    Extended meanOffset() const { return d1_ / n_; }
    // Mean minus a reference value, without first forming the mean: means of
    // data near 1e13 compared about one of them keep their small differences.
    Extended meanAbout(double reference) const {
        return Extended::sum(shift_, -reference) + meanOffset();
    }

    double shift() const { return shift_; }
    const Extended& logSum() const { return logs_; }        // w ln x over x > 0
    const Extended& reciprocalSum() const { return inv_; }  // w / x over x > 0
    // Sums of w x and w x^2.
    Extended sum() const { return n_ * shift_ + d1_; }
    Extended sumOfSquares() const;

  private:
    long count_ = 0;
    double shift_ = 0, min_ = 0, max_ = 0;
    bool shape_ = true;
    Extended n_, d1_, d2_, d3_, d4_;  // sums of w and w d^k
    Extended logs_, inv_;
};

// "N" divides the spread by the weight, any other method (the sample one,
// "N-1") by the weight less one.
std::optional<Extended> varianceOf(const Moments& m, std::string_view method);

std::optional<double> mean(const Moments& m);
std::optional<double> variance(const Moments& m, std::string_view method);
std::optional<double> stdDeviation(const Moments& m, std::string_view method);
// With s the sample standard deviation and n the weight:
// n * C3 / ((n-1)(n-2) s^3), needing n > 2, some spread and the shape kept.
std::optional<double> skewness(const Moments& m);
// n(n+1) C4 / ((n-1)(n-2)(n-3) s^4) - 3(n-1)^2 / ((n-2)(n-3)), needing n > 3
// and the shape kept.
std::optional<double> kurtosis(const Moments& m);
std::optional<double> sum(const Moments& m);
std::optional<double> sumOfSquares(const Moments& m);
// The sum of squares about the mean, C2.
std::optional<double> centredSquares(const Moments& m);
std::optional<double> rootMeanSquare(const Moments& m);
// exp of the mean log over the whole weight; 1 / mean reciprocal.
std::optional<double> geometricMean(const Moments& m);
std::optional<double> harmonicMean(const Moments& m);

}  // namespace qrv::num
