// Internal: stored queries that can neither be stored broken nor, once broken
// (a table they read dropped or renamed later), get in the way of schema
// changes to other tables; and stored queries of another file's tables.
#pragma once

#include <sqlite3.h>

#include <string>
#include <string_view>
#include <vector>

#include "dataaccess/objects/connection.h"

namespace qrv::dao::detail {

struct DatabaseImpl;

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

// A query about to be stored, translated: its SELECT without a trailing
// ";", and whether it reads another file (IN 'path' naming a file other
// than this one, or a query that does so). A relative path is taken from the folder of the file
// that holds the query, so the query reads the same file wherever the program runs. The file is
// attached with the rules of every source clause: it must exist, and one with a password opens only
// with this database's password.
struct StoredQuerySql {
    std::string select;
    bool readsOtherFile = false;
};
Result<StoredQuerySql> translateStoredQuery(DatabaseImpl& impl, std::string_view dialectSql);

// The translated SELECT of a query about to be stored, checked as a reader
// would find it: a missing table or any other fault is refused with its
// message. A query that asks for parameters, or reads a table this user may
// not read, is stored as written: another reader may answer or read it.
Error checkNewQuery(Connection& c, const std::string& select);

// A query of another file's tables. SQLite keeps a file's views over that
// file's own tables only, so the file holds a stand-in under the query's
// name (its columns as stored, and no row: reading it fails, saying why)
// and every connection makes a temporary view of the same name over the
// attached file, which statements find first. The text as written stays in
// the catalog, as for every stored query.
//
// Makes the views of a new query: its view, or the stand-in and the
// temporary view. Inside the caller's write scope.
Error createQueryViews(Connection& c, const std::string& name, const std::string& token,
                       const StoredQuerySql& query);
// Drops the temporary view of a query being deleted, if it has one.
Error dropLinkedView(Connection& c, const std::string& name);
// On opening a file: the temporary view of each of its queries of another
// file's tables. A query whose file cannot be read now is noted with why,
// and reading it fails with that reason; the file opens all the same.
void linkQueriesOfOtherFiles(DatabaseImpl& impl);
// "temp" for a query read through its temporary view, else "main".
std::string querySchema(Connection& c, const std::string& name);
// The SQL function a stand-in calls, which fails with the reason.
int registerStandInFunction(Connection& c);

}  // namespace qrv::dao::detail
