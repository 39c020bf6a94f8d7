// Variance by the population or sample method; both 0 when there is nothing
// to spread (no weight, all values equal, or one value for the sample method).
#include "engine/variance.h"

#include <cmath>

namespace qrv {

namespace {

// Values that differ only in their last bits can leave a residue below zero;
// the spread of distinct values is never negative.
num::Extended spreadOf(const num::Extended& n, const num::Extended& S2, const num::Extended& S,
                       bool allEqual) {
    if (allEqual) return num::Extended();
    const num::Extended spread = n * S2 - S * S;
    return spread > 0.0 ? spread : num::Extended();
}

}  // namespace

num::Extended SpreadSum(const Moments& m) {
    return spreadOf(m.n, m.S2, m.S, m.valid == 0 || m.min == m.max);
}

Spread Variance(std::string_view method, const num::Extended& n, const num::Extended& S2,
                const num::Extended& S, bool allEqual) {
    Spread r;
    if (!(n > 0.0)) return r;
    const num::Extended spread = spreadOf(n, S2, S, allEqual);
    if (spread == 0.0) return r;
    num::Extended v;
    if (method == "N") {
        v = spread / (n * n);
    } else {
        if (!(n > 1.0)) return r;
        v = spread / (n * (n - 1.0));
    }
    r.variance = v.toDouble();
    if (r.variance != 0) r.stdDev = sqrt(v).toDouble();
    return r;
}

}  // namespace qrv
