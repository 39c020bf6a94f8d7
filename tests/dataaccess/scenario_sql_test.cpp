// Every SQL text the engine, the scenario store and the designer send, in
// one table, run in order through the data-access layer on a small database:
// the scenario tables, an input table and a scratch database file. The
// expected values are worked out by hand from the rows set up below.
#include <string>
#include <vector>

#include "fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Strings = std::vector<std::string>;

class ScenarioSqlTest : public DbTest {
  protected:
    void SetUp() override {
        DbTest::SetUp();
        table("usysQuorvaneScenarios", {{"Scenario_ID", dbLong, 0},
                                        {"SortOrder", dbInteger, 0},
                                        {"Scenario_Description", dbText, 255},
                                        {"Scenario_Analysis_Type", dbText, 1},
                                        {"Scenario_Analysis_SubType", dbText, 30},
                                        {"Scenario_Input_Table_Name", dbText, 64},
                                        {"Scenario_Output_Table1_Name", dbText, 50},
                                        {"Scenario_Output_Table2_Name", dbText, 64},
                                        {"Scenario_DateCreated", dbDate, 0},
                                        {"Scenario_LastModified", dbDate, 0},
                                        {"Scenario_CreatedBy", dbText, 15},
                                        {"Scenario_ModifiedBy", dbText, 50}});
        table("usysQuorvaneOptions", {{"Scenario_ID", dbLong, 0}, {"ConfInterval", dbText, 1}});
        table("usysQuorvaneFields", {{"Scenario_ID", dbLong, 0},
                                     {"FieldDef_Name", dbText, 64},
                                     {"FieldDef_Ordinal_Position", dbInteger, 0},
                                     {"FieldDef_Choice", dbText, 1}});
        table("Input", {{"g", dbText, 10}, {"x", dbDouble, 0}, {"w", dbDouble, 0}});
        table("Out1", {{"DataField", dbText, 64}});
        for (const char* sql : {
                 "INSERT INTO [usysQuorvaneScenarios] VALUES (1, 2, 'Sales describe', 'P', "
                 "'Describe', 'Input', 'Out1', Null, #1/2/2003#, Null, 'ann', Null)",
                 "INSERT INTO [usysQuorvaneScenarios] VALUES (2, 1, 'Sales frequency', 'P', "
                 "'Frequency', 'Input', 'Out2', Null, #1/3/2003#, Null, 'ann', Null)",
                 "INSERT INTO [usysQuorvaneScenarios] VALUES (3, 1, 'Groups', 'G', 'ANOVA', "
                 "'Input', 'Out3', 'Out3D', #1/4/2003#, Null, 'bob', Null)",
                 "INSERT INTO [usysQuorvaneOptions] VALUES (1, 'Y')",
                 "INSERT INTO [usysQuorvaneOptions] VALUES (2, 'N')",
                 "INSERT INTO [usysQuorvaneOptions] VALUES (3, 'N')",
                 "INSERT INTO [usysQuorvaneFields] VALUES (1, 'x', 2, 'X')",
                 "INSERT INTO [usysQuorvaneFields] VALUES (1, 'g', 1, 'G')",
                 "INSERT INTO [usysQuorvaneFields] VALUES (2, 'x', 1, 'X')",
                 "INSERT INTO [usysQuorvaneFields] VALUES (3, 'x', 1, 'X')",
                 "INSERT INTO [Input] VALUES ('b', 10, 1)",
                 "INSERT INTO [Input] VALUES ('a', 5, 2)",
                 "INSERT INTO [Input] VALUES ('a', 1, 1)",
                 "INSERT INTO [Input] VALUES ('b', 10.5, 0)",
                 "INSERT INTO [Input] VALUES ('a', 3, -1)",
             }) {
            auto n = db.Execute(sql);
            ASSERT_TRUE(n.ok()) << sql << ": " << n.error().description;
        }
        // The scratch database with its sort table statTemp1.
        scratch = dir.file("qrv1.tmp");
        auto s = DBEngine::Instance().CreateDatabase(scratch, dbLangGeneral);
        ASSERT_TRUE(s.ok());
        TableDef def = s->CreateTableDef("statTemp1");
        ASSERT_FALSE(def.AppendField(Field("Field", dbInteger)));
        ASSERT_FALSE(def.AppendField(Field("Data", dbDouble)));
        ASSERT_FALSE(def.AppendField(Field("Weight", dbDouble)));
        ASSERT_FALSE(s->AppendTableDef(def));
        for (const char* row :
             {"(1, 2, 1)", "(1, 2, 2)", "(1, 5, 1)", "(1, Null, 0.5)", "(2, 7, 4)"})
            ASSERT_TRUE(s->Execute(std::string("INSERT INTO statTemp1 VALUES ") + row).ok());
        s->Close();
    }

