// Where the time of a grouped run goes, 1,000,000 rows of ten text groups and
// four doubles, for the four commands scripts/bench compares with the sqlite3
// shell (Describe with default options, Frequency, Describe with mode and
// quartiles, Percentiles 1 to 99):
// - the whole run, hashed walk and sorted walk;
// - its parts: a plain scan of the same columns through the data-access layer,
//   the same scan keyed by group as the hashed walk keys it, and SQLite's
//   GROUP BY with the same sums through the layer;
// - the sorted values: appending a million values and cutting 99 percentiles
//   in memory, beside std::sort of the same values, and the same past a
//   budget of 1 MB (sorted runs spilled and merged back).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <string>

#include "dataaccess/dataaccess.h"
#include "engine/quorvane.h"
#include "engine/sort_budget.h"
#include "engine/sort_table.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace {

using namespace qrv;
using namespace qrv::dao;

constexpr long kRows = 1'000'000;
const char* const kFields[] = {"a", "b", "c", "d"};

qrv::test::TempDir& dir() {
    static qrv::test::TempDir d;
    return d;
}

// Scenarios 1-4 of the comparison, over table D (g, a, b, c, d).
const std::string& dataFile() {
    static std::string path;
    if (!path.empty()) return path;
    path = dir().file("walk.db");
    Database db = *DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    scenario::StoreContext ctx{db, nullptr, nullptr};
    scenario::CreateScenarioTables(ctx);
    TableDef t = db.CreateTableDef("D");
    t.AppendField(Field("g", dbText, 20));
    for (const char* f : kFields) t.AppendField(Field(f, dbDouble));
    db.AppendTableDef(t);
    std::mt19937_64 gen(1);
    std::normal_distribution<double> normal(100, 15);
    std::uniform_real_distribution<double> uniform(0, 1);
    std::exponential_distribution<double> expo(0.1);
    auto rs = db.OpenRecordset("D", dbOpenTable);
    db.BeginTrans();
    for (long r = 0; r < kRows; ++r) {
        rs->AddNew();
        rs->SetValue(0, "group" + std::to_string(gen() % 10));
        rs->SetValue(1, normal(gen));
        rs->SetValue(2, uniform(gen));
        rs->SetValue(3, expo(gen));
        rs->SetValue(4, static_cast<double>(gen() % 1000));
        rs->Update();
    }
    db.CommitTrans();
    const std::pair<const char*, const char*> scenarios[] = {
        {"Describe", ""},
        {"Frequency", ""},
        {"Describe", "[Mode] = True, [Percentile] = True, [PercentileRadio] = 'Quartiles'"},
        {"Percentiles", "[PercentileRadio] = 'Percentiles'"}};
    int id = 1;
    for (auto [subtype, options] : scenarios) {
        const std::string sid = std::to_string(id);
        db.Execute(
            "INSERT INTO [usysQuorvaneScenarios] ([Scenario_ID], [Scenario_Description], "
            "[Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
            "[Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
            "[Scenario_Version], [Scenario_CreatedBy], [Scenario_ModifiedBy], "
            "[MissingType], [PageLockField1], [PageLockField2], [PageLockField3], "
            "[PageLockField4]) VALUES (" +
            sid + ", 'bench', 'P', '" + subtype + "', 'D', 'Out" + sid +
            "', 'V5', 'a', 'a', '0', ' ', ' ', ' ', ' ')");
        db.Execute("INSERT INTO [usysQuorvaneOptions] ([Scenario_ID]) VALUES (" + sid + ")");
        if (*options)
            db.Execute(std::string("UPDATE [usysQuorvaneOptions] SET ") + options +
                       " WHERE [Scenario_ID] = " + sid);
        int pos = 1;
        db.Execute("INSERT INTO [usysQuorvaneFields] VALUES (" + sid + ", 'g', " +
                   std::to_string(pos++) + ", 'G')");
        for (const char* f : kFields)
            db.Execute("INSERT INTO [usysQuorvaneFields] VALUES (" + sid + ", '" + f + "', " +
                       std::to_string(pos++) + ", 'X')");
        ++id;
    }
    db.Close();
    return path;
}

// Arg 0: the scenario; arg 1: 1 for the hashed walk, 0 for the sorted one.
void BM_Run(benchmark::State& state) {
    const std::string& path = dataFile();
    for (auto _ : state) {
        Quorvane engine;
        engine.SetHashedGroups(state.range(1) != 0);
        RunScenarioArgs args;
        args.ScenarioDb = path;
        if (!engine.RunScenario(static_cast<std::int32_t>(state.range(0)), args))
            state.SkipWithError(engine.ErrorInfo().c_str());
    }
    static const char* const kNames[] = {"", "Describe", "Frequency", "Describe mode+quartiles",
                                         "Percentiles 1-99"};
    state.SetLabel(std::string(kNames[state.range(0)]) +
                   (state.range(1) ? ", hashed" : ", sorted"));
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(kRows) * state.iterations(),
                                                  benchmark::Counter::kIsRate);
}

