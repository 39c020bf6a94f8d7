// The RunScenario pipeline: its events, the restore of databases after a run,
// loading, role checks, the failure texts of every path, and that a failed
// run changes nothing it should not.
#include <sys/stat.h>

#include <filesystem>
#include <tuple>

#include "dataaccess/dialect/sql_dialect.h"
#include "engine_fixture.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;
using Fields = std::vector<std::pair<std::string, std::string>>;

class RunPipeline : public EngineTest {
  protected:
    // Registers handlers that record the events of a run in order.
    void recordEvents() {
        engine.OnRunScenarioBegin([this] { events.push_back("begin"); });
        engine.OnStatStatus([this](const std::string& m) { events.push_back("status:" + m); });
        engine.OnRunScenarioComplete([this](bool& ok, std::string& error) {
            events.push_back(std::string("complete:") + (ok ? "ok" : "fail") + ":" + error);
        });
    }
    std::vector<std::string> events;
};

TEST_F(RunPipeline, NoScenarioDatabaseStillRaisesBothEvents) {
    recordEvents();
    EXPECT_FALSE(engine.RunScenario(1));
    EXPECT_EQ(engine.ErrorInfo(), "Scenario database property not assigned or opened");
    EXPECT_EQ(events,
              (std::vector<std::string>{
                  "begin", "complete:fail:Scenario database property not assigned or opened"}));
}

TEST_F(RunPipeline, MissingScenarioAndMissingFields) {
    EXPECT_FALSE(run(99));
    EXPECT_EQ(engine.ErrorInfo(), "Scenario not found");
    ScenarioRow noFields;
    noFields.fields.clear();
    EXPECT_FALSE(run(addScenario(noFields)));
    EXPECT_EQ(engine.ErrorInfo(), "No fields found for this scenario");
    ScenarioRow noOptions;
    noOptions.withOptions = false;
    EXPECT_FALSE(run(addScenario(noOptions)));
    EXPECT_EQ(engine.ErrorInfo(), "Scenario not found")
        << "the options row is part of the scenario";
}

TEST_F(RunPipeline, DatabaseArgumentsHoldForOneRunOnly) {
    const std::string other = dir.file("other.db");
    DBEngine::Instance().CreateDatabase(other, dbLangGeneral)->Close();
    addRow("a", 1.0);
    const auto id = addScenario(ScenarioRow{});
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.OutputDb = other;  // a path: opened for this run
    EXPECT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
    EXPECT_FALSE(engine.ScenarioDatabase().IsOpen());
    EXPECT_FALSE(engine.OutputDatabase().IsOpen());

    ASSERT_FALSE(engine.SetScenarioDatabase(db));
    EXPECT_TRUE(engine.RunScenario(id));
    EXPECT_TRUE(engine.ScenarioDatabase() == db);
    EXPECT_FALSE(engine.SourceDatabase().IsOpen()) << "defaults of a run are not kept";
    EXPECT_EQ(engine.ScenarioTbl(), "USysQuorvaneScenarios");
}

TEST_F(RunPipeline, CompletionHandlerDecidesTheResult) {
    addRow("a", 1.0);
    const auto id = addScenario(ScenarioRow{});
    engine.OnRunScenarioComplete([](bool& ok, std::string&) { ok = false; });
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo(), "") << "no failure text, yet a false result";
}

TEST_F(RunPipeline, RoleChecks) {
    struct Case {
        const char* category;
        const char* subtype;
        std::vector<std::pair<std::string, std::string>> fields;
        const char* message;
    } cases[] = {
        {"N", "Chi-Square", {{"X", "X"}}, "At least one Compare field required"},
        {"P", "Compare", {{"X", "X"}}, "Y Field must be assigned"},
        {"P", "Regression", {{"Y", "Y"}}, "At least one X field must be assigned"},
        {"P", "Describe", {{"Grp", "G"}, {"W", "W"}}, "At least one X field must be assigned"},
        {"G", "ANOVA", {{"Grp", "G"}}, "At least one X field must be assigned"},
    };
    for (const Case& c : cases) {
        ScenarioRow s;
        s.category = c.category;
        s.subtype = c.subtype;
        s.fields = c.fields;
        EXPECT_FALSE(run(addScenario(s))) << c.subtype;
        EXPECT_EQ(engine.ErrorInfo(), c.message) << c.subtype;
    }
}

