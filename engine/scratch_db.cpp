// The scratch database: a throwaway file in the user's temporary folder for
// the sort and rank tables. Its name carries the process id and the engine
// object, so parallel runs never share one; a file whose process is gone is
// the leftover of a crashed run and is removed on the next run.
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "engine/quorvane.h"

namespace qrv {

using namespace qrv::dao;

namespace {

// Removes "qrv<pid>_<id>.tmp" files whose process no longer runs.
void removeStaleScratchFiles(const std::string& folder) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    while (dirent* e = ::readdir(d)) {
        long pid = 0;
        unsigned long long id = 0;
        char tail[8] = {};
        if (std::sscanf(e->d_name, "qrv%ld_%llx.%4s", &pid, &id, tail) != 3) continue;
        if (std::string(tail) != "tmp" || Quorvane::ProcessAlive(pid)) continue;
        std::remove((folder + "/" + e->d_name).c_str());
    }
    ::closedir(d);
}

}  // namespace

bool Quorvane::ProcessAlive(long pid) {
    return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM);
}

std::string Quorvane::ScratchFolder() {
    std::error_code ec;
    auto p = std::filesystem::temp_directory_path(ec);
    return ec ? std::string("/tmp") : p.string();
}

void Quorvane::RemoveDeadScratchFiles() {
    removeStaleScratchFiles(ScratchFolder());
}

bool Quorvane::Quorvane_UTIL_MakeTempDB() {
    ProcedureScope scope(err_, "Quorvane_UTIL_MakeTempDB");
    const std::string folder = ScratchFolder();
    char name[64];
    std::snprintf(name, sizeof name, "qrv%ld_%llx.tmp", static_cast<long>(::getpid()),
                  static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(this)));
    scratchPath_ = folder + "/" + name;
    removeStaleScratchFiles(folder);
    std::error_code ec;
    if (std::filesystem::exists(scratchPath_, ec)) {
        scratchDb_.Close();
        scratchDb_ = Database();
        DBEngine::Instance().Idle(dbRefreshCache);
        if (!std::filesystem::remove(scratchPath_, ec)) return false;
    }
    OperationScope op(err_, "Creating the scratch database " + scratchPath_);
    auto db = DBEngine::Instance().CreateDatabase(scratchPath_, dbLangGeneral, dbScratch);
    if (!db) {
        err_.HandleError(db.error().number, db.error().description);
        return false;
    }
    scratchDb_ = *db;
    return true;
}

void Quorvane::cleanupScratch() {
    if (scratchPath_.empty()) return;
    std::error_code ec;
    if (std::filesystem::exists(scratchPath_, ec)) {
        scratchDb_.Close();
        DBEngine::Instance().Idle(dbRefreshCache);
        std::filesystem::remove(scratchPath_, ec);
    }
    scratchDb_ = Database();
}

void Quorvane::Quorvane_DeleteTable(bool fScratch, const std::string& name) {
    if (fScratch) {
        scratchDb_.DeleteTableDef(name);  // errors ignored: it may not exist
        return;
    }
    // An output table of this run is being written under a working name: drop that.
    for (auto it = pendingOutputs_.begin(); it != pendingOutputs_.end(); ++it) {
        if (iequal(it->finalName, name)) {
            if (outputDb_.DeleteTableDef(it->workingName))
                abandonedWorking_.push_back(it->workingName);
            pendingOutputs_.erase(it);
            break;
        }
    }
    // The existing table goes only when the run succeeds, in the same step that
    // puts the new one in its place.
    for (const std::string& r : replacedOutputs_)
        if (iequal(r, name)) return;
    replacedOutputs_.push_back(name);
}

}  // namespace qrv
