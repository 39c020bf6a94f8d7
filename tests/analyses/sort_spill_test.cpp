// Runs whose sorted values pass the memory budget: Describe (mode and cut
// points) and Percentiles of every type, weighted and not, several fields and
// groups, write the same tables bit for bit with a budget of a few KB (values
// spilled and merged) as with the default one (values in memory), in both
// walks. The spill file exists only while the run needs it: not below the
// budget, not after a run, not after a run that failed reading it back.
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/engine_fixture.h"
#include "support/raw_sqlite.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

constexpr std::size_t kTinyBudget = 3000;

class SortSpillTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        std::mt19937 rng(41);
        static const char* const kGroups[] = {"'a'", "'b'", "'c'", "NULL"};
        static const char* const kWeights[] = {"1", "1", "2", "0.5", "3.25", "0", "NULL", "0.1"};
        auto number = [&]() -> std::string {
            if (rng() % 25 == 0) return "NULL";
            if (rng() % 30 == 0) return "-0.0";
            return std::to_string(static_cast<int>(rng() % 81) - 40) + ".0 / 8";
        };
        std::string sql = "CREATE TABLE T (g TEXT, x DOUBLE, y DOUBLE, w DOUBLE);";
        for (int i = 0; i < 4000; ++i)
            sql += std::string("INSERT INTO T VALUES (") + kGroups[rng() % 4] + ", " + number() +
                   ", " + number() + ", " + kWeights[rng() % 8] + ");";
        ASSERT_EQ(rawExec(path, "BEGIN;" + sql + "COMMIT;"), "");
    }

    std::int32_t scenario(const std::string& subtype, bool weighted,
                          std::vector<std::pair<std::string, Value>> options) {
        ScenarioRow s;
        s.subtype = subtype;
        s.input = "T";
        s.fields = {{"g", "G"}, {"x", "X"}, {"y", "X"}};
        if (weighted) s.fields.emplace_back("w", "W");
        const auto id = addScenario(s);
        setOptions(id, std::move(options));
        return id;
    }

    // This process's files of the scratch file's kind in the temporary folder
    // other than the scratch file itself: spill files.
    std::vector<std::string> spillFiles() const {
        std::vector<std::string> out;
        const std::string prefix = "qrv" + std::to_string(::getpid()) + "_";
        const auto folder = std::filesystem::temp_directory_path();
        for (const auto& e : std::filesystem::directory_iterator(folder)) {
            const std::string name = e.path().filename().string();
            if (name.rfind(prefix, 0) == 0 && e.path().string() != engine.ScratchPath())
                out.push_back(e.path().string());
        }
        return out;
    }

    // Runs the scenario with progress on, noting whether a spill file was
    // seen while rows were read; onSpill runs at every sighting.
    bool runWatched(std::int32_t id, bool& spilled,
                    const std::function<void(const std::string&)>& onSpill = {}) {
        spilled = false;
        watch_ = [&, onSpill](const std::string&) {
            for (const std::string& file : spillFiles()) {
                spilled = true;
                if (onSpill) onSpill(file);
            }
        };
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.ShowProgress = true;
        const bool ok = engine.RunScenario(id, args);
        watch_ = nullptr;
        return ok;
    }

    static void expectSame(const std::vector<std::vector<Value>>& a,
                           const std::vector<std::vector<Value>>& b) {
        ASSERT_EQ(a.size(), b.size());
        for (size_t r = 0; r < a.size(); ++r) {
            ASSERT_EQ(a[r].size(), b[r].size());
            for (size_t c = 0; c < a[r].size(); ++c) {
                ASSERT_EQ(a[r][c].kind(), b[r][c].kind()) << "row " << r << " column " << c;
                if (a[r][c].isText()) {
                    EXPECT_EQ(a[r][c].textRef(), b[r][c].textRef());
                } else if (!a[r][c].isNull()) {
                    const double x = a[r][c].asDouble(), y = b[r][c].asDouble();
                    EXPECT_EQ(std::memcmp(&x, &y, sizeof x), 0)
                        << "row " << r << " column " << c << ": " << x << " vs " << y;
                }
            }
        }
    }

    // The scenario's table with the default budget and with a tiny one, in
    // both walks, all alike; the tiny budget spills, the default does not.
    void expectSameSpilled(std::int32_t id, size_t minRows) {
        bool spilled = false;
        engine.SetHashedGroups(true);
        engine.SetSortMemoryBudget(SortBudget::kDefaultBytes);
        ASSERT_TRUE(runWatched(id, spilled)) << engine.ErrorInfo();
        EXPECT_FALSE(spilled) << "values within the budget were spilled";
        const auto memory = tableValues("Out1");
        ASSERT_GE(memory.size(), minRows);
        engine.SetSortMemoryBudget(kTinyBudget);
        for (bool hashed : {true, false}) {
            engine.SetHashedGroups(hashed);
            ASSERT_TRUE(runWatched(id, spilled)) << engine.ErrorInfo();
            EXPECT_TRUE(spilled) << "no spill with a tiny budget";
            expectSame(tableValues("Out1"), memory);
            EXPECT_TRUE(spillFiles().empty()) << "spill file left after the run";
        }
    }

    std::function<void(const std::string&)> watch_;
};

TEST_F(SortSpillTest, DescribeModesAndCutPoints) {
    engine.OnStatStatus([this](const std::string& m) {
        if (watch_) watch_(m);
    });
    for (const char* type : {"Median", "Quartiles", "Deciles", "Percentiles"})
        for (bool weighted : {false, true})
            expectSameSpilled(scenario("Describe", weighted,
                                       {{"Mode", true},
                                        {"Percentile", true},
                                        {"PercentileRadio", type},
                                        {"Sum", true}}),
                              8);
}

TEST_F(SortSpillTest, PercentilesOfEveryType) {
    engine.OnStatStatus([this](const std::string& m) {
        if (watch_) watch_(m);
    });
    for (const char* type : {"Median", "Quartiles", "5", "Deciles", "Percentiles"})
        for (bool weighted : {false, true})
            expectSameSpilled(scenario("Percentiles", weighted, {{"PercentileRadio", type}}), 8);
}

TEST_F(SortSpillTest, ARunThatCannotReadItsSpillBackFailsAndLeavesNoFile) {
    engine.OnStatStatus([this](const std::string& m) {
        if (watch_) watch_(m);
    });
    engine.SetSortMemoryBudget(kTinyBudget);
    const auto id = scenario("Percentiles", true, {{"PercentileRadio", "Deciles"}});
    bool spilled = false;
    // The spilled runs vanish from under the run, up to the last row read.
    EXPECT_FALSE(runWatched(
        id, spilled, [](const std::string& file) { std::filesystem::resize_file(file, 0); }));
    EXPECT_TRUE(spilled);
    EXPECT_NE(engine.ErrorInfo().find("spill"), std::string::npos) << engine.ErrorInfo();
    EXPECT_TRUE(spillFiles().empty()) << "spill file left after a failed run";
}

}  // namespace
}  // namespace qrv::test
