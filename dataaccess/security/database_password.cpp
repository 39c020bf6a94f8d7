// The database password: reading and checking it on open and attach, and
// setting, changing or clearing it (Database::NewPassword).
#include "dataaccess/security/database_password.h"

#include <optional>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/fold.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/dbengine.h"
#include "dataaccess/schema/system_tables.h"
#include "dataaccess/security/password_hash.h"

namespace qrv::dao {

namespace detail {

namespace {

Error wrongPassword() {
    return makeError(err::kNotValidPassword, "Not a valid password.");
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

struct StoredPassword {
    bool table = false;  // MSysPassword exists (its stored spelling in name)
    std::string name;
    std::optional<std::string> hash;  // its row, when it has one
};

Result<StoredPassword> readStored(Connection& c, const std::string& schema) {
    SystemAccess access(c);
    StoredPassword out;
    auto find = prepare(c, "SELECT name FROM " + quoteIdentifier(schema) +
                               ".sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE");
    if (!find) return find.error();
    sqlite3_bind_text(find->get(), 1, kPasswordTable, -1, SQLITE_STATIC);
    if (sqlite3_step(find->get()) != SQLITE_ROW) return out;
    out.table = true;
    out.name = reinterpret_cast<const char*>(sqlite3_column_text(find->get(), 0));
    auto row = prepare(c, "SELECT PasswordHash FROM " + quoteIdentifier(schema) + "." +
                              quoteIdentifier(out.name) + " LIMIT 1");
    if (!row) return row.error();
    const int rc = sqlite3_step(row->get());
    if (rc == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(row->get(), 0));
        out.hash = text ? std::string(text) : std::string();
    } else if (rc != SQLITE_DONE) {
        return mapError(c, rc);
    }
    return out;
}

}  // namespace

std::string connectPassword(std::string_view connect) {
    std::string password;
    while (!connect.empty()) {
        const size_t end = connect.find(';');
        const std::string_view part = connect.substr(0, end);
        connect = end == std::string_view::npos ? std::string_view() : connect.substr(end + 1);
        const size_t eq = part.find('=');
        if (eq != std::string_view::npos && iequal(trimmed(part.substr(0, eq)), "pwd"))
            password = std::string(part.substr(eq + 1));
    }
    return password;
}

Error checkPassword(Connection& c, const std::string& schema, std::string_view password) {
    auto stored = readStored(c, schema);
    // A file that cannot be read now (locked, damaged) is refused for that reason.
    if (!stored) return stored.error();
    if (!stored->hash) return {};
    return verifyPassword(*stored->hash, password) ? Error{} : wrongPassword();
}

}  // namespace detail

const std::string& Database::Connect() const {
    static const std::string none;
    return p_ ? p_->conn->connect : none;
}

Error Database::NewPassword(std::string_view oldPassword, std::string_view newPassword) {
    if (!IsOpen()) return detail::closedError();
    detail::Connection& c = *p_->conn;
    if (c.readOnly)
        return makeError(err::kReadOnly, "Cannot update. Database or object is read-only.");
    auto stored = detail::readStored(c, "main");
    if (!stored) return stored.error();
    const bool matches =
        stored->hash ? detail::verifyPassword(*stored->hash, oldPassword) : oldPassword.empty();
    if (!matches) return detail::wrongPassword();
    // The slow hash is made before the write lock is taken.
    std::string hash;
    if (!newPassword.empty()) {
        auto made = detail::hashPassword(newPassword);
        if (!made) return made.error();
        hash = std::move(*made);
    }
    detail::WriteScope scope(c, "qrv_password");
    if (Error e = scope.begin()) return e;
    {
        detail::SystemAccess access(c);
        const std::string table =
            quoteIdentifier(stored->table ? stored->name : std::string(detail::kPasswordTable));
        if (newPassword.empty()) {
            if (stored->table)
                if (Error e = detail::exec(c, "DROP TABLE main." + table)) return scope.fail(e);
        } else {
            if (!stored->table)
                if (Error e = detail::exec(
                        c, "CREATE TABLE main." + table + " (PasswordHash TEXT NOT NULL)"))
                    return scope.fail(e);
            if (Error e = detail::exec(c, "DELETE FROM main." + table)) return scope.fail(e);
            if (Error e = detail::exec(c, "INSERT INTO main." + table + " (PasswordHash) VALUES (" +
                                              quoteLiteral(hash) + ")"))
                return scope.fail(e);
        }
    }
    if (Error e = scope.commit()) return e;
    // A later attach or second connection to this file needs the new one.
    c.connect = newPassword.empty() ? std::string() : ";pwd=" + std::string(newPassword);
    return {};
}

}  // namespace qrv::dao