// The rows alone: every column read as the walk reads it.
void BM_LayerScan(benchmark::State& state) {
    Database db = *DBEngine::Instance().OpenDatabase(dataFile());
    for (auto _ : state) {
        auto rs =
            db.OpenRecordset("SELECT [g], [a], [b], [c], [d] FROM [D]", dbOpenDynaset, dbReadOnly);
        double sum = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            double number;
            for (int c = 1; c <= 4; ++c)
                if (rs->GetNumber(c, number)) sum += number;
        }
        benchmark::DoNotOptimize(sum);
    }
    db.Close();
}

// The rows and the group text of each, as the hashed walk keys its groups.
void BM_LayerScanWithGroupText(benchmark::State& state) {
    Database db = *DBEngine::Instance().OpenDatabase(dataFile());
    for (auto _ : state) {
        auto rs =
            db.OpenRecordset("SELECT [g], [a], [b], [c], [d] FROM [D]", dbOpenDynaset, dbReadOnly);
        double sum = 0;
        std::size_t bytes = 0;
        for (; !rs->Eof(); rs->MoveNext()) {
            bytes += rs->GetValue(0).textRef().size();
            double number;
            for (int c = 1; c <= 4; ++c)
                if (rs->GetNumber(c, number)) sum += number;
        }
        benchmark::DoNotOptimize(sum);
        benchmark::DoNotOptimize(bytes);
    }
    db.Close();
}

// SQLite groups and sums by itself, its rows read through the layer.
void BM_LayerGroupBy(benchmark::State& state) {
    Database db = *DBEngine::Instance().OpenDatabase(dataFile());
    std::string sql = "SELECT [g]";
    for (const char* f : kFields) {
        const std::string x = std::string("[") + f + "]";
        sql += ", COUNT(" + x + "), SUM(" + x + "), SUM(" + x + "*" + x + "), MIN(" + x +
               "), MAX(" + x + ")";
    }
    sql += " FROM [D] GROUP BY [g]";
    for (auto _ : state) {
        auto rs = db.OpenRecordset(sql, dbOpenSnapshot);
        if (!rs) {
            state.SkipWithError(rs.error().description.c_str());
            break;
        }
        double sum = 0, number;
        for (; !rs->Eof(); rs->MoveNext())
            if (rs->GetNumber(2, number)) sum += number;
        benchmark::DoNotOptimize(sum);
    }
    db.Close();
}

std::vector<double> randomValues() {
    std::mt19937_64 gen(7);
    std::normal_distribution<double> normal(100, 15);
    std::vector<double> v(static_cast<size_t>(kRows));
    for (double& x : v) x = normal(gen);
    return v;
}

// Arg: the budget in bytes (0 for none: all in memory).
void BM_SortTablePercentiles(benchmark::State& state) {
    const std::vector<double> values = randomValues();
    long runs = 0;
    for (auto _ : state) {
        SortBudget budget(
            state.range(0) ? static_cast<std::size_t>(state.range(0)) : SortBudget::kDefaultBytes,
            dir().path());
        SortTable t;
        t.UseBudget(&budget);
        for (double x : values)
            if (t.Append(1, x)) state.SkipWithError("append failed");
        std::vector<double> cuts;
        if (!t.CalcPercentiles(1, false, 100, num::Extended(static_cast<double>(kRows)), cuts)
                 .empty())
            state.SkipWithError("percentiles failed");
        benchmark::DoNotOptimize(cuts.data());
        runs = budget.Runs();
    }
    state.counters["spilled_runs"] = static_cast<double>(runs);
}

// The floor: copying the values and std::sort.
void BM_StdSort(benchmark::State& state) {
    const std::vector<double> values = randomValues();
    for (auto _ : state) {
        std::vector<double> v = values;
        std::sort(v.begin(), v.end());
        benchmark::DoNotOptimize(v.data());
    }
}

BENCHMARK(BM_Run)
    ->ArgsProduct({{1, 2, 3, 4}, {1, 0}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);
BENCHMARK(BM_LayerScan)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LayerScanWithGroupText)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_LayerGroupBy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StdSort)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SortTablePercentiles)
    ->Arg(0)
    ->Arg(1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