    struct Col {
        const char* name;
        int type;
        long size;
    };
    void table(const std::string& name, std::vector<Col> cols) {
        TableDef def = db.CreateTableDef(name);
        for (const Col& c : cols) ASSERT_FALSE(def.AppendField(Field(c.name, c.type, c.size)));
        ASSERT_FALSE(db.AppendTableDef(def)) << name;
    }

    std::string scratch;
};

// A query gives the values of one column (Null as ""); a row change gives
// its count; `fails` marks a statement that must be refused.
struct Case {
    std::string sql;
    Strings values;
    int col = 0;
    long changed = -1;
    bool fails = false;
};

TEST_F(ScenarioSqlTest, EveryStatementGivesWhatItsCallerReliesOn) {
    const std::string in = " IN '" + scratch + "' ";
    const std::vector<Case> cases = {
        // Loading a scenario: its row joined with its options, then its fields.
        {"SELECT * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
         "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID where "
         "[usysQuorvaneScenarios].Scenario_ID = 1",
         {"Sales describe"},
         2},
        {"SELECT * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
         "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID where "
         "[usysQuorvaneScenarios].Scenario_ID = 2",
         {"N"},
         13},
        {"select * from [usysQuorvaneFields] where Scenario_ID = 1 order by "
         "Fielddef_ordinal_position",
         {"g", "x"},
         1},
        {"SELECT * FROM [usysQuorvaneScenarios] INNER JOIN [usysQuorvaneOptions] ON "
         "[usysQuorvaneScenarios].Scenario_ID = [usysQuorvaneOptions].Scenario_ID where "
         "[usysQuorvaneScenarios].Scenario_ID = 9",
         {}},
        // The input rows, sorted by the group field and then the first analysis field.
        {"SELECT [g], [x], [w] FROM [Input] ORDER BY [g],[x];", {"1", "3", "5", "10", "10.5"}, 1},
        {"SELECT [g], [x], [w] FROM [Input] ORDER BY [g],[x];", {"a", "a", "a", "b", "b"}, 0},
        // The missing-value conditions: Equal 5, High 10, Low 3, Both 3 and 10.
        {"SELECT [x] FROM [Input] WHERE ([x] <> 5) ORDER BY [x]", {"1", "3", "10", "10.5"}},
        {"SELECT [x] FROM [Input] WHERE ([x] <= 10) ORDER BY [x]", {"1", "3", "5", "10"}},
        {"SELECT [x] FROM [Input] WHERE ([x] >= 3) ORDER BY [x]", {"3", "5", "10", "10.5"}},
        {"SELECT [x] FROM [Input] WHERE ([x] Between 3 And 10) ORDER BY [x]", {"3", "5", "10"}},
        // Default frequency borders: smallest and largest value, with and without a rule.
        {"SELECT MIN([x]) as Minimum1, MAX([x]) as Maximum1 FROM [Input] WHERE (([x] <= 10));",
         {"10"},
         1},
        {"SELECT MIN([x]) as Minimum1, MAX([x]) as Maximum1 FROM [Input];", {"1"}, 0},
        {"SELECT MIN([x]) as Minimum1, MAX([x]) as Maximum1 FROM [Input];", {"10.5"}, 1},
        // Mode and percentiles from the sort table in the scratch database:
        // weights per value of field 1 are 2 -> 1 + 2, 5 -> 1, Null -> 0.5.
        {"SELECT DISTINCTROW [Field], [Data], Sum([Weight]) as Lumvar_Count FROM statTemp1" + in +
             "GROUP BY [Field], [Data] ORDER BY [Field], Sum([Weight]) DESC;",
         {"3", "1", "0.5", "4"},
         2},
        {"SELECT DISTINCTROW [Field], [Data], Sum([Weight]) as Lumvar_Count FROM statTemp1" + in +
             "GROUP BY [Field], [Data] ORDER BY [Field], Sum([Weight]) DESC;",
         {"2", "5", "", "7"},
         1},
        {"SELECT [Data], [Weight] FROM statTemp1" + in +
             "where (([Field] = 1 AND [Data] Is Not Null)) ORDER BY [Data];",
         {"2", "2", "5"}},
        // The scenario list of the main window, by subtype pattern and category.
        {"SELECT  Scenario_ID, Scenario_Analysis_SubType, Scenario_Description, "
         "Scenario_Input_Table_Name, Scenario_Analysis_Type, Scenario_Output_Table1_Name, "
         "Scenario_Output_Table2_Name, Scenario_CreatedBy, Scenario_DateCreated, "
         "Scenario_ModifiedBy, Scenario_LastModified FROM usysQuorvaneScenarios WHERE "
         "((Scenario_Analysis_SubType Like '*') And (Scenario_Analysis_Type = 'P')) ORDER BY "
         "SortOrder, Scenario_ID;",
         {"2", "1"}},
        {"SELECT  Scenario_ID, Scenario_Analysis_SubType, Scenario_Description, "
         "Scenario_Input_Table_Name, Scenario_Analysis_Type, Scenario_Output_Table1_Name, "
         "Scenario_Output_Table2_Name, Scenario_CreatedBy, Scenario_DateCreated, "
         "Scenario_ModifiedBy, Scenario_LastModified FROM usysQuorvaneScenarios WHERE "
         "((Scenario_Analysis_SubType Like 'desc*') And (Scenario_Analysis_Type = 'p')) ORDER "
         "BY SortOrder, Scenario_ID;",
         {"Describe"},
         1},
        {"SELECT  * from [usysQuorvaneScenarios] WHERE Scenario_ID = 3", {"Groups"}, 2},
        {"SELECT * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 1;", {"Out1"}, 6},
        // Duplicating scenario 1 as number 4 copies its field rows.
        {"INSERT INTO [usysQuorvaneFields] (Scenario_Id, FieldDef_Name, "
         "FieldDef_Ordinal_Position, FieldDef_Choice ) SELECT 4 AS Expr1, [FieldDef_Name], "
         "[FieldDef_Ordinal_Position], [FieldDef_Choice] FROM [usysQuorvaneFields] WHERE "
         "[Scenario_ID]=1",
         {},
         0,
         2},
        {"select * from [usysQuorvaneFields] where Scenario_ID = 4 order by "
         "Fielddef_ordinal_position",
         {"G", "X"},
         3},
        // Saving a scenario's fields anew, and deleting scenario 3.
        {"DELETE * FROM usysQuorvaneFields WHERE [Scenario_ID] = 2", {}, 0, 1},
        {"DELETE * FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 3;", {}, 0, 1},
        {"DELETE * FROM [usysQuorvaneFields] WHERE [Scenario_ID] = 3;", {}, 0, 1},
        {"DELETE * FROM [usysQuorvaneOptions] WHERE [Scenario_ID] = 3;", {}, 0, 1},
        {"SELECT [FieldDef_Name] FROM [usysQuorvaneFields] ORDER BY [Scenario_ID], "
         "[FieldDef_Ordinal_Position]",
         {"g", "x", "g", "x"}},
        // Dropping an output table before it is written again.
        {"drop table [Out1]", {}, 0, 0},
        {"SELECT * FROM [Out1]", {}, 0, -1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sql);
        if (c.fails) {
            EXPECT_FALSE(db.OpenRecordset(c.sql).ok());
        } else if (c.changed >= 0) {
            auto n = db.Execute(c.sql);
            ASSERT_TRUE(n.ok()) << n.error().description;
            EXPECT_EQ(*n, c.changed);
        } else {
            EXPECT_EQ(column(c.sql, c.col), c.values);
        }
    }
    // The scratch table is emptied with one statement.
    auto s = DBEngine::Instance().OpenDatabase(scratch);
    ASSERT_TRUE(s.ok());
    auto n = s->Execute("DELETE DISTINCTROW * FROM statTemp1");
    ASSERT_TRUE(n.ok()) << n.error().description;
    EXPECT_EQ(*n, 5);
    s->Close();
}

}  // namespace
}  // namespace qrv::test
