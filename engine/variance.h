// The variance routine the parametric analyses share: population ("N") or
// sample (any other method text) variance and standard deviation from the
// weight sum n and the sums S and S2, with the subtraction n*S2 - S*S done in
// double-double precision.
#pragma once

#include <string_view>

#include "numeric/extended.h"

namespace qrv {

struct Spread {
    double stdDev = 0;
    double variance = 0;
};

Spread Variance(std::string_view method, const num::Extended& n, const num::Extended& S2,
                const num::Extended& S);

}  // namespace qrv
