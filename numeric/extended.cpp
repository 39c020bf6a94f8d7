// The less frequent Extended operations: division, square root and printing.
// They stay out of line; only addition and multiplication are hot.
#include "numeric/extended.h"

#include <cstdio>
#include <ostream>

namespace qrv::num {

// Long division in three partial quotients: each step divides the remainder
// by the leading double of the divisor, and the remainder is formed exactly
// enough (Extended times double) that three steps reach full precision.
Extended& Extended::operator/=(const Extended& b) {
    double q1 = hi_ / b.hi_;
    if (!std::isfinite(q1)) {
        *this = Extended(q1);
        return *this;
    }
    Extended r = *this - b * q1;
    double q2 = r.hi_ / b.hi_;
    r -= b * q2;
    double q3 = r.hi_ / b.hi_;
    *this = Extended::sum(q1, q2);
    *this += q3;
    return *this;
}

// One Newton step from the double root doubles its correct digits:
// sqrt(a) ~= s + (a - s*s) / (2s), with s*s formed exactly.
Extended sqrt(const Extended& a) {
    if (a.hi_ <= 0.0) return Extended(a.hi_ == 0.0 ? 0.0 : std::sqrt(a.hi_));
    double s = std::sqrt(a.hi_);
    if (!std::isfinite(s)) return Extended(s);
    Extended residual = a - Extended::product(s, s);
    return Extended::sum(s, residual.hi_ / (2.0 * s));
}

std::ostream& operator<<(std::ostream& os, const Extended& x) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g + %.17g", x.hi(), x.lo());
    return os << buf;
}

}  // namespace qrv::num
