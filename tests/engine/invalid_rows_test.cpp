// Scenario rows that another program wrote and the authoring checks would
// have refused: each is written with plain SQL (table checks off, as in a
// file of an earlier version), then run. The run is refused with a message
// naming the row and the rule, and writes nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "engine/engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using Fields = std::vector<std::pair<std::string, std::string>>;

struct Case {
    const char* name;
    const char* category;
    const char* subtype;
    Fields fields;
    const char* change;   // SQL; {id} is the scenario number
    const char* message;  // the failure text starts with this
};

// A stray role: the engine used to shift every field after it.
Case stray(const char* type, const char* message) {
    return {type,
            "P",
            type,
            {{"X", "X"}, {"Y", "Y"}},
            "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Grp', 1, 'C');",
            message};
}

const Fields kX = {{"X", "X"}};
const Fields kXY = {{"X", "X"}, {"Y", "Y"}};
const Fields kFactor = {{"Grp", "C"}, {"X", "X"}};

const Case kCases[] = {
    {"Describe stray compare", "P", "Describe", kX,
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Grp', 1, 'C');",
     "usysQuorvaneFields: Describe takes no Compare field ('Grp')."},
    {"Frequency stray compare", "P", "Frequency", kX,
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Grp', 1, 'C');",
     "usysQuorvaneFields: Frequency takes no Compare field ('Grp')."},
    {"Percentiles stray compare", "P", "Percentiles", kX,
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Grp', 1, 'C');",
     "usysQuorvaneFields: Percentiles takes no Compare field ('Grp')."},
    stray("Compare", "usysQuorvaneFields: Compare takes no Compare field ('Grp')."),
    {"Matrix stray compare", "P", "Matrix", kX,
     "UPDATE usysQuorvaneOptions SET MCnt = 1 WHERE Scenario_ID = {id};"
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Grp', 1, 'C');",
     "usysQuorvaneFields: Matrix takes no Compare field ('Grp')."},
    stray("Regression", "usysQuorvaneFields: Regression takes no Compare field ('Grp')."),
    {"unknown role letter", "P", "Describe", kX,
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Y', 1, 'Q');",
     "usysQuorvaneFields: Field 'Y' has the role letter 'Q', which no analysis knows."},
    {"two role letters", "P", "Describe", kX,
     "INSERT INTO usysQuorvaneFields VALUES ({id}, 'Y', 1, 'XY');",
     "usysQuorvaneFields: Field 'Y' has the role letter 'XY', which no analysis knows."},
    {"renamed field, Describe", "P", "Describe", kX,
     "UPDATE usysQuorvaneFields SET FieldDef_Name = 'Yield' WHERE Scenario_ID = {id};",
     "usysQuorvaneFields: Field 'Yield' is not a field of [Data]."},
    {"renamed field, Frequency", "P", "Frequency", kX,
     "UPDATE usysQuorvaneFields SET FieldDef_Name = 'Yield' WHERE Scenario_ID = {id};",
     "usysQuorvaneFields: Field 'Yield' is not a field of [Data]."},
    {"renamed field, ANOVA", "G", "ANOVA", kFactor,
     "UPDATE usysQuorvaneFields SET FieldDef_Name = 'Yield' WHERE FieldDef_Name = 'X';",
     "usysQuorvaneFields: Field 'Yield' is not a field of [Data]."},
    {"renamed field, N Sample", "N", "N Sample", kFactor,
     "UPDATE usysQuorvaneFields SET FieldDef_Name = 'Yield' WHERE FieldDef_Name = 'X';",
     "usysQuorvaneFields: Field 'Yield' is not a field of [Data]."},
    {"group field named like an output column",
     "P",
     "Describe",
     {{"DataField", "G"}, {"X", "X"}},
     "",
     "usysQuorvaneFields: The group field 'DataField' has the name of an output column"},
    {"one value ignored, but none given", "P", "Describe", kX,
     "UPDATE usysQuorvaneScenarios SET MissingType = '1', MissingEqual = NULL;",
     "usysQuorvaneScenarios.MissingType='1': Missing required value (MissingEqual)"},
    {"rule code Null", "P", "Describe", kX, "UPDATE usysQuorvaneScenarios SET MissingType = NULL;",
     "usysQuorvaneScenarios.MissingType='': The rule for values to ignore is 0 (none), 1 (one "
     "value) or 2 (a range)."},
    {"rule code 3", "P", "Describe", kX, "UPDATE usysQuorvaneScenarios SET MissingType = '3';",
     "usysQuorvaneScenarios.MissingType='3': The rule for values to ignore"},
    {"range upside down", "P", "Describe", kX,
     "UPDATE usysQuorvaneScenarios SET MissingType = '2', MissingLow = 5, MissingHigh = 1;",
     "usysQuorvaneScenarios.MissingType='2': Greater Than Value must be Larger than Less Than "
     "Value"},
    {"a bound as text", "P", "Describe", kX,
     "UPDATE usysQuorvaneScenarios SET MissingType = '1', MissingEqual = 'none';",
     "The ignore rule's value MissingEqual is not a number: 'none'"},
    {"polynomial order 25", "P", "Regression", kXY,
     "UPDATE usysQuorvaneOptions SET RegressType = 'P', RPoly = 25;",
     "usysQuorvaneOptions.RPoly='25': Please enter a number between 2 and 9."},
    {"a 100% band", "P", "Describe", kX, "UPDATE usysQuorvaneOptions SET CI = 1, CIUser = 100;",
     "usysQuorvaneOptions.CIUser='100': Please enter a value between 1 and 99.999"},
    {"a 150% band", "P", "Describe", kX,
     "UPDATE usysQuorvaneOptions SET CI = 1, CI95 = 0, CIUser = 150;",
     "usysQuorvaneOptions.CIUser='150': Please enter a value between 1 and 99.999"},
    {"60 intervals", "P", "Frequency", kX, "UPDATE usysQuorvaneOptions SET InterV = 60;",
     "usysQuorvaneOptions.InterV='60': Please enter a number between 2 and 50."},
    {"an interval width of 0", "P", "Frequency", kX,
     "UPDATE usysQuorvaneOptions SET FreqGroupRadio = 'Specified', FreqInit = 0, FreqWidth = 0;",
     "usysQuorvaneOptions.FreqWidth='0': Interval Width must be greater than zero"},
    {"a Matrix of nothing", "P", "Matrix", kX, "", "usysQuorvaneOptions: No statistic selected"},
    {"a Compare of nothing", "P", "Compare", kXY,
     "UPDATE usysQuorvaneOptions SET CountXY = 0, MeanXY = 0, CorrXY = 0, TTest = 0;",
     "usysQuorvaneOptions: No statistic selected"},
    {"a fit to nothing", "N", "K-S Fit", kX,
     "UPDATE usysQuorvaneOptions SET FitUniform = 0, FitNormal = 0, FitPoisson = 0;",
     "usysQuorvaneOptions: No test type selected"},
    {"a sign test of nothing", "N", "Sign Test", kX,
     "UPDATE usysQuorvaneOptions SET SignMean = 0, SignMedian = 0, SignCustom = 0;",
     "usysQuorvaneOptions: No test type selected"},
    {"paired tests all off", "N", "Paired Fields", kXY,
     "UPDATE usysQuorvaneOptions SET NPPair_Sign = 0, NPPair_Wilcoxon = 0, NPPair_Spearman = 0;",
     "usysQuorvaneOptions: At least one analysis type must be selected"},
    {"ANOVA filed as parametric", "P", "ANOVA", kFactor, "",
     "usysQuorvaneScenarios.Scenario_Analysis_Type='P': ANOVA is an analysis of category G."},
    {"Describe filed as a group analysis", "G", "Describe", kX, "",
     "usysQuorvaneScenarios.Scenario_Analysis_Type='G': Describe is an analysis of category P."},
    {"an unknown type", "P", "Histogram", kX, "",
     "usysQuorvaneScenarios.Scenario_Analysis_SubType='Histogram': 'Histogram' is not an "
     "analysis type."},
    {"an unknown regression", "P", "Regression", kXY,
     "UPDATE usysQuorvaneOptions SET RegressType = 'Q';",
     "usysQuorvaneOptions.RegressType='Q': 'Q' is not a value of RegressType."},
    {"an unknown two-sample test", "N", "2 Sample", kFactor,
     "UPDATE usysQuorvaneOptions SET NPTwoType = 'Else';",
     "usysQuorvaneOptions.NPTwoType='Else': 'Else' is not a value of NPTwoType."},
    {"an unknown crosstab cell",
     "P",
     "Crosstab",
     {{"Grp", "G"}, {"Y", "C"}, {"X", "X"}},
     "UPDATE usysQuorvaneOptions SET XType = 'Q';",
     "usysQuorvaneOptions.XType='Q': 'Q' is not a value of XType."},
    {"an unknown variance method", "P", "Describe", kX,
     "UPDATE usysQuorvaneOptions SET VarStd = 1, VarNRadio = 'N-2';",
     "usysQuorvaneOptions.VarNRadio='N-2': 'N-2' is not a value of VarNRadio."},
};

