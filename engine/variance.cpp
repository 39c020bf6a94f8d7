// Variance by the population or sample method; both 0 when there is nothing
// to spread (no weight, all values equal, or one value for the sample method).
#include "engine/variance.h"

#include <cmath>

namespace qrv {

Spread Variance(std::string_view method, const num::Extended& n, const num::Extended& S2,
                const num::Extended& S) {
    Spread r;
    if (!(n > 0.0)) return r;
    const num::Extended spread = n * S2 - S * S;
    if (spread == 0.0) return r;  // every value equal
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
