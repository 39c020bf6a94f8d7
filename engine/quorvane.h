// Quorvane: the statistics engine. It is pointed at the database holding the
// scenario tables and at the databases to read from and write to, runs one
// stored scenario per RunScenario call, and reports success or a failure text.
// It also serves the analyses the data preparation they all share: the input
// rows in order, the missing-value rule, weights, group changes, output and
// scratch tables and progress messages.
//
// Engine objects share nothing but the process-wide DBEngine: each has its own
// databases, its own scratch file and its own error handler, so several can
// run side by side.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/dataaccess.h"
#include "engine/database_arg.h"
#include "engine/sort_budget.h"
#include "errors/cerr_zelk.h"
#include "errors/prompter.h"
#include "scenario/clumvar_scenario.h"
#include "scenario/output_names.h"
#include "scenario/scenario_draft.h"

namespace qrv {

// The unexpected-error window the designer shows; false means the user cancelled.
class ErrorWindow {
  public:
    virtual ~ErrorWindow() = default;
    virtual bool ShowUnexpectedError(const CErr_Zelk& handler) = 0;
};

// The optional arguments of RunScenario, named as the engine's parameters.
struct RunScenarioArgs {
    DatabaseArg ScenarioDb, SourceDb, OutputDb;
    std::string ScenarioTbl, OptionsTbl, FieldTbl;
    std::string SourceTableName, OutputTableName, OutputTableName2;
    bool ShowProgress = false;
    bool ShowErrors = false;
};

// Errors the engine raises to callers of its property setters.
inline constexpr std::int32_t kErrInvalidObjectType = -2147220504;

class Quorvane {
  public:
    explicit Quorvane(Prompter* prompter = nullptr, ErrorWindow* errorWindow = nullptr);
    ~Quorvane();
    Quorvane(const Quorvane&) = delete;
    Quorvane& operator=(const Quorvane&) = delete;

    // --- Properties ----------------------------------------------------------
    const dao::Database& ScenarioDatabase() const { return scenarioDb_; }
    const dao::Database& SourceDatabase() const { return sourceDb_; }
    const dao::Database& OutputDatabase() const { return outputDb_; }
    // A path opens the file at once; anything but a database or a text is refused.
    dao::Error SetScenarioDatabase(const DatabaseArg& db);
    dao::Error SetSourceDatabase(const DatabaseArg& db);
    dao::Error SetOutputDatabase(const DatabaseArg& db);
    // The password a database given by path opens with (a file without one
    // opens whatever this is). Set it before the paths.
    const std::string& DatabasePassword() const { return password_; }
    void SetDatabasePassword(std::string password) { password_ = std::move(password); }
    const std::string& ScenarioTbl() const { return scenarioTbl_; }
    const std::string& OptionsTbl() const { return optionsTbl_; }
    const std::string& FieldTbl() const { return fieldTbl_; }
    void SetScenarioTbl(std::string v) { scenarioTbl_ = std::move(v); }
    void SetOptionsTbl(std::string v) { optionsTbl_ = std::move(v); }
    void SetFieldTbl(std::string v) { fieldTbl_ = std::move(v); }
    const std::string& SourceTableName() const { return sourceTableName_; }
    const std::string& OutputTableName() const { return outputTableName_; }
    const std::string& OutputTableName2() const { return outputTableName2_; }
    void SetSourceTableName(std::string v) { sourceTableName_ = std::move(v); }
    void SetOutputTableName(std::string v) { outputTableName_ = std::move(v); }
    void SetOutputTableName2(std::string v) { outputTableName2_ = std::move(v); }
    const std::string& ErrorInfo() const { return errorInfo_; }
    bool ShowProgress() const { return showProgress_; }
    bool ShowErrors() const { return showErrors_; }
    void SetShowProgress(bool on) { showProgress_ = on; }
    void SetShowErrors(bool on) { showErrors_ = on; }

