// The twenty scenario cases that cover the seventeen analysis types, as the
// command line's "new" takes them, and the tables their runs write: shared by
// the tests that run every type under changed conditions.
#pragma once

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "dataaccess/value.h"
#include "scenario/scenario_author.h"

namespace qrv::test {

// A scenario as the command line's "new" takes it: fields as role:name,
// values to ignore as "=v" (that value) or "<low" and/or ">high" (outside),
// options as name=value.
struct ScenarioCase {
    const char* name;  // the case's name in test output
    const char* type;
    const char* fields;
    const char* ignore;
    const char* options;
    const char* input = "Obs";
};

// Every type, with its own rule and options (the second outputs included:
// Regression's residuals, the crosstab's chi-square, the details tables).
// clang-format off
inline const ScenarioCase kCases[] = {
    {"Describe", "Describe", "G:Site X:A X:B W:W", "",
     "Skew=Yes Mode=Yes CI=Yes Percentile=Yes PercentileRadio=Quartiles FreqN=Yes "
     "TTestMean=Yes TTestValue=50"},
    {"Frequency", "Frequency", "G:Batch X:A", ">100", "InterV=6 FreqDispRadio=Cumulative"},
    {"Percentiles", "Percentiles", "G:Site G:Batch X:B X:C", "=0", "PercentileRadio=Deciles"},
    {"Compare", "Compare", "G:Batch X:A X:B Y:C", "<5", "Chi=Yes CorrXY=No"},
    {"Matrix", "Matrix", "X:A X:B X:C W:W", "<1 >100",
     "MCnt=Yes MMis=Yes MCor=Yes MProb=Yes MProbTail=2-tail"},
    {"RegressionSimple", "Regression", "G:Site X:A Y:C", "", ""},
    {"RegressionMultiple", "Regression", "X:A X:B Y:C W:W", "=0", "RegressType=M Residual=Yes"},
    {"RegressionPolynomial", "Regression", "G:Batch X:B Y:A", ">110",
     "RegressType=P RPoly=3 RYInt=No"},
    {"Crosstab", "Crosstab", "G:Site C:Arm X:A", "<2 >120",
     "xChi=Yes XRowPCnt=Yes xExpectPcnt=Yes"},
    {"TwoSampleTTest", "Two Sample t-Test", "G:Batch C:Lvl X:A X:B", "=0", ""},
    {"Anova", "ANOVA", "C:Arm X:A W:W", ">100", ""},
    {"TwoWayAnova", "Two way ANOVA", "C:Lvl C:Arm X:B", "", ""},
    {"ChiSquare", "Chi-Square", "G:Site C:Arm C:K W:W", "=0", "ChiIgnoreBlanks=Yes"},
    {"SignTest", "Sign Test", "X:A X:B", "<1 >120", "SignMedian=Yes SignCustom=Yes SignValue=40"},
    {"KSFit", "K-S Fit", "G:Lvl X:K", "<1", "FitNormal=Yes"},
    {"TwoSampleMann", "2 Sample", "C:Lvl X:A W:W", "=0", "NPTwoType=Mann"},
    {"TwoSampleWald", "2 Sample", "G:Site C:Lvl X:B", ">100", "NPTwoType=Wald"},
    {"NSample", "N Sample", "C:Arm X:A X:C", "<10", ""},
    {"PairedFields", "Paired Fields", "G:Batch X:A Y:B", "=0", ""},
    {"NFields", "N Fields", "X:A X:B X:C", "<0.5 >100", ""},
};
// clang-format on

inline std::vector<std::string> words(const char* text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Sets the rule for values to ignore from its text ("=v", "<low", ">high"),
// every value moved by shift.
inline void applyIgnore(scenario::ScenarioDraft& d, const std::string& ignore, double shift = 0) {
    std::optional<double> below, above;
    for (const std::string& w : words(ignore.c_str())) {
        const double v = std::stod(w.substr(1)) + shift;
        if (w[0] == '=')
            scenario::SetIgnoreEqual(d, v);
        else
            (w[0] == '<' ? below : above) = v;
    }
    if (below || above) scenario::SetIgnoreRange(d, below, above);
}

struct Table {
    std::string name;
    std::vector<std::string> columns;
    std::vector<std::vector<dao::Value>> rows;
};
using Tables = std::vector<Table>;

struct Saved {
    std::int32_t id = 0;
    std::vector<std::string> outputs;
};

}  // namespace qrv::test
