// Output tables appear whole or not at all: each is written under a working
// name and swapped in under its real name, replacing the old table, in one
// transaction at the end of a clean run. A failed run drops the working
// tables and leaves the old ones as they were.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "engine/quorvane.h"
#include "engine/run_report.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Working tables carry the machine and the process that write them, so that
// only tables of processes of this machine that are gone count as leftovers.
std::string hostTag() {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (const char* c = host; *c; ++c) h = (h ^ static_cast<unsigned char>(*c)) * 16777619u;
    char tag[9];
    std::snprintf(tag, sizeof tag, "%08x", h);
    return tag;
}

}  // namespace

void Quorvane::RemoveDeadRunLeftovers(Database& db) {
    RemoveDeadScratchFiles();
    if (!db.IsOpen() || !db.Updatable()) return;
    const std::string host = hostTag();
    for (const std::string& name : db.TableDefNames(true)) {
        if (!IsWorkingTableName(name)) continue;
        // ~qrvwork_<host>_<pid>_...
        const std::string rest = name.substr(kWorkingPrefix.size());
        if (rest.compare(0, host.size(), host) != 0 || rest.size() <= host.size() + 1) continue;
        const long pid = std::strtol(rest.c_str() + host.size() + 1, nullptr, 10);
        if (pid > 0 && pid != ::getpid() && !ProcessAlive(pid)) db.DeleteTableDef(name);
    }
}

// Working tables that could not be dropped while the input was still being
// read go once the run's recordsets are closed.
void Quorvane::dropLeftoverWorkingTables() {
    if (!outputDb_.IsOpen()) return;
    for (const std::string& name : abandonedWorking_) outputDb_.DeleteTableDef(name);
    abandonedWorking_.clear();
}

std::string Quorvane::WorkingTableName(const std::string& finalName) const {
    for (const PendingOutput& p : pendingOutputs_)
        if (iequal(p.finalName, finalName)) return p.workingName;
    return finalName;
}

Result<Recordset> Quorvane::CreateOutputTable(TableDef& def) {
    ProcedureScope scope(err_, "Quorvane_CreateTable");
    const std::string finalName = def.Name;
    bool replacing = false;
    for (const std::string& r : replacedOutputs_) replacing = replacing || iequal(r, finalName);
    if (!replacing && outputDb_.GetTableDef(finalName))
        return makeError(err::kTableExists, "Table '" + finalName + "' already exists.");
    if (Error e = CheckObjectName(finalName)) return e;
    def.Name = std::string(kWorkingPrefix) + hostTag() + "_" + std::to_string(::getpid()) + "_" +
               std::to_string(reinterpret_cast<std::uintptr_t>(this) % 1000000) + "_" +
               std::to_string(++workingTables_);  // never reused within the engine's life
    // Which scenario wrote the table goes with the table, through the rename.
    def.AppendProperty({kOwnerProperty, dbText, Value(OwnerTag())});
    OperationScope op(err_, "Creating the output table [" + finalName + "] as [" + def.Name + "]",
                      errors::FailingObject::OnTable(def.Name));
    outputDb_.DeleteTableDef(def.Name);  // a leftover of a killed run of this same process id
    Error e = outputDb_.AppendTableDef(def);
    const std::string working = def.Name;
    def.Name = finalName;
    if (e) {
        ReportDatabaseFailure(err_, e);
        return e;
    }
    pendingOutputs_.push_back({finalName, working});
    auto rs = outputDb_.OpenRecordset(working, dbOpenDynaset);
    if (!rs) ReportDatabaseFailure(err_, rs.error());
    return rs;
}

std::string Quorvane::Quorvane_CreateTable(TableDef& def, bool fOpen) {
    auto rs = CreateOutputTable(def);
    if (!rs) return rs.error().description;
    if (fOpen) rsOutput_ = std::move(*rs);
    return {};
}

std::string Quorvane::commitOutputs() {
    dropLeftoverWorkingTables();
    if (pendingOutputs_.empty() && replacedOutputs_.empty()) return {};
    ProcedureScope scope(err_, "Quorvane_CommitOutputs");
    OperationScope op(err_, "Swapping the output tables in");
    Database& db = outputDb_;
    if (Error e = db.BeginTrans()) {
        ReportDatabaseFailure(err_, e);
        discardOutputs();
        return e.description;
    }
    Error failed;
    for (const std::string& name : replacedOutputs_) {
        if (!db.GetTableDef(name)) continue;
        err_.SetCurrentOperation("Swapping the output tables in: dropping the old [" + name + "]");
        err_.SetCurrentObject(errors::FailingObject::OnTable(name));
        if ((failed = db.DeleteTableDef(name))) break;
    }
    if (!failed)
        for (const PendingOutput& p : pendingOutputs_) {
            err_.SetCurrentOperation("Swapping the output tables in: renaming [" + p.workingName +
                                     "] to [" + p.finalName + "]");
            err_.SetCurrentObject(errors::FailingObject::OnTable(p.workingName));
            if ((failed = db.RenameTableDef(p.workingName, p.finalName))) break;
        }
    if (!failed) {
        err_.SetCurrentOperation("Swapping the output tables in: committing");
        err_.SetCurrentObject({});
        failed = db.CommitTrans();
    }
    if (failed) {
        db.Rollback();  // before the report, which may wait for the user
        ReportDatabaseFailure(err_, failed);
        discardOutputs();
        return failed.description;
    }
    for (const PendingOutput& p : pendingOutputs_) writtenOutputs_.push_back(p.finalName);
    pendingOutputs_.clear();
    replacedOutputs_.clear();
    return {};
}

void Quorvane::discardOutputs() {
    dropLeftoverWorkingTables();
    for (const PendingOutput& p : pendingOutputs_)
        if (outputDb_.IsOpen()) outputDb_.DeleteTableDef(p.workingName);
    pendingOutputs_.clear();
    replacedOutputs_.clear();
}

}  // namespace qrv
