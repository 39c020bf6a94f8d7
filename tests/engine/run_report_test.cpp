// The error report of a failed run. Failures of the database itself (a lock
// held past the wait, a read-only output, an I/O error) and the handler's
// unexpected errors write one report naming the files, the scenario, the
// input and outputs, what failed and what the run was doing, and never a
// password; the run's failure text stays the database's own words. A
// scenario's or the data's own problems write none.
#include <signal.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <filesystem>

#include "engine/run_report.h"
#include "engine_fixture.h"
#include "errors/error_report.h"

namespace qrv::test {
namespace {

using namespace qrv::dao;

class RunReport : public EngineTest {
  protected:
    std::string log() const { return readBytes(dir.file("error.log")); }
    bool logWritten() const { return std::filesystem::exists(dir.file("error.log")); }

    static std::size_t count(const std::string& text, const std::string& what) {
        std::size_t n = 0;
        for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }
    // The value after a label of the report, or "(no such line)".
    static std::string line(const std::string& report, const std::string& label) {
        const std::string head = "\n" + errors::Label(label);
        const std::size_t at = report.find(head);
        if (at == std::string::npos) return "(no such line)";
        const std::size_t from = at + head.size();
        return report.substr(from, report.find('\n', from) - from);
    }
    static std::string operation(const std::string& report) {
        const std::string head = "\nCurrent Operation: ";
        const std::size_t at = report.rfind(head);
        if (at == std::string::npos) return "(no such line)";
        const std::size_t from = at + head.size();
        return report.substr(from, report.find('\n', from) - from);
    }

    // A Describe of X by Grp writing Out1, in the fixture's file.
    std::int32_t describeByGroup(int groups) {
        std::vector<std::vector<Value>> rows;
        for (int i = 0; i < groups; ++i)
            rows.push_back({Value(std::string("g").append(std::to_string(i))), Value(double(i)),
                            Value(), Value()});
        appendRows("Data", {"Grp", "X", "Y", "W"}, rows);
        ScenarioRow s;
        s.fields = {{"Grp", "G"}, {"X", "X"}};
        return addScenario(s);
    }

    // A file of its own holding Data (Grp, X) of 20000 rows, pages of which
    // are then overwritten.
    static void damagedInput(const std::string& file) {
        auto r = DBEngine::Instance().CreateDatabase(file, dbLangGeneral);
        ASSERT_TRUE(r.ok());
        Database src = *r;
        TableDef t = src.CreateTableDef("Data");
        for (Field f : {Field("Grp", dbText, 10), Field("X", dbDouble)}) t.AppendField(f);
        ASSERT_FALSE(src.AppendTableDef(t));
        ASSERT_FALSE(src.BeginTrans());
        auto rs = src.OpenRecordset("Data");
        ASSERT_TRUE(rs.ok());
        for (int i = 0; i < 20000; ++i) {
            rs->AddNew();
            rs->Collect("Grp", std::string("g").append(std::to_string(i % 7)));
            rs->Collect("X", double(i));
            ASSERT_FALSE(rs->Update());
        }
        rs->Close();
        ASSERT_FALSE(src.CommitTrans());
        src.Close();
        std::string bytes = readBytes(file);
        ASSERT_GT(bytes.size(), 40u * 4096);
        for (std::size_t at = bytes.size() / 2; at < bytes.size() / 2 + 4 * 4096; ++at)
            bytes[at] = static_cast<char>(0xA5);
        writeBytes(file, bytes);
    }

