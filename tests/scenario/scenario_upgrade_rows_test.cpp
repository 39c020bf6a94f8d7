// Rows of an earlier layout against today's rules, one rule at a time: a row
// that breaks one is named with its value and the rule in words, and no
// table changes; a row that keeps them lets all three tables be remade with
// the row as it was.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "earlier_layout.h"

namespace qrv::test {
namespace {

struct RowCase {
    const char* name;
    const char* sql;   // run by another client on the earlier tables
    const char* line;  // the line naming the row; nullptr: today's rules hold
};

const RowCase kRowCases[] = {
    // The options' ranges, as a user may type them.
    {"PolynomialOrderAboveNine", "UPDATE usysQuorvaneOptions SET RPoly = 30 WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: RPoly = 30 (the polynomial order is 2 to 9)"},
    {"PolynomialOrderOne", "UPDATE usysQuorvaneOptions SET RPoly = 1 WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: RPoly = 1 (the polynomial order is 2 to 9)"},
    {"PolynomialOrderNine", "UPDATE usysQuorvaneOptions SET RPoly = 9 WHERE Scenario_ID = 7",
     nullptr},
    {"UserLevelOfAHundred", "UPDATE usysQuorvaneOptions SET CIUser = 100 WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: CIUser = 100 (the confidence level of the user's choice "
     "is 1 to 99.999, or 0 or empty for none)"},
    {"UserLevelOf150", "UPDATE usysQuorvaneOptions SET CIUser = 150 WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: CIUser = 150 (the confidence level of the user's choice "
     "is 1 to 99.999, or 0 or empty for none)"},
    {"NegativeUserLevel", "UPDATE usysQuorvaneOptions SET CIUser = -1 WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: CIUser = -1 (the confidence level of the user's choice "
     "is 1 to 99.999, or 0 or empty for none)"},
    {"UserLevelZeroMeansNone", "UPDATE usysQuorvaneOptions SET CIUser = 0 WHERE Scenario_ID = 3",
     nullptr},
    {"UserLevel99", "UPDATE usysQuorvaneOptions SET CIUser = 99 WHERE Scenario_ID = 3", nullptr},
    {"IntervalsAboveFifty", "UPDATE usysQuorvaneOptions SET InterV = 51 WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: InterV = 51 (the number of intervals is 2 to 50)"},
    {"TwoIntervals", "UPDATE usysQuorvaneOptions SET InterV = 2 WHERE Scenario_ID = 7", nullptr},
    {"ZeroStandardDeviation", "UPDATE usysQuorvaneOptions SET CIStdDev = 0 WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: CIStdDev = 0 (the standard deviation for the Normal "
     "method is greater than 0)"},
    {"SmallStandardDeviation",
     "UPDATE usysQuorvaneOptions SET CIStdDev = 0.001 WHERE Scenario_ID = 3", nullptr},
    // Values of another type than the column's.
    {"TextInAnInteger", "UPDATE usysQuorvaneOptions SET InterV = 'ten' WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: InterV = 'ten' (a whole number from -32768 to 32767)"},
    {"FractionInAnInteger", "UPDATE usysQuorvaneOptions SET InterV = 2.5 WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: InterV = 2.5 (a whole number from -32768 to 32767)"},
    {"IntegerOverflow", "UPDATE usysQuorvaneOptions SET SignValue = 40000 WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: SignValue = 40000 (a whole number from -32768 to 32767)"},
    {"TextInADouble", "UPDATE usysQuorvaneOptions SET TTestValue = 'high' WHERE Scenario_ID = 3",
     "usysQuorvaneOptions, scenario 3: TTestValue = 'high' (a number)"},
    {"TwoInAYesNo", "UPDATE usysQuorvaneOptions SET \"Range\" = 2 WHERE Scenario_ID = 7",
     "usysQuorvaneOptions, scenario 7: Range = 2 (Yes or No, stored as 1 or 0)"},
    {"NumberInADate",
     "UPDATE usysQuorvaneScenarios SET Scenario_DateCreated = 45351 WHERE Scenario_ID = 3",
     "usysQuorvaneScenarios, scenario 3: Scenario_DateCreated = 45351 (a date, as text year "
     "first)"},
    {"TextAsAnIgnoreBound",
     "UPDATE usysQuorvaneScenarios SET MissingLow = 'low' WHERE "
     "Scenario_ID = 3",
     "usysQuorvaneScenarios, scenario 3: MissingLow = 'low' (a number)"},
    // The ignore rule's code, the roles and the keys.
    {"UnknownIgnoreRule",
     "UPDATE usysQuorvaneScenarios SET MissingType = '5' WHERE Scenario_ID = 7",
     "usysQuorvaneScenarios, scenario 7: MissingType = '5' (the rule for values to ignore is 0 "
     "(none), 1 (one value) or 2 (a range))"},
    {"NoIgnoreRule", "UPDATE usysQuorvaneScenarios SET MissingType = NULL WHERE Scenario_ID = 7",
     nullptr},
    {"ScenarioNumberBeyondTheLongRange",
     "UPDATE usysQuorvaneScenarios SET Scenario_ID = 2147483648 WHERE Scenario_ID = 7",
     "usysQuorvaneScenarios, scenario 2147483648: Scenario_ID = 2147483648 (a whole number from "
     "-2147483648 to 2147483647)"},
    {"LargestScenarioNumber",
     "UPDATE usysQuorvaneScenarios SET Scenario_ID = 2147483647 WHERE Scenario_ID = 7", nullptr},
    {"FieldWithoutRole",
     "UPDATE usysQuorvaneFields SET FieldDef_Choice = NULL WHERE Scenario_ID = 7",
     "usysQuorvaneFields, scenario 7, field 'Yield': FieldDef_Choice is empty"},
    {"UnknownRole", "UPDATE usysQuorvaneFields SET FieldDef_Choice = 'Q' WHERE Scenario_ID = 7",
     "usysQuorvaneFields, scenario 7, field 'Yield': FieldDef_Choice = 'Q' (a field's role is G, "
     "C, X, Y or W)"},
    {"RoleInSmallLetters",
     "UPDATE usysQuorvaneFields SET FieldDef_Choice = 'w' WHERE Scenario_ID = 7", nullptr},
    {"FieldRowWithoutScenario",
     "UPDATE usysQuorvaneFields SET Scenario_ID = NULL WHERE FieldDef_Name = 'Yield'",
     "usysQuorvaneFields, a row without a scenario number, field 'Yield': Scenario_ID is empty"},
    {"TextAsAPosition",
     "UPDATE usysQuorvaneFields SET FieldDef_Ordinal_Position = 'first' WHERE FieldDef_Name = "
     "'Amount'",
     "usysQuorvaneFields, scenario 3, field 'Amount': FieldDef_Ordinal_Position = 'first' (a "
     "whole number from -32768 to 32767)"},
};

class UpgradeRowsTest : public EarlierLayoutTest, public ::testing::WithParamInterface<RowCase> {
  protected:
    std::string rows() {
        return dump("usysQuorvaneScenarios") + dump("usysQuorvaneOptions") +
               dump("usysQuorvaneFields");
    }
};

TEST_P(UpgradeRowsTest, ARowBreakingARuleIsNamedAndNothingChanges) {
    const RowCase& c = GetParam();
    ASSERT_EQ(other(c.sql), "") << c.sql;
    const std::string before = everything(), beforeRows = rows();
    open();
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    if (!c.line) {
        EXPECT_TRUE(prompter.told.empty()) << prompter.told.front();
        EXPECT_EQ(current(), std::vector<bool>({true, true, true}));
        db.Close();
        EXPECT_EQ(rows(), beforeRows) << "every row as it was";
        return;
    }
    ASSERT_EQ(prompter.told.size(), 1u);
    std::string line = "\r\n";
    line.append(c.line).append("\r\n");
    EXPECT_NE(prompter.told[0].find(line), std::string::npos)
        << "want " << c.line << "\nin " << prompter.told[0];
    EXPECT_EQ(current(), std::vector<bool>({false, false, false}));
    db.Close();
    EXPECT_EQ(everything(), before);
}

INSTANTIATE_TEST_SUITE_P(Rules, UpgradeRowsTest, ::testing::ValuesIn(kRowCases),
                         [](const auto& info) { return std::string(info.param.name); });

using UpgradeListTest = EarlierLayoutTest;

TEST_F(UpgradeListTest, ManyBrokenRowsAreListedUpToTwentyAndCounted) {
    std::string sql;
    for (int i = 1; i <= 25; ++i) {
        std::string n = std::to_string(i);
        if (n.size() == 1) n.insert(0, 1, '0');
        sql += "INSERT INTO usysQuorvaneFields VALUES (7, 'F" + n + "', " + std::to_string(i) +
               ", 'Q');";
    }
    ASSERT_EQ(other(sql), "");
    open();
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    ASSERT_EQ(prompter.told.size(), 1u);
    const std::string& told = prompter.told[0];
    EXPECT_NE(told.find("scenario 7, field 'F20': FieldDef_Choice = 'Q'"), std::string::npos);
    EXPECT_EQ(told.find("field 'F21'"), std::string::npos);
    EXPECT_NE(told.find("\r\n... and 5 more in usysQuorvaneFields\r\n"), std::string::npos) << told;
}

TEST_F(UpgradeListTest, AScenarioNumberBeyondTheLongRangeIsNeverReadWrapped) {
    ASSERT_EQ(other("UPDATE usysQuorvaneScenarios SET Scenario_ID = 2147483648 WHERE "
                    "Scenario_ID = 7"),
              "");
    open();
    auto next = scenario::NextScenarioNumber(db);
    ASSERT_FALSE(next.ok());
    EXPECT_NE(next.error().description.find(
                  "Scenario number 2147483648 is beyond the largest a scenario may have"),
              std::string::npos)
        << next.error().description;
    auto rs = db.OpenRecordset("SELECT Max([Scenario_ID]) FROM [usysQuorvaneScenarios]");
    ASSERT_TRUE(rs.ok());
    EXPECT_EQ(rs->GetValue(0).toText(), "2147483648");
}

}  // namespace
}  // namespace qrv::test
