// Internal: stored queries that can neither be stored broken nor, once broken
// (a table they read dropped or renamed later), get in the way of schema
// changes to other tables.
#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "dataaccess/connection.h"

namespace qrv::dao::detail {

// SQLite's ALTER TABLE re-checks every view in the file, so one broken query
// would block every rename and remake of unrelated tables. In the legacy mode
// SQLite neither checks views nor rewrites their texts: a query keeps naming
// what it named, as a stored query does when a table it reads is renamed.
class LegacyAlterScope {
  public:
    explicit LegacyAlterScope(sqlite3* db) : db_(db) {
        if (!db_) return;
        sqlite3_db_config(db_, SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, -1, &before_);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, 1, nullptr);
    }
    ~LegacyAlterScope() {
        if (db_) sqlite3_db_config(db_, SQLITE_DBCONFIG_LEGACY_ALTER_TABLE, before_, nullptr);
    }
    LegacyAlterScope(const LegacyAlterScope&) = delete;
    LegacyAlterScope& operator=(const LegacyAlterScope&) = delete;

  private:
    sqlite3* db_;
    int before_ = 0;
};

// Stored queries that cannot be read now, dropped for a schema change that
// SQLite would refuse because of them whatever the mode (a dropped column
// re-checks every query). restoreQueries makes them again from their texts
// as written, token and all; the caller's transaction undoes both when the
// change fails.
struct SetAsideQuery {
    std::string name, sql;
};
Result<std::vector<SetAsideQuery>> setBrokenQueriesAside(Connection& c);
Error restoreQueries(Connection& c, const std::vector<SetAsideQuery>& queries);

// The translated SELECT of a query about to be stored, checked as a reader
// would find it: a missing table or any other fault is refused with its
// message. A query that asks for parameters, or reads a table this user may
// not read, is stored as written: another reader may answer or read it.
Error checkNewQuery(Connection& c, const std::string& select);

}  // namespace qrv::dao::detail