    // What a report of a run of describeByGroup in the fixture's file says.
    void expectRunFacts(const std::string& report, const std::string& output) {
        EXPECT_EQ(line(report, "Scenario Database"), path);
        EXPECT_EQ(line(report, "Source Database"), path);
        EXPECT_EQ(line(report, "Output Database"), output);
        EXPECT_EQ(line(report, "Analysis Category"), "P");
        EXPECT_EQ(line(report, "Analysis Type"), "Describe");
        EXPECT_EQ(line(report, "Input Table/Query"), "Data");
        EXPECT_EQ(line(report, "Output Table 1"), "Out1");
        EXPECT_EQ(line(report, "Output Table 2"), "");
    }
};

TEST_F(RunReport, AReadOnlyOutputFileIsReported) {
    const auto id = describeByGroup(3);
    const std::string outPath = dir.file("out.db");
    ASSERT_TRUE(DBEngine::Instance().CreateDatabase(outPath, dbLangGeneral).ok());
    auto out = DBEngine::Instance().OpenDatabase(outPath, false, true);
    ASSERT_TRUE(out.ok());
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.OutputDb = *out;
    EXPECT_FALSE(engine.RunScenario(id, args));
    out->Close();
    EXPECT_EQ(engine.ErrorInfo(), "Cannot update. Database or object is read-only.");

    const std::string report = log();
    EXPECT_EQ(count(report, "ERROR INFORMATION"), 1u);
    EXPECT_EQ(line(report, "Error Number"), "3027");
    expectRunFacts(report, outPath);
    EXPECT_EQ(operation(report).rfind("Creating the output table [Out1] as [~", 0), 0u)
        << operation(report);
    EXPECT_EQ(line(report, "Failing Table").rfind(std::string(Quorvane::kWorkingPrefix), 0), 0u);
    // The command line says where the report went when the handler holds it.
    EXPECT_TRUE(engine.ErrorHandler().HasError());
    // Nothing of the run stays with the handler for errors outside runs.
    EXPECT_FALSE(engine.ErrorHandler().RunFacts().has_value());
    EXPECT_EQ(engine.ErrorHandler().CurrentOperation(), "");
}

TEST_F(RunReport, ALockHeldPastTheWaitIsReported) {
    const auto id = describeByGroup(3);
    // Another program takes the write lock and keeps it beyond the wait.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const auto start = std::chrono::steady_clock::now();
    const bool ok = run(id);
    const auto waited = std::chrono::steady_clock::now() - start;
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);

    EXPECT_FALSE(ok);
    EXPECT_GE(waited, std::chrono::milliseconds(DBEngine::kBusyTimeoutMs));
    EXPECT_EQ(engine.ErrorInfo(),
              "Could not update; currently locked by another session on this machine.");
    const std::string report = log();
    EXPECT_EQ(count(report, "ERROR INFORMATION"), 1u);
    EXPECT_EQ(line(report, "Error Number"), "3260");
    expectRunFacts(report, path);
    EXPECT_EQ(operation(report).rfind("Creating the output table [Out1]", 0), 0u)
        << operation(report);
    EXPECT_FALSE(db.GetTableDef("Out1").ok());
}

// Files may not grow past a limit, as on a full quota: the write fails with
// an I/O error. Restores the limit and the signal the kernel sends.
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        oldSignal_ = ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old_;
        limit.rlim_cur = bytes;
        ok_ = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        ::signal(SIGXFSZ, oldSignal_);
    }
    bool ok() const { return ok_; }

  private:
    rlimit old_{};
    sighandler_t oldSignal_;
    bool ok_ = false;
};

TEST_F(RunReport, AnIoErrorWhileWritingRowsIsReported) {
    // One output row per group: far more than the limit lets the files grow.
    const auto id = describeByGroup(3000);
    std::error_code ec;
    const auto size = [&](const std::string& p) {
        const auto n = std::filesystem::file_size(p, ec);
        return ec ? std::uintmax_t(0) : n;
    };
    const rlim_t limit = std::max(size(path), size(path + "-wal")) + 64 * 1024;
    bool ok = true;
    {
        FileSizeLimit fileSize(limit);
        ASSERT_TRUE(fileSize.ok());
        ok = run(id);
    }
    EXPECT_FALSE(ok);
    EXPECT_EQ(engine.ErrorInfo(), "Disk or network error.");
    const std::string report = log();
    EXPECT_EQ(count(report, "ERROR INFORMATION"), 1u);
    EXPECT_EQ(line(report, "Error Number"), "3043");
    expectRunFacts(report, path);
    EXPECT_EQ(operation(report), "Writing rows to [Out1]");
    EXPECT_EQ(line(report, "Failing Table"), "Out1");
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "no half-written output";
}

