// The data preparation every analysis relies on: the SELECT it builds, the
// missing-value rule as SQL and as a test, weights, group changes, table
// lookups, progress messages, the scratch database and output tables.
#include <unistd.h>

#include <cmath>
#include <filesystem>

#include "engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class SharedData : public EngineTest {
  protected:
    void pointAtData() {
        ASSERT_FALSE(engine.SetSourceDatabase(db));
        ASSERT_FALSE(engine.SetOutputDatabase(db));
    }
};

// Rows in the order the sorted walk reads them, as "group:X" texts.
std::vector<std::string> walkOrder(Quorvane& engine, const std::string& table) {
    std::vector<int> types;
    std::vector<long> sizes;
    std::vector<std::string> seen;
    if (engine.Quorvane_InitDataTable(table, {"Grp", "X"}, 1, types, sizes) != "") return seen;
    for (Recordset& rs = engine.DataRecordset(); !rs.Eof(); rs.MoveNext())
        seen.push_back(rs.GetValue(0).toText() + ":" + rs.GetValue(1).toText());
    return seen;
}

TEST_F(SharedData, InputRowsComeByGroupThenFirstFieldWhateverTheSpelling) {
    pointAtData();
    const std::vector<std::pair<const char*, double>> rows = {{"b", 2}, {"a", 9}, {"B", 1},
                                                              {"a", 3}, {"A", 5}, {"A", 3}};
    for (const auto& [g, x] : rows) addRow(g, x);
    // Texts differing in case are one group: its rows by X, the spelling
    // breaking ties only.
    EXPECT_EQ(walkOrder(engine, "Data"),
              (std::vector<std::string>{"A:3", "a:3", "A:5", "a:9", "B:1", "b:2"}));
    EXPECT_FALSE(engine.BinaryCompare()) << "the text column ignores case";
    EXPECT_FALSE(engine.DataRecordset().Updatable()) << "input rows are read-only";

    // With binary collation each spelling is a group: its rows together.
    TableDef t = db.CreateTableDef("Exact");
    Field grp("Grp", dbText, 5);
    grp.CollatingOrder = dbSortNeutral;
    t.AppendField(grp);
    t.AppendField(Field("X", dbDouble));
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_TRUE(db.Execute("INSERT INTO [Exact] SELECT [Grp], [X] FROM [Data]").ok());
    EXPECT_EQ(walkOrder(engine, "Exact"),
              (std::vector<std::string>{"A:3", "A:5", "a:3", "a:9", "B:1", "b:2"}));
    EXPECT_TRUE(engine.BinaryCompare());

    // The fields' types and sizes; and a list of group fields only.
    std::vector<int> types;
    std::vector<long> sizes;
    ASSERT_EQ(engine.Quorvane_InitDataTable("Data", {"Grp", "X", "W"}, 1, types, sizes), "");
    EXPECT_EQ(types, (std::vector<int>{dbText, dbDouble, dbDouble}));
    EXPECT_EQ(sizes, (std::vector<long>{10, 8, 8}));
    ASSERT_EQ(engine.Quorvane_InitDataTable("Exact", {"Grp", "X"}, 2, types, sizes), "");
    EXPECT_EQ(engine.DataRecordset().GetValue(0).toText(), "A");
}

TEST_F(SharedData, InputProblemsHaveClearTexts) {
    pointAtData();
    std::vector<int> types;
    std::vector<long> sizes;
    EXPECT_EQ(engine.Quorvane_InitDataTable("Data", {"X"}, 0, types, sizes),
              "No records found in Data");
    EXPECT_EQ(engine.Quorvane_InitDataTable("Data", {"Grp", "Nope"}, 1, types, sizes),
              "Field [Nope] not found in [Data].");
    ASSERT_FALSE(
        db.CreateQueryDef("qParam", "SELECT [X] FROM [Data] WHERE [X] > [Enter a minimum]"));
    addRow("a", 1.0);
    EXPECT_EQ(engine.Quorvane_InitDataTable("qParam", {"X"}, 0, types, sizes),
              "The selected query expects parameters and cannot be used by Lumvar.");
    EXPECT_FALSE(engine.DataRecordset().IsOpen()) << "no data recordset after a failure";
    EXPECT_EQ(engine.Quorvane_OpenDataRecordset("SELECT [X] FROM [Data]"), "");
    EXPECT_TRUE(engine.DataRecordset().IsOpen());
    EXPECT_NE(engine.Quorvane_OpenDataRecordset("SELECT [X] FROM [Nowhere]"), "");
}

