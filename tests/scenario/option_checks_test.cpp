// Option values as typed, their ranges at both edges, the options pages'
// checks, the values-to-ignore dialog and the finish page: each refusal's
// message exactly as the wizard words it, and the output names it proposes.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;
using qrv::dao::Value;

// The refusal's message for OPTION=VALUE, or "" when the value is taken
// (then its text form after the equals sign).
std::string set(const char* option, const char* value, std::string* stored = nullptr) {
    const OptionColumn* c = FindOption(option);
    EXPECT_NE(c, nullptr) << option;
    if (!c) return "no such option";
    Value v;
    auto r = ParseOptionValue(*c, value, v);
    if (stored) *stored = r ? "" : (v.isNull() ? "Null" : OptionValueText(*c, v));
    return r ? r->message : "";
}

TEST(OptionValues, FlagsTakeYesNoTrueFalseInAnyCase) {
    std::string stored;
    for (const char* yes : {"Yes", "TRUE", "yes", "true"}) {
        EXPECT_EQ(set("Skew", yes, &stored), "");
        EXPECT_EQ(stored, "Yes") << yes;
    }
    for (const char* no : {"No", "false", "FALSE", " no "}) {
        EXPECT_EQ(set("Skew", no, &stored), "");
        EXPECT_EQ(stored, "No") << no;
    }
    EXPECT_EQ(set("Skew", "1"), "Skew is Yes or No.");
    EXPECT_EQ(set("Skew", "on"), "Skew is Yes or No.");
    EXPECT_EQ(set("Skew", ""), "Skew needs a value.") << "a flag with a default is never Null";
    EXPECT_EQ(set("FreqSum", "", &stored), "");
    EXPECT_EQ(stored, "Null") << "FreqSum has no default";
}

TEST(OptionValues, NumericRangesAtBothEdges) {
    struct Case {
        const char* option;
        const char* value;
        const char* message;  // "" when taken
    } cases[] = {
        {"InterV", "2", ""},
        {"InterV", "50", ""},
        {"InterV", "1", "Please enter a number between 2 and 50."},
        {"InterV", "51", "Please enter a number between 2 and 50."},
        {"RPoly", "2", ""},
        {"RPoly", "9", ""},
        {"RPoly", "1", "Please enter a number between 2 and 9."},
        {"RPoly", "10", "Please enter a number between 2 and 9."},
        {"CIUser", "1", ""},
        {"CIUser", "99", ""},
        {"CIUser", "0", "Please enter a value between 1 and 99.999"},
        {"CIUser", "100", "Please enter a value between 1 and 99.999"},
        {"CIUser", "90.5", "CIUser holds a whole number from -32768 to 32767."},
        {"CIStdDev", "0.000001", ""},
        {"CIStdDev", "0", "Please enter a number greater than zero."},
        {"CIStdDev", "-2", "Please enter a number greater than zero."},
        {"FreqWidth", "0.5", ""},
        {"FreqWidth", "0", "Interval Width must be greater than zero"},
        {"SignValue", "-32768", ""},
        {"SignValue", "32768", "SignValue holds a whole number from -32768 to 32767."},
        {"TTestValue", "-12.75", ""},
        {"TTestValue", "twelve", "'twelve' is not a number."},
        {"InterV", "", ""},
        {"CIStdDev", "", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(set(c.option, c.value), c.message) << c.option << "=" << c.value;
    std::string stored;
    EXPECT_EQ(set("TTestValue", "-12.75", &stored), "");
    EXPECT_EQ(stored, "-12.75");
    EXPECT_EQ(set("InterV", "", &stored), "");
    EXPECT_EQ(stored, "Null");
}

TEST(OptionValues, RadioTextsAreStoredAsTheAnalysesReadThem) {
    std::string stored;
    EXPECT_EQ(set("VarNRadio", "n", &stored), "");
    EXPECT_EQ(stored, "N");
    EXPECT_EQ(set("CITypeRadio", "NORMAL", &stored), "");
    EXPECT_EQ(stored, "Normal");
    EXPECT_EQ(set("PercentileRadio", "deciles", &stored), "");
    EXPECT_EQ(stored, "Deciles");
    EXPECT_EQ(set("PercentileRadio", "5", &stored), "");
    EXPECT_EQ(stored, "5") << "quintiles are stored as 5";
    EXPECT_EQ(set("XType", "l", &stored), "");
    EXPECT_EQ(stored, "L");
    EXPECT_EQ(set("NPTwoType", "wald", &stored), "");
    EXPECT_EQ(stored, "Wald");
    EXPECT_EQ(set("MProbTail", "", &stored), "") << "no default: may be cleared";
    EXPECT_EQ(set("FreqType", "Z", &stored), "");
    EXPECT_EQ(set("FreqType", "ZZ"), "FreqType holds at most 1 character.");

    const OptionColumn* c = FindOption("percentileradio");
    ASSERT_NE(c, nullptr);
    Value v;
    auto r = ParseOptionValue(*c, "Quintiles", v);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->Text(),
              "PercentileRadio=Quintiles: 'Quintiles' is not a value of PercentileRadio.\r\n"
              "Valid values: Median, Quartiles, 5, Deciles, Percentiles");
    r = ParseOptionValue(*FindOption("RegressType"), "Q", v);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->choices, (std::vector<std::string>{"S", "M", "P"}));
    r = ParseOptionValue(*FindOption("VarNRadio"), "", v);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->choices, (std::vector<std::string>{"N", "N-1"}));
}

