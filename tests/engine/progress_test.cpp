// Progress against a total: the count of a table known before its rows are
// read, a query's known only at the end, reports that only grow, arrive at
// steps rather than per row and end with done == total, in both walks; the
// status messages the same with or without a progress handler.
#include <algorithm>

#include "engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

constexpr long kRows = 1000;
// Rows of the query below (x > 300 of x = 0..999).
constexpr long kQueryRows = 699;

class Progress : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::string sql = "BEGIN;";
        for (long i = 0; i < kRows; ++i)
            sql += "INSERT INTO Data (Grp, X) VALUES ('" + std::string(1, "abc"[i % 3]) + "', " +
                   std::to_string(i) + ");";
        ASSERT_EQ(rawExec(path, sql + "COMMIT;"), "");
        ASSERT_FALSE(db.CreateQueryDef("qBig", "SELECT * FROM [Data] WHERE [X] > 300"));
    }

    std::int32_t describe(const std::string& input, bool mode) {
        ScenarioRow s;
        s.input = input;
        s.fields = {{"Grp", "G"}, {"X", "X"}};
        const auto id = addScenario(s);
        if (mode) setOptions(id, {{"Mode", Value(true)}});
        return id;
    }

    struct Call {
        long done, total;
    };
    std::vector<Call> calls;
    void listen() {
        engine.OnStatProgress([this](long done, long total) { calls.push_back({done, total}); });
    }

    // The reports of one run: done never falls, every report once the count
    // is known carries it, the last says all rows were read, and there are
    // few of them.
    void expectReports(long rows, bool totalBefore, const std::string& what) {
        SCOPED_TRACE(what);
        ASSERT_FALSE(calls.empty());
        for (size_t i = 1; i < calls.size(); ++i)
            EXPECT_GE(calls[i].done, calls[i - 1].done) << "report " << i;
        EXPECT_EQ(calls.back().done, rows);
        EXPECT_EQ(calls.back().total, rows);
        const auto during = std::count_if(calls.begin(), calls.end() - 1, [&](const Call& c) {
            return c.done > 0 && c.done < rows;
        });
        // Without a total, a few hundred rows pass in one step.
        if (totalBefore) {
            EXPECT_GT(during, 10) << "reports while the rows are read";
        }
        // 200 steps of half a percent, a few stages and the end.
        EXPECT_LE(calls.size(), 210u) << "not one per row";
        for (size_t i = 0; i + 1 < calls.size(); ++i) {
            if (calls[i].done > 0) {
                EXPECT_EQ(calls[i].total, totalBefore ? rows : -1) << "at " << calls[i].done;
            }
            EXPECT_LE(calls[i].done, rows);
        }
    }
};

TEST_F(Progress, TableTotalIsKnownBeforeTheRowsInBothWalks) {
    listen();
    for (bool hashed : {true, false}) {
        for (bool mode : {false, true}) {
            calls.clear();
            engine.SetHashedGroups(hashed);
            ASSERT_TRUE(run(describe("Data", mode))) << engine.ErrorInfo();
            expectReports(kRows, true,
                          std::string(hashed ? "hashed" : "sorted") + (mode ? " mode" : ""));
            EXPECT_EQ(calls.front().done, 0);
            EXPECT_EQ(calls.front().total, -1) << "the first stage comes before the count";
        }
    }
}

TEST_F(Progress, QueryTotalIsKnownAtTheEnd) {
    listen();
    for (bool hashed : {true, false}) {
        calls.clear();
        engine.SetHashedGroups(hashed);
        ASSERT_TRUE(run(describe("qBig", false))) << engine.ErrorInfo();
        expectReports(kQueryRows, false, hashed ? "hashed" : "sorted");
    }
}

TEST_F(Progress, StatusMessagesAreTheSameWithAProgressHandler) {
    std::vector<std::string> statuses;
    engine.OnStatStatus([&](const std::string& m) { statuses.push_back(m); });
    engine.SetShowProgress(true);
    const auto id = describe("Data", false);
    ASSERT_TRUE(run(id));
    const std::vector<std::string> without = statuses;
    statuses.clear();
    listen();
    ASSERT_TRUE(run(id));
    EXPECT_EQ(statuses, without);
    EXPECT_FALSE(calls.empty());
    // Every fifth record and the stages, as without the handler.
    EXPECT_NE(std::find(without.begin(), without.end(), "Analyzing record: 1000"), without.end());
    EXPECT_NE(std::find(without.begin(), without.end(), "Analyzing records..."), without.end());
}

TEST_F(Progress, NoReportsToOtherEnginesOrAfterAFailedRun) {
    listen();
    Quorvane other{&prompter};
    other.ErrorHandler().SetDestination(dir.file("other.log"));
    RunScenarioArgs args;
    args.ScenarioDb = db;
    ASSERT_TRUE(other.RunScenario(describe("Data", false), args)) << other.ErrorInfo();
    EXPECT_TRUE(calls.empty()) << "the handler belongs to one engine";

    // A run that fails before its rows are read never reports an end.
    ASSERT_TRUE(db.Execute("DELETE FROM [Data]").ok());
    EXPECT_FALSE(run(describe("Data", false)));
    for (const Call& c : calls) EXPECT_EQ(c.done, 0);
}

}  // namespace
}  // namespace qrv::test
