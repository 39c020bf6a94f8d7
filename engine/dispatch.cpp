// Dispatch of a loaded scenario to its analysis by category and subtype.
// The analyses arrive one by one; a known type whose analysis is not part of
// this build says so by name, and an unknown subtype runs nothing.
#include "engine/quorvane.h"

namespace qrv {

namespace {

const char* const kKnownSubtypes[] = {"Describe",  "Frequency",  "Percentiles",   "Compare",
                                      "Matrix",    "Regression", "Crosstab",      "Chi-Square",
                                      "Sign Test", "K-S Fit",    "Paired Fields", "N Fields",
                                      "2 Sample",  "N Sample"};

std::string notBuilt(const std::string& type) {
    return "The analysis type \"" + type + "\" is not available in this version of Quorvane.";
}

}  // namespace

std::string Quorvane::dispatch() {
    const CLumvarScenario& s = *scenario_;
    if (dao::iequal(s.Scenario_Type, "G")) return notBuilt(s.CalcType);
    for (const char* known : kKnownSubtypes)
        if (dao::iequal(s.CalcType, known)) return notBuilt(known);
    return {};
}

}  // namespace qrv
