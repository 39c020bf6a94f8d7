// Cancelling a run: from the progress handler, from another thread, before
// the run starts. A cancelled run stops reporting, fails with the cancel
// text, leaves the output table it would have replaced as it was and leaves
// no working table or scratch file behind; the next run is not cancelled.
#include <unistd.h>

#include <filesystem>
#include <future>
#include <thread>

#include "engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

constexpr long kRows = 50000;

class Cancel : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        // Four groups of 12,500 rows: X = i, so group "a" holds 0, 4, 8, ...
        std::string sql = "BEGIN;";
        for (long i = 0; i < kRows; ++i)
            sql += "INSERT INTO Data (Grp, X) VALUES ('" + std::string(1, "abcd"[i % 4]) + "', " +
                   std::to_string(i) + ");";
        ASSERT_EQ(rawExec(path, sql + "COMMIT;"), "");
        // An output table another program made: the run must not touch it
        // unless it ends cleanly.
        ASSERT_EQ(rawExec(path,
                          "CREATE TABLE Out1 (Keep INTEGER);"
                          "INSERT INTO Out1 VALUES (1), (2), (3);"),
                  "");
        engine.SetShowErrors(true);
        engine.SetShowProgress(true);
        engine.OnStatStatus([this](const std::string& m) { statuses.push_back(m); });
        engine.OnRunScenarioComplete([this](bool& ok, std::string& error) {
            completed = true;
            completedOk = ok;
            completedError = error;
        });
    }

    std::int32_t describe(bool mode) {
        ScenarioRow s;
        s.fields = {{"Grp", "G"}, {"X", "X"}};
        const auto id = addScenario(s);
        if (mode) setOptions(id, {{"Mode", Value(true)}});
        return id;
    }

    // Scratch and spill files of this process in the scratch folder.
    static std::vector<std::string> ourScratchFiles() {
        std::vector<std::string> out;
        const std::string prefix = "qrv" + std::to_string(::getpid()) + "_";
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(Quorvane::ScratchFolder(), ec)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(prefix, 0) == 0) out.push_back(name);
        }
        return out;
    }

    std::vector<std::string> workingTables() {
        std::vector<std::string> out;
        for (const std::string& t : db.TableDefNames(true))
            if (Quorvane::IsWorkingTableName(t)) out.push_back(t);
        return out;
    }

    // What a cancelled run must leave: the old Out1 with its three rows, no
    // working table, no scratch file, the cancel as its failure.
    void expectCancelledCleanly(const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_EQ(engine.ErrorInfo(), "Action Cancelled by User");
        EXPECT_TRUE(completed);
        EXPECT_FALSE(completedOk);
        EXPECT_EQ(completedError, "Action Cancelled by User");
        EXPECT_EQ(tableColumns("Out1"), std::vector<std::string>{"Keep"});
        auto rows = tableRows("Out1", "Keep");
        ASSERT_EQ(rows.size(), 3u);
        EXPECT_EQ(rows[2]["Keep"].asDouble(), 3);
        EXPECT_EQ(workingTables(), std::vector<std::string>{});
        EXPECT_EQ(ourScratchFiles(), std::vector<std::string>{});
        // The user asked for it: no "Scenario Failed" box on top.
        EXPECT_TRUE(prompter.criticals.empty());
    }

    std::vector<std::string> statuses;
    bool completed = false, completedOk = true;
    std::string completedError;
};