TEST_F(RunPipeline, FieldListOrderAndCrosstabStar) {
    addRow("a", 1.0, 2.0, 1.0);
    ScenarioRow s;
    s.subtype = "Regression";
    s.output2 = "Out2";
    s.fields = {{"W", "W"}, {"Y", "Y"}, {"X", "X"}, {"Grp", "G"}};
    run(addScenario(s));  // one row is too few to fit; the list is made before
    EXPECT_EQ(engine.FieldNames(), (std::vector<std::string>{"Grp", "X", "Y", "W"}));
    EXPECT_EQ(engine.GroupCount(), 1);
    EXPECT_EQ(engine.CompareCount(), 0);
    EXPECT_EQ(engine.XCount(), 1);
    EXPECT_TRUE(engine.HasY());
    EXPECT_TRUE(engine.HasWeight());
    ASSERT_TRUE(db.Execute("DELETE FROM [Data]").ok());

    ScenarioRow c;
    c.subtype = "Crosstab";
    c.fields = {{"W", "W"}, {"X", "X"}, {"Grp", "G"}, {"Y", "C"}};
    run(addScenario(c));
    EXPECT_EQ(engine.FieldNames(), (std::vector<std::string>{"Grp", "Y", "X", "W"}));
    EXPECT_EQ(engine.CompareCount(), 1);

    ScenarioRow x;
    x.subtype = "crosstab";  // subtypes compare without regard to case
    x.fields = {{"Grp", "G"}, {"Y", "C"}};
    EXPECT_FALSE(run(addScenario(x)));
    EXPECT_EQ(engine.FieldNames(), (std::vector<std::string>{"Grp", "Y", "*"}));
    // The crosstab itself then finds no column values in the empty table.
    EXPECT_EQ(engine.ErrorInfo(), "Column field must have at least one value");
}

TEST_F(RunPipeline, InputMustExist) {
    ScenarioRow s;
    s.input = "Gone";
    EXPECT_FALSE(run(addScenario(s)));
    EXPECT_EQ(engine.ErrorInfo(), "Data Table [Gone] not found.");
    ASSERT_FALSE(db.CreateQueryDef("qData", "SELECT * FROM [Data]"));
    addRow("a", 1.0);
    s.input = "qData";
    EXPECT_TRUE(run(addScenario(s))) << "a stored query is a valid input";
    // The override replaces the stored input for every later run.
    s.input = "Data";
    const auto id = addScenario(s);
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.SourceTableName = "Missing";
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), "Data Table [Missing] not found.");
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.SourceTableName(), "Missing");
}

TEST_F(RunPipeline, AnInputQueryWithParametersIsRefusedByName) {
    // A query naming something that is not a field asks for a parameter;
    // every kind of analysis refuses it with the same text, written into the
    // input's own database or not, and writes nothing.
    addRow("a", 1.0, 2.0);
    ASSERT_FALSE(db.CreateQueryDef("qParam", "SELECT * FROM [Data] WHERE [X] > [Enter a minimum]"));
    const std::string message =
        "The selected query expects parameters and cannot be used by Lumvar.";
    const std::vector<std::tuple<std::string, std::string, Fields>> kinds = {
        {"P", "Describe", {{"X", "X"}}},
        {"N", "Chi-Square", {{"Grp", "C"}}},
        {"N", "N Sample", {{"Grp", "C"}, {"X", "X"}}},
        {"N", "Paired Fields", {{"X", "X"}, {"Y", "Y"}}},
        {"G", "ANOVA", {{"Grp", "G"}, {"X", "X"}}}};
    for (const auto& [category, subtype, fields] : kinds) {
        SCOPED_TRACE(subtype);
        ScenarioRow s;
        s.category = category;
        s.subtype = subtype;
        s.input = "qParam";
        s.fields = fields;
        EXPECT_FALSE(run(addScenario(s)));
        EXPECT_EQ(engine.ErrorInfo(), message);
        EXPECT_FALSE(db.GetTableDef("Out1").ok());
    }
    // Into another database the output check does not read the query.
    ScenarioRow s;
    s.input = "qParam";
    const auto id = addScenario(s);
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.OutputDb = dir.file("other.db");
    auto other = dao::DBEngine::Instance().CreateDatabase(dir.file("other.db"), dao::dbLangGeneral);
    ASSERT_TRUE(other.ok());
    other->Close();
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), message);
}

