// Moments: the running weighted sums of one field within one group, from
// which the parametric analyses compute means, variances, skewness and the
// like. The sums are kept in double-double precision so that millions of
// values, or values with many leading digits in common, lose nothing before
// the final subtraction; results are rounded to double only when written.
#pragma once

#include "numeric/extended.h"

namespace qrv {

struct Moments {
    long valid = 0;   // usable values, unweighted
    num::Extended n;  // sum of weights
    double min = 0, max = 0;
    num::Extended S, S2, S3, S4;  // sums of w x, w x^2, w x^3, w x^4
    num::Extended SL, SI;         // sums of w ln x and w / x over x > 0 (when logs are kept)

    void reset() { *this = Moments(); }

    // Adds a usable value x of weight w > 0. With logs, positive values also
    // feed the geometric and harmonic sums.
    void add(double x, double w, bool logs) {
        if (valid == 0) min = max = x;
        ++valid;
        if (x < min) min = x;
        if (x > max) max = x;
        const num::Extended x2 = num::Extended::product(x, x);
        if (w == 1) {
            n += 1.0;
            S += x;
            S2 += x2;
            S3 += x2 * x;
            S4 += x2 * x2;
        } else {
            n += w;
            S += num::Extended::product(x, w);
            S2 += x2 * w;
            S3 += x2 * x * w;
            S4 += x2 * x2 * w;
        }
        if (logs && x > 0) {
            SL += num::Extended::product(std::log(x), w);
            SI += num::Extended(w) / x;
        }
    }

    // Combines the sums of another part of the same group.
    void merge(const Moments& o) {
        if (o.valid == 0) return;
        if (valid == 0 || o.min < min) min = o.min;
        if (valid == 0 || o.max > max) max = o.max;
        valid += o.valid;
        n += o.n;
        S += o.S;
        S2 += o.S2;
        S3 += o.S3;
        S4 += o.S4;
        SL += o.SL;
        SI += o.SI;
    }
};

}  // namespace qrv