TEST_F(Cancel, FromTheProgressHandlerAtThirtyPercentInBothWalks) {
    const auto id = describe(false);
    long cancelAt = -1;
    std::vector<long> reports;
    engine.OnStatProgress([&](long done, long total) {
        reports.push_back(done);
        if (cancelAt < 0 && total > 0 && done * 10 >= total * 3) {
            cancelAt = done;
            engine.RequestCancel();
        }
    });
    for (bool hashed : {true, false}) {
        SCOPED_TRACE(hashed ? "hashed" : "sorted");
        engine.SetHashedGroups(hashed);
        cancelAt = -1;
        reports.clear();
        statuses.clear();
        completed = false;
        EXPECT_FALSE(run(id));
        ASSERT_GT(cancelAt, 0);
        EXPECT_LT(cancelAt, kRows / 2) << "cancelled near 30%, not at the end";
        EXPECT_EQ(reports.back(), cancelAt) << "no progress after the cancel";
        // Status messages stop at the row where the cancel came.
        for (const std::string& m : statuses) {
            if (m.rfind("Analyzing record: ", 0) != 0) continue;
            EXPECT_LE(std::stol(m.substr(18)), cancelAt) << m;
        }
        EXPECT_FALSE(statuses.empty());
        expectCancelledCleanly(hashed ? "hashed" : "sorted");
    }
}

TEST_F(Cancel, TheNextRunIsNotCancelledAndReplacesTheTable) {
    const auto id = describe(false);
    bool once = true;
    engine.OnStatProgress([&](long done, long total) {
        if (once && total > 0 && done * 10 >= total * 3) {
            once = false;
            engine.RequestCancel();
        }
    });
    EXPECT_FALSE(run(id));
    expectCancelledCleanly("cancelled run");

    ASSERT_TRUE(run(id)) << engine.ErrorInfo();
    EXPECT_EQ(engine.ErrorInfo(), "");
    auto rows = tableRows("Out1", "Grp");
    ASSERT_EQ(rows.size(), 4u);
    // 50,000 rows dealt round-robin to four groups: 12,500 each.
    for (auto& r : rows) EXPECT_EQ(r["Count"].asDouble(), 12500) << r["Grp"].toText();
    // Group "a" holds 0, 4, ..., 49996: its mean is 49996 / 2 = 24998.
    EXPECT_EQ(rows[0]["Mean"].asDouble(), 24998);
    EXPECT_EQ(workingTables(), std::vector<std::string>{});
}

TEST_F(Cancel, BeforeTheRunStartsNothingIsRead) {
    const auto id = describe(false);
    bool begun = false;
    std::vector<long> reports;
    engine.OnRunScenarioBegin([&] { begun = true; });
    engine.OnStatProgress([&](long done, long) { reports.push_back(done); });
    engine.RequestCancel();
    EXPECT_TRUE(engine.Cancelled());
    EXPECT_FALSE(run(id));
    EXPECT_TRUE(begun);
    EXPECT_TRUE(reports.empty());
    EXPECT_TRUE(statuses.empty());
    // Nobody was asked about replacing Out1: the run never got that far.
    EXPECT_TRUE(prompter.questions.empty());
    expectCancelledCleanly("before the start");
    EXPECT_FALSE(engine.Cancelled()) << "the end of the run clears the request";
}

TEST_F(Cancel, FromAnotherThreadWhileTheRunWaits) {
    const auto id = describe(false);
    std::promise<void> reached, cancelled;
    auto cancelledFuture = cancelled.get_future();
    bool once = true;
    engine.OnStatProgress([&](long done, long total) {
        if (once && total > 0 && done * 10 >= total * 3) {
            once = false;
            reached.set_value();
            cancelledFuture.wait();  // the run goes on only after the request
        }
    });
    std::thread other([&] {
        reached.get_future().wait();
        engine.RequestCancel();
        cancelled.set_value();
    });
    const bool ok = run(id);
    other.join();
    EXPECT_FALSE(ok);
    expectCancelledCleanly("other thread");
}

TEST_F(Cancel, SpilledSortedValuesLeaveNoFile) {
    // Modes need every value in order; a small budget makes them spill.
    const auto id = describe(true);
    engine.SetSortMemoryBudget(64 * 1024);
    bool spilled = false, once = true;
    engine.OnStatProgress([&](long done, long total) {
        if (once && total > 0 && done * 10 >= total * 3) {
            once = false;
            spilled = !ourScratchFiles().empty();
            engine.RequestCancel();
        }
    });
    EXPECT_FALSE(run(id));
    EXPECT_TRUE(spilled) << "the values had gone to a spill file by the cancel";
    expectCancelledCleanly("spilled");
}

}  // namespace
}  // namespace qrv::test
