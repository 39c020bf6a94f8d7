// The output-name rules every caller shares: which names are refused where,
// and which existing tables count as someone else's data.
#include <gtest/gtest.h>

#include "authoring_fixture.h"
#include "scenario/output_names.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;
using qrv::dao::Value;

class OutputNameRules : public AuthoringTest {
  protected:
    void SetUp() override {
        AuthoringTest::SetUp();
        ASSERT_FALSE(db.CreateQueryDef("qNorth", "SELECT * FROM [Measurements]"));
        ASSERT_FALSE(db.CreateQueryDef("qOuter", "SELECT [Yield] FROM [qNorth]"));
    }
    // A table whose owner record says which scenario's run wrote it ("" for none).
    void makeTable(const std::string& name, const std::string& owner) {
        dao::TableDef def = db.CreateTableDef(name);
        ASSERT_FALSE(def.AppendField(dao::Field("Note", dao::dbText, 20)));
        if (!owner.empty()) {
            ASSERT_FALSE(def.AppendProperty({kOwnerProperty, dao::dbText, Value(owner)}));
        }
        ASSERT_FALSE(db.AppendTableDef(def));
    }
};

TEST_F(OutputNameRules, WhatARunReadsOrKeepsIsRefusedWhereItLives) {
    struct Case {
        std::string out1, out2, input;
        bool inputHere, scenariosHere;
        std::string refusal;  // "" when the names are allowed
    } cases[] = {
        {"measurements", "", "Measurements", true, true,
         "The output table [measurements] is the scenario's input; choose another name."},
        {"Measurements", "", "Measurements", false, true, ""},
        {"Out", "MEASUREMENTS", "qOuter", true, true,
         "The output table [MEASUREMENTS] is read by the input query [qOuter]; choose another "
         "name."},
        {"Measurements", "", "qOuter", false, true, ""},
        {"QNORTH", "", "Measurements", false, false,
         "The output table [QNORTH] is the name of a stored query; choose another name."},
        {"usysQuorvaneOptions", "", "Measurements", true, true,
         "The output table [usysQuorvaneOptions] is one of the scenario tables; choose another "
         "name."},
        {"usysQuorvaneOptions", "", "Measurements", true, false, ""},
        {"MyScenarios", "", "Measurements", true, true,
         "The output table [MyScenarios] is one of the scenario tables; choose another name."},
        {"~QRVwork_1", "", "Measurements", false, false,
         "The output table [~QRVwork_1] has a name reserved for Quorvane's own tables; choose "
         "another name."},
        {"Out", "qrv_properties", "Measurements", false, false,
         "The output table [qrv_properties] has a name reserved for Quorvane's own tables; "
         "choose another name."},
        {"MSysPassword", "", "Measurements", false, false,
         "The output table [MSysPassword] has a name reserved for Quorvane's own tables; choose "
         "another name."},
        {"Same", "SAME", "Measurements", false, false,
         "Output tables 1 and 2 are both named [Same]; each output needs a table of its own."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.out1 + " / " + c.out2 + " from " + c.input);
        OutputNameRequest r;
        r.output1 = c.out1;
        r.output2 = c.out2;
        r.input = c.input;
        r.inputHere = c.inputHere;
        r.scenariosHere = c.scenariosHere;
        r.scenarioTables = {"myscenarios"};
        EXPECT_EQ(CheckOutputNames(db, r).refusal, c.refusal);
    }
}

TEST_F(OutputNameRules, OnlyTablesThisScenarioWroteAreItsOwn) {
    makeTable("Mine", OutputOwnerTag(3));
    makeTable("Other", OutputOwnerTag(4));
    makeTable("Elsewhere", OutputOwnerTag(3, "/data/scenarios.db"));
    makeTable("Imported", "");
    struct Case {
        std::string name, owner;
        bool foreign;
    } cases[] = {
        {"mine", "3@", false},
        {"Mine", "", true},  // a scenario not stored yet wrote nothing
        {"Other", "3@", true},
        {"Elsewhere", "3@", true},
        {"Elsewhere", "3@/data/scenarios.db", false},
        {"Imported", "3@", true},
        {"NotThere", "3@", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name + " for " + c.owner);
        OutputNameRequest r;
        r.output1 = c.name;
        r.input = "Measurements";
        r.owner = c.owner;
        const OutputNameCheck found = CheckOutputNames(db, r);
        EXPECT_FALSE(found.refused()) << found.refusal;
        if (c.foreign)
            EXPECT_EQ(found.foreign, std::vector<std::string>{c.name});
        else
            EXPECT_TRUE(found.foreign.empty());
    }
    // Both outputs are named, as stored, in one question that calls them data.
    OutputNameRequest r;
    r.output1 = "other";
    r.output2 = "IMPORTED";
    r.input = "Measurements";
    r.owner = "3@";
    const OutputNameCheck found = CheckOutputNames(db, r);
    EXPECT_EQ(found.foreign, (std::vector<std::string>{"Other", "Imported"}));
    EXPECT_NE(ReplaceDataQuestion(found.foreign).find("Other\r\nImported\r\n\r\n"),
              std::string::npos);
    EXPECT_NE(ReplaceDataQuestion(found.foreign).find("hold data"), std::string::npos);
    EXPECT_EQ(NotReplacedText(found.foreign),
              "The output table(s) [Other], [Imported] already exist and were not written by "
              "this scenario; they were left as they are.");
}

}  // namespace
}  // namespace qrv::test