    // --- Methods -------------------------------------------------------------
    double ProbInverse(std::string_view type, double probability, double df1, double df2);
    double Probability(std::string_view type, double value, double df1, double df2);
    bool RunScenario(std::int32_t ScenarioNo, const RunScenarioArgs& args = {});
    // Asks the run in progress to stop; safe from any thread. The run stops
    // at its next row or stage, raises no more StatStatus or progress, keeps
    // every output table as it was and fails with "Action Cancelled by User"
    // (without the engine's own failure message: the caller asked for it).
    // A request made between runs stops the next run; the end of a run
    // clears it.
    void RequestCancel() noexcept { cancelRequested_.store(true, std::memory_order_relaxed); }
    bool Cancelled() const noexcept { return cancelRequested_.load(std::memory_order_relaxed); }

    // --- Events (handlers run synchronously, in the order registered) ----------
    void OnRunScenarioBegin(std::function<void()> f) { onBegin_.push_back(std::move(f)); }
    void OnStatStatus(std::function<void(const std::string&)> f) {
        onStatus_.push_back(std::move(f));
    }
    void OnRunScenarioComplete(std::function<void(bool& fStatus, std::string& strError)> f) {
        onComplete_.push_back(std::move(f));
    }
    // Rows of the input read so far and their total (-1 while unknown): at
    // every stage, every half percent or so of the rows while they are read,
    // and once at the end of the walk with done == total. Raised whenever a
    // handler is registered, whatever ShowProgress says; StatStatus is apart.
    void OnStatProgress(std::function<void(long done, long total)> f) {
        onProgress_.push_back(std::move(f));
        progressNext_ = 0;
    }
    // A fact about the run that its output tables do not tell at a glance
    // (which levels a test compared); raised as it is found, also kept in
    // RunNotes.
    void OnRunNote(std::function<void(const std::string&)> f) { onNote_.push_back(std::move(f)); }
    // The notes of the last run, kept until the next run begins.
    const std::vector<std::string>& RunNotes() const { return runNotes_; }
    // The output tables the last run wrote (final names, in the order it
    // created them): none after a failed run, and none for an output the
    // analysis did not write (a detail table it was not asked for).
    const std::vector<std::string>& WrittenOutputs() const { return writtenOutputs_; }

    CErr_Zelk& ErrorHandler() { return err_; }

    // --- Shared data preparation, for the analyses ------------------------------
    // Field lists hold positions 1..n at indexes 0..n-1.
    std::string Quorvane_InitDataTable(const std::string& strUserTable,
                                       const std::vector<std::string>& strFields,
                                       int intGroupFields, std::vector<int>& lngFieldTypes,
                                       std::vector<long>& lngFieldSizes, bool fOrdered = true);
    // The SELECT that Quorvane_InitDataTable opens: the fields in brackets, sorted by
    // the group fields and then the first analysis field (unless not ordered);
    // binaryGroups when group texts differing in case are different groups.
    static std::string InitDataSql(const std::string& strUserTable,
                                   const std::vector<std::string>& strFields, int intGroupFields,
                                   bool fOrdered = true, bool binaryGroups = false);
    std::string Quorvane_OpenDataRecordset(std::string strSQL);
    void Quorvane_InitFieldTypes(const dao::Recordset& rs, int n,
                                 const std::vector<std::string>& strFields,
                                 std::vector<int>& lngFieldTypes, std::vector<long>& lngFieldSizes);
    std::string Quorvane_DataWhere(const std::string& strField) const;
    bool Quorvane_DataOk_b(double dblValue, bool fEqualOnly) const;
    // The weight a weight-field value gives its row: 0 (skip the row) when it
    // is not above 0 or is the ignored value of an "Equal" rule.
    double WeightOf(double value) const;
    bool Quorvane_SameRecords_b(int n, bool fCompare, std::vector<dao::Value>& saved,
                                const std::vector<dao::Value>& current) const;
    bool Quorvane_SameValue(const dao::Value& a, const dao::Value& b, bool fIgnoreCase) const;
    int Quorvane_UTIL_TableOrQuery(const dao::Database& db, const std::string& name);
    bool Quorvane_UTIL_MakeTempDB();
    std::string Quorvane_CreateTable(dao::TableDef& def, bool fOpen);
    // Creates an output table of this run (under its working name until the
    // run ends cleanly) and returns it open for adding rows: a second output
    // (residuals, details) is written through it.
    dao::Result<dao::Recordset> CreateOutputTable(dao::TableDef& def);
    void Quorvane_DeleteTable(bool fScratch, const std::string& name);
    void Quorvane_Msg(long lngRecord, bool fFinal, const std::string& strMessage);
    // The status line of record lngRecord as Quorvane_Msg shows it (every
    // fifth record and the final one), for a pass whose progress is measured
    // in other units: it moves no bar.
    void RecordStatus(long lngRecord, bool fFinal, const std::string& strMessage);
    // A note of the run (see OnRunNote); also a status line when progress is on.
    void Quorvane_Note(const std::string& note);
    // Whether Quorvane_Msg raises StatStatus at all (progress on).
    bool StatusWanted() const { return runProgress_ || showProgress_; }
    // A message box of an analysis, shown only when ShowErrors is on.
    void ShowMessage(const std::string& caption, const std::string& text);
    // The row count progress is measured against: counted when the input is
    // a table (cheap), unknown (-1) for a query until its rows were read.
    // Does nothing without a progress handler.
    void BeginProgress(const std::string& strUserTable);
    // The walk read done rows; raises progress when the next step is reached
    // (never once the run is cancelled: see raiseProgress).
    void Progress(long done) {
        if (done >= progressNext_) raiseProgress(done, false);
    }
    // The walk read all done rows: the final report, done == total.
    void EndProgress(long done);
    // A further read of the rows the walk read (the residual pass): progress
    // starts again from 0 of the same total; Progress and EndProgress then
    // report this pass's rows.
    void BeginProgressPass();
    void AddTableField(dao::TableDef& def, const std::string& name, int type, int& ordinal,
                       long size);

