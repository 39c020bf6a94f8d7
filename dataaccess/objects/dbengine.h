// DBEngine and Workspace: the process-wide entry to the data-access layer.
// DBEngine is created on first use and is safe to share between threads; each
// engine object works on its own Database handles.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/error.h"
#include "dataaccess/objects/database.h"
#include "dataaccess/security/workgroup.h"

namespace qrv::dao {

// Options for CreateDatabase beyond the desktop engine's: a scratch database is
// throwaway, so it trades crash safety for speed.
inline constexpr int dbScratch = 0x10000;

class Workspace {
  public:
    // The default user is the one every log-on without a workgroup gets, so a
    // scenario made from the command line names its author as the designer does.
    explicit Workspace(std::string name, std::string user = kAdminUser);
    const std::string& Name() const { return name_; }
    const std::string& UserName() const { return user_; }

    // Opens an existing file. A file without write permission opens read-only.
    // A file with a password opens only when connect carries it (";pwd=..."),
    // else 3031.
    Result<Database> OpenDatabase(std::string_view path, bool exclusive = false,
                                  bool readOnly = false, std::string_view connect = {});
    // Creates a new file; fails with 3204 when it exists.
    Result<Database> CreateDatabase(std::string_view path, std::string_view locale,
                                    int options = 0);

    // One transaction over every database this workspace has open; nests.
    Error BeginTrans();
    Error CommitTrans();
    Error Rollback();

    void Close();

  private:
    std::vector<std::shared_ptr<detail::DatabaseImpl>> openDatabases();
    Error endTrans(bool commit);
    std::string name_;
    std::string user_;
    std::mutex mu_;
    std::vector<std::weak_ptr<detail::DatabaseImpl>> dbs_;
    int depth_ = 0;
};

class DBEngine {
  public:
    static DBEngine& Instance();

    Workspace& Workspaces(int index);  // only 0 exists until CreateWorkspace adds more
    // Logs the user on against the workgroup file at SystemDB() and adds the
    // workspace: 3029 for an unknown user or a wrong password, 3028 when the
    // file is missing. With no SystemDB only "Admin" with an empty password
    // logs on.
    Result<Workspace*> CreateWorkspace(std::string name, std::string user, std::string password);
    std::string SystemDB() const;
    void SetSystemDB(std::string path);
    // Lets pending writes settle; with dbRefreshCache nothing is cached in this layer.
    void Idle(int action = 0);
    std::string Version() const;  // the storage engine's version

    // How long a statement waits for another connection's lock before it
    // fails as locked.
    static constexpr int kBusyTimeoutMs = 15000;
    // Called once each time a statement starts to wait for a lock that
    // another connection holds, with the file and the longest wait in
    // milliseconds, so that a program can say why it stands still. Runs on
    // the waiting thread; empty (the default) says nothing.
    using BusyWaitNotifier = std::function<void(const std::string& path, int timeoutMs)>;
    void SetBusyWaitNotifier(BusyWaitNotifier notifier);
    void NotifyBusyWait(const std::string& path) const;

    Error BeginTrans() { return Workspaces(0).BeginTrans(); }
    Error CommitTrans() { return Workspaces(0).CommitTrans(); }
    Error Rollback() { return Workspaces(0).Rollback(); }
    Result<Database> OpenDatabase(std::string_view path, bool exclusive = false,
                                  bool readOnly = false, std::string_view connect = {}) {
        return Workspaces(0).OpenDatabase(path, exclusive, readOnly, connect);
    }
    Result<Database> CreateDatabase(std::string_view path, std::string_view locale,
                                    int options = 0) {
        return Workspaces(0).CreateDatabase(path, locale, options);
    }

  private:
    DBEngine();
    mutable std::mutex mu_;
    std::vector<std::unique_ptr<Workspace>> workspaces_;
    std::string systemDb_;
    BusyWaitNotifier busyWaitNotifier_;
};

}  // namespace qrv::dao
