// Appending and reading 1,000,000 rows of five doubles through the
// recordset layer, each beside the same work done with SQLite's C API.
// Targets: append within 1.5x and read within 1.3x of the plain calls.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdio>
#include <string>

#include "dataaccess/dataaccess.h"
#include "support/temp_dir.h"

namespace {

using namespace qrv::dao;

constexpr int kRows = 1'000'000;
const char* const kNames[] = {"X1", "X2", "X3", "X4", "X5"};

qrv::test::TempDir& scratchDir() {
    static qrv::test::TempDir dir;
    return dir;
}

std::string freshPath(const char* name) {
    std::string p = scratchDir().file(name);
    std::remove(p.c_str());
    return p;
}

double valueOf(int row, int col) { return row * 0.5 + col * 0.25; }

Database createFiveDoubleTable(const std::string& path) {
    Database db = *DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    TableDef t = db.CreateTableDef("T");
    for (const char* n : kNames) t.AppendField(Field(n, dbDouble));
    db.AppendTableDef(t);
    return db;
}

void BM_Append_Recordset(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Database db = createFiveDoubleTable(freshPath("append_rs.db"));
        state.ResumeTiming();
        auto rs = db.OpenRecordset("T", dbOpenTable);
        db.BeginTrans();
        for (int r = 0; r < kRows; ++r) {
            rs->AddNew();
            for (int c = 0; c < 5; ++c) rs->Collect(kNames[c], valueOf(r, c));
            rs->Update();
        }
        db.CommitTrans();
        rs->Close();
        db.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Append_RawSqlite(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        createFiveDoubleTable(freshPath("append_raw.db")).Close();
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open(scratchDir().file("append_raw.db").c_str(), &db);
        sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "INSERT INTO T (X1, X2, X3, X4, X5) VALUES (?, ?, ?, ?, ?)", -1,
                           &st, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < 5; ++c) sqlite3_bind_double(st, c + 1, valueOf(r, c));
            sqlite3_step(st);
            sqlite3_reset(st);
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

const std::string& readPath() {
    static const std::string path = [] {
        std::string p = freshPath("read.db");
        Database db = createFiveDoubleTable(p);
        auto rs = db.OpenRecordset("T", dbOpenTable);
        db.BeginTrans();
        for (int r = 0; r < kRows; ++r) {
            rs->AddNew();
            for (int c = 0; c < 5; ++c) rs->SetValue(c, valueOf(r, c));
            rs->Update();
        }
        db.CommitTrans();
        db.Close();
        return p;
    }();
    return path;
}

void BM_Read_Dynaset(benchmark::State& state) {
    const std::string& path = readPath();
    for (auto _ : state) {
        Database db = *DBEngine::Instance().OpenDatabase(path);
        auto rs = db.OpenRecordset("SELECT [X1], [X2], [X3], [X4], [X5] FROM [T]", dbOpenDynaset,
                                   dbReadOnly | dbSeeChanges);
        double sum = 0;
        for (; !rs->Eof(); rs->MoveNext())
            for (int c = 0; c < 5; ++c) sum += rs->GetValue(c).asDouble();
        benchmark::DoNotOptimize(sum);
        db.Close();
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

void BM_Read_RawSqlite(benchmark::State& state) {
    const std::string& path = readPath();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA cache_size=-16384", nullptr, nullptr, nullptr);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT X1, X2, X3, X4, X5 FROM T", -1, &st, nullptr);
        double sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW)
            for (int c = 0; c < 5; ++c)
                if (sqlite3_column_type(st, c) != SQLITE_NULL) sum += sqlite3_column_double(st, c);
        benchmark::DoNotOptimize(sum);
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    state.SetItemsProcessed(state.iterations() * kRows);
}

BENCHMARK(BM_Append_Recordset)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Append_RawSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_Read_Dynaset)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Read_RawSqlite)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
