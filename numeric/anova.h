// One-way analysis of variance from per-level moments.
//
// Each level's sums are about a provisional shift, its first value
// (numeric/moments.h), so offset data keep their digits. The between-levels
// sum of squares is formed from the level means about a common reference, the
// within-levels one from each level's centred sum, so neither is a difference
// of two huge numbers.
#pragma once

#include <optional>
#include <vector>

#include "numeric/extended.h"
#include "numeric/moments.h"

namespace qrv::num {

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
OneWayAnova oneWayAnova(const std::vector<Moments>& levels);

}  // namespace qrv::num