    // Default frequency intervals over the whole filtered input: initial value
    // and width for K intervals (Frequency adjusts narrow widths, Describe uses 1).
    std::string DescFreqInit(bool fWidthAdjust, int K, bool fLowerClosed,
                             const std::string& strUserTable,
                             const std::vector<std::string>& strFields, int intGroupFields,
                             int intFields, double& dblInitial, double& dblWidth);

    // State the analyses read and write.
    dao::Recordset& DataRecordset() { return rsData_; }
    const dao::Recordset& DataRecordset() const { return rsData_; }
    dao::Recordset& OutputRecordset() { return rsOutput_; }
    dao::Database& ScratchDatabase() { return scratchDb_; }
    const std::string& ScratchPath() const { return scratchPath_; }
    bool BinaryCompare() const { return binaryCompare_; }
    // Whether analyses that need only running sums may group rows by hashing
    // instead of reading them sorted (on unless switched off, as tests do to
    // compare the two walks).
    bool HashedGroups() const { return hashedGroups_; }
    void SetHashedGroups(bool on) { hashedGroups_ = on; }
    // Bytes the sorted values of a run's groups (modes, percentiles) may hold
    // in memory at once; past them they spill to a file next to the scratch
    // database and are merged back when read.
    std::size_t SortMemoryBudget() const { return sortMemoryBudget_; }
    void SetSortMemoryBudget(std::size_t bytes) { sortMemoryBudget_ = bytes; }
    const CLumvarScenario* Scenario() const { return scenario_.get(); }
    // Name under which an output table is being written in this run (itself when
    // it is not an output table of the run).
    std::string WorkingTableName(const std::string& finalName) const;
    // Output tables are written under names with this prefix and swapped in
    // at the end of a clean run; names starting with "~" are not listed.
    static constexpr std::string_view kWorkingPrefix = scenario::kWorkingPrefix;
    static bool IsWorkingTableName(std::string_view name);
    // The table property that records which scenario wrote an output table.
    static constexpr const char* kOwnerProperty = scenario::kOwnerProperty;
    // Removes what runs that were killed left in a database: their working
    // tables (only of processes of this machine that are gone) and, in the
    // temporary folder, their scratch files.
    static void RemoveDeadRunLeftovers(dao::Database& db);
    static void RemoveDeadScratchFiles();
    // The folder of scratch files: the scratch database and sort spill files,
    // named "qrv<pid>_<id>.tmp" so that a dead run's are known as such.
    static std::string ScratchFolder();
    // A process of this machine that still runs (or that we may not signal).
    static bool ProcessAlive(long pid);

