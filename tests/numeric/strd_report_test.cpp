// Prints the digits-correct table of every linear and ANOVA reference set, in
// the order of the data sets' difficulty; the assertions live in the
// regression and ANOVA tests. Run test_numeric --gtest_filter='StrdReport*'.
#include <gtest/gtest.h>

#include <cstdio>

#include "strd_fits.h"

namespace qrv::test {
namespace {

TEST(StrdReport, PrintsDigitsCorrectOfEveryCertifiedValue) {
    const char* anova[] = {"SiRstv", "SmLs01", "SmLs02", "SmLs03", "AtmWtAg", "SmLs04",
                           "SmLs05", "SmLs06", "SmLs07", "SmLs08", "SmLs09"};
    const char* linear[] = {"Norris",   "Pontius",  "NoInt1",   "NoInt2",   "Filip",   "Longley",
                            "Wampler1", "Wampler2", "Wampler3", "Wampler4", "Wampler5"};
    for (const char* name : anova) {
        const Digits d = scoreAnovaSet(loadStrd(name));
        std::printf("%-9s", name);
        for (const auto& [key, v] : d) std::printf(" %s=%.1f", key.c_str(), v);
        std::printf("\n");
        EXPECT_FALSE(d.empty()) << name;
    }
    for (const char* name : linear) {
        const Digits d = scoreLinearSet(loadStrd(name));
        std::printf("%-9s", name);
        for (const auto& [key, v] : d) std::printf(" %s=%.1f", key.c_str(), v);
        std::printf("\n");
        EXPECT_FALSE(d.empty()) << name;
    }
}

}  // namespace
}  // namespace qrv::test
