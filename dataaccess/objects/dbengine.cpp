// The process-wide engine object, workspaces, and opening/creating files.
// A wrong path, a directory or a foreign file gives a clear numbered error and
// stays untouched: nothing is written before the header and password are checked.
#include "dataaccess/objects/dbengine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dataaccess/dialect/sql_functions.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/file_open.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/system_tables.h"
#include "dataaccess/security/database_password.h"
#include "dataaccess/security/workgroup.h"

namespace qrv::dao {

namespace detail {

namespace {

// SQLite's own timed wait, with a word to the program when a wait begins.
int busyWait(void* connection, int count) {
    // The pauses SQLite's timeout makes: short at first, then 100 ms each.
    static constexpr int kDelays[] = {1, 2, 5, 10, 15, 20, 25, 25, 25, 50, 50, 100};
    static constexpr int kSteps = static_cast<int>(sizeof kDelays / sizeof kDelays[0]);
    if (count == 0)
        DBEngine::Instance().NotifyBusyWait(static_cast<const Connection*>(connection)->path);
    int waited = 0;
    for (int i = 0; i < count; ++i) waited += i < kSteps ? kDelays[i] : 100;
    if (waited >= DBEngine::kBusyTimeoutMs) return 0;
    const int delay =
        std::min(count < kSteps ? kDelays[count] : 100, DBEngine::kBusyTimeoutMs - waited);
    sqlite3_sleep(delay);
    return 1;
}

// password: for an existing file, the one it must open with; checked before
// anything is written, so a refused open leaves the file as it was.
Error configure(Connection& c, const std::string* password = nullptr) {
    sqlite3_extended_result_codes(c.db, 1);
    // A double-quoted name must never fall back to being a string literal:
    // a misspelt field has to fail, not read as its own name.
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    if (registerDialectFunctions(c.db) != SQLITE_OK)
        return makeError(err::kReservedError, "Cannot register SQL functions.");
    if (registerStandInFunction(c) != SQLITE_OK)
        return makeError(err::kReservedError, "Cannot register SQL functions.");
    guardSystemTables(c);
    sqlite3_busy_handler(c.db, &busyWait, &c);
    if (password != nullptr)
        if (Error e = checkPassword(c, "main", *password)) return e;
    if (c.scratch) {
        if (Error e = exec(c,
                           "PRAGMA journal_mode=MEMORY; PRAGMA synchronous=OFF; "
                           "PRAGMA temp_store=MEMORY; PRAGMA cache_size=-32768"))
            return e;
    } else {
        if (Error e = exec(c, "PRAGMA cache_size=-16384")) return e;
        // Readers and a writer do not wait for each other in write-ahead
        // logging, so several runs can share a file. Where the folder or the
        // file system cannot hold the log, the file keeps its rollback journal.
        if (c.switchesJournal) {
            useWriteAheadLog(c);
            sqlite3_busy_handler(c.db, &busyWait, &c);
        }
    }
    // Reading the schema proves the file is a usable database.
    return exec(c, "SELECT count(*) FROM main.sqlite_master");
}

}  // namespace
}  // namespace detail

Workspace::Workspace(std::string name, std::string user)
    : name_(std::move(name)), user_(std::move(user)) {}

Result<Database> Workspace::OpenDatabase(std::string_view pathView, bool exclusive, bool readOnly,
                                         std::string_view connect) {
    (void)exclusive;
    std::string path(pathView);
    if (Error e = detail::checkDatabasePath(path)) return e;
    auto conn = std::make_shared<detail::Connection>();
    conn->path = path;
    const bool writable = detail::fileWritable(path);
    conn->readOnly = readOnly || !writable;
    // A file in write-ahead logging needs its log and index files even to be
    // read, and only a connection that may write removes them when it closes.
    // So a reader of a writable file opens it for writing but refuses every
    // write (query_only, and the layer's own read-only checks): reading a
    // file leaves nothing beside it.
    conn->switchesJournal = writable;
    int rc = sqlite3_open_v2(path.c_str(), &conn->db,
                             writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr);
    auto fail = [&](Error e) {
        conn->switchesJournal = false;
        conn->close();
        return e;
    };
    if (rc != SQLITE_OK) return fail(detail::mapError(*conn, rc));
    auto header = detail::readHeader(*conn, "main", path);
    if (!header) return fail(header.error());
    if (!writable && detail::readAsImmutable(path, *header)) {
        // Nothing was locked yet, so closing this connection drops nothing.
        conn->close();
        rc = sqlite3_open_v2(detail::immutableUri(path).c_str(), &conn->db,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        if (rc != SQLITE_OK) return fail(detail::mapError(*conn, rc));
    }
    conn->connect = std::string(connect);
    const std::string password = detail::connectPassword(connect);
    if (Error e = detail::configure(*conn, &password)) return fail(e);
    auto impl = std::make_shared<detail::DatabaseImpl>();
    impl->conn = conn;
    // Before query_only, which refuses temporary views too.
    detail::linkQueriesOfOtherFiles(*impl);
    if (conn->readOnly && writable)
        if (Error e = detail::exec(*conn, "PRAGMA query_only = 1")) return fail(e);
    std::lock_guard lock(mu_);
    dbs_.push_back(impl);
    return Database(impl);
}

Result<Database> Workspace::CreateDatabase(std::string_view pathView, std::string_view locale,
                                           int options) {
    std::string path(pathView);
    struct stat st {};
    if (path.empty()) return makeError(err::kNotValidPath, "'' isn't a valid path.");
    if (::stat(path.c_str(), &st) == 0)
        return makeError(err::kDatabaseExists, "Database already exists.");
    auto conn = std::make_shared<detail::Connection>();
    conn->path = path;
    conn->scratch = (options & dbScratch) != 0;
    conn->switchesJournal = !conn->scratch;
    int rc = sqlite3_open_v2(path.c_str(), &conn->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                             nullptr);
    auto fail = [&](Error e) {
        conn->close();
        std::remove(path.c_str());
        return e;
    };
    if (rc != SQLITE_OK) {
        Error e = rc == SQLITE_CANTOPEN
                      ? makeError(err::kNotValidPath,
                                  "'" + path +
                                      "' isn't a valid path. Make sure that the path "
                                      "name is spelled correctly and that you are "
                                      "connected to the server on which the file resides.")
                      : detail::mapError(*conn, rc);
        conn->close();
        return e;  // nothing was created
    }
    if (Error e = detail::configure(*conn)) return fail(e);
    auto impl = std::make_shared<detail::DatabaseImpl>();
    impl->conn = conn;
    // Writing the catalog gives the file its header, so it is a database from the start.
    if (Error e = impl->setProperty("", "", {"Locale", dbText, Value(std::string(locale))}))
        return fail(e);
    std::lock_guard lock(mu_);
    dbs_.push_back(impl);
    return Database(impl);
}

std::vector<std::shared_ptr<detail::DatabaseImpl>> Workspace::openDatabases() {
    std::vector<std::shared_ptr<detail::DatabaseImpl>> out;
    std::lock_guard lock(mu_);
    std::erase_if(dbs_, [](const auto& w) { return w.expired(); });
    for (auto& w : dbs_)
        if (auto p = w.lock(); p && p->conn->isOpen()) out.push_back(p);
    return out;
}

Error Workspace::BeginTrans() {
    for (auto& p : openDatabases()) {
        Database d(p);
        if (Error e = d.BeginTrans()) return e;
    }
    std::lock_guard lock(mu_);
    ++depth_;
    return {};
}

Error Workspace::CommitTrans() {
    return endTrans(true);
}
Error Workspace::Rollback() {
    return endTrans(false);
}

Error Workspace::endTrans(bool commit) {
    {
        std::lock_guard lock(mu_);
        if (depth_ == 0)
            return makeError(err::kNotInTransaction,
                             "You tried to commit or rollback a transaction without first "
                             "beginning a transaction.");
        --depth_;
    }
    Error first;
    for (auto& p : openDatabases()) {
        if (p->conn->txDepth == 0) continue;  // opened after the transaction began
        Database d(p);
        Error e = commit ? d.CommitTrans() : d.Rollback();
        if (e && !first) first = e;
    }
    return first;
}

void Workspace::Close() {
    for (auto& p : openDatabases()) Database(p).Close();
}

DBEngine::DBEngine() {
    workspaces_.push_back(std::make_unique<Workspace>("#Default Workspace#"));
}

DBEngine& DBEngine::Instance() {
    static DBEngine engine;
    return engine;
}

Workspace& DBEngine::Workspaces(int index) {
    std::lock_guard lock(mu_);
    if (index < 0 || static_cast<size_t>(index) >= workspaces_.size()) index = 0;
    return *workspaces_[static_cast<size_t>(index)];
}

Result<Workspace*> DBEngine::CreateWorkspace(std::string name, std::string user,
                                             std::string password) {
    const std::string system = SystemDB();
    if (system.empty()) {
        if (!iequal(user, kAdminUser) || !password.empty())
            return makeError(err::kNotValidAccount, "Not a valid account name or password.");
        user = kAdminUser;
    } else {
        auto logon = CheckWorkgroupLogon(system, user, password);
        if (!logon) return logon.error();
        user = std::move(*logon);
    }
    std::lock_guard lock(mu_);
    workspaces_.push_back(std::make_unique<Workspace>(std::move(name), std::move(user)));
    return workspaces_.back().get();
}

std::string DBEngine::SystemDB() const {
    std::lock_guard lock(mu_);
    return systemDb_;
}

void DBEngine::SetSystemDB(std::string path) {
    std::lock_guard lock(mu_);
    systemDb_ = std::move(path);
}

void DBEngine::Idle(int) {}

void DBEngine::SetBusyWaitNotifier(BusyWaitNotifier notifier) {
    std::lock_guard lock(mu_);
    busyWaitNotifier_ = std::move(notifier);
}

void DBEngine::NotifyBusyWait(const std::string& path) const {
    BusyWaitNotifier notifier;
    {
        std::lock_guard lock(mu_);
        notifier = busyWaitNotifier_;
    }
    if (notifier) notifier(path, kBusyTimeoutMs);
}

std::string DBEngine::Version() const {
    return std::string("SQLite ") + sqlite3_libversion();
}

}  // namespace qrv::dao