    // Field list and role counts of the loaded scenario (after SetGlobals).
    const std::vector<std::string>& FieldNames() const { return fieldNames_; }
    int GroupCount() const { return groupCount_; }
    int CompareCount() const { return compareCount_; }
    int XCount() const { return xCount_; }
    bool HasY() const { return hasY_; }
    bool HasWeight() const { return hasWeight_; }

    // The missing-value rule in force: "" (none), "Equal", "Low", "High" or "Both".
    const std::string& MissingRule() const { return missingRule_; }

  private:
    struct PendingOutput {
        std::string finalName;
        std::string workingName;
    };

    dao::Error setDatabase(dao::Database& slot, const DatabaseArg& arg, bool closeOnRunEnd);
    std::string loadScenario(std::int32_t number);
    std::string runOneScenario();
    std::string setGlobals();
    // The scenario's output names by the rules of scenario/output_names.h;
    // asks before replacing a table this scenario did not write.
    std::string checkOutputNames();
    // The scenario of this run, as recorded on the tables it writes.
    std::string OwnerTag() const;
    std::string unexpectedErrorText() const;
    void raiseStatus(const std::string& message);
    void raiseProgress(long done, bool final);
    void cleanupScratch();
    std::string commitOutputs();
    void discardOutputs();
    void dropLeftoverWorkingTables();
    void showCritical(const std::string& text);

    Prompter* prompter_;
    ErrorWindow* errorWindow_;
    SilentPrompter silent_;
    CErr_Zelk err_;

    dao::Database scenarioDb_, sourceDb_, outputDb_;
    std::vector<dao::Database> ownedDbs_;     // opened from paths, closed on destruction
    std::vector<dao::Database> runOwnedDbs_;  // opened from RunScenario arguments
    bool openingForRun_ = false;
    std::string scenarioTbl_, optionsTbl_, fieldTbl_;
    std::string sourceTableName_, outputTableName_, outputTableName2_;
    bool showProgress_ = false, showErrors_ = false;
    std::string errorInfo_;
    std::string password_;

    dao::Database scratchDb_;
    std::string scratchPath_;
    std::unique_ptr<CLumvarScenario> scenario_;
    scenario::ScenarioDraft stored_;  // the same rows as stored, for the validity check
    dao::Recordset rsData_, rsOutput_;
    std::string missingRule_;
    double missingEqual_ = 0, missingLow_ = 0, missingHigh_ = 0;
    bool binaryCompare_ = false;
    bool hashedGroups_ = true;
    std::size_t sortMemoryBudget_ = SortBudget::kDefaultBytes;
    bool runProgress_ = false;
    std::atomic<bool> cancelRequested_{false};

    std::vector<std::string> fieldNames_;
    int groupCount_ = 0, compareCount_ = 0, xCount_ = 0;
    bool hasY_ = false, hasWeight_ = false;

    std::int32_t runScenarioNo_ = 0;
    std::vector<PendingOutput> pendingOutputs_;
    std::vector<std::string> replacedOutputs_;
    std::vector<std::string> abandonedWorking_;
    long workingTables_ = 0;

    std::vector<std::function<void()>> onBegin_;
    std::vector<std::function<void(const std::string&)>> onStatus_;
    std::vector<std::function<void(bool&, std::string&)>> onComplete_;
    std::vector<std::function<void(long, long)>> onProgress_;
    std::vector<std::function<void(const std::string&)>> onNote_;
    std::vector<std::string> runNotes_;
    std::vector<std::string> writtenOutputs_;
    static constexpr long kNoProgress = std::numeric_limits<long>::max();
    // Rows at which progress is raised next (never without a handler).
    long progressNext_ = kNoProgress;
    long progressTotal_ = -1, progressDone_ = 0;
};

}  // namespace qrv
