// Two engine objects running side by side on separate threads share only the
// process-wide DBEngine: each keeps its own databases, scratch file and
// output tables.
#include <filesystem>
#include <thread>

#include "engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Builds a database with the scenario tables, rows and one scenario that
// writes an output table, runs it n times and reports what went wrong.
std::string workload(const std::string& path, int runs) {
    auto db = DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
    if (!db) return db.error().description;
    scenario::StoreContext ctx{*db, nullptr, nullptr};
    if (!scenario::CreateScenarioTables(ctx)) return "scenario tables";
    if (!db->Execute("INSERT INTO [usysQuorvaneScenarios] ([Scenario_Description], "
                     "[Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
                     "[Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
                     "[Scenario_Version], [Scenario_CreatedBy], [Scenario_ModifiedBy], "
                     "[MissingType], [PageLockField1], [PageLockField2], [PageLockField3], "
                     "[PageLockField4]) VALUES ('p', 'P', 'Describe', 'usysQuorvaneFields', 'Summary', "
                     "'V5', 'a', 'a', '0', ' ', ' ', ' ', ' ')")
             .ok() ||
        !db->Execute("INSERT INTO [usysQuorvaneOptions] ([Scenario_ID]) VALUES (1)").ok() ||
        !db->Execute("INSERT INTO [usysQuorvaneFields] VALUES (1, 'Scenario_ID', 1, 'X')").ok())
        return "scenario rows";
    Quorvane engine;
    engine.ErrorHandler().SetDestination(path + ".log");
    std::string scratch;
    engine.OnRunScenarioBegin([&] {
        if (!engine.Quorvane_UTIL_MakeTempDB()) return;
        scratch = engine.ScratchPath();
        engine.Quorvane_DeleteTable(false, "Out");
        TableDef def = db->CreateTableDef("Out");
        int ordinal = 1;
        engine.AddTableField(def, "N", dbDouble, ordinal, 0);
        engine.Quorvane_CreateTable(def, true);
        for (int i = 0; i < 200; ++i) {
            engine.OutputRecordset().AddNew();
            engine.OutputRecordset().Collect("N", i);
            engine.OutputRecordset().Update();
        }
    });
    if (engine.SetScenarioDatabase(*db) || engine.SetOutputDatabase(*db))
        return "setting databases";
    for (int r = 0; r < runs; ++r)
        if (!engine.RunScenario(1)) return engine.ErrorInfo();
    if (std::filesystem::exists(scratch)) return "scratch file left behind";
    auto count = db->OpenRecordset("SELECT Count(*) FROM [Out]");
    if (!count || count->GetValue(0).asDouble() != 200) return "output table incomplete";
    return {};
}

TEST(ParallelEngines, RunSideBySideWithoutSharingState) {
    TempDir dir;
    std::string a, b;
    std::thread ta([&] { a = workload(dir.file("a.db"), 5); });
    std::thread tb([&] { b = workload(dir.file("b.db"), 5); });
    ta.join();
    tb.join();
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "");
}

}  // namespace
}  // namespace qrv::test

namespace qrv::test {
namespace {

using namespace qrv::dao;

// Two engines, each with its own connection, run scenarios of one database
// file at the same time: reading the same input and writing output tables
// into the same file.
TEST(ParallelEngines, RunOnTheSameFileAtTheSameTime) {
    TempDir dir;
    const std::string path = dir.file("shared.db");
    {
        Database db = *DBEngine::Instance().CreateDatabase(path, dbLangGeneral);
        scenario::StoreContext ctx{db, nullptr, nullptr};
        ASSERT_TRUE(scenario::CreateScenarioTables(ctx));
        TableDef t = db.CreateTableDef("Data");
        t.AppendField(Field("G", dbLong));
        t.AppendField(Field("X", dbDouble));
        ASSERT_FALSE(db.AppendTableDef(t));
        auto rs = db.OpenRecordset("Data");
        db.BeginTrans();
        for (int i = 0; i < 60000; ++i) {
            rs->AddNew();
            rs->SetValue(0, i % 7);
            rs->SetValue(1, i * 0.5);
            rs->Update();
        }
        db.CommitTrans();
        for (int id = 1; id <= 2; ++id) {
            ASSERT_TRUE(db.Execute("INSERT INTO [usysQuorvaneScenarios] ([Scenario_Description], "
                                   "[Scenario_Analysis_Type], [Scenario_Analysis_SubType], "
                                   "[Scenario_Input_Table_Name], [Scenario_Output_Table1_Name], "
                                   "[Scenario_Version], [Scenario_CreatedBy], "
                                   "[Scenario_ModifiedBy], [MissingType], [PageLockField1], "
                                   "[PageLockField2], [PageLockField3], [PageLockField4]) VALUES "
                                   "('p', 'P', '" +
                                   std::string(id == 1 ? "Describe" : "Percentiles") +
                                   "', 'Data', 'Out" + std::to_string(id) +
                                   "', 'V5', 'a', 'a', '0', ' ', ' ', ' ', ' ')")
                            .ok());
            ASSERT_TRUE(db.Execute("INSERT INTO [usysQuorvaneOptions] ([Scenario_ID]) VALUES (" +
                                   std::to_string(id) + ")")
                            .ok());
            ASSERT_TRUE(db.Execute("INSERT INTO [usysQuorvaneFields] VALUES (" +
                                   std::to_string(id) + ", 'G', 1, 'G')")
                            .ok());
            ASSERT_TRUE(db.Execute("INSERT INTO [usysQuorvaneFields] VALUES (" +
                                   std::to_string(id) + ", 'X', 2, 'X')")
                            .ok());
        }
        db.Close();
    }
    auto worker = [&](int id, std::string& failure) {
        Quorvane engine;
        engine.ErrorHandler().SetDestination(path + ".log");
        RunScenarioArgs args;
        args.ScenarioDb = path;  // a connection of its own
        for (int r = 0; r < 3 && failure.empty(); ++r)
            if (!engine.RunScenario(id, args)) failure = engine.ErrorInfo();
    };
    std::string a, b;
    std::thread ta([&] { worker(1, a); });
    std::thread tb([&] { worker(2, b); });
    ta.join();
    tb.join();
    EXPECT_EQ(a, "");
    EXPECT_EQ(b, "");
    Database db = *DBEngine::Instance().OpenDatabase(path);
    EXPECT_EQ(db.OpenRecordset("SELECT Count(*) FROM [Out1]")->GetValue(0).asDouble(), 7);
    EXPECT_EQ(db.OpenRecordset("SELECT Count(*) FROM [Out2]")->GetValue(0).asDouble(), 7);
}

}  // namespace
}  // namespace qrv::test
