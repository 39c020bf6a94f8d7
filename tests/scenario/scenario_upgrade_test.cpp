// Scenario tables made by an earlier version: the first-open check remakes
// them under today's rules keeping every row, scenario number and
// description, all three or none, and a read-only file is only read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "earlier_layout.h"

namespace qrv::test {
namespace {

using ScenarioUpgradeTest = EarlierLayoutTest;

TEST_F(ScenarioUpgradeTest, TablesAreRemadeKeepingRowsNumbersAndDescriptions) {
    const std::string before[] = {dump("usysQuorvaneScenarios"), dump("usysQuorvaneOptions"),
                                  dump("usysQuorvaneFields")};
    ASSERT_EQ(other("INSERT INTO usysQuorvaneOptions (\"Range\") VALUES (1)"), "")
        << "the earlier options table numbers a row sent without a key";
    ASSERT_EQ(other("DELETE FROM usysQuorvaneOptions WHERE Scenario_ID = 8"), "");
    open();
    EXPECT_FALSE(db.SameDefinition(scenario::OptionsTableDef()));
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_EQ(prompter.asked, 0);
    EXPECT_TRUE(prompter.told.empty()) << prompter.told.front();
    EXPECT_TRUE(db.SameDefinition(scenario::ScenarioTableDef()));
    EXPECT_TRUE(db.SameDefinition(scenario::OptionsTableDef()));
    EXPECT_TRUE(db.SameDefinition(scenario::FieldsTableDef()));
    db.Close();

    EXPECT_EQ(dump("usysQuorvaneScenarios"), before[0]);
    EXPECT_EQ(dump("usysQuorvaneOptions"), before[1]);
    EXPECT_EQ(dump("usysQuorvaneFields"), before[2]);
    EXPECT_NE(other("INSERT INTO usysQuorvaneOptions (\"Range\") VALUES (1)"), "")
        << "today's rules hold now";
    EXPECT_NE(other("UPDATE usysQuorvaneOptions SET CIUser = 150"), "");

    open();
    ctx.db = db;
    auto options = db.GetTableDef("usysQuorvaneOptions");
    ASSERT_TRUE(options.ok());
    EXPECT_EQ(options->GetProperty("Description")->toText(), "Our options, annotated");
    EXPECT_EQ(options->FindField("RPoly")->GetProperty("Description")->toText(),
              "Regression: Polynomial order");
    EXPECT_EQ(options->FindField("FreqWidth")->ValidationText,
              "Interval Width must be greater than zero");
    EXPECT_EQ(db.GetTableDef("usysQuorvaneFields")->FindIndex("IX_Scenario_ID")->Fields,
              std::vector<std::string>{"Scenario_ID"});
    // The counter goes on from 9, where the earlier table left it.
    auto rs = db.OpenRecordset("usysQuorvaneScenarios");
    ASSERT_FALSE(rs->AddNew());
    EXPECT_EQ(rs->GetValue("Scenario_ID")->asDouble(), 10);
    ASSERT_FALSE(rs->Update());
    rs->Close();
    EXPECT_EQ(db.GetProperty("Locale")->toText(), ";LANGID=0x0409;CP=1252");

    // Opening again finds nothing to do and changes nothing.
    const std::string options2 = dump("usysQuorvaneOptions");
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_TRUE(prompter.told.empty());
    EXPECT_EQ(dump("usysQuorvaneOptions"), options2);
}

TEST_F(ScenarioUpgradeTest, RowsBreakingTodaysRulesInTwoTablesChangeNothingUntilCorrected) {
    ASSERT_EQ(other("UPDATE usysQuorvaneOptions SET RPoly = 25 WHERE Scenario_ID = 7;"
                    "UPDATE usysQuorvaneFields SET FieldDef_Choice = NULL WHERE Scenario_ID = 3 "
                    "AND FieldDef_Name = 'Region';"),
              "");
    const std::string before = everything();
    open();
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx)) << "the tables keep working as they are";
    ASSERT_EQ(prompter.told.size(), 1u);
    const std::string& told = prompter.told[0];
    EXPECT_EQ(told.rfind(std::string(scenario::kUpgradeCaption) + ": ", 0), 0u);
    for (const char* row :
         {"\r\nusysQuorvaneOptions, scenario 7: RPoly = 25 (the polynomial order is 2 to 9)\r\n",
          "\r\nusysQuorvaneFields, scenario 3, field 'Region': FieldDef_Choice is empty\r\n",
          "Nothing was changed"})
        EXPECT_NE(told.find(row), std::string::npos) << row << " in " << told;
    EXPECT_EQ(current(), std::vector<bool>({false, false, false})) << "not one table is remade";
    db.Close();
    EXPECT_EQ(everything(), before);
    EXPECT_EQ(other("INSERT INTO usysQuorvaneOptions (Scenario_ID, CIUser) VALUES (20, 500);"
                    "DELETE FROM usysQuorvaneOptions WHERE Scenario_ID = 20"),
              "")
        << "the options table still has the earlier rules only";

    // Corrected, the next open brings all three up to date.
    ASSERT_EQ(other("UPDATE usysQuorvaneOptions SET RPoly = 3 WHERE Scenario_ID = 7;"
                    "UPDATE usysQuorvaneFields SET FieldDef_Choice = 'G' WHERE Scenario_ID = 3 "
                    "AND FieldDef_Name = 'Region';"),
              "");
    open();
    ctx.db = db;
    prompter.told.clear();
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_TRUE(prompter.told.empty()) << prompter.told.front();
    EXPECT_EQ(current(), std::vector<bool>({true, true, true}));
    db.Close();
    EXPECT_EQ(other("UPDATE usysQuorvaneOptions SET RPoly = 25 WHERE Scenario_ID = 7"),
              "CHECK constraint failed: Please enter a number between 2 and 9.");
}

TEST_F(ScenarioUpgradeTest, AFieldOfAnotherProgramKeepsAllThreeTablesAsTheyWere) {
    ASSERT_EQ(other("ALTER TABLE usysQuorvaneFields ADD COLUMN Note TEXT"), "");
    const std::string before = everything();
    open();
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    ASSERT_TRUE(scenario::CheckQuorvaneTables(ctx));
    ASSERT_EQ(prompter.told.size(), 1u);
    EXPECT_NE(prompter.told[0].find("'usysQuorvaneFields' has a field 'Note'"), std::string::npos)
        << prompter.told[0];
    EXPECT_NE(prompter.told[0].find("Nothing was changed"), std::string::npos);
    EXPECT_EQ(current(), std::vector<bool>({false, false, false}))
        << "the sound tables wait for the fields table";
    db.Close();
    EXPECT_EQ(everything(), before);
}

TEST_F(ScenarioUpgradeTest, AReadOnlyFileIsOnlyRead) {
    const std::string options = dump("usysQuorvaneOptions");
    auto r = DBEngine::Instance().OpenDatabase(path, false, true);
    ASSERT_TRUE(r.ok());
    db = *r;
    RecordingPrompter prompter;
    scenario::StoreContext ctx{db, nullptr, &prompter};
    EXPECT_TRUE(scenario::CheckQuorvaneTables(ctx));
    EXPECT_TRUE(prompter.told.empty());
    EXPECT_FALSE(db.SameDefinition(scenario::OptionsTableDef()));
    EXPECT_EQ(db.GetTableDef("usysQuorvaneOptions")->GetProperty("Description")->toText(),
              "Our options, annotated");
    db.Close();
    EXPECT_EQ(dump("usysQuorvaneOptions"), options);
}

}  // namespace
}  // namespace qrv::test
