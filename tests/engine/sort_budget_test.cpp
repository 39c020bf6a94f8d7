// Sorted values past a memory budget: a table whose values spill to sorted
// runs answers every mode and cut point exactly as one held in memory, on
// seeded random data with ties, signed zeros and weights (a field that turns
// weighted after it has spilled, too); parts of a group merge with their runs;
// and the spill file is there only while needed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "engine/sort_budget.h"
#include "engine/sort_table.h"
#include "support/temp_dir.h"

namespace qrv::test {
namespace {

using num::Extended;

constexpr int kFields = 3;

// Rows of (field, value, weight): field 1 unweighted, field 2 weighted from
// its 500th value on, field 3 weighted throughout; values from a small set so
// that counts tie.
struct Row {
    int field;
    double value, weight;
};
std::vector<Row> randomRows(unsigned seed, int count) {
    std::mt19937 rng(seed);
    std::vector<Row> rows;
    int seen[kFields + 1] = {};
    static const double kWeights[] = {1, 1, 2, 0.5, 3.25, 0.1, 1e-3};
    for (int i = 0; i < count; ++i) {
        const int field = 1 + static_cast<int>(rng() % kFields);
        double value = static_cast<double>(static_cast<int>(rng() % 61) - 30) / 4;
        if (value == 0 && rng() % 2) value = -0.0;
        double weight = 1;
        if (field == 3 || (field == 2 && seen[2] >= 500)) weight = kWeights[rng() % 7];
        ++seen[field];
        rows.push_back({field, value, weight});
    }
    return rows;
}

// Every answer the table gives, as bits: modes, then each field's cut points
// of every type, weighted and not.
std::vector<std::uint64_t> answers(SortTable& t, const std::vector<Row>& rows) {
    std::vector<std::uint64_t> out;
    auto put = [&](double d) {
        std::uint64_t bits;
        std::memcpy(&bits, &d, sizeof d);
        out.push_back(bits);
    };
    std::vector<double> none;
    for (int field = 1; field <= kFields; ++field) {
        SortTable::Mode m;
        EXPECT_EQ(t.Summarize(field, &m, false, 0, Extended(), none), "");
        put(m.value);
        put(m.count);
        out.push_back(m.unique);
    }
    for (int field = 1; field <= kFields; ++field) {
        Extended weight, count;
        for (const Row& r : rows)
            if (r.field == field) {
                weight += r.weight;
                count += 1.0;
            }
        for (bool weighted : {true, false})
            for (int parts : {2, 4, 5, 10, 100}) {
                std::vector<double> cuts;
                EXPECT_EQ(
                    t.CalcPercentiles(field, weighted, parts, weighted ? weight : count, cuts), "");
                for (double c : cuts) put(c);
            }
    }
    return out;
}

void fill(SortTable& t, const std::vector<Row>& rows, size_t from = 0, size_t to = SIZE_MAX) {
    for (size_t i = from; i < std::min(to, rows.size()); ++i)
        ASSERT_FALSE(t.Append(rows[i].field, rows[i].value, rows[i].weight));
}

TEST(SortBudgetTest, SpilledValuesGiveTheAnswersOfValuesInMemory) {
    TempDir dir;
    for (unsigned seed : {1u, 2u, 3u}) {
        const auto rows = randomRows(seed, 6000);
        SortTable memory;
        fill(memory, rows);
        std::string spillPath;
        {
            SortBudget budget(4096, dir.path());
            SortTable spilled;
            spilled.UseBudget(&budget);
            fill(spilled, rows);
            EXPECT_GT(budget.Runs(), 10) << "the budget was never passed";
            EXPECT_LE(budget.Held(), 4096u);
            spillPath = budget.SpillPath();
            EXPECT_TRUE(std::filesystem::exists(spillPath));
            EXPECT_EQ(answers(spilled, rows), answers(memory, rows)) << "seed " << seed;
        }
        EXPECT_FALSE(std::filesystem::exists(spillPath)) << "spill file left behind";
    }
}

TEST(SortBudgetTest, PartsOfAGroupMergeWithTheirRuns) {
    TempDir dir;
    const auto rows = randomRows(5, 5000);
    SortTable memory;
    fill(memory, rows);
    SortBudget budget(2048, dir.path());
    SortTable a, b;
    a.UseBudget(&budget);
    b.UseBudget(&budget);
    fill(a, rows, 0, 2000);
    fill(b, rows, 2000);
    ASSERT_FALSE(a.Merge(b));
    EXPECT_EQ(a.Rows(), static_cast<long>(rows.size()));
    EXPECT_EQ(answers(a, rows), answers(memory, rows));
}

TEST(SortBudgetTest, ValuesWithinTheBudgetStayInMemory) {
    TempDir dir;
    const auto rows = randomRows(7, 3000);
    SortBudget budget(SortBudget::kDefaultBytes, dir.path());
    {
        SortTable t;
        t.UseBudget(&budget);
        fill(t, rows);
        EXPECT_GT(budget.Held(), 3000 * sizeof(double));
        SortTable memory;
        fill(memory, rows);
        EXPECT_EQ(answers(t, rows), answers(memory, rows));
        EXPECT_EQ(budget.Runs(), 0);
        EXPECT_EQ(budget.SpillPath(), "");
        EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    }
    EXPECT_EQ(budget.Held(), 0u) << "a table gone gives its memory back";
}

TEST(SortBudgetTest, ASpillThatCannotBeWrittenIsAnErrorAndLeavesNoFile) {
    TempDir dir;
    SortBudget budget(1024, dir.path() + "/missing");
    SortTable t;
    t.UseBudget(&budget);
    bool failed = false;
    for (int i = 0; i < 1000 && !failed; ++i) failed = static_cast<bool>(t.Append(1, i, 1));
    EXPECT_TRUE(failed);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

}  // namespace
}  // namespace qrv::test
