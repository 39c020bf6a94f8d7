// Co-moments: the running weighted sums of a pair of fields over the rows in
// which both values are usable. Compare, the correlation matrix and simple
// regression accumulate these; the centred quantities and the normal
// equations are formed from them in Extended. The matrix form for several
// terms is num::CrossProducts, with the same arithmetic.
//
// The sums are plain (not shifted), so merging two parts is plain addition:
// with exactly representable data, merged halves equal one pass bit for bit.
#pragma once

#include <optional>

#include "numeric/cross_products.h"
#include "numeric/extended.h"
#include "numeric/least_squares.h"

namespace qrv {

class CoMoments {
  public:
    // A row in which both x and y are usable, weight w > 0.
    void add(double x, double y, double w = 1.0) {
        ++valid_;
        n_ += w;
        num::addWeightedProduct(sx_, x, 1.0, w);
        num::addWeightedProduct(sy_, y, 1.0, w);
        num::addWeightedProduct(sxx_, x, x, w);
        num::addWeightedProduct(syy_, y, y, w);
        num::addWeightedProduct(sxy_, x, y, w);
    }
    void merge(const CoMoments& o) {
        valid_ += o.valid_;
        n_ += o.n_;
        sx_ += o.sx_;
        sy_ += o.sy_;
        sxx_ += o.sxx_;
        syy_ += o.syy_;
        sxy_ += o.sxy_;
    }

    long valid() const { return valid_; }
    const num::Extended& n() const { return n_; }
    const num::Extended& sumX() const { return sx_; }
    const num::Extended& sumY() const { return sy_; }
    const num::Extended& sumXX() const { return sxx_; }
    const num::Extended& sumYY() const { return syy_; }
    const num::Extended& sumXY() const { return sxy_; }

    // Centred sums: sum of w (x - mean x)^2 and the like.
    // Exactly 0 for constant data (see num::centredSum). Need n > 0, as do
    // the means.
    num::Extended Sxx() const { return num::centredSum(sxx_, sx_, sx_, n_); }
    num::Extended Syy() const { return num::centredSum(syy_, sy_, sy_, n_); }
    num::Extended Sxy() const { return num::centredSum(sxy_, sx_, sy_, n_); }
    num::Extended meanX() const { return sx_ / n_; }
    num::Extended meanY() const { return sy_ / n_; }
    // Sample (n - 1) variances and covariance: need n > 1.
    std::optional<num::Extended> varianceX() const;
    std::optional<num::Extended> varianceY() const;
    std::optional<num::Extended> covariance() const;
    // Needs n > 1 and spread in both fields.
    std::optional<num::Extended> correlation() const;

    // The straight line y = a + b x (or b x): the normal equations of one term.
    num::NormalEquations normalEquations() const;

  private:
    long valid_ = 0;
    num::Extended n_, sx_, sy_, sxx_, syy_, sxy_;
};

}  // namespace qrv
