// Which tables a stored query reads. SQLite says it while it prepares the
// query: its authorizer is asked about every column read, of tables reached
// through nested queries too, so nothing has to parse the query's text.
#include <algorithm>

#include "dataaccess/database_impl.h"
#include "dataaccess/sql_dialect.h"
#include "dataaccess/system_tables.h"

namespace qrv::dao {

namespace {

int collectRead(void* names, int action, const char* table, const char*, const char* schema,
                const char*) {
    if (action == SQLITE_READ && table && (!schema || std::string_view(schema) == "main")) {
        auto& list = *static_cast<std::vector<std::string>*>(names);
        if (std::none_of(list.begin(), list.end(),
                         [&](const std::string& n) { return iequal(n, table); }))
            list.emplace_back(table);
    }
    return SQLITE_OK;
}

}  // namespace

Result<std::vector<std::string>> Database::TablesReadBy(std::string_view query) const {
    if (!IsOpen()) return makeError(3420, "Object invalid or no longer set.");
    std::vector<std::string> names;
    auto stored = p_->findObject(query, "view");
    if (!stored) return names;
    sqlite3* db = p_->conn->db;
    sqlite3_set_authorizer(db, collectRead, &names);
    auto st = detail::prepare(*p_->conn, "SELECT * FROM " + quoteIdentifier(*stored));
    detail::guardSystemTables(*p_->conn);
    if (!st) return st.error();
    return names;
}

}  // namespace qrv::dao