TEST(OptionValues, UnknownNamesListEveryValidOne) {
    ScenarioDraft d = NewDraft(*FindAnalysisType("Describe"));
    auto r = ApplySetting(d, "Skewness", "Yes");
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "'Skewness' is not an option.");
    ASSERT_EQ(r->choices.size(), 4u + OptionColumns().size());
    EXPECT_EQ(r->choices[0], "Description");
    EXPECT_EQ(r->choices[3], "Out2");
    EXPECT_EQ(r->choices.back(), "NPKruskalDetail");
    EXPECT_FALSE(ApplySetting(d, "out", "Stats"));
    EXPECT_EQ(d.output1, "Stats");
    EXPECT_FALSE(ApplySetting(d, "SKEW", "yes"));
    EXPECT_TRUE(d.flag("Skew"));
    r = ApplySetting(d, "Out", std::string(51, 'a'));
    ASSERT_TRUE(r);
    EXPECT_EQ(r->message, "Out holds at most 50 characters.");
}

ScenarioDraft describe() {
    ScenarioDraft d = NewDraft(*FindAnalysisType("Describe"));
    d.input = "Measurements";
    return d;
}

std::string options(const ScenarioDraft& d) {
    auto r = CheckOptions(d);
    return r ? r->message : "";
}

TEST(OptionPages, DescribeConfidenceIntervalsAndTTest) {
    ScenarioDraft d = describe();
    EXPECT_EQ(options(d), "") << "the defaults pass";
    d.setOption("CI", true);
    EXPECT_EQ(options(d), "") << "95% is on by default";
    d.setOption("CIUser", Value::int16(95));
    EXPECT_EQ(options(d), "Duplicate Confidence Interval % selected");
    d.setOption("CI95", false);
    EXPECT_EQ(options(d), "");
    d.setOption("CIUser", Value());
    EXPECT_EQ(options(d), "Confidence Interval value (95% or Other%) required");
    d.setOption("CIUser", Value::int16(0));
    EXPECT_EQ(options(d), "Confidence Interval value (95% or Other%) required");
    d.setOption("CIUser", Value::int16(90));
    d.setOption("CITypeRadio", "Normal");
    EXPECT_EQ(options(d), "Confidence Interval standard deviation required");
    d.setOption("CIStdDev", 2.5);
    EXPECT_EQ(options(d), "");
    d.setOption("CI", false);
    d.setOption("CIStdDev", Value());
    EXPECT_EQ(options(d), "") << "without intervals their settings are not checked";
    d.setOption("TTestMean", true);
    EXPECT_EQ(options(d), "Mean value for t-Test vs. Mean required");
    d.setOption("TTestValue", 0.0);
    EXPECT_EQ(options(d), "");
}

TEST(OptionPages, FrequencyOfDescribeAndOfTheFrequencyAnalysis) {
    ScenarioDraft d = describe();
    d.setOption("InterV", Value());
    EXPECT_EQ(options(d), "") << "no frequency output asked for";
    d.setOption("FreqP", true);
    EXPECT_EQ(options(d), "Frequency: Number of intervals required");
    ScenarioDraft f = NewDraft(*FindAnalysisType("Frequency"));
    EXPECT_EQ(options(f), "");
    f.setOption("FreqGroupRadio", "Specified");
    EXPECT_EQ(options(f), "Frequency: Specified Initial Value required");
    f.setOption("FreqInit", 0.0);
    EXPECT_EQ(options(f), "Frequency: Specified Interval Width required");
    f.setOption("FreqWidth", 5.0);
    EXPECT_EQ(options(f), "");
    f.setOption("InterV", Value());
    EXPECT_EQ(options(f), "Frequency: Number of intervals required");
}

