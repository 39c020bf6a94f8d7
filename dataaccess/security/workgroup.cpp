// Workgroup files (see workgroup.h), made and read through the layer's own
// databases; the accounts table is a system table, so only these routines
// reach it.
#include "dataaccess/security/workgroup.h"

#include <cstdio>
#include <optional>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/dbengine.h"
#include "dataaccess/schema/system_tables.h"
#include "dataaccess/security/password_hash.h"
#include "dataaccess/types.h"
#include "dataaccess/value.h"

namespace qrv::dao {

namespace {

using detail::Connection;

Error workgroupMissing() {
    return makeError(err::kWorkgroupMissing,
                     "Can't start your application. The workgroup information file is missing or "
                     "opened exclusively by another user.");
}

Error notValidAccount() {
    return makeError(err::kNotValidAccount, "Not a valid account name or password.");
}

struct Account {
    std::string name;
    std::string hash;
};

// Opens a workgroup file; anything that is not one reads as missing.
Result<Database> openWorkgroup(const std::string& path, bool readOnly) {
    auto db = DBEngine::Instance().Workspaces(0).OpenDatabase(path, false, readOnly);
    if (!db) return workgroupMissing();
    return db;
}

// The account of that name (any letter case); 3028 when the file has no accounts table.
Result<std::optional<Account>> findAccount(Connection& c, const std::string& user) {
    detail::SystemAccess access(c);
    auto st = detail::prepare(c, std::string("SELECT Name, PasswordHash FROM main.") +
                                     quoteIdentifier(detail::kAccountsTable));
    if (!st) return workgroupMissing();
    std::optional<Account> found;
    int rc;
    while ((rc = sqlite3_step(st->get())) == SQLITE_ROW) {
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0));
        const auto* hash = reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 1));
        if (name && iequal(name, user)) found = Account{name, hash ? hash : ""};
    }
    if (rc != SQLITE_DONE) return detail::mapError(c, rc);
    return found;
}

// An unknown name costs the same slow check as a known one, so that the time
// a refusal takes tells nothing about which names exist.
bool passwordMatches(const std::optional<Account>& account, const std::string& password) {
    static const std::string standIn = [] {
        auto h = detail::hashPassword("no account");
        return h ? *h : std::string();
    }();
    if (!account) {
        (void)detail::verifyPassword(standIn, password);
        return false;
    }
    return detail::verifyPassword(account->hash, password);
}

Error validUserName(const std::string& user) {
    const auto length = utf8Length(user);
    if (user.empty() || !length || *length > static_cast<size_t>(kMaxUserName) ||
        user.front() == ' ')
        return makeError(err::kInvalidArgument, "Invalid argument.");
    return {};
}

Error writeAccount(Connection& c, const std::string& name, const std::string& hash, bool update) {
    detail::WriteScope scope(c, "qrv_account");
    if (Error e = scope.begin()) return e;
    detail::SystemAccess access(c);
    const std::string table = std::string("main.") + quoteIdentifier(detail::kAccountsTable);
    const std::string sql = update
                                ? "UPDATE " + table + " SET PasswordHash = " + quoteLiteral(hash) +
                                      " WHERE Name = " + quoteLiteral(name)
                                : "INSERT INTO " + table + " (Name, PasswordHash) VALUES (" +
                                      quoteLiteral(name) + ", " + quoteLiteral(hash) + ")";
    if (Error e = detail::exec(c, sql)) return scope.fail(e);
    return scope.commit();
}

}  // namespace

Error CreateWorkgroupFile(const std::string& path) {
    auto hash = detail::hashPassword("");
    if (!hash) return hash.error();
    auto db = DBEngine::Instance().Workspaces(0).CreateDatabase(path, dbLangGeneral);
    if (!db) return db.error();
    Connection& c = *detail::DatabaseAccess::of(*db).conn;
    Error e;
    {
        detail::SystemAccess access(c);
        e = detail::exec(c, std::string("CREATE TABLE main.") +
                                quoteIdentifier(detail::kAccountsTable) +
                                " (Name TEXT(20) PRIMARY KEY COLLATE NOCASE, PasswordHash "
                                "TEXT(255) NOT NULL)");
    }
    if (!e) e = writeAccount(c, kAdminUser, *hash, false);
    db->Close();
    if (e) std::remove(path.c_str());
    return e;
}

Error AddWorkgroupUser(const std::string& workgroup, const std::string& user,
                       const std::string& password) {
    if (Error e = validUserName(user)) return e;
    auto db = openWorkgroup(workgroup, false);
    if (!db) return db.error();
    Connection& c = *detail::DatabaseAccess::of(*db).conn;
    auto found = findAccount(c, user);
    if (!found) return found.error();
    if (*found) return makeError(err::kAccountExists, "Account name already exists.");
    auto hash = detail::hashPassword(password);
    if (!hash) return hash.error();
    Error e = writeAccount(c, user, *hash, false);
    db->Close();
    return e;
}

Error SetWorkgroupPassword(const std::string& workgroup, const std::string& user,
                           const std::string& oldPassword, const std::string& newPassword) {
    auto db = openWorkgroup(workgroup, false);
    if (!db) return db.error();
    Connection& c = *detail::DatabaseAccess::of(*db).conn;
    auto found = findAccount(c, user);
    if (!found) return found.error();
    if (!passwordMatches(*found, oldPassword)) return notValidAccount();
    auto hash = detail::hashPassword(newPassword);
    if (!hash) return hash.error();
    Error e = writeAccount(c, (*found)->name, *hash, true);
    db->Close();
    return e;
}

Result<std::string> CheckWorkgroupLogon(const std::string& workgroup, const std::string& user,
                                        const std::string& password) {
    auto db = openWorkgroup(workgroup, true);
    if (!db) return db.error();
    auto found = findAccount(*detail::DatabaseAccess::of(*db).conn, user);
    db->Close();
    if (!found) return found.error();
    if (!passwordMatches(*found, password)) return notValidAccount();
    return (*found)->name;
}

}  // namespace qrv::dao
