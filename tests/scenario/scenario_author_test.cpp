// Saving, loading, copying and deleting scenarios in a real database: what
// each writes into the three scenario tables, and that every refusal and
// failure leaves the three tables exactly as they were, row by row.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring_fixture.h"
#include "scenario/analysis_types.h"
#include "scenario/option_values.h"
#include "scenario/scenario_author.h"
#include "scenario/scenario_checks.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;
using qrv::dao::Value;

ScenarioDraft describeDraft() {
    ScenarioDraft d = NewDraft(*FindAnalysisType("describe"));
    d.description = "Yield by region";
    d.input = "measurements";  // matched in any case, stored as the table spells it
    d.addField("region", 'G');
    d.addField("Yield", 'X');
    d.addField("Temperature", 'X');
    d.addField("Weight", 'W');
    return d;
}

TEST_F(AuthoringTest, ANewScenarioWritesItsRowsInTheThreeTables) {
    ScenarioDraft d = describeDraft();
    d.setOption("Skew", true);
    SetIgnoreRange(d, 0.0, std::nullopt);
    auto id = SaveDraft(db, d);
    ASSERT_TRUE(id.ok()) << id.error().description;
    EXPECT_EQ(*id, 1);
    EXPECT_EQ(d.id, 1);
    const std::string where = " FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 1";
    EXPECT_EQ(cell("SELECT [SortOrder]" + where), "100");
    EXPECT_EQ(cell("SELECT [Scenario_Analysis_Type]" + where), "P");
    EXPECT_EQ(cell("SELECT [Scenario_Analysis_SubType]" + where), "Describe");
    EXPECT_EQ(cell("SELECT [Scenario_Input_Table_Name]" + where), "Measurements");
    EXPECT_EQ(cell("SELECT [Scenario_Output_Table1_Name]" + where), "Quorvane_Describe");
    EXPECT_EQ(cell("SELECT [Scenario_Output_Table2_Name]" + where), "");
    EXPECT_EQ(cell("SELECT [Scenario_Version]" + where), "V5   ");
    EXPECT_EQ(cell("SELECT [Scenario_CreatedBy]" + where), "Admin");
    EXPECT_NE(cell("SELECT [Scenario_DateCreated]" + where), "");
    EXPECT_EQ(cell("SELECT [Scenario_LastModified]" + where), "") << "Null until edited";
    EXPECT_EQ(cell("SELECT [MissingType]" + where), "2");
    EXPECT_EQ(cell("SELECT [MissingLow]" + where), "0");
    EXPECT_EQ(cell("SELECT [MissingHigh]" + where), "");
    for (int i = 1; i <= 4; ++i)
        EXPECT_EQ(cell("SELECT [PageLockField" + std::to_string(i) + "]" + where),
                  std::string(255, ' '));
    EXPECT_EQ(cell("SELECT [Skew] FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = 1"), "True");
    EXPECT_EQ(cell("SELECT [InterV] FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = 1"), "10");
    EXPECT_EQ(count("usysQuorvaneFields", 1), 4);
    // Field rows with the input's spelling, each role numbered from 1.
    auto rs = db.OpenRecordset(scenario::GetFieldListSQL(1), dao::dbOpenSnapshot);
    ASSERT_TRUE(rs.ok());
    std::vector<std::string> rows;
    for (; !rs->Eof(); rs->MoveNext())
        rows.push_back(rs->GetValue("FieldDef_Choice")->toText() + " " +
                       rs->GetValue("FieldDef_Name")->toText() + " " +
                       rs->GetValue("FieldDef_Ordinal_Position")->toText());
    EXPECT_EQ(rows, (std::vector<std::string>{"G Region 1", "W Weight 1", "X Yield 1",
                                              "X Temperature 2"}));

    ScenarioDraft g = NewDraft(*FindAnalysisType("two sample t-test"));
    g.input = "Measurements";
    g.addField("Yield", 'X');
    g.addField("Plant", 'C');
    g.setOption("GroupDetail", true);
    ASSERT_EQ(*SaveDraft(db, g), 2);
    EXPECT_EQ(cell("SELECT [Scenario_Analysis_Type] FROM [usysQuorvaneScenarios] WHERE "
                   "[Scenario_ID] = 2"),
              "G");
    EXPECT_EQ(cell("SELECT [Scenario_Analysis_SubType] FROM [usysQuorvaneScenarios] WHERE "
                   "[Scenario_ID] = 2"),
              "Two Sample t-Test");
    EXPECT_EQ(cell("SELECT [Scenario_Output_Table2_Name] FROM [usysQuorvaneScenarios] WHERE "
                   "[Scenario_ID] = 2"),
              "Quorvane_Two_Sample_t_Test_Details");
}

