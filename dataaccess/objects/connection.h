// Internal: one open SQLite connection with the state the object model needs
// (read-only flag, transaction depth, attached source files). Shared by the
// Database and every Recordset opened on it, so a recordset that outlives a
// closed database fails cleanly instead of touching a dead handle.
#pragma once

#include <sqlite3.h>

#include <map>
#include <memory>
#include <string>

#include "dataaccess/error.h"

namespace qrv::dao::detail {

struct Connection {
    sqlite3* db = nullptr;
    std::string path;
    bool readOnly = false;
    bool scratch = false;
    // Opened for writing on a file of the user's: it takes the write-ahead
    // log while open and gives it back when it is the file's last user.
    bool switchesJournal = false;
    int txDepth = 0;
    std::map<std::string, std::string> attached;  // file path -> schema name
    // Stored queries of another file's tables whose file could not be read
    // when this connection opened (stored_queries.h): stored name -> why.
    std::map<std::string, Error> unlinkedQueries;
    // The connect text the file was opened with (";pwd=..."): a source file
    // attached later, or a second connection to the same file, needs it too.
    std::string connect;
    // Above zero while the layer itself reads or writes its system tables;
    // otherwise the guard (system_tables.h) refuses every statement on them.
    int systemAccess = 0;
    // Above zero while a statement of the query dialect is prepared: the
    // guard then refuses SQLite's and the layer's internal tables too.
    int dialect = 0;
    // What the guard refused last, for the error message.
    std::string refusedTable;
    int refusedAction = 0;

    ~Connection();
    bool isOpen() const { return db != nullptr; }
    void close();
};

using ConnectionPtr = std::shared_ptr<Connection>;

// A prepared statement that finalizes itself.
class Stmt {
  public:
    Stmt() = default;
    explicit Stmt(sqlite3_stmt* s) : s_(s) {}
    Stmt(Stmt&& o) noexcept : s_(o.s_) { o.s_ = nullptr; }
    Stmt& operator=(Stmt&& o) noexcept {
        if (this != &o) {
            reset();
            s_ = o.s_;
            o.s_ = nullptr;
        }
        return *this;
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    ~Stmt() { reset(); }
    void reset() {
        if (s_) sqlite3_finalize(s_);
        s_ = nullptr;
    }
    sqlite3_stmt* get() const { return s_; }
    explicit operator bool() const { return s_ != nullptr; }

  private:
    sqlite3_stmt* s_ = nullptr;
};

// One step of schema work as a whole: a transaction of its own, or a
// savepoint inside the caller's transaction. Rolled back unless committed.
class WriteScope {
  public:
    WriteScope(Connection& c, std::string savepoint);
    WriteScope(const WriteScope&) = delete;
    WriteScope& operator=(const WriteScope&) = delete;
    ~WriteScope() { rollback(); }
    Error begin();
    Error commit();
    // Undoes the work and hands e back, for `return scope.fail(e);`.
    Error fail(Error e) {
        rollback();
        return e;
    }
    void rollback();

  private:
    Connection& c_;
    std::string savepoint_;
    bool ownTx_ = false;
    bool open_ = false;
};

// Prepares SQLite SQL (already translated); errors mapped to numbered errors.
Result<Stmt> prepare(Connection& c, const std::string& sql);
// Runs SQLite SQL that returns no rows.
Error exec(Connection& c, const std::string& sql);
// Maps the connection's last SQLite error (result code rc) to a numbered error.
Error mapError(Connection& c, int rc);
// The message an SQL function of the layer fails with to hand a numbered
// error through SQLite: mapError gives that error back.
std::string functionErrorText(const Error& e);
Error closedError();

}  // namespace qrv::dao::detail