TEST_F(RunReport, AnUnexpectedHandlerErrorNamesTheRunAndTheField) {
    const auto id = describeByGroup(3);
    // Mid-run, an engine routine meets an error it does not expect: a field
    // added twice to a table definition.
    bool once = false;
    engine.OnStatProgress([&](long, long) {
        if (once) return;
        once = true;
        TableDef def = db.CreateTableDef("Twice");
        int ordinal = 0;
        engine.AddTableField(def, "X", dbDouble, ordinal, 0);
        engine.AddTableField(def, "X", dbDouble, ordinal, 0);
    });
    EXPECT_FALSE(run(id));
    EXPECT_EQ(engine.ErrorInfo().rfind("Unexpected error number: 3191\r\n", 0), 0u)
        << engine.ErrorInfo();

    const std::string report = log();
    ASSERT_EQ(count(report, "ERROR INFORMATION"), 1u) << engine.ErrorInfo();
    EXPECT_EQ(line(report, "Error Procedure"), "AddTableField");
    expectRunFacts(report, path);
    EXPECT_EQ(line(report, "Failing Table"), "Twice");
    EXPECT_EQ(line(report, "Failing Field"), "X");
    EXPECT_EQ(operation(report), "Adding field [X] to the output table [Twice]");
    EXPECT_FALSE(db.GetTableDef("Out1").ok()) << "a run with an error swaps nothing in";
}

// Rows of a damaged file: the sorted read meets the damage when its
// statement opens, the hashed one while it walks the rows. Either way the run
// fails with the database's words and reports, rather than taking the damage
// for the end of the rows.
TEST_F(RunReport, ADamagedInputIsReportedWhereverItIsMet) {
    struct Case {
        const char* name;
        bool hashed;
        const char* operation;
        const char* statement;  // how the failing statement starts
    };
    const Case cases[] = {
        {"sorted", false, "Opening the input [Data]", "SELECT [Grp], [X] FROM [Data] ORDER BY "},
        {"hashed", true, "Reading the rows of the input [Data]", ""},
    };
    ScenarioRow s;
    s.fields = {{"Grp", "G"}, {"X", "X"}};
    const auto id = addScenario(s);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string source = dir.file(std::string("source-") + c.name + ".db");
        damagedInput(source);
        std::filesystem::remove(dir.file("error.log"));
        engine.SetHashedGroups(c.hashed);
        RunScenarioArgs args;
        args.ScenarioDb = db;
        args.SourceDb = source;
        args.OutputDb = db;
        EXPECT_FALSE(engine.RunScenario(id, args));
        EXPECT_EQ(engine.ErrorInfo(), "The database file '" + source +
                                          "' is damaged and cannot be read. Restore it from a "
                                          "backup copy.");
        EXPECT_FALSE(db.GetTableDef("Out1").ok());
        const std::string report = log();
        ASSERT_EQ(count(report, "ERROR INFORMATION"), 1u) << engine.ErrorInfo();
        EXPECT_EQ(line(report, "Error Number"), "3049");
        EXPECT_EQ(line(report, "Source Database"), source);
        EXPECT_EQ(line(report, "Input Table/Query"), "Data");
        EXPECT_EQ(line(report, "Failing Table"), "Data");
        const std::string statement = line(report, "Failing Statement");
        EXPECT_EQ(statement.substr(0, std::strlen(c.statement)), c.statement) << statement;
        EXPECT_EQ(operation(report), c.operation);
    }
}

TEST_F(RunReport, ADatabaseArgumentThatCannotBeOpenedIsNamedAsGiven) {
    ScenarioRow s;
    const auto id = addScenario(s);
    RunScenarioArgs args;
    args.ScenarioDb = db;
    args.SourceDb = dir.file("no-such-source.db");
    EXPECT_FALSE(engine.RunScenario(id, args));
    const std::string report = log();
    ASSERT_EQ(count(report, "ERROR INFORMATION"), 1u);
    EXPECT_EQ(line(report, "Error Number"), "3024");
    EXPECT_EQ(line(report, "Scenario Database"), path);
    EXPECT_EQ(line(report, "Source Database"), dir.file("no-such-source.db"));
    EXPECT_EQ(operation(report), "Opening the source database");
}