TEST(OptionPages, SignFitAndPairedTestsNeedATestType) {
    ScenarioDraft s = NewDraft(*FindAnalysisType("Sign Test"));
    EXPECT_EQ(options(s), "") << "the mean test is on by default";
    s.setOption("SignMean", false);
    EXPECT_EQ(options(s), "No test type selected");
    EXPECT_EQ(CheckSignTest(s)->choices,
              (std::vector<std::string>{"SignMean", "SignMedian", "SignCustom"}));
    s.setOption("SignCustom", true);
    EXPECT_EQ(options(s), "Custom value required");
    s.setOption("SignValue", Value::int16(3));
    EXPECT_EQ(options(s), "");

    ScenarioDraft k = NewDraft(*FindAnalysisType("K-S Fit"));
    EXPECT_EQ(options(k), "");
    k.setOption("FitUniform", false);
    k.setOption("FitPoisson", false);
    EXPECT_EQ(options(k), "No test type selected");
    k.setOption("FitNormal", true);
    EXPECT_EQ(options(k), "");

    ScenarioDraft p = NewDraft(*FindAnalysisType("Paired Fields"));
    EXPECT_EQ(options(p), "");
    for (const char* o : {"NPPair_Sign", "NPPair_Wilcoxon", "NPPair_Spearman"})
        p.setOption(o, false);
    EXPECT_EQ(options(p), "At least one analysis type must be selected");
    p.setOption("NPPair_Tau", true);
    EXPECT_EQ(options(p), "At least one analysis type must be selected") << "Tau is disabled";
}

TEST(IgnoreRule, TheDialogsChecks) {
    ScenarioDraft d = describe();
    EXPECT_FALSE(CheckIgnore(d));
    SetIgnoreEqual(d, -1);
    EXPECT_FALSE(CheckIgnore(d));
    EXPECT_EQ(d.missingType, "1");
    d.missingEqual = Value();
    EXPECT_EQ(CheckIgnore(d)->message, "Missing required value");
    SetIgnoreRange(d, 5.0, std::nullopt);
    EXPECT_FALSE(CheckIgnore(d));
    EXPECT_TRUE(d.missingHigh.isNull());
    EXPECT_TRUE(d.missingEqual.isNull()) << "the boxes the rule does not use are cleared";
    SetIgnoreRange(d, 5.0, 5.0);
    EXPECT_EQ(CheckIgnore(d)->message, "Greater Than Value must be Larger than Less Than Value");
    SetIgnoreRange(d, 5.0, 4.0);
    EXPECT_EQ(CheckIgnore(d)->message, "Greater Than Value must be Larger than Less Than Value");
    SetIgnoreRange(d, 5.0, 5.5);
    EXPECT_FALSE(CheckIgnore(d));
    SetIgnoreRange(d, std::nullopt, std::nullopt);
    EXPECT_EQ(CheckIgnore(d)->message, "Missing required value");
    SetIgnoreNone(d);
    EXPECT_EQ(d.missingType, "0");
    EXPECT_TRUE(d.missingLow.isNull());
}

