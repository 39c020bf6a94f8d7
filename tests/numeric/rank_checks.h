// Shared by the rank statistics tests: brute-force ranks of raw data (no
// sorting, no runs: a value's rank is the number of values below it plus the
// mean of the positions its equal values share) and comparisons with the
// reference tables, in which kNull marks a statistic that must be absent.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <iomanip>
#include <limits>
#include <optional>
#include <vector>

#include "numeric/rank_statistics.h"

namespace qrv::num::testing {

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();

// The mid-rank of values[i] among values.
inline double BruteRank(const std::vector<double>& values, std::size_t i) {
    double below = 0, equal = 0;
    for (double v : values) {
        below += v < values[i] ? 1 : 0;
        equal += v == values[i] ? 1 : 0;
    }
    return below + (equal + 1) / 2;
}

// The tie runs of values, each distinct value's count added once.
inline TieTotals Ties(const std::vector<double>& values) {
    TieTotals t;
    for (std::size_t i = 0; i < values.size(); ++i) {
        bool first = true;
        double count = 0;
        for (std::size_t j = 0; j < values.size(); ++j) {
            if (values[j] != values[i]) continue;
            first = first && j >= i;
            count += 1;
        }
        if (first) t.add(count);
    }
    return t;
}

// got within rel (relative; absolute against 0) of want.
inline ::testing::AssertionResult Close(double got, double want, double rel = 1e-13) {
    const double err = want == 0 ? std::fabs(got) : std::fabs(got - want) / std::fabs(want);
    if (err <= rel) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::setprecision(17) << "got " << got << " want "
                                         << want << " (relative error " << err << ")";
}

// Present and close to want, or absent when want is kNull.
inline ::testing::AssertionResult Close(const std::optional<double>& got, double want,
                                        double rel = 1e-13) {
    if (std::isnan(want)) {
        if (!got) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure()
               << std::setprecision(17) << "got " << *got << ", want none";
    }
    if (!got) return ::testing::AssertionFailure() << "got none, want " << want;
    return Close(*got, want, rel);
}

}  // namespace qrv::num::testing
