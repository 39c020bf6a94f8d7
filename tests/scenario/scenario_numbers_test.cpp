// Scenario numbers for new scenarios and copies: one past the largest in use
// in any of the three tables, up to the largest Long; past it, a refusal in
// words that leaves the tables as they were. Another program's rows stand in
// for a file in long use.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "authoring_fixture.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"

namespace qrv::test {
namespace {

using namespace qrv::scenario;

ScenarioDraft yieldDraft() {
    ScenarioDraft d = NewDraft(*FindAnalysisType("describe"));
    d.description = "Yield";
    d.input = "Measurements";
    d.addField("Yield", 'X');
    return d;
}

struct NumberCase {
    const char* name;
    std::vector<const char*> stored;  // what another program did beside scenario 1
    bool copy;                        // copy scenario 1 rather than save a new one
    std::int32_t want;                // 0: refused
};

constexpr const char* kAdd5 = "INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (5)";
constexpr const char* kDelete5 = "DELETE FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 5";
constexpr const char* kAddLargest =
    "INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (2147483647)";
constexpr const char* kAddNextToLargest =
    "INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (2147483646)";
constexpr const char* kDeleteLargest =
    "DELETE FROM [usysQuorvaneScenarios] WHERE [Scenario_ID] = 2147483647";

const NumberCase kNumberCases[] = {
    {"NewAfterTheFirst", {}, false, 2},
    {"CopyAfterTheFirst", {}, true, 2},
    {"NewNeverTakesADeletedNumber", {kAdd5, kDelete5}, false, 6},
    {"CopyNeverTakesADeletedNumber", {kAdd5, kDelete5}, true, 6},
    // The counter is spent; numbers still go past the largest in use.
    {"NewAfterTheLargestWasDeleted", {kAddLargest, kDeleteLargest}, false, 2},
    {"CopyAfterTheLargestWasDeleted", {kAddLargest, kDeleteLargest}, true, 2},
    {"NewPastAGap", {"INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (40)"}, false, 41},
    {"NewPastAnOptionsRowOfItsOwn",
     {"INSERT INTO [usysQuorvaneOptions] ([Scenario_ID]) VALUES (70)"},
     false,
     71},
    {"CopyPastAFieldRowOfItsOwn",
     {"INSERT INTO [usysQuorvaneFields] VALUES (90, 'Yield', 1, 'X')"},
     true,
     91},
    {"NewTakesTheLargestNumber", {kAddNextToLargest}, false, 2147483647},
    {"CopyTakesTheLargestNumber", {kAddNextToLargest}, true, 2147483647},
    {"NewWhenTheLargestIsInUse", {kAddLargest}, false, 0},
    {"CopyWhenTheLargestIsInUse", {kAddLargest}, true, 0},
};

class ScenarioNumberTest : public AuthoringTest,
                           public ::testing::WithParamInterface<NumberCase> {};

TEST_P(ScenarioNumberTest, NumbersGoPastTheLargestInUseOrAreRefused) {
    const NumberCase& c = GetParam();
    ScenarioDraft first = yieldDraft();
    ASSERT_EQ(*SaveDraft(db, first), 1);
    for (const char* sql : c.stored) {
        auto n = db.Execute(sql);
        ASSERT_TRUE(n.ok()) << sql << ": " << n.error().description;
    }
    const std::vector<std::string> before = snapshot();
    ScenarioDraft d = yieldDraft();
    auto id = c.copy ? CopyScenario(db, 1, "Copy of Yield") : SaveDraft(db, d);
    if (c.want == 0) {
        ASSERT_FALSE(id.ok());
        EXPECT_EQ(id.error().description,
                  "No scenario number is left: the largest, 2147483647, is in use. Delete that "
                  "scenario or give it a smaller number, then try again.");
        EXPECT_EQ(snapshot(), before);
        EXPECT_EQ(d.id, 0);
        return;
    }
    ASSERT_TRUE(id.ok()) << id.error().description;
    EXPECT_EQ(*id, c.want);
    if (!c.copy) {
        EXPECT_EQ(d.id, c.want);
    }
    EXPECT_EQ(count("usysQuorvaneScenarios", c.want), 1);
    EXPECT_EQ(count("usysQuorvaneOptions", c.want), 1);
    EXPECT_EQ(count("usysQuorvaneFields", c.want), 1);
}

INSTANTIATE_TEST_SUITE_P(Numbers, ScenarioNumberTest, ::testing::ValuesIn(kNumberCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AuthoringTest, ANumberBeyondTheLongRangeIsRefusedByTheTable) {
    auto n = db.Execute("INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID]) VALUES (2147483648)");
    ASSERT_FALSE(n.ok());
    EXPECT_NE(n.error().description.find("Scenario numbers run from -2147483648 to 2147483647."),
              std::string::npos)
        << n.error().description;
    EXPECT_EQ(cell("SELECT Count(*) FROM [usysQuorvaneScenarios]"), "0");
}

}  // namespace
}  // namespace qrv::test