TEST_F(SharedData, MissingValueRules) {
    setRule("0", {}, {}, {});
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "");
    EXPECT_TRUE(engine.Quorvane_DataOk_b(-1e300, false));

    setRule("1", -99.0, {}, {});
    EXPECT_EQ(engine.MissingRule(), "Equal");
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "([X] <> -99)");
    EXPECT_FALSE(engine.Quorvane_DataOk_b(-99, false));
    EXPECT_FALSE(engine.Quorvane_DataOk_b(-99, true));
    EXPECT_TRUE(engine.Quorvane_DataOk_b(-98.5, false));

    setRule("2", {}, {}, 10.0);
    EXPECT_EQ(engine.MissingRule(), "High");
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "([X] <= 10)");
    EXPECT_TRUE(engine.Quorvane_DataOk_b(10, false));
    EXPECT_FALSE(engine.Quorvane_DataOk_b(10.5, false));
    EXPECT_TRUE(engine.Quorvane_DataOk_b(10.5, true)) << "the equal-only test ignores ranges";

    setRule("2", {}, 0.125, {});
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "([X] >= 0.125)");
    EXPECT_FALSE(engine.Quorvane_DataOk_b(0.1, false));

    setRule("2", {}, -1.5, 2.5);
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "([X] Between -1.5 And 2.5)");
    EXPECT_TRUE(engine.Quorvane_DataOk_b(-1.5, false));
    EXPECT_TRUE(engine.Quorvane_DataOk_b(2.5, false));
    EXPECT_FALSE(engine.Quorvane_DataOk_b(2.5000001, false));

    // A range without bounds does not run, and leaves no rule of an
    // earlier run in force.
    ScenarioRow unbounded;
    unbounded.input = "RuleProbe";
    unbounded.output1 = "RuleProbeOut";
    unbounded.missingType = "2";
    EXPECT_FALSE(run(addScenario(unbounded)));
    EXPECT_EQ(engine.ErrorInfo(),
              "usysQuorvaneScenarios.MissingType='2': Missing required value (MissingLow, "
              "MissingHigh)");
    EXPECT_EQ(engine.MissingRule(), "");
    setRule("1", 0.1, {}, {});
    EXPECT_EQ(engine.Quorvane_DataWhere("[X]"), "([X] <> 0.1)");

    // The condition's numbers read back as the same doubles in a real query.
    pointAtData();
    addRow("a", 0.1);
    addRow("a", 0.30000000000000004);
    auto rs =
        db.OpenRecordset("SELECT Count(*) FROM [Data] WHERE " + engine.Quorvane_DataWhere("[X]"));
    EXPECT_EQ(rs->GetValue(0).asDouble(), 1);
}

TEST_F(SharedData, Weights) {
    EXPECT_EQ(engine.WeightOf(2.5), 2.5);
    EXPECT_EQ(engine.WeightOf(0.0), 0) << "a row of weight 0 is skipped";
    EXPECT_EQ(engine.WeightOf(-3.0), 0);
    EXPECT_EQ(engine.WeightOf(std::nan("")), 0);
    setRule("1", 2.5, {}, {});
    EXPECT_EQ(engine.WeightOf(2.5), 0) << "the ignored value is no weight";
    EXPECT_EQ(engine.WeightOf(3.0), 3.0);
    setRule("2", 1.0, 5.0, 9.0);
    EXPECT_EQ(engine.WeightOf(2.5), 2.5) << "a range rule does not apply to weights";
}

