// The engine object: its properties, the RunScenario pipeline (load the
// scenario, check its roles, dispatch, report), and its events. A run never
// throws and never leaves a scratch file, an open recordset or a half-written
// output table behind.
#include "engine/quorvane.h"

#include <unistd.h>

#include "dataaccess/dialect/sql_dialect.h"
#include "engine/analysis_dispatch.h"
#include "engine/run_report.h"
#include "scenario/analysis_types.h"
#include "scenario/scenario_validity.h"

namespace qrv {

using namespace qrv::dao;

namespace {

const char* const kCrLf = "\r\n";

int varTypeOf(const Value& v) {
    switch (v.kind()) {
        case ValueKind::Null:
            return 1;
        case ValueKind::Int16:
            return 2;
        case ValueKind::Int32:
            return 3;
        case ValueKind::Double:
            return 5;
        case ValueKind::Date:
            return 7;
        case ValueKind::Text:
            return 8;
        case ValueKind::Bool:
            return 11;
        case ValueKind::Byte:
            return 17;
    }
    return 0;
}

}  // namespace

Quorvane::Quorvane(Prompter* prompter, ErrorWindow* errorWindow)
    : prompter_(prompter ? prompter : &silent_),
      errorWindow_(errorWindow),
      err_(prompter ? prompter : &silent_, false) {
    err_.SetDbEngineVersion(DBEngine::Instance().Version());
    err_.OnBeforeHandlerCalled([this](bool& cancelDisplay) {
        if (!showErrors_) cancelDisplay = true;
    });
    err_.OnAfterHandlerCalled([this](const CErr_Zelk& handler) {
        if (!showErrors_ || !errorWindow_) return CErr_Zelk::Outcome::Continue;
        return errorWindow_->ShowUnexpectedError(handler) ? CErr_Zelk::Outcome::Continue
                                                          : CErr_Zelk::Outcome::Cancelled;
    });
}

Quorvane::~Quorvane() {
    cleanupScratch();
    discardOutputs();
    for (Database& db : runOwnedDbs_) db.Close();
    for (Database& db : ownedDbs_) db.Close();
}

Error Quorvane::setDatabase(Database& slot, const DatabaseArg& arg, bool forRun) {
    if (const Database* db = arg.database()) {
        slot = *db;
        return {};
    }
    if (const std::string* path = arg.path()) {
        auto opened = DBEngine::Instance().OpenDatabase(*path, false, false, ";pwd=" + password_);
        if (!opened) return opened.error();
        slot = *opened;
        (forRun ? runOwnedDbs_ : ownedDbs_).push_back(*opened);
        return {};
    }
    if (const Value* other = arg.other())
        return makeError(kErrInvalidObjectType,
                         "Invalid object type: " + std::to_string(varTypeOf(*other)));
    slot = Database();  // nothing: no database
    return {};
}

Error Quorvane::SetScenarioDatabase(const DatabaseArg& db) {
    return setDatabase(scenarioDb_, db, openingForRun_);
}
Error Quorvane::SetSourceDatabase(const DatabaseArg& db) {
    return setDatabase(sourceDb_, db, openingForRun_);
}
Error Quorvane::SetOutputDatabase(const DatabaseArg& db) {
    return setDatabase(outputDb_, db, openingForRun_);
}

void Quorvane::raiseStatus(const std::string& message) {
    if (Cancelled()) return;  // the run is on its way out
    for (auto& f : onStatus_) f(message);
}

std::string Quorvane::unexpectedErrorText() const {
    return "Unexpected error number: " + std::to_string(err_.ErrorNumber()) + kCrLf +
           "Error: " + err_.ErrorDescription() + kCrLf + "Operation: " + err_.ErrorOperation();
}

void Quorvane::ShowMessage(const std::string& caption, const std::string& text) {
    if (showErrors_) prompter_->inform(caption, text);
}

void Quorvane::showCritical(const std::string& text) {
    prompter_->beep();
    if (showErrors_) prompter_->critical("Lumvar", text);
}

bool Quorvane::RunScenario(std::int32_t ScenarioNo, const RunScenarioArgs& args) {
    ProcedureScope scope(err_, "Lumvar_RunScenario");
    err_.ClearError();
    // 1-2
    err_.SetScenarioNumber(ScenarioNo);
    runScenarioNo_ = ScenarioNo;
    const Database savedScenario = scenarioDb_, savedSource = sourceDb_, savedOutput = outputDb_;
    progressTotal_ = -1;
    progressDone_ = 0;
    progressNext_ = onProgress_.empty() ? kNoProgress : 0;
    runNotes_.clear();
    writtenOutputs_.clear();
    for (auto& f : onBegin_) f();

    // Every report of this run names what it was given; no report shows a password.
    HidePasswords(err_, *this, args);
    err_.SetRunFacts(RunFactsOf(*this, args));

    // 3: a path argument opens a database for this run only.
    openingForRun_ = true;
    struct {
        const DatabaseArg& arg;
        Error (Quorvane::*set)(const DatabaseArg&);
        const char* name;
        const char* what;
    } dbArgs[] = {
        {args.ScenarioDb, &Quorvane::SetScenarioDatabase, "Quorvane:ScenarioDatabase", "scenario"},
        {args.SourceDb, &Quorvane::SetSourceDatabase, "Quorvane:SourceDatabase", "source"},
        {args.OutputDb, &Quorvane::SetOutputDatabase, "Quorvane:OutputDatabase", "output"}};
    for (auto& d : dbArgs) {
        if (d.arg.omitted()) continue;
        ProcedureScope setter(err_, d.name);
        OperationScope op(err_, std::string("Opening the ") + d.what + " database");
        if (Error e = (this->*d.set)(d.arg)) err_.HandleError(e.number, e.description);
    }
    openingForRun_ = false;

    // 4
    auto table = [](std::string& prop, const std::string& arg, const char* deflt) {
        if (!arg.empty())
            prop = arg;
        else if (prop.empty())
            prop = deflt;
    };
    table(scenarioTbl_, args.ScenarioTbl, "USysQuorvaneScenarios");
    table(optionsTbl_, args.OptionsTbl, "USysQuorvaneOptions");
    table(fieldTbl_, args.FieldTbl, "USysQuorvaneFields");
    if (!args.SourceTableName.empty()) sourceTableName_ = args.SourceTableName;
    if (!args.OutputTableName.empty()) outputTableName_ = args.OutputTableName;
    if (!args.OutputTableName2.empty()) outputTableName2_ = args.OutputTableName2;
    // 5
    if (args.ShowErrors) showErrors_ = true;

    // 6
    std::string failure;
    if (!scenarioDb_.IsOpen()) {
        failure = "Scenario database property not assigned or opened";
    } else {
        if (!sourceDb_.IsOpen()) sourceDb_ = scenarioDb_;
        if (!outputDb_.IsOpen()) outputDb_ = sourceDb_;
        // Writing through the connection that reads the input would have to
        // turn its reading into writing, which another run's writes to the
        // same file can make impossible; a connection of its own avoids that.
        if (outputDb_ == sourceDb_ && outputDb_.Updatable()) {
            auto own = DBEngine::Instance().OpenDatabase(outputDb_.Name(), false, false,
                                                         outputDb_.Connect());
            if (own) {
                outputDb_ = *own;
                runOwnedDbs_.push_back(*own);
            }
        }
    }

    // Again with the databases the run uses: the defaults and its own output connection.
    HidePasswords(err_, *this, args);
    err_.SetRunFacts(RunFactsOf(*this, args));

    // What killed runs left behind goes before this run adds its own.
    if (failure.empty()) RemoveDeadRunLeftovers(outputDb_);

    // 7
    if (failure.empty() && !Cancelled()) {
        runProgress_ = args.ShowProgress || showProgress_;
        failure = loadScenario(ScenarioNo);
        if (!failure.empty()) {
            ProcedureScope load(err_, "Lumvar_LoadScenario");
            OperationScope op(err_,
                              "Reading scenario " + std::to_string(ScenarioNo) + " from [" +
                                  scenarioTbl_ + "], [" + optionsTbl_ + "] and [" + fieldTbl_ + "]",
                              errors::FailingObject::OnTable(scenarioTbl_));
            ReportLoadFailure(err_, failure);
        }
        err_.SetRunFacts(RunFactsOf(*this, args));
        if (failure.empty() && scenario_) {
            if (!err_.HasError())
                failure = runOneScenario();
            else
                failure = unexpectedErrorText();
        }
    }

    // A cancel wins over whatever the analysis made of it, even over its
    // success, as long as the outputs are not yet swapped in.
    const bool cancelled = Cancelled();
    if (cancelled) failure = kErrActionCancelledText;

    // The run's recordsets end here; output tables appear only for a clean run.
    rsData_.Close();
    rsOutput_.Close();
    if (failure.empty() && !err_.HasError())
        failure = commitOutputs();
    else
        discardOutputs();
    err_.SetCurrentOperation("");
    err_.SetCurrentObject({});

    // 8
    if (failure.empty() && err_.HasError()) failure = unexpectedErrorText();
    if (!failure.empty() && !cancelled)
        showCritical(std::string("Scenario Failed") + kCrLf + kCrLf + failure);

    // 9
    cleanupScratch();

    // 10
    for (Database& db : runOwnedDbs_) db.Close();
    runOwnedDbs_.clear();
    scenarioDb_ = savedScenario;
    sourceDb_ = savedSource;
    outputDb_ = savedOutput;
    scenario_.reset();
    err_.ClearRunFacts();
    runProgress_ = false;
    cancelRequested_.store(false, std::memory_order_relaxed);
    errorInfo_ = failure;
    bool fStatus = failure.empty();
    std::string strError = failure;
    for (auto& f : onComplete_) f(fStatus, strError);
    return fStatus;
}

std::string Quorvane::loadScenario(std::int32_t number) {
    ProcedureScope scope(err_, "Lumvar_LoadScenario");
    const std::string n = std::to_string(number);
    const std::string sql = "SELECT * FROM " + bracketName(scenarioTbl_) + " INNER JOIN " +
                            bracketName(optionsTbl_) + " ON " + bracketName(scenarioTbl_) +
                            ".Scenario_ID = " + bracketName(optionsTbl_) + ".Scenario_ID where " +
                            bracketName(scenarioTbl_) + ".Scenario_ID = " + n;
    err_.SetCurrentOperation("Open Recordset ");
    auto rs = scenarioDb_.OpenRecordset(sql);
    if (!rs) return std::to_string(rs.error().number) + ": " + rs.error().description;
    if (rs->Eof()) return "Scenario not found";
    auto fields = scenarioDb_.OpenRecordset("select * from " + bracketName(fieldTbl_) +
                                            " where Scenario_ID = " + n +
                                            " order by Fielddef_ordinal_position");
    if (!fields) return std::to_string(fields.error().number) + ": " + fields.error().description;
    if (fields->Eof()) return "No fields found for this scenario";

    auto s = std::make_unique<CLumvarScenario>();
    auto text = [&](const char* column) {
        return rs->GetValue(column).ok() ? rs->GetValue(column)->toText() : std::string();
    };
    auto value = [&](const char* column) {
        return rs->GetValue(column).ok() ? *rs->GetValue(column) : Value();
    };
    s->Scenario_Description = text("Scenario_Description");
    s->Scenario_Type = text("Scenario_Analysis_Type");
    s->CalcType = text("Scenario_Analysis_SubType");
    s->Table = sourceTableName_.empty() ? text("Scenario_Input_Table_Name") : sourceTableName_;
    s->OutputTable1 =
        outputTableName_.empty() ? text("Scenario_Output_Table1_Name") : outputTableName_;
    s->OutputTable2 =
        outputTableName2_.empty() ? text("Scenario_Output_Table2_Name") : outputTableName2_;
    s->MissingType = text("MissingType");
    s->MissingEqual = value("MissingEqual");
    s->MissingHigh = value("MissingHigh");
    s->MissingLow = value("MissingLow");
    s->Scenario_Version = text("Scenario_Version");
    for (int i = 0; i < rs->FieldCount(); ++i)
        s->SetFromColumn(rs->FieldAt(i).Name, rs->GetValue(i));
    stored_ = scenario::ScenarioDraft{};
    stored_.id = number;
    scenario::ReadScenarioRow(*rs, stored_);
    stored_.input = s->Table;
    stored_.output1 = s->OutputTable1;
    stored_.output2 = s->OutputTable2;
    // A detail table whose option is off is not written, whatever name the
    // scenario still keeps: the run neither writes, guards nor names it.
    if (const scenario::AnalysisType* type = scenario::FindAnalysisType(stored_.subtype);
        type && type->second == scenario::SecondOutput::WithDetail &&
        !stored_.flag(type->detailOption))
        s->OutputTable2.clear();

    for (; !fields->Eof(); fields->MoveNext()) {
        s->AddField(fields->GetValue("FieldDef_Name")->toText(),
                    fields->GetValue("FieldDef_Choice")->toText());
        scenario::ReadFieldRow(*fields, stored_);
    }
    scenario_ = std::move(s);
    err_.SetCurrentOperation("");
    return {};
}

std::string Quorvane::runOneScenario() {
    ProcedureScope scope(err_, "Lumvar_RunOneScenario");
    const CLumvarScenario& s = *scenario_;
    const int kind = Quorvane_UTIL_TableOrQuery(sourceDb_, s.Table);
    // Nothing of an earlier run's rule may survive into this one.
    missingRule_.clear();
    missingEqual_ = missingLow_ = missingHigh_ = 0;
    if (kind != 0 && kind != 1) return "Data Table [" + s.Table + "] not found.";

    // Rows any program may have written run only when the authoring checks
    // would have let them be saved.
    err_.SetCurrentOperation("Reading the fields of [" + s.Table + "]");
    auto input = scenario::InputFieldsOf(sourceDb_, s.Table);
    if (!input) {
        if (input.error().number == err::kTooFewParameters)
            return "The selected query expects parameters and cannot be used by Lumvar.";
        ReportDatabaseFailure(err_, input.error());
        return input.error().description;
    }
    err_.SetCurrentOperation("");
    if (auto refused = scenario::CheckStoredScenario(stored_, &*input)) return refused->Text();

    if (s.MissingType == "1") {
        missingRule_ = "Equal";
        missingEqual_ = s.MissingEqual.asDouble();
    } else if (s.MissingType == "2") {
        const bool low = !s.MissingLow.isNull(), high = !s.MissingHigh.isNull();
        missingRule_ = low && high ? "Both" : low ? "Low" : high ? "High" : "";
        missingLow_ = low ? s.MissingLow.asDouble() : 0;
        missingHigh_ = high ? s.MissingHigh.asDouble() : 0;
    }

    std::string failure = setGlobals();
    if (failure.empty()) failure = checkOutputNames();
    if (!failure.empty()) return failure;
    binaryCompare_ = false;
    return DispatchAnalysis(*this);
}

std::string Quorvane::setGlobals() {
    const CLumvarScenario& s = *scenario_;
    if (s.FieldCount() == 0) return "No fields assigned";
    fieldNames_.clear();
    fieldNames_.reserve(s.FieldCount());
    groupCount_ = compareCount_ = xCount_ = 0;
    hasY_ = hasWeight_ = false;
    const bool crosstab = iequal(s.CalcType, "Crosstab");
    for (const char* role : {"G", "C", "X", "Y", "W"}) {
        for (const CLumvarScenarioField& f : s) {
            if (!iequal(f.Choice, role)) continue;
            fieldNames_.push_back(f.Field_Name);
            switch (role[0]) {
                case 'G':
                    ++groupCount_;
                    break;
                case 'C':
                    ++compareCount_;
                    break;
                case 'X':
                    ++xCount_;
                    break;
                case 'Y':
                    hasY_ = true;
                    break;
                case 'W':
                    hasWeight_ = true;
                    break;
            }
        }
        if (role[0] == 'X' && crosstab && xCount_ == 0) {
            fieldNames_.push_back("*");  // the crosstab then counts records
            xCount_ = 1;
        }
    }
    // The roles each analysis needs were checked with the scenario's rules.
    return {};
}

}  // namespace qrv
