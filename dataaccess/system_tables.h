// The layer's own tables inside a file: the database password, and the
// accounts of a workgroup file. Users never see them in table lists, and no
// statement of theirs may read or change them: SQLite's authorizer, installed
// on every connection, refuses each use unless the layer itself opened the way
// with a SystemAccess scope.
#pragma once

#include <string_view>

#include "dataaccess/connection.h"

namespace qrv::dao::detail {

inline constexpr const char* kPasswordTable = "MSysPassword";
inline constexpr const char* kAccountsTable = "MSysAccounts";

bool isSystemTable(std::string_view name);

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

}  // namespace qrv::dao::detail
