// The run's facts for the error report, and which database errors are
// failures of the database itself.
#include "engine/run_report.h"

#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

bool IsDatabaseFailure(int number) {
    switch (number) {
        case err::kReservedError:       // any other engine error
        case err::kReadOnly:            // read-only file or medium
        case err::kDiskFull:            // full disk, also exhausted resources
        case 3043:                      // disk or network (I/O) error
        case err::kCorrupt:             // damaged file
        case err::kCannotOpen:          // no permission, opened exclusively
        case err::kLocked:              // lock held past the wait
        case err::kUnrecognizedFormat:  // not a database file (any more)
            return true;
        default:
            return false;
    }
}

bool ReportDatabaseFailure(CErr_Zelk& handler, const Error& e) {
    if (!IsDatabaseFailure(e.number) || handler.HasError()) return false;
    handler.HandleError(e.number, e.description);
    return true;
}

std::string InputReadFailure(Quorvane& engine, const Error& e) {
    CErr_Zelk& handler = engine.ErrorHandler();
    ProcedureScope scope(handler, "Quorvane_ReadInput");
    const std::string input = engine.Scenario() ? engine.Scenario()->Table : std::string();
    OperationScope op(handler, "Reading the rows of the input [" + input + "]",
                      errors::FailingObject::OnTable(input));
    ReportDatabaseFailure(handler, e);
    return e.description.empty() ? "Error " + std::to_string(e.number) : e.description;
}

namespace {

std::string NameOf(const DatabaseArg& given, const Database& current) {
    if (const std::string* path = given.path()) return *path;
    if (const Database* db = given.database()) return db->Name();
    return current.Name();
}

}  // namespace

errors::RunFacts RunFactsOf(const Quorvane& engine, const RunScenarioArgs& args) {
    errors::RunFacts facts;
    facts.scenarioDatabase = NameOf(args.ScenarioDb, engine.ScenarioDatabase());
    facts.sourceDatabase = NameOf(args.SourceDb, engine.SourceDatabase());
    facts.outputDatabase = NameOf(args.OutputDb, engine.OutputDatabase());
    if (const CLumvarScenario* s = engine.Scenario()) {
        facts.category = s->Scenario_Type;
        facts.type = s->CalcType;
        facts.input = s->Table;
        facts.outputTable1 = s->OutputTable1;
        facts.outputTable2 = s->OutputTable2;
    }
    return facts;
}

bool ReportLoadFailure(CErr_Zelk& handler, const std::string& failure) {
    const std::size_t colon = failure.find(": ");
    if (colon == std::string::npos || colon == 0 || colon > 6) return false;
    int number = 0;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = failure[i];
        if (c < '0' || c > '9') return false;
        number = number * 10 + (c - '0');
    }
    return ReportDatabaseFailure(handler, makeError(number, failure.substr(colon + 2)));
}

std::string OutputNamesOf(const Quorvane& engine, bool bracketed) {
    const CLumvarScenario* s = engine.Scenario();
    if (!s) return {};
    std::string names;
    for (const std::string* name : {&s->OutputTable1, &s->OutputTable2}) {
        if (name->empty()) continue;
        if (!names.empty()) names += ", ";
        names += bracketed ? "[" + *name + "]" : *name;
    }
    return names;
}

void HidePasswords(CErr_Zelk& handler, const Quorvane& engine, const RunScenarioArgs& args) {
    handler.AddSecret(engine.DatabasePassword());
    for (const Database* db :
         {&engine.ScenarioDatabase(), &engine.SourceDatabase(), &engine.OutputDatabase(),
          args.ScenarioDb.database(), args.SourceDb.database(), args.OutputDb.database()})
        if (db)
            for (std::string& password : errors::ConnectPasswords(db->Connect()))
                handler.AddSecret(std::move(password));
}

}  // namespace qrv
