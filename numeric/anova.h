// One-way analysis of variance from per-level running sums.
//
// Each level keeps its sums about a provisional shift, its first value: data
// such as 1000000000000.4, 1000000000000.3, ... then accumulate as 0.1, 0.2
// ..., exactly, instead of as squares near 1e24 whose sum no longer fits the
// 106 bits of an Extended. The between-levels sum of squares is formed from
// the level means about a common reference, the within-levels one from each
// level's centred sum, so neither is a difference of two huge numbers.
#pragma once

#include <optional>
#include <vector>

#include "numeric/extended.h"

namespace qrv::num {

class LevelSums {
  public:
    // Adds a usable value of weight w > 0.
    void add(double x, double w = 1.0);
    // Adds another part of the same level (moved to this shift, in Extended).
    void merge(const LevelSums& other);

    long count() const { return count_; }
    const Extended& n() const { return n_; }  // sum of weights
    double min() const { return min_; }
    double max() const { return max_; }
    double shift() const { return shift_; }
    // The derived values below need n > 0.
    Extended sum() const { return n_ * shift_ + d_; }  // sum of w x
    Extended mean() const { return shift_ + d_ / n_; }
    // Sum of w (x - mean)^2.
    Extended centredSquares() const { return q_ - d_ * d_ / n_; }
    // Mean minus a reference value, without first forming the mean.
    Extended meanAbout(double reference) const {
        return Extended::sum(shift_, -reference) + d_ / n_;
    }

  private:
    long count_ = 0;
    double shift_ = 0, min_ = 0, max_ = 0;
    Extended n_, d_, q_;  // sums of w, w (x - shift), w (x - shift)^2
};

struct OneWayAnova {
    int levels = 0;  // levels with weight
    Extended n;      // total weight
    Extended dfBetween, dfWithin, dfTotal;
    Extended ssBetween, ssWithin, ssTotal;
    std::optional<Extended> msBetween, msWithin;  // when their df > 0
    std::optional<Extended> f;                    // when msWithin != 0 and ssBetween > 0
    std::optional<Extended> r2;                   // ssBetween / ssTotal when ssTotal > 0
};

// Levels with no weight take no part (they do not count in the df).
OneWayAnova oneWayAnova(const std::vector<LevelSums>& levels);

}  // namespace qrv::num