TEST_F(RunPipeline, AKnownTypeWithItsAnalysisBuiltRunsIt) {
    ScenarioRow s;
    s.category = "N";
    s.subtype = "N Fields";
    s.fields = {{"X", "X"}, {"Y", "X"}};
    addRow("a", 1.0, 2.0);
    EXPECT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
    EXPECT_EQ(engine.ErrorInfo(), "");
    EXPECT_TRUE(db.GetTableDef("Out1").ok());
}

TEST_F(RunPipeline, DatabaseSettersRefuseOtherValues) {
    Error e = engine.SetSourceDatabase(Value(42));
    EXPECT_EQ(e.number, -2147220504);
    EXPECT_EQ(e.description, "Invalid object type: 3");
    EXPECT_EQ(engine.SetOutputDatabase(Value(2.5)).description, "Invalid object type: 5");
    EXPECT_EQ(engine.SetOutputDatabase(Value(true)).description, "Invalid object type: 11");
    EXPECT_EQ(engine.SetScenarioDatabase(dir.file("nothing.db")).number, 3024);
    EXPECT_FALSE(engine.SetScenarioDatabase(Value(path)));  // a text value is a path
    EXPECT_TRUE(engine.ScenarioDatabase().IsOpen());
}

TEST_F(RunPipeline, UnexpectedErrorsBecomeTheFailureText) {
    ScenarioRow s;
    s.subtype = "Future Type";
    const auto id = addScenario(s);
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.SourceDb = dir.file("no-such-source.db");
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(
        engine.ErrorInfo().rfind("Unexpected error number: 3024\r\nError: Could not find file", 0),
        0u)
        << engine.ErrorInfo();
    EXPECT_NE(engine.ErrorInfo().find("\r\nOperation: "), std::string::npos);
    EXPECT_NE(readBytes(dir.file("error.log")).find("Could not find file"), std::string::npos)
        << "the report is written";
}

class CancellingWindow : public ErrorWindow {
  public:
    bool ShowUnexpectedError(const CErr_Zelk&) override {
        ++shown;
        return false;
    }
    int shown = 0;
};

TEST_F(RunPipeline, FailureIsShownOnlyWithShowErrorsAndCancelEndsTheRun) {
    RecordingPrompter prompter;
    CancellingWindow window;
    Quorvane shown(&prompter, &window);
    shown.ErrorHandler().SetDestination(dir.file("error.log"));
    RunScenarioArgs args;
    args.ScenarioDb = db;
    EXPECT_FALSE(shown.RunScenario(77, args));
    EXPECT_EQ(prompter.criticals.size(), 0u) << "silent by default";
    EXPECT_EQ(prompter.beeps, 1);

    args.ShowErrors = true;
    EXPECT_FALSE(shown.RunScenario(77, args));
    ASSERT_EQ(prompter.criticals.size(), 1u);
    EXPECT_EQ(prompter.criticals[0].first, "Lumvar");
    EXPECT_EQ(prompter.criticals[0].second, "Scenario Failed\r\n\r\nScenario not found");
    EXPECT_TRUE(shown.ShowErrors()) << "the argument sets the property and it stays";

    ScenarioRow s;
    s.subtype = "Future Type";
    const auto id = addScenario(s);
    args.SourceDb = dir.file("absent.db");
    EXPECT_FALSE(shown.RunScenario(id, args));
    EXPECT_EQ(window.shown, 1);
    EXPECT_NE(shown.ErrorInfo().find("Unexpected error number: -2147219504\r\nError: Action "
                                     "Cancelled by User"),
              std::string::npos)
        << shown.ErrorInfo();
}

