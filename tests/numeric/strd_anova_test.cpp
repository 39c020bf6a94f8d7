// Accuracy of the one-way ANOVA kernel on the ANOVA reference data sets, read
// at test time. The F ceilings are the digits an exact computation on the
// doubles the data files parse to reaches, printed by
// tests/numeric/reference/strd_ceiling.py (exact rational arithmetic, square
// roots with mpmath at 50 digits); the kernel must come within half a digit.
#include <gtest/gtest.h>

#include "strd_fits.h"

namespace qrv::test {
namespace {

struct AnovaCase {
    const char* name;
    double f, r2, residSd;  // ceilings
};

const AnovaCase kCases[] = {
    {"SiRstv", 13.1, 13.2, 13.4}, {"SmLs01", 15.0, 15.0, 15.0},  {"SmLs02", 15.0, 15.0, 15.0},
    {"SmLs03", 15.0, 15.0, 15.0}, {"AtmWtAg", 10.2, 10.3, 11.2}, {"SmLs04", 10.4, 10.7, 10.6},
    {"SmLs05", 10.2, 10.5, 10.6}, {"SmLs06", 10.2, 10.5, 10.6},  {"SmLs07", 4.4, 4.7, 4.6},
    {"SmLs08", 4.2, 4.5, 4.6},    {"SmLs09", 4.2, 4.4, 4.6},
};

TEST(StrdAnova, WithinHalfADigitOfTheInputCeiling) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        const Digits got = scoreAnovaSet(loadStrd(c.name));
        EXPECT_GE(got.at("f"), c.f - 0.5);
        EXPECT_GE(got.at("r2"), c.r2 - 0.5);
        EXPECT_GE(got.at("resid_sd"), c.residSd - 0.5);
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
