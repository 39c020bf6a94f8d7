// Internal: SQLite connection lifetime and the mapping of SQLite's errors to
// the numbered errors that callers test.
#include "dataaccess/objects/connection.h"

#include <cstdlib>
#include <cstring>
#include <string_view>

#include "dataaccess/objects/file_open.h"
#include "dataaccess/schema/system_tables.h"

namespace qrv::dao::detail {

namespace {

bool startsWith(std::string_view s, std::string_view p) {
    return s.substr(0, p.size()) == p;
}

std::string after(std::string_view s, std::string_view p) {
    return std::string(s.substr(p.size()));
}

constexpr std::string_view kFunctionError = "qrv_error:";

std::string unquote(std::string s) {
    if (s.size() >= 2 && (s.front() == '"' || s.front() == '\'') && s.back() == s.front())
        return s.substr(1, s.size() - 2);
    return s;
}

}  // namespace

Connection::~Connection() {
    close();
}

void Connection::close() {
    if (db) {
        returnToRollbackJournal(*this);
        // close_v2 defers the real close until live statements are finalized.
        sqlite3_close_v2(db);
        db = nullptr;
    }
}

Error closedError() {
    return makeError(err::kObjectClosed, "Object invalid or no longer set.");
}

std::string functionErrorText(const Error& e) {
    return std::string(kFunctionError) + std::to_string(e.number) + ":" + e.description;
}

Error mapError(Connection& c, int rc) {
    const std::string msg = c.db ? sqlite3_errmsg(c.db) : sqlite3_errstr(rc);
    const int primary = rc & 0xff;
    if (startsWith(msg, kFunctionError)) {
        const std::string rest = after(msg, kFunctionError);
        const size_t colon = rest.find(':');
        if (colon != std::string::npos && colon > 0)
            return makeError(std::atoi(rest.substr(0, colon).c_str()), rest.substr(colon + 1));
    }
    if (primary == SQLITE_CONSTRAINT) {
        if (startsWith(msg, "CHECK constraint failed: ")) {
            std::string name = after(msg, "CHECK constraint failed: ");
            if (startsWith(name, "qrv_zero_length:"))
                return makeError(err::kZeroLength, "Field '" + after(name, "qrv_zero_length:") +
                                                       "' cannot be a zero-length string.");
            if (startsWith(name, "qrv_size:"))
                return makeError(err::kFieldTooSmall,
                                 "The field is too small to accept the amount of data you "
                                 "attempted to add. Try inserting or pasting less data.");
            if (startsWith(name, "qrv_key:"))
                return makeError(err::kNullInKey,
                                 "Index or primary key cannot contain a Null value (field '" +
                                     after(name, "qrv_key:") + "').");
            if (startsWith(name, "qrv_type:") || startsWith(name, "qrv_range:")) {
                // "qrv_type:<type>:<field>"; a type name holds no colon.
                const bool range = startsWith(name, "qrv_range:");
                const std::string rest = after(name, range ? "qrv_range:" : "qrv_type:");
                const std::string type = rest.substr(0, rest.find(':'));
                const std::string field =
                    rest.find(':') == std::string::npos ? rest : rest.substr(rest.find(':') + 1);
                if (range)
                    return makeError(err::kOverflow, "Numeric field overflow: field '" + field +
                                                         "' holds " + type + " values.");
                return makeError(err::kTypeConversion, "Data type conversion error: field '" +
                                                           field + "' holds " + type + " values.");
            }
            if (startsWith(name, "qrv_table_rule:"))
                return makeError(err::kValidationRule,
                                 "One or more values are prohibited by the validation rule set "
                                 "for '" +
                                     after(name, "qrv_table_rule:") +
                                     "'. Enter a value that the expression for this table can "
                                     "accept.");
            if (startsWith(name, "qrv_rule:"))
                return makeError(err::kValidationRule,
                                 "One or more values are prohibited by the validation rule set "
                                 "for '" +
                                     after(name, "qrv_rule:") +
                                     "'. Enter a value that the expression for this field can "
                                     "accept.");
            // A rule with a validation text carries that text as its name.
            return makeError(err::kValidationRule, name);
        }
        if (startsWith(msg, "NOT NULL constraint failed: "))
            return makeError(err::kRequired,
                             "The field '" + after(msg, "NOT NULL constraint failed: ") +
                                 "' cannot contain a Null value because the Required property for "
                                 "this field is set to True. Enter a value in this field.");
        if (startsWith(msg, "UNIQUE constraint failed") || (rc == SQLITE_CONSTRAINT_PRIMARYKEY))
            return makeError(err::kDuplicateKey,
                             "The changes you requested to the table were not successful because "
                             "they would create duplicate values in the index, primary key, or "
                             "relationship. Change the data in the field or fields that contain "
                             "duplicate data, remove the index, or redefine the index to permit "
                             "duplicate entries and try again.");
        return makeError(err::kValidationRule, msg);
    }
    switch (primary) {
        case SQLITE_READONLY:
            return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
        case SQLITE_CORRUPT:
            return damagedFile(c.path);
        case SQLITE_NOTADB:
            return makeError(err::kUnrecognizedFormat,
                             "Unrecognized database format '" + c.path + "'.");
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return makeError(err::kLocked,
                             "Could not update; currently locked by another "
                             "session on this machine.");
        case SQLITE_FULL:
            return makeError(err::kDiskFull, "Not enough space on disk.");
        case SQLITE_CANTOPEN:
        case SQLITE_PERM:
            return makeError(err::kCannotOpen, "The database engine cannot open the file '" +
                                                   c.path +
                                                   "'. It is already opened exclusively by "
                                                   "another user, or you need permission to "
                                                   "view its data.");
        case SQLITE_AUTH:
            return refusedError(c);
        case SQLITE_NOMEM:
            return makeError(3035, "System resource exceeded.");
        case SQLITE_IOERR:
            return makeError(3043, "Disk or network error.");
        default:
            break;
    }
    if (startsWith(msg, "no such table: ")) {
        std::string name = after(msg, "no such table: ");
        if (startsWith(name, "main.")) name = name.substr(5);
        return makeError(err::kInputTableNotFound,
                         "The database engine cannot find the input table or query '" + name +
                             "'. Make sure it exists and that its name is spelled correctly.");
    }
    if (startsWith(msg, "no such column: "))
        return makeError(err::kTooFewParameters, "Too few parameters. Expected 1.");
    if (msg.find("already exists") != std::string::npos) {
        // "table "X" already exists" / "index X already exists"
        std::string_view m = msg;
        bool table = startsWith(m, "table ");
        std::string name = unquote(
            std::string(m.substr(m.find(' ') + 1, m.rfind(" already exists") - m.find(' ') - 1)));
        if (table) return makeError(err::kTableExists, "Table '" + name + "' already exists.");
        return makeError(err::kObjectExists, "Object '" + name + "' already exists.");
    }
    if (msg.find("syntax error") != std::string::npos || startsWith(msg, "incomplete input"))
        return makeError(err::kSyntaxInExpression, "Syntax error in query expression: " + msg);
    return makeError(err::kReservedError, "Database engine error: " + msg);
}

WriteScope::WriteScope(Connection& c, std::string savepoint)
    : c_(c), savepoint_(std::move(savepoint)) {}

Error WriteScope::begin() {
    if (!c_.db) return closedError();
    ownTx_ = sqlite3_get_autocommit(c_.db) != 0;
    // A transaction of its own takes the write lock at once: schema work reads
    // before it writes, and a deferred one could not turn into writing once
    // another connection had written meanwhile.
    if (Error e = exec(c_, ownTx_ ? "BEGIN IMMEDIATE" : "SAVEPOINT " + savepoint_)) return e;
    open_ = true;
    return {};
}

Error WriteScope::commit() {
    if (!open_) return {};
    if (Error e = exec(c_, ownTx_ ? "COMMIT" : "RELEASE " + savepoint_)) {
        rollback();
        return e;
    }
    open_ = false;
    return {};
}

void WriteScope::rollback() {
    if (!open_ || !c_.db) return;
    open_ = false;
    if (ownTx_) {
        if (sqlite3_get_autocommit(c_.db) == 0) exec(c_, "ROLLBACK");
        return;
    }
    exec(c_, "ROLLBACK TO " + savepoint_);
    exec(c_, "RELEASE " + savepoint_);
}

Result<Stmt> prepare(Connection& c, const std::string& sql) {
    if (!c.db) return closedError();
    sqlite3_stmt* s = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(c.db, sql.c_str(), static_cast<int>(sql.size() + 1), &s, &tail);
    if (rc != SQLITE_OK) {
        Error e = mapError(c, rc);
        if (s) sqlite3_finalize(s);
        return e;
    }
    return Stmt(s);
}

Error exec(Connection& c, const std::string& sql) {
    if (!c.db) return closedError();
    char* msg = nullptr;
    int rc = sqlite3_exec(c.db, sql.c_str(), nullptr, nullptr, &msg);
    if (msg) sqlite3_free(msg);
    if (rc != SQLITE_OK) return mapError(c, rc);
    return {};
}

}  // namespace qrv::dao::detail
