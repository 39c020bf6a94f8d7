// One engine runs scenario after scenario (the command line's "run DB 1 2 3"):
// every analysis type must write, cell for cell, the same tables after another
// scenario ran in the same engine (one that succeeded or one that failed half
// way), and when run twice in a row, as it writes in a fresh engine. The
// scenario before differs in type, ignore rule, group fields, weight and
// options, so whatever of it stayed behind would show. Scenarios are saved
// through the authoring checks, as the command line's "new" saves them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine_fixture.h"
#include "engine/scenario_cases.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_author.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using scenario::ScenarioDraft;

// clang-format off
// Scenarios run before: each weighted, grouped, with a rule and options far
// from the defaults. A case takes the first of them (from a place that turns
// with the case) that differs from it in type, rule and group fields.
const ScenarioCase kBefore[] = {
    {"before", "Describe", "G:Batch G:Lvl X:A X:B X:C W:W", "=0",
     "VarNRadio=N Mean=Yes Skew=Yes Mode=Yes CI=Yes CITypeRadio=Normal CIStdDev=5 CI95=No "
     "CIUser=90 Percentile=Yes PercentileRadio=Percentiles FreqN=Yes FreqP=Yes InterV=4 "
     "FreqIncRadio=Upper FreqGroupRadio=Specified FreqInit=0 FreqWidth=25 TTestMean=Yes "
     "TTestValue=60"},
    {"before", "Crosstab", "G:Batch G:Lvl C:Site X:C W:W", ">50",
     "XType=S XColPcnt=Yes xTotPcnt=Yes xExpect=Yes xChi=Yes"},
    {"before", "Regression", "G:Arm X:B X:C Y:A W:W", "<2 >90",
     "RegressType=M RYInt=No Residual=Yes RANova=No"},
    {"before", "N Sample", "G:Lvl C:Batch X:C W:W", "<10",
     "NPKruskalDetail=No GroupIgnoreBlanks=Yes"},
};

// Scenarios that fail: one whose input table is gone by the time it runs, one
// whose input query lost a field, and one cancelled half way through its rows
// (its rule, scratch tables and working outputs in place).
const ScenarioCase kInputGone{"gone", "Matrix", "G:Site X:A X:B W:W", "=0",
                      "MCov=Yes MR2=Yes Out=Gone_Out", "Gone"};
const ScenarioCase kFieldGone{"field gone", "Describe", "G:Lvl X:C W:W", ">60",
                      "Mode=Yes Out=Broken_Out", "ObsQ"};
const ScenarioCase kCancelled{"cancelled", "Percentiles", "G:Lvl X:A X:C W:W", "<1 >100",
                      "PercentileRadio=Percentiles Out=Cancelled_Out"};
// clang-format on

std::vector<std::string> groupsOf(const ScenarioCase& s) {
    std::vector<std::string> g;
    for (const std::string& f : words(s.fields))
        if (f[0] == 'G') g.push_back(f.substr(2));
    return g;
}

bool sameCell(const Value& a, const Value& b) {
    if (a.kind() != b.kind()) return false;
    if (a.kind() == ValueKind::Double && std::isnan(a.asDouble())) return std::isnan(b.asDouble());
    return a == b;
}

std::string show(const Value& v) {
    return v.isNull() ? "Null" : "'" + v.toText() + "'";
}

// Where got differs from want: columns (names and order), row counts, cells.
std::vector<std::string> differences(const Tables& want, const Tables& got) {
    std::vector<std::string> out;
    for (std::size_t t = 0; t < want.size() && t < got.size(); ++t) {
        const Table &w = want[t], &g = got[t];
        const std::string table = "table [" + w.name + "]";
        if (w.columns != g.columns) {
            auto list = [](const std::vector<std::string>& names) {
                std::string l;
                for (const std::string& n : names) l += (l.empty() ? "" : ", ") + n;
                return l;
            };
            out.push_back(table + ": columns " + list(w.columns) + ", then " + list(g.columns));
            continue;
        }
        if (w.rows.size() != g.rows.size())
            out.push_back(table + ": " + std::to_string(w.rows.size()) + " rows, then " +
                          std::to_string(g.rows.size()));
        for (std::size_t r = 0; r < std::min(w.rows.size(), g.rows.size()); ++r)
            for (std::size_t c = 0; c < w.columns.size(); ++c)
                if (!sameCell(w.rows[r][c], g.rows[r][c]))
                    out.push_back(table + ", row " + std::to_string(r + 1) + ", column [" +
                                  w.columns[c] + "]: " + show(w.rows[r][c]) + ", then " +
                                  show(g.rows[r][c]));
    }
    return out;
}

