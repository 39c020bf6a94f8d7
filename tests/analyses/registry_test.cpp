// The registry of analysis routines: every type of the list has its own
// routine, the group types share the group analysis, and a type left without
// one fails its run instead of quietly writing nothing.
#include <set>

#include "analyses/registration.h"
#include "engine/analysis_dispatch.h"
#include "engine/engine_fixture.h"
#include "scenario/analysis_types.h"

namespace qrv::test {
namespace {

using scenario::AnalysisType;
using scenario::AnalysisTypes;

TEST(AnalysisRegistry, EveryTypeHasARoutineAndOnlyGroupTypesShareOne) {
    RegisterAnalyses();
    std::set<AnalysisRoutine> seen;
    AnalysisRoutine group = nullptr;
    for (const AnalysisType& t : AnalysisTypes()) {
        const AnalysisRoutine r = FindAnalysisRoutine(t);
        ASSERT_NE(r, nullptr) << t.name;
        if (t.category == 'G') {
            if (!group) group = r;
            EXPECT_EQ(r, group) << t.name << " runs the group analysis";
            seen.insert(r);
            continue;
        }
        EXPECT_TRUE(seen.insert(r).second) << t.name << " runs another type's routine";
    }
    EXPECT_NE(group, nullptr);
}

TEST(AnalysisRegistry, RegistersByNameInAnyCaseAndRefusesOtherNames) {
    RegisterAnalyses();
    const AnalysisType* describe = scenario::FindAnalysisType("Describe");
    ASSERT_NE(describe, nullptr);
    const AnalysisRoutine original = FindAnalysisRoutine(*describe);
    const AnalysisRoutine other = FindAnalysisRoutine(*scenario::FindAnalysisType("Matrix"));
    ASSERT_NE(original, other);
    EXPECT_TRUE(RegisterAnalysisRoutine("DESCRIBE", other));
    EXPECT_EQ(FindAnalysisRoutine(*describe), other);
    EXPECT_FALSE(RegisterAnalysisRoutine("Describes", original));
    EXPECT_EQ(FindAnalysisRoutine(*describe), other) << "an unknown name changes nothing";
    RegisterAnalyses();
    EXPECT_EQ(FindAnalysisRoutine(*describe), original) << "registering again restores it";
}

class UnregisteredType : public EngineTest {
  protected:
    void TearDown() override {
        RegisterAnalyses();
        EngineTest::TearDown();
    }
};

TEST_F(UnregisteredType, FailsTheRunWithAMessage) {
    addRow("a", 1.0);
    addRow("b", 3.0);
    const AnalysisType* percentiles = scenario::FindAnalysisType("Percentiles");
    ASSERT_NE(percentiles, nullptr);
    RegisterAnalysisRoutine(*percentiles, nullptr);
    ScenarioRow s;
    s.subtype = "percentiles";
    const auto id = addScenario(s);
    setOptions(id, {{"PercentileRadio", "Quartiles"}});
    EXPECT_FALSE(run(id));
    EXPECT_NE(engine.ErrorInfo().find("cannot run the analysis Percentiles"), std::string::npos)
        << engine.ErrorInfo();
    EXPECT_NE(engine.ErrorInfo().find("RegisterAnalyses"), std::string::npos);
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "no output of a run that ran nothing";

    // Other types still run.
    s.subtype = "Describe";
    EXPECT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
}

}  // namespace
}  // namespace qrv::test
