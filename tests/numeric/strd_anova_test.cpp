// Accuracy of the one-way ANOVA kernel on the ANOVA reference data sets, read
// at test time. The F ceilings are the digits an exact computation on the
// doubles the data files parse to reaches, printed by
// tests/numeric/reference/strd_ceiling.py (exact rational arithmetic, square
// roots with mpmath at 50 digits); the kernel must come within half a digit.
#include <gtest/gtest.h>

#include "strd_fits.h"

namespace qrv::test {
namespace {

// Output of strd_ceiling.py, pasted unchanged.
const char* const kCeilings[] = {
    "SiRstv f=13.1 r2=13.2 resid_sd=13.4",  "SmLs01 f=15.0 r2=15.0 resid_sd=15.0",
    "SmLs02 f=15.0 r2=15.0 resid_sd=15.0",  "SmLs03 f=15.0 r2=15.0 resid_sd=15.0",
    "AtmWtAg f=10.2 r2=10.3 resid_sd=11.2", "SmLs04 f=10.4 r2=10.7 resid_sd=10.6",
    "SmLs05 f=10.2 r2=10.5 resid_sd=10.6",  "SmLs06 f=10.2 r2=10.5 resid_sd=10.6",
    "SmLs07 f=4.4 r2=4.7 resid_sd=4.6",     "SmLs08 f=4.2 r2=4.5 resid_sd=4.6",
    "SmLs09 f=4.2 r2=4.4 resid_sd=4.6",
};

TEST(StrdAnova, WithinHalfADigitOfTheInputCeiling) {
    for (const char* line : kCeilings) {
        const auto [name, ceiling] = parseCeilings(line);
        SCOPED_TRACE(name);
        const Digits got = scoreAnovaSet(loadStrd(name));
        ASSERT_EQ(ceiling.size(), 3u);
        for (const auto& [key, target] : ceiling) EXPECT_GE(got.at(key), target - 0.5) << key;
    }
}

TEST(StrdAnova, DegreesOfFreedomMatchTheTable) {
    for (const char* name : {"SiRstv", "AtmWtAg", "SmLs09"}) {
        SCOPED_TRACE(name);
        const StrdSet set = loadStrd(name);
        const num::OneWayAnova t = fitAnovaSet(set);
        EXPECT_EQ(t.dfBetween.toDouble(), set.certified.at("model_df"));
        EXPECT_EQ(t.dfWithin.toDouble(), set.certified.at("resid_df"));
    }
}

}  // namespace
}  // namespace qrv::test
