// Which tables a stored query reads, and whether a query can be read at all.
// SQLite says both while it prepares the query: its authorizer is asked about
// every column read, of tables reached through nested queries too, so nothing
// has to parse the query's text.
#include <algorithm>

#include "dataaccess/dialect/sql_dialect.h"
#include "dataaccess/objects/database_impl.h"
#include "dataaccess/objects/stored_queries.h"
#include "dataaccess/schema/system_tables.h"

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

namespace detail {

Result<std::vector<SetAsideQuery>> setBrokenQueriesAside(Connection& c) {
    std::vector<SetAsideQuery> views, broken;
    if (auto st = prepare(c, "SELECT name, sql FROM main.sqlite_master WHERE type = 'view'"))
        while (sqlite3_step(st->get()) == SQLITE_ROW)
            views.push_back({reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 0)),
                             reinterpret_cast<const char*>(sqlite3_column_text(st->get(), 1))});
    for (SetAsideQuery& v : views)
        if (!prepare(c, "SELECT * FROM main." + quoteIdentifier(v.name)))
            broken.push_back(std::move(v));
    for (const SetAsideQuery& q : broken)
        if (Error e = exec(c, "DROP VIEW main." + quoteIdentifier(q.name))) return e;
    return broken;
}

Error restoreQueries(Connection& c, const std::vector<SetAsideQuery>& queries) {
    for (const SetAsideQuery& q : queries)
        if (Error e = exec(c, q.sql)) return e;
    return {};
}

Error checkNewQuery(Connection& c, const std::string& select) {
    auto st = prepare(c, select);
    if (st) return {};
    if (st.error().number == err::kTooFewParameters ||
        (sqlite3_errcode(c.db) & 0xff) == SQLITE_AUTH)
        return {};
    return st.error();
}

}  // namespace detail

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