TEST_F(RunPipeline, ScenarioTablesAreUnchangedByFailedRuns) {
    ScenarioRow s;
    s.input = "Gone";
    const auto id = addScenario(s);
    db.Close();
    const std::string before = readBytes(path);
    RunScenarioArgs args;
    args.ScenarioDb = path;
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), "Data Table [Gone] not found.");
    // Opening a writable file takes it into the write-ahead log and back,
    // which rewrites its header and nothing else.
    const std::string after = readBytes(path);
    EXPECT_TRUE(after.substr(100) == before.substr(100));

    ::chmod(path.c_str(), 0444);  // a read-only file still serves its scenarios
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), "Data Table [Gone] not found.");
    EXPECT_TRUE(readBytes(path) == after) << "a read-only file is not touched at all";
    ::chmod(path.c_str(), 0644);

    writeBytes(path, "corrupt");
    EXPECT_FALSE(engine.RunScenario(id, args));
    EXPECT_EQ(engine.ErrorInfo(), "Scenario database property not assigned or opened");
}

TEST_F(RunPipeline, OtherScenarioTableNames) {
    addRow("a", 1.0);
    const auto id = addScenario(ScenarioRow{});
    ASSERT_FALSE(db.RenameTableDef("usysQuorvaneScenarios", "MyScenarios"));
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo().substr(0, 6), "3078: ") << engine.ErrorInfo();
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.ScenarioTbl = "myscenarios";
    EXPECT_TRUE(engine.RunScenario(id, args)) << engine.ErrorInfo();
    EXPECT_EQ(engine.ScenarioTbl(), "myscenarios");
}

TEST_F(RunPipeline, EveryRunRemovesWhatDeadRunsLeftAndNothingOfLiveOnes) {
    addRow("g", 1.0);
    // The working-name prefix of this machine, read off a table the engine makes.
    ASSERT_FALSE(engine.SetScenarioDatabase(db));
    ASSERT_FALSE(engine.SetOutputDatabase(db));
    TableDef probe = db.CreateTableDef("Probe");
    probe.AppendField(Field("A", dbDouble));
    ASSERT_TRUE(engine.CreateOutputTable(probe).ok());
    const std::string working = engine.WorkingTableName("Probe");
    ASSERT_TRUE(Quorvane::IsWorkingTableName(working));
    const std::string host = working.substr(0, working.find('_', 9) + 1);  // ~qrvwork_<host>_
    // 4194305 is beyond the kernel's limit on process ids: that run is gone.
    // Process 1 lives; a table of another machine is not this machine's to judge.
    const std::string dead = host + "4194305_1_1", live = host + "1_1_1",
                      elsewhere = "~qrvwork_00000000_4194305_1_1";
    for (const std::string& name : {dead, live, elsewhere}) {
        TableDef t = db.CreateTableDef(name);
        t.AppendField(Field("A", dbDouble));
        ASSERT_FALSE(db.AppendTableDef(t)) << name;
    }
    const std::string scratch =
        (std::filesystem::temp_directory_path() / "qrv4194305_77.tmp").string();
    writeBytes(scratch, "left by a killed run");

    // A run that needs no scratch file of its own.
    ScenarioRow s;
    s.subtype = "Frequency";
    ASSERT_TRUE(run(addScenario(s))) << engine.ErrorInfo();
    EXPECT_FALSE(db.GetTableDef(dead).ok());
    EXPECT_TRUE(db.GetTableDef(live).ok());
    EXPECT_TRUE(db.GetTableDef(elsewhere).ok());
    EXPECT_FALSE(std::filesystem::exists(scratch));
    for (const std::string& t : db.TableDefNames())
        EXPECT_FALSE(Quorvane::IsWorkingTableName(t)) << "listed: " << t;
}

}  // namespace
}  // namespace qrv::test
