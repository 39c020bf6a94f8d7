// Saving a scenario whose input is in another file: the input and its fields
// are checked there, the output names in the file the outputs go to, and
// only the scenario file is written.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring_fixture.h"
#include "dataaccess/fold.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;
using namespace qrv::dao;

class DraftSourceTest : public AuthoringTest {
  protected:
    void SetUp() override {
        AuthoringTest::SetUp();
        data = made("data.db", {"CREATE TABLE [Plots] ([Site] TEXT (10), [Mass] DOUBLE, "
                                "[Label] TEXT (10))",
                                "INSERT INTO [Plots] VALUES ('East', 2.5, 'a')"});
        ASSERT_FALSE(data.CreateQueryDef("qHeavy", "SELECT * FROM [Plots] WHERE [Mass] > 2"));
        third = made("third.db", {"CREATE TABLE [T] ([X] DOUBLE)"});
        ASSERT_FALSE(third.CreateQueryDef("qTaken", "SELECT [X] FROM [T]"));
    }
    void TearDown() override {
        data.Close();
        third.Close();
        AuthoringTest::TearDown();
    }
    Database made(const std::string& name, const std::vector<std::string>& statements) {
        auto r = DBEngine::Instance().CreateDatabase(dir.file(name), dbLangGeneral);
        EXPECT_TRUE(r.ok());
        if (!r.ok()) return {};
        for (const std::string& sql : statements) EXPECT_TRUE(r->Execute(sql).ok()) << sql;
        return *r;
    }
    Database data, third;
};

enum class Outputs { WithTheSource, NotMadeYet, ThirdFile };

TEST_F(DraftSourceTest, InputFieldsAndOutputNamesAreCheckedWhereTheRunsFindThem) {
    const struct Case {
        const char* what;
        const char* input;
        const char* x;
        const char* out;
        Outputs outputs;
        const char* refusal;  // part of the refusal; empty: saved
    } cases[] = {
        {"input and field of the source", "plots", "mass", "Stats", Outputs::WithTheSource, ""},
        {"a query of the source", "qheavy", "Mass", "Heavy", Outputs::WithTheSource, ""},
        {"a field of the scenario file only", "Plots", "Yield", "Stats", Outputs::WithTheSource,
         "Field 'Yield' is not a field of [Plots]"},
        {"a text field", "Plots", "Label", "Stats", Outputs::WithTheSource, "must be numeric"},
        {"an input of the scenario file only", "Measurements", "Yield", "Stats",
         Outputs::WithTheSource, "No table or query of that name"},
        {"a query's name where the outputs go", "Plots", "Mass", "qHeavy", Outputs::WithTheSource,
         "is the name of a stored query"},
        {"the same name in a file not made yet", "Plots", "Mass", "qHeavy", Outputs::NotMadeYet,
         ""},
        {"a query's name in a third file", "Plots", "Mass", "qTaken", Outputs::ThirdFile,
         "is the name of a stored query"},
        {"that name where the outputs do not go", "Plots", "Mass", "qTaken", Outputs::WithTheSource,
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::string> before = snapshot();
        ScenarioDraft d = NewDraft(*FindAnalysisType("Describe"));
        d.input = c.input;
        d.addField(c.x, 'X');
        d.output1 = c.out;
        Database notMade;
        DraftFiles files{&data, nullptr};
        if (c.outputs == Outputs::NotMadeYet) files.output = &notMade;
        if (c.outputs == Outputs::ThirdFile) files.output = &third;
        auto id = SaveDraft(db, d, std::nullopt, files);
        if (*c.refusal == '\0') {
            ASSERT_TRUE(id.ok()) << id.error().description;
            const std::string where = " WHERE [Scenario_ID] = " + std::to_string(*id);
            // Stored with the source's spellings.
            EXPECT_EQ(
                cell("SELECT [Scenario_Input_Table_Name] FROM [usysQuorvaneScenarios]" + where),
                iequal(c.input, "qheavy") ? "qHeavy" : "Plots");
            EXPECT_EQ(cell("SELECT [FieldDef_Name] FROM [usysQuorvaneFields]" + where), "Mass");
        } else {
            ASSERT_FALSE(id.ok());
            EXPECT_NE(id.error().description.find(c.refusal), std::string::npos)
                << id.error().description;
            EXPECT_EQ(snapshot(), before);
        }
    }
    // Nothing was written into the source.
    EXPECT_EQ(data.TableDefNames(), std::vector<std::string>{"Plots"});
    EXPECT_EQ(data.QueryDefNames(), std::vector<std::string>{"qHeavy"});
}

TEST_F(DraftSourceTest, WithoutASourceTheScenarioFileIsTheInputAsBefore) {
    ScenarioDraft d = NewDraft(*FindAnalysisType("Describe"));
    d.input = "Plots";
    d.addField("Mass", 'X');
    auto refused = SaveDraft(db, d);
    ASSERT_FALSE(refused.ok());
    EXPECT_NE(refused.error().description.find("No table or query of that name"),
              std::string::npos);
    d.input = "Measurements";
    d.fields.clear();
    d.addField("Yield", 'X');
    EXPECT_TRUE(SaveDraft(db, d).ok());
}

}  // namespace
}  // namespace qrv::test
