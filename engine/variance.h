// The variance routine the analyses share: population ("N") or sample (any
// other method text) variance and standard deviation from the weight sum n
// and the sums S and S2, with the subtraction n*S2 - S*S done in
// double-double precision. Whether there is any spread at all is decided
// from exact knowledge (the smallest value equals the largest), never from
// the rounded residue of that subtraction, which for equal values that are
// not exact binary fractions (0.1, 1/3) comes out as a tiny number of
// either sign.
#pragma once

#include <string_view>

#include "engine/moments.h"
#include "numeric/extended.h"

namespace qrv {

struct Spread {
    double stdDev = 0;
    double variance = 0;
};

// allEqual: every value summed was the same number.
Spread Variance(std::string_view method, const num::Extended& n, const num::Extended& S2,
                const num::Extended& S, bool allEqual);

inline Spread Variance(std::string_view method, const Moments& m) {
    return Variance(method, m.n, m.S2, m.S, m.valid == 0 || m.min == m.max);
}

// n*S2 - S*S, the spread the variance divides: exactly 0 when all values are
// equal, and never negative.
num::Extended SpreadSum(const Moments& m);

}  // namespace qrv