TEST(OutputNames, DefaultsAsTheFinishPageProposesThem) {
    // type, first name, second name ("" when the analysis writes one table),
    // the detail table's option switched on. Names need no brackets in SQL.
    struct Case {
        const char* type;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"2 Sample", "Quorvane_2_Sample", ""},
        {"ANOVA", "Quorvane_ANOVA", "Quorvane_ANOVA_Details"},
        {"Chi-Square", "Quorvane_Chi_Square", "Quorvane_Chi_Square_Details"},
        {"Compare", "Quorvane_Compare", ""},
        {"Crosstab", "Quorvane_Crosstab", ""},
        {"Describe", "Quorvane_Describe", ""},
        {"Frequency", "Quorvane_Frequency", ""},
        {"K-S Fit", "Quorvane_K_S_Fit", ""},
        {"Matrix", "Quorvane_Matrix", ""},
        {"N Fields", "Quorvane_N_Fields_Friedman", "Quorvane_N_Fields_Friedman_Details"},
        {"N Sample", "Quorvane_N_Sample_Kruskal", "Quorvane_N_Sample_Kruskal_Details"},
        {"Paired Fields", "Quorvane_PairedFields", ""},
        {"Percentiles", "Quorvane_Percentiles", ""},
        {"Regression", "Quorvane_Regression", ""},
        {"Sign Test", "Quorvane_SignTest", ""},
        {"Two Sample t-Test", "Quorvane_Two_Sample_t_Test", "Quorvane_Two_Sample_t_Test_Details"},
        {"Two way ANOVA", "Quorvane_Two_Way_ANOVA", "Quorvane_Two_Way_ANOVA_Details"},
    };
    const std::map<std::string, const char*> detailOption = {
        {"ANOVA", "GroupDetail"},         {"Two Sample t-Test", "GroupDetail"},
        {"Two way ANOVA", "GroupDetail"}, {"Chi-Square", "ChiDetail"},
        {"N Sample", "NPKruskalDetail"},  {"N Fields", "NPFriedmanDetail"}};
    for (const Case& c : cases) {
        ScenarioDraft d = NewDraft(*FindAnalysisType(c.type));
        auto option = detailOption.find(c.type);
        if (option != detailOption.end()) d.setOption(option->second, true);
        if (!*c.second) d.output2 = "left over";  // cleared where there is no second table
        DefaultOutputNames(d);
        EXPECT_EQ(d.output1, c.first) << c.type;
        EXPECT_EQ(d.output2, c.second) << c.type;
        if (option == detailOption.end()) continue;
        // Without its detail table the analysis has one output name.
        d.setOption(option->second, false);
        DefaultOutputNames(d);
        EXPECT_EQ(d.output2, "") << c.type;
        d.output2 = "Extra";
        EXPECT_EQ(
            CheckSecondName(d)->message,
            std::string(c.type) + " writes one output table unless " + option->second + " is Yes.");
        d.output2.clear();
        d.output1 = "Out";
        EXPECT_FALSE(CheckFinal(d)) << c.type << ": no second name is needed";
    }
    EXPECT_EQ(PlainTableName("a b-c.d[e]f_g2"), "a_b_c_d_e_f_g2");
    ScenarioDraft x = NewDraft(*FindAnalysisType("Crosstab"));
    x.setOption("xChi", true);
    DefaultOutputNames(x, "My_");
    EXPECT_EQ(x.output1, "My_Crosstab");
    EXPECT_EQ(x.output2, "My_Crosstab_Chi_Square");
    x.setOption("XType", "A");
    DefaultOutputNames(x, "My_");
    EXPECT_EQ(x.output2, "") << "an average has no chi-square table";
    ScenarioDraft r = NewDraft(*FindAnalysisType("Regression"));
    r.output1 = "Fit";
    r.setOption("Residual", true);
    DefaultOutputNames(r);
    EXPECT_EQ(r.output1, "Fit") << "a given name is kept";
    EXPECT_EQ(r.output2, "Quorvane_Residual");
}

TEST(OutputNames, TheFinishPagesChecks) {
    ScenarioDraft d = NewDraft(*FindAnalysisType("ANOVA"));
    d.input = "Measurements";
    d.setOption("GroupDetail", true);
    EXPECT_EQ(CheckFinal(d)->message, "Output table name required.");
    d.output1 = "Out";
    EXPECT_EQ(CheckFinal(d)->message, "Second Output table name required.");
    d.output2 = "OUT";
    EXPECT_EQ(CheckFinal(d)->message,
              "The first and second output table names names must not be the same.");
    d.output2 = "Out Details";
    EXPECT_FALSE(CheckFinal(d));
    d.output1 = "measurements";
    EXPECT_EQ(CheckFinal(d)->message,
              "The output table [measurements] is the input of this scenario.");
    d.output1 = "usysQuorvaneFields";
    EXPECT_EQ(CheckFinal(d)->message,
              "The output table [usysQuorvaneFields] is one of the scenario tables.");
    d.output1 = "Bad]Name";
    EXPECT_TRUE(CheckFinal(d));

    ScenarioDraft s = NewDraft(*FindAnalysisType("Describe"));
    s.output2 = "Extra";
    EXPECT_EQ(CheckSecondName(s)->message, "Describe writes one output table.");
    ScenarioDraft r = NewDraft(*FindAnalysisType("Regression"));
    r.output2 = "Res";
    EXPECT_EQ(CheckSecondName(r)->message,
              "Regression writes one output table unless Residual is Yes.");
    r.setOption("Residual", true);
    EXPECT_FALSE(CheckSecondName(r));
}

}  // namespace
}  // namespace qrv::test
