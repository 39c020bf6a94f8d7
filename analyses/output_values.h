// Small conversions the analyses share when they fill output cells: a
// statistic that may not exist becomes Null, and so does a count too large
// for a 16-bit column.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

#include "dataaccess/value.h"

namespace qrv {

// The statistic, or Null when it does not exist or is not finite.
inline dao::Value orNull(const std::optional<double>& x) {
    return x && std::isfinite(*x) ? dao::Value(*x) : dao::Value();
}

// part / whole; none when whole is 0.
inline std::optional<double> ratio(double part, double whole) {
    if (whole == 0) return std::nullopt;
    return part / whole;
}

// A count for a 16-bit integer column; Null past its range.
inline dao::Value smallCount(long n) {
    return n >= -32768 && n <= 32767 ? dao::Value::int16(static_cast<std::int16_t>(n))
                                     : dao::Value();
}

}  // namespace qrv