TEST_F(AuthoringTest, LoadingGivesBackWhatWasSavedAndEditingReplacesTheFields) {
    ScenarioDraft d = describeDraft();
    d.setOption("PercentileRadio", "Deciles");
    d.setOption("TTestValue", -2.5);
    SetIgnoreEqual(d, -99);
    ASSERT_TRUE(SaveDraft(db, d).ok());
    auto back = LoadDraft(db, 1);
    ASSERT_TRUE(back.ok()) << back.error().description;
    EXPECT_EQ(back->subtype, "Describe");
    EXPECT_EQ(back->description, "Yield by region");
    EXPECT_EQ(back->missingType, "1");
    EXPECT_EQ(back->missingEqual.asDouble(), -99);
    ASSERT_EQ(back->options.size(), OptionColumns().size());
    for (size_t i = 0; i < OptionColumns().size(); ++i) {
        const OptionColumn& c = OptionColumns()[i];
        EXPECT_EQ(OptionValueText(c, back->options[i]), OptionValueText(c, d.options[i])) << c.name;
    }
    ASSERT_EQ(back->fields.size(), 4u);

    const auto before = snapshot();
    back->fields.erase(back->fields.begin());  // the group field goes
    back->description = "No groups";
    ASSERT_TRUE(ApplySetting(*back, "Skew", "Yes") == std::nullopt);
    ASSERT_EQ(*SaveDraft(db, *back), 1) << "saved over the same number";
    EXPECT_EQ(count("usysQuorvaneScenarios", 1), 1);
    EXPECT_EQ(count("usysQuorvaneOptions", 1), 1);
    EXPECT_EQ(count("usysQuorvaneFields", 1), 3);
    EXPECT_EQ(cell("SELECT Count(*) FROM [usysQuorvaneFields] WHERE [FieldDef_Name] = 'Region'"),
              "0");
    EXPECT_EQ(cell("SELECT [Scenario_ModifiedBy] FROM [usysQuorvaneScenarios]"), "Admin");
    EXPECT_NE(cell("SELECT [Scenario_LastModified] FROM [usysQuorvaneScenarios]"), "");
    EXPECT_EQ(cell("SELECT [Skew] FROM [usysQuorvaneOptions]"), "True");
    EXPECT_NE(snapshot(), before);

    EXPECT_FALSE(LoadDraft(db, 7).ok());
    EXPECT_EQ(LoadDraft(db, 7).error().description, "Scenario 7 not found.\r\nScenarios: 1");
}

TEST_F(AuthoringTest, AScenarioWithoutItsOptionsRowGetsOneOnSaving) {
    ScenarioDraft d = describeDraft();
    ASSERT_TRUE(SaveDraft(db, d).ok());
    ASSERT_TRUE(db.Execute("DELETE * FROM [usysQuorvaneOptions]").ok());
    auto back = LoadDraft(db, 1);
    ASSERT_TRUE(back.ok());
    EXPECT_TRUE(back->flag("Range")) << "the defaults stand in for the missing row";
    ASSERT_TRUE(SaveDraft(db, *back).ok());
    EXPECT_EQ(count("usysQuorvaneOptions", 1), 1);
}