TEST_F(SharedData, GroupChangesAndValueEquality) {
    std::vector<Value> saved;
    EXPECT_FALSE(engine.Quorvane_SameRecords_b(2, false, saved, {Value("abc"), Value(1.0)}));
    EXPECT_FALSE(engine.Quorvane_SameRecords_b(2, true, saved, {Value("ABC"), Value(1)}))
        << "case ignored, 1 equals 1.0";
    EXPECT_TRUE(engine.Quorvane_SameRecords_b(2, true, saved, {Value("abd"), Value(1.0)}));
    EXPECT_TRUE(engine.Quorvane_SameRecords_b(2, true, saved, {Value("abc"), Value()}));
    std::vector<Value> nulls = {Value(), Value()};
    EXPECT_FALSE(engine.Quorvane_SameRecords_b(2, true, nulls, {Value(), Value()}));
    EXPECT_EQ(saved[0].toText(), "abc") << "a compare does not copy";

    EXPECT_TRUE(engine.Quorvane_SameValue(Value(), Value(), false));
    EXPECT_FALSE(engine.Quorvane_SameValue(Value(), Value(0.0), false));
    EXPECT_TRUE(engine.Quorvane_SameValue(Value("Abc"), Value("aBC"), false));
    EXPECT_TRUE(engine.Quorvane_SameValue(Value(2), Value(2.0), true));

    // A text column with binary collation makes group compares exact.
    TableDef t = db.CreateTableDef("Exact");
    Field code("Code", dbText, 5);
    code.CollatingOrder = dbSortNeutral;
    t.AppendField(code);
    ASSERT_FALSE(db.AppendTableDef(t));
    ASSERT_TRUE(db.Execute("INSERT INTO [Exact] ([Code]) VALUES ('x')").ok());
    pointAtData();
    std::vector<int> ty;
    std::vector<long> sz;
    ASSERT_EQ(engine.Quorvane_InitDataTable("Exact", {"Code"}, 0, ty, sz), "");
    EXPECT_TRUE(engine.BinaryCompare());
    std::vector<Value> g = {Value("abc")};
    EXPECT_TRUE(engine.Quorvane_SameRecords_b(1, true, g, {Value("ABC")}));
    EXPECT_FALSE(engine.Quorvane_SameValue(Value("Abc"), Value("aBC"), false));
    EXPECT_TRUE(engine.Quorvane_SameValue(Value("Abc"), Value("aBC"), true));
}

TEST_F(SharedData, TablesQueriesAndFields) {
    ASSERT_FALSE(db.CreateQueryDef("qAll", "SELECT * FROM [Data]"));
    EXPECT_EQ(engine.Quorvane_UTIL_TableOrQuery(db, "Data"), 0);
    EXPECT_EQ(engine.Quorvane_UTIL_TableOrQuery(db, "qall"), 1);
    EXPECT_EQ(engine.Quorvane_UTIL_TableOrQuery(db, "Neither"), -99);
    EXPECT_FALSE(engine.ErrorHandler().HasError()) << "a name of neither is no error";
}

TEST_F(SharedData, ProgressMessages) {
    std::vector<std::string> seen;
    engine.OnStatStatus([&](const std::string& m) { seen.push_back(m); });
    engine.Quorvane_Msg(0, false, "Analyzing records");
    EXPECT_TRUE(seen.empty()) << "nothing without progress on";
    engine.SetShowProgress(true);
    engine.Quorvane_Msg(0, false, "Retrieving and sorting data");
    for (long r = 1; r <= 12; ++r) engine.Quorvane_Msg(r, r == 12, "");
    engine.Quorvane_Msg(3, false, "Writing");
    engine.Quorvane_Msg(10, false, "Writing");
    EXPECT_EQ(seen, (std::vector<std::string>{"Retrieving and sorting data...",
                                              "Analyzing record: 5", "Analyzing record: 10",
                                              "Analyzing record: 12", "Writing"}));
}