class TwoRunsTest : public EngineTest, public ::testing::WithParamInterface<std::size_t> {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        makeTable("Obs",
                  {Field("Site", dbText, 10), Field("Batch", dbLong), Field("Lvl", dbText, 4),
                   Field("Arm", dbText, 2), Field("K", dbLong), Field("A", dbDouble),
                   Field("B", dbDouble), Field("C", dbDouble), Field("W", dbDouble)});
        // Numbers from 0 to 130 (so above 100 too), with zeros and Nulls
        // spread so that every rule and every group drops some of them.
        std::uint32_t seed = 12345;
        auto next = [&seed] {
            seed = seed * 1103515245u + 12345u;
            return static_cast<double>((seed >> 16) % 1301) / 10.0;
        };
        std::vector<std::vector<Value>> rows;
        for (int i = 0; i < 48; ++i) {
            const double a = next(), b = next(), c = next();
            rows.push_back({i % 11 == 7 ? Value() : Value(i % 2 ? "South" : "North"),
                            Value(1 + (i / 4) % 3), Value((i * 5) % 7 < 3 ? "hi" : "lo"),
                            Value(std::string(1, 'a' + (i / 2) % 3)), Value((i * 7) % 9),
                            i % 9 == 4 ? Value() : Value(i % 10 == 3 ? 0.0 : a),
                            i % 8 == 6 ? Value() : Value(i % 12 == 1 ? 0.0 : b),
                            i % 13 == 2 ? Value() : Value(c),
                            i % 17 == 3 ? Value() : Value(i % 13 == 5 ? 0.0 : 1 + (i % 4) * 0.5)});
        }
        appendRows("Obs", {"Site", "Batch", "Lvl", "Arm", "K", "A", "B", "C", "W"}, rows);
    }

    // Saves s as the command line's "new" would, under the rule ignore, its
    // outputs named out1 (and out1 + "2" where it writes two) when given.
    void save(const ScenarioCase& s, const char* ignore, Saved& saved, const char* out1 = nullptr) {
        const scenario::AnalysisType* type = scenario::FindAnalysisType(s.type);
        ASSERT_NE(type, nullptr) << s.type;
        ScenarioDraft d = scenario::NewDraft(*type);
        d.description = s.name;
        d.input = s.input;
        for (const std::string& f : words(s.fields)) d.addField(f.substr(2), f[0]);
        for (const std::string& o : words(s.options)) {
            const std::size_t eq = o.find('=');
            auto refused = scenario::ApplySetting(d, o.substr(0, eq), o.substr(eq + 1));
            ASSERT_FALSE(refused) << s.name << ": " << refused->Text();
        }
        if (out1) {
            d.output1 = out1;
            d.output2 = std::string(out1) + "2";  // dropped where there is no second table
        }
        applyIgnore(d, ignore);
        auto id = scenario::SaveDraft(db, d);
        ASSERT_TRUE(id.ok()) << s.name << ": " << id.error().description;
        saved.id = *id;
        saved.outputs = {d.output1};
        if (!d.output2.empty()) saved.outputs.push_back(d.output2);
    }

    Tables read(const Saved& s) {
        Tables out;
        for (const std::string& name : s.outputs)
            out.push_back({name, tableColumns(name), tableValues(name)});
        return out;
    }

    // Runs the scenarios in order in a new engine, each expected to succeed
    // or fail with a text holding failure ("" for any), and reads what the
    // last one wrote.
    struct Step {
        std::int32_t id;
        const char* failure = nullptr;
        bool cancel = false;  // asked to stop after its tenth row
    };
    void runFresh(const std::vector<Step>& steps, const Saved& last, Tables& out) {
        Quorvane fresh{&prompter};
        fresh.ErrorHandler().SetDestination(dir.file("error.log"));
        RunScenarioArgs args;
        args.ScenarioDb = db;
        bool cancel = false;
        fresh.OnStatProgress([&](long done, long) {
            if (cancel && done >= 10) fresh.RequestCancel();
        });
        for (const Step& step : steps) {
            cancel = step.cancel;
            const bool ok = fresh.RunScenario(step.id, args);
            ASSERT_EQ(ok, !step.failure) << "scenario " << step.id << ": " << fresh.ErrorInfo();
            if (step.failure) {
                ASSERT_NE(fresh.ErrorInfo().find(step.failure), std::string::npos)
                    << fresh.ErrorInfo();
            }
        }
        out = read(last);
    }

    // The first run's tables, and the same after something else: the
    // message names the case, the table, the row and the column.
    void expectSame(const std::string& what, const Tables& first, const Tables& then) {
        ASSERT_EQ(first.size(), then.size());
        const std::vector<std::string> diff = differences(first, then);
        for (std::size_t i = 0; i < diff.size() && i < 5; ++i)
            ADD_FAILURE() << kCases[GetParam()].name << ", alone and " << what << ": " << diff[i];
    }
};