class InvalidRows : public EngineTest, public ::testing::WithParamInterface<Case> {};

TEST_P(InvalidRows, AreRefusedAndWriteNothing) {
    const Case& c = GetParam();
    makeTable("Data2", {dao::Field("DataField", dao::dbText, 10), dao::Field("X", dao::dbDouble)});
    appendRows("Data2", {"DataField", "X"}, {{"a", 1.0}, {"b", 2.0}});
    for (double x : {1.0, 2.0, 4.0, 8.0}) addRow(x < 3 ? "a" : "b", x, x * x, 1.0);
    ScenarioRow s;
    s.category = c.category;
    s.subtype = c.subtype;
    s.fields = c.fields;
    if (c.fields.front().first == "DataField") s.input = "Data2";
    const auto id = addScenario(s);
    std::string sql = c.change;
    for (auto at = sql.find("{id}"); at != std::string::npos; at = sql.find("{id}"))
        sql.replace(at, 4, std::to_string(id));
    ASSERT_EQ(rawExec(path, "PRAGMA ignore_check_constraints = ON;" + sql), "");
    EXPECT_FALSE(run(id));
    const std::string& why = engine.ErrorInfo();
    EXPECT_EQ(why.substr(0, std::string(c.message).size()), c.message) << why;
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "nothing written";
    EXPECT_FALSE(engine.ErrorHandler().HasError()) << "a refusal is no unexpected error";
}

INSTANTIATE_TEST_SUITE_P(Stored, InvalidRows, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                             std::string n;
                             for (char ch : std::string(info.param.name))
                                 if (std::isalnum(static_cast<unsigned char>(ch))) n += ch;
                             return n;
                         });

}  // namespace
}  // namespace qrv::test