TEST_F(AuthoringTest, EveryRefusalLeavesTheThreeTablesAsTheyWere) {
    ScenarioDraft first = describeDraft();
    ASSERT_TRUE(SaveDraft(db, first).ok());
    auto existing = LoadDraft(db, 1);
    ASSERT_TRUE(existing.ok());
    ASSERT_FALSE(db.CreateQueryDef("qAll", "SELECT * FROM [Measurements]"));
    const auto before = snapshot();
    ASSERT_EQ(before.size(), 6u);

    struct Case {
        const char* what;
        void (*change)(ScenarioDraft&);
        const char* message;  // the start of the refusal's text
    } cases[] = {
        {"unknown type", [](ScenarioDraft& d) { d.subtype = "Histogram"; },
         "'Histogram' is not an analysis type."},
        {"unknown input", [](ScenarioDraft& d) { d.input = "Nowhere"; },
         "Nowhere: No table or query of that name.\r\nTables and queries: Measurements"},
        {"unknown field", [](ScenarioDraft& d) { d.addField("Colour", 'X'); },
         "Field 'Colour' is not a field of [Measurements]."},
        {"text as X", [](ScenarioDraft& d) { d.addField("Plant", 'X'); },
         "Plant - (Text): Field must be numeric."},
        {"no X", [](ScenarioDraft& d) { d.fields.resize(1); },
         "Independent (X) field must be assigned."},
        {"ignore range", [](ScenarioDraft& d) { SetIgnoreRange(d, 3.0, 1.0); },
         "Greater Than Value must be Larger than Less Than Value"},
        {"t-test mean", [](ScenarioDraft& d) { d.setOption("TTestMean", true); },
         "Mean value for t-Test vs. Mean required"},
        {"same names",
         [](ScenarioDraft& d) {
             d.subtype = "ANOVA";
             d.fields = {{"Yield", 'X', 1}, {"Plant", 'C', 1}};
             d.setOption("GroupDetail", true);
             d.output1 = d.output2 = "Same";
         },
         "The first and second output table names names must not be the same."},
        {"output over input", [](ScenarioDraft& d) { d.output1 = "Measurements"; },
         "The output table [Measurements] is the input of this scenario."},
        // Names every run would refuse are refused when the scenario is saved.
        {"output over a query", [](ScenarioDraft& d) { d.output1 = "QALL"; },
         "The output table [QALL] is the name of a stored query; choose another name."},
        {"output over what the input query reads",
         [](ScenarioDraft& d) {
             d.input = "qAll";
             d.output1 = "measurements";
         },
         "The output table [measurements] is read by the input query [qAll]; choose another "
         "name."},
        {"working-table name", [](ScenarioDraft& d) { d.output1 = "~qrvwork_x"; },
         "The output table [~qrvwork_x] has a name reserved for Quorvane's own tables"},
    };
    for (const Case& c : cases) {
        for (std::int32_t id : {0, 1}) {  // a new scenario and an edit of scenario 1
            ScenarioDraft d = *existing;
            d.id = id;
            c.change(d);
            auto r = SaveDraft(db, d);
            ASSERT_FALSE(r.ok()) << c.what;
            EXPECT_EQ(r.error().description.rfind(c.message, 0), 0u)
                << c.what << ": " << r.error().description;
            EXPECT_EQ(d.id, id) << c.what;
            EXPECT_EQ(snapshot(), before) << c.what;
        }
    }
}

TEST_F(AuthoringTest, AFailedWriteIsRolledBackWhole) {
    ScenarioDraft first = describeDraft();
    ASSERT_TRUE(SaveDraft(db, first).ok());
    const auto before = snapshot();
    // The options table refuses a value its own rule forbids, after the
    // scenario row has been written: the scenario row must not stay.
    ScenarioDraft d = describeDraft();
    d.setOption("CIUser", Value::int16(200));
    auto r = SaveDraft(db, d);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(d.id, 0);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(AuthoringTest, CopyDuplicatesAllThreeTablesUnderANewNumber) {
    ScenarioDraft d = describeDraft();
    d.setOption("Mode", true);
    SetIgnoreEqual(d, 5);
    ASSERT_TRUE(SaveDraft(db, d).ok());
    auto copy = CopyScenario(db, 1, CopyDescription(d.description));
    ASSERT_TRUE(copy.ok()) << copy.error().description;
    EXPECT_EQ(*copy, 2);
    // Every column but the key and the description is the source's.
    auto a = db.OpenRecordset("SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 1",
                              dao::dbOpenSnapshot);
    auto b = db.OpenRecordset("SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 2",
                              dao::dbOpenSnapshot);
    ASSERT_TRUE(a.ok() && b.ok() && !a->Eof() && !b->Eof());
    for (int i = 0; i < a->FieldCount(); ++i) {
        const std::string& name = a->FieldAt(i).Name;
        if (name == "Scenario_ID" || name == "Scenario_Description") continue;
        EXPECT_EQ(a->GetValue(i).toText(), b->GetValue(i).toText()) << name;
    }
    EXPECT_EQ(b->GetValue("Scenario_Description")->toText(), "Copy of Yield by region");
    auto o1 = LoadDraft(db, 1), o2 = LoadDraft(db, 2);
    ASSERT_TRUE(o1.ok() && o2.ok());
    for (size_t i = 0; i < OptionColumns().size(); ++i)
        EXPECT_EQ(OptionValueText(OptionColumns()[i], o1->options[i]),
                  OptionValueText(OptionColumns()[i], o2->options[i]))
            << OptionColumns()[i].name;
    ASSERT_EQ(o2->fields.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(o1->fields[i].name, o2->fields[i].name);
        EXPECT_EQ(o1->fields[i].role, o2->fields[i].role);
        EXPECT_EQ(o1->fields[i].position, o2->fields[i].position);
    }

    const auto before = snapshot();
    auto missing = CopyScenario(db, 9, "Nothing");
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().description, "Scenario 9 not found.\r\nScenarios: 1, 2");
    auto empty = CopyScenario(db, 1, "");
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error().description, "The new scenario description must not be empty.");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(AuthoringTest, DeleteRemovesEveryRowOrNone) {
    for (int i = 0; i < 3; ++i) {
        ScenarioDraft d = describeDraft();
        ASSERT_TRUE(SaveDraft(db, d).ok());
    }
    // Scenario 3 loses its options row: deleting it must still work.
    ASSERT_TRUE(db.Execute("DELETE * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = 3").ok());
    const auto before = snapshot();
    dao::Error e = DeleteScenarios(db, {1, 4});
    EXPECT_EQ(e.description, "Scenario 4 not found.\r\nScenarios: 1, 2, 3");
    EXPECT_EQ(snapshot(), before) << "scenario 1 stays when 4 is not there";

    EXPECT_FALSE(DeleteScenarios(db, {1, 3}));
    for (const char* t : {"usysQuorvaneScenarios", "usysQuorvaneOptions", "usysQuorvaneFields"}) {
        EXPECT_EQ(count(t, 1), 0) << t;
        EXPECT_EQ(count(t, 3), 0) << t;
        EXPECT_EQ(count(t, 2), std::string(t) == "usysQuorvaneFields" ? 4 : 1) << t;
    }
}