TEST_F(SharedData, OutputTablesAppearWholeOrNotAtAll) {
    pointAtData();
    auto makeDef = [&](const char* name) {
        TableDef def = db.CreateTableDef(name);
        int ordinal = 1;
        engine.AddTableField(def, "DataField", dbText, ordinal, 64);
        engine.AddTableField(def, "Count", dbDouble, ordinal, 0);
        EXPECT_EQ(ordinal, 3);
        EXPECT_EQ(def.Fields()[0].Size, 64);
        return def;
    };
    // An existing table of the same name is refused unless it was dropped first.
    TableDef old = makeDef("Result");
    ASSERT_FALSE(db.AppendTableDef(old));
    ASSERT_TRUE(db.Execute("INSERT INTO [Result] ([DataField]) VALUES ('old')").ok());
    TableDef clash = makeDef("Result");
    EXPECT_EQ(engine.Quorvane_CreateTable(clash, true), "Table 'Result' already exists.");

    // Written under a working name while the run lasts.
    engine.Quorvane_DeleteTable(false, "Result");
    TableDef fresh = makeDef("Result");
    ASSERT_EQ(engine.Quorvane_CreateTable(fresh, true), "");
    EXPECT_EQ(fresh.Name, "Result");
    Recordset& out = engine.OutputRecordset();
    ASSERT_TRUE(out.IsOpen());
    out.AddNew();
    out.Collect("DataField", "new");
    ASSERT_FALSE(out.Update());
    EXPECT_NE(engine.WorkingTableName("Result"), "Result");
    auto visible = db.OpenRecordset("SELECT [DataField] FROM [Result]");
    EXPECT_EQ(visible->GetValue(0).toText(), "old") << "the old table stands until the end";
    // SQLite drops no table while a statement reads on the same connection.
    visible->Close();
    out.Close();

    // A failed run (here the engine is destroyed mid-way) leaves the old table and no working one.
    const std::string working = engine.WorkingTableName("Result");
    {
        Quorvane other;
        ASSERT_FALSE(other.SetOutputDatabase(db));
        other.Quorvane_DeleteTable(false, "Result");
        TableDef t = makeDef("Result");
        ASSERT_EQ(other.Quorvane_CreateTable(t, false), "");
        EXPECT_TRUE(db.GetTableDef(other.WorkingTableName("Result")).ok());
    }
    // A second output comes back open: its rows go to its own working table.
    TableDef detail = makeDef("Detail");
    auto second = engine.CreateOutputTable(detail);
    ASSERT_TRUE(second.ok()) << second.error().description;
    ASSERT_FALSE(second->AddNew());
    second->Collect("DataField", "detail row");
    ASSERT_FALSE(second->Update());
    second->Close();
    auto detailRows =
        db.OpenRecordset("SELECT [DataField] FROM [" + engine.WorkingTableName("Detail") + "]");
    ASSERT_TRUE(detailRows.ok());
    EXPECT_EQ(detailRows->GetValue(0).toText(), "detail row");
    detailRows->Close();
    EXPECT_FALSE(db.GetTableDef("Detail").ok()) << "not under its name before the run ends";

    std::vector<std::string> names = db.TableDefNames(true);
    EXPECT_EQ(std::count_if(names.begin(), names.end(), Quorvane::IsWorkingTableName), 2)
        << "only the first engine's working tables remain";
    EXPECT_EQ(db.OpenRecordset("SELECT [DataField] FROM [Result]")->GetValue(0).toText(), "old");
}

TEST_F(SharedData, ScratchDatabasesAreUniqueAndCleanedUp) {
    Quorvane a, b;
    ASSERT_TRUE(a.Quorvane_UTIL_MakeTempDB());
    ASSERT_TRUE(b.Quorvane_UTIL_MakeTempDB());
    EXPECT_NE(a.ScratchPath(), b.ScratchPath()) << "two engines side by side";
    EXPECT_TRUE(std::filesystem::exists(a.ScratchPath()));
    const std::string name = std::filesystem::path(a.ScratchPath()).filename().string();
    EXPECT_EQ(name.substr(0, 3), "qrv");

    // A scratch table, dropped.
    TableDef t = a.ScratchDatabase().CreateTableDef("statTemp1");
    t.AppendField(Field("X", dbDouble));
    ASSERT_FALSE(a.ScratchDatabase().AppendTableDef(t));
    a.Quorvane_DeleteTable(true, "statTemp1");
    EXPECT_FALSE(a.ScratchDatabase().GetTableDef("statTemp1").ok());

    // Making it again replaces the file of this engine.
    const std::string path = a.ScratchPath();
    ASSERT_TRUE(a.Quorvane_UTIL_MakeTempDB());
    EXPECT_EQ(a.ScratchPath(), path);
    EXPECT_TRUE(a.ScratchDatabase().TableDefNames().empty());
}

TEST_F(SharedData, StaleScratchFileOfACrashedRunIsRemoved) {
    // A process id that cannot be running: beyond the kernel's limit.
    const std::string stale =
        (std::filesystem::temp_directory_path() / "qrv4194305_1a2b.tmp").string();
    writeBytes(stale, "left by a crashed run");
    const std::string live =
        (std::filesystem::temp_directory_path() / ("qrv" + std::to_string(::getpid()) + "_99.tmp"))
            .string();
    writeBytes(live, "another engine of a live process");
    Quorvane e;
    ASSERT_TRUE(e.Quorvane_UTIL_MakeTempDB());
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live)) << "a live process keeps its file";
    std::filesystem::remove(live);
}

