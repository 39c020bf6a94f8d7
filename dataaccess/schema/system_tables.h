// The layer's own tables inside a file: the database password, and the
// accounts of a workgroup file. Users never see them in table lists, and no
// statement of theirs may read or change them: SQLite's authorizer, installed
// on every connection, refuses each use unless the layer itself opened the way
// with a SystemAccess scope. While a statement of the query dialect is
// prepared (DialectScope), the guard also refuses every internal table:
// SQLite's own (sqlite_master, sqlite_sequence, sqlite_stat*), its
// table-valued functions (pragma_*, dbstat, json_each ...) and the property
// catalog, whether the statement names them or reaches them through a stored
// query or a trigger.
#pragma once

#include <string>
#include <string_view>

#include "dataaccess/dialect/reserved_names.h"
#include "dataaccess/objects/connection.h"

namespace qrv::dao::detail {

// Installs the guard on a connection (again after anyone replaced it).
void guardSystemTables(Connection& c);

// The numbered error for the last statement the guard refused.
Error refusedError(const Connection& c);

// While alive, the connection's statements may use the system tables.
class SystemAccess {
  public:
    explicit SystemAccess(Connection& c) : c_(c) { ++c_.systemAccess; }
    ~SystemAccess() { --c_.systemAccess; }
    SystemAccess(const SystemAccess&) = delete;
    SystemAccess& operator=(const SystemAccess&) = delete;

  private:
    Connection& c_;
};

// While alive, statements prepared on the connection are the user's.
class DialectScope {
  public:
    explicit DialectScope(Connection& c) : c_(c) { ++c_.dialect; }
    ~DialectScope() { --c_.dialect; }
    DialectScope(const DialectScope&) = delete;
    DialectScope& operator=(const DialectScope&) = delete;

  private:
    Connection& c_;
};

// Prepares translated dialect SQL inside a DialectScope.
Result<Stmt> prepareDialect(Connection& c, const std::string& sql);

}  // namespace qrv::dao::detail
