// The dispatch: every analysis type reaches its routine, each routine's extra
// role checks give their messages, and options become the analyses' arguments.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "engine/engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

class DispatchTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        addRow("a", 1.0, 2.0, 1.0);
        addRow("b", 3.0, 4.0, 1.0);
    }
    std::string runType(const std::string& category, const std::string& subtype, Fields fields,
                        std::vector<std::pair<std::string, Value>> options = {}) {
        ScenarioRow s;
        s.category = category;
        s.subtype = subtype;
        s.fields = std::move(fields);
        const auto id = addScenario(s);
        if (!options.empty()) setOptions(id, std::move(options));
        run(id);
        return engine.ErrorInfo();
    }
};

TEST_F(DispatchTest, EveryTypeReachesItsRoutine) {
    const Fields x = {{"X", "X"}}, xy = {{"X", "X"}, {"Y", "Y"}};
    EXPECT_EQ(runType("P", "Describe", x), "");
    EXPECT_EQ(runType("P", "frequency", x), "");
    EXPECT_EQ(tableRows("Out1").size(), 10u) << "default borders: 10 intervals, one field";
    EXPECT_EQ(runType("P", "Percentiles", x, {{"PercentileRadio", "Quartiles"}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 3u);
    EXPECT_EQ(runType("P", "Compare", xy), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "one X field, two groups pooled";
    EXPECT_EQ(runType("P", "Matrix", x, {{"MCnt", true}, {"MCor", true}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 2u) << "two statistics, one X field";
    EXPECT_EQ(runType("P", "Regression", xy), "");
    EXPECT_EQ(runType("P", "Crosstab", {{"Grp", "G"}, {"Y", "C"}}), "");
    EXPECT_EQ(runType("N", "Chi-Square", {{"Grp", "C"}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "no group fields: one summary row";
    EXPECT_EQ(runType("N", "sign test", x, {{"SignMean", true}, {"SignMedian", true}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 2u) << "mean and median, one X field, groups pooled";
    EXPECT_EQ(runType("N", "K-S Fit", x,
                      {{"FitUniform", true}, {"FitNormal", false}, {"FitPoisson", false}}),
              "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "one distribution, one X field";
    EXPECT_EQ(runType("N", "Paired Fields", xy), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "one X field, two groups pooled";
    EXPECT_EQ(runType("N", "N Fields", {{"X", "X"}, {"Y", "X"}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "one row, groups pooled";
    EXPECT_EQ(runType("N", "2 Sample", {{"X", "X"}, {"Grp", "C"}}, {{"NPTwoType", "wald"}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "the runs test, one X field";
    EXPECT_EQ(runType("N", "2 Sample", {{"X", "X"}, {"Grp", "C"}}), "") << "Mann by default";
    EXPECT_EQ(tableRows("Out1").size(), 1u) << "one X field, no group fields";
    EXPECT_EQ(runType("N", "N Sample", {{"X", "X"}, {"Grp", "C"}}), "");
    EXPECT_EQ(tableRows("Out1").size(), 1u);
    // Every group subtype goes to the group analysis, whatever its letter
    // case; only the t-test's name asks for the t-test.
    for (const char* g : {"Two Sample t-Test", "two sample t-test", "ANOVA"}) {
        EXPECT_EQ(runType("G", g, {{"Grp", "C"}, {"X", "X"}}), "") << g;
        const bool t = std::string(g).find("ample t-") != std::string::npos;
        const auto columns = tableColumns("Out1");
        const char* expected = t ? "t-Value_Pooled" : "Source_of_Variation";
        EXPECT_NE(std::find(columns.begin(), columns.end(), expected), columns.end()) << g;
    }
}

TEST_F(DispatchTest, ExtraRoleChecks) {
    EXPECT_EQ(runType("P", "Crosstab", {{"X", "X"}}), "At least one row field must be assigned");
    EXPECT_EQ(runType("N", "Paired Fields", {{"X", "X"}}), "Y Field not assigned");
    for (const char* t : {"2 Sample", "N Sample"}) {
        EXPECT_EQ(runType("N", t, {{"X", "X"}}), "At least one Compare field must be assigned")
            << t;
        EXPECT_EQ(runType("N", t, {{"X", "X"}, {"Grp", "C"}, {"Y", "C"}}),
                  "Only one Compare field may be assigned")
            << t;
    }
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "a failed check writes nothing";
}

TEST_F(DispatchTest, OptionsNamingNoAnalysisAreRefused) {
    const Fields xy = {{"X", "X"}, {"Y", "Y"}};
    const std::pair<std::string, std::string> cases[] = {
        {runType("P", "Regression", xy, {{"RegressType", Value()}}),
         "usysQuorvaneOptions.RegressType='': RegressType needs a value."},
        {runType("P", "Regression", xy, {{"RegressType", "Q"}}),
         "usysQuorvaneOptions.RegressType='Q': 'Q' is not a value of RegressType."},
        {runType("N", "2 Sample", {{"X", "X"}, {"Grp", "C"}}, {{"NPTwoType", "Else"}}),
         "usysQuorvaneOptions.NPTwoType='Else': 'Else' is not a value of NPTwoType."},
        {runType("P", "Percentiles", {{"X", "X"}}, {{"PercentileRadio", "Thirds"}}),
         "usysQuorvaneOptions.PercentileRadio='Thirds': 'Thirds' is not a value of "
         "PercentileRadio."},
        {runType("P", "Something Else", {{"X", "X"}}),
         "usysQuorvaneScenarios.Scenario_Analysis_SubType='Something Else': 'Something Else' is "
         "not an analysis type."},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got.substr(0, want.size()), want);
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

TEST_F(DispatchTest, DescribeOptionsBecomeArguments) {
    // Options off: no blocks, whatever their companions say.
    EXPECT_EQ(runType("P", "Describe", {{"X", "X"}},
                      {{"Range", false},
                       {"VarStd", false},
                       {"Sum", false},
                       {"Percentile", false},
                       {"PercentileRadio", "Deciles"},
                       {"CI", false},
                       {"CIUser", 90},
                       {"VarNRadio", "N"}}),
              "");
    EXPECT_EQ(tableColumns("Out1"),
              (std::vector<std::string>{"DataField", "Count", "Missing", "Mean"}));
    // A Normal band needs its sigma and a test its mean; a Null user level
    // means no user band.
    const std::vector<std::pair<std::string, Value>> options = {
        {"Range", false},    {"VarStd", true},       {"VarNRadio", "N"},
        {"Sum", false},      {"CI", true},           {"CITypeRadio", "Normal"},
        {"CI95", true},      {"CIUser", Value()},    {"CIStdDev", Value()},
        {"TTestMean", true}, {"TTestValue", Value()}};
    EXPECT_EQ(runType("P", "Describe", {{"X", "X"}}, options),
              "usysQuorvaneOptions: Confidence Interval standard deviation required\r\nSet: "
              "CIStdDev");
    auto withSigma = options;
    withSigma[8].second = 2.0;
    EXPECT_EQ(runType("P", "Describe", {{"X", "X"}}, withSigma),
              "usysQuorvaneOptions: Mean value for t-Test vs. Mean required\r\nSet: TTestValue");
    withSigma[10].second = 0.0;
    EXPECT_EQ(runType("P", "Describe", {{"X", "X"}}, withSigma), "");
    auto r = tableRows("Out1")[0];
    EXPECT_EQ(r.count("90%_Lower"), 0u);
    EXPECT_EQ(r.at("Population_StdDev").asDouble(), 2);
    EXPECT_EQ(r.at("Population_Mean").asDouble(), 0);
    EXPECT_DOUBLE_EQ(r.at("Variance").asDouble(), 1) << "population method: values 1 and 3";
    // t = (2 - 0) * sqrt(2) / sqrt(2) = 2 with the sample deviation sqrt(2).
    EXPECT_DOUBLE_EQ(r.at("t-Value").asDouble(), 2);
}

}  // namespace
}  // namespace qrv::test

namespace qrv::test {
namespace {

// A text stored in a numeric column by another program ends every analysis
// with the same message, naming the field and the value.
// A scenario may still name a detail table whose option is off (stored by
// an older designer, or by hand): the run writes it only with the option on.
TEST_F(DispatchTest, DetailTableFollowsItsOption) {
    struct Case {
        const char* category;
        const char* subtype;
        const char* option;
        Fields fields;
        std::size_t rows;  // detail rows with the option on
    };
    const Case cases[] = {
        // One row per level of the factor: "a" and "b".
        {"G", "Two Sample t-Test", "GroupDetail", {{"Grp", "C"}, {"X", "X"}}, 2},
        {"G", "ANOVA", "GroupDetail", {{"Grp", "C"}, {"X", "X"}}, 2},
        // Levels a, b of Grp and the one level 1 of W.
        {"G", "Two way ANOVA", "GroupDetail", {{"Grp", "C"}, {"W", "C"}, {"X", "X"}}, 3},
        // One row per sample.
        {"N", "N Sample", "NPKruskalDetail", {{"Grp", "C"}, {"X", "X"}}, 2},
        // One row per compared field.
        {"N", "N Fields", "NPFriedmanDetail", {{"X", "X"}, {"Y", "X"}}, 2},
        // One row per category.
        {"N", "Chi-Square", "ChiDetail", {{"Grp", "C"}}, 2},
    };
    for (const Case& c : cases) {
        for (const bool on : {false, true}) {
            SCOPED_TRACE(std::string(c.subtype) + (on ? " with" : " without") + " detail");
            ScenarioRow s;
            s.category = c.category;
            s.subtype = c.subtype;
            s.output2 = "Det";
            s.fields = c.fields;
            const auto id = addScenario(s);
            setOptions(id, {{c.option, on}});
            ASSERT_TRUE(run(id)) << engine.ErrorInfo();
            EXPECT_TRUE(db.GetTableDef("Out1").ok());
            EXPECT_EQ(db.GetTableDef("Det").ok(), on);
            if (on) {
                EXPECT_EQ(tableRows("Det").size(), c.rows);
            }
            db.Execute("DROP TABLE [Det]");
        }
    }
}

TEST_F(EngineTest, TextInANumericColumnEndsTheRunClearly) {
    addRow("a", 1.0);
    ASSERT_TRUE(db.Execute("INSERT INTO [Data] ([Grp], [X]) VALUES ('b', 'twelve')").ok());
    for (const char* type : {"Describe", "Frequency", "Percentiles"}) {
        ScenarioRow s;
        s.subtype = type;
        EXPECT_FALSE(run(addScenario(s))) << type;
        EXPECT_EQ(engine.ErrorInfo(), "Field [X] holds a value that is not a number: 'twelve'")
            << type;
        EXPECT_FALSE(db.GetTableDef("Out1").ok()) << type << ": no half-written table";
    }
}

}  // namespace
}  // namespace qrv::test

namespace qrv::test {
namespace {

TEST_F(EngineTest, ReadOnlyOutputFileFailsClearlyAndLeavesNothing) {
    addRow("a", 1.0);
    addRow("a", 2.0);
    ScenarioRow s;
    s.subtype = "Percentiles";  // uses the scratch database too
    const auto id = addScenario(s);
    const std::string out = dir.file("out.db");
    DBEngine::Instance().CreateDatabase(out, dbLangGeneral)->Close();
    ::chmod(out.c_str(), 0444);
    const std::string before = readBytes(out);
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.OutputDb = out;
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), "Cannot update. Database or object is read-only.");
    EXPECT_EQ(readBytes(out), before);
    for (const auto& entry :
         std::filesystem::directory_iterator(std::filesystem::temp_directory_path()))
        EXPECT_EQ(
            entry.path().filename().string().rfind("qrv" + std::to_string(::getpid()) + "_", 0),
            std::string::npos)
            << "scratch file left: " << entry.path();
}

}  // namespace
}  // namespace qrv::test
