// The options catalogue. The order is the options table's column order.
#include "scenario/options_catalogue.h"

#include "dataaccess/types.h"

namespace qrv::scenario {

namespace {

using namespace qrv::dao;

constexpr OptionColumn kOptions[] = {
    {"Range", dbBoolean, 0, "True", "Describe: Range"},
    {"VarStd", dbBoolean, 0, "True", "Describe: Stanard deviation, variance"},
    {"VarNRadio", dbText, 3, "N-1", "Describe: N or N-1 Method"},
    {"Mean", dbBoolean, 0, "False", "Describe: Harmonic, Geometric, RMS"},
    {"Skew", dbBoolean, 0, "False", "Describe: Skewness, Kurtosis"},
    {"Sum", dbBoolean, 0, "True", "Describe: Sum, Sum Squared"},
    {"Mode", dbBoolean, 0, "False", "Describe: Mode, Mode Count"},
    {"CI", dbBoolean, 0, "False", "Describe: Confidence Intervals"},
    {"CITypeRadio", dbText, 7, "t-Test", "Describe: t-Test or Normal CI method"},
    {"CIStdDev", dbDouble, 0, nullptr, "Describe: std. dev. for Normal calc"},
    {"CI95", dbBoolean, 0, "True", "Describe: CI 95% option"},
    {"CIUser", dbInteger, 0, nullptr, "Describe: CI User % option"},
    {"TTestMean", dbBoolean, 0, "False", "Describe: t-Test vs. Mean"},
    {"TTestValue", dbDouble, 0, nullptr, "Describe: t-Test vs. Mean value to test"},
    {"Percentile", dbBoolean, 0, "False", "Describe: Percentile"},
    {"PercentileRadio", dbText, 11, "Median", "Percentile type: Median, Quartiles, etc."},
    {"FreqN", dbBoolean, 0, "False", "Describe: Frequency Count"},
    {"FreqP", dbBoolean, 0, "False", "Describe: Frequency Percent"},
    {"InterV", dbInteger, 0, "10", "Frequency: Number of intervals"},
    {"FreqIncRadio", dbText, 11, "Lower", "Frequency: Include border in lower or upper range"},
    {"FreqDispRadio", dbText, 10, "Count", "Frequency: Count or cumulative"},
    {"FreqGroupRadio", dbText, 10, "Default", "Frequency: Default or specified"},
    {"FreqWidth", dbDouble, 0, nullptr, "Frequency: Specified interval width"},
    {"FreqInit", dbDouble, 0, nullptr, "Frequency: Specified initial interval value"},
    {"FreqSum", dbBoolean, 0, nullptr, "Frequency: Sum intervals"},
    {"FreqType", dbText, 1, nullptr, nullptr},
    {"CountXY", dbBoolean, 0, "True", "Compare: Count"},
    {"MeanXY", dbBoolean, 0, "True", "Compare: Mean X-Y"},
    {"CorrXY", dbBoolean, 0, "True", "Compare: Correlation"},
    {"TTest", dbBoolean, 0, "True", "Compare: t-Test"},
    {"Chi", dbBoolean, 0, "False", "Compare: Chi-Square"},
    {"MCnt", dbBoolean, 0, "False", "Matrix: Count"},
    {"MMis", dbBoolean, 0, "False", "Matrix: Missing"},
    {"MMean", dbBoolean, 0, "False", "Matrix: Mean X-Y"},
    {"MDev", dbBoolean, 0, "False", "Matrix: Std. Dev X-Y"},
    {"MCov", dbBoolean, 0, "False", "Matrix: Covariance"},
    {"MCor", dbBoolean, 0, "False", "Matrix: Correlation"},
    {"MR2", dbBoolean, 0, "False", "Matrix: R-Square"},
    {"MT", dbBoolean, 0, "False", "Matrix: t-Test"},
    {"MProb", dbBoolean, 0, "False", "Matrix: Probability"},
    {"MProbTail", dbText, 6, nullptr, "Matrix: Probability tails"},
    {"RegressType", dbText, 1, "S", "Regression: Type"},
    {"RPoly", dbInteger, 0, "2", "Regression: Polynomial order"},
    {"RYInt", dbBoolean, 0, "True", "Regression: Y-intercept"},
    {"RANova", dbBoolean, 0, "True", "Regression: ANOVA"},
    {"Residual", dbBoolean, 0, "False", "Regression: Residual table"},
    {"XType", dbText, 1, "C", "Crosstab: Type"},
    {"XRowPCnt", dbBoolean, 0, nullptr, "Crosstab: % of row"},
    {"XColPcnt", dbBoolean, 0, nullptr, "Crosstab: % of column"},
    {"xTotPcnt", dbBoolean, 0, nullptr, "Crosstab: % of total"},
    {"xExpectPcnt", dbBoolean, 0, nullptr, "Crosstab: % of expected"},
    {"xExpect", dbBoolean, 0, nullptr, "Crosstab: Expected"},
    {"xChi", dbBoolean, 0, nullptr, "Crosstab: Chi-Square"},
    {"GroupIgnoreBlanks", dbBoolean, 0, "False", "Group: Ignore blanks"},
    {"GroupDetail", dbBoolean, 0, "False", "Group: Create detail table"},
    {"ChiAll", dbBoolean, 0, "False", "Chi-Square: All groups use the compare values"},
    {"ChiIgnoreBlanks", dbBoolean, 0, "False", "Chi-Square: Ignore blanks"},
    {"ChiDetail", dbBoolean, 0, "True", "Chi-Square: Detail table"},
    {"SignMean", dbBoolean, 0, "True", "Sign Test: Mean"},
    {"SignMedian", dbBoolean, 0, "False", "Sign Test: Median"},
    {"SignCustom", dbBoolean, 0, "False", "Sign Test: Custom"},
    {"SignValue", dbInteger, 0, nullptr, "Sign Test: Custom value"},
    {"FitUniform", dbBoolean, 0, "True", "K-S Fit: Uniform distribution"},
    {"FitNormal", dbBoolean, 0, "False", "K-S Fit: Normal distribution"},
    {"FitPoisson", dbBoolean, 0, "True", "K-S Fit: Poisson distribution"},
    {"NPPair_Sign", dbBoolean, 0, "True", "Paired: Sign Test"},
    {"NPPair_Wilcoxon", dbBoolean, 0, "True", "Paired: Wilcoxon"},
    {"NPPair_Spearman", dbBoolean, 0, "True", "Paired: Spearman"},
    {"NPPair_Tau", dbBoolean, 0, "False", "Paired: Tau - disabled"},
    {"NPFriedmanDetail", dbBoolean, 0, "True", "N Fields: Friedman Detail"},
    {"NPTwoType", dbText, 4, "Mann", "2 Sample: Wald-Wolfowitz Runs or Mann-Whitney"},
    {"NPKruskalDetail", dbBoolean, 0, "True", "N Sample: Kruskal Wallis detail table"},
};

}  // namespace

std::span<const OptionColumn> OptionColumns() {
    return kOptions;
}

}  // namespace qrv::scenario
