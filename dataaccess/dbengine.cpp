// The process-wide engine object, workspaces, and opening/creating files.
// Files are checked before SQLite touches them, so a wrong path, a directory,
// a foreign or truncated file gives a clear numbered error and stays untouched.
#include "dataaccess/dbengine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "dataaccess/database_impl.h"
#include "dataaccess/database_password.h"
#include "dataaccess/fold.h"
#include "dataaccess/memory_table.h"
#include "dataaccess/sql_functions.h"
#include "dataaccess/system_tables.h"
#include "dataaccess/workgroup.h"

namespace qrv::dao {

namespace detail {

namespace {
unsigned readBE(const unsigned char* p, int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}
}  // namespace

Error checkDatabaseFile(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0) {
        if (!path.empty() && errno != ENOENT && errno != ENOTDIR)
            return makeError(err::kNotValidPath,
                             "'" + path +
                                 "' isn't a valid path. Make sure that the path name is "
                                 "spelled correctly and that you are connected to the "
                                 "server on which the file resides.");
        return makeError(err::kFileNotFound, "Could not find file '" + path + "'.");
    }
    if (S_ISDIR(st.st_mode))
        return makeError(err::kNotValidPath,
                         "'" + path +
                             "' isn't a valid path. Make sure that the path name is "
                             "spelled correctly and that you are connected to the server "
                             "on which the file resides.");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return makeError(err::kCannotOpen, "The database engine cannot open the file '" + path +
                                               "'. It is already opened exclusively by another "
                                               "user, or you need permission to view its data.");
    unsigned char h[100] = {};
    in.read(reinterpret_cast<char*>(h), sizeof h);
    if (in.gcount() < 100 || std::memcmp(h, "SQLite format 3\0", 16) != 0)
        return makeError(err::kUnrecognizedFormat, "Unrecognized database format '" + path + "'.");
    unsigned pageSize = readBE(h + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    const unsigned changeCounter = readBE(h + 24, 4);
    const unsigned pages = readBE(h + 28, 4);
    const unsigned validFor = readBE(h + 92, 4);
    const bool sizeValid = pages != 0 && changeCounter == validFor;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0 ||
        st.st_size % static_cast<off_t>(pageSize) != 0 ||
        (sizeValid && static_cast<unsigned long long>(st.st_size) <
                          static_cast<unsigned long long>(pages) * pageSize))
        return makeError(err::kCorrupt, "Cannot open database '" + path +
                                            "'. It may not be a database that your application "
                                            "recognizes, or the file may be corrupt.");
    return {};
}

namespace {

bool fileWritable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return false;
    // The permission bits count even for a privileged user, as a read-only attribute would.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
    return ::access(path.c_str(), W_OK) == 0;
}

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
    sqlite3_busy_handler(c.db, &busyWait, &c);
    sqlite3_extended_result_codes(c.db, 1);
    // A double-quoted name must never fall back to being a string literal:
    // a misspelt field has to fail, not read as its own name.
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(c.db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    if (registerDialectFunctions(c.db) != SQLITE_OK)
        return makeError(err::kReservedError, "Cannot register SQL functions.");
    c.memory = registerMemoryTables(c.db);
    guardSystemTables(c);
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
        if (!c.readOnly) exec(c, "PRAGMA journal_mode=WAL");
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
    if (Error e = detail::checkDatabaseFile(path)) return e;
    auto conn = std::make_shared<detail::Connection>();
    conn->path = path;
    const bool writable = detail::fileWritable(path);
    conn->readOnly = readOnly || !writable;
    // A file in write-ahead logging needs its log and index files even to be
    // read, and only a connection that may write removes them when it closes.
    // So a reader of a writable file opens it for writing but refuses every
    // write (query_only, and the layer's own read-only checks): reading a
    // file leaves nothing beside it.
    int flags = writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY;
    int rc = sqlite3_open_v2(path.c_str(), &conn->db, flags, nullptr);
    if (rc == SQLITE_OK && conn->readOnly && writable)
        rc = sqlite3_exec(conn->db, "PRAGMA query_only = 1", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        Error e = detail::mapError(*conn, rc);
        conn->close();
        return e;
    }
    conn->connect = std::string(connect);
    const std::string password = detail::connectPassword(connect);
    if (Error e = detail::configure(*conn, &password)) {
        conn->close();
        return e;
    }
    auto impl = std::make_shared<detail::DatabaseImpl>();
    impl->conn = std::move(conn);
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