TEST_F(SharedData, RunsLeaveNoScratchFile) {
    addRow("a", 1.0);
    const auto id = addScenario(ScenarioRow{});
    std::string scratch;
    engine.OnRunScenarioBegin([&] {
        engine.Quorvane_UTIL_MakeTempDB();  // as an analysis would, mid-run
        scratch = engine.ScratchPath();
    });
    ASSERT_TRUE(run(id));
    ASSERT_FALSE(scratch.empty());
    EXPECT_FALSE(std::filesystem::exists(scratch));
}

}  // namespace
}  // namespace qrv::test

namespace qrv::test {
namespace {

using namespace qrv::dao;

class OutputSwap : public EngineTest {
  protected:
    // During each run, writes a one-row "Result" table the way an analysis does,
    // holding "run N" for the N-th run.
    void writeResultDuringRun() {
        engine.OnRunScenarioBegin([this] {
            const std::string text = "run " + std::to_string(++runs);
            engine.Quorvane_DeleteTable(false, "Result");
            TableDef def = db.CreateTableDef("Result");
            int ordinal = 1;
            engine.AddTableField(def, "DataField", dbText, ordinal, 64);
            ASSERT_EQ(engine.Quorvane_CreateTable(def, true), "");
            engine.OutputRecordset().AddNew();
            engine.OutputRecordset().Collect("DataField", text);
            ASSERT_FALSE(engine.OutputRecordset().Update());
        });
    }
    std::string result() {
        auto rs = db.OpenRecordset("SELECT [DataField] FROM [Result]");
        return rs ? rs->GetValue(0).toText() : "(" + rs.error().description + ")";
    }
    int runs = 0;
    size_t workingTables() {
        size_t n = 0;
        for (const std::string& t : db.TableDefNames(true)) n += Quorvane::IsWorkingTableName(t);
        return n;
    }
};

TEST_F(OutputSwap, CleanRunPutsTheNewTableInPlace) {
    ASSERT_FALSE(engine.SetScenarioDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    addRow("a", 1.0);
    const auto id = addScenario(ScenarioRow{});
    writeResultDuringRun();
    ASSERT_TRUE(engine.RunScenario(id)) << engine.ErrorInfo();
    EXPECT_EQ(result(), "run 1");
    ASSERT_TRUE(engine.RunScenario(id)) << "replacing it works as well: " << engine.ErrorInfo();
    EXPECT_EQ(result(), "run 2");
    EXPECT_EQ(workingTables(), 0u);
}

TEST_F(OutputSwap, RecreatingAnOutputWhileTheInputIsReadWorks) {
    ASSERT_FALSE(engine.SetScenarioDatabase(db));
    ASSERT_FALSE(engine.SetSourceDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    addRow("a", 1.0);
    addRow("b", 2.0);
    ScenarioRow s;
    engine.OnRunScenarioBegin([this] {
        // The input stays open (mid-walk) while the same output is made twice.
        ASSERT_EQ(engine.Quorvane_OpenDataRecordset("SELECT [X] FROM [Data]"), "");
        for (int i = 0; i < 2; ++i) {
            engine.Quorvane_DeleteTable(false, "Twice");
            TableDef def = db.CreateTableDef("Twice");
            int ordinal = 1;
            engine.AddTableField(def, "N", dbDouble, ordinal, 0);
            ASSERT_EQ(engine.Quorvane_CreateTable(def, false), "") << "attempt " << i;
        }
    });
    ASSERT_TRUE(engine.RunScenario(addScenario(s))) << engine.ErrorInfo();
    EXPECT_TRUE(db.GetTableDef("Twice").ok());
    EXPECT_EQ(workingTables(), 0u);
}

TEST_F(OutputSwap, FailedRunKeepsTheOldTable) {
    ASSERT_FALSE(engine.SetScenarioDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    addRow("a", 1.0);
    ScenarioRow ok;
    writeResultDuringRun();
    ASSERT_TRUE(engine.RunScenario(addScenario(ok)));
    ScenarioRow bad;
    bad.input = "NotThere";
    EXPECT_FALSE(engine.RunScenario(addScenario(bad)));
    EXPECT_EQ(engine.ErrorInfo(), "Data Table [NotThere] not found.");
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(result(), "run 1");
    EXPECT_EQ(workingTables(), 0u) << "the half-made table is gone";
}

}  // namespace
}  // namespace qrv::test