// A scenario's or the data's own problems are explained by the failure text
// alone: no report, and the handler holds no error.
TEST_F(RunReport, RefusalsAndDataProblemsWriteNoReport) {
    struct Case {
        const char* name;
        ScenarioRow scenario;
        bool useScenario;  // false: a scenario number that does not exist
        const char* failure;
    };
    ScenarioRow noRows;  // Data has no rows yet
    ScenarioRow gone;
    gone.input = "Gone";
    ScenarioRow overInput;
    overInput.output1 = "Data";
    const Case cases[] = {
        {"no rows", noRows, true, "No records found in Data"},
        {"no input", gone, true, "Data Table [Gone] not found."},
        {"no scenario", {}, false, "Scenario not found"},
        {"output is the input", overInput, true, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::int32_t id = c.useScenario ? addScenario(c.scenario) : 999;
        EXPECT_FALSE(run(id));
        if (c.failure) {
            EXPECT_EQ(engine.ErrorInfo(), c.failure);
        }
        EXPECT_FALSE(engine.ErrorHandler().HasError());
        EXPECT_FALSE(logWritten()) << log();
    }
}

// Passwords reach the engine as its property and as the connect text of the
// databases it is given; the report shows neither, and names files by path.
TEST_F(RunReport, NoPasswordInTheReport) {
    const auto id = describeByGroup(3);
    const std::string password = "s3cret-pw";
    ASSERT_FALSE(db.NewPassword("", password));
    db.Close();
    const std::string outPath = dir.file("out.db");
    ASSERT_TRUE(DBEngine::Instance().CreateDatabase(outPath, dbLangGeneral).ok());
    auto out = DBEngine::Instance().OpenDatabase(outPath, false, true);
    ASSERT_TRUE(out.ok());

    struct Case {
        const char* name;
        bool byProperty;  // the password property and a path, or connect text
    };
    for (const Case c : {Case{"property", true}, Case{"connect text", false}}) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(dir.file("error.log"));
        Quorvane e;
        e.ErrorHandler().SetDestination(dir.file("error.log"));
        RunScenarioArgs args;
        std::optional<Database> opened;
        if (c.byProperty) {
            e.SetDatabasePassword(password);
            args.ScenarioDb = path;
        } else {
            auto r = DBEngine::Instance().OpenDatabase(path, false, false, ";pwd=" + password);
            ASSERT_TRUE(r.ok()) << r.error().description;
            opened = *r;
            args.ScenarioDb = *opened;
        }
        args.OutputDb = *out;  // read-only: the run fails and reports
        EXPECT_FALSE(e.RunScenario(id, args));
        if (opened) opened->Close();
        const std::string report = log();
        ASSERT_EQ(count(report, "ERROR INFORMATION"), 1u) << e.ErrorInfo();
        EXPECT_EQ(line(report, "Scenario Database"), path);
        EXPECT_EQ(report.find("s3cret"), std::string::npos) << report;
    }
    out->Close();
}

// Loading words a database error as "number: description"; only the
// database's own failures among them are reported, with their number.
TEST(LoadFailure, OnlyTheDatabasesOwnFailuresAreReported) {
    struct Case {
        const char* failure;
        int reported;  // the error number reported, 0 for none
    };
    const Case cases[] = {
        {"3260: Could not update; currently locked by another session on this machine.", 3260},
        {"3035: Not enough space on disk.", 3035},
        {"3049: The database file '/d/s.db' is damaged and cannot be read.", 3049},
        {"3043: Disk or network error.", 3043},
        {"3000: Database engine error: out of order", 3000},
        {"3078: The database engine cannot find the input table or query 'X'.", 0},
        {"3061: Too few parameters. Expected 1.", 0},
        {"Scenario not found", 0},
        {"No fields found for this scenario", 0},
        {"12345678901: not a number of ours", 0},
        {": empty number", 0},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure);
        CErr_Zelk handler;
        handler.SetDestination(dir.file("error.log"));
        std::filesystem::remove(dir.file("error.log"));
        handler.Push("Lumvar_LoadScenario");
        EXPECT_EQ(ReportLoadFailure(handler, c.failure), c.reported != 0);
        EXPECT_EQ(handler.HasError(), c.reported != 0);
        EXPECT_EQ(std::filesystem::exists(dir.file("error.log")), c.reported != 0);
        if (c.reported) {
            EXPECT_EQ(handler.ErrorNumber(), c.reported);
            EXPECT_EQ(handler.ErrorDescription(),
                      std::string(c.failure).substr(std::string(c.failure).find(": ") + 2));
        }
    }
}

}  // namespace
}  // namespace qrv::test