TEST_F(AuthoringTest, QueriesAreStoredReplacedAndNeverReplaceATable) {
    ASSERT_FALSE(
        StoreQuery(db, "qNorth", "SELECT [Yield] FROM [Measurements] WHERE [Region] = 'North'"));
    EXPECT_EQ(*QueryText(db, "qNorth"),
              "SELECT [Yield] FROM [Measurements] WHERE [Region] = 'North'");
    EXPECT_EQ(cell("SELECT Sum([Yield]) FROM [qNorth]"), "1");
    ASSERT_FALSE(StoreQuery(db, "QNORTH", "SELECT [Yield], [Plant] FROM [Measurements]"));
    EXPECT_EQ(cell("SELECT Sum([Yield]) FROM [qNorth]"), "3") << "replaced";
    EXPECT_EQ(db.QueryDefNames().size(), 1u);

    // A text the dialect refuses keeps the query it would have replaced.
    EXPECT_TRUE(StoreQuery(db, "qNorth", "SELEC nothing"));
    EXPECT_EQ(cell("SELECT Sum([Yield]) FROM [qNorth]"), "3");
    dao::Error e = StoreQuery(db, "measurements", "SELECT 1");
    EXPECT_EQ(e.description, "measurements: A table has that name; a query cannot take its place.");
    EXPECT_TRUE(db.GetTableDef("Measurements").ok());
    EXPECT_FALSE(QueryText(db, "qSouth").ok());

    // A stored query is an input like a table, its fields typed by their source.
    std::string name = "qnorth";
    auto fields = ReadInputFields(db, name);
    ASSERT_TRUE(fields.ok());
    EXPECT_EQ(name, "qNorth");
    ASSERT_EQ(fields->size(), 2u);
    EXPECT_EQ((*fields)[0].name, "Yield");
    EXPECT_TRUE(IsNumericFieldType((*fields)[0].type));
    EXPECT_FALSE(IsNumericFieldType((*fields)[1].type));
    ScenarioDraft d = NewDraft(*FindAnalysisType("Percentiles"));
    d.input = "qNorth";
    d.addField("Yield", 'X');
    EXPECT_TRUE(SaveDraft(db, d).ok());
}

TEST_F(AuthoringTest, TheScenarioTablesAndSystemTablesAreNoInputs) {
    const auto choices = InputChoices(db);
    EXPECT_EQ(choices, (std::vector<std::string>{"Measurements"}));
    std::string name = "usysQuorvaneFields";
    auto r = ReadInputFields(db, name);
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(r.error().description,
              "usysQuorvaneFields: No table or query of that name.\r\nTables and queries: "
              "Measurements");
}

}  // namespace
}  // namespace qrv::test
