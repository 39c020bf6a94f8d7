// Analyses over 1,000,000 rows (a 10-level group field, four doubles and a
// weight), each beside the plain SQLite work it is held against:
// - Describe (range, variance, sums of 4 fields by group) within 1.5x of
//   SQLite's own GROUP BY with the same sums;
// - Percentiles within 2x of reading the rows in order plus sorting in memory;
// - Describe with progress events on, to show they do not dominate.
// Peak memory is reported, to show it does not grow with the rows.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "dataaccess/dataaccess.h"
#include "engine/quorvane.h"
#include "scenario/scenario_tables.h"
#include "support/temp_dir.h"

namespace {

using namespace qrv;
using namespace qrv::dao;

long peakRssKb() {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    return 0;
}

qrv::test::TempDir& dir() {
    static qrv::test::TempDir d;
    return d;
}

// The data file for a row count, built once: table T (g, x1..x4, w) and a
// scenario 1 (Describe) and 2 (Percentiles) over it.
const std::string& dataFile(long rows) {
    static std::map<long, std::string> files;
    auto it = files.find(rows);
    if (it != files.end()) return it->second;
    const std::string path = dir().file("rows" + std::to_string(rows) + ".db");
    Database db = *DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    scenario::StoreContext ctx{db, nullptr, nullptr};
    scenario::CreateScenarioTables(ctx);
    TableDef t = db.CreateTableDef("T");
    for (Field f : {Field("g", dbText, 10), Field("x1", dbDouble), Field("x2", dbDouble),
                    Field("x3", dbDouble), Field("x4", dbDouble), Field("w", dbDouble)})
        t.AppendField(f);
    db.AppendTableDef(t);
    std::mt19937_64 gen(42);
    std::uniform_real_distribution<double> u(0, 1000);
    auto rs = db.OpenRecordset("T", dbOpenTable);
    db.BeginTrans();
    for (long r = 0; r < rows; ++r) {
        rs->AddNew();
        rs->SetValue(0, "G" + std::to_string(gen() % 10));
        for (int c = 1; c <= 4; ++c) rs->SetValue(c, u(gen));
        rs->SetValue(5, 1.0 + static_cast<double>(gen() % 3));
        rs->Update();
    }
    db.CommitTrans();
    const char* scenarios[] = {"Describe", "Percentiles"};
    for (int id = 1; id <= 2; ++id) {
        db.Execute(std::string("INSERT INTO [usysQuorvaneScenarios] ([Scenario_Description], "
                               "[Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
                               "[Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
                               "[Scenario_Version], [Scenario_CreatedBy], [Scenario_ModifiedBy], "
                               "[MissingType], [PageLockField1], [PageLockField2], "
                               "[PageLockField3], [PageLockField4]) VALUES ('bench', 'P', '") +
                   scenarios[id - 1] + "', 'T', 'Out" + std::to_string(id) +
                   "', 'V5', 'a', 'a', '0', ' ', ' ', ' ', ' ')");
        db.Execute(
            "INSERT INTO [usysQuorvaneOptions] ([Scenario_ID], [Range], [VarStd], [Sum], "
            "[PercentileRadio]) VALUES (" +
            std::to_string(id) + ", True, True, True, 'Percentiles')");
        int pos = 1;
        for (auto [name, role] :
             {std::pair{"g", "G"}, {"x1", "X"}, {"x2", "X"}, {"x3", "X"}, {"x4", "X"}, {"w", "W"}})
            db.Execute("INSERT INTO [usysQuorvaneFields] VALUES (" + std::to_string(id) + ", '" +
                       name + "', " + std::to_string(pos++) + ", '" + role + "')");
    }
    db.Close();
    return files[rows] = path;
}

void runScenario(benchmark::State& state, int scenario, bool progress) {
    const std::string& path = dataFile(state.range(0));
    long messages = 0;
    for (auto _ : state) {
        Quorvane engine;
        engine.OnStatStatus([&](const std::string&) { ++messages; });
        RunScenarioArgs args;
        args.ScenarioDb = path;
        args.ShowProgress = progress;
        if (!engine.RunScenario(scenario, args)) state.SkipWithError(engine.ErrorInfo().c_str());
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
    state.counters["peak_rss_MB"] = peakRssKb() / 1024.0;
    if (progress) state.counters["messages"] = static_cast<double>(messages / state.iterations());
}

void BM_Describe(benchmark::State& state) {
    runScenario(state, 1, false);
}
void BM_Describe_Progress(benchmark::State& state) {
    runScenario(state, 1, true);
}
void BM_Percentiles(benchmark::State& state) {
    runScenario(state, 2, false);
}

sqlite3* openRaw(const std::string& path) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
    return db;
}

void BM_Sqlite_GroupBySums(benchmark::State& state) {
    const std::string& path = dataFile(state.range(0));
    for (auto _ : state) {
        sqlite3* db = openRaw(path);
        sqlite3_stmt* st = nullptr;
        std::string sql = "SELECT g, count(*), sum(w)";
        for (int c = 1; c <= 4; ++c) {
            std::string x = "x";
            x += std::to_string(c);
            sql += ", count(" + x + "), sum(w*" + x + "), sum(w*" + x + "*" + x + "), min(" + x +
                   "), max(" + x + ")";
        }
        sql += " FROM T GROUP BY g";
        sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
        double check = 0;
        while (sqlite3_step(st) == SQLITE_ROW) check += sqlite3_column_double(st, 4);
        benchmark::DoNotOptimize(check);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
}

void BM_Sqlite_OrderedReadAndSort(benchmark::State& state) {
    const std::string& path = dataFile(state.range(0));
    for (auto _ : state) {
        sqlite3* db = openRaw(path);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT g, x1, x2, x3, x4, w FROM T ORDER BY g, x1", -1, &st,
                           nullptr);
        std::string group;
        std::vector<double> values[4];
        double check = 0;
        auto finish = [&] {
            for (auto& v : values) {
                std::sort(v.begin(), v.end());
                if (!v.empty()) check += v[v.size() / 2];
                v.clear();
            }
        };
        while (sqlite3_step(st) == SQLITE_ROW) {
            const char* g = reinterpret_cast<const char*>(sqlite3_column_text(st, 0));
            if (group != g) {
                finish();
                group = g;
            }
            for (int c = 0; c < 4; ++c) values[c].push_back(sqlite3_column_double(st, c + 1));
        }
        finish();
        benchmark::DoNotOptimize(check);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.counters["rows"] = static_cast<double>(state.range(0));
}

BENCHMARK(BM_Sqlite_GroupBySums)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Describe)->Arg(250'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Describe_Progress)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Sqlite_OrderedReadAndSort)
    ->Arg(1'000'000)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(BM_Percentiles)->Arg(1'000'000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