TEST_P(TwoRunsTest, WritesTheSameTablesWhateverRanBeforeInTheEngine) {
    const std::size_t index = GetParam();
    const ScenarioCase& s = kCases[index];
    const ScenarioCase* before = nullptr;
    for (std::size_t k = 0; k < std::size(kBefore) && !before; ++k) {
        const ScenarioCase& b = kBefore[(index + k) % std::size(kBefore)];
        if (std::string(b.type) != s.type && std::string(b.ignore) != s.ignore &&
            groupsOf(b) != groupsOf(s))
            before = &b;
    }
    ASSERT_NE(before, nullptr) << "no scenario to run before " << s.name;

    Saved mine, other, otherRule, gone, fieldGone, cancelled;
    ASSERT_NO_FATAL_FAILURE(save(s, s.ignore, mine));
    ASSERT_NO_FATAL_FAILURE(save(*before, before->ignore, other));
    // This case under the rule of the one before, written elsewhere.
    ASSERT_NO_FATAL_FAILURE(save(s, before->ignore, otherRule, "Other_Rule"));
    makeTable("Gone", {Field("Site", dbText, 10), Field("A", dbDouble), Field("B", dbDouble),
                       Field("W", dbDouble)});
    ASSERT_NO_FATAL_FAILURE(save(kInputGone, kInputGone.ignore, gone));
    ASSERT_FALSE(db.DeleteTableDef("Gone"));
    ASSERT_NO_FATAL_FAILURE(save(kCancelled, kCancelled.ignore, cancelled));
    ASSERT_FALSE(scenario::StoreQuery(db, "ObsQ", "SELECT * FROM Obs"));
    ASSERT_NO_FATAL_FAILURE(save(kFieldGone, kFieldGone.ignore, fieldGone));
    ASSERT_FALSE(
        scenario::StoreQuery(db, "ObsQ", "SELECT Site, Batch, Lvl, Arm, A, B, W FROM Obs"));

    Tables alone, then;
    ASSERT_NO_FATAL_FAILURE(runFresh({{mine.id}}, mine, alone));
    for (const Table& t : alone) ASSERT_FALSE(t.rows.empty()) << s.name << ": [" << t.name << "]";
    ASSERT_NO_FATAL_FAILURE(runFresh({{other.id}, {mine.id}}, mine, then));
    expectSame(std::string("after a ") + before->type, alone, then);
    ASSERT_NO_FATAL_FAILURE(runFresh({{mine.id}, {mine.id}}, mine, then));
    expectSame("run twice", alone, then);
    ASSERT_NO_FATAL_FAILURE(runFresh({{gone.id, "[Gone] not found"}, {mine.id}}, mine, then));
    expectSame("after a run without its input", alone, then);
    ASSERT_NO_FATAL_FAILURE(runFresh({{fieldGone.id, ""}, {mine.id}}, mine, then));
    expectSame("after a run refused for a missing field", alone, then);
    ASSERT_NO_FATAL_FAILURE(
        runFresh({{cancelled.id, "Cancelled by User", true}, {mine.id}}, mine, then));
    expectSame("after a run cancelled half way", alone, then);

    // The rule of the run before must change this case's tables, or a rule
    // left behind could not be seen.
    ASSERT_NO_FATAL_FAILURE(runFresh({{otherRule.id}}, otherRule, then));
    EXPECT_FALSE(differences(alone, then).empty())
        << s.name << ": the rule " << before->ignore << " changes nothing";
}

INSTANTIATE_TEST_SUITE_P(EveryType, TwoRunsTest,
                         ::testing::Range<std::size_t>(0, std::size(kCases)),
                         [](const auto& info) { return std::string(kCases[info.param].name); });

}  // namespace
}  // namespace qrv::test
